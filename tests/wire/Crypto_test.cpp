#include "wire/Crypto.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/CryptoPrimitives.h"
#include "platform/Log.h"

namespace td {
namespace {

std::string hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (const char b : bytes) {
    out.push_back(kDigits[static_cast<unsigned char>(b) >> 4]);
    out.push_back(kDigits[static_cast<unsigned char>(b) & 15]);
  }
  return out;
}

constexpr std::string_view kInitial = "9dA3fB71e0Cc";
constexpr std::string_view kInitialKey = "da7227bc6eb73249c968104789d7ba622cfacb40b702a48e017bb46c580c02f2";

TEST(CryptoDerivation, InitialPassPhraseGivesTheKnownSaltKeyAndIv) {
  const std::string salt = Crypto::generateSalt(kInitial.size() + 1);
  EXPECT_EQ(hex(salt), "000102030405060708090a0b0c");
  EXPECT_EQ(hex(*Crypto::keyBySaltingPassword(kInitial, salt, 32, 1000)), kInitialKey);
  EXPECT_EQ(hex(*Crypto::keyBySaltingPassword(kInitial, salt, 16, 1000)), kInitialKey.substr(0, 32));
  EXPECT_EQ(Crypto::generateSalt(300)[256], '\0');
  EXPECT_EQ(Crypto::generateSalt(1), std::string(1, '\0'));
  EXPECT_EQ(Crypto::keyBySaltingPassword("", Crypto::generateSalt(1), 32, 1000)->size(), 32u);
}

TEST(CryptoTransform, MatchesADirectCipherWithTheDerivedKeyAndIv) {
  const std::string frame = "\x01" "31\x03" "10=1018\x03" "20=5\x03" "21=20240102030405\x03" "\x02";
  const auto viaCrypto = Crypto::transformData(frame, Crypto::kAlgorithmAES, Crypto::kEncrypt, kInitial);
  const std::string key = *Crypto::keyBySaltingPassword(kInitial, Crypto::generateSalt(13), 32, 1000);
  const auto direct =
      crypto::cbcTransform(crypto::Cipher::Aes256Cbc, crypto::Direction::Encrypt, key, key.substr(0, 16), frame);
  ASSERT_TRUE(viaCrypto);
  EXPECT_EQ(*viaCrypto, *direct);
  // Cached or not, every call gives the same bytes, and decryption restores the frame.
  EXPECT_EQ(Crypto::transformData(frame, Crypto::kAlgorithmAES, Crypto::kEncrypt, kInitial), viaCrypto);
  EXPECT_EQ(Crypto::transformData(*viaCrypto, Crypto::kAlgorithmAES, Crypto::kDecrypt, kInitial), frame);
}

TEST(CryptoTransform, PaddingAlwaysAddsOneToSixteenBytes) {
  for (std::size_t n = 0; n <= 33; ++n) {
    const auto sealed = Crypto::transformData(std::string(n, 'a'), 0, 0, "pass");
    ASSERT_TRUE(sealed);
    EXPECT_EQ(sealed->size(), (n / 16 + 1) * 16) << n;
  }
}

TEST(CryptoTransform, NonAsciiPassPhraseSaltCountsUtf16UnitsAndKeyUsesAllBytes) {
  const std::string phrase = "p\xC3\xA4ss\xF0\x9F\x94\x91";  // p, a-umlaut, s, s, a key emoji: 6 UTF-16 units
  const std::string key = *Crypto::keyBySaltingPassword(phrase, Crypto::generateSalt(7), 32, 1000);
  const auto direct =
      crypto::cbcTransform(crypto::Cipher::Aes256Cbc, crypto::Direction::Encrypt, key, key.substr(0, 16), "x");
  EXPECT_EQ(Crypto::transformData("x", 0, 0, phrase), direct);
}

TEST(CryptoTransform, WrongPassPhraseNeverRestoresThePlainText) {
  const std::string plain = "10=62\x03" "20=7\x03";
  for (int i = 0; i < 20; ++i) {
    const std::string phrase = "phrase" + std::to_string(i);
    const auto sealed = Crypto::transformData(plain, 0, 0, phrase);
    const auto opened = Crypto::transformData(*sealed, 0, 1, phrase + "x");
    EXPECT_TRUE(!opened || *opened != plain);
  }
}

TEST(CryptoTransform, LegacyAlgorithmsRoundTripAndUnknownOnesYieldNothingWithALogLine) {
  for (const std::uint32_t algorithm : {Crypto::kAlgorithmDES, Crypto::kAlgorithm3DES, Crypto::kAlgorithmRC2}) {
    const auto sealed = Crypto::transformData("remembered", algorithm, Crypto::kEncrypt, kInitial);
    ASSERT_TRUE(sealed) << algorithm;
    EXPECT_EQ(sealed->size(), 16u);
    EXPECT_EQ(Crypto::transformData(*sealed, algorithm, Crypto::kDecrypt, kInitial), "remembered");
  }
  std::vector<std::string> lines;
  log::setSink([&](log::Level, std::string_view text) { lines.emplace_back(text); });
  EXPECT_FALSE(Crypto::transformData("x", 3, 0, kInitial));
  EXPECT_FALSE(Crypto::transformData("x", 4, 0, kInitial));
  EXPECT_FALSE(Crypto::transformData("x", 0, 2, kInitial));
  log::setSink({});
  EXPECT_EQ(lines.size(), 3u);
}

TEST(CryptoTransform, ConcurrentCallsOverManyPassPhrasesAgreeWithSequentialOnes) {
  // More pass phrases than the cache holds, so entries are evicted while other threads read.
  std::vector<std::string> expected;
  for (int p = 0; p < 12; ++p) expected.push_back(*Crypto::transformData("frame", 0, 0, "phrase-" + std::to_string(p)));
  std::vector<std::thread> threads;
  std::vector<int> mismatches(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 3; ++round) {
        for (int p = 0; p < 12; ++p) {
          const int phrase = (p + t * 3) % 12;
          const auto sealed = Crypto::transformData("frame", 0, 0, "phrase-" + std::to_string(phrase));
          if (sealed != expected[phrase]) ++mismatches[t];
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace td
