#pragma once
// The chat records of one login: contact users and groups, dealer support queues, and rooms (a
// conversation, a support-queue conversation or a notice message from the back office). Plain
// values; the session's chat state (ChatModel) holds them by key and changes them on the main
// thread only. Texts are kept as they arrive on the wire; a text the server did not send is none.

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace td {

struct ChatGroup;

// One contact user; key: UserName.
struct ChatUser {
  std::string UserID;
  std::string UserName;
  std::string Status;
  std::string DisplayName;
  std::string GroupId;
  std::weak_ptr<ChatGroup> Group;  // the group when it was known as the user was read
  bool IsUserInMyContactList = false;
  bool IsUserOnline = false;

  // Online exactly when the status is the one word "online", in any letter case.
  static bool isOnlineStatus(std::string_view status);
};

// One contact group; key: GroupID.
struct ChatGroup {
  std::string GroupName;
  std::string GroupID;
  std::string ParentID;
  std::map<std::string, std::shared_ptr<ChatUser>, std::less<>> GroupUsers;  // UserName -> user
};

// One dealer support queue; key: QueueId.
struct ChatQueue {
  // chartRequestStatus: the state of the user's request to the queue.
  static constexpr std::int32_t kNoRequest = 0;
  static constexpr std::int32_t kWaiting = 1;
  static constexpr std::int32_t kAccepted = 2;
  static constexpr std::int32_t kOtherAnswer = -1;

  std::string QueueId;
  std::string QueueName;
  bool isAgent = false;
  bool isAvailable = false;
  std::int32_t chartRequestStatus = kNoRequest;
  std::string roomUserName;  // the dealer of the queue's conversation
};

// One line of a room's transcript.
struct ChatMessageEntry {
  std::string msg;     // plain text
  std::string sender;  // the sender's user name
  std::optional<std::string> senderdisplayName;
  std::string time;    // as sent by the server ("yyyyMMddHHmmss")
};

// A conversation, a support-queue conversation or a notice message.
struct ChatRoom {
  std::optional<std::string> RequestId;
  std::optional<std::string> RoomName;  // how a live chat message finds its room
  std::optional<std::string> RoomId;    // key of notice and recent-conversation rooms
  std::int32_t AddUserToRoomMode = 0;
  std::optional<std::string> RoomUsers;   // user names joined by ";"
  std::optional<std::string> SenderName;  // the partner who sent the last line or opened the room
  bool isChatRoomCreated = false;         // the server has confirmed the room
  std::optional<std::string> Message;     // the last line (plain text)
  std::optional<std::string> chatTime;
  std::optional<std::string> MessageId;   // the newest message id (acknowledges a notice)
  std::vector<ChatMessageEntry> messages; // the transcript, oldest first
  std::optional<std::string> QueueId;
  bool isRoomCreationfromQueue = false;
  std::optional<std::string> RoomUserDisplayName;
  std::optional<std::string> MessageTitle;  // subject of a notice
  bool isMessageNotices = false;
  bool isanUnreadMessage = false;

  // The user's texts waiting for the room to be confirmed, oldest first, and whether a room
  // request for it is on its way (one at a time).
  std::deque<std::string> pendingTexts;
  bool roomRequestOutstanding = false;

  // Chat messages go into a room the server confirmed and named.
  bool acceptsMessages() const { return isChatRoomCreated && RoomId && RoomName; }
};

using ChatRoomPtr = std::shared_ptr<ChatRoom>;

}  // namespace td
