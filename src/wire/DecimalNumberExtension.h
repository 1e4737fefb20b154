#pragma once
// Remainder, fractional part, magnitude, greater and smaller of decimal numbers. Each operation
// returns a new value or one of its operands unchanged (its representation kept); none throws.

#include "platform/Decimal.h"

namespace td::DecimalNumberExtension {

// receiver - divisor x q, where q is receiver / divisor cut to a whole number: rounded down when
// both operands count as negative or both as not negative, up otherwise. An operand counts as
// negative when its integer part (truncated toward zero) is below 0, so a value between -1 and 0
// counts as not negative: -0.25 mod 1 gives 0.75, while -1.25 mod 1 gives -0.25.
// Division by zero or overflow gives not a number.
Decimal moduloFor(const Decimal& receiver, const Decimal& divisor);

// moduloFor with the divisor written with six fraction digits ("%f") and read back, so 0.1 is
// exactly 0.100000 and 0.0000001 becomes 0 (not a number results).
Decimal moduloForDouble(const Decimal& receiver, double divisor);

// moduloFor(receiver, 1): the fractional part as a decimal number, not a count of digits.
Decimal decimalPlaces(const Decimal& receiver);

// The receiver itself when it is not negative (or not a number), else the receiver x -1.
Decimal absoluteNumber(const Decimal& receiver);

// The other number when the receiver is less than it, else the receiver (also when equal).
Decimal greaterNumber(const Decimal& receiver, const Decimal& other);

// The other number when the receiver is greater than it, else the receiver (also when equal).
Decimal smallerNumber(const Decimal& receiver, const Decimal& other);

}  // namespace td::DecimalNumberExtension
