// The account statement without widgets: the cells of its five tables with their formats and edge
// cases, the totals lines and the summary, the window's dates, accounts and requests, and the
// print-out of an empty statement read back as PDF text.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <ctime>

#include "FakeReportingSource.h"
#include "PdfText.h"
#include "QtTestApp.h"
#include "ui/printing/PrintTextView.h"
#include "ui/reporting/AccountStatementController.h"
#include "wire/Formatter.h"

namespace td {
namespace {

using ::testing::ElementsAre;
using Table = StatementTableModel::Table;

constexpr double kWide = 1000;

std::string value(Table table, const AccountStatementInfo& s, int row, std::string_view column, double width = kWide) {
  return StatementTableModel::cellValue(table, s, row, column, width).value_or("<none>");
}

// A row in every column of its table, in the table's order.
std::vector<std::string> cells(Table table, const AccountStatementInfo& s, int row, double width = kWide) {
  std::vector<std::string> out;
  for (const auto& column : StatementTableModel::columnsOf(table)) out.push_back(value(table, s, row, column, width));
  return out;
}

InstrumentHistoryInfo instrument(std::int32_t id, const std::string& code, std::int32_t decimals, double bid, double ask) {
  InstrumentHistoryInfo i;
  i.InstrumentId = id;
  i.Code = code;
  i.DecimalPlaces = decimals;
  i.Bid = bid;
  i.Ask = ask;
  return i;
}

TEST(StatementTables, WorkingOrdersShowTheirPricesCodesAndTimes) {
  AccountStatementContent content;
  content.InstrumentInfo["42"] = instrument(42, "EURUSD", 5, 0, 0);
  PendingOrderHistoryInfo bare;  // no take-profit or stop-loss text at all, odd codes
  bare.PendingOrderId = "W1";
  bare.ItemCode = "EURUSD";
  bare.InstrumentId = 42;
  bare.OrderQty = "2.50";
  bare.RemainingQty = "";
  bare.tradingMode = 1;
  bare.orderType = 4;
  bare.OrderPrice = "1.2";
  bare.timeinForce = 3;
  bare.deliveryMode = 0;
  bare.TransactionDateTime = "01/02/2014 03:04:05";
  PendingOrderHistoryInfo zero = bare;  // take-profit and stop-loss of 0, an instrument not in the statement
  zero.PendingOrderId = "W2";
  zero.LimitPrice = "0";
  zero.StopPrice = "1.1";
  zero.InstrumentId = 7;
  zero.tradingMode = 0;
  zero.orderType = 2;
  zero.timeinForce = 5;
  zero.deliveryMode = 3;
  zero.RefPositionIdOfBracket = "O5";
  zero.TransactionDateTime = "not a date";
  content.PendingOrderInfo = {bare, zero};
  AccountStatementInfo s;
  s.apply(std::move(content));

  EXPECT_THAT(cells(Table::WorkingOrders, s, 0, 136),
              ElementsAre("W1", "EURUSD", "2.5", "0", "S", "", "1.20000", "0.00", "0.00", "01/02/2014 03:04:05", "",
                          "0", "Unknown"));
  EXPECT_THAT(cells(Table::WorkingOrders, s, 1, 135),
              ElementsAre("W2", "EURUSD", "2.5", "0", "B", "Limit", "1.20", "0.00", "1.10", "", "Day", "O5", "BTST"));
  EXPECT_EQ(value(Table::WorkingOrders, s, 0, "Order Time", 135), "03:04:05");  // narrow: the time alone
  EXPECT_EQ(value(Table::WorkingOrders, s, 0, "Account"), "<none>");           // not answered by this table
  EXPECT_EQ(value(Table::WorkingOrders, s, 2, "Pending Id"), "<none>");        // beyond the statement
}

TEST(StatementTables, ClosedTransactionsAndOpenPositionsWithTheirTotalsLines) {
  AccountStatementContent content;
  content.InstrumentInfo["3"] = instrument(3, "USDJPY", 3, 151.188, 151.2);
  SettledPositionHistoryInfo settled;
  settled.SettlementId = "S9";
  settled.ItemCode = "USDJPY";
  settled.InstrumentId = 3;
  settled.SettledQty = "2";
  settled.OrderPrice = "151.886";
  settled.SettledPrice = "150.5";
  settled.SettledPL = "-1234.5";
  settled.Commision = 5;
  settled.CurrencyRate = 1;
  settled.OtherCharges = 0.25;
  settled.OpenPositionId = "O1";
  settled.ClosingPositionId = "O2";
  settled.deliveryMode = 1;
  settled.TransactionDateTime = "12/02/2026 09:06:26";
  settled.OpenDate = "11/29/2026 09:06:26";
  settled.CloseDate = "12/02/2026 09:06:26";
  SettledPositionHistoryInfo half = settled;
  half.SettledQty = "0.5";
  half.SettledPL = "0";
  half.Commision = 0;
  half.OtherCharges = 0;
  content.SettledPositionInfo = {settled, half};
  OpenPositionHistoryInfo open;
  open.OpenPositionId = "5001";
  open.ItemCode = "USDJPY";
  open.InstrumentId = 3;
  open.RemainingQty = "3";
  open.tradingMode = 0;
  open.OrderPrice = "150";
  open.CurrentPrice = 151.188;
  open.UnrealisedPL = 1788;
  open.Commision = 7.5;
  open.deliveryMode = 2;
  open.ValueDate = "12/03/2026";
  open.ExpiryDate = "12/03/2027";
  content.OpenPositionInfo = {open};
  AccountStatementInfo s;
  s.apply(std::move(content));

  EXPECT_THAT(cells(Table::ClosedTransactions, s, 0, 100),
              ElementsAre("S9", "USDJPY", "2", "B", "151.886", "150.500", "-1234.50", "5.00", "0.00", "09:06:26", "O1",
                          "O2", "1.000", "Regular", "11/29/2026 09:06:26", "12/02/2026 09:06:26", "0.25"));
  EXPECT_THAT(cells(Table::OpenPositions, s, 0),
              ElementsAre("5001", "USDJPY", "3", "B", "150.000", "151.188", "1788.00", "", "7.50", "0.00", "Intraday",
                          "12/03/2026", "12/03/2027"));

  EXPECT_EQ(getSettledStatusInfo(s),
            "Quantity : 2.5     Profit : -1,234.50     Commission : 5.00     Storage : 0.00     TDS : 0.25     ");
  EXPECT_EQ(getOpenStatusInfo(s), "Quantity : 3     Profit : 1,788.00     Commission : 7.50     Storage : 0.00     ");
  EXPECT_EQ(getSettledStatusInfo(AccountStatementInfo()),
            "Quantity : 0     Profit : 0.00     Commission : 0.00     Storage : 0.00     TDS : 0.00     ");
}

TEST(StatementTables, InstrumentsUseTheirOwnDecimalsAndTheSummaryListsItsRows) {
  AccountStatementContent content;
  content.InstrumentInfo["3"] = instrument(3, "USDJPY", 3, 151.188, 151.2);
  content.InstrumentInfo["10"] = instrument(10, "DAX", 0, 15000, 15001.5);
  AccountStatementInfo s;
  s.apply(std::move(content));
  EXPECT_EQ(value(Table::InstrumentDetails, s, 0, "Symbol"), "DAX");  // the map's own key order
  EXPECT_EQ(value(Table::InstrumentDetails, s, 0, "Ask"), "15001.50");
  EXPECT_EQ(value(Table::InstrumentDetails, s, 1, "Bid"), "151.188");

  EXPECT_TRUE(AccountSummaryTableModel::summaryOf(s).empty());  // no snapshots yet
  AccountStatementContent period;
  period.hasAccountInfo = true;
  auto start = std::make_shared<AccountHistoryInfo>();
  start->OpeningBalanceOfDay = 1000;
  auto end = std::make_shared<AccountHistoryInfo>();
  end->Balance = 1234.5;
  end->Equity = -0.5;
  period.StartInfo = start;
  period.EndInfo = end;
  FinancialTransactionHistoryInfo deposit, daily;
  deposit.SubTransactionType = 1;
  deposit.CrAmount = 500;
  daily.SubTransactionType = 15;
  daily.DrAmount = 0.5;
  period.FinancialTransactionInfo = {deposit, daily};
  s.apply(std::move(period));
  const auto rows = AccountSummaryTableModel::summaryOf(s);
  std::vector<std::string> entities;
  for (const auto& [entity, details] : rows) entities.push_back(entity);
  EXPECT_THAT(entities, ElementsAre("Opening Balance", "Deposit", "Withdrawals", "Adjustments", "Commission",
                                    "Realized Storage", "Settled P/L", "TDS", "Daily TDS", "Closing Balance",
                                    "Accumulated Storage", "Unrealized P/L", "Equity", "Collateral Security",
                                    "Used Margin", "Available Margin", "Miscellaneous"));
  EXPECT_EQ(rows[0].second, "1,000.00");
  EXPECT_EQ(rows[1].second, "500.00");
  EXPECT_EQ(rows[8].second, "-0.50");
  EXPECT_EQ(rows[9].second, "1,234.50");
  EXPECT_EQ(rows[12].second, "-0.50");
}

// ---- the window's logic ----

class StatementWindowTest : public ::testing::Test, public AccountStatementView {
 protected:
  StatementWindowTest() {
    test::qtTestApp();
    source.addAccount(1001, "Main");
    source.addAccount(1002, "Hedge");
    controller.setView(this);
  }
  ~StatementWindowTest() override { controller.setView(nullptr); }

  static Date localTime(int day, int hour, int minute) {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 2;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&t));
  }

  void showPeriod(const SearchPeriod& period) override {
    shownFrom = period.fromDate();
    shownTo = period.toDate();
  }
  void showAccounts(const std::vector<std::string>& accounts, int selected) override {
    shownAccounts = accounts;
    shownSelected = selected;
  }
  void showLabels(const std::string& account, const std::string& name, const std::string& period) override {
    labels = {account, name, period};
  }
  void showTotals(const std::string& closed, const std::string& open) override { totals = {closed, open}; }

  test::FakeReportingSource source;
  Date now = localTime(10, 15, 30);
  AccountStatementController controller{source, [this] { return now; }};
  Date shownFrom{}, shownTo{};
  std::vector<std::string> shownAccounts;
  int shownSelected = -2;
  std::vector<std::string> labels, totals;
};

TEST_F(StatementWindowTest, TheFirstShowingRequestsTheFirstAccountForTodayAndLaterOnesOnlyResetTheDates) {
  source.daysLimit = 30;
  controller.windowDidAppear();  // not loaded yet: nothing
  EXPECT_TRUE(source.statementRequests.empty());
  controller.windowDidLoad();
  ASSERT_EQ(source.statementRequests.size(), 1u);
  const AccountStatementRequest& first = source.statementRequests[0];
  EXPECT_EQ(first.AccountId, std::optional<std::string>("1001"));
  EXPECT_EQ(first.FromDate, localTime(10, 0, 0));
  EXPECT_EQ(first.ToDate, localTime(10, 12, 0));
  EXPECT_THAT(shownAccounts, ElementsAre("1001", "1002"));
  EXPECT_EQ(shownSelected, 0);
  EXPECT_THAT(labels, ElementsAre("Account : 1001", "Account Name : Main", "Statement Period : 03/10/2026 - 03/10/2026"));

  // The user picks the second account and a period; reopening keeps the account, resets the dates.
  source.daysLimit = 5;
  controller.selectAccount(1);
  EXPECT_EQ(source.limitsAsked.back(), 1002);
  controller.setFromDate(localTime(1, 9, 0));  // 9 days back: held at the 5-day limit
  EXPECT_EQ(controller.period().fromDate(), localTime(5, 15, 30));
  controller.setToDate(localTime(11, 9, 0));  // the future: held at now
  EXPECT_EQ(controller.period().toDate(), now);
  now = localTime(11, 8, 0);
  controller.windowDidAppear();
  EXPECT_EQ(source.statementRequests.size(), 1u);
  EXPECT_EQ(controller.accountText(), "1002");
  EXPECT_EQ(shownFrom, localTime(11, 0, 0));
  EXPECT_EQ(shownTo, now);  // noon is still to come: held at now
  EXPECT_EQ(*controller.period().minimumDate(), localTime(6, 8, 0));

  ASSERT_TRUE(controller.showAccountStatement());
  EXPECT_EQ(source.statementRequests.back().AccountId, std::optional<std::string>("1002"));
  EXPECT_EQ(labels[1], "Account Name : Hedge");

  // No account chosen: the labels say so and no request goes out.
  controller.selectAccount(5);
  EXPECT_FALSE(controller.showAccountStatement());
  EXPECT_EQ(source.statementRequests.size(), 2u);
  EXPECT_EQ(labels[0], "Account : ");
}

TEST_F(StatementWindowTest, TheReplyFillsTheTablesAndANewLoginListsItsAccounts) {
  controller.windowDidLoad();
  EXPECT_EQ(controller.closedTransactions().rowCount(), 0);
  AccountStatementContent content;
  content.SettledPositionInfo.resize(2);
  content.OpenPositionInfo.resize(1);
  content.hasAccountInfo = true;
  content.StartInfo = std::make_shared<AccountHistoryInfo>();
  content.EndInfo = std::make_shared<AccountHistoryInfo>();
  source.session->statement.apply(std::move(content));
  EXPECT_EQ(controller.closedTransactions().rowCount(), 0);  // until the notification
  source.centre.post("AccountStatementNotification");
  EXPECT_EQ(controller.closedTransactions().rowCount(), 2);
  EXPECT_EQ(controller.openPositions().rowCount(), 1);
  EXPECT_EQ(controller.accountSummary().getAccountSummaryCount(), 16);
  ASSERT_EQ(totals.size(), 2u);
  EXPECT_EQ(totals[0].rfind("Quantity : 0     Profit : 0.00", 0), 0u);

  source.session = std::make_shared<test::FakeReportingSource::Session>();
  source.addAccount(2001, "Alice");
  source.centre.post("LoginSuccessNotification");
  EXPECT_THAT(shownAccounts, ElementsAre("2001"));
  EXPECT_EQ(controller.closedTransactions().rowCount(), 0);
  EXPECT_EQ(controller.accountSummary().getAccountSummaryCount(), 0);
}

TEST_F(StatementWindowTest, AnEmptyStatementPrintsItsHeadingsHeaderRowsAndTotals) {
  controller.windowDidLoad();
  source.centre.post("AccountStatementNotification");
  StatementGrids grids;
  grids.closedTransactions = {{"Settled Id", "Symbol"}};
  grids.openPositions = {{"Position Id", "Symbol"}};
  grids.workingOrders = {{"Pending Id"}};
  grids.accountSummary = {{"Entity", "Details"}};
  grids.instrumentDetails = {{"Symbol", "Bid", "Ask"}};
  QTemporaryDir dir;
  const QString path = dir.filePath("statement.pdf");
  ASSERT_FALSE(controller.printout(grids)->printToPdf(path));
  const QString text = test::pdfText(path);
  QStringList expected{"Account Statement", "Account : 1001", "Account Name : Main", "Statement Period : 03/10/2026",
                       "Closed Transactions", "Settled Id", "Quantity : 0", "TDS : 0.00", "Open Positions",
                       "Position Id", "Working Orders", "Pending Id", "Account Summary", "Entity", "Details",
                       "Instrument Details", "Bid", "Page 1 of 1"};
  qsizetype at = 0;
  for (const QString& piece : expected) {
    const qsizetype found = text.indexOf(piece, at);
    EXPECT_GE(found, 0) << piece.toStdString() << " in order in\n" << text.toStdString();
    if (found >= 0) at = found;
  }
}

}  // namespace
}  // namespace td
