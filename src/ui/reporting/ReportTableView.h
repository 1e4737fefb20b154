#pragma once
// The table views and controls of the reporting windows. Tables: cells in a 12-pixel font, one line per row, whole rows
// selected, and, where asked, a column menu on the header (one ticked entry per column, which hides
// or shows it; the choice is not kept).

#include <QTableView>
#include <QDateTime>

#include <string>
#include <vector>

#include "platform/DateFormat.h"
#include "ui/reporting/SearchCriteria.h"

class QComboBox;
class QDateTimeEdit;

namespace td {

class ReportTableView final : public QTableView {
  Q_OBJECT
 public:
  enum class ColumnMenu { None, Shown };
  ReportTableView(QAbstractItemModel* model, const QString& objectName, ColumnMenu menu, QWidget* parent = nullptr);

  // The column menu (none when not asked for; see ColumnMenu.h), filled again when the model resets.
  QMenu* columnMenu() const { return columnMenu_; }
  // Every column as wide as its widest text and title, with some room.
  void fitColumns();

 private:
  QMenu* columnMenu_ = nullptr;
};

// Dates between the reporting controllers and Qt's date editors.
QDateTime toQDateTime(Date date);
Date fromQDateTime(const QDateTime& date);

// A date-and-time editor with a calendar, showing "MM/dd/yyyy HH:mm:ss".
QDateTimeEdit* makeDateEdit(const QString& objectName, QWidget* parent);
// A search period in its two editors, held within its limits when it has them (no signals).
void showPeriod(QDateTimeEdit& from, QDateTimeEdit& to, const SearchPeriod& period);
// Choices (accounts, kinds of movement) in a box, `selected` current (-1: none, the box shows
// nothing); no signals.
void showChoices(QComboBox& box, const std::vector<std::string>& items, int selected);

}  // namespace td
