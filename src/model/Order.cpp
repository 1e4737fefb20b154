#include "model/Order.h"

namespace td {

std::int32_t Order::GetOrderTypeTagValue(std::int32_t orderType) {
  switch (orderType) {
    case OrderTypeMarket: return 29;
    case OrderTypeLimit: return 30;
    case OrderTypeStop: return 31;
    default: return kNoWireCode;
  }
}

std::int32_t Order::GetDeliveryModeTagValue(std::int32_t deliveryMode) {
  switch (deliveryMode) {
    case DeliveryModeRegular: return 51;
    case DeliveryModeIntraday: return 52;
    case DeliveryModeBTST: return 53;
    default: return kNoWireCode;
  }
}

std::int32_t Order::GetTradingModeTagValue(std::int32_t tradingMode) {
  switch (tradingMode) {
    case TradingModeBuy: return 45;
    case TradingModeSell: return 46;
    default: return kNoWireCode;
  }
}

std::int32_t Order::GetTimeInForceTagValue(std::int32_t timeInForce) {
  switch (timeInForce) {
    case TimeInForceGTC: return 47;
    case TimeInForceGTF: return 48;
    case TimeInForceDay: return 54;
    default: return kNoWireCode;
  }
}

std::optional<std::string> Order::GetOrderStatus(std::int32_t status) {
  switch (status) {
    case 21: return "New";
    case 22: return "Partly Filled";
    case 23: return "Fully Filled";
    case 24: return "Cancelled";
    case 26: return "Expired";
    case 27: return "Suspended";
    case 28: return "Pending";
    default: return std::nullopt;
  }
}

std::string Order::GetTradingModeString(std::int32_t tradingMode, bool expandedText,
                                        const std::function<std::string(std::string_view key)>& localised) {
  if (tradingMode != TradingModeBuy && tradingMode != TradingModeSell) return "";
  if (!expandedText) return tradingMode == TradingModeBuy ? "B" : "S";
  if (!localised) return "";
  return localised(tradingMode == TradingModeBuy ? "0009" : "0010");
}

}  // namespace td
