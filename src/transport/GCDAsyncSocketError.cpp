#include "transport/GCDAsyncSocketError.h"

#include <netdb.h>

#include <cerrno>
#include <cstring>

namespace td {

namespace {

GCDAsyncSocketError own(std::int64_t code, std::string description) {
  GCDAsyncSocketError e;
  e.domain = GCDAsyncSocketErrorDomain;
  e.code = code;
  e.description = std::move(description);
  return e;
}

}  // namespace

std::string GCDAsyncSocketError::toString() const {
  std::string text = domain + " " + std::to_string(code);
  if (!description.empty()) text += ": " + description;
  if (!failureReason.empty()) text += " (" + failureReason + ")";
  return text;
}

GCDAsyncSocketError GCDAsyncSocketError::badConfigError(std::string message) {
  return own(GCDAsyncSocketBadConfigError, std::move(message));
}
GCDAsyncSocketError GCDAsyncSocketError::badParamError(std::string message) {
  return own(GCDAsyncSocketBadParamError, std::move(message));
}
GCDAsyncSocketError GCDAsyncSocketError::connectTimeoutError() {
  return own(GCDAsyncSocketConnectTimeoutError, "Attempt to connect to host timed out");
}
GCDAsyncSocketError GCDAsyncSocketError::readTimeoutError() {
  return own(GCDAsyncSocketReadTimeoutError, "Read operation timed out");
}
GCDAsyncSocketError GCDAsyncSocketError::writeTimeoutError() {
  return own(GCDAsyncSocketWriteTimeoutError, "Write operation timed out");
}
GCDAsyncSocketError GCDAsyncSocketError::readMaxedOutError() {
  return own(GCDAsyncSocketReadMaxedOutError, "Read operation reached set maximum length");
}
GCDAsyncSocketError GCDAsyncSocketError::connectionClosedError() {
  return own(GCDAsyncSocketClosedError, "Socket closed by remote peer");
}
GCDAsyncSocketError GCDAsyncSocketError::otherError(std::string message) {
  return own(GCDAsyncSocketOtherError, std::move(message));
}

GCDAsyncSocketError GCDAsyncSocketError::gaiError(int gaiCode) {
  GCDAsyncSocketError e;
  e.domain = GCDAsyncSocketNetDBErrorDomain;
  e.code = gaiCode;
  e.description = gai_strerror(gaiCode);
  return e;
}

GCDAsyncSocketError GCDAsyncSocketError::errnoErrorWithCode(int err, std::string reason) {
  GCDAsyncSocketError e;
  e.domain = GCDAsyncSocketPOSIXErrorDomain;
  e.code = err;
  char text[256];
  // GNU strerror_r returns the text (which may or may not be the given buffer).
  e.description = strerror_r(err, text, sizeof text);
  e.failureReason = std::move(reason);
  return e;
}

GCDAsyncSocketError GCDAsyncSocketError::errnoErrorWithReason(std::string reason) {
  const int err = errno;
  return errnoErrorWithCode(err, std::move(reason));
}

GCDAsyncSocketError GCDAsyncSocketError::errnoError() {
  const int err = errno;
  return errnoErrorWithCode(err, {});
}

GCDAsyncSocketError GCDAsyncSocketError::sslError(std::int32_t status, std::string detail) {
  GCDAsyncSocketError e;
  e.domain = GCDAsyncSocketSSLErrorDomain;
  e.code = status;
  e.failureReason = std::move(detail);
  e.recoverySuggestion = "Error code definition can be found in Apple's SecureTransport.h";
  return e;
}

}  // namespace td
