// The bandwidth limit on a real transfer, timed on the engine's manual clock: the body takes as many
// clock seconds as the limit demands, while the test itself runs in about a second.

#include <gtest/gtest.h>

#include <thread>

#include "HTTPTestSupport.h"

namespace td {
namespace {

using namespace std::chrono_literals;

TEST(ThrottledTransfer, ADownloadUnderALimitTakesItsSecondsOnTheEnginesClock) {
  // Never destroyed: the engine's network thread reads it until the process ends.
  ManualClock& clock = *new ManualClock();
  ASIHTTPRequest::setClock(clock);  // before the first request of this program
  test::MainQueueFixture main;
  test::TestServer server;
  ASSERT_NE(server.port(), 0);

  ASIHTTPRequest::setMaxBandwidthPerSecond(20000);
  test::RecordingDelegate d;
  auto request = ASIHTTPRequest::requestWithURL(server.url("/bytes?size=60000"));
  request->setTimeOutSeconds(0);  // the manual clock must not time the request out
  request->setDelegate(&d);
  request->startAsynchronous();
  const auto start = clock.now();
  // Let the transfer run, then move the clock on in quarter seconds until it ends. Each quarter
  // second gets a tenth of a second of real time to read what the limit allows in it (with a
  // fiftieth, on a thirteenth of a core under ThreadSanitizer, the body took a clock second more).
  for (int step = 0; step < 200 && !d.done(); ++step) {
    main.pumpUntil([&] { return d.done(); }, 100ms);
    clock.advance(250ms);
  }
  ASIHTTPRequest::setMaxBandwidthPerSecond(0);
  ASSERT_EQ(d.finished, 1) << (d.lastError ? d.lastError->toString() : "no report");
  EXPECT_EQ(request->responseData().size(), 60000u);
  const double seconds = std::chrono::duration<double>(clock.now() - start).count();
  EXPECT_GE(seconds, 1.5) << "60,000 bytes at 20,000 a second came too fast";
  EXPECT_LE(seconds, 20.0);
}

}  // namespace
}  // namespace td
