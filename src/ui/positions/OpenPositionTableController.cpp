#include "ui/positions/OpenPositionTableController.h"

#include <QColor>

#include "model/AccountDetails.h"
#include "model/ItemDetails.h"
#include "platform/AppContext.h"
#include "session/trading/OrderBook.h"
#include "ui/positions/PositionTexts.h"
#include "ui/positions/SheetSupport.h"

namespace td {
namespace {

namespace T = PositionTexts;
using O = OpenPositionTableController;

std::vector<ListColumn> openColumns() {
  return {
      {"Position Id", O::PositionId, false, false, false, 80},
      {"Account", O::Account, false, false, false, 70},
      {"Symbol", O::Symbol, false, false, false, 80},
      {"Quantity", O::Quantity, true, false, false, 70},
      {"Type", O::Type, false, false, false, 45},
      {"Open Price", O::OpenPrice, true, false, false, 90},
      {"Current Price", O::CurrentPrice, true, false, false, 100},
      {"Profit", O::Profit, true, false, false, 90},
      {"Take Profit", O::TakeProfit, true, false, false, 90},
      {"Stop Loss", O::StopLoss, true, false, false, 90},
      {"Validity", O::Validity, false, false, false, 70},
      {"Commission", O::Commission, true, false, false, 90},
      {"Margin", O::Margin, true, false, false, 90},
      {"Storage", O::Storage, true, false, false, 70},
      {"Confirmed Time", O::ConfirmedTime, false, true, false, 145},
      {"Value Date", O::ValueDate, false, false, true, 90},
      {"Expiry Date", O::ExpiryDate, false, false, true, 90},
  };
}

// An absent take-profit or stop-loss reads "0.00" whatever the instrument's decimals.
std::string bracketPrice(const std::string& text, const ItemDetails* item) {
  return text.empty() ? std::string("0.00") : T::price(text, item);
}

}  // namespace

OpenPositionTableController::OpenPositionTableController(PositionsSession& session, NotificationCenter& notifications,
                                                         PositionSheetOpener& sheets, Clock::Duration refreshInterval,
                                                         QObject* parent)
    : PositionListModel(session, notifications, "OpenPositionTableNotification", openColumns(), parent),
      sheets_(sheets) {
  reload();
  if (MainQueue* queue = MainQueue::instance()) {
    refreshTimer_ = queue->scheduleRepeating(refreshInterval, [this] { RefreshTableview(); });
  }
}

OrderRows OpenPositionTableController::fetchRows() const { return session_.getOpenOrderCollection(); }

void OpenPositionTableController::afterReload() {
  preparePriceCells(false);
  updateStatusLabel();
}

OpenPositionTableController::PriceCell OpenPositionTableController::prepare(Order& position) const {
  PriceCell cell;
  const auto owner = session_.account(position.AccountNumber);
  if (owner && owner->tradingStatus == 5) {
    // The server's equity-hit price stands; the previous prices are kept for later.
    cell.price = position.EquityHitPrice;
    cell.state = EquityHit;
    return cell;
  }
  const auto item = session_.item(position.ItemCode);
  const bool buy = position.tradingMode == 0;
  cell.price = item ? (buy ? item->Bid : item->Ask) : 0;
  double& previous = buy ? position.previousBid : position.previousAsk;
  cell.state = cell.price > previous ? Up : cell.price < previous ? Down : Unchanged;
  previous = cell.price;
  return cell;
}

void OpenPositionTableController::preparePriceCells(bool everyRow) {
  std::unordered_map<const Order*, PriceCell> cells;
  cells.reserve(rows().size());
  for (const auto& position : rows()) {
    const auto kept = everyRow ? priceCells_.end() : priceCells_.find(position.get());
    cells[position.get()] = kept != priceCells_.end() ? kept->second : prepare(*position);
  }
  priceCells_ = std::move(cells);
}

void OpenPositionTableController::RefreshTableview() {
  // Records that came or went without a notification reset the table; else only the two cells
  // are redrawn.
  const bool reset = readRows(false);
  preparePriceCells(true);
  if (!reset) {
    redrawColumn(columnOfField(CurrentPrice));
    redrawColumn(columnOfField(Profit));
  }
  updateStatusLabel();
}

void OpenPositionTableController::updateStatusLabel() {
  double quantity = 0, profit = 0, commission = 0, margin = 0, storage = 0;
  for (const auto& position : rows()) {
    const double remaining = T::value(position->RemainingQty);
    position->margin = session_.GetMarginForSingleLot(*position);
    quantity += remaining;
    profit += position->UnrealisedPL;
    commission += position->Commision;
    margin += position->margin * remaining;
    storage += position->Storage;
  }
  setStatus(QString::fromStdString(totalsLine({"Quantity : " + T::quantityTotal(quantity),
                                               "Profit : " + T::total(profit), "Commission : " + T::total(commission),
                                               "Margin : " + T::total(margin), "Storage : " + T::total(storage)})));
}

OpenPositionTableController::PriceState OpenPositionTableController::priceState(int row) const {
  const auto position = orderAt(row);
  const auto cell = position ? priceCells_.find(position.get()) : priceCells_.end();
  return cell == priceCells_.end() ? Unchanged : cell->second.state;
}

std::string OpenPositionTableController::text(const Order& o, int, int field, int column) const {
  const auto item = [&] { return session_.item(o.ItemCode); };
  switch (field) {
    case PositionId: return o.OpenPositionId;
    case Account: return o.AccountNumber;
    case Symbol: return o.ItemCode;
    case Quantity: return T::number(T::value(o.RemainingQty));
    case Type: return T::side(o.tradingMode);
    case OpenPrice: return T::price(o.OrderPrice, item().get());
    case CurrentPrice: {
      const auto cell = priceCells_.find(&o);
      return T::price(cell == priceCells_.end() ? 0 : cell->second.price, item().get());
    }
    case Profit: return T::money(o.UnrealisedPL);
    case TakeProfit: return bracketPrice(o.LimitPrice, item().get());
    case StopLoss: return bracketPrice(o.StopPrice, item().get());
    case Validity: return T::validity(o.deliveryMode);
    case Commission: return T::money(o.Commision);
    case Margin: return T::money(session_.GetMarginForSingleLot(o) * T::value(o.RemainingQty));
    case Storage: return T::money(o.Storage);
    case ConfirmedTime: return T::dateCell(columnWidth(column), o.TransactionDateTime);
    case ValueDate: return o.ValueDate;
    case ExpiryDate: return o.ExpiryDate;
    default: return {};
  }
}

QVariant OpenPositionTableController::role(const Order& o, int row, int field, int role) const {
  if (field == Profit && role == Qt::ForegroundRole) return o.UnrealisedPL >= 0 ? green() : red();
  if (field != CurrentPrice) return {};
  const PriceState state = priceState(row);
  if (role == PriceStateRole) return static_cast<int>(state);
  if (role == Qt::BackgroundRole) {
    if (state == Up) return green();
    if (state == Down) return red();
  }
  if (role == Qt::ForegroundRole && (state == Up || state == Down)) return QColor(Qt::white);
  return {};
}

// ---- row menu and openers ----

bool OpenPositionTableController::closable(const Order& position) const {
  const auto item = session_.item(position.ItemCode);
  const auto owner = session_.account(position.AccountNumber);
  const std::int32_t itemTypes = item ? item->availableOrderTypes : 0;
  const std::int32_t accountTypes = owner ? owner->availableOrderTypes : 0;
  const std::int32_t settings = item ? item->availableOrderSettings : 0;
  return (settings & 1) && (settings & 2) && (itemTypes & OrderTypeBitOffset) && (accountTypes & OrderTypeBitOffset);
}

OpenPositionTableController::RowMenu OpenPositionTableController::menuNeedsUpdate(int clickedRow) const {
  RowMenu menu;
  if (sheets_.isSheetOpen()) return menu;
  const auto position = orderAt(clickedRow);
  if (!position) return menu;
  menu.positionId = position->OpenPositionId;
  const auto item = session_.item(position->ItemCode);
  const auto owner = session_.account(position->AccountNumber);
  const std::int32_t itemTypes = item ? item->availableOrderTypes : 0;
  const std::int32_t accountTypes = owner ? owner->availableOrderTypes : 0;
  const std::int32_t settings = item ? item->availableOrderSettings : 0;
  if ((settings & 1) && (settings & 2)) {
    menu.modify = (accountTypes & 6) != 0 && (itemTypes & 6) != 0;
    menu.close = closable(*position);
  } else {
    menu.deliveryReceipt = (settings & 4) && (settings & 1) && sheets_.canShowDeliveryReceipt();
  }
  for (const auto& other : rows()) {
    if (other->AccountNumber == position->AccountNumber && other->ItemCode == position->ItemCode &&
        other->deliveryMode == position->deliveryMode && other->tradingMode != position->tradingMode) {
      menu.offset = true;
      break;
    }
  }
  return menu;
}

void OpenPositionTableController::modifyBracketOrderButtonClicked(const std::string& positionId) {
  if (SheetSupport::listedPosition(session_.getOpenOrderCollection(), positionId)) {
    sheets_.openModifySheet(0, positionId);
  }
}

void OpenPositionTableController::offsetPositionButtonClicked(const std::string& positionId) {
  if (SheetSupport::listedPosition(session_.getOpenOrderCollection(), positionId)) sheets_.openOffsetSheet(positionId);
}

void OpenPositionTableController::deliveryReceiptButtonClicked(const std::string& positionId) {
  if (!sheets_.canShowDeliveryReceipt()) return;
  if (SheetSupport::listedPosition(session_.getOpenOrderCollection(), positionId)) {
    sheets_.openDeliveryReceipt(1, positionId);
  }
}

void OpenPositionTableController::closePositionButtonClicked(const std::string& positionId) {
  if (const auto position = SheetSupport::listedPosition(session_.getOpenOrderCollection(), positionId)) {
    closePosition(*position);
  }
}

void OpenPositionTableController::closePosition(const Order& position) {
  if (sheets_.isSheetOpen() || !closable(position)) return;
  // Working close orders that already cover the whole position leave nothing to close.
  if (SheetSupport::pendingCloseQuantity(session_.getPendingOrderCollection(), position.OpenPositionId) >=
      T::value(position.RemainingQty)) {
    AppContext::current()->userAlerts()->showAlert("info", "Already Close New request is pending");
    return;
  }
  sheets_.openCloseOrCancelSheet(0, position.OpenPositionId);
}

void OpenPositionTableController::cellClicked(int row, int column) {
  if (column < 0 || column != columnOfField(CurrentPrice)) return;
  // The click acts at once on the row it lands on.
  if (const auto position = orderAt(row)) closePosition(*position);
}

}  // namespace td
