// The banners the application raises, the session's delegate, the web-address check and the
// named sounds' setting.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "BannerTestSupport.h"
#include "platform/Defaults.h"
#include "ui/QtBanners.h"
#include "ui/banners/SoundNotification.h"
#include "ui/banners/SystemBanners.h"
#include "ui/banners/WebAddress.h"

namespace td {
namespace {

TEST(SystemBanners, EachUseCarriesItsTextsDelayAndSound) {
  struct Row {
    std::shared_ptr<CNUserNotification> n;
    std::string title, subtitle, text;
    double delay;
  };
  const Row rows[] = {
      {banners::networkLost("TarnwickDesk"), "TarnwickDesk", "No network is available",
       "Please check the internet connection and then relogin", 5.0},
      {banners::chatMessage("TarnwickDesk", "Dealer 1", "hello %@"), "TarnwickDesk",
       "New chat message from : Dealer 1", "hello %@", 15.0},
      {banners::marginCall("TarnwickDesk", "1001"), "TarnwickDesk", "Account No : 1001",
       "Your account is on margin call", 30.0},
      {banners::newNoticeMessage("TarnwickDesk", "Holiday"), "TarnwickDesk", "Holiday", "You have a new message", 30.0},
      {banners::newNoticeMessages("TarnwickDesk", 4), "TarnwickDesk", "Messages", "You have 4 new messages", 15.0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.subtitle);
    EXPECT_EQ(row.n->title(), row.title);
    EXPECT_EQ(row.n->subtitle(), row.subtitle);
    EXPECT_EQ(row.n->informativeText(), row.text);
    EXPECT_EQ(row.n->feature().dismissDelayTime, row.delay);
    EXPECT_EQ(row.n->feature().lineBreakMode, 4u);
    EXPECT_FALSE(row.n->hasActionButton());
    EXPECT_EQ(row.n->soundName(), CNUserNotificationDefaultSound);
  }
}

TEST(SystemBanners, UpdateOfferStaysWrapsAndOffersDownload) {
  auto n = banners::updateAvailable("https://example.test/setup");
  EXPECT_EQ(n->title(), "App Updates Available");
  EXPECT_EQ(n->subtitle(), "Do you want to download?");
  EXPECT_EQ(n->informativeText(), "https://example.test/setup");
  EXPECT_EQ(n->feature().dismissDelayTime, -1.0);
  EXPECT_EQ(n->feature().lineBreakMode, 0u);
  EXPECT_TRUE(n->hasActionButton());
  EXPECT_EQ(n->actionButtonTitle(), "Download");
  EXPECT_FALSE(n->otherButtonTitle().has_value());
  EXPECT_EQ(n->userInfo().at("AppDownloadURL"), "https://example.test/setup");
  EXPECT_EQ(n->soundName(), CNUserNotificationDefaultSound2);
}

TEST(SystemBanners, ConfirmationWrapsAtWordsForFiveSeconds) {
  auto n = banners::confirmation("TarnwickDesk", "Bought 1 lot", "Trade Confirmation");
  EXPECT_EQ(n->title(), "TarnwickDesk");
  EXPECT_EQ(n->subtitle(), "Trade Confirmation");
  EXPECT_EQ(n->informativeText(), "Bought 1 lot");
  EXPECT_EQ(n->feature().dismissDelayTime, 5.0);
  EXPECT_EQ(n->feature().lineBreakMode, 0u);
  EXPECT_EQ(n->soundName(), CNUserNotificationDefaultSound);
}

struct ActionLog {
  std::vector<std::string> opened;
  int quits = 0;
  banners::PlatformActions actions() {
    return {[this](const std::string& a) { opened.push_back(a); }, [this] { ++quits; }};
  }
};

TEST(SessionBannerDelegate, ClickOnTheUpdateOfferOpensTheAddressAndQuits) {
  test::RecordingEnvironment env;
  CNUserNotificationCenter center;
  ActionLog log;
  center.setDelegate(banners::sessionBannerDelegate(log.actions()));
  center.deliverNotification(banners::updateAvailable("https://example.test/setup"));
  auto banner = center.notificationBannerController();
  env.clock.advance(30);
  EXPECT_EQ(banner->state(), BannerState::Resting) << "the update offer stays";
  banner->mouseUp();  // the body does what the Download button does
  EXPECT_EQ(log.opened, (std::vector<std::string>{"https://example.test/setup"}));
  EXPECT_EQ(log.quits, 1);
  EXPECT_EQ(banner->state(), BannerState::SlidingOut);
}

TEST(SessionBannerDelegate, ClosingButtonOfTheUpdateOfferOnlySlidesItOut) {
  test::RecordingEnvironment env;
  CNUserNotificationCenter center;
  ActionLog log;
  center.setDelegate(banners::sessionBannerDelegate(log.actions()));
  center.deliverNotification(banners::updateAvailable("https://example.test/setup"));
  env.clock.advance(1);
  center.notificationBannerController()->otherButtonAction();
  env.clock.advance(1);
  EXPECT_TRUE(center.notificationBannerController()->isClosed());
  EXPECT_TRUE(log.opened.empty());
  EXPECT_EQ(log.quits, 0);
}

TEST(SessionBannerDelegate, OtherBannersOnlySlideOutAndForeignSchemesAreNotOpened) {
  test::RecordingEnvironment env;
  CNUserNotificationCenter center;
  ActionLog log;
  center.setDelegate(banners::sessionBannerDelegate(log.actions()));
  center.deliverNotification(banners::marginCall("TarnwickDesk", "1001"));
  env.clock.advance(1);
  center.notificationBannerController()->mouseUp();
  EXPECT_EQ(center.notificationBannerController()->state(), BannerState::SlidingOut);

  center.deliverNotification(banners::updateAvailable("file:///etc/passwd"));
  env.clock.advance(1);
  center.notificationBannerController()->actionButtonAction();
  EXPECT_TRUE(log.opened.empty());
  EXPECT_EQ(log.quits, 0) << "a refused address leaves the application running";
}

TEST(WebAddress, OnlyHttpAndHttpsWithAHostAreOpenable) {
  for (const char* ok : {"http://example.test", "https://example.test/a?b=c#d", "HTTPS://Example.test:8443/x",
                         "https://user@example.test/"}) {
    EXPECT_TRUE(isOpenableWebAddress(ok)) << ok;
  }
  for (const char* bad : {"", "example.test", "file:///etc/passwd", "javascript:alert(1)", "ftp://example.test",
                          "https:example.test", "https://", "https:///path", "https://user@/x",
                          "https://exa mple.test", "https://example.test/\n", "mailto:a@example.test",
                          "httpx://example.test", " https://example.test"}) {
    EXPECT_FALSE(isOpenableWebAddress(bad)) << bad;
  }
}

class NamedSounds : public ::testing::Test {
 protected:
  std::vector<std::string> played;
  std::optional<bool> soundKey;  // nullopt: the setting is absent
  void SetUp() override {
    SoundNotification::install([this](const std::string& n) { played.push_back(n); },
                               [this] { return soundKey.value_or(false); });
  }
  void TearDown() override { SoundNotification::install({}, {}); }
};

TEST_F(NamedSounds, PlayWhenTheSettingIsAbsentOrFalse) {
  SoundNotification::playSoundNamed(SoundNotification::order);
  soundKey = false;
  SoundNotification::playSoundNamed(SoundNotification::welcome);
  EXPECT_EQ(played, (std::vector<std::string>{"order", "welcome"}));
}

TEST_F(NamedSounds, SettingTrueMutesNamedSoundsButNotABannersOwnSound) {
  soundKey = true;
  EXPECT_TRUE(SoundNotification::isSoundDisabled());
  SoundNotification::playSoundNamed(SoundNotification::connectionLost);
  EXPECT_TRUE(played.empty());

  test::RecordingEnvironment env;
  CNUserNotificationCenter center;
  center.deliverNotification(banners::networkLost("TarnwickDesk"));
  EXPECT_EQ(env.soundsPlayed, (std::vector<std::string>{CNUserNotificationDefaultSound}));
}

TEST_F(NamedSounds, SettingIsReadAfreshOnEveryCall) {
  soundKey = true;
  SoundNotification::playSoundNamed("order");
  soundKey = false;
  SoundNotification::playSoundNamed("order");
  EXPECT_EQ(played.size(), 1u);
}

TEST_F(NamedSounds, SoundKeyIsReadFromTheUserDefaults) {
  const auto file = std::filesystem::temp_directory_path() /
                    ("tarnwickdesk-soundkey-" + std::to_string(::getpid()) + ".json");
  {
    Defaults defaults(file);
    SoundNotification::install([this](const std::string& n) { played.push_back(n); }, soundKeyOf(defaults));
    SoundNotification::playSoundNamed("order");  // absent: sounds on
    defaults.setBool(SOUND_SETTINGS_KEY, true);
    SoundNotification::playSoundNamed("order");
    defaults.setBool(SOUND_SETTINGS_KEY, false);
    SoundNotification::playSoundNamed("welcome");
    SoundNotification::install({}, {});
  }
  std::filesystem::remove(file);
  EXPECT_EQ(played, (std::vector<std::string>{"order", "welcome"}));
}

TEST_F(NamedSounds, EmptyNamePlaysNothingAndAFailingPlayerIsContained) {
  SoundNotification::playSoundNamed("");
  EXPECT_TRUE(played.empty());
  SoundNotification::install([](const std::string&) { throw std::runtime_error("no device"); }, {});
  EXPECT_NO_THROW(SoundNotification::playSoundNamed("order"));
}

}  // namespace
}  // namespace td
