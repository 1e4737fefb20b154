// Stream events of an attempt: body bytes read into memory, a file or the delegate (inflated on the
// fly when asked), the end of the response with its bookkeeping (download file, cache, connection
// pool) and the report, stream errors, the one retry on a fresh connection, temporary files, and
// finishing from the download cache.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "http/ASIDataDecompressor.h"
#include "http/ASIHTTPRequest.h"
#include "http/ASIHTTPRequestInternal.h"
#include "http/ASIInputStream.h"
#include "http/RunLoop.h"
#include "platform/Log.h"

namespace td {
namespace {

// Transport results that mean the connection went away under the request.
bool isConnectionLost(std::int64_t code, bool headReceived) {
  switch (code) {
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
      return true;
    case CURLE_RECV_ERROR:
      return !headReceived;
    default:
      return false;
  }
}

// A new file beside `destination` (same folder, so that one rename puts it in place), private to the
// user; its path, or the failure.
HTTPErrorPtr createFileBeside(const std::string& destination, std::string& path) {
  const auto slash = destination.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : destination.substr(0, slash);
  const std::string name = slash == std::string::npos ? destination : destination.substr(slash + 1);
  path = folder + "/." + name + "." + globallyUniqueString();
  const int fd = openPrivateFile(path, true);
  if (fd < 0)
    return HTTPError::request(ASIFileManagementError, "Failed to write to file at path '" + path + "'",
                              HTTPError::posix(errno));
  ::close(fd);
  return nullptr;
}

HTTPErrorPtr moveError(const std::string& from, const std::string& to, int err) {
  return HTTPError::request(ASIFileManagementError, "Failed to move file from '" + from + "' to '" + to + "'",
                            HTTPError::posix(err));
}

// Puts the file at `from` in place of `destination` in one step. From another file system, where
// rename() cannot go, it is copied beside the destination first. On failure nothing of it is left
// beside the destination, and the destination is as it was.
HTTPErrorPtr moveIntoPlace(const std::string& from, const std::string& destination) {
  if (::rename(from.c_str(), destination.c_str()) == 0) return nullptr;
  if (errno != EXDEV) return moveError(from, destination, errno);
  std::string beside;
  if (HTTPErrorPtr error = createFileBeside(destination, beside)) return error;
  const int fd = ::open(beside.c_str(), O_WRONLY | O_CLOEXEC);
  bool copied = fd >= 0 && copyFileInto(from, fd);
  int err = errno;
  if (fd >= 0 && ::close(fd) != 0 && copied) {
    copied = false;
    err = errno;
  }
  if (copied && ::rename(beside.c_str(), destination.c_str()) == 0) {
    ::unlink(from.c_str());
    return nullptr;
  }
  if (copied) err = errno;
  ::unlink(beside.c_str());
  return moveError(from, destination, err);
}

// Inflates the file at `source` beside `destination` and puts the result in its place only once the
// whole body has inflated.
HTTPErrorPtr inflateIntoPlace(const std::string& source, const std::string& destination) {
  std::string beside;
  if (HTTPErrorPtr error = createFileBeside(destination, beside)) return error;
  HTTPErrorPtr error;
  if (ASIDataDecompressor::uncompressDataFromFile(source, beside, &error)) {
    if (::rename(beside.c_str(), destination.c_str()) == 0) return nullptr;
    error = moveError(beside, destination, errno);
  }
  ::unlink(beside.c_str());
  return error;
}

// The failure of a body kept in memory that passes its bound.
HTTPErrorPtr responseTooLargeError(std::uint64_t limit) {
  const std::string reason = "The response body is larger than " + std::to_string(limit) +
                             " bytes, the most that the request keeps in memory";
  return HTTPError::make(NetworkRequestErrorDomain, ASIConnectionFailureErrorType, "A connection failure occurred",
                         HTTPError::make(HTTPTransportErrorDomain, CURLE_FILESIZE_EXCEEDED, reason), reason);
}

// Transport results of the TLS layer.
bool isTLSFailure(std::int64_t code) {
  switch (code) {
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CLIENTCERT:
    case CURLE_USE_SSL_FAILED:
      return true;
    default:
      return false;
  }
}

}  // namespace

void ASIHTTPRequest::handleNetworkEvent(int event) {
  auto self = std::static_pointer_cast<ASIHTTPRequest>(shared_from_this());
  bool redirect = false, authenticate = false;
  {
    std::lock_guard lock(cancelledLock_);
    if (complete_ || cancelled_.load()) return;
    switch (event) {
      case HTTPStreamEventHasBytesAvailable: handleBytesAvailable(); break;
      case HTTPStreamEventErrorOccurred: handleStreamError(); break;
      case HTTPStreamEventEndEncountered: handleStreamComplete(); break;
      default: break;
    }
    performThrottling();
    redirect = downloadComplete_ && needsRedirect_;
    authenticate = downloadComplete_ && !needsRedirect_ && authenticationNeeded_ != 0;
  }
  if (redirect) {
    if (!willAskDelegateToConfirmRedirect()) performRedirect();
  } else if (authenticate) {
    attemptToApplyCredentialsAndResume();
  }
}

void ASIHTTPRequest::handleBytesAvailable() {
  std::lock_guard lock(cancelledLock_);
  if (!responseHeaders_) readResponseHeaders();
  if (complete_ || !readStream_ || !readStream_->hasBytesAvailable()) return;

  std::uint64_t size = 16384;
  if (contentLength_ > 262144) size = 262144;
  else if (contentLength_ > 65536) size = 65536;
  if (isBandwidthThrottled()) size = asiState().throttle.readLength(size);

  thread_local std::vector<char> buffer;
  if (buffer.size() < size) buffer.resize(size);
  const std::size_t n = readStream_->read(buffer.data(), size);
  if (n == 0) return;
  const std::string_view raw(buffer.data(), n);

  const bool toReceiver = handsBodyToReceiver();
  // The body of a redirect about to be followed or of a challenge about to be answered is not the
  // response: it is not inflated, and a receiver does not get it.
  const bool throwaway = needsRedirect_ || authenticationNeeded_ != 0;
  const bool inMemory = !toReceiver && !downloadDestinationPath_;
  std::optional<std::string> inflated;
  const bool inflating = !throwaway && inflatesOnTheFly();
  if (inflating) {
    if (!dataDecompressor_) {
      dataDecompressor_ = ASIDataDecompressor::decompressor();
      if (inMemory) dataDecompressor_->setOutputLimit(responseDataLimit_);
    }
    HTTPErrorPtr inflateError;
    inflated = dataDecompressor_->uncompressBytes(raw.data(), raw.size(), &inflateError);
    if (inflateError) {
      abandonLoad(inflateError, true);
      return;
    }
    if (!inflated) inflated = std::string();
  } else if (inMemory && responseDataLimit_ != 0 && rawResponseData_ &&
             rawResponseData_->size() + n > responseDataLimit_) {
    abandonLoad(responseTooLargeError(responseDataLimit_), true);
    return;
  }

  totalBytesRead_ += n;
  lastActivityTime_ = clock().now();
  incrementBandwidthUsedInLastSecond(n);

  if (needsRedirect_ && shouldRedirect_ && allowResumeForFileDownloads_) return;

  if (toReceiver) {
    if (throwaway) return;
    bodyHandedToReceiver_ = true;
    passOnReceivedData(inflating ? *inflated : std::string(raw));
  } else if (downloadDestinationPath_) {
    writeToDownloadFile(raw, inflated);  // none unless inflating
  } else if (inflating) {
    rawResponseData_->append(*inflated);
    rawResponseDataInflated_ = true;
  } else {
    rawResponseData_->append(raw);
  }
}

bool ASIHTTPRequest::handsBodyToReceiver() const {
  std::lock_guard lock(cancelledLock_);
  return delegate_.answers(didReceiveDataSelector_) || dataReceivedBlock_;
}

void ASIHTTPRequest::writeToDownloadFile(std::string_view raw, const std::optional<std::string>& inflated) {
  std::lock_guard lock(cancelledLock_);
  auto openOutput = [&](std::optional<std::string>& path, int& fd) {
    if (fd >= 0) return true;
    bool append = false;
    if (!path) {
      path = temporaryDirectory() + "/" + globallyUniqueString();
    } else if (allowResumeForFileDownloads_ && request_ && request_->headers.find("Range")) {
      if (responseHeaders_ && !responseHeaders_->contains("Content-Range")) {
        // The server sent the whole body again: start the file over.
        if (partialDownloadSize_ > 0 && &fd == &fileDownloadOutputStream_) {
          downloadSizeAnnounced_ -= static_cast<std::int64_t>(partialDownloadSize_);
          incrementDownloadSizeBy(-static_cast<std::int64_t>(partialDownloadSize_));
          partialDownloadSize_ = 0;
        }
      } else {
        append = true;
      }
    }
    fd = ::open(path->c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC), 0600);
    return fd >= 0;
  };
  auto fail = [&](const std::string& path) {
    // A file that cannot take the body fails the request: nothing is lost silently. A partial
    // download that may be resumed stays for a later attempt.
    const int err = errno;
    abandonLoad(HTTPError::request(ASIFileManagementError, "Failed to write to file at path '" + path + "'",
                                   HTTPError::posix(err)),
                false);
  };
  if (!openOutput(temporaryFileDownloadPath_, fileDownloadOutputStream_) ||
      !writeAllBytes(fileDownloadOutputStream_, raw.data(), raw.size())) {
    fail(temporaryFileDownloadPath_.value_or(""));
    return;
  }
  if (inflated) {
    if (!openOutput(temporaryUncompressedDataDownloadPath_, inflatedFileDownloadOutputStream_) ||
        !writeAllBytes(inflatedFileDownloadOutputStream_, inflated->data(), inflated->size())) {
      fail(temporaryUncompressedDataDownloadPath_.value_or(""));
      return;
    }
  }
}

bool ASIHTTPRequest::inflatesOnTheFly() const {
  std::lock_guard lock(cancelledLock_);
  if (!isResponseCompressed() || shouldWaitToInflateCompressedResponses_) return false;
  const bool resumed = downloadDestinationPath_ && partialDownloadSize_ > 0 && responseHeaders_ &&
                       responseHeaders_->contains("Content-Range");
  return !resumed;
}

void ASIHTTPRequest::discardAttemptBody() {
  std::lock_guard lock(cancelledLock_);
  dataDecompressor_.reset();
  if (fileDownloadOutputStream_ >= 0) ::close(fileDownloadOutputStream_);
  if (inflatedFileDownloadOutputStream_ >= 0) ::close(inflatedFileDownloadOutputStream_);
  fileDownloadOutputStream_ = inflatedFileDownloadOutputStream_ = -1;
  // The download file starts over when it is next opened, or is resumed from its size when the
  // attempt asks for the rest; the inflated file is always made afresh (its path is kept).
  if (temporaryUncompressedDataDownloadPath_) removeFileAtPath(*temporaryUncompressedDataDownloadPath_, nullptr);
}

HTTPErrorPtr ASIHTTPRequest::settleCompressedBody() {
  std::lock_guard lock(cancelledLock_);
  if (!isResponseCompressed() || totalBytesRead_ == 0 || needsRedirect_ || authenticationNeeded_ != 0) return nullptr;
  if (dataDecompressor_)
    return dataDecompressor_->streamEnded() ? nullptr : ASIDataDecompressor::truncatedStreamError();
  // A body kept compressed in memory is inflated now, whole, so that it cannot count as a response
  // that no read can inflate; reads then give what was inflated here. (A file is checked as it is
  // inflated into place; raw bytes handed to a data receiver are the receiver's.)
  if (!rawResponseData_ || downloadDestinationPath_ || rawResponseDataInflated_) return nullptr;
  HTTPErrorPtr error;
  inflatedResponseData_ = ASIDataDecompressor::uncompressData(*rawResponseData_, &error, responseDataLimit_);
  return error;
}

void ASIHTTPRequest::abandonLoad(HTTPErrorPtr error, bool discardPartialDownload) {
  std::lock_guard lock(cancelledLock_);
  complete_ = false;
  cancelLoad();
  if (discardPartialDownload) removeTemporaryDownloadFile();
  failWithError(std::move(error));
}

HTTPErrorPtr ASIHTTPRequest::finishDownloadFile() {
  std::lock_guard lock(cancelledLock_);
  HTTPErrorPtr fileError;
  const std::string destination = *downloadDestinationPath_;
  const bool compressed = isResponseCompressed();
  if (!compressed) {
    fileError = moveIntoPlace(*temporaryFileDownloadPath_, destination);
    if (!fileError) temporaryFileDownloadPath_.reset();
  } else if (temporaryUncompressedDataDownloadPath_ && ::access(temporaryUncompressedDataDownloadPath_->c_str(), F_OK) == 0) {
    // Inflated on the fly in this attempt (each attempt starts without the file).
    fileError = moveIntoPlace(*temporaryUncompressedDataDownloadPath_, destination);
    if (!fileError) temporaryUncompressedDataDownloadPath_.reset();
  } else {
    // Kept compressed (or resumed): inflated now, and in place of the destination only when whole.
    fileError = inflateIntoPlace(*temporaryFileDownloadPath_, destination);
  }
  // Nothing temporary outlives the request, whether the file went into place or not.
  if (fileError || compressed) removeTemporaryDownloadFile();
  if (fileError) removeTemporaryUncompressedDownloadFile();
  return fileError;
}

void ASIHTTPRequest::handleStreamComplete() {
  std::lock_guard lock(cancelledLock_);
  setStatusTimer(false);
  downloadComplete_ = true;
  if (!responseHeaders_) readResponseHeaders();
  if (complete_) return;  // finished from the cache or failed while reading the head

  HTTPErrorPtr fileError;
  {
    std::lock_guard progress(asiState().progressLock);
    lastBytesSent_ = totalBytesSent_;
    if (readStream_) totalBytesSent_ = std::max(totalBytesSent_, readStream_->bytesWritten());
    complete_ = true;
    // A body that ended before its announced length is not a response: it is a failure. A proxy's
    // refusal of a tunnel is whole with its head (its body is the proxy's page, which the transport
    // does not hand over).
    const bool bodyExpected = requestMethod_ != "HEAD" && responseStatusCode_ != 204 && responseStatusCode_ != 304 &&
                              !(responseStatusCode_ >= 100 && responseStatusCode_ < 200);
    const bool refusedTunnel = readStream_ && readStream_->refusedTunnel();
    if (contentLength_ != 0 && bodyExpected && !refusedTunnel && totalBytesRead_ < contentLength_) {
      complete_ = false;
      cancelLoad();
      failWithError(HTTPError::request(ASIConnectionFailureErrorType, "A connection failure occurred",
                                       HTTPError::make(HTTPTransportErrorDomain, CURLE_PARTIAL_FILE,
                                                       "The body ended before its announced length")));
      return;
    }
    // A compressed body that does not inflate whole (cut short, corrupt, past the bound of memory)
    // is a failure too.
    if (HTTPErrorPtr bodyError = settleCompressedBody()) {
      abandonLoad(bodyError, true);
      return;
    }
    if (contentLength_ == 0) contentLength_ = totalBytesRead_;
    updateProgressIndicators();
    if (postBodyReadStream_) {
      postBodyReadStream_->close();
      postBodyReadStream_.reset();
    }
    dataDecompressor_.reset();
    if (didCreateTemporaryPostDataFile_ && authenticationNeeded_ == 0) {
      removeTemporaryUploadFile();
      removeTemporaryCompressedUploadFile();
    }
    const bool finalResponse = !needsRedirect_ && authenticationNeeded_ == 0;
    if (finalResponse && bodyExpected && downloadDestinationPath_ && fileDownloadOutputStream_ < 0 &&
        !handsBodyToReceiver()) {
      // No byte came: the destination becomes an empty file, put in place like any other body.
      writeToDownloadFile({}, inflatesOnTheFly() ? std::optional<std::string>(std::string()) : std::nullopt);
      if (fileDownloadOutputStream_ < 0) return;  // failed, and reported
    }
    if (temporaryFileDownloadPath_) {
      if (fileDownloadOutputStream_ >= 0) ::close(fileDownloadOutputStream_);
      if (inflatedFileDownloadOutputStream_ >= 0) ::close(inflatedFileDownloadOutputStream_);
      fileDownloadOutputStream_ = inflatedFileDownloadOutputStream_ = -1;
      if (downloadDestinationPath_ && finalResponse) fileError = finishDownloadFile();
    }
    if (downloadCache_ && !didUseCachedResponse_ && finalResponse && !fileError)
      downloadCache_->storeResponseForRequest(*this, secondsToCache_);
  }
  releaseConnection(connectionCanBeReused_);
  if (authenticationNeeded_ == 0) destroyReadStream();
  if (!needsRedirect_ && authenticationNeeded_ == 0 && !didUseCachedResponse_) {
    if (fileError) failWithError(fileError);
    else requestFinished();
    markAsFinished();
  }
}

void ASIHTTPRequest::handleStreamError() {
  std::lock_guard lock(cancelledLock_);
  HTTPErrorPtr streamError = readStream_ ? readStream_->streamError() : nullptr;
  if (!streamError) streamError = HTTPError::make(HTTPTransportErrorDomain, CURLE_RECV_ERROR, "The connection failed");
  if (error_) {
    cancelLoad();
  } else if ((isConnectionLost(streamError->code, responseHeaders_ != nullptr) ||
              (readStream_ && readStream_->lostTunnel())) &&
             retryUsingNewConnection()) {
    return;
  } else {
    std::string description = "A connection failure occurred";
    if (isTLSFailure(streamError->code))
      description += ": SSL problem (Possible causes may include a bad/expired/self-signed certificate, clock set to wrong date)";
    cancelLoad();
    failWithError(HTTPError::request(ASIConnectionFailureErrorType, description, streamError));
  }
  checkRequestStatus();
}

bool ASIHTTPRequest::retryUsingNewConnection() {
  std::lock_guard lock(cancelledLock_);
  if (retryCount_ != 0 || bodyHandedToReceiver_) return false;
  willRetryRequest_ = true;
  cancelLoad();
  willRetryRequest_ = false;
  dropConnection();
  ++retryCount_;
  startRequest();
  return true;
}

void ASIHTTPRequest::markAsFinished() {
  std::lock_guard lock(cancelledLock_);
  request_.reset();
  requestAuthentication_.reset();
  proxyAuthentication_.reset();
  inProgress_ = false;
  executing_.store(false);
  finished_.store(true);
  // The queue hears of it after this request's handler has let go of the request, on the loop that
  // ran it (no other thread is woken for it), before the main thread is handed the reports.
  auto self = std::static_pointer_cast<ASIHTTPRequest>(weak_from_this().lock());
  if (!self) return;
  RunLoop& loop = requestLoop();
  if (RunLoop::dispatchingHere() == &loop) loop.defer([self] { self->notifyFinished(); });
  else loop.post([self] { self->notifyFinished(); });
}

void ASIHTTPRequest::useDataFromCache() {
  std::lock_guard lock(cancelledLock_);
  std::shared_ptr<ASIHTTPRequest> main = mainRequest();
  ASIHTTPRequest& target = main ? *main : *this;
  if (!downloadCache_) return;
  const auto headers = downloadCache_->cachedResponseHeadersForURL(url_);
  const auto dataPath = downloadCache_->pathToCachedResponseDataForURL(url_);
  if (headers && dataPath) {
    int status = 0;
    if (auto code = headers->get("X-ASIHTTPRequest-Response-Status-Code")) {
      try {
        status = std::stoi(*code);
      } catch (...) {
      }
    }
    responseStatusCode_ = status;
    didUseCachedResponse_ = true;
    target.setResponseHeaders(*headers);
    if (target.downloadDestinationPath()) {
      target.setDownloadDestinationPath(*dataPath);
    } else {
      target.setRawResponseData(downloadCache_->cachedResponseDataForURL(url_).value_or(""));
    }
    std::uint64_t length = 0;
    if (auto value = headers->get("Content-Length")) length = parseContentLength(*value).value_or(0);
    target.setContentLength(length);
    target.setTotalBytesRead(length);
    target.parseStringEncodingFromHeaders();
    std::vector<std::string> setCookies;
    if (auto value = headers->get("Set-Cookie")) setCookies.push_back(*value);
    target.setResponseCookies(HTTPCookie::cookiesWithSetCookieValues(setCookies, url_));
    if (willRedirect()) {
      if (!willAskDelegateToConfirmRedirect()) {
        auto self = std::static_pointer_cast<ASIHTTPRequest>(shared_from_this());
        requestLoop().post([self] { self->performRedirect(); });
      }
      return;
    }
  } else {
    // Nothing stored (a request that may only be answered from the cache): a failure, not an
    // empty success.
    failWithError(HTTPError::request(ASIInternalErrorWhileBuildingRequestType,
                                     "No cached response is stored for this request"));
    return;
  }
  target.setComplete(true);
  target.setDownloadComplete(true);
  if (target.redirectCount() == 0) target.setOriginalURL(target.url());
  target.updateProgressIndicators();
  target.requestFinished();
  target.markAsFinished();
  if (main) markAsFinished();
}

void ASIHTTPRequest::scheduleReadStream() {
  std::lock_guard lock(cancelledLock_);
  if (!readStream_ || readStreamIsScheduled_) return;
  {
    auto& s = asiState();
    std::lock_guard pool(s.connectionsLock);
    ++s.runningRequestCount;
    if (s.shouldUpdateNetworkActivityIndicator) showNetworkActivityIndicator();
  }
  lastActivityTime_ = clock().now();
  readStream_->schedule();
  readStreamIsScheduled_ = true;
}

void ASIHTTPRequest::unscheduleReadStream() {
  std::lock_guard lock(cancelledLock_);
  if (!readStream_ || !readStreamIsScheduled_) return;
  {
    auto& s = asiState();
    std::lock_guard pool(s.connectionsLock);
    --s.runningRequestCount;
    if (s.shouldUpdateNetworkActivityIndicator && s.runningRequestCount == 0) hideNetworkActivityIndicatorAfterDelay();
  }
  readStream_->unschedule();
  readStreamIsScheduled_ = false;
}

void ASIHTTPRequest::destroyReadStream() {
  std::lock_guard lock(cancelledLock_);
  if (!readStream_) return;
  unscheduleReadStream();
  readStream_->close();
  readStream_.reset();
}

bool ASIHTTPRequest::removeFileAtPath(const std::string& path, HTTPErrorPtr* error) {
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return true;
  if (error)
    *error = HTTPError::request(ASIFileManagementError, "Failed to delete file at path '" + path + "'",
                                HTTPError::posix(errno));
  return false;
}

bool ASIHTTPRequest::removeTemporaryPath(std::optional<std::string> ASIHTTPRequest::*field) {
  std::lock_guard lock(cancelledLock_);
  if (!(this->*field)) return true;
  HTTPErrorPtr err;
  const bool ok = removeFileAtPath(*(this->*field), &err);
  if (!ok) failWithError(err);
  (this->*field).reset();
  return ok;
}

bool ASIHTTPRequest::removeTemporaryDownloadFile() { return removeTemporaryPath(&ASIHTTPRequest::temporaryFileDownloadPath_); }
bool ASIHTTPRequest::removeTemporaryUncompressedDownloadFile() {
  return removeTemporaryPath(&ASIHTTPRequest::temporaryUncompressedDataDownloadPath_);
}
bool ASIHTTPRequest::removeTemporaryUploadFile() { return removeTemporaryPath(&ASIHTTPRequest::postBodyFilePath_); }
bool ASIHTTPRequest::removeTemporaryCompressedUploadFile() {
  return removeTemporaryPath(&ASIHTTPRequest::compressedPostBodyFilePath_);
}

}  // namespace td
