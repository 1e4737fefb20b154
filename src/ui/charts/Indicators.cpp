#include "ui/charts/Indicators.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "platform/Log.h"
#include "ui/charts/ChartBars.h"
#include "ui/charts/PlotIdentifiers.h"

namespace td::charts {

const IndicatorInfo& indicatorInfo(Indicator indicator) {
  static const std::array<IndicatorInfo, kIndicatorCount> kTable{{
      {Indicator::SMA, "Simple Moving Average", "SMA", true, 1001, {PERIOD_KEY}, false, {LINE_COLOR_KEY}, {SMA_PLOT}},
      {Indicator::EMA, "Exponential Moving Average", "EMA", true, 1002, {PERIOD_KEY}, false, {LINE_COLOR_KEY},
       {EMA_PLOT}},
      {Indicator::BollingerBands, "Bollinger Bands", "BB", true, 1003, {PERIOD_KEY}, true, {LINE_COLOR_KEY},
       {BB_MID_PLOT, BB_UPPER_PLOT, BB_LOWER_PLOT}},
      {Indicator::MACD, "MACD", "MACD", false, 0, {FAST_PERIOD_KEY, SLOW_PERIOD_KEY, SIGNAL_PERIOD_KEY}, false, {},
       {MACD_BAR_PLOT, MACD_LINE_PLOT, MACD_SIGNAL_PLOT}},
      {Indicator::ROC, "Rate of Change", "ROC", false, 0, {PERIOD_KEY}, false, {}, {ROC_PLOT}},
      {Indicator::StdDev, "Standard Deviation", "StdDev", false, 0, {PERIOD_KEY}, false, {}, {STDDEV_PLOT}},
      {Indicator::CCI, "Commodity Channel Index", "CCI", false, 0, {PERIOD_KEY}, false, {}, {CCI_LINE_PLOT}},
      {Indicator::RSI, "Relative Strength Index", "RSI", false, 0, {PERIOD_KEY}, false, {}, {RSI_LINE_PLOT}},
      {Indicator::Stochastic, "Stochastic Oscillator", "Stochastic", false, 0,
       {K_PERIOD_KEY, D_PERIOD_KEY, SLOWING_KEY}, false, {}, {STOCH_MAIN_LINE_PLOT, STOCH_SIGNAL_LINE_PLOT}},
      {Indicator::DeMarker, "DeMarker", "DeMarker", false, 0, {PERIOD_KEY}, false, {}, {DEMARKER_LINE_PLOT}},
      {Indicator::Momentum, "Momentum", "Momentum", false, 0, {PERIOD_KEY}, false, {}, {MOMENTUM_LINE_PLOT}},
      {Indicator::WilliamsPercentRange, "Williams' Percent Range", "%R", false, 0, {PERIOD_KEY}, false, {},
       {WILLIAM_PERCENT_LINE_PLOT}},
      {Indicator::BearsPower, "Bears Power", "Bears", false, 0, {PERIOD_KEY}, false, {}, {BEARS_BAR_PLOT}},
      {Indicator::BullsPower, "Bulls Power", "Bulls", false, 0, {PERIOD_KEY}, false, {}, {BULLS_BAR_PLOT}},
      {Indicator::RVI, "Relative Vigour Index", "RVI", false, 0, {PERIOD_KEY}, false, {},
       {RVI_MAIN_LINE_PLOT, RVI_SIGNAL_LINE_PLOT}},
      {Indicator::TRIX, "TRIX", "TRIX", false, 0, {PERIOD_KEY}, false, {}, {TRIX_LINE_PLOT}},
      {Indicator::ATR, "Average True Range", "ATR", false, 0, {PERIOD_KEY}, false, {}, {ATR_LINE_PLOT}},
      {Indicator::AwesomeOscillator, "Awesome Oscillator", "AO", false, 0, {}, false, {}, {AO_BAR_PLOT}},
      {Indicator::AcceleratorOscillator, "Accelerator Oscillator", "AC", false, 0, {}, false, {}, {AC_BAR_PLOT}},
      {Indicator::Alligator, "Alligator", "Alligator", true, 1004, {JAWS_PERIOD_KEY, TEETH_PERIOD_KEY, LIPS_PERIOD_KEY},
       false, {JAWS_LINE_COLOR_KEY, TEETH_LINE_COLOR_KEY, LIPS_LINE_COLOR_KEY},
       {JAWS_LINE_PLOT, TEETH_LINE_PLOT, LIPS_LINE_PLOT}},
  }};
  return kTable[static_cast<std::size_t>(indicator)];
}

const std::array<Indicator, kIndicatorCount>& allIndicators() {
  static const std::array<Indicator, kIndicatorCount> kAll = [] {
    std::array<Indicator, kIndicatorCount> all{};
    for (std::size_t i = 0; i < kIndicatorCount; ++i) all[i] = static_cast<Indicator>(i);
    return all;
  }();
  return kAll;
}

const std::string& IndicatorParameters::text(std::string_view key) const {
  static const std::string none;
  const auto it = texts_.find(key);
  return it == texts_.end() ? none : it->second;
}

Rgb IndicatorParameters::colour(std::string_view key) const {
  const auto it = colours_.find(key);
  return it == colours_.end() ? colours::black : it->second;
}

std::size_t IndicatorParameters::period(std::string_view key) const {
  const std::string& value = text(key);
  std::size_t n = 0;
  for (char c : value) {
    if (c < '0' || c > '9') break;
    if (n > (std::numeric_limits<std::size_t>::max() - 9) / 10) break;
    n = n * 10 + static_cast<std::size_t>(c - '0');
  }
  return n;
}

double IndicatorParameters::number(std::string_view key) const { return leadingNumber(text(key)); }

namespace indicators {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double ratioOrZero(double numerator, double denominator) { return denominator == 0 ? 0 : numerator / denominator; }

// The running mean of the last min(i + 1, period) values of a series (period above 0), kept as a
// sum; a value that is no number spoils the mean while it is in the window and nothing after it.
class WindowMean {
 public:
  explicit WindowMean(std::size_t period) : period_(period) {}
  // The mean at value i, taken in order from i = 0; value(j) gives value j of the series (value
  // i - period is asked for again as it leaves the window).
  template <class Value>
  double next(std::size_t i, Value value) {
    add(value(i));
    if (i >= period_) remove(value(i - period_));
    else ++count_;
    return unreadable_ ? kNaN : sum_ / count_;
  }

 private:
  void add(double x) {
    if (std::isfinite(x)) sum_ += x;
    else ++unreadable_;
  }
  void remove(double x) {
    if (std::isfinite(x)) sum_ -= x;
    else --unreadable_;
  }

  std::size_t period_;
  double count_ = 0;  // values in the window
  double sum_ = 0;
  std::size_t unreadable_ = 0;
};

// The candidates for the extreme of a sliding window (index and value), their values worsening
// from the front; at most `window` of them, kept in a ring.
class Candidates {
 public:
  explicit Candidates(std::size_t window) : mask_(std::bit_ceil(window) - 1), slots_(mask_ + 1) {}
  template <class Better>
  void push(std::size_t index, double value, Better better) {
    while (count_ && !better(slots_[(front_ + count_ - 1) & mask_].value, value)) --count_;
    slots_[(front_ + count_++) & mask_] = {index, value};
  }
  void dropBefore(std::size_t first) {
    if (slots_[front_].index < first) {
      front_ = (front_ + 1) & mask_;
      --count_;
    }
  }
  double front() const { return slots_[front_].value; }

 private:
  struct Slot {
    std::size_t index;
    double value;
  };
  std::size_t mask_;
  std::vector<Slot> slots_;
  std::size_t front_ = 0, count_ = 0;
};

// The highest high and lowest low of the last `period` bars (each of the first period - 1 bars
// against itself), handed to `emit` bar by bar.
template <class Emit>
void windowHighLow(Values highs, Values lows, std::size_t period, Emit emit) {
  const std::size_t n = std::min(highs.size(), lows.size());
  const std::size_t window = std::max<std::size_t>(period, 1);
  Candidates high(window + 1), low(window + 1);
  for (std::size_t i = 0; i < n; ++i) {
    high.push(i, highs[i], [](double a, double b) { return a > b; });
    low.push(i, lows[i], [](double a, double b) { return a < b; });
    if (i + 1 < window) {
      emit(i, highs[i], lows[i]);
      continue;
    }
    high.dropBefore(i + 1 - window);
    low.dropBefore(i + 1 - window);
    emit(i, high.front(), low.front());
  }
}

Series medians(Values highs, Values lows) {
  const std::size_t n = std::min(highs.size(), lows.size());
  Series m(n);
  for (std::size_t i = 0; i < n; ++i) m[i] = (highs[i] + lows[i]) / 2;
  return m;
}

// One pass of the running mean and population deviation over the last min(i + 1, period) values.
// Values are taken relative to the first one, so the running sums keep their precision.
template <class Emit>
void runningDeviation(Values values, std::size_t period, Emit emit) {
  const std::size_t n = values.size();
  if (n == 0) return;
  const std::size_t window = std::max<std::size_t>(period, 1);
  const double origin = std::isfinite(values[0]) ? values[0] : 0.0;
  double sum = 0, squares = 0;
  std::size_t unreadable = 0;  // values in the window that are no number
  for (std::size_t i = 0; i < n; ++i) {
    const double x = values[i] - origin;
    if (std::isfinite(x)) {
      sum += x;
      squares += x * x;
    } else {
      ++unreadable;
    }
    if (i >= window) {
      const double y = values[i - window] - origin;
      if (std::isfinite(y)) {
        sum -= y;
        squares -= y * y;
      } else {
        --unreadable;
      }
    }
    if (unreadable) {
      emit(i, kNaN, kNaN);
      continue;
    }
    const double count = static_cast<double>(std::min(i + 1, window));
    const double mean = sum / count;
    emit(i, mean + origin, std::sqrt(std::max(0.0, squares / count - mean * mean)));
  }
}

Series differences(Values a, Values b) {
  const std::size_t n = std::min(a.size(), b.size());
  Series out(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = a[i] - b[i];
  return out;
}

}  // namespace

Series simpleMovingAverage(Values values, std::size_t period) {
  const std::size_t n = values.size();
  Series out(n, 0.0);
  if (period == 0) return out;
  WindowMean mean(period);
  for (std::size_t i = 0; i < n; ++i) out[i] = mean.next(i, [&](std::size_t j) { return values[j]; });
  return out;
}

Series exponentialMovingAverage(Values values, std::size_t period) {
  const std::size_t n = values.size();
  Series out(n, 0.0);
  if (period == 0) {
    TD_LOG_WARN("ExponentialMovingAverage bad periods");
    return out;
  }
  // The first `period` values are the simple average so far (the seed)...
  const std::size_t seed = std::min(period, n);
  double sum = 0;
  bool unreadable = false;
  for (std::size_t i = 0; i < seed; ++i) {
    if (std::isfinite(values[i])) sum += values[i];
    else unreadable = true;
    out[i] = unreadable ? kNaN : sum / static_cast<double>(i + 1);
  }
  // ... then each value moves 2 / (period + 1) of the way to the next input.
  const double weight = 2.0 / (static_cast<double>(period) + 1);
  const double keep = 1 - weight;
  double previous = seed ? out[seed - 1] : 0;
  for (std::size_t i = seed; i < n; ++i) {
    const double x = values[i];
    if (!std::isfinite(x)) {
      out[i] = kNaN;
      continue;
    }
    previous = std::isfinite(previous) ? keep * previous + weight * x : x;
    out[i] = previous;
  }
  return out;
}

Series standardDeviation(Values values, std::size_t period) {
  Series out(values.size());
  runningDeviation(values, period, [&](std::size_t i, double, double sigma) { out[i] = sigma; });
  return out;
}

Bands bollingerBands(Values closes, std::size_t period, double multiple) {
  const std::size_t n = closes.size();
  Bands bands{Series(n), Series(n), Series(n)};
  runningDeviation(closes, period, [&](std::size_t i, double mean, double sigma) {
    bands.mid[i] = mean;
    bands.upper[i] = mean + sigma * multiple;
    bands.lower[i] = mean - sigma * multiple;
  });
  return bands;
}

Alligator alligator(Values highs, Values lows, std::size_t jaws, std::size_t teeth, std::size_t lips) {
  const Series m = medians(highs, lows);
  return {simpleMovingAverage(m, jaws), simpleMovingAverage(m, teeth), simpleMovingAverage(m, lips)};
}

Macd macd(Values closes, std::size_t fast, std::size_t slow, std::size_t signal) {
  Macd out;
  out.line = exponentialMovingAverage(closes, fast);
  const Series slowLine = exponentialMovingAverage(closes, slow);
  for (std::size_t i = 0; i < out.line.size(); ++i) out.line[i] -= slowLine[i];
  out.signal = exponentialMovingAverage(out.line, signal);
  out.histogram = differences(out.line, out.signal);
  return out;
}

Series rateOfChange(Values values, std::size_t period) {
  const std::size_t n = values.size();
  Series out(n, 0.0);
  for (std::size_t i = period; i < n; ++i) {
    const double before = values[i - period];
    out[i] = ratioOrZero(values[i] - before, before) * 100;
  }
  return out;
}

Series commodityChannelIndex(Values highs, Values lows, Values closes, std::size_t period) {
  const std::size_t n = std::min({highs.size(), lows.size(), closes.size()});
  Series out(n, 0.0);
  if (period == 0) return out;
  Series typical(n);
  for (std::size_t i = 0; i < n; ++i) typical[i] = (highs[i] + lows[i] + closes[i]) / 3;
  const Series average = simpleMovingAverage(typical, period);
  // The factor as the original single-precision constant.
  const double factor = static_cast<double>(0.015f);
  for (std::size_t i = period - 1; i < n; ++i) {
    // The mean deviation of the last `period` typical prices from this bar's average; four sums
    // run side by side.
    const double a = average[i];
    const double* window = typical.data() + (i + 1 - period);
    double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    std::size_t j = 0;
    for (; j + 4 <= period; j += 4) {
      s0 += std::fabs(a - window[j]);
      s1 += std::fabs(a - window[j + 1]);
      s2 += std::fabs(a - window[j + 2]);
      s3 += std::fabs(a - window[j + 3]);
    }
    for (; j < period; ++j) s0 += std::fabs(a - window[j]);
    const double meanDeviation = (s0 + s1 + s2 + s3) / static_cast<double>(period);
    out[i] = ratioOrZero(typical[i] - a, factor * meanDeviation);
  }
  return out;
}

Series relativeStrengthIndex(Values closes, std::size_t period) {
  const std::size_t n = closes.size();
  Series out(n);
  const double multiplier = 2.0 / (static_cast<double>(period) + 1);
  double previous = 0, up = 0, down = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double x = closes[i];
    if (!std::isfinite(x)) {
      out[i] = kNaN;
      continue;
    }
    if (previous == 0) {
      out[i] = 100;
      previous = x;
      continue;
    }
    const double change = x - previous;
    up += multiplier * ((change > 0 ? change : 0) - up);
    down += multiplier * ((change < 0 ? -change : 0) - down);
    out[i] = up + down != 0 ? 100 * up / (up + down) : 100;
    previous = x;
  }
  return out;
}

Stochastic stochasticOscillator(Values highs, Values lows, Values closes, std::size_t k, std::size_t slowing,
                                std::size_t d) {
  const std::size_t n = std::min({highs.size(), lows.size(), closes.size()});
  Series main(n);
  windowHighLow(highs.first(n), lows.first(n), k, [&](std::size_t i, double high, double low) {
    // Limited to 0 ... 100, on values rather than references, so that no branch is taken.
    const double value = ratioOrZero(closes[i] - low, high - low) * 100;
    const double above = value > 0.0 ? value : 0.0;
    main[i] = above < 100.0 ? above : 100.0;
  });
  // %D: the simple average over `d` of %K averaged over `slowing`, in one pass; %K's own array
  // gives the values leaving the first window, a ring the slowed values leaving the second.
  Series signal(n, 0.0);
  if (slowing == 0 || d == 0) return {std::move(main), std::move(signal)};  // averages over no bars
  WindowMean slowed(slowing), averaged(d);
  std::vector<double> recent(d);
  std::size_t slot = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double value = slowed.next(i, [&](std::size_t j) { return main[j]; });
    // The slowed value leaving the window (that of bar i - d) still stands in this bar's slot.
    signal[i] = averaged.next(i, [&](std::size_t j) { return j == i ? value : recent[slot]; });
    recent[slot] = value;
    if (++slot == d) slot = 0;
  }
  return {std::move(main), std::move(signal)};
}

Series deMarker(Values highs, Values lows, std::size_t period) {
  const std::size_t n = std::min(highs.size(), lows.size());
  Series out(n, 0.0);
  if (period == 0) return out;
  // The rise of each high over the one before (the first against 0) and the fall of each low.
  const auto rise = [&](std::size_t i) { return std::max(highs[i] - (i ? highs[i - 1] : 0.0), 0.0); };
  const auto fall = [&](std::size_t i) { return std::max((i ? lows[i - 1] : 0.0) - lows[i], 0.0); };
  WindowMean rises(period), falls(period);
  for (std::size_t i = 0; i < n; ++i) {
    const double up = rises.next(i, rise), down = falls.next(i, fall);
    out[i] = ratioOrZero(up, up + down);
  }
  return out;
}

Series momentum(Values closes, std::size_t period) {
  const std::size_t n = closes.size();
  Series out(n, 0.0);
  for (std::size_t i = period; i < n; ++i) out[i] = ratioOrZero(closes[i], closes[i - period]) * 100;
  return out;
}

Series williamsPercentRange(Values highs, Values lows, Values closes, std::size_t period) {
  const std::size_t n = std::min({highs.size(), lows.size(), closes.size()});
  Series out(n);
  windowHighLow(highs.first(n), lows.first(n), period, [&](std::size_t i, double high, double low) {
    out[i] = ratioOrZero(high - closes[i], high - low) * -100;
  });
  return out;
}

Series bearsPower(Values lows, Values closes, std::size_t period) {
  return differences(lows, exponentialMovingAverage(closes, period));
}

Series bullsPower(Values highs, Values closes, std::size_t period) {
  return differences(highs, exponentialMovingAverage(closes, period));
}

Vigour relativeVigourIndex(Values opens, Values highs, Values lows, Values closes, std::size_t period) {
  const std::size_t n = std::min({opens.size(), highs.size(), lows.size(), closes.size()});
  Series vigour(n);
  for (std::size_t i = 0; i < n; ++i) vigour[i] = ratioOrZero(closes[i] - opens[i], highs[i] - lows[i]);
  return {simpleMovingAverage(vigour, period), exponentialMovingAverage(vigour, period)};
}

Series trix(Values closes, std::size_t period) {
  const Series triple =
      exponentialMovingAverage(exponentialMovingAverage(exponentialMovingAverage(closes, period), period), period);
  return rateOfChange(triple, 1);
}

Series averageTrueRange(Values highs, Values lows, Values closes, std::size_t period) {
  const std::size_t n = std::min({highs.size(), lows.size(), closes.size()});
  Series range(n);
  double previous = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double fromPrevious =
        previous == 0 ? 0 : std::max(std::fabs(highs[i] - previous), std::fabs(lows[i] - previous));
    range[i] = std::max(highs[i] - lows[i], fromPrevious);
    previous = closes[i];
  }
  Series out = simpleMovingAverage(range, period);
  if (period == 0 || period > n) return out;
  double average = out[period - 1];
  const double p = static_cast<double>(period);
  for (std::size_t i = period; i < n; ++i) {
    if (std::isfinite(range[i])) average = (average * (p - 1) + range[i]) / p;
    out[i] = std::isfinite(range[i]) ? average : kNaN;
  }
  return out;
}

Series awesomeOscillator(Values highs, Values lows) {
  const std::size_t n = std::min(highs.size(), lows.size());
  Series out(n);
  const auto median = [&](std::size_t i) { return (highs[i] + lows[i]) / 2; };
  WindowMean fast(5), slow(34);
  for (std::size_t i = 0; i < n; ++i) out[i] = fast.next(i, median) - slow.next(i, median);
  return out;
}

Series acceleratorOscillator(Values highs, Values lows) {
  const Series ao = awesomeOscillator(highs, lows);
  return differences(ao, simpleMovingAverage(ao, 5));
}

}  // namespace indicators
}  // namespace td::charts
