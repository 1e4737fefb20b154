#include "model/Conversions.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <limits>
#include <string>

namespace td::conv {

namespace {

inline bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t skipSpace(std::string_view s, std::size_t i) {
  while (i < s.size() && isSpace(s[i])) ++i;
  return i;
}

bool digitsAt(std::string_view s, std::size_t pos, std::size_t count, int& out) {
  if (pos + count > s.size()) return false;
  int v = 0;
  for (std::size_t i = pos; i < pos + count; ++i) {
    if (!isDigit(s[i])) return false;
    v = v * 10 + (s[i] - '0');
  }
  out = v;
  return true;
}

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

bool validFields(int y, int mo, int d, int h, int mi, int s) {
  return y >= 1 && mo >= 1 && mo <= 12 && d >= 1 && d <= daysInMonth(y, mo) && h <= 23 && mi <= 59 && s <= 59;
}

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

std::string display(int y, int mo, int d, int h, int mi, int s) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d:%02d", mo, d, y, h, mi, s);
  return buf;
}

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
  const std::size_t start = i;
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
  (void)start;
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
  int y, mo, d, h, mi, sec;
  if (!digitsAt(s, 0, 4, y) || s.size() < 19 || s[4] != '-' || !digitsAt(s, 5, 2, mo) || s[7] != '-' ||
      !digitsAt(s, 8, 2, d) || s[10] != 'T' || !digitsAt(s, 11, 2, h) || s[13] != ':' ||
      !digitsAt(s, 14, 2, mi) || s[16] != ':' || !digitsAt(s, 17, 2, sec)) {
    return {};
  }
  if (!validFields(y, mo, d, h, mi, sec)) return {};
  std::string_view zone = s.substr(19);
  int offsetSeconds = 0;
  if (zone == "Z") {
    offsetSeconds = 0;
  } else if (!zone.empty() && (zone[0] == '+' || zone[0] == '-')) {
    int zh = 0, zm = 0;
    if (zone.size() == 3 && digitsAt(zone, 1, 2, zh)) {
    } else if (zone.size() == 5 && digitsAt(zone, 1, 2, zh) && digitsAt(zone, 3, 2, zm)) {
    } else if (zone.size() == 6 && digitsAt(zone, 1, 2, zh) && zone[3] == ':' && digitsAt(zone, 4, 2, zm)) {
    } else {
      return {};
    }
    if (zh > 23 || zm > 59) return {};
    offsetSeconds = (zh * 3600 + zm * 60) * (zone[0] == '-' ? -1 : 1);
  } else {
    return {};
  }
  const std::int64_t utc = daysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) * 86400 +
                           h * 3600 + mi * 60 + sec - offsetSeconds;
  const std::time_t t = static_cast<std::time_t>(utc);
  std::tm local{};
  if (localtime_r(&t, &local) == nullptr) return {};
  return display(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
}

std::string ampDateToDisplay(std::string_view s) {
  int y, mo, d, h, mi, sec;
  if (s.size() != 14 || !digitsAt(s, 0, 4, y) || !digitsAt(s, 4, 2, mo) || !digitsAt(s, 6, 2, d) ||
      !digitsAt(s, 8, 2, h) || !digitsAt(s, 10, 2, mi) || !digitsAt(s, 12, 2, sec)) {
    return {};
  }
  if (!validFields(y, mo, d, h, mi, sec)) return {};
  return display(y, mo, d, h, mi, sec);
}

}  // namespace td::conv
