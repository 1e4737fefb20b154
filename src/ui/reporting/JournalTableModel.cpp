#include "ui/reporting/JournalTableModel.h"

#include <algorithm>
#include <climits>

#include "model/JournalData.h"
#include "ui/reporting/ReportingColumns.h"
#include "ui/reporting/ReportingSource.h"

namespace td {

using namespace reportingcolumns;

JournalTableModel::JournalTableModel(ReportingSource& source, QObject* parent)
    : IdentifiedTableModel({TIME_JO, MESSAGE_JO}, {}, parent), source_(source) {
  NotificationCenter& centre = source_.notifications();
  journalToken_ = centre.addObserver("JournalTableNotification", [this](const Notification&) { journalTableUpdate(); });
  loginToken_ = centre.addObserver("LoginSuccessNotification", [this](const Notification&) { journalTableUpdate(); });
  journalTableUpdate();
}

JournalTableModel::~JournalTableModel() {
  source_.notifications().removeObserver(journalToken_);
  source_.notifications().removeObserver(loginToken_);
}

void JournalTableModel::journalTableUpdate() {
  const auto lines = source_.journalLines();
  const int size = lines ? static_cast<int>(std::min<std::size_t>(lines->size(), INT_MAX)) : 0;
  const auto shown = lines_.lock();
  if (lines && shown == lines && size >= count_) {
    if (size == count_) return;
    // Appended lines are the newest: they come in at the top.
    beginInsertRows({}, 0, size - count_ - 1);
    count_ = size;
    endInsertRows();
    return;
  }
  beginResetModel();
  lines_ = lines;
  count_ = size;
  endResetModel();
}

std::pair<std::string_view, std::string_view> JournalTableModel::splitLine(std::string_view line) {
  const std::string_view separator = JournalData::kSeparator;
  const std::size_t at = line.find(separator);
  if (at == std::string_view::npos) return {line, {}};
  return {line.substr(0, at), line.substr(at + separator.size())};
}

int JournalTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count_; }

QVariant JournalTableModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= count_) return {};
  const auto lines = lines_.lock();
  const std::size_t position = static_cast<std::size_t>(count_ - 1 - index.row());
  if (!lines || position >= lines->size()) return {};
  const auto [time, message] = splitLine((*lines)[position]);
  const std::string& column = identifier(index.column());
  std::string_view piece;
  if (column == TIME_JO) piece = time;
  else if (column == MESSAGE_JO) piece = message;
  else return {};
  return QString::fromUtf8(piece.data(), static_cast<qsizetype>(piece.size()));
}

}  // namespace td
