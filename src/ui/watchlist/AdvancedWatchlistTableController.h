#pragma once
// The expanding watchlist: the same watchlist as the column board, one collapsed row per item (code,
// bid, ask; 17 points high); the row the user picks grows (290 points) into a trading panel with the
// quote time, low, high, spread in ticks, the sell (bid) and buy (ask) prices, the item's market
// depth on both sides and Buy and Sell buttons that open the order ticket for the item.
//
// It is the board's item model (the collapsed rows) and the source of the panel's texts; the Qt view
// places the panel over the expanded row. Prices come coalesced per frame through LivePrices (one
// dataChanged per changed row, and panelChanged() when the expanded item changed); once a second the
// tick colours settle, the depth is read again, and a changed watchlist (the symbol manager saved)
// is taken up, the expanded index kept.
//
// Main thread only.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "ui/watchlist/LivePrices.h"
#include "ui/watchlist/MarketDepthTableModel.h"
#include "ui/watchlist/QuoteBoardModel.h"
#include "ui/watchlist/QuoteFormat.h"

namespace td {

class BusinessBase;
struct ItemDetails;

class AdvancedWatchlistTableController final : public QuoteBoardModel {
  Q_OBJECT
 public:
  enum Column : int { SymbolColumn, BidColumn, AskColumn, ColumnCount };
  static constexpr int kRowHeight = 17;
  static constexpr int kExpandedRowHeight = 290;

  struct Services {
    std::function<std::shared_ptr<BusinessBase>()> session;
    NotificationCenter* notifications = nullptr;
    MainQueue* mainQueue = nullptr;
    LivePrices::Timing timing;
    std::function<void(const std::string& code)> openTicket;
  };

  // The texts of the expanded row's panel.
  struct Panel {
    QString symbol;
    QString bid;
    QString ask;
    quote::Tick bidTick = quote::Tick::Same;
    quote::Tick askTick = quote::Tick::Same;
    QString time;
    QString low;     // "Low : <low>"
    QString high;    // "High : <high>"
    QString spread;  // in ticks
    QString sell;    // the bid
    QString buy;     // the ask
    bool operator==(const Panel&) const = default;
  };

  explicit AdvancedWatchlistTableController(Services services, QObject* parent = nullptr);
  ~AdvancedWatchlistTableController() override;

  // `tableView:heightOfRow:`.
  int heightOfRow(int row) const;
  // `tableView:shouldSelectRow:`: the row last proposed for selection (the Buy and Sell buttons'
  // item).
  bool shouldSelectRow(int row);
  // `tableViewSelectionDidChange:` with the selected row (none: nothing happens): the row expands,
  // or collapses when it was the expanded one.
  void tableViewSelectionDidChange(std::optional<int> selectedRow);
  // The expanded row, or -1 (none, or the index lies past the end of the watchlist).
  int expandedRow() const;
  std::int64_t selectedIndex() const { return selectedIndex_; }
  std::int64_t rowindex() const { return rowindex_; }
  // The panel of the expanded row (empty texts when none is expanded).
  const Panel& panel() const { return panel_; }
  MarketDepthTableModel& buyDepth() { return buyDepth_; }
  MarketDepthTableModel& sellDepth() { return sellDepth_; }
  // `LoadTradeTicketView:` (Buy and Sell alike): the ticket for the item at `rowindex`.
  void LoadTradeTicketView() const;

  // `RefreshTableview`: the once-a-second refresh.
  void RefreshTableview();
  // The coalesced prices of one frame.
  void refreshItems(const std::vector<std::string>& codes);
  std::optional<std::string> codeAt(int row) const override;
  LivePrices& livePrices() { return live_; }

  // QAbstractTableModel
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 signals:
  // The expanded row moved (either may be -1).
  void expansionChanged(int previousRow, int row);
  void panelChanged();

 private:
  struct Row {
    std::string code;
    QString symbol;
    QString bid;
    QString ask;
    quote::TickedPrice bidPrice;
    quote::TickedPrice askPrice;
    quote::QuoteTime time;
  };
  // Reads a row from its item; true when a collapsed cell changed.
  bool fill(Row& row, const ItemDetails& item);
  void reload(const std::vector<std::string>& codes);
  void refreshPanel(bool depthToo);

  Services services_;
  QuoteRows<Row> board_;
  std::int64_t selectedIndex_ = -1;
  std::int64_t rowindex_ = 0;
  Panel panel_;
  MarketDepthTableModel buyDepth_;
  MarketDepthTableModel sellDepth_;
  LivePrices live_;
  ObserverToken loginToken_ = 0;
};

}  // namespace td
