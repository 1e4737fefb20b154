#pragma once
// The open positions list: one row per open position of the accounts the user may see, with the
// live closing price (green on a rise, red on a fall since the last second), the floating profit,
// the margin, and a totals line. The row menu changes a position's take-profit and stop-loss,
// closes it, offsets it against opposite positions, or shows its delivery receipt; a click on the
// price cell closes it too.
//
// Every second the price and profit cells and the totals line are refreshed (the whole table is
// read again only on "OpenPositionTableNotification"). The totals compute each position's margin
// themselves, whatever columns the table happens to show.

#include <chrono>
#include <unordered_map>

#include "platform/MainQueue.h"
#include "ui/positions/PositionListModel.h"
#include "ui/positions/PositionSheetOpener.h"

namespace td {

class OpenPositionTableController final : public PositionListModel {
  Q_OBJECT
 public:
  enum Field {
    PositionId, Account, Symbol, Quantity, Type, OpenPrice, CurrentPrice, Profit, TakeProfit, StopLoss, Validity,
    Commission, Margin, Storage, ConfirmedTime, ValueDate, ExpiryDate,
  };
  // How the price cell is drawn: on a rise, on a fall, unchanged (the row's own background), or on
  // the control colour while the account is on equity hit.
  enum PriceState { Unchanged = 0, Up = 1, Down = 2, EquityHit = 3 };
  static constexpr int PriceStateRole = Qt::UserRole + 1;

  // The row menu's four items, in their fixed order, and the position they act on.
  struct RowMenu {
    bool modify = false;
    bool close = false;
    bool offset = false;
    bool deliveryReceipt = false;
    std::string positionId;
    bool any() const { return modify || close || offset || deliveryReceipt; }
  };

  OpenPositionTableController(PositionsSession& session, NotificationCenter& notifications,
                              PositionSheetOpener& sheets,
                              Clock::Duration refreshInterval = std::chrono::seconds(1), QObject* parent = nullptr);

  // The timer's action: the price and profit cells of every row, then the totals line.
  void RefreshTableview();
  void updateStatusLabel();

  // `menuNeedsUpdate:` for a right click on `clickedRow` (-1: not on a row).
  RowMenu menuNeedsUpdate(int clickedRow) const;
  // The menu's actions on the position it was opened on; when that position has gone meanwhile,
  // the user is told and nothing opens.
  void modifyBracketOrderButtonClicked(const std::string& positionId);
  void closePositionButtonClicked(const std::string& positionId);
  void offsetPositionButtonClicked(const std::string& positionId);
  void deliveryReceiptButtonClicked(const std::string& positionId);
  // A click on a cell; the price cell closes the position.
  void cellClicked(int row, int column);

  PriceState priceState(int row) const;

 protected:
  OrderRows fetchRows() const override;
  std::string text(const Order& order, int row, int field, int column) const override;
  QVariant role(const Order& order, int row, int field, int role) const override;
  void afterReload() override;

 private:
  // The price each row shows and its colour, taken once per refresh or reload.
  struct PriceCell {
    double price = 0;
    PriceState state = Unchanged;
  };
  // The refresh prepares every row's cell; a reload only those of rows new to the list, so the
  // colour always tells the move since the last second.
  void preparePriceCells(bool everyRow);
  PriceCell prepare(Order& position) const;
  // Whether the position may be closed from the list: the instrument buys and sells, and the
  // account and the instrument both carry the closing permission.
  bool closable(const Order& position) const;
  void closePosition(const Order& position);

  PositionSheetOpener& sheets_;
  std::unordered_map<const Order*, PriceCell> priceCells_;
  TimerHandle refreshTimer_;
};

}  // namespace td
