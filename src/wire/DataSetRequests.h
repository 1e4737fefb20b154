#pragma once
// The data-set requests (type 1023, kinds 0 to 5) and the chart-history request (1040). They go as
// plain frames to the ZeroMQ request channel. Each stores its tags, then the common tail
// (SessionRequests::setMessageProperties), and builds; the result says whether the frame reached
// the transport. Dates arrive already as wire time stamps ("yyyyMMddHHmmss", setAmpFormat:).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "wire/MessageBase.h"
#include "wire/SessionRequests.h"

namespace td {

// The criteria of a search window (`SearchInfo`) as the requests carry them.
struct SearchValues {
  std::optional<std::string> AccountNumber;       // 34 (financial transactions)
  std::optional<std::string> FromDate;            // 575, as a wire time stamp
  std::optional<std::string> ToDate;              // 576, as a wire time stamp
  std::optional<std::string> TransactionDetails;  // 551 (financial transactions)
};

class DataSetRequests {
 public:
  // Kind 0 with one of the four history contexts (OpenPositionContext, PendingOrderContext,
  // SettledOrderContext, CancelledOrderContext).
  static bool requestHistory(MessageBase& messageBase, const SessionValues& session, std::int32_t UserId,
                             std::string_view context);
  static bool requestOpenPosition(MessageBase& messageBase, const SessionValues& session, std::int32_t UserId);
  static bool requestPendingOrders(MessageBase& messageBase, const SessionValues& session, std::int32_t UserId);
  static bool requestSettledOrders(MessageBase& messageBase, const SessionValues& session, std::int32_t UserId);
  static bool requestCancelledOrders(MessageBase& messageBase, const SessionValues& session, std::int32_t UserId);
  // Kind 1: 160 = "0", 34 = the account id.
  static bool requestEquityPriceinfo(MessageBase& messageBase, const SessionValues& session, std::int32_t UserId,
                                     std::int32_t accountId);
  // Kind 2: 34, 575, 576, 551 from the search.
  static bool requestFinancialTransactions(MessageBase& messageBase, const SessionValues& session,
                                           std::int32_t UserId, const SearchValues& search);
  // Kind 3: 34 = the "AccountId" entry, 575 and 576 = the "FromDate" and "ToDate" entries.
  static bool requestAccountStatement(MessageBase& messageBase, const SessionValues& session, std::int32_t UserId,
                                      const std::optional<std::string>& accountId,
                                      const std::optional<std::string>& fromDate,
                                      const std::optional<std::string>& toDate);
  // Kind 4: 34 = the account's AccountId, 1132 = "1".
  static bool requestBankDetails(MessageBase& messageBase, const SessionValues& session, std::int32_t UserId,
                                 std::int32_t accountId);
  // Kind 5: 575 and 576 from the search.
  static bool requestExecutedPosition(MessageBase& messageBase, const SessionValues& session, std::int32_t UserId,
                                      const SearchValues& search);
  // 1040: 12 = item code, 83 = interval, 20 = Requestid itself (not + 1), 1025 = number of bars.
  static bool requestChartData(MessageBase& messageBase, const SessionValues& session, std::string_view itemCode,
                               std::string_view interval, std::int64_t noOfData);
};

}  // namespace td
