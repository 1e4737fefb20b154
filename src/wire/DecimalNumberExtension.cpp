#include "wire/DecimalNumberExtension.h"

#include <charconv>
#include <string_view>

namespace td::DecimalNumberExtension {

Decimal moduloFor(const Decimal& receiver, const Decimal& divisor) {
  // The integer part is clamped to 32 bits, so a large value keeps its sign.
  const bool receiverNegative = receiver.intValue() < 0;
  const bool divisorNegative = divisor.intValue() < 0;
  const RoundingMode mode = receiverNegative == divisorNegative ? RoundingMode::Down : RoundingMode::Up;
  const Decimal quotient = Decimal::divide(receiver, divisor, 0, mode).value;
  return Decimal::subtract(receiver, Decimal::multiply(quotient, divisor).value).value;
}

Decimal moduloForDouble(const Decimal& receiver, double divisor) {
  // "%f" without the C library's locale: the point is always ".".
  char buffer[400];
  const auto res = std::to_chars(buffer, buffer + sizeof buffer, divisor, std::chars_format::fixed, 6);
  const Decimal decimalDivisor =
      res.ec == std::errc() ? Decimal::parse(std::string_view(buffer, static_cast<std::size_t>(res.ptr - buffer)))
                            : Decimal::notANumber();
  return moduloFor(receiver, decimalDivisor);
}

Decimal decimalPlaces(const Decimal& receiver) { return moduloFor(receiver, Decimal::fromInt(1)); }

Decimal absoluteNumber(const Decimal& receiver) {
  if (Decimal() > receiver) return Decimal::multiply(receiver, Decimal::fromInt(-1)).value;
  return receiver;
}

Decimal greaterNumber(const Decimal& receiver, const Decimal& other) {
  return receiver < other ? other : receiver;
}

Decimal smallerNumber(const Decimal& receiver, const Decimal& other) {
  return receiver > other ? other : receiver;
}

}  // namespace td::DecimalNumberExtension
