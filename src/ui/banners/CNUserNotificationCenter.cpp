#include "ui/banners/CNUserNotificationCenter.h"

#include <algorithm>

#include "ui/banners/BannerEnvironment.h"

namespace td {

CNUserNotificationCenter& CNUserNotificationCenter::defaultUserNotificationCenter() {
  static CNUserNotificationCenter center;
  return center;
}

CNUserNotificationCenter& CNUserNotificationCenter::customUserNotificationCenter() {
  static CNUserNotificationCenter center;
  return center;
}

CNUserNotificationCenter::CNUserNotificationCenter(BannerNotificationHub& hub) : hub_(hub) {}

void CNUserNotificationCenter::deliverNotification(const Record& notification) {
  if (!notification) return;
  // The handler keeps the record alive; the centre outlives its banners.
  auto handler = [this, notification](std::int64_t type) { handleActivation(notification, type); };

  // Banners that have slid out are let go here; those still on screen keep their own timer and
  // listening, and end on their own.
  notificationBannerController_.reset();
  std::erase_if(banners_, [](const auto& banner) { return banner->isClosed(); });
  auto controller = std::make_shared<CNUserNotificationBannerController>(notification, delegate_, handler, hub_);
  notificationBannerController_ = controller;
  banners_.push_back(controller);

  didDeliverNotification(*this, notification);
  controller->presentBannerDismissAfter(notification->feature().dismissDelayTime);
  if (controller->isClosed()) {
    // Not shown (no window maker): nothing keeps it.
    std::erase(banners_, controller);
    notificationBannerController_.reset();
  }

  const auto& sound = notification->soundName();
  const auto& play = bannerEnvironment().playSound;
  if (sound && play) play(*sound);
}

void CNUserNotificationCenter::releaseBanners() {
  notificationBannerController_.reset();
  auto banners = std::move(banners_);
  banners_.clear();
  banners.clear();  // a window closed here may not deliver again into the list being cleared
}

void CNUserNotificationCenter::didDeliverNotification(CNUserNotificationCenter& center, const Record& notification) {
  auto delegate = delegate_;
  if (delegate && delegate->didDeliverNotification) delegate->didDeliverNotification(center, notification);
}

bool CNUserNotificationCenter::shouldPresentNotification(CNUserNotificationCenter& center,
                                                         const Record& notification) {
  auto delegate = delegate_;
  if (delegate && delegate->shouldPresentNotification) return delegate->shouldPresentNotification(center, notification);
  return false;
}

void CNUserNotificationCenter::didActivateNotification(CNUserNotificationCenter& center, const Record& notification) {
  auto delegate = delegate_;
  if (!delegate || !delegate->didActivateNotification) return;
  delegate->didActivateNotification(center, notification);
  hub_.post(CNUserNotificationDismissBannerNotification);
}

void CNUserNotificationCenter::handleActivation(const Record& notification, std::int64_t type) {
  hub_.post(CNUserNotificationActivatedWithTypeNotification, type);
  if (type != CNUserNotificationActivationTypeContentsClicked &&
      type != CNUserNotificationActivationTypeActionButtonClicked) {
    return;
  }
  CNUserNotificationCenter& defaultCenter = defaultUserNotificationCenter();
  if (shouldPresentNotification(defaultCenter, notification)) didActivateNotification(defaultCenter, notification);
}

}  // namespace td
