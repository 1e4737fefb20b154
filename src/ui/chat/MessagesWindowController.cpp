#include "ui/chat/MessagesWindowController.h"

#include "session/BusinessBase.h"
#include "ui/chat/ChatItems.h"
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

MessagesWindowController::MessagesWindowController() {
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
  const bool firstReading = notice->isanUnreadMessage;
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
  if (firstReading) current->chat().requestChatMessageAcknowledgement(shown.roomId);
  observers_.center().post(kNoticeMessageReceived, shown.roomId);
}

int MessagesWindowController::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int MessagesWindowController::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 3; }

QVariant MessagesWindowController::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const Row& row = rows_[static_cast<std::size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
      switch (index.column()) {
        case 0: return QString::fromStdString(row.subject);
        case 1: return QString::fromStdString(row.message);
        case 2: return QString::fromStdString(row.time);
        default: return {};
      }
    case UnreadRole: return row.unread;
    default: return {};
  }
}

QVariant MessagesWindowController::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case 0: return QString(SUBJECT_MSG);
    case 1: return QString(MESSAGE_MSG);
    case 2: return QString(TIME_MSG);
    default: return {};
  }
}

}  // namespace td::chat
