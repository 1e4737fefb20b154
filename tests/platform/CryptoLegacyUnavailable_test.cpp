// Runs with the provider search path pointing nowhere, so OpenSSL's legacy provider cannot be loaded.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/CryptoPrimitives.h"
#include "platform/Log.h"

namespace td::crypto {
namespace {

const bool kNoModules = [] { return setenv("OPENSSL_MODULES", "/nonexistent/ossl-modules", 1) == 0; }();

TEST(CryptoWithoutLegacyProvider, DesAndRc2YieldNothingWithOneLineEachOthersWork) {
  ASSERT_TRUE(kNoModules);
  std::vector<std::string> lines;
  log::setSink([&](log::Level, std::string_view text) { lines.emplace_back(text); });
  EXPECT_FALSE(cipherAvailable(Cipher::DesCbc));
  EXPECT_FALSE(cbcTransform(Cipher::DesCbc, Direction::Encrypt, std::string(8, 'k'), std::string(8, 'i'), "x"));
  EXPECT_FALSE(cbcTransform(Cipher::Rc2Cbc, Direction::Encrypt, std::string(16, 'k'), std::string(8, 'i'), "x"));
  EXPECT_TRUE(cbcTransform(Cipher::TripleDesCbc, Direction::Encrypt, std::string(24, 'k'), std::string(8, 'i'), "x"));
  EXPECT_TRUE(cbcTransform(Cipher::Aes256Cbc, Direction::Encrypt, std::string(32, 'k'), std::string(16, 'i'), "x"));
  log::setSink({});
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("DES-CBC unavailable"), std::string::npos);
  EXPECT_NE(lines[1].find("RC2-CBC unavailable"), std::string::npos);
}

}  // namespace
}  // namespace td::crypto
