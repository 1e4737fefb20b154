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
