#include "http/HTTPReadStream.h"

#include <cstring>

#include "http/ASIInputStream.h"
#include "http/RunLoop.h"
#include "platform/Log.h"

namespace td {
namespace {

// Body bytes held for the client before the transfer is paused.
constexpr std::size_t kPendingLimit = 512 * 1024;

curl_slist* appendHeader(curl_slist* list, const std::string& line) {
  curl_slist* next = curl_slist_append(list, line.c_str());
  return next ? next : list;
}

bool throughHTTPProxy(const HTTPStreamSettings& s) { return !s.proxyHost.empty() && s.proxyPort != 0 && !s.socksProxy; }

bool isHTTPS(const HTTPStreamSettings& s) { return s.url.rfind("https:", 0) == 0; }

}  // namespace

HTTPConnectionShare::HTTPConnectionShare() {
  share_ = curl_share_init();
  if (!share_) return;
  curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &HTTPConnectionShare::lock);
  curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &HTTPConnectionShare::unlock);
  curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
  curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
}

HTTPConnectionShare::~HTTPConnectionShare() {
  if (share_ && curl_share_cleanup(share_) != CURLSHE_OK) {
    TD_LOG_WARN("http: a connection share was still in use");
    // Its connections stay open and may still call their tunnels: those stay too.
    new std::vector<std::shared_ptr<HTTPProxyTunnel>>(std::move(tunnels_));
  }
}

std::shared_ptr<HTTPProxyTunnel> HTTPConnectionShare::tunnelTo(const std::string& proxyHost, int proxyPort,
                                                               const std::string& target) {
  std::lock_guard lock(tunnelsLock_);
  for (const auto& tunnel : tunnels_)
    if (tunnel->isFor(proxyHost, proxyPort, target)) return tunnel;
  return tunnels_.emplace_back(std::make_shared<HTTPProxyTunnel>(proxyHost, proxyPort, target));
}

void HTTPConnectionShare::lock(CURL*, curl_lock_data, curl_lock_access, void* self) {
  static_cast<HTTPConnectionShare*>(self)->mutex_.lock();
}

void HTTPConnectionShare::unlock(CURL*, curl_lock_data, void* self) {
  static_cast<HTTPConnectionShare*>(self)->mutex_.unlock();
}

std::shared_ptr<HTTPReadStream> HTTPReadStream::create(RunLoop& loop, HTTPStreamSettings&& settings) {
  auto stream = std::make_shared<HTTPReadStream>(loop, Made());
  if (!stream->configure(std::move(settings))) return nullptr;
  return stream;
}

HTTPReadStream::~HTTPReadStream() {
  if (easy_) {
    if (added_) curl_multi_remove_handle(loop_.multi(), easy_);
    if (!closed_) curl_easy_setopt(easy_, CURLOPT_SHARE, nullptr);  // closeNow() has let go of it
    if (loop_.isCurrent()) {
      // The next stream of this loop takes the handle over, still set up for this request: another
      // request with the same options sets only what points at its own stream.
      curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, nullptr);
      curl_easy_setopt(easy_, CURLOPT_HEADERDATA, nullptr);
      curl_easy_setopt(easy_, CURLOPT_WRITEDATA, nullptr);
      curl_easy_setopt(easy_, CURLOPT_PREREQDATA, nullptr);
      curl_easy_setopt(easy_, CURLOPT_SOCKOPTDATA, nullptr);
      if (connectTo_) curl_easy_setopt(easy_, CURLOPT_CONNECT_TO, nullptr);
      // Settings with a body or a tunnel are not kept: what they point to goes with the stream.
      if (keepsSetup_) settings_->share.reset();
      else settings_.reset();
      loop_.giveBackTransfer({easy_, std::move(settings_), keepsSetup_, headerList_, proxyHeaderList_});
      headerList_ = proxyHeaderList_ = nullptr;
    } else {
      curl_easy_cleanup(easy_);
    }
  }
  curl_slist_free_all(headerList_);
  curl_slist_free_all(proxyHeaderList_);
  curl_slist_free_all(connectTo_);
}

bool HTTPStreamSettings::makesSameOptionsAs(const HTTPStreamSettings& o) const {
  return method == o.method && url == o.url && useHTTPVersionOne == o.useHTTPVersionOne && headers == o.headers &&
         validatesSecureCertificate == o.validatesSecureCertificate &&
         clientCertificateChainPEM == o.clientCertificateChainPEM && clientPrivateKeyPEM == o.clientPrivateKeyPEM &&
         proxyHost == o.proxyHost && proxyPort == o.proxyPort && socksProxy == o.socksProxy &&
         proxyTunnelHeaders == o.proxyTunnelHeaders;
}

bool HTTPReadStream::configure(HTTPStreamSettings&& settings) {
  keepsSetup_ = !settings.body && !settings.tunnel && settings.share;
  RunLoop::SpareTransfer spare = loop_.takeTransfer(keepsSetup_ ? &settings : nullptr);
  // In place of the settings of the handle's last stream, which are of no more use.
  settings_ = spare.settings ? std::move(spare.settings) : std::make_unique<HTTPStreamSettings>();
  *settings_ = std::move(settings);
  easy_ = spare.easy;
  if (!easy_) return false;
  CURL* e = easy_;
  // The transport asks the proxy for a tunnel on each new connection it opens for the stream: the
  // first, or another for a request it sends again when a kept connection turned out closed. There
  // the proxy's answer to CONNECT is the first head (from onConnecting until onRequestReady); on a
  // connection it kept, the tunnel is open and every head is the origin's.
  const bool transportTunnels = throughHTTPProxy(*settings_) && isHTTPS(*settings_) && !settings_->tunnel;
  if (spare.setUp) {
    // Set up for exactly these settings already: only what points at this stream, and the share.
    headerList_ = spare.headers;
    proxyHeaderList_ = spare.proxyHeaders;
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, errorBuffer_);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, this);
    if (transportTunnels) {
      curl_easy_setopt(e, CURLOPT_SOCKOPTDATA, this);
      curl_easy_setopt(e, CURLOPT_PREREQDATA, this);
    }
    if (settings_->share && settings_->share->handle()) curl_easy_setopt(e, CURLOPT_SHARE, settings_->share->handle());
    return true;
  }
  curl_easy_setopt(e, CURLOPT_URL, settings_->url.c_str());
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(e, CURLOPT_ERRORBUFFER, errorBuffer_);
  curl_easy_setopt(e, CURLOPT_BUFFERSIZE, 256L * 1024L);
  curl_easy_setopt(e, CURLOPT_HTTP_VERSION,
                   settings_->useHTTPVersionOne ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
  // The engine follows redirects, authenticates, keeps cookies and inflates bodies itself.
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(e, CURLOPT_HTTP_CONTENT_DECODING, 0L);
  curl_easy_setopt(e, CURLOPT_HTTP_TRANSFER_DECODING, 1L);
  curl_easy_setopt(e, CURLOPT_HTTPAUTH, CURLAUTH_NONE);
  curl_easy_setopt(e, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_IGNORED));

  curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &HTTPReadStream::onHeader);
  curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &HTTPReadStream::onWrite);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, this);
  if (transportTunnels) {
    curl_easy_setopt(e, CURLOPT_SOCKOPTFUNCTION, &HTTPReadStream::onConnecting);
    curl_easy_setopt(e, CURLOPT_SOCKOPTDATA, this);
    curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, &HTTPReadStream::onRequestReady);
    curl_easy_setopt(e, CURLOPT_PREREQDATA, this);
  }

  // Method and body.
  const std::string& method = settings_->method;
  if (settings_->body) {
    curl_easy_setopt(e, CURLOPT_POST, 1L);
    curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(settings_->bodyLength));
    curl_easy_setopt(e, CURLOPT_READFUNCTION, &HTTPReadStream::onRead);
    curl_easy_setopt(e, CURLOPT_READDATA, this);
    curl_easy_setopt(e, CURLOPT_SEEKFUNCTION, &HTTPReadStream::onSeek);
    curl_easy_setopt(e, CURLOPT_SEEKDATA, this);
    if (method != "POST") curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, method.c_str());
  } else if (method == "HEAD") {
    curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
  } else {
    curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    if (method != "GET") curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, method.c_str());
  }

  // Exactly the engine's headers: the transport's own Accept, Expect and form Content-Type go.
  bool haveAccept = false, haveContentType = false;
  for (const auto& [name, value] : settings_->headers) {
    haveAccept |= equalsIgnoringCase(name, "Accept");
    haveContentType |= equalsIgnoringCase(name, "Content-Type");
    headerList_ = appendHeader(headerList_, value.empty() ? name + ";" : name + ": " + value);
  }
  if (!haveAccept) headerList_ = appendHeader(headerList_, "Accept:");
  if (settings_->body) {
    // The transport adds these only to requests with a body.
    headerList_ = appendHeader(headerList_, "Expect:");
    if (!haveContentType) headerList_ = appendHeader(headerList_, "Content-Type:");
  }
  curl_easy_setopt(e, CURLOPT_HTTPHEADER, headerList_);

  // TLS: chain and host name are checked unless the request turned validation off.
  const long verify = settings_->validatesSecureCertificate ? 1L : 0L;
  curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, verify);
  curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, verify ? 2L : 0L);
  if (!settings_->clientCertificateChainPEM.empty()) {
    curl_blob cert{settings_->clientCertificateChainPEM.data(), settings_->clientCertificateChainPEM.size(),
                   CURL_BLOB_COPY};
    curl_easy_setopt(e, CURLOPT_SSLCERT_BLOB, &cert);
    curl_easy_setopt(e, CURLOPT_SSLCERTTYPE, "PEM");
    if (!settings_->clientPrivateKeyPEM.empty()) {
      curl_blob key{settings_->clientPrivateKeyPEM.data(), settings_->clientPrivateKeyPEM.size(), CURL_BLOB_COPY};
      curl_easy_setopt(e, CURLOPT_SSLKEY_BLOB, &key);
      curl_easy_setopt(e, CURLOPT_SSLKEYTYPE, "PEM");
    }
  }

  // The proxy is always set: empty when the engine chose none, so the environment is not consulted.
  if (!settings_->proxyHost.empty() && settings_->proxyPort != 0 && !settings_->tunnel) {
    const bool ipv6 = settings_->proxyHost.find(':') != std::string::npos;
    const std::string host = ipv6 ? "[" + settings_->proxyHost + "]" : settings_->proxyHost;
    const std::string proxy = (settings_->socksProxy ? "socks5h://" : "http://") + host + ":" +
                              std::to_string(settings_->proxyPort);
    curl_easy_setopt(e, CURLOPT_PROXY, proxy.c_str());
    curl_easy_setopt(e, CURLOPT_HEADEROPT, CURLHEADER_SEPARATE);
    for (const auto& [name, value] : settings_->proxyTunnelHeaders)
      proxyHeaderList_ = appendHeader(proxyHeaderList_, name + ": " + value);
    if (proxyHeaderList_) curl_easy_setopt(e, CURLOPT_PROXYHEADER, proxyHeaderList_);
  } else {
    curl_easy_setopt(e, CURLOPT_PROXY, "");
  }

  if (settings_->share && settings_->share->handle()) {
    curl_easy_setopt(e, CURLOPT_SHARE, settings_->share->handle());
  } else {
    curl_easy_setopt(e, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(e, CURLOPT_FORBID_REUSE, 1L);
  }

  if (settings_->tunnel) {
    // Straight to the origin over the tunnel's socket, which is connected already; the transport
    // gives it back to the tunnel to close. A tunnel just opened is the connection of this stream.
    curl_easy_setopt(e, CURLOPT_OPENSOCKETFUNCTION, &HTTPReadStream::onOpenSocket);
    curl_easy_setopt(e, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(e, CURLOPT_SOCKOPTFUNCTION,
                     +[](void*, curl_socket_t, curlsocktype) -> int { return CURL_SOCKOPT_ALREADY_CONNECTED; });
    curl_easy_setopt(e, CURLOPT_CLOSESOCKETFUNCTION, &HTTPProxyTunnel::closeSocket);
    curl_easy_setopt(e, CURLOPT_CLOSESOCKETDATA, settings_->tunnel.get());
    if (settings_->askTunnel) curl_easy_setopt(e, CURLOPT_FRESH_CONNECT, 1L);
    else rideTunnel();
  }
  return true;
}

void HTTPReadStream::rideTunnel() {
  // The connection is filed as one to the origin by way of the proxy's address, so the transport
  // never takes it for a direct connection to the origin, nor one through another proxy for it.
  const std::string peer = settings_->tunnel->peer();
  curl_slist_free_all(connectTo_);
  connectTo_ = peer.empty() ? nullptr : curl_slist_append(nullptr, ("::" + peer).c_str());
  curl_easy_setopt(easy_, CURLOPT_CONNECT_TO, connectTo_);
}

curl_socket_t HTTPReadStream::onOpenSocket(void* self, curlsocktype, curl_sockaddr*) {
  auto* s = static_cast<HTTPReadStream*>(self);
  const curl_socket_t socket = s->settings_->tunnel ? s->settings_->tunnel->handOver() : CURL_SOCKET_BAD;
  // The transport wanted a new connection: the tunnel it kept has closed.
  if (socket == CURL_SOCKET_BAD) s->lostTunnel_ = true;
  return socket;
}

bool HTTPReadStream::proxyAnswered() const {
  return throughHTTPProxy(*settings_) && (!isHTTPS(*settings_) || tunnelRefused_);
}

void HTTPReadStream::setClient(std::weak_ptr<HTTPReadStreamClient> client) { client_ = std::move(client); }

bool HTTPReadStream::open() {
  if (closed_ || !easy_) return false;
  if (settings_->body && !settings_->body->open()) return false;
  opened_ = true;
  loop_.attach(shared_from_this());
  if (settings_->askTunnel) {
    awaitingTunnel_ = true;
    std::weak_ptr<HTTPReadStream> weak = weak_from_this();
    settings_->tunnel->ask(loop_, settings_->proxyTunnelHeaders, [weak](HTTPProxyTunnel::Answer answer) {
      if (auto self = weak.lock()) self->tunnelAnswered(std::move(answer));
    });
    return true;
  }
  if (scheduled_) {
    addToTransport();
    return added_;
  }
  return true;
}

void HTTPReadStream::addToTransport() {
  if (added_ || awaitingTunnel_ || finished_) return;
  if (curl_multi_add_handle(loop_.multi(), easy_) == CURLM_OK) added_ = true;
  loop_.wake();
}

void HTTPReadStream::tunnelAnswered(HTTPProxyTunnel::Answer answer) {
  awaitingTunnel_ = false;
  if (closed_) return;
  if (answer.error) {
    error_ = answer.error;
    finished_ = static_cast<CURLcode>(answer.error->code);
  } else if (answer.head.statusCode / 100 != 2) {
    // The proxy's refusal is the response, as when the transport asks for the tunnel.
    tunnelRefused_ = true;
    head_ = std::make_shared<const HTTPResponseHead>(std::move(answer.head));
    headPending_ = true;
    pending_ = std::move(answer.body);
    finished_ = CURLE_OK;
  } else {
    rideTunnel();
    if (scheduled_) addToTransport();
  }
  loop_.wake();
}

void HTTPReadStream::schedule() {
  if (closed_) return;
  scheduled_ = true;
  stalled_ = false;
  if (opened_) addToTransport();
  loop_.wake();  // the loop resumes a paused transfer and delivers what is buffered
}

void HTTPReadStream::unschedule() {
  scheduled_ = false;
  applyPause();
}

void HTTPReadStream::applyPause() {
  if (!added_ || closed_) return;
  if (!scheduled_ && !curlPaused_ && !loop_.insideTransport()) {
    curl_easy_pause(easy_, CURLPAUSE_ALL);
    curlPaused_ = true;
  }
}

void HTTPReadStream::close() {
  if (loop_.isCurrent() && !loop_.insideTransport()) {
    closeNow();
    return;
  }
  // Not from another thread, and not from inside the transport's own callbacks.
  if (loop_.isCurrent()) {
    scheduled_ = false;
    client_.reset();
  }
  auto self = shared_from_this();
  loop_.post([self] { self->closeNow(); });
}

void HTTPReadStream::closeNow() {
  if (closed_) return;
  closed_ = true;
  scheduled_ = false;
  client_.reset();
  if (added_) {
    curl_multi_remove_handle(loop_.multi(), easy_);
    added_ = false;
  }
  if (awaitingTunnel_) settings_->tunnel->abandon();
  awaitingTunnel_ = false;
  if (easy_) curl_easy_setopt(easy_, CURLOPT_SHARE, nullptr);
  settings_->share.reset();
  if (settings_->body) settings_->body->close();
  auto keep = shared_from_this();  // detach() may drop the loop's reference
  loop_.detach(this);
}

std::size_t HTTPReadStream::read(char* buffer, std::size_t length) {
  const std::size_t available = pending_.size() - pendingOffset_;
  const std::size_t n = std::min(length, available);
  if (n == 0) return 0;
  std::memcpy(buffer, pending_.data() + pendingOffset_, n);
  pendingOffset_ += n;
  if (pendingOffset_ == pending_.size()) {
    pending_.clear();
    pendingOffset_ = 0;
  }
  return n;
}

std::uint64_t HTTPReadStream::bytesWritten() const {
  curl_off_t sent = 0;
  if (easy_) curl_easy_getinfo(easy_, CURLINFO_SIZE_UPLOAD_T, &sent);
  return sent > 0 ? static_cast<std::uint64_t>(sent) : 0;
}

void HTTPReadStream::deliver(int event) {
  if (auto client = client_.lock()) client->handleNetworkEvent(event);
}

bool HTTPReadStream::wantsService() const {
  if (closed_ || !scheduled_) return false;
  return headPending_ || (!pending_.empty() && !stalled_) || (finished_ && !endDelivered_) ||
         (curlPaused_ && pending_.empty());
}

bool HTTPReadStream::needsService() const {
  return wantsService() || (!closed_ && !scheduled_ && added_ && !curlPaused_);
}

bool HTTPReadStream::service() {
  if (closed_) return false;
  if (!scheduled_) {
    applyPause();
    return false;
  }
  bool delivered = false;
  auto self = shared_from_this();
  if (headPending_) {
    headPending_ = false;
    deliver(HTTPStreamEventHasBytesAvailable);
    delivered = true;
  }
  while (!closed_ && scheduled_ && !pending_.empty() && !stalled_) {
    const std::size_t before = pending_.size() - pendingOffset_;
    deliver(HTTPStreamEventHasBytesAvailable);
    delivered = true;
    if (!closed_ && pending_.size() - pendingOffset_ == before) stalled_ = true;  // the client took nothing
  }
  if (closed_ || !scheduled_) return delivered;
  if (curlPaused_ && pending_.empty() && added_) {
    curlPaused_ = false;
    curl_easy_pause(easy_, CURLPAUSE_CONT);  // may hand over buffered bytes at once
    delivered = true;
  }
  if (finished_ && !endDelivered_ && (pending_.empty() || stalled_) && !headPending_) {
    endDelivered_ = true;
    deliver(*finished_ == CURLE_OK ? HTTPStreamEventEndEncountered : HTTPStreamEventErrorOccurred);
    delivered = true;
  }
  return delivered;
}

void HTTPReadStream::transportFinished(CURLcode result) {
  if (closed_ || finished_) return;
  // A proxy that refused the tunnel for want of credentials answered like a server: its head is the
  // response, and the stream ends normally.
  if (result != CURLE_OK && tunnelRefused_ && head_ && head_->statusCode == 407) result = CURLE_OK;
  if (result != CURLE_OK) {
    std::string text = errorBuffer_[0] ? std::string(errorBuffer_) : std::string(curl_easy_strerror(result));
    error_ = HTTPError::make(HTTPTransportErrorDomain, result, std::move(text));
  }
  finished_ = result;
}

size_t HTTPReadStream::onHeader(char* data, size_t size, size_t count, void* self) {
  auto* s = static_cast<HTTPReadStream*>(self);
  const std::size_t n = size * count;
  if (s->closed_) return 0;
  if (s->parser_.addLine(std::string_view(data, n))) {
    const HTTPResponseHead& head = s->parser_.head();
    if (s->tunnelling_ && !s->head_ && head.statusCode >= 200 && head.statusCode < 300 &&
        head.httpVersion.rfind("HTTP/", 0) == 0 && !s->headPending_ && s->pending_.empty()) {
      // The proxy's answer to CONNECT: the tunnel is open, the server's head follows.
      s->tunnelling_ = false;
      s->parser_.reset();
      return n;
    }
    s->tunnelRefused_ = s->tunnelling_;  // the proxy's answer to CONNECT, and not a 2xx one
    s->tunnelling_ = false;
    // Moved, not copied: the parser reads its head no further, and the next one starts afresh.
    s->head_ = std::make_shared<const HTTPResponseHead>(s->parser_.takeHead());
    s->headPending_ = true;
  }
  return n;
}

int HTTPReadStream::onConnecting(void* self, curl_socket_t, curlsocktype) {
  auto* s = static_cast<HTTPReadStream*>(self);
  // A new connection to the proxy (called for each socket the transport opens): the proxy's answer to
  // CONNECT comes first on it.
  if (s) s->tunnelling_ = true;
  return CURL_SOCKOPT_OK;
}

int HTTPReadStream::onRequestReady(void* self, char*, char*, int, int) {
  auto* s = static_cast<HTTPReadStream*>(self);
  // Connected (and tunnelled, where the transport asked for it): a head from here on is the origin's.
  if (s) s->tunnelling_ = false;
  return CURL_PREREQFUNC_OK;
}

size_t HTTPReadStream::onWrite(char* data, size_t size, size_t count, void* self) {
  auto* s = static_cast<HTTPReadStream*>(self);
  const std::size_t n = size * count;
  if (s->closed_) return 0;  // aborts the transfer
  if (!s->scheduled_ || s->pending_.size() - s->pendingOffset_ >= kPendingLimit) {
    s->curlPaused_ = true;
    return CURL_WRITEFUNC_PAUSE;
  }
  if (s->pendingOffset_ > 0 && s->pendingOffset_ == s->pending_.size()) {
    s->pending_.clear();
    s->pendingOffset_ = 0;
  }
  s->pending_.append(data, n);
  s->stalled_ = false;
  return n;
}

size_t HTTPReadStream::onRead(char* data, size_t size, size_t count, void* self) {
  auto* s = static_cast<HTTPReadStream*>(self);
  if (s->closed_ || !s->settings_->body) return CURL_READFUNC_ABORT;
  if (!s->scheduled_) {
    s->curlPaused_ = true;
    return CURL_READFUNC_PAUSE;
  }
  const long n = s->settings_->body->read(data, size * count);
  if (n < 0) return CURL_READFUNC_ABORT;
  return static_cast<size_t>(n);
}

int HTTPReadStream::onSeek(void* self, curl_off_t offset, int origin) {
  auto* s = static_cast<HTTPReadStream*>(self);
  if (!s->settings_->body || origin != SEEK_SET || offset != 0) return CURL_SEEKFUNC_CANTSEEK;
  return s->settings_->body->rewind() ? CURL_SEEKFUNC_OK : CURL_SEEKFUNC_FAIL;
}

}  // namespace td
