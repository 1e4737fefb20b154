#include "ui/ticket/MarketDepthTableModel.h"

#include <algorithm>

#include "platform/AppContext.h"
#include "session/BusinessBase.h"
#include "wire/Formatter.h"
#include "wire/OrderRequests.h"

namespace td {

MarketDepthTableModel::MarketDepthTableModel(Side side, QObject* parent) : QAbstractTableModel(parent), side_(side) {}

void MarketDepthTableModel::setValue(const std::optional<std::string>& itemCode, std::string_view) {
  if (itemCode) itemCode_ = itemCode;
  reload();
}

void MarketDepthTableModel::reload() {
  std::vector<std::string> levels;
  int decimals = 0;
  const auto session = AppContext::current()->businessbase();
  if (session && itemCode_) {
    const auto& depth =
        side_ == Side::Bid ? session->buyMarketDepthDataCollection() : session->sellMarketDepthDataCollection();
    if (const auto found = depth.find(*itemCode_); found != depth.end()) {
      const auto& entries = found->second;
      levels.assign(entries.begin(), entries.begin() + std::min<std::ptrdiff_t>(entries.size(), kMaxRows));
    }
    if (const auto item = session->referenceData().item(*itemCode_)) decimals = item->DecimalPlaces;
  }
  if (levels.size() != levels_.size()) {
    beginResetModel();
    levels_ = std::move(levels);
    decimalPlaces_ = decimals;
    endResetModel();
  } else if (decimals != decimalPlaces_) {
    levels_ = std::move(levels);
    decimalPlaces_ = decimals;
    if (!levels_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
  } else {
    // Only the rows between the first and the last level that moved are drawn again.
    int first = -1;
    int last = -1;
    for (std::size_t row = 0; row < levels.size(); ++row) {
      if (levels[row] == levels_[row]) continue;
      if (first < 0) first = static_cast<int>(row);
      last = static_cast<int>(row);
    }
    levels_ = std::move(levels);
    if (first >= 0) emit dataChanged(index(first, 0), index(last, columnCount() - 1));
  }
}

std::string_view MarketDepthTableModel::identifier(int column) const {
  if (side_ == Side::Bid) return column == 0 ? BID_QUANTITY : column == 1 ? PRICE : "";
  return column == 0 ? PRICE : column == 1 ? OFFER_QUANTITY : "";
}

std::string MarketDepthTableModel::cellText(std::string_view level, std::string_view identifier, int decimalPlaces) {
  const std::size_t comma = level.find(',');
  if (identifier == PRICE) {
    return Formatter::formatDecimal(OrderRequests::leadingNumber(level.substr(0, comma)), decimalPlaces);
  }
  if (identifier == BID_QUANTITY || identifier == OFFER_QUANTITY) {
    return comma == std::string_view::npos ? std::string() : std::string(level.substr(comma + 1));
  }
  return {};
}

int MarketDepthTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(levels_.size());
}

int MarketDepthTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant MarketDepthTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  if (role != Qt::DisplayRole) return {};
  return QString::fromStdString(
      cellText(levels_[static_cast<std::size_t>(index.row())], identifier(index.column()), decimalPlaces_));
}

QVariant MarketDepthTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  const std::string_view id = identifier(section);
  return QString::fromUtf8(id.data(), static_cast<qsizetype>(id.size()));
}

}  // namespace td
