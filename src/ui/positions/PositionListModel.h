#pragma once
// What the five position and order lists have in common, as a table model: columns whose
// identifier is also the header title, rows read from one getter of the session in its order (no
// list sorts), a reload on the list's table notification and at every new login, and the widths
// the view reports, which decide whether a date column shows the whole date or only the time.
//
// The rows are the getter's array of the last reload (the live, shared records): the table shows
// what it was told about, and every action on a row acts on the record the user saw. A reload that
// finds the same records redraws them in place; one that finds others resets the table.
//
// Main thread only.

#include <QAbstractTableModel>
#include <QString>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/NotificationCenter.h"
#include "ui/positions/CoalescedTask.h"
#include "ui/positions/PositionsSession.h"

namespace td {

struct ListColumn {
  const char* identifier;  // also the header title
  int field;               // what the cell shows (an enumerator of the list)
  bool numeric = false;    // right-aligned
  bool dateTime = false;   // the whole date, or only the time in a narrow column
  bool hiddenAtStart = false;
  int width = 90;
};

class PositionListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // The green and red of profits, rises and falls.
  static QColor green();
  static QColor red();

  PositionListModel(PositionsSession& session, NotificationCenter& notifications, std::string tableNotification,
                    std::vector<ListColumn> columns, QObject* parent = nullptr);
  ~PositionListModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  const std::vector<ListColumn>& columns() const { return columns_; }
  // The column of a field or identifier; -1 when the list has none.
  int columnOfField(int field) const;
  int columnOf(std::string_view identifier) const;
  // The record shown in a row; none outside the rows.
  std::shared_ptr<Order> orderAt(int row) const;
  const OrderRows& rows() const { return rows_; }
  // The cell as text (the display role).
  QString cellText(int row, int column) const;

  // Reads the rows again. The table notifications ask for it, once per burst (requestReload).
  void reload();
  void requestReload() { reloadTask_.request(); }
  // The view's column widths (points).
  void setColumnWidth(int column, double width);
  double columnWidth(int column) const;

  // The totals line of the lists that have one (empty otherwise).
  const QString& statusText() const { return status_; }

 signals:
  void statusChanged(const QString& text);

 protected:
  virtual OrderRows fetchRows() const = 0;
  virtual std::string text(const Order& order, int row, int field, int column) const = 0;
  // Colours and other roles of a cell; nothing by default.
  virtual QVariant role(const Order& order, int row, int field, int role) const;
  // After every reload (the rows are the new ones).
  virtual void afterReload() {}
  // Reads the rows; true when they are others than before (the table was reset). The same records
  // are redrawn in place when `redrawSame` is set.
  bool readRows(bool redrawSame = true);
  void setStatus(QString text);
  // Redraws one column of every row.
  void redrawColumn(int column);

  PositionsSession& session_;

 private:
  NotificationCenter& notifications_;
  std::vector<ListColumn> columns_;
  std::vector<double> widths_;
  OrderRows rows_;
  QString status_;
  CoalescedTask reloadTask_{[this] { reload(); }};
  ObserverToken tableToken_ = 0;
  ObserverToken loginToken_ = 0;
};

// The list family's texts for a totals line: each part followed by five blanks.
std::string totalsLine(const std::vector<std::string>& parts);

}  // namespace td
