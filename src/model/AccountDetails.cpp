#include "model/AccountDetails.h"

#include <iterator>

namespace td {

void AccountDetails::setAccountAccessTypeId(std::int32_t code) {
  AccountAccessTypeId = code;
  accountaccessType = (code >= 1 && code <= 4) || code == 10 ? code : 0;
}

void AccountDetails::setTradingStatusId(std::int32_t code) {
  TradingStatusId = code;
  if (code >= 0 && code <= 6) tradingStatus = code;
}

std::string AccountDetails::getAccountStatus(std::int32_t status) {
  switch (status) {
    case 1: return "Normal";
    case 2: return "View Only";
    case 3: return "Suspended";
    case 4: return "Close Position Only";
    case 5: return "Equity Hit";
    case 6: return "Closed";
    default: return "";
  }
}

std::string AccountDetails::getAccountType(std::int64_t type) {
  static const char* const kNames[] = {"Unknown",          "Trade Client",  "Clearing Member",    "Market Maker",
                                       "Introducing Broker", "Dealer",      "Chief Dealer",       "Super Dealer",
                                       "NonClearing Member", "Clearing House", "Admin",           "Agent",
                                       "NonTrading",         "Error Account"};
  if (type < 0 || type >= static_cast<std::int64_t>(std::size(kNames))) return "";
  return kNames[type];
}

std::string AccountDetails::getAccountAccessType(std::int32_t accessType) {
  switch (accessType) {
    case 0: return "Unknown";
    case 1: return "Trade";
    case 2: return "Close Only";
    case 3: return "View Trade";
    case 4: return "View Market";
    case 10: return "None";
    default: return "";
  }
}

}  // namespace td
