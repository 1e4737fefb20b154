#pragma once
// The application shell's reactions to the session: the refused-login alerts, the logged-in-elsewhere
// alert (the application quits once it is closed), the connection-failure path (sound, login controls
// back, network speed re-rated 3.5 s later, alert) and the network reachability reactions
// (reconnecting the ZeroMQ channels after a login, the no-network banner).
//
// One object for the whole run, made by the application (or the probe) over its SessionShell. Every
// operation may be called from a message handler: what the user sees is posted to the main queue, each
// alert, banner and sound as a task of its own, so no handler is re-entered half done.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "session/SessionShell.h"

namespace td {

class BusinessBase;
class MainQueue;

// The record of a refused login (`showLoginMessages:`): "Message", "Tag" and, for code 12, "URL".
struct LoginMessageRecord {
  std::string Message;
  std::string Tag;
  std::optional<std::string> URL;

  // The record for a login message's error code: 10 disabled, 11 expired, 12 outdated client (the
  // download address from the server as URL), anything else (and no message at all) the generic one.
  static LoginMessageRecord forErrorCode(std::optional<std::int32_t> errorCode, const std::string& serverMessage);
};

class ShellReactions : public std::enable_shared_from_this<ShellReactions> {
 public:
  struct Options {
    Clock::Duration rerateDelay = std::chrono::milliseconds(3500);
    // The selected language (0 English, 1 Simplified Chinese); empty: the application context's.
    std::function<int()> language;
    std::string appName = "TarnwickDesk";
  };

  // `shell`, `mainQueue` and `notifications` must outlive the object.
  static std::shared_ptr<ShellReactions> create(SessionShell& shell, MainQueue& mainQueue,
                                                NotificationCenter& notifications, Options options);
  ~ShellReactions();
  ShellReactions(const ShellReactions&) = delete;
  ShellReactions& operator=(const ShellReactions&) = delete;

  // A refused or outdated login: the window shakes, the login controls return to idle, then the
  // message is shown as a sheet with the record's tag. The record's URL is kept as the update address.
  void showLoginMessages(const LoginMessageRecord& record);
  // "<8125> : <reason> !" in a modal alert with tag 1: the application quits once it is closed.
  void LogininAnotherLocation(const std::string& reason);
  // The TCP session was lost or never made: sound "connectionLost", login controls back, the
  // session's network speed re-rated after the delay (from its last server date), alert "8122" titled
  // "8140" with tag 2.
  void ConnectionFailureNotification(std::weak_ptr<BusinessBase> session);
  // The network became reachable or unreachable. Reachable after a login: the session reconnects its
  // ZeroMQ channels and subscribes every item again. Unreachable: the no-network banner, and after a
  // login whose TCP session still stands, the network speed re-rated after the delay.
  void reachabilityChanged(bool reachable, const std::shared_ptr<BusinessBase>& session);
  // `reachabilityChanged:` as the observer of kReachabilityChangedNotification (object: the monitor)
  // on the centre given at creation, with the session of the moment (none before the first login).
  void observeReachability(std::function<std::shared_ptr<BusinessBase>()> currentSession);
  // The update offer after a login whose login message says a new version exists.
  void appUpdateNotification(const std::string& url);
  // A named sound as its own main-queue task.
  void playSound(const std::string& name);
  // A banner (trade confirmation, margin call ...) as its own main-queue task.
  void showBanner(const SessionBanner& banner);

  // Set once a login has been accepted ("LoginSuccessNotification").
  bool loginSuccess() const { return loginSuccess_; }
  const std::optional<std::string>& appUpdateURL() const { return appUpdateURL_; }

  // The localised text of a 4-digit key in the selected language.
  std::string text(const char* key) const;

 private:
  ShellReactions(SessionShell& shell, MainQueue& mainQueue, NotificationCenter& notifications, Options options);
  void post(std::function<void(SessionShell&)> fn);
  void rerateLater(std::weak_ptr<BusinessBase> session);

  SessionShell& shell_;
  MainQueue& mainQueue_;
  NotificationCenter& notifications_;
  Options options_;
  ObserverToken loginToken_ = 0;
  ObserverToken reachabilityToken_ = 0;
  bool loginSuccess_ = false;  // main thread
  std::optional<std::string> appUpdateURL_;
};

}  // namespace td
