#include "session/trading/SessionNotifications.h"

#include <gtest/gtest.h>

#include "platform/ManualMainQueue.h"

namespace td {
namespace {

struct RecordingAlerts : UserAlerts {
  std::vector<std::string> calls;
  void showAlert(const std::string& title, const std::string& message) override {
    calls.push_back("alert " + title + "|" + message);
  }
  void showBanner(const std::string& title, const std::string& message) override {
    calls.push_back("banner " + title + "|" + message);
  }
  void playSound(const std::string& name) override { calls.push_back("sound " + name); }
};

struct RecordingShell : SessionShell {
  std::vector<SessionBanner> banners;
  void playSound(const std::string&) override {}
  void showAlert(const SessionAlert&) override {}
  void showBanner(const SessionBanner& banner) override { banners.push_back(banner); }
  void SetEnableUIObjects() override {}
  void shakeWindow() override {}
};

class SessionNotificationsTest : public ::testing::Test {
 protected:
  SessionNotificationsTest() : center_(&queue_) {
    SessionNotifications::Links links;
    links.center = &center_;
    links.mainQueue = &queue_;
    links.alerts = alerts_;
    links.showBanner = [this](const SessionBanner& b) { shell_.showBanner(b); };
    links.sender = std::string("session");
    links.showConfirmationAlert = [this] { return confirmationAlert_; };
    links.userName = [] { return std::string("me"); };
    links.chatUserName = [this] { return chatPartner_; };
    notifications_ = std::make_unique<SessionNotifications>(links);
  }

  // Records every name posted (with its object as text where it is one) in delivery order.
  void observe(const std::string& name) {
    center_.addObserver(name, [this](const Notification& n) {
      std::string entry = n.name;
      if (const auto* text = n.objectAs<std::string>()) entry += " " + *text;
      if (const auto info = n.userInfoText("UserInfo")) entry += " " + *info;
      if (const auto info = n.userInfoText("Status")) entry += " [" + *info + "]";
      for (const char* key : {"RoomKey", "RoomUsers", "RoomId", "RoomName"}) {
        if (const auto info = n.userInfoText(key)) entry += " " + std::string(key) + "=" + *info;
      }
      posted_.push_back(entry);
    });
  }

  ManualMainQueue queue_;
  NotificationCenter center_;
  std::shared_ptr<RecordingAlerts> alerts_ = std::make_shared<RecordingAlerts>();
  RecordingShell shell_;
  bool confirmationAlert_ = false;
  std::string chatPartner_;
  std::unique_ptr<SessionNotifications> notifications_;
  std::vector<std::string> posted_;
};

TEST_F(SessionNotificationsTest, NothingIsDeliveredBeforeTheMainQueueRuns) {
  for (const char* name : SessionNotifications::kTableNotifications) observe(name);
  observe("PasswordChangeNotification");
  notifications_->HistoryDataUpdateNotification();
  notifications_->passwordChangeNotification();
  notifications_->OrderRejectionNotification("Symbol Disabled");
  EXPECT_TRUE(posted_.empty());
  EXPECT_TRUE(alerts_->calls.empty());
  queue_.runPending();
  EXPECT_EQ(posted_, (std::vector<std::string>{
                         "OpenPositionTableNotification", "PieChartUpdateNotification", "PendingOrderTableNotification",
                         "SettledPositionTableNotification", "CancelledOrderTableNotification",
                         "ExecutedPositionTableNotification", "JournalTableNotification",
                         "PasswordChangeNotification session"}));
  EXPECT_EQ(alerts_->calls, std::vector<std::string>{"alert Trade info|Order Status : Rejected\nReason : Symbol Disabled"});
}

TEST_F(SessionNotificationsTest, NamedNotificationsCarryTheirObjects) {
  for (const char* name : {"DemoUserCreationNotification", "PasswordChangeRefusedNotification",
                           "ChatRoomCreationNotification", "NoticeMessageNotification",
                           "ChatQueueStatusUpdate", "CloseHedgePositionNotification", "NoticeMessageReceivedNotification",
                           "RecentConversationReceivedNotification", "DepositWithdrawalTableNotification",
                           "AccountStatementNotification", "BankDetailsNotification",
                           "ExecutedPositionTableNotification"}) {
    observe(name);
  }
  notifications_->demoUserCreationNotification("demo/pw");
  notifications_->passwordChangeRefusedNotification("Failure");
  notifications_->sendRoomCreationNotification("dealer/1", std::string("me;dealer/1"), std::string("12"), std::nullopt);
  notifications_->UpdateChatNotification("NoticeMessageNotification");
  notifications_->ChatQueueStatusUpdateNotification();
  notifications_->CloseHedgedPositionsNotification();
  notifications_->NoticeMessageReceivedNotification("R1");
  notifications_->RecentConversationMessageReceivedNotification(std::string("R2"));
  notifications_->RecentConversationMessageReceivedNotification(std::nullopt);
  notifications_->depositwithdrawalNotification();
  notifications_->accountStatementUpdateNotification();
  notifications_->bankDetailsReceivedNotification();
  notifications_->executedPositionSearchNotification();
  queue_.runPending();
  EXPECT_EQ(posted_, (std::vector<std::string>{
                         "DemoUserCreationNotification session demo/pw",
                         "PasswordChangeRefusedNotification session [Failure]",
                         "ChatRoomCreationNotification session RoomKey=dealer/1 RoomUsers=me;dealer/1 RoomId=12",
                         "NoticeMessageNotification session", "ChatQueueStatusUpdate session",
                         "CloseHedgePositionNotification session", "NoticeMessageReceivedNotification R1",
                         "RecentConversationReceivedNotification R2", "RecentConversationReceivedNotification",
                         "DepositWithdrawalTableNotification",
                         "AccountStatementNotification", "BankDetailsNotification",
                         "ExecutedPositionTableNotification"}));
}

TEST_F(SessionNotificationsTest, PendingOrderNotificationCarriesTheOrder) {
  OrderPtr got;
  std::optional<std::string> requestId;
  center_.addObserver("PendingOrderNotification", [&](const Notification& n) {
    if (const auto* o = n.objectAs<OrderPtr>()) got = *o;
    requestId = n.userInfoText("Requestid");
  });
  auto order = std::make_shared<Order>();
  notifications_->PendingOrderNotification(order, 17);
  queue_.runPending();
  EXPECT_EQ(got, order);
  EXPECT_EQ(requestId, "17");
}

TEST_F(SessionNotificationsTest, TradeConfirmationPlaysTheSoundThenShowsBannerOrAlert) {
  notifications_->TradeConfirmationNotification("You Bought");
  queue_.runPending();
  confirmationAlert_ = true;
  notifications_->TradeConfirmationNotification("You Sold");
  queue_.runPending();
  EXPECT_EQ(alerts_->calls, (std::vector<std::string>{"sound order", "banner Trade Confirmation|You Bought",
                                                      "sound order", "alert Trade Confirmation|You Sold"}));
}

TEST_F(SessionNotificationsTest, SettlementReloadsTablesBeforeItsAlert) {
  observe("JournalTableNotification");
  notifications_->ShowSettledOrderNotification("EUR#USD", "1.05", "S1");
  queue_.runPending();
  EXPECT_EQ(posted_, std::vector<std::string>{"JournalTableNotification"});
  EXPECT_EQ(alerts_->calls, std::vector<std::string>{"alert Info|#S1\nOrder settled for EUR#USD @1.05 "});
  notifications_->demoUserCreationFailureNotification();
  queue_.runPending();
  EXPECT_EQ(alerts_->calls.back(), "alert TarnwickDesk|Demo user registration failed");
}

TEST_F(SessionNotificationsTest, BannersOfTheSession) {
  notifications_->MarginCallNotification("100");
  notifications_->NewMessageNotification("Holiday hours");
  notifications_->NewMessagesNotification("3");
  notifications_->NewChatMessageNotification({"dealer1", "hello", "Dealer One"});
  notifications_->NewChatMessageNotification({"me", "mine", "Me"});
  chatPartner_ = "dealer1";
  notifications_->NewChatMessageNotification({"dealer1", "again", "Dealer One"});
  notifications_->NewChatMessageNotification({"dealer2", "short"});
  notifications_->NewChatMessageNotification({});
  EXPECT_TRUE(shell_.banners.empty());
  queue_.runPending();
  ASSERT_EQ(shell_.banners.size(), 4u);
  const SessionBanner& margin = shell_.banners[0];
  EXPECT_EQ(margin.title, "TarnwickDesk");
  EXPECT_EQ(margin.subtitle, "Account No : 100");
  EXPECT_EQ(margin.informativeText, "Your account is on margin call");
  EXPECT_EQ(margin.dismissDelaySeconds, 30.0);
  EXPECT_EQ(margin.sound, "CNUserNotificationDefaultSound");
  EXPECT_FALSE(margin.actionButton);
  EXPECT_EQ(shell_.banners[1].subtitle, "Holiday hours");
  EXPECT_EQ(shell_.banners[1].informativeText, "You have a new message");
  EXPECT_EQ(shell_.banners[2].subtitle, "Messages");
  EXPECT_EQ(shell_.banners[2].informativeText, "You have 3 new messages");
  EXPECT_EQ(shell_.banners[2].dismissDelaySeconds, 15.0);
  EXPECT_EQ(shell_.banners[3].subtitle, "New chat message from : Dealer One");
  EXPECT_EQ(shell_.banners[3].informativeText, "hello");
}

}  // namespace
}  // namespace td
