#pragma once
// A queue of HTTP requests: made suspended, runs up to four at a time once told to go, adds up their
// progress for one upload and one download indicator, passes each request's events on to its
// delegate's chosen callbacks, says when the last request has ended, and may cancel the rest when one
// fails. Every event reaches it on the main thread. Make queues with ASINetworkQueue::queue().

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "http/ASIHTTPRequest.h"
#include "http/OperationQueue.h"

namespace td {

class ASINetworkQueue : public OperationQueue, public ASIHTTPRequestQueue {
 public:
  using RequestSelector = std::function<void(ASIHTTPRequest&)>;
  using HeadersSelector = std::function<void(ASIHTTPRequest&, const HTTPHeaders&)>;
  using RedirectSelector = std::function<void(ASIHTTPRequest&, const URL&)>;
  using QueueSelector = std::function<void(ASINetworkQueue&)>;

  static std::shared_ptr<ASINetworkQueue> queue();
  ~ASINetworkQueue() override;
  // A new suspended queue with the same delegate, selectors, progress delegates and settings.
  std::shared_ptr<ASINetworkQueue> copy() const;

  void go();
  void reset();
  // Only requests may be added: anything else throws HTTPEngineException ("AttemptToAddInvalidRequest").
  void addOperation(const std::shared_ptr<Operation>& operation) override;
  void addHEADOperation(const std::shared_ptr<Operation>& operation);
  void cancelAllOperations() override;

  // The receiver of credential questions the requests pass on, and what is called for each event.
  // They may be set from any thread while requests run: the network thread asks the queue whether
  // it answers credentials questions and confirms redirects.
  ASIHTTPRequestDelegate* delegate() const;
  void setDelegate(ASIHTTPRequestDelegate* delegate);
  RequestSelector requestDidStartSelector() const;
  void setRequestDidStartSelector(RequestSelector selector);
  HeadersSelector requestDidReceiveResponseHeadersSelector() const;
  void setRequestDidReceiveResponseHeadersSelector(HeadersSelector selector);
  RedirectSelector requestWillRedirectSelector() const;
  void setRequestWillRedirectSelector(RedirectSelector selector);
  RequestSelector requestDidFinishSelector() const;
  void setRequestDidFinishSelector(RequestSelector selector);
  RequestSelector requestDidFailSelector() const;
  void setRequestDidFailSelector(RequestSelector selector);
  QueueSelector queueDidFinishSelector() const;
  void setQueueDidFinishSelector(QueueSelector selector);

  ASIProgressDelegate* uploadProgressDelegate() const;
  void setUploadProgressDelegate(ASIProgressDelegate* delegate);
  ASIProgressDelegate* downloadProgressDelegate() const;
  void setDownloadProgressDelegate(ASIProgressDelegate* delegate);

  std::uint64_t bytesUploadedSoFar() const { return bytesUploadedSoFar_; }
  std::uint64_t totalBytesToUpload() const { return totalBytesToUpload_; }
  std::uint64_t bytesDownloadedSoFar() const { return bytesDownloadedSoFar_; }
  std::uint64_t totalBytesToDownload() const { return totalBytesToDownload_; }
  int requestsCount() const { return requestsCount_; }
  bool shouldCancelAllRequestsOnFailure() const { return shouldCancelAllRequestsOnFailure_; }
  void setShouldCancelAllRequestsOnFailure(bool cancel) { shouldCancelAllRequestsOnFailure_ = cancel; }
  bool showAccurateProgress() const { return showAccurateProgress_; }
  void setShowAccurateProgress(bool accurate) { showAccurateProgress_ = accurate; }
  std::map<std::string, std::string> userInfo;

  // What requests report (on the main thread).
  bool respondsToSelector(ASISelector selector) const override;
  void requestStarted(ASIHTTPRequest& request) override;
  void requestDidReceiveResponseHeaders(ASIHTTPRequest& request, const HTTPHeaders& headers) override;
  void requestWillRedirectToURL(ASIHTTPRequest& request, const URL& url) override;
  void requestFinished(ASIHTTPRequest& request) override;
  void requestFailed(ASIHTTPRequest& request) override;
  void requestDidReceiveBytes(ASIHTTPRequest& request, std::int64_t bytes) override;
  void requestDidSendBytes(ASIHTTPRequest& request, std::int64_t bytes) override;
  void requestIncrementDownloadSizeBy(ASIHTTPRequest& request, std::int64_t bytes) override;
  void requestIncrementUploadSizeBy(ASIHTTPRequest& request, std::int64_t bytes) override;
  void authenticationNeededForRequest(ASIHTTPRequest& request) override;
  void proxyAuthenticationNeededForRequest(ASIHTTPRequest& request) override;

 protected:
  ASINetworkQueue();

 private:
  static void resetProgressDelegate(ASIProgressDelegate* delegate);
  static void setIndicator(ASIProgressDelegate* indicator, std::uint64_t progress, std::uint64_t total);
  void requestEnded();
  // The value of a receiver field, read under receiversLock_.
  template <class T>
  T receiver(const T ASINetworkQueue::*field) const;
  template <class T>
  void setReceiver(T ASINetworkQueue::*field, T value);

  // Receivers and selectors: set from any thread, read on the main and the network thread.
  mutable std::mutex receiversLock_;
  ASIReceiverRef<ASIHTTPRequestDelegate> delegate_;
  ASIReceiverRef<ASIProgressDelegate> uploadProgressDelegate_;
  ASIReceiverRef<ASIProgressDelegate> downloadProgressDelegate_;
  RequestSelector requestDidStartSelector_;
  HeadersSelector requestDidReceiveResponseHeadersSelector_;
  RedirectSelector requestWillRedirectSelector_;
  RequestSelector requestDidFinishSelector_;
  RequestSelector requestDidFailSelector_;
  QueueSelector queueDidFinishSelector_;

  std::uint64_t bytesUploadedSoFar_ = 0, totalBytesToUpload_ = 0, bytesDownloadedSoFar_ = 0, totalBytesToDownload_ = 0;
  int requestsCount_ = 0;
  bool shouldCancelAllRequestsOnFailure_ = true;
  bool showAccurateProgress_ = false;
};

}  // namespace td
