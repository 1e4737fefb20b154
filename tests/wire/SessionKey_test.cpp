#include "wire/SessionKey.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Log.h"
#include "wire/Base64.h"
#include "wire/Crypto.h"
#include "wire/NSDataAdditions.h"

namespace td {
namespace {

TEST(SessionKey, KnownDerivation) {
  EXPECT_EQ(GenerateNewEncryptionKey("alice", "secret", "77", "20240102030405"),
            "/gAVnSkcnFh9Nugi4QpzXSSxfOblVl2KI6O9H4tV/SROVrjWDOBZlLmo9+UBIe2RNcWS0hfkYJDdnw0gR4HLVw==");
}

TEST(SessionKey, ShortTextIsPaddedToThirtyTwoCharactersLongTextIsNot) {
  const auto digestOf = [](const std::string& text) {
    return *Base64::encodeBase64WithData(Crypto::computeSHA512DigestForString(text));
  };
  // 5 + 4 + 2 + 9 = 20 characters: 12 dashes are added.
  EXPECT_EQ(GenerateNewEncryptionKey("bobby", "pass", "12", "202401020"), digestOf("bobbypass12202401020------------"));
  const std::string user(40, 'u');
  EXPECT_EQ(GenerateNewEncryptionKey(user, "p", "1", "2"), digestOf(user + "p12"));
  // Padding counts characters, not bytes: "\xC3\xA4" is one character.
  EXPECT_EQ(GenerateNewEncryptionKey("\xC3\xA4", "", "", ""), digestOf("\xC3\xA4" + std::string(31, '-')));
  // A missing piece is written as "(null)".
  EXPECT_EQ(GenerateNewEncryptionKey("alice", "secret", std::nullopt, "20240102030405"),
            digestOf("alicesecret(null)20240102030405-"));  // 31 characters
  const std::string key = GenerateNewEncryptionKey("", "", "", "");
  EXPECT_EQ(key.size(), 88u);
  EXPECT_EQ(key.substr(86), "==");
}

std::string payload(std::string_view prefix, std::string_view text) {
  return *Base64::encodeBase64WithData(std::string(prefix) + *NSDataAdditions::gzipDeflate(text));
}

TEST(DecompressData, SkipsFourUnreadBytesAndInflatesUtf8Text) {
  const std::string text = "\x01" "12\x03" "10=18\x03" "24=\xE2\x82\xAC\x03" "\x02";
  EXPECT_EQ(decompressData(payload(std::string(4, '\0'), text)), text);
  EXPECT_EQ(decompressData(payload("\xFF\x01\x7F\x80", text)), text);
  EXPECT_EQ(decompressData(*Base64::encodeBase64WithData("abcd")), "");
}

TEST(DecompressData, EachFailureYieldsNothingWithOneLogLine) {
  std::vector<std::string> lines;
  log::setSink([&](log::Level, std::string_view line) { lines.emplace_back(line); });
  const std::vector<std::string> bad = {
      "not*base64",                                          // does not decode
      *Base64::encodeBase64WithData("abc"),                  // shorter than the prefix
      payload("abcd", "x").substr(0, 20),                    // cut short
      *Base64::encodeBase64WithData("abcd" + std::string(30, 'z')),  // not compressed
      payload("abcd", "bad \xC3\x28 utf-8"),                 // not UTF-8
      payload("abcd", "surrogate \xED\xA0\x80"),
  };
  for (const std::string& text : bad) {
    lines.clear();
    EXPECT_EQ(decompressData(text), std::nullopt) << text;
    EXPECT_EQ(lines.size(), 1u) << text;
  }
  log::setSink({});
}

}  // namespace
}  // namespace td
