// Credentials of requests with keychain persistence in a real secret service: gnome-keyring-daemon,
// unlocked, in a D-Bus session of this program's own (ctest runs it under scripts/with-keyring).
// The items are read and written here directly through libsecret, as another run of the
// application would find and leave them. A stalled service is the daemon stopped (SIGSTOP): the bus
// keeps the calls made to it meanwhile and it answers them once continued.

#include <gtest/gtest.h>
#include <libsecret/secret.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <thread>

// libsecret 0.20 leaks a few bytes of each item object it makes for the items a search finds (this
// program searches, and so does the engine): the program says so itself, however it is run.
#define TD_MORE_LEAK_SUPPRESSIONS "leak:secret_item_new_for_dbus_path\n"
#include "GSSNTLMSanitizers.h"
#include "HTTPTestSupport.h"
#include "http/HTTPCredentialKeyring.h"

namespace td {
namespace {

using namespace std::chrono_literals;
using test::RecordingDelegate;

struct Item {
  std::map<std::string, std::string> attributes;
  std::string secret;
};

using Attributes = std::map<std::string, std::string>;

// Attributes as libsecret takes them without a schema: "xdg:schema" names the engine's.
GHashTable* tableOf(Attributes attributes) {
  attributes["xdg:schema"] = "org.tarnwickdesk.HTTPCredentials";
  GHashTable* table = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free);
  for (const auto& [name, value] : attributes) g_hash_table_insert(table, g_strdup(name.c_str()), g_strdup(value.c_str()));
  return table;
}

// The engine's items with these attributes.
std::vector<Item> itemsWith(const Attributes& attributes) {
  GError* error = nullptr;
  GHashTable* query = tableOf(attributes);
  GList* found = secret_password_searchv_sync(
      nullptr, query, static_cast<SecretSearchFlags>(SECRET_SEARCH_ALL | SECRET_SEARCH_LOAD_SECRETS), nullptr, &error);
  g_hash_table_unref(query);
  EXPECT_EQ(error, nullptr) << (error ? error->message : "");
  std::vector<Item> items;
  for (GList* node = found; node; node = node->next) {
    auto* retrievable = static_cast<SecretRetrievable*>(node->data);
    Item item;
    GHashTable* table = secret_retrievable_get_attributes(retrievable);
    GHashTableIter it;
    gpointer name, value;
    g_hash_table_iter_init(&it, table);
    while (g_hash_table_iter_next(&it, &name, &value))
      item.attributes[static_cast<const char*>(name)] = static_cast<const char*>(value);
    g_hash_table_unref(table);
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
void storeItem(const Attributes& attributes, const std::string& password) {
  GError* error = nullptr;
  GHashTable* table = tableOf(attributes);
  secret_password_storev_sync(nullptr, table, SECRET_COLLECTION_DEFAULT, "left by an earlier run", password.c_str(),
                              nullptr, &error);
  g_hash_table_unref(table);
  ASSERT_EQ(error, nullptr) << (error ? error->message : "");
}

// The passwords of the engine's items for the space.
using Secrets = std::vector<std::string>;
Secrets secretsIn(const HTTPProtectionSpace& space) {
  Secrets secrets;
  for (const Item& item : itemsWith({{"kind", space.proxy ? "proxy" : "server"},
                                     {"host", space.host},
                                     {"port", std::to_string(space.port)},
                                     {"protocol", space.protocol},
                                     {"realm", space.realm}}))
    secrets.push_back(item.secret);
  return secrets;
}

// The process that owns the secret service's name on this program's session bus; 0 when none.
pid_t secretServiceProcess() {
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  GVariant* reply = bus ? g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                      "org.freedesktop.DBus", "GetConnectionUnixProcessID",
                                                      g_variant_new("(s)", "org.freedesktop.secrets"),
                                                      G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr)
                        : nullptr;
  guint32 pid = 0;
  if (reply) g_variant_get(reply, "(u)", &pid);
  if (reply) g_variant_unref(reply);
  if (bus) g_object_unref(bus);
  return static_cast<pid_t>(pid);
}

// Continues the secret service (which the test stops) when asked, and at the end of the scope.
struct ContinueService {
  pid_t pid;
  ~ContinueService() { resume(); }
  void resume() const {
    if (pid > 0) ::kill(pid, SIGCONT);
  }
};

// A deadline that a fresh gnome-keyring, asked by a sanitized build on a loaded machine, does not
// miss. The tests run with it, the probe whether the service is there included; those that need a
// call to miss its deadline set a short one themselves.
constexpr HTTPCredentialKeyring::Timing kAmple{60s, 60s};

class KeyringTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HTTPCredentialKeyring::setTiming(kAmple);
    ASSERT_TRUE(HTTPCredentialKeyring::usesSecretService()) << "no secret service: run under scripts/with-keyring";
    ASSERT_NE(server.port(), 0) << "the test server did not start";
    ASIHTTPRequest::clearSession();
  }
  void TearDown() override { HTTPCredentialKeyring::setTiming({}); }
  test::MainQueueFixture main;
  test::NTLMAccounts accounts;
  test::TestServer server{"/usr/bin/python3"};
};

TEST_F(KeyringTest, ServerCredentialsThatWorkedAreSavedFoundByALaterRunAndRemovedWhenRefused) {
  RecordingDelegate first, later, refused;
  auto request = server.keychainRequest("/basic?user=ann&pass=pw");
  request->setUsername("ann");
  request->setPassword("pw");
  main.run(request, first);
  ASSERT_EQ(first.finished, 1);
  // The keyring saves on its own thread; a lookup made after the save waits for it.
  EXPECT_EQ(ASIHTTPRequest::savedCredentialsForHost("127.0.0.1", server.port(), "http", "tests"),
            (HTTPCredentials{"ann", "pw", std::nullopt}));
  const Attributes space{{"kind", "server"},
                         {"host", "127.0.0.1"},
                         {"port", std::to_string(server.port())},
                         {"protocol", "http"},
                         {"realm", "tests"}};
  auto items = itemsWith(space);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].attributes["user"], "ann");
  EXPECT_EQ(items[0].secret, "pw");

  // Another run left bob's credentials for the space: they answer a request that brings none.
  ASIHTTPRequest::removeCredentialsForHost("127.0.0.1", server.port(), "http", "tests");
  Attributes bob = space;
  bob["user"] = "bob";
  storeItem(bob, "pw2");
  ASIHTTPRequest::clearSession();
  main.run(server.keychainRequest("/basic?user=bob&pass=pw2"), later);
  EXPECT_EQ(later.finished, 1);
  EXPECT_EQ(later.started, 2);

  // The server no longer takes them: refused, they leave the keyring.
  ASIHTTPRequest::clearSession();
  main.run(server.keychainRequest("/basic?user=bob&pass=changed"), refused);
  ASSERT_EQ(refused.failed, 1);
  EXPECT_EQ(refused.lastError->code, ASIAuthenticationErrorType);
  EXPECT_FALSE(ASIHTTPRequest::savedCredentialsForHost("127.0.0.1", server.port(), "http", "tests"));
  EXPECT_TRUE(itemsWith(space).empty());
}

TEST_F(KeyringTest, ProxyCredentialsAreFiledUnderTheProxyWithTheirAccountDomain) {
  RecordingDelegate first, later;
  auto request = server.behindNTLMProxy("127.0.0.1");
  request->setUseKeychainPersistence(true);
  request->setProxyUsername("pat");
  request->setProxyPassword("proxypw");
  request->setProxyDomain("PROXYDOM");
  main.run(request, first);
  ASSERT_EQ(first.finished, 1) << (first.lastError ? first.lastError->toString() : "");
  EXPECT_EQ(ASIHTTPRequest::savedCredentialsForProxy("127.0.0.1", server.port(), ""),
            (HTTPCredentials{"PROXYDOM\\pat", "proxypw", std::nullopt}));
  auto items = itemsWith({{"kind", "proxy"}, {"host", "127.0.0.1"}});
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].attributes["port"], std::to_string(server.port()));
  EXPECT_EQ(items[0].attributes["realm"], "");
  EXPECT_EQ(items[0].attributes["user"], "PROXYDOM\\pat");
  EXPECT_EQ(items[0].secret, "proxypw");

  // What an earlier run saved for a proxy answers it, domain and all, for a request that did not ask
  // for keychain persistence too.
  storeItem({{"kind", "proxy"},
             {"host", "localhost"},
             {"port", std::to_string(server.port())},
             {"protocol", "http"},
             {"realm", ""},
             {"user", "PROXYDOM\\pat"}},
            "proxypw");
  main.run(server.behindNTLMProxy("localhost"), later);
  EXPECT_EQ(later.finished, 1) << (later.lastError ? later.lastError->toString() : "");
}

TEST_F(KeyringTest, WritesMadeWhileTheServiceRestsReachItWhenItAnswersAgainTheLastOneForEachSpace) {
  const auto space = [](const std::string& realm) {
    return HTTPProtectionSpace{false, "keyring.test", 443, "https", realm};
  };
  const HTTPProtectionSpace refused = space("refused"), replaced = space("replaced"), emptied = space("emptied"),
                            workedThenRefused = space("worked, then refused");
  const HTTPCredentials old{"ann", "old", std::nullopt}, fresh{"ann", "fresh", std::nullopt};
  for (const HTTPProtectionSpace& s : {refused, replaced, emptied, workedThenRefused})
    HTTPCredentialKeyring::saveAndWait(s, old);
  ASSERT_EQ(secretsIn(emptied), Secrets{"old"});

  const pid_t service = secretServiceProcess();
  ASSERT_GT(service, 0);
  ContinueService atEnd{service};
  ::kill(service, SIGSTOP);
  HTTPCredentialKeyring::setTiming({200ms, 60s});
  EXPECT_FALSE(HTTPCredentialKeyring::findAndWait(space("elsewhere")));  // a miss: the keyring rests
  // While it rests: the old credentials are refused; refused, then fresh ones work; fresh ones
  // work, then the space is emptied; fresh ones work, then they are refused too.
  HTTPCredentialKeyring::remove(refused, &old);
  HTTPCredentialKeyring::remove(replaced, &old);
  HTTPCredentialKeyring::save(replaced, fresh);
  HTTPCredentialKeyring::save(emptied, fresh);
  HTTPCredentialKeyring::remove(emptied);
  HTTPCredentialKeyring::save(workedThenRefused, fresh);
  HTTPCredentialKeyring::remove(workedThenRefused, &fresh);
  EXPECT_FALSE(HTTPCredentialKeyring::findAndWait(refused));
  EXPECT_EQ(HTTPCredentialKeyring::findAndWait(replaced), fresh);
  EXPECT_FALSE(HTTPCredentialKeyring::findAndWait(emptied));
  EXPECT_FALSE(HTTPCredentialKeyring::findAndWait(workedThenRefused));

  // The rest ends while the service still stalls: the writes miss again and wait for the next answer.
  HTTPCredentialKeyring::setTiming({200ms, 60s});
  EXPECT_FALSE(HTTPCredentialKeyring::findAndWait(refused));

  atEnd.resume();
  HTTPCredentialKeyring::setTiming(kAmple);
  EXPECT_FALSE(HTTPCredentialKeyring::findAndWait(refused));
  EXPECT_EQ(secretsIn(refused), Secrets{});
  EXPECT_EQ(secretsIn(replaced), Secrets{"fresh"});
  EXPECT_EQ(secretsIn(emptied), Secrets{});
  EXPECT_EQ(secretsIn(workedThenRefused), Secrets{});  // the old ones went with the fresh
  EXPECT_FALSE(HTTPCredentialKeyring::findAndWait(workedThenRefused));
}

// The end of the process runs in a child of the test (a death test that exits), which the test
// outlives. The child stops the service; a thread of the child continues it after `delay`, while
// the child's process ends.
void continueLater(pid_t service, std::chrono::milliseconds delay) {
  std::thread([service, delay] {
    std::this_thread::sleep_for(delay);
    ::kill(service, SIGCONT);
  }).detach();
}

TEST_F(KeyringTest, WhatTheServiceIsOwedWhenTheProcessEndsIsWrittenWhenItAnswersByTheDeadline) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const HTTPProtectionSpace atExit{false, "keyring.test", 443, "https", "at exit"};
  const HTTPProtectionSpace refused{false, "keyring.test", 443, "https", "refused"};
  const pid_t service = secretServiceProcess();
  ASSERT_GT(service, 0);
  ContinueService atEnd{service};
  // A save made just before the end.
  EXPECT_EXIT(
      {
        ::kill(service, SIGSTOP);
        HTTPCredentialKeyring::save(atExit, {"ann", "pw", std::nullopt});
        continueLater(service, 500ms);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  atEnd.resume();
  EXPECT_EQ(secretsIn(atExit), Secrets{"pw"});

  // A removal that missed its deadline and a save made while the keyring rests.
  HTTPCredentialKeyring::saveAndWait(refused, {"ann", "old", std::nullopt});
  EXPECT_EXIT(
      {
        HTTPCredentialKeyring::setTiming({500ms, 60s});
        ::kill(service, SIGSTOP);
        HTTPCredentialKeyring::removeAndWait(refused);
        HTTPCredentialKeyring::save(atExit, {"ann", "new", std::nullopt});
        continueLater(service, 150ms);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  atEnd.resume();
  EXPECT_EQ(secretsIn(refused), Secrets{});
  EXPECT_EQ(secretsIn(atExit), Secrets{"new"});
}

}  // namespace
}  // namespace td
