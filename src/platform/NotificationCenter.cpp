#include "platform/NotificationCenter.h"

#include "platform/MainQueue.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace td {

std::optional<std::string> Notification::userInfoText(const std::string& key) const {
  const auto it = userInfo.find(key);
  if (it == userInfo.end()) return std::nullopt;
  return it->second;
}

namespace {

// One registration. The handler never changes after construction; the mutex guards the removal
// flag and the list of threads that are inside the handler right now.
struct Entry {
  Entry(ObserverToken t, NotificationCenter::Handler h) : token(t), handler(std::move(h)) {}

  const ObserverToken token;
  const NotificationCenter::Handler handler;
  std::mutex mutex;
  std::condition_variable idle;
  bool removed = false;
  std::vector<std::thread::id> running;  // one element per call in progress (recursion repeats)
};

}  // namespace

struct NotificationCenter::State {
  mutable std::mutex mutex;
  ObserverToken nextToken = 1;
  std::map<std::string, std::vector<std::shared_ptr<Entry>>> byName;
  std::unordered_map<ObserverToken, std::string> nameOfToken;

  void deliver(const Notification& n) const {
    std::vector<std::shared_ptr<Entry>> snapshot;
    {
      std::lock_guard lock(mutex);
      const auto it = byName.find(n.name);
      if (it == byName.end()) return;
      snapshot = it->second;
    }
    const auto self = std::this_thread::get_id();
    for (const auto& entry : snapshot) {
      {
        std::lock_guard lock(entry->mutex);
        if (entry->removed) continue;
        entry->running.push_back(self);
      }
      struct Leave {
        Entry& e;
        std::thread::id id;
        ~Leave() {
          std::lock_guard lock(e.mutex);
          e.running.erase(std::find(e.running.begin(), e.running.end(), id));
          e.idle.notify_all();
        }
      } leave{*entry, self};
      entry->handler(n);
    }
  }
};

NotificationCenter::NotificationCenter(MainQueue* mainQueue)
    : state_(std::make_shared<State>()), mainQueue_(mainQueue) {}

NotificationCenter::~NotificationCenter() = default;

NotificationCenter& NotificationCenter::defaultCenter() {
  static NotificationCenter* center = new NotificationCenter();
  return *center;
}

ObserverToken NotificationCenter::addObserver(std::string name, Handler handler) {
  std::lock_guard lock(state_->mutex);
  const ObserverToken token = state_->nextToken++;
  state_->byName[name].push_back(std::make_shared<Entry>(token, std::move(handler)));
  state_->nameOfToken.emplace(token, std::move(name));
  return token;
}

void NotificationCenter::removeObserver(ObserverToken token) {
  std::shared_ptr<Entry> entry;
  {
    std::lock_guard lock(state_->mutex);
    const auto named = state_->nameOfToken.find(token);
    if (named == state_->nameOfToken.end()) return;
    auto list = state_->byName.find(named->second);
    auto& entries = list->second;
    const auto it = std::find_if(entries.begin(), entries.end(),
                                 [token](const auto& e) { return e->token == token; });
    entry = *it;
    entries.erase(it);
    if (entries.empty()) state_->byName.erase(list);
    state_->nameOfToken.erase(named);
  }
  // Wait for calls in progress on other threads; a call on this thread is the caller itself.
  const auto self = std::this_thread::get_id();
  std::unique_lock lock(entry->mutex);
  entry->removed = true;
  entry->idle.wait(lock, [&] {
    return std::all_of(entry->running.begin(), entry->running.end(),
                       [&](std::thread::id id) { return id == self; });
  });
}

void NotificationCenter::post(const Notification& notification) const { state_->deliver(notification); }

void NotificationCenter::post(std::string name, std::any object,
                              std::map<std::string, std::string> userInfo) const {
  state_->deliver(Notification{std::move(name), std::move(object), std::move(userInfo)});
}

void NotificationCenter::postOnMainThread(Notification notification) const {
  std::weak_ptr<State> weak = state_;
  MainQueue::Task task = [weak, n = std::move(notification)] {
    if (const auto state = weak.lock()) state->deliver(n);
  };
  if (mainQueue_) {
    mainQueue_->post(std::move(task));
  } else {
    MainQueue::postToMain(std::move(task));
  }
}

void NotificationCenter::postOnMainThread(std::string name, std::any object,
                                          std::map<std::string, std::string> userInfo) const {
  postOnMainThread(Notification{std::move(name), std::move(object), std::move(userInfo)});
}

std::size_t NotificationCenter::observerCount(const std::string& name) const {
  std::lock_guard lock(state_->mutex);
  const auto it = state_->byName.find(name);
  return it == state_->byName.end() ? 0 : it->second.size();
}

}  // namespace td
