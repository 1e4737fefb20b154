#include "wire/QueueAdditions.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace td {
namespace {

TEST(QueueAdditions, DequeueReturnsInEnqueueOrderThenNothing) {
  std::deque<std::string> queue;
  EXPECT_EQ(dequeue(queue), std::nullopt);
  for (const char* s : {"a", "b", "c"}) enqueue(queue, s);
  EXPECT_EQ(dequeue(queue), "a");
  enqueue(queue, "d");
  EXPECT_EQ(dequeue(queue), "b");
  EXPECT_EQ(dequeue(queue), "c");
  EXPECT_EQ(dequeue(queue), "d");
  EXPECT_EQ(dequeue(queue), std::nullopt);
  EXPECT_TRUE(queue.empty());
}

TEST(QueueAdditions, DequeueHandsOverOwnershipAndWorksOnVectors) {
  std::vector<std::unique_ptr<int>> queue;
  enqueue(queue, std::make_unique<int>(5));
  std::optional<std::unique_ptr<int>> head = dequeue(queue);
  ASSERT_TRUE(head && *head);
  EXPECT_EQ(**head, 5);
  EXPECT_TRUE(queue.empty());
}

TEST(QueueAdditions, PeekNeverRemovesAndRejectsIndicesOutOfRange) {
  std::deque<int> queue;
  EXPECT_EQ(peekHead(queue), nullptr);
  EXPECT_EQ(peekTail(queue), nullptr);
  enqueue(queue, 7);
  EXPECT_EQ(peekHead(queue), peekTail(queue));
  enqueue(queue, 8);
  EXPECT_EQ(*peekHead(queue), 7);
  EXPECT_EQ(*peekTail(queue), 8);
  EXPECT_EQ(*peek(queue, 1), 8);
  EXPECT_EQ(peek(queue, -1), nullptr);
  EXPECT_EQ(peek(queue, 2), nullptr);
  EXPECT_EQ(queue.size(), 2u);
}

}  // namespace
}  // namespace td
