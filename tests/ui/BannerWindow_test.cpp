// The banner's Qt window on the offscreen platform: place and size on the screen, heights for
// short and long texts, the buttons and their captions, clicks, and the slides.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>

#include "BannerTestSupport.h"
#include "QtTestApp.h"
#include "ui/BannerWindow.h"
#include "ui/banners/CNUserNotificationCenter.h"

namespace td {
namespace {

using Record = std::shared_ptr<CNUserNotification>;

Record makeRecord(const std::string& text, unsigned mode = CNLineBreakByTruncatingTail) {
  auto n = CNUserNotification::create();
  n->setTitle(std::string("TarnwickDesk"));
  n->setSubtitle(std::string("Trade Confirmation"));
  n->setInformativeText(text);
  n->feature().lineBreakMode = mode;
  n->feature().dismissDelayTime = 5.0;
  return n;
}

std::string longText() {
  std::string text;
  for (int i = 0; i < 40; ++i) text += "Bought 1.00 lot of EURUSD at 1.08345 ";
  return text;
}

class BannerWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::qtTestApp();
    BannerEnvironment env;
    env.queue = &queue;
    env.makeView = [](CNUserNotificationBannerController& c) -> std::unique_ptr<BannerView> {
      return std::make_unique<BannerWindow>(c);
    };
    env.localizedString = [](const std::string& key) { return key == "Close" ? std::string() : key; };
    installBannerEnvironment(std::move(env));
  }
  void TearDown() override { installBannerEnvironment({}); }

  BannerWindow& deliver(const Record& n) {
    center.deliverNotification(n);
    return window();
  }
  BannerWindow& window() { return *static_cast<BannerWindow*>(center.notificationBannerController()->view()); }
  // Ends the running slide at once, as if its time had passed.
  void finishSlide() {
    auto* group = window().animation();
    ASSERT_NE(group, nullptr);
    group->setCurrentTime(group->totalDuration());
    QCoreApplication::processEvents();
  }
  QRect screen() const { return QGuiApplication::primaryScreen()->geometry(); }
  int menuBar() const { return QGuiApplication::primaryScreen()->availableGeometry().top() - screen().top(); }

  ManualMainQueue queue;
  test::SecondsClock clock{queue};
  CNUserNotificationCenter center;
};

TEST_F(BannerWindowTest, IsAFramelessTranslucentWindowOnTopAtTheTopRight) {
  auto& w = deliver(makeRecord("Bought 1 lot"));
  EXPECT_TRUE(w.isWindow());
  EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(w.testAttribute(Qt::WA_TranslucentBackground));
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(w.windowOpacity(), 0.0);
  const int h = w.height();
  EXPECT_EQ(w.geometry(), QRect(screen().right() + 1 - 380 - 15, screen().top() + 10, 380, h));

  finishSlide();
  EXPECT_EQ(w.geometry(), QRect(screen().right() + 1 - 380 - 15, screen().top() + menuBar() + 10, 380, h));
  EXPECT_DOUBLE_EQ(w.windowOpacity(), 1.0);
  EXPECT_EQ(center.notificationBannerController()->state(), BannerState::Resting);

  clock.advance(5.0);
  finishSlide();
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(w.geometry().x(), screen().right() + 1 - 380) << "slides out 15 to the right";
  EXPECT_TRUE(center.notificationBannerController()->isClosed());
}

TEST_F(BannerWindowTest, ShortTextTakesItsContentHeightAndLongSingleLineTextIsCappedAt70) {
  auto& shortBanner = deliver(makeRecord("Bought 1 lot"));
  const auto& g = shortBanner.bannerGeometry();
  EXPECT_EQ(g.labelWidth, 320);
  EXPECT_LE(g.contentHeight, 70);
  EXPECT_EQ(shortBanner.height(), std::lround(g.contentHeight));
  EXPECT_EQ(shortBanner.informativeTextLabel()->displayedText(), "Bought 1 lot");

  auto& longBanner = deliver(makeRecord(longText()));
  EXPECT_GT(longBanner.bannerGeometry().contentHeight, 70);
  EXPECT_EQ(longBanner.height(), 70);
  const QString shown = longBanner.informativeTextLabel()->displayedText();
  EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << "one line, truncated at the tail";
  EXPECT_LT(shown.size(), static_cast<int>(longText().size()));
}

TEST_F(BannerWindowTest, WrappingTextGrowsTheBannerByItsLineEstimate) {
  auto& w = deliver(makeRecord(longText().substr(0, 200), CNLineBreakByWordWrapping));
  const auto& g = w.bannerGeometry();
  const double lineHeight = w.titleLabel()->sizeHint().height();
  const double lines = std::ceil(w.informativeTextLabel()->sizeHint().width() / 320.0);
  EXPECT_GE(lines, 2);
  EXPECT_FLOAT_EQ(g.informativeTextHeight, static_cast<float>(lineHeight * lines));
  EXPECT_EQ(g.nominalHeight, 70 + g.informativeTextHeight);
  EXPECT_GT(w.height(), 70);
  EXPECT_EQ(w.height(), std::lround(std::min(g.contentHeight, g.nominalHeight)));
  EXPECT_TRUE(w.informativeTextLabel()->isMultiLine());
  EXPECT_GE(w.informativeTextLabel()->geometry().bottom() + 1, std::lround(g.informativeText.y + g.informativeTextHeight));
}

TEST_F(BannerWindowTest, RecordWithoutActionButtonHasNoButtonsAndEmptySubtitleLine) {
  auto n = makeRecord("text");
  n->setSubtitle(std::string(""));
  auto& w = deliver(n);
  EXPECT_EQ(w.actionButton(), nullptr);
  EXPECT_EQ(w.otherButton(), nullptr);
  EXPECT_EQ(w.findChildren<QPushButton*>().size(), 0);
  EXPECT_EQ(w.titleLabel()->geometry(), QRect(52, 8, 320, w.titleLabel()->sizeHint().height()));
  EXPECT_EQ(w.subtitleLabel()->text(), "");
  EXPECT_EQ(w.subtitleLabel()->geometry().top(), 8 + w.titleLabel()->height() + 1);
}

TEST_F(BannerWindowTest, ActionButtonRecordStacksCloseOverShowAtTheRight) {
  auto n = makeRecord("An update is ready");
  n->setHasActionButton(true);
  n->setActionButtonTitle(std::string(""));
  auto& w = deliver(n);
  ASSERT_NE(w.actionButton(), nullptr);
  ASSERT_NE(w.otherButton(), nullptr);
  EXPECT_EQ(w.otherButton()->text(), "Close") << "no translation: the key itself";
  EXPECT_EQ(w.actionButton()->text(), "Show");
  const QRect other = w.otherButton()->geometry(), action = w.actionButton()->geometry();
  const int buttonWidth = std::max(w.otherButton()->sizeHint().width(), w.actionButton()->sizeHint().width());
  EXPECT_EQ(other.width(), buttonWidth);
  EXPECT_EQ(action.width(), buttonWidth);
  EXPECT_EQ(other.right() + 1, 380 - 8);
  EXPECT_EQ(other.top(), 8);
  EXPECT_EQ(action.top(), other.bottom() + 1 + 8);
  EXPECT_EQ(action.left(), other.left());
  EXPECT_LE(action.bottom() + 1, w.height());
  EXPECT_EQ(w.bannerGeometry().labelWidth, 312 - buttonWidth);
  EXPECT_EQ(w.titleLabel()->geometry().right() + 1 + 8, other.left());
}

TEST_F(BannerWindowTest, CustomButtonTitlesAreUsed) {
  auto n = makeRecord("An update is ready");
  n->setHasActionButton(true);
  n->setActionButtonTitle(std::string("Download"));
  n->setOtherButtonTitle(std::string("Later"));
  auto& w = deliver(n);
  EXPECT_EQ(w.actionButton()->text(), "Download");
  EXPECT_EQ(w.otherButton()->text(), "Later");
}

TEST_F(BannerWindowTest, ButtonsAndBodyClicksReachTheController) {
  std::vector<std::string> calls;
  auto d = std::make_shared<CNUserNotificationCenterDelegate>();
  d->shouldPresentNotification = [&](CNUserNotificationCenter&, const Record&) { return true; };
  d->didActivateNotification = [&](CNUserNotificationCenter&, const Record&) { calls.push_back("activate"); };
  center.setDelegate(d);
  std::vector<std::int64_t> types;
  auto token = BannerNotificationHub::shared().addObserver(
      CNUserNotificationActivatedWithTypeNotification,
      [&](std::optional<std::int64_t> t) { types.push_back(t.value_or(-1)); });

  auto n = makeRecord("text");
  n->setHasActionButton(true);
  auto& w = deliver(n);
  finishSlide();
  QTest::mouseClick(w.actionButton(), Qt::LeftButton);
  QTest::mouseClick(w.titleLabel(), Qt::LeftButton);  // the labels let clicks through to the body
  EXPECT_EQ(types, (std::vector<std::int64_t>{2, 1}));
  EXPECT_EQ(calls.size(), 2u);
  EXPECT_EQ(center.notificationBannerController()->state(), BannerState::SlidingOut);
  BannerNotificationHub::shared().removeObserver(token);
}

TEST_F(BannerWindowTest, ClosingButtonIsIgnoredDuringTheSlideIn) {
  auto n = makeRecord("text");
  n->setHasActionButton(true);
  auto& w = deliver(n);
  QTest::mouseClick(w.otherButton(), Qt::LeftButton);
  EXPECT_EQ(center.notificationBannerController()->state(), BannerState::SlidingIn);
  finishSlide();
  QTest::mouseClick(w.otherButton(), Qt::LeftButton);
  EXPECT_EQ(center.notificationBannerController()->state(), BannerState::SlidingOut);
  finishSlide();
  EXPECT_FALSE(w.isVisible());
}

}  // namespace
}  // namespace td
