// The application against the simulated server, offscreen: a login typed into the login window
// opens the main window, prices move the account strip, and quitting leaves no thread behind.

#include "app/Application.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>

#include "AppTestSupport.h"

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
        std::chrono::seconds(8)));
    app.quit();
  }
  EXPECT_TRUE(pumpUntil([&] { return sessionThreads().size() <= threadsBefore; }, std::chrono::seconds(3)))
      << ::testing::PrintToString(sessionThreads());
}

}  // namespace
}  // namespace td
