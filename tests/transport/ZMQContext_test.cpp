#include "transport/ZMQContext.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/Log.h"

namespace td {
namespace {

class ZMQWrapperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log::setSink([this](log::Level, std::string_view text) { lines.emplace_back(text); });
  }
  void TearDown() override { log::setSink({}); }
  bool logged(const std::string& needle) const {
    for (const auto& l : lines)
      if (l.find(needle) != std::string::npos) return true;
    return false;
  }
  std::vector<std::string> lines;
};

std::string boundEndpoint(ZMQSocket& socket) {
  auto text = socket.dataForOption(ZMQ_LAST_ENDPOINT);
  std::string endpoint = text.value_or("");
  while (!endpoint.empty() && endpoint.back() == '\0') endpoint.pop_back();
  return endpoint;
}

TEST_F(ZMQWrapperTest, SocketTypeNames) {
  EXPECT_EQ(ZMQSocket::nameForSocketType(0), "ZMQ_PAIR");
  EXPECT_EQ(ZMQSocket::nameForSocketType(2), "ZMQ_SUB");
  EXPECT_EQ(ZMQSocket::nameForSocketType(8), "ZMQ_PUSH");
  EXPECT_EQ(ZMQSocket::nameForSocketType(9), "UNKNOWN");
  EXPECT_EQ(ZMQSocket::nameForSocketType(-1), "UNKNOWN");
}

TEST_F(ZMQWrapperTest, RejectedTypeThrowsAndLeavesTheSocketSetUnchanged) {
  auto ctx = ZMQContext::create(1);
  try {
    ctx->socketWithType(99);
    FAIL() << "expected ZMQException";
  } catch (const ZMQException& e) {
    EXPECT_EQ(e.errorCode(), EINVAL);
  }
  EXPECT_TRUE(ctx->sockets().empty());
  EXPECT_TRUE(logged("zmq_socket"));
}

TEST_F(ZMQWrapperTest, CloseIsIdempotent) {
  auto ctx = ZMQContext::create(1);
  auto s = ctx->socketWithType(ZMQ_REQ);
  s->close();
  EXPECT_TRUE(s->isClosed());
  s->close();
  EXPECT_TRUE(s->isClosed());
  EXPECT_NE(s->description().find("type=ZMQ_REQ"), std::string::npos);
  EXPECT_NE(s->description().find("closed=1"), std::string::npos);
}

TEST_F(ZMQWrapperTest, NonBlockingReceiveWithNothingPendingThrowsEagain) {
  auto ctx = ZMQContext::create(1);
  auto s = ctx->socketWithType(ZMQ_PULL);
  s->bindToEndpoint("tcp://127.0.0.1:*");
  try {
    s->receiveDataWithFlags(ZMQ_DONTWAIT);
    FAIL() << "expected ZMQException";
  } catch (const ZMQException& e) {
    EXPECT_EQ(e.errorCode(), EAGAIN);
  }
  EXPECT_TRUE(logged("zmq_recv"));
}

TEST_F(ZMQWrapperTest, NonBlockingSendWithoutPeerReturnsFalseWithoutThrowing) {
  auto ctx = ZMQContext::create(1);
  auto s = ctx->socketWithType(ZMQ_REQ);
  const int immediate = 1;  // no queueing for a peer that is not connected
  s->setData(std::string_view(reinterpret_cast<const char*>(&immediate), sizeof immediate), ZMQ_IMMEDIATE);
  s->connectToEndpoint("tcp://127.0.0.1:1");  // nobody there
  EXPECT_FALSE(s->sendData("hello", ZMQ_DONTWAIT));
  EXPECT_TRUE(logged("zmq_sendmsg"));
  EXPECT_EQ(s->endpoint(), "tcp://127.0.0.1:1");
}

TEST_F(ZMQWrapperTest, BadEndpointThrowsAndKeepsTheEndpoint) {
  auto ctx = ZMQContext::create(1);
  auto s = ctx->socketWithType(ZMQ_SUB);
  EXPECT_THROW(s->connectToEndpoint("nonsense"), ZMQException);
  EXPECT_EQ(s->endpoint(), "nonsense");
  EXPECT_TRUE(logged("zmq_connect"));
}

TEST_F(ZMQWrapperTest, RequestReplyRoundTripAndOptionLength) {
  auto ctx = ZMQContext::create(1);
  auto rep = ctx->socketWithType(ZMQ_REP);
  rep->bindToEndpoint("tcp://127.0.0.1:*");
  const std::string endpoint = boundEndpoint(*rep);
  ASSERT_EQ(endpoint.rfind("tcp://127.0.0.1:", 0), 0u);
  auto req = ctx->socketWithType(ZMQ_REQ);
  req->connectToEndpoint(endpoint);
  ASSERT_TRUE(req->sendData(std::string("10=1023\x03\x00tail", 13), 0));
  EXPECT_EQ(rep->receiveDataWithFlags(0), std::string("10=1023\x03\x00tail", 13));
  ASSERT_TRUE(rep->sendData("", 0));
  EXPECT_EQ(req->receiveDataWithFlags(0), "");
}

TEST_F(ZMQWrapperTest, SubscribeAllReceivesEveryTopic) {
  auto ctx = ZMQContext::create(1);
  auto pub = ctx->socketWithType(ZMQ_PUB);
  pub->bindToEndpoint("tcp://127.0.0.1:*");
  auto sub = ctx->socketWithType(ZMQ_SUB);
  ASSERT_TRUE(sub->subscribeAll());
  sub->connectToEndpoint(boundEndpoint(*pub));
  // A subscriber joins late; publish until the first message arrives (bounded).
  std::string got;
  for (int i = 0; i < 500 && got.empty(); ++i) {
    pub->sendData("EURUSD\x04" "1.1", 0);
    zmq_pollitem_t item;
    sub->getPollItem(&item, ZMQ_POLLIN);
    if (ZMQContext::pollWithItems(&item, 1, 10) > 0) got = sub->receiveDataWithFlags(0);
  }
  EXPECT_EQ(got, "EURUSD\x04" "1.1");
}

TEST_F(ZMQWrapperTest, DestroyingTheContextClosesOpenSocketsInsteadOfHanging) {
  std::shared_ptr<ZMQSocket> kept;
  {
    auto ctx = ZMQContext::create(1);
    kept = ctx->socketWithType(ZMQ_REQ);
    kept->connectToEndpoint("tcp://127.0.0.1:1");
    kept->sendData("queued", ZMQ_DONTWAIT);
  }
  EXPECT_TRUE(kept->isClosed());
  EXPECT_EQ(kept->context(), nullptr);
}

TEST_F(ZMQWrapperTest, BlockedReceiveEndsWhenTheContextTerminates) {
  auto ctx = ZMQContext::create(1);
  auto s = ctx->socketWithType(ZMQ_PULL);
  s->bindToEndpoint("tcp://127.0.0.1:*");
  int code = 0;
  std::thread reader([&] {
    try {
      s->receiveDataWithFlags(0);
    } catch (const ZMQException& e) {
      code = e.errorCode();
    }
    s->closeWithoutLinger();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ctx->terminate();
  reader.join();
  EXPECT_EQ(code, ETERM);
  EXPECT_TRUE(ctx->isTerminated());
}

}  // namespace
}  // namespace td
