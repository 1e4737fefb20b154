// Answering server (401) and proxy (407) challenges: building the authentication object, finding
// credentials (session store, URL, main request, the request itself, for a proxy the desktop's
// account, the saved credentials, last the delegate), applying them and starting again; the Basic
// header sent before any challenge.
// Credentials that were refused are never offered again, and nothing waits for ever.

#include <algorithm>

#include "http/ASIHTTPRequest.h"
#include "http/ASIHTTPRequestInternal.h"
#include "http/HTTPAuthentication.h"
#include "http/HTTPCredentialKeyring.h"
#include "http/HTTPProxySettings.h"
#include "http/RunLoop.h"

namespace td {
namespace {

bool sameOrigin(const URL& a, const URL& b) {
  return a.scheme() == b.scheme() && a.host() == b.host() && a.effectivePort() == b.effectivePort();
}

// A user name with a line break would split the head of a Digest answer; none is ever sent.
bool safeToSend(const HTTPCredentialsPtr& credentials) {
  return credentials && !holdsLineBreakOrNul(credentials->username);
}

// Code 7, with the reason when one is known: a user name that may not be sent, or GSSAPI's word.
HTTPErrorPtr credentialsNotApplied(const char* description, const HTTPCredentialsPtr& credentials,
                                   const HTTPAuthentication* authentication = nullptr) {
  std::string reason;
  if (credentials && !safeToSend(credentials)) reason = "The user name contains a line break or NUL character";
  else if (authentication) reason = authentication->error();
  return HTTPError::make(NetworkRequestErrorDomain, ASIInternalErrorWhileApplyingCredentialsType, description, nullptr,
                         std::move(reason));
}

// Credentials for a scheme that needs an account domain (NTLM) get one: `domain` when it is set,
// else the part before the backslash of a user name holding exactly one (the user being the part
// after it), else `fallback`, else the empty domain.
HTTPCredentialsPtr credentialsFor(const HTTPAuthentication* authentication, std::string user, std::string password,
                                  const std::optional<std::string>& domain,
                                  const std::optional<std::string>& fallback = std::nullopt) {
  std::optional<std::string> accountDomain;
  if (authentication && authentication->requiresAccountDomain()) {
    if (domain && !domain->empty()) {
      accountDomain = domain;
    } else if (std::count(user.begin(), user.end(), '\\') == 1) {
      const auto slash = user.find('\\');
      accountDomain = user.substr(0, slash);
      user.erase(0, slash + 1);
    } else {
      accountDomain = fallback.value_or("");
    }
  }
  return std::make_shared<const HTTPCredentials>(
      HTTPCredentials{std::move(user), std::move(password), std::move(accountDomain)});
}

HTTPProtectionSpace serverSpace(const std::string& host, int port, const std::string& protocol,
                                const std::optional<std::string>& realm) {
  return HTTPProtectionSpace{false, host, port, protocol, realm.value_or("")};
}

HTTPProtectionSpace proxySpace(const std::string& host, int port, const std::optional<std::string>& realm) {
  return HTTPProtectionSpace{true, host, port, "http", realm.value_or("")};
}

// The keyring keeps a user name and a password: an account domain goes before the user name
// ("DOMAIN\user"), where the NTLM answer of a later run splits it off again.
HTTPCredentials forKeyring(const HTTPCredentials& credentials) {
  if (!credentials.domain || credentials.domain->empty()) return {credentials.username, credentials.password, {}};
  return {*credentials.domain + "\\" + credentials.username, credentials.password, {}};
}

}  // namespace

void ASIHTTPRequest::saveCredentials(const HTTPCredentials& credentials, const std::string& host, int port,
                                     const std::string& protocol, const std::optional<std::string>& realm) {
  HTTPCredentialKeyring::saveAndWait(serverSpace(host, port, protocol, realm), forKeyring(credentials));
}

void ASIHTTPRequest::saveCredentialsForProxy(const HTTPCredentials& credentials, const std::string& host, int port,
                                             const std::optional<std::string>& realm) {
  HTTPCredentialKeyring::saveAndWait(proxySpace(host, port, realm), forKeyring(credentials));
}

std::optional<HTTPCredentials> ASIHTTPRequest::savedCredentialsForHost(const std::string& host, int port,
                                                                       const std::string& protocol,
                                                                       const std::optional<std::string>& realm) {
  return HTTPCredentialKeyring::findAndWait(serverSpace(host, port, protocol, realm));
}

std::optional<HTTPCredentials> ASIHTTPRequest::savedCredentialsForProxy(const std::string& host, int port,
                                                                        const std::optional<std::string>& realm) {
  return HTTPCredentialKeyring::findAndWait(proxySpace(host, port, realm));
}

void ASIHTTPRequest::removeCredentialsForHost(const std::string& host, int port, const std::string& protocol,
                                              const std::optional<std::string>& realm) {
  HTTPCredentialKeyring::removeAndWait(serverSpace(host, port, protocol, realm));
}

void ASIHTTPRequest::removeCredentialsForProxy(const std::string& host, int port, const std::optional<std::string>& realm) {
  HTTPCredentialKeyring::removeAndWait(proxySpace(host, port, realm));
}

HTTPProtectionSpace ASIHTTPRequest::keyringSpace(bool proxy) const {
  std::lock_guard lock(cancelledLock_);
  return proxy ? proxySpace(proxyHost_.value_or(""), proxyPort_, proxyAuthenticationRealm_)
               : serverSpace(url_.host(), url_.port().value_or(0), url_.scheme(), authenticationRealm_);
}

void ASIHTTPRequest::storeCredentialsThatWorked() {
  std::lock_guard lock(cancelledLock_);
  // Credentials applied to a challenge worked once a response asks for nothing more; with keychain
  // persistence they are saved then (so that refused ones are never written). The keyring saves them
  // on its own thread: the request does not wait for it.
  if (useKeychainPersistence_ && authenticationNeeded_ == 0 && requestCredentials_ &&
      requestCredentials_ != keychainCredentials_) {
    HTTPCredentialKeyring::save(keyringSpace(false), forKeyring(*requestCredentials_));
    keychainCredentials_ = requestCredentials_;
  }
  if (useKeychainPersistence_ && authenticationNeeded_ != 2 && proxyCredentials_ &&
      proxyCredentials_ != keychainProxyCredentials_) {
    HTTPCredentialKeyring::save(keyringSpace(true), forKeyring(*proxyCredentials_));
    keychainProxyCredentials_ = proxyCredentials_;
  }
  if (authenticationNeeded_ == 0) storeBasicCredentialsAfterResponse();
}

void ASIHTTPRequest::forgetRefusedCredentials(bool proxy, const HTTPCredentialsPtr& refused) {
  std::lock_guard lock(cancelledLock_);
  if (!refused) return;
  if (proxy) removeProxyAuthenticationCredentialsFromSessionStore(refused);
  else removeAuthenticationCredentialsFromSessionStore(refused);
  // With keychain persistence the saved credentials go too, when they are the refused ones.
  if (!useKeychainPersistence_) return;
  const HTTPCredentials saved = forKeyring(*refused);
  HTTPCredentialKeyring::remove(keyringSpace(proxy), &saved);
}

void ASIHTTPRequest::addBasicAuthenticationHeader(const std::string& user, const std::string& pass) {
  std::lock_guard lock(cancelledLock_);
  if (holdsLineBreakOrNul(user)) {
    failWithError(credentialsNotApplied("Failed to apply credentials to request",
                                        std::make_shared<const HTTPCredentials>(HTTPCredentials{user, pass, {}})));
    return;
  }
  requestHeaders_.set("Authorization", "Basic " + base64forData(user + ":" + pass));
  authenticationScheme_ = kHTTPAuthenticationSchemeBasic;
}

void ASIHTTPRequest::storeBasicCredentialsAfterResponse() {
  std::lock_guard lock(cancelledLock_);
  if (requestAuthentication_ || authenticationScheme_ != kHTTPAuthenticationSchemeBasic || !username_ || !password_ ||
      !useSessionPersistence_)
    return;
  // One record per URL and credentials, however often they are sent.
  for (const ASISessionCredentials& record : sessionCredentialsStore()) {
    if (record.url == url_ && record.credentials && record.credentials->username == *username_ &&
        record.credentials->password == *password_ && record.authenticationScheme == kHTTPAuthenticationSchemeBasic)
      return;
  }
  ASISessionCredentials record;
  record.credentials = std::make_shared<const HTTPCredentials>(HTTPCredentials{*username_, *password_, std::nullopt});
  record.url = url_;
  record.authenticationScheme = kHTTPAuthenticationSchemeBasic;
  storeAuthenticationCredentialsInSessionStore(std::move(record));
}

void ASIHTTPRequest::forgetServerCredentials() {
  std::lock_guard lock(cancelledLock_);
  // The new origin gets credentials only from its own sources: its session records, the saved
  // credentials for it, or the delegate.
  username_.reset();
  password_.reset();
  domain_.reset();
  requestCredentials_.reset();
  requestAuthentication_.reset();
  authenticationScheme_.reset();
  authenticationRealm_.reset();
  authenticationRetryCount_ = 0;
}

void ASIHTTPRequest::findCredentials(CredentialsAnswer answer) {
  std::optional<std::string> user, pass;
  {
    std::lock_guard lock(cancelledLock_);
    const auto main = mainRequest();
    if (url_.user() && url_.password()) {
      user = url_.user();
      pass = url_.password();
    } else if (main && sameOrigin(main->url(), url_) && main->username() && main->password()) {
      user = main->username();
      pass = main->password();
    } else if (username_ && password_) {
      user = username_;
      pass = password_;
    }
  }
  answerWithCredentials(false, user, pass, std::move(answer));
}

void ASIHTTPRequest::findProxyCredentials(CredentialsAnswer answer) {
  std::optional<std::string> user, pass;
  URL url;
  std::string proxyHost;
  int proxyPort = 0;
  {
    std::lock_guard lock(cancelledLock_);
    url = url_;
    proxyHost = proxyHost_.value_or("");
    proxyPort = proxyPort_;
    if (auto main = mainRequest(); main && main->proxyUsername() && main->proxyPassword()) {
      user = main->proxyUsername();
      pass = main->proxyPassword();
    } else if (proxyUsername_ && proxyPassword_) {
      user = proxyUsername_;
      pass = proxyPassword_;
    } else if (proxyAuthenticationScheme_ == kHTTPAuthenticationSchemeNTLM && username_ && password_) {
      // An NTLM proxy usually knows the accounts of the server behind it.
      user = username_;
      pass = password_;
    }
  }
  // The account the desktop keeps for the proxy its settings name for this URL.
  if (!user || !pass) {
    if (auto account = systemProxyAccount(url, proxyHost, proxyPort)) {
      user = std::move(account->user);
      pass = std::move(account->password);
    }
  }
  answerWithCredentials(true, user, pass, std::move(answer));
}

void ASIHTTPRequest::answerWithCredentials(bool proxy, const std::optional<std::string>& user,
                                           const std::optional<std::string>& pass, CredentialsAnswer answer) {
  if (user && pass) {
    answer(credentialsForChallenge(proxy, *user, *pass));
    return;
  }
  // The keyring is read on its own thread: for a server only by a request that asked for saved
  // credentials, for a proxy by every request (a proxy's saved credentials serve whoever goes through it).
  if (!proxy && !useKeychainPersistence()) {
    answer(nullptr);
    return;
  }
  // While it waits the request is under way, not complete: a synchronous one keeps running its loop,
  // and a cancel ends it.
  setComplete(false);
  auto self = std::static_pointer_cast<ASIHTTPRequest>(shared_from_this());
  HTTPCredentialKeyring::find(keyringSpace(proxy), [self, proxy, answer = std::move(answer)](
                                                       std::optional<HTTPCredentials> saved) {
    // On the keyring's thread: the request goes on on its own loop (read under the lock, so that a
    // synchronous request that has ended hands it to the network thread).
    std::lock_guard lock(self->cancelledLock_);
    self->requestLoop().post([self, proxy, answer, saved = std::move(saved)] {
      answer(saved ? self->credentialsForChallenge(proxy, saved->username, saved->password) : nullptr);
    });
  });
}

HTTPCredentialsPtr ASIHTTPRequest::credentialsForChallenge(bool proxy, std::string user, std::string pass) const {
  std::lock_guard lock(cancelledLock_);
  if (proxy) return credentialsFor(proxyAuthentication_.get(), std::move(user), std::move(pass), proxyDomain_, domain_);
  return credentialsFor(requestAuthentication_.get(), std::move(user), std::move(pass), domain_);
}

bool ASIHTTPRequest::applyCredentials(const HTTPCredentialsPtr& credentials) {
  std::lock_guard lock(cancelledLock_);
  ++authenticationRetryCount_;
  if (!safeToSend(credentials) || !requestAuthentication_ || !request_) return false;
  if (requestAuthentication_->applyCredentials(*request_, *credentials, url_.host())) {
    if (useSessionPersistence_) {
      ASISessionCredentials record;
      record.credentials = credentials;
      record.authentication = requestAuthentication_;
      record.authenticationScheme = requestAuthentication_->method();
      record.url = url_;
      record.authenticationRealm = authenticationRealm_;
      storeAuthenticationCredentialsInSessionStore(std::move(record));
    }
    requestCredentials_ = credentials;
    return true;
  }
  removeAuthenticationCredentialsFromSessionStore(credentials);
  return false;
}

bool ASIHTTPRequest::applyProxyCredentials(const HTTPCredentialsPtr& credentials) {
  std::lock_guard lock(cancelledLock_);
  ++proxyAuthenticationRetryCount_;
  if (!safeToSend(credentials) || !proxyAuthentication_ || !request_) return false;
  // The handshake with a proxy is for the proxy's own service, not the origin's.
  if (proxyAuthentication_->applyCredentials(*request_, *credentials, proxyHost_.value_or(""))) {
    if (useSessionPersistence_) {
      ASISessionCredentials record;
      record.credentials = credentials;
      record.authentication = proxyAuthentication_;
      record.authenticationScheme = proxyAuthentication_->method();
      record.host = proxyHost_.value_or("");
      record.port = proxyPort_;
      record.proxyType = proxyKind();
      storeProxyAuthenticationCredentialsInSessionStore(std::move(record));
    }
    proxyCredentials_ = credentials;
    ntlmProxyMessagePending_ = !proxyAuthentication_->canAnswerBeforeChallenge();
    return true;
  }
  removeProxyAuthenticationCredentialsFromSessionStore(credentials);
  return false;
}

bool ASIHTTPRequest::startProxyHandshakeAhead() {
  std::lock_guard lock(cancelledLock_);
  if (!request_) return false;
  const bool ntlm = proxyAuthenticationScheme_ == kHTTPAuthenticationSchemeNTLM;
  if (proxyAuthentication_ && !ntlm) return false;  // answering the proxy in another scheme
  // The credentials of this request's own handshake with the proxy, else those the session keeps
  // for the proxy once it asked for NTLM.
  HTTPCredentialsPtr credentials = ntlm ? proxyCredentials_ : nullptr;
  if (!credentials && useSessionPersistence_) {
    if (auto record = findSessionProxyAuthenticationCredentials();
        record && record->authenticationScheme == kHTTPAuthenticationSchemeNTLM)
      credentials = record->credentials;
  }
  if (!credentials) return false;
  // A new handshake, as the proxy's challenge would begin it.
  HTTPHeaders challenge;
  challenge.set("Proxy-Authenticate", kHTTPAuthenticationSchemeNTLM);
  auto authentication = HTTPAuthentication::fromResponse(challenge, true);
  if (!authentication || authentication->method() != kHTTPAuthenticationSchemeNTLM) return false;
  proxyAuthentication_ = std::move(authentication);
  proxyAuthenticationScheme_ = kHTTPAuthenticationSchemeNTLM;
  proxyAuthenticationRealm_.reset();
  proxyAuthenticationRetryCount_ = 0;
  if (applyProxyCredentials(credentials)) {
    ntlmProxyMessagePending_ = false;  // it goes with this attempt's CONNECT
    return true;
  }
  proxyAuthentication_.reset();
  proxyAuthenticationRetryCount_ = 0;
  return false;
}

bool ASIHTTPRequest::willAskDelegateForCredentials(ASISelector question, BasicBlock ASIHTTPRequest::*block) {
  std::lock_guard lock(cancelledLock_);
  if (isSynchronous_) return false;
  // Not on the main thread: the delegate's token answers for it.
  auto q = queue_.lock();
  const bool delegateAnswers = delegate_ ? delegate_.answers(question) : (q && q->respondsToSelector(question));
  if (!delegateAnswers && !(this->*block)) return false;
  // While the delegate answers the request is under way, not complete: a cancel ends it.
  setComplete(false);
  deliverOnMainThread([question, block](ASIHTTPRequest& self) { self.askDelegateForCredentials(question, block); });
  return true;
}

void ASIHTTPRequest::askDelegateForCredentials(ASISelector question, BasicBlock ASIHTTPRequest::*block) {
  BasicBlock answer;
  {
    std::lock_guard lock(cancelledLock_);
    answer = this->*block;
  }
  auto* d = delegate();
  auto q = queue();
  ASIHTTPRequestDelegate* target = d ? d : q.get();
  if (target && target->respondsToSelector(question)) {
    target->performSelector(question, *this);
  } else if (answer) {
    answer();
  } else {
    cancelAuthentication();  // nobody left to answer: the request ends instead of waiting
  }
}

void ASIHTTPRequest::retryUsingSuppliedCredentials() {
  auto self = std::static_pointer_cast<ASIHTTPRequest>(shared_from_this());
  requestLoop().post([self] {
    if (self->requestMessage()) self->attemptToApplyCredentialsAndResume();
    else self->main();
  });
}

void ASIHTTPRequest::cancelAuthentication() {
  auto self = std::static_pointer_cast<ASIHTTPRequest>(shared_from_this());
  requestLoop().post([self] { self->failAuthentication(); });
}

void ASIHTTPRequest::failAuthentication() {
  std::lock_guard lock(cancelledLock_);
  cancelLoad();
  failWithError(ASIAuthenticationError());
}

// What differs between answering a server's challenge and a proxy's.
struct ASIHTTPRequest::ChallengeSide {
  bool proxy;
  int ASIHTTPRequest::*applications;
  std::shared_ptr<HTTPAuthentication> ASIHTTPRequest::*authentication;
  std::optional<std::string> ASIHTTPRequest::*scheme;
  std::optional<std::string> ASIHTTPRequest::*realm;
  HTTPCredentialsPtr ASIHTTPRequest::*applied;
  std::optional<ASISessionCredentials> (ASIHTTPRequest::*findSession)() const;
  void (ASIHTTPRequest::*find)(CredentialsAnswer);
  bool (ASIHTTPRequest::*apply)(const HTTPCredentialsPtr&);
  ASISelector question;
  BasicBlock ASIHTTPRequest::*questionBlock;
  const char* applyFailure;
};

void ASIHTTPRequest::attemptToApplyCredentialsAndResume() {
  static const ChallengeSide server{false,
                                    &ASIHTTPRequest::authenticationRetryCount_,
                                    &ASIHTTPRequest::requestAuthentication_,
                                    &ASIHTTPRequest::authenticationScheme_,
                                    &ASIHTTPRequest::authenticationRealm_,
                                    &ASIHTTPRequest::requestCredentials_,
                                    &ASIHTTPRequest::findSessionAuthenticationCredentials,
                                    &ASIHTTPRequest::findCredentials,
                                    &ASIHTTPRequest::applyCredentials,
                                    ASISelector::authenticationNeededForRequest,
                                    &ASIHTTPRequest::authenticationNeededBlock_,
                                    "Failed to apply credentials to request"};
  {
    std::lock_guard lock(cancelledLock_);
    if (authenticationNeeded_ == 2) {
      attemptToApplyProxyCredentialsAndResume();
      return;
    }
  }
  resumeAfterChallenge(server);
}

void ASIHTTPRequest::attemptToApplyProxyCredentialsAndResume() {
  static const ChallengeSide proxy{true,
                                   &ASIHTTPRequest::proxyAuthenticationRetryCount_,
                                   &ASIHTTPRequest::proxyAuthentication_,
                                   &ASIHTTPRequest::proxyAuthenticationScheme_,
                                   &ASIHTTPRequest::proxyAuthenticationRealm_,
                                   &ASIHTTPRequest::proxyCredentials_,
                                   &ASIHTTPRequest::findSessionProxyAuthenticationCredentials,
                                   &ASIHTTPRequest::findProxyCredentials,
                                   &ASIHTTPRequest::applyProxyCredentials,
                                   ASISelector::proxyAuthenticationNeededForRequest,
                                   &ASIHTTPRequest::proxyAuthenticationNeededBlock_,
                                   "Failed to apply proxy credentials to request"};
  resumeAfterChallenge(proxy);
}

bool ASIHTTPRequest::applyAndStart(const ChallengeSide& side, std::unique_lock<RecursiveMutex>& lock,
                                   const HTTPCredentialsPtr& credentials) {
  if (!(this->*side.apply)(credentials)) return false;
  lock.unlock();
  startRequest();
  return true;
}

void ASIHTTPRequest::resumeWithCredentials(const ChallengeSide& side, const HTTPCredentialsPtr& credentials) {
  std::unique_lock lock(cancelledLock_);
  if (error_ || cancelled_.load()) return;
  if (credentials) {
    if (!applyAndStart(side, lock, credentials))
      failWithError(credentialsNotApplied(side.applyFailure, credentials, (this->*side.authentication).get()));
    return;
  }
  // The delegate answers through retry or cancel.
  std::unique_lock authLock(asiState().delegateAuthenticationLock);
  if (willAskDelegateForCredentials(side.question, side.questionBlock)) return;
  authLock.unlock();
  failWithError(ASIAuthenticationError());
}

void ASIHTTPRequest::resumeAfterChallenge(const ChallengeSide& side) {
  std::unique_lock lock(cancelledLock_);
  if (error_ || cancelled_.load()) return;
  auto& authentication = this->*side.authentication;
  const HTTPResponseHead* head = readStream_ ? readStream_->responseHead().get() : nullptr;
  if (!authentication) {
    if (head) authentication = HTTPAuthentication::fromResponse(head->headers, side.proxy);
    if (!authentication) {
      cancelLoad();
      failWithError(HTTPError::make(NetworkRequestErrorDomain, ASIInternalErrorWhileApplyingCredentialsType,
                                    "Failed to get authentication object from response headers"));
      return;
    }
    this->*side.scheme = authentication->method();
  } else if (head) {
    authentication->updateFromResponse(head->headers);
  }
  this->*side.realm = std::nullopt;
  if (!authentication->requiresAccountDomain()) this->*side.realm = authentication->realm();

  int streamError = 0;
  if (authentication->isValid(&streamError)) {
    cancelLoad();
    if (HTTPCredentialsPtr previous = this->*side.applied) {
      if (authentication->method() == kHTTPAuthenticationSchemeNTLM && this->*side.applications >= 2) {
        // Negotiate and authenticate made the whole handshake: a third challenge refuses them.
        forgetRefusedCredentials(side.proxy, previous);
        (this->*side.applied).reset();
        failWithError(ASIAuthenticationError());
        return;
      }
      if (!applyAndStart(side, lock, previous))
        failWithError(credentialsNotApplied(side.applyFailure, previous, authentication.get()));
      return;
    }
    std::unique_lock authLock(asiState().delegateAuthenticationLock);
    if (error_ || cancelled_.load()) return;
    if (useSessionPersistence_) {
      if (auto record = (this->*side.findSession)(); record && record->credentials) {
        authLock.unlock();
        if (applyAndStart(side, lock, record->credentials)) return;
        authLock.lock();
      }
    }
    // The other sources; the keyring's answer may come later, and nothing is held meanwhile.
    authLock.unlock();
    lock.unlock();
    auto self = std::static_pointer_cast<ASIHTTPRequest>(shared_from_this());
    (this->*side.find)([self, &side](const HTTPCredentialsPtr& found) { self->resumeWithCredentials(side, found); });
    return;
  }

  // The credentials were refused: they are forgotten and not offered again.
  authentication.reset();
  if (streamError == HTTPAuthentication::BadUserNameError || streamError == HTTPAuthentication::BadPasswordError) {
    std::unique_lock authLock(asiState().delegateAuthenticationLock);
    forgetRefusedCredentials(side.proxy, this->*side.applied);
    (this->*side.applied).reset();
    if (error_ || cancelled_.load()) return;
    lastActivityTime_.reset();
    if (willAskDelegateForCredentials(side.question, side.questionBlock)) return;
  }
  cancelLoad();
  failWithError(ASIAuthenticationError());
}

}  // namespace td
