#pragma once
// The exception every failing ZeroMQ wrapper call raises: the library's error text and number.

#include <stdexcept>
#include <string>

namespace td {

class ZMQException : public std::runtime_error {
 public:
  ZMQException(const std::string& reason, int code) : std::runtime_error(reason), code_(code) {}
  const char* name() const { return "ZMQException"; }
  // The ZeroMQ error number (errno space), kept under "errorCode".
  int errorCode() const { return code_; }

 private:
  int code_;
};

}  // namespace td
