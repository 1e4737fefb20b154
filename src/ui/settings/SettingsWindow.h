#pragma once
// The settings window: a small tool window above the main window with the sound switch and the
// buttons of the change-password and idle time-out sheets, both window-modal on it. Made once by
// the main window (its Settings button calls showWindow()); the sheets are made on first use and
// kept.

#include <QDialog>
#include <QWidget>
#include <memory>

#include "ui/settings/ChangePasswordWindowController.h"
#include "ui/settings/IdleTimeoutWindowController.h"
#include "ui/settings/SettingsWindowController.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace td {

class ChangePasswordSheet : public QDialog, public ChangePasswordView {
  Q_OBJECT
 public:
  ChangePasswordSheet(QWidget* parent, ChangePasswordWindowController::Options options = {});
  ChangePasswordWindowController& controller() { return controller_; }
  QLineEdit* oldPasswordField() const { return old_; }
  QLineEdit* newPasswordField() const { return new_; }
  QLineEdit* confirmPasswordField() const { return confirm_; }
  QPushButton* changeButton() const { return change_; }
  QPushButton* cancelButton() const { return cancel_; }

  // Prepares the sheet and shows it.
  void showSheet();

  void clearFields() override;
  void closeSheet() override;

 public slots:
  void reject() override;  // Escape and the window's close: as Cancel

 private:
  QLineEdit* old_;
  QLineEdit* new_;
  QLineEdit* confirm_;
  QPushButton* change_;
  QPushButton* cancel_;
  ChangePasswordWindowController controller_;
};

class IdleTimeoutSheet : public QDialog, public IdleTimeoutView {
  Q_OBJECT
 public:
  explicit IdleTimeoutSheet(QWidget* parent);
  IdleTimeoutWindowController& controller() { return controller_; }
  QComboBox* timeoutComboBox() const { return combo_; }
  QPushButton* applyButton() const { return apply_; }
  QPushButton* cancelButton() const { return cancel_; }

  void showSheet();

  void setChoices(const std::array<std::string, 5>& texts) override;
  void showChoiceText(const std::string& text) override;
  void setApplyEnabled(bool enabled) override;
  void closeSheet() override;

 public slots:
  void reject() override;

 private:
  QComboBox* combo_;
  QPushButton* apply_;
  QPushButton* cancel_;
  IdleTimeoutWindowController controller_;
};

class SettingsWindow : public QWidget {
  Q_OBJECT
 public:
  explicit SettingsWindow(QWidget* parent);

  // Reads the current state (password permission, sound setting) and shows the window on top.
  void showWindow();

  QCheckBox* soundsButton() const { return sounds_; }
  QPushButton* changePasswordButton() const { return changePassword_; }
  QPushButton* idleTimeoutButton() const { return idleTimeout_; }
  // Null until first opened.
  ChangePasswordSheet* changePasswordSheet() const { return changePasswordSheet_; }
  IdleTimeoutSheet* idleTimeoutSheet() const { return idleTimeoutSheet_; }

  // The change-password sheet's timers and time-outs (tests shorten them); before its first use.
  void setChangePasswordOptions(ChangePasswordWindowController::Options options) { passwordOptions_ = options; }

  void ChangePasswordButtonClicked();
  void IdleTimeoutButtonClicked();

 private:
  void refresh();

  SettingsWindowController controller_;
  QCheckBox* sounds_;
  QPushButton* changePassword_;
  QPushButton* idleTimeout_;
  ChangePasswordSheet* changePasswordSheet_ = nullptr;
  IdleTimeoutSheet* idleTimeoutSheet_ = nullptr;
  ChangePasswordWindowController::Options passwordOptions_;
};

}  // namespace td
