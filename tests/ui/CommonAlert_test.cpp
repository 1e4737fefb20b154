// The common alert (modal, bold title, literal message, one "OK"), its banner form, and the sound
// player's lookup of sound files.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <thread>

#include "BannerTestSupport.h"
#include "QtTestApp.h"
#include "ui/CommonAlert.h"
#include "ui/QtSoundPlayer.h"
#include "ui/banners/CNUserNotificationCenter.h"

namespace td {
namespace {

TEST(CommonAlertDialogTest, ShowsTitleBoldAndMessageLiterallyWithOneOkButton) {
  test::qtTestApp();
  const QString message = "Order Status : Rejected\nReason : 100% <b>margin</b> %d %@";
  CommonAlertDialog alert(message, "Info");
  EXPECT_TRUE(alert.isModal());
  EXPECT_EQ(alert.titleLabel()->text(), "Info");
  EXPECT_TRUE(alert.titleLabel()->font().bold());
  EXPECT_EQ(alert.messageLabel()->text(), message);
  EXPECT_EQ(alert.messageLabel()->textFormat(), Qt::PlainText);
  EXPECT_EQ(alert.titleLabel()->textFormat(), Qt::PlainText);
  const auto buttons = alert.findChildren<QPushButton*>();
  ASSERT_EQ(buttons.size(), 1);
  EXPECT_EQ(buttons[0]->text(), "OK");
}

TEST(CommonAlertDialogTest, ModalAlertReturnsOnceOkIsPressed) {
  test::qtTestApp();
  bool sawAlert = false;
  QTimer::singleShot(0, [&] {
    auto* alert = qobject_cast<CommonAlertDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(alert, nullptr);
    sawAlert = alert->titleLabel()->text() == "Trade Confirmation" && alert->messageLabel()->text() == "Bought";
    alert->okButton()->click();
  });
  CommonAlert::ShowCommonAlertVieWwithMessage("Bought", "Trade Confirmation");
  EXPECT_TRUE(sawAlert);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(CommonAlertBanner, DeliversAWrappingFiveSecondBannerThroughTheCustomCentre) {
  // The custom centre lives for the whole program: so does this environment.
  static auto* env = new test::RecordingEnvironment;
  auto& center = CNUserNotificationCenter::customUserNotificationCenter();
  auto delegate = std::make_shared<CNUserNotificationCenterDelegate>();
  center.setDelegate(delegate);

  CommonAlert::ShowCommonUserNotificationwithMessage("Order placed %@", "Order Confirmation");
  auto banner = center.notificationBannerController();
  ASSERT_NE(banner, nullptr);
  const auto& n = *banner->userNotification();
  EXPECT_EQ(n.title(), "TarnwickDesk");
  EXPECT_EQ(n.subtitle(), "Order Confirmation");
  EXPECT_EQ(n.informativeText(), "Order placed %@");
  EXPECT_EQ(n.feature().lineBreakMode, 0u);
  EXPECT_EQ(n.feature().dismissDelayTime, 5.0);
  EXPECT_EQ(center.delegate(), delegate) << "the delegate is left as it is";
  EXPECT_EQ(env->soundsPlayed, (std::vector<std::string>{"CNUserNotificationDefaultSound"}));
  env->clock.advance(5.56);
  EXPECT_TRUE(banner->isClosed());
}

TEST(CommonAlertBanner, ConfirmationTakesTheFormTheUserChose) {
  test::qtTestApp();
  static auto* env = new test::RecordingEnvironment;
  auto& center = CNUserNotificationCenter::customUserNotificationCenter();
  CommonAlert::ShowConfirmation("Sold 2 lots", "Trade Confirmation", false);
  EXPECT_EQ(center.notificationBannerController()->userNotification()->informativeText(), "Sold 2 lots");

  const auto banner = center.notificationBannerController();
  std::string alertText;
  QTimer::singleShot(0, [&] {
    auto* alert = qobject_cast<CommonAlertDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(alert, nullptr);
    alertText = alert->messageLabel()->text().toStdString();
    alert->okButton()->click();
  });
  CommonAlert::ShowConfirmation("Sold 3 lots", "Trade Confirmation", true);
  EXPECT_EQ(alertText, "Sold 3 lots");
  EXPECT_EQ(center.notificationBannerController(), banner) << "no banner for the alert form";
  (void)env;
}

TEST(CommonAlertBanner, RaisedOffTheMainThreadItIsDeliveredOnTheMainQueue) {
  static auto* env = new test::RecordingEnvironment;  // bound to this (the main) thread
  auto& center = CNUserNotificationCenter::customUserNotificationCenter();
  const auto before = center.notificationBannerController();
  std::thread worker([] { CommonAlert::ShowCommonUserNotificationwithMessage("Filled", "Trade Confirmation"); });
  worker.join();
  EXPECT_EQ(center.notificationBannerController(), before);
  env->queue.runPending();
  ASSERT_NE(center.notificationBannerController(), before);
  EXPECT_EQ(center.notificationBannerController()->userNotification()->informativeText(), "Filled");
}

TEST(QtSoundPlayerTest, FindsSoundsInFolderOrderAndRefusesPathsInNames) {
  test::qtTestApp();
  QTemporaryDir first, second;
  auto touch = [](const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  };
  touch(QDir(second.path()).filePath("order.wav"));
  touch(QDir(first.path()).filePath("welcome.wav"));
  touch(QDir(second.path()).filePath("welcome.wav"));
  QtSoundPlayer player({first.path(), second.path()});
  EXPECT_EQ(player.soundFile("welcome"), QDir(first.path()).filePath("welcome.wav"));
  EXPECT_EQ(player.soundFile("order"), QDir(second.path()).filePath("order.wav"));
  EXPECT_EQ(player.soundFile("unknown"), "");
  EXPECT_EQ(player.soundFile(""), "");
  EXPECT_EQ(player.soundFile("../" + QDir(second.path()).dirName().toStdString() + "/order"), "");
  player.play("unknown");  // silent
}

TEST(QtSoundPlayerTest, ShippedSoundsCoverEveryName) {
  test::qtTestApp();
  QtSoundPlayer player;
  for (const char* name : {"welcome", "order", "cancelOrder", "connectionLost", "CNUserNotificationDefaultSound",
                           "CNUserNotificationDefaultSound2"}) {
    EXPECT_FALSE(player.soundFile(name).isEmpty()) << name;
  }
  player.play("order");  // plays, or is skipped without an audio device
}

}  // namespace
}  // namespace td
