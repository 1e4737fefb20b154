#include "platform/MainQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/ManualMainQueue.h"
#include "platform/RealtimeMainQueue.h"

namespace td {
namespace {

using namespace std::chrono_literals;

class ManualMainQueueTest : public ::testing::Test {
 protected:
  Clock::Duration sinceStart() { return main.clock().now() - origin; }

  ManualMainQueue main;
  const Clock::TimePoint origin = main.clock().now();
};

TEST_F(ManualMainQueueTest, NothingRunsUntilPumpedThenPostsRunInOrder) {
  std::vector<int> order;
  for (int i = 0; i < 5; ++i) main.post([&order, i] { order.push_back(i); });
  EXPECT_TRUE(order.empty());
  EXPECT_EQ(main.pendingPosts(), 5u);
  main.post([&] { main.post([&] { order.push_back(99); }); });  // posted while pumping: runs too
  EXPECT_EQ(main.runPending(), 7u);
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 99}));
  EXPECT_FALSE(main.runOne());
}

TEST_F(ManualMainQueueTest, AdvanceRunsTimersInTimeOrderWithTheClockAtEachTimersTime) {
  std::vector<std::pair<int, Clock::Duration>> seen;
  auto note = [&](int id) { return [&, id] { seen.emplace_back(id, sinceStart()); }; };
  main.postAfter(3s, note(3));
  main.postAfter(1s, note(1));
  main.postAfter(2s, note(2));
  main.postAfter(1s, note(11));  // same instant: in scheduling order
  main.postAfter(Clock::Duration::max(), note(-1));  // never due, and no overflow
  main.postAfter(2s, [&] {
    seen.emplace_back(20, sinceStart());
    main.post(note(21));           // a post from a timer runs before later timers
    main.postAfter(500ms, note(25));
  });
  main.runPending();
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(main.advance(10s), 7u);
  const std::vector<std::pair<int, Clock::Duration>> expected{{1, 1s},  {11, 1s},    {2, 2s}, {20, 2s},
                                                              {21, 2s}, {25, 2500ms}, {3, 3s}};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(sinceStart(), 10s);
}

TEST_F(ManualMainQueueTest, RepeatingTimerFiresOncePerIntervalAndStopsWhenCancelled) {
  std::vector<Clock::Duration> ticks;
  TimerHandle handle = main.scheduleRepeating(1s, [&] { ticks.push_back(sinceStart()); });
  EXPECT_TRUE(handle.active());
  main.advance(5s);
  EXPECT_EQ(ticks, (std::vector<Clock::Duration>{1s, 2s, 3s, 4s, 5s}));
  main.advance(500ms);
  handle.cancel();
  EXPECT_FALSE(handle.active());
  main.advance(5s);
  EXPECT_EQ(ticks.size(), 5u);
}

TEST_F(ManualMainQueueTest, RepeatingTimerDoesNotDriftWhenTheLoopIsLate) {
  std::vector<Clock::Duration> ticks;
  TimerHandle handle = main.scheduleRepeating(1s, [&] { ticks.push_back(sinceStart()); });
  // The loop is busy past two ticks: the clock moves without pumping.
  main.clock().advance(2500ms);
  main.runPending();                 // one firing for the missed ticks
  main.advance(500ms);               // the next one on the grid, at 3 s
  EXPECT_EQ(ticks, (std::vector<Clock::Duration>{2500ms, 3s}));
}

TEST_F(ManualMainQueueTest, CancelledOrDroppedHandlesNeverFire) {
  int fired = 0;
  TimerHandle oneShot = main.schedule(1s, [&] { ++fired; });
  TimerHandle fromTick;
  fromTick = main.scheduleRepeating(1s, [&] {
    ++fired;
    fromTick.cancel();  // cancels itself from its own tick
  });
  { TimerHandle dropped = main.scheduleRepeating(100ms, [&] { fired += 100; }); }
  oneShot.cancel();
  main.advance(5s);
  EXPECT_EQ(fired, 1);
  TimerHandle done = main.schedule(0s, [&] { ++fired; });
  main.runPending();
  EXPECT_EQ(fired, 2);
  EXPECT_FALSE(done.active());  // a one-shot timer stops being active once it ran
}

TEST_F(ManualMainQueueTest, PostsFromOtherThreadsArriveAndRunUntilWaitsForThem) {
  std::atomic<int> sent{0};
  int ran = 0;
  std::thread worker([&] {
    for (int i = 0; i < 100; ++i) {
      main.post([&] { ++ran; });
      ++sent;
    }
  });
  EXPECT_TRUE(main.runUntil([&] { return ran == 100; }, 5s));
  worker.join();
  EXPECT_FALSE(main.runUntil([] { return false; }, 5ms));
}

TEST_F(ManualMainQueueTest, InstanceAndMainThread) {
  EXPECT_TRUE(main.isMainThread());
  bool other = true;
  std::thread([&] { other = main.isMainThread(); }).join();
  EXPECT_FALSE(other);

  MainQueue::setInstance(nullptr);
  EXPECT_FALSE(MainQueue::postToMain([] {}));
  MainQueue::setInstance(&main);
  int ran = 0;
  std::thread([&] { EXPECT_TRUE(MainQueue::postToMain([&] { ++ran; })); }).join();
  EXPECT_EQ(ran, 0);
  main.runPending();
  EXPECT_EQ(ran, 1);
  {
    ManualMainQueue other2;
    MainQueue::setInstance(&other2);
  }
  EXPECT_EQ(MainQueue::instance(), nullptr);  // a destroyed queue does not stay installed
}

TEST(RealtimeMainQueue, RunsPostsAndTimersOnTheRunningThreadUntilQuit) {
  RealtimeMainQueue main;
  std::vector<int> order;
  std::atomic<bool> onMain{true};
  main.postAfter(6ms, [&] { order.push_back(3); });
  main.postAfter(2ms, [&] { order.push_back(2); });
  std::thread poster([&] { main.post([&] { order.push_back(1); }); });
  poster.join();
  int ticks = 0;
  TimerHandle repeat = main.scheduleRepeating(1ms, [&] {
    if (!main.isMainThread()) onMain = false;
    ++ticks;
  });
  main.postAfter(10ms, [&] { main.quit(); });
  main.run();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_GE(ticks, 1);
  EXPECT_LE(ticks, 10);  // never more than one per elapsed tick
  EXPECT_TRUE(onMain);
}

TEST(RealtimeMainQueue, RunForEndsAtTheLimitAndQuitBeforeRunReturnsAtOnce) {
  RealtimeMainQueue main;
  EXPECT_FALSE(main.runFor(5ms));
  main.quit();
  EXPECT_TRUE(main.runFor(5s));
  std::thread quitter([&] {
    std::this_thread::sleep_for(5ms);
    main.quit();
  });
  EXPECT_TRUE(main.runFor(5s));
  quitter.join();
}

TEST(RealtimeMainQueue, ManualClockAdvancedElsewhereWakesTheLoop) {
  ManualClock clock;
  RealtimeMainQueue main(clock);
  bool fired = false;
  main.postAfter(30s, [&] {
    fired = true;
    main.quit();
  });
  std::thread advancer([&] {
    std::this_thread::sleep_for(5ms);
    clock.advance(30s);
  });
  EXPECT_TRUE(main.runFor(5s));
  advancer.join();
  EXPECT_TRUE(fired);
}

}  // namespace
}  // namespace td
