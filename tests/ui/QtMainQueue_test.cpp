#include "ui/QtMainQueue.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace td {
namespace {

using namespace std::chrono_literals;

class QtMainQueueTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "test_ui_QtMainQueue";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) app_ = std::make_unique<QCoreApplication>(argc, argv);
  }
  static void TearDownTestSuite() { app_.reset(); }  // before Qt's own globals go at exit

  // Runs the Qt event loop until pred() holds or two seconds have passed.
  static bool spinUntil(const std::function<bool()>& pred) {
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (!pred() && std::chrono::steady_clock::now() < deadline) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      std::this_thread::sleep_for(200us);
    }
    return pred();
  }
  static void spinFor(std::chrono::milliseconds d) {
    const auto end = std::chrono::steady_clock::now() + d;
    spinUntil([&] { return std::chrono::steady_clock::now() >= end; });
  }

  static std::unique_ptr<QCoreApplication> app_;
  QtMainQueue main;
};

std::unique_ptr<QCoreApplication> QtMainQueueTest::app_;

TEST_F(QtMainQueueTest, PostsFromAnyThreadRunOnTheMainThreadInOrder) {
  std::vector<int> order;
  std::atomic<bool> allOnMain{true};
  std::thread worker([&] {
    EXPECT_FALSE(main.isMainThread());
    for (int i = 0; i < 50; ++i) {
      main.post([&, i] {
        if (!main.isMainThread()) allOnMain = false;
        order.push_back(i);
      });
    }
  });
  worker.join();
  EXPECT_TRUE(main.isMainThread());
  main.post([&] { order.push_back(50); });
  EXPECT_TRUE(order.empty());  // never inline
  ASSERT_TRUE(spinUntil([&] { return order.size() == 51; }));
  for (int i = 0; i <= 50; ++i) EXPECT_EQ(order[i], i);
  EXPECT_TRUE(allOnMain);
}

TEST_F(QtMainQueueTest, DelayedTasksAndTimersScheduledFromAnotherThreadFireInTimeOrder) {
  std::vector<int> order;
  std::thread worker([&] {
    main.postAfter(20ms, [&] { order.push_back(2); });
    main.postAfter(5ms, [&] { order.push_back(1); });
  });
  worker.join();
  ASSERT_TRUE(spinUntil([&] { return order.size() == 2; }));
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST_F(QtMainQueueTest, RepeatingTimerTicksUntilCancelledAndNeverAfter) {
  int ticks = 0;
  TimerHandle handle = main.scheduleRepeating(2ms, [&] { ++ticks; });
  ASSERT_TRUE(spinUntil([&] { return ticks >= 3; }));
  handle.cancel();
  const int atCancel = ticks;
  spinFor(20ms);
  EXPECT_EQ(ticks, atCancel);
  int oneShot = 0;
  TimerHandle cancelled = main.schedule(1ms, [&] { ++oneShot; });
  cancelled.cancel();
  TimerHandle kept = main.schedule(1ms, [&] { ++oneShot; });
  ASSERT_TRUE(spinUntil([&] { return oneShot == 1; }));
  spinFor(10ms);
  EXPECT_EQ(oneShot, 1);
  EXPECT_FALSE(kept.active());
}

}  // namespace
}  // namespace td
