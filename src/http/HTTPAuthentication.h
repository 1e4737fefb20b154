#pragma once
// An HTTP authentication object built from a server's (401) or a proxy's (407) challenge: it picks
// the strongest scheme offered that the engine speaks (Digest over Basic; NTLM and Negotiate are not
// offered) and applies credentials to a request message. Once credentials applied with it meet
// another challenge, the object is no longer valid (refused credentials are not sent again); a
// Digest server that only says its nonce was stale gets one more round.

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "http/HTTPHeaders.h"

namespace td {

struct HTTPMessage;
struct HTTPCredentials;

// One challenge of a WWW-Authenticate or Proxy-Authenticate header: the scheme and its parameters.
struct HTTPChallenge {
  std::string scheme;
  std::vector<std::pair<std::string, std::string>> parameters;  // names in lower case
  std::optional<std::string> parameter(std::string_view name) const;
};
// Every challenge of a header value (several may stand in one value, separated by commas).
std::vector<HTTPChallenge> parseChallenges(std::string_view value);

class HTTPAuthentication {
 public:
  // Error codes of an object that is not valid (the platform's HTTP stream numbering).
  static constexpr int BadUserNameError = -1001;
  static constexpr int BadPasswordError = -1002;

  // None when the response names no scheme the engine speaks.
  static std::shared_ptr<HTTPAuthentication> fromResponse(const HTTPHeaders& headers, bool proxy);

  std::string method() const;                // "Basic" or "Digest"
  std::optional<std::string> realm() const;
  bool requiresUsernameAndPassword() const { return true; }
  bool requiresAccountDomain() const { return false; }

  // A new challenge arrived for a request that used this object.
  void updateFromResponse(const HTTPHeaders& headers);
  // Valid unless credentials applied with it were refused; `errorCode` then says why.
  bool isValid(int* errorCode = nullptr) const;
  // Sets "Authorization" (or "Proxy-Authorization") on the message. False when it cannot.
  bool applyCredentials(HTTPMessage& message, const HTTPCredentials& credentials);

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
  // State.
  bool applied_ = false;
  bool refused_ = false;
  bool staleRoundUsed_ = false;
};

}  // namespace td
