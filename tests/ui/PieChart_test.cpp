// The account pie: its slices in the profit/loss and margin views over a session's positions, and
// the drawing of the slice angles.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "SessionContextFixture.h"
#include "model/AccountDetails.h"
#include "model/Order.h"
#include "ui/charts/PieChartViewController.h"

namespace td::charts {
namespace {

class RecordingPie : public PieChartView {
 public:
  void setTitle(const std::string& t) override { title = t; }
  void constructGraph() override { ++constructed; }
  void reloadData() override { ++reloads; }
  std::string title;
  int constructed = 0, reloads = 0;
};

class PieChartTest : public test::SessionContextTest {
 protected:
  PieChartTest() {
    makeSession();
    loadLoginData(true);
    queue.runPending();  // the session's own announcements of the login data
    session->setCurrentAccountSelected(100);
    session->referenceData().item("EURUSD")->Bid = 1.1010;
    PieChartViewController::Services services;
    services.session = [this] { return session; };
    services.notifications = &center();
    services.mainQueue = &queue;
    pie = std::make_unique<PieChartViewController>(services);
    pie->setView(&view);
  }
  // A buy of one lot at `price` (EURUSD at bid 1.1010 and 100,000 a lot: 100 per 0.0010).
  void position(const std::string& account, const std::string& code, const std::string& price) {
    auto order = std::make_shared<Order>();
    order->AccountNumber = account;
    order->ItemCode = code;
    order->OrderPrice = price;
    order->RemainingQty = "1";
    order->OpenPositionId = std::to_string(++positions);
    session->OpenOrderCollection.push_back(order);
  }

  RecordingPie view;
  std::unique_ptr<PieChartViewController> pie;
  int positions = 0;
};

TEST_F(PieChartTest, ProfitAndLossAddUpPerSymbolOfTheChosenAccountOnly) {
  position("100", "EURUSD", "1.1000");  // +100
  position("100", "EURUSD", "1.1035");  // -250
  position("101", "EURUSD", "1.0000");  // another account's
  position("101", "GBPUSD", "1.0000");  // a symbol only another account holds
  pie->generateData();
  ASSERT_EQ(pie->numberOfSlices(), 1u);
  EXPECT_NEAR(pie->sliceWidth(0), 150, 1e-6);
  EXPECT_EQ(pie->legendTitle(0), "EURUSD: -150.00");
}

TEST_F(PieChartTest, TheMarginViewSharesTheEquityWithTheAvailableMargin) {
  position("100", "EURUSD", "1.1000");
  auto account = session->referenceData().account("100");
  account->Equity = 10000;
  account->AvailableMargin = 5000;
  session->HedgeMarginCollection["EURUSD#1"] = 2000;
  session->HedgeMarginCollection["EURUSD#2"] = 500;
  session->HedgeMarginCollection["EURUSDX#1"] = 9999;
  pie->pieSegementButtonClicked(1);
  EXPECT_EQ(view.title, "Margin");
  pie->generateData();
  ASSERT_EQ(pie->numberOfSlices(), 2u);
  EXPECT_DOUBLE_EQ(pie->sliceWidth(0), 25);
  EXPECT_EQ(pie->plotDataTitle()[1], "Avl.Mgn");
  EXPECT_DOUBLE_EQ(pie->sliceWidth(1), 50);
  // An account in "Equity Hit" has slices of 0 for its symbols.
  account->tradingStatus = 5;
  pie->generateData();
  EXPECT_EQ(pie->legendTitle(0), "EURUSD: 0.00");
}

TEST_F(PieChartTest, NoEquityMeansNoMarginSlicesAndANegativeAvailableMarginIsDrawnAsZero) {
  position("100", "EURUSD", "1.1000");
  auto account = session->referenceData().account("100");
  pie->pieSegementButtonClicked(1);
  account->Equity = 0;
  pie->generateData();
  EXPECT_EQ(pie->numberOfSlices(), 0u);
  account->Equity = -10;
  pie->generateData();
  EXPECT_EQ(pie->numberOfSlices(), 0u);
  account->Equity = 1000;
  account->AvailableMargin = -200;
  pie->generateData();
  ASSERT_EQ(pie->numberOfSlices(), 2u);
  EXPECT_EQ(pie->sliceWidth(1), 0);
  EXPECT_EQ(pie->legendTitle(1), "Avl.Mgn: -20.00");
  session->setCurrentAccountSelected(555);  // no such account
  pie->generateData();
  EXPECT_EQ(pie->numberOfSlices(), 0u);
}

TEST_F(PieChartTest, TheGraphIsBuiltOnceAtTheFirstAnnouncementAndTheTimerRedrawsIt) {
  pie->awakeFromNib();
  pie->awakeFromNib();
  position("100", "EURUSD", "1.1000");
  queue.advance(std::chrono::seconds(1));
  EXPECT_EQ(pie->numberOfSlices(), 1u);
  EXPECT_EQ(view.reloads, 0);  // no graph yet
  center().post("PieChartUpdateNotification");
  center().post("PieChartUpdateNotification");
  queue.runPending();
  EXPECT_EQ(view.constructed, 1);
  queue.advance(std::chrono::seconds(2));
  EXPECT_EQ(view.reloads, 2);
  pie->pieSegementButtonClicked(2);
  EXPECT_TRUE(pie->isProfitLossPieChart());
  EXPECT_EQ(PieChartViewController::sliceColour(5), PieChartViewController::sliceColour(0));
}

TEST(PieAngles, SlicesShareTheTurnAndWhatIsNoSizeTakesNoAngle) {
  const auto angles = sliceAngles({1, -4, std::nan(""), 3}, std::numbers::pi / 4, true);
  ASSERT_EQ(angles.size(), 4u);
  EXPECT_NEAR(angles[0].second, std::numbers::pi / 2, 1e-12);
  EXPECT_EQ(angles[1].second, 0);
  EXPECT_EQ(angles[2].second, 0);
  EXPECT_NEAR(angles[3].first, 3 * std::numbers::pi / 4, 1e-12);
  EXPECT_NEAR(angles[3].second, 3 * std::numbers::pi / 2, 1e-12);
  EXPECT_EQ(sliceAngles({0, 0}, 0, false)[1].second, 0);
}

}  // namespace
}  // namespace td::charts
