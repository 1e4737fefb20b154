#include "ui/chat/TranscriptModel.h"

#include "session/BusinessBase.h"
#include "ui/chat/ChatContext.h"

namespace td::chat {

void TranscriptModel::reload(const std::string& roomKey) {
  beginResetModel();
  lines_.clear();
  const auto current = session();
  const ChatModel* chat = model(current);
  if (const ChatRoomPtr room = chat && !roomKey.empty() ? chat->room(roomKey) : nullptr) {
    const std::string own = ownUserName();
    lines_.reserve(room->messages.size());
    for (const ChatMessageEntry& entry : room->messages) lines_.push_back(transcriptLine(entry, own));
  }
  endResetModel();
}

void TranscriptModel::clear() {
  beginResetModel();
  lines_.clear();
  endResetModel();
}

QVariant TranscriptModel::data(const QModelIndex& index, int role) const {
  const int row = rowOf(index);
  if (row < 0) return {};
  const TranscriptLine& line = lines_[static_cast<std::size_t>(row)];
  switch (role) {
    case Qt::DisplayRole: return QString::fromStdString(line.text);
    case HeadLengthRole: return static_cast<int>(QString::fromStdString(line.text.substr(0, line.headBytes)).size());
    case OwnLineRole: return line.own;
    default: return {};
  }
}

Qt::ItemFlags TranscriptModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled : Qt::NoItemFlags;
}

}  // namespace td::chat
