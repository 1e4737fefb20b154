#pragma once
// Price bounds and the tick grid of an instrument: the shifted price, the remainder of a price
// against the tick, and the bounds that the order windows show beside their entry, take-profit and
// stop-loss fields. Distances are measured in pips of the instrument's tick size: the limit
// distance is the group's LimitMinPips x TickSize, the stop distance StopMinPips x TickSize.
//
// Each account's bounds are measured at its own market: the quote it deals at (its group's spread
// on the feed's quote, Market) with Last standing in for a price of exactly 0, and its group's
// terms. Unknown accounts, groups or group terms give distances of 0 (the bound is the base price);
// an unknown instrument reads its quote, tick and decimals as 0.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
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

  // What an account's bounds are measured with: its group's terms for the instrument (none: no
  // distances) and the quote it deals at, Last standing in for a price of exactly 0, exactly on its
  // tick where only the noise of floating-point arithmetic puts it beside one.
  struct Market {
    std::shared_ptr<const GroupInstruments> terms;
    double bid = 0;
    double ask = 0;
    double quote(bool buy) const { return buy ? ask : bid; }
  };
  // The quote the item shows (Last standing in for 0), with `terms`.
  static Market shownMarket(const ItemDetails& item, std::shared_ptr<const GroupInstruments> terms = nullptr);
  // The market of an account whose group has `terms` for the instrument. The item shows one quote
  // for all the user's accounts: the feed's, widened by the spread their groups agree on (none where
  // they differ). An account deals at the feed's quote widened by its own group's spread: the quote
  // shown where its group spreads as the item does, else one of its own (no terms: the feed's).
  static Market marketOf(const ItemDetails& item, std::shared_ptr<const GroupInstruments> terms);
  // The market of the account with that number; an unknown account has no terms and the quote the
  // item shows. No item: no terms and no quote.
  static Market marketFor(const ReferenceData& data, const ItemDetails* item, std::int32_t accountNumber);

  // The bound a price is held to, as the instrument writes it and on its tick grid (moved away from
  // the market when the bound itself is not: a bound between two ticks, or a grid point that the
  // decimals cannot show, 0.25 with one decimal). `atLeast`: a price must lie at or above it, else at
  // or below it. The checks enforce these bounds, and the windows show them beside their fields.
  struct Bound {
    std::string number;
    bool atLeast = false;
  };

  // The text forms of the bounds below: the number, the ">= %@" / "<= %@" hint, or the price a
  // window pre-fills its field with. A bound that moves with the market (an entry price's, a market
  // order's or a position's bracket, and the part of a limit or stop order's bracket measured from
  // the price its position closes at, which moves with the spread) may be gone with the market's
  // next move against it, before the trader has sent the order; so a pre-filled price lies a fifth
  // of the distance (kPrefillRoom), and one tick at least, beyond it, and still passes the check
  // after a few ticks (after one, where the group keeps no distance). A
  // bracket measured from a limit or stop order's own price does not move: it gets no room. No price
  // at or below zero is pre-filled (the checks refuse one): where the room would take the price
  // there, the bound itself is pre-filled while it lies above zero, else nothing.
  static constexpr int kNumber = 0;
  static constexpr int kHint = 1;
  static constexpr int kPrefill = 2;
  static constexpr double kPrefillRoom = 0.2;

  // The entry-price bound of a limit (2) or stop (3) order on the buy (`buy`) or sell side at the
  // account's market: stop buy Ask + stop distance (at least), stop sell Bid - stop distance (at
  // most), limit buy Ask - limit distance (at most), limit sell Bid + limit distance (at least).
  // `room`: a share of the distance added to it (kPrefillRoom).
  static Bound entryBound(const Market& market, const ItemDetails& item, std::int32_t orderType, bool buy,
                          double room = 0);

  // The price the position of an order closes at, which its take-profit and stop-loss are kept clear
  // of: for a market order (type 1, and so a position's bracket edit) the account's quote of the
  // closing side now, the Bid for a long (protected by sells, `protectsBuy` clear) and the Ask for a
  // short; for a limit or stop order at `from`, the closing quote once it fills: `from` less the
  // account's spread today for a long, plus it for a short.
  static double closingPrice(const Market& market, bool protectsBuy, std::int32_t orderType, double from);

  // The price an order's take-profit and stop-loss are measured from (`from` below): for a market
  // order (type 1; a position's bracket edit is one, on the closing side) the account's quote of the
  // order's side (`buy`) as the order record writes it; for a limit or stop order its price.
  static double measuredFrom(const Market& market, const ItemDetails& item, std::int32_t orderType, bool buy,
                             double price);

  // The bound of a take-profit (`takeProfit`) or stop-loss of an order of the type measured from
  // `from` (measuredFrom). `protectsBuy`: the bracket is a buy, protecting a sell (its take-profit
  // lies below, its stop-loss above); else it is a sell protecting a buy. The price keeps the limit
  // (take-profit) or stop distance both from `from` and from closingPrice(), the farther of the two,
  // and lies strictly beyond the closing price (one tick at least), where it would be triggered as
  // soon as the position opens: so even a spread wider than the distance, or no distance at all,
  // leaves no bracket that fires at once. Without a quote there is no closing price to keep clear
  // of. `room`: a share of the distance added to each distance that moves with the market.
  static Bound bracketBound(const Market& market, const ItemDetails& item, bool takeProfit, bool protectsBuy,
                            std::int32_t orderType, double from, double room = 0);

  // The farthest of the bounds `boundOf` gives for the market of each of the accounts, which every
  // one of them passes; with no account, the bound at the quote the item shows without terms.
  // `item`: the instrument, when it is known.
  static Bound farthest(const ReferenceData& data, const ItemDetails* item, std::span<const std::int32_t> accounts,
                        const std::function<Bound(const Market&)>& boundOf);

  // `OrderTypeChange:::::`: the entryBound() of a limit (2) or stop (3) order on the side (0 buy,
  // any other sell) in the text form `textForm` (kNumber, kHint, kPrefill). Any other order type
  // gives "".
  static std::string OrderTypeChange(const ReferenceData& data, std::int32_t orderType, std::int32_t side,
                                     std::string_view itemCode, std::int32_t accountNumber, int textForm);
  // The same for an order of several accounts, each held to its own group's market: the farthest of
  // their bounds, which every one of them passes. No account: distances of 0.
  static std::string OrderTypeChange(const ReferenceData& data, std::int32_t orderType, std::int32_t side,
                                     std::string_view itemCode, std::span<const std::int32_t> accountNumbers,
                                     int textForm);

  // Which request a take-profit or stop-loss proposal goes with: an order (a new one, or a working
  // order's edit), whose side is the opposite of the protecting side; or the bracket edit of an open
  // position, a market order on the protecting (closing) side itself.
  enum class BracketOf { OrderEntry, PositionEdit };

  // `UpdateTakeProfitandStopLoss:::::::`: the take-profit (`takeProfit` set) or stop-loss
  // bracketBound() for the protecting side `side` (1 for a buy order or a long position, 0 for a
  // sell or a short) in the text form `textForm`, from the price the request's order carries: the
  // order price text of a limit or stop order (the quote of its side when the text is empty, as the
  // order record takes it) and, for a market order (type 1), the account's quote of the request's
  // side: the Ask for a buy order, the Bid for a sell order, the closing quote itself for a
  // position's bracket edit. Take-profit: side 0 "<= ", side 1 ">= "; stop-loss: side 0 ">= ",
  // side 1 "<= ".
  static std::string UpdateTakeProfitandStopLoss(const ReferenceData& data, std::int32_t side,
                                                 std::string_view itemCode, bool takeProfit,
                                                 std::int32_t accountNumber, std::int32_t orderType,
                                                 std::string_view orderPrice, int textForm,
                                                 BracketOf request = BracketOf::OrderEntry);
  // The same for an order of several accounts: the farthest of their proposals.
  static std::string UpdateTakeProfitandStopLoss(const ReferenceData& data, std::int32_t side,
                                                 std::string_view itemCode, bool takeProfit,
                                                 std::span<const std::int32_t> accountNumbers,
                                                 std::int32_t orderType, std::string_view orderPrice, int textForm,
                                                 BracketOf request = BracketOf::OrderEntry);
};

}  // namespace td
