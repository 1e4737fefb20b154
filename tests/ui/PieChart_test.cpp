// The account pie: its slices in the profit/loss and margin views over a session's positions, the
// slice angles, and the slices' data labels.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include <QTest>

#include "QtTestApp.h"
#include "SessionContextFixture.h"
#include "model/AccountDetails.h"
#include "model/Order.h"
#include "platform/Log.h"
#include "ui/charts/PieChartViewController.h"
#include "ui/charts/PieView.h"

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

TEST_F(PieChartTest, ASlicesDataLabelIsItsSizeAndSelectingItIsLogged) {
  position("100", "EURUSD", "1.1000");  // +100
  position("100", "EURUSD", "1.1035");  // -250
  pie->generateData();
  EXPECT_EQ(pie->dataLabel(0), "150.00");
  std::vector<std::string> lines;
  log::setSink([&](log::Level, std::string_view line) { lines.emplace_back(line); });
  pie->dataLabelWasSelected(0);
  log::setSink({});
  EXPECT_EQ(lines, std::vector<std::string>{"Data label for 'Pie PLot' was selected at index 0."});
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

class TwoSlices : public PieDataSource {
 public:
  std::size_t numberOfSlices() override { return 2; }
  double sliceWidth(std::size_t index) override { return index ? 3 : 1; }
  Rgb sliceFill(std::size_t) override { return colours::white; }
  std::string legendTitle(std::size_t index) override { return "S" + std::to_string(index); }
  std::string dataLabel(std::size_t index) override { return index ? "3.00" : "1.00"; }
};

TEST(PieCanvasLabels, DataLabelsStandSixtyInsideTheRimAndAClickOnOneSelectsTheLabel) {
  test::qtTestApp();
  TwoSlices source;
  PieCanvas canvas(source, PieStyle{});
  canvas.resize(500, 300);
  const auto layout = canvas.layoutFor(canvas.size(), 2);
  ASSERT_EQ(layout.radius, 91);
  // From pi/4 counter-clockwise: the quarter's middle points up, the three quarters' down.
  const auto labels = canvas.dataLabelRects(layout);
  ASSERT_EQ(labels.size(), 2u);
  EXPECT_NEAR(labels[0].center().x(), layout.centre.x(), 1e-9);
  EXPECT_NEAR(labels[0].center().y(), layout.centre.y() - 31, 1e-9);
  EXPECT_NEAR(labels[1].center().y(), layout.centre.y() + 31, 1e-9);

  std::vector<std::string> clicks;
  canvas.sliceClicked = [&](std::size_t i) { clicks.push_back("slice " + std::to_string(i)); };
  canvas.dataLabelClicked = [&](std::size_t i) { clicks.push_back("label " + std::to_string(i)); };
  QTest::mouseClick(&canvas, Qt::LeftButton, {}, labels[1].center().toPoint());
  QTest::mouseClick(&canvas, Qt::LeftButton, {}, (layout.centre + QPointF(0, -75)).toPoint());
  EXPECT_EQ(clicks, (std::vector<std::string>{"label 1", "slice 0"}));

  // A pie drawn smaller keeps its labels inside, at the same share of the radius.
  canvas.resize(130, 400);
  const auto small = canvas.layoutFor(canvas.size(), 2);
  ASSERT_LT(small.radius, 91);
  EXPECT_NEAR(canvas.dataLabelRects(small)[0].center().y(), small.centre.y() - small.radius * 31 / 91, 1e-9);
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
