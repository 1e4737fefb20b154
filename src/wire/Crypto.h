#pragma once
// The cipher of the encrypted envelope and of the remembered credentials: a block cipher in CBC mode
// with PKCS#7 padding, keyed by a pass phrase through PBKDF2-HMAC-SHA1 (1000 iterations) over a salt
// of the bytes 0, 1, ..., L (L = the pass phrase's length in UTF-16 code units). The IV is the first
// IV-length bytes of the same derivation. Also the SHA-512 digest from which the session key is made.
//
// Byte strings travel as std::string. Text arguments are UTF-8; the derivation and the digest use all
// of their UTF-8 bytes.
//
// transformData derives key and IV once per pass phrase and key length and keeps them in a small,
// thread-safe cache, so that only the first message under a new pass phrase pays for the derivation.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace td {

class Crypto {
 public:
  // Algorithm numbers: 0 AES-256, 1 DES, 2 triple DES, 5 RC2. The system uses only 0.
  static constexpr std::uint32_t kAlgorithmAES = 0;
  static constexpr std::uint32_t kAlgorithmDES = 1;
  static constexpr std::uint32_t kAlgorithm3DES = 2;
  static constexpr std::uint32_t kAlgorithmRC2 = 5;
  // Operations.
  static constexpr std::uint32_t kEncrypt = 0;
  static constexpr std::uint32_t kDecrypt = 1;
  static constexpr std::uint64_t kIterations = 1000;

  // Encrypts (operation 0) or decrypts (operation 1) the data under the pass phrase. Nothing on any
  // failure: an unknown algorithm or operation (one log line), a cipher that cannot be loaded (one log
  // line), a ciphertext that is not whole blocks or whose padding does not check.
  static std::optional<std::string> transformData(std::string_view data, std::uint32_t algorithm,
                                                  std::uint32_t operation, std::string_view password);

  // PBKDF2-HMAC-SHA1 of the pass phrase and salt, keySize bytes long. Nothing when the iteration count
  // is 0 or beyond a 32-bit signed count, or the derivation fails.
  static std::optional<std::string> keyBySaltingPassword(std::string_view password, std::string_view salt,
                                                         std::uint64_t keySize, std::uint64_t numberOfIterations);

  // size bytes whose byte i holds i modulo 256.
  static std::string generateSalt(std::uint64_t size);

  // The 64-byte SHA-512 digest of the text's UTF-8 bytes.
  static std::string computeSHA512DigestForString(std::string_view text);
};

}  // namespace td
