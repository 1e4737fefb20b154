#include "orders/MarginCalculator.h"

#include <gtest/gtest.h>

#include "OrderTestSupport.h"
#include "orders/OrderGenerator.h"

namespace td::testing {
namespace {

TEST(MarginCalculatorTest, MarginPerLotByDeliveryModeAndCalculationMode) {
  GroupInstruments terms;
  terms.InitialMargin = 1000;
  terms.IntradayOrderMargin = 400;
  terms.BTSTOrderMargin = 700;
  terms.margincalculationMode = 1;
  Order order;
  order.OrderPrice = "1.25";
  for (const auto& [mode, expected] : std::vector<std::pair<int, double>>{{1, 1000}, {2, 400}, {3, 700}, {0, 1000}}) {
    order.deliveryMode = mode;
    EXPECT_EQ(MarginCalculator::GetMarginForSingleLot(&terms, order, nullptr), expected) << mode;
  }
  // Percentage of the order's value: 1.25 x 100000 x 1 / 100.
  ItemDetails item;
  item.ContractSize = 100000;
  terms.InitialMargin = 1;
  terms.margincalculationMode = 2;
  order.deliveryMode = 1;
  EXPECT_DOUBLE_EQ(MarginCalculator::GetMarginForSingleLot(&terms, order, &item), 1250);
  EXPECT_EQ(MarginCalculator::GetMarginForSingleLot(nullptr, order, &item), 0);
}

TEST(MarginCalculatorTest, HedgeChargesTheMatchedLotsAtTheHedgePercentage) {
  EXPECT_EQ(MarginCalculator::Hedge(3, 1, true, 1000, 50, false), 2000);
  EXPECT_EQ(MarginCalculator::Hedge(3, 1, false, 1000, 50, false), 2500);
  EXPECT_EQ(MarginCalculator::Hedge(1, 3, false, 1000, 50, false), 2500);
  EXPECT_EQ(MarginCalculator::Hedge(2, 2, false, 1000, 0, false), 0);
  // Ignoring the net-only flag margins the hedge.
  EXPECT_EQ(MarginCalculator::Hedge(3, 1, true, 1000, 50, true), 2500);
}

TEST(MarginCalculatorTest, TotalLotsCountOnlyTheAccountItemAndDeliveryModeAndAddToTheTotals) {
  const std::vector<std::shared_ptr<Order>> positions = {
      position(0, "2"), position(1, "0.5"), position(0, "1.5"), position(0, "9", "GBPUSD"),
      position(0, "9", "EURUSD", "1002"), position(1, "9", "EURUSD", "1001", 2), nullptr,
  };
  double buy = 1;
  double sell = 0;
  MarginCalculator::GetTotalLots(positions, "EURUSD", "1001", 1, buy, sell);
  EXPECT_EQ(buy, 4.5);
  EXPECT_EQ(sell, 0.5);
}

class CheckMarginTest : public ::testing::Test {
 protected:
  CheckMarginTest() {
    t.account->AvailableMargin = 500;
    t.account->UsedMargin = 3000;
    t.account->Equity = 4000;
    t.terms->LiquidationMargin = 50;
  }
  bool check(int side, const std::string& lots) {
    OrderInfo info = marketBuy();
    info.tradingMode = side;
    info.quantity = lots;
    return OrderValidator(t.context()).CheckMargin(OrderGenerator::buildOrder(info, t.data, {}, true));
  }
  TradingData t;
};

TEST_F(CheckMarginTest, OrderWithinFreeMarginPassesWhateverTheExposure) {
  t.account->AvailableMargin = 1000;
  t.account->Equity = 0;
  t.openPositions = {position(0, "50")};
  EXPECT_TRUE(check(0, "1"));
  EXPECT_FALSE(check(0, "1.1"));
}

TEST_F(CheckMarginTest, OrderThatReducesOrBalancesExposurePassesWithoutFreeMargin) {
  t.account->AvailableMargin = 0;
  t.account->Equity = 0;
  t.openPositions = {position(0, "5")};
  EXPECT_TRUE(check(1, "2"));
  EXPECT_TRUE(check(1, "5"));
  EXPECT_FALSE(check(1, "6"));
}

TEST_F(CheckMarginTest, GrowingExposurePassesWhileUsedMarginAfterStaysBelowEquity) {
  // Hedging account with 2 buy and 1 sell lot: before = 1 x 1000 x 0.5 + 1 x 1000 = 1500.
  t.openPositions = {position(0, "2"), position(1, "1")};
  // One more buy: after = 500 + 2000 = 2500; used 3000 - 1500 + 2500 = 4000, not below 4000.
  EXPECT_FALSE(check(0, "1"));
  t.account->Equity = 4000.01;
  EXPECT_TRUE(check(0, "1"));
  // Net-only: before 1000, after 2000; used 3000 - 1000 + 2000 = 4000.
  t.account->HedgeModeId = 2;
  t.account->Equity = 4000;
  EXPECT_FALSE(check(0, "1"));
  t.account->Equity = 4001;
  EXPECT_TRUE(check(0, "1"));
}

TEST_F(CheckMarginTest, HedgeMarginEntryOfTheChosenAccount) {
  t.openPositions = {position(0, "3"), position(1, "1"), position(1, "4", "EURUSD", "1001", 2)};
  const auto entry = MarginCalculator::hedgeMarginEntry(t.data, t.account.get(), t.openPositions, *position(0, "3"));
  EXPECT_EQ(entry.first, "EURUSD#1");
  EXPECT_EQ(entry.second, "2500.00");
  const auto intraday =
      MarginCalculator::hedgeMarginEntry(t.data, t.account.get(), t.openPositions, *position(1, "4", "EURUSD", "1001", 2));
  EXPECT_EQ(intraday.first, "EURUSD#2");
  EXPECT_EQ(intraday.second, "0.00");  // no intraday margin in the terms
  const auto noAccount = MarginCalculator::hedgeMarginEntry(t.data, nullptr, t.openPositions, *position(0, "3"));
  EXPECT_EQ(noAccount.second, "0.00");
}

}  // namespace
}  // namespace td::testing
