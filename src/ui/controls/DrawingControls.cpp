#include "ui/controls/DrawingControls.h"

#include <QApplication>
#include <QFontDatabase>
#include <QIcon>
#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QVBoxLayout>
#include <initializer_list>
#include <utility>

#include "ui/controls/DrawingGeometry.h"

namespace td {
namespace {

using Stops = std::initializer_list<std::pair<double, double>>;  // position, grey level

QLinearGradient greyGradient(const QRectF& rect, double angle, bool flipped, Stops stops) {
  const QLineF line = drawing::gradientLine(rect, angle, flipped);
  QLinearGradient gradient(line.p1(), line.p2());
  for (const auto& [position, level] : stops) gradient.setColorAt(position, greyColor(level));
  return gradient;
}

QPainterPath roundedFrame(const QRectF& frame, double inset) {
  QPainterPath path;
  path.addRoundedRect(frame.adjusted(inset, inset, -inset, -inset), 3.0, 3.0);
  return path;
}

// The small system font: two points below the general one, as small labels and lists use.
QFont smallSystemFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  if (font.pointSizeF() > 0) font.setPointSizeF(std::max(8.0, font.pointSizeF() - 2.0));
  return font;
}

}  // namespace

QColor greyColor(double level, double alpha) { return QColor::fromRgbF(level, level, level, alpha); }

// ---- AAPLImageAndTextCell ----

AAPLImageAndTextCell::AAPLImageAndTextCell(QObject* parent) : QStyledItemDelegate(parent) {}

void AAPLImageAndTextCell::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  option->font = smallSystemFont();
  option->fontMetrics = QFontMetrics(option->font);
  option->features &= ~QStyleOptionViewItem::HasDecoration;
  option->icon = QIcon();
  option->decorationSize = QSize();
}

QPixmap AAPLImageAndTextCell::imageFor(const QModelIndex& index, const QStyleOptionViewItem& option) const {
  const QVariant decoration = index.data(Qt::DecorationRole);
  switch (decoration.typeId()) {
    case QMetaType::QPixmap: return decoration.value<QPixmap>();
    case QMetaType::QImage: return QPixmap::fromImage(decoration.value<QImage>());
    case QMetaType::QIcon: {
      const QIcon icon = decoration.value<QIcon>();
      const int side = option.decorationSize.isValid() ? option.decorationSize.height() : 16;
      return icon.pixmap(icon.actualSize(QSize(side, side)));
    }
    default: return myImage_;
  }
}

QRectF AAPLImageAndTextCell::titleRect(const QRectF& frame, const QModelIndex& index,
                                       const QStyleOptionViewItem& option) const {
  const QPixmap image = imageFor(index, option);
  std::optional<double> width;
  if (!image.isNull()) width = image.deviceIndependentSize().width();
  return drawing::imageAndTextTitleRect(frame, width);
}

void AAPLImageAndTextCell::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyleOptionViewItem opt(option);
  initStyleOption(&opt, index);
  const QWidget* widget = option.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  painter->save();
  painter->setClipRect(option.rect);
  // Background and selection over the whole frame, the image's slice included.
  style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);
  const QPixmap image = imageFor(index, option);
  if (!image.isNull()) {
    painter->drawPixmap(drawing::imageAndTextImageRect(option.rect, image.deviceIndependentSize()).topLeft(), image);
  }
  const QRectF textRect = titleRect(option.rect, index, option);
  const QPalette::ColorGroup group = (opt.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
  painter->setPen(opt.palette.color(group, (opt.state & QStyle::State_Selected) ? QPalette::HighlightedText
                                                                                : QPalette::Text));
  painter->setFont(opt.font);
  const QString text = opt.fontMetrics.elidedText(opt.text, Qt::ElideRight, static_cast<int>(textRect.width()));
  painter->drawText(textRect, static_cast<int>(Qt::AlignLeft | Qt::AlignTop) | Qt::TextSingleLine, text);
  painter->restore();
}

QSize AAPLImageAndTextCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const QSize plain = QStyledItemDelegate::sizeHint(option, index);
  const QPixmap image = imageFor(index, option);
  std::optional<double> width;
  if (!image.isNull()) width = image.deviceIndependentSize().width();
  QSizeF size = drawing::imageAndTextCellSize(QSizeF(plain), width);
  if (!image.isNull()) size.setHeight(std::max(size.height(), image.deviceIndependentSize().height() + 4.0));
  return size.toSize();
}

void AAPLImageAndTextCell::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                                const QModelIndex& index) const {
  // The editor never covers the image.
  if (editor) editor->setGeometry(titleRect(option.rect, index, option).toRect());
}

// ---- AMBackground ----

AMBackground::AMBackground(QWidget* parent) : QWidget(parent) {}

void AMBackground::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRectF bounds = rect();
  // From the bottom edge (darkest) to the top, with a hard step in the middle.
  painter.fillRect(bounds, greyGradient(bounds, 90.0, false, {{0.0, 0.15}, {0.5, 0.19}, {0.5, 0.20}, {1.0, 0.25}}));
  painter.setPen(QPen(Qt::black, 0));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

// ---- WindowSheetBackgroundView ----

WindowSheetBackgroundView::WindowSheetBackgroundView(QWidget* parent) : QWidget(parent) {}

QVBoxLayout* WindowSheetBackgroundView::fillSheet(QWidget* sheet) {
  auto* outer = new QVBoxLayout(sheet);
  outer->setContentsMargins(0, 0, 0, 0);
  auto* background = new WindowSheetBackgroundView(sheet);
  outer->addWidget(background);
  auto* content = new QVBoxLayout(background);
  content->setContentsMargins(18, 16, 18, 14);
  content->setSpacing(12);
  return content;
}

void WindowSheetBackgroundView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), greyColor(0.9337, 0.98));
}

// ---- AMDarkButtonCell ----

AMDarkButtonCell::AMDarkButtonCell(const QString& title, QWidget* parent) : QPushButton(title, parent) {
  QPalette p = palette();
  p.setColor(QPalette::ButtonText, greyColor(0.92));
  p.setColor(QPalette::Disabled, QPalette::ButtonText, greyColor(0.55));
  setPalette(p);
}

void AMDarkButtonCell::drawBezelWithFrame(QPainter& painter, const QRectF& frame, bool highlighted) {
  painter.setRenderHint(QPainter::Antialiasing, true);
  // A button draws in y-down coordinates: at 270 degrees the inner gradient runs from the bottom
  // edge (darkest) up to the top edge (lightest), so a resting button looks raised.
  {
    const QPainterPath outer = roundedFrame(frame, 0.0);
    painter.save();
    painter.setClipPath(outer);
    painter.fillRect(outer.boundingRect(), greyGradient(outer.boundingRect(), 90.0, true, {{0.0, 0.20}, {1.0, 0.21}}));
    painter.restore();
  }
  {
    const QPainterPath inner = roundedFrame(frame, 2.0);
    painter.save();
    painter.setClipPath(inner);
    painter.fillRect(inner.boundingRect(),
                     greyGradient(inner.boundingRect(), 270.0, true,
                                  {{0.0, 0.17}, {0.12, 0.20}, {0.5, 0.27}, {0.5, 0.30}, {0.98, 0.42}, {1.0, 0.50}}));
    painter.restore();
  }
  painter.save();
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(greyColor(0.12), 1.0));
  painter.drawPath(roundedFrame(frame, 1.5));
  painter.setPen(QPen(greyColor(1.0, 0.05), 1.0));
  painter.drawPath(roundedFrame(frame, 2.5));
  painter.restore();
  if (highlighted) {
    painter.save();
    painter.setClipPath(roundedFrame(frame, 2.0));
    painter.fillRect(frame, QColor::fromRgbF(0.0, 0.0, 0.0, 0.35));
    painter.restore();
  }
}

void AMDarkButtonCell::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  drawBezelWithFrame(painter, QRectF(rect()), isDown() || isChecked());
  QStyleOptionButton option;
  initStyleOption(&option);
  painter.drawControl(QStyle::CE_PushButtonLabel, option);
}

}  // namespace td
