#pragma once
// The chart-history requests of the session and the cache of their replies.
//
// A chart view looks in the cache under its chart key (item code "^" interval code) first; only on
// a miss does it raise the session's Requestid, observe "MainviewChartDataReceivedNotification%d"
// with the raised value and send the request, which carries that value in tag 20 as it is held.
// Every request sent is remembered, in the order sent, until its reply comes: the request channel
// answers one request at a time, in that order, so a reply is the reply of the request whose id it
// carries, else of the oldest one of the key its header names, else of the oldest one. The
// requests sent before that one get no reply any more (the channel dropped them) and are forgotten.
// A reply ends the wait of its own request, of those forgotten, and of every request of the key it
// names, so that every view waiting for the symbol and interval hears of it. It is filed under
// the key it names and under the key of its request (the first reply per key is kept), so that
// the view finds it under its own key.

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

  // A chart reply (tag 17 of type 1041) and the request id it carries (tag 20), if any: filed as
  // above, and the ids of the waits it ends given back, oldest first. A reply without a key is
  // filed nowhere (one log line) but still ends the wait of its request.
  std::vector<std::int32_t> ChartDataReceived(std::string_view reply,
                                              std::optional<std::int32_t> requestId = std::nullopt);

  // The cached reply under a key, or none.
  const std::string* chartData(std::string_view key) const;
  const ChartDataCollection& chartDataCollection() const { return cache_; }
  // Requests whose view still waits for a reply.
  std::size_t unansweredRequests() const;
  // Requests whose reply may still come.
  std::size_t outstandingReplies() const { return sent_.size(); }

  // Requests remembered at most; beyond, the oldest is forgotten with a log line.
  static constexpr std::size_t kMaxOutstanding = 64;

 private:
  struct Sent {
    std::int32_t requestId;
    std::string key;
    bool waiting;  // its view has not heard of a reply yet
  };

  ChartDataCollection& cache_;
  std::vector<Sent> sent_;  // in the order sent
};

}  // namespace td
