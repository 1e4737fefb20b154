// Keychain persistence where no secret service answers: credentials that worked stay in memory for
// this process, and refused ones leave it. (A program of its own: whether a secret service answers
// is settled once per process.)

#include <gtest/gtest.h>

#include <cstdlib>

#include "HTTPTestSupport.h"
#include "http/HTTPCredentialKeyring.h"

namespace td {
namespace {

using test::RecordingDelegate;

class KeyringFallbackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Whatever session bus the machine has, this process finds none.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tarnwickdesk-test-bus", 1);
    ASSERT_FALSE(HTTPCredentialKeyring::usesSecretService());
    ASSERT_NE(server.port(), 0) << "the test server did not start";
    ASIHTTPRequest::clearSession();
  }
  test::MainQueueFixture main;
  test::TestServer server;
};

TEST_F(KeyringFallbackTest, CredentialsThatWorkedStayInMemoryAndRefusedOnesDoNot) {
  RecordingDelegate wrong, right, later, refused;
  const auto saved = [&] { return ASIHTTPRequest::savedCredentialsForHost("127.0.0.1", server.port(), "http", "tests"); };
  // Refused before they ever worked: never saved.
  auto request = server.keychainRequest("/basic?user=ann&pass=pw");
  request->setUsername("ann");
  request->setPassword("wrong");
  main.run(request, wrong);
  ASSERT_EQ(wrong.failed, 1);
  EXPECT_FALSE(saved());

  request = server.keychainRequest("/basic?user=ann&pass=pw");
  request->setUsername("ann");
  request->setPassword("pw");
  main.run(request, right);
  ASSERT_EQ(right.finished, 1);
  EXPECT_EQ(saved(), (HTTPCredentials{"ann", "pw", std::nullopt}));

  ASIHTTPRequest::clearSession();
  main.run(server.keychainRequest("/basic?user=ann&pass=pw"), later);
  EXPECT_EQ(later.finished, 1);

  ASIHTTPRequest::clearSession();
  main.run(server.keychainRequest("/basic?user=ann&pass=changed"), refused);
  ASSERT_EQ(refused.failed, 1);
  EXPECT_FALSE(saved());
}

}  // namespace
}  // namespace td
