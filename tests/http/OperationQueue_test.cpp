// Operation queues on their own: the concurrency limit, suspension, priorities and dependencies.

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "http/OperationQueue.h"

namespace td {
namespace {

// An operation that records its start and finishes when told.
class ManualOperation : public Operation {
 public:
  ManualOperation(std::vector<int>& log, int name) : log_(log), name_(name) {}
  void start() override {
    executing_ = true;
    log_.push_back(name_);
  }
  void cancel() override { cancelled_ = true; }
  bool isCancelled() const override { return cancelled_; }
  bool isExecuting() const override { return executing_; }
  bool isFinished() const override { return finished_; }
  void finish() {
    executing_ = false;
    finished_ = true;
    notifyFinished();
  }

 private:
  std::vector<int>& log_;
  int name_;
  std::atomic<bool> executing_{false}, finished_{false}, cancelled_{false};
};

TEST(OperationQueues, AtMostTheLimitRunAndEachFinishStartsTheNext) {
  std::vector<int> log;
  auto queue = std::make_shared<OperationQueue>();
  queue->setMaxConcurrentOperationCount(2);
  std::vector<std::shared_ptr<ManualOperation>> ops;
  for (int i = 0; i < 4; ++i) {
    ops.push_back(std::make_shared<ManualOperation>(log, i));
    queue->addOperation(ops.back());
  }
  EXPECT_EQ(log, (std::vector<int>{0, 1}));
  ops[1]->finish();
  EXPECT_EQ(log, (std::vector<int>{0, 1, 2}));
  ops[0]->finish();
  ops[2]->finish();
  ops[3]->finish();
  EXPECT_EQ(log, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(queue->operationCount(), 0u);
}

TEST(OperationQueues, ASuspendedQueueStartsNothingThenHigherPrioritiesAndDependenciesDecideTheOrder) {
  std::vector<int> log;
  auto queue = std::make_shared<OperationQueue>();
  queue->setMaxConcurrentOperationCount(1);
  queue->setSuspended(true);
  auto normal = std::make_shared<ManualOperation>(log, 1);
  auto waiting = std::make_shared<ManualOperation>(log, 2);
  auto urgent = std::make_shared<ManualOperation>(log, 3);
  urgent->setQueuePriority(Operation::PriorityVeryHigh);
  waiting->addDependency(normal);
  waiting->setQueuePriority(Operation::PriorityHigh);
  queue->addOperation(normal);
  queue->addOperation(waiting);
  queue->addOperation(urgent);
  EXPECT_TRUE(log.empty());
  queue->setSuspended(false);
  EXPECT_EQ(log, (std::vector<int>{3}));
  urgent->finish();
  EXPECT_EQ(log, (std::vector<int>{3, 1}));  // the high one waits for its dependency
  normal->finish();
  EXPECT_EQ(log, (std::vector<int>{3, 1, 2}));
  waiting->finish();
}

}  // namespace
}  // namespace td
