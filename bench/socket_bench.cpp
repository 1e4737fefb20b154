// Asynchronous socket on loopback: throughput of 64 KiB writes and round trip of a 100-byte message.

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/DispatchQueue.h"
#include "transport/GCDAsyncSocket.h"

namespace td {
namespace {

// Server side: keeps every accepted socket; either counts what it reads or echoes 100-byte messages.
class Server : public GCDAsyncSocketDelegate {
 public:
  explicit Server(bool echo) : echo_(echo) {}
  void socketDidAcceptNewSocket(GCDAsyncSocket&, std::shared_ptr<GCDAsyncSocket> newSocket) override {
    accepted_ = newSocket;
    readNext(*newSocket);
  }
  void socketDidReadData(GCDAsyncSocket& sock, std::span<const std::uint8_t> data, std::int64_t) override {
    if (echo_) {
      sock.writeData(GCDAsyncSocketBytes(data.begin(), data.end()), -1, 0);
    } else {
      std::lock_guard lock(mutex_);
      received_ += data.size();
      cv_.notify_all();
    }
    readNext(sock);
  }
  void waitForBytes(std::uint64_t total) {
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [&] { return received_ >= total; });
  }
  void drop() { accepted_.reset(); }

 private:
  void readNext(GCDAsyncSocket& sock) {
    if (echo_) {
      sock.readDataToLength(100, -1, 0);
    } else {
      sock.readDataWithTimeout(-1, 0);
    }
  }
  bool echo_;
  std::shared_ptr<GCDAsyncSocket> accepted_;
  std::mutex mutex_;
  std::condition_variable cv_;
  std::uint64_t received_ = 0;
};

class Client : public GCDAsyncSocketDelegate {
 public:
  void socketDidConnectToHost(GCDAsyncSocket&, const std::string&, std::uint16_t) override {
    std::lock_guard lock(mutex_);
    connected_ = true;
    cv_.notify_all();
  }
  void socketDidReadData(GCDAsyncSocket&, std::span<const std::uint8_t>, std::int64_t) override {
    std::lock_guard lock(mutex_);
    ++replies_;
    cv_.notify_all();
  }
  void waitConnected() {
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [&] { return connected_; });
  }
  void waitReplies(std::uint64_t n) {
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [&] { return replies_ >= n; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool connected_ = false;
  std::uint64_t replies_ = 0;
};

struct Pair {
  explicit Pair(bool echo)
      : serverQueue(std::make_shared<DispatchQueue>("bench server")),
        clientQueue(std::make_shared<DispatchQueue>("bench client")),
        server(std::make_shared<Server>(echo)),
        client(std::make_shared<Client>()) {
    listener = GCDAsyncSocket::create(server, serverQueue);
    listener->acceptOnInterface(std::string("127.0.0.1"), 0);
    socket = GCDAsyncSocket::create(client, clientQueue);
    socket->connectToHost("127.0.0.1", listener->localPort());
    client->waitConnected();
  }
  ~Pair() {
    socket.reset();
    listener.reset();
    serverQueue->sync([this] { server->drop(); });
    serverQueue->shutdown();
    clientQueue->shutdown();
  }
  std::shared_ptr<DispatchQueue> serverQueue;
  std::shared_ptr<DispatchQueue> clientQueue;
  std::shared_ptr<Server> server;
  std::shared_ptr<Client> client;
  std::shared_ptr<GCDAsyncSocket> listener;
  std::shared_ptr<GCDAsyncSocket> socket;
};

void BM_LoopbackThroughput64KiBWrites(benchmark::State& state) {
  Pair pair(false);
  constexpr std::size_t kChunk = 64 * 1024;
  constexpr int kChunksPerIteration = 64;  // 4 MiB
  auto chunk = std::make_shared<const GCDAsyncSocketBytes>(kChunk, std::uint8_t{0x5A});
  std::uint64_t sent = 0;
  for (auto _ : state) {
    for (int i = 0; i < kChunksPerIteration; ++i) pair.socket->writeData(chunk, -1, i);
    sent += kChunk * kChunksPerIteration;
    pair.server->waitForBytes(sent);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(sent));
}
BENCHMARK(BM_LoopbackThroughput64KiBWrites)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_RoundTrip100Bytes(benchmark::State& state) {
  Pair pair(true);
  auto message = std::make_shared<const GCDAsyncSocketBytes>(100, std::uint8_t{'m'});
  std::uint64_t n = 0;
  for (auto _ : state) {
    pair.socket->readDataToLength(100, -1, 0);
    pair.socket->writeData(message, -1, 0);
    pair.client->waitReplies(++n);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(n));
}
BENCHMARK(BM_RoundTrip100Bytes)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace td
