#pragma once
// Shared by the request tests: a sink that records frames, a MessageBase over it, and the opening of
// an envelope frame back into its plain frame.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "wire/Base64.h"
#include "wire/Crypto.h"
#include "wire/MessageBase.h"

// The field separator, for writing golden bodies by hand: "10=1018" S "20=8" S.
#define S "\x03"

namespace td::testing {

struct SentFrame {
  std::string frame;
  bool toZMQ;
};

class RecordingSink : public MessageSink {
 public:
  bool SendMessage(std::string_view frame, bool toZMQ) override {
    sent.push_back({std::string(frame), toZMQ});
    return accept;
  }
  void PingHandedToEnvelope() override { ++pingsNoted; }

  std::vector<SentFrame> sent;
  bool accept = true;
  int pingsNoted = 0;
};

// A frame of an ASCII body: 0x01, the length, 0x03, the body, 0x02.
inline std::string asciiFrame(std::string_view body) {
  return "\x01" + std::to_string(body.size()) + "\x03" + std::string(body) + "\x02";
}

struct OpenedEnvelope {
  std::string inner;
  bool initial = false;
};

// Checks the envelope's frame and fields and decrypts field 27 under the pass phrase.
inline ::testing::AssertionResult openEnvelope(const std::string& frame, const std::string& passPhrase,
                                               OpenedEnvelope& out) {
  if (frame.size() < 3 || frame.front() != '\x01' || frame.back() != '\x02')
    return ::testing::AssertionFailure() << "not framed";
  const std::size_t lengthEnd = frame.find('\x03');
  const std::string body = frame.substr(lengthEnd + 1, frame.size() - lengthEnd - 2);
  if (frame.substr(1, lengthEnd - 1) != std::to_string(body.size()))
    return ::testing::AssertionFailure() << "length " << frame.substr(1, lengthEnd - 1) << " for " << body.size();
  const std::string head = "10=76\x03" "27=";
  if (body.rfind(head, 0) != 0) return ::testing::AssertionFailure() << "no 10=76, 27= head";
  const std::size_t textEnd = body.find('\x03', head.size());
  const std::string tail = body.substr(textEnd + 1);
  if (tail == "1153=2\x03" "1132=2\x03") {
    out.initial = true;
  } else if (tail.empty()) {
    out.initial = false;
  } else {
    return ::testing::AssertionFailure() << "unexpected envelope tail";
  }
  const auto cipherText = Base64::decodeBase64WithString(body.substr(head.size(), textEnd - head.size()));
  if (!cipherText) return ::testing::AssertionFailure() << "field 27 is no Base64";
  const auto plain = Crypto::transformData(*cipherText, Crypto::kAlgorithmAES, Crypto::kDecrypt, passPhrase);
  if (!plain) return ::testing::AssertionFailure() << "field 27 does not decrypt";
  out.inner = *plain;
  return ::testing::AssertionSuccess();
}

// A MessageBase over a recording sink, with the values most request tests use.
class RequestTest : public ::testing::Test {
 protected:
  RequestTest() : messageBase(sink, [this] { return passPhrase; }) {}

  // The one frame sent over the TCP session, opened; checks the initial marks.
  std::string sentEnveloped(bool expectInitial) {
    EXPECT_EQ(sink.sent.size(), 1u);
    if (sink.sent.size() != 1) return {};
    EXPECT_FALSE(sink.sent[0].toZMQ);
    OpenedEnvelope opened;
    EXPECT_TRUE(openEnvelope(sink.sent[0].frame, passPhrase, opened));
    EXPECT_EQ(opened.initial, expectInitial);
    return opened.inner;
  }

  // The one plain frame sent to the request channel.
  std::string sentPlain() {
    EXPECT_EQ(sink.sent.size(), 1u);
    if (sink.sent.size() != 1) return {};
    EXPECT_TRUE(sink.sent[0].toZMQ);
    return sink.sent[0].frame;
  }

  std::string passPhrase = "9dA3fB71e0Cc";
  RecordingSink sink;
  MessageBase messageBase;
};

}  // namespace td::testing
