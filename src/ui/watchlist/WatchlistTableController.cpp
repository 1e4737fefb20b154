#include "ui/watchlist/WatchlistTableController.h"

#include <algorithm>

#include "session/BusinessBase.h"
#include "ui/watchlist/Images.h"

namespace td {
namespace {

constexpr const char* kIdentifiers[WatchlistTableController::ColumnCount] = {
    "i",    "Symbol",    "Bid",  "Ask",  "Spread", "Open",   "High",          "Low",
    "Previous Close", "Last", "Item Type", "Name", "Time", "Status", "Trading Status"};

// The columns the live refresh reads; Bid and Ask always, the others only while they are shown.
constexpr int kLiveColumns[] = {WatchlistTableController::BID_WL,   WatchlistTableController::ASK_WL,
                                WatchlistTableController::TIME_WL,  WatchlistTableController::SPREAD_WL,
                                WatchlistTableController::OPEN_WL,  WatchlistTableController::HIGH_WL,
                                WatchlistTableController::LOW_WL,   WatchlistTableController::PREVIOUSCLOSE_WL,
                                WatchlistTableController::LAST_WL,  WatchlistTableController::STATUS_WL};

QString text(const std::string& s) { return QString::fromStdString(s); }

const SessionSetting* sessionOf(const ItemDetails& item, const BusinessBase& session) {
  return session.referenceData().sessionSetting(std::to_string(item.CurrentTradeSessionSettingId)).get();
}

void addOnce(std::vector<int>& columns, int column) {
  if (std::find(columns.begin(), columns.end(), column) == columns.end()) columns.push_back(column);
}

bool isPrice(int column) {
  return column >= WatchlistTableController::BID_WL && column <= WatchlistTableController::LAST_WL &&
         column != WatchlistTableController::SPREAD_WL;
}

}  // namespace

const char* WatchlistTableController::identifier(int column) {
  return column >= 0 && column < ColumnCount ? kIdentifiers[column] : "";
}

WatchlistTableController::WatchlistTableController(Services services, QObject* parent)
    : QuoteBoardModel(parent),
      services_(std::move(services)),
      live_(*services_.notifications, *services_.mainQueue, services_.timing,
            {[this](const std::vector<std::string>& codes) { refreshItems(codes); }, [this] { RefreshTableview(); }}) {
  // Which columns start hidden: the board opens narrow, beside the mini charts.
  for (int column : {OPEN_WL, HIGH_WL, LOW_WL, PREVIOUSCLOSE_WL, LAST_WL, ITEMTYPE_WL, NAME_WL, STATUS_WL,
                     TRADINGSTATUS_WL}) {
    hidden_[column] = true;
  }
  reloadToken_ = services_.notifications->addObserver("WatchlistTableNotification",
                                                      [this](const Notification&) { RefreshWatchlist(); });
  loginToken_ = services_.notifications->addObserver("LoginSuccessNotification",
                                                     [this](const Notification&) { RefreshWatchlist(); });
  RefreshWatchlist();
}

WatchlistTableController::~WatchlistTableController() {
  services_.notifications->removeObserver(reloadToken_);
  services_.notifications->removeObserver(loginToken_);
}

void WatchlistTableController::fillStatic(Row& row, const ItemDetails& item, const BusinessBase& session) const {
  row.typeImage = images::itemTypeImage(item.InstrumentTypeName);
  row.text[SYMBOL_WL] = text(item.Code);
  row.text[ITEMTYPE_WL] = text(session.referenceData().getInstrumentTypeName(item.InstrumentTypeId).value_or(""));
  row.text[NAME_WL] = text(item.Name);
  row.text[TRADINGSTATUS_WL] = text(ItemDetails::getInstrumentTradingStatus(item.instrumentTradingStatus));
  row.symbolBackground = QColor();
  if (const SessionSetting* setting = sessionOf(item, session)) {
    if (setting->SettingsId != 0 && setting->SettingsId != 1 && setting->SessionColor) {
      const RgbColor& c = *setting->SessionColor;
      row.symbolBackground = QColor::fromRgbF(c.red, c.green, c.blue, c.alpha);
    }
  }
}

std::vector<int> WatchlistTableController::fillLive(Row& row, const ItemDetails& item, const BusinessBase& session) {
  std::vector<int> changed;
  auto set = [&](int column, const QString& value) {
    if (row.text[column] != value) {
      row.text[column] = value;
      addOnce(changed, column);
    }
  };
  const std::int32_t decimals = item.DecimalPlaces;
  if (row.bid.show(item.Bid)) addOnce(changed, BID_WL);
  if (row.ask.show(item.Ask)) addOnce(changed, ASK_WL);
  set(BID_WL, quote::price(item.Bid, decimals));
  set(ASK_WL, quote::price(item.Ask, decimals));
  for (int column : kLiveColumns) {
    if (column == BID_WL || column == ASK_WL || hidden_[column]) continue;
    switch (column) {
      case TIME_WL: set(column, row.time.of(item.UpdateTime)); break;
      case SPREAD_WL: set(column, quote::spreadInTicks(item.Ask, item.Bid, item.TickSize)); break;
      case OPEN_WL: set(column, quote::price(item.Open, decimals)); break;
      case HIGH_WL: set(column, quote::price(item.High, decimals)); break;
      case LOW_WL: set(column, quote::price(item.Low, decimals)); break;
      case PREVIOUSCLOSE_WL: set(column, quote::price(item.PrevClose, decimals)); break;
      case LAST_WL: set(column, quote::price(item.Last, decimals)); break;
      case STATUS_WL: {
        const SessionSetting* setting = sessionOf(item, session);
        set(column, setting ? text(setting->SettingsName) : QString());
        break;
      }
      default: break;
    }
  }
  return changed;
}

void WatchlistTableController::changed(int row, const std::vector<int>& columns) {
  if (columns.empty()) return;
  std::vector<int> sorted = columns;
  std::sort(sorted.begin(), sorted.end());
  static const QList<int> roles{Qt::DisplayRole, Qt::ForegroundRole};
  // One signal per run of neighbouring columns, so unchanged cells are not repainted.
  std::size_t first = 0;
  for (std::size_t i = 1; i <= sorted.size(); ++i) {
    if (i == sorted.size() || sorted[i] != sorted[i - 1] + 1) {
      emit dataChanged(index(row, sorted[first]), index(row, sorted[i - 1]), roles);
      first = i;
    }
  }
}

void WatchlistTableController::RefreshWatchlist() {
  live_.flush();
  const std::shared_ptr<BusinessBase> session = services_.session ? services_.session() : nullptr;
  beginResetModel();
  board_.reload(session ? session->selectedSymbols() : std::vector<std::string>{}, [&](Row& row) {
    if (const std::shared_ptr<ItemDetails> item = session->referenceData().item(row.code)) {
      fillStatic(row, *item, *session);
      fillLive(row, *item, *session);
    }
  });
  endResetModel();
}

void WatchlistTableController::refreshItems(const std::vector<std::string>& codes) {
  const std::shared_ptr<BusinessBase> session = services_.session ? services_.session() : nullptr;
  if (!session) return;
  for (const std::string& code : codes) {
    const auto rows = board_.rowsOf.find(code);
    if (rows == board_.rowsOf.end()) continue;
    const std::shared_ptr<ItemDetails> item = session->referenceData().item(code);
    if (!item) continue;
    for (int r : rows->second) changed(r, fillLive(board_.rows[r], *item, *session));
  }
}

void WatchlistTableController::RefreshTableview() {
  const std::shared_ptr<BusinessBase> session = services_.session ? services_.session() : nullptr;
  if (!session) return;
  for (std::size_t r = 0; r < board_.rows.size(); ++r) {
    Row& row = board_.rows[r];
    const std::shared_ptr<ItemDetails> item = session->referenceData().item(row.code);
    if (!item) continue;
    std::vector<int> columns = fillLive(row, *item, *session);
    if (row.bid.settle()) addOnce(columns, BID_WL);
    if (row.ask.settle()) addOnce(columns, ASK_WL);
    changed(static_cast<int>(r), columns);
  }
}

std::optional<std::string> WatchlistTableController::codeAt(int row) const {
  if (row < 0 || row >= static_cast<int>(board_.rows.size())) return std::nullopt;
  return board_.rows[row].code;
}

void WatchlistTableController::doubleAction(int row) const {
  if (const auto code = codeAt(row); code && services_.openTicket) services_.openTicket(*code);
}

void WatchlistTableController::contractDetailButtonClicked(int row) const {
  if (const auto code = codeAt(row); code && services_.openDetails) services_.openDetails(*code);
}

bool WatchlistTableController::HeaderMenu(int column) {
  if (column < 0 || column >= ColumnCount) return false;
  setColumnHidden(column, !hidden_[column]);
  return hidden_[column];
}

void WatchlistTableController::setColumnHidden(int column, bool hidden) {
  if (column < 0 || column >= ColumnCount || hidden_[column] == hidden) return;
  hidden_[column] = hidden;
  // A column shown again is brought up to date at once.
  if (!hidden) RefreshTableview();
}

int WatchlistTableController::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(board_.rows.size());
}

int WatchlistTableController::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant WatchlistTableController::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(board_.rows.size())) return {};
  const Row& row = board_.rows[index.row()];
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
      return column == ITEMTYPEIMG_WL ? QVariant() : QVariant(row.text[column]);
    case Qt::ForegroundRole: {
      const QColor colour = column == BID_WL   ? quote::tickColor(row.bid.tick())
                            : column == ASK_WL ? quote::tickColor(row.ask.tick())
                                               : QColor();
      return colour.isValid() ? QVariant(colour) : QVariant();
    }
    case Qt::BackgroundRole:
      return column == SYMBOL_WL && row.symbolBackground.isValid() ? QVariant(row.symbolBackground) : QVariant();
    case Qt::DecorationRole:
      return column == ITEMTYPEIMG_WL && !row.typeImage.empty() ? QVariant(images::named(row.typeImage)) : QVariant();
    case Qt::TextAlignmentRole:
      return isPrice(column) || column == SPREAD_WL ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
    default:
      return {};
  }
}

QVariant WatchlistTableController::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return QString::fromLatin1(identifier(section));
}

}  // namespace td
