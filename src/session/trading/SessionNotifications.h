#pragma once
// What the session tells the windows and the user: the named notifications of the session object,
// each posted on the main thread through the notification centre, and the alerts, banners and
// sounds, each posted to the main queue as a task of its own (so a message handler that raises one
// is never re-entered half done).
//
// Alerts and the trade-confirmation banner go through the common alert interface (UserAlerts), the
// banners with a subtitle, a delay and a sound (margin call, chat, notices) through the session
// shell's banner centre.
//
// Whatever is captured in Links must outlive the tasks posted to the main queue.

#include <any>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/AppContext.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "session/SessionShell.h"
#include "session/trading/TradingEvents.h"

namespace td {

class SessionNotifications {
 public:
  struct Links {
    NotificationCenter* center = nullptr;  // required
    MainQueue* mainQueue = nullptr;        // required
    std::shared_ptr<UserAlerts> alerts;    // none: alerts and sounds are only logged
    // The session shell's banner centre (SessionShell::showBanner), called on the main queue as a
    // task of its own; empty: banners are only logged.
    std::function<void(const SessionBanner&)> showBanner;
    std::any sender;                       // the object of the notifications whose object is the session
    std::string appName = "TarnwickDesk";  // title of the banners and of the demo-failure alert
    // `showConfirmationAlert` of the GUI objects, read at each confirmation; empty: false (banner).
    std::function<bool()> showConfirmationAlert;
    // The login user name and the open chat partner (`chatUserName`), read when a chat message comes.
    std::function<std::string()> userName;
    std::function<std::string()> chatUserName;
  };

  explicit SessionNotifications(Links links);

  // ---- notifications ----
  // The seven table notifications, in their fixed order.
  void HistoryDataUpdateNotification() const;
  void passwordChangeNotification() const;
  // "PasswordChangeRefusedNotification": object the session, user information "Status".
  void passwordChangeRefusedNotification(const std::string& status) const;
  void demoUserCreationNotification(const std::string& userInfo) const;
  // "ChatRoomCreationNotification": user information "RoomKey" (the key of the room in the chat
  // state), "RoomUsers", "RoomId" and "RoomName", each a value of its own (one the room lacks is
  // left out).
  void sendRoomCreationNotification(const std::string& roomKey, const std::optional<std::string>& roomUsers,
                                    const std::optional<std::string>& roomId,
                                    const std::optional<std::string>& roomName) const;
  void UpdateChatNotification(const std::string& name) const;
  void ChatQueueStatusUpdateNotification() const;
  void CloseHedgedPositionsNotification() const;
  // Object: the order. User information "Requestid": the request id of the report in decimal, since
  // the session's own counter may have moved on by the time the main queue delivers.
  void PendingOrderNotification(const OrderPtr& order, std::int32_t requestId) const;
  void NoticeMessageReceivedNotification(const std::string& roomId) const;
  // Object: the room id, or none when no room was found.
  void RecentConversationMessageReceivedNotification(const std::optional<std::string>& roomId) const;
  void depositwithdrawalNotification() const;
  void accountStatementUpdateNotification() const;
  void bankDetailsReceivedNotification() const;
  void executedPositionSearchNotification() const;

  // ---- alerts, banners, sounds ----
  void demoUserCreationFailureNotification() const;
  void TradeConfirmationNotification(const std::string& text) const;
  void OrderRejectionNotification(const std::string& reason) const;
  // The table notifications, then the alert "Info": "#<id>\nOrder settled for <code> @<price> ".
  void ShowSettledOrderNotification(const std::string& itemCode, const std::string& settledPrice,
                                    const std::string& settlementId) const;
  void MarginCallNotification(const std::string& accountId) const;
  // [sender user name, message text, sender display name]: a banner unless the sender is the user
  // or the partner whose conversation is open; fewer than three elements raise nothing.
  void NewChatMessageNotification(const std::vector<std::string>& message) const;
  void TriggerNewChatNotification(const std::string& name, const std::string& text) const;
  void NewMessageNotification(const std::string& title) const;
  void NewMessagesNotification(const std::string& count) const;

  static constexpr const char* kTableNotifications[7] = {
      "OpenPositionTableNotification",    "PieChartUpdateNotification",        "PendingOrderTableNotification",
      "SettledPositionTableNotification", "CancelledOrderTableNotification",   "ExecutedPositionTableNotification",
      "JournalTableNotification"};

 private:
  void post(std::string name, std::any object = {}, std::map<std::string, std::string> userInfo = {}) const;
  void alert(std::string title, std::string message) const;
  void banner(SessionBanner banner) const;

  Links links_;
};

// TradingEvents over the notifications and three links of the session object.
class SessionTradingEvents final : public TradingEvents {
 public:
  struct Links {
    std::function<void(const std::vector<std::string>&, bool)> subscribeItems;
    std::function<void(std::int32_t)> requestEquityPriceinfo;
    std::function<void(const std::string&)> setPassword;
  };

  SessionTradingEvents(const SessionNotifications& notifications, Links links)
      : notifications_(notifications), links_(std::move(links)) {}

  void PendingOrderNotification(const OrderPtr& order, std::int32_t requestId) override {
    notifications_.PendingOrderNotification(order, requestId);
  }
  void OrderRejectionNotification(const std::string& reason) override {
    notifications_.OrderRejectionNotification(reason);
  }
  void TradeConfirmationNotification(const std::string& text) override {
    notifications_.TradeConfirmationNotification(text);
  }
  void ShowSettledOrderNotification(const std::string& itemCode, const std::string& settledPrice,
                                    const std::string& settlementId) override {
    notifications_.ShowSettledOrderNotification(itemCode, settledPrice, settlementId);
  }
  void MarginCallNotification(const std::string& accountId) override {
    notifications_.MarginCallNotification(accountId);
  }
  void passwordChangeNotification() override { notifications_.passwordChangeNotification(); }
  void passwordChangeRefusedNotification(const std::string& status) override {
    notifications_.passwordChangeRefusedNotification(status);
  }
  void demoUserCreationNotification(const std::string& userInfo) override {
    notifications_.demoUserCreationNotification(userInfo);
  }
  void demoUserCreationFailureNotification() override { notifications_.demoUserCreationFailureNotification(); }
  void subscribeItems(const std::vector<std::string>& codes, bool subscribe) override {
    if (links_.subscribeItems) links_.subscribeItems(codes, subscribe);
  }
  void requestEquityPriceinfo(std::int32_t accountId) override {
    if (links_.requestEquityPriceinfo) links_.requestEquityPriceinfo(accountId);
  }
  void setPassword(const std::string& password) override {
    if (links_.setPassword) links_.setPassword(password);
  }

 private:
  const SessionNotifications& notifications_;
  Links links_;
};

}  // namespace td
