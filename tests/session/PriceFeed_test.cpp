#include "session/PriceFeed.h"

#include "wire/Formatter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace td {
namespace {

using ::testing::ElementsAre;

std::string line(std::initializer_list<std::string_view> fields) {
  std::string out;
  for (const auto f : fields) {
    if (!out.empty() || f.data() != fields.begin()->data()) out += '\x04';
    out.append(f);
  }
  return out;
}

TEST(PriceFeedTest, FeedLinesAreClassifiedByPrefix) {
  EXPECT_EQ(classifyFeedLine("MD_EURUSD;1;2"), FeedLineKind::MarketDepth);
  EXPECT_EQ(classifyFeedLine("IS;\x01..."), FeedLineKind::InstrumentStatus);
  EXPECT_EQ(classifyFeedLine("*#bm#*:x"), FeedLineKind::Ignored);
  EXPECT_EQ(classifyFeedLine("MD"), FeedLineKind::Price);
  EXPECT_EQ(classifyFeedLine(""), FeedLineKind::Price);
  EXPECT_EQ(instrumentStatusPayload("IS;abc;def"), "abc");
  EXPECT_EQ(instrumentStatusPayload("IS;abc"), "abc");
  EXPECT_EQ(instrumentStatusPayload("IS;"), "");
}

TEST(PriceFeedTest, LeadingNumbersAreReadLikeTheServerWritesThem) {
  EXPECT_EQ(leadingDouble("  12.5xyz"), 12.5);
  EXPECT_EQ(leadingDouble("-3"), -3.0);
  EXPECT_EQ(leadingDouble("+.5"), 0.5);
  EXPECT_EQ(leadingDouble("1e3"), 1000.0);
  EXPECT_FALSE(leadingDouble(""));
  EXPECT_FALSE(leadingDouble("abc"));
  EXPECT_FALSE(leadingDouble("nan"));
  EXPECT_FALSE(leadingDouble("inf"));
  EXPECT_FALSE(leadingDouble("-"));
  EXPECT_EQ(leadingDouble("1e999"), HUGE_VAL);
}

TEST(PriceFeedTest, PricesAreBasePlusScaledOffsets) {
  PriceUpdate tick;
  ASSERT_EQ(decodePriceLine(line({"EURUSD", "20240102030405", "1.1", "50", "45", "47", "60", "40", "44", "30", "", "4"}),
                            tick),
            PriceLineError::None);
  EXPECT_EQ(tick.ItemCode, "EURUSD");
  EXPECT_EQ(tick.Time, "01/02/2024 03:04:05");
  EXPECT_DOUBLE_EQ(tick.Last, 1.105);
  EXPECT_DOUBLE_EQ(tick.Bid, 1.1045);
  EXPECT_DOUBLE_EQ(tick.Ask, 1.1047);
  EXPECT_DOUBLE_EQ(tick.High, 1.106);
  EXPECT_DOUBLE_EQ(tick.Low, 1.104);
  EXPECT_DOUBLE_EQ(tick.Open, 1.1044);
  EXPECT_DOUBLE_EQ(tick.PreviousClose, 1.103);
}

TEST(PriceFeedTest, MissingOrNonNumericOffsetsGiveZeroAndMinusOneIsARealPrice) {
  PriceUpdate tick;
  ASSERT_EQ(decodePriceLine(line({"X", "bad time", "0", "", "abc", "-10000", "2"}), tick), PriceLineError::None);
  EXPECT_EQ(tick.Time, "");
  EXPECT_EQ(tick.Last, 0);
  EXPECT_EQ(tick.Bid, 0);
  EXPECT_EQ(tick.Ask, -100);
  ASSERT_EQ(decodePriceLine(line({"X", "", "1", "-200", "100", "2"}), tick), PriceLineError::None);
  EXPECT_EQ(tick.Last, -1);  // base 1 + (-200 / 100) is a price, not the missing marker
  EXPECT_EQ(tick.Bid, 2);
}

TEST(PriceFeedTest, PricesCarrySixDecimalsWhateverTheScale) {
  PriceUpdate tick;
  ASSERT_EQ(decodePriceLine(line({"X", "", "1", "1234567", "7"}), tick), PriceLineError::None);
  EXPECT_DOUBLE_EQ(tick.Last, 1.123457);
  // A fractional or negative scale works as a power of ten.
  ASSERT_EQ(decodePriceLine(line({"X", "", "0", "5", "-1"}), tick), PriceLineError::None);
  EXPECT_DOUBLE_EQ(tick.Last, 50);
}

TEST(PriceFeedTest, TheLastFieldIsTheScaleAndNeverAnOffset) {
  PriceUpdate tick;
  ASSERT_EQ(decodePriceLine(line({"X", "", "10", "4"}), tick), PriceLineError::None);
  EXPECT_EQ(tick.Last, 0);
  ASSERT_EQ(decodePriceLine(line({"X", "", "10", "1", "2", "3", "4", "5", "6", "7", "8", "9", "0"}), tick),
            PriceLineError::None);
  EXPECT_EQ(tick.PreviousClose, 17);
}

TEST(PriceFeedTest, ShortLinesAndNonNumericBasesAreRefused) {
  PriceUpdate tick;
  tick.ItemCode = "kept";
  EXPECT_EQ(decodePriceLine("", tick), PriceLineError::TooFewFields);
  EXPECT_EQ(decodePriceLine(line({"X", "t", "1"}), tick), PriceLineError::TooFewFields);
  EXPECT_EQ(decodePriceLine(line({"X", "t", "n/a", "1", "4"}), tick), PriceLineError::BaseNotNumeric);
  EXPECT_EQ(tick.ItemCode, "kept");
}

TEST(PriceFeedTest, LinesGivingAnInfinitePriceAreRefused) {
  PriceUpdate tick;
  // A huge base, a huge offset, and decimals that divide by next to nothing.
  EXPECT_EQ(decodePriceLine(line({"X", "", "1e999", "1", "4"}), tick), PriceLineError::NotFinite);
  EXPECT_EQ(decodePriceLine(line({"X", "", "1", "1", "1e308", "-10"}), tick), PriceLineError::NotFinite);
  EXPECT_EQ(decodePriceLine(line({"X", "", "1", "1", "1", "-400"}), tick), PriceLineError::NotFinite);
  // Decimals so many that the offsets vanish leave the base.
  ASSERT_EQ(decodePriceLine(line({"X", "", "1.5", "7", "400"}), tick), PriceLineError::None);
  EXPECT_EQ(tick.Last, 1.5);
}

TEST(PriceFeedTest, ItemCodesAreKeptAsReceived) {
  PriceUpdate tick;
  ASSERT_EQ(decodePriceLine(line({"0042", "", "1", "1", "0"}), tick), PriceLineError::None);
  EXPECT_EQ(tick.ItemCode, "0042");
}

TEST(PriceFeedTest, DepthLinesKeepNonEmptyLevelsAsReceived) {
  auto depth = decodeMarketDepth("EURUSD;1.1@5||1.09@7;1.2@1|");
  ASSERT_TRUE(depth);
  EXPECT_EQ(depth->code, "EURUSD");
  EXPECT_THAT(depth->buy, ElementsAre("1.1@5", "1.09@7"));
  EXPECT_THAT(depth->sell, ElementsAre("1.2@1"));
  depth = decodeMarketDepth("X;;;extra");
  ASSERT_TRUE(depth);
  EXPECT_TRUE(depth->buy.empty());
  EXPECT_TRUE(depth->sell.empty());
  EXPECT_FALSE(decodeMarketDepth("X;1"));
  EXPECT_FALSE(decodeMarketDepth(""));
}

}  // namespace
}  // namespace td

namespace td {
namespace {

TEST(PriceFeedTest, TimesAreRewrittenLikeTheFormatterDoes) {
  for (const char* time : {"20240102030405", "20240229235959", "20230229120000", "20241301000000", "00010101000000",
                           "19991231235960", "2024010203040", "2024010203040x", "21991231235959", "22000101000000"}) {
    SCOPED_TRACE(time);
    PriceUpdate tick;
    ASSERT_EQ(decodePriceLine(std::string("X\x04") + time + "\x04" "1\x04" "0", tick), PriceLineError::None);
    EXPECT_EQ(tick.Time, Formatter::formatDateandTimeFromString(time, AMP_DATE_FORMAT, DISPLAY_DATE_TIME_FORMAT)
                             .value_or(std::string()));
  }
}

}  // namespace
}  // namespace td
