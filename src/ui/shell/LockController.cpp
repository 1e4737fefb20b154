#include "ui/shell/LockController.h"

#include "platform/LoginInputdata.h"

namespace td {

bool LockController::lock(bool loggedIn) {
  if (!loggedIn || locked_) return false;
  locked_ = true;
  view_.hideSessionWindows();
  view_.showLockWindow();
  return true;
}

bool LockController::unlock(const std::string& typed) {
  if (!locked_) return true;
  if (typed != logindata_.password()) {
    view_.shakeLockWindow();
    return false;
  }
  locked_ = false;
  view_.hideLockWindow();
  view_.restoreSessionWindows();
  return true;
}

}  // namespace td
