#pragma once
// The simulated server's chat: answers the chat requests of the client (contact list 617, recent
// conversations 626, offline messages 613, room history 615, notice acknowledgement 608, room
// request 601, chat line 603, support-queue request 678) from the scenario's chat (ChatScenario.h),
// keeps the rooms and their lines, and plays the dealers: each contact answers a line after the
// scenario's delay, and a queue's dealer takes an available queue's request after that delay
// (679 waiting, then 679 accepted, the room (601, with the queue id) and the dealer's first line).
//
// Rooms are numbered from 5001; notices are rooms of their own, numbered from 9001 in scenario
// order. Times are the wire's local "yyyyMMddHHmmss"; a notice's time is fixed when the service
// starts (its minutesAgo before then) and is the same in every reply. One thread (the server's loop).

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Scenario.h"
#include "ServerMessage.h"

namespace td::sim {

struct ChatOutput {
  std::string user;            // the open sessions of this user receive it ...
  bool requesterOnly = false;  // ... or only the session that sent the request
  ServerMessage message;
};

class ChatService {
 public:
  // `startedAt`: the server's start, in seconds since the epoch.
  ChatService(const Scenario& scenario, std::int64_t startedAt);

  // The answer to one chat request of the logged-in user; what comes later waits for due().
  std::vector<ChatOutput> handle(const std::string& user, const ServerMessage& request, std::int64_t nowMs);
  // The delayed messages whose time has come, in the order they were planned.
  std::vector<ChatOutput> due(std::int64_t nowMs);
  std::optional<std::int64_t> nextDueMs() const;

  static bool handles(int type);

 private:
  struct Line {
    std::string id;
    std::string sender;
    std::string rtf;
    std::string time;
  };
  struct Room {
    int id = 0;
    std::string name;
    std::vector<std::string> members;  // user names, the user who opened it first
    int queue = 0;                     // the support queue it serves, or 0
    std::vector<Line> lines;
  };
  struct Planned {
    std::int64_t dueMs;
    std::vector<ChatOutput> messages;
  };

  std::vector<ChatOutput> contactList(const std::string& user) const;
  std::vector<ChatOutput> recentConversations(const std::string& user) const;
  std::vector<ChatOutput> offlineMessages(const std::string& user) const;
  std::vector<ChatOutput> roomMessages(const std::string& user, const ServerMessage& request) const;
  std::vector<ChatOutput> roomRequest(const std::string& user, const ServerMessage& request);
  std::vector<ChatOutput> chatLine(const std::string& user, const ServerMessage& request, std::int64_t nowMs);
  std::vector<ChatOutput> queueRequest(const std::string& user, const ServerMessage& request, std::int64_t nowMs);

  // A line into a room: stored, and sent to every member who is a user of the server.
  std::vector<ChatOutput> addLine(Room& room, const std::string& sender, const std::string& rtf);
  Room& roomFor(const std::vector<std::string>& members, int queue);
  Room* room(int id);
  std::string displayName(const std::string& name) const;
  // The notice record of the recent-conversation and offline replies.
  std::string noticeRecord(std::size_t index) const;
  void plan(std::int64_t dueMs, std::vector<ChatOutput> messages);

  const Scenario& scenario_;
  std::vector<std::string> noticeTimes_;  // per notice of the scenario
  std::map<int, Room> rooms_;
  int nextRoom_ = 5001;
  int nextLine_ = 1;
  std::vector<Planned> planned_;
};

}  // namespace td::sim
