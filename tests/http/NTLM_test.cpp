// NTLM against the local server, which accepts it through GSSAPI's NTLM mechanism (python3-gssapi
// with gss-ntlmssp) for the accounts of its NTLM_USER_FILE: as a server (401) and as a proxy (407).

#include <gtest/gtest.h>

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

TEST_F(NTLMTest, AProxyThatAsksForNTLMToOpenATunnelFailsAtOnceWithTheReason) {
  // The transport closes the proxy's connection after every refused CONNECT, so the handshake could
  // never finish on one connection: no message of it is sent.
  RecordingDelegate d;
  auto request = ASIHTTPRequest::requestWithURL(URL::URLWithString("https://ntlm.tunnel.test/hello"));
  request->setProxyHost("127.0.0.1");
  request->setProxyPort(server.port());
  request->setProxyUsername("PROXYDOM\\pat");
  request->setProxyPassword("proxypw");
  main.run(request, d);
  ASSERT_EQ(d.failed, 1);
  EXPECT_EQ(d.lastError->code, ASIInternalErrorWhileApplyingCredentialsType);
  EXPECT_NE(d.lastError->failureReason.find("NTLM cannot open a tunnel through a proxy"), std::string::npos)
      << d.lastError->toString();
  EXPECT_EQ(d.started, 1);
  EXPECT_EQ(request->responseStatusCode(), 407);
}

}  // namespace
}  // namespace td
