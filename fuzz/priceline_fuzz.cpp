// The price-line decoder fed arbitrary lines.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/Log.h"
#include "session/PriceFeed.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool quiet = (td::log::setLevel(td::log::Level::Off), true);
  (void)quiet;
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  td::PriceUpdate tick;
  const td::PriceLineError error = td::decodePriceLine(line, tick);
  if (error == td::PriceLineError::None) {
    // The code is the first field as received.
    if (line.substr(0, tick.ItemCode.size()) != tick.ItemCode) __builtin_trap();
  }
  (void)td::classifyFeedLine(line);
  (void)td::instrumentStatusPayload(line);
  (void)td::leadingDouble(line);
  return 0;
}
