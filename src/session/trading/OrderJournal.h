#pragma once
// The journal lines of the order flow: the server time of the message in hand, "#$#", the event.

#include <optional>
#include <string>
#include <string_view>

#include "model/Order.h"

namespace td {

class OrderJournal {
 public:
  // `getOrderJournalData::`: serverTime ("yyyyMMddHHmmss") written "MMM dd, yyyy HH:mm:ss" (the
  // calendar year), "#$#", then by code
  //   3 "Order is under processing <ItemCode> Request id : <RequestId>"
  //   4 "Order pending for <ItemCode> Pending id : <PendingOrderId> Remaining Quantity : <RemainingQty>"
  //   5 "<ItemCode> Pending id : <PendingOrderId>"
  //   6 "Order confirmed for <ItemCode> #<OpenPositionId> @<OrderPrice>"
  //   7 "Order settled for <ItemCode> #<SettlementId> @<SettledPrice>"
  //   8 "Order rejected for <ItemCode>"
  // Any other code gives "" (no time, no separator). A server time that is absent or does not parse
  // leaves the time part empty.
  static std::string getOrderJournalData(int code, const Order& order, const std::optional<std::string>& serverTime);
  // The time part alone.
  static std::string journalTime(const std::optional<std::string>& serverTime);
};

}  // namespace td
