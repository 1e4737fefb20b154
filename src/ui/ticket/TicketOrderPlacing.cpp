// What Buy, Sell and Place do in the ticket's two modes: the checks before anything goes, the
// confirmation sheet of market orders, the OrderInfo handed to the order desk, and the outcome the
// desk reports back.

#include "model/AccountDetails.h"
#include "model/ItemDetails.h"
#include "orders/OrderMananger.h"
#include "platform/AppContext.h"
#include "platform/Decimal.h"
#include "platform/LanguageString.h"
#include "ui/ticket/TicketFormat.h"
#include "ui/ticket/TradeTicketWindowController.h"
#include "wire/OrderRequests.h"

namespace td {

void TradeTicketWindowController::sideButtonClicked(std::int32_t side) {
  ViewUpdate update(*this);
  const auto own = ownRequests_.open();
  if (state_.mode == kSimpleMode) {
    std::string quantity;
    if (!toggleMultiTrade()) {
      if (!checkMarketOrderisAvailable()) {
        showAlertNow(kOrderTypeNotValid);
        return;
      }
      quantity = state_.quantity.text;
    } else {
      // Simple mode sends market orders only: its sheet describes nothing else.
      if (orderType_ != 1) {
        showAlertNow(kOrderTypeNotValid);
        return;
      }
      const auto total = multiAccountChecks(side);
      if (!total) return;
      quantity = *total;
    }
    state_.buyCheck.on = side == 0;
    confirmOrSend(quantity);
  } else if (state_.mode == kAdvancedMode) {
    chooseSide(side);
  }
}

void TradeTicketWindowController::sideCheckboxSelect(std::int32_t side) {
  // The view shows the state again when this ends, so a click never turns a box off by itself.
  ViewUpdate update(*this);
  if (state_.mode == kAdvancedMode) chooseSide(side);
}

void TradeTicketWindowController::chooseSide(std::int32_t side) {
  ViewUpdate update(*this);
  TicketCheckBox& chosen = side == 0 ? state_.buyCheck : state_.sellCheck;
  TicketCheckBox& other = side == 0 ? state_.sellCheck : state_.buyCheck;
  other.on = false;
  chosen.on = true;
  updatePriceinTextField();
  state_.placeShowsSell = side != 0;
}

void TradeTicketWindowController::placeOrderButtonClicked() {
  ViewUpdate update(*this);
  const auto own = ownRequests_.open();
  if (state_.mode != kAdvancedMode) return;
  if (DeviationValidation()) return;
  std::string quantity;
  if (!toggleMultiTrade()) {
    const auto desk = orders();
    if (!desk) {
      showAlertNow(LanguageString::stringforSelectedLanguage(AppContext::current()->selectedLanguage(),
                                                             OrderMananger::kOrderNotSentKey));
      return;
    }
    if (!desk->ValidationsBeforeOrderPlacing(
            CreateOrderInfoforTradeMode(GetTradingMode(), accountId(), state_.quantity.text))) {
      return;  // the desk has posted its reason
    }
    quantity = state_.quantity.text;
  } else {
    const auto total = multiAccountChecks(GetTradingMode());
    if (!total) return;
    quantity = *total;
  }
  // Limit and stop orders go at once; a market order asks first.
  if (orderType_ == 1) confirmOrSend(quantity);
  else sendPlaceorderObjects();
}

std::optional<std::string> TradeTicketWindowController::multiAccountChecks(std::int32_t side) {
  if (CheckMultiTradeValidation()) return std::nullopt;
  const auto desk = orders();
  if (!desk) {
    showAlertNow(LanguageString::stringforSelectedLanguage(AppContext::current()->selectedLanguage(),
                                                           OrderMananger::kOrderNotSentKey));
    return std::nullopt;
  }
  // Each ticked account in the order it was ticked; the first refusal stops everything. Each is
  // held to the farthest price bound of them all, the one the hints show.
  const std::vector<std::int32_t> bound = boundAccounts();
  double total = 0;
  for (const auto& row : checkPoints_) {
    const std::int32_t account = row->accountDet ? row->accountDet->AccountId : 0;
    if (!desk->ValidationsBeforeOrderPlacing(
            CreateOrderInfoforTradeMode(side, account, ticket::printfString("%f", row->quantity)), bound)) {
      return std::nullopt;
    }
    total += row->quantity;
  }
  return shortestNumber(total);
}

void TradeTicketWindowController::confirmOrSend(const std::string& quantity) {
  if (AppContext::current()->dontshowOrderConfirmation()) {
    sendPlaceorderObjects();
    return;
  }
  const double contractSize = itemDetails_ ? itemDetails_->ContractSize : 0;
  if (view_) view_->showConfirmationSheet(orderConfirmation(GetTradingMode(), itemCode_, quantity, contractSize));
}

bool TradeTicketWindowController::DeviationValidation() {
  if (state_.deviationBox.on && state_.deviation.text.empty()) {
    showAlertNow(kDeviationEmpty);
    return true;
  }
  return false;
}

bool TradeTicketWindowController::CheckMultiTradeValidation() {
  if (checkPoints_.empty()) {
    showAlertNow(kSelectAccount);
    return true;
  }
  return false;
}

OrderInfo TradeTicketWindowController::CreateOrderInfoforTradeMode(std::int32_t side, std::int32_t account,
                                                                   const std::string& quantity) const {
  OrderInfo info = commonOrderInfo();
  info.tradingMode = side;
  info.accountNo = account;
  info.quantity = quantity;
  return info;
}

OrderInfo TradeTicketWindowController::multiAccountOrderInfo() const {
  OrderInfo info = commonOrderInfo();
  info.orderDetails = GenerateMultiTradeOrderDetails();
  return info;
}

OrderInfo TradeTicketWindowController::commonOrderInfo() const {
  OrderInfo info;
  info.itemCode = itemCode_;
  info.tradingMode = GetTradingMode();
  info.orderType = orderType_;
  info.deliveryMode = deliveryMode_;
  info.timeinForce = timeinForce_;
  info.price = state_.price.text;
  // A take-profit or stop-loss goes only when its box is ticked: the desk writes whatever price the
  // record carries.
  info.limitPrice = state_.takeProfit.on ? state_.takeProfitPrice.text : std::string();
  info.stopPrice = state_.stopLoss.on ? state_.stopLossPrice.text : std::string();
  info.TakeProfitEnabled = state_.takeProfit.on;
  info.StopLossEnabled = state_.stopLoss.on;
  info.deviation = state_.deviationBox.on ? Decimal::parse(state_.deviation.text).intValue() : -1;
  return info;
}

void TradeTicketWindowController::sendPlaceorderObjects() {
  ViewUpdate update(*this);
  const auto own = ownRequests_.open();
  const auto desk = orders();
  if (!desk) {
    showAlertNow(LanguageString::stringforSelectedLanguage(AppContext::current()->selectedLanguage(),
                                                           OrderMananger::kOrderNotSentKey));
    return;
  }
  // The ticket stays open with its fields as they are; the outcome comes as "PlaceOrderNotification".
  if (toggleMultiTrade()) {
    desk->CreateNewBulkOrderMessage(multiAccountOrderInfo());
  } else {
    desk->PlaceOrder(CreateOrderInfoforTradeMode(GetTradingMode(), accountId(), state_.quantity.text));
  }
}

std::string TradeTicketWindowController::orderConfirmation(std::int32_t side, const std::string& itemCode,
                                                           const std::string& quantity, double contractSize) const {
  const double contractValue = OrderRequests::leadingNumber(quantity) * contractSize;
  std::string text = ticket::printfString("%s %s (%.0f) %s @ Market Price\n\n", side == 0 ? "Buy" : "Sell",
                                          quantity.c_str(), contractValue, itemCode.c_str());
  if (state_.takeProfit.on) text += "Take Profit @ " + state_.takeProfitPrice.text + "\n\n";
  if (state_.stopLoss.on) text += "Stop Loss @ " + state_.stopLossPrice.text;
  return text;
}

void TradeTicketWindowController::handleResult(bool send, bool suppressionTicked) {
  ViewUpdate update(*this);
  if (!send) return;
  if (suppressionTicked) AppContext::current()->setDontshowOrderConfirmation(true);
  sendPlaceorderObjects();
}

}  // namespace td
