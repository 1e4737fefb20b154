#pragma once
// The pie of the plot layer drawn with QPainter (PieCanvas), and the account pie's pane of the main
// window: the two-segment switch ("Profit/Loss", "Margin"), the title and the pie with its legend.

#include <QWidget>

#include "ui/charts/PieChartViewController.h"
#include "ui/charts/PlotLayer.h"

class QButtonGroup;
class QLabel;

namespace td::charts {

class PieCanvas : public QWidget {
  Q_OBJECT
 public:
  PieCanvas(PieDataSource& source, PieStyle style, QWidget* parent = nullptr);

  // Where the pie stands and how large it is drawn in a canvas of this size with `slices` legend
  // rows (the legend below the pie when it does not fit beside it).
  struct Layout {
    QPointF centre;
    double radius = 0;
    QRectF legend;
  };
  Layout layoutFor(QSizeF size, std::size_t slices) const;
  // The slice under a point, or -1.
  int sliceAt(QPointF point) const;
  // Where each slice's data label stands in a layout: centred on the slice's middle direction at
  // the label offset from the rim (scaled with a pie drawn smaller than its radius); an empty
  // rectangle for a slice that takes no angle.
  std::vector<QRectF> dataLabelRects(const Layout& layout) const;
  // The slice whose data label is under a point, or -1.
  int dataLabelAt(QPointF point) const;

  // Told of a click on a slice, and on a slice's data label (which lies over its slice).
  std::function<void(std::size_t)> sliceClicked;
  std::function<void(std::size_t)> dataLabelClicked;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  PieDataSource& source_;
  PieStyle style_;
};

class PieChartPane : public QWidget, public PieChartView {
  Q_OBJECT
 public:
  // Binds to the controller and wakes it.
  PieChartPane(PieChartViewController& controller, QWidget* parent = nullptr);
  ~PieChartPane() override;

  QLabel* titleLabel() const { return title_; }
  QButtonGroup* segments() const { return segments_; }
  PieCanvas* canvas() const { return canvas_; }

  void setTitle(const std::string& title) override;
  void constructGraph() override;
  void reloadData() override;

 private:
  PieChartViewController& controller_;
  QButtonGroup* segments_;
  QLabel* title_;
  PieCanvas* canvas_;
};

}  // namespace td::charts
