#pragma once
// Deadline-ordered tasks for the queue implementations (not thread-safe: the owner locks). Tasks
// with the same deadline come out in the order they were added.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <queue>
#include <unordered_map>
#include <vector>

#include "platform/Clock.h"

namespace td {

class TimerHeap {
 public:
  using Task = std::function<void()>;

  // Returns an id for remove(); ids start at 1 and are never reused.
  std::uint64_t add(Clock::TimePoint due, Task fn);
  // False when the id is not (or no longer) held.
  bool remove(std::uint64_t id);
  // The earliest deadline held, if any.
  std::optional<Clock::TimePoint> nextDue() const;
  // Takes the earliest task whose deadline is at or before `now`.
  std::optional<Task> popDue(Clock::TimePoint now);
  std::size_t size() const { return tasks_.size(); }
  bool empty() const { return tasks_.empty(); }
  void clear();

 private:
  struct Entry {
    Clock::TimePoint due;
    std::uint64_t id;
    bool operator>(const Entry& o) const { return due != o.due ? due > o.due : id > o.id; }
  };
  void dropRemoved() const;

  mutable std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> heap_;
  std::unordered_map<std::uint64_t, Task> tasks_;
  std::uint64_t nextId_ = 1;
};

}  // namespace td
