#include "ui/positions/PositionSheetWindows.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/controls/ListFonts.h"
#include "ui/controls/NumericFields.h"
#include "ui/positions/SheetSupport.h"

namespace td {
namespace {

QString caption(const char* key) { return QString::fromStdString(SheetSupport::localized(key)); }

}  // namespace

// ---- the common sheet ----

PositionSheetWindow::PositionSheetWindow(QWidget* mainWindow) : QDialog(mainWindow) {
  setWindowModality(Qt::WindowModal);
  setModal(true);
  box_ = new QGroupBox(this);
  box_->setObjectName("sheetBox");
  form_ = new QFormLayout(box_);
  form_->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
  form_->setHorizontalSpacing(14);
  dismiss_ = new QPushButton(caption("0060"), this);
  dismiss_->setObjectName("dismissButton");
  dismiss_->setAutoDefault(false);
  send_ = new QPushButton(this);
  send_->setObjectName("sendButton");
  send_->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(dismiss_);
  buttons->addStretch(1);
  buttons->addWidget(send_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(box_, 1);
  layout->addLayout(buttons);
  connect(dismiss_, &QPushButton::clicked, this, [this] { reject(); });
}

QLabel* PositionSheetWindow::addField(const char* key, const char* objectName) {
  auto* field = new QLabel(box_);
  field->setObjectName(objectName);
  field->setTextFormat(Qt::PlainText);
  field->setTextInteractionFlags(Qt::TextSelectableByMouse);
  form_->addRow(key ? caption(key) : QString(), field);
  return field;
}

void PositionSheetWindow::addRecordFields(std::function<void(const std::string&)> quantityEdited,
                                          std::function<void(int)> quantityChosen) {
  account_ = addField("0012", "AccountTextField");
  symbol_ = addField("8415", "SymbolTextField");
  description_ = addField(nullptr, "SymbolDescriptionTextField");
  quantity_ = new CustomComboBox(box_);
  quantity_->setObjectName("QuantityComboField");
  quantity_->setMinimumWidth(110);
  quantityDescription_ = new QLabel(box_);
  quantityDescription_->setObjectName("QuantityDescriptionTextField");
  auto* row = new QHBoxLayout;
  row->addWidget(quantity_);
  row->addWidget(quantityDescription_, 1);
  form_->addRow(caption("8416"), row);
  connect(quantity_, &QComboBox::editTextChanged, this, [this, edited = std::move(quantityEdited)](const QString& text) {
    if (!binding_) edited(text.toStdString());
  });
  connect(quantity_, &QComboBox::activated, this, [this, chosen = std::move(quantityChosen)](int index) {
    if (!binding_) chosen(index);
  });
}

void PositionSheetWindow::showRecordFields(const SheetRecordFields& fields) {
  box_->setTitle(qs(fields.boxTitle));
  account_->setText(qs(fields.account));
  symbol_->setText(qs(fields.symbol));
  description_->setText(qs(fields.description));
  setText(quantity_, fields.quantity, fields.quantityList);
  quantity_->setEnabled(fields.quantityEnabled);
  quantityDescription_->setText(qs(fields.quantityDescription));
  send_->setText(qs(fields.buttonTitle));
  send_->setEnabled(fields.sendEnabled);
}

void PositionSheetWindow::setText(QLineEdit* field, const std::string& text) {
  const QString value = qs(text);
  if (field->text() != value) field->setText(value);
}

void PositionSheetWindow::setText(QComboBox* box, const std::string& text, const std::vector<std::string>& list) {
  QStringList items;
  for (const std::string& entry : list) items << qs(entry);
  QStringList current;
  for (int i = 0; i < box->count(); ++i) current << box->itemText(i);
  if (current != items) {
    box->clear();
    box->addItems(items);
  }
  if (box->currentText() != qs(text)) box->setEditText(qs(text));
}

void PositionSheetWindow::present() {
  adjustSize();
  if (QWidget* main = parentWidget()) {
    // Like a sheet: centred under the top of the main window.
    const QRect frame = main->geometry();
    move(frame.x() + (frame.width() - width()) / 2, frame.y() + 40);
  }
  open();
  raise();
  activateWindow();
}

void PositionSheetWindow::endSheet() {
  if (ending_) return;
  ending_ = true;
  hide();
  ending_ = false;
}

void PositionSheetWindow::reject() {
  dismissed();
  if (isVisible()) QDialog::reject();
}

// ---- close or cancel ----

ClosendCancelPositionSheet::ClosendCancelPositionSheet(ClosendCancelPositionWindowController& controller,
                                                       QWidget* mainWindow)
    : PositionSheetWindow(mainWindow), controller_(controller) {
  setObjectName("closendCancelPositionSheet");
  addRecordFields([this](const std::string& text) { controller_.quantityEdited(text); },
                  [this](int index) { controller_.quantityChosen(index); });
  orderType_ = addField("8417", "OrderTypeTextField");
  orderPrice_ = addField("8418", "OrderPriceTextField");
  currentPrice_ = addField("8419", "CurrentPriceTextField");
  estimatedPL_ = addField("8420", "EstimatedPLTextField");
  estimatedPLLabel_ = qobject_cast<QLabel*>(form()->labelForField(estimatedPL_));
  deviationRow_ = new QWidget(box());
  auto* deviationLayout = new QHBoxLayout(deviationRow_);
  deviationLayout->setContentsMargins(0, 0, 0, 0);
  deviationCheck_ = new QCheckBox(caption("8421"), deviationRow_);
  deviationCheck_->setObjectName("DeviationCheckBox");
  deviation_ = new CustomTextField(deviationRow_);
  deviation_->setObjectName("DeviationTextField");
  deviation_->setMaximumWidth(70);
  deviationLayout->addWidget(deviationCheck_);
  deviationLayout->addWidget(deviation_);
  deviationLayout->addStretch(1);
  form()->addRow(QString(), deviationRow_);

  connect(deviationCheck_, &QCheckBox::toggled, this, [this](bool checked) {
    if (!binding_) controller_.deviationCheckboxSelect(checked);
  });
  connect(deviation_, &QLineEdit::textEdited, this,
          [this](const QString& text) { controller_.deviationEdited(text.toStdString()); });
  connect(sendButton(), &QPushButton::clicked, this, [this] { controller_.CloseandCancelButtonClicked(); });
  controller_.setView(this);
}

ClosendCancelPositionSheet::~ClosendCancelPositionSheet() { controller_.setView(nullptr); }

void ClosendCancelPositionSheet::refresh() {
  const auto& s = controller_.state();
  binding_ = true;
  showRecordFields(s);
  orderType_->setText(qs(s.orderType));
  orderPrice_->setText(qs(s.orderPrice));
  currentPrice_->setText(qs(s.currentPrice));
  estimatedPL_->setText(qs(s.estimatedPL));
  estimatedPL_->setVisible(s.estimatedPLVisible);
  if (estimatedPLLabel_) estimatedPLLabel_->setVisible(s.estimatedPLVisible);
  deviationRow_->setVisible(s.deviationVisible);
  deviationCheck_->setChecked(s.deviationChecked);
  deviation_->setEnabled(s.deviationEnabled);
  setText(deviation_, s.deviation);
  binding_ = false;
}

// ---- modify ----

ModifyPositionSheet::ModifyPositionSheet(ModifyPositionWindowController& controller, QWidget* mainWindow)
    : PositionSheetWindow(mainWindow), controller_(controller) {
  setObjectName("modifyPositionSheet");
  addRecordFields([this](const std::string& text) { controller_.quantityEdited(text); },
                  [this](int index) { controller_.quantityChosen(index); });
  orderType_ = addField("8417", "orderTypeTextField");
  orderPrice_ = new JCustomTextField(box());
  orderPrice_->setObjectName("OrderPriceTextField");
  form()->addRow(caption("8418"), orderPrice_);
  takeProfit_ = makeBracketRow("8422", "takeProfit", true);
  stopLoss_ = makeBracketRow("8423", "stopLoss", false);

  connect(orderPrice_, &QLineEdit::textEdited, this,
          [this](const QString& text) { controller_.orderPriceEdited(text.toStdString()); });
  connect(sendButton(), &QPushButton::clicked, this, [this] { controller_.ModifyButtonClicked(); });
  controller_.setView(this);
}

ModifyPositionSheet::~ModifyPositionSheet() { controller_.setView(nullptr); }

ModifyPositionSheet::BracketRow ModifyPositionSheet::makeBracketRow(const char* key, const char* name,
                                                                    bool takeProfit) {
  BracketRow r;
  r.row = new QWidget(box());
  auto* layout = new QHBoxLayout(r.row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  r.check = new QCheckBox(caption(key), r.row);
  r.check->setObjectName(QString::fromLatin1(name) + "CheckBox");
  r.check->setMinimumWidth(110);
  r.field = new JCustomTextField(r.row);
  r.field->setObjectName(QString::fromLatin1(name) + "TextField");
  r.up = new QToolButton(r.row);
  r.up->setArrowType(Qt::UpArrow);
  r.up->setObjectName(QString::fromLatin1(name) + "StepperUp");
  r.down = new QToolButton(r.row);
  r.down->setArrowType(Qt::DownArrow);
  r.down->setObjectName(QString::fromLatin1(name) + "StepperDown");
  layout->addWidget(r.check);
  layout->addWidget(r.field, 1);
  layout->addWidget(r.up);
  layout->addWidget(r.down);
  form()->addRow(QString(), r.row);
  connect(r.check, &QCheckBox::toggled, this, [this, takeProfit](bool checked) {
    if (binding_) return;
    if (takeProfit) controller_.takeProfitCheckboxSelect(checked);
    else controller_.stopLossCheckboxSelect(checked);
  });
  connect(r.field, &QLineEdit::textEdited, this, [this, takeProfit](const QString& text) {
    if (takeProfit) controller_.takeProfitEdited(text.toStdString());
    else controller_.stopLossEdited(text.toStdString());
  });
  for (auto [button, direction] : {std::pair{r.up, 1}, std::pair{r.down, -1}}) {
    connect(button, &QToolButton::clicked, this, [this, takeProfit, direction = direction] {
      if (takeProfit) controller_.takeProfitStepperButtonPressed(direction);
      else controller_.stopLossStepperButtonPressed(direction);
    });
  }
  return r;
}

void ModifyPositionSheet::showBracket(const BracketRow& row, const ModifyPositionWindowController::Bracket& bracket) {
  row.row->setVisible(bracket.visible);
  row.check->setChecked(bracket.checked);
  row.field->setEnabled(bracket.enabled);
  row.up->setEnabled(bracket.enabled);
  row.down->setEnabled(bracket.enabled);
  setText(row.field, bracket.price);
}

void ModifyPositionSheet::refresh() {
  const auto& s = controller_.state();
  binding_ = true;
  showRecordFields(s);
  if (s.nothingToModify) sendButton()->setEnabled(false);
  orderType_->setText(qs(s.orderType));
  setText(orderPrice_, s.orderPrice);
  orderPrice_->setEnabled(s.orderPriceEditable);
  showBracket(takeProfit_, s.takeProfit);
  showBracket(stopLoss_, s.stopLoss);
  binding_ = false;
}

// ---- offset ----

// The offset quantity of a ticked row: the number combo cell with that row's choices; a choice
// from the list is taken at once, a typed quantity when the editor closes.
class OffsetQuantityCell final : public CustomComboBoxCell {
 public:
  OffsetQuantityCell(OffsetPositionWindowController& controller, QObject* parent)
      : CustomComboBoxCell({}, parent), controller_(controller) {}
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    auto* box = static_cast<QComboBox*>(CustomComboBoxCell::createEditor(parent, option, index));
    box->setFrame(false);
    for (const std::string& choice : controller_.offsetQuantityChoices(index.row())) {
      box->addItem(QString::fromStdString(choice));
    }
    connect(box, &QComboBox::activated, this, [this, box] {
      emit const_cast<OffsetQuantityCell*>(this)->commitData(box);
    });
    return box;
  }
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    auto* box = static_cast<QComboBox*>(editor);
    box->setEditText(index.data(Qt::EditRole).toString());
    box->lineEdit()->selectAll();
  }
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
    model->setData(index, static_cast<QComboBox*>(editor)->currentText(), Qt::EditRole);
  }

 private:
  OffsetPositionWindowController& controller_;
};

// The rows of the offset table over the controller: a check box in the first column, the offset
// quantity editable on ticked rows.
class OffsetPositionSheet::RowsModel final : public QAbstractTableModel {
 public:
  explicit RowsModel(OffsetPositionWindowController& controller, QObject* parent)
      : QAbstractTableModel(parent), controller_(controller) {}

  // New rows reset the table; the same rows (a tick, a quantity) are redrawn in place, which
  // leaves an open editor alone.
  void refreshRows() {
    if (shown_ != controller_.numberOfRows() || controller_.numberOfRows() == 0) {
      beginResetModel();
      shown_ = controller_.numberOfRows();
      endResetModel();
    } else {
      emit dataChanged(index(0, 0), index(shown_ - 1, columnCount() - 1));
    }
  }
  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : shown_;
  }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : OffsetPositionWindowController::ColumnCount;
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return QString::fromLatin1(OffsetPositionWindowController::columnIdentifier(section));
  }
  Qt::ItemFlags flags(const QModelIndex& index) const override {
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == OffsetPositionWindowController::Check) f |= Qt::ItemIsUserCheckable;
    if (index.column() == OffsetPositionWindowController::OffsetQty && controller_.isTicked(index.row())) {
      f |= Qt::ItemIsEditable;
    }
    return f;
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return {};
    if (index.column() == OffsetPositionWindowController::Check) {
      if (role == Qt::CheckStateRole) return controller_.isTicked(index.row()) ? Qt::Checked : Qt::Unchecked;
      return {};
    }
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
      return QString::fromStdString(controller_.cellText(index.row(), index.column()));
    }
    if (role == Qt::ForegroundRole && index.column() == OffsetPositionWindowController::OffsetQty &&
        !controller_.isTicked(index.row())) {
      return QColor(Qt::gray);
    }
    if (role == Qt::TextAlignmentRole && index.column() >= OffsetPositionWindowController::ClosePrice &&
        index.column() != OffsetPositionWindowController::Type) {
      return QVariant::fromValue(Qt::AlignVCenter | Qt::AlignRight);
    }
    return {};
  }
  bool setData(const QModelIndex& index, const QVariant& value, int role) override {
    if (index.column() == OffsetPositionWindowController::Check && role == Qt::CheckStateRole) {
      controller_.hitCheckbox(index.row());
      return true;
    }
    if (index.column() == OffsetPositionWindowController::OffsetQty && role == Qt::EditRole) {
      controller_.QuantitySelectedAtIndex(index.row(), value.toString().toStdString());
      return true;
    }
    return false;
  }

 private:
  OffsetPositionWindowController& controller_;
  int shown_ = 0;
};

OffsetPositionSheet::OffsetPositionSheet(OffsetPositionWindowController& controller, QWidget* mainWindow)
    : PositionSheetWindow(mainWindow), controller_(controller) {
  setObjectName("offsetPositionSheet");
  offsetAccount_ = addField("0012", "AccountTextField");
  offsetSymbol_ = addField("8415", "SymbolTextField");
  openPrice_ = addField("8424", "OpenpriceTextField");
  offsetQuantityField_ = addField("8416", "QuantityTextField");
  offsetQuantity_ = addField("8425", "OffsetQtyTextField");
  remainingQuantity_ = addField("8426", "RemainingQtyTextField");
  rows_ = new RowsModel(controller_, this);
  table_ = new QTableView(box());
  table_->setObjectName("offsetPositionTableView");
  table_->setModel(rows_);
  table_->setFont(listCellFont());
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(22);
  table_->setSelectionMode(QAbstractItemView::NoSelection);
  table_->setEditTriggers(QAbstractItemView::AllEditTriggers);
  table_->setMinimumSize(620, 160);
  table_->horizontalHeader()->setStretchLastSection(true);
  const int widths[] = {28, 80, 95, 45, 100, 75, 95, 90};
  for (int column = 0; column < OffsetPositionWindowController::ColumnCount; ++column) {
    table_->setColumnWidth(column, widths[column]);
  }
  table_->setItemDelegateForColumn(OffsetPositionWindowController::OffsetQty, new OffsetQuantityCell(controller_, table_));
  form()->addRow(table_);
  sendButton()->setText(caption("8427"));
  connect(sendButton(), &QPushButton::clicked, this, [this] { controller_.OffsetButtonClicked(); });
  controller_.setView(this);
}

OffsetPositionSheet::~OffsetPositionSheet() { controller_.setView(nullptr); }

void OffsetPositionSheet::refresh() {
  const auto& s = controller_.state();
  box()->setTitle(qs(s.boxTitle));
  offsetAccount_->setText(qs(s.account));
  offsetSymbol_->setText(qs(s.symbol));
  openPrice_->setText(qs(s.openPrice));
  offsetQuantityField_->setText(qs(s.quantity));
  offsetQuantity_->setText(qs(s.offsetQuantity));
  remainingQuantity_->setText(qs(s.remainingQuantity));
  sendButton()->setText(s.buttonTitle.empty() ? caption("8427") : qs(s.buttonTitle));
  sendButton()->setEnabled(s.sendEnabled);
  rows_->refreshRows();
}

}  // namespace td
