#pragma once
// For window tests that work on a session: an application context installed for the test, with its
// own notification centre, defaults file and recording alerts, a hand-pumped main queue, and a
// session object over a recording transport stored in the context as the login click would.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../session/SessionTestSupport.h"
#include "platform/AppContext.h"
#include "platform/Defaults.h"
#include "platform/ManualMainQueue.h"
#include "platform/NotificationCenter.h"
#include "session/BusinessBase.h"

namespace td::test {

class RecordingAlerts : public UserAlerts {
 public:
  void showAlert(const std::string& title, const std::string& message) override {
    calls.push_back(title + "|" + message);
  }
  void showBanner(const std::string& title, const std::string& message) override {
    calls.push_back("banner " + title + "|" + message);
  }
  void playSound(const std::string& name) override { calls.push_back("sound " + name); }
  std::vector<std::string> calls;
};

class SessionContextTest : public ::testing::Test {
 protected:
  SessionContextTest()
      : defaultsFile_(std::filesystem::temp_directory_path() /
                      ("td-ui-" + std::to_string(::getpid()) + "-" + std::to_string(counter()++) + ".json")) {
    queue.bindToCurrentThread();
    previousQueue_ = MainQueue::instance();
    MainQueue::setInstance(&queue);
    auto context = std::make_shared<AppContext>(std::make_shared<LoginInputdata>(ServerPresets::shipped()));
    context->setNotificationCenter(std::make_shared<NotificationCenter>(&queue));
    context->setDefaults(std::make_shared<Defaults>(defaultsFile_));
    context->setUserAlerts(alerts);
    installed_ = std::make_unique<ScopedAppContext>(context);
    login().setIPAddress("127.0.0.1");
    login().setPortNo(8310);
    login().setUserName("alice");
    login().setPassword("secret");
  }
  ~SessionContextTest() override {
    context().setBusinessbase(nullptr);
    session.reset();
    installed_.reset();
    MainQueue::setInstance(previousQueue_);
    std::error_code ec;
    std::filesystem::remove(defaultsFile_, ec);
  }

  AppContext& context() { return **installed_; }
  LoginInputdata& login() { return context().logindata(); }
  NotificationCenter& center() { return *context().notificationCenter(); }
  Defaults& defaults() { return *context().defaults(); }

  // A new session object in the context, as a login or registration click makes one.
  void makeSession() {
    BusinessBase::Options options;
    options.transportFactory = [this](ConnectionEvents&) {
      auto t = std::make_unique<testing::RecordingTransport>();
      transport = t.get();
      return t;
    };
    BusinessBase::Environment env;
    env.logindata = &login();
    env.mainQueue = &queue;
    env.notifications = context().notificationCenter();
    env.defaults = context().defaults();
    session = BusinessBase::create(env, options);
    context().setBusinessbase(session);
  }
  // The login data set arrives; the user may change the password or not.
  void loadLoginData(bool canChangePassword) {
    testing::LoginDataSet data = testing::standardDataSet();
    data.user[0]["canChangePassword"] = canChangePassword ? "1" : "0";
    session->NewMessage(testing::frame({{10, "33"}, {19, "REF9"}, {21, "20240102030405"}, {160, "AMP"},
                                        {1050, testing::compressed(data.amp())}}));
  }
  // The server's answer to a password change.
  void passwordReply(const std::string& status, const std::string& password) {
    session->NewMessage(testing::frame({{10, "38"}, {17, status}, {103, password}}));
  }

  ManualMainQueue queue;
  std::shared_ptr<RecordingAlerts> alerts = std::make_shared<RecordingAlerts>();
  std::shared_ptr<BusinessBase> session;
  testing::RecordingTransport* transport = nullptr;

 private:
  static int& counter() {
    static int n = 0;
    return n;
  }
  std::filesystem::path defaultsFile_;
  MainQueue* previousQueue_ = nullptr;
  std::unique_ptr<ScopedAppContext> installed_;
};

}  // namespace td::test
