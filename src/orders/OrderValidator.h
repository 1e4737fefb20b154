#pragma once
// The checks an order passes before it leaves the client: connection, account status and access,
// instrument status, price and quantity, then for market, limit and stop orders the trading
// session's permissions, the group's terms (quantity limits and step), the entry price's tick and
// distance from the market, the take-profit and stop-loss, and the free margin. The price bounds
// are those of PriceBounds, the very numbers the windows show beside their fields. Each check stops
// at the first failure and gives its text for the user; passing gives no text.
//
// The checks read the records of the session's reference data afresh at every call and change
// nothing. Main thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace td {

class ReferenceData;
struct ItemDetails;
struct Order;

// What the checks read of the live session besides its reference data.
struct OrderCheckContext {
  const ReferenceData* referenceData = nullptr;
  // The network is reachable and the TCP session is connected.
  bool connected = false;
  // The open positions as the windows see them (`getOpenOrderCollection`); asked only when an
  // order needs more than the account's free margin.
  std::function<std::vector<std::shared_ptr<Order>>()> openPositions;
};

// The failure text of the first check that fails; none when every check passes.
using CheckFailure = std::optional<std::string>;

class OrderValidator {
 public:
  // How far `Validate:` goes. A working-order cancel is held to the connection, the account and
  // the instrument access (steps 1 to 12) and to the trading session's permissions; it adds no
  // exposure, so its price, quantity, group terms and margin are not checked.
  enum class Scope { Full, Cancel };

  explicit OrderValidator(OrderCheckContext context) : context_(std::move(context)) {}

  // `Validate:`. `boundAccounts`: the accounts of an order for several of them, each held to the
  // farthest of their price bounds, the one the window shows (none: the order's account alone).
  CheckFailure Validate(const Order& order, Scope scope = Scope::Full,
                        std::span<const std::int32_t> boundAccounts = {}) const;
  // `VerifyOrder:` (for order types 1 to 3, after `Validate:`'s own checks).
  CheckFailure VerifyOrder(const Order& order, std::span<const std::int32_t> boundAccounts = {}) const;
  // `validateOffsetPosition::`: may the account offset hedged positions of the item now?
  CheckFailure validateOffsetPosition(std::string_view itemCode, std::string_view accountNumber) const;
  // `CheckMargin:`: true when the account can carry the order.
  bool CheckMargin(const Order& order) const;

 private:
  // The trading session's permissions for the order's kind (`ordertypeInfo`).
  CheckFailure sessionPermissions(const Order& order, const ItemDetails& item) const;

  OrderCheckContext context_;
};

}  // namespace td
