#include "session/trading/Watchlist.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "TradingTestSupport.h"

namespace td {
namespace {

class FailingWrites : public DefaultsFileIO {
 public:
  ReadResult read(const std::filesystem::path&) override { return {ReadStatus::NotFound, {}, {}}; }
  std::optional<DefaultsError> writeAtomically(const std::filesystem::path&, std::string_view) override {
    return DefaultsError{"Defaults", 28, "No space left on device"};
  }
  std::optional<DefaultsError> rename(const std::filesystem::path&, const std::filesystem::path&) override {
    return std::nullopt;
  }
};

class WatchlistTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reference_ = testing::makeReference();
    dir_ = std::filesystem::temp_directory_path() / ("td-watchlist-" + std::to_string(::getpid()) + "-" +
                                                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    defaults_ = std::make_unique<Defaults>(dir_ / "defaults.json");
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  Watchlist::SaveResult save(const std::vector<std::string>& codes, Defaults& defaults) {
    return Watchlist::SaveItemstoWatchList(codes, owned_.book(), *reference_, selected_, defaults, "trader", events_);
  }

  std::unique_ptr<ReferenceData> reference_;
  OwnedOrderBook owned_;
  std::vector<std::string> selected_;
  testing::RecordingEvents events_;
  std::filesystem::path dir_;
  std::unique_ptr<Defaults> defaults_;
};

TEST_F(WatchlistTest, SaveIsOnDiskAtOnceUnderTheUserName) {
  const auto result = save({"GOLD", "EURUSD"}, *defaults_);
  EXPECT_TRUE(result.stored);
  Defaults reread(dir_ / "defaults.json");
  EXPECT_EQ(Watchlist::stored(reread, "trader"), (std::vector<std::string>{"GOLD", "EURUSD"}));
  EXPECT_FALSE(Watchlist::stored(reread, "someone else"));
  EXPECT_EQ(selected_, (std::vector<std::string>{"GOLD", "EURUSD"}));
}

TEST_F(WatchlistTest, SaveUnderAUserNameThatIsAnotherSettingsKeyLeavesThatSetting) {
  defaults_->setBool("SoundKey", true);
  const auto result = Watchlist::SaveItemstoWatchList({"EURUSD"}, owned_.book(), *reference_, selected_, *defaults_,
                                                      "SoundKey", events_);
  EXPECT_FALSE(result.stored);
  EXPECT_EQ(defaults_->boolValue("SoundKey"), true);
}

TEST_F(WatchlistTest, DroppedCodesAreUnsubscribedUnlessAPositionOrOrderHoldsThem) {
  selected_ = {"EURUSD", "GBPUSD", "GOLD"};
  owned_.OpenOrderCollection.push_back(testing::order("100", "GBPUSD"));
  owned_.PendingOrderCollection.push_back(testing::order("300", "XAGUSD"));
  const auto result = save({"EURUSD"}, *defaults_);
  EXPECT_EQ(result.subscribed, (std::vector<std::string>{"EURUSD", "GBPUSD", "XAGUSD"}));
  EXPECT_EQ(result.unsubscribed, std::vector<std::string>{"GOLD"});
  ASSERT_EQ(events_.subscriptions.size(), 2u);
  EXPECT_EQ(events_.subscriptions[0], std::make_pair(result.subscribed, true));
  EXPECT_EQ(events_.subscriptions[1], std::make_pair(result.unsubscribed, false));
}

TEST_F(WatchlistTest, EverySaveSubscribesAgainAndAsksToUnsubscribeEvenNothing) {
  selected_ = {"EURUSD"};
  save({"EURUSD"}, *defaults_);
  ASSERT_EQ(events_.subscriptions.size(), 2u);
  EXPECT_EQ(events_.subscriptions[0].first, std::vector<std::string>{"EURUSD"});
  EXPECT_TRUE(events_.subscriptions[1].first.empty());
  EXPECT_FALSE(events_.subscriptions[1].second);
}

TEST_F(WatchlistTest, HiddenAccountsPositionsDoNotKeepACodeSubscribed) {
  selected_ = {"GOLD"};
  owned_.OpenOrderCollection.push_back(testing::order("200", "GOLD"));
  reference_->account("200")->tradingStatus = 6;
  const auto result = save({}, *defaults_);
  EXPECT_TRUE(result.subscribed.empty());
  EXPECT_EQ(result.unsubscribed, std::vector<std::string>{"GOLD"});
}

TEST_F(WatchlistTest, FailedWriteKeepsTheListAndTheSubscriptions) {
  Defaults failing(dir_ / "never.json", std::make_shared<FailingWrites>());
  const auto result = save({"GOLD"}, failing);
  EXPECT_FALSE(result.stored);
  EXPECT_EQ(Watchlist::stored(failing, "trader"), std::vector<std::string>{"GOLD"}) << "still in the store's memory";
  EXPECT_TRUE(failing.dirty());
  EXPECT_EQ(selected_, std::vector<std::string>{"GOLD"});
  EXPECT_EQ(events_.subscriptions.size(), 2u);
}

}  // namespace
}  // namespace td
