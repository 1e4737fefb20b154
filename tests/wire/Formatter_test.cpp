#include "wire/Formatter.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <optional>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "../platform/ZoneTestSupport.h"

namespace td {
namespace {

using std::chrono::milliseconds;

using testing::utcDate;
using testing::ZoneGuard;

constexpr std::string_view kXmlDate = "yyyy-MM-dd'T'HH:mm:ssZZZ";

// ---- Numbers ----

TEST(FormatterNumbers, FormatDecimalWritesLikePrintf) {
  EXPECT_EQ(Formatter::formatDecimal(1.005, 0), "1.00");  // 0 digits means 2; 1.005 is 1.00499...
  EXPECT_EQ(Formatter::formatDecimal(0.125, 2), "0.12");   // an exact tie goes to even, as in printf
  EXPECT_EQ(Formatter::formatDecimal(0.375, 2), "0.38");
  EXPECT_EQ(Formatter::formatDecimal(1.23456, 5), "1.23456");
  EXPECT_EQ(Formatter::formatDecimal(1e21, 1), "1000000000000000000000.0");
  EXPECT_EQ(Formatter::formatDecimal(2.5, -3), "2.50");  // a negative count, like 0, means 2
  EXPECT_EQ(Formatter::formatDecimal(1.0, 500).size(), 52u);  // capped at 50 digits
  std::mt19937_64 rng(5);
  for (int i = 0; i < 5000; ++i) {
    const double value = std::ldexp(static_cast<double>(rng() >> 11) - 4.5e15, static_cast<int>(rng() % 80) - 60);
    const int digits = 1 + static_cast<int>(rng() % 12);
    char expected[512];
    std::snprintf(expected, sizeof expected, "%.*f", digits, value);
    const bool signedZero = expected[0] == '-' && std::strspn(expected + 1, "0.") == std::strlen(expected + 1);
    ASSERT_EQ(Formatter::formatDecimal(value, digits), expected + (signedZero ? 1 : 0)) << value << " " << digits;
  }
}

// An amount the client works out itself (a floating profit, a close's estimate, an account's
// figures) is zero at break-even, often a negated or a tiny negative one: it shows as zero.
TEST(FormatterNumbers, WhatShowsAsZeroHasNoSign) {
  EXPECT_EQ(Formatter::formatDecimal(-0.0, 2), "0.00");
  EXPECT_EQ(Formatter::formatDecimal(-0.001, 2), "0.00");
  EXPECT_EQ(Formatter::formatDecimal(-1e-300, 5), "0.00000");
  EXPECT_EQ(Formatter::formatDecimal(-0.006, 2), "-0.01");
  EXPECT_EQ(Formatter::formatDecimalWithString("-0.00"), "0.00");
  EXPECT_EQ(Formatter::formatDecimalWithString("-0"), "0.00");
  EXPECT_EQ(Formatter::formatDecimalWithString("-0.0004"), "0.00");
  EXPECT_EQ(Formatter::formatDecimalWithString("-0.004"), "-0.004");
}

TEST(FormatterNumbers, FormatDecimalIgnoresTheCLocale) {
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
    GTEST_SKIP() << "no locale with a decimal comma installed";
  }
  EXPECT_EQ(Formatter::formatDecimal(1.5, 2), "1.50");
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(FormatterNumbers, FormatDecimalWithString) {
  EXPECT_EQ(Formatter::formatDecimalWithString("1234.5"), "1,234.50");
  EXPECT_EQ(Formatter::formatDecimalWithString("-1234567.891"), "-1,234,567.891");
  EXPECT_EQ(Formatter::formatDecimalWithString("0"), "0.00");
  EXPECT_EQ(Formatter::formatDecimalWithString("1.23456"), "1.235");  // three digits at most
  EXPECT_EQ(Formatter::formatDecimalWithString("1.0005"), "1.00");    // the tie goes to even
  EXPECT_EQ(Formatter::formatDecimalWithString("-1234.50"), "-1,234.50");
  for (const char* text : {"", "abc", "1,234.5", "12 ", "1.2.3"}) {
    EXPECT_FALSE(Formatter::formatDecimalWithString(text)) << text;
  }
}

TEST(FormatterNumbers, SpelloutFromString) {
  EXPECT_EQ(Formatter::spelloutFromString("42"), "forty-two");
  EXPECT_EQ(Formatter::spelloutFromString("12.9"), "twelve");
  EXPECT_EQ(Formatter::spelloutFromString("  -7abc"), "minus seven");
  EXPECT_EQ(Formatter::spelloutFromString("abc"), "zero");
  EXPECT_EQ(Formatter::spelloutFromString(""), "zero");
  EXPECT_EQ(Formatter::spelloutFromString("1500000"), "one million five hundred thousand");
  // Clamped to the 32-bit range.
  EXPECT_EQ(Formatter::spelloutFromString("99999999999"), Formatter::spelloutFromString("2147483647"));
  EXPECT_EQ(Formatter::spelloutFromString("-99999999999"), Formatter::spelloutFromString("-2147483648"));
}

// ---- RTF ----

TEST(FormatterRtf, WrapsTheTextInTheTemplate) {
  EXPECT_EQ(Formatter::ConvertStringtoRTF("Hello"),
            "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fnil\\fcharset0 Microsoft Sans "
            "Serif;}}\n\\viewkind4\\uc1\\pard\\f0\\fs17 Hello\\par}");
}

TEST(FormatterRtf, LineBreaksBecomeParagraphMarks) {
  const std::string rtf = Formatter::ConvertStringtoRTF("a\nb\r\nc\rd");
  EXPECT_EQ(rtf.substr(rtf.find("\\fs17 ") + 6), "a\\\nb\\\r\nc\\\rd\\par}");
}

TEST(FormatterRtf, BracesAndBackslashesCannotCloseOrOpenAGroup) {
  const std::string rtf = Formatter::ConvertStringtoRTF("a}b{c\\d}}");
  const std::string body = rtf.substr(rtf.find("\\fs17 ") + 6);
  EXPECT_EQ(body, "a\\}b\\{c\\\\d\\}\\}\\par}");
  // Unescaped braces balance: the document is one group that closes at its very end.
  int depth = 0;
  for (std::size_t i = 0; i < rtf.size(); ++i) {
    if (rtf[i] == '\\') {
      ++i;
      continue;
    }
    if (rtf[i] == '{') ++depth;
    if (rtf[i] == '}') {
      --depth;
      if (depth == 0) {
        EXPECT_EQ(i, rtf.size() - 1);
      }
    }
  }
  EXPECT_EQ(depth, 0);
}

// ---- Dates: two zones, each with its daylight-saving changes ----

TEST(FormatterDates, WireStampAndDateInTheLocalZone) {
  {
    ZoneGuard zone("America/New_York");
    EXPECT_EQ(Formatter::setAmpFormat(utcDate(2015, 3, 8, 6, 59, 59)), "20150308015959");  // EST
    EXPECT_EQ(Formatter::setAmpFormat(utcDate(2015, 3, 8, 7, 0, 0)), "20150308030000");    // EDT
    EXPECT_EQ(Formatter::setAmpFormat(utcDate(2015, 11, 1, 5, 30, 0)), "20151101013000");  // EDT
    EXPECT_EQ(Formatter::setAmpFormat(utcDate(2015, 11, 1, 6, 30, 0)), "20151101013000");  // EST
    EXPECT_EQ(Formatter::formatDate(utcDate(2015, 3, 4, 3, 0, 0)), "03/03/2015");
  }
  {
    ZoneGuard zone("Australia/Sydney");
    EXPECT_EQ(Formatter::setAmpFormat(utcDate(2015, 4, 4, 15, 59, 59)), "20150405025959");  // AEDT
    EXPECT_EQ(Formatter::setAmpFormat(utcDate(2015, 4, 4, 16, 0, 0)), "20150405020000");    // AEST
    EXPECT_EQ(Formatter::formatDate(utcDate(2015, 3, 4, 14, 0, 0)), "03/05/2015");
  }
}

TEST(FormatterDates, FormatDateandTimeFromStringRewritesWithoutShifting) {
  for (const char* tz : {"America/New_York", "Australia/Sydney"}) {
    ZoneGuard zone(tz);
    EXPECT_EQ(Formatter::formatDateandTimeFromString("20150304050607", AMP_DATE_FORMAT, DISPLAY_DATE_TIME_FORMAT),
              "03/04/2015 05:06:07");
    EXPECT_EQ(Formatter::formatDateandTimeFromString("03/04/2015 17:06:07", DISPLAY_DATE_TIME_FORMAT, AMP_DATE_FORMAT),
              "20150304170607");
    EXPECT_EQ(Formatter::formatDateandTimeFromString("20150304170607", AMP_DATE_FORMAT, "dd/MM/yyyy hh:mm:ss a"),
              "04/03/2015 05:06:07 PM");
    EXPECT_EQ(Formatter::formatDateandTimeFromString("20150304170607", AMP_DATE_FORMAT, "MMM dd, yyyy HH:mm:ss"),
              "Mar 04, 2015 17:06:07");
    // The hours the clocks skip and repeat come through as they stand.
    EXPECT_EQ(Formatter::formatDateandTimeFromString("20150308023000", AMP_DATE_FORMAT, DISPLAY_DATE_TIME_FORMAT),
              "03/08/2015 02:30:00");
    EXPECT_EQ(Formatter::formatDateandTimeFromString("20151004023000", AMP_DATE_FORMAT, DISPLAY_DATE_TIME_FORMAT),
              "10/04/2015 02:30:00");
    EXPECT_EQ(Formatter::formatDateandTimeFromString("20151101013000", AMP_DATE_FORMAT, DISPLAY_TIME_FORMAT),
              "01:30:00");
  }
}

TEST(FormatterDates, EmptyDatesAndTextsThatDoNotMatch) {
  EXPECT_EQ(Formatter::formatDateandTimeFromString("", AMP_DATE_FORMAT, DISPLAY_DATE_TIME_FORMAT), "");
  EXPECT_EQ(Formatter::formatDateandTimeFromString("00010101000000", AMP_DATE_FORMAT, DISPLAY_DATE_TIME_FORMAT), "");
  for (const char* text : {"2015030405060", "201503040506078", "20150230120000", "20151304050607", "garbage",
                           "2015-03-04 05:06:07"}) {
    EXPECT_FALSE(Formatter::formatDateandTimeFromString(text, AMP_DATE_FORMAT, DISPLAY_DATE_TIME_FORMAT)) << text;
  }
}

TEST(FormatterDates, ZoneInTheDestinationUsesTheLocalZone) {
  ZoneGuard zone("America/New_York");
  EXPECT_EQ(Formatter::formatDateandTimeFromString("20150308010000", AMP_DATE_FORMAT, "yyyy-MM-dd HH:mm Z"),
            "2015-03-08 01:00 -0500");
  EXPECT_EQ(Formatter::formatDateandTimeFromString("20150308040000", AMP_DATE_FORMAT, "yyyy-MM-dd HH:mm Z"),
            "2015-03-08 04:00 -0400");
}

TEST(FormatterDates, DateStringFromStringTakesTheClockTimeAsUtc) {
  {
    ZoneGuard zone("America/New_York");
    EXPECT_EQ(Formatter::dateStringFromString("2015-03-04T05:06:07+05:30", kXmlDate, DISPLAY_DATE_TIME_FORMAT),
              "03/04/2015 00:06:07");
    EXPECT_EQ(Formatter::dateStringFromString("2015-03-08T06:59:59+0000", kXmlDate, DISPLAY_DATE_TIME_FORMAT),
              "03/08/2015 01:59:59");
    EXPECT_EQ(Formatter::dateStringFromString("2015-03-08T07:00:00+0000", kXmlDate, DISPLAY_DATE_TIME_FORMAT),
              "03/08/2015 03:00:00");
    // A negative offset, "Z" or no zone at all are read the same way as a positive offset.
    for (const char* text : {"2015-03-04T05:06:07-05:00", "2015-03-04T05:06:07Z", "2015-03-04T05:06:07"}) {
      EXPECT_EQ(Formatter::dateStringFromString(text, kXmlDate, DISPLAY_DATE_TIME_FORMAT), "03/04/2015 00:06:07")
          << text;
    }
    EXPECT_FALSE(Formatter::dateStringFromString("", kXmlDate, DISPLAY_DATE_TIME_FORMAT));
    EXPECT_FALSE(Formatter::dateStringFromString("2015-03-04T05:06:07.123+0000", kXmlDate, DISPLAY_DATE_TIME_FORMAT));
  }
  {
    ZoneGuard zone("Australia/Sydney");
    EXPECT_EQ(Formatter::dateStringFromString("2015-03-04T05:06:07+05:30", kXmlDate, DISPLAY_DATE_TIME_FORMAT),
              "03/04/2015 16:06:07");
    EXPECT_EQ(Formatter::dateStringFromString("2015-07-04T05:06:07+05:30", kXmlDate, DISPLAY_DATE_TIME_FORMAT),
              "07/04/2015 15:06:07");
  }
}

TEST(FormatterDates, ServerDatesWithAndWithoutMilliseconds) {
  ZoneGuard zone("Australia/Sydney");
  EXPECT_EQ(Formatter::formatDateandTimeFromString("2015-03-04T05:06:07.123", DISPLAY_DATE_TIME_FORMAT),
            "03/04/2015 05:06:07");
  EXPECT_EQ(Formatter::formatDateandTimeFromString("2015-03-04T05:06:07", DISPLAY_DATE_TIME_FORMAT),
            "03/04/2015 05:06:07");
  EXPECT_EQ(Formatter::formatDateandTimeFromString("2015-03-04T05:06:07.123", "HH:mm:ss.SSS"), "05:06:07.123");
  EXPECT_EQ(Formatter::formatDateandTimeFromString("not a date", DISPLAY_DATE_TIME_FORMAT), "not a date");
  EXPECT_EQ(Formatter::formatDateandTimeFromString("", DISPLAY_DATE_TIME_FORMAT), "");

  EXPECT_EQ(Formatter::formatDateFromString("2015-03-04T05:06:07.123"), utcDate(2015, 3, 3, 18, 6, 7, 123));  // AEDT
  EXPECT_EQ(Formatter::formatDateFromString("2015-07-04T05:06:07"), utcDate(2015, 7, 3, 19, 6, 7));          // AEST
  EXPECT_FALSE(Formatter::formatDateFromString(""));
  EXPECT_FALSE(Formatter::formatDateFromString("2015-07-04"));
  EXPECT_FALSE(Formatter::formatDateFromString("2015-10-04T02:30:00"));  // skipped in Sydney
}

TEST(FormatterDates, GetDateKeepsTheWallClockAcrossTheChange) {
  ZoneGuard zone("America/New_York");
  const Date saturdayNoon = utcDate(2015, 3, 7, 17, 0, 0);
  EXPECT_EQ(Formatter::getDate(saturdayNoon, 1), utcDate(2015, 3, 8, 16, 0, 0));
  EXPECT_EQ(Formatter::getDate(saturdayNoon, -30), utcDate(2015, 2, 5, 17, 0, 0));
  EXPECT_EQ(Formatter::setAmpFormat(Formatter::getDate(saturdayNoon, 240)), "20151102120000");
}

TEST(FormatterDates, ColumnResizingShowsTheTimeInNarrowColumns) {
  EXPECT_EQ(Formatter::getDateonColumnResizing(135, "03/04/2015 05:06:07"), "05:06:07");
  EXPECT_EQ(Formatter::getDateonColumnResizing(80, "03/04/2015 05:06:07"), "05:06:07");
  EXPECT_EQ(Formatter::getDateonColumnResizing(135.5, "03/04/2015 05:06:07"), "03/04/2015 05:06:07");
  EXPECT_EQ(Formatter::getDateonColumnResizing(100, ""), "");
  EXPECT_FALSE(Formatter::getDateonColumnResizing(100, "05:06:07"));
  EXPECT_EQ(Formatter::getDateonColumnResizing(200, "anything"), "anything");
}

TEST(FormatterDates, GetDateFormatterIsEnUsInTheLocalZone) {
  ZoneGuard zone("America/New_York");
  DateFormat format = Formatter::getDateFormatter("EEEE, MMMM d, yyyy HH:mm");
  EXPECT_EQ(format.format(utcDate(2015, 3, 8, 12, 0, 0)), "Sunday, March 8, 2015 08:00");
  format.applyPattern(AMP_DATE_FORMAT);
  EXPECT_EQ(format.parse("20150308080000"), utcDate(2015, 3, 8, 12, 0, 0));
}

TEST(FormatterDates, CallsFromManyThreads) {
  ZoneGuard zone("Australia/Sydney");
  std::vector<std::thread> threads;
  std::vector<int> failures(6, 0);
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([t, &failures] {
      for (int i = 0; i < 300; ++i) {
        char stamp[16];
        std::snprintf(stamp, sizeof stamp, "2015%02d%02d%02d0607", 1 + (i + t) % 12, 1 + i % 28, i % 24);
        const auto display = Formatter::formatDateandTimeFromString(stamp, AMP_DATE_FORMAT, DISPLAY_DATE_TIME_FORMAT);
        const auto back = display ? Formatter::formatDateandTimeFromString(*display, DISPLAY_DATE_TIME_FORMAT,
                                                                           AMP_DATE_FORMAT)
                                  : std::nullopt;
        if (!back || *back != stamp) ++failures[static_cast<std::size_t>(t)];
        if (Formatter::formatDecimal(i + 0.5, 1) != std::to_string(i) + ".5") ++failures[static_cast<std::size_t>(t)];
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int f : failures) EXPECT_EQ(f, 0);
}

}  // namespace
}  // namespace td
