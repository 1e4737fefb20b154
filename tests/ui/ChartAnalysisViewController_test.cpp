// The indicator settings without widgets: what each switch hands the delegate, the one-at-a-time
// rule of the lower-graph indicators, and the periods refused.

#include <gtest/gtest.h>

#include "ui/charts/ChartAnalysisViewController.h"

namespace td::charts {
namespace {

class RecordingDelegate : public ChartAnalysisViewControllerDelegate {
 public:
  void checkBoxOn(Indicator indicator, const IndicatorParameters& parameters) override {
    calls.push_back(std::string(indicatorInfo(indicator).shortName) + " on");
    last = parameters;
  }
  void checkBoxOff(Indicator indicator) override { calls.push_back(std::string(indicatorInfo(indicator).shortName) + " off"); }
  std::vector<std::string> calls;
  IndicatorParameters last;
};

class RecordingPanel : public ChartAnalysisView {
 public:
  void setCheckBox(Indicator indicator, bool on) override { boxes[indicator] = on; }
  void showRefusal(const std::string& text) override { refusal = text; }
  std::map<Indicator, bool> boxes;
  std::string refusal = "(none)";
};

class ChartAnalysisTest : public ::testing::Test {
 protected:
  ChartAnalysisTest() {
    settings.setChartAnalysisDelegate(&delegate);
    settings.setView(&panel);
  }
  std::int64_t bars = 199;
  ChartAnalysisViewController settings{[this] { return bars; }};
  RecordingDelegate delegate;
  RecordingPanel panel;
};

TEST_F(ChartAnalysisTest, ALowerGraphIndicatorTakesThePlaceOfTheOneOnWithoutAnOffCall) {
  settings.checkBoxChanged(Indicator::RSI, true);
  settings.checkBoxChanged(Indicator::CCI, true);
  EXPECT_EQ(delegate.calls, (std::vector<std::string>{"RSI on", "CCI on"}));
  EXPECT_FALSE(settings.isOn(Indicator::RSI));
  EXPECT_FALSE(panel.boxes[Indicator::RSI]);
  EXPECT_EQ(delegate.last.size(), 1u);
  EXPECT_EQ(delegate.last.text(PERIOD_KEY), "14");
}

TEST_F(ChartAnalysisTest, OverlaysCombineWithEachOtherAndWithTheLowerGraph) {
  for (Indicator overlay : {Indicator::SMA, Indicator::EMA, Indicator::BollingerBands})
    settings.checkBoxChanged(overlay, true);
  settings.checkBoxChanged(Indicator::MACD, true);
  settings.resetCheckBoxSelection(std::nullopt);
  for (Indicator overlay : {Indicator::SMA, Indicator::EMA, Indicator::BollingerBands})
    EXPECT_TRUE(settings.isOn(overlay));
  EXPECT_FALSE(settings.isOn(Indicator::MACD));
  EXPECT_EQ(delegate.calls.size(), 4u);  // the reset tells no one
}

TEST_F(ChartAnalysisTest, EachSwitchOnCarriesItsIndicatorsParametersOnly) {
  settings.checkBoxChanged(Indicator::Stochastic, true);
  EXPECT_EQ(delegate.last.size(), 3u);
  EXPECT_EQ(delegate.last.text("%KPeriod "), "5");
  EXPECT_EQ(delegate.last.text("%DPeriod "), "3");
  EXPECT_EQ(delegate.last.text("Slowing"), "3");
  settings.setColour(Indicator::Alligator, JAWS_LINE_COLOR_KEY, colours::white);
  settings.checkBoxChanged(Indicator::Alligator, true);
  EXPECT_EQ(delegate.last.size(), 6u);
  EXPECT_EQ(delegate.last.colour(JAWS_LINE_COLOR_KEY), colours::white);
  EXPECT_EQ(delegate.last.text(LIPS_PERIOD_KEY), "5");
  settings.checkBoxChanged(Indicator::BollingerBands, true);
  EXPECT_EQ(delegate.last.size(), 3u);
  EXPECT_EQ(delegate.last.text(DEVIATION_KEY), "2");
  settings.checkBoxChanged(Indicator::AwesomeOscillator, true);
  EXPECT_EQ(delegate.last.size(), 0u);
}

TEST_F(ChartAnalysisTest, SwitchingOffClearsTheOtherLowerBoxesFirstThenTellsTheDelegate) {
  settings.checkBoxChanged(Indicator::AwesomeOscillator, true);
  settings.checkBoxChanged(Indicator::AwesomeOscillator, false);
  EXPECT_EQ(delegate.calls.back(), "AO off");
  EXPECT_FALSE(panel.boxes[Indicator::AwesomeOscillator]);
}

TEST_F(ChartAnalysisTest, TheAverageTrueRangeRefusesPeriodsOutsideTheBarsAndTheBoxStaysOff) {
  settings.checkBoxChanged(Indicator::RSI, true);
  for (const char* text : {"", "0", "200"}) {
    settings.setFieldText(Indicator::ATR, PERIOD_KEY, text);
    settings.checkBoxChanged(Indicator::ATR, true);
    EXPECT_FALSE(settings.isOn(Indicator::ATR)) << text;
    EXPECT_EQ(panel.refusal, "Average True Range: the period must be a whole number from 1 to 199 (the bars loaded).");
  }
  EXPECT_TRUE(settings.isOn(Indicator::RSI));  // a refused switch-on leaves the lower graph shown
  settings.setFieldText(Indicator::ATR, PERIOD_KEY, "199");
  settings.checkBoxChanged(Indicator::ATR, true);
  EXPECT_TRUE(settings.isOn(Indicator::ATR));
  EXPECT_EQ(panel.refusal, "");
  bars = 0;
  settings.checkBoxChanged(Indicator::ATR, true);
  EXPECT_EQ(panel.refusal, "Average True Range: no bars are loaded yet.");
  EXPECT_EQ(delegate.calls, (std::vector<std::string>{"RSI on", "ATR on"}));
}

TEST_F(ChartAnalysisTest, EveryOtherIndicatorTakesAnyPeriodOfOneOrMoreWhateverTheBars) {
  settings.setFieldText(Indicator::RSI, PERIOD_KEY, "99999");
  settings.checkBoxChanged(Indicator::RSI, true);
  EXPECT_TRUE(settings.isOn(Indicator::RSI));
  settings.setFieldText(Indicator::Alligator, JAWS_PERIOD_KEY, "500");
  settings.checkBoxChanged(Indicator::Alligator, true);
  EXPECT_EQ(delegate.last.text(JAWS_PERIOD_KEY), "500");
  bars = 0;
  settings.checkBoxChanged(Indicator::SMA, true);
  EXPECT_TRUE(settings.isOn(Indicator::SMA));
  EXPECT_EQ(delegate.calls, (std::vector<std::string>{"RSI on", "Alligator on", "SMA on"}));

  // Empty or 0 is no period; so is a deviation left empty.
  for (const char* text : {"", "0"}) {
    settings.setFieldText(Indicator::MACD, SLOW_PERIOD_KEY, text);
    settings.checkBoxChanged(Indicator::MACD, true);
    EXPECT_FALSE(settings.isOn(Indicator::MACD)) << text;
    EXPECT_EQ(panel.refusal, "MACD: each period must be a whole number of 1 or more.");
  }
  settings.setFieldText(Indicator::BollingerBands, DEVIATION_KEY, "");
  settings.checkBoxChanged(Indicator::BollingerBands, true);
  EXPECT_EQ(panel.refusal, "Bollinger Bands: enter a deviation.");
  settings.checkBoxChanged(Indicator::AcceleratorOscillator, true);  // no periods to refuse
  EXPECT_TRUE(settings.isOn(Indicator::AcceleratorOscillator));
  EXPECT_EQ(delegate.calls.size(), 4u);
}

}  // namespace
}  // namespace td::charts
