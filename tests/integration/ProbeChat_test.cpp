// A chat line sent by the probe through the client's chat desk to the simulated server's dealer,
// both as processes: the contact list, the notices, the line and the dealer's answer.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "ProcessHelpers.h"
#include "Scenario.h"

namespace td::testing {
namespace {

std::ptrdiff_t indexOf(const ProbeRun& run, const std::string& line) {
  const auto it = std::find(run.lines.begin(), run.lines.end(), line);
  return it == run.lines.end() ? -1 : it - run.lines.begin();
}

TEST(ProbeChat, ALineToTheDealerIsAnsweredInItsRoom) {
  ServerProcess server({});
  ASSERT_TRUE(server.listening());
  const ProbeRun run =
      runProbe(server.tcp, "demo", "demo", {"--ticks", "1", "--timeout", "6", "--chat", "Quote {EURUSD} \xe4\xb8\xad"});
  const std::string all = joined(run);
  ASSERT_EQ(run.exitCode, 0) << all;
  EXPECT_EQ(run.last(), "RESULT ok") << all;
  EXPECT_TRUE(run.has("CONTACTS groups=1 users=2")) << all;
  EXPECT_TRUE(run.has("NOTICE Trading hours")) << all;
  EXPECT_TRUE(run.has("NOTICE Margin update")) << all;
  const auto own = indexOf(run, "CHAT room-5001 demo: Quote {EURUSD} \xe4\xb8\xad");
  const auto answer = indexOf(run, "CHAT room-5001 dealer1: Noted: Quote {EURUSD} \xe4\xb8\xad");
  ASSERT_GE(own, 0) << all;
  EXPECT_GT(answer, own) << all;
}

TEST(ProbeChat, WithoutAnOnlineContactTheRunFails) {
  nlohmann::json j = nlohmann::json::parse(sim::Scenario::builtInJson());
  j["chat"] = {{"groups", {{{"id", 1}, {"name", "Dealers"}}}},
               {"contacts", {{{"name", "dealer1"}, {"group", 1}, {"status", "Away"}}}}};
  const std::string file = scenarioFile(j.dump(), "td-chat-scenario");
  ServerProcess server({"--scenario", file});
  ASSERT_TRUE(server.listening());
  const ProbeRun run = runProbe(server.tcp, "demo", "demo", {"--ticks", "0", "--timeout", "6", "--chat", "hi"});
  std::filesystem::remove(file);
  EXPECT_EQ(run.exitCode, 1) << joined(run);
  EXPECT_TRUE(run.has("CONTACTS groups=1 users=1")) << joined(run);
  EXPECT_EQ(run.last(), "RESULT fail: no online contact to chat with") << joined(run);
}

}  // namespace
}  // namespace td::testing
