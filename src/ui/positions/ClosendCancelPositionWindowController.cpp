#include "ui/positions/ClosendCancelPositionWindowController.h"

#include <algorithm>

#include "model/AccountDetails.h"
#include "model/ItemDetails.h"
#include "orders/OrderMananger.h"
#include "session/trading/ProfitAndLoss.h"
#include "ui/positions/PositionTexts.h"

namespace td {
namespace {

namespace T = PositionTexts;

constexpr int kClose = 0;
constexpr int kCancel = 1;

}  // namespace

ClosendCancelPositionWindowController::ClosendCancelPositionWindowController(PositionsSession& session,
                                                                             Clock::Duration refreshInterval)
    : PositionSheetController(session), refreshInterval_(refreshInterval) {}

ClosendCancelPositionWindowController::~ClosendCancelPositionWindowController() = default;

void ClosendCancelPositionWindowController::open(int mode, std::string recordId) {
  mode_ = mode == kCancel ? kCancel : kClose;
  setRecord(mode_ == kCancel, std::move(recordId));
  state_ = State{};
  UpdateValuesinWindow();
  // StartTimerandNotification.
  opened(true);
  if (MainQueue* queue = MainQueue::instance()) {
    timer_ = queue->scheduleRepeating(refreshInterval_, [this] { UpdateValuesonTimer(true); });
  }
}

void ClosendCancelPositionWindowController::markGone() { state_.showGone(goneText()); }

void ClosendCancelPositionWindowController::UpdateValuesinWindow() {
  const auto found = record();
  if (!found) {
    // Nothing to show but the id: the record went before the sheet could be filled.
    state_.boxTitle = (mode_ == kCancel ? "Cancel Order #" : "Close Position #") + recordId();
    markGone();
    changed();
    return;
  }
  if (mode_ == kCancel) {
    fillCancel(*found);
  } else {
    fillClose(*found);
  }
  changed();
}

void ClosendCancelPositionWindowController::fillCancel(const Order& order) {
  const auto item = session_.item(order.ItemCode);
  state_.quantityEnabled = false;
  state_.estimatedPLVisible = false;
  state_.boxTitle = "Cancel Order #" + order.PendingOrderId;
  state_.showRecord(order, item.get());
  state_.quantity = T::number(T::value(order.RemainingQty));
  state_.quantityList.clear();
  state_.quantityDescription = SheetSupport::quantityDescription(state_.quantity, item ? item->ContractSize : 0);
  if (order.orderType >= 0 && order.orderType <= 3) state_.orderType = T::orderType(order.orderType);
  state_.orderPrice = T::price(order.OrderPrice, item.get());
  state_.currentPrice = T::price(item ? (order.tradingMode == 1 ? item->Bid : item->Ask) : 0, item.get());
  state_.buttonTitle = "Cancel " + state_.orderType + " Order #" + order.PendingOrderId;
  state_.sendEnabled = true;
  setDeviationControlProperties();
}

void ClosendCancelPositionWindowController::fillClose(const Order& position) {
  setDeviationControlProperties();
  const auto item = session_.item(position.ItemCode);
  state_.quantityEnabled = true;
  state_.estimatedPLVisible = true;
  state_.boxTitle = "Close Position #" + position.OpenPositionId;
  state_.showRecord(position, item.get());
  // What working close orders of the position leave to close.
  const double closable =
      std::max(0.0, T::value(position.RemainingQty) -
                        SheetSupport::pendingCloseQuantity(session_.getPendingOrderCollection(), position.OpenPositionId));
  state_.quantity = T::number(closable);
  state_.quantityList = SheetSupport::wholeLots(closable);
  state_.orderType = "Market";
  state_.orderPrice = T::price(position.OrderPrice, item.get());
  state_.sendEnabled = true;
  refreshClose(position, true);
  checkDeviationisAvailable(position);
}

std::string ClosendCancelPositionWindowController::sideWord(const Order& position) const {
  // A sell position is closed by buying.
  return position.tradingMode == 1 ? "Buy" : "Sell";
}

double ClosendCancelPositionWindowController::closingPrice(const Order& position) const {
  const auto item = session_.item(position.ItemCode);
  if (!item) return 0;
  return position.tradingMode != 0 ? item->Ask : item->Bid;
}

void ClosendCancelPositionWindowController::refreshClose(const Order& position, bool rewriteTexts) {
  const auto item = session_.item(position.ItemCode);
  if (rewriteTexts) {
    state_.quantityDescription = SheetSupport::quantityDescription(state_.quantity, item ? item->ContractSize : 0);
    state_.buttonTitle = "Close #" + position.OpenPositionId + " (" + sideWord(position) + " " + state_.quantity + " " +
                         position.ItemCode + " @ Market Rate)";
  }
  const double price = closingPrice(position);
  state_.currentPrice = T::price(price, item.get());
  state_.estimatedPL = T::money(ProfitAndLoss::CalculateFloatingPL(
      item.get(), position.tradingMode, T::value(state_.quantity), T::value(position.OrderPrice), price));
}

void ClosendCancelPositionWindowController::UpdateValuesonTimer(bool fromTimer) {
  const auto found = record();
  if (!found) {
    markGone();
    changed();
    return;
  }
  if (!state_.sendEnabled) {
    // Found again (the sheet was filled while its record was missing): a fill of its own.
    UpdateValuesinWindow();
    return;
  }
  if (mode_ == kCancel) {
    const auto item = session_.item(found->ItemCode);
    state_.currentPrice = T::price(item ? (found->tradingMode == 1 ? item->Bid : item->Ask) : 0, item.get());
  } else {
    refreshClose(*found, !fromTimer);
  }
  changed();
}

void ClosendCancelPositionWindowController::quantityEdited(const std::string& text) {
  if (mode_ != kClose) return;
  state_.quantity = text;
  UpdateValuesonTimer(false);
}

void ClosendCancelPositionWindowController::quantityChosen(int index) {
  if (const auto quantity = state_.listedQuantity(index)) quantityEdited(*quantity);
}

void ClosendCancelPositionWindowController::setDeviationControlProperties() {
  state_.deviationVisible = false;
  state_.deviationChecked = false;
  state_.deviationEnabled = false;
  state_.deviation.clear();
}

void ClosendCancelPositionWindowController::checkDeviationisAvailable(const Order& order) {
  if (mode_ == kCancel) {
    setDeviationControlProperties();
    return;
  }
  const auto owner = session_.account(order.AccountNumber);
  if (owner && (owner->accountSettings1 & AccountSettingDeviation)) {
    state_.deviationVisible = true;
  } else {
    setDeviationControlProperties();
  }
}

void ClosendCancelPositionWindowController::deviationCheckboxSelect(bool checked) {
  state_.deviationChecked = checked;
  state_.deviationEnabled = checked;
  state_.deviation = checked ? "0" : "";
  changed();
}

void ClosendCancelPositionWindowController::deviationEdited(const std::string& text) { state_.deviation = text; }

bool ClosendCancelPositionWindowController::DeviationValidation() {
  if (state_.deviationChecked && state_.deviation.empty()) {
    SheetSupport::showInfo("Deviation cannot be empty");
    return true;
  }
  return false;
}

void ClosendCancelPositionWindowController::CloseandCancelButtonClicked() {
  const auto found = recordToSend(state_);
  if (!found) return;
  const auto own = ownRequest();
  OrderInfo info = orderInfoOf(*found);
  if (mode_ == kCancel) {
    info.tradingMode = found->tradingMode;
    info.orderType = 1;
    info.quantity = found->RemainingQty;
    info.price = found->OrderPrice;
    info.limitPrice = "0";
    info.stopPrice = "0";
    info.orderNo = found->PendingOrderId;
    info.editorderReqType = 1;
    info.isEWO = true;
    session_.PlaceEditWorkingOrder(info);
    return;
  }
  if (DeviationValidation()) return;
  info.tradingMode = found->tradingMode == 0 ? 1 : 0;
  info.orderType = 1;
  info.quantity = state_.quantity;
  // The desk refuses a close above what is left once the working close orders of the position are
  // counted (read now, not when the sheet opened).
  info.previousQuantity = T::quantity(std::max(
      0.0, T::value(found->RemainingQty) -
               SheetSupport::pendingCloseQuantity(session_.getPendingOrderCollection(), found->OpenPositionId)));
  info.orderNo = found->OpenPositionId;
  info.isCloseNew = true;
  info.deviation = state_.deviationChecked ? static_cast<std::int32_t>(T::value(state_.deviation)) : -1;
  session_.PlacePartialOrder(info);
}

}  // namespace td
