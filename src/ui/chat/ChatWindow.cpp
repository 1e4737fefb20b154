#include "ui/chat/ChatWindow.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>

#include "ui/chat/ChatCellDelegate.h"
#include "ui/chat/RecentConversationWindow.h"
#include "ui/controls/Captions.h"

namespace td {
namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

// A one-column list of the chat window: no header, no grid, rows as high as their cells.
QTableView* listTable(const char* objectName, QAbstractItemModel* model, QWidget* parent) {
  QTableView* table = chatTable(objectName, model, parent);
  table->horizontalHeader()->hide();
  table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table->setShowGrid(false);
  return table;
}

// The row selected in a one-column view, or an invalid index.
QModelIndex selectedRow(const QAbstractItemView* view) {
  const QModelIndexList rows = view->selectionModel()->selectedIndexes();
  return rows.isEmpty() ? QModelIndex() : rows.front();
}

}  // namespace

QTableView* chatTable(const char* objectName, QAbstractItemModel* model, QWidget* parent) {
  auto* table = new QTableView(parent);
  table->setObjectName(objectName);
  table->setModel(new chat::ChatItemStyle(model, table));
  table->verticalHeader()->hide();
  table->horizontalHeader()->setStretchLastSection(true);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setSelectionMode(QAbstractItemView::SingleSelection);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setWordWrap(false);
  return table;
}

QTableView* transcriptTable(const char* objectName, QAbstractItemModel* model, QWidget* parent) {
  auto* table = new QTableView(parent);
  table->setObjectName(objectName);
  table->setModel(model);
  table->setItemDelegate(new chat::TranscriptDelegate(table));
  table->horizontalHeader()->hide();
  table->horizontalHeader()->setStretchLastSection(true);
  table->verticalHeader()->hide();
  table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  table->setShowGrid(false);
  table->setSelectionMode(QAbstractItemView::NoSelection);
  table->setFocusPolicy(Qt::NoFocus);
  table->setWordWrap(true);
  // Wrapped to the column: a new width gives new heights.
  QObject::connect(table->horizontalHeader(), &QHeaderView::sectionResized, table,
                   [table] { table->resizeRowsToContents(); });
  return table;
}

void bringToFront(QWidget* window) {
  window->show();
  window->raise();
  window->activateWindow();
}

void deleteViews(QWidget* window) { qDeleteAll(window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)); }

void placeOverOpener(QWidget* window, QWidget* opener) {
  if (!window || !opener || window->property("td.placed").toBool()) return;
  window->setProperty("td.placed", true);
  window->move(opener->geometry().topLeft() + QPoint(40, 40));
}

// ---- QueueRequestSheet ----

QueueRequestSheet::QueueRequestSheet(QWidget* parent) : QDialog(parent) {
  setObjectName("queueRequestSheet");
  setWindowTitle(QStringLiteral("Request Message"));
  setWindowModality(Qt::ApplicationModal);
  auto* layout = new QVBoxLayout(this);
  auto* message = new QLabel(QStringLiteral("Request Message"), this);
  QFont bold = message->font();
  bold.setBold(true);
  message->setFont(bold);
  layout->addWidget(message);
  field_ = new QLineEdit(this);
  field_->setObjectName("requestTextField");
  field_->setFixedSize(250, 24);
  layout->addWidget(field_);
  auto* buttons = new QDialogButtonBox(this);
  cancel_ = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
  cancel_->setObjectName("cancelButton");
  request_ = buttons->addButton(QStringLiteral("Request"), QDialogButtonBox::AcceptRole);
  request_->setObjectName("requestButton");
  request_->setDefault(true);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

// ---- ChatWindow ----

ChatWindow::ChatWindow(QWidget* parent) : QWidget(parent, Qt::Tool) {
  setObjectName("chatWindow");
  auto* panes = new QSplitter(Qt::Horizontal, this);
  panes->setObjectName("chatPanes");

  auto* left = new QSplitter(Qt::Vertical, panes);
  outline_ = new QTreeView(left);
  outline_->setObjectName("contactsOutlineView");
  outline_->setHeaderHidden(true);
  outline_->setRootIsDecorated(true);
  outline_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  outline_->setSelectionMode(QAbstractItemView::SingleSelection);
  outline_->setModel(new chat::ChatItemStyle(&controller_.contacts(), outline_));
  outline_->setItemDelegate(new chat::ChatListCell(outline_));
  queues_ = listTable("chatQueueTableView", &controller_.queues(), left);
  queues_->setItemDelegate(new chat::ChatListCell(queues_));
  left->addWidget(outline_);
  left->addWidget(queues_);
  left->setSizes({260, 120});

  auto* right = new QWidget(panes);
  auto* rightLayout = new QVBoxLayout(right);
  rightLayout->setContentsMargins(0, 0, 0, 0);
  transcript_ = transcriptTable("messageTableView", &controller_.transcript(), right);
  auto* sendRow = new QHBoxLayout;
  sendBox_ = new QLineEdit(right);
  sendBox_->setObjectName("messageTextView");
  send_ = new QPushButton(caption("9706"), right);
  send_->setObjectName("sendButton");
  sendRow->addWidget(sendBox_, 1);
  sendRow->addWidget(send_);
  rightLayout->addWidget(transcript_, 1);
  rightLayout->addLayout(sendRow);
  panes->addWidget(left);
  panes->addWidget(right);
  panes->setStretchFactor(1, 1);
  panes->setSizes({220, 480});

  recent_ = new QPushButton(caption("9707"), this);
  recent_->setObjectName("recentConversationButton");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(recent_);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->addWidget(panes, 1);
  layout->addLayout(buttons);
  resize(720, 480);

  connect(outline_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    const QModelIndex row = selectedRow(outline_);
    if (!row.isValid()) return;
    const auto* style = static_cast<const chat::ChatItemStyle*>(outline_->model());
    controller_.contacts().outlineViewSelectionIsChanging(style->mapToSource(row));
  });
  connect(queues_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    const QModelIndex row = selectedRow(queues_);
    controller_.queues().tableViewSelectionDidChange(row.isValid() ? row.row() : -1);
  });
  connect(outline_->model(), &QAbstractItemModel::modelReset, this, [this] {
    outline_->expandAll();
    reselectShown();
  });
  connect(queues_->model(), &QAbstractItemModel::modelReset, this, [this] { reselectShown(); });
  connect(send_, &QPushButton::clicked, this, &ChatWindow::SendChatButtonClicked);
  connect(sendBox_, &QLineEdit::returnPressed, this, &ChatWindow::SendChatButtonClicked);
  connect(recent_, &QPushButton::clicked, this, &ChatWindow::RecentConversationButtonClicked);

  outline_->expandAll();
  controller_.setView(this);
  controller_.loadDefaults();
}

ChatWindow::~ChatWindow() {
  controller_.setView(nullptr);
  deleteViews(this);
}

void ChatWindow::showWindow() {
  controller_.showWindow();
  bringToFront(this);
}

void ChatWindow::SendChatButtonClicked() {
  if (!send_->isEnabled()) return;
  controller_.SendChatButtonClicked(sendBox_->text().toStdString());
}

void ChatWindow::RecentConversationButtonClicked() {
  if (!recentWindow_) recentWindow_ = new RecentConversationWindow(this);
  placeOverOpener(recentWindow_, this);
  recentWindow_->showWindow();
}

void ChatWindow::showTitle(const std::string& title) { setWindowTitle(qs(title)); }

void ChatWindow::setSendEnabled(bool enabled) { send_->setEnabled(enabled); }

void ChatWindow::clearSendBox() { sendBox_->clear(); }

void ChatWindow::resignFirstResponder() {
  if (QWidget* focused = focusWidget()) focused->clearFocus();
}

void ChatWindow::deselectOutlineView() { outline_->selectionModel()->clearSelection(); }

void ChatWindow::deselectTableView() { queues_->selectionModel()->clearSelection(); }

void ChatWindow::scrollTranscriptToLast() { transcript_->scrollToBottom(); }

void ChatWindow::showQueueRequestPrompt(const std::string& text) {
  if (!requestSheet_) {
    requestSheet_ = new QueueRequestSheet(this);
    connect(requestSheet_, &QDialog::finished, this, [this](int result) {
      if (result == QDialog::Accepted) controller_.queueRequestAnswered(requestSheet_->textField()->text().toStdString());
      else controller_.queueRequestAnswered(std::nullopt);
    });
  }
  requestSheet_->textField()->setText(qs(text));
  requestSheet_->textField()->selectAll();
  requestSheet_->adjustSize();
  requestSheet_->move(geometry().center() - requestSheet_->rect().center());
  // Not open(): it would make the prompt window-modal.
  bringToFront(requestSheet_);
}

void ChatWindow::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  controller_.windowWillClose();
}

void ChatWindow::reselectShown() {
  using Shown = chat::ChatWindowController::Shown;
  const auto* outlineStyle = static_cast<const chat::ChatItemStyle*>(outline_->model());
  const auto* queueStyle = static_cast<const chat::ChatItemStyle*>(queues_->model());
  QModelIndex row;
  QAbstractItemView* view = nullptr;
  if (controller_.shown() == Shown::Contact) {
    row = outlineStyle->mapFromSource(controller_.contacts().indexOfUser(controller_.UserName()));
    view = outline_;
  } else if (controller_.shown() == Shown::Queue) {
    const int at = controller_.queues().rowOfQueue(controller_.UserName());
    row = at < 0 ? QModelIndex() : queueStyle->index(at, 0);
    view = queues_;
  }
  if (!view || !row.isValid() || !(row.flags() & Qt::ItemIsSelectable)) return;
  const QSignalBlocker quiet(view->selectionModel());
  view->selectionModel()->select(row, QItemSelectionModel::ClearAndSelect);
  view->viewport()->update();
}

}  // namespace td
