#pragma once
// What the simulated server's chat serves: contact groups and contacts (the dealers a user may
// chat with), dealer support queues, and notice messages per user (some of them among the offline
// messages). Read from the "chat" object of a JSON scenario, or the built-in one:
//   "chat": { "groups":   [{"id": 1, "name": "Dealers"}],
//             "contacts": [{"name": "dealer1", "displayName": "Dealing Desk", "group": 1,
//                           "status": "Online"}],
//             "queues":   [{"id": 1, "name": "FX Support", "available": true, "dealer": "dealer1"}],
//             "notices":  [{"user": "demo", "subject": "...", "text": "...", "offline": true,
//                           "minutesAgo": 90}],
//             "replyDelayMs": 150 }
// A contact answers every chat line after replyDelayMs with "Noted: " and the line's text; a
// queue takes a request when it is available, through its dealer.

#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace td::sim {

struct ChatGroupSpec {
  int id = 0;
  std::string name;
};

struct ChatContactSpec {
  std::string name;
  std::string displayName;
  int group = 0;
  std::string status = "Online";
};

struct ChatQueueSpec {
  int id = 0;
  std::string name;
  bool available = true;
  std::string dealer;  // the contact who takes the queue's conversations
};

struct NoticeSpec {
  std::string user;
  std::string subject;
  std::string text;
  bool offline = false;  // among the messages that came while the user was away
  int minutesAgo = 60;   // when it was sent: this long before the server started
};

struct ChatSpec {
  std::vector<ChatGroupSpec> groups;
  std::vector<ChatContactSpec> contacts;
  std::vector<ChatQueueSpec> queues;
  std::vector<NoticeSpec> notices;
  int replyDelayMs = 150;

  // The built-in chat: the group "Dealers" with dealer1 (Dealing Desk, online) and dealer2 (Risk
  // Desk, offline), the queue "FX Support" taken by dealer1, and two notices for demo, sent two
  // and a half hours and a day before the start, the second among the offline messages.
  static ChatSpec builtIn();
  // Reads the "chat" object; a wrong type throws (the scenario's reading reports it).
  static ChatSpec read(const nlohmann::json& j);
  // Unique names and ids, known groups, dealers and users (`userNames`), no separator byte in a
  // text, no ';' in a name. "" when sound.
  std::string check(const std::vector<std::string>& userNames) const;

  const ChatContactSpec* contact(std::string_view name) const;
  const ChatQueueSpec* queue(int id) const;
};

}  // namespace td::sim
