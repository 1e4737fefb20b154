#include "ui/QtBanners.h"

#include <QCoreApplication>

#include "platform/Defaults.h"
#include "platform/MainQueue.h"
#include "ui/BannerWindow.h"
#include "ui/QtSoundPlayer.h"
#include "ui/banners/BannerEnvironment.h"
#include "ui/banners/CNUserNotificationCenter.h"
#include "ui/banners/SoundNotification.h"

namespace td {

std::function<bool()> soundKeyOf(const Defaults& defaults) {
  return [&defaults] { return defaults.boolForKey(SOUND_SETTINGS_KEY); };
}

void installQtBanners(QObject* owner, QtBannerOptions options) {
  auto* player = new QtSoundPlayer(QtSoundPlayer::defaultFolders(), owner);
  auto play = [player](const std::string& name) {
    MainQueue* queue = bannerQueue();
    if (queue && !queue->isMainThread()) {
      queue->post([player, name] { player->play(name); });  // the player lives on the main thread
      return;
    }
    player->play(name);
  };

  BannerEnvironment environment;
  environment.queue = options.queue;
  environment.makeView = [](CNUserNotificationBannerController& controller) -> std::unique_ptr<BannerView> {
    return std::make_unique<BannerWindow>(controller);
  };
  environment.playSound = play;
  environment.localizedString = std::move(options.localizedString);
  environment.applicationName = std::move(options.applicationName);
  installBannerEnvironment(std::move(environment));
  SoundNotification::install(play, std::move(options.soundKey));

  // The banner windows must go while the application object still stands.
  if (auto* app = QCoreApplication::instance()) {
    QObject::connect(app, &QCoreApplication::aboutToQuit, app, [] { releaseQtBanners(); });
  }
}

void releaseQtBanners() {
  CNUserNotificationCenter::customUserNotificationCenter().releaseBanners();
  CNUserNotificationCenter::defaultUserNotificationCenter().releaseBanners();
}

}  // namespace td
