#pragma once
// The plot layer drawn by QCustomPlot: one widget hosts one graph (an axis rect with the x axis at
// the bottom, the y axis on the right, a grey border, the plots) and turns the user's drags and
// wheel turns into its plot space's displacements and zooms. Every plot pulls the records of the
// visible x range from the data source each time it is drawn, so a reload costs nothing until the
// next paint, and a paint costs only what is in view.

#include <map>
#include <memory>
#include <string>

#include "ui/charts/PlotLayer.h"

#include <qcustomplot.h>

namespace td::charts {

class PlotWidget : public QCustomPlot, public GraphHost {
  Q_OBJECT
 public:
  explicit PlotWidget(QWidget* parent = nullptr);
  ~PlotWidget() override;

  Graph& graph();
  // GraphHost: the plots, ticks and plot space of the graph shown before go.
  Graph& newGraph() override;
  void setVisible(bool visible) override { QCustomPlot::setVisible(visible); }

  // The plottable drawing a plot, for tests; none for an unknown identifier.
  QCPAbstractPlottable* plottable(const std::string& identifier) const;
  // The records drawn at the last paint of a plot.
  std::size_t drawnRecords(const std::string& identifier) const;
  QCPAxis* keyAxis() const;
  QCPAxis* valueAxis() const;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  class Adapter;
  std::unique_ptr<Adapter> adapter_;
  bool dragging_ = false;
  double lastX_ = 0;
};

}  // namespace td::charts
