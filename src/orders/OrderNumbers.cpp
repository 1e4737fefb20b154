#include "orders/OrderNumbers.h"

#include <charconv>
#include <cmath>

#include "wire/Formatter.h"

namespace td::OrderNumbers {
namespace {

bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::optional<double> strictNumber(std::string_view text) {
  text = trimmed(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // Only digits and the point may start the number: from_chars would also take "inf" and "nan".
  if (text.empty() || !((text.front() >= '0' && text.front() <= '9') || text.front() == '.')) return std::nullopt;
  double value = 0;
  const auto res = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (res.ec != std::errc() || res.ptr != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return negative ? -value : value;
}

Decimal strictDecimal(std::string_view text) {
  if (!strictNumber(text)) return Decimal::notANumber();
  return Decimal::parse(text);
}

std::string priceText(double value, int decimalPlaces) { return Formatter::formatDecimal(value, decimalPlaces); }

std::string accountText(std::string_view accountNumber, std::string_view reason) {
  std::string out = "Account : ";
  out.append(accountNumber);
  out.push_back('\n');
  out.append(reason);
  return out;
}

}  // namespace td::OrderNumbers
