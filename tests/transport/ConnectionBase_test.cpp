#include "transport/ConnectionBase.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <zmq.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/Log.h"
#include "platform/LoginInputdata.h"
#include "platform/ManualMainQueue.h"

namespace td {
namespace {

using namespace std::chrono_literals;

std::string frame(const std::string& body) { return "\x01" + std::to_string(body.size()) + "\x03" + body + "\x02"; }
std::string inner(const std::string& body) { return std::to_string(body.size()) + "\x03" + body; }

// A one-connection loopback server driven by the test thread.
struct Peer {
  Peer() {
    listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    listen(listener, 1);
    socklen_t len = sizeof addr;
    getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    port = ntohs(addr.sin_port);
  }
  ~Peer() {
    if (client >= 0) close(client);
    close(listener);
  }
  bool accept(std::chrono::milliseconds limit = 5000ms) {
    pollfd p{listener, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(limit.count())) <= 0) return false;
    client = ::accept(listener, nullptr, nullptr);
    return client >= 0;
  }
  void send(const std::string& bytes) { ASSERT_EQ(::send(client, bytes.data(), bytes.size(), MSG_NOSIGNAL), (ssize_t)bytes.size()); }
  std::string receive(size_t n, std::chrono::milliseconds limit = 5000ms) {
    std::string out;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (out.size() < n && std::chrono::steady_clock::now() < deadline) {
      pollfd p{client, POLLIN, 0};
      if (poll(&p, 1, 10) <= 0) continue;
      char buf[4096];
      const ssize_t got = ::recv(client, buf, std::min(sizeof buf, n - out.size()), 0);
      if (got <= 0) break;
      out.append(buf, static_cast<size_t>(got));
    }
    return out;
  }
  void hangUp() {
    close(client);
    client = -1;
  }
  int listener = -1;
  int client = -1;
  int port = 0;
};

struct Recorder : ConnectionEvents {
  void connectionDidConnect(bool demo) override { connects.push_back(demo); }
  void connectionDidReceiveFrame(std::string f, FrameChannel channel) override {
    frames.push_back(std::move(f));
    channels.push_back(channel);
  }
  void connectionDidReceiveSubscriptionUpdate(std::string u) override { updates.push_back(std::move(u)); }
  void connectionDidFail(const std::optional<GCDAsyncSocketError>& e) override { failures.push_back(e); }
  std::vector<bool> connects;
  std::vector<std::string> frames, updates;
  std::vector<FrameChannel> channels;
  std::vector<std::optional<GCDAsyncSocketError>> failures;
};

class ConnectionBaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log::setSink([](log::Level, std::string_view) {});
    logindata.setIPAddress("127.0.0.1");
    logindata.setPortNo(peer.port);
  }
  void TearDown() override {
    if (conn) conn->shutdown();
    conn.reset();
    main.runPending();
    log::setSink({});
  }
  void make(ConnectionBase::Options options = {}) { conn = ConnectionBase::create(logindata, events, main, options); }
  bool pumpUntil(const std::function<bool()>& pred) { return main.runUntil(pred, 5000ms); }

  ManualMainQueue main;
  LoginInputdata logindata;
  Peer peer;
  Recorder events;
  std::shared_ptr<ConnectionBase> conn;
};

TEST_F(ConnectionBaseTest, ConnectsAndHandsFramesToTheMainThreadInOrder) {
  make();
  conn->ConnectToServer(false);
  ASSERT_TRUE(peer.accept());
  ASSERT_TRUE(pumpUntil([&] { return !events.connects.empty(); }));
  EXPECT_EQ(events.connects, std::vector<bool>{false});
  const std::string stream = frame("10=33\x03" "a") + frame("10=18\x03");
  peer.send(stream.substr(0, 7));
  std::this_thread::sleep_for(20ms);
  peer.send(stream.substr(7));
  ASSERT_TRUE(pumpUntil([&] { return events.frames.size() == 2; }));
  EXPECT_EQ(events.frames[0], inner("10=33\x03" "a"));
  EXPECT_EQ(events.frames[1], inner("10=18\x03"));
  EXPECT_EQ(events.channels, (std::vector<FrameChannel>{FrameChannel::Session, FrameChannel::Session}));
  EXPECT_TRUE(events.failures.empty());
}

TEST_F(ConnectionBaseTest, RequestChannelRepliesAreMarkedAsSuchAndTcpFramesAsTheSession) {
  // A reply server that answers every request with two frames.
  void* ctx = zmq_ctx_new();
  void* rep = zmq_socket(ctx, ZMQ_REP);
  const int linger = 0;
  zmq_setsockopt(rep, ZMQ_LINGER, &linger, sizeof linger);
  ASSERT_EQ(zmq_bind(rep, "tcp://127.0.0.1:*"), 0);
  char endpoint[128];
  std::size_t length = sizeof endpoint;
  zmq_getsockopt(rep, ZMQ_LAST_ENDPOINT, endpoint, &length);
  const int repPort = std::stoi(std::string(endpoint).substr(std::string(endpoint).rfind(':') + 1));
  std::thread server([rep] {
    zmq_pollitem_t item{rep, 0, ZMQ_POLLIN, 0};
    if (zmq_poll(&item, 1, 5000) <= 0) return;
    char request[256];
    if (zmq_recv(rep, request, sizeof request, 0) < 0) return;
    const std::string reply = frame("10=1024\x03" "151=a") + frame("10=1041\x03");
    zmq_send(rep, reply.data(), reply.size(), 0);
  });

  make();
  conn->ConnectToServer(false);
  ASSERT_TRUE(peer.accept());
  ASSERT_TRUE(pumpUntil([&] { return !events.connects.empty(); }));
  conn->ConnectToZMQReqServer("127.0.0.1", repPort);
  conn->SendZMQRequestMessagetoServer(frame("10=1023\x03"));
  const bool replied = pumpUntil([&] { return events.frames.size() == 2; });
  peer.send(frame("10=1019\x03"));
  const bool tcp = pumpUntil([&] { return events.frames.size() == 3; });
  conn->shutdown();
  server.join();
  zmq_close(rep);
  zmq_ctx_term(ctx);
  ASSERT_TRUE(replied && tcp);
  EXPECT_EQ(events.frames[0], inner("10=1024\x03" "151=a"));
  EXPECT_EQ(events.frames[1], inner("10=1041\x03"));
  EXPECT_EQ(events.channels,
            (std::vector<FrameChannel>{FrameChannel::Requests, FrameChannel::Requests, FrameChannel::Session}));
}

TEST_F(ConnectionBaseTest, SentFramesReachThePeerByteForByte) {
  make();
  conn->ConnectToServer(false);
  ASSERT_TRUE(peer.accept());
  ASSERT_TRUE(pumpUntil([&] { return conn->isConnected(); }));
  const std::string request = frame("10=1018\x03" "20=1\x03" "58=caf\xC3\xA9\x03");
  EXPECT_TRUE(conn->SendMessagetoServer(request));
  EXPECT_EQ(peer.receive(request.size()), request);
}

TEST_F(ConnectionBaseTest, ServerCloseTakesTheFailurePath) {
  make();
  conn->ConnectToServer(false);
  ASSERT_TRUE(peer.accept());
  ASSERT_TRUE(pumpUntil([&] { return !events.connects.empty(); }));
  peer.hangUp();
  ASSERT_TRUE(pumpUntil([&] { return events.failures.size() == 1; }));
  EXPECT_FALSE(conn->isNetworkAvailable());
  EXPECT_FALSE(conn->SendMessagetoServer(frame("10=1018\x03")));
}

TEST_F(ConnectionBaseTest, PlannedDisconnectIsQuiet) {
  make();
  conn->ConnectToServer(false);
  ASSERT_TRUE(peer.accept());
  ASSERT_TRUE(pumpUntil([&] { return !events.connects.empty(); }));
  conn->DisconnectServer();
  std::this_thread::sleep_for(50ms);
  main.runPending();
  EXPECT_TRUE(events.failures.empty());
}

TEST_F(ConnectionBaseTest, ReloginDisconnectTakesTheFailurePath) {
  make();
  conn->ConnectToServer(false);
  ASSERT_TRUE(peer.accept());
  ASSERT_TRUE(pumpUntil([&] { return !events.connects.empty(); }));
  conn->ReloginRequestDisconnectServer();
  ASSERT_TRUE(pumpUntil([&] { return events.failures.size() == 1; }));
}

TEST_F(ConnectionBaseTest, SilentServerTimesOutAfterTheFirstRead) {
  make({std::chrono::milliseconds(150), std::chrono::milliseconds(150)});
  conn->ConnectToServer(false);
  ASSERT_TRUE(peer.accept());
  // The first read waits without limit; only after the first data does the read time-out apply.
  std::this_thread::sleep_for(300ms);
  main.runPending();
  EXPECT_TRUE(events.failures.empty());
  peer.send(frame("10=33\x03"));
  ASSERT_TRUE(pumpUntil([&] { return events.failures.size() == 1; }));
  ASSERT_TRUE(events.failures[0].has_value());
  EXPECT_EQ(events.frames.size(), 1u);
}

TEST_F(ConnectionBaseTest, ConnectThatCannotStartFailsAtOnce) {
  logindata.setIPAddress("");
  make();
  conn->ConnectToServer(false);
  ASSERT_TRUE(pumpUntil([&] { return events.failures.size() == 1; }));
  logindata.setIPAddress("127.0.0.1");
  logindata.setPortNo(0);
  conn->ConnectToServer(false);
  ASSERT_TRUE(pumpUntil([&] { return events.failures.size() == 2; }));
}

TEST_F(ConnectionBaseTest, DemoRegistrationConnectIsReportedAndItsCloseIsQuiet) {
  make();
  conn->ConnectToServer(true);
  ASSERT_TRUE(peer.accept());
  ASSERT_TRUE(pumpUntil([&] { return !events.connects.empty(); }));
  EXPECT_EQ(events.connects, std::vector<bool>{true});
  peer.hangUp();
  std::this_thread::sleep_for(100ms);
  main.runPending();
  EXPECT_TRUE(events.failures.empty());
}

TEST_F(ConnectionBaseTest, SubscriptionsFollowItemsUnlessBlocked) {
  make();
  bool blocked = true;
  conn->setSubscriptionsBlocked([&] { return blocked; });
  conn->ProcessSubscribeandUnSubscribeItems({"EURUSD"}, true);
  EXPECT_FALSE(conn->channels().isSubscribed("*#bm#*:"));
  blocked = false;
  conn->ProcessSubscribeandUnSubscribeItems({}, true);
  EXPECT_TRUE(conn->channels().isSubscribed("*#bm#*:"));
  conn->ProcessSubscribeandUnSubscribeItems({"EURUSD", "GOLD"}, true);
  EXPECT_TRUE(conn->channels().isSubscribed("EURUSD"));
  EXPECT_TRUE(conn->channels().isSubscribed("MD_GOLD;"));
  conn->ProcessSubscribeandUnSubscribeItems({"EURUSD"}, false);
  EXPECT_FALSE(conn->channels().isSubscribed("EURUSD"));
  EXPECT_FALSE(conn->channels().isSubscribed("MD_EURUSD;"));
  EXPECT_TRUE(conn->channels().isSubscribed("*#bm#*:"));
}

TEST_F(ConnectionBaseTest, ReleasingTheConnectionFromTheMainThreadNeverHangs) {
  make();
  conn->ConnectToServer(false);
  ASSERT_TRUE(peer.accept());
  ASSERT_TRUE(pumpUntil([&] { return !events.connects.empty(); }));
  conn->ConnectToZMQReqServer("127.0.0.1", 1);
  conn->SendZMQRequestMessagetoServer(frame("10=1023\x03"));
  // Far past what the release takes on a loaded machine, far short of the 30 s reply time-out it must
  // not wait for.
  const auto start = std::chrono::steady_clock::now();
  conn.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
}

}  // namespace
}  // namespace td
