#pragma once
// The chart-history requests of the session and the cache of their replies.
//
// A chart view looks in the cache under its chart key (item code "^" interval code) first; only on
// a miss does it raise the session's Requestid, observe "MainviewChartDataReceivedNotification%d"
// with the raised value and send the request, which carries that value in tag 20 as it is held.
// Each request sent is remembered as unanswered under its chart key; a reply is filed under the
// key its header names (the first reply per key is kept) and answers every unanswered request of
// that key, so that every view waiting for the symbol and interval hears of it.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "wire/MessageBase.h"
#include "wire/SessionRequests.h"

namespace td {

using ChartDataCollection = std::map<std::string, std::string, std::less<>>;

class ChartRequests {
 public:
  // The cache is the session's `chartDataCollection`; it must outlive this object.
  explicit ChartRequests(ChartDataCollection& cache) : cache_(cache) {}

  // "%@^%@" of the item code and the interval code.
  static std::string chartKey(std::string_view itemCode, std::string_view interval);
  // The key a reply names: its header runs from the second character to the character before the
  // first ">", cut at "~"; the key is field 1. None when there is no ">" or no second field.
  static std::optional<std::string> chartKeyOfReply(std::string_view reply);
  // "MainviewChartDataReceivedNotification%d".
  static std::string notificationName(std::int32_t requestId);

  // `requestChartData:Interval:NoOfData:`: type 1040 with 20 = session.Requestid as held. A request
  // that reached the transport is remembered as unanswered under its key.
  bool requestChartData(MessageBase& messageBase, const SessionValues& session, std::string_view itemCode,
                        std::string_view interval, std::int32_t noOfData);

  // A chart reply (tag 17 of type 1041): filed under its key unless the key already has data, and
  // the ids of the unanswered requests of that key given back, oldest first; they count as
  // answered from now on. A reply without a key is dropped with a log line and answers nothing.
  std::vector<std::int32_t> ChartDataReceived(std::string_view reply);

  // The cached reply under a key, or none.
  const std::string* chartData(std::string_view key) const;
  const ChartDataCollection& chartDataCollection() const { return cache_; }
  std::size_t unansweredRequests() const { return pending_.size(); }

 private:
  ChartDataCollection& cache_;
  std::vector<std::pair<std::int32_t, std::string>> pending_;  // request id, chart key; in send order
};

}  // namespace td
