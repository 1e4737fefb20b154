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

#include "../integration/ProcessHelpers.h"
#include "../ui/QtTestApp.h"
#include "../ui/ScratchSettings.h"
#include "ui/shell/SecretStore.h"

namespace td {
namespace {

class NoSecrets final : public SecretStore {
 public:
  void readPassword(const std::string&, ReadDone done) override { done(Status::NotFound, ""); }
  void writePassword(const std::string&, const std::string&, WriteDone done) override { done(Status::Ok); }
  void removePassword(const std::string&) override {}
};

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

bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds within) {
  const auto deadline = std::chrono::steady_clock::now() + within;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

TEST(Application, LogsInFromTheLoginWindowAndPricesMoveTheAccountStrip) {
  test::qtTestApp();
  testing::ServerProcess server({});
  ASSERT_TRUE(server.listening());
  test::ScratchSettings settings;
  const auto servers = settings.folder() / "servers.conf";
  std::ofstream(servers) << "live.host=127.0.0.1\nlive.port=" << server.tcp << "\ndemo.host=127.0.0.1\ndemo.port="
                         << server.tcp << "\n";
  ::setenv("TARNWICKDESK_SERVERS", servers.c_str(), 1);
  const std::size_t threadsBefore = sessionThreads().size();
  {
    Application::Options options;
    options.defaults = settings.shared();
    options.secrets = std::make_shared<NoSecrets>();
    options.refreshInterval = std::chrono::milliseconds(50);
    options.watchNetwork = false;
    Application app(options);
    app.start();
    LoginWindow* login = app.loginWindow();
    ASSERT_NE(login, nullptr);
    EXPECT_EQ(login->portField()->text(), QString::number(server.tcp));  // the live preset at launch
    QTest::keyClicks(login->userNameField(), "demo");
    QTest::keyClicks(login->passwordField(), "demo");
    QTest::keyClick(login->passwordField(), Qt::Key_Return);

    ASSERT_TRUE(pumpUntil([&] { return app.mainWindow() && app.mainWindow()->isVisible(); }, std::chrono::seconds(8)));
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
  ::unsetenv("TARNWICKDESK_SERVERS");
  EXPECT_TRUE(pumpUntil([&] { return sessionThreads().size() <= threadsBefore; }, std::chrono::seconds(3)))
      << ::testing::PrintToString(sessionThreads());
}

}  // namespace
}  // namespace td
