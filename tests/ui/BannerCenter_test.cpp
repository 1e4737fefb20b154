// The banner centre and the banner's life, without a display: delivery, timed dismissal on a
// controllable clock, dropped dismissals during a slide, activation through the delegate.

#include <gtest/gtest.h>

#include "BannerTestSupport.h"
#include "ui/banners/CNUserNotificationCenter.h"

namespace td {
namespace {

using test::RecordingEnvironment;
using Record = std::shared_ptr<CNUserNotification>;
using Events = std::vector<std::string>;

Record makeRecord(double delay, const char* title = "TarnwickDesk") {
  auto n = CNUserNotification::create();
  n->setTitle(std::string(title));
  n->setSubtitle(std::string("subtitle"));
  n->setInformativeText(std::string("text"));
  n->feature().dismissDelayTime = delay;
  n->setSoundName(std::string(CNUserNotificationDefaultSound));
  return n;
}

struct DelegateLog {
  std::vector<std::string> calls;
  std::vector<CNUserNotificationCenter*> centers;
};

std::shared_ptr<CNUserNotificationCenterDelegate> fullDelegate(DelegateLog& log, bool answer) {
  auto d = std::make_shared<CNUserNotificationCenterDelegate>();
  d->didDeliverNotification = [&log](CNUserNotificationCenter& c, const Record&) {
    log.calls.push_back("deliver");
    log.centers.push_back(&c);
  };
  d->shouldPresentNotification = [&log, answer](CNUserNotificationCenter& c, const Record&) {
    log.calls.push_back("should");
    log.centers.push_back(&c);
    return answer;
  };
  d->didActivateNotification = [&log](CNUserNotificationCenter& c, const Record&) {
    log.calls.push_back("activate");
    log.centers.push_back(&c);
  };
  return d;
}

class BannerCenter : public ::testing::Test {
 protected:
  RecordingEnvironment env;
  CNUserNotificationCenter center;
  std::vector<std::int64_t> activations;
  BannerNotificationHub::Token activationToken = BannerNotificationHub::shared().addObserver(
      CNUserNotificationActivatedWithTypeNotification,
      [this](std::optional<std::int64_t> type) { activations.push_back(type.value_or(-1)); });
  ~BannerCenter() override { BannerNotificationHub::shared().removeObserver(activationToken); }

  CNUserNotificationBannerController& newest() { return *center.notificationBannerController(); }
};

TEST_F(BannerCenter, DeliveryCallsDelegateThenSlidesInAndPlaysTheBannersSound) {
  DelegateLog log;
  center.setDelegate(fullDelegate(log, true));
  auto n = makeRecord(5.0);
  center.deliverNotification(n);

  EXPECT_EQ(log.calls, (Events{"deliver"}));
  ASSERT_EQ(log.centers.size(), 1u);
  EXPECT_EQ(log.centers[0], &center);  // the delivering centre, not the default one
  EXPECT_EQ(env.views.events, (Events{"prepare #1", "slideIn #1"}));
  EXPECT_EQ(env.soundsPlayed, (Events{CNUserNotificationDefaultSound}));
  EXPECT_TRUE(newest().animationIsRunning());
  EXPECT_FALSE(n->isPresented());

  env.clock.advance(0.42);
  EXPECT_EQ(newest().state(), BannerState::Resting);
  EXPECT_TRUE(n->isPresented());
  EXPECT_EQ(env.views.events.back(), "front #1");
}

TEST_F(BannerCenter, NullSoundNamePlaysNothingAndTheBannerStillShows) {
  auto n = makeRecord(5.0);
  n->setSoundName(std::nullopt);
  center.deliverNotification(n);
  EXPECT_TRUE(env.soundsPlayed.empty());
  EXPECT_EQ(env.views.events, (Events{"prepare #1", "slideIn #1"}));
}

TEST_F(BannerCenter, TimedDismissalSlidesOutAfterTheDelayAndClosesAfterTheSlide) {
  center.deliverNotification(makeRecord(5.0));
  env.clock.advanceTo(4.99);
  EXPECT_EQ(newest().state(), BannerState::Resting);
  env.clock.advanceTo(5.0);
  EXPECT_EQ(newest().state(), BannerState::SlidingOut);
  EXPECT_EQ(env.views.events.back(), "slideOut #1");
  env.clock.advanceTo(5.0 + 0.56);
  EXPECT_EQ(newest().state(), BannerState::Closed);
  EXPECT_EQ(env.views.events, (Events{"prepare #1", "slideIn #1", "front #1", "slideOut #1", "close #1"}));
}

TEST_F(BannerCenter, DelaysShorterThanTheSlideInKeepTheBannerUntilTheUserCloses) {
  for (double delay : {0.3, 0.0, -1.0}) {
    SCOPED_TRACE(delay);
    center.deliverNotification(makeRecord(delay));
    auto& banner = newest();
    env.clock.advance(60);
    EXPECT_EQ(banner.state(), BannerState::Resting) << "the dismissal during the slide-in is dropped";
    banner.otherButtonAction();
    env.clock.advance(0.56);
    EXPECT_TRUE(banner.isClosed());
  }
}

TEST_F(BannerCenter, ClosingButtonDuringTheSlideInDoesNothingAndWorksOnceResting) {
  center.deliverNotification(makeRecord(5.0));
  auto& banner = newest();
  env.clock.advance(0.2);
  banner.otherButtonAction();
  EXPECT_EQ(banner.state(), BannerState::SlidingIn);
  env.clock.advance(0.22);
  EXPECT_EQ(banner.state(), BannerState::Resting);
  banner.otherButtonAction();
  EXPECT_EQ(banner.state(), BannerState::SlidingOut);
  banner.otherButtonAction();  // during the slide-out: dropped too
  env.clock.advance(0.56);
  EXPECT_TRUE(banner.isClosed());
  EXPECT_EQ(std::count(env.views.events.begin(), env.views.events.end(), "slideOut #1"), 1);
}

TEST_F(BannerCenter, BannerClosedByItsButtonShowsNothingNewWhenItsDelayRunsOut) {
  center.deliverNotification(makeRecord(5.0));
  env.clock.advance(1.0);
  newest().otherButtonAction();
  env.clock.advance(0.56);
  ASSERT_TRUE(newest().isClosed());
  env.clock.advanceTo(10.0);
  // The timer still fires and slides the hidden window out again; it stays closed.
  EXPECT_TRUE(newest().isClosed());
  EXPECT_EQ(env.views.events.back(), "close #1");
}

TEST_F(BannerCenter, TwoDeliveriesStackAndEachLeavesOnItsOwnTimer) {
  center.deliverNotification(makeRecord(5.0, "first"));
  auto first = center.notificationBannerController();
  env.clock.advanceTo(1.0);
  center.deliverNotification(makeRecord(5.0, "second"));
  auto second = center.notificationBannerController();
  ASSERT_NE(first, second);
  EXPECT_EQ(center.bannerCount(), 2u);

  env.clock.advanceTo(5.0);
  EXPECT_EQ(first->state(), BannerState::SlidingOut);
  EXPECT_EQ(second->state(), BannerState::Resting);
  env.clock.advanceTo(6.0);
  EXPECT_TRUE(first->isClosed());
  EXPECT_EQ(second->state(), BannerState::SlidingOut);
  env.clock.advanceTo(6.56);
  EXPECT_TRUE(second->isClosed());
  EXPECT_EQ(env.views.events, (Events{"prepare #1", "slideIn #1", "front #1", "prepare #2", "slideIn #2", "front #2",
                                      "slideOut #1", "close #1", "slideOut #2", "close #2"}));
}

TEST_F(BannerCenter, DeliveringWhileTheFirstSlidesInKeepsTheFirstAlive) {
  center.deliverNotification(makeRecord(5.0, "first"));
  std::weak_ptr<CNUserNotificationBannerController> first = center.notificationBannerController();
  env.clock.advance(0.1);
  center.deliverNotification(makeRecord(5.0, "second"));
  ASSERT_FALSE(first.expired());
  env.clock.advance(0.4);
  EXPECT_EQ(first.lock()->state(), BannerState::Resting);
}

TEST_F(BannerCenter, ClosedBannersAreReleasedAtTheNextDelivery) {
  center.deliverNotification(makeRecord(1.0));
  std::weak_ptr<CNUserNotificationBannerController> first = center.notificationBannerController();
  env.clock.advance(2.0);
  ASSERT_TRUE(first.lock()->isClosed());
  center.deliverNotification(makeRecord(1.0));
  EXPECT_TRUE(first.expired());
  EXPECT_EQ(center.bannerCount(), 1u);
  env.clock.advance(10);  // the released banner's timer no longer fires
}

TEST_F(BannerCenter, ReleasingBannersDropsEveryWindowAndItsTimer) {
  center.deliverNotification(makeRecord(5.0));
  std::weak_ptr<CNUserNotificationBannerController> first = center.notificationBannerController();
  center.deliverNotification(makeRecord(-1.0));
  center.releaseBanners();
  EXPECT_TRUE(first.expired());
  EXPECT_EQ(center.notificationBannerController(), nullptr);
  EXPECT_EQ(center.bannerCount(), 0u);
  env.clock.advance(10);  // no timer or slide of a released banner runs
  EXPECT_EQ(env.views.events, (Events{"prepare #1", "slideIn #1", "prepare #2", "slideIn #2"}));
}

TEST_F(BannerCenter, ClickWithoutDelegatePostsTheActivationOnly) {
  center.deliverNotification(makeRecord(5.0));
  env.clock.advance(0.42);
  newest().mouseUp();
  EXPECT_EQ(activations, (std::vector<std::int64_t>{1}));
  EXPECT_EQ(newest().state(), BannerState::Resting);
  env.clock.advanceTo(5.56);
  EXPECT_TRUE(newest().isClosed());
}

TEST_F(BannerCenter, ActivationGoesToTheDelegateWithTheDefaultCentreAndDismissesEveryBanner) {
  DelegateLog log;
  center.setDelegate(fullDelegate(log, true));
  auto first = makeRecord(30.0, "first");
  center.deliverNotification(first);
  auto firstBanner = center.notificationBannerController();
  env.clock.advance(1.0);
  auto second = makeRecord(30.0, "second");
  center.deliverNotification(second);
  auto secondBanner = center.notificationBannerController();
  env.clock.advance(1.0);
  log = {};

  secondBanner->actionButtonAction();
  EXPECT_EQ(activations, (std::vector<std::int64_t>{2}));
  EXPECT_EQ(log.calls, (Events{"should", "activate"}));
  auto& defaultCenter = CNUserNotificationCenter::defaultUserNotificationCenter();
  EXPECT_EQ(log.centers, (std::vector<CNUserNotificationCenter*>{&defaultCenter, &defaultCenter}));
  EXPECT_EQ(firstBanner->state(), BannerState::SlidingOut);
  EXPECT_EQ(secondBanner->state(), BannerState::SlidingOut);
  // Every live record took the activation post.
  EXPECT_EQ(first->activationType(), 2);
  EXPECT_EQ(second->activationType(), 2);
}

TEST_F(BannerCenter, DelegateAnsweringFalseGetsNoActivationAndNothingIsDismissed) {
  DelegateLog log;
  center.setDelegate(fullDelegate(log, false));
  center.deliverNotification(makeRecord(5.0));
  env.clock.advance(0.42);
  log = {};
  newest().mouseUp();
  EXPECT_EQ(log.calls, (Events{"should"}));
  EXPECT_EQ(newest().state(), BannerState::Resting);
}

TEST_F(BannerCenter, DelegateWithoutActivationCallbackDismissesNothing) {
  DelegateLog log;
  auto d = fullDelegate(log, true);
  d->didActivateNotification = nullptr;
  center.setDelegate(d);
  center.deliverNotification(makeRecord(5.0));
  env.clock.advance(0.42);
  newest().mouseUp();
  EXPECT_EQ(newest().state(), BannerState::Resting);
  EXPECT_EQ(activations, (std::vector<std::int64_t>{1}));
}

TEST_F(BannerCenter, ActivationDuringTheSlideInReachesTheDelegateButTheDismissalIsDropped) {
  DelegateLog log;
  center.setDelegate(fullDelegate(log, true));
  center.deliverNotification(makeRecord(5.0));
  env.clock.advance(0.1);
  newest().mouseUp();
  EXPECT_EQ(log.calls, (Events{"deliver", "should", "activate"}));
  EXPECT_EQ(newest().state(), BannerState::SlidingIn);
  env.clock.advance(0.32);
  EXPECT_EQ(newest().state(), BannerState::Resting);
}

TEST_F(BannerCenter, DelegateMayDeliverANewBannerFromItsActivationCallback) {
  auto d = std::make_shared<CNUserNotificationCenterDelegate>();
  d->shouldPresentNotification = [](CNUserNotificationCenter&, const Record&) { return true; };
  d->didActivateNotification = [this](CNUserNotificationCenter&, const Record&) {
    center.deliverNotification(makeRecord(5.0, "follow-up"));
  };
  center.setDelegate(d);
  center.deliverNotification(makeRecord(5.0));
  auto first = center.notificationBannerController();
  env.clock.advance(0.5);
  first->mouseUp();
  // The follow-up is sliding in, so the dismissal post drops it; the first one slides out.
  EXPECT_EQ(first->state(), BannerState::SlidingOut);
  EXPECT_EQ(center.notificationBannerController()->userNotification()->title(), "follow-up");
  EXPECT_EQ(center.notificationBannerController()->state(), BannerState::SlidingIn);
}

TEST_F(BannerCenter, RecordWithoutTextsStillShows) {
  auto n = CNUserNotification::create();
  center.deliverNotification(n);
  EXPECT_EQ(env.views.events, (Events{"prepare #1", "slideIn #1"}));
}

TEST(BannerCentres, CustomCentreIsOneObjectDistinctFromTheDefaultCentre) {
  auto& custom = CNUserNotificationCenter::customUserNotificationCenter();
  EXPECT_EQ(&custom, &CNUserNotificationCenter::customUserNotificationCenter());
  EXPECT_EQ(&CNUserNotificationCenter::defaultUserNotificationCenter(),
            &CNUserNotificationCenter::defaultUserNotificationCenter());
  EXPECT_NE(&custom, &CNUserNotificationCenter::defaultUserNotificationCenter());
  EXPECT_EQ(custom.notificationBannerController(), nullptr);
  EXPECT_TRUE(custom.cn_scheduledNotifications().empty());
}

TEST(BannerRecord, CopyCarriesTextsButtonsSoundAndUserInfoWithADefaultFeature) {
  auto n = CNUserNotification::create();
  n->setTitle(std::string("t"));
  n->setSubtitle(std::string(""));
  n->setInformativeText(std::string("i"));
  n->setHasActionButton(true);
  n->setActionButtonTitle(std::string("Download"));
  n->setOtherButtonTitle(std::string("Later"));
  n->setSoundName(std::string("order"));
  n->setUserInfo({{"AppDownloadURL", "https://example.test/"}});
  n->feature().dismissDelayTime = -1;
  n->feature().lineBreakMode = CNLineBreakByWordWrapping;
  n->setDeliveryTimeZone(std::string("UTC"));

  auto c = n->copy();
  EXPECT_EQ(c->title(), "t");
  EXPECT_EQ(c->subtitle(), "");
  EXPECT_EQ(c->informativeText(), "i");
  EXPECT_TRUE(c->hasActionButton());
  EXPECT_EQ(c->actionButtonTitle(), "Download");
  EXPECT_EQ(c->otherButtonTitle(), "Later");
  EXPECT_EQ(c->soundName(), "order");
  EXPECT_EQ(c->userInfo(), n->userInfo());
  EXPECT_EQ(c->feature(), CNUserNotificationFeature{});
  EXPECT_FALSE(c->deliveryTimeZone().has_value());
}

TEST(BannerRecord, DefaultsAndLibraryPostsReachEveryLiveRecord) {
  auto a = CNUserNotification::create();
  auto b = CNUserNotification::create();
  EXPECT_EQ(a->feature().dismissDelayTime, 5.0);
  EXPECT_EQ(a->feature().lineBreakMode, 4u);
  EXPECT_FALSE(a->title().has_value());
  EXPECT_FALSE(a->soundName().has_value());
  EXPECT_TRUE(a->userInfo().empty());
  EXPECT_FALSE(a->isPresented());
  EXPECT_EQ(a->activationType(), 0);

  auto& hub = BannerNotificationHub::shared();
  const auto before = hub.observerCount();
  hub.post(CNUserNotificationHasBeenPresentedNotification);
  hub.post(CNUserNotificationActivatedWithTypeNotification, 1);
  EXPECT_TRUE(a->isPresented() && b->isPresented());
  EXPECT_EQ(a->activationType(), 1);
  EXPECT_EQ(b->activationType(), 1);
  b.reset();
  EXPECT_EQ(hub.observerCount(), before - 2) << "a destroyed record stops listening";
}

TEST(BannerHub, ObserverMayRemoveItselfAndOthersDuringAPost) {
  BannerNotificationHub hub;
  std::vector<int> calls;
  BannerNotificationHub::Token second = 0;
  BannerNotificationHub::Token first = hub.addObserver("n", [&](std::optional<std::int64_t>) {
    calls.push_back(1);
    hub.removeObserver(first);
    hub.removeObserver(second);
    hub.addObserver("n", [&](std::optional<std::int64_t>) { calls.push_back(3); });
  });
  second = hub.addObserver("n", [&](std::optional<std::int64_t>) { calls.push_back(2); });
  hub.addObserver("other", [&](std::optional<std::int64_t>) { calls.push_back(9); });
  hub.post("n");
  EXPECT_EQ(calls, (std::vector<int>{1}));
  hub.post("n");
  EXPECT_EQ(calls, (std::vector<int>{1, 3}));
}

}  // namespace
}  // namespace td
