#pragma once
// The twenty technical indicators of the chart window: their table (name, graph, parameters, plots)
// and their calculations.
//
// Every calculation is one pass over the bars, oldest first, and gives one value per input value:
// value i depends on inputs 0 to i only. Values are doubles throughout; a window that has not filled
// yet carries what the inputs so far give (the warm-up). A denominator of 0 gives 0, so one flat
// window never spoils the values after it; a standard deviation never takes the root of a negative
// rounding residue.

#include <array>
#include <cstddef>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ui/charts/PlotLayer.h"

namespace td::charts {

enum class Indicator {
  SMA,
  EMA,
  BollingerBands,
  MACD,
  ROC,
  StdDev,
  CCI,
  RSI,
  Stochastic,
  DeMarker,
  Momentum,
  WilliamsPercentRange,
  BearsPower,
  BullsPower,
  RVI,
  TRIX,
  ATR,
  AwesomeOscillator,
  AcceleratorOscillator,
  Alligator,
};
inline constexpr std::size_t kIndicatorCount = 20;

// Parameter keys shared by the settings and the engine (the two stochastic keys end in a blank).
inline constexpr const char* PERIOD_KEY = "Period";
inline constexpr const char* LINE_COLOR_KEY = "LineColor";
inline constexpr const char* DEVIATION_KEY = "Deviation";
inline constexpr const char* FAST_PERIOD_KEY = "FastPeriod";
inline constexpr const char* SLOW_PERIOD_KEY = "SlowPeriod";
inline constexpr const char* SIGNAL_PERIOD_KEY = "SignalPeriod";
inline constexpr const char* K_PERIOD_KEY = "%KPeriod ";
inline constexpr const char* D_PERIOD_KEY = "%DPeriod ";
inline constexpr const char* SLOWING_KEY = "Slowing";
inline constexpr const char* JAWS_PERIOD_KEY = "JawsPeriod";
inline constexpr const char* TEETH_PERIOD_KEY = "TeethPeriod";
inline constexpr const char* LIPS_PERIOD_KEY = "LipsPeriod";
inline constexpr const char* JAWS_LINE_COLOR_KEY = "JawsLineColor";
inline constexpr const char* TEETH_LINE_COLOR_KEY = "TeethLineColor";
inline constexpr const char* LIPS_LINE_COLOR_KEY = "LipsLineColor";

struct IndicatorInfo {
  Indicator indicator;
  const char* name;       // as the settings list it
  const char* shortName;  // the lower graph's title
  bool overlay;           // drawn on the price graph (else in the lower graph, one at a time)
  int tag;                // the overlay check boxes' tags 1001 to 1004; 0 for the others
  std::vector<const char*> periodKeys;  // in the order the settings show them
  bool deviation;
  std::vector<const char*> colourKeys;
  std::vector<const char*> plots;
};

const IndicatorInfo& indicatorInfo(Indicator indicator);
// Every indicator, in the settings' order.
const std::array<Indicator, kIndicatorCount>& allIndicators();

// The parameters an indicator is switched on with: texts as typed (periods, the deviation) and
// colours as picked. Valid for the call that hands them over.
class IndicatorParameters {
 public:
  void set(const std::string& key, std::string text) { texts_[key] = std::move(text); }
  void set(const std::string& key, Rgb colour) { colours_[key] = colour; }
  // "" for a missing text; black for a missing colour.
  const std::string& text(std::string_view key) const;
  Rgb colour(std::string_view key) const;
  // The leading digits of a text read as a whole number (0 for none).
  std::size_t period(std::string_view key) const;
  // The leading decimal number of a text (0 for none).
  double number(std::string_view key) const;
  std::size_t size() const { return texts_.size() + colours_.size(); }
  bool operator==(const IndicatorParameters&) const = default;

 private:
  std::map<std::string, std::string, std::less<>> texts_;
  std::map<std::string, Rgb, std::less<>> colours_;
};

namespace indicators {

using Series = std::vector<double>;
using Values = std::span<const double>;

// Value i: the average of the last min(i + 1, period) values; 0 throughout for period 0.
Series simpleMovingAverage(Values values, std::size_t period);
// Values 0 to period - 1: the simple average so far; then prev + 2 / (period + 1) * (x - prev).
// 0 throughout for period 0.
Series exponentialMovingAverage(Values values, std::size_t period);
// The population standard deviation of the last min(i + 1, period) values.
Series standardDeviation(Values values, std::size_t period);

struct Bands {
  Series mid, upper, lower;
};
Bands bollingerBands(Values closes, std::size_t period, double multiple);

struct Alligator {
  Series jaws, teeth, lips;
};
// Simple averages of the median price (high + low) / 2.
Alligator alligator(Values highs, Values lows, std::size_t jaws, std::size_t teeth, std::size_t lips);

struct Macd {
  Series line, signal, histogram;
};
Macd macd(Values closes, std::size_t fast, std::size_t slow, std::size_t signal);

// 0 for the first `period` values, then (x_i - x_{i-period}) / x_{i-period} * 100.
Series rateOfChange(Values values, std::size_t period);
// 0 for the first period - 1 bars, then (tp - avg) / (0.015 * mean deviation) of the typical price.
Series commodityChannelIndex(Values highs, Values lows, Values closes, std::size_t period);
// 100 for the first bar; gains and losses smoothed with 2 / (period + 1).
Series relativeStrengthIndex(Values closes, std::size_t period);

struct Stochastic {
  Series k, d;
};
// %K against the highest high and lowest low of the last `k` bars (each bar against itself until
// k bars are in), limited to 0 ... 100; %D the simple average over `d` of %K averaged over
// `slowing`.
Stochastic stochasticOscillator(Values highs, Values lows, Values closes, std::size_t k, std::size_t slowing,
                                std::size_t d);
Series deMarker(Values highs, Values lows, std::size_t period);
// 0 for the first `period` values, then x_i / x_{i-period} * 100.
Series momentum(Values closes, std::size_t period);
Series williamsPercentRange(Values highs, Values lows, Values closes, std::size_t period);
// Low (bears) or high (bulls) minus the exponential average of the closes.
Series bearsPower(Values lows, Values closes, std::size_t period);
Series bullsPower(Values highs, Values closes, std::size_t period);

struct Vigour {
  Series main, signal;
};
// (close - open) / (high - low), its simple average (main) and exponential average (signal).
Vigour relativeVigourIndex(Values opens, Values highs, Values lows, Values closes, std::size_t period);
// The one-bar rate of change of a triple exponential average.
Series trix(Values closes, std::size_t period);
// Simple averages of the true range for the first `period` bars, then Wilder's smoothing.
Series averageTrueRange(Values highs, Values lows, Values closes, std::size_t period);
// Simple average of the median price over 5 bars minus that over 34.
Series awesomeOscillator(Values highs, Values lows);
// The awesome oscillator minus its simple average over 5 bars.
Series acceleratorOscillator(Values highs, Values lows);

}  // namespace indicators
}  // namespace td::charts
