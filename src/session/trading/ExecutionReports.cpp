#include "session/trading/ExecutionReports.h"

#include <algorithm>
#include <initializer_list>

#include "model/Conversions.h"
#include "platform/Log.h"
#include "session/trading/OrderJournal.h"
#include "session/trading/ProfitAndLoss.h"

namespace td {

namespace {

// Tags copied into a working order by a new-order report, an update, and a cancellation.
constexpr std::initializer_list<int> kNewOrderTags = {12, 32, 34, 36, 37, 38, 39, 40, 43, 76, 78, 79, 81, 117, 125, 570, 573};
constexpr std::initializer_list<int> kUpdateTags = {12, 32, 34, 36, 37, 38, 39, 40, 43, 76, 78, 79, 81, 117, 570};
constexpr std::initializer_list<int> kCancelTags = {12, 32, 33, 34, 36, 37, 38, 43, 76, 78, 79, 81, 117, 570};

// Copies one field of a type-62 report into the order, with the conversions of the wire codes.
void copyOrderField(Order& o, int tag, std::string_view v) {
  switch (tag) {
    case 12: o.ItemCode = v; break;
    case 32: o.orderType = wirecode::orderType(v); break;
    case 33: o.RequestId = conv::toInt(v); break;
    case 34: o.AccountNumber = v; break;
    case 36: o.tradingMode = wirecode::tradingMode(v, o.tradingMode); break;
    case 37: o.OrderQty = v; break;
    case 38: o.OrderPrice = v; break;
    case 39: o.LimitPrice = v; break;
    case 40: o.StopPrice = v; break;
    case 43: o.timeinForce = wirecode::timeInForce(v); break;
    case 76: o.RemainingQty = v; break;
    case 78: o.TransactionDateTime = displayDateTime(v); break;
    case 79: o.PendingOrderId = v; break;
    case 81: o.TicketId = v; break;
    case 117: o.deliveryMode = wirecode::deliveryMode(v); break;
    case 125: o.LiqudateOrderNumber = v; break;
    case 570: o.OrderRouteId = v; break;
    case 573: o.RefPositionIdOfBracket = v; break;
    default: break;
  }
}

void copyOrderFields(Order& o, const ReceivedMessage& report, std::initializer_list<int> tags) {
  for (const int tag : tags) {
    if (const auto value = report.value(tag)) copyOrderField(o, tag, *value);
  }
}

// The values of a report that its dispatch reads before the handlers run.
struct PreRead {
  std::int32_t status = 0;
  std::int32_t reason = 0;
  std::optional<std::string_view> pendingId;   // 79
  std::optional<std::string_view> bracketRef;  // 573
};

PreRead preRead(const ReceivedMessage& report) {
  PreRead p;
  p.status = report.intValue(73).value_or(0);
  p.reason = report.intValue(74).value_or(0);
  p.pendingId = report.value(79);
  p.bracketRef = report.value(573);
  return p;
}

bool present(const std::optional<std::string_view>& v) { return v && !v->empty(); }

}  // namespace

const char* ExecutionReports::statusName(std::int32_t status) {
  switch (status) {
    case 21: return "OrderStatusNew";
    case 22: return "OrderPartlyFilled";
    case 23: return "OrderFullyFilled";
    case 24: return "OrderCancelled";
    case 25: return "OrderRejected";
    case 26: return "OrderExpired";
    case 27: return "OrderSuspended";
    case 28: return "OrderPending";
    case 75: return "OrderEdited";
    case 826: return "OrderExchangeRejected";
    default: return nullptr;
  }
}

std::string ExecutionReports::GetOrderRejectionReason(std::int32_t code) {
  switch (code) {
    case 1:
    case 12:
    case 51:
    case 82: return "Price Changed Please Try Again";
    case 2: return "Invalid Or Expired Symbol";
    case 5: return "Position Already Liquidated";
    case 8: return "Symbol First Notice Date Reached";
    case 11: return "Open Position Already Exist";
    case 13: return "Not Enough Free Margin Unable To Trade";
    case 15: return "Order Already Partially Done";
    case 50: return "You Do Not Have Sufficient Access To This Account";
    case 80: return "Trading Session Inactive";
    case 81: return "Symbol Disabled";
    case 83: return "OrderType Not Valid For Current Session";
    default: return "Order cannot be processed. Please try again";
  }
}

void ExecutionReports::journal(int code, const Order& order, const ReportContext& context) {
  book_.JournalDataCollection.push_back(OrderJournal::getOrderJournalData(code, order, context.ServerTime));
  if (observer_) observer_->tradingJournal(book_.JournalDataCollection.back());
}

// ---- type 62 ----

void ExecutionReports::ProcessOrderReport(const ReceivedMessage& report, const ReportContext& context) {
  const PreRead p = preRead(report);
  if (!statusName(p.status)) return;
  switch (p.status) {
    case 22:
    case 75:
      UpdatePendingOrderCollection(report, p.pendingId);
      ModifyBracketOrderUpdateonOpenOrderCollection(report, p.bracketRef, p.status);
      break;
    case 23:
      RemovePendingOrder(p.pendingId, true);
      ModifyBracketOrderUpdateonOpenOrderCollection(report, p.bracketRef, p.status);
      break;
    case 24: {
      RemovePendingOrder(p.pendingId, true);
      FillCancelledOrder(report);
      std::optional<std::string> bracketRef;
      if (present(p.bracketRef)) {
        bracketRef = std::string(*p.bracketRef);
      } else if (p.pendingId) {
        // The bracket order's position, from the working order that has just left the list.
        for (auto it = book_.PendingOrderCollectionCopy.rbegin(); it != book_.PendingOrderCollectionCopy.rend(); ++it) {
          if (*it && sameId((*it)->PendingOrderId, *p.pendingId)) {
            bracketRef = (*it)->RefPositionIdOfBracket;
            break;
          }
        }
      }
      if (bracketRef) ModifyBracketOrderUpdateonOpenOrderCollection(report, std::string_view(*bracketRef), p.status);
      break;
    }
    case 25: {
      if (present(p.pendingId)) {
        FillRejectedOrder(p.pendingId, 0, report, context);
        RemovePendingOrder(p.pendingId, true);
      } else {
        FillRejectedOrder(std::nullopt, context.Requestid, report, context);
        RemovePendingOrder(std::to_string(context.Requestid), false);
      }
      events_.OrderRejectionNotification(GetOrderRejectionReason(p.reason));
      if (present(p.bracketRef)) {
        ModifyBracketOrderUpdateonOpenOrderCollection(report, p.bracketRef, p.status);
      } else if (present(p.pendingId)) {
        for (const OrderPtr& removed : book_.PendingOrderCollectionCopy) {
          if (!removed || !sameId(removed->PendingOrderId, *p.pendingId)) continue;
          for (const OrderPtr& position : book_.OpenOrderCollection) {
            if (!position || !sameId(position->OpenPositionId, removed->RefPositionIdOfBracket)) continue;
            if (removed->orderType == 2) position->LimitPrice.clear();
            if (removed->orderType == 3) position->StopPrice.clear();
          }
        }
      }
      break;
    }
    case 26:
    case 27:
      ModifyBracketOrderUpdateonOpenOrderCollection(report, p.bracketRef, p.status);
      break;
    case 28:
      FillPendingOrderCollection(report, p.pendingId, context);
      ModifyBracketOrderUpdateonOpenOrderCollection(report, p.bracketRef, p.status);
      break;
    default:  // 21, 826: the log line only
      break;
  }
}

void ExecutionReports::FillPendingOrderCollection(const ReceivedMessage& report, const std::optional<std::string_view>& pendingId,
                                                  const ReportContext& context) {
  auto& pending = book_.PendingOrderCollection;
  for (auto it = pending.begin(); it != pending.end(); ++it) {
    const Order* o = it->get();
    if (!o) continue;
    const bool byRequest = context.Requestid != 0 && o->RequestId == context.Requestid;
    const bool byPending = pendingId && sameId(o->PendingOrderId, *pendingId);
    if (byRequest || byPending) {
      pending.erase(it);
      break;
    }
  }
  auto order = std::make_shared<Order>();
  copyOrderFields(*order, report, kNewOrderTags);
  pending.push_back(order);
  journal(4, *order, context);
  if (order->orderType == 2 || order->orderType == 3) events_.PendingOrderNotification(order, context.Requestid);
}

void ExecutionReports::UpdatePendingOrderCollection(const ReceivedMessage& report, const std::optional<std::string_view>& pendingId) {
  if (!pendingId) return;
  for (const OrderPtr& o : book_.PendingOrderCollection) {
    if (!o || !sameId(o->PendingOrderId, *pendingId)) continue;
    // An update without a take-profit or stop-loss price leaves the order without one.
    o->LimitPrice.clear();
    o->StopPrice.clear();
    copyOrderFields(*o, report, kUpdateTags);
  }
}

void ExecutionReports::RemovePendingOrder(const std::optional<std::string_view>& key, bool byPendingId) {
  if (!key) return;
  const std::int32_t requestId = byPendingId ? 0 : conv::toInt(*key);
  if (!byPendingId && requestId == 0) return;
  auto& pending = book_.PendingOrderCollection;
  for (auto it = pending.begin(); it != pending.end(); ++it) {
    const Order* o = it->get();
    if (!o) continue;
    const bool match = byPendingId ? sameId(o->PendingOrderId, *key) : o->RequestId == requestId;
    if (match) {
      book_.PendingOrderCollectionCopy.push_back(*it);
      pending.erase(it);
      return;
    }
  }
}

void ExecutionReports::FillCancelledOrder(const ReceivedMessage& report) {
  auto order = std::make_shared<Order>();
  copyOrderFields(*order, report, kCancelTags);
  for (const OrderPtr& removed : book_.PendingOrderCollectionCopy) {
    if (removed && sameId(removed->PendingOrderId, order->PendingOrderId)) order->OrderQty = removed->RemainingQty;
  }
  book_.CancelledOrderCollection.push_back(order);
}

bool ExecutionReports::FillRejectedOrder(const std::optional<std::string_view>& pendingId, std::int32_t requestId,
                                         const ReceivedMessage& report, const ReportContext& context) {
  if (!pendingId && requestId == 0) return false;
  for (const OrderPtr& o : book_.PendingOrderCollection) {
    if (!o) continue;
    const bool match = pendingId ? sameId(o->PendingOrderId, *pendingId) : o->RequestId == requestId;
    if (!match) continue;
    if (const auto time = report.value(78)) o->TransactionDateTime = displayDateTime(*time);
    book_.CancelledOrderCollection.push_back(o);
    journal(8, *o, context);
    return true;
  }
  return false;
}

void ExecutionReports::ModifyBracketOrderUpdateonOpenOrderCollection(const ReceivedMessage& report,
                                                                     const std::optional<std::string_view>& positionId,
                                                                     std::int32_t status) {
  if (!present(positionId)) return;
  // The prices the report brings, read once: a price applies by the order type read before it.
  std::optional<std::string_view> limitPrice;
  std::optional<std::string_view> stopPrice;
  std::int32_t wireType = 0;
  for (const ReceivedMessage::Field& f : report.fields()) {
    const auto value = f.value();
    if (!value) continue;
    if (f.tag() == 32) {
      wireType = conv::toInt(*value);
    } else if (f.tag() == 38) {
      if (wireType == 30) limitPrice = value;
      if (wireType == 31) stopPrice = value;
    }
  }
  if (!limitPrice && !stopPrice) return;
  const bool clear = status == 23 || status == 24 || status == 25 || status == 74;
  const auto priceText = [clear](std::string_view price) { return clear ? std::string() : std::string(price); };
  for (const OrderPtr& position : book_.OpenOrderCollection) {
    if (!position || position->OpenPositionId != *positionId) continue;
    if (limitPrice) position->LimitPrice = priceText(*limitPrice);
    if (stopPrice) position->StopPrice = priceText(*stopPrice);
  }
}

// ---- type 67 ----

void ExecutionReports::ProcessPositionReport(const ReceivedMessage& report, const ReportContext& context) {
  const std::int32_t status = report.intValue(73).value_or(0);
  if (status == 74) {
    FillOpenOrderCollection(report, context);
  } else if (status == 73) {
    UpdateOpenOrderCollection(report);
  }
}

void ExecutionReports::FillOpenOrderCollection(const ReceivedMessage& report, const ReportContext& context) {
  auto order = std::make_shared<Order>();
  Order& o = *order;
  // In report order: a commission read before the quantity is pro-rated when the quantity comes.
  for (const ReceivedMessage::Field& f : report.fields()) {
    const auto value = f.value();
    const std::string_view v = value.value_or(std::string_view());
    switch (value ? f.tag() : 0) {
      case 12: o.ItemCode = v; break;
      case 33: o.RequestId = conv::toInt(v); break;
      case 34: o.AccountNumber = v; break;
      case 37:
        o.OrderQty = v;
        // A commission that came before the quantity is pro-rated to the remaining quantity.
        o.Commision = ProfitAndLoss::calcCommission(o.OrderQty, o.RemainingQty, o.Commision);
        break;
      case 38: o.OrderPrice = v; break;
      case 44: o.ExpiryDate = displayDate(v); break;
      case 72: o.ExecutionId = v; break;
      case 76: o.RemainingQty = v; break;
      case 78: o.TransactionDateTime = displayDateTime(v); break;
      case 79: o.PendingOrderId = v; break;
      case 80: o.OpenPositionId = v; break;
      case 545: o.Commision = conv::toDouble(v); break;
      case 570: o.OrderRouteId = v; break;
      case 585: o.ValueDate = displayDate(v); break;
      default: o.orderType = 1; break;
    }
  }
  // Side, delivery, type and bracket prices come from the working order that was filled.
  for (const OrderList* list : {&book_.PendingOrderCollectionCopy, &book_.PendingOrderCollection}) {
    for (const OrderPtr& w : *list) {
      if (!w || !sameId(w->PendingOrderId, o.PendingOrderId)) continue;
      o.tradingMode = w->tradingMode;
      o.deliveryMode = w->deliveryMode;
      o.orderType = w->orderType;
      o.StopPrice = w->StopPrice;
      o.LimitPrice = w->LimitPrice;
    }
  }
  for (const OrderPtr& open : book_.OpenOrderCollection) {
    if (open && sameId(open->OpenPositionId, o.OpenPositionId)) {
      TD_LOG_INFO("OrderExecuted: position " + o.OpenPositionId + " already open, report ignored");
      return;
    }
  }
  if (o.RemainingQty == "0") {
    book_.OpenOrderCollectionCopy.push_back(order);
  } else {
    book_.OpenOrderCollection.push_back(order);
    if (observer_) observer_->tradingPosition(o);
  }
  orderexecuted(order, context);
}

void ExecutionReports::orderexecuted(const OrderPtr& order, const ReportContext& context) {
  if (!order || !(conv::toDouble(order->RemainingQty) > 0)) return;
  const Order& o = *order;
  const std::string text = "Account : " + o.AccountNumber + "\nOrder No : " + o.OpenPositionId + "\nYou " +
                           (o.tradingMode == 0 ? "Bought" : "Sold") + " " + o.RemainingQty + " lot(s) of " +
                           o.ItemCode + " @ " + o.OrderPrice;
  events_.TradeConfirmationNotification(text);
  journal(6, o, context);
}

void ExecutionReports::UpdateOpenOrderCollection(const ReceivedMessage& report) {
  const std::optional<std::string_view> positionId = report.value(80);
  const std::optional<std::string_view> remainingQty = report.value(76);
  if (!present(positionId)) return;
  auto& open = book_.OpenOrderCollection;
  if (remainingQty && *remainingQty == "0") {
    for (auto it = open.begin(); it != open.end(); ++it) {
      if (*it && (*it)->OpenPositionId == *positionId) {
        book_.OpenOrderCollectionCopy.push_back(*it);
        open.erase(it);
        return;
      }
    }
    return;
  }
  for (const OrderPtr& position : open) {
    if (!position || position->OpenPositionId != *positionId) continue;
    Order& o = *position;
    for (const ReceivedMessage::Field& f : report.fields()) {
      const auto value = f.value();
      if (!value) continue;
      switch (f.tag()) {
        case 76: o.RemainingQty = *value; break;
        case 38: o.OrderPrice = *value; break;
        case 545: o.Commision = conv::toDouble(*value); break;
        case 141: o.Storage = conv::toDouble(*value); break;
        case 37: o.Commision = ProfitAndLoss::calcCommission(o.OrderQty, o.RemainingQty, o.Commision); break;
        default: break;
      }
    }
    if (observer_) observer_->tradingPosition(o);
  }
}

// ---- type 66 ----

void ExecutionReports::FillSettledOrderCollection(const ReceivedMessage& report, const ReportContext& context) {
  auto order = std::make_shared<Order>();
  Order& o = *order;
  for (const ReceivedMessage::Field& f : report.fields()) {
    const auto value = f.value();
    if (!value) continue;
    const std::string_view v = *value;
    switch (f.tag()) {
      case 12: o.ItemCode = reference_.getItemCode(conv::toInt(v)); break;
      case 34: o.AccountNumber = v; break;
      case 78: o.TransactionDateTime = displayDateTime(v); break;
      case 80: o.OpenPositionId = v; break;
      case 86: o.SettlementId = v; break;
      case 87: o.ClosingPositionId = v; break;
      case 88: o.SettledPL = v; break;
      case 89: o.SettledQty = v; break;
      case 141: o.Storage = conv::toDouble(v); break;
      case 142: o.CurrencyRate = conv::toDouble(v); break;
      case 143: o.OtherCharges = conv::toDouble(v); break;
      case 545: o.Commision = conv::toDouble(v); break;
      default: break;
    }
  }
  for (const OrderList* list : {&book_.OpenOrderCollection, &book_.OpenOrderCollectionCopy}) {
    for (const OrderPtr& position : *list) {
      if (!position) continue;
      if (sameId(position->OpenPositionId, o.OpenPositionId)) {
        o.OrderPrice = position->OrderPrice;
        o.deliveryMode = position->deliveryMode;
        o.tradingMode = position->tradingMode;
        o.ItemTime = position->TransactionDateTime;
      }
      if (sameId(position->OpenPositionId, o.ClosingPositionId)) o.SettledPrice = position->OrderPrice;
    }
  }
  book_.SettledOrderCollection.push_back(order);
  if (observer_) observer_->tradingSettled(o);
  journal(7, o, context);
  events_.ShowSettledOrderNotification(o.ItemCode, o.SettledPrice, o.SettlementId);
}

}  // namespace td
