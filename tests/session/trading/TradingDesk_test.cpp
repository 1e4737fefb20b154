// The trading state over a real session object: reports change its collections, the account summary
// subscribes through its transport, the password reply reaches its login data, and the watchlist is
// saved in its user defaults.

#include "session/trading/TradingDesk.h"

#include <gtest/gtest.h>

#include "../SessionTestSupport.h"

namespace td {
namespace {

class TradingDeskTest : public testing::SessionTest {
 protected:
  void SetUp() override {
    loginData(testing::standardDataSet());
    queue.runPending();
    ASSERT_EQ(session->AccountDetailCollection().size(), 2u);
  }

  TradingDesk desk() {
    TradingDesk::Links links;
    links.center = notifications.get();
    links.mainQueue = &queue;
    links.alerts = alerts;
    links.showBanner = [this](const SessionBanner& b) { shell.showBanner(b); };
    links.defaults = defaults;
    return TradingDesk(*session, links);
  }

  // A message of the session as its dispatcher cuts it.
  struct Message {
    std::string text;
    ReceivedMessage message;
  };
  std::unique_ptr<Message> message(const std::vector<testing::Field>& fields) {
    auto m = std::make_unique<Message>();
    m->text = testing::frame(fields);
    m->message.parse(m->text);
    return m;
  }

  struct Alerts : UserAlerts {
    std::vector<std::string> calls;
    void showAlert(const std::string& t, const std::string& m) override { calls.push_back(t + "|" + m); }
    void showBanner(const std::string& t, const std::string& m) override { calls.push_back("banner " + t + "|" + m); }
    void playSound(const std::string& name) override { calls.push_back("sound " + name); }
  };
  std::shared_ptr<Alerts> alerts = std::make_shared<Alerts>();
};

TEST_F(TradingDeskTest, ReportsChangeTheSessionCollectionsAndReachTheWindows) {
  int* pending = count("PendingOrderNotification");
  session->setRequestid(3);
  const std::size_t journal = session->JournalDataCollection().size();
  auto m = message({{10, "62"}, {73, "28"}, {12, "EURUSD"}, {34, "100"}, {32, "30"}, {37, "1"}, {38, "1.1"},
                    {76, "1"}, {79, "W1"}});
  desk().ProcessOrderReport(m->message);
  ASSERT_EQ(session->PendingOrderCollection.size(), 1u);
  EXPECT_EQ(session->JournalDataCollection().size(), journal + 1);
  EXPECT_EQ(*pending, 0);
  queue.runPending();
  EXPECT_EQ(*pending, 1);

  auto exec = message({{10, "67"}, {73, "74"}, {12, "EURUSD"}, {34, "100"}, {76, "1"}, {37, "1"}, {38, "1.1"},
                       {79, "W1"}, {80, "P1"}});
  desk().FillOpenOrderCollection(exec->message);
  ASSERT_EQ(session->OpenOrderCollection.size(), 1u);
  EXPECT_EQ(desk().read().getExecutedOrderCollection().size(), 1u);
  queue.runPending();
  EXPECT_EQ(alerts->calls, (std::vector<std::string>{"sound order",
                                                     "banner Trade Confirmation|Account : 100\nOrder No : P1\nYou "
                                                     "Bought 1 lot(s) of EURUSD @ 1.1"}));

  auto reject = message({{10, "62"}, {73, "25"}, {20, "99"}, {74, "81"}});
  desk().ProcessOrderReport(reject->message);
  queue.runPending();
  EXPECT_EQ(alerts->calls.back(), "Trade info|Order Status : Rejected\nReason : Symbol Disabled");
}

TEST_F(TradingDeskTest, AccountSummaryReactsThroughTheSession) {
  auto m = message({{10, "1045"}, {34, "100"}, {24, "814"}, {129, "2"}, {560, "1000"}});
  desk().UpdateAccountDetails(m->message);
  EXPECT_DOUBLE_EQ(session->referenceData().account("100")->Balance, 1000);
  ASSERT_FALSE(transport->calls.empty());
  EXPECT_EQ(transport->calls.back().rfind("subscribe", 0), 0u);
  queue.runPending();
  ASSERT_EQ(shell.banners.size(), 1u);
  EXPECT_EQ(shell.banners[0].subtitle, "Account No : 100");
}

TEST_F(TradingDeskTest, PasswordReplyReachesTheLoginDataOnlyOnSuccess) {
  auto failed = message({{10, "38"}, {17, "failed"}, {103, "nope"}});
  desk().UpdateUserInfo(failed->message);
  EXPECT_EQ(logindata.password(), "secret");
  auto ok = message({{10, "38"}, {17, "Success"}, {103, "n3w"}});
  desk().UpdateUserInfo(ok->message);
  EXPECT_EQ(logindata.password(), "n3w");
}

TEST_F(TradingDeskTest, WatchlistSaveStoresUnderTheUserAndReplacesTheSelection) {
  const auto result = desk().SaveItemstoWatchList({"DAX", "EURUSD"});
  EXPECT_TRUE(result.stored);
  EXPECT_EQ(session->selectedSymbols(), (std::vector<std::string>{"DAX", "EURUSD"}));
  Defaults reread(defaultsFile);
  EXPECT_EQ(reread.stringArrayValue("alice"), (std::vector<std::string>{"DAX", "EURUSD"}));
}

}  // namespace
}  // namespace td
