// The chat message families through the dispatcher: what the windows and the user are told.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "SessionTestSupport.h"
#include "wire/Formatter.h"

namespace td::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class SessionChatTest : public SessionTest {
 protected:
  SessionChatTest() {
    loginData(standardDataSet());
    loginAccepted();
    queue.runPending();
    transport->tcp.clear();
    shell.banners.clear();
    for (const char* name : {"ChatRoomCreationNotification", "UpdateChatMessageNotification", "UserStatusNotification",
                             "ChatQueueStatusUpdate", "NoticeMessageReceivedNotification",
                             "RecentConversationReceivedNotification", "NoticeMessageNotification"}) {
      tokens.push_back(notifications->addObserver(name, [this](const Notification& n) {
        std::string entry = n.name;
        if (const auto* text = n.objectAs<std::string>()) entry += " " + *text;
        for (const char* key : {"RoomKey", "RoomId", "RoomName"}) {
          if (const auto info = n.userInfoText(key)) entry += " " + *info;
        }
        posted.push_back(entry);
      }));
    }
  }
  std::string sentBody(std::size_t i) const { return openSent(transport->tcp.at(i), logindata.SecurityKey()); }
  std::vector<std::string> bannerTexts() const {
    std::vector<std::string> out;
    for (const SessionBanner& b : shell.banners) out.push_back(b.subtitle + " | " + b.informativeText);
    return out;
  }

  std::vector<std::string> posted;
};

TEST_F(SessionChatTest, AConversationRunsFromTheRoomRequestToThePartnersLine) {
  EXPECT_EQ(session->chat().SendChat("dealer", "hello"), ChatDesk::SendResult::Waiting);
  ASSERT_EQ(transport->tcp.size(), 1u);
  EXPECT_THAT(sentBody(0), HasSubstr("10=601\x03" "20=1\x03" "503=dealer\x03"));
  session->NewMessage(frame({{10, "602"}, {20, "1"}, {501, "55"}, {502, "room-55"}, {503, "dealer"}, {504, "dealer"}}));
  ASSERT_EQ(transport->tcp.size(), 2u);
  EXPECT_THAT(sentBody(1), HasSubstr("10=603\x03" "501=55\x03" "504=alice\x03" "502=room-55\x03"));
  const std::string line = Formatter::ConvertStringtoRTF("Noted");
  session->NewMessage(frame({{10, "603"}, {501, "55"}, {502, "room-55"}, {504, "dealer"}, {517, "Dealing Desk"},
                             {17, line}}));
  // The partner shown in the chat window raises no banner; the window still reloads.
  session->chatUserName = "dealer";
  session->NewMessage(frame({{10, "603"}, {501, "55"}, {502, "room-55"}, {504, "dealer"}, {17, line}}));
  session->NewMessage(frame({{10, "619"}, {23, "dealer"}, {24, "online"}}));
  session->NewMessage(frame({{10, "679"}, {1026, "3"}, {572, "1"}}));
  queue.runPending();
  EXPECT_THAT(posted, ElementsAre("ChatRoomCreationNotification dealer 55 room-55", "UpdateChatMessageNotification",
                                  "UpdateChatMessageNotification", "UserStatusNotification", "ChatQueueStatusUpdate"));
  EXPECT_THAT(bannerTexts(), ElementsAre("New chat message from : Dealing Desk | Noted\n"));
  ASSERT_EQ(session->chat().model().room("dealer")->messages.size(), 2u);
}

TEST_F(SessionChatTest, NoticesComeWithTheRecentConversationsAndAreAcknowledgedWithTheirHistory) {
  const auto record = [](const std::string& id, const std::string& subject) {
    return std::string("office\x05text\x05me\x05" "20240101000000\x05") + id + "\x05n" + id + "\x05\x05" + subject +
           "\x05" "Back Office";
  };
  session->NewMessage(frame({{10, "627"}, {17, record("9", "Fees") + "\x06" + record("10", "Hours")}}));
  session->NewMessage(frame({{10, "614"}, {17, record("9", "Fees")}}));
  session->NewMessage(
      frame({{10, "616"}, {501, "10"}, {17, "m7\x05office\x05" + Formatter::ConvertStringtoRTF("Closed") + "\x05t"}}));
  queue.runPending();
  EXPECT_TRUE(session->chat().model().room("9")->isanUnreadMessage);
  EXPECT_EQ(session->chat().model().getMessageNoticesCollection().size(), 2u);
  ASSERT_EQ(transport->tcp.size(), 1u);
  EXPECT_THAT(sentBody(0), HasSubstr("10=608\x03" "507=\x03" "505=n10\x05m7\x03"));
  EXPECT_THAT(posted, ElementsAre("NoticeMessageReceivedNotification 10"));
  EXPECT_THAT(bannerTexts(), ElementsAre("Messages | You have 1 new messages"));
}

TEST_F(SessionChatTest, TheListsOfTheSessionStartTellTheWindowsToReadThemAgain) {
  std::vector<std::string> told;
  for (const char* name : {"ChatContactListNotification", "ChatConversationListNotification"}) {
    tokens.push_back(notifications->addObserver(name, [&](const Notification& n) {
      const ChatModel& model = session->chat().model();
      told.push_back(n.name + " " + std::to_string(model.GroupChatCollection().size()) + " " +
                     std::to_string(model.getMessageNoticesCollection().size()));
    }));
  }
  session->NewMessage(frame({{10, "618"}, {23, "alice"}, {522, "1\x05" "Dealers\x05" "0"}}));
  queue.runPending();
  session->NewMessage(frame({{10, "627"}, {17, "office\x05" "text\x05" "me\x05" "t\x05" "9\x05" "n9\x05\x05" "Fees"}}));
  queue.runPending();
  session->NewMessage(frame({{10, "614"}, {17, ""}}));
  queue.runPending();
  // Each reaches the windows once the list it names is read.
  EXPECT_THAT(told, ElementsAre("ChatContactListNotification 1 0", "ChatConversationListNotification 1 1",
                                "ChatConversationListNotification 1 1"));
}

}  // namespace
}  // namespace td::testing
