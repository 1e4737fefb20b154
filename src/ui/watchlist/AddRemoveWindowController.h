#pragma once
// The symbol manager: chooses the items of the watchlist. An outline holds the root "Item Type"
// with the instrument type names under it; the symbol table lists the symbols of the chosen type
// (code and description), each marked when it is on the watchlist; a search looks through the
// symbols of every type. Add, Remove and a double-click change the marks of the selected rows, and
// every change is saved at once as the new watchlist: the items already on it keep the user's order
// and new ones are appended at the end. Selecting one symbol shows its contract details.
//
// The controller is the symbol table's item model and holds what the outline shows; the sheet
// (SymbolManagerSheet) binds to it. The marks live on the item records (isWatchlistSymbolTemp).
// Main thread only.

#include <QAbstractTableModel>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/ReferenceData.h"
#include "platform/NotificationCenter.h"

namespace td {

class BusinessBase;

class AddRemoveWindowController final : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column : int { SYMBOL_MS, DESCRIPTION_MS, ColumnCount };
  static constexpr const char* ITEM_TYPE = "Item Type";
  enum Tag : int { AddTag = 100, RemoveTag = 200 };

  struct Services {
    std::function<std::shared_ptr<BusinessBase>()> session;
    NotificationCenter* notifications = nullptr;
    // Shows the contract details of a symbol (the window's details view).
    std::function<void(const std::string& code)> showDetails;
  };

  explicit AddRemoveWindowController(Services services, QObject* parent = nullptr);

  // `windowDidLoad`: the type list of the session; made again when the session changed since.
  void windowDidLoad();
  // `showWindow`: each opening: no row selected, no search text, the chosen type's symbols again.
  void showWindow();

  // The outline: the root and the type names under it.
  const std::vector<std::string>& topLevelItems() const { return topLevelItems_; }
  std::vector<std::string> typeNames() const;
  // `outlineViewSelectionDidChange:` with the selected outline row: row 0 is the root (nothing
  // changes), row r the type r - 1.
  void outlineViewSelectionDidChange(int row);
  const std::optional<std::string>& chosenType() const { return chosenType_; }

  // `ShowandHideSymbolsinWatchlist:`: 100 marks, 200 unmarks, any other tag inverts the mark of each
  // given row (ascending), then saves.
  void ShowandHideSymbolsinWatchlist(int tag, std::vector<int> rows);
  // `SearchSymbols:`: "" shows the chosen type again; any other text the symbols of every type that
  // hold it (code, ":" or name, any case).
  void SearchSymbols(const std::string& text);
  const std::string& searchText() const { return search_; }
  // `tableViewSelectionDidChange:` with the single selected row: its details.
  void tableViewSelectionDidChange(std::optional<int> row);

  // The symbol of a row and whether it is on the watchlist.
  std::optional<SymbolEntry> entryAt(int row) const;
  bool isMarked(const std::string& code) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  // The decoration role of the symbol column: "StatusAvailable.png" on the watchlist, else
  // "StatusNone.png".
  static constexpr int MarkImageRole = Qt::UserRole + 1;

 signals:
  // The search text or the selection was cleared (showWindow): the sheet follows.
  void cleared();

 private:
  void LoadBackupSymbols();
  void setSymbols(std::vector<SymbolEntry> symbols);
  // `SaveAddRemoveItems`: `added` are the codes just marked, in the order they were marked.
  void SaveAddRemoveItems(const std::vector<std::string>& added);

  Services services_;
  std::weak_ptr<BusinessBase> loadedFor_;
  std::vector<std::pair<std::string, std::vector<SymbolEntry>>> listOfItems_;
  std::vector<std::string> topLevelItems_{ITEM_TYPE};
  std::optional<std::string> chosenType_;
  std::vector<SymbolEntry> symbolList_;
  std::vector<SymbolEntry> backupSymbolList_;
  std::string search_;
};

}  // namespace td
