#pragma once
// What the session asks of the application shell that the user sees: alerts, banners, sounds and the
// login window's state. The windows implement it in the application, the probe headless, tests with
// fakes. Every call comes on the main thread as a main-queue task of its own, never from inside a
// message handler, so an implementation may run a modal alert in it.

#include <optional>
#include <string>

namespace td {

struct SessionAlert {
  enum class Kind {
    LoginRefused,      // the server refused the login (message type 47)
    LoggedInElsewhere, // the same user logged in at another place (message type 44)
    ConnectionFailed,  // the TCP session was lost or never made
  };
  Kind kind = Kind::LoginRefused;
  std::string title;
  std::string message;
  // 0 plain; 1 the application quits once the alert is closed; 2 connection failure; 3 the update
  // prompt: the default button opens `url` and quits, the alternate button keeps the login window.
  int tag = 0;
  bool sheet = false;  // shown as a sheet on the login window, else modal
  std::optional<std::string> url;
};

struct SessionBanner {
  std::string title;
  std::string subtitle;
  std::string informativeText;
  double dismissDelaySeconds = 5.0;  // -1: stays until the user acts
  std::string sound;
  std::optional<std::string> actionButton;  // "Download" for the update offer
  std::optional<std::string> url;           // opened (http or https only) when the action is taken
};

class SessionShell {
 public:
  virtual ~SessionShell() = default;
  virtual void playSound(const std::string& name) = 0;
  virtual void showAlert(const SessionAlert& alert) = 0;
  virtual void showBanner(const SessionBanner& banner) = 0;
  // `SetEnableUIObjects`: the login window's controls return to idle.
  virtual void SetEnableUIObjects() = 0;
  // The login window shakes (a refused login).
  virtual void shakeWindow() = 0;
};

}  // namespace td
