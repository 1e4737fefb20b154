#include "orders/OrderMananger.h"

#include <algorithm>

#include "model/Conversions.h"
#include "model/ReferenceData.h"
#include "orders/MarginCalculator.h"
#include "orders/OrderGenerator.h"
#include "orders/OrderNumbers.h"
#include "orders/OrderSession.h"
#include "orders/PriceBounds.h"
#include "platform/AppContext.h"
#include "platform/LanguageString.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "session/trading/OrderJournal.h"
#include "wire/OrderRequests.h"

namespace td {
namespace {

// Working orders that the server never reports (a rejected request) would otherwise be awaited
// for the rest of the session; only the latest ones are kept.
constexpr std::size_t kMaxAwaited = 64;

std::optional<std::string> present(const std::string& text) { return text; }
std::optional<std::string> unlessEmpty(const std::string& text) {
  if (text.empty()) return std::nullopt;
  return text;
}

OrderValidator::Scope scopeOf(const OrderInfo& info) {
  return info.isEWO && info.editorderReqType == 1 ? OrderValidator::Scope::Cancel : OrderValidator::Scope::Full;
}

}  // namespace

OrderMananger::OrderMananger(OrderSession& session) : OrderMananger(session, Services()) {}

OrderMananger::OrderMananger(std::shared_ptr<OrderSession> session)
    : OrderMananger(std::move(session), Services()) {}

OrderMananger::OrderMananger(std::shared_ptr<OrderSession> session, Services services)
    : OrderMananger(*session, std::move(services)) {
  owned_ = std::move(session);
}

OrderMananger::OrderMananger(OrderSession& session, Services services)
    : session_(session), services_(std::move(services)) {
  if (!services_.notifications || !services_.alerts || !services_.language) {
    const auto context = AppContext::current();
    if (!services_.notifications) services_.notifications = context->notificationCenter();
    if (!services_.alerts) services_.alerts = context->userAlerts();
    if (!services_.language) services_.language = [context] { return context->selectedLanguage(); };
  }
}

OrderMananger::~OrderMananger() {
  if (confirmationToken_ != 0) services_.notifications->removeObserver(confirmationToken_);
}

void OrderMananger::sendNotification(const std::string& text) const {
  services_.notifications->post(kPlaceOrderNotification, text);
}

OrderValidator OrderMananger::validator() const {
  OrderCheckContext context;
  context.referenceData = &session_.referenceData();
  context.connected = session_.isNetworkAvailable() && session_.isSocketConnected();
  context.openPositions = [this] { return session_.getOpenOrderCollection(); };
  return OrderValidator(std::move(context));
}

bool OrderMananger::Validate(const Order& order, OrderValidator::Scope scope,
                             std::span<const std::int32_t> boundAccounts) const {
  const CheckFailure failure = validator().Validate(order, scope, boundAccounts);
  if (failure) sendNotification(*failure);
  return !failure;
}

bool OrderMananger::validateOffsetPosition(std::string_view itemCode, std::string_view accountNumber) const {
  const CheckFailure failure = validator().validateOffsetPosition(itemCode, accountNumber);
  if (failure) sendNotification(*failure);
  return !failure;
}

bool OrderMananger::ValidationsBeforeOrderPlacing(const OrderInfo& info,
                                                 std::span<const std::int32_t> boundAccounts) const {
  const Order order = OrderGenerator::buildOrder(info, session_.referenceData(),
                                                 {session_.Requestid(), session_.ServerTime()}, false);
  return Validate(order, scopeOf(info), boundAccounts);
}

std::shared_ptr<Order> OrderMananger::GenerateOrder(const OrderInfo& info) const {
  auto order = std::make_shared<Order>(OrderGenerator::buildOrder(
      info, session_.referenceData(), {session_.Requestid(), session_.ServerTime()}, true));
  if (!Validate(*order, scopeOf(info))) return nullptr;
  return order;
}

Order OrderMananger::GenerateBulkOrderDetails(const OrderInfo& info) const {
  return OrderGenerator::GenerateBulkOrderDetails(info, session_.referenceData(),
                                                  {session_.Requestid(), session_.ServerTime()});
}

SessionValues OrderMananger::sessionValues() const {
  SessionValues values;
  values.userName = session_.userName();
  values.Referenceid = session_.Referenceid();
  values.Requestid = session_.Requestid();
  return values;
}

OrderTagValues OrderMananger::tagValues(const Order& order) {
  OrderTagValues o;
  o.AccountNumber = present(order.AccountNumber);
  o.RequestId = order.RequestId;
  o.ItemCode = present(order.ItemCode);
  o.orderTypeTag = order.orderTypeTag;
  o.deliveryModeTag = order.deliveryModeTag;
  o.tradingModeTag = order.tradingModeTag;
  o.timeinForceTag = order.timeinForceTag;
  o.OrderQty = present(order.OrderQty);
  o.OrderPrice = present(order.OrderPrice);
  o.LimitPrice = unlessEmpty(order.LimitPrice);
  o.StopPrice = unlessEmpty(order.StopPrice);
  o.Spread = present(order.Spread);
  o.deviation = order.deviation;
  o.CurrentStatus = present(order.CurrentStatus);
  o.Bid = present(order.Bid);
  o.Ask = present(order.Ask);
  o.Last = present(order.Last);
  o.High = present(order.High);
  o.Low = present(order.Low);
  o.ItemTime = present(order.ItemTime);
  o.TransactionDateTime = present(order.TransactionDateTime);
  return o;
}

void OrderMananger::reportNotSent(const BuildResult& result) const {
  switch (result.status()) {
    case BuildResult::Status::UnsafeValue:
      sendNotification(LanguageString::stringforSelectedLanguage(services_.language(), kOrderUnsafeTextKey));
      return;
    case BuildResult::Status::UnknownRequest:
      sendNotification(kEditKindNotValid);
      return;
    case BuildResult::Status::Sent:
    case BuildResult::Status::NotSent:
      break;
  }
  TD_LOG_WARN("Order request could not be handed to the server");
  sendNotification(LanguageString::stringforSelectedLanguage(services_.language(), kOrderNotSentKey));
}

bool OrderMananger::PlaceOrder(const OrderInfo& info) {
  const auto order = GenerateOrder(info);
  if (!order) return false;
  // Filed first: the server's first report may arrive before the writer returns.
  session_.addPendingOrder(order);
  if (const BuildResult sent = OrderRequests::NewOrder(session_.messageBase(), sessionValues(), tagValues(*order));
      !sent) {
    session_.removePendingOrder(order);
    reportNotSent(sent);
    return false;
  }
  ShowNewOrderMessages(*order, 0);
  return true;
}

bool OrderMananger::PlacePartialOrder(const OrderInfo& info) {
  const auto quantity = OrderNumbers::strictNumber(info.quantity);
  // A remaining quantity that is empty or not a number allows nothing to be closed.
  const double previous = OrderNumbers::strictNumber(info.previousQuantity).value_or(0);
  if (quantity && *quantity > previous) {
    sendNotification("Quantity cannot be more than " + info.previousQuantity);
    return false;
  }
  if (!quantity || !(*quantity > 0)) {
    sendNotification("Quantity should be greater than zero");
    return false;
  }
  const auto order = GenerateOrder(info);
  if (!order) return false;
  if (const BuildResult sent =
          OrderRequests::ClosingOrder(session_.messageBase(), sessionValues(), tagValues(*order), info.orderNo);
      !sent) {
    reportNotSent(sent);
    return false;
  }
  ShowNewOrderMessages(*order, 1);
  return true;
}

bool OrderMananger::PlaceEditBracketOrder(const OrderInfo& info) {
  const auto order = GenerateOrder(info);
  if (!order) return false;
  if (const BuildResult sent =
          OrderRequests::EditBracketOrder(session_.messageBase(), sessionValues(), tagValues(*order), info.orderNo,
                                          present(info.price), info.TakeProfitEnabled, info.StopLossEnabled);
      !sent) {
    reportNotSent(sent);
    return false;
  }
  ShowEditOrderMessages(*order, 0);
  return true;
}

bool OrderMananger::PlaceEditWorkingOrder(const OrderInfo& info) {
  if (info.editorderReqType != 1 && info.editorderReqType != 2) {
    TD_LOG_WARN("PlaceEditWorkingOrder : edit kind " + std::to_string(info.editorderReqType) + " refused");
    reportNotSent(BuildResult::Status::UnknownRequest);
    return false;
  }
  const auto quantity = OrderNumbers::strictNumber(info.quantity);
  if (!quantity || !(*quantity > 0)) {
    sendNotification("Quantity should be greater than zero");
    return false;
  }
  const auto order = GenerateOrder(info);
  if (!order) return false;
  if (const BuildResult sent = OrderRequests::EditWorkingOrder(session_.messageBase(), sessionValues(),
                                                               tagValues(*order), info.orderNo, info.editorderReqType,
                                                               present(info.price), info.TakeProfitEnabled,
                                                               info.StopLossEnabled);
      !sent) {
    reportNotSent(sent);
    return false;
  }
  ShowEditOrderMessages(*order, info.editorderReqType);
  return true;
}

bool OrderMananger::PlaceOffsetOrder(const std::string& offsetList, const std::string& itemCode,
                                     const std::string& accountNo) {
  if (!validateOffsetPosition(itemCode, accountNo)) return false;
  if (const BuildResult sent = OrderRequests::CloseHedgedPositions(session_.messageBase(), sessionValues(), offsetList,
                                                                   itemCode, accountNo, session_.ServerTime());
      !sent) {
    reportNotSent(sent);
    return false;
  }
  return true;
}

bool OrderMananger::CreateNewBulkOrderMessage(const OrderInfo& info) {
  const Order order = GenerateBulkOrderDetails(info);
  if (const BuildResult sent =
          OrderRequests::BulkOrder(session_.messageBase(), sessionValues(), tagValues(order), info.orderDetails);
      !sent) {
    reportNotSent(sent);
    return false;
  }
  ShowNewOrderMessages(order, 0);
  return true;
}

void OrderMananger::ShowNewOrderMessages(const Order& order, std::int32_t mode) {
  if (mode == 1) {
    sendNotification(kAbortModal);
    return;
  }
  if (mode != 0) return;
  session_.appendJournalLine(OrderJournal::getOrderJournalData(3, order, session_.ServerTime()));
  if (order.orderType == OrderTypeMarket) {
    TD_LOG_INFO(std::string(order.tradingMode == 0 ? "Requesting Market Order Buy " : "Requesting Market Order Sell ") +
                order.OrderQty + " lot(s) of @ Market Price");
  } else if (order.orderType == OrderTypeLimit || order.orderType == OrderTypeStop) {
    awaitConfirmation(order);
  }
}

void OrderMananger::ShowEditOrderMessages(const Order&, std::int32_t kind) {
  if (kind == 1) {
    const auto alerts = services_.alerts;
    postToMain([alerts] { alerts->playSound(kCancelSound); });
  }
  if (kind == 0 || kind == 1 || kind == 2) sendNotification(kAbortModal);
}

void OrderMananger::awaitConfirmation(const Order& order) {
  if (awaited_.size() >= kMaxAwaited) awaited_.erase(awaited_.begin());
  awaited_.push_back({order.RequestId, order.ItemCode});
  if (confirmationToken_ == 0) {
    confirmationToken_ = services_.notifications->addObserver(
        kPendingOrderNotification, [this](const Notification& n) { ShowOrderConfirmation(n); });
  }
}

void OrderMananger::ShowOrderConfirmation(const Notification& notification) {
  const Order* order = nullptr;
  if (const auto* shared = notification.objectAs<std::shared_ptr<Order>>()) {
    order = shared->get();
  } else {
    order = notification.objectAs<Order>();
  }
  if (order == nullptr) return;
  // A working order built from the server's report carries the request id it answers, or else the
  // notification carries the id of the report that brought it (the session's own counter may have
  // moved on with later replies by the time the main queue delivers).
  std::int32_t requestId = order->RequestId;
  if (requestId == 0) {
    const auto posted = notification.userInfoText("Requestid");
    requestId = posted ? conv::toInt(*posted) : session_.Requestid();
  }
  const auto match = std::find_if(awaited_.begin(), awaited_.end(), [&](const Awaited& a) {
    return a.requestId == requestId && a.itemCode == order->ItemCode;
  });
  if (match == awaited_.end()) return;
  awaited_.erase(match);
  if (awaited_.empty() && confirmationToken_ != 0) {
    services_.notifications->removeObserver(confirmationToken_);
    confirmationToken_ = 0;
  }
  // Shown as its own main-queue task: the report that brought the working order is still being
  // handled, and an alert must not open inside a message handler.
  const bool asAlert = services_.showConfirmationAlert && services_.showConfirmationAlert();
  postToMain([alerts = services_.alerts, text = ConfirmationText(*order), asAlert] {
    if (asAlert) {
      alerts->showAlert(kConfirmationTitle, text);
    } else {
      alerts->showBanner(kConfirmationTitle, text);
    }
  });
}

void OrderMananger::postToMain(std::function<void()> task) const {
  if (services_.mainQueue != nullptr) {
    services_.mainQueue->post(std::move(task));
  } else {
    MainQueue::postToMain(std::move(task));
  }
}

std::string OrderMananger::ConfirmationText(const Order& order) {
  const char* kind = order.orderType == OrderTypeLimit ? "Limit" : order.orderType == OrderTypeStop ? "Stop" : "";
  std::string text = "Account : " + order.AccountNumber + "\nPending Id : " + order.PendingOrderId + "\n" +
                     (order.tradingMode == 0 ? "Buy" : "Sell") + " " + kind + " " + order.OrderQty + " lot(s) of " +
                     order.ItemCode + " @ " + order.OrderPrice + "\n";
  if (OrderRequests::leadingNumber(order.LimitPrice) > 0) text += "Take Profit @ " + order.LimitPrice + "\n";
  if (OrderRequests::leadingNumber(order.StopPrice) > 0) text += "Stop Loss @ " + order.StopPrice;
  return text;
}

std::string OrderMananger::OrderTypeChange(std::int32_t orderType, std::int32_t side, std::string_view itemCode,
                                           std::span<const std::int32_t> accountNumbers, int textForm) const {
  return PriceBounds::OrderTypeChange(session_.referenceData(), orderType, side, itemCode, accountNumbers, textForm);
}

std::string OrderMananger::UpdateTakeProfitandStopLoss(std::int32_t side, std::string_view itemCode, bool takeProfit,
                                                       std::span<const std::int32_t> accountNumbers,
                                                       std::int32_t orderType, std::string_view orderPrice,
                                                       int textForm) const {
  return PriceBounds::UpdateTakeProfitandStopLoss(session_.referenceData(), side, itemCode, takeProfit, accountNumbers,
                                                  orderType, orderPrice, textForm);
}

std::string OrderMananger::UpdateTakeProfitandStopLoss(std::int32_t side, std::string_view itemCode, bool takeProfit,
                                                       std::int32_t accountNumber, std::int32_t orderType,
                                                       std::string_view orderPrice, int textForm,
                                                       PriceBounds::BracketOf request) const {
  return PriceBounds::UpdateTakeProfitandStopLoss(session_.referenceData(), side, itemCode, takeProfit, accountNumber,
                                                  orderType, orderPrice, textForm, request);
}

double OrderMananger::GetMarginForSingleLot(const Order& order) const {
  const ReferenceData& data = session_.referenceData();
  const auto account = data.account(order.AccountNumber);
  const auto item = data.item(order.ItemCode);
  std::shared_ptr<GroupInstruments> terms;
  if (account && item) terms = data.groupInstruments(*account, item->InstrumentId);
  return MarginCalculator::GetMarginForSingleLot(terms.get(), order, item.get());
}

void OrderMananger::CalcHedgeMargin(const Order& position) {
  const ReferenceData& data = session_.referenceData();
  const auto account = data.account(std::to_string(session_.currentAccountSelected()));
  const auto positions = session_.getOpenOrderCollection();
  auto entry = MarginCalculator::hedgeMarginEntry(data, account.get(), positions, position);
  session_.setHedgeMargin(std::move(entry.first), std::move(entry.second));
}

}  // namespace td
