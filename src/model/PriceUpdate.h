#pragma once
// One price tick of one item, from the price feed or made from an item's loaded prices.

#include <string>

namespace td {

struct PriceUpdate {
  std::string ItemCode;  // the item's Code
  std::string Time;      // display text "MM/dd/yyyy HH:mm:ss"
  double DotPosition = 0;  // number of decimals
  double Last = 0;
  double Bid = 0;
  double Ask = 0;
  double High = 0;
  double Low = 0;
  double Open = 0;
  double PreviousClose = 0;

  // The tick's own spread in ticks: |Ask - Bid| / tickSize.
  double GetSpread(double tickSize) const;
};

}  // namespace td
