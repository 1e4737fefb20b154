#include "ui/QtIdleSource.h"

#include <QGuiApplication>

#include "ui/X11IdleTime.h"

namespace td {

QtIdleSource::QtIdleSource() {
  if (QGuiApplication::platformName() == QLatin1String("xcb")) x11_ = X11IdleTime::open();
}

QtIdleSource::~QtIdleSource() = default;

std::int64_t QtIdleSource::SystemIdleTime() { return x11_ ? x11_->idleSeconds() : -1; }

}  // namespace td
