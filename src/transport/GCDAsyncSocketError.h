#pragma once
// Error objects of the asynchronous socket: a domain, a code and its texts.

#include <cstdint>
#include <string>

namespace td {

inline constexpr const char* GCDAsyncSocketErrorDomain = "GCDAsyncSocketErrorDomain";
inline constexpr const char* GCDAsyncSocketNetDBErrorDomain = "kCFStreamErrorDomainNetDB";
inline constexpr const char* GCDAsyncSocketPOSIXErrorDomain = "NSPOSIXErrorDomain";
inline constexpr const char* GCDAsyncSocketSSLErrorDomain = "kCFStreamErrorDomainSSL";

enum GCDAsyncSocketErrorCode : std::int64_t {
  GCDAsyncSocketNoError = 0,
  GCDAsyncSocketBadConfigError = 1,
  GCDAsyncSocketBadParamError = 2,
  GCDAsyncSocketConnectTimeoutError = 3,
  GCDAsyncSocketReadTimeoutError = 4,
  GCDAsyncSocketWriteTimeoutError = 5,
  GCDAsyncSocketReadMaxedOutError = 6,
  GCDAsyncSocketClosedError = 7,
  GCDAsyncSocketOtherError = 8,
};

// TLS statuses the socket reports in the SSL domain (SecureTransport numbering).
enum GCDAsyncSocketSSLStatus : std::int32_t {
  errSSLProtocol = -9800,
  errSSLWouldBlock = -9803,
  errSSLClosedGraceful = -9805,
  errSSLClosedAbort = -9806,
  errSSLXCertChainInvalid = -9807,
};

struct GCDAsyncSocketError {
  std::string domain;
  std::int64_t code = 0;
  std::string description;         // localized description
  std::string failureReason;       // localized failure reason
  std::string recoverySuggestion;  // localized recovery suggestion

  bool is(const char* d, std::int64_t c) const { return domain == d && code == c; }
  // "domain code: description (reason)", for log lines.
  std::string toString() const;

  static GCDAsyncSocketError badConfigError(std::string message);
  static GCDAsyncSocketError badParamError(std::string message);
  static GCDAsyncSocketError gaiError(int gaiCode);
  // Read errno at once, on the thread of the failed call.
  static GCDAsyncSocketError errnoErrorWithReason(std::string reason);
  static GCDAsyncSocketError errnoError();
  static GCDAsyncSocketError errnoErrorWithCode(int err, std::string reason);
  static GCDAsyncSocketError sslError(std::int32_t status, std::string detail = {});
  static GCDAsyncSocketError connectTimeoutError();
  static GCDAsyncSocketError readTimeoutError();
  static GCDAsyncSocketError writeTimeoutError();
  static GCDAsyncSocketError readMaxedOutError();
  static GCDAsyncSocketError connectionClosedError();
  static GCDAsyncSocketError otherError(std::string message);
};

}  // namespace td
