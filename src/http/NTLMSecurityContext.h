#pragma once
// One NTLM handshake on the client side, computed by GSSAPI's NTLM mechanism (gss-ntlmssp under the
// GSSAPI library of MIT Kerberos): first the negotiate message, then the authenticate message that
// answers the server's challenge. The mechanism speaks NTLMv2 (its default compatibility level).
//
// The server's challenge comes from whoever the client talks to. The mechanism reads it in our own
// process and is not safe with every message (it writes through a null pointer for some), so a
// challenge reaches it only once it has been checked to be a well-formed challenge message that
// the mechanism is known to take; anything else ends the handshake with an error.

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

  // The handshake's two steps, each once and in this order: the negotiate message, then the
  // authenticate message for the server's challenge (the decoded bytes of its token). Nothing on
  // failure, with `error`; a step out of its turn or a challenge that challengeFault() refuses is a
  // failure, and the handshake is over after any failure.
  std::optional<std::string> negotiateMessage(std::string* error);
  std::optional<std::string> authenticateMessage(std::string_view challenge, std::string* error);

  // Why `challenge` may not be answered, or nothing when it is a well-formed challenge message that
  // the mechanism takes: the signature, the message type, the whole header for its flags or the
  // 32 bytes of old servers (with no target information), and of the fields the mechanism reads (the
  // target name when a target type is flagged, the target information when its flag is set) each
  // within the message, a Unicode name not empty, and the target information a well-formed list of
  // attribute-value pairs up to its terminator.
  static std::optional<std::string> challengeFault(std::string_view challenge);

 private:
  struct Handles;
  enum class Step { Negotiate, Authenticate, Over };
  explicit NTLMSecurityContext(std::unique_ptr<Handles> handles);
  std::optional<std::string> step(const std::string_view* challenge, std::string* error);

  std::unique_ptr<Handles> handles_;
  Step next_ = Step::Negotiate;
};

}  // namespace td
