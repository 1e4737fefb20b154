#include "ui/charts/ChartIndicators.h"

#include <algorithm>
#include <cmath>

#include "ui/charts/PlotIdentifiers.h"

namespace td::charts {
namespace {

namespace ind = indicators;

const LineStyle kTickStyle{1, colours::white, {}, true};
const LineStyle kGridStyle{0.8, Rgb::of255(50, 50, 50), {3, 3}, false};

LineStyle indicatorLine(Rgb colour, std::vector<double> dash = {}) { return {1.8, colour, std::move(dash), false}; }

BarStyle indicatorBars(Rgb fill) {
  BarStyle style;
  style.fill = fill;
  style.baseValue = 0;
  style.barOffset = -0.25;
  style.barWidth = 0.3;
  return style;
}

// How the lower graph draws each of its plots.
PlotStyle lowerPlotStyle(std::string_view plot) {
  if (plot == MACD_BAR_PLOT) return indicatorBars(Rgb::of255(154, 205, 50));
  if (plot == BEARS_BAR_PLOT || plot == BULLS_BAR_PLOT || plot == AO_BAR_PLOT || plot == AC_BAR_PLOT)
    return indicatorBars(Rgb::of255(220, 220, 220));
  if (plot == MACD_LINE_PLOT) return ScatterStyle{indicatorLine(Rgb::of255(65, 105, 225))};
  if (plot == ROC_PLOT) return ScatterStyle{indicatorLine(Rgb::of255(255, 222, 173))};
  if (plot == STDDEV_PLOT) return ScatterStyle{indicatorLine(Rgb::of255(60, 179, 113))};
  if (plot == RSI_LINE_PLOT || plot == MOMENTUM_LINE_PLOT) return ScatterStyle{indicatorLine(Rgb::of255(30, 144, 255))};
  if (plot == WILLIAM_PERCENT_LINE_PLOT) return ScatterStyle{indicatorLine(Rgb::of255(127, 255, 212))};
  if (plot == STOCH_SIGNAL_LINE_PLOT) return ScatterStyle{indicatorLine(colours::red, {3, 3})};
  if (plot == MACD_SIGNAL_PLOT || plot == RVI_SIGNAL_LINE_PLOT || plot == TRIX_LINE_PLOT)
    return ScatterStyle{indicatorLine(colours::red)};
  if (plot == RVI_MAIN_LINE_PLOT) return ScatterStyle{indicatorLine(colours::green)};
  // CCI, the stochastic's main line, DeMarker, ATR.
  return ScatterStyle{indicatorLine(Rgb::of255(32, 178, 170))};
}

// The plot whose values set the lower graph's y range: MACD's line, the signal lines of the
// stochastic and the RVI, the single plot of the others.
const char* rangePlot(Indicator indicator) {
  switch (indicator) {
    case Indicator::MACD: return MACD_LINE_PLOT;
    case Indicator::Stochastic: return STOCH_SIGNAL_LINE_PLOT;
    case Indicator::RVI: return RVI_SIGNAL_LINE_PLOT;
    default: return indicatorInfo(indicator).plots.front();
  }
}

std::string titleOf(Indicator indicator, const IndicatorParameters& parameters) {
  const IndicatorInfo& info = indicatorInfo(indicator);
  std::string title = info.shortName;
  if (info.periodKeys.empty()) return title;
  title += " (";
  for (std::size_t k = 0; k < info.periodKeys.size(); ++k)
    title += (k ? ", " : "") + std::to_string(parameters.period(info.periodKeys[k]));
  return title + ")";
}

}  // namespace

const std::vector<double>* ChartIndicators::series(std::string_view plot) const {
  const auto it = series_.find(plot);
  return it == series_.end() ? nullptr : &it->second;
}

void ChartIndicators::compute(Indicator indicator, const IndicatorParameters& p) {
  // Bars 0 to DATAPOINTS (the live one too) where they exist.
  const BarSeries& bars = engine_.bars();
  const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(std::max<std::int64_t>(engine_.DATAPOINTS() + 1, 0)),
                                              bars.size());
  std::vector<double> o(n), h(n), l(n), c(n);
  for (std::size_t i = 0; i < n; ++i) {
    o[i] = bars[i].open;
    h[i] = bars[i].high;
    l[i] = bars[i].low;
    c[i] = bars[i].close;
  }
  const std::size_t period = p.period(PERIOD_KEY);
  auto set = [&](const char* plot, std::vector<double> values) { series_[plot] = std::move(values); };
  switch (indicator) {
    case Indicator::SMA: set(SMA_PLOT, ind::simpleMovingAverage(c, period)); break;
    case Indicator::EMA: set(EMA_PLOT, ind::exponentialMovingAverage(c, period)); break;
    case Indicator::BollingerBands: {
      auto bands = ind::bollingerBands(c, period, p.number(DEVIATION_KEY));
      set(BB_MID_PLOT, std::move(bands.mid));
      set(BB_UPPER_PLOT, std::move(bands.upper));
      set(BB_LOWER_PLOT, std::move(bands.lower));
      break;
    }
    case Indicator::Alligator: {
      auto lines = ind::alligator(h, l, p.period(JAWS_PERIOD_KEY), p.period(TEETH_PERIOD_KEY), p.period(LIPS_PERIOD_KEY));
      set(JAWS_LINE_PLOT, std::move(lines.jaws));
      set(TEETH_LINE_PLOT, std::move(lines.teeth));
      set(LIPS_LINE_PLOT, std::move(lines.lips));
      break;
    }
    case Indicator::MACD: {
      auto m = ind::macd(c, p.period(FAST_PERIOD_KEY), p.period(SLOW_PERIOD_KEY), p.period(SIGNAL_PERIOD_KEY));
      set(MACD_LINE_PLOT, std::move(m.line));
      set(MACD_SIGNAL_PLOT, std::move(m.signal));
      set(MACD_BAR_PLOT, std::move(m.histogram));
      break;
    }
    case Indicator::Stochastic: {
      auto s = ind::stochasticOscillator(h, l, c, p.period(K_PERIOD_KEY), p.period(SLOWING_KEY), p.period(D_PERIOD_KEY));
      set(STOCH_MAIN_LINE_PLOT, std::move(s.k));
      set(STOCH_SIGNAL_LINE_PLOT, std::move(s.d));
      break;
    }
    case Indicator::RVI: {
      auto v = ind::relativeVigourIndex(o, h, l, c, period);
      set(RVI_MAIN_LINE_PLOT, std::move(v.main));
      set(RVI_SIGNAL_LINE_PLOT, std::move(v.signal));
      break;
    }
    case Indicator::ROC: set(ROC_PLOT, ind::rateOfChange(c, period)); break;
    case Indicator::StdDev: set(STDDEV_PLOT, ind::standardDeviation(c, period)); break;
    case Indicator::CCI: set(CCI_LINE_PLOT, ind::commodityChannelIndex(h, l, c, period)); break;
    case Indicator::RSI: set(RSI_LINE_PLOT, ind::relativeStrengthIndex(c, period)); break;
    case Indicator::DeMarker: set(DEMARKER_LINE_PLOT, ind::deMarker(h, l, period)); break;
    case Indicator::Momentum: set(MOMENTUM_LINE_PLOT, ind::momentum(c, period)); break;
    case Indicator::WilliamsPercentRange: set(WILLIAM_PERCENT_LINE_PLOT, ind::williamsPercentRange(h, l, c, period)); break;
    case Indicator::BearsPower: set(BEARS_BAR_PLOT, ind::bearsPower(l, c, period)); break;
    case Indicator::BullsPower: set(BULLS_BAR_PLOT, ind::bullsPower(h, c, period)); break;
    case Indicator::TRIX: set(TRIX_LINE_PLOT, ind::trix(c, period)); break;
    case Indicator::ATR: set(ATR_LINE_PLOT, ind::averageTrueRange(h, l, c, period)); break;
    case Indicator::AwesomeOscillator: set(AO_BAR_PLOT, ind::awesomeOscillator(h, l)); break;
    case Indicator::AcceleratorOscillator: set(AC_BAR_PLOT, ind::acceleratorOscillator(h, l)); break;
  }
}

void ChartIndicators::load(Indicator indicator, const IndicatorParameters& parameters) {
  compute(indicator, parameters);
  on_[indicator] = parameters;
  if (indicatorInfo(indicator).overlay) {
    drawOverlay(indicator, parameters);
    return;
  }
  if (lower_ && *lower_ != indicator) on_.erase(*lower_);
  lower_ = indicator;
  setupIndicatorGraph(indicator, parameters);
}

void ChartIndicators::remove(Indicator indicator) {
  on_.erase(indicator);
  const IndicatorInfo& info = indicatorInfo(indicator);
  if (!info.overlay) {
    if (lower_ == indicator) indicatorViewOff();
    return;
  }
  if (Graph* graph = engine_.graph()) {
    for (const char* plot : info.plots) graph->removePlot(plot);
    graph->reloadData();
  }
}

void ChartIndicators::indicatorViewOff() {
  if (lower_) on_.erase(*lower_);
  lower_.reset();
  if (view_) view_->showIndicatorGraphTitle(false, title_);
}

void ChartIndicators::drawOverlay(Indicator indicator, const IndicatorParameters& parameters) {
  Graph* graph = engine_.graph();
  if (!graph) return;
  const IndicatorInfo& info = indicatorInfo(indicator);
  for (std::size_t k = 0; k < info.plots.size(); ++k) {
    // One colour for the three bands; the Alligator's lines each their own.
    const char* key = info.colourKeys[std::min(k, info.colourKeys.size() - 1)];
    graph->addPlot(info.plots[k], ScatterStyle{indicatorLine(parameters.colour(key))});
  }
  graph->reloadData();
}

void ChartIndicators::setupIndicatorGraph(Indicator indicator, const IndicatorParameters& parameters) {
  title_ = titleOf(indicator, parameters);
  if (!view_) return;
  Graph& graph = view_->indicatorGraphHost().newGraph();
  graph_ = &graph;
  GraphStyle style;
  style.border = LineStyle{1.0, colours::lightGray, {}, false};
  graph.setStyle(style);
  graph.setDataSource(&engine_);
  view_->showIndicatorGraphTitle(true, title_);

  findIndicatorHighLow();
  // The plot space follows the price chart; the user does not drag it.
  PlotSpace& space = graph.plotSpace();
  space.setIdentifier(INDICATOR_PLOT_SPACE);
  space.setAllowsUserInteraction(false);
  space.setDelegate(&engine_);

  // Smaller labels than the price graph's: indicator values are often longer than prices.
  const TextStyle labels{10, colours::white};
  graph.xAxis().setStyle(AxisStyle{AxisEdge::Bottom, labels, kTickStyle, kTickStyle, kGridStyle, 3, -1, false});
  setXAxis();
  Axis& y = graph.yAxis();
  y.setStyle(AxisStyle{AxisEdge::Right, labels, kTickStyle, kTickStyle, kGridStyle, 3, +1, true});
  y.setLabelFractionDigits(engine_.dotPosition());
  priceRangeChanged(false);

  for (const char* plot : indicatorInfo(indicator).plots) graph.addPlot(plot, lowerPlotStyle(plot));
  graph.reloadData();
}

void ChartIndicators::findIndicatorHighLow() {
  Extremes values;
  if (const auto* range = lower_ ? series(rangePlot(*lower_)) : nullptr)
    engine_.forEachVisibleBar(range->size(), [&](std::size_t i) { values.take((*range)[i]); });
  indicatorMaxY_ = values.high;
  indicatorMinY_ = values.low;
}

double ChartIndicators::indicatorSpan() const {
  const double span = indicatorMaxY_ - indicatorMinY_;
  if (span > 0 && std::isfinite(span)) return span;
  // A flat window: a range around its value.
  return std::fabs(indicatorMaxY_) > 0 ? std::fabs(indicatorMaxY_) * 0.2 : 1.0;
}

PlotRange ChartIndicators::indicatorYRange() const {
  return paddedRange(indicatorMinY_, indicatorMaxY_, indicatorSpan());
}

void ChartIndicators::setXAxis() {
  if (!graph_) return;
  const auto step = std::max<std::int64_t>(1, static_cast<std::int64_t>(engine_.lengthX() / 6));
  graph_->xAxis().setFixedTicks(AxisTicks{step, engine_.DATAPOINTS(), nullptr});
}

void ChartIndicators::priceRangeChanged(bool scaled) {
  if (!lower_ || !graph_) return;
  findIndicatorHighLow();
  PlotSpace& space = graph_->plotSpace();
  space.setXRange({static_cast<double>(std::max<std::int64_t>(0, engine_.fromX())),
                   std::max(1.0, std::trunc(static_cast<double>(engine_.lengthX())))});
  space.setYRange(indicatorYRange());
  graph_->yAxis().setMajorIntervalLength(indicatorSpan() / 4);
  graph_->yAxis().setLabelingOrigin(indicatorMinY_);
  if (scaled) setXAxis();
}

void ChartIndicators::barsLoaded() {
  // The indicators that are on follow the new bars: overlays (the price graph was built anew) and
  // the lower graph while it is shown.
  const auto on = on_;
  for (const auto& [indicator, parameters] : on) {
    if (!indicatorInfo(indicator).overlay && lower_ != indicator) continue;
    load(indicator, parameters);
  }
}

}  // namespace td::charts
