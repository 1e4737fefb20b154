// The chart window's logic: the refill from the watchlist, the key it hands to its engine, the
// choices of the three pop-ups and the indicator pane.

#include <gtest/gtest.h>

#include "ChartTestSupport.h"
#include "ui/charts/ChartWindowController.h"
#include "ui/charts/PlotIdentifiers.h"

namespace td::charts {
namespace {

using test::FakeChartSession;
using test::FakeGraph;
using test::historyReply;

class RecordingChartWindow : public ChartWindowView {
 public:
  void setPopUpItems(PopUp p, const std::vector<std::string>& titles) override {
    items[int(p)] = titles;
    selected[int(p)] = titles.empty() ? -1 : 0;
    images[int(p)].assign(titles.size(), "");
  }
  void selectPopUpItem(PopUp p, int index) override { selected[int(p)] = index; }
  int selectedIndex(PopUp p) const override { return selected[int(p)]; }
  std::string selectedTitle(PopUp p) const override {
    const int i = selected[int(p)];
    return i >= 0 && i < int(items[int(p)].size()) ? items[int(p)][std::size_t(i)] : "";
  }
  void setPopUpItemImage(PopUp p, int index, const std::string& image) override {
    images[int(p)].at(std::size_t(index)) = image;
  }
  void setWindowTitle(const std::string& t) override { title = t; }
  bool isBottomViewCollapsed() const override { return collapsed; }
  void collapseBottomView() override {
    collapsed = true;
    ++paneChanges;
  }
  void uncollapseBottomView() override {
    collapsed = false;
    ++paneChanges;
  }

  std::vector<std::string> items[3];
  std::vector<std::string> images[3];
  int selected[3] = {-1, -1, -1};
  std::string title;
  bool collapsed = false;
  int paneChanges = 0;
};

constexpr int kSymbol = int(ChartWindowView::PopUp::Symbol);
constexpr int kInterval = int(ChartWindowView::PopUp::Interval);
constexpr int kType = int(ChartWindowView::PopUp::ChartType);

class ChartWindowTest : public ::testing::Test {
 protected:
  ChartWindowTest() {
    session.addItem("EURUSD", 4)->InstrumentTypeName = "Forex";
    session.addItem("XAUUSD", 2)->InstrumentTypeName = "Metals";
    session.addItem("GER40", 1)->InstrumentTypeName = "";
    session.symbols = {"EURUSD", "XAUUSD", "GER40"};
    chart.setGraph(&graph);
    window.setView(&view);
  }

  FakeChartSession session;
  FakeGraph graph;
  ChartController chart{session};
  ChartWindowController window{session, chart, [](const std::string& file) { return file == "Forex.png"; }};
  RecordingChartWindow view;
};

TEST_F(ChartWindowTest, OpeningShowsTheFirstSymbolInOneMinuteCandlesWithTheIndicatorPaneCollapsed) {
  window.windowDidLoad();
  EXPECT_EQ(view.items[kInterval].size(), 7u);
  EXPECT_EQ(view.items[kType], (std::vector<std::string>{"Line Chart", "Bar Chart", "Candle Chart"}));
  EXPECT_EQ(view.selected[kType], 2);
  EXPECT_EQ(chart.symbolName(), "EURUSD");
  EXPECT_EQ(chart.Currentinterval(), 1);
  EXPECT_EQ(chart.type(), 3);
  EXPECT_EQ(view.title, "EURUSD, M1");
  EXPECT_TRUE(view.collapsed);
  // One icon per watchlist symbol: its type's image when there is one, else "Others.png".
  EXPECT_EQ(view.images[kSymbol], (std::vector<std::string>{"Forex.png", "Others.png", "Others.png"}));
  EXPECT_EQ(view.images[kType], (std::vector<std::string>{"linechart", "ohlcchart", "candlestickchart"}));
}

TEST_F(ChartWindowTest, TheChartButtonRefillsOnlyWhenTheWatchlistChanged) {
  window.windowDidLoad();
  window.IntervalItemSelected(4);
  view.selected[kSymbol] = 1;
  window.SymbolPopUpItemSelected(1);
  const std::size_t sent = session.requests.size();
  window.NeedReload();
  EXPECT_EQ(session.requests.size(), sent);
  EXPECT_EQ(view.title, "XAUUSD, H1");
  session.symbols = {"XAUUSD", "EURUSD"};
  window.NeedReload();
  EXPECT_EQ(view.title, "XAUUSD, M1");
  EXPECT_EQ(chart.chartKey(), "XAUUSD^O");
  EXPECT_EQ(chart.type(), 3);
  EXPECT_EQ(window.backupSymbolsArray(), session.symbols);
}

TEST_F(ChartWindowTest, IntervalsSendTheirKeyAndTypesSwitchThePlotWithoutAReload) {
  window.windowDidLoad();
  session.reply("EURUSD^O", historyReply("EURUSD^O", 200));
  window.IntervalItemSelected(6);
  EXPECT_EQ(window.intervalIndex(), 7);
  EXPECT_EQ(chart.chartKey(), "EURUSD^W");
  EXPECT_EQ(view.title, "EURUSD, W1");
  session.reply("EURUSD^W", historyReply("EURUSD^W", 50));
  const std::size_t sent = session.requests.size();
  window.ChartTypeControlSelected(1);
  EXPECT_EQ(window.chartTypeIndex(), 2u);
  EXPECT_EQ(chart.type(), 2);
  EXPECT_EQ(graph.plotIdentifiers(), std::vector<std::string>{OHLC_PLOT});
  EXPECT_EQ(session.requests.size(), sent);
  EXPECT_EQ(view.title, "EURUSD, W1");
}

TEST_F(ChartWindowTest, AnotherSymbolOrIntervalCollapsesTheIndicatorPaneAndClearsTheAnalysisFlag) {
  window.windowDidLoad();
  window.toggleBottomViewSelectedIndex(1);
  chart.setChartAnalysisState(true);
  window.IntervalItemSelected(2);
  EXPECT_TRUE(view.collapsed);
  EXPECT_FALSE(chart.isChartAnalysisEnabled());
  // The pane opens only when collapsed and collapses only when open.
  const int changes = view.paneChanges;
  window.toggleBottomViewSelectedIndex(0);
  window.toggleBottomViewSelectedIndex(1);
  window.toggleBottomViewSelectedIndex(1);
  window.toggleBottomViewSelectedIndex(5);
  EXPECT_EQ(view.paneChanges, changes + 1);
}

TEST_F(ChartWindowTest, IndicatorSwitchesOpenThePaneAndAnotherIntervalTurnsTheLowerOneOff) {
  window.windowDidLoad();
  session.reply("EURUSD^O", historyReply("EURUSD^O", 200));
  ChartAnalysisViewController& settings = window.chartAnalysisViewController();
  EXPECT_EQ(settings.chartAnalysisDelegate(), &window);
  settings.checkBoxChanged(Indicator::SMA, true);
  EXPECT_TRUE(view.collapsed);  // an overlay leaves the panes alone
  EXPECT_TRUE(chart.isChartAnalysisEnabled());
  settings.checkBoxChanged(Indicator::MACD, true);
  EXPECT_FALSE(view.collapsed);
  EXPECT_TRUE(chart.indicators().isIndicatorPlot());
  window.IntervalItemSelected(1);
  EXPECT_FALSE(settings.isOn(Indicator::MACD));
  EXPECT_TRUE(settings.isOn(Indicator::SMA));
  EXPECT_TRUE(view.collapsed);
  EXPECT_FALSE(chart.isChartAnalysisEnabled());
  EXPECT_FALSE(chart.indicators().isIndicatorPlot());
  session.reply("EURUSD^5", historyReply("EURUSD^5", 100));
  EXPECT_TRUE(graph.hasPlot(SMA_PLOT));  // the overlay that is on is drawn over the new bars
  settings.checkBoxChanged(Indicator::RSI, true);
  settings.checkBoxChanged(Indicator::RSI, false);
  EXPECT_TRUE(view.collapsed);
  EXPECT_FALSE(chart.isChartAnalysisEnabled());
}

TEST_F(ChartWindowTest, AnEmptyWatchlistLeavesTheSymbolEmpty) {
  session.symbols.clear();
  window.windowDidLoad();
  EXPECT_EQ(window.itemCode(), "");
  EXPECT_TRUE(session.requests.empty());
  EXPECT_EQ(view.title, ", M1");
}

}  // namespace
}  // namespace td::charts
