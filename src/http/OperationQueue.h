#pragma once
// Operations and the queues that run them, as the request engine needs them: an operation is
// started once by its queue when it is ready (not suspended, its dependencies finished, a free slot
// under the queue's limit; higher priority first, then the order of adding) and tells its queue when
// it has finished. Operations start themselves and return at once (they run elsewhere).

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace td {

class OperationQueue;

class Operation : public std::enable_shared_from_this<Operation> {
 public:
  // Priorities (higher runs first).
  static constexpr int PriorityNormal = 0;
  static constexpr int PriorityHigh = 4;
  static constexpr int PriorityVeryHigh = 8;

  virtual ~Operation() = default;

  virtual void start() = 0;
  virtual void cancel() = 0;
  virtual bool isCancelled() const = 0;
  virtual bool isExecuting() const = 0;
  virtual bool isFinished() const = 0;

  int queuePriority() const;
  void setQueuePriority(int priority);
  // This operation starts only after `other` has finished.
  void addDependency(const std::shared_ptr<Operation>& other);
  std::vector<std::shared_ptr<Operation>> dependencies() const;
  bool dependenciesFinished() const;

  // Called when isFinished() has become true; observers run on the calling thread, outside any lock
  // of this operation.
  void addFinishObserver(std::function<void()> observer);

 protected:
  // Subclasses call this (outside their own locks) once isFinished() is true.
  void notifyFinished();

 private:
  mutable std::mutex operationMutex_;
  int priority_ = PriorityNormal;
  std::vector<std::weak_ptr<Operation>> dependencies_;
  std::vector<std::function<void()>> finishObservers_;
  bool notified_ = false;
};

class OperationQueue : public std::enable_shared_from_this<OperationQueue> {
 public:
  OperationQueue() = default;
  virtual ~OperationQueue() = default;
  OperationQueue(const OperationQueue&) = delete;
  OperationQueue& operator=(const OperationQueue&) = delete;

  virtual void addOperation(const std::shared_ptr<Operation>& operation);
  virtual void cancelAllOperations();

  int maxConcurrentOperationCount() const;
  void setMaxConcurrentOperationCount(int count);
  bool isSuspended() const;
  void setSuspended(bool suspended);
  // Operations added and not yet finished.
  std::vector<std::shared_ptr<Operation>> operations() const;
  std::size_t operationCount() const;

 protected:
  void addToQueue(const std::shared_ptr<Operation>& operation);

 private:
  void startReady();
  void operationFinished(const Operation* operation);

  mutable std::mutex queueMutex_;
  std::vector<std::shared_ptr<Operation>> operations_;  // in the order of adding
  std::vector<const Operation*> running_;
  int maxConcurrent_ = -1;  // no limit
  bool suspended_ = false;
};

}  // namespace td
