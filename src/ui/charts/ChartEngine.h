#pragma once
// The chart engine: one instrument's bar history at one interval, drawn as a line, OHLC bars or
// candles in a price graph, zoomed and dragged within the loaded bars, with the newest bar following
// the live price once a second. The chart window, the order ticket (ChartController) and the four
// charts of the main window (ChartViewController) each run one.
//
// Loading: setValue(item code, "<interval index>#<chart type>") looks the history up in the
// session's chart cache under "<code>^<interval code>"; on a miss it takes the next request id,
// observes "MainviewChartDataReceivedNotification<id>" and asks the server. A reply filed under the
// chart's key reaches every chart waiting for that key. A chart listens only for the key it shows
// now, and draws a kept reply under one rule: filed within a second (one reading of the live
// price), or filed since the chart asked for its key. A reply's newest bar is the one that held the
// server's time when the reply was filed, and the reply never takes in the prices after it, so an
// older kept reply counts as a miss: the whole series is asked for again (the request names no
// range) and nothing of the old one is drawn. Another reply (of another key, or of an earlier
// request under the same id) ends no wait. While a request is out the chart draws nothing and
// takes no live price: the reply ends at the server's price of its moment, and the live bars go on
// from it.
// A request that cannot be sent, or whose reply has not come by `replyDeadline`, leaves the chart
// with a stand-in: a series of its own that starts at the live price (no bar before it, so no gap
// is joined). The chart then asks again by itself, at every deadline, when a new login has been
// accepted, when the session's request channel is back and when the channel reports a request of
// its key ended without a reply (at once, but once between two deadlines); never while a request of
// its key (its own or another chart's) is still in flight, whose reply it waits for instead. The
// history that comes takes the stand-in's place.
//
// Bars: after a reply of n closes DATAPOINTS and lastArrIndexPtr are n - 1: bars 0 to n - 2 are
// drawn and slot n - 1 is the live slot that the first price change writes. Bar i is drawn at
// x = i + 1, and its axis label stands under it. The visible window starts at fromX (never below
// 0) and is lengthX bars wide; a zoom keeps between 20 bars and all bars in view.
//
// Live bars: once a second the item's last price (with its decimals) and update time are read; only
// a change of the price text against the live slot's close is drawn. A live bar covers one interval
// of the bar length, by the update's own time (the feed's stamp of it): a change stamped within the
// live bar's interval moves that bar (its open stays, its high and low widen); a change stamped in a
// later interval closes it and opens the bar of that interval, stamped with the interval's start.
// Intervals are laid on the grid of the history's newest bar (the calendar's when there is none), so
// live bars meet the history's; an interval without a change of price has no bar. The newest bar
// of a reply is the live bar until a later interval begins. Open, high and low of a bar about to
// open are the prices read in its interval. When the server's clock is set back (an update stamped
// more than 30 s before the latest), the next change opens a bar even in an interval before the live
// bar's: the repeated hour at the end of daylight-saving time gets bars of its own, while an update a
// few seconds out of order still joins the live bar. At a load the latest time read is the start of
// the history's newest bar, or the item's update time when that is earlier (a price the server's
// record took may not have reached the feed yet): a clock set back just after a load is seen, and
// the first readings after it, stamped before the newest bar, are no clock set back. Those readings
// change no bar (the history holds their prices already), on a tick chart too, until the first one
// stamped at or after the newest bar. On a tick chart every change is a bar of its own, stamped with
// its update's time. While a load waits for its reply, and (in the chart window) while an indicator
// holds the analysis flag, live updates are held back.
//
// Main thread only.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Clock.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "ui/charts/ChartBars.h"
#include "ui/charts/ChartSession.h"
#include "ui/charts/PlotLayer.h"

namespace td::charts {

// The highest and lowest of the values taken, passing over values that are no number; 0 and 0
// before any.
struct Extremes {
  double high = 0, low = 0;
  bool any = false;
  void take(double value) {
    if (!std::isfinite(value)) return;
    high = any ? std::max(high, value) : value;
    low = any ? std::min(low, value) : value;
    any = true;
  }
};

// The y range of a graph whose values in view run from `low` to `high`: 0.2 % of their span below
// and 10 % above; without a span (flat, empty or too wide to measure), `flatSpan` about `low`.
PlotRange paddedRange(double low, double high, double flatSpan);

// The title above a chart ("EURUSD, One Minute") with its header, shown with the first graph.
class ChartHeaderView {
 public:
  virtual ~ChartHeaderView() = default;
  virtual void HideLabelandHeader(bool hide, const std::string& title) = 0;
};

// The indicators of a chart window's engine: the series their plots draw, and what they do when
// the price chart's x range changes or new bars are drawn.
class ChartIndicatorLayer {
 public:
  virtual ~ChartIndicatorLayer() = default;
  // The values an indicator plot draws (record i at x = i + 1); none for a plot that is no
  // indicator's.
  virtual const std::vector<double>* seriesForPlot(std::string_view plot) const = 0;
  // The visible bars changed (scaled: by a zoom, so the lower graph's ticks follow).
  virtual void priceRangeChanged(bool scaled) = 0;
  // A reply was drawn.
  virtual void barsLoaded() = 0;
};

class ChartEngine : public PlotDataSource, public PlotSpaceDelegate, public AxisLabelSource {
 public:
  struct Options {
    // Major y intervals after a change of the visible bars: 8 in the chart window, 6 in the main
    // window's charts.
    double yDivisions = 8;
    // Whether the analysis flag holds live updates back (the main window's charts have no
    // indicators, so they never hold back).
    bool analysisHoldsLiveBars = true;
    std::int32_t barsAsked = 200;
    float firstVisibleBars = 35;
    float minimumVisibleBars = 20;
    Clock::Duration liveInterval = std::chrono::seconds(1);
    // How long a chart waits for its history before it starts at the live price.
    Clock::Duration replyDeadline = std::chrono::seconds(10);
    std::size_t capacity = BarSeries::kCapacity;  // bars held at most
  };

  ChartEngine(ChartSession& session, Options options);
  ~ChartEngine() override;
  ChartEngine(const ChartEngine&) = delete;
  ChartEngine& operator=(const ChartEngine&) = delete;

  // The price graph and the title; without a graph the engine keeps its bars and draws once one
  // is set.
  void setGraph(Graph* graph);
  void setHeaderView(ChartHeaderView* view) { header_ = view; }
  void setIndicatorLayer(ChartIndicatorLayer* layer) { indicators_ = layer; }

  // ---- history (loading, requests, replies) ----
  // `setValue:forKey:`: the item code and "<interval index>#<chart type>". A code that is no item
  // of the session changes nothing.
  void setValue(const std::string& value, std::string_view key);
  // The first half of setValue: the symbol, interval index and chart type taken from value and key
  // (nothing is loaded); false, with nothing changed, for a code that is no item of the session.
  bool keyChart(const std::string& value, std::string_view key);
  void LoadChartView();
  void showChart(const std::string& symbol, std::int64_t interval);
  void symbolSelectedAtIndex(const std::string& symbol, std::int32_t decimals);
  void intervalSelectedAtIndex(std::int64_t interval);
  void GetChartValues();
  void requestFinished(std::int32_t requestId);
  void DataProcessing(std::string_view reply);
  // No history came for the key on display (not sent, or not answered in time): the chart starts a
  // series of its own at the live price.
  void replyMissed();
  // Asks for the history of the key on display again when the chart waits for it or shows a
  // stand-in, unless a request of that key is in flight (its reply is then waited for).
  void askAgain();
  // The request channel ended a request of the key on display without a reply: the chart asks
  // again at once, at most once between two deadlines.
  void requestUnanswered();

  // ---- plots and interaction ----
  void ConstructGraph();
  void CreatePlotSpace();
  void CreateAxis();
  void SetAxis();
  void findHighLow();
  // "MM/dd/yy HH:mm:ss" (two-digit years within 80 years back and 20 ahead) to "dd MMM yyyy" (daily
  // and weekly), "dd MMM HH:mm:ss" (ticks) or "dd MMM HH:mm"; none when it does not read.
  std::optional<std::string> DateandTimeFormatting(std::string_view dateTime) const;
  void ConstructAreaGraph();
  void ConstructOHLCGraph();
  void ConstructCandleStickGraph();
  // 0 line, 1 OHLC, 2 candles: the same bars again in that plot; other values change nothing.
  void TypesegmentControlChanged(std::int64_t segment);
  void setType(std::int32_t type) { type_ = type; }
  void ReleaseChartObjects();
  void HideLabelandHeader(bool hide);
  void SetPlotSpaceWhileDraggingandZooming();

  // PlotDataSource
  std::size_t numberOfRecordsForPlot(std::string_view plot) override;
  double numberForPlot(std::string_view plot, int field, std::size_t index) override;
  std::optional<Rgb> barFillForBarPlot(std::string_view plot, std::size_t index) override;
  // PlotSpaceDelegate
  PlotRange willChangePlotRangeTo(PlotSpace& space, PlotRange proposed, Coordinate coordinate) override;
  Displacement willDisplaceBy(PlotSpace& space, Displacement proposed) override;
  void didChangePlotRange(PlotSpace& space, Coordinate coordinate) override;
  bool shouldScaleBy(PlotSpace& space, double factor, double aboutX) override;
  // AxisLabelSource: the label of the bar drawn at x = `location` ("" when its date does not read).
  std::string labelForTick(std::int64_t location) override;

  // ---- live bars ----
  void newChartData();
  void setTimerInterval(std::int64_t interval);
  // The open, high and low of the bar that the price `price` would open: of every price read in its
  // interval (on a tick chart: since the last change).
  double findOpen(double price);
  double findHigh(double price);
  double findLow(double price);
  void resetTimerCounter() { timerCounter_ = 0; }
  void resetHighLowArrays() { liveHigh_.reset(), liveLow_.reset(); }
  void resetOpenPrice() { liveOpen_.reset(); }
  void resetNewDataUpdateValues();
  void setChartAnalysisState(bool enabled) { isChartAnalysisEnabled_ = enabled; }

  // ---- state ----
  const std::string& symbolName() const { return symbolName_; }
  const std::string& chartKey() const { return chartKey_; }
  const std::string& ChartInterval() const { return ChartInterval_; }
  const std::string& IntervalName() const { return IntervalName_; }
  std::int64_t Currentinterval() const { return Currentinterval_; }
  std::int32_t type() const { return type_; }
  std::int32_t dotPosition() const { return dotPosition_; }
  std::int64_t DATAPOINTS() const { return DATAPOINTS_; }
  std::int64_t lastArrIndexPtr() const { return lastArrIndexPtr_; }
  float lengthX() const { return lengthX_; }
  std::int64_t fromX() const { return fromX_; }
  double MaxY() const { return MaxY_; }
  double MinY() const { return MinY_; }
  double timeInterval() const { return timeInterval_; }
  std::uint64_t timerCounter() const { return timerCounter_; }
  bool isChartAnalysisEnabled() const { return isChartAnalysisEnabled_; }
  bool awaitingReply() const { return awaitingReply_; }
  // The chart shows a series of its own in place of the history that did not come.
  bool showsStandIn() const { return standIn_; }
  std::int64_t labelStep() const { return labelStep_; }
  const BarSeries& bars() const { return bars_; }
  Graph* graph() const { return graph_; }
  const Options& options() const { return options_; }
  // The y range the visible bars ask for (with the margins and the minimum span).
  PlotRange priceYRange() const;
  // The x range of the visible bars.
  PlotRange priceXRange() const;
  // Calls take(i) for every visible bar i that a series of `count` values (value i for bar i) has.
  template <class Take>
  void forEachVisibleBar(std::size_t count, Take take) const {
    const double end = static_cast<double>(fromX_) + static_cast<double>(lengthX_);
    const std::int64_t last = std::min<std::int64_t>(DATAPOINTS_, static_cast<std::int64_t>(count));
    for (std::int64_t i = std::max<std::int64_t>(0, fromX_); i < last && static_cast<double>(i) < end; ++i)
      take(static_cast<std::size_t>(i));
  }

 private:
  // Every change of price a bar of its own (the tick interval, and any index outside the table).
  bool isTickChart() const { return timeInterval_ <= 1; }
  // After a parse: the grid of the intervals and the live bar's interval, from the newest bar.
  void meetHistory();
  void forgetWaiting();
  // Listens for the replies told under a request id (once per id).
  void listen(std::int32_t requestId);
  // Sends a request for the key on display, or with `share`, waits for one of its key already in
  // flight; false when none could be sent. The deadline starts anew either way.
  bool ask(bool share);
  // The number of bars the next request asks for, from the history held.
  void askAsManyAsHeld();
  // The deadline passed without the history: the stand-in, and another request.
  void historyOverdue();
  // The key on display has no history drawn: its reply is awaited or a stand-in shows.
  bool waitsForHistory() const { return awaitingReply_ || standIn_; }
  Clock& clock() const;
  // Whether a kept reply can be drawn: filed no more than kFreshReply ago, or since the chart asked
  // for the key on display.
  bool mayDraw(const CachedReply& cached) const;
  static constexpr Clock::Duration kFreshReply = std::chrono::seconds(1);
  // Follows the update times read: a time more than kOutOfOrderSeconds before the latest one means
  // the server's clock was set back.
  void noteUpdateTime(WallTime at);
  static constexpr std::int64_t kOutOfOrderSeconds = 30;
  void startLiveTimer();
  double ySpan() const;
  void applyYInterval();
  const std::vector<double>* indicatorSeries(std::string_view plot) const;

  ChartSession& session_;
  Options options_;
  Graph* graph_ = nullptr;
  ChartHeaderView* header_ = nullptr;
  ChartIndicatorLayer* indicators_ = nullptr;

  std::string symbolName_;
  std::string chartKey_;
  std::string ChartInterval_ = "T";
  std::string IntervalName_;
  std::string labelledInterval_;  // the interval whose label format the cached labels have
  std::int64_t Currentinterval_ = 0;
  std::int32_t type_ = 0;
  std::int32_t dotPosition_ = 0;
  std::int32_t barsToAsk_ = 200;
  std::int64_t DATAPOINTS_ = 0;
  std::int64_t lastArrIndexPtr_ = -1;
  float lengthX_ = 35;
  std::int64_t fromX_ = 0;
  double MaxY_ = 0, MinY_ = 0;
  std::int64_t labelStep_ = 1;
  BarSeries bars_;
  bool loaded_ = false;         // a reply has been parsed
  bool awaitingReply_ = false;  // the key on display has no reply yet
  bool standIn_ = false;        // a series of the chart's own stands in for the history
  bool historyHeld_ = false;    // the bars held came from a history (not from a stand-in)
  std::vector<std::pair<std::int32_t, ObserverToken>> waiting_;  // request ids listened for
  std::optional<Clock::TimePoint> askedAt_;  // when the key on display was first asked for
  TimerHandle replyDeadline_;
  ObserverToken loginToken_, channelToken_;  // a new login, the request channel back
  ObserverToken unansweredToken_;            // a request the channel ended without a reply
  bool askedOnUnanswered_ = false;           // asked again on such a report since the last deadline

  TimerHandle dataTimer_;
  double timeInterval_ = 1;
  std::uint64_t timerCounter_ = 0;  // changes of price written into the live bar
  BarGrid grid_;                    // the intervals of the bars on display
  std::optional<WallTime> liveStart_;  // the start of the live bar's interval
  std::optional<WallTime> nextStart_;  // the later interval whose prices are being read
  std::optional<double> liveOpen_, liveHigh_, liveLow_;  // of the prices read in nextStart_
  std::optional<WallTime> latestUpdate_;  // the latest time read since the load or the clock was last set back
  std::optional<WallTime> historyEnd_;    // the history's newest bar, until a reading reaches it
  bool clockSetBack_ = false;             // set back since the live bar opened
  bool isChartAnalysisEnabled_ = false;
};

}  // namespace td::charts
