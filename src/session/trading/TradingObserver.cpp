#include "session/trading/TradingObserver.h"

#include <cstdio>

#include "model/Conversions.h"
#include "model/JournalData.h"

namespace td {

std::string TradingObserver::positionLine(const Order& p) {
  return "POSITION " + p.OpenPositionId + " " + p.ItemCode + " " + (p.tradingMode == 0 ? "buy" : "sell") + " " +
         p.RemainingQty + " " + p.OrderPrice;
}

std::string TradingObserver::settledLine(const Order& s) {
  char pl[64];
  std::snprintf(pl, sizeof pl, "%.2f", conv::toDouble(s.SettledPL));
  return "SETTLED " + s.SettlementId + " pl=" + pl;
}

std::string TradingObserver::journalLine(const std::string& line) {
  const std::size_t at = line.find(JournalData::kSeparator);
  return "JOURNAL " + (at == std::string::npos ? line : line.substr(at + 3));
}

}  // namespace td
