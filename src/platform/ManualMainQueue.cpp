#include "platform/ManualMainQueue.h"

namespace td {

ManualMainQueue::ManualMainQueue(ManualClock* clock)
    : ownClock_(clock ? nullptr : std::make_unique<ManualClock>()),
      clock_(clock ? clock : ownClock_.get()),
      mainThread_(std::this_thread::get_id()) {}

ManualMainQueue::~ManualMainQueue() {
  if (instance() == this) setInstance(nullptr);
}

void ManualMainQueue::post(Task fn) {
  std::lock_guard lock(mutex_);
  ready_.push_back(std::move(fn));
  posted_.notify_all();
}

void ManualMainQueue::postAt(Clock::TimePoint due, Task fn) {
  std::lock_guard lock(mutex_);
  timers_.add(due, std::move(fn));
  posted_.notify_all();
}

bool ManualMainQueue::isMainThread() const { return mainThread_.load() == std::this_thread::get_id(); }

ManualClock& ManualMainQueue::clock() { return *clock_; }

void ManualMainQueue::bindToCurrentThread() { mainThread_ = std::this_thread::get_id(); }

bool ManualMainQueue::takeReady(Task& out) {
  std::lock_guard lock(mutex_);
  if (!ready_.empty()) {
    out = std::move(ready_.front());
    ready_.pop_front();
    return true;
  }
  if (auto fn = timers_.popDue(clock_->now())) {
    out = std::move(*fn);
    return true;
  }
  return false;
}

bool ManualMainQueue::runOne() {
  Task fn;
  if (!takeReady(fn)) return false;
  fn();
  return true;
}

std::size_t ManualMainQueue::runPending() {
  std::size_t count = 0;
  while (runOne()) ++count;
  return count;
}

std::size_t ManualMainQueue::advance(Clock::Duration by) {
  const Clock::TimePoint target = Clock::later(clock_->now(), by);
  std::size_t count = runPending();
  for (;;) {
    std::optional<Clock::TimePoint> next;
    {
      std::lock_guard lock(mutex_);
      next = timers_.nextDue();
    }
    if (!next || *next > target) break;
    clock_->advanceTo(*next);
    count += runPending();
  }
  clock_->advanceTo(target);
  return count + runPending();
}

bool ManualMainQueue::runUntil(const std::function<bool()>& pred, std::chrono::milliseconds realTimeout) {
  const auto deadline = std::chrono::steady_clock::now() + realTimeout;
  for (;;) {
    runPending();
    if (pred()) return true;
    std::unique_lock lock(mutex_);
    const bool woke = posted_.wait_until(lock, deadline, [this] {
      if (!ready_.empty()) return true;
      const auto next = timers_.nextDue();
      return next && *next <= clock_->now();
    });
    if (!woke) break;
  }
  runPending();
  return pred();
}

std::size_t ManualMainQueue::pendingPosts() const {
  std::lock_guard lock(mutex_);
  return ready_.size();
}

std::size_t ManualMainQueue::pendingTimers() const {
  std::lock_guard lock(mutex_);
  return timers_.size();
}

}  // namespace td
