#pragma once
// The probe's following of one order through the reports the session receives (TradingObserver's
// tradingReport): first by the request id the order went out with (tag 33), then by the
// working-order id (79) and the position id (80) the server gave it.

#include <cstdint>
#include <optional>
#include <string>

namespace td {
class ReceivedMessage;
}  // namespace td

namespace td::probe {

class OrderTrack {
 public:
  struct Outcome {
    std::string line;  // ORDER <type>/<status> pending=<id> position=<id>
    // The order's last report: opened as a position, working as a limit or stop order, or
    // cancelled, rejected or expired.
    bool final = false;
  };

  explicit OrderTrack(std::int32_t requestId) : requestId_(requestId) {}

  // The line of a report about this order, or nothing for a report about something else. Learns the
  // working-order and position ids the report gives.
  std::optional<Outcome> take(const ReceivedMessage& report);

  const std::string& pendingId() const { return pendingId_; }
  const std::string& positionId() const { return positionId_; }

 private:
  std::int32_t requestId_;
  std::string pendingId_;
  std::string positionId_;
};

}  // namespace td::probe
