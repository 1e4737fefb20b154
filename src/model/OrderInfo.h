#pragma once
// The parameters of one order request as an order window gathers them.

#include <cstdint>
#include <string>

namespace td {

struct OrderInfo {
  std::int32_t tradingMode = 0;
  std::int32_t orderType = 0;
  std::int32_t deliveryMode = 0;
  std::int32_t timeinForce = 0;
  std::int32_t editorderReqType = 0;  // 1 cancel, 2 modify
  std::int32_t accountNo = 0;
  bool TakeProfitEnabled = false;
  bool StopLossEnabled = false;
  std::string itemCode;
  std::string quantity;
  std::string previousQuantity;
  std::string price;
  std::string limitPrice;
  std::string stopPrice;
  std::string orderNo;
  bool isCloseNew = false;
  bool isEWO = false;
  bool isEBO = false;
  std::string orderDetails;
  std::int32_t deviation = 0;  // -1 when the deviation box is not ticked
};

}  // namespace td
