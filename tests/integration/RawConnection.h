#pragma once
// A plain TCP connection to the simulated server on loopback, for the byte-level tests: the client's
// own request writer writes through it, and what comes back is cut into frames and, on request,
// taken out of its envelope.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "ServerMessage.h"
#include "transport/FrameReassembler.h"
#include "wire/MessageBase.h"

namespace td::testing {

class RawConnection : public MessageSink {
 public:
  // `poll` bounds each wait for bytes, so that a deadline is noticed in time.
  RawConnection(int port, std::chrono::microseconds poll) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    timeval tv{static_cast<time_t>(poll.count() / 1000000), static_cast<suseconds_t>(poll.count() % 1000000)};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  }
  ~RawConnection() override { ::close(fd_); }
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  bool connected() const { return connected_; }

  bool SendMessage(std::string_view frame, bool) override {
    return ::send(fd_, frame.data(), frame.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(frame.size());
  }

  // The next raw frame, or nothing when none comes within the time or the server closed.
  std::optional<std::string> frame(std::chrono::milliseconds within = std::chrono::milliseconds(3000)) {
    auto deadline = std::chrono::steady_clock::now() + within;
    while (frames_.empty() && !closed_ && std::chrono::steady_clock::now() < deadline) {
      char buf[65536];
      ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
      if (n > 0) {
        cutter_.feed(std::string_view(buf, static_cast<std::size_t>(n)));
      } else if (n == 0) {
        closed_ = true;
      }
    }
    if (frames_.empty()) return std::nullopt;
    std::string f = std::move(frames_.front());
    frames_.pop_front();
    return f;
  }

  // The next message, its envelope opened under `passPhrase`.
  std::optional<sim::ServerMessage> message(const std::string& passPhrase,
                                            std::chrono::milliseconds within = std::chrono::milliseconds(3000)) {
    auto f = frame(within);
    if (!f) return std::nullopt;
    auto envelope = sim::ServerMessage::parse(*f);
    if (!envelope || envelope->type != 76) return std::nullopt;
    return sim::openEnvelopedMessage(*envelope, passPhrase);
  }

  bool closedByServer(std::chrono::milliseconds within = std::chrono::milliseconds(3000)) {
    auto deadline = std::chrono::steady_clock::now() + within;
    while (!closed_ && std::chrono::steady_clock::now() < deadline) frame(std::chrono::milliseconds(50));
    return closed_;
  }

  // The pass phrase the writer envelopes under.
  std::string key;
  MessageBase writer{*this, [this] { return key; }};

 private:
  int fd_ = -1;
  bool connected_ = false;
  bool closed_ = false;
  std::deque<std::string> frames_;
  FrameReassembler cutter_{[this](std::string_view f) { frames_.emplace_back(f); }};
};

}  // namespace td::testing
