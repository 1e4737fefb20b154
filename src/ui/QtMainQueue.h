#pragma once
// The application's main queue, bound to the Qt event loop of the thread that owns the
// QCoreApplication: posts are queued calls into that loop, timers are precise single-shot QTimers.

#include <QObject>

#include "platform/MainQueue.h"

namespace td {

class QtMainQueue final : public MainQueue {
 public:
  // Construct after the QCoreApplication, on its thread; the clock must outlive the queue.
  explicit QtMainQueue(Clock& clock = Clock::steady());
  ~QtMainQueue() override;

  void post(Task fn) override;
  bool isMainThread() const override;
  Clock& clock() override;

 protected:
  void postAt(Clock::TimePoint due, Task fn) override;

 private:
  Clock& clock_;
  QObject* context_;  // lives on the main thread; tasks queued on it die with the queue
};

}  // namespace td
