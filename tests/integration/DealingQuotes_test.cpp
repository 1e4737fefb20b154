// The prices an account deals at, through the client's own layers against the simulated server: the
// client shows every quote with the spread of the user's group, and the server fills and values the
// account's positions at that same quote; where the user's groups spread differently, each account
// is held to its own. The feed stands still, so both sides look at one quote.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "SimServerDesk.h"
#include "session/trading/ProfitAndLoss.h"
#include "wire/OrderRequests.h"

namespace td::testing {
namespace {

using ::testing::Each;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr int kAccount = 1002;  // demo's hedged account: a sell opens a position of its own
// Longer than any test: no tick moves the quotes of the login.
constexpr int kStillFeedMs = 600000;

class DealingQuotesTest : public SimServerDeskTest {
 protected:
  explicit DealingQuotesTest(sim::Scenario scenario = sim::Scenario::builtIn())
      : SimServerDeskTest(kStillFeedMs, std::move(scenario)) {}

  // A price as the windows show it: in the item's decimals.
  std::string shown(const std::string& code, double price) const {
    return Formatter::formatDecimal(price, session->referenceData().item(code)->DecimalPlaces);
  }
};

// The instruments of the demo group's terms with a spread: top-up (EURUSD, XAUUSD), fixed (USDJPY,
// valued through its own mid) and fixed when wider than the market's (GBPUSD).
TEST_F(DealingQuotesTest, MarketOrdersFillAtTheShownQuoteAndTheStatementValuesPositionsAsTheClientDoes) {
  ASSERT_TRUE(until([&] {
    const auto item = session->referenceData().item("EURUSD");
    return item && item->Bid > 0 && !session->getOpenOrderCollection().empty();
  }));
  for (const std::string code : {"EURUSD", "XAUUSD", "USDJPY", "GBPUSD"}) {
    for (int side : {0, 1}) {
      const auto item = session->referenceData().item(code);
      ASSERT_TRUE(item && item->Spreadtype != SpreadTypeNone) << code;
      const std::string quoted = shown(code, side == 0 ? item->Ask : item->Bid);
      const std::set<std::string> known = positionIds();
      ASSERT_TRUE(desk->PlaceOrder(marketOrder(code, kAccount, side, "1")));
      std::shared_ptr<Order> filled;
      ASSERT_TRUE(until([&] {
        for (const auto& p : session->getOpenOrderCollection())
          if (!known.count(p->OpenPositionId) && p->ItemCode == code) filled = p;
        return filled != nullptr;
      })) << code;
      EXPECT_EQ(shown(code, OrderRequests::leadingNumber(filled->OrderPrice)), quoted)
          << code << (side == 0 ? " bought at the ask shown" : " sold at the bid shown");
    }
  }

  // Every open position of the account, seeded or just filled, at the statement's end: its current
  // price is the one the positions list shows, and its profit the one the client computes there.
  const AccountStatementInfo* statement = wholeStatement(kAccount);
  ASSERT_NE(statement, nullptr);
  ASSERT_GE(statement->OpenPositionInfo.size(), 10u);
  for (const OpenPositionHistoryInfo& p : statement->OpenPositionInfo) {
    const auto listed = position(p.OpenPositionId);
    ASSERT_TRUE(listed) << p.OpenPositionId;
    const auto item = session->referenceData().item(listed->ItemCode);
    ASSERT_TRUE(item);
    EXPECT_EQ(shown(item->Code, p.CurrentPrice), shown(item->Code, listed->tradingMode == 0 ? item->Bid : item->Ask))
        << item->Code << " " << p.OpenPositionId;
    Order valued = *listed;
    ProfitAndLoss::CalcPL(valued, session->referenceData());
    EXPECT_NEAR(p.UnrealisedPL, valued.UnrealisedPL, 0.0051) << item->Code << " " << p.OpenPositionId;
  }
}

// Demo's second account in the other group, whose EURUSD spread (a top-up of 0 and 1 tick) differs
// from the first's (2 and 2): the client shows the feed's own quote, and each account deals at it
// widened by its own group's spread.
class TwoGroupQuotesTest : public DealingQuotesTest {
 protected:
  TwoGroupQuotesTest() : DealingQuotesTest([] {
    sim::Scenario scenario = sim::Scenario::builtIn();
    scenario.account(1002)->group = 2;
    return scenario;
  }()) {}
};

// Market, limit and stop orders of each account, and bracket edits of its positions, at the very
// entry, take-profit and stop-loss bounds the client names for that account pass the client's check
// and the server's.
TEST_F(TwoGroupQuotesTest, OrdersAtTheBoundsTheClientNamesForEachAccountPassTheServerToo) {
  ASSERT_TRUE(until([&] { return !session->getPendingOrderCollection().empty(); }));
  std::set<std::string> known = positionIds();
  for (const auto& o : session->getPendingOrderCollection()) known.insert(o->PendingOrderId);
  int placed = 0;
  for (const std::int32_t account : {1001, 1002}) {
    for (const int type : {1, 2, 3}) {
      for (const int side : {0, 1}) {
        OrderInfo info = eurusd(account, side, "1");
        info.orderType = type;
        if (type != 1) info.price = desk->OrderTypeChange(type, side, "EURUSD", {&account, 1}, PriceBounds::kNumber);
        info.TakeProfitEnabled = info.StopLossEnabled = true;
        info.limitPrice = desk->UpdateTakeProfitandStopLoss(1 - side, "EURUSD", true, account, type, info.price, 0);
        info.stopPrice = desk->UpdateTakeProfitandStopLoss(1 - side, "EURUSD", false, account, type, info.price, 0);
        ASSERT_TRUE(desk->PlaceOrder(info)) << account << " " << type << " " << side;
        ++placed;
      }
    }
  }
  // Each order becomes a position or a working order, unless the server rejects it.
  const auto answered = [&] {
    int n = 0;
    for (const auto& p : session->getOpenOrderCollection()) n += !known.count(p->OpenPositionId);
    for (const auto& o : session->getPendingOrderCollection())
      n += !known.count(o->PendingOrderId) && !o->PendingOrderId.empty() && o->RefPositionIdOfBracket.empty();
    for (const std::string& shown : alerts->shown) n += shown.find("Rejected") != std::string::npos;
    return n;
  };
  EXPECT_TRUE(until([&] { return answered() >= placed; }));

  // A bracket edit of each new long at its account's bounds, from the Bid it closes at.
  std::vector<std::pair<std::shared_ptr<Order>, std::string>> edited;
  for (const auto& p : session->getOpenOrderCollection()) {
    if (known.count(p->OpenPositionId) || p->tradingMode != 0) continue;
    const std::int32_t account = std::stoi(p->AccountNumber);
    OrderInfo edit = eurusd(account, 1, p->RemainingQty);
    edit.isEBO = edit.TakeProfitEnabled = edit.StopLossEnabled = true;
    edit.orderNo = p->OpenPositionId;
    edit.price = p->OrderPrice;
    for (const bool takeProfit : {true, false}) {
      (takeProfit ? edit.limitPrice : edit.stopPrice) = desk->UpdateTakeProfitandStopLoss(
          1, "EURUSD", takeProfit, account, 1, "", 0, PriceBounds::BracketOf::PositionEdit);
    }
    ASSERT_TRUE(desk->PlaceEditBracketOrder(edit)) << account;
    edited.emplace_back(p, edit.stopPrice);
  }
  EXPECT_EQ(edited.size(), 2u);
  EXPECT_TRUE(until([&] {
    return std::all_of(edited.begin(), edited.end(), [](const auto& e) { return e.first->StopPrice == e.second; }) ||
           std::any_of(alerts->shown.begin(), alerts->shown.end(),
                       [](const std::string& shown) { return shown.find("Rejected") != std::string::npos; });
  }));
  EXPECT_THAT(alerts->shown, Each(Not(HasSubstr("Rejected"))));
}

}  // namespace
}  // namespace td::testing
