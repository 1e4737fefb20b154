#pragma once
// The indicators of the chart window's engine. Overlays (simple and exponential averages,
// Bollinger bands, Alligator) draw their lines on the price graph and combine freely; each other
// indicator draws in a lower graph of its own, one at a time: every switch-on builds a new lower
// graph whose x range follows the price chart's visible bars and whose y range follows the
// indicator's values over them.
//
// An indicator is computed from the bars loaded when it is switched on, and computed again and
// drawn when new bars are loaded while it is on. Main thread only.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ui/charts/ChartEngine.h"
#include "ui/charts/Indicators.h"

namespace td::charts {

// The lower pane: where the lower graph is hosted, and its title.
class IndicatorGraphView {
 public:
  virtual ~IndicatorGraphView() = default;
  virtual GraphHost& indicatorGraphHost() = 0;
  virtual void showIndicatorGraphTitle(bool shown, const std::string& title) = 0;
};

class ChartIndicators final : public ChartIndicatorLayer {
 public:
  explicit ChartIndicators(ChartEngine& engine) : engine_(engine) {}

  void setIndicatorGraphView(IndicatorGraphView* view) { view_ = view; }

  // Computes the indicator from the bars loaded and draws it; a lower-graph indicator takes the
  // lower graph's place from the one shown before.
  void load(Indicator indicator, const IndicatorParameters& parameters);
  // Removes an overlay's lines, or switches the lower graph off.
  void remove(Indicator indicator);
  // `indicatorViewOff`: the lower graph is no longer shown (its title hides; the pane is the
  // window's to collapse).
  void indicatorViewOff();

  bool isOn(Indicator indicator) const { return on_.count(indicator) != 0; }
  // Whether the lower graph is shown.
  bool isIndicatorPlot() const { return lower_.has_value(); }
  std::optional<Indicator> lowerIndicator() const { return lower_; }
  Graph* indicatorGraph() const { return graph_; }
  const std::string& indicatorGraphTitle() const { return title_; }
  double indicatorMaxY() const { return indicatorMaxY_; }
  double indicatorMinY() const { return indicatorMinY_; }
  // The series a plot draws (none for a plot no indicator computed).
  const std::vector<double>* series(std::string_view plot) const;
  PlotRange indicatorYRange() const;

  void findIndicatorHighLow();
  void setXAxis();

  // ChartIndicatorLayer
  const std::vector<double>* seriesForPlot(std::string_view plot) const override { return series(plot); }
  void priceRangeChanged(bool scaled) override;
  void barsLoaded() override;

 private:
  void compute(Indicator indicator, const IndicatorParameters& parameters);
  void drawOverlay(Indicator indicator, const IndicatorParameters& parameters);
  void setupIndicatorGraph(Indicator indicator, const IndicatorParameters& parameters);
  double indicatorSpan() const;

  ChartEngine& engine_;
  IndicatorGraphView* view_ = nullptr;
  std::map<std::string, std::vector<double>, std::less<>> series_;  // by plot identifier
  std::map<Indicator, IndicatorParameters> on_;
  std::optional<Indicator> lower_;  // the lower graph's indicator while it is shown
  Graph* graph_ = nullptr;
  std::string title_;
  double indicatorMaxY_ = 0, indicatorMinY_ = 0;
};

}  // namespace td::charts
