#pragma once
// One banner: its life from the slide-in through the rest to the slide-out, its timed dismissal and
// its input. The window itself is a BannerView (the Qt window in the application, a recording one
// in tests); the controller decides what happens and when.
//
// States: created -> sliding in -> resting -> sliding out -> closed; without a window maker a
// presented banner goes from created to closed at once and is never shown. A dismissal that comes while a
// slide runs is dropped, not postponed; a dismissal of a closed banner slides the hidden window
// out again, with no visible effect. The controller listens to the library's "dismiss every
// banner" post for as long as it lives; destroying it stops its listening and its timer.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/MainQueue.h"
#include "ui/banners/BannerEnvironment.h"
#include "ui/banners/BannerNotificationHub.h"
#include "ui/banners/CNUserNotification.h"

namespace td {

struct CNUserNotificationCenterDelegate;

// The window of one banner.
class BannerView {
 public:
  virtual ~BannerView() = default;
  // Builds the window for the controller's record, lays it out, puts it transparent at the
  // beginning of the slide-in, brings the application to the front and shows the window in front.
  virtual void prepare() = 0;
  // Animates to fully opaque at the resting place, or to transparent at the end place; done runs
  // once when the animation has ended.
  virtual void slideIn(double seconds, std::function<void()> done) = 0;
  virtual void slideOut(double seconds, std::function<void()> done) = 0;
  // After the slide-in: the window takes the keyboard focus and comes to the front.
  virtual void makeKeyAndOrderFront() = 0;
  // Hides the window; it is kept for the controller's life.
  virtual void close() = 0;
};

enum class BannerState { Created, SlidingIn, Resting, SlidingOut, Closed };

class CNUserNotificationBannerController
    : public std::enable_shared_from_this<CNUserNotificationBannerController> {
 public:
  using ActivationHandler = std::function<void(std::int64_t activationType)>;

  // Takes the environment's queue and window maker at construction.
  CNUserNotificationBannerController(std::shared_ptr<CNUserNotification> notification,
                                     std::shared_ptr<CNUserNotificationCenterDelegate> delegate,
                                     ActivationHandler handler,
                                     BannerNotificationHub& hub = BannerNotificationHub::shared());
  ~CNUserNotificationBannerController();
  CNUserNotificationBannerController(const CNUserNotificationBannerController&) = delete;
  CNUserNotificationBannerController& operator=(const CNUserNotificationBannerController&) = delete;

  // Presents the banner, then dismisses it after the given seconds (at the next turn of the loop
  // when zero or negative; a dismissal that falls into the slide-in is dropped).
  void presentBannerDismissAfter(double seconds);
  void presentBanner();
  void dismissBanner();
  void timedBannerDismiss();

  // Input from the window.
  void actionButtonAction();  // activation 2
  void otherButtonAction();   // the closing button
  void mouseUp();             // a click on the body: activation 1

  const std::shared_ptr<CNUserNotification>& userNotification() const { return notification_; }
  const std::map<std::string, std::string>& userInfo() const { return userInfo_; }
  const std::shared_ptr<CNUserNotificationCenterDelegate>& delegate() const { return delegate_; }
  unsigned informativeTextLineBreakMode() const { return informativeTextLineBreakMode_; }
  bool animationIsRunning() const { return state_ == BannerState::SlidingIn || state_ == BannerState::SlidingOut; }
  BannerState state() const { return state_; }
  bool isClosed() const { return state_ == BannerState::Closed; }
  // True while the timed dismissal has yet to fire.
  bool dismissTimerActive() const { return dismissTimer_.active(); }
  BannerView* view() const { return view_.get(); }

 private:
  void activate(std::int64_t type);

  BannerNotificationHub& hub_;
  MainQueue* queue_;
  std::function<std::unique_ptr<BannerView>(CNUserNotificationBannerController&)> makeView_;
  std::map<std::string, std::string> userInfo_;
  std::shared_ptr<CNUserNotification> notification_;
  ActivationHandler bannerActivationHandler_;
  unsigned informativeTextLineBreakMode_;
  std::shared_ptr<CNUserNotificationCenterDelegate> delegate_;
  std::unique_ptr<BannerView> view_;
  BannerState state_ = BannerState::Created;
  TimerHandle dismissTimer_;  // cancelled when the controller goes
  BannerNotificationHub::Token dismissToken_ = 0;
  // Guards the completion steps of animations that end after the controller is gone.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace td
