#include "ui/positions/PositionTexts.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "model/ItemDetails.h"
#include "platform/Decimal.h"
#include "wire/Formatter.h"
#include "wire/OrderRequests.h"

namespace td::PositionTexts {

std::string side(std::int32_t tradingMode) { return tradingMode == 0 ? "B" : "S"; }

std::string orderType(std::int32_t orderType) {
  switch (orderType) {
    case 0: return "None";
    case 1: return "Market";
    case 2: return "Limit";
    case 3: return "Stop";
    default: return "";
  }
}

std::string validity(std::int32_t deliveryMode) {
  switch (deliveryMode) {
    case 1: return "Regular";
    case 2: return "Intraday";
    case 3: return "BTST";
    default: return "Unknown";
  }
}

std::string timeInForce(std::int32_t timeInForce) {
  switch (timeInForce) {
    case 0: return "Unknown";
    case 1: return "GTC";
    case 2: return "GTF";
    case 5: return "Day";
    default: return "";
  }
}

double value(std::string_view text) {
  const double v = OrderRequests::leadingNumber(text);
  return std::isfinite(v) ? v : 0;
}

std::int32_t decimals(const ItemDetails* item) { return item ? item->DecimalPlaces : 0; }

std::string price(double v, const ItemDetails* item) { return Formatter::formatDecimal(v, decimals(item)); }

std::string price(std::string_view text, const ItemDetails* item) { return price(value(text), item); }

std::string money(double v) { return Formatter::formatDecimal(v, 2); }

std::string number(double v) { return Decimal::fromDouble(std::isfinite(v) ? v : 0).toString(); }

std::string decimal(std::string_view text) { return Decimal::parse(text).toString(); }

std::string quantity(double v) { return Decimal::parse(Formatter::formatDecimal(std::isfinite(v) ? v : 0, 6)).toString(); }

std::string total(double v) {
  const std::string plain = money(v);
  return Formatter::formatDecimalWithString(plain).value_or(plain);
}

std::string quantityTotal(double v) {
  char buffer[64];
  const int n = std::snprintf(buffer, sizeof buffer, "%.7g", static_cast<double>(static_cast<float>(v)));
  return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::string dateCell(double columnWidth, std::string_view text) {
  return Formatter::getDateonColumnResizing(columnWidth, text).value_or(std::string(text));
}

}  // namespace td::PositionTexts
