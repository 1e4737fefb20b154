#pragma once
// The chat window's logic: the conversation shown (a contact's, or a support queue's), its title
// and Send button, the lines the user sends, the support-queue request, and what the session's
// notifications change.
//
// States: empty (title "Chat", Send disabled, nothing chosen), contact open (title the contact's
// display name, Send enabled), queue open (title the queue's name; Send enabled only for an
// available queue). Choosing in one pane clears the other's selection. The conversation shown is
// the room stored under `UserName` (the contact's user name or the queue's id). A sent line is
// shown once the server sends it back into the room, the user's own lines included. Lines given up
// because the server never opened their room are named to the user in an alert.
//
// Which partner is shown is written to the session (`chatUserName`), so no banner is raised for
// the lines of the conversation on screen.

#include <optional>
#include <string>

#include "ui/chat/ChatContext.h"
#include "ui/chat/ChatQueueTableViewController.h"
#include "ui/chat/ContactsOutlineViewController.h"
#include "ui/chat/TranscriptModel.h"

namespace td::chat {

class ChatWindowView {
 public:
  virtual ~ChatWindowView() = default;
  virtual void showTitle(const std::string& title) = 0;
  virtual void setSendEnabled(bool enabled) = 0;
  virtual void clearSendBox() = 0;
  // No field keeps the keyboard focus.
  virtual void resignFirstResponder() = 0;
  virtual void deselectOutlineView() = 0;
  virtual void deselectTableView() = 0;
  // Brings the transcript's last row into view.
  virtual void scrollTranscriptToLast() = 0;
  // The support-queue request: "Request Message" with a field prefilled with `text`; the answer
  // comes back through queueRequestAnswered (the text, or none for Cancel).
  virtual void showQueueRequestPrompt(const std::string& text) = 0;
};

class ChatWindowController final : public ContactsViewDelegate, public ChatQueueViewDelegate {
 public:
  static constexpr const char* kTitle = "Chat";
  static constexpr const char* kRequestText = "Hi";

  ChatWindowController();
  ChatWindowController(const ChatWindowController&) = delete;
  ChatWindowController& operator=(const ChatWindowController&) = delete;

  void setView(ChatWindowView* view) { view_ = view; }

  ContactsOutlineViewController& contacts() { return contacts_; }
  ChatQueueTableViewController& queues() { return queues_; }
  TranscriptModel& transcript() { return transcript_; }

  // The opening: the empty state.
  void showWindow() { loadDefaults(); }
  void windowWillClose() { loadDefaults(); }
  void loadDefaults();

  void userSelectedAtIndex(const std::optional<std::string>& userName,
                           const std::optional<std::string>& displayName) override;
  void ChatSupportSelectedAtIndex(const ChatQueue* queue) override;
  // The send box's text: nothing for an empty text; otherwise sent as typed and the box emptied,
  // unless the chat desk refuses it (the user is told why and the text stays).
  void SendChatButtonClicked(const std::string& text);
  void queueRequestAnswered(const std::optional<std::string>& text);

  const std::string& UserName() const { return UserName_; }
  // What is shown: a contact's conversation, a queue's, or nothing.
  enum class Shown { Nothing, Contact, Queue };
  Shown shown() const { return shown_; }
  const std::string& title() const { return title_; }
  bool sendEnabled() const { return sendEnabled_; }

 private:
  void RefreshTableView(const std::string& name);
  void setTitle(std::string title);
  void setSendEnabled(bool enabled);
  void setChatUserName(const std::string& name);
  // A new login: the outline and the queues of the new session, and the empty state.
  void sessionOpened();

  ContactsOutlineViewController contacts_;
  ChatQueueTableViewController queues_;
  TranscriptModel transcript_;
  ChatWindowView* view_ = nullptr;
  std::string UserName_;
  Shown shown_ = Shown::Nothing;
  std::string title_ = kTitle;
  bool sendEnabled_ = false;
  Observers observers_;
};

}  // namespace td::chat
