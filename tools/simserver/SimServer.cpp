#include "SimServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zmq.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "ClientSession.h"
#include "Loopback.h"
#include "ServerMessage.h"
#include "platform/Log.h"
#include "platform/LoginInputdata.h"
#include "transport/FrameReassembler.h"
#include "transport/ZMQContext.h"

namespace td::sim {
namespace {

std::int64_t nowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The port of a bound ZeroMQ socket ("tcp://127.0.0.1:PORT").
int boundPort(ZMQSocket& socket) {
  auto endpoint = socket.dataForOption(ZMQ_LAST_ENDPOINT);
  if (!endpoint) return 0;
  std::string e = *endpoint;
  while (!e.empty() && e.back() == '\0') e.pop_back();
  auto colon = e.rfind(':');
  return colon == std::string::npos ? 0 : std::atoi(e.c_str() + colon + 1);
}

std::string zmqEndpoint(int port) {
  return port == 0 ? std::string("tcp://127.0.0.1:*") : "tcp://127.0.0.1:" + std::to_string(port);
}

}  // namespace

SimServer::SimServer(Scenario scenario, ServerOptions options)
    : scenario_(std::move(scenario)),
      options_(std::move(options)),
      feed_(scenario_, options_.seed, unixNow(), 1000.0 / options_.tickMs),
      history_(scenario_, options_.seed, unixNow()),
      orders_(scenario_, history_, feed_),
      chat_(scenario_, unixNow()),
      news_([this](const std::string& line) { logLine(line); }),
      random_(options_.seed ^ 0xA5A5A5A5ull),
      initialPassPhrase_(ServerPresets::load().initialPassPhrase) {
  // The seeded positions hold margin like every other position.
  orders_.recomputeMargins();
}

SimServer::~SimServer() {
  sessions_.clear();
  if (listenFd_ >= 0) ::close(listenFd_);
  if (wakeRead_ >= 0) ::close(wakeRead_);
  if (wakeWrite_ >= 0) ::close(wakeWrite_);
  if (pub_) pub_->closeWithoutLinger();
  if (rep_) rep_->closeWithoutLinger();
  context_.reset();
  if (log_) std::fclose(log_);
}

bool SimServer::start(std::string& error) {
  if (!options_.logFile.empty()) {
    log_ = std::fopen(options_.logFile.c_str(), "a");
    if (!log_) {
      error = "cannot open the log file " + options_.logFile;
      return false;
    }
  }
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) {
    error = "cannot make the wake-up pipe";
    return false;
  }
  wakeRead_ = pipeFds[0];
  wakeWrite_ = pipeFds[1];
  setNonBlocking(wakeRead_);
  setNonBlocking(wakeWrite_);

  listenFd_ = listenOnLoopback(options_.port, tcpPort_, "", error);
  if (listenFd_ < 0) return false;

  try {
    context_ = ZMQContext::create(1);
    pub_ = context_->socketWithType(ZMQ_PUB);
    rep_ = context_->socketWithType(ZMQ_REP);
    int linger = 0;
    zmq_setsockopt(pub_->socket(), ZMQ_LINGER, &linger, sizeof linger);
    zmq_setsockopt(rep_->socket(), ZMQ_LINGER, &linger, sizeof linger);
    pub_->bindToEndpoint(zmqEndpoint(options_.pubPort));
    rep_->bindToEndpoint(zmqEndpoint(options_.repPort));
    pubPort_ = boundPort(*pub_);
    repPort_ = boundPort(*rep_);
  } catch (const std::exception& e) {
    error = std::string("cannot bind the feed or request socket: ") + e.what();
    return false;
  }
  if (pubPort_ == 0 || repPort_ == 0) {
    error = "cannot read the feed or request port";
    return false;
  }
  return news_.start(options_.newsPort, error);
}

void SimServer::stop() {
  stopping_ = true;
  if (wakeWrite_ >= 0) {
    char c = 1;
    [[maybe_unused]] ssize_t n = ::write(wakeWrite_, &c, 1);  // async-signal-safe
  }
}

void SimServer::logLine(const std::string& line) {
  if (!log_) return;
  std::fprintf(log_, "%s %s\n", ampTime(unixNow()).c_str(), line.c_str());
  std::fflush(log_);
}

void SimServer::run() {
  std::int64_t nextTick = nowMs() + options_.tickMs;
  std::vector<zmq_pollitem_t> items;
  while (!stopping_) {
    std::int64_t now = nowMs();
    std::int64_t due = nextTick;
    if (pendingReply_) due = std::min(due, pendingReplyDueMs_);
    if (const auto chatDue = chat_.nextDueMs()) due = std::min(due, *chatDue);
    long timeout = static_cast<long>(std::clamp<std::int64_t>(due - now, 0, options_.tickMs));

    items.clear();
    items.push_back({nullptr, wakeRead_, ZMQ_POLLIN, 0});
    items.push_back({nullptr, listenFd_, ZMQ_POLLIN, 0});
    bool pollRep = !pendingReply_ && !repBlocked_;
    items.push_back({rep_->socket(), 0, static_cast<short>(pollRep ? ZMQ_POLLIN : 0), 0});
    for (const auto& s : sessions_)
      items.push_back({nullptr, s->fd(), static_cast<short>(ZMQ_POLLIN | (s->wantsWrite() ? ZMQ_POLLOUT : 0)), 0});
    const std::size_t newsFirst = items.size();
    news_.addPollItems(items);
    int rc = zmq_poll(items.data(), static_cast<int>(items.size()), timeout);
    if (rc < 0 && zmq_errno() != EINTR) {
      TD_LOG_ERROR("simserver: poll failed: " + std::string(zmq_strerror(zmq_errno())));
      break;
    }
    if (stopping_) break;
    if (rc > 0) {
      if (items[0].revents & ZMQ_POLLIN) {
        char buf[64];
        while (::read(wakeRead_, buf, sizeof buf) > 0) {
        }
      }
      // Only the sessions that were polled: a connection accepted below joins the next pass.
      std::size_t polled = newsFirst - 3;
      if (items[2].revents & ZMQ_POLLIN) serveRequest();
      for (std::size_t i = 0; i < polled; ++i) {
        const zmq_pollitem_t& it = items[3 + i];
        if (it.revents & (ZMQ_POLLIN | ZMQ_POLLERR)) sessions_[i]->onReadable();
        if (it.revents & ZMQ_POLLOUT) sessions_[i]->onWritable();
      }
      if (items[1].revents & ZMQ_POLLIN) acceptConnections();
    }
    news_.onPolled(items.data() + newsFirst, items.size() - newsFirst, nowMs());
    now = nowMs();
    if (pendingReply_ && now >= pendingReplyDueMs_) sendPendingReply();
    deliverChat(nullptr, chat_.due(now));
    if (now >= nextTick) {
      publishTick();
      // A late pass skips the missed ticks instead of bursting them.
      nextTick = std::max(nextTick + options_.tickMs, now + 1);
    }
    // Sessions that queued output while handling input get a write attempt at once.
    for (auto& s : sessions_)
      if (s->wantsWrite()) s->onWritable();
    std::erase_if(sessions_, [](const std::unique_ptr<ClientSession>& s) { return s->finished(); });
  }
}

void SimServer::acceptConnections() {
  for (int i = 0; i < 16; ++i) {
    int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    if (static_cast<int>(sessions_.size()) >= kMaxSessions) {
      logLine("    refusing a connection: too many sessions");
      ::close(fd);
      continue;
    }
    int id = nextSessionId_++;
    logLine("    tcp#" + std::to_string(id) + " connected");
    sessions_.push_back(std::make_unique<ClientSession>(*this, fd, id));
  }
}

void SimServer::publishTick() {
  std::vector<std::string> lines = feed_.tick(unixNow());
  for (const std::string& line : lines) pub_->sendData(line, ZMQ_DONTWAIT);
  if (log_)
    logLine("PUB tick " + std::to_string(feed_.ticks()) + ": " + std::to_string(lines.size()) + " lines");
  deliverOrders(nullptr, orders_.onTick());
  for (auto& s : sessions_) s->onTick(feed_.ticks());
}

void SimServer::deliverOrders(ClientSession* requester, const OrderResult& result) {
  for (const OrderOutput& out : result.messages) {
    if (out.requesterOnly) {
      if (requester) requester->deliver(out.message);
      continue;
    }
    for (auto& s : sessions_)
      if (s->isOpen() && s->ownsAccount(out.account)) s->deliver(out.message);
  }
  for (int account : result.changedAccounts)
    for (auto& s : sessions_)
      if (s->isOpen() && s->ownsAccount(account)) s->sendAccountSummary(account);
}

void SimServer::chatRequest(ClientSession* requester, const std::string& user, const ServerMessage& request) {
  deliverChat(requester, chat_.handle(user, request, nowMs()));
}

void SimServer::deliverChat(ClientSession* requester, const std::vector<ChatOutput>& messages) {
  for (const ChatOutput& out : messages) {
    if (out.requesterOnly) {
      if (requester) requester->deliver(out.message);
      continue;
    }
    for (auto& s : sessions_)
      if (s->isOpen() && s->userName() == out.user) s->deliver(out.message);
  }
}

void SimServer::serveRequest() {
  std::string request;
  try {
    request = rep_->receiveDataWithFlags(ZMQ_DONTWAIT);
  } catch (const std::exception&) {
    return;  // nothing waiting after all
  }
  const int chartsBefore = chartRequests_;
  std::string reply = replyTo(request);
  const Faults& f = options_.faults;
  if (f.repSilent) {
    logLine("    fault: request left unanswered");
    repBlocked_ = true;
    return;
  }
  // A second after the client's reply time-out (30 s): the client has closed the socket it asked on,
  // so the reply is dropped, and the requests it sent meanwhile (on giving up, say) are served right
  // after it.
  constexpr std::int64_t kAfterTheClientGaveUpMs = 31000;
  std::int64_t delay = f.repSlowMs;
  if (f.chartReplyLost && chartRequests_ != chartsBefore && chartRequests_ == *f.chartReplyLost) {
    logLine("    fault: this chart reply goes out after the client has given up on it");
    delay = kAfterTheClientGaveUpMs;
  }
  pendingReply_ = std::move(reply);
  pendingReplyDueMs_ = nowMs() + delay;
  if (delay == 0) sendPendingReply();
}

void SimServer::sendPendingReply() {
  if (!pendingReply_) return;
  rep_->sendData(*pendingReply_, ZMQ_DONTWAIT);
  pendingReply_.reset();
}

std::string SimServer::replyTo(const std::string& request) {
  std::optional<ServerMessage> message;
  FrameReassembler cutter([&](std::string_view frame) {
    if (!message) message = ServerMessage::parse(frame);
  });
  cutter.feed(request);
  if (!message) {
    logLine("IN  rep unreadable request dropped (" + std::to_string(request.size()) + " bytes)");
    return {};
  }
  logLine("IN  rep " + message->describe());
  std::optional<ServerMessage> reply;
  if (message->type == 1023) {
    DataSetQuery q;
    q.context = std::string(message->get(151).value_or(""));
    q.userName = std::string(message->get(23).value_or(""));
    q.userId = std::atoi(std::string(message->get(115).value_or("0")).c_str());
    auto opt = [&](int tag) -> std::optional<std::string> {
      if (auto v = message->get(tag)) return std::string(*v);
      return std::nullopt;
    };
    q.account = opt(34);
    q.from = opt(575);
    q.to = opt(576);
    q.transactionCode = opt(551);
    reply.emplace(1024);
    if (auto id = message->get(20)) reply->add(20, std::string(*id));
    reply->add(151, q.context).add(159, history_.dataSet(q, feed_)).add(21, ampTime(unixNow()));
  } else if (message->type == 1040) {
    ++chartRequests_;
    std::string code(message->get(12).value_or(""));
    std::string interval(message->get(83).value_or("T"));
    int bars = std::atoi(std::string(message->get(1025).value_or("200")).c_str());
    reply.emplace(1041);
    if (auto id = message->get(20)) reply->add(20, std::string(*id));
    // The record of the feed's prices, up to the price of the moment, where the chart's live bars go on.
    reply->add(17, feed_.record().chart(code, interval, bars).value_or("<CHART~" + code + "^" + interval + ">"));
  } else {
    logLine("    no request-channel handler for type " + std::to_string(message->type));
    return {};
  }
  logLine("OUT rep " + reply->describe());
  return reply->frame();
}

}  // namespace td::sim
