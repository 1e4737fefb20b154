#pragma once
// Date formatters over ICU: a Unicode date pattern ("yyyyMMddHHmmss", "MMM dd, yyyy HH:mm:ss" ...),
// the fixed locale en_US (so results never depend on the user's language or region), and either the
// process's local time zone or UTC.
//
// Parsing is strict: the whole text must match the pattern, fields must be in range (no 30 February),
// and a local wall time that does not exist (the hour skipped when daylight-saving time starts) does
// not parse. Nor does a date outside the range of Date (the years 1678 to 2262).
//
// A DateFormat is used by one thread at a time. cached() hands out per-thread formatters, so that hot
// paths (table cells, wire time stamps) do not build a formatter per call.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace td {

using Date = std::chrono::system_clock::time_point;

class DateFormat {
 public:
  enum class Zone { Local, Utc };

  explicit DateFormat(std::string_view pattern, Zone zone = Zone::Local);
  ~DateFormat();
  DateFormat(DateFormat&&) noexcept;
  DateFormat& operator=(DateFormat&&) noexcept;

  // False when ICU refused the pattern; such a formatter parses nothing and formats "".
  bool valid() const;
  const std::string& pattern() const;
  Zone zone() const;
  // Switches to another pattern, keeping locale and zone.
  void applyPattern(std::string_view pattern);

  std::optional<Date> parse(std::string_view text);
  std::string format(Date date);

  // The formatter of this thread for the pattern and zone, made at first use. It follows
  // useHostTimeZone(). The pointer stays valid while held, whatever later calls do.
  static std::shared_ptr<DateFormat> cached(std::string_view pattern, Zone zone = Zone::Local);

  // True when the pattern has a time-zone field (z, Z, O, v, V, X or x outside quotes).
  static bool patternHasTimeZone(std::string_view pattern);

  // Re-reads the host's time zone (TZ, else /etc/localtime) as the local zone of every formatter,
  // those made before included. The zone is read once at first use otherwise; call this after
  // changing TZ or when the host's zone changed.
  static void useHostTimeZone();

  // The date `days` calendar days later (earlier when negative) in the Gregorian calendar of the
  // local zone: the wall-clock time stays, across daylight-saving changes too.
  static Date addDays(Date date, std::int64_t days);

 private:
  struct Impl;
  void refreshZone();
  std::unique_ptr<Impl> impl_;
};

}  // namespace td
