#pragma once
// The chat of one login: the chat state (ChatModel), the handlers that apply the server's chat
// messages to it, and the requests that go out: the lists asked for at session start, room
// histories and notice acknowledgements, and what the user sends.
//
// Sending a line: into a room the server has confirmed, the line goes out at once as a chat
// message (603). Otherwise it waits in the room's queue of pending texts and a room request (601)
// goes out, one at a time per room; the server's confirmation of the room sends the pending texts
// in the order they were typed, each once. A line for a conversation that has no room yet makes
// the room first. A room from the server that replaces a room under the same key takes over its
// pending texts.
//
// A room request that the server leaves unanswered for the time-out (30 s) gives up every text
// waiting for it: none of them will be sent, not even on a late answer, and the windows are told
// which (chatMessagesNotSent), oldest first. The next line asks for the room again.
//
// The session owns one ChatDesk and hands every chat message to it; the windows read model() and
// call the senders. Main thread only; every lookup of a room, user or queue is guarded, and a
// malformed record from the server is dropped with one log line without losing the records
// around it.
//
// Handlers, by message type:
//   601, 602  FillChatRoomDetails      a room created, or a room asked for here confirmed
//   603       FillChatMessages         a live chat line
//   616       FillRoomMessage          the history of a room
//   618       FillChatGroupsAndUsers   the contact list
//   619       UpdateChatUserStatus     one user's status
//   679       UpdateChatResponseFromQueue  the answer to a support-queue request
//   680       UpdateChatQueueStatus    a support queue's availability
//   627       FillRecentConversation   the recent conversations and notices
//   614       FillOfflineMessages      the notices that came while the user was away

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "chat/ChatEvents.h"
#include "chat/ChatModel.h"
#include "model/FieldList.h"
#include "platform/MainQueue.h"

namespace td {

class ChatDesk {
 public:
  enum class SendResult {
    Sent,            // the request reached the transport
    Waiting,         // kept; it goes out once the server confirms the room (or is given up, told)
    NotSent,         // the transport did not take the request; nothing was kept
    SeparatorBytes,  // refused: the text holds a byte from 0x01 to 0x07
    NoConversation,  // refused: no room key, or a queue that is not known
    NoAccount,       // refused: a support-queue request needs an account
  };
  // A sentence for the user; "" for Sent and Waiting.
  static std::string_view describe(SendResult result);

  static constexpr Clock::Duration kRoomRequestTimeout = std::chrono::seconds(30);

  // The room requests' time-outs run on `mainQueue`, which must outlive the desk.
  ChatDesk(ChatEvents& events, MainQueue& mainQueue, ChatObserver* observer = nullptr,
           Clock::Duration roomRequestTimeout = kRoomRequestTimeout);
  ChatDesk(const ChatDesk&) = delete;
  ChatDesk& operator=(const ChatDesk&) = delete;

  const ChatModel& model() const { return model_; }

  // ---- requests of the session: true when the request reached the transport ----
  bool requestContactlist();         // 617
  bool requestRecentConversation();  // 626
  bool requestOfflineMessages();     // 613
  // 615 for the room under the key; false for an unknown key or a room without id or name.
  bool requestRoomMessage(std::string_view key);
  // 608 for the notice under the key; false for an unknown key or a room without name or message id.
  bool requestChatMessageAcknowledgement(std::string_view key);

  // ---- the user ----
  // An empty, unconfirmed room under the partner's user name, unless one is stored there.
  void CreateRoomforChat(const std::string& userName);
  // One line (plain text, wrapped in RTF here) into the conversation under the key: the partner's
  // user name, or the queue id of a support-queue conversation.
  SendResult SendChat(const std::string& key, std::string_view text);
  // The request to a support queue (678) with its opening line; it names the first account.
  SendResult SendChatQueueRequest(const std::string& queueId, std::string_view text);
  // The user opened the notice: it is no longer unread. False for a key that is no notice.
  bool markNoticeRead(std::string_view key);

  // ---- the server (the lists and rooms take the message's fields in wire order) ----
  void FillChatRoomDetails(FieldList fields, std::optional<std::string_view> roomUsers);
  void FillChatMessages(FieldList fields, std::optional<std::string_view> roomName);
  void FillRoomMessage(FieldList fields);
  void FillChatGroupsAndUsers(FieldList fields);
  void FillRecentConversation(FieldList fields);
  void FillOfflineMessages(FieldList fields);
  // The status changes take the values of their message (the last of each tag): the user (23) and
  // its status (24); the queue (1026) and its answer or availability (572). A user or queue that is
  // not stored, or no value, changes nothing; the windows are told either way.
  void UpdateChatUserStatus(std::optional<std::string_view> userName, std::optional<std::string_view> status);
  void UpdateChatResponseFromQueue(std::optional<std::string_view> queueId, std::optional<std::string_view> answer);
  void UpdateChatQueueStatus(std::optional<std::string_view> queueId, std::optional<std::string_view> available);

 private:
  // Sends the room request and starts its time-out.
  bool SendRoomRequest(const std::string& partner);
  // The room under the key was confirmed: its request's time-out stops.
  void roomRequestAnswered(const std::string& key);
  void roomRequestUnanswered(const std::string& key);
  bool SendNewChatMessageToServer(std::string_view text, const ChatRoom& room);
  bool acknowledge(const ChatRoom& notice);
  // Sends the pending texts of a confirmed room, oldest first, until one does not go.
  void sendPending(ChatRoom& room);
  // Stores a room; one it replaces hands over its pending texts.
  void store(const std::string& key, const ChatRoomPtr& room);

  ChatEvents& events_;
  MainQueue& mainQueue_;
  ChatObserver* observer_;
  const Clock::Duration roomRequestTimeout_;
  ChatModel model_;
  std::map<std::string, TimerHandle, std::less<>> roomRequestTimers_;  // by room key
};

}  // namespace td
