// Every indicator on 100,002 bars, with period 14 and period 200 (CCI also 1,000). Goals: every O(n)
// indicator under 2 ms, CCI under 100 ms at either period.

#include <benchmark/benchmark.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "ui/charts/Indicators.h"

namespace {

using namespace td::charts::indicators;

struct Bars {
  std::vector<double> open, high, low, close;
};

const Bars& bars() {
  static const Bars b = [] {
    Bars out;
    double price = 1.08;
    for (int i = 0; i < 100002; ++i) {
      const double move = 0.0004 * std::sin(i * 0.37) + 0.0003 * std::cos(i * 1.91);
      const double open = price;
      price += move;
      out.open.push_back(open);
      out.close.push_back(price);
      out.high.push_back(std::max(open, price) + 0.0002 * (1 + std::sin(i * 0.11)));
      out.low.push_back(std::min(open, price) - 0.0002 * (1 + std::cos(i * 0.13)));
    }
    return out;
  }();
  return b;
}

using Indicator = std::function<double(const Bars&, std::size_t)>;

void run(benchmark::State& state, const Indicator& indicator) {
  const Bars& b = bars();
  const auto period = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(indicator(b, period));
  state.counters["bars"] = static_cast<double>(b.close.size());
}

template <class Fn>
double last(Fn&& make) {
  const auto series = make();
  return series.empty() ? 0 : series.back();
}

const std::vector<std::pair<const char*, Indicator>>& indicators() {
  static const std::vector<std::pair<const char*, Indicator>> all{
      {"SMA", [](const Bars& b, std::size_t p) { return last([&] { return simpleMovingAverage(b.close, p); }); }},
      {"EMA", [](const Bars& b, std::size_t p) { return last([&] { return exponentialMovingAverage(b.close, p); }); }},
      {"Bollinger", [](const Bars& b, std::size_t p) { return bollingerBands(b.close, p, 2).upper.back(); }},
      {"Alligator", [](const Bars& b, std::size_t p) { return alligator(b.high, b.low, p, p / 2 + 1, p / 3 + 1).jaws.back(); }},
      {"MACD", [](const Bars& b, std::size_t p) { return macd(b.close, p, 2 * p, p / 2 + 1).histogram.back(); }},
      {"RateOfChange", [](const Bars& b, std::size_t p) { return last([&] { return rateOfChange(b.close, p); }); }},
      {"StdDev", [](const Bars& b, std::size_t p) { return last([&] { return standardDeviation(b.close, p); }); }},
      {"CCI", [](const Bars& b, std::size_t p) { return last([&] { return commodityChannelIndex(b.high, b.low, b.close, p); }); }},
      {"RSI", [](const Bars& b, std::size_t p) { return last([&] { return relativeStrengthIndex(b.close, p); }); }},
      {"Stochastic", [](const Bars& b, std::size_t p) { return stochasticOscillator(b.high, b.low, b.close, p, 3, 3).d.back(); }},
      {"DeMarker", [](const Bars& b, std::size_t p) { return last([&] { return deMarker(b.high, b.low, p); }); }},
      {"Momentum", [](const Bars& b, std::size_t p) { return last([&] { return momentum(b.close, p); }); }},
      {"WilliamsR", [](const Bars& b, std::size_t p) { return last([&] { return williamsPercentRange(b.high, b.low, b.close, p); }); }},
      {"BearsPower", [](const Bars& b, std::size_t p) { return last([&] { return bearsPower(b.low, b.close, p); }); }},
      {"BullsPower", [](const Bars& b, std::size_t p) { return last([&] { return bullsPower(b.high, b.close, p); }); }},
      {"RVI", [](const Bars& b, std::size_t p) { return relativeVigourIndex(b.open, b.high, b.low, b.close, p).signal.back(); }},
      {"TRIX", [](const Bars& b, std::size_t p) { return last([&] { return trix(b.close, p); }); }},
      {"ATR", [](const Bars& b, std::size_t p) { return last([&] { return averageTrueRange(b.high, b.low, b.close, p); }); }},
      {"Awesome", [](const Bars& b, std::size_t) { return last([&] { return awesomeOscillator(b.high, b.low); }); }},
      {"Accelerator", [](const Bars& b, std::size_t) { return last([&] { return acceleratorOscillator(b.high, b.low); }); }},
  };
  return all;
}

const bool registered = [] {
  for (const auto& [name, indicator] : indicators()) {
    auto* bench = benchmark::RegisterBenchmark((std::string("BM_") + name).c_str(),
                                               [&indicator = indicator](benchmark::State& s) { run(s, indicator); });
    bench->Arg(14)->Arg(200)->Unit(benchmark::kMillisecond);
    if (std::string(name) == "CCI") bench->Arg(1000);
  }
  return true;
}();

}  // namespace
