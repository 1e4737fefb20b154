#include "ui/LockWindow.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "ui/WindowShake.h"

namespace td {

LockWindow::LockWindow(const LoginInputdata& logindata, Hooks hooks, QWidget* parent)
    : QWidget(parent), hooks_(std::move(hooks)), controller_(logindata, *this) {
  setObjectName("lockWindow");
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
  heading_ = new QLabel(this);
  heading_->setObjectName("lockHeading");
  QFont bold = heading_->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.2);
  heading_->setFont(bold);
  caption_ = new QLabel(this);
  password_ = new QLineEdit(this);
  password_->setObjectName("lockPassword");
  password_->setEchoMode(QLineEdit::Password);
  password_->setMinimumWidth(220);
  unlock_ = new QPushButton(this);
  unlock_->setObjectName("unlockButton");
  unlock_->setDefault(true);
  quit_ = new QPushButton(this);
  quit_->setObjectName("quitButton");

  auto* row = new QHBoxLayout;
  row->addWidget(caption_);
  row->addWidget(password_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(quit_);
  buttons->addWidget(unlock_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading_);
  layout->addLayout(row);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(unlock_, &QPushButton::clicked, this, [this] { controller_.unlock(password_->text().toStdString()); });
  connect(password_, &QLineEdit::returnPressed, unlock_, &QPushButton::click);
  connect(quit_, &QPushButton::clicked, this, [this] {
    if (hooks_.quit) hooks_.quit();
  });
  updateLanguageStrings();
}

void LockWindow::updateLanguageStrings() {
  auto t = [this](const char* key) { return QString::fromStdString(hooks_.text ? hooks_.text(key) : key); };
  setWindowTitle(t("8245") + " " + QString::fromStdString(hooks_.appName));
  heading_->setText(windowTitle());
  password_->setPlaceholderText(t("0078"));
  caption_->setText(t("8246") + " :");
  unlock_->setText(t("8245"));
  quit_->setText(t("9305"));
}

void LockWindow::hideSessionWindows() {
  hidden_.clear();
  if (!hooks_.sessionWindows) return;
  for (QWidget* window : hooks_.sessionWindows()) {
    if (window == this || !window->isVisible()) continue;
    hidden_.emplace_back(window);
    window->hide();
  }
}

void LockWindow::restoreSessionWindows() {
  for (const auto& window : hidden_)
    if (window) window->show();
  hidden_.clear();
  if (QWidget* main = hooks_.mainWindow ? hooks_.mainWindow() : nullptr) {
    main->show();
    main->raise();
    main->activateWindow();
  }
  // The ticket comes back whenever it exists, floating above the main window.
  if (QWidget* ticket = hooks_.ticketWindow ? hooks_.ticketWindow() : nullptr) {
    ticket->show();
    ticket->raise();
    ticket->activateWindow();
  }
}

void LockWindow::showLockWindow() {
  password_->clear();
  show();
  if (const QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
  raise();
  activateWindow();
  password_->setFocus();
}

void LockWindow::hideLockWindow() {
  password_->clear();
  hide();
}

void LockWindow::shakeLockWindow() { shakeWindow(this); }

void LockWindow::closeEvent(QCloseEvent* event) {
  // Closing the lock window would leave the session hidden with nothing on screen.
  if (controller_.locked()) event->ignore();
  else QWidget::closeEvent(event);
}

}  // namespace td
