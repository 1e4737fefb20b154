#include "ui/reporting/AccountStatementController.h"

#include <QImage>
#include <QTextCursor>
#include <QTextDocument>

#include "model/Conversions.h"
#include "platform/Resources.h"
#include "ui/printing/MSTablePrint.h"
#include "ui/printing/PrintText.h"
#include "ui/printing/PrintTextView.h"
#include "ui/reporting/ReportingSource.h"
#include "wire/Formatter.h"

namespace td {

AccountStatementController::AccountStatementController(ReportingSource& source, std::function<Date()> now)
    : source_(source),
      period_(std::move(now)),
      workingOrders_(StatementTableModel::Table::WorkingOrders, source),
      closedTransactions_(StatementTableModel::Table::ClosedTransactions, source),
      openPositions_(StatementTableModel::Table::OpenPositions, source),
      instrumentDetails_(StatementTableModel::Table::InstrumentDetails, source),
      accountSummary_(source) {
  loginToken_ = source_.notifications().addObserver("LoginSuccessNotification",
                                                    [this](const Notification&) { sessionOpened(); });
}

AccountStatementController::~AccountStatementController() {
  source_.notifications().removeObserver(statementToken_);
  source_.notifications().removeObserver(loginToken_);
}

void AccountStatementController::windowDidLoad() {
  if (loaded_) return;
  loaded_ = true;
  updateValuesinWindow();
  showAccountStatement();
  statementToken_ = source_.notifications().addObserver("AccountStatementNotification",
                                                        [this](const Notification&) { accountStatementUpdate(); });
}

void AccountStatementController::windowDidAppear() {
  if (loaded_) reloadDateValues();
}

void AccountStatementController::updateValuesinWindow() {
  setDateValues();
  loadAccountCombo();
  setMaxandMinDates();
}

void AccountStatementController::reloadDateValues() {
  setDateValues();
  setMaxandMinDates();
}

void AccountStatementController::setDateValues() {
  period_.setDateValues();
  if (view_) view_->showPeriod(period_);
}

void AccountStatementController::loadAccountCombo() {
  account_.load(source_);
  if (view_) view_->showAccounts(account_.items(), account_.selected());
}

std::int64_t AccountStatementController::getReportHistoryDaysLimit() const {
  const std::string account = accountText();
  return account.empty() ? 0 : source_.reportHistoryDaysLimit(conv::toInt(account));
}

void AccountStatementController::setMaxandMinDates() {
  period_.limitToDaysBack(getReportHistoryDaysLimit());
  if (view_) view_->showPeriod(period_);
}

void AccountStatementController::selectAccount(int index) {
  account_.select(index);
  setMaxandMinDates();
}

void AccountStatementController::setFromDate(Date date) { period_.setFromDate(date); }
void AccountStatementController::setToDate(Date date) { period_.setToDate(date); }

void AccountStatementController::showLabels() {
  const std::string account = accountText();
  std::string name;
  for (const auto& a : source_.accounts())
    if (a && std::to_string(a->AccountId) == account) name = a->AccountName;
  accountLabel_ = "Account : " + account;
  accountNameLabel_ = "Account Name : " + name;
  statementPeriodLabel_ = "Statement Period : " + Formatter::formatDate(period_.fromDate()) + " - " +
                          Formatter::formatDate(period_.toDate());
  if (view_) view_->showLabels(accountLabel_, accountNameLabel_, statementPeriodLabel_);
}

bool AccountStatementController::showAccountStatement() {
  showLabels();
  const std::string account = accountText();
  if (account.empty()) return false;
  return source_.requestAccountStatement({account, period_.fromDate(), period_.toDate()});
}

void AccountStatementController::accountStatementUpdate() {
  const auto statement = source_.statement();
  openPositions_.reload();
  openStatus_ = statement ? getOpenStatusInfo(*statement) : std::string();
  workingOrders_.reload();
  closedTransactions_.reload();
  closedStatus_ = statement ? getSettledStatusInfo(*statement) : std::string();
  instrumentDetails_.reload();
  accountSummary_.loadAccountSummary();
  if (view_) view_->showTotals(closedStatus_, openStatus_);
}

void AccountStatementController::sessionOpened() {
  // Another login: its accounts, and the tables of its (empty) statement.
  if (!loaded_) return;
  loadAccountCombo();
  setMaxandMinDates();
  accountStatementUpdate();
}

AccountStatementController::PrintedRows AccountStatementController::printedRows() const {
  PrintedRows rows;
  if (const auto statement = source_.statement()) {
    rows.closedTransactions = static_cast<int>(statement->getSettledPositionInfo().size());
    rows.openPositions = static_cast<int>(statement->getOpenPositionInfo().size());
    rows.workingOrders = static_cast<int>(statement->getPendingOrderInfo().size());
    rows.instrumentDetails = static_cast<int>(statement->InstrumentInfo.size());
  }
  rows.accountSummary = accountSummary_.getAccountSummaryCount();
  return rows;
}

std::shared_ptr<PrintTextView> AccountStatementController::printout(const StatementGrids& grids) const {
  auto view = std::make_shared<PrintTextView>(QStringLiteral("Account Statement"));
  QTextCursor cursor(&view->document());
  const auto q = [](const std::string& text) { return QString::fromStdString(text); };
  PrintTextStyle title;
  title.foreground = QColor::fromRgbF(112 / 255.0, 0, 2 / 255.0);
  title.underline = true;
  title.points = 24;
  title.alignment = Qt::AlignHCenter;
  PrintTextStyle heading;
  heading.background = QColor::fromRgbF(158 / 255.0, 207 / 255.0, 224 / 255.0);
  PrintTextStyle totals;
  totals.background = QColor(170, 170, 170);
  totals.points = 10;
  const PrintTextStyle details;
  const MSTablePrint renderer;

  PrintText::append(cursor, QStringLiteral("Account Statement"), title);
  PrintText::newLines(cursor, 2);
  PrintText::image(cursor, QImage(QString::fromStdString((Resources::directory() / "images" / "Company_Logo.png").string())),
                   QStringLiteral("Company_Logo"));
  PrintText::append(cursor, q("\n\n" + accountLabel_ + "\n\n" + accountNameLabel_ + "\n\n" + statementPeriodLabel_ + "\n\n"),
                    details);
  PrintText::append(cursor, QStringLiteral("Closed Transactions "), heading);
  renderer.attributedStringFromItems(cursor, grids.closedTransactions);
  PrintText::append(cursor, q(closedStatus_), totals);
  PrintText::newLines(cursor, 3);
  PrintText::append(cursor, QStringLiteral("Open Positions "), heading);
  renderer.attributedStringFromItems(cursor, grids.openPositions);
  PrintText::append(cursor, q(openStatus_), totals);
  PrintText::newLines(cursor, 3);
  PrintText::append(cursor, QStringLiteral("Working Orders "), heading);
  renderer.attributedStringFromItems(cursor, grids.workingOrders);
  PrintText::newLines(cursor, 1);
  PrintText::append(cursor, QStringLiteral("Account Summary "), heading);
  renderer.attributedStringFromItems(cursor, grids.accountSummary);
  PrintText::newLines(cursor, 1);
  PrintText::append(cursor, QStringLiteral("Instrument Details "), heading);
  renderer.attributedStringFromItems(cursor, grids.instrumentDetails);
  return view;
}

}  // namespace td
