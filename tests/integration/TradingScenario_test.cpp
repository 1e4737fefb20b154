// A user's trading through the client's own layers (order desk, session, transport) against the
// simulated server, and what the server then tells about it: the account statement, the executed
// positions, the notices and the depth ladder agree with the trading and with each other.

#include <gtest/gtest.h>

#include <set>

#include "LoginDataWriter.h"
#include "OrderBook.h"
#include "OrderWire.h"
#include "SimServerDesk.h"
#include "StatementChecks.h"
#include "session/PriceFeed.h"
#include "session/trading/ReadSide.h"
#include "wire/OrderRequests.h"

namespace td::testing {
namespace {

constexpr int kHedged = 1002;  // demo's account in hedge mode, where positions are offset

// Compares each depth ladder of an instrument with the quote just before it, its tick's price line.
class DepthWatch : public RecordingObserver {
 public:
  explicit DepthWatch(std::string code) : code_(std::move(code)) {}
  void sessionTick(const ItemDetails& item) override {
    RecordingObserver::sessionTick(item);
    if (item.Code != code_) return;
    ++quotes;
    bid_ = item.Bid;
    ask_ = item.Ask;
  }
  void sessionDepth(const std::string& code, const std::vector<std::string>& buy,
                    const std::vector<std::string>& sell) override {
    if (code != code_ || quotes == 0 || buy.empty() || sell.empty()) return;
    ++ladders;
    if (leadingDouble(buy[0]).value_or(0) != bid_ || leadingDouble(sell[0]).value_or(0) != ask_) ++stale;
  }
  int quotes = 0, ladders = 0, stale = 0;

 private:
  std::string code_;
  double bid_ = 0, ask_ = 0;
};

class TradingScenarioTest : public SimServerDeskTest {
 protected:
  TradingScenarioTest() { session->setObserver(&depth); }

  // Logged in with EURUSD quoting and the seeded positions and working orders loaded.
  bool open() {
    return until([&] {
      const auto item = session->referenceData().item("EURUSD");
      return item && item->Bid > 0 && !session->getOpenOrderCollection().empty() &&
             !session->getPendingOrderCollection().empty();
    });
  }

  // The position or working order of this account, reported by the server, that is not among
  // `known` (the desk files an order before the server gives it an id).
  static std::shared_ptr<Order> fresh(const std::vector<std::shared_ptr<Order>>& list,
                                      const std::set<std::string>& known, bool position) {
    for (const auto& o : list) {
      const std::string& id = position ? o->OpenPositionId : o->PendingOrderId;
      if (o->AccountNumber == std::to_string(kHedged) && !id.empty() && !known.count(id)) return o;
    }
    return nullptr;
  }
  // The commission the group's terms charge for `lots` of an instrument of the account.
  double commission(const std::string& account, std::int32_t instrument, double lots) const {
    const auto a = session->referenceData().account(account);
    const auto terms = a ? session->referenceData().groupInstruments(*a, instrument) : nullptr;
    return terms ? terms->Commission * lots : 0;
  }

  // Taken once the server runs: the notices were sent well before.
  std::int64_t started = sim::unixNow();
  DepthWatch depth{"BTCUSD"};
};

TEST_F(TradingScenarioTest, StatementExecutedPositionsNoticesAndDepthAgreeWithTheTrading) {
  ASSERT_TRUE(open());
  // The depth ladder of an instrument on the watchlist, tick by tick.
  std::vector<std::string> watched = session->selectedSymbols();
  watched.push_back("BTCUSD");
  session->SaveItemstoWatchList(watched);

  // A market order opens 3 lots.
  std::set<std::string> known = positionIds();
  ASSERT_TRUE(desk->PlaceOrder(eurusd(kHedged, 0, "3")));
  ASSERT_TRUE(until([&] { return fresh(session->getOpenOrderCollection(), known, true) != nullptr; }));
  const auto bought = fresh(session->getOpenOrderCollection(), known, true);
  const std::string boughtId = bought->OpenPositionId, boughtOrder = bought->PendingOrderId;
  ASSERT_FALSE(boughtOrder.empty());

  // A limit order with take-profit and stop-loss, good for the day, waits below the market.
  std::set<std::string> orders;
  for (const auto& o : session->getPendingOrderCollection()) orders.insert(o->PendingOrderId);
  OrderInfo limit = eurusd(kHedged, 0, "1");
  limit.orderType = 2;
  limit.timeinForce = 5;
  limit.price = belowBid(500);
  limit.TakeProfitEnabled = limit.StopLossEnabled = true;
  limit.limitPrice = belowBid(200);
  limit.stopPrice = belowBid(800);
  ASSERT_TRUE(desk->PlaceOrder(limit));
  ASSERT_TRUE(until([&] { return fresh(session->getPendingOrderCollection(), orders, false) != nullptr; }));
  const std::string limitId = fresh(session->getPendingOrderCollection(), orders, false)->PendingOrderId;

  // One lot is closed; a sell of one lot is then offset against another lot of the buy.
  OrderInfo close = eurusd(kHedged, 1, "1");
  close.isCloseNew = true;
  close.previousQuantity = bought->RemainingQty;
  close.orderNo = boughtId;
  ASSERT_TRUE(desk->PlacePartialOrder(close));
  ASSERT_TRUE(until([&] { return OrderRequests::leadingNumber(bought->RemainingQty) == 2; }));
  known = positionIds();
  ASSERT_TRUE(desk->PlaceOrder(eurusd(kHedged, 1, "1")));
  ASSERT_TRUE(until([&] { return fresh(session->getOpenOrderCollection(), known, true) != nullptr; }));
  const std::string soldId = fresh(session->getOpenOrderCollection(), known, true)->OpenPositionId;
  const std::vector<OffsetEntry> against = {{boughtId, "1"}};
  ASSERT_TRUE(desk->PlaceOffsetOrder(OrderRequests::offsetList({soldId, "1"}, against), "EURUSD",
                                     std::to_string(kHedged)));
  ASSERT_TRUE(until([&] { return !position(soldId) && OrderRequests::leadingNumber(bought->RemainingQty) == 1; }));

  // The statement of the whole history, up to now.
  const AccountStatementInfo* read = wholeStatement(kHedged);
  ASSERT_NE(read, nullptr);
  const AccountStatementInfo& statement = *read;
  EXPECT_TRUE(statementAddsUp(statement));
  // Its closing balance is the account's balance, as the account strip shows it.
  const auto account = session->referenceData().account(std::to_string(kHedged));
  ASSERT_TRUE(account && statement.EndInfo);
  EXPECT_TRUE(until([&] { return near("balance", account->Balance, statement.EndInfo->Balance); }))
      << account->Balance << " " << statement.EndInfo->Balance;

  // The working order with its own terms.
  const PendingOrderHistoryInfo* working = nullptr;
  for (const auto& o : statement.PendingOrderInfo)
    if (o.PendingOrderId == limitId) working = &o;
  ASSERT_NE(working, nullptr);
  EXPECT_EQ(OrderRequests::leadingNumber(working->LimitPrice), OrderRequests::leadingNumber(limit.limitPrice));
  EXPECT_EQ(OrderRequests::leadingNumber(working->StopPrice), OrderRequests::leadingNumber(limit.stopPrice));
  EXPECT_EQ(working->timeinForce, 5);

  // One commission rule, for the seeded settlements and the live ones (an offset settles lots of
  // both its positions), and for the open positions, seeded or not (their part still open).
  int live = 0;
  for (const auto& s : statement.SettledPositionInfo) {
    const bool offset = s.OpenPositionId == soldId;
    live += offset || s.OpenPositionId == boughtId;
    EXPECT_NEAR(s.Commision,
                commission(s.AccountNumber, static_cast<std::int32_t>(s.InstrumentId),
                           OrderRequests::leadingNumber(s.SettledQty) * (offset ? 2 : 1)),
                0.005)
        << s.SettlementId;
  }
  EXPECT_EQ(live, 2);
  for (const auto& p : session->getOpenOrderCollection()) {
    const auto item = session->referenceData().item(p->ItemCode);
    ASSERT_TRUE(item);
    EXPECT_NEAR(p->Commision,
                commission(p->AccountNumber, item->InstrumentId, OrderRequests::leadingNumber(p->RemainingQty)), 0.005)
        << p->OpenPositionId;
  }

  // The executed positions of the day carry the order that opened them.
  int* executed = count("ExecutedPositionTableNotification");
  SearchInfo today;
  today.FromDate = today.ToDate = std::chrono::system_clock::now();
  ASSERT_TRUE(session->requestExecutedPosition(today));
  ASSERT_TRUE(until([&] { return *executed >= 1 && !session->ExecutedOrderSearchCollection.empty(); }));
  std::shared_ptr<Order> found;
  for (const auto& p : session->ExecutedOrderSearchCollection)
    if (p->OpenPositionId == boughtId) found = p;
  ASSERT_TRUE(found);
  EXPECT_EQ(found->PendingOrderId, boughtOrder);

  // Each notice has its own time from before the server started, in the list and in the viewer.
  const auto notices = session->chat().model().getMessageNoticesCollection();
  ASSERT_EQ(notices.size(), 2u);
  for (const auto& n : notices) {
    ASSERT_TRUE(n->chatTime && n->RoomId);
    const auto sent = sim::parseAmpTime(*n->chatTime);
    ASSERT_TRUE(sent);
    EXPECT_LE(*sent, started - 60 * 60) << *n->chatTime;
    if (n->messages.empty()) {
      ASSERT_TRUE(session->chat().requestRoomMessage(*n->RoomId));
    }
    ASSERT_TRUE(until([&] { return !n->messages.empty(); }));
    EXPECT_EQ(n->messages[0].time, *n->chatTime);
  }
  EXPECT_NE(*notices[0]->chatTime, *notices[1]->chatTime);

  // Every tick's ladder starts at that tick's bid and ask.
  ASSERT_TRUE(until([&] { return depth.quotes >= 10; }));
  EXPECT_GE(depth.ladders, depth.quotes - 1);
  EXPECT_EQ(depth.stale, 0);
}

// The seeded history of the server, loaded by the client as after a login; the server's order desk
// fills a seeded working order, and its reports reach the client.
class SeededOrderFillTest : public SessionTest {
 protected:
  SeededOrderFillTest() : feed(scenario, 3, sim::unixNow()), history(scenario, 3, sim::unixNow()), book(scenario, history, feed) {}

  void loginAsDemo() {
    sim::LoginDataWriter writer(scenario, sim::LoginDataContext{1, 2, sim::unixNow(), {}});
    session->NewMessage(frame({{10, "33"}, {19, "REF9"}, {21, sim::ampTime(sim::unixNow())}, {160, "AMP"},
                               {1050, compressed(writer.amp(*scenario.user("demo")))}}));
    loginAccepted();
    for (const char* context : {"getopenpositions", "getpendingorders"}) {
      sim::DataSetQuery q;
      q.context = context;
      q.userName = "demo";
      session->NewMessage(frame({{10, "1024"}, {151, context}, {159, history.dataSet(q, feed)}}),
                          FrameChannel::Requests);
    }
  }
  void deliver(const sim::OrderResult& result) {
    for (const auto& m : result.messages) {
      const std::string f = m.message.frame();
      session->NewMessage(std::string_view(f).substr(1, f.size() - 2));
    }
  }

  // The executed positions as the list shows them: by default the open and closed positions of the
  // session, or the rows of the day's search.
  OrderList executedList(bool search) {
    ReadSide read(session->orderBook(), session->referenceData(), session->selectedSymbols());
    read.setExecutedPositionState(search);
    OrderList rows = read.getExecutedOrderCollection();
    read.setExecutedPositionState(false);
    return rows;
  }

  sim::Scenario scenario = sim::Scenario::builtIn();
  sim::PriceFeed feed;
  sim::TradingHistory history;
  sim::OrderBook book;
  OrderWire wire;
};

TEST_F(SeededOrderFillTest, AFilledSeededLimitOrderOpensAPositionWithoutTakeProfitOrStopLoss) {
  loginAsDemo();
  const sim::WorkingOrderRecord* seeded = nullptr;
  for (const auto& w : history.workingOrders())
    if (w.account == 1001 && w.bracketOf == 0) seeded = &w;
  ASSERT_NE(seeded, nullptr);
  const std::string id = std::to_string(seeded->id);
  const auto byOrder = [&](const std::vector<std::shared_ptr<Order>>& list) -> std::shared_ptr<Order> {
    for (const auto& o : list)
      if (o->PendingOrderId == id) return o;
    return nullptr;
  };
  const auto order = byOrder(session->getPendingOrderCollection());
  ASSERT_TRUE(order);
  EXPECT_EQ(order->LimitPrice, "");
  EXPECT_EQ(order->StopPrice, "");

  // The market comes to the buy limit: it fills at the next tick.
  history.workingOrder(seeded->id)->price = feed.quoteFor(seeded->account, seeded->instrument).ask;
  deliver(book.onTick());
  const auto opened = byOrder(session->getOpenOrderCollection());
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->LimitPrice, "");
  EXPECT_EQ(opened->StopPrice, "");
}

// A close from the positions list and a filled take-profit: the list the client builds from the
// live reports and the day's search show each closing execution alike, with the side that closed,
// the validity of the position it closed, and the order that filled.
TEST_F(SeededOrderFillTest, ClosingExecutionsShowTheSameInTheLiveListAndTheDaysSearch) {
  loginAsDemo();
  const sim::Quote q = feed.quoteFor(1001, 1);
  const auto price = [](double v) { return priceText(v, 5); };
  auto intraday = orderValues(1001, "EURUSD", 29, true, "2", price(q.ask));
  intraday.deliveryModeTag = 52;
  const sim::OrderResult bought = book.order(*scenario.user("demo"), wire.newOrder(intraday));
  deliver(bought);
  const std::string position = field(bought.messages.at(2).message, 80);
  const auto close = orderValues(1001, "EURUSD", 29, false, "1", price(q.bid), 42);
  const sim::OrderResult closed = book.order(*scenario.user("demo"), wire.closingOrder(close, std::stoi(position)));
  deliver(closed);

  auto sell = orderValues(1001, "EURUSD", 29, false, "1", price(q.bid), 43);
  sell.LimitPrice = price(q.bid - 0.001);
  const sim::OrderResult sold = book.order(*scenario.user("demo"), wire.newOrder(sell));
  deliver(sold);
  const int takeProfit = std::stoi(field(sold.messages.back().message, 79));
  history.workingOrder(takeProfit)->price = q.ask;  // the market comes to it
  deliver(book.onTick());

  const auto describe = [](const std::shared_ptr<Order>& o) {
    return o->ItemCode + (o->tradingMode == 0 ? " B " : " S ") + std::to_string(o->orderType) + " " +
           std::to_string(o->deliveryMode) + " " + o->PendingOrderId;
  };
  std::map<std::string, std::string> live;
  for (const auto& o : executedList(false))
    if (o->RemainingQty == "0") live[o->OpenPositionId] = describe(o);
  ASSERT_EQ(live.size(), 2u) << "the two closing executions";
  EXPECT_EQ(std::next(live.begin())->second, "EURUSD B 2 1 " + std::to_string(takeProfit));
  EXPECT_EQ(live.begin()->second, "EURUSD S 1 2 " + field(closed.messages.at(0).message, 79))
      << "a market sell, intraday like the position it closes";

  sim::DataSetQuery today;
  today.context = "getexecutedpositions";
  today.userName = "demo";
  today.from = today.to = sim::ampTime(sim::unixNow());
  session->NewMessage(frame({{10, "1024"}, {151, today.context}, {159, history.dataSet(today, feed)}}),
                      FrameChannel::Requests);
  std::map<std::string, std::string> searched;
  for (const auto& o : executedList(true))
    if (live.count(o->OpenPositionId)) searched[o->OpenPositionId] = describe(o);
  EXPECT_EQ(searched, live);
}

}  // namespace
}  // namespace td::testing
