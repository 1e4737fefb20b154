#include "platform/Defaults.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/Log.h"

namespace td {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeFile(const fs::path& p, const std::string& content) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << content;
}

unsigned modeOf(const fs::path& p) {
  struct stat st {};
  EXPECT_EQ(::stat(p.c_str(), &st), 0);
  return st.st_mode & 0777;
}

std::vector<std::string> namesIn(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class DefaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/td-defaults-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    file_ = dir_ / "tarnwickdesk" / "defaults.json";
    log::setSink([this](log::Level level, std::string_view text) {
      if (level >= log::Level::Warning) logged_.emplace_back(text);
    });
  }
  void TearDown() override {
    log::setSink({});
    std::error_code ec;
    fs::permissions(dir_ / "tarnwickdesk", fs::perms::owner_all, ec);
    fs::remove_all(dir_, ec);
  }

  fs::path dir_;
  fs::path file_;
  std::vector<std::string> logged_;  // written only by this test's thread's calls
};

// Wraps the real file layer; can fail writes the way a crash would leave them.
class FaultyIO final : public DefaultsFileIO {
 public:
  ReadResult read(const fs::path& file) override { return real_->read(file); }
  std::optional<DefaultsError> writeAtomically(const fs::path& file, std::string_view content) override {
    if (failWrites) {
      // What a crash half way leaves behind: a partial temporary file next to the real one.
      writeFile(file.parent_path() / ("." + file.filename().string() + ".tmp-crash"),
                std::string(content.substr(0, content.size() / 2)));
      return DefaultsError{"Defaults", 28, "disk full"};
    }
    return real_->writeAtomically(file, content);
  }
  std::optional<DefaultsError> rename(const fs::path& from, const fs::path& to) override {
    if (failRenames) return DefaultsError{"Defaults", 13, "permission denied"};
    return real_->rename(from, to);
  }
  bool failWrites = false;
  bool failRenames = false;

 private:
  std::shared_ptr<DefaultsFileIO> real_ = DefaultsFileIO::posix();
};

TEST_F(DefaultsTest, EveryTypeRoundTripsThroughTheFile) {
  Bytes allBytes;
  for (int i = 0; i < 256; ++i) allBytes.push_back(static_cast<std::uint8_t>(i));
  const std::vector<std::string> watchlist{"EURUSD", "XAUUSD", "", "黄金"};
  {
    Defaults d(file_);
    d.setBool("SoundKey", true);
    d.setBool("False", false);
    d.setInteger("LanguageKey", 1);
    d.setInteger("Min", std::numeric_limits<std::int64_t>::min());
    d.setInteger("Max", std::numeric_limits<std::int64_t>::max());
    d.setDouble("Tenth", 0.1);
    d.setDouble("Whole", 2.0);
    d.setDouble("NaN", std::numeric_limits<double>::quiet_NaN());
    d.setDouble("NegInf", -std::numeric_limits<double>::infinity());
    d.setString("Live", "QUJD+/==");
    d.setString("Empty", "");
    d.setString("Chinese", "简体中文 \"quoted\"\n");
    d.setStringArray("alice", watchlist);
    d.setStringArray("NoItems", {});
    d.setData("Bytes", allBytes);
    d.setData("NoBytes", {});
    d.setData("TwoBytes", {0xff, 0x00});
    ASSERT_FALSE(d.synchronize().has_value());
  }
  Defaults d(file_);
  EXPECT_EQ(d.boolValue("SoundKey"), true);
  EXPECT_EQ(d.boolValue("False"), false);
  EXPECT_EQ(d.integerValue("LanguageKey"), 1);
  EXPECT_EQ(d.integerValue("Min"), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(d.integerValue("Max"), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(d.doubleValue("Tenth"), 0.1);
  ASSERT_TRUE(d.object("Whole").has_value());
  EXPECT_TRUE(std::holds_alternative<double>(*d.object("Whole")));  // not read back as an integer
  EXPECT_TRUE(std::isnan(*d.doubleValue("NaN")));
  EXPECT_EQ(d.doubleValue("NegInf"), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(d.stringValue("Live"), "QUJD+/==");
  EXPECT_EQ(d.stringValue("Empty"), "");
  EXPECT_EQ(d.stringValue("Chinese"), "简体中文 \"quoted\"\n");
  EXPECT_EQ(d.stringArrayValue("alice"), watchlist);
  EXPECT_EQ(d.stringArrayValue("NoItems"), std::vector<std::string>{});
  EXPECT_EQ(d.dataValue("Bytes"), allBytes);
  EXPECT_EQ(d.dataValue("NoBytes"), Bytes{});
  EXPECT_EQ(d.dataValue("TwoBytes"), (Bytes{0xff, 0x00}));
  EXPECT_FALSE(d.dirty());
  EXPECT_TRUE(logged_.empty());

  // Bytes are tagged Base64 in the JSON text, so they never read back as text.
  EXPECT_NE(readFile(file_).find(R"("TwoBytes": {)" "\n    " R"("base64": "/wA=")"), std::string::npos);
  EXPECT_FALSE(d.stringValue("TwoBytes").has_value());
}

TEST_F(DefaultsTest, AbsentOrMistypedKeysGiveNothingAndTheUsualDefaults) {
  Defaults d(file_);
  EXPECT_FALSE(d.object("IdleTime").has_value());
  EXPECT_EQ(d.integerForKey("IdleTime"), 0);
  EXPECT_FALSE(d.boolForKey("SoundKey"));
  EXPECT_EQ(d.doubleForKey("X"), 0.0);

  d.setString("Text", "5");
  d.setStringArray("List", {"a"});
  EXPECT_FALSE(d.integerValue("Text").has_value());
  EXPECT_FALSE(d.stringValue("List").has_value());
  EXPECT_FALSE(d.dataValue("Text").has_value());
  EXPECT_FALSE(d.stringArrayValue("Text").has_value());

  // Numbers convert among themselves.
  d.setDouble("D", -2.9);
  d.setBool("B", true);
  d.setInteger("I", 0);
  d.setDouble("Huge", 1e300);
  d.setDouble("NaN", std::nan(""));
  EXPECT_EQ(d.integerValue("D"), -2);
  EXPECT_EQ(d.integerValue("B"), 1);
  EXPECT_EQ(d.boolValue("I"), false);
  EXPECT_EQ(d.doubleValue("I"), 0.0);
  EXPECT_EQ(d.integerValue("Huge"), std::numeric_limits<std::int64_t>::max());
  EXPECT_FALSE(d.integerValue("NaN").has_value());

  d.removeObject("D");
  EXPECT_FALSE(d.object("D").has_value());
}

TEST_F(DefaultsTest, SettersWriteNothingUntilSynchronizeWhichWritesMode0600AndLeavesNoTemporaryFile) {
  Defaults d(file_);
  EXPECT_FALSE(d.dirty());
  d.setInteger("LanguageKey", 1);
  EXPECT_TRUE(d.dirty());
  EXPECT_FALSE(fs::exists(file_));
  ASSERT_FALSE(d.synchronize().has_value());
  EXPECT_FALSE(d.dirty());
  EXPECT_EQ(modeOf(file_), 0600u);
  EXPECT_EQ(modeOf(file_.parent_path()), 0700u);
  EXPECT_EQ(namesIn(file_.parent_path()), std::vector<std::string>{"defaults.json"});

  // A file another program left readable by others comes back 0600 at the next write.
  ::chmod(file_.c_str(), 0644);
  d.setBool("SoundKey", false);
  ASSERT_FALSE(d.synchronize().has_value());
  EXPECT_EQ(modeOf(file_), 0600u);
}

TEST_F(DefaultsTest, DestroyingADirtyStoreWritesIt) {
  { Defaults(file_).setString("Demo", "x"); }
  EXPECT_EQ(Defaults(file_).stringValue("Demo"), "x");
}

TEST_F(DefaultsTest, DamagedFilesAreMovedAsideWithALogLineAndTheStoreStartsEmpty) {
  const std::string damaged[] = {"{\"Live\": \"abc\", trunc", "[1, 2]", "", "\xff\xfe garbage"};
  for (const auto& content : damaged) {
    SCOPED_TRACE(content);
    fs::create_directories(file_.parent_path());
    for (const auto& name : namesIn(file_.parent_path())) fs::remove(file_.parent_path() / name);
    writeFile(file_, content);
    logged_.clear();

    Defaults d(file_);
    EXPECT_TRUE(d.keys().empty());
    EXPECT_FALSE(fs::exists(file_));
    const auto names = namesIn(file_.parent_path());
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].rfind("defaults.json.corrupt-", 0), 0u);
    EXPECT_EQ(readFile(file_.parent_path() / names[0]), content);  // kept byte for byte
    ASSERT_EQ(logged_.size(), 1u);
    EXPECT_NE(logged_[0].find("corrupt-"), std::string::npos);

    d.setInteger("LanguageKey", 1);
    ASSERT_FALSE(d.synchronize().has_value());
    EXPECT_EQ(Defaults(file_).integerValue("LanguageKey"), 1);
  }
}

TEST_F(DefaultsTest, AnUnreadableFileIsMovedAsideToo) {
  fs::create_directories(file_);  // a directory where the file should be: reading fails
  Defaults d(file_);
  EXPECT_TRUE(d.keys().empty());
  EXPECT_FALSE(fs::exists(file_));
  EXPECT_EQ(logged_.size(), 1u);
  d.setBool("SoundKey", true);
  EXPECT_FALSE(d.synchronize().has_value());
}

TEST_F(DefaultsTest, AnEntryOfUnknownFormIsDroppedAndTheOthersKept) {
  fs::create_directories(file_.parent_path());
  writeFile(file_, R"({"Live": "abc", "Odd": {"what": 1}, "Mixed": [1, "a"], "Big": 18446744073709551615,
                      "BadBytes": {"base64": "%%%%"}, "IdleTime": 15})");
  Defaults d(file_);
  EXPECT_EQ(d.keys(), (std::vector<std::string>{"IdleTime", "Live"}));
  EXPECT_EQ(logged_.size(), 4u);
  EXPECT_TRUE(fs::exists(file_));
}

TEST_F(DefaultsTest, AFailedWriteKeepsThePreviousFileAndTheValuesInMemory) {
  auto io = std::make_shared<FaultyIO>();
  {
    Defaults d(file_, io);
    d.setString("Live", "first");
    ASSERT_FALSE(d.synchronize().has_value());
  }
  const std::string before = readFile(file_);

  Defaults d(file_, io);
  d.setString("Live", "second");
  io->failWrites = true;
  const auto error = d.synchronize();
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->code, 28);
  EXPECT_TRUE(d.dirty());
  EXPECT_EQ(d.stringValue("Live"), "second");
  EXPECT_EQ(readFile(file_), before);
  // The half-written temporary file left by the "crash" does not disturb the next reader.
  EXPECT_EQ(Defaults(file_).stringValue("Live"), "first");
  EXPECT_FALSE(logged_.empty());

  io->failWrites = false;
  ASSERT_FALSE(d.synchronize().has_value());
  EXPECT_EQ(Defaults(file_).stringValue("Live"), "second");
}

TEST_F(DefaultsTest, AWriteIntoAReadOnlyDirectoryFailsAndKeepsThePreviousFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only directories";
  Defaults d(file_);
  d.setString("Live", "first");
  ASSERT_FALSE(d.synchronize().has_value());
  fs::permissions(file_.parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
  d.setString("Live", "second");
  EXPECT_TRUE(d.synchronize().has_value());
  fs::permissions(file_.parent_path(), fs::perms::owner_all);
  EXPECT_EQ(Defaults(file_).stringValue("Live"), "first");
}

TEST_F(DefaultsTest, ADamagedFileThatCannotBeMovedAsideIsNeverOverwritten) {
  fs::create_directories(file_.parent_path());
  writeFile(file_, "{damaged");
  auto io = std::make_shared<FaultyIO>();
  io->failRenames = true;
  {
    Defaults d(file_, io);
    d.setString("Live", "new");
    EXPECT_TRUE(d.synchronize().has_value());
  }  // the destructor's write is refused as well
  EXPECT_EQ(readFile(file_), "{damaged");
}

TEST_F(DefaultsTest, ConcurrentSettersAndSynchronizeLoseNoValue) {
  constexpr int kThreads = 4, kKeys = 50;
  {
    Defaults d(file_);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        for (int k = 0; k < kKeys; ++k) {
          d.setInteger("k" + std::to_string(t) + "_" + std::to_string(k), k);
          if (k % 10 == 0) {
            EXPECT_FALSE(d.synchronize().has_value());
          }
          (void)d.integerValue("k0_0");
        }
      });
    }
    for (auto& th : threads) th.join();
    EXPECT_FALSE(d.synchronize().has_value());
  }
  Defaults d(file_);
  EXPECT_EQ(d.keys().size(), static_cast<size_t>(kThreads * kKeys));
  EXPECT_EQ(d.integerValue("k3_49"), 49);
}

TEST(DefaultsLocation, FollowsXdgConfigHomeElseHome) {
  const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
  const std::string savedXdg = oldXdg ? oldXdg : "";
  const char* oldHome = std::getenv("HOME");
  const std::string savedHome = oldHome ? oldHome : "";

  ::setenv("XDG_CONFIG_HOME", "/x/config", 1);
  EXPECT_EQ(Defaults::defaultFilePath(), fs::path("/x/config/tarnwickdesk/defaults.json"));
  ::setenv("XDG_CONFIG_HOME", "", 1);
  ::setenv("HOME", "/home/u", 1);
  EXPECT_EQ(Defaults::defaultFilePath(), fs::path("/home/u/.config/tarnwickdesk/defaults.json"));
  ::setenv("XDG_CONFIG_HOME", "relative/dir", 1);
  EXPECT_EQ(Defaults::defaultFilePath(), fs::path("/home/u/.config/tarnwickdesk/defaults.json"));

  if (oldXdg) ::setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1); else ::unsetenv("XDG_CONFIG_HOME");
  if (oldHome) ::setenv("HOME", savedHome.c_str(), 1); else ::unsetenv("HOME");
}

}  // namespace
}  // namespace td
