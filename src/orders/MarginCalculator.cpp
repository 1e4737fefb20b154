#include "orders/MarginCalculator.h"

#include <cmath>

#include "model/Order.h"
#include "model/ReferenceData.h"
#include "wire/Formatter.h"
#include "wire/OrderRequests.h"

namespace td {

double MarginCalculator::GetMarginForSingleLot(const GroupInstruments* terms, const Order& order,
                                               const ItemDetails* item) {
  if (terms == nullptr) return 0;
  double m = terms->InitialMargin;
  if (order.deliveryMode == 3) {
    m = terms->BTSTOrderMargin;
  } else if (order.deliveryMode == 2) {
    m = terms->IntradayOrderMargin;
  }
  if (terms->margincalculationMode == 2) {
    const double contractSize = item == nullptr ? 0 : item->ContractSize;
    return ((OrderRequests::leadingNumber(order.OrderPrice) * contractSize) * m) / 100;
  }
  return m;
}

void MarginCalculator::GetTotalLots(std::span<const std::shared_ptr<Order>> openPositions, std::string_view itemCode,
                                    std::string_view accountNumber, std::int32_t deliveryMode, double& buy,
                                    double& sell) {
  for (const auto& position : openPositions) {
    if (!position || position->AccountNumber != accountNumber || position->ItemCode != itemCode ||
        position->deliveryMode != deliveryMode) {
      continue;
    }
    const double lots = OrderRequests::leadingNumber(position->RemainingQty);
    if (position->tradingMode == 0) {
      buy += lots;
    } else {
      sell += lots;
    }
  }
}

double MarginCalculator::Hedge(double buy, double sell, bool netOnly, double marginPerLot, double hedgePercent,
                               bool ignoreNet) {
  if (ignoreNet) netOnly = false;
  const double net = std::fabs(buy - sell) * marginPerLot;
  if (netOnly) return net;
  const double hedged = (buy >= sell ? sell : buy) * marginPerLot * (hedgePercent / 100);
  return std::fabs(hedged + net);
}

std::pair<std::string, std::string> MarginCalculator::hedgeMarginEntry(
    const ReferenceData& data, const AccountDetails* account, std::span<const std::shared_ptr<Order>> openPositions,
    const Order& position) {
  const auto item = data.item(position.ItemCode);
  std::shared_ptr<GroupInstruments> terms;
  if (account != nullptr && item) terms = data.groupInstruments(*account, item->InstrumentId);
  const double pct = terms ? terms->LiquidationMargin : 0;
  const bool netOnly = account == nullptr || account->HedgeModeId != 1;
  const double m = GetMarginForSingleLot(terms.get(), position, item.get());
  double buy = 0;
  double sell = 0;
  GetTotalLots(openPositions, position.ItemCode, std::to_string(account == nullptr ? 0 : account->AccountId),
               position.deliveryMode, buy, sell);
  const double h = Hedge(buy, sell, netOnly, m, pct, false);
  return {position.ItemCode + "#" + std::to_string(position.deliveryMode), Formatter::formatDecimal(h, 2)};
}

}  // namespace td
