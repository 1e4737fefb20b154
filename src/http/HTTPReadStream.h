#pragma once
// The response stream of one attempt of a request, over one libcurl transfer on a RunLoop. It stands
// in for a platform HTTP read stream: it sends the message (and its body from an ASIInputStream),
// collects the response head, buffers body bytes until its client reads them, and reports three
// events to its client on the loop's thread: bytes available (also once when the head is complete),
// error, end. A stream that is not scheduled reports nothing and its transfer is paused, so its
// connection is not read; scheduling it again resumes it.
//
// Events are delivered at the top of the loop, never from inside the transport's callbacks, so a
// client may open, schedule and close streams while it handles one.

#include <curl/curl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "http/HTTPError.h"
#include "http/HTTPHeaders.h"
#include "http/HTTPProxyTunnel.h"

namespace td {

class RunLoop;
class ASIInputStream;

enum HTTPStreamEvent : int {
  HTTPStreamEventHasBytesAvailable = 2,
  HTTPStreamEventErrorOccurred = 8,
  HTTPStreamEventEndEncountered = 16,
};

class HTTPReadStreamClient {
 public:
  virtual ~HTTPReadStreamClient() = default;
  virtual void handleNetworkEvent(int event) = 0;
};

// The connection cache of one persistent-connection record: streams that carry the same share ride
// on the same connection while the server keeps it open; dropping the share closes it.
class HTTPConnectionShare {
 public:
  HTTPConnectionShare();
  ~HTTPConnectionShare();
  HTTPConnectionShare(const HTTPConnectionShare&) = delete;
  HTTPConnectionShare& operator=(const HTTPConnectionShare&) = delete;
  CURLSH* handle() const { return share_; }
  // The engine's own tunnel through the proxy to `target` ("host:port") for this share's streams,
  // made on first use. Tunnels live as long as the share: the connections it keeps call them.
  std::shared_ptr<HTTPProxyTunnel> tunnelTo(const std::string& proxyHost, int proxyPort, const std::string& target);

 private:
  CURLSH* share_ = nullptr;
  std::mutex mutex_;
  std::mutex tunnelsLock_;
  std::vector<std::shared_ptr<HTTPProxyTunnel>> tunnels_;
  static void lock(CURL*, curl_lock_data, curl_lock_access, void* self);
  static void unlock(CURL*, curl_lock_data, void* self);
};

struct HTTPStreamSettings {
  std::string method = "GET";
  std::string url;  // without user information
  bool useHTTPVersionOne = false;
  std::vector<std::pair<std::string, std::string>> headers;
  std::shared_ptr<ASIInputStream> body;  // none: no body
  std::uint64_t bodyLength = 0;
  // TLS.
  bool validatesSecureCertificate = true;
  std::string clientCertificateChainPEM;  // identity certificate, then further certificates
  std::string clientPrivateKeyPEM;
  // Proxy: empty host for none.
  std::string proxyHost;
  int proxyPort = 0;
  bool socksProxy = false;
  std::vector<std::pair<std::string, std::string>> proxyTunnelHeaders;  // sent with CONNECT
  // Connection reuse: a share to ride on, or none for a connection of its own that is not kept.
  std::shared_ptr<HTTPConnectionShare> share;
  // A tunnel of the engine's own through the HTTP proxy (one of the share's): the transport goes to
  // the origin over the tunnel's socket instead of through the proxy. With `askTunnel` the proxy is
  // first asked for it (CONNECT with proxyTunnelHeaders), and a refusal is the stream's response;
  // otherwise the stream rides the tunnel that the transport keeps open.
  std::shared_ptr<HTTPProxyTunnel> tunnel;
  bool askTunnel = false;

  // Whether a transfer set up for `other` is set up for these settings as well: the two agree on
  // every setting that turns into an option. For settings that keep a set-up transfer (see
  // HTTPReadStream): a share, set anew for each stream, and neither a body nor a tunnel.
  bool makesSameOptionsAs(const HTTPStreamSettings& other) const;
};

class HTTPReadStream : public std::enable_shared_from_this<HTTPReadStream> {
  struct Made {
    explicit Made() = default;
  };

 public:
  static std::shared_ptr<HTTPReadStream> create(RunLoop& loop, HTTPStreamSettings&& settings);
  HTTPReadStream(RunLoop& loop, Made) : loop_(loop) {}  // by create() only (one allocation with its count)
  ~HTTPReadStream();
  HTTPReadStream(const HTTPReadStream&) = delete;
  HTTPReadStream& operator=(const HTTPReadStream&) = delete;

  // Loop thread only unless noted.
  void setClient(std::weak_ptr<HTTPReadStreamClient> client);
  // Starts the transfer (once scheduled). False when the transport refused the transfer.
  bool open();
  void schedule();
  void unschedule();
  // Ends the transfer and forgets the client. Safe from any thread (done on the loop's thread).
  void close();
  void closeNow();
  bool isClosed() const { return closed_; }
  // Whether the tunnel the stream was to ride had closed: the request may start over on a new one.
  bool lostTunnel() const { return lostTunnel_; }
  // Whether the response head is the proxy's refusal of the tunnel (its answer to CONNECT). Its body
  // is the proxy's too; where the transport asked for the tunnel, no byte of it is handed over.
  bool refusedTunnel() const { return tunnelRefused_; }
  // Whether the response head is the HTTP proxy's own answer, not the origin's: the response to a
  // plain request through it, or its refusal of a tunnel.
  bool proxyAnswered() const;

  // Reads buffered body bytes; 0 when none are buffered.
  std::size_t read(char* buffer, std::size_t length);
  bool hasBytesAvailable() const { return !pending_.empty(); }
  // The final response head once it is complete (shared: its fields outlive the stream where held).
  const std::shared_ptr<const HTTPResponseHead>& responseHead() const { return head_; }
  // Request body bytes sent so far.
  std::uint64_t bytesWritten() const;
  // The transport's error after an error event.
  HTTPErrorPtr streamError() const { return error_; }

  // For the RunLoop.
  CURL* easy() const { return easy_; }
  bool service();
  bool wantsService() const;
  // Whether service() has anything to do: what wantsService() says, or a pause to apply.
  bool needsService() const;
  void transportFinished(CURLcode result);

 private:
  bool configure(HTTPStreamSettings&& settings);
  void deliver(int event);
  void applyPause();
  void addToTransport();
  void tunnelAnswered(HTTPProxyTunnel::Answer answer);
  void rideTunnel();

  static size_t onHeader(char* data, size_t size, size_t count, void* self);
  static size_t onWrite(char* data, size_t size, size_t count, void* self);
  static int onConnecting(void* self, curl_socket_t socket, curlsocktype purpose);
  static int onRequestReady(void* self, char* peerAddress, char* localAddress, int peerPort, int localPort);
  static size_t onRead(char* data, size_t size, size_t count, void* self);
  static int onSeek(void* self, curl_off_t offset, int origin);
  static curl_socket_t onOpenSocket(void* self, curlsocktype purpose, curl_sockaddr* address);

  RunLoop& loop_;
  std::unique_ptr<HTTPStreamSettings> settings_;  // kept with the handle when the stream ends
  CURL* easy_ = nullptr;
  // The handle stays set up for these settings when the stream ends: not with a body or a tunnel of
  // the engine's (its callbacks point at its own stream or tunnel), nor without a share (the share
  // goes with the stream, and a handle without one is set up to keep no connection).
  bool keepsSetup_ = false;
  curl_slist* headerList_ = nullptr;
  curl_slist* proxyHeaderList_ = nullptr;
  curl_slist* connectTo_ = nullptr;  // to the tunnel's proxy address, keeping its connections apart
  char errorBuffer_[CURL_ERROR_SIZE] = {};
  std::weak_ptr<HTTPReadStreamClient> client_;

  bool opened_ = false;
  bool added_ = false;
  bool scheduled_ = false;
  bool closed_ = false;
  bool curlPaused_ = false;
  bool tunnelling_ = false;     // a head now would be the proxy's answer to CONNECT
  bool tunnelRefused_ = false;  // the head is the proxy's refusal of the tunnel
  bool awaitingTunnel_ = false;  // the proxy has not answered the engine's own CONNECT yet
  bool lostTunnel_ = false;     // the transport wanted a new connection where the tunnel was

  HTTPResponseHeadParser parser_;
  std::shared_ptr<const HTTPResponseHead> head_;  // once complete
  bool headPending_ = false;
  std::string pending_;
  std::size_t pendingOffset_ = 0;
  std::optional<CURLcode> finished_;
  bool endDelivered_ = false;
  bool stalled_ = false;  // the client took nothing of what is buffered
  HTTPErrorPtr error_;
};

}  // namespace td
