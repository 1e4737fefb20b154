#pragma once
// What a request tells the outside world, and to whom: its delegate, its progress delegates and its
// queue. Every operation is optional; a receiver names the ones it answers (respondsToSelector), and
// a request calls only those. Receivers are not owned by the requests that report to them.
//
// Receivers belong to the main thread: they are made, called and destroyed there, so a receiver
// destroyed there is simply no longer called. Code on other threads (the network thread deciding
// whether a delegate wants the body's bytes, a redirect to confirm or a credentials question) never
// calls into a receiver, which may be half destroyed by then: it asks the receiver's life token,
// under the token's lock, what the receiver declared it answers.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <mutex>
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

// The part of a receiver that outlives it for those who refer to it: the operations it declared.
class ASILifeToken {
 public:
  bool answers(ASISelector selector) const {
    std::lock_guard lock(mutex_);
    return answered_.count(selector) != 0;
  }

 private:
  friend class ASIResponder;
  mutable std::mutex mutex_;
  std::set<ASISelector> answered_;
};

class ASIResponder {
 public:
  ASIResponder() = default;
  ASIResponder(const ASIResponder& other) { *this = other; }
  ASIResponder& operator=(const ASIResponder& other) {
    if (this == &other) return *this;
    std::set<ASISelector> answered;
    {
      std::lock_guard lock(other.life_->mutex_);
      answered = other.life_->answered_;
    }
    std::lock_guard lock(life_->mutex_);
    life_->answered_ = std::move(answered);
    return *this;
  }
  virtual ~ASIResponder() = default;

  // Main thread only (other threads ask the life token).
  virtual bool respondsToSelector(ASISelector selector) const { return life_->answers(selector); }
  // Expires when the receiver is destroyed.
  std::weak_ptr<const ASILifeToken> lifeToken() const { return life_; }

 protected:
  // Declares the optional operations this receiver answers.
  void answer(std::initializer_list<ASISelector> selectors) {
    std::lock_guard lock(life_->mutex_);
    life_->answered_.insert(selectors);
  }

 private:
  std::shared_ptr<ASILifeToken> life_ = std::make_shared<ASILifeToken>();
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
  ASIReceiverRef(T* receiver)
      : receiver_(receiver), life_(receiver ? receiver->lifeToken() : std::weak_ptr<const ASILifeToken>()) {}
  // The receiver while it lives (main thread only).
  T* get() const { return receiver_ && !life_.expired() ? receiver_ : nullptr; }
  // Whether the receiver lives and declared the operation; any thread, nothing of the receiver runs.
  bool answers(ASISelector selector) const {
    const auto token = life_.lock();
    return token && token->answers(selector);
  }
  // Whether this refers to that receiver (even if it has gone).
  bool is(const T* receiver) const { return receiver_ == receiver; }
  explicit operator bool() const { return get() != nullptr; }

 private:
  T* receiver_ = nullptr;
  std::weak_ptr<const ASILifeToken> life_;
};

}  // namespace td
