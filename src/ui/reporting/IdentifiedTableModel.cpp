#include "ui/reporting/IdentifiedTableModel.h"

#include <algorithm>

namespace td {

IdentifiedTableModel::IdentifiedTableModel(std::vector<std::string> identifiers, std::vector<std::string> figures,
                                           QObject* parent)
    : QAbstractTableModel(parent), identifiers_(std::move(identifiers)), figures_(std::move(figures)) {}

QVariant IdentifiedTableModel::alignment(int column) const {
  const bool figure = std::find(figures_.begin(), figures_.end(), identifier(column)) != figures_.end();
  return QVariant::fromValue(Qt::AlignVCenter | (figure ? Qt::AlignRight : Qt::AlignLeft));
}

const std::string& IdentifiedTableModel::identifier(int column) const {
  static const std::string none;
  return column >= 0 && column < static_cast<int>(identifiers_.size()) ? identifiers_[static_cast<std::size_t>(column)]
                                                                        : none;
}

void IdentifiedTableModel::setIdentifiers(std::vector<std::string> identifiers) {
  beginResetModel();
  identifiers_ = std::move(identifiers);
  endResetModel();
}

int IdentifiedTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(identifiers_.size());
}

QVariant IdentifiedTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= static_cast<int>(identifiers_.size()))
    return {};
  return QString::fromStdString(identifiers_[static_cast<std::size_t>(section)]);
}

}  // namespace td
