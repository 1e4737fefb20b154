#pragma once
// The body stream a request hands to its transport: it reads a file or bytes in memory and takes part
// in the engine's upload throttling on every read (shortening the read to what the throttle allows,
// letting the owning request pause, and booking what it read).

#include <cstdint>
#include <memory>
#include <string>

#include "http/HTTPError.h"

namespace td {

class ASIHTTPRequest;

class ASIInputStream {
 public:
  enum class Status { NotOpen, Open, AtEnd, Closed, Error };

  static std::shared_ptr<ASIInputStream> inputStreamWithFileAtPath(const std::string& path,
                                                                  std::weak_ptr<ASIHTTPRequest> request);
  static std::shared_ptr<ASIInputStream> inputStreamWithData(std::shared_ptr<const std::string> data,
                                                            std::weak_ptr<ASIHTTPRequest> request);
  ~ASIInputStream();
  ASIInputStream(const ASIInputStream&) = delete;
  ASIInputStream& operator=(const ASIInputStream&) = delete;

  bool open();
  void close();
  // Bytes read into the buffer, 0 at the end, -1 on an error.
  long read(char* buffer, std::size_t length);
  // Back to the first byte (the transport resends a body on a new connection).
  bool rewind();

  Status streamStatus() const { return status_; }
  HTTPErrorPtr streamError() const { return error_; }

 private:
  ASIInputStream() = default;
  long readInner(char* buffer, std::size_t length);

  std::weak_ptr<ASIHTTPRequest> request_;
  std::string path_;
  std::shared_ptr<const std::string> data_;
  std::size_t offset_ = 0;
  int fd_ = -1;
  Status status_ = Status::NotOpen;
  HTTPErrorPtr error_;
};

}  // namespace td
