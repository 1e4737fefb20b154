#pragma once
// A named serial queue with its own thread: tasks posted with async() run one at a time, in the
// order they were posted, on the queue's thread. Delayed tasks (after()) run when the queue's clock
// reaches their time; tasks due at the same instant run in the order they were scheduled, and a
// delayed task that is due runs before any task posted after its time came.
//
// Shutdown is deterministic. shutdown(Drain) runs every task that was posted before the call (also
// on a suspended queue) and then stops; delayed tasks whose time has not come are dropped.
// shutdown(Cancel) drops every task that has not started. Either way the task running at the
// moment finishes, posts made after shutdown began (also by the draining tasks) are refused and
// return false, and a sync() caller whose task was dropped returns false. The destructor calls
// shutdown(Drain) and joins the queue's thread.
//
// With a ManualClock, after() waits for the clock to be advanced: ManualClock::advance moves every
// task that became due into the queue before it returns, so a sync() issued after the advance sees
// them done. One advance over several ticks of a repeating Timer fires it once (missed ticks
// coalesce); advance in steps to see every tick.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "platform/Clock.h"

namespace td {

class Timer;

class DispatchQueue {
 public:
  using Task = std::function<void()>;
  enum class ShutdownMode { Drain, Cancel };

  // `clock` must outlive the queue.
  explicit DispatchQueue(std::string name, Clock& clock = Clock::steady());
  ~DispatchQueue();

  DispatchQueue(const DispatchQueue&) = delete;
  DispatchQueue& operator=(const DispatchQueue&) = delete;

  const std::string& name() const;
  Clock& clock() const;

  // Queues fn behind everything posted before. Safe from any thread, also from the queue itself.
  // False (fn dropped) once shutdown has begun.
  bool async(Task fn);

  // Runs fn on the queue and waits for it. Called from the queue itself, fn runs inline at once (no
  // deadlock). Blocks while the queue is suspended. False when fn did not run (shut down, or
  // dropped by shutdown(Cancel)). Two queues that sync() into each other deadlock, as with any lock.
  bool sync(const Task& fn);

  // Runs fn on the queue once `delay` has passed on the queue's clock (a negative delay counts as
  // zero). Not cancellable: use Timer for that. False once shutdown has begun.
  bool after(Clock::Duration delay, Task fn);

  // Counted: tasks (and due timers) wait while suspend() calls outnumber resume() calls; the task
  // running at the moment finishes. A resume() without a matching suspend() is ignored with a log line.
  void suspend();
  void resume();
  bool isSuspended() const;

  // True when the calling code runs on this queue (in one of its tasks).
  bool isCurrent() const;
  // The queue whose task the calling thread is running, or nullptr.
  static DispatchQueue* current();

  // Queue-specific values: code can mark a queue with a key and later ask, from whatever queue it
  // runs on, for the value under that key. getSpecific() reads the current queue's value (nullptr
  // when not on a queue or nothing is set). A nullptr value removes the key.
  void setSpecific(const void* key, void* value);
  void* specific(const void* key) const;
  static void* getSpecific(const void* key);

  // See the header comment. Called from the queue itself it does not wait for the drain; the
  // thread then finishes on its own and a thread of the background queue joins it. Idempotent:
  // later calls change nothing.
  void shutdown(ShutdownMode mode = ShutdownMode::Drain);
  bool isShutDown() const;

  // Waits, at most `within`, until every worker thread of every queue but the background queue has
  // been joined, so its thread-local state has been destroyed too; true when none is left. For tests
  // and the end of a process: a queue released from inside itself lets its thread finish on its
  // own, which may otherwise still run the queue's last task, or free its per-thread state (that
  // of OpenSSL among it), after main() returns.
  static bool waitForQueueThreads(std::chrono::milliseconds within);

  // One shared queue for blocking work (name lookups, blocking connects). It has four threads, so a
  // connect that hangs does not hold up the next lookup: tasks posted to it may run in parallel and
  // in any order; sync() and after() work as above. It lives until the process exits.
  static DispatchQueue& background();

  struct Impl;

 private:
  friend class Timer;
  DispatchQueue(std::string name, Clock& clock, int threads);
  // Timer's primitives: schedule at an absolute time on the queue's clock; cancel by id (false when
  // it has already been taken for running or was never there).
  std::uint64_t scheduleAt(Clock::TimePoint due, Task fn);
  bool unschedule(std::uint64_t id);

  std::shared_ptr<Impl> impl_;
};

}  // namespace td
