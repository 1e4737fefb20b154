#pragma once
// The demo-account registration sheet's logic. The form is validated and copied when the user
// submits; the login window's code (the submit callback) then replaces the session object and
// connects to its server in registration mode. Once that connection is up the session posts
// "SendLoginRegistrationRequest" (object: std::weak_ptr<BusinessBase>) and this controller sends
// the demo-user creation request from the copy. The server's answer, "DemoUserCreationNotification"
// with "UserInfo" = "<user>/<password>" (split at the first "/", so a password may hold "/"), goes
// back to the login window through the credentials callback and is shown in an informational
// alert; closing the alert ends the sheet.
//
// The observers exist from onWindowLoad() to closeModal(). Everything runs on the main thread.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"

namespace td {

// The form as the user left it when pressing Submit.
struct DemoRegistrationForm {
  std::string name;
  std::string phone;
  std::string city;
  std::string state;
  std::string zipCode;
  std::string email;
  std::string address;
  std::string country;
  std::string deposit;
  bool newsletter = false;
};

// The sheet's captions in the chosen language.
struct RegistrationLabels {
  std::string box, newsletter, submit, cancel;
  std::string name, phone, city, state, zipCode, email, address, country, deposit;
};

class LoginRegistrationView {
 public:
  virtual ~LoginRegistrationView() = default;
  // Empties every field and the country text; the newsletter box off.
  virtual void clearForm() = 0;
  virtual void setDeposits(const std::vector<std::string>& choices, const std::string& shown) = 0;
  virtual void setCountries(const std::vector<std::string>& names) = 0;
  virtual void updateLanguageStrings(const RegistrationLabels& labels) = 0;
  // The informational alert with one button; returns once it is closed.
  virtual void showResult(const std::string& headline, const std::string& message, const std::string& button) = 0;
  virtual void closeSheet() = 0;
};

class LoginRegistrationWindowController {
 public:
  struct Callbacks {
    // Replace the session object and connect in registration mode to the login window's server.
    std::function<void()> submit;
    // The new demo user's credentials, for the login window's user name and password fields.
    std::function<void(const std::string& user, const std::string& password)> credentialsReceived;
  };

  static constexpr const char* kSendRequestNotification = "SendLoginRegistrationRequest";
  static constexpr const char* kReplyNotification = "DemoUserCreationNotification";
  static const std::vector<std::string>& depositChoices();

  // mainQueue: where the result alert is posted (nullptr: MainQueue::instance()).
  LoginRegistrationWindowController(LoginRegistrationView& view, Callbacks callbacks, MainQueue* mainQueue = nullptr);
  ~LoginRegistrationWindowController();
  LoginRegistrationWindowController(const LoginRegistrationWindowController&) = delete;
  LoginRegistrationWindowController& operator=(const LoginRegistrationWindowController&) = delete;

  // Before each showing: listens (once), empties the form, loads the deposits and the countries,
  // sets the captions.
  void onWindowLoad();
  // Submit: the checks, then the copy and the submit callback. True when submitted.
  bool registerButtonClicked(const DemoRegistrationForm& form);
  // The checks in order (name, e-mail, phone, country, then no frame control bytes in any field):
  // the key of the first failing text, none when the form passes.
  static std::optional<std::string> validationFailureKey(const DemoRegistrationForm& form);
  // `validationsBeforeRegister`: shows the failure's alert; true when the form passes.
  bool validationsBeforeRegister(const DemoRegistrationForm& form);
  // The whole text matches [A-Z0-9a-z._%+-]+@[A-Za-z0-9.-]+\.[A-Za-z]{2,4}.
  static bool validateEmailWithString(std::string_view email);
  // Stops listening and ends the sheet.
  void closeModal();

  // "user/password" split at the first "/" (no "/": the whole text is the user).
  static std::pair<std::string, std::string> splitUserInfo(const std::string& text);
  // Every country ICU knows, named in the language (0 English, 1 Simplified Chinese), sorted by
  // name in that language.
  static std::vector<std::string> countryNames(int language);
  static RegistrationLabels labels(int language);

  bool initiated() const { return initiated_; }
  const std::optional<DemoRegistrationForm>& submittedForm() const { return submitted_; }

 private:
  void DemoUserCreationRequest(const Notification& notification);
  void requestDone(const Notification& notification);
  void ValidationAlert(const std::string& key) const;
  void stopListening();

  LoginRegistrationView& view_;
  Callbacks callbacks_;
  MainQueue* mainQueue_;
  std::shared_ptr<NotificationCenter> center_;
  ObserverToken sendToken_ = 0;
  ObserverToken replyToken_ = 0;
  bool initiated_ = false;
  std::optional<DemoRegistrationForm> submitted_;
  std::vector<std::string> countries_;  // loaded once per language
  int countriesLanguage_ = -1;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace td
