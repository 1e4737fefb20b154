#include "http/HTTPAuthentication.h"

#include <openssl/rand.h>

#include <cstdio>

#include "http/ASIHTTPRequest.h"
#include "http/HTTPUtilities.h"
#include "http/NTLMSecurityContext.h"
#include "platform/CryptoPrimitives.h"
#include "wire/Base64.h"

namespace td {
namespace {

std::string md5Hex(std::string_view text) {
  const auto digest = crypto::md5(text);
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (auto b : digest) {
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 15]);
  }
  return out;
}

bool isToken68Char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string_view("-._~+/").find(c) != std::string_view::npos;
}

// The challenges of `scheme` in the header, in order.
std::vector<HTTPChallenge> challengesOf(const HTTPHeaders& headers, bool proxy, std::string_view scheme) {
  std::vector<HTTPChallenge> out;
  const std::string* value = headers.find(proxy ? "Proxy-Authenticate" : "WWW-Authenticate");
  if (!value) return out;
  for (auto& c : parseChallenges(*value))
    if (equalsIgnoringCase(c.scheme, scheme)) out.push_back(std::move(c));
  return out;
}

}  // namespace

std::optional<std::string> HTTPChallenge::parameter(std::string_view name) const {
  for (const auto& [n, v] : parameters)
    if (n == name) return v;
  return std::nullopt;
}

std::vector<HTTPChallenge> parseChallenges(std::string_view text) {
  std::vector<HTTPChallenge> out;
  std::size_t i = 0;
  auto skipSpace = [&] {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == ',')) ++i;
  };
  while (true) {
    skipSpace();
    if (i >= text.size()) break;
    const std::size_t start = i;
    while (i < text.size() && isTokenChar(text[i])) ++i;
    if (i == start) {
      ++i;  // a stray character
      continue;
    }
    std::string token(text.substr(start, i - start));
    std::size_t j = i;
    while (j < text.size() && (text[j] == ' ' || text[j] == '\t')) ++j;
    if (j < text.size() && text[j] == '=' && !out.empty()) {
      // A parameter of the current challenge.
      i = j + 1;
      while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
      std::string value;
      if (i < text.size() && text[i] == '"') {
        ++i;
        while (i < text.size() && text[i] != '"') {
          if (text[i] == '\\' && i + 1 < text.size()) ++i;
          value.push_back(text[i++]);
        }
        if (i < text.size()) ++i;
      } else {
        while (i < text.size() && text[i] != ',' && text[i] != ' ' && text[i] != '\t') value.push_back(text[i++]);
      }
      out.back().parameters.emplace_back(toLower(token), value);
    } else if (j < text.size() && text[j] == '=' && out.empty()) {
      // Parameters with no scheme before them: skip the value.
      i = j + 1;
      while (i < text.size() && text[i] != ',') ++i;
    } else {
      // A new scheme, perhaps with a token68 value ("NTLM TlRMTVNTUAAC...==") up to a comma or the end.
      HTTPChallenge challenge;
      challenge.scheme = token;
      std::size_t end = j;
      while (end < text.size() && isToken68Char(text[end])) ++end;
      std::size_t padded = end;
      while (padded < text.size() && text[padded] == '=') ++padded;
      std::size_t next = padded;
      while (next < text.size() && (text[next] == ' ' || text[next] == '\t')) ++next;
      if (end > j && (next == text.size() || text[next] == ',')) {
        challenge.token68 = std::string(text.substr(j, padded - j));
        i = next;
      }
      out.push_back(std::move(challenge));
    }
  }
  if (holdsLineBreakOrNul(text))
    for (auto& c : out) c.malformed = true;
  return out;
}

std::shared_ptr<HTTPAuthentication> HTTPAuthentication::fromResponse(const HTTPHeaders& headers, bool proxy) {
  const std::string* value = headers.find(proxy ? "Proxy-Authenticate" : "WWW-Authenticate");
  if (!value) return nullptr;
  const auto challenges = parseChallenges(*value);
  const HTTPChallenge* digest = nullptr;
  const HTTPChallenge* basic = nullptr;
  bool ntlm = false;
  for (const auto& c : challenges) {
    if (c.malformed) continue;
    if (equalsIgnoringCase(c.scheme, kHTTPAuthenticationSchemeNTLM)) {
      ntlm = NTLMSecurityContext::available();
    } else if (equalsIgnoringCase(c.scheme, "Digest") && !digest) {
      const std::string algorithm = toLower(c.parameter("algorithm").value_or("MD5"));
      const std::string qop = toLower(c.parameter("qop").value_or(""));
      const bool qopUsable = qop.empty() || qop.find("auth") != std::string::npos;
      if ((algorithm == "md5" || algorithm == "md5-sess") && c.parameter("nonce") && qopUsable) digest = &c;
    } else if (equalsIgnoringCase(c.scheme, "Basic") && !basic) {
      basic = &c;
    }
  }
  if (ntlm) {
    // The challenge's own token, if any, answers a negotiate message this object never sent.
    auto auth = std::make_shared<HTTPAuthentication>();
    auth->proxy_ = proxy;
    auth->scheme_ = kHTTPAuthenticationSchemeNTLM;
    return auth;
  }
  const HTTPChallenge* chosen = digest ? digest : basic;
  if (!chosen) return nullptr;
  auto auth = std::make_shared<HTTPAuthentication>();
  auth->proxy_ = proxy;
  auth->scheme_ = digest ? "Digest" : "Basic";
  auth->realm_ = chosen->parameter("realm");
  if (digest) {
    auth->nonce_ = *chosen->parameter("nonce");
    auth->opaque_ = chosen->parameter("opaque");
    auth->algorithm_ = equalsIgnoringCase(chosen->parameter("algorithm").value_or("MD5"), "MD5-sess") ? "MD5-sess" : "MD5";
    const std::string qop = toLower(chosen->parameter("qop").value_or(""));
    auth->qopAuth_ = !qop.empty();
  }
  return auth;
}

HTTPAuthentication::HTTPAuthentication() = default;
HTTPAuthentication::~HTTPAuthentication() = default;

bool HTTPAuthentication::requiresAccountDomain() const {
  std::lock_guard lock(mutex_);
  return scheme_ == kHTTPAuthenticationSchemeNTLM;
}

std::string HTTPAuthentication::error() const {
  std::lock_guard lock(mutex_);
  return error_;
}

std::string HTTPAuthentication::method() const {
  std::lock_guard lock(mutex_);
  return scheme_;
}

std::optional<std::string> HTTPAuthentication::realm() const {
  std::lock_guard lock(mutex_);
  return realm_;
}

void HTTPAuthentication::updateFromResponse(const HTTPHeaders& headers) {
  std::lock_guard lock(mutex_);
  if (!applied_) return;
  if (scheme_ == kHTTPAuthenticationSchemeNTLM && ntlmAuthenticated_) return;  // the request counts it
  const auto challenges = challengesOf(headers, proxy_, scheme_);
  if (!challenges.empty() && challenges.front().malformed) {
    challengeFault_ = "The " + scheme_ + " challenge holds a line break or NUL character";
    applied_ = false;
    return;
  }
  if (scheme_ == kHTTPAuthenticationSchemeNTLM) {
    if (!challenges.empty() && challenges.front().token68) {
      ntlmChallenge_ = challenges.front().token68;
      applied_ = false;
    } else {
      refused_ = true;  // the negotiate message met no challenge
    }
    return;
  }
  if (scheme_ == "Digest" && !staleRoundUsed_) {
    for (const auto& c : challenges) {
      if (equalsIgnoringCase(c.parameter("stale").value_or(""), "true") && c.parameter("nonce")) {
        // Only the nonce aged: the same credentials go once more with the new one.
        staleRoundUsed_ = true;
        nonce_ = *c.parameter("nonce");
        opaque_ = c.parameter("opaque");
        nonceCount_ = 0;
        applied_ = false;
        return;
      }
    }
  }
  refused_ = true;
}

bool HTTPAuthentication::isValid(int* errorCode) const {
  std::lock_guard lock(mutex_);
  if (refused_ && errorCode) *errorCode = BadPasswordError;
  return !refused_;
}

bool HTTPAuthentication::applyCredentials(HTTPMessage& message, const HTTPCredentials& credentials,
                                          const std::string& challenger) {
  std::lock_guard lock(mutex_);
  if (refused_) return false;
  error_.clear();
  if (challengeFault_) {
    error_ = *challengeFault_;
    return false;
  }
  const char* header = proxy_ ? "Proxy-Authorization" : "Authorization";
  if (scheme_ == kHTTPAuthenticationSchemeNTLM) {
    std::optional<std::string> ntlmMessage;
    if (!ntlm_ && !ntlmAuthenticated_) {
      ntlm_ = NTLMSecurityContext::start(credentials.domain.value_or(""), credentials.username, credentials.password,
                                         challenger, &error_);
      if (ntlm_) ntlmMessage = ntlm_->negotiateMessage(&error_);
    } else if (ntlm_ && ntlmChallenge_) {
      // An empty token, or one that decodes to nothing, is refused with the rest (see challengeFault).
      if (const auto challenge = Base64::decodeBase64WithString(*ntlmChallenge_))
        ntlmMessage = ntlm_->authenticateMessage(*challenge, &error_);
      else
        error_ = "The NTLM challenge is not Base64";
      ntlmAuthenticated_ = true;
      ntlm_.reset();  // the handshake is over either way
    } else {
      error_ = "The NTLM handshake has no challenge to answer";
    }
    if (!ntlmMessage) return false;
    message.headers.set(header, "NTLM " + base64forData(*ntlmMessage));
    applied_ = true;
    return true;
  }
  if (scheme_ == "Basic") {
    message.headers.set(header, "Basic " + base64forData(credentials.username + ":" + credentials.password));
  } else {
    const URL& url = message.url;
    // The answer is for the request's target as its receiver reads it: a proxy sees host:port in the
    // CONNECT of a tunnel and the absolute URL of a plain request; a server sees the path and query.
    const bool tunnel = proxy_ && url.scheme() == "https";
    const std::string pathAndQuery = url.path() + (url.query().empty() ? "" : "?" + url.query());
    const std::string uri = tunnel   ? url.tunnelTarget()
                            : proxy_ ? url.transportString()
                                     : pathAndQuery;
    const std::string method = tunnel ? "CONNECT" : message.method;
    const std::string realm = realm_.value_or("");
    unsigned char random[8];
    RAND_bytes(random, sizeof random);
    const std::string cnonce = md5Hex(std::string_view(reinterpret_cast<const char*>(random), sizeof random)).substr(0, 16);
    ++nonceCount_;
    char nc[9];
    std::snprintf(nc, sizeof nc, "%08x", nonceCount_);
    std::string ha1 = md5Hex(credentials.username + ":" + realm + ":" + credentials.password);
    if (algorithm_ == "MD5-sess") ha1 = md5Hex(ha1 + ":" + nonce_ + ":" + cnonce);
    const std::string ha2 = md5Hex(method + ":" + uri);
    const std::string response = qopAuth_ ? md5Hex(ha1 + ":" + nonce_ + ":" + nc + ":" + cnonce + ":auth:" + ha2)
                                          : md5Hex(ha1 + ":" + nonce_ + ":" + ha2);
    auto quote = [](const std::string& s) {
      std::string out = "\"";
      for (char c : s) {
        if (c == '"' || c == '\\') out.push_back('\\');
        out.push_back(c);
      }
      return out + "\"";
    };
    std::string value = "Digest username=" + quote(credentials.username) + ", realm=" + quote(realm) +
                        ", nonce=" + quote(nonce_) + ", uri=" + quote(uri) + ", response=" + quote(response) +
                        ", algorithm=" + algorithm_;
    if (opaque_) value += ", opaque=" + quote(*opaque_);
    if (qopAuth_) value += std::string(", qop=auth, nc=") + nc + ", cnonce=" + quote(cnonce);
    message.headers.set(header, value);
  }
  applied_ = true;
  return true;
}

}  // namespace td
