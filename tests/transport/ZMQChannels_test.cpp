#include "transport/ZMQChannels.h"

#include <gtest/gtest.h>
#include <zmq.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Log.h"

namespace td {
namespace {

using namespace std::chrono_literals;

std::string frame(const std::string& body) { return "\x01" + std::to_string(body.size()) + "\x03" + body + "\x02"; }
std::string inner(const std::string& body) { return std::to_string(body.size()) + "\x03" + body; }

// Collects what the channel threads hand over, with bounded waits.
struct Inbox {
  std::mutex m;
  std::condition_variable cv;
  std::vector<std::string> items;
  void add(std::string s) {
    std::lock_guard lock(m);
    items.push_back(std::move(s));
    cv.notify_all();
  }
  bool waitFor(size_t n, std::chrono::milliseconds limit = 5000ms) {
    std::unique_lock lock(m);
    return cv.wait_for(lock, limit, [&] { return items.size() >= n; });
  }
  std::vector<std::string> snapshot() {
    std::lock_guard lock(m);
    return items;
  }
  bool waitForItem(const std::string& s, std::chrono::milliseconds limit) {
    std::unique_lock lock(m);
    size_t scanned = 0;  // each wake-up looks only at what arrived since the last one
    return cv.wait_for(lock, limit, [&] {
      for (; scanned < items.size(); ++scanned)
        if (items[scanned] == s) return true;
      return false;
    });
  }
  bool contains(const std::string& s) {
    std::lock_guard lock(m);
    for (const auto& i : items)
      if (i == s) return true;
    return false;
  }
  void clear() {
    std::lock_guard lock(m);
    items.clear();
  }
};

// How long a stop may take on a loaded machine: far past a join of threads that see their stop at
// once, far short of the 30 s reply time-out that a stop must not wait for.
constexpr auto kStopBound = 10s;

int boundPort(void* socket) {
  char endpoint[256];
  size_t len = sizeof endpoint;
  zmq_getsockopt(socket, ZMQ_LAST_ENDPOINT, endpoint, &len);
  const std::string text(endpoint);
  return std::stoi(text.substr(text.rfind(':') + 1));
}

class ZMQChannelsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log::setSink([](log::Level, std::string_view) {});
    ctx = zmq_ctx_new();
  }
  void TearDown() override {
    for (void* s : sockets) zmq_close(s);  // also after a failed assertion, or the term would hang
    zmq_ctx_term(ctx);
    log::setSink({});
  }
  void* bind(int type, int port = 0) {
    void* s = zmq_socket(ctx, type);
    sockets.push_back(s);
    const int linger = 0;
    zmq_setsockopt(s, ZMQ_LINGER, &linger, sizeof linger);
    const std::string ep = "tcp://127.0.0.1:" + (port ? std::to_string(port) : std::string("*"));
    EXPECT_EQ(zmq_bind(s, ep.c_str()), 0) << zmq_strerror(zmq_errno());
    return s;
  }
  void* ctx = nullptr;
  std::vector<void*> sockets;
  Inbox updates, replies;
};

// Publishes `message` until `inbox` holds it (a subscription takes a moment to reach the publisher).
bool publishUntilSeen(void* pub, const std::string& message, Inbox& inbox) {
  for (int i = 0; i < 400; ++i) {
    zmq_send(pub, message.data(), message.size(), ZMQ_DONTWAIT);
    if (inbox.waitForItem(message, 10ms)) return true;
  }
  return false;
}

TEST_F(ZMQChannelsTest, SubscribedTopicsArriveOthersDoNot) {
  void* pub = bind(ZMQ_PUB);
  ZMQChannels channels([&](std::string u) { updates.add(std::move(u)); }, [&](std::string f) { replies.add(std::move(f)); });
  channels.subscribe("IS;");
  channels.connectSubscription("127.0.0.1", boundPort(pub));
  EXPECT_TRUE(channels.subscribe("EURUSD"));
  ASSERT_TRUE(publishUntilSeen(pub, "EURUSD\x04" "1.1", updates));
  ASSERT_TRUE(publishUntilSeen(pub, "IS;\x01" "x", updates));
  zmq_send(pub, "GBPUSD\x04" "2", 8, 0);
  ASSERT_TRUE(publishUntilSeen(pub, "EURUSD\x04" "1.2", updates));
  EXPECT_FALSE(updates.contains("GBPUSD\x04" "2"));
  channels.stop();
}

TEST_F(ZMQChannelsTest, RepeatedSubscribeDoesNotDefeatALaterUnsubscribe) {
  void* pub = bind(ZMQ_PUB);
  ZMQChannels channels([&](std::string u) { updates.add(std::move(u)); }, [](std::string) {});
  channels.connectSubscription("127.0.0.1", boundPort(pub));
  EXPECT_TRUE(channels.subscribe("EURUSD"));
  EXPECT_FALSE(channels.subscribe("EURUSD"));
  channels.subscribe("MARK");
  ASSERT_TRUE(publishUntilSeen(pub, "EURUSD\x04" "1", updates));
  EXPECT_TRUE(channels.unsubscribe("EURUSD"));
  EXPECT_FALSE(channels.unsubscribe("EURUSD"));
  // Once a marker sent after the unsubscribe arrives, the unsubscribe has reached the publisher too.
  updates.clear();
  for (int i = 0; i < 400 && !updates.contains("MARK-after"); ++i) {
    zmq_send(pub, "EURUSD\x04" "2", 8, 0);
    zmq_send(pub, "MARK-after", 10, 0);
    updates.waitForItem("MARK-after", 10ms);
  }
  updates.clear();
  for (int i = 0; i < 20; ++i) zmq_send(pub, "EURUSD\x04" "3", 8, 0);
  ASSERT_TRUE(publishUntilSeen(pub, "MARK-end", updates));
  EXPECT_FALSE(updates.contains("EURUSD\x04" "3"));
  channels.stop();
}

TEST_F(ZMQChannelsTest, ReconnectedSubscriptionGetsEveryTopicAgain) {
  void* pub = bind(ZMQ_PUB);
  ZMQChannels channels([&](std::string u) { updates.add(std::move(u)); }, [](std::string) {});
  channels.subscribe("EURUSD");
  channels.connectSubscription("127.0.0.1", boundPort(pub));
  ASSERT_TRUE(publishUntilSeen(pub, "EURUSD\x04" "1", updates));
  channels.connectSubscription("127.0.0.1", boundPort(pub));  // joins the old reader first
  updates.clear();
  ASSERT_TRUE(publishUntilSeen(pub, "EURUSD\x04" "2", updates));
  channels.stop();
}

TEST_F(ZMQChannelsTest, BurstPastTheHighWaterMarkNeitherHangsNorStopsTheFeed) {
  void* pub = bind(ZMQ_PUB);
  // Small queues on the publisher's side, so the burst overflows them instead of piling up in the
  // kernel's socket buffers (which would only make the reader's catching up slow).
  const int hwm = 100, sndbuf = 4096;
  zmq_setsockopt(pub, ZMQ_SNDHWM, &hwm, sizeof hwm);
  zmq_setsockopt(pub, ZMQ_SNDBUF, &sndbuf, sizeof sndbuf);
  ZMQChannels channels([&](std::string u) { updates.add(std::move(u)); }, [](std::string) {});
  channels.subscribe("B");
  channels.connectSubscription("127.0.0.1", boundPort(pub));
  ASSERT_TRUE(publishUntilSeen(pub, "B-first", updates));
  for (int i = 0; i < 20000; ++i) {
    const std::string m = "B" + std::to_string(i);
    zmq_send(pub, m.data(), m.size(), ZMQ_DONTWAIT);
  }
  ASSERT_TRUE(publishUntilSeen(pub, "B-last", updates)) << updates.snapshot().size() << " updates arrived";
  const auto seen = updates.snapshot();
  EXPECT_GT(seen.size(), 2u);
  const auto start = std::chrono::steady_clock::now();
  channels.stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, kStopBound);
}

// A reply server on its own thread: `answer` maps a request to the reply (empty optional = stay silent).
struct ReplyServer {
  ReplyServer(void* ctx, int port, std::function<std::optional<std::string>(const std::string&)> answer)
      : answer_(std::move(answer)) {
    socket = zmq_socket(ctx, ZMQ_ROUTER);  // a router can stay silent or answer late without locking up
    const int linger = 0;
    zmq_setsockopt(socket, ZMQ_LINGER, &linger, sizeof linger);
    const std::string ep = "tcp://127.0.0.1:" + (port ? std::to_string(port) : std::string("*"));
    zmq_bind(socket, ep.c_str());
    this->port = boundPort(socket);
    thread = std::thread([this] { run(); });
  }
  ~ReplyServer() {
    stop = true;
    thread.join();
    zmq_close(socket);
  }
  void run() {
    while (!stop) {
      zmq_pollitem_t item{socket, 0, ZMQ_POLLIN, 0};
      if (zmq_poll(&item, 1, 10) <= 0) continue;
      // REQ envelope through a ROUTER: identity, empty delimiter, body.
      std::vector<std::string> parts;
      int more = 1;
      while (more) {
        zmq_msg_t msg;
        zmq_msg_init(&msg);
        zmq_msg_recv(&msg, socket, 0);
        parts.emplace_back(static_cast<char*>(zmq_msg_data(&msg)), zmq_msg_size(&msg));
        more = zmq_msg_more(&msg);
        zmq_msg_close(&msg);
      }
      if (parts.size() < 3) continue;
      received.add(parts.back());
      auto reply = answer_(parts.back());
      if (!reply) continue;
      zmq_send(socket, parts[0].data(), parts[0].size(), ZMQ_SNDMORE);
      zmq_send(socket, "", 0, ZMQ_SNDMORE);
      zmq_send(socket, reply->data(), reply->size(), 0);
    }
  }
  void* socket;
  int port = 0;
  std::atomic<bool> stop{false};
  Inbox received;
  std::function<std::optional<std::string>(const std::string&)> answer_;
  std::thread thread;
};

TEST_F(ZMQChannelsTest, RequestsGoOutInOrderAndRepliesAreCutIntoFrames) {
  ReplyServer server(ctx, 0, [](const std::string& req) -> std::optional<std::string> {
    if (req == "two") return frame("10=1024\x03" "a") + frame("10=1024\x03" "b");
    return frame("10=1024\x03" + req);
  });
  ZMQChannels channels([](std::string) {}, [&](std::string f) { replies.add(std::move(f)); });
  channels.sendRequest("one");
  channels.sendRequest("two");
  channels.sendRequest("three");
  channels.connectRequests("127.0.0.1", server.port);
  ASSERT_TRUE(replies.waitFor(4));
  EXPECT_EQ(replies.snapshot(),
            (std::vector<std::string>{inner("10=1024\x03" "one"), inner("10=1024\x03" "a"), inner("10=1024\x03" "b"),
                                      inner("10=1024\x03" "three")}));
  EXPECT_EQ(server.received.snapshot(), (std::vector<std::string>{"one", "two", "three"}));
}

TEST_F(ZMQChannelsTest, SilentPeerDropsTheRequestAndTheChannelGoesOn) {
  ReplyServer server(ctx, 0, [](const std::string& req) -> std::optional<std::string> {
    if (req == "ignored") return std::nullopt;
    return frame(req);
  });
  ZMQChannels channels([](std::string) {}, [&](std::string f) { replies.add(std::move(f)); }, {150ms});
  channels.connectRequests("127.0.0.1", server.port);
  channels.sendRequest("ignored");
  // On a loaded machine an answered request can miss the short time-out too; ask again until one
  // gets through (bounded).
  for (int i = 0; i < 20 && !replies.waitFor(1, 0ms); ++i) {
    channels.sendRequest("next");
    replies.waitFor(1, 400ms);
  }
  ASSERT_TRUE(replies.waitFor(1));
  EXPECT_EQ(replies.snapshot().front(), inner("next"));
  EXPECT_GE(channels.requestsDropped(), 1u);
  EXPECT_EQ(server.received.snapshot().front(), "ignored");
}

TEST_F(ZMQChannelsTest, EveryRequestEndsInOneOutcomeAfterItsReplyFrames) {
  std::atomic<int> cuts{0};
  ReplyServer server(ctx, 0, [&](const std::string& req) -> std::optional<std::string> {
    if (req == "two") return frame("a") + frame("b");
    if (req == "ignored" || (req == "cut" && cuts++ == 0)) return std::nullopt;
    return frame(req);
  });
  Inbox events;  // frames and outcomes in the order the channel hands them over
  // A reply time-out that an answered request beats by far, also on a loaded machine.
  constexpr auto replyTimeout = 2000ms;
  ZMQChannels channels([](std::string) {}, [&](std::string f) { events.add(std::move(f)); }, {replyTimeout});
  channels.setRequestDoneSink([&](bool answered) { events.add(answered ? "done" : "lost"); });
  for (const char* request : {"two", "ignored", "three"}) channels.sendRequest(request);
  channels.connectRequests("127.0.0.1", server.port);
  ASSERT_TRUE(events.waitFor(6, replyTimeout + 5000ms));
  channels.sendRequest("cut");
  ASSERT_TRUE(server.received.waitFor(4));
  // A stop puts the request waiting for its reply back in the queue, with no outcome yet; sent
  // again after the reconnect (and answered then), it ends in its one outcome.
  channels.stop();
  channels.connectRequests("127.0.0.1", server.port);
  ASSERT_TRUE(events.waitFor(8));
  EXPECT_EQ(events.snapshot(), (std::vector<std::string>{inner("a"), inner("b"), "done", "lost", inner("three"), "done",
                                                         inner("cut"), "done"}));
  EXPECT_EQ(server.received.snapshot().size(), 5u);
}

TEST_F(ZMQChannelsTest, LateReplyIsNeverTakenForTheNextRequest) {
  ReplyServer server(ctx, 0, [](const std::string& req) -> std::optional<std::string> {
    // Answers "slow" after the client gave up on it, and "fast" well inside its time.
    if (req == "slow") std::this_thread::sleep_for(250ms);
    return frame("reply-to-" + req);
  });
  ZMQChannels channels([](std::string) {}, [&](std::string f) { replies.add(std::move(f)); }, {200ms});
  channels.connectRequests("127.0.0.1", server.port);
  channels.sendRequest("slow");
  for (int i = 0; i < 20 && !replies.waitFor(1, 0ms); ++i) {
    channels.sendRequest("fast");
    replies.waitFor(1, 600ms);
  }
  ASSERT_TRUE(replies.waitFor(1)) << "server saw " << server.received.snapshot().size() << " dropped "
                                  << channels.requestsDropped();
  std::this_thread::sleep_for(100ms);
  for (const std::string& reply : replies.snapshot()) EXPECT_EQ(reply, inner("reply-to-fast"));
}

TEST_F(ZMQChannelsTest, RestartedServerIsServedAgain) {
  int port = 0;
  {
    ReplyServer first(ctx, 0, [](const std::string& r) -> std::optional<std::string> { return frame(r); });
    port = first.port;
    ZMQChannels probe([](std::string) {}, [](std::string) {});
  }
  ZMQChannels channels([](std::string) {}, [&](std::string f) { replies.add(std::move(f)); }, {200ms});
  channels.connectRequests("127.0.0.1", port);
  channels.sendRequest("while-down");
  std::this_thread::sleep_for(300ms);  // the request times out against nobody
  ReplyServer second(ctx, port, [](const std::string& r) -> std::optional<std::string> { return frame(r); });
  channels.sendRequest("after-restart");
  ASSERT_TRUE(replies.waitFor(1));
  EXPECT_TRUE(replies.contains(inner("after-restart")));
}

TEST_F(ZMQChannelsTest, RequestWaitingForItsReplyGoesOutAgainAfterAReconnect) {
  std::atomic<int> seen{0};
  ReplyServer server(ctx, 0, [&](const std::string& r) -> std::optional<std::string> {
    if (seen++ == 0) return std::nullopt;  // the first copy is never answered
    return frame(r);
  });
  ZMQChannels channels([](std::string) {}, [&](std::string f) { replies.add(std::move(f)); });
  channels.connectRequests("127.0.0.1", server.port);
  channels.sendRequest("in-flight");
  ASSERT_TRUE(server.received.waitFor(1));
  channels.connectRequests("127.0.0.1", server.port);  // as the reachability reconnect does
  ASSERT_TRUE(replies.waitFor(1));
  EXPECT_EQ(replies.snapshot(), std::vector<std::string>{inner("in-flight")});
  EXPECT_EQ(server.received.snapshot(), (std::vector<std::string>{"in-flight", "in-flight"}));
  EXPECT_EQ(channels.requestsDropped(), 0u);
}

TEST_F(ZMQChannelsTest, StopDoesNotWaitForAnOutstandingReply) {
  ReplyServer server(ctx, 0, [](const std::string&) -> std::optional<std::string> { return std::nullopt; });
  ZMQChannels channels([](std::string) {}, [](std::string) {});  // the 30 s default time-out
  channels.connectRequests("127.0.0.1", server.port);
  channels.sendRequest("never-answered");
  ASSERT_TRUE(server.received.waitFor(1));
  const auto start = std::chrono::steady_clock::now();
  channels.stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, kStopBound);
}

}  // namespace
}  // namespace td
