#pragma once
// The conversions of the wire codes and time stamps of an execution report into the values an Order
// keeps. The fields themselves are read from the received message (ReceivedMessage).

#include <cstdint>
#include <string>
#include <string_view>

namespace td {

namespace wirecode {
// Tag 32: 29 market 1, 30 limit 2, 31 stop 3, anything else 0.
std::int32_t orderType(std::string_view text);
// Tag 36: 45 buy 0, 46 sell 1, anything else keeps `current`.
std::int32_t tradingMode(std::string_view text, std::int32_t current);
// Tag 43: 47 GTC 1, 48 GTF 2, 54 Day 5, anything else 0.
std::int32_t timeInForce(std::string_view text);
// Tag 117: 51 1, 52 2, 53 3, anything else 0.
std::int32_t deliveryMode(std::string_view text);
}  // namespace wirecode

// "yyyyMMddHHmmss" to "MM/dd/yyyy HH:mm:ss" / "MM/dd/yyyy"; "" when the text does not parse.
std::string displayDateTime(std::string_view wireTime);
std::string displayDate(std::string_view wireTime);

}  // namespace td
