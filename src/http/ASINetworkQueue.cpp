#include "http/ASINetworkQueue.h"

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

std::shared_ptr<ASINetworkQueue> ASINetworkQueue::copy() const {
  auto other = queue();
  other->delegate_ = delegate_;
  other->requestDidStartSelector = requestDidStartSelector;
  other->requestDidReceiveResponseHeadersSelector = requestDidReceiveResponseHeadersSelector;
  other->requestWillRedirectSelector = requestWillRedirectSelector;
  other->requestDidFinishSelector = requestDidFinishSelector;
  other->requestDidFailSelector = requestDidFailSelector;
  other->queueDidFinishSelector = queueDidFinishSelector;
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
  delegate_ = {};
  downloadProgressDelegate_ = {};
  uploadProgressDelegate_ = {};
  requestDidStartSelector = nullptr;
  requestDidReceiveResponseHeadersSelector = nullptr;
  requestDidFailSelector = nullptr;
  requestDidFinishSelector = nullptr;
  queueDidFinishSelector = nullptr;
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

void ASINetworkQueue::resetProgressDelegate(ASIReceiverRef<ASIProgressDelegate>& delegate) {
  ASIProgressDelegate* target = delegate.get();
  if (!target) return;
  auto life = target->lifeToken();
  ASIHTTPRequest::performOnMainThread([target, life] {
    if (life.expired()) return;
    if (target->respondsToSelector(ASISelector::setMaxValue)) target->setMaxValue(1.0);
    if (target->respondsToSelector(ASISelector::setDoubleValue)) target->setDoubleValue(0.0);
  });
}

void ASINetworkQueue::setUploadProgressDelegate(ASIProgressDelegate* delegate) {
  uploadProgressDelegate_ = delegate;
  resetProgressDelegate(uploadProgressDelegate_);
}

void ASINetworkQueue::setDownloadProgressDelegate(ASIProgressDelegate* delegate) {
  downloadProgressDelegate_ = delegate;
  resetProgressDelegate(downloadProgressDelegate_);
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
        resetProgressDelegate(downloadProgressDelegate_);
        request->setShouldResetDownloadProgress(false);
      }
    }
    totalBytesToUpload_ += request->postLength();
  } else {
    totalBytesToDownload_ += 1;
    totalBytesToUpload_ += 1;
  }
  if (request->shouldResetUploadProgress()) {
    resetProgressDelegate(uploadProgressDelegate_);
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
      return delegate_.answers(selector);
    case ASISelector::requestWillRedirectToURL:
      return static_cast<bool>(requestWillRedirectSelector);
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
  if (requestDidStartSelector) requestDidStartSelector(request);
}

void ASINetworkQueue::requestDidReceiveResponseHeaders(ASIHTTPRequest& request, const HTTPHeaders& headers) {
  if (requestDidReceiveResponseHeadersSelector) requestDidReceiveResponseHeadersSelector(request, headers);
}

void ASINetworkQueue::requestWillRedirectToURL(ASIHTTPRequest& request, const URL& url) {
  if (requestWillRedirectSelector) requestWillRedirectSelector(request, url);
}

void ASINetworkQueue::requestEnded() {
  if (requestsCount_ == 0 && queueDidFinishSelector) queueDidFinishSelector(*this);
}

void ASINetworkQueue::requestFinished(ASIHTTPRequest& request) {
  --requestsCount_;
  if (requestDidFinishSelector) requestDidFinishSelector(request);
  requestEnded();
}

void ASINetworkQueue::requestFailed(ASIHTTPRequest& request) {
  --requestsCount_;
  if (requestDidFailSelector) requestDidFailSelector(request);
  requestEnded();
  if (shouldCancelAllRequestsOnFailure_ && requestsCount_ > 0) cancelAllOperations();
}

void ASINetworkQueue::requestDidReceiveBytes(ASIHTTPRequest&, std::int64_t bytes) {
  bytesDownloadedSoFar_ += static_cast<std::uint64_t>(bytes);
  setIndicator(downloadProgressDelegate_.get(), bytesDownloadedSoFar_, totalBytesToDownload_);
}

void ASINetworkQueue::requestDidSendBytes(ASIHTTPRequest&, std::int64_t bytes) {
  bytesUploadedSoFar_ += static_cast<std::uint64_t>(bytes);
  setIndicator(uploadProgressDelegate_.get(), bytesUploadedSoFar_, totalBytesToUpload_);
}

void ASINetworkQueue::requestIncrementDownloadSizeBy(ASIHTTPRequest&, std::int64_t bytes) {
  totalBytesToDownload_ += static_cast<std::uint64_t>(bytes);
}

void ASINetworkQueue::requestIncrementUploadSizeBy(ASIHTTPRequest&, std::int64_t bytes) {
  totalBytesToUpload_ += static_cast<std::uint64_t>(bytes);
}

void ASINetworkQueue::authenticationNeededForRequest(ASIHTTPRequest& request) {
  if (auto* d = delegate_.get(); d && d->respondsToSelector(ASISelector::authenticationNeededForRequest))
    d->authenticationNeededForRequest(request);
}

void ASINetworkQueue::proxyAuthenticationNeededForRequest(ASIHTTPRequest& request) {
  if (auto* d = delegate_.get(); d && d->respondsToSelector(ASISelector::proxyAuthenticationNeededForRequest))
    d->proxyAuthenticationNeededForRequest(request);
}

}  // namespace td
