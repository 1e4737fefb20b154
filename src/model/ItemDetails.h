#pragma once
// An instrument (item): identity, trading terms, latest prices, the spread the broker adds for this
// user, its trading session and status, and its watchlist flags.

#include <cstdint>
#include <memory>
#include <string>

#include "model/PriceUpdate.h"

namespace td {

// Spread rules (Spreadtype).
enum SpreadType : std::int32_t {
  SpreadTypeNone = 0,
  SpreadTypeFixed = 1,            // the tick's mid, on the tick grid, plus and minus the spreads
  SpreadTypeFixedWhenWider = 2,   // fixed, only when the spreads together are wider than the tick's
  SpreadTypeTopUp = 3,            // the spreads are added outside the tick's own bid and ask
  SpreadTypeConflicting = 4,      // the user's account groups disagree on the spread: none applied
};

struct ItemDetails {
  std::int32_t InstrumentId = 0;
  std::string Name;
  std::string Code;  // key in the item collection
  std::int32_t CurrencyID = 0;  // instrument id of the conversion item; 0 or less: none
  bool Enabled = false;
  std::int32_t InstrumentTypeId = 0;
  std::string InstrumentTypeName;
  double TickSize = 0;
  double Point = 0;
  std::int32_t DecimalPlaces = 0;
  std::string MonthCode;
  double ContractSize = 0;
  std::int32_t UnitId = 0;
  std::int32_t TradingStatusId = 0;
  bool IsAvailableForWatchlist = false;
  std::int32_t UnderlyingInstrumentId = 0;
  double MaxUpdateFrequency = 0;
  std::int32_t CutOffLimitPercentCP = 0;
  std::string FND;  // display text
  std::string LTD;  // display text
  double CircuitLimit = 0;
  std::int32_t PLCalcModeId = 0;
  double Ask = 0;
  double Bid = 0;
  double High = 0;
  double Low = 0;
  double Last = 0;
  double PrevClose = 0;
  double DayOpen = 0;
  std::string UpdateTime;  // display text
  bool isWatchlistSymbol = false;
  bool isWatchlistSymbolTemp = false;
  std::int32_t CurrentTradeSessionSettingId = 0;
  double Open = 0;
  // The conversion item (may be this item itself); held weakly so that an item referring to itself
  // or to a replaced record never keeps it alive. Empty when there is none.
  std::weak_ptr<ItemDetails> CalculationItems;
  double previousBid = 0;
  double previousAsk = 0;
  // The latest Bid and Ask of the price feed before the user's spread (Spreadtype) widened them into
  // Bid and Ask: what an account whose group spreads otherwise deals at is measured from.
  double FeedBid = 0;
  double FeedAsk = 0;
  std::int32_t BidSpread = 0;
  std::int32_t AskSpread = 0;
  std::int32_t Spreadtype = SpreadTypeNone;
  std::int32_t instrumentTradingStatus = 0;  // 0 to 4
  std::int32_t availableOrderTypes = 0;
  std::int32_t HedgeModeId = 0;
  std::int32_t MaxHoldingDays = 0;
  std::int32_t HighlightColor = 0;
  bool isPriceUpdateReceived = false;
  std::int32_t availableOrderSettings = 0;
  bool isAvailableForTrading = false;

  // Widens the tick's Bid and Ask in place by Spreadtype. Leaves the tick as it is when it belongs
  // to another item, when its bid or ask is 0, or when TickSize is 0 or less.
  void ApplySpread(PriceUpdate& tick) const;
  // The same by another rule: a spread type and its spreads in ticks, as a group's terms give them.
  void ApplySpread(PriceUpdate& tick, std::int32_t spreadType, std::int32_t bidSpread, std::int32_t askSpread) const;
  // Bid and Ask around the tick-corrected mid: mid - b x TickSize, mid + a x TickSize.
  void ApplyFixedSpread(PriceUpdate& tick, double bidSpread, double askSpread) const;
  // Bid - b x TickSize, Ask + a x TickSize.
  void ApplyTopupSpread(PriceUpdate& tick, double bidSpread, double askSpread) const;
  // The price put on the tick grid: half a tick or less rounds toward zero. With TickSize 0 or less
  // the price is given back unchanged.
  double DoMidPriceTickCorrection(double price) const;

  // Sets TradingStatusId and the normalised instrumentTradingStatus (1 to 4 kept, else 0).
  void setTradingStatusId(std::int32_t status);

  // "Unknown", "Active", "CloseOnly", "Expired", "Disabled" for 0 to 4; "" otherwise.
  static std::string getInstrumentTradingStatus(std::int32_t status);
};

}  // namespace td
