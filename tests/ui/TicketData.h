#pragma once
// The records the ticket's tests and benchmark trade with: EURUSD (instrument 1, 5 decimals, tick
// 0.00001, Bid 1.08450, Ask 1.08462, every order kind, both sides) and GOLD (instrument 2, 2
// decimals, limit and stop only, selling only); accounts 1001 (every kind, deviation allowed), 1002
// (market, take-profit, stop-loss) and 1003 (equity stop), all of group 5, whose terms allow 0.1 to
// 3 lots in steps of 0.1, 10 pips for limits and stops.

#include <memory>
#include <string>

#include "model/ReferenceData.h"
#include "orders/BusinessBaseOrderSession.h"
#include "orders/OrderMananger.h"
#include "platform/AppContext.h"
#include "session/BusinessBase.h"

namespace td::testing {

inline void fillTicketReferenceData(ReferenceData& data) {
  data.FillSessionSettingCollection(XmlRow{{{"SettingsId", "1"}}});
  auto setting = data.sessionSetting("1");
  setting->SettingsId = 1;
  setting->AllowNewMarket = setting->AllowNewContigent = setting->AllowNewTpSl = true;
  data.FillGroupDetails(XmlRow{{{"GroupId", "5"}}});
  data.group("5")->TradingEnabled = true;
  data.group("5")->RevLeverageOnFLoss = 50;
  for (const char* id : {"1", "2"}) {
    data.FillGroupInstruments(XmlRow{{{"groupid", "5"}, {"InstrumentId", id}}});
    auto terms = data.group("5")->GroupInstrumentCollection.at(id);
    terms->MinOrderQty = 0.1;
    terms->MaxOrderQty = 3;
    terms->OrderQtyStep = 0.1;
    terms->LimitMinPips = terms->StopMinPips = 10;
    terms->InitialMargin = 100;
    terms->margincalculationMode = 1;
  }
  auto item = [&data](const char* code, int id, int decimals, double tick, double bid, double ask, int types,
                      int settings) {
    data.FillItemDetails(XmlRow{{{"Code", code}}});
    auto i = data.item(code);
    i->Code = code;
    i->Name = std::string(code) + " name";
    i->InstrumentId = id;
    i->DecimalPlaces = decimals;
    i->TickSize = tick;
    i->ContractSize = id == 1 ? 100000 : 100;
    i->Bid = bid;
    i->Ask = ask;
    i->Last = bid;
    i->Low = bid - 100 * tick;
    i->High = ask + 100 * tick;
    i->UpdateTime = "01/02/2024 03:04:05";
    i->CurrentTradeSessionSettingId = 1;
    i->isAvailableForTrading = true;
    i->instrumentTradingStatus = 1;
    i->availableOrderTypes = types;
    i->availableOrderSettings = settings;
  };
  item("EURUSD", 1, 5, 0.00001, 1.0845, 1.08462, 0xC7, 3);
  item("GOLD", 2, 2, 0.01, 2030.10, 2030.40, 0xC0, 2);
  auto account = [&data](const char* id, int types, int settings, int status) {
    data.FillAccountDetails(XmlRow{{{"AccountId", id}}});
    auto a = data.account(id);
    a->AccountId = std::stoi(id);
    a->GroupId = "5";
    a->tradingStatus = status;
    a->accountaccessType = 1;
    a->availableOrderTypes = types;
    a->accountSettings1 = settings;
    a->Balance = a->Equity = a->AvailableMargin = 1000000;
  };
  account("1001", 0xC7, 2, 1);
  account("1002", 0x07, 0, 1);
  account("1003", 0xC7, 0, 5);
}

// The session, filled with the records above and the symbols EURUSD and GOLD, becomes the
// context's session, with an order desk of its own.
inline void installTicketSession(AppContext& context, const std::shared_ptr<BusinessBase>& session, MainQueue& queue,
                                 const std::shared_ptr<NotificationCenter>& notifications) {
  fillTicketReferenceData(session->referenceData());
  session->setSelectedSymbols({"EURUSD", "GOLD"});
  context.setBusinessbase(session);
  OrderMananger::Services services;
  services.notifications = notifications;
  services.mainQueue = &queue;
  services.language = [] { return 0; };
  context.setOrderMananger(
      std::make_shared<OrderMananger>(std::make_shared<BusinessBaseOrderSession>(session), services));
}

}  // namespace td::testing
