#include "platform/Timer.h"

#include <mutex>

namespace td {

struct Timer::State {
  explicit State(DispatchQueue& q) : queue(q) {}

  DispatchQueue& queue;
  std::mutex mutex;
  std::shared_ptr<Handler> handler;
  std::uint64_t generation = 0;  // bumped by every start() and cancel(); older firings are void
  bool armed = false;
  Clock::TimePoint start;
  std::optional<Clock::Duration> interval;
  std::int64_t tick = 0;  // index of the tick scheduled next: due at start + tick * interval
  std::uint64_t scheduledId = 0;

  // Caller holds the mutex.
  void scheduleTick(const std::shared_ptr<State>& self) {
    const Clock::TimePoint due = Clock::tickDue(start, interval, tick);
    std::weak_ptr<State> weak = self;
    const std::uint64_t gen = generation;
    scheduledId = queue.scheduleAt(due, [weak, gen] { fire(weak, gen); });
    if (scheduledId == 0) armed = false;  // the queue has shut down
  }

  void disarm() {
    ++generation;
    armed = false;
    if (scheduledId != 0) queue.unschedule(scheduledId);
    scheduledId = 0;
  }

  static void fire(const std::weak_ptr<State>& weak, std::uint64_t gen) {
    std::shared_ptr<State> self = weak.lock();
    if (!self) return;
    std::shared_ptr<Handler> handler;
    {
      std::lock_guard lock(self->mutex);
      if (self->generation != gen || !self->armed) return;
      self->scheduledId = 0;
      if (self->interval) {
        // Next tick on the grid that is still to come; ticks the queue was too busy for are merged
        // into this firing, and the tick just fired is never scheduled again.
        self->tick = Clock::nextTick(self->start, *self->interval, self->tick, self->queue.clock().now());
        self->scheduleTick(self);
      } else {
        self->armed = false;
      }
      handler = self->handler;
    }
    if (handler && *handler) (*handler)();
  }
};

Timer::Timer(DispatchQueue& queue, Handler handler) : state_(std::make_shared<State>(queue)) {
  state_->handler = std::make_shared<Handler>(std::move(handler));
}

Timer::~Timer() { cancel(); }

void Timer::setHandler(Handler handler) {
  auto h = std::make_shared<Handler>(std::move(handler));
  std::lock_guard lock(state_->mutex);
  state_->handler.swap(h);
}

void Timer::start(Clock::Duration delay, std::optional<Clock::Duration> interval) {
  std::lock_guard lock(state_->mutex);
  state_->disarm();
  state_->armed = true;
  state_->start = Clock::later(state_->queue.clock().now(), delay);
  state_->interval = (interval && interval->count() > 0) ? interval : std::nullopt;
  state_->tick = 0;
  state_->scheduleTick(state_);
}

void Timer::cancel() {
  std::lock_guard lock(state_->mutex);
  state_->disarm();
}

bool Timer::isArmed() const {
  std::lock_guard lock(state_->mutex);
  return state_->armed;
}

}  // namespace td
