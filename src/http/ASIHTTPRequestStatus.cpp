// The status timer of a running request (four checks a second: throttling, time-out with retries,
// upload progress), cancellation and the tear-down of a load.

#include <unistd.h>

#include "http/ASIHTTPRequest.h"
#include "http/ASIHTTPRequestInternal.h"
#include "http/ASIInputStream.h"
#include "http/RunLoop.h"

namespace td {
namespace {

constexpr auto kStatusInterval = std::chrono::milliseconds(250);

}  // namespace

RunLoop& ASIHTTPRequest::requestLoop() const { return runLoop_ ? *runLoop_ : RunLoop::networkThread(); }

void ASIHTTPRequest::setStatusTimer(bool run) {
  std::lock_guard lock(cancelledLock_);
  if (statusTimer_) {
    requestLoop().removeTimer(*statusTimer_);
    statusTimer_.reset();
  }
  if (!run) return;
  // The timer holds the request until it is stopped.
  statusTimer_ = requestLoop().addTimer(kStatusInterval, true, [this] { updateStatus(); }, shared_from_this());
}

void ASIHTTPRequest::updateStatus() {
  checkRequestStatus();
  if (!inProgress()) setStatusTimer(false);
}

bool ASIHTTPRequest::shouldTimeOut() const {
  std::lock_guard lock(cancelledLock_);
  if (!readStream_ || !readStreamIsScheduled_ || !lastActivityTime_ || timeOutSeconds_ <= 0) return false;
  const double silence = std::chrono::duration<double>(clock().now() - *lastActivityTime_).count();
  if (silence <= timeOutSeconds_) return false;
  if (postLength_ == 0 || (uploadBufferSize_ != 0 && totalBytesSent_ > uploadBufferSize_)) return true;
  // A body whose first buffer-full has not gone out yet gets half as long again.
  return silence > 1.5 * timeOutSeconds_;
}

void ASIHTTPRequest::checkRequestStatus() {
  std::unique_lock lock(cancelledLock_);
  if (cancelled_.load() || complete_) return;
  performThrottling();
  if (shouldTimeOut()) {
    // A receiver that has bytes of the body cannot take them back: that request fails instead.
    if (numberOfTimesToRetryOnTimeout_ > retryCount_ && !bodyHandedToReceiver_) {
      updatePartialDownloadSize();
      if (partialDownloadSize_ != 0 && request_)
        request_->headers.set("Range", "bytes=" + std::to_string(partialDownloadSize_) + "-");
      ++retryCount_;
      unscheduleReadStream();
      // The silent connection is not used again.
      dropConnection();
      destroyReadStream();
      lock.unlock();
      startRequest();
      return;
    }
    failWithError(ASIRequestTimedOutError());
    cancelLoad();
    complete_ = true;
    return;
  }
  if (readStream_) {
    if (postLength_ != 0) {
      lastBytesSent_ = totalBytesSent_;
      const std::uint64_t written = readStream_->bytesWritten();
      if (written > totalBytesSent_) {
        const std::uint64_t growth = written - totalBytesSent_;
        totalBytesSent_ = written;
        lastActivityTime_ = clock().now();
        incrementBandwidthUsedInLastSecond(growth);
      }
    }
    updateProgressIndicators();
  }
}

void ASIHTTPRequest::cancelOnRequestThread() {
  std::lock_guard lock(cancelledLock_);
  if (cancelled_.load() || complete_) return;
  failWithError(ASIRequestCancelledError());
  complete_ = true;
  cancelLoad();
  auto self = shared_from_this();  // alive across the flag change
  cancelled_.store(true);
}

void ASIHTTPRequest::cancelLoad() {
  std::lock_guard lock(cancelledLock_);
  if (PACFileReadStream_ >= 0) {
    ::close(PACFileReadStream_);
    PACFileReadStream_ = -1;
    PACFileData_.reset();
    if (PACReadTimer_) requestLoop().removeTimer(*PACReadTimer_);
    if (PACTimeoutTimer_) requestLoop().removeTimer(*PACTimeoutTimer_);
    PACReadTimer_.reset();
    PACTimeoutTimer_.reset();
  } else if (PACFileRequest_) {
    PACFileRequest_->cancel();
    PACFileRequest_.reset();
    RunLoop::networkThread().post([] { adjustSharedQueueLimit(-1); });
  }
  destroyReadStream();
  if (postBodyReadStream_) {
    postBodyReadStream_->close();
    postBodyReadStream_.reset();
  }
  if (rawResponseData_) {
    if (!complete_) setRawResponseData(std::nullopt);
  } else if (temporaryFileDownloadPath_) {
    if (fileDownloadOutputStream_ >= 0) ::close(fileDownloadOutputStream_);
    if (inflatedFileDownloadOutputStream_ >= 0) ::close(inflatedFileDownloadOutputStream_);
    fileDownloadOutputStream_ = inflatedFileDownloadOutputStream_ = -1;
    if (!complete_) {
      if (!allowResumeForFileDownloads_) removeTemporaryDownloadFile();
      removeTemporaryUncompressedDownloadFile();
    }
  }
  if (authenticationNeeded_ == 0 && !willRetryRequest_ && didCreateTemporaryPostDataFile_) {
    removeTemporaryUploadFile();
    removeTemporaryCompressedUploadFile();
    didCreateTemporaryPostDataFile_ = false;
  }
}

}  // namespace td
