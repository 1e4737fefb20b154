#include "ProbeRunner.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "transport/ZMQChannels.h"

namespace td::probe {
namespace {

using Clock = std::chrono::steady_clock;

int millisUntil(Clock::time_point t) {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(ms, 0, 1000));
}

}  // namespace

ProbeRunner::ProbeRunner(const ProbeOptions& options, std::FILE* out)
    : options_(options),
      out_(out),
      session_(*this, options),
      tcpFrames_([this](std::string_view frame) { session_.tcpFrame(frame); }) {
  wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

ProbeRunner::~ProbeRunner() {
  channels_.reset();  // joins the channel threads before the inbox goes
  closeTcp();
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

void ProbeRunner::print(const std::string& line) {
  std::fprintf(out_, "%s\n", line.c_str());
  std::fflush(out_);
}

void ProbeRunner::finish(bool ok, const std::string& reason, const std::string& disconnectReason) {
  if (done_) return;
  done_ = true;
  ok_ = ok;
  if (!disconnectReason.empty()) print("DISCONNECTED " + disconnectReason);
  print(ok ? std::string("RESULT ok") : "RESULT fail: " + reason);
}

bool ProbeRunner::connect(Clock::time_point deadline) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(options_.host.c_str(), std::to_string(options_.port).c_str(), &hints, &found) != 0) return false;
  bool connected = false;
  for (addrinfo* a = found; a && !connected && Clock::now() < deadline; a = a->ai_next) {
    int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    int rc = ::connect(fd, a->ai_addr, a->ai_addrlen);
    if (rc != 0 && errno == EINPROGRESS) {
      pollfd p{fd, POLLOUT, 0};
      while (Clock::now() < deadline && (rc = ::poll(&p, 1, millisUntil(deadline))) == 0) {
      }
      int err = 0;
      socklen_t len = sizeof err;
      rc = rc > 0 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0 ? 0 : -1;
    }
    if (rc == 0) {
      fd_ = fd;
      connected = true;
    } else {
      ::close(fd);
    }
  }
  ::freeaddrinfo(found);
  return connected;
}

int ProbeRunner::run() {
  auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double>(options_.timeoutSeconds));
  if (!connect(deadline)) {
    finish(false, "cannot connect to " + options_.host + ":" + std::to_string(options_.port), "connect-failed");
    return 1;
  }
  print("CONNECTED " + options_.host + ":" + std::to_string(options_.port));
  session_.connected();
  Clock::time_point nextPing{};
  bool pinging = false;
  while (!done_) {
    if (Clock::now() >= deadline) {
      finish(false, "timeout", "timeout");
      break;
    }
    if (session_.sessionOpen() && !pinging) {
      pinging = true;
      nextPing = Clock::now() + kPingInterval;
    }
    Clock::time_point wakeAt = pinging ? std::min(deadline, nextPing) : deadline;
    pollfd fds[2] = {{fd_, static_cast<short>(fd_ >= 0 ? POLLIN | (pendingOut_.empty() ? 0 : POLLOUT) : 0), 0},
                     {wakeFd_, POLLIN, 0}};
    int rc = ::poll(fds, 2, millisUntil(wakeAt));
    if (rc < 0 && errno != EINTR) {
      finish(false, "poll failed", "");
      break;
    }
    if (rc > 0) {
      if (fds[1].revents & POLLIN) drainInbox();
      if (!done_ && fd_ >= 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) readTcp();
      if (!done_ && fd_ >= 0 && (fds[0].revents & POLLOUT)) flushTcp();
    }
    if (!done_ && pinging && Clock::now() >= nextPing) {
      session_.pingTimer();
      nextPing += kPingInterval;
    }
  }
  if (channels_) channels_->stop();
  closeTcp();
  return ok_ ? 0 : 1;
}

void ProbeRunner::readTcp() {
  char buf[64 * 1024];
  for (int i = 0; i < 16 && fd_ >= 0 && !done_; ++i) {
    ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
    if (n > 0) {
      tcpFrames_.feed(std::string_view(buf, static_cast<std::size_t>(n)));
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
    closeTcp();
    session_.connectionClosed();
    return;
  }
}

bool ProbeRunner::sendTcp(std::string_view frame) {
  if (fd_ < 0) return false;
  pendingOut_.append(frame);
  flushTcp();
  return true;
}

void ProbeRunner::flushTcp() {
  while (fd_ >= 0 && !pendingOut_.empty()) {
    ssize_t n = ::send(fd_, pendingOut_.data(), pendingOut_.size(), MSG_NOSIGNAL);
    if (n > 0) {
      pendingOut_.erase(0, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
    return;  // the read side reports the close
  }
}

void ProbeRunner::closeTcp() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void ProbeRunner::wake() {
  std::uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

void ProbeRunner::drainInbox() {
  std::uint64_t count = 0;
  [[maybe_unused]] ssize_t n = ::read(wakeFd_, &count, sizeof count);
  std::deque<Inbound> batch;
  {
    std::lock_guard lock(inboxMutex_);
    batch.swap(inbox_);
  }
  for (const Inbound& in : batch) {
    if (done_) return;
    if (in.isReply) {
      session_.requestFrame(in.text);
    } else {
      session_.feedLine(in.text);
    }
  }
}

void ProbeRunner::openChannels(int pubPort, int repPort) {
  ZMQChannels::Options o;
  o.replyTimeout = std::chrono::milliseconds(
      static_cast<long long>(std::min(options_.timeoutSeconds, 5.0) * 1000));
  auto push = [this](bool isReply, std::string text) {
    {
      std::lock_guard lock(inboxMutex_);
      inbox_.push_back({isReply, std::move(text)});
    }
    wake();
  };
  channels_ = std::make_unique<ZMQChannels>([push](std::string update) { push(false, std::move(update)); },
                                            [push](std::string frame) { push(true, std::move(frame)); }, o);
  channels_->connectSubscription(options_.host, pubPort);
  channels_->connectRequests(options_.host, repPort);
}

void ProbeRunner::sendRequest(std::string frame) {
  if (channels_) channels_->sendRequest(std::move(frame));
}

void ProbeRunner::subscribe(const std::string& topic) {
  if (channels_) channels_->subscribe(topic);
}

}  // namespace td::probe
