// The live bar of a chart: once a second the item's last price moves the newest bar, and an update
// stamped in a later interval than the live bar's opens the bar of that interval.

#include <gtest/gtest.h>

#include "ChartTestSupport.h"
#include "ui/charts/PlotIdentifiers.h"

namespace td::charts {
namespace {

using namespace std::chrono_literals;
using test::ChartOnGraph;
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
  // One tick of the timer at this price (and this update time, "MM/dd/yyyy HH:mm:ss").
  void tick(double last, const char* updateTime = nullptr) {
    item->Last = last;
    if (updateTime) item->UpdateTime = updateTime;
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
  EXPECT_EQ(live.time.view(), "13:19:00");
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
  tick(1.3001, "12/05/2014 10:04:10");  // the minute after the newest bar's: a fifth bar
  EXPECT_EQ(engine->DATAPOINTS(), 5);
  EXPECT_EQ(engine->fromX(), 0);
  EXPECT_FLOAT_EQ(engine->lengthX(), 6);
  EXPECT_DOUBLE_EQ(engine->MinY(), 1.1);  // bar 0's close counts in the y range
}

TEST_F(LiveBarsTest, ABarCoversOneIntervalByTheUpdatesTimeOnTheGridOfTheHistorysBars) {
  auto engine = make();
  load(*engine, "1#1", 200);  // minutes up to 13:19, the newest one the live bar
  // However many changes come within its minute, the live bar stays the history's newest one.
  for (int k = 1; k <= 90; ++k) tick(1.3 + k * 0.0001, "12/05/2014 13:19:59");
  EXPECT_EQ(engine->lastArrIndexPtr(), 199);
  EXPECT_EQ(engine->bars()[199].time.view(), "13:19:00");
  EXPECT_DOUBLE_EQ(engine->bars()[199].open, 1.2985);  // the history's open of that minute
  EXPECT_DOUBLE_EQ(engine->bars()[199].high, 1.309);
  // 13:20 brings no change of price, so it has no bar; the first change of 13:21 opens one.
  tick(1.309, "12/05/2014 13:20:30");
  tick(1.309, "12/05/2014 13:21:05");
  tick(1.305, "12/05/2014 13:21:40");
  EXPECT_EQ(engine->lastArrIndexPtr(), 200);
  EXPECT_EQ(engine->DATAPOINTS(), 201);
  const Bar& opened = engine->bars()[200];
  EXPECT_EQ(opened.date.view(), "12/05/14");
  EXPECT_EQ(opened.time.view(), "13:21:00");
  EXPECT_DOUBLE_EQ(opened.open, 1.309);  // the first price of its minute
  EXPECT_DOUBLE_EQ(opened.high, 1.309);
  EXPECT_DOUBLE_EQ(opened.low, 1.305);
  EXPECT_DOUBLE_EQ(opened.close, 1.305);
  EXPECT_DOUBLE_EQ(engine->bars()[199].close, 1.309);  // the closed minute keeps its last price

  // Weeks as the history lays them (from Sunday here), not as a calendar would.
  engine->setValue("EURUSD", "7#1");
  session.reply("EURUSD^W", "<H~EURUSD^W>11/30/14,12/07/14#00:00:00,00:00:00#1.1,1.2#1.1,1.2#1.1,1.2#1.1,1.2<END>");
  tick(1.21, "12/13/2014 23:59:59");
  EXPECT_EQ(engine->lastArrIndexPtr(), 1);
  tick(1.22, "12/15/2014 08:00:00");
  EXPECT_EQ(engine->lastArrIndexPtr(), 2);
  EXPECT_EQ(engine->bars()[2].date.view(), "12/14/14");
  EXPECT_EQ(engine->bars()[2].time.view(), "00:00:00");
}

// The feed stamps the server's wall clock. When it is set back (daylight-saving time ends: 01:59,
// then 01:00 again), every minute after the change opens a bar of its own; a single update a few
// seconds out of order still joins the live bar.
TEST_F(LiveBarsTest, AClockSetBackOpensABarForEachMinuteAfterTheChangeAndALateUpdateJoinsTheLiveBar) {
  auto engine = make();
  load(*engine, "1#1", 200);  // minutes up to 13:19
  tick(1.3001, "12/05/2014 13:19:59");
  tick(1.3002, "12/05/2014 13:20:01");
  ASSERT_EQ(engine->lastArrIndexPtr(), 200);
  tick(1.3003, "12/05/2014 13:19:58");  // three seconds late
  EXPECT_EQ(engine->lastArrIndexPtr(), 200);
  EXPECT_DOUBLE_EQ(engine->bars()[200].close, 1.3003);
  // The clock goes back an hour.
  tick(1.3004, "12/05/2014 12:20:05");
  tick(1.3005, "12/05/2014 12:20:40");
  ASSERT_EQ(engine->lastArrIndexPtr(), 201);
  EXPECT_EQ(engine->bars()[201].time.view(), "12:20:00");
  EXPECT_DOUBLE_EQ(engine->bars()[201].open, 1.3004);
  EXPECT_DOUBLE_EQ(engine->bars()[201].close, 1.3005);
  EXPECT_DOUBLE_EQ(engine->bars()[200].close, 1.3003);  // the minute before the change keeps its prices
  tick(1.3006, "12/05/2014 12:21:02");
  EXPECT_EQ(engine->lastArrIndexPtr(), 202);
  EXPECT_EQ(engine->bars()[202].time.view(), "12:21:00");

  // Set back between the reply and the first update: the history's newest bar is the time to go by.
  item->UpdateTime = "12/05/2014 13:19:10";
  load(*engine, "1#1", 200);
  tick(1.3004, "12/05/2014 12:20:05");
  tick(1.3005, "12/05/2014 12:20:40");
  tick(1.3006, "12/05/2014 12:21:02");
  ASSERT_EQ(engine->lastArrIndexPtr(), 201);
  EXPECT_EQ(engine->bars()[199].time.view(), "13:19:00");
  EXPECT_DOUBLE_EQ(engine->bars()[199].close, 1.299);  // the history's own
  EXPECT_EQ(engine->bars()[200].time.view(), "12:20:00");
  EXPECT_DOUBLE_EQ(engine->bars()[200].close, 1.3005);
  EXPECT_EQ(engine->bars()[201].time.view(), "12:21:00");
}

// The server's record may hold a price whose line has not reached the feed yet: the item's time at
// the load, and the lines still on their way, lie before the newest bar. They set no clock back and
// change no bar, on a tick chart neither, since the history holds their prices; the first reading
// at or after the newest bar goes on as any other.
TEST_F(LiveBarsTest, TheFirstReadingsAfterALoadStampedBeforeItsNewestBarChangeNoBar) {
  auto engine = make();
  item->UpdateTime = "12/05/2014 13:18:20";
  load(*engine, "1#1", 200);  // minutes up to 13:19: open 1.2985, high 1.3, low 1.298, close 1.299
  tick(1.2);
  tick(1.25, "12/05/2014 13:18:52");
  EXPECT_EQ(engine->lastArrIndexPtr(), 199);
  EXPECT_EQ(engine->bars()[199].closeText.view(), "1.2990");
  EXPECT_DOUBLE_EQ(engine->bars()[199].low, 1.298);
  tick(1.2995, "12/05/2014 13:19:05");
  EXPECT_EQ(engine->lastArrIndexPtr(), 199);
  EXPECT_EQ(engine->bars()[199].time.view(), "13:19:00");
  EXPECT_DOUBLE_EQ(engine->bars()[199].close, 1.2995);
  EXPECT_DOUBLE_EQ(engine->bars()[199].low, 1.298);
  tick(1.3004, "12/05/2014 13:20:01");
  ASSERT_EQ(engine->lastArrIndexPtr(), 200);
  EXPECT_EQ(engine->bars()[200].time.view(), "13:20:00");

  item->UpdateTime = "12/05/2014 13:18:20";
  load(*engine, "0#1", 200);  // ticks up to 13:19:00
  tick(1.2);
  tick(1.25, "12/05/2014 13:18:52");
  EXPECT_EQ(engine->lastArrIndexPtr(), 199);
  tick(1.2995, "12/05/2014 13:19:05");
  ASSERT_EQ(engine->lastArrIndexPtr(), 200);
  EXPECT_EQ(engine->bars()[200].time.view(), "13:19:05");
  // A clock set back just after a load still adds its ticks.
  item->UpdateTime = "12/05/2014 13:19:10";
  load(*engine, "0#1", 200);
  tick(1.3004, "12/05/2014 12:20:05");
  ASSERT_EQ(engine->lastArrIndexPtr(), 200);
  EXPECT_EQ(engine->bars()[200].time.view(), "12:20:05");
}

TEST_F(LiveBarsTest, OpenHighAndLowOfTheLiveBarFollowItsPrices) {
  auto engine = make();
  load(*engine, "1#3", 200);
  for (double price : {1.3, 1.35, 1.28, 1.31}) tick(price);
  const Bar& live = engine->bars()[199];
  EXPECT_DOUBLE_EQ(live.open, 1.2985);
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
  session.reply("GER40^O", "<H~GER40^O>12/05/14,12/05/14#13:18:00,13:19:00#1.1,1.2#1.1,1.2#1.1,1.2#1.1,1.2<END>");
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
  ChartOnGraph small(session, mainWindow);
  small.setValue("EURUSD", "1#1");
  session.reply(small.chartKey(), historyReply(small.chartKey(), 200));
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
  tick(1.91, "12/05/2014 11:39:10");
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
