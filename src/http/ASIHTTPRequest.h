#pragma once
// One HTTP exchange of the engine: what is to be sent and how, what came back and where the exchange
// stands. A request runs as an operation: startAsynchronous() puts it on the shared queue (at most four
// at a time), whose start hands its work to the engine's network thread; startSynchronous() runs it on
// the caller's thread. Redirects, time-outs with retries, cookies, credentials, gzip bodies,
// persistent connections, proxies and the download cache are handled here; the transport only moves
// bytes. Every report (started, headers, redirect, data, progress, finished, failed) reaches the
// delegate, the blocks and the queue on the main thread (MainQueue); a failure is reported once.
//
// Requests are shared objects (make them with requestWithURL); their accessors may be called from any
// thread. Class-wide settings (time-out, user agent, session stores, throttle) are static members.

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "http/ASICacheDelegate.h"
#include "http/ASIHTTPRequestDelegate.h"
#include "http/HTTPCookie.h"
#include "http/HTTPError.h"
#include "http/HTTPHeaders.h"
#include "http/HTTPReadStream.h"
#include "http/OperationQueue.h"
#include "http/URL.h"
#include "platform/Clock.h"
#include "platform/RecursiveMutex.h"

namespace td {

class ASIDataDecompressor;
class ASIInputStream;
struct HTTPProtectionSpace;
class HTTPAuthentication;
class RunLoop;

inline constexpr const char* ASIHTTPRequestVersion = "v1.8.1-61 2011-09-19";
inline constexpr const char* ASIHTTPRequestRunLoopMode = "ASIHTTPRequestRunLoopMode";
inline constexpr std::uint64_t ASIWWANBandwidthThrottleAmount = 14800;
inline constexpr const char* kProxyTypeHTTP = "HTTP";
inline constexpr const char* kProxyTypeSOCKS = "SOCKS";
// The most bytes a request keeps of a response body in memory unless told otherwise: 64 MiB.
inline constexpr std::uint64_t ASIDefaultResponseDataLimit = 64ull << 20;

// User name, password and (for schemes that need one) account domain.
struct HTTPCredentials {
  std::string username;
  std::string password;
  std::optional<std::string> domain;
  friend bool operator==(const HTTPCredentials&, const HTTPCredentials&) = default;
};
using HTTPCredentialsPtr = std::shared_ptr<const HTTPCredentials>;

// A record of the session credential stores: credentials that worked, for a server URL or a proxy.
struct ASISessionCredentials {
  HTTPCredentialsPtr credentials;
  std::shared_ptr<HTTPAuthentication> authentication;  // none after a Basic header sent unasked
  std::string authenticationScheme;
  // Server records.
  URL url;
  std::optional<std::string> authenticationRealm;
  // Proxy records: the proxy, and its kind (kProxyTypeHTTP or kProxyTypeSOCKS); a record serves only
  // requests through a proxy of that kind.
  std::string host;
  int port = 0;
  std::string proxyType;
};

// The request message of one attempt: method, URL, version and header fields.
struct HTTPMessage {
  std::string method;
  URL url;
  bool useHTTPVersionOne = false;
  HTTPHeaders headers;
};

// The identity used for client certificates: a PEM certificate and its PEM private key.
struct ClientCertificateIdentity {
  std::string certificatePEM;
  std::string privateKeyPEM;
};

using ASIStringMap = std::map<std::string, std::string>;
struct ASIConnectionInfo;

// Declares a property under the request's lock: `Type name() const` and `void Setter(Type)`.
#define ASI_PROPERTY(Type, name, Setter)              \
 public:                                              \
  Type name() const {                                 \
    std::lock_guard asiLock(cancelledLock_);          \
    return name##_;                                   \
  }                                                   \
  void Setter(Type value) {                           \
    std::lock_guard asiLock(cancelledLock_);          \
    name##_ = std::move(value);                       \
  }                                                   \
                                                      \
 private:                                             \
  Type name##_

class ASIHTTPRequest : public Operation, public HTTPReadStreamClient {
 public:
  using Ptr = std::shared_ptr<ASIHTTPRequest>;
  using BasicBlock = std::function<void()>;
  using HeadersBlock = std::function<void(const HTTPHeaders&)>;
  using ProgressBlock = std::function<void(std::uint64_t amount, std::uint64_t total)>;
  using SizeBlock = std::function<void(std::int64_t amount)>;
  using DataBlock = std::function<void(const std::string& data)>;

  // ---- construction (see ASIHTTPRequest.cpp) ----
  static Ptr requestWithURL(const URL& url);
  static Ptr requestWithURL(const URL& url, std::shared_ptr<ASICacheDelegate> cache, int cachePolicy = 0);
  ~ASIHTTPRequest() override;
  ASIHTTPRequest(const ASIHTTPRequest&) = delete;
  ASIHTTPRequest& operator=(const ASIHTTPRequest&) = delete;
  // A new request for the same URL with the settings a caller gave (no response, no state).
  virtual Ptr copy() const;

  // ---- class-wide settings, stores and utilities ----
  static double defaultTimeOutSeconds();
  static void setDefaultTimeOutSeconds(double seconds);
  static std::optional<std::string> defaultUserAgentString();
  static void setDefaultUserAgentString(std::optional<std::string> agent);
  static std::shared_ptr<OperationQueue> sharedQueue();
  static std::shared_ptr<ASICacheDelegate> defaultCache();
  static void setDefaultCache(std::shared_ptr<ASICacheDelegate> cache);
  static bool isNetworkInUse();
  static void setShouldUpdateNetworkActivityIndicator(bool update);
  static void showNetworkActivityIndicator() {}
  static void hideNetworkActivityIndicator() {}
  static void hideNetworkActivityIndicatorAfterDelay();
  static RunLoop& threadForRequest(const ASIHTTPRequest* request);
  // The clock of time-outs, throttling and connection expiry: set before the first request (tests).
  static void setClock(Clock& clock);
  static Clock& clock();

  static std::vector<ASISessionCredentials> sessionCredentialsStore();
  static std::vector<ASISessionCredentials> sessionProxyCredentialsStore();
  static void storeAuthenticationCredentialsInSessionStore(ASISessionCredentials record);
  static void storeProxyAuthenticationCredentialsInSessionStore(ASISessionCredentials record);
  static void removeAuthenticationCredentialsFromSessionStore(const HTTPCredentialsPtr& credentials);
  static void removeProxyAuthenticationCredentialsFromSessionStore(const HTTPCredentialsPtr& credentials);
  std::optional<ASISessionCredentials> findSessionAuthenticationCredentials() const;
  std::optional<ASISessionCredentials> findSessionProxyAuthenticationCredentials() const;
  // The kind of the request's proxy (kProxyTypeSOCKS, else kProxyTypeHTTP, as the stream takes it).
  std::string proxyKind() const;

  static std::vector<HTTPCookie> sessionCookies();
  static void setSessionCookies(std::optional<std::vector<HTTPCookie>> cookies);
  static void addSessionCookie(const HTTPCookie& cookie);
  static void clearSession();

  static std::optional<WallClock::time_point> expiryDateForRequest(ASIHTTPRequest& request, double maxAge);
  struct MimeTypeAndEncoding {
    std::optional<std::string> mimeType;
    std::optional<std::string> encoding;  // IANA name, only when the converter knows it
  };
  static MimeTypeAndEncoding parseMimeTypeAndResponseEncoding(std::optional<std::string_view> contentType);

  // Bandwidth throttling (class-wide).
  static bool isBandwidthThrottled();
  static std::uint64_t maxBandwidthPerSecond();
  static void setMaxBandwidthPerSecond(std::uint64_t bytes);
  static void incrementBandwidthUsedInLastSecond(std::uint64_t bytes);
  static std::uint64_t averageBandwidthUsedPerSecond();
  static void measureBandwidthUsage();
  static std::uint64_t maxUploadReadLength();
  // Pauses or resumes this request's response stream as the throttle says.
  void performThrottling();

  // ---- headers and body ----
  void addRequestHeader(const std::string& name, const std::string& value);
  void setupPostBody();
  void appendPostData(std::string_view data);
  void appendPostDataFromFile(const std::string& path);
  virtual void buildPostBody();

  // ---- running ----
  void startAsynchronous();
  void startSynchronous();
  void start() override;
  void cancel() override;
  void clearDelegatesAndCancel();
  bool isCancelled() const override;
  bool isExecuting() const override;
  bool isFinished() const override;
  // The delegate's answer to a redirect it was asked to confirm.
  void redirectToURL(const URL& url);
  // The delegate's answers to a credentials question.
  void retryUsingSuppliedCredentials();
  void cancelAuthentication();

  // ---- response ----
  std::string responseData() const;
  std::optional<std::string> responseString() const;
  bool isResponseCompressed() const;
  // A HEAD request for this request's URL that reports as this request (for a queue's sizes).
  Ptr HEADRequest();

  // ---- receivers ----
  ASIHTTPRequestDelegate* delegate() const;
  void setDelegate(ASIHTTPRequestDelegate* delegate);
  std::shared_ptr<ASIHTTPRequestQueue> queue() const;
  void setQueue(const std::shared_ptr<ASIHTTPRequestQueue>& queue);
  ASIProgressDelegate* uploadProgressDelegate() const;
  void setUploadProgressDelegate(ASIProgressDelegate* delegate);
  ASIProgressDelegate* downloadProgressDelegate() const;
  void setDownloadProgressDelegate(ASIProgressDelegate* delegate);

  void setStartedBlock(BasicBlock block);
  void setHeadersReceivedBlock(HeadersBlock block);
  void setCompletionBlock(BasicBlock block);
  void setFailedBlock(BasicBlock block);
  void setBytesReceivedBlock(ProgressBlock block);
  void setBytesSentBlock(ProgressBlock block);
  void setDownloadSizeIncrementedBlock(SizeBlock block);
  void setUploadSizeIncrementedBlock(SizeBlock block);
  void setDataReceivedBlock(DataBlock block);
  void setAuthenticationNeededBlock(BasicBlock block);
  void setProxyAuthenticationNeededBlock(BasicBlock block);
  void setRequestRedirectedBlock(BasicBlock block);

  // Main-thread delivery: runs fn now when called on the main thread, else posts it there.
  static void performOnMainThread(std::function<void()> fn);
  // Sets an indicator (its setDoubleValue) to progress / total on the main thread; a total of 0
  // gives 1.0 for a complete request (`complete`) and 0 otherwise.
  void updateProgressIndicator(ASIReceiverRef<ASIProgressDelegate> ASIHTTPRequest::*indicator, std::uint64_t progress,
                               std::uint64_t total, bool complete = false);

  // ---- properties ----
  URL url() const;
  void setURL(const URL& url);
  std::string requestMethod() const;
  void setRequestMethod(const std::string& method);
  ASI_PROPERTY(URL, originalURL, setOriginalURL);
  ASI_PROPERTY(URL, redirectURL, setRedirectURL);
  ASI_PROPERTY(bool, useHTTPVersionOne, setUseHTTPVersionOne) = false;
  ASI_PROPERTY(std::optional<std::uint64_t>, requestID, setRequestID);
  ASI_PROPERTY(ASIStringMap, userInfo, setUserInfo);
  ASI_PROPERTY(std::int64_t, tag, setTag) = 0;

  ASI_PROPERTY(ASISelector, didStartSelector, setDidStartSelector) = ASISelector::requestStarted;
  ASI_PROPERTY(ASISelector, didReceiveResponseHeadersSelector, setDidReceiveResponseHeadersSelector) =
      ASISelector::requestDidReceiveResponseHeaders;
  ASI_PROPERTY(ASISelector, willRedirectSelector, setWillRedirectSelector) = ASISelector::requestWillRedirectToURL;
  ASI_PROPERTY(ASISelector, didFinishSelector, setDidFinishSelector) = ASISelector::requestFinished;
  ASI_PROPERTY(ASISelector, didFailSelector, setDidFailSelector) = ASISelector::requestFailed;
  ASI_PROPERTY(ASISelector, didReceiveDataSelector, setDidReceiveDataSelector) = ASISelector::requestDidReceiveData;

  // Request headers: names compared without regard to letter case.
  ASI_PROPERTY(HTTPHeaderMap, requestHeaders, setRequestHeaders);
  ASI_PROPERTY(bool, haveBuiltRequestHeaders, setHaveBuiltRequestHeaders) = false;
  ASI_PROPERTY(std::vector<HTTPCookie>, requestCookies, setRequestCookies);
  ASI_PROPERTY(bool, useCookiePersistence, setUseCookiePersistence) = true;
  ASI_PROPERTY(std::optional<std::string>, userAgentString, setUserAgentString);

  ASI_PROPERTY(std::optional<std::string>, postBody, setPostBody);
  ASI_PROPERTY(std::uint64_t, postLength, setPostLength) = 0;
  ASI_PROPERTY(std::optional<std::string>, postBodyFilePath, setPostBodyFilePath);
  ASI_PROPERTY(bool, shouldStreamPostDataFromDisk, setShouldStreamPostDataFromDisk) = false;
  ASI_PROPERTY(bool, didCreateTemporaryPostDataFile, setDidCreateTemporaryPostDataFile) = false;
  ASI_PROPERTY(bool, shouldCompressRequestBody, setShouldCompressRequestBody) = false;
  ASI_PROPERTY(std::optional<std::string>, compressedPostBody, setCompressedPostBody);
  ASI_PROPERTY(std::optional<std::string>, compressedPostBodyFilePath, setCompressedPostBodyFilePath);
  ASI_PROPERTY(bool, haveBuiltPostBody, setHaveBuiltPostBody) = false;

  ASI_PROPERTY(int, responseStatusCode, setResponseStatusCode) = 0;
  ASI_PROPERTY(std::optional<std::string>, responseStatusMessage, setResponseStatusMessage);
  // The response head's fields (kept shared with the report that hands them to the receivers).
 public:
  std::optional<HTTPHeaders> responseHeaders() const;
  void setResponseHeaders(std::optional<HTTPHeaders> headers);

 private:
  std::shared_ptr<const HTTPHeaders> responseHeaders_;
  ASI_PROPERTY(std::vector<HTTPCookie>, responseCookies, setResponseCookies);
  // The body as received (still compressed unless it was inflated on the fly). Setting it forgets
  // what an earlier body inflated to.
 public:
  std::optional<std::string> rawResponseData() const;
  void setRawResponseData(std::optional<std::string> data);

 private:
  std::optional<std::string> rawResponseData_;
  bool rawResponseDataInflated_ = false;              // inflated on the fly as it came
  std::optional<std::string> inflatedResponseData_;  // a compressed body, inflated once when it ended

  // The most bytes of a body kept in memory, as received and as inflated: a body that passes it fails
  // the request, and responseData() and responseString() inflate no further. 0: no bound. Bodies
  // written to a file or handed to a data receiver are not bounded.
  ASI_PROPERTY(std::uint64_t, responseDataLimit, setResponseDataLimit) = ASIDefaultResponseDataLimit;
  ASI_PROPERTY(std::uint64_t, contentLength, setContentLength) = 0;
  ASI_PROPERTY(std::string, defaultResponseEncoding, setDefaultResponseEncoding) = "ISO-8859-1";
  ASI_PROPERTY(std::string, responseEncoding, setResponseEncoding);
  ASI_PROPERTY(bool, allowCompressedResponse, setAllowCompressedResponse) = true;
  ASI_PROPERTY(bool, shouldWaitToInflateCompressedResponses, setShouldWaitToInflateCompressedResponses) = true;
  ASI_PROPERTY(HTTPErrorPtr, error, setError);
  ASI_PROPERTY(bool, complete, setComplete) = false;
  ASI_PROPERTY(bool, downloadComplete, setDownloadComplete) = false;

  ASI_PROPERTY(std::optional<std::string>, downloadDestinationPath, setDownloadDestinationPath);
  ASI_PROPERTY(std::optional<std::string>, temporaryFileDownloadPath, setTemporaryFileDownloadPath);
  ASI_PROPERTY(std::optional<std::string>, temporaryUncompressedDataDownloadPath, setTemporaryUncompressedDataDownloadPath);
  ASI_PROPERTY(bool, allowResumeForFileDownloads, setAllowResumeForFileDownloads) = false;
  ASI_PROPERTY(std::uint64_t, partialDownloadSize, setPartialDownloadSize) = 0;

  ASI_PROPERTY(bool, showAccurateProgress, setShowAccurateProgress) = true;
  ASI_PROPERTY(bool, shouldResetDownloadProgress, setShouldResetDownloadProgress) = true;
  ASI_PROPERTY(bool, shouldResetUploadProgress, setShouldResetUploadProgress) = true;
  ASI_PROPERTY(std::uint64_t, totalBytesRead, setTotalBytesRead) = 0;
  ASI_PROPERTY(std::uint64_t, totalBytesSent, setTotalBytesSent) = 0;
  ASI_PROPERTY(std::uint64_t, lastBytesRead, setLastBytesRead) = 0;
  ASI_PROPERTY(std::uint64_t, lastBytesSent, setLastBytesSent) = 0;
  ASI_PROPERTY(std::uint64_t, uploadBufferSize, setUploadBufferSize) = 0;
  ASI_PROPERTY(bool, updatedProgress, setUpdatedProgress) = false;
  ASI_PROPERTY(std::weak_ptr<ASIHTTPRequest>, mainRequestRef, setMainRequestRef);

  ASI_PROPERTY(double, timeOutSeconds, setTimeOutSeconds) = 10.0;
  ASI_PROPERTY(std::optional<Clock::TimePoint>, lastActivityTime, setLastActivityTime);
  // A request whose body bytes already went to a data receiver is not retried (the receiver cannot
  // take them back): it fails with the time-out error instead.
  ASI_PROPERTY(int, numberOfTimesToRetryOnTimeout, setNumberOfTimesToRetryOnTimeout) = 0;
  ASI_PROPERTY(int, retryCount, setRetryCount) = 0;
  ASI_PROPERTY(bool, willRetryRequest, setWillRetryRequest) = false;
  ASI_PROPERTY(bool, inProgress, setInProgress) = false;
  ASI_PROPERTY(bool, isSynchronous, setSynchronous) = false;
  ASI_PROPERTY(bool, readStreamIsScheduled, setReadStreamIsScheduled) = false;

  ASI_PROPERTY(bool, shouldRedirect, setShouldRedirect) = true;
  ASI_PROPERTY(bool, needsRedirect, setNeedsRedirect) = false;
  ASI_PROPERTY(int, redirectCount, setRedirectCount) = 0;
  ASI_PROPERTY(bool, shouldUseRFC2616RedirectBehaviour, setShouldUseRFC2616RedirectBehaviour) = false;

  ASI_PROPERTY(std::optional<std::string>, username, setUsername);
  ASI_PROPERTY(std::optional<std::string>, password, setPassword);
  ASI_PROPERTY(std::optional<std::string>, domain, setDomain);
  ASI_PROPERTY(std::optional<std::string>, authenticationRealm, setAuthenticationRealm);
  ASI_PROPERTY(std::optional<std::string>, authenticationScheme, setAuthenticationScheme);
  ASI_PROPERTY(HTTPCredentialsPtr, requestCredentials, setRequestCredentials);
  ASI_PROPERTY(int, authenticationNeeded, setAuthenticationNeeded) = 0;
  ASI_PROPERTY(int, authenticationRetryCount, setAuthenticationRetryCount) = 0;
  ASI_PROPERTY(bool, shouldPresentAuthenticationDialog, setShouldPresentAuthenticationDialog) = false;
  ASI_PROPERTY(bool, shouldPresentCredentialsBeforeChallenge, setShouldPresentCredentialsBeforeChallenge) = true;
  ASI_PROPERTY(bool, useKeychainPersistence, setUseKeychainPersistence) = false;
  ASI_PROPERTY(bool, useSessionPersistence, setUseSessionPersistence) = true;

  ASI_PROPERTY(std::optional<std::string>, proxyHost, setProxyHost);
  ASI_PROPERTY(int, proxyPort, setProxyPort) = 0;
  ASI_PROPERTY(std::optional<std::string>, proxyType, setProxyType);
  ASI_PROPERTY(std::optional<std::string>, proxyUsername, setProxyUsername);
  ASI_PROPERTY(std::optional<std::string>, proxyPassword, setProxyPassword);
  ASI_PROPERTY(std::optional<std::string>, proxyDomain, setProxyDomain);
  ASI_PROPERTY(std::optional<std::string>, proxyAuthenticationRealm, setProxyAuthenticationRealm);
  ASI_PROPERTY(std::optional<std::string>, proxyAuthenticationScheme, setProxyAuthenticationScheme);
  ASI_PROPERTY(HTTPCredentialsPtr, proxyCredentials, setProxyCredentials);
  ASI_PROPERTY(int, proxyAuthenticationRetryCount, setProxyAuthenticationRetryCount) = 0;
  ASI_PROPERTY(bool, shouldPresentProxyAuthenticationDialog, setShouldPresentProxyAuthenticationDialog) = true;
  ASI_PROPERTY(URL, PACurl, setPACurl);
  ASI_PROPERTY(bool, isPACFileRequest, setIsPACFileRequest) = false;

  ASI_PROPERTY(bool, validatesSecureCertificate, setValidatesSecureCertificate) = true;
  ASI_PROPERTY(std::optional<ClientCertificateIdentity>, clientCertificateIdentity, setClientCertificateIdentity);
  ASI_PROPERTY(std::vector<std::string>, clientCertificates, setClientCertificates);

  ASI_PROPERTY(bool, shouldAttemptPersistentConnection, setShouldAttemptPersistentConnection) = true;
  ASI_PROPERTY(double, persistentConnectionTimeoutSeconds, setPersistentConnectionTimeoutSeconds) = 60.0;
  ASI_PROPERTY(bool, connectionCanBeReused, setConnectionCanBeReused) = false;

  ASI_PROPERTY(std::shared_ptr<ASICacheDelegate>, downloadCache, setDownloadCache);
  ASI_PROPERTY(int, cachePolicy, setCachePolicy) = 0;
  ASI_PROPERTY(int, cacheStoragePolicy, setCacheStoragePolicy) = 0;
  ASI_PROPERTY(bool, didUseCachedResponse, setDidUseCachedResponse) = false;
  ASI_PROPERTY(double, secondsToCache, setSecondsToCache) = 0;

 public:
  Ptr mainRequest() const { return mainRequestRef().lock(); }
  // The built message of the current attempt (tests and the credentials code read it).
  std::optional<HTTPMessage> requestMessage() const;
  // The "id" of the persistent connection record in use, if any.
  std::optional<int> connectionID() const;

  // Saved credentials (keychain persistence): in the desktop's secret service, else in this process's
  // memory (HTTPCredentialKeyring). Each waits for the keyring's answer, at most its deadline (and
  // those of the keyring calls made before it): for threads that may wait. Requests themselves never
  // wait on the keyring.
  static void saveCredentials(const HTTPCredentials& credentials, const std::string& host, int port,
                              const std::string& protocol, const std::optional<std::string>& realm);
  static void saveCredentialsForProxy(const HTTPCredentials& credentials, const std::string& host, int port,
                                      const std::optional<std::string>& realm);
  static std::optional<HTTPCredentials> savedCredentialsForHost(const std::string& host, int port,
                                                                const std::string& protocol,
                                                                const std::optional<std::string>& realm);
  static std::optional<HTTPCredentials> savedCredentialsForProxy(const std::string& host, int port,
                                                                 const std::optional<std::string>& realm);
  static void removeCredentialsForHost(const std::string& host, int port, const std::string& protocol,
                                       const std::optional<std::string>& realm);
  static void removeCredentialsForProxy(const std::string& host, int port, const std::optional<std::string>& realm);

  // Persistent connections (class-wide).
  static void expirePersistentConnections();
  static std::size_t persistentConnectionCount();
  // Forgets the connections of a loop that is going away.
  static void dropConnectionsOfLoop(const RunLoop* loop);

 protected:
  explicit ASIHTTPRequest(const URL& url);
  // Copies the settings of `copy()` into a fresh request.
  void copySettingsInto(ASIHTTPRequest& other) const;
  void failWithError(HTTPErrorPtr error);
  // Locks the request for a compound update (recursive).
  RecursiveMutex& cancelledLock() const { return cancelledLock_; }

  mutable RecursiveMutex cancelledLock_;

 private:
  friend class ASIInputStream;
  friend class ASIHTTPRequestTestAccess;

  // Reporting (ASIHTTPRequestReporting.cpp).
  void requestStarted();
  void requestReceivedResponseHeaders(std::shared_ptr<const HTTPHeaders> headers);
  void requestWillRedirectToURL(const URL& url);
  void requestRedirected();
  void passOnReceivedData(const std::string& data);
  void requestFinished();
  void reportFinished();
  void reportFailure();
  // The delegate's chosen operation, the block, then the queue's operation (one-argument reports).
  void reportToReceivers(ASISelector delegateSelector, BasicBlock ASIHTTPRequest::*block, ASISelector queueSelector);
  void releaseBlocksOnMainThread();
  void incrementDownloadSizeBy(std::int64_t amount);
  void incrementUploadSizeBy(std::int64_t amount);
  void updateProgressIndicators();
  void updateDownloadProgress();
  void updateUploadProgress();
  void removeUploadProgressSoFar();
  void sendProgressToQueueAndDelegate(ASISelector selector, std::int64_t amount, bool download);
  // The progress block in `Field` on the main thread: a size block with the amount, a byte block with
  // the amount and the total.
  template <auto Field>
  void reportToBlock(std::int64_t amount, std::uint64_t total = 0);
  // Whether a report would reach anyone now: the delegate declared `delegateSelector`, `block` is set,
  // or a queue is (any thread; nothing of a receiver runs).
  template <class Block>
  bool hasListener(ASISelector delegateSelector, Block ASIHTTPRequest::*block) const;
  // A report on its way to the main thread: what `deliver` does there with the request (reading the
  // receivers of that moment), and what the report carries from when it was made. Reports are made
  // and queued without allocating, but for their payloads (headers, a URL, body bytes).
  struct Report {
    void (*deliver)(ASIHTTPRequest& request, const Report& report) = nullptr;
    std::int64_t amount = 0;
    std::uint64_t total = 0;
    double fraction = 0;
    ASISelector selector = ASISelector::none;
    bool download = false;
    std::shared_ptr<const void> payload;
  };
  // Hands a report to the main thread, after the ones made before it; on the main thread it is
  // delivered at once, unless nobody would hear it (`heard` false). Elsewhere a report that nobody
  // would hear now does not wake the main thread: it waits for the next one that does (at the latest
  // the request's finish or failure), so that a receiver set meanwhile still hears it, in order.
  void deliverOnMainThread(Report report, bool heard);
  // The same for a report of another kind, always heard (a credentials question).
  void deliverOnMainThread(std::function<void(ASIHTTPRequest&)> report);
  void deliverReports();

  // Body (ASIHTTPRequest.cpp): appends to the body in memory or its file (set up); false when the
  // file did not take the bytes, which fails the request.
  bool appendPostBytes(std::string_view data);

  // Start (ASIHTTPRequestStart.cpp).
  void main();
  void buildRequestHeaders();
  void applyCookieHeader();
  void applyAuthorizationHeader();
  void updatePartialDownloadSize();
  void startRequest();
  RunLoop& requestLoop() const;

  // Status timer, time-outs and tear-down (ASIHTTPRequestStatus.cpp).
  void setStatusTimer(bool run);
  void updateStatus();
  void checkRequestStatus();
  bool shouldTimeOut() const;
  void cancelOnRequestThread();
  void cancelLoad();

  // Stream events (ASIHTTPRequestStream.cpp).
  void handleNetworkEvent(int event) override;
  void handleBytesAvailable();
  void handleStreamComplete();
  void handleStreamError();
  bool retryUsingNewConnection();
  void markAsFinished();
  void useDataFromCache();
  void scheduleReadStream();
  void unscheduleReadStream();
  void destroyReadStream();
  bool removeTemporaryDownloadFile();
  bool removeTemporaryUncompressedDownloadFile();
  bool removeTemporaryUploadFile();
  bool removeTemporaryCompressedUploadFile();
  bool removeTemporaryPath(std::optional<std::string> ASIHTTPRequest::*field);
  static bool removeFileAtPath(const std::string& path, HTTPErrorPtr* error);
  HTTPErrorPtr finishDownloadFile();
  void writeToDownloadFile(std::string_view raw, const std::optional<std::string>& inflated);
  // Whether body chunks are inflated as they arrive: asked for, and not a resumed download (whose
  // file is inflated whole at the end).
  bool inflatesOnTheFly() const;
  // What a new attempt must not inherit of the last one's body: its inflater and open files.
  void discardAttemptBody();
  // At the end of a compressed body kept in memory or inflated on the fly: its failure, if it does not
  // inflate whole; a body kept compressed in memory is inflated here, once, for every later read.
  HTTPErrorPtr settleCompressedBody();
  // The body in memory as the response accessors give it: inflated when it came compressed.
  std::optional<std::string> responseBody() const;
  // Whether body bytes go to a data receiver (the delegate's data operation or the data block).
  bool handsBodyToReceiver() const;
  // Takes back the download progress and size that an attempt reported, before another one starts.
  void removeDownloadProgressSoFar();
  // Tears the load down, its temporary files with it (a resumable partial download only when
  // `discardPartialDownload`), then fails with `error`.
  void abandonLoad(HTTPErrorPtr error, bool discardPartialDownload);

  // Response head and redirects (ASIHTTPRequestResponse.cpp).
  void readResponseHeaders();
  bool willRedirect();
  bool willAskDelegateToConfirmRedirect();
  void performRedirect();
  void parseStringEncodingFromHeaders();

  // Persistent connections (ASIHTTPRequestConnections.cpp).
  void chooseConnection(HTTPStreamSettings& settings);
  // For an https request through an HTTP proxy: whether it rides a tunnel of the engine's own (see
  // ASIHTTPRequestConnections.cpp).
  void chooseTunnel(HTTPStreamSettings& settings, bool ntlmMessagePending);
  void decideConnectionReuse(const HTTPHeaders& headers, const std::string& httpVersion);
  void releaseConnection(bool reusable);
  void dropConnection();

  // Credentials (ASIHTTPRequestAuthentication.cpp).
  void addBasicAuthenticationHeader(const std::string& username, const std::string& password);
  void storeBasicCredentialsAfterResponse();
  // A response head arrived: credentials it did not challenge worked (saved with keychain persistence).
  void storeCredentialsThatWorked();
  // Credentials a server or proxy refused leave the session store, and the keyring if saved there.
  void forgetRefusedCredentials(bool proxy, const HTTPCredentialsPtr& refused);
  // Before a redirect to another origin: the server credentials given for this one are dropped.
  void forgetServerCredentials();
  void attemptToApplyCredentialsAndResume();
  void attemptToApplyProxyCredentialsAndResume();
  struct ChallengeSide;
  void resumeAfterChallenge(const ChallengeSide& side);
  // Credentials to answer the server's (the proxy's) challenge, from the sources in their order: for
  // the server the URL, the main request, the request's own; for the proxy the main request's, the
  // request's own, for an NTLM proxy the server ones, the account the desktop keeps for the proxy
  // when its settings name that proxy for the URL (systemProxyAccount); then the keyring, for the
  // space the challenge names (for the server only with keychain persistence, for the proxy always).
  // The account domain is added for a scheme that needs one.
  //
  // `answer` is called exactly once, with the credentials or with none: before this returns when the
  // keyring is not asked, else later on the request's loop, when the keyring answers or its deadline
  // (HTTPCredentialKeyring::Timing) passes, with none then. Nothing waits meanwhile and no lock is
  // held: the request may have been cancelled or failed by the time the answer comes, and the answer
  // checks for that. Call it on the request's loop.
  using CredentialsAnswer = std::function<void(HTTPCredentialsPtr)>;
  void findCredentials(CredentialsAnswer answer);
  void findProxyCredentials(CredentialsAnswer answer);
  void answerWithCredentials(bool proxy, const std::optional<std::string>& user, const std::optional<std::string>& pass,
                             CredentialsAnswer answer);
  // The credentials as a challenge of that side takes them (with its account domain when it needs one).
  HTTPCredentialsPtr credentialsForChallenge(bool proxy, std::string user, std::string pass) const;
  // Where the keyring files this request's server (proxy) credentials.
  HTTPProtectionSpace keyringSpace(bool proxy) const;
  // The challenge goes on with what was found: applied and started again, else the delegate is asked,
  // else the request fails with the authentication error.
  void resumeWithCredentials(const ChallengeSide& side, const HTTPCredentialsPtr& credentials);
  bool applyAndStart(const ChallengeSide& side, std::unique_lock<RecursiveMutex>& lock,
                     const HTTPCredentialsPtr& credentials);
  bool applyCredentials(const HTTPCredentialsPtr& credentials);
  bool applyProxyCredentials(const HTTPCredentialsPtr& credentials);
  // For a new tunnel through a proxy that asked for NTLM before (of this request, or of the session):
  // applies the negotiate message of a new handshake to the message. False when there is nothing to
  // begin it with.
  bool startProxyHandshakeAhead();
  // The credentials question `question` names (the server's or the proxy's) goes to the delegate,
  // else the queue, else the block, on the main thread; false when nobody would answer it.
  bool willAskDelegateForCredentials(ASISelector question, BasicBlock ASIHTTPRequest::*block);
  void askDelegateForCredentials(ASISelector question, BasicBlock ASIHTTPRequest::*block);
  void failAuthentication();

  // Proxies (ASIHTTPRequestProxies.cpp).
  bool configureProxies();
  void fetchPACFile();
  void readPACFile();
  void finishPACFileRead(bool succeeded);
  // Runs the script (none: nothing to run), takes the proxy it answers, then starts the request.
  void runPACScriptAndStart(std::optional<std::string> script);
  void usePACAnswer(const std::optional<std::string>& answer);
  void finishedDownloadingPACFile(ASIHTTPRequest& request);
  static void adjustSharedQueueLimit(int delta);

  // Blocks and receivers (locked by cancelledLock_).
  ASIReceiverRef<ASIHTTPRequestDelegate> delegate_;
  std::weak_ptr<ASIHTTPRequestQueue> queue_;
  ASIReceiverRef<ASIProgressDelegate> uploadProgressDelegate_;
  ASIReceiverRef<ASIProgressDelegate> downloadProgressDelegate_;
  BasicBlock startedBlock_, completionBlock_, failureBlock_, authenticationNeededBlock_,
      proxyAuthenticationNeededBlock_, requestRedirectedBlock_;
  HeadersBlock headersReceivedBlock_;
  ProgressBlock bytesReceivedBlock_, bytesSentBlock_;
  SizeBlock downloadSizeIncrementedBlock_, uploadSizeIncrementedBlock_;
  DataBlock dataReceivedBlock_;

  // Reports on their way to the main thread (deliverOnMainThread): those from reportsDelivered_ on
  // are still to go; whether a delivery is posted.
  std::mutex reportsLock_;
  std::vector<Report> reports_;
  std::size_t reportsDelivered_ = 0;
  bool reportsDue_ = false;

  // State without accessors.
  URL url_;
  std::string requestMethod_ = "GET";
  std::optional<HTTPMessage> request_;
  std::shared_ptr<HTTPAuthentication> requestAuthentication_;
  std::shared_ptr<HTTPAuthentication> proxyAuthentication_;
  HTTPCredentialsPtr keychainCredentials_, keychainProxyCredentials_;  // saved to the keyring last
  std::shared_ptr<HTTPReadStream> readStream_;
  std::shared_ptr<ASIInputStream> postBodyReadStream_;
  std::unique_ptr<ASIDataDecompressor> dataDecompressor_;
  int fileDownloadOutputStream_ = -1;
  int inflatedFileDownloadOutputStream_ = -1;
  std::optional<std::uint64_t> statusTimer_;
  RunLoop* runLoop_ = nullptr;
  std::atomic<bool> cancelled_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> executing_{false};
  bool haveExaminedHeaders_ = false;
  // Progress this attempt reported (taken back when another attempt starts): the download size it
  // announced, and the body bytes it reported received and sent.
  std::int64_t downloadSizeAnnounced_ = 0;
  std::int64_t downloadBytesReported_ = 0;
  std::int64_t uploadBytesReported_ = 0;
  // Body bytes went to a data receiver, which cannot take them back: no attempt starts again.
  bool bodyHandedToReceiver_ = false;
  std::shared_ptr<ASIConnectionInfo> connectionInfo_;
  std::shared_ptr<HTTPConnectionShare> handshakeConnection_;  // an NTLM handshake's, outside the pool
  // An NTLM message for the proxy was applied and has not gone out: through a tunnel it goes with the
  // engine's own CONNECT, on the connection of the handshake.
  bool ntlmProxyMessagePending_ = false;
  int postBodyWriteStream_ = -1;
  std::shared_ptr<ASIHTTPRequest> PACFileRequest_;
  int PACFileReadStream_ = -1;
  std::optional<std::string> PACFileData_;
  std::optional<std::uint64_t> PACReadTimer_;
  std::optional<std::uint64_t> PACTimeoutTimer_;
};

}  // namespace td
