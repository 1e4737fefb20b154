#pragma once
// Settings of a TLS start on the asynchronous socket. Every entry is optional; an absent entry
// leaves the TLS layer's default. The identity and the Diffie-Hellman parameters are OpenSSL
// objects, shared by reference count.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

typedef struct x509_st X509;
typedef struct evp_pkey_st EVP_PKEY;

namespace td {

// Values of GCDAsyncSocketTLSSettings::level.
inline constexpr const char* kCFStreamSocketSecurityLevelSSLv2 = "kCFStreamSocketSecurityLevelSSLv2";
inline constexpr const char* kCFStreamSocketSecurityLevelSSLv3 = "kCFStreamSocketSecurityLevelSSLv3";
inline constexpr const char* kCFStreamSocketSecurityLevelTLSv1 = "kCFStreamSocketSecurityLevelTLSv1";
inline constexpr const char* kCFStreamSocketSecurityLevelNegotiatedSSL = "kCFStreamSocketSecurityLevelNegotiatedSSL";

// Names of the two settings that are this socket's own.
inline constexpr const char* GCDAsyncSocketSSLCipherSuites = "GCDAsyncSocketSSLCipherSuites";
inline constexpr const char* GCDAsyncSocketSSLDiffieHellmanParameters = "GCDAsyncSocketSSLDiffieHellmanParameters";

struct GCDAsyncSocketTLSSettings {
  std::optional<bool> isServer;                       // kCFStreamSSLIsServer (default: client)
  std::optional<std::string> peerName;                // kCFStreamSSLPeerName: SNI and name check
  std::optional<bool> allowsAnyRoot;                  // kCFStreamSSLAllowsAnyRoot
  std::optional<bool> allowsExpiredRoots;             // kCFStreamSSLAllowsExpiredRoots
  std::optional<bool> validatesCertificateChain;      // kCFStreamSSLValidatesCertificateChain
  std::optional<bool> allowsExpiredCertificates;      // kCFStreamSSLAllowsExpiredCertificates
  // kCFStreamSSLCertificates: own identity (key and leaf certificate), then further chain certificates.
  std::shared_ptr<EVP_PKEY> privateKey;
  std::vector<std::shared_ptr<X509>> certificates;
  std::optional<std::string> level;                   // kCFStreamSSLLevel, one of the four strings above
  std::optional<std::vector<std::uint16_t>> cipherSuites;  // IANA cipher suite codes
  // Diffie-Hellman parameters in PEM or DER form.
  std::optional<std::vector<std::uint8_t>> diffieHellmanParameters;
};

}  // namespace td
