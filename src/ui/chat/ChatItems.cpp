#include "ui/chat/ChatItems.h"

#include "wire/Formatter.h"

namespace td::chat {

std::string displayTime(std::string_view wireTime, std::string_view pattern) {
  return Formatter::formatDateandTimeFromString(wireTime, AMP_DATE_FORMAT, pattern).value_or(std::string());
}

int ChatTable::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant ChatTable::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount()) return {};
  return QString(columns_[static_cast<std::size_t>(section)]);
}

int ChatTable::rowOf(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != this || index.row() >= rowCount() || index.column() >= columnCount())
    return -1;
  return index.row();
}

std::string displayText(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  return std::string(text);
}

TranscriptLine transcriptLine(const ChatMessageEntry& entry, std::string_view ownUserName) {
  TranscriptLine line;
  const std::string& name =
      entry.senderdisplayName && !entry.senderdisplayName->empty() ? *entry.senderdisplayName : entry.sender;
  line.text = name + "[" + displayTime(entry.time, TRANSCRIPT_TIME_FORMAT) + "]:\t";
  line.headBytes = line.text.size() - 1;
  line.text += displayText(entry.msg);
  line.own = entry.sender == ownUserName;
  return line;
}

}  // namespace td::chat
