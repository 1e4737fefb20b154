// The main window's small charts: keying and waking, the toolbar's buttons and menus, and the
// routing of the main window's symbols and drops to the four charts.

#include <gtest/gtest.h>

#include "ChartTestSupport.h"
#include "ui/charts/ChartViewController.h"
#include "ui/charts/PlotIdentifiers.h"

namespace td::charts {
namespace {

using test::FakeChartSession;
using test::FakeGraph;
using test::historyReply;

class RecordingToolbar : public ChartToolbarView {
 public:
  void HideLabelandHeader(bool h, const std::string& t) override {
    hidden = h;
    title = t;
  }
  void setChartTypeImage(const std::string& name) override {
    image = name;
    ++images;
  }
  void setIntervalTitle(const std::optional<std::string>& t) override {
    if (t) intervalTitle = *t;
    ++recolours;
  }
  bool hidden = true;
  std::string title, image, intervalTitle = "(nib)";
  int images = 0, recolours = 0;
};

class MainWindowChartsTest : public ::testing::Test {
 protected:
  MainWindowChartsTest()
      : charts(session, [this](int chart, ChartViewController& controller) {
          made.push_back(chart);
          controller.setView(&toolbars[chart - 1]);
          controller.engine().setGraph(&graphs[chart - 1]);
          controller.awakeFromNib();
        }) {
    session.addItem("EURUSD", 4, 1.2);
    session.addItem("GBPUSD", 4, 1.3);
  }

  FakeChartSession session;
  std::array<RecordingToolbar, 4> toolbars;
  std::array<FakeGraph, 4> graphs;
  std::vector<int> made;
  MainWindowCharts charts;
};

TEST_F(MainWindowChartsTest, TheFirstKeyingWakesTheViewWhichSetsTheButtonsFromTheKey) {
  for (int chart = 1; chart <= 4; ++chart) charts.onChartSymbol(chart, "EURUSD", std::to_string(chart) + "#3");
  EXPECT_EQ(made, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(toolbars[0].intervalTitle, "M1");
  EXPECT_EQ(toolbars[3].intervalTitle, "M30");
  EXPECT_EQ(toolbars[0].image, "candlestickchart");
  ASSERT_EQ(session.requests.size(), 4u);
  EXPECT_EQ(session.requests[2].key, "EURUSD^1");
  EXPECT_TRUE(toolbars[0].hidden);  // until the history is in
  session.reply("EURUSD^O", historyReply("EURUSD^O", 200));
  EXPECT_FALSE(toolbars[0].hidden);
  EXPECT_EQ(toolbars[0].title, "EURUSD, One Minute");
  EXPECT_EQ(graphs[0].plotIdentifiers(), std::vector<std::string>{CANDLE_STICK_PLOT});
  EXPECT_TRUE(graphs[1].plots.empty());
}

TEST_F(MainWindowChartsTest, AWakeWithoutKeyingChangesNothingAndKeyingsAfterTheWakeSetTheButtons) {
  ChartViewController controller(session);
  RecordingToolbar toolbar;
  controller.setView(&toolbar);
  controller.awakeFromNib();
  EXPECT_FALSE(controller.isawakeFromNib());
  EXPECT_EQ(toolbar.images + toolbar.recolours, 0);
  controller.setValue("EURUSD", "2#1");  // keyed before a wake: the buttons keep the nib's state
  EXPECT_EQ(toolbar.intervalTitle, "(nib)");
  controller.awakeFromNib();
  EXPECT_EQ(toolbar.intervalTitle, "M5");
  EXPECT_EQ(toolbar.image, "linechart");
  controller.setValue("EURUSD", "0#2");  // ticks: the title stays, the image follows
  EXPECT_EQ(toolbar.intervalTitle, "M5");
  EXPECT_EQ(toolbar.image, "ohlcchart");
  controller.setValue("EURUSD", "5#9");  // no such chart type: the image stays
  EXPECT_EQ(toolbar.image, "ohlcchart");
  EXPECT_EQ(toolbar.intervalTitle, "H1");
}

TEST_F(MainWindowChartsTest, MenusSwitchThePlotOrReloadAnotherIntervalOfTheSameItem) {
  charts.onChartSymbol(3, "EURUSD", "3#3");
  session.reply("EURUSD^1", historyReply("EURUSD^1", 120));
  ChartViewController& third = charts.chart(3);
  third.ChartTypePopUpButtonClicked(0);
  EXPECT_EQ(graphs[2].plotIdentifiers(), std::vector<std::string>{MAIN_PLOT});
  EXPECT_EQ(toolbars[2].image, "linechart");
  const int images = toolbars[2].images;
  third.ChartTypePopUpButtonClicked(0);  // the type drawn: only the image is set again
  EXPECT_EQ(toolbars[2].images, images + 1);
  third.IntervalPopUpButtonClicked(6);
  EXPECT_EQ(third.Currentinterval(), 7);
  EXPECT_EQ(toolbars[2].intervalTitle, "W1");
  EXPECT_EQ(session.requests.back().key, "EURUSD^W");
  EXPECT_EQ(session.requests.back().bars, 120);
}

TEST_F(MainWindowChartsTest, ADropReloadsOnlyItsChartWithThatChartsIntervalAndType) {
  for (int chart = 1; chart <= 4; ++chart) charts.onChartSymbol(chart, "EURUSD", std::to_string(chart) + "#3");
  charts.chart(3).IntervalPopUpButtonClicked(6);
  charts.chart(3).ChartTypePopUpButtonClicked(1);
  charts.onChartSymbol(3, "GBPUSD", "");
  EXPECT_EQ(charts.chart(3).engine().chartKey(), "GBPUSD^W");
  EXPECT_EQ(charts.chart(3).type(), 2);
  for (int chart : {1, 2, 4}) EXPECT_EQ(charts.chart(chart).engine().symbolName(), "EURUSD");
  charts.onChartSymbol(5, "GBPUSD", "");
  charts.onChartSymbol(2, "NOSUCH", "");  // no instrument: the chart keeps its symbol
  EXPECT_EQ(charts.chart(2).engine().chartKey(), "EURUSD^5");
}

TEST_F(MainWindowChartsTest, ADropOnAChartNeverKeyedTakesTheKeyItStartsWith) {
  charts.onChartSymbol(2, "NOSUCH", "");
  EXPECT_TRUE(made.empty());  // nothing to show: no view yet
  charts.onChartSymbol(2, "GBPUSD", "");
  EXPECT_EQ(charts.chart(2).engine().chartKey(), "GBPUSD^5");
  EXPECT_EQ(charts.chart(2).type(), 3);
  EXPECT_EQ(made, std::vector<int>{2});
}

TEST_F(MainWindowChartsTest, SmallChartsKeepSixYIntervalsAndFollowThePriceWhileAnalysing) {
  charts.onChartSymbol(1, "EURUSD", "1#3");
  session.reply("EURUSD^O", historyReply("EURUSD^O", 200));
  ChartEngine& engine = charts.chart(1).engine();
  graphs[0].space.displaceBy({-20, 0});
  EXPECT_NEAR(graphs[0].y.interval, (engine.MaxY() - engine.MinY()) / 6, 1e-12);
  engine.setChartAnalysisState(true);
  session.items["EURUSD"]->Last = 1.5;
  session.queue.advance(std::chrono::seconds(1));
  EXPECT_EQ(engine.DATAPOINTS(), 200);
  EXPECT_NEAR(graphs[0].y.interval, (engine.MaxY() - engine.MinY()) / 6, 1e-12);
}

}  // namespace
}  // namespace td::charts
