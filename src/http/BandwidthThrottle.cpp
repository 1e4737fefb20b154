#include "http/BandwidthThrottle.h"

#include <chrono>
#include <numeric>

namespace td {

void BandwidthThrottle::setClock(Clock& clock) {
  std::lock_guard lock(mutex_);
  clock_ = &clock;
}

bool BandwidthThrottle::isBandwidthThrottled() const {
  std::lock_guard lock(mutex_);
  return maxBandwidthPerSecond_ > 0;
}

std::uint64_t BandwidthThrottle::maxBandwidthPerSecond() const {
  std::lock_guard lock(mutex_);
  return maxBandwidthPerSecond_;
}

void BandwidthThrottle::setMaxBandwidthPerSecond(std::uint64_t bytes) {
  std::lock_guard lock(mutex_);
  maxBandwidthPerSecond_ = bytes;
}

void BandwidthThrottle::incrementBandwidthUsedInLastSecond(std::uint64_t bytes) {
  std::lock_guard lock(mutex_);
  bandwidthUsedInLastSecond_ += bytes;
}

std::uint64_t BandwidthThrottle::averageBandwidthUsedPerSecond() const {
  std::lock_guard lock(mutex_);
  return averageBandwidthUsedPerSecond_;
}

std::optional<Clock::TimePoint> BandwidthThrottle::throttleWakeUpTime() const {
  std::lock_guard lock(mutex_);
  return throttleWakeUpTime_;
}

std::optional<Clock::TimePoint> BandwidthThrottle::bandwidthMeasurementDate() const {
  std::lock_guard lock(mutex_);
  return bandwidthMeasurementDate_;
}

void BandwidthThrottle::recordBandwidthUsageLocked() {
  const Clock::TimePoint now = clock_->now();
  if (bandwidthUsedInLastSecond_ == 0) {
    bandwidthUsageTracker_.clear();
  } else {
    // One old entry goes for each started second by which the window end lies in the past, and at
    // most five old entries stay.
    double lag = bandwidthMeasurementDate_
                     ? std::chrono::duration<double>(*bandwidthMeasurementDate_ - now).count()
                     : 0.0;
    while (!bandwidthUsageTracker_.empty() && (lag < 0 || bandwidthUsageTracker_.size() >= 6)) {
      bandwidthUsageTracker_.pop_front();
      lag += 1;
    }
  }
  bandwidthUsageTracker_.push_back(bandwidthUsedInLastSecond_);
  bandwidthMeasurementDate_ = now + std::chrono::seconds(1);
  bandwidthUsedInLastSecond_ = 0;
  const std::uint64_t total = std::accumulate(bandwidthUsageTracker_.begin(), bandwidthUsageTracker_.end(), std::uint64_t{0});
  averageBandwidthUsedPerSecond_ = total / bandwidthUsageTracker_.size();
}

void BandwidthThrottle::measureBandwidthUsage() {
  std::lock_guard lock(mutex_);
  if (!bandwidthMeasurementDate_ || *bandwidthMeasurementDate_ < clock_->now()) recordBandwidthUsageLocked();
  if (maxBandwidthPerSecond_ > 0 && bandwidthUsedInLastSecond_ > maxBandwidthPerSecond_) {
    // Paused until the window end plus the time the excess takes at the limit.
    const double excess = static_cast<double>(bandwidthUsedInLastSecond_ - maxBandwidthPerSecond_);
    const auto pause = std::chrono::duration_cast<Clock::Duration>(
        std::chrono::duration<double>(excess / static_cast<double>(maxBandwidthPerSecond_)));
    throttleWakeUpTime_ = *bandwidthMeasurementDate_ + pause;
  }
}

std::uint64_t BandwidthThrottle::maxUploadReadLength() {
  std::lock_guard lock(mutex_);
  std::uint64_t allowance = maxBandwidthPerSecond_ >> 2;
  if (maxBandwidthPerSecond_ > 0 && bandwidthUsedInLastSecond_ + allowance > maxBandwidthPerSecond_) {
    allowance = bandwidthUsedInLastSecond_ >= maxBandwidthPerSecond_ ? 0 : maxBandwidthPerSecond_ - bandwidthUsedInLastSecond_;
  }
  if (allowance == 0 || !bandwidthMeasurementDate_ || *bandwidthMeasurementDate_ < clock_->now())
    throttleWakeUpTime_ = bandwidthMeasurementDate_;
  return allowance;
}

BandwidthThrottle::StreamDecision BandwidthThrottle::decideStream() const {
  std::lock_guard lock(mutex_);
  if (maxBandwidthPerSecond_ == 0) return StreamDecision::Resume;
  if (!throttleWakeUpTime_) return StreamDecision::Keep;
  return *throttleWakeUpTime_ > clock_->now() ? StreamDecision::Pause : StreamDecision::Resume;
}

std::uint64_t BandwidthThrottle::readLength(std::uint64_t preferred) const {
  std::lock_guard lock(mutex_);
  if (maxBandwidthPerSecond_ == 0) return preferred;
  const std::int64_t remaining =
      static_cast<std::int64_t>(maxBandwidthPerSecond_) - static_cast<std::int64_t>(bandwidthUsedInLastSecond_);
  std::uint64_t size = preferred;
  if (remaining < 0) size = 1;
  else if (static_cast<std::uint64_t>(remaining / 4) < size) size = static_cast<std::uint64_t>(remaining / 4);
  return size < 1 ? 1 : size;
}

}  // namespace td
