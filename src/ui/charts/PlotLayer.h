#pragma once
// The plot layer of the charts: graphs with one plot space, two axes and their plots (lines, OHLC
// and candle trading ranges, bars), and pies, all pulling their records from a data source when
// they draw. The chart logic talks only to these types; the windows put the QCustomPlot graph
// (PlotWidget) or the QPainter pie (PieView) behind them, and the tests a recording fake.
//
// Without Qt: plain values and small interfaces. Main thread only.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace td::charts {

// A colour with components 0 to 1.
struct Rgb {
  double r = 0, g = 0, b = 0, a = 1;
  static constexpr Rgb of255(int red, int green, int blue) { return {red / 255.0, green / 255.0, blue / 255.0, 1}; }
  bool operator==(const Rgb&) const = default;
};

namespace colours {
inline constexpr Rgb white{1, 1, 1, 1};
inline constexpr Rgb black{0, 0, 0, 1};
inline constexpr Rgb green{0, 1, 0, 1};
inline constexpr Rgb red{1, 0, 0, 1};
inline constexpr Rgb gray{0.5, 0.5, 0.5, 1};
inline constexpr Rgb lightGray{2.0 / 3, 2.0 / 3, 2.0 / 3, 1};
inline constexpr Rgb clear{0, 0, 0, 0};
}  // namespace colours

struct LineStyle {
  double width = 1;
  Rgb colour = colours::white;
  std::vector<double> dash;  // on, off, ... in points; empty: solid
  bool roundCap = false;
  bool operator==(const LineStyle&) const = default;
};

struct TextStyle {
  double fontSize = 12;
  Rgb colour = colours::white;
  bool operator==(const TextStyle&) const = default;
};

struct PlotRange {
  double location = 0;
  double length = 0;
  double end() const { return location + length; }
  bool operator==(const PlotRange&) const = default;
};

enum class Coordinate { X, Y };

struct Displacement {
  double dx = 0, dy = 0;
  bool operator==(const Displacement&) const = default;
};

// Field numbers of a record: x (or a bar's location) is field 0; a line's y and a bar's tip are
// field 1; a trading range has open, high, low and close in fields 1 to 4.
enum PlotField : int { FieldX = 0, FieldY = 1, FieldBarTip = 1, FieldOpen = 1, FieldHigh = 2, FieldLow = 3, FieldClose = 4 };

struct ScatterStyle {
  LineStyle line;
  bool operator==(const ScatterStyle&) const = default;
};

enum class TradingRangeKind { OHLC, Candlestick };

struct TradingRangeStyle {
  TradingRangeKind kind = TradingRangeKind::OHLC;
  LineStyle line;                         // sticks, and outlines where no rising/falling style is set
  std::optional<LineStyle> risingLine;    // outline and wick of a rising candle
  std::optional<LineStyle> fallingLine;   // outline and wick of a falling candle
  Rgb risingFill = colours::clear;
  Rgb fallingFill = colours::clear;
  double stickLength = 3;  // OHLC: length of the open and close sticks, in points
  double barWidth = 5;     // candles: body width, in points
  bool operator==(const TradingRangeStyle&) const = default;
};

struct BarStyle {
  Rgb fill = colours::clear;  // a bar without a fill of its own from the data source
  LineStyle outline{0, colours::clear, {}, false};
  double baseValue = 0;
  double barOffset = 0;    // in x units
  double barWidth = 0.3;   // in x units
  bool operator==(const BarStyle&) const = default;
};

using PlotStyle = std::variant<ScatterStyle, TradingRangeStyle, BarStyle>;

// Where every plot of a graph pulls its records.
class PlotDataSource {
 public:
  virtual ~PlotDataSource() = default;
  virtual std::size_t numberOfRecordsForPlot(std::string_view plot) = 0;
  virtual double numberForPlot(std::string_view plot, int field, std::size_t index) = 0;
  // The fill of one bar of a bar plot; none: the plot's own fill.
  virtual std::optional<Rgb> barFillForBarPlot(std::string_view plot, std::size_t index) {
    (void)plot;
    (void)index;
    return std::nullopt;
  }
};

class PlotSpace;

// What a plot space asks of its delegate while the user drags or zooms it.
class PlotSpaceDelegate {
 public:
  virtual ~PlotSpaceDelegate() = default;
  // The range to apply instead of the proposed one.
  virtual PlotRange willChangePlotRangeTo(PlotSpace& space, PlotRange proposed, Coordinate coordinate) = 0;
  // The displacement of a drag to apply instead of the proposed one.
  virtual Displacement willDisplaceBy(PlotSpace& space, Displacement proposed) = 0;
  virtual void didChangePlotRange(PlotSpace& space, Coordinate coordinate) = 0;
  // Whether a zoom by `factor` (above 1: in) about the x value goes ahead.
  virtual bool shouldScaleBy(PlotSpace& space, double factor, double aboutX) = 0;
};

// The x and y ranges of a graph. Ranges set by the program apply as they are; a drag or zoom of
// the user goes through the delegate's hooks. Zooming is horizontal: the y range is the program's.
class PlotSpace {
 public:
  explicit PlotSpace(std::string identifier = {}) : identifier_(std::move(identifier)) {}

  const std::string& identifier() const { return identifier_; }
  void setIdentifier(std::string identifier) { identifier_ = std::move(identifier); }
  PlotRange xRange() const { return x_; }
  PlotRange yRange() const { return y_; }
  void setXRange(PlotRange range);
  void setYRange(PlotRange range);
  void setDelegate(PlotSpaceDelegate* delegate) { delegate_ = delegate; }
  PlotSpaceDelegate* delegate() const { return delegate_; }
  void setAllowsUserInteraction(bool allows) { interactive_ = allows; }
  bool allowsUserInteraction() const { return interactive_; }

  // A drag by (dx, dy) in plot units; false when nothing moved.
  bool displaceBy(Displacement proposed);
  // A zoom by `factor` (above 1: fewer x units in view) about the x value; false when refused.
  bool scaleBy(double factor, double aboutX);

  // Told after every change of a range (the view follows).
  void setChangeListener(std::function<void()> listener) { listener_ = std::move(listener); }

 private:
  void change(Coordinate coordinate, PlotRange proposed);
  void changed() const {
    if (listener_) listener_();
  }

  std::string identifier_;
  PlotRange x_{0, 1};
  PlotRange y_{0, 1};
  PlotSpaceDelegate* delegate_ = nullptr;
  bool interactive_ = false;
  std::function<void()> listener_;
};

// Labels of fixed ticks, pulled for the ticks in view.
class AxisLabelSource {
 public:
  virtual ~AxisLabelSource() = default;
  virtual std::string labelForTick(std::int64_t location) = 0;
};

// Major ticks at first, first + step, first + 2 step, ... below first + `end`; labelled from
// `labels` when there is a source.
struct AxisTicks {
  std::int64_t step = 1;
  std::int64_t end = 0;
  AxisLabelSource* labels = nullptr;
  std::int64_t first = 0;
  bool operator==(const AxisTicks&) const = default;
};

// The tick locations of `ticks` within [from, to]. A step below 1 counts as 1.
std::vector<std::int64_t> tickLocations(const AxisTicks& ticks, double from, double to);

enum class AxisEdge { Bottom, Right };

struct AxisStyle {
  AxisEdge edge = AxisEdge::Bottom;
  TextStyle labelText;
  LineStyle axisLine;
  LineStyle majorTick;
  std::optional<LineStyle> majorGrid;
  double majorTickLength = 3;
  int tickDirection = -1;  // -1 inwards of the plot area's edge, +1 outwards
  bool labels = true;
  bool operator==(const AxisStyle&) const = default;
};

class Axis {
 public:
  virtual ~Axis() = default;
  virtual void setStyle(const AxisStyle& style) = 0;
  // An x axis with ticks the chart chooses.
  virtual void setFixedTicks(const AxisTicks& ticks) = 0;
  // A y axis: ticks every `length` from the labelling origin, labels with at most `digits`
  // fraction digits.
  virtual void setMajorIntervalLength(double length) = 0;
  virtual void setLabelingOrigin(double origin) = 0;
  virtual void setLabelFractionDigits(int digits) = 0;
};

struct GraphStyle {
  Rgb background = colours::black;
  double paddingTop = 0, paddingRight = 60, paddingBottom = 20, paddingLeft = 0;  // of the plot area
  LineStyle border{0.6, colours::gray, {}, false};
  bool operator==(const GraphStyle&) const = default;
};

// One graph: a plot area with its plot space, an x axis, a y axis and the plots drawn in them.
class Graph {
 public:
  virtual ~Graph() = default;
  virtual PlotSpace& plotSpace() = 0;
  virtual Axis& xAxis() = 0;
  virtual Axis& yAxis() = 0;
  virtual void setStyle(const GraphStyle& style) = 0;
  virtual void setDataSource(PlotDataSource* source) = 0;
  // Adds a plot, or restyles the plot of that identifier.
  virtual void addPlot(const std::string& identifier, const PlotStyle& style) = 0;
  virtual bool removePlot(std::string_view identifier) = 0;
  virtual void removeAllPlots() = 0;
  virtual std::vector<std::string> plotIdentifiers() const = 0;
  bool hasPlot(std::string_view identifier) const;
  // The records are pulled again before the next drawing.
  virtual void reloadData() = 0;
};

// Where a graph is hosted: `newGraph` drops the graph shown before (and its plots) and hosts a new
// one.
class GraphHost {
 public:
  virtual ~GraphHost() = default;
  virtual Graph& newGraph() = 0;
  virtual void setVisible(bool visible) = 0;
};

// ---- pies ----

class PieDataSource {
 public:
  virtual ~PieDataSource() = default;
  virtual std::size_t numberOfSlices() = 0;
  virtual double sliceWidth(std::size_t index) = 0;  // drawn as 0 when negative or not finite
  virtual Rgb sliceFill(std::size_t index) = 0;
  virtual std::string legendTitle(std::size_t index) = 0;
  // The text shown on the slice.
  virtual std::string dataLabel(std::size_t index) = 0;
};

struct PieStyle {
  double radius = 91;
  double startAngle = 0.7853981633974483;  // pi / 4
  bool counterClockwise = true;
  double labelOffset = -60;  // of the slices' data labels from the rim (at the full radius)
  TextStyle labelText{12, colours::black};
  LineStyle border{1.3, colours::black, {}, false};
  // Radial shade over the slices: colour stops at 0 to 1 of the radius.
  std::vector<std::pair<double, Rgb>> overlay{{0, {0, 0, 0, 0}}, {0.9, {0, 0, 0, 0.3}}, {1, {0, 0, 0, 0.7}}};
  // Legend: one column, white, rounded, swatches 12 x 12, black text of 12 points.
  Rgb legendFill = colours::white;
  double legendCornerRadius = 5;
  double swatchSize = 12;
  TextStyle legendText{12, colours::black};
};

// The angles (in radians, counter-clockwise from the x axis) that slices of these widths take,
// starting at `start` and turning in the given direction; widths that are negative or not finite
// take no angle. Every element is the start angle and the sweep of one slice.
std::vector<std::pair<double, double>> sliceAngles(const std::vector<double>& widths, double start, bool counterClockwise);

}  // namespace td::charts
