#pragma once
// The chart-history requests of the session and the cache of their replies.
//
// A chart view looks in the cache under its chart key (item code "^" interval code) first; only on
// a miss does it raise the session's Requestid, observe "MainviewChartDataReceivedNotification%d"
// with the raised value and send the request, which carries that value in tag 20 as it is held.
// Every request sent is remembered, in the order sent, until its reply comes. A reply is filed
// under the key its header names and under no other, so a key serves later loads with its own
// history only. A later reply of a key replaces the one held: a view asks anew when the history it
// finds has grown old (its newest bar lies too far back), and the fresh reply is then what every
// later load of that key finds. Each key keeps the time it was filed, on the clock given. Its own request is the oldest one of that key
// carrying the id the reply carries (any id when it carries none): ids repeat, since every reply
// moves the session's counter back, and a request may have been forgotten. The request channel
// answers one request at a time, in the order sent, so the requests sent before its own got no
// reply (the channel dropped them) and are forgotten. A reply ends the wait of its own request, of
// those forgotten, and of every request of its key, so that every view waiting for the symbol and
// interval hears of it; the id it carries is told too. A view told whose key holds nothing yet
// finds nothing there and may go on waiting (two views may share an id).
// A request is in flight from its sending until its reply comes, a later request's reply comes, or
// the request channel reports its outcome (for a request sent with its number on the channel); a
// view that asks again while one of its key is in flight may wait for that one instead.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Clock.h"
#include "wire/MessageBase.h"
#include "wire/SessionRequests.h"

namespace td {

using ChartDataCollection = std::map<std::string, std::string, std::less<>>;

class ChartRequests {
 public:
  // The cache is the session's `chartDataCollection`; it and the clock must outlive this object.
  explicit ChartRequests(ChartDataCollection& cache, const Clock& clock = Clock::steady())
      : cache_(cache), clock_(clock) {}

  // Posted on the main thread when the session's request channel has been opened anew after the
  // network came back: a view that has no history may ask again.
  static constexpr const char* kRequestChannelBack = "RequestChannelReconnectedNotification";
  // Posted on the main thread, with the chart key (std::string) as its object, when the request
  // channel reports that a request of that key ended without a reply: a view waiting for that key
  // may ask again.
  static constexpr const char* kRequestUnanswered = "ChartRequestUnansweredNotification";

  // "%@^%@" of the item code and the interval code.
  static std::string chartKey(std::string_view itemCode, std::string_view interval);
  // The key a reply names: its header runs from the second character to the character before the
  // first ">", cut at "~"; the key is field 1. None when there is no ">" or no second field.
  static std::optional<std::string> chartKeyOfReply(std::string_view reply);
  // "MainviewChartDataReceivedNotification%d".
  static std::string notificationName(std::int32_t requestId);

  // `requestChartData:Interval:NoOfData:`: type 1040 with 20 = session.Requestid as held. A request
  // that reached the transport is remembered as unanswered under its key; `number` is its number on
  // the request channel, when known.
  bool requestChartData(MessageBase& messageBase, const SessionValues& session, std::string_view itemCode,
                        std::string_view interval, std::int32_t noOfData,
                        std::optional<std::uint64_t> number = std::nullopt);
  // The request channel has reported the outcome of every request numbered below `finished`: those
  // whose reply has not come got none and are no longer in flight. Gives back the keys of those
  // this report ends whose view still waited, each once, in the order sent.
  std::vector<std::string> requestsFinished(std::uint64_t finished);
  // The id of the latest request of a key still in flight; none when there is none.
  std::optional<std::int32_t> requestInFlight(std::string_view key) const;

  // A chart reply (tag 17 of type 1041) and the request id it carries (tag 20), if any: filed as
  // above, and the ids to tell given back, each once, oldest first. A reply without a key is filed
  // nowhere and ends nothing (one log line).
  std::vector<std::int32_t> ChartDataReceived(std::string_view reply,
                                              std::optional<std::int32_t> requestId = std::nullopt);

  // The cached reply under a key, or none.
  const std::string* chartData(std::string_view key) const;
  // How long ago the reply under a key was filed; none for a key that no reply filed here (an
  // entry put into the cache by other means has no known age).
  std::optional<Clock::Duration> ageOf(std::string_view key) const;
  const ChartDataCollection& chartDataCollection() const { return cache_; }
  // Requests whose view still waits for a reply.
  std::size_t unansweredRequests() const;
  // Requests whose reply may still come.
  std::size_t outstandingReplies() const { return sent_.size(); }

  // Requests remembered at most; beyond, the oldest is forgotten with a log line (its reply is
  // still filed under its own key and tells the id it carries).
  static constexpr std::size_t kMaxOutstanding = 64;

 private:
  struct Sent {
    std::int32_t requestId;
    std::string key;
    bool waiting;                         // its view has not heard of a reply yet
    std::optional<std::uint64_t> number;  // on the request channel
  };

  ChartDataCollection& cache_;
  const Clock& clock_;
  std::map<std::string, Clock::TimePoint, std::less<>> filedAt_;  // chart key -> when its reply was filed
  std::vector<Sent> sent_;  // in the order sent
  std::uint64_t finished_ = 0;  // the channel has reported the outcome of every request numbered below
};

}  // namespace td
