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

#define TD_CONTEXT_FIELD(Getter, Setter, Type, member)        \
  std::shared_ptr<Type> AppContext::Getter() const {          \
    std::lock_guard lock(mutex_);                             \
    return member;                                            \
  }                                                           \
  void AppContext::Setter(std::shared_ptr<Type> value) {      \
    std::shared_ptr<Type> old;                                \
    {                                                         \
      std::lock_guard lock(mutex_);                           \
      old = std::exchange(member, std::move(value));          \
    } /* the old object may die here, outside the lock */     \
  }

TD_CONTEXT_FIELD(businessbase, setBusinessbase, BusinessBase, businessbase_)
TD_CONTEXT_FIELD(orderMananger, setOrderMananger, OrderMananger, orderMananger_)
TD_CONTEXT_FIELD(guiObjects, setGuiObjects, GUIObjects, guiObjects_)
TD_CONTEXT_FIELD(window, setWindow, LoginWindow, window_)
TD_CONTEXT_FIELD(mWindowController, setMWindowController, MainWindowController, mWindowController_)

#undef TD_CONTEXT_FIELD

std::shared_ptr<UserAlerts> AppContext::userAlerts() const {
  {
    std::lock_guard lock(mutex_);
    if (userAlerts_) return userAlerts_;
  }
  static const auto fallback = std::make_shared<LogUserAlerts>();
  return fallback;
}

void AppContext::setUserAlerts(std::shared_ptr<UserAlerts> value) {
  std::unique_lock lock(mutex_);
  auto old = std::exchange(userAlerts_, std::move(value));
  lock.unlock();  // the old object may die here, outside the lock
}

std::shared_ptr<NotificationCenter> AppContext::notificationCenter() const {
  {
    std::lock_guard lock(mutex_);
    if (notificationCenter_) return notificationCenter_;
  }
  // The process-wide centre is never destroyed: a pointer that owns nothing.
  return std::shared_ptr<NotificationCenter>(std::shared_ptr<void>(), &NotificationCenter::defaultCenter());
}

void AppContext::setNotificationCenter(std::shared_ptr<NotificationCenter> value) {
  std::unique_lock lock(mutex_);
  auto old = std::exchange(notificationCenter_, std::move(value));
  lock.unlock();  // the old object may die here, outside the lock
}

std::shared_ptr<Defaults> AppContext::defaults() const {
  std::lock_guard lock(mutex_);
  if (!defaults_) defaults_ = std::make_shared<Defaults>(Defaults::defaultFilePath());
  return defaults_;
}

void AppContext::setDefaults(std::shared_ptr<Defaults> value) {
  std::unique_lock lock(mutex_);
  auto old = std::exchange(defaults_, std::move(value));
  lock.unlock();  // the old object may die here, outside the lock
}

}  // namespace td
