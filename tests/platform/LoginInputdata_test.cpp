#include "platform/LoginInputdata.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/Log.h"

namespace td {
namespace {

namespace fs = std::filesystem;

class LoginInputdataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log::setSink([this](log::Level level, std::string_view text) {
      if (level >= log::Level::Warning) logged_.emplace_back(text);
    });
  }
  void TearDown() override { log::setSink({}); }
  std::vector<std::string> logged_;
};

bool samePresets(const ServerPresets& a, const ServerPresets& b) {
  return a.liveHost == b.liveHost && a.livePort == b.livePort && a.demoHost == b.demoHost &&
         a.demoPort == b.demoPort && a.initialPassPhrase == b.initialPassPhrase && a.newsHost == b.newsHost;
}

TEST_F(LoginInputdataTest, InitSetsOnlyProductNameVersionAndPassPhrase) {
  LoginInputdata data(ServerPresets::shipped());
  EXPECT_EQ(data.productName(), "TarnwickDesk");
  EXPECT_EQ(data.productVersion(), "1.0.0");
  EXPECT_EQ(data.SecurityKey(), "9dA3fB71e0Cc");
  EXPECT_EQ(data.IPAddress(), "");
  EXPECT_EQ(data.PortNo(), 0);
  EXPECT_EQ(data.userName(), "");
  EXPECT_EQ(data.password(), "");
}

TEST_F(LoginInputdataTest, PresetsOverwriteOnlyHostAndPort) {
  LoginInputdata data(ServerPresets::shipped());
  data.setUserName("alice");
  data.setPassword("p#ss");
  data.setSecurityKey("session-key");
  data.loadDemoSettings();
  EXPECT_EQ(data.IPAddress(), "127.0.0.1");
  EXPECT_EQ(data.PortNo(), 8310);
  data.loadLiveSettings();
  EXPECT_EQ(data.IPAddress(), "live.tarnwickdesk.invalid");
  EXPECT_EQ(data.PortNo(), 8120);
  EXPECT_EQ(data.userName(), "alice");
  EXPECT_EQ(data.password(), "p#ss");
  EXPECT_EQ(data.SecurityKey(), "session-key");
}

TEST_F(LoginInputdataTest, TheShippedServersFileHoldsTheShippedValues) {
  const auto presets = ServerPresets::loadFile(fs::path(TD_RESOURCE_DIR) / "servers.conf");
  EXPECT_TRUE(samePresets(presets, ServerPresets::shipped()));
  EXPECT_TRUE(logged_.empty());
}

TEST_F(LoginInputdataTest, ServersFileOverridesWhatItHoldsAndKeepsShippedValuesForTheRest) {
  const auto presets = ServerPresets::parse(
      "# comment\n"
      "  demo.host = sim.example \r\n"
      "demo.port=9310\n"
      "live.port=70000\n"        // out of range: shipped value
      "initial.passphrase=\n"    // empty: shipped value
      "colour=blue\n"            // unknown
      "no equals sign\n",
      "test.conf");
  EXPECT_EQ(presets.demoHost, "sim.example");
  EXPECT_EQ(presets.demoPort, 9310);
  EXPECT_EQ(presets.livePort, 8120);
  EXPECT_EQ(presets.liveHost, "live.tarnwickdesk.invalid");
  EXPECT_EQ(presets.initialPassPhrase, "9dA3fB71e0Cc");
  // bad port, empty pass phrase, unknown key, bad line, then the three keys left at shipped values
  EXPECT_EQ(logged_.size(), 7u);
  for (const auto& line : logged_) EXPECT_EQ(line.find("9dA3"), std::string::npos) << line;
}

TEST_F(LoginInputdataTest, TheNewsHostIsABareHostWithAnOptionalPortAndMayBeLeftOut) {
  const std::string keys = "live.host=a\nlive.port=1\ndemo.host=b\ndemo.port=2\ninitial.passphrase=c\n";
  EXPECT_EQ(ServerPresets::parse(keys + "news.host = 127.0.0.1:8411\n", "t").newsHost, "127.0.0.1:8411");
  EXPECT_EQ(ServerPresets::parse(keys, "t").newsHost, "news.tarnwickdesk.invalid");
  EXPECT_TRUE(logged_.empty());
  for (const char* bad : {"news.host=\n", "news.host=http://evil.example\n", "news.host=a/b\n",
                          "news.host=a b\n", "news.host=user@host\n", "news.host=host?x\n"}) {
    logged_.clear();
    EXPECT_EQ(ServerPresets::parse(keys + bad, "t").newsHost, "news.tarnwickdesk.invalid") << bad;
    EXPECT_EQ(logged_.size(), 1u) << bad;
  }
}

TEST_F(LoginInputdataTest, AMissingServersFileFallsBackToTheShippedValuesWithALogLine) {
  const auto presets = ServerPresets::loadFile("/nonexistent/servers.conf");
  EXPECT_TRUE(samePresets(presets, ServerPresets::shipped()));
  EXPECT_EQ(logged_.size(), 1u);
}

TEST_F(LoginInputdataTest, TheResourceDirectoryCanBeOverriddenByTheEnvironment) {
  char tmpl[] = "/tmp/td-res-XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  const fs::path dir = tmpl;
  std::ofstream(dir / "servers.conf") << "live.host=broker.example\nlive.port=8121\ndemo.host=10.0.0.2\n"
                                         "demo.port=8311\ninitial.passphrase=abc\n";
  ::setenv("TARNWICKDESK_RESOURCES", dir.c_str(), 1);
  LoginInputdata data;
  ::unsetenv("TARNWICKDESK_RESOURCES");
  fs::remove_all(dir);

  EXPECT_EQ(data.SecurityKey(), "abc");
  data.loadLiveSettings();
  EXPECT_EQ(data.IPAddress(), "broker.example");
  EXPECT_EQ(data.PortNo(), 8121);
  EXPECT_TRUE(logged_.empty());
}

TEST_F(LoginInputdataTest, FieldsMayBeReadOnOtherThreadsWhileTheSessionKeyIsReplaced) {
  LoginInputdata data(ServerPresets::shipped());
  std::thread reader([&] {
    for (int i = 0; i < 1000; ++i) {
      const auto key = data.SecurityKey();
      EXPECT_TRUE(key == "9dA3fB71e0Cc" || key.rfind("session", 0) == 0);
    }
  });
  for (int i = 0; i < 1000; ++i) data.setSecurityKey("session" + std::to_string(i));
  reader.join();
}

}  // namespace
}  // namespace td
