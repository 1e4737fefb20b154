#pragma once
// The account pie of the main window: how the open positions of the account chosen in the main
// window divide by symbol, as floating profit or loss per symbol, or (the margin view) as the
// margin of each symbol in percent of the account's equity with the available margin beside.
//
// The slices are computed again every second from the live collections; the graph is built the
// first time the session announces its data ("PieChartUpdateNotification"). A margin view of an
// account without equity (0 or less) or without a record has no slices. A slice whose size is
// negative or not a number is drawn as 0; the legend keeps its signed value.
//
// Main thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "ui/charts/PlotLayer.h"

namespace td {
class BusinessBase;
class OrderMananger;
struct Order;
}  // namespace td

namespace td::charts {

class PieChartView {
 public:
  virtual ~PieChartView() = default;
  virtual void setTitle(const std::string& title) = 0;
  virtual void constructGraph() = 0;
  virtual void reloadData() = 0;
};

class PieChartViewController final : public PieDataSource {
 public:
  struct Services {
    std::function<std::shared_ptr<BusinessBase>()> session;
    std::function<std::shared_ptr<OrderMananger>()> orders;
    NotificationCenter* notifications = nullptr;
    MainQueue* mainQueue = nullptr;
    Clock::Duration interval = std::chrono::seconds(1);
  };

  static constexpr const char* PIE_PLOT = "Pie PLot";
  static constexpr const char* kAvailableMarginTitle = "Avl.Mgn";
  // The five slice colours, used in turn.
  static Rgb sliceColour(std::size_t index);

  explicit PieChartViewController(Services services);
  ~PieChartViewController() override;

  void setView(PieChartView* view) { view_ = view; }

  // `awakeFromNib`: once; the profit/loss view, the observer and the 1-second timer.
  void awakeFromNib();
  // `ReloadData`: the timer's tick.
  void ReloadData();
  // `pieChartUpdate:`: builds the graph (on the main queue) if it is not built yet.
  void pieChartUpdate();
  void constructGraph();
  void generateData();
  double getFloatingPL(const std::string& code, const std::vector<std::shared_ptr<Order>>& positions) const;
  double getMargin(const std::string& code) const;
  // Segment 0 "Profit/Loss", 1 "Margin"; other segments change nothing.
  void pieSegementButtonClicked(std::int64_t segment);
  // The delegate's log lines of a click on a slice, and on a slice's data label.
  void sliceWasSelected(std::size_t index) const;
  void dataLabelWasSelected(std::size_t index) const;

  // PieDataSource
  std::size_t numberOfSlices() override { return plotData_.size(); }
  double sliceWidth(std::size_t index) override;
  Rgb sliceFill(std::size_t index) override { return sliceColour(index); }
  // "EURUSD: -150.00".
  std::string legendTitle(std::size_t index) override;
  // The slice's size: "150.00".
  std::string dataLabel(std::size_t index) override;

  const std::vector<double>& plotData() const { return plotData_; }
  const std::vector<std::string>& plotDataTitle() const { return plotDataTitle_; }
  const std::vector<double>& plotDataValue() const { return plotDataValue_; }
  bool isProfitLossPieChart() const { return isProfitLossPieChart_; }
  bool isGraphConstructed() const { return isGraphConstructed_; }

 private:
  void addSlice(std::string title, double width, double value);

  Services services_;
  PieChartView* view_ = nullptr;
  std::vector<double> plotData_;
  std::vector<std::string> plotDataTitle_;
  std::vector<double> plotDataValue_;
  bool initialize_ = false;
  bool isGraphConstructed_ = false;
  bool constructPosted_ = false;
  bool isProfitLossPieChart_ = true;
  ObserverToken updateToken_ = 0;
  TimerHandle timer_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace td::charts
