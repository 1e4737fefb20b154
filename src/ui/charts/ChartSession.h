#pragma once
// What a chart asks of the session of the moment: instruments and their live prices, the cache of
// chart-history replies, request ids and chart requests, the watchlist, the notification centre and
// the main queue. CurrentChartSession reads them afresh at every call through
// AppContext::current() (a new login replaces the session); tests put their own in its place.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"

namespace td {
class MainQueue;
class NotificationCenter;
struct ItemDetails;
}  // namespace td

namespace td::charts {

// A reply of the chart cache and how long ago it was filed (none when that is not known).
struct CachedReply {
  std::string text;
  std::optional<Clock::Duration> age;
};

class ChartSession {
 public:
  virtual ~ChartSession() = default;
  // The instrument of an item code; none without a session or for an unknown code.
  virtual std::shared_ptr<const ItemDetails> item(std::string_view code) = 0;
  // The cached reply under a chart key; none when there is none.
  virtual std::optional<CachedReply> cachedReply(std::string_view chartKey) = 0;
  // Raises the session's request id and gives it back; none without a session.
  virtual std::optional<std::int32_t> nextRequestId() = 0;
  // Sends the chart-history request with the session's request id as it is held; false when
  // nothing was sent.
  virtual bool requestChartData(std::string_view code, std::string_view interval, std::int32_t bars) = 0;
  // The id of the session's latest chart request of a key whose reply may still come; none when
  // there is none.
  virtual std::optional<std::int32_t> requestInFlight(std::string_view chartKey) = 0;
  // The watchlist's item codes, in its order.
  virtual std::vector<std::string> selectedSymbols() = 0;
  virtual NotificationCenter& notifications() = 0;
  // None when no main queue runs.
  virtual MainQueue* mainQueue() = 0;
};

class CurrentChartSession final : public ChartSession {
 public:
  static CurrentChartSession& shared();

  std::shared_ptr<const ItemDetails> item(std::string_view code) override;
  std::optional<CachedReply> cachedReply(std::string_view chartKey) override;
  std::optional<std::int32_t> nextRequestId() override;
  bool requestChartData(std::string_view code, std::string_view interval, std::int32_t bars) override;
  std::optional<std::int32_t> requestInFlight(std::string_view chartKey) override;
  std::vector<std::string> selectedSymbols() override;
  NotificationCenter& notifications() override;
  MainQueue* mainQueue() override;
};

}  // namespace td::charts
