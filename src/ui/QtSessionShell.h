#pragma once
// The session's alerts, banners and sounds on screen: the application's SessionShell (the shell
// reactions' alerts by tag, the login window's state and shake) and its UserAlerts (the trading
// state's and the order desk's alerts, confirmation banners and sounds).
//
// Alerts by tag: 0 and 2 plain, 1 quits the application once closed, 3 the update prompt (the
// default button opens the download address and quits, the alternate one keeps the login window).
// A sheet alert is window-modal on the login window while it is shown, else application-modal.
// Every modal alert runs as a main-queue task of its own, never inside the caller's handling.

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "platform/AppContext.h"
#include "session/SessionShell.h"

class QMessageBox;

namespace td {

class MainQueue;

class QtSessionShell final : public SessionShell, public UserAlerts {
 public:
  struct Hooks {
    std::function<QWidget*()> loginWindow;     // the login window while it stands, else null
    std::function<void()> setEnableUIObjects;  // the login window's controls back to idle
    std::function<void()> shakeLoginWindow;
    std::function<void()> quit;                // ends the application
    std::function<bool(const std::string&)> openWebAddress;
    std::function<std::string(const char* key)> text;  // a localised text
  };

  QtSessionShell(MainQueue& mainQueue, Hooks hooks);

  // SessionShell
  void playSound(const std::string& name) override;
  void showAlert(const SessionAlert& alert) override;
  void showBanner(const SessionBanner& banner) override;
  void SetEnableUIObjects() override;
  void shakeWindow() override;

  // UserAlerts
  void showAlert(const std::string& title, const std::string& message) override;
  void showBanner(const std::string& title, const std::string& message) override;

  // The alert box of a session alert (for tests: its buttons and texts), not yet shown.
  QMessageBox* makeAlertBox(const SessionAlert& alert, QWidget* parent);
  // What the update prompt's answer does: the default button opens the address (logging "Failed
  // to open url: ..." when it cannot) and quits; the alternate one does nothing.
  void updateAnswer(bool download, const std::string& url);

 private:
  MainQueue& mainQueue_;
  Hooks hooks_;
};

}  // namespace td
