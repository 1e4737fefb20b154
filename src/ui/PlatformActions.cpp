#include "ui/PlatformActions.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>

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

void quitApplication() { QCoreApplication::quit(); }

}  // namespace td
