// The application against the simulated server, offscreen: a login typed into the login window
// opens the main window, prices move the account strip and the watchlist, a delivery receipt gets
// its bank account over the request channel, a limit order placed from the ticket becomes a working
// order, and quitting leaves no thread behind.

#include "app/Application.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>

#include "AppTestSupport.h"
#include "http/HTTPProxySettings.h"
#include "http/RunLoop.h"
#include "platform/AppContext.h"
#include "session/BusinessBase.h"
#include "ui/ticket/TradeTicket.h"
#include "ui/ticket/TradeTicketWindow.h"
#include "ui/watchlist/DetailSheet.h"
#include "ui/watchlist/WatchlistPanes.h"
#include "wire/OrderRequests.h"

namespace td {
namespace {

using test::pumpUntil;

// The threads of the process but the idle process-wide pools (the background queue, the fd
// poller, Qt's global pool), which live as long as the process; everything a session starts (the
// socket queue, the channel threads, ZeroMQ's, the statement reader) counts.
std::vector<std::string> sessionThreads() {
  static const std::set<std::string> pools{"td.background", "td.fd-poller", "Thread (pooled)"};
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
    std::ifstream comm(entry.path() / "comm");
    std::string name;
    std::getline(comm, name);
    if (!pools.count(name)) names.push_back(name);
  }
  return names;
}

TEST(Application, LogsInFromTheLoginWindowAndPricesMoveTheAccountStrip) {
  // The HTTP engine's network thread (the news panel's requests) lives as long as the process, and
  // so do the threads of the desktop's settings store that its proxy settings are read from.
  RunLoop::networkThread();
  systemProxiesForURL(URL::URLWithString("http://localhost/"));
  const std::size_t threadsBefore = sessionThreads().size();
  {
    test::AppAgainstServer server;
    ASSERT_TRUE(server.listening());
    Application app(server.options());
    app.start();
    LoginWindow* login = app.loginWindow();
    ASSERT_NE(login, nullptr);
    EXPECT_EQ(login->portField()->text(), QString::number(server.port()));  // the live preset at launch
    ASSERT_TRUE(test::AppAgainstServer::logIn(app));
    EXPECT_FALSE(login->isVisible());
    MainWindow* main = app.mainWindow();
    EXPECT_EQ(main->accountIdField()->text().toStdString().find("Account : 10"), 0u);
    // The demo user holds open positions: ticks change their floating profit and loss.
    std::set<QString> seen;
    ASSERT_TRUE(pumpUntil(
        [&] {
          seen.insert(main->profitLossField()->text());
          return seen.size() >= 3;
        },
        test::kAppWait));
    app.quit();
  }
  EXPECT_TRUE(pumpUntil([&] { return sessionThreads().size() <= threadsBefore; }, test::kAppWait))
      << ::testing::PrintToString(sessionThreads());
}

TEST(Application, TheWatchlistFillsFromTheLoginDataAndTicksAndAReceiptGetsItsBankAccount) {
  {
    test::AppAgainstServer server;
    ASSERT_TRUE(server.listening());
    Application app(server.options());
    app.start();
    ASSERT_TRUE(test::AppAgainstServer::logIn(app));
    MainWindow* main = app.mainWindow();

    // The first watchlist of a user: the items of the first instrument type, with live prices.
    auto* board = main->findChild<QTableView*>("watchlistTableView");
    ASSERT_NE(board, nullptr);
    const auto& symbols = app.context().businessbase()->selectedSymbols();
    ASSERT_FALSE(symbols.empty());
    ASSERT_EQ(board->model()->rowCount(), static_cast<int>(symbols.size()));
    EXPECT_EQ(board->model()->index(0, 1).data().toString().toStdString(), symbols.front());
    std::set<QString> bids;
    ASSERT_TRUE(pumpUntil(
        [&] {
          bids.insert(board->model()->index(0, 2).data().toString());
          return bids.size() >= 3;
        },
        test::kAppWait));

    // The receipt of the first open position asks for its account's bank account and shows it.
    ASSERT_TRUE(pumpUntil([&] { return !app.context().businessbase()->getOpenOrderCollection().empty(); },
                          test::kAppWait));
    const std::string first = app.context().businessbase()->getOpenOrderCollection().front()->OpenPositionId;
    ASSERT_TRUE(openDeliveryReceipt(*main, 1, first));
    auto* sheet = main->findChild<DetailSheet*>("detailSheet");
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    QAbstractItemModel* receipt = sheet->view()->table()->model();
    EXPECT_TRUE(pumpUntil([&] { return receipt->index(2, 1).data().toString() == "Tarnwick Savings Bank"; },
                          test::kAppWait));
    sheet->accept();
    app.quit();
  }
}

// A limit buy with take-profit placed from the ticket ends as a working order in the session.
TEST(Application, ALimitBuyWithTakeProfitFromTheTicketBecomesAWorkingOrder) {
  {
    test::AppAgainstServer server;
    ASSERT_TRUE(server.listening());
    Application app(server.options());
    app.start();
    // The session's own alerts (settlements of the demo positions, confirmations) are modal.
    test::AlertCloser closer;
    ASSERT_TRUE(test::AppAgainstServer::logIn(app));
    MainWindow* main = app.mainWindow();
    main->findChild<QAction*>("tradeTicketButton")->trigger();
    auto* ticket = static_cast<TradeTicketWindow*>(tradeTicketWindow(*main));
    ASSERT_NE(ticket, nullptr);
    ASSERT_TRUE(ticket->isVisible());
    QTest::mouseClick(ticket->advancedMode(), Qt::LeftButton);
    ASSERT_TRUE(ticket->orderTypeBox()->isEnabled());
    ticket->orderTypeBox()->setFocus();
    QTest::keyClick(ticket->orderTypeBox(), Qt::Key_Down);
    ASSERT_EQ(ticket->orderTypeBox()->currentText(), "Limit");
    // Well under the nearest price the server takes, on the tick grid, so the market does not
    // reach it first.
    const double bound = ticket->priceField()->text().toDouble();
    ASSERT_GT(bound, 0);
    const auto item = app.context().businessbase()->referenceData().item(ticket->symbolBox()->currentText().toStdString());
    ASSERT_TRUE(item && item->TickSize > 0);
    const double below = std::round(bound * 0.9 / item->TickSize) * item->TickSize;
    const QString price = QString::number(below, 'f', std::max(item->DecimalPlaces, 2));
    ticket->priceField()->selectAll();
    QTest::keyClicks(ticket->priceField(), price);
    QTest::mouseClick(ticket->takeProfitBox(), Qt::LeftButton);
    const QString takeProfit = ticket->takeProfitField()->text();
    ASSERT_FALSE(takeProfit.isEmpty());
    QTest::mouseClick(ticket->placeButton(), Qt::LeftButton);

    std::shared_ptr<Order> working;
    ASSERT_TRUE(pumpUntil(
        [&] {
          for (const auto& order : app.context().businessbase()->getPendingOrderCollection())
            if (order && !order->PendingOrderId.empty() &&
                OrderRequests::leadingNumber(order->LimitPrice) == takeProfit.toDouble())
              working = order;
          return working != nullptr;
        },
        test::kAppWait));
    EXPECT_EQ(working->orderType, 2);
    EXPECT_EQ(working->tradingMode, 0);
    EXPECT_EQ(OrderRequests::leadingNumber(working->OrderPrice), price.toDouble());
    app.quit();
  }
}

}  // namespace
}  // namespace td
