// The indicators of the chart window's engine over recording graphs: overlay lines on the price
// graph, the lower graph that follows the price chart, and their recomputation over new bars.

#include <gtest/gtest.h>

#include <cmath>

#include "ChartTestSupport.h"
#include "ui/charts/ChartController.h"
#include "ui/charts/PlotIdentifiers.h"

namespace td::charts {
namespace {

using test::FakeChartSession;
using test::FakeGraph;
using test::historyReply;

class LowerPane : public IndicatorGraphView {
 public:
  GraphHost& indicatorGraphHost() override { return graph; }
  void showIndicatorGraphTitle(bool shown, const std::string& t) override {
    titleShown = shown;
    title = t;
  }
  FakeGraph graph;
  bool titleShown = false;
  std::string title;
};

IndicatorParameters withPeriod(int period, Rgb colour = colours::red) {
  IndicatorParameters p;
  p.set(PERIOD_KEY, std::to_string(period));
  p.set(LINE_COLOR_KEY, colour);
  return p;
}

IndicatorParameters macd(const char* fast, const char* slow, const char* signal) {
  IndicatorParameters p;
  p.set(FAST_PERIOD_KEY, fast);
  p.set(SLOW_PERIOD_KEY, slow);
  p.set(SIGNAL_PERIOD_KEY, signal);
  return p;
}

class ChartIndicatorsTest : public ::testing::Test {
 protected:
  ChartIndicatorsTest() {
    session.addItem("EURUSD", 4, 1.2);
    chart.setGraph(&price);
    chart.indicators().setIndicatorGraphView(&lower);
  }
  void load(const std::string& key, const std::string& reply) {
    chart.setValue("EURUSD", key);
    session.reply(chart.chartKey(), reply);
  }

  FakeChartSession session;
  FakeGraph price;
  LowerPane lower;
  ChartController chart{session};
};

TEST_F(ChartIndicatorsTest, OverlaysKeepEachTheirOwnLineOnThePriceGraph) {
  load("1#3", historyReply("EURUSD^O", 200));
  chart.indicators().load(Indicator::SMA, withPeriod(3, colours::green));
  chart.indicators().load(Indicator::EMA, withPeriod(10));
  EXPECT_EQ(price.plotIdentifiers(), (std::vector<std::string>{CANDLE_STICK_PLOT, SMA_PLOT, EMA_PLOT}));
  const auto* sma = std::get_if<ScatterStyle>(price.style_of(SMA_PLOT));
  ASSERT_NE(sma, nullptr);
  EXPECT_EQ(sma->line, (LineStyle{1.8, colours::green, {}, false}));
  // Record i of the SMA: x = i + 1, the average of closes i - 2 to i.
  const auto records = price.records(SMA_PLOT);
  ASSERT_EQ(records.size(), 199u);
  EXPECT_EQ(records[10][0], 11);
  EXPECT_NEAR(records[10][1], 1.109, 1e-12);
  chart.indicators().remove(Indicator::EMA);
  EXPECT_EQ(price.plotIdentifiers(), (std::vector<std::string>{CANDLE_STICK_PLOT, SMA_PLOT}));
  EXPECT_EQ(price.records(SMA_PLOT).size(), 199u);
}

TEST_F(ChartIndicatorsTest, BollingerBandsShareOneColourAndTheAlligatorHasThree) {
  load("1#3", historyReply("EURUSD^O", 50));
  IndicatorParameters bb = withPeriod(20, colours::white);
  bb.set(DEVIATION_KEY, "2");
  chart.indicators().load(Indicator::BollingerBands, bb);
  IndicatorParameters gator;
  gator.set(JAWS_PERIOD_KEY, "13");
  gator.set(TEETH_PERIOD_KEY, "8");
  gator.set(LIPS_PERIOD_KEY, "5");
  gator.set(JAWS_LINE_COLOR_KEY, colours::red);
  gator.set(TEETH_LINE_COLOR_KEY, colours::green);
  gator.set(LIPS_LINE_COLOR_KEY, colours::white);
  chart.indicators().load(Indicator::Alligator, gator);
  for (const char* plot : {BB_MID_PLOT, BB_UPPER_PLOT, BB_LOWER_PLOT})
    EXPECT_EQ(std::get<ScatterStyle>(*price.style_of(plot)).line.colour, colours::white) << plot;
  EXPECT_EQ(std::get<ScatterStyle>(*price.style_of(TEETH_LINE_PLOT)).line.colour, colours::green);
  // Every line starts at the first bar's median price.
  for (const char* plot : {JAWS_LINE_PLOT, TEETH_LINE_PLOT, LIPS_LINE_PLOT})
    EXPECT_NEAR(price.records(plot)[0][1], 1.1, 1e-12) << plot;
}

TEST_F(ChartIndicatorsTest, ALowerGraphFollowsThePriceChartsVisibleBars) {
  load("1#3", historyReply("EURUSD^O", 200));
  chart.indicators().load(Indicator::MACD, macd("12", "26", "9"));
  ASSERT_EQ(lower.graph.made, 1);
  EXPECT_EQ(lower.graph.plotIdentifiers(), (std::vector<std::string>{MACD_BAR_PLOT, MACD_LINE_PLOT, MACD_SIGNAL_PLOT}));
  EXPECT_TRUE(chart.indicators().isIndicatorPlot());
  EXPECT_TRUE(lower.titleShown);
  EXPECT_EQ(lower.title, "MACD (12, 26, 9)");
  EXPECT_EQ(lower.graph.space.identifier(), INDICATOR_PLOT_SPACE);
  EXPECT_FALSE(lower.graph.space.allowsUserInteraction());
  EXPECT_EQ(lower.graph.space.xRange(), (PlotRange{164, 35}));
  EXPECT_EQ(lower.graph.x.ticks.step, 5);  // 35 / 6 bars
  EXPECT_FALSE(lower.graph.x.style.labels);
  EXPECT_EQ(std::get<BarStyle>(*lower.graph.style_of(MACD_BAR_PLOT)).barOffset, -0.25);
  EXPECT_EQ(chart.barFillForBarPlot(MACD_BAR_PLOT, 3), Rgb::of255(154, 205, 50));

  price.space.displaceBy({-100, 0});
  EXPECT_EQ(lower.graph.space.xRange(), (PlotRange{64, 35}));
  price.space.scaleBy(0.5, 80);
  EXPECT_EQ(lower.graph.space.xRange().length, 70);
  EXPECT_EQ(lower.graph.x.ticks.step, 11);
}

TEST_F(ChartIndicatorsTest, TheLowerRangeComesFromItsValuesInViewWithAQuarterForEachMajorTick) {
  // Bars from 0 to 10 closing at 2 and 8 in turn: a one-bar stochastic of 20 and 80.
  std::string dates, times, closes, highs, lows;
  for (int i = 0; i < 40; ++i) {
    const std::string sep = i ? "," : "";
    dates += sep + "12/05/14";
    times += sep + "10:" + std::to_string(10 + i) + ":00";
    closes += sep + (i % 2 ? "8" : "2");
    highs += sep + "10";
    lows += sep + "0";
  }
  load("1#1", "<H~EURUSD^O>" + dates + "#" + times + "#" + closes + "#" + highs + "#" + lows + "#" + closes + "<END>");
  IndicatorParameters p;
  for (const char* key : {K_PERIOD_KEY, D_PERIOD_KEY, SLOWING_KEY}) p.set(key, "1");
  chart.indicators().load(Indicator::Stochastic, p);
  EXPECT_DOUBLE_EQ(chart.indicators().indicatorMinY(), 20);
  EXPECT_DOUBLE_EQ(chart.indicators().indicatorMaxY(), 80);
  EXPECT_NEAR(lower.graph.space.yRange().location, 19.88, 1e-9);
  EXPECT_NEAR(lower.graph.space.yRange().length, 66, 1e-9);
  EXPECT_NEAR(lower.graph.y.interval, 15, 1e-9);
  EXPECT_EQ(lower.graph.plotIdentifiers(), (std::vector<std::string>{STOCH_MAIN_LINE_PLOT, STOCH_SIGNAL_LINE_PLOT}));
  EXPECT_EQ(std::get<ScatterStyle>(*lower.graph.style_of(STOCH_SIGNAL_LINE_PLOT)).line.dash, (std::vector<double>{3, 3}));
}

TEST_F(ChartIndicatorsTest, SwitchingOffHidesTheTitleAndTheNextIndicatorGetsANewGraph) {
  load("1#3", historyReply("EURUSD^O", 100));
  chart.indicators().load(Indicator::MACD, macd("5", "10", "3"));
  chart.indicators().remove(Indicator::MACD);
  EXPECT_FALSE(chart.indicators().isIndicatorPlot());
  EXPECT_FALSE(lower.titleShown);
  EXPECT_EQ(lower.graph.plots.size(), 3u);  // they stay in the collapsed pane
  price.space.displaceBy({-10, 0});
  EXPECT_NE(lower.graph.space.xRange().location, price.space.xRange().location);  // no longer follows
  chart.indicators().load(Indicator::RSI, withPeriod(14));
  EXPECT_EQ(lower.graph.made, 2);
  EXPECT_EQ(lower.graph.plotIdentifiers(), std::vector<std::string>{RSI_LINE_PLOT});
  chart.indicators().load(Indicator::AwesomeOscillator, {});
  EXPECT_EQ(lower.title, "AO");
  EXPECT_FALSE(chart.indicators().isOn(Indicator::RSI));
  EXPECT_EQ(chart.barFillForBarPlot(AO_BAR_PLOT, 0), colours::green);  // 0 against 0
}

TEST_F(ChartIndicatorsTest, IndicatorsThatAreOnAreComputedAgainOverNewBars) {
  load("1#3", historyReply("EURUSD^O", 60));
  chart.indicators().load(Indicator::SMA, withPeriod(5));
  chart.indicators().load(Indicator::CCI, withPeriod(14));
  load("2#3", historyReply("EURUSD^5", 120, 2.0));
  EXPECT_EQ(price.plotIdentifiers(), (std::vector<std::string>{CANDLE_STICK_PLOT, SMA_PLOT}));
  const auto sma = price.records(SMA_PLOT);
  ASSERT_EQ(sma.size(), 119u);
  EXPECT_NEAR(sma[4][1], 2.002, 1e-12);
  EXPECT_EQ(lower.graph.made, 2);
  EXPECT_EQ(chart.numberOfRecordsForPlot(CCI_LINE_PLOT), 119u);
  chart.indicators().indicatorViewOff();  // the window's reset before another load
  load("3#3", historyReply("EURUSD^1", 80));
  EXPECT_EQ(lower.graph.made, 2);
  EXPECT_EQ(price.records(SMA_PLOT).size(), 79u);
}

TEST_F(ChartIndicatorsTest, APeriodBeyondTheBarsDrawsEveryIndicatorsWarmUp) {
  load("1#3", historyReply("EURUSD^O", 60));
  chart.indicators().load(Indicator::SMA, withPeriod(1));
  const std::vector<double> closes = *chart.indicators().series(SMA_PLOT);
  for (Indicator indicator : allIndicators()) {
    if (indicator == Indicator::ATR) continue;  // refused by the settings
    const IndicatorInfo& info = indicatorInfo(indicator);
    IndicatorParameters p;
    for (const char* key : info.periodKeys) p.set(key, "99999");  // the largest the fields take
    p.set(DEVIATION_KEY, "2");
    for (const char* key : info.colourKeys) p.set(key, colours::red);
    chart.indicators().load(indicator, p);
    for (const char* plot : info.plots) {
      const auto* series = chart.indicators().series(plot);
      ASSERT_NE(series, nullptr) << plot;
      ASSERT_EQ(series->size(), closes.size()) << plot;
      for (double value : *series) ASSERT_TRUE(std::isfinite(value)) << plot;
    }
  }
  // The simple average's last value is the mean of every bar so far.
  double sum = 0;
  for (double close : closes) sum += close;
  EXPECT_NEAR(chart.indicators().series(SMA_PLOT)->back(), sum / static_cast<double>(closes.size()), 1e-12);
}

}  // namespace
}  // namespace td::charts
