#pragma once
// The chart window: a tool window above the main window with the symbol, interval and chart-type
// pop-ups and the "Indicators" button (its popover holds the indicator settings) over a split view
// (the price chart above, the indicator graph below, collapsed while no lower-graph indicator is
// on). It binds to ChartWindowController.

#include <QWidget>
#include <memory>

#include "ui/charts/ChartAnalysisView.h"
#include "ui/charts/ChartViews.h"
#include "ui/charts/ChartWindowController.h"

class QComboBox;
class QFrame;
class QLabel;
class QSplitter;
class QToolButton;

namespace td::charts {

class ChartWindow : public QWidget, public ChartWindowView, public IndicatorGraphView {
  Q_OBJECT
 public:
  ChartWindow(ChartSession& session, QWidget* parent = nullptr);
  ~ChartWindow() override;

  ChartWindowController& controller() { return *controller_; }
  ChartPane* chartPane() const { return chartPane_; }
  QComboBox* popUp(PopUp popUp) const;
  QSplitter* chartSplitView() const { return split_; }
  QWidget* indicatorPane() const { return indicatorPane_; }
  PlotWidget* indicatorPlot() const { return indicatorPlot_; }
  QLabel* indicatorGraphTitleLabel() const { return indicatorTitle_; }
  QToolButton* analysisButton() const { return analysisButton_; }
  // `analysisButtonClicked:`: the popover of the indicator settings below the button.
  void analysisButtonClicked();
  // The popover, made on first use and kept.
  QFrame* analysisPopover() const { return popover_; }
  ChartAnalysisPanel* analysisPanel() const { return panel_; }

  QSize sizeHint() const override { return {900, 600}; }

  // ChartWindowView
  void setPopUpItems(PopUp popUp, const std::vector<std::string>& titles) override;
  void selectPopUpItem(PopUp popUp, int index) override;
  int selectedIndex(PopUp popUp) const override;
  std::string selectedTitle(PopUp popUp) const override;
  void setPopUpItemImage(PopUp popUp, int index, const std::string& image) override;
  void setWindowTitle(const std::string& title) override;
  bool isBottomViewCollapsed() const override;
  void collapseBottomView() override;
  void uncollapseBottomView() override;

  // IndicatorGraphView
  GraphHost& indicatorGraphHost() override { return *indicatorPlot_; }
  void showIndicatorGraphTitle(bool shown, const std::string& title) override;

 private:
  void createAnalysisPopover();

  QComboBox* symbols_;
  QComboBox* intervals_;
  QComboBox* types_;
  QToolButton* analysisButton_;
  QSplitter* split_;
  ChartPane* chartPane_;
  QWidget* indicatorPane_;
  QLabel* indicatorTitle_;
  PlotWidget* indicatorPlot_;
  QFrame* popover_ = nullptr;
  ChartAnalysisPanel* panel_ = nullptr;
  int topFrameHeight_ = 440;
  int bottomFrameHeight_ = 170;
  std::unique_ptr<ChartWindowController> controller_;
};

}  // namespace td::charts
