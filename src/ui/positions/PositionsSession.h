#pragma once
// What the position and order lists and their sheets read of the session of the moment and ask of
// its order desk. The lists live as long as the main window, while every login brings a new session
// object and desk: LivePositionsSession reaches the current ones through the application context at
// each call, tests put a fake in its place. Main thread only.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/Order.h"
#include "model/OrderInfo.h"
#include "model/SearchInfo.h"
#include "orders/PriceBounds.h"

namespace td {

class ReferenceData;
struct AccountDetails;
struct GroupInstruments;
struct ItemDetails;

using OrderRows = std::vector<std::shared_ptr<Order>>;

class PositionsSession {
 public:
  virtual ~PositionsSession() = default;

  // Items, accounts and groups of the session; none between sessions.
  virtual const ReferenceData* referenceData() const = 0;

  // The collections as the lists show them (new arrays of the live records, hidden accounts left
  // out); empty between sessions.
  virtual OrderRows getOpenOrderCollection() const = 0;
  virtual OrderRows getPendingOrderCollection() const = 0;
  virtual OrderRows getCancelledOrderCollection() const = 0;
  virtual OrderRows getSettledOrderCollection() const = 0;
  virtual OrderRows getExecutedOrderCollection() const = 0;

  // The executed-position search.
  virtual void setExecutedPositionState(bool search) = 0;
  virtual void clearExecutedOrderSearchCollection() = 0;
  // False when the request did not reach the server.
  virtual bool requestExecutedPosition(const SearchInfo& search) = 0;

  // The order desk: margin of one lot, proposed take-profit and stop-loss prices (for the request
  // `request`, PriceBounds), and the requests (each true when it reached the server; refusals are
  // posted on "PlaceOrderNotification").
  virtual double GetMarginForSingleLot(const Order& order) const = 0;
  virtual std::string UpdateTakeProfitandStopLoss(std::int32_t side, std::string_view itemCode, bool takeProfit,
                                                  std::int32_t accountNumber, std::int32_t orderType,
                                                  std::string_view orderPrice,
                                                  PriceBounds::BracketOf request) const = 0;
  virtual bool PlacePartialOrder(const OrderInfo& info) = 0;
  virtual bool PlaceEditBracketOrder(const OrderInfo& info) = 0;
  virtual bool PlaceEditWorkingOrder(const OrderInfo& info) = 0;
  virtual bool PlaceOffsetOrder(const std::string& offsetList, const std::string& itemCode,
                                const std::string& accountNo) = 0;

  // ---- lookups over referenceData() (none when the session or the record is missing) ----
  std::shared_ptr<ItemDetails> item(std::string_view code) const;
  std::shared_ptr<AccountDetails> account(std::string_view accountNumber) const;
  // The terms of the account's group for the item.
  std::shared_ptr<GroupInstruments> groupInstruments(std::string_view accountNumber, std::string_view itemCode) const;
  // The record of `rows` whose id (`id` of the record) is `key`; none for an empty key.
  static std::shared_ptr<Order> find(const OrderRows& rows, std::string Order::*id, std::string_view key);
};

// The session and order desk of the application context of the moment.
class LivePositionsSession final : public PositionsSession {
 public:
  const ReferenceData* referenceData() const override;
  OrderRows getOpenOrderCollection() const override;
  OrderRows getPendingOrderCollection() const override;
  OrderRows getCancelledOrderCollection() const override;
  OrderRows getSettledOrderCollection() const override;
  OrderRows getExecutedOrderCollection() const override;
  void setExecutedPositionState(bool search) override;
  void clearExecutedOrderSearchCollection() override;
  bool requestExecutedPosition(const SearchInfo& search) override;
  double GetMarginForSingleLot(const Order& order) const override;
  std::string UpdateTakeProfitandStopLoss(std::int32_t side, std::string_view itemCode, bool takeProfit,
                                          std::int32_t accountNumber, std::int32_t orderType,
                                          std::string_view orderPrice, PriceBounds::BracketOf request) const override;
  bool PlacePartialOrder(const OrderInfo& info) override;
  bool PlaceEditBracketOrder(const OrderInfo& info) override;
  bool PlaceEditWorkingOrder(const OrderInfo& info) override;
  bool PlaceOffsetOrder(const std::string& offsetList, const std::string& itemCode,
                        const std::string& accountNo) override;
};

}  // namespace td
