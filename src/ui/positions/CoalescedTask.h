#pragma once
// A task that runs once on the main queue however often it is asked for before it runs.

#include <functional>
#include <memory>

namespace td {

// Runs a task once on the main queue however often it is asked for before it runs: a burst of
// server messages, each followed by the table notifications, makes one reload. Without a main
// queue the task runs at once. A task still pending when its owner goes is dropped.
class CoalescedTask {
 public:
  explicit CoalescedTask(std::function<void()> task) : task_(std::move(task)) {}
  CoalescedTask(const CoalescedTask&) = delete;
  CoalescedTask& operator=(const CoalescedTask&) = delete;
  void request();

 private:
  std::function<void()> task_;
  std::shared_ptr<bool> pending_ = std::make_shared<bool>(false);
};

}  // namespace td
