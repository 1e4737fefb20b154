#pragma once
// Object face of a libzmq context and its sockets.
//
// A context owns every socket made from it; a socket refers back to its context weakly. A ZeroMQ
// socket must be used by one thread at a time: the session gives each socket to the one thread that
// owns it. Failing calls log one line and throw ZMQException, except where a method says otherwise.

#include <zmq.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "transport/ZMQException.h"

namespace td {

class ZMQContext;

class ZMQSocket {
 public:
  ZMQSocket(const std::shared_ptr<ZMQContext>& context, int type);  // throws
  ~ZMQSocket();
  ZMQSocket(const ZMQSocket&) = delete;
  ZMQSocket& operator=(const ZMQSocket&) = delete;

  // "ZMQ_PAIR" .. "ZMQ_PUSH" for 0..8, "UNKNOWN" otherwise.
  static std::string nameForSocketType(int type);

  // Closes once; a second call does nothing. Throws when libzmq refuses (the socket stays open).
  void close();
  // Closes without waiting for unsent messages and without throwing (destruction, shutdown).
  void closeWithoutLinger() noexcept;
  std::string description() const;

  bool setData(std::string_view data, int option);          // throws; true
  std::optional<std::string> dataForOption(int option);     // throws; at most 255 bytes
  bool bindToEndpoint(const std::string& endpoint);         // throws; true
  bool connectToEndpoint(const std::string& endpoint);      // throws; true
  // True when libzmq took the message; a refused send logs and returns false without throwing.
  bool sendData(std::string_view data, int flags);
  // Receives straight into a caller buffer; a negative result is logged and returned, never thrown.
  int receiveWithBuffer(void* buffer, size_t length, int flags);
  // Blocks under flags 0; throws on failure, on EAGAIN under ZMQ_DONTWAIT, and when the context ends.
  std::string receiveDataWithFlags(int flags);
  // Prefix subscription with the topic's UTF-8 bytes; false when libzmq refuses (no log, no throw).
  bool subscribe(std::string_view topic);
  bool subscribeAll() { return subscribe({}); }
  void getPollItem(zmq_pollitem_t* outItem, int events) const;

  std::shared_ptr<ZMQContext> context() const { return context_.lock(); }
  int type() const { return type_; }
  void* socket() const { return socket_; }
  bool isClosed() const { return closed_; }
  std::string endpoint() const;

 private:
  [[noreturn]] void raise(const char* call) const;
  void logError(const char* call) const;

  std::weak_ptr<ZMQContext> context_;
  void* contextHandle_ = nullptr;
  int type_;
  void* socket_ = nullptr;
  bool closed_ = false;
  mutable std::mutex endpointMutex_;
  std::string endpoint_;
};

class ZMQContext : public std::enable_shared_from_this<ZMQContext> {
 public:
  // Use create(); throws ZMQException when libzmq cannot make a context.
  static std::shared_ptr<ZMQContext> create(unsigned ioThreads);
  ~ZMQContext();
  ZMQContext(const ZMQContext&) = delete;
  ZMQContext& operator=(const ZMQContext&) = delete;

  static void getZMQVersion(int* major, int* minor, int* patch);
  static int pollWithItems(zmq_pollitem_t* items, int count, long timeout);

  // A new socket owned by this context; throws when libzmq rejects the type.
  std::shared_ptr<ZMQSocket> socketWithType(int type);
  // Closes every socket made from this context. Their owning threads must have stopped using them.
  void closeSockets();
  // Ends the context; libzmq waits for every socket to be closed first. Destroying the context
  // closes the sockets still open (without lingering) before it terminates, so it never hangs.
  void terminate();

  void* context() const { return context_; }
  bool isTerminated() const { return terminated_; }
  std::vector<std::shared_ptr<ZMQSocket>> sockets() const;

 private:
  explicit ZMQContext(void* handle) : context_(handle) {}

  void* context_;
  bool terminated_ = false;
  mutable std::mutex socketsLock_;
  std::vector<std::shared_ptr<ZMQSocket>> sockets_;
};

}  // namespace td
