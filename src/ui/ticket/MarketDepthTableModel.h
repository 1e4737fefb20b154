#pragma once
// One side of an instrument's market depth as a table: the bid side ("Bid Quantity", "Price") or
// the offer side ("Price", "Offer Quantity"), at most five levels in the order the feed sent them.
// The ticket keeps one of each in its right drawer and refreshes them once a second; the expanded
// watchlist row can embed the same pair.
//
// A level is the feed's text "price,quantity": the price is written with the instrument's decimals
// (0 places give two), the quantity as received; a level without a comma shows an empty quantity.
// Each reload reads the depth of the session of the moment afresh. Main thread only.

#include <QAbstractTableModel>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace td {

class MarketDepthTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum class Side { Bid, Offer };
  static constexpr int kMaxRows = 5;
  static constexpr const char* BID_QUANTITY = "Bid Quantity";
  static constexpr const char* PRICE = "Price";
  static constexpr const char* OFFER_QUANTITY = "Offer Quantity";

  explicit MarketDepthTableModel(Side side, QObject* parent = nullptr);

  // `setValue:forKey:`: a code becomes the instrument shown (the key is not read); the table
  // reloads in every case, so no code just refreshes the last instrument.
  void setValue(const std::optional<std::string>& itemCode, std::string_view key = "ItemCode");
  const std::optional<std::string>& itemCode() const { return itemCode_; }
  Side side() const { return side_; }

  // The column identifiers in their order.
  std::string_view identifier(int column) const;
  // The cell of a level under a column identifier; any other identifier gives "".
  static std::string cellText(std::string_view level, std::string_view identifier, int decimalPlaces);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  void reload();

  Side side_;
  std::optional<std::string> itemCode_;
  // What the table shows: the first levels and the instrument's decimals, read at the last reload.
  std::vector<std::string> levels_;
  int decimalPlaces_ = 0;
};

}  // namespace td
