#pragma once
// The idle quit: once the input devices have been idle for at least the seconds of the "IdleTime"
// setting (0 or absent: never), the application quits, once. The main window runs the check every
// second. Where the system's idle time cannot be told, the application never quits for idleness;
// the first check that meets this says so in the log.

#include <cstdint>
#include <functional>

namespace td {

class Defaults;

// Seconds since the last keyboard or mouse input; -1 when it cannot be told.
class IdleSource {
 public:
  virtual ~IdleSource() = default;
  virtual std::int64_t SystemIdleTime() = 0;
};

inline constexpr const char* IDLE_TIME_KEY = "IdleTime";

class IdleTimeChecker {
 public:
  IdleTimeChecker(const Defaults& defaults, IdleSource& source, std::function<void()> quit);

  // `startCheckingIdleTime`: quits when the idle time reached or passed the setting.
  void startCheckingIdleTime();
  bool fired() const { return fired_; }

 private:
  const Defaults& defaults_;
  IdleSource& source_;
  std::function<void()> quit_;
  bool fired_ = false;
  bool unavailableLogged_ = false;
};

}  // namespace td
