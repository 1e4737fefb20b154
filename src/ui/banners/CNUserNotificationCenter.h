#pragma once
// The banner centre: turns a notification record into a banner on screen and routes the user's
// click on it to the centre's delegate.
//
// Every banner of the application goes through customUserNotificationCenter(); the default centre
// only stands as the `center` argument of the two activation callbacks. Main thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "ui/banners/BannerNotificationHub.h"
#include "ui/banners/CNUserNotification.h"
#include "ui/banners/CNUserNotificationBannerController.h"

namespace td {

class CNUserNotificationCenter;

// The delegate's three callbacks; each is optional (an empty function is one it does not implement).
struct CNUserNotificationCenterDelegate {
  using Record = std::shared_ptr<CNUserNotification>;
  std::function<void(CNUserNotificationCenter& center, const Record& notification)> didDeliverNotification;
  std::function<bool(CNUserNotificationCenter& center, const Record& notification)> shouldPresentNotification;
  std::function<void(CNUserNotificationCenter& center, const Record& notification)> didActivateNotification;
};

class CNUserNotificationCenter {
 public:
  using Record = std::shared_ptr<CNUserNotification>;

  // The process-wide centres, each made once on first use; they are distinct objects.
  static CNUserNotificationCenter& defaultUserNotificationCenter();
  static CNUserNotificationCenter& customUserNotificationCenter();

  explicit CNUserNotificationCenter(BannerNotificationHub& hub = BannerNotificationHub::shared());
  CNUserNotificationCenter(const CNUserNotificationCenter&) = delete;
  CNUserNotificationCenter& operator=(const CNUserNotificationCenter&) = delete;

  // Shows the record as a banner, over any banner still on screen, and plays its own sound (not
  // muted by the application's sound setting). The record's three texts should be set; a missing
  // one shows as an empty line.
  void deliverNotification(const Record& notification);

  const std::shared_ptr<CNUserNotificationCenterDelegate>& delegate() const { return delegate_; }
  // Held strongly until replaced; the library never clears it.
  void setDelegate(std::shared_ptr<CNUserNotificationCenterDelegate> delegate) { delegate_ = std::move(delegate); }

  // The callbacks as the centre answers them: each passes the call on when the delegate implements
  // it. Without a delegate answer, shouldPresentNotification is false; didActivateNotification
  // then does nothing, else it asks every banner on screen to slide out after passing the call on.
  void didDeliverNotification(CNUserNotificationCenter& center, const Record& notification);
  bool shouldPresentNotification(CNUserNotificationCenter& center, const Record& notification);
  void didActivateNotification(CNUserNotificationCenter& center, const Record& notification);

  // The controller of the most recently delivered banner; none when it could not be shown.
  const std::shared_ptr<CNUserNotificationBannerController>& notificationBannerController() const {
    return notificationBannerController_;
  }
  // Never filled; kept for the shape of the platform's centre.
  const std::vector<Record>& deliveredNotifications() const { return deliveredNotifications_; }
  const std::vector<Record>& cn_scheduledNotifications() const { return scheduledNotifications_; }

  // Lets go of every banner at once, closing their windows; for the application's shut-down, while
  // the window system is still there.
  void releaseBanners();

  // Banners this centre keeps alive: every one delivered since the last delivery, and every one
  // not yet closed (closed ones are let go at the next delivery).
  std::size_t bannerCount() const { return banners_.size(); }

 private:
  void handleActivation(const Record& notification, std::int64_t type);

  BannerNotificationHub& hub_;
  std::shared_ptr<CNUserNotificationCenterDelegate> delegate_;
  std::shared_ptr<CNUserNotificationBannerController> notificationBannerController_;
  std::vector<std::shared_ptr<CNUserNotificationBannerController>> banners_;
  std::vector<Record> deliveredNotifications_;
  std::vector<Record> scheduledNotifications_;
};

}  // namespace td
