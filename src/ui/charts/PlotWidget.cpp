#include "ui/charts/PlotWidget.h"

#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <variant>

namespace td::charts {
namespace {

QColor qcolour(const Rgb& c) { return QColor::fromRgbF(float(c.r), float(c.g), float(c.b), float(c.a)); }

QPen qpen(const LineStyle& style) {
  if (style.colour.a <= 0 || style.width <= 0) return Qt::NoPen;
  QPen pen(qcolour(style.colour), style.width);
  pen.setCapStyle(style.roundCap ? Qt::RoundCap : Qt::FlatCap);
  if (!style.dash.empty()) {
    QList<qreal> pattern;
    // Qt measures dashes in pen widths.
    for (double d : style.dash) pattern.append(d / std::max(style.width, 0.1));
    if (pattern.size() % 2) pattern.append(pattern.back());
    pen.setDashPattern(pattern);
  }
  return pen;
}

QBrush qbrush(const Rgb& c) { return c.a <= 0 ? QBrush(Qt::NoBrush) : QBrush(qcolour(c)); }

// The records of a plot that fall into the visible x range (x = index + 1), with a bar to spare on
// each side.
std::pair<std::size_t, std::size_t> visibleRecords(const QCPRange& keys, std::size_t count) {
  const double low = std::floor(keys.lower) - 2;
  const double high = std::ceil(keys.upper) + 1;
  const auto clampTo = [count](double v) {
    if (!(v > 0)) return std::size_t{0};
    return std::min(count, static_cast<std::size_t>(std::min(v, static_cast<double>(count))));
  };
  return {clampTo(low), clampTo(high)};
}

struct Pulling {
  PlotDataSource** source;
  std::string identifier;
  std::size_t drawn = 0;
};

// The records of the visible x range that `make` turns into drawable records (none for a record
// with a value that is no number).
template <class Record, class Make>
QVector<Record> pull(Pulling& pulling, const QCPRange& keys, Make make) {
  QVector<Record> records;
  if (PlotDataSource* source = *pulling.source) {
    const auto [from, to] = visibleRecords(keys, source->numberOfRecordsForPlot(pulling.identifier));
    records.reserve(static_cast<int>(to - from));
    for (std::size_t i = from; i < to; ++i)
      if (const std::optional<Record> record = make(*source, pulling.identifier, i)) records.append(*record);
  }
  pulling.drawn = static_cast<std::size_t>(records.size());
  return records;
}

bool finite(std::initializer_list<double> values) {
  return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

class PulledLine : public QCPGraph {
 public:
  PulledLine(QCPAxis* key, QCPAxis* value, Pulling pulling) : QCPGraph(key, value), pulling_(std::move(pulling)) {}
  Pulling& pulling() { return pulling_; }

 protected:
  void draw(QCPPainter* painter) override {
    data()->set(pull<QCPGraphData>(pulling_, keyAxis()->range(),
                                   [](PlotDataSource& source, const std::string& id,
                                      std::size_t i) -> std::optional<QCPGraphData> {
                                     const double x = source.numberForPlot(id, FieldX, i);
                                     const double y = source.numberForPlot(id, FieldY, i);
                                     if (!finite({x, y})) return std::nullopt;
                                     return QCPGraphData(x, y);
                                   }),
                true);
    QCPGraph::draw(painter);
  }

 private:
  Pulling pulling_;
};

class PulledFinancial : public QCPFinancial {
 public:
  PulledFinancial(QCPAxis* key, QCPAxis* value, Pulling pulling)
      : QCPFinancial(key, value), pulling_(std::move(pulling)) {}
  Pulling& pulling() { return pulling_; }

 protected:
  void draw(QCPPainter* painter) override {
    data()->set(pull<QCPFinancialData>(pulling_, keyAxis()->range(),
                                       [](PlotDataSource& source, const std::string& id,
                                          std::size_t i) -> std::optional<QCPFinancialData> {
                                         const double x = source.numberForPlot(id, FieldX, i);
                                         const double o = source.numberForPlot(id, FieldOpen, i);
                                         const double h = source.numberForPlot(id, FieldHigh, i);
                                         const double l = source.numberForPlot(id, FieldLow, i);
                                         const double c = source.numberForPlot(id, FieldClose, i);
                                         if (!finite({x, o, h, l, c})) return std::nullopt;
                                         return QCPFinancialData(x, o, h, l, c);
                                       }),
                true);
    QCPFinancial::draw(painter);
  }

 private:
  Pulling pulling_;
};

// Bars from a base value to each record's tip, each filled as the data source says.
class PulledBars : public QCPAbstractPlottable {
 public:
  PulledBars(QCPAxis* key, QCPAxis* value, Pulling pulling, BarStyle style)
      : QCPAbstractPlottable(key, value), pulling_(std::move(pulling)), style_(std::move(style)) {}
  Pulling& pulling() { return pulling_; }
  void setStyle(BarStyle style) { style_ = std::move(style); }

  double selectTest(const QPointF&, bool, QVariant*) const override { return -1; }
  QCPRange getKeyRange(bool& found, QCP::SignDomain) const override {
    found = false;
    return {};
  }
  QCPRange getValueRange(bool& found, QCP::SignDomain, const QCPRange&) const override {
    found = false;
    return {};
  }

 protected:
  void draw(QCPPainter* painter) override {
    pulling_.drawn = 0;
    PlotDataSource* source = *pulling_.source;
    if (!source) return;
    const std::string& id = pulling_.identifier;
    const auto [from, to] = visibleRecords(keyAxis()->range(), source->numberOfRecordsForPlot(id));
    painter->setPen(qpen(style_.outline));
    for (std::size_t i = from; i < to; ++i) {
      const double x = source->numberForPlot(id, FieldX, i) + style_.barOffset;
      const double tip = source->numberForPlot(id, FieldBarTip, i);
      if (!std::isfinite(x) || !std::isfinite(tip)) continue;
      const QPointF a = coordsToPixels(x - style_.barWidth / 2, style_.baseValue);
      const QPointF b = coordsToPixels(x + style_.barWidth / 2, tip);
      painter->setBrush(qbrush(source->barFillForBarPlot(id, i).value_or(style_.fill)));
      painter->drawRect(QRectF(a, b).normalized());
      ++pulling_.drawn;
    }
  }
  void drawLegendIcon(QCPPainter*, const QRectF&) const override {}

 private:
  Pulling pulling_;
  BarStyle style_;
};

// Ticks the chart chooses: every `step` bars from 0, labelled by the chart.
class FixedTicker : public QCPAxisTicker {
 public:
  explicit FixedTicker(AxisTicks ticks) : ticks_(ticks) {}
  void generate(const QCPRange& range, const QLocale&, QChar, int, QVector<double>& ticks, QVector<double>* subTicks,
                QVector<QString>* labels) override {
    ticks.clear();
    if (subTicks) subTicks->clear();
    if (labels) labels->clear();
    auto locations = tickLocations(ticks_, range.lower, range.upper);
    if (locations.size() > 400) locations.resize(400);
    for (std::int64_t at : locations) {
      ticks.append(static_cast<double>(at));
      if (labels) labels->append(ticks_.labels ? QString::fromStdString(ticks_.labels->labelForTick(at)) : QString());
    }
  }

 private:
  AxisTicks ticks_;
};

// Ticks every interval from an origin, labelled with at most `digits` fraction digits.
class OriginTicker : public QCPAxisTicker {
 public:
  double interval = 0;
  double origin = 0;
  int digits = 2;
  QCPAxis* axis = nullptr;  // to space the labels on a short axis

  void generate(const QCPRange& range, const QLocale&, QChar, int, QVector<double>& ticks, QVector<double>* subTicks,
                QVector<QString>* labels) override {
    ticks.clear();
    if (subTicks) subTicks->clear();
    if (labels) labels->clear();
    if (!(interval > 0) || !std::isfinite(interval) || !std::isfinite(origin)) return;
    // Every tick keeps its grid line; where the ticks stand closer than a line of label text, only
    // every second (third, ...) one counted from the origin is labelled.
    std::int64_t stride = 1;
    if (axis && range.size() > 0) {
      const double pixels = interval / range.size() * axis->axisRect()->height();
      const double text = QFontMetricsF(axis->tickLabelFont()).height() + 2;
      if (pixels > 0 && pixels < text) stride = static_cast<std::int64_t>(std::ceil(text / pixels));
    }
    const double steps = std::ceil((range.lower - origin) / interval);
    for (int k = 0; k < 200; ++k) {
      const double at = origin + (steps + k) * interval;
      if (at > range.upper) break;
      ticks.append(at);
      const auto number = static_cast<std::int64_t>(steps) + k;
      if (labels) labels->append(number % stride == 0 ? label(at) : QString());
    }
  }

 private:
  QString label(double value) const {
    // At most `digits` fraction digits, and no more than the interval needs (one beyond its first
    // significant digit), so that labels of large values still fit their padding.
    const int needed = static_cast<int>(std::ceil(-std::log10(interval))) + 1;
    QString text = QString::number(value, 'f', std::clamp(std::min(digits, needed), 0, 12));
    if (text.contains('.')) {
      while (text.endsWith('0')) text.chop(1);
      if (text.endsWith('.')) text.chop(1);
    }
    return text == "-0" ? QStringLiteral("0") : text;
  }
};

}  // namespace

// The Graph of a PlotWidget.
class PlotWidget::Adapter : public Graph {
 public:
  class AxisAdapter : public Axis {
   public:
    explicit AxisAdapter(QCPAxis* axis) : axis_(axis) {}
    void setStyle(const AxisStyle& style) override {
      QFont font = axis_->tickLabelFont();
      font.setPointSizeF(style.labelText.fontSize * 0.75);  // points of the original drawing, at 96 dpi
      axis_->setTickLabelFont(font);
      axis_->setTickLabelColor(qcolour(style.labelText.colour));
      axis_->setTickLabels(style.labels);
      axis_->setTickLabelPadding(2);  // prices of seven characters fit the 60-point padding
      axis_->setBasePen(qpen(style.axisLine));
      axis_->setTickPen(qpen(style.majorTick));
      axis_->setSubTicks(false);
      // A negative direction points down or left, a positive one up or right.
      const int length = static_cast<int>(std::lround(style.majorTickLength));
      const bool lowEdge = axis_->axisType() == QCPAxis::atBottom || axis_->axisType() == QCPAxis::atLeft;
      if (lowEdge == (style.tickDirection < 0)) axis_->setTickLength(0, length);
      else axis_->setTickLength(length, 0);
      axis_->grid()->setVisible(style.majorGrid.has_value());
      if (style.majorGrid) axis_->grid()->setPen(qpen(*style.majorGrid));
      axis_->grid()->setSubGridVisible(false);
      axis_->grid()->setZeroLinePen(Qt::NoPen);
    }
    void setFixedTicks(const AxisTicks& ticks) override { axis_->setTicker(QSharedPointer<FixedTicker>::create(ticks)); }
    void setMajorIntervalLength(double length) override {
      origin().interval = length;
      axis_->setTicker(origin_);
    }
    void setLabelingOrigin(double value) override {
      origin().origin = value;
      axis_->setTicker(origin_);
    }
    void setLabelFractionDigits(int digits) override {
      origin().digits = digits;
      axis_->setTicker(origin_);
    }

   private:
    OriginTicker& origin() {
      if (!origin_) {
        origin_ = QSharedPointer<OriginTicker>::create();
        origin_->axis = axis_;
      }
      return *origin_;
    }
    QCPAxis* axis_;
    QSharedPointer<OriginTicker> origin_;
  };

  explicit Adapter(PlotWidget& widget)
      : widget_(widget), x_(widget.QCustomPlot::xAxis), y_(widget.QCustomPlot::yAxis2) {}

  PlotSpace& plotSpace() override { return space_; }
  Axis& xAxis() override { return x_; }
  Axis& yAxis() override { return y_; }
  void setStyle(const GraphStyle& style) override {
    widget_.setBackground(qbrush(style.background));
    QCPAxisRect* rect = widget_.axisRect();
    rect->setBackground(qbrush(style.background));
    rect->setAutoMargins(QCP::msNone);
    rect->setMargins(QMargins(int(style.paddingLeft), int(style.paddingTop), int(style.paddingRight),
                              int(style.paddingBottom)));
    // The border: the two axes without ticks drawn in the border's line.
    for (QCPAxis* edge : {widget_.QCustomPlot::yAxis, widget_.QCustomPlot::xAxis2}) {
      edge->setVisible(true);
      edge->setTicks(false);
      edge->setTickLabels(false);
      edge->grid()->setVisible(false);
      edge->setBasePen(qpen(style.border));
    }
    widget_.QCustomPlot::yAxis2->setVisible(true);
  }
  void setDataSource(PlotDataSource* source) override { source_ = source; }

  void addPlot(const std::string& identifier, const PlotStyle& style) override {
    removePlot(identifier);
    QCPAxis* key = widget_.keyAxis();
    QCPAxis* value = widget_.valueAxis();
    Pulling pulling{&source_, identifier, 0};
    QCPAbstractPlottable* made = nullptr;
    if (const auto* line = std::get_if<ScatterStyle>(&style)) {
      auto* graph = new PulledLine(key, value, pulling);
      graph->setPen(qpen(line->line));
      graph->setLineStyle(QCPGraph::lsLine);
      made = graph;
    } else if (const auto* range = std::get_if<TradingRangeStyle>(&style)) {
      auto* financial = new PulledFinancial(key, value, pulling);
      financial->setWidthType(QCPFinancial::wtAbsolute);
      if (range->kind == TradingRangeKind::OHLC) {
        financial->setChartStyle(QCPFinancial::csOhlc);
        financial->setWidth(2 * range->stickLength);
        financial->setTwoColored(false);
        financial->setPen(qpen(range->line));
      } else {
        financial->setChartStyle(QCPFinancial::csCandlestick);
        financial->setWidth(range->barWidth);
        financial->setTwoColored(true);
        financial->setPenPositive(qpen(range->risingLine.value_or(range->line)));
        financial->setPenNegative(qpen(range->fallingLine.value_or(range->line)));
        financial->setBrushPositive(qbrush(range->risingFill));
        financial->setBrushNegative(qbrush(range->fallingFill));
      }
      made = financial;
    } else if (const auto* bars = std::get_if<BarStyle>(&style)) {
      made = new PulledBars(key, value, pulling, *bars);
    }
    if (!made) return;
    made->setName(QString::fromStdString(identifier));
    made->setAntialiased(true);
    plots_[identifier] = made;
    widget_.replot(QCustomPlot::rpQueuedReplot);
  }
  bool removePlot(std::string_view identifier) override {
    const auto it = plots_.find(std::string(identifier));
    if (it == plots_.end()) return false;
    widget_.removePlottable(it->second);
    plots_.erase(it);
    widget_.replot(QCustomPlot::rpQueuedReplot);
    return true;
  }
  void removeAllPlots() override {
    for (auto& [id, plottable] : plots_) widget_.removePlottable(plottable);
    plots_.clear();
    widget_.replot(QCustomPlot::rpQueuedReplot);
  }
  std::vector<std::string> plotIdentifiers() const override {
    std::vector<std::string> ids;
    for (const auto& entry : plots_) ids.push_back(entry.first);
    return ids;
  }
  void reloadData() override { widget_.replot(QCustomPlot::rpQueuedReplot); }

  QCPAbstractPlottable* plottable(const std::string& identifier) const {
    const auto it = plots_.find(identifier);
    return it == plots_.end() ? nullptr : it->second;
  }
  std::size_t drawn(const std::string& identifier) const {
    QCPAbstractPlottable* p = plottable(identifier);
    if (auto* line = dynamic_cast<PulledLine*>(p)) return line->pulling().drawn;
    if (auto* financial = dynamic_cast<PulledFinancial*>(p)) return financial->pulling().drawn;
    if (auto* bars = dynamic_cast<PulledBars*>(p)) return bars->pulling().drawn;
    return 0;
  }
  void reset() {
    removeAllPlots();
    space_ = PlotSpace();
    listen();
  }
  void listen() {
    space_.setChangeListener([this] {
      const PlotRange x = space_.xRange();
      const PlotRange y = space_.yRange();
      widget_.keyAxis()->setRange(x.location, x.end());
      widget_.valueAxis()->setRange(y.location, y.end());
      widget_.QCustomPlot::xAxis2->setRange(x.location, x.end());
      widget_.QCustomPlot::yAxis->setRange(y.location, y.end());
      widget_.replot(QCustomPlot::rpQueuedReplot);
    });
  }

 private:
  PlotWidget& widget_;
  PlotSpace space_;
  AxisAdapter x_;
  AxisAdapter y_;
  PlotDataSource* source_ = nullptr;
  std::map<std::string, QCPAbstractPlottable*, std::less<>> plots_;
};

PlotWidget::PlotWidget(QWidget* parent) : QCustomPlot(parent), adapter_(std::make_unique<Adapter>(*this)) {
  setObjectName("plotWidget");
  setInteractions(QCP::Interactions());
  setNoAntialiasingOnDrag(false);
  adapter_->listen();
  adapter_->setStyle(GraphStyle{});
}

PlotWidget::~PlotWidget() {
  // The plottables go with the widget; the adapter only names them.
  adapter_.reset();
}

Graph& PlotWidget::graph() { return *adapter_; }

Graph& PlotWidget::newGraph() {
  adapter_->reset();
  return *adapter_;
}

QCPAbstractPlottable* PlotWidget::plottable(const std::string& identifier) const { return adapter_->plottable(identifier); }

std::size_t PlotWidget::drawnRecords(const std::string& identifier) const { return adapter_->drawn(identifier); }

QCPAxis* PlotWidget::keyAxis() const { return QCustomPlot::xAxis; }

QCPAxis* PlotWidget::valueAxis() const { return QCustomPlot::yAxis2; }

void PlotWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    dragging_ = true;
    lastX_ = event->position().x();
    event->accept();
    return;
  }
  QCustomPlot::mousePressEvent(event);
}

void PlotWidget::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) {
    QCustomPlot::mouseMoveEvent(event);
    return;
  }
  const double x = event->position().x();
  const double dx = keyAxis()->pixelToCoord(lastX_) - keyAxis()->pixelToCoord(x);
  lastX_ = x;
  adapter_->plotSpace().displaceBy({dx, 0});
  event->accept();
}

void PlotWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && dragging_) {
    dragging_ = false;
    event->accept();
    return;
  }
  QCustomPlot::mouseReleaseEvent(event);
}

void PlotWidget::wheelEvent(QWheelEvent* event) {
  const double steps = event->angleDelta().y() / 120.0;
  if (steps == 0) {
    event->ignore();
    return;
  }
  const double about = keyAxis()->pixelToCoord(event->position().x());
  adapter_->plotSpace().scaleBy(std::pow(1.15, steps), about);
  event->accept();
}

}  // namespace td::charts
