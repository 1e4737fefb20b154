// The request loop's deferred work: what a dispatch defers runs once it has returned (so after it has
// let go of its locks), hand-offs to other threads after the follow-ups, and a loop run nested in a
// dispatch leaves what the outer dispatch deferred to it. Its timers: order, repeats and removal. The
// transfer handles it keeps: one still set up goes only to settings that make the same options.

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "http/HTTPReadStream.h"
#include "http/RunLoop.h"

namespace td {
namespace {

TEST(RunLoops, WorkDeferredByADispatchRunsWhenItHasReturnedHandoffsLast) {
  SteadyClock clock;
  RunLoop loop(clock);
  std::vector<std::string> order;
  bool done = false;
  EXPECT_EQ(RunLoop::dispatchingHere(), nullptr);
  loop.post([&] {
    EXPECT_EQ(RunLoop::dispatchingHere(), &loop);
    loop.deferHandoff([&] { order.push_back("hand-off"); });
    loop.defer([&] {
      order.push_back("follow-up 1");
      loop.defer([&] { order.push_back("follow-up of follow-up 1"); });
    });
    loop.defer([&] { order.push_back("follow-up 2"); });
    order.push_back("task");
  });
  loop.post([&] {
    order.push_back("next task");
    done = true;
  });
  loop.runUntil([&] { return done; });
  EXPECT_EQ(order, (std::vector<std::string>{"task", "follow-up 1", "follow-up 2", "follow-up of follow-up 1",
                                             "hand-off", "next task"}));
  EXPECT_EQ(RunLoop::dispatchingHere(), nullptr);
}

TEST(RunLoops, ALoopRunNestedInADispatchLeavesWhatThatDispatchDeferred) {
  SteadyClock clock;
  RunLoop loop(clock);
  std::vector<std::string> order;
  bool done = false;
  loop.post([&] {
    loop.defer([&] { order.push_back("outer follow-up"); });
    loop.deferHandoff([&] { order.push_back("outer hand-off"); });
    bool innerDone = false;
    loop.post([&] {
      loop.defer([&] { order.push_back("inner follow-up"); });
      order.push_back("inner task");
      innerDone = true;
    });
    loop.runUntil([&] { return innerDone; });
    order.push_back("outer task returns");
    done = true;
  });
  loop.runUntil([&] { return done; });
  EXPECT_EQ(order, (std::vector<std::string>{"inner task", "inner follow-up", "outer task returns", "outer follow-up",
                                             "outer hand-off"}));
}

TEST(RunLoops, ATimerAndATaskAddedFromAnotherThreadWhileTheLoopWaitsRun) {
  using namespace std::chrono_literals;
  SteadyClock clock;
  RunLoop loop(clock);
  std::thread thread([&] { loop.run(); });
  std::this_thread::sleep_for(20ms);  // waiting, with nothing to do
  std::promise<void> fired, ran;
  loop.addTimer(10ms, false, [&] { fired.set_value(); });
  EXPECT_EQ(fired.get_future().wait_for(10s), std::future_status::ready);
  std::this_thread::sleep_for(20ms);
  loop.post([&] { ran.set_value(); });
  EXPECT_EQ(ran.get_future().wait_for(10s), std::future_status::ready);
  loop.stop();
  thread.join();
}

// One turn of the loop without waiting: the tasks posted and the timers due run.
void runOneTurn(RunLoop& loop) {
  loop.runUntil([] { return true; });
}

TEST(RunLoopTimers, RunByDeadlineThoseDueAtOnceInTheOrderArmedARepeatingOneOnceForTicksItMissed) {
  using namespace std::chrono_literals;
  ManualClock clock;
  RunLoop loop(clock);
  std::vector<std::string> order;
  loop.addTimer(20ms, false, [&] { order.push_back("first at 20"); });
  const auto ticking = loop.addTimer(10ms, true, [&] { order.push_back("tick"); });
  loop.addTimer(20ms, false, [&] { order.push_back("second at 20"); });
  loop.addTimer(10ms, false, [&] { order.push_back("at 10"); });
  loop.addTimer(30ms, false, [&] { order.push_back("at 30"); });
  clock.advance(25ms);
  runOneTurn(loop);
  EXPECT_EQ(order, (std::vector<std::string>{"tick", "at 10", "first at 20", "second at 20"}));
  // Its ticks fall at 10, 20, 30...: the one at 20 went with the late run at 25. The next, armed
  // then, comes after the timer at 30 armed at the start.
  order.clear();
  clock.advance(4ms);
  runOneTurn(loop);
  EXPECT_TRUE(order.empty());
  clock.advance(1ms);
  runOneTurn(loop);
  EXPECT_EQ(order, (std::vector<std::string>{"at 30", "tick"}));
  loop.removeTimer(ticking);
  clock.advance(100ms);
  runOneTurn(loop);
  EXPECT_EQ(order, (std::vector<std::string>{"at 30", "tick"}));
}

TEST(RunLoopTimers, OneRemovedDuringItsRunFinishesItWithItsCapturesAndOwnerAndNeverRunsAgain) {
  using namespace std::chrono_literals;
  ManualClock clock;
  RunLoop loop(clock);
  auto captured = std::make_shared<int>(0);
  auto owner = std::make_shared<int>(0);
  const std::weak_ptr<int> watchCaptured = captured, watchOwner = owner;
  int runs = 0;
  std::uint64_t id = 0;
  id = loop.addTimer(
      10ms, true,
      [&, captured = std::move(captured)] {
        ++runs;
        loop.removeTimer(id);
        EXPECT_FALSE(watchCaptured.expired());
        EXPECT_FALSE(watchOwner.expired());
      },
      std::move(owner));
  clock.advance(10ms);
  runOneTurn(loop);
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(watchCaptured.expired());
  EXPECT_TRUE(watchOwner.expired());
  clock.advance(50ms);
  runOneTurn(loop);
  EXPECT_EQ(runs, 1);
}

TEST(RunLoopTimers, AnOwnerIsHeldUntilAOneShotTimerHasRunOrIsRemoved) {
  using namespace std::chrono_literals;
  ManualClock clock;
  RunLoop loop(clock);
  auto ran = std::make_shared<int>(0), removed = std::make_shared<int>(0);
  const std::weak_ptr<int> watchRan = ran, watchRemoved = removed;
  loop.addTimer(10ms, false, [] {}, std::move(ran));
  const auto id = loop.addTimer(10ms, false, [] {}, std::move(removed));
  clock.advance(5ms);
  runOneTurn(loop);
  EXPECT_FALSE(watchRan.expired());
  loop.removeTimer(id);
  EXPECT_TRUE(watchRemoved.expired());
  clock.advance(5ms);
  runOneTurn(loop);
  EXPECT_TRUE(watchRan.expired());
}

TEST(RunLoopTimers, ManyRemovedNeverRunAndTheRestRunInOrder) {
  ManualClock clock;
  RunLoop loop(clock);
  std::vector<int> ran;
  std::vector<std::uint64_t> ids;
  for (int i = 0; i < 300; ++i)
    ids.push_back(loop.addTimer(std::chrono::milliseconds(1 + i % 7), false, [&ran, i] { ran.push_back(i); }));
  for (int i = 0; i < 300; ++i)
    if (i % 3 != 0) loop.removeTimer(ids[static_cast<std::size_t>(i)]);
  clock.advance(std::chrono::milliseconds(10));
  runOneTurn(loop);
  std::vector<int> expected;
  for (int delay = 1; delay <= 7; ++delay)
    for (int i = 0; i < 300; i += 3)
      if (1 + i % 7 == delay) expected.push_back(i);
  EXPECT_EQ(ran, expected);
}

TEST(RunLoopSpareTransfers, OneSetUpGoesOnlyToSettingsThatMakeTheSameOptionsAnyOtherGetsItReset) {
  SteadyClock clock;
  RunLoop loop(clock);
  HTTPStreamSettings kept;
  kept.url = "http://127.0.0.1:8080/a";
  kept.headers = {{"User-Agent", "Desk"}, {"Accept-Encoding", "gzip"}};
  kept.proxyHost = "proxy";
  kept.proxyPort = 3128;
  kept.proxyTunnelHeaders = {{"Proxy-Authorization", "Basic eA=="}};
  CURL* const easy = loop.takeTransfer(&kept).easy;
  ASSERT_NE(easy, nullptr);
  auto giveBack = [&] { loop.giveBackTransfer({easy, std::make_unique<HTTPStreamSettings>(kept), true}); };
  std::vector<std::pair<const char*, void (*)(HTTPStreamSettings&)>> changes = {
      {"method", [](HTTPStreamSettings& s) { s.method = "DELETE"; }},
      {"url", [](HTTPStreamSettings& s) { s.url += "b"; }},
      {"version", [](HTTPStreamSettings& s) { s.useHTTPVersionOne = true; }},
      {"header value", [](HTTPStreamSettings& s) { s.headers[0].second = "Other"; }},
      {"header spelling", [](HTTPStreamSettings& s) { s.headers[1].first = "accept-encoding"; }},
      {"header order", [](HTTPStreamSettings& s) { std::swap(s.headers[0], s.headers[1]); }},
      {"one header more", [](HTTPStreamSettings& s) { s.headers.emplace_back("Range", "bytes=1-"); }},
      {"validation", [](HTTPStreamSettings& s) { s.validatesSecureCertificate = false; }},
      {"certificate", [](HTTPStreamSettings& s) { s.clientCertificateChainPEM = "cert"; }},
      {"key", [](HTTPStreamSettings& s) { s.clientPrivateKeyPEM = "key"; }},
      {"proxy host", [](HTTPStreamSettings& s) { s.proxyHost = "other"; }},
      {"proxy port", [](HTTPStreamSettings& s) { s.proxyPort = 8080; }},
      {"SOCKS", [](HTTPStreamSettings& s) { s.socksProxy = true; }},
      {"CONNECT header", [](HTTPStreamSettings& s) { s.proxyTunnelHeaders.clear(); }},
  };
  for (const auto& [what, change] : changes) {
    giveBack();
    HTTPStreamSettings other = kept;
    change(other);
    RunLoop::SpareTransfer taken = loop.takeTransfer(&other);
    EXPECT_EQ(taken.easy, easy) << what;
    EXPECT_FALSE(taken.setUp) << what;
  }
  giveBack();
  EXPECT_FALSE(loop.takeTransfer(nullptr).setUp);
  giveBack();
  HTTPStreamSettings same = kept;
  RunLoop::SpareTransfer taken = loop.takeTransfer(&same);
  EXPECT_EQ(taken.easy, easy);
  EXPECT_TRUE(taken.setUp);
  loop.giveBackTransfer(std::move(taken));  // freed with the loop
}

}  // namespace
}  // namespace td
