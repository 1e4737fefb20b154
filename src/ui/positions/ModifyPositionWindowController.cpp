#include "ui/positions/ModifyPositionWindowController.h"

#include <algorithm>

#include "model/AccountDetails.h"
#include "model/ItemDetails.h"
#include "orders/OrderMananger.h"
#include "ui/positions/PositionTexts.h"

namespace td {
namespace {

namespace T = PositionTexts;

constexpr int kBracket = 0;
constexpr int kWorkingOrder = 1;

}  // namespace

ModifyPositionWindowController::ModifyPositionWindowController(PositionsSession& session)
    : PositionSheetController(session) {}

ModifyPositionWindowController::~ModifyPositionWindowController() = default;

void ModifyPositionWindowController::open(int mode, std::string recordId) {
  mode_ = mode == kWorkingOrder ? kWorkingOrder : kBracket;
  setRecord(mode_ == kWorkingOrder, std::move(recordId));
  state_ = State{};
  UpdateValuesinWindow();
  opened(true);
  // No timer: the sheet only learns that its record went.
  observation_.observe(mode_ == kBracket ? "OpenPositionTableNotification" : "PendingOrderTableNotification",
                       [this](const Notification&) { recheckTask_.request(); });
}

void ModifyPositionWindowController::markGone() { state_.showGone(goneText()); }

void ModifyPositionWindowController::recheck() {
  if (!isOpen() || !state_.sendEnabled || record()) return;
  markGone();
  changed();
}

void ModifyPositionWindowController::UpdateValuesinWindow() {
  state_.takeProfit = Bracket{};
  state_.stopLoss = Bracket{};
  state_.quantityEnabled = false;
  state_.orderPriceEditable = mode_ == kWorkingOrder;
  const auto found = record();
  if (!found) {
    state_.boxTitle = (mode_ == kWorkingOrder ? "Edit Order #" : "Modify #") + recordId();
    markGone();
    changed();
    return;
  }
  const Order& o = *found;
  const auto item = session_.item(o.ItemCode);
  const auto owner = session_.account(o.AccountNumber);
  if (mode_ == kBracket) {
    state_.boxTitle = "Modify #" + o.OpenPositionId;
    if (o.orderType >= 0 && o.orderType <= 3) state_.orderType = T::orderType(o.orderType);
    state_.buttonTitle = state_.boxTitle;
  } else {
    const std::string word = o.orderType >= 1 && o.orderType <= 3 ? T::orderType(o.orderType) : std::string();
    if (o.orderType >= 0 && o.orderType <= 3) state_.orderType = T::orderType(o.orderType);
    state_.boxTitle = "Edit " + word + " Order #" + o.PendingOrderId;
    state_.buttonTitle = state_.boxTitle;
    // A working order that is a position's take-profit or stop-loss keeps the position's size.
    state_.quantityEnabled = o.RefPositionIdOfBracket.empty();
  }
  state_.showRecord(o, item.get());
  const double remaining = T::value(o.RemainingQty);
  state_.quantity = T::number(remaining);
  state_.quantityList = SheetSupport::wholeLots(remaining);
  state_.quantityDescription = SheetSupport::quantityDescription(state_.quantity, item ? item->ContractSize : 0);
  state_.orderPrice = T::price(o.OrderPrice, item.get());
  if (!o.LimitPrice.empty()) {
    state_.takeProfit.checked = state_.takeProfit.enabled = true;
    state_.takeProfit.price = T::price(o.LimitPrice, item.get());
  }
  if (!o.StopPrice.empty()) {
    state_.stopLoss.checked = state_.stopLoss.enabled = true;
    state_.stopLoss.price = T::price(o.StopPrice, item.get());
  }
  // Hidden without the permission, yet the filled state still goes into the request.
  const std::int32_t accountTypes = owner ? owner->availableOrderTypes : 0;
  const std::int32_t itemTypes = item ? item->availableOrderTypes : 0;
  state_.takeProfit.visible = (accountTypes & OrderTypeBitTakeProfit) && (itemTypes & OrderTypeBitTakeProfit);
  state_.stopLoss.visible = (accountTypes & OrderTypeBitStopLoss) && (itemTypes & OrderTypeBitStopLoss);
  state_.sendEnabled = true;
  state_.nothingToModify = nothingToModify(o);
  changed();
}

bool ModifyPositionWindowController::nothingToModify(const Order& record) const {
  // A bracket edit states the position's whole take-profit and stop-loss: a ticked box sets its
  // price, an unticked one removes the order the position has.
  return mode_ == kBracket && !state_.takeProfit.checked && !state_.stopLoss.checked && record.LimitPrice.empty() &&
         record.StopPrice.empty();
}

std::optional<std::string> ModifyPositionWindowController::proposal(bool takeProfit) const {
  const auto found = record();
  if (!found) return std::nullopt;
  // A proposal for the closing side of the record, which the request the sheet sends passes: a
  // position's bracket edit, measured from the closing quote, or a working order's edit at the price
  // in the sheet's field.
  const bool position = mode_ == kBracket;
  return session_.UpdateTakeProfitandStopLoss(
      found->tradingMode == 0 ? 1 : 0, found->ItemCode, takeProfit, static_cast<std::int32_t>(T::value(state_.account)),
      position ? 1 : found->orderType, position ? std::string() : state_.orderPrice,
      position ? PriceBounds::BracketOf::PositionEdit : PriceBounds::BracketOf::OrderEntry);
}

void ModifyPositionWindowController::tick(Bracket& bracket, bool takeProfit, bool checked) {
  bracket.checked = checked;
  bracket.enabled = checked;
  bracket.price.clear();
  bracket.proposed = false;
  const auto found = record();
  if (found) state_.nothingToModify = nothingToModify(*found);
  if (checked) {
    if (auto price = proposal(takeProfit)) {
      bracket.price = std::move(*price);
      bracket.proposed = true;
    } else {
      markGone();
    }
  }
  changed();
}

void ModifyPositionWindowController::orderPriceEdited(const std::string& text) {
  state_.orderPrice = text;
  // A working order's take-profit and stop-loss are measured from its price: proposed ones follow it.
  for (const bool takeProfit : {true, false}) {
    Bracket& bracket = takeProfit ? state_.takeProfit : state_.stopLoss;
    if (!bracket.checked || !bracket.proposed) continue;
    if (auto price = proposal(takeProfit)) bracket.price = std::move(*price);
  }
  changed();
}

void ModifyPositionWindowController::takeProfitCheckboxSelect(bool checked) { tick(state_.takeProfit, true, checked); }

void ModifyPositionWindowController::stopLossCheckboxSelect(bool checked) { tick(state_.stopLoss, false, checked); }

void ModifyPositionWindowController::step(Bracket& bracket, int direction) {
  if (!bracket.enabled) return;
  const auto item = session_.item(state_.symbol);
  const double tickSize = item ? item->TickSize : 0;
  const double price = std::max(0.0, T::value(bracket.price) + (direction > 0 ? tickSize : -tickSize));
  edited(bracket, T::price(price, item.get()));
  changed();
}

void ModifyPositionWindowController::takeProfitStepperButtonPressed(int direction) { step(state_.takeProfit, direction); }

void ModifyPositionWindowController::stopLossStepperButtonPressed(int direction) { step(state_.stopLoss, direction); }

void ModifyPositionWindowController::quantityEdited(const std::string& text) {
  if (mode_ != kWorkingOrder) return;
  state_.quantity = text;
  const auto item = session_.item(state_.symbol);
  state_.quantityDescription = SheetSupport::quantityDescription(text, item ? item->ContractSize : 0);
  changed();
}

void ModifyPositionWindowController::quantityChosen(int index) {
  if (const auto quantity = state_.listedQuantity(index)) quantityEdited(*quantity);
}

void ModifyPositionWindowController::ModifyButtonClicked() {
  const auto found = recordToSend(state_);
  if (!found) return;
  if (nothingToModify(*found)) {
    // The position's own brackets went meanwhile: there is nothing left to edit.
    state_.nothingToModify = true;
    changed();
    return;
  }
  OrderInfo info = orderInfoOf(*found);
  info.quantity = state_.quantity;
  // Only a ticked box's price goes; an unticked one is sent as none, which removes it.
  info.limitPrice = state_.takeProfit.checked ? state_.takeProfit.price : std::string();
  info.stopPrice = state_.stopLoss.checked ? state_.stopLoss.price : std::string();
  info.TakeProfitEnabled = state_.takeProfit.checked;
  info.StopLossEnabled = state_.stopLoss.checked;
  if (mode_ == kWorkingOrder) {
    info.tradingMode = found->tradingMode;
    info.orderType = found->orderType;
    info.price = state_.orderPrice;
    info.orderNo = found->PendingOrderId;
    info.editorderReqType = 2;
    info.isEWO = true;
    const auto own = ownRequest();
    session_.PlaceEditWorkingOrder(info);
  } else {
    info.tradingMode = found->tradingMode == 0 ? 1 : 0;
    info.orderType = 1;
    info.price = found->OrderPrice;
    info.orderNo = found->OpenPositionId;
    info.isEBO = true;
    const auto own = ownRequest();
    session_.PlaceEditBracketOrder(info);
  }
}

}  // namespace td
