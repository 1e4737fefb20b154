#pragma once
// The Qt views of the charts: the header strip with the title, the chart pane of the chart window
// and the order ticket (header over a price graph, its ChartController inside), and the main
// window's small chart (header with the chart-type and interval buttons over a price graph, bound to
// a ChartViewController). Each view only binds: what it shows comes from its controller.

#include <QWidget>
#include <memory>
#include <string>

#include "ui/charts/ChartController.h"
#include "ui/charts/ChartViewController.h"
#include "ui/charts/PlotWidget.h"

class QLabel;
class QMenu;
class QToolButton;

namespace td::charts {

// The images of the chart-type buttons and menus ("linechart", "ohlcchart", "candlestickchart"),
// drawn here; an empty icon for another name.
QIcon chartTypeIcon(const std::string& name);

// The strip above a chart: its title, and room for buttons on the right.
class ChartHeader : public QWidget {
  Q_OBJECT
 public:
  explicit ChartHeader(QWidget* parent = nullptr);
  QLabel* titleLabel() const { return title_; }
  void addButton(QToolButton* button);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QLabel* title_;
};

class ChartPane : public QWidget, public ChartHeaderView {
  Q_OBJECT
 public:
  explicit ChartPane(ChartSession& session, QWidget* parent = nullptr);
  ~ChartPane() override;

  ChartController& controller() { return *controller_; }
  PlotWidget* plot() const { return plot_; }
  ChartHeader* header() const { return header_; }

  void HideLabelandHeader(bool hide, const std::string& title) override;

 private:
  ChartHeader* header_;
  PlotWidget* plot_;
  std::unique_ptr<ChartController> controller_;
};

class MainWindowChartView : public QWidget, public ChartToolbarView {
  Q_OBJECT
 public:
  // Binds to the controller and wakes it.
  MainWindowChartView(ChartViewController& controller, QWidget* parent = nullptr);
  ~MainWindowChartView() override;

  PlotWidget* plot() const { return plot_; }
  ChartHeader* header() const { return header_; }
  QToolButton* chartTypeButton() const { return typeButton_; }
  QToolButton* chartIntervalButton() const { return intervalButton_; }
  QMenu* chartTypeMenu() const { return typeMenu_; }
  QMenu* chartIntervalMenu() const { return intervalMenu_; }
  const std::string& chartTypeImage() const { return typeImage_; }

  void HideLabelandHeader(bool hide, const std::string& title) override;
  void setChartTypeImage(const std::string& imageName) override;
  void setIntervalTitle(const std::optional<std::string>& title) override;

 private:
  ChartViewController& controller_;
  ChartHeader* header_;
  PlotWidget* plot_;
  QToolButton* typeButton_;
  QToolButton* intervalButton_;
  QMenu* typeMenu_;
  QMenu* intervalMenu_;
  std::string typeImage_;
};

}  // namespace td::charts
