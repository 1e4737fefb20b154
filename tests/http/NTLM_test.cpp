// NTLM against the local server, which accepts it through GSSAPI's NTLM mechanism (python3-gssapi
// with gss-ntlmssp) for the accounts of its NTLM_USER_FILE: as a server (401), as a proxy (407) and
// as a proxy of tunnels to nginx.

#include <gtest/gtest.h>

#include <thread>

#include "GSSNTLMSanitizers.h"
#include "HTTPTestSupport.h"
#include "http/NTLMSecurityContext.h"

namespace td {
namespace {

using test::RecordingDelegate;

class NTLMTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(NTLMSecurityContext::available()) << "GSSAPI offers no NTLM mechanism (gss-ntlmssp)";
    ASSERT_NE(server.port(), 0) << "the test server did not start";
    ASIHTTPRequest::clearSession();
  }
  // The server's next line about NTLM: "challenge", "passed <name>" or "refused", with the client's port.
  std::string step() {
    auto line = server.waitForLine("NTLM ");
    return line ? line->substr(5) : "";
  }

  test::MainQueueFixture main;
  test::NTLMAccounts accounts;
  test::TestServer server{"/usr/bin/python3"};
};

TEST_F(NTLMTest, AServerIsAnsweredOnOneConnectionWithTheDomainGivenOrInTheUserName) {
  struct Account {
    const char* username;
    std::optional<std::string> domain;
  };
  for (const Account& account : {Account{"TESTDOM\\ann", std::nullopt}, Account{"ann", std::string("TESTDOM")}}) {
    ASIHTTPRequest::clearSession();
    RecordingDelegate d;
    auto request = ASIHTTPRequest::requestWithURL(server.url("/ntlm?who=TESTDOM%5Cann"));
    request->setUsername(account.username);
    request->setPassword("secret");
    request->setDomain(account.domain);
    main.run(request, d);
    ASSERT_EQ(d.finished, 1) << account.username << " " << (d.lastError ? d.lastError->toString() : "");
    EXPECT_EQ(request->responseString(), "ntlm welcome");
    EXPECT_EQ(d.started, 3);  // the challenge, the negotiate message, the authenticate message
    EXPECT_EQ(request->authenticationScheme(), "NTLM");
    EXPECT_FALSE(request->authenticationRealm());
    // Both messages of the handshake came on one connection.
    const std::string challenged = step(), passed = step();
    ASSERT_EQ(challenged.rfind("challenge ", 0), 0u) << challenged;
    EXPECT_EQ(passed, "passed TESTDOM\\ann " + challenged.substr(10));
    const auto records = ASIHTTPRequest::sessionCredentialsStore();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(*records[0].credentials, (HTTPCredentials{"ann", "secret", std::string("TESTDOM")}));
  }

  // Credentials that worked answer the next request's own challenge, never ahead of it; a POST,
  // which keeps no connection in the pool, keeps one for its handshake.
  RecordingDelegate again;
  auto next = ASIHTTPRequest::requestWithURL(server.url("/ntlm?who=TESTDOM%5Cann"));
  next->appendPostData("form=1");
  main.run(next, again);
  EXPECT_EQ(again.finished, 1) << (again.lastError ? again.lastError->toString() : "");
  EXPECT_EQ(again.started, 3);
  EXPECT_EQ(next->requestMethod(), "POST");
}

TEST_F(NTLMTest, RefusedCredentialsEndWithTheAuthenticationErrorAtTheThirdChallenge) {
  struct Attempt {
    const char* username;
    const char* password;
  };
  // A wrong password; a user name with two backslashes stays whole and names no account.
  for (const Attempt& attempt : {Attempt{"TESTDOM\\ann", "wrong"}, Attempt{"TESTDOM\\ann\\x", "secret"}}) {
    RecordingDelegate d;
    auto request = ASIHTTPRequest::requestWithURL(server.url("/ntlm"));
    request->setUsername(attempt.username);
    request->setPassword(attempt.password);
    main.run(request, d);
    ASSERT_EQ(d.failed, 1) << attempt.username;
    EXPECT_EQ(d.lastError->code, ASIAuthenticationErrorType) << attempt.username;
    EXPECT_EQ(d.started, 3) << attempt.username;
    EXPECT_EQ(request->responseStatusCode(), 401);
    EXPECT_EQ(request->authenticationRetryCount(), 2);
    EXPECT_TRUE(ASIHTTPRequest::sessionCredentialsStore().empty()) << attempt.username;
  }
}

TEST_F(NTLMTest, AProxyIsAnsweredWithItsOwnCredentialsOrTheServerAccount) {
  RecordingDelegate own, server_account;
  auto request = server.behindNTLMProxy("127.0.0.1");
  request->setProxyUsername("pat");
  request->setProxyPassword("proxypw");
  request->setProxyDomain("PROXYDOM");
  main.run(request, own);
  ASSERT_EQ(own.finished, 1) << (own.lastError ? own.lastError->toString() : "");
  EXPECT_EQ(request->responseString(), "hello");
  EXPECT_EQ(request->proxyAuthenticationScheme(), "NTLM");
  EXPECT_EQ(ASIHTTPRequest::sessionProxyCredentialsStore().size(), 1u);

  // No proxy credentials: the server's user and password, and the server's domain since neither a
  // proxy domain nor a backslash names one. (Another name for the proxy: no record of the first.)
  auto second = server.behindNTLMProxy("localhost");
  second->setUsername("pat");
  second->setPassword("proxypw");
  second->setDomain("PROXYDOM");
  main.run(second, server_account);
  ASSERT_EQ(server_account.finished, 1) << (server_account.lastError ? server_account.lastError->toString() : "");
  EXPECT_EQ(second->responseString(), "hello");
}

// https through the server standing in for an NTLM proxy of tunnels, to nginx behind it: the host
// name "ntlm.localhost" makes the proxy ask for NTLM, and the transport takes it for 127.0.0.1
// when it goes there direct. nginx's /port names the connection a request came on.
class NTLMTunnelTest : public NTLMTest {
 protected:
  void SetUp() override {
    NTLMTest::SetUp();
    ASSERT_NE(tls.port(), 0) << "nginx did not start (or openssl made no certificate)";
  }
  // A request for `url` (the origin's /port unless given) through the proxy named `proxyHost`, or
  // direct when that is empty.
  ASIHTTPRequest::Ptr throughProxy(const std::string& proxyHost, const std::optional<URL>& url = std::nullopt) {
    auto request = ASIHTTPRequest::requestWithURL(url.value_or(origin));
    request->setValidatesSecureCertificate(false);
    if (!proxyHost.empty()) {
      request->setProxyHost(proxyHost);
      request->setProxyPort(server.port());
    }
    return request;
  }

  test::ScratchDir dir;
  test::TLSServer tls{dir.path()};
  URL origin = URL::URLWithString("https://ntlm.localhost:" + std::to_string(tls.port()) + "/port");
};

// A request through the proxy for PROXYDOM\pat, with the domain in the user name.
void asPat(ASIHTTPRequest& request) {
  request.setProxyUsername("PROXYDOM\\pat");
  request.setProxyPassword("proxypw");
}

TEST_F(NTLMTunnelTest, TheHandshakeOpensTheTunnelOnOneConnectionWhichCarriesOnlyThatOriginThroughThatProxy) {
  struct Account {
    const char* proxyHost;  // "localhost" is looked up by name, and names another proxy
    const char* username;
    std::optional<std::string> domain;
  };
  std::vector<std::string> tunnels;
  std::vector<std::optional<int>> connections;
  for (const Account& account : {Account{"127.0.0.1", "pat", std::string("PROXYDOM")},
                                 Account{"localhost", "PROXYDOM\\pat", std::nullopt}}) {
    RecordingDelegate d;
    auto request = throughProxy(account.proxyHost);
    request->setProxyUsername(account.username);
    request->setProxyPassword("proxypw");
    request->setProxyDomain(account.domain);
    main.run(request, d);
    ASSERT_EQ(d.finished, 1) << account.username << " " << (d.lastError ? d.lastError->toString() : "");
    EXPECT_EQ(request->responseStatusCode(), 200);
    EXPECT_EQ(request->proxyAuthenticationScheme(), "NTLM");
    EXPECT_EQ(d.started, 3);  // the challenge, the negotiate message, the authenticate message
    const std::string challenged = step(), passed = step();
    ASSERT_EQ(challenged.rfind("challenge ", 0), 0u) << challenged;
    EXPECT_EQ(passed, "passed PROXYDOM\\pat " + challenged.substr(10));
    const std::string tunnel = request->responseString().value_or("");
    ASSERT_FALSE(tunnel.empty());

    // The next request to the origin through the same proxy rides the open tunnel, unasked.
    RecordingDelegate again;
    auto next = throughProxy(account.proxyHost);
    main.run(next, again);
    ASSERT_EQ(again.finished, 1) << (again.lastError ? again.lastError->toString() : "");
    EXPECT_EQ(again.started, 1);
    EXPECT_EQ(next->responseString().value_or(""), tunnel) << account.proxyHost;
    EXPECT_EQ(next->connectionID(), request->connectionID());
    tunnels.push_back(tunnel);
    connections.push_back(request->connectionID());
  }
  // Another proxy name opened a tunnel of its own; a request that goes direct takes neither.
  EXPECT_NE(tunnels[0], tunnels[1]);
  EXPECT_NE(connections[0], connections[1]);
  RecordingDelegate direct;
  auto request = throughProxy("");
  main.run(request, direct);
  ASSERT_EQ(direct.finished, 1) << (direct.lastError ? direct.lastError->toString() : "");
  const std::string port = request->responseString().value_or("");
  EXPECT_TRUE(port != tunnels[0] && port != tunnels[1]) << port;
  EXPECT_TRUE(request->connectionID() != connections[0] && request->connectionID() != connections[1]);
}

TEST_F(NTLMTunnelTest, AProxysHandshakeIsForItsOwnServiceAndAServersForTheOrigins) {
  // A server whose acceptor is named for "localhost": the mechanism refuses a handshake made for
  // another service. As a proxy it is reached as "localhost"; as a server by that name through the
  // proxy named "127.0.0.1".
  ::setenv("NTLM_ACCEPTOR_NAME", "HTTP@localhost", 1);
  test::TestServer named{"/usr/bin/python3"};
  ::unsetenv("NTLM_ACCEPTOR_NAME");
  ASSERT_NE(named.port(), 0);
  struct Case {
    std::string url, proxyHost, body;
  };
  const std::string namedServer = "http://localhost:" + std::to_string(named.port()) + "/ntlm?who=TESTDOM%5Cann";
  for (const Case& c : {Case{"http://behind-ntlm-proxy.test/hello?proxywho=PROXYDOM%5Cpat", "localhost", "hello"},
                        Case{"https://ntlm.localhost:" + std::to_string(tls.port()) + "/port", "localhost", ""},
                        Case{namedServer, "127.0.0.1", "ntlm welcome"}}) {
    RecordingDelegate d;
    auto request = throughProxy(c.proxyHost, URL::URLWithString(c.url));
    request->setProxyPort(named.port());
    asPat(*request);
    request->setUsername("TESTDOM\\ann");
    request->setPassword("secret");
    main.run(request, d);
    EXPECT_EQ(d.finished, 1) << c.url << ": " << (d.lastError ? d.lastError->toString() : "");
    EXPECT_EQ(request->responseStatusCode(), 200) << c.url;
    if (!c.body.empty()) {
      EXPECT_EQ(request->responseString(), c.body);
    }
  }
}

TEST_F(NTLMTunnelTest, ARefusalWithAChunkedPageOrAnHTTP10OneKeptOpenByProxyConnectionKeepsTheHandshakeOnIt) {
  // The proxy's refusals carry a page: chunked (with a chunk extension and a trailer), or counted in
  // an HTTP/1.0 answer that only "Proxy-Connection: keep-alive" keeps open. (Each case names the
  // proxy otherwise, so that the first case's credentials do not begin the second one's handshake.)
  using Case = std::pair<std::string, std::string>;  // the style, the proxy's name
  for (const auto& [style, proxyHost] : {Case{"chunked", "127.0.0.1"}, Case{"http10", "localhost"}}) {
    RecordingDelegate d;
    const std::string origin = "https://ntlm." + style + ".test:" + std::to_string(tls.port()) + "/port";
    auto request = throughProxy(proxyHost, URL::URLWithString(origin));
    asPat(*request);
    main.run(request, d);
    ASSERT_EQ(d.finished, 1) << style << ": " << (d.lastError ? d.lastError->toString() : "");
    EXPECT_EQ(d.started, 3) << style;
    const std::string challenged = step(), passed = step();
    ASSERT_EQ(challenged.rfind("challenge ", 0), 0u) << style << ": " << challenged;
    EXPECT_EQ(passed, "passed PROXYDOM\\pat " + challenged.substr(10)) << style;
  }
}

TEST_F(NTLMTunnelTest, RefusedCredentialsEndWithTheAuthenticationErrorAtTheThirdChallenge) {
  RecordingDelegate d;
  auto request = throughProxy("127.0.0.1");
  request->setProxyUsername("PROXYDOM\\pat");
  request->setProxyPassword("wrong");
  main.run(request, d);
  ASSERT_EQ(d.failed, 1);
  EXPECT_EQ(d.lastError->code, ASIAuthenticationErrorType) << d.lastError->toString();
  EXPECT_EQ(d.started, 3);
  EXPECT_EQ(request->responseStatusCode(), 407);
  EXPECT_EQ(request->proxyAuthenticationRetryCount(), 2);
  const std::string challenged = step(), refused = step();
  ASSERT_EQ(challenged.rfind("challenge ", 0), 0u) << challenged;
  EXPECT_EQ(refused.rfind("refused ", 0), 0u) << refused;
  EXPECT_EQ(refused.substr(refused.rfind(' ')), challenged.substr(challenged.rfind(' ')));
  for (const ASISessionCredentials& record : ASIHTTPRequest::sessionProxyCredentialsStore())
    EXPECT_FALSE(record.host == "127.0.0.1" && record.port == server.port()) << "refused credentials kept";

  // The proxy closed the refused handshake's connection: the right credentials get a new one.
  RecordingDelegate right;
  auto again = throughProxy("127.0.0.1");
  asPat(*again);
  main.run(again, right);
  EXPECT_EQ(right.finished, 1) << (right.lastError ? right.lastError->toString() : "");
  EXPECT_EQ(right.started, 3);  // no CONNECT went into the closed connection
}

TEST_F(NTLMTunnelTest, ARedirectToAnotherOriginThroughTheProxyShakesHandsAgainForItsOwnTunnel) {
  test::ScratchDir awayDir;
  test::TLSServer away(awayDir.path(), "location = /away { return 302 https://ntlm.localhost:$server_port/port; }");
  ASSERT_NE(away.port(), 0);
  RecordingDelegate d;
  auto request =
      throughProxy("127.0.0.1", URL::URLWithString("https://ntlm.tunnel.test:" + std::to_string(away.port()) + "/away"));
  asPat(*request);
  main.run(request, d);
  ASSERT_EQ(d.finished, 1) << (d.lastError ? d.lastError->toString() : "");
  EXPECT_EQ(request->url().host(), "ntlm.localhost");
  // Three for the first origin's tunnel; the second one's begins with the negotiate message.
  EXPECT_EQ(d.started, 5);
  EXPECT_EQ(step().rfind("challenge ", 0), 0u);
  EXPECT_EQ(step().rfind("passed ", 0), 0u);
  EXPECT_EQ(step().rfind("challenge ", 0), 0u);
  EXPECT_EQ(step().rfind("passed ", 0), 0u);
}

TEST_F(NTLMTunnelTest, ATunnelThatClosedWhileIdleIsOpenedAgainWithANewHandshake) {
  // nginx closes idle connections at once, and the proxy the tunnel with them. The origin's name is
  // one that only the proxy knows.
  test::ScratchDir briefDir;
  test::TLSServer brief(briefDir.path(), "keepalive_timeout 200ms;");
  ASSERT_NE(brief.port(), 0);
  const URL url = URL::URLWithString("https://ntlm.tunnel.test:" + std::to_string(brief.port()) + "/port");
  RecordingDelegate first, second;
  auto request = throughProxy("127.0.0.1", url);
  asPat(*request);
  main.run(request, first);
  ASSERT_EQ(first.finished, 1) << (first.lastError ? first.lastError->toString() : "");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));

  auto later = throughProxy("127.0.0.1", url);
  main.run(later, second);
  ASSERT_EQ(second.finished, 1) << (second.lastError ? second.lastError->toString() : "");
  // Over the closed tunnel, then the handshake anew, from the negotiate message on.
  EXPECT_EQ(second.started, 3);
  EXPECT_NE(later->responseString(), request->responseString());
}

TEST_F(NTLMTunnelTest, AProxySilentInTheHandshakeHoldsUpNoOtherRequestAndTimesItsOwnOut) {
  const URL muted = URL::URLWithString("https://mute.localhost:" + std::to_string(tls.port()) + "/port");
  RecordingDelegate waiting, other;
  auto request = throughProxy("127.0.0.1", muted);
  asPat(*request);
  request->setDelegate(&waiting);
  request->startAsynchronous();
  // The transport's CONNECT, then the engine's with the negotiate message, which is never answered.
  ASSERT_TRUE(server.waitForLine("CONNECT mute "));
  ASSERT_TRUE(server.waitForLine("CONNECT mute "));
  main.run(ASIHTTPRequest::requestWithURL(server.url("/hello")), other);
  EXPECT_EQ(other.finished, 1);
  EXPECT_FALSE(waiting.done());
  request->cancel();
  ASSERT_TRUE(main.pumpUntil([&] { return waiting.done(); }));
  EXPECT_EQ(waiting.lastError->code, ASIRequestCancelledErrorType);

  RecordingDelegate timed;
  auto late = throughProxy("127.0.0.1", muted);
  asPat(*late);
  late->setTimeOutSeconds(0.3);
  main.run(late, timed);
  ASSERT_EQ(timed.failed, 1);
  EXPECT_EQ(timed.lastError->code, ASIRequestTimedOutErrorType) << timed.lastError->toString();
}

}  // namespace
}  // namespace td
