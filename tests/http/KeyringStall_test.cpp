// Keychain persistence when the secret service never answers (a stalled daemon, or a keyring waiting
// for the user to unlock it): in a D-Bus session of this program's own (ctest runs it under
// scripts/with-session-bus), a stand-in owns the secret service's name and drops every call made to it.
// No request waits for it beyond the keyring's deadline, and none waits for it twice in a row.

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <atomic>

#include "HTTPTestSupport.h"
#include "http/HTTPCredentialKeyring.h"

namespace td {
namespace {

using namespace std::chrono_literals;
using test::RecordingDelegate;
using Elapsed = std::chrono::milliseconds;

// Owns org.freedesktop.secrets on the session bus through a connection of its own, and answers no
// call made to it.
class SilentSecretService {
 public:
  SilentSecretService() {
    GError* error = nullptr;
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (address) {
      connection_ = g_dbus_connection_new_for_address_sync(
          address,
          static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                            G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
          nullptr, nullptr, &error);
      g_free(address);
    }
    if (!connection_) {
      problem_ = error ? error->message : "no session bus";
      if (error) g_error_free(error);
      return;
    }
    g_dbus_connection_add_filter(connection_, &dropCalls, this, nullptr);
    constexpr guint32 doNotQueue = 4, primaryOwner = 1;
    GVariant* reply = g_dbus_connection_call_sync(
        connection_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
        g_variant_new("(su)", "org.freedesktop.secrets", doNotQueue), G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE,
        5000, nullptr, &error);
    if (!reply) {
      problem_ = error ? error->message : "RequestName failed";
      if (error) g_error_free(error);
      return;
    }
    guint32 result = 0;
    g_variant_get(reply, "(u)", &result);
    g_variant_unref(reply);
    if (result != primaryOwner) problem_ = "the name has another owner";
  }
  ~SilentSecretService() {
    if (connection_) {
      g_dbus_connection_close_sync(connection_, nullptr, nullptr);
      g_object_unref(connection_);
    }
  }
  // Empty when it owns the name.
  const std::string& problem() const { return problem_; }
  // The calls made to it so far.
  int calls() const { return calls_; }

 private:
  static GDBusMessage* dropCalls(GDBusConnection*, GDBusMessage* message, gboolean incoming, gpointer self) {
    if (incoming && g_dbus_message_get_message_type(message) == G_DBUS_MESSAGE_TYPE_METHOD_CALL) {
      ++static_cast<SilentSecretService*>(self)->calls_;
      g_object_unref(message);
      return nullptr;
    }
    return message;
  }

  GDBusConnection* connection_ = nullptr;
  std::string problem_;
  std::atomic<int> calls_{0};
};

// The keyring's deadline: well past what a request or two take on a loaded machine, and what a
// request held up by the keyring would wait for.
constexpr Elapsed kDeadline{2000};

class KeyringStallTest : public ::testing::Test {
 protected:
  // The stand-in keeps the name until the process ends, when the keyring tries once more what it
  // still owes the service (with the name free, the bus would start the desktop's own service).
  static void SetUpTestSuite() {
    if (!service) service = new SilentSecretService();
  }
  void SetUp() override {
    ASSERT_TRUE(service->problem().empty()) << service->problem() << " (run under scripts/with-session-bus)";
    ASSERT_NE(server.port(), 0) << "the test server did not start";
    ASIHTTPRequest::clearSession();
  }
  static Elapsed since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<Elapsed>(std::chrono::steady_clock::now() - start);
  }

  static SilentSecretService* service;
  test::MainQueueFixture main;
  test::TestServer server;
};

SilentSecretService* KeyringStallTest::service = nullptr;

TEST_F(KeyringStallTest, ASaveThatIsNeverAnsweredHoldsUpNeitherItsRequestNorAnother) {
  HTTPCredentialKeyring::setTiming({kDeadline, 60000ms});
  RecordingDelegate saving, unrelated;
  const auto start = std::chrono::steady_clock::now();
  auto request = server.keychainRequest("/basic?user=ann&pass=pw");
  request->setUsername("ann");
  request->setPassword("pw");
  main.run(request, saving);
  ASSERT_EQ(saving.finished, 1);
  main.run(ASIHTTPRequest::requestWithURL(server.url("/hello")), unrelated);
  EXPECT_EQ(unrelated.finished, 1);
  EXPECT_LT(since(start), kDeadline) << "a request waited for the save";

  // The save waited for the silent service until its deadline, then kept the credentials in memory
  // (where the lookup, answered while the keyring rests, finds them).
  EXPECT_EQ(ASIHTTPRequest::savedCredentialsForHost("127.0.0.1", server.port(), "http", "tests"),
            (HTTPCredentials{"ann", "pw", std::nullopt}));
  EXPECT_GE(since(start), kDeadline);
}

TEST_F(KeyringStallTest, ALookupResumesItsRequestAtTheDeadlineAndAfterAMissNoneWaitsAgain) {
  HTTPCredentialKeyring::setTiming({kDeadline, 60000ms});
  RecordingDelegate looking, unrelated;
  const auto start = std::chrono::steady_clock::now();
  auto request = server.keychainRequest("/basic?user=ann&pass=pw");
  request->setDelegate(&looking);
  request->startAsynchronous();

  // While the challenge waits for the keyring, another request runs.
  main.run(ASIHTTPRequest::requestWithURL(server.url("/hello")), unrelated);
  EXPECT_EQ(unrelated.finished, 1);
  EXPECT_LT(since(start), kDeadline) << "the other request waited for the lookup";
  EXPECT_FALSE(looking.done());

  // Resumed by the keyring's empty answer, not by its own time-out.
  ASSERT_TRUE(main.pumpUntil([&] { return looking.done(); }));
  ASSERT_EQ(looking.failed, 1);
  EXPECT_EQ(looking.lastError->code, ASIAuthenticationErrorType);
  EXPECT_GE(since(start), kDeadline);

  // The keyring rests after its miss: the next lookup is answered at once, without asking the
  // service (this request runs synchronously, and is resumed on its own thread's loop).
  const int asked = service->calls();
  auto again = server.keychainRequest("/basic?user=ann&pass=pw");
  again->startSynchronous();
  ASSERT_TRUE(again->error());
  EXPECT_EQ(again->error()->code, ASIAuthenticationErrorType);
  EXPECT_EQ(service->calls(), asked) << "the keyring asked the service again";
}

}  // namespace
}  // namespace td
