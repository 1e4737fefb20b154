#pragma once
// The probe's own minimal session: until the client's session object (BusinessBase) exists, this
// file stands in for it, and it is the one place to replace with BusinessBase calls. It uses the
// real client layers for everything else: the request writer (MessageBase with the session and
// data-set requests) for every request, the envelope and session-key functions of the wire, the
// login data-set loader of the model (ReferenceData) and the FrameReassembler for frames.
//
// It handles: the login data set (33: load it, count items, accounts and groups, switch to the
// session key), the refusal (47), the session opening (18: ping timer, feed and request channels,
// the initial data sets, subscriptions), ping replies (1019), account summaries (1045), data-set
// replies (1024), logged in elsewhere (44), relogin (1028), instrument status (1049), envelopes (76)
// and the feed lines (prices, depth, status). Every event becomes one line through ProbeHost.
// Everything here runs on the probe's main thread.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "ProbeOptions.h"
#include "model/ReferenceData.h"
#include "platform/LoginInputdata.h"
#include "transport/FrameReassembler.h"
#include "wire/MessageBase.h"

namespace td::probe {

// What the session needs of the probe around it.
class ProbeHost {
 public:
  virtual ~ProbeHost() = default;
  virtual void print(const std::string& line) = 0;
  // Writes one frame to the TCP session; false when the session is gone.
  virtual bool sendTcp(std::string_view frame) = 0;
  // Queues one frame for the request channel.
  virtual void sendRequest(std::string frame) = 0;
  // Opens the feed and request channels to the server host.
  virtual void openChannels(int pubPort, int repPort) = 0;
  virtual void subscribe(const std::string& topic) = 0;
  // The session ended: `disconnectReason` (closed, timeout, refused:<code>, elsewhere, relogin)
  // when the server ended it, then the result.
  virtual void finish(bool ok, const std::string& reason, const std::string& disconnectReason) = 0;
};

class ProbeSession final : public MessageSink {
 public:
  ProbeSession(ProbeHost& host, const ProbeOptions& options);

  // The TCP session stands: sends the login request.
  void connected();
  // One frame of the TCP session (without 0x01 and 0x02).
  void tcpFrame(std::string_view frame);
  // One frame of a request-channel reply.
  void requestFrame(std::string_view frame);
  // One line of the subscription feed.
  void feedLine(std::string_view line);
  // The one-second keep-alive, once the session is open.
  void pingTimer();
  // The server closed the TCP session.
  void connectionClosed();

  bool sessionOpen() const { return sessionOpen_; }
  int ticksSeen() const { return ticks_; }

  // MessageSink
  bool SendMessage(std::string_view frame, bool toZMQ) override;
  void PingHandedToEnvelope() override;

  // Feed-line helpers (kept apart so that tests can check them).
  struct PriceLine {
    std::string code;
    double bid = 0;
    double ask = 0;
  };
  static std::optional<PriceLine> decodePriceLine(std::string_view line);
  // Buy and sell level counts of a depth line without its "MD_" prefix.
  static std::optional<std::pair<std::string, std::pair<int, int>>> decodeDepthLine(std::string_view line);
  static int networkSpeedRating(double seconds);

 private:
  void dispatch(std::string_view frame, int depth);
  void onLoginData(std::string_view form, std::string_view payload, std::string_view referenceId,
                   std::string_view serverTime);
  void onRefused(std::string_view form, std::string_view payload);
  void onSessionOpen();
  void requestInitialDataSets();
  void end(bool ok, const std::string& reason, const std::string& disconnectReason);
  std::string now() const;

  ProbeHost& host_;
  const ProbeOptions& options_;
  LoginInputdata logindata_;
  MessageBase messageBase_;
  ReferenceData reference_;
  FrameReassembler inner_;
  FrameReassembler statusFrames_;
  std::optional<std::string> referenceId_;
  std::string serverTime_;
  std::int32_t requestId_ = 0;
  std::optional<std::chrono::steady_clock::time_point> pingTime_;
  bool loginLoaded_ = false;
  bool sessionOpen_ = false;
  bool ended_ = false;
  int ticks_ = 0;
};

}  // namespace td::probe
