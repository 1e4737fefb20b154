#pragma once
// An account group and the instrument terms it owns.

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "model/GroupInstruments.h"

namespace td {

struct GroupDetails {
  std::int32_t GroupId = 0;
  std::string Name;
  bool TradingEnabled = false;
  std::int32_t CompanyId = 0;
  bool IsNewsEnabled = false;
  bool IsMailEnabled = false;
  bool IsChatEnabled = false;
  bool IsEAEnabled = false;
  std::int32_t InstrumentLimit = 0;
  std::int32_t WatchlistItemLimit = 0;
  double MaxOrderQty = 0;
  double OrderQtyStep = 0;
  bool IsTrailingStopEnabled = false;
  double MarginCallLevel = 0;
  double StopOutLevel = 0;
  std::int32_t LeverageOnFProfit = 0;
  std::int32_t RevLeverageOnFLoss = 0;
  std::int32_t ReportHistoryDaysLimit = 0;
  bool SendMailReports = false;
  bool SendExecutionSMS = false;
  std::int32_t CreditRating = 0;
  // Terms by the decimal text of the instrument id.
  std::map<std::string, std::shared_ptr<GroupInstruments>, std::less<>> GroupInstrumentCollection;
};

}  // namespace td
