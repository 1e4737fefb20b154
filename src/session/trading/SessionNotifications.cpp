#include "session/trading/SessionNotifications.h"

#include "platform/Log.h"

namespace td {

SessionNotifications::SessionNotifications(Links links) : links_(std::move(links)) {}

void SessionNotifications::post(std::string name, std::any object, std::map<std::string, std::string> userInfo) const {
  if (!links_.center) {
    TD_LOG_WARN("Notification " + name + " dropped: no notification centre");
    return;
  }
  links_.center->postOnMainThread(std::move(name), std::move(object), std::move(userInfo));
}

void SessionNotifications::alert(std::string title, std::string message) const {
  if (!links_.alerts || !links_.mainQueue) {
    TD_LOG_INFO("Alert " + title + ": " + message);
    return;
  }
  links_.mainQueue->post([alerts = links_.alerts, title = std::move(title), message = std::move(message)] {
    alerts->showAlert(title, message);
  });
}

void SessionNotifications::banner(SessionBanner b) const {
  if (!links_.showBanner || !links_.mainQueue) {
    TD_LOG_INFO("Banner " + b.title + ": " + b.subtitle + ": " + b.informativeText);
    return;
  }
  links_.mainQueue->post([show = links_.showBanner, b = std::move(b)] { show(b); });
}

// ---- notifications ----

void SessionNotifications::HistoryDataUpdateNotification() const {
  for (const char* name : kTableNotifications) post(name);
}

void SessionNotifications::passwordChangeNotification() const { post("PasswordChangeNotification", links_.sender); }

void SessionNotifications::passwordChangeRefusedNotification(const std::string& status) const {
  post("PasswordChangeRefusedNotification", links_.sender, {{"Status", status}});
}

void SessionNotifications::demoUserCreationNotification(const std::string& userInfo) const {
  post("DemoUserCreationNotification", links_.sender, {{"UserInfo", userInfo}});
}

void SessionNotifications::sendRoomCreationNotification(const std::string& roomKey,
                                                        const std::optional<std::string>& roomUsers,
                                                        const std::optional<std::string>& roomId,
                                                        const std::optional<std::string>& roomName) const {
  std::map<std::string, std::string> info{{"RoomKey", roomKey}};
  if (roomUsers) info.emplace("RoomUsers", *roomUsers);
  if (roomId) info.emplace("RoomId", *roomId);
  if (roomName) info.emplace("RoomName", *roomName);
  post("ChatRoomCreationNotification", links_.sender, std::move(info));
}

void SessionNotifications::UpdateChatNotification(const std::string& name) const { post(name, links_.sender); }

void SessionNotifications::ChatQueueStatusUpdateNotification() const { post("ChatQueueStatusUpdate", links_.sender); }

void SessionNotifications::CloseHedgedPositionsNotification() const {
  post("CloseHedgePositionNotification", links_.sender);
}

void SessionNotifications::PendingOrderNotification(const OrderPtr& order, std::int32_t requestId) const {
  post("PendingOrderNotification", order, {{"Requestid", std::to_string(requestId)}});
}

void SessionNotifications::NoticeMessageReceivedNotification(const std::string& roomId) const {
  post("NoticeMessageReceivedNotification", roomId);
}

void SessionNotifications::RecentConversationMessageReceivedNotification(
    const std::optional<std::string>& roomId) const {
  post("RecentConversationReceivedNotification", roomId ? std::any(*roomId) : std::any());
}

void SessionNotifications::depositwithdrawalNotification() const { post("DepositWithdrawalTableNotification"); }
void SessionNotifications::accountStatementUpdateNotification() const { post("AccountStatementNotification"); }
void SessionNotifications::bankDetailsReceivedNotification() const { post("BankDetailsNotification"); }
void SessionNotifications::executedPositionSearchNotification() const { post("ExecutedPositionTableNotification"); }

// ---- alerts, banners, sounds ----

void SessionNotifications::demoUserCreationFailureNotification() const {
  alert(links_.appName, "Demo user registration failed");
}

void SessionNotifications::TradeConfirmationNotification(const std::string& text) const {
  if (!links_.alerts || !links_.mainQueue) {
    TD_LOG_INFO("Trade Confirmation: " + text);
    return;
  }
  links_.mainQueue->post([alerts = links_.alerts] { alerts->playSound("order"); });
  links_.mainQueue->post([alerts = links_.alerts, asAlert = links_.showConfirmationAlert, text] {
    if (asAlert && asAlert()) {
      alerts->showAlert("Trade Confirmation", text);
    } else {
      alerts->showBanner("Trade Confirmation", text);
    }
  });
}

void SessionNotifications::OrderRejectionNotification(const std::string& reason) const {
  alert("Trade info", "Order Status : Rejected\nReason : " + reason);
}

void SessionNotifications::ShowSettledOrderNotification(const std::string& itemCode, const std::string& settledPrice,
                                                        const std::string& settlementId) const {
  HistoryDataUpdateNotification();
  alert("Info", "#" + settlementId + "\nOrder settled for " + itemCode + " @" + settledPrice + " ");
}

void SessionNotifications::MarginCallNotification(const std::string& accountId) const {
  SessionBanner b;
  b.title = links_.appName;
  b.subtitle = "Account No : " + accountId;
  b.informativeText = "Your account is on margin call";
  b.dismissDelaySeconds = 30.0;
  b.sound = "CNUserNotificationDefaultSound";
  banner(std::move(b));
}

void SessionNotifications::NewChatMessageNotification(const std::vector<std::string>& message) const {
  if (message.size() < 3) return;
  const std::string& sender = message[0];
  if (sender.empty()) return;
  if (links_.userName && sender == links_.userName()) return;
  if (links_.chatUserName && sender == links_.chatUserName()) return;
  TriggerNewChatNotification(message[2], message[1]);
}

void SessionNotifications::TriggerNewChatNotification(const std::string& name, const std::string& text) const {
  SessionBanner b;
  b.title = links_.appName;
  b.subtitle = "New chat message from : " + name;
  b.informativeText = text;
  b.dismissDelaySeconds = 15.0;
  b.sound = "CNUserNotificationDefaultSound";
  banner(std::move(b));
}

void SessionNotifications::NewMessageNotification(const std::string& title) const {
  SessionBanner b;
  b.title = links_.appName;
  b.subtitle = title;
  b.informativeText = "You have a new message";
  b.dismissDelaySeconds = 30.0;
  b.sound = "CNUserNotificationDefaultSound";
  banner(std::move(b));
}

void SessionNotifications::NewMessagesNotification(const std::string& count) const {
  SessionBanner b;
  b.title = links_.appName;
  b.subtitle = "Messages";
  b.informativeText = "You have " + count + " new messages";
  b.dismissDelaySeconds = 15.0;
  b.sound = "CNUserNotificationDefaultSound";
  banner(std::move(b));
}

}  // namespace td
