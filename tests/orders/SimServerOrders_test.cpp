// Every order kind through the client's own layers (order desk, session, transport) against the
// simulated server on loopback: market orders opening and closing positions, a working limit
// order confirmed, modified and cancelled, a bracket edit, a rejection by the server, a
// multi-account order and an offset of hedged positions.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "../session/SessionTestSupport.h"
#include "model/JournalData.h"
#include "orders/BusinessBaseOrderSession.h"
#include "orders/OrderMananger.h"
#include "platform/AppContext.h"
#include "platform/DateFormat.h"
#include "wire/Formatter.h"
#include "wire/OrderRequests.h"

#ifdef TD_HAVE_SIMSERVER
#include "SimServer.h"
#endif

namespace td::testing {
namespace {

#ifdef TD_HAVE_SIMSERVER

using ::testing::Contains;
using ::testing::HasSubstr;

constexpr auto kWait = std::chrono::milliseconds(8000);

class DeskAlerts : public UserAlerts {
 public:
  void showAlert(const std::string& title, const std::string& message) override { shown.push_back(title + ":" + message); }
  void showBanner(const std::string& title, const std::string& message) override { shown.push_back(title + ":" + message); }
  void playSound(const std::string& name) override { shown.push_back("sound:" + name); }
  std::vector<std::string> shown;
};

class SimServerOrdersTest : public SessionTest {
 protected:
  SimServerOrdersTest() : context(std::make_shared<AppContext>()) {
    // The session's own alerts (the rejection) reach the user through the application context.
    context->setUserAlerts(alerts);
    // The server thread and the client share the C library's time-zone state, whose own lock the
    // sanitizer cannot see: have the client read the zone before the server thread starts.
    (void)JournalData::journalTime(std::chrono::system_clock::now());
    (void)Formatter::setAmpFormat(std::chrono::system_clock::now());
    (void)DateFormat::cached(AMP_DATE_FORMAT);
    sim::ServerOptions options;
    options.port = 0;
    options.pubPort = 0;
    options.repPort = 0;
    options.tickMs = 20;
    server = std::make_unique<sim::SimServer>(sim::Scenario::builtIn(), options);
    std::string error;
    EXPECT_TRUE(server->start(error)) << error;
    serverThread = std::thread([this] { server->run(); });
    logindata.setPortNo(server->tcpPort());
    logindata.setUserName("demo");
    logindata.setPassword("demo");

    BusinessBase::Environment env;
    env.logindata = &logindata;
    env.mainQueue = &queue;
    env.notifications = notifications;
    env.defaults = defaults;
    env.shell = reactions;
    env.observer = &observer;
    session = BusinessBase::create(env);
    session->StreamingConnection(true, false);

    OrderMananger::Services services;
    services.notifications = notifications;
    services.alerts = alerts;
    services.mainQueue = &queue;
    services.language = [] { return 0; };
    desk = std::make_unique<OrderMananger>(std::make_shared<BusinessBaseOrderSession>(session), services);
    tokens.push_back(notifications->addObserver(OrderMananger::kPlaceOrderNotification, [this](const Notification& n) {
      if (const auto* text = n.objectAs<std::string>()) posted.push_back(*text);
    }));
  }

  ~SimServerOrdersTest() override {
    desk.reset();
    session.reset();
    server->stop();
    if (serverThread.joinable()) serverThread.join();
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

  bool until(const std::function<bool()>& done) { return queue.runUntil(done, kWait); }

  OrderInfo eurusd(int account, int side, const std::string& lots) const {
    OrderInfo info;
    info.itemCode = "EURUSD";
    info.accountNo = account;
    info.orderType = 1;
    info.tradingMode = side;
    info.deliveryMode = 1;
    info.timeinForce = 1;
    info.quantity = lots;
    info.deviation = -1;
    return info;
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

  // A price on the instrument's grid, `ticks` below the bid.
  std::string belowBid(int ticks) const {
    const auto item = session->referenceData().item("EURUSD");
    return Formatter::formatDecimal(item->Bid - ticks * item->TickSize, item->DecimalPlaces);
  }

  std::shared_ptr<DeskAlerts> alerts = std::make_shared<DeskAlerts>();
  ScopedAppContext context;
  std::unique_ptr<sim::SimServer> server;
  std::thread serverThread;
  std::unique_ptr<OrderMananger> desk;
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
