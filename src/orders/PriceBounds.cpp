#include "orders/PriceBounds.h"

#include <charconv>
#include <cmath>
#include <memory>

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

std::shared_ptr<GroupInstruments> termsFor(const ReferenceData& data, std::int32_t accountNumber,
                                           const ItemDetails* item) {
  if (item == nullptr) return nullptr;
  const auto account = data.account(std::to_string(accountNumber));
  if (!account) return nullptr;
  return data.groupInstruments(*account, item->InstrumentId);
}

// What an unknown instrument reads as: no quote, no tick, no decimals.
const ItemDetails& noItem() {
  static const ItemDetails item;
  return item;
}

// How far a search for a price the instrument can show walks; a few steps at most for any tick and
// number of decimals a trader would meet.
constexpr int kMaxGridSteps = 1000;

// The nearest price at or beyond `from` (strictly beyond it when `strict`), upward when `up`, that
// lies on the tick grid as the instrument writes it. A grid point that the decimals cannot show
// (0.25 with one decimal) would be written off the grid ("0.3"), so the walk goes on by whole ticks
// until the written price lies on it. With a tick finer than the decimals the walk goes by the last
// decimal instead, and without a grid each written price is on it.
std::string gridPrice(const Decimal& from, const ItemDetails& item, bool up, bool strict) {
  const int digits = item.DecimalPlaces <= 0 ? 2 : item.DecimalPlaces;  // as the prices are written
  const Decimal unit = Decimal::fromParts(1, -digits, false).value;
  const Decimal tick = Decimal::fromDouble(item.TickSize);
  const Decimal step = item.TickSize > 0 && !(tick < unit) ? tick : unit;
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

std::string text(const Bound& bound, int textForm) {
  if (textForm == PriceBounds::kHint) return (bound.atLeast ? ">= " : "<= ") + bound.number;
  // A price at or below zero is never proposed: the checks refuse it.
  if (textForm == PriceBounds::kPrefill && !(Decimal::parse(bound.number) > Decimal())) return {};
  return bound.number;
}

// A quote as the order record writes it, read back.
double asWritten(double quote, const ItemDetails& item) {
  return OrderRequests::leadingNumber(Formatter::formatDecimal(quote, item.DecimalPlaces));
}

// The share of a distance by which a pre-filled price lies beyond a bound measured from the market.
double roomFor(int textForm) { return textForm == PriceBounds::kPrefill ? PriceBounds::kPrefillRoom : 0; }

// `from` moved away from the market by the take-profit's limit distance or the stop-loss's stop
// distance (and `room` of it): below for a take-profit protecting a sell and for a stop-loss
// protecting a buy, above otherwise.
double awayFrom(const GroupInstruments* terms, const ItemDetails& item, bool takeProfit, bool atLeast, double from,
                double room) {
  const double d =
      (takeProfit ? PriceBounds::limitDistance(terms, item) : PriceBounds::stopDistance(terms, item)) * (1 + room);
  return PriceBounds::CalculateContingentPrice(atLeast, from, d);
}

Bound bracketProposal(const GroupInstruments* terms, const ItemDetails& item, std::int32_t side, bool takeProfit,
                      std::int32_t orderType, std::string_view orderPrice, PriceBounds::BracketOf request,
                      double room) {
  // The side of the order the request carries.
  const std::int32_t orderSide = request == PriceBounds::BracketOf::PositionEdit ? side : (side == 0 ? 1 : 0);
  // A market order's quote moves on, so its pre-filled price keeps `room`; a limit or stop order is
  // measured from its own price, which does not move with the market.
  const bool market = orderType == 1;
  const double from =
      market ? asWritten(orderSide == 0 ? PriceBounds::quoteAsk(item) : PriceBounds::quoteBid(item), item)
             : OrderRequests::leadingNumber(orderPrice.empty() ? PriceBounds::marketOrderPrice(item, orderSide)
                                                               : orderPrice);
  return PriceBounds::bracketBound(terms, item, takeProfit, side == 0, orderType, from, market ? room : 0);
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

PriceBounds::Bound PriceBounds::entryBound(const GroupInstruments* terms, const ItemDetails& item,
                                           std::int32_t orderType, bool buy, double room) {
  // A buy stop and a sell limit lie above the market, a sell stop and a buy limit below it.
  const bool atLeast = (orderType == 3) == buy;
  const double d = (orderType == 3 ? stopDistance(terms, item) : limitDistance(terms, item)) * (1 + room);
  return onGrid(CalculateContingentPrice(atLeast, buy ? quoteAsk(item) : quoteBid(item), d), item, atLeast);
}

double PriceBounds::closingPrice(const ItemDetails& item, bool protectsBuy, std::int32_t orderType, double from) {
  if (orderType == 1) return protectsBuy ? quoteAsk(item) : quoteBid(item);
  // Exact decimal arithmetic: the closing price lies on the grid of the price and the quote.
  const Decimal spread = Decimal::fromDouble(quoteAsk(item)) - Decimal::fromDouble(quoteBid(item));
  const Decimal base = Decimal::fromDouble(from);
  return (protectsBuy ? base + spread : base - spread).toDouble();
}

PriceBounds::Bound PriceBounds::bracketBound(const GroupInstruments* terms, const ItemDetails& item, bool takeProfit,
                                             bool protectsBuy, std::int32_t orderType, double from, double room) {
  // A take-profit lies on the far side of the position's gain, a stop-loss on the side of its loss.
  const bool atLeast = takeProfit != protectsBuy;
  const double closing = closingPrice(item, protectsBuy, orderType, from);
  const Bound distance = farther(onGrid(awayFrom(terms, item, takeProfit, atLeast, from, room), item, atLeast),
                                 onGrid(awayFrom(terms, item, takeProfit, atLeast, closing, room), item, atLeast));
  // Without a quote (an unknown instrument) there is no market to keep clear of.
  if (!(closing > 0)) return distance;
  return farther(distance, {gridPrice(Decimal::fromDouble(closing), item, atLeast, true), atLeast});
}

PriceBounds::Bound PriceBounds::farthest(const ReferenceData& data, const ItemDetails* item,
                                         std::span<const std::int32_t> accounts,
                                         const std::function<Bound(const GroupInstruments*)>& boundOf) {
  if (accounts.empty()) return boundOf(nullptr);
  Bound out = boundOf(termsFor(data, accounts.front(), item).get());
  for (const std::int32_t account : accounts.subspan(1)) out = farther(out, boundOf(termsFor(data, account, item).get()));
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
  return text(farthest(data, found.get(), accountNumbers,
                       [&](const GroupInstruments* terms) {
                         return entryBound(terms, item, orderType, side == 0, roomFor(textForm));
                       }),
              textForm);
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
  return text(farthest(data, found.get(), accountNumbers,
                       [&](const GroupInstruments* terms) {
                         return bracketProposal(terms, item, side, takeProfit, orderType, orderPrice, request, roomFor(textForm));
                       }),
              textForm);
}

}  // namespace td
