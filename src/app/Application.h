#pragma once
// The application: builds the context of the run (login parameters, settings, notification centre,
// main queue, the GUI objects), puts the Qt faces on the upward interfaces (alerts, banners, sounds,
// the session shell), watches the network, runs the login window and, once a login is accepted, the
// main window; every login click gets a fresh session object and order desk.
//
// One object per process, made after the QApplication on the main thread.

#include <QObject>
#include <QPointer>
#include <memory>
#include <optional>

#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "transport/ConnectionBase.h"
#include "ui/LockWindow.h"
#include "ui/LoginWindow.h"
#include "ui/MainWindow.h"
#include "ui/QtMainQueue.h"
#include "ui/shell/LoginController.h"

class QApplication;

namespace td {

class AppContext;
class Defaults;
class GUIObjects;
class IdleTimeChecker;
class LoginRegistrationWindow;
class SettingsWindow;
class QtIdleSource;
class QtSessionShell;
class Reachability;
class SecretStore;
class ShellReactions;

class Application final : public SessionLauncher {
 public:
  struct Options {
    // The settings store; none: the user's own file under $XDG_CONFIG_HOME/tarnwickdesk/.
    std::shared_ptr<Defaults> defaults;
    // The remembered passwords; none: the desktop's secret service.
    std::shared_ptr<SecretStore> secrets;
    // Time-outs of the session transport (tests shorten them).
    ConnectionBase::Options connection;
    Clock::Duration refreshInterval = std::chrono::seconds(1);
    bool watchNetwork = true;  // the reachability monitor
  };

  explicit Application(Options options);
  ~Application() override;
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Launch: the login window, centred, with the live mode's remembered credentials or preset.
  void start();
  // Ends the application (the event loop returns); settings are written first.
  void quit();

  // SessionLauncher
  void startLogin() override;
  void cancelLogin() override;
  void startDemoRegistration() override;

  AppContext& context() { return *context_; }
  LoginController& loginController() { return *loginController_; }
  LoginWindow* loginWindow() const { return loginWindow_; }
  MainWindow* mainWindow() const { return mainWindow_; }
  MainWindowController* mainWindowController() const { return mainWindowController_.get(); }
  LockWindow* lockWindow() const { return lockWindow_; }
  // The session's language (0 English, 1 Simplified Chinese).
  int language() const;
  std::string text(const char* key) const;

 private:
  void replaceSession(bool demoRegistration);
  void closeSession();
  void loginSuccess();
  std::vector<QWidget*> sessionWindows() const;

  Options options_;
  QtMainQueue queue_;
  std::shared_ptr<AppContext> context_;
  std::shared_ptr<AppContext> previousContext_;
  std::shared_ptr<Defaults> defaults_;
  std::shared_ptr<SecretStore> secrets_;
  std::shared_ptr<GUIObjects> guiObjects_;
  std::shared_ptr<QtSessionShell> shell_;
  std::shared_ptr<ShellReactions> reactions_;
  std::shared_ptr<Reachability> reachability_;
  std::unique_ptr<QtIdleSource> idleSource_;
  std::unique_ptr<IdleTimeChecker> idleChecker_;
  std::unique_ptr<LoginController> loginController_;
  QPointer<LoginWindow> loginWindow_;
  QPointer<LockWindow> lockWindow_;
  QPointer<LoginRegistrationWindow> registrationWindow_;
  QPointer<SettingsWindow> settingsWindow_;
  std::shared_ptr<MainWindowController> mainWindowController_;
  QPointer<MainWindow> mainWindow_;
  ObserverToken loginToken_ = 0;
  bool quitting_ = false;
};

}  // namespace td
