#pragma once
// The screen lock: while a user is logged in, every window of the session hides behind the lock
// window; typing the login password brings back what was on screen (and the order ticket, whenever
// it exists); a wrong password shakes the lock window. Prices, timers and the idle quit go on.

#include <string>

namespace td {

class LoginInputdata;

class LockView {
 public:
  virtual ~LockView() = default;
  // Hides every visible window of the session (main window, ticket, child windows) and remembers
  // them.
  virtual void hideSessionWindows() = 0;
  // Shows again what hideSessionWindows() hid, the main window in front, the ticket floating.
  virtual void restoreSessionWindows() = 0;
  virtual void showLockWindow() = 0;  // with an empty password field
  virtual void hideLockWindow() = 0;
  virtual void shakeLockWindow() = 0;
};

class LockController {
 public:
  LockController(const LoginInputdata& logindata, LockView& view) : logindata_(logindata), view_(view) {}

  // `lockAppMenuItemClicked:`; false (nothing happens) before a login or while locked.
  bool lock(bool loggedIn);
  // `unLockButtonClicked:`: the typed text against the login password, exactly.
  bool unlock(const std::string& typed);
  bool locked() const { return locked_; }

 private:
  const LoginInputdata& logindata_;
  LockView& view_;
  bool locked_ = false;
};

// `menuNeedsUpdate:`: the lock item is usable while the main window is on screen (minimised
// counts) and no sheet is open on it.
inline bool lockMenuItemEnabled(bool loggedIn, bool mainWindowVisible, bool sheetOpen) {
  return loggedIn && mainWindowVisible && !sheetOpen;
}

}  // namespace td
