#include "ui/charts/ChartAnalysisViewController.h"

#include "platform/AppContext.h"
#include "platform/LanguageString.h"

namespace td::charts {
namespace {

// A localised text with %1 and %2 filled in.
std::string text(const char* key, const std::string& first, const std::string& second = {}) {
  std::string out = LanguageString::stringforSelectedLanguage(AppContext::current()->selectedLanguage(), key);
  for (const auto& [mark, value] : {std::pair<std::string, std::string>{"%1", first}, {"%2", second}})
    if (const auto at = out.find(mark); at != std::string::npos) out.replace(at, mark.size(), value);
  return out;
}

struct Defaults {
  Indicator indicator;
  std::vector<std::pair<const char*, const char*>> texts;
  std::vector<std::pair<const char*, Rgb>> colours;
};

const std::vector<Defaults>& defaults() {
  static const std::vector<Defaults> kDefaults{
      {Indicator::SMA, {{PERIOD_KEY, "20"}}, {{LINE_COLOR_KEY, Rgb::of255(255, 215, 0)}}},
      {Indicator::EMA, {{PERIOD_KEY, "20"}}, {{LINE_COLOR_KEY, Rgb::of255(255, 140, 0)}}},
      {Indicator::BollingerBands, {{PERIOD_KEY, "20"}, {DEVIATION_KEY, "2"}}, {{LINE_COLOR_KEY, Rgb::of255(135, 206, 250)}}},
      {Indicator::MACD, {{FAST_PERIOD_KEY, "12"}, {SLOW_PERIOD_KEY, "26"}, {SIGNAL_PERIOD_KEY, "9"}}, {}},
      {Indicator::ROC, {{PERIOD_KEY, "12"}}, {}},
      {Indicator::StdDev, {{PERIOD_KEY, "20"}}, {}},
      {Indicator::CCI, {{PERIOD_KEY, "14"}}, {}},
      {Indicator::RSI, {{PERIOD_KEY, "14"}}, {}},
      {Indicator::Stochastic, {{K_PERIOD_KEY, "5"}, {D_PERIOD_KEY, "3"}, {SLOWING_KEY, "3"}}, {}},
      {Indicator::DeMarker, {{PERIOD_KEY, "14"}}, {}},
      {Indicator::Momentum, {{PERIOD_KEY, "14"}}, {}},
      {Indicator::WilliamsPercentRange, {{PERIOD_KEY, "14"}}, {}},
      {Indicator::BearsPower, {{PERIOD_KEY, "13"}}, {}},
      {Indicator::BullsPower, {{PERIOD_KEY, "13"}}, {}},
      {Indicator::RVI, {{PERIOD_KEY, "10"}}, {}},
      {Indicator::TRIX, {{PERIOD_KEY, "15"}}, {}},
      {Indicator::ATR, {{PERIOD_KEY, "14"}}, {}},
      {Indicator::AwesomeOscillator, {}, {}},
      {Indicator::AcceleratorOscillator, {}, {}},
      {Indicator::Alligator,
       {{JAWS_PERIOD_KEY, "13"}, {TEETH_PERIOD_KEY, "8"}, {LIPS_PERIOD_KEY, "5"}},
       {{JAWS_LINE_COLOR_KEY, Rgb::of255(30, 144, 255)},
        {TEETH_LINE_COLOR_KEY, Rgb::of255(220, 20, 60)},
        {LIPS_LINE_COLOR_KEY, Rgb::of255(50, 205, 50)}}},
  };
  return kDefaults;
}

}  // namespace

ChartAnalysisViewController::ChartAnalysisViewController(std::function<std::int64_t()> barCount)
    : barCount_(std::move(barCount)) {
  loadView();
}

void ChartAnalysisViewController::loadView() {
  for (const Defaults& d : defaults()) {
    Controls& c = controls_[index(d.indicator)];
    c = Controls{};
    for (const auto& [key, value] : d.texts) c.values.set(key, value);
    for (const auto& [key, value] : d.colours) c.values.set(key, value);
  }
}

const std::string& ChartAnalysisViewController::fieldText(Indicator indicator, std::string_view key) const {
  return controls_[index(indicator)].values.text(key);
}

void ChartAnalysisViewController::setFieldText(Indicator indicator, const std::string& key, std::string text) {
  controls_[index(indicator)].values.set(key, std::move(text));
}

Rgb ChartAnalysisViewController::colour(Indicator indicator, std::string_view key) const {
  return controls_[index(indicator)].values.colour(key);
}

void ChartAnalysisViewController::setColour(Indicator indicator, const std::string& key, Rgb colour) {
  controls_[index(indicator)].values.set(key, colour);
}

IndicatorParameters ChartAnalysisViewController::parameters(Indicator indicator) const {
  const IndicatorInfo& info = indicatorInfo(indicator);
  IndicatorParameters p;
  for (const char* key : info.periodKeys) p.set(key, fieldText(indicator, key));
  if (info.deviation) p.set(DEVIATION_KEY, fieldText(indicator, DEVIATION_KEY));
  for (const char* key : info.colourKeys) p.set(key, colour(indicator, key));
  return p;
}

std::optional<std::string> ChartAnalysisViewController::refusal(Indicator indicator,
                                                                const IndicatorParameters& parameters) const {
  const IndicatorInfo& info = indicatorInfo(indicator);
  if (indicator == Indicator::ATR) {
    // Its smoothing starts from the mean of the first `period` true ranges, which must exist.
    const std::int64_t bars = barCount_ ? barCount_() : 0;
    if (bars < 1) return text("9504", info.name);
    const std::size_t period = parameters.period(PERIOD_KEY);
    if (period == 0 || period > static_cast<std::size_t>(bars)) return text("9503", info.name, std::to_string(bars));
    return std::nullopt;
  }
  // Every other indicator takes any period of 1 or more: where it exceeds the bars, the values
  // are the warm-up of the bars there are.
  for (const char* key : info.periodKeys)
    if (parameters.period(key) == 0) return text("9506", info.name);
  if (info.deviation && parameters.text(DEVIATION_KEY).empty()) return text("9505", info.name);
  return std::nullopt;
}

void ChartAnalysisViewController::setOn(Indicator indicator, bool on) {
  controls_[index(indicator)].on = on;
  if (view_) view_->setCheckBox(indicator, on);
}

void ChartAnalysisViewController::checkBoxChanged(Indicator indicator, bool on) {
  const bool overlay = indicatorInfo(indicator).overlay;
  if (on) {
    const IndicatorParameters p = parameters(indicator);
    if (const auto refused = refusal(indicator, p)) {
      setOn(indicator, false);
      if (view_) view_->showRefusal(*refused);
      return;
    }
    if (view_) view_->showRefusal("");
    setOn(indicator, true);
    if (!overlay) resetCheckBoxSelection(indicator);
    if (delegate_) delegate_->checkBoxOn(indicator, p);
    return;
  }
  setOn(indicator, false);
  if (!overlay) resetCheckBoxSelection(indicator);
  if (delegate_) delegate_->checkBoxOff(indicator);
}

void ChartAnalysisViewController::resetCheckBoxSelection(std::optional<Indicator> sender) {
  for (Indicator indicator : allIndicators())
    if (!indicatorInfo(indicator).overlay && indicator != sender && isOn(indicator)) setOn(indicator, false);
}

}  // namespace td::charts
