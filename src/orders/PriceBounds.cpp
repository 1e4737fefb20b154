#include "orders/PriceBounds.h"

#include <algorithm>
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

// The bound as a proposal: on the tick grid (moved away from the market, up for a bound that a
// price must reach, when it falls between two ticks), with the instrument's decimals; with the text
// flag in the ">= %@" or "<= %@" form.
std::string boundText(double bound, const ItemDetails& item, int textForm, bool atLeast) {
  std::string number = OrderNumbers::priceText(bound, item.DecimalPlaces);
  const Decimal price = Decimal::parse(number);
  if (!PriceBounds::isOnTick(price.toDouble(), item.DecimalPlaces, item.TickSize)) {
    const Decimal tick = Decimal::fromDouble(item.TickSize);
    const DecimalResult steps = Decimal::divide(price, tick, 0, atLeast ? RoundingMode::Up : RoundingMode::Down);
    if (steps.error == DecimalError::None) {
      const std::string onGrid = OrderNumbers::priceText((steps.value * tick).toDouble(), item.DecimalPlaces);
      // A tick finer than the instrument's decimals has no grid point to show: the bound stays.
      if (PriceBounds::isOnTick(Decimal::parse(onGrid).toDouble(), item.DecimalPlaces, item.TickSize)) number = onGrid;
    }
  }
  if (textForm == 0) return number;
  return (atLeast ? ">= " : "<= ") + number;
}

// A quote as the order record writes it, read back.
double asWritten(double quote, const ItemDetails& item) {
  return OrderRequests::leadingNumber(Formatter::formatDecimal(quote, item.DecimalPlaces));
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
                                             bool protectsBuy, double from) {
  // A take-profit lies on the far side of the position's gain, a stop-loss on the side of its loss.
  const bool atLeast = takeProfit != protectsBuy;
  const double d = takeProfit ? limitDistance(terms, item) : stopDistance(terms, item);
  return {CalculateContingentPrice(atLeast, from, d), atLeast};
}

std::string PriceBounds::OrderTypeChange(const ReferenceData& data, std::int32_t orderType, std::int32_t side,
                                         std::string_view itemCode, std::int32_t accountNumber, int textForm) {
  if (orderType != 2 && orderType != 3) return {};
  const auto found = data.item(itemCode);
  const ItemDetails& item = found ? *found : noItem();
  const auto terms = termsFor(data, accountNumber, found.get());
  const bool buy = side == 0;
  if (orderType == 3) {
    const double d = stopDistance(terms.get(), item);
    return buy ? boundText(CalculateContingentPrice(true, quoteAsk(item), d), item, textForm, true)
               : boundText(CalculateContingentPrice(false, quoteBid(item), d), item, textForm, false);
  }
  const double d = limitDistance(terms.get(), item);
  return buy ? boundText(CalculateContingentPrice(false, quoteAsk(item), d), item, textForm, false)
             : boundText(CalculateContingentPrice(true, quoteBid(item), d), item, textForm, true);
}

std::string PriceBounds::UpdateTakeProfitandStopLoss(const ReferenceData& data, std::int32_t side,
                                                     std::string_view itemCode, bool takeProfit,
                                                     std::int32_t accountNumber, std::int32_t orderType,
                                                     std::string_view orderPrice, int textForm, BracketOf request) {
  const auto found = data.item(itemCode);
  const ItemDetails& item = found ? *found : noItem();
  const auto terms = termsFor(data, accountNumber, found.get());
  const bool protectsBuy = side == 0;
  // The side of the order the request carries.
  const std::int32_t orderSide = request == BracketOf::PositionEdit ? side : (protectsBuy ? 1 : 0);
  if (orderType != 1) {
    const double from = OrderRequests::leadingNumber(orderPrice.empty() ? marketOrderPrice(item, orderSide) : orderPrice);
    const Bound bound = bracketBound(terms.get(), item, takeProfit, protectsBuy, from);
    return boundText(bound.value, item, textForm, bound.atLeast);
  }
  const double entry = asWritten(orderSide == 0 ? quoteAsk(item) : quoteBid(item), item);
  const double closing = asWritten(protectsBuy ? quoteAsk(item) : quoteBid(item), item);
  const Bound fromEntry = bracketBound(terms.get(), item, takeProfit, protectsBuy, entry);
  const Bound fromClosing = bracketBound(terms.get(), item, takeProfit, protectsBuy, closing);
  const double farther = fromEntry.atLeast ? std::max(fromEntry.value, fromClosing.value)
                                           : std::min(fromEntry.value, fromClosing.value);
  return boundText(farther, item, textForm, fromEntry.atLeast);
}

}  // namespace td
