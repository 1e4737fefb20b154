#pragma once
// The client's end of a session with the trading server: the TCP session (login request, framed and
// encrypted requests out, frames in) and the two ZeroMQ channels (price feed, data-set requests).
//
// Threads: the TCP socket reports on the serial queue "NewQueue", where incoming bytes are cut into
// frames (one reassembler for the TCP stream; the request channel has its own). Frames, feed
// updates, the connect and the failures are handed to the session on the main thread, in arrival
// order per channel; nothing here touches session state. Requests may be sent from any thread.
//
// One object per login attempt; it is not reused after a disconnect.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "transport/FrameReassembler.h"
#include "transport/GCDAsyncSocket.h"
#include "transport/ZMQChannels.h"

namespace td {

class DispatchQueue;
class LoginInputdata;
class MainQueue;

// The channel a frame came on: the TCP session, or a reply of the request channel. The session cuts
// the text it re-enters from a frame (envelopes, compressed payloads) with that channel's own
// reassembler, so an unfinished tail of one channel never joins text of the other.
enum class FrameChannel { Session, Requests };

// What the session hears from its connection. Every call arrives on the main thread.
class ConnectionEvents {
 public:
  virtual ~ConnectionEvents() = default;
  // The TCP session stands. The session writes the login journal line and sends the login request
  // (`LoginRequest`), or, for a demo registration, posts "SendLoginRegistrationRequest".
  virtual void connectionDidConnect(bool demoRegistration) = 0;
  // One frame (length, 0x03 and body, without 0x01 and 0x02) from the TCP session or a reply of the
  // request channel, as `channel` says.
  virtual void connectionDidReceiveFrame(std::string frame, FrameChannel channel) = 0;
  // One update of the subscription channel.
  virtual void connectionDidReceiveSubscriptionUpdate(std::string update) = 0;
  // The connection was lost or could not be made (not a planned disconnect): the session runs the
  // connection-failure path.
  virtual void connectionDidFail(const std::optional<GCDAsyncSocketError>& error) = 0;
  // A request of the request channel has ended, after the frames of its reply if it was answered.
  // Requests end one by one in the order they were sent, so the n-th call ends the n-th request.
  virtual void connectionDidFinishRequest(bool answered) { (void)answered; }
};

class ConnectionBase : public GCDAsyncSocketDelegate, public std::enable_shared_from_this<ConnectionBase> {
 public:
  struct Options {
    // Every read after the first must complete within this time (the server pings every second).
    std::chrono::milliseconds readTimeout{30000};
    // A request-channel request whose reply does not come within this time is dropped.
    std::chrono::milliseconds replyTimeout{30000};
  };

  // `events` and `mainQueue` must outlive the connection or be cleared with shutdown() first.
  static std::shared_ptr<ConnectionBase> create(const LoginInputdata& logindata, ConnectionEvents& events,
                                                MainQueue& mainQueue, Options options);
  static std::shared_ptr<ConnectionBase> create(const LoginInputdata& logindata, ConnectionEvents& events,
                                                MainQueue& mainQueue) {
    return create(logindata, events, mainQueue, Options{});
  }
  ~ConnectionBase() override;

  // Connects the TCP session to `logindata`'s IPAddress and PortNo (no connect time-out). A connect
  // that cannot even start (an empty host, say) takes the failure path at once.
  void ConnectToServer(bool demoRegistration);
  // Hands one framed message to the TCP socket (UTF-8 bytes, no time-out). False when there is no
  // connection to write to.
  bool SendMessagetoServer(std::string_view frame);
  // A planned disconnect: no failure path. The channel threads are stopped.
  void DisconnectServer();
  // The server asked for a new login: closes the session, which then takes the failure path.
  void ReloginRequestDisconnectServer();

  // ---- ZeroMQ channels (call after the login has been accepted) ----
  void ConnectToZMQSubServer(const std::string& host, int port);
  void ConnectToZMQReqServer(const std::string& host, int port);
  // Subscribes (or unsubscribes) each item code and its "MD_<code>;" depth topic, then subscribes
  // "*#bm#*:". Nothing at all when `blocked` says so (the session's only account is suspended).
  void ProcessSubscribeandUnSubscribeItems(const std::vector<std::string>& items, bool subscribe);
  void setSubscriptionsBlocked(std::function<bool()> blocked);
  // option 6 subscribes, 7 unsubscribes.
  void SubscribeandUnsubscribe(const std::string& topic, int option);
  void SendZMQRequestMessagetoServer(std::string frame);

  // Stops every thread and closes the socket without reporting anything more; the events object is
  // no longer called. Called by the session before it goes away. Main thread.
  void shutdown();

  bool isConnected() const;
  bool isNetworkAvailable() const { return isNetworkAvailable_; }
  void setIsNetworkAvailable(bool value) { isNetworkAvailable_ = value; }
  ZMQChannels& channels() { return *channels_; }

  // ---- socket callbacks (on "NewQueue") ----
  void socketDidConnectToHost(GCDAsyncSocket& sock, const std::string& host, std::uint16_t port) override;
  void socketDidReadData(GCDAsyncSocket& sock, std::span<const std::uint8_t> data, std::int64_t tag) override;
  void socketDidDisconnect(GCDAsyncSocket& sock, const std::optional<GCDAsyncSocketError>& error) override;

 private:
  ConnectionBase(const LoginInputdata& logindata, ConnectionEvents& events, MainQueue& mainQueue, Options options);
  void init();
  // Runs fn with the events object on the main thread, unless the connection has shut down by then.
  void toMain(std::function<void(ConnectionEvents&)> fn);

  const LoginInputdata& logindata_;
  MainQueue& mainQueue_;
  Options options_;

  std::mutex eventsMutex_;
  ConnectionEvents* events_;

  std::shared_ptr<DispatchQueue> newQueue_;
  std::shared_ptr<GCDAsyncSocket> socket_;
  FrameReassembler tcpFrames_;  // used on "NewQueue" only
  std::unique_ptr<ZMQChannels> channels_;
  std::function<bool()> subscriptionsBlocked_;  // main thread

  std::atomic<bool> demoRegistration_{false};
  std::atomic<bool> isManualServerDisconnect_{false};
  std::atomic<bool> isNetworkAvailable_{true};
};

}  // namespace td
