#include "ui/shell/LoginController.h"

#include <limits>

#include "platform/Defaults.h"
#include "platform/LanguageString.h"
#include "platform/Log.h"
#include "platform/LoginInputdata.h"

namespace td {
namespace {

constexpr const char* kLanguageKey = "LanguageKey";

}  // namespace

LoginController::LoginController(Services services)
    : services_(std::move(services)),
      credentials_(*services_.defaults, *services_.logindata, *services_.secrets),
      languagesArray_{"English"},
      alive_(std::make_shared<bool>(true)) {}

LoginController::~LoginController() { *alive_ = false; }

void LoginController::changed() {
  if (view_) view_->loginStateChanged();
}

std::string LoginController::text(const char* key) const {
  return LanguageString::stringforSelectedLanguage(selectedLanguage_, key);
}

void LoginController::applicationDidFinishLaunching() {
  // loadLanguages: the stored index, when the list has it.
  const auto stored = services_.defaults->integerValue(kLanguageKey).value_or(0);
  if (stored >= 0 && stored < static_cast<std::int64_t>(languagesArray_.size())) {
    setLanguage(static_cast<int>(stored));
  } else {
    TD_LOG_WARN("Stored language " + std::to_string(stored) + " is not offered; English stays");
  }
  loadUserInfo(LIVE_ACCOUNT_INFO);
}

// ---- mode, presets, remembered credentials ----

void LoginController::loadUserInfo(const std::string& key) {
  loginConnectiontypeKey_ = key;
  mode_ = key == LIVE_ACCOUNT_INFO ? Mode::Live : Mode::Demo;
  const std::uint64_t generation = ++fillGeneration_;
  passwordTyped_ = false;
  if (const auto entry = credentials_.load(key)) {
    fields_.userName = entry->userName;
    fields_.password.clear();
    fields_.server = entry->server;
    fields_.port = entry->port;
    fields_.remember = true;
    // The password comes from the secret store later; it fills the field unless the user typed one
    // or the fields were filled again meanwhile.
    std::weak_ptr<bool> alive = alive_;
    credentials_.loadPassword(key, [this, alive, generation](SecretStore::Status status, const std::string& secret) {
      const auto lock = alive.lock();
      if (!lock || !*lock || generation != fillGeneration_ || passwordTyped_) return;
      if (status == SecretStore::Status::Ok) {
        fields_.password = secret;
        changed();
      }
    });
  } else {
    if (key == LIVE_ACCOUNT_INFO) services_.logindata->loadLiveSettings();
    else services_.logindata->loadDemoSettings();
    fields_.userName.clear();
    fields_.password.clear();
    fields_.server = services_.logindata->IPAddress();
    fields_.port = std::to_string(services_.logindata->PortNo());
    fields_.remember = false;
  }
  changed();
}

void LoginController::ConnectionSegmentControlChanged(int segment) {
  loadUserInfo(segment == 0 ? LIVE_ACCOUNT_INFO : DEMO_ACCOUNT_INFO);
}

void LoginController::resetConnectionSettingsDefault() {
  if (mode_ == Mode::Live) services_.logindata->loadLiveSettings();
  else services_.logindata->loadDemoSettings();
  fields_.server = services_.logindata->IPAddress();
  fields_.port = std::to_string(services_.logindata->PortNo());
  changed();
}

void LoginController::CheckBoxStatus(bool on) {
  fields_.remember = on;
  if (!on) credentials_.remove(loginConnectiontypeKey_);
  changed();
}

void LoginController::rememberPassword() {
  if (!fields_.remember) return;
  std::weak_ptr<bool> alive = alive_;
  credentials_.store(loginConnectiontypeKey_, {fields_.userName, fields_.server, fields_.port}, fields_.password,
                     [this, alive](SecretStore::Status status) {
                       const auto lock = alive.lock();
                       if (!lock || !*lock || status == SecretStore::Status::Ok) return;
                       if (status == SecretStore::Status::Unavailable) {
                         // Told once per run: the rest of the entry is remembered all the same.
                         if (secretsUnavailableTold_) return;
                         secretsUnavailableTold_ = true;
                         if (view_) view_->showNotice(text("9303"));
                       }
                       TD_LOG_WARN("The password was not remembered: the secret store refused it");
                     });
}

// ---- login ----

std::int32_t LoginController::portValue(const std::string& text) {
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
    if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  }
  return static_cast<std::int32_t>(value);
}

bool LoginController::hasControlBytes(const std::string& text) {
  for (unsigned char c : text)
    if (c >= 0x01 && c <= 0x07) return true;
  return false;
}

std::optional<std::string> LoginController::validationFailure() const {
  if (fields_.server.empty()) return "0004";
  const std::int32_t port = portValue(fields_.port);
  if (fields_.port.empty() || port < 1 || port > 65535) return "0005";
  if (fields_.userName.empty()) return "0002";
  if (fields_.password.empty()) return "0003";
  if (hasControlBytes(fields_.userName) || hasControlBytes(fields_.password) || hasControlBytes(fields_.server))
    return "9302";
  return std::nullopt;
}

bool LoginController::checkLoginValidation() {
  const auto failure = validationFailure();
  if (!failure) return true;
  if (view_) view_->showLoginAlert(text(failure->c_str()), services_.appName);
  return false;
}

void LoginController::loginButtonClicked() {
  if (connecting_ || !checkLoginValidation()) return;
  LoginInputdata& login = *services_.logindata;
  login.setUserName(fields_.userName);
  login.setPassword(fields_.password);
  login.setIPAddress(fields_.server);
  login.setPortNo(portValue(fields_.port));
  rememberPassword();
  services_.launcher->startLogin();
  setDisableUIObjects();
}

void LoginController::cancelButtonClicked() {
  SetEnableUIObjects();
  services_.launcher->cancelLogin();
}

void LoginController::loginSucceeded() {
  loginSuccess_ = true;
  SetEnableUIObjects();
}

void LoginController::setDisableUIObjects() {
  connecting_ = true;
  changed();
}

void LoginController::SetEnableUIObjects() {
  connecting_ = false;
  changed();
}

void LoginController::liveAccountRegistrationButtonClicked() {
  const std::string& address = services_.liveAccountRegistrationURL;
  if (!services_.openWebAddress || !services_.openWebAddress(address))
    TD_LOG_WARN("Failed to open url: " + address);
}

// ---- demo registration ----

void LoginController::prepareDemoRegistration() {
  if (mode_ == Mode::Live) ConnectionSegmentControlChanged(1);
}

bool LoginController::demoRegistrationSubmit() {
  const std::int32_t port = portValue(fields_.port);
  const char* failure = fields_.server.empty()                                  ? "0004"
                        : fields_.port.empty() || port < 1 || port > 65535      ? "0005"
                        : hasControlBytes(fields_.server)                       ? "9302"
                                                                                : nullptr;
  if (failure) {
    if (view_) view_->showLoginAlert(text(failure), services_.appName);
    return false;
  }
  services_.logindata->setIPAddress(fields_.server);
  services_.logindata->setPortNo(port);
  services_.launcher->startDemoRegistration();
  return true;
}

void LoginController::demoCredentialsReceived(const std::string& userName, const std::string& password) {
  ++fillGeneration_;  // a password still on its way from the secret store must not overwrite these
  fields_.userName = userName;
  fields_.password = password;
  changed();
}

// ---- language ----

void LoginController::setLanguage(int index) {
  if (index < 0 || index >= static_cast<int>(languagesArray_.size())) return;
  selectedLanguage_ = index;
  services_.defaults->setInteger(kLanguageKey, index);
  if (const auto error = services_.defaults->synchronize())
    TD_LOG_WARN("The language setting was not written: " + error->text);
  if (services_.languageChanged) services_.languageChanged(index);
  changed();
}

}  // namespace td
