// The main window's controller, the idle quit and the screen lock, headless.

#include <gtest/gtest.h>

#include "model/AccountDetails.h"
#include "platform/Defaults.h"
#include "platform/Log.h"
#include "platform/LoginInputdata.h"
#include "platform/ManualMainQueue.h"
#include "platform/NotificationCenter.h"
#include "ui/shell/IdleQuit.h"
#include "ui/shell/LockController.h"
#include "ui/shell/MainWindowController.h"
#include "ScratchSettings.h"

namespace td {
namespace {

class RecordingMainView final : public MainWindowView {
 public:
  std::vector<AccountStrip> strips;
  std::vector<std::string> statusTexts;
  std::vector<std::optional<std::string>> clocks;
  std::vector<std::tuple<int, std::string, std::string>> charts;
  void showAccountStrip(const AccountStrip& strip) override { strips.push_back(strip); }
  void showNetworkStatus(const NetworkStatus& status, const std::string& text,
                         const std::optional<std::string>& clock) override {
    statusTexts.push_back(std::string(status.indicatorImage) + " " + text);
    clocks.push_back(clock);
  }
  void setChartSymbol(int chart, const std::string& symbol, const std::string& key) override {
    charts.emplace_back(chart, symbol, key);
  }
};

TEST(MainWindowStrip, FiguresAreGroupedWithTwoDecimalsAndAMissingAccountReadsZero) {
  EXPECT_EQ(MainWindowController::formatFigure(12345.6), "12,345.60");
  EXPECT_EQ(MainWindowController::formatFigure(-1234567.891), "-1,234,567.89");
  AccountDetails account;
  account.AccountId = 1001;
  account.Balance = 100000;
  account.UnrealisedPL = -25.5;
  const AccountStrip strip = MainWindowController::accountStrip(&account, 0);
  EXPECT_EQ(strip.accountId, "Account : 1001");
  EXPECT_EQ(strip.balance, "Balance : 100,000.00");
  EXPECT_EQ(strip.profitLoss, "Floating P/L : -25.50");
  const AccountStrip none = MainWindowController::accountStrip(nullptr, 0);
  EXPECT_EQ(none.accountId, "Account : 0");
  EXPECT_EQ(none.availableMargin, "Available Margin : 0.00");
}

TEST(MainWindowStrip, ServerClockUsesTheCalendarYear) {
  // 28 December 2026 lies in the first week of 2027: a week-based year would show 2027.
  EXPECT_EQ(MainWindowController::serverClock("20261228120000"), "Dec 28, 2026 12:00:00");
  EXPECT_EQ(MainWindowController::serverClock("garbage"), "");
}

TEST(MainWindowStrip, SpeedRatingsMapToImagesAndTexts) {
  EXPECT_STREQ(MainWindowController::networkStatus(0)->indicatorImage, "Network_Speed_Excellent.png");
  EXPECT_STREQ(MainWindowController::networkStatus(2)->connectionImage, "network-status-away.png");
  EXPECT_STREQ(MainWindowController::networkStatus(2)->textKey, "0051");
  EXPECT_STREQ(MainWindowController::networkStatus(3)->connectionImage, "network-status-offline.png");
  EXPECT_STREQ(MainWindowController::networkStatus(3)->textKey, "1007");
  EXPECT_FALSE(MainWindowController::networkStatus(4));
  EXPECT_FALSE(MainWindowController::networkStatus(-1));
}

TEST(MainWindowSplits, WatchlistDividerIsBoundedAndThePositionsDividerPinnedAndHidden) {
  using R = MainWindowController::SplitRules;
  EXPECT_EQ(R::constrainMinCoordinate("1000", 250), 330);
  EXPECT_EQ(R::constrainMaxCoordinate("1000", 250), 900);
  EXPECT_EQ(R::constrainMinCoordinate("1001", 250), 250);
  EXPECT_EQ(R::constrainMaxCoordinate("1001", 250), 250);
  EXPECT_EQ(R::constrainMaxCoordinate("other", 250), 0);
  EXPECT_TRUE(R::canCollapseSubview("1001", 0));
  EXPECT_FALSE(R::canCollapseSubview("1001", 1));
  EXPECT_FALSE(R::canCollapseSubview("1000", 0));
  EXPECT_TRUE(R::shouldHideDivider("1001"));
  EXPECT_FALSE(R::shouldHideDivider("1000"));
}

class MainWindowControllerTest : public ::testing::Test {
 protected:
  MainWindowControllerTest() : center_(&queue_) {}

  std::unique_ptr<MainWindowController> make(IdleTimeChecker* idle = nullptr) {
    MainWindowController::Services s;
    s.notifications = &center_;
    s.mainQueue = &queue_;
    s.session = [] { return std::shared_ptr<BusinessBase>(); };
    s.language = [] { return 0; };
    s.idle = idle;
    auto c = std::make_unique<MainWindowController>(s);
    c->setView(&view_);
    return c;
  }

  ManualMainQueue queue_;
  NotificationCenter center_;
  RecordingMainView view_;
};

TEST_F(MainWindowControllerTest, ADroppedSymbolChangesOnlyItsChart) {
  auto c = make();
  c->windowDidLoad();
  center_.post("ChartSymbolDragNotification", std::vector<std::string>{"GBPUSD", "Chart3"});
  center_.post("ChartSymbolDragNotification", std::vector<std::string>{"EURUSD", "Chart9"});
  center_.post("ChartSymbolDragNotification", std::string("not an array"));
  ASSERT_EQ(view_.charts.size(), 1u);
  EXPECT_EQ(view_.charts[0], std::make_tuple(3, std::string("GBPUSD"), std::string()));
}

TEST_F(MainWindowControllerTest, SpeedNotificationsShowTheClockWhenTheyCarryATime) {
  auto c = make();
  c->windowDidLoad();
  center_.post("NetworkSpeedNotification", std::string("20261207093000"));
  center_.post("NetworkSpeedNotification");
  ASSERT_EQ(view_.clocks.size(), 2u);
  EXPECT_EQ(view_.clocks[0], "Dec 07, 2026 09:30:00");
  EXPECT_EQ(view_.clocks[1], std::nullopt);
  // Without a session the rating reads as lost.
  EXPECT_EQ(view_.statusTexts[0], "Network_Speed_Poor.png Poor Connection");
}

class FixedIdle final : public IdleSource {
 public:
  std::int64_t seconds = 0;
  std::int64_t SystemIdleTime() override { return seconds; }
};

class IdleTest : public ::testing::Test {
 protected:
  IdleTest() : checker_(*defaults_, idle_, [this] { ++quits_; }) {}

  test::ScratchSettings defaults_;
  FixedIdle idle_;
  int quits_ = 0;
  IdleTimeChecker checker_;
};

TEST_F(IdleTest, QuitsOnceWhenTheIdleTimeReachesOrPassesTheSetting) {
  defaults_->setInteger(IDLE_TIME_KEY, 300);
  idle_.seconds = 299;
  checker_.startCheckingIdleTime();
  EXPECT_EQ(quits_, 0);
  idle_.seconds = 301;  // the check that would have seen 300 came late
  checker_.startCheckingIdleTime();
  checker_.startCheckingIdleTime();
  EXPECT_EQ(quits_, 1);
}

TEST_F(IdleTest, NeverQuitsWithoutASettingOrAnIdleTime) {
  idle_.seconds = 100000;
  checker_.startCheckingIdleTime();  // absent
  defaults_->setInteger(IDLE_TIME_KEY, 0);
  checker_.startCheckingIdleTime();
  defaults_->setInteger(IDLE_TIME_KEY, 60);
  idle_.seconds = -1;  // cannot be told
  checker_.startCheckingIdleTime();
  EXPECT_EQ(quits_, 0);
}

TEST_F(IdleTest, WithoutTheSystemsIdleTimeItNeverQuitsAndSaysSoOnce) {
  std::vector<std::string> lines;
  log::setSink([&](log::Level, std::string_view line) { lines.emplace_back(line); });
  defaults_->setInteger(IDLE_TIME_KEY, 300);
  idle_.seconds = -1;
  for (int check = 0; check < 3; ++check) checker_.startCheckingIdleTime();
  log::setSink({});
  EXPECT_EQ(quits_, 0);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "Idle time: the system's idle time is unavailable; the application does not quit for idleness");
}

TEST_F(MainWindowControllerTest, TheRefreshTimerRunsTheIdleCheckEverySecond) {
  test::ScratchSettings defaults;
  defaults->setInteger(IDLE_TIME_KEY, 2);
  FixedIdle idle;
  int quits = 0;
  IdleTimeChecker checker(*defaults, idle, [&] { ++quits; });
  auto c = make(&checker);
  c->windowDidLoad();
  const auto stripsAtLoad = view_.strips.size();
  idle.seconds = 2;
  queue_.advance(std::chrono::milliseconds(999));
  EXPECT_EQ(quits, 0);
  queue_.advance(std::chrono::milliseconds(1));
  EXPECT_EQ(quits, 1);
  EXPECT_EQ(view_.strips.size(), stripsAtLoad + 1);
}

class RecordingLock final : public LockView {
 public:
  std::vector<std::string> calls;
  void hideSessionWindows() override { calls.push_back("hide"); }
  void restoreSessionWindows() override { calls.push_back("restore"); }
  void showLockWindow() override { calls.push_back("show lock"); }
  void hideLockWindow() override { calls.push_back("hide lock"); }
  void shakeLockWindow() override { calls.push_back("shake"); }
};

TEST(ScreenLock, OnlyTheExactLoginPasswordUnlocks) {
  LoginInputdata login{ServerPresets{}};
  login.setPassword("Secret");
  RecordingLock view;
  LockController lock(login, view);
  EXPECT_FALSE(lock.lock(false));  // nobody logged in
  EXPECT_TRUE(view.calls.empty());
  EXPECT_TRUE(lock.lock(true));
  EXPECT_FALSE(lock.lock(true));  // already locked
  EXPECT_FALSE(lock.unlock("secret"));
  EXPECT_TRUE(lock.locked());
  EXPECT_TRUE(lock.unlock("Secret"));
  EXPECT_EQ(view.calls, (std::vector<std::string>{"hide", "show lock", "shake", "hide lock", "restore"}));
  // A password changed during the session is the one that unlocks next.
  login.setPassword("New");
  lock.lock(true);
  EXPECT_FALSE(lock.unlock("Secret"));
  EXPECT_TRUE(lock.unlock("New"));
}

TEST(ScreenLock, MenuItemNeedsAVisibleMainWindowWithoutASheet) {
  EXPECT_TRUE(lockMenuItemEnabled(true, true, false));
  EXPECT_FALSE(lockMenuItemEnabled(true, true, true));
  EXPECT_FALSE(lockMenuItemEnabled(true, false, false));
  EXPECT_FALSE(lockMenuItemEnabled(false, true, false));
}

}  // namespace
}  // namespace td
