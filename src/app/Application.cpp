#include "app/Application.h"

#include <QApplication>
#include <QScreen>

#include "app/Panes.h"
#include "orders/BusinessBaseOrderSession.h"
#include "orders/OrderMananger.h"
#include "platform/AppContext.h"
#include "platform/Defaults.h"
#include "platform/LanguageString.h"
#include "platform/Log.h"
#include "session/BusinessBase.h"
#include "session/ShellReactions.h"
#include "transport/Reachability.h"
#include "ui/LockWindow.h"
#include "ui/LoginWindow.h"
#include "ui/MainWindow.h"
#include "ui/PlatformActions.h"
#include "ui/QtBanners.h"
#include "ui/QtIdleSource.h"
#include "ui/QtKeychainStore.h"
#include "ui/QtSessionShell.h"
#include "ui/registration/LoginRegistrationWindow.h"
#include "ui/settings/SettingsWindow.h"
#include "ui/shell/GUIObjects.h"
#include "ui/shell/IdleQuit.h"
#include "ui/shell/MainWindowController.h"
#include "ui/ticket/TradeTicket.h"

namespace td {
namespace {

constexpr const char* kAppName = "TarnwickDesk";

void bringToFront(QWidget* window) {
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace

Application::Application(Options options) : options_(std::move(options)) {
  MainQueue::setInstance(&queue_);

  // The context of the run: login parameters with the presets, the settings, the alerts.
  context_ = std::make_shared<AppContext>();
  defaults_ = options_.defaults ? options_.defaults : std::make_shared<Defaults>(Defaults::defaultFilePath());
  context_->setDefaults(defaults_);
  previousContext_ = AppContext::install(context_);
  guiObjects_ = std::make_shared<GUIObjects>();
  context_->setGuiObjects(guiObjects_);

  QtBannerOptions banners;
  banners.queue = &queue_;
  banners.soundKey = soundKeyOf(*defaults_);
  banners.localizedString = [this](const std::string& key) { return text(key.c_str()); };
  banners.applicationName = kAppName;
  installQtBanners(qApp, std::move(banners));

  QtSessionShell::Hooks hooks;
  hooks.loginWindow = [this]() -> QWidget* { return loginWindow_.data(); };
  hooks.setEnableUIObjects = [this] { loginController_->SetEnableUIObjects(); };
  hooks.shakeLoginWindow = [this] {
    if (loginWindow_) loginWindow_->shake();
  };
  hooks.quit = [this] { quit(); };
  hooks.openWebAddress = [](const std::string& address) { return openWebAddress(address); };
  hooks.text = [this](const char* key) { return text(key); };
  shell_ = std::make_shared<QtSessionShell>(queue_, std::move(hooks));
  context_->setUserAlerts(shell_);

  ShellReactions::Options reactions;
  reactions.language = [this] { return language(); };
  reactions.appName = kAppName;
  reactions_ = ShellReactions::create(*shell_, queue_, *context_->notificationCenter(), reactions);
  reactions_->observeReachability([this] { return context_->businessbase(); });
  if (options_.watchNetwork) {
    reachability_ = Reachability::reachabilityForInternetConnection();
    if (reachability_ && !reachability_->startNotifier()) TD_LOG_WARN("The network monitor did not start");
  }

  loginToken_ = context_->notificationCenter()->addObserver("LoginSuccessNotification",
                                                            [this](const Notification&) { loginSuccess(); });

  if (!options_.secrets) options_.secrets = std::make_shared<QtKeychainStore>();
  secrets_ = options_.secrets;
  LoginController::Services services;
  services.logindata = &context_->logindata();
  services.defaults = defaults_.get();
  services.secrets = secrets_.get();
  services.launcher = this;
  services.openWebAddress = [](const std::string& address) { return openWebAddress(address); };
  services.languageChanged = [this](int index) {
    context_->setSelectedLanguage(index);
    if (lockWindow_) lockWindow_->updateLanguageStrings();
  };
  services.appName = kAppName;
  loginController_ = std::make_unique<LoginController>(std::move(services));

  idleSource_ = std::make_unique<QtIdleSource>();
  idleChecker_ = std::make_unique<IdleTimeChecker>(*defaults_, *idleSource_, [this] { quit(); });
}

Application::~Application() {
  if (loginToken_ != 0) context_->notificationCenter()->removeObserver(loginToken_);
  if (reachability_) reachability_->stopNotifier();
  delete mainWindow_.data();
  mainWindowController_.reset();
  delete lockWindow_.data();
  delete loginWindow_.data();
  // A banner of the session (a chat line, the offline notices) may still be on screen.
  releaseQtBanners();
  closeSession();
  reactions_.reset();
  if (auto error = defaults_->synchronize()) TD_LOG_WARN("Settings not written at exit: " + error->text);
  context_->setUserAlerts(nullptr);
  AppContext::install(previousContext_);
  if (MainQueue::instance() == &queue_) MainQueue::setInstance(nullptr);
}

int Application::language() const { return context_->selectedLanguage(); }

std::string Application::text(const char* key) const {
  return LanguageString::stringforSelectedLanguage(language(), key);
}

void Application::start() {
  qApp->setQuitOnLastWindowClosed(false);
  loginWindow_ = new LoginWindow(*loginController_);
  loginWindow_->setAttribute(Qt::WA_DeleteOnClose, false);
  loginWindow_->onCreateDemoUser = [this] {
    if (!registrationWindow_) {
      LoginRegistrationWindowController::Callbacks callbacks;
      callbacks.submit = [this] { loginController_->demoRegistrationSubmit(); };
      callbacks.credentialsReceived = [this](const std::string& user, const std::string& password) {
        loginController_->demoCredentialsReceived(user, password);
      };
      registrationWindow_ = new LoginRegistrationWindow(loginWindow_, std::move(callbacks));
    }
    registrationWindow_->showSheet();
  };
  loginWindow_->onClosedByUser = [this] {
    // Closing the login window before a login quits; after one the main window stands.
    if (!mainWindow_) quit();
  };
  LockWindow::Hooks lockHooks;
  lockHooks.sessionWindows = [this] { return sessionWindows(); };
  lockHooks.mainWindow = [this]() -> QWidget* { return mainWindow_.data(); };
  lockHooks.ticketWindow = [this]() -> QWidget* { return mainWindow_ ? tradeTicketWindow(*mainWindow_) : nullptr; };
  lockHooks.quit = [this] { quit(); };
  lockHooks.text = [this](const char* key) { return text(key); };
  lockHooks.appName = kAppName;
  lockWindow_ = new LockWindow(context_->logindata(), std::move(lockHooks));
  loginController_->setView(loginWindow_);
  loginController_->applicationDidFinishLaunching();
  bringToFront(loginWindow_);
}

void Application::quit() {
  if (quitting_) return;
  quitting_ = true;
  if (auto error = defaults_->synchronize()) TD_LOG_WARN("Settings not written: " + error->text);
  QCoreApplication::quit();
}

std::vector<QWidget*> Application::sessionWindows() const {
  std::vector<QWidget*> windows;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget == loginWindow_ || widget == lockWindow_ || widget->objectName() == "bannerWindow") continue;
    if (widget->isWindow() && widget->isVisible()) windows.push_back(widget);
  }
  return windows;
}

// ---- sessions ----

void Application::closeSession() {
  context_->setOrderMananger(nullptr);
  if (auto old = context_->businessbase()) {
    // The old session ends before a new one starts: a planned disconnect (no failure alert), its
    // threads joined.
    old->disconnectServer();
    old->conn().shutdown();
    context_->setBusinessbase(nullptr);
  }
}

void Application::replaceSession(bool demoRegistration) {
  closeSession();
  // The user's choice between a modal alert and a banner, for the session's execution
  // confirmations and the order desk's working-order confirmations alike.
  std::weak_ptr<GUIObjects> gui = guiObjects_;
  const auto showConfirmationAlert = [gui] {
    const auto objects = gui.lock();
    return objects ? objects->showConfirmationAlert() : true;
  };
  BusinessBase::Environment env;
  env.logindata = &context_->logindata();
  env.mainQueue = &queue_;
  env.notifications = context_->notificationCenter();
  env.defaults = defaults_;
  env.shell = reactions_;
  env.showConfirmationAlert = showConfirmationAlert;
  BusinessBase::Options sessionOptions;
  sessionOptions.connection = options_.connection;
  auto session = BusinessBase::create(env, sessionOptions);
  context_->setBusinessbase(session);
  if (!demoRegistration) {
    OrderMananger::Services services;
    services.notifications = context_->notificationCenter();
    services.alerts = shell_;
    services.mainQueue = &queue_;
    services.showConfirmationAlert = showConfirmationAlert;
    services.language = [this] { return language(); };
    context_->setOrderMananger(
        std::make_shared<OrderMananger>(std::make_shared<BusinessBaseOrderSession>(session), services));
  }
  session->StreamingConnection(true, demoRegistration);
}

void Application::startLogin() { replaceSession(false); }

void Application::startDemoRegistration() { replaceSession(true); }

void Application::cancelLogin() {
  if (auto session = context_->businessbase()) session->disconnectServer();
}

void Application::loginSuccess() {
  loginController_->loginSucceeded();
  if (!mainWindow_) {
    MainWindowController::Services services;
    services.notifications = context_->notificationCenter().get();
    services.mainQueue = &queue_;
    services.session = [this] { return context_->businessbase(); };
    services.language = [this] { return language(); };
    services.idle = idleChecker_.get();
    services.refreshInterval = options_.refreshInterval;
    mainWindowController_ = std::make_shared<MainWindowController>(services);
    context_->setMWindowController(mainWindowController_);
    MainWindow::Hooks hooks;
    hooks.notifications = context_->notificationCenter().get();
    hooks.text = [this](const char* key) { return text(key); };
    hooks.lock = [this] {
      if (lockWindow_) lockWindow_->controller().lock(loginController_->loginSuccess());
    };
    hooks.lockAllowed = [this] { return loginController_->loginSuccess(); };
    hooks.quit = [this] { quit(); };
    hooks.openSettings = [this] {
      if (!settingsWindow_) settingsWindow_ = new SettingsWindow(mainWindow_);
      mainWindow_->placeChildWindow(settingsWindow_);
      settingsWindow_->showWindow();
    };
    hooks.appName = kAppName;
    mainWindow_ = new MainWindow(*mainWindowController_, std::move(hooks));
    installPanes(*mainWindow_);
    mainWindowController_->windowDidLoad();
    if (const QScreen* screen = mainWindow_->screen()) {
      const QRect area = screen->availableGeometry();
      mainWindow_->resize(mainWindow_->size().boundedTo(area.size()));
      mainWindow_->move(area.center() - mainWindow_->rect().center());
    }
  } else {
    mainWindowController_->sessionOpened();
  }
  bringToFront(mainWindow_);
  if (loginWindow_ && loginWindow_->isVisible()) loginWindow_->closeAfterLogin();
}

}  // namespace td
