#pragma once
// The chat state of one login: contact users, contact groups, rooms and support queues, each by
// its key, and the two lists the notice and recent-conversation windows show. Created empty with
// the session and gone with it; nothing is stored on disk. Main thread only.
//
// Keys of the rooms, one collection for every kind:
//   a conversation opened here: the partner's user name;
//   a conversation opened by a partner: the room's SenderName;
//   a support-queue conversation: the room's QueueId;
//   a notice message and every recent conversation: the room's RoomId.
// A later room stored under a key replaces the earlier one.

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "chat/ChatRecords.h"

namespace td {

class ChatModel {
 public:
  template <class T>
  using Collection = std::map<std::string, std::shared_ptr<T>, std::less<>>;

  const Collection<ChatUser>& UserChatCollection() const { return users_; }
  const Collection<ChatGroup>& GroupChatCollection() const { return groups_; }
  const Collection<ChatRoom>& ChatRoomCollection() const { return rooms_; }
  const Collection<ChatQueue>& ChatQueueCollection() const { return queues_; }

  // Guarded lookups: none for an unknown key.
  std::shared_ptr<ChatUser> user(std::string_view userName) const { return find(users_, userName); }
  std::shared_ptr<ChatGroup> group(std::string_view groupId) const { return find(groups_, groupId); }
  ChatRoomPtr room(std::string_view key) const { return find(rooms_, key); }
  std::shared_ptr<ChatQueue> queue(std::string_view queueId) const { return find(queues_, queueId); }

  // `getMessageNoticesCollection`: the notice rooms; `getrecentChatCollection`: the rooms that are
  // neither notices nor confirmed. Both in the order of their keys, sorted descending as the user
  // reads them.
  std::vector<ChatRoomPtr> getMessageNoticesCollection() const;
  std::vector<ChatRoomPtr> getrecentChatCollection() const;

  // ---- changes (the chat desk's handlers and senders) ----
  // Stores the user unless one of that name is stored; returns the stored one.
  std::shared_ptr<ChatUser> addUser(std::shared_ptr<ChatUser> user);
  void storeGroup(std::shared_ptr<ChatGroup> group) { groups_[group->GroupID] = std::move(group); }
  void clearGroups() { groups_.clear(); }
  // Stores the queue unless one of that id is stored.
  void addQueue(std::shared_ptr<ChatQueue> queue) { queues_.try_emplace(queue->QueueId, std::move(queue)); }
  // Stores the room under the key and returns the room it replaced, if any.
  ChatRoomPtr storeRoom(const std::string& key, ChatRoomPtr room);

 private:
  template <class T>
  static std::shared_ptr<T> find(const Collection<T>& collection, std::string_view key) {
    const auto it = collection.find(key);
    return it == collection.end() ? nullptr : it->second;
  }
  std::vector<ChatRoomPtr> roomsWhere(bool (*keep)(const ChatRoom&)) const;

  Collection<ChatUser> users_;
  Collection<ChatGroup> groups_;
  Collection<ChatRoom> rooms_;
  Collection<ChatQueue> queues_;
};

}  // namespace td
