#include "http/ASIInputStream.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include "http/ASIHTTPRequest.h"

namespace td {
namespace {

std::mutex& readLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace

std::shared_ptr<ASIInputStream> ASIInputStream::inputStreamWithFileAtPath(const std::string& path,
                                                                          std::weak_ptr<ASIHTTPRequest> request) {
  std::shared_ptr<ASIInputStream> s(new ASIInputStream());
  s->path_ = path;
  s->request_ = std::move(request);
  return s;
}

std::shared_ptr<ASIInputStream> ASIInputStream::inputStreamWithData(std::shared_ptr<const std::string> data,
                                                                    std::weak_ptr<ASIHTTPRequest> request) {
  std::shared_ptr<ASIInputStream> s(new ASIInputStream());
  s->data_ = data ? std::move(data) : std::make_shared<const std::string>();
  s->request_ = std::move(request);
  return s;
}

ASIInputStream::~ASIInputStream() { close(); }

bool ASIInputStream::open() {
  if (status_ == Status::Open) return true;
  offset_ = 0;
  if (!data_) {
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
      error_ = HTTPError::posix(errno);
      status_ = Status::Error;
      return false;
    }
  }
  status_ = Status::Open;
  return true;
}

void ASIInputStream::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (status_ != Status::NotOpen) status_ = Status::Closed;
}

bool ASIInputStream::rewind() {
  offset_ = 0;
  if (fd_ >= 0) return ::lseek(fd_, 0, SEEK_SET) == 0;
  if (status_ == Status::AtEnd) status_ = Status::Open;
  return data_ != nullptr;
}

long ASIInputStream::readInner(char* buffer, std::size_t length) {
  if (status_ != Status::Open && status_ != Status::AtEnd) return -1;
  if (data_) {
    const std::size_t n = std::min(length, data_->size() - offset_);
    std::memcpy(buffer, data_->data() + offset_, n);
    offset_ += n;
    if (offset_ == data_->size()) status_ = Status::AtEnd;
    return static_cast<long>(n);
  }
  while (true) {
    const ssize_t n = ::read(fd_, buffer, length);
    if (n >= 0) {
      if (n == 0) status_ = Status::AtEnd;
      return static_cast<long>(n);
    }
    if (errno == EINTR) continue;
    error_ = HTTPError::posix(errno);
    status_ = Status::Error;
    return -1;
  }
}

long ASIInputStream::read(char* buffer, std::size_t length) {
  std::size_t allowed = length;
  {
    std::lock_guard lock(readLock());
    if (ASIHTTPRequest::isBandwidthThrottled()) {
      allowed = static_cast<std::size_t>(std::min<std::uint64_t>(ASIHTTPRequest::maxUploadReadLength(), length));
      if (allowed == 0) allowed = 1;
      if (auto request = request_.lock()) request->performThrottling();
    }
  }
  const long n = readInner(buffer, allowed);
  if (n > 0) ASIHTTPRequest::incrementBandwidthUsedInLastSecond(static_cast<std::uint64_t>(n));
  return n;
}

}  // namespace td
