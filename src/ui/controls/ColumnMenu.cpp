#include "ui/controls/ColumnMenu.h"

#include <QAction>
#include <QMenu>
#include <QTableView>

namespace td {

void fillColumnMenu(QMenu& menu, QTableView& table) {
  menu.clear();
  const QAbstractItemModel* model = table.model();
  if (!model) return;
  for (int column = 0; column < model->columnCount(); ++column) {
    QAction* entry = menu.addAction(model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
    entry->setCheckable(true);
    entry->setChecked(!table.isColumnHidden(column));
    QObject::connect(entry, &QAction::toggled, &table,
                     [&table, column](bool shown) { table.setColumnHidden(column, !shown); });
  }
}

}  // namespace td
