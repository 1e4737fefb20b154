#include "ui/settings/ChangePasswordWindowController.h"

#include "platform/AppContext.h"
#include "platform/Log.h"
#include "session/BusinessBase.h"
#include "ui/shell/LoginController.h"

namespace td {

ChangePasswordWindowController::ChangePasswordWindowController(ChangePasswordView& view, Options options)
    : view_(view), options_(options) {}

ChangePasswordWindowController::~ChangePasswordWindowController() { stopListening(); }

MainQueue* ChangePasswordWindowController::queue() const {
  return options_.mainQueue ? options_.mainQueue : MainQueue::instance();
}

void ChangePasswordWindowController::onWindowLoad() {
  if (!initiated_) {
    center_ = AppContext::current()->notificationCenter();
    changedToken_ = center_->addObserver("PasswordChangeNotification", [this](const Notification&) { answered(kChanged); });
    refusedToken_ =
        center_->addObserver("PasswordChangeRefusedNotification", [this](const Notification&) { answered(kRefused); });
    initiated_ = true;
  }
  sheetOpen_ = true;
  view_.clearFields();
}

std::optional<std::string> ChangePasswordWindowController::passwordValidationFailure(
    const std::string& oldPassword, const std::string& newPassword, const std::string& confirmation,
    const std::string& currentPassword) {
  if (oldPassword.empty() || newPassword.empty() || confirmation.empty()) return kEmptyField;
  if (oldPassword != currentPassword) return kWrongOldPassword;
  if (newPassword != confirmation) return kConfirmationMismatch;
  if (newPassword == currentPassword) return kSamePassword;
  if (LoginController::hasControlBytes(newPassword)) return kControlBytes;
  return std::nullopt;
}

bool ChangePasswordWindowController::CheckPasswordValidation(const std::string& oldPassword,
                                                             const std::string& newPassword,
                                                             const std::string& confirmation) {
  const auto failure = passwordValidationFailure(oldPassword, newPassword, confirmation,
                                                 AppContext::current()->logindata().password());
  if (failure) ValidationAlert(*failure);
  return !failure;
}

bool ChangePasswordWindowController::ChangePasswordButtonClicked(const std::string& oldPassword,
                                                                 const std::string& newPassword,
                                                                 const std::string& confirmation) {
  if (!CheckPasswordValidation(oldPassword, newPassword, confirmation)) return false;
  const auto session = AppContext::current()->businessbase();
  if (!session || !session->changeMyPassword(oldPassword, confirmation)) {
    ValidationAlert(kNotSent);
    return false;
  }
  if (!initiated_) onWindowLoad();  // the answer must be heard even if the sheet was never loaded
  awaitingReply_ = true;
  MainQueue* q = queue();
  if (!q) {
    TD_LOG_ERROR("Password change: no main queue for the sheet's timers");
    closeModal();
    return true;
  }
  replyTimer_ = q->schedule(options_.replyTimeout, [this] {
    TD_LOG_WARN("Password change: no answer from the server");
    answered(kNoAnswer);
  });
  closeTimer_ = q->schedule(options_.closeDelay, [this] { closeModal(); });
  return true;
}

void ChangePasswordWindowController::answered(const std::string& text) {
  awaitingReply_ = false;
  replyTimer_.cancel();
  postAlert(text);
  if (!sheetOpen_) stopListening();
}

void ChangePasswordWindowController::closeModal() {
  closeTimer_.cancel();
  const bool wasOpen = sheetOpen_;
  sheetOpen_ = false;
  if (!awaitingReply_) stopListening();
  if (wasOpen) view_.closeSheet();
}

void ChangePasswordWindowController::stopListening() {
  if (center_) {
    center_->removeObserver(changedToken_);
    center_->removeObserver(refusedToken_);
  }
  center_.reset();
  changedToken_ = refusedToken_ = 0;
  initiated_ = false;
}

void ChangePasswordWindowController::ValidationAlert(const std::string& text) const {
  AppContext::current()->userAlerts()->showAlert(kTitle, text);
}

void ChangePasswordWindowController::postAlert(const std::string& text) const {
  auto alerts = AppContext::current()->userAlerts();
  if (MainQueue* q = queue()) {
    q->post([alerts, text] { alerts->showAlert(kTitle, text); });
  } else {
    alerts->showAlert(kTitle, text);
  }
}

}  // namespace td
