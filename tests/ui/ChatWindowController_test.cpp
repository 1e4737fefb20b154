// The chat window's logic against a session: its states and title, Send, the support-queue
// request, and what the session's notifications change.

#include "ui/chat/ChatWindowController.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

#include "ChatTestFixture.h"

namespace td::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class RecordingChatView final : public chat::ChatWindowView {
 public:
  void showTitle(const std::string& title) override { this->title = title; }
  void setSendEnabled(bool enabled) override { sendEnabled = enabled; }
  void clearSendBox() override { calls.push_back("clear box"); }
  void resignFirstResponder() override {}
  void deselectOutlineView() override { calls.push_back("deselect outline"); }
  void deselectTableView() override { calls.push_back("deselect queues"); }
  void scrollTranscriptToLast() override { calls.push_back("scroll"); }
  void showQueueRequestPrompt(const std::string& text) override { calls.push_back("prompt " + text); }

  std::vector<std::string> take() { return std::exchange(calls, {}); }

  std::string title;
  bool sendEnabled = true;
  std::vector<std::string> calls;
};

class ChatWindowControllerTest : public ChatSessionTest {
 protected:
  ChatWindowControllerTest() {
    standardContacts();
    controller.setView(&view);
    controller.showWindow();
    view.take();
  }
  // Chooses the outline's row of the contact.
  void chooseContact(const std::string& name) {
    controller.contacts().outlineViewSelectionIsChanging(controller.contacts().indexOfUser(name));
  }
  void chooseQueue(const std::string& id) {
    controller.queues().tableViewSelectionDidChange(controller.queues().rowOfQueue(id));
  }
  std::vector<std::string> transcript() {
    std::vector<std::string> lines;
    for (const auto& line : controller.transcript().lines()) lines.push_back(line.text);
    return lines;
  }

  chat::ChatWindowController controller;
  RecordingChatView view;
};

TEST_F(ChatWindowControllerTest, ChoosingAContactOpensItsConversationWithoutAskingTheServer) {
  EXPECT_EQ(view.title, "Chat");
  EXPECT_FALSE(view.sendEnabled);
  chooseContact("dealer2");
  EXPECT_EQ(view.title, "Risk Desk");
  EXPECT_TRUE(view.sendEnabled);
  EXPECT_EQ(controller.UserName(), "dealer2");
  EXPECT_EQ(session->chatUserName, "dealer2");
  EXPECT_THAT(view.take(), ElementsAre("deselect queues"));
  ASSERT_TRUE(session->chat().model().room("dealer2")) << "a local room is filed";
  EXPECT_THAT(sent(), IsEmpty());

  // Another group row (not the first row) resets the window; the first row does nothing.
  contactList({{"1", "Dealers"}, {"7", "Traders"}}, {}, {});
  controller.contacts().outlineViewSelectionIsChanging(controller.contacts().index(0, 0));
  EXPECT_EQ(view.title, "Risk Desk");
  chooseContact("dealer2");
  controller.contacts().outlineViewSelectionIsChanging(controller.contacts().index(1, 0));
  EXPECT_EQ(view.title, "Chat");
  EXPECT_FALSE(view.sendEnabled);
  EXPECT_EQ(session->chatUserName, "");
}

TEST_F(ChatWindowControllerTest, TheFirstLineAsksForTheRoomAndGoesOnceTheServerConfirmsIt) {
  chooseContact("dealer1");
  view.take();
  controller.SendChatButtonClicked("");
  EXPECT_THAT(view.take(), IsEmpty()) << "an empty box sends nothing";
  controller.SendChatButtonClicked("  ");
  EXPECT_THAT(view.take(), ElementsAre("clear box"));
  EXPECT_THAT(sent(), ElementsAre(HasSubstr("10=601|20=1|503=dealer1")));
  roomConfirmed("dealer1", "55");
  // The kept line goes out once, by the session (the window does not send it again).
  EXPECT_THAT(sent(), ElementsAre(HasSubstr("10=603|501=55|504=alice|502=room-55")));
  EXPECT_THAT(transcript(), IsEmpty()) << "a line shows when the server sends it back";

  chatLine("55", "alice", "", "  ");
  chatLine("55", "dealer1", "Dealing Desk", "Noted:   ");
  EXPECT_THAT(transcript(), ElementsAre("alice[02/03/2024 01:05:09 PM]:\t  ",
                                        "Dealing Desk[02/03/2024 01:05:09 PM]:\tNoted:   "));
  EXPECT_TRUE(controller.transcript().lines()[0].own);
  EXPECT_FALSE(controller.transcript().lines()[1].own);
  EXPECT_THAT(view.take(), ElementsAre("scroll", "scroll"));
}

TEST_F(ChatWindowControllerTest, ARefusedLineStaysInTheBoxAndTheUserIsToldWhyInTheirLanguage) {
  chooseContact("dealer1");
  view.take();
  context().setSelectedLanguage(1);
  transport->connected = false;
  controller.SendChatButtonClicked("hello");
  controller.SendChatButtonClicked(std::string("bad\x01", 4));
  EXPECT_THAT(view.take(), IsEmpty());
  EXPECT_THAT(alerts->calls, ElementsAre("聊天|消息未能发送：与服务器的连接不可用。", "聊天|消息包含无法发送的控制字符。"));
}

TEST_F(ChatWindowControllerTest, LinesWhoseRoomTheServerNeverOpensAreNamedToTheUserInTheirLanguage) {
  chooseContact("dealer1");
  controller.SendChatButtonClicked("one");
  controller.SendChatButtonClicked("two");
  queue.advance(ChatDesk::kRoomRequestTimeout);
  EXPECT_THAT(alerts->calls, ElementsAre("Chat|These messages were not sent: the server did not open the conversation "
                                         "in time. Send them again to retry.\n\none\ntwo"));
  context().setSelectedLanguage(1);
  controller.SendChatButtonClicked("three");
  queue.advance(ChatDesk::kRoomRequestTimeout);
  EXPECT_EQ(alerts->calls.back(), "聊天|以下消息未能发送：服务器未及时打开会话。请重新发送。\n\nthree");
  std::vector<std::string> roomRequests;
  for (const std::string& body : sent()) {
    if (body.starts_with("10=601|")) roomRequests.push_back(body);
  }
  EXPECT_EQ(roomRequests.size(), 2u) << "the line after the time-out asks for the room again";
}

TEST_F(ChatWindowControllerTest, LinesOfOtherRoomsReloadWithoutShowingAndNothingChosenScrollsNothing) {
  chatLine("77", "dealer2", "Risk Desk", "unseen");  // no room of that name: nothing to show
  EXPECT_THAT(view.take(), IsEmpty());
  chooseContact("dealer1");
  controller.SendChatButtonClicked("hi");
  roomConfirmed("dealer1", "55");
  chatLine("55", "dealer1", "Dealing Desk", "one");
  receive({{10, "601"}, {501, "56"}, {502, "room-56"}, {503, "dealer2;alice"}, {504, "dealer2"}});
  view.take();
  chatLine("56", "dealer2", "Risk Desk", "elsewhere");
  EXPECT_THAT(transcript(), ElementsAre(HasSubstr("\tone")));
  EXPECT_THAT(view.take(), ElementsAre("scroll")) << "reloaded and scrolled though the line is elsewhere";
}

TEST_F(ChatWindowControllerTest, AnAvailableQueuePromptsForItsRequestUntilTheServerAcceptsIt) {
  chooseQueue("1");
  EXPECT_EQ(view.title, "FX Support");
  EXPECT_TRUE(view.sendEnabled);
  EXPECT_THAT(view.take(), ElementsAre("deselect outline", "prompt Hi"));
  controller.queueRequestAnswered(std::nullopt);
  EXPECT_EQ(view.title, "Chat");
  chooseQueue("1");
  view.take();
  controller.queueRequestAnswered("Quote EURUSD");
  const std::string rtf = Formatter::ConvertStringtoRTF("Quote EURUSD");
  EXPECT_THAT(sent(), ElementsAre("10=678|1026=1|34=100|17=" + rtf + "|20=1|530=0|504=alice"));
  EXPECT_EQ(view.title, "FX Support") << "the queue stays open";
  EXPECT_TRUE(view.sendEnabled);

  // Waiting: shown so and not handed over; accepted: opens without the prompt.
  receive({{10, "679"}, {1026, "1"}, {572, "1"}});
  const QModelIndex row = controller.queues().index(controller.queues().rowOfQueue("1"), 0);
  EXPECT_EQ(row.data().toString(), "Waiting for acceptance");
  EXPECT_FALSE(row.flags() & Qt::ItemIsSelectable);
  controller.loadDefaults();
  view.take();
  chooseQueue("1");
  EXPECT_THAT(view.take(), IsEmpty());
  EXPECT_EQ(view.title, "Chat");
  receive({{10, "679"}, {1026, "1"}, {572, "2"}});
  chooseQueue("1");
  EXPECT_THAT(view.take(), ElementsAre("deselect outline"));
  EXPECT_EQ(view.title, "FX Support");
}

TEST_F(ChatWindowControllerTest, AQueueNotAvailableFallsBackToTheEmptyState) {
  chooseQueue("2");
  EXPECT_EQ(view.title, "Chat");
  EXPECT_FALSE(view.sendEnabled);
  EXPECT_THAT(view.take(), ElementsAre("deselect outline", "clear box", "deselect outline", "deselect queues"));
  // A queue request that cannot go out is told, in the user's language.
  receive({{10, "680"}, {1026, "2"}, {572, "1"}});
  chooseQueue("2");
  transport->connected = false;
  controller.queueRequestAnswered("Hi");
  EXPECT_THAT(alerts->calls, ElementsAre("Chat|The message could not be sent: the connection to the server is not available."));
}

TEST_F(ChatWindowControllerTest, ANewLoginShowsTheNewSessionsContactsOnceTheyArrive) {
  chooseContact("dealer1");
  openSession();
  EXPECT_EQ(view.title, "Chat");
  EXPECT_EQ(controller.contacts().rowCount(), 0) << "the old session's contacts are gone";
  contactList({{"3", "Desk"}}, {{"eve", "Eve", "3", "online"}}, {});
  ASSERT_EQ(controller.contacts().rowCount(), 1);
  EXPECT_EQ(controller.contacts().index(0, 0).data().toString(), "Desk");
  EXPECT_EQ(controller.queues().rowCount(), 0);
}

}  // namespace
}  // namespace td::test
