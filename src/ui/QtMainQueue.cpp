#include "ui/QtMainQueue.h"

#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <limits>

namespace td {

QtMainQueue::QtMainQueue(Clock& clock) : clock_(clock), context_(new QObject) {}

QtMainQueue::~QtMainQueue() {
  if (instance() == this) setInstance(nullptr);
  delete context_;  // drops the queued calls and timers still bound to it
}

void QtMainQueue::post(Task fn) { QMetaObject::invokeMethod(context_, std::move(fn), Qt::QueuedConnection); }

bool QtMainQueue::isMainThread() const { return QThread::currentThread() == context_->thread(); }

Clock& QtMainQueue::clock() { return clock_; }

void QtMainQueue::postAt(Clock::TimePoint due, Task fn) {
  // The timer is started on the main thread, with the time left measured there.
  auto start = [this, due, fn = std::move(fn)]() mutable {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(due - clock_.now()).count();
    const int ms = static_cast<int>(std::clamp<std::int64_t>(left, 0, std::numeric_limits<int>::max()));
    QTimer::singleShot(ms, Qt::PreciseTimer, context_, std::move(fn));
  };
  if (isMainThread()) {
    start();
  } else {
    QMetaObject::invokeMethod(context_, std::move(start), Qt::QueuedConnection);
  }
}

}  // namespace td
