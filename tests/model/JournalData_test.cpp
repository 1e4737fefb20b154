#include "model/JournalData.h"

#include <gtest/gtest.h>

namespace td {
namespace {

// 2024-12-30 23:59:58 UTC: the week-based year is already 2025 there, the calendar year is not.
const JournalData::Date kLastWeekOf2024 = JournalData::Date(std::chrono::seconds(1735603198));

TEST(JournalData, LoginLinesUseGmtAndTheCalendarYear) {
  EXPECT_EQ(JournalData::getLoginJournalData(0, "127.0.0.1", 8310, "demo", kLastWeekOf2024),
            "Dec 30, 2024 23:59:58#$#Trying Login to 127.0.0.1:8310 with username demo");
  EXPECT_EQ(JournalData::getLoginJournalData(1, "h", 1, "u", kLastWeekOf2024),
            "Dec 30, 2024 23:59:58#$#Login Success to h:1 with username u");
  EXPECT_EQ(JournalData::getLoginJournalData(2, "h", 1, "u", kLastWeekOf2024),
            "Dec 30, 2024 23:59:58#$#Connected to h:1 with username u");
  EXPECT_EQ(JournalData::getLoginJournalData(3, "h", 1, "u", kLastWeekOf2024), "");
  EXPECT_EQ(JournalData::getLoginJournalData(-1, "h", 1, "u", kLastWeekOf2024), "");
}

}  // namespace
}  // namespace td
