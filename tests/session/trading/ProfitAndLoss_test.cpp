#include "session/trading/ProfitAndLoss.h"

#include <gtest/gtest.h>

#include "TradingTestSupport.h"
#include "session/trading/ReadSide.h"

namespace td {
namespace {

ItemDetails item(std::int32_t mode, double contractSize = 100) {
  ItemDetails i;
  i.PLCalcModeId = mode;
  i.ContractSize = contractSize;
  return i;
}

TEST(FloatingPLTest, ModeOneBuyAndSell) {
  const ItemDetails i = item(1);
  EXPECT_DOUBLE_EQ(ProfitAndLoss::CalculateFloatingPL(&i, 0, 2, 1.5, 1.75), 50);
  EXPECT_DOUBLE_EQ(ProfitAndLoss::CalculateFloatingPL(&i, 1, 2, 1.5, 1.75), -50);
  EXPECT_DOUBLE_EQ(ProfitAndLoss::CalculateFloatingPL(&i, 0, 1, 1.5, 0), -150) << "mode 1 computes at price 0";
}

TEST(FloatingPLTest, ModeTwoNeedsPositivePrices) {
  const ItemDetails i = item(2);
  EXPECT_DOUBLE_EQ(ProfitAndLoss::CalculateFloatingPL(&i, 0, 1, 0, 2), 0);
  EXPECT_DOUBLE_EQ(ProfitAndLoss::CalculateFloatingPL(&i, 1, 1, 2, 0), 0);
  // (1/2 - 1/4) x 1 x 100 = 25; a buy gets -25
  EXPECT_DOUBLE_EQ(ProfitAndLoss::CalculateFloatingPL(&i, 0, 1, 2, 4), -25);
}

TEST(FloatingPLTest, ModeThreeRoundsHalvesAwayFromZero) {
  ItemDetails i = item(3);
  i.DecimalPlaces = 2;
  i.Point = 0.5;
  // 0.25 x 100 x 0.5 x 1 = 12.5 -> 13
  EXPECT_DOUBLE_EQ(ProfitAndLoss::CalculateFloatingPL(&i, 1, 1, 1.5, 1.25), 13);
  EXPECT_DOUBLE_EQ(ProfitAndLoss::CalculateFloatingPL(&i, 0, 1, 1.5, 1.25), -13);
  EXPECT_DOUBLE_EQ(ProfitAndLoss::CalculateFloatingPL(&i, 1, 1, 1.5, 0), 0);
}

TEST(FloatingPLTest, ModeFourDividesByTheCurrentPrice) {
  const ItemDetails i = item(4, 10);
  // (2 - 1) x 10 x 3 / 1 = 30 for a sell
  EXPECT_DOUBLE_EQ(ProfitAndLoss::CalculateFloatingPL(&i, 1, 3, 2, 1), 30);
  EXPECT_DOUBLE_EQ(ProfitAndLoss::CalculateFloatingPL(&i, 1, 3, 2, 0), 0);
}

TEST(FloatingPLTest, ModesFiveAndSixUseTheConversionMid) {
  auto conversion = std::make_shared<ItemDetails>();
  conversion->Bid = 1.9;
  conversion->Ask = 2.1;
  ItemDetails five = item(5, 1);
  ItemDetails six = item(6, 1);
  five.CalculationItems = conversion;
  six.CalculationItems = conversion;
  EXPECT_DOUBLE_EQ(ProfitAndLoss::CalculateFloatingPL(&five, 1, 1, 3, 1), 4);
  EXPECT_DOUBLE_EQ(ProfitAndLoss::CalculateFloatingPL(&six, 1, 1, 3, 1), 1);
  conversion->Bid = 0;
  conversion->Ask = 0;
  EXPECT_DOUBLE_EQ(ProfitAndLoss::CalculateFloatingPL(&five, 1, 1, 3, 1), 2) << "a mid of 0 counts as 1";
  const ItemDetails alone = item(6, 1);
  EXPECT_DOUBLE_EQ(ProfitAndLoss::CalculateFloatingPL(&alone, 1, 1, 3, 1), 2) << "no conversion item: 1";
}

TEST(FloatingPLTest, ModeOutOfRangeQuantityAndMissingItem) {
  const ItemDetails zero = item(0);
  const ItemDetails negative = item(-3);
  const ItemDetails seven = item(7);
  EXPECT_DOUBLE_EQ(ProfitAndLoss::CalculateFloatingPL(&zero, 1, 1, 2, 1), 100);
  EXPECT_DOUBLE_EQ(ProfitAndLoss::CalculateFloatingPL(&negative, 1, 1, 2, 1), 100);
  EXPECT_DOUBLE_EQ(ProfitAndLoss::CalculateFloatingPL(&seven, 1, 1, 2, 1), 0);
  for (int mode = 1; mode <= 6; ++mode) {
    const ItemDetails i = item(mode);
    EXPECT_DOUBLE_EQ(ProfitAndLoss::CalculateFloatingPL(&i, 1, 0, 2, 1), 0) << mode;
    EXPECT_DOUBLE_EQ(ProfitAndLoss::CalculateFloatingPL(&i, 1, -1, 2, 1), 0) << mode;
  }
  EXPECT_DOUBLE_EQ(ProfitAndLoss::CalculateFloatingPL(nullptr, 1, 1, 2, 1), 0);
}

TEST(CommissionTest, ProRatesAndNeverDividesByZero) {
  EXPECT_DOUBLE_EQ(ProfitAndLoss::calcCommission("10", "4", 5), 2);
  EXPECT_DOUBLE_EQ(ProfitAndLoss::calcCommission("0", "4", 5), 5);
  EXPECT_DOUBLE_EQ(ProfitAndLoss::calcCommission("-2", "4", 5), 5);
  EXPECT_DOUBLE_EQ(ProfitAndLoss::calcCommission("", "4", 5), 5);
  EXPECT_DOUBLE_EQ(ProfitAndLoss::calcCommission("10", "", 5), 0);
}

class AccountFiguresTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reference_ = testing::makeReference();
    auto eur = reference_->item("EURUSD");
    eur->Bid = 1.2;
    eur->Ask = 1.25;
  }
  OrderPtr position(std::string account, std::string code, std::int32_t side, std::string qty, std::string price) {
    auto o = testing::order(std::move(account), std::move(code), "P" + std::to_string(open_.size()));
    o->tradingMode = side;
    o->RemainingQty = std::move(qty);
    o->OrderPrice = std::move(price);
    open_.push_back(o);
    return o;
  }
  std::unique_ptr<ReferenceData> reference_;
  OrderList open_;
};

TEST_F(AccountFiguresTest, CalcPLUsesBidForBuysAndAskForSells) {
  auto buy = position("100", "EURUSD", 0, "2", "1.1");
  auto sell = position("100", "EURUSD", 1, "1", "1.3");
  ProfitAndLoss::CalcPL(*buy, *reference_);
  ProfitAndLoss::CalcPL(*sell, *reference_);
  EXPECT_NEAR(buy->UnrealisedPL, 20, 1e-9);   // (1.2 - 1.1) x 2 x 100
  EXPECT_NEAR(sell->UnrealisedPL, 5, 1e-9);   // (1.3 - 1.25) x 1 x 100
  auto unknown = position("100", "NOPE", 0, "1", "1");
  unknown->UnrealisedPL = 7;
  ProfitAndLoss::CalcPL(*unknown, *reference_);
  EXPECT_EQ(unknown->UnrealisedPL, 0);
  reference_->account("100")->tradingStatus = 5;
  buy->UnrealisedPL = -42;
  ProfitAndLoss::CalcPL(*buy, *reference_);
  EXPECT_EQ(buy->UnrealisedPL, -42) << "equity hit keeps the server's figure";
}

TEST_F(AccountFiguresTest, LossEntersEquityThroughTheGroupPercentage) {
  auto account = reference_->account("100");
  account->Balance = 1000;
  account->UsedMargin = 300;
  reference_->group("7")->RevLeverageOnFLoss = 50;
  position("100", "EURUSD", 0, "1", "1")->UnrealisedPL = -150;
  position("100", "EURUSD", 0, "1", "1")->UnrealisedPL = -50;
  position("200", "EURUSD", 0, "1", "1")->UnrealisedPL = 999;
  // On a copy: the same figures, the shared record untouched.
  const AccountDetails copy = ProfitAndLoss::accountFigures(*account, *reference_, open_);
  EXPECT_DOUBLE_EQ(copy.Leverage, -100);
  EXPECT_DOUBLE_EQ(copy.AvailableMargin, 600);
  EXPECT_DOUBLE_EQ(account->UnrealisedPL, 0);
  EXPECT_DOUBLE_EQ(account->AvailableMargin, 0);
  ProfitAndLoss::calcAccountDetails(100, *reference_, open_);
  EXPECT_DOUBLE_EQ(account->UnrealisedPL, -200);
  EXPECT_DOUBLE_EQ(account->Leverage, -100);
  EXPECT_DOUBLE_EQ(account->Equity, 900);
  EXPECT_DOUBLE_EQ(account->AvailableMargin, 600);
}

TEST_F(AccountFiguresTest, EquityHitKeepsServerEquityAndUnknownGroupCountsNothing) {
  auto account = reference_->account("300");
  account->tradingStatus = 5;
  account->Equity = 777;
  account->UsedMargin = 77;
  ProfitAndLoss::calcAccountDetails(300, *reference_, open_);
  EXPECT_DOUBLE_EQ(account->Equity, 777);
  EXPECT_DOUBLE_EQ(account->AvailableMargin, 700);
  auto other = reference_->account("200");
  other->GroupId = "missing";
  other->Balance = 10;
  position("200", "EURUSD", 0, "1", "1")->UnrealisedPL = 5;
  ProfitAndLoss::calcAccountDetails(200, *reference_, open_);
  EXPECT_DOUBLE_EQ(other->Leverage, 0);
  EXPECT_DOUBLE_EQ(other->Equity, 10);
  ProfitAndLoss::calcAccountDetails(12345, *reference_, open_);  // unknown: nothing to change
}

TEST_F(AccountFiguresTest, HiddenPositionsDoNotCount) {
  auto account = reference_->account("100");
  position("100", "EURUSD", 0, "1", "1")->UnrealisedPL = 10;
  account->accountaccessType = 4;
  ProfitAndLoss::calcAccountDetails(100, *reference_, open_);
  EXPECT_DOUBLE_EQ(account->UnrealisedPL, 0);
}

TEST_F(AccountFiguresTest, OneRefreshEqualsCalcPLAndCalcAccountDetailsOneByOne) {
  reference_->item("GOLD")->Bid = 1900;
  reference_->item("GOLD")->Ask = 1901;
  reference_->group("8")->LeverageOnFProfit = 30;
  reference_->account("300")->Balance = 5000;
  position("100", "EURUSD", 0, "2", "1.1");
  position("100", "GOLD", 1, "1", "1950");
  position("300", "GOLD", 0, "0.5", "1800");
  position("200", "EURUSD", 1, "1", "1.3");
  position("100", "EURUSD", 1, "3", "1.0");
  reference_->account("200")->tradingStatus = 6;

  ProfitAndLoss::refreshFloatingFigures(*reference_, open_);
  std::vector<double> pl;
  std::vector<double> equity;
  for (const auto& o : open_) pl.push_back(o->UnrealisedPL);
  for (const auto& [key, a] : reference_->AccountDetailCollection()) equity.push_back(a->Equity);

  for (const auto& o : open_) o->UnrealisedPL = 0;
  for (const auto& [key, a] : reference_->AccountDetailCollection()) a->Equity = 0;
  const OrderList visible = ReadSide::visibleOrders(open_, *reference_);
  for (const auto& o : visible) ProfitAndLoss::CalcPL(*o, *reference_);
  for (const auto& [key, a] : reference_->AccountDetailCollection()) {
    ProfitAndLoss::calcAccountDetails(a->AccountId, *reference_, open_);
  }
  std::size_t i = 0;
  for (const auto& o : open_) EXPECT_DOUBLE_EQ(o->UnrealisedPL, pl[i++]);
  i = 0;
  for (const auto& [key, a] : reference_->AccountDetailCollection()) EXPECT_DOUBLE_EQ(a->Equity, equity[i++]);
  EXPECT_NEAR(reference_->account("300")->Equity, 5000 + 0.3 * 5000, 1e-6);  // (1900-1800) x 0.5 x 100 = 5000
}

}  // namespace
}  // namespace td
