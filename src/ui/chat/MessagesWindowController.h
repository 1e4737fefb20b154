#pragma once
// The notice messages of the back office: the Messages list (every notice of the session, newest
// key first, the unread ones in bold) and the notice viewer's content.
//
// A double click on a notice marks it read, sends its acknowledgement to the server (at every
// double click, read or unread) and shows it in the viewer. A notice whose text is not at hand is
// asked for first: the viewer opens when its text arrives, and the session acknowledges it then.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/chat/ChatContext.h"
#include "ui/chat/ChatItems.h"

namespace td::chat {

// What the viewer shows of one notice: its subject, the time and text of its first line.
struct NoticeContent {
  std::string subject;  // "Subject: %@"
  std::string time;     // "Time: %@"
  std::string text;
};

class NoticeMessageWindowController {
 public:
  // The notice stored under the key, or none when there is no such notice or its text is not at hand.
  static std::optional<NoticeContent> showWindow(const std::string& roomKey);
};

class MessagesWindowController final : public ChatTable {
  Q_OBJECT
 public:
  static constexpr const char* SUBJECT_MSG = "Subject";
  static constexpr const char* MESSAGE_MSG = "Message";
  static constexpr const char* TIME_MSG = "Time";

  MessagesWindowController();

  // Reads the list again (the opening, and a new notice); the view clears its selection first.
  void showWindow();
  // The double-clicked row (-1: none, or the header).
  void doubleAction(int row);

  // Called before the list is read again: the view clears its selection.
  std::function<void()> deselectAll;
  // Called with a notice's key when it is to be shown in the viewer.
  std::function<void(const std::string& roomKey)> openNotice;

  // Display: the column's text; UnreadRole: the notice is unread (bold).
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  struct Row {
    std::string roomId;
    std::string subject;
    std::string message;
    std::string time;
    bool unread = false;
  };
  int rows() const override { return static_cast<int>(rows_.size()); }

  std::vector<Row> rows_;
  HistoryRequests history_;
  Observers observers_;
};

}  // namespace td::chat
