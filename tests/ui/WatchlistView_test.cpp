// The two quote boards' widgets, offscreen: what a click, a double-click and a right click on them
// do.

#include "ui/watchlist/WatchlistView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QTest>

#include "WatchlistTestSupport.h"
#include "ui/watchlist/AdvancedWatchlistTableController.h"
#include "ui/watchlist/WatchlistTableController.h"

namespace td::testing {
namespace {

class WatchlistViewTest : public WatchlistTest {
 protected:
  WatchlistViewTest() { open(); }
  static QPoint centreOf(QTableView& view, int row, int column) {
    return view.visualRect(view.model()->index(row, column)).center();
  }

  std::vector<std::string> tickets;
  std::vector<std::string> details;
};

TEST_F(WatchlistViewTest, TheColumnBoardHasNoRowMenuItsDoubleClickOpensTheTicketAndTheICellTheDetails) {
  WatchlistTableController::Services services;
  services.session = sessionOfTest();
  services.notifications = notifications.get();
  services.mainQueue = &queue;
  services.openTicket = [this](const std::string& code) { tickets.push_back(code); };
  services.openDetails = [this](const std::string& code) { details.push_back(code); };
  WatchlistTableController board(services);
  WatchlistView view(board);
  view.resize(900, 300);
  view.show();
  const QPoint symbol = centreOf(view, 1, WatchlistTableController::SYMBOL_WL);
  QContextMenuEvent rightClick(QContextMenuEvent::Mouse, symbol, view.viewport()->mapToGlobal(symbol));
  QApplication::sendEvent(view.viewport(), &rightClick);
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, symbol);
  QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, symbol);
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, centreOf(view, 0, WatchlistTableController::ITEMTYPEIMG_WL));
  EXPECT_EQ(tickets, std::vector<std::string>{"GBPUSD"});
  EXPECT_EQ(details, std::vector<std::string>{"EURUSD"});
}

TEST_F(WatchlistViewTest, AClickInsideTheOpenPanelKeepsItOpenAndOnlyARowExpandsOrCollapses) {
  AdvancedWatchlistTableController::Services services;
  services.session = sessionOfTest();
  services.notifications = notifications.get();
  services.mainQueue = &queue;
  AdvancedWatchlistTableController board(services);
  AdvancedWatchlistView view(board);
  view.resize(420, 500);
  view.show();
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, centreOf(view, 0, 0));
  ASSERT_EQ(board.expandedRow(), 0);
  AdvancedTableCell* panel = view.panel();
  ASSERT_NE(panel, nullptr);
  // The panel's labels and its background.
  for (const char* label : {"SpreadTextLabel", "LowTextLabel", "SymbolTextField"}) {
    auto* widget = panel->findChild<QLabel*>(label);
    ASSERT_NE(widget, nullptr) << label;
    QTest::mouseClick(widget, Qt::LeftButton);
    EXPECT_EQ(board.expandedRow(), 0) << label;
  }
  QTest::mouseClick(panel, Qt::LeftButton, {}, QPoint(2, panel->height() - 2));
  QTest::mouseDClick(panel, Qt::LeftButton, {}, QPoint(2, panel->height() - 2));
  EXPECT_EQ(board.expandedRow(), 0);
  // Another row moves the panel there.
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, centreOf(view, 1, 0));
  EXPECT_EQ(board.expandedRow(), 1);
}

}  // namespace
}  // namespace td::testing
