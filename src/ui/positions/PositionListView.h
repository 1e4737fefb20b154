#pragma once
// The table of one position or order list: binds a PositionListModel to a QTableView with the
// family's header menu (one checkable item per column, hiding and showing it for this run), the
// data font, the columns' starting widths and hidden columns, and the widths reported back to the
// model. A right click asks the owner for the row menu; a click on a cell is passed on.

#include <QStyledItemDelegate>
#include <QTableView>
#include <functional>

#include "ui/positions/PositionListModel.h"

class QMenu;

namespace td {

class PositionListView final : public QTableView {
  Q_OBJECT
 public:
  PositionListView(PositionListModel& model, QWidget* parent = nullptr);

  PositionListModel& listModel() const { return model_; }
  // The header menu as it stands now (for the header's context menu and for tests).
  QMenu* headerMenu();
  // Called with the row under a right click (-1 off the rows) and the menu to fill; an empty menu
  // is not shown.
  std::function<void(QMenu& menu, int row)> onRowMenu;
  std::function<void(int row, int column)> onCellClicked;

 private:
  void showRowMenu(const QPoint& position);

  PositionListModel& model_;
  QMenu* headerMenu_ = nullptr;
};

// The price cell of the open positions list: drawn as a flat button in the colour of the last
// price move (green up, red down, the control colour on equity hit, the row's own otherwise).
class PriceCellDelegate final : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace td
