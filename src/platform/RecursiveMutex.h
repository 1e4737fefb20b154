#pragma once
// A recursive mutex whose re-entry by the thread that holds it costs no atomic read-modify-write:
// the owner is kept beside a plain mutex, and the owner only counts its nested locks. Objects whose
// methods lock on every call, and call each other, take it nearly for free when already held.

#include <atomic>
#include <mutex>
#include <thread>

namespace td {

class RecursiveMutex {
 public:
  RecursiveMutex() = default;
  RecursiveMutex(const RecursiveMutex&) = delete;
  RecursiveMutex& operator=(const RecursiveMutex&) = delete;

  void lock() {
    const std::thread::id self = std::this_thread::get_id();
    if (owner_.load(std::memory_order_relaxed) == self) {
      ++depth_;
      return;
    }
    mutex_.lock();
    owner_.store(self, std::memory_order_relaxed);
    depth_ = 1;
  }

  bool try_lock() {
    const std::thread::id self = std::this_thread::get_id();
    if (owner_.load(std::memory_order_relaxed) == self) {
      ++depth_;
      return true;
    }
    if (!mutex_.try_lock()) return false;
    owner_.store(self, std::memory_order_relaxed);
    depth_ = 1;
    return true;
  }

  void unlock() {
    if (--depth_ != 0) return;
    owner_.store(std::thread::id(), std::memory_order_relaxed);
    mutex_.unlock();
  }

 private:
  std::mutex mutex_;
  // Only the holder writes its own id here, and clears it before it lets go: a thread reads its own
  // id only while it holds the mutex, whatever order other threads' writes reach it in.
  std::atomic<std::thread::id> owner_{};
  unsigned depth_ = 0;  // read and written by the holder only
};

}  // namespace td
