#pragma once
// Number and date texts of the wire and the windows: wire time stamps, display dates and times,
// prices with an instrument's decimals, amounts in words, chat text wrapped as RTF.
//
// Every formatter uses the locale en_US and the local time zone, so results never depend on the
// user's language or region. Formatters are cached per pattern and per thread (results are the same
// as with fresh ones), so every operation may run on any thread.
//
// A result that may be absent (std::nullopt) is one the caller must tell apart from "" (a text that
// did not parse, against an empty date).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/DateFormat.h"

namespace td {

inline constexpr std::string_view AMP_DATE_FORMAT = "yyyyMMddHHmmss";            // wire time stamps
inline constexpr std::string_view DISPLAY_DATE_TIME_FORMAT = "MM/dd/yyyy HH:mm:ss";  // tables, windows
inline constexpr std::string_view DISPLAY_DATE_FORMAT = "MM/dd/yyyy";
inline constexpr std::string_view DISPLAY_TIME_FORMAT = "HH:mm:ss";

class Formatter {
 public:
  // The number in text written in the decimal style: "1234.5" gives "1,234.50" (grouping, at least
  // two and at most three fraction digits, half-even); what shows zero has no sign ("-0.0001" gives
  // "0.00"). Nothing when the text is not a plain number.
  static std::optional<std::string> formatDecimalWithString(std::string_view text);

  // The value with `digits` fraction digits, exactly as C's printf "%.Nf" writes it (rounding of the
  // exact binary value, "-" for negatives, no grouping, "." whatever the C locale), except that a
  // value that shows as zero has no sign: a negative zero, or -0.001 with two digits, gives "0.00",
  // never "-0.00" (the windows write their amounts of money here, a break-even profit among them).
  // A count of 0 or below gives two digits; counts above 50 give 50.
  static std::string formatDecimal(double value, std::int32_t digits);

  // A date with a zone part ("2015-03-04T05:06:07+05:30"), read with `sourceFormat` after its zone
  // has been replaced by "+0000" (its clock time is taken as UTC), and written with
  // `destinationFormat` in the local zone. Nothing when it does not match.
  static std::optional<std::string> dateStringFromString(std::string_view text, std::string_view sourceFormat,
                                                         std::string_view destinationFormat);

  // The date text re-written from one pattern into another: "" for an empty text or the empty date
  // "00010101000000", nothing when the text does not match `sourceFormat`. Nothing shifts: a time
  // the local clocks skip or repeat comes through as it stands (unless a pattern shows the zone).
  static std::optional<std::string> formatDateandTimeFromString(std::string_view text, std::string_view sourceFormat,
                                                                std::string_view destinationFormat);

  // The wire time stamp "yyyyMMddHHmmss" of the date in the local zone.
  static std::string setAmpFormat(Date date);
  // "MM/dd/yyyy" of the date in the local zone.
  static std::string formatDate(Date date);

  // A one-paragraph RTF document holding the text; "\", "{" and "}" are escaped, and a line break
  // (line feed, carriage return, or the pair) becomes a backslash and the break: a paragraph mark.
  static std::string ConvertStringtoRTF(std::string_view text);

  // The date `daysAhead` calendar days later (earlier when negative), same wall-clock time.
  static Date getDate(Date date, std::int64_t daysAhead);

  // For a date-time column: the time alone ("HH:mm:ss") when the column is at most 135 points wide,
  // else the text unchanged.
  static std::optional<std::string> getDateonColumnResizing(double columnWidth, std::string_view dateString);

  // A server date "yyyy-MM-dd'T'HH:mm:ss.SSS" or "yyyy-MM-dd'T'HH:mm:ss" re-written with
  // `destinationFormat`; "" for an empty text; the text unchanged when it matches neither.
  static std::string formatDateandTimeFromString(std::string_view text, std::string_view destinationFormat);

  // The date of a server date text (with milliseconds or without) in the local zone; nothing when
  // the text is empty or matches neither form.
  static std::optional<Date> formatDateFromString(std::string_view text);

  // A new date formatter: en_US, the local zone, the pattern.
  static DateFormat getDateFormatter(std::string_view pattern);

  // The integer part of the text in English words: "42" gives "forty-two", "12.9" "twelve", a text
  // without a leading number "zero".
  static std::string spelloutFromString(std::string_view text);
};

}  // namespace td
