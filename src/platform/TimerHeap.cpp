#include "platform/TimerHeap.h"

namespace td {

std::uint64_t TimerHeap::add(Clock::TimePoint due, Task fn) {
  const std::uint64_t id = nextId_++;
  heap_.push(Entry{due, id});
  tasks_.emplace(id, std::move(fn));
  return id;
}

bool TimerHeap::remove(std::uint64_t id) {
  // The heap entry stays until it reaches the top; dropRemoved() discards it there.
  // Timers that are re-armed often (a time-out per request) would otherwise pile up dead entries,
  // so the heap is rebuilt once most of it is dead.
  const bool removed = tasks_.erase(id) > 0;
  if (tasks_.empty()) {
    heap_ = {};
  } else if (heap_.size() > 64 && heap_.size() > 2 * tasks_.size()) {
    std::vector<Entry> live;
    live.reserve(tasks_.size());
    while (!heap_.empty()) {
      if (tasks_.contains(heap_.top().id)) live.push_back(heap_.top());
      heap_.pop();
    }
    heap_ = decltype(heap_)(std::greater<Entry>(), std::move(live));
  }
  return removed;
}

void TimerHeap::dropRemoved() const {
  while (!heap_.empty() && !tasks_.contains(heap_.top().id)) heap_.pop();
}

std::optional<Clock::TimePoint> TimerHeap::nextDue() const {
  dropRemoved();
  if (heap_.empty()) return std::nullopt;
  return heap_.top().due;
}

std::optional<TimerHeap::Task> TimerHeap::popDue(Clock::TimePoint now) {
  dropRemoved();
  if (heap_.empty() || heap_.top().due > now) return std::nullopt;
  const std::uint64_t id = heap_.top().id;
  heap_.pop();
  auto it = tasks_.find(id);
  Task fn = std::move(it->second);
  tasks_.erase(it);
  return fn;
}

void TimerHeap::clear() {
  heap_ = {};
  tasks_.clear();
}

}  // namespace td
