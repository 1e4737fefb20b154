#include "ui/banners/CNUserNotificationBannerController.h"

#include <algorithm>
#include <chrono>

#include "platform/Log.h"
#include "ui/banners/BannerLayout.h"

namespace td {

namespace {
// Delays beyond a few decades are taken as that long (and stay representable in nanoseconds).
constexpr double kLongestDelay = 1e9;
}  // namespace

CNUserNotificationBannerController::CNUserNotificationBannerController(
    std::shared_ptr<CNUserNotification> notification, std::shared_ptr<CNUserNotificationCenterDelegate> delegate,
    ActivationHandler handler, BannerNotificationHub& hub)
    : hub_(hub),
      queue_(bannerQueue()),
      makeView_(bannerEnvironment().makeView),
      userInfo_(notification->userInfo()),
      notification_(std::move(notification)),
      bannerActivationHandler_(std::move(handler)),
      informativeTextLineBreakMode_(notification_->feature().lineBreakMode),
      delegate_(std::move(delegate)) {
  dismissToken_ = hub_.addObserver(CNUserNotificationDismissBannerNotification,
                                   [this](std::optional<std::int64_t>) { dismissBanner(); });
}

CNUserNotificationBannerController::~CNUserNotificationBannerController() {
  hub_.removeObserver(dismissToken_);
  dismissTimer_.cancel();
  *alive_ = false;
}

void CNUserNotificationBannerController::presentBannerDismissAfter(double seconds) {
  presentBanner();
  if (isClosed()) return;  // never shown
  if (!queue_) {
    TD_LOG_ERROR("banner: no main queue; the banner is not dismissed on time");
    return;
  }
  // Zero and negative delays fire at the next turn of the loop.
  const auto delay = std::chrono::round<Clock::Duration>(std::chrono::duration<double>(seconds > 0 ? std::min(seconds, kLongestDelay) : 0.0));
  std::weak_ptr<bool> alive = alive_;
  dismissTimer_ = queue_->schedule(delay, [this, alive] {
    if (alive.expired()) return;
    timedBannerDismiss();
  });
}

void CNUserNotificationBannerController::presentBanner() {
  // A banner slides in once; later calls (and calls during the slide-in) do nothing.
  if (state_ != BannerState::Created) return;
  if (!view_) {
    if (!makeView_) {
      // Over before it began: the centre lets it go.
      TD_LOG_ERROR("banner: no window maker installed; the banner is not shown");
      state_ = BannerState::Closed;
      return;
    }
    view_ = makeView_(*this);
  }
  state_ = BannerState::SlidingIn;
  view_->prepare();
  std::weak_ptr<bool> alive = alive_;
  view_->slideIn(banner::slideInAnimationDuration, [this, alive] {
    if (alive.expired()) return;
    state_ = BannerState::Resting;
    view_->makeKeyAndOrderFront();
    hub_.post(CNUserNotificationHasBeenPresentedNotification);
  });
}

void CNUserNotificationBannerController::dismissBanner() {
  // Dropped while a slide runs, and before the banner was ever shown.
  if (animationIsRunning() || state_ == BannerState::Created || !view_) return;
  state_ = BannerState::SlidingOut;
  std::weak_ptr<bool> alive = alive_;
  view_->slideOut(banner::slideOutAnimationDuration, [this, alive] {
    if (alive.expired()) return;
    state_ = BannerState::Closed;
    view_->close();
  });
}

void CNUserNotificationBannerController::timedBannerDismiss() { dismissBanner(); }

void CNUserNotificationBannerController::activate(std::int64_t type) {
  // The handler may end in a post that makes the centre let go of this banner: stay alive until
  // the call returns.
  auto self = weak_from_this().lock();
  ActivationHandler handler = bannerActivationHandler_;
  if (handler) handler(type);
}

void CNUserNotificationBannerController::actionButtonAction() {
  activate(CNUserNotificationActivationTypeActionButtonClicked);
}

void CNUserNotificationBannerController::otherButtonAction() { dismissBanner(); }

void CNUserNotificationBannerController::mouseUp() { activate(CNUserNotificationActivationTypeContentsClicked); }

}  // namespace td
