#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/ManualMainQueue.h"

namespace td {
namespace {

// A main queue that only runs what the test pumps, on the test's thread.
class PumpedQueue final : public MainQueue {
 public:
  void post(Task fn) override {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(fn));
  }
  bool isMainThread() const override { return std::this_thread::get_id() == main_; }
  Clock& clock() override { return Clock::steady(); }
  size_t pump() {
    size_t n = 0;
    for (;;) {
      Task t;
      {
        std::lock_guard lock(mutex_);
        if (tasks_.empty()) return n;
        t = std::move(tasks_.front());
        tasks_.pop_front();
      }
      t();
      ++n;
    }
  }

 protected:
  void postAt(Clock::TimePoint, Task fn) override { post(std::move(fn)); }

 private:
  std::mutex mutex_;
  std::deque<Task> tasks_;
  std::thread::id main_ = std::this_thread::get_id();
};

TEST(NotificationCenterPost, DeliversToObserversOfThatNameInRegistrationOrder) {
  NotificationCenter center;
  std::vector<std::string> calls;
  center.addObserver("A", [&](const Notification&) { calls.push_back("a1"); });
  center.addObserver("B", [&](const Notification&) { calls.push_back("b"); });
  center.addObserver("A", [&](const Notification&) { calls.push_back("a2"); });
  center.post("A");
  EXPECT_EQ(calls, (std::vector<std::string>{"a1", "a2"}));
  center.post("C");  // nobody listens
  EXPECT_EQ(calls.size(), 2u);
}

TEST(NotificationCenterPost, ObjectAndUserInfoReachTheObserver) {
  NotificationCenter center;
  std::string text;
  int object = 0;
  center.addObserver("DemoUserCreationNotification", [&](const Notification& n) {
    text = n.userInfoText("UserInfo").value_or("?");
    if (const int* p = n.objectAs<int>()) object = *p;
    EXPECT_FALSE(n.userInfoText("Other").has_value());
    EXPECT_EQ(n.objectAs<std::string>(), nullptr);
  });
  center.post("DemoUserCreationNotification", 7, {{"UserInfo", "demo1/pw"}});
  EXPECT_EQ(text, "demo1/pw");
  EXPECT_EQ(object, 7);
}

TEST(NotificationCenterObservers, SameHandlerRegisteredTwiceIsDeliveredTwiceUntilEachTokenIsRemoved) {
  NotificationCenter center;
  int count = 0;
  const auto handler = [&](const Notification&) { ++count; };
  const ObserverToken first = center.addObserver("OpenPositionTableNotification", handler);
  const ObserverToken second = center.addObserver("OpenPositionTableNotification", handler);
  EXPECT_NE(first, second);
  EXPECT_NE(first, ObserverToken{0});
  center.post("OpenPositionTableNotification");
  EXPECT_EQ(count, 2);

  center.removeObserver(first);
  center.post("OpenPositionTableNotification");
  EXPECT_EQ(count, 3);
  center.removeObserver(first);  // already gone: nothing happens
  center.removeObserver(0);
  center.removeObserver(999);
  EXPECT_EQ(center.observerCount("OpenPositionTableNotification"), 1u);

  center.removeObserver(second);
  center.post("OpenPositionTableNotification");
  EXPECT_EQ(count, 3);
  EXPECT_EQ(center.observerCount("OpenPositionTableNotification"), 0u);
}

TEST(NotificationCenterObservers, RemovalInsideADeliveryIsSafeAndTakesEffectAtOnce) {
  NotificationCenter center;
  std::vector<std::string> calls;
  ObserverToken self = 0, later = 0;
  self = center.addObserver("N", [&](const Notification&) {
    calls.push_back("self");
    center.removeObserver(self);   // its own token
    center.removeObserver(later);  // one not yet called in this delivery
  });
  later = center.addObserver("N", [&](const Notification&) { calls.push_back("later"); });
  center.addObserver("N", [&](const Notification&) { calls.push_back("last"); });

  center.post("N");
  EXPECT_EQ(calls, (std::vector<std::string>{"self", "last"}));
  center.post("N");
  EXPECT_EQ(calls, (std::vector<std::string>{"self", "last", "last"}));
}

TEST(NotificationCenterObservers, ObserverAddedDuringADeliveryGetsOnlyLaterPostsAndNestedPostsArrive) {
  NotificationCenter center;
  std::vector<std::string> calls;
  bool added = false;
  center.addObserver("N", [&](const Notification&) {
    calls.push_back("first");
    if (!added) {
      added = true;
      center.addObserver("N", [&](const Notification&) { calls.push_back("new"); });
      center.post("Inner");
    }
  });
  center.addObserver("Inner", [&](const Notification&) { calls.push_back("inner"); });
  center.post("N");
  EXPECT_EQ(calls, (std::vector<std::string>{"first", "inner"}));
  center.post("N");
  EXPECT_EQ(calls, (std::vector<std::string>{"first", "inner", "first", "new"}));
}

TEST(NotificationCenterMainThread, PostOnMainThreadDeliversOnTheMainQueueInOrder) {
  PumpedQueue queue;
  NotificationCenter center(&queue);
  std::vector<int> got;
  std::vector<bool> onMain;
  center.addObserver("N", [&](const Notification& n) {
    got.push_back(*n.objectAs<int>());
    onMain.push_back(queue.isMainThread());
  });
  std::thread poster([&] {
    for (int i = 0; i < 3; ++i) center.postOnMainThread("N", i);
  });
  poster.join();
  EXPECT_TRUE(got.empty());  // nothing before the main queue runs
  EXPECT_EQ(queue.pump(), 3u);
  EXPECT_EQ(got, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(onMain, (std::vector<bool>{true, true, true}));
}

TEST(NotificationCenterMainThread, PostOnMainThreadOfADestroyedCentreIsDropped) {
  PumpedQueue queue;
  int count = 0;
  {
    NotificationCenter center(&queue);
    center.addObserver("N", [&](const Notification&) { ++count; });
    center.postOnMainThread("N");
  }
  EXPECT_EQ(queue.pump(), 1u);
  EXPECT_EQ(count, 0);
}

TEST(NotificationCenterMainThread, WithoutAGivenQueueThePostGoesThroughTheProcessWideMainQueue) {
  NotificationCenter center;
  int count = 0;
  center.addObserver("LoginSuccessNotification", [&](const Notification&) { ++count; });

  std::vector<std::string> logged;
  log::setSink([&](log::Level, std::string_view text) { logged.emplace_back(text); });
  MainQueue::setInstance(nullptr);
  center.postOnMainThread("LoginSuccessNotification");  // no main queue: dropped with a log line
  EXPECT_EQ(logged.size(), 1u);
  log::setSink({});

  ManualMainQueue queue;
  MainQueue::setInstance(&queue);
  center.postOnMainThread("LoginSuccessNotification");
  EXPECT_EQ(count, 0);
  queue.runPending();
  MainQueue::setInstance(nullptr);
  EXPECT_EQ(count, 1);
}

TEST(NotificationCenterThreads, ConcurrentPostsLoseNothingWhileOtherObserversComeAndGo) {
  NotificationCenter center;
  std::atomic<int> stable{0};
  center.addObserver("N", [&](const Notification&) { stable.fetch_add(1, std::memory_order_relaxed); });

  constexpr int kPosters = 4, kPosts = 2000;
  std::atomic<bool> stop{false};
  std::thread churn([&] {
    std::atomic<int> ignored{0};
    while (!stop.load()) {
      const auto t = center.addObserver("N", [&](const Notification&) { ignored.fetch_add(1); });
      center.removeObserver(t);
    }
  });
  std::vector<std::thread> posters;
  for (int p = 0; p < kPosters; ++p) {
    posters.emplace_back([&] {
      for (int i = 0; i < kPosts; ++i) center.post("N");
    });
  }
  for (auto& t : posters) t.join();
  stop = true;
  churn.join();
  EXPECT_EQ(stable.load(), kPosters * kPosts);
}

TEST(NotificationCenterThreads, RemoveObserverWaitsForADeliveryInProgressOnAnotherThread) {
  NotificationCenter center;
  std::atomic<bool> inside{false}, release{false}, finished{false}, removed{false};
  const auto token = center.addObserver("N", [&](const Notification&) {
    inside = true;
    while (!release.load()) std::this_thread::yield();
    finished = true;
  });
  std::thread poster([&] { center.post("N"); });
  while (!inside.load()) std::this_thread::yield();

  std::thread remover([&] {
    center.removeObserver(token);
    EXPECT_TRUE(finished.load());  // the handler had returned before removal returned
    removed = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(removed.load());
  release = true;
  remover.join();
  poster.join();
  EXPECT_TRUE(removed.load());
}

}  // namespace
}  // namespace td
