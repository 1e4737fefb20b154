#pragma once
// The deposits and withdrawals window: the account, the kind of movement, the period, Search,
// Clear and Print over the table of movements. A tool window of the main window; it binds to
// DepositsWithdrawalsController.

#include <QWidget>
#include <memory>

#include "ui/reporting/DepositsWithdrawalsController.h"

class QComboBox;
class QDateTimeEdit;
class QPushButton;

namespace td {

class PrintTextView;
class ReportTableView;

class DepositsWithdrawalsWindow final : public QWidget, public DepositsWithdrawalsView {
  Q_OBJECT
 public:
  DepositsWithdrawalsWindow(std::shared_ptr<ReportingSource> source, QWidget* mainWindow);
  ~DepositsWithdrawalsWindow() override;

  // The main window's button: loads the window on the first call and brings it to the front; the
  // last search and its results stay.
  void open();

  // The print-out of what the table shows now.
  std::shared_ptr<PrintTextView> printout() const;

  DepositsWithdrawalsController& controller() { return controller_; }
  QComboBox* accountBox() const { return accountBox_; }
  QComboBox* transactionCodeBox() const { return codeBox_; }
  QDateTimeEdit* fromDateEdit() const { return from_; }
  QDateTimeEdit* toDateEdit() const { return to_; }
  QPushButton* searchButton() const { return search_; }
  QPushButton* clearButton() const { return clear_; }
  ReportTableView* table() const { return table_; }

  // DepositsWithdrawalsView
  void showPeriod(const SearchPeriod& period) override;
  void showAccounts(const std::vector<std::string>& accounts, int selected) override;
  void showTransactionCodes(const std::vector<std::string>& titles, int selected) override;

 private:
  std::shared_ptr<ReportingSource> source_;
  DepositsWithdrawalsController controller_;
  QComboBox* accountBox_;
  QComboBox* codeBox_;
  QDateTimeEdit* from_;
  QDateTimeEdit* to_;
  QPushButton* search_;
  QPushButton* clear_;
  QPushButton* print_;
  ReportTableView* table_;
};

}  // namespace td
