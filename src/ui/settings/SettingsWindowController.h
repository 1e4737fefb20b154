#pragma once
// The settings window's logic: the sound switch ("SoundKey", true = sounds off), whether the user
// may change the password, and the check before the change-password sheet opens. Everything is
// read from the application context at the time of the call (the session is replaced at every
// login).

#include <string>

namespace td {

class SettingsWindowController {
 public:
  static constexpr const char* SOUND_SETTINGS_KEY = "SoundKey";
  static constexpr const char* kNotConnectedMessage = "Not Connected";
  static constexpr const char* kInfoTitle = "Info";

  // The change-password button's state: the logged-in user's `CanChangePassword` (false without a
  // session or before the login data arrived).
  bool changePasswordEnabled() const;

  // `loadSoundSettings`: true when sounds are off ("SoundKey" absent reads as false).
  bool loadSoundSettings() const;
  // `toggleSoundButtonClicked:`: stores the box's new state and writes the defaults at once, so the
  // next sound already follows it.
  void toggleSoundButtonClicked(bool soundsOff);

  // `ChangePasswordButtonClicked:`: true when the sheet may open; without a network (or without a
  // session) shows "Not Connected" titled "Info" and answers false.
  bool ChangePasswordButtonClicked();
};

}  // namespace td
