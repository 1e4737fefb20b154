#include "ui/charts/ChartEngine.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

#include "model/ItemDetails.h"
#include "platform/DateFormat.h"
#include "platform/Log.h"
#include "session/datasets/ChartRequests.h"
#include "ui/charts/PlotIdentifiers.h"
#include "wire/Formatter.h"

namespace td::charts {
namespace {

// The leading integer of a text (blanks and a sign before it allowed), 0 when there is none; very
// long numbers stop at the int64 range.
std::int64_t leadingInteger(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  std::int64_t value = 0;
  for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
    if (value > (std::numeric_limits<std::int64_t>::max() - 9) / 10) break;
    value = value * 10 + (text[at] - '0');
  }
  return negative ? -value : value;
}

std::int32_t toInt32(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

// The live bar's date "MM/dd/yy" and time "HH:mm:ss" of an item's update time "MM/dd/yyyy HH:mm:ss".
std::pair<std::string, std::string> liveDateAndTime(std::string_view updateTime) {
  auto digits = [&](std::size_t from, std::size_t count) {
    for (std::size_t i = from; i < from + count; ++i)
      if (!std::isdigit(static_cast<unsigned char>(updateTime[i]))) return false;
    return true;
  };
  if (updateTime.size() == 19 && digits(0, 2) && updateTime[2] == '/' && digits(3, 2) && updateTime[5] == '/' &&
      digits(6, 4) && updateTime[10] == ' ' && digits(11, 2) && updateTime[13] == ':' && digits(14, 2) &&
      updateTime[16] == ':' && digits(17, 2)) {
    std::string date(updateTime.substr(0, 6));
    date.append(updateTime.substr(8, 2));
    return {std::move(date), std::string(updateTime.substr(11))};
  }
  return {Formatter::formatDateandTimeFromString(updateTime, DISPLAY_DATE_TIME_FORMAT, "MM/dd/yy").value_or(""),
          Formatter::formatDateandTimeFromString(updateTime, DISPLAY_DATE_TIME_FORMAT, DISPLAY_TIME_FORMAT)
              .value_or("")};
}

bool isPricePlot(std::string_view plot) { return plot == MAIN_PLOT || plot == OHLC_PLOT || plot == CANDLE_STICK_PLOT; }

const LineStyle kTickStyle{1, colours::white, {}, true};
const LineStyle kGridStyle{0.8, Rgb::of255(50, 50, 50), {3, 3}, false};
const TextStyle kLabelText{12, colours::white};

}  // namespace

PlotRange paddedRange(double low, double high, double flatSpan) {
  const double span = high - low;
  if (span > 0 && std::isfinite(span)) return {low - span * 0.2 / 100, span + span * 10 / 100};
  return {low - flatSpan / 2, flatSpan};
}

ChartEngine::ChartEngine(ChartSession& session, Options options)
    : session_(session), options_(options), bars_(options.capacity) {
  lengthX_ = options_.firstVisibleBars;
  barsToAsk_ = options_.barsAsked;
  NotificationCenter& centre = session_.notifications();
  loginToken_ = centre.addObserver("LoginSuccessNotification", [this](const Notification&) { askAgain(); });
  channelToken_ = centre.addObserver(ChartRequests::kRequestChannelBack, [this](const Notification&) { askAgain(); });
  unansweredToken_ = centre.addObserver(ChartRequests::kRequestUnanswered, [this](const Notification& n) {
    if (const auto* key = n.objectAs<std::string>(); key && *key == chartKey_) requestUnanswered();
  });
}

ChartEngine::~ChartEngine() {
  forgetWaiting();
  session_.notifications().removeObserver(loginToken_);
  session_.notifications().removeObserver(channelToken_);
  session_.notifications().removeObserver(unansweredToken_);
}

void ChartEngine::forgetWaiting() {
  for (const auto& [id, token] : waiting_) session_.notifications().removeObserver(token);
  waiting_.clear();
}

void ChartEngine::listen(std::int32_t requestId) {
  for (const auto& [id, token] : waiting_)
    if (id == requestId) return;
  const ObserverToken token = session_.notifications().addObserver(
      ChartRequests::notificationName(requestId), [this, requestId](const Notification&) { requestFinished(requestId); });
  waiting_.emplace_back(requestId, token);
}

void ChartEngine::setGraph(Graph* graph) {
  graph_ = graph;
  if (!graph_) return;
  // `CreateGraph`: the plain black look, the y axis in the right padding, the x axis in the bottom.
  graph_->setStyle(GraphStyle{});
  graph_->setDataSource(this);
  if (loaded_) ConstructGraph();
}

// ---- history ----

void ChartEngine::setValue(const std::string& value, std::string_view key) {
  if (keyChart(value, key)) LoadChartView();
}

bool ChartEngine::keyChart(const std::string& value, std::string_view key) {
  if (!session_.item(value)) {
    TD_LOG_WARN("chart: " + value + " is no instrument of the session; the chart stays as it was");
    return false;
  }
  symbolName_ = value;
  const std::size_t hash = key.find('#');
  Currentinterval_ = leadingInteger(key.substr(0, hash));
  std::string_view second = hash == std::string_view::npos ? std::string_view{} : key.substr(hash + 1);
  second = second.substr(0, second.find('#'));
  type_ = toInt32(leadingInteger(second));
  return true;
}

void ChartEngine::LoadChartView() {
  const auto item = session_.item(symbolName_);
  if (!item) return;
  symbolName_ = item->Code;
  dotPosition_ = item->DecimalPlaces;
  barsToAsk_ = options_.barsAsked;
  lengthX_ = options_.firstVisibleBars;
  showChart(symbolName_, Currentinterval_);
}

void ChartEngine::showChart(const std::string& symbol, std::int64_t interval) {
  symbolName_ = symbol;
  if (const auto* row = chartInterval(interval)) {
    ChartInterval_ = row->code;
    IntervalName_ = row->title;
    Currentinterval_ = interval;
  } else {
    ChartInterval_ = "T";
  }
  setTimerInterval(interval);
  resetNewDataUpdateValues();
  chartKey_ = ChartRequests::chartKey(symbolName_, ChartInterval_);
  ReleaseChartObjects();
  GetChartValues();
}

void ChartEngine::symbolSelectedAtIndex(const std::string& symbol, std::int32_t decimals) {
  dotPosition_ = decimals;
  askAsManyAsHeld();
  showChart(symbol, Currentinterval_);
}

void ChartEngine::intervalSelectedAtIndex(std::int64_t interval) {
  Currentinterval_ = interval;
  askAsManyAsHeld();
  showChart(symbolName_, Currentinterval_);
}

void ChartEngine::askAsManyAsHeld() {
  // As many bars as the chart holds (the live one too), so a reload does not lose one each time.
  // Bars that came from no history (a stand-in's, held until the next reply is drawn) say nothing
  // of it: the chart asks for as many as it asked for last.
  if (!historyHeld_) return;
  barsToAsk_ = lastArrIndexPtr_ >= 0 ? toInt32(lastArrIndexPtr_ + 1) : options_.barsAsked;
}

Clock& ChartEngine::clock() const {
  MainQueue* queue = session_.mainQueue();
  return queue ? queue->clock() : Clock::steady();
}

bool ChartEngine::mayDraw(const CachedReply& cached) const {
  // A kept history ends at the server's price of the moment it was filed and never takes in the
  // prices after it. Within the time between two readings of the live price it lacks nothing the
  // live bars would have caught; any older, its newest bar (or the bars after it) may be wrong,
  // unless it was filed since the chart asked for it.
  if (!cached.age) return false;
  if (*cached.age <= kFreshReply) return true;
  return askedAt_ && *cached.age <= clock().now() - *askedAt_;
}

void ChartEngine::GetChartValues() {
  lengthX_ = options_.firstVisibleBars;
  replyDeadline_.cancel();
  askedAt_.reset();
  standIn_ = false;
  askedOnUnanswered_ = false;
  // The chart listens only for the key it shows now.
  forgetWaiting();
  if (auto cached = session_.cachedReply(chartKey_)) {
    if (mayDraw(*cached)) {
      DataProcessing(cached->text);
      return;
    }
    TD_LOG_INFO("chart: the cached history of " + chartKey_ + " may lack the latest prices; asking for it anew");
  }
  askedAt_ = clock().now();
  // Until its reply comes, the chart shows nothing and the live slot of the bars it still holds
  // (an earlier series, of this key or another) is left alone.
  awaitingReply_ = true;
  if (!ask(false)) replyMissed();
}

bool ChartEngine::ask(bool share) {
  replyDeadline_.cancel();
  if (MainQueue* queue = session_.mainQueue())
    replyDeadline_ = queue->schedule(options_.replyDeadline, [this] { historyOverdue(); });
  if (share)
    if (const auto id = session_.requestInFlight(chartKey_)) {
      listen(*id);
      return true;
    }
  if (share) TD_LOG_INFO("chart: asking again for the history of " + chartKey_);
  const auto id = session_.nextRequestId();
  if (!id) {
    TD_LOG_WARN("chart: no session to ask for " + chartKey_);
    return false;
  }
  if (!session_.requestChartData(symbolName_, ChartInterval_, barsToAsk_)) {
    TD_LOG_WARN("chart: the history request for " + chartKey_ + " was not sent");
    return false;
  }
  // Its reply is handled on this thread, after this task.
  listen(*id);
  return true;
}

void ChartEngine::historyOverdue() {
  askedOnUnanswered_ = false;
  replyMissed();
  askAgain();
}

void ChartEngine::requestUnanswered() {
  if (!waitsForHistory()) return;
  // Another request of the key in flight is waited for. Otherwise the chart asks again at once, but
  // once between two deadlines: a channel that ends every request at once without a reply is asked
  // no faster than the deadlines go.
  if (!session_.requestInFlight(chartKey_)) {
    if (askedOnUnanswered_) return;
    askedOnUnanswered_ = true;
  }
  ask(true);
}

void ChartEngine::askAgain() {
  if (waitsForHistory()) ask(true);
}

void ChartEngine::requestFinished(std::int32_t requestId) {
  // Only a reply filed under the key the chart shows now, one it may draw, ends the chart's wait.
  // Until it is there the chart goes on listening: another chart's request may hold the same id
  // (every reply moves the session's counter back), and an old reply of its own key is what the
  // chart asked to replace.
  const auto cached = session_.cachedReply(chartKey_);
  if (!cached || !mayDraw(*cached)) {
    TD_LOG_INFO("chart: reply " + std::to_string(requestId) + " brought nothing for " + chartKey_);
    return;
  }
  forgetWaiting();
  replyDeadline_.cancel();
  standIn_ = false;
  lengthX_ = options_.firstVisibleBars;
  DataProcessing(cached->text);
}

void ChartEngine::replyMissed() {
  if (!awaitingReply_) return;
  TD_LOG_WARN("chart: no history for " + chartKey_ + "; the chart starts at the live price");
  // The chart goes on listening: a reply that comes later is drawn in place of this series.
  DataProcessing({});
  standIn_ = true;
  historyHeld_ = false;
}

void ChartEngine::DataProcessing(std::string_view reply) {
  const std::size_t closes = parseChartReply(reply, bars_);
  loaded_ = true;
  awaitingReply_ = false;
  // A reply without bars shows an empty chart, never bars left from an earlier one.
  DATAPOINTS_ = lastArrIndexPtr_ = static_cast<std::int64_t>(closes) - 1;
  if (DATAPOINTS_ < 0) DATAPOINTS_ = 0;
  historyHeld_ = true;
  meetHistory();
  if (labelledInterval_ != ChartInterval_) {
    bars_.forgetLabels();
    labelledInterval_ = ChartInterval_;
  }
  if (lengthX_ >= static_cast<float>(DATAPOINTS_)) lengthX_ = static_cast<float>(DATAPOINTS_);
  fromX_ = std::max<std::int64_t>(0, static_cast<std::int64_t>(static_cast<float>(DATAPOINTS_) - lengthX_));
  ConstructGraph();
  if (indicators_) indicators_->barsLoaded();
}

// ---- plots ----

void ChartEngine::ConstructGraph() {
  HideLabelandHeader(false);
  startLiveTimer();
  if (!graph_) return;
  ReleaseChartObjects();
  findHighLow();
  CreatePlotSpace();
  CreateAxis();
  SetAxis();
  switch (type_) {
    case 1: ConstructAreaGraph(); break;
    case 2: ConstructOHLCGraph(); break;
    case 3: ConstructCandleStickGraph(); break;
    default: break;  // no price plot for another type
  }
  graph_->reloadData();
}

double ChartEngine::ySpan() const {
  const double span = MaxY_ - MinY_;
  if (span > 0 && std::isfinite(span)) return span;
  // A flat or empty window still gets a range: ten steps of the last decimal.
  return 10 * std::pow(10.0, -std::clamp(dotPosition_, 0, 12));
}

PlotRange ChartEngine::priceYRange() const { return paddedRange(MinY_, MaxY_, ySpan()); }

PlotRange ChartEngine::priceXRange() const {
  return {static_cast<double>(std::max<std::int64_t>(0, fromX_)), std::max(1.0, static_cast<double>(lengthX_))};
}

void ChartEngine::CreatePlotSpace() {
  if (!graph_) return;
  PlotSpace& space = graph_->plotSpace();
  space.setIdentifier(PRICE_PLOT_SPACE);
  space.setXRange(priceXRange());
  space.setYRange(priceYRange());
  space.setAllowsUserInteraction(true);
  space.setDelegate(this);
}

void ChartEngine::CreateAxis() {
  if (!graph_) return;
  graph_->xAxis().setStyle(AxisStyle{AxisEdge::Bottom, kLabelText, kTickStyle, kTickStyle, kGridStyle, 3, -1, true});
  Axis& y = graph_->yAxis();
  y.setStyle(AxisStyle{AxisEdge::Right, kLabelText, kTickStyle, kTickStyle, kGridStyle, 3, +1, true});
  y.setLabelFractionDigits(dotPosition_);
  y.setMajorIntervalLength(ySpan() / 6);
  y.setLabelingOrigin(MinY_);
}

void ChartEngine::SetAxis() {
  const float step = lengthX_ > 6 ? lengthX_ / 3 : lengthX_;
  labelStep_ = std::max<std::int64_t>(1, static_cast<std::int64_t>(step));
  // Bar i stands at x = i + 1, and so does its label: each label names the bar above it.
  if (graph_) graph_->xAxis().setFixedTicks(AxisTicks{labelStep_, DATAPOINTS_, this, 1});
}

std::optional<std::string> ChartEngine::DateandTimeFormatting(std::string_view dateTime) const {
  // Read and written in UTC, so that no wall time of a daylight-saving change is lost.
  const auto reader = DateFormat::cached("MM/dd/yy HH:mm:ss", DateFormat::Zone::Utc);
  const auto date = reader->parse(dateTime);
  if (!date) return std::nullopt;
  const char* pattern = ChartInterval_ == "D" || ChartInterval_ == "W" ? "dd MMM yyyy"
                        : ChartInterval_ == "T"                       ? "dd MMM HH:mm:ss"
                                                                      : "dd MMM HH:mm";
  return DateFormat::cached(pattern, DateFormat::Zone::Utc)->format(*date);
}

std::string ChartEngine::labelForTick(std::int64_t location) {
  const std::int64_t index = location - 1;  // the bar drawn at this x
  if (index < 0 || index >= DATAPOINTS_ || static_cast<std::size_t>(index) >= bars_.size()) return {};
  Bar& bar = bars_[static_cast<std::size_t>(index)];
  if (bar.labelState == Bar::Label::Unknown) {
    std::string text(bar.date.view());
    text.append(" ").append(bar.time.view());
    const auto label = DateandTimeFormatting(text);
    bar.label.assign(label.value_or(""));
    bar.labelState = label ? Bar::Label::Made : Bar::Label::Unreadable;
  }
  return std::string(bar.label.view());
}

void ChartEngine::findHighLow() {
  Extremes prices;
  const bool wholeBars = type_ == 2 || type_ == 3;  // OHLC bars and candles show their whole range
  forEachVisibleBar(bars_.size(), [&](std::size_t i) {
    const Bar& bar = bars_[i];
    prices.take(bar.close);
    if (wholeBars) {
      prices.take(bar.high);
      prices.take(bar.low);
      prices.take(bar.open);
    }
  });
  MaxY_ = prices.high;
  MinY_ = prices.low;
}

void ChartEngine::ConstructAreaGraph() {
  if (!graph_) return;
  graph_->addPlot(MAIN_PLOT, ScatterStyle{LineStyle{1.5, colours::green, {}, false}});
  graph_->reloadData();
}

void ChartEngine::ConstructOHLCGraph() {
  if (!graph_) return;
  TradingRangeStyle style;
  style.kind = TradingRangeKind::OHLC;
  style.line = LineStyle{1.5, colours::green, {}, false};
  style.stickLength = 6;
  graph_->addPlot(OHLC_PLOT, style);
  graph_->reloadData();
}

void ChartEngine::ConstructCandleStickGraph() {
  if (!graph_) return;
  TradingRangeStyle style;
  style.kind = TradingRangeKind::Candlestick;
  style.line = LineStyle{1.5, colours::white, {}, false};
  style.risingLine = LineStyle{1, colours::green, {}, false};
  style.fallingLine = LineStyle{1, colours::green, {}, false};
  style.risingFill = colours::black;
  style.fallingFill = colours::white;
  style.barWidth = 7;
  graph_->addPlot(CANDLE_STICK_PLOT, style);
  graph_->reloadData();
}

void ChartEngine::TypesegmentControlChanged(std::int64_t segment) {
  static constexpr const char* kPlots[3] = {MAIN_PLOT, OHLC_PLOT, CANDLE_STICK_PLOT};
  static constexpr const char* kNames[3] = {"Line", "OHLC", "Candlestick"};
  if (segment < 0 || segment > 2 || type_ == segment + 1) return;
  const std::int32_t previous = type_;
  type_ = static_cast<std::int32_t>(segment + 1);
  TD_LOG_INFO(kNames[segment]);
  if (!graph_ || !loaded_) return;
  if (previous >= 1 && previous <= 3) graph_->removePlot(kPlots[previous - 1]);
  if (segment == 0) ConstructAreaGraph();
  else if (segment == 1) ConstructOHLCGraph();
  else ConstructCandleStickGraph();
  // The y range follows the new plot's extremes at once, so no wick is cut off.
  findHighLow();
  SetPlotSpaceWhileDraggingandZooming();
  applyYInterval();
}

void ChartEngine::ReleaseChartObjects() {
  if (graph_) graph_->removeAllPlots();
}

void ChartEngine::HideLabelandHeader(bool hide) {
  if (header_) header_->HideLabelandHeader(hide, symbolName_ + ", " + IntervalName_);
}

void ChartEngine::SetPlotSpaceWhileDraggingandZooming() {
  if (!graph_) return;
  PlotSpace& space = graph_->plotSpace();
  space.setXRange(priceXRange());
  space.setYRange(priceYRange());
  graph_->yAxis().setLabelingOrigin(MinY_);
  if (indicators_) indicators_->priceRangeChanged(false);
}

void ChartEngine::applyYInterval() {
  if (graph_) graph_->yAxis().setMajorIntervalLength(ySpan() / options_.yDivisions);
}

// ---- data source ----

const std::vector<double>* ChartEngine::indicatorSeries(std::string_view plot) const {
  return indicators_ ? indicators_->seriesForPlot(plot) : nullptr;
}

std::size_t ChartEngine::numberOfRecordsForPlot(std::string_view plot) {
  const auto drawn = static_cast<std::size_t>(std::min<std::int64_t>(DATAPOINTS_, static_cast<std::int64_t>(bars_.size())));
  if (isPricePlot(plot)) return drawn;
  if (const auto* series = indicatorSeries(plot)) return std::min(drawn, series->size());
  return 0;
}

double ChartEngine::numberForPlot(std::string_view plot, int field, std::size_t index) {
  if (index >= bars_.size()) return 0;
  const double x = static_cast<double>(index) + 1;
  if (isPricePlot(plot)) {
    if (field == FieldX) return x;
    const Bar& bar = bars_[index];
    if (plot == MAIN_PLOT) return bar.close;
    switch (field) {
      case FieldOpen: return bar.open;
      case FieldHigh: return bar.high;
      case FieldLow: return bar.low;
      case FieldClose: return bar.close;
      default: return 0;
    }
  }
  if (const auto* series = indicatorSeries(plot)) {
    if (field == FieldX) return x;
    if (field == FieldY && index < series->size()) return (*series)[index];
  }
  return 0;
}

std::optional<Rgb> ChartEngine::barFillForBarPlot(std::string_view plot, std::size_t index) {
  if (plot == AO_BAR_PLOT || plot == AC_BAR_PLOT) {
    // Rising against the bar before (the first against 0), whatever order the bars are asked in.
    const auto* series = indicatorSeries(plot);
    if (!series || index >= series->size()) return colours::clear;
    const double previous = index ? (*series)[index - 1] : 0.0;
    return (*series)[index] >= previous ? colours::green : colours::red;
  }
  if (plot == MACD_BAR_PLOT) return Rgb::of255(154, 205, 50);
  if (plot == BEARS_BAR_PLOT || plot == BULLS_BAR_PLOT) return Rgb::of255(220, 220, 220);
  return colours::clear;
}

// ---- plot-space delegate ----

PlotRange ChartEngine::willChangePlotRangeTo(PlotSpace& space, PlotRange proposed, Coordinate coordinate) {
  if (space.identifier() != PRICE_PLOT_SPACE) return proposed;
  if (proposed.location < 0) proposed.location = 0;
  if (coordinate == Coordinate::X && std::isfinite(proposed.location) && std::isfinite(proposed.length)) {
    fromX_ = static_cast<std::int64_t>(proposed.location);
    lengthX_ = static_cast<float>(proposed.end() - proposed.location);
    const auto all = static_cast<float>(DATAPOINTS_);
    if (lengthX_ > all) lengthX_ = all;
    if (lengthX_ < options_.minimumVisibleBars) lengthX_ = options_.minimumVisibleBars;
    if (static_cast<float>(fromX_) + lengthX_ >= all) fromX_ = static_cast<std::int64_t>(all - lengthX_);
    if (fromX_ < 0) fromX_ = 0;
  }
  return proposed;
}

Displacement ChartEngine::willDisplaceBy(PlotSpace&, Displacement proposed) {
  if (lengthX_ >= static_cast<float>(DATAPOINTS_)) return {0, 0};  // every bar in view: nothing to scroll
  return {proposed.dx, 0};
}

void ChartEngine::didChangePlotRange(PlotSpace& space, Coordinate coordinate) {
  if (space.identifier() != PRICE_PLOT_SPACE || !graph_) return;
  if (coordinate == Coordinate::Y) {
    graph_->yAxis().setLabelingOrigin(MinY_);
    return;
  }
  // The engine's limits (at least 20 bars, none beyond the data) reach the plot space at once.
  findHighLow();
  SetPlotSpaceWhileDraggingandZooming();
  applyYInterval();
  const std::int64_t step = labelStep_;
  SetAxis();
  if (step != labelStep_ && indicators_) indicators_->priceRangeChanged(true);
}

bool ChartEngine::shouldScaleBy(PlotSpace&, double, double) {
  SetPlotSpaceWhileDraggingandZooming();
  SetAxis();
  if (indicators_) indicators_->priceRangeChanged(true);
  return true;
}

// ---- live bars ----

void ChartEngine::startLiveTimer() {
  if (dataTimer_.active()) return;
  MainQueue* queue = session_.mainQueue();
  if (!queue) return;
  dataTimer_ = queue->scheduleRepeating(options_.liveInterval, [this] { newChartData(); });
}

void ChartEngine::setTimerInterval(std::int64_t interval) {
  const auto* row = chartInterval(interval);
  timeInterval_ = row ? row->barSeconds : 1;
}

void ChartEngine::resetNewDataUpdateValues() {
  resetTimerCounter();
  resetHighLowArrays();
  resetOpenPrice();
}

double ChartEngine::findOpen(double price) {
  if (!liveOpen_) liveOpen_ = price;
  return *liveOpen_;
}

double ChartEngine::findHigh(double price) {
  if (std::isfinite(price) && (!liveHigh_ || price > *liveHigh_)) liveHigh_ = price;
  return liveHigh_.value_or(price);
}

double ChartEngine::findLow(double price) {
  if (std::isfinite(price) && (!liveLow_ || price < *liveLow_)) liveLow_ = price;
  return liveLow_.value_or(price);
}

void ChartEngine::noteUpdateTime(WallTime at) {
  if (latestUpdate_ && at < *latestUpdate_ - kOutOfOrderSeconds) {
    clockSetBack_ = true;
    latestUpdate_ = at;
    return;
  }
  if (!latestUpdate_ || at > *latestUpdate_) latestUpdate_ = at;
}

void ChartEngine::meetHistory() {
  grid_ = BarGrid::calendar(static_cast<std::int64_t>(timeInterval_));
  liveStart_.reset();
  nextStart_.reset();
  latestUpdate_.reset();
  historyEnd_.reset();
  clockSetBack_ = false;
  resetNewDataUpdateValues();
  if (lastArrIndexPtr_ < 0 || static_cast<std::size_t>(lastArrIndexPtr_) >= bars_.size()) return;
  Bar& live = bars_[static_cast<std::size_t>(lastArrIndexPtr_)];
  // The history's newest bar is the live bar of its interval; later bars keep to the history's grid.
  liveStart_ = barWallTime(live);
  if (liveStart_) {
    if (!isTickChart()) grid_.anchor = *liveStart_;
    // The server's clock stood at least at the newest bar when the reply was filed. The feed may
    // lag behind the record (a price in the newest bar whose line has not come yet): the item's
    // update time, and every later one, is no clock set back, and a price stamped before the newest
    // bar is one the history already holds.
    historyEnd_ = liveStart_;
    latestUpdate_ = liveStart_;
    if (const auto item = session_.item(symbolName_))
      if (const auto at = updateWallTime(item->UpdateTime)) latestUpdate_ = std::min(*latestUpdate_, *at);
  }
  // The live bar widens from its own range; one that does not hold its prices starts at its close.
  const bool holds = std::isfinite(live.low) && std::isfinite(live.high) && live.low <= std::min(live.open, live.close) &&
                     std::max(live.open, live.close) <= live.high;
  if (!holds) live.open = live.high = live.low = live.close;
}

void ChartEngine::newChartData() {
  if (options_.analysisHoldsLiveBars && isChartAnalysisEnabled_) return;
  if (awaitingReply_ || !loaded_) return;
  const auto item = session_.item(symbolName_);
  if (!item) return;
  std::string price = Formatter::formatDecimal(item->Last, item->DecimalPlaces);
  if (price.size() > 9) price.resize(9);  // what the close slot holds
  const double value = leadingNumber(price);

  // A tick chart reads the time only while it matters to it: until a reading reaches the history.
  std::optional<WallTime> at;
  if (!isTickChart() || historyEnd_) {
    at = updateWallTime(item->UpdateTime);
    if (at) noteUpdateTime(*at);
  }
  // Until the first reading stamped at or after the history's newest bar, a reading stamped before
  // it is a price the history holds already: it changes no bar. A clock set back is no such reading.
  if (historyEnd_ && at) {
    if (!clockSetBack_ && *at < *historyEnd_) return;
    historyEnd_.reset();
  }
  // Whether the update opens a bar: on a tick chart every change does; otherwise a change stamped in
  // an interval after the live bar's. An update without a readable time stays with the live bar.
  std::optional<WallTime> start;
  if (at && !isTickChart()) start = grid_.startOf(*at);
  // An interval before the live bar's opens a bar only once the clock has been set back (the end of
  // daylight-saving time repeats an hour); a single update a little out of order joins the live bar.
  const bool opens = isTickChart() || (start && (!liveStart_ || *start > *liveStart_ ||
                                                 (clockSetBack_ && *start < *liveStart_)));
  if (opens && start != nextStart_) {
    resetNewDataUpdateValues();
    nextStart_ = start;
  }
  double open = value, high = value, low = value;
  if (opens) {
    open = findOpen(value);
    high = findHigh(value);
    low = findLow(value);
  }
  const bool hasLive = lastArrIndexPtr_ >= 0 && static_cast<std::size_t>(lastArrIndexPtr_) < bars_.size();
  if (hasLive && bars_[static_cast<std::size_t>(lastArrIndexPtr_)].closeText == price) return;

  Bar* bar = nullptr;
  if (opens || !hasLive) {
    lastArrIndexPtr_ =
        hasLive ? static_cast<std::int64_t>(bars_.slotAfter(static_cast<std::size_t>(lastArrIndexPtr_))) : 0;
    bars_.ensureSize(static_cast<std::size_t>(lastArrIndexPtr_) + 1);
    bar = &bars_[static_cast<std::size_t>(lastArrIndexPtr_)];
    if (start) {
      stampBar(*bar, *start);
    } else {
      const auto [date, time] = liveDateAndTime(item->UpdateTime);
      bar->setDate(date);
      bar->setTime(time);
    }
    liveStart_ = start;
    clockSetBack_ = false;
    bar->open = isTickChart() ? value : open;
    bar->high = high;
    bar->low = low;
    resetNewDataUpdateValues();
    nextStart_.reset();
  } else {
    bar = &bars_[static_cast<std::size_t>(lastArrIndexPtr_)];
    bar->high = std::max(bar->high, value);
    bar->low = std::min(bar->low, value);
  }
  ++timerCounter_;
  bar->closeText.assign(price);
  bar->close = value;

  // The view follows the newest bar only while it is in view: a chart the user dragged back to
  // older bars stays where it was put (the live bar is still updated, and shown once back in view).
  const bool following = static_cast<float>(fromX_) + lengthX_ >= static_cast<float>(DATAPOINTS_ - 1);
  const bool allInView = lengthX_ >= static_cast<float>(DATAPOINTS_);
  DATAPOINTS_ = lastArrIndexPtr_ + 1;
  if (!following) {
    if (graph_) graph_->reloadData();
    return;
  }
  // A view that shows every bar of a short series (down to none, for a series started at the live
  // price) widens with the live bars up to the width a load starts with, keeping every bar in view
  // and in its y range; a view the user zoomed keeps its width.
  if (allInView)
    lengthX_ = std::max(lengthX_, std::min(options_.firstVisibleBars, static_cast<float>(DATAPOINTS_ + 1)));
  fromX_ = std::max<std::int64_t>(0, static_cast<std::int64_t>(static_cast<float>(DATAPOINTS_) - lengthX_ + 1));
  findHighLow();
  if (!graph_) return;
  PlotSpace& space = graph_->plotSpace();
  space.setXRange(priceXRange());
  space.setYRange(priceYRange());
  applyYInterval();
  SetAxis();
  if (indicators_) indicators_->priceRangeChanged(false);
  graph_->reloadData();
}

}  // namespace td::charts
