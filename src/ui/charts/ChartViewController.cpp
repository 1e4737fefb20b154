#include "ui/charts/ChartViewController.h"

namespace td::charts {
namespace {

ChartEngine::Options mainWindowChartOptions() {
  ChartEngine::Options options;
  options.yDivisions = 6;
  options.analysisHoldsLiveBars = false;
  return options;
}

}  // namespace

ChartViewController::ChartViewController(ChartSession& session) : engine_(session, mainWindowChartOptions()) {
  engine_.setHeaderView(this);
}

std::optional<std::string> ChartViewController::chartTypeImage(std::int64_t index) {
  static constexpr const char* kImages[3] = {"linechart", "ohlcchart", "candlestickchart"};
  if (index < 0 || index > 2) return std::nullopt;
  return kImages[index];
}

std::optional<std::string> ChartViewController::intervalButtonTitle(std::int64_t index) {
  static constexpr const char* kTitles[7] = {"M1", "M5", "M10", "M30", "H1", "D1", "W1"};
  if (index < 0 || index > 6) return std::nullopt;
  return kTitles[index];
}

void ChartViewController::setValue(const std::string& value, std::string_view key) {
  if (!engine_.keyChart(value, key)) return;
  initialize_ = true;
  if (isawakeFromNib_) {
    SetChartTypeButtonImage(type() - 1);
    SetChartIntervalButtonTitle(Currentinterval() - 1);
  }
  engine_.LoadChartView();
}

void ChartViewController::awakeFromNib() {
  if (!initialize_) return;
  initialize_ = false;
  isawakeFromNib_ = true;
  SetChartTypeButtonImage(type() - 1);
  SetChartIntervalButtonTitle(Currentinterval() - 1);
  engine_.resetHighLowArrays();
}

void ChartViewController::HideLabelandHeader(bool hide, const std::string& title) {
  if (view_) view_->HideLabelandHeader(hide, title);
}

void ChartViewController::SetChartTypeButtonImage(std::int64_t index) {
  if (const auto image = chartTypeImage(index); image && view_) view_->setChartTypeImage(*image);
}

void ChartViewController::SetChartIntervalButtonTitle(std::int64_t index) {
  if (view_) view_->setIntervalTitle(intervalButtonTitle(index));
}

void ChartViewController::ChartTypePopUpButtonClicked(std::int64_t tag) {
  engine_.TypesegmentControlChanged(tag);
  SetChartTypeButtonImage(tag);
}

void ChartViewController::IntervalPopUpButtonClicked(std::int64_t tag) {
  // The menu offers the intervals 1 to 7 only; ticks cannot be chosen here.
  if (tag < 0 || tag > 6) return;
  engine_.intervalSelectedAtIndex(tag + 1);
  SetChartIntervalButtonTitle(tag);
}

// ---- the four charts of the main window ----

MainWindowCharts::MainWindowCharts(ChartSession& session, std::function<void(int, ChartViewController&)> viewNeeded)
    : viewNeeded_(std::move(viewNeeded)) {
  for (auto& chart : charts_) chart = std::make_unique<ChartViewController>(session);
}

void MainWindowCharts::onChartSymbol(int chart, const std::string& symbol, const std::string& key) {
  if (chart < 1 || chart > 4) return;
  ChartViewController& target = this->chart(chart);
  std::string keyed = key;
  if (keyed.empty()) {
    // A drop keeps the chart's interval and type; a chart never keyed takes those it starts with.
    keyed = target.engine().symbolName().empty()
                ? std::to_string(chart) + "#3"
                : std::to_string(target.Currentinterval()) + "#" + std::to_string(target.type());
  }
  target.setValue(symbol, keyed);
  bool& made = viewMade_[static_cast<std::size_t>(chart - 1)];
  if (!made && viewNeeded_ && !target.engine().symbolName().empty()) {
    made = true;
    viewNeeded_(chart, target);
  }
}

}  // namespace td::charts
