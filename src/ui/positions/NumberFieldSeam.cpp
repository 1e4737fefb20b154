#include "ui/positions/NumberFieldSeam.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace td::NumberFieldSeam {
namespace {

QValidator* decimalValidator(QObject* parent) {
  return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*\\.?[0-9]*")), parent);
}

}  // namespace

QComboBox* decimalComboBox(QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->lineEdit()->setValidator(decimalValidator(box));
  return box;
}

QLineEdit* decimalField(QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setValidator(decimalValidator(field));
  return field;
}

QLineEdit* wholeNumberField(QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), field));
  return field;
}

QuantityCellDelegate::QuantityCellDelegate(Choices choices, QObject* parent)
    : QStyledItemDelegate(parent), choices_(std::move(choices)) {}

QWidget* QuantityCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                            const QModelIndex& index) const {
  QComboBox* box = decimalComboBox(parent);
  box->setFrame(false);
  if (choices_) box->addItems(choices_(index.row()));
  // A choice from the list is taken at once, as a typed quantity is when the editor closes.
  connect(box, &QComboBox::activated, this, [this, box] {
    auto* self = const_cast<QuantityCellDelegate*>(this);
    emit self->commitData(box);
  });
  return box;
}

void QuantityCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  auto* box = static_cast<QComboBox*>(editor);
  box->setEditText(index.data(Qt::EditRole).toString());
  box->lineEdit()->selectAll();
}

void QuantityCellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
  model->setData(index, static_cast<QComboBox*>(editor)->currentText(), Qt::EditRole);
}

}  // namespace td::NumberFieldSeam
