// The chat desk's requests: the session-start lists, room histories, acknowledgements, and what
// the user sends, with the pending texts of rooms not yet confirmed.

#include "chat/ChatDesk.h"

#include <iterator>

#include "platform/Log.h"
#include "wire/ChatRequests.h"
#include "wire/Formatter.h"
#include "wire/Separators.h"

namespace td {
namespace {

ChatRoomValues roomValues(const ChatRoom& room) { return ChatRoomValues{room.RoomId, room.RoomName, room.MessageId}; }

}  // namespace

std::string_view ChatDesk::describe(SendResult result) {
  switch (result) {
    case SendResult::Sent:
    case SendResult::Waiting:
      return "";
    case SendResult::NotSent:
      return "The message could not be sent: the connection to the server is not available.";
    case SendResult::SeparatorBytes:
      return "The message holds control characters that cannot be sent.";
    case SendResult::NoConversation:
      return "The message could not be sent: no conversation is chosen.";
    case SendResult::NoAccount:
      return "The request could not be sent: no trading account is loaded.";
  }
  return "";
}

ChatDesk::ChatDesk(ChatEvents& events, MainQueue& mainQueue, ChatObserver* observer, Clock::Duration roomRequestTimeout)
    : events_(events), mainQueue_(mainQueue), observer_(observer), roomRequestTimeout_(roomRequestTimeout) {}

// ---- requests of the session ----

bool ChatDesk::requestContactlist() {
  return ChatRequests::requestContactlist(events_.messageBase(), events_.sessionValues());
}

bool ChatDesk::requestRecentConversation() {
  return ChatRequests::requestRecentConversation(events_.messageBase(), events_.sessionValues());
}

bool ChatDesk::requestOfflineMessages() {
  return ChatRequests::requestOfflineMessages(events_.messageBase(), events_.sessionValues());
}

bool ChatDesk::requestRoomMessage(std::string_view key) {
  const ChatRoomPtr room = model_.room(key);
  if (!room || !room->RoomId || !room->RoomName) return false;
  return ChatRequests::requestRoomMessage(events_.messageBase(), events_.sessionValues(), roomValues(*room));
}

bool ChatDesk::requestChatMessageAcknowledgement(std::string_view key) {
  const ChatRoomPtr room = model_.room(key);
  return room && acknowledge(*room);
}

bool ChatDesk::acknowledge(const ChatRoom& notice) {
  if (!notice.RoomName || !notice.MessageId) return false;
  return ChatRequests::requestChatMessageAcknowledgement(events_.messageBase(), events_.sessionValues(),
                                                         roomValues(notice));
}

// ---- the user ----

void ChatDesk::CreateRoomforChat(const std::string& userName) {
  if (!model_.room(userName)) model_.storeRoom(userName, std::make_shared<ChatRoom>());
}

ChatDesk::SendResult ChatDesk::SendChat(const std::string& key, std::string_view text) {
  if (containsSeparatorByte(text) || containsSeparatorByte(key)) return SendResult::SeparatorBytes;
  if (key.empty()) return SendResult::NoConversation;
  CreateRoomforChat(key);
  const ChatRoomPtr room = model_.room(key);
  if (room->acceptsMessages() && room->pendingTexts.empty()) {
    return SendNewChatMessageToServer(text, *room) ? SendResult::Sent : SendResult::NotSent;
  }
  if (!room->acceptsMessages() && !room->roomRequestOutstanding) {
    // The room request goes first; without it the text would wait for nothing.
    if (!SendRoomRequest(key)) return SendResult::NotSent;
    room->roomRequestOutstanding = true;
  }
  room->pendingTexts.emplace_back(text);
  room->Message = std::string(text);
  room->SenderName = events_.sessionValues().userName;
  // A confirmed room whose earlier texts did not go: they go now, in order, this one last.
  if (room->acceptsMessages()) sendPending(*room);
  return room->pendingTexts.empty() ? SendResult::Sent : SendResult::Waiting;
}

ChatDesk::SendResult ChatDesk::SendChatQueueRequest(const std::string& queueId, std::string_view text) {
  if (containsSeparatorByte(text)) return SendResult::SeparatorBytes;
  const std::shared_ptr<ChatQueue> queue = model_.queue(queueId);
  if (!queue) return SendResult::NoConversation;
  const std::optional<std::string> account = events_.firstAccountKey();
  if (!account) return SendResult::NoAccount;
  const bool sent = ChatRequests::SendChatQueueRequest(events_.messageBase(), events_.sessionValues(), queue->QueueId,
                                                       account, Formatter::ConvertStringtoRTF(text));
  return sent ? SendResult::Sent : SendResult::NotSent;
}

bool ChatDesk::markNoticeRead(std::string_view key) {
  const ChatRoomPtr room = model_.room(key);
  if (!room || !room->isMessageNotices) return false;
  room->isanUnreadMessage = false;
  return true;
}

bool ChatDesk::SendRoomRequest(const std::string& partner) {
  if (!ChatRequests::SendRoomRequest(events_.messageBase(), events_.sessionValues(), partner)) return false;
  roomRequestTimers_[partner] =
      mainQueue_.schedule(roomRequestTimeout_, [this, partner] { roomRequestUnanswered(partner); });
  return true;
}

void ChatDesk::roomRequestAnswered(const std::string& key) { roomRequestTimers_.erase(key); }

void ChatDesk::roomRequestUnanswered(const std::string& key) {
  roomRequestAnswered(key);
  const ChatRoomPtr room = model_.room(key);
  if (!room || !room->roomRequestOutstanding) return;
  // Given up: a late answer finds nothing to send, and the next line asks again.
  room->roomRequestOutstanding = false;
  UnsentChatMessages unsent{key, {std::make_move_iterator(room->pendingTexts.begin()),
                                  std::make_move_iterator(room->pendingTexts.end())}};
  room->pendingTexts.clear();
  TD_LOG_WARN("chat room request for " + key + " unanswered: " + std::to_string(unsent.texts.size()) +
              " texts not sent");
  if (!unsent.texts.empty()) events_.chatMessagesNotSent(unsent);
}

bool ChatDesk::SendNewChatMessageToServer(std::string_view text, const ChatRoom& room) {
  return ChatRequests::SendNewChatMessageToServer(events_.messageBase(), events_.sessionValues(),
                                                  Formatter::ConvertStringtoRTF(text), room.RoomId, room.RoomName);
}

void ChatDesk::sendPending(ChatRoom& room) {
  while (!room.pendingTexts.empty() && room.acceptsMessages()) {
    if (!SendNewChatMessageToServer(room.pendingTexts.front(), room)) {
      TD_LOG_WARN("pending chat texts kept: the chat message did not reach the transport");
      return;
    }
    room.pendingTexts.pop_front();
  }
}

void ChatDesk::store(const std::string& key, const ChatRoomPtr& room) {
  const ChatRoomPtr replaced = model_.storeRoom(key, room);
  if (!replaced || replaced == room || replaced->pendingTexts.empty()) return;
  room->pendingTexts = std::move(replaced->pendingTexts);
  room->roomRequestOutstanding = replaced->roomRequestOutstanding && !room->acceptsMessages();
  if (!room->roomRequestOutstanding) roomRequestAnswered(key);
  sendPending(*room);
}

}  // namespace td
