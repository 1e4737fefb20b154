#include "ui/positions/PendingOrderTableController.h"

#include "model/AccountDetails.h"
#include "model/ItemDetails.h"
#include "ui/positions/PositionTexts.h"
#include "ui/positions/SheetSupport.h"

namespace td {
namespace {

namespace T = PositionTexts;
using P = PendingOrderTableController;

std::vector<ListColumn> pendingColumns() {
  return {
      {"Pending Id", P::PendingId, false, false, false, 80},
      {"Account", P::Account, false, false, false, 70},
      {"Symbol", P::Symbol, false, false, false, 80},
      {"Order Quantity", P::OrderQuantity, true, false, false, 100},
      {"Remaining Quantity", P::RemainingQuantity, true, false, false, 125},
      {"Type", P::Type, false, false, false, 45},
      {"Order Type", P::OrderType, false, false, false, 80},
      {"Price", P::Price, true, false, false, 90},
      {"Take Profit", P::TakeProfit, true, false, false, 90},
      {"Stop Loss", P::StopLoss, true, false, false, 90},
      {"Current Price", P::CurrentPrice, true, false, false, 100},
      {"Related Position", P::RelatedPosition, false, false, false, 110},
      {"Time in Force", P::TimeInForce, false, false, false, 95},
      {"Validity", P::Validity, false, false, false, 70},
      {"Order Time", P::OrderTime, false, true, false, 145},
  };
}

std::string bracketPrice(const std::string& text, const ItemDetails* item) {
  return text.empty() ? std::string("0.00") : T::price(text, item);
}

}  // namespace

PendingOrderTableController::PendingOrderTableController(PositionsSession& session, NotificationCenter& notifications,
                                                         PositionSheetOpener& sheets, Clock::Duration refreshInterval,
                                                         QObject* parent)
    : PositionListModel(session, notifications, "PendingOrderTableNotification", pendingColumns(), parent),
      sheets_(sheets) {
  reload();
  if (MainQueue* queue = MainQueue::instance()) {
    refreshTimer_ = queue->scheduleRepeating(refreshInterval, [this] { RefreshTableview(); });
  }
}

OrderRows PendingOrderTableController::fetchRows() const { return session_.getPendingOrderCollection(); }

void PendingOrderTableController::RefreshTableview() {
  if (!readRows(false)) redrawColumn(columnOfField(CurrentPrice));
}

std::string PendingOrderTableController::text(const Order& o, int, int field, int column) const {
  const auto item = [&] { return session_.item(o.ItemCode); };
  switch (field) {
    case PendingId: return o.PendingOrderId;
    case Account: return o.AccountNumber;
    case Symbol: return o.ItemCode;
    case OrderQuantity: return T::number(T::value(o.OrderQty));
    case RemainingQuantity: return T::number(T::value(o.RemainingQty));
    case Type: return T::side(o.tradingMode);
    case OrderType: return T::orderType(o.orderType);
    case Price: return T::price(o.OrderPrice, item().get());
    case TakeProfit: return bracketPrice(o.LimitPrice, item().get());
    case StopLoss: return bracketPrice(o.StopPrice, item().get());
    case CurrentPrice: {
      // A buy order waits for the ask, a sell order for the bid; nothing moves on equity hit.
      const auto i = item();
      const auto owner = session_.account(o.AccountNumber);
      if (owner && owner->tradingStatus == 5) return T::price(0.0, i.get());
      return T::price(i ? (o.tradingMode == 0 ? i->Ask : i->Bid) : 0, i.get());
    }
    case RelatedPosition: return o.RefPositionIdOfBracket.empty() ? std::string("0") : o.RefPositionIdOfBracket;
    case TimeInForce: return T::timeInForce(o.timeinForce);
    case Validity: return T::validity(o.deliveryMode);
    case OrderTime: return T::dateCell(columnWidth(column), o.TransactionDateTime);
    default: return {};
  }
}

bool PendingOrderTableController::actionable(const std::shared_ptr<Order>& order) {
  return order && !order->PendingOrderId.empty() && (order->orderType == 2 || order->orderType == 3);
}

bool PendingOrderTableController::stillActionable(const std::string& orderId) const {
  return actionable(SheetSupport::listedWorkingOrder(session_.getPendingOrderCollection(), orderId));
}

PendingOrderTableController::RowMenu PendingOrderTableController::menuNeedsUpdate(int clickedRow) const {
  RowMenu menu;
  if (sheets_.isSheetOpen()) return menu;
  const auto order = orderAt(clickedRow);
  if (!actionable(order)) return menu;
  const std::string kind = order->orderType == 2 ? "Limit" : "Stop";
  menu.visible = true;
  menu.editTitle = "Edit " + kind + " Order";
  menu.cancelTitle = "Cancel " + kind + " Order";
  menu.orderId = order->PendingOrderId;
  return menu;
}

void PendingOrderTableController::editOrderButtonClicked(const std::string& orderId) {
  if (stillActionable(orderId)) sheets_.openModifySheet(1, orderId);
}

void PendingOrderTableController::cancelOrderButtonClicked(const std::string& orderId) {
  if (stillActionable(orderId)) sheets_.openCloseOrCancelSheet(1, orderId);
}

}  // namespace td
