#include "session/ShellReactions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "SessionTestSupport.h"
#include "transport/Reachability.h"

namespace td::testing {
namespace {

using ::testing::ElementsAre;

TEST(LoginMessageRecordTest, EachRefusalCodeHasItsRecord) {
  EXPECT_EQ(LoginMessageRecord::forErrorCode(10, "x").Tag, "0");
  EXPECT_EQ(LoginMessageRecord::forErrorCode(11, "x").Message, "Your account has been expired");
  const auto outdated = LoginMessageRecord::forErrorCode(12, "https://dl");
  EXPECT_EQ(outdated.Tag, "3");
  EXPECT_EQ(outdated.URL, "https://dl");
  EXPECT_EQ(LoginMessageRecord::forErrorCode(std::nullopt, "x").Message,
            "The username or password or server you entered is incorrect");
  EXPECT_FALSE(LoginMessageRecord::forErrorCode(14, "https://dl").URL);
}

TEST_F(SessionTest, ShellCallsArriveAsTasksOfTheirOwnNeverInsideTheCaller) {
  reactions->showLoginMessages(LoginMessageRecord::forErrorCode(12, "https://dl"));
  EXPECT_TRUE(shell.events.empty());
  EXPECT_EQ(queue.pendingPosts(), 3u);
  queue.runOne();
  EXPECT_THAT(shell.events, ElementsAre("shake"));
  queue.runPending();
  EXPECT_EQ(reactions->appUpdateURL(), "https://dl");
  EXPECT_EQ(shell.alerts.at(0).title, "TarnwickDesk");
}

TEST_F(SessionTest, LoggedInElsewhereAlertUsesTheLocalisedText) {
  reactions->LogininAnotherLocation("somewhere");
  queue.runPending();
  ASSERT_EQ(shell.alerts.size(), 1u);
  EXPECT_EQ(shell.alerts[0].message, reactions->text("8125") + " : somewhere !");
  EXPECT_NE(reactions->text("8125"), "8125");
  EXPECT_NE(reactions->text("8122"), "8122");
  EXPECT_NE(reactions->text("8140"), "8140");
}

TEST_F(SessionTest, ReachabilityBeforeAnyLoginOnlyShowsTheBanner) {
  reactions->reachabilityChanged(false, session);
  reactions->reachabilityChanged(true, session);
  queue.advance(std::chrono::seconds(5));
  EXPECT_THAT(shell.events, ElementsAre("banner No network is available"));
  EXPECT_TRUE(transport->calls.empty());
  EXPECT_TRUE(observer.events.empty());  // no re-rating
}

TEST_F(SessionTest, ReachabilityAfterALoginReratesAndReconnects) {
  loginData(standardDataSet());
  loginAccepted();
  queue.runPending();
  EXPECT_TRUE(reactions->loginSuccess());
  transport->calls.clear();
  reactions->reachabilityChanged(false, session);
  EXPECT_FALSE(transport->networkAvailable);
  observer.events.clear();
  queue.advance(std::chrono::milliseconds(3499));
  EXPECT_TRUE(observer.events.empty());
  queue.advance(std::chrono::milliseconds(1));
  EXPECT_THAT(observer.events, ElementsAre("PING 3 "));  // no server date yet: the worst rating
  reactions->reachabilityChanged(true, session);
  EXPECT_TRUE(transport->networkAvailable);
  EXPECT_THAT(transport->calls, ElementsAre("sub 127.0.0.1:7001", "req 127.0.0.1:7002", "subscribe EURUSD GBPUSD"));
}

TEST_F(SessionTest, ReachabilityNotificationReachesTheCurrentSession) {
  loginData(standardDataSet());
  loginAccepted();
  queue.runPending();
  transport->calls.clear();
  reactions->observeReachability([this] { return session; });
  bool reachable = false;
  auto monitor = Reachability::withReader([&]() -> std::optional<Reachability::Flags> {
    return reachable ? Reachability::kReachable : 0;
  });
  notifications->post(kReachabilityChangedNotification, monitor);
  EXPECT_FALSE(transport->networkAvailable);
  reachable = true;
  notifications->post(kReachabilityChangedNotification, monitor);
  EXPECT_TRUE(transport->networkAvailable);
  EXPECT_EQ(transport->calls.size(), 3u);  // both channels and the subscription
}

TEST_F(SessionTest, ReratingAfterAFailureDoesNotOutliveTheSession) {
  reactions->ConnectionFailureNotification(session);
  session.reset();
  queue.advance(std::chrono::seconds(4));
  EXPECT_THAT(shell.events, ElementsAre("sound connectionLost", "login controls", ::testing::StartsWith("alert 2")));
}

}  // namespace
}  // namespace td::testing
