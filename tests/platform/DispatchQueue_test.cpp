#include "platform/DispatchQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace td {
namespace {

using namespace std::chrono_literals;

TEST(DispatchQueueOrder, PostsFromManyThreadsAllRunAndKeepEachThreadsOrder) {
  DispatchQueue queue("test.order");
  constexpr int kThreads = 4;
  constexpr int kPerThread = 2000;
  std::vector<std::vector<int>> seen(kThreads);  // only touched on the queue
  std::vector<std::thread> producers;
  for (int t = 0; t < kThreads; ++t) {
    producers.emplace_back([&, t] {
      for (int i = 0; i < kPerThread; ++i) EXPECT_TRUE(queue.async([&seen, t, i] { seen[t].push_back(i); }));
    });
  }
  for (auto& p : producers) p.join();
  queue.sync([] {});
  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(seen[t].size(), static_cast<std::size_t>(kPerThread));
    for (int i = 0; i < kPerThread; ++i) ASSERT_EQ(seen[t][i], i);
  }
}

TEST(DispatchQueueOrder, TasksNeverOverlap) {
  DispatchQueue queue("test.serial");
  std::atomic<int> inside{0};
  std::atomic<bool> overlapped{false};
  for (int i = 0; i < 500; ++i) {
    queue.async([&] {
      if (inside.fetch_add(1) != 0) overlapped = true;
      std::this_thread::yield();
      inside.fetch_sub(1);
    });
  }
  queue.sync([] {});
  EXPECT_FALSE(overlapped);
}

TEST(DispatchQueueSync, SyncFromInsideTheQueueRunsInlineInsteadOfDeadlocking) {
  DispatchQueue queue("test.sync");
  std::vector<int> order;
  ASSERT_TRUE(queue.sync([&] {
    order.push_back(1);
    EXPECT_TRUE(queue.sync([&] { order.push_back(2); }));  // nested: inline
    order.push_back(3);
  }));
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(DispatchQueueSync, SyncWaitsForEarlierPostsAndRunsOnTheQueue) {
  DispatchQueue queue("test.sync2");
  std::atomic<int> done{0};
  queue.async([&] {
    std::this_thread::sleep_for(5ms);
    done = 1;
  });
  bool onQueue = false;
  int seen = -1;
  ASSERT_TRUE(queue.sync([&] {
    onQueue = queue.isCurrent();
    seen = done;
  }));
  EXPECT_TRUE(onQueue);
  EXPECT_EQ(seen, 1);
}

TEST(DispatchQueueIdentity, IsCurrentCurrentAndSpecificValuesFollowTheRunningQueue) {
  DispatchQueue a("test.a");
  DispatchQueue b("test.b");
  static int key;
  int mark = 7;
  a.setSpecific(&key, &mark);
  EXPECT_FALSE(a.isCurrent());
  EXPECT_EQ(DispatchQueue::current(), nullptr);
  EXPECT_EQ(DispatchQueue::getSpecific(&key), nullptr);
  a.sync([&] {
    EXPECT_TRUE(a.isCurrent());
    EXPECT_FALSE(b.isCurrent());
    EXPECT_EQ(DispatchQueue::current(), &a);
    EXPECT_EQ(DispatchQueue::getSpecific(&key), &mark);
    b.sync([&] {
      EXPECT_EQ(DispatchQueue::current(), &b);
      EXPECT_EQ(DispatchQueue::getSpecific(&key), nullptr);
    });
  });
  a.setSpecific(&key, nullptr);
  a.sync([&] { EXPECT_EQ(DispatchQueue::getSpecific(&key), nullptr); });
  EXPECT_EQ(a.name(), "test.a");
}

TEST(DispatchQueueSuspend, SuspendIsCountedAndHoldsTasksUntilTheLastResume) {
  DispatchQueue queue("test.suspend");
  std::atomic<int> ran{0};
  queue.suspend();
  queue.suspend();
  queue.async([&] { ++ran; });
  std::this_thread::sleep_for(10ms);
  EXPECT_EQ(ran, 0);
  queue.resume();
  std::this_thread::sleep_for(10ms);
  EXPECT_EQ(ran, 0);
  EXPECT_TRUE(queue.isSuspended());
  queue.resume();
  queue.sync([] {});
  EXPECT_EQ(ran, 1);
  queue.resume();  // unmatched: ignored, the queue keeps running
  EXPECT_FALSE(queue.isSuspended());
  queue.async([&] { ++ran; });
  queue.sync([] {});
  EXPECT_EQ(ran, 2);
}

TEST(DispatchQueueShutdown, DrainRunsEverythingPostedBeforeAndRefusesLaterPosts) {
  std::vector<int> order;
  std::atomic<bool> refused{false};
  {
    DispatchQueue queue("test.drain");
    queue.suspend();  // shutdown drains even a suspended queue
    for (int i = 0; i < 100; ++i) queue.async([&order, i] { order.push_back(i); });
    queue.async([&] { refused = !queue.async([] {}); });
    EXPECT_TRUE(queue.after(1h, [&] { order.push_back(-1); }));
    queue.shutdown(DispatchQueue::ShutdownMode::Drain);
    EXPECT_TRUE(queue.isShutDown());
    EXPECT_FALSE(queue.async([] {}));
    EXPECT_FALSE(queue.after(0ms, [] {}));
    EXPECT_FALSE(queue.sync([] {}));
  }
  ASSERT_EQ(order.size(), 100u);  // the delayed task was dropped
  for (int i = 0; i < 100; ++i) EXPECT_EQ(order[i], i);
  EXPECT_TRUE(refused);
}

TEST(DispatchQueueShutdown, CancelDropsPendingWorkAndReleasesWaitingSyncCallers) {
  DispatchQueue queue("test.cancel");
  std::promise<void> started;
  std::promise<void> release;
  std::atomic<int> ran{0};
  queue.async([&] {
    started.set_value();
    release.get_future().wait();
  });
  started.get_future().wait();
  for (int i = 0; i < 10; ++i) queue.async([&] { ++ran; });
  auto syncResult = std::async(std::launch::async, [&] { return queue.sync([&] { ++ran; }); });
  std::this_thread::sleep_for(5ms);  // lets the sync task reach the queue (refused otherwise: same result)
  std::thread canceller([&] { queue.shutdown(DispatchQueue::ShutdownMode::Cancel); });
  while (!queue.isShutDown()) std::this_thread::yield();
  release.set_value();  // the running task finishes
  canceller.join();
  EXPECT_FALSE(syncResult.get());
  EXPECT_EQ(ran, 0);
}

TEST(DispatchQueueShutdown, DestroyingAQueueFromItsOwnTaskDoesNotHang) {
  auto* queue = new DispatchQueue("test.self");
  std::promise<void> done;
  queue->async([&] {
    delete queue;
    done.set_value();
  });
  EXPECT_EQ(done.get_future().wait_for(5s), std::future_status::ready);
}

TEST(DispatchQueueAfter, DelayedTasksRunInTimeOrderOnTheManualClock) {
  ManualClock clock;
  DispatchQueue queue("test.after", clock);
  std::vector<int> order;
  queue.after(30ms, [&] { order.push_back(30); });
  queue.after(10ms, [&] { order.push_back(10); });
  queue.after(20ms, [&] { order.push_back(20); });
  queue.after(10ms, [&] { order.push_back(11); });  // same instant: scheduling order
  queue.after(-5ms, [&] { order.push_back(0); });   // negative: now
  queue.after(Clock::Duration::max(), [&] { order.push_back(-1); });  // "forever": no overflow
  queue.sync([] {});
  EXPECT_EQ(order, (std::vector<int>{0}));
  clock.advance(15ms);
  queue.sync([] {});
  EXPECT_EQ(order, (std::vector<int>{0, 10, 11}));
  clock.advance(30s);
  queue.sync([] {});
  EXPECT_EQ(order, (std::vector<int>{0, 10, 11, 20, 30}));
}

TEST(DispatchQueueAfter, RealClockDelayIsHonouredInMilliseconds) {
  DispatchQueue queue("test.after2");
  const auto start = std::chrono::steady_clock::now();
  std::promise<std::chrono::steady_clock::time_point> fired;
  queue.after(20ms, [&] { fired.set_value(std::chrono::steady_clock::now()); });
  EXPECT_GE(fired.get_future().get() - start, 20ms);
}

TEST(DispatchQueueBackground, BackgroundQueueRunsBlockingTasksSideBySide) {
  // Two tasks that wait for each other finish only when they run in parallel.
  std::promise<void> first;
  std::promise<void> second;
  auto f1 = first.get_future().share();
  auto f2 = second.get_future().share();
  std::promise<bool> a;
  std::promise<bool> b;
  DispatchQueue::background().async([&] {
    first.set_value();
    a.set_value(f2.wait_for(5s) == std::future_status::ready);
  });
  DispatchQueue::background().async([&] {
    second.set_value();
    b.set_value(f1.wait_for(5s) == std::future_status::ready);
  });
  EXPECT_TRUE(a.get_future().get());
  EXPECT_TRUE(b.get_future().get());
  EXPECT_EQ(&DispatchQueue::background(), &DispatchQueue::background());
}

}  // namespace
}  // namespace td

namespace {
// Thread-local state of a queue thread, destroyed slowly when the thread exits (as OpenSSL frees its
// per-thread state).
std::atomic<bool> threadStateDestroyed{false};
struct SlowThreadState {
  ~SlowThreadState() {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    threadStateDestroyed = true;
  }
};
}  // namespace

TEST(DispatchQueueSelfRelease, AQueueReleasedFromItsOwnThreadIsWaitedForUpToItsThreadLocalState) {
  auto queue = std::make_shared<td::DispatchQueue>("td.selfrelease");
  std::atomic<bool> released{false};
  queue->async([&released, q = queue]() mutable {
    thread_local SlowThreadState state;
    (void)&state;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    q.reset();  // the last reference goes on the queue's own thread
    released = true;
  });
  queue.reset();
  EXPECT_TRUE(td::DispatchQueue::waitForQueueThreads(std::chrono::seconds(5)));
  EXPECT_TRUE(released);
  EXPECT_TRUE(threadStateDestroyed);
}
