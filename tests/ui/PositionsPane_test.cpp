// The lists' widgets, offscreen: the tabs, the header menu, the row menu and a sheet bound to its
// controller.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "PositionsTestSupport.h"
#include "QtTestApp.h"
#include "ui/positions/PositionListView.h"
#include "ui/positions/PositionsPane.h"

namespace td {
namespace {

class PositionsPaneTest : public test::PositionsTest {
 protected:
  PositionsPaneTest() {
    auto owned = std::make_unique<test::FakePositionsSession>();
    fake = owned.get();
    fake->position("5001", 0, "3");
    main.resize(1000, 600);
    tabs = new QTabWidget(&main);
    pane = new PositionsPane(&main, tabs, std::move(owned), (*AppContext::current()).notificationCenter());
  }

  QApplication& app = test::qtTestApp();  // before any widget
  QWidget main;
  QTabWidget* tabs;
  PositionsPane* pane;
  test::FakePositionsSession* fake;
};

TEST_F(PositionsPaneTest, FiveTabsWithTheirTotalsAndAHeaderMenuThatHidesAndShowsColumns) {
  ASSERT_EQ(tabs->count(), 5);
  EXPECT_EQ(tabs->tabText(0), "Open Positions");
  EXPECT_EQ(tabs->tabText(4), "Cancelled Orders");
  EXPECT_TRUE(pane->openPositionsStatus()->text().startsWith("Quantity : 3     Profit : 0.00"));
  PositionListView* view = pane->openPositionsView();
  const int valueDate = pane->openPositions().columnOf("Value Date");
  EXPECT_TRUE(view->isColumnHidden(valueDate));
  QMenu* menu = view->headerMenu();
  ASSERT_EQ(menu->actions().size(), pane->openPositions().columnCount());
  QAction* item = menu->actions().at(valueDate);
  EXPECT_EQ(item->text(), "Value Date");
  EXPECT_FALSE(item->isChecked());
  item->trigger();
  EXPECT_FALSE(view->isColumnHidden(valueDate));
  EXPECT_TRUE(view->headerMenu()->actions().at(valueDate)->isChecked());
  view->headerMenu()->actions().at(0)->trigger();
  EXPECT_TRUE(view->isColumnHidden(0));
}

TEST_F(PositionsPaneTest, TheCloseSheetShowsItsControllerAndEndsOnAbortModal) {
  main.show();
  QMenu menu;
  pane->openPositionsView()->onRowMenu(menu, 0);
  QAction* close = menu.findChild<QAction*>("closeItem");
  ASSERT_NE(close, nullptr);
  EXPECT_EQ(close->text(), "Close Position");
  close->trigger();
  ClosendCancelPositionSheet* sheet = pane->closeOrCancelSheet();
  ASSERT_NE(sheet, nullptr);
  EXPECT_TRUE(sheet->isVisible());
  EXPECT_TRUE(pane->isSheetOpen());
  EXPECT_EQ(sheet->sendButton()->text(), "Close #5001 (Sell 3 EURUSD @ Market Rate)");
  QComboBox* quantity = sheet->quantityField();
  quantity->lineEdit()->selectAll();
  QTest::keyClicks(quantity->lineEdit(), "2");
  EXPECT_EQ(sheet->sendButton()->text(), "Close #5001 (Sell 2 EURUSD @ Market Rate)");
  // Letters do not get into a quantity.
  QTest::keyClicks(quantity->lineEdit(), "x");
  EXPECT_EQ(quantity->currentText(), "2");
  // A second opener while the sheet stands does nothing.
  pane->openModifySheet(0, "5001");
  EXPECT_EQ(pane->modifySheet(), nullptr);
  fake->feedback = OrderMananger::kAbortModal;
  QTest::mouseClick(sheet->sendButton(), Qt::LeftButton);
  ASSERT_EQ(fake->sent.size(), 1u);
  EXPECT_EQ(fake->sent[0].info.quantity, "2");
  EXPECT_FALSE(sheet->isVisible());
  EXPECT_FALSE(pane->isSheetOpen());
}

// The lists refresh while a row menu is open: each item acts on the record the menu was opened on,
// wherever its row went, and on nothing once the record is gone.
TEST_F(PositionsPaneTest, RowMenusActOnTheRecordTheyWereOpenedOnOrSayItIsGone) {
  main.show();
  fake->position("5002", 0, "1");
  fake->position("5004", 1, "1");  // offsets 5002
  fake->position("6001", 0, "1", "GOLD");
  fake->working("7001", 0, 2, "1", "1.09000");
  std::vector<std::string> receipts;
  pane->setDeliveryReceiptOpener(
      [&receipts](int type, const std::string& id) { receipts.push_back(std::to_string(type) + " " + id); });
  const auto refresh = [this] {
    for (const char* table : {"OpenPositionTableNotification", "PendingOrderTableNotification",
                              "ExecutedPositionTableNotification"}) {
      post(table);
    }
  };
  refresh();
  // Opens the menu on the record's row; then a newcomer with a lower id moves every row down
  // before the item is chosen.
  int newcomer = 1000;
  const auto choose = [&](PositionListView* view, const char* item, const std::string& id, OrderList& records,
                          std::string Order::*idField) {
    const PositionListModel& list = view->listModel();
    int row = 0;
    while (row < list.rowCount() && (*list.orderAt(row)).*idField != id) ++row;
    QMenu menu;
    view->onRowMenu(menu, row);
    auto moved = std::make_shared<Order>(*records.front());
    (*moved).*idField = std::to_string(++newcomer);
    records.insert(records.begin(), moved);
    refresh();
    ASSERT_NE((*list.orderAt(row)).*idField, id);
    QAction* action = menu.findChild<QAction*>(item);
    ASSERT_NE(action, nullptr) << item;
    action->trigger();
  };
  OrderList& open = fake->book.OpenOrderCollection;
  const auto positionId = &Order::OpenPositionId;
  choose(pane->openPositionsView(), "closeItem", "5002", open, positionId);
  EXPECT_EQ(pane->closeOrCancelController().recordId(), "5002");
  pane->closeOrCancelController().closeModal();
  choose(pane->openPositionsView(), "modifyItem", "5002", open, positionId);
  EXPECT_EQ(pane->modifyController().recordId(), "5002");
  pane->modifyController().closeModal();
  choose(pane->openPositionsView(), "offsetItem", "5002", open, positionId);
  EXPECT_EQ(pane->offsetController().openPositionNo(), "5002");
  pane->offsetController().closeModal();
  choose(pane->openPositionsView(), "deliveryReceiptItem", "6001", open, positionId);
  choose(pane->executedPositionsView(), "deliveryReceiptItem", "6001", open, positionId);
  EXPECT_EQ(receipts, (std::vector<std::string>{"1 6001", "2 6001"}));
  OrderList& working = fake->book.PendingOrderCollection;
  choose(pane->workingOrdersView(), "editItem", "7001", working, &Order::PendingOrderId);
  EXPECT_EQ(pane->modifyController().recordId(), "7001");
  pane->modifyController().closeModal();
  choose(pane->workingOrdersView(), "cancelItem", "7001", working, &Order::PendingOrderId);
  EXPECT_EQ(pane->closeOrCancelController().recordId(), "7001");
  pane->closeOrCancelController().closeModal();
  EXPECT_TRUE(alerts->calls.empty());

  // Gone when the item is chosen: the user is told, and nothing opens.
  for (const char* item : {"closeItem", "modifyItem", "offsetItem"}) {
    QMenu menu;
    pane->openPositionsView()->onRowMenu(menu, 1);
    const std::string id = pane->openPositions().orderAt(1)->OpenPositionId;
    std::erase_if(open, [&id](const auto& p) { return p->OpenPositionId == id; });
    refresh();
    menu.findChild<QAction*>(item)->trigger();
    EXPECT_FALSE(pane->isSheetOpen());
    EXPECT_EQ(alerts->calls.back(), "Info|Position #" + id + " is no longer open");
  }
  QMenu menu;
  pane->workingOrdersView()->onRowMenu(menu, 0);
  working.clear();
  refresh();
  menu.findChild<QAction*>("cancelItem")->trigger();
  EXPECT_FALSE(pane->isSheetOpen());
  EXPECT_EQ(alerts->calls.back().rfind("Info|Order #", 0), 0u);
  EXPECT_EQ(alerts->calls.size(), 4u);
}

TEST_F(PositionsPaneTest, TheDismissButtonEndsTheSheetAndTheSearchBarSendsTheChosenDay) {
  main.show();
  pane->openOffsetSheet("5001");
  OffsetPositionSheet* sheet = pane->offsetSheet();
  ASSERT_NE(sheet, nullptr);
  EXPECT_TRUE(sheet->isVisible());
  QTest::mouseClick(sheet->dismissButton(), Qt::LeftButton);
  EXPECT_FALSE(sheet->isVisible());
  EXPECT_FALSE(pane->offsetController().isOpen());
  pane->searchDatePicker()->setDate(QDate(2024, 1, 2));
  QPushButton* search = tabs->findChild<QPushButton*>("searchButton");
  ASSERT_NE(search, nullptr);
  QTest::mouseClick(search, Qt::LeftButton);
  ASSERT_EQ(fake->searches.size(), 1u);
  EXPECT_EQ(pane->executedPositions().searchDate(), QDate(2024, 1, 2));
}

}  // namespace
}  // namespace td
