// The chat desk's handlers of the server's chat messages. The list and room handlers walk the
// message's fields in wire order, so a value is applied when its field is met and later fields see
// what earlier ones set; the status changes take the values the session reads from the message.
// Inside a value, records are separated by 0x06, their fields by 0x05, and lists of user names by
// ";".

#include <vector>

#include "chat/ChatDesk.h"
#include "chat/RKReader.h"
#include "model/Conversions.h"
#include "platform/Log.h"
#include "wire/Separators.h"

namespace td {
namespace {

using Pieces = std::vector<std::string_view>;

Pieces split(std::string_view text, char separator) {
  Pieces pieces;
  forEachPiece(text, separator, [&](std::string_view piece) { pieces.push_back(piece); });
  return pieces;
}

// Calls f(fields) for each record of a list value; empty records are passed over, and a record of
// fewer than `minFields` fields is dropped with one log line naming `what`.
template <class F>
void forEachRecord(std::string_view value, std::size_t minFields, const char* what, F&& f) {
  Pieces fields;
  forEachPiece(value, MessageInnerTagSeperatorthr, [&](std::string_view record) {
    if (record.empty()) return;
    fields.clear();
    forEachPiece(record, MessageInnerTagSeperatortw, [&](std::string_view field) { fields.push_back(field); });
    if (fields.size() < minFields) {
      TD_LOG_WARN(std::string(what) + " record of " + std::to_string(fields.size()) + " fields dropped (" +
                  std::to_string(minFields) + " needed)");
      return;
    }
    f(fields);
  });
}

// Calls f(tag, value) for each field that has a value.
template <class F>
void forEachField(FieldList fields, F&& f) {
  for (const MessageField& field : fields) {
    if (const auto value = field.value()) f(field.tag(), *value);
  }
}

std::optional<std::string> piece(const Pieces& fields, std::size_t index) {
  if (index >= fields.size()) return std::nullopt;
  return std::string(fields[index]);
}

// A text as the server keeps it: the chat writers send RTF, which is read into plain text.
std::string plainText(std::string_view text) {
  return text.starts_with("{\\rtf") ? RKReader::ConvertRTFtoString(text) : std::string(text);
}

// The fields a room reply applies to any room: request id, room id and name, users, sender, mode.
bool applyRoomField(ChatRoom& room, int tag, std::string_view value) {
  switch (tag) {
    case 20: room.RequestId = std::string(value); return true;
    case 501: room.RoomId = std::string(value); return true;
    case 502: room.RoomName = std::string(value); return true;
    case 503: room.RoomUsers = std::string(value); return true;
    case 504: room.SenderName = std::string(value); return true;
    case 530: room.AddUserToRoomMode = conv::toInt(value); return true;
    default: return false;
  }
}

}  // namespace

void ChatDesk::FillChatRoomDetails(FieldList fields, std::optional<std::string_view> roomUsers) {
  if (const ChatRoomPtr asked = roomUsers ? model_.room(*roomUsers) : nullptr) {
    // The server confirms a room asked for here: it gets its id and name, and its texts go out.
    forEachField(fields, [&](int tag, std::string_view value) { applyRoomField(*asked, tag, value); });
    asked->isChatRoomCreated = true;
    asked->roomRequestOutstanding = false;
    roomRequestAnswered(std::string(*roomUsers));
    events_.roomConfirmed(std::string(*roomUsers), *asked);
    sendPending(*asked);
    return;
  }
  const auto room = std::make_shared<ChatRoom>();
  forEachField(fields, [&](int tag, std::string_view value) {
    if (applyRoomField(*room, tag, value)) return;
    if (tag == 161) {
      room->MessageTitle = std::string(value);
      room->isMessageNotices = true;
      room->isanUnreadMessage = true;
    } else if (tag == 1026) {
      room->QueueId = std::string(value);
      room->isRoomCreationfromQueue = true;
      // The dealer who took the queue's conversation: the second of the room's users so far.
      const std::shared_ptr<ChatQueue> queue = model_.queue(value);
      if (queue && room->RoomUsers) {
        const Pieces users = split(*room->RoomUsers, ';');
        if (users.size() >= 2) queue->roomUserName = std::string(users[1]);
      }
    } else if (tag == 1051) {
      // The display names, "user 0x05 name" joined by ";": the first entry's name.
      const Pieces first = split(split(value, ';').front(), MessageInnerTagSeperatortw);
      if (first.size() >= 2) room->RoomUserDisplayName = std::string(first[1]);
    }
  });
  room->isChatRoomCreated = true;
  const std::optional<std::string>& key =
      room->isRoomCreationfromQueue ? room->QueueId : room->isMessageNotices ? room->RoomId : room->SenderName;
  if (!key) {
    TD_LOG_WARN("room reply without the value of its key dropped");
    return;
  }
  store(*key, room);
  if (room->isMessageNotices && observer_) observer_->chatNotice(*room);
}

void ChatDesk::FillChatMessages(FieldList fields, std::optional<std::string_view> roomName) {
  if (!roomName || model_.ChatRoomCollection().empty()) return;
  bool notice = false;
  std::optional<std::string> title;
  std::optional<ChatMessageEntry> last;
  for (const auto& entry : model_.ChatRoomCollection()) {
    const ChatRoomPtr& room = entry.second;
    if (!room || room->RoomName != *roomName) continue;
    std::optional<std::string> displayName;
    forEachField(fields, [&](int tag, std::string_view value) {
      switch (tag) {
        case 501: room->RoomId = std::string(value); return;
        case 502: room->RoomName = std::string(value); return;
        case 506: room->MessageId = std::string(value); return;
        case 21: room->chatTime = std::string(value); return;
        case 504: room->SenderName = std::string(value); return;
        case 517: displayName = std::string(value); return;
        case 17: {
          ChatMessageEntry line;
          line.msg = RKReader::ConvertRTFtoString(value);
          line.sender = room->SenderName.value_or(std::string());
          line.senderdisplayName = displayName ? displayName : room->RoomUserDisplayName;
          line.time = room->chatTime.value_or(std::string());
          room->messages.push_back(line);
          room->Message = line.msg;
          if (observer_) observer_->chatLine(*room, line);
          last = std::move(line);
          return;
        }
        default:
          if (room->isMessageNotices) {
            notice = true;
            title = room->MessageTitle;
          }
          return;
      }
    });
  }
  if (notice) {
    events_.noticeMessageArrived(title.value_or(std::string()));
    return;
  }
  if (!last) return;
  // The banner names the sender by the display name the line carries, else as the contact list
  // knows the sender, else by the user name.
  std::string displayName = last->senderdisplayName.value_or(std::string());
  if (displayName.empty()) {
    const std::shared_ptr<ChatUser> contact = model_.user(last->sender);
    displayName = contact && !contact->DisplayName.empty() ? contact->DisplayName : last->sender;
  }
  events_.chatMessageArrived(last->sender, last->msg, displayName);
}

void ChatDesk::FillRoomMessage(FieldList fields) {
  std::optional<std::string> roomId;
  ChatRoomPtr room;
  forEachField(fields, [&](int tag, std::string_view value) {
    if (tag == 501) roomId = std::string(value);
    if (tag != 17) return;
    room = roomId ? model_.room(*roomId) : nullptr;
    if (!room) return;
    forEachRecord(value, 4, "room history", [&](const Pieces& record) {
      if (room->isMessageNotices) room->MessageId = std::string(record[0]);
      ChatMessageEntry line;
      line.msg = RKReader::ConvertRTFtoString(record[2]);
      line.sender = std::string(record[1]);
      line.senderdisplayName = piece(record, 4);
      line.time = std::string(record[3]);
      room->messages.push_back(std::move(line));
    });
  });
  if (room && room->isMessageNotices) {
    acknowledge(*room);
    events_.noticeHistoryArrived(room->RoomId.value_or(std::string()));
    return;
  }
  events_.conversationHistoryArrived(room ? room->RoomId : std::nullopt);
}

void ChatDesk::FillChatGroupsAndUsers(FieldList fields) {
  model_.clearGroups();
  forEachField(fields, [&](int tag, std::string_view value) {
    if (tag == 522) {
      forEachRecord(value, 3, "FillChatGroupsAndUsers-GroupDetail: group", [&](const Pieces& record) {
        auto group = std::make_shared<ChatGroup>();
        group->GroupID = std::string(record[0]);
        group->GroupName = std::string(record[1]);
        group->ParentID = std::string(record[2]);
        model_.storeGroup(std::move(group));
      });
    } else if (tag == 521) {
      forEachRecord(value, 8, "FillChatGroupsAndUsers-UserDetail: user", [&](const Pieces& record) {
        auto user = std::make_shared<ChatUser>();
        user->UserID = std::string(record[0]);
        user->UserName = std::string(record[1]);
        user->Status = std::string(record[2]);
        user->IsUserOnline = ChatUser::isOnlineStatus(user->Status);
        user->GroupId = std::string(record[4]);
        user->IsUserInMyContactList = record[5] == "1";
        user->DisplayName = std::string(record[7]);
        const std::shared_ptr<ChatGroup> group = model_.group(user->GroupId);
        if (group) user->Group = group;
        // A user already known keeps its record, status and display name.
        const std::shared_ptr<ChatUser> stored = model_.addUser(std::move(user));
        if (group) group->GroupUsers[stored->UserName] = stored;
      });
    } else if (tag == 1019) {
      forEachRecord(value, 3, "support queue", [&](const Pieces& record) {
        if (conv::toInt(record[0]) <= 0) return;
        auto queue = std::make_shared<ChatQueue>();
        queue->QueueId = std::string(record[0]);
        queue->QueueName = std::string(record[1]);
        queue->isAgent = conv::toFlag(record[2]);
        queue->isAvailable = record.size() >= 4 && conv::toFlag(record[3]);
        model_.addQueue(std::move(queue));
      });
    }
  });
  if (observer_) {
    observer_->chatContacts(model_.GroupChatCollection().size(), model_.UserChatCollection().size());
  }
}

void ChatDesk::UpdateChatUserStatus(std::optional<std::string_view> userName, std::optional<std::string_view> status) {
  const std::shared_ptr<ChatUser> user = userName ? model_.user(*userName) : nullptr;
  if (user && status) {
    user->Status = std::string(*status);
    user->IsUserOnline = ChatUser::isOnlineStatus(user->Status);
  }
  events_.userStatusChanged();
}

void ChatDesk::UpdateChatResponseFromQueue(std::optional<std::string_view> queueId,
                                           std::optional<std::string_view> answer) {
  const std::shared_ptr<ChatQueue> queue = queueId ? model_.queue(*queueId) : nullptr;
  if (queue && answer) {
    const std::int32_t code = conv::toInt(*answer);
    queue->chartRequestStatus =
        code >= ChatQueue::kNoRequest && code <= ChatQueue::kAccepted ? code : ChatQueue::kOtherAnswer;
  }
  events_.queueStatusChanged();
}

void ChatDesk::UpdateChatQueueStatus(std::optional<std::string_view> queueId,
                                     std::optional<std::string_view> available) {
  const std::shared_ptr<ChatQueue> queue = queueId ? model_.queue(*queueId) : nullptr;
  if (queue && available) queue->isAvailable = conv::toFlag(*available);
  events_.queueStatusChanged();
}

void ChatDesk::FillRecentConversation(FieldList fields) {
  forEachField(fields, [&](int tag, std::string_view value) {
    if (tag != 17) return;
    forEachRecord(value, 5, "FillRecentConversationexception: conversation", [&](const Pieces& record) {
      auto room = std::make_shared<ChatRoom>();
      room->SenderName = std::string(record[0]);
      room->Message = plainText(record[1]);
      room->RoomUsers = std::string(record[2]);
      room->chatTime = std::string(record[3]);
      room->RoomId = std::string(record[4]);
      room->RoomName = piece(record, 5);
      if (record.size() > 7 && !record[7].empty()) {
        room->MessageTitle = std::string(record[7]);
        room->isMessageNotices = true;
      }
      room->RoomUserDisplayName = piece(record, 8);
      store(*room->RoomId, room);
      if (room->isMessageNotices && observer_) observer_->chatNotice(*room);
    });
  });
}

void ChatDesk::FillOfflineMessages(FieldList fields) {
  std::size_t count = 0;
  forEachField(fields, [&](int tag, std::string_view value) {
    if (tag != 17) return;
    forEachRecord(value, 0, "offline message", [&](const Pieces& record) {
      // A notice (field 7, its subject) whose room the recent conversations brought.
      if (record.size() <= 7 || record[7].empty()) return;
      const ChatRoomPtr room = model_.room(record[4]);
      if (!room) return;
      room->isanUnreadMessage = true;
      ++count;
    });
  });
  if (count > 0) events_.offlineNoticesArrived(count);
}

}  // namespace td
