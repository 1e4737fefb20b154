#include "session/trading/AccountSummary.h"

#include <gtest/gtest.h>

#include "TradingTestSupport.h"

namespace td {
namespace {

using testing::Field;
using testing::Report;

class AccountSummaryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reference_ = testing::makeReference();
    for (const auto& [key, account] : reference_->AccountDetailCollection()) {
      account->tradingStatus = 0;
      account->previoustradingStatus = 0;
    }
  }
  void summary(const std::string& account, std::vector<Field> fields) {
    fields.insert(fields.begin(), Field{34, account});
    Report r(1045, fields);
    AccountSummary::UpdateAccountDetails(r.message(), account, *reference_, events_,
                                         [] { return std::vector<std::string>{"EURUSD", "GOLD"}; });
  }
  std::unique_ptr<ReferenceData> reference_;
  testing::RecordingEvents events_;
};

TEST_F(AccountSummaryTest, StoresTheFigures) {
  summary("100", {{84, "300"}, {85, "700"}, {130, "1000"}, {132, "2.5"}, {141, "-4"}, {144, "50"}, {560, "954"},
                  {129, "0"}});
  const auto a = reference_->account("100");
  EXPECT_EQ(a->AccountId, 100);
  EXPECT_DOUBLE_EQ(a->UsedMargin, 300);
  EXPECT_DOUBLE_EQ(a->AvailableMargin, 700);
  EXPECT_DOUBLE_EQ(a->Equity, 1000);
  EXPECT_DOUBLE_EQ(a->LeverageOnPositions, 2.5);
  EXPECT_DOUBLE_EQ(a->AccumulatingStorage, -4);
  EXPECT_DOUBLE_EQ(a->CollateralSecurity, 50);
  EXPECT_DOUBLE_EQ(a->Balance, 954);
  EXPECT_TRUE(events_.marginCalls.empty());
}

TEST_F(AccountSummaryTest, UnknownAccountIsIgnored) {
  summary("999", {{24, "819"}, {129, "2"}});
  EXPECT_TRUE(events_.subscriptions.empty());
  EXPECT_TRUE(events_.marginCalls.empty());
}

TEST_F(AccountSummaryTest, ServerStatusCodesMapToClientStatuses) {
  const std::vector<std::pair<int, int>> table = {{814, 1}, {815, 2}, {816, 3}, {817, 4}, {818, 0}, {819, 6},
                                                  {820, 0}, {824, 0}, {825, 5}, {826, 0}, {813, 0}, {0, 0}};
  for (const auto& [server, client] : table) {
    EXPECT_EQ(AccountSummary::tradingStatusForServerCode(server), client) << server;
  }
}

TEST_F(AccountSummaryTest, StatusChangesActOnceEach) {
  summary("100", {{24, "814"}});
  summary("100", {{24, "814"}});
  ASSERT_EQ(events_.subscriptions.size(), 1u);
  EXPECT_TRUE(events_.subscriptions[0].second);
  EXPECT_EQ(events_.subscriptions[0].first, (std::vector<std::string>{"EURUSD", "GOLD"}));
  summary("100", {{24, "825"}});
  summary("100", {{24, "825"}});
  EXPECT_EQ(events_.equityRequests, std::vector<std::int32_t>{100});
  EXPECT_EQ(reference_->account("100")->tradingStatus, 5);
  summary("100", {{24, "818"}});  // unknown code: status 0, no reaction
  EXPECT_EQ(reference_->account("100")->tradingStatus, 0);
  EXPECT_EQ(events_.subscriptions.size(), 1u);
  summary("100", {{24, "815"}});
  summary("100", {{24, "817"}});
  EXPECT_EQ(events_.subscriptions.size(), 3u);
}

TEST_F(AccountSummaryTest, ClosedAccountUnsubscribesOnlyWhenItIsTheOnlyOne) {
  summary("100", {{24, "819"}});
  EXPECT_TRUE(events_.subscriptions.empty()) << "three accounts: nothing is unsubscribed";

  testing::LoginDataSet single;
  single.accounts = {{{"AccountId", "100"}, {"GroupId", "7"}}};
  reference_ = std::make_unique<ReferenceData>();
  reference_->FillAmpDetails(single.amp());
  summary("100", {{24, "819"}});
  summary("100", {{24, "819"}});
  ASSERT_EQ(events_.subscriptions.size(), 1u);
  EXPECT_FALSE(events_.subscriptions[0].second);
}

TEST_F(AccountSummaryTest, MarginCallBannerEachTimeTheStatusBecomesTwo) {
  for (const char* status : {"0", "2", "2", "1", "2"}) summary("100", {{129, status}});
  EXPECT_EQ(events_.marginCalls, (std::vector<std::string>{"100", "100"}));
  EXPECT_EQ(reference_->account("100")->MarginStatus, 2);
  EXPECT_EQ(reference_->account("100")->accountMarginStatus, 2);
}

TEST(PasswordReplyTest, OnlyASuccessfulReplyReplacesThePasswordAndEveryOtherIsARefusal) {
  testing::RecordingEvents events;
  {
    Report r(38, {{17, "Failed"}, {103, "refused"}});
    AccountSummary::UpdateUserInfo(r.message(), events);
  }
  {
    Report r(38, {{103, "nostatus"}});
    AccountSummary::UpdateUserInfo(r.message(), events);
  }
  EXPECT_TRUE(events.passwords.empty());
  EXPECT_EQ(events.passwordChanges, 0);
  EXPECT_EQ(events.passwordRefusals, (std::vector<std::string>{"Failed", ""}));
  {
    Report r(38, {{103, "n3w"}, {17, "SUCCESS"}});
    AccountSummary::UpdateUserInfo(r.message(), events);
  }
  EXPECT_EQ(events.passwords, std::vector<std::string>{"n3w"});
  EXPECT_EQ(events.passwordChanges, 1);
  EXPECT_EQ(events.passwordRefusals.size(), 2u);
}

TEST(DemoUserReplyTest, NeedsBothUserNameAndPassword) {
  testing::RecordingEvents events;
  {
    Report r(1027, {{23, "demo42"}, {18, "pw"}});
    AccountSummary::DemoUserCreationResponse(r.message(), events);
  }
  {
    Report r(1027, {{23, "demo43"}});
    AccountSummary::DemoUserCreationResponse(r.message(), events);
  }
  EXPECT_EQ(events.demoUsers, std::vector<std::string>{"demo42/pw"});
  EXPECT_EQ(events.demoFailures, 1);
}

}  // namespace
}  // namespace td
