#pragma once
// The engine-wide bandwidth limit: bytes of all requests, uploads and downloads together, booked in
// one-second measuring windows. When a window's bookings exceed the limit, a wake-up time is set
// and throttled streams stay paused until it has passed; uploads read in slices of a quarter of the
// limit. A limit of 0 means no throttling. All state is guarded by one plain lock.

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

#include "platform/Clock.h"

namespace td {

class BandwidthThrottle {
 public:
  explicit BandwidthThrottle(Clock& clock) : clock_(&clock) {}

  void setClock(Clock& clock);

  bool isBandwidthThrottled() const;
  std::uint64_t maxBandwidthPerSecond() const;
  void setMaxBandwidthPerSecond(std::uint64_t bytes);

  // Books bytes against the current window.
  void incrementBandwidthUsedInLastSecond(std::uint64_t bytes);
  std::uint64_t averageBandwidthUsedPerSecond() const;

  // Closes the window when it has ended and computes the wake-up time.
  void measureBandwidthUsage();
  // How many body bytes an upload may read now (0 when none).
  std::uint64_t maxUploadReadLength();

  // The wake-up time (none until an excess or a spent upload allowance sets it).
  std::optional<Clock::TimePoint> throttleWakeUpTime() const;
  std::optional<Clock::TimePoint> bandwidthMeasurementDate() const;

  // Decides under the lock whether a stream must pause (throttled, the wake-up time ahead), may
  // resume (not throttled, or the wake-up time passed) or stays as it is (throttled, no wake-up time).
  enum class StreamDecision { Pause, Resume, Keep };
  StreamDecision decideStream() const;

  // The bytes a read may take now while throttled: a quarter of what is left of the window's
  // allowance, at least 1; `preferred` when not throttled or when that is smaller.
  std::uint64_t readLength(std::uint64_t preferred) const;

 private:
  void recordBandwidthUsageLocked();  // with mutex_ held

  mutable std::mutex mutex_;
  Clock* clock_;
  std::uint64_t maxBandwidthPerSecond_ = 0;
  std::uint64_t bandwidthUsedInLastSecond_ = 0;
  std::optional<Clock::TimePoint> bandwidthMeasurementDate_;
  std::deque<std::uint64_t> bandwidthUsageTracker_;
  std::uint64_t averageBandwidthUsedPerSecond_ = 0;
  std::optional<Clock::TimePoint> throttleWakeUpTime_;
};

}  // namespace td
