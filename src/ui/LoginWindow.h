#pragma once
// The login window: live/demo mode, user name and password, the remember box, the connection
// settings in a drawer on the right edge, the language box, Login/Cancel with the progress
// indicator, and the demo-registration and open-account buttons. It binds to LoginController and
// shows what it says; it decides nothing itself.

#include <QPointer>
#include <QWidget>
#include <functional>

#include "ui/shell/LoginController.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace td {

class LoginWindow final : public QWidget, public LoginView {
  Q_OBJECT
 public:
  explicit LoginWindow(LoginController& controller, QWidget* parent = nullptr);
  ~LoginWindow() override;

  // LoginView
  void loginStateChanged() override;
  void showLoginAlert(const std::string& message, const std::string& title) override;
  void showNotice(const std::string& text) override;

  // `shakeWindow:`: three swings of 0.06 of the width, 0.1 s each.
  void shake();
  // `toggleRightDrawer:`.
  void toggleRightDrawer();
  bool drawerOpen() const;

  // The demo-registration button asks for its sheet here (the application opens it).
  std::function<void()> onCreateDemoUser;
  // The window was closed by the user (not by a successful login).
  std::function<void()> onClosedByUser;

  QLineEdit* userNameField() const { return userName_; }
  QLineEdit* passwordField() const { return password_; }
  QLineEdit* serverField() const { return server_; }
  QLineEdit* portField() const { return port_; }
  QPushButton* loginButton() const { return login_; }
  QPushButton* cancelButton() const { return cancel_; }
  QCheckBox* rememberBox() const { return remember_; }
  QComboBox* languageBox() const { return languages_; }
  QRadioButton* liveButton() const { return live_; }
  QRadioButton* demoButton() const { return demo_; }

  // Closes the window after a successful login (no onClosedByUser).
  void closeAfterLogin();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void relabel();

  LoginController& controller_;
  bool updating_ = false;
  bool closingAfterLogin_ = false;
  QLabel* title_;
  QRadioButton* live_;
  QRadioButton* demo_;
  QButtonGroup* modeGroup_;
  QGroupBox* loginBox_;
  QLineEdit* userName_;
  QLineEdit* password_;
  QCheckBox* remember_;
  QGroupBox* connectionBox_;
  QLabel* serverLabel_;
  QLabel* portLabel_;
  QLineEdit* server_;
  QLineEdit* port_;
  QPushButton* resetDefaults_;
  QPushButton* drawerToggle_;
  QWidget* drawer_;
  QComboBox* languages_;
  QLabel* languageLabel_;
  QPushButton* login_;
  QPushButton* cancel_;
  QProgressBar* progress_;
  QPushButton* demoUser_;
  QPushButton* openLive_;
  QLabel* notice_;
};

}  // namespace td
