#include "ui/settings/IdleTimeoutWindowController.h"

#include "platform/AppContext.h"
#include "platform/Defaults.h"

namespace td {

void IdleTimeoutWindowController::windowDidLoad() {
  std::array<std::string, 5> texts;
  for (std::size_t i = 0; i < kChoices.size(); ++i) texts[i] = kChoices[i].text;
  view_.setChoices(texts);
  loaded_ = true;
  onWindowLoad();
}

void IdleTimeoutWindowController::onWindowLoad() {
  if (!loaded_) return;
  view_.setApplyEnabled(false);
  view_.showChoiceText(textForSeconds(AppContext::current()->defaults()->integerForKey(IDLE_TIME_KEY)));
}

void IdleTimeoutWindowController::comboBoxSelectionIsChanging() { view_.setApplyEnabled(true); }

bool IdleTimeoutWindowController::applyButtonclicked(int selectedIndex) {
  if (selectedIndex < 0 || selectedIndex >= static_cast<int>(kChoices.size())) return false;
  const auto defaults = AppContext::current()->defaults();
  defaults->setInteger(IDLE_TIME_KEY, kChoices[static_cast<std::size_t>(selectedIndex)].seconds);
  defaults->synchronize();
  closeModal();
  return true;
}

void IdleTimeoutWindowController::closeModal() { view_.closeSheet(); }

std::string IdleTimeoutWindowController::textForSeconds(std::int64_t seconds) {
  for (const Choice& c : kChoices) {
    if (c.seconds == seconds && seconds != 0) return c.text;
  }
  return kChoices[0].text;
}

}  // namespace td
