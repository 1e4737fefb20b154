#include "transport/FrameReassembler.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/Log.h"

namespace td {
namespace {

std::string frame(const std::string& body) { return "\x01" + std::to_string(body.size()) + "\x03" + body + "\x02"; }
std::string inner(const std::string& body) { return std::to_string(body.size()) + "\x03" + body; }

struct Collector {
  std::vector<std::string> frames;
  FrameReassembler reassembler{[this](std::string_view f) { frames.emplace_back(f); }};
};

class QuietLog : public ::testing::Test {
 protected:
  void SetUp() override {
    log::setSink([](log::Level, std::string_view) {});
  }
  void TearDown() override { log::setSink({}); }
};

using FrameReassemblerTest = QuietLog;

TEST_F(FrameReassemblerTest, OneAndTwoFramesSplitAtEveryBytePosition) {
  const std::string a = "10=19\x03" "11=ok\x03";
  const std::string b = "10=62\x03" "58=caf\xC3\xA9\x03";  // a two-byte UTF-8 character
  for (const std::string& stream : {frame(a), frame(a) + frame(b)}) {
    for (size_t cut = 0; cut <= stream.size(); ++cut) {
      Collector c;
      c.reassembler.feed(std::string_view(stream).substr(0, cut));
      c.reassembler.feed(std::string_view(stream).substr(cut));
      ASSERT_GE(c.frames.size(), 1u) << "cut at " << cut;
      EXPECT_EQ(c.frames[0], inner(a)) << "cut at " << cut;
      if (stream.size() > frame(a).size()) {
        ASSERT_EQ(c.frames.size(), 2u) << "cut at " << cut;
        EXPECT_EQ(c.frames[1], inner(b)) << "cut at " << cut;
      } else {
        EXPECT_EQ(c.frames.size(), 1u);
      }
      EXPECT_FALSE(c.reassembler.inFrame());
      EXPECT_EQ(c.reassembler.bytesDropped(), 0u);
    }
  }
}

TEST_F(FrameReassemblerTest, EverySplitIntoThreeChunksDeliversEachFrameOnce) {
  const std::string stream = frame("10=1019\x03") + frame("") + frame("10=33\x03" "1050=H4sI==\x03");
  for (size_t i = 0; i <= stream.size(); ++i) {
    for (size_t j = i; j <= stream.size(); ++j) {
      Collector c;
      c.reassembler.feed(std::string_view(stream).substr(0, i));
      c.reassembler.feed(std::string_view(stream).substr(i, j - i));
      c.reassembler.feed(std::string_view(stream).substr(j));
      ASSERT_EQ(c.frames.size(), 3u) << i << "," << j;
      EXPECT_EQ(c.frames[2], inner("10=33\x03" "1050=H4sI==\x03"));
    }
  }
}

TEST_F(FrameReassemblerTest, ChunkEndingRightAfterStartDeliversTheFrameBeforeIt) {
  Collector c;
  c.reassembler.feed(frame("a") + "\x01");
  ASSERT_EQ(c.frames.size(), 1u);  // complete frames are never held back
  EXPECT_TRUE(c.reassembler.inFrame());
  c.reassembler.feed("1\x03" "b\x02");
  ASSERT_EQ(c.frames.size(), 2u);
  EXPECT_EQ(c.frames[1], inner("b"));
}

TEST_F(FrameReassemblerTest, GarbageBetweenFramesIsSkippedNotMerged) {
  Collector c;
  c.reassembler.feed("junk" + frame("a") + "\x02\x02 noise \x03" + frame("b") + "tail");
  ASSERT_EQ(c.frames.size(), 2u);
  EXPECT_EQ(c.frames[0], inner("a"));
  EXPECT_EQ(c.frames[1], inner("b"));
  EXPECT_EQ(c.reassembler.bytesDropped(), std::string("junk\x02\x02 noise \x03tail").size());
  EXPECT_FALSE(c.reassembler.inFrame());
}

TEST_F(FrameReassemblerTest, FrameInterruptedByANewStartIsDropped) {
  Collector c;
  c.reassembler.feed("\x01" "5\x03" "abc");
  c.reassembler.feed(frame("ok"));
  ASSERT_EQ(c.frames.size(), 1u);
  EXPECT_EQ(c.frames[0], inner("ok"));
  EXPECT_EQ(c.reassembler.bytesDropped(), 5u);
}

TEST_F(FrameReassemblerTest, EmptyMarkersGiveAnEmptyFrameAndDoubleStartsNothing) {
  Collector c;
  c.reassembler.feed("\x01\x02");
  c.reassembler.feed("\x01\x01\x01");
  c.reassembler.feed("x\x02");
  ASSERT_EQ(c.frames.size(), 2u);
  EXPECT_EQ(c.frames[0], "");
  EXPECT_EQ(c.frames[1], "x");
}

TEST_F(FrameReassemblerTest, OversizedFrameIsDroppedUpToTheNextStart) {
  std::vector<std::string> frames;
  FrameReassembler r([&](std::string_view f) { frames.emplace_back(f); }, 16);
  r.feed("\x01" + std::string(10, 'a'));
  r.feed(std::string(10, 'b'));  // now over the limit
  EXPECT_EQ(r.pendingBytes(), 0u);
  r.feed(std::string(5, 'c') + "\x02" + frame("ok"));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], inner("ok"));
  // A whole oversized frame inside one chunk is dropped too.
  r.feed("\x01" + std::string(40, 'z') + "\x02");
  EXPECT_EQ(frames.size(), 1u);
}

TEST_F(FrameReassemblerTest, FourMebibyteFrameInOneKibibyteChunks) {
  std::string body(4u << 20, 'x');
  for (size_t i = 0; i < body.size(); i += 997) body[i] = static_cast<char>('a' + i % 26);
  const std::string stream = frame(body);
  Collector c;
  for (size_t pos = 0; pos < stream.size(); pos += 1024) {
    c.reassembler.feed(std::string_view(stream).substr(pos, 1024));
  }
  ASSERT_EQ(c.frames.size(), 1u);
  EXPECT_EQ(c.frames[0], inner(body));
}

TEST_F(FrameReassemblerTest, RandomChunkingsDeliverEveryFrameExactlyOnce) {
  std::mt19937 rng(7);
  std::vector<std::string> bodies;
  std::string stream;
  for (int i = 0; i < 300; ++i) {
    std::string body = "10=" + std::to_string(i) + "\x03";
    body.append(rng() % 50, static_cast<char>('A' + i % 26));
    bodies.push_back(inner(body));
    stream += frame(body);
  }
  for (int round = 0; round < 20; ++round) {
    Collector c;
    size_t pos = 0;
    while (pos < stream.size()) {
      const size_t len = 1 + rng() % 64;
      c.reassembler.feed(std::string_view(stream).substr(pos, len));
      pos += len;
    }
    ASSERT_EQ(c.frames, bodies);
  }
}

}  // namespace
}  // namespace td
