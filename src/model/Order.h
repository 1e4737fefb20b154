#pragma once
// One order or position as the whole system holds it (new, working, open, settled, cancelled or
// executed), with the translation of the order codes into their wire codes.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace td {

// Order codes.
enum OrderTypeCode : std::int32_t { OrderTypeNone = 0, OrderTypeMarket = 1, OrderTypeLimit = 2, OrderTypeStop = 3 };
enum TradingModeCode : std::int32_t { TradingModeBuy = 0, TradingModeSell = 1 };
enum TimeInForceCode : std::int32_t { TimeInForceGTC = 1, TimeInForceGTF = 2, TimeInForceDay = 5 };
enum DeliveryModeCode : std::int32_t { DeliveryModeRegular = 1, DeliveryModeIntraday = 2, DeliveryModeBTST = 3 };

// The wire code of a value that has no code of its own.
inline constexpr std::int32_t kNoWireCode = 926;

struct Order {
  std::int32_t tradingMode = 0;
  std::int32_t orderType = 0;
  std::int32_t deliveryMode = 0;
  std::int32_t timeinForce = 0;
  std::int32_t orderrejectReason = 0;
  std::int32_t ordertypeInfo = 0;  // 0 market, 1 market with TP/SL, 2 limit/stop, 3 limit/stop with TP/SL
  std::string AccountNumber;
  std::int32_t RequestId = 0;
  std::string ItemCode;
  std::string OrderQty;
  std::string OrderPrice;
  std::string LimitPrice;  // take-profit
  std::string StopPrice;   // stop-loss
  std::string Spread;
  std::string Bid;
  std::string Ask;
  std::string Last;
  std::string High;
  std::string Low;
  std::string ItemTime;
  std::string CurrentStatus;
  std::int32_t orderTypeTag = 0;
  std::int32_t deliveryModeTag = 0;
  std::int32_t tradingModeTag = 0;
  std::int32_t timeinForceTag = 0;
  std::string TicketId;
  std::string RemainingQty;
  std::string TransactionDateTime;
  std::string OrderStatus;
  std::string OrderRouteId;
  std::string PendingOrderId;
  std::string ExecutionId;
  double Commision = 0;
  std::string OpenPositionId;
  std::string SettledQty;
  std::string SettledPL;
  std::string ClosingPositionId;
  std::string SettlementId;
  std::string SettledPrice;
  double UnrealisedPL = 0;
  double Storage = 0;
  std::string ExpiryDate;
  std::string ValueDate;
  std::string RefPositionIdOfBracket;
  std::string CancelledOrderId;
  bool isCloseNew = false;
  bool isEditWorkOrder = false;
  bool isEditBracketOrder = false;
  std::string LiqudateOrderNumber;
  bool isTakeProfitEnabled = false;
  bool isStopLossEnabled = false;
  double EquityHitPrice = 0;
  std::string PreviousOrderQty;
  double CurrencyRate = 0;
  double OtherCharges = 0;
  double previousBid = 0;
  double previousAsk = 0;
  std::int32_t deviation = 0;  // -1: no deviation allowed
  double margin = 0;

  // Wire codes: order type 1/2/3 -> 29/30/31; delivery 1/2/3 -> 51/52/53; side 0/1 -> 45/46;
  // time in force 1/2/5 -> 47/48/54; any other value -> 926.
  static std::int32_t GetOrderTypeTagValue(std::int32_t orderType);
  static std::int32_t GetDeliveryModeTagValue(std::int32_t deliveryMode);
  static std::int32_t GetTradingModeTagValue(std::int32_t tradingMode);
  static std::int32_t GetTimeInForceTagValue(std::int32_t timeInForce);
  // 21 "New" ... 28 "Pending" (no text for 25 or any code outside 21 to 28).
  static std::optional<std::string> GetOrderStatus(std::int32_t status);
  // "B"/"S"; with expanded text the localised texts of the keys "0009"/"0010" from `localised`;
  // "" for any other side.
  static std::string GetTradingModeString(std::int32_t tradingMode, bool expandedText,
                                          const std::function<std::string(std::string_view key)>& localised);
};

}  // namespace td
