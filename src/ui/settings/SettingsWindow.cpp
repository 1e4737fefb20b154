#include "ui/settings/SettingsWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/controls/Captions.h"
#include "ui/controls/DrawingControls.h"

namespace td {
namespace {

QLineEdit* passwordField(const char* objectName, QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(objectName);
  field->setEchoMode(QLineEdit::Password);
  field->setMinimumWidth(220);
  return field;
}

// Cancel at the left of the default button, as sheets have them.
QDialogButtonBox* sheetButtons(QPushButton*& cancel, QPushButton*& action, const QString& actionTitle,
                               QWidget* parent) {
  auto* buttons = new QDialogButtonBox(parent);
  cancel = buttons->addButton(caption("0060"), QDialogButtonBox::RejectRole);
  cancel->setObjectName("cancelButton");
  action = buttons->addButton(actionTitle, QDialogButtonBox::AcceptRole);
  action->setDefault(true);
  return buttons;
}

}  // namespace

// ---- ChangePasswordSheet ----

ChangePasswordSheet::ChangePasswordSheet(QWidget* parent, ChangePasswordWindowController::Options options)
    : QDialog(parent), controller_(*this, options) {
  setObjectName("changePasswordSheet");
  setWindowTitle(caption("8322"));
  setWindowModality(Qt::WindowModal);
  QVBoxLayout* content = WindowSheetBackgroundView::fillSheet(this);
  auto* heading = new QLabel(caption("8322"), this);
  heading->setObjectName("heading");
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);
  content->addWidget(heading);
  auto* form = new QFormLayout;
  form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
  old_ = passwordField("OldPasswordTextField", this);
  new_ = passwordField("NewPasswordField", this);
  confirm_ = passwordField("ConfirmPasswordField", this);
  form->addRow(caption("8324"), old_);
  form->addRow(caption("8325"), new_);
  form->addRow(caption("8326"), confirm_);
  content->addLayout(form);
  QDialogButtonBox* buttons = sheetButtons(cancel_, change_, caption("8327"), this);
  change_->setObjectName("ChangePasswordButton");
  content->addWidget(buttons);
  // The buttons do not end the dialog themselves: the controller decides.
  connect(change_, &QPushButton::clicked, this, [this] {
    controller_.ChangePasswordButtonClicked(old_->text().toStdString(), new_->text().toStdString(),
                                            confirm_->text().toStdString());
  });
  connect(cancel_, &QPushButton::clicked, this, [this] { controller_.closeModal(); });
}

void ChangePasswordSheet::showSheet() {
  controller_.onWindowLoad();
  old_->setFocus(Qt::OtherFocusReason);
  open();
}

void ChangePasswordSheet::clearFields() {
  old_->clear();
  new_->clear();
  confirm_->clear();
}

void ChangePasswordSheet::closeSheet() { QDialog::done(QDialog::Rejected); }

void ChangePasswordSheet::reject() { controller_.closeModal(); }

// ---- IdleTimeoutSheet ----

IdleTimeoutSheet::IdleTimeoutSheet(QWidget* parent) : QDialog(parent), controller_(*this) {
  setObjectName("idleTimeoutSheet");
  setWindowTitle(caption("8323"));
  setWindowModality(Qt::WindowModal);
  QVBoxLayout* content = WindowSheetBackgroundView::fillSheet(this);
  auto* row = new QFormLayout;
  combo_ = new QComboBox(this);
  combo_->setObjectName("timeoutComboBox");
  combo_->setMinimumWidth(160);
  row->addRow(caption("8328"), combo_);
  content->addLayout(row);
  QDialogButtonBox* buttons = sheetButtons(cancel_, apply_, caption("8329"), this);
  apply_->setObjectName("applyButton");
  content->addWidget(buttons);
  connect(combo_, &QComboBox::activated, this, [this] { controller_.comboBoxSelectionIsChanging(); });
  connect(apply_, &QPushButton::clicked, this, [this] { controller_.applyButtonclicked(combo_->currentIndex()); });
  connect(cancel_, &QPushButton::clicked, this, [this] { controller_.closeModal(); });
  controller_.windowDidLoad();
}

void IdleTimeoutSheet::showSheet() {
  controller_.onWindowLoad();
  open();
}

void IdleTimeoutSheet::setChoices(const std::array<std::string, 5>& texts) {
  combo_->clear();
  for (const std::string& text : texts) combo_->addItem(QString::fromStdString(text));
}

void IdleTimeoutSheet::showChoiceText(const std::string& text) {
  combo_->setPlaceholderText(QString::fromStdString(text));
  combo_->setCurrentIndex(-1);
}

void IdleTimeoutSheet::setApplyEnabled(bool enabled) { apply_->setEnabled(enabled); }

void IdleTimeoutSheet::closeSheet() { QDialog::done(QDialog::Rejected); }

void IdleTimeoutSheet::reject() { controller_.closeModal(); }

// ---- SettingsWindow ----

SettingsWindow::SettingsWindow(QWidget* parent) : QWidget(parent, Qt::Tool) {
  setObjectName("settingsWindow");
  setWindowTitle(caption("8320"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(18, 16, 18, 16);
  layout->setSpacing(10);
  sounds_ = new QCheckBox(caption("8321"), this);
  sounds_->setObjectName("SoundsButton");
  changePassword_ = new QPushButton(caption("8322") + QStringLiteral("…"), this);
  changePassword_->setObjectName("ChangePasswordButton");
  idleTimeout_ = new QPushButton(caption("8323") + QStringLiteral("…"), this);
  idleTimeout_->setObjectName("IdleTimeoutButton");
  layout->addWidget(sounds_);
  layout->addWidget(changePassword_);
  layout->addWidget(idleTimeout_);
  layout->addStretch();
  connect(sounds_, &QCheckBox::clicked, this, [this](bool on) { controller_.toggleSoundButtonClicked(on); });
  connect(changePassword_, &QPushButton::clicked, this, &SettingsWindow::ChangePasswordButtonClicked);
  connect(idleTimeout_, &QPushButton::clicked, this, &SettingsWindow::IdleTimeoutButtonClicked);
  setFixedWidth(sizeHint().width() + 40);
}

void SettingsWindow::refresh() {
  changePassword_->setEnabled(controller_.changePasswordEnabled());
  sounds_->setChecked(controller_.loadSoundSettings());
}

void SettingsWindow::showWindow() {
  refresh();
  show();
  raise();
  activateWindow();
}

void SettingsWindow::ChangePasswordButtonClicked() {
  if (!controller_.ChangePasswordButtonClicked()) return;
  if (!changePasswordSheet_) changePasswordSheet_ = new ChangePasswordSheet(this, passwordOptions_);
  changePasswordSheet_->showSheet();
}

void SettingsWindow::IdleTimeoutButtonClicked() {
  if (!idleTimeoutSheet_) idleTimeoutSheet_ = new IdleTimeoutSheet(this);
  idleTimeoutSheet_->showSheet();
}

}  // namespace td
