#pragma once
// What the banner library needs from the application: the main queue for its timers, the
// window of a banner, the player of a banner's own sound and the localised button captions. The
// application installs the Qt implementations once at start; tests install their own.

#include <functional>
#include <memory>
#include <string>

#include "platform/MainQueue.h"

namespace td {

class BannerView;
class CNUserNotificationBannerController;

struct BannerEnvironment {
  // Runs the timed dismissals; null means MainQueue::instance().
  MainQueue* queue = nullptr;
  // Makes the window of one banner; called once per banner, when it is first presented.
  std::function<std::unique_ptr<BannerView>(CNUserNotificationBannerController&)> makeView;
  // Plays a banner's own sound by name; not muted by the sound setting. Unknown names are silent.
  std::function<void(const std::string& soundName)> playSound;
  // The application's localised text for a key ("Close", "Show"); the key itself without one.
  std::function<std::string(const std::string& key)> localizedString;
  // The application's name, the title of most banners.
  std::string applicationName = "TarnwickDesk";
};

void installBannerEnvironment(BannerEnvironment environment);
const BannerEnvironment& bannerEnvironment();
// The installed queue, else MainQueue::instance() (null when neither is set).
MainQueue* bannerQueue();

// The localised text for key through the installed environment, or the key itself.
std::string bannerLocalizedString(const std::string& key);

}  // namespace td
