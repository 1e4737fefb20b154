#include "model/statement/TextReadings.h"

#include <cctype>
#include <cmath>
#include <limits>

namespace td::conv {

namespace {
inline bool isDigit(char c) { return c >= '0' && c <= '9'; }
inline char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }
}  // namespace

std::int64_t toInt64(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])) != 0) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  // Accumulate as a negative number, which has the larger range, and clamp on overflow.
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  std::int64_t v = 0;
  bool overflow = false;
  for (; i < s.size() && isDigit(s[i]); ++i) {
    const int d = s[i] - '0';
    if (overflow) continue;
    if (v < (kMin + d) / 10) {
      overflow = true;
      continue;
    }
    v = v * 10 - d;
  }
  if (overflow) return negative ? kMin : std::numeric_limits<std::int64_t>::max();
  if (negative) return v;
  return v == kMin ? std::numeric_limits<std::int64_t>::max() : -v;
}

std::uint64_t truncateToUInt64(double value) {
  if (std::isnan(value) || value <= 0) return 0;
  if (value >= 18446744073709551616.0) return std::numeric_limits<std::uint64_t>::max();
  return static_cast<std::uint64_t>(value);
}

int naturalCompare(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      std::size_t si = i, sj = j;
      while (si < a.size() && a[si] == '0') ++si;
      while (sj < b.size() && b[sj] == '0') ++sj;
      std::size_t ei = si, ej = sj;
      while (ei < a.size() && isDigit(a[ei])) ++ei;
      while (ej < b.size() && isDigit(b[ej])) ++ej;
      // Without leading zeros a longer run is the larger number; equal lengths compare digit-wise.
      if (ei - si != ej - sj) return ei - si < ej - sj ? -1 : 1;
      for (std::size_t k = 0; k < ei - si; ++k) {
        if (a[si + k] != b[sj + k]) return a[si + k] < b[sj + k] ? -1 : 1;
      }
      // Same value: the run with fewer leading zeros first.
      if (ei - i != ej - j) return ei - i < ej - j ? -1 : 1;
      i = ei;
      j = ej;
      continue;
    }
    const char ca = lower(a[i]), cb = lower(b[j]);
    if (ca != cb) return static_cast<unsigned char>(ca) < static_cast<unsigned char>(cb) ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

}  // namespace td::conv
