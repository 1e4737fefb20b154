#include "chat/ChatModel.h"

#include <algorithm>

#include "platform/TextCompare.h"

namespace td {

bool ChatUser::isOnlineStatus(std::string_view status) {
  constexpr std::string_view kOnline = "online";
  if (status.size() != kOnline.size()) return false;
  for (std::size_t i = 0; i < status.size(); ++i) {
    char c = status[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kOnline[i]) return false;
  }
  return true;
}

std::shared_ptr<ChatUser> ChatModel::addUser(std::shared_ptr<ChatUser> user) {
  const auto [it, added] = users_.try_emplace(user->UserName, std::move(user));
  return it->second;
}

ChatRoomPtr ChatModel::storeRoom(const std::string& key, ChatRoomPtr room) {
  ChatRoomPtr& slot = rooms_[key];
  ChatRoomPtr replaced = std::move(slot);
  slot = std::move(room);
  return replaced;
}

std::vector<ChatRoomPtr> ChatModel::roomsWhere(bool (*keep)(const ChatRoom&)) const {
  std::vector<std::pair<std::string_view, ChatRoomPtr>> kept;
  for (const auto& [key, room] : rooms_) {
    if (room && keep(*room)) kept.emplace_back(key, room);
  }
  std::stable_sort(kept.begin(), kept.end(),
                   [](const auto& a, const auto& b) { return localizedCompare(a.first, b.first) > 0; });
  std::vector<ChatRoomPtr> out;
  out.reserve(kept.size());
  for (auto& entry : kept) out.push_back(std::move(entry.second));
  return out;
}

std::vector<ChatRoomPtr> ChatModel::getMessageNoticesCollection() const {
  return roomsWhere([](const ChatRoom& room) { return room.isMessageNotices; });
}

std::vector<ChatRoomPtr> ChatModel::getrecentChatCollection() const {
  return roomsWhere([](const ChatRoom& room) { return !room.isMessageNotices && !room.isChatRoomCreated; });
}

}  // namespace td
