#pragma once
// The main thread's executor. All session state lives on the main thread; other threads hand work to
// it with post() ("perform on the main thread without waiting"). Three implementations: the Qt event
// loop (QtMainQueue, src/ui), a real-time loop without Qt (RealtimeMainQueue: probe, simulated
// server) and a hand-pumped one with a manual clock (ManualMainQueue: tests).
//
// Order: posted tasks run in the order they were posted; timers run when due, those due at the same
// instant in the order they were scheduled. Repeating timers tick at start + n * interval (no drift)
// and run once for ticks that the loop missed (no tick fires twice).

#include <functional>
#include <memory>
#include <mutex>

#include "platform/Clock.h"

namespace td {

// Cancels the timer it came from. Move-only; destroying or reassigning an active handle cancels
// its timer. cancel() on the main thread takes effect at once: the task never runs afterwards.
class TimerHandle {
 public:
  struct Control {
    virtual ~Control() = default;
    virtual void cancel() = 0;
    virtual bool active() const = 0;
  };

  TimerHandle() = default;
  explicit TimerHandle(std::shared_ptr<Control> control) : control_(std::move(control)) {}
  ~TimerHandle() { cancel(); }
  TimerHandle(TimerHandle&&) noexcept = default;
  TimerHandle& operator=(TimerHandle&& other) noexcept {
    if (this != &other) {
      cancel();
      control_ = std::move(other.control_);
    }
    return *this;
  }
  TimerHandle(const TimerHandle&) = delete;
  TimerHandle& operator=(const TimerHandle&) = delete;

  void cancel() {
    if (control_) control_->cancel();
    control_.reset();
  }
  // True while the timer can still fire (a one-shot timer stops being active once it has run).
  bool active() const { return control_ && control_->active(); }

 private:
  std::shared_ptr<Control> control_;
};

class MainQueue {
 public:
  using Task = std::function<void()>;

  virtual ~MainQueue() = default;

  // Runs fn later on the main thread. Safe from any thread, also from the main thread itself (the
  // task runs after the current one, never inline).
  virtual void post(Task fn) = 0;

  // Runs fn on the main thread once `delay` has passed on clock(). Fire and forget.
  void postAfter(Clock::Duration delay, Task fn);

  // A cancellable one-shot timer: fn runs once after `delay` unless the handle is cancelled first.
  [[nodiscard]] TimerHandle schedule(Clock::Duration delay, Task fn);

  // A repeating timer: fn runs every `interval` (the first time one interval from now) until the
  // handle is cancelled. A non-positive interval is taken as one millisecond.
  [[nodiscard]] TimerHandle scheduleRepeating(Clock::Duration interval, Task fn);

  virtual bool isMainThread() const = 0;

  // The time base of the timers.
  virtual Clock& clock() = 0;

  // The process-wide main queue, set by whoever owns the main loop (the application, the probe, the
  // simulated server, a test fixture). setInstance(nullptr) clears it. Lower layers use it to post
  // to the main thread; post() through a missing instance is dropped with a log line.
  static MainQueue* instance();
  static void setInstance(MainQueue* queue);
  // Posts through instance(); false (fn dropped, one log line) when none is set.
  static bool postToMain(Task fn);

 protected:
  // What implementations supply for timers: run fn on the main thread at `due` on clock(). Safe from
  // any thread. Tasks for the same instant run in the order they were scheduled.
  virtual void postAt(Clock::TimePoint due, Task fn) = 0;
};

}  // namespace td
