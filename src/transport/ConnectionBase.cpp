#include "transport/ConnectionBase.h"

#include "platform/DispatchQueue.h"
#include "platform/Log.h"
#include "platform/LoginInputdata.h"
#include "platform/MainQueue.h"

namespace td {
namespace {

double seconds(std::chrono::milliseconds ms) { return static_cast<double>(ms.count()) / 1000.0; }

}  // namespace

std::shared_ptr<ConnectionBase> ConnectionBase::create(const LoginInputdata& logindata, ConnectionEvents& events,
                                                       MainQueue& mainQueue, Options options) {
  std::shared_ptr<ConnectionBase> connection(new ConnectionBase(logindata, events, mainQueue, options));
  connection->init();
  return connection;
}

ConnectionBase::ConnectionBase(const LoginInputdata& logindata, ConnectionEvents& events, MainQueue& mainQueue,
                               Options options)
    : logindata_(logindata),
      mainQueue_(mainQueue),
      options_(options),
      events_(&events),
      tcpFrames_([this](std::string_view frame) {
        toMain([f = std::string(frame)](ConnectionEvents& e) mutable {
          e.connectionDidReceiveFrame(std::move(f), FrameChannel::Session);
        });
      }) {}

void ConnectionBase::init() {
  newQueue_ = std::make_shared<DispatchQueue>("NewQueue");
  socket_ = GCDAsyncSocket::create(weak_from_this(), newQueue_);
  std::weak_ptr<ConnectionBase> weak = weak_from_this();
  channels_ = std::make_unique<ZMQChannels>(
      [weak](std::string update) {
        if (auto self = weak.lock()) {
          self->toMain([u = std::move(update)](ConnectionEvents& e) mutable {
            e.connectionDidReceiveSubscriptionUpdate(std::move(u));
          });
        }
      },
      [weak](std::string frame) {
        if (auto self = weak.lock()) {
          self->toMain([f = std::move(frame)](ConnectionEvents& e) mutable {
            e.connectionDidReceiveFrame(std::move(f), FrameChannel::Requests);
          });
        }
      },
      ZMQChannels::Options{options_.replyTimeout});
  channels_->setRequestDoneSink([weak](bool answered) {
    if (auto self = weak.lock()) {
      self->toMain([answered](ConnectionEvents& e) { e.connectionDidFinishRequest(answered); });
    }
  });
}

ConnectionBase::~ConnectionBase() {
  shutdown();
  if (newQueue_ && newQueue_->isCurrent()) {
    // Released from one of its own callbacks: the queue cannot join itself, so let another thread.
    std::shared_ptr<DispatchQueue> last = std::move(newQueue_);
    DispatchQueue::background().async([last] {});
  }
}

void ConnectionBase::toMain(std::function<void(ConnectionEvents&)> fn) {
  std::weak_ptr<ConnectionBase> weak = weak_from_this();
  mainQueue_.post([weak, fn = std::move(fn)] {
    auto self = weak.lock();
    if (!self) return;
    ConnectionEvents* events = nullptr;
    {
      std::lock_guard lock(self->eventsMutex_);
      events = self->events_;
    }
    if (events) fn(*events);
  });
}

void ConnectionBase::ConnectToServer(bool demoRegistration) {
  demoRegistration_ = demoRegistration;
  const std::string host = logindata_.IPAddress();
  const std::int32_t port = logindata_.PortNo();
  GCDAsyncSocketError error;
  bool started = false;
  if (port <= 0 || port > 65535) {
    error = GCDAsyncSocketError::badParamError("Invalid port " + std::to_string(port));
  } else {
    started = socket_->connectToHost(host, static_cast<std::uint16_t>(port), &error);
  }
  if (!started) {
    TD_LOG_ERROR("connect to " + host + ":" + std::to_string(port) + " failed: " + error.toString());
    toMain([error](ConnectionEvents& e) { e.connectionDidFail(error); });
  }
}

bool ConnectionBase::SendMessagetoServer(std::string_view frame) {
  if (!socket_->isConnected()) {
    TD_LOG_WARN("request not sent: the session is not connected");
    return false;
  }
  socket_->writeData(GCDAsyncSocket::Bytes(frame.begin(), frame.end()), -1, 0);
  return true;
}

void ConnectionBase::DisconnectServer() {
  isManualServerDisconnect_ = true;
  socket_->disconnect();
  channels_->stop();
}

void ConnectionBase::ReloginRequestDisconnectServer() {
  socket_->disconnect();
  channels_->stop();
}

void ConnectionBase::shutdown() {
  {
    std::lock_guard lock(eventsMutex_);
    events_ = nullptr;
  }
  isManualServerDisconnect_ = true;
  if (socket_) {
    socket_->synchronouslySetDelegate({});
    socket_->disconnect();
  }
  if (channels_) channels_->stop();
}

bool ConnectionBase::isConnected() const { return socket_ && socket_->isConnected(); }

// ---- ZeroMQ channels ----

void ConnectionBase::ConnectToZMQSubServer(const std::string& host, int port) {
  channels_->connectSubscription(host, port);
  SubscribeandUnsubscribe("IS;", 6);
}

void ConnectionBase::ConnectToZMQReqServer(const std::string& host, int port) {
  channels_->connectRequests(host, port);
}

void ConnectionBase::setSubscriptionsBlocked(std::function<bool()> blocked) { subscriptionsBlocked_ = std::move(blocked); }

void ConnectionBase::ProcessSubscribeandUnSubscribeItems(const std::vector<std::string>& items, bool subscribe) {
  if (subscriptionsBlocked_ && subscriptionsBlocked_()) return;
  const int option = subscribe ? 6 : 7;
  for (const std::string& code : items) {
    SubscribeandUnsubscribe(code, option);
    SubscribeandUnsubscribe("MD_" + code + ";", option);
  }
  SubscribeandUnsubscribe("*#bm#*:", 6);
}

void ConnectionBase::SubscribeandUnsubscribe(const std::string& topic, int option) {
  if (option == 6) {
    channels_->subscribe(topic);
  } else if (option == 7) {
    channels_->unsubscribe(topic);
  }
}

void ConnectionBase::SendZMQRequestMessagetoServer(std::string frame) { channels_->sendRequest(std::move(frame)); }

// ---- socket callbacks ----

void ConnectionBase::socketDidConnectToHost(GCDAsyncSocket& sock, const std::string& host, std::uint16_t port) {
  TD_LOG_INFO("AsyncSocket didConnectToHost: " + host + " port: " + std::to_string(port));
  tcpFrames_.reset();
  sock.readDataWithTimeout(-1, 0);
  const bool demo = demoRegistration_;
  if (demo) isManualServerDisconnect_ = true;
  toMain([demo](ConnectionEvents& e) { e.connectionDidConnect(demo); });
}

void ConnectionBase::socketDidReadData(GCDAsyncSocket& sock, std::span<const std::uint8_t> data, std::int64_t) {
  tcpFrames_.feed(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
  sock.readDataWithTimeout(seconds(options_.readTimeout), 0);
}

void ConnectionBase::socketDidDisconnect(GCDAsyncSocket&, const std::optional<GCDAsyncSocketError>& error) {
  TD_LOG_INFO("socketDisconnect : " + (error ? error->toString() : std::string("(null)")));
  if (isManualServerDisconnect_.exchange(false)) return;
  isNetworkAvailable_ = false;
  channels_->stop();
  toMain([error](ConnectionEvents& e) { e.connectionDidFail(error); });
}

}  // namespace td
