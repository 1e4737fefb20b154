#include "ui/ticket/TicketControls.h"

#include <QPainter>
#include <QRegularExpressionValidator>

#include "platform/AppContext.h"
#include "platform/NotificationCenter.h"

namespace td {
namespace {

QValidator* decimalValidator(QObject* parent) {
  return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*\\.?[0-9]*")), parent);
}

}  // namespace

StandInDecimalField::StandInDecimalField(QWidget* parent) : QLineEdit(parent) { setValidator(decimalValidator(this)); }

StandInWholeNumberField::StandInWholeNumberField(QWidget* parent) : QLineEdit(parent) {
  setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), this));
}

StandInDecimalComboBox::StandInDecimalComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  lineEdit()->setValidator(decimalValidator(this));
}

StandInQuantityHeader::StandInQuantityHeader(Qt::Orientation orientation, QWidget* parent)
    : QHeaderView(orientation, parent) {}

void StandInQuantityHeader::editSection(int logicalIndex) {
  if (editor_ || logicalIndex < 0 || logicalIndex >= count()) return;
  editor_ = new QLineEdit(viewport());
  editor_->setObjectName("headerEditor");
  editor_->setValidator(decimalValidator(editor_));
  editor_->setAlignment(Qt::AlignCenter);
  editor_->setGeometry(sectionViewportPosition(logicalIndex), 0, sectionSize(logicalIndex), viewport()->height());
  connect(editor_, &QLineEdit::editingFinished, this, &StandInQuantityHeader::endEditing);
  editor_->show();
  editor_->setFocus(Qt::OtherFocusReason);
}

void StandInQuantityHeader::endEditing() {
  // Return and the focus leaving both end an edit: only the first counts.
  if (!editor_) return;
  QLineEdit* editor = editor_;
  editor_ = nullptr;
  const std::string text = editor->text().toStdString();
  editor->disconnect(this);
  editor->hide();
  editor->deleteLater();
  AppContext::current()->notificationCenter()->post("TableHeaderEditNotification", text);
}

TicketPriceLabel::TicketPriceLabel(QWidget* parent) : QWidget(parent) {
  const QFontMetrics small(font());
  const QFontMetrics big(bigFont());
  // Room for a long price: ten characters and two enlarged digits.
  setFixedSize(small.horizontalAdvance(QStringLiteral("0000000.0")) + big.horizontalAdvance(QStringLiteral("00")) + 8,
               big.height());
}

QFont TicketPriceLabel::bigFont() const {
  QFont big = font();
  if (big.pointSizeF() > 0) big.setPointSizeF(big.pointSizeF() + kEnlargement);
  else big.setPixelSize(big.pixelSize() + static_cast<int>(kEnlargement));
  return big;
}

qsizetype TicketPriceLabel::enlargedStart(const QString& text) { return text.size() >= 2 ? text.size() - 2 : text.size(); }

void TicketPriceLabel::setPrice(const QString& text) {
  if (text == text_) return;
  text_ = text;
  update();
}

void TicketPriceLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::WindowText));
  const qsizetype split = enlargedStart(text_);
  const QString head = text_.left(split);
  const QString tail = text_.mid(split);
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
