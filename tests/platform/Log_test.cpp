#include "platform/Log.h"

#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace td::log {
namespace {

using ::testing::ElementsAre;
namespace fs = std::filesystem;

// A directory of its own for the test's log files; the log file is closed when the test ends.
class LogFileTest : public ::testing::Test {
 protected:
  LogFileTest() : dir_(fs::temp_directory_path() / ("td-log-" + std::to_string(::getpid()) + "-" + testName())) {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    setLevel(Level::Info);
  }
  ~LogFileTest() override {
    closeFile();
    fs::remove_all(dir_);
  }
  static std::string testName() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

  std::string path(const std::string& name = "td.log") const { return (dir_ / name).string(); }

  // The lines of a file, each checked for the line format, as "LEVEL text".
  static std::vector<std::string> lines(const std::string& file) {
    static const std::regex format(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3} ((DEBUG|INFO|WARN|ERROR) .*))");
    std::ifstream in(file);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) {
      std::smatch m;
      out.push_back(std::regex_match(line, m, format) ? m[1].str() : "malformed: " + line);
    }
    return out;
  }

 private:
  fs::path dir_;
};

TEST_F(LogFileTest, StderrGetsOnlyWarningsAndErrorsWhileTheFileIsOpen) {
  ::testing::internal::CaptureStderr();
  ASSERT_TRUE(openFile(path()));
  TD_LOG_INFO("quiet");
  TD_LOG_WARN("warned");
  TD_LOG_ERROR("failed");
  closeFile();
  TD_LOG_INFO("no file");
  { std::ofstream(path("stderr")) << ::testing::internal::GetCapturedStderr(); }
  EXPECT_THAT(lines(path()), ElementsAre("INFO quiet", "WARN warned", "ERROR failed"));
  EXPECT_THAT(lines(path("stderr")), ElementsAre("WARN warned", "ERROR failed", "INFO no file"));
}

TEST_F(LogFileTest, RotatesBeforeALineWouldPassTheLimitAndKeepsThreeOldFiles) {
  { std::ofstream(path("td.log.3")) << "oldest\n"; }
  // Each line is 51 bytes: two fit under the limit, a third does not.
  ASSERT_TRUE(openFile(path(), Rotation{110, 3}));
  for (int i = 0; i < 10; ++i) TD_LOG_INFO("line " + std::to_string(i) + std::string(15, '.'));
  const auto named = [](int i) { return "INFO line " + std::to_string(i) + std::string(15, '.'); };
  EXPECT_THAT(lines(path()), ElementsAre(named(8), named(9)));
  EXPECT_THAT(lines(path("td.log.1")), ElementsAre(named(6), named(7)));
  EXPECT_THAT(lines(path("td.log.2")), ElementsAre(named(4), named(5)));
  EXPECT_THAT(lines(path("td.log.3")), ElementsAre(named(2), named(3)));
  EXPECT_FALSE(fs::exists(path("td.log.4")));
  // A file already past the limit when it is opened is rotated by its first line.
  ASSERT_TRUE(openFile(path(), Rotation{60, 3}));
  TD_LOG_INFO("after");
  EXPECT_THAT(lines(path()), ElementsAre("INFO after"));
  EXPECT_THAT(lines(path("td.log.1")), ElementsAre(named(8), named(9)));
}

TEST_F(LogFileTest, ALineWhoseRotationCannotOpenANewFileGoesToStderr) {
  fs::create_directories(path("sub"));
  ASSERT_TRUE(openFile(path("sub") + "/td.log", Rotation{60, 3}));
  TD_LOG_INFO("first line, kept in the file");
  // The folder goes away: the rotation finds nothing to move and cannot begin a new file.
  fs::rename(path("sub"), path("gone"));
  ::testing::internal::CaptureStderr();
  TD_LOG_INFO("the line that rotates");
  TD_LOG_INFO("the line after");
  { std::ofstream(path("stderr")) << ::testing::internal::GetCapturedStderr(); }
  EXPECT_THAT(lines(path("gone/td.log")), ElementsAre("INFO first line, kept in the file"));
  EXPECT_THAT(lines(path("stderr")), ElementsAre("malformed: cannot open log file " + path("sub") + "/td.log",
                                                 "INFO the line that rotates", "INFO the line after"));
}

TEST_F(LogFileTest, LinesFromSeveralThreadsArriveWholeAndInOrderAcrossRotations) {
  ASSERT_TRUE(openFile(path(), Rotation{4096, 50}));
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 200; ++i) TD_LOG_INFO("t" + std::to_string(t) + " " + std::to_string(i));
    });
  }
  for (auto& th : threads) th.join();
  closeFile();
  std::vector<std::string> all;
  for (int i = 50; i >= 1; --i) {
    for (const std::string& line : lines(path("td.log." + std::to_string(i)))) all.push_back(line);
  }
  for (const std::string& line : lines(path())) all.push_back(line);
  ASSERT_EQ(all.size(), 800u);
  EXPECT_TRUE(fs::exists(path("td.log.5"))) << "the lines took several files";
  int next[4] = {};
  for (const std::string& line : all) {
    int t = -1, i = -1;
    ASSERT_EQ(std::sscanf(line.c_str(), "INFO t%d %d", &t, &i), 2) << line;
    ASSERT_TRUE(t >= 0 && t < 4) << line;
    EXPECT_EQ(i, next[t]++) << line;
  }
}

TEST(LogMasking, PasswordTagsAreMaskedOtherTagsKept) {
  const std::string body = "10=32\x03" "23=alice\x03" "18=secret\x03" "103=old\x03" "104=new\x03" "118=x";
  EXPECT_EQ(maskSecrets(body), "10=32\x03" "23=alice\x03" "18=******\x03" "103=******\x03" "104=******\x03" "118=x");
}

TEST(LogMasking, TagsThatOnlyEndInASecretTagAreNotMasked) {
  // 118 and 1018 end in "18" but are not password tags.
  EXPECT_EQ(maskSecrets("118=a\x03" "1018=b\x03"), "118=a\x03" "1018=b\x03");
  EXPECT_EQ(maskSecrets("18="), "18=******");
  EXPECT_EQ(maskSecrets(""), "");
}

TEST(LogSink, LinesBelowTheThresholdAreDroppedAndConcurrentLinesAllArrive) {
  std::vector<std::string> lines;
  setSink([&](Level, std::string_view text) { lines.emplace_back(text); });
  setLevel(Level::Warning);
  TD_LOG_INFO("dropped");
  TD_LOG_WARN("kept");
  setLevel(Level::Info);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([] {
      for (int i = 0; i < 100; ++i) TD_LOG_INFO("line");
    });
  }
  for (auto& th : threads) th.join();
  setSink({});
  ASSERT_EQ(lines.size(), 401u);
  EXPECT_EQ(lines.front(), "kept");
}

}  // namespace
}  // namespace td::log
