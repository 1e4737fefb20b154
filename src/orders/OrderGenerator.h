#pragma once
// Order records from the parameters an order window gathered (`OrderInfo`): the wire codes, a
// snapshot of the instrument's quote, the session's request id and time, and the entry, take-profit
// and stop-loss prices as typed. The records are not checked here (OrderValidator does that).

#include <cstdint>
#include <string>

#include "model/Order.h"
#include "model/OrderInfo.h"

namespace td {

class ReferenceData;
struct ItemDetails;

// The session values an order record carries.
struct OrderStamp {
  std::int32_t Requestid = 0;  // the session's counter; the record carries it plus one
  std::string ServerTime;      // "yyyyMMddHHmmss", the server time last received
};

class OrderGenerator {
 public:
  // The record of `GenerateOrder:` before its validation. `withPreviousAndDeviation` also copies
  // previousQuantity and deviation (the requests do; the ticket's pre-check does not).
  static Order buildOrder(const OrderInfo& info, const ReferenceData& data, const OrderStamp& stamp,
                          bool withPreviousAndDeviation);

  // `GenerateBulkOrderDetails:`: the record of a multi-account order, without account, quantity
  // and flags. Its RequestId is the one the rows of the bulk details carry (Requestid + 1), for
  // the journal line.
  static Order GenerateBulkOrderDetails(const OrderInfo& info, const ReferenceData& data, const OrderStamp& stamp);

  // Wire code of the side: 0 gives 45, 1 gives 46, any other side 0.
  static std::int32_t tradingModeTag(std::int32_t tradingMode);
};

}  // namespace td
