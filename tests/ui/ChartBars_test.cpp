// The bar series and the parsing of chart-history replies.

#include <gtest/gtest.h>

#include "ChartTestSupport.h"
#include "ui/charts/ChartBars.h"

namespace td::charts {
namespace {

TEST(ChartReply, FillsEachSectionIntoItsOwnFieldAndCountsTheCloses) {
  BarSeries bars;
  const std::size_t closes = parseChartReply(test::historyReply("EURUSD^O", 3), bars);
  EXPECT_EQ(closes, 3u);
  ASSERT_EQ(bars.size(), 3u);
  EXPECT_EQ(bars[0].date.view(), "12/05/14");
  EXPECT_EQ(bars[2].time.view(), "10:02:00");
  EXPECT_EQ(bars[1].closeText.view(), "1.1010");
  EXPECT_DOUBLE_EQ(bars[1].close, 1.101);
  EXPECT_DOUBLE_EQ(bars[1].high, 1.102);
  EXPECT_DOUBLE_EQ(bars[1].low, 1.1);
  EXPECT_DOUBLE_EQ(bars[1].open, 1.1005);
}

TEST(ChartReply, EmptyTokensAndRunsOfSeparatorsCountAsOne) {
  BarSeries bars;
  EXPECT_EQ(parseChartReply("<H~K^O>01/02/14,,01/03/14##10:00:00,10:01:00#1.5,2.5<END>", bars), 2u);
  EXPECT_EQ(bars[0].date.view(), "01/02/14");
  EXPECT_EQ(bars[1].date.view(), "01/03/14");
  EXPECT_EQ(bars[1].time.view(), "10:01:00");
  EXPECT_DOUBLE_EQ(bars[1].close, 2.5);
}

TEST(ChartReply, AReplyWithoutClosesWritesDatesAndTimesOnly) {
  BarSeries bars;
  parseChartReply(test::historyReply("K^O", 2), bars);
  EXPECT_EQ(parseChartReply("<H~K^O>09/09/19#11:11:11<END>", bars), 0u);
  EXPECT_EQ(bars[0].date.view(), "09/09/19");
  EXPECT_EQ(bars[0].time.view(), "11:11:11");
  EXPECT_DOUBLE_EQ(bars[0].close, 1.1);  // what the earlier reply left
  EXPECT_EQ(parseChartReply("<H~K^O>", bars), 0u);
}

TEST(ChartReply, TokensLongerThanTheirSlotAreCutAndValuesReadTheirLeadingNumber) {
  BarSeries bars;
  parseChartReply("<H~K^O>01/02/2014xx#10:00:00.123#123456789012#1.5abc#x#-2<END>", bars);
  EXPECT_EQ(bars[0].date.view(), "01/02/2014");
  EXPECT_EQ(bars[0].time.view(), "10:00:00");
  EXPECT_EQ(bars[0].closeText.view(), "123456789");
  EXPECT_DOUBLE_EQ(bars[0].close, 123456789);
  EXPECT_DOUBLE_EQ(bars[0].high, 1.5);
  EXPECT_DOUBLE_EQ(bars[0].low, 0);
  EXPECT_DOUBLE_EQ(bars[0].open, -2);
  EXPECT_DOUBLE_EQ(leadingNumber(" +0.25%"), 0.25);
  EXPECT_DOUBLE_EQ(leadingNumber("--1"), 0);
  EXPECT_DOUBLE_EQ(leadingNumber(""), 0);
}

TEST(ChartReply, MoreBarsThanTheCapacityKeepTheNewestAligned) {
  BarSeries bars(4);
  const std::size_t closes = parseChartReply(test::historyReply("K^O", 6), bars);
  EXPECT_EQ(closes, 4u);
  ASSERT_EQ(bars.size(), 4u);
  EXPECT_EQ(bars[0].time.view(), "10:02:00");  // bars 0 and 1 were left out
  EXPECT_EQ(bars[0].closeText.view(), "1.1020");
  EXPECT_EQ(bars[3].time.view(), "10:05:00");
  EXPECT_EQ(bars[3].closeText.view(), "1.1050");
}

TEST(BarSeries, ANewBarAtTheCapacityDropsTheOldestAndShiftsEveryIndex) {
  BarSeries bars(3);
  for (std::size_t i = 0; i < 3; ++i) {
    bars.ensureSize(i + 1);
    bars[i].close = static_cast<double>(i);
  }
  EXPECT_EQ(bars.slotAfter(1), 2u);
  const std::size_t slot = bars.slotAfter(2);
  EXPECT_EQ(slot, 2u);
  EXPECT_EQ(bars.size(), 3u);
  EXPECT_DOUBLE_EQ(bars[0].close, 1);
  EXPECT_DOUBLE_EQ(bars[1].close, 2);
  EXPECT_DOUBLE_EQ(bars[2].close, 0);  // a fresh slot
  bars[2].close = 3;
  bars.slotAfter(2);
  EXPECT_DOUBLE_EQ(bars[0].close, 2);
  EXPECT_DOUBLE_EQ(bars[1].close, 3);
}

}  // namespace
}  // namespace td::charts
