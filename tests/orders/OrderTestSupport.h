#pragma once
// Shared by the order tests: reference data with one instrument, account, group and trading
// session that let a plain order through, and a fake session around a recording request writer.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../wire/MessageTestSupport.h"
#include "model/Order.h"
#include "model/OrderInfo.h"
#include "model/ReferenceData.h"
#include "orders/OrderSession.h"
#include "orders/OrderValidator.h"

namespace td::testing {

// EURUSD (instrument 7, 4 decimals, tick 0.0001, Bid 1.1998, Ask 1.2000) in trading session 1;
// account 1001 of group 5, hedging, 10000 free; group terms: 0.1 to 100 lots in steps of 0.1,
// 10 pips for limits and stops, 1000 per lot.
struct TradingData {
  TradingData() {
    data.FillSessionSettingCollection(XmlRow{{{"SettingsId", "1"}}});
    data.FillItemDetails(XmlRow{{{"Code", "EURUSD"}}});
    data.FillGroupDetails(XmlRow{{{"GroupId", "5"}}});
    data.FillGroupInstruments(XmlRow{{{"groupid", "5"}, {"InstrumentId", "7"}}});
    data.FillAccountDetails(XmlRow{{{"AccountId", "1001"}}});
    session = data.sessionSetting("1");
    session->SettingsId = 1;
    session->AllowNewMarket = session->AllowNewContigent = session->AllowNewTpSl = true;
    item = data.item("EURUSD");
    item->InstrumentId = 7;
    item->DecimalPlaces = 4;
    item->TickSize = 0.0001;
    item->ContractSize = 100000;
    item->Bid = 1.1998;
    item->Ask = 1.2;
    item->Last = 1.1999;
    item->High = 1.21;
    item->Low = 1.19;
    item->UpdateTime = "01/02/2024 03:00:00";
    item->CurrentTradeSessionSettingId = 1;
    item->isAvailableForTrading = true;
    item->instrumentTradingStatus = 1;
    group = data.group("5");
    group->TradingEnabled = true;
    terms = group->GroupInstrumentCollection.at("7");
    terms->InstrumentId = 7;
    terms->MinOrderQty = 0.1;
    terms->MaxOrderQty = 100;
    terms->OrderQtyStep = 0.1;
    terms->LimitMinPips = 10;
    terms->StopMinPips = 10;
    terms->InitialMargin = 1000;
    terms->margincalculationMode = 1;
    account = data.account("1001");
    account->AccountId = 1001;
    account->GroupId = "5";
    account->tradingStatus = 1;
    account->accountaccessType = 1;
    account->HedgeModeId = 1;
    account->AvailableMargin = 10000;
    account->Equity = 10000;
  }

  OrderCheckContext context(bool connected = true) {
    OrderCheckContext c;
    c.referenceData = &data;
    c.connected = connected;
    c.openPositions = [this] { return openPositions; };
    return c;
  }

  ReferenceData data;
  std::shared_ptr<SessionSetting> session;
  std::shared_ptr<ItemDetails> item;
  std::shared_ptr<GroupDetails> group;
  std::shared_ptr<GroupInstruments> terms;
  std::shared_ptr<AccountDetails> account;
  std::vector<std::shared_ptr<Order>> openPositions;
};

// An open position of account 1001 (side 0 buy), regular delivery.
inline std::shared_ptr<Order> position(int side, const std::string& lots, const std::string& item = "EURUSD",
                                       const std::string& accountNumber = "1001", int deliveryMode = 1) {
  auto o = std::make_shared<Order>();
  o->tradingMode = side;
  o->RemainingQty = lots;
  o->ItemCode = item;
  o->AccountNumber = accountNumber;
  o->deliveryMode = deliveryMode;
  return o;
}

// The order parameters of a one-lot market buy of EURUSD on account 1001, GTC, regular.
inline OrderInfo marketBuy() {
  OrderInfo info;
  info.itemCode = "EURUSD";
  info.accountNo = 1001;
  info.orderType = 1;
  info.tradingMode = 0;
  info.deliveryMode = 1;
  info.timeinForce = 1;
  info.quantity = "1";
  info.deviation = -1;
  return info;
}

// Records, with every frame, how many orders stood in the pending collection when it was sent.
class PendingAwareSink : public RecordingSink {
 public:
  bool SendMessage(std::string_view frame, bool toZMQ) override {
    pendingAtSend.push_back(pending != nullptr ? pending->size() : 0);
    return RecordingSink::SendMessage(frame, toZMQ);
  }
  const std::vector<std::shared_ptr<Order>>* pending = nullptr;
  std::vector<std::size_t> pendingAtSend;
};

class FakeOrderSession : public OrderSession {
 public:
  explicit FakeOrderSession(TradingData& trading) : trading_(trading), messageBase_(sink, [this] { return passPhrase; }) {
    sink.pending = &pending;
  }

  const ReferenceData& referenceData() const override { return trading_.data; }
  bool isNetworkAvailable() const override { return networkAvailable; }
  bool isSocketConnected() const override { return socketConnected; }
  std::int32_t Requestid() const override { return requestid; }
  std::optional<std::string> Referenceid() const override { return referenceid; }
  std::string ServerTime() const override { return serverTime; }
  std::string userName() const override { return user; }
  MessageBase& messageBase() override { return messageBase_; }
  std::vector<std::shared_ptr<Order>> getOpenOrderCollection() const override { return trading_.openPositions; }
  std::int32_t currentAccountSelected() const override { return currentAccount; }
  void addPendingOrder(std::shared_ptr<Order> order) override { pending.push_back(std::move(order)); }
  void removePendingOrder(const std::shared_ptr<Order>& order) override {
    std::erase(pending, order);
  }
  void appendJournalLine(std::string line) override { journal.push_back(std::move(line)); }
  void setHedgeMargin(std::string key, std::string value) override { hedgeMargins[key] = value; }

  // The inner frame of the one enveloped request sent.
  std::string sentFrame() {
    EXPECT_EQ(sink.sent.size(), 1u);
    if (sink.sent.size() != 1) return {};
    OpenedEnvelope opened;
    EXPECT_TRUE(openEnvelope(sink.sent[0].frame, passPhrase, opened));
    return opened.inner;
  }

  bool networkAvailable = true;
  bool socketConnected = true;
  std::int32_t requestid = 40;
  std::optional<std::string> referenceid = std::string("R77");
  std::string serverTime = "20240102030405";
  std::string user = "alice";
  std::int32_t currentAccount = 1001;
  std::string passPhrase = "9dA3fB71e0Cc";
  PendingAwareSink sink;
  std::vector<std::shared_ptr<Order>> pending;
  std::vector<std::string> journal;
  std::map<std::string, std::string> hedgeMargins;

 private:
  TradingData& trading_;
  MessageBase messageBase_;
};

}  // namespace td::testing
