// The chat window in the running application against the simulated server, offscreen: a line
// typed to the dealer reaches the dealer, and the dealer's answer shows in the conversation.

#include "ui/chat/ChatWindow.h"

#include <gtest/gtest.h>

#include <QAbstractProxyModel>
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTreeView>

#include "AppTestSupport.h"
#include "ui/MainWindow.h"

namespace td {
namespace {

using test::pumpUntil;
using namespace std::chrono_literals;

// The transcript's lines as shown.
std::vector<std::string> transcript(ChatWindow& chat) {
  std::vector<std::string> lines;
  const QAbstractItemModel* model = chat.messageTableView()->model();
  for (int row = 0; row < model->rowCount(); ++row) lines.push_back(model->index(row, 0).data().toString().toStdString());
  return lines;
}

bool hasLine(const std::vector<std::string>& lines, const std::string& head, const std::string& text) {
  for (const std::string& line : lines) {
    if (line.rfind(head + "[", 0) == 0 && line.ends_with("]:\t" + text)) return true;
  }
  return false;
}

TEST(ChatWindowEndToEnd, ALineTypedToTheDealerIsAnsweredInTheConversation) {
  test::AppAgainstServer run;
  ASSERT_TRUE(run.listening());
  Application app(run.options());
  app.start();
  ASSERT_TRUE(test::AppAgainstServer::logIn(app));

  // The Chat button opens the chat window; the dealers arrive with the contact list.
  MainWindow* main = app.mainWindow();
  auto* button = main->findChild<QAction*>("chatButton");
  ASSERT_NE(button, nullptr);
  button->trigger();
  auto* chat = main->findChild<ChatWindow*>("chatWindow");
  ASSERT_TRUE(chat && chat->isVisible());
  ASSERT_TRUE(pumpUntil([&] { return chat->controller().contacts().indexOfUser("dealer1").isValid(); }, test::kAppWait));

  QTreeView* outline = chat->contactsOutlineView();
  const auto* style = static_cast<const QAbstractProxyModel*>(outline->model());
  const QModelIndex dealer = style->mapFromSource(chat->controller().contacts().indexOfUser("dealer1"));
  QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualRect(dealer).center());
  ASSERT_EQ(chat->windowTitle(), "Dealing Desk");
  QTest::keyClicks(chat->messageTextView(), "Quote EURUSD 5 lots, please");
  QTest::mouseClick(chat->sendButton(), Qt::LeftButton);

  EXPECT_TRUE(pumpUntil(
      [&] { return hasLine(transcript(*chat), "Dealing Desk", "Noted: Quote EURUSD 5 lots, please"); }, test::kAppWait))
      << ::testing::PrintToString(transcript(*chat));
  EXPECT_TRUE(hasLine(transcript(*chat), "demo", "Quote EURUSD 5 lots, please"))
      << ::testing::PrintToString(transcript(*chat));
  app.quit();
}

}  // namespace
}  // namespace td
