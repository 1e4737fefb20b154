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

// A proposal: its number, and whether a price must lie at or above it (else at or below).
struct Proposal {
  std::string number;
  bool atLeast = false;
};

// A bound as a proposal: the bound as the instrument writes it (as the checks show it), moved onto
// the grid away from the market.
Proposal onGrid(double bound, const ItemDetails& item, bool atLeast) {
  return {gridPrice(Decimal::parse(OrderNumbers::priceText(bound, item.DecimalPlaces)), item, atLeast, false),
          atLeast};
}

// The one of two proposals of one direction that lies farther from the market.
const Proposal& farther(const Proposal& a, const Proposal& b) {
  const Decimal x = Decimal::parse(a.number);
  const Decimal y = Decimal::parse(b.number);
  return (a.atLeast ? y > x : y < x) ? b : a;
}

std::string text(const Proposal& proposal, int textForm) {
  if (textForm != PriceBounds::kHint) return proposal.number;
  return (proposal.atLeast ? ">= " : "<= ") + proposal.number;
}

// A quote as the order record writes it, read back.
double asWritten(double quote, const ItemDetails& item) {
  return OrderRequests::leadingNumber(Formatter::formatDecimal(quote, item.DecimalPlaces));
}

// The farthest of the accounts' proposals; with no account, the proposal without group terms.
template <typename Propose>
Proposal farthest(const ReferenceData& data, const ItemDetails* item, std::span<const std::int32_t> accounts,
                  const Propose& propose) {
  if (accounts.empty()) return propose(nullptr);
  Proposal out = propose(termsFor(data, accounts.front(), item).get());
  for (const std::int32_t account : accounts.subspan(1)) out = farther(out, propose(termsFor(data, account, item).get()));
  return out;
}

// The share of a distance by which a pre-filled price lies beyond a bound measured from the market.
double roomFor(int textForm) { return textForm == PriceBounds::kPrefill ? PriceBounds::kPrefillRoom : 0; }

Proposal entryProposal(const GroupInstruments* terms, const ItemDetails& item, std::int32_t orderType, bool buy,
                       double room) {
  if (orderType == 3) {
    const double d = PriceBounds::stopDistance(terms, item) * (1 + room);
    return buy ? onGrid(PriceBounds::CalculateContingentPrice(true, PriceBounds::quoteAsk(item), d), item, true)
               : onGrid(PriceBounds::CalculateContingentPrice(false, PriceBounds::quoteBid(item), d), item, false);
  }
  const double d = PriceBounds::limitDistance(terms, item) * (1 + room);
  return buy ? onGrid(PriceBounds::CalculateContingentPrice(false, PriceBounds::quoteAsk(item), d), item, false)
             : onGrid(PriceBounds::CalculateContingentPrice(true, PriceBounds::quoteBid(item), d), item, true);
}

Proposal bracketProposal(const GroupInstruments* terms, const ItemDetails& item, std::int32_t side, bool takeProfit,
                         std::int32_t orderType, std::string_view orderPrice, PriceBounds::BracketOf request,
                         double room) {
  const bool protectsBuy = side == 0;
  // The side of the order the request carries.
  const std::int32_t orderSide = request == PriceBounds::BracketOf::PositionEdit ? side : (protectsBuy ? 1 : 0);
  if (orderType != 1) {
    const double from = OrderRequests::leadingNumber(orderPrice.empty() ? PriceBounds::marketOrderPrice(item, orderSide)
                                                                        : orderPrice);
    const PriceBounds::Bound bound = PriceBounds::bracketBound(terms, item, takeProfit, protectsBuy, from);
    return onGrid(bound.value, item, bound.atLeast);
  }
  const double entry = asWritten(orderSide == 0 ? PriceBounds::quoteAsk(item) : PriceBounds::quoteBid(item), item);
  const double closing = asWritten(protectsBuy ? PriceBounds::quoteAsk(item) : PriceBounds::quoteBid(item), item);
  // Measured from the market, which moves on: a pre-filled price keeps some room beyond the bound.
  const PriceBounds::Bound fromEntry = PriceBounds::bracketBound(terms, item, takeProfit, protectsBuy, entry, room);
  const PriceBounds::Bound fromClosing = PriceBounds::bracketBound(terms, item, takeProfit, protectsBuy, closing, room);
  const bool atLeast = fromEntry.atLeast;
  const Proposal distance = farther(onGrid(fromEntry.value, item, atLeast), onGrid(fromClosing.value, item, atLeast));
  // Without a quote (an unknown instrument) there is no market to keep clear of.
  if (!(closing > 0)) return distance;
  return farther(distance, {PriceBounds::beyondClosingQuote(item, protectsBuy, atLeast), atLeast});
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

PriceBounds::Bound PriceBounds::bracketBound(const GroupInstruments* terms, const ItemDetails& item, bool takeProfit,
                                             bool protectsBuy, double from, double room) {
  // A take-profit lies on the far side of the position's gain, a stop-loss on the side of its loss.
  const bool atLeast = takeProfit != protectsBuy;
  const double d = (takeProfit ? limitDistance(terms, item) : stopDistance(terms, item)) * (1 + room);
  return {CalculateContingentPrice(atLeast, from, d), atLeast};
}

std::string PriceBounds::beyondClosingQuote(const ItemDetails& item, bool protectsBuy, bool up) {
  return gridPrice(Decimal::fromDouble(protectsBuy ? quoteAsk(item) : quoteBid(item)), item, up, true);
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
                         return entryProposal(terms, item, orderType, side == 0, roomFor(textForm));
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
