#include "wire/SessionKey.h"

#include <cstdint>

#include "platform/CryptoPrimitives.h"
#include "platform/Log.h"
#include "wire/Base64.h"
#include "wire/Crypto.h"
#include "wire/NSDataAdditions.h"

namespace td {
namespace {

constexpr std::size_t kMinimumKeyText = 32;
constexpr std::size_t kPayloadPrefix = 4;

std::size_t utf16Length(std::string_view text) {
  std::size_t units = 0;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) != 0x80) units += byte >= 0xF0 ? 2 : 1;
  }
  return units;
}

// Well-formed UTF-8 (RFC 3629): no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    const unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      if (c == 0xE0) low = 0xA0;
      if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      if (c == 0xF0) low = 0x90;
      if (c == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (static_cast<std::size_t>(end - p) < length || p[1] < low || p[1] > high) return false;
    for (std::size_t k = 2; k < length; ++k) {
      if ((p[k] & 0xC0) != 0x80) return false;
    }
    p += length;
  }
  return true;
}

}  // namespace

std::string GenerateNewEncryptionKey(std::optional<std::string_view> userName, std::optional<std::string_view> password,
                                     std::optional<std::string_view> referenceId,
                                     std::optional<std::string_view> serverTime) {
  std::string text;
  for (const auto& piece : {userName, password, referenceId, serverTime}) text += piece.value_or(kMissingKeyPiece);
  const std::size_t length = utf16Length(text);
  if (length < kMinimumKeyText) text.append(kMinimumKeyText - length, '-');
  const std::string digest = Crypto::computeSHA512DigestForString(text);
  crypto::cleanse(text);
  return *Base64::encodeBase64WithData(digest);
}

std::optional<std::string> decompressData(std::string_view text) {
  const std::optional<std::string> data = Base64::decodeBase64WithString(text);
  if (!data) {
    TD_LOG_WARN("decompressData: payload is not Base64");
    return std::nullopt;
  }
  if (data->size() < kPayloadPrefix) {
    TD_LOG_WARN("decompressData: payload of " + std::to_string(data->size()) + " bytes is too short");
    return std::nullopt;
  }
  std::optional<std::string> inflated = NSDataAdditions::gzipInflate(std::string_view(*data).substr(kPayloadPrefix));
  if (!inflated) {
    TD_LOG_WARN("decompressData: payload does not inflate");
    return std::nullopt;
  }
  if (!isValidUtf8(*inflated)) {
    TD_LOG_WARN("decompressData: inflated payload is not UTF-8");
    return std::nullopt;
  }
  return inflated;
}

}  // namespace td
