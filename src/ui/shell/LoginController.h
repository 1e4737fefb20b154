#pragma once
// What the login window shows and what its controls do, without widgets: the four fields and the
// remember box, the live/demo mode with its presets and remembered credentials, the idle and
// connecting states, the checks of a login click, the language choice and the demo registration's
// hand-over. The Qt login window binds to it (LoginWindow); tests drive it with a recording view.
//
// Main thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/shell/RememberedCredentials.h"

namespace td {

class Defaults;
class LoginInputdata;

// What the login window does for the controller.
class LoginView {
 public:
  virtual ~LoginView() = default;
  // Fields, mode, remember box, state or language changed: show them again.
  virtual void loginStateChanged() = 0;
  // An alert as a sheet on the login window (critical style, one "0167" button).
  virtual void showLoginAlert(const std::string& message, const std::string& title) = 0;
  // A line of information inside the login window (not an alert).
  virtual void showNotice(const std::string& text) = 0;
};

// What the application does when the login window asks for a session.
class SessionLauncher {
 public:
  virtual ~SessionLauncher() = default;
  // A new session object and order manager replace the old ones (the old session disconnected and
  // its threads joined first), and the new one connects to logindata's server and port.
  virtual void startLogin() = 0;
  // The session in progress disconnects, as asked for (no failure alert).
  virtual void cancelLogin() = 0;
  // A new session object (no order manager) connects in demo-registration mode.
  virtual void startDemoRegistration() = 0;
};

class LoginController {
 public:
  enum class Mode { Live = 0, Demo = 1 };

  struct Services {
    LoginInputdata* logindata = nullptr;
    Defaults* defaults = nullptr;  // "LanguageKey" and the remembered entries
    SecretStore* secrets = nullptr;
    SessionLauncher* launcher = nullptr;
    // Opens an http(s) address in the browser; false when refused.
    std::function<bool(const std::string&)> openWebAddress;
    // The selected language changed (the application context keeps it).
    std::function<void(int)> languageChanged;
    std::string appName = "TarnwickDesk";
    std::string liveAccountRegistrationURL = "https://www.tarnwickdesk.example/open-account";
  };

  struct Fields {
    std::string userName;
    std::string password;
    std::string server;
    std::string port;
    bool remember = false;
  };

  explicit LoginController(Services services);
  ~LoginController();
  LoginController(const LoginController&) = delete;
  LoginController& operator=(const LoginController&) = delete;

  void setView(LoginView* view) { view_ = view; }

  // Launch: the stored language, then the live mode's remembered credentials or preset.
  void applicationDidFinishLaunching();

  // ---- fields (the view writes what the user types) ----
  const Fields& fields() const { return fields_; }
  void setUserName(std::string text) { fields_.userName = std::move(text); }
  void setPassword(std::string text) { fields_.password = std::move(text); passwordTyped_ = true; }
  void setServer(std::string text) { fields_.server = std::move(text); }
  void setPort(std::string text) { fields_.port = std::move(text); }
  // `CheckBoxStatus:`: turning the box off forgets the current mode's entry at once.
  void CheckBoxStatus(bool on);

  // ---- mode and presets ----
  Mode mode() const { return mode_; }
  const std::string& loginConnectiontypeKey() const { return loginConnectiontypeKey_; }
  // `ConnectionSegmentControlChanged:`: segment 0 live, 1 demo.
  void ConnectionSegmentControlChanged(int segment);
  // `resetConnectionSettingsDefault:`: the mode's preset into server and port.
  void resetConnectionSettingsDefault();
  // `loadUserInfo:`: the key becomes the mode; its entry, else its preset, fills the fields.
  void loadUserInfo(const std::string& key);

  // ---- login ----
  // The first failing check as its text key ("0004", "0005", "0002", "0003", "9302"), or nothing.
  std::optional<std::string> validationFailure() const;
  // `checkLoginValidation`: false after showing the failing check's alert.
  bool checkLoginValidation();
  // `loginButtonClicked:`.
  void loginButtonClicked();
  // `cancelButtonClicked:`.
  void cancelButtonClicked();
  // "LoginSuccessNotification": the controls return to idle.
  void loginSucceeded();
  bool loginSuccess() const { return loginSuccess_; }
  // `setDisableUIObjects` / `SetEnableUIObjects`.
  void setDisableUIObjects();
  void SetEnableUIObjects();
  bool connecting() const { return connecting_; }

  // `liveAccountRegistrationButtonClicked:`.
  void liveAccountRegistrationButtonClicked();

  // ---- demo registration ----
  // `CreateDemoUserButtonClicked:` before the sheet opens: the demo mode is selected.
  void prepareDemoRegistration();
  // `demoRegistrationSubmit`: logindata takes the server and port fields; a session connects in
  // registration mode. False (and an alert) when the server or port is unusable.
  bool demoRegistrationSubmit();
  // The demo account's credentials go into the user name and password fields.
  void demoCredentialsReceived(const std::string& userName, const std::string& password);

  // ---- language ----
  // The language box's entries: "English" alone. The Simplified Chinese strings stay in the
  // bundle, but the box does not offer them, so a stored index 1 is kept and not applied.
  const std::vector<std::string>& languagesArray() const { return languagesArray_; }
  int selectedLanguage() const { return selectedLanguage_; }
  // `setLanguage:`: an index without an entry changes nothing.
  void setLanguage(int index);
  // The text of a key in the selected language.
  std::string text(const char* key) const;

  // The leading decimal digits of a port field as a number (0 when there are none; saturating).
  static std::int32_t portValue(const std::string& text);
  // True when a text holds one of the frame's separator bytes 0x01-0x07.
  static bool hasControlBytes(const std::string& text);

 private:
  void changed();
  void rememberPassword();

  Services services_;
  LoginView* view_ = nullptr;
  CredentialStore credentials_;
  Fields fields_;
  Mode mode_ = Mode::Live;
  std::string loginConnectiontypeKey_ = LIVE_ACCOUNT_INFO;
  bool connecting_ = false;
  bool loginSuccess_ = false;
  int selectedLanguage_ = 0;
  std::vector<std::string> languagesArray_;
  bool passwordTyped_ = false;     // the user typed a password since the fields were filled
  std::uint64_t fillGeneration_ = 0;  // guards late password reads against newer fillings
  bool secretsUnavailableTold_ = false;
  std::shared_ptr<bool> alive_;
};

}  // namespace td
