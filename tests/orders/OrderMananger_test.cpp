#include "orders/OrderMananger.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "OrderTestSupport.h"
#include "platform/AppContext.h"
#include "platform/ManualMainQueue.h"
#include "wire/OrderRequests.h"
#include "wire/Separators.h"

namespace td::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class RecordingAlerts : public UserAlerts {
 public:
  void showAlert(const std::string& title, const std::string& message) override {
    shown.push_back("alert:" + title + ":" + message);
  }
  void showBanner(const std::string& title, const std::string& message) override {
    shown.push_back("banner:" + title + ":" + message);
  }
  void playSound(const std::string& name) override { shown.push_back("sound:" + name); }
  std::vector<std::string> shown;
};

#define QUOTE "56=1.1998" S "54=1.2000" S "61=1.1999" S "60=1.2100" S "62=1.1900" S "67=20240102030000" S \
              "78=20240102030405" S

class OrderManangerTest : public ::testing::Test {
 protected:
  OrderManangerTest() : session(t) {
    queue.bindToCurrentThread();
    OrderMananger::Services services;
    services.notifications = notifications;
    services.alerts = alerts;
    services.mainQueue = &queue;
    services.showConfirmationAlert = [this] { return confirmationAlert; };
    services.language = [this] { return language; };
    manager = std::make_unique<OrderMananger>(session, services);
    token = notifications->addObserver(OrderMananger::kPlaceOrderNotification, [this](const Notification& n) {
      const auto* text = n.objectAs<std::string>();
      posted.push_back(text ? *text : "<no text>");
      // What the queue held when the text was delivered: the cancel sound is queued before.
      queuedAtPost.push_back(queue.pendingPosts());
    });
  }
  ~OrderManangerTest() override { notifications->removeObserver(token); }

  OrderInfo limitBuyWithBracket() {
    OrderInfo info = marketBuy();
    info.orderType = 2;
    info.price = "1.1990";
    info.limitPrice = "1.2000";
    info.stopPrice = "1.1978";
    info.TakeProfitEnabled = info.StopLossEnabled = true;
    return info;
  }

  void postPending(std::int32_t requestId, const std::string& pendingId, std::int32_t sessionRequestid,
                   std::optional<std::int32_t> reportRequestid = std::nullopt) {
    auto pending = std::make_shared<Order>();
    pending->AccountNumber = "1001";
    pending->PendingOrderId = pendingId;
    pending->orderType = 2;
    pending->OrderQty = "1";
    pending->ItemCode = "EURUSD";
    pending->OrderPrice = "1.1990";
    pending->RequestId = requestId;
    session.requestid = sessionRequestid;
    std::map<std::string, std::string> info;
    if (reportRequestid) info["Requestid"] = std::to_string(*reportRequestid);
    notifications->post(OrderMananger::kPendingOrderNotification, pending, info);
    queue.runPending();
  }

  TradingData t;
  FakeOrderSession session;
  ManualMainQueue queue;
  std::shared_ptr<NotificationCenter> notifications = std::make_shared<NotificationCenter>(&queue);
  std::shared_ptr<RecordingAlerts> alerts = std::make_shared<RecordingAlerts>();
  bool confirmationAlert = false;
  int language = 0;
  std::unique_ptr<OrderMananger> manager;
  ObserverToken token = 0;
  std::vector<std::string> posted;
  std::vector<std::size_t> queuedAtPost;
};

TEST_F(OrderManangerTest, NewMarketOrderIsFiledThenSentAndJournalled) {
  EXPECT_TRUE(manager->PlaceOrder(marketBuy()));
  EXPECT_EQ(session.sentFrame(),
            asciiFrame("10=60" S "34=1001" S "23=alice" S "33=41" S "19=R77" S "12=EURUSD" S "32=29" S "117=51" S
                       "37=1" S "38=1.2000" S "39=" S "40=" S "90=0" S "36=45" S "77=-1" S "24=0" S "43=47" S QUOTE));
  EXPECT_THAT(session.sink.pendingAtSend, ElementsAre(1u));
  ASSERT_EQ(session.pending.size(), 1u);
  EXPECT_EQ(session.pending[0]->RequestId, 41);
  EXPECT_THAT(session.journal, ElementsAre("Jan 02, 2024 03:04:05#$#Order is under processing EURUSD Request id : 41"));
  EXPECT_THAT(posted, IsEmpty());
  EXPECT_EQ(manager->awaitedConfirmations(), 0u);
}

TEST_F(OrderManangerTest, NewLimitOrderCarriesItsBracketAndAwaitsItsConfirmation) {
  EXPECT_TRUE(manager->PlaceOrder(limitBuyWithBracket()));
  EXPECT_EQ(session.sentFrame(),
            asciiFrame("10=60" S "34=1001" S "23=alice" S "33=41" S "19=R77" S "12=EURUSD" S "32=30" S "117=51" S
                       "37=1" S "38=1.1990" S "39=1.2000" S "40=1.1978" S "90=0" S "36=45" S "77=-1" S "24=0" S
                       "43=47" S QUOTE));
  EXPECT_EQ(manager->awaitedConfirmations(), 1u);
  EXPECT_EQ(notifications->observerCount(OrderMananger::kPendingOrderNotification), 1u);
}

TEST_F(OrderManangerTest, RefusedOrderPostsOneTextAndSendsAndFilesNothing) {
  session.networkAvailable = false;
  EXPECT_FALSE(manager->PlaceOrder(marketBuy()));
  session.networkAvailable = true;
  session.socketConnected = false;
  EXPECT_FALSE(manager->PlaceOrder(marketBuy()));
  EXPECT_THAT(posted, ElementsAre("Not Connected", "Not Connected"));
  EXPECT_THAT(session.sink.sent, IsEmpty());
  EXPECT_THAT(session.pending, IsEmpty());
  EXPECT_THAT(session.journal, IsEmpty());
}

TEST_F(OrderManangerTest, OrderThatCannotBeSentIsUnfiledAndTheUserIsTold) {
  session.sink.accept = false;
  EXPECT_FALSE(manager->PlaceOrder(limitBuyWithBracket()));
  EXPECT_THAT(session.sink.pendingAtSend, ElementsAre(1u));
  EXPECT_THAT(session.pending, IsEmpty());
  EXPECT_THAT(session.journal, IsEmpty());
  EXPECT_EQ(manager->awaitedConfirmations(), 0u);
  language = 1;
  EXPECT_FALSE(manager->PlacePartialOrder([] {
    OrderInfo info = marketBuy();
    info.tradingMode = 1;
    info.isCloseNew = true;
    info.previousQuantity = "1";
    return info;
  }()));
  EXPECT_THAT(posted, ElementsAre("The order could not be sent to the server. Please check your connection and try again.",
                                  "订单无法发送到服务器。请检查网络连接后重试。"));
}

OrderInfo closeOfBuyPosition(const std::string& quantity) {
  OrderInfo info = marketBuy();
  info.tradingMode = 1;
  info.timeinForce = 0;  // positions have none
  info.quantity = quantity;
  info.previousQuantity = "2";
  info.orderNo = "900";
  info.isCloseNew = true;
  return info;
}

TEST_F(OrderManangerTest, ClosingOrderCarriesThePositionWithoutBracketAndClosesTheSheet) {
  EXPECT_TRUE(manager->PlacePartialOrder(closeOfBuyPosition("2")));
  EXPECT_EQ(session.sentFrame(),
            asciiFrame("10=60" S "34=1001" S "125=900" S "23=alice" S "33=41" S "19=R77" S "12=EURUSD" S "32=29" S
                       "117=51" S "37=2" S "38=1.1998" S "90=0" S "36=46" S "77=-1" S "24=0" S "43=(null)" S QUOTE));
  EXPECT_EQ(session.messageBase().neworderrequestType(), 1);
  EXPECT_THAT(posted, ElementsAre("AbortModal"));
  EXPECT_THAT(session.pending, IsEmpty());
  EXPECT_THAT(session.journal, IsEmpty());
}

TEST_F(OrderManangerTest, ClosingQuantityIsHeldToThePositionAndAboveZero) {
  EXPECT_FALSE(manager->PlacePartialOrder(closeOfBuyPosition("2.5")));
  EXPECT_FALSE(manager->PlacePartialOrder(closeOfBuyPosition("0")));
  EXPECT_FALSE(manager->PlacePartialOrder(closeOfBuyPosition("1.2.3")));
  t.terms->MinOrderQty = 5;
  t.terms->OrderQtyStep = 0;
  EXPECT_FALSE(manager->PlacePartialOrder(closeOfBuyPosition("1")));
  EXPECT_THAT(posted, ElementsAre("Quantity cannot be more than 2", "Quantity should be greater than zero",
                                  "Quantity should be greater than zero", "Quantity should not be less than (2)"));
  EXPECT_THAT(session.sink.sent, IsEmpty());
  // A remaining quantity that is empty or not a number allows no close.
  posted.clear();
  for (const char* remaining : {"", "abc"}) {
    OrderInfo info = closeOfBuyPosition("1");
    info.previousQuantity = remaining;
    EXPECT_FALSE(manager->PlacePartialOrder(info));
  }
  EXPECT_THAT(posted, ElementsAre("Quantity cannot be more than ", "Quantity cannot be more than abc"));
  EXPECT_THAT(session.sink.sent, IsEmpty());
  // An account that may only close positions can still close.
  t.account->tradingStatus = 4;
  EXPECT_TRUE(manager->PlacePartialOrder(closeOfBuyPosition("2")));
}

OrderInfo bracketEdit() {
  OrderInfo info = marketBuy();
  info.tradingMode = 1;  // the closing side of a buy position
  info.price = "1.1500";
  info.limitPrice = "1.2008";
  info.stopPrice = "1.1000";
  info.TakeProfitEnabled = true;
  info.orderNo = "900";
  info.isEBO = true;
  return info;
}

TEST_F(OrderManangerTest, BracketEditSendsTheTickedPriceAndZeroForTheUntickedAndClosesTheSheet) {
  EXPECT_TRUE(manager->PlaceEditBracketOrder(bracketEdit()));
  EXPECT_EQ(session.sentFrame(),
            asciiFrame("10=72" S "1035=EBO" S "34=1001" S "23=alice" S "573=900" S "33=41" S "19=R77" S "12=EURUSD" S
                       "32=29" S "117=51" S "37=1" S "38=1.1500" S "39=1.2008" S "40=0" S "90=0" S "36=46" S "24=0" S
                       "43=47" S QUOTE));
  EXPECT_EQ(session.messageBase().editorderrequestType(), 0);
  EXPECT_THAT(posted, ElementsAre("AbortModal"));
  EXPECT_THAT(alerts->shown, IsEmpty());
}

TEST_F(OrderManangerTest, RefusedBracketEditPostsOnlyItsText) {
  OrderInfo info = bracketEdit();
  info.limitPrice = "1.2007";
  EXPECT_FALSE(manager->PlaceEditBracketOrder(info));
  EXPECT_THAT(posted, ElementsAre("Take Profit price should be greater than or equal to 1.2008"));
  EXPECT_THAT(session.sink.sent, IsEmpty());
}

OrderInfo workingOrderEdit(int kind) {
  OrderInfo info = marketBuy();
  info.orderNo = "P55";
  info.isEWO = true;
  info.editorderReqType = kind;
  info.price = "1.1950";
  if (kind == 2) {
    info.orderType = 2;
    info.quantity = "2";
  } else {
    info.quantity = "0.3";
    info.limitPrice = info.stopPrice = "0";
  }
  return info;
}

TEST_F(OrderManangerTest, WorkingOrderModifySendsTheNewQuantityAndClosesTheSheetSilently) {
  EXPECT_TRUE(manager->PlaceEditWorkingOrder(workingOrderEdit(2)));
  EXPECT_EQ(session.sentFrame(),
            asciiFrame("10=72" S "1035=EWO" S "34=1001" S "23=alice" S "79=P55" S "33=41" S "19=R77" S "12=EURUSD" S
                       "32=30" S "117=51" S "37=2" S "38=1.1950" S "39=0" S "40=0" S "90=0" S "36=45" S "24=0" S
                       "43=47" S QUOTE));
  EXPECT_EQ(session.messageBase().editorderrequestType(), 2);
  EXPECT_THAT(posted, ElementsAre("AbortModal"));
  EXPECT_EQ(queue.runPending(), 0u);
  EXPECT_THAT(alerts->shown, IsEmpty());
}

TEST_F(OrderManangerTest, WorkingOrderCancelSendsQuantityZeroQueuesTheSoundThenClosesTheSheet) {
  // A cancel adds no exposure: no quote, a remainder below the minimum and no free margin pass.
  t.item->Bid = t.item->Ask = t.item->Last = 0;
  t.terms->MinOrderQty = 1;
  t.account->AvailableMargin = t.account->Equity = 0;
  EXPECT_TRUE(manager->PlaceEditWorkingOrder(workingOrderEdit(1)));
  EXPECT_EQ(session.sentFrame(),
            asciiFrame("10=72" S "1035=EWO" S "34=1001" S "23=alice" S "79=P55" S "33=41" S "19=R77" S "12=EURUSD" S
                       "32=29" S "117=51" S "37=0" S "38=1.1950" S "39=0" S "40=0" S "90=0" S "36=45" S "24=0" S
                       "43=47" S "56=0.0000" S "54=0.0000" S "61=0.0000" S "60=1.2100" S "62=1.1900" S
                       "67=20240102030000" S "78=20240102030405" S));
  EXPECT_EQ(session.messageBase().editorderrequestType(), 1);
  EXPECT_THAT(posted, ElementsAre("AbortModal"));
  EXPECT_THAT(queuedAtPost, ElementsAre(1u));
  EXPECT_THAT(alerts->shown, IsEmpty());
  queue.runPending();
  EXPECT_THAT(alerts->shown, ElementsAre("sound:cancelOrder"));
}

TEST_F(OrderManangerTest, WorkingOrderCancelIsHeldToTheSessionsPermissions) {
  t.session->AllowNewMarket = false;
  EXPECT_FALSE(manager->PlaceEditWorkingOrder(workingOrderEdit(1)));
  t.session->AllowNewMarket = true;
  t.session->AllowNewTpSl = false;
  EXPECT_FALSE(manager->PlaceEditWorkingOrder(workingOrderEdit(1)));
  EXPECT_THAT(posted, ElementsAre("Edit contingent order not allowed in this session",
                                  "New bracket order not allowed in this session"));
  EXPECT_THAT(session.sink.sent, IsEmpty());
  EXPECT_EQ(queue.runPending(), 0u);
}

TEST_F(OrderManangerTest, WorkingOrderEditOfAnotherKindBuildsNothingAndSaysSo) {
  for (const int kind : {0, 3}) {
    EXPECT_FALSE(manager->PlaceEditWorkingOrder(workingOrderEdit(kind))) << kind;
    const BuildResult built = OrderRequests::EditWorkingOrder(session.messageBase(), {}, {}, "P55", kind, "1.1950",
                                                              false, false);
    EXPECT_EQ(built.status(), BuildResult::Status::UnknownRequest) << kind;
  }
  EXPECT_THAT(posted, ElementsAre(OrderMananger::kEditKindNotValid, OrderMananger::kEditKindNotValid));
  EXPECT_THAT(session.sink.sent, IsEmpty());
  EXPECT_EQ(queue.runPending(), 0u);
}

TEST_F(OrderManangerTest, OrderTextHoldingASeparatorByteIsNotSentAndTheUserIsTold) {
  OrderInfo info = marketBuy();
  info.limitPrice = "1.3\x03" "34=9999\x02";
  EXPECT_FALSE(manager->PlaceOrder(info));
  EXPECT_THAT(posted, ElementsAre("The order was not sent: a field holds a control character that cannot be sent. "
                                  "Please retype it."));
  EXPECT_THAT(session.sink.sent, IsEmpty());
  EXPECT_THAT(session.pending, IsEmpty());
}

TEST_F(OrderManangerTest, WorkingOrderEditWithoutPositiveQuantityStopsFirst) {
  for (const char* quantity : {"0", "", "-1", "abc"}) {
    OrderInfo info = workingOrderEdit(1);
    info.quantity = quantity;
    session.networkAvailable = false;  // the quantity is checked before anything else
    EXPECT_FALSE(manager->PlaceEditWorkingOrder(info));
  }
  EXPECT_THAT(posted, ::testing::Each(std::string("Quantity should be greater than zero")));
  EXPECT_EQ(posted.size(), 4u);
  EXPECT_EQ(queue.runPending(), 0u);
  EXPECT_THAT(session.sink.sent, IsEmpty());
}

TEST_F(OrderManangerTest, OffsetSendsTheListUnchangedOrItsRefusal) {
  const OffsetEntry mine{"900", "2"};
  const std::vector<OffsetEntry> opposite = {{"901", "1"}, {"902", "1"}};
  const std::string list = OrderRequests::offsetList(mine, opposite);
  EXPECT_TRUE(manager->PlaceOffsetOrder(list, "EURUSD", "1001"));
  EXPECT_EQ(session.sentFrame(), asciiFrame("10=1052" S "34=1001" S "12=EURUSD" S "583=" + list + S "23=alice" S
                                            "19=R77" S "21=20240102030405" S));
  EXPECT_THAT(posted, IsEmpty());
  EXPECT_THAT(session.journal, IsEmpty());

  session.sink.sent.clear();
  t.session->SettingsId = 2;
  EXPECT_FALSE(manager->PlaceOffsetOrder(list, "EURUSD", "1001"));
  EXPECT_THAT(posted, ElementsAre("Offset position not allowed in this session"));
  EXPECT_THAT(session.sink.sent, IsEmpty());
}

TEST_F(OrderManangerTest, BulkOrderCarriesTheRowsAndIsConfirmedOncePerRequest) {
  const std::vector<BulkOrderEntry> rows = {{1001, 1}, {1002, 2.5}};
  OrderInfo info = limitBuyWithBracket();
  info.limitPrice = "0";
  info.stopPrice = "";
  info.orderDetails = OrderRequests::bulkOrderDetails(rows, session.requestid);
  EXPECT_EQ(info.orderDetails, "1001\x05" "1.000000\x05" "41\x06" "1002\x05" "2.500000\x05" "41\x06");
  EXPECT_TRUE(manager->CreateNewBulkOrderMessage(info));
  EXPECT_EQ(session.sentFrame(),
            asciiFrame("10=77" S "23=alice" S "19=R77" S "12=EURUSD" S "32=30" S "117=51" S "38=1.1990" S "39=" S
                       "40=" S "90=0" S "36=45" S "77=-1" S "24=0" S "43=47" S QUOTE "91=" + info.orderDetails + S));
  EXPECT_THAT(session.pending, IsEmpty());
  ASSERT_EQ(session.journal.size(), 1u);
  EXPECT_EQ(manager->awaitedConfirmations(), 1u);
  postPending(0, "77", 41);
  postPending(0, "78", 41);
  EXPECT_EQ(alerts->shown.size(), 1u);
}

TEST_F(OrderManangerTest, ConfirmationIsShownOnlyForTheRequestItAnswers) {
  ASSERT_TRUE(manager->PlaceOrder(limitBuyWithBracket()));
  postPending(0, "70", 55);  // another client's or an older working order
  postPending(39, "71", 41);
  EXPECT_THAT(alerts->shown, IsEmpty());
  postPending(0, "77", 41);
  EXPECT_THAT(alerts->shown,
              ElementsAre("banner:Order Confirmation:Account : 1001\nPending Id : 77\nBuy Limit 1 lot(s) of EURUSD @ "
                          "1.1990\n"));
  EXPECT_EQ(manager->awaitedConfirmations(), 0u);
  EXPECT_EQ(notifications->observerCount(OrderMananger::kPendingOrderNotification), 0u);
  postPending(0, "77", 41);
  EXPECT_EQ(alerts->shown.size(), 1u);

  confirmationAlert = true;
  session.requestid = 41;
  ASSERT_TRUE(manager->PlaceOrder(limitBuyWithBracket()));
  postPending(42, "80", 0);
  ASSERT_EQ(alerts->shown.size(), 2u);
  EXPECT_EQ(alerts->shown[1].rfind("alert:Order Confirmation:Account : 1001\nPending Id : 80\n", 0), 0u);

  // The report's own request id travels with the notification: later replies that moved the
  // session's counter before the main queue delivered do not hide the confirmation.
  session.requestid = 50;
  ASSERT_TRUE(manager->PlaceOrder(limitBuyWithBracket()));
  postPending(0, "81", 1, 51);
  EXPECT_EQ(alerts->shown.size(), 3u);
}

TEST_F(OrderManangerTest, ConfirmationTextLinesForTakeProfitAndStopLoss) {
  Order order;
  order.AccountNumber = "1001";
  order.PendingOrderId = "77";
  order.tradingMode = 1;
  order.orderType = 2;
  order.OrderQty = "1";
  order.ItemCode = "GOLD";
  order.OrderPrice = "1900.50";
  order.LimitPrice = "0";
  EXPECT_EQ(OrderMananger::ConfirmationText(order),
            "Account : 1001\nPending Id : 77\nSell Limit 1 lot(s) of GOLD @ 1900.50\n");
  order.tradingMode = 0;
  order.orderType = 3;
  order.LimitPrice = "1.2500";
  order.StopPrice = "1.2000";
  EXPECT_EQ(OrderMananger::ConfirmationText(order),
            "Account : 1001\nPending Id : 77\nBuy Stop 1 lot(s) of GOLD @ 1900.50\nTake Profit @ 1.2500\nStop Loss @ "
            "1.2000");
}

TEST_F(OrderManangerTest, PreCheckSendsNothingAndReportsTheRefusal) {
  EXPECT_TRUE(manager->ValidationsBeforeOrderPlacing(marketBuy()));
  OrderInfo info = marketBuy();
  info.quantity = "1000";
  EXPECT_FALSE(manager->ValidationsBeforeOrderPlacing(info));
  EXPECT_THAT(posted, ElementsAre("Quantity is greater than maximum order quantity (100.00)"));
  EXPECT_THAT(session.sink.sent, IsEmpty());
  EXPECT_THAT(session.pending, IsEmpty());
}

TEST_F(OrderManangerTest, FeedbackModesAndKindsOutsideTheKnownOnesDoNothing) {
  const Order order;
  manager->ShowNewOrderMessages(order, 2);
  manager->ShowEditOrderMessages(order, 3);
  EXPECT_THAT(posted, IsEmpty());
  EXPECT_THAT(session.journal, IsEmpty());
  EXPECT_EQ(queue.runPending(), 0u);
}

TEST_F(OrderManangerTest, HedgeMarginIsStoredForTheChosenAccount) {
  t.terms->LiquidationMargin = 50;
  t.openPositions = {position(0, "3"), position(1, "1")};
  manager->CalcHedgeMargin(*t.openPositions[0]);
  EXPECT_EQ(session.hedgeMargins.at("EURUSD#1"), "2500.00");
  EXPECT_EQ(manager->GetMarginForSingleLot(*t.openPositions[0]), 1000);
}

}  // namespace
}  // namespace td::testing
