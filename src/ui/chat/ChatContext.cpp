#include "ui/chat/ChatContext.h"

#include <algorithm>

#include "platform/AppContext.h"
#include "platform/LanguageString.h"
#include "session/BusinessBase.h"

namespace td::chat {
namespace {

// The chat desk's refusals, as the windows show them.
const char* refusalKey(ChatDesk::SendResult result) {
  switch (result) {
    case ChatDesk::SendResult::NotSent: return "9702";
    case ChatDesk::SendResult::SeparatorBytes: return "9703";
    case ChatDesk::SendResult::NoConversation: return "9704";
    case ChatDesk::SendResult::NoAccount: return "9705";
    case ChatDesk::SendResult::Sent:
    case ChatDesk::SendResult::Waiting: break;
  }
  return nullptr;
}

// An alert titled "Chat" with the text of the key, both in the user's language, and the lines
// after it.
void alert(const char* key, const std::vector<std::string>& lines = {}) {
  const auto context = AppContext::current();
  const int language = context->selectedLanguage();
  std::string message = LanguageString::stringforSelectedLanguage(language, key);
  if (!lines.empty()) message += "\n";
  for (const std::string& line : lines) message += "\n" + line;
  context->userAlerts()->showAlert(LanguageString::stringforSelectedLanguage(language, "9701"), message);
}

}  // namespace

std::shared_ptr<BusinessBase> session() { return AppContext::current()->businessbase(); }

const ChatModel* model(const std::shared_ptr<BusinessBase>& session) {
  return session ? &session->chat().model() : nullptr;
}

std::string ownUserName() { return AppContext::current()->logindata().userName(); }

bool tellRefusal(ChatDesk::SendResult result) {
  const char* key = refusalKey(result);
  if (!key) return true;
  alert(key);
  return false;
}

void tellNotSent(const UnsentChatMessages& unsent) { alert("9711", unsent.texts); }

void HistoryRequests::request(BusinessBase& session, const std::string& roomKey) {
  if (pending(roomKey)) return;
  if (!session.chat().requestRoomMessage(roomKey)) {
    alert("9710");
    return;
  }
  pending_.push_back(roomKey);
}

bool HistoryRequests::pending(const std::string& roomKey) const {
  return std::find(pending_.begin(), pending_.end(), roomKey) != pending_.end();
}

Observers::Observers() : center_(AppContext::current()->notificationCenter()) {}

Observers::~Observers() {
  for (const ObserverToken token : tokens_) center_->removeObserver(token);
}

void Observers::add(std::string name, NotificationCenter::Handler handler) {
  tokens_.push_back(center_->addObserver(std::move(name), std::move(handler)));
}

}  // namespace td::chat
