#pragma once
// What the chat code asks of the rest of the session: the request writer and the values every
// request carries, and the notifications and banners that tell the windows and the user of a
// change (the session posts them on the main queue, so a window reads the chat state after the
// change that the notification names). BusinessBase implements it; tests record the calls.
//
// ChatObserver hears of chat events for diagnosis: the probe prints them as lines, tests count
// them. Both are called on the main thread from inside the chat handling, after the state changed;
// neither may call back into the chat desk.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "chat/ChatRecords.h"
#include "wire/MessageBase.h"
#include "wire/SessionRequests.h"

namespace td {

// The texts of a conversation that did not go out: the server never answered the room request
// they waited for. Oldest first.
struct UnsentChatMessages {
  std::string key;  // the conversation's room key (partner's user name, or queue id)
  std::vector<std::string> texts;
};

class ChatEvents {
 public:
  virtual ~ChatEvents() = default;

  // ---- requests ----
  virtual MessageBase& messageBase() = 0;
  // `setMessageProperties:` values: user name, reference id, request counter, time stamp.
  virtual SessionValues sessionValues() const = 0;
  // The first key of the account collection (a support-queue request names it), or none.
  virtual std::optional<std::string> firstAccountKey() const = 0;

  // ---- what the windows and the user are told ----
  // "ChatRoomCreationNotification": the server confirmed the room stored under `key`.
  virtual void roomConfirmed(const std::string& key, const ChatRoom& room) = 0;
  // A chat line arrived: a banner (unless the sender is the user or the partner shown), then
  // "UpdateChatMessageNotification".
  virtual void chatMessageArrived(const std::string& sender, const std::string& text,
                                  const std::string& displayName) = 0;
  // A notice line arrived: the banner "You have a new message" with its title, then
  // "NoticeMessageNotification".
  virtual void noticeMessageArrived(const std::string& title) = 0;
  // "UserStatusNotification".
  virtual void userStatusChanged() = 0;
  // "ChatQueueStatusUpdate".
  virtual void queueStatusChanged() = 0;
  // "NoticeMessageReceivedNotification" with the notice's room id: its history arrived.
  virtual void noticeHistoryArrived(const std::string& roomId) = 0;
  // "RecentConversationReceivedNotification" with the room id, or none when no room was found.
  virtual void conversationHistoryArrived(const std::optional<std::string>& roomId) = 0;
  // The banner "You have <count> new messages".
  virtual void offlineNoticesArrived(std::size_t count) = 0;
  // "ChatMessagesNotSentNotification" (object: the UnsentChatMessages): the chat window tells the
  // user which texts were not sent.
  virtual void chatMessagesNotSent(const UnsentChatMessages& unsent) = 0;
};

class ChatObserver {
 public:
  virtual ~ChatObserver() = default;
  // A line was added to a room's transcript by a live chat message.
  virtual void chatLine(const ChatRoom& room, const ChatMessageEntry& line) { (void)room, (void)line; }
  // A notice was stored (a live one or one of the recent conversations).
  virtual void chatNotice(const ChatRoom& notice) { (void)notice; }
  // A contact list was read: the groups and users now known.
  virtual void chatContacts(std::size_t groups, std::size_t users) { (void)groups, (void)users; }

  // The probe's lines:
  //   CHAT <room name, or the room id> <sender>: <text on one line>
  //   NOTICE <subject>
  //   CONTACTS groups=<n> users=<n>
  static std::string chatLineText(const ChatRoom& room, const ChatMessageEntry& line);
  static std::string noticeLine(const ChatRoom& notice);
  static std::string contactsLine(std::size_t groups, std::size_t users);
};

}  // namespace td
