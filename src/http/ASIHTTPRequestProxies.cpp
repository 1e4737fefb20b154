// Choosing a request's proxy: its own, else a proxy auto-configuration script (from a file or over
// HTTP), else the system's settings (the environment's, else the desktop's, whose automatic
// configuration names a script). A script that cannot be read or run, or is stopped at its time or its
// heap's cap, means a direct connection. A request of the network thread waits for its script on a
// thread of the script's own, so that the network thread goes on with other requests meanwhile.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "http/ASIHTTPRequest.h"
#include "http/ASIHTTPRequestInternal.h"
#include "http/HTTPProxySettings.h"
#include "http/RunLoop.h"

namespace td {
namespace {

constexpr auto kPACReadInterval = std::chrono::milliseconds(10);

}  // namespace

bool ASIHTTPRequest::configureProxies() {
  std::lock_guard lock(cancelledLock_);
  if (isPACFileRequest_ || (proxyHost_ && !proxyHost_->empty()) || proxyPort_ != 0) return true;
  if (!PACurl_.empty()) {
    fetchPACFile();
    return false;
  }
  const auto proxies = systemProxiesForURL(url_);
  if (!proxies) {
    readStream_.reset();
    failWithError(HTTPError::request(ASIInternalErrorWhileBuildingRequestType,
                                     "Unable to obtain information on proxy servers needed for request"));
    return false;
  }
  if (proxies->empty()) return true;
  const ProxyEntry& first = proxies->front();
  if (!first.autoConfigURL.empty()) {
    PACurl_ = URL::URLWithString(first.autoConfigURL);
    fetchPACFile();
    return false;
  }
  proxyHost_ = first.host;
  proxyPort_ = first.port;
  proxyType_ = first.type;
  return true;
}

void ASIHTTPRequest::fetchPACFile() {
  std::unique_lock lock(cancelledLock_);
  const URL pac = PACurl_;
  if (pac.isFileURL()) {
    PACFileReadStream_ = ::open(pac.filePath().c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (PACFileReadStream_ < 0) {
      lock.unlock();
      startRequest();
      return;
    }
    PACFileData_ = std::string();
    auto self = std::static_pointer_cast<ASIHTTPRequest>(shared_from_this());
    PACReadTimer_ = requestLoop().addTimer(kPACReadInterval, true, [self] { self->readPACFile(); });
    PACTimeoutTimer_ = requestLoop().addTimer(asiSeconds(timeOutSeconds_), false, [self] { self->finishPACFileRead(false); });
    requestLoop().post([self] { self->readPACFile(); });
    return;
  }
  if (pac.scheme() == "http" || pac.scheme() == "https") {
    auto pacRequest = ASIHTTPRequest::requestWithURL(pac);
    pacRequest->setIsPACFileRequest(true);
    pacRequest->setTimeOutSeconds(timeOutSeconds_);
    if (isSynchronous_) {
      // Fetched and run from the request's own loop, which the caller's thread runs next: here the
      // request's lock is still held (by main()), and nothing may wait on the network under it.
      auto self = std::static_pointer_cast<ASIHTTPRequest>(shared_from_this());
      requestLoop().post([self, pacRequest] {
        pacRequest->startSynchronous();
        std::optional<std::string> script;
        if (!pacRequest->error()) script = pacRequest->responseString();
        self->runPACScriptAndStart(std::move(script));
      });
      return;
    }
    PACFileRequest_ = pacRequest;
    pacRequest->setQueuePriority(Operation::PriorityHigh);
    std::weak_ptr<ASIHTTPRequest> weakSelf = std::static_pointer_cast<ASIHTTPRequest>(shared_from_this());
    std::weak_ptr<ASIHTTPRequest> weakPAC = pacRequest;
    auto done = [weakSelf, weakPAC] {
      auto self = weakSelf.lock();
      auto pacDone = weakPAC.lock();
      if (self && pacDone) self->finishedDownloadingPACFile(*pacDone);
    };
    pacRequest->setCompletionBlock(done);
    pacRequest->setFailedBlock(done);
    // One more slot while the script is fetched, so that it never waits behind its own request.
    // (Done once this request's handler has let go: the queue starts other requests.)
    RunLoop::networkThread().post([pacRequest] {
      adjustSharedQueueLimit(+1);
      pacRequest->startAsynchronous();
    });
    return;
  }
  lock.unlock();
  startRequest();
}

void ASIHTTPRequest::readPACFile() {
  std::unique_lock lock(cancelledLock_);
  if (PACFileReadStream_ < 0) return;
  char buffer[16384];
  while (true) {
    const ssize_t n = ::read(PACFileReadStream_, buffer, sizeof buffer);
    if (n > 0) {
      PACFileData_->append(buffer, static_cast<std::size_t>(n));
      continue;
    }
    if (n == 0) {
      lock.unlock();
      finishPACFileRead(true);
      return;
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return;  // more later
    lock.unlock();
    finishPACFileRead(false);
    return;
  }
}

void ASIHTTPRequest::finishPACFileRead(bool succeeded) {
  std::unique_lock lock(cancelledLock_);
  if (PACFileReadStream_ < 0) return;
  if (PACReadTimer_) requestLoop().removeTimer(*PACReadTimer_);
  if (PACTimeoutTimer_) requestLoop().removeTimer(*PACTimeoutTimer_);
  PACReadTimer_.reset();
  PACTimeoutTimer_.reset();
  ::close(PACFileReadStream_);
  PACFileReadStream_ = -1;
  std::optional<std::string> data = std::move(PACFileData_);
  PACFileData_.reset();
  std::optional<std::string> script;
  if (succeeded && data) {
    script = decodeText(*data, UTF8Encoding);
    if (!script) script = decodeText(*data, ISOLatin1Encoding);
  }
  lock.unlock();
  runPACScriptAndStart(std::move(script));
}

void ASIHTTPRequest::runPACScriptAndStart(std::optional<std::string> script) {
  if (!script || script->empty()) {
    startRequest();
    return;
  }
  URL url;
  bool synchronous = false;
  {
    std::lock_guard lock(cancelledLock_);
    url = url_;
    synchronous = isSynchronous_;
  }
  if (synchronous) {
    // The caller's own thread, which waits for this request anyway.
    usePACAnswer(evaluatePACScript(*script, url, pacScriptLimits()));
    startRequest();
    return;
  }
  // The network thread goes on with other requests while the script runs; the answer comes back to
  // it (the network thread lives as long as the process).
  std::weak_ptr<ASIHTTPRequest> weakSelf = std::static_pointer_cast<ASIHTTPRequest>(shared_from_this());
  auto answered = [weakSelf](std::optional<std::string> answer) {
    RunLoop::networkThread().post([weakSelf, answer = std::move(answer)] {
      if (auto self = weakSelf.lock()) {
        self->usePACAnswer(answer);
        self->startRequest();
      }
    });
  };
  const bool running = evaluatePACScriptInBackground(std::move(*script), url, pacScriptLimits(), std::move(answered));
  if (!running) startRequest();  // no thread for the script: a script that cannot run means direct
}

void ASIHTTPRequest::usePACAnswer(const std::optional<std::string>& answer) {
  if (!answer) return;
  const auto entries = parsePACResult(*answer);
  if (entries.empty() || entries.front().host.empty()) return;  // DIRECT
  std::lock_guard lock(cancelledLock_);
  if (cancelled_.load()) return;
  proxyHost_ = entries.front().host;
  proxyPort_ = entries.front().port;
  proxyType_ = entries.front().type;
}

void ASIHTTPRequest::finishedDownloadingPACFile(ASIHTTPRequest& request) {
  std::optional<std::string> script;
  {
    std::lock_guard lock(cancelledLock_);
    if (PACFileRequest_.get() != &request) return;  // cancelled meanwhile
    if (!request.error()) script = request.responseString();
    PACFileRequest_.reset();
  }
  RunLoop::networkThread().post([] { adjustSharedQueueLimit(-1); });
  runPACScriptAndStart(std::move(script));
}

void ASIHTTPRequest::adjustSharedQueueLimit(int delta) {
  // Only the network thread changes the limit, one change at a time.
  auto queue = sharedQueue();
  queue->setMaxConcurrentOperationCount(queue->maxConcurrentOperationCount() + delta);
}

}  // namespace td
