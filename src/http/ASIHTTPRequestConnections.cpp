// Persistent connections: the class-wide pool of connection records, which request rides on which
// connection, whether a response allows keeping it, and expiry of idle ones.

#include "http/ASIHTTPRequest.h"
#include "http/ASIHTTPRequestInternal.h"
#include "http/HTTPAuthentication.h"

namespace td {
namespace {

using ConnectionRecords = std::vector<std::shared_ptr<ASIConnectionInfo>>;

// Moves the idle records whose time is up at `now` from the pool to `expired` (under the pool's
// lock; their connections close when `expired` goes, outside it).
void takeExpiredConnections(ASIHTTPRequestClassState& s, Clock::TimePoint now, ConnectionRecords& expired) {
  std::erase_if(s.persistentConnectionsPool, [&](const std::shared_ptr<ASIConnectionInfo>& entry) {
    if (entry->request || !entry->expires || *entry->expires > now) return false;
    expired.push_back(entry);
    return true;
  });
}

}  // namespace

void ASIHTTPRequest::expirePersistentConnections() {
  auto& s = asiState();
  ConnectionRecords expired;
  std::lock_guard lock(s.connectionsLock);
  takeExpiredConnections(s, clock().now(), expired);
}

void ASIHTTPRequest::dropConnectionsOfLoop(const RunLoop* loop) {
  auto& s = asiState();
  std::vector<std::shared_ptr<ASIConnectionInfo>> dropped;  // closed outside the lock
  std::lock_guard lock(s.connectionsLock);
  std::erase_if(s.persistentConnectionsPool, [&](const std::shared_ptr<ASIConnectionInfo>& entry) {
    if (entry->loop != loop) return false;
    dropped.push_back(entry);
    return true;
  });
}

std::size_t ASIHTTPRequest::persistentConnectionCount() {
  auto& s = asiState();
  std::lock_guard lock(s.connectionsLock);
  return s.persistentConnectionsPool.size();
}

std::optional<int> ASIHTTPRequest::connectionID() const {
  std::lock_guard lock(cancelledLock_);
  if (!connectionInfo_) return std::nullopt;
  std::lock_guard pool(asiState().connectionsLock);
  return connectionInfo_->id;
}

void ASIHTTPRequest::chooseConnection(HTTPStreamSettings& settings) {
  std::lock_guard lock(cancelledLock_);
  auto& s = asiState();
  ConnectionRecords expired;
  std::lock_guard pool(s.connectionsLock);
  const auto now = clock().now();
  takeExpiredConnections(s, now, expired);
  if (url_.host().empty() || url_.scheme().empty()) shouldAttemptPersistentConnection_ = false;
  if (!shouldAttemptPersistentConnection_) {
    connectionInfo_.reset();
    // The messages of an NTLM handshake must share a connection: a request that keeps none (a POST)
    // keeps one of its own for the handshake.
    auto ntlm = [](const std::shared_ptr<HTTPAuthentication>& a) { return a && !a->canAnswerBeforeChallenge(); };
    if (ntlm(requestAuthentication_) || ntlm(proxyAuthentication_)) {
      if (!handshakeConnection_) handshakeConnection_ = std::make_shared<HTTPConnectionShare>();
      settings.share = handshakeConnection_;
    }
    return;
  }
  const int port = url_.port().value_or(0);
  const RunLoop* loop = &requestLoop();
  // A connection through a proxy is one to that proxy (or a tunnel through it): never one for a
  // request that goes direct or through another proxy.
  const std::string proxy = settings.proxyHost.empty() ? std::string()
                                                       : (settings.socksProxy ? "socks://" : "http://") +
                                                             settings.proxyHost + ":" + std::to_string(settings.proxyPort);
  auto matches = [&](const ASIConnectionInfo& entry) {
    return entry.host == url_.host() && entry.scheme == url_.scheme() && entry.port == port && entry.loop == loop &&
           entry.proxy == proxy;
  };
  if (connectionInfo_) {
    if (!matches(*connectionInfo_)) {
      connectionInfo_.reset();
    } else if (connectionInfo_->expires && *connectionInfo_->expires < now) {
      std::erase(s.persistentConnectionsPool, connectionInfo_);
      connectionInfo_.reset();
    } else if (connectionInfo_->request) {
      connectionInfo_.reset();
    }
  }
  if (!connectionInfo_) {
    for (const auto& entry : s.persistentConnectionsPool)
      if (!entry->request && matches(*entry)) connectionInfo_ = entry;  // the last match wins
  }
  if (!connectionInfo_) {
    auto entry = std::make_shared<ASIConnectionInfo>();
    entry->id = ++s.nextConnectionNumberToCreate;
    entry->host = url_.host();
    entry->port = port;
    entry->scheme = url_.scheme();
    entry->proxy = proxy;
    entry->loop = loop;
    s.persistentConnectionsPool.push_back(entry);
    connectionInfo_ = entry;
  }
  if (!requestID_) requestID_ = ++s.nextRequestID;
  connectionInfo_->request = requestID_;
  if (!connectionInfo_->stream) connectionInfo_->stream = std::make_shared<HTTPConnectionShare>();
  settings.share = connectionInfo_->stream;
}

void ASIHTTPRequest::chooseTunnel(HTTPStreamSettings& settings, bool ntlmMessagePending) {
  std::lock_guard lock(cancelledLock_);
  // The transport opens tunnels itself, but closes the proxy's connection after a refusal: an NTLM
  // handshake, whose messages belong to one connection, asks for the tunnel with CONNECTs of the
  // engine's own. Once open, the tunnel carries this origin's later requests through this proxy.
  auto tunnelOf = [&](const std::shared_ptr<HTTPConnectionShare>& share) {
    return share->tunnelTo(settings.proxyHost, settings.proxyPort, url_.tunnelTarget());
  };
  if (settings.share) {
    if (auto tunnel = tunnelOf(settings.share); tunnel->carriedByTransport()) {
      settings.tunnel = std::move(tunnel);
      return;
    }
  }
  const bool ntlm = proxyAuthenticationScheme_ == kHTTPAuthenticationSchemeNTLM;
  if (!(ntlm && ntlmMessagePending && proxyAuthentication_)) {
    // A new tunnel through a proxy that has asked for NTLM begins its handshake with the negotiate
    // message rather than with a CONNECT the proxy would only refuse. Failing that, a handshake made
    // for another tunnel (before a redirect, or on a connection now gone) opens none for this one:
    // the proxy's challenge on a new connection starts it over.
    if (!startProxyHandshakeAhead()) {
      if (ntlm) {
        proxyAuthentication_.reset();
        proxyAuthenticationRetryCount_ = 0;
      }
      return;
    }
    // The negotiate message was set on the request after its head went into the settings: it goes
    // with the CONNECT, in place of a message of an earlier handshake.
    if (const std::string* message = request_->headers.find("Proxy-Authorization")) {
      std::erase_if(settings.proxyTunnelHeaders,
                    [](const auto& field) { return equalsIgnoringCase(field.first, "Proxy-Authorization"); });
      settings.proxyTunnelHeaders.emplace_back("Proxy-Authorization", *message);
    }
    // A request that keeps no connection in the pool (a POST) keeps one of its own for the handshake.
    if (!settings.share) {
      if (!handshakeConnection_) handshakeConnection_ = std::make_shared<HTTPConnectionShare>();
      settings.share = handshakeConnection_;
    }
  }
  if (!settings.share) return;
  settings.tunnel = tunnelOf(settings.share);
  settings.askTunnel = true;
}

void ASIHTTPRequest::decideConnectionReuse(const HTTPHeaders& headers, const std::string& httpVersion) {
  std::lock_guard lock(cancelledLock_);
  // What a proxy answered itself (a plain request's response, or its refusal of a tunnel) may speak
  // of the connection to it in Proxy-Connection instead; an HTTP/1.0 proxy keeps it only so.
  const bool proxyAnswered = readStream_ && readStream_->proxyAnswered();
  auto says = [&](std::string_view token) {
    auto holds = [&](const char* name) {
      const std::string* value = headers.find(name);
      return value && equalsIgnoringCase(*value, token);
    };
    return holds("Connection") || (proxyAnswered && holds("Proxy-Connection"));
  };
  bool allowed = true;
  if (httpVersion == "HTTP/1.0" && !says("keep-alive")) allowed = false;
  if (says("close")) allowed = false;
  if (!allowed) return;
  const std::string* keepAlive = headers.find("Keep-Alive");
  if (!keepAlive) {
    connectionCanBeReused_ = true;
    return;
  }
  const KeepAliveValues values = parseKeepAlive(*keepAlive);
  if (values.max > 5) {
    connectionCanBeReused_ = true;
    persistentConnectionTimeoutSeconds_ = static_cast<double>(values.timeout);
  }
}

void ASIHTTPRequest::releaseConnection(bool reusable) {
  std::lock_guard lock(cancelledLock_);
  std::shared_ptr<HTTPConnectionShare> closing;  // closes its connection outside the lock
  std::lock_guard pool(asiState().connectionsLock);
  if (!connectionInfo_) return;
  if (!reusable) closing = std::move(connectionInfo_->stream);
  connectionInfo_->request.reset();
  connectionInfo_->expires = clock().now() + asiSeconds(persistentConnectionTimeoutSeconds_);
}

void ASIHTTPRequest::dropConnection() {
  std::lock_guard lock(cancelledLock_);
  std::shared_ptr<ASIConnectionInfo> entry;
  {
    std::lock_guard pool(asiState().connectionsLock);
    if (!connectionInfo_) return;
    entry = std::move(connectionInfo_);
    entry->request.reset();
    std::erase(asiState().persistentConnectionsPool, entry);
  }
}

}  // namespace td
