#include "ui/positions/PositionSheetController.h"

#include "model/ItemDetails.h"
#include "orders/OrderMananger.h"
#include "ui/positions/PositionTexts.h"

namespace td {

void SheetRecordFields::showRecord(const Order& order, const ItemDetails* item) {
  account = order.AccountNumber;
  symbol = order.ItemCode;
  description = item ? item->Name : std::string();
}

std::optional<std::string> SheetRecordFields::listedQuantity(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= quantityList.size()) return std::nullopt;
  return quantityList[static_cast<std::size_t>(index)];
}

void SheetRecordFields::showGone(std::string text) {
  sendEnabled = false;
  buttonTitle = std::move(text);
}

void PositionSheetController::setRecord(bool workingOrder, std::string id) {
  workingOrder_ = workingOrder;
  recordId_ = std::move(id);
}

std::shared_ptr<Order> PositionSheetController::record() const {
  return workingOrder_ ? PositionsSession::find(session_.getPendingOrderCollection(), &Order::PendingOrderId, recordId_)
                       : PositionsSession::find(session_.getOpenOrderCollection(), &Order::OpenPositionId, recordId_);
}

std::string PositionSheetController::goneText() const {
  return workingOrder_ ? SheetSupport::orderGone(recordId_) : SheetSupport::positionGone(recordId_);
}

std::shared_ptr<Order> PositionSheetController::recordToSend(SheetRecordFields& fields) {
  auto found = record();
  if (!found) {
    fields.showGone(goneText());
    changed();
  }
  return found;
}

OrderInfo PositionSheetController::orderInfoOf(const Order& record) {
  OrderInfo info;
  info.itemCode = record.ItemCode;
  info.accountNo = static_cast<std::int32_t>(PositionTexts::value(record.AccountNumber));
  info.deliveryMode = record.deliveryMode;
  info.timeinForce = record.timeinForce;
  return info;
}

void PositionSheetController::opened(bool withFeedback) {
  observation_.stop();
  open_ = true;
  if (withFeedback) {
    observation_.observe(OrderMananger::kPlaceOrderNotification,
                         [this](const Notification& n) { ShowStatusMessage(n); });
  }
}

void PositionSheetController::closeModal() {
  observation_.stop();
  willClose();
  const bool wasOpen = open_;
  open_ = false;
  if (wasOpen && view_) view_->endSheet();
}

void PositionSheetController::ShowStatusMessage(const Notification& notification) {
  const auto text = SheetSupport::feedbackText(notification);
  if (!text) return;
  if (*text == OrderMananger::kAbortModal) {
    closeModal();
  } else if (ownRequestUnderway()) {
    SheetSupport::showInfo(*text);
  }
}

void PositionSheetController::changed() {
  if (view_) view_->refresh();
}

}  // namespace td
