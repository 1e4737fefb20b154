#pragma once
// The demo-account registration sheet: a window-modal dialog on the login window with the form,
// Cancel and Submit. Its logic is LoginRegistrationWindowController; the login window passes the
// two callbacks (connect in registration mode; fill in the new credentials) and calls showSheet()
// from its "Create Demo Account" button (after switching itself to the demo server).

#include <QDialog>

#include "ui/registration/LoginRegistrationWindowController.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace td {

class LoginRegistrationWindow : public QDialog, public LoginRegistrationView {
  Q_OBJECT
 public:
  LoginRegistrationWindow(QWidget* parent, LoginRegistrationWindowController::Callbacks callbacks);

  LoginRegistrationWindowController& controller() { return controller_; }
  // Prepares the form and shows the sheet.
  void showSheet();
  // The form as it stands now.
  DemoRegistrationForm form() const;

  QLineEdit* nameField() const { return name_; }
  QLineEdit* phoneField() const { return phone_; }
  QLineEdit* cityField() const { return city_; }
  QLineEdit* stateField() const { return state_; }
  QLineEdit* zipCodeField() const { return zip_; }
  QLineEdit* emailField() const { return email_; }
  QPlainTextEdit* addressField() const { return address_; }
  QComboBox* countryBox() const { return country_; }
  QComboBox* depositBox() const { return deposit_; }
  QCheckBox* newsletterBox() const { return newsletter_; }
  QPushButton* submitButton() const { return submit_; }
  QPushButton* cancelButton() const { return cancel_; }

  void clearForm() override;
  void setDeposits(const std::vector<std::string>& choices, const std::string& shown) override;
  void setCountries(const std::vector<std::string>& names) override;
  void updateLanguageStrings(const RegistrationLabels& labels) override;
  void showResult(const std::string& headline, const std::string& message, const std::string& button) override;
  void closeSheet() override;

 public slots:
  void reject() override;  // Escape and the window's close: as Cancel

 private:
  QGroupBox* box_;
  QLineEdit* name_;
  QLineEdit* phone_;
  QLineEdit* city_;
  QLineEdit* state_;
  QLineEdit* zip_;
  QLineEdit* email_;
  QPlainTextEdit* address_;
  QComboBox* country_;
  QComboBox* deposit_;
  QCheckBox* newsletter_;
  QPushButton* submit_;
  QPushButton* cancel_;
  std::vector<QLabel*> labels_;  // in the order of RegistrationLabels' field captions
  LoginRegistrationWindowController controller_;
};

}  // namespace td
