#include "ui/controls/NumericFields.h"

namespace td {

NumericValidator::NumericValidator(NumericFilterKind kind, QLineEdit* edit)
    : QValidator(edit), kind_(kind), edit_(edit), before_(edit ? edit->text() : QString()) {
  if (edit) connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { before_ = text; });
}

QValidator::State NumericValidator::validate(QString& input, int& /*pos*/) const {
  // A text set by the program (setText clears the edit history) is never refused; only the user's
  // own changes, which the line edit records for undo, are filtered.
  if (!edit_ || !edit_->isUndoAvailable()) return Acceptable;
  const TextChange change = NumericFilter::changeBetween(before_, input);
  return NumericFilter::admits(kind_, before_, change) ? Acceptable : Invalid;
}

void installNumericFilter(QLineEdit* edit, NumericFilterKind kind) {
  if (edit) edit->setValidator(new NumericValidator(kind, edit));
}

void installNumericFilter(QComboBox* box, NumericFilterKind kind) {
  if (box && box->lineEdit()) installNumericFilter(box->lineEdit(), kind);
}

JCustomTextField::JCustomTextField(QWidget* parent) : QLineEdit(parent) {
  installNumericFilter(this, NumericFilterKind::Decimal);
}

CustomTextField::CustomTextField(QWidget* parent) : QLineEdit(parent) {
  installNumericFilter(this, NumericFilterKind::WholeNumber);
}

CustomComboBox::CustomComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  installNumericFilter(this, NumericFilterKind::Decimal);
}

QWidget* CustomTextFieldCell::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const {
  auto* editor = new JCustomTextField(parent);
  editor->setFrame(false);
  return editor;
}

CustomComboBoxCell::CustomComboBoxCell(QStringList choices, QObject* parent)
    : QStyledItemDelegate(parent), choices_(std::move(choices)) {}

QWidget* CustomComboBoxCell::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const {
  auto* editor = new CustomComboBox(parent);
  editor->addItems(choices_);
  editor->setCurrentIndex(-1);
  return editor;
}

}  // namespace td
