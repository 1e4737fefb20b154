#pragma once
// The session's view of its transport (`conn`): the TCP session and the two ZeroMQ channels. The
// session talks to it only through this interface, so tests can stand in a recording transport and
// run the whole dispatcher without sockets; the application and the probe use ConnectionTransport,
// which is ConnectionBase.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "transport/ConnectionBase.h"

namespace td {

class SessionTransport {
 public:
  virtual ~SessionTransport() = default;
  virtual void ConnectToServer(bool demoRegistration) = 0;
  virtual bool SendMessagetoServer(std::string_view frame) = 0;
  virtual void SendZMQRequestMessagetoServer(std::string frame) = 0;
  virtual void DisconnectServer() = 0;
  virtual void ReloginRequestDisconnectServer() = 0;
  virtual void ConnectToZMQSubServer(const std::string& host, int port) = 0;
  virtual void ConnectToZMQReqServer(const std::string& host, int port) = 0;
  virtual void ProcessSubscribeandUnSubscribeItems(const std::vector<std::string>& items, bool subscribe) = 0;
  virtual void setSubscriptionsBlocked(std::function<bool()> blocked) = 0;
  virtual void setIsNetworkAvailable(bool value) = 0;
  virtual bool isNetworkAvailable() const = 0;
  // `Socket` `isConnected`.
  virtual bool isConnected() const = 0;
  // Closes everything and joins the channel threads; no event is reported afterwards.
  virtual void shutdown() = 0;
};

// Makes the transport of one session; `events` is the session.
using SessionTransportFactory = std::function<std::unique_ptr<SessionTransport>(ConnectionEvents& events)>;

class ConnectionTransport final : public SessionTransport {
 public:
  explicit ConnectionTransport(std::shared_ptr<ConnectionBase> connection) : conn_(std::move(connection)) {}
  ~ConnectionTransport() override { conn_->shutdown(); }

  // The factory of the real transport over the login data's host and port.
  static SessionTransportFactory factory(const LoginInputdata& logindata, MainQueue& mainQueue,
                                         ConnectionBase::Options options);

  void ConnectToServer(bool demoRegistration) override { conn_->ConnectToServer(demoRegistration); }
  bool SendMessagetoServer(std::string_view frame) override { return conn_->SendMessagetoServer(frame); }
  void SendZMQRequestMessagetoServer(std::string frame) override {
    conn_->SendZMQRequestMessagetoServer(std::move(frame));
  }
  void DisconnectServer() override { conn_->DisconnectServer(); }
  void ReloginRequestDisconnectServer() override { conn_->ReloginRequestDisconnectServer(); }
  void ConnectToZMQSubServer(const std::string& host, int port) override { conn_->ConnectToZMQSubServer(host, port); }
  void ConnectToZMQReqServer(const std::string& host, int port) override { conn_->ConnectToZMQReqServer(host, port); }
  void ProcessSubscribeandUnSubscribeItems(const std::vector<std::string>& items, bool subscribe) override {
    conn_->ProcessSubscribeandUnSubscribeItems(items, subscribe);
  }
  void setSubscriptionsBlocked(std::function<bool()> blocked) override {
    conn_->setSubscriptionsBlocked(std::move(blocked));
  }
  void setIsNetworkAvailable(bool value) override { conn_->setIsNetworkAvailable(value); }
  bool isNetworkAvailable() const override { return conn_->isNetworkAvailable(); }
  bool isConnected() const override { return conn_->isConnected(); }
  void shutdown() override { conn_->shutdown(); }

  ConnectionBase& connection() { return *conn_; }

 private:
  std::shared_ptr<ConnectionBase> conn_;
};

}  // namespace td
