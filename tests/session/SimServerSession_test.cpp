// The whole session against the simulated server on loopback: the real transport (TCP session,
// ZeroMQ feed and request channels), the login sequence in both data-set forms, refusals, a login
// taken over elsewhere, a relogin request and a dropped connection.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "SessionTestSupport.h"
#include "model/JournalData.h"
#include "platform/DateFormat.h"
#include "wire/Formatter.h"

#ifdef TD_HAVE_SIMSERVER
#include "SimServer.h"
#endif

namespace td::testing {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;

#ifdef TD_HAVE_SIMSERVER

constexpr auto kWait = std::chrono::milliseconds(8000);

class SimServerSessionTest : public SessionTest {
 protected:
  ~SimServerSessionTest() override {
    session.reset();
    if (server) {
      server->stop();
      if (serverThread.joinable()) serverThread.join();
    }
  }

  void startServer(sim::Scenario scenario, sim::ServerOptions options = {}) {
    options.port = 0;
    options.pubPort = 0;
    options.repPort = 0;
    options.tickMs = 20;
    // The server thread and the client share the C library's time-zone state, whose own lock the
    // sanitizer cannot see: have the client read the zone before the server thread starts.
    (void)JournalData::journalTime(std::chrono::system_clock::now());
    (void)Formatter::setAmpFormat(std::chrono::system_clock::now());
    (void)DateFormat::cached(AMP_DATE_FORMAT);
    server = std::make_unique<sim::SimServer>(std::move(scenario), options);
    std::string error;
    ASSERT_TRUE(server->start(error)) << error;
    serverThread = std::thread([this] { server->run(); });
    logindata.setPortNo(server->tcpPort());
  }

  // A session over the real transport.
  void connect(const std::string& user, const std::string& password) {
    logindata.setUserName(user);
    logindata.setPassword(password);
    session = BusinessBase::create(environment());
    session->StreamingConnection(true, false);
  }

  bool seen(const std::string& prefix) {
    return queue.runUntil(
        [&] {
          for (const auto& e : observer.events) {
            if (e.rfind(prefix, 0) == 0) return true;
          }
          return false;
        },
        kWait);
  }

  std::unique_ptr<sim::SimServer> server;
  std::thread serverThread;
};

TEST_F(SimServerSessionTest, LoginInBothFormsOpensTheSessionAndTakesTheFeed) {
  for (const bool xml : {false, true}) {
    SCOPED_TRACE(xml ? "XML" : "AMP");
    sim::ServerOptions options;
    options.xmlForm = xml;
    startServer(sim::Scenario::builtIn(), options);
    observer.events.clear();
    observer.ticks = 0;
    connect("demo", "demo");
    ASSERT_TRUE(seen("SESSION open"));
    EXPECT_THAT(observer.events[0], HasSubstr("LOGIN items="));
    EXPECT_FALSE(session->ItemCollection().empty());
    EXPECT_FALSE(session->selectedSymbols().empty());
    ASSERT_TRUE(queue.runUntil([&] { return observer.ticks > 0; }, kWait));
    ASSERT_TRUE(seen("DEPTH "));
    // One ping goes out under the session key and its reply is rated.
    queue.advance(std::chrono::seconds(1));
    ASSERT_TRUE(seen("PING "));
    EXPECT_FALSE(session->ServerTime().value_or("").empty());
    session.reset();
    server->stop();
    serverThread.join();
    server.reset();
  }
}

TEST_F(SimServerSessionTest, RefusedLoginsShowTheAlertOfTheirCode) {
  struct Case {
    int refuse;
    const char* message;
  };
  for (const Case c : {Case{10, "Your login has been disabled. Please contact back office."},
                       Case{11, "Your account has been expired"},
                       Case{12, "You're using unsupported version of program. Do you want to download latest version "
                                "now?"}}) {
    SCOPED_TRACE(c.refuse);
    sim::Scenario scenario = sim::Scenario::builtIn();
    for (auto& user : scenario.users) user.refuse = c.refuse;
    const std::string downloadUrl = scenario.downloadUrl;
    startServer(std::move(scenario));
    shell.alerts.clear();
    connect("demo", "demo");
    ASSERT_TRUE(queue.runUntil([&] { return !shell.alerts.empty(); }, kWait));
    EXPECT_EQ(shell.alerts[0].message, c.message);
    if (c.refuse == 12) {
      EXPECT_EQ(shell.alerts[0].tag, 3);
      EXPECT_EQ(shell.alerts[0].url, downloadUrl);
    }
    EXPECT_THAT(observer.events.back(), HasSubstr("DISCONNECTED refused"));
    session.reset();
    server->stop();
    serverThread.join();
    server.reset();
  }
}

TEST_F(SimServerSessionTest, WrongPasswordShowsTheGenericRefusal) {
  startServer(sim::Scenario::builtIn());
  connect("demo", "wrong");
  ASSERT_TRUE(queue.runUntil([&] { return !shell.alerts.empty(); }, kWait));
  EXPECT_EQ(shell.alerts[0].message, "The username or password or server you entered is incorrect");
  // The refusal is a planned disconnect: no connection-failure alert follows.
  queue.runUntil([] { return false; }, std::chrono::milliseconds(200));
  EXPECT_EQ(shell.alerts.size(), 1u);
}

TEST_F(SimServerSessionTest, LoggedInElsewhereEndsWithTheQuittingAlert) {
  sim::ServerOptions options;
  options.faults.elsewhereAfter = 3;
  startServer(sim::Scenario::builtIn(), options);
  connect("demo", "demo");
  ASSERT_TRUE(seen("DISCONNECTED logged in elsewhere"));
  ASSERT_TRUE(queue.runUntil([&] { return !shell.alerts.empty(); }, kWait));
  EXPECT_EQ(shell.alerts[0].tag, 1);
  EXPECT_FALSE(session->isPingTimerRunning());
}

TEST_F(SimServerSessionTest, ReloginRequestAndDroppedConnectionTakeTheFailurePath) {
  for (const bool relogin : {true, false}) {
    SCOPED_TRACE(relogin ? "relogin" : "dropped");
    sim::ServerOptions options;
    if (relogin) {
      options.faults.reloginAfter = 3;
    } else {
      options.faults.disconnectAfter = 3;
    }
    startServer(sim::Scenario::builtIn(), options);
    shell.alerts.clear();
    shell.events.clear();
    connect("demo", "demo");
    ASSERT_TRUE(seen("DISCONNECTED connection lost"));
    ASSERT_TRUE(queue.runUntil([&] { return !shell.alerts.empty(); }, kWait));
    EXPECT_EQ(shell.alerts[0].kind, SessionAlert::Kind::ConnectionFailed);
    EXPECT_THAT(shell.events, Contains("sound connectionLost"));
    EXPECT_FALSE(session->isPingTimerRunning());
    session.reset();
    server->stop();
    serverThread.join();
    server.reset();
    observer.events.clear();
  }
}

TEST_F(SimServerSessionTest, ASupportQueueTakesTheRequestAndItsDealerAnswersInTheQueueRoom) {
  startServer(sim::Scenario::builtIn());
  connect("demo", "demo");
  ASSERT_TRUE(seen("SESSION open"));
  ChatDesk& chat = session->chat();
  ASSERT_TRUE(queue.runUntil([&] { return chat.model().queue("1") != nullptr; }, kWait));
  EXPECT_EQ(chat.SendChatQueueRequest("1", "Need a quote"), ChatDesk::SendResult::Sent);
  // 679 waiting, then accepted with the room (under the queue id) and the dealer's first line.
  ASSERT_TRUE(queue.runUntil([&] { return chat.model().queue("1")->chartRequestStatus == 1; }, kWait));
  ASSERT_TRUE(queue.runUntil(
      [&] {
        const ChatRoomPtr room = chat.model().room("1");
        return room && !room->messages.empty();
      },
      kWait));
  EXPECT_EQ(chat.model().queue("1")->chartRequestStatus, 2);
  EXPECT_EQ(chat.model().queue("1")->roomUserName, "dealer1");
  EXPECT_EQ(chat.model().room("1")->messages[0].msg, "Noted: Need a quote\n");
  EXPECT_EQ(chat.SendChat("1", "Thanks"), ChatDesk::SendResult::Sent);
  ASSERT_TRUE(queue.runUntil([&] { return chat.model().room("1")->messages.size() >= 3; }, kWait));
  EXPECT_EQ(chat.model().room("1")->messages[2].msg, "Noted: Thanks\n");

  // A notice's text comes with its history.
  ASSERT_TRUE(queue.runUntil([&] { return chat.model().getMessageNoticesCollection().size() == 2; }, kWait));
  EXPECT_TRUE(chat.model().room("9002")->isanUnreadMessage);
  ASSERT_TRUE(chat.requestRoomMessage("9001"));
  ASSERT_TRUE(queue.runUntil([&] { return !chat.model().room("9001")->messages.empty(); }, kWait));
  EXPECT_EQ(chat.model().room("9001")->messages[0].msg, "Markets close two hours early on Friday.\n");
}

#else

TEST(SimServerSessionTest, NeedsTheSimulatedServer) { GTEST_SKIP() << "built without tools/simserver"; }

#endif

}  // namespace
}  // namespace td::testing
