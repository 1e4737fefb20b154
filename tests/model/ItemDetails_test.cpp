#include "model/ItemDetails.h"

#include <gtest/gtest.h>

namespace td {
namespace {

ItemDetails item(std::int32_t type, double tick, std::int32_t b, std::int32_t a) {
  ItemDetails it;
  it.Code = "EURUSD";
  it.Spreadtype = type;
  it.TickSize = tick;
  it.BidSpread = b;
  it.AskSpread = a;
  return it;
}

PriceUpdate tick(double bid, double ask, std::string code = "EURUSD") {
  PriceUpdate t;
  t.ItemCode = std::move(code);
  t.Bid = bid;
  t.Ask = ask;
  return t;
}

TEST(ItemDetailsDefaults, NewRecordHasNoSpreadAndNoConversionItem) {
  ItemDetails it;
  EXPECT_EQ(it.Spreadtype, SpreadTypeNone);
  EXPECT_EQ(it.previousBid, 0);
  EXPECT_EQ(it.previousAsk, 0);
  EXPECT_TRUE(it.CalculationItems.expired());
  EXPECT_FALSE(it.isAvailableForTrading);
}

TEST(ItemDetailsSpread, FixedSpreadRoundsAnExactHalfTickDown) {
  PriceUpdate t = tick(100.0, 100.5);
  item(SpreadTypeFixed, 0.5, 1, 2).ApplySpread(t);
  EXPECT_DOUBLE_EQ(t.Bid, 99.5);
  EXPECT_DOUBLE_EQ(t.Ask, 101.0);
}

TEST(ItemDetailsSpread, TickCorrectionOfTheMid) {
  const ItemDetails it = item(SpreadTypeFixed, 0.5, 0, 0);
  EXPECT_DOUBLE_EQ(it.DoMidPriceTickCorrection(100.3), 100.5);
  EXPECT_DOUBLE_EQ(it.DoMidPriceTickCorrection(100.2), 100.0);
  EXPECT_DOUBLE_EQ(it.DoMidPriceTickCorrection(100.5), 100.5);
  EXPECT_DOUBLE_EQ(it.DoMidPriceTickCorrection(-100.3), -100.0);
}

TEST(ItemDetailsSpread, FixedWhenWiderAppliesOnlyAboveTheTicksOwnSpread) {
  PriceUpdate same = tick(100.0, 101.0);  // its own spread: 2 ticks
  item(SpreadTypeFixedWhenWider, 0.5, 1, 1).ApplySpread(same);
  EXPECT_DOUBLE_EQ(same.Bid, 100.0);
  EXPECT_DOUBLE_EQ(same.Ask, 101.0);
  PriceUpdate wider = tick(100.0, 101.0);
  item(SpreadTypeFixedWhenWider, 0.5, 1, 2).ApplySpread(wider);
  EXPECT_DOUBLE_EQ(wider.Bid, 100.0);
  EXPECT_DOUBLE_EQ(wider.Ask, 101.5);
  EXPECT_DOUBLE_EQ(tick(101.0, 100.0).GetSpread(0.5), 2.0);
}

TEST(ItemDetailsSpread, TopUpAddsOutsideTheTick) {
  PriceUpdate t = tick(100.0, 100.5);
  item(SpreadTypeTopUp, 0.5, 1, 1).ApplySpread(t);
  EXPECT_DOUBLE_EQ(t.Bid, 99.5);
  EXPECT_DOUBLE_EQ(t.Ask, 101.0);
}

TEST(ItemDetailsSpread, TicksThatAreLeftUntouched) {
  struct Case {
    const char* what;
    ItemDetails item;
    PriceUpdate tick;
  };
  const Case cases[] = {
      {"zero bid", item(SpreadTypeFixed, 0.5, 1, 1), tick(0.0, 100.5)},
      {"zero ask", item(SpreadTypeTopUp, 0.5, 1, 1), tick(100.0, 0.0)},
      {"other item", item(SpreadTypeFixed, 0.5, 1, 1), tick(100.0, 100.5, "GBPUSD")},
      {"type 0", item(SpreadTypeNone, 0.5, 1, 1), tick(100.0, 100.5)},
      {"type 4", item(SpreadTypeConflicting, 0.5, 1, 1), tick(100.0, 100.5)},
      {"unknown type", item(9, 0.5, 1, 1), tick(100.0, 100.5)},
      {"zero tick size, fixed", item(SpreadTypeFixed, 0.0, 1, 1), tick(100.0, 100.5)},
      {"zero tick size, wider", item(SpreadTypeFixedWhenWider, 0.0, 1, 1), tick(100.0, 100.5)},
      {"negative tick size, top-up", item(SpreadTypeTopUp, -0.5, 1, 1), tick(100.0, 100.5)},
  };
  for (const Case& c : cases) {
    PriceUpdate t = c.tick;
    c.item.ApplySpread(t);
    EXPECT_EQ(t.Bid, c.tick.Bid) << c.what;
    EXPECT_EQ(t.Ask, c.tick.Ask) << c.what;
  }
  EXPECT_DOUBLE_EQ(item(SpreadTypeFixed, 0.0, 0, 0).DoMidPriceTickCorrection(100.3), 100.3);
}

TEST(ItemDetailsStatus, TradingStatusIsNormalisedAndNamed) {
  ItemDetails it;
  for (int s : {1, 2, 3, 4}) {
    it.setTradingStatusId(s);
    EXPECT_EQ(it.instrumentTradingStatus, s);
  }
  for (int s : {0, 5, -1}) {
    it.setTradingStatusId(s);
    EXPECT_EQ(it.instrumentTradingStatus, 0);
    EXPECT_EQ(it.TradingStatusId, s);
  }
  EXPECT_EQ(ItemDetails::getInstrumentTradingStatus(0), "Unknown");
  EXPECT_EQ(ItemDetails::getInstrumentTradingStatus(2), "CloseOnly");
  EXPECT_EQ(ItemDetails::getInstrumentTradingStatus(4), "Disabled");
  EXPECT_EQ(ItemDetails::getInstrumentTradingStatus(5), "");
  EXPECT_EQ(ItemDetails::getInstrumentTradingStatus(-1), "");
}

}  // namespace
}  // namespace td
