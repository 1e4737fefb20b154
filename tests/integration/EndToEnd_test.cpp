// The probe against the simulated server, both as processes on free loopback ports.

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "ProcessHelpers.h"
#include "Scenario.h"

namespace td::testing {
namespace {

using namespace std::chrono_literals;

// A scenario file with the built-in data and users who are refused with each code.
std::string refusingScenario() {
  std::string text(sim::Scenario::builtInJson());
  std::string users = R"("users": [
    {"name": "demo", "password": "demo", "userId": 101, "accounts": [1001, 1002]},
    {"name": "alice", "password": "secret", "userId": 102, "accounts": [2001]},
    {"name": "disabled", "password": "pw", "userId": 103, "accounts": [], "refuse": 10},
    {"name": "expired", "password": "pw", "userId": 104, "accounts": [], "refuse": 11},
    {"name": "outdated", "password": "pw", "userId": 105, "accounts": [], "refuse": 12}
  ],)";
  auto from = text.find("\"users\"");
  auto to = text.find("\"loginMessages\"");
  text.replace(from, to - from, users + "\n  ");
  return scenarioFile(text, "tarnwickdesk-scenario");
}

TEST(EndToEnd, DemoUserLogsInOpensTheSessionAndReceivesTicksDepthAndAccounts) {
  ServerProcess server({"--seed", "7"});
  ASSERT_TRUE(server.listening());
  ProbeRun run = runProbe(server.tcp, "demo", "demo", {"--ticks", "30", "--timeout", "6"});
  ASSERT_GE(run.lines.size(), 4u);
  EXPECT_EQ(run.lines[0], "CONNECTED 127.0.0.1:" + std::to_string(server.tcp));
  EXPECT_EQ(run.lines[1], "LOGIN items=6 accounts=2 groups=1");
  EXPECT_EQ(run.lines[2], "SESSION open");
  EXPECT_EQ(run.countPrefix("TICK "), 30u);
  EXPECT_GE(run.countPrefix("DEPTH "), 1u);
  EXPECT_GE(run.countPrefix("ACCOUNT 1001 balance=100000.00 equity="), 1u);
  EXPECT_GE(run.countPrefix("ACCOUNT 1002 balance=25000.00 equity="), 1u);
  EXPECT_EQ(run.countPrefix("DISCONNECTED"), 0u);
  EXPECT_EQ(run.last(), "RESULT ok");
  EXPECT_EQ(run.exitCode, 0);
}

TEST(EndToEnd, TicksAreWrittenWithTheItemsDecimalPlacesAndTwoForWholeNumbers) {
  // The session subscribes its watchlist (demo's first instrument type, the currency pairs) and the
  // items of its positions and orders (GER40 and BTCUSD among them) once the data sets are in.
  ServerProcess server({});
  ASSERT_TRUE(server.listening());
  ProbeRun run = runProbe(server.tcp, "demo", "demo", {"--ticks", "60", "--timeout", "6"});
  std::regex ger(R"(TICK GER40 \d+\.\d \d+\.\d)");
  std::regex btc(R"(TICK BTCUSD \d+\.\d{2} \d+\.\d{2})");
  bool sawGer = false, sawBtc = false;
  for (const auto& l : run.lines) {
    if (l.rfind("TICK GER40", 0) == 0) sawGer = std::regex_match(l, ger);
    if (l.rfind("TICK BTCUSD", 0) == 0) sawBtc = std::regex_match(l, btc);
  }
  EXPECT_TRUE(sawGer);
  EXPECT_TRUE(sawBtc);
  EXPECT_EQ(run.last(), "RESULT ok");
}

TEST(EndToEnd, InitialDataSetsArriveOverTheRequestChannel) {
  // The three watchlist items, and the position items once the replies are in, at 100 ms: 90 ticks
  // take over a second, time enough for the four replies.
  ServerProcess server({"--tick-ms", "100"});
  ASSERT_TRUE(server.listening());
  ProbeRun run = runProbe(server.tcp, "demo", "demo", {"--ticks", "90", "--timeout", "6"});
  EXPECT_TRUE(run.has("DATASET getopenpositions rows=4"));
  EXPECT_TRUE(run.has("DATASET getpendingorders rows=4"));
  EXPECT_TRUE(run.has("DATASET getsettledpositions rows=6"));
  EXPECT_TRUE(run.has("DATASET getcancelledorders rows=2"));
  EXPECT_TRUE(run.has("COLLECTION open 4"));
  EXPECT_TRUE(run.has("COLLECTION pending 4"));
  EXPECT_TRUE(run.has("COLLECTION settled 6"));
  EXPECT_TRUE(run.has("COLLECTION cancelled 2"));
  EXPECT_EQ(run.countPrefix("COLLECTION "), 4u);
  EXPECT_EQ(run.last(), "RESULT ok");
}

TEST(EndToEnd, PingRepliesAreRatedOnceTheSessionRunsLongerThanASecond) {
  ServerProcess server({"--tick-ms", "50"});
  ASSERT_TRUE(server.listening());
  // 3 items at 50 ms: 90 ticks take 1.5 s.
  ProbeRun run = runProbe(server.tcp, "alice", "secret", {"--ticks", "90", "--timeout", "6"});
  ASSERT_GE(run.countPrefix("PING "), 1u);
  for (const auto& l : run.lines)
    if (l.rfind("PING ", 0) == 0) {
      EXPECT_TRUE(std::regex_match(l, std::regex(R"(PING 0\.\d{3} rating=0)"))) << l;
    }
  EXPECT_TRUE(run.has("LOGIN items=3 accounts=1 groups=1"));
  EXPECT_EQ(run.last(), "RESULT ok");
}

TEST(EndToEnd, TheXmlFormOfTheLoginDataSetLoadsTheSameRecords) {
  ServerProcess server({"--form", "xml"});
  ASSERT_TRUE(server.listening());
  ProbeRun run = runProbe(server.tcp, "demo", "demo", {"--ticks", "6", "--timeout", "6"});
  EXPECT_TRUE(run.has("LOGIN items=6 accounts=2 groups=1"));
  EXPECT_EQ(run.last(), "RESULT ok");
}

TEST(EndToEnd, WrongPasswordAndUnknownUserAreRefused) {
  ServerProcess server({});
  ASSERT_TRUE(server.listening());
  for (auto [user, password] : {std::pair{"demo", "wrong"}, std::pair{"nobody", "demo"}}) {
    ProbeRun run = runProbe(server.tcp, user, password, {"--timeout", "5"});
    EXPECT_TRUE(run.has("ALERT The username or password or server you entered is incorrect")) << user;
    EXPECT_TRUE(run.has("DISCONNECTED refused:1")) << user;
    EXPECT_EQ(run.last(), "RESULT fail: login refused");
    EXPECT_EQ(run.exitCode, 1);
  }
}

TEST(EndToEnd, RefusingUsersAreRefusedWithTheirCode) {
  std::string scenario = refusingScenario();
  ServerProcess server({"--scenario", scenario});
  ASSERT_TRUE(server.listening());
  struct Case {
    const char* user;
    const char* code;
    const char* alert;
  } cases[] = {
      {"disabled", "10", "ALERT Your login has been disabled. Please contact back office."},
      {"expired", "11", "ALERT Your account has been expired"},
      {"outdated", "12",
       "ALERT You're using unsupported version of program. Do you want to download latest version now?"},
  };
  for (const Case& c : cases) {
    ProbeRun run = runProbe(server.tcp, c.user, "pw", {"--timeout", "5"});
    EXPECT_TRUE(run.has(c.alert)) << c.user;
    EXPECT_TRUE(run.has(std::string("DISCONNECTED refused:") + c.code)) << c.user;
    EXPECT_EQ(run.exitCode, 1);
  }
  std::filesystem::remove(scenario);
}

TEST(EndToEnd, ConnectFailureAndTimeoutAreReported) {
  ServerProcess server({});
  ASSERT_TRUE(server.listening());
  int port = server.tcp;
  server.child().signal(SIGTERM);
  ASSERT_EQ(server.child().waitExit(3000ms), 0);
  ProbeRun refused = runProbe(port, "demo", "demo", {"--timeout", "2"});
  EXPECT_TRUE(refused.has("DISCONNECTED connect-failed"));
  EXPECT_EQ(refused.exitCode, 1);

  ServerProcess slow({"--tick-ms", "60000"});
  ASSERT_TRUE(slow.listening());
  ProbeRun timeout = runProbe(slow.tcp, "demo", "demo", {"--ticks", "1", "--timeout", "1.5"});
  EXPECT_TRUE(timeout.has("SESSION open"));
  EXPECT_TRUE(timeout.has("DISCONNECTED timeout"));
  EXPECT_EQ(timeout.last(), "RESULT fail: timeout");
}

TEST(EndToEnd, ServerExitsCleanlyOnSigintAndSigterm) {
  for (int sig : {SIGINT, SIGTERM}) {
    ServerProcess server({});
    ASSERT_TRUE(server.listening());
    ProbeRun run = runProbe(server.tcp, "demo", "demo", {"--ticks", "3", "--timeout", "5"});
    EXPECT_EQ(run.last(), "RESULT ok");
    server.child().signal(sig);
    EXPECT_EQ(server.child().waitExit(3000ms), 0) << sig;
  }
}

// Whether the process has ended (a zombie that nobody has reaped yet has).
bool ended(pid_t pid) {
  std::string stat;
  std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/stat"), stat);
  const auto name = stat.rfind(')');
  return name == std::string::npos || name + 2 >= stat.size() || stat[name + 2] == 'Z' || stat[name + 2] == 'X';
}

// A test that aborts, or is killed, leaves no server behind to hold its ports and its output pipe.
TEST(EndToEnd, AServerEndsWithTheProcessThatStartedItWhenThatAbortsOrIsKilled) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // The server's pid comes back in a file, named alike in this process and its death-test child.
  const std::string pidFile = [] {
    if (const char* inherited = std::getenv("TD_STARTED_SERVER_PID_FILE")) return std::string(inherited);
    const std::string path = scenarioFile("", "tarnwickdesk-server-pid");
    ::setenv("TD_STARTED_SERVER_PID_FILE", path.c_str(), 1);
    return path;
  }();
  for (int sig : {SIGABRT, SIGKILL}) {
    EXPECT_EXIT(
        {
          ServerProcess server({});
          std::ofstream(pidFile) << (server.listening() ? server.child().pid() : 0);
          if (sig == SIGABRT) std::abort();
          std::raise(sig);
        },
        ::testing::KilledBySignal(sig), "");
    pid_t server = 0;
    std::ifstream(pidFile) >> server;
    ASSERT_GT(server, 0) << "the server did not start";
    bool gone = ended(server);
    for (int i = 0; i < 300 && !gone; ++i) {
      std::this_thread::sleep_for(10ms);
      gone = ended(server);
    }
    EXPECT_TRUE(gone) << "the server outlived the process that started it (signal " << sig << ")";
    if (!gone) ::kill(server, SIGKILL);
  }
  ::unsetenv("TD_STARTED_SERVER_PID_FILE");
  std::filesystem::remove(pidFile);
}

// --- the faults ---

TEST(EndToEndFaults, DisconnectAfterNMessagesDropsTheSession) {
  ServerProcess server({"--fault", "disconnect-after=3"});
  ASSERT_TRUE(server.listening());
  ProbeRun run = runProbe(server.tcp, "demo", "demo", {"--ticks", "1000", "--timeout", "5"});
  // 33, 18 and the first account summary are the three messages.
  EXPECT_TRUE(run.has("SESSION open"));
  EXPECT_EQ(run.countPrefix("ACCOUNT "), 1u);
  EXPECT_TRUE(run.has("DISCONNECTED closed"));
  EXPECT_EQ(run.exitCode, 1);
}

TEST(EndToEndFaults, GarbageAmongGoodFramesIsSkipped) {
  ServerProcess server({"--fault", "garbage"});
  ASSERT_TRUE(server.listening());
  ProbeRun run = runProbe(server.tcp, "demo", "demo", {"--ticks", "12", "--timeout", "5"});
  EXPECT_GE(run.countPrefix("ACCOUNT 1001 "), 1u);
  EXPECT_GE(run.countPrefix("ACCOUNT 1002 "), 1u);
  EXPECT_EQ(run.last(), "RESULT ok");
}

TEST(EndToEndFaults, LoggedInElsewhereAfterNMessages) {
  ServerProcess server({"--fault", "elsewhere-after=2"});
  ASSERT_TRUE(server.listening());
  ProbeRun run = runProbe(server.tcp, "demo", "demo", {"--ticks", "1000", "--timeout", "5"});
  EXPECT_TRUE(run.has("SESSION open"));
  // The shell's alert: its own text, then the server's reason.
  EXPECT_TRUE(run.has("ALERT Your user name has been logged in from another location : Your user name has logged in "
                      "at another location !"));
  EXPECT_TRUE(run.has("DISCONNECTED elsewhere"));
  EXPECT_EQ(run.exitCode, 1);
}

TEST(EndToEndFaults, ReloginRequestAfterNMessages) {
  ServerProcess server({"--fault", "relogin-after=2"});
  ASSERT_TRUE(server.listening());
  ProbeRun run = runProbe(server.tcp, "demo", "demo", {"--ticks", "1000", "--timeout", "5"});
  EXPECT_TRUE(run.has("DISCONNECTED relogin"));
  EXPECT_EQ(run.countPrefix("DISCONNECTED"), 1u);
  EXPECT_EQ(run.exitCode, 1);
}

TEST(EndToEndFaults, SilentRequestChannelLeavesTheFeedWorking) {
  ServerProcess server({"--fault", "rep-silent"});
  ASSERT_TRUE(server.listening());
  ProbeRun run = runProbe(server.tcp, "demo", "demo", {"--ticks", "60", "--timeout", "5"});
  EXPECT_EQ(run.countPrefix("DATASET "), 0u);
  EXPECT_EQ(run.last(), "RESULT ok");
}

TEST(EndToEndFaults, SlowRequestChannelAnswersLate) {
  ServerProcess server({"--fault", "rep-slow=1000"});
  ASSERT_TRUE(server.listening());
  // Until the first reply only the three watchlist items tick, every 20 ms: 20 ticks take about
  // 140 ms, well before the first reply; 450 take over two seconds.
  ProbeRun quick = runProbe(server.tcp, "demo", "demo", {"--ticks", "20", "--timeout", "5"});
  EXPECT_EQ(quick.countPrefix("DATASET "), 0u);
  ProbeRun patient = runProbe(server.tcp, "demo", "demo", {"--ticks", "450", "--timeout", "5"});
  EXPECT_GE(patient.countPrefix("DATASET "), 1u);
  EXPECT_EQ(patient.last(), "RESULT ok");
}

}  // namespace
}  // namespace td::testing
