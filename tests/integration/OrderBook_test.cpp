// The simulated server's order desk in process: requests written by the client's request writer,
// the exact reports that answer them, working orders against a feed stepped by hand, and the
// books (used margin from open positions, balance moved only by settlements: their profit or loss less
// the commission of the lots they settle).

#include "OrderBook.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

#include "OrderWire.h"
#include "model/statement/AccountStatementInfo.h"
#include "session/datasets/StatementTables.h"
#include "wire/Separators.h"

namespace td::testing {
namespace {

using sim::OrderBook;
using sim::OrderResult;
using sim::ServerMessage;

constexpr int kEurusd = 1;
constexpr double kTick = 0.00001;  // EURUSD's

class OrderDesk : public ::testing::Test {
 protected:
  explicit OrderDesk(sim::Scenario s = sim::Scenario::builtIn())
      : scenario(std::move(s)), feed(scenario, 7, sim::unixNow()), history(scenario, 7, sim::unixNow()),
        book(scenario, history, feed) {
    // The seeded working orders would fill now and then; these tests watch their own orders only.
    std::vector<int> seeded;
    for (const auto& w : history.workingOrders()) seeded.push_back(w.id);
    for (int id : seeded) history.removeWorkingOrder(id);
    book.recomputeMargins();
  }

  const sim::UserSpec& demo() const { return *scenario.user("demo"); }
  // The quote demo's accounts deal at (both are in one group): the feed's with the group's spread.
  sim::Quote quote(int instrument = kEurusd) const { return feed.quoteFor(1001, instrument); }
  std::string px(double v) const { return priceText(v, 5); }
  // The nearest a stop (or stop-loss) and a limit (or take-profit) of EURUSD may stand in demo's group.
  double stopDistance() const { return scenario.term(1001, kEurusd)->stopMinPips * kTick; }
  double limitDistance() const { return scenario.term(1001, kEurusd)->limitMinPips * kTick; }

  static std::vector<std::string> kinds(const OrderResult& r) {
    std::vector<std::string> out;
    for (const auto& m : r.messages) out.push_back(kindOf(m.message));
    return out;
  }
  const ServerMessage& at(const OrderResult& r, std::size_t i) { return r.messages.at(i).message; }
  // What a settlement (66) books into the balance: its profit or loss less its commission.
  static double booked(const ServerMessage& settlement) {
    return std::stod(field(settlement, 88)) - std::stod(field(settlement, 545));
  }

  OrderResult marketOrder(int account, bool buy, const std::string& qty, const std::string& tp = "",
                          const std::string& sl = "", int requestId = 41) {
    auto o = orderValues(account, "EURUSD", 29, buy, qty, px(buy ? quote().ask : quote().bid), requestId);
    o.LimitPrice = tp;
    o.StopPrice = sl;
    return book.order(demo(), wire.newOrder(o));
  }
  // The id of the position that the last execution of a result opened.
  static int openedPosition(const OrderResult& r) {
    int id = 0;
    for (const auto& m : r.messages)
      if (m.message.type == 67 && m.message.get(73) == std::string_view("74")) id = std::stoi(field(m.message, 80));
    return id;
  }
  double openQty(int account) const {
    double sum = 0;
    for (const auto& p : history.positions())
      if (p.account == account) sum += p.qty;
    return sum;
  }
  // Steps the feed until the result of a tick is not empty (at most `limit` ticks).
  OrderResult tickUntilReport(int limit = 20000) {
    for (int k = 0; k < limit; ++k) {
      feed.step(sim::unixNow());
      OrderResult r = book.onTick();
      if (!r.messages.empty()) return r;
    }
    return {};
  }

  sim::Scenario scenario;
  sim::PriceFeed feed;
  sim::TradingHistory history;
  OrderBook book;
  OrderWire wire;
};

TEST_F(OrderDesk, AMarketOrderIsPendingThenFilledThenExecutedAtTheAccountsQuote) {
  double margin = scenario.account(1001)->usedMargin;
  double balance = scenario.account(1001)->balance;
  OrderResult r = marketOrder(1001, true, "2");
  ASSERT_EQ(kinds(r), (std::vector<std::string>{"62/28", "62/23", "67/74"}));
  const ServerMessage& pending = at(r, 0);
  EXPECT_EQ(field(pending, 33), "41");
  EXPECT_EQ(field(pending, 34), "1001");
  EXPECT_EQ(field(pending, 12), "EURUSD");
  EXPECT_EQ(field(pending, 32), "29");
  EXPECT_EQ(field(pending, 36), "45");
  EXPECT_EQ(field(pending, 37), "2");
  EXPECT_EQ(field(pending, 76), "2");
  EXPECT_EQ(field(at(r, 1), 76), "0");
  EXPECT_EQ(field(at(r, 1), 79), field(pending, 79));
  const ServerMessage& exec = at(r, 2);
  EXPECT_EQ(field(exec, 79), field(pending, 79));
  EXPECT_EQ(field(exec, 37), "2");
  EXPECT_EQ(field(exec, 76), "2");
  EXPECT_EQ(field(exec, 38), px(quote().ask));
  EXPECT_EQ(field(exec, 545), "4.00");  // 2 per lot in the group's terms
  // The quantity precedes the remaining quantity and the commission, so the client keeps the
  // commission as sent.
  auto tags = exec.tags();
  EXPECT_LT(std::find(tags.begin(), tags.end(), 37), std::find(tags.begin(), tags.end(), 545));
  EXPECT_EQ(r.changedAccounts, (std::set<int>{1001}));
  EXPECT_FALSE(r.messages[0].requesterOnly);

  EXPECT_DOUBLE_EQ(scenario.account(1001)->usedMargin, margin + 2000);
  EXPECT_DOUBLE_EQ(scenario.account(1001)->usedMargin, 1000 * openQty(1001));
  EXPECT_DOUBLE_EQ(scenario.account(1001)->balance, balance);
  ASSERT_NE(history.position(openedPosition(r)), nullptr);
}

TEST_F(OrderDesk, AFillWithTakeProfitAndStopLossGivesThePositionItsTwoBrackets) {
  std::string tp = px(quote().ask + 0.01), sl = px(quote().ask - 0.01);
  OrderResult r = marketOrder(1001, true, "1", tp, sl);
  ASSERT_EQ(kinds(r), (std::vector<std::string>{"62/28", "62/23", "67/74", "62/28", "62/28"}));
  EXPECT_EQ(field(at(r, 0), 39), tp);
  EXPECT_EQ(field(at(r, 0), 40), sl);
  std::string position = field(at(r, 2), 80);
  for (std::size_t i : {3u, 4u}) {
    EXPECT_EQ(field(at(r, i), 573), position);
    EXPECT_EQ(field(at(r, i), 36), "46") << "a bracket of a buy sells";
    EXPECT_EQ(field(at(r, i), 37), "1");
    // The bracket rule of the client reads the order type before the price.
    auto tags = at(r, i).tags();
    EXPECT_LT(std::find(tags.begin(), tags.end(), 32), std::find(tags.begin(), tags.end(), 38));
  }
  EXPECT_EQ(field(at(r, 3), 32), "30");
  EXPECT_EQ(field(at(r, 3), 38), tp);
  EXPECT_EQ(field(at(r, 4), 32), "31");
  EXPECT_EQ(field(at(r, 4), 38), sl);
  EXPECT_EQ(history.bracketsOf(std::stoi(position)).size(), 2u);
}

TEST_F(OrderDesk, SevenLotsFillInPiecesOfTwoEachItsOwnPosition) {
  OrderResult r = marketOrder(1001, false, "7");
  ASSERT_EQ(kinds(r), (std::vector<std::string>{"62/28", "62/22", "67/74", "62/22", "67/74", "62/22", "67/74",
                                                "62/23", "67/74"}));
  std::vector<std::string> remaining, pieces;
  std::set<std::string> positions;
  for (const auto& m : r.messages) {
    if (m.message.type == 62) remaining.push_back(field(m.message, 76));
    if (m.message.type == 67) {
      pieces.push_back(field(m.message, 37));
      positions.insert(field(m.message, 80));
    }
  }
  EXPECT_EQ(remaining, (std::vector<std::string>{"7", "5", "3", "1", "0"}));
  EXPECT_EQ(pieces, (std::vector<std::string>{"2", "2", "2", "1"}));
  EXPECT_EQ(positions.size(), 4u);
}

TEST_F(OrderDesk, ALimitBuyWorksUntilTheAskReachesItsPriceAndFillsOnThatTick) {
  double limit = quote().ask - limitDistance();
  auto o = orderValues(1001, "EURUSD", 30, true, "1", px(limit));
  OrderResult placed = book.order(demo(), wire.newOrder(o));
  ASSERT_EQ(kinds(placed), (std::vector<std::string>{"62/28"}));
  EXPECT_EQ(field(at(placed, 0), 32), "30");
  EXPECT_EQ(field(at(placed, 0), 38), px(limit));
  std::string id = field(at(placed, 0), 79);

  bool filled = false;
  for (int k = 0; k < 20000 && !filled; ++k) {
    feed.step(sim::unixNow());
    bool crossed = quote().ask <= limit + 1e-9;
    OrderResult r = book.onTick();
    std::vector<std::string> mine;
    for (const auto& m : r.messages)
      if (m.message.get(79) == std::string_view(id)) mine.push_back(kindOf(m.message));
    if (!crossed) {
      ASSERT_TRUE(mine.empty()) << "filled at tick " << k << " before the ask reached the limit";
      continue;
    }
    ASSERT_EQ(mine, (std::vector<std::string>{"62/23", "67/74"}));
    EXPECT_EQ(field(r.messages.back().message, 38), px(quote().ask)) << "filled at the ask, not above the limit";
    filled = true;
  }
  EXPECT_TRUE(filled);
  EXPECT_EQ(history.workingOrder(std::stoi(id)), nullptr);
}

TEST_F(OrderDesk, ASellStopFillsOnlyOnceTheBidFallsToItsPrice) {
  double stop = quote().bid - stopDistance();
  auto o = orderValues(1002, "EURUSD", 31, false, "1", px(stop));
  OrderResult placed = book.order(demo(), wire.newOrder(o));
  ASSERT_EQ(kinds(placed), (std::vector<std::string>{"62/28"}));
  std::string id = field(at(placed, 0), 79);
  bool filled = false;
  for (int k = 0; k < 20000 && !filled; ++k) {
    feed.step(sim::unixNow());
    bool crossed = quote().bid <= stop + 1e-9;
    OrderResult r = book.onTick();
    bool mine = !r.messages.empty() && r.messages[0].message.get(79) == std::string_view(id);
    ASSERT_EQ(mine, crossed) << "tick " << k;
    if (mine) {
      EXPECT_EQ(kinds(r), (std::vector<std::string>{"62/23", "67/74"}));
      EXPECT_EQ(field(at(r, 1), 38), px(quote().bid));
      filled = true;
    }
  }
  EXPECT_TRUE(filled);
}

TEST_F(OrderDesk, AWorkingOrderIsModifiedThenCancelledAndRecordedAsCancelled) {
  auto o = orderValues(1001, "EURUSD", 30, true, "1", px(quote().ask * 0.5));
  OrderResult placed = book.order(demo(), wire.newOrder(o));
  int id = std::stoi(field(at(placed, 0), 79));

  auto modify = orderValues(1001, "EURUSD", 30, true, "3", px(quote().ask * 0.6), 42);
  modify.LimitPrice = px(quote().ask * 0.7);
  OrderResult edited = book.editOrder(demo(), wire.editWorkingOrder(modify, id, 2, true, false));
  ASSERT_EQ(kinds(edited), (std::vector<std::string>{"62/75"}));
  EXPECT_EQ(field(at(edited, 0), 79), std::to_string(id));
  EXPECT_EQ(field(at(edited, 0), 37), "3");
  EXPECT_EQ(field(at(edited, 0), 76), "3");
  EXPECT_EQ(field(at(edited, 0), 38), px(quote().ask * 0.6));
  EXPECT_EQ(field(at(edited, 0), 39), px(quote().ask * 0.7));
  EXPECT_EQ(field(at(edited, 0), 40), "-") << "an unticked stop-loss leaves the order without one";

  auto cancel = orderValues(1001, "EURUSD", 29, true, "3", px(quote().ask * 0.6), 43);
  OrderResult cancelled = book.editOrder(demo(), wire.editWorkingOrder(cancel, id, 1));
  ASSERT_EQ(kinds(cancelled), (std::vector<std::string>{"62/24"}));
  EXPECT_EQ(field(at(cancelled, 0), 79), std::to_string(id));
  EXPECT_EQ(field(at(cancelled, 0), 33), "43");
  EXPECT_EQ(field(at(cancelled, 0), 76), "3");
  EXPECT_EQ(history.workingOrder(id), nullptr);
  ASSERT_FALSE(history.cancellations().empty());
  EXPECT_EQ(history.cancellations().back().workingOrder, id);
  EXPECT_EQ(history.cancellations().back().market.ask, quote().ask) << "the market it was cancelled in";

  OrderResult again = book.editOrder(demo(), wire.editWorkingOrder(cancel, id, 1));
  ASSERT_EQ(kinds(again), (std::vector<std::string>{"62/25"}));
  EXPECT_EQ(field(at(again, 0), 79), "-") << "a refused edit must not take a working order off the client's list";
}

TEST_F(OrderDesk, APartlyFilledWorkingOrderCannotBeModifiedButCanBeCancelled) {
  // Seven lots fill in pieces of two; a limit above the ask (allowed in a group without terms) is
  // crossed at the next tick.
  scenario.groups[0].terms.clear();
  auto o = orderValues(1001, "EURUSD", 30, true, "7", px(quote().ask + 0.05));
  int id = std::stoi(field(at(book.order(demo(), wire.newOrder(o)), 0), 79));
  feed.step(sim::unixNow());
  OrderResult first = book.onTick();
  ASSERT_EQ(kinds(first), (std::vector<std::string>{"62/22", "67/74"}));
  EXPECT_EQ(field(at(first, 0), 76), "5");

  auto modify = orderValues(1001, "EURUSD", 30, true, "5", px(quote().ask * 0.5), 42);
  OrderResult refused = book.editOrder(demo(), wire.editWorkingOrder(modify, id, 2));
  ASSERT_EQ(kinds(refused), (std::vector<std::string>{"62/25"}));
  EXPECT_EQ(field(at(refused, 0), 74), "15");
  EXPECT_TRUE(refused.messages[0].requesterOnly);

  OrderResult cancelled = book.editOrder(demo(), wire.editWorkingOrder(modify, id, 1));
  ASSERT_EQ(kinds(cancelled), (std::vector<std::string>{"62/24"}));
  EXPECT_EQ(field(at(cancelled, 0), 76), "5");
}

TEST_F(OrderDesk, EachBuiltInRejectionQuantityGivesItsReasonCodeAndChangesNothing) {
  const std::vector<std::pair<int, int>> rules{{71, 1},  {72, 2},  {73, 5},  {74, 8},  {75, 11},
                                               {76, 12}, {77, 13}, {78, 15}, {79, 50}, {80, 51},
                                               {81, 80}, {82, 81}, {83, 82}, {84, 83}, {85, 99}};
  std::size_t positions = history.positions().size();
  double margin = scenario.account(1001)->usedMargin;
  for (auto [qty, reason] : rules) {
    OrderResult r = marketOrder(1001, true, std::to_string(qty), "", "", 50 + qty);
    ASSERT_EQ(kinds(r), (std::vector<std::string>{"62/25"})) << qty;
    const ServerMessage& m = at(r, 0);
    EXPECT_EQ(field(m, 74), std::to_string(reason)) << qty;
    EXPECT_EQ(field(m, 33), std::to_string(50 + qty));
    EXPECT_EQ(field(m, 37), std::to_string(qty));
    EXPECT_EQ(field(m, 79), "-") << "the client finds the rejected order by its request id";
    EXPECT_TRUE(r.messages[0].requesterOnly);
    EXPECT_TRUE(r.changedAccounts.empty());
  }
  EXPECT_EQ(history.positions().size(), positions);
  EXPECT_DOUBLE_EQ(scenario.account(1001)->usedMargin, margin);
}

TEST_F(OrderDesk, NaturalRejectionsForAccessInstrumentSessionAndMargin) {
  auto reasonOf = [&](const OrderTagValues& o) {
    OrderResult r = book.order(demo(), wire.newOrder(o));
    return r.messages.size() == 1 && r.messages[0].message.get(74) ? field(at(r, 0), 74) : std::string("none");
  };
  EXPECT_EQ(reasonOf(orderValues(2001, "EURUSD", 29, true, "1", "1.08")), "50") << "another user's account";
  EXPECT_EQ(reasonOf(orderValues(1001, "NOSUCH", 29, true, "1", "1.08")), "2");
  EXPECT_EQ(reasonOf(orderValues(1001, "GER40", 29, true, "1", "17850.5")), "80") << "its session executes nothing";
  EXPECT_EQ(reasonOf(orderValues(1002, "EURUSD", 29, true, "30", "1.08")), "13") << "30 x 1000 above 25000 free";
  EXPECT_EQ(reasonOf(orderValues(1001, "EURUSD", 30, true, "1", "0")), "0") << "a limit order without a price";
  scenario.account(1002)->tradingStatus = 4;  // close position only
  EXPECT_EQ(reasonOf(orderValues(1002, "EURUSD", 29, true, "1", "1.08")), "50");
}

// Alice's group counts half of a floating profit and all of a floating loss, as the client counts
// them: in the equity that the account summaries send and the free-margin checks read, and in the
// statement's.
TEST_F(OrderDesk, EquityCountsTheGroupsShareOfTheFloatingProfitOrLoss) {
  const sim::AccountSpec& alice = *scenario.account(2001);
  ASSERT_EQ(scenario.group(alice.group)->leverageOnFProfit, 50);
  ASSERT_EQ(scenario.group(alice.group)->revLeverageOnFLoss, 100);
  sim::PositionRecord p;
  p.id = history.nextPositionId();
  p.account = 2001;
  p.instrument = kEurusd;
  p.initialQty = p.qty = 10;
  p.opened = sim::unixNow() - 60;
  history.addPosition(p);
  sim::DataSetQuery q{"getdsaccountstatement", "alice", 0, "2001", sim::ampTime(p.opened - 30 * 86400),
                      sim::ampTime(p.opened + 120), std::nullopt};
  for (const double below : {0.01, -0.02}) {  // bought well below the bid, then well above it
    history.position(p.id)->price = feed.quoteFor(2001, kEurusd).bid - below;
    const double floating = history.floatingPL(2001, feed);
    ASSERT_GT(floating * below, 0);
    const double equity = alice.balance + floating * (below > 0 ? 0.5 : 1) + alice.collateral + alice.storage;
    EXPECT_NEAR(book.equity(2001), equity, 1e-6);
    AccountStatementInfo statement;
    statement.apply(StatementTables::readAccountStatement(history.dataSet(q, feed)));
    ASSERT_TRUE(statement.EndInfo);
    EXPECT_NEAR(statement.EndInfo->Equity, equity, 0.006);
  }
}

TEST_F(OrderDesk, EachTradingTermOfTheGroupRejectsWithItsOwnReason) {
  // EURUSD in group 1: 1 to 100 lots in steps of 1, on a grid of 0.00001; limits and stops one tick
  // nearer than their distances are refused.
  const double ask = quote().ask;
  const double bid = quote().bid;
  const double stop = stopDistance(), limit = limitDistance();
  auto reasonOf = [&](int typeTag, bool buy, const std::string& qty, const std::string& price,
                      const std::string& tp = "", const std::string& sl = "") {
    auto o = orderValues(1001, "EURUSD", typeTag, buy, qty, price);
    o.LimitPrice = tp;
    o.StopPrice = sl;
    OrderResult r = book.order(demo(), wire.newOrder(o));
    return r.messages.empty() ? std::string("none") : r.messages[0].message.get(74) ? field(at(r, 0), 74) : kinds(r)[0];
  };
  EXPECT_EQ(reasonOf(29, true, "0.5", px(ask)), "61");
  EXPECT_EQ(reasonOf(29, true, "101", px(ask)), "62");
  EXPECT_EQ(reasonOf(29, true, "1.5", px(ask)), "63");
  EXPECT_EQ(reasonOf(30, true, "1", priceText(ask - 0.001 + 0.000004, 6)), "64");
  EXPECT_EQ(reasonOf(31, true, "1", px(ask + stop - kTick)), "65");
  EXPECT_EQ(reasonOf(31, false, "1", px(bid - stop + kTick)), "65");
  EXPECT_EQ(reasonOf(30, true, "1", px(ask - limit + kTick)), "66");
  EXPECT_EQ(reasonOf(30, false, "1", px(bid + limit - kTick)), "66");
  // Take-profit and stop-loss of a buy: above the price it fills at and below the price it closes
  // at by the distances.
  EXPECT_EQ(reasonOf(29, true, "1", px(ask), px(ask + limit - kTick)), "67");
  EXPECT_EQ(reasonOf(29, true, "1", px(ask), px(ask - 0.001)), "67");
  EXPECT_EQ(reasonOf(29, true, "1", px(ask), "", px(bid - stop + kTick)), "68");
  EXPECT_EQ(reasonOf(29, true, "1", px(ask), "", px(ask + 0.001)), "68");
  // A buy stop's position closes at its price less the spread once it fills: its stop-loss lies
  // the stop distance below that, at the bid of now.
  EXPECT_EQ(reasonOf(31, true, "1", px(ask + stop), "", px(bid + kTick)), "68");
  // At the bounds the orders stand.
  EXPECT_EQ(reasonOf(30, true, "1", px(ask - limit)), "62/28");
  EXPECT_EQ(reasonOf(31, true, "1", px(ask + stop), px(ask + stop + limit), px(bid)), "62/28");
}

TEST_F(OrderDesk, ATakeProfitOrStopLossTheAccountsQuoteHasReachedIsRefusedAndNothingFills) {
  // Group 1 deals EURUSD two ticks outside the feed's bid and ask on each side: a bracket at the
  // account's bid or ask is still inside the feed's quote.
  sim::TermSpec& terms = scenario.groups[0].terms[0];
  auto outcome = [&](const OrderResult& r) {
    if (kinds(r) == std::vector<std::string>{"62/25"}) return field(at(r, 0), 74);
    return kinds(r).size() > 1 && kinds(r)[1] == "62/23" ? std::string("filled") : kinds(r).front();
  };
  auto market = [&](bool buy, double tp, double sl) {
    return outcome(marketOrder(1001, buy, "1", tp > 0 ? px(tp) : "", sl > 0 ? px(sl) : ""));
  };

  // A stop distance narrower than the spread is measured from the price the position closes at as
  // well: a stop-loss within it of the bid or the ask is refused by the terms.
  terms.limitMinPips = terms.stopMinPips = 2;
  const sim::Quote q = quote();
  EXPECT_EQ(market(true, 0, q.bid - kTick), "68") << "a long's stop-loss a tick below the bid";
  EXPECT_EQ(market(false, 0, q.ask + kTick), "68") << "a short's stop-loss a tick above the ask";
  EXPECT_EQ(market(true, 0, q.bid - 2 * kTick), "filled");
  EXPECT_EQ(market(false, 0, q.ask + 2 * kTick), "filled");

  // Where no terms hold it, a stop-loss at the closing price, and a take-profit at or before it,
  // are refused by the quote itself, and nothing fills.
  scenario.groups[0].terms.clear();
  const std::size_t positions = history.positions().size();
  const sim::Quote raw = quote();
  EXPECT_EQ(market(true, 0, raw.bid), "1") << "a long's stop-loss at the bid";
  EXPECT_EQ(market(false, 0, raw.ask), "1") << "a short's stop-loss at the ask";
  EXPECT_EQ(market(true, raw.bid, 0), "1");
  EXPECT_EQ(market(true, raw.bid - 10 * kTick, 0), "1");
  EXPECT_EQ(market(false, raw.ask, 0), "1");
  EXPECT_EQ(history.positions().size(), positions) << "nothing filled";
  EXPECT_EQ(market(true, raw.bid + kTick, 0), "filled");
  EXPECT_EQ(market(false, raw.ask - kTick, 0), "filled");
}

TEST_F(OrderDesk, AWorkingOrdersStopLossStaysClearOfThePriceItsPositionClosesAtOnceItFills) {
  // Without distances, a buy limit's position closes at its price less the spread, a sell limit's
  // at its price plus it: a stop-loss at that price would fill with the order.
  sim::TermSpec& terms = scenario.groups[0].terms[0];
  terms.limitMinPips = terms.stopMinPips = 0;
  const sim::Quote q = quote();
  const double spread = q.ask - q.bid;
  auto reasonOf = [&](bool buy, double price, double tp, double sl) {
    auto o = orderValues(1001, "EURUSD", 30, buy, "1", px(price));
    o.LimitPrice = px(tp);
    o.StopPrice = px(sl);
    OrderResult r = book.order(demo(), wire.newOrder(o));
    return r.messages.empty() ? std::string("none") : r.messages[0].message.get(74) ? field(at(r, 0), 74) : kinds(r)[0];
  };
  const double buyAt = q.bid - 0.001;
  const double sellAt = q.ask + 0.001;
  EXPECT_EQ(reasonOf(true, buyAt, buyAt, buyAt - spread), "68");
  EXPECT_EQ(reasonOf(false, sellAt, sellAt, sellAt + spread), "68");
  EXPECT_EQ(reasonOf(true, buyAt, buyAt, buyAt - spread - kTick), "62/28");
  EXPECT_EQ(reasonOf(false, sellAt, sellAt, sellAt + spread + kTick), "62/28");
}

TEST_F(OrderDesk, ABracketEditThatTheAccountsQuoteHasReachedIsRefusedAndLeavesTheBrackets) {
  // Without distances, a bracket edit measured from the closing price lets through one exactly at it.
  sim::TermSpec& terms = scenario.groups[0].terms[0];
  terms.limitMinPips = terms.stopMinPips = 0;
  const int bought = openedPosition(marketOrder(1001, true, "1"));
  const int sold = openedPosition(marketOrder(1001, false, "1"));
  ASSERT_TRUE(bought && sold);
  auto edit = [&](int position, bool isLong, double tp, double sl) {
    auto o = orderValues(1001, "EURUSD", 29, !isLong, "1", px(isLong ? quote().bid : quote().ask), 45);
    if (tp > 0) o.LimitPrice = px(tp);
    if (sl > 0) o.StopPrice = px(sl);
    OrderResult r = book.editOrder(demo(), wire.editBracket(o, position, tp > 0, sl > 0));
    return kinds(r) == std::vector<std::string>{"62/25"} ? field(at(r, 0), 74) : kinds(r).front();
  };
  const sim::Quote q = quote();
  EXPECT_EQ(edit(bought, true, 0, q.bid), "1");
  EXPECT_EQ(edit(bought, true, q.bid, 0), "1");
  EXPECT_EQ(edit(sold, false, 0, q.ask), "1");
  EXPECT_EQ(edit(sold, false, q.ask, 0), "1");
  EXPECT_TRUE(history.bracketsOf(bought).empty() && history.bracketsOf(sold).empty());
  EXPECT_EQ(edit(bought, true, q.bid + kTick, q.bid - kTick), "62/28");
  EXPECT_EQ(edit(sold, false, q.ask - kTick, q.ask + kTick), "62/28");
  // A refused move keeps the brackets where they stood.
  EXPECT_EQ(edit(bought, true, q.bid + kTick, q.bid), "1");
  ASSERT_EQ(history.bracketsOf(bought).size(), 2u);
  for (int b : history.bracketsOf(bought))
    EXPECT_NEAR(history.workingOrder(b)->price, history.workingOrder(b)->orderType == 2 ? q.bid + kTick : q.bid - kTick,
                1e-9);
}

TEST(OrderRules, AnInstrumentRuleAndASessionWithoutMarketOrdersRejectThroughTheScenario) {
  std::string json(sim::Scenario::builtInJson());
  json.replace(json.find("\"orderRules\": ["), 15,
               "\"orderRules\": [{\"instrument\": \"GBPUSD\", \"reject\": 81}, {\"instrument\": \"USDJPY\", "
               "\"account\": 1002, \"reject\": 11},");
  std::string error;
  auto scenario = sim::Scenario::parse(json, error);
  ASSERT_TRUE(scenario) << error;
  scenario->instruments[3].session = 2;  // XAUUSD in the close-only session
  sim::PriceFeed feed(*scenario, 3, sim::unixNow());
  sim::TradingHistory history(*scenario, 3, sim::unixNow());
  OrderBook book(*scenario, history, feed);
  OrderWire wire;
  const sim::UserSpec& demo = *scenario->user("demo");
  auto reasonOf = [&](int account, const char* code) {
    OrderResult r = book.order(demo, wire.newOrder(orderValues(account, code, 29, true, "1", "1")));
    return r.messages.size() == 1 ? field(r.messages[0].message, 74) : std::string("none");
  };
  EXPECT_EQ(reasonOf(1001, "GBPUSD"), "81");
  EXPECT_EQ(reasonOf(1002, "USDJPY"), "11");
  EXPECT_EQ(reasonOf(1001, "USDJPY"), "none");  // filled: the rule names account 1002 only
  EXPECT_EQ(reasonOf(1001, "XAUUSD"), "83");

  for (const char* bad : {R"({"quantity": 5})", R"({"reject": 1})", R"({"instrument": "NOSUCH", "reject": 1})"}) {
    std::string broken(sim::Scenario::builtInJson());
    broken.replace(broken.find("\"orderRules\": ["), 15, std::string("\"orderRules\": [") + bad + ",");
    EXPECT_FALSE(sim::Scenario::parse(broken, error)) << bad;
  }
}

TEST_F(OrderDesk, ClosingPartOfAPositionThenTheRestSettlesEachPartAndMovesTheBalanceByItsProfit) {
  std::string tp = px(quote().ask + 0.05), sl = px(quote().ask - 0.05);
  OrderResult opened = marketOrder(1001, true, "3", tp, sl);
  int position = openedPosition(opened);
  double openPrice = std::stod(field(at(opened, 2), 38));
  double balance = scenario.account(1001)->balance;
  double margin = scenario.account(1001)->usedMargin;

  auto close = orderValues(1001, "EURUSD", 29, false, "1", px(quote().bid), 44);
  OrderResult part = book.order(demo(), wire.closingOrder(close, position));
  ASSERT_EQ(kinds(part), (std::vector<std::string>{"62/28", "62/23", "67/74", "62/75", "62/75", "67/73", "66"}));
  // The close is a market sell of its own, which its execution names.
  EXPECT_EQ(field(at(part, 0), 125), std::to_string(position));
  EXPECT_EQ(field(at(part, 0), 36), "46");
  EXPECT_EQ(field(at(part, 0), 37), "1");
  const ServerMessage& closing = at(part, 2);
  EXPECT_EQ(field(closing, 79), field(at(part, 0), 79));
  EXPECT_EQ(field(closing, 76), "0") << "the closing execution goes straight to the closed positions";
  EXPECT_EQ(field(closing, 38), px(quote().bid));
  EXPECT_EQ(field(at(part, 3), 37), "2") << "the brackets follow the position's size";
  EXPECT_EQ(field(at(part, 5), 80), std::to_string(position));
  EXPECT_EQ(field(at(part, 5), 76), "2");
  EXPECT_EQ(field(at(part, 5), 37), "3");
  const ServerMessage& settled = at(part, 6);
  EXPECT_EQ(field(settled, 12), "1") << "settlements name the instrument by its id";
  EXPECT_EQ(field(settled, 80), std::to_string(position));
  EXPECT_EQ(field(settled, 87), field(closing, 80));
  EXPECT_EQ(field(settled, 89), "1");
  double pl = std::round((quote().bid - openPrice) * 100000 * 100) / 100;
  EXPECT_NEAR(std::stod(field(settled, 88)), pl, 0.011);
  EXPECT_EQ(field(settled, 545), "2.00") << "the commission of the lot settled";
  EXPECT_NEAR(scenario.account(1001)->balance, balance + booked(settled), 1e-6);
  EXPECT_DOUBLE_EQ(scenario.account(1001)->usedMargin, margin - 1000);

  close.OrderQty = "2";
  OrderResult rest = book.order(demo(), wire.closingOrder(close, position));
  ASSERT_EQ(kinds(rest), (std::vector<std::string>{"62/28", "62/23", "67/74", "62/24", "62/24", "67/73", "66"}));
  EXPECT_EQ(field(at(rest, 3), 573), std::to_string(position));
  EXPECT_EQ(field(at(rest, 5), 76), "0");
  EXPECT_EQ(history.position(position), nullptr);
  EXPECT_TRUE(history.bracketsOf(position).empty());
  EXPECT_DOUBLE_EQ(scenario.account(1001)->usedMargin, margin - 3000);
  EXPECT_DOUBLE_EQ(scenario.account(1001)->usedMargin, 1000 * openQty(1001));

  OrderResult gone = book.order(demo(), wire.closingOrder(close, position));
  ASSERT_EQ(kinds(gone), (std::vector<std::string>{"62/25"}));
  EXPECT_EQ(field(at(gone, 0), 74), "5");
}

TEST_F(OrderDesk, AYenPositionSettlesInTheAccountCurrencyByTheConversionItem) {
  // USDJPY counts its profit in yen and converts it by its own mid (calculation mode 6).
  const sim::Quote jpy = quote(2);
  auto buy = orderValues(1001, "USDJPY", 29, true, "1", priceText(jpy.ask, 3));
  OrderResult opened = book.order(demo(), wire.newOrder(buy));
  int position = openedPosition(opened);
  ASSERT_NE(position, 0);
  for (int k = 0; k < 5; ++k) feed.step(sim::unixNow());
  double open = history.position(position)->price;
  double expected = std::round((quote(2).bid - open) * 100000 / quote(2).mid() * 100) / 100;
  auto close = orderValues(1001, "USDJPY", 29, false, "1", priceText(quote(2).bid, 3));
  OrderResult closed = book.order(demo(), wire.closingOrder(close, position));
  ASSERT_EQ(kinds(closed), (std::vector<std::string>{"62/28", "62/23", "67/74", "67/73", "66"}));
  EXPECT_NEAR(std::stod(field(at(closed, 4), 88)), expected, 0.011);
  EXPECT_LT(std::fabs(expected), 1000) << "a yen move of a lot is worth dollars, not yen";
}

TEST_F(OrderDesk, BracketEditsPlaceMoveAndClearTakeProfitAndStopLoss) {
  int position = openedPosition(marketOrder(1001, true, "1"));
  auto edit = orderValues(1001, "EURUSD", 29, false, "1", px(quote().ask), 45);
  edit.LimitPrice = px(quote().ask + 0.02);
  OrderResult placed = book.editOrder(demo(), wire.editBracket(edit, position, true, false));
  ASSERT_EQ(kinds(placed), (std::vector<std::string>{"62/28"}));
  EXPECT_EQ(field(at(placed, 0), 32), "30");
  EXPECT_EQ(field(at(placed, 0), 573), std::to_string(position));
  EXPECT_EQ(field(at(placed, 0), 38), *edit.LimitPrice);

  edit.LimitPrice = px(quote().ask + 0.03);
  edit.StopPrice = px(quote().ask - 0.03);
  OrderResult moved = book.editOrder(demo(), wire.editBracket(edit, position, true, true));
  ASSERT_EQ(kinds(moved), (std::vector<std::string>{"62/75", "62/28"}));
  EXPECT_EQ(field(at(moved, 0), 38), *edit.LimitPrice);
  EXPECT_EQ(field(at(moved, 0), 573), std::to_string(position));
  EXPECT_EQ(field(at(moved, 1), 32), "31");

  OrderResult cleared = book.editOrder(demo(), wire.editBracket(edit, position, false, false));
  ASSERT_EQ(kinds(cleared), (std::vector<std::string>{"62/24", "62/24"}));
  EXPECT_TRUE(history.bracketsOf(position).empty());

  OrderResult unchanged = book.editOrder(demo(), wire.editBracket(edit, position, false, false));
  EXPECT_TRUE(unchanged.messages.empty());
  EXPECT_EQ(unchanged.changedAccounts, (std::set<int>{1001}));

  OrderResult missing = book.editOrder(demo(), wire.editBracket(edit, 999999, true, false));
  ASSERT_EQ(kinds(missing), (std::vector<std::string>{"62/25"}));
  EXPECT_EQ(field(at(missing, 0), 74), "5");
}

TEST_F(OrderDesk, AStopLossReachedByTheFeedClosesThePositionAndCancelsItsTakeProfit) {
  // A stop-loss of a buy as near as it may be, the stop distance below the bid: the first tick whose
  // bid is at or below it fills it.
  double sl = quote().bid - stopDistance();
  OrderResult opened = marketOrder(1001, true, "1", px(quote().ask + 0.05), px(sl));
  int position = openedPosition(opened);
  double balance = scenario.account(1001)->balance;
  OrderResult r = tickUntilReport();
  ASSERT_EQ(kinds(r), (std::vector<std::string>{"62/23", "67/74", "62/24", "67/73", "66"}));
  EXPECT_LE(quote().bid, sl + 1e-9);
  EXPECT_EQ(field(at(r, 0), 32), "31");
  EXPECT_EQ(field(at(r, 0), 573), std::to_string(position));
  EXPECT_EQ(field(at(r, 1), 38), px(quote().bid));
  EXPECT_EQ(field(at(r, 2), 32), "30");
  EXPECT_EQ(field(at(r, 3), 76), "0");
  EXPECT_EQ(history.position(position), nullptr);
  EXPECT_NEAR(scenario.account(1001)->balance, balance + booked(at(r, 4)), 1e-6);
  EXPECT_LT(std::stod(field(at(r, 4), 88)), 0) << "a stop-loss of a buy under the opening price loses";
}

TEST_F(OrderDesk, ABulkOrderPlacesOneOrderPerRowUnderTheRowsRequestId) {
  auto o = orderValues(0, "EURUSD", 29, true, "", px(quote().ask));
  OrderResult r = book.bulkOrder(demo(), wire.bulkOrder(o, {{1001, 1}, {1002, 2}, {2001, 1}}));
  ASSERT_EQ(kinds(r), (std::vector<std::string>{"62/28", "62/23", "67/74", "62/28", "62/23", "67/74", "62/25"}));
  EXPECT_EQ(field(at(r, 0), 34), "1001");
  EXPECT_EQ(field(at(r, 2), 37), "1");
  EXPECT_EQ(field(at(r, 3), 34), "1002");
  EXPECT_EQ(field(at(r, 5), 37), "2");
  for (std::size_t i = 0; i < r.messages.size(); ++i) EXPECT_EQ(field(at(r, i), 33), "41") << i;
  EXPECT_EQ(field(at(r, 6), 34), "2001");
  EXPECT_EQ(field(at(r, 6), 74), "50");
  EXPECT_TRUE(r.messages[6].requesterOnly);
  EXPECT_EQ(r.changedAccounts, (std::set<int>{1001, 1002}));

  ServerMessage broken = wire.bulkOrder(o, {});
  EXPECT_EQ(kinds(book.bulkOrder(demo(), broken)), (std::vector<std::string>{"62/25"}));
}

TEST_F(OrderDesk, AnOffsetClosesThePairsRepliesThenSettlesEachPair) {
  int buy = openedPosition(marketOrder(1002, true, "3"));
  int sell1 = openedPosition(marketOrder(1002, false, "1"));
  int sell2 = openedPosition(marketOrder(1002, false, "2"));
  double buyPrice = history.position(buy)->price, sellPrice = history.position(sell1)->price;
  double balance = scenario.account(1002)->balance;
  double margin = scenario.account(1002)->usedMargin;

  OrderResult r = book.offset(demo(), wire.offset(1002, "EURUSD", {std::to_string(buy), "3"},
                                                  {{std::to_string(sell1), "1"}, {std::to_string(sell2), "2"}}));
  ASSERT_EQ(kinds(r), (std::vector<std::string>{"1052", "67/73", "67/73", "67/73", "66", "66"}));
  EXPECT_EQ(field(at(r, 0), 17), "Success");
  EXPECT_EQ(field(at(r, 1), 80), std::to_string(sell1));
  EXPECT_EQ(field(at(r, 3), 80), std::to_string(buy));
  for (std::size_t i : {1u, 2u, 3u}) EXPECT_EQ(field(at(r, i), 76), "0");
  EXPECT_EQ(field(at(r, 4), 80), std::to_string(buy));
  EXPECT_EQ(field(at(r, 4), 87), std::to_string(sell1));
  EXPECT_EQ(field(at(r, 5), 87), std::to_string(sell2));
  EXPECT_EQ(field(at(r, 5), 89), "2");
  double pl = std::round((sellPrice - buyPrice) * 100000 * 100) / 100;
  EXPECT_NEAR(std::stod(field(at(r, 4), 88)), pl, 0.011);
  // Each pair settles lots of both positions: the commission of both (2 per lot).
  EXPECT_EQ(field(at(r, 4), 545), "4.00");
  EXPECT_EQ(field(at(r, 5), 545), "8.00");
  EXPECT_NEAR(scenario.account(1002)->balance, balance + booked(at(r, 4)) + booked(at(r, 5)), 1e-6);
  EXPECT_DOUBLE_EQ(scenario.account(1002)->usedMargin, margin - 6000);
  EXPECT_EQ(history.position(buy), nullptr);
}

TEST_F(OrderDesk, AnOffsetThatDoesNotAddUpOrNamesAClosedPositionIsRefusedWholly) {
  int buy = openedPosition(marketOrder(1002, true, "2"));
  int sell = openedPosition(marketOrder(1002, false, "1"));
  int sameSide = openedPosition(marketOrder(1002, true, "1"));
  auto refused = [&](const OffsetEntry& first, std::vector<OffsetEntry> opposite) {
    OrderResult r = book.offset(demo(), wire.offset(1002, "EURUSD", first, opposite));
    return kinds(r) == std::vector<std::string>{"62/25", "1052"} && field(at(r, 1), 17) == "Failure"
               ? field(at(r, 0), 74)
               : std::string("accepted");
  };
  EXPECT_EQ(refused({std::to_string(buy), "2"}, {{std::to_string(sell), "1"}}), "0") << "2 against 1";
  EXPECT_EQ(refused({std::to_string(buy), "1"}, {{std::to_string(sameSide), "1"}}), "0") << "same side";
  EXPECT_EQ(refused({std::to_string(buy), "1"}, {{"999999", "1"}}), "5");
  EXPECT_EQ(refused({std::to_string(buy), "2"}, {{std::to_string(sell), "2"}}), "0") << "more than it holds";
  EXPECT_EQ(history.position(buy)->qty, 2);
  EXPECT_EQ(history.position(sell)->qty, 1);

  ServerMessage garbled = wire.offset(1002, "EURUSD", {std::to_string(buy), "1"}, {});
  EXPECT_EQ(kinds(book.offset(demo(), garbled)), (std::vector<std::string>{"62/25", "1052"}));
}

TEST_F(OrderDesk, TheBooksStayConsistentOverAMixOfFillsClosesAndBrackets) {
  double start = scenario.account(1001)->balance;
  std::size_t settledBefore = history.settlements().size();
  for (int k = 0; k < 6; ++k) {
    bool buy = k % 2 == 0;
    // Take-profit and stop-loss as near as they may be: from the price the order fills at and from
    // the price its position closes at.
    const double price = buy ? quote().ask : quote().bid;
    const double closing = buy ? quote().bid : quote().ask;
    EXPECT_EQ(kinds(marketOrder(1001, buy, std::to_string(1 + k % 3),
                                px(buy ? price + limitDistance() : price - limitDistance()),
                                px(buy ? closing - stopDistance() : closing + stopDistance())))
                  .size(),
              5u);
  }
  for (int k = 0; k < 8000; ++k) {
    feed.step(sim::unixNow());
    book.onTick();
    EXPECT_DOUBLE_EQ(scenario.account(1001)->usedMargin, 1000 * openQty(1001));
  }
  double settled = 0;
  for (std::size_t i = settledBefore; i < history.settlements().size(); ++i)
    settled += history.settlements()[i].pl - history.settlements()[i].commission;
  EXPECT_GT(history.settlements().size(), settledBefore) << "the feed moved through some brackets";
  EXPECT_NEAR(scenario.account(1001)->balance, start + settled, 1e-6);
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
  return parts;
}

TEST_F(OrderDesk, TheDaysExecutedPositionsKeepThoseClosedSinceWithTheOrdersTheyFilled) {
  const OrderResult bought = marketOrder(1001, true, "3"), sold = marketOrder(1001, false, "2");
  const int kept = openedPosition(bought), closed = openedPosition(sold);
  book.order(demo(), wire.closingOrder(orderValues(1001, "EURUSD", 29, false, "1", px(quote().bid), 44), kept));
  const auto buyBack = orderValues(1001, "EURUSD", 29, true, "2", px(quote().ask), 45);
  const OrderResult boughtBack = book.order(demo(), wire.closingOrder(buyBack, closed));
  const std::string closing = field(at(boughtBack, 2), 80);
  auto intraday = orderValues(1001, "EURUSD", 30, true, "1", px(quote().ask - 0.01), 46);
  intraday.deliveryModeTag = 52;
  const std::string limit = field(at(book.order(demo(), wire.newOrder(intraday)), 0), 79);
  history.workingOrder(std::stoi(limit))->price = quote().ask;  // the market comes to it
  const int filled = openedPosition(book.onTick());

  sim::DataSetQuery q;
  q.context = "getexecutedpositions";
  q.userName = "demo";
  q.from = q.to = sim::ampTime(sim::unixNow());
  std::map<std::string, std::string> terms;  // remaining and ordered quantity, order type, validity, order
  for (const auto& row : split(history.dataSet(q, feed), MessageInnerTagSeperatorthr)) {
    const auto c = split(row, MessageInnerTagSeperatortw);
    terms[c.at(0)] = c.at(4) + " " + c.at(5) + " " + c.at(7) + " " + c.at(8) + " " + c.at(12);
  }
  EXPECT_EQ(terms[std::to_string(kept)], "2 3 1 1 " + field(at(bought, 0), 79));
  EXPECT_EQ(terms[std::to_string(closed)], "0 2 1 1 " + field(at(sold, 0), 79)) << "closed the day it opened";
  EXPECT_EQ(terms[closing], "0 2 1 1 " + field(at(boughtBack, 0), 79)) << "the closing execution, with its order";
  EXPECT_EQ(terms[std::to_string(filled)], "1 1 2 2 " + limit);
}

// Each seeded working order, take-profit and stop-loss, put to the desk as an edit that keeps it,
// passes the desk's own checks (tick grid, distance from the market, side of the position); the prices
// of positions (open, settled and closing) lie on the tick grid, a cancelled sell stop below the market.
TEST(SeededBook, EverySeededPriceIsOneTheDeskWouldTake) {
  for (std::uint64_t seed = 1; seed <= 40; ++seed) {
    sim::Scenario scenario = sim::Scenario::builtIn();
    sim::PriceFeed feed(scenario, seed, sim::unixNow());
    sim::TradingHistory history(scenario, seed, sim::unixNow());
    OrderBook book(scenario, history, feed);
    OrderWire wire;
    for (const sim::WorkingOrderRecord& w : std::vector(history.workingOrders())) {
      const sim::InstrumentSpec& i = *scenario.instrument(w.instrument);
      const std::string price = priceText(w.price, i.decimals);
      auto o = orderValues(w.account, i.code, 30, w.isBuy, OrderBook::quantityText(w.qty), price);
      (w.orderType == 2 ? o.LimitPrice : o.StopPrice) = price;
      const auto edit = w.bracketOf ? wire.editBracket(o, w.bracketOf, w.orderType == 2, w.orderType == 3)
                                    : wire.editWorkingOrder(o, w.id, 2);
      for (const auto& m : book.editOrder(*scenario.ownerOf(w.account), edit).messages)
        EXPECT_NE(field(m.message, 73), "25") << seed << ": " << i.code << " " << price << " " << field(m.message, 74);
    }
    const auto onGrid = [&](int instrument, double p) { return isOnTickGrid(*scenario.instrument(instrument), p); };
    for (const auto& p : history.executions()) EXPECT_TRUE(onGrid(p.instrument, p.price)) << seed;  // settled too
    for (const auto& c : history.cancellations())
      EXPECT_TRUE(onGrid(c.instrument, c.price) && c.price < c.market.bid) << seed;
  }
}

TEST(OrderQuantities, QuantitiesGoOnTheWireWithoutTrailingZeros) {
  EXPECT_EQ(OrderBook::quantityText(2), "2");
  EXPECT_EQ(OrderBook::quantityText(2.5), "2.5");
  EXPECT_EQ(OrderBook::quantityText(0), "0");
  EXPECT_EQ(OrderBook::quantityText(1e-12), "0");
  EXPECT_EQ(OrderBook::quantityText(0.123456), "0.123456");
}

}  // namespace
}  // namespace td::testing
