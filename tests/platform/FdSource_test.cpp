#include "platform/FdSource.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace td {
namespace {

using namespace std::chrono_literals;

// Polls cond (checked on the queue) for up to two seconds.
bool eventually(DispatchQueue& queue, const std::function<bool()>& cond) {
  const auto deadline = std::chrono::steady_clock::now() + 2s;
  while (std::chrono::steady_clock::now() < deadline) {
    bool ok = false;
    queue.sync([&] { ok = cond(); });
    if (ok) return true;
    std::this_thread::sleep_for(1ms);
  }
  return false;
}

class FdSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds), 0);
    mine = fds[0];
    peer = fds[1];
  }
  void TearDown() override {
    if (mine >= 0) ::close(mine);
    if (peer >= 0) ::close(peer);
  }
  void send(const std::string& bytes) { ASSERT_EQ(::write(peer, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size())); }

  DispatchQueue queue{"test.fd"};
  int mine = -1;
  int peer = -1;
};

TEST_F(FdSourceTest, ReadSourceReportsTheBytesWaitingAndStartsSuspended) {
  auto source = FdSource::makeRead(mine, queue);
  std::vector<std::size_t> counts;
  std::string got;
  source->setEventHandler([&] {
    EXPECT_TRUE(queue.isCurrent());
    counts.push_back(source->data());
    char buf[256];
    const ssize_t n = ::read(mine, buf, source->data());
    if (n > 0) got.append(buf, static_cast<std::size_t>(n));
  });
  send("hello world");
  std::this_thread::sleep_for(10ms);
  queue.sync([&] { EXPECT_TRUE(counts.empty()); });  // not resumed yet
  source->resume();
  ASSERT_TRUE(eventually(queue, [&] { return got == "hello world"; }));
  queue.sync([&] { EXPECT_EQ(counts, (std::vector<std::size_t>{11})); });
  send("more");
  ASSERT_TRUE(eventually(queue, [&] { return got == "hello worldmore"; }));
  source->cancel();
}

TEST_F(FdSourceTest, HandlerKeepsBeingCalledWhileDataStaysUnread) {
  auto source = FdSource::makeRead(mine, queue);
  int calls = 0;
  source->setEventHandler([&] {
    ++calls;
    EXPECT_EQ(source->data(), 3u);
    if (calls == 5) {  // read it now: the calls stop
      char buf[8];
      EXPECT_EQ(::read(mine, buf, sizeof buf), 3);
    }
  });
  send("abc");
  source->resume();
  ASSERT_TRUE(eventually(queue, [&] { return calls >= 5; }));
  std::this_thread::sleep_for(20ms);
  queue.sync([&] { EXPECT_EQ(calls, 5); });
  source->cancel();
}

TEST_F(FdSourceTest, SuspendedSourceDeliversNothingAndResumeDeliversWhatWaits) {
  auto source = FdSource::makeRead(mine, queue);
  std::atomic<int> calls{0};
  std::string got;
  source->setEventHandler([&] {
    ++calls;
    char buf[64];
    const ssize_t n = ::read(mine, buf, sizeof buf);
    if (n > 0) got.append(buf, static_cast<std::size_t>(n));
  });
  source->resume();
  source->suspend();
  source->suspend();
  EXPECT_TRUE(source->isSuspended());
  send("xyz");
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(calls, 0);
  source->resume();
  std::this_thread::sleep_for(10ms);
  EXPECT_EQ(calls, 0);  // still suspended once
  source->resume();
  ASSERT_TRUE(eventually(queue, [&] { return got == "xyz"; }));
  source->cancel();
}

TEST_F(FdSourceTest, EndOfStreamIsAReadEventWithNothingAvailable) {
  auto source = FdSource::makeRead(mine, queue);
  std::promise<std::size_t> first;
  bool done = false;
  source->setEventHandler([&] {
    if (!done) first.set_value(source->data());
    done = true;
    source->suspend();
  });
  ::close(peer);
  peer = -1;
  source->resume();
  auto f = first.get_future();
  ASSERT_EQ(f.wait_for(2s), std::future_status::ready);
  EXPECT_EQ(f.get(), 0u);
  queue.sync([] {});  // the handler has finished with the source
  source->cancel();
}

TEST_F(FdSourceTest, ReadinessConsumedBeforeTheHandlerRunsDeliversNoFalseEndOfStream) {
  auto source = FdSource::makeRead(mine, queue);
  std::atomic<int> calls{0};
  source->setEventHandler([&] { ++calls; });
  source->resume();
  // Hold the queue, let the poller hand on the event, then drain the socket before the delivery.
  std::promise<void> release;
  queue.async([&] { release.get_future().wait(); });
  send("q");
  std::this_thread::sleep_for(20ms);
  char c;
  ASSERT_EQ(::read(mine, &c, 1), 1);
  release.set_value();
  std::this_thread::sleep_for(20ms);
  queue.sync([] {});
  EXPECT_EQ(calls, 0);
  send("r");  // the source is still armed
  ASSERT_TRUE(eventually(queue, [&] { return calls > 0; }));
  source->cancel();
}

TEST_F(FdSourceTest, WriteSourceFiresWhileWritableAndWaitsWhenTheBufferIsFull) {
  auto reader = FdSource::makeRead(mine, queue);  // a read and a write source on one descriptor
  reader->resume();
  auto source = FdSource::makeWrite(mine, queue);
  std::atomic<int> calls{0};
  source->setEventHandler([&] {
    ++calls;
    EXPECT_EQ(source->data(), 1u);
    source->suspend();
  });
  source->resume();
  ASSERT_TRUE(eventually(queue, [&] { return calls == 1; }));
  // Fill the socket until it would block.
  std::string chunk(4096, 'x');
  while (::write(mine, chunk.data(), chunk.size()) > 0) {
  }
  ASSERT_EQ(errno, EAGAIN);
  source->resume();
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(calls, 1);
  // The peer drains: writable again.
  char buf[65536];
  while (::read(peer, buf, sizeof buf) > 0) {
  }
  ASSERT_TRUE(eventually(queue, [&] { return calls == 2; }));
  source->cancel();
  reader->cancel();
}

TEST_F(FdSourceTest, CancelHandlerRunsOnceOnTheQueueAfterTheLastEventAndMayCloseTheDescriptor) {
  auto reader = FdSource::makeRead(mine, queue);
  auto writer = FdSource::makeWrite(mine, queue);
  std::atomic<int> eventsAfterCancel{0};
  std::atomic<int> cancelled{0};
  std::atomic<bool> cancelCalled{false};
  int closes = 2;  // the descriptor closes once both sources are gone (on the queue only)
  std::promise<void> closed;
  auto onCancel = [&] {
    EXPECT_TRUE(queue.isCurrent());
    ++cancelled;
    if (--closes == 0) {
      ::close(mine);
      closed.set_value();
    }
  };
  reader->setEventHandler([&] {
    if (cancelCalled) ++eventsAfterCancel;
    // Cancel from inside the handler while data keeps coming: nothing more may arrive.
    reader->cancel();
    writer->cancel();
    cancelCalled = true;
  });
  writer->setEventHandler([] {});
  reader->setCancelHandler(onCancel);
  writer->setCancelHandler(onCancel);
  reader->resume();
  send("data that stays unread");
  ASSERT_EQ(closed.get_future().wait_for(2s), std::future_status::ready);
  mine = -1;
  reader->cancel();  // a second cancel changes nothing
  reader->resume();
  std::this_thread::sleep_for(20ms);
  queue.sync([] {});
  EXPECT_EQ(cancelled, 2);
  EXPECT_EQ(eventsAfterCancel, 0);
  EXPECT_TRUE(reader->isCancelled());
}

TEST_F(FdSourceTest, SuspendedSourceStillRunsItsCancelHandlerAndDestructionCancels) {
  std::atomic<int> cancelled{0};
  {
    auto source = FdSource::makeRead(mine, queue);  // never resumed
    source->setCancelHandler([&] { ++cancelled; });
    source->cancel();
    auto other = FdSource::makeWrite(mine, queue);
    other->setCancelHandler([&] { ++cancelled; });
    other->resume();
  }
  queue.sync([] {});
  EXPECT_EQ(cancelled, 2);
}

TEST_F(FdSourceTest, ADescriptorNumberReusedAfterCancelGetsNoStaleEvents) {
  auto first = FdSource::makeRead(mine, queue);
  std::atomic<int> firstCalls{0};
  first->setEventHandler([&] { ++firstCalls; });
  first->setCancelHandler([&] { ::close(mine); });
  first->resume();
  first->cancel();
  queue.sync([] {});
  const int oldNumber = mine;
  mine = -1;
  int fds[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, fds), 0);
  EXPECT_EQ(fds[0], oldNumber);  // the lowest free number comes back
  auto second = FdSource::makeRead(fds[0], queue);
  std::string got;
  second->setEventHandler([&] {
    char buf[16];
    const ssize_t n = ::read(fds[0], buf, sizeof buf);
    if (n > 0) got.append(buf, static_cast<std::size_t>(n));
  });
  second->resume();
  ASSERT_EQ(::write(fds[1], "ok", 2), 2);
  ASSERT_TRUE(eventually(queue, [&] { return got == "ok"; }));
  EXPECT_EQ(firstCalls, 0);
  second->cancel();
  queue.sync([] {});
  ::close(fds[0]);
  ::close(fds[1]);
}

TEST(FdSourceListen, ListeningSocketReportsOneConnectionToAccept) {
  DispatchQueue queue("test.listen");
  const int lfd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  ASSERT_GE(lfd, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(lfd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(::listen(lfd, 4), 0);
  socklen_t len = sizeof addr;
  ASSERT_EQ(::getsockname(lfd, reinterpret_cast<sockaddr*>(&addr), &len), 0);
  auto source = FdSource::makeRead(lfd, queue);
  std::promise<std::size_t> pending;
  source->setEventHandler([&] {
    pending.set_value(source->data());
    const int c = ::accept(lfd, nullptr, nullptr);
    if (c >= 0) ::close(c);
    source->suspend();
  });
  source->resume();
  const int cfd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_EQ(::connect(cfd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  auto f = pending.get_future();
  ASSERT_EQ(f.wait_for(2s), std::future_status::ready);
  EXPECT_EQ(f.get(), 1u);
  source->cancel();
  queue.sync([] {});
  ::close(cfd);
  ::close(lfd);
}

}  // namespace
}  // namespace td
