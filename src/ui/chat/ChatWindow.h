#pragma once
// The chat window: the contacts outline above the support-queue table on the left, the
// conversation on the right with the send box and its Send button, and the button of the
// recent-conversations window. A Qt::Tool window of the main window, made once and kept; its
// logic is ChatWindowController.

#include <QDialog>
#include <QWidget>

#include "ui/chat/ChatWindowController.h"

class QAbstractItemModel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTreeView;

namespace td {

class RecentConversationWindow;

// Places a window of the chat family over the window that opens it, the first time only (after
// that it stays where the user left it).
void placeOverOpener(QWidget* window, QWidget* opener);
// Shows the window on top, with the keyboard.
void bringToFront(QWidget* window);
// Deletes the window's views before the window's members go (the models they show among them).
void deleteViews(QWidget* window);
// A table of the chat family over the model: whole rows chosen one at a time, nothing edited, no
// row numbers; the rows in the application's font, with the status dots of contacts and queues.
QTableView* chatTable(const char* objectName, QAbstractItemModel* model, QWidget* parent);
// A transcript: one column of wrapped lines, each as high as it needs, without headers or grid.
QTableView* transcriptTable(const char* objectName, QAbstractItemModel* model, QWidget* parent);

// The support-queue request: "Request Message", a field prefilled with the opening line,
// "Request" and "Cancel". Application-modal, without a nested event loop.
class QueueRequestSheet final : public QDialog {
  Q_OBJECT
 public:
  explicit QueueRequestSheet(QWidget* parent);
  QLineEdit* textField() const { return field_; }
  QPushButton* requestButton() const { return request_; }
  QPushButton* cancelButton() const { return cancel_; }

 private:
  QLineEdit* field_;
  QPushButton* request_;
  QPushButton* cancel_;
};

class ChatWindow final : public QWidget, public chat::ChatWindowView {
  Q_OBJECT
 public:
  explicit ChatWindow(QWidget* parent);
  ~ChatWindow() override;

  // The opening: the empty state, the window on top.
  void showWindow();

  chat::ChatWindowController& controller() { return controller_; }
  QTreeView* contactsOutlineView() const { return outline_; }
  QTableView* chatQueueTableView() const { return queues_; }
  QTableView* messageTableView() const { return transcript_; }
  QLineEdit* messageTextView() const { return sendBox_; }
  QPushButton* sendButton() const { return send_; }
  QPushButton* recentConversationButton() const { return recent_; }
  // Null until first opened.
  RecentConversationWindow* recentConversationWindow() const { return recentWindow_; }
  QueueRequestSheet* queueRequestSheet() const { return requestSheet_; }

  void SendChatButtonClicked();
  void RecentConversationButtonClicked();

  // ChatWindowView
  void showTitle(const std::string& title) override;
  void setSendEnabled(bool enabled) override;
  void clearSendBox() override;
  void resignFirstResponder() override;
  void deselectOutlineView() override;
  void deselectTableView() override;
  void scrollTranscriptToLast() override;
  void showQueueRequestPrompt(const std::string& text) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // After the outline or the queues were read again: the row of the conversation shown is selected
  // again (without choosing it anew).
  void reselectShown();

  chat::ChatWindowController controller_;
  QTreeView* outline_;
  QTableView* queues_;
  QTableView* transcript_;
  QLineEdit* sendBox_;
  QPushButton* send_;
  QPushButton* recent_;
  RecentConversationWindow* recentWindow_ = nullptr;
  QueueRequestSheet* requestSheet_ = nullptr;
};

}  // namespace td
