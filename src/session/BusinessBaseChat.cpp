// The chat message families of the dispatcher, each one call into the session's chat desk, and
// what the chat desk asks of the session: the request writer, the request values, the first
// account, and the notifications and banners (through the trading desk's SessionNotifications, so
// that chat and trading tell the windows and the user the same way).

#include "platform/Log.h"
#include "session/BusinessBase.h"
#include "session/SessionLinks.h"

namespace td {
namespace {

class SessionChatEvents final : public ChatEvents {
 public:
  SessionChatEvents(BusinessBase& session, const BusinessBase::Environment& env) : session_(session), env_(env) {}

  MessageBase& messageBase() override { return session_.messageBase(); }
  SessionValues sessionValues() const override { return session_.sessionValues(); }
  std::optional<std::string> firstAccountKey() const override {
    const auto& accounts = session_.AccountDetailCollection();
    if (accounts.empty()) return std::nullopt;
    return accounts.begin()->first;
  }

  void roomConfirmed(const std::string& key, const ChatRoom& room) override {
    notify([&](const SessionNotifications& n) {
      n.sendRoomCreationNotification(key, room.RoomUsers, room.RoomId, room.RoomName);
    });
  }
  void chatMessageArrived(const std::string& sender, const std::string& text, const std::string& displayName) override {
    notify([&](const SessionNotifications& n) {
      n.NewChatMessageNotification({sender, text, displayName});
      n.UpdateChatNotification("UpdateChatMessageNotification");
    });
  }
  void noticeMessageArrived(const std::string& title) override {
    notify([&](const SessionNotifications& n) {
      n.NewMessageNotification(title);
      n.UpdateChatNotification("NoticeMessageNotification");
    });
  }
  void userStatusChanged() override {
    notify([](const SessionNotifications& n) { n.UpdateChatNotification("UserStatusNotification"); });
  }
  void queueStatusChanged() override {
    notify([](const SessionNotifications& n) { n.ChatQueueStatusUpdateNotification(); });
  }
  void noticeHistoryArrived(const std::string& roomId) override {
    notify([&](const SessionNotifications& n) { n.NoticeMessageReceivedNotification(roomId); });
  }
  void conversationHistoryArrived(const std::optional<std::string>& roomId) override {
    notify([&](const SessionNotifications& n) { n.RecentConversationMessageReceivedNotification(roomId); });
  }
  void offlineNoticesArrived(std::size_t count) override {
    notify([&](const SessionNotifications& n) { n.NewMessagesNotification(std::to_string(count)); });
  }
  void chatMessagesNotSent(const UnsentChatMessages& unsent) override {
    env_.notifications->postOnMainThread("ChatMessagesNotSentNotification", unsent);
  }

 private:
  template <class F>
  void notify(F&& f) {
    const TradingDesk desk(session_, tradingLinks(env_));
    f(desk.notifications());
  }

  BusinessBase& session_;
  const BusinessBase::Environment& env_;
};

void report(bool sent, const char* what) {
  if (!sent) TD_LOG_WARN(std::string(what) + " not sent");
}

// The lists of the session's start, which the chat handlers tell nobody of: the windows that show
// them read them again ("ChatContactListNotification" after the contact list, with its groups,
// users and queues; "ChatConversationListNotification" after the recent conversations and after
// the offline messages' unread marks).
void announce(BusinessBase& session, const BusinessBase::Environment& env, const char* name) {
  TradingDesk(session, tradingLinks(env)).notifications().UpdateChatNotification(name);
}

}  // namespace

std::unique_ptr<ChatEvents> BusinessBase::makeChatEvents() { return std::make_unique<SessionChatEvents>(*this, env_); }

void BusinessBase::requestContactlist() { report(chat_->requestContactlist(), "requestContactlist"); }
void BusinessBase::requestRecentConversation() {
  report(chat_->requestRecentConversation(), "requestRecentConversation");
}
void BusinessBase::requestOfflineMessages() { report(chat_->requestOfflineMessages(), "requestOfflineMessages"); }

void BusinessBase::handleChatRoomCreation(const ReceivedMessage& message) {
  chat_->FillChatRoomDetails(message.fields(), message.value(503));
}
void BusinessBase::handleChatMessage(const ReceivedMessage& message) {
  chat_->FillChatMessages(message.fields(), message.value(502));
}
void BusinessBase::handleChatOfflineMessages(const ReceivedMessage& message) {
  chat_->FillOfflineMessages(message.fields());
  announce(*this, env_, "ChatConversationListNotification");
}
void BusinessBase::handleChatRoomMessages(const ReceivedMessage& message) { chat_->FillRoomMessage(message.fields()); }
void BusinessBase::handleChatContactList(const ReceivedMessage& message) {
  chat_->FillChatGroupsAndUsers(message.fields());
  announce(*this, env_, "ChatContactListNotification");
}
void BusinessBase::handleChatUserStatus(const ReceivedMessage& message) {
  chat_->UpdateChatUserStatus(message.value(23), message.value(24));
}
void BusinessBase::handleChatRecentConversations(const ReceivedMessage& message) {
  chat_->FillRecentConversation(message.fields());
  announce(*this, env_, "ChatConversationListNotification");
}
void BusinessBase::handleChatQueueResponse(const ReceivedMessage& message) {
  chat_->UpdateChatResponseFromQueue(message.value(1026), message.value(572));
}
void BusinessBase::handleChatQueueStatus(const ReceivedMessage& message) {
  chat_->UpdateChatQueueStatus(message.value(1026), message.value(572));
}

}  // namespace td
