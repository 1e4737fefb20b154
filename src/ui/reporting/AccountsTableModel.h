#pragma once
// The accounts table of the main window: one row per account the user may see, with its figures,
// status, type and access, refreshed once a second.
//
// Each refresh recomputes the floating figures of every account once (one pass over the open
// positions) and makes the texts and colours of every row; the cells are then served from those
// rows, so drawing a cell computes nothing. A click on a row makes its account the current account
// of the main window and of the session.
//
// Colours: "Unrealized PL", "Leverage", "Equity" and "Available Margin" in green (0, 0.6, 0) from 0
// up and red (0.6, 0, 0) below; "Status" in bold red for an account whose equity limit was hit, else
// in the table's own colour and font. Main thread only.

#include <QColor>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/MainQueue.h"
#include "ui/reporting/IdentifiedTableModel.h"

namespace td {

class ReportingSource;
struct AccountDetails;

class AccountsTableModel final : public IdentifiedTableModel {
  Q_OBJECT
 public:
  // Refreshes at once and then every `interval` on `queue` (none: only when asked).
  AccountsTableModel(ReportingSource& source, MainQueue* queue, Clock::Duration interval, QObject* parent = nullptr);
  ~AccountsTableModel() override;

  // The twelve columns in the order the table shows them at first.
  static std::vector<std::string> allColumns();

  // `RefreshTableview`: the figures of every account, then every row.
  void RefreshTableview();
  // `singleAction:` on a row: its account becomes the current one. False for a row that is gone.
  bool singleAction(int row);

  // The texts of one account by column identifier; "" for an identifier the table does not know.
  static std::string cellText(const AccountDetails& account, const std::string& identifier);
  static QColor signColour(double value);
  // Whether the text of the account in the column is signed by its colour (the four figures).
  static bool isSignedColumn(const std::string& identifier);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  // Accounts listed (for tests and the benchmark).
  std::int32_t accountIdAt(int row) const;

 private:
  struct Row {
    std::int32_t accountId = 0;
    bool equityHit = false;
    std::vector<QString> texts;  // by column
    std::vector<QColor> colours;  // by column; invalid: the table's own
  };
  Row makeRow(const AccountDetails& account) const;

  ReportingSource& source_;
  std::vector<Row> rows_;
  TimerHandle timer_;
};

}  // namespace td
