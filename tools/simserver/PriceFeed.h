#pragma once
// The simulated market: a seeded random walk of every instrument's mid price, published on the
// feed as price lines (fields by 0x04: code, time, base price, last, bid, ask, high, low, open and
// previous-close offsets, decimal places of the offsets), market-depth lines ("MD_<code>;" buy
// levels ";" sell levels, each level "price,quantity", levels by "|") and instrument-status lines
// ("IS;" and a framed message of type 1049 with tag 12 the code and tag 574 the session setting).
// The same seed gives the same prices, tick by tick, whether their lines are written or not (the
// depth's quantities draw from a generator of their own).
//
// The feed keeps the record of its prices as chart bars (ChartRecord), made before the start from
// the same seed. The day's high, low and open that go with each price are those of the day's bar of
// that record, and the previous close is the close of the day before: the extremes of the last
// price, which a chart follows, counted from the day's start on the local clock.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ChartRecord.h"
#include "Scenario.h"

namespace td::sim {

// splitmix64: small, fast and the same on every platform.
class SeededRandom {
 public:
  explicit SeededRandom(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next();
  double uniform();                   // [0, 1)
  int between(int low, int high);     // [low, high]
 private:
  std::uint64_t state_;
};

struct Quote {
  double bid = 0, ask = 0, last = 0, high = 0, low = 0, open = 0, prevClose = 0;
  double mid() const { return (bid + ask) / 2; }
};

class PriceFeed {
 public:
  // A feed that starts at `start` (unix seconds), with the record of the time before, stepped
  // `stepsPerSecond` times a second.
  PriceFeed(const Scenario& scenario, std::uint64_t seed, std::int64_t start, double stepsPerSecond = 1);

  // Moves every instrument one step at `now` and returns the feed lines of this tick: the price
  // lines, then one depth line per instrument whose best levels are that tick's bid and ask, and
  // every statusEvery-th tick one status line (instruments taken in turn).
  std::vector<std::string> tick(std::int64_t now);
  // Moves every instrument one step at `now`, as tick() does, and writes no lines.
  void step(std::int64_t now);

  // The feed's own quote of an instrument, as published: one feed serves every group.
  const Quote& quote(int instrumentId) const;
  // The quote an account deals at: the feed's, with the spread of the account's group for the
  // instrument (withSpread). The desk fills, triggers and checks orders at it and values the
  // account's open positions at it, so the account trades at the prices its user is shown.
  Quote quoteFor(int account, int instrumentId) const;
  const std::map<int, Quote>& quotes() const { return quotes_; }
  std::uint64_t ticks() const { return ticks_; }
  // The record of the prices, which the chart requests read.
  const ChartRecord& record() const { return record_; }

  // The line forms, for tests and the probe's counterpart.
  static std::string priceLine(const InstrumentSpec& instrument, const Quote& quote, const std::string& time);
  static std::string depthLine(const InstrumentSpec& instrument, const Quote& quote, SeededRandom& random);
  static std::string statusLine(const std::string& code, int settingId);

  static constexpr int statusEvery = 10;
  static constexpr int depthLevels = 5;

 private:
  // Sets the day's figures of an instrument's quote from the record's day bars.
  void takeDay(std::size_t index, Quote& q) const;

  const Scenario& scenario_;
  SeededRandom random_;
  SeededRandom depthRandom_;
  ChartRecord record_;
  std::map<int, Quote> quotes_;
  std::map<int, double> mids_;
  std::uint64_t ticks_ = 0;
  std::size_t nextStatus_ = 0;
};

// The quote an instrument opens with: around its scenario price, on its tick grid, with the day's
// open, high, low and previous close at its last price.
Quote openingQuote(const InstrumentSpec& instrument);

// A raw quote as a group with these terms for the instrument sees it: bid and ask spread by the
// client's own rule (ItemDetails::ApplySpread; spread type 0 or 4, or no terms, leave them), put on
// the tick grid, which that rule keeps but for the noise of its arithmetic. Last, high, low, open and
// previous close stay raw, as the client leaves them.
// The client spreads an item once per user, by the terms of the user's account groups that set a
// spread (none where two of them differ); so where all of a user's accounts have the same terms, as
// in the built-in scenario, what it shows is what each of them deals at.
Quote withSpread(const InstrumentSpec& instrument, const TermSpec* terms, Quote raw);

// A price rounded to the instrument's decimals.
double roundTo(double value, int decimals);
// A price put on the instrument's tick grid: the nearest whole number of ticks, in its decimals.
double onTickGrid(const InstrumentSpec& instrument, double price);
// Whether a price lies on the instrument's tick grid (to a millionth of a tick; any price when the
// tick size is not positive). The order desk refuses entry, take-profit and stop-loss prices off it.
bool isOnTickGrid(const InstrumentSpec& instrument, double price);

}  // namespace td::sim
