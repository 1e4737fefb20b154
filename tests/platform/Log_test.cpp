#include "platform/Log.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace td::log {
namespace {

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
