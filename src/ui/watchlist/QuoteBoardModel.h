#pragma once
// What the two quote boards share as item models: each row is an item code, and a dragged row
// travels as its code in plain text (only the first of several dragged rows), which the main
// window's chart drop areas take.

#include <QAbstractTableModel>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace td {

class QuoteBoardModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  using QAbstractTableModel::QAbstractTableModel;

  // The item code of a row; none outside the rows.
  virtual std::optional<std::string> codeAt(int row) const = 0;

  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  // `tableView:writeRowsWithIndexes:toPasteboard:`: the code of the first dragged row, as text.
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }
};

// The rows of a board, one per code of the watchlist, with the rows of each code. A reload keeps the
// row of a code that was shown before (and with it the prices that row showed, so that a reload
// does not colour every price as new).
template <class Row>
struct QuoteRows {
  std::vector<Row> rows;
  std::unordered_map<std::string, std::vector<int>> rowsOf;

  // `fill(row)` completes each row after its code is set.
  template <class Fill>
  void reload(const std::vector<std::string>& codes, Fill fill) {
    std::unordered_map<std::string, Row> previous;
    for (Row& row : rows) previous.emplace(row.code, std::move(row));
    rows.clear();
    rowsOf.clear();
    for (const std::string& code : codes) {
      auto kept = previous.find(code);
      Row row = kept != previous.end() ? std::move(kept->second) : Row{};
      if (kept != previous.end()) previous.erase(kept);
      row.code = code;
      fill(row);
      rowsOf[code].push_back(static_cast<int>(rows.size()));
      rows.push_back(std::move(row));
    }
  }
};

}  // namespace td
