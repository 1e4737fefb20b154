#include "transport/GCDAsyncSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <netdb.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/FdSource.h"
#include "platform/Log.h"
#include "platform/Timer.h"
#include "transport/GCDAsyncSocketTLS.h"

namespace td {

namespace {

// State bits of flags_.
constexpr std::uint32_t kSocketStarted = 1 << 0;
constexpr std::uint32_t kConnected = 1 << 1;
constexpr std::uint32_t kForbidReadsWrites = 1 << 2;
constexpr std::uint32_t kReadsPaused = 1 << 3;
constexpr std::uint32_t kWritesPaused = 1 << 4;
constexpr std::uint32_t kDisconnectAfterReads = 1 << 5;
constexpr std::uint32_t kDisconnectAfterWrites = 1 << 6;
constexpr std::uint32_t kSocketCanAcceptBytes = 1 << 7;
constexpr std::uint32_t kReadSourceSuspended = 1 << 8;
constexpr std::uint32_t kWriteSourceSuspended = 1 << 9;
constexpr std::uint32_t kQueuedTLS = 1 << 10;
constexpr std::uint32_t kStartingReadTLS = 1 << 11;
constexpr std::uint32_t kStartingWriteTLS = 1 << 12;
constexpr std::uint32_t kSocketSecure = 1 << 13;
constexpr std::uint32_t kSocketHasReadEOF = 1 << 14;
constexpr std::uint32_t kReadStreamClosed = 1 << 15;

// Configuration bits of config_ (kept across closes).
constexpr std::uint16_t kIPv4Disabled = 1 << 0;
constexpr std::uint16_t kIPv6Disabled = 1 << 1;
constexpr std::uint16_t kPreferIPv6 = 1 << 2;
constexpr std::uint16_t kAllowHalfDuplexConnection = 1 << 3;

constexpr std::size_t kTLSWriteSlice = 32768;

// A time-out too long for the clock's nanoseconds (about 292 years and more), or infinite, is
// "never": the timer is set to the farthest time, which Clock::later keeps from overflowing.
Clock::Duration secondsToDuration(double seconds) {
  constexpr double kLongest = static_cast<double>(Clock::Duration::max().count()) / 1e9;
  if (!(seconds < kLongest)) return Clock::Duration::max();
  return std::chrono::nanoseconds(static_cast<std::int64_t>(seconds * 1e9));
}

GCDAsyncSocketBytes addressBytes(const void* addr, std::size_t len) {
  const auto* p = static_cast<const std::uint8_t*>(addr);
  return GCDAsyncSocketBytes(p, p + len);
}

GCDAsyncSocketBytes makeAddress4(in_addr_t addressHostOrder, std::uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = htonl(addressHostOrder);
  return addressBytes(&sa, sizeof sa);
}

GCDAsyncSocketBytes makeAddress6(const in6_addr& address, std::uint16_t port) {
  sockaddr_in6 sa{};
  sa.sin6_family = AF_INET6;
  sa.sin6_port = htons(port);
  sa.sin6_addr = address;
  return addressBytes(&sa, sizeof sa);
}

int addressFamily(const GCDAsyncSocketBytes& address) {
  if (address.size() < sizeof(sa_family_t)) return AF_UNSPEC;
  sa_family_t family;
  std::memcpy(&family, address.data() + offsetof(sockaddr, sa_family), sizeof family);
  return family;
}

bool isIPv4Address(const GCDAsyncSocketBytes& a) {
  return a.size() == sizeof(sockaddr_in) && addressFamily(a) == AF_INET;
}
bool isIPv6Address(const GCDAsyncSocketBytes& a) {
  return a.size() == sizeof(sockaddr_in6) && addressFamily(a) == AF_INET6;
}

void setPort(GCDAsyncSocketBytes& address, std::uint16_t port) {
  if (isIPv4Address(address)) {
    sockaddr_in sa;
    std::memcpy(&sa, address.data(), sizeof sa);
    sa.sin_port = htons(port);
    std::memcpy(address.data(), &sa, sizeof sa);
  } else if (isIPv6Address(address)) {
    sockaddr_in6 sa;
    std::memcpy(&sa, address.data(), sizeof sa);
    sa.sin6_port = htons(port);
    std::memcpy(address.data(), &sa, sizeof sa);
  }
}

bool setNonBlocking(int fd) {
  const int fl = ::fcntl(fd, F_GETFL, 0);
  return fl >= 0 && ::fcntl(fd, F_SETFL, fl | O_NONBLOCK) == 0;
}

struct LookupResult {
  std::optional<GCDAsyncSocketBytes> address4;
  std::optional<GCDAsyncSocketBytes> address6;
  std::optional<GCDAsyncSocketError> error;
};

// Blocking name lookup: the first IPv4 and the first IPv6 address of the host.
LookupResult lookupHost(const std::string& host, std::uint16_t port) {
  LookupResult result;
  if (host == "localhost" || host == "loopback") {
    result.address4 = makeAddress4(INADDR_LOOPBACK, port);
    result.address6 = makeAddress6(in6addr_loopback, port);
    return result;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* list = nullptr;
  const std::string service = std::to_string(port);
  const int gai = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
  if (gai != 0) {
    result.error = GCDAsyncSocketError::gaiError(gai);
    return result;
  }
  for (addrinfo* ai = list; ai; ai = ai->ai_next) {
    if (ai->ai_family == AF_INET && !result.address4 && ai->ai_addrlen == sizeof(sockaddr_in)) {
      result.address4 = addressBytes(ai->ai_addr, ai->ai_addrlen);
    } else if (ai->ai_family == AF_INET6 && !result.address6 && ai->ai_addrlen == sizeof(sockaddr_in6)) {
      result.address6 = addressBytes(ai->ai_addr, ai->ai_addrlen);
    }
  }
  ::freeaddrinfo(list);
  if (!result.address4 && !result.address6) result.error = GCDAsyncSocketError::gaiError(EAI_FAIL);
  return result;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Delegate defaults

std::shared_ptr<DispatchQueue> GCDAsyncSocketDelegate::newSocketQueueForConnectionFromAddress(
    const GCDAsyncSocketBytes&, GCDAsyncSocket&) {
  return nullptr;
}
void GCDAsyncSocketDelegate::socketDidAcceptNewSocket(GCDAsyncSocket&, std::shared_ptr<GCDAsyncSocket>) {}
void GCDAsyncSocketDelegate::socketDidConnectToHost(GCDAsyncSocket&, const std::string&, std::uint16_t) {}
void GCDAsyncSocketDelegate::socketDidReadData(GCDAsyncSocket&, std::span<const std::uint8_t>, std::int64_t) {}
void GCDAsyncSocketDelegate::socketDidReadPartialDataOfLength(GCDAsyncSocket&, std::size_t, std::int64_t) {}
void GCDAsyncSocketDelegate::socketDidWriteDataWithTag(GCDAsyncSocket&, std::int64_t) {}
void GCDAsyncSocketDelegate::socketDidWritePartialDataOfLength(GCDAsyncSocket&, std::size_t, std::int64_t) {}
double GCDAsyncSocketDelegate::socketShouldTimeoutReadWithTag(GCDAsyncSocket&, std::int64_t, double, std::size_t) {
  return 0.0;
}
double GCDAsyncSocketDelegate::socketShouldTimeoutWriteWithTag(GCDAsyncSocket&, std::int64_t, double, std::size_t) {
  return 0.0;
}
void GCDAsyncSocketDelegate::socketDidCloseReadStream(GCDAsyncSocket&) {}
void GCDAsyncSocketDelegate::socketDidDisconnect(GCDAsyncSocket&, const std::optional<GCDAsyncSocketError>&) {}
void GCDAsyncSocketDelegate::socketDidSecure(GCDAsyncSocket&) {}

// ---------------------------------------------------------------------------------------------
// Creation, end and queue plumbing

std::shared_ptr<GCDAsyncSocket> GCDAsyncSocket::create(DelegatePtr delegate, QueuePtr delegateQueue,
                                                       QueuePtr socketQueue) {
  return std::make_shared<GCDAsyncSocket>(Passkey{}, std::move(delegate), std::move(delegateQueue),
                                          std::move(socketQueue));
}

GCDAsyncSocket::GCDAsyncSocket(Passkey, DelegatePtr delegate, QueuePtr delegateQueue, QueuePtr socketQueue)
    : delegate_(std::move(delegate)), delegateQueue_(std::move(delegateQueue)) {
  if (socketQueue) {
    assert(socketQueue.get() != &DispatchQueue::background() &&
           "The given socketQueue parameter must not be a concurrent queue.");
    socketQueue_ = std::move(socketQueue);
  } else {
    socketQueue_ = std::make_shared<DispatchQueue>(GCDAsyncSocketQueueName);
  }
  socketQueue_->setSpecific(&isOnSocketQueueOrTargetQueueKey_, this);
  // Timer and source handlers capture `this`: every one of them is cancelled on the socket queue
  // before the socket ends, and a handler never runs after a cancel made there.
  connectTimer_ = std::make_unique<Timer>(*socketQueue_, [this] { doConnectTimeout(); });
  readTimer_ = std::make_unique<Timer>(*socketQueue_, [this] { doReadTimeout(); });
  writeTimer_ = std::make_unique<Timer>(*socketQueue_, [this] { doWriteTimeout(); });
}

GCDAsyncSocket::~GCDAsyncSocket() {
  const bool onQueue = onSocketQueue();
  auto body = [this] {
    // weak_from_this() has expired: the disconnect callback of this close is dropped.
    closeWithError(std::nullopt);
    connectTimer_.reset();
    readTimer_.reset();
    writeTimer_.reset();
    socketQueue_->setSpecific(&isOnSocketQueueOrTargetQueueKey_, nullptr);
  };
  // A private queue released here from its own thread finishes that thread on its own.
  if (onQueue || !socketQueue_->sync(body)) body();
}

bool GCDAsyncSocket::onSocketQueue() const {
  return DispatchQueue::getSpecific(&isOnSocketQueueOrTargetQueueKey_) == this;
}

void GCDAsyncSocket::runSync(const std::function<void()>& fn) const {
  if (onSocketQueue()) {
    fn();
  } else {
    socketQueue_->sync(fn);
  }
}

void GCDAsyncSocket::runAsync(std::function<void()> fn) {
  if (onSocketQueue()) {
    fn();
    return;
  }
  socketQueue_->async([weakSelf = weak_from_this(), fn = std::move(fn)] {
    if (auto self = weakSelf.lock()) fn();
  });
}

template <class F>
void GCDAsyncSocket::notifyDelegate(F&& call) {
  if (!delegateQueue_) return;
  delegateQueue_->async([weakSelf = weak_from_this(), weakDelegate = delegate_, call = std::forward<F>(call)]() mutable {
    auto self = weakSelf.lock();
    if (!self) return;
    auto delegate = weakDelegate.lock();
    if (!delegate) return;
    call(*delegate, *self);
  });
}

// ---------------------------------------------------------------------------------------------
// Configuration

std::shared_ptr<GCDAsyncSocketDelegate> GCDAsyncSocket::delegate() const {
  std::shared_ptr<Delegate> result;
  runSync([&] { result = delegate_.lock(); });
  return result;
}

void GCDAsyncSocket::setDelegate(DelegatePtr delegate) { setDelegate(std::move(delegate), false); }
void GCDAsyncSocket::synchronouslySetDelegate(DelegatePtr delegate) { setDelegate(std::move(delegate), true); }
void GCDAsyncSocket::setDelegate(DelegatePtr delegate, bool synchronously) {
  auto change = [this, delegate = std::move(delegate)] { delegate_ = delegate; };
  if (synchronously) {
    runSync(change);
  } else {
    runAsync(change);
  }
}

GCDAsyncSocket::QueuePtr GCDAsyncSocket::delegateQueue() const {
  QueuePtr result;
  runSync([&] { result = delegateQueue_; });
  return result;
}

void GCDAsyncSocket::setDelegateQueue(QueuePtr queue) { setDelegateQueue(std::move(queue), false); }
void GCDAsyncSocket::synchronouslySetDelegateQueue(QueuePtr queue) { setDelegateQueue(std::move(queue), true); }
void GCDAsyncSocket::setDelegateQueue(QueuePtr queue, bool synchronously) {
  auto change = [this, queue = std::move(queue)] { delegateQueue_ = queue; };
  if (synchronously) {
    runSync(change);
  } else {
    runAsync(change);
  }
}

void GCDAsyncSocket::getDelegate(std::shared_ptr<Delegate>* delegatePtr, QueuePtr* delegateQueuePtr) const {
  runSync([&] {
    if (delegatePtr) *delegatePtr = delegate_.lock();
    if (delegateQueuePtr) *delegateQueuePtr = delegateQueue_;
  });
}

void GCDAsyncSocket::setDelegate(DelegatePtr delegate, QueuePtr queue) {
  setDelegate(std::move(delegate), std::move(queue), false);
}
void GCDAsyncSocket::synchronouslySetDelegate(DelegatePtr delegate, QueuePtr queue) {
  setDelegate(std::move(delegate), std::move(queue), true);
}
void GCDAsyncSocket::setDelegate(DelegatePtr delegate, QueuePtr queue, bool synchronously) {
  auto change = [this, delegate = std::move(delegate), queue = std::move(queue)] {
    delegate_ = delegate;
    delegateQueue_ = queue;
  };
  if (synchronously) {
    runSync(change);
  } else {
    runAsync(change);
  }
}

bool GCDAsyncSocket::isIPv4Enabled() const {
  bool result = false;
  runSync([&] { result = (config_ & kIPv4Disabled) == 0; });
  return result;
}
void GCDAsyncSocket::setIPv4Enabled(bool flag) {
  runAsync([this, flag] { config_ = flag ? (config_ & ~kIPv4Disabled) : (config_ | kIPv4Disabled); });
}
bool GCDAsyncSocket::isIPv6Enabled() const {
  bool result = false;
  runSync([&] { result = (config_ & kIPv6Disabled) == 0; });
  return result;
}
void GCDAsyncSocket::setIPv6Enabled(bool flag) {
  runAsync([this, flag] { config_ = flag ? (config_ & ~kIPv6Disabled) : (config_ | kIPv6Disabled); });
}
bool GCDAsyncSocket::isIPv4PreferredOverIPv6() const {
  bool result = false;
  runSync([&] { result = (config_ & kPreferIPv6) == 0; });
  return result;
}
void GCDAsyncSocket::setPreferIPv4OverIPv6(bool flag) {
  runAsync([this, flag] { config_ = flag ? (config_ & ~kPreferIPv6) : (config_ | kPreferIPv6); });
}

std::shared_ptr<void> GCDAsyncSocket::userData() const {
  std::shared_ptr<void> result;
  runSync([&] { result = userData_; });
  return result;
}
void GCDAsyncSocket::setUserData(std::shared_ptr<void> data) {
  runAsync([this, data = std::move(data)] {
    if (userData_ != data) userData_ = data;
  });
}

// ---------------------------------------------------------------------------------------------
// Accepting

bool GCDAsyncSocket::acceptOnPort(std::uint16_t port, GCDAsyncSocketError* errPtr) {
  return acceptOnInterface(std::nullopt, port, errPtr);
}

int GCDAsyncSocket::createListeningSocket(int family, const Bytes& interfaceAddress, GCDAsyncSocketError* errPtr) {
  const int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    if (errPtr) *errPtr = GCDAsyncSocketError::errnoErrorWithReason("Error in socket() function");
    return -1;
  }
  auto failWith = [&](const char* reason) {
    if (errPtr) *errPtr = GCDAsyncSocketError::errnoErrorWithReason(reason);
    ::close(fd);
    return -1;
  };
  if (!setNonBlocking(fd)) return failWith("Error enabling non-blocking IO on socket (fcntl)");
  int one = 1;
  if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0) {
    return failWith("Error enabling address reuse (setsockopt)");
  }
  // The IPv4 socket listens on the same port: keep the IPv6 one to IPv6 only.
  if (family == AF_INET6) ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &one, sizeof one);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(interfaceAddress.data()),
             static_cast<socklen_t>(interfaceAddress.size())) != 0) {
    return failWith("Error in bind() function");
  }
  if (::listen(fd, 1024) != 0) return failWith("Error in listen() function");
  return fd;
}

bool GCDAsyncSocket::acceptOnInterface(const std::optional<std::string>& interface, std::uint16_t port,
                                       GCDAsyncSocketError* errPtr) {
  bool result = false;
  std::optional<GCDAsyncSocketError> error;
  runSync([&] {
    if (delegate_.expired()) {
      error = GCDAsyncSocketError::badConfigError("Attempting to accept without a delegate. Set a delegate first.");
      return;
    }
    if (!delegateQueue_) {
      error = GCDAsyncSocketError::badConfigError(
          "Attempting to accept without a delegate queue. Set a delegate queue first.");
      return;
    }
    const bool v4Disabled = (config_ & kIPv4Disabled) != 0;
    const bool v6Disabled = (config_ & kIPv6Disabled) != 0;
    if (v4Disabled && v6Disabled) {
      error = GCDAsyncSocketError::badConfigError(
          "Both IPv4 and IPv6 have been disabled. Must enable at least one protocol first.");
      return;
    }
    if (flags_ & kSocketStarted) {
      error = GCDAsyncSocketError::badConfigError(
          "Attempting to accept while connected or accepting connections. Disconnect first.");
      return;
    }
    readQueue_.clear();
    writeQueue_.clear();

    std::optional<Bytes> interface4;
    std::optional<Bytes> interface6;
    getInterfaceAddress(&interface4, &interface6, interface.value_or(std::string()), port);
    if (!interface4 && !interface6) {
      error = GCDAsyncSocketError::badParamError(
          "Unknown interface. Specify valid interface by name (e.g. \"en1\") or IP address.");
      return;
    }
    if (v4Disabled && !interface6) {
      error = GCDAsyncSocketError::badParamError("IPv4 has been disabled and specified interface doesn't support IPv6.");
      return;
    }
    if (v6Disabled && !interface4) {
      error = GCDAsyncSocketError::badParamError("IPv6 has been disabled and specified interface doesn't support IPv4.");
      return;
    }
    const bool enableIPv4 = !v4Disabled && interface4;
    const bool enableIPv6 = !v6Disabled && interface6;

    GCDAsyncSocketError createError;
    if (enableIPv4) {
      const int fd = createListeningSocket(AF_INET, *interface4, &createError);
      if (fd < 0) {
        error = createError;
        return;
      }
      socket4FD_ = fd;
    }
    if (enableIPv6) {
      if (enableIPv4 && portFromAddress(*interface4) == 0) {
        // Both families listen on the port the system gave the IPv4 socket.
        setPort(*interface6, localPortFromSocket4(socket4FD_));
      }
      const int fd = createListeningSocket(AF_INET6, *interface6, &createError);
      if (fd < 0) {
        if (enableIPv4) {
          ::close(socket4FD_);
          socket4FD_ = -1;
        }
        error = createError;
        return;
      }
      socket6FD_ = fd;
    }

    auto makeAcceptSource = [this](int fd) {
      auto source = FdSource::makeRead(fd, *socketQueue_);
      FdSource* raw = source.get();
      source->setEventHandler([this, fd, raw] {
        const std::size_t pending = std::max<std::size_t>(raw->data(), 1);
        std::size_t calls = 0;
        while (doAccept(fd) && ++calls < pending) {
        }
      });
      source->setCancelHandler([fd] { ::close(fd); });
      source->resume();
      return source;
    };
    if (enableIPv4) accept4Source_ = makeAcceptSource(socket4FD_);
    if (enableIPv6) accept6Source_ = makeAcceptSource(socket6FD_);
    flags_ |= kSocketStarted;
    result = true;
  });
  if (!result && errPtr && error) *errPtr = *error;
  return result;
}

bool GCDAsyncSocket::doAccept(int parentFD) {
  const bool isIPv4Listener = parentFD == socket4FD_;
  sockaddr_storage addr{};
  socklen_t addrLen = isIPv4Listener ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
  const int childFD = ::accept4(parentFD, reinterpret_cast<sockaddr*>(&addr), &addrLen, SOCK_CLOEXEC);
  if (childFD < 0) return false;
  Bytes address = addressBytes(&addr, std::min<std::size_t>(addrLen, sizeof addr));
  if (!setNonBlocking(childFD)) {
    ::close(childFD);
    return false;
  }
  // Linux has no SO_NOSIGPIPE: every send() passes MSG_NOSIGNAL instead.
  if (!delegateQueue_) {
    ::close(childFD);  // nobody to hand the connection to
    return true;
  }
  const bool posted = delegateQueue_->async([weakSelf = weak_from_this(), weakDelegate = delegate_, childFD,
                                             isIPv4Listener, address = std::move(address)] {
    auto self = weakSelf.lock();
    if (!self) {
      ::close(childFD);
      return;
    }
    auto delegate = weakDelegate.lock();
    QueuePtr childQueue = delegate ? delegate->newSocketQueueForConnectionFromAddress(address, *self) : nullptr;
    auto acceptedSocket = GCDAsyncSocket::create(weakDelegate, self->delegateQueue(), childQueue);
    // Not yet shared with anyone: set up before the first task reaches its queue.
    if (isIPv4Listener) {
      acceptedSocket->socket4FD_ = childFD;
    } else {
      acceptedSocket->socket6FD_ = childFD;
    }
    acceptedSocket->flags_ = kSocketStarted | kConnected;
    acceptedSocket->socketQueue_->async([weakChild = std::weak_ptr<GCDAsyncSocket>(acceptedSocket), childFD] {
      if (auto child = weakChild.lock()) child->setupReadAndWriteSourcesForNewlyConnectedSocket(childFD);
    });
    if (delegate) delegate->socketDidAcceptNewSocket(*self, std::move(acceptedSocket));
  });
  if (!posted) ::close(childFD);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Connecting

bool GCDAsyncSocket::preConnectWithInterface(const std::optional<std::string>& interface,
                                             GCDAsyncSocketError* errPtr) {
  auto fail = [&](GCDAsyncSocketError e) {
    if (errPtr) *errPtr = std::move(e);
    return false;
  };
  if (delegate_.expired()) {
    return fail(GCDAsyncSocketError::badConfigError("Attempting to connect without a delegate. Set a delegate first."));
  }
  if (!delegateQueue_) {
    return fail(GCDAsyncSocketError::badConfigError(
        "Attempting to connect without a delegate queue. Set a delegate queue first."));
  }
  if (flags_ & kSocketStarted) {
    return fail(GCDAsyncSocketError::badConfigError(
        "Attempting to connect while connected or accepting connections. Disconnect first."));
  }
  const bool v4Disabled = (config_ & kIPv4Disabled) != 0;
  const bool v6Disabled = (config_ & kIPv6Disabled) != 0;
  if (v4Disabled && v6Disabled) {
    return fail(GCDAsyncSocketError::badConfigError(
        "Both IPv4 and IPv6 have been disabled. Must enable at least one protocol first."));
  }
  if (interface) {
    std::optional<Bytes> interface4;
    std::optional<Bytes> interface6;
    getInterfaceAddress(&interface4, &interface6, *interface, 0);
    if (!interface4 && !interface6) {
      return fail(GCDAsyncSocketError::badParamError(
          "Unknown interface. Specify valid interface by name (e.g. \"en1\") or IP address."));
    }
    if (v4Disabled && !interface6) {
      return fail(
          GCDAsyncSocketError::badParamError("IPv4 has been disabled and specified interface doesn't support IPv6."));
    }
    if (v6Disabled && !interface4) {
      return fail(
          GCDAsyncSocketError::badParamError("IPv6 has been disabled and specified interface doesn't support IPv4."));
    }
    connectInterface4_ = std::move(interface4);
    connectInterface6_ = std::move(interface6);
  }
  readQueue_.clear();
  writeQueue_.clear();
  return true;
}

bool GCDAsyncSocket::connectToHost(const std::string& host, std::uint16_t port, GCDAsyncSocketError* errPtr) {
  return connectToHost(host, port, std::nullopt, -1.0, errPtr);
}

bool GCDAsyncSocket::connectToHost(const std::string& host, std::uint16_t port, double timeout,
                                   GCDAsyncSocketError* errPtr) {
  return connectToHost(host, port, std::nullopt, timeout, errPtr);
}

bool GCDAsyncSocket::connectToHost(const std::string& host, std::uint16_t port,
                                   const std::optional<std::string>& interface, double timeout,
                                   GCDAsyncSocketError* errPtr) {
  bool result = false;
  runSync([&] {
    if (host.empty()) {
      if (errPtr) {
        *errPtr = GCDAsyncSocketError::badParamError(
            "Invalid host parameter (nil or \"\"). Should be a domain name or IP address string.");
      }
      return;
    }
    if (!preConnectWithInterface(interface, errPtr)) return;
    flags_ |= kSocketStarted;
    const int index = connectIndex_;
    // The lookup thread never owns the socket: were it to let the last reference go, the socket
    // would end there, away from its queue (which may have stopped by then).
    DispatchQueue::background().async([weakSelf = weak_from_this(), queue = socketQueue_, index, host, port] {
      LookupResult lookup = lookupHost(host, port);
      queue->async([weakSelf, index, lookup = std::move(lookup)]() mutable {
        auto socket = weakSelf.lock();
        if (!socket) return;
        if (lookup.error) {
          socket->lookupDidFail(index, *lookup.error);
        } else {
          socket->lookupDidSucceed(index, std::move(lookup.address4), std::move(lookup.address6));
        }
      });
    });
    startConnectTimeout(timeout);
    result = true;
  });
  return result;
}

bool GCDAsyncSocket::connectToAddress(const Bytes& address, GCDAsyncSocketError* errPtr) {
  return connectToAddress(address, std::nullopt, -1.0, errPtr);
}

bool GCDAsyncSocket::connectToAddress(const Bytes& address, double timeout, GCDAsyncSocketError* errPtr) {
  return connectToAddress(address, std::nullopt, timeout, errPtr);
}

bool GCDAsyncSocket::connectToAddress(const Bytes& address, const std::optional<std::string>& interface,
                                      double timeout, GCDAsyncSocketError* errPtr) {
  bool result = false;
  runSync([&] {
    std::optional<Bytes> address4;
    std::optional<Bytes> address6;
    if (address.size() >= sizeof(sockaddr_in) && isIPv4Address(address)) {
      address4 = address;
    } else if (isIPv6Address(address)) {
      address6 = address;
    } else {
      if (errPtr) *errPtr = GCDAsyncSocketError::badParamError("A valid IPv4 or IPv6 address was not given");
      return;
    }
    if (address4 && (config_ & kIPv4Disabled)) {
      if (errPtr) *errPtr = GCDAsyncSocketError::badParamError("IPv4 has been disabled and an IPv4 address was passed.");
      return;
    }
    if (address6 && (config_ & kIPv6Disabled)) {
      if (errPtr) *errPtr = GCDAsyncSocketError::badParamError("IPv6 has been disabled and an IPv6 address was passed.");
      return;
    }
    if (!preConnectWithInterface(interface, errPtr)) return;
    if (!connectWithAddress(address4, address6, errPtr)) return;
    flags_ |= kSocketStarted;
    startConnectTimeout(timeout);
    result = true;
  });
  return result;
}

void GCDAsyncSocket::lookupDidFail(int aConnectIndex, const GCDAsyncSocketError& error) {
  if (aConnectIndex != connectIndex_) return;
  endConnectTimeout();
  closeWithError(error);
}

void GCDAsyncSocket::lookupDidSucceed(int aConnectIndex, std::optional<Bytes> address4, std::optional<Bytes> address6) {
  if (aConnectIndex != connectIndex_) return;
  assert((address4 || address6) && "Expected at least one valid address");
  const bool v4Disabled = (config_ & kIPv4Disabled) != 0;
  const bool v6Disabled = (config_ & kIPv6Disabled) != 0;
  if (v4Disabled && !address6) {
    closeWithError(GCDAsyncSocketError::otherError("IPv4 has been disabled and DNS lookup found no IPv6 address."));
    return;
  }
  if (v6Disabled && !address4) {
    closeWithError(GCDAsyncSocketError::otherError("IPv6 has been disabled and DNS lookup found no IPv4 address."));
    return;
  }
  // A disabled family is never used, even when the lookup found it.
  if (v4Disabled) address4.reset();
  if (v6Disabled) address6.reset();
  GCDAsyncSocketError error;
  if (!connectWithAddress(address4, address6, &error)) closeWithError(error);
}

bool GCDAsyncSocket::connectWithAddress(const std::optional<Bytes>& address4, const std::optional<Bytes>& address6,
                                        GCDAsyncSocketError* errPtr) {
  const bool useIPv6 = ((config_ & kPreferIPv6) && address6) || !address4;
  const Bytes& address = useIPv6 ? *address6 : *address4;
  std::atomic<int>& fdField = useIPv6 ? socket6FD_ : socket4FD_;
  const int fd = ::socket(useIPv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    if (errPtr) *errPtr = GCDAsyncSocketError::errnoErrorWithReason("Error in socket() function");
    return false;
  }
  fdField = fd;
  auto failWith = [&](const char* reason) {
    if (errPtr) *errPtr = GCDAsyncSocketError::errnoErrorWithReason(reason);
    // A failed attempt keeps neither its descriptor nor its interface.
    ::close(fd);
    fdField = -1;
    connectInterface4_.reset();
    connectInterface6_.reset();
    return false;
  };
  const std::optional<Bytes>& interface = useIPv6 ? connectInterface6_ : connectInterface4_;
  if (interface) {
    if (portFromAddress(*interface) > 0) {
      int one = 1;
      ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(interface->data()), static_cast<socklen_t>(interface->size())) !=
        0) {
      return failWith("Error in bind() function");
    }
  }
  // The connect runs non-blocking and is finished by a write source on this queue, so a close
  // during the attempt never pulls the descriptor from under a call on another thread. Linux has
  // no SO_NOSIGPIPE: every send() passes MSG_NOSIGNAL instead.
  if (!setNonBlocking(fd)) return failWith("Error enabling non-blocking IO on socket (fcntl)");

  const int index = connectIndex_;
  const int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(address.data()), static_cast<socklen_t>(address.size()));
  if (rc == 0) {
    socketQueue_->async([weakSelf = weak_from_this(), index] {
      if (auto self = weakSelf.lock()) self->didConnect(index);
    });
  } else if (errno == EINPROGRESS || errno == EINTR) {
    connectSource_ = FdSource::makeWrite(fd, *socketQueue_);
    connectSource_->setEventHandler([this, index] { connectSourceFired(index); });
    connectSource_->resume();
  } else {
    GCDAsyncSocketError error = GCDAsyncSocketError::errnoErrorWithReason("Error in connect() function");
    socketQueue_->async([weakSelf = weak_from_this(), index, error] {
      if (auto self = weakSelf.lock()) self->didNotConnect(index, error);
    });
  }
  return true;
}

void GCDAsyncSocket::connectSourceFired(int aConnectIndex) {
  const int fd = connectedFD();
  int err = 0;
  socklen_t len = sizeof err;
  if (fd < 0 || ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
  retireSource(connectSource_);
  if (err == 0) {
    didConnect(aConnectIndex);
  } else {
    didNotConnect(aConnectIndex, GCDAsyncSocketError::errnoErrorWithCode(err, "Error in connect() function"));
  }
}

void GCDAsyncSocket::didConnect(int aConnectIndex) {
  if (aConnectIndex != connectIndex_) return;
  flags_ |= kConnected;
  endConnectTimeout();
  const std::optional<std::string> host = connectedHost();
  const std::uint16_t port = connectedPort();
  notifyDelegate([host = host.value_or(std::string()), port](Delegate& d, GCDAsyncSocket& s) {
    d.socketDidConnectToHost(s, host, port);
  });
  const int fd = connectedFD();
  if (!setNonBlocking(fd)) {
    closeWithError(GCDAsyncSocketError::otherError("Error enabling non-blocking IO on socket (fcntl)"));
    return;
  }
  setupReadAndWriteSourcesForNewlyConnectedSocket(fd);
  maybeDequeueRead();
  maybeDequeueWrite();
}

void GCDAsyncSocket::didNotConnect(int aConnectIndex, const GCDAsyncSocketError& error) {
  if (aConnectIndex != connectIndex_) return;
  closeWithError(error);
}

void GCDAsyncSocket::startConnectTimeout(double timeout) {
  if (timeout >= 0.0) connectTimer_->start(secondsToDuration(timeout));
}

void GCDAsyncSocket::endConnectTimeout() {
  connectTimer_->cancel();
  ++connectIndex_;
  connectInterface4_.reset();
  connectInterface6_.reset();
}

void GCDAsyncSocket::doConnectTimeout() {
  endConnectTimeout();
  closeWithError(GCDAsyncSocketError::connectTimeoutError());
}

// ---------------------------------------------------------------------------------------------
// Closing and status

void GCDAsyncSocket::retireSource(std::unique_ptr<FdSource>& source) {
  if (!source) return;
  source->cancel();
  // The source may be the one whose handler runs right now: free it in a later task, which holds
  // the source only (never the socket).
  auto holder = std::make_shared<std::unique_ptr<FdSource>>(std::move(source));
  socketQueue_->async([holder] { holder->reset(); });
}

void GCDAsyncSocket::closeWithError(std::optional<GCDAsyncSocketError> error) {
  assert(onSocketQueue() && "Must be dispatched on socketQueue");
  endConnectTimeout();
  if (currentRead_) endCurrentRead();
  if (currentWrite_) endCurrentWrite();
  readQueue_.clear();
  writeQueue_.clear();
  preBuffer_.reset();
  sslErrCode_ = 0;
  sslWriteCachedLength_ = 0;
  if (sslContext_) {
    sslContext_->close();
    const int fd = connectedFD();
    std::size_t length = 0;
    const std::uint8_t* out = sslContext_->rawOutput(&length);
    if (fd >= 0 && length > 0) {
      // Best effort: the close_notify goes out when the socket has room for it.
      [[maybe_unused]] ssize_t ignored = ::send(fd, out, length, MSG_NOSIGNAL | MSG_DONTWAIT);
    }
    sslContext_.reset();
  }
  retireSource(connectSource_);
  if (!accept4Source_ && !accept6Source_ && !readSource_ && !writeSource_) {
    if (socket4FD_ != -1) ::close(socket4FD_);
    if (socket6FD_ != -1) ::close(socket6FD_);
  } else {
    // The cancel handlers close the descriptors.
    retireSource(accept4Source_);
    retireSource(accept6Source_);
    retireSource(readSource_);
    retireSource(writeSource_);
  }
  socket4FD_ = -1;
  socket6FD_ = -1;
  const bool wasStarted = (flags_ & kSocketStarted) != 0;
  socketFDBytesAvailable_ = 0;
  flags_ = 0;
  if (wasStarted) {
    notifyDelegate([error = std::move(error)](Delegate& d, GCDAsyncSocket& s) { d.socketDidDisconnect(s, error); });
  }
}

void GCDAsyncSocket::maybeClose() {
  assert(onSocketQueue() && "Must be dispatched on socketQueue");
  bool shouldClose = false;
  if (flags_ & kDisconnectAfterReads) {
    if (readQueue_.empty() && !currentRead_) {
      shouldClose = !(flags_ & kDisconnectAfterWrites) || (writeQueue_.empty() && !currentWrite_);
    }
  } else if (flags_ & kDisconnectAfterWrites) {
    shouldClose = writeQueue_.empty() && !currentWrite_;
  }
  if (shouldClose) closeWithError(std::nullopt);
}

void GCDAsyncSocket::disconnect() {
  runSync([this] {
    if (flags_ & kSocketStarted) closeWithError(std::nullopt);
  });
}

void GCDAsyncSocket::disconnectAfterReading() {
  runAsync([this] {
    if (!(flags_ & kSocketStarted)) return;
    flags_ |= kForbidReadsWrites | kDisconnectAfterReads;
    maybeClose();
  });
}

void GCDAsyncSocket::disconnectAfterWriting() {
  runAsync([this] {
    if (!(flags_ & kSocketStarted)) return;
    flags_ |= kForbidReadsWrites | kDisconnectAfterWrites;
    maybeClose();
  });
}

void GCDAsyncSocket::disconnectAfterReadingAndWriting() {
  runAsync([this] {
    if (!(flags_ & kSocketStarted)) return;
    flags_ |= kForbidReadsWrites | kDisconnectAfterReads | kDisconnectAfterWrites;
    maybeClose();
  });
}

bool GCDAsyncSocket::isDisconnected() const {
  bool result = true;
  runSync([&] { result = (flags_ & kSocketStarted) == 0; });
  return result;
}

bool GCDAsyncSocket::isConnected() const {
  bool result = false;
  runSync([&] { result = (flags_ & kConnected) != 0; });
  return result;
}

int GCDAsyncSocket::connectedFD() const { return socket4FD_ != -1 ? socket4FD_.load() : socket6FD_.load(); }

std::optional<std::string> GCDAsyncSocket::connectedHost() const {
  std::optional<std::string> result;
  runSync([&] {
    if (socket4FD_ != -1) {
      result = connectedHostFromSocket4(socket4FD_);
    } else if (socket6FD_ != -1) {
      result = connectedHostFromSocket6(socket6FD_);
    }
  });
  return result;
}

std::uint16_t GCDAsyncSocket::connectedPort() const {
  std::uint16_t result = 0;
  runSync([&] {
    if (socket4FD_ != -1) {
      result = connectedPortFromSocket4(socket4FD_);
    } else if (socket6FD_ != -1) {
      result = connectedPortFromSocket6(socket6FD_);
    }
  });
  return result;
}

std::optional<std::string> GCDAsyncSocket::localHost() const {
  std::optional<std::string> result;
  runSync([&] {
    if (socket4FD_ != -1) {
      result = localHostFromSocket4(socket4FD_);
    } else if (socket6FD_ != -1) {
      result = localHostFromSocket6(socket6FD_);
    }
  });
  return result;
}

std::uint16_t GCDAsyncSocket::localPort() const {
  std::uint16_t result = 0;
  runSync([&] {
    if (socket4FD_ != -1) {
      result = localPortFromSocket4(socket4FD_);
    } else if (socket6FD_ != -1) {
      result = localPortFromSocket6(socket6FD_);
    }
  });
  return result;
}

std::optional<std::string> GCDAsyncSocket::connectedHost4() const {
  const int fd = socket4FD_;
  return fd == -1 ? std::nullopt : connectedHostFromSocket4(fd);
}
std::optional<std::string> GCDAsyncSocket::connectedHost6() const {
  const int fd = socket6FD_;
  return fd == -1 ? std::nullopt : connectedHostFromSocket6(fd);
}
std::uint16_t GCDAsyncSocket::connectedPort4() const {
  const int fd = socket4FD_;
  return fd == -1 ? 0 : connectedPortFromSocket4(fd);
}
std::uint16_t GCDAsyncSocket::connectedPort6() const {
  const int fd = socket6FD_;
  return fd == -1 ? 0 : connectedPortFromSocket6(fd);
}
std::optional<std::string> GCDAsyncSocket::localHost4() const {
  const int fd = socket4FD_;
  return fd == -1 ? std::nullopt : localHostFromSocket4(fd);
}
std::optional<std::string> GCDAsyncSocket::localHost6() const {
  const int fd = socket6FD_;
  return fd == -1 ? std::nullopt : localHostFromSocket6(fd);
}
std::uint16_t GCDAsyncSocket::localPort4() const {
  const int fd = socket4FD_;
  return fd == -1 ? 0 : localPortFromSocket4(fd);
}
std::uint16_t GCDAsyncSocket::localPort6() const {
  const int fd = socket6FD_;
  return fd == -1 ? 0 : localPortFromSocket6(fd);
}

std::optional<GCDAsyncSocket::Bytes> GCDAsyncSocket::connectedAddress() const {
  std::optional<Bytes> result;
  runSync([&] {
    sockaddr_storage sa{};
    if (socket6FD_ != -1) {
      socklen_t len = sizeof(sockaddr_in6);
      if (::getpeername(socket6FD_, reinterpret_cast<sockaddr*>(&sa), &len) == 0) result = addressBytes(&sa, len);
    } else if (socket4FD_ != -1) {
      socklen_t len = sizeof(sockaddr_in);
      if (::getpeername(socket4FD_, reinterpret_cast<sockaddr*>(&sa), &len) == 0) result = addressBytes(&sa, len);
    }
  });
  return result;
}

std::optional<GCDAsyncSocket::Bytes> GCDAsyncSocket::localAddress() const {
  std::optional<Bytes> result;
  runSync([&] {
    sockaddr_storage sa{};
    if (socket6FD_ != -1) {
      socklen_t len = sizeof(sockaddr_in6);
      if (::getsockname(socket6FD_, reinterpret_cast<sockaddr*>(&sa), &len) == 0) result = addressBytes(&sa, len);
    } else if (socket4FD_ != -1) {
      socklen_t len = sizeof(sockaddr_in);
      if (::getsockname(socket4FD_, reinterpret_cast<sockaddr*>(&sa), &len) == 0) result = addressBytes(&sa, len);
    }
  });
  return result;
}

bool GCDAsyncSocket::isIPv4() const {
  bool result = false;
  runSync([&] { result = socket4FD_ != -1; });
  return result;
}

bool GCDAsyncSocket::isIPv6() const {
  bool result = false;
  runSync([&] { result = socket6FD_ != -1; });
  return result;
}

// ---------------------------------------------------------------------------------------------
// Reading

void GCDAsyncSocket::enqueueRead(std::shared_ptr<GCDAsyncReadPacket> packet) {
  runAsync([this, packet = std::move(packet)] {
    if ((flags_ & kSocketStarted) && !(flags_ & kForbidReadsWrites)) {
      readQueue_.push_back(packet);
      maybeDequeueRead();
    }
  });
}

void GCDAsyncSocket::readDataWithTimeout(double timeout, std::int64_t tag) {
  readDataWithTimeout(timeout, nullptr, 0, 0, tag);
}

void GCDAsyncSocket::readDataWithTimeout(double timeout, std::shared_ptr<Bytes> buffer, std::uint64_t offset,
                                         std::int64_t tag) {
  readDataWithTimeout(timeout, std::move(buffer), offset, 0, tag);
}

void GCDAsyncSocket::readDataWithTimeout(double timeout, std::shared_ptr<Bytes> buffer, std::uint64_t offset,
                                         std::uint64_t maxLength, std::int64_t tag) {
  if (offset > (buffer ? buffer->size() : 0)) return;
  enqueueRead(std::make_shared<GCDAsyncReadPacket>(std::move(buffer), offset, maxLength, timeout, 0, nullptr, tag));
}

void GCDAsyncSocket::readDataToLength(std::uint64_t length, double timeout, std::int64_t tag) {
  readDataToLength(length, timeout, nullptr, 0, tag);
}

void GCDAsyncSocket::readDataToLength(std::uint64_t length, double timeout, std::shared_ptr<Bytes> buffer,
                                      std::uint64_t offset, std::int64_t tag) {
  if (length == 0) return;
  if (offset > (buffer ? buffer->size() : 0)) return;
  enqueueRead(std::make_shared<GCDAsyncReadPacket>(std::move(buffer), offset, 0, timeout, length, nullptr, tag));
}

void GCDAsyncSocket::readDataToData(const Bytes& data, double timeout, std::int64_t tag) {
  readDataToData(data, timeout, nullptr, 0, 0, tag);
}

void GCDAsyncSocket::readDataToData(const Bytes& data, double timeout, std::shared_ptr<Bytes> buffer,
                                    std::uint64_t offset, std::int64_t tag) {
  readDataToData(data, timeout, std::move(buffer), offset, 0, tag);
}

void GCDAsyncSocket::readDataToData(const Bytes& data, double timeout, std::uint64_t maxLength, std::int64_t tag) {
  readDataToData(data, timeout, nullptr, 0, maxLength, tag);
}

void GCDAsyncSocket::readDataToData(const Bytes& data, double timeout, std::shared_ptr<Bytes> buffer,
                                    std::uint64_t offset, std::uint64_t maxLength, std::int64_t tag) {
  if (data.empty()) return;
  if (offset > (buffer ? buffer->size() : 0)) return;
  if (maxLength > 0 && maxLength < data.size()) return;
  enqueueRead(std::make_shared<GCDAsyncReadPacket>(std::move(buffer), offset, maxLength, timeout, 0, &data, tag));
}

float GCDAsyncSocket::progressOfReadReturningTag(std::int64_t* tagPtr, std::uint64_t* donePtr,
                                                 std::uint64_t* totalPtr) const {
  float result = std::numeric_limits<float>::quiet_NaN();
  runSync([&] {
    const auto* packet = dynamic_cast<const GCDAsyncReadPacket*>(currentRead_.get());
    if (!packet) {
      if (tagPtr) *tagPtr = 0;
      if (donePtr) *donePtr = 0;
      if (totalPtr) *totalPtr = 0;
      return;
    }
    if (tagPtr) *tagPtr = packet->tag;
    if (donePtr) *donePtr = packet->bytesDone;
    if (totalPtr) *totalPtr = packet->readLength;
    result = packet->readLength == 0 ? 1.0f
                                     : static_cast<float>(static_cast<double>(packet->bytesDone) /
                                                          static_cast<double>(packet->readLength));
  });
  return result;
}

void GCDAsyncSocket::setupReadAndWriteSourcesForNewlyConnectedSocket(int fd) {
  readSource_ = FdSource::makeRead(fd, *socketQueue_);
  writeSource_ = FdSource::makeWrite(fd, *socketQueue_);
  FdSource* readSource = readSource_.get();
  readSource_->setEventHandler([this, readSource] {
    socketFDBytesAvailable_ = readSource->data();
    if (socketFDBytesAvailable_ > 0) {
      doReadData();
    } else {
      doReadEOF();
    }
  });
  writeSource_->setEventHandler([this] {
    flags_ |= kSocketCanAcceptBytes;
    doWriteData();
  });
  // The descriptor is closed once both sources are cancelled, whichever goes last.
  auto remaining = std::make_shared<int>(2);
  auto cancelHandler = [fd, remaining] {
    if (--*remaining == 0) ::close(fd);
  };
  readSource_->setCancelHandler(cancelHandler);
  writeSource_->setCancelHandler(cancelHandler);

  socketFDBytesAvailable_ = 0;
  flags_ &= ~kReadSourceSuspended;
  readSource_->resume();
  // A fresh connection is taken to be writable; the write source waits, suspended, until a write
  // finds the socket full.
  flags_ |= kSocketCanAcceptBytes | kWriteSourceSuspended;
}

void GCDAsyncSocket::suspendReadSource() {
  if (!(flags_ & kReadSourceSuspended) && readSource_) {
    readSource_->suspend();
    flags_ |= kReadSourceSuspended;
  }
}

void GCDAsyncSocket::resumeReadSource() {
  if ((flags_ & kReadSourceSuspended) && readSource_) {
    readSource_->resume();
    flags_ &= ~kReadSourceSuspended;
  }
}

void GCDAsyncSocket::suspendWriteSource() {
  if (!(flags_ & kWriteSourceSuspended) && writeSource_) {
    writeSource_->suspend();
    flags_ |= kWriteSourceSuspended;
  }
}

void GCDAsyncSocket::resumeWriteSource() {
  if ((flags_ & kWriteSourceSuspended) && writeSource_) {
    writeSource_->resume();
    flags_ &= ~kWriteSourceSuspended;
  }
}

void GCDAsyncSocket::maybeDequeueRead() {
  assert(onSocketQueue() && "Must be dispatched on socketQueue");
  if (currentRead_ || !(flags_ & kConnected)) return;
  if (!readQueue_.empty()) {
    currentRead_ = readQueue_.front();
    readQueue_.pop_front();
    if (dynamic_cast<GCDAsyncSpecialPacket*>(currentRead_.get())) {
      flags_ |= kStartingReadTLS;
      maybeStartTLS();
    } else {
      setupReadTimerWithTimeout(static_cast<GCDAsyncReadPacket*>(currentRead_.get())->timeout);
      doReadData();
    }
  } else if (flags_ & kDisconnectAfterReads) {
    if (flags_ & kDisconnectAfterWrites) {
      if (writeQueue_.empty() && !currentWrite_) closeWithError(std::nullopt);
    } else {
      closeWithError(std::nullopt);
    }
  } else if (flags_ & kSocketSecure) {
    flushSSLBuffers();
    if (preBuffer_.availableBytes() == 0) resumeReadSource();
  }
}

std::size_t GCDAsyncSocket::readEstimate() const {
  std::size_t estimate = socketFDBytesAvailable_;
  if (sslContext_) estimate += sslContext_->rawInputPending() + sslContext_->bufferedReadSize();
  return estimate;
}

void GCDAsyncSocket::doReadData() {
  if (!currentRead_ || (flags_ & kReadsPaused)) {
    // No request to serve: unread bytes wait in the kernel until one arrives.
    if (flags_ & kSocketSecure) flushSSLBuffers();
    if (socketFDBytesAvailable_ > 0) suspendReadSource();
    return;
  }
  const std::size_t estimatedBytesAvailable = readEstimate();
  const bool hasBytesAvailable = estimatedBytesAvailable > 0;
  if (!hasBytesAvailable && preBuffer_.availableBytes() == 0) {
    resumeReadSource();
    return;
  }
  if (flags_ & kStartingReadTLS) {
    if (flags_ & kStartingWriteTLS) {
      sslContinueSSLHandshake();
    } else {
      suspendReadSource();  // the handshake waits for the write side to reach its marker
    }
    return;
  }

  const PacketPtr hold = currentRead_;
  auto* packet = static_cast<GCDAsyncReadPacket*>(hold.get());
  bool done = false;
  std::optional<GCDAsyncSocketError> error;
  bool waiting = false;
  std::size_t totalBytesReadForCurrentRead = 0;

  auto moveFromPreBuffer = [&](std::size_t n) {
    packet->ensureCapacityForAdditionalDataOfLength(n);
    std::memcpy(packet->writePosition(), preBuffer_.readBuffer(), n);
    preBuffer_.didRead(n);
    packet->bytesDone += n;
    totalBytesReadForCurrentRead += n;
  };

  // 1. Bytes read ahead earlier.
  if (preBuffer_.availableBytes() > 0) {
    std::size_t n;
    if (packet->hasTerm()) {
      n = packet->readLengthForTermWithPreBuffer(preBuffer_, &done);
    } else {
      n = packet->readLengthForNonTermWithHint(preBuffer_.availableBytes());
    }
    moveFromPreBuffer(n);
    if (packet->readLength > 0) {
      done = packet->bytesDone == packet->readLength;
    } else if (packet->hasTerm()) {
      if (!done && packet->maxLength > 0 && packet->bytesDone >= packet->maxLength) {
        error = GCDAsyncSocketError::readMaxedOutError();
      }
    } else {
      done = packet->maxLength > 0 && packet->bytesDone == packet->maxLength;
    }
  }

  // 2. The socket.
  bool socketEOF = (flags_ & kSocketHasReadEOF) != 0;
  if (!done && !error && !socketEOF && !hasBytesAvailable) waiting = true;

  if (!done && !error && !socketEOF && !waiting && hasBytesAvailable) {
    assert(preBuffer_.availableBytes() == 0 && "Invalid logic");
    bool readIntoPreBuffer = false;
    std::size_t bytesToRead;
    if (packet->hasTerm()) {
      bytesToRead = packet->readLengthForTermWithHint(estimatedBytesAvailable, &readIntoPreBuffer);
    } else {
      bytesToRead = packet->readLengthForNonTermWithHint(estimatedBytesAvailable);
    }
    std::uint8_t* buffer;
    if (readIntoPreBuffer) {
      preBuffer_.ensureCapacityForWrite(bytesToRead);
      buffer = preBuffer_.writeBuffer();
    } else {
      packet->ensureCapacityForAdditionalDataOfLength(bytesToRead);
      buffer = packet->writePosition();
    }

    std::size_t bytesRead = 0;
    if (flags_ & kSocketSecure) {
      sslPullInput();
      while (bytesRead < bytesToRead) {
        std::size_t processed = 0;
        const std::int32_t status = sslContext_->read(buffer + bytesRead, bytesToRead - bytesRead, &processed);
        bytesRead += processed;
        if (status != 0) {
          if (status == errSSLWouldBlock) {
            waiting = true;
          } else if (status == errSSLClosedGraceful || status == errSSLClosedAbort) {
            socketEOF = true;
            sslErrCode_ = status;
          } else {
            error = GCDAsyncSocketError::sslError(status, sslContext_->lastErrorText());
          }
          break;
        }
        if (processed == 0) break;
      }
      // Reading can leave protocol bytes to send (a key update answer).
      if (!error) sslPushOutput();
    } else {
      const ssize_t result = ::read(connectedFD(), buffer, bytesToRead);
      if (result < 0) {
        if (errno == EWOULDBLOCK) {
          waiting = true;
        } else {
          error = GCDAsyncSocketError::errnoErrorWithReason("Error in read() function");
        }
        socketFDBytesAvailable_ = 0;
      } else if (result == 0) {
        socketEOF = true;
        socketFDBytesAvailable_ = 0;
      } else {
        bytesRead = static_cast<std::size_t>(result);
        if (bytesRead < bytesToRead || socketFDBytesAvailable_ <= bytesRead) {
          socketFDBytesAvailable_ = 0;
        } else {
          socketFDBytesAvailable_ -= bytesRead;
        }
        if (socketFDBytesAvailable_ == 0) waiting = true;
      }
    }

    if (bytesRead > 0) {
      if (packet->readLength > 0) {
        assert(!readIntoPreBuffer && "Invalid logic");
        packet->bytesDone += bytesRead;
        totalBytesReadForCurrentRead += bytesRead;
        done = packet->bytesDone == packet->readLength;
      } else if (packet->hasTerm()) {
        if (readIntoPreBuffer) {
          preBuffer_.didWrite(bytesRead);
          const std::size_t n = packet->readLengthForTermWithPreBuffer(preBuffer_, &done);
          moveFromPreBuffer(n);
        } else {
          const std::int64_t overflow = packet->searchForTermAfterPreBuffering(bytesRead);
          if (overflow == 0) {
            packet->bytesDone += bytesRead;
            totalBytesReadForCurrentRead += bytesRead;
            done = true;
          } else if (overflow > 0) {
            // Bytes read past the terminator wait in the pre-buffer for the next request.
            const std::size_t extra = static_cast<std::size_t>(overflow);
            const std::size_t underflow = bytesRead - extra;
            preBuffer_.ensureCapacityForWrite(extra);
            std::memcpy(preBuffer_.writeBuffer(), buffer + underflow, extra);
            preBuffer_.didWrite(extra);
            packet->bytesDone += underflow;
            totalBytesReadForCurrentRead += underflow;
            done = true;
          } else {
            packet->bytesDone += bytesRead;
            totalBytesReadForCurrentRead += bytesRead;
          }
        }
        if (!done && packet->maxLength > 0 && packet->bytesDone >= packet->maxLength) {
          error = GCDAsyncSocketError::readMaxedOutError();
        }
      } else {
        if (readIntoPreBuffer) {
          preBuffer_.didWrite(bytesRead);
          moveFromPreBuffer(bytesRead);
        } else {
          packet->bytesDone += bytesRead;
          totalBytesReadForCurrentRead += bytesRead;
        }
        done = true;
      }
    }
  }

  // Available-data reads complete with whatever this pass delivered.
  if (!done && packet->readLength == 0 && !packet->hasTerm() && totalBytesReadForCurrentRead > 0) done = true;

  if (done) {
    completeCurrentRead();
    if (!error && (!socketEOF || preBuffer_.availableBytes() > 0)) maybeDequeueRead();
  } else if (totalBytesReadForCurrentRead > 0) {
    const std::int64_t tag = packet->tag;
    notifyDelegate([length = totalBytesReadForCurrentRead, tag](Delegate& d, GCDAsyncSocket& s) {
      d.socketDidReadPartialDataOfLength(s, length, tag);
    });
  }

  if (error) {
    closeWithError(error);
  } else if (socketEOF) {
    doReadEOF();
  } else if (waiting) {
    resumeReadSource();
  } else if (!done && (flags_ & kSocketSecure) && readEstimate() > 0) {
    // Records already taken off the descriptor wait in the TLS input, where no read event
    // announces them: serve them in another pass.
    socketQueue_->async([weakSelf = weak_from_this()] {
      if (auto self = weakSelf.lock()) self->doReadData();
    });
  }
}

void GCDAsyncSocket::doReadEOF() {
  flags_ |= kSocketHasReadEOF;
  if (flags_ & kSocketSecure) {
    if (sslContext_) sslContext_->setRawEndOfStream();
    flushSSLBuffers();
  }
  bool shouldDisconnect = false;
  std::optional<GCDAsyncSocketError> error;
  if (flags_ & (kStartingReadTLS | kStartingWriteTLS)) {
    shouldDisconnect = true;
    error = GCDAsyncSocketError::sslError(errSSLClosedAbort);
  } else if (flags_ & kReadStreamClosed) {
    shouldDisconnect = false;
  } else if (preBuffer_.availableBytes() > 0) {
    shouldDisconnect = false;  // still to be read
  } else if (config_ & kAllowHalfDuplexConnection) {
    pollfd pfd{connectedFD(), POLLOUT, 0};
    ::poll(&pfd, 1, 0);
    if ((pfd.revents & POLLOUT) && !(pfd.revents & POLLERR)) {
      flags_ |= kReadStreamClosed;
      notifyDelegate([](Delegate& d, GCDAsyncSocket& s) { d.socketDidCloseReadStream(s); });
    } else {
      shouldDisconnect = true;
    }
  } else {
    shouldDisconnect = true;
  }

  if (shouldDisconnect) {
    if (!error) {
      if (sslErrCode_ != 0 && sslErrCode_ != errSSLClosedGraceful) {
        error = GCDAsyncSocketError::sslError(sslErrCode_);
      } else {
        error = GCDAsyncSocketError::connectionClosedError();
      }
    }
    closeWithError(error);
  } else {
    suspendReadSource();
  }
}

void GCDAsyncSocket::completeCurrentRead() {
  assert(currentRead_ && "Trying to complete current read when there is no current read.");
  auto* packet = static_cast<GCDAsyncReadPacket*>(currentRead_.get());
  std::shared_ptr<Bytes> buffer = packet->buffer;
  std::size_t offset = 0;
  const std::size_t length = packet->bytesDone;
  if (packet->bufferOwner) {
    buffer->resize(length);
  } else {
    if (buffer->size() > packet->originalBufferLength) {
      buffer->resize(std::max<std::uint64_t>(packet->startOffset + packet->bytesDone, packet->originalBufferLength));
    }
    offset = packet->startOffset;
  }
  notifyDelegate([buffer, offset, length, tag = packet->tag](Delegate& d, GCDAsyncSocket& s) {
    d.socketDidReadData(s, std::span<const std::uint8_t>(buffer->data() + offset, length), tag);
  });
  endCurrentRead();
}

void GCDAsyncSocket::endCurrentRead() {
  readTimer_->cancel();
  currentRead_.reset();
}

void GCDAsyncSocket::setupReadTimerWithTimeout(double timeout) {
  if (timeout >= 0.0) readTimer_->start(secondsToDuration(timeout));
}

void GCDAsyncSocket::doReadTimeout() {
  // Reads pause until the delegate has answered.
  flags_ |= kReadsPaused;
  const PacketPtr packet = currentRead_;
  const auto* read = dynamic_cast<const GCDAsyncReadPacket*>(packet.get());
  if (!read || !delegateQueue_ || delegate_.expired()) {
    doReadTimeoutWithExtension(packet, 0.0);
    return;
  }
  const bool posted = delegateQueue_->async([weakSelf = weak_from_this(), weakDelegate = delegate_, packet,
                                             tag = read->tag, elapsed = read->timeout, done = read->bytesDone] {
    auto self = weakSelf.lock();
    if (!self) return;
    auto delegate = weakDelegate.lock();
    const double extension =
        delegate ? delegate->socketShouldTimeoutReadWithTag(*self, tag, elapsed, static_cast<std::size_t>(done)) : 0.0;
    self->socketQueue_->async([weakSelf, packet, extension] {
      if (auto socket = weakSelf.lock()) socket->doReadTimeoutWithExtension(packet, extension);
    });
  });
  if (!posted) doReadTimeoutWithExtension(packet, 0.0);
}

void GCDAsyncSocket::doReadTimeoutWithExtension(const PacketPtr& packet, double extension) {
  if (!packet || currentRead_ != packet) return;
  if (extension > 0.0) {
    static_cast<GCDAsyncReadPacket*>(packet.get())->timeout += extension;
    readTimer_->start(secondsToDuration(extension));
    flags_ &= ~kReadsPaused;
    doReadData();
  } else {
    closeWithError(GCDAsyncSocketError::readTimeoutError());
  }
}

void GCDAsyncSocket::flushSSLBuffers() {
  if (!sslContext_) return;
  if (preBuffer_.availableBytes() > 0) return;
  for (;;) {
    sslPullInput();
    const std::size_t estimate = sslContext_->rawInputPending() + sslContext_->bufferedReadSize();
    if (estimate == 0) break;
    preBuffer_.ensureCapacityForWrite(estimate);
    std::size_t processed = 0;
    const std::int32_t status = sslContext_->read(preBuffer_.writeBuffer(), estimate, &processed);
    preBuffer_.didWrite(processed);
    if (status != 0 || processed == 0) break;
  }
}

// ---------------------------------------------------------------------------------------------
// Writing

void GCDAsyncSocket::writeData(Bytes data, double timeout, std::int64_t tag) {
  writeData(std::make_shared<const Bytes>(std::move(data)), timeout, tag);
}

void GCDAsyncSocket::writeData(std::shared_ptr<const Bytes> data, double timeout, std::int64_t tag) {
  if (!data || data->empty()) return;
  auto packet = std::make_shared<GCDAsyncWritePacket>(std::move(data), timeout, tag);
  runAsync([this, packet = std::move(packet)] {
    if ((flags_ & kSocketStarted) && !(flags_ & kForbidReadsWrites)) {
      writeQueue_.push_back(packet);
      maybeDequeueWrite();
    }
  });
}

float GCDAsyncSocket::progressOfWriteReturningTag(std::int64_t* tagPtr, std::uint64_t* donePtr,
                                                  std::uint64_t* totalPtr) const {
  float result = std::numeric_limits<float>::quiet_NaN();
  runSync([&] {
    const auto* packet = dynamic_cast<const GCDAsyncWritePacket*>(currentWrite_.get());
    if (!packet) {
      if (tagPtr) *tagPtr = 0;
      if (donePtr) *donePtr = 0;
      if (totalPtr) *totalPtr = 0;
      return;
    }
    const std::uint64_t total = packet->buffer->size();
    if (tagPtr) *tagPtr = packet->tag;
    if (donePtr) *donePtr = packet->bytesDone;
    if (totalPtr) *totalPtr = total;
    result = static_cast<float>(static_cast<double>(packet->bytesDone) / static_cast<double>(total));
  });
  return result;
}

void GCDAsyncSocket::maybeDequeueWrite() {
  assert(onSocketQueue() && "Must be dispatched on socketQueue");
  if (currentWrite_ || !(flags_ & kConnected)) return;
  if (!writeQueue_.empty()) {
    currentWrite_ = writeQueue_.front();
    writeQueue_.pop_front();
    if (dynamic_cast<GCDAsyncSpecialPacket*>(currentWrite_.get())) {
      flags_ |= kStartingWriteTLS;
      maybeStartTLS();
    } else {
      setupWriteTimerWithTimeout(static_cast<GCDAsyncWritePacket*>(currentWrite_.get())->timeout);
      doWriteData();
    }
  } else if (flags_ & kDisconnectAfterWrites) {
    if (flags_ & kDisconnectAfterReads) {
      if (readQueue_.empty() && !currentRead_) closeWithError(std::nullopt);
    } else {
      closeWithError(std::nullopt);
    }
  }
}

void GCDAsyncSocket::doWriteData() {
  if (!currentWrite_ || (flags_ & kWritesPaused)) {
    // TLS protocol bytes may still wait for room with no write request behind them.
    if (sslContext_ && sslContext_->rawOutputPending() > 0 && (flags_ & kSocketCanAcceptBytes)) {
      if (sslPushOutput() == errSSLWouldBlock) return;
    }
    if (flags_ & kSocketCanAcceptBytes) suspendWriteSource();
    return;
  }
  if (!(flags_ & kSocketCanAcceptBytes)) {
    resumeWriteSource();
    return;
  }
  if (flags_ & kStartingWriteTLS) {
    if (flags_ & kStartingReadTLS) {
      sslContinueSSLHandshake();
    } else {
      suspendWriteSource();
    }
    return;
  }

  const PacketPtr hold = currentWrite_;
  auto* packet = static_cast<GCDAsyncWritePacket*>(hold.get());
  const Bytes& data = *packet->buffer;
  bool waiting = false;
  std::optional<GCDAsyncSocketError> error;
  std::size_t bytesWritten = 0;

  if (flags_ & kSocketSecure) {
    bool carryOn = true;
    if (sslWriteCachedLength_ > 0) {
      const std::int32_t status = sslPushOutput();
      if (status == 0) {
        bytesWritten = sslWriteCachedLength_;
        sslWriteCachedLength_ = 0;
        carryOn = packet->bytesDone + bytesWritten < data.size();
      } else {
        carryOn = false;
        if (status == errSSLWouldBlock) {
          waiting = true;
        } else {
          error = GCDAsyncSocketError::sslError(status);
        }
      }
    }
    while (carryOn && packet->bytesDone + bytesWritten < data.size()) {
      const std::size_t offset = packet->bytesDone + bytesWritten;
      const std::size_t slice = std::min(kTLSWriteSlice, data.size() - offset);
      std::int32_t status = sslContext_->write(data.data() + offset, slice);
      if (status != 0) {
        error = GCDAsyncSocketError::sslError(status, sslContext_->lastErrorText());
        break;
      }
      status = sslPushOutput();
      if (status == 0) {
        bytesWritten += slice;
      } else if (status == errSSLWouldBlock) {
        // The session holds the slice; it counts as written once it has reached the wire.
        waiting = true;
        sslWriteCachedLength_ = slice;
        break;
      } else {
        error = GCDAsyncSocketError::sslError(status);
        break;
      }
    }
  } else {
    const std::size_t remaining = data.size() - packet->bytesDone;
    const ssize_t result = ::send(connectedFD(), data.data() + packet->bytesDone, remaining, MSG_NOSIGNAL);
    if (result < 0) {
      if (errno == EWOULDBLOCK) {
        waiting = true;
      } else {
        error = GCDAsyncSocketError::errnoErrorWithReason("Error in write() function");
      }
    } else {
      bytesWritten = static_cast<std::size_t>(result);
    }
  }

  if (waiting) {
    flags_ &= ~kSocketCanAcceptBytes;
    resumeWriteSource();
  }
  bool done = false;
  if (bytesWritten > 0) {
    packet->bytesDone += bytesWritten;
    done = packet->bytesDone == data.size();
  }
  if (done) {
    completeCurrentWrite();
    if (!error) maybeDequeueWrite();
  } else {
    if (!waiting && !error) {
      flags_ &= ~kSocketCanAcceptBytes;
      resumeWriteSource();
    }
    if (bytesWritten > 0) {
      notifyDelegate([bytesWritten, tag = packet->tag](Delegate& d, GCDAsyncSocket& s) {
        d.socketDidWritePartialDataOfLength(s, bytesWritten, tag);
      });
    }
  }
  if (error) closeWithError(error);
}

void GCDAsyncSocket::completeCurrentWrite() {
  assert(currentWrite_ && "Trying to complete current write when there is no current write.");
  const std::int64_t tag = static_cast<GCDAsyncWritePacket*>(currentWrite_.get())->tag;
  notifyDelegate([tag](Delegate& d, GCDAsyncSocket& s) { d.socketDidWriteDataWithTag(s, tag); });
  endCurrentWrite();
}

void GCDAsyncSocket::endCurrentWrite() {
  writeTimer_->cancel();
  currentWrite_.reset();
}

void GCDAsyncSocket::setupWriteTimerWithTimeout(double timeout) {
  if (timeout >= 0.0) writeTimer_->start(secondsToDuration(timeout));
}

void GCDAsyncSocket::doWriteTimeout() {
  flags_ |= kWritesPaused;
  const PacketPtr packet = currentWrite_;
  const auto* write = dynamic_cast<const GCDAsyncWritePacket*>(packet.get());
  if (!write || !delegateQueue_ || delegate_.expired()) {
    doWriteTimeoutWithExtension(packet, 0.0);
    return;
  }
  const bool posted = delegateQueue_->async([weakSelf = weak_from_this(), weakDelegate = delegate_, packet,
                                             tag = write->tag, elapsed = write->timeout, done = write->bytesDone] {
    auto self = weakSelf.lock();
    if (!self) return;
    auto delegate = weakDelegate.lock();
    const double extension =
        delegate ? delegate->socketShouldTimeoutWriteWithTag(*self, tag, elapsed, static_cast<std::size_t>(done)) : 0.0;
    self->socketQueue_->async([weakSelf, packet, extension] {
      if (auto socket = weakSelf.lock()) socket->doWriteTimeoutWithExtension(packet, extension);
    });
  });
  if (!posted) doWriteTimeoutWithExtension(packet, 0.0);
}

void GCDAsyncSocket::doWriteTimeoutWithExtension(const PacketPtr& packet, double extension) {
  if (!packet || currentWrite_ != packet) return;
  if (extension > 0.0) {
    static_cast<GCDAsyncWritePacket*>(packet.get())->timeout += extension;
    writeTimer_->start(secondsToDuration(extension));
    flags_ &= ~kWritesPaused;
    doWriteData();
  } else {
    closeWithError(GCDAsyncSocketError::writeTimeoutError());
  }
}

// ---------------------------------------------------------------------------------------------
// TLS

void GCDAsyncSocket::startTLS(GCDAsyncSocketTLSSettings settings) {
  auto packet = std::make_shared<GCDAsyncSpecialPacket>(std::move(settings));
  runAsync([this, packet = std::move(packet)] {
    if ((flags_ & kSocketStarted) && !(flags_ & kQueuedTLS) && !(flags_ & kForbidReadsWrites)) {
      readQueue_.push_back(packet);
      writeQueue_.push_back(packet);
      flags_ |= kQueuedTLS;
      maybeDequeueRead();
      maybeDequeueWrite();
    }
  });
}

bool GCDAsyncSocket::isSecure() const {
  bool result = false;
  runSync([&] { result = (flags_ & kSocketSecure) != 0; });
  return result;
}

void GCDAsyncSocket::maybeStartTLS() {
  // Both queues must have reached the marker.
  if ((flags_ & kStartingReadTLS) && (flags_ & kStartingWriteTLS)) sslStartTLS();
}

void GCDAsyncSocket::sslStartTLS() {
  auto* packet = static_cast<GCDAsyncSpecialPacket*>(currentRead_.get());
  std::string failedStep;
  sslContext_ = GCDAsyncSocketTLS::create(packet->tlsSettings, &failedStep);
  if (!sslContext_) {
    closeWithError(GCDAsyncSocketError::otherError(failedStep));
    return;
  }
  // Bytes read ahead before the marker belong to the TLS stream.
  if (preBuffer_.availableBytes() > 0) {
    sslContext_->feedRaw(preBuffer_.readBuffer(), preBuffer_.availableBytes());
    preBuffer_.reset();
  }
  sslErrCode_ = 0;
  sslWriteCachedLength_ = 0;
  sslContinueSSLHandshake();
}

void GCDAsyncSocket::sslContinueSSLHandshake() {
  sslPullInput();
  const std::int32_t status = sslContext_->handshake();
  const std::int32_t pushed = sslPushOutput();
  if (pushed != 0 && pushed != errSSLWouldBlock) {
    closeWithError(GCDAsyncSocketError::sslError(pushed));
    return;
  }
  if (status == 0) {
    flags_ &= ~(kStartingReadTLS | kStartingWriteTLS);
    flags_ |= kSocketSecure;
    notifyDelegate([](Delegate& d, GCDAsyncSocket& s) { d.socketDidSecure(s); });
    endCurrentRead();
    endCurrentWrite();
    maybeDequeueRead();
    maybeDequeueWrite();
  } else if (status != errSSLWouldBlock) {
    closeWithError(GCDAsyncSocketError::sslError(status, sslContext_->lastErrorText()));
  }
}

void GCDAsyncSocket::sslPullInput() {
  if (!sslContext_) return;
  if (socketFDBytesAvailable_ > 0) {
    const std::size_t want = socketFDBytesAvailable_;
    if (sslScratch_.size() < want) sslScratch_.resize(want);
    const ssize_t result = ::read(connectedFD(), sslScratch_.data(), want);
    if (result < 0) {
      socketFDBytesAvailable_ = 0;
      if (errno != EWOULDBLOCK) sslContext_->setRawEndOfStream();
    } else if (result == 0) {
      socketFDBytesAvailable_ = 0;
      sslContext_->setRawEndOfStream();
    } else {
      const auto got = static_cast<std::size_t>(result);
      sslContext_->feedRaw(sslScratch_.data(), got);
      socketFDBytesAvailable_ = got >= want ? 0 : want - got;
    }
  }
  // Further records come with the next read event.
  if (socketFDBytesAvailable_ == 0 && !(flags_ & kSocketHasReadEOF)) resumeReadSource();
}

std::int32_t GCDAsyncSocket::sslPushOutput() {
  std::size_t length = 0;
  const std::uint8_t* out = sslContext_->rawOutput(&length);
  if (length == 0) return 0;
  if (!(flags_ & kSocketCanAcceptBytes)) {
    resumeWriteSource();
    return errSSLWouldBlock;
  }
  const ssize_t result = ::send(connectedFD(), out, length, MSG_NOSIGNAL);
  if (result < 0) {
    flags_ &= ~kSocketCanAcceptBytes;
    if (errno == EWOULDBLOCK) {
      resumeWriteSource();
      return errSSLWouldBlock;
    }
    return errSSLClosedAbort;
  }
  sslContext_->drainRawOutput(static_cast<std::size_t>(result));
  if (static_cast<std::size_t>(result) < length) {
    flags_ &= ~kSocketCanAcceptBytes;
    resumeWriteSource();
    return errSSLWouldBlock;
  }
  return 0;
}

// ---------------------------------------------------------------------------------------------
// Utilities

void GCDAsyncSocket::performBlock(const std::function<void()>& block) { runSync(block); }

int GCDAsyncSocket::socketFD() const {
  if (!onSocketQueue()) return -1;
  return connectedFD();
}

int GCDAsyncSocket::socket4FD() const { return onSocketQueue() ? socket4FD_.load() : -1; }

int GCDAsyncSocket::socket6FD() const { return onSocketQueue() ? socket6FD_.load() : -1; }

SSL* GCDAsyncSocket::sslContext() const {
  if (!onSocketQueue() || !sslContext_) return nullptr;
  return sslContext_->nativeHandle();
}

bool GCDAsyncSocket::autoDisconnectOnClosedReadStream() const {
  bool result = true;
  runSync([&] { result = (config_ & kAllowHalfDuplexConnection) == 0; });
  return result;
}

void GCDAsyncSocket::setAutoDisconnectOnClosedReadStream(bool flag) {
  runAsync([this, flag] {
    config_ = flag ? (config_ & ~kAllowHalfDuplexConnection) : (config_ | kAllowHalfDuplexConnection);
  });
}

// ---------------------------------------------------------------------------------------------
// Addresses

std::optional<std::string> GCDAsyncSocket::connectedHostFromSocket4(int fd) {
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  if (::getpeername(fd, reinterpret_cast<sockaddr*>(&sa), &len) < 0) return std::nullopt;
  return hostFromSockaddr4(sa);
}

std::optional<std::string> GCDAsyncSocket::connectedHostFromSocket6(int fd) {
  sockaddr_in6 sa{};
  socklen_t len = sizeof sa;
  if (::getpeername(fd, reinterpret_cast<sockaddr*>(&sa), &len) < 0) return std::nullopt;
  return hostFromSockaddr6(sa);
}

std::uint16_t GCDAsyncSocket::connectedPortFromSocket4(int fd) {
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  if (::getpeername(fd, reinterpret_cast<sockaddr*>(&sa), &len) < 0) return 0;
  return portFromSockaddr4(sa);
}

std::uint16_t GCDAsyncSocket::connectedPortFromSocket6(int fd) {
  sockaddr_in6 sa{};
  socklen_t len = sizeof sa;
  if (::getpeername(fd, reinterpret_cast<sockaddr*>(&sa), &len) < 0) return 0;
  return portFromSockaddr6(sa);
}

std::optional<std::string> GCDAsyncSocket::localHostFromSocket4(int fd) {
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) < 0) return std::nullopt;
  return hostFromSockaddr4(sa);
}

std::optional<std::string> GCDAsyncSocket::localHostFromSocket6(int fd) {
  sockaddr_in6 sa{};
  socklen_t len = sizeof sa;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) < 0) return std::nullopt;
  return hostFromSockaddr6(sa);
}

std::uint16_t GCDAsyncSocket::localPortFromSocket4(int fd) {
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) < 0) return 0;
  return portFromSockaddr4(sa);
}

std::uint16_t GCDAsyncSocket::localPortFromSocket6(int fd) {
  sockaddr_in6 sa{};
  socklen_t len = sizeof sa;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) < 0) return 0;
  return portFromSockaddr6(sa);
}

std::string GCDAsyncSocket::hostFromSockaddr4(const sockaddr_in& addr) {
  char text[INET_ADDRSTRLEN];
  if (!::inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text)) return std::string();
  return text;
}

std::string GCDAsyncSocket::hostFromSockaddr6(const sockaddr_in6& addr) {
  char text[INET6_ADDRSTRLEN];
  if (!::inet_ntop(AF_INET6, &addr.sin6_addr, text, sizeof text)) return std::string();
  return text;
}

std::uint16_t GCDAsyncSocket::portFromSockaddr4(const sockaddr_in& addr) { return ntohs(addr.sin_port); }

std::uint16_t GCDAsyncSocket::portFromSockaddr6(const sockaddr_in6& addr) { return ntohs(addr.sin6_port); }

bool GCDAsyncSocket::getHost(std::string* hostPtr, std::uint16_t* portPtr, const Bytes& address) {
  if (address.size() < sizeof(sockaddr_in)) return false;
  const int family = addressFamily(address);
  if (family == AF_INET) {
    sockaddr_in sa;
    std::memcpy(&sa, address.data(), sizeof sa);
    if (hostPtr) *hostPtr = hostFromSockaddr4(sa);
    if (portPtr) *portPtr = portFromSockaddr4(sa);
    return true;
  }
  if (family == AF_INET6 && address.size() >= sizeof(sockaddr_in6)) {
    sockaddr_in6 sa;
    std::memcpy(&sa, address.data(), sizeof sa);
    if (hostPtr) *hostPtr = hostFromSockaddr6(sa);
    if (portPtr) *portPtr = portFromSockaddr6(sa);
    return true;
  }
  return false;
}

std::optional<std::string> GCDAsyncSocket::hostFromAddress(const Bytes& address) {
  std::string host;
  if (!getHost(&host, nullptr, address)) return std::nullopt;
  return host;
}

std::uint16_t GCDAsyncSocket::portFromAddress(const Bytes& address) {
  std::uint16_t port = 0;
  if (!getHost(nullptr, &port, address)) return 0;
  return port;
}

void GCDAsyncSocket::getInterfaceAddress(std::optional<Bytes>* address4Ptr, std::optional<Bytes>* address6Ptr,
                                         const std::string& description, std::uint16_t port) {
  std::optional<Bytes> address4;
  std::optional<Bytes> address6;
  std::string interface;
  in6_addr probe{};
  if (::inet_pton(AF_INET6, description.c_str(), &probe) == 1) {
    // A numeric IPv6 address names an interface as a whole: its colons are no port separator.
    interface = description;
  } else {
    const std::size_t colon = description.find(':');
    interface = description.substr(0, colon);
    if (colon != std::string::npos && port == 0) {
      const std::size_t next = description.find(':', colon + 1);
      const std::string portText =
          description.substr(colon + 1, next == std::string::npos ? std::string::npos : next - colon - 1);
      const long value = std::strtol(portText.c_str(), nullptr, 10);
      if (value > 0 && value <= 65535) port = static_cast<std::uint16_t>(value);
    }
  }

  if (interface.empty()) {
    address4 = makeAddress4(INADDR_ANY, port);
    address6 = makeAddress6(in6addr_any, port);
  } else if (interface == "localhost" || interface == "loopback") {
    address4 = makeAddress4(INADDR_LOOPBACK, port);
    address6 = makeAddress6(in6addr_loopback, port);
  } else {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) == 0) {
      for (ifaddrs* cursor = list; cursor; cursor = cursor->ifa_next) {
        if (!cursor->ifa_addr) continue;
        if (!address4 && cursor->ifa_addr->sa_family == AF_INET) {
          sockaddr_in sa;
          std::memcpy(&sa, cursor->ifa_addr, sizeof sa);
          char text[INET_ADDRSTRLEN];
          const bool textOk = ::inet_ntop(AF_INET, &sa.sin_addr, text, sizeof text) != nullptr;
          if (interface == cursor->ifa_name || (textOk && interface == text)) {
            sa.sin_port = htons(port);
            address4 = addressBytes(&sa, sizeof sa);
          }
        } else if (!address6 && cursor->ifa_addr->sa_family == AF_INET6) {
          sockaddr_in6 sa;
          std::memcpy(&sa, cursor->ifa_addr, sizeof sa);
          char text[INET6_ADDRSTRLEN];
          const bool textOk = ::inet_ntop(AF_INET6, &sa.sin6_addr, text, sizeof text) != nullptr;
          if (interface == cursor->ifa_name || (textOk && interface == text)) {
            sa.sin6_port = htons(port);
            address6 = addressBytes(&sa, sizeof sa);
          }
        }
      }
      ::freeifaddrs(list);
    }
  }
  if (address4Ptr) *address4Ptr = std::move(address4);
  if (address6Ptr) *address6Ptr = std::move(address6);
}

GCDAsyncSocket::Bytes GCDAsyncSocket::CRLFData() { return Bytes{0x0D, 0x0A}; }
GCDAsyncSocket::Bytes GCDAsyncSocket::CRData() { return Bytes{0x0D}; }
GCDAsyncSocket::Bytes GCDAsyncSocket::LFData() { return Bytes{0x0A}; }
GCDAsyncSocket::Bytes GCDAsyncSocket::ZeroData() { return Bytes{0x00}; }

}  // namespace td
