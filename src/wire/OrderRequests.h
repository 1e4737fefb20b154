#pragma once
// The order requests: new order (60/0), closing order (60/1), bracket edit (72/0), working-order
// edit (72/1 cancel, 72/2 modify), bulk order (77) and close of hedged positions (1052), all
// enveloped over the TCP session. The order manager makes the order record, checks it and hands
// its fields here as OrderTagValues; the functions store the tags and build the request. The
// result says whether the frame reached the transport, or why nothing was built (an unknown edit
// kind, a text holding a separator byte), so that the caller can tell the user why an order could
// not go.
//
// Also the two list values that the order windows put into requests: the bulk details (tag 91)
// and the offset list (tag 583).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "wire/MessageBase.h"
#include "wire/SessionRequests.h"

namespace td {

// The fields of the order record (`Order`) that the order requests carry. Texts that the record
// does not hold are absent and go on the wire as "(null)".
struct OrderTagValues {
  std::optional<std::string> AccountNumber;  // 34
  std::int32_t RequestId = 0;                // 33
  std::optional<std::string> ItemCode;       // 12
  std::int32_t orderTypeTag = 0;             // 32
  std::int32_t deliveryModeTag = 0;          // 117
  std::int32_t tradingModeTag = 0;           // 36
  std::int32_t timeinForceTag = 0;           // 43, stored only when not 926 and not negative
  std::optional<std::string> OrderQty;       // 37
  std::optional<std::string> OrderPrice;     // 38
  std::optional<std::string> LimitPrice;     // take-profit (39)
  std::optional<std::string> StopPrice;      // stop-loss (40)
  std::optional<std::string> Spread;         // 90
  std::int32_t deviation = 0;                // 77
  std::optional<std::string> CurrentStatus;  // 24
  std::optional<std::string> Bid;            // 56
  std::optional<std::string> Ask;            // 54
  std::optional<std::string> Last;           // 61
  std::optional<std::string> High;           // 60
  std::optional<std::string> Low;            // 62
  std::optional<std::string> ItemTime;       // 67
  std::optional<std::string> TransactionDateTime;  // 78
};

// One account row of a multi-account order.
struct BulkOrderEntry {
  std::int32_t AccountId = 0;
  double quantity = 0;
};

// One position and the quantity to offset, as the user typed it.
struct OffsetEntry {
  std::string positionId;
  std::string quantity;
};

class OrderRequests {
 public:
  // The wire code meaning "no code" for order type, delivery mode and time in force.
  static constexpr std::int32_t kNoCode = 926;

  // `PlaceOrder:` (60/0, 24 fields). Take-profit and stop-loss go as their text when their numeric
  // value is above 0, else empty.
  static BuildResult NewOrder(MessageBase& messageBase, const SessionValues& session, const OrderTagValues& order);
  // `PlacePartialOrder:` (60/1, 23 fields): 125 = the open position's id; no take-profit, stop-loss.
  static BuildResult ClosingOrder(MessageBase& messageBase, const SessionValues& session, const OrderTagValues& order,
                           std::string_view orderNo);
  // `PlaceEditBracketOrder:` (72/0): 1035 "EBO", 573 = position id, 38 = the entered price unchanged,
  // 39/40 the record's prices when ticked, else "0".
  static BuildResult EditBracketOrder(MessageBase& messageBase, const SessionValues& session, const OrderTagValues& order,
                               std::string_view orderNo, const std::optional<std::string>& price,
                               bool takeProfitEnabled, bool stopLossEnabled);
  // `PlaceEditWorkingOrder:` (72/editorderReqType: 1 cancel, 2 modify): 1035 "EWO", 79 = pending id,
  // 37 = "0" on a cancel, the record's quantity on a modify. Any other kind (0 is the bracket edit's)
  // builds nothing: UnknownRequest.
  static BuildResult EditWorkingOrder(MessageBase& messageBase, const SessionValues& session, const OrderTagValues& order,
                               std::string_view orderNo, std::int32_t editorderReqType,
                               const std::optional<std::string>& price, bool takeProfitEnabled,
                               bool stopLossEnabled);
  // `CreateNewBulkOrderMessage:` (77, 22 fields): 91 = the bulk details.
  static BuildResult BulkOrder(MessageBase& messageBase, const SessionValues& session, const OrderTagValues& order,
                        std::string_view orderDetails);
  // `PlaceOffsetOrder:ItemCode:AccountNo:` (1052): 583 = offset list, 21 = the server time.
  static BuildResult CloseHedgedPositions(MessageBase& messageBase, const SessionValues& session,
                                   std::string_view offsetList, std::string_view itemCode,
                                   std::string_view accountNo, const std::optional<std::string>& ServerTime);

  // Tag 91: per row "%d%c%f%c%d%c" of AccountId, 0x05, quantity, 0x05, Requestid + 1, 0x06.
  static std::string bulkOrderDetails(std::span<const BulkOrderEntry> rows, std::int32_t Requestid);
  // Tag 583: the offset position and its quantity ending with 0x06 0x07, then each opposite
  // position with its quantity ending with 0x06, then 0x07.
  static std::string offsetList(const OffsetEntry& position, std::span<const OffsetEntry> opposite);

  // The numeric value of a price text as the order records read it: its leading decimal number
  // (leading white space skipped, optional sign, then a digit or a point), 0 when there is none or
  // when it is not finite ("inf", "nan", "1e999").
  static double leadingNumber(std::string_view text);
};

}  // namespace td
