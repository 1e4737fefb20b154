#include "ui/LoginWindow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include "ui/CommonAlert.h"
#include "ui/controls/NumericFields.h"
#include "ui/WindowShake.h"

namespace td {
namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

LoginWindow::LoginWindow(LoginController& controller, QWidget* parent) : QWidget(parent), controller_(controller) {
  setObjectName("loginWindow");
  setWindowFlag(Qt::Window);

  title_ = new QLabel(this);
  title_->setObjectName("loginTitle");
  QFont big = title_->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  title_->setFont(big);

  live_ = new QRadioButton(this);
  live_->setObjectName("liveMode");
  demo_ = new QRadioButton(this);
  demo_->setObjectName("demoMode");
  modeGroup_ = new QButtonGroup(this);
  modeGroup_->addButton(live_, 0);
  modeGroup_->addButton(demo_, 1);
  auto* modeRow = new QHBoxLayout;
  modeRow->addWidget(live_);
  modeRow->addWidget(demo_);
  modeRow->addStretch();

  loginBox_ = new QGroupBox(this);
  userName_ = new QLineEdit(loginBox_);
  userName_->setObjectName("userName");
  password_ = new QLineEdit(loginBox_);
  password_->setObjectName("password");
  password_->setEchoMode(QLineEdit::Password);
  remember_ = new QCheckBox(loginBox_);
  remember_->setObjectName("rememberBox");
  auto* loginForm = new QVBoxLayout(loginBox_);
  loginForm->addWidget(userName_);
  loginForm->addWidget(password_);
  loginForm->addWidget(remember_);

  languageLabel_ = new QLabel(this);
  languages_ = new QComboBox(this);
  languages_->setObjectName("languageBox");
  auto* languageRow = new QHBoxLayout;
  languageRow->addWidget(languageLabel_);
  languageRow->addWidget(languages_, 1);

  login_ = new QPushButton(this);
  login_->setObjectName("loginButton");
  login_->setDefault(true);
  login_->setAutoDefault(true);
  cancel_ = new QPushButton(this);
  cancel_->setObjectName("cancelButton");
  progress_ = new QProgressBar(this);
  progress_->setObjectName("loginProgress");
  progress_->setRange(0, 0);  // busy
  progress_->setTextVisible(false);
  progress_->setMaximumHeight(8);
  auto* buttonRow = new QHBoxLayout;
  buttonRow->addWidget(progress_, 1);
  buttonRow->addStretch();
  buttonRow->addWidget(cancel_);
  buttonRow->addWidget(login_);

  demoUser_ = new QPushButton(this);
  demoUser_->setObjectName("demoUserButton");
  demoUser_->setFlat(true);
  openLive_ = new QPushButton(this);
  openLive_->setObjectName("openLiveButton");
  openLive_->setFlat(true);
  drawerToggle_ = new QPushButton(this);
  drawerToggle_->setObjectName("drawerToggle");
  drawerToggle_->setCheckable(true);
  drawerToggle_->setFlat(true);
  auto* linkRow = new QHBoxLayout;
  linkRow->addWidget(demoUser_);
  linkRow->addWidget(openLive_);
  linkRow->addStretch();
  linkRow->addWidget(drawerToggle_);

  notice_ = new QLabel(this);
  notice_->setObjectName("loginNotice");
  notice_->setWordWrap(true);
  notice_->setTextFormat(Qt::PlainText);
  notice_->setStyleSheet("color: #8a5a00;");
  notice_->hide();

  auto* column = new QVBoxLayout;
  column->addWidget(title_);
  column->addLayout(modeRow);
  column->addWidget(loginBox_);
  column->addLayout(languageRow);
  column->addWidget(notice_);
  column->addLayout(buttonRow);
  column->addLayout(linkRow);
  column->addStretch();

  // The drawer on the right edge: the connection settings.
  drawer_ = new QWidget(this);
  drawer_->setObjectName("rightDrawer");
  connectionBox_ = new QGroupBox(drawer_);
  server_ = new QLineEdit(connectionBox_);
  server_->setObjectName("server");
  port_ = new CustomTextField(connectionBox_);
  port_->setObjectName("port");
  resetDefaults_ = new QPushButton(connectionBox_);
  resetDefaults_->setObjectName("resetDefaults");
  serverLabel_ = new QLabel(connectionBox_);
  portLabel_ = new QLabel(connectionBox_);
  auto* connectionForm = new QFormLayout(connectionBox_);
  connectionForm->addRow(serverLabel_, server_);
  connectionForm->addRow(portLabel_, port_);
  connectionForm->addRow(resetDefaults_);
  auto* drawerLayout = new QVBoxLayout(drawer_);
  drawerLayout->setContentsMargins(8, 0, 0, 0);
  drawerLayout->addSpacing(title_->sizeHint().height());
  drawerLayout->addWidget(connectionBox_);
  drawerLayout->addStretch();
  drawer_->setMinimumWidth(240);
  drawer_->hide();

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(column, 1);
  layout->addWidget(drawer_);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  loginBox_->setMinimumWidth(300);

  setTabOrder(userName_, password_);
  setTabOrder(password_, remember_);
  setTabOrder(remember_, login_);

  connect(userName_, &QLineEdit::textEdited, this, [this](const QString& t) { controller_.setUserName(t.toStdString()); });
  connect(password_, &QLineEdit::textEdited, this, [this](const QString& t) { controller_.setPassword(t.toStdString()); });
  connect(server_, &QLineEdit::textEdited, this, [this](const QString& t) { controller_.setServer(t.toStdString()); });
  connect(port_, &QLineEdit::textEdited, this, [this](const QString& t) { controller_.setPort(t.toStdString()); });
  connect(remember_, &QCheckBox::clicked, this, [this](bool on) { controller_.CheckBoxStatus(on); });
  connect(modeGroup_, &QButtonGroup::idClicked, this, [this](int id) {
    if (!updating_) controller_.ConnectionSegmentControlChanged(id);
  });
  connect(resetDefaults_, &QPushButton::clicked, this, [this] { controller_.resetConnectionSettingsDefault(); });
  connect(languages_, &QComboBox::activated, this, [this](int index) {
    if (!updating_) controller_.setLanguage(index);
  });
  connect(login_, &QPushButton::clicked, this, [this] {
    const auto failure = controller_.validationFailure();
    // The connection settings live in the drawer: show them when they are what is missing.
    if (failure && (*failure == "0004" || *failure == "0005") && !drawerOpen()) toggleRightDrawer();
    controller_.loginButtonClicked();
  });
  connect(cancel_, &QPushButton::clicked, this, [this] { controller_.cancelButtonClicked(); });
  connect(demoUser_, &QPushButton::clicked, this, [this] {
    controller_.prepareDemoRegistration();
    if (onCreateDemoUser) onCreateDemoUser();
  });
  connect(openLive_, &QPushButton::clicked, this, [this] { controller_.liveAccountRegistrationButtonClicked(); });
  connect(drawerToggle_, &QPushButton::clicked, this, [this] { toggleRightDrawer(); });
  // Return in any field logs in.
  for (QLineEdit* field : {userName_, password_, server_, port_})
    connect(field, &QLineEdit::returnPressed, login_, &QPushButton::click);

  controller_.setView(this);
  loginStateChanged();
}

LoginWindow::~LoginWindow() { controller_.setView(nullptr); }

void LoginWindow::relabel() {
  auto t = [this](const char* key) { return qs(controller_.text(key)); };
  setWindowTitle(t("0037"));
  title_->setText(QStringLiteral("TarnwickDesk"));
  live_->setText(t("0417"));
  demo_->setText(t("0465"));
  userName_->setPlaceholderText(t("0065"));
  password_->setPlaceholderText(t("0078"));
  server_->setPlaceholderText(t("0080"));
  port_->setPlaceholderText(t("0079"));
  remember_->setText(t("8197"));
  login_->setText(t("0037"));
  cancel_->setText(t("0060"));
  resetDefaults_->setText(t("0105"));
  loginBox_->setTitle(t("0037"));
  connectionBox_->setTitle(t("8141"));
  demoUser_->setText(t("8107"));
  openLive_->setText(t("8178"));
  drawerToggle_->setText(t("8141") + (drawerOpen() ? QStringLiteral(" \u25C2") : QStringLiteral(" \u25B8")));
  languageLabel_->setText(t("9304"));
  serverLabel_->setText(t("0080"));
  portLabel_->setText(t("0079"));
}

void LoginWindow::loginStateChanged() {
  updating_ = true;
  const auto& f = controller_.fields();
  auto setText = [](QLineEdit* field, const std::string& text) {
    const QString value = qs(text);
    if (field->text() != value) field->setText(value);
  };
  setText(userName_, f.userName);
  setText(password_, f.password);
  setText(server_, f.server);
  setText(port_, f.port);
  remember_->setChecked(f.remember);
  (controller_.mode() == LoginController::Mode::Live ? live_ : demo_)->setChecked(true);

  if (languages_->count() != static_cast<int>(controller_.languagesArray().size())) {
    languages_->clear();
    for (const auto& name : controller_.languagesArray()) languages_->addItem(qs(name));
  }
  languages_->setCurrentIndex(controller_.selectedLanguage());

  const bool idle = !controller_.connecting();
  login_->setVisible(idle);
  cancel_->setVisible(!idle);
  progress_->setVisible(!idle);
  for (QWidget* w : std::initializer_list<QWidget*>{demoUser_, openLive_, userName_, password_, server_, port_, live_,
                                                    demo_, remember_, languages_, resetDefaults_})
    w->setEnabled(idle);
  if (!idle) cancel_->setDefault(false);
  relabel();
  updating_ = false;
}

void LoginWindow::showLoginAlert(const std::string& message, const std::string& title) {
  QMessageBox* box = makeAlertBox(QMessageBox::Critical, title, message, this);
  box->setObjectName("loginAlert");
  QPushButton* ok = box->addButton(qs(controller_.text("0167")), QMessageBox::AcceptRole);
  ok->setObjectName("alertOk");
  box->setDefaultButton(ok);
  box->setWindowModality(Qt::WindowModal);
  box->open();
}

void LoginWindow::showNotice(const std::string& text) {
  notice_->setText(qs(text));
  notice_->show();
}

void LoginWindow::shake() { shakeWindow(this); }

bool LoginWindow::drawerOpen() const { return drawer_->isVisibleTo(this); }

void LoginWindow::toggleRightDrawer() {
  drawer_->setVisible(!drawerOpen());
  drawerToggle_->setChecked(drawerOpen());
  relabel();
}

void LoginWindow::closeAfterLogin() {
  closingAfterLogin_ = true;
  drawer_->hide();
  close();
}

void LoginWindow::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  if (!closingAfterLogin_ && onClosedByUser) onClosedByUser();
}

void LoginWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Launch: centred, the cursor in the user name field.
  if (const QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
  userName_->setFocus(Qt::OtherFocusReason);
}

}  // namespace td
