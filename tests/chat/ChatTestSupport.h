#pragma once
// Shared by the chat tests: messages as field lists, and a chat desk over recording events whose
// request writer keeps the plain body of every request it sends.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "chat/ChatDesk.h"
#include "wire/Base64.h"
#include "wire/MessageBase.h"

namespace td::testing {

// A message as the dispatcher hands it over: "tag=value" texts in wire order.
class Fields {
 public:
  Fields(std::initializer_list<std::pair<int, std::string>> fields) {
    for (const auto& [tag, value] : fields) texts_.push_back(std::to_string(tag) + "=" + value);
    for (const std::string& text : texts_) read_.push_back(MessageField::of(text));
  }
  operator FieldList() const { return read_; }  // NOLINT: a field list is what the handlers take

 private:
  std::vector<std::string> texts_;
  std::vector<MessageField> read_;
};

// Records joined by 0x06, each of fields joined by 0x05.
inline std::string records(const std::vector<std::vector<std::string>>& rows) {
  std::string out;
  for (const auto& row : rows) {
    if (!out.empty()) out += '\x06';
    for (std::size_t i = 0; i < row.size(); ++i) out += (i ? "\x05" : "") + row[i];
  }
  return out;
}

class RecordingChatEvents final : public ChatEvents, public ChatObserver, public MessageSink {
 public:
  RecordingChatEvents()
      : writer_(*this, [] { return std::string("key"); },
                [](std::string_view plain, std::string_view) { return std::optional<std::string>(plain); }) {}

  MessageBase& messageBase() override { return writer_; }
  SessionValues sessionValues() const override { return {"me", std::string("R1"), 41, "20240102030405"}; }
  std::optional<std::string> firstAccountKey() const override { return account; }

  void roomConfirmed(const std::string& key, const ChatRoom& room) override {
    events.push_back("confirmed " + key + " " + room.RoomId.value_or("-") + " " + room.RoomName.value_or("-"));
  }
  void chatMessageArrived(const std::string& sender, const std::string& text, const std::string& name) override {
    events.push_back("line " + sender + " " + name + ": " + text);
  }
  void noticeMessageArrived(const std::string& title) override { events.push_back("notice " + title); }
  void userStatusChanged() override { events.push_back("user status"); }
  void queueStatusChanged() override { events.push_back("queue status"); }
  void noticeHistoryArrived(const std::string& roomId) override { events.push_back("notice history " + roomId); }
  void conversationHistoryArrived(const std::optional<std::string>& roomId) override {
    events.push_back("conversation history " + roomId.value_or("none"));
  }
  void offlineNoticesArrived(std::size_t count) override { events.push_back("offline " + std::to_string(count)); }
  void chatMessagesNotSent(const UnsentChatMessages& unsent) override {
    std::string texts;
    for (const std::string& text : unsent.texts) texts += (texts.empty() ? "" : "|") + text;
    events.push_back("not sent " + unsent.key + ": " + texts);
  }

  void chatLine(const ChatRoom& room, const ChatMessageEntry& line) override { lines.push_back(chatLineText(room, line)); }
  void chatNotice(const ChatRoom& notice) override { lines.push_back(noticeLine(notice)); }
  void chatContacts(std::size_t groups, std::size_t users) override { lines.push_back(contactsLine(groups, users)); }

  // The envelope carries the plain frame in Base64 (the cipher above is the identity): each body
  // sent, its fields joined by "|", without the common tail (19 and 21).
  bool SendMessage(std::string_view frame, bool) override {
    if (!accept) return false;
    const std::size_t start = frame.find("27=") + 3;
    const std::string plain =
        Base64::decodeBase64WithString(frame.substr(start, frame.find('\x03', start) - start)).value_or("");
    std::string body;
    std::size_t at = plain.find('\x03') + 1;
    while (at < plain.size() - 1) {
      const std::size_t end = plain.find('\x03', at);
      const std::string field = plain.substr(at, end - at);
      if (field.rfind("19=", 0) != 0 && field.rfind("21=", 0) != 0) body += (body.empty() ? "" : "|") + field;
      at = end + 1;
    }
    sent.push_back(body);
    return true;
  }

  std::vector<std::string> takeSent() { return std::exchange(sent, {}); }

  std::optional<std::string> account = std::string("1001");
  bool accept = true;
  std::vector<std::string> sent;
  std::vector<std::string> events;
  std::vector<std::string> lines;

 private:
  MessageBase writer_;
};

}  // namespace td::testing
