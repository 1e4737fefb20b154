#pragma once
// The small charts of the main window. Each runs a chart engine that keeps six major y intervals
// and never holds its live bars back, and has a toolbar of its own: a chart-type button (its image
// names the type drawn) and an interval button ("M1" ... "W1"), each popping up a menu.
//
// The host keys a chart first and then asks for its view; the view's making is the wake
// (awakeFromNib) that gives the buttons the keyed type and interval; after that every keying sets
// them directly. MainWindowCharts routes the main window's symbols and drops to the four charts: a
// drop (empty key) keeps the chart's own interval and type.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "ui/charts/ChartEngine.h"

namespace td::charts {

class ChartToolbarView {
 public:
  virtual ~ChartToolbarView() = default;
  // Title, header and toolbar are hidden or shown together.
  virtual void HideLabelandHeader(bool hide, const std::string& title) = 0;
  virtual void setChartTypeImage(const std::string& imageName) = 0;
  // The interval button's title (none: it keeps its title), always drawn white.
  virtual void setIntervalTitle(const std::optional<std::string>& title) = 0;
};

class ChartViewController final : public ChartHeaderView {
 public:
  explicit ChartViewController(ChartSession& session);

  // "linechart", "ohlcchart", "candlestickchart" for 0 to 2; none otherwise.
  static std::optional<std::string> chartTypeImage(std::int64_t index);
  // "M1", "M5", "M10", "M30", "H1", "D1", "W1" for 0 to 6; none otherwise.
  static std::optional<std::string> intervalButtonTitle(std::int64_t index);

  void setView(ChartToolbarView* view) { view_ = view; }
  ChartEngine& engine() { return engine_; }

  // `setValue:forKey:`: keys and loads the chart. A code that is no item of the session changes
  // nothing.
  void setValue(const std::string& value, std::string_view key);
  void awakeFromNib();
  void HideLabelandHeader(bool hide, const std::string& title) override;
  void SetChartTypeButtonImage(std::int64_t index);
  void SetChartIntervalButtonTitle(std::int64_t index);
  // The menus' choices: tags 0 to 2 (line, OHLC, candles) and 0 to 6 (M1 ... W1).
  void ChartTypePopUpButtonClicked(std::int64_t tag);
  void IntervalPopUpButtonClicked(std::int64_t tag);

  std::int64_t Currentinterval() const { return engine_.Currentinterval(); }
  std::int32_t type() const { return engine_.type(); }
  bool isawakeFromNib() const { return isawakeFromNib_; }
  bool initialize() const { return initialize_; }

 private:
  ChartEngine engine_;
  ChartToolbarView* view_ = nullptr;
  bool isawakeFromNib_ = false;
  bool initialize_ = false;
};

// The four charts of the main window ("Chart1" to "Chart4").
class MainWindowCharts {
 public:
  // `viewNeeded` makes chart N's view (the wake) the first time the chart is keyed.
  MainWindowCharts(ChartSession& session, std::function<void(int chart, ChartViewController&)> viewNeeded);

  // The main window's symbol for chart 1 to 4 with "<interval>#<type>", or an empty key for a drop:
  // then the chart keeps its own interval and type (a chart never keyed takes "<N>#3"). Other chart
  // numbers change nothing. The chart's view is made once it shows a symbol.
  void onChartSymbol(int chart, const std::string& symbol, const std::string& key);
  ChartViewController& chart(int chart) { return *charts_[static_cast<std::size_t>(chart - 1)]; }

 private:
  std::array<std::unique_ptr<ChartViewController>, 4> charts_;
  std::array<bool, 4> viewMade_{};
  std::function<void(int, ChartViewController&)> viewNeeded_;
};

}  // namespace td::charts
