#include "ui/shell/LoginController.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/Defaults.h"
#include "platform/LoginInputdata.h"
#include "ScratchSettings.h"

namespace td {
namespace {

class FakeSecrets final : public SecretStore {
 public:
  bool available = true;
  bool deferReads = false;  // reads answer when flush() is called
  std::map<std::string, std::string> stored;
  std::vector<std::pair<std::string, ReadDone>> pending;

  void readPassword(const std::string& key, ReadDone done) override {
    if (deferReads) {
      pending.emplace_back(key, std::move(done));
      return;
    }
    answer(key, done);
  }
  void flush() {
    auto reads = std::move(pending);
    for (auto& [key, done] : reads) answer(key, done);
  }
  void writePassword(const std::string& key, const std::string& password, WriteDone done) override {
    if (!available) return done(Status::Unavailable);
    stored[key] = password;
    done(Status::Ok);
  }
  void removePassword(const std::string& key) override { stored.erase(key); }

 private:
  void answer(const std::string& key, const ReadDone& done) {
    if (!available) return done(Status::Unavailable, "");
    const auto it = stored.find(key);
    if (it == stored.end()) return done(Status::NotFound, "");
    done(Status::Ok, it->second);
  }
};

class RecordingLauncher final : public SessionLauncher {
 public:
  int logins = 0, cancels = 0, registrations = 0;
  void startLogin() override { ++logins; }
  void cancelLogin() override { ++cancels; }
  void startDemoRegistration() override { ++registrations; }
};

class RecordingView final : public LoginView {
 public:
  std::vector<std::string> alerts;
  std::vector<std::string> notices;
  void loginStateChanged() override {}
  void showLoginAlert(const std::string& message, const std::string&) override { alerts.push_back(message); }
  void showNotice(const std::string& text) override { notices.push_back(text); }
};

ServerPresets presets() {
  ServerPresets p;
  p.liveHost = "live.example";
  p.livePort = 8120;
  p.demoHost = "demo.example";
  p.demoPort = 8310;
  return p;
}

class LoginControllerTest : public ::testing::Test {
 protected:
  LoginControllerTest() : logindata_(presets()) {}

  std::unique_ptr<LoginController> make() {
    LoginController::Services s;
    s.logindata = &logindata_;
    s.defaults = &defaults_;
    s.secrets = &secrets_;
    s.launcher = &launcher_;
    s.openWebAddress = [this](const std::string& a) {
      opened_.push_back(a);
      return false;
    };
    s.languageChanged = [this](int i) { language_ = i; };
    auto c = std::make_unique<LoginController>(s);
    c->setView(&view_);
    return c;
  }

  void fill(LoginController& c, std::string server, std::string port, std::string user, std::string password) {
    c.setServer(std::move(server));
    c.setPort(std::move(port));
    c.setUserName(std::move(user));
    c.setPassword(std::move(password));
  }

  test::ScratchSettings settings_;
  Defaults& defaults_ = *settings_;
  LoginInputdata logindata_;
  FakeSecrets secrets_;
  RecordingLauncher launcher_;
  RecordingView view_;
  std::vector<std::string> opened_;
  int language_ = -1;
};

TEST_F(LoginControllerTest, ValidationStopsAtTheFirstMissingFieldInTheFixedOrder) {
  auto c = make();
  c->applicationDidFinishLaunching();
  fill(*c, "", "", "", "");
  EXPECT_EQ(c->validationFailure(), "0004");  // server before port
  fill(*c, "host", "", "", "");
  EXPECT_EQ(c->validationFailure(), "0005");
  fill(*c, "host", "8120", "", "");
  EXPECT_EQ(c->validationFailure(), "0002");
  fill(*c, "host", "8120", "user", "");
  EXPECT_EQ(c->validationFailure(), "0003");
  fill(*c, "host", "8120", "user", " ");  // a blank password passes and is sent as it is
  EXPECT_EQ(c->validationFailure(), std::nullopt);
}

TEST_F(LoginControllerTest, PortsOutsideTheRangeAndControlBytesAreRefused) {
  auto c = make();
  for (const char* port : {"0", "65536", "99999", "abc"}) {
    fill(*c, "host", port, "user", "pw");
    EXPECT_EQ(c->validationFailure(), "0005") << port;
  }
  fill(*c, "host", "08120", "user", "pw");
  EXPECT_EQ(c->validationFailure(), std::nullopt);
  EXPECT_EQ(LoginController::portValue("08120"), 8120);
  EXPECT_EQ(LoginController::portValue("99999999999999"), 2147483647);  // saturates, then refused
  fill(*c, "host", "8120", "user\x03" "34=9", "pw");
  EXPECT_EQ(c->validationFailure(), "9302");
  fill(*c, "host", "8120", "user", "p\x01w");
  EXPECT_EQ(c->validationFailure(), "9302");
}

TEST_F(LoginControllerTest, AFailedCheckShowsItsAlertAndNeitherStoresNorConnects) {
  auto c = make();
  c->applicationDidFinishLaunching();
  fill(*c, "host", "8120", "", "pw");
  c->CheckBoxStatus(true);
  c->loginButtonClicked();
  ASSERT_EQ(view_.alerts.size(), 1u);
  EXPECT_EQ(view_.alerts[0], "Please enter your user name.");
  EXPECT_EQ(launcher_.logins, 0);
  EXPECT_FALSE(defaults_.stringValue(LIVE_ACCOUNT_INFO));
  EXPECT_FALSE(c->connecting());
}

TEST_F(LoginControllerTest, ALoginClickFillsTheLoginParametersRemembersAndConnects) {
  auto c = make();
  c->applicationDidFinishLaunching();
  fill(*c, "10.0.0.7", "08120", "alice", "se#cret");
  c->CheckBoxStatus(true);
  c->loginButtonClicked();
  EXPECT_EQ(launcher_.logins, 1);
  EXPECT_TRUE(c->connecting());
  EXPECT_EQ(logindata_.userName(), "alice");
  EXPECT_EQ(logindata_.password(), "se#cret");
  EXPECT_EQ(logindata_.IPAddress(), "10.0.0.7");
  EXPECT_EQ(logindata_.PortNo(), 8120);
  EXPECT_EQ(secrets_.stored.at(LIVE_ACCOUNT_INFO), "se#cret");
  // A second click while connecting starts nothing.
  c->loginButtonClicked();
  EXPECT_EQ(launcher_.logins, 1);
  c->cancelButtonClicked();
  EXPECT_EQ(launcher_.cancels, 1);
  EXPECT_FALSE(c->connecting());

  // The next launch shows the entry as typed (port with its zero) and the whole password.
  auto next = make();
  next->applicationDidFinishLaunching();
  EXPECT_EQ(next->fields().userName, "alice");
  EXPECT_EQ(next->fields().password, "se#cret");
  EXPECT_EQ(next->fields().server, "10.0.0.7");
  EXPECT_EQ(next->fields().port, "08120");
  EXPECT_TRUE(next->fields().remember);
}

TEST_F(LoginControllerTest, FieldsWithSeparatorsComeBackWhole) {
  const RememberedCredentials fields{"a#b%23c", "host#1", "81%20"};
  const auto back = CredentialStore::splitFields(CredentialStore::joinFields(fields));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->userName, fields.userName);
  EXPECT_EQ(back->server, fields.server);
  EXPECT_EQ(back->port, fields.port);
  EXPECT_FALSE(CredentialStore::splitFields("only#three#pieces"));
}

TEST_F(LoginControllerTest, EachModeKeepsItsOwnEntryAndPreset) {
  auto c = make();
  c->applicationDidFinishLaunching();
  fill(*c, "live.host", "8120", "bob", "pw");
  c->CheckBoxStatus(true);
  c->loginButtonClicked();
  c->cancelButtonClicked();

  c->ConnectionSegmentControlChanged(1);  // demo, nothing remembered: preset, empty credentials
  EXPECT_EQ(c->mode(), LoginController::Mode::Demo);
  EXPECT_EQ(c->fields().server, "demo.example");
  EXPECT_EQ(c->fields().port, "8310");
  EXPECT_EQ(c->fields().userName, "");
  EXPECT_EQ(c->fields().password, "");
  EXPECT_FALSE(c->fields().remember);

  c->setUserName("typed");
  c->setServer("elsewhere");
  c->resetConnectionSettingsDefault();  // preset back, typed user kept
  EXPECT_EQ(c->fields().server, "demo.example");
  EXPECT_EQ(c->fields().userName, "typed");

  c->CheckBoxStatus(false);  // demo has no entry; live's stays
  EXPECT_TRUE(defaults_.stringValue(LIVE_ACCOUNT_INFO));
  c->ConnectionSegmentControlChanged(0);
  EXPECT_EQ(c->fields().userName, "bob");
  EXPECT_EQ(c->fields().password, "pw");
  EXPECT_TRUE(c->fields().remember);

  c->CheckBoxStatus(false);  // forgets live at once
  EXPECT_FALSE(defaults_.stringValue(LIVE_ACCOUNT_INFO));
  EXPECT_EQ(secrets_.stored.count(LIVE_ACCOUNT_INFO), 0u);
}

TEST_F(LoginControllerTest, ALatePasswordNeverOverwritesWhatTheUserTyped) {
  secrets_.deferReads = true;
  auto c = make();
  c->applicationDidFinishLaunching();
  fill(*c, "h", "1", "u", "stored");
  c->CheckBoxStatus(true);
  c->loginButtonClicked();
  c->cancelButtonClicked();

  c->ConnectionSegmentControlChanged(0);  // reload: the read is on its way
  c->setPassword("typed");
  secrets_.flush();
  EXPECT_EQ(c->fields().password, "typed");
}

TEST_F(LoginControllerTest, WithoutASecretServiceTheRestIsRememberedAndTheUserToldOnce) {
  secrets_.available = false;
  auto c = make();
  c->applicationDidFinishLaunching();
  for (int i = 0; i < 2; ++i) {
    fill(*c, "h", "1", "u", "pw");
    c->CheckBoxStatus(true);
    c->loginButtonClicked();
    c->cancelButtonClicked();
  }
  EXPECT_EQ(view_.notices.size(), 1u);
  auto next = make();
  next->applicationDidFinishLaunching();
  EXPECT_EQ(next->fields().userName, "u");
  EXPECT_EQ(next->fields().password, "");
}

TEST_F(LoginControllerTest, AnEntryUnderAnotherPassPhraseCountsAsAbsent) {
  defaults_.setString(LIVE_ACCOUNT_INFO, "bm90IGEgY2lwaGVydGV4dA==");
  auto c = make();
  c->applicationDidFinishLaunching();
  EXPECT_EQ(c->fields().server, "live.example");
  EXPECT_FALSE(c->fields().remember);
}

TEST_F(LoginControllerTest, AnEntryWrittenWhileASessionKeyIsInPlaceReadsBackAtTheNextLaunch) {
  // A connection lost between the login reply and the acceptance leaves the session key in
  // logindata; the next login click stores its entry then.
  logindata_.setSecurityKey("session-key-of-the-lost-connection");
  CredentialStore store(defaults_, logindata_, secrets_);
  store.store(LIVE_ACCOUNT_INFO, {"carol", "10.0.0.9", "8120"}, "pw", [](SecretStore::Status) {});
  EXPECT_TRUE(store.load(LIVE_ACCOUNT_INFO));  // a mode switch meanwhile reads it too

  LoginInputdata nextLaunch(presets());
  const auto entry = CredentialStore(defaults_, nextLaunch, secrets_).load(LIVE_ACCOUNT_INFO);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->userName, "carol");
  EXPECT_EQ(entry->server, "10.0.0.9");
}

TEST_F(LoginControllerTest, OnlyEnglishIsOfferedAndAnIndexBeyondTheListChangesNothing) {
  auto c = make();
  c->applicationDidFinishLaunching();
  EXPECT_EQ(c->languagesArray(), std::vector<std::string>{"English"});
  EXPECT_EQ(defaults_.integerValue("LanguageKey"), 0);  // the launch applied and stored the default
  language_ = -1;
  c->setLanguage(1);
  EXPECT_EQ(c->selectedLanguage(), 0);
  EXPECT_EQ(language_, -1);
  EXPECT_EQ(defaults_.integerValue("LanguageKey"), 0);

  // A stored index 1 (an earlier choice of Simplified Chinese): the launch goes on in English and
  // keeps the stored value.
  defaults_.setInteger("LanguageKey", 1);
  language_ = -1;
  auto next = make();
  next->applicationDidFinishLaunching();
  EXPECT_EQ(next->selectedLanguage(), 0);
  EXPECT_EQ(language_, -1);
  EXPECT_EQ(next->fields().server, "live.example");
  EXPECT_EQ(defaults_.integerValue("LanguageKey"), 1);
}

TEST_F(LoginControllerTest, DemoRegistrationSwitchesToDemoAndConnectsToTheFieldsServer) {
  auto c = make();
  c->applicationDidFinishLaunching();
  c->prepareDemoRegistration();
  EXPECT_EQ(c->mode(), LoginController::Mode::Demo);
  c->setPort("99999");
  EXPECT_FALSE(c->demoRegistrationSubmit());
  EXPECT_EQ(launcher_.registrations, 0);
  c->setPort("8311");
  EXPECT_TRUE(c->demoRegistrationSubmit());
  EXPECT_EQ(launcher_.registrations, 1);
  EXPECT_EQ(logindata_.IPAddress(), "demo.example");
  EXPECT_EQ(logindata_.PortNo(), 8311);
  c->demoCredentialsReceived("demo42", "p/w");
  EXPECT_EQ(c->fields().userName, "demo42");
  EXPECT_EQ(c->fields().password, "p/w");
}

}  // namespace
}  // namespace td
