#include "wire/ChatRequests.h"

#include "platform/Log.h"
#include "wire/RequestCatalogue.h"
#include "wire/Separators.h"

namespace td {
namespace {

// The text a missing object gives inside a formatted value.
constexpr std::string_view kMissingText = "(null)";

MessageBase::Request begin(MessageBase& messageBase, int type) {
  auto r = messageBase.beginRequest(type);
  r.set(10, std::int64_t{type});
  return r;
}

}  // namespace

std::string ChatRequests::messageReference(const ChatRoomValues& room) {
  std::string out(room.RoomName ? std::string_view(*room.RoomName) : kMissingText);
  out.push_back(MessageInnerTagSeperatortw);
  out.append(room.MessageId ? std::string_view(*room.MessageId) : kMissingText);
  return out;
}

BuildResult ChatRequests::requestContactlist(MessageBase& messageBase, const SessionValues& session) {
  auto r = begin(messageBase, MessageType::ContactList);
  r.set(504, session.userName).set(520, "1");
  return SessionRequests::buildWithMessageProperties(r, session);
}

BuildResult ChatRequests::requestRecentConversation(MessageBase& messageBase, const SessionValues& session) {
  auto r = begin(messageBase, MessageType::RecentConversations);
  r.set(504, session.userName);
  return SessionRequests::buildWithMessageProperties(r, session);
}

BuildResult ChatRequests::requestOfflineMessages(MessageBase& messageBase, const SessionValues& session) {
  auto r = begin(messageBase, MessageType::OfflineMessages);
  r.set(504, session.userName);
  return SessionRequests::buildWithMessageProperties(r, session);
}

BuildResult ChatRequests::requestRoomMessage(MessageBase& messageBase, const SessionValues& session,
                                      const ChatRoomValues& room) {
  auto r = begin(messageBase, MessageType::RoomMessages);
  r.set(504, session.userName).setIfPresent(502, room.RoomName).setIfPresent(501, room.RoomId);
  return SessionRequests::buildWithMessageProperties(r, session);
}

BuildResult ChatRequests::requestChatMessageAcknowledgement(MessageBase& messageBase, const SessionValues& session,
                                                     const ChatRoomValues& room) {
  auto r = begin(messageBase, MessageType::ChatAcknowledgement);
  r.set(507, std::string_view()).set(505, messageReference(room)).set(504, session.userName);
  return SessionRequests::buildWithMessageProperties(r, session);
}

BuildResult ChatRequests::SendRoomRequest(MessageBase& messageBase, const SessionValues& session, std::string_view partner) {
  auto r = begin(messageBase, MessageType::NewRoom);
  r.set(20, std::int64_t{nextRequestId(session.Requestid)})
      .set(503, partner)
      .set(530, "0")
      .set(504, session.userName);
  return SessionRequests::buildWithMessageProperties(r, session);
}

BuildResult ChatRequests::SendNewChatMessageToServer(MessageBase& messageBase, const SessionValues& session,
                                              std::string_view richText, const std::optional<std::string>& roomId,
                                              const std::optional<std::string>& roomName) {
  auto r = begin(messageBase, MessageType::ChatMessage);
  r.setIfPresent(501, roomId).setIfPresent(502, roomName).set(17, richText).set(504, session.userName);
  return SessionRequests::buildWithMessageProperties(r, session);
}

BuildResult ChatRequests::SendChatQueueRequest(MessageBase& messageBase, const SessionValues& session,
                                        const std::optional<std::string>& queueId,
                                        const std::optional<std::string>& firstAccountKey, std::string_view richText) {
  if (!firstAccountKey) {
    TD_LOG_WARN("SendChatQueueRequest : not sent, the session holds no account");
    return BuildResult::Status::NotSent;
  }
  auto r = begin(messageBase, MessageType::ChatQueueRequest);
  r.setIfPresent(1026, queueId)
      .set(34, *firstAccountKey)
      .set(17, richText)
      .set(20, std::int64_t{nextRequestId(session.Requestid)})
      .set(530, "0")
      .set(504, session.userName);
  return SessionRequests::buildWithMessageProperties(r, session);
}

}  // namespace td
