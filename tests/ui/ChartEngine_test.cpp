// The chart engine over a recording graph: loading through the cache and the requests, the visible
// window, zoom and drag limits, axis ticks and labels, the plot types and the data source.

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

#include "ChartTestSupport.h"
#include "session/datasets/ChartRequests.h"
#include "ui/charts/PlotIdentifiers.h"

namespace td::charts {
namespace {

using test::ChartOnGraph;
using test::FakeChartSession;
using test::FakeGraph;
using test::historyReply;

class ChartEngineTest : public ::testing::Test {
 protected:
  ChartEngineTest() {
    session.addItem("EURUSD", 4, 1.2);
    session.addItem("GER40", 1, 17850.5);
    engine.setGraph(&graph);
  }
  // Keys the chart and answers its request with `bars` bars.
  void load(const std::string& key, int bars, const std::string& code = "EURUSD") {
    engine.setValue(code, key);
    session.reply(engine.chartKey(), historyReply(engine.chartKey(), bars));
  }

  FakeChartSession session;
  FakeGraph graph;
  ChartEngine engine{session, ChartEngine::Options{}};
};

TEST_F(ChartEngineTest, KeyNamesItemAndIntervalCodeAndUnknownIndexesAskForTicks) {
  engine.setValue("EURUSD", "1#3");
  EXPECT_EQ(engine.chartKey(), "EURUSD^O");
  EXPECT_EQ(engine.IntervalName(), "One Minute");
  engine.setValue("EURUSD", "5#3");
  EXPECT_EQ(engine.chartKey(), "EURUSD^H");
  for (const char* key : {"8#3", "-1#3"}) {
    engine.setValue("EURUSD", key);
    EXPECT_EQ(engine.ChartInterval(), "T") << key;
    EXPECT_EQ(engine.IntervalName(), "Hourly") << key;  // the title stays
  }
  ASSERT_EQ(session.requests.size(), 4u);
  EXPECT_EQ(session.requests[0].bars, 200);
  EXPECT_EQ(session.requests[3].key, "EURUSD^T");
}

TEST_F(ChartEngineTest, AReplyOf200BarsDraws199AndShowsTheNewest35) {
  load("1#3", 200);
  EXPECT_EQ(engine.DATAPOINTS(), 199);
  EXPECT_EQ(engine.lastArrIndexPtr(), 199);
  EXPECT_EQ(engine.fromX(), 164);
  EXPECT_FLOAT_EQ(engine.lengthX(), 35);
  EXPECT_EQ(graph.plotIdentifiers(), std::vector<std::string>{CANDLE_STICK_PLOT});
  const auto records = graph.records(CANDLE_STICK_PLOT, 5);
  ASSERT_EQ(records.size(), 199u);
  // Bar i at x = i + 1: open, high, low, close.
  EXPECT_EQ(records[10], (std::vector<double>{11, 1.1095, 1.111, 1.109, 1.11}));
  EXPECT_EQ(graph.space.xRange(), (PlotRange{164, 35}));
  EXPECT_EQ(graph.space.identifier(), PRICE_PLOT_SPACE);
}

TEST_F(ChartEngineTest, ShortRepliesShowEveryBarAndOneBarDrawsNothing) {
  load("1#1", 10);
  EXPECT_EQ(engine.DATAPOINTS(), 9);
  EXPECT_FLOAT_EQ(engine.lengthX(), 9);
  EXPECT_EQ(engine.fromX(), 0);
  load("2#1", 1);
  EXPECT_EQ(engine.DATAPOINTS(), 0);
  EXPECT_FLOAT_EQ(engine.lengthX(), 0);
  EXPECT_TRUE(graph.records(MAIN_PLOT).empty());
  EXPECT_GT(graph.space.xRange().length, 0);  // a span of 0 is raised
  EXPECT_GT(graph.space.yRange().length, 0);
}

TEST_F(ChartEngineTest, AReplyWithoutBarsShowsAnEmptyChartNotTheBarsOfTheLastOne) {
  load("1#3", 50);
  engine.setValue("EURUSD", "2#3");
  session.reply("EURUSD^5", "<CHART~EURUSD^5>");
  EXPECT_EQ(engine.DATAPOINTS(), 0);
  EXPECT_TRUE(graph.records(CANDLE_STICK_PLOT).empty());
}

TEST_F(ChartEngineTest, TheSecondLoadOfAKeyIsDrawnFromTheCacheWithoutARequest) {
  load("1#3", 200);
  engine.setValue("GER40", "1#3");
  engine.setValue("EURUSD", "1#1");
  EXPECT_EQ(session.requests.size(), 2u);
  EXPECT_FALSE(engine.awaitingReply());
  EXPECT_EQ(engine.DATAPOINTS(), 199);
  EXPECT_EQ(graph.plotIdentifiers(), std::vector<std::string>{MAIN_PLOT});
}

TEST_F(ChartEngineTest, AReplyReachesEveryChartWaitingForItsKeyAndNoChartThatLeftIt) {
  ChartOnGraph other(session), left(session);
  engine.setValue("EURUSD", "1#3");
  other.setValue("EURUSD", "1#2");
  left.setValue("EURUSD", "1#3");
  left.setValue("EURUSD", "3#3");  // leaves "^O" before its reply
  session.reply("EURUSD^O", historyReply("EURUSD^O", 40));
  EXPECT_EQ(engine.DATAPOINTS(), 39);
  EXPECT_EQ(other.DATAPOINTS(), 39);
  EXPECT_EQ(other.graph.plotIdentifiers(), std::vector<std::string>{OHLC_PLOT});
  EXPECT_TRUE(left.awaitingReply());
  EXPECT_TRUE(left.graph.plots.empty());
  session.reply("EURUSD^1", historyReply("EURUSD^1", 30));
  EXPECT_EQ(left.DATAPOINTS(), 29);
  EXPECT_EQ(session.centre.observerCount("MainviewChartDataReceivedNotification1"), 0u);
}

TEST_F(ChartEngineTest, AChartToldUnderItsIdOfAnotherKeysReplyWaitsOnForItsOwn) {
  session.addItem("GOLD", 2, 2030.5);
  ChartOnGraph gold(session);
  engine.setValue("EURUSD", "5#3");
  session.requestId = 0;  // a reply moved the session's counter back: both charts ask under id 1
  gold.setValue("GOLD", "6#3");
  ASSERT_EQ(session.requests.back().id, 1);
  session.reply("GOLD^D", historyReply("GOLD^D", 30));
  EXPECT_EQ(gold.DATAPOINTS(), 29);
  EXPECT_TRUE(engine.awaitingReply());
  EXPECT_TRUE(graph.plots.empty());
  session.reply("EURUSD^H", historyReply("EURUSD^H", 200));
  EXPECT_EQ(engine.DATAPOINTS(), 199);
  EXPECT_EQ(session.centre.observerCount("MainviewChartDataReceivedNotification1"), 0u);

  // A chart that moves on to a key in the cache before its reply comes listens no more.
  engine.setValue("EURUSD", "1#3");
  engine.setValue("EURUSD", "5#3");
  EXPECT_EQ(session.centre.observerCount("MainviewChartDataReceivedNotification2"), 0u);
}

TEST_F(ChartEngineTest, AnUnknownSymbolChangesNothingAndASendThatFailsLeavesNoObserver) {
  load("1#3", 20);
  engine.setValue("NOSUCH", "2#1");
  EXPECT_EQ(engine.symbolName(), "EURUSD");
  EXPECT_EQ(engine.type(), 3);
  EXPECT_EQ(session.requests.size(), 1u);
  session.sendWorks = false;
  engine.setValue("EURUSD", "4#3");
  EXPECT_EQ(session.centre.observerCount("MainviewChartDataReceivedNotification2"), 0u);
}

// A kept history never takes in the prices that came after it was filed: it is drawn again only
// within a second of its filing (one reading of the live price). Later, even while the prices are
// still stamped in its newest bar's interval (whose high or low may since have moved), it is asked
// for anew and nothing of it is drawn meanwhile.
TEST_F(ChartEngineTest, AKeptHistoryIsDrawnOnlyWithinASecondOfItsFilingAndAskedForAnewAfter) {
  using std::chrono::milliseconds;
  ChartEngine::Options quiet;
  quiet.liveInterval = std::chrono::hours(24 * 365);  // no live bars
  ChartEngine chart(session, quiet);
  chart.setGraph(&graph);
  auto& item = *session.items["EURUSD"];
  item.UpdateTime = "12/05/2014 10:49:00";  // in the newest of 50 bars' minute, hour and day
  for (int interval = 0; interval <= 7; ++interval) {
    SCOPED_TRACE(interval);
    const std::string key = std::to_string(interval) + "#1";
    chart.setValue("EURUSD", key);
    session.reply(chart.chartKey(), historyReply(chart.chartKey(), 50));
    const std::size_t asked = session.requests.size();
    session.queue.advance(milliseconds(1000));
    chart.setValue("EURUSD", key);
    EXPECT_EQ(session.requests.size(), asked);
    EXPECT_EQ(chart.DATAPOINTS(), 49);
    session.queue.advance(milliseconds(1));
    chart.setValue("EURUSD", key);
    ASSERT_EQ(session.requests.size(), asked + 1);
    EXPECT_EQ(session.requests.back().key, chart.chartKey());
    EXPECT_TRUE(chart.awaitingReply());
    EXPECT_TRUE(graph.plots.empty());
    session.reply(chart.chartKey(), historyReply(chart.chartKey(), 80));
    EXPECT_EQ(chart.DATAPOINTS(), 79);
  }
}

// While it waits for its own request, a chart draws only a reply filed since it asked: no other
// reply ends its wait with the old history it asked to replace, though that lies within one bar.
TEST_F(ChartEngineTest, AChartWaitingForItsRequestDrawsNoKeptReplyThatAnotherReplyBringsIt) {
  load("2#3", 200);
  session.queue.advance(std::chrono::minutes(3));  // the same five minutes
  engine.setValue("EURUSD", "3#3");
  engine.setValue("EURUSD", "2#3");  // back before the ten-minute reply comes
  ASSERT_EQ(session.requests.size(), 3u);
  const std::int32_t id = session.requests.back().id;
  session.reply("EURUSD^1", historyReply("EURUSD^1", 60));  // the key it just left
  EXPECT_TRUE(engine.awaitingReply());
  session.addItem("GOLD", 2, 2030.5);
  ChartEngine gold(session, {});
  session.requestId = id - 1;  // a reply moved the session's counter back: GOLD asks under the same id
  gold.setValue("GOLD", "6#3");
  session.reply("GOLD^D", historyReply("GOLD^D", 30));
  EXPECT_TRUE(engine.awaitingReply());
  EXPECT_TRUE(graph.plots.empty());
  session.reply("EURUSD^5", historyReply("EURUSD^5", 120));
  EXPECT_EQ(engine.DATAPOINTS(), 119);
}

TEST_F(ChartEngineTest, ATickHistoryToldMoreThanASecondAfterItCameIsDrawnSinceItCameAfterTheAsking) {
  engine.setValue("EURUSD", "0#1");
  session.file("EURUSD^T", historyReply("EURUSD^T", 30));
  session.queue.advance(std::chrono::seconds(3));  // the main thread was busy before the notification
  session.tell("EURUSD^T");
  EXPECT_EQ(engine.DATAPOINTS(), 29);
}

TEST_F(ChartEngineTest, AHistoryNotSentOrNotAnsweredInTimeLeavesASeriesOfItsOwnFromTheLivePrice) {
  using std::chrono::seconds;
  auto item = session.items["EURUSD"];
  load("1#1", 200);
  session.queue.advance(std::chrono::minutes(28));
  const std::string oldEnd(engine.bars()[199].closeText.view());
  item->Last = 1.25;
  engine.setValue("EURUSD", "1#1");
  session.queue.advance(seconds(9));
  EXPECT_TRUE(engine.awaitingReply());
  EXPECT_EQ(engine.bars()[199].closeText.view(), oldEnd);  // nothing joined to the old end
  session.queue.advance(seconds(2));
  EXPECT_FALSE(engine.awaitingReply());
  ASSERT_EQ(graph.records(MAIN_PLOT), (std::vector<std::vector<double>>{{1, 1.25}}));
  EXPECT_LE(graph.space.xRange().location, 1);
  EXPECT_GE(graph.space.xRange().end(), 1);
  EXPECT_LE(graph.space.yRange().location, 1.25);
  EXPECT_GE(graph.space.yRange().end(), 1.25);
  // The history that comes late takes the place of that series.
  session.reply("EURUSD^O", historyReply("EURUSD^O", 90));
  EXPECT_EQ(engine.DATAPOINTS(), 89);

  session.sendWorks = false;
  engine.setValue("EURUSD", "2#1");
  EXPECT_FALSE(engine.awaitingReply());
  EXPECT_EQ(engine.DATAPOINTS(), 0);
  EXPECT_EQ(graph.plotIdentifiers(), std::vector<std::string>{MAIN_PLOT});
  item->Last = 1.26;
  session.queue.advance(seconds(1));
  EXPECT_EQ(graph.records(MAIN_PLOT), (std::vector<std::vector<double>>{{1, 1.26}}));
}

// A history lost on the way leaves a stand-in until the chart, by itself, has asked again and the
// reply has come: once per deadline, and never while a request of its key is in flight (one for all
// the charts of that key).
TEST_F(ChartEngineTest, AChartWithoutItsHistoryAsksAgainAtEachDeadlineUnlessARequestOfItsKeyIsInFlight) {
  using std::chrono::seconds;
  ChartOnGraph other(session);
  engine.setValue("EURUSD", "1#1");
  other.setValue("EURUSD", "1#3");
  session.queue.advance(seconds(11));
  EXPECT_TRUE(engine.showsStandIn());
  EXPECT_TRUE(other.showsStandIn());
  EXPECT_EQ(session.requests.size(), 2u);  // both still in flight
  for (auto& request : session.requests) request.lost = true;
  session.queue.advance(seconds(10));
  ASSERT_EQ(session.requests.size(), 3u);
  EXPECT_EQ(session.requests.back().key, "EURUSD^O");
  session.queue.advance(seconds(40));
  EXPECT_EQ(session.requests.size(), 3u);
  session.requests.back().lost = true;
  session.queue.advance(seconds(10));
  ASSERT_EQ(session.requests.size(), 4u);
  session.reply("EURUSD^O", historyReply("EURUSD^O", 90));
  EXPECT_EQ(engine.DATAPOINTS(), 89);
  EXPECT_EQ(other.DATAPOINTS(), 89);
  EXPECT_FALSE(engine.showsStandIn());
  session.queue.advance(seconds(60));
  EXPECT_EQ(session.requests.size(), 4u);
}

// The channel gives a request up (its reply time-out) after the chart's deadline: the chart asks
// again at once, one request per report for all the charts of the key, and each chart once between
// two deadlines, so that a channel ending every request at once is not asked in a loop.
TEST_F(ChartEngineTest, AChartAsksAgainAtOnceWhenTheChannelEndsARequestOfItsKeyWithoutAReply) {
  using std::chrono::seconds;
  ChartOnGraph other(session);
  engine.setValue("EURUSD", "2#3");
  other.setValue("EURUSD", "2#1");
  session.queue.advance(seconds(30));
  ASSERT_TRUE(engine.showsStandIn());
  ASSERT_EQ(session.requests.size(), 2u);
  session.drop(0);  // the other one is still in flight
  EXPECT_EQ(session.requests.size(), 2u);
  session.drop(1);
  ASSERT_EQ(session.requests.size(), 3u);
  EXPECT_EQ(session.requests.back().key, "EURUSD^5");
  session.drop(2);
  ASSERT_EQ(session.requests.size(), 4u);
  session.drop(3);  // both charts asked on a report since their deadline: the next one asks
  EXPECT_EQ(session.requests.size(), 4u);
  session.queue.advance(seconds(10));
  ASSERT_EQ(session.requests.size(), 5u);
  session.drop(0, "EURUSD^O");  // another key's
  EXPECT_EQ(session.requests.size(), 5u);
  session.reply("EURUSD^5", historyReply("EURUSD^5", 120));
  EXPECT_EQ(engine.DATAPOINTS(), 119);
  EXPECT_EQ(other.DATAPOINTS(), 119);
  session.drop(4);  // the history is there
  EXPECT_EQ(session.requests.size(), 5u);
}

TEST_F(ChartEngineTest, AChartWhoseRequestCouldNotGoOutAsksAgainAtANewLoginOrWhenTheRequestChannelIsBack) {
  for (const char* back : {"LoginSuccessNotification", ChartRequests::kRequestChannelBack}) {
    SCOPED_TRACE(back);
    session.sendWorks = false;
    engine.setValue("EURUSD", engine.chartKey() == "EURUSD^5" ? "4#1" : "2#1");
    EXPECT_TRUE(engine.showsStandIn());
    session.sendWorks = true;
    const std::size_t asked = session.requests.size();
    session.centre.post(back);
    ASSERT_EQ(session.requests.size(), asked + 1);
    session.reply(engine.chartKey(), historyReply(engine.chartKey(), 70));
    EXPECT_EQ(engine.DATAPOINTS(), 69);
    session.centre.post(back);  // the history is there: nothing more to ask
    EXPECT_EQ(session.requests.size(), asked + 1);
  }
}

TEST_F(ChartEngineTest, IntervalChangesAskForTheBarsTheChartHoldsSoNoneIsLostEachTime) {
  load("1#3", 200);
  engine.intervalSelectedAtIndex(2);
  EXPECT_EQ(session.requests.back().bars, 200);
  EXPECT_EQ(engine.chartKey(), "EURUSD^5");
  // A series of the chart's own holds no history: the picks after it ask for as many as before,
  // also those made while its bars are still held (the next history on its way), and those of
  // another chart that shares that request.
  session.queue.advance(std::chrono::seconds(11));
  ASSERT_TRUE(engine.showsStandIn());
  session.items["EURUSD"]->Last = 1.25;
  session.queue.advance(std::chrono::seconds(1));
  ASSERT_EQ(engine.lastArrIndexPtr(), 0);
  engine.intervalSelectedAtIndex(3);
  EXPECT_EQ(session.requests.back().bars, 200);
  engine.intervalSelectedAtIndex(4);
  EXPECT_EQ(session.requests.back().bars, 200);
  engine.symbolSelectedAtIndex("GER40", 1);
  EXPECT_EQ(session.requests.back().bars, 200);
  ASSERT_EQ(session.requests.size(), 5u);
  // A history sets the count again.
  session.reply(engine.chartKey(), historyReply(engine.chartKey(), 90));
  engine.intervalSelectedAtIndex(2);
  EXPECT_EQ(session.requests.back().bars, 90);
}

TEST_F(ChartEngineTest, ZoomKeepsBetween20BarsAndAllBars) {
  load("1#3", 200);
  PlotSpace& space = graph.space;
  ASSERT_TRUE(space.scaleBy(4, 190));  // 35 / 4 bars asked for
  EXPECT_FLOAT_EQ(engine.lengthX(), 20);
  EXPECT_EQ(space.xRange().length, 20);
  EXPECT_EQ(engine.labelStep(), 6);
  ASSERT_TRUE(space.scaleBy(0.01, 100));
  EXPECT_FLOAT_EQ(engine.lengthX(), 199);
  EXPECT_EQ(engine.fromX(), 0);
  EXPECT_EQ(space.xRange(), (PlotRange{0, 199}));
}

TEST_F(ChartEngineTest, DragMovesHorizontallyWithinTheBarsAndNotAtAllWhenEveryBarIsInView) {
  load("1#3", 200);
  PlotSpace& space = graph.space;
  EXPECT_TRUE(space.displaceBy({-50, 3}));
  EXPECT_EQ(engine.fromX(), 114);
  EXPECT_EQ(space.xRange(), (PlotRange{114, 35}));
  space.displaceBy({-500, 0});  // starts at -386: the location becomes 0
  EXPECT_EQ(engine.fromX(), 0);
  EXPECT_EQ(space.xRange().location, 0);
  space.displaceBy({1000, 0});
  EXPECT_EQ(engine.fromX(), 164);
  load("2#3", 12);
  EXPECT_FALSE(space.displaceBy({-3, 0}));
}

TEST_F(ChartEngineTest, FewerThan20BarsStartAtBarZeroAndTheRangeCoversOnlyExistingBars) {
  load("1#2", 9);
  graph.space.scaleBy(1.5, 4);
  EXPECT_FLOAT_EQ(engine.lengthX(), 20);
  EXPECT_EQ(engine.fromX(), 0);
  EXPECT_DOUBLE_EQ(engine.MaxY(), 1.108);  // the high of bar 7, the last drawn
  EXPECT_DOUBLE_EQ(engine.MinY(), 1.099);
}

TEST_F(ChartEngineTest, YRangeHasItsMarginsAndYIntervalsFollowTheHost) {
  load("1#1", 200);
  const double span = engine.MaxY() - engine.MinY();
  EXPECT_NEAR(span, 0.034, 1e-9);  // closes of bars 164 to 198
  EXPECT_NEAR(graph.space.yRange().location, engine.MinY() - span * 0.002, 1e-12);
  EXPECT_NEAR(graph.space.yRange().length, span * 1.1, 1e-12);
  EXPECT_NEAR(graph.y.interval, span / 6, 1e-12);
  graph.space.displaceBy({-10, 0});
  EXPECT_NEAR(graph.y.interval, (engine.MaxY() - engine.MinY()) / 8, 1e-12);
  EXPECT_EQ(graph.y.origin, engine.MinY());

  ChartEngine::Options mainWindow;
  mainWindow.yDivisions = 6;
  ChartOnGraph small(session, mainWindow);
  small.setValue("EURUSD", "1#1");
  small.graph.space.displaceBy({-10, 0});
  EXPECT_NEAR(small.graph.y.interval, (small.MaxY() - small.MinY()) / 6, 1e-12);
}

TEST_F(ChartEngineTest, AFlatOrUnreadableWindowStillHasAYRangeAndSkipsWhatIsNoNumber) {
  engine.setValue("EURUSD", "1#3");
  session.reply("EURUSD^O", "<H~EURUSD^O>1/1/14,1/1/14,1/1/14#1:00:00,1:00:01,1:00:02#1.5,nan,1.5#1.5,inf,1.5#1.5,"
                            "1.5,1.5#1.5,1.5,1.5<END>");
  EXPECT_DOUBLE_EQ(engine.MaxY(), 1.5);
  EXPECT_DOUBLE_EQ(engine.MinY(), 1.5);
  const PlotRange y = graph.space.yRange();
  EXPECT_GT(y.length, 0);
  EXPECT_LT(y.location, 1.5);
  EXPECT_GT(y.end(), 1.5);
}

TEST_F(ChartEngineTest, LabelsStandEveryThirdOfTheViewOverAllBarsEachUnderTheBarItNames) {
  load("1#3", 200);
  EXPECT_EQ(graph.x.allTicks().size(), 19u);
  EXPECT_EQ(graph.x.allTicks()[1], 12);
  EXPECT_EQ(graph.x.allTicks().back(), 199);
  // The label at x = 12 names bar 11, which is drawn there.
  EXPECT_EQ(graph.x.labels()[1], "05 Dec 10:11");
  EXPECT_EQ(graph.records(CANDLE_STICK_PLOT)[11][0], 12);
  graph.space.scaleBy(35.0 / 20, 180);
  EXPECT_EQ(graph.x.allTicks().size(), 34u);
  graph.space.scaleBy(10, 180);  // 20 bars at least: one label per 6 bars
  EXPECT_EQ(graph.x.ticks.step, 6);
  load("3#3", 5);  // lengthX 4: one label per 4 bars
  EXPECT_EQ(graph.x.ticks.step, 4);
  load("4#3", 1);  // lengthX 0: a step of at least 1
  EXPECT_EQ(graph.x.ticks.step, 1);
  EXPECT_TRUE(graph.x.allTicks().empty());
}

TEST_F(ChartEngineTest, LabelFormatsFollowTheIntervalAndTwoDigitYearsPivotAsIcuDoes) {
  engine.setValue("EURUSD", "6#3");
  EXPECT_EQ(engine.DateandTimeFormatting("12/05/14 13:45:10"), "05 Dec 2014");
  engine.setValue("EURUSD", "0#3");
  EXPECT_EQ(engine.DateandTimeFormatting("12/05/14 13:45:10"), "05 Dec 13:45:10");
  engine.setValue("EURUSD", "1#3");
  EXPECT_EQ(engine.DateandTimeFormatting("12/05/14 13:45:10"), "05 Dec 13:45");
  EXPECT_EQ(engine.DateandTimeFormatting("13/05/14 13:45:10"), std::nullopt);
  // Two-digit years run from 80 years back to 20 ahead.
  engine.setValue("EURUSD", "7#3");
  const std::time_t now = std::time(nullptr);
  std::tm today{};
  gmtime_r(&now, &today);
  const int year = today.tm_year + 1900;
  char text[32];
  std::snprintf(text, sizeof text, "01/15/%02d 00:00:00", (year + 19) % 100);
  EXPECT_EQ(engine.DateandTimeFormatting(text), "15 Jan " + std::to_string(year + 19));
  std::snprintf(text, sizeof text, "01/15/%02d 00:00:00", (year + 21) % 100);
  EXPECT_EQ(engine.DateandTimeFormatting(text), "15 Jan " + std::to_string(year + 21 - 100));
}

TEST_F(ChartEngineTest, ADateThatDoesNotReadLeavesItsLabelEmptyAndTheOthersStand) {
  engine.setValue("EURUSD", "1#1");
  std::string reply = historyReply("EURUSD^O", 40);
  reply.replace(reply.find("12/05/14"), 8, "99/99/99");
  session.reply("EURUSD^O", reply);
  const auto labels = graph.x.labels();
  ASSERT_EQ(labels.size(), 4u);
  EXPECT_EQ(labels[0], "");
  EXPECT_EQ(labels[1], "05 Dec 10:11");
}

TEST_F(ChartEngineTest, TypeSwitchesSwapThePlotWithoutARequestAndTheRangeTakesTheWicks) {
  load("1#1", 200);
  const double closesOnly = engine.MaxY();
  engine.TypesegmentControlChanged(2);
  EXPECT_EQ(graph.plotIdentifiers(), std::vector<std::string>{CANDLE_STICK_PLOT});
  EXPECT_EQ(engine.type(), 3);
  EXPECT_DOUBLE_EQ(engine.MaxY(), closesOnly + 0.001);
  EXPECT_NEAR(graph.space.yRange().end(), engine.MinY() + (engine.MaxY() - engine.MinY()) * 1.098, 1e-9);
  const auto* candles = std::get_if<TradingRangeStyle>(graph.style_of(CANDLE_STICK_PLOT));
  ASSERT_NE(candles, nullptr);
  EXPECT_EQ(candles->kind, TradingRangeKind::Candlestick);
  EXPECT_EQ(candles->risingFill, colours::black);
  EXPECT_EQ(candles->fallingFill, colours::white);
  engine.TypesegmentControlChanged(2);  // the type drawn: nothing changes
  engine.TypesegmentControlChanged(7);
  engine.TypesegmentControlChanged(0);
  EXPECT_EQ(graph.plotIdentifiers(), std::vector<std::string>{MAIN_PLOT});
  EXPECT_EQ(session.requests.size(), 1u);
}

class Oscillator : public ChartIndicatorLayer {
 public:
  const std::vector<double>* seriesForPlot(std::string_view plot) const override {
    return plot == AO_BAR_PLOT ? &values : nullptr;
  }
  void priceRangeChanged(bool) override {}
  void barsLoaded() override {}
  std::vector<double> values{-1, 2, 1, 1, 0.5};
};

TEST_F(ChartEngineTest, OscillatorBarsRiseAgainstTheBarBeforeWhateverOrderTheyAreAskedIn) {
  Oscillator oscillator;
  engine.setIndicatorLayer(&oscillator);
  load("1#1", 4);  // 3 bars drawn: the series answers at most that many
  EXPECT_EQ(engine.numberOfRecordsForPlot(AO_BAR_PLOT), 3u);
  EXPECT_EQ(engine.barFillForBarPlot(AO_BAR_PLOT, 2), colours::red);
  EXPECT_EQ(engine.barFillForBarPlot(AO_BAR_PLOT, 0), colours::red);  // -1 against 0
  EXPECT_EQ(engine.barFillForBarPlot(AO_BAR_PLOT, 3), colours::green);
  EXPECT_EQ(engine.barFillForBarPlot(AO_BAR_PLOT, 1), colours::green);
  EXPECT_EQ(engine.numberForPlot(AO_BAR_PLOT, FieldX, 1), 2);
  EXPECT_EQ(engine.numberForPlot(AO_BAR_PLOT, FieldBarTip, 1), 2);
  EXPECT_EQ(engine.barFillForBarPlot(MACD_BAR_PLOT, 0), Rgb::of255(154, 205, 50));
  EXPECT_EQ(engine.numberForPlot("nothing", FieldX, 1), 0);
  EXPECT_EQ(engine.numberOfRecordsForPlot("nothing"), 0u);
}

}  // namespace
}  // namespace td::charts
