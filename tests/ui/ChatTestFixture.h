#pragma once
// For the chat windows' tests: a logged-in session over a recording transport in the application
// context, the server's chat messages fed to it, and the requests it sent, read back.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../chat/ChatTestSupport.h"
#include "SessionContextFixture.h"
#include "wire/Formatter.h"

namespace td::test {

class ChatSessionTest : public SessionContextTest {
 protected:
  ChatSessionTest() { openSession(); }

  // A new login: the session, its data set and its acceptance (which asks for the chat lists).
  void openSession() {
    makeSession();
    loadLoginData(true);
    receive({{10, "18"}});
    transport->tcp.clear();
  }

  // One message of the server, and the notifications it posts.
  void receive(const std::vector<testing::Field>& fields) {
    session->NewMessage(testing::frame(fields));
    queue.runPending();
  }

  // The contact list: groups [id, name], users [name, display name, group id, status], queues
  // [id, name, available].
  void contactList(const std::vector<std::vector<std::string>>& groups,
                   const std::vector<std::vector<std::string>>& users,
                   const std::vector<std::vector<std::string>>& queues) {
    std::vector<std::vector<std::string>> groupRows, userRows;
    for (const auto& g : groups) groupRows.push_back({g[0], g[1], "0"});
    for (const auto& u : users) userRows.push_back({"id-" + u[0], u[0], u[3], "", u[2], "1", "", u[1]});
    receive({{10, "618"},
             {23, login().userName()},
             {522, testing::records(groupRows)},
             {521, testing::records(userRows)},
             {1019, testing::records(queues)}});
  }
  // The built-in list: "Dealers" (1) with dealer1 online and dealer2 offline, the queue "FX Support"
  // (1, available) and "Metals" (2, not available).
  void standardContacts() {
    contactList({{"1", "Dealers"}},
                {{"dealer1", "Dealing Desk", "1", "online"}, {"dealer2", "Risk Desk", "1", "offline"}},
                {{"1", "FX Support", "0", "1"}, {"2", "Metals", "0", "0"}});
  }
  // The server confirms the room asked for with the partner.
  void roomConfirmed(const std::string& partner, const std::string& id) {
    receive({{10, "602"}, {20, "1"}, {501, id}, {502, "room-" + id}, {503, partner}, {504, partner}});
  }
  // A chat line of the room, as the server sends it to every member.
  void chatLine(const std::string& id, const std::string& sender, const std::string& name, const std::string& text,
                const std::string& time = "20240302130509") {
    receive({{10, "603"}, {501, id}, {502, "room-" + id}, {504, sender}, {517, name}, {506, "m" + id},
             {21, time}, {17, Formatter::ConvertStringtoRTF(text)}});
  }

  // The bodies of the requests sent since the last call, each "tag=value" joined by "|", without
  // the common tail (19 and 21).
  std::vector<std::string> sent() {
    std::vector<std::string> bodies;
    for (const std::string& frame : transport->tcp) {
      const std::string plain = testing::openSent(frame, login().SecurityKey());
      std::string body;
      std::size_t at = plain.find('\x03') + 1;
      while (at > 0 && at < plain.size() - 1) {
        const std::size_t end = plain.find('\x03', at);
        const std::string field = plain.substr(at, end - at);
        if (field.rfind("19=", 0) != 0 && field.rfind("21=", 0) != 0) body += (body.empty() ? "" : "|") + field;
        at = end + 1;
      }
      bodies.push_back(body);
    }
    transport->tcp.clear();
    return bodies;
  }
};

}  // namespace td::test
