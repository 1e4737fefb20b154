#pragma once
// Named sounds of the application, played unless the user has switched sounds off ("SoundKey" is
// true). A banner's own sound does not come through here: it plays whatever the setting says.

#include <functional>
#include <string>

namespace td {

// The settings flag written by the settings window's sound switch; true means sounds are off.
inline constexpr const char* SOUND_SETTINGS_KEY = "SoundKey";

class SoundNotification {
 public:
  // Names of the application's sounds.
  static constexpr const char* welcome = "welcome";                // login accepted
  static constexpr const char* order = "order";                    // an execution is confirmed
  static constexpr const char* cancelOrder = "cancelOrder";        // an order was cancelled
  static constexpr const char* connectionLost = "connectionLost";  // the session was lost

  using Player = std::function<void(const std::string& soundName)>;
  using SoundKeyReader = std::function<bool()>;

  // The player finds and starts a sound by name (silent for unknown names and without an audio
  // device); the reader answers the "SoundKey" setting afresh on every call.
  static void install(Player player, SoundKeyReader soundKey);

  // Starts the named sound and returns at once; nothing when sounds are off or the name is empty.
  static void playSoundNamed(const std::string& name);
  // The "SoundKey" setting (false when absent or when no reader is installed).
  static bool isSoundDisabled();
};

}  // namespace td
