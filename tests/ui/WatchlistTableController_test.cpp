// The column watchlist as an item model: what its cells show, how prices colour, how a burst of
// ticks is coalesced into updates of the changed cells, and what its row actions do.

#include "ui/watchlist/WatchlistTableController.h"

#include <gtest/gtest.h>

#include <QMimeData>
#include <QSignalSpy>

#include "WatchlistTestSupport.h"

namespace td::testing {
namespace {

using W = WatchlistTableController;

class WatchlistTableTest : public WatchlistTest {
 protected:
  WatchlistTableTest() {
    open();
    W::Services services;
    services.session = sessionOfTest();
    services.notifications = notifications.get();
    services.mainQueue = &queue;
    services.openTicket = [this](const std::string& code) { tickets.push_back(code); };
    services.openDetails = [this](const std::string& code) { details.push_back(code); };
    board = std::make_unique<W>(services);
  }
  QString cell(int row, int column, int role = Qt::DisplayRole) const {
    return board->data(board->index(row, column), role).toString();
  }
  QVariant colour(int row, int column) const { return board->data(board->index(row, column), Qt::ForegroundRole); }
  void nextFrame() { queue.advance(std::chrono::milliseconds(20)); }

  std::vector<std::string> tickets;
  std::vector<std::string> details;
  std::unique_ptr<W> board;
};

TEST(QuoteFormat, SpreadInTicksIsAPlainDecimalNumber) {
  EXPECT_EQ(quote::spreadInTicks(1.2345, 1.2343, 0.0001), "2");  // 1.9999999999997797 written "%f"
  EXPECT_EQ(quote::spreadInTicks(1.23455, 1.2343, 0.0001), "2.5");
  EXPECT_EQ(quote::spreadInTicks(1.2343, 1.2345, 0.0001), "-2");
  EXPECT_EQ(quote::spreadInTicks(1.2345, 1.2343, 0), "0");
  EXPECT_EQ(quote::plainDecimal(5), "5");
  EXPECT_EQ(quote::plainDecimalText("2.50"), "2.5");
  EXPECT_EQ(quote::plainDecimalText("lots"), "lots");
}

TEST_F(WatchlistTableTest, CellsShowTheItemsFiguresAndTheStaticOnesChangeOnlyOnAReload) {
  ASSERT_EQ(board->rowCount(), 2);
  tick("EURUSD", 1.2343, 1.2345, "10:11:12", 1.25, 1.2);
  nextFrame();
  EXPECT_EQ(cell(0, W::SYMBOL_WL), "EURUSD");
  EXPECT_EQ(cell(0, W::BID_WL), "1.2343");
  EXPECT_EQ(cell(0, W::ASK_WL), "1.2345");
  EXPECT_EQ(cell(0, W::SPREAD_WL), "2");
  EXPECT_EQ(cell(0, W::TIME_WL), "10:11:12");
  EXPECT_EQ(cell(0, W::ITEMTYPE_WL), "Forex");
  EXPECT_EQ(cell(0, W::NAME_WL), "EURUSD name");
  EXPECT_EQ(cell(0, W::TRADINGSTATUS_WL), "Unknown");
  EXPECT_EQ(cell(0, W::ITEMTYPEIMG_WL), "");
  EXPECT_EQ(board->headerData(W::PREVIOUSCLOSE_WL, Qt::Horizontal).toString(), "Previous Close");
  // Session 1 draws no background; session 2 its own colour.
  EXPECT_FALSE(board->data(board->index(0, W::SYMBOL_WL), Qt::BackgroundRole).isValid());
  EXPECT_EQ(board->data(board->index(1, W::SYMBOL_WL), Qt::BackgroundRole).value<QColor>(), QColor(0xFF, 0x80, 0x00));

  item("EURUSD").instrumentTradingStatus = 1;
  tick("EURUSD", 1.2344, 1.2345);
  queue.advance(std::chrono::seconds(1));
  EXPECT_EQ(cell(0, W::TRADINGSTATUS_WL), "Unknown");
  notifications->post("WatchlistTableNotification");
  EXPECT_EQ(cell(0, W::TRADINGSTATUS_WL), "Active");

  session->SaveItemstoWatchList({"DAX"});
  notifications->post("WatchlistTableNotification");
  ASSERT_EQ(board->rowCount(), 1);
  EXPECT_EQ(cell(0, W::SYMBOL_WL), "DAX");
}

TEST_F(WatchlistTableTest, ARisingPriceIsGreenAFallingOneRedUntilASecondFindsItStill) {
  EXPECT_FALSE(colour(0, W::BID_WL).isValid());  // no price yet
  tick("EURUSD", 1.2343, 1.2345);
  nextFrame();
  EXPECT_EQ(colour(0, W::BID_WL).value<QColor>(), QColor::fromRgbF(0, 0.6f, 0));  // the first compares with 0
  tick("EURUSD", 1.2340, 1.2346);
  nextFrame();
  EXPECT_EQ(colour(0, W::BID_WL).value<QColor>(), QColor::fromRgbF(0.6f, 0, 0));
  EXPECT_EQ(colour(0, W::ASK_WL).value<QColor>(), QColor::fromRgbF(0, 0.6f, 0));
  EXPECT_FALSE(colour(0, W::SPREAD_WL).isValid());
  queue.advance(std::chrono::seconds(1));  // the change is still this second's
  EXPECT_TRUE(colour(0, W::BID_WL).isValid());
  tick("EURUSD", 0, 1.2347);  // only the ask moves
  queue.advance(std::chrono::seconds(1));
  EXPECT_FALSE(colour(0, W::BID_WL).isValid());
  EXPECT_TRUE(colour(0, W::ASK_WL).isValid());
  // The colours are the board's own: the item record's previous prices are left to the position lists.
  EXPECT_EQ(item("EURUSD").previousBid, 0);
}

TEST_F(WatchlistTableTest, ABurstOfTicksCostsOneUpdateOfTheChangedCellsPerFrameAndNoReset) {
  tick("EURUSD", 1.2343, 1.2345);
  tick("GBPUSD", 1.5, 1.6);
  nextFrame();
  QSignalSpy changed(board.get(), &QAbstractItemModel::dataChanged);
  QSignalSpy reset(board.get(), &QAbstractItemModel::modelReset);
  for (int i = 1; i <= 50; ++i) tick("EURUSD", 1.2343 - i * 0.0001, 1.2345);
  EXPECT_EQ(changed.count(), 0);  // nothing before the frame ends
  nextFrame();
  // Bid (text and colour) and Spread changed; Ask, Time and the other row did not.
  ASSERT_EQ(changed.count(), 2);
  std::vector<std::pair<int, int>> cells;
  for (const auto& signal : changed) {
    const auto from = signal[0].value<QModelIndex>();
    const auto to = signal[1].value<QModelIndex>();
    EXPECT_EQ(from.row(), 0);
    EXPECT_EQ(to.row(), 0);
    cells.emplace_back(from.column(), to.column());
  }
  EXPECT_EQ(cells, (std::vector<std::pair<int, int>>{{W::BID_WL, W::BID_WL}, {W::SPREAD_WL, W::SPREAD_WL}}));
  EXPECT_EQ(cell(0, W::BID_WL), "1.2293");
  EXPECT_EQ(reset.count(), 0);
  EXPECT_EQ(board->livePrices().pending(), 0u);
}

TEST_F(WatchlistTableTest, AHiddenColumnIsNotRefreshedAndCatchesUpWhenShownAgain) {
  tick("EURUSD", 1.2343, 1.2345, "10:00:00");
  nextFrame();
  EXPECT_TRUE(board->HeaderMenu(W::TIME_WL));
  QSignalSpy changed(board.get(), &QAbstractItemModel::dataChanged);
  tick("EURUSD", 0, 0, "10:00:05");
  queue.advance(std::chrono::seconds(1));
  for (const auto& signal : changed) {
    EXPECT_FALSE(signal[0].value<QModelIndex>().column() <= W::TIME_WL &&
                 W::TIME_WL <= signal[1].value<QModelIndex>().column());
  }
  EXPECT_EQ(cell(0, W::TIME_WL), "10:00:00");
  EXPECT_FALSE(board->HeaderMenu(W::TIME_WL));
  EXPECT_EQ(cell(0, W::TIME_WL), "10:00:05");
}

TEST_F(WatchlistTableTest, RowsOpenTheTicketAndTheDetailsAndADragCarriesTheFirstRowsSymbol) {
  board->doubleAction(1);
  board->doubleAction(2);   // past the end
  board->doubleAction(-1);  // the header
  board->contractDetailButtonClicked(0);
  board->contractDetailButtonClicked(-1);
  EXPECT_EQ(tickets, std::vector<std::string>{"GBPUSD"});
  EXPECT_EQ(details, std::vector<std::string>{"EURUSD"});
  std::unique_ptr<QMimeData> drag(board->mimeData({board->index(1, 1), board->index(0, 3), board->index(1, 2)}));
  ASSERT_NE(drag, nullptr);
  EXPECT_EQ(drag->text(), "EURUSD");
  EXPECT_TRUE(board->flags(board->index(0, 0)) & Qt::ItemIsDragEnabled);
}

}  // namespace
}  // namespace td::testing
