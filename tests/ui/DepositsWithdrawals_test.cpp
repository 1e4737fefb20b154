// Deposits and withdrawals without widgets: the rows of a reply, the search's account, period and
// code, Clear, a new login, and the print-out read back as PDF text.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>
#include <ctime>

#include "FakeReportingSource.h"
#include "PdfText.h"
#include "QtTestApp.h"
#include "ui/printing/PrintTextView.h"
#include "ui/reporting/DepositsWithdrawalsController.h"

namespace td {
namespace {

using ::testing::ElementsAre;

std::string fields(std::initializer_list<std::string> values) {
  std::string row;
  for (const auto& value : values) row += (row.empty() ? "" : "\x05") + value;
  return row;
}

std::vector<std::string> cells(const FinancialTransactionDetails& movement) {
  std::vector<std::string> out;
  for (const char* column : {"Account Id", "Transaction Id", "Transaction Code", "Cr Amount", "Dr Amount",
                             "Bal Amount Post Transaction", "Narration", "Transaction Date"})
    out.push_back(DepositsTableModel::cellValue(movement, column).value_or("<none>"));
  return out;
}

TEST(DepositsTable, ARowOfTheReplyShowsInItsEightColumns) {
  const auto full = FinancialTransactionDetails::initWithMessage(
      fields({"1", "DEP", "100", "7", "500.5", "0", "1500", "DEP", "cash", "20140102030405", "ignored"}));
  EXPECT_THAT(cells(full), ElementsAre("100", "7", "DEP", "500.50", "0.00", "1,500.00", "cash", "01/02/2014 03:04:05"));
  const auto shortRow = FinancialTransactionDetails::initWithMessage(fields({"1", "DEP", "100"}));
  EXPECT_THAT(cells(shortRow), ElementsAre("100", "0", "", "0.00", "0.00", "0.00", "", ""));
  EXPECT_FALSE(DepositsTableModel::cellValue(full, "Account"));
}

class DepositsWindowTest : public ::testing::Test, public DepositsWithdrawalsView {
 protected:
  DepositsWindowTest() {
    test::qtTestApp();
    source.addAccount(1001, "Main");
    source.addAccount(1002, "Hedge");
    controller.setView(this);
  }
  ~DepositsWindowTest() override { controller.setView(nullptr); }

  void showPeriod(const SearchPeriod& period) override { shown = {period.fromDate(), period.toDate()}; }
  void showAccounts(const std::vector<std::string>& accounts, int selected) override {
    shownAccounts = accounts;
    shownAccount = selected;
  }
  void showTransactionCodes(const std::vector<std::string>& titles, int selected) override {
    shownCodes = titles;
    shownCode = selected;
  }
  void reply(std::size_t rows) {
    source.session->transactions.assign(rows, FinancialTransactionDetails());
    source.centre.post("DepositWithdrawalTableNotification");
  }

  static Date today(int hour) {
    const std::time_t seconds = std::time(nullptr);
    std::tm t{};
    localtime_r(&seconds, &t);
    t.tm_hour = hour;
    t.tm_min = t.tm_sec = 0;
    t.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&t));
  }

  test::FakeReportingSource source;
  DepositsWithdrawalsController controller{source};
  std::pair<Date, Date> shown;
  std::vector<std::string> shownAccounts, shownCodes;
  int shownAccount = -2, shownCode = -2;
};

TEST_F(DepositsWindowTest, OpensOnTodayWithTheFirstAccountAndSendsTheChosenCodeOrAll) {
  source.session->transactions.resize(3);  // an earlier search of the session is not shown
  controller.windowDidLoad();
  EXPECT_EQ(shown.first, today(0));
  EXPECT_EQ(shown.second, today(12));
  EXPECT_THAT(shownAccounts, ElementsAre("1001", "1002"));
  EXPECT_EQ(shownAccount, 0);
  EXPECT_THAT(shownCodes, ElementsAre("All", "Deposit Money", "Withdraw Money", "Opening Deposit", "Closing Withdrawal",
                                      "MarginCall Deposit", "Waiver", "Adjustments", "Processing Charges"));
  EXPECT_EQ(shownCode, -1);
  EXPECT_EQ(controller.table().rowCount(), 0);

  ASSERT_TRUE(controller.searchButtonClicked());  // no kind chosen: every kind
  controller.selectTransactionCode(1);
  controller.selectAccount(1);
  controller.setFromDate(today(0) - std::chrono::hours(24 * 30));
  ASSERT_TRUE(controller.searchButtonClicked());
  controller.selectTransactionCode(0);
  ASSERT_TRUE(controller.searchButtonClicked());
  ASSERT_EQ(source.searches.size(), 3u);
  EXPECT_EQ(source.searches[0].TransactionDetails, "#DWR");
  EXPECT_EQ(source.searches[0].AccountNumber, "1001");
  EXPECT_EQ(source.searches[1].TransactionDetails, "DEP");
  EXPECT_EQ(source.searches[1].AccountNumber, "1002");
  EXPECT_EQ(source.searches[1].FromDate, today(0) - std::chrono::hours(24 * 30));
  EXPECT_EQ(source.searches[1].ToDate, today(12));
  EXPECT_EQ(source.searches[2].TransactionDetails, "#DWR");

  // A session without accounts: nothing to search, so nothing goes out.
  source.session->accounts.clear();
  controller.loadAccountCombo();
  EXPECT_EQ(shownAccount, -1);
  EXPECT_FALSE(controller.searchButtonClicked());
  EXPECT_EQ(source.searches.size(), 3u);
}

TEST_F(DepositsWindowTest, RepliesFillTheTableClearEmptiesItAtOnceAndANewLoginStartsOver) {
  controller.windowDidLoad();
  reply(2);
  EXPECT_EQ(controller.table().rowCount(), 2);
  controller.selectTransactionCode(2);
  controller.setFromDate(today(0) - std::chrono::hours(48));
  controller.clearButtonClicked();
  EXPECT_EQ(controller.table().rowCount(), 0);
  EXPECT_EQ(controller.selectedTransactionCode(), -1);
  EXPECT_EQ(shownCode, -1);
  EXPECT_EQ(controller.period().fromDate(), today(0));
  reply(1);
  EXPECT_EQ(controller.table().rowCount(), 1);

  source.session = std::make_shared<test::FakeReportingSource::Session>();
  source.addAccount(2001, "Alice");
  source.centre.post("LoginSuccessNotification");
  EXPECT_THAT(shownAccounts, ElementsAre("2001"));
  EXPECT_EQ(controller.table().rowCount(), 0);
}

TEST(DepositsPrintout, PrintsTheTableUnderItsJobTitleAndAnEmptyResultAsItsHeaderRow) {
  test::qtTestApp();
  QTemporaryDir dir;
  const TableGrid rows{{"Account Id", "Transaction Code", "Cr Amount", "Narration"},
                       {"1001", "DEP", "80,000.00", "Initial deposit"},
                       {"1001", "WID", "0.00", "Withdrawal to bank"}};
  ASSERT_FALSE(DepositsWithdrawalsController::printout(rows)->printToPdf(dir.filePath("rows.pdf")));
  const QString text = test::pdfText(dir.filePath("rows.pdf"));
  EXPECT_TRUE(text.contains("Deposit & Withdrawal")) << text.toStdString();
  EXPECT_TRUE(text.contains(QRegularExpression("1001 +DEP +80,000.00 +Initial deposit"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QRegularExpression("1001 +WID +0.00 +Withdrawal to bank"))) << text.toStdString();

  ASSERT_FALSE(DepositsWithdrawalsController::printout({rows[0]})->printToPdf(dir.filePath("empty.pdf")));
  const QString empty = test::pdfText(dir.filePath("empty.pdf"));
  EXPECT_TRUE(empty.contains(QRegularExpression("Account Id +Transaction Code +Cr Amount +Narration")))
      << empty.toStdString();
  EXPECT_FALSE(empty.contains("1001"));
}

}  // namespace
}  // namespace td
