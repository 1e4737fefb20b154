#pragma once
// Runs one probe: connects the TCP session with the client's asynchronous socket (GCDAsyncSocket),
// cuts its bytes into frames with the client's FrameReassembler, owns the ZeroMQ channels
// (ZMQChannels), drives the one-second keep-alive, and prints the event lines (each flushed at
// once) until the result is known or the time-out passes. The session runs on the calling thread;
// the socket's callbacks (on their own queue) and the channels' updates and replies (on their own
// threads) reach it through a locked inbox and a wake-up descriptor, in arrival order.

#include <chrono>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "ProbeOptions.h"
#include "ProbeSession.h"
#include "transport/FrameReassembler.h"

namespace td {
class DispatchQueue;
class GCDAsyncSocket;
class ZMQChannels;
}

namespace td::probe {

class ProbeRunner final : public ProbeHost {
 public:
  ProbeRunner(const ProbeOptions& options, std::FILE* out);
  ~ProbeRunner() override;

  // 0 when the result is ok, 1 otherwise.
  int run();

  // ProbeHost
  void print(const std::string& line) override;
  bool sendTcp(std::string_view frame) override;
  void sendRequest(std::string frame) override;
  void openChannels(int pubPort, int repPort) override;
  void subscribe(const std::string& topic) override;
  void finish(bool ok, const std::string& reason, const std::string& disconnectReason) override;

  static constexpr std::chrono::milliseconds kPingInterval{1000};

 private:
  class SocketEvents;
  enum class Kind { Connected, Data, Closed, Feed, Reply };
  struct Inbound {
    Kind kind;
    std::string text;
  };
  void push(Kind kind, std::string text);
  void drainInbox();
  void closeTcp();

  const ProbeOptions& options_;
  std::FILE* out_;
  ProbeSession session_;
  FrameReassembler tcpFrames_;
  int wakeFd_ = -1;
  std::shared_ptr<DispatchQueue> socketQueue_;
  std::shared_ptr<SocketEvents> socketEvents_;
  std::shared_ptr<GCDAsyncSocket> socket_;
  bool tcpUp_ = false;
  std::unique_ptr<ZMQChannels> channels_;

  std::mutex inboxMutex_;
  std::deque<Inbound> inbox_;

  bool done_ = false;
  bool ok_ = false;
};

}  // namespace td::probe
