// The chat message families of the dispatcher and the chat lists requested when the login is
// accepted.
//
// The reply handlers are handled by the chat code, which fills their bodies with the users, rooms,
// messages and support queues; until then each one writes a debug line.

#include "platform/Log.h"
#include "session/BusinessBase.h"
#include "wire/ChatRequests.h"

namespace td {
namespace {

void unhandled(const char* what, const ReceivedMessage& message) {
  TD_LOG_DEBUG(std::string(what) + " (type " + std::to_string(message.type()) + ") for the chat code");
}

void report(bool sent, const char* what) {
  if (!sent) TD_LOG_WARN(std::string(what) + " not sent");
}

}  // namespace

void BusinessBase::requestContactlist() {
  report(ChatRequests::requestContactlist(messageBase(), sessionValues()), "requestContactlist");
}

void BusinessBase::requestRecentConversation() {
  report(ChatRequests::requestRecentConversation(messageBase(), sessionValues()), "requestRecentConversation");
}

void BusinessBase::requestOfflineMessages() {
  report(ChatRequests::requestOfflineMessages(messageBase(), sessionValues()), "requestOfflineMessages");
}

void BusinessBase::handleChatRoomCreation(const ReceivedMessage& message) { unhandled("chat room", message); }
void BusinessBase::handleChatMessage(const ReceivedMessage& message) { unhandled("chat message", message); }
void BusinessBase::handleChatOfflineMessages(const ReceivedMessage& message) {
  unhandled("offline messages", message);
}
void BusinessBase::handleChatRoomMessages(const ReceivedMessage& message) { unhandled("room messages", message); }
void BusinessBase::handleChatContactList(const ReceivedMessage& message) { unhandled("contact list", message); }
void BusinessBase::handleChatUserStatus(const ReceivedMessage& message) { unhandled("user status", message); }
void BusinessBase::handleChatRecentConversations(const ReceivedMessage& message) {
  unhandled("recent conversations", message);
}
void BusinessBase::handleChatQueueResponse(const ReceivedMessage& message) {
  unhandled("support-queue reply", message);
}
void BusinessBase::handleChatQueueStatus(const ReceivedMessage& message) { unhandled("support-queue status", message); }

}  // namespace td
