// The login window's remembered passwords in a real secret service: gnome-keyring-daemon, unlocked,
// in a D-Bus session of this program's own (ctest runs it under scripts/with-keyring).

#include "ui/QtKeychainStore.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <optional>

#include "QtTestApp.h"
#include "ScratchSettings.h"
#include "platform/LoginInputdata.h"
#include "ui/shell/RememberedCredentials.h"

namespace td {
namespace {

using Status = SecretStore::Status;

// Runs the Qt events until the store has answered (at most a few seconds of real time).
template <class T>
T await(std::optional<T>& answer) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!answer && std::chrono::steady_clock::now() < deadline)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_TRUE(answer) << "the secret service did not answer";
  return answer.value_or(T{});
}

// One launch of the application: its settings file and a keychain store of its own.
struct Launch {
  explicit Launch(Defaults& defaults) : credentials(defaults, logindata, secrets) {}
  std::pair<Status, std::string> password(const std::string& key) {
    std::optional<std::pair<Status, std::string>> answer;
    credentials.loadPassword(key, [&](Status status, const std::string& secret) { answer.emplace(status, secret); });
    return await(answer);
  }
  LoginInputdata logindata;
  QtKeychainStore secrets;
  CredentialStore credentials;
};

TEST(QtKeychainStoreTest, ARememberedPasswordIsFoundByTheNextLaunchPerModeUntilItIsRemoved) {
  test::qtTestApp();
  test::ScratchSettings settings;
  {
    Launch first(*settings);
    std::optional<Status> stored;
    first.credentials.store(LIVE_ACCOUNT_INFO, {"trader", "live.example", "8120"}, "s3cret#with%marks",
                            [&](Status status) { stored = status; });
    ASSERT_EQ(await(stored), Status::Ok);
  }
  Launch next(*settings);
  EXPECT_EQ(next.password(LIVE_ACCOUNT_INFO), std::make_pair(Status::Ok, std::string("s3cret#with%marks")));
  EXPECT_EQ(next.password(DEMO_ACCOUNT_INFO).first, Status::NotFound);
  ASSERT_TRUE(next.credentials.load(LIVE_ACCOUNT_INFO));
  EXPECT_EQ(next.credentials.load(LIVE_ACCOUNT_INFO)->userName, "trader");

  next.credentials.remove(LIVE_ACCOUNT_INFO);
  Launch after(*settings);
  EXPECT_EQ(after.password(LIVE_ACCOUNT_INFO).first, Status::NotFound);
  EXPECT_FALSE(after.credentials.load(LIVE_ACCOUNT_INFO));
}

}  // namespace
}  // namespace td
