// The expanding watchlist: which row is expanded and how high rows are, the panel of the expanded
// item with its market depth, the ticket from its buttons, and a watchlist that changes under it.

#include "ui/watchlist/AdvancedWatchlistTableController.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "WatchlistTestSupport.h"

namespace td::testing {
namespace {

using A = AdvancedWatchlistTableController;

class ExpandingWatchlistTest : public WatchlistTest {
 protected:
  ExpandingWatchlistTest() {
    open();
    A::Services services;
    services.session = sessionOfTest();
    services.notifications = notifications.get();
    services.mainQueue = &queue;
    services.openTicket = [this](const std::string& code) { tickets.push_back(code); };
    board = std::make_unique<A>(services);
  }
  void click(int row) {
    board->shouldSelectRow(row);
    board->tableViewSelectionDidChange(row);
  }
  QString depth(MarketDepthTableModel& side, int row, int column) const {
    return side.data(side.index(row, column)).toString();
  }

  std::vector<std::string> tickets;
  std::unique_ptr<A> board;
};

TEST_F(ExpandingWatchlistTest, SelectingARowExpandsItAndSelectingItAgainCollapsesIt) {
  QSignalSpy moved(board.get(), &A::expansionChanged);
  EXPECT_EQ(board->expandedRow(), -1);
  board->tableViewSelectionDidChange(std::nullopt);
  EXPECT_EQ(moved.count(), 0);
  click(0);
  EXPECT_EQ(board->heightOfRow(0), 290);
  EXPECT_EQ(board->heightOfRow(1), 17);
  click(1);
  EXPECT_EQ(board->heightOfRow(0), 17);
  EXPECT_EQ(board->heightOfRow(1), 290);
  click(1);
  EXPECT_EQ(board->expandedRow(), -1);
  EXPECT_EQ(board->heightOfRow(1), 17);
  ASSERT_EQ(moved.count(), 3);
  EXPECT_EQ(moved[1], (QList<QVariant>{0, 1}));
  EXPECT_EQ(moved[2], (QList<QVariant>{1, -1}));
}

TEST_F(ExpandingWatchlistTest, ThePanelShowsTheExpandedItemAndFollowsItsPrices) {
  tick("GBPUSD", 1.2343, 1.2345, "09:08:07", 1.25, 1.2);
  queue.advance(std::chrono::milliseconds(20));
  click(1);
  const A::Panel& panel = board->panel();
  EXPECT_EQ(panel.symbol, "GBPUSD");
  EXPECT_EQ(panel.time, "09:08:07");
  EXPECT_EQ(panel.low, "Low : 1.2000");
  EXPECT_EQ(panel.high, "High : 1.2500");
  EXPECT_EQ(panel.spread, "2");
  EXPECT_EQ(panel.sell, "1.2343");  // the bid
  EXPECT_EQ(panel.buy, "1.2345");   // the ask
  QSignalSpy panelChanged(board.get(), &A::panelChanged);
  QSignalSpy rows(board.get(), &QAbstractItemModel::dataChanged);
  tick("GBPUSD", 1.2341, 1.2345);
  tick("EURUSD", 1.1, 1.2);
  queue.advance(std::chrono::milliseconds(20));
  EXPECT_EQ(panelChanged.count(), 1);
  EXPECT_EQ(rows.count(), 2);  // each changed row once
  EXPECT_EQ(board->panel().bidTick, quote::Tick::Down);
  EXPECT_EQ(board->data(board->index(1, A::BidColumn), Qt::ForegroundRole).value<QColor>(),
            QColor::fromRgbF(0.6f, 0, 0));
  item("GBPUSD").TickSize = 0;
  queue.advance(std::chrono::seconds(1));
  EXPECT_EQ(board->panel().spread, "0");
}

TEST_F(ExpandingWatchlistTest, TheDepthShowsAtMostFiveLevelsOfTheExpandedItem) {
  session->ZMQNewMessage("MD_EURUSD;1.23456,500|1.2344,7|1.2343,8|1.2342,9|1.2341,10|1.2340,11;1.2350,3");
  session->ZMQNewMessage("MD_GBPUSD;1.5,1;1.6,2|1.61,4");
  click(0);
  ASSERT_EQ(board->buyDepth().rowCount(), 5);
  EXPECT_EQ(depth(board->buyDepth(), 0, 0), "500");
  EXPECT_EQ(depth(board->buyDepth(), 0, 1), "1.2346");
  EXPECT_EQ(board->buyDepth().headerData(0, Qt::Horizontal).toString(), "Bid Quantity");
  ASSERT_EQ(board->sellDepth().rowCount(), 1);
  EXPECT_EQ(depth(board->sellDepth(), 0, 0), "1.2350");
  EXPECT_EQ(depth(board->sellDepth(), 0, 1), "3");
  click(1);
  EXPECT_EQ(board->buyDepth().rowCount(), 1);
  EXPECT_EQ(board->sellDepth().rowCount(), 2);
  session->ZMQNewMessage("MD_GBPUSD;1.5,1|1.49,6;1.6,2");
  queue.advance(std::chrono::seconds(1));  // the depth is read again each second
  EXPECT_EQ(board->buyDepth().rowCount(), 2);
  EXPECT_EQ(board->sellDepth().rowCount(), 1);
}

TEST_F(ExpandingWatchlistTest, BuyAndSellOpenTheTicketForTheRowLastClicked) {
  click(1);
  board->shouldSelectRow(0);
  board->LoadTradeTicketView();
  EXPECT_EQ(tickets, std::vector<std::string>{"EURUSD"});
  session->SaveItemstoWatchList({});
  queue.advance(std::chrono::seconds(1));
  board->LoadTradeTicketView();
  EXPECT_EQ(tickets.size(), 1u);
}

TEST_F(ExpandingWatchlistTest, ANewWatchlistShowsAtTheNextSecondAndTheExpandedIndexStays) {
  click(1);
  session->SaveItemstoWatchList({"DAX", "EURUSD", "GBPUSD"});
  queue.advance(std::chrono::seconds(1));
  ASSERT_EQ(board->rowCount(), 3);
  EXPECT_EQ(board->expandedRow(), 1);
  EXPECT_EQ(board->panel().symbol, "EURUSD");
  session->SaveItemstoWatchList({"DAX"});
  queue.advance(std::chrono::seconds(1));
  EXPECT_EQ(board->expandedRow(), -1);  // the index lies past the end
  EXPECT_EQ(board->selectedIndex(), 1);
  EXPECT_EQ(board->panel().symbol, "");
}

}  // namespace
}  // namespace td::testing
