#include "wire/ChatRequests.h"

#include <gtest/gtest.h>

#include "MessageTestSupport.h"
#include "platform/Log.h"

namespace td::testing {
namespace {

SessionValues session() { return {"alice", std::string("R77"), 41, "20240102030405"}; }

#define TAIL "19=R77" S "21=20240102030405" S

class ChatRequestsTest : public RequestTest {};

TEST_F(ChatRequestsTest, ContactListHasSixFieldsWithOptionBetweenTheUserNames) {
  EXPECT_TRUE(ChatRequests::requestContactlist(messageBase, session()));
  EXPECT_EQ(sentEnveloped(false), asciiFrame("10=617" S "23=alice" S "520=1" S "504=alice" S TAIL));
}

TEST_F(ChatRequestsTest, RecentConversationsAndOfflineMessagesHaveFiveFields) {
  EXPECT_TRUE(ChatRequests::requestRecentConversation(messageBase, session()));
  EXPECT_EQ(sentEnveloped(false), asciiFrame("10=626" S "23=alice" S "504=alice" S TAIL));
  sink.sent.clear();
  EXPECT_TRUE(ChatRequests::requestOfflineMessages(messageBase, session()));
  EXPECT_EQ(sentEnveloped(false), asciiFrame("10=613" S "23=alice" S "504=alice" S TAIL));
}

TEST_F(ChatRequestsTest, NewRoomCarriesNextRequestIdAndNoUserNameTag) {
  EXPECT_TRUE(ChatRequests::SendRoomRequest(messageBase, session(), "bob"));
  EXPECT_EQ(sentEnveloped(false), asciiFrame("10=601" S "20=42" S "503=bob" S "530=0" S "504=alice" S TAIL));
  sink.sent.clear();
  // A second room before the counter changes carries the same id.
  ChatRequests::SendRoomRequest(messageBase, session(), "carol");
  EXPECT_NE(sentEnveloped(false).find("\x03" "20=42" "\x03"), std::string::npos);
}

TEST_F(ChatRequestsTest, ChatMessageCarriesRoomAndTextWithoutUserNameTag) {
  EXPECT_TRUE(ChatRequests::SendNewChatMessageToServer(messageBase, session(), "hello", std::string("55"),
                                                       std::string("alice_bob")));
  EXPECT_EQ(sentEnveloped(false),
            asciiFrame("10=603" S "501=55" S "504=alice" S "502=alice_bob" S "17=hello" S TAIL));
}

TEST_F(ChatRequestsTest, RoomMessagesCarryRoomNameThenRoomId) {
  EXPECT_TRUE(ChatRequests::requestRoomMessage(messageBase, session(), {"55", "alice_bob", std::nullopt}));
  EXPECT_EQ(sentEnveloped(false),
            asciiFrame("10=615" S "23=alice" S "502=alice_bob" S "501=55" S "504=alice" S TAIL));
}

TEST_F(ChatRequestsTest, AcknowledgementHasEmptyTag507AndRoomNameAndMessageIdJoinedBy05) {
  EXPECT_TRUE(ChatRequests::requestChatMessageAcknowledgement(messageBase, session(), {"55", "notice_1", "9001"}));
  EXPECT_EQ(sentEnveloped(false),
            asciiFrame("10=608" S "507=" S "505=notice_1\x05" "9001" S "504=alice" S "23=alice" S TAIL));
}

TEST_F(ChatRequestsTest, AcknowledgementOfRoomWithoutMessageIdWritesNullInsideTheReference) {
  EXPECT_EQ(ChatRequests::messageReference({std::nullopt, "notice_1", std::nullopt}), "notice_1\x05(null)");
}

TEST_F(ChatRequestsTest, QueueRequestCarriesQueueAccountAndTextWithoutUserNameTag) {
  EXPECT_TRUE(ChatRequests::SendChatQueueRequest(messageBase, session(), std::string("Q3"), std::string("1001"), "Hi"));
  EXPECT_EQ(sentEnveloped(false), asciiFrame("10=678" S "1026=Q3" S "34=1001" S "17=Hi" S "20=42" S "530=0" S
                                             "504=alice" S TAIL));
}

TEST_F(ChatRequestsTest, QueueRequestWithoutAnyAccountIsNotSentAndSaysWhy) {
  std::vector<std::string> lines;
  log::setSink([&](log::Level, std::string_view text) { lines.emplace_back(text); });
  EXPECT_FALSE(ChatRequests::SendChatQueueRequest(messageBase, session(), std::string("Q3"), std::nullopt, "Hi"));
  log::setSink({});
  EXPECT_TRUE(sink.sent.empty());
  EXPECT_EQ(lines.size(), 1u);
  EXPECT_TRUE(messageBase.messageDataDictionary().empty());
}

TEST_F(ChatRequestsTest, ChatTextWithAccentCountsUtf16UnitsInTheFrameLength) {
  ChatRequests::SendNewChatMessageToServer(messageBase, session(), "caf\xC3\xA9", std::string("55"),
                                           std::string("r"));
  // 10=603|501=55|504=alice|502=r|17=café|19=R77|21=20240102030405| is 63 characters, 64 bytes.
  const std::string inner = sentEnveloped(false);
  EXPECT_EQ(inner.substr(0, 4), "\x01" "63\x03");
  EXPECT_EQ(inner.size(), 1 + 2 + 1 + 64 + 1u);
}

}  // namespace
}  // namespace td::testing
