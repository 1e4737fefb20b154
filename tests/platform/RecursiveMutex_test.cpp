#include "platform/RecursiveMutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace td {
namespace {

// The holder nests freely; another thread gets in only once every nested lock is let go.
TEST(RecursiveMutex, TheHolderNestsAndOthersWaitForTheOutermostUnlock) {
  RecursiveMutex mutex;
  mutex.lock();
  ASSERT_TRUE(mutex.try_lock());
  mutex.lock();

  auto tryFromAnotherThread = [&] {
    bool got = false;
    std::thread([&] {
      got = mutex.try_lock();
      if (got) mutex.unlock();
    }).join();
    return got;
  };
  EXPECT_FALSE(tryFromAnotherThread());
  mutex.unlock();
  mutex.unlock();
  EXPECT_FALSE(tryFromAnotherThread());
  mutex.unlock();
  EXPECT_TRUE(tryFromAnotherThread());
}

// Threads that each nest inside the lock never overlap, and the lock is taken again after them.
TEST(RecursiveMutex, NestingThreadsExcludeEachOther) {
  RecursiveMutex mutex;
  int inside = 0;
  std::atomic<bool> overlapped{false};
  auto work = [&] {
    for (int i = 0; i < 20000; ++i) {
      std::lock_guard outer(mutex);
      std::lock_guard inner(mutex);
      if (++inside != 1) overlapped = true;
      --inside;
    }
  };
  std::thread a(work), b(work), c(work);
  a.join();
  b.join();
  c.join();
  EXPECT_FALSE(overlapped.load());
  EXPECT_TRUE(mutex.try_lock());
  mutex.unlock();
}

}  // namespace
}  // namespace td
