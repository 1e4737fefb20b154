// The journal and the accounts table of the main window, headless: rows, their order and columns,
// how they follow the session, the accounts' texts, colours and fonts, the refresh and the click.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QColor>
#include <QFont>
#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QSignalSpy>
#include <chrono>

#include "FakeReportingSource.h"
#include "QtTestApp.h"
#include "model/JournalData.h"
#include "platform/ManualMainQueue.h"
#include "session/trading/OrderJournal.h"
#include "ui/reporting/AccountsTableModel.h"
#include "ui/reporting/JournalTableModel.h"
#include "ui/reporting/ReportTableView.h"

namespace td {
namespace {

using ::testing::ElementsAre;

QString cell(const QAbstractItemModel& model, int row, int column, int role = Qt::DisplayRole) {
  return model.data(model.index(row, column), role).toString();
}

std::vector<QString> row(const QAbstractItemModel& model, int r) {
  std::vector<QString> cells;
  for (int c = 0; c < model.columnCount(); ++c) cells.push_back(cell(model, r, c));
  return cells;
}

// ---- journal ----

TEST(JournalTable, ShowsEveryKindOfLineNewestFirstInItsTwoColumns) {
  test::qtTestApp();
  test::FakeReportingSource source;
  const auto when = std::chrono::system_clock::from_time_t(1388631845);  // 2 January 2014, 03:04:05 UTC
  Order order;
  order.ItemCode = "EURUSD";
  order.RequestId = 12;
  order.PendingOrderId = "P7";
  order.RemainingQty = "2";
  order.OpenPositionId = "O9";
  order.OrderPrice = "1.2345";
  order.SettlementId = "S3";
  order.SettledPrice = "1.25";
  const std::optional<std::string> serverTime("20140102030405");
  auto& journal = source.session->journal;
  journal.push_back(JournalData::getLoginJournalData(0, "10.0.0.1", 8310, "demo", when));
  for (int kind : {3, 4, 5, 6, 7, 8}) journal.push_back(OrderJournal::getOrderJournalData(kind, order, serverTime));
  journal.push_back(OrderJournal::getOrderJournalData(8, order, std::nullopt));  // before the first keep-alive
  journal.push_back(OrderJournal::getOrderJournalData(9, order, serverTime));    // no such kind: ""
  journal.push_back("plain text without a separator");
  journal.push_back("Jan 02, 2014 03:04:05#$#message with #$# inside");
  JournalTableModel model(source);

  ASSERT_EQ(model.rowCount(), 11);
  EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "Time");
  EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Message");
  EXPECT_THAT(row(model, 0), ElementsAre("Jan 02, 2014 03:04:05", "message with #$# inside"));
  EXPECT_THAT(row(model, 1), ElementsAre("plain text without a separator", ""));
  EXPECT_THAT(row(model, 2), ElementsAre("", ""));
  EXPECT_THAT(row(model, 3), ElementsAre("", "Order rejected for EURUSD"));
  EXPECT_THAT(row(model, 4), ElementsAre("Jan 02, 2014 03:04:05", "Order rejected for EURUSD"));
  EXPECT_EQ(cell(model, 5, 1), "Order settled for EURUSD #S3 @1.25");
  EXPECT_EQ(cell(model, 6, 1), "Order confirmed for EURUSD #O9 @1.2345");
  EXPECT_EQ(cell(model, 7, 1), "EURUSD Pending id : P7");
  EXPECT_EQ(cell(model, 8, 1), "Order pending for EURUSD Pending id : P7 Remaining Quantity : 2");
  EXPECT_EQ(cell(model, 9, 1), "Order is under processing EURUSD Request id : 12");
  EXPECT_THAT(row(model, 10), ElementsAre("Jan 02, 2014 03:04:05", "Trying Login to 10.0.0.1:8310 with username demo"));
  EXPECT_EQ(cell(model, 11, 0), "");  // beyond the rows

  model.setIdentifiers({"Time", "Account"});
  EXPECT_EQ(cell(model, 0, 1), "");  // a column the journal does not know
}

TEST(JournalTable, TakesAppendedLinesAtTheTopOnTheNotificationAndStartsOverWithANewSession) {
  test::qtTestApp();
  test::FakeReportingSource source;
  source.session->journal = {"t1#$#first", "t2#$#second"};
  JournalTableModel model(source);
  QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
  QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

  source.session->journal.push_back("t3#$#third");
  source.session->journal.push_back("t4#$#fourth");
  EXPECT_EQ(model.rowCount(), 2);  // lines show from the next notification on ...
  EXPECT_EQ(cell(model, 0, 1), "second");  // ... and the rows shown keep their lines until then
  source.centre.post("JournalTableNotification");
  ASSERT_EQ(inserted.size(), 1);
  EXPECT_EQ(inserted[0][1].toInt(), 0);
  EXPECT_EQ(inserted[0][2].toInt(), 1);
  EXPECT_EQ(reset.size(), 0);
  EXPECT_THAT(std::vector<QString>({cell(model, 0, 1), cell(model, 1, 1), cell(model, 2, 1), cell(model, 3, 1)}),
              ElementsAre("fourth", "third", "second", "first"));
  source.centre.post("JournalTableNotification");
  EXPECT_EQ(inserted.size(), 1);  // nothing new

  // A new login: the old session goes, the table empties its cells at once and shows the new list.
  source.session = std::make_shared<test::FakeReportingSource::Session>();
  EXPECT_EQ(cell(model, 0, 1), "");
  source.session->journal = {"n1#$#new session"};
  source.centre.post("LoginSuccessNotification");
  EXPECT_EQ(reset.size(), 1);
  ASSERT_EQ(model.rowCount(), 1);
  EXPECT_EQ(cell(model, 0, 1), "new session");
}

// ---- accounts ----

class AccountsTableTest : public ::testing::Test {
 protected:
  AccountsTableTest() { test::qtTestApp(); }
  int column(const char* identifier) const {
    const auto& ids = model->identifiers();
    return static_cast<int>(std::find(ids.begin(), ids.end(), identifier) - ids.begin());
  }
  test::FakeReportingSource source;
  ManualMainQueue queue;
  std::unique_ptr<AccountsTableModel> model;
};

TEST_F(AccountsTableTest, CellsShowTheFiguresSignedByColourAndTheEquityHitStatusInBold) {
  auto loss = source.addAccount(1001, "Loss");
  loss->UnrealisedPL = -0.01;
  loss->Balance = 1234.5;
  loss->Leverage = -3;
  loss->Equity = 1234.49;
  loss->AvailableMargin = -7;
  loss->AccountTypeId = 1;
  loss->accountaccessType = 3;
  auto flat = source.addAccount(1002, "Flat");
  flat->tradingStatus = 5;
  flat->AccountTypeId = 13;
  flat->accountaccessType = 2;
  model = std::make_unique<AccountsTableModel>(source, nullptr, std::chrono::seconds(1));

  ASSERT_EQ(model->rowCount(), 2);
  EXPECT_THAT(row(*model, 0), ElementsAre("1001", "Loss", "Normal", "1,234.50", "-0.01", "-3.00", "0.00", "1,234.49",
                                          "0.00", "-7.00", "Trade Client", "View Trade"));
  EXPECT_THAT(row(*model, 1), ElementsAre("1002", "Flat", "Equity Hit", "0.00", "0.00", "0.00", "0.00", "0.00", "0.00",
                                          "0.00", "Error Account", "Close Only"));
  const QColor red = QColor::fromRgbF(0.6f, 0, 0), green = QColor::fromRgbF(0, 0.6f, 0);
  for (const char* signedColumn : {"Unrealized PL", "Leverage", "Available Margin"}) {
    EXPECT_EQ(model->data(model->index(0, column(signedColumn)), Qt::ForegroundRole).value<QColor>(), red);
    EXPECT_EQ(model->data(model->index(1, column(signedColumn)), Qt::ForegroundRole).value<QColor>(), green);
  }
  EXPECT_EQ(model->data(model->index(0, column("Equity")), Qt::ForegroundRole).value<QColor>(), green);
  EXPECT_FALSE(model->data(model->index(0, column("Balance")), Qt::ForegroundRole).isValid());

  const int status = column("Status");
  const QFont hit = model->data(model->index(1, status), Qt::FontRole).value<QFont>();
  const QFont normal = model->data(model->index(0, status), Qt::FontRole).value<QFont>();
  EXPECT_EQ(hit.family(), "Lucida Grande");
  EXPECT_EQ(normal.family(), "Lucida Grande");
  EXPECT_TRUE(hit.bold());
  EXPECT_EQ(hit.pixelSize(), 13);
  EXPECT_EQ(model->data(model->index(1, status), Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
  EXPECT_FALSE(normal.bold());
  EXPECT_EQ(normal.pixelSize(), 12);
  EXPECT_FALSE(model->data(model->index(0, status), Qt::ForegroundRole).isValid());

  model->setIdentifiers({"Account Number", "Margin Level"});
  model->RefreshTableview();
  EXPECT_EQ(cell(*model, 0, 1), "");  // a column the table does not know
}

TEST_F(AccountsTableTest, FiguresAreComputedOncePerTickAndTheRowsFollowTheAccounts) {
  auto account = source.addAccount(1001, "Main");
  model = std::make_unique<AccountsTableModel>(source, &queue, std::chrono::seconds(1));
  QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);
  QSignalSpy reset(model.get(), &QAbstractItemModel::modelReset);
  EXPECT_EQ(source.refreshes, 1);
  for (int i = 0; i < 50; ++i) cell(*model, 0, i % 12);  // drawing computes nothing
  EXPECT_EQ(source.refreshes, 1);

  account->Balance = 10;
  queue.advance(std::chrono::seconds(1));
  EXPECT_EQ(source.refreshes, 2);
  EXPECT_EQ(changed.size(), 1);
  EXPECT_EQ(reset.size(), 0);
  EXPECT_EQ(cell(*model, 0, 3), "10.00");

  source.addAccount(1002, "Second");
  queue.advance(std::chrono::seconds(1));
  EXPECT_EQ(source.refreshes, 3);
  EXPECT_EQ(reset.size(), 1);
  EXPECT_EQ(model->rowCount(), 2);
  model.reset();
  queue.advance(std::chrono::seconds(3));  // the timer went with the table
  EXPECT_EQ(source.refreshes, 3);
}

TEST_F(AccountsTableTest, AClickOnARowMakesItsAccountTheCurrentOne) {
  source.addAccount(1001, "Main");
  source.addAccount(1002, "Hedge");
  model = std::make_unique<AccountsTableModel>(source, nullptr, std::chrono::seconds(1));
  EXPECT_TRUE(model->singleAction(1));
  EXPECT_FALSE(model->singleAction(2));
  EXPECT_FALSE(model->singleAction(-1));
  EXPECT_THAT(source.selected, ElementsAre(1002));
}

TEST_F(AccountsTableTest, TheColumnMenuHidesAndShowsColumnsAndTicksItsEntries) {
  source.addAccount(1001, "Main");
  model = std::make_unique<AccountsTableModel>(source, nullptr, std::chrono::seconds(1));
  ReportTableView view(model.get(), "accounts", ReportTableView::ColumnMenu::Shown);
  ASSERT_NE(view.columnMenu(), nullptr);
  const QList<QAction*> entries = view.columnMenu()->actions();
  ASSERT_EQ(entries.size(), 12);
  EXPECT_EQ(entries[4]->text(), "Unrealized PL");
  EXPECT_TRUE(entries[4]->isChecked());
  entries[4]->trigger();
  EXPECT_FALSE(entries[4]->isChecked());
  EXPECT_TRUE(view.horizontalHeader()->isSectionHidden(4));
  entries[4]->trigger();
  EXPECT_TRUE(entries[4]->isChecked());
  EXPECT_FALSE(view.horizontalHeader()->isSectionHidden(4));

  JournalTableModel journal(source);
  EXPECT_EQ(ReportTableView(&journal, "journal", ReportTableView::ColumnMenu::None).columnMenu(), nullptr);
}

}  // namespace
}  // namespace td
