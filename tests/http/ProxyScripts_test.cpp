// Proxy scripts that never end or take all memory: each is stopped at its time or its heap's cap,
// whatever it calls, and the request it was for goes direct without holding up other requests.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "HTTPTestSupport.h"
#include "http/HTTPProxySettings.h"

namespace td {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// What "a little more" than a script's time may be: unwinding, freeing a full heap, a sanitized
// build on a loaded machine (a few hundred milliseconds at worst). A script that went on past its
// time for rounds of garbage collection at each refused allocation ran 8 s more.
constexpr auto kOvershoot = 2s;

// A time that no script that answers comes near, nor a request whose script was stopped, even on a
// loaded machine with a sanitized build (a script's time runs from before its engine is made and the
// helpers are read): given to a script, only what the script does stops it.
constexpr auto kAmple = 30s;

std::string findProxyBody(const std::string& body) {
  return "function FindProxyForURL(url, host) { " + body + " return 'PROXY after.example:1'; }";
}

TEST(ProxyScriptLimits, EveryRunawayScriptStopsAtItsTimeWhateverItCalls) {
  const URL url = URL::URLWithString("http://www.example.com/");
  const PACScriptLimits limits{300ms};
  const char* runaways[] = {
      // Native calls that allocate, in a loop that reaches few instruction counts; also with every
      // failure caught, and with a heap full of live objects (each refusal once cost rounds of
      // garbage collection).
      "for (;;) new Array(1 << 16).join('x');",
      "for (;;) try { new Array(1 << 16).join('x'); } catch (e) {}",
      "var keep = []; for (;;) keep.push([0]);",
      // One native call that would run for ever.
      "var a = []; a.length = 4294967295; a.join('');",
      // Native calls that allocate nothing: short ones in a loop, one long sort, a backtracking
      // regular expression.
      "var a = new Array(5000).join('x,').split(','); for (;;) a.indexOf('y');",
      "var a = 'x'.repeat(1 << 18).split(''); a.sort();",
      "/(?:a+)+b/.test('aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa');",
      // Deep recursion, in script and through native calls (on a sanitized build's large frames).
      "function f(n) { return f(n + 1) + 1; } f(0);",
      "var o = {}; o.toString = function () { return String(o); }; String(o);",
      // A loop that catches the time-out, and a finalizer that never ends.
      "for (;;) { try { for (;;) {} } catch (e) {} finally { for (;;) {} } }",
      "var o = {}; Duktape.fin(o, function () { for (;;) {} }); o = null; for (;;) new Array(100);",
  };
  for (const char* body : runaways) {
    const auto start = Clock::now();
    EXPECT_FALSE(evaluatePACScript(findProxyBody(body), url, limits)) << body;
    EXPECT_LT(Clock::now() - start, limits.time + kOvershoot) << body;
  }
  // A script that behaves answers under the same heap's cap, given a time it cannot reach.
  const std::string behaved =
      findProxyBody("if (shExpMatch(host, '*.example.com') && !isPlainHostName(host)) return 'PROXY p:8080';");
  EXPECT_EQ(evaluatePACScript(behaved, url, {kAmple, limits.heapBytes}), "PROXY p:8080");
}

TEST(ProxyScriptLimits, TheHeapHoldsNoMoreThanItsCap) {
  const URL url = URL::URLWithString("http://www.example.com/");
  // Only the cap stops a script here. 8 MiB of text, kept: it fits a 32 MiB heap, and is stopped at
  // the cap of an 8 MiB one, as growth that never ends is.
  const std::string big =
      findProxyBody("var s = 'x'; while (s.length < (8 << 20)) s += s; if (s.length < 1) return 'DIRECT';");
  EXPECT_EQ(evaluatePACScript(big, url, {kAmple, std::size_t{32} << 20}), "PROXY after.example:1");
  for (const std::string& script : {big, findProxyBody("var s = 'x'; for (;;) s += s;"),
                                    findProxyBody("var keep = []; for (;;) keep.push([0]);")}) {
    PACScriptStop stop = PACScriptStop::None;
    EXPECT_FALSE(evaluatePACScript(script, url, {kAmple, std::size_t{8} << 20}, {}, &stop)) << script;
    EXPECT_EQ(stop, PACScriptStop::HeapCap) << script;
  }
}

// The time the requests here give their scripts: longer than the default, so that a script that
// ends at the default time ends before it, and long enough for a request started beside a runaway
// script to be answered while it runs, on a loaded machine too.
constexpr auto kRequestScriptTime = PACScriptLimits{}.time + 1s;

class ProxyScriptRequests : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(server.port(), 0) << "the test server did not start";
    setPACScriptLimits({kRequestScriptTime});
  }
  void TearDown() override { setPACScriptLimits({}); }

  test::ScratchDir dir;
  test::TestServer server;
  test::MainQueueFixture main;
};

TEST_F(ProxyScriptRequests, ARunawayScriptEndsAtItsTimeItsRequestGoesDirectAndOthersGoOn) {
  // Were its answer ever given, the request would go to a proxy that is not there.
  test::writeFile(dir.file("runaway.pac"), "function FindProxyForURL(u, h) { for (;;) new Array(1 << 16).join('x'); "
                                           "return 'PROXY 127.0.0.1:1'; }");
  test::RecordingDelegate scripted, other;
  auto request = ASIHTTPRequest::requestWithURL(server.url("/hello"));
  request->setPACurl(URL::fileURLWithPath(dir.file("runaway.pac")));
  request->setDelegate(&scripted);
  auto plain = ASIHTTPRequest::requestWithURL(server.url("/hello?plain=1"));
  plain->setDelegate(&other);

  const auto start = Clock::now();
  request->startAsynchronous();
  // The script runs by now; a request started meanwhile is answered while it still runs.
  std::this_thread::sleep_for(100ms);
  plain->startAsynchronous();
  ASSERT_TRUE(main.pumpUntil([&] { return other.done(); }));
  EXPECT_EQ(other.finished, 1);
  EXPECT_EQ(scripted.finished + scripted.failed, 0) << "the script ended before its time";

  ASSERT_TRUE(main.pumpUntil([&] { return scripted.done(); }, kAmple));
  EXPECT_GE(Clock::now() - start, kRequestScriptTime) << "the script was stopped before the time set";
  ASSERT_EQ(scripted.finished, 1) << (scripted.lastError ? scripted.lastError->toString() : "");
  EXPECT_FALSE(request->proxyHost());
  EXPECT_EQ(request->responseStatusCode(), 200);
}

TEST_F(ProxyScriptRequests, ASynchronousRequestFetchingItsScriptLeavesItsPropertiesReadableMeanwhile) {
  // The script's server sends half of it and then nothing: the fetch ends at the request's time-out,
  // which a property read held up by the fetch would wait for.
  auto request = ASIHTTPRequest::requestWithURL(server.url("/hello"));
  request->setPACurl(server.url("/stall?id=sync-script"));
  request->setTimeOutSeconds(1.5);
  std::thread caller([&] { request->startSynchronous(); });
  ASSERT_TRUE(server.waitForLine("GOT GET /stall?id=sync-script"));
  const auto start = Clock::now();
  EXPECT_EQ(request->responseStatusCode(), 0);
  EXPECT_LT(Clock::now() - start, 500ms) << "the fetch held the request's lock";
  caller.join();
  EXPECT_FALSE(request->error()) << request->error()->toString();
  EXPECT_EQ(request->responseStatusCode(), 200);
  EXPECT_FALSE(request->proxyHost());
}

}  // namespace
}  // namespace td
