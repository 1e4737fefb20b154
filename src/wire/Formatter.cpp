#include "wire/Formatter.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "platform/NumberFormat.h"

namespace td {

namespace {

constexpr std::string_view kServerDateMillis = "yyyy-MM-dd'T'HH:mm:ss.SSS";
constexpr std::string_view kServerDate = "yyyy-MM-dd'T'HH:mm:ss";
constexpr std::string_view kEmptyDate = "00010101000000";

// Re-writing a date text from one pattern into another reads and writes it in the same zone, so
// neither shifts anything. When neither pattern shows a zone, the pair runs in UTC, which has no
// daylight-saving gap: a time stamp that falls into the hour skipped locally (02:30 on the day the
// clocks go forward) is re-written as it stands instead of being refused.
DateFormat::Zone conversionZone(std::string_view source, std::string_view destination) {
  return DateFormat::patternHasTimeZone(source) || DateFormat::patternHasTimeZone(destination)
             ? DateFormat::Zone::Local
             : DateFormat::Zone::Utc;
}

// The leading integer of a text: white space skipped, optional sign, digits; 0 when there is none;
// clamped to the 32-bit range.
std::int32_t leadingInt32(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = std::min<std::int64_t>(value * 10 + (text[i] - '0'), std::int64_t{1} << 32);
  }
  if (negative) value = -value;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

// Whether a number text shows zero with a sign: a negative zero, or a small loss that rounds to
// nothing, would read "-0.00", a loss where there is none.
bool isSignedZero(std::string_view text) {
  return !text.empty() && text.front() == '-' &&
         std::all_of(text.begin() + 1, text.end(), [](char c) { return c == '0' || c == '.' || c == ','; });
}

}  // namespace

std::optional<std::string> Formatter::formatDecimalWithString(std::string_view text) {
  // Read in the plain style, written in the decimal style; the minimum of two fraction digits
  // holds for both.
  thread_local NumberFormat reader = [] {
    NumberFormat f(NumberFormat::Style::Plain);
    f.setMinimumFractionDigits(2);
    return f;
  }();
  thread_local NumberFormat writer = [] {
    NumberFormat f(NumberFormat::Style::Decimal);
    f.setMinimumFractionDigits(2);
    return f;
  }();
  const std::optional<double> value = reader.parse(text);
  if (!value) return std::nullopt;
  std::string out = writer.format(*value);
  if (isSignedZero(out)) out.erase(0, 1);
  return out;
}

std::string Formatter::formatDecimal(double value, std::int32_t digits) {
  // printf reads a negative count in "%.%df" as no valid conversion at all; two digits, as for 0,
  // is the sound reading.
  if (digits <= 0) digits = 2;
  digits = std::min(digits, 50);
  char buffer[400];  // 309 integer digits, the point, 50 fraction digits, the sign
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, digits);
  const char* from = isSignedZero(std::string_view(buffer, result.ptr)) ? buffer + 1 : buffer;
  return std::string(from, static_cast<const char*>(result.ptr));
}

std::optional<std::string> Formatter::dateStringFromString(std::string_view text, std::string_view sourceFormat,
                                                           std::string_view destinationFormat) {
  std::string_view clock = text.substr(0, text.find('+'));
  if (clock.size() == text.size()) {
    // No "+": a negative offset ("-05:00") or "Z" after the time would stay and make the text
    // unreadable; it is dropped like a positive one, so the clock time is taken as UTC alike.
    const std::size_t time = text.find('T');
    if (time != std::string_view::npos) clock = text.substr(0, text.find_first_of("-Z", time));
  }
  std::string utc(clock);
  utc += "+0000";
  const std::optional<Date> date = DateFormat::cached(sourceFormat)->parse(utc);
  if (!date) return std::nullopt;
  return DateFormat::cached(destinationFormat)->format(*date);
}

std::optional<std::string> Formatter::formatDateandTimeFromString(std::string_view text,
                                                                  std::string_view sourceFormat,
                                                                  std::string_view destinationFormat) {
  if (text.empty() || text == kEmptyDate) return std::string();
  const DateFormat::Zone zone = conversionZone(sourceFormat, destinationFormat);
  const std::optional<Date> date = DateFormat::cached(sourceFormat, zone)->parse(text);
  if (!date) return std::nullopt;
  return DateFormat::cached(destinationFormat, zone)->format(*date);
}

std::string Formatter::setAmpFormat(Date date) { return DateFormat::cached(AMP_DATE_FORMAT)->format(date); }

std::string Formatter::formatDate(Date date) { return DateFormat::cached(DISPLAY_DATE_FORMAT)->format(date); }

std::string Formatter::ConvertStringtoRTF(std::string_view text) {
  std::string rtf =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fnil\\fcharset0 Microsoft Sans Serif;}}"
      "\n\\viewkind4\\uc1\\pard\\f0\\fs17 ";
  rtf.reserve(rtf.size() + text.size() + 8);
  char previous = 0;
  for (char c : text) {
    // A raw line break is no text in RTF: a backslash before it makes it a paragraph mark (once
    // for a carriage return and line feed pair).
    if (c == '\\' || c == '{' || c == '}' || c == '\r' || (c == '\n' && previous != '\r')) rtf.push_back('\\');
    rtf.push_back(c);
    previous = c;
  }
  rtf += "\\par}";
  return rtf;
}

Date Formatter::getDate(Date date, std::int64_t daysAhead) { return DateFormat::addDays(date, daysAhead); }

std::optional<std::string> Formatter::getDateonColumnResizing(double columnWidth, std::string_view dateString) {
  if (columnWidth <= 135) return formatDateandTimeFromString(dateString, DISPLAY_DATE_TIME_FORMAT, DISPLAY_TIME_FORMAT);
  return std::string(dateString);
}

std::string Formatter::formatDateandTimeFromString(std::string_view text, std::string_view destinationFormat) {
  if (text.empty()) return std::string();
  const DateFormat::Zone zone = conversionZone({}, destinationFormat);
  for (std::string_view source : {kServerDateMillis, kServerDate}) {
    if (const std::optional<Date> date = DateFormat::cached(source, zone)->parse(text)) {
      return DateFormat::cached(destinationFormat, zone)->format(*date);
    }
  }
  return std::string(text);
}

std::optional<Date> Formatter::formatDateFromString(std::string_view text) {
  if (text.empty()) return std::nullopt;
  for (std::string_view source : {kServerDateMillis, kServerDate}) {
    if (const std::optional<Date> date = DateFormat::cached(source)->parse(text)) return date;
  }
  return std::nullopt;
}

DateFormat Formatter::getDateFormatter(std::string_view pattern) { return DateFormat(pattern); }

std::string Formatter::spelloutFromString(std::string_view text) {
  thread_local NumberFormat words(NumberFormat::Style::SpellOut);
  return words.format(static_cast<std::int64_t>(leadingInt32(text)));
}

}  // namespace td
