// The position lists in the running application against the simulated server: a position that the
// session opens is closed from its sheet on the main window and moves to the settled positions.

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QPushButton>

#include "AppTestSupport.h"
#include "orders/OrderMananger.h"
#include "platform/AppContext.h"
#include "ui/positions/PositionListView.h"
#include "ui/positions/PositionsPane.h"

namespace td {
namespace {

using test::pumpUntil;

int rowOf(const PositionListModel& list, std::string Order::*id, const std::string& key) {
  for (int row = 0; row < list.rowCount(); ++row) {
    if (list.orderAt(row) && (*list.orderAt(row)).*id == key) return row;
  }
  return -1;
}

TEST(PositionLists, APositionOpenedByTheSessionIsClosedFromItsSheetAndMovesToTheSettledList) {
  test::AppAgainstServer server;
  ASSERT_TRUE(server.listening());
  test::AlertCloser alerts;  // the session shows each settlement in an alert
  Application app(server.options());
  app.start();
  ASSERT_TRUE(test::AppAgainstServer::logIn(app));
  auto* pane = app.mainWindow()->findChild<PositionsPane*>("positionsPane");
  ASSERT_NE(pane, nullptr);
  OpenPositionTableController& open = pane->openPositions();
  ASSERT_TRUE(pumpUntil([&] { return open.rowCount() > 0; }, test::kAppWait));
  std::set<std::string> before;
  for (const auto& p : open.rows()) before.insert(p->OpenPositionId);

  OrderInfo buy;
  buy.itemCode = "EURUSD";
  buy.accountNo = 1001;
  buy.orderType = 1;
  buy.tradingMode = 0;
  buy.deliveryMode = 1;
  buy.timeinForce = 1;
  buy.quantity = "2";
  buy.deviation = -1;
  ASSERT_TRUE(app.context().orderMananger()->PlaceOrder(buy));
  std::string id;
  ASSERT_TRUE(pumpUntil(
      [&] {
        for (const auto& p : open.rows()) {
          if (!before.count(p->OpenPositionId)) id = p->OpenPositionId;
        }
        return !id.empty();
      },
      test::kAppWait));

  // The row menu's close item opens the sheet on the main window.
  QMenu menu;
  pane->openPositionsView()->onRowMenu(menu, rowOf(open, &Order::OpenPositionId, id));
  QAction* close = menu.findChild<QAction*>("closeItem");
  ASSERT_NE(close, nullptr);
  close->trigger();
  ClosendCancelPositionSheet* sheet = pane->closeOrCancelSheet();
  ASSERT_TRUE(sheet && sheet->isVisible());
  EXPECT_EQ(sheet->sendButton()->text().toStdString(), "Close #" + id + " (Sell 2 EURUSD @ Market Rate)");
  QTest::mouseClick(sheet->sendButton(), Qt::LeftButton);
  EXPECT_FALSE(sheet->isVisible());  // the desk sent the close and answered "AbortModal"

  SettledPositionTableController& settled = pane->settledPositions();
  ASSERT_TRUE(pumpUntil(
      [&] { return rowOf(open, &Order::OpenPositionId, id) < 0 && rowOf(settled, &Order::OpenPositionId, id) >= 0; },
      test::kAppWait));
  EXPECT_EQ(settled.cellText(rowOf(settled, &Order::OpenPositionId, id), settled.columnOf("Quantity")), "2");
  EXPECT_NE(settled.statusText().indexOf("Quantity : "), -1);
  EXPECT_TRUE(pumpUntil([&] { return !alerts.messages.empty(); }, test::kAppWait));
  app.quit();
}

}  // namespace
}  // namespace td
