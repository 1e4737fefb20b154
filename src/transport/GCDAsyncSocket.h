#pragma once
// Asynchronous TCP socket: one object per connection (or listening port), driven by its own serial
// socket queue, epoll sources and timers of the platform dispatch layer. It connects (by host name
// or socket address, optionally bound to an interface and limited by a time-out) or listens and
// accepts, reads (available data, fixed length, to a terminator, bounded by a maximum length),
// writes, optionally secures the stream with TLS, and reports every outcome to its delegate on the
// delegate's queue.
//
// Ownership: sockets are made by create() and held by shared_ptr. The delegate is held weakly;
// callbacks are queued on the delegate queue and dropped when the socket or the delegate has gone
// by the time they run. All state lives on the socket queue: public calls enter it synchronously
// (connect, accept, disconnect, status queries) or asynchronously (reads, writes, the delayed
// disconnects, most setters); a call made on the socket queue itself runs at once.
//
// Time-outs run on the socket queue's clock, so a socket whose queue uses a ManualClock can be
// timed out by advancing the clock.

#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/DispatchQueue.h"
#include "transport/GCDAsyncSocketError.h"
#include "transport/GCDAsyncSocketPackets.h"
#include "transport/GCDAsyncSocketPreBuffer.h"
#include "transport/GCDAsyncSocketTLSSettings.h"

typedef struct ssl_st SSL;

namespace td {

class FdSource;
class Timer;
class GCDAsyncSocket;
class GCDAsyncSocketTLS;

// Label of a socket queue that the socket makes itself.
inline constexpr const char* GCDAsyncSocketQueueName = "GCDAsyncSocket";

// Receiver of a socket's callbacks; every one is optional. Each runs on the delegate queue.
class GCDAsyncSocketDelegate {
 public:
  virtual ~GCDAsyncSocketDelegate() = default;

  // Before an accepted connection is wrapped: the queue the new socket is to use, or null for a
  // private one.
  virtual std::shared_ptr<DispatchQueue> newSocketQueueForConnectionFromAddress(const GCDAsyncSocketBytes& address,
                                                                                GCDAsyncSocket& sock);
  // The listening socket hands over the new, connected one; keep it or it closes.
  virtual void socketDidAcceptNewSocket(GCDAsyncSocket& sock, std::shared_ptr<GCDAsyncSocket> newSocket);
  virtual void socketDidConnectToHost(GCDAsyncSocket& sock, const std::string& host, std::uint16_t port);
  // The bytes stay valid for the call only.
  virtual void socketDidReadData(GCDAsyncSocket& sock, std::span<const std::uint8_t> data, std::int64_t tag);
  virtual void socketDidReadPartialDataOfLength(GCDAsyncSocket& sock, std::size_t partialLength, std::int64_t tag);
  virtual void socketDidWriteDataWithTag(GCDAsyncSocket& sock, std::int64_t tag);
  virtual void socketDidWritePartialDataOfLength(GCDAsyncSocket& sock, std::size_t partialLength, std::int64_t tag);
  // A read or write time-out fired: return an extension in seconds (0 or less: time out now).
  virtual double socketShouldTimeoutReadWithTag(GCDAsyncSocket& sock, std::int64_t tag, double elapsed,
                                                std::size_t bytesDone);
  virtual double socketShouldTimeoutWriteWithTag(GCDAsyncSocket& sock, std::int64_t tag, double elapsed,
                                                 std::size_t bytesDone);
  // Half-duplex: the peer ended its stream; writing is still possible.
  virtual void socketDidCloseReadStream(GCDAsyncSocket& sock);
  // The socket closed: no error after disconnect() or a delayed disconnect, else the cause.
  virtual void socketDidDisconnect(GCDAsyncSocket& sock, const std::optional<GCDAsyncSocketError>& error);
  virtual void socketDidSecure(GCDAsyncSocket& sock);
};

class GCDAsyncSocket : public std::enable_shared_from_this<GCDAsyncSocket> {
  struct Passkey {};

 public:
  using Bytes = GCDAsyncSocketBytes;
  using Delegate = GCDAsyncSocketDelegate;
  using DelegatePtr = std::weak_ptr<GCDAsyncSocketDelegate>;
  using QueuePtr = std::shared_ptr<DispatchQueue>;

  // Each argument is optional. Without a socket queue the socket makes a private serial one. The
  // socket queue must be serial (never DispatchQueue::background()).
  static std::shared_ptr<GCDAsyncSocket> create(DelegatePtr delegate = {}, QueuePtr delegateQueue = nullptr,
                                                QueuePtr socketQueue = nullptr);
  GCDAsyncSocket(Passkey, DelegatePtr delegate, QueuePtr delegateQueue, QueuePtr socketQueue);
  // Closes as by disconnect(); the disconnect callback of that close is not made.
  ~GCDAsyncSocket();

  GCDAsyncSocket(const GCDAsyncSocket&) = delete;
  GCDAsyncSocket& operator=(const GCDAsyncSocket&) = delete;

  // ---- Configuration (any thread) ----
  std::shared_ptr<Delegate> delegate() const;
  void setDelegate(DelegatePtr delegate);
  void synchronouslySetDelegate(DelegatePtr delegate);
  void setDelegate(DelegatePtr delegate, bool synchronously);
  QueuePtr delegateQueue() const;
  void setDelegateQueue(QueuePtr queue);
  void synchronouslySetDelegateQueue(QueuePtr queue);
  void setDelegateQueue(QueuePtr queue, bool synchronously);
  void getDelegate(std::shared_ptr<Delegate>* delegatePtr, QueuePtr* delegateQueuePtr) const;
  void setDelegate(DelegatePtr delegate, QueuePtr queue);
  void synchronouslySetDelegate(DelegatePtr delegate, QueuePtr queue);
  void setDelegate(DelegatePtr delegate, QueuePtr queue, bool synchronously);

  bool isIPv4Enabled() const;
  void setIPv4Enabled(bool flag);
  bool isIPv6Enabled() const;
  void setIPv6Enabled(bool flag);
  bool isIPv4PreferredOverIPv6() const;
  void setPreferIPv4OverIPv6(bool flag);

  std::shared_ptr<void> userData() const;
  void setUserData(std::shared_ptr<void> data);

  // ---- Accepting and connecting ----
  // True when listening (or the attempt) has started; false stores the error (when errPtr is given)
  // and no callback follows. A negative time-out means none.
  bool acceptOnPort(std::uint16_t port, GCDAsyncSocketError* errPtr = nullptr);
  bool acceptOnInterface(const std::optional<std::string>& interface, std::uint16_t port,
                         GCDAsyncSocketError* errPtr = nullptr);
  bool connectToHost(const std::string& host, std::uint16_t port, GCDAsyncSocketError* errPtr = nullptr);
  bool connectToHost(const std::string& host, std::uint16_t port, double timeout, GCDAsyncSocketError* errPtr = nullptr);
  bool connectToHost(const std::string& host, std::uint16_t port, const std::optional<std::string>& interface,
                     double timeout, GCDAsyncSocketError* errPtr = nullptr);
  bool connectToAddress(const Bytes& address, GCDAsyncSocketError* errPtr = nullptr);
  bool connectToAddress(const Bytes& address, double timeout, GCDAsyncSocketError* errPtr = nullptr);
  bool connectToAddress(const Bytes& address, const std::optional<std::string>& interface, double timeout,
                        GCDAsyncSocketError* errPtr = nullptr);

  // ---- Closing and status ----
  void disconnect();
  void disconnectAfterReading();
  void disconnectAfterWriting();
  void disconnectAfterReadingAndWriting();
  bool isDisconnected() const;
  bool isConnected() const;
  std::optional<std::string> connectedHost() const;
  std::uint16_t connectedPort() const;
  std::optional<std::string> localHost() const;
  std::uint16_t localPort() const;
  // These read the descriptor fields directly; they serve code already on the socket queue.
  std::optional<std::string> connectedHost4() const;
  std::optional<std::string> connectedHost6() const;
  std::uint16_t connectedPort4() const;
  std::uint16_t connectedPort6() const;
  std::optional<std::string> localHost4() const;
  std::optional<std::string> localHost6() const;
  std::uint16_t localPort4() const;
  std::uint16_t localPort6() const;
  // Socket address (16 or 28 bytes) of the peer / the local end; the IPv6 one when both are open.
  std::optional<Bytes> connectedAddress() const;
  std::optional<Bytes> localAddress() const;
  bool isIPv4() const;
  bool isIPv6() const;

  // ---- Reading (any thread; invalid arguments make a call return without effect) ----
  void readDataWithTimeout(double timeout, std::int64_t tag);
  void readDataWithTimeout(double timeout, std::shared_ptr<Bytes> buffer, std::uint64_t offset, std::int64_t tag);
  void readDataWithTimeout(double timeout, std::shared_ptr<Bytes> buffer, std::uint64_t offset,
                           std::uint64_t maxLength, std::int64_t tag);
  void readDataToLength(std::uint64_t length, double timeout, std::int64_t tag);
  void readDataToLength(std::uint64_t length, double timeout, std::shared_ptr<Bytes> buffer, std::uint64_t offset,
                        std::int64_t tag);
  void readDataToData(const Bytes& data, double timeout, std::int64_t tag);
  void readDataToData(const Bytes& data, double timeout, std::shared_ptr<Bytes> buffer, std::uint64_t offset,
                      std::int64_t tag);
  void readDataToData(const Bytes& data, double timeout, std::uint64_t maxLength, std::int64_t tag);
  void readDataToData(const Bytes& data, double timeout, std::shared_ptr<Bytes> buffer, std::uint64_t offset,
                      std::uint64_t maxLength, std::int64_t tag);
  // NaN and zeros when no read is current.
  float progressOfReadReturningTag(std::int64_t* tagPtr, std::uint64_t* donePtr, std::uint64_t* totalPtr) const;

  // ---- Writing ----
  // The data is held, not copied: do not change it until it has been written.
  void writeData(std::shared_ptr<const Bytes> data, double timeout, std::int64_t tag);
  void writeData(Bytes data, double timeout, std::int64_t tag);
  float progressOfWriteReturningTag(std::int64_t* tagPtr, std::uint64_t* donePtr, std::uint64_t* totalPtr) const;

  // ---- TLS ----
  void startTLS(GCDAsyncSocketTLSSettings settings = {});
  bool isSecure() const;

  // ---- Utilities ----
  void performBlock(const std::function<void()>& block);
  // Valid only on the socket queue (for instance inside performBlock); elsewhere -1 / null.
  int socketFD() const;
  int socket4FD() const;
  int socket6FD() const;
  SSL* sslContext() const;
  bool autoDisconnectOnClosedReadStream() const;
  void setAutoDisconnectOnClosedReadStream(bool flag);

  // ---- Addresses (class operations) ----
  static std::optional<std::string> connectedHostFromSocket4(int fd);
  static std::optional<std::string> connectedHostFromSocket6(int fd);
  static std::uint16_t connectedPortFromSocket4(int fd);
  static std::uint16_t connectedPortFromSocket6(int fd);
  static std::optional<std::string> localHostFromSocket4(int fd);
  static std::optional<std::string> localHostFromSocket6(int fd);
  static std::uint16_t localPortFromSocket4(int fd);
  static std::uint16_t localPortFromSocket6(int fd);
  static std::string hostFromSockaddr4(const sockaddr_in& addr);
  static std::string hostFromSockaddr6(const sockaddr_in6& addr);
  static std::uint16_t portFromSockaddr4(const sockaddr_in& addr);
  static std::uint16_t portFromSockaddr6(const sockaddr_in6& addr);
  static bool getHost(std::string* hostPtr, std::uint16_t* portPtr, const Bytes& address);
  static std::optional<std::string> hostFromAddress(const Bytes& address);
  static std::uint16_t portFromAddress(const Bytes& address);
  // Resolves "", ":port", "interface", "interface:port", "localhost", "loopback" or a numeric
  // address to bind addresses of each family (null where the family has none).
  static void getInterfaceAddress(std::optional<Bytes>* address4Ptr, std::optional<Bytes>* address6Ptr,
                                  const std::string& description, std::uint16_t port);
  static Bytes CRLFData();
  static Bytes CRData();
  static Bytes LFData();
  static Bytes ZeroData();

 private:
  using PacketPtr = std::shared_ptr<GCDAsyncSocketPacket>;

  bool onSocketQueue() const;
  void runSync(const std::function<void()>& fn) const;
  void runAsync(std::function<void()> fn);
  template <class F>
  void notifyDelegate(F&& call);

  // Accept and connect.
  bool preConnectWithInterface(const std::optional<std::string>& interface, GCDAsyncSocketError* errPtr);
  void lookupDidSucceed(int aConnectIndex, std::optional<Bytes> address4, std::optional<Bytes> address6);
  void lookupDidFail(int aConnectIndex, const GCDAsyncSocketError& error);
  bool connectWithAddress(const std::optional<Bytes>& address4, const std::optional<Bytes>& address6,
                          GCDAsyncSocketError* errPtr);
  void connectSourceFired(int aConnectIndex);
  void didConnect(int aConnectIndex);
  void didNotConnect(int aConnectIndex, const GCDAsyncSocketError& error);
  void startConnectTimeout(double timeout);
  void endConnectTimeout();
  void doConnectTimeout();
  int createListeningSocket(int family, const Bytes& interfaceAddress, GCDAsyncSocketError* errPtr);
  bool doAccept(int parentFD);

  // Closing.
  void closeWithError(std::optional<GCDAsyncSocketError> error);
  void maybeClose();
  void retireSource(std::unique_ptr<FdSource>& source);

  // Reading.
  void enqueueRead(std::shared_ptr<GCDAsyncReadPacket> packet);
  void setupReadAndWriteSourcesForNewlyConnectedSocket(int fd);
  void suspendReadSource();
  void resumeReadSource();
  void suspendWriteSource();
  void resumeWriteSource();
  void maybeDequeueRead();
  void doReadData();
  void doReadEOF();
  void completeCurrentRead();
  void endCurrentRead();
  void setupReadTimerWithTimeout(double timeout);
  void doReadTimeout();
  void doReadTimeoutWithExtension(const PacketPtr& packet, double extension);
  void flushSSLBuffers();
  std::size_t readEstimate() const;

  // Writing.
  void maybeDequeueWrite();
  void doWriteData();
  void completeCurrentWrite();
  void endCurrentWrite();
  void setupWriteTimerWithTimeout(double timeout);
  void doWriteTimeout();
  void doWriteTimeoutWithExtension(const PacketPtr& packet, double extension);

  // TLS.
  void maybeStartTLS();
  void sslStartTLS();
  void sslContinueSSLHandshake();
  void sslPullInput();
  std::int32_t sslPushOutput();

  int connectedFD() const;

  // Declared first so that it outlives every source and timer below.
  QueuePtr socketQueue_;

  std::uint32_t flags_ = 0;
  std::uint16_t config_ = 0;
  DelegatePtr delegate_;
  QueuePtr delegateQueue_;
  std::atomic<int> socket4FD_{-1};
  std::atomic<int> socket6FD_{-1};
  int connectIndex_ = 0;
  std::optional<Bytes> connectInterface4_;
  std::optional<Bytes> connectInterface6_;
  std::unique_ptr<FdSource> accept4Source_;
  std::unique_ptr<FdSource> accept6Source_;
  std::unique_ptr<FdSource> connectSource_;
  std::unique_ptr<FdSource> readSource_;
  std::unique_ptr<FdSource> writeSource_;
  std::unique_ptr<Timer> connectTimer_;
  std::unique_ptr<Timer> readTimer_;
  std::unique_ptr<Timer> writeTimer_;
  std::deque<PacketPtr> readQueue_;
  std::deque<PacketPtr> writeQueue_;
  PacketPtr currentRead_;
  PacketPtr currentWrite_;
  std::uint64_t socketFDBytesAvailable_ = 0;
  GCDAsyncSocketPreBuffer preBuffer_{4 * 1024};
  std::unique_ptr<GCDAsyncSocketTLS> sslContext_;
  Bytes sslScratch_;
  std::uint64_t sslWriteCachedLength_ = 0;
  std::int32_t sslErrCode_ = 0;
  // The socket's unique queue key: its value is the address of this very field.
  char isOnSocketQueueOrTargetQueueKey_ = 0;
  std::shared_ptr<void> userData_;
};

}  // namespace td
