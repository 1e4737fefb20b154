// The market-depth decoder fed arbitrary lines.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "session/PriceFeed.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto depth = td::decodeMarketDepth(text);
  if (depth) {
    if (text.substr(0, depth->code.size()) != depth->code) __builtin_trap();
    for (const auto& level : depth->buy) {
      if (level.empty() || level.find('|') != std::string::npos || level.find(';') != std::string::npos) {
        __builtin_trap();
      }
    }
  }
  return 0;
}
