#include "orders/OrderGenerator.h"

#include <gtest/gtest.h>

#include "OrderTestSupport.h"

namespace td::testing {
namespace {

class OrderGeneratorTest : public ::testing::Test {
 protected:
  Order build(const OrderInfo& info, bool full = true) {
    return OrderGenerator::buildOrder(info, t.data, {40, "20240102030405"}, full);
  }
  TradingData t;
};

TEST_F(OrderGeneratorTest, MarketBuyCarriesCodesQuoteSnapshotAndTheNextRequestId) {
  t.item->DecimalPlaces = 5;
  t.item->Ask = 1.234561;
  OrderInfo info = marketBuy();
  info.previousQuantity = "3";
  const Order o = build(info);
  EXPECT_EQ(o.AccountNumber, "1001");
  EXPECT_EQ(o.RequestId, 41);
  EXPECT_EQ(o.ItemCode, "EURUSD");
  EXPECT_EQ(o.orderTypeTag, 29);
  EXPECT_EQ(o.deliveryModeTag, 51);
  EXPECT_EQ(o.tradingModeTag, 45);
  EXPECT_EQ(o.timeinForceTag, 47);
  EXPECT_EQ(o.ordertypeInfo, 0);
  EXPECT_EQ(o.OrderPrice, "1.23456");
  EXPECT_EQ(o.Ask, "1.23456");
  EXPECT_EQ(o.Bid, "1.19980");
  EXPECT_EQ(o.Last, "1.19990");
  EXPECT_EQ(o.High, "1.21000");
  EXPECT_EQ(o.Low, "1.19000");
  EXPECT_EQ(o.ItemTime, "20240102030000");
  EXPECT_EQ(o.TransactionDateTime, "20240102030405");
  EXPECT_EQ(o.Spread, "0");
  EXPECT_EQ(o.CurrentStatus, "0");
  EXPECT_EQ(o.PreviousOrderQty, "3");
  EXPECT_EQ(o.deviation, -1);
  EXPECT_TRUE(o.LimitPrice.empty());
  EXPECT_TRUE(o.StopPrice.empty());

  const Order check = build(info, false);
  EXPECT_TRUE(check.PreviousOrderQty.empty());
  EXPECT_EQ(check.deviation, 0);
}

TEST_F(OrderGeneratorTest, SellTakesTheBidAndOnlyTheGivenBracketPrice) {
  OrderInfo info = marketBuy();
  info.tradingMode = 1;
  info.limitPrice = "1.1900";
  const Order o = build(info);
  EXPECT_EQ(o.OrderPrice, "1.1998");
  EXPECT_EQ(o.tradingModeTag, 46);
  EXPECT_EQ(o.ordertypeInfo, 1);
  EXPECT_EQ(o.LimitPrice, "1.1900");
  EXPECT_TRUE(o.StopPrice.empty());
}

TEST_F(OrderGeneratorTest, LimitAndStopOrdersKeepTheTypedPriceOrTakeTheQuote) {
  OrderInfo info = marketBuy();
  info.orderType = 2;
  EXPECT_EQ(build(info).OrderPrice, "1.2000");
  EXPECT_EQ(build(info).ordertypeInfo, 2);
  info.price = "1.5";
  EXPECT_EQ(build(info).OrderPrice, "1.5");
  info.orderType = 3;
  info.limitPrice = "1.6";
  info.stopPrice = "1.4";
  const Order o = build(info);
  EXPECT_EQ(o.ordertypeInfo, 3);
  EXPECT_EQ(o.orderTypeTag, 31);
  EXPECT_EQ(o.LimitPrice, "1.6");
  EXPECT_EQ(o.StopPrice, "1.4");
}

TEST_F(OrderGeneratorTest, UnknownCodesAndOrderTypeZero) {
  OrderInfo info = marketBuy();
  info.orderType = 0;
  info.timeinForce = 3;
  info.tradingMode = 2;
  info.deliveryMode = 9;
  const Order o = build(info);
  EXPECT_EQ(o.orderTypeTag, 926);
  EXPECT_EQ(o.timeinForceTag, 926);
  EXPECT_EQ(o.deliveryModeTag, 926);
  EXPECT_EQ(o.tradingModeTag, 0);
  EXPECT_EQ(o.ordertypeInfo, 0);
  EXPECT_TRUE(o.OrderPrice.empty());
}

TEST_F(OrderGeneratorTest, ZeroDecimalsGiveTwoAndMissingOrBadTimeGivesEmpty) {
  t.item->DecimalPlaces = 0;
  t.item->UpdateTime = "";
  Order o = build(marketBuy());
  EXPECT_EQ(o.Ask, "1.20");
  EXPECT_EQ(o.ItemTime, "");
  t.item->UpdateTime = "not a time";
  EXPECT_EQ(build(marketBuy()).ItemTime, "");
}

TEST_F(OrderGeneratorTest, UnknownItemLeavesTheCodeEmptyAndTheQuoteZero) {
  OrderInfo info = marketBuy();
  info.itemCode = "XAUUSD";
  const Order o = build(info);
  EXPECT_TRUE(o.ItemCode.empty());
  EXPECT_EQ(o.Bid, "0");
  EXPECT_EQ(o.OrderPrice, "0");
}

TEST_F(OrderGeneratorTest, TwoRecordsWithoutAReplyBetweenCarryTheSameRequestId) {
  EXPECT_EQ(build(marketBuy()).RequestId, build(marketBuy()).RequestId);
}

TEST_F(OrderGeneratorTest, BulkRecordHasNoAccountQuantityOrFlags) {
  OrderInfo info = marketBuy();
  info.itemCode = "XAUUSD";  // taken as given
  info.accountNo = 1001;
  info.isCloseNew = true;
  const Order o = OrderGenerator::GenerateBulkOrderDetails(info, t.data, {40, "20240102030405"});
  EXPECT_EQ(o.ItemCode, "XAUUSD");
  EXPECT_TRUE(o.AccountNumber.empty());
  EXPECT_TRUE(o.OrderQty.empty());
  EXPECT_FALSE(o.isCloseNew);
  EXPECT_EQ(o.RequestId, 41);
  EXPECT_EQ(o.deviation, -1);
}

}  // namespace
}  // namespace td::testing
