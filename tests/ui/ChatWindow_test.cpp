// The chat family's windows, offscreen: what the user clicks and types reaches the logic, and
// what the lists hold is drawn (status dots, bold unread notices, wrapped transcript lines).

#include "ui/chat/ChatWindow.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractProxyModel>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTreeView>

#include "ChatTestFixture.h"
#include "QtTestApp.h"
#include "ui/chat/MessagesWindow.h"
#include "ui/chat/RecentConversationWindow.h"

namespace td::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

void clickRow(QAbstractItemView* view, const QModelIndex& index) {
  const QRect cell = view->visualRect(index);
  ASSERT_TRUE(cell.isValid());
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
}

void doubleClickRow(QAbstractItemView* view, const QModelIndex& index) {
  const QRect cell = view->visualRect(index);
  ASSERT_TRUE(cell.isValid());
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
}

class ChatWindowTest : public ChatSessionTest {
 protected:
  ChatWindowTest() {
    qtTestApp();
    standardContacts();
  }
  // The outline's row of a user, as the view shows it.
  QModelIndex contactRow(ChatWindow& window, const std::string& name) {
    const auto* style = static_cast<const QAbstractProxyModel*>(window.contactsOutlineView()->model());
    return style->mapFromSource(window.controller().contacts().indexOfUser(name));
  }
};

TEST_F(ChatWindowTest, AClickedContactOpensItsConversationAndReturnSendsTheLine) {
  ChatWindow window(nullptr);
  window.showWindow();
  EXPECT_EQ(window.windowTitle(), "Chat");
  EXPECT_FALSE(window.sendButton()->isEnabled());
  // The status dots are drawn before the names.
  EXPECT_FALSE(contactRow(window, "dealer1").data(Qt::DecorationRole).value<QIcon>().isNull());
  EXPECT_TRUE(window.contactsOutlineView()->isExpanded(window.contactsOutlineView()->model()->index(0, 0)));

  clickRow(window.contactsOutlineView(), contactRow(window, "dealer1"));
  EXPECT_EQ(window.windowTitle(), "Dealing Desk");
  ASSERT_TRUE(window.sendButton()->isEnabled());
  QTest::keyClicks(window.messageTextView(), "Quote EURUSD");
  QTest::keyClick(window.messageTextView(), Qt::Key_Return);
  EXPECT_TRUE(window.messageTextView()->text().isEmpty());
  EXPECT_THAT(sent(), ElementsAre(HasSubstr("10=601|20=1|503=dealer1")));

  // Closing the window empties it.
  roomConfirmed("dealer1", "55");
  chatLine("55", "dealer1", "Dealing Desk", "Noted");
  EXPECT_EQ(window.messageTableView()->model()->rowCount(), 1);
  EXPECT_EQ(session->chatUserName, "dealer1");
  window.close();
  EXPECT_EQ(window.windowTitle(), "Chat");
  EXPECT_EQ(session->chatUserName, "") << "banners for the former partner come again";
  EXPECT_EQ(window.messageTableView()->model()->rowCount(), 0);
  EXPECT_TRUE(window.contactsOutlineView()->selectionModel()->selectedIndexes().isEmpty());
}

TEST_F(ChatWindowTest, TheQueueRequestIsAskedForInASheetAndAWaitingQueueCannotBeChosen) {
  ChatWindow window(nullptr);
  window.showWindow();
  QTableView* queues = window.chatQueueTableView();
  clickRow(queues, queues->model()->index(0, 0));
  ASSERT_TRUE(window.queueRequestSheet() && window.queueRequestSheet()->isVisible());
  EXPECT_EQ(window.queueRequestSheet()->windowModality(), Qt::ApplicationModal);
  EXPECT_EQ(window.queueRequestSheet()->textField()->text(), "Hi");
  EXPECT_EQ(window.queueRequestSheet()->textField()->size(), QSize(250, 24));
  QTest::mouseClick(window.queueRequestSheet()->requestButton(), Qt::LeftButton);
  EXPECT_THAT(sent(), ElementsAre(HasSubstr("10=678|1026=1|34=100")));
  EXPECT_EQ(window.windowTitle(), "FX Support");

  receive({{10, "679"}, {1026, "1"}, {572, "1"}});
  EXPECT_EQ(queues->model()->index(0, 0).data().toString(), "Waiting for acceptance");
  window.controller().loadDefaults();
  clickRow(queues, queues->model()->index(0, 0));
  EXPECT_TRUE(queues->selectionModel()->selectedIndexes().isEmpty());
  EXPECT_EQ(window.windowTitle(), "Chat");

  // Accepted: the queue opens without the sheet, and stays selected when the queues are read again.
  receive({{10, "679"}, {1026, "1"}, {572, "2"}});
  clickRow(queues, queues->model()->index(0, 0));
  EXPECT_EQ(window.windowTitle(), "FX Support");
  receive({{10, "680"}, {1026, "1"}, {572, "1"}});
  EXPECT_EQ(queues->selectionModel()->selectedRows().size(), 1);
  EXPECT_FALSE(window.queueRequestSheet()->isVisible());
}

TEST_F(ChatWindowTest, ALongLineWrapsToATallerRowOfItsColumn) {
  ChatWindow window(nullptr);
  window.resize(700, 480);
  window.showWindow();
  clickRow(window.contactsOutlineView(), contactRow(window, "dealer1"));
  window.controller().SendChatButtonClicked("x");
  roomConfirmed("dealer1", "55");
  chatLine("55", "dealer1", "Dealing Desk", "short");
  chatLine("55", "dealer1", "Dealing Desk", std::string(40, 'w') + " " + std::string(300, 'o'));
  QTableView* transcript = window.messageTableView();
  QApplication::processEvents();
  EXPECT_GT(transcript->rowHeight(1), 2 * transcript->rowHeight(0));
  const int before = transcript->rowHeight(1);
  window.resize(1000, 480);
  QApplication::processEvents();
  EXPECT_LT(transcript->rowHeight(1), before) << "a wider column needs fewer lines";
}

TEST_F(ChatWindowTest, UnreadNoticesAreBoldAndADoubleClickOpensTheViewer) {
  receive({{10, "627"},
           {17, testing::records({{"office", "x", "alice", "20240302130509", "11", "n11", "", "Fees", "Back Office"}})}});
  receive({{10, "614"}, {17, testing::records({{"office", "x", "alice", "t", "11", "n11", "", "Fees", "O"}})}});
  MessagesWindow window(nullptr);
  window.showWindow();
  QTableView* table = window.messagesTableView();
  EXPECT_EQ(table->model()->headerData(2, Qt::Horizontal).toString(), "Time");
  EXPECT_TRUE(table->model()->index(0, 0).data(Qt::FontRole).value<QFont>().bold());
  receive({{10, "616"}, {501, "11"}, {17, testing::records({{"m1", "office", "Fees rise", "20240303080000"}})}});
  sent();
  doubleClickRow(table, table->model()->index(0, 1));
  EXPECT_FALSE(table->model()->index(0, 0).data(Qt::FontRole).value<QFont>().bold());
  EXPECT_THAT(sent(), ElementsAre(HasSubstr("10=608")));
  NoticeMessageWindow* viewer = window.noticeMessageWindow();
  ASSERT_TRUE(viewer && viewer->isVisible());
  EXPECT_EQ(viewer->subjectLabel()->text(), "Subject: Fees");
  EXPECT_EQ(viewer->timeLabel()->text(), "Time: 03/03/2024 08:00:00");
  EXPECT_EQ(viewer->messageTextView()->toPlainText(), "Fees rise");
}

TEST_F(ChatWindowTest, TheRecentConversationsOpenFromTheChatWindowAndTheirTranscriptFromThem) {
  receive({{10, "627"}, {17, testing::records({{"bob", "bye", "alice;bob", "t", "9", "r9", "", "", "Bob B"}})}});
  receive({{10, "616"}, {501, "9"}, {17, testing::records({{"1", "alice", "hello", "20240302130509", "Alïce"}})}});
  ChatWindow chat(nullptr);
  chat.showWindow();
  QTest::mouseClick(chat.recentConversationButton(), Qt::LeftButton);
  RecentConversationWindow* recent = chat.recentConversationWindow();
  ASSERT_TRUE(recent && recent->isVisible());
  QTableView* list = recent->recentconversationTableView();
  ASSERT_EQ(list->model()->rowCount(), 1);
  doubleClickRow(list, list->model()->index(0, 0));
  ChatMessageWindow* transcript = recent->chatMessageWindow();
  ASSERT_TRUE(transcript && transcript->isVisible());
  EXPECT_EQ(transcript->windowTitle(), "Bob B");
  const QModelIndex line = transcript->chatmessageTableView()->model()->index(0, 0);
  EXPECT_EQ(line.data().toString(), "Alïce[02/03/2024 01:05:09 PM]:\thello");
  EXPECT_TRUE(line.data(chat::OwnLineRole).toBool());
  EXPECT_EQ(line.data(chat::HeadLengthRole).toInt(), 30) << "counted in the characters the view colours";
}

}  // namespace
}  // namespace td::test
