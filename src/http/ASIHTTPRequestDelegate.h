#pragma once
// What a request tells the outside world, and to whom: its delegate, its progress delegates and its
// queue. Every operation is optional; a receiver names the ones it answers (respondsToSelector), and
// a request calls only those. Receivers are not owned by the requests that report to them: a
// receiver destroyed on the main thread is simply no longer called.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <set>
#include <string>

namespace td {

class ASIHTTPRequest;
class HTTPHeaders;
class URL;

enum class ASISelector {
  none,
  // ASIHTTPRequestDelegate
  requestStarted,
  requestDidReceiveResponseHeaders,
  requestWillRedirectToURL,
  requestFinished,
  requestFailed,
  requestRedirected,
  requestDidReceiveData,
  authenticationNeededForRequest,
  proxyAuthenticationNeededForRequest,
  // ASIProgressDelegate
  setDoubleValue,
  setMaxValue,
  requestDidReceiveBytes,
  requestDidSendBytes,
  requestIncrementDownloadSizeBy,
  requestIncrementUploadSizeBy,
};

class ASIResponder {
 public:
  ASIResponder() = default;
  ASIResponder(const ASIResponder& other) : answered_(other.answered_) {}
  ASIResponder& operator=(const ASIResponder& other) {
    answered_ = other.answered_;
    return *this;
  }
  virtual ~ASIResponder() = default;

  virtual bool respondsToSelector(ASISelector selector) const { return answered_.count(selector) != 0; }
  // Expires when the receiver is destroyed.
  std::weak_ptr<const int> lifeToken() const { return life_; }

 protected:
  // Declares the optional operations this receiver answers.
  void answer(std::initializer_list<ASISelector> selectors) { answered_.insert(selectors); }

 private:
  std::set<ASISelector> answered_;
  std::shared_ptr<const int> life_ = std::make_shared<const int>(0);
};

class ASIHTTPRequestDelegate : public virtual ASIResponder {
 public:
  virtual void requestStarted(ASIHTTPRequest&) {}
  virtual void requestDidReceiveResponseHeaders(ASIHTTPRequest&, const HTTPHeaders&) {}
  virtual void requestWillRedirectToURL(ASIHTTPRequest&, const URL&) {}
  virtual void requestFinished(ASIHTTPRequest&) {}
  virtual void requestFailed(ASIHTTPRequest&) {}
  virtual void requestRedirected(ASIHTTPRequest&) {}
  virtual void requestDidReceiveData(ASIHTTPRequest&, const std::string&) {}
  virtual void authenticationNeededForRequest(ASIHTTPRequest&) {}
  virtual void proxyAuthenticationNeededForRequest(ASIHTTPRequest&) {}

  // Calls the operation a selector of the one-argument shape names (started, finished, failed,
  // redirected, the two credential questions); other selectors do nothing.
  void performSelector(ASISelector selector, ASIHTTPRequest& request);
};

class ASIProgressDelegate : public virtual ASIResponder {
 public:
  virtual void setDoubleValue(double) {}
  virtual void setMaxValue(double) {}
  virtual void requestDidReceiveBytes(ASIHTTPRequest&, std::int64_t) {}
  virtual void requestDidSendBytes(ASIHTTPRequest&, std::int64_t) {}
  virtual void requestIncrementDownloadSizeBy(ASIHTTPRequest&, std::int64_t) {}
  virtual void requestIncrementUploadSizeBy(ASIHTTPRequest&, std::int64_t) {}
};

// The queue a request reports to besides its delegate (an ASINetworkQueue, or any receiver of both
// kinds of report).
class ASIHTTPRequestQueue : public ASIHTTPRequestDelegate, public ASIProgressDelegate {};

// A receiver held by a request: a plain pointer and the receiver's life token.
template <class T>
class ASIReceiverRef {
 public:
  ASIReceiverRef() = default;
  ASIReceiverRef(T* receiver) : receiver_(receiver), life_(receiver ? receiver->lifeToken() : std::weak_ptr<const int>()) {}
  // The receiver while it lives.
  T* get() const { return receiver_ && !life_.expired() ? receiver_ : nullptr; }
  // Whether this refers to that receiver (even if it has gone).
  bool is(const T* receiver) const { return receiver_ == receiver; }
  explicit operator bool() const { return get() != nullptr; }

 private:
  T* receiver_ = nullptr;
  std::weak_ptr<const int> life_;
};

}  // namespace td
