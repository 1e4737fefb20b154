// What a request tells the outside world: lifecycle reports to the delegate, the blocks and the
// queue, the single failure path, and progress accounting. Everything is delivered on the main
// thread, in the order it was made, and receivers are read at delivery: a receiver cleared meanwhile
// hears nothing, and one set meanwhile (receivers are set on the main thread) hears every report not
// yet delivered.

#include <cmath>
#include <type_traits>
#include <utility>

#include "http/ASIHTTPRequest.h"
#include "http/ASIHTTPRequestInternal.h"
#include "http/RunLoop.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"

namespace td {

void ASIHTTPRequestDelegate::performSelector(ASISelector selector, ASIHTTPRequest& request) {
  switch (selector) {
    case ASISelector::requestStarted: requestStarted(request); break;
    case ASISelector::requestFinished: requestFinished(request); break;
    case ASISelector::requestFailed: requestFailed(request); break;
    case ASISelector::requestRedirected: requestRedirected(request); break;
    case ASISelector::authenticationNeededForRequest: authenticationNeededForRequest(request); break;
    case ASISelector::proxyAuthenticationNeededForRequest: proxyAuthenticationNeededForRequest(request); break;
    default: break;
  }
}

void ASIHTTPRequest::performOnMainThread(std::function<void()> fn) {
  MainQueue* main = MainQueue::instance();
  if (main && main->isMainThread()) {
    fn();
    return;
  }
  MainQueue::postToMain(std::move(fn));
}

// ---------------------------------------------------------------- receivers

ASIHTTPRequestDelegate* ASIHTTPRequest::delegate() const {
  std::lock_guard lock(cancelledLock_);
  return delegate_.get();
}

void ASIHTTPRequest::setDelegate(ASIHTTPRequestDelegate* delegate) {
  std::lock_guard lock(cancelledLock_);
  delegate_ = delegate;
}

std::shared_ptr<ASIHTTPRequestQueue> ASIHTTPRequest::queue() const {
  std::lock_guard lock(cancelledLock_);
  return queue_.lock();
}

void ASIHTTPRequest::setQueue(const std::shared_ptr<ASIHTTPRequestQueue>& queue) {
  std::lock_guard lock(cancelledLock_);
  queue_ = queue;
}

ASIProgressDelegate* ASIHTTPRequest::uploadProgressDelegate() const {
  std::lock_guard lock(cancelledLock_);
  return uploadProgressDelegate_.get();
}

ASIProgressDelegate* ASIHTTPRequest::downloadProgressDelegate() const {
  std::lock_guard lock(cancelledLock_);
  return downloadProgressDelegate_.get();
}

namespace {

// Sends setMaxValue(1.0) to the indicator held in `field` at delivery.
void announceMaximum(const std::shared_ptr<ASIHTTPRequest>& self, ASIProgressDelegate* (ASIHTTPRequest::*getter)() const) {
  ASIHTTPRequest::performOnMainThread([self, getter] {
    ASIProgressDelegate* indicator = ((*self).*getter)();
    if (indicator && indicator->respondsToSelector(ASISelector::setMaxValue)) indicator->setMaxValue(1.0);
  });
}

}  // namespace

void ASIHTTPRequest::setUploadProgressDelegate(ASIProgressDelegate* delegate) {
  {
    std::lock_guard lock(cancelledLock_);
    uploadProgressDelegate_ = delegate;
  }
  announceMaximum(std::static_pointer_cast<ASIHTTPRequest>(shared_from_this()), &ASIHTTPRequest::uploadProgressDelegate);
}

void ASIHTTPRequest::setDownloadProgressDelegate(ASIProgressDelegate* delegate) {
  {
    std::lock_guard lock(cancelledLock_);
    downloadProgressDelegate_ = delegate;
  }
  announceMaximum(std::static_pointer_cast<ASIHTTPRequest>(shared_from_this()), &ASIHTTPRequest::downloadProgressDelegate);
}

#define ASI_BLOCK_SETTER(Setter, Type, field) \
  void ASIHTTPRequest::Setter(Type block) {   \
    Type old;                                 \
    {                                         \
      std::lock_guard lock(cancelledLock_);   \
      old = std::move(field);                 \
      field = std::move(block);               \
    }                                         \
    if (old) performOnMainThread([o = std::move(old)]() mutable { o = nullptr; }); \
  }
ASI_BLOCK_SETTER(setStartedBlock, BasicBlock, startedBlock_)
ASI_BLOCK_SETTER(setHeadersReceivedBlock, HeadersBlock, headersReceivedBlock_)
ASI_BLOCK_SETTER(setCompletionBlock, BasicBlock, completionBlock_)
ASI_BLOCK_SETTER(setFailedBlock, BasicBlock, failureBlock_)
ASI_BLOCK_SETTER(setBytesReceivedBlock, ProgressBlock, bytesReceivedBlock_)
ASI_BLOCK_SETTER(setBytesSentBlock, ProgressBlock, bytesSentBlock_)
ASI_BLOCK_SETTER(setDownloadSizeIncrementedBlock, SizeBlock, downloadSizeIncrementedBlock_)
ASI_BLOCK_SETTER(setUploadSizeIncrementedBlock, SizeBlock, uploadSizeIncrementedBlock_)
ASI_BLOCK_SETTER(setDataReceivedBlock, DataBlock, dataReceivedBlock_)
ASI_BLOCK_SETTER(setAuthenticationNeededBlock, BasicBlock, authenticationNeededBlock_)
ASI_BLOCK_SETTER(setProxyAuthenticationNeededBlock, BasicBlock, proxyAuthenticationNeededBlock_)
ASI_BLOCK_SETTER(setRequestRedirectedBlock, BasicBlock, requestRedirectedBlock_)
#undef ASI_BLOCK_SETTER

void ASIHTTPRequest::releaseBlocksOnMainThread() {
  std::lock_guard lock(cancelledLock_);
  const bool any = completionBlock_ || failureBlock_ || startedBlock_ || headersReceivedBlock_ || bytesReceivedBlock_ ||
                   bytesSentBlock_ || downloadSizeIncrementedBlock_ || uploadSizeIncrementedBlock_ ||
                   dataReceivedBlock_ || proxyAuthenticationNeededBlock_ || authenticationNeededBlock_ ||
                   requestRedirectedBlock_;
  if (!any) return;
  struct Blocks {
    BasicBlock completion, failure, started;
    HeadersBlock headers;
    ProgressBlock received, sent;
    SizeBlock downloadSize, uploadSize;
    DataBlock data;
    BasicBlock proxyAuthentication, authentication, redirected;
  };
  Blocks blocks{std::move(completionBlock_), std::move(failureBlock_), std::move(startedBlock_),
                std::move(headersReceivedBlock_), std::move(bytesReceivedBlock_), std::move(bytesSentBlock_),
                std::move(downloadSizeIncrementedBlock_), std::move(uploadSizeIncrementedBlock_),
                std::move(dataReceivedBlock_), std::move(proxyAuthenticationNeededBlock_),
                std::move(authenticationNeededBlock_), std::move(requestRedirectedBlock_)};
  completionBlock_ = failureBlock_ = startedBlock_ = nullptr;
  headersReceivedBlock_ = nullptr;
  bytesReceivedBlock_ = bytesSentBlock_ = nullptr;
  downloadSizeIncrementedBlock_ = uploadSizeIncrementedBlock_ = nullptr;
  dataReceivedBlock_ = nullptr;
  proxyAuthenticationNeededBlock_ = authenticationNeededBlock_ = requestRedirectedBlock_ = nullptr;
  // The blocks' captures go away on the main thread: here when this is it, else there.
  MainQueue* main = MainQueue::instance();
  if (main && main->isMainThread()) return;
  MainQueue::postToMain([held = std::make_shared<Blocks>(std::move(blocks))]() mutable { held.reset(); });
}

// ---------------------------------------------------------------- delivery on the main thread

namespace {

// The request as a shared object; none while it is being destroyed (nothing is reported then).
std::shared_ptr<ASIHTTPRequest> selfOf(ASIHTTPRequest* request) {
  return std::static_pointer_cast<ASIHTTPRequest>(request->weak_from_this().lock());
}

// Reports that nobody heard when they were made and that wait for a later one to carry them: past
// this many, they wake the main thread themselves.
constexpr std::size_t kQuietReportsHeld = 64;

}  // namespace

void ASIHTTPRequest::deliverOnMainThread(Report report, bool heard) {
  MainQueue* main = MainQueue::instance();
  if (main && main->isMainThread()) {
    // Delivered now: what nobody hears now, nobody hears.
    if (!heard) return;
    deliverReports();  // those made before it go first
    report.deliver(*this, report);
    return;
  }
  auto self = selfOf(this);
  if (!self) return;
  {
    std::lock_guard lock(reportsLock_);
    if (reports_.empty()) reports_.reserve(16);
    reports_.push_back(std::move(report));
    if (reportsDue_ || (!heard && reports_.size() - reportsDelivered_ < kQuietReportsHeld)) return;
    reportsDue_ = true;
  }
  auto handOver = [self]() mutable {
    // The delivery takes this thread's reference along: once it is posted, the main thread may drop
    // the last one.
    const std::weak_ptr<ASIHTTPRequest> weak = self;
    if (MainQueue::postToMain([request = std::move(self)] { request->deliverReports(); })) return;
    if (auto request = weak.lock()) {
      std::lock_guard lock(request->reportsLock_);
      request->reports_.clear();  // no main thread to hear them
      request->reportsDelivered_ = 0;
      request->reportsDue_ = false;
    }
  };
  // From a loop's dispatch (the request's handlers hold its lock), the main thread is woken once the
  // dispatch is over: it would otherwise wait for that lock to read the receivers. By then this
  // thread has also let go of the request, so the last reference usually goes on the main thread.
  if (RunLoop* loop = RunLoop::dispatchingHere()) loop->deferHandoff(std::move(handOver));
  else handOver();
}

void ASIHTTPRequest::deliverOnMainThread(std::function<void(ASIHTTPRequest&)> report) {
  Report carried;
  carried.payload = std::make_shared<const std::function<void(ASIHTTPRequest&)>>(std::move(report));
  carried.deliver = [](ASIHTTPRequest& self, const Report& r) {
    (*std::static_pointer_cast<const std::function<void(ASIHTTPRequest&)>>(r.payload))(self);
  };
  deliverOnMainThread(std::move(carried), true);
}

void ASIHTTPRequest::deliverReports() {
  // One at a time: a report may make others on this thread, which go after the ones before them.
  for (;;) {
    Report next;
    {
      std::lock_guard lock(reportsLock_);
      if (reportsDelivered_ == reports_.size()) {
        reports_.clear();
        reportsDelivered_ = 0;
        reportsDue_ = false;
        return;
      }
      next = std::move(reports_[reportsDelivered_++]);
    }
    next.deliver(*this, next);
  }
}

// ---------------------------------------------------------------- lifecycle reports

template <class Block>
bool ASIHTTPRequest::hasListener(ASISelector delegateSelector, Block ASIHTTPRequest::*block) const {
  std::lock_guard lock(cancelledLock_);
  return delegate_.answers(delegateSelector) || static_cast<bool>(this->*block) || !queue_.expired();
}

void ASIHTTPRequest::requestStarted() {
  // Decided when the start happens: a start that a quick failure follows (a refused answer to a
  // challenge) is still reported, before that failure.
  if (error() || mainRequest()) return;
  Report report;
  report.deliver = [](ASIHTTPRequest& self, const Report&) {
    self.reportToReceivers(self.didStartSelector(), &ASIHTTPRequest::startedBlock_, ASISelector::requestStarted);
  };
  deliverOnMainThread(std::move(report), hasListener(didStartSelector(), &ASIHTTPRequest::startedBlock_));
}

void ASIHTTPRequest::requestReceivedResponseHeaders(std::shared_ptr<const HTTPHeaders> headers) {
  Report report;
  report.payload = std::move(headers);
  report.deliver = [](ASIHTTPRequest& self, const Report& r) {
    if (self.error() || self.mainRequest()) return;
    const auto& headers = *std::static_pointer_cast<const HTTPHeaders>(r.payload);
    HeadersBlock block;
    {
      std::lock_guard lock(self.cancelledLock_);
      block = self.headersReceivedBlock_;
    }
    const ASISelector selector = self.didReceiveResponseHeadersSelector();
    if (auto* d = self.delegate(); d && d->respondsToSelector(selector) &&
                                   selector == ASISelector::requestDidReceiveResponseHeaders)
      d->requestDidReceiveResponseHeaders(self, headers);
    if (block) block(headers);
    if (auto q = self.queue(); q && q->respondsToSelector(ASISelector::requestDidReceiveResponseHeaders))
      q->requestDidReceiveResponseHeaders(self, headers);
  };
  deliverOnMainThread(std::move(report),
                      hasListener(didReceiveResponseHeadersSelector(), &ASIHTTPRequest::headersReceivedBlock_));
}

void ASIHTTPRequest::requestWillRedirectToURL(const URL& target) {
  Report report;
  report.payload = std::make_shared<const URL>(target);
  report.deliver = [](ASIHTTPRequest& self, const Report& r) {
    if (self.error() || self.mainRequest()) return;
    const URL& target = *std::static_pointer_cast<const URL>(r.payload);
    const ASISelector selector = self.willRedirectSelector();
    if (auto* d = self.delegate(); d && d->respondsToSelector(selector) && selector == ASISelector::requestWillRedirectToURL)
      d->requestWillRedirectToURL(self, target);
    if (auto q = self.queue(); q && q->respondsToSelector(ASISelector::requestWillRedirectToURL))
      q->requestWillRedirectToURL(self, target);
  };
  deliverOnMainThread(std::move(report), true);
}

void ASIHTTPRequest::requestRedirected() {
  Report report;
  report.deliver = [](ASIHTTPRequest& self, const Report&) {
    if (self.error() || self.mainRequest()) return;
    BasicBlock block;
    {
      std::lock_guard lock(self.cancelledLock_);
      block = self.requestRedirectedBlock_;
    }
    if (auto* d = self.delegate(); d && d->respondsToSelector(ASISelector::requestRedirected))
      d->requestRedirected(self);
    if (block) block();
  };
  deliverOnMainThread(std::move(report), true);
}

void ASIHTTPRequest::passOnReceivedData(const std::string& data) {
  Report report;
  report.payload = std::make_shared<const std::string>(data);
  report.deliver = [](ASIHTTPRequest& self, const Report& r) {
    const std::string& data = *std::static_pointer_cast<const std::string>(r.payload);
    DataBlock block;
    {
      std::lock_guard lock(self.cancelledLock_);
      block = self.dataReceivedBlock_;
    }
    const ASISelector selector = self.didReceiveDataSelector();
    if (auto* d = self.delegate(); d && d->respondsToSelector(selector) && selector == ASISelector::requestDidReceiveData)
      d->requestDidReceiveData(self, data);
    if (block) block(data);
  };
  deliverOnMainThread(std::move(report), true);
}

void ASIHTTPRequest::reportToReceivers(ASISelector delegateSelector, BasicBlock ASIHTTPRequest::*blockField,
                                       ASISelector queueSelector) {
  BasicBlock block;
  {
    std::lock_guard lock(cancelledLock_);
    block = this->*blockField;
  }
  if (auto* d = delegate(); d && d->respondsToSelector(delegateSelector)) d->performSelector(delegateSelector, *this);
  if (block) block();
  if (auto q = queue(); q && q->respondsToSelector(queueSelector)) q->performSelector(queueSelector, *this);
}

void ASIHTTPRequest::reportFinished() {
  reportToReceivers(didFinishSelector(), &ASIHTTPRequest::completionBlock_, ASISelector::requestFinished);
}

void ASIHTTPRequest::reportFailure() {
  reportToReceivers(didFailSelector(), &ASIHTTPRequest::failureBlock_, ASISelector::requestFailed);
}

void ASIHTTPRequest::requestFinished() {
  if (error() || mainRequest()) return;
  if (isPACFileRequest()) {
    // A proxy script's fetch reports on the request's own thread, after its handler has let go.
    if (auto self = selfOf(this)) requestLoop().post([self] { self->reportFinished(); });
    return;
  }
  Report report;
  report.deliver = [](ASIHTTPRequest& self, const Report&) { self.reportFinished(); };
  deliverOnMainThread(std::move(report), true);
}

void ASIHTTPRequest::failWithError(HTTPErrorPtr theError) {
  std::lock_guard lock(cancelledLock_);
  complete_ = true;
  if (theError && theError->code != ASIAuthenticationErrorType && theError->code != ASITooMuchRedirectionErrorType) {
    dropConnection();
    destroyReadStream();
  }
  if (connectionCanBeReused_ && connectionInfo_) {
    std::lock_guard pool(asiState().connectionsLock);
    connectionInfo_->expires = clock().now() + asiSeconds(persistentConnectionTimeoutSeconds_);
  }
  if (cancelled_.load() || error_) return;
  if (downloadCache_ && (cachePolicy_ & ASIFallbackToCacheIfLoadFailsCachePolicy) &&
      downloadCache_->canUseCachedDataForRequest(*this)) {
    useDataFromCache();
    return;
  }
  error_ = theError;
  std::shared_ptr<ASIHTTPRequest> reporter = mainRequest();
  if (reporter) reporter->setError(theError);
  else reporter = selfOf(this);
  if (!reporter) return;
  if (isPACFileRequest_) {
    requestLoop().post([reporter] { reporter->reportFailure(); });
  } else {
    Report report;
    report.deliver = [](ASIHTTPRequest& self, const Report&) { self.reportFailure(); };
    reporter->deliverOnMainThread(std::move(report), true);
  }
  if (inProgress_) markAsFinished();
}

// ---------------------------------------------------------------- progress

void ASIHTTPRequest::updateProgressIndicator(ASIReceiverRef<ASIProgressDelegate> ASIHTTPRequest::*indicator,
                                             std::uint64_t progress, std::uint64_t total, bool complete) {
  Report report;
  // A total of 0 (a finished response of unknown length) counts as done, else as not begun.
  report.fraction = total == 0 ? (complete ? 1.0 : 0.0) : static_cast<double>(progress) / static_cast<double>(total);
  report.download = indicator == &ASIHTTPRequest::downloadProgressDelegate_;
  report.deliver = [](ASIHTTPRequest& self, const Report& r) {
    ASIProgressDelegate* target;
    {
      std::lock_guard requestLock(self.cancelledLock_);
      target = (r.download ? self.downloadProgressDelegate_ : self.uploadProgressDelegate_).get();
    }
    if (target && target->respondsToSelector(ASISelector::setDoubleValue)) target->setDoubleValue(r.fraction);
  };
  bool heard;
  {
    std::lock_guard requestLock(cancelledLock_);
    heard = (this->*indicator).answers(ASISelector::setDoubleValue);
  }
  std::lock_guard lock(asiState().progressLock);
  deliverOnMainThread(std::move(report), heard);
}

void ASIHTTPRequest::sendProgressToQueueAndDelegate(ASISelector selector, std::int64_t amount, bool download) {
  Report report;
  report.selector = selector;
  report.amount = amount;
  report.download = download;
  report.deliver = [](ASIHTTPRequest& self, const Report& r) {
    auto q = self.queue();
    ASIProgressDelegate* d = r.download ? self.downloadProgressDelegate() : self.uploadProgressDelegate();
    auto send = [&](ASIProgressDelegate* target) {
      if (!target || !target->respondsToSelector(r.selector)) return;
      switch (r.selector) {
        case ASISelector::requestDidReceiveBytes: target->requestDidReceiveBytes(self, r.amount); break;
        case ASISelector::requestDidSendBytes: target->requestDidSendBytes(self, r.amount); break;
        case ASISelector::requestIncrementDownloadSizeBy: target->requestIncrementDownloadSizeBy(self, r.amount); break;
        case ASISelector::requestIncrementUploadSizeBy: target->requestIncrementUploadSizeBy(self, r.amount); break;
        default: break;
      }
    };
    send(q.get());
    send(d);
  };
  bool heard;
  {
    std::lock_guard lock(cancelledLock_);
    heard = !queue_.expired() || (download ? downloadProgressDelegate_ : uploadProgressDelegate_).answers(selector);
  }
  deliverOnMainThread(std::move(report), heard);
}

template <auto Field>
void ASIHTTPRequest::reportToBlock(std::int64_t amount, std::uint64_t total) {
  using Block = std::remove_cvref_t<decltype(std::declval<ASIHTTPRequest&>().*Field)>;
  Report report;
  report.amount = amount;
  report.total = total;
  report.deliver = [](ASIHTTPRequest& self, const Report& r) {
    Block block;
    {
      std::lock_guard lock(self.cancelledLock_);  // read at delivery: a block cleared meanwhile is not called
      block = self.*Field;
    }
    if (!block) return;
    if constexpr (std::is_same_v<Block, SizeBlock>) block(r.amount);
    else block(static_cast<std::uint64_t>(r.amount), r.total);
  };
  bool heard;
  {
    std::lock_guard lock(cancelledLock_);
    heard = static_cast<bool>(this->*Field);
  }
  deliverOnMainThread(std::move(report), heard);
}

void ASIHTTPRequest::incrementDownloadSizeBy(std::int64_t amount) {
  sendProgressToQueueAndDelegate(ASISelector::requestIncrementDownloadSizeBy, amount, true);
  reportToBlock<&ASIHTTPRequest::downloadSizeIncrementedBlock_>(amount);
}

void ASIHTTPRequest::incrementUploadSizeBy(std::int64_t amount) {
  sendProgressToQueueAndDelegate(ASISelector::requestIncrementUploadSizeBy, amount, false);
  reportToBlock<&ASIHTTPRequest::uploadSizeIncrementedBlock_>(amount);
}

void ASIHTTPRequest::updateProgressIndicators() {
  std::lock_guard lock(cancelledLock_);
  if (mainRequest()) return;
  if (showAccurateProgress_ || (complete_ && !updatedProgress_)) {
    updateUploadProgress();
    updateDownloadProgress();
  }
}

void ASIHTTPRequest::updateDownloadProgress() {
  std::lock_guard lock(cancelledLock_);
  if (!responseHeaders_ || needsRedirect_ || (contentLength_ == 0 && !complete_)) return;
  const std::uint64_t bytesSoFar = totalBytesRead_ + partialDownloadSize_;
  std::int64_t amount;
  if (showAccurateProgress_ && contentLength_ != 0) {
    amount = static_cast<std::int64_t>(bytesSoFar) - static_cast<std::int64_t>(lastBytesRead_);
    if (amount == 0) return;
  } else {
    amount = 1;
    updatedProgress_ = true;
  }
  sendProgressToQueueAndDelegate(ASISelector::requestDidReceiveBytes, amount, true);
  downloadBytesReported_ += amount;
  const std::uint64_t total = contentLength_ + partialDownloadSize_;
  updateProgressIndicator(&ASIHTTPRequest::downloadProgressDelegate_, totalBytesRead_ + partialDownloadSize_, total,
                          complete_);
  reportToBlock<&ASIHTTPRequest::bytesReceivedBlock_>(amount, total);
  lastBytesRead_ = bytesSoFar;
}

void ASIHTTPRequest::updateUploadProgress() {
  std::lock_guard lock(cancelledLock_);
  if (cancelled_.load() || totalBytesSent_ == 0) return;
  if (uploadBufferSize_ == 0 && totalBytesSent_ != postLength_) {
    // The first figure is the stream's send buffer rather than bytes on the wire.
    uploadBufferSize_ = totalBytesSent_;
    incrementUploadSizeBy(-static_cast<std::int64_t>(uploadBufferSize_));
  }
  std::int64_t amount = 0;
  if (showAccurateProgress_) {
    if (totalBytesSent_ == postLength_ || lastBytesSent_ > 0)
      amount = static_cast<std::int64_t>(totalBytesSent_) - static_cast<std::int64_t>(lastBytesSent_);
    else
      return;
  } else {
    amount = 1;
    updatedProgress_ = true;
  }
  if (amount == 0) return;
  sendProgressToQueueAndDelegate(ASISelector::requestDidSendBytes, amount, false);
  uploadBytesReported_ += amount;
  updateProgressIndicator(&ASIHTTPRequest::uploadProgressDelegate_, totalBytesSent_ - uploadBufferSize_,
                          postLength_ - uploadBufferSize_, complete_);
  const std::uint64_t total = postLength_;
  reportToBlock<&ASIHTTPRequest::bytesSentBlock_>(amount, total);
}

void ASIHTTPRequest::removeUploadProgressSoFar() {
  std::lock_guard lock(cancelledLock_);
  const std::int64_t amount = -uploadBytesReported_;
  uploadBytesReported_ = 0;
  updatedProgress_ = false;
  sendProgressToQueueAndDelegate(ASISelector::requestDidSendBytes, amount, false);
  updateProgressIndicator(&ASIHTTPRequest::uploadProgressDelegate_, 0, postLength_);
  const std::uint64_t total = postLength_;
  reportToBlock<&ASIHTTPRequest::bytesSentBlock_>(amount, total);
}

void ASIHTTPRequest::removeDownloadProgressSoFar() {
  std::lock_guard lock(cancelledLock_);
  if (downloadBytesReported_ != 0) {
    const std::int64_t amount = -downloadBytesReported_;
    downloadBytesReported_ = 0;
    updatedProgress_ = false;
    sendProgressToQueueAndDelegate(ASISelector::requestDidReceiveBytes, amount, true);
    reportToBlock<&ASIHTTPRequest::bytesReceivedBlock_>(amount,
                             contentLength_ + partialDownloadSize_);
  }
  if (downloadSizeAnnounced_ != 0) {
    incrementDownloadSizeBy(-downloadSizeAnnounced_);
    downloadSizeAnnounced_ = 0;
  }
}

ASIHTTPRequest::Ptr ASIHTTPRequest::HEADRequest() {
  Ptr head = requestWithURL(url());
  head->setRequestMethod("HEAD");
  head->setMainRequestRef(selfOf(this));
  head->setRequestHeaders(requestHeaders());
  head->setRequestCookies(requestCookies());
  head->setClientCertificates(clientCertificates());
  head->setUseCookiePersistence(useCookiePersistence());
  head->setUseKeychainPersistence(useKeychainPersistence());
  head->setUseSessionPersistence(useSessionPersistence());
  head->setAllowCompressedResponse(allowCompressedResponse());
  head->setUsername(username());
  head->setPassword(password());
  head->setDomain(domain());
  head->setProxyUsername(proxyUsername());
  head->setProxyPassword(proxyPassword());
  head->setProxyDomain(proxyDomain());
  head->setProxyHost(proxyHost());
  head->setProxyPort(proxyPort());
  head->setProxyType(proxyType());
  head->setShouldPresentAuthenticationDialog(shouldPresentAuthenticationDialog());
  head->setShouldPresentProxyAuthenticationDialog(shouldPresentProxyAuthenticationDialog());
  head->setTimeOutSeconds(timeOutSeconds());
  head->setUseHTTPVersionOne(useHTTPVersionOne());
  head->setValidatesSecureCertificate(validatesSecureCertificate());
  head->setClientCertificateIdentity(clientCertificateIdentity());
  head->setPACurl(PACurl());
  head->setShouldPresentCredentialsBeforeChallenge(shouldPresentCredentialsBeforeChallenge());
  head->setNumberOfTimesToRetryOnTimeout(numberOfTimesToRetryOnTimeout());
  head->setShouldUseRFC2616RedirectBehaviour(shouldUseRFC2616RedirectBehaviour());
  head->setShouldAttemptPersistentConnection(shouldAttemptPersistentConnection());
  head->setPersistentConnectionTimeoutSeconds(persistentConnectionTimeoutSeconds());
  return head;
}

}  // namespace td
