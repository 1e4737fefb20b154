#pragma once
// One-shot and repeating timers that fire on a DispatchQueue.
//
// A repeating timer ticks at start + n * interval (start = the moment start() was called plus the
// delay), so it never drifts however long its handler takes; when the queue was busy past one or
// more ticks, the handler runs once for them and the timer carries on at the next tick that is still
// to come, so no tick fires twice.
//
// Cancellation: cancel() (or start() again, or the destructor) called on the timer's queue takes
// effect at once: the old schedule's handler never runs afterwards. Called from another thread, a
// handler that has already started may finish, and one that was about to start may still run once.

#include <functional>
#include <memory>
#include <optional>

#include "platform/Clock.h"
#include "platform/DispatchQueue.h"

namespace td {

class Timer {
 public:
  using Handler = std::function<void()>;

  // The queue must outlive the timer's last firing (in practice: the timer).
  Timer(DispatchQueue& queue, Handler handler);
  ~Timer();  // cancels

  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  // Replaces the handler; the next firing uses the new one.
  void setHandler(Handler handler);

  // Arms (or re-arms, dropping the previous schedule): the first firing after `delay` (negative
  // counts as zero), then every `interval` when one is given and positive, else only once.
  void start(Clock::Duration delay, std::optional<Clock::Duration> interval = std::nullopt);
  void cancel();
  // True from start() until cancel(), or until a one-shot timer has fired.
  bool isArmed() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace td
