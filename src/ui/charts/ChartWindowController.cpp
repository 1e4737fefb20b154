#include "ui/charts/ChartWindowController.h"

#include "model/ItemDetails.h"
#include "ui/charts/ChartViewController.h"

namespace td::charts {

ChartWindowController::ChartWindowController(ChartSession& session, ChartController& chart,
                                             std::function<bool(const std::string&)> imageExists)
    : session_(session),
      chart_(chart),
      imageExists_(std::move(imageExists)),
      analysis_([&chart] { return chart.DATAPOINTS(); }) {}

void ChartWindowController::windowDidLoad() {
  loaded_ = true;
  intervalArray_.clear();
  for (std::int64_t tag = 0; const auto title = ChartViewController::intervalButtonTitle(tag); ++tag)
    intervalArray_.push_back(*title);
  chartTypeArray_ = {"Line Chart", "Bar Chart", "Candle Chart"};
  windowDidAppear();
  analysis_.setChartAnalysisDelegate(this);
  toggleBottomViewSelectedIndex(0);
}

void ChartWindowController::windowDidAppear() {
  if (!loaded_ || !view_) return;
  const std::vector<std::string> symbols = session_.selectedSymbols();
  view_->setPopUpItems(PopUp::Interval, intervalArray_);
  view_->setPopUpItems(PopUp::ChartType, chartTypeArray_);
  view_->setPopUpItems(PopUp::Symbol, symbols);
  backupSymbolsArray_ = symbols;
  itemCode_ = view_->selectedTitle(PopUp::Symbol);
  intervalIndex_ = view_->selectedIndex(PopUp::Interval) + 1;
  intervalTitle_ = view_->selectedTitle(PopUp::Interval);
  view_->selectPopUpItem(PopUp::ChartType, 2);
  chartTypeIndex_ = 3;
  LoadChart();
  for (int i = 0; i < 3; ++i) view_->setPopUpItemImage(PopUp::ChartType, i, *ChartViewController::chartTypeImage(i));
  for (std::size_t i = 0; i < symbols.size(); ++i)
    view_->setPopUpItemImage(PopUp::Symbol, static_cast<int>(i), symbolIcon(symbols[i]));
}

void ChartWindowController::NeedReload() {
  if (session_.selectedSymbols() != backupSymbolsArray_) windowDidAppear();
}

void ChartWindowController::resetIndicators() {
  analysis_.resetCheckBoxSelection(std::nullopt);
  toggleBottomViewSelectedIndex(0);
  // The engine's lower graph goes with its check box, so it is not drawn again over the new bars.
  chart_.indicators().indicatorViewOff();
  chart_.setChartAnalysisState(false);
}

void ChartWindowController::checkBoxOn(Indicator indicator, const IndicatorParameters& parameters) {
  if (!indicatorInfo(indicator).overlay) toggleBottomViewSelectedIndex(1);
  chart_.indicators().load(indicator, parameters);
  chart_.setChartAnalysisState(true);
}

void ChartWindowController::checkBoxOff(Indicator indicator) {
  if (!indicatorInfo(indicator).overlay) toggleBottomViewSelectedIndex(0);
  chart_.indicators().remove(indicator);
  chart_.setChartAnalysisState(false);
}

void ChartWindowController::IntervalItemSelected(int index) {
  if (index < 0 || index >= static_cast<int>(intervalArray_.size())) return;
  resetIndicators();
  intervalTitle_ = intervalArray_[static_cast<std::size_t>(index)];
  intervalIndex_ = index + 1;
  LoadChart();
}

void ChartWindowController::SymbolPopUpItemSelected(int index) {
  if (!view_ || index < 0) return;
  resetIndicators();
  itemCode_ = view_->selectedTitle(PopUp::Symbol);
  LoadChart();
}

void ChartWindowController::ChartTypeControlSelected(int index) {
  if (index < 0 || index > 2) return;
  chartTypeIndex_ = static_cast<std::uint64_t>(index + 1);
  chart_.TypesegmentControlChanged(index);
}

void ChartWindowController::LoadChart() {
  chart_.setValue(itemCode_, std::to_string(intervalIndex_) + "#" + std::to_string(chartTypeIndex_));
  if (view_) view_->setWindowTitle(itemCode_ + ", " + intervalTitle_);
}

void ChartWindowController::toggleBottomViewSelectedIndex(std::int64_t index) {
  if (!view_) return;
  const bool collapsed = view_->isBottomViewCollapsed();
  if (index == 0 && !collapsed) view_->collapseBottomView();
  else if (index == 1 && collapsed) view_->uncollapseBottomView();
}

std::string ChartWindowController::symbolIcon(const std::string& code) const {
  const auto item = session_.item(code);
  if (item && !item->InstrumentTypeName.empty()) {
    const std::string file = item->InstrumentTypeName + ".png";
    if (imageExists_ && imageExists_(file)) return file;
  }
  return "Others.png";
}

}  // namespace td::charts
