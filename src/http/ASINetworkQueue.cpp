#include "http/ASINetworkQueue.h"

#include <utility>

#include "http/HTTPEngineException.h"

namespace td {

ASINetworkQueue::ASINetworkQueue() {
  setMaxConcurrentOperationCount(4);
  setSuspended(true);
}

std::shared_ptr<ASINetworkQueue> ASINetworkQueue::queue() {
  return std::shared_ptr<ASINetworkQueue>(new ASINetworkQueue());
}

ASINetworkQueue::~ASINetworkQueue() {
  for (const auto& op : operations())
    if (auto request = std::dynamic_pointer_cast<ASIHTTPRequest>(op)) request->setQueue(nullptr);
}

template <class T>
T ASINetworkQueue::receiver(const T ASINetworkQueue::*field) const {
  std::lock_guard lock(receiversLock_);
  return this->*field;
}

template <class T>
void ASINetworkQueue::setReceiver(T ASINetworkQueue::*field, T value) {
  T old;  // a selector's captures go outside the lock
  std::lock_guard lock(receiversLock_);
  old = std::exchange(this->*field, std::move(value));
}

ASIHTTPRequestDelegate* ASINetworkQueue::delegate() const { return receiver(&ASINetworkQueue::delegate_).get(); }
void ASINetworkQueue::setDelegate(ASIHTTPRequestDelegate* delegate) {
  setReceiver(&ASINetworkQueue::delegate_, ASIReceiverRef<ASIHTTPRequestDelegate>(delegate));
}

#define ASI_QUEUE_SELECTOR(Type, name, Setter)                                                   \
  ASINetworkQueue::Type ASINetworkQueue::name() const { return receiver(&ASINetworkQueue::name##_); } \
  void ASINetworkQueue::Setter(Type selector) { setReceiver(&ASINetworkQueue::name##_, std::move(selector)); }
ASI_QUEUE_SELECTOR(RequestSelector, requestDidStartSelector, setRequestDidStartSelector)
ASI_QUEUE_SELECTOR(HeadersSelector, requestDidReceiveResponseHeadersSelector, setRequestDidReceiveResponseHeadersSelector)
ASI_QUEUE_SELECTOR(RedirectSelector, requestWillRedirectSelector, setRequestWillRedirectSelector)
ASI_QUEUE_SELECTOR(RequestSelector, requestDidFinishSelector, setRequestDidFinishSelector)
ASI_QUEUE_SELECTOR(RequestSelector, requestDidFailSelector, setRequestDidFailSelector)
ASI_QUEUE_SELECTOR(QueueSelector, queueDidFinishSelector, setQueueDidFinishSelector)
#undef ASI_QUEUE_SELECTOR

ASIProgressDelegate* ASINetworkQueue::uploadProgressDelegate() const {
  return receiver(&ASINetworkQueue::uploadProgressDelegate_).get();
}

ASIProgressDelegate* ASINetworkQueue::downloadProgressDelegate() const {
  return receiver(&ASINetworkQueue::downloadProgressDelegate_).get();
}

std::shared_ptr<ASINetworkQueue> ASINetworkQueue::copy() const {
  auto other = queue();
  {
    std::lock_guard lock(receiversLock_);
    other->delegate_ = delegate_;
    other->requestDidStartSelector_ = requestDidStartSelector_;
    other->requestDidReceiveResponseHeadersSelector_ = requestDidReceiveResponseHeadersSelector_;
    other->requestWillRedirectSelector_ = requestWillRedirectSelector_;
    other->requestDidFinishSelector_ = requestDidFinishSelector_;
    other->requestDidFailSelector_ = requestDidFailSelector_;
    other->queueDidFinishSelector_ = queueDidFinishSelector_;
  }
  other->setUploadProgressDelegate(uploadProgressDelegate());
  other->setDownloadProgressDelegate(downloadProgressDelegate());
  other->shouldCancelAllRequestsOnFailure_ = shouldCancelAllRequestsOnFailure_;
  other->showAccurateProgress_ = showAccurateProgress_;
  other->userInfo = userInfo;
  return other;
}

void ASINetworkQueue::go() { setSuspended(false); }

void ASINetworkQueue::reset() {
  cancelAllOperations();
  {
    std::lock_guard lock(receiversLock_);
    delegate_ = {};
    downloadProgressDelegate_ = {};
    uploadProgressDelegate_ = {};
  }
  setRequestDidStartSelector(nullptr);
  setRequestDidReceiveResponseHeadersSelector(nullptr);
  setRequestDidFailSelector(nullptr);
  setRequestDidFinishSelector(nullptr);
  setQueueDidFinishSelector(nullptr);
  setSuspended(true);
}

void ASINetworkQueue::cancelAllOperations() {
  bytesUploadedSoFar_ = totalBytesToUpload_ = bytesDownloadedSoFar_ = totalBytesToDownload_ = 0;
  OperationQueue::cancelAllOperations();
}

void ASINetworkQueue::setIndicator(ASIProgressDelegate* indicator, std::uint64_t progress, std::uint64_t total) {
  if (!indicator || !indicator->respondsToSelector(ASISelector::setDoubleValue)) return;
  indicator->setDoubleValue(total == 0 ? 0.0 : static_cast<double>(progress) / static_cast<double>(total));
}

void ASINetworkQueue::resetProgressDelegate(ASIProgressDelegate* target) {
  if (!target) return;
  auto life = target->lifeToken();
  ASIHTTPRequest::performOnMainThread([target, life] {
    if (life.expired()) return;
    if (target->respondsToSelector(ASISelector::setMaxValue)) target->setMaxValue(1.0);
    if (target->respondsToSelector(ASISelector::setDoubleValue)) target->setDoubleValue(0.0);
  });
}

void ASINetworkQueue::setUploadProgressDelegate(ASIProgressDelegate* delegate) {
  setReceiver(&ASINetworkQueue::uploadProgressDelegate_, ASIReceiverRef<ASIProgressDelegate>(delegate));
  resetProgressDelegate(uploadProgressDelegate());
}

void ASINetworkQueue::setDownloadProgressDelegate(ASIProgressDelegate* delegate) {
  setReceiver(&ASINetworkQueue::downloadProgressDelegate_, ASIReceiverRef<ASIProgressDelegate>(delegate));
  resetProgressDelegate(downloadProgressDelegate());
}

void ASINetworkQueue::addHEADOperation(const std::shared_ptr<Operation>& operation) {
  auto request = std::dynamic_pointer_cast<ASIHTTPRequest>(operation);
  if (!request) return;
  request->setRequestMethod("HEAD");
  request->setQueuePriority(10);
  request->setShowAccurateProgress(true);
  request->setQueue(std::static_pointer_cast<ASINetworkQueue>(shared_from_this()));
  OperationQueue::addOperation(request);
}

void ASINetworkQueue::addOperation(const std::shared_ptr<Operation>& operation) {
  auto request = std::dynamic_pointer_cast<ASIHTTPRequest>(operation);
  if (!request)
    throw HTTPEngineException("AttemptToAddInvalidRequest",
                              "Attempted to add an object that was not an ASIHTTPRequest to an ASINetworkQueue");
  ++requestsCount_;
  if (showAccurateProgress_) {
    request->buildPostBody();
    if (request->requestMethod() == "GET" && isSuspended()) {
      auto head = request->HEADRequest();
      addHEADOperation(head);
      request->addDependency(head);
      if (request->shouldResetDownloadProgress()) {
        resetProgressDelegate(downloadProgressDelegate());
        request->setShouldResetDownloadProgress(false);
      }
    }
    totalBytesToUpload_ += request->postLength();
  } else {
    totalBytesToDownload_ += 1;
    totalBytesToUpload_ += 1;
  }
  if (request->shouldResetUploadProgress()) {
    resetProgressDelegate(uploadProgressDelegate());
    request->setShouldResetUploadProgress(false);
  }
  request->setShowAccurateProgress(showAccurateProgress_);
  request->setQueue(std::static_pointer_cast<ASINetworkQueue>(shared_from_this()));
  OperationQueue::addOperation(request);
}

bool ASINetworkQueue::respondsToSelector(ASISelector selector) const {
  switch (selector) {
    case ASISelector::authenticationNeededForRequest:
    case ASISelector::proxyAuthenticationNeededForRequest:
      // Asked on the network thread too: the delegate's token answers for it.
      return receiver(&ASINetworkQueue::delegate_).answers(selector);
    case ASISelector::requestWillRedirectToURL:
      return static_cast<bool>(requestWillRedirectSelector());
    case ASISelector::requestStarted:
    case ASISelector::requestDidReceiveResponseHeaders:
    case ASISelector::requestFinished:
    case ASISelector::requestFailed:
    case ASISelector::requestDidReceiveBytes:
    case ASISelector::requestDidSendBytes:
    case ASISelector::requestIncrementDownloadSizeBy:
    case ASISelector::requestIncrementUploadSizeBy:
      return true;
    default:
      return false;
  }
}

void ASINetworkQueue::requestStarted(ASIHTTPRequest& request) {
  if (auto selector = requestDidStartSelector()) selector(request);
}

void ASINetworkQueue::requestDidReceiveResponseHeaders(ASIHTTPRequest& request, const HTTPHeaders& headers) {
  if (auto selector = requestDidReceiveResponseHeadersSelector()) selector(request, headers);
}

void ASINetworkQueue::requestWillRedirectToURL(ASIHTTPRequest& request, const URL& url) {
  if (auto selector = requestWillRedirectSelector()) selector(request, url);
}

void ASINetworkQueue::requestEnded() {
  if (requestsCount_ != 0) return;
  if (auto selector = queueDidFinishSelector()) selector(*this);
}

void ASINetworkQueue::requestFinished(ASIHTTPRequest& request) {
  --requestsCount_;
  if (auto selector = requestDidFinishSelector()) selector(request);
  requestEnded();
}

void ASINetworkQueue::requestFailed(ASIHTTPRequest& request) {
  --requestsCount_;
  if (auto selector = requestDidFailSelector()) selector(request);
  requestEnded();
  if (shouldCancelAllRequestsOnFailure_ && requestsCount_ > 0) cancelAllOperations();
}

void ASINetworkQueue::requestDidReceiveBytes(ASIHTTPRequest&, std::int64_t bytes) {
  bytesDownloadedSoFar_ += static_cast<std::uint64_t>(bytes);
  setIndicator(downloadProgressDelegate(), bytesDownloadedSoFar_, totalBytesToDownload_);
}

void ASINetworkQueue::requestDidSendBytes(ASIHTTPRequest&, std::int64_t bytes) {
  bytesUploadedSoFar_ += static_cast<std::uint64_t>(bytes);
  setIndicator(uploadProgressDelegate(), bytesUploadedSoFar_, totalBytesToUpload_);
}

void ASINetworkQueue::requestIncrementDownloadSizeBy(ASIHTTPRequest&, std::int64_t bytes) {
  totalBytesToDownload_ += static_cast<std::uint64_t>(bytes);
}

void ASINetworkQueue::requestIncrementUploadSizeBy(ASIHTTPRequest&, std::int64_t bytes) {
  totalBytesToUpload_ += static_cast<std::uint64_t>(bytes);
}

void ASINetworkQueue::authenticationNeededForRequest(ASIHTTPRequest& request) {
  if (auto* d = delegate(); d && d->respondsToSelector(ASISelector::authenticationNeededForRequest))
    d->authenticationNeededForRequest(request);
}

void ASINetworkQueue::proxyAuthenticationNeededForRequest(ASIHTTPRequest& request) {
  if (auto* d = delegate(); d && d->respondsToSelector(ASISelector::proxyAuthenticationNeededForRequest))
    d->proxyAuthenticationNeededForRequest(request);
}

}  // namespace td
