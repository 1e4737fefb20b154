#pragma once
// The recent-conversations window (a Qt::Tool window of the chat window) and the transcript window
// it opens (a Qt::Tool window of its own); both made once and kept. Their logic is in
// RecentConversationWindowController.h.

#include <QWidget>

#include "ui/chat/RecentConversationWindowController.h"

class QTableView;

namespace td {

class ChatMessageWindow final : public QWidget {
  Q_OBJECT
 public:
  explicit ChatMessageWindow(QWidget* parent);
  ~ChatMessageWindow() override;

  // Shows the conversation under the key, on top.
  void showWindow(const std::string& roomKey);
  chat::ChatMessageWindowController& controller() { return controller_; }
  QTableView* chatmessageTableView() const { return table_; }

 private:
  chat::ChatMessageWindowController controller_;
  QTableView* table_;
};

class RecentConversationWindow final : public QWidget {
  Q_OBJECT
 public:
  explicit RecentConversationWindow(QWidget* parent);
  ~RecentConversationWindow() override;

  // Reads the list again and shows the window on top.
  void showWindow();
  chat::RecentConversationWindowController& controller() { return controller_; }
  QTableView* recentconversationTableView() const { return table_; }
  // Null until a conversation was first opened.
  ChatMessageWindow* chatMessageWindow() const { return transcript_; }

 private:
  void OpenRecentConversation(const std::string& roomKey);

  chat::RecentConversationWindowController controller_;
  QTableView* table_;
  ChatMessageWindow* transcript_ = nullptr;
};

}  // namespace td
