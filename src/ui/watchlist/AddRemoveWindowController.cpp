#include "ui/watchlist/AddRemoveWindowController.h"

#include <QString>
#include <algorithm>

#include "session/BusinessBase.h"
#include "ui/watchlist/Images.h"

namespace td {

AddRemoveWindowController::AddRemoveWindowController(Services services, QObject* parent)
    : QAbstractTableModel(parent), services_(std::move(services)) {}

void AddRemoveWindowController::windowDidLoad() {
  const std::shared_ptr<BusinessBase> session = services_.session ? services_.session() : nullptr;
  beginResetModel();
  listOfItems_.clear();
  if (session) {
    for (const auto& [name, entries] : session->referenceData().symbolTypeEntries()) {
      listOfItems_.emplace_back(name, entries);
    }
  }
  loadedFor_ = session;
  chosenType_.reset();
  symbolList_.clear();
  backupSymbolList_.clear();
  endResetModel();
}

void AddRemoveWindowController::showWindow() {
  const std::shared_ptr<BusinessBase> session = services_.session ? services_.session() : nullptr;
  // The type list belongs to the session it was read from; a new login brings its own.
  if (session != loadedFor_.lock()) windowDidLoad();
  search_.clear();
  LoadBackupSymbols();
  emit cleared();
}

std::vector<std::string> AddRemoveWindowController::typeNames() const {
  std::vector<std::string> names;
  names.reserve(listOfItems_.size());
  for (const auto& [name, entries] : listOfItems_) names.push_back(name);
  return names;
}

void AddRemoveWindowController::outlineViewSelectionDidChange(int row) {
  if (row < 1 || row > static_cast<int>(listOfItems_.size())) return;
  const auto& [name, entries] = listOfItems_[row - 1];
  chosenType_ = name;
  backupSymbolList_ = entries;
  setSymbols(entries);
}

void AddRemoveWindowController::setSymbols(std::vector<SymbolEntry> symbols) {
  beginResetModel();
  symbolList_ = std::move(symbols);
  endResetModel();
}

void AddRemoveWindowController::LoadBackupSymbols() { setSymbols(backupSymbolList_); }

void AddRemoveWindowController::SearchSymbols(const std::string& text) {
  search_ = text;
  if (text.empty()) {
    LoadBackupSymbols();
    return;
  }
  const QString wanted = QString::fromStdString(text);
  std::vector<SymbolEntry> found;
  for (const auto& [name, entries] : listOfItems_) {
    for (const SymbolEntry& entry : entries) {
      if (QString::fromStdString(entry.Code + ":" + entry.Name).contains(wanted, Qt::CaseInsensitive)) {
        found.push_back(entry);
      }
    }
  }
  setSymbols(std::move(found));
}

std::optional<SymbolEntry> AddRemoveWindowController::entryAt(int row) const {
  if (row < 0 || row >= static_cast<int>(symbolList_.size())) return std::nullopt;
  return symbolList_[row];
}

bool AddRemoveWindowController::isMarked(const std::string& code) const {
  const std::shared_ptr<BusinessBase> session = services_.session ? services_.session() : nullptr;
  const auto item = session ? session->referenceData().item(code) : nullptr;
  return item && item->isWatchlistSymbolTemp;
}

void AddRemoveWindowController::ShowandHideSymbolsinWatchlist(int tag, std::vector<int> rows) {
  const std::shared_ptr<BusinessBase> session = services_.session ? services_.session() : nullptr;
  if (!session) return;
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  std::vector<std::string> added;
  for (int row : rows) {
    const auto entry = entryAt(row);
    if (!entry) continue;
    const std::shared_ptr<ItemDetails> item = session->referenceData().item(entry->Code);
    if (!item) continue;  // a symbol without its item record is never marked
    const bool mark = tag == AddTag ? true : tag == RemoveTag ? false : !item->isWatchlistSymbolTemp;
    if (mark && !item->isWatchlistSymbolTemp) added.push_back(item->Code);
    item->isWatchlistSymbolTemp = mark;
    emit dataChanged(index(row, SYMBOL_MS), index(row, SYMBOL_MS), {Qt::DecorationRole, MarkImageRole});
  }
  SaveAddRemoveItems(added);
}

void AddRemoveWindowController::SaveAddRemoveItems(const std::vector<std::string>& added) {
  const std::shared_ptr<BusinessBase> session = services_.session ? services_.session() : nullptr;
  if (!session) return;
  const ReferenceData& reference = session->referenceData();
  std::vector<std::string> codes;
  auto take = [&](const std::string& code) {
    const auto item = reference.item(code);
    if (item && item->isWatchlistSymbolTemp && std::find(codes.begin(), codes.end(), code) == codes.end()) {
      codes.push_back(code);
    }
  };
  // The user's order first, then what was just added, then any other marked item.
  for (const std::string& code : session->selectedSymbols()) take(code);
  for (const std::string& code : added) take(code);
  for (const auto& [code, item] : reference.ItemCollection()) take(code);
  session->SaveItemstoWatchList(codes);
  services_.notifications->post("WatchlistTableNotification");
  services_.notifications->post("ItemUpdateNotification");
}

void AddRemoveWindowController::tableViewSelectionDidChange(std::optional<int> row) {
  if (!row) return;
  if (const auto entry = entryAt(*row); entry && services_.showDetails) services_.showDetails(entry->Code);
}

int AddRemoveWindowController::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(symbolList_.size());
}

int AddRemoveWindowController::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant AddRemoveWindowController::data(const QModelIndex& index, int role) const {
  const auto entry = entryAt(index.row());
  if (!index.isValid() || !entry) return {};
  if (role == Qt::DisplayRole) {
    return QString::fromStdString(index.column() == SYMBOL_MS ? entry->Code : entry->Name);
  }
  if (index.column() != SYMBOL_MS || (role != Qt::DecorationRole && role != MarkImageRole)) return {};
  const std::shared_ptr<BusinessBase> session = services_.session ? services_.session() : nullptr;
  const auto item = session ? session->referenceData().item(entry->Code) : nullptr;
  if (!item) return {};
  const char* image = item->isWatchlistSymbolTemp ? images::kMarked : images::kUnmarked;
  return role == MarkImageRole ? QVariant(QString::fromLatin1(image)) : QVariant(images::named(image));
}

QVariant AddRemoveWindowController::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return section == SYMBOL_MS ? QStringLiteral("Symbol") : QStringLiteral("Description");
}

}  // namespace td
