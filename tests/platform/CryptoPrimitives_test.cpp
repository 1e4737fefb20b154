#include "platform/CryptoPrimitives.h"

#include <gtest/gtest.h>

#include <string>

namespace td::crypto {
namespace {

std::string unhex(std::string_view hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return out;
}

template <typename Bytes>
std::string hex(const Bytes& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (const auto b : bytes) {
    out.push_back(kDigits[static_cast<unsigned char>(b) >> 4]);
    out.push_back(kDigits[static_cast<unsigned char>(b) & 15]);
  }
  return out;
}

// NIST SP 800-38A, F.2.5 and F.2.6 (CBC-AES256); the last block is the PKCS#7 padding block.
const std::string kNistKey = unhex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
const std::string kNistIv = unhex("000102030405060708090a0b0c0d0e0f");
const std::string kNistPlain = unhex(
    "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
    "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710");
const std::string kNistCipher =
    "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"
    "39f23369a9d9bacfa530e26304231461b2eb05e2c39be9fcda6c19078c6a9d1b";
const std::string kPaddingBlock = "3f461796d6b0d6b2e0c2a72b4d80e644";

TEST(CryptoPrimitivesAes, NistVectorsEncryptAndDecryptWithAPaddingBlock) {
  const auto cipher = cbcTransform(Cipher::Aes256Cbc, Direction::Encrypt, kNistKey, kNistIv, kNistPlain);
  ASSERT_TRUE(cipher);
  EXPECT_EQ(hex(*cipher), kNistCipher + kPaddingBlock);
  const auto plain =
      cbcTransform(Cipher::Aes256Cbc, Direction::Decrypt, kNistKey, kNistIv, unhex(kNistCipher + kPaddingBlock));
  ASSERT_TRUE(plain);
  EXPECT_EQ(*plain, kNistPlain);
}

TEST(CryptoPrimitivesAes, BadPaddingPartialBlocksAndWrongSizesYieldNothing) {
  // Without its padding block the last NIST block does not unpad.
  EXPECT_FALSE(cbcTransform(Cipher::Aes256Cbc, Direction::Decrypt, kNistKey, kNistIv, unhex(kNistCipher)));
  EXPECT_FALSE(cbcTransform(Cipher::Aes256Cbc, Direction::Decrypt, kNistKey, kNistIv, std::string(17, 'x')));
  EXPECT_FALSE(cbcTransform(Cipher::Aes256Cbc, Direction::Decrypt, kNistKey, kNistIv, ""));
  EXPECT_FALSE(cbcTransform(Cipher::Aes256Cbc, Direction::Encrypt, kNistKey.substr(1), kNistIv, "x"));
  EXPECT_FALSE(cbcTransform(Cipher::Aes256Cbc, Direction::Encrypt, kNistKey, kNistIv.substr(1), "x"));
  const auto empty = cbcTransform(Cipher::Aes256Cbc, Direction::Encrypt, kNistKey, kNistIv, "");
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->size(), 16u);
}

TEST(CryptoPrimitivesLegacy, DesVectorTripleDesAndRc2RoundTrip) {
  // FIPS 81 CBC example, followed by its padding block.
  const auto des = cbcTransform(Cipher::DesCbc, Direction::Encrypt, unhex("0123456789abcdef"),
                                unhex("1234567890abcdef"), "Now is the time for all ");
  ASSERT_TRUE(des);
  EXPECT_EQ(hex(*des), "e5c7cdde872bf27c43e934008c389c0f683788499a7c05f662c16a27e4fcf277");
  for (const Cipher cipher : {Cipher::DesCbc, Cipher::TripleDesCbc, Cipher::Rc2Cbc}) {
    const CipherSizes sizes = sizesOf(cipher);
    const std::string key(sizes.keyLength, 'k');
    const std::string iv(sizes.ivLength, 'i');
    const auto sealed = cbcTransform(cipher, Direction::Encrypt, key, iv, "eleven byte");
    ASSERT_TRUE(sealed);
    EXPECT_EQ(sealed->size(), 16u);
    EXPECT_EQ(cbcTransform(cipher, Direction::Decrypt, key, iv, *sealed), "eleven byte");
  }
}

TEST(CryptoPrimitivesPbkdf2, Rfc6070Vectors) {
  EXPECT_EQ(hex(*pbkdf2HmacSha1("password", "salt", 1, 20)), "0c60c80f961f0e71f3a9b524af6012062fe037a6");
  EXPECT_EQ(hex(*pbkdf2HmacSha1("password", "salt", 2, 20)), "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957");
  EXPECT_EQ(hex(*pbkdf2HmacSha1("password", "salt", 4096, 20)), "4b007901b765489abead49d926f721d065a429c1");
  EXPECT_EQ(hex(*pbkdf2HmacSha1("passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096, 25)),
            "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038");
  EXPECT_EQ(hex(*pbkdf2HmacSha1(std::string_view("pass\0word", 9), std::string_view("sa\0lt", 5), 4096, 16)),
            "56fa6aa75548099dcc37d7f03425e0c3");
  EXPECT_FALSE(pbkdf2HmacSha1("password", "salt", 0, 20));
  EXPECT_EQ(pbkdf2HmacSha1("password", "salt", 1, 0), "");
}

TEST(CryptoPrimitivesDigest, Sha512AndMd5OfKnownTexts) {
  EXPECT_EQ(hex(sha512("abc")),
            "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
            "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f");
  EXPECT_EQ(hex(md5("abc")), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(hex(md5("")), "d41d8cd98f00b204e9800998ecf8427e");
}

}  // namespace
}  // namespace td::crypto
