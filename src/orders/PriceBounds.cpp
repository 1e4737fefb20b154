#include "orders/PriceBounds.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>

#include "model/GroupInstruments.h"
#include "model/ItemDetails.h"
#include "model/ReferenceData.h"
#include "orders/OrderNumbers.h"
#include "wire/DecimalNumberExtension.h"
#include "wire/Formatter.h"
#include "wire/OrderRequests.h"

namespace td {
namespace {

// "%f" of the value, read back as a decimal number.
Decimal sixDecimals(double value) {
  char buffer[400];
  const auto res = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  if (res.ec != std::errc()) return Decimal::notANumber();
  return Decimal::parse(std::string_view(buffer, static_cast<std::size_t>(res.ptr - buffer)));
}

// The spread rule of a spread type and its spreads: types other than fixed, fixed when wider and
// top-up (none, conflicting) widen nothing, whatever their spreads.
struct SpreadRule {
  std::int32_t type = SpreadTypeNone;
  std::int32_t bid = 0;
  std::int32_t ask = 0;
  bool operator==(const SpreadRule&) const = default;
};
SpreadRule ruleOf(std::int32_t type, std::int32_t bid, std::int32_t ask) {
  if (type != SpreadTypeFixed && type != SpreadTypeFixedWhenWider && type != SpreadTypeTopUp) return {};
  return {type, bid, ask};
}

// What an unknown instrument reads as: no quote, no tick, no decimals.
const ItemDetails& noItem() {
  static const ItemDetails item;
  return item;
}

// How far a search for a price the instrument can show walks; a few steps at most for any tick and
// number of decimals a trader would meet.
constexpr int kMaxGridSteps = 1000;

// The step between neighbouring prices of the grid as the instrument writes them: its tick, or the
// last decimal where the tick is finer than that or there is none.
Decimal gridStep(const ItemDetails& item) {
  const int digits = item.DecimalPlaces <= 0 ? 2 : item.DecimalPlaces;  // as the prices are written
  const Decimal unit = Decimal::fromParts(1, -digits, false).value;
  const Decimal tick = Decimal::fromDouble(item.TickSize);
  return item.TickSize > 0 && !(tick < unit) ? tick : unit;
}

// The nearest price at or beyond `from` (strictly beyond it when `strict`), upward when `up`, that
// lies on the tick grid as the instrument writes it. A grid point that the decimals cannot show
// (0.25 with one decimal) would be written off the grid ("0.3"), so the walk goes on by whole ticks
// until the written price lies on it. With a tick finer than the decimals the walk goes by the last
// decimal instead, and without a grid each written price is on it.
std::string gridPrice(const Decimal& from, const ItemDetails& item, bool up, bool strict) {
  const Decimal step = gridStep(item);
  const DecimalResult steps = Decimal::divide(from, step, 0, up ? RoundingMode::Up : RoundingMode::Down);
  if (steps.error != DecimalError::None || steps.value.isNaN()) {
    return OrderNumbers::priceText(from.toDouble(), item.DecimalPlaces);
  }
  Decimal candidate = steps.value * step;
  for (int i = 0; i < kMaxGridSteps; ++i, candidate = up ? candidate + step : candidate - step) {
    std::string written = OrderNumbers::priceText(candidate.toDouble(), item.DecimalPlaces);
    const Decimal price = Decimal::parse(written);
    const bool beyond = up ? (strict ? price > from : !(price < from)) : (strict ? price < from : !(price > from));
    if (beyond && PriceBounds::isOnTick(price.toDouble(), item.DecimalPlaces, item.TickSize)) return written;
  }
  return OrderNumbers::priceText(from.toDouble(), item.DecimalPlaces);
}

using Bound = PriceBounds::Bound;

// A bound as the instrument writes it (as the checks show it), moved onto the grid away from the
// market.
Bound onGrid(double bound, const ItemDetails& item, bool atLeast) {
  return {gridPrice(Decimal::parse(OrderNumbers::priceText(bound, item.DecimalPlaces)), item, atLeast, false),
          atLeast};
}

// The one of two bounds of one direction that lies farther from the market.
const Bound& farther(const Bound& a, const Bound& b) {
  const Decimal x = Decimal::parse(a.number);
  const Decimal y = Decimal::parse(b.number);
  return (a.atLeast ? y > x : y < x) ? b : a;
}

bool aboveZero(const Bound& bound) { return Decimal::parse(bound.number) > Decimal(); }

// The text form of the bound that `boundWith` gives without room; for kPrefill the proposal with
// room, or the bound itself where the room would take the price to zero or below, or none where
// the bound lies there too (the checks refuse a price at or below zero).
std::string text(int textForm, const std::function<Bound(double room)>& boundWith) {
  if (textForm == PriceBounds::kPrefill) {
    if (Bound proposal = boundWith(PriceBounds::kPrefillRoom); aboveZero(proposal)) return std::move(proposal.number);
  }
  Bound bound = boundWith(0);
  if (textForm == PriceBounds::kHint) return (bound.atLeast ? ">= " : "<= ") + bound.number;
  if (textForm == PriceBounds::kPrefill && !aboveZero(bound)) return {};
  return std::move(bound.number);
}

// A quote that lies on the instrument's tick grid but for the noise of floating-point arithmetic,
// put exactly on its tick, as the server keeps the quotes it deals at: a spread applied in floating
// point leaves the quote a hair beside its tick (1.1 - 2 x 0.00001 is 1.0999800000000002), and a
// bound one tick beyond it would land on the quote itself. A quote that truly lies off the grid is
// left as it stands: the bounds are moved onto the grid away from the market.
double onTickGrid(double quote, const ItemDetails& item) {
  if (!(item.TickSize > 0) || !std::isfinite(quote)) return quote;
  const double steps = quote / item.TickSize;
  const double nearest = std::round(steps);
  if (std::fabs(steps - nearest) >= 1e-6 || std::fabs(nearest) > 1e15) return quote;
  // A tick of whole units of the last decimal: the grid point is a whole number of those units, and
  // dividing it by the power of ten gives the double nearest the decimal price.
  static constexpr double kPowersOfTen[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12};
  if (item.DecimalPlaces >= 0 && item.DecimalPlaces <= 12) {
    const double scale = kPowersOfTen[item.DecimalPlaces];
    const double units = std::round(item.TickSize * scale);
    if (units >= 1 && std::fabs(item.TickSize * scale - units) < 1e-9 * units && std::fabs(nearest * units) < 1e15) {
      return std::round(nearest * units) / scale;
    }
  }
  return (Decimal::fromInt(static_cast<std::int64_t>(nearest)) * Decimal::fromDouble(item.TickSize)).toDouble();
}

// The room a pre-filled price keeps beyond a bound that moves with the market: `room` of the
// distance, and one step of the grid at least, so that a group without a minimum distance still
// leaves a proposal that outlasts the market's next tick. None when no room is asked for.
double roomBeyond(double distance, double room, const ItemDetails& item) {
  if (!(room > 0)) return 0;
  return std::max(distance * room, gridStep(item).toDouble());
}

// A quote as the order record writes it, read back.
double asWritten(double quote, const ItemDetails& item) {
  return OrderRequests::leadingNumber(Formatter::formatDecimal(quote, item.DecimalPlaces));
}

// `from` moved away from the market by the take-profit's limit distance or the stop-loss's stop
// distance (and `room` of it): below for a take-profit protecting a sell and for a stop-loss
// protecting a buy, above otherwise.
double awayFrom(const GroupInstruments* terms, const ItemDetails& item, bool takeProfit, bool atLeast, double from,
                double room) {
  const double d = takeProfit ? PriceBounds::limitDistance(terms, item) : PriceBounds::stopDistance(terms, item);
  return PriceBounds::CalculateContingentPrice(atLeast, from, d + roomBeyond(d, room, item));
}

Bound bracketProposal(const PriceBounds::Market& market, const ItemDetails& item, std::int32_t side, bool takeProfit,
                      std::int32_t orderType, std::string_view orderPrice, PriceBounds::BracketOf request,
                      double room) {
  // The side of the order the request carries.
  const std::int32_t orderSide = request == PriceBounds::BracketOf::PositionEdit ? side : (side == 0 ? 1 : 0);
  const double price = OrderRequests::leadingNumber(orderPrice.empty() ? PriceBounds::marketOrderPrice(item, orderSide)
                                                                       : orderPrice);
  return PriceBounds::bracketBound(market, item, takeProfit, side == 0, orderType,
                                   PriceBounds::measuredFrom(market, item, orderType, orderSide == 0, price), room);
}

}  // namespace

double PriceBounds::CalculateContingentPrice(bool add, double price, double offset) {
  if (offset == 0) return price;
  return add ? price + offset : price - offset;
}

Decimal PriceBounds::CheckTickPrice(double price, std::int32_t decimalPlaces, double tickSize) {
  if (!(tickSize > 0)) return Decimal();
  const double f = std::pow(10.0, decimalPlaces);
  const Decimal a = sixDecimals(price * f);
  const Decimal b = sixDecimals(tickSize * f);
  if (b.isZero()) return Decimal();
  return DecimalNumberExtension::moduloFor(a, b);
}

std::string PriceBounds::marketOrderPrice(const ItemDetails& item, std::int32_t side) {
  return Formatter::formatDecimal(side == 0 ? item.Ask : item.Bid, item.DecimalPlaces);
}

double PriceBounds::quoteBid(const ItemDetails& item) { return item.Bid == 0 ? item.Last : item.Bid; }
double PriceBounds::quoteAsk(const ItemDetails& item) { return item.Ask == 0 ? item.Last : item.Ask; }

double PriceBounds::limitDistance(const GroupInstruments* terms, const ItemDetails& item) {
  return terms == nullptr ? 0 : terms->LimitMinPips * item.TickSize;
}

double PriceBounds::stopDistance(const GroupInstruments* terms, const ItemDetails& item) {
  return terms == nullptr ? 0 : terms->StopMinPips * item.TickSize;
}

PriceBounds::Market PriceBounds::shownMarket(const ItemDetails& item, std::shared_ptr<const GroupInstruments> terms) {
  return {std::move(terms), onTickGrid(quoteBid(item), item), onTickGrid(quoteAsk(item), item)};
}

PriceBounds::Market PriceBounds::marketOf(const ItemDetails& item, std::shared_ptr<const GroupInstruments> terms) {
  const SpreadRule own = terms ? ruleOf(terms->SpreadTypeId, terms->SpreadBid, terms->SpreadAsk) : SpreadRule{};
  const SpreadRule shown = ruleOf(item.Spreadtype, item.BidSpread, item.AskSpread);
  if (own == shown) return shownMarket(item, std::move(terms));
  // The feed's quote (the one shown where the item is widened by no spread), widened by the group's.
  PriceUpdate tick;
  tick.ItemCode = item.Code;
  tick.Bid = shown == SpreadRule{} ? item.Bid : item.FeedBid;
  tick.Ask = shown == SpreadRule{} ? item.Ask : item.FeedAsk;
  item.ApplySpread(tick, own.type, own.bid, own.ask);
  return {std::move(terms), onTickGrid(tick.Bid == 0 ? item.Last : tick.Bid, item),
          onTickGrid(tick.Ask == 0 ? item.Last : tick.Ask, item)};
}

PriceBounds::Market PriceBounds::marketFor(const ReferenceData& data, const ItemDetails* item,
                                           std::int32_t accountNumber) {
  if (item == nullptr) return {};
  const auto account = data.account(std::to_string(accountNumber));
  if (!account) return shownMarket(*item);
  return marketOf(*item, data.groupInstruments(*account, item->InstrumentId));
}

PriceBounds::Bound PriceBounds::entryBound(const Market& market, const ItemDetails& item, std::int32_t orderType,
                                           bool buy, double room) {
  // A buy stop and a sell limit lie above the market, a sell stop and a buy limit below it.
  const bool atLeast = (orderType == 3) == buy;
  const GroupInstruments* terms = market.terms.get();
  const double d = orderType == 3 ? stopDistance(terms, item) : limitDistance(terms, item);
  return onGrid(CalculateContingentPrice(atLeast, market.quote(buy), d + roomBeyond(d, room, item)), item, atLeast);
}

double PriceBounds::closingPrice(const Market& market, bool protectsBuy, std::int32_t orderType, double from) {
  if (orderType == 1) return market.quote(protectsBuy);
  // Exact decimal arithmetic: the closing price lies on the grid of the price and the quote.
  const Decimal spread = Decimal::fromDouble(market.ask) - Decimal::fromDouble(market.bid);
  const Decimal base = Decimal::fromDouble(from);
  return (protectsBuy ? base + spread : base - spread).toDouble();
}

double PriceBounds::measuredFrom(const Market& market, const ItemDetails& item, std::int32_t orderType, bool buy,
                                 double price) {
  return orderType == 1 ? asWritten(market.quote(buy), item) : price;
}

PriceBounds::Bound PriceBounds::bracketBound(const Market& market, const ItemDetails& item, bool takeProfit,
                                             bool protectsBuy, std::int32_t orderType, double from, double room) {
  // A take-profit lies on the far side of the position's gain, a stop-loss on the side of its loss.
  const bool atLeast = takeProfit != protectsBuy;
  const GroupInstruments* terms = market.terms.get();
  const double closing = closingPrice(market, protectsBuy, orderType, from);
  // The closing price moves with the market (with the spread for a limit or stop order), and so
  // does a market order's own price; a limit or stop order's price does not.
  const double fromRoom = orderType == 1 ? room : 0;
  const Bound distance =
      farther(onGrid(awayFrom(terms, item, takeProfit, atLeast, from, fromRoom), item, atLeast),
              onGrid(awayFrom(terms, item, takeProfit, atLeast, closing, room), item, atLeast));
  // Without a quote (an unknown instrument) there is no market to keep clear of. The closing price
  // moves with the market: a proposal keeps its room beyond it too.
  if (!(closing > 0)) return distance;
  Decimal clear = Decimal::fromDouble(closing);
  if (const double extra = roomBeyond(0, room, item); extra > 0) {
    clear = atLeast ? clear + Decimal::fromDouble(extra) : clear - Decimal::fromDouble(extra);
  }
  return farther(distance, {gridPrice(clear, item, atLeast, true), atLeast});
}

PriceBounds::Bound PriceBounds::farthest(const ReferenceData& data, const ItemDetails* item,
                                         std::span<const std::int32_t> accounts,
                                         const std::function<Bound(const Market&)>& boundOf) {
  if (accounts.empty()) return boundOf(item ? shownMarket(*item) : Market{});
  Bound out = boundOf(marketFor(data, item, accounts.front()));
  for (const std::int32_t account : accounts.subspan(1)) out = farther(out, boundOf(marketFor(data, item, account)));
  return out;
}

std::string PriceBounds::OrderTypeChange(const ReferenceData& data, std::int32_t orderType, std::int32_t side,
                                         std::string_view itemCode, std::int32_t accountNumber, int textForm) {
  return OrderTypeChange(data, orderType, side, itemCode, std::span<const std::int32_t>(&accountNumber, 1), textForm);
}

std::string PriceBounds::OrderTypeChange(const ReferenceData& data, std::int32_t orderType, std::int32_t side,
                                         std::string_view itemCode, std::span<const std::int32_t> accountNumbers,
                                         int textForm) {
  if (orderType != 2 && orderType != 3) return {};
  const auto found = data.item(itemCode);
  const ItemDetails& item = found ? *found : noItem();
  return text(textForm, [&](double room) {
    return farthest(data, found.get(), accountNumbers,
                    [&](const Market& market) { return entryBound(market, item, orderType, side == 0, room); });
  });
}

std::string PriceBounds::UpdateTakeProfitandStopLoss(const ReferenceData& data, std::int32_t side,
                                                     std::string_view itemCode, bool takeProfit,
                                                     std::int32_t accountNumber, std::int32_t orderType,
                                                     std::string_view orderPrice, int textForm, BracketOf request) {
  return UpdateTakeProfitandStopLoss(data, side, itemCode, takeProfit, std::span<const std::int32_t>(&accountNumber, 1),
                                     orderType, orderPrice, textForm, request);
}

std::string PriceBounds::UpdateTakeProfitandStopLoss(const ReferenceData& data, std::int32_t side,
                                                     std::string_view itemCode, bool takeProfit,
                                                     std::span<const std::int32_t> accountNumbers,
                                                     std::int32_t orderType, std::string_view orderPrice, int textForm,
                                                     BracketOf request) {
  const auto found = data.item(itemCode);
  const ItemDetails& item = found ? *found : noItem();
  return text(textForm, [&](double room) {
    return farthest(data, found.get(), accountNumbers, [&](const Market& market) {
      return bracketProposal(market, item, side, takeProfit, orderType, orderPrice, request, room);
    });
  });
}

}  // namespace td
