#include "ui/watchlist/SymbolManagerSheet.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/controls/Captions.h"
#include "ui/controls/DrawingControls.h"
#include "ui/watchlist/AddRemoveWindowController.h"
#include "ui/watchlist/DetailSheet.h"
#include "ui/watchlist/Images.h"

namespace td {
SymbolManagerSheet::SymbolManagerSheet(AddRemoveWindowController& controller, DetailWindowController& details,
                                       QWidget* parent)
    : QDialog(parent), controller_(controller) {
  setObjectName("symbolManagerSheet");
  setWindowModality(Qt::WindowModal);
  setWindowTitle(caption("9603"));

  outline_ = new QTreeWidget(this);
  outline_->setObjectName("ItemCategoryOutlineView");
  outline_->setHeaderHidden(true);
  outline_->setRootIsDecorated(false);
  outline_->setIconSize(QSize(16, 16));

  search_ = new QLineEdit(this);
  search_->setObjectName("symbolSearchField");
  search_->setPlaceholderText(caption("9608"));
  search_->setClearButtonEnabled(true);

  table_ = new QTableView(this);
  table_->setObjectName("ItemTableView");
  table_->setModel(&controller);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(20);
  table_->setShowGrid(false);
  table_->setColumnWidth(AddRemoveWindowController::SYMBOL_MS, 110);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setItemDelegate(new AAPLImageAndTextCell(table_));

  add_ = new QPushButton(caption("9604"), this);
  add_->setObjectName("addButton");
  remove_ = new QPushButton(caption("9605"), this);
  remove_->setObjectName("removeButton");
  auto* close = new QPushButton(caption("9606"), this);
  close->setObjectName("closeButton");
  details_ = new DetailView(details, this);

  auto* symbols = new QWidget(this);
  auto* symbolsLayout = new QVBoxLayout(symbols);
  symbolsLayout->setContentsMargins(0, 0, 0, 0);
  symbolsLayout->addWidget(search_);
  symbolsLayout->addWidget(table_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(add_);
  buttons->addWidget(remove_);
  buttons->addStretch(1);
  symbolsLayout->addLayout(buttons);

  auto* split = new QSplitter(Qt::Horizontal, this);
  split->addWidget(outline_);
  split->addWidget(symbols);
  split->addWidget(details_);
  split->setStretchFactor(1, 1);
  split->setSizes({170, 330, 300});
  split->setChildrenCollapsible(false);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(close);
  QVBoxLayout* layout = WindowSheetBackgroundView::fillSheet(this);
  layout->addWidget(split, 1);
  layout->addLayout(bottom);
  resize(840, 540);

  connect(outline_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (!item) return;
    const QTreeWidgetItem* parent = item->parent();
    controller_.outlineViewSelectionDidChange(parent ? parent->indexOfChild(item) + 1 : 0);
  });
  connect(search_, &QLineEdit::textChanged, this,
          [this](const QString& text) { controller_.SearchSymbols(text.toStdString()); });
  connect(add_, &QPushButton::clicked, this, [this] {
    controller_.ShowandHideSymbolsinWatchlist(AddRemoveWindowController::AddTag, selectedRows());
  });
  connect(remove_, &QPushButton::clicked, this, [this] {
    controller_.ShowandHideSymbolsinWatchlist(AddRemoveWindowController::RemoveTag, selectedRows());
  });
  connect(table_, &QAbstractItemView::doubleClicked, this,
          [this](const QModelIndex&) { controller_.ShowandHideSymbolsinWatchlist(0, selectedRows()); });
  connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    const QModelIndex current = table_->selectionModel()->currentIndex();
    if (table_->selectionModel()->hasSelection() && current.isValid()) {
      controller_.tableViewSelectionDidChange(current.row());
    }
  });
  connect(&controller, &AddRemoveWindowController::cleared, this, [this] {
    const QSignalBlocker quiet(search_);
    search_->clear();
    table_->clearSelection();
  });
  connect(close, &QPushButton::clicked, this, [this] { accept(); });
}

void SymbolManagerSheet::fillOutline() {
  const QSignalBlocker quiet(outline_);
  const QString chosen = controller_.chosenType() ? QString::fromStdString(*controller_.chosenType()) : QString();
  outline_->clear();
  auto* root = new QTreeWidgetItem(outline_, {QString::fromLatin1(AddRemoveWindowController::ITEM_TYPE)});
  QFont group = root->font(0);
  group.setBold(true);
  root->setFont(0, group);
  for (const std::string& name : controller_.typeNames()) {
    auto* type = new QTreeWidgetItem(root, {QString::fromStdString(name)});
    type->setIcon(0, images::named(images::itemTypeImage(name)));
    if (type->text(0) == chosen) outline_->setCurrentItem(type);
  }
  outline_->expandAll();
}

std::vector<int> SymbolManagerSheet::selectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : table_->selectionModel()->selectedRows()) rows.push_back(index.row());
  return rows;
}

void SymbolManagerSheet::present() {
  controller_.showWindow();
  fillOutline();
  table_->setFocus();
  open();
  raise();
  activateWindow();
}

}  // namespace td
