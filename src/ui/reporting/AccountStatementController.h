#pragma once
// The account statement window without widgets: the account (one of the user's accounts, chosen
// from a list), the period, the labels, the request, the five tables with their totals lines, and
// the print-out.
//
// At its first showing the window requests the statement of the first account from today 00:00:00
// to today 12:00:00 (no later than now); each later showing resets both dates to today and keeps
// the account, without a request. The period reaches back as many days as the account's group may
// ask for (`ReportHistoryDaysLimit`) and never into the future. The tables change when the reply's
// "AccountStatementNotification" comes; a new login lists the new session's accounts and empties
// the tables. Main thread only.

#include <memory>
#include <string>
#include <vector>

#include "platform/NotificationCenter.h"
#include "ui/printing/TableGrid.h"
#include "ui/reporting/SearchCriteria.h"
#include "ui/reporting/StatementTableModels.h"

namespace td {

class PrintTextView;
class ReportingSource;

class AccountStatementView {
 public:
  virtual ~AccountStatementView() = default;
  virtual void showPeriod(const SearchPeriod& period) = 0;
  // The account ids ("%d") and the index of the chosen one (-1: none).
  virtual void showAccounts(const std::vector<std::string>& accounts, int selected) = 0;
  virtual void showLabels(const std::string& account, const std::string& accountName, const std::string& period) = 0;
  virtual void showTotals(const std::string& closedTransactions, const std::string& openPositions) = 0;
};

// The tables of a statement as the print-out shows them (the visible columns of each view).
struct StatementGrids {
  TableGrid closedTransactions;
  TableGrid openPositions;
  TableGrid workingOrders;
  TableGrid accountSummary;
  TableGrid instrumentDetails;
};

class AccountStatementController {
 public:
  explicit AccountStatementController(ReportingSource& source, std::function<Date()> now = {});
  ~AccountStatementController();
  AccountStatementController(const AccountStatementController&) = delete;
  AccountStatementController& operator=(const AccountStatementController&) = delete;

  void setView(AccountStatementView* view) { view_ = view; }

  // `windowDidLoad`: dates, accounts and limits, the first request, then the statement notification.
  void windowDidLoad();
  // `windowDidAppear`: each showing after the first resets the dates and the limits.
  void windowDidAppear();
  bool loaded() const { return loaded_; }

  void updateValuesinWindow();
  void reloadDateValues();
  void setDateValues();
  void loadAccountCombo();
  void setMaxandMinDates();
  std::int64_t getReportHistoryDaysLimit() const;
  // The Show button: the labels, then the request (false when it did not go out or no account is
  // chosen).
  bool showAccountStatement();
  // "AccountStatementNotification": the tables, their totals and the summary.
  void accountStatementUpdate();

  // The user's choices.
  void selectAccount(int index);
  void setFromDate(Date date);
  void setToDate(Date date);

  const SearchPeriod& period() const { return period_; }
  const AccountChoice& account() const { return account_; }
  // The chosen account id as text; "" when none.
  std::string accountText() const { return account_.text(); }

  const std::string& accountLabel() const { return accountLabel_; }
  const std::string& accountNameLabel() const { return accountNameLabel_; }
  const std::string& statementPeriodLabel() const { return statementPeriodLabel_; }
  const std::string& closedStatusLabel() const { return closedStatus_; }
  const std::string& openStatusLabel() const { return openStatus_; }

  StatementTableModel& workingOrders() { return workingOrders_; }
  StatementTableModel& closedTransactions() { return closedTransactions_; }
  StatementTableModel& openPositions() { return openPositions_; }
  StatementTableModel& instrumentDetails() { return instrumentDetails_; }
  AccountSummaryTableModel& accountSummary() { return accountSummary_; }

  // The row counts each printed table takes: the sizes of the statement's collections and of the
  // summary.
  struct PrintedRows {
    int closedTransactions = 0, openPositions = 0, workingOrders = 0, accountSummary = 0, instrumentDetails = 0;
  };
  PrintedRows printedRows() const;

  // The print-out ("Account Statement"): title, logo, account details, then the closed
  // transactions, open positions, working orders, account summary and instruments under their
  // headings, the two position tables with their totals lines.
  std::shared_ptr<PrintTextView> printout(const StatementGrids& grids) const;

 private:
  void showLabels();
  void sessionOpened();

  ReportingSource& source_;
  AccountStatementView* view_ = nullptr;
  SearchPeriod period_;
  AccountChoice account_;
  bool loaded_ = false;
  std::string accountLabel_, accountNameLabel_, statementPeriodLabel_;
  std::string closedStatus_, openStatus_;
  StatementTableModel workingOrders_;
  StatementTableModel closedTransactions_;
  StatementTableModel openPositions_;
  StatementTableModel instrumentDetails_;
  AccountSummaryTableModel accountSummary_;
  ObserverToken statementToken_ = 0;
  ObserverToken loginToken_ = 0;
};

}  // namespace td
