#pragma once
// Shared pieces of the socket tests: a recording delegate and a blocking loopback peer.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/DispatchQueue.h"
#include "transport/GCDAsyncSocket.h"

namespace td::test {

// A socket whose last reference goes on its own queue finishes that queue's thread on its own; the
// program waits for every queue thread before it exits, so none of them still runs while the process's
// static objects (OpenSSL's among them) are torn down.
class SelfFinishingThreadsWait final : public ::testing::Environment {
 public:
  void TearDown() override { DispatchQueue::waitForQueueThreads(std::chrono::seconds(5)); }
};
inline ::testing::Environment* const selfFinishingThreadsWait =
    ::testing::AddGlobalTestEnvironment(new SelfFinishingThreadsWait);


using Bytes = std::vector<std::uint8_t>;

inline Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }
inline std::string textOf(const Bytes& b) { return std::string(b.begin(), b.end()); }

struct SocketEvent {
  std::string kind;  // connect, read, readPartial, write, writePartial, readTimeout, writeTimeout, closeRead,
                     // disconnect, secure, accept
  Bytes data;
  std::int64_t tag = 0;
  std::size_t length = 0;
  double elapsed = 0;
  std::string host;
  std::uint16_t port = 0;
  std::optional<GCDAsyncSocketError> error;
  GCDAsyncSocket* socket = nullptr;
};

class RecordingDelegate : public GCDAsyncSocketDelegate {
 public:
  void socketDidAcceptNewSocket(GCDAsyncSocket& sock, std::shared_ptr<GCDAsyncSocket> newSocket) override {
    std::lock_guard lock(mutex_);
    accepted_.push_back(newSocket);
    SocketEvent e;
    e.kind = "accept";
    e.socket = &sock;
    pushLocked(std::move(e));
  }
  void socketDidConnectToHost(GCDAsyncSocket& sock, const std::string& host, std::uint16_t port) override {
    SocketEvent e;
    e.kind = "connect";
    e.host = host;
    e.port = port;
    e.socket = &sock;
    push(std::move(e));
  }
  void socketDidReadData(GCDAsyncSocket& sock, std::span<const std::uint8_t> data, std::int64_t tag) override {
    SocketEvent e;
    e.kind = "read";
    e.data.assign(data.begin(), data.end());
    e.tag = tag;
    e.socket = &sock;
    push(std::move(e));
    if (onRead) onRead(sock, tag);
  }
  void socketDidReadPartialDataOfLength(GCDAsyncSocket& sock, std::size_t length, std::int64_t tag) override {
    SocketEvent e;
    e.kind = "readPartial";
    e.length = length;
    e.tag = tag;
    e.socket = &sock;
    push(std::move(e));
  }
  void socketDidWriteDataWithTag(GCDAsyncSocket& sock, std::int64_t tag) override {
    SocketEvent e;
    e.kind = "write";
    e.tag = tag;
    e.socket = &sock;
    push(std::move(e));
  }
  void socketDidWritePartialDataOfLength(GCDAsyncSocket& sock, std::size_t length, std::int64_t tag) override {
    SocketEvent e;
    e.kind = "writePartial";
    e.length = length;
    e.tag = tag;
    e.socket = &sock;
    push(std::move(e));
  }
  double socketShouldTimeoutReadWithTag(GCDAsyncSocket& sock, std::int64_t tag, double elapsed,
                                        std::size_t done) override {
    SocketEvent e;
    e.kind = "readTimeout";
    e.tag = tag;
    e.elapsed = elapsed;
    e.length = done;
    e.socket = &sock;
    push(std::move(e));
    std::lock_guard lock(mutex_);
    if (readExtensions.empty()) return 0.0;
    const double ext = readExtensions.front();
    readExtensions.erase(readExtensions.begin());
    return ext;
  }
  double socketShouldTimeoutWriteWithTag(GCDAsyncSocket& sock, std::int64_t tag, double elapsed,
                                         std::size_t done) override {
    SocketEvent e;
    e.kind = "writeTimeout";
    e.tag = tag;
    e.elapsed = elapsed;
    e.length = done;
    e.socket = &sock;
    push(std::move(e));
    return 0.0;
  }
  void socketDidCloseReadStream(GCDAsyncSocket& sock) override {
    SocketEvent e;
    e.kind = "closeRead";
    e.socket = &sock;
    push(std::move(e));
  }
  void socketDidDisconnect(GCDAsyncSocket& sock, const std::optional<GCDAsyncSocketError>& error) override {
    SocketEvent e;
    e.kind = "disconnect";
    e.error = error;
    e.socket = &sock;
    push(std::move(e));
  }
  void socketDidSecure(GCDAsyncSocket& sock) override {
    SocketEvent e;
    e.kind = "secure";
    e.socket = &sock;
    push(std::move(e));
  }

  // Waits (at most a few seconds, as a guard against a hang) for the n-th event of a kind.
  std::optional<SocketEvent> waitFor(const std::string& kind, std::size_t nth = 0,
                                     std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    std::unique_lock lock(mutex_);
    std::optional<SocketEvent> found;
    cv_.wait_for(lock, limit, [&] {
      std::size_t seen = 0;
      for (const auto& e : events_) {
        if (e.kind == kind && seen++ == nth) {
          found = e;
          return true;
        }
      }
      return false;
    });
    return found;
  }

  std::vector<SocketEvent> events() {
    std::lock_guard lock(mutex_);
    return events_;
  }
  std::vector<std::string> kinds() {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    for (const auto& e : events_) out.push_back(e.kind);
    return out;
  }
  std::size_t count(const std::string& kind) {
    std::lock_guard lock(mutex_);
    std::size_t n = 0;
    for (const auto& e : events_) n += e.kind == kind;
    return n;
  }
  std::shared_ptr<GCDAsyncSocket> acceptedSocket(std::size_t i = 0) {
    std::lock_guard lock(mutex_);
    return i < accepted_.size() ? accepted_[i] : nullptr;
  }
  void dropAccepted() {
    std::vector<std::shared_ptr<GCDAsyncSocket>> drop;
    {
      std::lock_guard lock(mutex_);
      drop.swap(accepted_);
    }
  }

  std::function<void(GCDAsyncSocket&, std::int64_t)> onRead;  // runs on the delegate queue
  std::vector<double> readExtensions;                         // answers to read time-outs, in order

 private:
  void push(SocketEvent e) {
    std::lock_guard lock(mutex_);
    pushLocked(std::move(e));
  }
  void pushLocked(SocketEvent e) {
    events_.push_back(std::move(e));
    cv_.notify_all();
  }
  std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<SocketEvent> events_;
  std::vector<std::shared_ptr<GCDAsyncSocket>> accepted_;
};

// A blocking listener on 127.0.0.1 with an ephemeral port; the far end of the socket under test.
class LoopbackPeer {
 public:
  explicit LoopbackPeer(int backlog = 16) {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listenFd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    ::listen(listenFd_, backlog);
    socklen_t len = sizeof sa;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&sa), &len);
    port_ = ntohs(sa.sin_port);
  }
  ~LoopbackPeer() {
    closeConnection();
    if (listenFd_ >= 0) ::close(listenFd_);
  }
  std::uint16_t port() const { return port_; }
  Bytes address() const {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = htons(port_);
    const auto* p = reinterpret_cast<const std::uint8_t*>(&sa);
    return Bytes(p, p + sizeof sa);
  }
  // Blocks until the socket under test has connected.
  int acceptConnection() {
    conn_ = ::accept(listenFd_, nullptr, nullptr);
    int one = 1;
    ::setsockopt(conn_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return conn_;
  }
  int connection() const { return conn_; }
  void send(const std::string& text) { sendBytes(bytesOf(text)); }
  void sendBytes(const Bytes& b) {
    std::size_t off = 0;
    while (off < b.size()) {
      const ssize_t n = ::send(conn_, b.data() + off, b.size() - off, MSG_NOSIGNAL);
      if (n <= 0) return;
      off += static_cast<std::size_t>(n);
    }
  }
  // Reads exactly n bytes (or fewer at end of stream).
  Bytes receive(std::size_t n) {
    Bytes out(n);
    std::size_t off = 0;
    while (off < n) {
      const ssize_t got = ::recv(conn_, out.data() + off, n - off, 0);
      if (got <= 0) break;
      off += static_cast<std::size_t>(got);
    }
    out.resize(off);
    return out;
  }
  void shutdownWrite() { ::shutdown(conn_, SHUT_WR); }
  void closeConnection() {
    if (conn_ >= 0) ::close(conn_);
    conn_ = -1;
  }

 private:
  int listenFd_ = -1;
  int conn_ = -1;
  std::uint16_t port_ = 0;
};

}  // namespace td::test
