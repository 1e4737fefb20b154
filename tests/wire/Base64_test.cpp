#include "wire/Base64.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "wire/NSDataAdditions.h"

namespace td {
namespace {

// RFC 4648 section 10, without the empty vector (the strict encoder gives nothing for it).
const std::vector<std::pair<std::string, std::string>> kRfc4648 = {
    {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}};

TEST(Base64Strict, Rfc4648VectorsBothWays) {
  for (const auto& [plain, encoded] : kRfc4648) {
    EXPECT_EQ(Base64::encodeBase64WithString(plain), encoded);
    EXPECT_EQ(Base64::decodeBase64WithString(encoded), plain);
  }
  EXPECT_EQ(Base64::encodeBase64WithData(std::string(1, '\0')), "AA==");
}

TEST(Base64Strict, EmptyInputGivesNoTextButAnEmptyBuffer) {
  EXPECT_EQ(Base64::encodeBase64WithData(""), std::nullopt);
  EXPECT_EQ(Base64::encodeBase64WithString(""), std::nullopt);
  EXPECT_EQ(Base64::decodeBase64WithString(""), std::string());
}

TEST(Base64Strict, WhiteSpaceIsSkippedOtherStrayCharactersFail) {
  EXPECT_EQ(Base64::decodeBase64WithString("YW Jj\r\n"), "abc");
  EXPECT_EQ(Base64::decodeBase64WithString("\tY\fWJj "), "abc");
  const std::vector<std::string> bad = {"YWJj*", "YW\vJj", "YW-j", "YW_j", std::string("YW\0j", 4), "YW\xC3\xA4j"};
  for (const std::string& text : bad) {
    EXPECT_EQ(Base64::decodeBase64WithString(text), std::nullopt) << text;
  }
}

TEST(Base64Strict, PaddingRules) {
  EXPECT_EQ(Base64::decodeBase64WithString("YWI="), "ab");
  EXPECT_EQ(Base64::decodeBase64WithString("YWI"), "ab");
  EXPECT_EQ(Base64::decodeBase64WithString("YQ"), "a");
  EXPECT_EQ(Base64::decodeBase64WithString("Y"), "");
  EXPECT_EQ(Base64::decodeBase64WithString("Y="), std::nullopt);
  EXPECT_EQ(Base64::decodeBase64WithString("YWJjY="), std::nullopt);
  // A doubled "=" is taken as one unit, even after a single data character.
  EXPECT_EQ(Base64::decodeBase64WithString("Y=="), "");
  // Padding does not end the text: the grouping carries on across it.
  EXPECT_EQ(Base64::decodeBase64WithString("YQ==YWJj"), Base64::decodeBase64WithString("YQYWJj"));
  EXPECT_EQ(Base64::decodeBase64WithString("YQ==YWJj")->size(), 4u);
}

TEST(Base64Strict, RandomBuffersRoundTripAndSurviveLineBreaks) {
  std::mt19937 rng(7);
  for (std::size_t n = 1; n < 200; ++n) {
    std::string data(n, '\0');
    for (char& c : data) c = static_cast<char>(rng());
    const std::string encoded = *Base64::encodeBase64WithData(data);
    EXPECT_EQ(encoded.size(), (n + 2) / 3 * 4);
    EXPECT_EQ(Base64::decodeBase64WithString(encoded), data);
    const std::string wrapped = NSDataAdditions::base64EncodingWithLineLength(data, 76);
    EXPECT_EQ(Base64::decodeBase64WithString(wrapped), data);
    EXPECT_EQ(NSDataAdditions::dataWithBase64EncodedString(wrapped), data);
  }
}

TEST(Base64Lenient, DecoderIgnoresStrayBytesAndStopsAtTheFirstPadding) {
  EXPECT_EQ(NSDataAdditions::dataWithBase64EncodedString("YW*Jj"), "abc");
  EXPECT_EQ(NSDataAdditions::dataWithBase64EncodedString("YWI=YWJj"), "ab");
  EXPECT_EQ(NSDataAdditions::dataWithBase64EncodedString("YQ==YWJj"), "a");
  EXPECT_EQ(NSDataAdditions::dataWithBase64EncodedString("YWJjYQ"), "abc");  // unpadded tail dropped
  EXPECT_EQ(NSDataAdditions::dataWithBase64EncodedString("YWJjY="), "abc`");  // one held character
  EXPECT_EQ(NSDataAdditions::dataWithBase64EncodedString("=YWJj"), "");
  EXPECT_EQ(NSDataAdditions::dataWithBase64EncodedString("YW\xC3\xA4Jj"), "");
  EXPECT_EQ(NSDataAdditions::dataWithBase64EncodedString(""), "");
}

TEST(Base64Lenient, EncoderLineBreaksAndEmptyBuffer) {
  EXPECT_EQ(NSDataAdditions::base64Encoding(""), "");
  EXPECT_EQ(NSDataAdditions::base64Encoding("ab"), "YWI=");
  EXPECT_EQ(NSDataAdditions::base64EncodingWithLineLength("abcdefghijkl", 10), "YWJjZGVmZ2hp\namts");
  EXPECT_EQ(NSDataAdditions::base64EncodingWithLineLength("abcdef", 8), "YWJjZGVm\n");
  EXPECT_EQ(NSDataAdditions::base64EncodingWithLineLength("abcdefghijkl", 0), "YWJjZGVmZ2hpamts");
}

}  // namespace
}  // namespace td
