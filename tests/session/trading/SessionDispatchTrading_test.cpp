// Reports that reach the session object through its dispatcher change its trading state: the
// handlers of the dispatch table are wired to the trading code.

#include <gtest/gtest.h>

#include "../SessionTestSupport.h"
#include "platform/AppContext.h"

namespace td {
namespace {

class SessionDispatchTradingTest : public testing::SessionTest {
 protected:
  struct Alerts : UserAlerts {
    std::vector<std::string> calls;
    void showAlert(const std::string& t, const std::string& m) override { calls.push_back(t + "|" + m); }
    void showBanner(const std::string& t, const std::string& m) override { calls.push_back("banner " + t + "|" + m); }
    void playSound(const std::string& name) override { calls.push_back("sound " + name); }
  };
  std::shared_ptr<Alerts> alerts = std::make_shared<Alerts>();
  std::shared_ptr<AppContext> context = [this] {
    auto c = std::make_shared<AppContext>();
    c->setUserAlerts(alerts);
    return c;
  }();
  ScopedAppContext scoped{context};

  void SetUp() override {
    loginData(testing::standardDataSet());
    loginAccepted();
    queue.runPending();
    shell.events.clear();
    shell.banners.clear();
  }
};

TEST_F(SessionDispatchTradingTest, OrderReportsFillTheWorkingAndOpenCollectionsThroughTheDispatcher) {
  int* pendingTable = count("PendingOrderTableNotification");
  session->NewMessage(testing::frame({{10, "62"}, {73, "28"}, {12, "EURUSD"}, {34, "100"}, {32, "30"}, {37, "1"},
                                      {38, "1.1"}, {76, "1"}, {79, "W1"}}));
  ASSERT_EQ(session->PendingOrderCollection.size(), 1u);
  session->NewMessage(testing::frame({{10, "67"}, {73, "74"}, {12, "EURUSD"}, {34, "100"}, {76, "1"}, {37, "1"},
                                      {38, "1.1"}, {79, "W1"}, {80, "P1"}}));
  ASSERT_EQ(session->OpenOrderCollection.size(), 1u);
  queue.runPending();
  EXPECT_GE(*pendingTable, 1);
  // The execution plays "order" and shows its confirmation, each as a task of its own.
  ASSERT_EQ(alerts->calls.size(), 2u);
  EXPECT_EQ(alerts->calls[0], "sound order");
  EXPECT_NE(alerts->calls[1].find("EURUSD"), std::string::npos);

  session->NewMessage(testing::frame({{10, "66"}, {12, "EURUSD"}, {34, "100"}, {80, "P1"}, {87, "C1"}, {86, "S1"},
                                      {88, "12.50"}}));
  EXPECT_EQ(session->SettledOrderCollection.size(), 1u);
}

TEST_F(SessionDispatchTradingTest, AccountSummaryAndPasswordReplyThroughTheDispatcher) {
  session->NewMessage(testing::frame({{10, "1045"}, {34, "100"}, {24, "814"}, {129, "2"}, {560, "1000"}}));
  EXPECT_DOUBLE_EQ(session->referenceData().account("100")->Balance, 1000);
  queue.runPending();
  ASSERT_EQ(shell.banners.size(), 1u);  // the margin call
  EXPECT_EQ(shell.banners[0].subtitle, "Account No : 100");

  session->NewMessage(testing::frame({{10, "38"}, {17, "failed"}, {103, "nope"}}));
  EXPECT_EQ(logindata.password(), "secret");
  session->NewMessage(testing::frame({{10, "38"}, {17, "Success"}, {103, "n3w"}}));
  EXPECT_EQ(logindata.password(), "n3w");
}

}  // namespace
}  // namespace td
