#include "ui/watchlist/AdvancedWatchlistTableController.h"


#include "session/BusinessBase.h"

namespace td {

AdvancedWatchlistTableController::AdvancedWatchlistTableController(Services services, QObject* parent)
    : QuoteBoardModel(parent),
      services_(std::move(services)),
      buyDepth_(MarketDepthTableModel::Side::Buy, services_.session),
      sellDepth_(MarketDepthTableModel::Side::Sell, services_.session),
      live_(*services_.notifications, *services_.mainQueue, services_.timing,
            {[this](const std::vector<std::string>& codes) { refreshItems(codes); }, [this] { RefreshTableview(); }}) {
  loginToken_ = services_.notifications->addObserver("LoginSuccessNotification", [this](const Notification&) {
    const auto session = services_.session ? services_.session() : nullptr;
    reload(session ? session->selectedSymbols() : std::vector<std::string>{});
  });
  const auto session = services_.session ? services_.session() : nullptr;
  reload(session ? session->selectedSymbols() : std::vector<std::string>{});
}

AdvancedWatchlistTableController::~AdvancedWatchlistTableController() {
  services_.notifications->removeObserver(loginToken_);
}

int AdvancedWatchlistTableController::heightOfRow(int row) const {
  return row == selectedIndex_ ? kExpandedRowHeight : kRowHeight;
}

bool AdvancedWatchlistTableController::shouldSelectRow(int row) {
  rowindex_ = row;
  return true;
}

int AdvancedWatchlistTableController::expandedRow() const {
  return selectedIndex_ >= 0 && selectedIndex_ < static_cast<std::int64_t>(board_.rows.size())
             ? static_cast<int>(selectedIndex_)
             : -1;
}

void AdvancedWatchlistTableController::tableViewSelectionDidChange(std::optional<int> selectedRow) {
  if (!selectedRow) return;
  const int before = expandedRow();
  selectedIndex_ = *selectedRow == selectedIndex_ ? -1 : *selectedRow;
  refreshPanel(true);
  if (expandedRow() != before) emit expansionChanged(before, expandedRow());
}

void AdvancedWatchlistTableController::LoadTradeTicketView() const {
  if (board_.rows.empty()) return;
  if (const auto code = codeAt(static_cast<int>(rowindex_)); code && services_.openTicket) services_.openTicket(*code);
}

std::optional<std::string> AdvancedWatchlistTableController::codeAt(int row) const {
  if (row < 0 || row >= static_cast<int>(board_.rows.size())) return std::nullopt;
  return board_.rows[row].code;
}

bool AdvancedWatchlistTableController::fill(Row& row, const ItemDetails& item) {
  bool changed = row.bidPrice.show(item.Bid);
  changed = row.askPrice.show(item.Ask) || changed;
  const QString symbol = QString::fromStdString(item.Code);
  const QString bid = quote::price(item.Bid, item.DecimalPlaces);
  const QString ask = quote::price(item.Ask, item.DecimalPlaces);
  if (symbol != row.symbol || bid != row.bid || ask != row.ask) {
    row.symbol = symbol;
    row.bid = bid;
    row.ask = ask;
    changed = true;
  }
  return changed;
}

void AdvancedWatchlistTableController::reload(const std::vector<std::string>& codes) {
  live_.flush();
  const int before = expandedRow();
  const std::shared_ptr<BusinessBase> session = services_.session ? services_.session() : nullptr;
  beginResetModel();
  board_.reload(codes, [&](Row& row) {
    if (const auto item = session ? session->referenceData().item(row.code) : nullptr) fill(row, *item);
  });
  endResetModel();
  refreshPanel(true);
  // After a reset the view lays its rows out afresh: it places the panel again.
  emit expansionChanged(before, expandedRow());
}

void AdvancedWatchlistTableController::refreshPanel(bool depthToo) {
  Panel panel;
  const int r = expandedRow();
  const std::shared_ptr<BusinessBase> session = services_.session ? services_.session() : nullptr;
  const std::shared_ptr<ItemDetails> item = r >= 0 && session ? session->referenceData().item(board_.rows[r].code) : nullptr;
  if (item) {
    Row& row = board_.rows[r];
    const std::int32_t decimals = item->DecimalPlaces;
    panel.symbol = QString::fromStdString(item->Code);
    panel.bid = quote::price(item->Bid, decimals);
    panel.ask = quote::price(item->Ask, decimals);
    panel.bidTick = row.bidPrice.tick();
    panel.askTick = row.askPrice.tick();
    panel.time = row.time.of(item->UpdateTime);
    panel.low = QStringLiteral("Low : ") + quote::price(item->Low, decimals);
    panel.high = QStringLiteral("High : ") + quote::price(item->High, decimals);
    panel.spread = quote::spreadInTicks(item->Ask, item->Bid, item->TickSize);
    panel.sell = panel.bid;
    panel.buy = panel.ask;
  }
  if (depthToo && r >= 0) {
    buyDepth_.setValue(board_.rows[r].code);
    sellDepth_.setValue(board_.rows[r].code);
  }
  if (!(panel == panel_)) {
    panel_ = std::move(panel);
    emit panelChanged();
  }
}

void AdvancedWatchlistTableController::refreshItems(const std::vector<std::string>& codes) {
  const std::shared_ptr<BusinessBase> session = services_.session ? services_.session() : nullptr;
  if (!session) return;
  const int expanded = expandedRow();
  bool panelDue = false;
  for (const std::string& code : codes) {
    const auto rows = board_.rowsOf.find(code);
    if (rows == board_.rowsOf.end()) continue;
    const std::shared_ptr<ItemDetails> item = session->referenceData().item(code);
    if (!item) continue;
    for (int r : rows->second) {
      if (fill(board_.rows[r], *item)) emit dataChanged(index(r, 0), index(r, ColumnCount - 1));
      panelDue = panelDue || r == expanded;
    }
  }
  if (panelDue) refreshPanel(false);
}

void AdvancedWatchlistTableController::RefreshTableview() {
  const std::shared_ptr<BusinessBase> session = services_.session ? services_.session() : nullptr;
  if (!session) return;
  const std::vector<std::string>& codes = session->selectedSymbols();
  bool same = codes.size() == board_.rows.size();
  for (std::size_t i = 0; same && i < codes.size(); ++i) same = codes[i] == board_.rows[i].code;
  if (!same) {
    reload(codes);
    return;
  }
  for (std::size_t r = 0; r < board_.rows.size(); ++r) {
    Row& row = board_.rows[r];
    const std::shared_ptr<ItemDetails> item = session->referenceData().item(row.code);
    bool changed = item && fill(row, *item);
    changed = row.bidPrice.settle() || changed;
    changed = row.askPrice.settle() || changed;
    if (changed) emit dataChanged(index(static_cast<int>(r), 0), index(static_cast<int>(r), ColumnCount - 1));
  }
  refreshPanel(true);
}

int AdvancedWatchlistTableController::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(board_.rows.size());
}

int AdvancedWatchlistTableController::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant AdvancedWatchlistTableController::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(board_.rows.size())) return {};
  const Row& row = board_.rows[index.row()];
  switch (role) {
    case Qt::DisplayRole:
      return index.column() == SymbolColumn ? row.symbol : index.column() == BidColumn ? row.bid : row.ask;
    case Qt::ForegroundRole: {
      const QColor colour = index.column() == BidColumn   ? quote::tickColor(row.bidPrice.tick())
                            : index.column() == AskColumn ? quote::tickColor(row.askPrice.tick())
                                                          : QColor();
      return colour.isValid() ? QVariant(colour) : QVariant();
    }
    case Qt::TextAlignmentRole:
      return index.column() == SymbolColumn ? QVariant() : QVariant(int(Qt::AlignRight | Qt::AlignVCenter));
    default:
      return {};
  }
}

QVariant AdvancedWatchlistTableController::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return section == SymbolColumn ? QStringLiteral("Symbol") : section == BidColumn ? QStringLiteral("Bid")
                                                                                    : QStringLiteral("Ask");
}

}  // namespace td
