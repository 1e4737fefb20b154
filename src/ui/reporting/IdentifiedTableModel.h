#pragma once
// A table model whose columns are named by identifiers: the identifier is the column's header
// title (and the title of its column-menu entry and of its printed column). A table answers the
// identifiers it knows; a column it does not know stays empty. Columns of figures (prices,
// amounts, quantities) are right-aligned on screen.

#include <QAbstractTableModel>
#include <string>
#include <string_view>
#include <vector>

namespace td {

class IdentifiedTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  IdentifiedTableModel(std::vector<std::string> identifiers, std::vector<std::string> figures, QObject* parent);

  const std::vector<std::string>& identifiers() const { return identifiers_; }
  const std::string& identifier(int column) const;
  // The table's columns, in order (the table resets).
  void setIdentifiers(std::vector<std::string> identifiers);

  // Qt::TextAlignmentRole of a column.
  QVariant alignment(int column) const;

  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  std::vector<std::string> identifiers_;
  std::vector<std::string> figures_;  // the identifiers of the columns of figures
};

}  // namespace td
