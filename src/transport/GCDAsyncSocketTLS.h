#pragma once
// The TLS session of one asynchronous socket, over OpenSSL with two memory BIOs: the socket pours
// the raw bytes it reads off the descriptor into the input BIO and sends what the session leaves
// in the output BIO. Statuses follow the socket's SSL numbering (GCDAsyncSocketError.h): 0 for
// success, errSSLWouldBlock, errSSLClosedGraceful, errSSLClosedAbort, or a failure.
// Not thread-safe: used only on the socket's queue.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "transport/GCDAsyncSocketTLSSettings.h"

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;
typedef struct bio_st BIO;
typedef struct x509_store_ctx_st X509_STORE_CTX;

namespace td {

class GCDAsyncSocketTLS {
 public:
  ~GCDAsyncSocketTLS();
  GCDAsyncSocketTLS(const GCDAsyncSocketTLS&) = delete;
  GCDAsyncSocketTLS& operator=(const GCDAsyncSocketTLS&) = delete;

  // Builds the context for the settings, applied in a fixed order. On failure returns null and
  // names the failed step ("Error in SSLNewContext", "Error in SSLSetProtocolVersionEnabled", ...).
  static std::unique_ptr<GCDAsyncSocketTLS> create(const GCDAsyncSocketTLSSettings& settings, std::string* failedStep);

  std::int32_t handshake();
  // Decrypts up to n bytes.
  std::int32_t read(std::uint8_t* buffer, std::size_t n, std::size_t* processed);
  // Encrypts all n bytes into the output BIO (which grows as needed).
  std::int32_t write(const std::uint8_t* buffer, std::size_t n);
  // Sends close_notify into the output BIO (once).
  void close();

  // Decrypted bytes buffered inside the session.
  std::size_t bufferedReadSize() const;

  // Raw side.
  void feedRaw(const std::uint8_t* data, std::size_t n);
  // The raw stream ended: the session sees end of input once the input BIO runs dry.
  void setRawEndOfStream();
  std::size_t rawInputPending() const;
  std::size_t rawOutputPending() const;
  // Pointer to and length of the pending output; drainRawOutput(n) drops the first n bytes.
  const std::uint8_t* rawOutput(std::size_t* length) const;
  void drainRawOutput(std::size_t n);

  SSL* nativeHandle() const { return ssl_; }

  // The OpenSSL text of the last failure, for the error's reason.
  const std::string& lastErrorText() const { return lastErrorText_; }

 private:
  GCDAsyncSocketTLS() = default;
  std::int32_t statusFor(int ret);
  static int verifyCallback(int preverifyOk, X509_STORE_CTX* storeCtx);

  SSL_CTX* ctx_ = nullptr;
  SSL* ssl_ = nullptr;
  BIO* rbio_ = nullptr;  // owned by ssl_
  BIO* wbio_ = nullptr;  // owned by ssl_
  bool allowsAnyRoot_ = false;
  bool allowsExpiredRoots_ = false;
  bool allowsExpiredCertificates_ = false;
  bool closed_ = false;
  std::string lastErrorText_;
};

}  // namespace td
