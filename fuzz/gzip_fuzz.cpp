// gzipInflate and the compressed-payload reader on arbitrary bytes: no crash, no leak, and whatever
// inflates deflates and inflates back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/Log.h"
#include "wire/NSDataAdditions.h"
#include "wire/SessionKey.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = [] {
    td::log::setLevel(td::log::Level::Off);
    return true;
  }();
  (void)quiet;
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  if (const auto inflated = td::NSDataAdditions::gzipInflate(input)) {
    const auto again = td::NSDataAdditions::gzipDeflate(*inflated);
    if (!again || td::NSDataAdditions::gzipInflate(*again) != *inflated) std::abort();
  }
  (void)td::decompressData(input);
  return 0;
}
