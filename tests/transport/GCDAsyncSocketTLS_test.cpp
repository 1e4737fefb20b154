// TLS on the asynchronous socket: a listening socket and a client socket on loopback, with a
// certificate made here with the OpenSSL API.

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include "GCDAsyncSocketTestSupport.h"
#include "transport/GCDAsyncSocketTLS.h"

namespace td {
namespace {

using test::bytesOf;
using test::RecordingDelegate;
using test::textOf;

struct Identity {
  std::shared_ptr<EVP_PKEY> key;
  std::shared_ptr<X509> cert;
};

// A self-signed P-256 certificate for "localhost", valid from notBefore to notAfter seconds from now.
Identity makeIdentity(long notBefore = -60, long notAfter = 3600) {
  Identity id;
  id.key.reset(EVP_EC_gen("P-256"), EVP_PKEY_free);
  X509* x = X509_new();
  id.cert.reset(x, X509_free);
  X509_set_version(x, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(x), 1);
  X509_gmtime_adj(X509_getm_notBefore(x), notBefore);
  X509_gmtime_adj(X509_getm_notAfter(x), notAfter);
  X509_set_pubkey(x, id.key.get());
  X509_NAME* name = X509_get_subject_name(x);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("localhost"), -1, -1, 0);
  X509_set_issuer_name(x, name);
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, x, x, nullptr, nullptr, 0);
  X509_EXTENSION* san = X509V3_EXT_conf_nid(nullptr, &ctx, NID_subject_alt_name, "DNS:localhost");
  X509_add_ext(x, san, -1);
  X509_EXTENSION_free(san);
  X509_sign(x, id.key.get(), EVP_sha256());
  return id;
}

class GCDAsyncSocketTLSTest : public ::testing::Test {
 protected:
  void SetUp() override {
    queue = std::make_shared<DispatchQueue>("tls delegates");
    serverRec = std::make_shared<RecordingDelegate>();
    clientRec = std::make_shared<RecordingDelegate>();
    listener = GCDAsyncSocket::create(serverRec, queue);
    ASSERT_TRUE(listener->acceptOnInterface(std::string("127.0.0.1"), 0));
    client = GCDAsyncSocket::create(clientRec, queue);
    ASSERT_TRUE(client->connectToHost("localhost", listener->localPort()));
    ASSERT_TRUE(serverRec->waitFor("accept"));
    server = serverRec->acceptedSocket();
    ASSERT_TRUE(clientRec->waitFor("connect"));
  }
  void TearDown() override {
    client.reset();
    server.reset();
    serverRec->dropAccepted();
    listener.reset();
    queue->shutdown();
  }

  GCDAsyncSocketTLSSettings serverSettings(const Identity& id) {
    GCDAsyncSocketTLSSettings s;
    s.isServer = true;
    s.privateKey = id.key;
    s.certificates = {id.cert};
    return s;
  }
  static GCDAsyncSocketTLSSettings trustingClient() {
    GCDAsyncSocketTLSSettings s;
    s.peerName = "localhost";
    s.allowsAnyRoot = true;
    return s;
  }

  std::shared_ptr<DispatchQueue> queue;
  std::shared_ptr<RecordingDelegate> serverRec;
  std::shared_ptr<RecordingDelegate> clientRec;
  std::shared_ptr<GCDAsyncSocket> listener;
  std::shared_ptr<GCDAsyncSocket> client;
  std::shared_ptr<GCDAsyncSocket> server;
};

TEST_F(GCDAsyncSocketTLSTest, PlainTrafficThenHandshakeThenSecureTrafficBothWays) {
  const Identity id = makeIdentity();
  // Client: one plain line, then TLS, then a secret; the server reads the line (its read-ahead
  // already holds the start of the handshake), starts TLS and reads the secret.
  client->writeData(bytesOf("hello\n"), -1, 1);
  client->startTLS(trustingClient());
  client->writeData(bytesOf("secret"), -1, 2);
  client->readDataToLength(4, -1, 3);

  server->readDataToData(GCDAsyncSocket::LFData(), -1, 10);
  server->startTLS(serverSettings(id));
  server->readDataToLength(6, -1, 11);

  const auto plain = serverRec->waitFor("read", 0);
  ASSERT_TRUE(plain);
  EXPECT_EQ(textOf(plain->data), "hello\n");
  ASSERT_TRUE(serverRec->waitFor("secure"));
  ASSERT_TRUE(clientRec->waitFor("secure"));
  const auto secret = serverRec->waitFor("read", 1);
  ASSERT_TRUE(secret);
  EXPECT_EQ(textOf(secret->data), "secret");
  EXPECT_EQ(secret->tag, 11);
  EXPECT_TRUE(server->isSecure());
  EXPECT_TRUE(client->isSecure());

  server->writeData(bytesOf("pong"), -1, 12);
  const auto reply = clientRec->waitFor("read");
  ASSERT_TRUE(reply);
  EXPECT_EQ(textOf(reply->data), "pong");
  ASSERT_TRUE(clientRec->waitFor("write", 1));
  EXPECT_EQ(serverRec->count("disconnect"), 0u);

  // A second start on the same connection is ignored.
  client->startTLS(trustingClient());
  client->writeData(bytesOf("more"), -1, 4);
  server->readDataToLength(4, -1, 13);
  EXPECT_EQ(textOf(serverRec->waitFor("read", 2)->data), "more");
}

TEST_F(GCDAsyncSocketTLSTest, LargeTransferGoesThroughInSlices) {
  const Identity id = makeIdentity();
  client->startTLS(trustingClient());
  server->startTLS(serverSettings(id));
  test::Bytes big(3 << 20);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i % 251);
  client->writeData(big, -1, 1);
  server->readDataToLength(big.size(), -1, 2);
  const auto ev = serverRec->waitFor("read", 0, std::chrono::seconds(20));
  ASSERT_TRUE(ev);
  EXPECT_TRUE(ev->data == big);
  ASSERT_TRUE(clientRec->waitFor("write"));
}

TEST_F(GCDAsyncSocketTLSTest, OrderlyCloseOfTheSecurePeerIsCode7) {
  const Identity id = makeIdentity();
  client->startTLS(trustingClient());
  server->startTLS(serverSettings(id));
  ASSERT_TRUE(serverRec->waitFor("secure"));
  ASSERT_TRUE(clientRec->waitFor("secure"));
  server->readDataWithTimeout(-1, 1);
  client->disconnect();
  const auto ev = serverRec->waitFor("disconnect");
  ASSERT_TRUE(ev && ev->error);
  EXPECT_TRUE(ev->error->is(GCDAsyncSocketErrorDomain, 7)) << ev->error->toString();
}

TEST_F(GCDAsyncSocketTLSTest, UntrustedCertificateFailsTheHandshakeWithAnSSLError) {
  const Identity id = makeIdentity();
  GCDAsyncSocketTLSSettings strict;
  strict.peerName = "localhost";  // chain checked against the system roots
  client->startTLS(strict);
  server->startTLS(serverSettings(id));
  const auto ev = clientRec->waitFor("disconnect");
  ASSERT_TRUE(ev && ev->error);
  EXPECT_EQ(ev->error->domain, "kCFStreamErrorDomainSSL");
  EXPECT_EQ(ev->error->code, errSSLXCertChainInvalid) << ev->error->toString();
  EXPECT_EQ(clientRec->count("secure"), 0u);
  const auto serverSide = serverRec->waitFor("disconnect");
  ASSERT_TRUE(serverSide && serverSide->error);
  EXPECT_EQ(serverSide->error->domain, "kCFStreamErrorDomainSSL");
}

TEST_F(GCDAsyncSocketTLSTest, PeerNameMismatchFailsEvenWithAnyRootAllowed) {
  const Identity id = makeIdentity();
  GCDAsyncSocketTLSSettings wrongName = trustingClient();
  wrongName.peerName = "example.com";
  client->startTLS(wrongName);
  server->startTLS(serverSettings(id));
  const auto ev = clientRec->waitFor("disconnect");
  ASSERT_TRUE(ev && ev->error);
  EXPECT_EQ(ev->error->code, errSSLXCertChainInvalid) << ev->error->toString();
}

TEST_F(GCDAsyncSocketTLSTest, ExpiredCertificateIsAcceptedOnlyWhenAllowed) {
  const Identity expired = makeIdentity(-7200, -3600);
  GCDAsyncSocketTLSSettings lenient = trustingClient();
  lenient.allowsExpiredCertificates = true;
  client->startTLS(lenient);
  server->startTLS(serverSettings(expired));
  ASSERT_TRUE(clientRec->waitFor("secure"));

  // Same certificate, a new connection, without the allowance.
  auto rec2 = std::make_shared<RecordingDelegate>();
  auto client2 = GCDAsyncSocket::create(rec2, queue);
  ASSERT_TRUE(client2->connectToHost("localhost", listener->localPort()));
  ASSERT_TRUE(serverRec->waitFor("accept", 1));
  client2->startTLS(trustingClient());
  serverRec->acceptedSocket(1)->startTLS(serverSettings(expired));
  const auto ev = rec2->waitFor("disconnect");
  ASSERT_TRUE(ev && ev->error);
  EXPECT_EQ(ev->error->code, errSSLXCertChainInvalid) << ev->error->toString();
}

TEST_F(GCDAsyncSocketTLSTest, SSLv3AndSSLv2LevelsAreRefused) {
  GCDAsyncSocketTLSSettings legacy = trustingClient();
  legacy.level = kCFStreamSocketSecurityLevelSSLv3;
  client->startTLS(legacy);
  const auto ev = clientRec->waitFor("disconnect");
  ASSERT_TRUE(ev && ev->error);
  EXPECT_TRUE(ev->error->is(GCDAsyncSocketErrorDomain, 8));
  EXPECT_EQ(ev->error->description, "Error in SSLSetProtocolVersionEnabled");

  std::string step;
  GCDAsyncSocketTLSSettings v2;
  v2.level = kCFStreamSocketSecurityLevelSSLv2;
  EXPECT_FALSE(GCDAsyncSocketTLS::create(v2, &step));
  EXPECT_EQ(step, "Error in SSLSetProtocolVersionEnabled");
}

TEST(GCDAsyncSocketTLSSettingsCheck, BadSettingsNameTheirStep) {
  std::string step;
  GCDAsyncSocketTLSSettings unknownCipher;
  unknownCipher.cipherSuites = std::vector<std::uint16_t>{0xFFFF};
  EXPECT_FALSE(GCDAsyncSocketTLS::create(unknownCipher, &step));
  EXPECT_EQ(step, "Error in SSLSetEnabledCiphers");

  GCDAsyncSocketTLSSettings badDH;
  badDH.diffieHellmanParameters = bytesOf("not parameters");
  EXPECT_FALSE(GCDAsyncSocketTLS::create(badDH, &step));
  EXPECT_EQ(step, "Error in SSLSetDiffieHellmanParams");

  GCDAsyncSocketTLSSettings certWithoutKey;
  certWithoutKey.certificates = {makeIdentity().cert};
  EXPECT_FALSE(GCDAsyncSocketTLS::create(certWithoutKey, &step));
  EXPECT_EQ(step, "Error in SSLSetCertificate");

  GCDAsyncSocketTLSSettings good;
  good.cipherSuites = std::vector<std::uint16_t>{0x1301, 0xC02B};  // TLS_AES_128_GCM_SHA256, ECDHE-ECDSA-AES128-GCM
  good.level = kCFStreamSocketSecurityLevelTLSv1;
  EXPECT_TRUE(GCDAsyncSocketTLS::create(good, &step));
}

TEST(GCDAsyncSocketTLSIdle, StartTLSOnASocketThatHasNotStartedQueuesNothing) {
  auto queue = std::make_shared<DispatchQueue>("idle");
  auto rec = std::make_shared<RecordingDelegate>();
  auto sock = GCDAsyncSocket::create(rec, queue);
  sock->startTLS();
  EXPECT_FALSE(sock->isSecure());
  sock->performBlock([&] { EXPECT_EQ(sock->sslContext(), nullptr); });
  queue->sync([] {});
  EXPECT_TRUE(rec->events().empty());
}

}  // namespace
}  // namespace td
