#include "ui/watchlist/MarketDepthTableModel.h"

#include "model/Conversions.h"
#include "session/BusinessBase.h"
#include "ui/watchlist/QuoteFormat.h"

namespace td {

MarketDepthTableModel::MarketDepthTableModel(Side side, std::function<std::shared_ptr<BusinessBase>()> session,
                                             QObject* parent)
    : QAbstractTableModel(parent), side_(side), session_(std::move(session)) {}

std::vector<MarketDepthTableModel::Level> MarketDepthTableModel::read() const {
  std::vector<Level> levels;
  const std::shared_ptr<BusinessBase> session = session_ ? session_() : nullptr;
  if (!session || !itemCode_) return levels;
  const auto& collection =
      side_ == Side::Buy ? session->buyMarketDepthDataCollection() : session->sellMarketDepthDataCollection();
  const auto entries = collection.find(*itemCode_);
  if (entries == collection.end()) return levels;
  const std::shared_ptr<ItemDetails> item = session->referenceData().item(*itemCode_);
  const std::int32_t decimals = item ? item->DecimalPlaces : 0;
  for (const std::string& entry : entries->second) {
    if (levels.size() == kMaxLevels) break;
    const std::size_t comma = entry.find(',');
    const std::string priceText = entry.substr(0, comma);
    const std::string quantity = comma == std::string::npos ? std::string() : entry.substr(comma + 1);
    levels.emplace_back(quote::price(conv::toDouble(priceText), decimals), QString::fromStdString(quantity));
  }
  return levels;
}

void MarketDepthTableModel::setValue(const std::optional<std::string>& code) {
  if (code) itemCode_ = code;
  std::vector<Level> levels = read();
  const int before = static_cast<int>(levels_.size());
  const int after = static_cast<int>(levels.size());
  if (after < before) {
    beginRemoveRows({}, after, before - 1);
    levels_.resize(after);
    endRemoveRows();
  }
  for (int r = 0; r < std::min(before, after); ++r) {
    if (levels_[r] != levels[r]) {
      levels_[r] = levels[r];
      emit dataChanged(index(r, 0), index(r, 1), {Qt::DisplayRole});
    }
  }
  if (after > before) {
    beginInsertRows({}, before, after - 1);
    levels_.insert(levels_.end(), levels.begin() + before, levels.end());
    endInsertRows();
  }
}

int MarketDepthTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(levels_.size());
}

int MarketDepthTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant MarketDepthTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(levels_.size())) return {};
  const Level& level = levels_[index.row()];
  const bool priceColumn = (side_ == Side::Buy) == (index.column() == 1);
  if (role == Qt::DisplayRole) return priceColumn ? level.first : level.second;
  if (role == Qt::TextAlignmentRole) return int(Qt::AlignRight | Qt::AlignVCenter);
  return {};
}

QVariant MarketDepthTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  const bool priceColumn = (side_ == Side::Buy) == (section == 1);
  if (priceColumn) return QStringLiteral("Price");
  return side_ == Side::Buy ? QStringLiteral("Bid Quantity") : QStringLiteral("Offer Quantity");
}

}  // namespace td
