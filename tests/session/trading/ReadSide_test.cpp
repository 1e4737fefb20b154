#include "session/trading/ReadSide.h"

#include <gtest/gtest.h>

#include <map>

#include "TradingTestSupport.h"

namespace td {
namespace {

class ReadSideTest : public ::testing::Test {
 protected:
  void SetUp() override { reference_ = testing::makeReference(); }
  ReadSide read() { return ReadSide(owned_.book(), *reference_, selected_); }
  static std::vector<std::string> ids(const OrderList& orders) {
    std::vector<std::string> out;
    for (const auto& o : orders) out.push_back(o->OpenPositionId);
    return out;
  }
  std::unique_ptr<ReferenceData> reference_;
  OwnedOrderBook owned_;
  std::vector<std::string> selected_;
};

TEST_F(ReadSideTest, HiddenAccountsTakeTheirOrdersOutOfEveryList) {
  for (OrderList* list : {&owned_.OpenOrderCollection, &owned_.OpenOrderCollectionCopy, &owned_.PendingOrderCollection,
                          &owned_.CancelledOrderCollection, &owned_.SettledOrderCollection}) {
    list->push_back(testing::order("100", "EURUSD", "a"));
    list->push_back(testing::order("200", "GBPUSD", "b"));
    list->push_back(testing::order("999", "GOLD", "c"));  // unknown account: shown
  }
  auto check = [&](std::vector<std::string> expected, std::size_t accounts) {
    const ReadSide r = read();
    for (const OrderList& got : {r.getOpenOrderCollection(), r.getOpenOrderCollectionCopy(),
                                 r.getPendingOrderCollection(), r.getCancelledOrderCollection(),
                                 r.getSettledOrderCollection()}) {
      EXPECT_EQ(ids(got), expected);
    }
    EXPECT_EQ(r.getAccountCollection().size(), accounts);
  };
  check({"a", "b", "c"}, 3);
  for (const int status : {3, 6}) {
    reference_->account("200")->tradingStatus = status;
    check({"a", "c"}, 2);
  }
  reference_->account("200")->tradingStatus = 4;
  check({"a", "b", "c"}, 3);
  for (const int access : {4, 10}) {
    reference_->account("100")->accountaccessType = access;
    check({"b", "c"}, 2);
  }
}

TEST_F(ReadSideTest, ReturnedArraysAreCopiesOfLiveRecords) {
  owned_.OpenOrderCollection.push_back(testing::order("100", "EURUSD", "a"));
  OrderList got = read().getOpenOrderCollection();
  got.clear();
  EXPECT_EQ(owned_.OpenOrderCollection.size(), 1u);
  read().getOpenOrderCollection()[0]->OrderPrice = "1.5";
  EXPECT_EQ(owned_.OpenOrderCollection[0]->OrderPrice, "1.5");
}

TEST_F(ReadSideTest, AllItemsListsEachCodeOnceWatchlistFirst) {
  owned_.OpenOrderCollection.push_back(testing::order("100", "GOLD"));
  owned_.OpenOrderCollection.push_back(testing::order("100", "EURUSD"));
  owned_.PendingOrderCollection.push_back(testing::order("300", "GBPUSD"));
  owned_.PendingOrderCollection.push_back(testing::order("200", "SILVER"));
  EXPECT_EQ(read().getAllItems(), (std::vector<std::string>{"GOLD", "EURUSD", "GBPUSD", "SILVER"}))
      << "without a watchlist the positions and working orders still count";
  selected_ = {"EURUSD", "XAGUSD"};
  reference_->account("200")->tradingStatus = 6;
  EXPECT_EQ(read().getAllItems(), (std::vector<std::string>{"EURUSD", "XAGUSD", "GOLD", "GBPUSD"}));
}

TEST_F(ReadSideTest, ExecutedPositionsSortNumericallyAndSearchModeShowsAll) {
  owned_.OpenOrderCollection.push_back(testing::order("100", "EURUSD", "10"));
  owned_.OpenOrderCollection.push_back(testing::order("200", "EURUSD", "9"));
  owned_.OpenOrderCollectionCopy.push_back(testing::order("100", "EURUSD", "x2"));
  owned_.OpenOrderCollectionCopy.push_back(testing::order("100", "EURUSD", "X10"));
  EXPECT_EQ(ids(read().getExecutedOrderCollection()), (std::vector<std::string>{"9", "10", "x2", "X10"}));

  reference_->account("200")->tradingStatus = 3;
  owned_.ExecutedOrderSearchCollection.push_back(testing::order("200", "GOLD", "0100"));
  owned_.ExecutedOrderSearchCollection.push_back(testing::order("200", "GOLD", "99"));
  ReadSide r = read();
  r.setExecutedPositionState(true);
  EXPECT_EQ(ids(r.getExecutedOrderCollection()), (std::vector<std::string>{"99", "0100"}))
      << "the search result is listed even for hidden accounts";
  r.setExecutedPositionState(false);
  r.clearExecutedOrderSearchCollection();
  EXPECT_TRUE(owned_.ExecutedOrderSearchCollection.empty());
  EXPECT_EQ(ids(r.getExecutedOrderCollection()), (std::vector<std::string>{"10", "x2", "X10"}));
}

TEST(ChatRoomListsTest, NoticesAndRecentConversationsByDescendingKey) {
  struct Room {
    std::string id;
    bool isMessageNotices = false;
    bool isChatRoomCreated = false;
  };
  std::map<std::string, std::shared_ptr<Room>, std::less<>> rooms;
  rooms["a1"] = std::make_shared<Room>(Room{"a1", true, false});
  rooms["B2"] = std::make_shared<Room>(Room{"B2", false, false});
  rooms["c3"] = std::make_shared<Room>(Room{"c3", false, true});
  rooms["d4"] = std::make_shared<Room>(Room{"d4", true, true});
  rooms["e5"] = std::make_shared<Room>(Room{"e5", false, false});
  rooms["gone"] = nullptr;
  auto ids = [](const auto& list) {
    std::vector<std::string> out;
    for (const auto& room : list) out.push_back(room->id);
    return out;
  };
  EXPECT_EQ(ids(ReadSide::getMessageNoticesCollection(rooms)), (std::vector<std::string>{"d4", "a1"}));
  EXPECT_EQ(ids(ReadSide::getrecentChatCollection(rooms)), (std::vector<std::string>{"e5", "B2"}));
}

TEST(CompareIdsTest, CaseInsensitiveWithNumericRuns) {
  EXPECT_LT(ReadSide::compareIds("9", "10"), 0);
  EXPECT_LT(ReadSide::compareIds("a9b", "A10a"), 0);
  EXPECT_EQ(ReadSide::compareIds("abc", "ABC"), 0);
  EXPECT_EQ(ReadSide::compareIds("007", "7"), 0);
  EXPECT_GT(ReadSide::compareIds("b", "a100"), 0);
  EXPECT_LT(ReadSide::compareIds("", "0"), 0);
  EXPECT_LT(ReadSide::compareIds("123456789012345678901234567890", "123456789012345678901234567891"), 0);
}

}  // namespace
}  // namespace td
