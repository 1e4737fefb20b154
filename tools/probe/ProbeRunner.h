#pragma once
// Runs one probe: connects the TCP session with a plain POSIX socket, cuts its bytes into frames
// with the client's FrameReassembler, owns the ZeroMQ channels (ZMQChannels), drives the one-second
// keep-alive, and prints the event lines (each flushed at once) until the result is known or the
// time-out passes. Everything but the ZeroMQ threads runs on the calling thread; the channels'
// updates and replies reach it through a locked inbox and a wake-up descriptor.

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
  bool connect(std::chrono::steady_clock::time_point deadline);
  void readTcp();
  void flushTcp();
  void drainInbox();
  void wake();
  void closeTcp();

  const ProbeOptions& options_;
  std::FILE* out_;
  ProbeSession session_;
  FrameReassembler tcpFrames_;
  int fd_ = -1;
  int wakeFd_ = -1;
  std::string pendingOut_;
  std::unique_ptr<ZMQChannels> channels_;

  struct Inbound {
    bool isReply;
    std::string text;
  };
  std::mutex inboxMutex_;
  std::deque<Inbound> inbox_;

  bool done_ = false;
  bool ok_ = false;
};

}  // namespace td::probe
