#include "orders/BusinessBaseOrderSession.h"

#include <gtest/gtest.h>

#include "../session/SessionTestSupport.h"
#include "orders/OrderMananger.h"
#include "platform/AppContext.h"

namespace td::testing {
namespace {

class ConfirmationAlerts : public UserAlerts {
 public:
  void showAlert(const std::string& title, const std::string& message) override { shown.push_back(title + ":" + message); }
  void showBanner(const std::string& title, const std::string& message) override { shown.push_back(title + ":" + message); }
  void playSound(const std::string& name) override { shown.push_back("sound:" + name); }
  std::vector<std::string> shown;
};

// The order desk over a live session object: EURUSD tradable for account 100.
class BusinessBaseOrderSessionTest : public SessionTest {
 protected:
  BusinessBaseOrderSessionTest() {
    LoginDataSet data = standardDataSet();
    data.groups[0]["TradingEnabled"] = "1";
    data.sessions[0]["EnterLimitOrder"] = "1";
    data.sessions[0]["EnterMarketOrder"] = "1";
    data.groupInstruments.push_back({{"groupdetailsid", "2"}, {"groupid", "7"}, {"InstrumentId", "1"},
                                     {"MinOrderQty", "0.1"}, {"MaxOrderQty", "50"}, {"OrderQtyStep", "0.1"},
                                     {"Initialmargin", "1000"}});
    loginData(data);
    loginAccepted();
    const auto item = session->referenceData().item("EURUSD");
    item->Bid = 1.1998;
    item->Ask = 1.2;
    item->isAvailableForTrading = true;
    const auto account = session->referenceData().account("100");
    account->AvailableMargin = account->Equity = 100000;

    OrderMananger::Services services;
    services.notifications = notifications;
    services.alerts = alerts;
    services.mainQueue = &queue;
    services.language = [] { return 0; };
    manager = std::make_unique<OrderMananger>(std::make_shared<BusinessBaseOrderSession>(session), services);
    token = notifications->addObserver(OrderMananger::kPlaceOrderNotification, [this](const Notification& n) {
      if (const auto* text = n.objectAs<std::string>()) posted.push_back(*text);
    });
  }
  ~BusinessBaseOrderSessionTest() override { notifications->removeObserver(token); }

  OrderInfo limitBuy() const {
    OrderInfo info;
    info.itemCode = "EURUSD";
    info.accountNo = 100;
    info.orderType = 2;
    info.deliveryMode = 1;
    info.timeinForce = 1;
    info.quantity = "1";
    info.price = "1.1900";
    info.deviation = -1;
    return info;
  }

  std::shared_ptr<ConfirmationAlerts> alerts = std::make_shared<ConfirmationAlerts>();
  std::unique_ptr<OrderMananger> manager;
  ObserverToken token = 0;
  std::vector<std::string> posted;
};

TEST_F(BusinessBaseOrderSessionTest, LimitOrderIsFiledInTheSessionSentJournalledAndConfirmedForItsRequest) {
  const std::size_t sentBefore = transport->tcp.size();
  const std::int32_t requestId = session->Requestid() + 1;
  ASSERT_TRUE(manager->PlaceOrder(limitBuy())) << (posted.empty() ? "" : posted.back());
  EXPECT_EQ(transport->tcp.size(), sentBefore + 1);
  ASSERT_EQ(session->PendingOrderCollection.size(), 1u);
  EXPECT_EQ(session->PendingOrderCollection[0]->RequestId, requestId);
  ASSERT_FALSE(session->JournalDataCollection().empty());
  EXPECT_NE(session->JournalDataCollection().back().find("Order is under processing EURUSD Request id : " +
                                                         std::to_string(requestId)),
            std::string::npos);

  // The session posts the working order of the server's report while the report's request id is
  // the current one.
  auto working = std::make_shared<Order>();
  working->AccountNumber = "100";
  working->PendingOrderId = "77";
  working->ItemCode = "EURUSD";
  working->orderType = 2;
  working->OrderQty = "1";
  working->OrderPrice = "1.1900";
  session->setRequestid(requestId);
  notifications->post(OrderMananger::kPendingOrderNotification, working);
  EXPECT_TRUE(alerts->shown.empty());
  queue.runPending();
  ASSERT_EQ(alerts->shown.size(), 1u);
  EXPECT_EQ(alerts->shown[0], "Order Confirmation:Account : 100\nPending Id : 77\nBuy Limit 1 lot(s) of EURUSD @ 1.1900\n");
}

TEST_F(BusinessBaseOrderSessionTest, OrderIsRefusedWhileTheSessionIsDown) {
  transport->connected = false;
  EXPECT_FALSE(manager->PlaceOrder(limitBuy()));
  EXPECT_EQ(posted, std::vector<std::string>{"Not Connected"});
  EXPECT_TRUE(session->PendingOrderCollection.empty());
}

}  // namespace
}  // namespace td::testing
