// The reporting windows in the running application against the simulated server, offscreen: the
// Accounts tab follows the session and a click there picks the main window's account; the
// statement window, opened from the toolbar, shows and prints the server's statement to PDF; the
// deposits and withdrawals window finds the account's deposits.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>

#include "../ui/PdfText.h"
#include "AppTestSupport.h"
#include "model/AccountDetails.h"
#include "platform/AppContext.h"
#include "session/BusinessBase.h"
#include "ui/printing/PrintTextView.h"
#include "ui/reporting/AccountStatementWindow.h"
#include "ui/reporting/DepositsWithdrawalsWindow.h"
#include "ui/reporting/ReportTableView.h"
#include "ui/reporting/ReportingPanes.h"

namespace td {
namespace {

using test::pumpUntil;


QString cell(const QAbstractItemModel* model, int row, int column) {
  return model->data(model->index(row, column)).toString();
}

void trigger(QWidget& window, const char* objectName) {
  auto* action = window.findChild<QAction*>(QString::fromLatin1(objectName));
  ASSERT_NE(action, nullptr) << objectName;
  action->trigger();
}

TEST(ReportingWindows, AccountsJournalStatementPrintoutAndDepositsAgainstTheSimulatedServer) {
  test::AppAgainstServer server;
  ASSERT_TRUE(server.listening());
  {
    Application app(server.options());
    app.start();
    ASSERT_TRUE(test::AppAgainstServer::logIn(app));
    MainWindow& main = *app.mainWindow();

    // The Accounts tab: both accounts of the demo user, and the journal of the login, newest first.
    auto* page = main.findChild<AccountsPage*>();
    ASSERT_NE(page, nullptr);
    ReportTableView* accounts = page->accountsTable();
    ASSERT_TRUE(pumpUntil([&] { return accounts->model()->rowCount() == 2; }, test::kAppWait));
    EXPECT_EQ(cell(accounts->model(), 0, 0), "1001");
    EXPECT_EQ(cell(accounts->model(), 1, 0), "1002");
    ASSERT_TRUE(pumpUntil([&] { return page->journalTable()->model()->rowCount() >= 3; }, test::kAppWait));
    EXPECT_TRUE(cell(page->journalTable()->model(), 0, 1).startsWith("Connected to 127.0.0.1"));
    main.selectMainTab(qobject_cast<QStackedWidget*>(page->parentWidget())->indexOf(page));
    ASSERT_TRUE(pumpUntil([&] { return page->isVisible(); }, test::kAppWait));
    accounts->resize(900, 200);
    QTest::mouseClick(accounts->viewport(), Qt::LeftButton, {}, accounts->visualRect(accounts->model()->index(1, 1)).center());
    ASSERT_NE(app.mainWindowController()->account(), nullptr);
    EXPECT_EQ(app.mainWindowController()->account()->AccountId, 1002);
    EXPECT_EQ(app.context().businessbase()->currentAccountSelected(), 1002);

    // The statement: the first showing asks for today; a month back brings the settlements.
    trigger(main, "accountStatementButton");
    AccountStatementWindow* statement = accountStatementWindow(main);
    ASSERT_NE(statement, nullptr);
    EXPECT_TRUE(statement->isVisible());
    EXPECT_EQ(statement->accountBox()->currentText(), "1001");
    ASSERT_TRUE(pumpUntil([&] { return statement->controller().openPositions().rowCount() > 0; }, test::kAppWait));
    statement->fromDateEdit()->setDateTime(QDateTime::currentDateTime().addDays(-30));
    QTest::mouseClick(statement->showButton(), Qt::LeftButton);
    ASSERT_TRUE(pumpUntil([&] { return statement->controller().closedTransactions().rowCount() > 0; }, test::kAppWait));
    const auto& summary = statement->controller().accountSummary();
    const auto closing = std::find(summary.EntityList.begin(), summary.EntityList.end(), "Closing Balance");
    ASSERT_NE(closing, summary.EntityList.end());
    const std::string closingBalance = summary.DetailsList[static_cast<std::size_t>(closing - summary.EntityList.begin())];

    QTemporaryDir dir;
    const QString pdf = dir.filePath("statement.pdf");
    ASSERT_FALSE(statement->printout()->printToPdf(pdf));
    const QString printed = test::pdfText(pdf);
    for (const QString& piece : {QStringLiteral("Account Statement"), QStringLiteral("Account : 1001"),
                                 QStringLiteral("Account Name : Demo main"), QStringLiteral("Closed Transactions"),
                                 cell(&statement->controller().closedTransactions(), 0, 0),
                                 cell(&statement->controller().openPositions(), 0, 1), QStringLiteral("Open Positions"),
                                 QStringLiteral("Working Orders"), QStringLiteral("Account Summary"),
                                 QStringLiteral("Instrument Details")})
      EXPECT_TRUE(printed.contains(piece)) << piece.toStdString() << "\n" << printed.toStdString();
    EXPECT_TRUE(printed.contains(QRegularExpression(
        QStringLiteral("Closing Balance +%1").arg(QRegularExpression::escape(QString::fromStdString(closingBalance))))))
        << closingBalance << "\n" << printed.toStdString();

    // Deposits and withdrawals: the account's deposits of the month.
    trigger(main, "depositsWithdrawalsButton");
    DepositsWithdrawalsWindow* deposits = depositsWithdrawalsWindow(main);
    ASSERT_NE(deposits, nullptr);
    EXPECT_TRUE(deposits->isVisible());
    EXPECT_EQ(deposits->transactionCodeBox()->currentText(), "");
    deposits->fromDateEdit()->setDateTime(QDateTime::currentDateTime().addDays(-30));
    deposits->toDateEdit()->setDateTime(QDateTime::currentDateTime().addSecs(60));
    deposits->transactionCodeBox()->setCurrentIndex(1);  // Deposit Money
    QTest::mouseClick(deposits->searchButton(), Qt::LeftButton);
    const QAbstractItemModel* movements = deposits->table()->model();
    ASSERT_TRUE(pumpUntil([&] { return movements->rowCount() == 2; }, test::kAppWait));
    EXPECT_EQ(cell(movements, 0, 0), "1001");
    EXPECT_EQ(cell(movements, 0, 2), "DEP");
    EXPECT_EQ(cell(movements, 1, 2), "DEP");
    QTest::mouseClick(deposits->clearButton(), Qt::LeftButton);
    EXPECT_EQ(movements->rowCount(), 0);
    app.quit();
  }
}

}  // namespace
}  // namespace td
