#pragma once
// Readings of the account-reporting records beyond the integer, decimal and flag readings of
// model/Conversions: 64-bit integers, the unsigned truncation of a decimal, and the natural order of
// id texts that the statement lists are sorted by.

#include <cstdint>
#include <string_view>

namespace td::conv {

// The text's leading decimal integer (white space skipped, optional sign, digits up to the first
// other character) as a 64-bit value, clamped to the 64-bit range; 0 when there is none.
std::int64_t toInt64(std::string_view text);

// A decimal truncated toward zero into an unsigned 64-bit value: negative values and NaN give 0,
// values beyond the range give the largest value (a plain cast would be undefined there).
std::uint64_t truncateToUInt64(double value);

// Natural order of two texts: runs of digits compare by their numeric value (leading zeros
// ignored, a longer run of equal value after the shorter one), other characters compare without
// regard to ASCII case. Negative, zero or positive as a is before, equal to or after b.
int naturalCompare(std::string_view a, std::string_view b);
inline bool naturalLess(std::string_view a, std::string_view b) { return naturalCompare(a, b) < 0; }

}  // namespace td::conv
