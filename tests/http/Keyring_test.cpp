// Credentials of requests with keychain persistence in a real secret service: gnome-keyring-daemon,
// unlocked, in a D-Bus session of this program's own (ctest runs it under scripts/with-keyring).
// The items are read and written here directly through libsecret, as another run of the
// application would find and leave them.

#include <gtest/gtest.h>
#include <libsecret/secret.h>

#include "GSSNTLMSanitizers.h"
#include "HTTPTestSupport.h"
#include "http/HTTPCredentialKeyring.h"

namespace td {
namespace {

using test::RecordingDelegate;

struct Item {
  std::map<std::string, std::string> attributes;
  std::string secret;
};

// The engine's items of the kind ("server" or "proxy") for the host.
std::vector<Item> itemsFor(const std::string& kind, const std::string& host) {
  static const SecretSchema schema = [] {
    SecretSchema s{};
    s.name = "org.tarnwickdesk.HTTPCredentials";
    s.attributes[0] = {"kind", SECRET_SCHEMA_ATTRIBUTE_STRING};
    s.attributes[1] = {"host", SECRET_SCHEMA_ATTRIBUTE_STRING};
    return s;
  }();
  GError* error = nullptr;
  GList* found = secret_password_search_sync(&schema, static_cast<SecretSearchFlags>(SECRET_SEARCH_ALL | SECRET_SEARCH_LOAD_SECRETS), nullptr, &error,
                                             "kind", kind.c_str(), "host", host.c_str(), nullptr);
  EXPECT_EQ(error, nullptr) << (error ? error->message : "");
  std::vector<Item> items;
  for (GList* node = found; node; node = node->next) {
    auto* retrievable = static_cast<SecretRetrievable*>(node->data);
    Item item;
    GHashTable* attributes = secret_retrievable_get_attributes(retrievable);
    GHashTableIter it;
    gpointer key, value;
    g_hash_table_iter_init(&it, attributes);
    while (g_hash_table_iter_next(&it, &key, &value))
      item.attributes[static_cast<const char*>(key)] = static_cast<const char*>(value);
    g_hash_table_unref(attributes);
    if (SecretValue* secret = secret_retrievable_retrieve_secret_sync(retrievable, nullptr, nullptr)) {
      item.secret = secret_value_get_text(secret);
      secret_value_unref(secret);
    }
    items.push_back(item);
  }
  g_list_free_full(found, g_object_unref);
  return items;
}

// Leaves an item as an earlier run would have.
void storeItem(const std::string& kind, const std::string& host, int port, const std::string& realm,
               const std::string& user, const std::string& password) {
  static const SecretSchema schema = [] {
    SecretSchema s{};
    s.name = "org.tarnwickdesk.HTTPCredentials";
    s.attributes[0] = {"kind", SECRET_SCHEMA_ATTRIBUTE_STRING};
    s.attributes[1] = {"host", SECRET_SCHEMA_ATTRIBUTE_STRING};
    s.attributes[2] = {"port", SECRET_SCHEMA_ATTRIBUTE_INTEGER};
    s.attributes[3] = {"protocol", SECRET_SCHEMA_ATTRIBUTE_STRING};
    s.attributes[4] = {"realm", SECRET_SCHEMA_ATTRIBUTE_STRING};
    s.attributes[5] = {"user", SECRET_SCHEMA_ATTRIBUTE_STRING};
    return s;
  }();
  GError* error = nullptr;
  secret_password_store_sync(&schema, SECRET_COLLECTION_DEFAULT, "left by an earlier run", password.c_str(), nullptr,
                             &error, "kind", kind.c_str(), "host", host.c_str(), "port", port, "protocol", "http",
                             "realm", realm.c_str(), "user", user.c_str(), nullptr);
  ASSERT_EQ(error, nullptr) << (error ? error->message : "");
}

class KeyringTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(HTTPCredentialKeyring::usesSecretService()) << "no secret service: run under scripts/with-keyring";
    ASSERT_NE(server.port(), 0) << "the test server did not start";
    ASIHTTPRequest::clearSession();
  }
  ASIHTTPRequest::Ptr keychainRequest(const std::string& path) {
    auto request = ASIHTTPRequest::requestWithURL(server.url(path));
    request->setUseKeychainPersistence(true);
    return request;
  }

  test::MainQueueFixture main;
  test::NTLMAccounts accounts;
  test::TestServer server{"/usr/bin/python3"};
};

TEST_F(KeyringTest, ServerCredentialsThatWorkedAreSavedFoundByALaterRunAndRemovedWhenRefused) {
  RecordingDelegate first, later, refused;
  auto request = keychainRequest("/basic?user=ann&pass=pw");
  request->setUsername("ann");
  request->setPassword("pw");
  main.run(request, first);
  ASSERT_EQ(first.finished, 1);
  auto items = itemsFor("server", "127.0.0.1");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].attributes, (std::map<std::string, std::string>{{"kind", "server"},
                                                                      {"host", "127.0.0.1"},
                                                                      {"port", std::to_string(server.port())},
                                                                      {"protocol", "http"},
                                                                      {"realm", "tests"},
                                                                      {"user", "ann"},
                                                                      {"xdg:schema", "org.tarnwickdesk.HTTPCredentials"}}));
  EXPECT_EQ(items[0].secret, "pw");

  // Another run left bob's credentials for the space: they answer a request that has none, and
  // replace nothing else.
  ASIHTTPRequest::removeCredentialsForHost("127.0.0.1", server.port(), "http", "tests");
  storeItem("server", "127.0.0.1", server.port(), "tests", "bob", "pw2");
  ASIHTTPRequest::clearSession();
  main.run(keychainRequest("/basic?user=bob&pass=pw2"), later);
  EXPECT_EQ(later.finished, 1);
  EXPECT_EQ(later.started, 2);

  // The server no longer takes them: refused, they leave the keyring.
  ASIHTTPRequest::clearSession();
  main.run(keychainRequest("/basic?user=bob&pass=changed"), refused);
  ASSERT_EQ(refused.failed, 1);
  EXPECT_EQ(refused.lastError->code, ASIAuthenticationErrorType);
  EXPECT_TRUE(itemsFor("server", "127.0.0.1").empty());
}

TEST_F(KeyringTest, ProxyCredentialsAreFiledUnderTheProxyWithTheirAccountDomain) {
  // The server stands in for an NTLM proxy for requests to behind-ntlm-proxy.test.
  const URL target = URL::URLWithString("http://behind-ntlm-proxy.test/hello?proxywho=PROXYDOM%5Cpat");
  RecordingDelegate first, later;
  auto request = ASIHTTPRequest::requestWithURL(target);
  request->setUseKeychainPersistence(true);
  request->setProxyHost("127.0.0.1");
  request->setProxyPort(server.port());
  request->setProxyUsername("pat");
  request->setProxyPassword("proxypw");
  request->setProxyDomain("PROXYDOM");
  main.run(request, first);
  ASSERT_EQ(first.finished, 1) << (first.lastError ? first.lastError->toString() : "");
  auto items = itemsFor("proxy", "127.0.0.1");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].attributes["port"], std::to_string(server.port()));
  EXPECT_EQ(items[0].attributes["realm"], "");
  EXPECT_EQ(items[0].attributes["user"], "PROXYDOM\\pat");
  EXPECT_EQ(items[0].secret, "proxypw");

  // What an earlier run saved for a proxy answers it, domain and all.
  storeItem("proxy", "localhost", server.port(), "", "PROXYDOM\\pat", "proxypw");
  auto again = ASIHTTPRequest::requestWithURL(target);
  again->setProxyHost("localhost");
  again->setProxyPort(server.port());
  main.run(again, later);
  EXPECT_EQ(later.finished, 1) << (later.lastError ? later.lastError->toString() : "");
}

}  // namespace
}  // namespace td
