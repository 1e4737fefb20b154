#pragma once
// Injectable time. Everything that waits or times out reads time through a Clock, so that a test can
// run a 30-second time-out in a millisecond with a ManualClock that it advances by hand.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>

namespace td {

class Clock {
 public:
  using Duration = std::chrono::nanoseconds;
  using TimePoint = std::chrono::steady_clock::time_point;
  using Listener = std::function<void()>;

  virtual ~Clock() = default;

  // Monotonic current time. Safe from any thread.
  virtual TimePoint now() const = 0;

  // The real steady_clock instant at which a thread waiting for `deadline` on this clock should wake
  // to look again. The steady clock returns the deadline itself; a manual clock returns
  // TimePoint::max(): its waiters wake only when it is advanced (see addListener).
  virtual TimePoint realWakeTime(TimePoint deadline) const = 0;

  // Listeners are called synchronously, on the advancing thread, each time a manual clock moves
  // (never for the steady clock). A listener must not add or remove listeners. removeListener
  // waits until a call of that listener in progress has returned.
  virtual std::uint64_t addListener(Listener listener);
  virtual void removeListener(std::uint64_t id);

  // The process-wide real clock (std::chrono::steady_clock).
  static Clock& steady();

  // `from` + `by`, with a negative `by` counted as zero and the sum held at TimePoint::max()
  // instead of overflowing (a time-out of "forever").
  static TimePoint later(TimePoint from, Duration by) {
    if (by <= Duration::zero()) return from;
    if (by > TimePoint::max() - from) return TimePoint::max();
    return from + by;
  }

  // The grid of a repeating timer: tick k falls due at start + k x interval (a one-shot timer has
  // only `start`). nextTick gives the tick to schedule once tick `fired` has run at `now`: ticks a
  // busy queue missed merge into that firing, and no tick is scheduled twice.
  static TimePoint tickDue(TimePoint start, std::optional<Duration> interval, std::int64_t tick);
  static std::int64_t nextTick(TimePoint start, Duration interval, std::int64_t fired, TimePoint now);
};

class SteadyClock final : public Clock {
 public:
  TimePoint now() const override { return std::chrono::steady_clock::now(); }
  TimePoint realWakeTime(TimePoint deadline) const override { return deadline; }
};

// A clock that stands still until advanced. It starts at an arbitrary fixed instant (one hour after
// the steady clock's epoch), so that now() minus a few seconds is still a valid time point.
class ManualClock final : public Clock {
 public:
  ManualClock();
  explicit ManualClock(TimePoint start);

  TimePoint now() const override;
  TimePoint realWakeTime(TimePoint deadline) const override;

  // Moves time forward by `by` (negative durations are ignored), then calls every listener.
  void advance(Duration by);
  // Moves time to `to` when that is later than now, then calls every listener.
  void advanceTo(TimePoint to);

  std::uint64_t addListener(Listener listener) override;
  void removeListener(std::uint64_t id) override;

 private:
  void notify();

  std::atomic<std::int64_t> nanos_;  // since the steady clock's epoch
  std::mutex listenersMutex_;
  std::map<std::uint64_t, Listener> listeners_;
  std::uint64_t nextListener_ = 1;
};

}  // namespace td
