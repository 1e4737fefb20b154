#include "orders/PriceBounds.h"

#include <gtest/gtest.h>

#include "OrderTestSupport.h"
#include "orders/OrderGenerator.h"
#include "wire/Formatter.h"

namespace td::testing {
namespace {

TEST(PriceBoundsTest, ContingentPriceWithZeroOffsetIsThePriceWhateverTheFlag) {
  EXPECT_EQ(PriceBounds::CalculateContingentPrice(true, 1.25, 0), 1.25);
  EXPECT_EQ(PriceBounds::CalculateContingentPrice(false, 1.25, 0), 1.25);
  EXPECT_DOUBLE_EQ(PriceBounds::CalculateContingentPrice(true, 1.25, 0.5), 1.75);
  EXPECT_DOUBLE_EQ(PriceBounds::CalculateContingentPrice(false, 1.25, 0.5), 0.75);
}

TEST(PriceBoundsTest, TickRemainderIsCountedInUnitsOfTheLastDecimal) {
  EXPECT_TRUE(PriceBounds::CheckTickPrice(1.2345, 4, 0.0005).isZero());
  EXPECT_EQ(PriceBounds::CheckTickPrice(1.2346, 4, 0.0005), Decimal::fromInt(1));
  EXPECT_EQ(PriceBounds::CheckTickPrice(1.2349, 4, 0.0005), Decimal::fromInt(4));
  // Binary fractions just below the grid point still land on it.
  EXPECT_TRUE(PriceBounds::isOnTick(1.1, 5, 0.00001));
  EXPECT_TRUE(PriceBounds::isOnTick(0.3, 2, 0.1));
  EXPECT_FALSE(PriceBounds::isOnTick(0.35, 2, 0.1));
}

TEST(PriceBoundsTest, TickSizeZeroMeansNoGrid) {
  EXPECT_TRUE(PriceBounds::isOnTick(1.23456789, 4, 0));
  EXPECT_TRUE(PriceBounds::isOnTick(1.2345, 4, -0.0001));
  // A tick too small to show in six decimals of the price's units.
  EXPECT_TRUE(PriceBounds::isOnTick(1.2345, 0, 1e-9));
}

class PriceBoundsDataTest : public ::testing::Test {
 protected:
  // The validation of an order of the type (or a position's bracket edit) for a position on the side
  // (0 long), at the entry price text, with one take-profit or stop-loss price, at the quote now.
  CheckFailure check(int orderType, PriceBounds::BracketOf of, int positionSide, const std::string& entry,
                     bool takeProfit, const std::string& price) {
    const bool edit = of == PriceBounds::BracketOf::PositionEdit;
    OrderInfo info = marketBuy();
    info.orderType = orderType;
    info.price = entry;
    info.tradingMode = edit ? (positionSide == 0 ? 1 : 0) : positionSide;
    info.isEBO = edit;
    (takeProfit ? info.limitPrice : info.stopPrice) = price;
    (takeProfit ? info.TakeProfitEnabled : info.StopLossEnabled) = true;
    const Order order = OrderGenerator::buildOrder(info, t.data, {40, "20240102030405"}, true);
    return OrderValidator(t.context()).Validate(order);
  }

  // An instrument's quote, grid and decimals, and its group's distances (both in ticks).
  struct Instrument {
    const char* name;
    double bid, ask, tick;
    int decimals, pips;
  };
  void trade(const Instrument& in) {
    t.item->Bid = in.bid;
    t.item->Ask = in.ask;
    t.item->TickSize = in.tick;
    t.item->DecimalPlaces = in.decimals;
    t.terms->LimitMinPips = t.terms->StopMinPips = in.pips;
  }

  // The requests a take-profit and a stop-loss go with.
  struct Request {
    const char* name;
    int orderType;
    PriceBounds::BracketOf of;
  };
  static constexpr Request kRequests[] = {{"market order", 1, PriceBounds::BracketOf::OrderEntry},
                                          {"limit order", 2, PriceBounds::BracketOf::OrderEntry},
                                          {"stop order", 3, PriceBounds::BracketOf::OrderEntry},
                                          {"position edit", 1, PriceBounds::BracketOf::PositionEdit}};

  TradingData t;
};

TEST_F(PriceBoundsDataTest, EntryBoundsOfStopAndLimitOrdersOnBothSides) {
  // Ask 1.2000, Bid 1.1998, 10 pips of 0.0001.
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 3, 0, "EURUSD", 1001, 0), "1.2010");
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 3, 0, "EURUSD", 1001, 1), ">= 1.2010");
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 3, 1, "EURUSD", 1001, 1), "<= 1.1988");
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 2, 0, "EURUSD", 1001, 1), "<= 1.1990");
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 2, 1, "EURUSD", 1001, 1), ">= 1.2008");
  // Any side but 0 is a sell.
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 2, 7, "EURUSD", 1001, 0), "1.2008");
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 1, 0, "EURUSD", 1001, 1), "");
}

TEST_F(PriceBoundsDataTest, BidOfZeroIsReplacedByLast) {
  t.item->Bid = 0;
  t.item->Last = 1.1;
  t.terms->LimitMinPips = 5;
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 2, 1, "EURUSD", 1001, 0), "1.1005");
}

TEST_F(PriceBoundsDataTest, UnknownAccountOrTermsGiveTheQuoteItselfAndUnknownItemTwoDecimals) {
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 3, 0, "EURUSD", 9999, 0), "1.2000");
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 3, 0, "XAUUSD", 1001, 0), "0.00");
  EXPECT_EQ(PriceBounds::UpdateTakeProfitandStopLoss(t.data, 1, "XAUUSD", false, 1001, 1, "", 0), "0.00");
}

TEST_F(PriceBoundsDataTest, BracketProposalsOfOrdersAndOfAPositionsEdit) {
  using enum PriceBounds::BracketOf;
  const auto propose = [this](int side, bool takeProfit, int type, const char* price, PriceBounds::BracketOf of) {
    return PriceBounds::UpdateTakeProfitandStopLoss(t.data, side, "EURUSD", takeProfit, 1001, type, price, 1, of);
  };
  // A market buy (protecting side 1) is priced at the Ask; its stop-loss also keeps the stop
  // distance from the Bid it would close at.
  EXPECT_EQ(propose(1, true, 1, "", OrderEntry), ">= 1.2010");
  EXPECT_EQ(propose(1, false, 1, "", OrderEntry), "<= 1.1988");
  // A market sell: priced at the Bid, closing at the Ask.
  EXPECT_EQ(propose(0, true, 1, "", OrderEntry), "<= 1.1988");
  EXPECT_EQ(propose(0, false, 1, "", OrderEntry), ">= 1.2010");
  // A position's bracket edit is a market order on the closing side: a long's at the Bid, a
  // short's at the Ask.
  EXPECT_EQ(propose(1, true, 1, "", PositionEdit), ">= 1.2008");
  EXPECT_EQ(propose(1, false, 1, "", PositionEdit), "<= 1.1988");
  EXPECT_EQ(propose(0, true, 1, "", PositionEdit), "<= 1.1990");
  EXPECT_EQ(propose(0, false, 1, "", PositionEdit), ">= 1.2010");
  // A limit or stop order from its price text (without one, from the quote its record takes), and
  // from the price its position closes at once it fills: 2 ticks of spread below it for a long,
  // above it for a short.
  EXPECT_EQ(propose(1, true, 2, "1.1500", OrderEntry), ">= 1.1510");
  EXPECT_EQ(propose(1, false, 2, "1.1500", OrderEntry), "<= 1.1488");
  EXPECT_EQ(propose(0, true, 3, "1.3", OrderEntry), "<= 1.2990");
  EXPECT_EQ(propose(0, false, 3, "1.3", OrderEntry), ">= 1.3012");
  EXPECT_EQ(propose(1, false, 2, "", OrderEntry), "<= 1.1988");
}

TEST_F(PriceBoundsDataTest, AQuoteOfZeroIsReplacedByLastAndProposalsLieOnTheTickGrid) {
  t.item->Ask = 0;
  t.item->Last = 1.1999;
  t.terms->LimitMinPips = 0;
  EXPECT_EQ(PriceBounds::UpdateTakeProfitandStopLoss(t.data, 1, "EURUSD", true, 1001, 1, "", 0), "1.1999");
  EXPECT_EQ(PriceBounds::UpdateTakeProfitandStopLoss(t.data, 0, "EURUSD", false, 1001, 1, "", 0), "1.2009");
  // A grid of 5 ticks: bounds between two grid points move away from the market.
  t.item->Ask = 1.2001;
  t.item->TickSize = 0.0005;
  t.terms->StopMinPips = 2;
  t.terms->LimitMinPips = 2;
  EXPECT_EQ(PriceBounds::UpdateTakeProfitandStopLoss(t.data, 1, "EURUSD", true, 1001, 1, "", 1), ">= 1.2015");
  EXPECT_EQ(PriceBounds::UpdateTakeProfitandStopLoss(t.data, 1, "EURUSD", false, 1001, 1, "", 1), "<= 1.1985");
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 3, 0, "EURUSD", 1001, 1), ">= 1.2015");
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 2, 0, "EURUSD", 1001, 1), "<= 1.1990");
}

// Every proposal passes the check of the request it goes with, on every instrument a trader meets:
// a spread wider than the distances with a quote finer than the decimals shown, no distances at all
// with no spread, and a tick finer than the decimals shown (0.25 with one decimal, whose grid
// points 100.25 and 100.75 are written off the grid). No leg lies at or beyond the quote the
// position closes at, where it would be triggered at once: the quote now for a market order and a
// position's bracket edit, for a limit or stop order the quote once it fills (its price less the
// spread for a long, plus it for a short).
TEST_F(PriceBoundsDataTest, EveryProposalPassesTheCheckOfItsRequestAndNoneTriggersAtOnce) {
  for (const Instrument& in : {Instrument{"wide spread", 1.19876, 1.20004, 0.0001, 4, 5},
                               Instrument{"no distance", 1.2, 1.2, 0.0001, 4, 0},
                               Instrument{"quarter ticks", 100.0, 100.5, 0.25, 1, 1},
                               Instrument{"quarter ticks between", 100.25, 100.75, 0.25, 1, 1}}) {
    trade(in);
    for (const Request& r : kRequests) {
      for (const int positionSide : {0, 1}) {
        for (const bool takeProfit : {true, false}) {
          SCOPED_TRACE(::testing::Message() << in.name << ", " << r.name << (positionSide == 0 ? " long " : " short ")
                                            << (takeProfit ? "take-profit" : "stop-loss"));
          const int protecting = positionSide == 0 ? 1 : 0;
          const std::string entry =
              r.orderType == 1 ? "" : PriceBounds::OrderTypeChange(t.data, r.orderType, positionSide, "EURUSD", 1001, 0);
          const std::string price = PriceBounds::UpdateTakeProfitandStopLoss(t.data, protecting, "EURUSD", takeProfit,
                                                                             1001, r.orderType, entry, 0, r.of);
          EXPECT_EQ(check(r.orderType, r.of, positionSide, entry, takeProfit, price), std::nullopt) << entry << " " << price;
          // A long closes at the Bid: its stop-loss lies below it, its take-profit above.
          const double spread = in.ask - in.bid;
          const double closing = r.orderType == 1 ? (positionSide == 0 ? in.bid : in.ask)
                                                  : std::stod(entry) + (positionSide == 0 ? -spread : spread);
          EXPECT_EQ(std::stod(price) < closing, (positionSide == 0) != takeProfit) << price << " " << closing;
          EXPECT_NE(std::stod(price), closing);
        }
      }
    }
  }
}

// The bound shown beside a field (its hint, and the number its colour compares with) is the one
// the check enforces: a price at the bound passes, and the next price on the grid nearer the market
// is refused with a text that names that very bound. So a field is red exactly when the order
// would be refused, for an entry price and for every take-profit and stop-loss.
TEST_F(PriceBoundsDataTest, TheCheckEnforcesTheBoundItsHintNames) {
  // The next price the instrument writes on its grid beyond `number`, downward when `down`.
  const auto next = [this](const std::string& number, bool down) {
    for (int steps = 1; steps < 10; ++steps) {
      const double value = std::stod(number) + (down ? -steps : steps) * t.item->TickSize;
      const std::string text = Formatter::formatDecimal(value, t.item->DecimalPlaces);
      if (text != number && PriceBounds::isOnTick(std::stod(text), t.item->DecimalPlaces, t.item->TickSize)) return text;
    }
    return std::string();
  };
  const auto refusal = [](const char* name, const std::string& hint) {
    return std::string(name) + (hint.starts_with(">=") ? " price should be greater than or equal to "
                                                        : " price should be less than or equal to ") +
           hint.substr(3);
  };
  for (const Instrument& in : {Instrument{"wide spread", 1.19876, 1.20004, 0.0001, 4, 5},
                               Instrument{"no distance", 1.2, 1.2, 0.0001, 4, 0},
                               Instrument{"grid of five ticks", 1.1998, 1.2001, 0.0005, 4, 2},
                               Instrument{"quarter ticks", 100.0, 100.5, 0.25, 1, 1}}) {
    trade(in);
    for (const Request& r : kRequests) {
      for (const int positionSide : {0, 1}) {
        SCOPED_TRACE(::testing::Message() << in.name << ", " << r.name << (positionSide == 0 ? " long" : " short"));
        std::string entry;
        if (r.orderType != 1) {
          entry = PriceBounds::OrderTypeChange(t.data, r.orderType, positionSide, "EURUSD", 1001, PriceBounds::kNumber);
          const std::string hint =
              PriceBounds::OrderTypeChange(t.data, r.orderType, positionSide, "EURUSD", 1001, PriceBounds::kHint);
          EXPECT_EQ(hint.substr(3), entry);
          OrderInfo info = marketBuy();
          info.orderType = r.orderType;
          info.tradingMode = positionSide;
          info.price = next(entry, hint.starts_with(">="));
          EXPECT_EQ(OrderValidator(t.context()).Validate(OrderGenerator::buildOrder(info, t.data, {40, "20240102030405"}, true)),
                    refusal(r.orderType == 3 ? "Stop" : "Limit", hint));
        }
        for (const bool takeProfit : {true, false}) {
          SCOPED_TRACE(takeProfit ? "take-profit" : "stop-loss");
          const int protecting = positionSide == 0 ? 1 : 0;
          const auto bound = [&](int textForm) {
            return PriceBounds::UpdateTakeProfitandStopLoss(t.data, protecting, "EURUSD", takeProfit, 1001, r.orderType,
                                                            entry, textForm, r.of);
          };
          const std::string hint = bound(PriceBounds::kHint);
          EXPECT_EQ(hint.substr(3), bound(PriceBounds::kNumber));
          EXPECT_EQ(check(r.orderType, r.of, positionSide, entry, takeProfit, hint.substr(3)), std::nullopt);
          EXPECT_EQ(check(r.orderType, r.of, positionSide, entry, takeProfit, next(hint.substr(3), hint.starts_with(">="))),
                    refusal(takeProfit ? "Take Profit" : "Stop Loss", hint));
        }
      }
    }
  }
}

// With a quote near zero, a long's stop-loss and a short's take-profit have no price above zero
// that passes, nor a sell stop: none is proposed, though the hint still names the bound. Where only
// the room would cross zero, the bound itself is proposed, and the check names it.
TEST_F(PriceBoundsDataTest, NoPriceAtOrBelowZeroIsProposedAndABoundAboveZeroIs) {
  t.item->Bid = 0.0003;
  t.item->Ask = 0.0005;
  EXPECT_EQ(PriceBounds::UpdateTakeProfitandStopLoss(t.data, 1, "EURUSD", false, 1001, 1, "", PriceBounds::kPrefill), "");
  EXPECT_EQ(PriceBounds::UpdateTakeProfitandStopLoss(t.data, 0, "EURUSD", true, 1001, 1, "", PriceBounds::kPrefill), "");
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 3, 1, "EURUSD", 1001, PriceBounds::kPrefill), "");
  EXPECT_EQ(PriceBounds::UpdateTakeProfitandStopLoss(t.data, 1, "EURUSD", false, 1001, 1, "", PriceBounds::kHint),
            "<= -0.0007");
  EXPECT_EQ(PriceBounds::UpdateTakeProfitandStopLoss(t.data, 1, "EURUSD", true, 1001, 1, "", PriceBounds::kPrefill),
            "0.0017");

  // Tick 0.05, Bid/Ask 0.30/0.35, 5 ticks: a sell stop and a market buy's stop-loss at most 0.05.
  trade({"near zero", 0.30, 0.35, 0.05, 2, 5});
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 3, 1, "EURUSD", 1001, PriceBounds::kPrefill), "0.05");
  const std::string stopLoss =
      PriceBounds::UpdateTakeProfitandStopLoss(t.data, 1, "EURUSD", false, 1001, 1, "", PriceBounds::kPrefill);
  EXPECT_EQ(stopLoss, "0.05");
  EXPECT_EQ(check(1, PriceBounds::BracketOf::OrderEntry, 0, "", false, stopLoss), std::nullopt);
  EXPECT_EQ(check(1, PriceBounds::BracketOf::OrderEntry, 0, "", false, "0.10"),
            "Stop Loss price should be less than or equal to 0.05");
}

// A price a window pre-fills is measured from a market that moves on while the trader reads the
// ticket and confirms: it lies a fifth of the distance, and one tick at least, beyond its bound, so
// it still passes after the quote, or its spread, has moved that far against it. A limit or stop
// order's bracket is measured from the order's own price, which does not move, and from the price
// its position closes at, which moves with the spread.
TEST_F(PriceBoundsDataTest, APrefilledPriceStillPassesAfterTheQuoteOrItsSpreadMovesAFifthOfTheDistance) {
  struct Case {
    int pips, ticksOfRoom;
  };
  struct Move {
    double bid, ask;
  };
  // 50 ticks of distance keep 10 of room; a group without distances still keeps one.
  for (const Case c : {Case{50, 10}, Case{0, 1}}) {
    t.terms->LimitMinPips = t.terms->StopMinPips = c.pips;
    const double room = c.ticksOfRoom * t.item->TickSize;
    for (const Request& r : kRequests) {
      for (const int positionSide : {0, 1}) {
        for (const bool takeProfit : {true, false}) {
          for (const Move move : {Move{room, room}, Move{-room, -room}, Move{0, room}, Move{-room, 0}}) {
            SCOPED_TRACE(::testing::Message() << c.pips << " pips, " << r.name << (positionSide == 0 ? " long " : " short ")
                                              << (takeProfit ? "take-profit" : "stop-loss") << ", bid " << move.bid
                                              << ", ask " << move.ask);
            t.item->Bid = 1.1998;
            t.item->Ask = 1.2;
            const int protecting = positionSide == 0 ? 1 : 0;
            const std::string entry = r.orderType == 1 ? ""
                                                       : PriceBounds::OrderTypeChange(t.data, r.orderType, positionSide,
                                                                                      "EURUSD", 1001, PriceBounds::kPrefill);
            const std::string price = PriceBounds::UpdateTakeProfitandStopLoss(
                t.data, protecting, "EURUSD", takeProfit, 1001, r.orderType, entry, PriceBounds::kPrefill, r.of);
            t.item->Bid += move.bid;
            t.item->Ask += move.ask;
            EXPECT_EQ(check(r.orderType, r.of, positionSide, entry, takeProfit, price), std::nullopt) << entry << " " << price;
          }
        }
      }
    }
  }
}

// A spread applied in floating point leaves the quote a hair off the grid (1.1 - 2 x 0.00001 is
// 1.0999800000000002). The server deals at the quote on its tick; with no minimum distance, a
// bracket one tick beyond the closing price must still lie beyond that tick, never on it.
TEST_F(PriceBoundsDataTest, AQuoteOffTheGridIsMeasuredFromItsTickAsTheServerDealsAtIt) {
  trade({"five decimals", 1.1 - 2 * 0.00001, 1.1 + 2 * 0.00001, 0.00001, 5, 0});
  const Decimal spread = Decimal::parse("0.00004");
  for (const Request& r : kRequests) {
    for (const int positionSide : {0, 1}) {
      for (const bool takeProfit : {true, false}) {
        SCOPED_TRACE(::testing::Message() << r.name << (positionSide == 0 ? " long " : " short ")
                                          << (takeProfit ? "take-profit" : "stop-loss"));
        const bool isLong = positionSide == 0;
        // Limit and stop orders a little away from the market, on the side their type asks for.
        const bool below = (r.orderType == 2) == isLong;
        const std::string entry = r.orderType == 1 ? "" : below ? "1.09990" : "1.10010";
        const Decimal closing = r.orderType == 1 ? Decimal::parse(isLong ? "1.09998" : "1.10002")
                                : isLong         ? Decimal::parse(entry) - spread
                                                 : Decimal::parse(entry) + spread;
        const std::string bound = PriceBounds::UpdateTakeProfitandStopLoss(
            t.data, isLong ? 1 : 0, "EURUSD", takeProfit, 1001, r.orderType, entry, PriceBounds::kNumber, r.of);
        const bool above = takeProfit == isLong;
        EXPECT_TRUE(above ? Decimal::parse(bound) > closing : Decimal::parse(bound) < closing) << bound;
        EXPECT_NE(check(r.orderType, r.of, positionSide, entry, takeProfit, Formatter::formatDecimal(closing.toDouble(), 5)),
                  std::nullopt);
      }
    }
  }
}

// 1001's group tops the feed's quote (Bid 1.1998, Ask 1.2000, shown as it is: the user's groups
// disagree) up by 2 ticks a side; 1002's adds no spread. Each account's hint, proposal and check are
// measured at its own quote; an order of both keeps the farthest bound.
TEST_F(PriceBoundsDataTest, EachAccountIsHeldToTheQuoteOfItsOwnGroup) {
  t.item->Spreadtype = SpreadTypeConflicting;
  t.data.FillGroupDetails(XmlRow{{{"GroupId", "6"}}});
  t.data.group("6")->GroupInstrumentCollection["7"] = std::make_shared<GroupInstruments>(*t.terms);
  t.terms->SpreadTypeId = SpreadTypeTopUp;
  t.terms->SpreadBid = t.terms->SpreadAsk = 2;
  t.data.FillAccountDetails(XmlRow{{{"AccountId", "1002"}}});
  t.data.account("1002")->GroupId = "6";
  const auto hint = [&](int account, bool takeProfit, int type, const char* price) {
    return PriceBounds::UpdateTakeProfitandStopLoss(t.data, 1, "EURUSD", takeProfit, account, type, price, 1);
  };
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 3, 0, "EURUSD", 1001, PriceBounds::kHint), ">= 1.2012");
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 3, 0, "EURUSD", 1002, PriceBounds::kHint), ">= 1.2010");
  // A buy limit closes a spread below its price: 6 ticks for 1001, 2 for 1002.
  EXPECT_EQ(hint(1001, false, 2, "1.1500"), "<= 1.1484");
  EXPECT_EQ(hint(1002, false, 2, "1.1500"), "<= 1.1488");
  const std::int32_t both[] = {1002, 1001};
  EXPECT_EQ(PriceBounds::UpdateTakeProfitandStopLoss(t.data, 1, "EURUSD", false, both, 2, "1.1500", 1), "<= 1.1484");
  // A market buy is priced at the account's Ask and closes at its Bid, and so does the check.
  EXPECT_EQ(hint(1001, true, 1, ""), ">= 1.2012");
  EXPECT_EQ(check(1, PriceBounds::BracketOf::OrderEntry, 0, "", true, "1.2011"),
            "Take Profit price should be greater than or equal to 1.2012");
  EXPECT_EQ(check(2, PriceBounds::BracketOf::OrderEntry, 0, "1.1500", false, "1.1485"),
            "Stop Loss price should be less than or equal to 1.1484");
  EXPECT_EQ(check(1, PriceBounds::BracketOf::PositionEdit, 0, "", false, "1.1987"),
            "Stop Loss price should be less than or equal to 1.1986");
  // An item widened by the spread its groups agree on keeps the feed's quote for the others.
  t.item->Spreadtype = SpreadTypeTopUp;
  t.item->BidSpread = t.item->AskSpread = 2;
  t.item->FeedAsk = 1.2;
  t.item->Ask = 1.2002;
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 3, 0, "EURUSD", 1001, PriceBounds::kHint), ">= 1.2012");
  EXPECT_EQ(PriceBounds::OrderTypeChange(t.data, 3, 0, "EURUSD", 1002, PriceBounds::kHint), ">= 1.2010");
}

}  // namespace
}  // namespace td::testing
