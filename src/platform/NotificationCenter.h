#pragma once
// Named notifications between the layers: the session tells the windows that a table changed, the
// login window that the session opened, and so on.
//
// A notification carries its name, an object (any copyable value held in std::any; the poster's
// convention decides what it is: the sender, a record, a text) and a user-information map of texts.
// Observers register a handler per name and get a token back; they are removed by that token. The
// same handler may be registered several times under one name, and each registration is delivered
// once per post, in the order of registration.
//
// post() delivers synchronously on the calling thread. postOnMainThread() hands the notification to
// the main queue (td::MainQueue) and delivers it there without the poster waiting.
//
// Thread safety: every operation may be called from any thread. A handler runs without any lock of
// the centre held, so it may post, add observers and remove observers (its own token included).
// Registrations made during a delivery receive later posts, not the one under way. A registration
// removed during a delivery is skipped from then on, even by that delivery. Once removeObserver()
// returns, the handler is not running on any other thread and will not be called again; called from
// inside that very handler, it returns at once (the handler just finishes its current call).
// Two handlers on two threads must not remove each other while both are being delivered.

#include <any>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace td {

class MainQueue;

struct Notification {
  std::string name;
  std::any object;
  std::map<std::string, std::string> userInfo;

  // The user-information text under key, if any.
  std::optional<std::string> userInfoText(const std::string& key) const;
  // The object as T when it holds exactly a T.
  template <typename T>
  const T* objectAs() const {
    return std::any_cast<T>(&object);
  }
};

// 0 is never handed out, so a default-initialised token means "not registered".
using ObserverToken = std::uint64_t;

class NotificationCenter {
 public:
  using Handler = std::function<void(const Notification&)>;

  // mainQueue: where postOnMainThread() posts; nullptr uses the process-wide main queue
  // (MainQueue::instance()) at the time of each post. The queue must outlive the centre.
  explicit NotificationCenter(MainQueue* mainQueue = nullptr);
  ~NotificationCenter();
  NotificationCenter(const NotificationCenter&) = delete;
  NotificationCenter& operator=(const NotificationCenter&) = delete;

  // The process-wide centre. It is never destroyed, so it can be used during shut-down too.
  static NotificationCenter& defaultCenter();

  ObserverToken addObserver(std::string name, Handler handler);
  // Removing an unknown or already removed token does nothing.
  void removeObserver(ObserverToken token);

  void post(const Notification& notification) const;
  void post(std::string name, std::any object = {}, std::map<std::string, std::string> userInfo = {}) const;

  // Delivers on the main queue later. If the centre is destroyed before the task runs, the
  // notification is dropped; without a main queue it is dropped with a log line.
  void postOnMainThread(Notification notification) const;
  void postOnMainThread(std::string name, std::any object = {},
                        std::map<std::string, std::string> userInfo = {}) const;

  // Number of live registrations under name (for diagnostics and tests).
  std::size_t observerCount(const std::string& name) const;

 private:
  struct State;
  std::shared_ptr<State> state_;
  MainQueue* mainQueue_;
};

}  // namespace td
