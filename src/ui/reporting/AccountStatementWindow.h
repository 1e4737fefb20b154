#pragma once
// The account statement window: the account, the period, Show and Print over the five tables.
// A tool window of the main window; it binds to AccountStatementController.

#include <QWidget>
#include <memory>

#include "ui/reporting/AccountStatementController.h"

class QComboBox;
class QDateTimeEdit;
class QLabel;
class QPushButton;

namespace td {

class PrintTextView;
class ReportTableView;

class AccountStatementWindow final : public QWidget, public AccountStatementView {
  Q_OBJECT
 public:
  AccountStatementWindow(std::shared_ptr<ReportingSource> source, QWidget* mainWindow);
  ~AccountStatementWindow() override;

  // The main window's button: loads the window on the first call, then resets its dates on every
  // later one, and brings it to the front.
  void open();

  // The print-out of what the tables show now.
  std::shared_ptr<PrintTextView> printout() const;

  AccountStatementController& controller() { return controller_; }
  QComboBox* accountBox() const { return accountBox_; }
  QDateTimeEdit* fromDateEdit() const { return from_; }
  QDateTimeEdit* toDateEdit() const { return to_; }
  QPushButton* showButton() const { return show_; }
  QPushButton* printButton() const { return print_; }
  QLabel* accountLabel() const { return accountLabel_; }
  QLabel* closedStatusLabel() const { return closedStatus_; }
  QLabel* openStatusLabel() const { return openStatus_; }
  ReportTableView* closedTransactionsTable() const { return closedTable_; }

  // AccountStatementView
  void showPeriod(const SearchPeriod& period) override;
  void showAccounts(const std::vector<std::string>& accounts, int selected) override;
  void showLabels(const std::string& account, const std::string& accountName, const std::string& period) override;
  void showTotals(const std::string& closedTransactions, const std::string& openPositions) override;

 private:
  std::shared_ptr<ReportingSource> source_;
  AccountStatementController controller_;
  QComboBox* accountBox_;
  QDateTimeEdit* from_;
  QDateTimeEdit* to_;
  QPushButton* show_;
  QPushButton* print_;
  QLabel* accountLabel_;
  QLabel* accountNameLabel_;
  QLabel* periodLabel_;
  QLabel* closedStatus_;
  QLabel* openStatus_;
  ReportTableView* closedTable_;
  ReportTableView* openTable_;
  ReportTableView* workingTable_;
  ReportTableView* summaryTable_;
  ReportTableView* instrumentTable_;
};

}  // namespace td
