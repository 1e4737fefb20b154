#pragma once
// What the probe needs to follow one order: the server's reports as the session receives them, and
// the matching of those reports to the order.
//
// ReportTap stands between the transport and the session: it hands every event on unchanged and,
// before a frame of the TCP session or the request channel reaches the session, opens its envelopes
// (under the pass phrase the session itself will use for that frame) and compressed payloads and
// passes each execution report (62), settlement (66) and position report (67) inside to a callback.
// All calls come on the main thread.
//
// OrderTrack follows one order through those reports: first by the request id the order went out
// with (tag 33), then by the working-order id (79) and the position id (80) the server gave it.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "session/SessionTransport.h"
#include "transport/FrameReassembler.h"

namespace td {
class LoginInputdata;
class ReceivedMessage;
}  // namespace td

namespace td::probe {

class ReportTap final : public ConnectionEvents {
 public:
  using ReportHandler = std::function<void(const ReceivedMessage& report)>;
  // Called after the session has handled a frame that carried at least one report.
  using AfterHandler = std::function<void()>;

  ReportTap(const LoginInputdata& logindata, ReportHandler onReport, AfterHandler afterReports);

  // Wraps a transport factory: the transport it makes reports to this tap, which forwards to the
  // session. The tap must outlive every transport made.
  SessionTransportFactory wrap(SessionTransportFactory inner);

  // The reports inside one frame (length, 0x03 and body), envelopes and compressed payloads opened.
  // Returns how many reports were handed to the callback.
  std::size_t inspect(std::string_view frame);

  // ConnectionEvents
  void connectionDidConnect(bool demoRegistration) override;
  void connectionDidReceiveFrame(std::string frame, FrameChannel channel) override;
  void connectionDidReceiveSubscriptionUpdate(std::string update) override;
  void connectionDidFail(const std::optional<GCDAsyncSocketError>& error) override;

 private:
  static constexpr int kMaxDepth = 8;
  void inspectAt(std::string_view frame, int depth, std::size_t& reports);
  void inspectText(std::string_view text, int depth, std::size_t& reports);

  const LoginInputdata& logindata_;
  ReportHandler onReport_;
  AfterHandler afterReports_;
  ConnectionEvents* session_ = nullptr;
};

class OrderTrack {
 public:
  struct Outcome {
    std::string line;    // ORDER <type>/<status> pending=<id> position=<id>
    bool final = false;  // the order's last report: opened as a position, or cancelled, rejected, expired
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
