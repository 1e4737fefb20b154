#pragma once
// Test doubles for the banner library: a main queue pumped by hand and a window that records what
// the controller asks of it and ends its slides on that queue.

#include <functional>
#include <chrono>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "platform/ManualMainQueue.h"
#include "ui/banners/BannerEnvironment.h"
#include "ui/banners/CNUserNotificationBannerController.h"

namespace td::test {

// Seconds on a hand-pumped main queue: advance() runs every timer that falls due, in time order.
class SecondsClock {
 public:
  explicit SecondsClock(ManualMainQueue& queue) : queue_(queue), start_(queue.clock().now()) {}
  double now() const { return now_; }
  void advance(double seconds) { advanceTo(now_ + seconds); }
  void advanceTo(double time) {
    now_ = time;
    queue_.advance(start_ + toDuration(time) - queue_.clock().now());
  }
  static Clock::Duration toDuration(double seconds) {
    return std::chrono::round<Clock::Duration>(std::chrono::duration<double>(seconds));
  }

 private:
  ManualMainQueue& queue_;
  Clock::TimePoint start_;
  double now_ = 0;
};

// What a recording window saw, shared by all windows of one test.
struct ViewLog {
  std::vector<std::string> events;  // "prepare #1", "slideIn #1", "front #1", "slideOut #1", "close #1"
  int nextId = 1;
};

class RecordingBannerView : public BannerView {
 public:
  RecordingBannerView(MainQueue& queue, ViewLog& log) : queue_(queue), log_(log), id_(log.nextId++) {}
  void prepare() override { note("prepare"); }
  void slideIn(double seconds, std::function<void()> done) override {
    note("slideIn");
    visible_ = true;
    timers_.push_back(queue_.schedule(toDuration(seconds), std::move(done)));
  }
  void slideOut(double seconds, std::function<void()> done) override {
    note("slideOut");
    timers_.push_back(queue_.schedule(toDuration(seconds), std::move(done)));
  }
  void makeKeyAndOrderFront() override { note("front"); }
  void close() override {
    note("close");
    visible_ = false;
  }
  int id() const { return id_; }
  bool visible() const { return visible_; }

 private:
  void note(const char* what) { log_.events.push_back(std::string(what) + " #" + std::to_string(id_)); }
  static Clock::Duration toDuration(double seconds) { return SecondsClock::toDuration(seconds); }
  MainQueue& queue_;
  ViewLog& log_;
  int id_;
  bool visible_ = false;
  std::vector<TimerHandle> timers_;  // the slides end with the window
};

// Installs a hand-pumped main queue, recording windows and a sound recorder as the banner
// environment.
struct RecordingEnvironment {
  ManualMainQueue queue;
  SecondsClock clock{queue};
  ViewLog views;
  std::vector<std::string> soundsPlayed;

  RecordingEnvironment() {
    BannerEnvironment env;
    env.queue = &queue;
    env.makeView = [this](CNUserNotificationBannerController&) -> std::unique_ptr<BannerView> {
      return std::make_unique<RecordingBannerView>(queue, views);
    };
    env.playSound = [this](const std::string& name) { soundsPlayed.push_back(name); };
    installBannerEnvironment(std::move(env));
  }
  ~RecordingEnvironment() { installBannerEnvironment({}); }
};

}  // namespace td::test
