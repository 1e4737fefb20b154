#include "chat/ChatDesk.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ChatTestSupport.h"
#include "platform/ManualMainQueue.h"
#include "wire/Formatter.h"

namespace td::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string rtf(const std::string& text) { return Formatter::ConvertStringtoRTF(text); }

class ChatDeskTest : public ::testing::Test {
 protected:
  // The server's answer to a room request for `users`: room id and name.
  void confirm(const std::string& users, const std::string& id, const std::string& name) {
    desk.FillChatRoomDetails(Fields{{10, "602"}, {20, "42"}, {501, id}, {502, name}, {503, users}, {504, users},
                                    {530, "0"}},
                             users);
  }
  void line(const std::string& room, const std::string& sender, const std::string& text,
            std::optional<std::string> name = std::nullopt) {
    Fields withName{{10, "603"}, {501, "5"}, {502, room}, {504, sender}, {517, name.value_or("")},
                    {21, "20240301090507"}, {17, rtf(text)}};
    Fields without{{10, "603"}, {501, "5"}, {502, room}, {504, sender}, {21, "20240301090507"}, {17, rtf(text)}};
    desk.FillChatMessages(name ? FieldList(withName) : FieldList(without), room);
  }
  void recent(const std::vector<std::vector<std::string>>& rows) {
    desk.FillRecentConversation(Fields{{10, "627"}, {17, records(rows)}});
  }
  ChatRoomPtr room(const std::string& key) const { return desk.model().room(key); }

  ManualMainQueue queue;
  RecordingChatEvents ev;
  ChatDesk desk{ev, queue, &ev};
};

// ---- rooms and lines in ----

TEST_F(ChatDeskTest, RoomReplyConfirmsTheRoomAskedForAndNamesItsKeyIdAndName) {
  desk.CreateRoomforChat("dealer/1");
  confirm("dealer/1", "55", "room-55");
  const ChatRoomPtr r = room("dealer/1");
  ASSERT_TRUE(r);
  EXPECT_TRUE(r->isChatRoomCreated);
  EXPECT_EQ(r->RequestId, "42");
  EXPECT_TRUE(r->acceptsMessages());
  // The key travels as a value of its own, "/" and all.
  EXPECT_THAT(ev.events, ElementsAre("confirmed dealer/1 55 room-55"));
}

TEST_F(ChatDeskTest, RoomsOpenedByTheServerAreStoredUnderTheirKindsKey) {
  // A partner's conversation: under the sender, confirmed, told to nobody.
  desk.FillChatRoomDetails(Fields{{10, "601"}, {501, "7"}, {502, "r7"}, {503, "bob;me"}, {504, "bob"}}, "bob;me");
  ASSERT_TRUE(room("bob"));
  EXPECT_TRUE(room("bob")->isChatRoomCreated);
  // A notice: under its room id, unread.
  desk.FillChatRoomDetails(Fields{{10, "601"}, {501, "9"}, {161, "Holiday hours"}, {504, "office"}}, std::nullopt);
  ASSERT_TRUE(room("9"));
  EXPECT_TRUE(room("9")->isMessageNotices && room("9")->isanUnreadMessage);
  // A queue conversation: under the queue id, naming the queue's dealer (the second user) and the
  // display name of the first entry.
  desk.FillChatGroupsAndUsers(Fields{{10, "618"}, {1019, records({{"3", "FX desk", "0", "1"}})}});
  desk.FillChatRoomDetails(Fields{{10, "601"}, {501, "8"}, {503, "me;dealer"}, {504, "dealer"}, {1026, "3"},
                                  {1051, "dealer\x05" "Dealing Desk;me\x05Me"}},
                           "me;dealer");
  ASSERT_TRUE(room("3"));
  EXPECT_EQ(room("3")->RoomUserDisplayName, "Dealing Desk");
  EXPECT_EQ(desk.model().queue("3")->roomUserName, "dealer");
  // With the queue before the users the dealer is not known yet; a display-name entry without its
  // separator leaves the name out but keeps the room.
  desk.FillChatRoomDetails(Fields{{10, "601"}, {501, "10"}, {1026, "3"}, {503, "me;other"}, {504, "x"}, {1051, "x"}},
                           "me;other");
  EXPECT_EQ(desk.model().queue("3")->roomUserName, "dealer");
  EXPECT_EQ(room("3")->RoomId, "10");
  EXPECT_FALSE(room("3")->RoomUserDisplayName);
  // A room without the value of its key is dropped.
  desk.FillChatRoomDetails(Fields{{10, "601"}, {501, "11"}}, std::nullopt);
  EXPECT_EQ(desk.model().ChatRoomCollection().size(), 3u);
  EXPECT_THAT(ev.events, IsEmpty());
  EXPECT_THAT(ev.lines, ElementsAre("NOTICE Holiday hours", "CONTACTS groups=0 users=0"));
}

TEST_F(ChatDeskTest, ALineGoesToEveryRoomOfItsNameAndTellsTheWindowsOnce) {
  desk.FillChatRoomDetails(Fields{{10, "601"}, {502, "r1"}, {504, "bob"}, {1051, "bob\x05" "Bob B"}}, std::nullopt);
  desk.FillChatRoomDetails(Fields{{10, "601"}, {502, "r1"}, {504, "carl"}}, std::nullopt);
  line("r1", "bob", "hello", "Bobby");
  for (const char* key : {"bob", "carl"}) {
    ASSERT_EQ(room(key)->messages.size(), 1u) << key;
    const ChatMessageEntry& entry = room(key)->messages[0];
    EXPECT_EQ(entry.msg, "hello\n");
    EXPECT_EQ(entry.sender, "bob");
    EXPECT_EQ(entry.senderdisplayName, "Bobby");
    EXPECT_EQ(entry.time, "20240301090507");
    EXPECT_EQ(room(key)->Message, "hello\n");
  }
  // Without a display name the line takes the room's.
  line("r1", "bob", "again");
  EXPECT_EQ(room("bob")->messages[1].senderdisplayName, "Bob B");
  EXPECT_FALSE(room("carl")->messages[1].senderdisplayName);
  // A line for no known room changes nothing.
  line("r9", "bob", "lost");
  EXPECT_THAT(ev.events, ElementsAre("line bob Bobby: hello\n", "line bob bob: again\n"));
  EXPECT_THAT(ev.lines, ElementsAre("CHAT r1 bob: hello", "CHAT r1 bob: hello", "CHAT r1 bob: again",
                                    "CHAT r1 bob: again"));
}

TEST_F(ChatDeskTest, ALineInANoticeRaisesTheNoticeBannerWithItsTitle) {
  desk.FillChatRoomDetails(Fields{{10, "601"}, {501, "9"}, {502, "n9"}, {161, "Margin rules"}}, std::nullopt);
  desk.FillChatMessages(Fields{{10, "603"}, {502, "n9"}, {506, "m1"}, {504, "office"}, {17, rtf("New rules")}}, "n9");
  EXPECT_EQ(room("9")->MessageId, "m1");
  EXPECT_THAT(ev.events, ElementsAre("notice Margin rules"));
}

TEST_F(ChatDeskTest, RoomHistoryFillsTheTranscriptAndAcknowledgesANotice) {
  recent({{"office", "text", "me", "20240101000000", "9", "n9", "", "Fees", "Back Office"},
          {"bob", "hi", "me;bob", "20240101000000", "4", "r4", "", "", "Bob"}});
  desk.FillRoomMessage(Fields{{10, "616"}, {501, "9"},
                              {17, records({{"m1", "office", rtf("one"), "t1", "Back Office"}, {"bad", "x"},
                                            {"m2", "office", rtf("two"), "t2"}})}});
  const ChatRoomPtr notice = room("9");
  ASSERT_EQ(notice->messages.size(), 2u);
  EXPECT_EQ(notice->messages[0].senderdisplayName, "Back Office");
  EXPECT_FALSE(notice->messages[1].senderdisplayName);
  EXPECT_EQ(notice->MessageId, "m2");
  EXPECT_THAT(ev.takeSent(), ElementsAre("10=608|507=|505=n9\x05m2|504=me|23=me"));
  desk.FillRoomMessage(Fields{{10, "616"}, {501, "4"}, {17, records({{"1", "bob", rtf("hey"), "t"}})}});
  desk.FillRoomMessage(Fields{{10, "616"}, {501, "404"}, {17, records({{"1", "bob", rtf("hey"), "t"}})}});
  EXPECT_EQ(room("4")->messages.at(0).msg, "hey\n");
  EXPECT_FALSE(room("4")->MessageId);
  EXPECT_THAT(ev.events, ElementsAre("notice history 9", "conversation history 4", "conversation history none"));
  EXPECT_THAT(ev.takeSent(), IsEmpty());
}

// ---- contacts and queues in ----

TEST_F(ChatDeskTest, ContactListFillsGroupsUsersAndQueues) {
  const std::string groups = records({{"2", "Dealers", "0"}, {"x"}, {"10", "Traders", "0"}});
  const std::string users = records({{"u1", "anna", "online", "", "2", "1", "", "Anna A"},
                                     {"u2", "bob", "Online now", "", "10", "0", "", "Bob B"},
                                     {"short", "user"},
                                     {"u3", "cy", "ONLINE", "", "77", "1", "", "Cy"}});
  const std::string queues =
      records({{"3", "FX", "1", "yes"}, {"0", "zero", "1"}, {"q", "not a number", "1"}, {"4", "Metals", "0"}});
  desk.FillChatGroupsAndUsers(Fields{{10, "618"}, {522, groups}, {521, users}, {1019, queues}});
  const ChatModel& m = desk.model();
  EXPECT_EQ(m.GroupChatCollection().size(), 2u);
  ASSERT_EQ(m.UserChatCollection().size(), 3u);
  EXPECT_TRUE(m.user("anna")->IsUserOnline && m.user("anna")->IsUserInMyContactList);
  EXPECT_FALSE(m.user("bob")->IsUserOnline);
  EXPECT_TRUE(m.user("cy")->IsUserOnline);
  EXPECT_EQ(m.user("anna")->Group.lock(), m.group("2"));
  EXPECT_EQ(m.group("2")->GroupUsers.count("anna"), 1u);
  EXPECT_TRUE(m.user("cy")->Group.expired());  // no group 77
  ASSERT_EQ(m.ChatQueueCollection().size(), 2u);
  EXPECT_TRUE(m.queue("3")->isAgent && m.queue("3")->isAvailable);
  EXPECT_FALSE(m.queue("4")->isAvailable);

  // A second list: groups are replaced, users and queues only added; users before groups link to
  // nothing.
  desk.UpdateChatResponseFromQueue("3", "1");
  desk.FillChatGroupsAndUsers(Fields{{10, "618"},
                                     {521, records({{"u1", "anna", "offline", "", "2", "1", "", "Renamed"},
                                                    {"u9", "dan", "online", "", "2", "1", "", "Dan"}})},
                                     {522, records({{"2", "Desk", "0"}})},
                                     {1019, records({{"3", "FX again", "0", "0"}})}});
  EXPECT_EQ(m.GroupChatCollection().size(), 1u);
  EXPECT_EQ(m.group("2")->GroupName, "Desk");
  EXPECT_TRUE(m.group("2")->GroupUsers.empty());
  EXPECT_EQ(m.user("anna")->DisplayName, "Anna A");
  EXPECT_TRUE(m.user("anna")->IsUserOnline);
  EXPECT_EQ(m.queue("3")->chartRequestStatus, ChatQueue::kWaiting);
  EXPECT_TRUE(m.queue("3")->isAvailable);
  EXPECT_THAT(ev.lines, ElementsAre("CONTACTS groups=2 users=3", "CONTACTS groups=1 users=4"));
}

TEST_F(ChatDeskTest, StatusChangesReachKnownRecordsAndAlwaysTellTheWindows) {
  desk.FillChatGroupsAndUsers(Fields{{10, "618"},
                                     {521, records({{"u1", "anna", "offline", "", "2", "1", "", "Anna"}})},
                                     {1019, records({{"3", "FX", "1", "0"}})}});
  desk.UpdateChatUserStatus("anna", "Online");
  EXPECT_TRUE(desk.model().user("anna")->IsUserOnline);
  desk.UpdateChatUserStatus("nobody", "online");
  desk.UpdateChatQueueStatus("3", "Y");
  EXPECT_TRUE(desk.model().queue("3")->isAvailable);
  for (const auto& [answer, status] : std::vector<std::pair<std::string, int>>{{"2", 2}, {"5", -1}, {"0", 0}}) {
    desk.UpdateChatResponseFromQueue("3", answer);
    EXPECT_EQ(desk.model().queue("3")->chartRequestStatus, status) << answer;
  }
  desk.UpdateChatQueueStatus("99", "1");
  EXPECT_THAT(ev.events, ElementsAre("user status", "user status", "queue status", "queue status", "queue status",
                                     "queue status", "queue status"));
}

// ---- recent conversations and offline messages in ----

TEST_F(ChatDeskTest, RecentConversationsAreListedApartFromNoticesInDescendingKeyOrder) {
  recent({{"bob", rtf("last {line}"), "me;bob", "t", "9", "r9", "", "", "Bob", "extra"},
          {"carl", "plain", "me;carl", "t", "10", "r10"},
          {"too", "short"},
          {"office", "text", "me", "t", "11", "n11", "", "Fees"}});
  desk.FillChatRoomDetails(Fields{{10, "601"}, {501, "8"}, {504, "dan"}}, std::nullopt);  // confirmed: not recent
  std::vector<std::string> recentKeys;
  for (const ChatRoomPtr& r : desk.model().getrecentChatCollection()) recentKeys.push_back(*r->RoomId);
  EXPECT_THAT(recentKeys, ElementsAre("9", "10"));
  ASSERT_EQ(desk.model().getMessageNoticesCollection().size(), 1u);
  EXPECT_EQ(room("9")->Message, "last {line}\n");
  EXPECT_EQ(room("9")->RoomUserDisplayName, "Bob");
  EXPECT_EQ(room("10")->Message, "plain");
  EXPECT_FALSE(room("10")->RoomUserDisplayName);
  EXPECT_THAT(ev.lines, ElementsAre("NOTICE Fees"));

  // A second reply replaces the rooms of the same ids, transcript and unread mark gone.
  desk.FillRoomMessage(Fields{{10, "616"}, {501, "9"}, {17, records({{"1", "bob", rtf("x"), "t"}})}});
  recent({{"bob", "newer", "me;bob", "t", "9", "r9"}});
  EXPECT_TRUE(room("9")->messages.empty());
}

TEST_F(ChatDeskTest, OfflineMessagesMarkTheirNoticesUnreadWithOneBanner) {
  recent({{"o", "a", "me", "t", "1", "n1", "", "A"},
          {"o", "b", "me", "t", "2", "n2", "", "B"},
          {"o", "c", "me", "t", "3", "n3", "", "C"}});
  desk.FillOfflineMessages(Fields{{10, "614"}, {17, records({{"o", "a", "me", "t", "1", "n1", "", "A", "O"},
                                                             {"o", "b", "me", "t", "2", "n2", "", "B", "O"}})},
                                  {17, records({{"o", "c", "me", "t", "3", "n3", "", "C"}})}});
  for (const char* key : {"1", "2", "3"}) EXPECT_TRUE(room(key)->isanUnreadMessage) << key;
  // Conversations, records of seven fields and rooms not stored count for nothing.
  desk.FillOfflineMessages(Fields{{10, "614"}, {17, records({{"o", "a", "me", "t", "1", "n1", "", "", "O"},
                                                             {"o", "a", "me", "t", "1", "n1", "x"},
                                                             {"o", "a", "me", "t", "404", "n", "", "X", "O"}})}});
  EXPECT_THAT(ev.events, ElementsAre("offline 3"));
  EXPECT_TRUE(desk.markNoticeRead("1"));
  EXPECT_FALSE(room("1")->isanUnreadMessage);
  EXPECT_FALSE(desk.markNoticeRead("404"));
}

// ---- sending ----

TEST_F(ChatDeskTest, ALineToAConfirmedRoomIsOneChatMessage) {
  desk.CreateRoomforChat("bob");
  confirm("bob", "55", "r55");
  ev.events.clear();
  EXPECT_EQ(desk.SendChat("bob", "a {b} \\ \xe4\xb8\xad"), ChatDesk::SendResult::Sent);
  EXPECT_THAT(ev.takeSent(),
              ElementsAre("10=603|501=55|504=me|502=r55|17=" + rtf("a {b} \\ \xe4\xb8\xad")));
}

TEST_F(ChatDeskTest, LinesBeforeTheConfirmationWaitInOrderBehindOneRoomRequest) {
  desk.CreateRoomforChat("bob");
  EXPECT_EQ(desk.SendChat("bob", "one"), ChatDesk::SendResult::Waiting);
  EXPECT_EQ(desk.SendChat("bob", "two"), ChatDesk::SendResult::Waiting);
  EXPECT_EQ(desk.SendChat("bob", "three"), ChatDesk::SendResult::Waiting);
  EXPECT_THAT(ev.takeSent(), ElementsAre("10=601|20=42|503=bob|530=0|504=me"));
  // The partner's line arrives before the confirmation; it is never sent back.
  confirm("bob", "55", "r55");
  line("r55", "bob", "partner line");
  EXPECT_THAT(ev.takeSent(), ElementsAre("10=603|501=55|504=me|502=r55|17=" + rtf("one"),
                                         "10=603|501=55|504=me|502=r55|17=" + rtf("two"),
                                         "10=603|501=55|504=me|502=r55|17=" + rtf("three")));
  // A second confirmation sends nothing again.
  confirm("bob", "55", "r55");
  EXPECT_THAT(ev.takeSent(), IsEmpty());
  EXPECT_TRUE(room("bob")->pendingTexts.empty());
}

TEST_F(ChatDeskTest, AnUnansweredRoomRequestGivesUpItsTextsAndTheNextLineAsksAgain) {
  desk.SendChat("bob", "one");
  desk.SendChat("bob", "two");
  EXPECT_EQ(ev.takeSent().size(), 1u);
  queue.advance(ChatDesk::kRoomRequestTimeout - std::chrono::milliseconds(1));
  EXPECT_THAT(ev.events, IsEmpty());
  queue.advance(std::chrono::milliseconds(1));
  EXPECT_THAT(ev.events, ElementsAre("not sent bob: one|two"));
  EXPECT_TRUE(room("bob")->pendingTexts.empty());
  // The next line asks again; a late answer sends only what waits now.
  EXPECT_EQ(desk.SendChat("bob", "three"), ChatDesk::SendResult::Waiting);
  EXPECT_EQ(desk.SendChat("bob", "four"), ChatDesk::SendResult::Waiting);
  confirm("bob", "55", "r55");
  EXPECT_THAT(ev.takeSent(), ElementsAre("10=601|20=42|503=bob|530=0|504=me",
                                         "10=603|501=55|504=me|502=r55|17=" + rtf("three"),
                                         "10=603|501=55|504=me|502=r55|17=" + rtf("four")));
  // An answered request has no time-out left.
  queue.advance(ChatDesk::kRoomRequestTimeout);
  EXPECT_EQ(ev.events.size(), 2u);
}

TEST_F(ChatDeskTest, ALineForAConversationWithoutRoomMakesTheRoomAndIsKept) {
  EXPECT_EQ(desk.SendChat("carol", "first"), ChatDesk::SendResult::Waiting);
  ASSERT_TRUE(room("carol"));
  EXPECT_EQ(room("carol")->Message, "first");
  EXPECT_EQ(room("carol")->SenderName, "me");
  confirm("carol", "60", "r60");
  EXPECT_THAT(ev.takeSent(), ElementsAre("10=601|20=42|503=carol|530=0|504=me",
                                         "10=603|501=60|504=me|502=r60|17=" + rtf("first")));
}

TEST_F(ChatDeskTest, LinesWithSeparatorBytesAreRefusedAndNothingIsKept) {
  for (char c = '\x01'; c <= '\x07'; ++c) {
    EXPECT_EQ(desk.SendChat("bob", std::string("a") + c + "b"), ChatDesk::SendResult::SeparatorBytes) << int(c);
    EXPECT_EQ(desk.SendChatQueueRequest("3", std::string("a") + c), ChatDesk::SendResult::SeparatorBytes) << int(c);
  }
  EXPECT_EQ(desk.SendChat("bo\x05" "b", "fine"), ChatDesk::SendResult::SeparatorBytes);
  EXPECT_EQ(desk.SendChat("", "fine"), ChatDesk::SendResult::NoConversation);
  EXPECT_THAT(ev.takeSent(), IsEmpty());
  EXPECT_TRUE(desk.model().ChatRoomCollection().empty());
  EXPECT_NE(ChatDesk::describe(ChatDesk::SendResult::SeparatorBytes), "");
}

TEST_F(ChatDeskTest, WhatTheTransportRefusesIsNeverLostNorSentTwice) {
  ev.accept = false;
  EXPECT_EQ(desk.SendChat("bob", "one"), ChatDesk::SendResult::NotSent);
  EXPECT_TRUE(room("bob")->pendingTexts.empty());
  ev.accept = true;
  EXPECT_EQ(desk.SendChat("bob", "two"), ChatDesk::SendResult::Waiting);
  EXPECT_EQ(ev.takeSent().size(), 1u);  // the room request, sent again
  // The connection drops as the confirmation arrives: the texts wait for the next line.
  ev.accept = false;
  confirm("bob", "55", "r55");
  EXPECT_EQ(room("bob")->pendingTexts.size(), 1u);
  ev.accept = true;
  EXPECT_EQ(desk.SendChat("bob", "three"), ChatDesk::SendResult::Sent);
  EXPECT_THAT(ev.takeSent(), ElementsAre("10=603|501=55|504=me|502=r55|17=" + rtf("two"),
                                         "10=603|501=55|504=me|502=r55|17=" + rtf("three")));
}

TEST_F(ChatDeskTest, ARoomFromTheServerTakesOverTheTextsWaitingUnderItsKey) {
  // The user writes to a queue before the dealer has opened its room.
  desk.FillChatGroupsAndUsers(Fields{{10, "618"}, {1019, records({{"3", "FX", "1", "1"}})}});
  EXPECT_EQ(desk.SendChat("3", "hello desk"), ChatDesk::SendResult::Waiting);
  ev.takeSent();
  desk.FillChatRoomDetails(Fields{{10, "601"}, {501, "70"}, {502, "q70"}, {503, "me;dealer"}, {504, "dealer"},
                                  {1026, "3"}},
                           "me;dealer");
  EXPECT_THAT(ev.takeSent(), ElementsAre("10=603|501=70|504=me|502=q70|17=" + rtf("hello desk")));
  EXPECT_TRUE(room("3")->pendingTexts.empty());
  EXPECT_EQ(desk.SendChat("3", "next"), ChatDesk::SendResult::Sent);
}

TEST_F(ChatDeskTest, QueueRequestNamesTheQueueAndTheFirstAccount) {
  desk.FillChatGroupsAndUsers(Fields{{10, "618"}, {1019, records({{"3", "FX", "1", "1"}})}});
  EXPECT_EQ(desk.SendChatQueueRequest("3", "Hi"), ChatDesk::SendResult::Sent);
  EXPECT_THAT(ev.takeSent(), ElementsAre("10=678|1026=3|34=1001|17=" + rtf("Hi") + "|20=42|530=0|504=me"));
  EXPECT_EQ(desk.SendChatQueueRequest("9", "Hi"), ChatDesk::SendResult::NoConversation);
  ev.account.reset();
  EXPECT_EQ(desk.SendChatQueueRequest("3", "Hi"), ChatDesk::SendResult::NoAccount);
  EXPECT_THAT(ev.takeSent(), IsEmpty());
  // The queue's state changes only with the server's answer.
  EXPECT_EQ(desk.model().queue("3")->chartRequestStatus, ChatQueue::kNoRequest);
}

TEST_F(ChatDeskTest, HistoryAndAcknowledgementRequestsNeedAKnownRoomWithItsValues) {
  recent({{"office", "text", "me", "t", "9", "n9", "", "Fees"}, {"bob", "x", "me;bob", "t", "4"}});
  EXPECT_FALSE(desk.requestRoomMessage("404"));
  EXPECT_FALSE(desk.requestRoomMessage("4"));                 // no room name
  EXPECT_FALSE(desk.requestChatMessageAcknowledgement("9"));  // no message id yet
  EXPECT_TRUE(desk.requestRoomMessage("9"));
  EXPECT_THAT(ev.takeSent(), ElementsAre("10=615|23=me|502=n9|501=9|504=me"));
}

}  // namespace
}  // namespace td::testing
