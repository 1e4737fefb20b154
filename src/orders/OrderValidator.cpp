#include "orders/OrderValidator.h"

#include <cmath>

#include "model/Order.h"
#include "model/ReferenceData.h"
#include "orders/MarginCalculator.h"
#include "orders/OrderNumbers.h"
#include "orders/PriceBounds.h"
#include "wire/Formatter.h"
#include "wire/OrderRequests.h"

namespace td {
namespace {

constexpr std::string_view kNoTradeAccess = "Your account doesn't have sufficient access to trade";
constexpr std::string_view kNoSymbolAccess = "Your account doesn't have access to selected symbol";
constexpr std::string_view kNoOffsetAccess = "Your account doesn't have sufficient access to Offset positions";
constexpr std::string_view kSuspended = "Your account has been suspended";
constexpr std::string_view kEquityStop = "Your account equity stop has been reached";

std::string withNumber(std::string_view head, std::string_view number, std::string_view tail = {}) {
  std::string out(head);
  out.append(number);
  out.append(tail);
  return out;
}

// The price text of the field `name` against its bound as the windows show it beside the field,
// compared exactly: the refusal names the bound, or none when the price keeps it.
CheckFailure breaksBound(std::string_view name, std::string_view priceText, const PriceBounds::Bound& bound) {
  const Decimal price = OrderNumbers::strictDecimal(priceText);
  const Decimal limit = Decimal::parse(bound.number);
  if (!price.isNaN() && !limit.isNaN() && (bound.atLeast ? !(price < limit) : !(price > limit))) return std::nullopt;
  return withNumber(name,
                    bound.atLeast ? " price should be greater than or equal to " : " price should be less than or equal to ",
                    bound.number);
}

}  // namespace

CheckFailure OrderValidator::Validate(const Order& order, Scope scope, std::span<const std::int32_t> boundAccounts) const {
  const ReferenceData& data = *context_.referenceData;
  if (!context_.connected) return "Not Connected";
  if (order.ItemCode.empty()) return "Symbol cannot be empty";
  if (order.AccountNumber.empty()) return "Account is not valid";
  if (order.orderType == 0) return "Order Type is not valid";

  // An unknown account reads as status and access 0 here; the group check refuses it later.
  const auto account = data.account(order.AccountNumber);
  const std::int32_t status = account ? account->tradingStatus : 0;
  const std::int32_t access = account ? account->accountaccessType : 0;
  const bool closing = order.isCloseNew;
  if (status == 2) return OrderNumbers::accountText(order.AccountNumber, kNoTradeAccess);
  if (status == 3) return OrderNumbers::accountText(order.AccountNumber, kSuspended);
  if (status == 4 && !closing) return OrderNumbers::accountText(order.AccountNumber, kNoTradeAccess);
  if (status == 5) return OrderNumbers::accountText(order.AccountNumber, kEquityStop);
  if (status == 6) return OrderNumbers::accountText(order.AccountNumber, kNoTradeAccess);
  if (access == 3) return OrderNumbers::accountText(order.AccountNumber, kNoTradeAccess);
  if (access == 2 && !closing) return OrderNumbers::accountText(order.AccountNumber, kNoTradeAccess);

  const auto item = data.item(order.ItemCode);
  if (item && item->instrumentTradingStatus == 2 && !closing) {
    return std::string("This Item doesn't have sufficient access to trade");
  }
  if (scope == Scope::Cancel) {
    if (!item) return "Symbol not tradable";
    return sessionPermissions(order, *item);
  }

  // An empty or malformed number is no price and no quantity.
  const auto price = OrderNumbers::strictNumber(order.OrderPrice);
  if (!price || !(*price > 0)) return "Price should be greater than zero";
  const auto quantity = OrderNumbers::strictNumber(order.OrderQty);
  if (!quantity || !(*quantity > 0)) return "Quantity should be greater than zero";
  if (!item || !item->isAvailableForTrading) return "Symbol not tradable";

  if (order.orderType >= 1 && order.orderType <= 3) return VerifyOrder(order, boundAccounts);
  return std::nullopt;
}

CheckFailure OrderValidator::VerifyOrder(const Order& order, std::span<const std::int32_t> boundAccounts) const {
  const ReferenceData& data = *context_.referenceData;
  const auto foundItem = data.item(order.ItemCode);
  if (!foundItem) return "Symbol not tradable";
  const ItemDetails& item = *foundItem;
  const double price = OrderNumbers::strictNumber(order.OrderPrice).value_or(0);
  const double quantity = OrderNumbers::strictNumber(order.OrderQty).value_or(0);
  const bool buy = order.tradingMode == 0;

  if (CheckFailure refused = sessionPermissions(order, item)) return refused;

  const auto account = data.account(order.AccountNumber);
  const auto group = account ? data.group(account->GroupId) : nullptr;
  if (!group || !group->TradingEnabled) return OrderNumbers::accountText(order.AccountNumber, kNoTradeAccess);
  const auto found = group->GroupInstrumentCollection.find(std::to_string(item.InstrumentId));
  if (found == group->GroupInstrumentCollection.end() || !found->second) {
    return OrderNumbers::accountText(order.AccountNumber, kNoSymbolAccess);
  }
  const GroupInstruments& terms = *found->second;

  if (quantity > terms.MaxOrderQty) {
    return withNumber("Quantity is greater than maximum order quantity (", Formatter::formatDecimal(terms.MaxOrderQty, 2),
                      ")");
  }
  if (quantity < terms.MinOrderQty) {
    if (order.isCloseNew) {
      if (quantity < OrderRequests::leadingNumber(order.PreviousOrderQty)) {
        return withNumber("Quantity should not be less than (", order.PreviousOrderQty, ")");
      }
    } else {
      return withNumber("Quantity is less than minimum order quantity (",
                        Formatter::formatDecimal(terms.MinOrderQty, 2), ")");
    }
  }
  if (terms.OrderQtyStep > 0) {
    // Half a step at most; what "%f" shows as 0.000000 is a whole multiple.
    const double r = std::fabs(std::remainder(quantity, terms.OrderQtyStep));
    if (!Decimal::parse(Formatter::formatDecimal(r, 6)).isZero()) {
      return withNumber("Quantity should be in multiples of (", Formatter::formatDecimal(terms.OrderQtyStep, 2), ")");
    }
  }

  // The price bounds at the account's own market (its group's terms and quote), or the farthest of
  // those of the order's accounts.
  const auto bound = [&](const std::function<PriceBounds::Bound(const PriceBounds::Market&)>& boundOf) {
    return boundAccounts.empty() ? boundOf(PriceBounds::marketOf(item, found->second))
                                 : PriceBounds::farthest(data, &item, boundAccounts, boundOf);
  };
  if (order.orderType == 3 || order.orderType == 2) {
    if (!PriceBounds::isOnTick(price, item.DecimalPlaces, item.TickSize)) return "Price should be in correct tick";
    if (CheckFailure refused = breaksBound(order.orderType == 3 ? "Stop" : "Limit", order.OrderPrice,
                                           bound([&](const PriceBounds::Market& market) {
                                             return PriceBounds::entryBound(market, item, order.orderType, buy);
                                           }))) {
      return refused;
    }
  }

  // The take-profit and stop-loss protect the position: they stand on the other side of the order,
  // except in a bracket edit, whose side already is the closing one. Each keeps its distance from
  // the order's price (a market order's: the account's quote) and from the price the position
  // closes at, beyond which it would be triggered as soon as the position opens.
  const bool protectBuy = order.isEditBracketOrder ? buy : !buy;
  struct Bracket {
    bool enabled;
    bool takeProfit;
    const std::string& price;
    const char* name;
  };
  for (const Bracket& b : {Bracket{order.isTakeProfitEnabled, true, order.LimitPrice, "Take Profit"},
                           Bracket{order.isStopLossEnabled, false, order.StopPrice, "Stop Loss"}}) {
    if (!b.enabled) continue;
    if (b.price.empty()) return withNumber(b.name, " price cannot be empty");
    const auto value = OrderNumbers::strictNumber(b.price);
    if (value && !(*value > 0)) return withNumber(b.name, " price should be greater than zero");
    if (!value || !PriceBounds::isOnTick(*value, item.DecimalPlaces, item.TickSize)) {
      return withNumber(b.name, " price should be in correct tick");
    }
    if (CheckFailure refused = breaksBound(b.name, b.price, bound([&](const PriceBounds::Market& market) {
          return PriceBounds::bracketBound(market, item, b.takeProfit, protectBuy, order.orderType,
                                           PriceBounds::measuredFrom(market, item, order.orderType, buy, price));
        }))) {
      return refused;
    }
  }

  if (!CheckMargin(order)) return OrderNumbers::accountText(order.AccountNumber, "Not enough free margin");
  return std::nullopt;
}

CheckFailure OrderValidator::sessionPermissions(const Order& order, const ItemDetails& item) const {
  const auto session = context_.referenceData->sessionSetting(std::to_string(item.CurrentTradeSessionSettingId));
  if (!session) return "Symbol cannot be traded in this session";
  switch (order.ordertypeInfo) {
    case 0:
      if (order.isEditBracketOrder && !session->AllowNewMarket) return "New bracket order not allowed in this session";
      if (!session->AllowNewMarket) return "New market order not allowed in this session";
      break;
    case 1:
      if (order.isEditBracketOrder && !session->AllowNewMarket) return "New bracket order not allowed in this session";
      if (order.isEditWorkOrder && !session->AllowNewMarket) return "Edit contingent order not allowed in this session";
      if (!session->AllowNewMarket) return "New market order not allowed in this session";
      if (!session->AllowNewTpSl) return "New bracket order not allowed in this session";
      break;
    case 2:
      if (!session->AllowNewContigent) return "New contingent order not allowed in this session";
      break;
    case 3:
      if (!session->AllowNewContigent) return "New contingent order not allowed in this session";
      if (!session->AllowNewTpSl) return "New bracket order not allowed in this session";
      break;
    default:
      break;
  }
  return std::nullopt;
}

bool OrderValidator::CheckMargin(const Order& order) const {
  const ReferenceData& data = *context_.referenceData;
  const auto account = data.account(order.AccountNumber);
  const auto item = data.item(order.ItemCode);
  std::shared_ptr<GroupInstruments> terms;
  if (account && item) terms = data.groupInstruments(*account, item->InstrumentId);
  MarginCalculator::MarginInputs in;
  in.hedgePercent = terms ? terms->LiquidationMargin : 0;
  in.marginPerLot = MarginCalculator::GetMarginForSingleLot(terms.get(), order, item.get());
  in.netOnly = !account || account->HedgeModeId != 1;
  if (account) {
    in.availableMargin = account->AvailableMargin;
    in.usedMargin = account->UsedMargin;
    in.equity = account->Equity;
  }
  const double quantity = OrderRequests::leadingNumber(order.OrderQty);
  return MarginCalculator::hasFreeMargin(in, quantity, order.tradingMode == 0 ? 0 : 1,
                                         [&](double& buy, double& sell) {
                                           if (!context_.openPositions) return;
                                           const auto positions = context_.openPositions();
                                           MarginCalculator::GetTotalLots(positions, order.ItemCode,
                                                                          order.AccountNumber, order.deliveryMode,
                                                                          buy, sell);
                                         });
}

CheckFailure OrderValidator::validateOffsetPosition(std::string_view itemCode, std::string_view accountNumber) const {
  const ReferenceData& data = *context_.referenceData;
  const auto account = data.account(accountNumber);
  const auto item = data.item(itemCode);
  const auto session = data.sessionSetting(std::to_string(item ? item->CurrentTradeSessionSettingId : 0));
  if (!session) return "Symbol cannot be traded in this session";
  if (session->SettingsId != 0 && session->SettingsId != 1) return "Offset position not allowed in this session";
  const std::int32_t status = account ? account->tradingStatus : 0;
  const std::int32_t access = account ? account->accountaccessType : 0;
  if (status == 2 || status == 4 || status == 6) return OrderNumbers::accountText(accountNumber, kNoOffsetAccess);
  if (status == 3) return OrderNumbers::accountText(accountNumber, kSuspended);
  if (status == 5) return OrderNumbers::accountText(accountNumber, kEquityStop);
  if (access == 3 || access == 2) return OrderNumbers::accountText(accountNumber, kNoOffsetAccess);
  const auto group = account ? data.group(account->GroupId) : nullptr;
  if (!group || !group->TradingEnabled) return OrderNumbers::accountText(accountNumber, kNoOffsetAccess);
  const auto found = group->GroupInstrumentCollection.find(std::to_string(item ? item->InstrumentId : 0));
  if (found == group->GroupInstrumentCollection.end() || !found->second) {
    return OrderNumbers::accountText(accountNumber, kNoSymbolAccess);
  }
  return std::nullopt;
}

}  // namespace td
