#include "wire/Crypto.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/CryptoPrimitives.h"
#include "platform/Log.h"
#include "wire/MessageBase.h"

namespace td {
namespace {

std::optional<crypto::Cipher> cipherFor(std::uint32_t algorithm) {
  switch (algorithm) {
    case Crypto::kAlgorithmAES: return crypto::Cipher::Aes256Cbc;
    case Crypto::kAlgorithmDES: return crypto::Cipher::DesCbc;
    case Crypto::kAlgorithm3DES: return crypto::Cipher::TripleDesCbc;
    case Crypto::kAlgorithmRC2: return crypto::Cipher::Rc2Cbc;
    default: return std::nullopt;
  }
}

// Derived keys by pass phrase and key length. A session uses the initial pass phrase and then its
// session key, so a handful of entries is plenty; the least recently used one makes room and is wiped.
class KeyCache {
 public:
  std::optional<std::string> find(std::string_view password, std::size_t keyLength) {
    std::lock_guard lock(mutex_);
    for (Entry& entry : entries_) {
      if (entry.keyLength == keyLength && entry.password == password) {
        entry.lastUse = ++clock_;
        return entry.key;
      }
    }
    return std::nullopt;
  }

  void insert(std::string_view password, std::size_t keyLength, const std::string& key) {
    std::lock_guard lock(mutex_);
    for (const Entry& entry : entries_) {
      if (entry.keyLength == keyLength && entry.password == password) return;  // another thread was first
    }
    if (entries_.size() >= kCapacity) {
      auto oldest = std::min_element(entries_.begin(), entries_.end(),
                                     [](const Entry& a, const Entry& b) { return a.lastUse < b.lastUse; });
      crypto::cleanse(oldest->password);
      crypto::cleanse(oldest->key);
      entries_.erase(oldest);
    }
    entries_.push_back(Entry{std::string(password), keyLength, key, ++clock_});
  }

 private:
  static constexpr std::size_t kCapacity = 8;
  struct Entry {
    std::string password;
    std::size_t keyLength;
    std::string key;
    std::uint64_t lastUse;
  };
  std::mutex mutex_;
  std::vector<Entry> entries_;
  std::uint64_t clock_ = 0;
};

KeyCache& keyCache() {
  static KeyCache cache;
  return cache;
}

std::optional<std::string> derivedKey(std::string_view password, std::size_t keyLength) {
  if (auto cached = keyCache().find(password, keyLength)) return cached;
  const std::string salt = Crypto::generateSalt(MessageBase::utf16Length(password) + 1);
  auto key = Crypto::keyBySaltingPassword(password, salt, keyLength, Crypto::kIterations);
  if (key) keyCache().insert(password, keyLength, *key);
  return key;
}

}  // namespace

std::optional<std::string> Crypto::transformData(std::string_view data, std::uint32_t algorithm,
                                                 std::uint32_t operation, std::string_view password) {
  const auto cipher = cipherFor(algorithm);
  if (!cipher) {
    TD_LOG_ERROR("Crypto: algorithm " + std::to_string(algorithm) + " is not supported");
    return std::nullopt;
  }
  if (operation != kEncrypt && operation != kDecrypt) {
    TD_LOG_ERROR("Crypto: operation " + std::to_string(operation) + " is not supported");
    return std::nullopt;
  }
  const crypto::CipherSizes sizes = crypto::sizesOf(*cipher);
  // PBKDF2 output of a shorter length is a prefix of a longer one, so the IV (never longer than the
  // key here) is the key's first bytes: one derivation serves both.
  std::optional<std::string> key = derivedKey(password, sizes.keyLength);
  if (!key) return std::nullopt;
  const std::string_view keyView(*key);
  const auto direction = operation == kEncrypt ? crypto::Direction::Encrypt : crypto::Direction::Decrypt;
  auto result = crypto::cbcTransform(*cipher, direction, keyView, keyView.substr(0, sizes.ivLength), data);
  crypto::cleanse(*key);
  return result;
}

std::optional<std::string> Crypto::keyBySaltingPassword(std::string_view password, std::string_view salt,
                                                        std::uint64_t keySize, std::uint64_t numberOfIterations) {
  if (numberOfIterations > INT32_MAX || keySize > INT32_MAX) return std::nullopt;
  return crypto::pbkdf2HmacSha1(password, salt, static_cast<std::uint32_t>(numberOfIterations),
                                static_cast<std::size_t>(keySize));
}

std::string Crypto::generateSalt(std::uint64_t size) {
  std::string salt(static_cast<std::size_t>(size), '\0');
  for (std::size_t i = 0; i < salt.size(); ++i) salt[i] = static_cast<char>(i & 0xFF);
  return salt;
}

std::string Crypto::computeSHA512DigestForString(std::string_view text) {
  const crypto::Sha512Digest digest = crypto::sha512(text);
  return std::string(reinterpret_cast<const char*>(digest.data()), digest.size());
}

}  // namespace td
