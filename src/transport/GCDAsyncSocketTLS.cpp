#include "transport/GCDAsyncSocketTLS.h"

#include <arpa/inet.h>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <cstring>
#include <string>

#include "transport/GCDAsyncSocketError.h"

namespace td {

namespace {

std::string takeOpenSSLErrors() {
  std::string text;
  while (unsigned long err = ERR_get_error()) {
    char buf[256];
    ERR_error_string_n(err, buf, sizeof buf);
    if (!text.empty()) text += "; ";
    text += buf;
  }
  return text;
}

bool isIPLiteral(const std::string& name) {
  unsigned char tmp[16];
  return inet_pton(AF_INET, name.c_str(), tmp) == 1 || inet_pton(AF_INET6, name.c_str(), tmp) == 1;
}

EVP_PKEY* parseDHParameters(const std::vector<std::uint8_t>& data) {
  BIO* bio = BIO_new_mem_buf(data.data(), static_cast<int>(data.size()));
  if (!bio) return nullptr;
  EVP_PKEY* pkey = PEM_read_bio_Parameters(bio, nullptr);
  BIO_free(bio);
  if (!pkey) {
    ERR_clear_error();
    const unsigned char* p = data.data();
    pkey = d2i_KeyParams(EVP_PKEY_DH, nullptr, &p, static_cast<long>(data.size()));
  }
  return pkey;
}

}  // namespace

GCDAsyncSocketTLS::~GCDAsyncSocketTLS() {
  if (ssl_) SSL_free(ssl_);
  if (ctx_) SSL_CTX_free(ctx_);
}

int GCDAsyncSocketTLS::verifyCallback(int preverifyOk, X509_STORE_CTX* storeCtx) {
  if (preverifyOk) return 1;
  SSL* ssl = static_cast<SSL*>(X509_STORE_CTX_get_ex_data(storeCtx, SSL_get_ex_data_X509_STORE_CTX_idx()));
  auto* self = ssl ? static_cast<GCDAsyncSocketTLS*>(SSL_get_app_data(ssl)) : nullptr;
  if (!self) return 0;
  const int err = X509_STORE_CTX_get_error(storeCtx);
  const int depth = X509_STORE_CTX_get_error_depth(storeCtx);
  bool accept = false;
  switch (err) {
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED:
      accept = self->allowsAnyRoot_;
      break;
    case X509_V_ERR_CERT_HAS_EXPIRED:
      accept = depth == 0 ? self->allowsExpiredCertificates_ : self->allowsExpiredRoots_;
      break;
    default:
      break;
  }
  if (accept) X509_STORE_CTX_set_error(storeCtx, X509_V_OK);
  return accept ? 1 : 0;
}

std::unique_ptr<GCDAsyncSocketTLS> GCDAsyncSocketTLS::create(const GCDAsyncSocketTLSSettings& settings,
                                                             std::string* failedStep) {
  ERR_clear_error();
  std::unique_ptr<GCDAsyncSocketTLS> tls(new GCDAsyncSocketTLS());
  auto fail = [&](const char* step) {
    if (failedStep) *failedStep = step;
    tls->lastErrorText_ = takeOpenSSLErrors();
    return nullptr;
  };

  const bool isServer = settings.isServer.value_or(false);
  tls->ctx_ = SSL_CTX_new(isServer ? TLS_server_method() : TLS_client_method());
  if (!tls->ctx_) return fail("Error in SSLNewContext");
  tls->ssl_ = SSL_new(tls->ctx_);
  if (!tls->ssl_) return fail("Error in SSLNewContext");
  SSL_set_app_data(tls->ssl_, tls.get());
  if (isServer) {
    SSL_set_accept_state(tls->ssl_);
  } else {
    SSL_set_connect_state(tls->ssl_);
  }

  tls->rbio_ = BIO_new(BIO_s_mem());
  tls->wbio_ = BIO_new(BIO_s_mem());
  if (!tls->rbio_ || !tls->wbio_) {
    BIO_free(tls->rbio_);
    BIO_free(tls->wbio_);
    tls->rbio_ = tls->wbio_ = nullptr;
    return fail("Error in SSLSetIOFuncs");
  }
  SSL_set_bio(tls->ssl_, tls->rbio_, tls->wbio_);

  if (settings.peerName) {
    const std::string& name = *settings.peerName;
    X509_VERIFY_PARAM* param = SSL_get0_param(tls->ssl_);
    if (isIPLiteral(name)) {
      if (X509_VERIFY_PARAM_set1_ip_asc(param, name.c_str()) != 1) return fail("Error in SSLSetPeerDomainName");
    } else {
      if (SSL_set1_host(tls->ssl_, name.c_str()) != 1) return fail("Error in SSLSetPeerDomainName");
      if (!isServer && !name.empty() && SSL_set_tlsext_host_name(tls->ssl_, name.c_str()) != 1) {
        return fail("Error in SSLSetPeerDomainName");
      }
    }
  }

  tls->allowsAnyRoot_ = settings.allowsAnyRoot.value_or(false);
  tls->allowsExpiredRoots_ = settings.allowsExpiredRoots.value_or(false);
  tls->allowsExpiredCertificates_ = settings.allowsExpiredCertificates.value_or(false);
  // A client checks the server's chain unless told not to; a server asks for a client
  // certificate only when told to check one.
  const bool verify = settings.validatesCertificateChain.value_or(!isServer);
  if (verify) {
    if (SSL_CTX_set_default_verify_paths(tls->ctx_) != 1) return fail("Error in SSLSetEnableCertVerify");
    SSL_set_verify(tls->ssl_, SSL_VERIFY_PEER, &GCDAsyncSocketTLS::verifyCallback);
  } else {
    SSL_set_verify(tls->ssl_, SSL_VERIFY_NONE, nullptr);
  }

  if (settings.privateKey || !settings.certificates.empty()) {
    if (!settings.privateKey || settings.certificates.empty() || !settings.certificates.front()) {
      return fail("Error in SSLSetCertificate");
    }
    if (SSL_use_certificate(tls->ssl_, settings.certificates.front().get()) != 1 ||
        SSL_use_PrivateKey(tls->ssl_, settings.privateKey.get()) != 1 || SSL_check_private_key(tls->ssl_) != 1) {
      return fail("Error in SSLSetCertificate");
    }
    for (std::size_t i = 1; i < settings.certificates.size(); ++i) {
      if (!settings.certificates[i] || SSL_add1_chain_cert(tls->ssl_, settings.certificates[i].get()) != 1) {
        return fail("Error in SSLSetCertificate");
      }
    }
  }

  if (settings.level) {
    const std::string& level = *settings.level;
    if (level == kCFStreamSocketSecurityLevelSSLv2 || level == kCFStreamSocketSecurityLevelSSLv3) {
      // This TLS layer offers neither SSL 2 nor SSL 3.
      return fail("Error in SSLSetProtocolVersionEnabled");
    }
    if (level == kCFStreamSocketSecurityLevelTLSv1) {
      // TLS 1.0 only; its MAC needs the lowest security level to be usable at all.
      SSL_set_security_level(tls->ssl_, 0);
      if (SSL_set_min_proto_version(tls->ssl_, TLS1_VERSION) != 1 ||
          SSL_set_max_proto_version(tls->ssl_, TLS1_VERSION) != 1) {
        return fail("Error in SSLSetProtocolVersionEnabled");
      }
    }
    // kCFStreamSocketSecurityLevelNegotiatedSSL: every version the layer offers (its defaults).
  }

  if (settings.cipherSuites) {
    std::string legacy;
    std::string tls13;
    for (std::uint16_t code : *settings.cipherSuites) {
      const unsigned char bytes[2] = {static_cast<unsigned char>(code >> 8), static_cast<unsigned char>(code & 0xFF)};
      const SSL_CIPHER* cipher = SSL_CIPHER_find(tls->ssl_, bytes);
      if (!cipher) return fail("Error in SSLSetEnabledCiphers");
      std::string& list = std::strcmp(SSL_CIPHER_get_version(cipher), "TLSv1.3") == 0 ? tls13 : legacy;
      if (!list.empty()) list += ':';
      list += SSL_CIPHER_get_name(cipher);
    }
    if (SSL_set_ciphersuites(tls->ssl_, tls13.c_str()) != 1) return fail("Error in SSLSetEnabledCiphers");
    if (legacy.empty()) {
      if (SSL_set_min_proto_version(tls->ssl_, TLS1_3_VERSION) != 1) return fail("Error in SSLSetEnabledCiphers");
    } else if (SSL_set_cipher_list(tls->ssl_, legacy.c_str()) != 1) {
      return fail("Error in SSLSetEnabledCiphers");
    }
    if (tls13.empty() && SSL_set_max_proto_version(tls->ssl_, TLS1_2_VERSION) != 1) {
      return fail("Error in SSLSetEnabledCiphers");
    }
  }

  if (settings.diffieHellmanParameters) {
    EVP_PKEY* dh = parseDHParameters(*settings.diffieHellmanParameters);
    if (!dh) return fail("Error in SSLSetDiffieHellmanParams");
    if (SSL_set0_tmp_dh_pkey(tls->ssl_, dh) != 1) {
      EVP_PKEY_free(dh);
      return fail("Error in SSLSetDiffieHellmanParams");
    }
  }
  return tls;
}

std::int32_t GCDAsyncSocketTLS::statusFor(int ret) {
  const int err = SSL_get_error(ssl_, ret);
  std::int32_t status;
  switch (err) {
    case SSL_ERROR_WANT_READ:
    case SSL_ERROR_WANT_WRITE:
      status = errSSLWouldBlock;
      break;
    case SSL_ERROR_ZERO_RETURN:
      status = errSSLClosedGraceful;
      break;
    case SSL_ERROR_SYSCALL:
      status = errSSLClosedAbort;
      break;
    default: {
      const unsigned long last = ERR_peek_last_error();
      if (ERR_GET_LIB(last) == ERR_LIB_SSL && ERR_GET_REASON(last) == SSL_R_UNEXPECTED_EOF_WHILE_READING) {
        status = errSSLClosedAbort;
      } else if (SSL_get_verify_result(ssl_) != X509_V_OK) {
        status = errSSLXCertChainInvalid;
      } else {
        status = errSSLProtocol;
      }
      break;
    }
  }
  if (status != errSSLWouldBlock) {
    std::string text = takeOpenSSLErrors();
    if (status == errSSLXCertChainInvalid) {
      text = X509_verify_cert_error_string(SSL_get_verify_result(ssl_)) + (text.empty() ? "" : "; " + text);
    }
    lastErrorText_ = std::move(text);
  }
  ERR_clear_error();
  return status;
}

std::int32_t GCDAsyncSocketTLS::handshake() {
  ERR_clear_error();
  const int ret = SSL_do_handshake(ssl_);
  return ret == 1 ? 0 : statusFor(ret);
}

std::int32_t GCDAsyncSocketTLS::read(std::uint8_t* buffer, std::size_t n, std::size_t* processed) {
  *processed = 0;
  if (n == 0) return 0;
  ERR_clear_error();
  std::size_t got = 0;
  const int ret = SSL_read_ex(ssl_, buffer, n, &got);
  if (ret == 1) {
    *processed = got;
    return 0;
  }
  return statusFor(ret);
}

std::int32_t GCDAsyncSocketTLS::write(const std::uint8_t* buffer, std::size_t n) {
  if (n == 0) return 0;
  ERR_clear_error();
  std::size_t written = 0;
  const int ret = SSL_write_ex(ssl_, buffer, n, &written);
  return ret == 1 ? 0 : statusFor(ret);
}

void GCDAsyncSocketTLS::close() {
  if (closed_) return;
  closed_ = true;
  ERR_clear_error();
  if (SSL_is_init_finished(ssl_)) SSL_shutdown(ssl_);
  ERR_clear_error();
}

std::size_t GCDAsyncSocketTLS::bufferedReadSize() const { return static_cast<std::size_t>(SSL_pending(ssl_)); }

void GCDAsyncSocketTLS::feedRaw(const std::uint8_t* data, std::size_t n) {
  if (n > 0) BIO_write(rbio_, data, static_cast<int>(n));
}

void GCDAsyncSocketTLS::setRawEndOfStream() { BIO_set_mem_eof_return(rbio_, 0); }

std::size_t GCDAsyncSocketTLS::rawInputPending() const { return BIO_ctrl_pending(rbio_); }

std::size_t GCDAsyncSocketTLS::rawOutputPending() const { return BIO_ctrl_pending(wbio_); }

const std::uint8_t* GCDAsyncSocketTLS::rawOutput(std::size_t* length) const {
  char* data = nullptr;
  const long len = BIO_get_mem_data(wbio_, &data);
  *length = len > 0 ? static_cast<std::size_t>(len) : 0;
  return reinterpret_cast<const std::uint8_t*>(data);
}

void GCDAsyncSocketTLS::drainRawOutput(std::size_t n) {
  std::uint8_t sink[4096];
  while (n > 0) {
    const int chunk = static_cast<int>(n < sizeof sink ? n : sizeof sink);
    const int got = BIO_read(wbio_, sink, chunk);
    if (got <= 0) break;
    n -= static_cast<std::size_t>(got);
  }
}

}  // namespace td
