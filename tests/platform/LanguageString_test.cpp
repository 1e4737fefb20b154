#include "platform/LanguageString.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace td {
namespace {

namespace fs = std::filesystem;

TEST(LanguageStringKeys, ShortKeysArePaddedToFourDigitsOthersComeBackUnchanged) {
  EXPECT_EQ(LanguageString::setLanguageKey("7"), "0007");
  EXPECT_EQ(LanguageString::setLanguageKey("37"), "0037");
  EXPECT_EQ(LanguageString::setLanguageKey("417"), "0417");
  EXPECT_EQ(LanguageString::setLanguageKey("8122"), "8122");
  EXPECT_EQ(LanguageString::setLanguageKey("12345"), "12345");
  EXPECT_EQ(LanguageString::setLanguageKey(""), "");
}

TEST(LanguageStringShipped, EnglishForEveryIndexButOneWhichIsSimplifiedChinese) {
  EXPECT_EQ(LanguageString::stringforSelectedLanguage(0, "0037"), "Login");
  EXPECT_EQ(LanguageString::stringforSelectedLanguage(1, "0037"), "登录");
  EXPECT_EQ(LanguageString::stringforSelectedLanguage(2, "0037"), "Login");
  EXPECT_EQ(LanguageString::stringforSelectedLanguage(-1, "0037"), "Login");
  EXPECT_EQ(LanguageString::stringforSelectedLanguage(0, "8141"), "Connection Settings");
  EXPECT_EQ(LanguageString::stringforSelectedLanguage(0, "9999"), "9999");
  EXPECT_EQ(LanguageString::stringforSelectedLanguage(1, "9999"), "9999");
}

TEST(LanguageStringShipped, EveryLoginWindowKeyHasATextInBothLanguages) {
  for (const char* key : {"0037", "0417", "0465", "0065", "0078", "0080", "0079", "8197", "0060", "0105", "8141",
                          "8107", "8178", "8245", "8246"}) {
    const auto en = LanguageString::stringforSelectedLanguage(0, key);
    const auto zh = LanguageString::stringforSelectedLanguage(1, key);
    EXPECT_NE(en, key);
    EXPECT_NE(zh, key);
    EXPECT_NE(en, zh) << key;
  }
}

class LanguageStringFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/td-strings-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    root_ = tmpl;
  }
  void TearDown() override { fs::remove_all(root_); }
  void table(const std::string& folder, const std::string& content) {
    fs::create_directories(root_ / folder);
    std::ofstream(root_ / folder / LanguageString::kTableFileName, std::ios::binary) << content;
  }
  fs::path root_;
};

TEST_F(LanguageStringFiles, AMissingFolderGivesEmptyTextAMissingTableGivesTheKey) {
  table("en", "0037\tLogin\n");
  LanguageString strings(root_);
  EXPECT_EQ(strings.lookup(1, "0037"), "");  // no zh-Hans folder
  EXPECT_EQ(strings.lookup(0, "0037"), "Login");

  fs::create_directories(root_ / "zh-Hans");  // folder without a table
  LanguageString fresh(root_);
  EXPECT_EQ(fresh.lookup(1, "0037"), "0037");
}

TEST_F(LanguageStringFiles, EscapesCommentsAndLineEndsAreRead) {
  table("en",
        "# comment\n"
        "\n"
        "0001\tTwo\\nlines\r\n"
        "0002\tTab\\there, back\\\\slash, \\x kept\n"
        "0003\t\n"
        "no tab here\n"
        "0004\tfirst\n"
        "0004\tsecond\n");
  LanguageString strings(root_);
  EXPECT_EQ(strings.lookup(0, "0001"), "Two\nlines");
  EXPECT_EQ(strings.lookup(0, "0002"), "Tab\there, back\\slash, \\x kept");
  EXPECT_EQ(strings.lookup(0, "0003"), "");
  EXPECT_EQ(strings.lookup(0, "0004"), "second");
  EXPECT_EQ(strings.lookup(0, "no tab here"), "no tab here");
}

TEST_F(LanguageStringFiles, TablesAreReadOnceAndConcurrentLookupsAgree) {
  table("en", "0037\tLogin\n");
  table("zh-Hans", "0037\t登录\n");
  LanguageString strings(root_);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) EXPECT_EQ(strings.lookup(t % 2, "0037"), t % 2 ? "登录" : "Login");
    });
  }
  for (auto& th : threads) th.join();
  table("en", "0037\tChanged\n");  // cached: the change is not seen in this run
  EXPECT_EQ(strings.lookup(0, "0037"), "Login");
}

}  // namespace
}  // namespace td
