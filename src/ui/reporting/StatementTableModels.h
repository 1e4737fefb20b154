#pragma once
// The five tables of the account statement: Working Orders, Closed Transactions, Open Positions,
// Instrument Details and the Account Summary, with the totals lines of the closed transactions and
// of the open positions.
//
// The four record tables read the session's statement at every cell and keep no rows of their own;
// each takes the statement's size when it reloads (on "AccountStatementNotification"), and a cell
// beyond what the statement holds at that moment is empty. The Account Summary builds its two lists
// of texts once per statement.
//
// Formats: prices with the instrument's decimal places (two when it has none or is not in the
// statement), amounts of money with two decimals ("-1234.50"), sums grouped ("-1,234.50"),
// quantities as plain decimal text without trailing zeros, times as "MM/dd/yyyy HH:mm:ss" in columns
// wider than 135 pixels and as the time alone in narrower ones (a print-out always has the whole
// text). Main thread only.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/statement/AccountStatementInfo.h"
#include "ui/reporting/IdentifiedTableModel.h"

namespace td {

class ReportingSource;

class StatementTableModel final : public IdentifiedTableModel {
  Q_OBJECT
 public:
  enum class Table { WorkingOrders, ClosedTransactions, OpenPositions, InstrumentDetails };

  StatementTableModel(Table table, ReportingSource& source, QObject* parent = nullptr);

  Table table() const { return table_; }
  // The columns the table answers, in the order it shows them at first.
  static std::vector<std::string> columnsOf(Table table);
  // Whether a column shows the time alone when it is narrow.
  static bool isTimeColumn(std::string_view identifier);
  // Takes the statement's current size (`reloadData`).
  void reload();
  // Widths of the view's columns, for the time columns; none: every column counts as wide.
  void setColumnWidths(std::function<double(int column)> widthOf) { widthOf_ = std::move(widthOf); }

  // The text of a cell of the statement; nothing for a column the table does not answer.
  static std::optional<std::string> cellValue(Table table, const AccountStatementInfo& statement, int row,
                                              std::string_view identifier, double columnWidth);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

 private:
  static int sizeOf(Table table, const AccountStatementInfo& statement);

  Table table_;
  ReportingSource& source_;
  std::function<double(int)> widthOf_;
  int count_ = 0;
};

class AccountSummaryTableModel final : public IdentifiedTableModel {
  Q_OBJECT
 public:
  explicit AccountSummaryTableModel(ReportingSource& source, QObject* parent = nullptr);

  // `loadAccountSummary`: the rows of the current statement ("Opening Balance" to "Miscellaneous",
  // with "Daily TDS" and "Monthly TDS" only where they are not 0); none without both snapshots.
  void loadAccountSummary();
  int getAccountSummaryCount() const { return static_cast<int>(EntityList.size()); }

  // The rows of a statement, as entity and detail texts.
  static std::vector<std::pair<std::string, std::string>> summaryOf(const AccountStatementInfo& statement);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  std::vector<std::string> EntityList;
  std::vector<std::string> DetailsList;

 private:
  ReportingSource& source_;
};

// The totals lines: "Quantity : 3     Profit : -1,234.50     Commission : ..." (each piece followed
// by five spaces); the open positions' line has no TDS piece.
std::string getSettledStatusInfo(const AccountStatementInfo& statement);
std::string getOpenStatusInfo(const AccountStatementInfo& statement);

// A quantity as plain decimal text: the shortest text that reads back as the same number, without
// exponent or trailing zeros ("2.5", "3").
std::string quantityText(double value);

}  // namespace td
