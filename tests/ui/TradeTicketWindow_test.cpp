// The order ticket's window over its controller, offscreen: what the user's clicks reach.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include "QtTestApp.h"
#include "TicketTestSupport.h"
#include "ui/ticket/TradeTicketWindow.h"

namespace td::testing {
namespace {

// A click where the user clicks: on the window, which hands it to the widget under the pointer.
void clickOn(QWidget& window, QWidget* widget) {
  QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, widget->mapTo(&window, widget->rect().center()));
}

// In advanced mode a click on a side box chooses that side as Buy and Sell do: the other box goes
// off, the price is proposed for the side and the Place button shows it; a click on the box that
// is already on leaves it on.
TEST_F(TicketTest, AClickOnASideBoxChoosesThatSide) {
  test::qtTestApp();
  TradeTicketWindow window(*ticket);
  open();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  clickOn(window, window.advancedMode());
  ticket->comboBoxSelectionIsChanging(TicketComboId::OrderType, "Stop");
  ASSERT_TRUE(window.buyCheckBox()->isChecked());
  // A buy stop at or above Ask + 10 pips, a sell stop at or below Bid - 10 pips, each proposed with
  // room for two more.
  ASSERT_EQ(window.priceField()->text(), "1.08474");
  for (int click = 0; click < 2; ++click) {
    clickOn(window, window.sellCheckBox());
    EXPECT_TRUE(window.sellCheckBox()->isChecked());
    EXPECT_FALSE(window.buyCheckBox()->isChecked());
    EXPECT_EQ(ticket->GetTradingMode(), 1);
    EXPECT_TRUE(state().placeShowsSell);
    EXPECT_EQ(window.priceField()->text(), "1.08438");
  }
  clickOn(window, window.buyCheckBox());
  EXPECT_TRUE(window.buyCheckBox()->isChecked());
  EXPECT_FALSE(window.sellCheckBox()->isChecked());
  EXPECT_EQ(ticket->GetTradingMode(), 0);
  EXPECT_FALSE(state().placeShowsSell);
  EXPECT_EQ(window.priceField()->text(), "1.08474");
}

}  // namespace
}  // namespace td::testing
