// The response head: status, headers, cookies, the expected length, the text encoding, whether
// credentials are asked for and whether the response redirects; and the redirects themselves.

#include "http/ASIHTTPRequest.h"
#include "http/ASIHTTPRequestInternal.h"
#include "http/HTTPAuthentication.h"
#include "http/RunLoop.h"

namespace td {

void ASIHTTPRequest::readResponseHeaders() {
  std::lock_guard lock(cancelledLock_);
  authenticationNeeded_ = 0;
  if (!readStream_) return;
  const std::shared_ptr<const HTTPResponseHead> head = readStream_->responseHead();
  if (!head) return;
  responseHeaders_ = std::shared_ptr<const HTTPHeaders>(head, &head->headers);  // no copy
  responseStatusCode_ = head->statusCode;
  responseStatusMessage_ = head->statusLine;

  if (downloadCache_ && downloadCache_->canUseCachedDataForRequest(*this)) {
    downloadCache_->updateExpiryForRequest(*this, secondsToCache_);
    useDataFromCache();
    return;
  }

  // A 407 is the proxy's challenge only when the HTTP proxy itself answered (a plain request through
  // it, or its refusal of a tunnel). Any other is the origin's own answer, direct, through SOCKS or
  // inside an open tunnel: proxy credentials never go to the origin, and the proxy's stay.
  if (responseStatusCode_ == 401) authenticationNeeded_ = 1;
  else if (responseStatusCode_ == 407 && readStream_->proxyAnswered()) authenticationNeeded_ = 2;

  storeCredentialsThatWorked();

  parseStringEncodingFromHeaders();

  responseCookies_ = HTTPCookie::cookiesWithSetCookieValues(head->setCookies, url_);
  if (useCookiePersistence_) {
    HTTPCookieStorage::sharedHTTPCookieStorage().setCookies(responseCookies_);
    for (const HTTPCookie& cookie : responseCookies_) addSessionCookie(cookie);
  }

  if (!willRedirect()) {
    std::shared_ptr<ASIHTTPRequest> main = mainRequest();
    ASIHTTPRequest& target = main ? *main : *this;
    const std::string* lengthHeader = responseHeaders_->find("Content-Length");
    const bool progressFlags = showAccurateProgress_ && shouldResetDownloadProgress_;
    // What a request announces of its own body is taken back if another attempt follows (a HEAD
    // request's announcement stands for its main request).
    auto announce = [&](std::int64_t amount) {
      if (!main) downloadSizeAnnounced_ += amount;
      target.incrementDownloadSizeBy(amount);
    };
    if (!lengthHeader) {
      if (progressFlags) {
        target.setShowAccurateProgress(false);
        announce(1);
      }
    } else {
      const std::uint64_t length = parseContentLength(*lengthHeader).value_or(0);
      if (main && allowCompressedResponse_ && length == 20 && progressFlags) {
        // The length of an empty gzip body says nothing about the body the main request will get.
        main->setShowAccurateProgress(false);
        main->incrementDownloadSizeBy(1);
      } else {
        target.setContentLength(length);
        if (progressFlags) announce(static_cast<std::int64_t>(target.contentLength() + target.partialDownloadSize()));
      }
    }
  }

  if (shouldAttemptPersistentConnection_) decideConnectionReuse(*responseHeaders_, head->httpVersion);
  requestReceivedResponseHeaders(responseHeaders_);
}

bool ASIHTTPRequest::willRedirect() {
  std::lock_guard lock(cancelledLock_);
  if (!shouldRedirect_ || !responseHeaders_) return false;
  const std::string* location = responseHeaders_->find("Location");
  const int status = responseStatusCode_;
  if (!location || (status != 301 && status != 302 && status != 303 && status != 307)) return false;
  const URL target = URL::URLWithString(*location, url_);
  if (target.empty()) return false;  // a Location that makes no URL is not followed
  requestRedirected();

  // Credentials and cookies of this address never travel to another one.
  const bool otherOrigin = target.scheme() != url_.scheme() || target.host() != url_.host() ||
                           target.effectivePort() != url_.effectivePort();
  if (status == 307 || (shouldUseRFC2616RedirectBehaviour_ && (status == 301 || status == 302))) {
    if (otherOrigin) {
      requestHeaders_.remove("Authorization");
      requestHeaders_.remove("Cookie");
    } else {
      applyCookieHeader();
    }
  } else {
    requestMethod_ = "GET";
    postBody_.reset();
    postLength_ = 0;
    HTTPHeaderMap kept;
    for (const auto& [name, value] : requestHeaders_)
      if (equalsIgnoringCase(name, "User-Agent") || equalsIgnoringCase(name, "Accept")) kept.set(name, value);
    requestHeaders_ = std::move(kept);
    haveBuiltRequestHeaders_ = false;
  }
  if (otherOrigin) forgetServerCredentials();
  redirectURL_ = target;
  needsRedirect_ = true;
  requestCookies_.clear();
  return true;
}

bool ASIHTTPRequest::willAskDelegateToConfirmRedirect() {
  URL target;
  {
    std::lock_guard lock(cancelledLock_);
    auto q = queue_.lock();
    const bool asks = delegate_.answers(willRedirectSelector_) ||
                      (q && q->respondsToSelector(ASISelector::requestWillRedirectToURL));
    if (!asks) return false;
    target = redirectURL_;
    redirectURL_ = URL();
  }
  requestWillRedirectToURL(target);
  return true;
}

void ASIHTTPRequest::redirectToURL(const URL& target) {
  setRedirectURL(target);
  auto self = std::static_pointer_cast<ASIHTTPRequest>(shared_from_this());
  requestLoop().post([self] { self->performRedirect(); });
}

void ASIHTTPRequest::performRedirect() {
  std::unique_lock lock(cancelledLock_);
  const bool otherOrigin = redirectURL_.scheme() != url_.scheme() || redirectURL_.host() != url_.host() ||
                           redirectURL_.effectivePort() != url_.effectivePort();
  setURL(redirectURL_);
  complete_ = true;
  needsRedirect_ = false;
  ++redirectCount_;
  if (redirectCount_ >= 6) {
    failWithError(ASITooMuchRedirectionError());
    complete_ = true;
    return;
  }
  // A kept message carries cookies for the address it goes to now.
  if (otherOrigin && haveBuiltRequestHeaders_) applyCookieHeader();
  lock.unlock();
  main();
}

void ASIHTTPRequest::parseStringEncodingFromHeaders() {
  std::lock_guard lock(cancelledLock_);
  std::optional<std::string_view> contentType;
  if (const std::string* value = responseHeaders_ ? responseHeaders_->find("Content-Type") : nullptr) contentType = *value;
  const auto parsed = parseMimeTypeAndResponseEncoding(contentType);
  responseEncoding_ = parsed.encoding ? *parsed.encoding : defaultResponseEncoding_;
}

}  // namespace td
