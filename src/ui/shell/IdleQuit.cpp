#include "ui/shell/IdleQuit.h"

#include "platform/Defaults.h"
#include "platform/Log.h"

namespace td {

IdleTimeChecker::IdleTimeChecker(const Defaults& defaults, IdleSource& source, std::function<void()> quit)
    : defaults_(defaults), source_(source), quit_(std::move(quit)) {}

void IdleTimeChecker::startCheckingIdleTime() {
  if (fired_) return;
  const std::int64_t setting = defaults_.integerForKey(IDLE_TIME_KEY);
  if (setting <= 0) return;
  const std::int64_t idle = source_.SystemIdleTime();
  if (idle < 0) {
    if (!unavailableLogged_)
      TD_LOG_INFO("Idle time: the system's idle time is unavailable; the application does not quit for idleness");
    unavailableLogged_ = true;
    return;
  }
  // A check that comes late (a busy main thread) must not step over the one second that equals
  // the setting: any idle time at or past it quits.
  if (idle < setting) return;
  fired_ = true;
  TD_LOG_INFO("Idle for " + std::to_string(idle) + " s (setting " + std::to_string(setting) + " s): quitting");
  if (quit_) quit_();
}

}  // namespace td
