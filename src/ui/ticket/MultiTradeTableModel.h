#pragma once
// The ticket's multi-account table: one row per account that may take part, with its tick box, the
// account id, the row's quantity (editable while the row is ticked) and its live available margin;
// the data cells in the family's 12-point Lucida Grande.
// The rows and the ticks live in the ticket's controller; this model shows them and hands the
// user's ticks and quantities back to it. Main thread only.

#include <QAbstractTableModel>
#include <functional>
#include <string>

namespace td {

class TradeTicketWindowController;

class MultiTradeTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // The column identifiers, which are also the header titles.
  static constexpr const char* SELECT_ACCOUNT_MT = " ";
  static constexpr const char* ACCOUNT_ID_MT = "Account Id";
  static constexpr const char* QUANTITY_MT = "Quantity";
  static constexpr const char* AVAILABLE_MARGIN_MT = "Available Margin";
  enum Column { SelectColumn, AccountColumn, QuantityColumn, MarginColumn, ColumnCount };

  explicit MultiTradeTableModel(TradeTicketWindowController& ticket, QObject* parent = nullptr);

  // The ticket makes its rows anew in `rebuild`; the model is reset around it (the views hear of the
  // reset before the old rows go).
  void rebuildRows(const std::function<void()>& rebuild);
  // Ticks or quantities changed.
  void valuesChanged();
  // The live figures moved: the margin column is drawn again.
  void marginsChanged();

  // The text of a cell ("" for the tick column).
  std::string cellText(int row, int column) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  TradeTicketWindowController& ticket_;
};

}  // namespace td
