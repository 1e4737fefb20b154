#include "platform/DateFormat.h"

#include <unicode/basictz.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/parsepos.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <ctime>
#include <limits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/Log.h"

namespace td {

namespace {

// Bumped by useHostTimeZone(); formatters of the local zone compare it to theirs before use.
std::atomic<unsigned> gZoneGeneration{0};

const icu::Locale& enUS() {
  static const icu::Locale locale("en_US");
  return locale;
}

icu::TimeZone* newZone(DateFormat::Zone zone) {
  if (zone == DateFormat::Zone::Utc) return icu::TimeZone::getGMT()->clone();
  return icu::TimeZone::createDefault();
}

// Whole milliseconds, rounded down: what ICU's calendars resolve (a nanosecond count does not fit
// a double exactly).
UDate toUDate(Date date) {
  return static_cast<UDate>(std::chrono::floor<std::chrono::milliseconds>(date.time_since_epoch()).count());
}

// No date text comes near this; longer input is refused before ICU (which counts in 32 bits) sees it.
constexpr std::size_t kLongestText = 4096;

// Date counts nanoseconds in 64 bits: the years 1678 to 2262.
constexpr double kFirstDateMillis = -9'223'372'036'854.0;
constexpr double kLastDateMillis = 9'223'372'036'854.0;

// The date of a whole number of milliseconds; nothing outside the range of Date.
std::optional<Date> fromUDate(UDate millis) {
  if (!(millis >= kFirstDateMillis && millis <= kLastDateMillis)) return std::nullopt;
  return Date(std::chrono::milliseconds(static_cast<std::int64_t>(std::floor(millis))));
}

// The native path for fixed-width numeric patterns. ICU's strict parse copies a number formatter
// for every numeric field and its formatting runs each field through the number pipeline; for the
// wire and table patterns ("yyyyMMddHHmmss", "MM/dd/yyyy HH:mm:ss", "yyyy-MM-dd'T'HH:mm:ss.SSS")
// this path reads and writes the digits itself. It decides only texts of exactly the pattern's
// shape with valid fields in the years 1600 to 9999 (Gregorian throughout); anything else (other
// widths, white space, out-of-range fields, a skipped local hour, earlier dates) goes to ICU, which
// stays the authority on every text the native path does not decide.
enum class Field : std::uint8_t { Year, Month, Day, Hour, Minute, Second, Millis, Literal };

struct Element {
  Field field;
  char literal;
};

constexpr int fieldWidth(Field f) { return f == Field::Year ? 4 : f == Field::Millis ? 3 : 2; }

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// The pattern as numeric fields and ASCII literals; empty when it has anything else.
std::vector<Element> compileNumeric(std::string_view pattern) {
  std::vector<Element> out;
  unsigned seen = 0;
  for (std::size_t i = 0; i < pattern.size();) {
    const char c = pattern[i];
    if (static_cast<unsigned char>(c) >= 0x80) return {};
    if (c == '\'') {
      const std::size_t close = pattern.find('\'', i + 1);
      if (close == std::string_view::npos || close == i + 1) return {};  // unclosed, or a quoted quote
      for (std::size_t k = i + 1; k < close; ++k) {
        if (static_cast<unsigned char>(pattern[k]) >= 0x80) return {};
        out.push_back({Field::Literal, pattern[k]});
      }
      i = close + 1;
      continue;
    }
    if (!isAsciiLetter(c)) {
      out.push_back({Field::Literal, c});
      ++i;
      continue;
    }
    std::size_t run = i;
    while (run < pattern.size() && pattern[run] == c) ++run;
    const std::size_t count = run - i;
    Field field;
    switch (c) {
      case 'y': field = Field::Year; break;
      case 'M': field = Field::Month; break;
      case 'd': field = Field::Day; break;
      case 'H': field = Field::Hour; break;
      case 'm': field = Field::Minute; break;
      case 's': field = Field::Second; break;
      case 'S': field = Field::Millis; break;
      default: return {};
    }
    if (count != static_cast<std::size_t>(fieldWidth(field))) return {};
    const unsigned bit = 1u << static_cast<unsigned>(field);
    if (seen & bit) return {};
    seen |= bit;
    out.push_back({field, 0});
    i = run;
  }
  return out;
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back (H. Hinnant's algorithms).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
}

unsigned daysInMonth(std::int64_t y, unsigned m) {
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[m - 1];
}

constexpr std::int64_t kMillisPerDay = 86'400'000;
constexpr std::int64_t kFirstNativeYear = 1600;
constexpr std::int64_t kLastNativeYear = 9999;

}  // namespace

struct DateFormat::Impl {
  std::unique_ptr<icu::SimpleDateFormat> format;
  std::string pattern;
  Zone zone = Zone::Local;
  unsigned generation = 0;
  std::vector<Element> numeric;                // the native program; empty: ICU only
  std::unique_ptr<icu::BasicTimeZone> local;   // the zone of a local formatter, for the native path

  void compile() { numeric = compileNumeric(pattern); }
  void resetLocalZone() {
    local.reset();
    if (zone != Zone::Local) return;
    std::unique_ptr<icu::TimeZone> tz(icu::TimeZone::createDefault());
    if (auto* basic = dynamic_cast<icu::BasicTimeZone*>(tz.get())) {
      tz.release();
      local.reset(basic);
    }
  }
  bool nativeReady() const { return !numeric.empty() && (zone == Zone::Utc || local != nullptr); }

  // Decides the text when it has exactly the pattern's shape and valid fields; false otherwise.
  bool nativeParse(std::string_view text, UDate& out) const {
    int v[7] = {1970, 1, 1, 0, 0, 0, 0};
    std::size_t pos = 0;
    for (std::size_t i = 0; i < numeric.size(); ++i) {
      const Element& e = numeric[i];
      if (e.field == Field::Literal) {
        if (pos >= text.size() || text[pos] != e.literal) return false;
        ++pos;
        continue;
      }
      const auto width = static_cast<std::size_t>(fieldWidth(e.field));
      if (text.size() - pos < width) return false;
      int value = 0;
      for (std::size_t k = 0; k < width; ++k) {
        const char c = text[pos + k];
        if (!isAsciiDigit(c)) return false;
        value = value * 10 + (c - '0');
      }
      pos += width;
      // A field that no other field abuts reads every digit that follows in ICU: more digits
      // (or anything that might be a digit) are not this path's shape.
      const bool abutted = i + 1 < numeric.size() && numeric[i + 1].field != Field::Literal;
      if (!abutted && pos < text.size() &&
          (isAsciiDigit(text[pos]) || static_cast<unsigned char>(text[pos]) >= 0x80)) {
        return false;
      }
      v[static_cast<int>(e.field)] = value;
    }
    if (pos != text.size()) return false;
    const std::int64_t year = v[0];
    const auto month = static_cast<unsigned>(v[1]), day = static_cast<unsigned>(v[2]);
    if (year < kFirstNativeYear || year > kLastNativeYear || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(year, month) || v[3] > 23 || v[4] > 59 || v[5] > 59) {
      return false;
    }
    const std::int64_t wall = daysFromCivil(year, month, day) * kMillisPerDay +
                              ((v[3] * 60 + v[4]) * 60 + v[5]) * std::int64_t{1000} + v[6];
    if (zone == Zone::Utc) {
      out = static_cast<UDate>(wall);
      return true;
    }
    // As ICU's calendar resolves a local time: a repeated hour is its later occurrence, and a
    // skipped one does not exist (left to ICU, which refuses it).
    UErrorCode status = U_ZERO_ERROR;
    int32_t raw = 0, dst = 0;
    local->getOffsetFromLocal(static_cast<UDate>(wall), UCAL_TZ_LOCAL_FORMER, UCAL_TZ_LOCAL_LATTER, raw, dst, status);
    if (U_FAILURE(status)) return false;
    const std::int64_t utc = wall - raw - dst;
    int32_t raw2 = 0, dst2 = 0;
    local->getOffset(static_cast<UDate>(utc), false, raw2, dst2, status);
    if (U_FAILURE(status) || raw + dst != raw2 + dst2) return false;
    out = static_cast<UDate>(utc);
    return true;
  }

  // Writes the date when its year lies in the native range; false otherwise.
  bool nativeFormat(UDate date, std::string& out) const {
    if (!(date > -1e17 && date < 1e17)) return false;
    std::int64_t millis = static_cast<std::int64_t>(std::floor(date));
    if (zone == Zone::Local) {
      UErrorCode status = U_ZERO_ERROR;
      int32_t raw = 0, dst = 0;
      local->getOffset(date, false, raw, dst, status);
      if (U_FAILURE(status)) return false;
      millis += raw + dst;
    }
    std::int64_t days = millis / kMillisPerDay;
    std::int64_t inDay = millis % kMillisPerDay;
    if (inDay < 0) {
      inDay += kMillisPerDay;
      --days;
    }
    std::int64_t year;
    unsigned month, day;
    civilFromDays(days, year, month, day);
    if (year < kFirstNativeYear || year > kLastNativeYear) return false;
    const int v[7] = {static_cast<int>(year), static_cast<int>(month), static_cast<int>(day),
                      static_cast<int>(inDay / 3'600'000), static_cast<int>(inDay / 60'000 % 60),
                      static_cast<int>(inDay / 1000 % 60), static_cast<int>(inDay % 1000)};
    out.clear();
    out.reserve(numeric.size());
    for (const Element& e : numeric) {
      if (e.field == Field::Literal) {
        out.push_back(e.literal);
        continue;
      }
      int value = v[static_cast<int>(e.field)];
      char digits[4];
      const int width = fieldWidth(e.field);
      for (int k = width - 1; k >= 0; --k) {
        digits[k] = static_cast<char>('0' + value % 10);
        value /= 10;
      }
      out.append(digits, static_cast<std::size_t>(width));
    }
    return true;
  }
};

DateFormat::DateFormat(std::string_view pattern, Zone zone) : impl_(std::make_unique<Impl>()) {
  impl_->pattern = std::string(pattern);
  impl_->zone = zone;
  impl_->generation = gZoneGeneration.load(std::memory_order_acquire);
  UErrorCode status = U_ZERO_ERROR;
  auto format = std::make_unique<icu::SimpleDateFormat>(
      icu::UnicodeString::fromUTF8(icu::StringPiece(pattern.data(), static_cast<int32_t>(pattern.size()))), enUS(),
      status);
  if (U_FAILURE(status)) {
    TD_LOG_WARN("DateFormat: pattern \"" + impl_->pattern + "\" refused: " + u_errorName(status));
    return;
  }
  format->setLenient(false);
  format->adoptTimeZone(newZone(zone));
  impl_->format = std::move(format);
  impl_->compile();
  if (!impl_->numeric.empty()) impl_->resetLocalZone();
}

DateFormat::~DateFormat() = default;
DateFormat::DateFormat(DateFormat&&) noexcept = default;
DateFormat& DateFormat::operator=(DateFormat&&) noexcept = default;

bool DateFormat::valid() const { return impl_ && impl_->format != nullptr; }
const std::string& DateFormat::pattern() const { return impl_->pattern; }
DateFormat::Zone DateFormat::zone() const { return impl_->zone; }

void DateFormat::applyPattern(std::string_view pattern) {
  impl_->pattern = std::string(pattern);
  if (!impl_->format) {
    *this = DateFormat(pattern, impl_->zone);
    return;
  }
  impl_->format->applyPattern(
      icu::UnicodeString::fromUTF8(icu::StringPiece(pattern.data(), static_cast<int32_t>(pattern.size()))));
  impl_->compile();
  if (!impl_->numeric.empty() && !impl_->local) impl_->resetLocalZone();
}

void DateFormat::refreshZone() {
  if (impl_->zone != Zone::Local) return;
  const unsigned generation = gZoneGeneration.load(std::memory_order_acquire);
  if (generation == impl_->generation) return;
  impl_->generation = generation;
  impl_->format->adoptTimeZone(newZone(Zone::Local));
  if (!impl_->numeric.empty()) impl_->resetLocalZone();
}

std::optional<Date> DateFormat::parse(std::string_view text) {
  if (!valid() || text.size() > kLongestText) return std::nullopt;
  refreshZone();
  if (UDate millis = 0; impl_->nativeReady() && impl_->nativeParse(text, millis)) return fromUDate(millis);
  const icu::UnicodeString input =
      icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  icu::ParsePosition position(0);
  const UDate millis = impl_->format->parse(input, position);
  if (position.getErrorIndex() >= 0 || position.getIndex() == 0 || position.getIndex() != input.length()) {
    return std::nullopt;
  }
  return fromUDate(millis);
}

std::string DateFormat::format(Date date) {
  if (!valid()) return {};
  refreshZone();
  const UDate millis = toUDate(date);
  if (std::string text; impl_->nativeReady() && impl_->nativeFormat(millis, text)) return text;
  icu::UnicodeString output;
  impl_->format->format(millis, output);
  std::string text;
  output.toUTF8String(text);
  return text;
}

namespace {

struct PatternHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};
using FormatCache = std::unordered_map<std::string, std::shared_ptr<DateFormat>, PatternHash, std::equal_to<>>;

// Patterns come from the code, so the caches stay small; a caller that makes patterns up cannot
// make them grow without bound.
constexpr std::size_t kCacheLimit = 64;

}  // namespace

std::shared_ptr<DateFormat> DateFormat::cached(std::string_view pattern, Zone zone) {
  thread_local FormatCache localCache;
  thread_local FormatCache utcCache;
  FormatCache& cache = zone == Zone::Local ? localCache : utcCache;
  if (auto found = cache.find(pattern); found != cache.end()) return found->second;
  if (cache.size() >= kCacheLimit) {
    // Drop the formatters nobody holds; one a caller still holds stays alive through its pointer.
    for (auto it = cache.begin(); it != cache.end();) {
      it = it->second.use_count() == 1 ? cache.erase(it) : std::next(it);
    }
  }
  auto format = std::make_shared<DateFormat>(pattern, zone);
  if (cache.size() < kCacheLimit) cache.emplace(std::string(pattern), format);
  return format;
}

bool DateFormat::patternHasTimeZone(std::string_view pattern) {
  bool quoted = false;
  for (char c : pattern) {
    if (c == '\'') {
      quoted = !quoted;  // "''" toggles twice: a literal quote
    } else if (!quoted) {
      switch (c) {
        case 'z':
        case 'Z':
        case 'O':
        case 'v':
        case 'V':
        case 'X':
        case 'x':
          return true;
        default:
          break;
      }
    }
  }
  return false;
}

void DateFormat::useHostTimeZone() {
  tzset();
  icu::TimeZone::adoptDefault(icu::TimeZone::detectHostTimeZone());
  gZoneGeneration.fetch_add(1, std::memory_order_acq_rel);
}

Date DateFormat::addDays(Date date, std::int64_t days) {
  UErrorCode status = U_ZERO_ERROR;
  icu::GregorianCalendar calendar(icu::TimeZone::createDefault(), enUS(), status);
  if (U_FAILURE(status)) {
    TD_LOG_WARN(std::string("DateFormat: no Gregorian calendar: ") + u_errorName(status));
    return date;
  }
  calendar.setTime(toUDate(date), status);
  // ICU adds at most 2^31 - 1 days at a time; anything larger is far beyond its calendar anyway.
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  const auto step = static_cast<std::int32_t>(std::clamp<std::int64_t>(days, -kMax, kMax));
  calendar.add(UCAL_DATE, step, status);
  const UDate result = calendar.getTime(status);
  if (U_FAILURE(status)) return date;
  // Keep the part below the millisecond that ICU does not carry; beyond the range of Date the
  // result stays at its first or last millisecond.
  const auto sinceEpoch = date.time_since_epoch();
  const auto below = sinceEpoch - std::chrono::floor<std::chrono::milliseconds>(sinceEpoch);
  const double clamped = std::clamp(std::floor(result), kFirstDateMillis + 1, kLastDateMillis - 1);
  return *fromUDate(clamped) + below;
}

}  // namespace td
