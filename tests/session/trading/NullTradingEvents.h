#pragma once
// Trading events that go nowhere: for feeding reports to the trading side when what it tells the
// session does not matter (benchmarks, fuzz targets).

#include <cstdint>
#include <string>
#include <vector>

#include "session/trading/TradingEvents.h"

namespace td::testing {

class NullTradingEvents : public TradingEvents {
 public:
  void PendingOrderNotification(const OrderPtr&, std::int32_t) override {}
  void OrderRejectionNotification(const std::string&) override {}
  void TradeConfirmationNotification(const std::string&) override {}
  void ShowSettledOrderNotification(const std::string&, const std::string&, const std::string&) override {}
  void MarginCallNotification(const std::string&) override {}
  void passwordChangeNotification() override {}
  void passwordChangeRefusedNotification(const std::string&) override {}
  void demoUserCreationNotification(const std::string&) override {}
  void demoUserCreationFailureNotification() override {}
  void subscribeItems(const std::vector<std::string>&, bool) override {}
  void requestEquityPriceinfo(std::int32_t) override {}
  void setPassword(const std::string&) override {}
};

}  // namespace td::testing
