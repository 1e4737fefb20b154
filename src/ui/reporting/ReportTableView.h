#pragma once
// The table views of the reporting windows: cells in a 12-pixel font, one line per row, whole rows
// selected, and, where asked, a column menu on the header (one ticked entry per column, which hides
// or shows it; the choice is not kept).

#include <QTableView>
#include <QDateTime>

#include "platform/DateFormat.h"

class QDateTimeEdit;

namespace td {

class ReportTableView final : public QTableView {
  Q_OBJECT
 public:
  enum class ColumnMenu { None, Shown };
  ReportTableView(QAbstractItemModel* model, const QString& objectName, ColumnMenu menu, QWidget* parent = nullptr);

  // The column menu (none when not asked for): its entries follow the columns, hidden ones included.
  QMenu* columnMenu() const { return columnMenu_; }
  // `HeaderMenu:` of an entry: ticks and shows, or unticks and hides, its column.
  void toggleColumn(QAction* entry);
  // Every column as wide as its widest text and title, with some room.
  void fitColumns();

 private:
  void SetHeaderMenuItems();

  QMenu* columnMenu_ = nullptr;
};

// Dates between the reporting controllers and Qt's date editors.
QDateTime toQDateTime(Date date);
Date fromQDateTime(const QDateTime& date);

// A date-and-time editor with a calendar, showing "MM/dd/yyyy HH:mm:ss".
QDateTimeEdit* makeDateEdit(const QString& objectName, QWidget* parent);

}  // namespace td
