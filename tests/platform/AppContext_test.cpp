#include "platform/AppContext.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "platform/Defaults.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"

// Stand-ins for the higher layers' types, which this test program does not link.
namespace td {
class BusinessBase {
 public:
  explicit BusinessBase(int n) : number(n) {}
  int number;
};
class OrderMananger {};
}  // namespace td

namespace td {
namespace {

class RecordingAlerts final : public UserAlerts {
 public:
  void showAlert(const std::string& title, const std::string& message) override {
    calls.push_back("alert " + title + "|" + message);
  }
  void showBanner(const std::string& title, const std::string& message) override {
    calls.push_back("banner " + title + "|" + message);
  }
  void playSound(const std::string& name) override { calls.push_back("sound " + name); }
  std::vector<std::string> calls;
};

std::shared_ptr<AppContext> makeContext() {
  return std::make_shared<AppContext>(std::make_shared<LoginInputdata>(ServerPresets::shipped()));
}

TEST(AppContext, AnInstalledContextIsCurrentUntilItsScopeEndsAndReplacedObjectsLiveOnForTheirHolders) {
  const auto before = AppContext::current();
  {
    ScopedAppContext scope(makeContext());
    EXPECT_NE(AppContext::current(), before);
    EXPECT_EQ(AppContext::current().get(), &*scope);

    scope->setBusinessbase(std::make_shared<BusinessBase>(1));
    const auto first = AppContext::current()->businessbase();
    scope->setBusinessbase(std::make_shared<BusinessBase>(2));  // a new session per login click
    EXPECT_EQ(first->number, 1);                                // still alive for whoever holds it
    EXPECT_EQ(AppContext::current()->businessbase()->number, 2);
    EXPECT_EQ(scope->orderMananger(), nullptr);
    EXPECT_EQ(scope->mWindowController(), nullptr);
    EXPECT_EQ(scope->logindata().productName(), "TarnwickDesk");
  }
  EXPECT_EQ(AppContext::current(), before);
}

TEST(AppContext, UserAlertsGoToTheInstalledImplementationElseToTheLog) {
  const auto context = makeContext();
  std::vector<std::string> logged;
  log::setSink([&](log::Level, std::string_view text) { logged.emplace_back(text); });
  context->userAlerts()->showAlert("TarnwickDesk", "Connection lost");
  log::setSink({});
  EXPECT_EQ(logged, std::vector<std::string>{"Alert: TarnwickDesk: Connection lost"});

  const auto alerts = std::make_shared<RecordingAlerts>();
  context->setUserAlerts(alerts);
  context->userAlerts()->showBanner("TarnwickDesk", "No network is available");
  context->userAlerts()->playSound("order");
  EXPECT_EQ(alerts->calls,
            (std::vector<std::string>{"banner TarnwickDesk|No network is available", "sound order"}));
}

TEST(AppContext, NotificationCentreAndDefaultsCanBeReplacedByTestOnes) {
  const auto context = makeContext();
  EXPECT_EQ(context->notificationCenter().get(), &NotificationCenter::defaultCenter());
  const auto center = std::make_shared<NotificationCenter>();
  context->setNotificationCenter(center);
  EXPECT_EQ(context->notificationCenter(), center);

  const auto file = std::filesystem::temp_directory_path() / "td-appcontext-defaults.json";
  std::filesystem::remove(file);
  context->setDefaults(std::make_shared<Defaults>(file));
  context->defaults()->setInteger("LanguageKey", 1);
  EXPECT_EQ(context->defaults()->integerForKey("LanguageKey"), 1);
  EXPECT_EQ(context->defaults()->file(), file);
  EXPECT_FALSE(std::filesystem::exists(file));  // setters do not write
  context->setDefaults(nullptr);                // the last owner gone: the dirty store is written
  EXPECT_EQ(Defaults(file).integerForKey("LanguageKey"), 1);
  std::filesystem::remove(file);
}

TEST(AppContext, SelectedLanguageAndObjectsMayBeReadFromOtherThreads) {
  const auto context = makeContext();
  EXPECT_EQ(context->selectedLanguage(), 0);
  std::thread writer([&] {
    for (int i = 0; i < 500; ++i) {
      context->setSelectedLanguage(i % 2);
      context->setBusinessbase(std::make_shared<BusinessBase>(i));
    }
  });
  for (int i = 0; i < 500; ++i) {
    const int language = context->selectedLanguage();
    EXPECT_TRUE(language == 0 || language == 1);
    if (const auto b = context->businessbase()) {
      EXPECT_GE(b->number, 0);
    }
  }
  writer.join();
}

}  // namespace
}  // namespace td
