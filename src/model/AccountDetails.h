#pragma once
// One trading account of the logged-in user.

#include <cstdint>
#include <string>

namespace td {

// Bits of availableOrderTypes (accounts and items alike; a kind is offered when both have its bit).
enum OrderTypeBits : std::int32_t {
  OrderTypeBitMarket = 0x01,
  OrderTypeBitTakeProfit = 0x02,
  OrderTypeBitStopLoss = 0x04,
  OrderTypeBitOffset = 0x20,
  OrderTypeBitLimit = 0x40,
  OrderTypeBitStop = 0x80,
};

// Bits of accountSettings1.
enum AccountSettingsBits : std::int32_t {
  AccountSettingNoMultiAccount = 0x01,  // the ticket offers no multi-account trading with this account
  AccountSettingDeviation = 0x02,       // the deviation controls are shown for this account
};

struct AccountDetails {
  std::int32_t AccountId = 0;
  std::int32_t AccountTypeId = 0;
  std::string GroupId;  // as received; key into the group collection
  std::string AccountName;
  bool AccountEnabled = false;
  std::int32_t BranchId = 0;
  double Balance = 0;
  double UnrealisedPL = 0;
  double UsedMargin = 0;
  double AvailableMargin = 0;
  double Equity = 0;
  std::int32_t InstrumentLimit = 0;
  std::int32_t WatchlistItemLimit = 0;
  std::int32_t AutoExecutionModeId = 0;
  std::int32_t TradeRouteId = 0;
  std::int32_t HedgeModeId = 0;
  double CollateralSecurity = 0;
  double LeverageOnPositions = 0;
  std::int32_t AccountAccessTypeId = 0;
  std::int32_t TradingStatusId = 0;
  std::int32_t MarginStatus = 0;
  double AccumulatingStorage = 0;
  double Leverage = 0;
  std::int32_t tradingStatus = 0;  // 0 to 6
  std::int32_t previoustradingStatus = 0;
  std::int32_t accountaccessType = 0;  // 1, 2, 3, 4, 10 or 0
  std::int32_t availableOrderTypes = 0;
  std::int32_t accountSettings1 = 0;
  std::int32_t accountMarginStatus = 0;
  std::int32_t previousaccountMarginStatus = 0;

  // Stores the raw code and the normalised one: access types 1, 2, 3, 4 and 10 are kept, any
  // other gives 0; a trading status outside 0 to 6 leaves tradingStatus as it was.
  void setAccountAccessTypeId(std::int32_t code);
  void setTradingStatusId(std::int32_t code);

  static std::string getAccountStatus(std::int32_t status);
  static std::string getAccountType(std::int64_t type);
  static std::string getAccountAccessType(std::int32_t accessType);
};

}  // namespace td
