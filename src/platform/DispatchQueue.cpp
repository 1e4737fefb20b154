#include "platform/DispatchQueue.h"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/Log.h"
#include "platform/TimerHeap.h"

namespace td {
namespace {

// Lets sync() wait for its task and learn whether it ran.
struct SyncWaiter {
  std::mutex mutex;
  std::condition_variable cv;
  bool done = false;
  bool ran = false;

  void finish(bool didRun) {
    std::lock_guard lock(mutex);
    done = true;
    ran = didRun;
    cv.notify_all();
  }
  bool wait() {
    std::unique_lock lock(mutex);
    cv.wait(lock, [this] { return done; });
    return ran;
  }
};

struct Item {
  DispatchQueue::Task fn;
  std::shared_ptr<SyncWaiter> waiter;
};

// The worker threads of the process's queues that have not been joined yet (the background queue's
// aside). A thread counts as ended only once joined: after its function returns it still runs the
// destructors of its thread-local state (OpenSSL frees its per-thread state there), and a process
// that ends meanwhile loses that state.
constexpr const char* kBackgroundName = "td.background";

struct QueueThreads {
  std::mutex mutex;
  std::condition_variable cv;
  int running = 0;
};
QueueThreads& queueThreads() {
  static QueueThreads* const state = new QueueThreads;  // never destroyed: used after main()
  return *state;
}

bool isCounted(const std::string& queueName) { return queueName != kBackgroundName; }

void threadEnded(bool counted) {
  if (!counted) return;
  QueueThreads& state = queueThreads();
  std::lock_guard lock(state.mutex);
  --state.running;
  state.cv.notify_all();
}

}  // namespace

struct DispatchQueue::Impl {
  Impl(std::string n, Clock& c) : name(std::move(n)), clock(c) {}

  const std::string name;
  Clock& clock;
  std::atomic<DispatchQueue*> owner{nullptr};

  mutable std::mutex mutex;
  std::condition_variable cv;
  std::deque<Item> ready;
  TimerHeap timers;
  int suspendCount = 0;
  bool stopping = false;
  ShutdownMode mode = ShutdownMode::Drain;
  std::vector<std::thread> threads;
  std::uint64_t clockListener = 0;
  std::unordered_map<const void*, void*> specifics;

  // Moves the delayed tasks that have become due behind the ready ones. Caller holds the mutex.
  void promoteDue() {
    if (timers.empty()) return;
    const Clock::TimePoint now = clock.now();
    while (auto fn = timers.popDue(now)) ready.push_back(Item{std::move(*fn), nullptr});
  }

  void workerLoop();
};

namespace {
thread_local DispatchQueue::Impl* tlCurrent = nullptr;
}

void DispatchQueue::Impl::workerLoop() {
  tlCurrent = this;
  std::unique_lock lock(mutex);
  for (;;) {
    if (!stopping) promoteDue();
    if (stopping) {
      // Drain runs what was posted before the shutdown, suspended or not; Cancel has already
      // dropped it.
      if (ready.empty()) break;
    } else if (suspendCount > 0 || ready.empty()) {
      std::optional<Clock::TimePoint> next;
      if (suspendCount == 0) next = timers.nextDue();
      const Clock::TimePoint wake = next ? clock.realWakeTime(*next) : Clock::TimePoint::max();
      if (wake == Clock::TimePoint::max()) {
        cv.wait(lock);
      } else {
        cv.wait_until(lock, wake);
      }
      continue;
    }
    Item item = std::move(ready.front());
    ready.pop_front();
    lock.unlock();
    item.fn();
    if (item.waiter) item.waiter->finish(true);
    item = Item{};  // captured state dies outside the lock
    lock.lock();
  }
  tlCurrent = nullptr;
}

DispatchQueue::DispatchQueue(std::string name, Clock& clock) : DispatchQueue(std::move(name), clock, 1) {}

DispatchQueue::DispatchQueue(std::string name, Clock& clock, int threads)
    : impl_(std::make_shared<Impl>(std::move(name), clock)) {
  impl_->owner = this;
  Impl* impl = impl_.get();
  impl_->clockListener = clock.addListener([impl] {
    std::lock_guard lock(impl->mutex);
    if (impl->stopping) return;
    impl->promoteDue();
    impl->cv.notify_all();
  });
  std::lock_guard lock(impl_->mutex);
  for (int i = 0; i < std::max(threads, 1); ++i) {
    if (isCounted(impl_->name)) {
      std::lock_guard count(queueThreads().mutex);
      ++queueThreads().running;
    }
    impl_->threads.emplace_back([impl = impl_]() mutable {
      pthread_setname_np(pthread_self(), impl->name.substr(0, 15).c_str());
      impl->workerLoop();
      impl.reset();
    });
  }
}

DispatchQueue::~DispatchQueue() {
  shutdown(ShutdownMode::Drain);
  impl_->owner = nullptr;
}

const std::string& DispatchQueue::name() const { return impl_->name; }
Clock& DispatchQueue::clock() const { return impl_->clock; }

bool DispatchQueue::async(Task fn) {
  std::lock_guard lock(impl_->mutex);
  if (impl_->stopping) return false;
  impl_->promoteDue();  // delayed work already due goes first
  impl_->ready.push_back(Item{std::move(fn), nullptr});
  impl_->cv.notify_one();
  return true;
}

bool DispatchQueue::sync(const Task& fn) {
  if (isCurrent()) {
    fn();
    return true;
  }
  auto waiter = std::make_shared<SyncWaiter>();
  {
    std::lock_guard lock(impl_->mutex);
    if (impl_->stopping) return false;
    impl_->promoteDue();
    impl_->ready.push_back(Item{[&fn] { fn(); }, waiter});
    impl_->cv.notify_one();
  }
  return waiter->wait();
}

bool DispatchQueue::after(Clock::Duration delay, Task fn) {
  return scheduleAt(Clock::later(impl_->clock.now(), delay), std::move(fn)) != 0;
}

std::uint64_t DispatchQueue::scheduleAt(Clock::TimePoint due, Task fn) {
  std::lock_guard lock(impl_->mutex);
  if (impl_->stopping) return 0;
  const std::uint64_t id = impl_->timers.add(due, std::move(fn));
  // The new deadline may be earlier than the one the threads sleep towards.
  impl_->cv.notify_all();
  return id;
}

bool DispatchQueue::unschedule(std::uint64_t id) {
  std::lock_guard lock(impl_->mutex);
  return impl_->timers.remove(id);
}

void DispatchQueue::suspend() {
  std::lock_guard lock(impl_->mutex);
  ++impl_->suspendCount;
}

void DispatchQueue::resume() {
  std::lock_guard lock(impl_->mutex);
  if (impl_->suspendCount == 0) {
    TD_LOG_WARN("DispatchQueue " + impl_->name + ": resume() without suspend() ignored");
    return;
  }
  if (--impl_->suspendCount == 0) impl_->cv.notify_all();
}

bool DispatchQueue::isSuspended() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->suspendCount > 0;
}

bool DispatchQueue::isCurrent() const { return tlCurrent == impl_.get(); }

DispatchQueue* DispatchQueue::current() { return tlCurrent ? tlCurrent->owner.load() : nullptr; }

void DispatchQueue::setSpecific(const void* key, void* value) {
  std::lock_guard lock(impl_->mutex);
  if (value) {
    impl_->specifics[key] = value;
  } else {
    impl_->specifics.erase(key);
  }
}

void* DispatchQueue::specific(const void* key) const {
  std::lock_guard lock(impl_->mutex);
  auto it = impl_->specifics.find(key);
  return it == impl_->specifics.end() ? nullptr : it->second;
}

void* DispatchQueue::getSpecific(const void* key) {
  Impl* impl = tlCurrent;
  if (!impl) return nullptr;
  std::lock_guard lock(impl->mutex);
  auto it = impl->specifics.find(key);
  return it == impl->specifics.end() ? nullptr : it->second;
}

void DispatchQueue::shutdown(ShutdownMode mode) {
  std::deque<Item> dropped;
  std::vector<std::thread> threads;
  {
    std::lock_guard lock(impl_->mutex);
    if (impl_->stopping) return;
    impl_->stopping = true;
    impl_->mode = mode;
    impl_->timers.clear();
    if (mode == ShutdownMode::Cancel) dropped.swap(impl_->ready);
    threads.swap(impl_->threads);
    impl_->cv.notify_all();
  }
  impl_->clock.removeListener(impl_->clockListener);
  for (Item& item : dropped) {
    if (item.waiter) item.waiter->finish(false);
  }
  dropped.clear();
  const bool counted = isCounted(impl_->name);
  for (std::thread& t : threads) {
    if (t.get_id() != std::this_thread::get_id()) {
      t.join();
      threadEnded(counted);
      continue;
    }
    // Called from the queue itself: the thread ends on its own after this task, and a thread of the
    // background queue joins it.
    auto own = std::make_shared<std::thread>(std::move(t));
    const bool handedOver = background().async([own, counted] {
      own->join();
      threadEnded(counted);
    });
    if (!handedOver) {
      own->detach();
      threadEnded(counted);
    }
  }
}

bool DispatchQueue::waitForQueueThreads(std::chrono::milliseconds within) {
  QueueThreads& state = queueThreads();
  std::unique_lock lock(state.mutex);
  return state.cv.wait_for(lock, within, [&] { return state.running == 0; });
}

bool DispatchQueue::isShutDown() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->stopping;
}

DispatchQueue& DispatchQueue::background() {
  // Never destroyed: work may still be blocked in a connect when the process exits.
  static DispatchQueue* queue = new DispatchQueue(kBackgroundName, Clock::steady(), 4);
  return *queue;
}

}  // namespace td
