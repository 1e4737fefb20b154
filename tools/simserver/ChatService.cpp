#include "ChatService.h"

#include <algorithm>

#include "chat/RKReader.h"
#include "wire/Formatter.h"
#include "wire/Separators.h"

namespace td::sim {
namespace {

constexpr int kFirstNotice = 9001;
constexpr const char* kOffice = "office";
constexpr const char* kOfficeName = "Back Office";
// Answers to a support-queue request (tag 572).
constexpr int kQueueWaiting = 1;
constexpr int kQueueAccepted = 2;
constexpr int kQueueRefused = 5;

std::string join(const std::vector<std::string>& parts, char separator) {
  std::string out;
  for (const std::string& part : parts) {
    if (!out.empty()) out += separator;
    out += part;
  }
  return out;
}

std::string plainLine(std::string_view rtf) {
  std::string text = RKReader::ConvertRTFtoString(rtf);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

int intValue(const ServerMessage& m, int tag) {
  const std::string text(m.get(tag).value_or(""));
  return std::atoi(text.c_str());
}

}  // namespace

ChatService::ChatService(const Scenario& scenario, std::int64_t startedAt) : scenario_(scenario) {
  for (const NoticeSpec& n : scenario_.chat.notices)
    noticeTimes_.push_back(ampTime(startedAt - std::int64_t{n.minutesAgo} * 60));
}

bool ChatService::handles(int type) {
  switch (type) {
    case 601: case 603: case 608: case 613: case 615: case 617: case 626: case 678:
      return true;
    default:
      return false;
  }
}

std::vector<ChatOutput> ChatService::handle(const std::string& user, const ServerMessage& request, std::int64_t nowMs) {
  switch (request.type) {
    case 617: return contactList(user);
    case 626: return recentConversations(user);
    case 613: return offlineMessages(user);
    case 615: return roomMessages(user, request);
    case 601: return roomRequest(user, request);
    case 603: return chatLine(user, request, nowMs);
    case 678: return queueRequest(user, request, nowMs);
    default: return {};  // 608: the acknowledgement needs no answer
  }
}

std::vector<ChatOutput> ChatService::due(std::int64_t nowMs) {
  std::vector<ChatOutput> out;
  std::erase_if(planned_, [&](Planned& p) {
    if (p.dueMs > nowMs) return false;
    for (ChatOutput& m : p.messages) out.push_back(std::move(m));
    return true;
  });
  return out;
}

std::optional<std::int64_t> ChatService::nextDueMs() const {
  std::optional<std::int64_t> next;
  for (const Planned& p : planned_)
    if (!next || p.dueMs < *next) next = p.dueMs;
  return next;
}

void ChatService::plan(std::int64_t dueMs, std::vector<ChatOutput> messages) {
  if (!messages.empty()) planned_.push_back({dueMs, std::move(messages)});
}

std::string ChatService::displayName(const std::string& name) const {
  const ChatContactSpec* contact = scenario_.chat.contact(name);
  return contact && !contact->displayName.empty() ? contact->displayName : name;
}

// ---- the lists ----

std::vector<ChatOutput> ChatService::contactList(const std::string& user) const {
  const ChatSpec& chat = scenario_.chat;
  std::vector<std::string> groups, contacts, queues;
  for (const auto& g : chat.groups) groups.push_back(std::to_string(g.id) + "\x05" + g.name + "\x05" "0");
  for (std::size_t i = 0; i < chat.contacts.size(); ++i) {
    const ChatContactSpec& c = chat.contacts[i];
    // user id, name, status, (unused), group, in the user's own list, (unused), display name
    contacts.push_back(join({std::to_string(900 + i), c.name, c.status, "", std::to_string(c.group), "1", "",
                             c.displayName},
                            MessageInnerTagSeperatortw));
  }
  for (const auto& q : chat.queues)
    queues.push_back(join({std::to_string(q.id), q.name, "0", q.available ? "1" : "0"}, MessageInnerTagSeperatortw));
  ServerMessage reply(618);
  reply.add(23, user)
      .add(522, join(groups, MessageInnerTagSeperatorthr))
      .add(521, join(contacts, MessageInnerTagSeperatorthr))
      .add(1019, join(queues, MessageInnerTagSeperatorthr));
  return {{user, true, std::move(reply)}};
}

std::string ChatService::noticeRecord(std::size_t index) const {
  const NoticeSpec& n = scenario_.chat.notices[index];
  const std::string id = std::to_string(kFirstNotice + static_cast<int>(index));
  return join({kOffice, Formatter::ConvertStringtoRTF(n.text), n.user, noticeTimes_[index], id, "notice-" + id, "",
               n.subject, kOfficeName},
              MessageInnerTagSeperatortw);
}

std::vector<ChatOutput> ChatService::recentConversations(const std::string& user) const {
  std::vector<std::string> records;
  for (std::size_t i = 0; i < scenario_.chat.notices.size(); ++i)
    if (scenario_.chat.notices[i].user == user) records.push_back(noticeRecord(i));
  for (const auto& [id, room] : rooms_) {
    if (room.lines.empty() || std::find(room.members.begin(), room.members.end(), user) == room.members.end()) continue;
    const Line& last = room.lines.back();
    const std::string partner = room.members.back();
    records.push_back(join({last.sender, last.rtf, join(room.members, ';'), last.time, std::to_string(id), room.name,
                            "", "", displayName(partner)},
                           MessageInnerTagSeperatortw));
  }
  ServerMessage reply(627);
  reply.add(17, join(records, MessageInnerTagSeperatorthr));
  return {{user, true, std::move(reply)}};
}

std::vector<ChatOutput> ChatService::offlineMessages(const std::string& user) const {
  std::vector<std::string> records;
  for (std::size_t i = 0; i < scenario_.chat.notices.size(); ++i)
    if (scenario_.chat.notices[i].user == user && scenario_.chat.notices[i].offline) records.push_back(noticeRecord(i));
  ServerMessage reply(614);
  reply.add(17, join(records, MessageInnerTagSeperatorthr));
  return {{user, true, std::move(reply)}};
}

std::vector<ChatOutput> ChatService::roomMessages(const std::string& user, const ServerMessage& request) const {
  const int id = intValue(request, 501);
  std::vector<std::string> records;
  const std::size_t notice = static_cast<std::size_t>(id - kFirstNotice);
  if (id >= kFirstNotice && notice < scenario_.chat.notices.size() && scenario_.chat.notices[notice].user == user) {
    const NoticeSpec& n = scenario_.chat.notices[notice];
    records.push_back(join({"m" + std::to_string(id), kOffice, Formatter::ConvertStringtoRTF(n.text),
                            noticeTimes_[notice], kOfficeName},
                           MessageInnerTagSeperatortw));
  } else if (const auto it = rooms_.find(id); it != rooms_.end()) {
    const Room& room = it->second;
    if (std::find(room.members.begin(), room.members.end(), user) == room.members.end()) return {};
    for (const Line& line : room.lines)
      records.push_back(join({line.id, line.sender, line.rtf, line.time, displayName(line.sender)},
                             MessageInnerTagSeperatortw));
  } else {
    return {};
  }
  ServerMessage reply(616);
  reply.add(501, std::to_string(id)).add(17, join(records, MessageInnerTagSeperatorthr));
  return {{user, true, std::move(reply)}};
}

// ---- rooms and lines ----

ChatService::Room* ChatService::room(int id) {
  const auto it = rooms_.find(id);
  return it == rooms_.end() ? nullptr : &it->second;
}

ChatService::Room& ChatService::roomFor(const std::vector<std::string>& members, int queue) {
  for (auto& [id, room] : rooms_)
    if (room.members == members && room.queue == queue) return room;
  Room& room = rooms_[nextRoom_];
  room.id = nextRoom_++;
  room.name = "room-" + std::to_string(room.id);
  room.members = members;
  room.queue = queue;
  return room;
}

std::vector<ChatOutput> ChatService::roomRequest(const std::string& user, const ServerMessage& request) {
  const std::string partner(request.get(503).value_or(""));
  if (!scenario_.chat.contact(partner)) return {};  // nobody of that name to talk to
  const Room& room = roomFor({user, partner}, 0);
  ServerMessage reply(602);
  reply.add(20, std::string(request.get(20).value_or("0")))
      .add(501, std::to_string(room.id))
      .add(502, room.name)
      .add(503, partner)
      .add(504, partner)
      .add(530, "0");
  return {{user, true, std::move(reply)}};
}

std::vector<ChatOutput> ChatService::addLine(Room& room, const std::string& sender, const std::string& rtf) {
  const std::string time = ampTime(unixNow());
  room.lines.push_back({std::to_string(nextLine_++), sender, rtf, time});
  std::vector<ChatOutput> out;
  for (const std::string& member : room.members) {
    if (!scenario_.user(member)) continue;  // the dealers are played here
    ServerMessage m(603);
    m.add(501, std::to_string(room.id))
        .add(502, room.name)
        .add(503, join(room.members, ';'))
        .add(504, sender)
        .add(517, displayName(sender))
        .add(506, room.lines.back().id)
        .add(21, time)
        .add(17, rtf);
    out.push_back({member, false, std::move(m)});
  }
  return out;
}

std::vector<ChatOutput> ChatService::chatLine(const std::string& user, const ServerMessage& request,
                                              std::int64_t nowMs) {
  Room* r = room(intValue(request, 501));
  const std::string rtf(request.get(17).value_or(""));
  if (!r || std::find(r->members.begin(), r->members.end(), user) == r->members.end() || rtf.empty()) return {};
  std::vector<ChatOutput> out = addLine(*r, user, rtf);
  for (const std::string& member : r->members) {
    if (!scenario_.chat.contact(member)) continue;
    plan(nowMs + scenario_.chat.replyDelayMs,
         addLine(*r, member, Formatter::ConvertStringtoRTF("Noted: " + plainLine(rtf))));
  }
  return out;
}

std::vector<ChatOutput> ChatService::queueRequest(const std::string& user, const ServerMessage& request,
                                                  std::int64_t nowMs) {
  const int queueId = intValue(request, 1026);
  const ChatQueueSpec* queue = scenario_.chat.queue(queueId);
  const UserSpec* owner = scenario_.user(user);
  const int account = intValue(request, 34);
  const bool ownsAccount =
      owner && std::find(owner->accounts.begin(), owner->accounts.end(), account) != owner->accounts.end();
  const auto answer = [&](int status) {
    ServerMessage m(679);
    m.add(1026, std::to_string(queueId)).add(572, std::int64_t{status});
    return ChatOutput{user, false, std::move(m)};
  };
  if (!queue || !queue->available || !ownsAccount) return {answer(kQueueRefused)};

  // The dealer takes the request after the delay: the answer, the room, the dealer's first line.
  Room& r = roomFor({user, queue->dealer}, queueId);
  std::vector<ChatOutput> later{answer(kQueueAccepted)};
  ServerMessage opened(601);
  opened.add(20, std::string(request.get(20).value_or("0")))
      .add(501, std::to_string(r.id))
      .add(502, r.name)
      .add(503, join(r.members, ';'))
      .add(504, queue->dealer)
      .add(530, "0")
      .add(1026, std::to_string(queueId))
      .add(1051, queue->dealer + MessageInnerTagSeperatortw + displayName(queue->dealer) + ";" + user +
                     MessageInnerTagSeperatortw + user);
  later.push_back({user, false, std::move(opened)});
  const std::string text = plainLine(request.get(17).value_or(""));
  for (ChatOutput& m : addLine(r, queue->dealer, Formatter::ConvertStringtoRTF("Noted: " + text)))
    later.push_back(std::move(m));
  plan(nowMs + scenario_.chat.replyDelayMs, std::move(later));
  return {answer(kQueueWaiting)};
}

}  // namespace td::sim
