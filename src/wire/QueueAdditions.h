#pragma once
// First-in first-out operations on a sequence container (std::deque, or std::vector where the queue
// stays short): the head is index 0, the tail the last element. Like the containers themselves they
// take no lock; a queue used from more than one thread is guarded by its owner.

#include <cstddef>
#include <optional>
#include <utility>

namespace td {

// Appends the value at the tail.
template <typename Sequence, typename Value>
void enqueue(Sequence& queue, Value&& value) {
  queue.push_back(std::forward<Value>(value));
}

// Removes the head and hands it over; nothing (the queue unchanged) when the queue is empty.
template <typename Sequence>
std::optional<typename Sequence::value_type> dequeue(Sequence& queue) {
  if (queue.empty()) return std::nullopt;
  std::optional<typename Sequence::value_type> head(std::move(queue.front()));
  queue.erase(queue.begin());
  return head;
}

// The element at the index without removing it; nothing for a negative index or one at or past the end.
template <typename Sequence>
const typename Sequence::value_type* peek(const Sequence& queue, std::ptrdiff_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= queue.size()) return nullptr;
  return &queue[static_cast<std::size_t>(index)];
}

template <typename Sequence>
const typename Sequence::value_type* peekHead(const Sequence& queue) {
  return peek(queue, 0);
}

template <typename Sequence>
const typename Sequence::value_type* peekTail(const Sequence& queue) {
  return queue.empty() ? nullptr : peek(queue, static_cast<std::ptrdiff_t>(queue.size()) - 1);
}

}  // namespace td
