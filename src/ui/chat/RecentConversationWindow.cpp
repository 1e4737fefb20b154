#include "ui/chat/RecentConversationWindow.h"

#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>

#include "ui/chat/ChatWindow.h"
#include "ui/controls/Captions.h"

namespace td {

// ---- ChatMessageWindow ----

ChatMessageWindow::ChatMessageWindow(QWidget* parent) : QWidget(parent, Qt::Tool) {
  setObjectName("chatMessageWindow");
  table_ = transcriptTable("chatmessageTableView", &controller_.transcript(), this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->addWidget(table_);
  resize(520, 360);
}

ChatMessageWindow::~ChatMessageWindow() { deleteViews(this); }

void ChatMessageWindow::showWindow(const std::string& roomKey) {
  controller_.showWindow(roomKey);
  setWindowTitle(QString::fromStdString(controller_.title()));
  table_->scrollToTop();
  bringToFront(this);
}

// ---- RecentConversationWindow ----

RecentConversationWindow::RecentConversationWindow(QWidget* parent) : QWidget(parent, Qt::Tool) {
  setObjectName("recentConversationWindow");
  setWindowTitle(caption("9707"));
  table_ = chatTable("recentconversationTableView", &controller_, this);
  table_->setColumnWidth(0, 160);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->addWidget(table_);
  resize(520, 320);
  connect(table_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
    controller_.doubleAction(index.isValid() ? index.row() : -1);
  });
  controller_.openTranscript = [this](const std::string& roomKey) { OpenRecentConversation(roomKey); };
}

RecentConversationWindow::~RecentConversationWindow() {
  controller_.openTranscript = nullptr;
  deleteViews(this);
}

void RecentConversationWindow::showWindow() {
  table_->clearSelection();
  controller_.showWindow();
  bringToFront(this);
}

void RecentConversationWindow::OpenRecentConversation(const std::string& roomKey) {
  if (!transcript_) transcript_ = new ChatMessageWindow(this);
  placeOverOpener(transcript_, this);
  transcript_->showWindow(roomKey);
}

}  // namespace td
