#pragma once
// The words and numbers of the position and order lists and their sheets: side, order type,
// validity and time in force words, prices with an instrument's decimals, quantities as numbers
// print themselves, and the sums of the totals lines.

#include <cstdint>
#include <string>
#include <string_view>

namespace td {

struct ItemDetails;

namespace PositionTexts {

// "B" for a buy (0), "S" for anything else.
std::string side(std::int32_t tradingMode);
// 0 "None", 1 "Market", 2 "Limit", 3 "Stop", anything else "".
std::string orderType(std::int32_t orderType);
// 1 "Regular", 2 "Intraday", 3 "BTST", anything else "Unknown".
std::string validity(std::int32_t deliveryMode);
// 0 "Unknown", 1 "GTC", 2 "GTF", 5 "Day", anything else "".
std::string timeInForce(std::int32_t timeInForce);

// The numeric value of a number text as the records hold them: its leading decimal number, 0 when
// there is none or when it is not finite.
double value(std::string_view text);
// The decimal places of an instrument (0 without one, which prints two decimals).
std::int32_t decimals(const ItemDetails* item);
// The value with the instrument's decimals ("%.Nf"; no instrument or 0 places: two decimals).
std::string price(double value, const ItemDetails* item);
std::string price(std::string_view text, const ItemDetails* item);
// "%.2f".
std::string money(double value);
// A number as it prints itself: the shortest text that reads back as the same double ("2", "2.5").
std::string number(double value);
// The text read as an exact decimal and written back without trailing zeros ("1.50" gives "1.5");
// "NaN" for a text that is not a number.
std::string decimal(std::string_view text);
// A quantity the sheets compute: written "%f" (six decimals, which drops the noise of repeated
// additions), then without trailing zeros ("2.500000" gives "2.5").
std::string quantity(double value);
// A total of a totals line: "%.2f", then in the en_US decimal style with grouping ("1,234.50").
std::string total(double value);
// The quantity total of a totals line: the sum as a single-precision number prints itself ("%.7g").
std::string quantityTotal(double value);
// A date-time cell "MM/dd/yyyy HH:mm:ss": only "HH:mm:ss" in a column at most 135 points wide.
std::string dateCell(double columnWidth, std::string_view text);

}  // namespace PositionTexts
}  // namespace td
