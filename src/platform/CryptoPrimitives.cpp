#include "platform/CryptoPrimitives.h"

#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <climits>
#include <memory>
#include <new>

#include "platform/Log.h"

namespace td::crypto {
namespace {

// Algorithms of the default provider, fetched once: an explicit fetch spares OpenSSL the lookup it
// would otherwise do on every initialisation.
struct DefaultAlgorithms {
  EVP_CIPHER* aes256Cbc = EVP_CIPHER_fetch(nullptr, "AES-256-CBC", nullptr);
  EVP_CIPHER* tripleDesCbc = EVP_CIPHER_fetch(nullptr, "DES-EDE3-CBC", nullptr);
  EVP_MD* sha512 = EVP_MD_fetch(nullptr, "SHA2-512", nullptr);
  EVP_MD* md5 = EVP_MD_fetch(nullptr, "MD5", nullptr);
};

const DefaultAlgorithms& defaults() {
  static const DefaultAlgorithms algorithms;
  return algorithms;
}

// A library context of our own holding the legacy provider (and the default one beside it), so that
// loading it changes nothing for the rest of the process.
struct LegacyAlgorithms {
  OSSL_LIB_CTX* context = nullptr;
  EVP_CIPHER* desCbc = nullptr;
  EVP_CIPHER* rc2Cbc = nullptr;

  LegacyAlgorithms() {
    context = OSSL_LIB_CTX_new();
    if (context == nullptr) return;
    if (OSSL_PROVIDER_load(context, "legacy") == nullptr || OSSL_PROVIDER_load(context, "default") == nullptr) {
      ERR_clear_error();
      return;
    }
    desCbc = EVP_CIPHER_fetch(context, "DES-CBC", nullptr);
    rc2Cbc = EVP_CIPHER_fetch(context, "RC2-CBC", nullptr);
    ERR_clear_error();
  }
};

const LegacyAlgorithms& legacy() {
  static const LegacyAlgorithms algorithms;
  return algorithms;
}

const EVP_CIPHER* cipherFor(Cipher cipher) {
  switch (cipher) {
    case Cipher::Aes256Cbc: return defaults().aes256Cbc;
    case Cipher::TripleDesCbc: return defaults().tripleDesCbc;
    case Cipher::DesCbc: return legacy().desCbc;
    case Cipher::Rc2Cbc: return legacy().rc2Cbc;
  }
  return nullptr;
}

const char* nameOf(Cipher cipher) {
  switch (cipher) {
    case Cipher::Aes256Cbc: return "AES-256-CBC";
    case Cipher::TripleDesCbc: return "DES-EDE3-CBC";
    case Cipher::DesCbc: return "DES-CBC";
    case Cipher::Rc2Cbc: return "RC2-CBC";
  }
  return "?";
}

struct CipherContextFree {
  void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};

template <std::size_t N>
std::array<std::uint8_t, N> digest(const EVP_MD* md, std::string_view data) {
  std::array<std::uint8_t, N> out{};
  unsigned int length = 0;
  // A built-in digest fails only when memory runs out; report that the way the library does.
  if (md == nullptr || EVP_Digest(data.data(), data.size(), out.data(), &length, md, nullptr) != 1 || length != N) {
    ERR_clear_error();
    throw std::bad_alloc();
  }
  return out;
}

}  // namespace

CipherSizes sizesOf(Cipher cipher) {
  switch (cipher) {
    case Cipher::Aes256Cbc: return {32, 16, 16};
    case Cipher::DesCbc: return {8, 8, 8};
    case Cipher::TripleDesCbc: return {24, 8, 8};
    case Cipher::Rc2Cbc: return {16, 8, 8};
  }
  return {0, 0, 0};
}

bool cipherAvailable(Cipher cipher) { return cipherFor(cipher) != nullptr; }

std::optional<std::string> cbcTransform(Cipher cipher, Direction direction, std::string_view key,
                                        std::string_view iv, std::string_view input) {
  const CipherSizes sizes = sizesOf(cipher);
  if (key.size() != sizes.keyLength || iv.size() != sizes.ivLength || input.size() > INT_MAX - sizes.blockSize) {
    return std::nullopt;
  }
  const EVP_CIPHER* evp = cipherFor(cipher);
  if (evp == nullptr) {
    TD_LOG_ERROR(std::string("Cipher ") + nameOf(cipher) +
                 " unavailable: the OpenSSL legacy provider could not be loaded");
    return std::nullopt;
  }
  std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> ctx(EVP_CIPHER_CTX_new());
  if (!ctx) throw std::bad_alloc();
  const int encrypt = direction == Direction::Encrypt ? 1 : 0;
  const auto* keyBytes = reinterpret_cast<const unsigned char*>(key.data());
  const auto* ivBytes = reinterpret_cast<const unsigned char*>(iv.data());
  std::string out(input.size() + sizes.blockSize, '\0');
  auto* outBytes = reinterpret_cast<unsigned char*>(out.data());
  int written = 0;
  int finalWritten = 0;
  const bool ok =
      EVP_CipherInit_ex2(ctx.get(), evp, keyBytes, ivBytes, encrypt, nullptr) == 1 &&
      EVP_CipherUpdate(ctx.get(), outBytes, &written, reinterpret_cast<const unsigned char*>(input.data()),
                       static_cast<int>(input.size())) == 1 &&
      EVP_CipherFinal_ex(ctx.get(), outBytes + written, &finalWritten) == 1;
  if (!ok) {
    ERR_clear_error();
    OPENSSL_cleanse(out.data(), out.size());
    return std::nullopt;
  }
  out.resize(static_cast<std::size_t>(written + finalWritten));
  return out;
}

std::optional<std::string> pbkdf2HmacSha1(std::string_view password, std::string_view salt,
                                          std::uint32_t iterations, std::size_t length) {
  if (iterations == 0 || iterations > INT_MAX || length > INT_MAX || password.size() > INT_MAX ||
      salt.size() > INT_MAX) {
    return std::nullopt;
  }
  std::string out(length, '\0');
  if (length == 0) return out;
  if (PKCS5_PBKDF2_HMAC_SHA1(password.data(), static_cast<int>(password.size()),
                             reinterpret_cast<const unsigned char*>(salt.data()), static_cast<int>(salt.size()),
                             static_cast<int>(iterations), static_cast<int>(length),
                             reinterpret_cast<unsigned char*>(out.data())) != 1) {
    ERR_clear_error();
    return std::nullopt;
  }
  return out;
}

Sha512Digest sha512(std::string_view data) { return digest<64>(defaults().sha512, data); }

Md5Digest md5(std::string_view data) { return digest<16>(defaults().md5, data); }

void cleanse(std::string& secret) {
  if (!secret.empty()) OPENSSL_cleanse(secret.data(), secret.size());
  secret.clear();
}

}  // namespace td::crypto
