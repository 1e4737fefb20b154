#pragma once
// The Messages window (a Qt::Tool window of the main window, opened by its Messages button) and
// the notice viewer it opens (a Qt::Tool window of its own); both made once and kept. Their logic
// is in MessagesWindowController.h.

#include <QWidget>

#include "ui/chat/MessagesWindowController.h"

class QLabel;
class QPlainTextEdit;
class QTableView;

namespace td {

class NoticeMessageWindow final : public QWidget {
  Q_OBJECT
 public:
  explicit NoticeMessageWindow(QWidget* parent);

  // Shows the notice under the key, on top; false (and nothing shown) when its text is not at hand.
  bool showWindow(const std::string& roomKey);
  QLabel* subjectLabel() const { return subject_; }
  QLabel* timeLabel() const { return time_; }
  QPlainTextEdit* messageTextView() const { return text_; }

 private:
  QLabel* subject_;
  QLabel* time_;
  QPlainTextEdit* text_;
};

class MessagesWindow final : public QWidget {
  Q_OBJECT
 public:
  explicit MessagesWindow(QWidget* parent);
  ~MessagesWindow() override;

  // Reads the notices again and shows the window on top.
  void showWindow();
  chat::MessagesWindowController& controller() { return controller_; }
  QTableView* messagesTableView() const { return table_; }
  // Null until a notice was first opened.
  NoticeMessageWindow* noticeMessageWindow() const { return viewer_; }

 private:
  void OpenNoticeMessageWindow(const std::string& roomKey);

  chat::MessagesWindowController controller_;
  QTableView* table_;
  NoticeMessageWindow* viewer_ = nullptr;
};

}  // namespace td
