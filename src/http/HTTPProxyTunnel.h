#pragma once
// A connection to an HTTP proxy on which the engine asks for a tunnel itself (CONNECT), for a proxy
// whose answer takes several messages on one connection (NTLM). A refusal is read whole and the
// connection kept for the next CONNECT; once the proxy opens the tunnel, its socket goes to the
// transport, which speaks TLS and the request over it and may keep it for later requests. A tunnel
// leads to one origin through one proxy and is never used for anything else.
//
// Nothing of it holds up the loop: the proxy's name is looked up on a thread of its own (a name that
// is an address is taken as it is), and connecting, writing and reading run on the loop's descriptor
// sources. It keeps no deadline of its own: the request that asks has its time-out, and abandons the
// ask when it passes.

#include <curl/curl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "http/HTTPChunkedBody.h"
#include "http/HTTPError.h"
#include "http/HTTPHeaders.h"

struct addrinfo;

namespace td {

class RunLoop;

class HTTPProxyTunnel : public std::enable_shared_from_this<HTTPProxyTunnel> {
 public:
  // The proxy's answer to CONNECT (a 2xx one opens the tunnel), or why none came.
  struct Answer {
    HTTPErrorPtr error;
    HTTPResponseHead head;
    std::string body;
  };
  using AnswerHandler = std::function<void(Answer)>;

  // `target` is the origin as CONNECT names it: "host:port" ("[v6]:port").
  HTTPProxyTunnel(std::string proxyHost, int proxyPort, std::string target);
  ~HTTPProxyTunnel();
  HTTPProxyTunnel(const HTTPProxyTunnel&) = delete;
  HTTPProxyTunnel& operator=(const HTTPProxyTunnel&) = delete;

  bool isFor(std::string_view proxyHost, int proxyPort, std::string_view target) const;

  // Loop thread only. Sends CONNECT with `fields` on this tunnel's connection, opening one first when
  // there is none or the proxy has closed it. `done` runs once on the loop's thread with the answer,
  // unless the ask is abandoned first.
  void ask(RunLoop& loop, const std::vector<std::pair<std::string, std::string>>& fields, AnswerHandler done);
  // Stops an ask under way; its connection is closed, since where it stands is not known.
  void abandon();

  // The open tunnel for the transport: its socket (once; CURL_SOCKET_BAD when no tunnel is open), the
  // address it is connected to as "host:port", and whether the transport still holds it.
  curl_socket_t handOver();
  std::string peer() const;
  bool carriedByTransport() const;
  // The transport's socket-closing callback for the sockets it was handed (any thread).
  static int closeSocket(void* tunnel, curl_socket_t socket);

 private:
  enum class State { Closed, LookingUp, Connecting, Asking, Ready, Open, HandedOver };
  struct NameLookup;

  void lookUp();
  void nameFound();
  void connectFrom(addrinfo* address);
  void socketReady(short revents);
  void connected();
  bool writePending();
  void readAnswer();
  void answerComplete(bool keepConnection);
  void fail(CURLcode code, std::string text);
  void deliver(Answer answer);
  void watch(int fd, short events);
  void unwatch();
  void closeConnection();

  const std::string proxyHost_;
  const int proxyPort_;
  const std::string target_;

  // Loop thread only.
  RunLoop* loop_ = nullptr;
  State state_ = State::Closed;
  std::uint64_t source_ = 0;
  std::shared_ptr<NameLookup> lookup_;
  addrinfo* addresses_ = nullptr;  // what the name gave (freed once connected)
  addrinfo* trying_ = nullptr;     // the address being connected to
  std::string lastConnectError_;
  int fd_ = -1;
  std::string out_;  // what is left of the CONNECT to write
  std::string in_;   // what came and is not taken yet
  HTTPResponseHeadParser parser_;
  bool headComplete_ = false;
  std::size_t headBytes_ = 0;
  std::uint64_t bodyLeft_ = 0;                // of a counted refusal's body
  std::optional<HTTPChunkedBody> chunked_;  // a chunked refusal's body
  std::string body_;
  AnswerHandler done_;

  mutable std::mutex handedLock_;
  int handedFd_ = -1;  // the socket the transport holds
  std::string peer_;
};

}  // namespace td
