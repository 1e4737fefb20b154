#pragma once
// Seconds since the last keyboard or mouse input on the whole display: the X11 screen-saver
// extension's idle time where the application runs on an X display that has it. Elsewhere
// (Wayland, the offscreen platform) the system's idle time cannot be had, and the answer is -1:
// the time since the application's own last input would quit a user who works in other
// applications.

#include <memory>

#include "ui/X11IdleTime.h"
#include "ui/shell/IdleQuit.h"

namespace td {

class QtIdleSource final : public IdleSource {
 public:
  QtIdleSource();
  ~QtIdleSource() override;

  std::int64_t SystemIdleTime() override;
  // True when the X11 screen-saver extension answers.
  bool usesDisplayIdleTime() const { return x11_ != nullptr; }

 private:
  std::unique_ptr<X11IdleTime> x11_;
};

}  // namespace td
