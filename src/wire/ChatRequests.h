#pragma once
// The chat requests (all enveloped over the TCP session): contact list (617), recent conversations
// (626), offline messages (613), new room (601), chat message (603), room messages (615),
// acknowledgement (608) and chat request to a support queue (678). Each stores its own tags, then
// the common tail (SessionRequests::setMessageProperties), and builds; the result says whether the
// frame reached the transport, or why it was not built (a text holding a separator byte is refused).

#include <optional>
#include <string>
#include <string_view>

#include "wire/MessageBase.h"
#include "wire/SessionRequests.h"

namespace td {

// The fields of a chat room record (`ChatRoom`) that the requests carry.
struct ChatRoomValues {
  std::optional<std::string> RoomId;
  std::optional<std::string> RoomName;
  std::optional<std::string> MessageId;
};

class ChatRequests {
 public:
  static BuildResult requestContactlist(MessageBase& messageBase, const SessionValues& session);
  static BuildResult requestRecentConversation(MessageBase& messageBase, const SessionValues& session);
  static BuildResult requestOfflineMessages(MessageBase& messageBase, const SessionValues& session);
  // 615: 504 = userName, 502 = RoomName, 501 = RoomId.
  static BuildResult requestRoomMessage(MessageBase& messageBase, const SessionValues& session, const ChatRoomValues& room);
  // 608: 507 = "", 505 = RoomName 0x05 MessageId, 504 = userName.
  static BuildResult requestChatMessageAcknowledgement(MessageBase& messageBase, const SessionValues& session,
                                                const ChatRoomValues& room);
  // 601: 20 = Requestid + 1, 503 = the partner's user name, 530 = "0", 504 = userName.
  static BuildResult SendRoomRequest(MessageBase& messageBase, const SessionValues& session, std::string_view partner);
  // 603: 501 = room id, 502 = room name, 17 = the rich text, 504 = userName.
  static BuildResult SendNewChatMessageToServer(MessageBase& messageBase, const SessionValues& session,
                                         std::string_view richText, const std::optional<std::string>& roomId,
                                         const std::optional<std::string>& roomName);
  // 678: 1026 = the queue's QueueId, 34 = the first key of the account collection, 17 = the rich
  // text, 20 = Requestid + 1, 530 = "0", 504 = userName. Without an account nothing is sent (one
  // log line) and the result is NotSent.
  static BuildResult SendChatQueueRequest(MessageBase& messageBase, const SessionValues& session,
                                   const std::optional<std::string>& queueId,
                                   const std::optional<std::string>& firstAccountKey, std::string_view richText);

  // The value of tag 505: "%@%c%@" of RoomName, 0x05, MessageId ("(null)" for a missing one).
  static std::string messageReference(const ChatRoomValues& room);
};

}  // namespace td
