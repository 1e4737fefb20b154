// TLS against nginx with a certificate made at test time, nginx's gzip and ranges, and proxies:
// tinyproxy for plain requests, CONNECT tunnels and proxy credentials, chosen by the request, by a
// proxy script served over HTTP, or by the environment; the test server as a Basic or Digest proxy of
// tunnels and of plain requests, and as a SOCKS proxy at the same address.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "HTTPTestSupport.h"

namespace td {
namespace {

using namespace std::chrono_literals;
using test::RecordingDelegate;

class TLSAndProxiesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = new test::ScratchDir();
    const std::string d = dir->path();
    std::string text;
    for (int i = 0; i < 2000; ++i) text += "some text that compresses well ";
    test::writeFile(d + "/text.txt", text);
    // /proxyask: an origin that asks for proxy credentials itself.
    nginx = new test::TLSServer(
        d, "location = /proxyask { add_header Proxy-Authenticate 'Basic realm=\"origin\"' always; return 407 asked; }");
    nginxPort = nginx->port();
    proxy = std::make_unique<test::TinyProxy>(d, "proxy");
    proxyPort = proxy->port();
    guardedProxy = std::make_unique<test::TinyProxy>(d, "guarded", "BasicAuth pu pp\n");
    guardedProxyPort = guardedProxy->port();
  }
  static void TearDownTestSuite() {
    delete nginx;
    proxy.reset();
    guardedProxy.reset();
    delete dir;
  }
  void SetUp() override {
    ASSERT_NE(nginxPort, 0) << "nginx did not start (or openssl made no certificate)";
    ASSERT_NE(proxyPort, 0) << "tinyproxy did not start";
    ASIHTTPRequest::clearSession();
  }
  static URL tls(const std::string& path) {
    return URL::URLWithString("https://127.0.0.1:" + std::to_string(nginxPort) + path);
  }
  bool viaProxy(const ASIHTTPRequest& r) { return r.responseString().value_or("").find("\"Via\"") != std::string::npos; }
  // A request for `url` through the test server as its proxy, with the proxy credentials it takes.
  ASIHTTPRequest::Ptr throughServerProxy(const std::string& url) {
    auto request = ASIHTTPRequest::requestWithURL(URL::URLWithString(url));
    request->setProxyHost("127.0.0.1");
    request->setProxyPort(server.port());
    request->setProxyUsername("pu");
    request->setProxyPassword("pp");
    return request;
  }
  // Whether the session keeps proxy credentials for the test server as an HTTP proxy.
  bool sessionKeepsServerProxyCredentials() {
    const auto records = ASIHTTPRequest::sessionProxyCredentialsStore();
    return std::any_of(records.begin(), records.end(), [&](const ASISessionCredentials& r) {
      return r.host == "127.0.0.1" && r.port == server.port() && r.proxyType == kProxyTypeHTTP;
    });
  }

  static inline test::ScratchDir* dir = nullptr;
  static inline test::TLSServer* nginx = nullptr;
  static inline std::unique_ptr<test::TinyProxy> proxy, guardedProxy;
  static inline int nginxPort = 0, proxyPort = 0, guardedProxyPort = 0;
  test::MainQueueFixture main;
  test::TestServer server;
};

TEST_F(TLSAndProxiesTest, AnUntrustedCertificateFailsWithTheSSLTextUnlessValidationIsOff) {
  RecordingDelegate strict, lax;
  auto checked = ASIHTTPRequest::requestWithURL(tls("/text.txt"));
  main.run(checked, strict);
  ASSERT_EQ(strict.failed, 1);
  EXPECT_EQ(strict.lastError->code, ASIConnectionFailureErrorType);
  EXPECT_EQ(strict.lastError->description,
            "A connection failure occurred: SSL problem (Possible causes may include a bad/expired/self-signed "
            "certificate, clock set to wrong date)");
  ASSERT_TRUE(strict.lastError->underlying);

  auto unchecked = ASIHTTPRequest::requestWithURL(tls("/text.txt"));
  unchecked->setValidatesSecureCertificate(false);
  main.run(unchecked, lax);
  ASSERT_EQ(lax.finished, 1) << (lax.lastError ? lax.lastError->toString() : "");
  EXPECT_TRUE(unchecked->isResponseCompressed());  // nginx gzips it on the way
  EXPECT_EQ(unchecked->responseString().value_or("").size(), 62000u);
}

TEST_F(TLSAndProxiesTest, ARequestsOwnProxyCarriesPlainRequestsAndTunnelsTLS) {
  RecordingDelegate plain, tunnel;
  auto request = ASIHTTPRequest::requestWithURL(server.url("/echo"));
  request->setProxyHost("127.0.0.1");
  request->setProxyPort(proxyPort);
  main.run(request, plain);
  ASSERT_EQ(plain.finished, 1) << (plain.lastError ? plain.lastError->toString() : "");
  EXPECT_TRUE(viaProxy(*request));

  auto secure = ASIHTTPRequest::requestWithURL(tls("/text.txt"));
  secure->setValidatesSecureCertificate(false);
  secure->setProxyHost("127.0.0.1");
  secure->setProxyPort(proxyPort);
  main.run(secure, tunnel);
  ASSERT_EQ(tunnel.finished, 1) << (tunnel.lastError ? tunnel.lastError->toString() : "");
  EXPECT_EQ(secure->responseStatusCode(), 200);
}

TEST_F(TLSAndProxiesTest, AProxyThatAsksForCredentialsGetsTheRequestsProxyCredentials) {
  ASSERT_NE(guardedProxyPort, 0);
  RecordingDelegate refused, admitted;
  auto bare = ASIHTTPRequest::requestWithURL(server.url("/echo"));
  bare->setProxyHost("127.0.0.1");
  bare->setProxyPort(guardedProxyPort);
  main.run(bare, refused);
  ASSERT_EQ(refused.failed, 1);
  EXPECT_EQ(refused.lastError->code, ASIAuthenticationErrorType);
  EXPECT_EQ(bare->responseStatusCode(), 407);

  auto request = ASIHTTPRequest::requestWithURL(server.url("/echo"));
  request->setProxyHost("127.0.0.1");
  request->setProxyPort(guardedProxyPort);
  request->setProxyUsername("pu");
  request->setProxyPassword("pp");
  main.run(request, admitted);
  ASSERT_EQ(admitted.finished, 1) << (admitted.lastError ? admitted.lastError->toString() : "");
  EXPECT_TRUE(viaProxy(*request));
}

TEST_F(TLSAndProxiesTest, AProxyOpensATunnelOrCarriesAPlainRequestWithBasicOrDigestCredentials) {
  // tinyproxy asks for Basic; the test server stands in for a proxy that asks for Digest, of a tunnel
  // (the answer is for host:port) or of a plain request (for the absolute URL it is asked for). (Each
  // proxy is named as no other test names it, so that no credentials it kept go ahead unasked.)
  struct Case {
    std::string url;
    std::string proxyHost;
    int proxyPort;
    const char* scheme;
    std::size_t bodySize;
  } cases[] = {{"https://127.0.0.1:" + std::to_string(nginxPort) + "/text.txt", "localhost", guardedProxyPort,
                "Basic", 62000},
               {"https://digest.tunnel.test:" + std::to_string(nginxPort) + "/text.txt", "127.0.0.1", server.port(),
                "Digest", 62000},
               {"http://behind-digest-proxy.test/hello?x=1", "localhost", server.port(), "Digest", 5}};
  for (const auto& c : cases) {
    RecordingDelegate d;
    auto request = ASIHTTPRequest::requestWithURL(URL::URLWithString(c.url));
    request->setValidatesSecureCertificate(false);
    request->setProxyHost(c.proxyHost);
    request->setProxyPort(c.proxyPort);
    request->setProxyUsername("pu");
    request->setProxyPassword("pp");
    main.run(request, d);
    ASSERT_EQ(d.finished, 1) << c.url << ": " << (d.lastError ? d.lastError->toString() : "");
    EXPECT_EQ(request->responseStatusCode(), 200) << c.scheme;
    EXPECT_EQ(request->responseString().value_or("").size(), c.bodySize) << c.url;
    EXPECT_EQ(request->proxyAuthenticationScheme(), c.scheme);
  }
}

TEST_F(TLSAndProxiesTest, TheOriginBehindASOCKSProxyIsShownNoProxyCredentialsThoughAnHTTPProxyAtItsAddressKeptSome) {
  RecordingDelegate taken;
  auto http = throughServerProxy("http://behind-digest-proxy.test/hello");
  main.run(http, taken);
  ASSERT_EQ(taken.finished, 1) << (taken.lastError ? taken.lastError->toString() : "");
  ASSERT_TRUE(sessionKeepsServerProxyCredentials());

  // Through SOCKS at that address, with proxy credentials of its own: the HTTP proxy's record is not
  // sent ahead, and an origin that asks for proxy credentials (407) gets none, its answer stands.
  for (const auto& [path, status] : {std::pair{"/echo", 200}, std::pair{"/proxyask", 407}}) {
    RecordingDelegate d;
    auto request = throughServerProxy("http://origin.test:" + std::to_string(server.port()) + path);
    request->setProxyType(kProxyTypeSOCKS);
    main.run(request, d);
    ASSERT_EQ(d.finished, 1) << path << ": " << (d.lastError ? d.lastError->toString() : "");
    EXPECT_EQ(request->responseStatusCode(), status) << path;
    EXPECT_EQ(request->responseString().value_or("").find("Proxy-Authorization"), std::string::npos)
        << path << ": " << request->responseString().value_or("");
  }
  EXPECT_TRUE(server.waitForLine("SOCKS origin.test "));  // the second request rode the first one's connection
}

TEST_F(TLSAndProxiesTest, AnOriginsProxyChallengeInsideATunnelIsItsResponseAndTheProxysCredentialsStay) {
  // The test server's proxy asks for Basic credentials before it opens the tunnel; behind it, nginx
  // answers 407 itself.
  RecordingDelegate d;
  auto request = throughServerProxy("https://basic.tunnel.test:" + std::to_string(nginxPort) + "/proxyask");
  request->setValidatesSecureCertificate(false);
  main.run(request, d);
  ASSERT_EQ(d.finished, 1) << (d.lastError ? d.lastError->toString() : "");
  EXPECT_EQ(request->responseStatusCode(), 407);
  EXPECT_EQ(request->responseString(), "asked");
  EXPECT_EQ(request->proxyAuthenticationScheme(), "Basic");  // the proxy's own challenge was answered
  EXPECT_TRUE(sessionKeepsServerProxyCredentials());
}

TEST_F(TLSAndProxiesTest, AProxyScriptServedOverHTTPChoosesTheProxyOrDirect) {
  RecordingDelegate proxied, direct;
  auto request = ASIHTTPRequest::requestWithURL(server.url("/echo"));
  request->setPACurl(server.url("/pac?answer=PROXY%20127.0.0.1:" + std::to_string(proxyPort)));
  main.run(request, proxied);
  ASSERT_EQ(proxied.finished, 1) << (proxied.lastError ? proxied.lastError->toString() : "");
  EXPECT_TRUE(viaProxy(*request));
  EXPECT_EQ(request->proxyPort(), proxyPort);

  auto straight = ASIHTTPRequest::requestWithURL(server.url("/echo"));
  straight->setPACurl(server.url("/pac?answer=DIRECT"));
  main.run(straight, direct);
  ASSERT_EQ(direct.finished, 1);
  EXPECT_FALSE(viaProxy(*straight));

  RecordingDelegate unreadable;
  auto broken = ASIHTTPRequest::requestWithURL(server.url("/echo"));
  broken->setPACurl(URL::fileURLWithPath(dir->file("no-such-script.pac")));
  main.run(broken, unreadable);
  EXPECT_EQ(unreadable.finished, 1);
  EXPECT_FALSE(viaProxy(*broken));
}

TEST_F(TLSAndProxiesTest, TheEnvironmentsProxyIsUsedUnlessNoProxyNamesTheHost) {
  const std::string proxyURL = "http://127.0.0.1:" + std::to_string(proxyPort);
  ::setenv("http_proxy", proxyURL.c_str(), 1);
  RecordingDelegate proxied, bypassed;
  auto request = ASIHTTPRequest::requestWithURL(server.url("/echo"));
  main.run(request, proxied);
  ::setenv("no_proxy", "127.0.0.1", 1);
  auto direct = ASIHTTPRequest::requestWithURL(server.url("/echo"));
  main.run(direct, bypassed);
  ::unsetenv("http_proxy");
  ::unsetenv("no_proxy");
  EXPECT_TRUE(viaProxy(*request));
  EXPECT_FALSE(viaProxy(*direct));
}

}  // namespace
}  // namespace td
