#pragma once
// The plain grid a table prints as, and how a table on screen is copied into one.
//
// Row 0 holds the titles of the table's visible columns (the header texts, which in this system are
// the column identifiers), rows 1 to n the cell texts of the table's rows 0 to n-1. A cell a model
// gives nothing for is the empty text.
//
// A model may answer PrintTextRole where the print-out shows more than the screen (a date-and-time
// column narrowed to the time on screen prints its whole text); every other cell prints what the
// screen shows (Qt::DisplayRole).

#include <QString>
#include <Qt>
#include <vector>

class QAbstractItemModel;
class QTableView;

namespace td {

using TableGrid = std::vector<std::vector<QString>>;

// The role of a cell's print text, where it differs from the display text.
inline constexpr int PrintTextRole = Qt::UserRole + 0x7d0;

class ConsolidatedTableData {
 public:
  // The grid of a table view: the columns that are not hidden, in their on-screen order, titled by
  // the header's texts, and `rowCount` rows of the view's model. The row count is the caller's (the
  // size of the collection behind the table), not the model's: rows beyond the model are empty.
  static TableGrid getConsolidatedDataFromTableView(const QTableView& view, int rowCount);

  // The same over a model and its columns (logical indexes, in print order).
  static TableGrid getConsolidatedData(const QAbstractItemModel& model, const std::vector<int>& columns, int rowCount);
};

}  // namespace td
