#include "ui/registration/LoginRegistrationWindowController.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <regex>

#include "platform/AppContext.h"
#include "platform/LanguageString.h"
#include "platform/Log.h"
#include "session/BusinessBase.h"
#include "transport/DeviceInfo.h"
#include "ui/shell/LoginController.h"
#include "wire/SessionRequests.h"

namespace td {
namespace {

std::string text(std::string_view key) {
  return LanguageString::stringforSelectedLanguage(AppContext::current()->selectedLanguage(), key);
}

const char* localeName(int language) { return language == LanguageString::SimplifiedChinese ? "zh_Hans" : "en"; }

}  // namespace

const std::vector<std::string>& LoginRegistrationWindowController::depositChoices() {
  static const std::vector<std::string> choices{"5000", "25000", "50000", "100000", "500000"};
  return choices;
}

LoginRegistrationWindowController::LoginRegistrationWindowController(LoginRegistrationView& view, Callbacks callbacks,
                                                                     MainQueue* mainQueue)
    : view_(view), callbacks_(std::move(callbacks)), mainQueue_(mainQueue) {}

LoginRegistrationWindowController::~LoginRegistrationWindowController() {
  *alive_ = false;
  stopListening();
}

void LoginRegistrationWindowController::onWindowLoad() {
  if (!initiated_) {
    center_ = AppContext::current()->notificationCenter();
    sendToken_ = center_->addObserver(kSendRequestNotification,
                                      [this](const Notification& n) { DemoUserCreationRequest(n); });
    replyToken_ = center_->addObserver(kReplyNotification, [this](const Notification& n) { requestDone(n); });
    initiated_ = true;
  }
  view_.clearForm();
  view_.setDeposits(depositChoices(), depositChoices().front());
  const int language = AppContext::current()->selectedLanguage();
  if (language != countriesLanguage_) {
    countries_ = countryNames(language);
    countriesLanguage_ = language;
  }
  view_.setCountries(countries_);
  view_.updateLanguageStrings(labels(language));
}

bool LoginRegistrationWindowController::validateEmailWithString(std::string_view email) {
  static const std::regex pattern("[A-Z0-9a-z._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,4}");
  return std::regex_match(email.begin(), email.end(), pattern);
}

std::optional<std::string> LoginRegistrationWindowController::validationFailureKey(const DemoRegistrationForm& f) {
  if (f.name.empty()) return "8097";
  if (!validateEmailWithString(f.email)) return "8099";
  if (f.phone.empty()) return "8098";
  if (f.country.empty()) return "8096";
  for (const std::string* field : {&f.name, &f.phone, &f.city, &f.state, &f.zipCode, &f.email, &f.address, &f.country,
                                   &f.deposit}) {
    if (LoginController::hasControlBytes(*field)) return "8312";
  }
  return std::nullopt;
}

bool LoginRegistrationWindowController::validationsBeforeRegister(const DemoRegistrationForm& form) {
  const auto failure = validationFailureKey(form);
  if (failure) ValidationAlert(*failure);
  return !failure;
}

void LoginRegistrationWindowController::ValidationAlert(const std::string& key) const {
  AppContext::current()->userAlerts()->showAlert(text("8162"), text(key));
}

bool LoginRegistrationWindowController::registerButtonClicked(const DemoRegistrationForm& form) {
  if (!validationsBeforeRegister(form)) return false;
  submitted_ = form;
  if (!initiated_) onWindowLoad();
  if (callbacks_.submit) callbacks_.submit();
  return true;
}

void LoginRegistrationWindowController::DemoUserCreationRequest(const Notification& notification) {
  const auto* weak = notification.objectAs<std::weak_ptr<BusinessBase>>();
  const std::shared_ptr<BusinessBase> session = weak ? weak->lock() : nullptr;
  if (!session) {
    TD_LOG_WARN("Demo registration: the registration connection has no session");
    return;
  }
  if (!submitted_) {
    TD_LOG_WARN("Demo registration: connected without a submitted form; nothing sent");
    return;
  }
  const DemoRegistrationForm& f = *submitted_;
  DemoUserCreationValues values;
  values.email = f.email;
  values.deposit = f.deposit;
  values.country = f.country;
  values.state = f.state;
  values.city = f.city;
  values.zipCode = f.zipCode;
  values.address = f.address;
  values.phone = f.phone;
  values.newsletter = f.newsletter ? 1 : 0;
  values.name = f.name;
  values.productName = AppContext::current()->logindata().productName();
  values.device = DeviceFields{DeviceInfo::getHostIPAddress(), DeviceInfo::getDeviceNameandOSversion(),
                               DeviceInfo::getHostName()};
  if (!SessionRequests::DemoUserCreationRequest(session->messageBase(), values)) {
    TD_LOG_ERROR("Demo registration: the request could not be sent");
    AppContext::current()->userAlerts()->showAlert(text("8140"), text("8122"));
  }
}

std::pair<std::string, std::string> LoginRegistrationWindowController::splitUserInfo(const std::string& info) {
  const std::size_t slash = info.find('/');
  if (slash == std::string::npos) return {info, std::string()};
  return {info.substr(0, slash), info.substr(slash + 1)};
}

void LoginRegistrationWindowController::requestDone(const Notification& notification) {
  const auto info = notification.userInfoText("UserInfo");
  if (!info) return;
  const auto [user, password] = splitUserInfo(*info);
  const std::string message =
      text("0037") + " : " + user + "\n" + text("0078") + " : " + password + "\n" + text("8100");
  if (callbacks_.credentialsReceived) callbacks_.credentialsReceived(user, password);
  // The modal alert runs as a task of its own, never inside the notification's delivery.
  auto show = [this, alive = alive_, headline = text("0315"), message, button = text("0167")] {
    if (!*alive) return;
    view_.showResult(headline, message, button);
    if (*alive) closeModal();
  };
  if (MainQueue* q = mainQueue_ ? mainQueue_ : MainQueue::instance()) {
    q->post(std::move(show));
  } else {
    show();
  }
}

void LoginRegistrationWindowController::closeModal() {
  stopListening();
  view_.closeSheet();
}

void LoginRegistrationWindowController::stopListening() {
  if (center_) {
    center_->removeObserver(sendToken_);
    center_->removeObserver(replyToken_);
  }
  center_.reset();
  sendToken_ = replyToken_ = 0;
  initiated_ = false;
}

std::vector<std::string> LoginRegistrationWindowController::countryNames(int language) {
  const icu::Locale display = icu::Locale::createFromName(localeName(language));
  std::vector<icu::UnicodeString> names;
  for (const char* const* code = icu::Locale::getISOCountries(); code && *code; ++code) {
    icu::UnicodeString name;
    icu::Locale("", *code).getDisplayCountry(display, name);
    if (!name.isEmpty()) names.push_back(name);
  }
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(display, status));
  if (U_SUCCESS(status) && collator) {
    std::sort(names.begin(), names.end(), [&](const icu::UnicodeString& a, const icu::UnicodeString& b) {
      UErrorCode s = U_ZERO_ERROR;
      return collator->compare(a, b, s) == UCOL_LESS;
    });
  } else {
    std::sort(names.begin(), names.end());
  }
  std::vector<std::string> out;
  out.reserve(names.size());
  for (const auto& name : names) {
    std::string utf8;
    name.toUTF8String(utf8);
    out.push_back(std::move(utf8));
  }
  return out;
}

RegistrationLabels LoginRegistrationWindowController::labels(int language) {
  auto t = [language](std::string_view key) { return LanguageString::stringforSelectedLanguage(language, key); };
  RegistrationLabels l;
  l.box = t("0313");
  l.newsletter = t("0395");
  l.submit = t("0396");
  l.cancel = t("0060");
  l.name = t("8301");
  l.phone = t("8302");
  l.city = t("8303");
  l.state = t("8304");
  l.zipCode = t("8305");
  l.email = t("8306");
  l.address = t("8307");
  l.country = t("8308");
  l.deposit = t("8309");
  return l;
}

}  // namespace td
