#pragma once
// The history rows of the initial data sets: one record per row of the open-position,
// working-order, settled-position, cancelled-order and equity-hit replies, with one field per
// column in column order. Each lives only until its converter (InitialCollections) has copied what
// the session keeps.
//
// initWithMessage cuts the row at 0x05 (empty columns kept in place) and reads each column: int by
// its leading integer (clamped to 32 bits), double by its leading decimal, flag by its truth value,
// text as it stands. A row with fewer columns than the record reads gives no record; columns past
// the last one read are ignored.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace td {

struct OpenOrderHD {
  static constexpr std::size_t kColumns = 22;
  std::string PositionId;
  std::string AccountId;
  std::int32_t InstrumentId = 0;
  bool IsBuy = false;
  std::string RefOrderTicketId;
  std::string RefPendingOrderId;
  std::string OrderExecutionId;
  double PositionInitialQty = 0;
  double PositionQty = 0;
  double OrderPrice = 0;
  double CommisionPaid = 0;
  std::string PositionDate;
  std::string ConfirmationModeId;
  std::string ConfirmedBy;
  double UnrealisedPL = 0;
  std::string TradeRouteId;
  std::string RoutePositionId;
  std::int32_t DeliveryMode = 0;
  std::int32_t OrderTypeId = 0;
  double Storage = 0;
  std::string ValueDate;
  std::string ExpiryDate;

  static std::optional<OpenOrderHD> initWithMessage(std::string_view row);
};

struct PendingOrderHD {
  static constexpr std::size_t kColumns = 29;
  std::string PendingOrderId;
  std::string RefTicketId;
  std::string AccountId;
  std::int32_t InstrumentId = 0;
  bool IsBuy = false;
  std::int32_t OrderTypeId = 0;
  double OrderQty = 0;
  double MinQty = 0;
  double DisclosedQty = 0;
  double RemainingQty = 0;
  double OrderPrice = 0;
  double LimitPrice = 0;
  double StopPrice = 0;
  double TralingStopPrice = 0;
  std::int32_t DeliveryModeId = 0;
  std::int32_t TimeInForceId = 0;
  std::string ExpiryDateTime;
  double OCOLLimitPrice = 0;
  double OCOLStopPrice = 0;
  double OCOSLimit = 0;
  double OCOSStop = 0;
  std::string Spread;
  std::string TradeRouteId;
  std::string RoutePendingOrderId;
  std::string OrderAtServerDateTime;
  std::string RefPositionIdOfBracket;
  double TouchQty = 0;
  double TouchPrice = 0;
  std::string TouchDateTime;

  static std::optional<PendingOrderHD> initWithMessage(std::string_view row);
};

struct SettledOrderHD {
  static constexpr std::size_t kColumns = 18;
  std::string SettlementId;
  std::string AccountId;
  std::int32_t InstrumentId = 0;
  std::string RefPositionId;
  std::string RefClosingPositionId;
  double SettledQty = 0;
  double SettledPL = 0;
  std::string SettlementDate;
  double CurrencyRate = 0;
  double Storage = 0;
  double CommisionPaid = 0;
  double OtherCharges = 0;
  bool IsBuy = false;
  std::string OpenPrice;
  std::string ClosePrice;
  std::string OpenPositionDate;
  std::string ClosePositionDate;
  std::int32_t DeliveryModeId = 0;

  static std::optional<SettledOrderHD> initWithMessage(std::string_view row);
};

struct CancelledOrderHD {
  static constexpr std::size_t kColumns = 18;
  std::string CancelledOrderId;
  double CancelledQty = 0;
  std::string RefTicketId;
  std::string RefPendingOrderId;
  std::int32_t InstrumentId = 0;
  std::string AccountId;
  std::string CancelReasonId;
  std::string CancelDateTime;
  std::string ActionByUserId;
  bool IsBuy = false;
  std::int32_t DeliveryMode = 0;
  double OrderAsk = 0;
  double OrderBid = 0;
  double OrderHigh = 0;
  double OrderLow = 0;
  std::int32_t OrderTypeId = 0;
  double OrderPrice = 0;
  std::string OrderTime;

  static std::optional<CancelledOrderHD> initWithMessage(std::string_view row);
};

struct EquityHitPriceInfos {
  static constexpr std::size_t kColumns = 14;
  std::int32_t EHOrderHistoryId = 0;
  std::int32_t RefEHMCId = 0;
  std::string PositionId;
  std::int32_t InstrumentId = 0;
  double OrderPrice = 0;
  double HitPrice = 0;
  std::string AccountId;
  double UnrealisedPL = 0;
  double UnrealisedCharges = 0;
  double AccumulatingStorage = 0;
  bool IsBuy = false;
  double PositionQty = 0;
  double CurrencyRate = 0;
  double ContractSize = 0;

  static std::optional<EquityHitPriceInfos> initWithMessage(std::string_view row);
};

}  // namespace td
