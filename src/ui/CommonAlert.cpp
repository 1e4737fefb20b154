#include "ui/CommonAlert.h"

#include <QApplication>
#include <QMessageBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <exception>

#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "ui/banners/BannerEnvironment.h"
#include "ui/banners/CNUserNotificationCenter.h"
#include "ui/banners/SystemBanners.h"

namespace td {

CommonAlertDialog::CommonAlertDialog(const QString& message, const QString& title, QWidget* parent)
    : QDialog(parent) {
  setObjectName("commonAlert");
  setWindowTitle(QApplication::applicationDisplayName());
  setModal(true);

  auto* icon = new QLabel(this);
  icon->setObjectName("alertIcon");
  const int side = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, this).pixmap(side, side));
  icon->setAlignment(Qt::AlignTop);

  title_ = new QLabel(title, this);
  title_->setObjectName("alertTitle");
  title_->setTextFormat(Qt::PlainText);
  title_->setWordWrap(true);
  QFont bold = title_->font();
  bold.setBold(true);
  title_->setFont(bold);

  message_ = new QLabel(message, this);
  message_->setObjectName("alertMessage");
  message_->setTextFormat(Qt::PlainText);
  message_->setWordWrap(true);
  message_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* buttons = new QDialogButtonBox(this);
  ok_ = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  ok_->setObjectName("alertOk");
  ok_->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* texts = new QVBoxLayout;
  texts->addWidget(title_);
  texts->addWidget(message_);
  texts->addStretch();
  auto* row = new QHBoxLayout;
  row->addWidget(icon);
  row->addLayout(texts, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  message_->setMinimumWidth(260);
  message_->setMaximumWidth(420);
}

QMessageBox* makeAlertBox(int icon, const std::string& headline, const std::string& message, QWidget* parent) {
  auto* box = new QMessageBox(parent);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setIcon(static_cast<QMessageBox::Icon>(icon));
  box->setWindowTitle(QApplication::applicationDisplayName());
  box->setTextFormat(Qt::PlainText);
  box->setText(QString::fromStdString(headline));
  box->setInformativeText(QString::fromStdString(message));
  box->setStyleSheet(QStringLiteral("QLabel#qt_msgbox_label { font-weight: bold; }"
                                    "QLabel#qt_msgbox_informativelabel { min-width: 300px; }"));
  return box;
}

namespace {
// Windows belong to the main thread: a call from elsewhere is moved there (and returns at once).
bool movedToMainThread(std::function<void()> call) {
  MainQueue* queue = bannerQueue();
  if (!queue || queue->isMainThread()) return false;
  TD_LOG_WARN("alert or banner raised off the main thread; moved to the main thread");
  queue->post(std::move(call));
  return true;
}
}  // namespace

void CommonAlert::ShowCommonAlertVieWwithMessage(const std::string& message, const std::string& title) {
  if (movedToMainThread([message, title] { ShowCommonAlertVieWwithMessage(message, title); })) return;
  try {
    CommonAlertDialog alert(QString::fromStdString(message), QString::fromStdString(title));
    alert.exec();  // the answer is always "OK"
  } catch (const std::exception& e) {
    TD_LOG_WARN(std::string("alert not shown: ") + e.what());
  } catch (...) {
    TD_LOG_WARN("alert not shown");
  }
}

void CommonAlert::ShowCommonUserNotificationwithMessage(const std::string& message, const std::string& title) {
  if (movedToMainThread([message, title] { ShowCommonUserNotificationwithMessage(message, title); })) return;
  try {
    auto& center = CNUserNotificationCenter::customUserNotificationCenter();
    center.deliverNotification(banners::confirmation(bannerEnvironment().applicationName, message, title));
  } catch (const std::exception& e) {
    TD_LOG_WARN(std::string("banner not shown: ") + e.what());
  } catch (...) {
    TD_LOG_WARN("banner not shown");
  }
}

void CommonAlert::ShowConfirmation(const std::string& message, const std::string& title, bool showConfirmationAlert) {
  if (showConfirmationAlert) ShowCommonAlertVieWwithMessage(message, title);
  else ShowCommonUserNotificationwithMessage(message, title);
}

}  // namespace td
