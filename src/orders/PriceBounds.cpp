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

std::string boundText(double bound, const ItemDetails& item, int textForm, const char* form) {
  std::string number = OrderNumbers::priceText(bound, item.DecimalPlaces);
  if (textForm == 0) return number;
  return std::string(form) + number;
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

std::string PriceBounds::OrderTypeChange(const ReferenceData& data, std::int32_t orderType, std::int32_t side,
                                         std::string_view itemCode, std::int32_t accountNumber, int textForm) {
  if (orderType != 2 && orderType != 3) return {};
  const auto found = data.item(itemCode);
  const ItemDetails& item = found ? *found : noItem();
  const auto terms = termsFor(data, accountNumber, found.get());
  const bool buy = side == 0;
  if (orderType == 3) {
    const double d = stopDistance(terms.get(), item);
    return buy ? boundText(CalculateContingentPrice(true, quoteAsk(item), d), item, textForm, ">= ")
               : boundText(CalculateContingentPrice(false, quoteBid(item), d), item, textForm, "<= ");
  }
  const double d = limitDistance(terms.get(), item);
  return buy ? boundText(CalculateContingentPrice(false, quoteAsk(item), d), item, textForm, "<= ")
             : boundText(CalculateContingentPrice(true, quoteBid(item), d), item, textForm, ">= ");
}

std::string PriceBounds::UpdateTakeProfitandStopLoss(const ReferenceData& data, std::int32_t side,
                                                     std::string_view itemCode, bool takeProfit,
                                                     std::int32_t accountNumber, std::int32_t orderType,
                                                     std::string_view orderPrice, int textForm) {
  const auto found = data.item(itemCode);
  const ItemDetails& item = found ? *found : noItem();
  const auto terms = termsFor(data, accountNumber, found.get());
  const bool sideBuy = side == 0;
  double base = 0;
  if (orderType == 1) {
    // The protecting side is the opposite of the order's own.
    base = OrderRequests::leadingNumber(marketOrderPrice(item, sideBuy ? 1 : 0));
  } else {
    base = OrderRequests::leadingNumber(orderPrice);
  }
  if (takeProfit) {
    const double d = limitDistance(terms.get(), item);
    return sideBuy ? boundText(CalculateContingentPrice(false, base, d), item, textForm, "<= ")
                   : boundText(CalculateContingentPrice(true, base, d), item, textForm, ">= ");
  }
  const double d = stopDistance(terms.get(), item);
  return sideBuy ? boundText(CalculateContingentPrice(true, base, d), item, textForm, ">= ")
                 : boundText(CalculateContingentPrice(false, base, d), item, textForm, "<= ");
}

}  // namespace td
