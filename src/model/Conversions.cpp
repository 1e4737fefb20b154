#include "model/Conversions.h"

#include <cctype>
#include <charconv>
#include <limits>
#include <string>

#include "wire/Formatter.h"

namespace td::conv {

namespace {

inline bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t skipSpace(std::string_view s, std::size_t i) {
  while (i < s.size() && isSpace(s[i])) ++i;
  return i;
}

constexpr std::string_view kXmlDateFormat = "yyyy-MM-dd'T'HH:mm:ssZZZ";

}  // namespace

ParsedInt parseInt(std::string_view s) {
  std::size_t i = skipSpace(s, 0);
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  ParsedInt out;
  std::int64_t v = 0;
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  for (; i < s.size() && isDigit(s[i]); ++i) {
    out.hasDigits = true;
    if (v <= kLimit) v = v * 10 + (s[i] - '0');
  }
  if (negative) v = -v;
  if (v > std::numeric_limits<std::int32_t>::max()) v = std::numeric_limits<std::int32_t>::max();
  if (v < std::numeric_limits<std::int32_t>::min()) v = std::numeric_limits<std::int32_t>::min();
  out.value = static_cast<std::int32_t>(v);
  return out;
}

double toDouble(std::string_view s) {
  std::size_t i = skipSpace(s, 0);
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  const std::size_t numberStart = i;
  std::size_t intDigits = 0;
  while (i < s.size() && isDigit(s[i])) ++i, ++intDigits;
  std::size_t fracDigits = 0;
  if (i < s.size() && s[i] == '.') {
    std::size_t j = i + 1;
    while (j < s.size() && isDigit(s[j])) ++j, ++fracDigits;
    if (intDigits + fracDigits > 0) i = j;
  }
  if (intDigits + fracDigits == 0) return 0.0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    if (j < s.size() && isDigit(s[j])) {
      while (j < s.size() && isDigit(s[j])) ++j;
      i = j;
    }
  }
  double v = 0.0;
  const auto r = std::from_chars(s.data() + numberStart, s.data() + i, v, std::chars_format::general);
  if (r.ec != std::errc()) return 0.0;
  return negative ? -v : v;
}

bool toFlag(std::string_view s) {
  std::size_t i = skipSpace(s, 0);
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  while (i < s.size() && s[i] == '0') ++i;
  if (i >= s.size()) return false;
  const char c = s[i];
  return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

std::string xmlDateToDisplay(std::string_view s) {
  return Formatter::dateStringFromString(s, kXmlDateFormat, DISPLAY_DATE_TIME_FORMAT).value_or(std::string());
}

std::string ampDateToDisplay(std::string_view s) {
  return Formatter::formatDateandTimeFromString(s, AMP_DATE_FORMAT, DISPLAY_DATE_TIME_FORMAT).value_or(std::string());
}

}  // namespace td::conv
