// The charts drawn by QCustomPlot (offscreen) and fed by a real session: the simulated server's
// history as candles, the user's drag and wheel on the graph, and the request-and-reply path.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>
#include <QWheelEvent>
#include <ctime>

#include "ChartTestSupport.h"
#include "QtTestApp.h"
#include "SessionContextFixture.h"
#include "ui/charts/ChartController.h"
#include "ui/charts/ChartViews.h"
#include "ui/charts/PlotIdentifiers.h"
#include "ui/charts/PlotWidget.h"

#ifdef TD_HAVE_SIMSERVER
#include "ChartRecord.h"
#include "Scenario.h"
#endif

namespace td::charts {
namespace {

using test::FakeChartSession;

// Groups of neighbouring pixel columns inside the plot area that hold a bright pixel (a candle's
// wick, outline or body; grid lines are dark grey).
int brightColumnGroups(const QImage& image, const QRect& area) {
  int groups = 0;
  bool inGroup = false;
  for (int x = area.left() + 1; x < area.right(); ++x) {
    bool bright = false;
    for (int y = area.top() + 1; y < area.bottom() && !bright; ++y) {
      const QColor c = image.pixelColor(x, y);
      bright = std::max({c.red(), c.green(), c.blue()}) > 120;
    }
    if (bright && !inGroup) ++groups;
    inGroup = bright;
  }
  return groups;
}

std::string serverHistory(int bars) {
#ifdef TD_HAVE_SIMSERVER
  const sim::Scenario scenario = sim::Scenario::builtIn();
  const sim::ChartRecord record(scenario, 11, std::time(nullptr));
  return record.chart("EURUSD", "O", bars).value_or("");
#else
  return test::historyReply("EURUSD^O", bars, 1.08, 0.0002, 5);
#endif
}

class ChartRenderTest : public ::testing::Test {
 protected:
  ChartRenderTest() {
    session.addItem("EURUSD", 5, 1.08452);
    session.cache["EURUSD^O"] = {serverHistory(200), session.queue.clock().now()};
    plot.resize(800, 420);
    engine.setGraph(&plot.graph());
  }
  QApplication& app = test::qtTestApp();
  FakeChartSession session;
  PlotWidget plot;
  ChartController engine{session};
};

TEST_F(ChartRenderTest, ACandleChartOfTheServersHistoryDrawsOneCandlePerVisibleBar) {
  engine.setValue("EURUSD", "1#3");
  ASSERT_EQ(engine.DATAPOINTS(), 199);
  const QImage image = plot.toPixmap(800, 420).toImage();
  const QRect area = plot.axisRect()->rect();
  // Bars 163 to 198 stand at x = 164 to 199, the visible range.
  EXPECT_EQ(plot.keyAxis()->range().lower, 164);
  EXPECT_EQ(plot.keyAxis()->range().upper, 199);
  EXPECT_EQ(brightColumnGroups(image, area), 36);
  EXPECT_GE(plot.drawnRecords(CANDLE_STICK_PLOT), 36u);
  // Each candle stands where its bar is, between its low and its high, and nowhere above.
  auto bright = [&](int x, double from, double to) {
    for (int y = std::max(area.top() + 1, int(from)); y <= std::min(area.bottom() - 1, int(to)); ++y) {
      const QColor c = image.pixelColor(x, y);
      if (std::max({c.red(), c.green(), c.blue()}) > 120) return true;
    }
    return false;
  };
  for (int bar : {170, 180, 190}) {
    const Bar& b = engine.bars()[static_cast<std::size_t>(bar)];
    const int x = static_cast<int>(plot.keyAxis()->coordToPixel(bar + 1));
    const double top = plot.valueAxis()->coordToPixel(b.high), bottom = plot.valueAxis()->coordToPixel(b.low);
    EXPECT_TRUE(bright(x, top - 1, bottom + 1)) << bar;
    EXPECT_FALSE(bright(x, area.top(), top - 3)) << bar;
  }
}

TEST_F(ChartRenderTest, TheUsersDragAndWheelGoThroughTheEngine) {
  engine.setValue("EURUSD", "1#1");
  plot.show();
  const int y = plot.height() / 2;
  QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(400, y));
  QTest::mouseMove(&plot, QPoint(600, y));
  QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint(600, y));
  EXPECT_LT(engine.fromX(), 164);  // dragged to the right: older bars come into view
  EXPECT_EQ(plot.keyAxis()->range().lower, engine.fromX());
  QWheelEvent wheel(QPointF(400, y), plot.mapToGlobal(QPointF(400, y)), {}, QPoint(0, -120 * 40), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&plot, &wheel);
  EXPECT_FLOAT_EQ(engine.lengthX(), 199);  // zoomed out as far as the bars go
  EXPECT_EQ(plot.keyAxis()->range().lower, 0);
}

TEST_F(ChartRenderTest, ThePanesHeaderAppearsWithTheFirstGraph) {
  ChartPane pane(session);
  EXPECT_TRUE(pane.header()->isHidden());
  pane.controller().setValue("EURUSD", "0#1");
  session.reply("EURUSD^T", test::historyReply("EURUSD^T", 30));
  EXPECT_FALSE(pane.header()->isHidden());
  EXPECT_EQ(pane.header()->titleLabel()->text(), "EURUSD, Tick");
  ASSERT_NE(pane.plot()->plottable(MAIN_PLOT), nullptr);
}

// The session's own request channel: the request's tags, the reply's hand-over and the cache.
class ChartSessionPathTest : public test::SessionContextTest {};

TEST_F(ChartSessionPathTest, ARequestGoesOutWithItsIdAndItsReplyIsServedFromTheCacheForASecond) {
  makeSession();
  loadLoginData(true);
  test::FakeGraph graph, second;
  ChartController engine(CurrentChartSession::shared()), other(CurrentChartSession::shared());
  engine.setGraph(&graph);
  other.setGraph(&second);
  transport->zmq.clear();
  engine.setValue("EURUSD", "1#3");
  ASSERT_EQ(transport->zmq.size(), 1u);
  for (const char* field : {"10=1040\x03", "12=EURUSD\x03", "83=O\x03", "20=1\x03", "1025=200\x03"})
    EXPECT_NE(transport->zmq[0].find(field), std::string::npos) << field;
  session->NewMessage(testing::frame({{10, "1041"}, {20, "1"}, {17, test::historyReply("EURUSD^O", 60)}}),
                      FrameChannel::Requests);
  queue.runPending();
  EXPECT_EQ(engine.DATAPOINTS(), 59);
  EXPECT_EQ(graph.plotIdentifiers(), std::vector<std::string>{CANDLE_STICK_PLOT});
  other.setValue("EURUSD", "1#1");
  EXPECT_EQ(transport->zmq.size(), 1u);
  EXPECT_EQ(other.DATAPOINTS(), 59);
  EXPECT_EQ(session->Requestid(), 1);

  // Later the kept minutes may lack prices that came since, even within their newest minute.
  queue.advance(std::chrono::milliseconds(1001));
  other.setValue("EURUSD", "1#1");
  EXPECT_EQ(transport->zmq.size(), 2u);
}

}  // namespace
}  // namespace td::charts
