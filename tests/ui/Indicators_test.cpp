// The indicator calculations against values worked out by hand from their formulas.

#include <gtest/gtest.h>

#include <cmath>

#include "ui/charts/Indicators.h"

namespace td::charts::indicators {
namespace {

void expectSeries(const Series& actual, const std::vector<double>& expected, double tolerance = 1e-9) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(actual[i], expected[i], tolerance) << "value " << i;
}

const std::vector<double> kOneToFive{1, 2, 3, 4, 5};

TEST(MovingAverages, SimpleAndExponentialOfOneToFiveWarmUpOnTheAverageSoFar) {
  expectSeries(simpleMovingAverage(kOneToFive, 3), {1, 1.5, 2, 3, 4});
  // Seeded by the simple average, then 2.0 + 0.5 * (4 - 2) and 3.0 + 0.5 * (5 - 3).
  expectSeries(exponentialMovingAverage(kOneToFive, 3), {1, 1.5, 2, 3, 4});
  expectSeries(exponentialMovingAverage(kOneToFive, 1), {1, 2, 3, 4, 5});
  expectSeries(simpleMovingAverage(kOneToFive, 0), {0, 0, 0, 0, 0});
  expectSeries(exponentialMovingAverage(kOneToFive, 0), {0, 0, 0, 0, 0});
  expectSeries(simpleMovingAverage(kOneToFive, 9), {1, 1.5, 2, 2.5, 3});  // a period beyond the bars
}

TEST(MovingAverages, AValueThatIsNoNumberSpoilsOnlyTheWindowsItIsIn) {
  const std::vector<double> values{1, NAN, 3, 4, 5, 6};
  const Series sma = simpleMovingAverage(values, 2);
  EXPECT_TRUE(std::isnan(sma[1]) && std::isnan(sma[2]));
  EXPECT_DOUBLE_EQ(sma[3], 3.5);
  EXPECT_DOUBLE_EQ(sma[5], 5.5);
}

TEST(Deviation, BollingerBandsAndStandardDeviationArePopulationFigures) {
  const Bands bands = bollingerBands(std::vector<double>{1, 2, 3}, 3, 2);
  expectSeries(bands.mid, {1, 1.5, 2});
  EXPECT_NEAR(bands.upper[2], 3.6330, 1e-4);
  EXPECT_NEAR(bands.lower[2], 0.3670, 1e-4);
  expectSeries(standardDeviation(std::vector<double>{1, 2, 3, 3}, 3), {0, 0.5, std::sqrt(2.0 / 3), std::sqrt(2.0 / 9)});
  // Rounding leaves a tiny negative variance here; it is taken as 0.
  for (double sigma : standardDeviation(std::vector<double>{0, 0.1, 0.1, 0.1, 0.1}, 3)) {
    EXPECT_TRUE(std::isfinite(sigma));
    EXPECT_GE(sigma, 0);
  }
}

TEST(Oscillators, RsiRateOfChangeAndMomentum) {
  expectSeries(relativeStrengthIndex(std::vector<double>{10, 11, 10}, 2), {100, 100, 25});
  expectSeries(rateOfChange(std::vector<double>{10, 11}, 1), {0, 10});
  expectSeries(momentum(std::vector<double>{10, 11}, 1), {0, 110});
  // A close of 0 gives 0 where the ratio has no value.
  expectSeries(rateOfChange(std::vector<double>{0, 5, 6}, 1), {0, 0, 20});
  expectSeries(momentum(std::vector<double>{0, 5}, 1), {0, 0});
}

TEST(Oscillators, StochasticAndWilliamsMeasureAgainstTheWindowsHighAndLow) {
  const std::vector<double> highs{10, 12, 11}, lows{8, 9, 7}, closes{9, 11, 8};
  const Stochastic s = stochasticOscillator(highs, lows, closes, 2, 1, 1);
  expectSeries(s.k, {50, 75, 20});
  expectSeries(s.d, {50, 75, 20});
  expectSeries(stochasticOscillator(highs, lows, closes, 2, 2, 2).d, {50, 56.25, 55});
  expectSeries(williamsPercentRange(highs, lows, closes, 2), {-50, -25, -80});
}

TEST(Oscillators, CommodityChannelIndexUsesTheMeanDeviationOfItsWindow) {
  const std::vector<double> typical{1, 3, 2};
  // 1 / (0.015 * 1) and -0.5 / (0.015 * 0.5), the factor as the single-precision constant.
  expectSeries(commodityChannelIndex(typical, typical, typical, 2), {0, 66.6666682, -66.6666682}, 1e-6);
  expectSeries(commodityChannelIndex(std::vector<double>{5, 5, 5}, std::vector<double>{5, 5, 5},
                                     std::vector<double>{5, 5, 5}, 2),
               {0, 0, 0});
}

TEST(Oscillators, DeMarkerVigourAndThePowers) {
  const std::vector<double> highs{10, 12, 11}, lows{8, 9, 7};
  expectSeries(deMarker(highs, lows, 1), {1, 1, 0});
  const Vigour v =
      relativeVigourIndex(std::vector<double>{9, 10, 5}, std::vector<double>{10, 12, 5}, std::vector<double>{8, 9, 5},
                          std::vector<double>{9.5, 11.5, 5}, 1);
  expectSeries(v.main, {0.25, 0.5, 0});  // a bar whose high is its low gives 0
  expectSeries(v.signal, {0.25, 0.5, 0});
  expectSeries(bearsPower(lows, std::vector<double>{9, 11, 8}, 1), {-1, -2, -1});
  expectSeries(bullsPower(highs, std::vector<double>{9, 11, 8}, 1), {1, 1, 3});
}

TEST(Trends, MacdOfEqualPeriodsIsFlatAndTrixOfAFlatSeriesIsZero) {
  const std::vector<double> closes{1, 3, 2, 5, 4, 6, 7};
  const Macd m = macd(closes, 3, 3, 2);
  expectSeries(m.line, std::vector<double>(7, 0));
  expectSeries(m.signal, std::vector<double>(7, 0));
  expectSeries(m.histogram, std::vector<double>(7, 0));
  expectSeries(trix(std::vector<double>(6, 2.5), 3), std::vector<double>(6, 0));
  // A rising series: the triple average rises, so does its rate of change.
  const Series rising = trix(std::vector<double>{1, 2, 3, 4, 5, 6}, 2);
  EXPECT_EQ(rising[0], 0);
  EXPECT_GT(rising[3], 0);
}

TEST(Trends, AverageTrueRangeSmoothsAfterItsFirstPeriod) {
  // True ranges 1, 2, 3, 4 (the high minus the low beats the gaps to the closes before).
  const std::vector<double> highs{11, 12, 13, 14}, lows{10, 10, 10, 10}, closes{10.5, 11, 11.5, 12};
  expectSeries(averageTrueRange(highs, lows, closes, 3), {1, 1.5, 2, 8.0 / 3});
  expectSeries(averageTrueRange(highs, lows, closes, 9), {1, 1.5, 2, 2.5});
}

TEST(BillWilliams, AwesomeAndAcceleratorStartAtZeroAndTheAlligatorAtTheFirstMedian) {
  std::vector<double> highs, lows;
  for (int i = 0; i < 40; ++i) {
    highs.push_back(10 + i * 0.5 + (i % 3));
    lows.push_back(9 + i * 0.5);
  }
  EXPECT_EQ(awesomeOscillator(highs, lows)[0], 0);
  EXPECT_EQ(acceleratorOscillator(highs, lows)[0], 0);
  EXPECT_GT(awesomeOscillator(highs, lows)[39], 0);
  const Alligator a = alligator(highs, lows, 13, 8, 5);
  for (const Series* line : {&a.jaws, &a.teeth, &a.lips}) EXPECT_DOUBLE_EQ((*line)[0], 9.5);
  EXPECT_NE(a.jaws[20], a.lips[20]);
}

TEST(Flat, EveryIndicatorOfAFlatMarketIsANumber) {
  const std::vector<double> flat(60, 1.25);
  std::vector<Series> all{simpleMovingAverage(flat, 14), exponentialMovingAverage(flat, 14),
                          standardDeviation(flat, 14),   rateOfChange(flat, 14),
                          commodityChannelIndex(flat, flat, flat, 14),
                          relativeStrengthIndex(flat, 14), stochasticOscillator(flat, flat, flat, 14, 3, 3).k,
                          stochasticOscillator(flat, flat, flat, 14, 3, 3).d, deMarker(flat, flat, 14),
                          momentum(flat, 14), williamsPercentRange(flat, flat, flat, 14),
                          bearsPower(flat, flat, 14), relativeVigourIndex(flat, flat, flat, flat, 14).signal,
                          trix(flat, 14), averageTrueRange(flat, flat, flat, 14), acceleratorOscillator(flat, flat),
                          macd(flat, 12, 26, 9).histogram, bollingerBands(flat, 20, 2).upper};
  for (std::size_t k = 0; k < all.size(); ++k)
    for (double v : all[k]) ASSERT_TRUE(std::isfinite(v)) << "indicator " << k;
}

TEST(Parameters, PeriodsReadTheirLeadingDigits) {
  IndicatorParameters p;
  p.set(PERIOD_KEY, "14x");
  p.set(DEVIATION_KEY, "2.5");
  EXPECT_EQ(p.period(PERIOD_KEY), 14u);
  EXPECT_EQ(p.period(SLOWING_KEY), 0u);
  EXPECT_DOUBLE_EQ(p.number(DEVIATION_KEY), 2.5);
  EXPECT_EQ(p.colour(LINE_COLOR_KEY), colours::black);
}

}  // namespace
}  // namespace td::charts::indicators
