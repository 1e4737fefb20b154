#include "ui/chat/MessagesWindowController.h"

#include "session/BusinessBase.h"
#include "wire/Formatter.h"

namespace td::chat {
namespace {

std::string text(const std::optional<std::string>& value) { return value.value_or(std::string()); }

}  // namespace

// ---- NoticeMessageWindowController ----

std::optional<NoticeContent> NoticeMessageWindowController::showWindow(const std::string& roomKey) {
  const auto current = session();
  const ChatModel* chat = model(current);
  const ChatRoomPtr notice = chat ? chat->room(roomKey) : nullptr;
  if (!notice || !notice->isMessageNotices || notice->messages.empty()) return std::nullopt;
  const ChatMessageEntry& first = notice->messages.front();
  return NoticeContent{"Subject: " + text(notice->MessageTitle),
                       "Time: " + displayTime(first.time, DISPLAY_DATE_TIME_FORMAT), first.msg};
}

// ---- MessagesWindowController ----

MessagesWindowController::MessagesWindowController() : ChatTable({SUBJECT_MSG, MESSAGE_MSG, TIME_MSG}) {
  // A new notice, or the notices of the session's start.
  for (const char* name : {kNoticeMessage, kConversationList}) {
    observers_.add(name, [this](const Notification&) { showWindow(); });
  }
  observers_.add(kLoginSuccess, [this](const Notification&) {
    history_.clear();
    showWindow();
  });
  observers_.add(kNoticeMessageReceived, [this](const Notification& n) {
    const std::string* roomId = n.objectAs<std::string>();
    if (!roomId) return;
    history_.arrived(*roomId);
    if (openNotice) openNotice(*roomId);
  });
}

void MessagesWindowController::showWindow() {
  if (deselectAll) deselectAll();
  beginResetModel();
  rows_.clear();
  if (const ChatModel* chat = model(session())) {
    for (const ChatRoomPtr& notice : chat->getMessageNoticesCollection()) {
      if (!notice->RoomId) continue;
      rows_.push_back(Row{*notice->RoomId, text(notice->MessageTitle), displayText(text(notice->Message)),
                          displayTime(text(notice->chatTime), DISPLAY_DATE_TIME_FORMAT), notice->isanUnreadMessage});
    }
  }
  endResetModel();
}

void MessagesWindowController::doubleAction(int row) {
  if (row < 0 || row >= rowCount()) return;
  Row& shown = rows_[static_cast<std::size_t>(row)];
  const auto current = session();
  const ChatModel* chat = model(current);
  const ChatRoomPtr notice = chat ? chat->room(shown.roomId) : nullptr;
  if (!notice || !notice->isMessageNotices) return;
  current->chat().markNoticeRead(shown.roomId);
  if (shown.unread) {
    shown.unread = false;
    const QModelIndex first = index(row, 0);
    emit dataChanged(first, index(row, columnCount() - 1), {UnreadRole});
  }
  if (notice->messages.empty()) {
    // The viewer opens when the text arrives ("NoticeMessageReceivedNotification"); the session
    // acknowledges the notice then.
    history_.request(*current, shown.roomId);
    return;
  }
  // Every reading is acknowledged, read or unread.
  current->chat().requestChatMessageAcknowledgement(shown.roomId);
  observers_.center().post(kNoticeMessageReceived, shown.roomId);
}

QVariant MessagesWindowController::data(const QModelIndex& index, int role) const {
  const int at = rowOf(index);
  if (at < 0) return {};
  const Row& row = rows_[static_cast<std::size_t>(at)];
  if (role == UnreadRole) return row.unread;
  if (role != Qt::DisplayRole) return {};
  return QString::fromStdString(index.column() == 0 ? row.subject : index.column() == 1 ? row.message : row.time);
}

}  // namespace td::chat
