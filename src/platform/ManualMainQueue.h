#pragma once
// A main queue for tests: nothing runs until the test pumps it. Time stands still on a ManualClock
// until advance() moves it; advance() runs the due timers in time order, setting the clock to each
// timer's time before running it, so a 1 s repeating timer runs five times over advance(5 s).
// Tasks may be posted from any thread; the pumping calls belong to the test's thread, which is the
// "main thread" (the thread that constructed the queue, see bindToCurrentThread()).

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/MainQueue.h"
#include "platform/TimerHeap.h"

namespace td {

class ManualMainQueue final : public MainQueue {
 public:
  // Uses its own ManualClock when none is given; a given clock must outlive the queue.
  explicit ManualMainQueue(ManualClock* clock = nullptr);
  ~ManualMainQueue() override;

  void post(Task fn) override;
  bool isMainThread() const override;
  ManualClock& clock() override;

  // Makes the calling thread the main thread.
  void bindToCurrentThread();

  // Runs posted tasks and timers due at the current time, including those that they post in turn,
  // until none is left. Returns how many ran.
  std::size_t runPending();
  // Runs the first task that is ready (a posted one, else the earliest due timer). False when none.
  bool runOne();
  // Advances the clock by `by` in steps: for each timer due up to the target time, in time order,
  // sets the clock to its time, runs it and everything ready then. Ends at the target time with
  // runPending(). Returns how many tasks ran.
  std::size_t advance(Clock::Duration by);

  // For tests whose tasks come from other threads: pumps (runPending) and waits for posts, for at
  // most `realTimeout` of real time, until pred() holds. Returns pred().
  bool runUntil(const std::function<bool()>& pred, std::chrono::milliseconds realTimeout);

  // Posted tasks not yet run, and timers not yet fired (cancelled ones included until their time).
  std::size_t pendingPosts() const;
  std::size_t pendingTimers() const;

 protected:
  void postAt(Clock::TimePoint due, Task fn) override;

 private:
  bool takeReady(Task& out);

  std::unique_ptr<ManualClock> ownClock_;
  ManualClock* clock_;
  mutable std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<Task> ready_;
  TimerHeap timers_;
  std::atomic<std::thread::id> mainThread_;
};

}  // namespace td
