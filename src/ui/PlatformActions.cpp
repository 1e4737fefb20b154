#include "ui/PlatformActions.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>
#include <QWidget>

#include "platform/Log.h"
#include "ui/banners/WebAddress.h"

namespace td {

bool openWebAddress(const std::string& address) {
  if (!isOpenableWebAddress(address)) {
    TD_LOG_WARN("not opening an address that is not http or https: " + address);
    return false;
  }
  const QUrl url(QString::fromStdString(address), QUrl::StrictMode);
  if (!url.isValid()) {
    TD_LOG_WARN("not opening a malformed address: " + address);
    return false;
  }
  return QDesktopServices::openUrl(url);
}

void activateApplication() {
  QWidget* front = QApplication::activeWindow();
  if (front == nullptr) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->isVisible() && w->isWindow() && w->windowType() != Qt::Tool && w->windowType() != Qt::Popup &&
          w->windowType() != Qt::ToolTip) {
        front = w;
        break;
      }
    }
  }
  if (front == nullptr) return;
  front->raise();
  front->activateWindow();
}

void quitApplication() { QCoreApplication::quit(); }

}  // namespace td
