#pragma once
// The idle time-out sheet's logic: the five choices, the text shown for the stored "IdleTime"
// (seconds, 0 = never quit), and Apply, which stores the chosen seconds and ends the sheet. The
// idle check reads "IdleTime" afresh at each tick.

#include <array>
#include <cstdint>
#include <string>

namespace td {

class IdleTimeoutView {
 public:
  virtual ~IdleTimeoutView() = default;
  virtual void setChoices(const std::array<std::string, 5>& texts) = 0;
  // Shows the text with no item of the list selected.
  virtual void showChoiceText(const std::string& text) = 0;
  virtual void setApplyEnabled(bool enabled) = 0;
  virtual void closeSheet() = 0;
};

class IdleTimeoutWindowController {
 public:
  static constexpr const char* IDLE_TIME_KEY = "IdleTime";
  struct Choice {
    const char* text;
    std::int64_t seconds;
  };
  static constexpr std::array<Choice, 5> kChoices{{{"Never", 0},
                                                   {"5 Minutes", 300},
                                                   {"10 Minutes", 600},
                                                   {"30 Minutes", 1800},
                                                   {"60 Minutes", 3600}}};

  explicit IdleTimeoutWindowController(IdleTimeoutView& view) : view_(view) {}

  // `windowDidLoad`: fills the list once, then `onWindowLoad`.
  void windowDidLoad();
  // Before every showing: Apply disabled, the stored value's text shown, nothing selected.
  void onWindowLoad();
  // The list's selection changes: Apply becomes enabled.
  void comboBoxSelectionIsChanging();
  // Apply with the selected item's index (-1: none): stores its seconds, writes the defaults and
  // ends the sheet; with no item selected nothing happens. False when nothing was stored.
  bool applyButtonclicked(int selectedIndex);
  void closeModal();

  // The text for stored seconds: one of the five, "Never" for any other value.
  static std::string textForSeconds(std::int64_t seconds);

 private:
  IdleTimeoutView& view_;
  bool loaded_ = false;
};

}  // namespace td
