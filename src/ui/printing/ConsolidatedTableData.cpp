#include <QAbstractItemModel>
#include <QHeaderView>
#include <QTableView>
#include <algorithm>

#include "ui/printing/TableGrid.h"

namespace td {

TableGrid ConsolidatedTableData::getConsolidatedDataFromTableView(const QTableView& view, int rowCount) {
  const QAbstractItemModel* model = view.model();
  if (!model) return {{}};
  const QHeaderView* header = view.horizontalHeader();
  std::vector<int> columns;
  for (int visual = 0; visual < header->count(); ++visual) {
    const int logical = header->logicalIndex(visual);
    if (logical >= 0 && !header->isSectionHidden(logical)) columns.push_back(logical);
  }
  return getConsolidatedData(*model, columns, rowCount);
}

TableGrid ConsolidatedTableData::getConsolidatedData(const QAbstractItemModel& model, const std::vector<int>& columns,
                                                     int rowCount) {
  TableGrid grid;
  grid.reserve(static_cast<std::size_t>(std::max(rowCount, 0)) + 1);
  std::vector<QString>& titles = grid.emplace_back();
  titles.reserve(columns.size());
  for (const int column : columns) titles.push_back(model.headerData(column, Qt::Horizontal).toString());
  const int modelRows = model.rowCount();
  for (int row = 0; row < rowCount; ++row) {
    std::vector<QString>& cells = grid.emplace_back();
    cells.reserve(columns.size());
    for (const int column : columns) {
      if (row >= modelRows) {
        cells.emplace_back();
        continue;
      }
      const QModelIndex index = model.index(row, column);
      QVariant value = model.data(index, PrintTextRole);
      if (!value.isValid()) value = model.data(index, Qt::DisplayRole);
      cells.push_back(value.toString());
    }
  }
  return grid;
}

}  // namespace td
