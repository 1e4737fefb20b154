#include "ui/QtSessionShell.h"

#include <QMessageBox>
#include <QPushButton>

#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "ui/CommonAlert.h"
#include "ui/banners/CNUserNotification.h"
#include "ui/banners/CNUserNotificationCenter.h"
#include "ui/banners/SoundNotification.h"
#include "ui/banners/SystemBanners.h"

namespace td {

QtSessionShell::QtSessionShell(MainQueue& mainQueue, Hooks hooks) : mainQueue_(mainQueue), hooks_(std::move(hooks)) {}

void QtSessionShell::playSound(const std::string& name) { SoundNotification::playSoundNamed(name); }

QMessageBox* QtSessionShell::makeAlertBox(const SessionAlert& alert, QWidget* parent) {
  QMessageBox* box = td::makeAlertBox(QMessageBox::Critical, alert.title, alert.message, parent);
  box->setObjectName("sessionAlert");
  if (alert.tag == 3) {
    QPushButton* download = box->addButton(QString::fromStdString(hooks_.text("8229")), QMessageBox::AcceptRole);
    download->setObjectName("alertDownload");
    QPushButton* later = box->addButton(QString::fromStdString(hooks_.text("0064")), QMessageBox::RejectRole);
    later->setObjectName("alertLater");
    box->setDefaultButton(download);
  } else {
    QPushButton* ok = box->addButton(QString::fromStdString(hooks_.text("0167")), QMessageBox::AcceptRole);
    ok->setObjectName("alertOk");
    box->setDefaultButton(ok);
  }
  return box;
}

void QtSessionShell::updateAnswer(bool download, const std::string& url) {
  if (!download) return;
  if (!hooks_.openWebAddress || !hooks_.openWebAddress(url)) TD_LOG_WARN("Failed to open url: " + url);
  if (hooks_.quit) hooks_.quit();
}

void QtSessionShell::showAlert(const SessionAlert& alert) {
  QWidget* login = alert.sheet && hooks_.loginWindow ? hooks_.loginWindow() : nullptr;
  const bool asSheet = login != nullptr && login->isVisible();
  QMessageBox* box = makeAlertBox(alert, asSheet ? login : nullptr);
  box->setWindowModality(asSheet ? Qt::WindowModal : Qt::ApplicationModal);
  const int tag = alert.tag;
  const std::string url = alert.url.value_or(std::string());
  QObject::connect(box, &QMessageBox::finished, box, [this, box, tag, url](int) {
    const bool accepted = box->buttonRole(box->clickedButton()) == QMessageBox::AcceptRole;
    if (tag == 3) updateAnswer(accepted, url);
    else if (tag == 1 && hooks_.quit) hooks_.quit();
  });
  // open() returns at once: the box is window- or application-modal without a nested event loop.
  box->open();
}

void QtSessionShell::showBanner(const SessionBanner& banner) {
  std::shared_ptr<CNUserNotification> record;
  if (banner.url && banner.actionButton) {
    record = banners::updateAvailable(*banner.url);
  } else {
    record = CNUserNotification::create();
    record->setTitle(banner.title);
    record->setSubtitle(banner.subtitle);
    record->setInformativeText(banner.informativeText);
    record->feature().dismissDelayTime = banner.dismissDelaySeconds;
    record->feature().lineBreakMode = CNLineBreakByWordWrapping;
    record->setSoundName(banner.sound);
    record->setHasActionButton(false);
  }
  CNUserNotificationCenter::customUserNotificationCenter().deliverNotification(record);
}

void QtSessionShell::SetEnableUIObjects() {
  if (hooks_.setEnableUIObjects) hooks_.setEnableUIObjects();
}

void QtSessionShell::shakeWindow() {
  if (hooks_.shakeLoginWindow) hooks_.shakeLoginWindow();
}

void QtSessionShell::showAlert(const std::string& title, const std::string& message) {
  // The trading state and the order desk call this from their handling: the modal alert runs as a
  // task of its own.
  mainQueue_.post([title, message] { CommonAlert::ShowCommonAlertVieWwithMessage(message, title); });
}

void QtSessionShell::showBanner(const std::string& title, const std::string& message) {
  CommonAlert::ShowCommonUserNotificationwithMessage(message, title);
}

}  // namespace td
