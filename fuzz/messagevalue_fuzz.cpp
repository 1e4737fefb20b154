// GetMessageValue on arbitrary field text and key (the first byte gives the key's length): the value is
// exactly the text after the first occurrence of the key, and a missing key gives nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/Log.h"
#include "wire/MessageCracker.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = [] {
    td::log::setLevel(td::log::Level::Off);
    return true;
  }();
  (void)quiet;
  if (size < 1) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t keyLength = data[0] % 8 < rest.size() ? data[0] % 8 : rest.size();
  const std::string_view key = rest.substr(0, keyLength);
  const std::string_view text = rest.substr(keyLength);

  const auto value = td::MessageCracker::GetMessageValue(text, key);
  const std::size_t at = text.find(key);
  if (key.empty() || at == std::string_view::npos) {
    if (value) std::abort();
    return 0;
  }
  if (!value || value->data() != text.data() + at + key.size() || value->size() != text.size() - at - key.size()) {
    std::abort();
  }
  return 0;
}
