#include "platform/Timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <vector>

namespace td {
namespace {

using namespace std::chrono_literals;

class TimerTest : public ::testing::Test {
 protected:
  // Moves the clock and waits until the queue has run what became due.
  void advance(Clock::Duration by) {
    clock.advance(by);
    queue.sync([] {});
  }
  Clock::Duration sinceStart() const { return clock.now() - origin; }

  ManualClock clock;
  const Clock::TimePoint origin = clock.now();
  DispatchQueue queue{"test.timer", clock};
};

TEST_F(TimerTest, OneShotFiresOnceOnTheQueueAtItsTime) {
  int fired = 0;
  bool onQueue = false;
  Timer timer(queue, [&] {
    ++fired;
    onQueue = queue.isCurrent();
  });
  timer.start(30s);
  EXPECT_TRUE(timer.isArmed());
  advance(29s);
  EXPECT_EQ(fired, 0);
  advance(1s);
  EXPECT_EQ(fired, 1);
  EXPECT_TRUE(onQueue);
  EXPECT_FALSE(timer.isArmed());
  advance(60s);
  EXPECT_EQ(fired, 1);
}

TEST_F(TimerTest, RepeatingTimerTicksOnTheGridEvenWhenItsHandlerIsSlow) {
  std::vector<Clock::Duration> ticks;
  Timer timer(queue, [&] {
    ticks.push_back(sinceStart());
    clock.advance(300ms);  // a slow handler: must not push later ticks back
  });
  timer.start(1s, 1s);
  advance(1s);
  // Each firing takes 0.3 s, so 0.7 s later is exactly the next tick; a timer that scheduled its
  // next tick from the end of the handler would be 0.3 s late each time.
  for (int i = 0; i < 3; ++i) advance(700ms);
  EXPECT_EQ(ticks, (std::vector<Clock::Duration>{1s, 2s, 3s, 4s}));
}

TEST_F(TimerTest, MissedTicksFireOnceAndTheTimerResumesOnTheGrid) {
  std::vector<Clock::Duration> ticks;
  Timer timer(queue, [&] { ticks.push_back(sinceStart()); });
  timer.start(1s, 1s);
  advance(3500ms);  // ticks 1, 2 and 3 were missed: one firing for them
  EXPECT_EQ(ticks, (std::vector<Clock::Duration>{3500ms}));
  advance(400ms);
  EXPECT_EQ(ticks.size(), 1u);
  advance(100ms);  // tick 4 at 4 s, not 4.5 s
  EXPECT_EQ(ticks, (std::vector<Clock::Duration>{3500ms, 4s}));
}

TEST_F(TimerTest, CancelOnTheQueueStopsAFiringThatIsAlreadyDue) {
  int fired = 0;
  Timer victim(queue, [&] { ++fired; });
  Timer killer(queue, [&] { victim.cancel(); });
  killer.start(1s);
  victim.start(1s);  // due at the same instant, scheduled after the killer
  advance(1s);
  EXPECT_EQ(fired, 0);
  EXPECT_FALSE(victim.isArmed());
  advance(10s);
  EXPECT_EQ(fired, 0);
}

TEST_F(TimerTest, RepeatingTimerCancelledFromItsOwnHandlerStops) {
  int fired = 0;
  Timer* self = nullptr;
  Timer timer(queue, [&] {
    if (++fired == 2) self->cancel();
  });
  self = &timer;
  timer.start(0s, 1s);
  for (int i = 0; i < 5; ++i) advance(1s);
  EXPECT_EQ(fired, 2);
}

TEST_F(TimerTest, RestartReplacesTheOldScheduleAndDestructionCancels) {
  std::vector<Clock::Duration> ticks;
  {
    Timer timer(queue, [&] { ticks.push_back(sinceStart()); });
    timer.start(1s);
    advance(500ms);
    timer.start(1s);  // re-armed: the 1 s firing is gone, the new one is at 1.5 s
    advance(600ms);
    EXPECT_TRUE(ticks.empty());
    advance(400ms);
    EXPECT_EQ(ticks, (std::vector<Clock::Duration>{1500ms}));
    timer.start(1s, 1s);
  }
  advance(10s);
  EXPECT_EQ(ticks.size(), 1u);
}

TEST_F(TimerTest, SetHandlerTakesEffectForTheNextFiring) {
  int first = 0;
  int second = 0;
  Timer timer(queue, [&] { ++first; });
  timer.start(1s, 1s);
  advance(1s);
  timer.setHandler([&] { ++second; });
  advance(1s);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 1);
}

TEST(TimerRealClock, RepeatingMillisecondTimerFiresOncePerTick) {
  DispatchQueue queue("test.timer.real");
  std::atomic<int> fired{0};
  std::promise<void> fifth;
  std::vector<Clock::TimePoint> times;
  const auto start = Clock::steady().now();
  Timer timer(queue, [&] {
    times.push_back(Clock::steady().now());
    if (++fired == 5) fifth.set_value();
  });
  timer.start(2ms, 2ms);
  ASSERT_EQ(fifth.get_future().wait_for(5s), std::future_status::ready);
  queue.sync([&] { timer.cancel(); });
  const int atCancel = fired;
  std::this_thread::sleep_for(10ms);
  EXPECT_EQ(fired, atCancel);
  // Never ahead of the grid: firing k (0-based) happens at or after start + 2 ms + k * 2 ms.
  queue.sync([&] {
    for (std::size_t k = 0; k < times.size() && k < 5; ++k) EXPECT_GE(times[k] - start, 2ms * (k + 1));
  });
}

}  // namespace
}  // namespace td
