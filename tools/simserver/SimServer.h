#pragma once
// The simulated broker server: a TCP listener for the sessions, a ZeroMQ PUB socket for the feed,
// a REP socket for the data-set and chart requests and the news service (HTTP), all on 127.0.0.1 and all served by one
// thread (run()), so that no state is shared between threads. Each pass of the loop waits for at
// most one feed interval and does a bounded amount of work.

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ChatService.h"
#include "NewsService.h"
#include "OrderBook.h"
#include "PriceFeed.h"
#include "Scenario.h"
#include "ServerOptions.h"
#include "TradingHistory.h"

namespace td {
class ZMQContext;
class ZMQSocket;
}  // namespace td

namespace td::sim {

class ClientSession;

class SimServer {
 public:
  SimServer(Scenario scenario, ServerOptions options);
  ~SimServer();
  SimServer(const SimServer&) = delete;
  SimServer& operator=(const SimServer&) = delete;

  // Binds the sockets; false with `error` when one cannot be bound.
  bool start(std::string& error);
  int tcpPort() const { return tcpPort_; }
  int pubPort() const { return pubPort_; }
  int repPort() const { return repPort_; }
  int newsPort() const { return news_.port(); }

  // Serves until stop() is called (from any thread or a signal handler).
  void run();
  void stop();

  static constexpr int kMaxSessions = 64;
  static constexpr std::size_t kReadChunk = 64 * 1024;

  // --- for the sessions ---
  Scenario& scenario() { return scenario_; }
  const ServerOptions& options() const { return options_; }
  const PriceFeed& feed() const { return feed_; }
  const TradingHistory& history() const { return history_; }
  TradingHistory& history() { return history_; }
  OrderBook& orders() { return orders_; }
  // Sends the order desk's messages: each to the open sessions of its account's owner (or to the
  // requester alone), then the summaries of the accounts it changed.
  void deliverOrders(ClientSession* requester, const OrderResult& result);
  // Hands a chat request of the user to the chat and sends its answers: each to the requester alone
  // or to every open session of its user.
  void chatRequest(ClientSession* requester, const std::string& user, const ServerMessage& request);
  const std::string& initialPassPhrase() const { return initialPassPhrase_; }
  std::string nextReferenceId() { return std::to_string(nextReferenceId_++); }
  std::uint64_t nextRandom() { return random_.next(); }
  // One line of the message log (when --log is given).
  void logLine(const std::string& line);

 private:
  void acceptConnections();
  void publishTick();
  void deliverChat(ClientSession* requester, const std::vector<ChatOutput>& messages);
  void serveRequest();
  void sendPendingReply();
  std::string replyTo(const std::string& request);

  Scenario scenario_;
  ServerOptions options_;
  PriceFeed feed_;
  TradingHistory history_;
  OrderBook orders_;
  ChatService chat_;
  NewsService news_;
  SeededRandom random_;
  std::string initialPassPhrase_;
  std::uint64_t nextReferenceId_ = 70001;

  int listenFd_ = -1;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  int tcpPort_ = 0;
  int pubPort_ = 0;
  int repPort_ = 0;
  std::shared_ptr<ZMQContext> context_;
  std::shared_ptr<ZMQSocket> pub_;
  std::shared_ptr<ZMQSocket> rep_;
  std::vector<std::unique_ptr<ClientSession>> sessions_;
  int nextSessionId_ = 1;
  std::atomic<bool> stopping_{false};

  // The request channel: a reply waiting for its time (rep-slow, chart-reply-lost), or a request
  // that is never answered (rep-silent).
  std::optional<std::string> pendingReply_;
  std::int64_t pendingReplyDueMs_ = 0;
  bool repBlocked_ = false;
  int chartRequests_ = 0;  // chart-history requests received

  std::FILE* log_ = nullptr;
};

}  // namespace td::sim
