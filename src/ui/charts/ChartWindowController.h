#pragma once
// The chart window: one watchlist symbol charted at one of seven intervals ("M1" ... "W1") as a
// line, OHLC bars or candles, with the indicator graph in a lower pane that is collapsed while no
// lower-graph indicator is shown. It holds no chart logic: it builds the key
// "<interval>#<chart type>" and hands symbol and key to its chart engine.
//
// Made once, by the main window's "Chart" button, and kept: every click calls NeedReload, which
// refills the pop-ups and starts over at the first symbol, "M1" and "Candle Chart" only when the
// watchlist changed since the last refill.
//
// It is the delegate of its indicator settings: each switch goes to the engine, a lower-graph
// indicator opens the indicator pane (and closes it when switched off), and the engine holds its
// live bars back after a switch-on. Another symbol or interval switches the lower-graph indicator
// off and collapses the pane; the overlays that are on are drawn again over the new bars.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/charts/ChartAnalysisViewController.h"
#include "ui/charts/ChartController.h"
#include "ui/charts/ChartSession.h"

namespace td::charts {

class ChartWindowView {
 public:
  enum class PopUp { Symbol, Interval, ChartType };
  virtual ~ChartWindowView() = default;
  // Removes the pop-up's items and adds these.
  virtual void setPopUpItems(PopUp popUp, const std::vector<std::string>& titles) = 0;
  virtual void selectPopUpItem(PopUp popUp, int index) = 0;
  virtual int selectedIndex(PopUp popUp) const = 0;
  virtual std::string selectedTitle(PopUp popUp) const = 0;
  // The image (a file of the application's images, "Forex.png") or named drawing ("linechart") of
  // an item.
  virtual void setPopUpItemImage(PopUp popUp, int index, const std::string& image) = 0;
  virtual void setWindowTitle(const std::string& title) = 0;
  virtual bool isBottomViewCollapsed() const = 0;
  virtual void collapseBottomView() = 0;
  virtual void uncollapseBottomView() = 0;
};

class ChartWindowController final : public ChartAnalysisViewControllerDelegate {
 public:
  using PopUp = ChartWindowView::PopUp;

  // `imageExists` answers whether the application has an image file of that name (for the symbols'
  // instrument-type icons).
  ChartWindowController(ChartSession& session, ChartController& chart,
                        std::function<bool(const std::string&)> imageExists);

  void setView(ChartWindowView* view) { view_ = view; }
  ChartController& chartController() { return chart_; }
  ChartAnalysisViewController& chartAnalysisViewController() { return analysis_; }

  // Once, when the window is made: the tables, the first refill, the indicator pane collapsed.
  void windowDidLoad();
  // The refill: pop-ups from the watchlist, the first symbol, "M1", "Candle Chart", LoadChart.
  void windowDidAppear();
  // The chart button: windowDidAppear when the watchlist is not what the last refill used.
  void NeedReload();
  void IntervalItemSelected(int index);
  void SymbolPopUpItemSelected(int index);
  void ChartTypeControlSelected(int index);
  // Hands symbol and "%ld#%ld" to the engine; the title becomes "<symbol>, <interval>".
  void LoadChart();
  // 0 collapses the indicator pane if it is open, 1 opens it if it is collapsed.
  void toggleBottomViewSelectedIndex(std::int64_t index);
  // The icon of a watchlist symbol: "<instrument type>.png" when the application has it, else
  // "Others.png".
  std::string symbolIcon(const std::string& code) const;

  // ChartAnalysisViewControllerDelegate
  void checkBoxOn(Indicator indicator, const IndicatorParameters& parameters) override;
  void checkBoxOff(Indicator indicator) override;

  const std::string& itemCode() const { return itemCode_; }
  std::int64_t intervalIndex() const { return intervalIndex_; }
  const std::string& intervalTitle() const { return intervalTitle_; }
  std::uint64_t chartTypeIndex() const { return chartTypeIndex_; }
  const std::vector<std::string>& intervalArray() const { return intervalArray_; }
  const std::vector<std::string>& chartTypeArray() const { return chartTypeArray_; }
  const std::vector<std::string>& backupSymbolsArray() const { return backupSymbolsArray_; }
  bool loaded() const { return loaded_; }

 private:
  // What a change of symbol or interval does to the indicators before the reload.
  void resetIndicators();

  ChartSession& session_;
  ChartController& chart_;
  std::function<bool(const std::string&)> imageExists_;
  ChartAnalysisViewController analysis_;
  ChartWindowView* view_ = nullptr;
  bool loaded_ = false;
  std::string itemCode_;
  std::int64_t intervalIndex_ = 1;
  std::string intervalTitle_;
  std::vector<std::string> intervalArray_;
  std::vector<std::string> chartTypeArray_;
  std::uint64_t chartTypeIndex_ = 3;
  std::vector<std::string> backupSymbolsArray_;
};

}  // namespace td::charts
