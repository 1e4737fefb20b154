#pragma once
// The banner notification record and its per-banner presentation options.
//
// A record is created through CNUserNotification::create() and handed around as a shared pointer:
// the centre and the banner keep it alive while they need it. For its whole life a record listens
// to two library notifications: "has been presented" sets `presented`, "activated with type" sets
// `activationType`. The posts carry no record, so every live record takes every such post.

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "ui/banners/BannerNotificationHub.h"

namespace td {

// Library constants: notification names and sound names.
inline constexpr const char* CNUserNotificationHasBeenPresentedNotification =
    "CNUserNotificationHasBeenPresentedNotification";
inline constexpr const char* CNUserNotificationDismissBannerNotification =
    "CNUserNotificationDismissBannerNotification";
inline constexpr const char* CNUserNotificationActivatedWithTypeNotification =
    "CNUserNotificationActivatedWithTypeNotification";
inline constexpr const char* CNUserNotificationDefaultSound = "CNUserNotificationDefaultSound";
inline constexpr const char* CNUserNotificationDefaultSound2 = "CNUserNotificationDefaultSound2";

// How the informative text breaks.
enum CNLineBreakMode : unsigned {
  CNLineBreakByWordWrapping = 0,
  CNLineBreakByCharWrapping = 1,
  CNLineBreakByClipping = 2,
  CNLineBreakByTruncatingHead = 3,
  CNLineBreakByTruncatingTail = 4,
  CNLineBreakByTruncatingMiddle = 5,
};

// True for the modes that let the text wrap over several lines (0 and 1); the others keep it on one.
inline bool isMultiLineBreakMode(unsigned mode) {
  return mode == CNLineBreakByWordWrapping || mode == CNLineBreakByCharWrapping;
}

// Activation types handed to the centre by a banner.
enum CNUserNotificationActivationType : std::int64_t {
  CNUserNotificationActivationTypeNone = 0,
  CNUserNotificationActivationTypeContentsClicked = 1,
  CNUserNotificationActivationTypeActionButtonClicked = 2,
};

struct CNUserNotificationFeature {
  // Seconds from the start of the presentation to the timed dismissal.
  double dismissDelayTime = 5.0;
  unsigned lineBreakMode = CNLineBreakByTruncatingTail;
  // Path of the picture at the banner's left; empty shows the application's icon.
  std::string bannerImage;

  bool operator==(const CNUserNotificationFeature&) const = default;
};

// Calendar components of a repeat interval (carried only).
struct CNCalendarComponents {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  bool operator==(const CNCalendarComponents&) const = default;
};

class CNUserNotification {
 public:
  using Text = std::optional<std::string>;  // nullopt is a null text; "" an empty one
  using Date = std::chrono::system_clock::time_point;
  using UserInfo = std::map<std::string, std::string>;

  // A new record with the defaults, listening to the library's notifications.
  static std::shared_ptr<CNUserNotification> create(
      BannerNotificationHub& hub = BannerNotificationHub::shared());
  ~CNUserNotification();
  CNUserNotification(const CNUserNotification&) = delete;
  CNUserNotification& operator=(const CNUserNotification&) = delete;

  // A new record with its own default feature that carries the texts, the button settings, the
  // sound name and the user info of this one; every other field starts at its default.
  std::shared_ptr<CNUserNotification> copy() const;

  const CNUserNotificationFeature& feature() const { return feature_; }
  CNUserNotificationFeature& feature() { return feature_; }
  void setFeature(const CNUserNotificationFeature& feature) {
    if (!(feature == feature_)) feature_ = feature;
  }

  const Text& title() const { return title_; }
  void setTitle(Text text) { title_ = std::move(text); }
  const Text& subtitle() const { return subtitle_; }
  void setSubtitle(Text text) { subtitle_ = std::move(text); }
  const Text& informativeText() const { return informativeText_; }
  void setInformativeText(Text text) { informativeText_ = std::move(text); }

  bool hasActionButton() const { return hasActionButton_; }
  void setHasActionButton(bool value) { hasActionButton_ = value; }
  const Text& actionButtonTitle() const { return actionButtonTitle_; }
  void setActionButtonTitle(Text text) { actionButtonTitle_ = std::move(text); }
  const Text& otherButtonTitle() const { return otherButtonTitle_; }
  void setOtherButtonTitle(Text text) { otherButtonTitle_ = std::move(text); }

  // Carried only: neither the centre nor the banner reads them.
  const std::optional<Date>& deliveryDate() const { return deliveryDate_; }
  void setDeliveryDate(std::optional<Date> date) { deliveryDate_ = date; }
  const std::optional<Date>& actualDeliveryDate() const { return actualDeliveryDate_; }
  const std::optional<CNCalendarComponents>& deliveryRepeatInterval() const { return deliveryRepeatInterval_; }
  void setDeliveryRepeatInterval(std::optional<CNCalendarComponents> value) { deliveryRepeatInterval_ = value; }
  const Text& deliveryTimeZone() const { return deliveryTimeZone_; }
  void setDeliveryTimeZone(Text zone) { deliveryTimeZone_ = std::move(zone); }
  bool isRemote() const { return remote_; }

  bool isPresented() const { return presented_; }
  std::int64_t activationType() const { return activationType_; }

  // Sound played on delivery; nullopt plays none.
  const Text& soundName() const { return soundName_; }
  void setSoundName(Text name) { soundName_ = std::move(name); }

  const UserInfo& userInfo() const { return userInfo_; }
  void setUserInfo(UserInfo info) { userInfo_ = std::move(info); }

 private:
  explicit CNUserNotification(BannerNotificationHub& hub);

  BannerNotificationHub& hub_;
  BannerNotificationHub::Token presentedToken_ = 0;
  BannerNotificationHub::Token activatedToken_ = 0;

  CNUserNotificationFeature feature_;
  Text title_;
  Text subtitle_;
  Text informativeText_;
  bool hasActionButton_ = false;
  Text actionButtonTitle_;
  Text otherButtonTitle_;
  std::optional<Date> deliveryDate_;
  std::optional<Date> actualDeliveryDate_;
  std::optional<CNCalendarComponents> deliveryRepeatInterval_;
  Text deliveryTimeZone_;
  bool presented_ = false;
  bool remote_ = false;
  Text soundName_;
  std::int64_t activationType_ = CNUserNotificationActivationTypeNone;
  UserInfo userInfo_;
};

}  // namespace td
