#include "ui/X11IdleTime.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace td {

std::unique_ptr<X11IdleTime> X11IdleTime::open() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return nullptr;
  int eventBase = 0, errorBase = 0;
  XScreenSaverInfo* info = XScreenSaverQueryExtension(display, &eventBase, &errorBase) ? XScreenSaverAllocInfo() : nullptr;
  if (!info) {
    XCloseDisplay(display);
    return nullptr;
  }
  std::unique_ptr<X11IdleTime> idle(new X11IdleTime);
  idle->display_ = display;
  idle->info_ = info;
  return idle;
}

X11IdleTime::~X11IdleTime() {
  if (info_) XFree(info_);
  if (display_) XCloseDisplay(static_cast<Display*>(display_));
}

std::int64_t X11IdleTime::idleSeconds() {
  auto* display = static_cast<Display*>(display_);
  auto* info = static_cast<XScreenSaverInfo*>(info_);
  if (!XScreenSaverQueryInfo(display, DefaultRootWindow(display), info)) return -1;
  return static_cast<std::int64_t>(info->idle / 1000);
}

}  // namespace td
