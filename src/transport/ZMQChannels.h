#pragma once
// The two ZeroMQ channels of a session: the subscription feed (SUB: prices, depth, instrument
// status) and the request channel (REQ: data sets and chart history).
//
// Each socket lives on one thread of its own and is created, used and closed only there:
// - the subscription thread receives every update and hands it to the update sink; subscribe and
//   unsubscribe reach it as commands. The set of subscribed topics is kept here, so a repeated
//   subscribe is one subscription (a later unsubscribe removes it) and a reconnected socket gets
//   every topic again.
// - the request thread sends one queued request at a time and waits for its reply for at most the
//   reply time-out. A failed send or a missing reply drops that request with a log line, closes the
//   socket without lingering and opens a new one, so a late reply can never be taken for the reply
//   of a newer request. Replies are cut into frames by the channel's own reassembler. Every request
//   taken from the queue ends in exactly one outcome, reported after its reply's frames: answered,
//   or not (dropped, or cut off by a failure of the channel), so the receiver can tell which request
//   a reply answers by counting. A request still waiting for its reply when the channel stops or
//   reconnects goes back to the front of the queue (with a log line), is sent again on the next
//   socket and ends in the outcome of that sending.
// The sinks run on those threads and must not touch session state: hand the data to the main
// thread. Reconnecting stops and joins the old thread and closes its socket before a new one starts;
// stop() and the destructor never hang.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

namespace td {

class ZMQContext;

class ZMQChannels {
 public:
  using UpdateSink = std::function<void(std::string update)>;
  using ReplyFrameSink = std::function<void(std::string frame)>;

  // The outcome of one request, in send order: true when its reply was handed on.
  using RequestDoneSink = std::function<void(bool answered)>;

  struct Options {
    std::chrono::milliseconds replyTimeout{30000};
  };

  ZMQChannels(UpdateSink onUpdate, ReplyFrameSink onReplyFrame, Options options);
  ZMQChannels(UpdateSink onUpdate, ReplyFrameSink onReplyFrame)
      : ZMQChannels(std::move(onUpdate), std::move(onReplyFrame), Options{}) {}
  ~ZMQChannels();
  ZMQChannels(const ZMQChannels&) = delete;
  ZMQChannels& operator=(const ZMQChannels&) = delete;

  // "tcp://host:port". Replaces a running channel of the same kind (its thread is joined first).
  void connectSubscription(const std::string& host, int port);
  void connectRequests(const std::string& host, int port);

  // Safe from any thread. Returns false when nothing changed (already subscribed / not subscribed).
  bool subscribe(const std::string& topic);
  bool unsubscribe(const std::string& topic);
  bool isSubscribed(const std::string& topic) const;

  // Where the outcome of each request goes (none: not reported). Set before connectRequests().
  void setRequestDoneSink(RequestDoneSink sink) { onRequestDone_ = std::move(sink); }

  // Queues one framed request; safe from any thread. Requests go out strictly in queue order.
  void sendRequest(std::string frame);

  // Stops both threads (requests still queued, and the one waiting for its reply, stay queued for
  // a later connectRequests()).
  void stop();

  // Requests dropped for a failed send or a missing reply.
  std::uint64_t requestsDropped() const { return requestsDropped_; }

  static std::string endpoint(const std::string& host, int port);

 private:
  struct Worker;  // one thread with its wake-up descriptor and stop flag

  void subscriptionLoop(Worker& worker, std::string endpoint);
  void requestLoop(Worker& worker, std::string endpoint);
  void stopWorker(std::unique_ptr<Worker>& worker);
  // Puts a request back at the front of the queue.
  void requeue(std::string request);
  std::shared_ptr<ZMQContext> context();

  UpdateSink onUpdate_;
  ReplyFrameSink onReplyFrame_;
  RequestDoneSink onRequestDone_;
  Options options_;

  std::mutex contextMutex_;
  std::shared_ptr<ZMQContext> context_;

  // Subscriptions: the wanted set and the commands not yet applied by the subscription thread.
  mutable std::mutex topicsMutex_;
  std::set<std::string> topics_;
  std::deque<std::pair<std::string, bool>> topicCommands_;
  std::atomic<bool> commandsPending_{false};

  std::mutex requestsMutex_;
  std::condition_variable requestsChanged_;
  std::deque<std::string> requests_;

  std::mutex workersMutex_;  // serialises connect and stop calls
  std::unique_ptr<Worker> subscriber_;
  std::unique_ptr<Worker> requester_;

  std::atomic<std::uint64_t> requestsDropped_{0};
};

}  // namespace td
