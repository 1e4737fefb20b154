#pragma once
// The small set of cryptographic primitives the client needs, over OpenSSL 3: block ciphers in CBC
// mode with PKCS#7 padding, PBKDF2-HMAC-SHA1, SHA-512 and MD5. Byte strings travel as std::string
// (binary-safe); every function is reentrant and may run on any thread.
//
// DES and RC2 live in OpenSSL's legacy provider. It is loaded on first use into a library context of
// our own, so the process-wide default context stays untouched; where it cannot be loaded those two
// ciphers yield nothing and each failing call writes one log line.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace td::crypto {

enum class Cipher {
  Aes256Cbc,     // 32-byte key, 16-byte IV
  DesCbc,        // 8-byte key, 8-byte IV (legacy provider)
  TripleDesCbc,  // 24-byte key (DES-EDE3), 8-byte IV
  Rc2Cbc,        // 16-byte key, 128 effective key bits, 8-byte IV (legacy provider)
};

enum class Direction { Encrypt, Decrypt };

struct CipherSizes {
  std::size_t keyLength;
  std::size_t ivLength;
  std::size_t blockSize;
};
CipherSizes sizesOf(Cipher cipher);

// Runs the cipher over the whole input. Encryption always appends 1 to blockSize bytes of padding;
// decryption checks and strips it. Nothing when the key or IV has the wrong length, the cipher is
// unavailable, the input of a decryption is not a whole number of blocks or its padding does not check.
std::optional<std::string> cbcTransform(Cipher cipher, Direction direction, std::string_view key,
                                        std::string_view iv, std::string_view input);

// True when the cipher can be used in this process (DES and RC2 need the legacy provider).
bool cipherAvailable(Cipher cipher);

// PBKDF2 (RFC 8018) with HMAC-SHA1. Nothing when the iteration count is 0 or the derivation fails.
std::optional<std::string> pbkdf2HmacSha1(std::string_view password, std::string_view salt,
                                          std::uint32_t iterations, std::size_t length);

using Sha512Digest = std::array<std::uint8_t, 64>;
using Md5Digest = std::array<std::uint8_t, 16>;
Sha512Digest sha512(std::string_view data);
Md5Digest md5(std::string_view data);

// Overwrites the bytes of a secret (a derived key) so that they do not linger in freed memory.
void cleanse(std::string& secret);

}  // namespace td::crypto
