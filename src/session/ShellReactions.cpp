#include "session/ShellReactions.h"

#include "platform/AppContext.h"
#include "platform/LanguageString.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "session/BusinessBase.h"
#include "transport/Reachability.h"

namespace td {

LoginMessageRecord LoginMessageRecord::forErrorCode(std::optional<std::int32_t> errorCode,
                                                    const std::string& serverMessage) {
  switch (errorCode.value_or(0)) {
    case 10:
      return {"Your login has been disabled. Please contact back office.", "0", std::nullopt};
    case 11:
      return {"Your account has been expired", "0", std::nullopt};
    case 12:
      return {"You're using unsupported version of program. Do you want to download latest version now?", "3",
              serverMessage};
    default:
      return {"The username or password or server you entered is incorrect", "0", std::nullopt};
  }
}

std::shared_ptr<ShellReactions> ShellReactions::create(SessionShell& shell, MainQueue& mainQueue,
                                                       NotificationCenter& notifications, Options options) {
  std::shared_ptr<ShellReactions> self(new ShellReactions(shell, mainQueue, notifications, std::move(options)));
  std::weak_ptr<ShellReactions> weak = self;
  self->loginToken_ = notifications.addObserver("LoginSuccessNotification", [weak](const Notification&) {
    if (auto s = weak.lock()) s->loginSuccess_ = true;
  });
  return self;
}

ShellReactions::ShellReactions(SessionShell& shell, MainQueue& mainQueue, NotificationCenter& notifications,
                               Options options)
    : shell_(shell), mainQueue_(mainQueue), notifications_(notifications), options_(std::move(options)) {}

ShellReactions::~ShellReactions() {
  notifications_.removeObserver(loginToken_);
  notifications_.removeObserver(reachabilityToken_);
}

void ShellReactions::observeReachability(std::function<std::shared_ptr<BusinessBase>()> currentSession) {
  notifications_.removeObserver(reachabilityToken_);
  std::weak_ptr<ShellReactions> weak = weak_from_this();
  reachabilityToken_ = notifications_.addObserver(
      kReachabilityChangedNotification, [weak, currentSession = std::move(currentSession)](const Notification& n) {
        auto self = weak.lock();
        const auto* monitor = n.objectAs<std::shared_ptr<Reachability>>();
        if (!self || !monitor || !*monitor) return;
        self->reachabilityChanged((*monitor)->isReachable(), currentSession ? currentSession() : nullptr);
      });
}

std::string ShellReactions::text(const char* key) const {
  const int language = options_.language ? options_.language() : AppContext::current()->selectedLanguage();
  return LanguageString::stringforSelectedLanguage(language, key);
}

void ShellReactions::post(std::function<void(SessionShell&)> fn) {
  std::weak_ptr<ShellReactions> weak = weak_from_this();
  mainQueue_.post([weak, fn = std::move(fn)] {
    if (auto self = weak.lock()) fn(self->shell_);
  });
}

void ShellReactions::rerateLater(std::weak_ptr<BusinessBase> session) {
  mainQueue_.postAfter(options_.rerateDelay, [session] {
    if (auto s = session.lock()) s->calculateNetworkSpeed(s->serverDate());
  });
}

void ShellReactions::showLoginMessages(const LoginMessageRecord& record) {
  appUpdateURL_ = record.URL;
  SessionAlert alert;
  alert.kind = SessionAlert::Kind::LoginRefused;
  alert.title = options_.appName;
  alert.message = record.Message;
  alert.tag = static_cast<int>(std::strtol(record.Tag.c_str(), nullptr, 10));
  alert.sheet = true;
  alert.url = record.URL;
  post([](SessionShell& shell) { shell.shakeWindow(); });
  post([](SessionShell& shell) { shell.SetEnableUIObjects(); });
  post([alert](SessionShell& shell) { shell.showAlert(alert); });
}

void ShellReactions::LogininAnotherLocation(const std::string& reason) {
  SessionAlert alert;
  alert.kind = SessionAlert::Kind::LoggedInElsewhere;
  alert.title = options_.appName;
  alert.message = text("8125") + " : " + reason + " !";
  alert.tag = 1;
  alert.sheet = false;
  post([alert](SessionShell& shell) { shell.showAlert(alert); });
}

void ShellReactions::ConnectionFailureNotification(std::weak_ptr<BusinessBase> session) {
  SessionAlert alert;
  alert.kind = SessionAlert::Kind::ConnectionFailed;
  alert.title = text("8140");
  alert.message = text("8122");
  alert.tag = 2;
  alert.sheet = false;
  post([](SessionShell& shell) { shell.playSound("connectionLost"); });
  post([](SessionShell& shell) { shell.SetEnableUIObjects(); });
  rerateLater(std::move(session));
  post([alert](SessionShell& shell) { shell.showAlert(alert); });
}

void ShellReactions::reachabilityChanged(bool reachable, const std::shared_ptr<BusinessBase>& session) {
  if (reachable) {
    TD_LOG_INFO("Notification Says Reachable");
    if (session) {
      session->conn().setIsNetworkAvailable(true);
      if (loginSuccess_) session->reconnectZMQandSubscribeAllItems();
    }
    return;
  }
  TD_LOG_INFO("Notification Says Unreachable");
  if (session) {
    session->conn().setIsNetworkAvailable(false);
    if (loginSuccess_ && session->conn().isConnected()) rerateLater(session);
  }
  SessionBanner banner;
  banner.title = options_.appName;
  banner.subtitle = "No network is available";
  banner.informativeText = "Please check the internet connection and then relogin";
  banner.dismissDelaySeconds = 5.0;
  banner.sound = "CNUserNotificationDefaultSound";
  post([banner](SessionShell& shell) { shell.showBanner(banner); });
}

void ShellReactions::appUpdateNotification(const std::string& url) {
  SessionBanner banner;
  banner.title = "App Updates Available";
  banner.subtitle = "Do you want to download?";
  banner.informativeText = url;
  banner.dismissDelaySeconds = -1;
  banner.sound = "CNUserNotificationDefaultSound2";
  banner.actionButton = "Download";
  banner.url = url;
  post([banner](SessionShell& shell) { shell.showBanner(banner); });
}

void ShellReactions::showBanner(const SessionBanner& banner) {
  post([banner](SessionShell& shell) { shell.showBanner(banner); });
}

void ShellReactions::playSound(const std::string& name) {
  post([name](SessionShell& shell) { shell.playSound(name); });
}

}  // namespace td
