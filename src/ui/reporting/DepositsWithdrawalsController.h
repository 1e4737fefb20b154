#pragma once
// The deposits and withdrawals window without widgets: the search (one of the user's accounts, a
// period, a kind of movement), its table and its print-out.
//
// The kinds are "All" and eight single codes; a search without a chosen kind searches them all
// ("#DWR"). The table follows the session's last search reply ("DepositWithdrawalTableNotification");
// Clear empties it at once and resets the period and the kind. The window keeps its search and its
// results when it is closed and opened again; a new login lists the new session's accounts and
// empties the table. Main thread only.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/statement/FinancialTransactionDetails.h"
#include "platform/NotificationCenter.h"
#include "ui/printing/TableGrid.h"
#include "ui/reporting/IdentifiedTableModel.h"
#include "ui/reporting/SearchCriteria.h"

namespace td {

class PrintTextView;
class ReportingSource;

class DepositsTableModel final : public IdentifiedTableModel {
  Q_OBJECT
 public:
  explicit DepositsTableModel(ReportingSource& source, QObject* parent = nullptr);

  // Takes the rows of the last reply.
  void reload();
  // Shows no rows until the next reply.
  void clear();

  // The text of a movement in a column; nothing for a column the table does not answer.
  static std::optional<std::string> cellValue(const FinancialTransactionDetails& movement, std::string_view identifier);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

 private:
  ReportingSource& source_;
  int count_ = 0;
};

class DepositsWithdrawalsView {
 public:
  virtual ~DepositsWithdrawalsView() = default;
  virtual void showPeriod(const SearchPeriod& period) = 0;
  virtual void showAccounts(const std::vector<std::string>& accounts, int selected) = 0;
  // The titles of the kinds and the chosen one (-1: none, the box is empty).
  virtual void showTransactionCodes(const std::vector<std::string>& titles, int selected) = 0;
};

class DepositsWithdrawalsController {
 public:
  // "title:code" entries; "All" searches every kind.
  static const std::vector<std::string>& transactioncodeArray();
  static constexpr const char* kAllCodes = "#DWR";

  explicit DepositsWithdrawalsController(ReportingSource& source, std::function<Date()> now = {});
  ~DepositsWithdrawalsController();
  DepositsWithdrawalsController(const DepositsWithdrawalsController&) = delete;
  DepositsWithdrawalsController& operator=(const DepositsWithdrawalsController&) = delete;

  void setView(DepositsWithdrawalsView* view) { view_ = view; }

  // `windowDidLoad`: defaults, accounts and kinds, then the reply notification.
  void windowDidLoad();
  bool loaded() const { return loaded_; }
  void updateValuesinWindow();
  void setDefaultValues();
  void loadAccountCombo();
  void loadTransactionCodeCombo();
  void clearButtonClicked() { setDefaultValues(); }
  // The Search button; false when the request did not go out or no account is chosen.
  bool searchButtonClicked();
  // "DepositWithdrawalTableNotification".
  void DepositWithdrawalTableUpdate() { table_.reload(); }

  // The user's choices.
  void selectAccount(int index);
  void selectTransactionCode(int index);
  void setFromDate(Date date) { period_.setFromDate(date); }
  void setToDate(Date date) { period_.setToDate(date); }

  const SearchPeriod& period() const { return period_; }
  const AccountChoice& account() const { return account_; }
  int selectedTransactionCode() const { return selectedCode_; }
  // The code a search sends: the chosen kind's, "#DWR" when none is chosen.
  std::string transactionCode() const;

  DepositsTableModel& table() { return table_; }

  // The print-out ("Deposit & Withdrawal") of the table's grid.
  static std::shared_ptr<PrintTextView> printout(const TableGrid& grid);

 private:
  void sessionOpened();

  ReportingSource& source_;
  DepositsWithdrawalsView* view_ = nullptr;
  SearchPeriod period_;
  AccountChoice account_;
  int selectedCode_ = -1;
  bool loaded_ = false;
  DepositsTableModel table_;
  ObserverToken replyToken_ = 0;
  ObserverToken loginToken_ = 0;
};

}  // namespace td
