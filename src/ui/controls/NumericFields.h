#pragma once
// The number fields: line edits, combo boxes and table-cell editors that refuse a keystroke, paste
// or drop which would break their rule (NumericFilter.h).
//
//  - JCustomTextField: a line edit for a decimal number (prices, take-profit and stop-loss, the
//    demo form's phone and postal code).
//  - CustomTextField: a line edit for a whole number of at most five digits (ports, deviations,
//    indicator periods).
//  - CustomComboBox: an editable combo box for a decimal number (quantity boxes).
//  - CustomTextFieldCell, CustomComboBoxCell: item delegates whose editors are the decimal line edit
//    and the decimal combo box (quantity cells of tables).
//
// The filter looks only at what the user does: a text set by the program (setText, choosing an
// item of the combo box's list) is taken as it is.

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QStringList>
#include <QStyledItemDelegate>
#include <QValidator>

#include "ui/controls/NumericFilter.h"

namespace td {

// The filter as a validator of one line edit: it compares each proposed text with the text before
// the change and admits or refuses that change.
class NumericValidator : public QValidator {
  Q_OBJECT
 public:
  NumericValidator(NumericFilterKind kind, QLineEdit* edit);
  NumericFilterKind kind() const { return kind_; }
  State validate(QString& input, int& pos) const override;

 private:
  const NumericFilterKind kind_;
  QPointer<QLineEdit> edit_;
  QString before_;  // the field's text before the change under way
};

// Puts the filter on a line edit, or on the line edit of an editable combo box (call after
// setEditable(true), since the combo box makes a new line edit then).
void installNumericFilter(QLineEdit* edit, NumericFilterKind kind);
void installNumericFilter(QComboBox* box, NumericFilterKind kind);

class JCustomTextField : public QLineEdit {
  Q_OBJECT
 public:
  explicit JCustomTextField(QWidget* parent = nullptr);
};

class CustomTextField : public QLineEdit {
  Q_OBJECT
 public:
  explicit CustomTextField(QWidget* parent = nullptr);
};

class CustomComboBox : public QComboBox {
  Q_OBJECT
 public:
  explicit CustomComboBox(QWidget* parent = nullptr);
};

class CustomTextFieldCell : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The editor offers `choices` in its list; the cell's text is the edit text.
class CustomComboBoxCell : public QStyledItemDelegate {
  Q_OBJECT
 public:
  explicit CustomComboBoxCell(QStringList choices = {}, QObject* parent = nullptr);
  void setChoices(QStringList choices) { choices_ = std::move(choices); }
  const QStringList& choices() const { return choices_; }
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  QStringList choices_;
};

}  // namespace td
