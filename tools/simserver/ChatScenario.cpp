#include "ChatScenario.h"

#include <algorithm>
#include <set>

#include <nlohmann/json.hpp>

namespace td::sim {
namespace {

using nlohmann::json;

template <class T>
void get(const json& j, const char* key, T& out) {
  if (auto it = j.find(key); it != j.end() && !it->is_null()) out = it->get<T>();
}

template <class F>
void forEach(const json& j, const char* key, F&& f) {
  const auto it = j.find(key);
  if (it == j.end() || it->is_null()) return;
  if (!it->is_array()) throw std::runtime_error(std::string("chat: \"") + key + "\" is not an array");
  for (const json& e : *it) f(e);
}

bool wireSafe(std::string_view text) {
  return std::none_of(text.begin(), text.end(), [](char c) { return c >= '\x01' && c <= '\x07'; });
}

bool usableName(std::string_view name) { return !name.empty() && wireSafe(name) && name.find(';') == name.npos; }

}  // namespace

ChatSpec ChatSpec::builtIn() {
  ChatSpec s;
  s.groups = {{1, "Dealers"}};
  s.contacts = {{"dealer1", "Dealing Desk", 1, "Online"}, {"dealer2", "Risk Desk", 1, "Offline"}};
  s.queues = {{1, "FX Support", true, "dealer1"}};
  s.notices = {{"demo", "Trading hours", "Markets close two hours early on Friday.", false},
               {"demo", "Margin update", "Gold margins rise to 2% from Monday.", true}};
  return s;
}

ChatSpec ChatSpec::read(const json& j) {
  if (!j.is_object()) throw std::runtime_error("\"chat\" is not an object");
  ChatSpec s;
  forEach(j, "groups", [&](const json& e) {
    auto& g = s.groups.emplace_back();
    get(e, "id", g.id);
    get(e, "name", g.name);
  });
  forEach(j, "contacts", [&](const json& e) {
    auto& c = s.contacts.emplace_back();
    get(e, "name", c.name);
    get(e, "displayName", c.displayName);
    get(e, "group", c.group);
    get(e, "status", c.status);
  });
  forEach(j, "queues", [&](const json& e) {
    auto& q = s.queues.emplace_back();
    get(e, "id", q.id);
    get(e, "name", q.name);
    get(e, "available", q.available);
    get(e, "dealer", q.dealer);
  });
  forEach(j, "notices", [&](const json& e) {
    auto& n = s.notices.emplace_back();
    get(e, "user", n.user);
    get(e, "subject", n.subject);
    get(e, "text", n.text);
    get(e, "offline", n.offline);
  });
  get(j, "replyDelayMs", s.replyDelayMs);
  return s;
}

std::string ChatSpec::check(const std::vector<std::string>& userNames) const {
  std::set<int> groupIds;
  for (const auto& g : groups) {
    if (!groupIds.insert(g.id).second) return "chat group " + std::to_string(g.id) + " appears twice";
    if (!wireSafe(g.name)) return "chat group " + std::to_string(g.id) + " has a separator byte in its name";
  }
  std::set<std::string> names(userNames.begin(), userNames.end());
  for (const auto& c : contacts) {
    if (!usableName(c.name) || !names.insert(c.name).second)
      return "chat contact names must be unique, not empty, not a user's, without ';' or separator bytes";
    if (!groupIds.count(c.group)) return "chat contact " + c.name + " names an unknown group";
    if (!wireSafe(c.displayName) || !wireSafe(c.status)) return "chat contact " + c.name + " has a separator byte";
  }
  std::set<int> queueIds;
  for (const auto& q : queues) {
    if (q.id <= 0 || !queueIds.insert(q.id).second) return "chat queue " + std::to_string(q.id) + " is not a unique positive id";
    if (!wireSafe(q.name)) return "chat queue " + std::to_string(q.id) + " has a separator byte in its name";
    if (!contact(q.dealer)) return "chat queue " + q.name + " names an unknown dealer";
  }
  for (const auto& n : notices) {
    if (std::find(userNames.begin(), userNames.end(), n.user) == userNames.end())
      return "a notice names an unknown user";
    if (n.subject.empty() || !wireSafe(n.subject) || !wireSafe(n.text)) return "a notice has no subject or a separator byte";
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
