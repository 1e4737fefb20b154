#pragma once
// Price bounds and the tick grid of an instrument: the shifted price, the remainder of a price
// against the tick, and the bounds that the order windows show beside their entry, take-profit and
// stop-loss fields. Distances are measured in pips of the instrument's tick size: the limit
// distance is the group's LimitMinPips x TickSize, the stop distance StopMinPips x TickSize.
//
// The quote used is the instrument's Bid and Ask, each replaced by Last while it is exactly 0.
// Unknown accounts, groups or group terms give distances of 0 (the bound is the base price);
// an unknown instrument reads its quote, tick and decimals as 0.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Decimal.h"

namespace td {

class ReferenceData;
struct ItemDetails;
struct GroupInstruments;

class PriceBounds {
 public:
  // `CalculateContingentPrice:::`: the price itself when the offset is exactly 0, else price +
  // offset when `add` is set and price - offset otherwise.
  static double CalculateContingentPrice(bool add, double price, double offset);

  // `CheckTickPrice:::`: the remainder of the price against the tick, in units of the last of
  // `decimalPlaces` decimals (1.2346 against 0.0005 with 4 places gives 1). Zero when the price lies
  // on the grid. A tick size of 0 (or one too small to show in six decimals of those units) means
  // the instrument has no grid: every price is on it.
  static Decimal CheckTickPrice(double price, std::int32_t decimalPlaces, double tickSize);
  static bool isOnTick(double price, std::int32_t decimalPlaces, double tickSize) {
    return CheckTickPrice(price, decimalPlaces, tickSize).isZero();
  }

  // The price an order record takes for a market order on the side (0 buy, else sell), which its
  // checks measure from: the Ask for a buy, the Bid for a sell, with the instrument's decimals.
  static std::string marketOrderPrice(const ItemDetails& item, std::int32_t side);
  // Bid and Ask with Last standing in for a price of exactly 0.
  static double quoteBid(const ItemDetails& item);
  static double quoteAsk(const ItemDetails& item);
  // LimitMinPips x TickSize and StopMinPips x TickSize; 0 without group terms.
  static double limitDistance(const GroupInstruments* terms, const ItemDetails& item);
  static double stopDistance(const GroupInstruments* terms, const ItemDetails& item);

  // `OrderTypeChange:::::`: the entry-price bound of a limit (2) or stop (3) order on the side
  // (0 buy, any other sell): stop buy Ask + stop distance (">= "), stop sell Bid - stop distance
  // ("<= "), limit buy Ask - limit distance ("<= "), limit sell Bid + limit distance (">= ").
  // `textForm` 0 gives the number with the instrument's decimals, 1 the ">= %@" / "<= %@" form.
  // Any other order type gives "".
  static std::string OrderTypeChange(const ReferenceData& data, std::int32_t orderType, std::int32_t side,
                                     std::string_view itemCode, std::int32_t accountNumber, int textForm);

  // `UpdateTakeProfitandStopLoss:::::::`: the take-profit (`takeProfit` set) or stop-loss bound for
  // the side of the protecting order (the opposite of the order's own side: 1 for a buy order).
  // The base is the price a market order is checked at, marketOrderPrice() of the order's own side
  // (the Ask for a buy order, side 1; the Bid for a sell order, side 0), else the order price text. Take-profit: side 0 base - limit distance ("<= "), side 1 base + limit
  // distance (">= "); stop-loss: side 0 base + stop distance (">= "), side 1 base - stop distance
  // ("<= ").
  static std::string UpdateTakeProfitandStopLoss(const ReferenceData& data, std::int32_t side,
                                                 std::string_view itemCode, bool takeProfit,
                                                 std::int32_t accountNumber, std::int32_t orderType,
                                                 std::string_view orderPrice, int textForm);
};

}  // namespace td
