#pragma once
// How the order checks read the numbers of an order record, which holds prices and quantities as
// the texts the user typed.

#include <optional>
#include <string>
#include <string_view>

#include "platform/Decimal.h"

namespace td::OrderNumbers {

// The whole text as a finite number: optional white space around, an optional sign, digits with
// at most one point (at least one digit), an optional exponent. Nothing for an empty or malformed
// text ("", "1.2.3", "1,5", "abc", "2x").
std::optional<double> strictNumber(std::string_view text);

// The same texts as exact decimal numbers; not a number for an empty or malformed text.
Decimal strictDecimal(std::string_view text);

// The value written with the instrument's decimals, as a bound is shown to the user (0 places give
// two decimals).
std::string priceText(double value, int decimalPlaces);

// "Account : <account>\n<reason>": the form of every account refusal.
std::string accountText(std::string_view accountNumber, std::string_view reason);

}  // namespace td::OrderNumbers
