// The order desk's work for one limit order with a take-profit and a stop-loss: building the
// record, checking it, and writing the request (with and without the encrypted envelope).

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "NewOrderTags.h"
#include "model/ReferenceData.h"
#include "orders/OrderGenerator.h"
#include "orders/OrderMananger.h"
#include "orders/OrderSession.h"
#include "orders/OrderValidator.h"
#include "platform/AppContext.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "wire/MessageBase.h"
#include "wire/OrderRequests.h"

namespace td {
namespace {

class NullAlerts : public UserAlerts {
 public:
  void showAlert(const std::string&, const std::string&) override {}
  void showBanner(const std::string&, const std::string&) override {}
  void playSound(const std::string&) override {}
};

struct Desk : OrderSession {
  Desk() : messageBase_(sink, [] { return std::string("9dA3fB71e0Cc"); }) {
    data.FillSessionSettingCollection(XmlRow{{{"SettingsId", "1"}}});
    data.FillItemDetails(XmlRow{{{"Code", "EURUSD"}}});
    data.FillGroupDetails(XmlRow{{{"GroupId", "5"}}});
    data.FillGroupInstruments(XmlRow{{{"groupid", "5"}, {"InstrumentId", "7"}}});
    data.FillAccountDetails(XmlRow{{{"AccountId", "1001"}}});
    auto session = data.sessionSetting("1");
    session->AllowNewMarket = session->AllowNewContigent = session->AllowNewTpSl = true;
    auto item = data.item("EURUSD");
    item->InstrumentId = 7;
    item->DecimalPlaces = 5;
    item->TickSize = 0.00001;
    item->Bid = 1.08410;
    item->Ask = 1.08420;
    item->Last = 1.08415;
    item->High = 1.09;
    item->Low = 1.08;
    item->UpdateTime = "01/02/2024 03:00:00";
    item->CurrentTradeSessionSettingId = 1;
    item->isAvailableForTrading = true;
    auto group = data.group("5");
    group->TradingEnabled = true;
    auto terms = group->GroupInstrumentCollection.at("7");
    terms->MinOrderQty = 0.01;
    terms->MaxOrderQty = 100;
    terms->OrderQtyStep = 0.01;
    terms->LimitMinPips = 10;
    terms->StopMinPips = 10;
    terms->InitialMargin = 1000;
    auto account = data.account("1001");
    account->GroupId = "5";
    account->tradingStatus = 1;
    account->accountaccessType = 1;
    account->HedgeModeId = 1;
    account->AvailableMargin = 100000;
    account->Equity = 100000;
  }

  const ReferenceData& referenceData() const override { return data; }
  bool isNetworkAvailable() const override { return true; }
  bool isSocketConnected() const override { return true; }
  std::int32_t Requestid() const override { return 40; }
  std::optional<std::string> Referenceid() const override { return std::string("R77"); }
  std::string ServerTime() const override { return "20240102030405"; }
  std::string userName() const override { return "alice"; }
  MessageBase& messageBase() override { return messageBase_; }
  std::vector<std::shared_ptr<Order>> getOpenOrderCollection() const override { return {}; }
  std::int32_t currentAccountSelected() const override { return 1001; }
  void addPendingOrder(std::shared_ptr<Order> order) override { pending.push_back(std::move(order)); }
  void removePendingOrder(const std::shared_ptr<Order>&) override {}
  void appendJournalLine(std::string) override {}
  void setHedgeMargin(std::string, std::string) override {}

  // The checks of a connected desk against this desk's reference data.
  OrderValidator validator() const {
    OrderCheckContext context;
    context.referenceData = &data;
    context.connected = true;
    return OrderValidator(context);
  }

  ReferenceData data;
  bench::DroppingSink sink;
  MessageBase messageBase_;
  std::vector<std::shared_ptr<Order>> pending;
};

OrderInfo limitWithBracket() {
  OrderInfo info;
  info.itemCode = "EURUSD";
  info.accountNo = 1001;
  info.orderType = 2;
  info.tradingMode = 0;
  info.deliveryMode = 1;
  info.timeinForce = 1;
  info.quantity = "1.5";
  info.price = "1.08300";
  info.limitPrice = "1.08500";
  info.stopPrice = "1.08100";
  info.TakeProfitEnabled = info.StopLossEnabled = true;
  info.deviation = -1;
  return info;
}

// Record and checks: what runs before a request is written.
void BM_BuildAndValidateLimitOrderWithBracket(benchmark::State& state) {
  Desk desk;
  const OrderInfo info = limitWithBracket();
  const OrderValidator validator = desk.validator();
  for (auto _ : state) {
    const Order order = OrderGenerator::buildOrder(info, desk.data, {40, "20240102030405"}, true);
    auto failure = validator.Validate(order);
    if (failure) state.SkipWithError(failure->c_str());
    benchmark::DoNotOptimize(order);
  }
}
BENCHMARK(BM_BuildAndValidateLimitOrderWithBracket);

// The whole new order through the order manager: record, checks, filing, tags, frame and the
// encrypted envelope.
void BM_PlaceLimitOrderWithBracket(benchmark::State& state) {
  // The request writer logs every frame; the figure is the desk's, not the log's.
  const log::Level level = log::level();
  log::setLevel(log::Level::Warning);
  Desk desk;
  OrderMananger::Services services;
  services.notifications = std::make_shared<NotificationCenter>();
  services.alerts = std::make_shared<NullAlerts>();
  services.language = [] { return 0; };
  OrderMananger manager(desk, services);
  const OrderInfo info = limitWithBracket();
  for (auto _ : state) {
    if (!manager.PlaceOrder(info)) state.SkipWithError("refused");
    desk.pending.clear();
  }
  log::setLevel(level);
}
BENCHMARK(BM_PlaceLimitOrderWithBracket);

// The same without the envelope: record, checks and the plain request body.
void BM_ValidateAndWriteLimitOrderBody(benchmark::State& state) {
  Desk desk;
  const OrderInfo info = limitWithBracket();
  const OrderValidator validator = desk.validator();
  static constexpr int kTags[] = {10, 34, 23, 33, 19, 12, 32, 117, 37, 38, 39, 40,
                                  90, 36, 77, 24, 43, 56, 54, 61, 60, 62, 67, 78};
  TagDictionary dict;
  std::string body;
  for (auto _ : state) {
    const Order order = OrderGenerator::buildOrder(info, desk.data, {40, "20240102030405"}, true);
    if (validator.Validate(order)) state.SkipWithError("refused");
    const OrderTagValues o = OrderMananger::tagValues(order);
    dict.clear();
    bench::setNewOrderTags(dict, o, "alice", "R77");
    body.clear();
    MessageBase::writeBody(dict, kTags, std::size(kTags), body);
    benchmark::DoNotOptimize(body.data());
  }
}
BENCHMARK(BM_ValidateAndWriteLimitOrderBody);

}  // namespace
}  // namespace td
