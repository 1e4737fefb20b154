#include "ui/positions/PositionListModel.h"

#include <QColor>

namespace td {

QColor PositionListModel::green() { return QColor::fromRgbF(0, 0.6f, 0); }
QColor PositionListModel::red() { return QColor::fromRgbF(0.6f, 0, 0); }

PositionListModel::PositionListModel(PositionsSession& session, NotificationCenter& notifications,
                                     std::string tableNotification, std::vector<ListColumn> columns, QObject* parent)
    : QAbstractTableModel(parent),
      session_(session),
      notifications_(notifications),
      columns_(std::move(columns)),
      widths_(columns_.size()) {
  for (std::size_t i = 0; i < columns_.size(); ++i) widths_[i] = columns_[i].width;
  tableToken_ =
      notifications_.addObserver(std::move(tableNotification), [this](const Notification&) { requestReload(); });
  // A new login brings a new session: its records replace the old ones.
  loginToken_ = notifications_.addObserver("LoginSuccessNotification", [this](const Notification&) { requestReload(); });
}

PositionListModel::~PositionListModel() {
  notifications_.removeObserver(tableToken_);
  notifications_.removeObserver(loginToken_);
}

int PositionListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int PositionListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

std::shared_ptr<Order> PositionListModel::orderAt(int row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return nullptr;
  return rows_[static_cast<std::size_t>(row)];
}

int PositionListModel::columnOfField(int field) const {
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (columns_[i].field == field) return static_cast<int>(i);
  }
  return -1;
}

int PositionListModel::columnOf(std::string_view identifier) const {
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (identifier == columns_[i].identifier) return static_cast<int>(i);
  }
  return -1;
}

QString PositionListModel::cellText(int row, int column) const {
  const auto order = orderAt(row);
  if (!order || column < 0 || static_cast<std::size_t>(column) >= columns_.size()) return {};
  return QString::fromStdString(text(*order, row, columns_[static_cast<std::size_t>(column)].field, column));
}

QVariant PositionListModel::data(const QModelIndex& index, int role) const {
  const auto order = orderAt(index.row());
  if (!order || index.column() < 0 || static_cast<std::size_t>(index.column()) >= columns_.size()) return {};
  const ListColumn& column = columns_[static_cast<std::size_t>(index.column())];
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(text(*order, index.row(), column.field, index.column()));
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::AlignVCenter | (column.numeric ? Qt::AlignRight : Qt::AlignLeft));
    default:
      return this->role(*order, index.row(), column.field, role);
  }
}

QVariant PositionListModel::role(const Order&, int, int, int) const { return {}; }

QVariant PositionListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section < 0 || static_cast<std::size_t>(section) >= columns_.size()) return {};
  return QString::fromLatin1(columns_[static_cast<std::size_t>(section)].identifier);
}

bool PositionListModel::readRows(bool redrawSame) {
  OrderRows fresh = fetchRows();
  if (fresh == rows_) {
    // The same records: their fields may have changed in place.
    if (redrawSame && !rows_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    return false;
  }
  beginResetModel();
  rows_ = std::move(fresh);
  endResetModel();
  return true;
}

void PositionListModel::reload() {
  readRows();
  afterReload();
}

void PositionListModel::redrawColumn(int column) {
  if (column < 0 || rows_.empty()) return;
  emit dataChanged(index(0, column), index(rowCount() - 1, column), {Qt::DisplayRole});
}

void PositionListModel::setColumnWidth(int column, double width) {
  if (column < 0 || static_cast<std::size_t>(column) >= widths_.size()) return;
  const double before = widths_[static_cast<std::size_t>(column)];
  widths_[static_cast<std::size_t>(column)] = width;
  // Only a date column's text depends on its width, and only across the 135-point line.
  if (columns_[static_cast<std::size_t>(column)].dateTime && ((before <= 135) != (width <= 135))) {
    redrawColumn(column);
  }
}

double PositionListModel::columnWidth(int column) const {
  if (column < 0 || static_cast<std::size_t>(column) >= widths_.size()) return 0;
  return widths_[static_cast<std::size_t>(column)];
}

void PositionListModel::setStatus(QString text) {
  if (text == status_) return;
  status_ = std::move(text);
  emit statusChanged(status_);
}

std::string totalsLine(const std::vector<std::string>& parts) {
  std::string line;
  for (const std::string& part : parts) line += part + "     ";
  return line;
}

}  // namespace td
