#pragma once
// The indicator settings of the chart window (the content of its popover): one check box per
// indicator with its period fields and colours. Switching a box on hands the indicator's parameters
// to the delegate; switching it off tells the delegate to remove it. The four overlays combine
// freely; of the other sixteen only one box is on at a time (switching one on clears the others
// without telling the delegate: the next lower graph takes the place of the one shown).
//
// A period that is empty or 0 is refused with a text saying so, and the box stays off; so is a
// Bollinger deviation left empty. Only the average true range also refuses a period larger than
// the bars loaded; the others show their warm-up values. Main thread only.

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "ui/charts/Indicators.h"

namespace td::charts {

// The delegate's "On" and "Off" operation of each indicator's check box ("smaCheckBoxOn:",
// "smaCheckBoxOff", ... "alligatorCheckBoxOff"); the awesome and accelerator oscillators are
// switched on without parameters.
class ChartAnalysisViewControllerDelegate {
 public:
  virtual ~ChartAnalysisViewControllerDelegate() = default;
  virtual void checkBoxOn(Indicator indicator, const IndicatorParameters& parameters) = 0;
  virtual void checkBoxOff(Indicator indicator) = 0;
};

class ChartAnalysisView {
 public:
  virtual ~ChartAnalysisView() = default;
  virtual void setCheckBox(Indicator indicator, bool on) = 0;
  // Why a switch-on was refused; "" clears it.
  virtual void showRefusal(const std::string& text) = 0;
};

class ChartAnalysisViewController {
 public:
  // `barCount`: the bars the chart has loaded, the largest period of the average true range.
  explicit ChartAnalysisViewController(std::function<std::int64_t()> barCount);

  void setChartAnalysisDelegate(ChartAnalysisViewControllerDelegate* delegate) { delegate_ = delegate; }
  ChartAnalysisViewControllerDelegate* chartAnalysisDelegate() const { return delegate_; }
  void setView(ChartAnalysisView* view) { view_ = view; }

  // `loadView`: every box off, the fields and colours at their defaults.
  void loadView();

  const std::string& fieldText(Indicator indicator, std::string_view key) const;
  void setFieldText(Indicator indicator, const std::string& key, std::string text);
  Rgb colour(Indicator indicator, std::string_view key) const;
  void setColour(Indicator indicator, const std::string& key, Rgb colour);
  bool isOn(Indicator indicator) const { return controls_[index(indicator)].on; }

  // The check box's action, with its new state.
  void checkBoxChanged(Indicator indicator, bool on);
  // Switches off every lower-graph box but the sender's (none: all of them); tells no one.
  void resetCheckBoxSelection(std::optional<Indicator> sender);

  // The indicator's parameters as its controls hold them.
  IndicatorParameters parameters(Indicator indicator) const;
  // Why these parameters cannot be used, or none.
  std::optional<std::string> refusal(Indicator indicator, const IndicatorParameters& parameters) const;

 private:
  struct Controls {
    bool on = false;
    IndicatorParameters values;  // the fields' texts and the colours picked
  };
  static std::size_t index(Indicator indicator) { return static_cast<std::size_t>(indicator); }
  void setOn(Indicator indicator, bool on);

  std::function<std::int64_t()> barCount_;
  ChartAnalysisViewControllerDelegate* delegate_ = nullptr;
  ChartAnalysisView* view_ = nullptr;
  std::array<Controls, kIndicatorCount> controls_;
};

}  // namespace td::charts
