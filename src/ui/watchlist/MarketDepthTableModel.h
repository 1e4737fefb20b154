#pragma once
// One side of an item's market depth: at most five levels of the session's depth collections
// (entries "price,quantity" in the feed's order), the price with the item's decimals and the
// quantity as received. The bid side's columns are "Bid Quantity" and "Price", the offer side's
// "Price" and "Offer Quantity".
//
// The expanding watchlist's panel shows a pair of these (the order ticket keeps its own pair).
// Main thread only.

#include <QAbstractTableModel>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace td {

class BusinessBase;

class MarketDepthTableModel final : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum class Side { Buy, Sell };
  static constexpr int kMaxLevels = 5;

  MarketDepthTableModel(Side side, std::function<std::shared_ptr<BusinessBase>()> session,
                        QObject* parent = nullptr);

  // `setValue:forKey:`: a code becomes the item shown; the levels are read again in every case.
  void setValue(const std::optional<std::string>& code);
  const std::optional<std::string>& itemCode() const { return itemCode_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  using Level = std::pair<QString, QString>;  // price text, quantity text
  std::vector<Level> read() const;

  Side side_;
  std::function<std::shared_ptr<BusinessBase>()> session_;
  std::optional<std::string> itemCode_;
  std::vector<Level> levels_;
};

}  // namespace td
