#include "ui/settings/SettingsWindowController.h"

#include "model/ReferenceData.h"
#include "platform/AppContext.h"
#include "platform/Defaults.h"
#include "session/BusinessBase.h"

namespace td {

bool SettingsWindowController::changePasswordEnabled() const {
  const auto session = AppContext::current()->businessbase();
  if (!session) return false;
  const auto& user = session->userInfo();
  return user && user->CanChangePassword;
}

bool SettingsWindowController::loadSoundSettings() const {
  return AppContext::current()->defaults()->boolForKey(SOUND_SETTINGS_KEY);
}

void SettingsWindowController::toggleSoundButtonClicked(bool soundsOff) {
  const auto defaults = AppContext::current()->defaults();
  defaults->setBool(SOUND_SETTINGS_KEY, soundsOff);
  defaults->synchronize();
}

bool SettingsWindowController::ChangePasswordButtonClicked() {
  const auto context = AppContext::current();
  const auto session = context->businessbase();
  if (!session || !session->conn().isNetworkAvailable()) {
    context->userAlerts()->showAlert(kInfoTitle, kNotConnectedMessage);
    return false;
  }
  return true;
}

}  // namespace td
