#pragma once
// The reporting family in the main window: the "Accounts" tab (the accounts table over the
// journal) and the toolbar buttons that open the account statement and the deposits and
// withdrawals windows (tool windows of the main window, made on the first click and kept).

#include <QPointer>
#include <QWidget>
#include <memory>

#include "platform/Clock.h"

namespace td {

class AccountStatementWindow;
class AccountsTableModel;
class DepositsWithdrawalsWindow;
class JournalTableModel;
class MainWindow;
class MainQueue;
class ReportTableView;
class ReportingSource;

// The "Accounts" tab.
class AccountsPage final : public QWidget {
  Q_OBJECT
 public:
  AccountsPage(std::shared_ptr<ReportingSource> source, MainQueue* queue, Clock::Duration refreshInterval,
               QWidget* parent = nullptr);
  ~AccountsPage() override;

  ReportTableView* accountsTable() const { return accountsTable_; }
  ReportTableView* journalTable() const { return journalTable_; }
  AccountsTableModel& accounts() { return *accounts_; }
  JournalTableModel& journal() { return *journal_; }

 private:
  std::shared_ptr<ReportingSource> source_;
  std::unique_ptr<AccountsTableModel> accounts_;
  std::unique_ptr<JournalTableModel> journal_;
  ReportTableView* accountsTable_;
  ReportTableView* journalTable_;
};

// Joins the family to the main window (one call, when the main window is made).
void installReporting(MainWindow& window);

// The windows the family made so far (none before the first click), for tests.
AccountStatementWindow* accountStatementWindow(const MainWindow& window);
DepositsWithdrawalsWindow* depositsWithdrawalsWindow(const MainWindow& window);

}  // namespace td
