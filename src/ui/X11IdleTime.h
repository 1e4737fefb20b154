#pragma once
// The X11 screen-saver extension's idle time, on a display connection of its own (kept apart from
// Qt's headers: Xlib's macros clash with Qt's names).

#include <cstdint>
#include <memory>

namespace td {

class X11IdleTime {
 public:
  // A connection to $DISPLAY whose server has the extension; nothing otherwise.
  static std::unique_ptr<X11IdleTime> open();
  ~X11IdleTime();
  X11IdleTime(const X11IdleTime&) = delete;
  X11IdleTime& operator=(const X11IdleTime&) = delete;

  // Seconds since the last input on the display; -1 when the query fails.
  std::int64_t idleSeconds();

 private:
  X11IdleTime() = default;
  void* display_ = nullptr;
  void* info_ = nullptr;
};

}  // namespace td
