#pragma once
// The trading terms of one instrument for one account group.

#include <cstdint>

namespace td {

struct GroupInstruments {
  std::int32_t GroupId = 0;
  std::int32_t InstrumentId = 0;  // key in the group's collection ("%d")
  double OrderQtyStep = 0;
  double MaxOrderQty = 0;
  double MinOrderQty = 0;
  double InitialMargin = 0;
  double LimitOrderMargin = 0;
  double LiquidationMargin = 0;
  std::int32_t SpreadBid = 0;
  std::int32_t SpreadAsk = 0;
  std::int32_t SpreadTypeId = 0;
  double BuyInterestRate = 0;
  double SellInterestRate = 0;
  std::int32_t LimitMinPips = 0;
  std::int32_t StopMinPips = 0;
  bool AllowShortSelling = false;
  double IntradayOrderMargin = 0;
  double BTSTOrderMargin = 0;
  double OverNightMargin = 0;
  double Commission = 0;
  std::int32_t PLCalcModeId = 0;
  std::int32_t AutoExecutionModeId = 0;
  std::int32_t MarginCalcModeId = 0;
  std::int32_t groupdetailsid = 0;
  std::int32_t margincalculationMode = 0;  // 926, 1 or 2 (2: margins are percentages)

  // Stores the raw code and the normalised mode: 0 gives 926, 1 and 2 are kept, any other value
  // leaves margincalculationMode as it was.
  void setMarginCalcModeId(std::int32_t code) {
    MarginCalcModeId = code;
    if (code == 0) {
      margincalculationMode = 926;
    } else if (code == 1 || code == 2) {
      margincalculationMode = code;
    }
  }
};

}  // namespace td
