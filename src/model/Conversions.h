#pragma once
// Text conversions of the login data set loaders (both forms).
//
// integer: the text's leading decimal integer (leading white space skipped, optional sign, digits up
//          to the first other character), 0 when there is none, clamped to the 32-bit range;
// decimal: the text's leading floating-point number, 0 when there is none (or out of range);
// flag:    true when the text, after leading white space, an optional sign and leading zeros,
//          begins with "Y", "y", "T", "t" or a digit 1 to 9.
// Dates become the display text "MM/dd/yyyy HH:mm:ss" through the Formatter's date conversions; a
// date that does not parse gives "".

#include <cstdint>
#include <string>
#include <string_view>

namespace td::conv {

struct ParsedInt {
  std::int32_t value = 0;
  bool hasDigits = false;  // false when the text holds no leading number at all
};

ParsedInt parseInt(std::string_view text);
inline std::int32_t toInt(std::string_view text) { return parseInt(text).value; }
double toDouble(std::string_view text);
bool toFlag(std::string_view text);

// "yyyy-MM-dd'T'HH:mm:ssZZZ" to the local display text (Formatter::dateStringFromString: the
// clock time of a date with a positive offset is taken as UTC).
std::string xmlDateToDisplay(std::string_view text);
// "yyyyMMddHHmmss" (local time) to the display text; "" for "" and "00010101000000".
std::string ampDateToDisplay(std::string_view text);

}  // namespace td::conv
