#include "http/HTTPProxyTunnel.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <thread>

#include "http/RunLoop.h"

namespace td {
namespace {

// The most of a proxy's answer that is read: a head or a refusal's body beyond this is no answer.
constexpr std::size_t kAnswerLimit = 256 * 1024;

constexpr const char* kBodyTooLarge = "The proxy's answer to CONNECT has a body larger than is read";

// Whether a Transfer-Encoding value ends in the chunked coding, which frames the body.
bool endsInChunked(std::string_view codings) {
  const auto comma = codings.rfind(',');
  return equalsIgnoringCase(trimWhitespace(comma == std::string_view::npos ? codings : codings.substr(comma + 1)),
                            "chunked");
}

// Whether a connection kept between CONNECTs is still open: nothing to read (an end or stray bytes
// would make it unusable) and no error.
bool stillOpen(int fd) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, 0) == 0;
}

}  // namespace

// A name lookup on a thread of its own. The loop watches `ready` for the result; an abandoned lookup
// finishes alone and frees what it found with the last reference.
struct HTTPProxyTunnel::NameLookup {
  const int ready = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  std::mutex lock;
  int status = EAI_SYSTEM;
  int error = 0;  // errno, for EAI_SYSTEM
  addrinfo* result = nullptr;

  ~NameLookup() {
    if (ready >= 0) ::close(ready);
    if (result) ::freeaddrinfo(result);
  }
};

HTTPProxyTunnel::HTTPProxyTunnel(std::string proxyHost, int proxyPort, std::string target)
    : proxyHost_(std::move(proxyHost)), proxyPort_(proxyPort), target_(std::move(target)) {}

HTTPProxyTunnel::~HTTPProxyTunnel() {
  // Between asks nothing is watched; a connection still open closes with the tunnel.
  if (fd_ >= 0) ::close(fd_);
  if (addresses_) ::freeaddrinfo(addresses_);
}

bool HTTPProxyTunnel::isFor(std::string_view proxyHost, int proxyPort, std::string_view target) const {
  return proxyHost_ == proxyHost && proxyPort_ == proxyPort && target_ == target;
}

void HTTPProxyTunnel::ask(RunLoop& loop, const std::vector<std::pair<std::string, std::string>>& fields,
                          AnswerHandler done) {
  if (state_ != State::Ready && state_ != State::Closed) closeConnection();
  loop_ = &loop;
  done_ = std::move(done);
  out_ = "CONNECT " + target_ + " HTTP/1.1\r\nHost: " + target_ + "\r\n";
  for (const auto& [name, value] : fields) out_ += name + ": " + value + "\r\n";
  out_ += "Proxy-Connection: Keep-Alive\r\n\r\n";
  in_.clear();
  body_.clear();
  parser_.reset();
  headComplete_ = false;
  headBytes_ = 0;
  bodyLeft_ = 0;
  chunked_.reset();
  if (state_ == State::Ready && stillOpen(fd_)) {
    state_ = State::Asking;
    watch(fd_, CURL_WAIT_POLLOUT);
    return;
  }
  closeConnection();
  lookUp();
}

void HTTPProxyTunnel::abandon() {
  if (state_ == State::Ready || state_ == State::HandedOver || state_ == State::Closed) return;
  done_ = nullptr;
  closeConnection();
}

void HTTPProxyTunnel::lookUp() {
  state_ = State::LookingUp;
  const std::string port = std::to_string(proxyPort_);
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
  if (::getaddrinfo(proxyHost_.c_str(), port.c_str(), &hints, &addresses_) == 0) {
    connectFrom(addresses_);
    return;
  }
  addresses_ = nullptr;
  auto lookup = std::make_shared<NameLookup>();
  if (lookup->ready < 0) {
    fail(CURLE_COULDNT_RESOLVE_PROXY, "The proxy's name could not be looked up: " + std::string(std::strerror(errno)));
    return;
  }
  try {
    std::thread([lookup, host = proxyHost_, port] {
      addrinfo hints{};
      hints.ai_socktype = SOCK_STREAM;
      hints.ai_flags = AI_NUMERICSERV | AI_ADDRCONFIG;
      addrinfo* result = nullptr;
      const int status = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &result);
      const int error = errno;
      {
        std::lock_guard hold(lookup->lock);
        lookup->status = status;
        lookup->error = error;
        lookup->result = result;
      }
      const std::uint64_t one = 1;
      [[maybe_unused]] const ssize_t written = ::write(lookup->ready, &one, sizeof one);
    }).detach();
  } catch (const std::system_error& e) {
    fail(CURLE_COULDNT_RESOLVE_PROXY, "The proxy's name could not be looked up: " + std::string(e.what()));
    return;
  }
  lookup_ = std::move(lookup);
  watch(lookup_->ready, CURL_WAIT_POLLIN);
}

void HTTPProxyTunnel::nameFound() {
  std::uint64_t count = 0;
  if (::read(lookup_->ready, &count, sizeof count) != sizeof count) return;  // not yet
  unwatch();
  auto lookup = std::move(lookup_);
  int status, error;
  {
    std::lock_guard hold(lookup->lock);
    status = lookup->status;
    error = lookup->error;
    addresses_ = std::exchange(lookup->result, nullptr);
  }
  if (status != 0 || !addresses_) {
    fail(CURLE_COULDNT_RESOLVE_PROXY, "The proxy's name " + proxyHost_ + " could not be looked up: " +
                                          (status == EAI_SYSTEM ? std::strerror(error) : ::gai_strerror(status)));
    return;
  }
  connectFrom(addresses_);
}

void HTTPProxyTunnel::connectFrom(addrinfo* address) {
  state_ = State::Connecting;
  for (; address; address = address->ai_next) {
    const int fd = ::socket(address->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
      lastConnectError_ = std::strerror(errno);
      continue;
    }
    if (::connect(fd, address->ai_addr, address->ai_addrlen) == 0 || errno == EINPROGRESS) {
      fd_ = fd;
      trying_ = address;
      watch(fd_, CURL_WAIT_POLLOUT);
      return;
    }
    lastConnectError_ = std::strerror(errno);
    ::close(fd);
  }
  fail(CURLE_COULDNT_CONNECT, "Failed to connect to the proxy " + proxyHost_ + " port " + std::to_string(proxyPort_) +
                                  ": " + lastConnectError_);
}

void HTTPProxyTunnel::socketReady(short revents) {
  if (state_ == State::LookingUp) {
    nameFound();
    return;
  }
  if (state_ == State::Connecting) {
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    if (error != 0) {
      lastConnectError_ = std::strerror(error);
      unwatch();
      ::close(fd_);
      fd_ = -1;
      connectFrom(trying_->ai_next);
      return;
    }
    connected();
    return;
  }
  if (state_ != State::Asking) return;
  if ((revents & CURL_WAIT_POLLOUT) && !out_.empty()) {
    if (!writePending()) return;
    if (out_.empty()) watch(fd_, CURL_WAIT_POLLIN);
  }
  if (revents & CURL_WAIT_POLLIN) readAnswer();
}

void HTTPProxyTunnel::connected() {
  ::freeaddrinfo(addresses_);
  addresses_ = trying_ = nullptr;
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  char text[INET6_ADDRSTRLEN] = {};
  std::string peer;
  if (::getpeername(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    if (address.ss_family == AF_INET6) {
      const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
      ::inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
      peer = "[" + std::string(text) + "]:" + std::to_string(ntohs(v6->sin6_port));
    } else {
      const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
      ::inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
      peer = std::string(text) + ":" + std::to_string(ntohs(v4->sin_port));
    }
  }
  {
    std::lock_guard hold(handedLock_);
    peer_ = std::move(peer);
  }
  state_ = State::Asking;
}

bool HTTPProxyTunnel::writePending() {
  const ssize_t n = ::send(fd_, out_.data(), out_.size(), MSG_NOSIGNAL);
  if (n < 0) {
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return true;
    fail(CURLE_SEND_ERROR, "Failed to send CONNECT to the proxy: " + std::string(std::strerror(errno)));
    return false;
  }
  out_.erase(0, static_cast<std::size_t>(n));
  return true;
}

void HTTPProxyTunnel::readAnswer() {
  char buffer[16384];
  const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
  if (n < 0) {
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return;
    fail(CURLE_RECV_ERROR, "Failed to read the proxy's answer to CONNECT: " + std::string(std::strerror(errno)));
    return;
  }
  if (n == 0) {
    fail(CURLE_RECV_ERROR, "The proxy closed the connection before it answered CONNECT");
    return;
  }
  in_.append(buffer, static_cast<std::size_t>(n));
  while (!headComplete_) {
    const auto end = in_.find('\n');
    if (headBytes_ + (end == std::string::npos ? in_.size() : end) > kAnswerLimit) {
      fail(CURLE_WEIRD_SERVER_REPLY, "The head of the proxy's answer to CONNECT is too large");
      return;
    }
    if (end == std::string::npos) return;
    const bool complete = parser_.addLine(std::string_view(in_).substr(0, end + 1));
    headBytes_ += end + 1;
    in_.erase(0, end + 1);
    if (!complete) continue;
    headComplete_ = true;
    const HTTPResponseHead& head = parser_.head();
    if (head.statusCode / 100 == 2) {
      // The tunnel is open: the origin speaks only once the client has (TLS begins with the client).
      if (!in_.empty()) fail(CURLE_WEIRD_SERVER_REPLY, "The proxy sent bytes after opening the tunnel");
      else answerComplete(true);
      return;
    }
    // A refusal's body, counted or chunked, is read whole to keep the connection (where an NTLM
    // handshake goes on). One that runs to the end of the connection, or comes in another coding,
    // is not read, and its connection not kept.
    if (const std::string* coding = head.headers.find("Transfer-Encoding")) {
      if (!endsInChunked(*coding)) {
        answerComplete(false);
        return;
      }
      chunked_.emplace(kAnswerLimit);
    } else {
      const std::string* length = head.headers.find("Content-Length");
      const auto bytes = length ? parseContentLength(*length) : std::nullopt;
      if (!bytes) {
        answerComplete(false);
        return;
      }
      if (*bytes > kAnswerLimit) {
        fail(CURLE_WEIRD_SERVER_REPLY, kBodyTooLarge);
        return;
      }
      bodyLeft_ = *bytes;
    }
  }
  if (chunked_) {
    switch (chunked_->read(in_, body_)) {
      case HTTPChunkedBody::Status::NeedMore:
        return;
      case HTTPChunkedBody::Status::Complete:
        break;
      case HTTPChunkedBody::Status::Malformed:
        fail(CURLE_WEIRD_SERVER_REPLY, "The proxy's answer to CONNECT has a malformed chunked body");
        return;
      case HTTPChunkedBody::Status::TooLarge:
        fail(CURLE_WEIRD_SERVER_REPLY, kBodyTooLarge);
        return;
    }
  } else {
    const std::size_t taken = std::min<std::size_t>(in_.size(), bodyLeft_);
    body_.append(in_, 0, taken);
    in_.erase(0, taken);
    bodyLeft_ -= taken;
    if (bodyLeft_ > 0) return;
  }
  const HTTPResponseHead& head = parser_.head();
  auto says = [&](const char* name, const char* token) {
    const std::string* value = head.headers.find(name);
    return value && toLower(*value).find(token) != std::string::npos;
  };
  const bool persistent = head.httpVersion == "HTTP/1.0" ? says("Connection", "keep-alive") ||
                                                              says("Proxy-Connection", "keep-alive")
                                                        : !says("Connection", "close") && !says("Proxy-Connection", "close");
  answerComplete(persistent && in_.empty());
}

void HTTPProxyTunnel::answerComplete(bool keepConnection) {
  unwatch();
  Answer answer{nullptr, parser_.head(), std::move(body_)};
  body_.clear();
  if (answer.head.statusCode / 100 == 2) {
    state_ = State::Open;
  } else if (keepConnection) {
    state_ = State::Ready;
  } else {
    closeConnection();
  }
  deliver(std::move(answer));
}

void HTTPProxyTunnel::fail(CURLcode code, std::string text) {
  closeConnection();
  deliver(Answer{HTTPError::make(HTTPTransportErrorDomain, code, std::move(text)), {}, {}});
}

void HTTPProxyTunnel::deliver(Answer answer) {
  if (auto done = std::exchange(done_, nullptr)) done(std::move(answer));
}

void HTTPProxyTunnel::watch(int fd, short events) {
  if (source_ != 0) {
    loop_->removeFdSource(source_);
    source_ = 0;
  }
  std::weak_ptr<HTTPProxyTunnel> weak = weak_from_this();
  source_ = loop_->addFdSource(fd, events, [weak](short revents) {
    if (auto self = weak.lock()) self->socketReady(revents);
  });
}

void HTTPProxyTunnel::unwatch() {
  if (source_ != 0 && loop_) loop_->removeFdSource(source_);
  source_ = 0;
}

void HTTPProxyTunnel::closeConnection() {
  unwatch();
  lookup_.reset();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (addresses_) ::freeaddrinfo(addresses_);
  addresses_ = trying_ = nullptr;
  state_ = State::Closed;
}

curl_socket_t HTTPProxyTunnel::handOver() {
  if (state_ != State::Open) return CURL_SOCKET_BAD;
  std::lock_guard hold(handedLock_);
  handedFd_ = std::exchange(fd_, -1);
  state_ = State::HandedOver;
  return handedFd_;
}

std::string HTTPProxyTunnel::peer() const {
  std::lock_guard hold(handedLock_);
  return peer_;
}

bool HTTPProxyTunnel::carriedByTransport() const {
  std::lock_guard hold(handedLock_);
  return handedFd_ >= 0;
}

int HTTPProxyTunnel::closeSocket(void* tunnel, curl_socket_t socket) {
  auto* self = static_cast<HTTPProxyTunnel*>(tunnel);
  {
    std::lock_guard hold(self->handedLock_);
    if (self->handedFd_ == socket) self->handedFd_ = -1;
  }
  return ::close(socket);
}

}  // namespace td
