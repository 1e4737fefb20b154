// The prices an account deals at, through the client's own layers against the simulated server: the
// client shows every quote with the spread of the user's group, and the server fills and values the
// account's positions at that same quote. The feed stands still, so both sides look at one quote.

#include <gtest/gtest.h>

#include <set>

#include "SimServerDesk.h"
#include "session/trading/ProfitAndLoss.h"
#include "wire/OrderRequests.h"

namespace td::testing {
namespace {

constexpr int kAccount = 1002;  // demo's hedged account: a sell opens a position of its own
// Longer than any test: no tick moves the quotes of the login.
constexpr int kStillFeedMs = 600000;

class DealingQuotesTest : public SimServerDeskTest {
 protected:
  DealingQuotesTest() : SimServerDeskTest(kStillFeedMs) {}

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

}  // namespace
}  // namespace td::testing
