#include "ui/reporting/DepositsWithdrawalsController.h"

#include <QTextCursor>
#include <limits>

#include "ui/printing/MSTablePrint.h"
#include "ui/printing/PrintTextView.h"
#include "ui/reporting/ReportingColumns.h"
#include "ui/reporting/ReportingSource.h"
#include "ui/reporting/StatementTableModels.h"
#include "wire/Formatter.h"

namespace td {

using namespace reportingcolumns;

namespace {

// An amount: its plain number text, regrouped with two decimals at least ("1,500.00").
std::string amount(double value) {
  const std::string plain = quantityText(value);
  return Formatter::formatDecimalWithString(plain).value_or(plain);
}

}  // namespace

// ---- DepositsTableModel ----

DepositsTableModel::DepositsTableModel(ReportingSource& source, QObject* parent)
    : IdentifiedTableModel({ACCOUNTID_DW, TRANSACTIONID_DW, TRANSACTIONCODE_DW, CRAMOUNT_DW, DRAMOUNT_DW,
                            BALAMOUNTPOSTTRANSACTION_DW, NARRATION_DW, TRANSACTIONDATE_DW},
                           {CRAMOUNT_DW, DRAMOUNT_DW, BALAMOUNTPOSTTRANSACTION_DW}, parent),
      source_(source) {}

void DepositsTableModel::reload() {
  beginResetModel();
  const auto movements = source_.transactions();
  count_ = movements ? static_cast<int>(std::min<std::size_t>(movements->size(), std::numeric_limits<int>::max())) : 0;
  endResetModel();
}

void DepositsTableModel::clear() {
  beginResetModel();
  count_ = 0;
  endResetModel();
}

std::optional<std::string> DepositsTableModel::cellValue(const FinancialTransactionDetails& m, std::string_view column) {
  if (column == ACCOUNTID_DW) return std::to_string(m.AccountId);
  if (column == TRANSACTIONID_DW) return std::to_string(m.SubTransactionId);
  if (column == TRANSACTIONCODE_DW) return m.SubTransactionCode;
  if (column == CRAMOUNT_DW) return amount(m.CrAmount);
  if (column == DRAMOUNT_DW) return amount(m.DrAmount);
  if (column == BALAMOUNTPOSTTRANSACTION_DW) return amount(m.BalAmountPostTransaction);
  if (column == NARRATION_DW) return m.Narration;
  if (column == TRANSACTIONDATE_DW) return m.TransactionDate;
  return std::nullopt;
}

int DepositsTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count_; }

QVariant DepositsTableModel::data(const QModelIndex& index, int role) const {
  if (role == Qt::TextAlignmentRole) return alignment(index.column());
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= count_) return {};
  const auto movements = source_.transactions();
  if (!movements || index.row() >= static_cast<int>(movements->size())) return {};
  const auto value = cellValue((*movements)[static_cast<std::size_t>(index.row())], identifier(index.column()));
  if (!value) return {};
  return QString::fromStdString(*value);
}

// ---- DepositsWithdrawalsController ----

const std::vector<std::string>& DepositsWithdrawalsController::transactioncodeArray() {
  static const std::vector<std::string> codes{"All:#DWR",           "Deposit Money:DEP",      "Withdraw Money:WID",
                                              "Opening Deposit:ODE", "Closing Withdrawal:CWI", "MarginCall Deposit:MCD",
                                              "Waiver:WAV",          "Adjustments:ADJ",        "Processing Charges:PCH"};
  return codes;
}

DepositsWithdrawalsController::DepositsWithdrawalsController(ReportingSource& source, std::function<Date()> now)
    : source_(source), period_(std::move(now)), table_(source) {
  loginToken_ = source_.notifications().addObserver("LoginSuccessNotification",
                                                    [this](const Notification&) { sessionOpened(); });
}

DepositsWithdrawalsController::~DepositsWithdrawalsController() {
  source_.notifications().removeObserver(replyToken_);
  source_.notifications().removeObserver(loginToken_);
}

void DepositsWithdrawalsController::windowDidLoad() {
  if (loaded_) return;
  loaded_ = true;
  updateValuesinWindow();
  replyToken_ = source_.notifications().addObserver("DepositWithdrawalTableNotification",
                                                    [this](const Notification&) { DepositWithdrawalTableUpdate(); });
}

void DepositsWithdrawalsController::updateValuesinWindow() {
  setDefaultValues();  // the kinds among them
  loadAccountCombo();
}

void DepositsWithdrawalsController::setDefaultValues() {
  period_.setDateValues();
  table_.clear();
  selectedCode_ = -1;
  if (view_) view_->showPeriod(period_);
  loadTransactionCodeCombo();
}

void DepositsWithdrawalsController::loadAccountCombo() {
  account_.load(source_);
  if (view_) view_->showAccounts(account_.items(), account_.selected());
}

void DepositsWithdrawalsController::loadTransactionCodeCombo() {
  if (!view_) return;
  std::vector<std::string> titles;
  for (const std::string& entry : transactioncodeArray()) titles.push_back(entry.substr(0, entry.find(':')));
  view_->showTransactionCodes(titles, selectedCode_);
}

void DepositsWithdrawalsController::selectAccount(int index) { account_.select(index); }

void DepositsWithdrawalsController::selectTransactionCode(int index) {
  selectedCode_ = index >= 0 && index < static_cast<int>(transactioncodeArray().size()) ? index : -1;
}

std::string DepositsWithdrawalsController::transactionCode() const {
  if (selectedCode_ < 0) return kAllCodes;
  const std::string& entry = transactioncodeArray()[static_cast<std::size_t>(selectedCode_)];
  return entry.substr(entry.find(':') + 1);
}

bool DepositsWithdrawalsController::searchButtonClicked() {
  if (account_.selected() < 0) return false;
  SearchInfo search;
  search.AccountNumber = account_.text();
  search.FromDate = period_.fromDate();
  search.ToDate = period_.toDate();
  search.TransactionDetails = transactionCode();
  return source_.requestFinancialTransactions(search);
}

void DepositsWithdrawalsController::sessionOpened() {
  if (!loaded_) return;
  loadAccountCombo();
  table_.clear();
}

std::shared_ptr<PrintTextView> DepositsWithdrawalsController::printout(const TableGrid& grid) {
  auto view = std::make_shared<PrintTextView>(QStringLiteral("Deposit & Withdrawal"));
  QTextCursor cursor(&view->document());
  MSTablePrint().attributedStringFromItems(cursor, grid);
  return view;
}

}  // namespace td
