#include "ProbeRunner.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>

#include "platform/DispatchQueue.h"
#include "transport/GCDAsyncSocket.h"
#include "transport/ZMQChannels.h"

namespace td::probe {
namespace {

using Clock = std::chrono::steady_clock;

int millisUntil(Clock::time_point t) {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(ms, 0, 1000));
}

}  // namespace

// The socket's callbacks, on the socket's delegate queue: each becomes an inbox entry; reads are
// queued one at a time, without a time-out (the probe's own deadline bounds the run).
class ProbeRunner::SocketEvents final : public GCDAsyncSocketDelegate {
 public:
  explicit SocketEvents(ProbeRunner& runner) : runner_(runner) {}

  void socketDidConnectToHost(GCDAsyncSocket& sock, const std::string&, std::uint16_t) override {
    runner_.push(Kind::Connected, {});
    sock.readDataWithTimeout(-1, 0);
  }
  void socketDidReadData(GCDAsyncSocket& sock, std::span<const std::uint8_t> data, std::int64_t) override {
    runner_.push(Kind::Data, std::string(reinterpret_cast<const char*>(data.data()), data.size()));
    sock.readDataWithTimeout(-1, 0);
  }
  void socketDidDisconnect(GCDAsyncSocket&, const std::optional<GCDAsyncSocketError>&) override {
    runner_.push(Kind::Closed, {});
  }

 private:
  ProbeRunner& runner_;
};

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

int ProbeRunner::run() {
  auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double>(options_.timeoutSeconds));
  socketQueue_ = std::make_shared<DispatchQueue>("ProbeSocket");
  socketEvents_ = std::make_shared<SocketEvents>(*this);
  socket_ = GCDAsyncSocket::create(socketEvents_, socketQueue_);
  GCDAsyncSocketError error;
  if (!socket_->connectToHost(options_.host, static_cast<std::uint16_t>(options_.port), options_.timeoutSeconds,
                              &error)) {
    finish(false, "cannot connect to " + options_.host + ":" + std::to_string(options_.port), "connect-failed");
  }
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
    pollfd wake{wakeFd_, POLLIN, 0};
    int rc = ::poll(&wake, 1, millisUntil(wakeAt));
    if (rc < 0 && errno != EINTR) {
      finish(false, "poll failed", "");
      break;
    }
    if (rc > 0) drainInbox();
    if (!done_ && pinging && Clock::now() >= nextPing) {
      session_.pingTimer();
      nextPing += kPingInterval;
    }
  }
  if (channels_) channels_->stop();
  closeTcp();
  return ok_ ? 0 : 1;
}

void ProbeRunner::push(Kind kind, std::string text) {
  {
    std::lock_guard lock(inboxMutex_);
    inbox_.push_back({kind, std::move(text)});
  }
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
  for (Inbound& in : batch) {
    if (done_) return;
    switch (in.kind) {
      case Kind::Connected:
        tcpUp_ = true;
        print("CONNECTED " + options_.host + ":" + std::to_string(options_.port));
        session_.connected();
        break;
      case Kind::Data:
        tcpFrames_.feed(in.text);
        break;
      case Kind::Closed:
        if (!tcpUp_) {
          finish(false, "cannot connect to " + options_.host + ":" + std::to_string(options_.port), "connect-failed");
        } else {
          tcpUp_ = false;
          session_.connectionClosed();
        }
        break;
      case Kind::Feed:
        session_.feedLine(in.text);
        break;
      case Kind::Reply:
        session_.requestFrame(in.text);
        break;
    }
  }
}

bool ProbeRunner::sendTcp(std::string_view frame) {
  if (!socket_ || !tcpUp_) return false;
  socket_->writeData(GCDAsyncSocket::Bytes(frame.begin(), frame.end()), -1, 0);
  return true;
}

void ProbeRunner::closeTcp() {
  if (socket_) {
    // No callback may reach this object once it is closed: the socket forgets its delegate, and
    // whatever is still queued on the delegate queue (it holds the socket) runs out before the
    // socket and then the queue are released here, on this thread.
    socket_->synchronouslySetDelegate({});
    socketEvents_.reset();
    socket_->disconnect();
    if (socketQueue_) socketQueue_->sync([] {});
    socket_.reset();
  }
  socketEvents_.reset();
  socketQueue_.reset();
  tcpUp_ = false;
}

void ProbeRunner::openChannels(int pubPort, int repPort) {
  ZMQChannels::Options o;
  o.replyTimeout = std::chrono::milliseconds(static_cast<long long>(std::min(options_.timeoutSeconds, 5.0) * 1000));
  channels_ = std::make_unique<ZMQChannels>([this](std::string update) { push(Kind::Feed, std::move(update)); },
                                            [this](std::string frame) { push(Kind::Reply, std::move(frame)); }, o);
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
