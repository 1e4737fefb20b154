#include "http/OperationQueue.h"

#include <algorithm>

namespace td {

int Operation::queuePriority() const {
  std::lock_guard lock(operationMutex_);
  return priority_;
}

void Operation::setQueuePriority(int priority) {
  std::lock_guard lock(operationMutex_);
  priority_ = priority;
}

void Operation::addDependency(const std::shared_ptr<Operation>& other) {
  if (!other || other.get() == this) return;
  std::lock_guard lock(operationMutex_);
  dependencies_.push_back(other);
}

std::vector<std::shared_ptr<Operation>> Operation::dependencies() const {
  std::vector<std::shared_ptr<Operation>> out;
  std::lock_guard lock(operationMutex_);
  for (const auto& weak : dependencies_)
    if (auto op = weak.lock()) out.push_back(op);
  return out;
}

bool Operation::dependenciesFinished() const {
  for (const auto& op : dependencies())
    if (!op->isFinished()) return false;
  return true;
}

void Operation::addFinishObserver(std::function<void()> observer) {
  {
    std::lock_guard lock(operationMutex_);
    if (!notified_) {
      finishObservers_.push_back(std::move(observer));
      return;
    }
  }
  observer();
}

void Operation::notifyFinished() {
  std::vector<std::function<void()>> observers;
  {
    std::lock_guard lock(operationMutex_);
    if (notified_) return;
    notified_ = true;
    observers.swap(finishObservers_);
  }
  for (auto& observer : observers) observer();
}

void OperationQueue::addOperation(const std::shared_ptr<Operation>& operation) { addToQueue(operation); }

void OperationQueue::addToQueue(const std::shared_ptr<Operation>& operation) {
  if (!operation) return;
  {
    std::lock_guard lock(queueMutex_);
    if (std::find(operations_.begin(), operations_.end(), operation) != operations_.end()) return;
    operations_.push_back(operation);
  }
  std::weak_ptr<OperationQueue> weakQueue = weak_from_this();
  const Operation* raw = operation.get();
  operation->addFinishObserver([weakQueue, raw] {
    if (auto queue = weakQueue.lock()) queue->operationFinished(raw);
  });
  // A dependency finishing may make this operation ready.
  for (const auto& dependency : operation->dependencies()) {
    dependency->addFinishObserver([weakQueue] {
      if (auto queue = weakQueue.lock()) queue->startReady();
    });
  }
  startReady();
}

void OperationQueue::operationFinished(const Operation* operation) {
  std::shared_ptr<Operation> dying;  // released outside the lock
  {
    std::lock_guard lock(queueMutex_);
    std::erase(running_, operation);
    auto it = std::find_if(operations_.begin(), operations_.end(),
                           [&](const std::shared_ptr<Operation>& op) { return op.get() == operation; });
    if (it != operations_.end()) {
      dying = *it;
      operations_.erase(it);
    }
  }
  startReady();
}

void OperationQueue::startReady() {
  // The operations' own state is read outside the queue's lock: operations may call into the queue
  // while they hold their locks.
  while (true) {
    std::vector<std::shared_ptr<Operation>> waiting;
    {
      std::lock_guard lock(queueMutex_);
      if (suspended_) return;
      if (maxConcurrent_ >= 0 && static_cast<int>(running_.size()) >= maxConcurrent_) return;
      for (const auto& op : operations_)
        if (std::find(running_.begin(), running_.end(), op.get()) == running_.end()) waiting.push_back(op);
    }
    std::shared_ptr<Operation> next;
    int bestPriority = 0;
    for (const auto& op : waiting) {
      if (op->isFinished() || !op->dependenciesFinished()) continue;
      const int priority = op->queuePriority();
      if (!next || priority > bestPriority) {
        next = op;
        bestPriority = priority;
      }
    }
    if (!next) return;
    {
      std::lock_guard lock(queueMutex_);
      if (suspended_) return;
      if (maxConcurrent_ >= 0 && static_cast<int>(running_.size()) >= maxConcurrent_) return;
      if (std::find(running_.begin(), running_.end(), next.get()) != running_.end()) continue;
      if (std::find(operations_.begin(), operations_.end(), next) == operations_.end()) continue;
      running_.push_back(next.get());
    }
    next->start();
  }
}

void OperationQueue::cancelAllOperations() {
  for (const auto& op : operations()) op->cancel();
}

int OperationQueue::maxConcurrentOperationCount() const {
  std::lock_guard lock(queueMutex_);
  return maxConcurrent_;
}

void OperationQueue::setMaxConcurrentOperationCount(int count) {
  {
    std::lock_guard lock(queueMutex_);
    maxConcurrent_ = count;
  }
  startReady();
}

bool OperationQueue::isSuspended() const {
  std::lock_guard lock(queueMutex_);
  return suspended_;
}

void OperationQueue::setSuspended(bool suspended) {
  {
    std::lock_guard lock(queueMutex_);
    suspended_ = suspended;
  }
  if (!suspended) startReady();
}

std::vector<std::shared_ptr<Operation>> OperationQueue::operations() const {
  std::lock_guard lock(queueMutex_);
  return operations_;
}

std::size_t OperationQueue::operationCount() const {
  std::lock_guard lock(queueMutex_);
  return operations_.size();
}

}  // namespace td
