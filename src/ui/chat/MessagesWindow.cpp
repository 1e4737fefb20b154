#include "ui/chat/MessagesWindow.h"

#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTableView>
#include <QVBoxLayout>

#include "ui/chat/ChatWindow.h"
#include "ui/controls/Captions.h"

namespace td {
namespace {

QLabel* plainLabel(const char* objectName, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(objectName);
  label->setTextFormat(Qt::PlainText);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace

// ---- NoticeMessageWindow ----

NoticeMessageWindow::NoticeMessageWindow(QWidget* parent) : QWidget(parent, Qt::Tool) {
  setObjectName("noticeMessageWindow");
  setWindowTitle(caption("9709"));
  subject_ = plainLabel("subjectLabel", this);
  QFont bold = subject_->font();
  bold.setBold(true);
  subject_->setFont(bold);
  time_ = plainLabel("timeLabel", this);
  text_ = new QPlainTextEdit(this);
  text_->setObjectName("messageTextView");
  text_->setReadOnly(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 12, 12, 12);
  layout->addWidget(subject_);
  layout->addWidget(time_);
  layout->addWidget(text_, 1);
  resize(460, 300);
}

bool NoticeMessageWindow::showWindow(const std::string& roomKey) {
  const std::optional<chat::NoticeContent> notice = chat::NoticeMessageWindowController::showWindow(roomKey);
  if (!notice) return false;
  subject_->setText(QString::fromStdString(notice->subject));
  time_->setText(QString::fromStdString(notice->time));
  text_->setPlainText(QString::fromStdString(notice->text));
  bringToFront(this);
  return true;
}

// ---- MessagesWindow ----

MessagesWindow::MessagesWindow(QWidget* parent) : QWidget(parent, Qt::Tool) {
  setObjectName("messagesWindow");
  setWindowTitle(caption("9708"));
  table_ = chatTable("messagesTableView", &controller_, this);
  table_->setColumnWidth(0, 180);
  table_->setColumnWidth(1, 300);
  table_->horizontalHeader()->setStretchLastSection(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->addWidget(table_);
  resize(660, 320);
  connect(table_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
    controller_.doubleAction(index.isValid() ? index.row() : -1);
  });
  controller_.deselectAll = [this] { table_->clearSelection(); };
  controller_.openNotice = [this](const std::string& roomKey) { OpenNoticeMessageWindow(roomKey); };
}

MessagesWindow::~MessagesWindow() {
  controller_.deselectAll = nullptr;
  controller_.openNotice = nullptr;
  deleteViews(this);
}

void MessagesWindow::showWindow() {
  controller_.showWindow();
  bringToFront(this);
}

void MessagesWindow::OpenNoticeMessageWindow(const std::string& roomKey) {
  if (!viewer_) viewer_ = new NoticeMessageWindow(this);
  placeOverOpener(viewer_, this);
  viewer_->showWindow(roomKey);
}

}  // namespace td
