// The asynchronous socket against a loopback peer: configuration checks, connecting, every read
// and write form, closing, time-outs on a manual clock, and accepting on IPv4 and IPv6.

#include <fcntl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>

#include "GCDAsyncSocketTestSupport.h"
#include "platform/Clock.h"

namespace td {
namespace {

using namespace std::chrono_literals;
using test::bytesOf;
using test::LoopbackPeer;
using test::RecordingDelegate;
using test::textOf;

bool ipv6LoopbackAvailable() {
  const int fd = ::socket(AF_INET6, SOCK_STREAM, 0);
  if (fd < 0) return false;
  sockaddr_in6 sa{};
  sa.sin6_family = AF_INET6;
  sa.sin6_addr = in6addr_loopback;
  const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
  ::close(fd);
  return ok;
}

class GCDAsyncSocketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    delegateQueue = std::make_shared<DispatchQueue>("delegate");
    socketQueue = std::make_shared<DispatchQueue>("socket", clock);
    rec = std::make_shared<RecordingDelegate>();
    sock = GCDAsyncSocket::create(rec, delegateQueue, socketQueue);
  }
  void TearDown() override {
    sock.reset();
    rec->dropAccepted();
    // Callbacks still queued may hold the last reference to a socket: let them finish while the
    // clock is still alive.
    delegateQueue->shutdown();
    socketQueue->shutdown();
  }

  void connect() {
    GCDAsyncSocketError err;
    ASSERT_TRUE(sock->connectToHost("localhost", peer.port(), &err)) << err.toString();
    ASSERT_GE(peer.acceptConnection(), 0);
    ASSERT_TRUE(rec->waitFor("connect"));
  }
  // Lets every task queued so far on the socket queue, and then on the delegate queue, run.
  void settle() {
    sock->performBlock([] {});
    delegateQueue->sync([] {});
    sock->performBlock([] {});
    delegateQueue->sync([] {});
  }
  void shrinkBuffers() {
    sock->performBlock([&] {
      int small = 16384;
      ::setsockopt(sock->socketFD(), SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    });
  }

  ManualClock clock;  // outlives the socket queue that reads it
  LoopbackPeer peer;
  std::shared_ptr<DispatchQueue> delegateQueue;
  std::shared_ptr<DispatchQueue> socketQueue;
  std::shared_ptr<RecordingDelegate> rec;
  std::shared_ptr<GCDAsyncSocket> sock;
};

// ---- Objects and configuration -------------------------------------------------------------

TEST_F(GCDAsyncSocketTest, RefusesToStartWithoutDelegateOrQueueOrProtocols) {
  auto bare = GCDAsyncSocket::create();
  GCDAsyncSocketError err;
  EXPECT_FALSE(bare->connectToHost("localhost", peer.port(), &err));
  EXPECT_TRUE(err.is(GCDAsyncSocketErrorDomain, 1));
  EXPECT_EQ(err.description, "Attempting to connect without a delegate. Set a delegate first.");

  bare->setDelegate(rec);
  EXPECT_FALSE(bare->connectToHost("localhost", peer.port(), &err));
  EXPECT_EQ(err.description, "Attempting to connect without a delegate queue. Set a delegate queue first.");
  EXPECT_FALSE(bare->acceptOnPort(0, &err));
  EXPECT_TRUE(err.is(GCDAsyncSocketErrorDomain, 1));
  EXPECT_EQ(err.description, "Attempting to accept without a delegate queue. Set a delegate queue first.");

  EXPECT_FALSE(sock->connectToHost("", peer.port(), &err));
  EXPECT_TRUE(err.is(GCDAsyncSocketErrorDomain, 2));
  EXPECT_EQ(err.description, "Invalid host parameter (nil or \"\"). Should be a domain name or IP address string.");

  EXPECT_FALSE(sock->connectToAddress(test::Bytes(10, 0), &err));
  EXPECT_EQ(err.description, "A valid IPv4 or IPv6 address was not given");

  EXPECT_FALSE(sock->connectToHost("localhost", peer.port(), std::string("no-such-interface0"), -1, &err));
  EXPECT_TRUE(err.is(GCDAsyncSocketErrorDomain, 2));

  sock->setIPv4Enabled(false);
  EXPECT_FALSE(sock->isIPv4Enabled());  // the asynchronous setter is seen by the next getter
  sock->setIPv6Enabled(false);
  EXPECT_FALSE(sock->connectToHost("localhost", peer.port(), &err));
  EXPECT_EQ(err.description, "Both IPv4 and IPv6 have been disabled. Must enable at least one protocol first.");
  EXPECT_FALSE(sock->connectToAddress(peer.address(), &err));
  EXPECT_TRUE(err.is(GCDAsyncSocketErrorDomain, 2));
  EXPECT_EQ(err.description, "IPv4 has been disabled and an IPv4 address was passed.");
  EXPECT_TRUE(sock->isDisconnected());
  settle();
  EXPECT_TRUE(rec->events().empty());
}

TEST_F(GCDAsyncSocketTest, ConfigurationAndUserDataRoundTrip) {
  EXPECT_TRUE(sock->isIPv4Enabled());
  EXPECT_TRUE(sock->isIPv6Enabled());
  EXPECT_TRUE(sock->isIPv4PreferredOverIPv6());
  sock->setPreferIPv4OverIPv6(false);
  EXPECT_FALSE(sock->isIPv4PreferredOverIPv6());
  EXPECT_TRUE(sock->autoDisconnectOnClosedReadStream());
  sock->setAutoDisconnectOnClosedReadStream(false);
  EXPECT_FALSE(sock->autoDisconnectOnClosedReadStream());

  auto data = std::make_shared<int>(42);
  sock->setUserData(data);
  EXPECT_EQ(sock->userData(), data);
  EXPECT_EQ(sock->delegate(), rec);
  EXPECT_EQ(sock->delegateQueue(), delegateQueue);
  auto other = std::make_shared<DispatchQueue>("other");
  sock->synchronouslySetDelegate(rec, other);
  std::shared_ptr<GCDAsyncSocketDelegate> d;
  std::shared_ptr<DispatchQueue> q;
  sock->getDelegate(&d, &q);
  EXPECT_EQ(d, rec);
  EXPECT_EQ(q, other);
  sock->synchronouslySetDelegateQueue(delegateQueue);
  EXPECT_EQ(sock->socketFD(), -1);  // only valid on the socket queue
}

TEST_F(GCDAsyncSocketTest, DisconnectOnIdleSocketDoesNothing) {
  sock->disconnect();
  sock->disconnectAfterReadingAndWriting();
  sock->readDataWithTimeout(-1, 1);  // dropped: not started
  sock->writeData(bytesOf("x"), -1, 1);
  settle();
  EXPECT_TRUE(rec->events().empty());
  EXPECT_TRUE(sock->isDisconnected());
  EXPECT_TRUE(std::isnan(sock->progressOfReadReturningTag(nullptr, nullptr, nullptr)));
}

// ---- Connecting and closing ----------------------------------------------------------------

TEST_F(GCDAsyncSocketTest, ConnectsToLocalhostOverIPv4AndReportsAddresses) {
  connect();
  const auto ev = *rec->waitFor("connect");
  EXPECT_EQ(ev.host, "127.0.0.1");
  EXPECT_EQ(ev.port, peer.port());
  EXPECT_TRUE(sock->isConnected());
  EXPECT_FALSE(sock->isDisconnected());
  EXPECT_TRUE(sock->isIPv4());
  EXPECT_FALSE(sock->isIPv6());
  EXPECT_EQ(sock->connectedHost(), "127.0.0.1");
  EXPECT_EQ(sock->connectedPort(), peer.port());
  EXPECT_EQ(sock->localHost(), "127.0.0.1");
  EXPECT_NE(sock->localPort(), 0);
  ASSERT_TRUE(sock->connectedAddress());
  EXPECT_EQ(GCDAsyncSocket::portFromAddress(*sock->connectedAddress()), peer.port());

  GCDAsyncSocketError err;
  EXPECT_FALSE(sock->connectToHost("localhost", peer.port(), &err));
  EXPECT_EQ(err.description, "Attempting to connect while connected or accepting connections. Disconnect first.");
  EXPECT_TRUE(sock->isConnected());

  sock->disconnect();
  EXPECT_FALSE(sock->isConnected());  // at once
  sock->disconnect();
  ASSERT_TRUE(rec->waitFor("disconnect"));
  settle();
  EXPECT_EQ(rec->count("disconnect"), 1u);
  EXPECT_FALSE(rec->waitFor("disconnect")->error);
  EXPECT_FALSE(sock->connectedHost());
  EXPECT_EQ(sock->connectedPort(), 0);
  EXPECT_EQ(sock->localPort(), 0);
  EXPECT_TRUE(sock->isDisconnected());
}

TEST_F(GCDAsyncSocketTest, ClosedSocketConnectsAgain) {
  connect();
  sock->disconnect();
  ASSERT_TRUE(rec->waitFor("disconnect"));
  peer.closeConnection();
  ASSERT_TRUE(sock->connectToAddress(peer.address()));
  peer.acceptConnection();
  ASSERT_TRUE(rec->waitFor("connect", 1));
  sock->readDataWithTimeout(-1, 3);
  peer.send("again");
  EXPECT_EQ(textOf(rec->waitFor("read")->data), "again");
}

TEST_F(GCDAsyncSocketTest, ConnectBindsToTheGivenInterface) {
  GCDAsyncSocketError err;
  ASSERT_TRUE(sock->connectToHost("localhost", peer.port(), std::string("127.0.0.1"), -1, &err)) << err.toString();
  peer.acceptConnection();
  ASSERT_TRUE(rec->waitFor("connect"));
  EXPECT_EQ(sock->localHost(), "127.0.0.1");
}

TEST_F(GCDAsyncSocketTest, LookupResultOfADisabledFamilyIsRefusedWithCode8) {
  sock->setIPv4Enabled(false);
  ASSERT_TRUE(sock->connectToHost("127.0.0.1", peer.port()));  // numeric: no name server involved
  const auto ev = rec->waitFor("disconnect");
  ASSERT_TRUE(ev && ev->error);
  EXPECT_TRUE(ev->error->is(GCDAsyncSocketErrorDomain, 8));
  EXPECT_EQ(ev->error->description, "IPv4 has been disabled and DNS lookup found no IPv6 address.");
  EXPECT_EQ(rec->count("connect"), 0u);
}

TEST_F(GCDAsyncSocketTest, DisconnectFromADelegateCallbackIsSafe) {
  connect();
  rec->onRead = [](GCDAsyncSocket& s, std::int64_t) {
    s.disconnect();
    EXPECT_FALSE(s.isConnected());
  };
  sock->readDataWithTimeout(-1, 1);
  peer.send("bye");
  const auto ev = rec->waitFor("disconnect");
  ASSERT_TRUE(ev);
  EXPECT_FALSE(ev->error);
}

TEST_F(GCDAsyncSocketTest, RefusedConnectionReportsThePosixError) {
  std::uint16_t port;
  {
    LoopbackPeer gone;
    port = gone.port();
  }
  ASSERT_TRUE(sock->connectToHost("127.0.0.1", port));
  const auto ev = rec->waitFor("disconnect");
  ASSERT_TRUE(ev && ev->error);
  EXPECT_EQ(ev->error->domain, "NSPOSIXErrorDomain");
  EXPECT_EQ(ev->error->code, ECONNREFUSED);
  EXPECT_EQ(ev->error->failureReason, "Error in connect() function");
  EXPECT_EQ(rec->count("connect"), 0u);
}

// A listener whose accept queue is full: a further connect hangs (its SYN is dropped).
class HangingListener {
 public:
  HangingListener() : full_(0) {
    filler_ = ::socket(AF_INET, SOCK_STREAM, 0);
    const auto address = full_.address();
    ok_ = ::connect(filler_, reinterpret_cast<const sockaddr*>(address.data()), address.size()) == 0;
    std::this_thread::sleep_for(20ms);
  }
  ~HangingListener() { ::close(filler_); }
  bool ok() const { return ok_; }
  test::Bytes address() const { return full_.address(); }
  std::uint16_t port() const { return full_.port(); }

 private:
  LoopbackPeer full_;
  int filler_ = -1;
  bool ok_ = false;
};

TEST_F(GCDAsyncSocketTest, DisconnectDuringConnectReportsNoErrorAndIgnoresTheLateResult) {
  HangingListener hanging;
  ASSERT_TRUE(hanging.ok());
  ASSERT_TRUE(sock->connectToHost("127.0.0.1", hanging.port()));
  sock->disconnect();
  const auto ev = rec->waitFor("disconnect");
  ASSERT_TRUE(ev);
  EXPECT_FALSE(ev->error);
  std::this_thread::sleep_for(10ms);
  settle();
  EXPECT_EQ(rec->count("connect"), 0u);
  EXPECT_EQ(rec->count("disconnect"), 1u);
  EXPECT_FALSE(sock->isConnected());
}

TEST_F(GCDAsyncSocketTest, ConnectTimeoutFiresOnTheSocketClock) {
  HangingListener hanging;
  ASSERT_TRUE(hanging.ok());
  ASSERT_TRUE(sock->connectToAddress(hanging.address(), 10.0));
  clock.advance(9s);
  settle();
  EXPECT_EQ(rec->count("disconnect"), 0u);
  clock.advance(1s);
  const auto ev = rec->waitFor("disconnect");
  ASSERT_TRUE(ev && ev->error);
  EXPECT_TRUE(ev->error->is(GCDAsyncSocketErrorDomain, 3)) << ev->error->toString();
  EXPECT_EQ(ev->error->description, "Attempt to connect to host timed out");
  EXPECT_EQ(rec->count("connect"), 0u);
}

TEST_F(GCDAsyncSocketTest, SocketThatGoesAwayDropsItsQueuedCallbacks) {
  connect();
  sock->readDataWithTimeout(-1, 1);
  peer.send("data");
  sock->writeData(bytesOf("x"), -1, 2);
  sock.reset();  // closes; its callbacks find no socket and are dropped
  delegateQueue->sync([] {});
  EXPECT_EQ(rec->count("disconnect"), 0u);
  EXPECT_EQ(peer.receive(1).size() <= 1, true);
}

// ---- Reading ------------------------------------------------------------------------------

TEST_F(GCDAsyncSocketTest, ReadsWhateverHasArrived) {
  connect();
  sock->readDataWithTimeout(-1, 11);
  peer.send("hello");
  const auto ev = rec->waitFor("read");
  ASSERT_TRUE(ev);
  EXPECT_EQ(textOf(ev->data), "hello");
  EXPECT_EQ(ev->tag, 11);
}

TEST_F(GCDAsyncSocketTest, BytesThatArriveBeforeARequestWaitForIt) {
  connect();
  peer.send("early");
  std::this_thread::sleep_for(20ms);
  sock->readDataWithTimeout(-1, 1);
  EXPECT_EQ(textOf(rec->waitFor("read")->data), "early");
}

TEST_F(GCDAsyncSocketTest, FixedLengthReadCollectsSeveralArrivalsAndLeavesTheRest) {
  connect();
  sock->readDataToLength(10, -1, 2);
  peer.send("abcd");
  const auto partial = rec->waitFor("readPartial");
  ASSERT_TRUE(partial);
  EXPECT_EQ(partial->length, 4u);
  EXPECT_EQ(partial->tag, 2);
  int64_t tag = 0;
  std::uint64_t done = 0;
  std::uint64_t total = 0;
  EXPECT_FLOAT_EQ(sock->progressOfReadReturningTag(&tag, &done, &total), 0.4f);
  EXPECT_EQ(tag, 2);
  EXPECT_EQ(done, 4u);
  EXPECT_EQ(total, 10u);
  peer.send("efghijkl");
  EXPECT_EQ(textOf(rec->waitFor("read")->data), "abcdefghij");
  sock->readDataWithTimeout(-1, 3);
  EXPECT_EQ(textOf(rec->waitFor("read", 1)->data), "kl");
}

TEST_F(GCDAsyncSocketTest, TerminatorReadsKeepTheSurplusForTheNextRequest) {
  connect();
  peer.send("line1\r\nline2\r\nrest");
  std::this_thread::sleep_for(20ms);
  sock->readDataToData(GCDAsyncSocket::CRLFData(), -1, 1);
  sock->readDataToData(GCDAsyncSocket::CRLFData(), -1, 2);
  sock->readDataToLength(4, -1, 3);
  EXPECT_EQ(textOf(rec->waitFor("read", 0)->data), "line1\r\n");
  EXPECT_EQ(textOf(rec->waitFor("read", 1)->data), "line2\r\n");
  const auto third = rec->waitFor("read", 2);
  EXPECT_EQ(textOf(third->data), "rest");
  EXPECT_EQ(third->tag, 3);
}

TEST_F(GCDAsyncSocketTest, TerminatorSplitAcrossArrivalsIsFound) {
  connect();
  sock->readDataToData(GCDAsyncSocket::CRLFData(), -1, 1);
  peer.send("ab\r");
  ASSERT_TRUE(rec->waitFor("readPartial"));
  peer.send("\ncd");
  EXPECT_EQ(textOf(rec->waitFor("read")->data), "ab\r\n");
  sock->readDataWithTimeout(-1, 2);
  EXPECT_EQ(textOf(rec->waitFor("read", 1)->data), "cd");
}

TEST_F(GCDAsyncSocketTest, BoundedTerminatorReadFailsWithMaxedOut) {
  connect();
  sock->readDataToData(GCDAsyncSocket::LFData(), -1, 5, 1);
  peer.send("abcdefgh\n");
  const auto ev = rec->waitFor("disconnect");
  ASSERT_TRUE(ev && ev->error);
  EXPECT_TRUE(ev->error->is(GCDAsyncSocketErrorDomain, 6));
  EXPECT_EQ(ev->error->description, "Read operation reached set maximum length");
  EXPECT_EQ(rec->count("read"), 0u);
}

TEST_F(GCDAsyncSocketTest, ReadsIntoTheCallersBufferAtItsOffset) {
  connect();
  auto buffer = std::make_shared<test::Bytes>(bytesOf("XY"));
  sock->readDataToLength(3, -1, buffer, 2, 1);
  auto bounded = std::make_shared<test::Bytes>();
  sock->readDataWithTimeout(-1, bounded, 0, 4, 2);
  auto termBuffer = std::make_shared<test::Bytes>(bytesOf(">"));
  sock->readDataToData(bytesOf(";"), -1, termBuffer, 1, 3);
  peer.send("abc123456x;");
  EXPECT_EQ(textOf(rec->waitFor("read", 0)->data), "abc");
  EXPECT_EQ(textOf(rec->waitFor("read", 1)->data), "1234");
  EXPECT_EQ(textOf(rec->waitFor("read", 2)->data), "56x;");
  settle();
  EXPECT_EQ(textOf(*buffer), "XYabc");
  EXPECT_EQ(textOf(*bounded), "1234");
  EXPECT_EQ(textOf(*termBuffer), ">56x;");
}

TEST_F(GCDAsyncSocketTest, InvalidReadRequestsAreIgnored) {
  connect();
  auto small = std::make_shared<test::Bytes>(2);
  sock->readDataToLength(0, -1, 1);
  sock->readDataToData(test::Bytes(), -1, 2);
  sock->readDataToData(bytesOf("END"), -1, 2, 3);  // maxLength shorter than the terminator
  sock->readDataWithTimeout(-1, small, 3, 4);      // offset beyond the buffer
  sock->readDataToLength(2, -1, small, 5, 5);
  sock->readDataWithTimeout(-1, 9);
  peer.send("z");
  const auto ev = rec->waitFor("read");
  ASSERT_TRUE(ev);
  EXPECT_EQ(ev->tag, 9);
  settle();
  EXPECT_EQ(rec->count("read"), 1u);
}

TEST_F(GCDAsyncSocketTest, EndOfStreamClosesWithCode7) {
  connect();
  sock->readDataWithTimeout(-1, 1);
  peer.send("last");
  ASSERT_TRUE(rec->waitFor("read"));
  peer.closeConnection();
  const auto ev = rec->waitFor("disconnect");
  ASSERT_TRUE(ev && ev->error);
  EXPECT_TRUE(ev->error->is(GCDAsyncSocketErrorDomain, 7));
  EXPECT_EQ(ev->error->description, "Socket closed by remote peer");
  EXPECT_EQ(rec->kinds(), (std::vector<std::string>{"connect", "read", "disconnect"}));
}

TEST_F(GCDAsyncSocketTest, EndOfStreamWaitsUntilPreBufferedBytesAreRead) {
  connect();
  peer.send("a\nb\nc");
  peer.closeConnection();
  sock->readDataToData(GCDAsyncSocket::LFData(), -1, 1);
  EXPECT_EQ(textOf(rec->waitFor("read", 0)->data), "a\n");
  std::this_thread::sleep_for(20ms);
  settle();
  EXPECT_EQ(rec->count("disconnect"), 0u);
  sock->readDataToData(GCDAsyncSocket::LFData(), -1, 2);
  EXPECT_EQ(textOf(rec->waitFor("read", 1)->data), "b\n");
  settle();
  EXPECT_EQ(rec->count("disconnect"), 0u);
  sock->readDataWithTimeout(-1, 3);
  EXPECT_EQ(textOf(rec->waitFor("read", 2)->data), "c");
  const auto ev = rec->waitFor("disconnect");
  ASSERT_TRUE(ev && ev->error);
  EXPECT_EQ(ev->error->code, 7);
}

TEST_F(GCDAsyncSocketTest, HalfDuplexKeepsWritingAfterThePeerEndedItsStream) {
  sock->setAutoDisconnectOnClosedReadStream(false);
  connect();
  peer.shutdownWrite();
  ASSERT_TRUE(rec->waitFor("closeRead"));
  EXPECT_TRUE(sock->isConnected());
  sock->writeData(bytesOf("still here"), -1, 1);
  EXPECT_EQ(textOf(peer.receive(10)), "still here");
  ASSERT_TRUE(rec->waitFor("write"));
  EXPECT_EQ(rec->count("disconnect"), 0u);
}

// ---- Writing ------------------------------------------------------------------------------

TEST_F(GCDAsyncSocketTest, WritesGoOutAndCompleteInOrder) {
  connect();
  sock->writeData(test::Bytes(), -1, 99);  // ignored
  sock->writeData(bytesOf("first,"), -1, 1);
  sock->writeData(bytesOf("second"), -1, 2);
  EXPECT_EQ(textOf(peer.receive(12)), "first,second");
  ASSERT_TRUE(rec->waitFor("write", 1));
  const auto events = rec->events();
  std::vector<std::int64_t> tags;
  for (const auto& e : events) {
    if (e.kind == "write") tags.push_back(e.tag);
  }
  EXPECT_EQ(tags, (std::vector<std::int64_t>{1, 2}));
  EXPECT_TRUE(std::isnan(sock->progressOfWriteReturningTag(nullptr, nullptr, nullptr)));
}

TEST_F(GCDAsyncSocketTest, LargeWriteCompletesAfterPartialPasses) {
  connect();
  shrinkBuffers();
  test::Bytes big(1 << 20);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 31 + 7);
  sock->writeData(big, -1, 5);
  std::this_thread::sleep_for(20ms);
  const test::Bytes received = peer.receive(big.size());
  EXPECT_TRUE(received == big);
  ASSERT_TRUE(rec->waitFor("write"));
  EXPECT_GE(rec->count("writePartial"), 1u);
  std::size_t partialSum = 0;
  for (const auto& e : rec->events()) {
    if (e.kind == "writePartial") partialSum += e.length;
  }
  EXPECT_LT(partialSum, big.size());
}

TEST_F(GCDAsyncSocketTest, WritingToAClosedPeerFailsWithoutKillingTheProcess) {
  connect();
  peer.closeConnection();
  for (int i = 0; i < 20 && rec->count("disconnect") == 0; ++i) {
    sock->writeData(test::Bytes(64 * 1024, 'x'), -1, i);
    std::this_thread::sleep_for(5ms);
  }
  const auto ev = rec->waitFor("disconnect");
  ASSERT_TRUE(ev && ev->error);
  const bool closedByPeer = ev->error->is(GCDAsyncSocketErrorDomain, 7);
  const bool writeFailed = ev->error->domain == "NSPOSIXErrorDomain" &&
                           (ev->error->code == EPIPE || ev->error->code == ECONNRESET);
  EXPECT_TRUE(closedByPeer || writeFailed) << ev->error->toString();
}

// ---- Delayed disconnects ------------------------------------------------------------------

TEST_F(GCDAsyncSocketTest, DisconnectAfterWritingFinishesQueuedWritesFirst) {
  connect();
  sock->writeData(bytesOf("one"), -1, 1);
  sock->writeData(bytesOf("two"), -1, 2);
  sock->disconnectAfterWriting();
  sock->writeData(bytesOf("three"), -1, 3);  // dropped
  EXPECT_EQ(textOf(peer.receive(16)), "onetwo");
  ASSERT_TRUE(rec->waitFor("disconnect"));
  EXPECT_EQ(rec->kinds(), (std::vector<std::string>{"connect", "write", "write", "disconnect"}));
  EXPECT_FALSE(rec->waitFor("disconnect")->error);
}

TEST_F(GCDAsyncSocketTest, DisconnectAfterReadingClosesOnceTheReadIsDone) {
  connect();
  sock->readDataToLength(3, -1, 1);
  sock->disconnectAfterReading();
  sock->readDataWithTimeout(-1, 2);  // dropped
  settle();
  EXPECT_EQ(rec->count("disconnect"), 0u);
  peer.send("xyz!");
  ASSERT_TRUE(rec->waitFor("disconnect"));
  EXPECT_EQ(rec->kinds(), (std::vector<std::string>{"connect", "read", "disconnect"}));
  EXPECT_EQ(textOf(rec->waitFor("read")->data), "xyz");
  EXPECT_FALSE(rec->waitFor("disconnect")->error);
}

TEST_F(GCDAsyncSocketTest, DisconnectAfterReadingWithNothingQueuedClosesAtOnce) {
  connect();
  sock->disconnectAfterReading();
  const auto ev = rec->waitFor("disconnect");
  ASSERT_TRUE(ev);
  EXPECT_FALSE(ev->error);
}

TEST_F(GCDAsyncSocketTest, DisconnectAfterReadingAndWritingWaitsForBothSides) {
  connect();
  sock->readDataToLength(2, -1, 1);
  sock->writeData(bytesOf("out"), -1, 2);
  sock->disconnectAfterReadingAndWriting();
  EXPECT_EQ(textOf(peer.receive(3)), "out");
  ASSERT_TRUE(rec->waitFor("write"));
  settle();
  EXPECT_EQ(rec->count("disconnect"), 0u);  // the read is still open
  peer.send("in");
  ASSERT_TRUE(rec->waitFor("disconnect"));
  EXPECT_EQ(rec->count("read"), 1u);
}

// ---- Time-outs (manual clock: no real waiting) -----------------------------------------------

TEST_F(GCDAsyncSocketTest, ReadTimesOutWithCode4) {
  connect();
  sock->readDataWithTimeout(30, 7);
  settle();
  clock.advance(29s);
  settle();
  EXPECT_EQ(rec->count("disconnect"), 0u);
  clock.advance(1s);
  const auto ev = rec->waitFor("disconnect");
  ASSERT_TRUE(ev && ev->error);
  EXPECT_TRUE(ev->error->is(GCDAsyncSocketErrorDomain, 4));
  EXPECT_EQ(ev->error->description, "Read operation timed out");
  const auto asked = rec->waitFor("readTimeout");
  ASSERT_TRUE(asked);
  EXPECT_EQ(asked->tag, 7);
  EXPECT_DOUBLE_EQ(asked->elapsed, 30.0);
}

TEST_F(GCDAsyncSocketTest, ReadWithoutTimeoutNeverTimesOutAndCompletedReadCancelsItsTimer) {
  connect();
  sock->readDataWithTimeout(-1, 1);
  settle();
  clock.advance(3600s);
  settle();
  EXPECT_TRUE(sock->isConnected());
  peer.send("a");
  ASSERT_TRUE(rec->waitFor("read"));
  sock->readDataWithTimeout(5, 2);
  peer.send("b");
  ASSERT_TRUE(rec->waitFor("read", 1));
  clock.advance(10s);
  settle();
  EXPECT_TRUE(sock->isConnected());
  EXPECT_EQ(rec->count("readTimeout"), 0u);
}

TEST_F(GCDAsyncSocketTest, HugeAndInfiniteTimeoutsNeverFire) {
  connect();
  sock->readDataWithTimeout(1e10, 1);
  sock->writeData(bytesOf("out"), std::numeric_limits<double>::infinity(), 2);
  ASSERT_TRUE(rec->waitFor("write"));
  sock->readDataWithTimeout(std::numeric_limits<double>::infinity(), 3);
  settle();
  clock.advance(3600s);
  settle();
  EXPECT_TRUE(sock->isConnected());
  EXPECT_EQ(rec->count("readTimeout"), 0u);
  peer.send("a");
  const auto read = rec->waitFor("read");
  ASSERT_TRUE(read);
  EXPECT_EQ(read->tag, 1);
}

TEST_F(GCDAsyncSocketTest, ReadTimeoutExtensionRearmsTheTimer) {
  rec->readExtensions = {5.0};
  connect();
  sock->readDataToLength(4, 30, 3);
  peer.send("ab");
  ASSERT_TRUE(rec->waitFor("readPartial"));
  clock.advance(30s);
  ASSERT_TRUE(rec->waitFor("readTimeout"));
  settle();
  EXPECT_TRUE(sock->isConnected());
  clock.advance(4s);
  settle();
  EXPECT_EQ(rec->count("readTimeout"), 1u);
  clock.advance(1s);
  const auto second = rec->waitFor("readTimeout", 1);
  ASSERT_TRUE(second);
  EXPECT_DOUBLE_EQ(second->elapsed, 35.0);
  EXPECT_EQ(second->length, 2u);
  const auto ev = rec->waitFor("disconnect");
  ASSERT_TRUE(ev && ev->error);
  EXPECT_EQ(ev->error->code, 4);
}

TEST_F(GCDAsyncSocketTest, ReadExtendedByTheDelegateStillCompletes) {
  rec->readExtensions = {10.0};
  connect();
  sock->readDataToLength(4, 1, 3);
  settle();
  clock.advance(1s);
  ASSERT_TRUE(rec->waitFor("readTimeout"));
  settle();
  peer.send("done");
  EXPECT_EQ(textOf(rec->waitFor("read")->data), "done");
  clock.advance(20s);
  settle();
  EXPECT_TRUE(sock->isConnected());
}

TEST_F(GCDAsyncSocketTest, WriteTimesOutWithCode5WhenThePeerStopsReading) {
  connect();
  shrinkBuffers();
  sock->writeData(test::Bytes(16 << 20, 'w'), 10, 4);
  std::this_thread::sleep_for(20ms);
  settle();
  clock.advance(10s);
  const auto ev = rec->waitFor("disconnect");
  ASSERT_TRUE(ev && ev->error);
  EXPECT_TRUE(ev->error->is(GCDAsyncSocketErrorDomain, 5));
  EXPECT_EQ(ev->error->description, "Write operation timed out");
  const auto asked = rec->waitFor("writeTimeout");
  ASSERT_TRUE(asked);
  EXPECT_EQ(asked->tag, 4);
  EXPECT_EQ(rec->count("write"), 0u);
}

// ---- Accepting ----------------------------------------------------------------------------

int connectRaw(int family, const std::string& host, std::uint16_t port) {
  const int fd = ::socket(family, SOCK_STREAM, 0);
  if (family == AF_INET) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    inet_pton(AF_INET, host.c_str(), &sa.sin_addr);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) return -1;
  } else {
    sockaddr_in6 sa{};
    sa.sin6_family = AF_INET6;
    sa.sin6_port = htons(port);
    inet_pton(AF_INET6, host.c_str(), &sa.sin6_addr);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) return -1;
  }
  return fd;
}

TEST_F(GCDAsyncSocketTest, AcceptsOnIPv4AndHandsOverAConnectedSocket) {
  GCDAsyncSocketError err;
  ASSERT_TRUE(sock->acceptOnInterface(std::string("127.0.0.1"), 0, &err)) << err.toString();
  EXPECT_FALSE(sock->acceptOnPort(0, &err));
  EXPECT_EQ(err.description, "Attempting to accept while connected or accepting connections. Disconnect first.");
  const std::uint16_t port = sock->localPort();
  ASSERT_NE(port, 0);
  const int client = connectRaw(AF_INET, "127.0.0.1", port);
  ASSERT_GE(client, 0);
  ASSERT_TRUE(rec->waitFor("accept"));
  auto accepted = rec->acceptedSocket();
  ASSERT_TRUE(accepted);
  EXPECT_TRUE(accepted->isConnected());
  EXPECT_EQ(accepted->connectedHost(), "127.0.0.1");
  EXPECT_EQ(accepted->localPort(), port);
  accepted->readDataToData(GCDAsyncSocket::LFData(), -1, 1);
  ASSERT_EQ(::send(client, "hi\n", 3, 0), 3);
  const auto ev = rec->waitFor("read");
  ASSERT_TRUE(ev);
  EXPECT_EQ(ev->socket, accepted.get());
  EXPECT_EQ(textOf(ev->data), "hi\n");
  accepted->writeData(bytesOf("ok"), -1, 2);
  char reply[2];
  ASSERT_EQ(::recv(client, reply, 2, MSG_WAITALL), 2);
  ::close(client);
  const auto closed = rec->waitFor("disconnect");
  ASSERT_TRUE(closed);
  EXPECT_EQ(closed->socket, accepted.get());
  sock->disconnect();
  ASSERT_TRUE(rec->waitFor("disconnect", 1));
  EXPECT_FALSE(rec->waitFor("disconnect", 1)->error);
}

TEST_F(GCDAsyncSocketTest, AcceptsOnIPv6Loopback) {
  if (!ipv6LoopbackAvailable()) GTEST_SKIP() << "IPv6 loopback ::1 is not available on this machine";
  GCDAsyncSocketError err;
  ASSERT_TRUE(sock->acceptOnInterface(std::string("::1"), 0, &err)) << err.toString();
  EXPECT_TRUE(sock->isIPv6());
  EXPECT_FALSE(sock->isIPv4());
  const std::uint16_t port = sock->localPort();
  const int client = connectRaw(AF_INET6, "::1", port);
  ASSERT_GE(client, 0);
  ASSERT_TRUE(rec->waitFor("accept"));
  auto accepted = rec->acceptedSocket();
  EXPECT_EQ(accepted->connectedHost(), "::1");
  accepted->readDataWithTimeout(-1, 1);
  ASSERT_EQ(::send(client, "v6", 2, 0), 2);
  EXPECT_EQ(textOf(rec->waitFor("read")->data), "v6");
  ::close(client);
}

TEST_F(GCDAsyncSocketTest, AcceptOnPortZeroListensOnTheSamePortForBothFamilies) {
  if (!ipv6LoopbackAvailable()) GTEST_SKIP() << "IPv6 loopback ::1 is not available on this machine";
  ASSERT_TRUE(sock->acceptOnPort(0));
  std::uint16_t port4 = 0;
  std::uint16_t port6 = 0;
  sock->performBlock([&] {
    port4 = sock->localPort4();
    port6 = sock->localPort6();
  });
  EXPECT_NE(port4, 0);
  EXPECT_EQ(port4, port6);
  const int c4 = connectRaw(AF_INET, "127.0.0.1", port4);
  const int c6 = connectRaw(AF_INET6, "::1", port6);
  EXPECT_GE(c4, 0);
  EXPECT_GE(c6, 0);
  ASSERT_TRUE(rec->waitFor("accept", 1));
  ::close(c4);
  ::close(c6);
}

TEST_F(GCDAsyncSocketTest, ConnectsToAnIPv6ListenerWhenIPv6IsPreferred) {
  if (!ipv6LoopbackAvailable()) GTEST_SKIP() << "IPv6 loopback ::1 is not available on this machine";
  auto listenerRec = std::make_shared<RecordingDelegate>();
  auto listener = GCDAsyncSocket::create(listenerRec, delegateQueue);
  ASSERT_TRUE(listener->acceptOnInterface(std::string("localhost"), 0));
  std::uint16_t port = listener->localPort();
  sock->setPreferIPv4OverIPv6(false);
  ASSERT_TRUE(sock->connectToHost("localhost", port));
  const auto ev = rec->waitFor("connect");
  ASSERT_TRUE(ev);
  EXPECT_EQ(ev->host, "::1");
  EXPECT_TRUE(sock->isIPv6());
  ASSERT_TRUE(listenerRec->waitFor("accept"));
  listenerRec->dropAccepted();
  listener->disconnect();
}

}  // namespace
}  // namespace td
