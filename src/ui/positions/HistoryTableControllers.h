#pragma once
// The three lists of what happened: cancelled orders (read only), settled positions (with a totals
// line) and executed positions (the open positions by default, the executions of one day after a
// search, and the delivery receipt of a row).

#include <QDate>
#include <optional>
#include <string>

#include "ui/positions/PositionListModel.h"
#include "ui/positions/PositionSheetOpener.h"

namespace td {

class CancelledOrderTableController final : public PositionListModel {
  Q_OBJECT
 public:
  enum Field { Account, Symbol, Quantity, Type, OrderType, Price, PendingId, Validity, CancelledTime };

  CancelledOrderTableController(PositionsSession& session, NotificationCenter& notifications,
                                QObject* parent = nullptr);

 protected:
  OrderRows fetchRows() const override;
  std::string text(const Order& order, int row, int field, int column) const override;
};

class SettledPositionTableController final : public PositionListModel {
  Q_OBJECT
 public:
  enum Field {
    SettledId, Account, Symbol, Quantity, Type, OpenPrice, SettledPrice, Profit, Commission, Storage, Validity,
    OpenId, CloseId, OpenTime, SettledTime, CloseTime, OtherCharges, Rate,
  };

  SettledPositionTableController(PositionsSession& session, NotificationCenter& notifications,
                                 QObject* parent = nullptr);
  // The totals over every settled row, hidden columns or not.
  void updateStatusLabel();

 protected:
  OrderRows fetchRows() const override;
  std::string text(const Order& order, int row, int field, int column) const override;
  void afterReload() override { updateStatusLabel(); }
};

class ExecutedPositionTableController final : public PositionListModel {
  Q_OBJECT
 public:
  enum Field { PositionId, Account, Symbol, Quantity, Type, Price, OrderType, PendingId, Validity, ConfirmedTime };

  ExecutedPositionTableController(PositionsSession& session, NotificationCenter& notifications,
                                  PositionSheetOpener& sheets, QObject* parent = nullptr);

  // The day to search (today at start and after a reset).
  const QDate& searchDate() const { return searchDate_; }
  void setSearchDate(const QDate& date) { searchDate_ = date; }
  // `setDefaultValues`: today.
  void setDefaultValues();
  // The search of the executions of the chosen day: the list shows the last search's rows until the
  // reply replaces them. False when the request did not reach the server (the user has been told).
  bool searchButtonClicked();
  // Back to the open positions.
  void resetButtonClicked();

  // The row menu's one item, the delivery receipt, for an item that delivers and buys: the id of
  // the row's position when the menu offers it.
  std::optional<std::string> menuNeedsUpdate(int clickedRow) const;
  // The receipt of the position the menu was opened on; when it has left the list meanwhile, the
  // user is told and nothing opens.
  void deliveryReceiptButtonClicked(const std::string& positionId);

 protected:
  OrderRows fetchRows() const override;
  std::string text(const Order& order, int row, int field, int column) const override;

 private:
  PositionSheetOpener& sheets_;
  QDate searchDate_;
};

}  // namespace td
