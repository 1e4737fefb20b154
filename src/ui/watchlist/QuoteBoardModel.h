#pragma once
// What the two quote boards share as item models: each row is an item code, and a dragged row
// travels as its code in plain text (only the first of several dragged rows), which the main
// window's chart drop areas take.

#include <QAbstractTableModel>
#include <optional>
#include <string>

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

}  // namespace td
