#include "platform/AppContext.h"

#include "platform/Defaults.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"

#include <utility>

namespace td {
namespace {

class LogUserAlerts final : public UserAlerts {
 public:
  void showAlert(const std::string& title, const std::string& message) override {
    TD_LOG_INFO("Alert: " + title + ": " + message);
  }
  void showBanner(const std::string& title, const std::string& message) override {
    TD_LOG_INFO("Banner: " + title + ": " + message);
  }
  void playSound(const std::string& name) override { TD_LOG_INFO("Sound: " + name); }
};

std::mutex gCurrentMutex;
std::shared_ptr<AppContext>& currentSlot() {
  static auto* slot = new std::shared_ptr<AppContext>();
  return *slot;
}

}  // namespace

AppContext::AppContext() : AppContext(std::make_shared<LoginInputdata>()) {}

AppContext::AppContext(std::shared_ptr<LoginInputdata> logindata) : logindata_(std::move(logindata)) {}

AppContext::~AppContext() = default;

std::shared_ptr<AppContext> AppContext::current() {
  std::lock_guard lock(gCurrentMutex);
  auto& slot = currentSlot();
  if (!slot) slot = std::make_shared<AppContext>();
  return slot;
}

std::shared_ptr<AppContext> AppContext::install(std::shared_ptr<AppContext> context) {
  std::lock_guard lock(gCurrentMutex);
  auto previous = std::move(currentSlot());
  currentSlot() = std::move(context);
  return previous;
}

// Setters swap under the lock; the old object may die afterwards, outside it.
#define TD_CONTEXT_SETTER(Setter, Type, member)          \
  void AppContext::Setter(std::shared_ptr<Type> value) { \
    std::shared_ptr<Type> old;                           \
    {                                                    \
      std::lock_guard lock(mutex_);                      \
      old = std::exchange(member, std::move(value));     \
    }                                                    \
  }

#define TD_CONTEXT_FIELD(Getter, Setter, Type, member) \
  std::shared_ptr<Type> AppContext::Getter() const {   \
    std::lock_guard lock(mutex_);                      \
    return member;                                     \
  }                                                    \
  TD_CONTEXT_SETTER(Setter, Type, member)

TD_CONTEXT_FIELD(businessbase, setBusinessbase, BusinessBase, businessbase_)
TD_CONTEXT_FIELD(orderMananger, setOrderMananger, OrderMananger, orderMananger_)
TD_CONTEXT_FIELD(guiObjects, setGuiObjects, GUIObjects, guiObjects_)
TD_CONTEXT_FIELD(window, setWindow, LoginWindow, window_)
TD_CONTEXT_FIELD(mWindowController, setMWindowController, MainWindowController, mWindowController_)

#undef TD_CONTEXT_FIELD

TD_CONTEXT_SETTER(setUserAlerts, UserAlerts, userAlerts_)
TD_CONTEXT_SETTER(setNotificationCenter, NotificationCenter, notificationCenter_)
TD_CONTEXT_SETTER(setDefaults, Defaults, defaults_)

#undef TD_CONTEXT_SETTER

std::shared_ptr<UserAlerts> AppContext::userAlerts() const {
  {
    std::lock_guard lock(mutex_);
    if (userAlerts_) return userAlerts_;
  }
  static const auto fallback = std::make_shared<LogUserAlerts>();
  return fallback;
}

std::shared_ptr<NotificationCenter> AppContext::notificationCenter() const {
  {
    std::lock_guard lock(mutex_);
    if (notificationCenter_) return notificationCenter_;
  }
  // The process-wide centre is never destroyed: a pointer that owns nothing.
  return std::shared_ptr<NotificationCenter>(std::shared_ptr<void>(), &NotificationCenter::defaultCenter());
}

std::shared_ptr<Defaults> AppContext::defaults() const {
  std::lock_guard lock(mutex_);
  if (!defaults_) defaults_ = std::make_shared<Defaults>(Defaults::defaultFilePath());
  return defaults_;
}

}  // namespace td
