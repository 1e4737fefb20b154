#pragma once
// The main queue of the programs without Qt (the probe, the simulated server): run() turns the
// calling thread into the main thread and runs posted tasks and due timers on it until quit().

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/MainQueue.h"
#include "platform/TimerHeap.h"

namespace td {

class RealtimeMainQueue final : public MainQueue {
 public:
  // The clock must outlive the queue; a ManualClock wakes run() when it is advanced.
  explicit RealtimeMainQueue(Clock& clock = Clock::steady());
  ~RealtimeMainQueue() override;

  void post(Task fn) override;
  // The thread running run(); before the first run(), the thread that constructed the queue.
  bool isMainThread() const override;
  Clock& clock() override;

  // Runs tasks and timers on the calling thread until quit() (from any thread, also from a task).
  // A quit() before run() makes the next run() return at once. Tasks still pending stay queued for
  // a later run().
  void run();
  // Like run(), but returns after `limit` of real time at the latest. True when quit() ended it.
  bool runFor(std::chrono::milliseconds limit);
  void quit();

 protected:
  void postAt(Clock::TimePoint due, Task fn) override;

 private:
  bool loop(std::chrono::steady_clock::time_point realLimit);

  Clock& clock_;
  std::uint64_t clockListener_ = 0;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Task> ready_;
  TimerHeap timers_;
  bool quit_ = false;
  std::atomic<std::thread::id> mainThread_;
};

}  // namespace td
