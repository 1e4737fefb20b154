#pragma once
// Shared by the tests of the position and order lists and their sheets: an application context
// with its own notification centre, recording alerts and a hand-pumped main queue; a session of
// reference data and order collections with a recording order desk; and a recording sheet opener.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "SessionContextFixture.h"  // RecordingAlerts
#include "model/ReferenceData.h"
#include "orders/OrderMananger.h"
#include "platform/AppContext.h"
#include "platform/ManualMainQueue.h"
#include "platform/NotificationCenter.h"
#include "session/trading/OrderBook.h"
#include "session/trading/ReadSide.h"
#include "ui/positions/PositionSheetOpener.h"
#include "ui/positions/PositionsSession.h"

namespace td::test {

// EURUSD (5 decimals, tick 0.00001, 100000 a lot; buys, sells, closes from the list, take-profit
// and stop-loss) and GOLD (2 decimals, buys and delivers, no sells); accounts 1001 and 1002 of
// group 1, whose terms step quantities by 0.5; 1002 allows a deviation.
class FakePositionsSession : public PositionsSession {
 public:
  FakePositionsSession() {
    data.FillGroupDetails(XmlRow{{{"GroupId", "1"}}});
    data.FillItemDetails(XmlRow{{{"Code", "EURUSD"}}});
    data.FillItemDetails(XmlRow{{{"Code", "GOLD"}}});
    data.FillGroupInstruments(XmlRow{{{"groupid", "1"}, {"InstrumentId", "1"}}});
    data.FillGroupInstruments(XmlRow{{{"groupid", "1"}, {"InstrumentId", "2"}}});
    data.FillAccountDetails(XmlRow{{{"AccountId", "1001"}}});
    data.FillAccountDetails(XmlRow{{{"AccountId", "1002"}}});
    eurusd = data.item("EURUSD");
    eurusd->Code = "EURUSD";
    eurusd->Name = "Euro / US Dollar";
    eurusd->InstrumentId = 1;
    eurusd->DecimalPlaces = 5;
    eurusd->TickSize = 0.00001;
    eurusd->ContractSize = 100000;
    eurusd->PLCalcModeId = 1;
    eurusd->Bid = 1.10000;
    eurusd->Ask = 1.10010;
    eurusd->availableOrderTypes = 231;
    eurusd->availableOrderSettings = 3;
    gold = data.item("GOLD");
    gold->Code = "GOLD";
    gold->Name = "Gold";
    gold->InstrumentId = 2;
    gold->DecimalPlaces = 2;
    gold->ContractSize = 100;
    gold->PLCalcModeId = 1;
    gold->Bid = 2000.50;
    gold->Ask = 2001.00;
    gold->availableOrderTypes = 231;
    gold->availableOrderSettings = 5;
    for (const char* id : {"1001", "1002"}) {
      auto a = data.account(id);
      a->AccountId = std::stoi(id);
      a->GroupId = "1";
      a->tradingStatus = 1;
      a->accountaccessType = 1;
      a->availableOrderTypes = 231;
    }
    data.account("1002")->accountSettings1 = 2;
    for (const auto& [key, terms] : data.group("1")->GroupInstrumentCollection) terms->OrderQtyStep = 0.5;
  }

  const ReferenceData* referenceData() const override { return &data; }
  OrderRows getOpenOrderCollection() const override { return read().getOpenOrderCollection(); }
  OrderRows getPendingOrderCollection() const override { return read().getPendingOrderCollection(); }
  OrderRows getCancelledOrderCollection() const override { return read().getCancelledOrderCollection(); }
  OrderRows getSettledOrderCollection() const override { return read().getSettledOrderCollection(); }
  OrderRows getExecutedOrderCollection() const override { return read().getExecutedOrderCollection(); }
  void setExecutedPositionState(bool search) override { book.isExecutedPositionSearch = search; }
  void clearExecutedOrderSearchCollection() override { book.ExecutedOrderSearchCollection.clear(); }
  bool requestExecutedPosition(const SearchInfo& search) override {
    searches.push_back(search);
    return searchReachesServer;
  }
  double GetMarginForSingleLot(const Order& order) const override {
    ++marginCalls;
    const auto m = margins.find(order.OpenPositionId);
    return m == margins.end() ? 0 : m->second;
  }
  std::string UpdateTakeProfitandStopLoss(std::int32_t side, std::string_view itemCode, bool takeProfit,
                                          std::int32_t accountNumber, std::int32_t orderType,
                                          std::string_view orderPrice, PriceBounds::BracketOf request) const override {
    proposals.push_back(std::to_string(side) + "|" + std::string(itemCode) + "|" + (takeProfit ? "tp" : "sl") + "|" +
                        std::to_string(accountNumber) + "|" + std::to_string(orderType) + "|" +
                        std::string(orderPrice) + (request == PriceBounds::BracketOf::PositionEdit ? "|edit" : ""));
    return takeProfit ? "1.10100" : "1.09900";
  }
  bool PlacePartialOrder(const OrderInfo& info) override { return record("close", info); }
  bool PlaceEditBracketOrder(const OrderInfo& info) override { return record("bracket", info); }
  bool PlaceEditWorkingOrder(const OrderInfo& info) override { return record("working", info); }
  bool PlaceOffsetOrder(const std::string& list, const std::string& itemCode, const std::string& accountNo) override {
    offsets.push_back({list, itemCode, accountNo});
    return true;
  }

  // A new record in a collection.
  std::shared_ptr<Order> add(OrderList& collection, const std::string& account, const std::string& item) {
    auto o = std::make_shared<Order>();
    o->AccountNumber = account;
    o->ItemCode = item;
    o->deliveryMode = 1;
    o->timeinForce = 1;
    collection.push_back(o);
    return o;
  }
  std::shared_ptr<Order> position(const std::string& id, int side, const std::string& lots,
                                  const std::string& item = "EURUSD", const std::string& account = "1001") {
    auto o = add(book.OpenOrderCollection, account, item);
    o->OpenPositionId = id;
    o->tradingMode = side;
    o->RemainingQty = lots;
    o->OrderQty = lots;
    o->orderType = 1;
    o->OrderPrice = item == "GOLD" ? "1990.00" : "1.09000";
    return o;
  }
  std::shared_ptr<Order> working(const std::string& id, int side, int orderType, const std::string& lots,
                                 const std::string& price, const std::string& account = "1001") {
    auto o = add(book.PendingOrderCollection, account, "EURUSD");
    o->PendingOrderId = id;
    o->tradingMode = side;
    o->orderType = orderType;
    o->OrderQty = lots;
    o->RemainingQty = lots;
    o->OrderPrice = price;
    return o;
  }

  struct Sent {
    std::string kind;
    OrderInfo info;
  };
  struct Offset {
    std::string list;
    std::string itemCode;
    std::string accountNo;
  };

  ReferenceData data;
  OwnedOrderBook book;
  std::vector<std::string> symbols;
  std::shared_ptr<ItemDetails> eurusd;
  std::shared_ptr<ItemDetails> gold;
  std::map<std::string, double> margins;  // per-lot margin by OpenPositionId
  mutable int marginCalls = 0;
  mutable std::vector<std::string> proposals;
  std::vector<Sent> sent;
  std::vector<Offset> offsets;
  std::vector<SearchInfo> searches;
  bool searchReachesServer = true;
  // What the desk posts on "PlaceOrderNotification" after recording a request (none: nothing).
  std::optional<std::string> feedback;

 private:
  ReadSide read() const {
    return ReadSide(const_cast<OwnedOrderBook&>(book).book(), data, symbols);
  }
  bool record(const char* kind, const OrderInfo& info) {
    sent.push_back({kind, info});
    if (feedback) AppContext::current()->notificationCenter()->post(OrderMananger::kPlaceOrderNotification, *feedback);
    return true;
  }
};

class RecordingSheets : public PositionSheetOpener {
 public:
  bool isSheetOpen() const override { return sheetOpen; }
  void openCloseOrCancelSheet(int mode, const std::string& id) override { opened.push_back("close" + tag(mode, id)); }
  void openModifySheet(int mode, const std::string& id) override { opened.push_back("modify" + tag(mode, id)); }
  void openOffsetSheet(const std::string& id) override { opened.push_back("offset " + id); }
  bool canShowDeliveryReceipt() const override { return deliveryReceipt; }
  void openDeliveryReceipt(int type, const std::string& id) override { opened.push_back("receipt" + tag(type, id)); }

  bool sheetOpen = false;
  bool deliveryReceipt = true;
  std::vector<std::string> opened;

 private:
  static std::string tag(int mode, const std::string& id) { return " " + std::to_string(mode) + " " + id; }
};

// The context of a test: its own centre on a hand-pumped main queue, recording alerts.
class PositionsTest : public ::testing::Test {
 protected:
  PositionsTest() {
    queue.bindToCurrentThread();
    previousQueue_ = MainQueue::instance();
    MainQueue::setInstance(&queue);
    auto context = std::make_shared<AppContext>(std::make_shared<LoginInputdata>(ServerPresets::shipped()));
    context->setNotificationCenter(std::make_shared<NotificationCenter>(&queue));
    context->setUserAlerts(alerts);
    installed_ = std::make_unique<ScopedAppContext>(context);
  }
  ~PositionsTest() override {
    installed_.reset();
    MainQueue::setInstance(previousQueue_);
  }

  NotificationCenter& center() { return *(*installed_)->notificationCenter(); }
  // The session tells the lists that a table changed (they reload once the queue runs).
  void post(const char* name) {
    center().post(name);
    queue.runPending();
  }

  ManualMainQueue queue;
  std::shared_ptr<RecordingAlerts> alerts = std::make_shared<RecordingAlerts>();
  FakePositionsSession session;
  RecordingSheets sheets;

 private:
  MainQueue* previousQueue_ = nullptr;
  std::unique_ptr<ScopedAppContext> installed_;
};

}  // namespace td::test
