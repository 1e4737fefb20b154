// The settings window, the change-password sheet and the idle time-out sheet: their controllers on
// a session in the application context, and the Qt windows that bind them.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "QtTestApp.h"
#include "SessionContextFixture.h"
#include "ui/settings/ChangePasswordWindowController.h"
#include "ui/settings/IdleTimeoutWindowController.h"
#include "ui/settings/SettingsWindow.h"
#include "ui/settings/SettingsWindowController.h"

namespace td {
namespace {

using namespace std::chrono_literals;
using C = ChangePasswordWindowController;

class SettingsTest : public test::SessionContextTest {};

TEST_F(SettingsTest, SoundSwitchStartsOffAndIsWrittenAtOnce) {
  SettingsWindowController settings;
  EXPECT_FALSE(settings.loadSoundSettings());
  settings.toggleSoundButtonClicked(true);
  EXPECT_TRUE(settings.loadSoundSettings());
  EXPECT_FALSE(defaults().dirty()) << "on disk before the next sound";
  EXPECT_EQ(Defaults(defaults().file()).boolValue("SoundKey"), true);
}

TEST_F(SettingsTest, ChangePasswordNeedsTheUsersPermissionAndTheNetwork) {
  SettingsWindowController settings;
  EXPECT_FALSE(settings.changePasswordEnabled()) << "no session";
  EXPECT_FALSE(settings.ChangePasswordButtonClicked());
  makeSession();
  loadLoginData(false);
  EXPECT_FALSE(settings.changePasswordEnabled());
  loadLoginData(true);
  EXPECT_TRUE(settings.changePasswordEnabled());
  EXPECT_TRUE(settings.ChangePasswordButtonClicked());
  transport->networkAvailable = false;
  EXPECT_FALSE(settings.ChangePasswordButtonClicked());
  EXPECT_EQ(alerts->calls, (std::vector<std::string>{"Info|Not Connected", "Info|Not Connected"}));
}

TEST(ChangePasswordValidation, FirstFailingRuleWins) {
  const std::string current = "secret";
  auto failure = [&](const char* o, const char* n, const char* c) {
    return C::passwordValidationFailure(o, n, c, current).value_or("ok");
  };
  EXPECT_EQ(failure("", "", ""), C::kEmptyField);
  EXPECT_EQ(failure("secret", "new", ""), C::kEmptyField);
  EXPECT_EQ(failure("wrong", "a", "b"), C::kWrongOldPassword) << "before the mismatch";
  EXPECT_EQ(failure("Secret", "n3w", "n3w"), C::kWrongOldPassword) << "case-sensitive";
  EXPECT_EQ(failure("secret", "a", "b"), C::kConfirmationMismatch);
  EXPECT_EQ(failure("secret", "secret", "secret"), C::kSamePassword);
  EXPECT_EQ(failure("secret", "a\x03" "b", "a\x03" "b"), C::kControlBytes);
  EXPECT_EQ(failure("secret", "n3w", "n3w"), "ok");
}

struct RecordingPasswordView : ChangePasswordView {
  void clearFields() override { ++clears; }
  void closeSheet() override { ++closes; }
  int clears = 0;
  int closes = 0;
};

class ChangePasswordTest : public test::SessionContextTest {
 protected:
  ChangePasswordTest() {
    makeSession();
    loadLoginData(true);
    controller.onWindowLoad();
  }
  std::size_t sent() const { return transport->tcp.size(); }

  RecordingPasswordView view;
  C controller{view, C::Options{&queue, 300ms, 5s}};
};

TEST_F(ChangePasswordTest, FailedCheckShowsItsTextAndSendsNothing) {
  EXPECT_EQ(view.clears, 1);
  const std::size_t before = sent();
  EXPECT_FALSE(controller.ChangePasswordButtonClicked("secret", "a", "b"));
  EXPECT_EQ(alerts->calls, std::vector<std::string>{std::string("Info|") + C::kConfirmationMismatch});
  EXPECT_EQ(sent(), before);
  queue.advance(1s);
  EXPECT_EQ(view.closes, 0);
}

TEST_F(ChangePasswordTest, ConfirmationAfterTheSheetClosedIsStillShown) {
  const std::size_t before = sent();
  ASSERT_TRUE(controller.ChangePasswordButtonClicked("secret", "n3w", "n3w"));
  EXPECT_EQ(sent(), before + 1);
  queue.advance(299ms);
  EXPECT_EQ(view.closes, 0);
  queue.advance(1ms);
  EXPECT_EQ(view.closes, 1);
  EXPECT_TRUE(controller.initiated()) << "still listening for the answer";
  queue.advance(2s);
  passwordReply("Success", "n3w");
  queue.runPending();
  EXPECT_EQ(alerts->calls, std::vector<std::string>{std::string("Info|") + C::kChanged});
  EXPECT_EQ(login().password(), "n3w") << "the lock and the next change compare with it";
  EXPECT_FALSE(controller.initiated());
  EXPECT_EQ(center().observerCount("PasswordChangeNotification"), 0u);
  queue.advance(10s);
  EXPECT_EQ(alerts->calls.size(), 1u) << "no time-out after the answer";
}

TEST_F(ChangePasswordTest, RefusalIsShownAndThePasswordStays) {
  ASSERT_TRUE(controller.ChangePasswordButtonClicked("secret", "n3w", "n3w"));
  passwordReply("Failure", "secret");
  queue.runPending();
  EXPECT_EQ(alerts->calls, std::vector<std::string>{std::string("Info|") + C::kRefused});
  EXPECT_EQ(login().password(), "secret");
  EXPECT_TRUE(controller.initiated()) << "the sheet is still open, so it keeps listening";
  queue.advance(300ms);
  EXPECT_FALSE(controller.initiated());
}

TEST_F(ChangePasswordTest, NoAnswerWithinTheTimeOutIsToldAndListeningStops) {
  ASSERT_TRUE(controller.ChangePasswordButtonClicked("secret", "n3w", "n3w"));
  queue.advance(5s);
  EXPECT_EQ(alerts->calls, std::vector<std::string>{std::string("Info|") + C::kNoAnswer});
  EXPECT_FALSE(controller.initiated());
  passwordReply("Success", "n3w");
  queue.runPending();
  EXPECT_EQ(alerts->calls.size(), 1u);
}

TEST_F(ChangePasswordTest, ReopeningWhileWaitingRegistersOnceAndCancelStopsListening) {
  ASSERT_TRUE(controller.ChangePasswordButtonClicked("secret", "n3w", "n3w"));
  queue.advance(300ms);
  controller.onWindowLoad();
  EXPECT_EQ(center().observerCount("PasswordChangeNotification"), 1u);
  passwordReply("Success", "n3w");
  queue.runPending();
  EXPECT_EQ(alerts->calls.size(), 1u) << "one alert for one answer";
  EXPECT_TRUE(controller.initiated()) << "the reopened sheet listens until it is closed";
  controller.closeModal();
  EXPECT_FALSE(controller.initiated());
  EXPECT_EQ(view.closes, 2);
}

TEST_F(ChangePasswordTest, UnsentRequestIsToldAndTheSheetStaysOpen) {
  transport->connected = false;
  EXPECT_FALSE(controller.ChangePasswordButtonClicked("secret", "n3w", "n3w"));
  EXPECT_EQ(alerts->calls, std::vector<std::string>{std::string("Info|") + C::kNotSent});
  queue.advance(1s);
  EXPECT_EQ(view.closes, 0);
  EXPECT_FALSE(controller.isAwaitingReply());
}

struct RecordingIdleView : IdleTimeoutView {
  void setChoices(const std::array<std::string, 5>& texts) override { choices = texts; }
  void showChoiceText(const std::string& text) override { shown = text; }
  void setApplyEnabled(bool enabled) override { applyEnabled = enabled; }
  void closeSheet() override { ++closes; }
  std::array<std::string, 5> choices;
  std::string shown;
  bool applyEnabled = true;
  int closes = 0;
};

TEST_F(SettingsTest, IdleTimeoutShowsTheStoredChoiceAndStoresTheAppliedOne) {
  RecordingIdleView view;
  IdleTimeoutWindowController idle(view);
  idle.onWindowLoad();
  EXPECT_EQ(view.shown, "") << "nothing before the window is loaded";
  defaults().setInteger("IdleTime", 120);
  idle.windowDidLoad();
  EXPECT_EQ(view.choices[3], "30 Minutes");
  EXPECT_EQ(view.shown, "Never") << "a value that is not one of the five";
  EXPECT_FALSE(view.applyEnabled);
  EXPECT_FALSE(idle.applyButtonclicked(-1));
  EXPECT_EQ(defaults().integerForKey("IdleTime"), 120);
  EXPECT_EQ(view.closes, 0);
  idle.comboBoxSelectionIsChanging();
  EXPECT_TRUE(view.applyEnabled);
  EXPECT_TRUE(idle.applyButtonclicked(3));
  EXPECT_EQ(Defaults(defaults().file()).integerValue("IdleTime"), 1800);
  EXPECT_EQ(view.closes, 1);
  idle.onWindowLoad();
  EXPECT_EQ(view.shown, "30 Minutes");
  EXPECT_FALSE(view.applyEnabled);
  EXPECT_EQ(IdleTimeoutWindowController::textForSeconds(0), "Never");
  EXPECT_EQ(IdleTimeoutWindowController::textForSeconds(3600), "60 Minutes");
}

class SettingsWindowTest : public test::SessionContextTest {
 protected:
  static void SetUpTestSuite() { test::qtTestApp(); }
};

TEST_F(SettingsWindowTest, WindowBindsTheSwitchAndOpensTheSheetsOnIt) {
  makeSession();
  loadLoginData(false);
  QWidget mainWindow;
  mainWindow.show();
  SettingsWindow settings(&mainWindow);
  EXPECT_TRUE(settings.windowFlags() & Qt::Tool);
  settings.showWindow();
  EXPECT_FALSE(settings.changePasswordButton()->isEnabled());
  EXPECT_FALSE(settings.soundsButton()->isChecked());
  settings.soundsButton()->click();
  EXPECT_TRUE(defaults().boolForKey("SoundKey"));

  settings.idleTimeoutButton()->click();
  IdleTimeoutSheet* idle = settings.idleTimeoutSheet();
  ASSERT_NE(idle, nullptr);
  EXPECT_TRUE(idle->isVisible());
  EXPECT_EQ(idle->windowModality(), Qt::WindowModal);
  EXPECT_EQ(idle->timeoutComboBox()->currentIndex(), -1);
  EXPECT_EQ(idle->timeoutComboBox()->placeholderText(), "Never");
  EXPECT_FALSE(idle->applyButton()->isEnabled());
  idle->timeoutComboBox()->setCurrentIndex(1);
  emit idle->timeoutComboBox()->activated(1);
  ASSERT_TRUE(idle->applyButton()->isEnabled());
  idle->applyButton()->click();
  EXPECT_FALSE(idle->isVisible());
  EXPECT_EQ(defaults().integerForKey("IdleTime"), 300);

  loadLoginData(true);
  settings.showWindow();
  ASSERT_TRUE(settings.changePasswordButton()->isEnabled());
  settings.changePasswordButton()->click();
  ChangePasswordSheet* sheet = settings.changePasswordSheet();
  ASSERT_NE(sheet, nullptr);
  EXPECT_TRUE(sheet->isVisible());
  EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
  EXPECT_EQ(sheet->oldPasswordField()->echoMode(), QLineEdit::Password);
  sheet->oldPasswordField()->setText("secret");
  sheet->cancelButton()->click();
  EXPECT_FALSE(sheet->isVisible());
  EXPECT_FALSE(sheet->controller().initiated());
  settings.changePasswordButton()->click();
  EXPECT_EQ(sheet->oldPasswordField()->text(), "") << "each opening starts empty";
  sheet->reject();
  EXPECT_FALSE(sheet->isVisible());
}

}  // namespace
}  // namespace td
