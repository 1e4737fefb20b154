#pragma once
// The column menu of a table's header: one checkable entry per column of the table's model, hidden
// columns included, titled by the column's header text and ticked while the column is shown.
// Choosing an entry shows or hides its column for this run (the choice is not kept).

class QMenu;
class QTableView;

namespace td {

// Empties the menu and fills it with the entries of the table's columns as they stand.
void fillColumnMenu(QMenu& menu, QTableView& table);

}  // namespace td
