#pragma once
// Execution reports: the working, cancelled, open, closed and settled collections follow the
// server's reports of type 62 (order status in tag 73), 67 (74 executed, 73 status update) and 66
// (settled). Journal lines go to the book's journal; alerts, confirmations and notifications to
// TradingEvents. The dispatcher writes the log line of each report's name (OrderPending,
// OrderExecuted, OrderSettled ...) before it calls in here.
//
// Matching rules:
// - Ids match only when both are set (sameId): an order that has no working-order id yet, or a
//   report without one, matches nothing by it.
// - A request id matches only when it is not 0: orders built from reports carry request id 0, so a
//   report without a request id never takes one of them for its own.
// - A rejection that carries a working-order id (tag 79) is recorded and removed by that id alone.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/ReferenceData.h"
#include "session/ReceivedMessage.h"
#include "session/trading/OrderBook.h"
#include "session/trading/ReportFields.h"
#include "session/trading/TradingEvents.h"
#include "session/trading/TradingObserver.h"

namespace td {

// The session values a report is handled with.
struct ReportContext {
  std::int32_t Requestid = 0;             // tag 20 or 33 of this message (the later), else the previous
  std::optional<std::string> ServerTime;  // "yyyyMMddHHmmss", for the journal lines
};

class ExecutionReports {
 public:
  // observer: none, or one that outlives this object (the probe's lines, tests).
  ExecutionReports(OrderBook book, ReferenceData& reference, TradingEvents& events,
                   TradingObserver* observer = nullptr)
      : book_(book), reference_(reference), events_(events), observer_(observer) {}

  // Message type 62, dispatched by its status (tag 73).
  void ProcessOrderReport(const ReceivedMessage& report, const ReportContext& context);
  // Message type 67: status 74 an execution, 73 a status update of an open position.
  void ProcessPositionReport(const ReceivedMessage& report, const ReportContext& context);
  // Message type 66.
  void FillSettledOrderCollection(const ReceivedMessage& report, const ReportContext& context);

  // ---- the steps, for the handlers above and for tests ----
  // Status 28: a new working order replaces the entry of the same request id (when not 0) or
  // working-order id, is appended, journaled (code 4) and, for a limit or stop order, announced.
  void FillPendingOrderCollection(const ReceivedMessage& report, const std::optional<std::string_view>& pendingId,
                                  const ReportContext& context);
  // Statuses 22 and 75: rewrites every working order with that working-order id.
  void UpdatePendingOrderCollection(const ReceivedMessage& report, const std::optional<std::string_view>& pendingId);
  // Moves the first matching working order to PendingOrderCollectionCopy: by working-order id, or by
  // request id (the integer value of key, never 0). A missing key does nothing.
  void RemovePendingOrder(const std::optional<std::string_view>& key, bool byPendingId);
  // Status 24: a cancelled record built from the report, its quantity the remaining quantity of the
  // removed working order.
  void FillCancelledOrder(const ReceivedMessage& report);
  // Status 25: the rejected working order (by working-order id when the report has one, else by
  // request id) is recorded as cancelled and journaled (code 8). False when none matched.
  bool FillRejectedOrder(const std::optional<std::string_view>& pendingId, std::int32_t requestId,
                         const ReceivedMessage& report, const ReportContext& context);
  // The bracket rule: the take-profit (wire type 30) or stop-loss (31) price of the open position(s)
  // with that id follows the report's tag 38, or is cleared for statuses 23, 24, 25 and 74.
  void ModifyBracketOrderUpdateonOpenOrderCollection(const ReceivedMessage& report, const std::optional<std::string_view>& positionId,
                                                     std::int32_t status);
  // Type 67 status 74.
  void FillOpenOrderCollection(const ReceivedMessage& report, const ReportContext& context);
  // Type 67 status 73: the position of tag 80 takes the remaining quantity of tag 76 (closed at 0).
  void UpdateOpenOrderCollection(const ReceivedMessage& report);

  // `GetOrderRejectionReason:`: the text for tag 74.
  static std::string GetOrderRejectionReason(std::int32_t code);
  // The log name of a type-62 status, or nullptr.
  static const char* statusName(std::int32_t status);

 private:
  void journal(int code, const Order& order, const ReportContext& context);
  void orderexecuted(const OrderPtr& order, const ReportContext& context);

  OrderBook book_;
  ReferenceData& reference_;
  TradingEvents& events_;
  TradingObserver* observer_;
};

}  // namespace td
