#include "platform/DateFormat.h"

#include <gtest/gtest.h>
#include <unicode/locid.h>
#include <unicode/parsepos.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ZoneTestSupport.h"

namespace td {
namespace {

using std::chrono::milliseconds;

using testing::utcDate;
using testing::ZoneGuard;

long long epochMillis(Date d) {
  return std::chrono::duration_cast<milliseconds>(d.time_since_epoch()).count();
}

// Plain ICU, as the reference for every text the native path decides.
class IcuReference {
 public:
  IcuReference(const std::string& pattern, DateFormat::Zone zone) {
    UErrorCode status = U_ZERO_ERROR;
    format_ = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString::fromUTF8(pattern), icu::Locale("en_US"),
                                                      status);
    format_->setLenient(false);
    format_->adoptTimeZone(zone == DateFormat::Zone::Utc ? icu::TimeZone::getGMT()->clone()
                                                         : icu::TimeZone::createDefault());
  }
  std::optional<long long> parse(const std::string& text) {
    const icu::UnicodeString input = icu::UnicodeString::fromUTF8(text);
    icu::ParsePosition pos(0);
    const UDate d = format_->parse(input, pos);
    if (pos.getErrorIndex() >= 0 || pos.getIndex() == 0 || pos.getIndex() != input.length()) return std::nullopt;
    return static_cast<long long>(d);
  }
  std::string format(long long millis) {
    icu::UnicodeString out;
    format_->format(static_cast<UDate>(millis), out);
    std::string text;
    out.toUTF8String(text);
    return text;
  }

 private:
  std::unique_ptr<icu::SimpleDateFormat> format_;
};

// The range of Date in milliseconds (64-bit nanoseconds).
constexpr long long kFirstDate = -9'223'372'036'854LL;
constexpr long long kLastDate = 9'223'372'036'854LL;

const char* const kPatterns[] = {"yyyyMMddHHmmss", "MM/dd/yyyy HH:mm:ss", "MM/dd/yyyy", "HH:mm:ss",
                                 "yyyy-MM-dd'T'HH:mm:ss.SSS", "yyyy-MM-dd'T'HH:mm:ss"};

void expectSameAsIcu(DateFormat::Zone zone, std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  const std::string noise = "0123456789 :/-T.+x\t9";
  for (const char* pattern : kPatterns) {
    DateFormat ours(pattern, zone);
    IcuReference icu(pattern, zone);
    auto check = [&](const std::string& text) {
      const std::optional<Date> got = ours.parse(text);
      // Plain values rather than an optional: g++ 12 at -O3 misreads the optional as uninitialised.
      const std::optional<long long> parsed = icu.parse(text);
      const bool expected = parsed.has_value() && *parsed >= kFirstDate && *parsed <= kLastDate;  // beyond Date: refused
      const long long want = expected ? *parsed : 0;
      ASSERT_EQ(got.has_value(), expected) << pattern << " \"" << text << "\"";
      if (got) {
        ASSERT_EQ(epochMillis(*got), want) << pattern << " \"" << text << "\"";
      }
    };
    for (int i = 0; i < 250; ++i) {
      // Instants from 1680 to 2260.
      const long long millis = -9'150'000'000'000LL + static_cast<long long>(rng() % 18'300'000'000'000ULL);
      const std::string text = icu.format(millis);
      ASSERT_EQ(ours.format(Date(milliseconds(millis))), text) << pattern << " " << millis;
      check(text);
      std::string mutated = text;
      switch (rng() % 4) {
        case 0:
          mutated[rng() % mutated.size()] = noise[rng() % noise.size()];
          break;
        case 1:
          mutated.erase(rng() % mutated.size(), 1);
          break;
        case 2:
          mutated.insert(rng() % (mutated.size() + 1), 1, noise[rng() % noise.size()]);
          break;
        default: {  // out-of-range fields: month 13, day 31 of a short month, hour 24, second 60
          const char* swaps[] = {"13", "31", "24", "60", "00", "29"};
          const std::size_t at = rng() % (mutated.size() - 1);
          if (std::isdigit(static_cast<unsigned char>(mutated[at])) &&
              std::isdigit(static_cast<unsigned char>(mutated[at + 1]))) {
            mutated.replace(at, 2, swaps[rng() % 6]);
          }
        }
      }
      check(mutated);
    }
  }
}

TEST(DateFormatNative, ParsesAndFormatsLikeIcuInUtc) { expectSameAsIcu(DateFormat::Zone::Utc, 1); }

TEST(DateFormatNative, ParsesAndFormatsLikeIcuInNewYork) {
  ZoneGuard zone("America/New_York");
  expectSameAsIcu(DateFormat::Zone::Local, 2);
}

TEST(DateFormatNative, ParsesAndFormatsLikeIcuInSydney) {
  ZoneGuard zone("Australia/Sydney");
  expectSameAsIcu(DateFormat::Zone::Local, 3);
}

// Every minute of the nights the clocks change: the skipped hour does not exist, the repeated one
// is read as its later occurrence, exactly as ICU reads them.
TEST(DateFormatNative, DaylightSavingNightsLikeIcu) {
  struct Night {
    const char* tz;
    const char* day;
  };
  for (const Night& night : {Night{"America/New_York", "20150308"}, Night{"America/New_York", "20151101"},
                             Night{"Australia/Sydney", "20150405"}, Night{"Australia/Sydney", "20151004"}}) {
    ZoneGuard zone(night.tz);
    DateFormat ours("yyyyMMddHHmmss");
    IcuReference icu("yyyyMMddHHmmss", DateFormat::Zone::Local);
    int refused = 0;
    for (int minute = 0; minute < 5 * 60; ++minute) {
      char text[32];
      std::snprintf(text, sizeof text, "%s%02d%02d00", night.day, minute / 60, minute % 60);
      const auto got = ours.parse(text);
      const auto want = icu.parse(text);
      ASSERT_EQ(got.has_value(), want.has_value()) << night.tz << " " << text;
      if (got) {
        ASSERT_EQ(epochMillis(*got), *want) << night.tz << " " << text;
        ASSERT_EQ(ours.format(*got), icu.format(*want)) << night.tz << " " << text;
      } else {
        ++refused;
      }
    }
    const bool springForward = std::string(night.day) == "20150308" || std::string(night.day) == "20151004";
    EXPECT_EQ(refused, springForward ? 60 : 0) << night.tz << " " << night.day;
  }
}

TEST(DateFormat, LocalZoneFollowsTheHost) {
  const Date instant = utcDate(2015, 7, 1, 12, 0, 0);
  DateFormat format("yyyyMMddHHmmss");
  {
    ZoneGuard zone("America/New_York");
    EXPECT_EQ(format.format(instant), "20150701080000");
    EXPECT_EQ(DateFormat::cached("yyyyMMddHHmmss")->format(instant), "20150701080000");
  }
  {
    ZoneGuard zone("Australia/Sydney");
    EXPECT_EQ(format.format(instant), "20150701220000");
    EXPECT_EQ(DateFormat::cached("yyyyMMddHHmmss")->format(instant), "20150701220000");
    EXPECT_EQ(DateFormat::cached("yyyyMMddHHmmss", DateFormat::Zone::Utc)->format(instant), "20150701120000");
  }
}

TEST(DateFormat, StrictWholeTextParse) {
  DateFormat format("MM/dd/yyyy HH:mm:ss", DateFormat::Zone::Utc);
  EXPECT_FALSE(format.parse(""));
  EXPECT_FALSE(format.parse("02/30/2015 10:00:00"));
  EXPECT_FALSE(format.parse("03/04/2015 10:00:00 extra"));
  EXPECT_FALSE(format.parse("03/04/2015"));
  EXPECT_EQ(epochMillis(*format.parse("02/29/2016 23:59:59")), epochMillis(utcDate(2016, 2, 29, 23, 59, 59)));
  // Beyond what Date holds.
  EXPECT_FALSE(format.parse("01/01/2500 00:00:00"));
  EXPECT_FALSE(format.parse("01/01/1601 00:00:00"));
  EXPECT_FALSE(format.parse("01/01/0200 00:00:00"));
  EXPECT_TRUE(format.parse("01/01/2262 00:00:00"));
}

TEST(DateFormat, OtherPatternsGoThroughIcu) {
  ZoneGuard zone("America/New_York");
  const Date instant = utcDate(2015, 3, 4, 22, 6, 7);
  EXPECT_EQ(DateFormat("MMM dd, yyyy hh:mm:ss a").format(instant), "Mar 04, 2015 05:06:07 PM");
  EXPECT_EQ(DateFormat("yyyy-MM-dd'T'HH:mm:ssZZZ").format(instant), "2015-03-04T17:06:07-0500");
  EXPECT_EQ(epochMillis(*DateFormat("yyyy-MM-dd'T'HH:mm:ssZZZ").parse("2015-03-04T05:06:07+0000")),
            epochMillis(utcDate(2015, 3, 4, 5, 6, 7)));
  DateFormat switched("yyyyMMddHHmmss");
  switched.applyPattern("EEE, d MMM yyyy");
  EXPECT_EQ(switched.format(instant), "Wed, 4 Mar 2015");
  EXPECT_EQ(switched.pattern(), "EEE, d MMM yyyy");
}

TEST(DateFormat, PatternHasTimeZone) {
  EXPECT_FALSE(DateFormat::patternHasTimeZone("yyyyMMddHHmmss"));
  EXPECT_FALSE(DateFormat::patternHasTimeZone("yyyy-MM-dd'T'HH:mm:ss 'Zulu'"));
  EXPECT_TRUE(DateFormat::patternHasTimeZone("yyyy-MM-dd'T'HH:mm:ssZZZ"));
  EXPECT_TRUE(DateFormat::patternHasTimeZone("HH:mm z"));
  EXPECT_TRUE(DateFormat::patternHasTimeZone("HH:mm 'o''clock' XXX"));
}

TEST(DateFormat, AddDaysKeepsTheWallClockAcrossDaylightSaving) {
  {
    ZoneGuard zone("America/New_York");
    const Date saturdayNoon = utcDate(2015, 3, 7, 17, 0, 0);  // 12:00 EST
    EXPECT_EQ(DateFormat::addDays(saturdayNoon, 1), utcDate(2015, 3, 8, 16, 0, 0));  // 12:00 EDT, 23 h later
    EXPECT_EQ(DateFormat::addDays(utcDate(2015, 3, 8, 16, 0, 0), -1), saturdayNoon);
    EXPECT_EQ(DateFormat::addDays(saturdayNoon, 0), saturdayNoon);
    EXPECT_EQ(DateFormat::addDays(utcDate(2016, 1, 31, 17, 0, 0), 30), utcDate(2016, 3, 1, 17, 0, 0));
  }
  {
    ZoneGuard zone("Australia/Sydney");
    const Date saturdayNoon = utcDate(2015, 4, 4, 1, 0, 0);  // 12:00 AEDT
    EXPECT_EQ(DateFormat::addDays(saturdayNoon, 1), utcDate(2015, 4, 5, 2, 0, 0));  // 12:00 AEST, 25 h later
  }
  const Date withMicros = utcDate(2015, 1, 1, 0, 0, 0) + std::chrono::microseconds(1500);
  EXPECT_EQ(DateFormat::addDays(withMicros, 2) - withMicros, std::chrono::hours(48));
}

TEST(DateFormat, CachedFormattersArePerThreadAndStayValidWhileHeld) {
  const Date instant = utcDate(2015, 3, 4, 5, 6, 7);
  std::shared_ptr<DateFormat> held = DateFormat::cached("yyyyMMddHHmmss", DateFormat::Zone::Utc);
  EXPECT_EQ(held, DateFormat::cached("yyyyMMddHHmmss", DateFormat::Zone::Utc));
  for (int i = 0; i < 200; ++i) {  // more patterns than the cache keeps
    DateFormat::cached("'" + std::to_string(i) + "' yyyy", DateFormat::Zone::Utc)->format(instant);
  }
  EXPECT_EQ(held->format(instant), "20150304050607");

  std::vector<std::thread> threads;
  std::vector<std::string> results(4);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, instant, &results] {
      const char* pattern = kPatterns[t];
      std::string last;
      for (int i = 0; i < 500; ++i) {
        auto format = DateFormat::cached(pattern, DateFormat::Zone::Utc);
        last = format->format(instant);
        if (!format->parse(last)) last = "parse failed";
      }
      results[static_cast<std::size_t>(t)] = last;
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(results[0], "20150304050607");
  EXPECT_EQ(results[1], "03/04/2015 05:06:07");
  EXPECT_EQ(results[2], "03/04/2015");
  EXPECT_EQ(results[3], "05:06:07");
}

}  // namespace
}  // namespace td
