// Both Base64 decoders on arbitrary text, and both encoders on arbitrary bytes: decoding never fails
// for the lenient codec, whatever decodes strictly re-encodes to text that decodes to the same bytes,
// and every buffer round-trips through either codec.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "wire/Base64.h"
#include "wire/NSDataAdditions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  if (const auto decoded = td::Base64::decodeBase64WithString(input)) {
    if (decoded->size() > input.size() * 3 / 4 + 3) std::abort();
    if (!decoded->empty()) {
      const auto reencoded = td::Base64::encodeBase64WithData(*decoded);
      if (!reencoded || td::Base64::decodeBase64WithString(*reencoded) != *decoded) std::abort();
    }
  }
  const std::string lenient = td::NSDataAdditions::dataWithBase64EncodedString(input);
  if (lenient.size() > input.size()) std::abort();

  if (!input.empty()) {
    const auto encoded = td::Base64::encodeBase64WithData(input);
    if (!encoded || td::Base64::decodeBase64WithString(*encoded) != input) std::abort();
    if (td::NSDataAdditions::dataWithBase64EncodedString(*encoded) != input) std::abort();
  }
  const std::string wrapped = td::NSDataAdditions::base64EncodingWithLineLength(input, size % 80);
  if (td::Base64::decodeBase64WithString(wrapped) != input) std::abort();
  return 0;
}
