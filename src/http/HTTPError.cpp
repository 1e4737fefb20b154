#include "http/HTTPError.h"

#include <cstring>

namespace td {

std::string HTTPError::toString() const {
  std::string out = domain + " " + std::to_string(code) + ": " + description;
  if (!failureReason.empty()) out += " (" + failureReason + ")";
  if (underlying) out += " [" + underlying->toString() + "]";
  return out;
}

HTTPErrorPtr HTTPError::make(std::string domain, std::int64_t code, std::string description,
                             HTTPErrorPtr underlying, std::string failureReason) {
  auto e = std::make_shared<HTTPError>();
  e->domain = std::move(domain);
  e->code = code;
  e->description = std::move(description);
  e->failureReason = std::move(failureReason);
  e->underlying = std::move(underlying);
  return e;
}

HTTPErrorPtr HTTPError::request(std::int64_t code, std::string description, HTTPErrorPtr underlying) {
  return make(NetworkRequestErrorDomain, code, std::move(description), std::move(underlying));
}

HTTPErrorPtr HTTPError::posix(int err) {
  char buffer[256];
  const char* text = ::strerror_r(err, buffer, sizeof buffer);
  return make(HTTPPOSIXErrorDomain, err, text ? text : "Unknown error");
}

HTTPErrorPtr ASIRequestTimedOutError() {
  static const HTTPErrorPtr e = HTTPError::request(ASIRequestTimedOutErrorType, "The request timed out");
  return e;
}
HTTPErrorPtr ASIAuthenticationError() {
  static const HTTPErrorPtr e = HTTPError::request(ASIAuthenticationErrorType, "Authentication needed");
  return e;
}
HTTPErrorPtr ASIRequestCancelledError() {
  static const HTTPErrorPtr e = HTTPError::request(ASIRequestCancelledErrorType, "The request was cancelled");
  return e;
}
HTTPErrorPtr ASIUnableToCreateRequestError() {
  static const HTTPErrorPtr e =
      HTTPError::request(ASIUnableToCreateRequestErrorType, "Unable to create request (bad url?)");
  return e;
}
HTTPErrorPtr ASITooMuchRedirectionError() {
  static const HTTPErrorPtr e = HTTPError::request(ASITooMuchRedirectionErrorType,
                                                   "The request failed because it redirected too many times");
  return e;
}

}  // namespace td
