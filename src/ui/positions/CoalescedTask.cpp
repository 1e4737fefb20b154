#include "ui/positions/CoalescedTask.h"

#include "platform/MainQueue.h"

namespace td {

void CoalescedTask::request() {
  if (*pending_) return;
  MainQueue* queue = MainQueue::instance();
  if (!queue) {
    task_();
    return;
  }
  *pending_ = true;
  queue->post([this, pending = std::weak_ptr<bool>(pending_)] {
    const auto alive = pending.lock();
    if (!alive || !*alive) return;
    *alive = false;
    task_();
  });
}

}  // namespace td
