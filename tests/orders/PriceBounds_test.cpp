#include "orders/PriceBounds.h"

#include <gtest/gtest.h>

#include "OrderTestSupport.h"
#include "orders/OrderGenerator.h"
#include "wire/Formatter.h"

namespace td::testing {
namespace {

TEST(PriceBoundsTest, ContingentPriceWithZeroOffsetIsThePriceWhateverTheFlag) {
  EXPECT_EQ(PriceBounds::CalculateContingentPrice(true, 1.25, 0), 1.25);
  EXPECT_EQ(PriceBounds::CalculateContingentPrice(false, 1.25, 0), 1.25);
  EXPECT_DOUBLE_EQ(PriceBounds::CalculateContingentPrice(true, 1.25, 0.5), 1.75);
  EXPECT_DOUBLE_EQ(PriceBounds::CalculateContingentPrice(false, 1.25, 0.5), 0.75);
}

TEST(PriceBoundsTest, TickRemainderIsCountedInUnitsOfTheLastDecimal) {
  EXPECT_TRUE(PriceBounds::CheckTickPrice(1.2345, 4, 0.0005).isZero());
  EXPECT_EQ(PriceBounds::CheckTickPrice(1.2346, 4, 0.0005), Decimal::fromInt(1));
  EXPECT_EQ(PriceBounds::CheckTickPrice(1.2349, 4, 0.0005), Decimal::fromInt(4));
  // Binary fractions just below the grid point still land on it.
  EXPECT_TRUE(PriceBounds::isOnTick(1.1, 5, 0.00001));
  EXPECT_TRUE(PriceBounds::isOnTick(0.3, 2, 0.1));
  EXPECT_FALSE(PriceBounds::isOnTick(0.35, 2, 0.1));
}

TEST(PriceBoundsTest, TickSizeZeroMeansNoGrid) {
  EXPECT_TRUE(PriceBounds::isOnTick(1.23456789, 4, 0));
  EXPECT_TRUE(PriceBounds::isOnTick(1.2345, 4, -0.0001));
  // A tick too small to show in six decimals of the price's units.
  EXPECT_TRUE(PriceBounds::isOnTick(1.2345, 0, 1e-9));
}

class PriceBoundsDataTest : public ::testing::Test {
 protected:
  TradingData t;
};

TEST_F(PriceBoundsDataTest, EntryBoundsOfStopAndLimitOrdersOnBothSides) {
  // Ask 1.2000, Bid 1.1998, 10 pips of 0.0001.
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 3, 0, "EURUSD", 1001, 0), "1.2010");
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 3, 0, "EURUSD", 1001, 1), ">= 1.2010");
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 3, 1, "EURUSD", 1001, 1), "<= 1.1988");
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 2, 0, "EURUSD", 1001, 1), "<= 1.1990");
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 2, 1, "EURUSD", 1001, 1), ">= 1.2008");
  // Any side but 0 is a sell.
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 2, 7, "EURUSD", 1001, 0), "1.2008");
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 1, 0, "EURUSD", 1001, 1), "");
}

TEST_F(PriceBoundsDataTest, BidOfZeroIsReplacedByLast) {
  t.item->Bid = 0;
  t.item->Last = 1.1;
  t.terms->LimitMinPips = 5;
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 2, 1, "EURUSD", 1001, 0), "1.1005");
}

TEST_F(PriceBoundsDataTest, UnknownAccountOrTermsGiveTheQuoteItselfAndUnknownItemTwoDecimals) {
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 3, 0, "EURUSD", 9999, 0), "1.2000");
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 3, 0, "XAUUSD", 1001, 0), "0.00");
}

TEST_F(PriceBoundsDataTest, TakeProfitAndStopLossBoundsOfMarketAndPricedOrders) {
  // A market buy: the protecting side is 1 (sell), based on the Ask the buy is priced at.
  EXPECT_EQ(PriceBounds::UpdateTakeProfitandStopLoss(t.data, 1, "EURUSD", true, 1001, 1, "", 1), ">= 1.2010");
  EXPECT_EQ(PriceBounds::UpdateTakeProfitandStopLoss(t.data, 1, "EURUSD", false, 1001, 1, "", 1), "<= 1.1990");
  // A market sell: side 0, based on the Bid.
  EXPECT_EQ(PriceBounds::UpdateTakeProfitandStopLoss(t.data, 0, "EURUSD", true, 1001, 1, "", 0), "1.1988");
  EXPECT_EQ(PriceBounds::UpdateTakeProfitandStopLoss(t.data, 0, "EURUSD", false, 1001, 1, "", 0), "1.2008");
  // A limit order: based on its price text.
  EXPECT_EQ(PriceBounds::UpdateTakeProfitandStopLoss(t.data, 1, "EURUSD", true, 1001, 2, "1.1500", 0), "1.1510");
  EXPECT_EQ(PriceBounds::UpdateTakeProfitandStopLoss(t.data, 0, "EURUSD", false, 1001, 3, "1.3", 1), ">= 1.3010");
}

TEST_F(PriceBoundsDataTest, MarketOrderBoundsAreTheOnesValidationEnforces) {
  // A quote with more decimals than the instrument shows: the order is priced at its rounded text.
  t.item->Ask = 1.20004;
  t.item->Bid = 1.19976;
  for (const int side : {0, 1}) {
    for (const bool takeProfit : {true, false}) {
      SCOPED_TRACE(::testing::Message() << "side " << side << (takeProfit ? " take-profit" : " stop-loss"));
      const int protecting = side == 0 ? 1 : 0;
      const std::string bound =
          PriceBounds::UpdateTakeProfitandStopLoss(t.data, protecting, "EURUSD", takeProfit, 1001, 1, "", 0);
      // One tick beyond the bound, on the side the bound forbids.
      const bool atLeast = (protecting == 1) == takeProfit;
      const std::string beyond = Formatter::formatDecimal(std::stod(bound) + (atLeast ? -0.0001 : 0.0001), 4);
      for (const auto& [price, passes] : {std::pair{bound, true}, std::pair{beyond, false}}) {
        OrderInfo info = marketBuy();
        info.tradingMode = side;
        (takeProfit ? info.limitPrice : info.stopPrice) = price;
        (takeProfit ? info.TakeProfitEnabled : info.StopLossEnabled) = true;
        const Order order = OrderGenerator::buildOrder(info, t.data, {40, "20240102030405"}, true);
        EXPECT_EQ(!OrderValidator(t.context()).Validate(order).has_value(), passes) << price;
      }
    }
  }
}

}  // namespace
}  // namespace td::testing
