#pragma once
// The change-password sheet's logic: the checks of the three fields against the password in use,
// the request, the delayed close, and the server's answer.
//
// The sheet closes 0.3 s after the request goes out, but the controller keeps listening until the
// server answers or the reply time-out passes: a confirmation that arrives after the sheet closed
// is still shown, and so is a refusal. A time-out tells the user that no answer came.
// Alerts raised by an answer are posted to the main queue as tasks of their own.

#include <memory>
#include <optional>
#include <string>

#include "platform/Clock.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"

namespace td {

class ChangePasswordView {
 public:
  virtual ~ChangePasswordView() = default;
  virtual void clearFields() = 0;
  // Ends the sheet (the settings window orders it out).
  virtual void closeSheet() = 0;
};

class ChangePasswordWindowController {
 public:
  struct Options {
    MainQueue* mainQueue = nullptr;  // nullptr: MainQueue::instance() at each use
    Clock::Duration closeDelay = std::chrono::milliseconds(300);
    Clock::Duration replyTimeout = std::chrono::seconds(30);
  };

  static constexpr const char* kTitle = "Info";
  static constexpr const char* kEmptyField = "Sorry,Please Enter Your Password";
  static constexpr const char* kWrongOldPassword =
      "Sorry,The password you have entered is wrong. please enter correct password";
  static constexpr const char* kConfirmationMismatch =
      "Sorry,our new password and retyped password do not match each other. please enter correctly";
  static constexpr const char* kSamePassword =
      "Sorry,Your current password and new password is same. please enter correctly.";
  static constexpr const char* kControlBytes =
      "Sorry,Your password must not contain the control characters 0x01 to 0x07. please enter correctly.";
  static constexpr const char* kChanged = "Password changed successfully";
  static constexpr const char* kRefused = "Sorry,The server did not accept the new password. Your password is unchanged.";
  static constexpr const char* kNotSent = "Sorry,The request could not be sent. Please check your connection.";
  static constexpr const char* kNoAnswer =
      "The server did not answer the password change. Your password may be unchanged.";

  ChangePasswordWindowController(ChangePasswordView& view, Options options);
  explicit ChangePasswordWindowController(ChangePasswordView& view) : ChangePasswordWindowController(view, Options{}) {}
  ~ChangePasswordWindowController();
  ChangePasswordWindowController(const ChangePasswordWindowController&) = delete;
  ChangePasswordWindowController& operator=(const ChangePasswordWindowController&) = delete;

  // Before every showing: listens for the answer (once) and empties the fields.
  void onWindowLoad();
  // The Change button. On a failed check shows its text and leaves the sheet open; otherwise sends
  // the old password and the confirmation, and closes the sheet after the close delay. True when
  // the request went out.
  bool ChangePasswordButtonClicked(const std::string& oldPassword, const std::string& newPassword,
                                   const std::string& confirmation);
  // The checks in their order, against the password in use: the text of the first that fails.
  static std::optional<std::string> passwordValidationFailure(const std::string& oldPassword,
                                                              const std::string& newPassword,
                                                              const std::string& confirmation,
                                                              const std::string& currentPassword);
  // `CheckPasswordValidation:::`: shows the failure, if any; true when the fields pass.
  bool CheckPasswordValidation(const std::string& oldPassword, const std::string& newPassword,
                               const std::string& confirmation);
  // Cancel, the sheet's closing, and the delayed close after sending: ends the sheet; stops
  // listening unless an answer is still awaited.
  void closeModal();

  bool initiated() const { return initiated_; }
  bool isAwaitingReply() const { return awaitingReply_; }
  bool isSheetOpen() const { return sheetOpen_; }

 private:
  MainQueue* queue() const;
  void ValidationAlert(const std::string& text) const;
  void postAlert(const std::string& text) const;
  void answered(const std::string& text);
  void stopListening();

  ChangePasswordView& view_;
  Options options_;
  std::shared_ptr<NotificationCenter> center_;  // where the observers were registered
  ObserverToken changedToken_ = 0;
  ObserverToken refusedToken_ = 0;
  bool initiated_ = false;
  bool sheetOpen_ = false;
  bool awaitingReply_ = false;
  TimerHandle closeTimer_;
  TimerHandle replyTimer_;
};

}  // namespace td
