#pragma once
// The objects the windows of one run share: how an execution confirmation is shown (a modal alert
// or a banner), and the order ticket once it exists. Made once at start-up and kept in the
// application context; main thread only, except showConfirmationAlert(), which the session reads
// when a confirmation comes in.

#include <atomic>

namespace td {

class GUIObjects {
 public:
  // A modal alert (true, the default) or a banner (false).
  bool showConfirmationAlert() const { return showConfirmationAlert_.load(std::memory_order_relaxed); }
  void setShowConfirmationAlert(bool value) { showConfirmationAlert_.store(value, std::memory_order_relaxed); }

 private:
  std::atomic<bool> showConfirmationAlert_{true};
};

}  // namespace td
