#pragma once
// An HTTP authentication object built from a server's (401) or a proxy's (407) challenge: it picks
// the strongest scheme offered that the engine speaks (NTLM over Digest over Basic; Negotiate is not
// offered, nor NTLM where GSSAPI lacks its NTLM mechanism, nor a malformed challenge) and applies
// credentials to a request message. Once Basic or Digest credentials applied with it meet another
// challenge, the object is no longer valid (refused credentials are not sent again); a Digest server
// that only says its nonce was stale gets one more round. A malformed challenge after credentials
// were applied is no refusal but cannot be answered: the next application fails and says why.
//
// NTLM is a handshake of two applications on one connection: the negotiate message, then, once the
// server's challenge has arrived, the authenticate message. The object stays valid throughout, so
// that the request counts the applications and ends a third challenge itself.

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "http/HTTPHeaders.h"

namespace td {

struct HTTPMessage;
struct HTTPCredentials;
class NTLMSecurityContext;

inline constexpr const char* kHTTPAuthenticationSchemeNTLM = "NTLM";

// One challenge of a WWW-Authenticate or Proxy-Authenticate header: the scheme and its parameters,
// or the single token that some schemes carry instead ("NTLM TlRMTVNT..."). A challenge whose header
// value holds a carriage return or a NUL (which no header value may hold) is malformed: where its
// parameters end cannot be told, and they are never answered.
struct HTTPChallenge {
  std::string scheme;
  std::vector<std::pair<std::string, std::string>> parameters;  // names in lower case
  std::optional<std::string> token68;
  bool malformed = false;
  std::optional<std::string> parameter(std::string_view name) const;
};
// Every challenge of a header value (several may stand in one value, separated by commas).
std::vector<HTTPChallenge> parseChallenges(std::string_view value);

class HTTPAuthentication {
 public:
  // Error codes of an object that is not valid (the platform's HTTP stream numbering).
  static constexpr int BadUserNameError = -1001;
  static constexpr int BadPasswordError = -1002;

  // None when the response names no scheme the engine speaks. A proxy's Digest answer for an https
  // request is made for its CONNECT (the method "CONNECT", the host and port as the URI).
  static std::shared_ptr<HTTPAuthentication> fromResponse(const HTTPHeaders& headers, bool proxy);

  HTTPAuthentication();
  ~HTTPAuthentication();

  std::string method() const;                // "Basic", "Digest" or "NTLM"
  std::optional<std::string> realm() const;  // none for NTLM
  bool requiresUsernameAndPassword() const { return true; }
  bool requiresAccountDomain() const;
  // Whether credentials that worked may go with a later request before any challenge. Not for
  // NTLM, whose answer belongs to the handshake of one connection.
  bool canAnswerBeforeChallenge() const { return !requiresAccountDomain(); }

  // A new challenge arrived for a request that used this object.
  void updateFromResponse(const HTTPHeaders& headers);
  // Valid unless credentials applied with it were refused; `errorCode` then says why.
  bool isValid(int* errorCode = nullptr) const;
  // Sets "Authorization" (or "Proxy-Authorization") on the message. `challenger` is the host that
  // asked: the URL's for a server, the proxy's for a proxy; an NTLM handshake is made for its HTTP
  // service. False when it cannot: refused credentials, a malformed challenge, an NTLM handshake with
  // no challenge to answer or one whose challenge is not a well-formed challenge message, or GSSAPI
  // failing (see error()).
  bool applyCredentials(HTTPMessage& message, const HTTPCredentials& credentials, const std::string& challenger);
  // Why the last application failed, when GSSAPI said.
  std::string error() const;

 private:
  mutable std::mutex mutex_;
  bool proxy_ = false;
  std::string scheme_;
  std::optional<std::string> realm_;
  // Digest.
  std::string nonce_;
  std::optional<std::string> opaque_;
  std::string algorithm_;  // "MD5" or "MD5-sess"
  bool qopAuth_ = false;
  unsigned nonceCount_ = 0;
  // NTLM: the handshake, and the server's challenge once it has come.
  std::unique_ptr<NTLMSecurityContext> ntlm_;
  std::optional<std::string> ntlmChallenge_;
  bool ntlmAuthenticated_ = false;  // the authenticate message has been made
  // Why the last challenge cannot be answered, once a malformed one came.
  std::optional<std::string> challengeFault_;
  std::string error_;
  // State.
  bool applied_ = false;
  bool refused_ = false;
  bool staleRoundUsed_ = false;
};

}  // namespace td
