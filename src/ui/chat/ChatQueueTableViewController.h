#pragma once
// The support-queue table of the chat window: one row per dealer-support queue, in the order of the
// session's queue collection, with the queue's name and its availability dot; a queue whose request
// waits for a dealer shows "Waiting for acceptance" and cannot be chosen. Choosing another queue
// tells the chat window.
//
// The rows are read from the session at each reload; choosing reads the chosen queue afresh.

#include <string>
#include <vector>

#include "chat/ChatRecords.h"
#include "ui/chat/ChatItems.h"

namespace td::chat {

class ChatQueueViewDelegate {
 public:
  virtual ~ChatQueueViewDelegate() = default;
  // The queue chosen (none when it is no longer known).
  virtual void ChatSupportSelectedAtIndex(const ChatQueue* queue) = 0;
};

class ChatQueueTableViewController final : public ChatTable {
  Q_OBJECT
 public:
  static constexpr const char* kColumn = "ChatQueueContacts";
  static constexpr const char* kWaitingText = "Waiting for acceptance";

  ChatQueueTableViewController() : ChatTable({kColumn}) {}

  // Reads the queues of the session of the moment.
  void reloadChatQueueTableView();
  // The selected row (-1: the selection was cleared, which reports nothing).
  void tableViewSelectionDidChange(int row);

  void setChatqueueDelegate(ChatQueueViewDelegate* delegate) { chatqueueDelegate_ = delegate; }
  // The row of a queue, or -1.
  int rowOfQueue(const std::string& queueId) const;

  // Display: the queue's name or the waiting text; StatusImageRole: its dot.
  QVariant data(const QModelIndex& index, int role) const override;
  // A queue whose request waits cannot be selected.
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  struct Row {
    std::string queueId;
    std::string queueName;
    bool isAvailable = false;
    std::int32_t chartRequestStatus = ChatQueue::kNoRequest;
    bool waiting() const { return chartRequestStatus == ChatQueue::kWaiting; }
  };
  const Row* rowAt(const QModelIndex& index) const;
  int rows() const override { return static_cast<int>(rows_.size()); }

  std::vector<Row> rows_;
  ChatQueueViewDelegate* chatqueueDelegate_ = nullptr;
};

}  // namespace td::chat
