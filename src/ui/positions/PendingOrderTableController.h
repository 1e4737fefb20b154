#pragma once
// The working orders list: one row per working limit or stop order of the accounts the user may
// see, with the live price the order waits for (refreshed every second). The row menu edits or
// cancels a limit or stop order through a sheet on the main window.

#include <chrono>

#include "platform/MainQueue.h"
#include "ui/positions/PositionListModel.h"
#include "ui/positions/PositionSheetOpener.h"

namespace td {

class PendingOrderTableController final : public PositionListModel {
  Q_OBJECT
 public:
  enum Field {
    PendingId, Account, Symbol, OrderQuantity, RemainingQuantity, Type, OrderType, Price, TakeProfit, StopLoss,
    CurrentPrice, RelatedPosition, TimeInForce, Validity, OrderTime,
  };

  // Item 0 edits, item 1 cancels; both shown or neither. Both act on the order `orderId`.
  struct RowMenu {
    bool visible = false;
    std::string editTitle;
    std::string cancelTitle;
    std::string orderId;
  };

  PendingOrderTableController(PositionsSession& session, NotificationCenter& notifications,
                              PositionSheetOpener& sheets,
                              Clock::Duration refreshInterval = std::chrono::seconds(1), QObject* parent = nullptr);

  // The timer's action: the Current Price cell of every row.
  void RefreshTableview();
  RowMenu menuNeedsUpdate(int clickedRow) const;
  // The menu's actions on the order it was opened on; when that order has gone meanwhile, the
  // user is told and no sheet opens.
  void editOrderButtonClicked(const std::string& orderId);
  void cancelOrderButtonClicked(const std::string& orderId);

 protected:
  OrderRows fetchRows() const override;
  std::string text(const Order& order, int row, int field, int column) const override;

 private:
  // A limit or stop order with the id the server gave it: the only kind the sheets can act on.
  static bool actionable(const std::shared_ptr<Order>& order);
  // The order `orderId` of the working orders now, when a sheet can act on it.
  bool stillActionable(const std::string& orderId) const;

  PositionSheetOpener& sheets_;
  TimerHandle refreshTimer_;
};

}  // namespace td
