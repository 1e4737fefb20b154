#pragma once
// Shared by the application's end-to-end tests: no keyring, the Qt event loop pumped until a
// condition holds, and the application logged in as demo against a simulated server of its own.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../integration/ProcessHelpers.h"
#include "../ui/QtTestApp.h"
#include "../ui/ScratchSettings.h"
#include "app/Application.h"
#include "ui/banners/CNUserNotificationCenter.h"
#include "ui/shell/SecretStore.h"

namespace td::test {

class NoSecrets final : public SecretStore {
 public:
  void readPassword(const std::string&, ReadDone done) override { done(Status::NotFound, ""); }
  void writePassword(const std::string&, const std::string&, WriteDone done) override { done(Status::Ok); }
  void removePassword(const std::string&) override {}
};

// How long a test waits for what the application does at once against its local server (the main
// window after a login, prices, a reply, the threads' end after quitting): a loaded machine with a
// sanitized build does not come near it, so only a fault that keeps it from happening makes a wait
// run out.
inline constexpr std::chrono::seconds kAppWait{60};

inline bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds within) {
  const auto deadline = std::chrono::steady_clock::now() + within;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

// Answers every common alert ("OK") soon after it opens, also inside the alert's own modal loop,
// and keeps its message.
class AlertCloser {
 public:
  AlertCloser() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* alert = qobject_cast<QDialog*>(widget);
        if (!alert || alert->objectName() != "commonAlert" || !alert->isVisible()) continue;
        if (auto* message = alert->findChild<QLabel*>("alertMessage")) messages.push_back(message->text().toStdString());
        alert->accept();
      }
    });
    timer_.start(20);
  }
  std::vector<std::string> messages;

 private:
  QTimer timer_;
};

// A simulated server, a servers file naming it for both presets (TARNWICKDESK_SERVERS while the
// object lives) and the application's options for a test.
class AppAgainstServer {
 public:
  AppAgainstServer() : server_({}) {
    qtTestApp();
    const auto servers = settings_.folder() / "servers.conf";
    std::ofstream(servers) << "live.host=127.0.0.1\nlive.port=" << server_.tcp
                           << "\ndemo.host=127.0.0.1\ndemo.port=" << server_.tcp << "\nnews.host=127.0.0.1:"
                           << server_.news << "\n";
    ::setenv("TARNWICKDESK_SERVERS", servers.c_str(), 1);
  }
  ~AppAgainstServer() {
    ::unsetenv("TARNWICKDESK_SERVERS");
    // The test's application object never quits its loop, so the banners still on screen go here
    // (the application lets them go when it is about to quit).
    CNUserNotificationCenter::customUserNotificationCenter().releaseBanners();
  }
  AppAgainstServer(const AppAgainstServer&) = delete;
  AppAgainstServer& operator=(const AppAgainstServer&) = delete;

  bool listening() const { return server_.listening(); }
  int port() const { return server_.tcp; }
  Application::Options options() const {
    Application::Options o;
    o.defaults = settings_.shared();
    o.secrets = std::make_shared<NoSecrets>();
    o.refreshInterval = std::chrono::milliseconds(50);
    o.watchNetwork = false;
    return o;
  }
  // Types demo / demo into the login window and waits for the main window.
  static bool logIn(Application& app) {
    LoginWindow* login = app.loginWindow();
    if (!login) return false;
    QTest::keyClicks(login->userNameField(), "demo");
    QTest::keyClicks(login->passwordField(), "demo");
    QTest::keyClick(login->passwordField(), Qt::Key_Return);
    return pumpUntil([&] { return app.mainWindow() && app.mainWindow()->isVisible(); }, kAppWait);
  }

 private:
  testing::ServerProcess server_;
  ScratchSettings settings_;
};

}  // namespace td::test
