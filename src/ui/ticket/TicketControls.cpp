#include "ui/ticket/TicketControls.h"

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

QString standInPriceLabelText(const QFont& font, const QString& text) {
  // Fewer than two characters: nothing is enlarged.
  const qsizetype split = text.size() >= 2 ? text.size() - 2 : text.size();
  const double size = font.pointSizeF() > 0 ? font.pointSizeF() : 12;
  return QStringLiteral("<p align=\"center\" style=\"margin:0; white-space:pre;\">%1<span style=\"font-size:%2pt;\">"
                        "%3</span></p>")
      .arg(text.left(split).toHtmlEscaped(), QString::number(size + 20), text.mid(split).toHtmlEscaped());
}

}  // namespace td
