#include "ui/charts/PieChartViewController.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "model/AccountDetails.h"
#include "model/Order.h"
#include "orders/OrderMananger.h"
#include "platform/Log.h"
#include "session/BusinessBase.h"
#include "session/trading/ProfitAndLoss.h"

namespace td::charts {
namespace {

std::string twoDecimals(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

// `intValue` of an account number text.
std::int64_t accountOf(const std::string& text) { return std::strtoll(text.c_str(), nullptr, 10); }

}  // namespace

Rgb PieChartViewController::sliceColour(std::size_t index) {
  static constexpr Rgb kColours[5] = {Rgb::of255(246, 155, 0), Rgb::of255(129, 195, 29), Rgb::of255(62, 173, 219),
                                      Rgb::of255(229, 66, 115), Rgb::of255(148, 141, 139)};
  return kColours[index % 5];
}

PieChartViewController::PieChartViewController(Services services) : services_(std::move(services)) {}

PieChartViewController::~PieChartViewController() {
  *alive_ = false;
  if (updateToken_ && services_.notifications) services_.notifications->removeObserver(updateToken_);
}

void PieChartViewController::awakeFromNib() {
  if (initialize_) return;
  initialize_ = true;
  isProfitLossPieChart_ = true;
  plotData_.clear();
  plotDataTitle_.clear();
  plotDataValue_.clear();
  if (services_.notifications)
    updateToken_ = services_.notifications->addObserver("PieChartUpdateNotification",
                                                        [this](const Notification&) { pieChartUpdate(); });
  if (services_.mainQueue) timer_ = services_.mainQueue->scheduleRepeating(services_.interval, [this] { ReloadData(); });
}

void PieChartViewController::ReloadData() {
  generateData();
  if (isGraphConstructed_ && view_) view_->reloadData();
}

void PieChartViewController::pieChartUpdate() {
  if (isGraphConstructed_ || constructPosted_ || !services_.mainQueue) return;
  constructPosted_ = true;
  services_.mainQueue->post([this, alive = alive_] {
    if (*alive) constructGraph();
  });
}

void PieChartViewController::constructGraph() {
  if (isGraphConstructed_) return;
  isGraphConstructed_ = true;
  if (view_) view_->constructGraph();
}

void PieChartViewController::addSlice(std::string title, double width, double value) {
  plotData_.push_back(width);
  plotDataTitle_.push_back(std::move(title));
  plotDataValue_.push_back(value);
}

void PieChartViewController::generateData() {
  plotData_.clear();
  plotDataTitle_.clear();
  plotDataValue_.clear();
  const auto session = services_.session ? services_.session() : nullptr;
  if (!session) return;
  const std::int64_t current = session->currentAccountSelected();
  const auto positions = session->getOpenOrderCollection();
  std::shared_ptr<AccountDetails> account;
  std::shared_ptr<OrderMananger> orders;
  if (!isProfitLossPieChart_) {
    account = session->referenceData().account(std::to_string(current));
    // Shares of an equity of 0 or less (or of no account) mean nothing: no margin slices then.
    if (!account || !(account->Equity > 0)) return;
    orders = services_.orders ? services_.orders() : nullptr;
  }
  std::vector<std::string> codes;
  for (const auto& position : positions) {
    if (!position || accountOf(position->AccountNumber) != current) continue;
    if (orders) orders->CalcHedgeMargin(*position);
    // Each symbol once, in the order the positions first name it (so its colour stays put).
    if (std::find(codes.begin(), codes.end(), position->ItemCode) == codes.end()) codes.push_back(position->ItemCode);
  }
  for (const std::string& code : codes) {
    double value = 0;
    if (isProfitLossPieChart_) value = getFloatingPL(code, positions);
    else if (account->tradingStatus != 5) value = getMargin(code) / account->Equity * 100;
    addSlice(code, std::fabs(value), value);
  }
  if (!isProfitLossPieChart_) {
    const double available = account->AvailableMargin / account->Equity * 100;
    addSlice(kAvailableMarginTitle, available, available);
  }
}

double PieChartViewController::getFloatingPL(const std::string& code,
                                             const std::vector<std::shared_ptr<Order>>& positions) const {
  const auto session = services_.session ? services_.session() : nullptr;
  if (!session) return 0;
  const std::int64_t current = session->currentAccountSelected();
  double sum = 0;
  for (const auto& position : positions) {
    if (!position || accountOf(position->AccountNumber) != current || position->ItemCode != code) continue;
    ProfitAndLoss::CalcPL(*position, session->referenceData());
    sum += position->UnrealisedPL;
  }
  return sum;
}

double PieChartViewController::getMargin(const std::string& code) const {
  const auto session = services_.session ? services_.session() : nullptr;
  if (!session) return 0;
  double sum = 0;
  for (const auto& [key, margin] : session->HedgeMarginCollection)
    if (std::string_view(key).substr(0, key.find('#')) == code) sum += margin;
  return sum;
}

void PieChartViewController::pieSegementButtonClicked(std::int64_t segment) {
  if (segment == 0) {
    isProfitLossPieChart_ = true;
    if (view_) view_->setTitle("Profit/Loss");
  } else if (segment == 1) {
    isProfitLossPieChart_ = false;
    if (view_) view_->setTitle("Margin");
  }
}

void PieChartViewController::sliceWasSelected(std::size_t index) const {
  const double size = index < plotData_.size() ? plotData_[index] : 0;
  TD_LOG_INFO("Slice was selected at index " + std::to_string(index) + ". Value = " + std::to_string(size));
}

void PieChartViewController::dataLabelWasSelected(std::size_t index) const {
  TD_LOG_INFO(std::string("Data label for '") + PIE_PLOT + "' was selected at index " + std::to_string(index) + ".");
}

double PieChartViewController::sliceWidth(std::size_t index) {
  if (index >= plotData_.size()) return 0;
  const double width = plotData_[index];
  return std::isfinite(width) && width > 0 ? width : 0;
}

std::string PieChartViewController::legendTitle(std::size_t index) {
  if (index >= plotDataTitle_.size()) return {};
  return plotDataTitle_[index] + ": " + twoDecimals(plotDataValue_[index]);
}

std::string PieChartViewController::dataLabel(std::size_t index) {
  return index < plotData_.size() ? twoDecimals(plotData_[index]) : std::string();
}

}  // namespace td::charts
