// Time-outs and the retries they start, on the engine's manual clock: the test moves the clock past a
// request's time-out once the server has gone silent on it and the request has read everything it
// was sent, so no time-out comes early or late however slow the machine is.

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "HTTPTestSupport.h"

namespace td {
namespace {

using namespace std::chrono_literals;
using test::RecordingDelegate;

// The silence a request here allows, on the manual clock; and a move of the clock past it.
constexpr double kTimeOutSeconds = 10;
constexpr auto kPastTheTimeOut = 11s;
// How long the test waits in real time for what a working engine and server do at once: a loaded
// machine with a sanitized build does not come near it.
constexpr auto kAmple = 60s;

// The engine's clock for this program, set before its first request. Never destroyed: the engine's
// network thread reads it until the process ends.
ManualClock& engineClock() {
  static ManualClock& clock = [&]() -> ManualClock& {
    auto* manual = new ManualClock();
    ASIHTTPRequest::setClock(*manual);
    return *manual;
  }();
  return clock;
}

class TimeOutRetries : public ::testing::Test {
 protected:
  void SetUp() override {
    engineClock();
    ASSERT_NE(server.port(), 0) << "the test server did not start";
    ASIHTTPRequest::clearSession();
  }

  // Starts a request for the server's /stall under `id` (the first attempt gets half its body, then
  // silence; a retry gets it whole), with one retry on a time-out.
  ASIHTTPRequest::Ptr stalling(const std::string& id, const std::string& query = "") {
    auto request = ASIHTTPRequest::requestWithURL(server.url("/stall?id=" + id + query));
    request->setTimeOutSeconds(kTimeOutSeconds);
    request->setNumberOfTimesToRetryOnTimeout(1);
    return request;
  }
  // Waits until the server has gone silent on the request's first attempt and the request has read
  // the half body sent, then moves the clock past the time-out.
  void timeOutTheStall(const ASIHTTPRequest::Ptr& request, const std::string& id) {
    const auto line = server.waitForLine("STALLED " + id + " ", kAmple);
    ASSERT_TRUE(line) << "the server did not stall " << id;
    const std::uint64_t sent = std::stoull(line->substr(line->rfind(' ') + 1));
    // The network thread counts the bytes, and tells the main queue nothing of it: polled.
    const auto deadline = std::chrono::steady_clock::now() + kAmple;
    while (request->totalBytesRead() < sent) {
      ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the request did not read what " << id << " sent";
      main.queue.runPending();
      std::this_thread::sleep_for(1ms);
    }
    engineClock().advance(kPastTheTimeOut);
  }

  test::MainQueueFixture main;
  test::TestServer server;
};

TEST_F(TimeOutRetries, ASilentServerIsRetriedThenTheRequestTimesOut) {
  RecordingDelegate d;
  auto request = ASIHTTPRequest::requestWithURL(server.url("/silent"));
  request->setTimeOutSeconds(kTimeOutSeconds);
  request->setNumberOfTimesToRetryOnTimeout(2);
  request->setDelegate(&d);
  request->startAsynchronous();
  for (int attempt = 0; attempt < 3; ++attempt) {
    ASSERT_TRUE(server.nextRequest(kAmple)) << "attempt " << attempt;
    engineClock().advance(kPastTheTimeOut);
  }
  ASSERT_TRUE(main.pumpUntil([&] { return d.done(); }, kAmple));
  ASSERT_EQ(d.failed, 1);
  EXPECT_EQ(d.lastError->code, ASIRequestTimedOutErrorType);
  EXPECT_EQ(d.lastError->description, "The request timed out");
  EXPECT_EQ(d.started, 3);
  EXPECT_EQ(request->retryCount(), 2);
}

TEST_F(TimeOutRetries, ARetryStartsTheBodyAndItsInflaterAfresh) {
  const std::string bytes = test::serverBytes(10240);
  std::string text;
  for (int i = 0; i < 1000; ++i) text += "compressed text ";
  struct Case {
    const char* query;
    bool toFile;
    bool inflateOnTheFly;
    const std::string& expected;
  } cases[] = {{"&size=10240", true, false, bytes}, {"&gzip=1", false, true, text}, {"&gzip=1", true, true, text}};
  test::ScratchDir dir;
  int number = 0;
  for (const auto& c : cases) {
    const std::string id = std::to_string(++number);
    RecordingDelegate d;
    auto request = stalling(id, c.query);
    request->setShouldWaitToInflateCompressedResponses(!c.inflateOnTheFly);
    if (c.toFile) request->setDownloadDestinationPath(dir.file(id));
    request->setDelegate(&d);
    request->startAsynchronous();
    timeOutTheStall(request, id);
    ASSERT_TRUE(main.pumpUntil([&] { return d.done(); }, kAmple)) << "case " << id;
    ASSERT_EQ(d.finished, 1) << "case " << id << ": " << (d.lastError ? d.lastError->toString() : "");
    EXPECT_EQ(d.started, 2) << "case " << id;
    const std::string body = c.toFile ? test::readFile(dir.file(id)) : request->responseString().value_or("");
    EXPECT_EQ(body.size(), c.expected.size()) << "case " << id;
    EXPECT_TRUE(body == c.expected) << "case " << id;
  }
}

TEST_F(TimeOutRetries, ARetryNeitherFeedsAReceiverTwiceNorCountsTheBodyTwice) {
  const std::string bytes = test::serverBytes(10240);
  RecordingDelegate receiver;
  receiver.alsoAnswer({ASISelector::requestDidReceiveData});
  auto fed = stalling("fed");
  fed->setDelegate(&receiver);
  fed->startAsynchronous();
  timeOutTheStall(fed, "fed");
  ASSERT_TRUE(main.pumpUntil([&] { return receiver.done(); }, kAmple));
  main.queue.runPending();
  ASSERT_EQ(receiver.failed, 1) << "a receiver holds half the body: the request times out instead of retrying";
  EXPECT_EQ(receiver.lastError->code, ASIRequestTimedOutErrorType);
  EXPECT_EQ(receiver.started, 1);
  EXPECT_TRUE(receiver.data == bytes.substr(0, 5120));

  RecordingDelegate counted;
  auto kept = stalling("kept");
  kept->setDownloadProgressDelegate(&counted);
  kept->setDelegate(&counted);
  kept->startAsynchronous();
  timeOutTheStall(kept, "kept");
  ASSERT_TRUE(main.pumpUntil([&] { return counted.done(); }, kAmple));
  main.queue.runPending();
  ASSERT_EQ(counted.finished, 1) << (counted.lastError ? counted.lastError->toString() : "");
  EXPECT_EQ(counted.started, 2);
  EXPECT_TRUE(kept->responseData() == bytes);
  EXPECT_EQ(counted.downloadSize, 10240);
  EXPECT_EQ(counted.receivedBytes, 10240);
  EXPECT_DOUBLE_EQ(counted.values.back(), 1.0);
}

}  // namespace
}  // namespace td
