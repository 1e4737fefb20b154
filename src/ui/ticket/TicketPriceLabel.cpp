#include "ui/ticket/TicketPriceLabel.h"

#include <QPainter>

#include "ui/controls/CustomLabelStyle.h"

namespace td {

TicketPriceLabel::TicketPriceLabel(QWidget* parent) : QWidget(parent) {
  const QFontMetrics small(font());
  const QFontMetrics big(bigFont());
  // Room for a long price: nine characters and two enlarged digits.
  setFixedSize(small.horizontalAdvance(QStringLiteral("0000000.0")) + big.horizontalAdvance(QStringLiteral("00")) + 8,
               big.height());
}

QFont TicketPriceLabel::bigFont() const {
  QFont big = font();
  if (big.pointSizeF() > 0) big.setPointSizeF(big.pointSizeF() + CustomLabelStyle::kEnlargement);
  else big.setPixelSize(big.pixelSize() + static_cast<int>(CustomLabelStyle::kEnlargement));
  return big;
}

void TicketPriceLabel::setPrice(const QString& text) {
  if (text == text_) return;
  text_ = text;
  update();
}

void TicketPriceLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::WindowText));
  const qsizetype start = CustomLabelStyle::enlargedStart(text_);
  const QString head = start < 0 ? text_ : text_.left(start);
  const QString tail = start < 0 ? QString() : text_.mid(start);
  const QFont big = bigFont();
  const QFontMetrics smallMetrics(font());
  const QFontMetrics bigMetrics(big);
  const int headWidth = smallMetrics.horizontalAdvance(head);
  const int x = (width() - headWidth - bigMetrics.horizontalAdvance(tail)) / 2;
  const int baseline = (height() + bigMetrics.ascent() - bigMetrics.descent()) / 2;
  painter.setFont(font());
  painter.drawText(x, baseline, head);
  painter.setFont(big);
  painter.drawText(x + headWidth, baseline, tail);
}

}  // namespace td
