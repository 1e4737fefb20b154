#include "ui/banners/SystemBanners.h"

#include "platform/Log.h"
#include "ui/banners/WebAddress.h"

namespace td::banners {

namespace {
Record make(std::string title, std::string subtitle, std::string text, double delay) {
  auto n = CNUserNotification::create();
  n->setTitle(std::move(title));
  n->setSubtitle(std::move(subtitle));
  n->setInformativeText(std::move(text));
  n->setHasActionButton(false);
  n->feature().dismissDelayTime = delay;
  n->setSoundName(std::string(CNUserNotificationDefaultSound));
  return n;
}
}  // namespace

Record networkLost(const std::string& applicationName) {
  return make(applicationName, "No network is available", "Please check the internet connection and then relogin",
              5.0);
}

Record chatMessage(const std::string& applicationName, const std::string& senderDisplayName,
                   const std::string& message) {
  return make(applicationName, "New chat message from : " + senderDisplayName, message, 15.0);
}

Record marginCall(const std::string& applicationName, const std::string& account) {
  return make(applicationName, "Account No : " + account, "Your account is on margin call", 30.0);
}

Record newNoticeMessage(const std::string& applicationName, const std::string& subtitle) {
  return make(applicationName, subtitle, "You have a new message", 30.0);
}

Record newNoticeMessages(const std::string& applicationName, long long count) {
  return make(applicationName, "Messages", "You have " + std::to_string(count) + " new messages", 15.0);
}

Record updateAvailable(const std::string& downloadAddress) {
  auto n = make("App Updates Available", "Do you want to download?", downloadAddress, -1.0);
  n->setHasActionButton(true);
  n->setActionButtonTitle(std::string("Download"));
  n->setUserInfo({{AppDownloadURL, downloadAddress}});
  n->feature().lineBreakMode = CNLineBreakByWordWrapping;
  n->setSoundName(std::string(CNUserNotificationDefaultSound2));
  return n;
}

Record confirmation(const std::string& applicationName, const std::string& message, const std::string& title) {
  auto n = make(applicationName, title, message, 5.0);
  n->feature().lineBreakMode = CNLineBreakByWordWrapping;
  return n;
}

std::shared_ptr<CNUserNotificationCenterDelegate> sessionBannerDelegate(PlatformActions actions) {
  auto delegate = std::make_shared<CNUserNotificationCenterDelegate>();
  delegate->didDeliverNotification = [](CNUserNotificationCenter&, const Record&) {};
  delegate->shouldPresentNotification = [](CNUserNotificationCenter&, const Record&) { return true; };
  delegate->didActivateNotification = [actions = std::move(actions)](CNUserNotificationCenter&, const Record& n) {
    const auto& info = n->userInfo();
    const auto it = info.find(AppDownloadURL);
    if (it == info.end() || it->second.empty()) return;
    if (!isOpenableWebAddress(it->second)) {
      TD_LOG_WARN("update banner: download address is not an http or https address; not opened: " + it->second);
      return;
    }
    if (actions.openAddress) actions.openAddress(it->second);
    if (actions.quitApplication) actions.quitApplication();
  };
  return delegate;
}

}  // namespace td::banners
