#include "session/trading/ProfitAndLoss.h"

#include <cmath>
#include <string>
#include <unordered_map>

#include "model/Conversions.h"
#include "session/trading/ReadSide.h"

namespace td {

double ProfitAndLoss::CalculateFloatingPL(const ItemDetails* item, std::int32_t side, double q, double op,
                                          double cp) {
  if (!item || !(q > 0)) return 0;
  std::int32_t mode = item->PLCalcModeId;
  if (mode < 1) mode = 1;
  if (mode > 6) return 0;
  const double cs = item->ContractSize;
  const bool positivePrices = op > 0 && cp > 0;
  double mid = 1;
  if (mode == 5 || mode == 6) {
    if (const auto conversion = item->CalculationItems.lock()) {
      const double m = (conversion->Bid + conversion->Ask) / 2;
      if (m != 0 && std::isfinite(m)) mid = m;
    }
  }
  double r = 0;
  switch (mode) {
    case 1: r = (op - cp) * q * cs; break;
    case 2: r = positivePrices ? (1 / op - 1 / cp) * q * cs : 0; break;
    case 3: r = positivePrices ? std::round((op - cp) * std::pow(10.0, item->DecimalPlaces) * item->Point * q) : 0; break;
    case 4: r = positivePrices ? (op - cp) * cs * q / cp : 0; break;
    case 5: r = (op - cp) * q * cs * mid; break;
    case 6: r = (op - cp) * q * cs / mid; break;
    default: break;
  }
  if (!std::isfinite(r)) return 0;
  if (r == 0) return 0;  // no negative zero for a buy
  return side == 0 ? -r : r;
}

double ProfitAndLoss::calcCommission(std::string_view orderQty, std::string_view remainingQty, double commission) {
  const double quantity = conv::toDouble(orderQty);
  if (!(quantity > 0)) return commission;
  return commission / quantity * conv::toDouble(remainingQty);
}

void ProfitAndLoss::CalcPL(Order& order, const ReferenceData& reference) {
  const auto account = reference.account(order.AccountNumber);
  if (account && account->tradingStatus == 5) return;
  const auto item = reference.item(order.ItemCode);
  if (!item) {
    order.UnrealisedPL = 0;
    return;
  }
  const double price = order.tradingMode == 0 ? item->Bid : item->Ask;
  order.UnrealisedPL = CalculateFloatingPL(item.get(), order.tradingMode, conv::toDouble(order.RemainingQty),
                                           conv::toDouble(order.OrderPrice), price);
}

void ProfitAndLoss::applyAccountFigures(AccountDetails& account, double unrealised, const ReferenceData& reference) {
  account.UnrealisedPL = unrealised;
  double percent = 0;
  if (const auto group = reference.group(account.GroupId)) {
    percent = unrealised >= 0 ? group->LeverageOnFProfit : group->RevLeverageOnFLoss;
  }
  account.Leverage = percent * unrealised / 100;
  if (account.tradingStatus != 5) {
    account.Equity = account.Balance + account.Leverage + account.AccumulatingStorage + account.CollateralSecurity;
  }
  account.AvailableMargin = account.Equity - account.UsedMargin;
}

double ProfitAndLoss::unrealisedOf(const AccountDetails& account, const ReferenceData& reference,
                                   const OrderList& openOrders) {
  // The visible positions whose account number has the account's id; one look-up per run of
  // positions of one account number, and no copy of the collection.
  double sum = 0;
  const std::string* runKey = nullptr;
  bool counts = false;
  for (const OrderPtr& order : openOrders) {
    if (!order) continue;
    if (!runKey || *runKey != order->AccountNumber) {
      runKey = &order->AccountNumber;
      counts = conv::toInt(order->AccountNumber) == account.AccountId && ReadSide::isVisibleOrder(*order, reference);
    }
    if (counts) sum += order->UnrealisedPL;
  }
  return sum;
}

void ProfitAndLoss::calcAccountDetails(std::int32_t accountId, const ReferenceData& reference,
                                       const OrderList& openOrders) {
  const auto account = reference.account(std::to_string(accountId));
  if (!account) return;
  applyAccountFigures(*account, unrealisedOf(*account, reference, openOrders), reference);
}

AccountDetails ProfitAndLoss::accountFigures(const AccountDetails& account, const ReferenceData& reference,
                                             const OrderList& openOrders) {
  AccountDetails figures = account;
  applyAccountFigures(figures, unrealisedOf(account, reference, openOrders), reference);
  return figures;
}

void ProfitAndLoss::refreshFloatingFigures(const ReferenceData& reference, const OrderList& openOrders) {
  // Items by code for this pass: a hash look-up per position instead of a walk down the ordered map.
  std::unordered_map<std::string_view, const ItemDetails*> items;
  items.reserve(reference.ItemCollection().size() * 2);
  for (const auto& [code, item] : reference.ItemCollection()) items.emplace(code, item.get());

  // Positions of one account usually come in runs: one account look-up and one sum update per run.
  std::unordered_map<std::int32_t, double> sums;
  const std::string* runAccount = nullptr;
  std::shared_ptr<AccountDetails> account;
  bool visible = true;
  std::int32_t accountId = 0;
  double runSum = 0;
  auto flush = [&] {
    if (runAccount && visible) sums[accountId] += runSum;
    runSum = 0;
  };
  for (const OrderPtr& order : openOrders) {
    if (!order) continue;
    if (!runAccount || *runAccount != order->AccountNumber) {
      flush();
      runAccount = &order->AccountNumber;
      account = reference.account(order->AccountNumber);
      visible = !account || ReadSide::isVisibleAccount(*account);
      accountId = conv::toInt(order->AccountNumber);
    }
    if (!visible) continue;
    if (!account || account->tradingStatus != 5) {
      const auto found = items.find(order->ItemCode);
      if (found == items.end()) {
        order->UnrealisedPL = 0;
      } else {
        const ItemDetails& item = *found->second;
        const double price = order->tradingMode == 0 ? item.Bid : item.Ask;
        order->UnrealisedPL = CalculateFloatingPL(&item, order->tradingMode, conv::toDouble(order->RemainingQty),
                                                  conv::toDouble(order->OrderPrice), price);
      }
    }
    runSum += order->UnrealisedPL;
  }
  flush();
  for (const auto& [key, record] : reference.AccountDetailCollection()) {
    if (!record) continue;
    const auto found = sums.find(record->AccountId);
    applyAccountFigures(*record, found == sums.end() ? 0.0 : found->second, reference);
  }
}

}  // namespace td
