// The simulated market's chart history as a record: the bars of the prices the feed publishes, the
// history before the start, made once from the seed, and the day's figures sent with each price.

#include "ChartRecord.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "../platform/ZoneTestSupport.h"
#include "PriceFeed.h"
#include "Scenario.h"
#include "ServerOptions.h"
#include "session/PriceFeed.h"

namespace td::testing {
namespace {

using namespace td::sim;

constexpr std::int64_t kStart = 1800000000;  // Friday 15 January 2027, 08:00:00 UTC
constexpr std::int64_t kHour = 3600, kDay = 86400;

std::vector<ChartBar> barsOf(const ChartRecord& r, std::size_t instrument, std::size_t interval) {
  std::vector<ChartBar> out;
  while (const ChartBar* b = r.newest(instrument, interval, out.size())) out.push_back(*b);
  std::reverse(out.begin(), out.end());
  return out;
}

::testing::AssertionResult isBar(const ChartBar* b, std::int64_t start, double open, double high, double low,
                                 double close) {
  if (b && b->start == start && b->open == open && b->high == high && b->low == low && b->close == close)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "bar " << (b ? b->start : 0) << " " << (b ? b->close : 0);
}

TEST(SimChartRecord, BarsSinceTheStartAreThePricesRecordedAndEachIntervalKeepsItsNewestBarsOnly) {
  ZoneGuard utc("UTC0");
  const Scenario s = Scenario::builtIn();
  ChartRecord r(s, 9, kStart);
  const ChartBar startHour = *r.newest(0, ChartRecord::kHour), lastTick = *r.newest(0, ChartRecord::kTick);
  const auto record = [&](std::int64_t at, std::initializer_list<double> prices) {
    for (double p : prices) r.record(0, ChartRecord::momentAt(at), p);
  };
  // A repeated price is no tick.
  record(kStart + 5, {1.09, 1.09, 1.07});
  EXPECT_TRUE(isBar(r.newest(0, ChartRecord::kTick, 1), kStart + 5, 1.09, 1.09, 1.09, 1.09));
  EXPECT_EQ(r.newest(0, ChartRecord::kTick, 2)->start, lastTick.start);
  // A new minute opens a bar of its own prices; the hour, begun before the start, goes on.
  record(kStart + 60, {1.08});
  record(kStart + 119, {1.10, 1.06});
  record(kStart + 120, {1.085});
  EXPECT_TRUE(isBar(r.newest(0, ChartRecord::kMinute, 1), kStart + 60, 1.08, 1.10, 1.06, 1.06));
  EXPECT_TRUE(isBar(r.newest(0, ChartRecord::kMinute), kStart + 120, 1.085, 1.085, 1.085, 1.085));
  EXPECT_TRUE(isBar(r.newest(0, ChartRecord::kHour), kStart, startHour.open, std::max(startHour.high, 1.10),
                    std::min(startHour.low, 1.06), 1.085));
  // Midnight opens a day, the Monday after a week; the day before closes at its last price.
  const std::int64_t saturday = kStart + 16 * kHour, monday = saturday + 2 * kDay;
  record(saturday + 30, {1.05});
  EXPECT_TRUE(isBar(r.newest(0, ChartRecord::kDay), saturday, 1.05, 1.05, 1.05, 1.05));
  EXPECT_EQ(r.newest(0, ChartRecord::kDay, 1)->close, 1.085);
  EXPECT_EQ(r.newest(0, ChartRecord::kWeek)->start, monday - 7 * kDay);
  record(monday + 1, {1.04});
  EXPECT_TRUE(isBar(r.newest(0, ChartRecord::kWeek), monday, 1.04, 1.04, 1.04, 1.04));
  // A run longer than the record keeps the newest bars, as many as a reply may carry.
  for (int k = 1; k <= ChartRecord::kMaxBars + 500; ++k) record(monday + 60 * k, {1 + k * 1e-5});
  for (std::size_t x : {ChartRecord::kTick, ChartRecord::kMinute}) {
    const std::vector<ChartBar> bars = barsOf(r, 0, x);
    ASSERT_EQ(bars.size(), static_cast<std::size_t>(ChartRecord::kMaxBars)) << x;
    EXPECT_EQ(bars.front().start, monday + 60 * 501) << x;
    EXPECT_EQ(bars.back().close, 1 + (ChartRecord::kMaxBars + 500) * 1e-5) << x;
  }
  const std::string all = *r.chart("EURUSD", "O", 1000000);
  EXPECT_EQ(all.substr(0, all.find('>') + 1), "<CHART~EURUSD^O~" + std::to_string(ChartRecord::kMaxBars) + ">");
}

// The history before the start of a record just made: every interval full (but the tick one), on the
// instrument's grid, ending at its opening price, within a quarter and four times its scenario
// price, each interval's bars the sums of the finer one's as far back as that one reaches.
void checkHistory(const Scenario& s, const ChartRecord& a, const std::string& trace) {
  SCOPED_TRACE(trace);
  for (std::size_t n = 0; n < s.instruments.size(); ++n) {
    const InstrumentSpec& i = s.instruments[n];
    std::vector<ChartBar> finer;
    for (std::size_t x = 0; x < ChartRecord::kIntervals; ++x) {
      const std::vector<ChartBar> bars = barsOf(a, n, x);
      const std::int64_t length = ChartRecord::intervalSeconds(x);
      SCOPED_TRACE(i.code + " interval " + std::to_string(x));
      ASSERT_FALSE(bars.empty());
      EXPECT_TRUE(x == ChartRecord::kTick || bars.size() == static_cast<std::size_t>(ChartRecord::kMaxBars));
      EXPECT_EQ(bars.back().close, openingQuote(i).last);
      EXPECT_LE(bars.back().start, kStart);
      for (std::size_t k = 0; k < bars.size(); ++k) {
        const ChartBar& bar = bars[k];
        ASSERT_EQ(ChartRecord::momentAt(bar.start).starts[x], bar.start);
        ASSERT_TRUE(k == 0 || bar.start > bars[k - 1].start);
        ASSERT_TRUE(isOnTickGrid(i, bar.open) && isOnTickGrid(i, bar.high) && isOnTickGrid(i, bar.low) &&
                    isOnTickGrid(i, bar.close));
        ASSERT_LE(bar.low, std::min(bar.open, bar.close));
        ASSERT_GE(bar.high, std::max(bar.open, bar.close));
        ASSERT_TRUE(bar.low >= i.price / 4 && bar.high <= i.price * 4) << bar.low << " " << bar.high;
      }
      // Each bar sums the finer interval's bars within it: all of them where the finer one reaches
      // back to the bar's start.
      std::size_t f = 0;
      for (const ChartBar& bar : x > ChartRecord::kMinute ? bars : std::vector<ChartBar>{}) {
        while (f < finer.size() && finer[f].start < bar.start) ++f;
        if (f == finer.size()) break;
        if (finer[f].start >= bar.start + length) continue;  // older than the finer interval's bars
        ChartBar sum{bar.start, finer[f].open, finer[f].high, finer[f].low, finer[f].close};
        for (; f < finer.size() && finer[f].start < bar.start + length; ++f) {
          sum.high = std::max(sum.high, finer[f].high);
          sum.low = std::min(sum.low, finer[f].low);
          sum.close = finer[f].close;
        }
        if (bar.start >= finer.front().start)
          ASSERT_TRUE(isBar(&bar, sum.start, sum.open, sum.high, sum.low, sum.close));
        else
          ASSERT_TRUE(bar.high >= sum.high && bar.low <= sum.low && bar.close == sum.close);
      }
      finer = bars;
    }
  }
}

// At every rate of the feed the server accepts and whatever the seed, the history stays around the
// scenario's prices, as the live prices do: a fast feed moves a second many times as far as a slow
// one, but no week of its history may run off to a fraction or a multiple of the price.
TEST(SimChartRecord, HistoryBeforeTheStartEndsAtTheOpeningPriceNestsAndStaysAroundThePriceAtEveryRate) {
  ZoneGuard utc("UTC0");
  const Scenario s = Scenario::builtIn();
  for (const int tickMs : {ServerOptions::kFastestTickMs, 20, 100, ServerOptions{}.tickMs, 5000,
                           ServerOptions::kSlowestTickMs})
    for (const std::uint64_t seed : {9ull, 1ull, 2ull, 0xFEEDFACECAFEBEEFull}) {
      checkHistory(s, ChartRecord(s, seed, kStart, 1000.0 / tickMs),
                   "tick " + std::to_string(tickMs) + " ms, seed " + std::to_string(seed));
      ASSERT_FALSE(HasFatalFailure());
    }
}

TEST(SimChartRecord, WhenTheLocalClockIsSetBackEachMinuteAfterTheChangeHasABarAndItsHourOne) {
  ZoneGuard cet("CET-1CEST,M3.5.0,M10.5.0/3");
  const Scenario s = Scenario::builtIn();
  // At 01:00 UTC on 25 October 2026 the clock goes back from 03:00 to 02:00: the hour from 02:00
  // comes twice. Its minutes (to half hours) have bars of their own, as the client's live bars do;
  // its hour and its day keep one bar each.
  const std::int64_t change = 1792890000;
  PriceFeed feed(s, 4, change - 2 * kHour);
  for (std::int64_t t = change - 2 * kHour + 20; t <= change + 2 * kHour; t += 20) feed.step(t);
  const std::int64_t wallChange = change + kHour;  // 02:00 on the wall clock, read as UTC
  for (std::size_t x = 0; x < ChartRecord::kIntervals; ++x) {
    SCOPED_TRACE(x);
    const std::vector<ChartBar> bars = barsOf(feed.record(), 0, x);
    std::vector<std::int64_t> setBack;
    for (std::size_t k = 1; k < bars.size(); ++k) {
      if (bars[k].start < bars[k - 1].start) {
        setBack.push_back(bars[k].start);
      } else if (x != ChartRecord::kTick) {
        ASSERT_GT(bars[k].start, bars[k - 1].start) << k;
      }
    }
    if (x == ChartRecord::kTick || x >= ChartRecord::kHour) {
      EXPECT_TRUE(setBack.empty());
    } else {
      EXPECT_EQ(setBack, std::vector<std::int64_t>{wallChange});
      // After the bar of the start (01:00 on the wall clock), four hours of the real clock, each
      // minute (to half hour) in a bar of its own.
      const auto first = std::find_if(bars.begin(), bars.end(),
                                      [&](const ChartBar& b) { return b.start == wallChange - kHour; });
      EXPECT_EQ(bars.end() - first - 1, 4 * kHour / ChartRecord::intervalSeconds(x));
    }
  }
  for (std::size_t back = 0; back < 3; ++back)
    EXPECT_EQ(feed.record().newest(0, ChartRecord::kHour, back)->start, wallChange + kHour * (2 - static_cast<int>(back)));
  // A price ten seconds out of order, stamped in the minute before, goes into the newest bar.
  feed.step(change + 2 * kHour + 65);
  const std::int64_t newest = feed.record().newest(0, ChartRecord::kMinute)->start;
  feed.step(change + 2 * kHour + 55);
  EXPECT_EQ(feed.record().newest(0, ChartRecord::kMinute)->start, newest);
  EXPECT_EQ(feed.record().newest(0, ChartRecord::kMinute, 1)->start, newest - 60);
}

TEST(SimPriceFeed, TheDaysFiguresSentWithEachPriceAreThoseOfItsDayInTheRecord) {
  ZoneGuard utc("UTC0");
  const Scenario s = Scenario::builtIn();
  const std::int64_t midnight = kStart + 16 * kHour;
  PriceFeed feed(s, 3, midnight - 30);
  for (std::int64_t t = midnight - 29; t < midnight + 30; ++t) {
    for (const std::string& line : feed.tick(t)) {
      if (line.rfind("MD_", 0) == 0 || line.rfind("IS;", 0) == 0) continue;
      PriceUpdate p;
      ASSERT_EQ(decodePriceLine(line, p), PriceLineError::None) << line;
      std::size_t n = 0;
      while (s.instruments[n].code != p.ItemCode) ++n;
      const ChartBar& day = *feed.record().newest(n, ChartRecord::kDay);
      SCOPED_TRACE(p.ItemCode + " at " + std::to_string(t));
      ASSERT_EQ(day.start, t < midnight ? midnight - kDay : midnight);
      EXPECT_NEAR(p.Last, day.close, 1e-9);
      EXPECT_NEAR(p.High, day.high, 1e-9);
      EXPECT_NEAR(p.Low, day.low, 1e-9);
      EXPECT_NEAR(p.Open, day.open, 1e-9);
      EXPECT_NEAR(p.PreviousClose, feed.record().newest(n, ChartRecord::kDay, 1)->close, 1e-9);
      EXPECT_TRUE(t != midnight || (p.High == p.Last && p.Low == p.Last && p.Open == p.Last));
    }
  }
}

}  // namespace
}  // namespace td::testing
