#include "transport/Reachability.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "platform/Log.h"
#include "platform/ManualMainQueue.h"
#include "platform/NotificationCenter.h"

namespace td {
namespace {

using R = Reachability;

TEST(ReachabilityFlags, ReachableOnlyWithoutTransientAndRequiredTogether) {
  EXPECT_TRUE(R::isReachableWithFlags(2));
  EXPECT_FALSE(R::isReachableWithFlags(7));
  EXPECT_TRUE(R::isReachableWithFlags(3));
  EXPECT_TRUE(R::isReachableWithFlags(6));
  EXPECT_FALSE(R::isReachableWithFlags(0));
  EXPECT_FALSE(R::isReachableWithFlags(5));
}

TEST(ReachabilityFlags, FlagsAreDrawnInTheirFixedOrder) {
  EXPECT_EQ(R::flagsText(2), "XR -------");
  EXPECT_EQ(R::flagsText(0), "X- -------");
  EXPECT_EQ(R::flagsText(2 | 4 | 1 | 16 | 8 | 32 | 0x10000 | 0x20000), "XR ctiCDld");
}

TEST(ReachabilityFlags, UnreadableFlagsAnswerNotReachable) {
  auto monitor = R::withReader([] { return std::nullopt; });
  EXPECT_FALSE(monitor->isReachable());
  EXPECT_EQ(monitor->reachabilityFlags(), 0u);
  EXPECT_EQ(monitor->currentReachabilityStatus(), R::NotReachable);
  EXPECT_EQ(monitor->currentReachabilityString(), "No Connection");
  EXPECT_FALSE(monitor->isConnectionRequired());
}

TEST(ReachabilityFlags, StatusAndDerivedQueries) {
  std::atomic<R::Flags> flags{2};
  auto monitor = R::withReader([&] { return std::optional<R::Flags>(flags.load()); });
  EXPECT_EQ(monitor->currentReachabilityStatus(), R::ReachableViaWiFi);
  EXPECT_EQ(monitor->currentReachabilityString(), "WiFi");
  flags = 4 | 8;
  EXPECT_TRUE(monitor->isConnectionOnDemand());
  EXPECT_FALSE(monitor->isInterventionRequired());
  flags = 4 | 16;
  EXPECT_TRUE(monitor->isInterventionRequired());
  EXPECT_FALSE(monitor->isReachableViaWWAN());
  EXPECT_TRUE(monitor->reachableOnWWAN());
}

TEST(ReachabilityKernel, LoopbackAddressIsLocalAndDirect) {
  sockaddr_in loopback{};
  loopback.sin_family = AF_INET;
  loopback.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  auto monitor = R::reachabilityWithAddress(reinterpret_cast<sockaddr*>(&loopback));
  ASSERT_TRUE(monitor);
  const R::Flags flags = monitor->reachabilityFlags();
  EXPECT_TRUE(monitor->isReachable()) << R::flagsText(flags);
  EXPECT_TRUE(flags & R::kIsLocalAddress);
  EXPECT_TRUE(flags & R::kIsDirect);
  sockaddr unknown{};
  unknown.sa_family = AF_UNIX;
  EXPECT_EQ(R::reachabilityWithAddress(&unknown), nullptr);
}

class ReachabilityNotifier : public ::testing::Test {
 protected:
  void SetUp() override {
    MainQueue::setInstance(&main);
    fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    ASSERT_GE(fd, 0);
  }
  void TearDown() override {
    MainQueue::setInstance(nullptr);
    close(fd);
  }
  void signalChange() {
    const uint64_t one = 1;
    ASSERT_EQ(write(fd, &one, sizeof one), static_cast<ssize_t>(sizeof one));
  }
  ManualMainQueue main;
  int fd = -1;
};

TEST_F(ReachabilityNotifier, ChangeRunsTheMatchingBlockThenNotifiesOnTheMainThread) {
  std::atomic<R::Flags> flags{2};
  auto monitor = R::withReader([&] { return std::optional<R::Flags>(flags.load()); }, fd);
  std::mutex m;
  std::condition_variable cv;
  int reachable = 0, unreachable = 0;
  monitor->setReachableBlock([&](R&) {
    std::lock_guard lock(m);
    ++reachable;
    cv.notify_all();
  });
  monitor->setUnreachableBlock([&](R&) {
    std::lock_guard lock(m);
    ++unreachable;
    cv.notify_all();
  });
  int notified = 0;
  const auto token = NotificationCenter::defaultCenter().addObserver(kReachabilityChangedNotification, [&](const Notification& n) {
    EXPECT_TRUE(main.isMainThread());
    auto sent = n.objectAs<std::shared_ptr<Reachability>>();
    ASSERT_NE(sent, nullptr);
    EXPECT_EQ(sent->get(), monitor.get());
    ++notified;
  });
  ASSERT_TRUE(monitor->startNotifier());

  flags = 0;
  signalChange();
  {
    std::unique_lock lock(m);
    ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(5), [&] { return unreachable == 1; }));
  }
  EXPECT_TRUE(main.runUntil([&] { return notified == 1; }, std::chrono::seconds(5)));

  // A wake-up without a change of flags runs nothing.
  signalChange();
  flags = 2;
  signalChange();
  {
    std::unique_lock lock(m);
    ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(5), [&] { return reachable == 1; }));
  }
  EXPECT_TRUE(main.runUntil([&] { return notified == 2; }, std::chrono::seconds(5)));
  EXPECT_EQ(unreachable, 1);

  monitor->stopNotifier();
  EXPECT_FALSE(monitor->isNotifying());
  NotificationCenter::defaultCenter().removeObserver(token);
}

TEST_F(ReachabilityNotifier, FailedStartLeavesNoQueueAndNoSelfReference) {
  auto monitor = R::withReader([] { return std::optional<R::Flags>(2); }, -1);
  std::weak_ptr<R> weak = monitor;
  EXPECT_FALSE(monitor->startNotifier());
  EXPECT_FALSE(monitor->isNotifying());
  monitor.reset();
  EXPECT_TRUE(weak.expired());
}

TEST_F(ReachabilityNotifier, NotifyingMonitorKeepsItselfAliveUntilStopped) {
  auto monitor = R::withReader([] { return std::optional<R::Flags>(2); }, fd);
  std::weak_ptr<R> weak = monitor;
  ASSERT_TRUE(monitor->startNotifier());
  monitor.reset();
  ASSERT_FALSE(weak.expired());
  weak.lock()->stopNotifier();
  EXPECT_TRUE(weak.expired());
}

// Runs inside a network namespace of its own (started by the test below through `ip netns exec`):
// no default route at first, then a veth link with a default route through it.
TEST(ReachabilityNamespace, Inner) {
  if (!std::getenv("TD_REACHABILITY_NETNS")) GTEST_SKIP() << "runs only inside the namespace test";
  auto internet = R::reachabilityForInternetConnection();
  ASSERT_TRUE(internet);
  EXPECT_FALSE(internet->isReachable()) << R::flagsText(internet->reachabilityFlags());

  std::mutex m;
  std::condition_variable cv;
  bool became = false;
  internet->setReachableBlock([&](R&) {
    std::lock_guard lock(m);
    became = true;
    cv.notify_all();
  });
  ASSERT_TRUE(internet->startNotifier());
  ASSERT_EQ(std::system("ip link add tdv0 type veth peer name tdv1 && ip addr add 10.77.0.1/24 dev tdv0 && "
                        "ip link set tdv1 up && ip link set tdv0 up && ip route add default via 10.77.0.2"),
            0);
  {
    std::unique_lock lock(m);
    EXPECT_TRUE(cv.wait_for(lock, std::chrono::seconds(5), [&] { return became; }));
  }
  EXPECT_TRUE(internet->isReachable()) << R::flagsText(internet->reachabilityFlags());
  EXPECT_FALSE(internet->reachabilityFlags() & R::kIsDirect);
  internet->stopNotifier();

  ASSERT_EQ(std::system("ip link set tdv0 down"), 0);
  EXPECT_FALSE(internet->isReachable());
}

TEST(ReachabilityNamespace, InternetRouteFollowsLinksAndDefaultRoute) {
  const std::string ns = "tdreach" + std::to_string(getpid());
  if (std::system(("ip netns add " + ns + " >/dev/null 2>&1").c_str()) != 0) {
    GTEST_SKIP() << "cannot create a network namespace here (needs root and iproute2)";
  }
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  ASSERT_GT(n, 0);
  self[n] = '\0';
  const std::string command = "TD_REACHABILITY_NETNS=1 ip netns exec " + ns + " " + self +
                              " --gtest_filter=ReachabilityNamespace.Inner >/tmp/" + ns + ".log 2>&1";
  const int rc = std::system(command.c_str());
  std::system(("ip netns delete " + ns).c_str());
  EXPECT_EQ(rc, 0) << "see /tmp/" << ns << ".log";
  if (rc == 0) std::remove(("/tmp/" + ns + ".log").c_str());
}

}  // namespace
}  // namespace td
