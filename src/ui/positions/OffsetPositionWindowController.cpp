#include "ui/positions/OffsetPositionWindowController.h"

#include <algorithm>

#include "model/GroupInstruments.h"
#include "model/ItemDetails.h"
#include "orders/OrderMananger.h"
#include "platform/Decimal.h"
#include "session/trading/ProfitAndLoss.h"
#include "ui/positions/PositionTexts.h"
#include "wire/Separators.h"

namespace td {
namespace {

namespace T = PositionTexts;

constexpr const char* kNotPositive = "Offset Quantity should be greater than zero";

// A quantity the user typed or chose, as an exact number; none when it is no number.
std::optional<Decimal> quantityOf(std::string_view text) {
  const Decimal d = Decimal::parse(text);
  if (d.isNaN()) return std::nullopt;
  return d;
}

}  // namespace

const char* OffsetPositionWindowController::columnIdentifier(int column) {
  static const char* const kIdentifiers[ColumnCount] = {" ",          "Position Id", "Close Price",   "Type",
                                                        "Unrealized PL", "Total Qty", "Qty Available", "Offset Qty"};
  return column >= 0 && column < ColumnCount ? kIdentifiers[column] : "";
}

OffsetPositionWindowController::OffsetPositionWindowController(PositionsSession& session)
    : PositionSheetController(session) {}

OffsetPositionWindowController::~OffsetPositionWindowController() = default;

void OffsetPositionWindowController::open(std::string openPositionId) {
  setRecord(false, std::move(openPositionId));
  opened(false);
  observation_.observe("CloseHedgePositionNotification", [this](const Notification&) { closeModal(); });
  observation_.observe(OrderMananger::kPlaceOrderNotification,
                       [this](const Notification& n) { ShowNotificationMessage(n); });
  observation_.observe("OpenPositionTableNotification", [this](const Notification&) { recheckTask_.request(); });
  UpdateValuesinWindow();
}

void OffsetPositionWindowController::markGone() {
  state_.sendEnabled = false;
  state_.buttonTitle = goneText();
}

void OffsetPositionWindowController::recheck() {
  if (!isOpen() || !state_.sendEnabled || record()) return;
  markGone();
  changed();
}

void OffsetPositionWindowController::UpdateValuesinWindow() {
  state_ = State{};
  offsetCollection_.clear();
  checkPoints_.clear();
  const auto found = record();
  if (!found) {
    state_.boxTitle = "Offset Position #" + recordId();
    markGone();
    changed();
    return;
  }
  const Order& p = *found;
  const auto item = session_.item(p.ItemCode);
  state_.account = p.AccountNumber;
  state_.symbol = p.ItemCode;
  state_.openPrice = T::price(p.OrderPrice, item.get());
  state_.quantity = T::number(T::value(p.RemainingQty));
  state_.offsetQuantity = "0";
  state_.remainingQuantity = state_.quantity;
  state_.boxTitle = "Offset Position #" + p.OpenPositionId + (p.tradingMode == 0 ? " (B)" : " (S)");
  state_.sendEnabled = true;
  for (const auto& other : session_.getOpenOrderCollection()) {
    if (other->AccountNumber != p.AccountNumber || other->ItemCode != p.ItemCode ||
        other->deliveryMode != p.deliveryMode || other->tradingMode == p.tradingMode) {
      continue;
    }
    OffsetPosition row;
    row.accountNo = other->AccountNumber;
    row.itemCode = other->ItemCode;
    row.postionId = other->OpenPositionId;
    row.closePrice = other->OrderPrice;
    row.tradingMode = other->tradingMode;
    row.totalQty = T::decimal(other->RemainingQty);
    row.QtyAvailable = row.totalQty;
    offsetCollection_.push_back(std::move(row));
  }
  changed();
}

bool OffsetPositionWindowController::isTicked(int index) const {
  return std::find(checkPoints_.begin(), checkPoints_.end(), static_cast<std::size_t>(index)) != checkPoints_.end();
}

std::string OffsetPositionWindowController::cellText(int index, int column) const {
  if (index < 0 || index >= numberOfRows()) return {};
  const OffsetPosition& r = row(index);
  switch (column) {
    case PositionId: return r.postionId;
    case ClosePrice: return T::price(r.closePrice, session_.item(r.itemCode).get());
    case Type: return T::side(r.tradingMode);
    case UnrealizedPL: return T::money(r.profitLoss);
    case TotalQty: return r.totalQty;
    case QtyAvailable: return r.QtyAvailable;
    case OffsetQty: return r.offsetQty;
    default: return {};
  }
}

void OffsetPositionWindowController::hitCheckbox(int index) {
  if (index < 0 || index >= numberOfRows()) return;
  const auto at = std::find(checkPoints_.begin(), checkPoints_.end(), static_cast<std::size_t>(index));
  if (at != checkPoints_.end()) {
    checkPoints_.erase(at);
  } else {
    checkPoints_.push_back(static_cast<std::size_t>(index));
  }
  QuantitySelectedAtIndex(index, "0");
}

std::vector<std::string> OffsetPositionWindowController::offsetQuantityChoices(int index) const {
  if (!isTicked(index)) return {};
  const OffsetPosition& r = row(index);
  const auto terms = session_.groupInstruments(r.accountNo, r.itemCode);
  return SheetSupport::steps(terms ? terms->OrderQtyStep : 0, T::value(r.totalQty));
}

void OffsetPositionWindowController::QuantitySelectedAtIndex(int index, const std::string& quantity) {
  if (index < 0 || index >= numberOfRows()) return;
  OffsetPosition& r = offsetCollection_[static_cast<std::size_t>(index)];
  r.offsetQty = quantity;
  // The result of closing that much of the row's position at the offset position's open price.
  r.profitLoss = ProfitAndLoss::CalculateFloatingPL(session_.item(r.itemCode).get(), r.tradingMode,
                                                    T::value(r.offsetQty), T::value(r.closePrice),
                                                    T::value(state_.openPrice));
  r.QtyAvailable = T::quantity(T::value(r.totalQty) - T::value(r.offsetQty));
  updateTextFieldValues();
  changed();
}

void OffsetPositionWindowController::updateTextFieldValues() {
  double sum = 0;
  for (const std::size_t i : checkPoints_) sum += T::value(offsetCollection_[i].offsetQty);
  state_.offsetQuantity = T::quantity(sum);
  state_.remainingQuantity = T::quantity(T::value(state_.quantity) - T::value(state_.offsetQuantity));
}

std::string OffsetPositionWindowController::offsetList(const std::string& openPositionNo, const std::string& total,
                                                       const std::vector<std::pair<std::string, std::string>>& rows) {
  std::string list = openPositionNo + MessageInnerTagSeperatortw + total + MessageInnerTagSeperatorthr +
                     MessageInnerTagSeperatorfou;
  for (const auto& [id, quantity] : rows) list += id + MessageInnerTagSeperatortw + quantity + MessageInnerTagSeperatorthr;
  list += MessageInnerTagSeperatorfou;
  return list;
}

void OffsetPositionWindowController::OffsetButtonClicked() {
  if (!record()) {
    markGone();
    changed();
    return;
  }
  if (checkPoints_.empty()) return;
  const auto total = quantityOf(state_.offsetQuantity);
  if (!total || !(*total > Decimal())) {
    SheetSupport::showInfo(kNotPositive);
    return;
  }
  if (*total > Decimal::parse(state_.quantity)) {
    SheetSupport::showInfo("Offset quantity should not be greater than order quantity");
    return;
  }
  const OrderRows open = session_.getOpenOrderCollection();
  std::vector<std::pair<std::string, std::string>> rows;
  for (const std::size_t i : checkPoints_) {
    const OffsetPosition& r = offsetCollection_[i];
    const auto quantity = quantityOf(r.offsetQty);
    if (!quantity || !(*quantity > Decimal())) {
      SheetSupport::showInfo(kNotPositive);
      return;
    }
    if (*quantity > Decimal::parse(r.totalQty)) {
      SheetSupport::showInfo("Offset quantity should not be greater than total quantity");
      return;
    }
    if (!PositionsSession::find(open, &Order::OpenPositionId, r.postionId)) {
      SheetSupport::showInfo(SheetSupport::positionGone(r.postionId));
      return;
    }
    rows.emplace_back(r.postionId, quantity->toString());
  }
  const auto own = ownRequest();
  session_.PlaceOffsetOrder(offsetList(recordId(), state_.offsetQuantity, rows), state_.symbol, state_.account);
}

void OffsetPositionWindowController::ShowNotificationMessage(const Notification& notification) {
  const auto text = SheetSupport::feedbackText(notification);
  if (!text || *text == OrderMananger::kAbortModal || !ownRequestUnderway()) return;
  SheetSupport::showInfo(*text);
}

}  // namespace td
