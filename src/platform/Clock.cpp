#include "platform/Clock.h"

#include <algorithm>

namespace td {

std::uint64_t Clock::addListener(Listener) { return 0; }
void Clock::removeListener(std::uint64_t) {}

Clock::TimePoint Clock::tickDue(TimePoint start, std::optional<Duration> interval, std::int64_t tick) {
  return interval ? later(start, tick * *interval) : start;
}

std::int64_t Clock::nextTick(TimePoint start, Duration interval, std::int64_t fired, TimePoint now) {
  const Duration elapsed = now - start;
  const std::int64_t passed = elapsed.count() < 0 ? 0 : elapsed / interval + 1;
  return std::max(fired + 1, passed);
}

Clock& Clock::steady() {
  // Never destroyed: a queue's thread that finishes after main() returned (a socket queue released
  // on its own thread) still reads it.
  static SteadyClock* const clock = new SteadyClock;
  return *clock;
}

ManualClock::ManualClock() : ManualClock(TimePoint{} + std::chrono::hours(1)) {}

ManualClock::ManualClock(TimePoint start) : nanos_(start.time_since_epoch().count()) {}

Clock::TimePoint ManualClock::now() const {
  return TimePoint{Duration{nanos_.load(std::memory_order_acquire)}};
}

Clock::TimePoint ManualClock::realWakeTime(TimePoint) const { return TimePoint::max(); }

void ManualClock::advance(Duration by) {
  if (by.count() > 0) nanos_.fetch_add(by.count(), std::memory_order_acq_rel);
  notify();
}

void ManualClock::advanceTo(TimePoint to) {
  const std::int64_t target = to.time_since_epoch().count();
  std::int64_t current = nanos_.load(std::memory_order_acquire);
  while (current < target && !nanos_.compare_exchange_weak(current, target, std::memory_order_acq_rel)) {
  }
  notify();
}

std::uint64_t ManualClock::addListener(Listener listener) {
  std::lock_guard lock(listenersMutex_);
  const std::uint64_t id = nextListener_++;
  listeners_.emplace(id, std::move(listener));
  return id;
}

void ManualClock::removeListener(std::uint64_t id) {
  std::lock_guard lock(listenersMutex_);
  listeners_.erase(id);
}

void ManualClock::notify() {
  std::lock_guard lock(listenersMutex_);
  for (auto& [id, listener] : listeners_) listener();
}

}  // namespace td
