#include "platform/RealtimeMainQueue.h"

namespace td {

RealtimeMainQueue::RealtimeMainQueue(Clock& clock) : clock_(clock), mainThread_(std::this_thread::get_id()) {
  clockListener_ = clock_.addListener([this] {
    std::lock_guard lock(mutex_);
    wake_.notify_all();
  });
}

RealtimeMainQueue::~RealtimeMainQueue() {
  clock_.removeListener(clockListener_);
  if (instance() == this) setInstance(nullptr);
}

void RealtimeMainQueue::post(Task fn) {
  std::lock_guard lock(mutex_);
  ready_.push_back(std::move(fn));
  wake_.notify_all();
}

void RealtimeMainQueue::postAt(Clock::TimePoint due, Task fn) {
  std::lock_guard lock(mutex_);
  timers_.add(due, std::move(fn));
  wake_.notify_all();
}

bool RealtimeMainQueue::isMainThread() const { return mainThread_.load() == std::this_thread::get_id(); }

Clock& RealtimeMainQueue::clock() { return clock_; }

void RealtimeMainQueue::run() { loop(std::chrono::steady_clock::time_point::max()); }

bool RealtimeMainQueue::runFor(std::chrono::milliseconds limit) {
  return loop(std::chrono::steady_clock::now() + limit);
}

void RealtimeMainQueue::quit() {
  std::lock_guard lock(mutex_);
  quit_ = true;
  wake_.notify_all();
}

bool RealtimeMainQueue::loop(std::chrono::steady_clock::time_point realLimit) {
  mainThread_ = std::this_thread::get_id();
  std::unique_lock lock(mutex_);
  for (;;) {
    if (quit_) {
      quit_ = false;
      return true;
    }
    // Due timers join the posted tasks in time order, so a stream of posts cannot starve them.
    if (!timers_.empty()) {
      const Clock::TimePoint now = clock_.now();
      while (auto fn = timers_.popDue(now)) ready_.push_back(std::move(*fn));
    }
    if (ready_.empty()) {
      const auto next = timers_.nextDue();
      const Clock::TimePoint wake = std::min(next ? clock_.realWakeTime(*next) : Clock::TimePoint::max(), realLimit);
      if (wake == Clock::TimePoint::max()) {
        wake_.wait(lock);
      } else if (wake_.wait_until(lock, wake) == std::cv_status::timeout && std::chrono::steady_clock::now() >= realLimit) {
        return false;
      }
      continue;
    }
    Task fn = std::move(ready_.front());
    ready_.pop_front();
    lock.unlock();
    fn();
    fn = nullptr;
    lock.lock();
  }
}

}  // namespace td
