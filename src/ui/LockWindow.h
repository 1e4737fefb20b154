#pragma once
// The lock window: while locked, it stands alone on screen; the login password unlocks, a wrong
// one shakes it, Quit ends the application without asking. It hides and restores the session's
// windows for the lock controller.

#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

#include "ui/shell/LockController.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace td {

class LockWindow final : public QWidget, public LockView {
  Q_OBJECT
 public:
  struct Hooks {
    std::function<std::vector<QWidget*>()> sessionWindows;  // every window of the session
    std::function<QWidget*()> mainWindow;                    // brought to the front on unlock
    std::function<QWidget*()> ticketWindow;                  // the order ticket, once it exists
    std::function<void()> quit;
    std::function<std::string(const char*)> text;
    std::string appName = "TarnwickDesk";
  };

  LockWindow(const LoginInputdata& logindata, Hooks hooks, QWidget* parent = nullptr);

  LockController& controller() { return controller_; }
  // Relabels from the strings of the selected language.
  void updateLanguageStrings();

  // LockView
  void hideSessionWindows() override;
  void restoreSessionWindows() override;
  void showLockWindow() override;
  void hideLockWindow() override;
  void shakeLockWindow() override;

  QLineEdit* passwordField() const { return password_; }
  QPushButton* unlockButton() const { return unlock_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  Hooks hooks_;
  LockController controller_;
  std::vector<QPointer<QWidget>> hidden_;
  QLabel* heading_;
  QLabel* caption_;
  QLineEdit* password_;
  QPushButton* unlock_;
  QPushButton* quit_;
};

}  // namespace td
