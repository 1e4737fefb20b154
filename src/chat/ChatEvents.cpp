#include "chat/ChatEvents.h"

namespace td {

std::string ChatObserver::chatLineText(const ChatRoom& room, const ChatMessageEntry& line) {
  std::string text = line.msg;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return "CHAT " + room.RoomName.value_or(room.RoomId.value_or(std::string("-"))) + " " + line.sender + ": " + text;
}

std::string ChatObserver::noticeLine(const ChatRoom& notice) { return "NOTICE " + notice.MessageTitle.value_or(""); }

std::string ChatObserver::contactsLine(std::size_t groups, std::size_t users) {
  return "CONTACTS groups=" + std::to_string(groups) + " users=" + std::to_string(users);
}

}  // namespace td
