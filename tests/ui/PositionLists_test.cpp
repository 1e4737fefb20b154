// The five position and order lists without a window: cells, colours, totals, row menus and what
// their openers hand to the sheets.

#include <gtest/gtest.h>

#include <QColor>
#include <QDateTime>
#include <QSignalSpy>

#include "PositionsTestSupport.h"
#include "QtTestApp.h"
#include "ui/positions/HistoryTableControllers.h"
#include "ui/positions/OpenPositionTableController.h"
#include "ui/positions/PendingOrderTableController.h"

namespace td {
namespace {

using test::PositionsTest;
using O = OpenPositionTableController;
using P = PendingOrderTableController;

QString cell(const PositionListModel& list, int row, const char* identifier) {
  return list.cellText(row, list.columnOf(identifier));
}

QVariant role(const PositionListModel& list, int row, const char* identifier, int role) {
  return list.data(list.index(row, list.columnOf(identifier)), role);
}

class OpenPositionsList : public PositionsTest {
 protected:
  OpenPositionsList() { test::qtTestApp(); }
  O& list() {
    if (!list_) list_ = std::make_unique<O>(session, center(), sheets);
    return *list_;
  }
  std::unique_ptr<O> list_;
};

TEST_F(OpenPositionsList, CellsShowTheRecordsInTheInstrumentsDecimals) {
  auto p = session.position("5001", 0, "2.50");
  p->LimitPrice = "0";  // a take-profit at zero still shows the instrument's decimals
  p->deliveryMode = 4;
  p->Commision = 1.5;
  p->UnrealisedPL = 0;
  p->TransactionDateTime = "12/03/2024 08:45:03";
  auto gold = session.position("5002", 1, "1", "GOLD");
  gold->UnrealisedPL = -0.01;
  session.margins["5001"] = 1000;
  list();
  ASSERT_EQ(list().rowCount(), 2);
  EXPECT_EQ(cell(list(), 0, "Quantity"), "2.5");
  EXPECT_EQ(cell(list(), 0, "Type"), "B");
  EXPECT_EQ(cell(list(), 1, "Type"), "S");
  EXPECT_EQ(cell(list(), 0, "Open Price"), "1.09000");
  EXPECT_EQ(cell(list(), 1, "Open Price"), "1990.00");
  EXPECT_EQ(cell(list(), 0, "Take Profit"), "0.00000");
  EXPECT_EQ(cell(list(), 0, "Stop Loss"), "0.00");  // absent
  EXPECT_EQ(cell(list(), 0, "Validity"), "Unknown");
  EXPECT_EQ(cell(list(), 0, "Commission"), "1.50");
  EXPECT_EQ(cell(list(), 0, "Margin"), "2500.00");
  EXPECT_EQ(cell(list(), 0, "Confirmed Time"), "12/03/2024 08:45:03");
  list().setColumnWidth(list().columnOf("Confirmed Time"), 135);
  EXPECT_EQ(cell(list(), 0, "Confirmed Time"), "08:45:03");
  // A profit of exactly 0 is green, -0.01 red.
  EXPECT_EQ(role(list(), 0, "Profit", Qt::ForegroundRole).value<QColor>(), PositionListModel::green());
  EXPECT_EQ(role(list(), 1, "Profit", Qt::ForegroundRole).value<QColor>(), PositionListModel::red());
  EXPECT_EQ(list().headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "Position Id");
}

TEST_F(OpenPositionsList, TheTotalsLineComputesEveryMarginItselfAndGroupsThousands) {
  EXPECT_EQ(list().statusText().toStdString(),
            "Quantity : 0     Profit : 0.00     Commission : 0.00     Margin : 0.00     Storage : 0.00     ");
  auto a = session.position("5001", 0, "2.5");
  a->UnrealisedPL = 1234.5;
  a->Commision = 2;
  auto b = session.position("5002", 1, "1");
  b->UnrealisedPL = -0.4;
  b->Storage = 3;
  session.margins = {{"5001", 1000}, {"5002", 200}};
  post("OpenPositionTableNotification");
  // No Margin cell was ever drawn: the totals do not depend on what the view showed.
  EXPECT_EQ(list().statusText().toStdString(),
            "Quantity : 3.5     Profit : 1,234.10     Commission : 2.00     Margin : 2,700.00     Storage : 3.00     ");
  session.margins["5002"] = 300;
  queue.advance(std::chrono::seconds(1));
  EXPECT_NE(list().statusText().indexOf("Margin : 2,800.00"), -1);
}

TEST_F(OpenPositionsList, ThePriceCellFollowsTheClosingSideAndIsColouredByTheMoveSinceTheLastSecond) {
  auto buy = session.position("5001", 0, "1");
  auto sell = session.position("5002", 1, "1");
  list();
  // A first price above the initial 0 is a rise.
  EXPECT_EQ(list().priceState(0), O::Up);
  EXPECT_EQ(cell(list(), 0, "Current Price"), "1.10000");  // the bid closes a buy
  EXPECT_EQ(cell(list(), 1, "Current Price"), "1.10010");  // the ask closes a sell
  queue.advance(std::chrono::seconds(1));
  EXPECT_EQ(list().priceState(0), O::Unchanged);
  EXPECT_FALSE(role(list(), 0, "Current Price", Qt::BackgroundRole).isValid());
  session.eurusd->Bid = 1.10005;
  session.eurusd->Ask = 1.10001;
  // Between two seconds the cell keeps what it showed.
  EXPECT_EQ(cell(list(), 0, "Current Price"), "1.10000");
  queue.advance(std::chrono::seconds(1));
  EXPECT_EQ(list().priceState(0), O::Up);
  EXPECT_EQ(list().priceState(1), O::Down);
  EXPECT_EQ(role(list(), 1, "Current Price", Qt::BackgroundRole).value<QColor>(), PositionListModel::red());
  EXPECT_EQ(cell(list(), 0, "Current Price"), "1.10005");
  EXPECT_DOUBLE_EQ(buy->previousBid, 1.10005);
  EXPECT_DOUBLE_EQ(sell->previousAsk, 1.10001);
}

TEST_F(OpenPositionsList, AnAccountOnEquityHitShowsTheServersPriceAndNeverTurnsGreenOrRed) {
  auto p = session.position("5001", 0, "1");
  p->EquityHitPrice = 1.05;
  session.data.account("1001")->tradingStatus = 5;
  list();
  EXPECT_EQ(list().priceState(0), O::EquityHit);
  EXPECT_EQ(cell(list(), 0, "Current Price"), "1.05000");
  EXPECT_DOUBLE_EQ(p->previousBid, 0);
}

TEST_F(OpenPositionsList, RowsChangeOnTheNotificationAndAtTheRefreshWhenTheyCameWithoutOne) {
  session.position("5001", 0, "1");
  list();
  QSignalSpy resets(&list(), &QAbstractItemModel::modelReset);
  session.position("5002", 0, "1");
  queue.advance(std::chrono::seconds(1));
  EXPECT_EQ(list().rowCount(), 2);
  EXPECT_EQ(resets.count(), 1);
  // The same records again: redrawn in place, no reset (the selection and scroll stay); a burst of
  // notifications (one per server message) reads them once.
  const int marginsBefore = session.marginCalls;
  for (int i = 0; i < 100; ++i) center().post("OpenPositionTableNotification");
  queue.runPending();
  EXPECT_EQ(resets.count(), 1);
  EXPECT_EQ(session.marginCalls - marginsBefore, 2);
  session.book.OpenOrderCollection.clear();
  post("OpenPositionTableNotification");
  EXPECT_EQ(list().rowCount(), 0);
  // A hidden account's positions are not listed.
  session.position("5003", 0, "1", "EURUSD", "1002");
  session.data.account("1002")->tradingStatus = 6;
  post("LoginSuccessNotification");
  EXPECT_EQ(list().rowCount(), 0);
}

TEST_F(OpenPositionsList, TheRowMenuOffersWhatTheAccountAndTheInstrumentAllow) {
  session.position("5001", 0, "1");
  session.position("5002", 0, "1", "GOLD");
  session.position("5003", 1, "1", "GOLD");
  list();
  auto menu = list().menuNeedsUpdate(0);
  EXPECT_TRUE(menu.modify);
  EXPECT_TRUE(menu.close);
  EXPECT_FALSE(menu.offset);
  EXPECT_FALSE(menu.deliveryReceipt);
  // GOLD buys and delivers but does not sell: only the delivery receipt, and offset against the
  // opposite position.
  menu = list().menuNeedsUpdate(1);
  EXPECT_FALSE(menu.modify || menu.close);
  EXPECT_TRUE(menu.deliveryReceipt);
  EXPECT_TRUE(menu.offset);
  sheets.deliveryReceipt = false;  // no instrument details installed
  EXPECT_FALSE(list().menuNeedsUpdate(1).deliveryReceipt);
  // The account lacks the closing permission: no close; without take-profit and stop-loss, no modify.
  session.data.account("1001")->availableOrderTypes = 1;
  menu = list().menuNeedsUpdate(0);
  EXPECT_FALSE(menu.close || menu.modify);
  EXPECT_FALSE(list().menuNeedsUpdate(-1).any());
  session.data.account("1001")->availableOrderTypes = 231;
  sheets.sheetOpen = true;
  EXPECT_FALSE(list().menuNeedsUpdate(0).any());
}

TEST_F(OpenPositionsList, TheMenuTakesItsPositionsIdAndItsItemsHandItToTheSheets) {
  session.position("5001", 0, "1");
  session.position("5002", 0, "1", "GOLD");
  list();
  EXPECT_EQ(list().menuNeedsUpdate(0).positionId, "5001");
  EXPECT_EQ(list().menuNeedsUpdate(1).positionId, "5002");
  list().modifyBracketOrderButtonClicked("5001");
  list().offsetPositionButtonClicked("5001");
  list().closePositionButtonClicked("5001");
  list().deliveryReceiptButtonClicked("5002");
  EXPECT_EQ(sheets.opened, (std::vector<std::string>{"modify 0 5001", "offset 5001", "close 0 5001", "receipt 1 5002"}));
  EXPECT_TRUE(alerts->calls.empty());
}

TEST_F(OpenPositionsList, ClosingChecksThePermissionAndWhatWorkingCloseOrdersAlreadyCover) {
  session.position("5001", 0, "5");
  list();
  const int price = list().columnOf("Current Price");
  // The price cell applies the menu's permission check.
  session.data.account("1001")->availableOrderTypes = 7;
  list().cellClicked(0, price);
  EXPECT_TRUE(sheets.opened.empty());
  session.data.account("1001")->availableOrderTypes = 231;
  list().cellClicked(0, list().columnOf("Symbol"));
  EXPECT_TRUE(sheets.opened.empty());
  auto first = session.working("7001", 1, 1, "2", "0");
  first->LiqudateOrderNumber = "5001";
  list().cellClicked(0, price);
  EXPECT_EQ(sheets.opened, std::vector<std::string>{"close 0 5001"});
  // Close orders covering the whole position, or more, leave nothing to close.
  for (const char* lots : {"3", "4"}) {
    auto second = session.working(std::string("70") + lots, 1, 1, lots, "0");
    second->LiqudateOrderNumber = "5001";
    list().closePositionButtonClicked("5001");
    EXPECT_EQ(alerts->calls.back(), "info|Already Close New request is pending");
    session.book.PendingOrderCollection.pop_back();
  }
  EXPECT_EQ(sheets.opened.size(), 1u);
}

// ---- working orders ----

class WorkingOrdersList : public PositionsTest {
 protected:
  WorkingOrdersList() { test::qtTestApp(); }
  P& list() {
    if (!list_) list_ = std::make_unique<P>(session, center(), sheets);
    return *list_;
  }
  std::unique_ptr<P> list_;
};

TEST_F(WorkingOrdersList, CellsShowThePriceTheOrderWaitsFor) {
  auto buy = session.working("7001", 0, 2, "3", "1.09000");
  buy->timeinForce = 0;
  buy->RefPositionIdOfBracket = "5001";
  auto sell = session.working("7002", 1, 3, "1", "1.09500", "1002");
  sell->timeinForce = 3;
  sell->LimitPrice = "1.2";
  list();
  EXPECT_EQ(cell(list(), 0, "Current Price"), "1.10010");  // a buy waits for the ask
  EXPECT_EQ(cell(list(), 1, "Current Price"), "1.10000");  // a sell for the bid
  EXPECT_EQ(cell(list(), 0, "Time in Force"), "Unknown");
  EXPECT_EQ(cell(list(), 1, "Time in Force"), "");
  EXPECT_EQ(cell(list(), 0, "Related Position"), "5001");
  EXPECT_EQ(cell(list(), 1, "Related Position"), "0");
  EXPECT_EQ(cell(list(), 0, "Take Profit"), "0.00");
  EXPECT_EQ(cell(list(), 1, "Take Profit"), "1.20000");
  EXPECT_EQ(cell(list(), 1, "Order Type"), "Stop");
  session.data.account("1002")->tradingStatus = 5;
  EXPECT_EQ(cell(list(), 1, "Current Price"), "0.00000");
}

TEST_F(WorkingOrdersList, OnlyLimitAndStopOrdersWithTheirIdCanBeEditedOrCancelled) {
  session.working("7001", 0, 2, "1", "1.09");
  session.working("7002", 0, 3, "1", "1.12");
  session.working("7003", 0, 1, "1", "1.10");
  session.working("", 0, 2, "1", "1.09");  // not yet acknowledged by the server
  list();
  auto menu = list().menuNeedsUpdate(0);
  EXPECT_TRUE(menu.visible);
  EXPECT_EQ(menu.editTitle, "Edit Limit Order");
  EXPECT_EQ(menu.cancelTitle, "Cancel Limit Order");
  EXPECT_EQ(menu.orderId, "7001");
  EXPECT_EQ(list().menuNeedsUpdate(1).cancelTitle, "Cancel Stop Order");
  EXPECT_FALSE(list().menuNeedsUpdate(2).visible);
  EXPECT_FALSE(list().menuNeedsUpdate(3).visible);
  list().editOrderButtonClicked("7002");
  list().cancelOrderButtonClicked("7001");
  list().cancelOrderButtonClicked("7003");  // a market order
  EXPECT_EQ(sheets.opened, (std::vector<std::string>{"modify 1 7002", "close 1 7001"}));
  sheets.sheetOpen = true;
  EXPECT_FALSE(list().menuNeedsUpdate(0).visible);
}

// ---- cancelled, settled and executed ----

class HistoryLists : public PositionsTest {
 protected:
  HistoryLists() { test::qtTestApp(); }
};

TEST_F(HistoryLists, CancelledOrdersShowQuantitiesAsDecimalsAndADashWithoutAPendingId) {
  auto a = session.add(session.book.CancelledOrderCollection, "1001", "EURUSD");
  a->OrderQty = "10.00";
  a->OrderPrice = "1.1";
  auto b = session.add(session.book.CancelledOrderCollection, "1001", "UNKNOWN");
  b->OrderQty = "1.50";
  b->PendingOrderId = "7009";
  b->OrderPrice = "3";
  CancelledOrderTableController list(session, center());
  EXPECT_EQ(cell(list, 0, "Quantity"), "10");
  EXPECT_EQ(cell(list, 1, "Quantity"), "1.5");
  EXPECT_EQ(cell(list, 0, "Pending Id"), "-");
  EXPECT_EQ(cell(list, 1, "Pending Id"), "7009");
  EXPECT_EQ(cell(list, 0, "Price"), "1.10000");
  EXPECT_EQ(cell(list, 1, "Price"), "3.00");  // no instrument: two decimals
}

TEST_F(HistoryLists, SettledPositionsShowTheSettlementAndTotalEveryRow) {
  auto a = session.add(session.book.SettledOrderCollection, "1001", "EURUSD");
  a->SettledQty = "2";
  a->SettledPL = "1234.5";
  a->SettledPrice = "1.2";
  a->CurrencyRate = 1;
  a->TransactionDateTime = "12/03/2024 10:11:12";
  a->ItemTime = "12/01/2024 09:00:00";
  a->OtherCharges = 1.25;
  auto b = session.add(session.book.SettledOrderCollection, "1001", "EURUSD");
  b->SettledQty = "0.5";
  b->SettledPL = "-0.4";
  SettledPositionTableController list(session, center());
  EXPECT_EQ(cell(list, 0, "Settled Price"), "1.20000");
  EXPECT_EQ(cell(list, 0, "Profit"), "1234.50");
  EXPECT_EQ(cell(list, 0, "Settled Time"), "10:11:12");
  EXPECT_EQ(cell(list, 0, "Open Time"), "12/01/2024 09:00:00");
  EXPECT_EQ(cell(list, 0, "Close Time"), "");
  EXPECT_EQ(cell(list, 0, "Rate"), "1.00000");
  EXPECT_EQ(list.statusText().toStdString(),
            "Quantity : 2.5     Profit : 1,234.10     Commission : 0.00     Storage : 0.00     "
            "Other Charges : 1.25     ");
}

TEST_F(HistoryLists, ExecutedPositionsSearchOneDayAndResetToTheOpenPositions) {
  session.position("10", 0, "0")->OrderQty = "4";
  session.position("9", 1, "1");
  ExecutedPositionTableController list(session, center(), sheets);
  // Position 10 follows position 9; a row without a remaining quantity shows its order quantity.
  ASSERT_EQ(list.rowCount(), 2);
  EXPECT_EQ(cell(list, 0, "Position Id"), "9");
  EXPECT_EQ(cell(list, 1, "Quantity"), "4");
  EXPECT_EQ(cell(list, 1, "Pending Id"), "-");
  EXPECT_EQ(list.searchDate(), QDate::currentDate());

  list.setSearchDate(QDate(2024, 3, 5));
  EXPECT_TRUE(list.searchButtonClicked());
  EXPECT_EQ(list.rowCount(), 0);  // the previous search's rows (none) until the reply
  ASSERT_EQ(session.searches.size(), 1u);
  const auto midnight = QDateTime(QDate(2024, 3, 5), QTime(0, 0)).toMSecsSinceEpoch();
  EXPECT_EQ(std::chrono::duration_cast<std::chrono::milliseconds>(session.searches[0].FromDate->time_since_epoch()).count(),
            midnight);
  EXPECT_EQ(session.searches[0].ToDate, session.searches[0].FromDate);
  session.add(session.book.ExecutedOrderSearchCollection, "1001", "EURUSD")->OpenPositionId = "77";
  post("ExecutedPositionTableNotification");
  ASSERT_EQ(list.rowCount(), 1);
  EXPECT_EQ(cell(list, 0, "Position Id"), "77");

  list.resetButtonClicked();
  EXPECT_FALSE(session.book.isExecutedPositionSearch);
  EXPECT_TRUE(session.book.ExecutedOrderSearchCollection.empty());
  EXPECT_EQ(list.rowCount(), 2);
  EXPECT_EQ(list.searchDate(), QDate::currentDate());

  session.searchReachesServer = false;
  EXPECT_FALSE(list.searchButtonClicked());
  EXPECT_EQ(alerts->calls.back(),
            "Info|The search could not be sent to the server. Please check your connection and try again.");
}

TEST_F(HistoryLists, TheExecutedRowMenuOffersTheDeliveryReceiptOfADeliveringItem) {
  session.position("1", 0, "1");
  session.position("2", 0, "1", "GOLD");
  ExecutedPositionTableController list(session, center(), sheets);
  EXPECT_EQ(list.menuNeedsUpdate(0), std::nullopt);
  EXPECT_EQ(list.menuNeedsUpdate(1), "2");
  list.deliveryReceiptButtonClicked("2");
  EXPECT_EQ(sheets.opened, std::vector<std::string>{"receipt 2 2"});
  sheets.sheetOpen = true;
  EXPECT_EQ(list.menuNeedsUpdate(1), std::nullopt);
}

}  // namespace
}  // namespace td
