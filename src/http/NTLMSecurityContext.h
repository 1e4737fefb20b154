#pragma once
// One NTLM handshake on the client side, computed by GSSAPI's NTLM mechanism (gss-ntlmssp under the
// GSSAPI library of MIT Kerberos): first the negotiate message, then the authenticate message that
// answers the server's challenge. The mechanism speaks NTLMv2 (its default compatibility level).

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace td {

class NTLMSecurityContext {
 public:
  // Whether the GSSAPI library offers the NTLM mechanism on this machine (asked once).
  static bool available();
  // A handshake for the account (`domain` may be empty) with a server on `host`. Nothing when
  // GSSAPI takes neither the name nor the password; `error` then says why.
  static std::unique_ptr<NTLMSecurityContext> start(const std::string& domain, const std::string& user,
                                                    const std::string& password, const std::string& host,
                                                    std::string* error);
  ~NTLMSecurityContext();
  NTLMSecurityContext(const NTLMSecurityContext&) = delete;
  NTLMSecurityContext& operator=(const NTLMSecurityContext&) = delete;

  // The negotiate message (the first call, with no challenge), then the authenticate message for
  // the server's challenge. Nothing on failure, with `error`.
  std::optional<std::string> nextMessage(std::string_view challenge, std::string* error);

 private:
  struct Handles;
  explicit NTLMSecurityContext(std::unique_ptr<Handles> handles);
  std::unique_ptr<Handles> handles_;
};

}  // namespace td
