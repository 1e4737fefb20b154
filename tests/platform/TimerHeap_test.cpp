#include "platform/TimerHeap.h"

#include <gtest/gtest.h>

#include <vector>

namespace td {
namespace {

using namespace std::chrono_literals;

TEST(TimerHeap, PopsInDeadlineOrderAndSameDeadlinesInInsertionOrder) {
  TimerHeap heap;
  const Clock::TimePoint t0{};
  std::vector<int> order;
  heap.add(t0 + 3s, [&] { order.push_back(3); });
  heap.add(t0 + 1s, [&] { order.push_back(1); });
  heap.add(t0 + 1s, [&] { order.push_back(11); });
  heap.add(t0 + 2s, [&] { order.push_back(2); });
  EXPECT_EQ(heap.nextDue(), t0 + 1s);
  EXPECT_FALSE(heap.popDue(t0 + 999ms));
  while (auto fn = heap.popDue(t0 + 2s)) (*fn)();
  EXPECT_EQ(order, (std::vector<int>{1, 11, 2}));
  EXPECT_EQ(heap.size(), 1u);
}

TEST(TimerHeap, RemovedEntriesNeverComeOutAndManyRemovalsKeepTheRestInOrder) {
  TimerHeap heap;
  const Clock::TimePoint t0{};
  std::vector<std::uint64_t> ids;
  std::vector<int> order;
  for (int i = 0; i < 1000; ++i) ids.push_back(heap.add(t0 + std::chrono::milliseconds(1000 - i), [&order, i] { order.push_back(i); }));
  // Remove all but every hundredth: the heap compacts on the way.
  for (int i = 0; i < 1000; ++i) {
    if (i % 100 != 0) {
      EXPECT_TRUE(heap.remove(ids[i]));
    }
  }
  EXPECT_FALSE(heap.remove(ids[1]));
  EXPECT_EQ(heap.size(), 10u);
  EXPECT_EQ(heap.nextDue(), t0 + 100ms);  // i = 900
  while (auto fn = heap.popDue(t0 + 1h)) (*fn)();
  EXPECT_EQ(order, (std::vector<int>{900, 800, 700, 600, 500, 400, 300, 200, 100, 0}));
  EXPECT_TRUE(heap.empty());
  EXPECT_FALSE(heap.nextDue());
}

}  // namespace
}  // namespace td
