#pragma once
// The recent-conversations list (opened from the chat window): one row per past conversation of
// the session (rooms that are neither notices nor opened in this session), newest key first, with
// its partner and last message. A double click opens the conversation's transcript, asking the
// server for its lines first when they are not at hand; the transcript opens when they arrive.
//
// ChatMessageWindowController is the transcript window's logic: the lines of one conversation and
// its title.

#include <functional>
#include <string>
#include <vector>

#include "ui/chat/ChatContext.h"
#include "ui/chat/ChatItems.h"
#include "ui/chat/TranscriptModel.h"

namespace td::chat {

class ChatMessageWindowController {
 public:
  // The conversation under the key: its lines, and as title the partner's display name (else the
  // user who sent its last line). A key under which no room stands shows no lines.
  void showWindow(const std::string& roomKey);
  void clear();

  TranscriptModel& transcript() { return transcript_; }
  const std::string& title() const { return title_; }

 private:
  TranscriptModel transcript_;
  std::string title_;
};

class RecentConversationWindowController final : public ChatTable {
  Q_OBJECT
 public:
  static constexpr const char* SENDER_RC = "Sender";
  static constexpr const char* MESSAGE_RC = "Message";

  RecentConversationWindowController();

  // Reads the list again (the opening); the view clears its selection.
  void showWindow();
  // The double-clicked row (-1: none, or the header).
  void doubleAction(int row);

  // Called with a conversation's key when its transcript is to be shown.
  std::function<void(const std::string& roomKey)> openTranscript;

  QVariant data(const QModelIndex& index, int role) const override;

 private:
  struct Row {
    std::string roomId;
    std::string sender;
    std::string message;
  };
  int rows() const override { return static_cast<int>(rows_.size()); }

  std::vector<Row> rows_;
  HistoryRequests history_;
  Observers observers_;
};

}  // namespace td::chat
