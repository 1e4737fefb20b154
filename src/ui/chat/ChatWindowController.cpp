#include "ui/chat/ChatWindowController.h"

#include "session/BusinessBase.h"

namespace td::chat {

ChatWindowController::ChatWindowController() {
  contacts_.setContactsDelegate(this);
  queues_.setChatqueueDelegate(this);
  contacts_.buildTree();
  queues_.reloadChatQueueTableView();
  for (const char* name : {kUpdateChatMessage, kUserStatus, kQueueStatus, kContactList}) {
    observers_.add(name, [this](const Notification& n) { RefreshTableView(n.name); });
  }
  observers_.add(kLoginSuccess, [this](const Notification&) { sessionOpened(); });
  observers_.add(kMessagesNotSent, [](const Notification& n) {
    if (const auto* unsent = n.objectAs<UnsentChatMessages>()) tellNotSent(*unsent);
  });
}

void ChatWindowController::sessionOpened() {
  contacts_.buildTree();
  queues_.reloadChatQueueTableView();
  loadDefaults();
}

void ChatWindowController::loadDefaults() {
  UserName_.clear();
  shown_ = Shown::Nothing;
  setChatUserName("");
  setTitle(kTitle);
  setSendEnabled(false);
  if (view_) {
    view_->clearSendBox();
    view_->resignFirstResponder();
  }
  transcript_.reload(UserName_);
  if (view_) {
    view_->deselectOutlineView();
    view_->deselectTableView();
  }
}

void ChatWindowController::userSelectedAtIndex(const std::optional<std::string>& userName,
                                               const std::optional<std::string>& displayName) {
  if (view_) view_->deselectTableView();
  if (!userName || !displayName) {
    loadDefaults();
    return;
  }
  setSendEnabled(true);
  UserName_ = *userName;
  shown_ = Shown::Contact;
  setChatUserName(*userName);
  setTitle(*displayName);
  transcript_.reload(UserName_);
  queues_.reloadChatQueueTableView();
  if (const auto current = session()) current->chat().CreateRoomforChat(*userName);
}

void ChatWindowController::ChatSupportSelectedAtIndex(const ChatQueue* queue) {
  if (view_) view_->deselectOutlineView();
  if (!queue) {
    loadDefaults();
    return;
  }
  UserName_ = queue->QueueId;
  shown_ = Shown::Queue;
  setChatUserName(queue->roomUserName);
  setTitle(queue->QueueName);
  transcript_.reload(UserName_);
  contacts_.outlineviewReload();
  setSendEnabled(false);
  if (!queue->isAvailable) {
    loadDefaults();
    return;
  }
  setSendEnabled(true);
  if (queue->chartRequestStatus != ChatQueue::kAccepted && view_) view_->showQueueRequestPrompt(kRequestText);
}

void ChatWindowController::queueRequestAnswered(const std::optional<std::string>& text) {
  if (!text) {
    loadDefaults();
    return;
  }
  const auto current = session();
  tellRefusal(current ? current->chat().SendChatQueueRequest(UserName_, *text) : ChatDesk::SendResult::NotSent);
}

void ChatWindowController::SendChatButtonClicked(const std::string& text) {
  if (text.empty()) return;
  const auto current = session();
  if (!tellRefusal(current ? current->chat().SendChat(UserName_, text) : ChatDesk::SendResult::NotSent)) return;
  if (view_) view_->clearSendBox();
}

void ChatWindowController::RefreshTableView(const std::string& name) {
  if (name == kUpdateChatMessage) {
    transcript_.reload(UserName_);
    if (transcript_.rowCount() >= 1 && view_) view_->scrollTranscriptToLast();
  } else if (name == kUserStatus) {
    contacts_.UpdateChatUserOnlineStatus();
  } else if (name == kQueueStatus) {
    queues_.reloadChatQueueTableView();
  } else if (name == kContactList) {
    // The outline and the queues of the list (the conversation shown stays).
    contacts_.buildTree();
    queues_.reloadChatQueueTableView();
  }
}

void ChatWindowController::setTitle(std::string title) {
  title_ = std::move(title);
  if (view_) view_->showTitle(title_);
}

void ChatWindowController::setSendEnabled(bool enabled) {
  sendEnabled_ = enabled;
  if (view_) view_->setSendEnabled(enabled);
}

void ChatWindowController::setChatUserName(const std::string& name) {
  if (const auto current = session()) current->chatUserName = name;
}

}  // namespace td::chat
