#include "orders/OrderGenerator.h"

#include "model/ReferenceData.h"
#include "orders/PriceBounds.h"
#include "wire/Formatter.h"
#include "wire/SessionRequests.h"

namespace td {
namespace {

// The quote snapshot, the item's time and the entry prices, shared by single and bulk records.
void fillQuoteAndPrices(Order& order, const OrderInfo& info, const ItemDetails* item, const OrderStamp& stamp) {
  if (item != nullptr) {
    const int places = item->DecimalPlaces;
    order.Bid = Formatter::formatDecimal(item->Bid, places);
    order.Ask = Formatter::formatDecimal(item->Ask, places);
    order.Last = Formatter::formatDecimal(item->Last, places);
    order.High = Formatter::formatDecimal(item->High, places);
    order.Low = Formatter::formatDecimal(item->Low, places);
    // A time that does not read as a display time goes as the empty text, like a missing one.
    order.ItemTime =
        Formatter::formatDateandTimeFromString(item->UpdateTime, DISPLAY_DATE_TIME_FORMAT, AMP_DATE_FORMAT)
            .value_or(std::string());
  } else {
    order.Bid = order.Ask = order.Last = order.High = order.Low = "0";
    order.ItemTime.clear();
  }
  order.TransactionDateTime = stamp.ServerTime;

  const std::string quote = item != nullptr ? PriceBounds::marketOrderPrice(*item, info.tradingMode) : "0";
  switch (info.orderType) {
    case OrderTypeMarket:
      order.ordertypeInfo = 0;
      order.OrderPrice = quote;
      if (!info.limitPrice.empty()) {
        order.ordertypeInfo = 1;
        order.LimitPrice = info.limitPrice;
      }
      if (!info.stopPrice.empty()) {
        order.ordertypeInfo = 1;
        order.StopPrice = info.stopPrice;
      }
      break;
    case OrderTypeLimit:
    case OrderTypeStop:
      order.ordertypeInfo = 2;
      order.OrderPrice = info.price.empty() ? quote : info.price;
      if (!info.limitPrice.empty()) {
        order.ordertypeInfo = 3;
        order.LimitPrice = info.limitPrice;
      }
      if (!info.stopPrice.empty()) {
        order.ordertypeInfo = 3;
        order.StopPrice = info.stopPrice;
      }
      break;
    default:
      break;
  }
}

}  // namespace

std::int32_t OrderGenerator::tradingModeTag(std::int32_t tradingMode) {
  if (tradingMode == 0) return 45;
  if (tradingMode == 1) return 46;
  return 0;
}

Order OrderGenerator::buildOrder(const OrderInfo& info, const ReferenceData& data, const OrderStamp& stamp,
                                 bool withPreviousAndDeviation) {
  Order order;
  const auto item = data.item(info.itemCode);
  order.AccountNumber = std::to_string(info.accountNo);
  order.RequestId = nextRequestId(stamp.Requestid);
  if (item) order.ItemCode = item->Code;
  order.orderTypeTag = Order::GetOrderTypeTagValue(info.orderType);
  order.orderType = info.orderType;
  order.deliveryModeTag = Order::GetDeliveryModeTagValue(info.deliveryMode);
  order.deliveryMode = info.deliveryMode;
  order.OrderQty = info.quantity;
  order.Spread = "0";
  order.tradingModeTag = tradingModeTag(info.tradingMode);
  order.tradingMode = info.tradingMode;
  order.CurrentStatus = "0";
  order.timeinForceTag = Order::GetTimeInForceTagValue(info.timeinForce);
  order.timeinForce = info.timeinForce;
  if (withPreviousAndDeviation) {
    order.PreviousOrderQty = info.previousQuantity;
    order.deviation = info.deviation;
  }
  fillQuoteAndPrices(order, info, item.get(), stamp);
  order.isCloseNew = info.isCloseNew;
  order.isEditWorkOrder = info.isEWO;
  order.isEditBracketOrder = info.isEBO;
  order.isTakeProfitEnabled = info.TakeProfitEnabled;
  order.isStopLossEnabled = info.StopLossEnabled;
  return order;
}

Order OrderGenerator::GenerateBulkOrderDetails(const OrderInfo& info, const ReferenceData& data,
                                               const OrderStamp& stamp) {
  Order order;
  const auto item = data.item(info.itemCode);
  order.ItemCode = info.itemCode;
  order.orderType = info.orderType;
  order.orderTypeTag = Order::GetOrderTypeTagValue(info.orderType);
  order.deliveryModeTag = Order::GetDeliveryModeTagValue(info.deliveryMode);
  order.tradingMode = info.tradingMode;
  order.Spread = "0";
  order.tradingModeTag = tradingModeTag(info.tradingMode);
  order.timeinForceTag = Order::GetTimeInForceTagValue(info.timeinForce);
  order.CurrentStatus = "0";
  order.deviation = info.deviation;
  order.RequestId = nextRequestId(stamp.Requestid);
  fillQuoteAndPrices(order, info, item.get(), stamp);
  return order;
}

}  // namespace td
