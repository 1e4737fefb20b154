#include "ui/chat/RecentConversationWindowController.h"

#include "session/BusinessBase.h"

namespace td::chat {
namespace {

const std::string& orEmpty(const std::optional<std::string>& text) {
  static const std::string empty;
  return text ? *text : empty;
}

// The partner: the display name, else the user name of the last line's sender.
std::string partnerOf(const ChatRoom& room) {
  return room.RoomUserDisplayName && !room.RoomUserDisplayName->empty() ? *room.RoomUserDisplayName
                                                                        : orEmpty(room.SenderName);
}

}  // namespace

// ---- ChatMessageWindowController ----

void ChatMessageWindowController::showWindow(const std::string& roomKey) {
  const auto current = session();
  const ChatModel* chat = model(current);
  const ChatRoomPtr room = chat ? chat->room(roomKey) : nullptr;
  title_ = room ? partnerOf(*room) : std::string();
  transcript_.reload(roomKey);
}

void ChatMessageWindowController::clear() {
  title_.clear();
  transcript_.clear();
}

// ---- RecentConversationWindowController ----

RecentConversationWindowController::RecentConversationWindowController() : ChatTable({SENDER_RC, MESSAGE_RC}) {
  observers_.add(kRecentConversationReceived, [this](const Notification& n) {
    const std::string* roomId = n.objectAs<std::string>();
    if (!roomId) return;
    history_.arrived(*roomId);
    if (openTranscript) openTranscript(*roomId);
  });
  // The list that arrived after the window opened, or that of a new login.
  observers_.add(kConversationList, [this](const Notification&) { showWindow(); });
  observers_.add(kLoginSuccess, [this](const Notification&) {
    history_.clear();
    showWindow();
  });
}

void RecentConversationWindowController::showWindow() {
  beginResetModel();
  rows_.clear();
  if (const ChatModel* chat = model(session())) {
    for (const ChatRoomPtr& room : chat->getrecentChatCollection()) {
      if (!room->RoomId) continue;
      rows_.push_back(Row{*room->RoomId, partnerOf(*room), displayText(orEmpty(room->Message))});
    }
  }
  endResetModel();
}

void RecentConversationWindowController::doubleAction(int row) {
  if (row < 0 || row >= rowCount()) return;
  const std::string& roomId = rows_[static_cast<std::size_t>(row)].roomId;
  const auto current = session();
  const ChatModel* chat = model(current);
  const ChatRoomPtr room = chat ? chat->room(roomId) : nullptr;
  if (!room) return;
  if (!room->messages.empty()) {
    observers_.center().post(kRecentConversationReceived, roomId);
    return;
  }
  // The transcript opens when the server's lines arrive ("RecentConversationReceivedNotification").
  history_.request(*current, roomId);
}

QVariant RecentConversationWindowController::data(const QModelIndex& index, int role) const {
  const int row = rowOf(index);
  if (role != Qt::DisplayRole || row < 0) return {};
  const Row& shown = rows_[static_cast<std::size_t>(row)];
  return QString::fromStdString(index.column() == 0 ? shown.sender : shown.message);
}

}  // namespace td::chat
