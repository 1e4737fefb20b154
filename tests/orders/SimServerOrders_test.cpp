// Every order kind through the client's own layers (order desk, session, transport) against the
// simulated server on loopback: market orders opening and closing positions, a working limit
// order confirmed, modified and cancelled, a bracket edit, a rejection by the server, a
// multi-account order and an offset of hedged positions.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "wire/OrderRequests.h"

#ifdef TD_HAVE_SIMSERVER
#include "../integration/SimServerDesk.h"
#endif

namespace td::testing {
namespace {

#ifdef TD_HAVE_SIMSERVER

using ::testing::Contains;
using ::testing::HasSubstr;

class SimServerOrdersTest : public SimServerDeskTest {
 protected:
  SimServerOrdersTest() {
    tokens.push_back(notifications->addObserver(OrderMananger::kPlaceOrderNotification, [this](const Notification& n) {
      if (const auto* text = n.objectAs<std::string>()) posted.push_back(*text);
    }));
  }

  // Logged in with quotes for EURUSD and the initial collections loaded; notes the positions and
  // working orders the accounts already had, so that the test sees only its own.
  bool open() {
    const bool opened = until([&] {
      const auto item = session->referenceData().item("EURUSD");
      return item && item->Bid > 0 && item->Ask > 0;
    });
    // The seeded history gives every account open positions and working orders; their data sets
    // are answered right after the login.
    queue.runUntil(
        [&] { return !session->getOpenOrderCollection().empty() && !session->getPendingOrderCollection().empty(); },
        std::chrono::milliseconds(2000));
    for (const auto& p : session->getOpenOrderCollection())
      if (p) known.insert(p->OpenPositionId);
    for (const auto& o : session->getPendingOrderCollection())
      if (o) known.insert(o->PendingOrderId);
    return opened;
  }

  std::vector<std::shared_ptr<Order>> newPositions(const std::string& account) const {
    std::vector<std::shared_ptr<Order>> out;
    for (const auto& p : session->getOpenOrderCollection())
      if (p && p->AccountNumber == account && p->ItemCode == "EURUSD" && !known.count(p->OpenPositionId))
        out.push_back(p);
    return out;
  }

  // The working order this test placed, once the server has reported it.
  std::shared_ptr<Order> working() const {
    for (const auto& o : session->getPendingOrderCollection())
      if (o && !o->PendingOrderId.empty() && !known.count(o->PendingOrderId)) return o;
    return nullptr;
  }

  // Records the desk filed that no report of the server has replaced yet.
  std::vector<std::shared_ptr<Order>> filedRecords() const {
    std::vector<std::shared_ptr<Order>> out;
    for (const auto& o : session->PendingOrderCollection)
      if (o && o->PendingOrderId.empty()) out.push_back(o);
    return out;
  }

  std::vector<std::string> posted;
  std::set<std::string> known;
};

TEST_F(SimServerOrdersTest, MarketOrderOpensAPositionAndTheCloseSettlesIt) {
  ASSERT_TRUE(open());
  ASSERT_TRUE(desk->PlaceOrder(eurusd(1001, 0, "2"))) << ::testing::PrintToString(posted);
  ASSERT_TRUE(until([&] { return newPositions("1001").size() == 1 && filedRecords().empty(); }));
  const auto position = newPositions("1001")[0];
  EXPECT_EQ(position->tradingMode, 0);
  EXPECT_THAT(session->JournalDataCollection(), Contains(HasSubstr("Order is under processing EURUSD")));

  OrderInfo close = eurusd(1001, 1, "2");
  close.isCloseNew = true;
  close.timeinForce = position->timeinForce;
  close.previousQuantity = position->RemainingQty;
  close.orderNo = position->OpenPositionId;
  ASSERT_TRUE(desk->PlacePartialOrder(close)) << ::testing::PrintToString(posted);
  EXPECT_EQ(posted, std::vector<std::string>{"AbortModal"});
  ASSERT_TRUE(until([&] { return newPositions("1001").empty() && !session->SettledOrderCollection.empty(); }));
}

TEST_F(SimServerOrdersTest, LimitOrderIsConfirmedModifiedAndCancelled) {
  ASSERT_TRUE(open());
  OrderInfo limit = eurusd(1001, 0, "1");
  limit.orderType = 2;
  limit.price = belowBid(500);
  ASSERT_TRUE(desk->PlaceOrder(limit)) << ::testing::PrintToString(posted);
  ASSERT_TRUE(until([&] { return working() != nullptr && !alerts->shown.empty(); }));
  const std::string pendingId = working()->PendingOrderId;
  EXPECT_THAT(alerts->shown[0], HasSubstr("Order Confirmation:Account : 1001\nPending Id : " + pendingId +
                                          "\nBuy Limit 1 lot(s) of EURUSD @ "));

  OrderInfo modify = limit;
  modify.isEWO = true;
  modify.editorderReqType = 2;
  modify.orderNo = pendingId;
  modify.price = belowBid(600);
  ASSERT_TRUE(desk->PlaceEditWorkingOrder(modify)) << ::testing::PrintToString(posted);
  ASSERT_TRUE(until([&] {
    const auto w = working();
    return w && OrderRequests::leadingNumber(w->OrderPrice) == OrderRequests::leadingNumber(modify.price);
  }));

  OrderInfo cancel = eurusd(1001, 0, working()->RemainingQty);
  cancel.isEWO = true;
  cancel.editorderReqType = 1;
  cancel.orderNo = pendingId;
  cancel.price = working()->OrderPrice;
  cancel.limitPrice = cancel.stopPrice = "0";
  ASSERT_TRUE(desk->PlaceEditWorkingOrder(cancel)) << ::testing::PrintToString(posted);
  ASSERT_TRUE(until([&] { return working() == nullptr && !session->CancelledOrderCollection.empty(); }));
  EXPECT_THAT(alerts->shown, Contains("sound:cancelOrder"));
  EXPECT_EQ(posted, (std::vector<std::string>{"AbortModal", "AbortModal"}));
  EXPECT_EQ(alerts->shown.size(), 2u) << "one confirmation, for the new order only";
}

TEST_F(SimServerOrdersTest, BracketEditSetsTheTakeProfitOfThePosition) {
  ASSERT_TRUE(open());
  ASSERT_TRUE(desk->PlaceOrder(eurusd(1001, 0, "1")));
  ASSERT_TRUE(until([&] { return newPositions("1001").size() == 1; }));
  const auto position = newPositions("1001")[0];
  const auto item = session->referenceData().item("EURUSD");
  OrderInfo edit = eurusd(1001, 1, position->RemainingQty);
  edit.isEBO = true;
  edit.orderNo = position->OpenPositionId;
  edit.price = position->OrderPrice;
  edit.TakeProfitEnabled = true;
  edit.limitPrice = Formatter::formatDecimal(item->Bid + 500 * item->TickSize, item->DecimalPlaces);
  ASSERT_TRUE(desk->PlaceEditBracketOrder(edit)) << ::testing::PrintToString(posted);
  EXPECT_EQ(posted, std::vector<std::string>{"AbortModal"});
  ASSERT_TRUE(until([&] {
    return OrderRequests::leadingNumber(position->LimitPrice) == OrderRequests::leadingNumber(edit.limitPrice);
  }));
}

TEST_F(SimServerOrdersTest, ServerRejectionIsShownWithItsReason) {
  ASSERT_TRUE(open());
  // The scenario rejects 77 lots for want of free margin.
  ASSERT_TRUE(desk->PlaceOrder(eurusd(1001, 0, "77"))) << ::testing::PrintToString(posted);
  ASSERT_TRUE(until([&] { return !alerts->shown.empty(); }));
  EXPECT_EQ(alerts->shown[0], "Trade info:Order Status : Rejected\nReason : Not Enough Free Margin Unable To Trade");
  EXPECT_TRUE(filedRecords().empty());
  EXPECT_TRUE(newPositions("1001").empty());
}

TEST_F(SimServerOrdersTest, BulkOrderOpensOnePositionPerAccountAndTheOffsetClosesAHedge) {
  ASSERT_TRUE(open());
  OrderInfo bulk = eurusd(0, 0, "");
  const std::vector<BulkOrderEntry> rows = {{1001, 1}, {1002, 2}};
  bulk.orderDetails = OrderRequests::bulkOrderDetails(rows, session->Requestid());
  ASSERT_TRUE(desk->CreateNewBulkOrderMessage(bulk));
  ASSERT_TRUE(until([&] { return newPositions("1001").size() == 1 && newPositions("1002").size() == 1; }));

  ASSERT_TRUE(desk->PlaceOrder(eurusd(1002, 1, "2"))) << ::testing::PrintToString(posted);
  ASSERT_TRUE(until([&] { return newPositions("1002").size() == 2; }));
  std::shared_ptr<Order> buy;
  std::shared_ptr<Order> sell;
  for (const auto& p : newPositions("1002")) (p->tradingMode == 0 ? buy : sell) = p;
  ASSERT_TRUE(buy && sell);
  int* hedgeClosed = count("CloseHedgePositionNotification");
  const std::vector<OffsetEntry> opposite = {{buy->OpenPositionId, "2"}};
  ASSERT_TRUE(desk->PlaceOffsetOrder(OrderRequests::offsetList({sell->OpenPositionId, "2"}, opposite), "EURUSD", "1002"))
      << ::testing::PrintToString(posted);
  ASSERT_TRUE(until([&] { return *hedgeClosed > 0 && newPositions("1002").empty(); }));
  EXPECT_TRUE(posted.empty());
}

#endif

}  // namespace
}  // namespace td::testing
