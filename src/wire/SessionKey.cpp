#include "wire/SessionKey.h"

#include <cstdint>

#include "platform/CryptoPrimitives.h"
#include "platform/Log.h"
#include "wire/Base64.h"
#include "wire/Crypto.h"
#include "wire/MessageBase.h"
#include "wire/NSDataAdditions.h"
#include "wire/TBXML.h"

namespace td {
namespace {

constexpr std::size_t kMinimumKeyText = 32;
constexpr std::size_t kPayloadPrefix = 4;

}  // namespace

std::string GenerateNewEncryptionKey(std::optional<std::string_view> userName, std::optional<std::string_view> password,
                                     std::optional<std::string_view> referenceId,
                                     std::optional<std::string_view> serverTime) {
  std::string text;
  for (const auto& piece : {userName, password, referenceId, serverTime}) text += piece.value_or(kMissingKeyPiece);
  const std::size_t length = MessageBase::utf16Length(text);
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
  if (!TBXML::isValidUtf8(*inflated)) {
    TD_LOG_WARN("decompressData: inflated payload is not UTF-8");
    return std::nullopt;
  }
  return inflated;
}

}  // namespace td
