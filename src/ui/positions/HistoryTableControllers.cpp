#include "ui/positions/HistoryTableControllers.h"

#include <QDateTime>
#include <QTime>
#include <chrono>

#include "model/ItemDetails.h"
#include "platform/AppContext.h"
#include "platform/LanguageString.h"
#include "ui/positions/PositionTexts.h"
#include "ui/positions/SheetSupport.h"
#include "wire/Formatter.h"

namespace td {
namespace {

namespace T = PositionTexts;

// "-" for an order that never had a working-order id.
std::string pendingId(const Order& o) { return o.PendingOrderId.empty() ? std::string("-") : o.PendingOrderId; }

std::vector<ListColumn> cancelledColumns() {
  using C = CancelledOrderTableController;
  return {
      {"Account", C::Account, false, false, false, 70},    {"Symbol", C::Symbol, false, false, false, 80},
      {"Quantity", C::Quantity, true, false, false, 70},   {"Type", C::Type, false, false, false, 45},
      {"Order Type", C::OrderType, false, false, false, 80}, {"Price", C::Price, true, false, false, 90},
      {"Pending Id", C::PendingId, false, false, false, 80}, {"Validity", C::Validity, false, false, false, 70},
      {"Cancelled Time", C::CancelledTime, false, true, false, 145},
  };
}

std::vector<ListColumn> settledColumns() {
  using S = SettledPositionTableController;
  return {
      {"Settled Id", S::SettledId, false, false, false, 80},
      {"Account", S::Account, false, false, false, 70},
      {"Symbol", S::Symbol, false, false, false, 80},
      {"Quantity", S::Quantity, true, false, false, 70},
      {"Type", S::Type, false, false, false, 45},
      {"Open Price", S::OpenPrice, true, false, false, 90},
      {"Settled Price", S::SettledPrice, true, false, false, 95},
      {"Profit", S::Profit, true, false, false, 90},
      {"Commission", S::Commission, true, false, false, 90},
      {"Storage", S::Storage, true, false, false, 70},
      {"Validity", S::Validity, false, false, false, 70},
      {"Open Id", S::OpenId, false, false, false, 70},
      {"Close Id", S::CloseId, false, false, false, 70},
      {"Open Time", S::OpenTime, false, true, false, 145},
      {"Settled Time", S::SettledTime, false, false, false, 90},
      {"Close Time", S::CloseTime, false, false, true, 90},
      {"Other Charges", S::OtherCharges, true, false, false, 100},
      {"Rate", S::Rate, true, false, true, 80},
  };
}

std::vector<ListColumn> executedColumns() {
  using E = ExecutedPositionTableController;
  return {
      {"Position Id", E::PositionId, false, false, false, 80},
      {"Account", E::Account, false, false, false, 70},
      {"Symbol", E::Symbol, false, false, false, 80},
      {"Quantity", E::Quantity, true, false, false, 70},
      {"Type", E::Type, false, false, false, 45},
      {"Price", E::Price, true, false, false, 90},
      {"Order Type", E::OrderType, false, false, false, 80},
      {"Pending Id", E::PendingId, false, false, false, 80},
      {"Validity", E::Validity, false, false, false, 70},
      {"Confirmed Time", E::ConfirmedTime, false, true, false, 145},
  };
}

}  // namespace

// ---- cancelled orders ----

CancelledOrderTableController::CancelledOrderTableController(PositionsSession& session,
                                                             NotificationCenter& notifications, QObject* parent)
    : PositionListModel(session, notifications, "CancelledOrderTableNotification", cancelledColumns(), parent) {
  reload();
}

OrderRows CancelledOrderTableController::fetchRows() const { return session_.getCancelledOrderCollection(); }

std::string CancelledOrderTableController::text(const Order& o, int, int field, int column) const {
  switch (field) {
    case Account: return o.AccountNumber;
    case Symbol: return o.ItemCode;
    case Quantity: return T::decimal(o.OrderQty);
    case Type: return T::side(o.tradingMode);
    case OrderType: return T::orderType(o.orderType);
    case Price: return T::price(o.OrderPrice, session_.item(o.ItemCode).get());
    case PendingId: return pendingId(o);
    case Validity: return T::validity(o.deliveryMode);
    case CancelledTime: return T::dateCell(columnWidth(column), o.TransactionDateTime);
    default: return {};
  }
}

// ---- settled positions ----

SettledPositionTableController::SettledPositionTableController(PositionsSession& session,
                                                               NotificationCenter& notifications, QObject* parent)
    : PositionListModel(session, notifications, "SettledPositionTableNotification", settledColumns(), parent) {
  reload();
}

OrderRows SettledPositionTableController::fetchRows() const { return session_.getSettledOrderCollection(); }

std::string SettledPositionTableController::text(const Order& o, int, int field, int column) const {
  const auto item = [&] { return session_.item(o.ItemCode); };
  switch (field) {
    case SettledId: return o.SettlementId;
    case Account: return o.AccountNumber;
    case Symbol: return o.ItemCode;
    case Quantity: return T::number(T::value(o.SettledQty));
    case Type: return T::side(o.tradingMode);
    case OpenPrice: return T::price(o.OrderPrice, item().get());
    case SettledPrice: return T::price(o.SettledPrice, item().get());
    case Profit: return T::money(T::value(o.SettledPL));
    case Commission: return T::money(o.Commision);
    case Storage: return T::money(o.Storage);
    case Validity: return T::validity(o.deliveryMode);
    case OpenId: return o.OpenPositionId;
    case CloseId: return o.ClosingPositionId;
    case OpenTime: return T::dateCell(columnWidth(column), o.ItemTime);
    case SettledTime:
      return Formatter::formatDateandTimeFromString(o.TransactionDateTime, DISPLAY_DATE_TIME_FORMAT, DISPLAY_TIME_FORMAT)
          .value_or(o.TransactionDateTime);
    case OtherCharges: return T::money(o.OtherCharges);
    case Rate: return T::price(o.CurrencyRate, item().get());
    default: return {};  // Close Time and any other column stay empty
  }
}

void SettledPositionTableController::updateStatusLabel() {
  double quantity = 0, profit = 0, commission = 0, storage = 0, other = 0;
  for (const auto& s : rows()) {
    quantity += T::value(s->SettledQty);
    profit += T::value(s->SettledPL);
    commission += s->Commision;
    storage += s->Storage;
    other += s->OtherCharges;
  }
  setStatus(QString::fromStdString(totalsLine({"Quantity : " + T::quantityTotal(quantity),
                                               "Profit : " + T::total(profit), "Commission : " + T::total(commission),
                                               "Storage : " + T::total(storage),
                                               "Other Charges : " + T::total(other)})));
}

// ---- executed positions ----

ExecutedPositionTableController::ExecutedPositionTableController(PositionsSession& session,
                                                                 NotificationCenter& notifications,
                                                                 PositionSheetOpener& sheets, QObject* parent)
    : PositionListModel(session, notifications, "ExecutedPositionTableNotification", executedColumns(), parent),
      sheets_(sheets) {
  setDefaultValues();
  reload();
}

OrderRows ExecutedPositionTableController::fetchRows() const { return session_.getExecutedOrderCollection(); }

std::string ExecutedPositionTableController::text(const Order& o, int, int field, int column) const {
  switch (field) {
    case PositionId: return o.OpenPositionId;
    case Account: return o.AccountNumber;
    case Symbol: return o.ItemCode;
    case Quantity: {
      const double remaining = T::value(o.RemainingQty);
      return T::number(remaining == 0 ? T::value(o.OrderQty) : remaining);
    }
    case Type: return T::side(o.tradingMode);
    case Price: return T::price(o.OrderPrice, session_.item(o.ItemCode).get());
    case OrderType: return T::orderType(o.orderType);
    case PendingId: return pendingId(o);
    case Validity: return T::validity(o.deliveryMode);
    case ConfirmedTime: return T::dateCell(columnWidth(column), o.TransactionDateTime);
    default: return {};
  }
}

void ExecutedPositionTableController::setDefaultValues() { searchDate_ = QDate::currentDate(); }

bool ExecutedPositionTableController::searchButtonClicked() {
  session_.setExecutedPositionState(true);
  reload();
  // The chosen day at midnight, local time, in both dates.
  const QDateTime midnight(searchDate_.isValid() ? searchDate_ : QDate::currentDate(), QTime(0, 0));
  SearchInfo search;
  search.FromDate = std::chrono::system_clock::time_point(std::chrono::milliseconds(midnight.toMSecsSinceEpoch()));
  search.ToDate = search.FromDate;
  if (session_.requestExecutedPosition(search)) return true;
  SheetSupport::showInfo(LanguageString::stringforSelectedLanguage(AppContext::current()->selectedLanguage(), "8410"));
  return false;
}

void ExecutedPositionTableController::resetButtonClicked() {
  session_.setExecutedPositionState(false);
  setDefaultValues();
  session_.clearExecutedOrderSearchCollection();
  reload();
}

std::optional<std::string> ExecutedPositionTableController::menuNeedsUpdate(int clickedRow) const {
  if (sheets_.isSheetOpen() || !sheets_.canShowDeliveryReceipt()) return std::nullopt;
  const auto position = orderAt(clickedRow);
  if (!position) return std::nullopt;
  const auto item = session_.item(position->ItemCode);
  const std::int32_t settings = item ? item->availableOrderSettings : 0;
  if (!(settings & 4) || !(settings & 1)) return std::nullopt;
  return position->OpenPositionId;
}

void ExecutedPositionTableController::deliveryReceiptButtonClicked(const std::string& positionId) {
  if (!sheets_.canShowDeliveryReceipt()) return;
  if (SheetSupport::listedPosition(session_.getExecutedOrderCollection(), positionId)) {
    sheets_.openDeliveryReceipt(2, positionId);
  }
}

}  // namespace td
