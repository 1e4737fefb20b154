#include "model/Conversions.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace td::conv {
namespace {

TEST(Conversions, IntegerTakesTheLeadingNumberAndClamps) {
  EXPECT_EQ(toInt("42"), 42);
  EXPECT_EQ(toInt("  \t-17abc"), -17);
  EXPECT_EQ(toInt("+8"), 8);
  EXPECT_EQ(toInt("07"), 7);
  EXPECT_EQ(toInt("12.9"), 12);
  EXPECT_EQ(toInt(""), 0);
  EXPECT_EQ(toInt("abc"), 0);
  EXPECT_EQ(toInt("- 5"), 0);
  EXPECT_EQ(toInt("99999999999999999999"), 2147483647);
  EXPECT_EQ(toInt("-2147483648"), -2147483648);
  EXPECT_EQ(toInt("-99999999999"), -2147483648);
  EXPECT_FALSE(parseInt("x1").hasDigits);
  EXPECT_FALSE(parseInt("-").hasDigits);
  EXPECT_TRUE(parseInt(" 0").hasDigits);
}

TEST(Conversions, DecimalTakesTheLeadingFloatingPointNumber) {
  EXPECT_DOUBLE_EQ(toDouble("1.25"), 1.25);
  EXPECT_DOUBLE_EQ(toDouble("  -2.5xyz"), -2.5);
  EXPECT_DOUBLE_EQ(toDouble("+.5"), 0.5);
  EXPECT_DOUBLE_EQ(toDouble("3."), 3.0);
  EXPECT_DOUBLE_EQ(toDouble("1e3"), 1000.0);
  EXPECT_DOUBLE_EQ(toDouble("2E-2"), 0.02);
  EXPECT_DOUBLE_EQ(toDouble("4e"), 4.0);
  EXPECT_DOUBLE_EQ(toDouble("5e+x"), 5.0);
  EXPECT_DOUBLE_EQ(toDouble("1,5"), 1.0);
  EXPECT_DOUBLE_EQ(toDouble(""), 0.0);
  EXPECT_DOUBLE_EQ(toDouble("."), 0.0);
  EXPECT_DOUBLE_EQ(toDouble("inf"), 0.0);
  EXPECT_DOUBLE_EQ(toDouble("nan"), 0.0);
  EXPECT_DOUBLE_EQ(toDouble("0x10"), 0.0);
}

TEST(Conversions, FlagReadsTheFirstSignificantCharacter) {
  for (const char* yes : {"Y", "yes", "T", "true", "1", " 2", "-1", "+0009", "007"}) EXPECT_TRUE(toFlag(yes)) << yes;
  for (const char* no : {"", "N", "false", "0", "000", " ", "x1", "-0", "F"}) EXPECT_FALSE(toFlag(no)) << no;
}

class DateConversions : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    saved_ = tz ? tz : "";
    hadTz_ = tz != nullptr;
    setenv("TZ", "EST5", 1);  // fixed UTC-5, no daylight saving
    tzset();
  }
  void TearDown() override {
    if (hadTz_) {
      setenv("TZ", saved_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  std::string saved_;
  bool hadTz_ = false;
};

TEST_F(DateConversions, XmlDatesTakeTheirClockTimeAsUtc) {
  // The zone part is replaced by UTC: the clock time is shown in the local zone (UTC-5 here).
  EXPECT_EQ(xmlDateToDisplay("2024-01-05T10:30:00+00:00"), "01/05/2024 05:30:00");
  EXPECT_EQ(xmlDateToDisplay("2024-01-05T10:30:00+05:30"), "01/05/2024 05:30:00");
  EXPECT_EQ(xmlDateToDisplay("2024-01-01T02:00:00+05"), "12/31/2023 21:00:00");
  for (const char* bad : {"", "2024-01-05", "2023-02-29T00:00:00+00:00", "2024-01-05 10:30:00+00:00", "garbage"}) {
    EXPECT_EQ(xmlDateToDisplay(bad), "") << bad;
  }
}

TEST_F(DateConversions, AmpDatesAreReformatted) {
  EXPECT_EQ(ampDateToDisplay("20240229235959"), "02/29/2024 23:59:59");
  EXPECT_EQ(ampDateToDisplay("00010101000000"), "");  // the empty date
  for (const char* bad : {"", "2024022923595", "202402292359590", "20230229000000", "2024010a120000", "20240101126000"}) {
    EXPECT_EQ(ampDateToDisplay(bad), "") << bad;
  }
}

}  // namespace
}  // namespace td::conv
