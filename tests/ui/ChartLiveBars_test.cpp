// The live bar of a chart: once a second the item's last price moves the newest bar, and a new bar
// opens after as many price changes as the interval's bar length in seconds.

#include <gtest/gtest.h>

#include "ChartTestSupport.h"
#include "ui/charts/PlotIdentifiers.h"

namespace td::charts {
namespace {

using namespace std::chrono_literals;
using test::FakeChartSession;
using test::FakeGraph;
using test::historyReply;

class LiveBarsTest : public ::testing::Test {
 protected:
  LiveBarsTest() { item = session.addItem("EURUSD", 4, 1.3); }

  std::unique_ptr<ChartEngine> make(ChartEngine::Options options = {}) {
    auto engine = std::make_unique<ChartEngine>(session, options);
    engine->setGraph(&graph);
    return engine;
  }
  void load(ChartEngine& engine, const std::string& key, int bars) {
    engine.setValue("EURUSD", key);
    session.reply(engine.chartKey(), historyReply(engine.chartKey(), bars));
  }
  // One tick of the timer at this price.
  void tick(double last) {
    item->Last = last;
    session.queue.advance(1s);
  }

  FakeChartSession session;
  FakeGraph graph;
  std::shared_ptr<ItemDetails> item;
};

TEST_F(LiveBarsTest, TheFirstChangeRewritesTheNewestBarAndAnUnchangedPriceRedrawsNothing) {
  auto engine = make();
  load(*engine, "1#1", 200);
  tick(1.3);
  EXPECT_EQ(engine->DATAPOINTS(), 200);
  EXPECT_EQ(engine->lastArrIndexPtr(), 199);
  EXPECT_EQ(engine->fromX(), 166);
  EXPECT_EQ(graph.space.xRange(), (PlotRange{166, 35}));
  const Bar& live = engine->bars()[199];
  EXPECT_EQ(live.closeText.view(), "1.3000");
  EXPECT_EQ(live.date.view(), "12/05/14");
  EXPECT_EQ(live.time.view(), "13:45:10");
  EXPECT_EQ(engine->timerCounter(), 1u);
  const int reloads = graph.reloads;
  for (int i = 0; i < 100; ++i) tick(1.3);
  EXPECT_EQ(engine->timerCounter(), 1u);
  EXPECT_EQ(graph.reloads, reloads);
}

TEST_F(LiveBarsTest, AChartDraggedToOlderBarsStaysThereAndFollowsAgainOnceBackAtTheEnd) {
  auto engine = make();
  load(*engine, "1#1", 200);
  tick(1.3);
  ASSERT_TRUE(graph.space.displaceBy({-50, 0}));
  const PlotRange dragged = graph.space.xRange();
  tick(1.31);
  tick(1.32);
  EXPECT_EQ(graph.space.xRange(), dragged);
  EXPECT_EQ(engine->bars()[199].closeText.view(), "1.3200");  // the live bar still moves
  graph.space.displaceBy({1000, 0});  // back at the newest bar
  tick(1.33);
  EXPECT_EQ(graph.space.xRange(), (PlotRange{166, 35}));
}

TEST_F(LiveBarsTest, AZoomedViewKeepsItsWidthAndAShortSeriesWidensWithItsLiveBars) {
  auto engine = make();
  load(*engine, "0#1", 200);
  ASSERT_TRUE(graph.space.scaleBy(2, 199));
  const float zoomed = engine->lengthX();
  ASSERT_LT(zoomed, 35);
  tick(1.31);
  EXPECT_FLOAT_EQ(engine->lengthX(), zoomed);

  load(*engine, "1#1", 4);
  EXPECT_FLOAT_EQ(engine->lengthX(), 3);
  for (int k = 1; k <= 60; ++k) tick(1.3 + k * 0.0001);  // the 60th change opens a fifth bar
  EXPECT_EQ(engine->DATAPOINTS(), 5);
  EXPECT_EQ(engine->fromX(), 0);
  EXPECT_FLOAT_EQ(engine->lengthX(), 6);
  EXPECT_DOUBLE_EQ(engine->MinY(), 1.1);  // bar 0's close counts in the y range
}

TEST_F(LiveBarsTest, AMinuteBarClosesAtItsSixtiethPriceChangeAndTheNextOpenIsTheNextChange) {
  auto engine = make();
  load(*engine, "1#1", 200);
  for (int k = 1; k <= 59; ++k) tick(1.3 + k * 0.0001);
  EXPECT_EQ(engine->lastArrIndexPtr(), 199);
  const double closedOpen = engine->bars()[199].open;
  EXPECT_DOUBLE_EQ(closedOpen, 1.3001);
  tick(1.2);  // the 60th change
  EXPECT_EQ(engine->lastArrIndexPtr(), 200);
  EXPECT_EQ(engine->DATAPOINTS(), 201);
  const Bar& opened = engine->bars()[200];
  // Open, high and low of the tick that opens a bar are those of the bar it closes.
  EXPECT_DOUBLE_EQ(opened.open, closedOpen);
  EXPECT_DOUBLE_EQ(opened.high, 1.3059);
  EXPECT_DOUBLE_EQ(opened.low, 1.2);
  EXPECT_DOUBLE_EQ(opened.close, 1.2);
  tick(1.2);  // unchanged: the open follows the price until the next change
  tick(1.25);
  EXPECT_DOUBLE_EQ(engine->bars()[200].open, 1.25);
  EXPECT_DOUBLE_EQ(engine->bars()[200].high, 1.25);
  EXPECT_DOUBLE_EQ(engine->bars()[200].low, 1.2);  // the ticks since the bar opened
}

TEST_F(LiveBarsTest, OpenHighAndLowOfTheLiveBarFollowItsPrices) {
  auto engine = make();
  load(*engine, "1#3", 200);
  for (double price : {1.3, 1.35, 1.28, 1.31}) tick(price);
  const Bar& live = engine->bars()[199];
  EXPECT_DOUBLE_EQ(live.open, 1.3);
  EXPECT_DOUBLE_EQ(live.high, 1.35);
  EXPECT_DOUBLE_EQ(live.low, 1.28);
  EXPECT_DOUBLE_EQ(live.close, 1.31);
  EXPECT_DOUBLE_EQ(engine->MaxY(), 1.35);  // the live bar counts in the range
}

TEST_F(LiveBarsTest, ATickChartOpensABarAtEveryChangeWithItsOwnPriceAsOpen) {
  auto engine = make();
  load(*engine, "0#1", 5);
  tick(1.5);
  EXPECT_EQ(engine->lastArrIndexPtr(), 5);
  EXPECT_EQ(engine->DATAPOINTS(), 6);
  EXPECT_DOUBLE_EQ(engine->bars()[5].open, 1.5);
  tick(1.5);
  tick(1.6);
  EXPECT_EQ(engine->lastArrIndexPtr(), 6);
  EXPECT_DOUBLE_EQ(engine->bars()[6].open, 1.6);
  EXPECT_DOUBLE_EQ(engine->bars()[6].close, 1.6);
}

TEST_F(LiveBarsTest, CloseTextsCompareAsTexts) {
  auto engine = make();
  session.addItem("GER40", 2, 1.2);
  engine->setValue("GER40", "1#1");
  session.reply("GER40^O", "<H~GER40^O>12/05/14,12/05/14#10:00:00,10:01:00#1.1,1.2#1.1,1.2#1.1,1.2#1.1,1.2<END>");
  session.queue.advance(1s);  // "1.20" against "1.2"
  EXPECT_EQ(engine->timerCounter(), 1u);
  EXPECT_EQ(engine->bars()[1].closeText.view(), "1.20");
}

TEST_F(LiveBarsTest, TheAnalysisFlagHoldsTheChartWindowsBarsButNotTheMainWindowsCharts) {
  auto engine = make();
  load(*engine, "1#1", 200);
  tick(1.31);
  engine->setChartAnalysisState(true);
  tick(1.32);
  tick(1.33);
  EXPECT_EQ(engine->timerCounter(), 1u);
  EXPECT_EQ(engine->bars()[199].closeText.view(), "1.3100");
  engine->setChartAnalysisState(false);
  tick(1.34);
  EXPECT_EQ(engine->timerCounter(), 2u);

  ChartEngine::Options mainWindow;
  mainWindow.analysisHoldsLiveBars = false;
  FakeGraph otherGraph;
  ChartEngine small(session, mainWindow);
  small.setGraph(&otherGraph);
  small.setValue("EURUSD", "1#1");  // from the cache
  small.setChartAnalysisState(true);
  tick(1.35);
  EXPECT_EQ(small.bars()[199].closeText.view(), "1.3500");
}

TEST_F(LiveBarsTest, WhileALoadWaitsForItsReplyTheBarsStillHeldAreLeftAlone) {
  auto engine = make();
  load(*engine, "1#1", 200);
  engine->setValue("EURUSD", "2#1");
  tick(1.9);
  EXPECT_EQ(engine->bars()[199].closeText.view(), "1.2990");
  session.reply("EURUSD^5", historyReply("EURUSD^5", 100));
  tick(1.91);
  EXPECT_EQ(engine->bars()[99].closeText.view(), "1.9100");
}

TEST_F(LiveBarsTest, AFullChartDropsItsOldestBarForANewOne) {
  ChartEngine::Options options;
  options.capacity = 5;
  auto engine = make(options);
  load(*engine, "0#1", 5);
  tick(1.5);
  EXPECT_EQ(engine->lastArrIndexPtr(), 4);
  EXPECT_EQ(engine->DATAPOINTS(), 5);
  EXPECT_EQ(engine->bars().size(), 5u);
  EXPECT_EQ(engine->bars()[0].closeText.view(), "1.1010");  // bar 0 went
  EXPECT_EQ(engine->bars()[4].closeText.view(), "1.5000");
  EXPECT_EQ(graph.records(MAIN_PLOT).size(), 5u);
}

}  // namespace
}  // namespace td::charts
