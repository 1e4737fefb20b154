#include "platform/MainQueue.h"

#include <atomic>
#include <optional>

#include "platform/Log.h"

namespace td {
namespace {

std::atomic<MainQueue*> gInstance{nullptr};

// The state behind a TimerHandle of a main-queue timer. Each firing is a postAt() task that holds
// the state weakly; a repeating timer posts its next tick before it runs the task.
class MainTimer final : public TimerHandle::Control, public std::enable_shared_from_this<MainTimer> {
 public:
  using PostAt = std::function<void(Clock::TimePoint, MainQueue::Task)>;

  MainTimer(Clock& clock, PostAt postAt, MainQueue::Task fn, Clock::TimePoint start,
            std::optional<Clock::Duration> interval)
      : clock_(clock), postAt_(std::move(postAt)), fn_(std::make_shared<MainQueue::Task>(std::move(fn))),
        start_(start), interval_(interval) {}

  void arm() {
    std::lock_guard lock(mutex_);
    scheduleLocked();
  }

  void cancel() override {
    std::shared_ptr<MainQueue::Task> fn;  // captured state dies outside the lock
    std::lock_guard lock(mutex_);
    active_ = false;
    fn.swap(fn_);
  }

  bool active() const override {
    std::lock_guard lock(mutex_);
    return active_;
  }

 private:
  void scheduleLocked() {
    std::weak_ptr<MainTimer> weak = weak_from_this();
    postAt_(Clock::tickDue(start_, interval_, tick_), [weak] {
      if (auto self = weak.lock()) self->fire();
    });
  }

  void fire() {
    std::shared_ptr<MainQueue::Task> fn;
    {
      std::lock_guard lock(mutex_);
      if (!active_) return;
      if (interval_) {
        tick_ = Clock::nextTick(start_, *interval_, tick_, clock_.now());
        scheduleLocked();
      } else {
        active_ = false;
      }
      fn = fn_;
    }
    if (fn && *fn) (*fn)();
  }

  Clock& clock_;
  const PostAt postAt_;
  mutable std::mutex mutex_;
  std::shared_ptr<MainQueue::Task> fn_;
  const Clock::TimePoint start_;
  const std::optional<Clock::Duration> interval_;
  std::int64_t tick_ = 0;
  bool active_ = true;
};

}  // namespace

void MainQueue::postAfter(Clock::Duration delay, Task fn) {
  postAt(Clock::later(clock().now(), delay), std::move(fn));
}

TimerHandle MainQueue::schedule(Clock::Duration delay, Task fn) {
  const Clock::TimePoint start = Clock::later(clock().now(), delay);
  auto timer = std::make_shared<MainTimer>(
      clock(), [this](Clock::TimePoint due, Task t) { postAt(due, std::move(t)); }, std::move(fn), start,
      std::nullopt);
  timer->arm();
  return TimerHandle(timer);
}

TimerHandle MainQueue::scheduleRepeating(Clock::Duration interval, Task fn) {
  if (interval <= Clock::Duration::zero()) interval = std::chrono::milliseconds(1);
  auto timer = std::make_shared<MainTimer>(
      clock(), [this](Clock::TimePoint due, Task t) { postAt(due, std::move(t)); }, std::move(fn),
      Clock::later(clock().now(), interval), interval);
  timer->arm();
  return TimerHandle(timer);
}

MainQueue* MainQueue::instance() { return gInstance.load(std::memory_order_acquire); }

void MainQueue::setInstance(MainQueue* queue) { gInstance.store(queue, std::memory_order_release); }

bool MainQueue::postToMain(Task fn) {
  MainQueue* queue = instance();
  if (!queue) {
    TD_LOG_WARN("main queue: no main queue is set; a task was dropped");
    return false;
  }
  queue->post(std::move(fn));
  return true;
}

}  // namespace td
