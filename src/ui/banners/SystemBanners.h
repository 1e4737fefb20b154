#pragma once
// The banners the application raises, each built as its record (texts, delay, line breaks, sound,
// button) ready for customUserNotificationCenter().deliverNotification(), and the delegate the
// session installs on that centre before it raises one of its own.

#include <functional>
#include <memory>
#include <string>

#include "ui/banners/CNUserNotification.h"
#include "ui/banners/CNUserNotificationCenter.h"

namespace td::banners {

using Record = std::shared_ptr<CNUserNotification>;

// The user-info key of the update offer's download address.
inline constexpr const char* AppDownloadURL = "AppDownloadURL";

// Network lost: "No network is available", 5 s.
Record networkLost(const std::string& applicationName);
// A chat message from another user: "New chat message from : <sender>", the message, 15 s.
Record chatMessage(const std::string& applicationName, const std::string& senderDisplayName,
                   const std::string& message);
// Margin call on an account: "Account No : <account>", 30 s.
Record marginCall(const std::string& applicationName, const std::string& account);
// One new notice message: the subtitle the session passes, 30 s.
Record newNoticeMessage(const std::string& applicationName, const std::string& subtitle);
// Several new notice messages: "You have <count> new messages", 15 s.
Record newNoticeMessages(const std::string& applicationName, long long count);
// Update available: stays until the user acts; "Download" button; wrapping text; second sound.
Record updateAvailable(const std::string& downloadAddress);
// A trade or order confirmation in banner form: title the subtitle, message wrapping, 5 s.
Record confirmation(const std::string& applicationName, const std::string& message, const std::string& title);

// What the session's delegate does outside the library.
struct PlatformActions {
  std::function<void(const std::string& address)> openAddress;  // opens a web address
  std::function<void()> quitApplication;
};

// The session's delegate: takes every activation, does nothing on delivery, and on activation of
// a banner carrying a download address opens it and ends the application. An address that is not
// http or https is not opened, and the application then goes on (one log line).
std::shared_ptr<CNUserNotificationCenterDelegate> sessionBannerDelegate(PlatformActions actions);

}  // namespace td::banners
