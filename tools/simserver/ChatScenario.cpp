#include "ChatScenario.h"

#include <algorithm>
#include <set>

#include <nlohmann/json.hpp>

#include "ScenarioJson.h"
#include "wire/Separators.h"

namespace td::sim {
namespace {

using nlohmann::json;
using scenario_json::arrayAt;
using scenario_json::get;

bool usableName(std::string_view name) {
  return !name.empty() && !containsSeparatorByte(name) && name.find(';') == name.npos;
}

void readRecord(const json& e, ChatGroupSpec& g) {
  get(e, "id", g.id);
  get(e, "name", g.name);
}

void readRecord(const json& e, ChatContactSpec& c) {
  get(e, "name", c.name);
  get(e, "displayName", c.displayName);
  get(e, "group", c.group);
  get(e, "status", c.status);
}

void readRecord(const json& e, ChatQueueSpec& q) {
  get(e, "id", q.id);
  get(e, "name", q.name);
  get(e, "available", q.available);
  get(e, "dealer", q.dealer);
}

void readRecord(const json& e, NoticeSpec& n) {
  get(e, "user", n.user);
  get(e, "subject", n.subject);
  get(e, "text", n.text);
  get(e, "offline", n.offline);
  get(e, "minutesAgo", n.minutesAgo);
}

// Each record of the array under `key`, appended to `out`.
template <class T>
void readRecords(const json& j, const char* key, std::vector<T>& out) {
  for (const json& e : arrayAt(j, key, "chat: ")) readRecord(e, out.emplace_back());
}

}  // namespace

ChatSpec ChatSpec::builtIn() {
  ChatSpec s;
  s.groups = {{1, "Dealers"}};
  s.contacts = {{"dealer1", "Dealing Desk", 1, "Online"}, {"dealer2", "Risk Desk", 1, "Offline"}};
  s.queues = {{1, "FX Support", true, "dealer1"}};
  s.notices = {{"demo", "Trading hours", "Markets close two hours early on Friday.", false, 150},
               {"demo", "Margin update", "Gold margins rise to 2% from Monday.", true, 1440}};
  return s;
}

ChatSpec ChatSpec::read(const json& j) {
  if (!j.is_object()) throw std::runtime_error("\"chat\" is not an object");
  ChatSpec s;
  readRecords(j, "groups", s.groups);
  readRecords(j, "contacts", s.contacts);
  readRecords(j, "queues", s.queues);
  readRecords(j, "notices", s.notices);
  get(j, "replyDelayMs", s.replyDelayMs);
  return s;
}

std::string ChatSpec::check(const std::vector<std::string>& userNames) const {
  std::set<int> groupIds;
  for (const auto& g : groups) {
    if (!groupIds.insert(g.id).second) return "chat group " + std::to_string(g.id) + " appears twice";
    if (containsSeparatorByte(g.name))
      return "chat group " + std::to_string(g.id) + " has a separator byte in its name";
  }
  std::set<std::string> names(userNames.begin(), userNames.end());
  for (const auto& c : contacts) {
    if (!usableName(c.name) || !names.insert(c.name).second)
      return "chat contact names must be unique, not empty, not a user's, without ';' or separator bytes";
    if (!groupIds.count(c.group)) return "chat contact " + c.name + " names an unknown group";
    if (containsSeparatorByte(c.displayName) || containsSeparatorByte(c.status))
      return "chat contact " + c.name + " has a separator byte";
  }
  std::set<int> queueIds;
  for (const auto& q : queues) {
    if (q.id <= 0 || !queueIds.insert(q.id).second) return "chat queue " + std::to_string(q.id) + " is not a unique positive id";
    if (containsSeparatorByte(q.name))
      return "chat queue " + std::to_string(q.id) + " has a separator byte in its name";
    if (!contact(q.dealer)) return "chat queue " + q.name + " names an unknown dealer";
  }
  for (const auto& n : notices) {
    if (std::find(userNames.begin(), userNames.end(), n.user) == userNames.end())
      return "a notice names an unknown user";
    if (n.subject.empty() || containsSeparatorByte(n.subject) || containsSeparatorByte(n.text))
      return "a notice has no subject or a separator byte";
    if (n.minutesAgo < 0 || n.minutesAgo > 525600) return "a notice's minutesAgo must be 0..525600 (a year)";
  }
  if (replyDelayMs < 0 || replyDelayMs > 60000) return "chat replyDelayMs must be 0..60000";
  return {};
}

const ChatContactSpec* ChatSpec::contact(std::string_view name) const {
  for (const auto& c : contacts)
    if (c.name == name) return &c;
  return nullptr;
}

const ChatQueueSpec* ChatSpec::queue(int id) const {
  for (const auto& q : queues)
    if (q.id == id) return &q;
  return nullptr;
}

}  // namespace td::sim
