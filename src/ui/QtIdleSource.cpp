#include "ui/QtIdleSource.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <cstdlib>

#include "platform/Log.h"
#include "ui/X11IdleTime.h"

namespace td {

QtIdleSource::QtIdleSource(QObject* parent) : QObject(parent), lastInput_(std::chrono::steady_clock::now()) {
  if (QGuiApplication::platformName() == QLatin1String("xcb")) x11_ = X11IdleTime::open();
  if (!x11_) TD_LOG_INFO("Idle time: no X11 screen-saver extension; the application's own input events count");
  if (auto* app = QCoreApplication::instance()) app->installEventFilter(this);
}

QtIdleSource::~QtIdleSource() {
  if (auto* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

bool QtIdleSource::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
      lastInput_ = std::chrono::steady_clock::now();
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

std::int64_t QtIdleSource::SystemIdleTime() {
  if (x11_) return x11_->idleSeconds();
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - lastInput_).count();
}

}  // namespace td
