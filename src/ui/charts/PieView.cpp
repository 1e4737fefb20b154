#include "ui/charts/PieView.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>
#include <numbers>

namespace td::charts {
namespace {

QColor qcolour(const Rgb& c) { return QColor::fromRgbF(float(c.r), float(c.g), float(c.b), float(c.a)); }

constexpr double kRowHeight = 17;
constexpr double kLegendPadding = 6;

QFont fontOf(const TextStyle& text) {
  QFont font;
  font.setPixelSize(static_cast<int>(std::lround(text.fontSize)));
  return font;
}

QFont legendFont(const PieStyle& style) { return fontOf(style.legendText); }

std::vector<double> widthsOf(PieDataSource& source) {
  std::vector<double> widths;
  for (std::size_t i = 0, n = source.numberOfSlices(); i < n; ++i) widths.push_back(source.sliceWidth(i));
  return widths;
}

double legendWidth(PieDataSource& source, const PieStyle& style) {
  const QFontMetricsF metrics(legendFont(style));
  double widest = 0;
  for (std::size_t i = 0, n = source.numberOfSlices(); i < n; ++i)
    widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(source.legendTitle(i))));
  return widest + style.swatchSize + 3 * kLegendPadding;
}

}  // namespace

PieCanvas::PieCanvas(PieDataSource& source, PieStyle style, QWidget* parent)
    : QWidget(parent), source_(source), style_(std::move(style)) {
  setObjectName("pieChartView");
  setMinimumSize(120, 120);
}

PieCanvas::Layout PieCanvas::layoutFor(QSizeF size, std::size_t slices) const {
  Layout layout;
  const double legendW = slices ? legendWidth(source_, style_) : 0;
  const double legendH = slices ? static_cast<double>(slices) * kRowHeight + 2 * kLegendPadding : 0;
  const double margin = 8;
  double radius = style_.radius;
  if (2 * radius + 2 * margin + legendW + margin <= size.width() && 2 * radius + 2 * margin <= size.height()) {
    // Beside: the pie on the left, the legend at the right edge.
    layout.centre = QPointF(margin + radius, size.height() / 2);
    layout.legend = QRectF(size.width() - legendW - 5, (size.height() - legendH) / 2, legendW, legendH);
  } else {
    radius = std::min({radius, (size.width() - 2 * margin) / 2, (size.height() - legendH - 3 * margin) / 2});
    radius = std::max(radius, 10.0);
    layout.centre = QPointF(size.width() / 2, margin + radius);
    layout.legend = QRectF((size.width() - legendW) / 2, layout.centre.y() + radius + margin, legendW, legendH);
  }
  layout.radius = radius;
  return layout;
}

int PieCanvas::sliceAt(QPointF point) const {
  const Layout layout = layoutFor(size(), source_.numberOfSlices());
  const QPointF d = point - layout.centre;
  if (std::hypot(d.x(), d.y()) > layout.radius) return -1;
  // Counter-clockwise from the x axis with y pointing up, as the slices are laid.
  double angle = std::atan2(-d.y(), d.x());
  const auto angles = sliceAngles(widthsOf(source_), style_.startAngle, style_.counterClockwise);
  for (std::size_t i = 0; i < angles.size(); ++i) {
    const auto [start, sweep] = angles[i];
    if (sweep == 0) continue;
    double from = std::min(start, start + sweep), span = std::fabs(sweep);
    double rel = std::fmod(angle - from, 2 * std::numbers::pi);
    if (rel < 0) rel += 2 * std::numbers::pi;
    if (rel <= span) return static_cast<int>(i);
  }
  return -1;
}

std::vector<QRectF> PieCanvas::dataLabelRects(const Layout& layout) const {
  const std::size_t n = source_.numberOfSlices();
  std::vector<QRectF> rects(n);
  const auto angles = sliceAngles(widthsOf(source_), style_.startAngle, style_.counterClockwise);
  const double distance = std::max(0.0, layout.radius * (1 + style_.labelOffset / style_.radius));
  const QFontMetricsF metrics(fontOf(style_.labelText));
  for (std::size_t i = 0; i < n; ++i) {
    const auto [start, sweep] = angles[i];
    if (sweep == 0) continue;
    const double middle = start + sweep / 2;
    const QPointF at = layout.centre + QPointF(std::cos(middle), -std::sin(middle)) * distance;
    const QSizeF text(metrics.horizontalAdvance(QString::fromStdString(source_.dataLabel(i))) + 2, metrics.height());
    rects[i] = QRectF(at - QPointF(text.width() / 2, text.height() / 2), text);
  }
  return rects;
}

int PieCanvas::dataLabelAt(QPointF point) const {
  const auto rects = dataLabelRects(layoutFor(size(), source_.numberOfSlices()));
  // The last drawn lies on top.
  for (std::size_t i = rects.size(); i-- > 0;)
    if (!rects[i].isEmpty() && rects[i].contains(point)) return static_cast<int>(i);
  return -1;
}

void PieCanvas::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const std::size_t n = source_.numberOfSlices();
  if (n == 0) return;
  const Layout layout = layoutFor(size(), n);
  const QRectF circle(layout.centre.x() - layout.radius, layout.centre.y() - layout.radius, 2 * layout.radius,
                      2 * layout.radius);
  const auto angles = sliceAngles(widthsOf(source_), style_.startAngle, style_.counterClockwise);
  QPen border(qcolour(style_.border.colour), style_.border.width);
  for (std::size_t i = 0; i < n; ++i) {
    const auto [start, sweep] = angles[i];
    if (sweep == 0) continue;
    p.setPen(border);
    p.setBrush(qcolour(source_.sliceFill(i)));
    const bool full = std::fabs(sweep) >= 2 * std::numbers::pi - 1e-9;
    if (full) p.drawEllipse(circle);
    else p.drawPie(circle, static_cast<int>(std::lround(start * 180 / std::numbers::pi * 16)),
                   static_cast<int>(std::lround(sweep * 180 / std::numbers::pi * 16)));
  }
  // The shade over the slices: light in the middle, darker at the rim.
  QRadialGradient shade(layout.centre, layout.radius);
  for (const auto& [at, colour] : style_.overlay) shade.setColorAt(at, qcolour(colour));
  p.setPen(Qt::NoPen);
  p.setBrush(shade);
  p.drawEllipse(circle);

  // Each slice's data label over it.
  p.setFont(fontOf(style_.labelText));
  p.setPen(qcolour(style_.labelText.colour));
  const auto labels = dataLabelRects(layout);
  for (std::size_t i = 0; i < n; ++i)
    if (!labels[i].isEmpty()) p.drawText(labels[i], Qt::AlignCenter, QString::fromStdString(source_.dataLabel(i)));

  // The legend: one row per slice, a swatch and the title.
  p.setFont(legendFont(style_));
  p.setPen(QPen(QColor(110, 110, 110), 1));
  p.setBrush(qcolour(style_.legendFill));
  p.drawRoundedRect(layout.legend, style_.legendCornerRadius, style_.legendCornerRadius);
  for (std::size_t i = 0; i < n; ++i) {
    const double y = layout.legend.top() + kLegendPadding + static_cast<double>(i) * kRowHeight;
    const QRectF swatch(layout.legend.left() + kLegendPadding, y + (kRowHeight - style_.swatchSize) / 2,
                        style_.swatchSize, style_.swatchSize);
    p.setPen(QPen(QColor(60, 60, 60), 0.5));
    p.setBrush(qcolour(source_.sliceFill(i)));
    p.drawRect(swatch);
    p.setPen(qcolour(style_.legendText.colour));
    p.drawText(QRectF(swatch.right() + kLegendPadding, y, layout.legend.width(), kRowHeight),
               Qt::AlignVCenter | Qt::AlignLeft, QString::fromStdString(source_.legendTitle(i)));
  }
}

void PieCanvas::mousePressEvent(QMouseEvent* event) {
  if (const int label = dataLabelAt(event->position()); label >= 0) {
    if (dataLabelClicked) dataLabelClicked(static_cast<std::size_t>(label));
  } else if (const int slice = sliceAt(event->position()); slice >= 0 && sliceClicked) {
    sliceClicked(static_cast<std::size_t>(slice));
  }
  QWidget::mousePressEvent(event);
}

// ---- PieChartPane ----

PieChartPane::PieChartPane(PieChartViewController& controller, QWidget* parent)
    : QWidget(parent),
      controller_(controller),
      segments_(new QButtonGroup(this)),
      title_(new QLabel(this)),
      canvas_(new PieCanvas(controller, PieStyle{}, this)) {
  setObjectName("pieChartPane");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(4);
  auto* row = new QHBoxLayout;
  row->setSpacing(0);
  const char* names[2] = {"Profit/Loss", "Margin"};
  for (int i = 0; i < 2; ++i) {
    auto* segment = new QToolButton(this);
    segment->setObjectName(i == 0 ? "pieProfitLossSegment" : "pieMarginSegment");
    segment->setText(names[i]);
    segment->setCheckable(true);
    segments_->addButton(segment, i);
    row->addWidget(segment);
  }
  segments_->setExclusive(true);
  segments_->button(0)->setChecked(true);
  row->addSpacing(10);
  title_->setObjectName("pieTitleLabel");
  title_->setTextFormat(Qt::PlainText);
  QFont bold = title_->font();
  bold.setBold(true);
  title_->setFont(bold);
  title_->setText("Profit/Loss");
  row->addWidget(title_);
  row->addStretch(1);
  layout->addLayout(row);
  layout->addWidget(canvas_, 1);
  canvas_->hide();  // until the session announces its data
  connect(segments_, &QButtonGroup::idClicked, this, [this](int id) { controller_.pieSegementButtonClicked(id); });
  canvas_->sliceClicked = [this](std::size_t slice) { controller_.sliceWasSelected(slice); };
  canvas_->dataLabelClicked = [this](std::size_t slice) { controller_.dataLabelWasSelected(slice); };

  controller_.setView(this);
  controller_.awakeFromNib();
}

PieChartPane::~PieChartPane() { controller_.setView(nullptr); }

void PieChartPane::setTitle(const std::string& title) { title_->setText(QString::fromStdString(title)); }

void PieChartPane::constructGraph() {
  canvas_->show();
  canvas_->update();
}

void PieChartPane::reloadData() { canvas_->update(); }

}  // namespace td::charts
