#include "ChartRecord.h"

#include <algorithm>
#include <cmath>
#include <ctime>

#include "PriceFeed.h"
#include "ServerMessage.h"

namespace td::sim {
namespace {

constexpr std::array<std::string_view, ChartRecord::kIntervals> kCodes{"T", "O", "5", "1", "3", "H", "D", "W"};
constexpr std::array<std::int64_t, ChartRecord::kIntervals> kSeconds{1, 60, 300, 600, 1800, 3600, 86400, 604800};
// Day 0 of the wall clock, 1 January 1970, was a Thursday; weeks count from the Monday after.
constexpr std::int64_t kMonday = 4 * 86400;
// The walk before the start goes by the logarithm of a price over the scenario's price (0 at the
// scenario's price). Each bar moves it by a uniform step as wide as the feed moves over the bar's
// length, pulled back toward 0 so that, however far back it goes, it strays by about kStray (the
// standard deviation). No bar of the walk moves more than kMaxMove (bars summed from a finer level
// move as far as their finer bars together), a little more than a week of the default
// feed moves the liveliest built-in instrument: a fast feed would move a day or a week many times
// as far. A step that would go beyond kBound is reflected back; with its wicks (a third of kMaxMove
// at most beyond its open and close) every bar lies between a quarter and four times the
// scenario's price, whatever the seed and the feed's rate.
constexpr double kStray = 0.25;
constexpr double kMaxMove = 0.15;
const double kBound = std::log(3.0);
// The finest level before the start reaches back at most this many seconds (for an instrument
// whose price seldom changes on its tick grid).
constexpr std::size_t kMaxSeconds = 4 * ChartRecord::kMaxBars;

std::int64_t startOf(std::int64_t wall, std::int64_t length) {
  const std::int64_t anchor = length == kSeconds[ChartRecord::kWeek] ? kMonday : 0;
  std::int64_t into = (wall - anchor) % length;
  if (into < 0) into += length;
  return wall - into;
}

// The generator of a level's walk: one per instrument and length, so that no level moves another.
SeededRandom randomFor(std::uint64_t seed, const InstrumentSpec& i, std::int64_t length) {
  return SeededRandom(seed ^ 0xC2B2AE3D27D4EB4Full ^ (static_cast<std::uint64_t>(i.id) << 32) ^
                      static_cast<std::uint64_t>(length));
}

// The step of the walk before `x`: a uniform move of at most `amplitude` (at most kMaxMove), pulled
// toward 0 just enough to keep the walk within kStray of it, and reflected at kBound.
double stepBack(double x, double amplitude, SeededRandom& random) {
  const double pull = amplitude * amplitude / (6 * kStray * kStray);
  const double back = x * (1 - pull) + (random.uniform() * 2 - 1) * amplitude;
  return back > kBound ? 2 * kBound - back : back < -kBound ? -2 * kBound - back : back;
}

// A price of the walk on the instrument's tick grid, and its logarithm over the scenario's price.
double priceAt(const InstrumentSpec& i, double x) { return std::max(onTickGrid(i, i.price * std::exp(x)), i.tickSize); }
double logOf(const InstrumentSpec& i, double price) { return std::log(price / i.price); }

// The bars of a level before the start, oldest first: the bars of the finer level (oldest first)
// summed into intervals of `length` as far back as they reach, and before them a walk back until the
// level holds kMaxBars bars, each bar closing where the next one opens. Its wicks reach a third of
// the step's amplitude at most, which gives its bars the height of the feed's own over the length.
std::vector<ChartBar> levelBefore(const std::vector<ChartBar>& finer, const InstrumentSpec& i, double volatility,
                                  std::int64_t length, SeededRandom random) {
  std::vector<ChartBar> bars(static_cast<std::size_t>(ChartRecord::kMaxBars));
  std::size_t first = bars.size();  // the oldest bar made so far
  for (auto f = finer.rbegin(); f != finer.rend(); ++f) {
    const std::int64_t start = startOf(f->start, length);
    if (first < bars.size() && bars[first].start == start) {
      ChartBar& b = bars[first];
      b.open = f->open;
      b.high = std::max(b.high, f->high);
      b.low = std::min(b.low, f->low);
    } else if (first > 0) {
      bars[--first] = *f;
      bars[first].start = start;
    } else {
      break;
    }
  }
  const double amplitude = std::min(volatility * std::sqrt(static_cast<double>(length)), kMaxMove);
  for (; first > 0; --first) {
    const ChartBar& next = bars[first];
    ChartBar& b = bars[first - 1];
    b.start = next.start - length;
    b.close = next.open;
    const double close = logOf(i, b.close), open = stepBack(close, amplitude, random);
    b.open = priceAt(i, open);
    const double top = std::max(open, close), bottom = std::min(open, close);
    b.high = std::max(std::max(b.open, b.close), priceAt(i, top + random.uniform() * amplitude / 3));
    b.low = std::min(std::min(b.open, b.close), priceAt(i, bottom - random.uniform() * amplitude / 3));
  }
  return bars;
}

// A wall-clock moment by a strftime pattern.
std::string wallText(std::int64_t wall, const char* pattern) {
  const std::time_t at = static_cast<std::time_t>(wall);
  std::tm tm{};
  gmtime_r(&at, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, pattern, &tm);
  return buf;
}

// A price token that fits `width` characters: fewer decimals when needed.
std::string token(double v, int decimals, std::size_t width) {
  for (int d = decimals; d >= 0; --d) {
    std::string s = fixedText(v, d);
    if (s.size() <= width) return s;
  }
  return fixedText(v, 0).substr(0, width);
}

}  // namespace

std::size_t ChartRecord::intervalIndex(std::string_view code) {
  const auto found = std::find(kCodes.begin(), kCodes.end(), code);
  return found == kCodes.end() ? kTick : static_cast<std::size_t>(found - kCodes.begin());
}

std::int64_t ChartRecord::intervalSeconds(std::size_t interval) {
  return interval < kIntervals ? kSeconds[interval] : 1;
}

void ChartRecord::Bars::push(const ChartBar& bar) {
  if (bars_.size() < static_cast<std::size_t>(kMaxBars)) {
    bars_.push_back(bar);
    return;
  }
  bars_[first_] = bar;
  first_ = (first_ + 1) % bars_.size();
}

void ChartRecord::Bars::assign(std::vector<ChartBar> bars) {
  const std::size_t most = static_cast<std::size_t>(kMaxBars);
  if (bars.size() > most) bars.erase(bars.begin(), bars.end() - static_cast<std::ptrdiff_t>(most));
  bars_ = std::move(bars);
  first_ = 0;
}

ChartRecord::ChartRecord(const Scenario& scenario, std::uint64_t seed, std::int64_t start, double stepsPerSecond)
    : scenario_(scenario), series_(scenario.instruments.size()) {
  const std::int64_t startWall = localWallClock(start);
  for (std::size_t n = 0; n < series_.size(); ++n) {
    const InstrumentSpec& i = scenario.instruments[n];
    auto& s = series_[n].bars;
    // A second of the feed moves as far as its steps of a second do together.
    const double volatility = i.volatility * std::sqrt(stepsPerSecond > 0 ? stepsPerSecond : 1.0);
    // The finest level, newest first: a step a second back from the price the feed opens with.
    SeededRandom random = randomFor(seed, i, 1);
    std::vector<double> prices{openingQuote(i).last};
    const double amplitude = std::min(volatility, kMaxMove);
    double mid = 0;
    int changes = 0;
    while (changes + 1 < kMaxBars && prices.size() < kMaxSeconds) {
      mid = stepBack(mid, amplitude, random);
      prices.push_back(priceAt(i, mid));
      changes += prices.back() != prices[prices.size() - 2];
    }
    std::vector<ChartBar> level, ticks;
    level.reserve(prices.size());
    for (std::size_t k = prices.size(); k-- > 0;) {
      const double p = prices[k];
      level.push_back({startWall - static_cast<std::int64_t>(k), p, p, p, p});
      if (ticks.empty() || ticks.back().close != p) ticks.push_back(level.back());
    }
    s[kTick].assign(std::move(ticks));
    for (std::size_t x = kMinute; x < kIntervals; ++x) {
      level = levelBefore(level, i, volatility, kSeconds[x], randomFor(seed, i, kSeconds[x]));
      s[x].assign(level);
    }
  }
}

ChartRecord::Moment ChartRecord::momentAt(std::int64_t wall) {
  Moment at;
  at.wall = wall;
  for (std::size_t x = 0; x < kIntervals; ++x) at.starts[x] = startOf(wall, kSeconds[x]);
  return at;
}

void ChartRecord::record(std::size_t instrument, const Moment& at, double price) {
  if (instrument >= series_.size()) return;
  Series& s = series_[instrument];
  if (s.latest && at.wall < *s.latest - kOutOfOrderSeconds) {
    s.setBack.fill(true);
    s.latest = at.wall;
  } else if (!s.latest || at.wall > *s.latest) {
    s.latest = at.wall;
  }
  Bars& ticks = s.bars[kTick];
  if (ticks.size() == 0 || ticks.back().close != price)
    ticks.push({ticks.size() == 0 ? at.wall : std::max(at.wall, ticks.back().start), price, price, price, price});
  for (std::size_t x = kMinute; x < kIntervals; ++x) {
    Bars& bars = s.bars[x];
    if (bars.size() == 0 || at.starts[x] > bars.back().start || (s.setBack[x] && at.starts[x] < bars.back().start)) {
      bars.push({at.starts[x], price, price, price, price});
      s.setBack[x] = false;
      continue;
    }
    ChartBar& bar = bars.back();
    bar.high = std::max(bar.high, price);
    bar.low = std::min(bar.low, price);
    bar.close = price;
  }
}

const ChartBar* ChartRecord::newest(std::size_t instrument, std::size_t interval, std::size_t back) const {
  if (instrument >= series_.size() || interval >= kIntervals) return nullptr;
  const Bars& bars = series_[instrument].bars[interval];
  return back < bars.size() ? &bars[bars.size() - 1 - back] : nullptr;
}

std::optional<std::string> ChartRecord::chart(std::string_view code, std::string_view interval, int bars) const {
  const auto& instruments = scenario_.instruments;
  const auto found = std::find_if(instruments.begin(), instruments.end(),
                                  [&](const InstrumentSpec& i) { return i.code == code; });
  if (found == instruments.end()) return std::nullopt;
  const InstrumentSpec& i = *found;
  const Bars& record = series_[static_cast<std::size_t>(found - instruments.begin())].bars[intervalIndex(interval)];
  const std::size_t n = std::min(static_cast<std::size_t>(std::clamp(bars, 1, kMaxBars)), record.size());
  std::string dates, times, closes, highs, lows, opens;
  for (std::size_t k = record.size() - n; k < record.size(); ++k) {
    const ChartBar& b = record[k];
    const char* sep = k > record.size() - n ? "," : "";
    dates += sep + wallText(b.start, "%m/%d/%y");
    times += sep + wallText(b.start, "%H:%M:%S");
    closes += sep + token(b.close, i.decimals, 9);
    highs += sep + token(b.high, i.decimals, 7);
    lows += sep + token(b.low, i.decimals, 7);
    opens += sep + token(b.open, i.decimals, 7);
  }
  return "<CHART~" + i.code + "^" + std::string(interval) + "~" + std::to_string(n) + ">" + dates + "#" + times +
         "#" + closes + "#" + highs + "#" + lows + "#" + opens + "<END>";
}

}  // namespace td::sim
