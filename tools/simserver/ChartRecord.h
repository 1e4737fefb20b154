#pragma once
// The chart history of the simulated market, kept as a broker keeps it: a record of bars per
// instrument and interval, which every chart request reads, so that a past interval shows the same
// bar on every request and for the whole run of the server.
//
// Since the start, the bars are the prices the feed published: the last price, which a chart
// follows. A bar opens with the first price of its interval and closes with the last; its high and
// low are the extremes between. The tick interval ("T") keeps one bar per change of the price.
//
// Before the start, the record is made once from the seed and ends at each instrument's opening
// price, at the start. Its finest level is a walk of a second at a time, each as far as the feed's
// steps of a second move together (the tick interval keeps its changes); each coarser interval sums
// the bars of the one below as far back as that one reaches and goes on back with a walk of its own,
// scaled to its length. So the bars of every interval nest: an hour's bar spans the minutes of that
// hour. The walk is held around the scenario's price: at every rate of the feed a bar of a walk
// moves at most a fixed share of the price (kMaxMove) from its open to its close, while a bar summed
// from the finer interval's bars moves as far as they do together; every bar lies within a quarter
// and four times the scenario's price.
//
// Bars are stamped with the start of their interval on the local wall clock (localWallClock), as the
// feed stamps its prices: minutes to days from midnight, weeks from Monday. When the clock is set
// back (a price stamped more than kOutOfOrderSeconds before the latest one, as at the end of
// daylight-saving time), the next price stamped in an interval before the newest bar's opens a bar
// of its own, as the client's live bars do: the repeated hour has minute bars of its own, while its
// hour and its day stay one bar. A price only a little out of order goes into the newest bar.
//
// Each instrument keeps at most kMaxBars bars per interval, the most a reply carries; a price costs
// one update (or a new bar) per interval.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Scenario.h"

namespace td::sim {

struct ChartBar {
  std::int64_t start = 0;  // on the local wall clock
  double open = 0, high = 0, low = 0, close = 0;
};

class ChartRecord {
 public:
  static constexpr int kMaxBars = 5000;
  static constexpr std::int64_t kOutOfOrderSeconds = 30;
  // The intervals by index, in the order of their codes "T", "O", "5", "1", "3", "H", "D", "W".
  static constexpr std::size_t kIntervals = 8;
  static constexpr std::size_t kTick = 0, kMinute = 1, kHour = 5, kDay = 6, kWeek = 7;
  // The index of an interval code; an unknown code counts as the tick interval.
  static std::size_t intervalIndex(std::string_view code);
  // The bar length in seconds of an interval (1 for the tick interval).
  static std::int64_t intervalSeconds(std::size_t interval);

  // The record of the scenario's instruments before a start (unix seconds), from the feed's seed, for
  // a feed of `stepsPerSecond` steps a second, so that the history moves as the live prices do.
  ChartRecord(const Scenario& scenario, std::uint64_t seed, std::int64_t start, double stepsPerSecond = 1);

  // A wall-clock moment with the start of the interval that holds it, per interval: reckoned once
  // for every instrument's price of a feed step.
  struct Moment {
    std::int64_t wall = 0;
    std::array<std::int64_t, kIntervals> starts{};
  };
  static Moment momentAt(std::int64_t wall);

  // Records a price of an instrument (by its index among the scenario's instruments).
  void record(std::size_t instrument, const Moment& at, double price);

  // The newest bar of an instrument at an interval, or the one `back` bars before it; none beyond
  // the record.
  const ChartBar* newest(std::size_t instrument, std::size_t interval, std::size_t back = 0) const;

  // The chart-history text (tag 17 of type 1041) of the newest `bars` bars (1 to kMaxBars, at most
  // what the record holds) of an instrument at an interval code; nothing for an unknown instrument.
  std::optional<std::string> chart(std::string_view code, std::string_view interval, int bars) const;

 private:
  // At most kMaxBars bars, oldest first; a new bar pushes the oldest out.
  class Bars {
   public:
    std::size_t size() const { return bars_.size(); }
    const ChartBar& operator[](std::size_t k) const { return bars_[(first_ + k) % bars_.size()]; }
    ChartBar& back() { return bars_[(first_ + bars_.size() - 1) % bars_.size()]; }
    void push(const ChartBar& bar);
    // Takes bars, oldest first: the newest kMaxBars of them.
    void assign(std::vector<ChartBar> bars);

   private:
    std::vector<ChartBar> bars_;
    std::size_t first_ = 0;
  };
  struct Series {
    std::array<Bars, kIntervals> bars;
    std::optional<std::int64_t> latest;        // the latest wall time recorded since the clock was set back
    std::array<bool, kIntervals> setBack{};  // set back since the interval's newest bar opened
  };

  const Scenario& scenario_;
  std::vector<Series> series_;  // by instrument index
};

}  // namespace td::sim
