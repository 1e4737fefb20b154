#include "ui/chat/ChatQueueTableViewController.h"

#include "session/BusinessBase.h"
#include "ui/chat/ChatContext.h"

namespace td::chat {

void ChatQueueTableViewController::reloadChatQueueTableView() {
  beginResetModel();
  rows_.clear();
  if (const ChatModel* chat = model(session())) {
    for (const auto& [key, queue] : chat->ChatQueueCollection()) {
      if (!queue) continue;
      rows_.push_back(Row{key, queue->QueueName, queue->isAvailable, queue->chartRequestStatus});
    }
  }
  endResetModel();
}

void ChatQueueTableViewController::tableViewSelectionDidChange(int row) {
  if (row < 0 || row >= rowCount() || !chatqueueDelegate_) return;
  const auto current = session();
  const ChatModel* chat = model(current);
  const std::shared_ptr<ChatQueue> queue = chat ? chat->queue(rows_[static_cast<std::size_t>(row)].queueId) : nullptr;
  if (queue && queue->chartRequestStatus == ChatQueue::kWaiting) return;
  chatqueueDelegate_->ChatSupportSelectedAtIndex(queue.get());
}

int ChatQueueTableViewController::rowOfQueue(const std::string& queueId) const {
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].queueId == queueId) return static_cast<int>(i);
  }
  return -1;
}

const ChatQueueTableViewController::Row* ChatQueueTableViewController::rowAt(const QModelIndex& index) const {
  const int row = rowOf(index);
  return row < 0 ? nullptr : &rows_[static_cast<std::size_t>(row)];
}

QVariant ChatQueueTableViewController::data(const QModelIndex& index, int role) const {
  const Row* row = rowAt(index);
  if (!row) return {};
  switch (role) {
    case Qt::DisplayRole: return QString::fromStdString(row->waiting() ? kWaitingText : row->queueName);
    case StatusImageRole: {
      const StatusImage image = row->waiting()      ? StatusImage::StatusPartiallyAvailable
                                : row->isAvailable ? StatusImage::StatusAvailable
                                                   : StatusImage::StatusNone;
      return static_cast<int>(image);
    }
    default: return {};
  }
}

Qt::ItemFlags ChatQueueTableViewController::flags(const QModelIndex& index) const {
  const Row* row = rowAt(index);
  if (!row) return Qt::NoItemFlags;
  return row->waiting() ? Qt::ItemIsEnabled : Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace td::chat
