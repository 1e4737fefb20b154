#pragma once
// Error objects of the HTTP engine: a domain, a code, a description, an optional failure reason and
// the underlying error that caused it. Errors travel as shared, immutable objects; the five shared
// errors are the same object at every occurrence.

#include <cstdint>
#include <memory>
#include <string>

namespace td {

inline constexpr const char* NetworkRequestErrorDomain = "ASIHTTPRequestErrorDomain";
// Underlying errors: the transport's (libcurl result codes) and the file system's (errno values).
inline constexpr const char* HTTPTransportErrorDomain = "HTTPTransportErrorDomain";
inline constexpr const char* HTTPPOSIXErrorDomain = "NSPOSIXErrorDomain";

enum ASINetworkErrorType : std::int64_t {
  ASIConnectionFailureErrorType = 1,
  ASIRequestTimedOutErrorType = 2,
  ASIAuthenticationErrorType = 3,
  ASIRequestCancelledErrorType = 4,
  ASIUnableToCreateRequestErrorType = 5,
  ASIInternalErrorWhileBuildingRequestType = 6,
  ASIInternalErrorWhileApplyingCredentialsType = 7,
  ASIFileManagementError = 8,
  ASITooMuchRedirectionErrorType = 9,
  ASIUnhandledExceptionError = 10,
  ASICompressionError = 11,
};

struct HTTPError;
using HTTPErrorPtr = std::shared_ptr<const HTTPError>;

struct HTTPError {
  std::string domain;
  std::int64_t code = 0;
  std::string description;    // localized description
  std::string failureReason;  // localized failure reason, often empty
  HTTPErrorPtr underlying;    // the error beneath this one, if any

  bool is(const char* d, std::int64_t c) const { return domain == d && code == c; }
  // "domain code: description" (and the underlying error in brackets), for log lines.
  std::string toString() const;

  static HTTPErrorPtr make(std::string domain, std::int64_t code, std::string description,
                           HTTPErrorPtr underlying = nullptr, std::string failureReason = {});
  // An error of the engine's own domain.
  static HTTPErrorPtr request(std::int64_t code, std::string description, HTTPErrorPtr underlying = nullptr);
  // errno as a file-system error, with strerror's text.
  static HTTPErrorPtr posix(int err);
};

// The five shared error objects.
HTTPErrorPtr ASIRequestTimedOutError();
HTTPErrorPtr ASIAuthenticationError();
HTTPErrorPtr ASIRequestCancelledError();
HTTPErrorPtr ASIUnableToCreateRequestError();
HTTPErrorPtr ASITooMuchRedirectionError();

}  // namespace td
