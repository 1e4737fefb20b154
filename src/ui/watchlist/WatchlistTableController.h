#pragma once
// The column watchlist: one row per item code of the session's watchlist (selectedSymbols) and
// fifteen columns of figures read from the item records. It is the board's item model; the Qt view
// (WatchlistView) only binds to it.
//
// Prices reach it through LivePrices: the ticks of a frame are coalesced, and each changed item
// costs one dataChanged per run of changed cells of its row, never a reset. Once a second the
// shown price columns are looked at again and a price that did not move loses its tick colour. The
// static columns ("i", Symbol, Item Type, Name, Trading Status) change only on a full reload:
// "WatchlistTableNotification" (symbol manager, instrument status) and a new login.
//
// Main thread only.

#include <QColor>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "ui/watchlist/LivePrices.h"
#include "ui/watchlist/QuoteBoardModel.h"
#include "ui/watchlist/QuoteFormat.h"

namespace td {

class BusinessBase;
struct ItemDetails;

class WatchlistTableController final : public QuoteBoardModel {
  Q_OBJECT
 public:
  enum Column : int {
    ITEMTYPEIMG_WL,
    SYMBOL_WL,
    BID_WL,
    ASK_WL,
    SPREAD_WL,
    OPEN_WL,
    HIGH_WL,
    LOW_WL,
    PREVIOUSCLOSE_WL,
    LAST_WL,
    ITEMTYPE_WL,
    NAME_WL,
    TIME_WL,
    STATUS_WL,
    TRADINGSTATUS_WL,
    ColumnCount
  };
  // The column identifier: its header title and its column-menu title ("i", "Symbol", ...).
  static const char* identifier(int column);

  struct Services {
    std::function<std::shared_ptr<BusinessBase>()> session;  // the session of the moment
    NotificationCenter* notifications = nullptr;
    MainQueue* mainQueue = nullptr;
    LivePrices::Timing timing;
    std::function<void(const std::string& code)> openTicket;   // the double-click
    std::function<void(const std::string& code)> openDetails;  // the "i" cell
  };

  explicit WatchlistTableController(Services services, QObject* parent = nullptr);
  ~WatchlistTableController() override;

  // `RefreshWatchlist:`: the whole board read again.
  void RefreshWatchlist();
  // `RefreshTableview`: the once-a-second refresh.
  void RefreshTableview();
  // The coalesced prices of one frame.
  void refreshItems(const std::vector<std::string>& codes);

  std::optional<std::string> codeAt(int row) const override;
  // `doubleAction:` on a row (not on the header): opens the ticket for its item.
  void doubleAction(int row) const;
  // `contractDetailButtonClicked:`: the instrument details of the row's item.
  void contractDetailButtonClicked(int row) const;
  // `HeaderMenu:`: hides a shown column, shows a hidden one; returns whether it is now hidden.
  bool HeaderMenu(int column);
  void setColumnHidden(int column, bool hidden);
  bool isColumnHidden(int column) const { return hidden_[column]; }
  LivePrices& livePrices() { return live_; }

  // QAbstractTableModel
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  struct Row {
    std::string code;
    std::array<QString, ColumnCount> text;
    quote::TickedPrice bid;
    quote::TickedPrice ask;
    quote::QuoteTime time;
    QColor symbolBackground;  // invalid: the view's own background
    std::string typeImage;
  };
  void fillStatic(Row& row, const ItemDetails& item, const BusinessBase& session) const;
  // Reads the refreshed columns of a row; returns the columns whose text or colour changed.
  std::vector<int> fillLive(Row& row, const ItemDetails& item, const BusinessBase& session);
  void changed(int row, const std::vector<int>& columns);

  Services services_;
  QuoteRows<Row> board_;
  std::array<bool, ColumnCount> hidden_{};
  LivePrices live_;
  ObserverToken reloadToken_ = 0;
  ObserverToken loginToken_ = 0;
};

}  // namespace td
