#include "ui/ticket/MultiTradeTableModel.h"

#include "model/AccountDetails.h"
#include "ui/controls/ListFonts.h"
#include "ui/ticket/TradeTicketWindowController.h"

namespace td {

MultiTradeTableModel::MultiTradeTableModel(TradeTicketWindowController& ticket, QObject* parent)
    : QAbstractTableModel(parent), ticket_(ticket) {}

void MultiTradeTableModel::rebuildRows(const std::function<void()>& rebuild) {
  beginResetModel();
  if (rebuild) rebuild();
  endResetModel();
}

void MultiTradeTableModel::valuesChanged() {
  if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

void MultiTradeTableModel::marginsChanged() {
  if (rowCount() > 0) emit dataChanged(index(0, MarginColumn), index(rowCount() - 1, MarginColumn));
}

std::string MultiTradeTableModel::cellText(int row, int column) const {
  const auto& rows = ticket_.multitradeAccounts();
  if (row < 0 || static_cast<std::size_t>(row) >= rows.size()) return {};
  const MultiTrade& trade = *rows[static_cast<std::size_t>(row)];
  switch (column) {
    case AccountColumn: return trade.accountDet ? std::to_string(trade.accountDet->AccountId) : std::string();
    case QuantityColumn: return TradeTicketWindowController::shortestNumber(trade.quantity);
    case MarginColumn: return ticket_.availableMarginText(row);
    default: return {};
  }
}

int MultiTradeTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(ticket_.multitradeAccounts().size());
}

int MultiTradeTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant MultiTradeTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (role == Qt::FontRole) return listCellFont();
  if (index.column() == SelectColumn) {
    if (role == Qt::CheckStateRole) return ticket_.isTicked(index.row()) ? Qt::Checked : Qt::Unchecked;
    return {};
  }
  if (role == Qt::TextAlignmentRole) {
    return QVariant::fromValue((index.column() == AccountColumn ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
  }
  if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
  return QString::fromStdString(cellText(index.row(), index.column()));
}

bool MultiTradeTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || index.row() >= rowCount()) return false;
  if (index.column() == SelectColumn && role == Qt::CheckStateRole) {
    // A tick or untick also sets the row's quantity to 0.
    ticket_.hitCheckbox(index.row());
    ticket_.QuantitySelectedAtIndex(index.row(), "0");
    return true;
  }
  if (index.column() == QuantityColumn && role == Qt::EditRole) {
    ticket_.QuantitySelectedAtIndex(index.row(), value.toString().toStdString());
    return true;
  }
  return false;
}

Qt::ItemFlags MultiTradeTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (index.column() == SelectColumn) flags |= Qt::ItemIsUserCheckable;
  if (index.column() == QuantityColumn && ticket_.isTicked(index.row())) flags |= Qt::ItemIsEditable;
  return flags;
}

QVariant MultiTradeTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const titles[ColumnCount] = {SELECT_ACCOUNT_MT, ACCOUNT_ID_MT, QUANTITY_MT, AVAILABLE_MARGIN_MT};
  return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}

}  // namespace td
