#include "ui/banners/CNUserNotification.h"

namespace td {

CNUserNotification::CNUserNotification(BannerNotificationHub& hub) : hub_(hub) {
  presentedToken_ = hub_.addObserver(CNUserNotificationHasBeenPresentedNotification,
                                     [this](std::optional<std::int64_t>) { presented_ = true; });
  activatedToken_ = hub_.addObserver(CNUserNotificationActivatedWithTypeNotification,
                                     [this](std::optional<std::int64_t> type) {
                                       activationType_ = type.value_or(CNUserNotificationActivationTypeNone);
                                     });
}

CNUserNotification::~CNUserNotification() {
  hub_.removeObserver(presentedToken_);
  hub_.removeObserver(activatedToken_);
}

std::shared_ptr<CNUserNotification> CNUserNotification::create(BannerNotificationHub& hub) {
  return std::shared_ptr<CNUserNotification>(new CNUserNotification(hub));
}

std::shared_ptr<CNUserNotification> CNUserNotification::copy() const {
  auto other = create(hub_);
  other->title_ = title_;
  other->subtitle_ = subtitle_;
  other->informativeText_ = informativeText_;
  other->hasActionButton_ = hasActionButton_;
  other->actionButtonTitle_ = actionButtonTitle_;
  other->otherButtonTitle_ = otherButtonTitle_;
  other->soundName_ = soundName_;
  other->userInfo_ = userInfo_;
  return other;
}

}  // namespace td
