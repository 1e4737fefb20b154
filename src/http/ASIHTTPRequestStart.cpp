// Starting a request (on the shared queue and the network thread, or synchronously on the caller's
// thread) and setting up each attempt: the message, its headers, the body stream, TLS, the proxy and
// the connection, then the open stream and its status timer.

#include <cxxabi.h>
#include <sys/stat.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>
#include <utility>

#include "http/ASIHTTPRequest.h"
#include "http/ASIHTTPRequestInternal.h"
#include "http/ASIInputStream.h"
#include "http/HTTPAuthentication.h"
#include "http/HTTPEngineException.h"
#include "http/RunLoop.h"
#include "platform/Log.h"

namespace td {
namespace {

// The name of an exception for a reader: the engine's own by the name it was raised with, any other
// by its type as written in the source ("std::length_error").
std::string exceptionName(const std::exception& e) {
  if (const auto* engine = dynamic_cast<const HTTPEngineException*>(&e)) return engine->name();
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> readable(abi::__cxa_demangle(typeid(e).name(), nullptr, nullptr, &status),
                                                 &std::free);
  return status == 0 && readable ? std::string(readable.get()) : std::string(typeid(e).name());
}

}  // namespace

void ASIHTTPRequest::startAsynchronous() { sharedQueue()->addOperation(shared_from_this()); }

void ASIHTTPRequest::start() {
  auto self = std::static_pointer_cast<ASIHTTPRequest>(shared_from_this());
  {
    std::lock_guard lock(cancelledLock_);
    inProgress_ = true;
    executing_.store(true);
    runLoop_ = &RunLoop::networkThread();
  }
  RunLoop::networkThread().post([self] { self->main(); });
}

void ASIHTTPRequest::startSynchronous() {
  asiState();  // the class-wide state exists before the first loop
  RunLoop& loop = RunLoop::currentThreadLoop();
  {
    std::lock_guard lock(cancelledLock_);
    isSynchronous_ = true;
    inProgress_ = true;
    executing_.store(true);
    runLoop_ = &loop;
  }
  if (!isCancelled() && !complete()) {
    main();
    loop.runUntil([this] { return complete(); });
  }
  {
    std::lock_guard lock(cancelledLock_);
    if (statusTimer_) {
      loop.removeTimer(*statusTimer_);
      statusTimer_.reset();
    }
    // What is left of an attempt that did not end stays with no loop running it.
    if (readStream_) {
      readStream_->closeNow();
      readStream_.reset();
      readStreamIsScheduled_ = false;
    }
    inProgress_ = false;
    executing_.store(false);
    runLoop_ = nullptr;
  }
}

void ASIHTTPRequest::main() {
  std::lock_guard lock(cancelledLock_);
  try {
    if (error_) {
      complete_ = true;
      markAsFinished();
      return;
    }
    complete_ = false;
    didUseCachedResponse_ = false;
    if (url_.empty()) {
      failWithError(ASIUnableToCreateRequestError());
      return;
    }
    const auto main = mainRequest();
    if (!main) {
      buildPostBody();
      if (error_) return;
    }
    if (requestMethod_ != "GET") downloadCache_.reset();
    // The method opens the request line as it stands: a line break in it would add lines of its own
    // to the head, and a blank would end it early. Whichever way it was set, no message is made.
    if (!isToken(requestMethod_)) {
      failWithError(HTTPError::request(ASIInternalErrorWhileBuildingRequestType,
                                       "The request method " + quotedWithVisibleBreaks(requestMethod_) +
                                           " is not a token"));
      return;
    }
    request_ = HTTPMessage{requestMethod_, url_, useHTTPVersionOne_, {}};
    if (main) main->buildRequestHeaders();
    buildRequestHeaders();
    if (error_) return;

    if (downloadCache_) {
      if (cachePolicy_ == 0) cachePolicy_ = downloadCache_->defaultCachePolicy();
      if (downloadCache_->canUseCachedDataForRequest(*this)) {
        useDataFromCache();
        return;
      }
      if (cachePolicy_ & (ASIAskServerIfModifiedWhenStaleCachePolicy | ASIAskServerIfModifiedCachePolicy)) {
        if (auto cached = downloadCache_->cachedResponseHeadersForURL(url_)) {
          if (auto etag = cached->get("Etag")) requestHeaders_.set("If-None-Match", *etag);
          if (auto modified = cached->get("Last-Modified")) requestHeaders_.set("If-Modified-Since", *modified);
        }
      }
    }
    applyAuthorizationHeader();
    if (error_) return;
    for (const auto& [name, value] : requestHeaders_) request_->headers.set(name, value);
    if (configureProxies()) startRequest();
  } catch (const std::exception& e) {
    const std::string name = exceptionName(e);
    auto underlying = HTTPError::make(NetworkRequestErrorDomain, ASIUnhandledExceptionError, name);
    failWithError(HTTPError::make(NetworkRequestErrorDomain, ASIUnhandledExceptionError, name, underlying, e.what()));
  }
}

void ASIHTTPRequest::buildRequestHeaders() {
  std::lock_guard lock(cancelledLock_);
  if (haveBuiltRequestHeaders_) return;
  haveBuiltRequestHeaders_ = true;
  if (auto main = mainRequest()) {
    for (const auto& [name, value] : main->requestHeaders()) requestHeaders_.set(name, value);
    return;
  }
  applyCookieHeader();
  if (!requestHeaders_.contains("User-Agent")) {
    std::optional<std::string> agent = userAgentString_;
    if (!agent || agent->empty()) agent = defaultUserAgentString();
    if (agent && !agent->empty()) requestHeaders_.set("User-Agent", std::move(*agent));
  }
  if (allowCompressedResponse_) requestHeaders_.set("Accept-Encoding", "gzip");
  if (shouldCompressRequestBody_) requestHeaders_.set("Content-Encoding", "gzip");
  updatePartialDownloadSize();
  if (partialDownloadSize_ > 0) requestHeaders_.set("Range", "bytes=" + std::to_string(partialDownloadSize_) + "-");
}

void ASIHTTPRequest::applyCookieHeader() {
  std::lock_guard lock(cancelledLock_);
  if (useCookiePersistence_) {
    for (const HTTPCookie& cookie : HTTPCookieStorage::sharedHTTPCookieStorage().cookiesForURL(url_))
      requestCookies_.push_back(cookie);
  }
  const auto main = mainRequest();
  const std::vector<HTTPCookie> cookies = main ? main->requestCookies() : requestCookies_;
  if (cookies.empty()) return;
  std::string header;
  for (const HTTPCookie& cookie : cookies) {
    if (!header.empty()) header += "; ";
    header += cookie.name + "=" + cookie.value;
  }
  requestHeaders_.set("Cookie", std::move(header));
}

void ASIHTTPRequest::applyAuthorizationHeader() {
  std::lock_guard lock(cancelledLock_);
  if (!shouldPresentCredentialsBeforeChallenge_) return;
  if (!requestHeaders_.contains("Authorization")) {
    if (username_ && password_ && authenticationScheme_ == kHTTPAuthenticationSchemeBasic) {
      addBasicAuthenticationHeader(*username_, *password_);
    } else if (useSessionPersistence_) {
      if (auto record = findSessionAuthenticationCredentials(); record && record->credentials) {
        if (record->authentication && !record->authentication->canAnswerBeforeChallenge()) {
          // An NTLM answer belongs to its connection's handshake: this request waits for its own.
        } else if (record->authentication) {
          if (request_ && record->authentication->applyCredentials(*request_, *record->credentials, url_.host())) {
            authenticationScheme_ = record->authenticationScheme;
          } else {
            removeAuthenticationCredentialsFromSessionStore(record->credentials);
          }
        } else {
          addBasicAuthenticationHeader(record->credentials->username, record->credentials->password);
        }
      }
    }
  }
  // Only records taken for the request's proxy and of its kind: the origin behind a SOCKS proxy at
  // the same address is never shown an HTTP proxy's credentials.
  if (useSessionPersistence_) {
    if (auto record = findSessionProxyAuthenticationCredentials();
        record && record->credentials && record->authentication && record->authentication->canAnswerBeforeChallenge()) {
      if (!request_ ||
          !record->authentication->applyCredentials(*request_, *record->credentials, proxyHost_.value_or("")))
        removeProxyAuthenticationCredentialsFromSessionStore(record->credentials);
    }
  }
}

void ASIHTTPRequest::updatePartialDownloadSize() {
  std::lock_guard lock(cancelledLock_);
  if (!allowResumeForFileDownloads_ || !downloadDestinationPath_ || !temporaryFileDownloadPath_) return;
  struct stat st {};
  if (::stat(temporaryFileDownloadPath_->c_str(), &st) != 0) {
    if (errno == ENOENT) return;
    failWithError(HTTPError::request(ASIFileManagementError,
                                     "Failed to get attributes for file at path '" + *temporaryFileDownloadPath_ + "'",
                                     HTTPError::posix(errno)));
    return;
  }
  partialDownloadSize_ = static_cast<std::uint64_t>(st.st_size);
}

void ASIHTTPRequest::startRequest() {
  std::lock_guard lock(cancelledLock_);
  if (cancelled_.load() || !request_) return;
  // A line break in a field would let the text after it stand as a header of its own, and a name
  // that is no token would be read as another field ("X-Trace:Id: 7" is the field X-Trace).
  for (const auto& [name, value] : request_->headers.fields()) {
    if (holdsLineBreakOrNul(name) || holdsLineBreakOrNul(value)) {
      failWithError(HTTPError::request(ASIInternalErrorWhileBuildingRequestType,
                                       "The request header " + quotedWithVisibleBreaks(name) +
                                           " contains a line break or NUL character"));
      return;
    }
    if (!isToken(name)) {
      failWithError(HTTPError::request(ASIInternalErrorWhileBuildingRequestType,
                                       "The request header name " + quotedWithVisibleBreaks(name) +
                                           " is not a token"));
      return;
    }
  }
  requestStarted();
  downloadComplete_ = false;
  complete_ = false;
  totalBytesRead_ = 0;
  lastBytesRead_ = 0;
  discardAttemptBody();  // a retry starts its body afresh (or resumes it from what is on disk)
  if (redirectCount_ == 0) originalURL_ = url_;
  if (uploadBytesReported_ != 0) removeUploadProgressSoFar();
  removeDownloadProgressSoFar();
  lastBytesSent_ = 0;
  contentLength_ = 0;
  responseHeaders_.reset();
  setRawResponseData(downloadDestinationPath_ ? std::nullopt : std::optional<std::string>(std::string()));
  readStreamIsScheduled_ = false;

  HTTPStreamSettings settings;
  settings.method = request_->method;
  settings.url = request_->url.transportString();
  settings.useHTTPVersionOne = request_->useHTTPVersionOne;
  settings.headers = request_->headers.fields();

  // The body stream.
  auto weakSelf = std::weak_ptr<ASIHTTPRequest>(std::static_pointer_cast<ASIHTTPRequest>(shared_from_this()));
  struct stat st {};
  if (shouldStreamPostDataFromDisk_ && postBodyFilePath_ && ::stat(postBodyFilePath_->c_str(), &st) == 0) {
    const bool compressed = compressedPostBodyFilePath_ && ::stat(compressedPostBodyFilePath_->c_str(), &st) == 0;
    postBodyReadStream_ = ASIInputStream::inputStreamWithFileAtPath(
        compressed ? *compressedPostBodyFilePath_ : *postBodyFilePath_, weakSelf);
  } else if ((postBody_ && !postBody_->empty()) || (shouldCompressRequestBody_ && compressedPostBody_)) {
    const bool compressed = shouldCompressRequestBody_ && compressedPostBody_;
    postBodyReadStream_ = ASIInputStream::inputStreamWithData(
        std::make_shared<const std::string>(compressed ? *compressedPostBody_ : *postBody_), weakSelf);
  } else {
    postBodyReadStream_.reset();
  }
  if (postBodyReadStream_) {
    settings.body = postBodyReadStream_;
    settings.bodyLength = postLength_;
  }

  // TLS: an identity replaces the validation setting with the certificate list alone.
  if (url_.scheme() == "https") {
    settings.validatesSecureCertificate = validatesSecureCertificate_;
    if (clientCertificateIdentity_) {
      settings.validatesSecureCertificate = true;
      settings.clientCertificateChainPEM = clientCertificateIdentity_->certificatePEM;
      for (const std::string& pem : clientCertificates_) settings.clientCertificateChainPEM += "\n" + pem;
      settings.clientPrivateKeyPEM = clientCertificateIdentity_->privateKeyPEM;
    }
  }

  // Proxy.
  if (proxyHost_ && !proxyHost_->empty() && proxyPort_ != 0) {
    if (!proxyType_ || proxyType_->empty()) proxyType_ = kProxyTypeHTTP;
    settings.proxyHost = *proxyHost_;
    settings.proxyPort = proxyPort_;
    settings.socksProxy = *proxyType_ == kProxyTypeSOCKS;
    // Credentials for the proxy go with CONNECT when the request is tunnelled through it.
    if (url_.scheme() == "https" && !settings.socksProxy) {
      auto& headers = settings.headers;
      for (auto it = headers.begin(); it != headers.end();) {
        if (equalsIgnoringCase(it->first, "Proxy-Authorization")) {
          settings.proxyTunnelHeaders.push_back(*it);
          it = headers.erase(it);
        } else {
          ++it;
        }
      }
    }
  }

  // Connection.
  chooseConnection(settings);
  const bool ntlmMessagePending = std::exchange(ntlmProxyMessagePending_, false);
  if (url_.scheme() == "https" && !settings.proxyHost.empty() && !settings.socksProxy)
    chooseTunnel(settings, ntlmMessagePending);

  readStream_ = HTTPReadStream::create(requestLoop(), std::move(settings));
  if (!readStream_) {
    failWithError(HTTPError::request(ASIInternalErrorWhileBuildingRequestType, "Unable to create read stream"));
    return;
  }
  const auto wakeUp = asiState().throttle.throttleWakeUpTime();
  if (!wakeUp || *wakeUp <= clock().now()) scheduleReadStream();

  readStream_->setClient(std::static_pointer_cast<ASIHTTPRequest>(shared_from_this()));
  if (readStream_->open()) {
    if (!mainRequest()) {
      if (shouldResetUploadProgress_) {
        incrementUploadSizeBy(showAccurateProgress_ ? static_cast<std::int64_t>(postLength_) : 1);
        updateProgressIndicator(&ASIHTTPRequest::uploadProgressDelegate_, 0, 1);
      }
      if (shouldResetDownloadProgress_ && partialDownloadSize_ == 0)
        updateProgressIndicator(&ASIHTTPRequest::downloadProgressDelegate_, 0, 1);
    }
    lastActivityTime_ = clock().now();
    setStatusTimer(true);
  } else {
    connectionCanBeReused_ = false;
    destroyReadStream();
    failWithError(HTTPError::request(ASIInternalErrorWhileBuildingRequestType, "Unable to start HTTP connection"));
  }
}

}  // namespace td
