#pragma once
// What the chat windows share of the session of the moment: the session object (its chat desk and
// `chatUserName`), the logged-in user's name, the refusals of the chat desk in the user's language,
// and the observers a window keeps on the notification centre.
//
// A window never keeps the session: it asks for it at each action and reading, so a new login
// takes over without a window holding the old one alive.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chat/ChatDesk.h"
#include "platform/NotificationCenter.h"

namespace td {

class BusinessBase;

namespace chat {

// The session of the moment, or none before the first login.
std::shared_ptr<BusinessBase> session();
// The chat state of the session of the moment; none without a session.
const ChatModel* model(const std::shared_ptr<BusinessBase>& session);
// The logged-in user's name (`userName` of the login parameters).
std::string ownUserName();

// The alert for a refusal of the chat desk (nothing for Sent and Waiting), in the user's language.
// Returns whether the line or request went out or waits for its room.
bool tellRefusal(ChatDesk::SendResult result);
// The alert naming the texts that were not sent because the server never opened their room.
void tellNotSent(const UnsentChatMessages& unsent);

// Asks the server for the lines of the room stored under the key (the answer comes as a
// notification); tells the user when the request cannot go out. A room whose lines were asked for
// and have not arrived is not asked for again (a second answer would double its lines); a new
// login forgets what was asked.
class HistoryRequests {
 public:
  void request(BusinessBase& session, const std::string& roomKey);
  void arrived(const std::string& roomKey) { std::erase(pending_, roomKey); }
  void clear() { pending_.clear(); }
  bool pending(const std::string& roomKey) const;

 private:
  std::vector<std::string> pending_;
};

// Observers on the centre of the application context, removed when the object goes.
class Observers {
 public:
  Observers();
  ~Observers();
  Observers(const Observers&) = delete;
  Observers& operator=(const Observers&) = delete;

  void add(std::string name, NotificationCenter::Handler handler);
  NotificationCenter& center() const { return *center_; }

 private:
  std::shared_ptr<NotificationCenter> center_;
  std::vector<ObserverToken> tokens_;
};

// The notifications of the session that the chat windows observe.
inline constexpr const char* kLoginSuccess = "LoginSuccessNotification";
inline constexpr const char* kUpdateChatMessage = "UpdateChatMessageNotification";
inline constexpr const char* kMessagesNotSent = "ChatMessagesNotSentNotification";
inline constexpr const char* kUserStatus = "UserStatusNotification";
inline constexpr const char* kQueueStatus = "ChatQueueStatusUpdate";
inline constexpr const char* kContactList = "ChatContactListNotification";
inline constexpr const char* kConversationList = "ChatConversationListNotification";
inline constexpr const char* kRecentConversationReceived = "RecentConversationReceivedNotification";
inline constexpr const char* kNoticeMessage = "NoticeMessageNotification";
inline constexpr const char* kNoticeMessageReceived = "NoticeMessageReceivedNotification";

}  // namespace chat
}  // namespace td
