// The request object: class-wide settings and stores, construction and defaults, headers and body,
// copying, cancellation and the response accessors.

#include "http/ASIHTTPRequest.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>
#include <unicode/uloc.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "http/ASIDataCompressor.h"
#include "http/ASIDataDecompressor.h"
#include "http/ASIHTTPRequestInternal.h"
#include "http/ASIInputStream.h"
#include "http/RunLoop.h"
#include "platform/BuildInfo.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"

namespace td {

ASIHTTPRequestClassState::ASIHTTPRequestClassState() : throttle(RunLoop::networkClock()) {
  RunLoop::setDestroyedHook(&ASIHTTPRequest::dropConnectionsOfLoop);
  sharedQueue = std::make_shared<OperationQueue>();
  sharedQueue->setMaxConcurrentOperationCount(4);
}

ASIHTTPRequestClassState& asiState() {
  static ASIHTTPRequestClassState* state = new ASIHTTPRequestClassState();  // lives as long as the process
  return *state;
}

// ---------------------------------------------------------------- class-wide settings

double ASIHTTPRequest::defaultTimeOutSeconds() { return asiState().defaultTimeOutSeconds.load(); }
void ASIHTTPRequest::setDefaultTimeOutSeconds(double seconds) { asiState().defaultTimeOutSeconds.store(seconds); }

void ASIHTTPRequest::setDefaultUserAgentString(std::optional<std::string> agent) {
  auto& s = asiState();
  std::lock_guard lock(s.classLock);
  s.defaultUserAgent = std::move(agent);
}

std::optional<std::string> ASIHTTPRequest::defaultUserAgentString() {
  auto& s = asiState();
  std::lock_guard lock(s.classLock);
  if (s.defaultUserAgent) return s.defaultUserAgent;
  const std::string name = BuildInfo::productName();
  if (name.empty()) return std::nullopt;
  const std::string version = BuildInfo::productVersion();
  utsname system{};
  if (::uname(&system) != 0) return std::nullopt;
  const char* locale = uloc_getDefault();
  // "TarnwickDesk 1.0.0 (x86_64; Linux 6.1.0; en_US)": this system, its version, the machine, the
  // operating system with its release, and the locale.
  s.defaultUserAgent = name + " " + version + " (" + system.machine + "; " + system.sysname + " " + system.release +
                       "; " + (locale ? locale : "en_US") + ")";
  return s.defaultUserAgent;
}

std::shared_ptr<OperationQueue> ASIHTTPRequest::sharedQueue() { return asiState().sharedQueue; }

std::shared_ptr<ASICacheDelegate> ASIHTTPRequest::defaultCache() {
  auto& s = asiState();
  std::lock_guard lock(s.classLock);
  return s.defaultCache;
}

void ASIHTTPRequest::setDefaultCache(std::shared_ptr<ASICacheDelegate> cache) {
  auto& s = asiState();
  std::lock_guard lock(s.classLock);
  s.defaultCache = std::move(cache);
}

bool ASIHTTPRequest::isNetworkInUse() {
  auto& s = asiState();
  std::lock_guard lock(s.connectionsLock);
  return s.runningRequestCount > 0;
}

void ASIHTTPRequest::setShouldUpdateNetworkActivityIndicator(bool update) {
  auto& s = asiState();
  std::lock_guard lock(s.connectionsLock);
  s.shouldUpdateNetworkActivityIndicator = update;
}

void ASIHTTPRequest::hideNetworkActivityIndicatorAfterDelay() {
  // This desktop shows no network activity indicator (showNetworkActivityIndicator() and
  // hideNetworkActivityIndicator() do nothing): no timer is set on the main thread to hide it.
}

RunLoop& ASIHTTPRequest::threadForRequest(const ASIHTTPRequest*) { return RunLoop::networkThread(); }

void ASIHTTPRequest::setClock(Clock& clock) {
  RunLoop::setNetworkClock(clock);
  asiState().throttle.setClock(clock);
}

Clock& ASIHTTPRequest::clock() { return RunLoop::networkClock(); }

// ---------------------------------------------------------------- session stores

std::vector<ASISessionCredentials> ASIHTTPRequest::sessionCredentialsStore() {
  auto& s = asiState();
  std::lock_guard lock(s.sessionCredentialsLock);
  return s.sessionCredentialsStore;
}

std::vector<ASISessionCredentials> ASIHTTPRequest::sessionProxyCredentialsStore() {
  auto& s = asiState();
  std::lock_guard lock(s.sessionCredentialsLock);
  return s.sessionProxyCredentialsStore;
}

void ASIHTTPRequest::removeAuthenticationCredentialsFromSessionStore(const HTTPCredentialsPtr& credentials) {
  auto& s = asiState();
  std::lock_guard lock(s.sessionCredentialsLock);
  auto& store = s.sessionCredentialsStore;
  auto it = std::find_if(store.begin(), store.end(), [&](const auto& r) { return r.credentials == credentials; });
  if (it != store.end()) store.erase(it);
}

void ASIHTTPRequest::removeProxyAuthenticationCredentialsFromSessionStore(const HTTPCredentialsPtr& credentials) {
  auto& s = asiState();
  std::lock_guard lock(s.sessionCredentialsLock);
  auto& store = s.sessionProxyCredentialsStore;
  auto it = std::find_if(store.begin(), store.end(), [&](const auto& r) { return r.credentials == credentials; });
  if (it != store.end()) store.erase(it);
}

void ASIHTTPRequest::storeAuthenticationCredentialsInSessionStore(ASISessionCredentials record) {
  auto& s = asiState();
  std::lock_guard lock(s.sessionCredentialsLock);
  removeAuthenticationCredentialsFromSessionStore(record.credentials);
  s.sessionCredentialsStore.push_back(std::move(record));
}

void ASIHTTPRequest::storeProxyAuthenticationCredentialsInSessionStore(ASISessionCredentials record) {
  auto& s = asiState();
  std::lock_guard lock(s.sessionCredentialsLock);
  removeProxyAuthenticationCredentialsFromSessionStore(record.credentials);
  s.sessionProxyCredentialsStore.push_back(std::move(record));
}

std::optional<ASISessionCredentials> ASIHTTPRequest::findSessionAuthenticationCredentials() const {
  {
    auto& s = asiState();
    std::lock_guard lock(s.sessionCredentialsLock);
    if (s.sessionCredentialsStore.empty()) return std::nullopt;
  }
  const URL requestURL = url();
  const auto realm = authenticationRealm();
  const auto user = username();
  const auto pass = password();
  auto& s = asiState();
  std::lock_guard lock(s.sessionCredentialsLock);
  std::optional<ASISessionCredentials> candidate;
  for (const ASISessionCredentials& record : s.sessionCredentialsStore) {
    const bool exact = record.url == requestURL;
    bool hostMatch = false;
    if (!exact && !candidate) {
      hostMatch = record.url.host() == requestURL.host() && record.url.port() == requestURL.port() &&
                  record.url.scheme() == requestURL.scheme();
    }
    if (!exact && !hostMatch) continue;
    if (realm && record.authenticationRealm && *realm != *record.authenticationRealm) continue;
    if (user && pass &&
        (!record.credentials || record.credentials->username != *user || record.credentials->password != *pass))
      continue;
    if (exact) return record;
    candidate = record;
  }
  return candidate;
}

std::optional<ASISessionCredentials> ASIHTTPRequest::findSessionProxyAuthenticationCredentials() const {
  const auto host = proxyHost();
  const int port = proxyPort();
  const std::string kind = proxyKind();
  auto& s = asiState();
  std::lock_guard lock(s.sessionCredentialsLock);
  for (const ASISessionCredentials& record : s.sessionProxyCredentialsStore)
    if (host && record.host == *host && record.port == port && record.proxyType == kind) return record;
  return std::nullopt;
}

std::string ASIHTTPRequest::proxyKind() const {
  std::lock_guard lock(cancelledLock_);
  return proxyType_ == kProxyTypeSOCKS ? kProxyTypeSOCKS : kProxyTypeHTTP;
}

std::vector<HTTPCookie> ASIHTTPRequest::sessionCookies() {
  auto& s = asiState();
  std::lock_guard lock(s.sessionCookiesLock);
  if (!s.sessionCookies) setSessionCookies(std::vector<HTTPCookie>());
  return *s.sessionCookies;
}

void ASIHTTPRequest::setSessionCookies(std::optional<std::vector<HTTPCookie>> cookies) {
  auto& s = asiState();
  std::lock_guard lock(s.sessionCookiesLock);
  if (s.sessionCookies)
    for (const HTTPCookie& cookie : *s.sessionCookies) HTTPCookieStorage::sharedHTTPCookieStorage().deleteCookie(cookie);
  s.sessionCookies = std::move(cookies);
}

void ASIHTTPRequest::addSessionCookie(const HTTPCookie& cookie) {
  auto& s = asiState();
  std::lock_guard lock(s.sessionCookiesLock);
  if (!s.sessionCookies) s.sessionCookies.emplace();
  auto& list = *s.sessionCookies;
  auto it = std::find_if(list.begin(), list.end(), [&](const HTTPCookie& c) { return c.sameIdentity(cookie); });
  if (it != list.end()) list.erase(it);
  list.push_back(cookie);
}

void ASIHTTPRequest::clearSession() {
  {
    auto& s = asiState();
    std::lock_guard lock(s.sessionCredentialsLock);
    s.sessionCredentialsStore.clear();
  }
  setSessionCookies(std::nullopt);
  if (auto cache = defaultCache()) cache->clearCachedResponsesForStoragePolicy(ASICacheForSessionDurationCacheStoragePolicy);
}

std::optional<WallClock::time_point> ASIHTTPRequest::expiryDateForRequest(ASIHTTPRequest& request, double maxAge) {
  const auto headers = request.responseHeaders();
  if (maxAge == 0 && headers) {
    if (const std::string* cacheControl = headers->find("Cache-Control")) {
      const std::string lower = toLower(*cacheControl);
      const auto at = lower.find("max-age");
      if (at != std::string::npos) {
        std::size_t i = at + 7;
        while (i < lower.size() && lower[i] == ' ') ++i;
        if (i < lower.size() && lower[i] == '=') ++i;
        while (i < lower.size() && lower[i] == ' ') ++i;
        std::size_t end = i;
        while (end < lower.size() && (std::isdigit(static_cast<unsigned char>(lower[end])) || lower[end] == '.')) ++end;
        if (end > i) {
          try {
            maxAge = std::stod(lower.substr(i, end - i));
          } catch (...) {
          }
        }
      }
    }
  }
  if (maxAge != 0) {
    // Not a number or past a century (the clock would overflow) counts as a century.
    constexpr double kCentury = 100.0 * 366 * 86400;
    if (!(maxAge < kCentury)) maxAge = kCentury;
    if (maxAge < -kCentury) maxAge = -kCentury;
    return WallClock::now() + std::chrono::duration_cast<WallClock::duration>(std::chrono::duration<double>(maxAge));
  }
  if (headers)
    if (const std::string* expires = headers->find("Expires")) return dateFromRFC1123String(*expires);
  return std::nullopt;
}

ASIHTTPRequest::MimeTypeAndEncoding ASIHTTPRequest::parseMimeTypeAndResponseEncoding(
    std::optional<std::string_view> contentType) {
  MimeTypeAndEncoding out;
  auto parsed = parseContentType(contentType);
  if (!parsed) return out;
  out.mimeType = parsed->mimeType;
  if (parsed->charset) out.encoding = ianaCharsetName(*parsed->charset);
  return out;
}

// ---------------------------------------------------------------- throttling (class-wide)

bool ASIHTTPRequest::isBandwidthThrottled() { return asiState().throttle.isBandwidthThrottled(); }
std::uint64_t ASIHTTPRequest::maxBandwidthPerSecond() { return asiState().throttle.maxBandwidthPerSecond(); }
void ASIHTTPRequest::setMaxBandwidthPerSecond(std::uint64_t bytes) { asiState().throttle.setMaxBandwidthPerSecond(bytes); }
void ASIHTTPRequest::incrementBandwidthUsedInLastSecond(std::uint64_t bytes) {
  asiState().throttle.incrementBandwidthUsedInLastSecond(bytes);
}
std::uint64_t ASIHTTPRequest::averageBandwidthUsedPerSecond() { return asiState().throttle.averageBandwidthUsedPerSecond(); }
void ASIHTTPRequest::measureBandwidthUsage() { asiState().throttle.measureBandwidthUsage(); }
std::uint64_t ASIHTTPRequest::maxUploadReadLength() { return asiState().throttle.maxUploadReadLength(); }

void ASIHTTPRequest::performThrottling() {
  std::lock_guard lock(cancelledLock_);
  if (!readStream_) return;
  auto& throttle = asiState().throttle;
  throttle.measureBandwidthUsage();
  switch (throttle.decideStream()) {
    case BandwidthThrottle::StreamDecision::Pause:
      if (readStreamIsScheduled_) unscheduleReadStream();
      break;
    case BandwidthThrottle::StreamDecision::Resume:
      if (!readStreamIsScheduled_) scheduleReadStream();
      break;
    case BandwidthThrottle::StreamDecision::Keep:
      break;
  }
}

// ---------------------------------------------------------------- construction

ASIHTTPRequest::ASIHTTPRequest(const URL& url) {
  timeOutSeconds_ = defaultTimeOutSeconds();
  url_ = url;
  downloadCache_ = defaultCache();
}

ASIHTTPRequest::Ptr ASIHTTPRequest::requestWithURL(const URL& url) { return Ptr(new ASIHTTPRequest(url)); }

ASIHTTPRequest::Ptr ASIHTTPRequest::requestWithURL(const URL& url, std::shared_ptr<ASICacheDelegate> cache,
                                                   int cachePolicy) {
  Ptr request = requestWithURL(url);
  request->setDownloadCache(std::move(cache));
  request->setCachePolicy(cachePolicy);
  return request;
}

ASIHTTPRequest::~ASIHTTPRequest() {
  std::lock_guard lock(cancelledLock_);
  authenticationNeeded_ = 0;
  requestAuthentication_.reset();
  proxyAuthentication_.reset();
  request_.reset();
  cancelLoad();
  if (postBodyWriteStream_ >= 0) ::close(postBodyWriteStream_);
  if (statusTimer_) requestLoop().removeTimer(*statusTimer_);
  releaseBlocksOnMainThread();
}

URL ASIHTTPRequest::url() const {
  std::lock_guard lock(cancelledLock_);
  return url_;
}

void ASIHTTPRequest::setURL(const URL& url) {
  std::lock_guard lock(cancelledLock_);
  if (url == url_) return;
  url_ = url;
  requestAuthentication_.reset();
  proxyAuthentication_.reset();
  request_.reset();
  redirectURL_ = URL();
}

std::string ASIHTTPRequest::requestMethod() const {
  std::lock_guard lock(cancelledLock_);
  return requestMethod_;
}

void ASIHTTPRequest::setRequestMethod(const std::string& method) {
  std::lock_guard lock(cancelledLock_);
  if (method == requestMethod_) return;
  requestMethod_ = method;
  const bool bodyPresent = (postBody_ && !postBody_->empty()) || postBodyFilePath_;
  if (method == "POST" || method == "PUT" || bodyPresent) shouldAttemptPersistentConnection_ = false;
}

std::optional<HTTPMessage> ASIHTTPRequest::requestMessage() const {
  std::lock_guard lock(cancelledLock_);
  return request_;
}

ASIHTTPRequest::Ptr ASIHTTPRequest::copy() const {
  Ptr other(new ASIHTTPRequest(url()));
  copySettingsInto(*other);
  return other;
}

void ASIHTTPRequest::copySettingsInto(ASIHTTPRequest& o) const {
  std::lock_guard lock(cancelledLock_);  // the copy is new: nobody else sees it yet
  o.delegate_ = delegate_;
  o.requestMethod_ = requestMethod_;
  o.postBody_ = postBody_;
  o.shouldStreamPostDataFromDisk_ = shouldStreamPostDataFromDisk_;
  o.postBodyFilePath_ = postBodyFilePath_;
  o.requestHeaders_ = requestHeaders_;
  o.requestCookies_ = requestCookies_;
  o.useCookiePersistence_ = useCookiePersistence_;
  o.useKeychainPersistence_ = useKeychainPersistence_;
  o.useSessionPersistence_ = useSessionPersistence_;
  o.allowCompressedResponse_ = allowCompressedResponse_;
  o.downloadDestinationPath_ = downloadDestinationPath_;
  o.temporaryFileDownloadPath_ = temporaryFileDownloadPath_;
  o.username_ = username_;
  o.password_ = password_;
  o.domain_ = domain_;
  o.proxyUsername_ = proxyUsername_;
  o.proxyPassword_ = proxyPassword_;
  o.proxyDomain_ = proxyDomain_;
  o.proxyHost_ = proxyHost_;
  o.proxyPort_ = proxyPort_;
  o.proxyType_ = proxyType_;
  o.uploadProgressDelegate_ = uploadProgressDelegate_;
  o.downloadProgressDelegate_ = downloadProgressDelegate_;
  o.shouldPresentAuthenticationDialog_ = shouldPresentAuthenticationDialog_;
  o.shouldPresentProxyAuthenticationDialog_ = shouldPresentProxyAuthenticationDialog_;
  o.postLength_ = postLength_;
  o.haveBuiltPostBody_ = haveBuiltPostBody_;
  o.didStartSelector_ = didStartSelector_;
  o.didFinishSelector_ = didFinishSelector_;
  o.didFailSelector_ = didFailSelector_;
  o.timeOutSeconds_ = timeOutSeconds_;
  o.shouldResetDownloadProgress_ = shouldResetDownloadProgress_;
  o.shouldResetUploadProgress_ = shouldResetUploadProgress_;
  o.showAccurateProgress_ = showAccurateProgress_;
  o.defaultResponseEncoding_ = defaultResponseEncoding_;
  o.allowResumeForFileDownloads_ = allowResumeForFileDownloads_;
  o.responseDataLimit_ = responseDataLimit_;
  o.userInfo_ = userInfo_;
  o.tag_ = tag_;
  o.useHTTPVersionOne_ = useHTTPVersionOne_;
  o.shouldRedirect_ = shouldRedirect_;
  o.validatesSecureCertificate_ = validatesSecureCertificate_;
  o.clientCertificateIdentity_ = clientCertificateIdentity_;
  o.clientCertificates_ = clientCertificates_;
  o.PACurl_ = PACurl_;
  o.shouldPresentCredentialsBeforeChallenge_ = shouldPresentCredentialsBeforeChallenge_;
  o.numberOfTimesToRetryOnTimeout_ = numberOfTimesToRetryOnTimeout_;
  o.shouldUseRFC2616RedirectBehaviour_ = shouldUseRFC2616RedirectBehaviour_;
  o.shouldAttemptPersistentConnection_ = shouldAttemptPersistentConnection_;
  o.persistentConnectionTimeoutSeconds_ = persistentConnectionTimeoutSeconds_;
  o.authenticationScheme_ = authenticationScheme_;
  // A copy that keeps a built body keeps what was built from it too.
  o.compressedPostBody_ = compressedPostBody_;
  o.compressedPostBodyFilePath_ = compressedPostBodyFilePath_;
  o.shouldCompressRequestBody_ = shouldCompressRequestBody_;
}

// ---------------------------------------------------------------- headers and body

void ASIHTTPRequest::addRequestHeader(const std::string& name, const std::string& value) {
  std::lock_guard lock(cancelledLock_);
  requestHeaders_.set(name, value);
}

void ASIHTTPRequest::setupPostBody() {
  std::lock_guard lock(cancelledLock_);
  if (shouldStreamPostDataFromDisk_) {
    if (!postBodyFilePath_) {
      postBodyFilePath_ = temporaryDirectory() + "/" + globallyUniqueString();
      didCreateTemporaryPostDataFile_ = true;
    }
    if (postBodyWriteStream_ < 0) {
      postBodyWriteStream_ = ::open(postBodyFilePath_->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
      if (postBodyWriteStream_ < 0)
        TD_LOG_WARN("http: cannot write the request body file " + *postBodyFilePath_ + ": " + HTTPError::posix(errno)->description);
    }
  } else if (!postBody_) {
    postBody_ = std::string();
  }
}

void ASIHTTPRequest::appendPostData(std::string_view data) {
  std::lock_guard lock(cancelledLock_);
  setupPostBody();
  if (!data.empty()) appendPostBytes(data);
}

bool ASIHTTPRequest::appendPostBytes(std::string_view data) {
  std::lock_guard lock(cancelledLock_);
  if (!shouldStreamPostDataFromDisk_) {
    postBody_->append(data);
    return true;
  }
  if (postBodyWriteStream_ >= 0 && writeAllBytes(postBodyWriteStream_, data.data(), data.size())) return true;
  failWithError(HTTPError::request(ASIFileManagementError,
                                   "Failed to write to file at path '" + postBodyFilePath_.value_or("") + "'",
                                   HTTPError::posix(errno)));
  return false;
}

void ASIHTTPRequest::appendPostDataFromFile(const std::string& path) {
  std::lock_guard lock(cancelledLock_);
  setupPostBody();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    failWithError(HTTPError::request(ASIInternalErrorWhileBuildingRequestType, "No file exists at " + path));
    return;
  }
  std::vector<char> buffer(262144);
  while (true) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || !appendPostBytes(std::string_view(buffer.data(), static_cast<std::size_t>(n)))) break;
  }
  ::close(fd);
}

void ASIHTTPRequest::buildPostBody() {
  std::lock_guard lock(cancelledLock_);
  if (haveBuiltPostBody_) return;
  if (postBodyFilePath_) {
    if (postBodyWriteStream_ >= 0) {
      ::close(postBodyWriteStream_);
      postBodyWriteStream_ = -1;
    }
    std::string toSend = *postBodyFilePath_;
    if (shouldCompressRequestBody_) {
      if (!compressedPostBodyFilePath_) {
        compressedPostBodyFilePath_ = temporaryDirectory() + "/" + globallyUniqueString();
        HTTPErrorPtr err;
        if (!ASIDataCompressor::compressDataFromFile(*postBodyFilePath_, *compressedPostBodyFilePath_, &err)) {
          failWithError(err);
          return;
        }
      }
      toSend = *compressedPostBodyFilePath_;
    }
    struct stat st {};
    if (::stat(toSend.c_str(), &st) != 0) {
      failWithError(HTTPError::request(ASIFileManagementError, "Failed to get attributes for file at path '" + toSend + "'",
                                       HTTPError::posix(errno)));
      return;
    }
    postLength_ = static_cast<std::uint64_t>(st.st_size);
  } else if (shouldCompressRequestBody_) {
    HTTPErrorPtr err;
    auto compressed = ASIDataCompressor::compressData(postBody_.value_or(""), &err);
    if (err) {
      failWithError(err);
      return;
    }
    compressedPostBody_ = compressed.value_or("");
    postLength_ = compressedPostBody_->size();
  } else {
    postLength_ = postBody_ ? postBody_->size() : 0;
  }
  if (postLength_ > 0) {
    if (requestMethod_ == "GET" || requestMethod_ == "DELETE" || requestMethod_ == "HEAD") setRequestMethod("POST");
    requestHeaders_.set("Content-Length", std::to_string(postLength_));
  }
  haveBuiltPostBody_ = true;
}

// ---------------------------------------------------------------- cancellation and state

void ASIHTTPRequest::cancel() {
  auto self = std::static_pointer_cast<ASIHTTPRequest>(shared_from_this());
  // Under the lock: a synchronous request sets and clears its loop on its own thread, and the loop
  // goes with that thread. A request that no loop runs (not started, or a synchronous one that has
  // ended) is cancelled here and now: the thread that starts it later finds it cancelled.
  std::lock_guard lock(cancelledLock_);
  if (!runLoop_) {
    cancelOnRequestThread();
    return;
  }
  runLoop_->post([self] { self->cancelOnRequestThread(); });
}

void ASIHTTPRequest::clearDelegatesAndCancel() {
  {
    std::lock_guard lock(cancelledLock_);
    delegate_ = {};
    queue_.reset();
    downloadProgressDelegate_ = {};
    uploadProgressDelegate_ = {};
    releaseBlocksOnMainThread();
  }
  cancel();
}

bool ASIHTTPRequest::isCancelled() const { return cancelled_.load(); }
bool ASIHTTPRequest::isExecuting() const { return executing_.load(); }
bool ASIHTTPRequest::isFinished() const { return finished_.load(); }

// ---------------------------------------------------------------- response

std::optional<HTTPHeaders> ASIHTTPRequest::responseHeaders() const {
  std::lock_guard lock(cancelledLock_);
  if (!responseHeaders_) return std::nullopt;
  return *responseHeaders_;
}

void ASIHTTPRequest::setResponseHeaders(std::optional<HTTPHeaders> headers) {
  std::lock_guard lock(cancelledLock_);
  responseHeaders_ = headers ? std::make_shared<const HTTPHeaders>(std::move(*headers)) : nullptr;
}

bool ASIHTTPRequest::isResponseCompressed() const {
  std::lock_guard lock(cancelledLock_);
  if (!responseHeaders_) return false;
  const std::string* encoding = responseHeaders_->find("Content-Encoding");
  return encoding && encoding->find("gzip") != std::string::npos;
}

std::optional<std::string> ASIHTTPRequest::rawResponseData() const {
  std::lock_guard lock(cancelledLock_);
  return rawResponseData_;
}

void ASIHTTPRequest::setRawResponseData(std::optional<std::string> data) {
  std::lock_guard lock(cancelledLock_);
  rawResponseData_ = std::move(data);
  rawResponseDataInflated_ = false;
  inflatedResponseData_.reset();
}

std::optional<std::string> ASIHTTPRequest::responseBody() const {
  std::lock_guard lock(cancelledLock_);
  if (!rawResponseData_) return std::nullopt;
  if (!isResponseCompressed() || rawResponseDataInflated_) return rawResponseData_;
  // Kept compressed: inflated when the body ended (once), else now.
  if (inflatedResponseData_) return inflatedResponseData_;
  return ASIDataDecompressor::uncompressData(*rawResponseData_, nullptr, responseDataLimit_);
}

std::string ASIHTTPRequest::responseData() const { return responseBody().value_or(""); }

std::optional<std::string> ASIHTTPRequest::responseString() const {
  std::string encoding;
  {
    std::lock_guard lock(cancelledLock_);
    encoding = responseEncoding_.empty() ? defaultResponseEncoding_ : responseEncoding_;
  }
  const auto body = responseBody();
  if (!body) return std::nullopt;
  return decodeText(*body, encoding);
}

}  // namespace td
