// The request loop's deferred work: what a dispatch defers runs once it has returned (so after it has
// let go of its locks), hand-offs to other threads after the follow-ups, and a loop run nested in a
// dispatch leaves what the outer dispatch deferred to it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

}  // namespace
}  // namespace td
