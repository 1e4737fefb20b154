#pragma once
// The application context: the one object through which every layer reaches the shared objects of
// the run (the session, the order manager, the login parameters, the windows).
//
// The platform layer is the lowest layer, so it only names the higher types: the layer that creates
// a BusinessBase, an OrderMananger, a GUIObjects, the login window or the main window stores it here
// as a shared_ptr, and the layers that use them include their headers. The window side is reached
// from below only through small interfaces declared here (UserAlerts); higher layers declare their
// own upward interfaces the same way and keep them in their own objects.
//
// One context is current at a time: the application installs its own at start-up, tests install one
// filled with fakes (ScopedAppContext). AppContext::current() creates a plain one on first use if
// nobody installed any. Every accessor is safe from any thread; getters return copies of the
// pointers, so an object stays alive while a caller uses it even if it is replaced meanwhile.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "platform/LoginInputdata.h"

namespace td {

class BusinessBase;
class OrderMananger;
class GUIObjects;
class LoginWindow;
class MainWindowController;
class NotificationCenter;
class Defaults;

// Alerts, banners and sounds as the core raises them. The application implements it with windows,
// the probe and the simulated server headless; without one the context writes each call to the log.
// Calls come on the main thread; an implementation must not run a nested event loop inside a call
// that a message handler made (post the modal part as its own main-queue task).
class UserAlerts {
 public:
  virtual ~UserAlerts() = default;
  virtual void showAlert(const std::string& title, const std::string& message) = 0;
  virtual void showBanner(const std::string& title, const std::string& message) = 0;
  virtual void playSound(const std::string& name) = 0;
};

class AppContext {
 public:
  // logindata from ServerPresets::load(); no session objects yet; the process-wide notification
  // centre; user defaults opened at Defaults::defaultFilePath() on first use.
  AppContext();
  explicit AppContext(std::shared_ptr<LoginInputdata> logindata);
  ~AppContext();
  AppContext(const AppContext&) = delete;
  AppContext& operator=(const AppContext&) = delete;

  // The current context (created on first use when none was installed).
  static std::shared_ptr<AppContext> current();
  // Makes context current (nullptr: the next current() creates a fresh one); returns the previous.
  static std::shared_ptr<AppContext> install(std::shared_ptr<AppContext> context);

  std::shared_ptr<BusinessBase> businessbase() const;
  void setBusinessbase(std::shared_ptr<BusinessBase> value);
  std::shared_ptr<OrderMananger> orderMananger() const;
  void setOrderMananger(std::shared_ptr<OrderMananger> value);
  std::shared_ptr<GUIObjects> guiObjects() const;
  void setGuiObjects(std::shared_ptr<GUIObjects> value);
  // The login window.
  std::shared_ptr<LoginWindow> window() const;
  void setWindow(std::shared_ptr<LoginWindow> value);
  std::shared_ptr<MainWindowController> mWindowController() const;
  void setMWindowController(std::shared_ptr<MainWindowController> value);

  // Made once with the context and never replaced.
  LoginInputdata& logindata() const { return *logindata_; }

  // 0 English, 1 Simplified Chinese: what every window passes to LanguageString.
  int selectedLanguage() const { return selectedLanguage_.load(std::memory_order_relaxed); }
  void setSelectedLanguage(int language) { selectedLanguage_.store(language, std::memory_order_relaxed); }

  // `dontshowOrderConfirmation`: the order ticket sends market orders without its confirmation
  // sheet. False at launch; set by the sheet's suppression box; never stored between runs.
  bool dontshowOrderConfirmation() const { return dontshowOrderConfirmation_.load(std::memory_order_relaxed); }
  void setDontshowOrderConfirmation(bool value) {
    dontshowOrderConfirmation_.store(value, std::memory_order_relaxed);
  }

  // Never null: the installed implementation or the logging one.
  std::shared_ptr<UserAlerts> userAlerts() const;
  void setUserAlerts(std::shared_ptr<UserAlerts> value);

  // Never null: the installed centre or NotificationCenter::defaultCenter().
  std::shared_ptr<NotificationCenter> notificationCenter() const;
  void setNotificationCenter(std::shared_ptr<NotificationCenter> value);

  // Never null: the installed store, else the user's own file (opened on first call). Tests install
  // a store on a temporary file before anything asks. The current context is never destroyed at
  // process exit, so the application synchronises the defaults itself when it quits.
  std::shared_ptr<Defaults> defaults() const;
  void setDefaults(std::shared_ptr<Defaults> value);

 private:
  const std::shared_ptr<LoginInputdata> logindata_;
  std::atomic<int> selectedLanguage_{0};
  std::atomic<bool> dontshowOrderConfirmation_{false};
  mutable std::mutex mutex_;
  std::shared_ptr<BusinessBase> businessbase_;
  std::shared_ptr<OrderMananger> orderMananger_;
  std::shared_ptr<GUIObjects> guiObjects_;
  std::shared_ptr<LoginWindow> window_;
  std::shared_ptr<MainWindowController> mWindowController_;
  std::shared_ptr<UserAlerts> userAlerts_;
  std::shared_ptr<NotificationCenter> notificationCenter_;
  mutable std::shared_ptr<Defaults> defaults_;
};

// Installs a context for the lifetime of the guard and puts the previous one back afterwards.
class ScopedAppContext {
 public:
  explicit ScopedAppContext(std::shared_ptr<AppContext> context)
      : context_(context), previous_(AppContext::install(std::move(context))) {}
  ~ScopedAppContext() { AppContext::install(std::move(previous_)); }
  ScopedAppContext(const ScopedAppContext&) = delete;
  ScopedAppContext& operator=(const ScopedAppContext&) = delete;

  AppContext& operator*() const { return *context_; }
  AppContext* operator->() const { return context_.get(); }

 private:
  std::shared_ptr<AppContext> context_;
  std::shared_ptr<AppContext> previous_;
};

}  // namespace td
