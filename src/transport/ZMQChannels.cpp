#include "transport/ZMQChannels.h"

#include <sys/eventfd.h>
#include <unistd.h>
#include <zmq.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "platform/Log.h"
#include "transport/FrameReassembler.h"
#include "transport/ZMQContext.h"

namespace td {

struct ZMQChannels::Worker {
  Worker() : wakeFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
  ~Worker() {
    if (wakeFd >= 0) close(wakeFd);
  }
  void wake() const {
    const uint64_t one = 1;
    if (wakeFd >= 0 && write(wakeFd, &one, sizeof one) < 0 && errno != EAGAIN) {
      TD_LOG_WARN(std::string("channel wake-up failed: ") + std::strerror(errno));
    }
  }
  void drainWake() const {
    uint64_t count = 0;
    while (read(wakeFd, &count, sizeof count) > 0) {
    }
  }
  std::thread thread;
  int wakeFd;
  std::atomic<bool> stop{false};
};

namespace {

// Receives one message without waiting; false when none is pending (or the socket failed).
bool receiveNow(void* socket, std::string& out) {
  zmq_msg_t msg;
  zmq_msg_init(&msg);
  const int n = zmq_msg_recv(&msg, socket, ZMQ_DONTWAIT);
  if (n < 0) {
    const int err = zmq_errno();
    zmq_msg_close(&msg);
    if (err != EAGAIN && err != EINTR) TD_LOG_WARN(std::string("zmq receive failed: ") + zmq_strerror(err));
    return false;
  }
  out.assign(static_cast<const char*>(zmq_msg_data(&msg)), zmq_msg_size(&msg));
  zmq_msg_close(&msg);
  return true;
}

}  // namespace

ZMQChannels::ZMQChannels(UpdateSink onUpdate, ReplyFrameSink onReplyFrame, Options options)
    : onUpdate_(std::move(onUpdate)), onReplyFrame_(std::move(onReplyFrame)), options_(options) {}

ZMQChannels::~ZMQChannels() {
  stop();
  std::lock_guard lock(contextMutex_);
  context_.reset();  // every socket was closed by its own thread
}

std::string ZMQChannels::endpoint(const std::string& host, int port) {
  return "tcp://" + host + ":" + std::to_string(port);
}

std::shared_ptr<ZMQContext> ZMQChannels::context() {
  std::lock_guard lock(contextMutex_);
  if (!context_) context_ = ZMQContext::create(1);
  return context_;
}

void ZMQChannels::stopWorker(std::unique_ptr<Worker>& worker) {
  if (!worker) return;
  {
    std::lock_guard lock(requestsMutex_);  // no lost wake-up for a thread waiting for requests
    worker->stop = true;
  }
  requestsChanged_.notify_all();
  worker->wake();
  if (worker->thread.joinable()) worker->thread.join();
  worker.reset();
}

void ZMQChannels::stop() {
  std::lock_guard lock(workersMutex_);
  stopWorker(subscriber_);
  stopWorker(requester_);
}

void ZMQChannels::connectSubscription(const std::string& host, int port) {
  int major = 0, minor = 0, patch = 0;
  ZMQContext::getZMQVersion(&major, &minor, &patch);
  TD_LOG_INFO("Current \xC3\x98MQ version is " + std::to_string(major) + "." + std::to_string(minor) + "." +
              std::to_string(patch) + ".");
  std::lock_guard lock(workersMutex_);
  stopWorker(subscriber_);
  subscriber_ = std::make_unique<Worker>();
  Worker& worker = *subscriber_;
  worker.thread = std::thread([this, &worker, ep = endpoint(host, port)] { subscriptionLoop(worker, ep); });
}

void ZMQChannels::connectRequests(const std::string& host, int port) {
  std::lock_guard lock(workersMutex_);
  stopWorker(requester_);
  requester_ = std::make_unique<Worker>();
  Worker& worker = *requester_;
  worker.thread = std::thread([this, &worker, ep = endpoint(host, port)] { requestLoop(worker, ep); });
}

bool ZMQChannels::subscribe(const std::string& topic) {
  {
    std::lock_guard lock(topicsMutex_);
    if (!topics_.insert(topic).second) return false;
    topicCommands_.emplace_back(topic, true);
    commandsPending_.store(true, std::memory_order_release);
  }
  std::lock_guard lock(workersMutex_);
  if (subscriber_) subscriber_->wake();
  return true;
}

bool ZMQChannels::unsubscribe(const std::string& topic) {
  {
    std::lock_guard lock(topicsMutex_);
    if (topics_.erase(topic) == 0) return false;
    topicCommands_.emplace_back(topic, false);
    commandsPending_.store(true, std::memory_order_release);
  }
  std::lock_guard lock(workersMutex_);
  if (subscriber_) subscriber_->wake();
  return true;
}

bool ZMQChannels::isSubscribed(const std::string& topic) const {
  std::lock_guard lock(topicsMutex_);
  return topics_.count(topic) > 0;
}

void ZMQChannels::sendRequest(std::string frame) {
  {
    std::lock_guard lock(requestsMutex_);
    requests_.push_back(std::move(frame));
  }
  requestsChanged_.notify_all();
}

void ZMQChannels::subscriptionLoop(Worker& worker, std::string endpoint) {
  try {
    auto ctx = context();
    ZMQSocket socket(ctx, ZMQ_SUB);
    socket.connectToEndpoint(endpoint);
    {
      // A new socket takes every wanted topic; commands queued so far are covered by that.
      std::lock_guard lock(topicsMutex_);
      for (const std::string& topic : topics_) socket.setData(topic, ZMQ_SUBSCRIBE);
      topicCommands_.clear();
      commandsPending_.store(false, std::memory_order_release);
    }
    auto applyCommands = [&] {
      std::deque<std::pair<std::string, bool>> commands;
      {
        std::lock_guard lock(topicsMutex_);
        commands.swap(topicCommands_);
        commandsPending_.store(false, std::memory_order_release);
      }
      for (const auto& [topic, on] : commands) socket.setData(topic, on ? ZMQ_SUBSCRIBE : ZMQ_UNSUBSCRIBE);
    };
    zmq_pollitem_t items[2];
    socket.getPollItem(&items[0], ZMQ_POLLIN);
    items[1] = zmq_pollitem_t{nullptr, worker.wakeFd, static_cast<short>(ZMQ_POLLIN), 0};
    std::string update;
    while (!worker.stop) {
      if (zmq_poll(items, 2, -1) < 0) {
        if (zmq_errno() == EINTR) continue;
        TD_LOG_ERROR(std::string("subscription channel: poll failed: ") + zmq_strerror(zmq_errno()));
        break;
      }
      if (items[1].revents) worker.drainWake();
      applyCommands();
      if (items[0].revents & ZMQ_POLLIN) {
        // Take what is pending now; a subscription change made meanwhile applies before the next
        // message, so nothing received after an unsubscribe call is handed on for that topic.
        for (int i = 0; i < 1024 && !worker.stop; ++i) {
          if (commandsPending_.load(std::memory_order_acquire)) applyCommands();
          if (!receiveNow(socket.socket(), update)) break;
          onUpdate_(std::move(update));
          update.clear();
        }
      }
    }
    socket.closeWithoutLinger();
  } catch (const ZMQException& e) {
    TD_LOG_ERROR(std::string("subscription channel stopped: ") + e.what());
  }
}

void ZMQChannels::requeue(std::string request) {
  {
    std::lock_guard lock(requestsMutex_);
    requests_.push_front(std::move(request));
  }
  TD_LOG_INFO("request channel: a request waiting for its reply goes out again on the next connection");
}

void ZMQChannels::requestLoop(Worker& worker, std::string endpoint) {
  // The request taken from the queue and not yet finished: it ends in exactly one outcome, or, cut
  // off by a stop, goes back to the front of the queue for the next socket.
  std::optional<std::string> inFlight;
  auto finish = [&](bool answered) {
    inFlight.reset();
    if (onRequestDone_) onRequestDone_(answered);
  };
  try {
    auto ctx = context();
    auto open = [&] {
      auto socket = std::make_unique<ZMQSocket>(ctx, ZMQ_REQ);
      socket->connectToEndpoint(endpoint);
      return socket;
    };
    std::unique_ptr<ZMQSocket> socket = open();
    FrameReassembler reassembler([this](std::string_view frame) { onReplyFrame_(std::string(frame)); });
    // A request whose reply is lost takes its socket with it: a reply that comes late arrives on a
    // socket that is already closed and can never be read as the reply of the next request.
    auto dropAndReopen = [&](const char* why) {
      ++requestsDropped_;
      TD_LOG_WARN(std::string("request channel: ") + why + "; request dropped, channel reopened");
      reassembler.reset();
      socket->closeWithoutLinger();
      socket = open();
    };
    std::string reply;
    while (!worker.stop) {
      {
        std::unique_lock lock(requestsMutex_);
        requestsChanged_.wait(lock, [&] { return worker.stop.load() || !requests_.empty(); });
        if (worker.stop) break;
        inFlight = std::move(requests_.front());
        requests_.pop_front();
      }
      if (!socket->sendData(*inFlight, ZMQ_DONTWAIT)) {
        TD_LOG_ERROR("FAIL: Couldn't send request");
        dropAndReopen("send failed");
        finish(false);
        continue;
      }
      zmq_pollitem_t items[2];
      socket->getPollItem(&items[0], ZMQ_POLLIN);
      items[1] = zmq_pollitem_t{nullptr, worker.wakeFd, static_cast<short>(ZMQ_POLLIN), 0};
      const auto deadline = std::chrono::steady_clock::now() + options_.replyTimeout;
      bool answered = false;
      while (!worker.stop) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        if (zmq_poll(items, 2, static_cast<long>(left.count())) < 0) {
          if (zmq_errno() == EINTR) continue;
          break;
        }
        if (items[1].revents) worker.drainWake();
        if ((items[0].revents & ZMQ_POLLIN) && receiveNow(socket->socket(), reply)) {
          answered = true;
          break;
        }
      }
      if (worker.stop) break;
      if (!answered) {
        dropAndReopen("no reply in time");
        finish(false);
        continue;
      }
      reassembler.feed(reply);
      finish(true);
    }
    // A stop (or a reconnect) while a request waits for its reply: it goes out again on the next
    // socket, and ends in the outcome of that sending.
    if (inFlight) requeue(std::move(*inFlight));
    socket->closeWithoutLinger();
  } catch (const ZMQException& e) {
    TD_LOG_ERROR(std::string("request channel stopped: ") + e.what());
    if (inFlight) finish(false);
  }
}

}  // namespace td
