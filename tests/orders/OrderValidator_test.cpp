#include "orders/OrderValidator.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "OrderTestSupport.h"
#include "orders/OrderGenerator.h"

namespace td::testing {
namespace {

const char* const kNoAccess = "Account : 1001\nYour account doesn't have sufficient access to trade";

class OrderValidatorTest : public ::testing::Test {
 protected:
  Order build(const OrderInfo& info) { return OrderGenerator::buildOrder(info, t.data, {40, "20240102030405"}, true); }

  // A limit buy at its bound 1.1990 (Ask 1.2000 - 10 pips) with a take-profit and a stop-loss at
  // theirs: 1.1990 + 10 pips, and 10 pips below 1.1988, the Bid its position closes at once it
  // fills (its price less the spread of 2 ticks).
  Order limitBuyWithBracket() {
    OrderInfo info = marketBuy();
    info.orderType = 2;
    info.price = "1.1990";
    info.limitPrice = "1.2000";
    info.stopPrice = "1.1978";
    info.TakeProfitEnabled = info.StopLossEnabled = true;
    return build(info);
  }

  CheckFailure validate(const Order& order, bool connected = true,
                        OrderValidator::Scope scope = OrderValidator::Scope::Full) {
    return OrderValidator(t.context(connected)).Validate(order, scope);
  }

  TradingData t;
};

struct Breakage {
  std::function<void(TradingData&, Order&, bool&)> apply;
  std::string text;
};

// Breaks the checks from the last to the first, one more each time: each time the newly broken
// check must be the one reported, so the checks run in this order and stop at the first failure.
void expectOrder(TradingData& t, Order order, const std::vector<Breakage>& fromLast) {
  bool connected = true;
  EXPECT_EQ(OrderValidator(t.context()).Validate(order), std::nullopt);
  for (const Breakage& b : fromLast) {
    b.apply(t, order, connected);
    EXPECT_EQ(OrderValidator(t.context(connected)).Validate(order), b.text);
  }
}

TEST_F(OrderValidatorTest, ValidateChecksRunInOrderAndStopAtTheFirstFailure) {
  expectOrder(t, build(marketBuy()),
              {
                  {[](TradingData& d, Order&, bool&) { d.item->isAvailableForTrading = false; }, "Symbol not tradable"},
                  {[](TradingData&, Order& o, bool&) { o.OrderQty = "0"; }, "Quantity should be greater than zero"},
                  {[](TradingData&, Order& o, bool&) { o.OrderPrice = "-1"; }, "Price should be greater than zero"},
                  {[](TradingData& d, Order&, bool&) { d.item->instrumentTradingStatus = 2; },
                   "This Item doesn't have sufficient access to trade"},
                  {[](TradingData& d, Order&, bool&) { d.account->accountaccessType = 2; }, kNoAccess},
                  {[](TradingData& d, Order&, bool&) { d.account->tradingStatus = 3; },
                   "Account : 1001\nYour account has been suspended"},
                  {[](TradingData&, Order& o, bool&) { o.orderType = 0; }, "Order Type is not valid"},
                  {[](TradingData&, Order& o, bool&) { o.AccountNumber.clear(); }, "Account is not valid"},
                  {[](TradingData&, Order& o, bool&) { o.ItemCode.clear(); }, "Symbol cannot be empty"},
                  {[](TradingData&, Order&, bool& c) { c = false; }, "Not Connected"},
              });
}

TEST_F(OrderValidatorTest, VerifyChecksRunInOrderAndStopAtTheFirstFailure) {
  expectOrder(
      t, limitBuyWithBracket(),
      {
          {[](TradingData& d, Order&, bool&) { d.account->AvailableMargin = d.account->Equity = 0; },
           "Account : 1001\nNot enough free margin"},
          {[](TradingData&, Order& o, bool&) { o.StopPrice = "1.1979"; },
           "Stop Loss price should be less than or equal to 1.1978"},
          {[](TradingData&, Order& o, bool&) { o.StopPrice = "1.19785"; }, "Stop Loss price should be in correct tick"},
          {[](TradingData&, Order& o, bool&) { o.LimitPrice = "1.1999"; },
           "Take Profit price should be greater than or equal to 1.2000"},
          {[](TradingData&, Order& o, bool&) { o.LimitPrice = "1.19995"; },
           "Take Profit price should be in correct tick"},
          {[](TradingData&, Order& o, bool&) { o.OrderPrice = "1.1991"; },
           "Limit price should be less than or equal to 1.1990"},
          {[](TradingData&, Order& o, bool&) { o.OrderPrice = "1.19905"; }, "Price should be in correct tick"},
          {[](TradingData&, Order& o, bool&) { o.OrderQty = "1.05"; }, "Quantity should be in multiples of (0.10)"},
          {[](TradingData&, Order& o, bool&) { o.OrderQty = "0.05"; },
           "Quantity is less than minimum order quantity (0.10)"},
          {[](TradingData&, Order& o, bool&) { o.OrderQty = "101"; },
           "Quantity is greater than maximum order quantity (100.00)"},
          {[](TradingData& d, Order&, bool&) { d.group->GroupInstrumentCollection.clear(); },
           "Account : 1001\nYour account doesn't have access to selected symbol"},
          {[](TradingData& d, Order&, bool&) { d.group->TradingEnabled = false; }, kNoAccess},
          {[](TradingData& d, Order&, bool&) { d.session->AllowNewTpSl = false; },
           "New bracket order not allowed in this session"},
          {[](TradingData& d, Order&, bool&) { d.session->AllowNewContigent = false; },
           "New contingent order not allowed in this session"},
          {[](TradingData& d, Order&, bool&) { d.item->CurrentTradeSessionSettingId = 9; },
           "Symbol cannot be traded in this session"},
      });
}

TEST_F(OrderValidatorTest, AccountStatesRefuseNewOrdersAndCloseOnlyStatesLetClosingOrdersThrough) {
  struct Case {
    int status;
    int access;
    std::string text;
    bool closingPasses;
  };
  const std::vector<Case> cases = {
      {2, 1, kNoAccess, false},
      {3, 1, "Account : 1001\nYour account has been suspended", false},
      {4, 1, kNoAccess, true},
      {5, 1, "Account : 1001\nYour account equity stop has been reached", false},
      {6, 1, kNoAccess, false},
      {1, 3, kNoAccess, false},
      {1, 2, kNoAccess, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "status " << c.status << " access " << c.access);
    t.account->tradingStatus = c.status;
    t.account->accountaccessType = c.access;
    Order order = build(marketBuy());
    EXPECT_EQ(validate(order), c.text);
    order.isCloseNew = true;
    order.PreviousOrderQty = "1";
    EXPECT_EQ(validate(order), c.closingPasses ? CheckFailure() : CheckFailure(c.text));
  }
  for (const int other : {0, 7}) {
    t.account->tradingStatus = other;
    t.account->accountaccessType = 1;
    EXPECT_EQ(validate(build(marketBuy())), std::nullopt);
  }
}

TEST_F(OrderValidatorTest, CloseOnlyInstrumentLetsOnlyClosingOrdersThrough) {
  t.item->instrumentTradingStatus = 2;
  Order order = build(marketBuy());
  EXPECT_EQ(validate(order), "This Item doesn't have sufficient access to trade");
  order.isCloseNew = true;
  EXPECT_EQ(validate(order), std::nullopt);
}

TEST_F(OrderValidatorTest, EmptyOrMalformedNumbersAreRefusedAsNotGreaterThanZero) {
  for (const char* text : {"", "1.2.3", "abc", "1,5", "2x", "nan", "inf", " "}) {
    SCOPED_TRACE(text);
    OrderInfo info = marketBuy();
    info.orderType = 2;
    info.price = "1.1990";
    info.quantity = text;
    EXPECT_EQ(validate(build(info)), "Quantity should be greater than zero");
    info.quantity = "1";
    info.price = text;
    Order order = build(info);
    if (std::string(text).empty()) order.OrderPrice = text;  // an empty entry price takes the quote
    EXPECT_EQ(validate(order), "Price should be greater than zero");
  }
}

TEST_F(OrderValidatorTest, UnknownInstrumentIsRefusedAsEmptySymbolAndUnknownAccountAtTheGroup) {
  OrderInfo info = marketBuy();
  info.itemCode = "XAUUSD";
  EXPECT_EQ(validate(build(info)), "Symbol cannot be empty");
  info = marketBuy();
  info.accountNo = 2002;
  EXPECT_EQ(validate(build(info)), "Account : 2002\nYour account doesn't have sufficient access to trade");
}

TEST_F(OrderValidatorTest, SessionPermissionsByEntryKindAndEditFlags) {
  // Market without and with a bracket.
  t.session->AllowNewMarket = false;
  Order market = build(marketBuy());
  EXPECT_EQ(validate(market), "New market order not allowed in this session");
  market.isEditBracketOrder = true;
  EXPECT_EQ(validate(market), "New bracket order not allowed in this session");
  OrderInfo withTp = marketBuy();
  withTp.limitPrice = "0";
  Order edit = build(withTp);
  ASSERT_EQ(edit.ordertypeInfo, 1);
  edit.isEditWorkOrder = true;
  EXPECT_EQ(validate(edit), "Edit contingent order not allowed in this session");
  edit.isEditWorkOrder = false;
  EXPECT_EQ(validate(edit), "New market order not allowed in this session");
  t.session->AllowNewMarket = true;
  t.session->AllowNewTpSl = false;
  EXPECT_EQ(validate(edit), "New bracket order not allowed in this session");
  EXPECT_EQ(validate(build(marketBuy())), std::nullopt);
  // Limit orders need the contingent permission only.
  t.session->AllowNewMarket = false;
  OrderInfo limit = marketBuy();
  limit.orderType = 2;
  limit.price = "1.1900";
  EXPECT_EQ(validate(build(limit)), std::nullopt);
}

TEST_F(OrderValidatorTest, QuantityLimitsAtTheirEdgesAndClosingBelowTheMinimum) {
  t.account->AvailableMargin = 1e6;
  Order order = build(marketBuy());
  order.OrderQty = "100";
  EXPECT_EQ(validate(order), std::nullopt);
  order.OrderQty = "0.1";
  EXPECT_EQ(validate(order), std::nullopt);
  t.terms->MaxOrderQty = 0;
  EXPECT_EQ(validate(order), "Quantity is greater than maximum order quantity (0.00)");

  t.terms->MaxOrderQty = 100;
  t.terms->MinOrderQty = 5;
  t.terms->OrderQtyStep = 0;
  OrderInfo close = marketBuy();
  close.tradingMode = 1;
  close.isCloseNew = true;
  close.previousQuantity = "3";
  close.quantity = "3";
  EXPECT_EQ(validate(build(close)), std::nullopt);
  close.quantity = "2";
  EXPECT_EQ(validate(build(close)), "Quantity should not be less than (3)");
}

TEST_F(OrderValidatorTest, QuantityStepAcceptsWholeMultiplesOnly) {
  t.terms->OrderQtyStep = 0.5;
  t.terms->MinOrderQty = 0;
  Order order = build(marketBuy());
  order.OrderQty = "1.5";
  EXPECT_EQ(validate(order), std::nullopt);
  order.OrderQty = "1.3";
  EXPECT_EQ(validate(order), "Quantity should be in multiples of (0.50)");
  t.terms->OrderQtyStep = 0.1;
  order.OrderQty = "0.3";  // 0.3 / 0.1 is not exact in binary
  EXPECT_EQ(validate(order), std::nullopt);
  t.terms->OrderQtyStep = 0;
  order.OrderQty = "1.37";
  EXPECT_EQ(validate(order), std::nullopt);
}

struct BoundCase {
  int orderType;
  int side;
  const char* price;
  const char* failure;  // nullptr: passes
};

TEST_F(OrderValidatorTest, EntryPriceBoundsAtJustInsideAndJustOutside) {
  // Ask 1.2000, Bid 1.1998, 10 pips of 0.0001.
  const std::vector<BoundCase> cases = {
      {3, 0, "1.2010", nullptr},
      {3, 0, "1.2011", nullptr},
      {3, 0, "1.2009", "Stop price should be greater than or equal to 1.2010"},
      {3, 1, "1.1988", nullptr},
      {3, 1, "1.1987", nullptr},
      {3, 1, "1.1989", "Stop price should be less than or equal to 1.1988"},
      {2, 0, "1.1990", nullptr},
      {2, 0, "1.1989", nullptr},
      {2, 0, "1.1991", "Limit price should be less than or equal to 1.1990"},
      {2, 1, "1.2008", nullptr},
      {2, 1, "1.2009", nullptr},
      {2, 1, "1.2007", "Limit price should be greater than or equal to 1.2008"},
  };
  for (const BoundCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.orderType << "/" << c.side << " at " << c.price);
    OrderInfo info = marketBuy();
    info.orderType = c.orderType;
    info.tradingMode = c.side;
    info.price = c.price;
    EXPECT_EQ(validate(build(info)), c.failure ? CheckFailure(c.failure) : CheckFailure());
  }
}

TEST_F(OrderValidatorTest, PriceEqualToTheBoundShownIsAccepted) {
  // The bound 1.20104 is shown as 1.2010; 1.2010 keeps what the user is told.
  t.item->Ask = 1.20004;
  OrderInfo info = marketBuy();
  info.orderType = 3;
  info.price = "1.2010";
  EXPECT_EQ(validate(build(info)), std::nullopt);
  info.price = "1.2009";
  EXPECT_EQ(validate(build(info)), "Stop price should be greater than or equal to 1.2010");
}

TEST_F(OrderValidatorTest, EntryBoundsUseLastWhileTheQuoteIsZero) {
  t.item->Bid = 0;
  t.item->Last = 1.1;
  t.terms->LimitMinPips = 5;
  OrderInfo info = marketBuy();
  info.orderType = 2;
  info.tradingMode = 1;
  info.price = "1.1004";
  EXPECT_EQ(validate(build(info)), "Limit price should be greater than or equal to 1.1005");
}

TEST_F(OrderValidatorTest, TakeProfitAndStopLossBoundsOnTheProtectingSide) {
  // Market buy at the Ask 1.2000, closing at the Bid 1.1998: take-profit >= 1.2010, 10 pips above
  // the price it fills at; stop-loss <= 1.1988, 10 pips below the price it closes at.
  const std::vector<std::pair<std::string, CheckFailure>> takeProfits = {
      {"1.2010", std::nullopt},
      {"1.2011", std::nullopt},
      {"1.2009", "Take Profit price should be greater than or equal to 1.2010"},
  };
  for (const auto& [price, failure] : takeProfits) {
    OrderInfo info = marketBuy();
    info.limitPrice = price;
    info.TakeProfitEnabled = true;
    EXPECT_EQ(validate(build(info)), failure) << price;
  }
  const std::vector<std::pair<std::string, CheckFailure>> stopLosses = {
      {"1.1988", std::nullopt},
      {"1.1987", std::nullopt},
      {"1.1989", "Stop Loss price should be less than or equal to 1.1988"},
  };
  for (const auto& [price, failure] : stopLosses) {
    OrderInfo info = marketBuy();
    info.stopPrice = price;
    info.StopLossEnabled = true;
    EXPECT_EQ(validate(build(info)), failure) << price;
  }
  // A market sell at the Bid 1.1998, closing at the Ask 1.2000, is protected by buys: take-profit
  // <= 1.1988, stop-loss >= 1.2010.
  OrderInfo sell = marketBuy();
  sell.tradingMode = 1;
  sell.TakeProfitEnabled = sell.StopLossEnabled = true;
  sell.limitPrice = "1.1989";
  sell.stopPrice = "1.2010";
  EXPECT_EQ(validate(build(sell)), "Take Profit price should be less than or equal to 1.1988");
  sell.limitPrice = "1.1988";
  sell.stopPrice = "1.2009";
  EXPECT_EQ(validate(build(sell)), "Stop Loss price should be greater than or equal to 1.2010");
  sell.stopPrice = "1.2010";
  EXPECT_EQ(validate(build(sell)), std::nullopt);
}

// With a spread (20 ticks) wider than the stop distance (10), a stop-loss measured from the order's
// price alone lies where the new position is stopped out as soon as it opens: a market order's and
// a limit or stop order's stop-loss keep their distance from the quote the position closes at (for
// a limit or stop order, on the day it fills: its price less the spread for a long, plus it for a
// short), and the refusal names that bound.
TEST_F(OrderValidatorTest, AStopLossKeepsItsDistanceFromThePriceItsPositionClosesAt) {
  t.item->Bid = 1.198;
  struct Case {
    int orderType;
    int side;
    const char* price;
    const char* stopLoss;
    CheckFailure failure;
  };
  for (const Case& c : {Case{1, 0, "", "1.1979", "Stop Loss price should be less than or equal to 1.1970"},
                        Case{1, 0, "", "1.1970", std::nullopt},
                        Case{1, 1, "", "1.2009", "Stop Loss price should be greater than or equal to 1.2010"},
                        Case{1, 1, "", "1.2010", std::nullopt},
                        Case{2, 0, "1.1990", "1.1980", "Stop Loss price should be less than or equal to 1.1960"},
                        Case{2, 0, "1.1990", "1.1960", std::nullopt},
                        Case{3, 1, "1.1960", "1.1989", "Stop Loss price should be greater than or equal to 1.1990"},
                        Case{3, 1, "1.1960", "1.1990", std::nullopt}}) {
    OrderInfo info = marketBuy();
    info.orderType = c.orderType;
    info.tradingMode = c.side;
    info.price = c.price;
    info.stopPrice = c.stopLoss;
    info.StopLossEnabled = true;
    EXPECT_EQ(validate(build(info)), c.failure) << c.orderType << "/" << c.side << " " << c.stopLoss;
  }
}

// With a quote near zero the bounds of a long's stop-loss and a short's take-profit lie below zero:
// a price at or below zero is refused as such, one above it by the bound, which none passes.
TEST_F(OrderValidatorTest, ATakeProfitOrStopLossAtOrBelowZeroIsRefused) {
  t.item->Bid = 0.0003;
  t.item->Ask = 0.0005;
  OrderInfo buy = marketBuy();
  buy.StopLossEnabled = true;
  for (const char* price : {"-0.0009", "0", "0.0000"}) {
    buy.stopPrice = price;
    EXPECT_EQ(validate(build(buy)), "Stop Loss price should be greater than zero") << price;
  }
  buy.stopPrice = "0.0001";
  EXPECT_EQ(validate(build(buy)), "Stop Loss price should be less than or equal to -0.0007");
  OrderInfo sell = marketBuy();
  sell.tradingMode = 1;
  sell.TakeProfitEnabled = true;
  sell.limitPrice = "-0.0009";
  EXPECT_EQ(validate(build(sell)), "Take Profit price should be greater than zero");
}

TEST_F(OrderValidatorTest, BracketEditKeepsItsOwnSideAndUncheckedBoxesAreNotChecked) {
  // Closing a buy position: the edit's side is sell, priced at the Bid 1.1998.
  OrderInfo edit = marketBuy();
  edit.tradingMode = 1;
  edit.isEBO = true;
  edit.limitPrice = "1.2007";
  edit.stopPrice = "5";
  edit.TakeProfitEnabled = true;
  EXPECT_EQ(validate(build(edit)), "Take Profit price should be greater than or equal to 1.2008");
  edit.limitPrice = "1.2008";
  EXPECT_EQ(validate(build(edit)), std::nullopt);
  edit.StopLossEnabled = true;
  EXPECT_EQ(validate(build(edit)), "Stop Loss price should be less than or equal to 1.1988");
}

// A ticked box whose field the trader emptied has no price: the refusal says so.
TEST_F(OrderValidatorTest, TickedBoxWithAMalformedPriceIsOffTheTickAndWithAnEmptyOneHasNone) {
  OrderInfo info = marketBuy();
  info.TakeProfitEnabled = true;
  info.limitPrice = "1.2.3";
  EXPECT_EQ(validate(build(info)), "Take Profit price should be in correct tick");
  info.limitPrice = "";
  EXPECT_EQ(validate(build(info)), "Take Profit price cannot be empty");
  info.TakeProfitEnabled = false;
  info.StopLossEnabled = true;
  info.stopPrice = "";
  EXPECT_EQ(validate(build(info)), "Stop Loss price cannot be empty");
}

TEST_F(OrderValidatorTest, TickSizeZeroLeavesPricesOffGridButStillBounded) {
  t.item->TickSize = 0;
  t.terms->LimitMinPips = 10;
  OrderInfo info = marketBuy();
  info.orderType = 2;
  info.price = "1.19999";
  EXPECT_EQ(validate(build(info)), std::nullopt);
  info.price = "1.20001";
  EXPECT_EQ(validate(build(info)), "Limit price should be less than or equal to 1.2000");
}

TEST_F(OrderValidatorTest, OtherOrderTypesSkipTheSessionAndMarginChecks) {
  Order order = build(marketBuy());
  order.orderType = 4;
  t.item->CurrentTradeSessionSettingId = 9;
  EXPECT_EQ(validate(order), std::nullopt);
}

TEST_F(OrderValidatorTest, CancelScopeChecksConnectionAccessAndSessionOnly) {
  t.item->Ask = t.item->Bid = 0;
  t.terms->MinOrderQty = 5;
  t.account->AvailableMargin = t.account->Equity = 0;
  Order cancel = build(marketBuy());
  cancel.OrderQty = "0.3";
  EXPECT_EQ(validate(cancel), "Price should be greater than zero");
  EXPECT_EQ(validate(cancel, true, OrderValidator::Scope::Cancel), std::nullopt);
  EXPECT_EQ(validate(cancel, false, OrderValidator::Scope::Cancel), "Not Connected");
  t.account->tradingStatus = 3;
  EXPECT_EQ(validate(cancel, true, OrderValidator::Scope::Cancel), "Account : 1001\nYour account has been suspended");
}

TEST_F(OrderValidatorTest, OffsetChecksRunInOrder) {
  const OrderValidator v(t.context());
  EXPECT_EQ(v.validateOffsetPosition("EURUSD", "1001"), std::nullopt);
  const char* const offsetAccess = "Account : 1001\nYour account doesn't have sufficient access to Offset positions";
  t.group->GroupInstrumentCollection.clear();
  EXPECT_EQ(v.validateOffsetPosition("EURUSD", "1001"),
            "Account : 1001\nYour account doesn't have access to selected symbol");
  t.group->TradingEnabled = false;
  EXPECT_EQ(v.validateOffsetPosition("EURUSD", "1001"), offsetAccess);
  t.account->accountaccessType = 2;
  EXPECT_EQ(v.validateOffsetPosition("EURUSD", "1001"), offsetAccess);
  t.account->tradingStatus = 5;
  EXPECT_EQ(v.validateOffsetPosition("EURUSD", "1001"), "Account : 1001\nYour account equity stop has been reached");
  t.account->tradingStatus = 3;
  EXPECT_EQ(v.validateOffsetPosition("EURUSD", "1001"), "Account : 1001\nYour account has been suspended");
  for (const int status : {2, 4, 6}) {
    t.account->tradingStatus = status;
    EXPECT_EQ(v.validateOffsetPosition("EURUSD", "1001"), offsetAccess) << status;
  }
  t.session->SettingsId = 2;
  EXPECT_EQ(v.validateOffsetPosition("EURUSD", "1001"), "Offset position not allowed in this session");
  t.item->CurrentTradeSessionSettingId = 9;
  EXPECT_EQ(v.validateOffsetPosition("EURUSD", "1001"), "Symbol cannot be traded in this session");
}

}  // namespace
}  // namespace td::testing
