#include "transport/ZMQContext.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/Log.h"

namespace td {
namespace {

std::string pointerText(const void* p) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%p", p);
  return buf;
}

ZMQException lastError() { return ZMQException(zmq_strerror(zmq_errno()), zmq_errno()); }

}  // namespace

// ---- ZMQSocket ----

ZMQSocket::ZMQSocket(const std::shared_ptr<ZMQContext>& context, int type)
    : context_(context), contextHandle_(context ? context->context() : nullptr), type_(type) {
  socket_ = contextHandle_ ? zmq_socket(contextHandle_, type) : nullptr;
  if (!socket_) raise("zmq_socket");
}

ZMQSocket::~ZMQSocket() { closeWithoutLinger(); }

void ZMQSocket::closeWithoutLinger() noexcept {
  if (closed_ || !socket_) return;
  // Never block the closing thread on unsent messages.
  int linger = 0;
  zmq_setsockopt(socket_, ZMQ_LINGER, &linger, sizeof linger);
  if (zmq_close(socket_) != 0) {
    logError("zmq_close");
    return;
  }
  closed_ = true;
}

std::string ZMQSocket::nameForSocketType(int type) {
  static const char* const names[] = {"ZMQ_PAIR", "ZMQ_PUB",  "ZMQ_SUB",  "ZMQ_REQ", "ZMQ_REP",
                                      "ZMQ_XREQ", "ZMQ_XREP", "ZMQ_PULL", "ZMQ_PUSH"};
  if (type < 0 || type > 8) return "UNKNOWN";
  return names[type];
}

std::string ZMQSocket::endpoint() const {
  std::lock_guard lock(endpointMutex_);
  return endpoint_;
}

std::string ZMQSocket::description() const {
  return "<ZMQSocket: " + pointerText(this) + " (ctx=" + pointerText(contextHandle_) +
         ", type=" + nameForSocketType(type_) + ", endpoint=" + endpoint() +
         ", closed=" + (closed_ ? "1" : "0") + ")>";
}

void ZMQSocket::logError(const char* call) const {
  TD_LOG_ERROR(std::string("ZMQLogError: *** ") + description() + ": " + call + ": " + zmq_strerror(zmq_errno()));
}

void ZMQSocket::raise(const char* call) const {
  logError(call);
  throw lastError();
}

void ZMQSocket::close() {
  if (closed_) return;
  if (zmq_close(socket_) != 0) raise("zmq_close");
  closed_ = true;
}

bool ZMQSocket::setData(std::string_view data, int option) {
  if (zmq_setsockopt(socket_, option, data.data(), data.size()) != 0) raise("zmq_setsockopt");
  return true;
}

std::optional<std::string> ZMQSocket::dataForOption(int option) {
  char buffer[255];
  size_t length = sizeof buffer;
  if (zmq_getsockopt(socket_, option, buffer, &length) != 0) raise("zmq_getsockopt");
  return std::string(buffer, length);
}

bool ZMQSocket::bindToEndpoint(const std::string& endpoint) {
  {
    std::lock_guard lock(endpointMutex_);
    endpoint_ = endpoint;
  }
  if (zmq_bind(socket_, endpoint.c_str()) != 0) raise("zmq_bind");
  return true;
}

bool ZMQSocket::connectToEndpoint(const std::string& endpoint) {
  {
    std::lock_guard lock(endpointMutex_);
    endpoint_ = endpoint;
  }
  if (zmq_connect(socket_, endpoint.c_str()) != 0) raise("zmq_connect");
  return true;
}

bool ZMQSocket::sendData(std::string_view data, int flags) {
  zmq_msg_t msg;
  if (zmq_msg_init_size(&msg, data.size()) != 0) raise("zmq_msg_init_size");
  if (!data.empty()) std::memcpy(zmq_msg_data(&msg), data.data(), data.size());
  bool sent = true;
  if (zmq_msg_send(&msg, socket_, flags) == -1) {
    logError("zmq_sendmsg");
    sent = false;
  }
  if (zmq_msg_close(&msg) != 0) logError("zmq_msg_close");
  return sent;
}

int ZMQSocket::receiveWithBuffer(void* buffer, size_t length, int flags) {
  const int n = zmq_recv(socket_, buffer, length, flags);
  if (n < 0) logError("zmq_recv");
  return n;
}

std::string ZMQSocket::receiveDataWithFlags(int flags) {
  zmq_msg_t msg;
  if (zmq_msg_init(&msg) != 0) raise("zmq_msg_init");
  if (zmq_msg_recv(&msg, socket_, flags) == -1) {
    logError("zmq_recv");
    const ZMQException error = lastError();
    if (zmq_msg_close(&msg) != 0) logError("zmq_msg_close");
    throw error;
  }
  std::string data(static_cast<const char*>(zmq_msg_data(&msg)), zmq_msg_size(&msg));
  if (zmq_msg_close(&msg) != 0) logError("zmq_msg_close");
  return data;
}

bool ZMQSocket::subscribe(std::string_view topic) {
  return zmq_setsockopt(socket_, ZMQ_SUBSCRIBE, topic.data(), topic.size()) != -1;
}

void ZMQSocket::getPollItem(zmq_pollitem_t* outItem, int events) const {
  if (!outItem) {
    TD_LOG_ERROR("Invalid parameter not satisfying: NULL != outItem");
    return;
  }
  outItem->socket = socket_;
  outItem->events = static_cast<short>(events);
  outItem->revents = 0;
}

// ---- ZMQContext ----

std::shared_ptr<ZMQContext> ZMQContext::create(unsigned ioThreads) {
  void* handle = zmq_ctx_new();
  if (handle && zmq_ctx_set(handle, ZMQ_IO_THREADS, static_cast<int>(ioThreads)) != 0) {
    zmq_ctx_term(handle);
    handle = nullptr;
  }
  if (!handle) {
    TD_LOG_ERROR(std::string("-[ZMQContext initWithIOThreads:]: *** Error creating ZMQContext: zmq_init: ") +
                 zmq_strerror(zmq_errno()));
    throw lastError();
  }
  return std::shared_ptr<ZMQContext>(new ZMQContext(handle));
}

ZMQContext::~ZMQContext() {
  // Sockets that nobody closed would make libzmq wait for ever: close them without lingering first.
  std::vector<std::shared_ptr<ZMQSocket>> sockets;
  {
    std::lock_guard lock(socketsLock_);
    sockets.swap(sockets_);
  }
  for (const auto& socket : sockets) socket->closeWithoutLinger();
  terminate();
}

void ZMQContext::getZMQVersion(int* major, int* minor, int* patch) { zmq_version(major, minor, patch); }

int ZMQContext::pollWithItems(zmq_pollitem_t* items, int count, long timeout) { return zmq_poll(items, count, timeout); }

std::shared_ptr<ZMQSocket> ZMQContext::socketWithType(int type) {
  auto socket = std::make_shared<ZMQSocket>(shared_from_this(), type);
  std::lock_guard lock(socketsLock_);
  sockets_.push_back(socket);
  return socket;
}

void ZMQContext::closeSockets() {
  for (const auto& socket : sockets()) socket->close();
}

std::vector<std::shared_ptr<ZMQSocket>> ZMQContext::sockets() const {
  std::lock_guard lock(socketsLock_);
  return sockets_;
}

void ZMQContext::terminate() {
  if (context_) {
    while (zmq_ctx_term(context_) == -1 && zmq_errno() == EINTR) {
    }
  }
  context_ = nullptr;
  terminated_ = true;
}

}  // namespace td
