#pragma once
// The number fields of the sheets: a quantity combo box and price fields that take digits and one
// point, a deviation field that takes up to five digits, and a combo-box editor for a table cell.
// Plain Qt stand-ins for the application's shared number fields; each maker is the one place to
// swap for them.

#include <QStringList>
#include <functional>
#include <QStyledItemDelegate>

class QComboBox;
class QLineEdit;
class QWidget;

namespace td::NumberFieldSeam {

QComboBox* decimalComboBox(QWidget* parent);
QLineEdit* decimalField(QWidget* parent);
QLineEdit* wholeNumberField(QWidget* parent);

// The editor of a quantity cell: an editable combo box with the cell's choices, taking digits and
// one point. `choices` gives the list for a row when the editor opens.
class QuantityCellDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using Choices = std::function<QStringList(int row)>;
  QuantityCellDelegate(Choices choices, QObject* parent = nullptr);
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

 private:
  Choices choices_;
};

}  // namespace td::NumberFieldSeam
