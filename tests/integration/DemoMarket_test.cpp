// The demo's market as a trader meets it. On the built-in scenario's own feed, stepped tick by tick
// and read at the default tick period, a stop-loss placed at the nearest price that its account's
// group allows (the stop distance from the price the position closes at: the bid of a long, the ask
// of a short, in the account's quote) is seldom reached within half a minute and, in half the cases,
// not within ten minutes; and the quotes still move on most ticks.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <unordered_map>
#include <utility>
#include <cstdlib>
#include <set>
#include <vector>

#include "PriceFeed.h"
#include "Scenario.h"
#include "ServerOptions.h"

namespace td::testing {
namespace {

using sim::InstrumentSpec;

// The first index of a range at which a series reaches a level: at or below it (a falling bid
// reaching a long's stop-loss) or at or above it (a rising ask reaching a short's). Whole blocks whose
// extreme does not reach the level are passed over.
class FirstReach {
 public:
  FirstReach(const std::vector<std::int64_t>& values, bool falling) : values_(values), falling_(falling) {
    for (std::size_t first = 0; first < values.size(); first += kBlock) {
      const auto from = values.begin() + static_cast<std::ptrdiff_t>(first);
      const auto to = values.begin() + static_cast<std::ptrdiff_t>(std::min(values.size(), first + kBlock));
      extremes_.push_back(falling ? *std::min_element(from, to) : *std::max_element(from, to));
    }
  }
  // The first index in [from, to] whose value reaches `level`, or to + 1.
  std::size_t find(std::size_t from, std::size_t to, std::int64_t level) const {
    std::size_t at = from;
    while (at <= to) {
      if (at % kBlock == 0 && at + kBlock - 1 <= to && !reaches(extremes_[at / kBlock], level)) {
        at += kBlock;
      } else if (reaches(values_[at], level)) {
        return at;
      } else {
        ++at;
      }
    }
    return at;
  }

 private:
  static constexpr std::size_t kBlock = 64;
  bool reaches(std::int64_t value, std::int64_t level) const { return falling_ ? value <= level : value >= level; }
  const std::vector<std::int64_t>& values_;
  bool falling_;
  std::vector<std::int64_t> extremes_;
};

// One account's quote of one instrument, tick by tick, in whole ticks of the instrument.
struct QuotePath {
  const InstrumentSpec* instrument = nullptr;
  std::string group;
  int account = 0;
  int stopTicks = 0;
  std::vector<std::int64_t> bid, ask;
};

struct Reach {
  double withinHalfMinute = 0;  // share of the stop-losses reached within half a minute
  std::size_t medianTicks = 0;  // ticks until half of them were reached (past the horizon: horizon + 1)
};

// Stop-losses placed every `gap` ticks, each followed for at most `horizon` ticks.
Reach stopLossesAtTheBound(const QuotePath& p, bool isLong, std::size_t starts, std::size_t gap, std::size_t horizon,
                           std::size_t halfMinute) {
  const FirstReach reach(isLong ? p.bid : p.ask, isLong);
  std::vector<std::size_t> ticks;
  std::size_t early = 0;
  for (std::size_t s = 0; s < starts; ++s) {
    const std::size_t placed = s * gap;
    const std::int64_t stop = isLong ? p.bid[placed] - p.stopTicks : p.ask[placed] + p.stopTicks;
    const std::size_t taken = reach.find(placed + 1, placed + horizon, stop) - placed;
    if (taken <= halfMinute) ++early;
    ticks.push_back(taken);
  }
  std::nth_element(ticks.begin(), ticks.begin() + static_cast<std::ptrdiff_t>(starts / 2), ticks.end());
  return {static_cast<double>(early) / static_cast<double>(starts), ticks[starts / 2]};
}

TEST(SimDemoMarket, AStopLossAtTheNearestAllowedPriceOutlastsHalfAMinuteAndMostlyTenMinutes) {
  const sim::Scenario scenario = sim::Scenario::builtIn();
  const std::size_t tickMs = static_cast<std::size_t>(sim::ServerOptions{}.tickMs);
  const std::size_t halfMinute = 30000 / tickMs, tenMinutes = 600000 / tickMs;
  constexpr std::size_t starts = 1000, gap = 60, horizon = 14400;
  const std::size_t length = starts * gap + horizon + 1;

  // Each group's terms, read by the group's first account.
  std::vector<QuotePath> paths;
  std::set<int> measured;
  for (const auto& g : scenario.groups) {
    const auto account = std::find_if(scenario.accounts.begin(), scenario.accounts.end(),
                                      [&](const sim::AccountSpec& a) { return a.group == g.id; });
    if (account == scenario.accounts.end()) continue;
    for (const auto& t : g.terms) {
      QuotePath& p = paths.emplace_back();
      p.instrument = scenario.instrument(t.instrument);
      p.group = g.name;
      p.account = account->id;
      p.stopTicks = t.stopMinPips;
      measured.insert(t.instrument);
    }
  }
  EXPECT_EQ(measured.size(), scenario.instruments.size()) << "every instrument is traded in some group";

  sim::PriceFeed feed(scenario, std::getenv("SEED") ? std::strtoull(std::getenv("SEED"), nullptr, 10) : 1, 1700000000);
  // The account's quote follows from the feed's: each feed quote is put to the account's terms once.
  std::vector<std::unordered_map<std::int64_t, std::pair<std::int64_t, std::int64_t>>> dealt(paths.size());
  for (std::size_t k = 0; k < length; ++k) {
    feed.step(1700000000 + static_cast<std::int64_t>(k * tickMs / 1000));
    for (std::size_t n = 0; n < paths.size(); ++n) {
      QuotePath& p = paths[n];
      const double tick = p.instrument->tickSize;
      const sim::Quote& raw = feed.quote(p.instrument->id);
      const std::int64_t bid = std::llround(raw.bid / tick), ask = std::llround(raw.ask / tick);
      auto [at, fresh] = dealt[n].try_emplace(bid * 65536 + (ask - bid));
      if (fresh) {
        const sim::Quote q = feed.quoteFor(p.account, p.instrument->id);
        at->second = {std::llround(q.bid / tick), std::llround(q.ask / tick)};
      }
      p.bid.push_back(at->second.first);
      p.ask.push_back(at->second.second);
    }
  }

  for (const QuotePath& p : paths) {
    const InstrumentSpec& i = *p.instrument;
    std::size_t moved = 0;
    double squares = 0;
    for (std::size_t k = 1; k < length; ++k) {
      moved += p.bid[k] != p.bid[k - 1] || p.ask[k] != p.ask[k - 1];
      squares += static_cast<double>((p.bid[k] - p.bid[k - 1]) * (p.bid[k] - p.bid[k - 1]));
    }
    const double movedShare = static_cast<double>(moved) / static_cast<double>(length - 1);
    std::printf("%-7s %-12s stop %d ticks = %.*f, spread %.*f, step sd %.2f ticks, moves on %.0f%% of ticks\n",
                i.code.c_str(), p.group.c_str(), p.stopTicks, i.decimals, p.stopTicks * i.tickSize, i.decimals,
                static_cast<double>(p.ask.front() - p.bid.front()) * i.tickSize,
                std::sqrt(squares / static_cast<double>(length - 1)), 100 * movedShare);
    EXPECT_GT(movedShare, 0.5) << i.code << " " << p.group;
    for (const bool isLong : {true, false}) {
      const Reach r = stopLossesAtTheBound(p, isLong, starts, gap, horizon, halfMinute);
      const std::size_t shown = std::min(r.medianTicks, horizon);
      std::printf("        %-5s reached within 30 s: %.2f%%, median %s%zu ticks = %.1f min\n",
                  isLong ? "long" : "short", 100 * r.withinHalfMinute, r.medianTicks > horizon ? "over " : "", shown,
                  static_cast<double>(shown * tickMs) / 60000);
      EXPECT_LT(r.withinHalfMinute, 0.01) << i.code << " " << p.group << (isLong ? " long" : " short");
      EXPECT_GE(r.medianTicks, tenMinutes) << i.code << " " << p.group << (isLong ? " long" : " short");
    }
  }
}

}  // namespace
}  // namespace td::testing
