#include "ui/positions/PositionListView.h"

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>

#include "ui/controls/ColumnMenu.h"
#include "ui/controls/ListFonts.h"
#include "ui/positions/OpenPositionTableController.h"

namespace td {

PositionListView::PositionListView(PositionListModel& model, QWidget* parent) : QTableView(parent), model_(model) {
  setModel(&model_);
  setFont(listCellFont());
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setAlternatingRowColors(true);
  setShowGrid(false);
  setWordWrap(false);
  setSortingEnabled(false);
  verticalHeader()->hide();
  verticalHeader()->setDefaultSectionSize(20);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setSectionsMovable(true);
  horizontalHeader()->setStretchLastSection(true);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  const auto& columns = model_.columns();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const int column = static_cast<int>(i);
    setColumnWidth(column, columns[i].width);
    model_.setColumnWidth(column, columns[i].width);
    setColumnHidden(column, columns[i].hiddenAtStart);
  }
  connect(horizontalHeader(), &QHeaderView::sectionResized, this,
          [this](int column, int, int width) { model_.setColumnWidth(column, width); });

  horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(horizontalHeader(), &QWidget::customContextMenuRequested, this,
          [this](const QPoint& position) { headerMenu()->popup(horizontalHeader()->mapToGlobal(position)); });

  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this, &PositionListView::showRowMenu);
  connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
    if (onCellClicked) onCellClicked(index.row(), index.column());
  });
}

QMenu* PositionListView::headerMenu() {
  if (!headerMenu_) {
    headerMenu_ = new QMenu(this);
    headerMenu_->setObjectName("headerMenu");
  }
  fillColumnMenu(*headerMenu_, *this);
  return headerMenu_;
}

void PositionListView::showRowMenu(const QPoint& position) {
  clearSelection();
  if (!onRowMenu) return;
  const QModelIndex index = indexAt(position);
  auto* menu = new QMenu(this);
  menu->setObjectName("rowMenu");
  menu->setAttribute(Qt::WA_DeleteOnClose);
  onRowMenu(*menu, index.isValid() ? index.row() : -1);
  if (menu->isEmpty()) {
    delete menu;
    return;
  }
  menu->popup(viewport()->mapToGlobal(position));
}

void PriceCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const int state = index.data(OpenPositionTableController::PriceStateRole).toInt();
  if (state == OpenPositionTableController::Unchanged) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  QColor fill = state == OpenPositionTableController::EquityHit ? option.palette.color(QPalette::Button)
                                                                 : index.data(Qt::BackgroundRole).value<QColor>();
  const QRect cell = option.rect.adjusted(1, 1, -1, -1);
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing);
  painter->setPen(Qt::NoPen);
  painter->setBrush(fill);
  painter->drawRoundedRect(cell, 3, 3);
  const QVariant foreground = index.data(Qt::ForegroundRole);
  painter->setPen(foreground.isValid() ? foreground.value<QColor>() : option.palette.color(QPalette::ButtonText));
  painter->setFont(option.font);
  painter->drawText(cell.adjusted(4, 0, -4, 0), Qt::AlignVCenter | Qt::AlignRight, index.data().toString());
  painter->restore();
}

}  // namespace td
