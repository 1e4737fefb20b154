#include "ui/banners/SoundNotification.h"

#include <exception>

#include "platform/Log.h"

namespace td {

namespace {
struct SoundSetup {
  SoundNotification::Player player;
  SoundNotification::SoundKeyReader soundKey;
};
SoundSetup& setup() {
  static SoundSetup instance;
  return instance;
}
}  // namespace

void SoundNotification::install(Player player, SoundKeyReader soundKey) {
  setup() = SoundSetup{std::move(player), std::move(soundKey)};
}

bool SoundNotification::isSoundDisabled() {
  const auto& reader = setup().soundKey;
  return reader ? reader() : false;
}

void SoundNotification::playSoundNamed(const std::string& name) {
  try {
    if (name.empty() || isSoundDisabled()) return;
    const auto& player = setup().player;
    if (player) player(name);
  } catch (const std::exception& e) {
    TD_LOG_WARN(std::string("sound '") + name + "' not played: " + e.what());
  } catch (...) {
    TD_LOG_WARN("sound '" + name + "' not played");
  }
}

}  // namespace td
