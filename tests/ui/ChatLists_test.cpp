// The chat family's lists against a session: the contacts outline, the support queues, the
// transcript lines, the recent conversations and the notices with their double-click decisions.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ChatTestFixture.h"
#include "ui/chat/ChatItems.h"
#include "ui/chat/ChatQueueTableViewController.h"
#include "ui/chat/ContactsOutlineViewController.h"
#include "ui/chat/MessagesWindowController.h"
#include "ui/chat/RecentConversationWindowController.h"

namespace td::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using chat::StatusImage;

std::vector<std::string> column(const QAbstractItemModel& model, int column, const QModelIndex& parent = {}) {
  std::vector<std::string> texts;
  for (int row = 0; row < model.rowCount(parent); ++row)
    texts.push_back(model.index(row, column, parent).data().toString().toStdString());
  return texts;
}

StatusImage statusOf(const QModelIndex& index) {
  return static_cast<StatusImage>(index.data(chat::StatusImageRole).toInt());
}

class RecordingContacts final : public chat::ContactsViewDelegate {
 public:
  void userSelectedAtIndex(const std::optional<std::string>& user, const std::optional<std::string>& name) override {
    chosen.push_back(user.value_or("-") + " " + name.value_or("-"));
  }
  std::vector<std::string> chosen;
};

class RecordingQueues final : public chat::ChatQueueViewDelegate {
 public:
  void ChatSupportSelectedAtIndex(const ChatQueue* queue) override { chosen.push_back(queue ? queue->QueueId : "-"); }
  std::vector<std::string> chosen;
};

// ---- contacts ----

TEST_F(ChatSessionTest, ContactsAreGroupedAndSortedAsAFileBrowserSortsNames) {
  contactList({{"10", "Ten"}, {"2", "Two"}, {"5", "Empty"}},
              {{"Bob", "Bob B", "2", "online"}, {"anna", "Anna A", "2", "offline"}, {"x10", "X10", "10", "online"},
               {"x9", "X9", "10", "online"}, {"lost", "Lost", "77", "online"}},
              {});
  chat::ContactsOutlineViewController outline;
  outline.buildTree();
  EXPECT_THAT(column(outline, 0), ElementsAre("Two", "Empty", "Ten"));
  const QModelIndex two = outline.index(0, 0);
  EXPECT_THAT(column(outline, 0, two), ElementsAre("Anna A", "Bob B"));
  EXPECT_THAT(column(outline, 0, outline.index(2, 0)), ElementsAre("X9", "X10"));
  EXPECT_EQ(outline.rowCount(outline.index(1, 0)), 0) << "a group without users is shown empty";
  EXPECT_TRUE(outline.hasChildren(outline.index(1, 0)));
  EXPECT_FALSE(outline.indexOfUser("lost").isValid()) << "a user of no known group is not shown";
  EXPECT_EQ(statusOf(two), StatusImage::NoImage);
  EXPECT_TRUE(two.data(chat::GroupRowRole).toBool());
  EXPECT_EQ(statusOf(outline.indexOfUser("anna")), StatusImage::StatusNone);
  EXPECT_EQ(statusOf(outline.indexOfUser("Bob")), StatusImage::StatusAvailable);
  EXPECT_EQ(outline.parent(outline.indexOfUser("Bob")), two);

  // Choosing: the first row does nothing, a user hands over its names, another group its name only.
  RecordingContacts chosen;
  outline.setContactsDelegate(&chosen);
  outline.outlineViewSelectionIsChanging(two);
  outline.outlineViewSelectionIsChanging(outline.indexOfUser("anna"));
  outline.outlineViewSelectionIsChanging(outline.index(2, 0));
  outline.outlineViewSelectionIsChanging(QModelIndex());
  EXPECT_THAT(chosen.chosen, ElementsAre("anna Anna A", "- Ten"));
}

TEST_F(ChatSessionTest, AStatusChangeTurnsTheDotWithoutRebuildingTheTree) {
  standardContacts();
  chat::ContactsOutlineViewController outline;
  outline.buildTree();
  const QModelIndex dealer2 = outline.indexOfUser("dealer2");
  int resets = 0, changes = 0;
  QObject::connect(&outline, &QAbstractItemModel::modelReset, [&] { ++resets; });
  QObject::connect(&outline, &QAbstractItemModel::dataChanged, [&] { ++changes; });
  receive({{10, "619"}, {23, "dealer2"}, {24, "Online"}});
  outline.UpdateChatUserOnlineStatus();
  EXPECT_EQ(statusOf(dealer2), StatusImage::StatusAvailable);
  receive({{10, "619"}, {23, "dealer2"}, {24, "away"}});
  outline.UpdateChatUserOnlineStatus();
  EXPECT_EQ(statusOf(outline.indexOfUser("dealer2")), StatusImage::StatusNone);
  EXPECT_EQ(outline.indexOfUser("dealer2"), dealer2);
  EXPECT_EQ(resets, 0);
  EXPECT_EQ(changes, 2);
}

// ---- support queues ----

TEST_F(ChatSessionTest, QueuesShowTheirNameAvailabilityAndAWaitingRequest) {
  chat::ChatQueueTableViewController queues;
  queues.reloadChatQueueTableView();
  EXPECT_EQ(queues.rowCount(), 0);
  standardContacts();
  queues.reloadChatQueueTableView();
  EXPECT_THAT(column(queues, 0), ElementsAre("FX Support", "Metals"));
  EXPECT_EQ(statusOf(queues.index(0, 0)), StatusImage::StatusAvailable);
  EXPECT_EQ(statusOf(queues.index(1, 0)), StatusImage::StatusNone);
  receive({{10, "679"}, {1026, "2"}, {572, "1"}});
  queues.reloadChatQueueTableView();
  EXPECT_THAT(column(queues, 0), ElementsAre("FX Support", "Waiting for acceptance"));
  EXPECT_EQ(statusOf(queues.index(1, 0)), StatusImage::StatusPartiallyAvailable);
  EXPECT_EQ(queues.flags(queues.index(1, 0)), Qt::ItemIsEnabled);

  // A waiting queue is not handed over, one not available is; a cleared selection reports nothing.
  RecordingQueues chosen;
  queues.setChatqueueDelegate(&chosen);
  queues.tableViewSelectionDidChange(1);
  queues.tableViewSelectionDidChange(-1);
  receive({{10, "679"}, {1026, "2"}, {572, "5"}});
  queues.tableViewSelectionDidChange(1);
  queues.tableViewSelectionDidChange(0);
  EXPECT_THAT(chosen.chosen, ElementsAre("2", "1"));
}

// ---- transcript lines ----

TEST(TranscriptLine, NamesTheSenderWithA12HourTimeAndColoursOnlyTheHead) {
  ChatMessageEntry entry{"price\tplease\n", "alice", std::string("Alice A"), "20240302130509"};
  chat::TranscriptLine line = chat::transcriptLine(entry, "alice");
  EXPECT_EQ(line.text, "Alice A[02/03/2024 01:05:09 PM]:\tprice\tplease");
  EXPECT_EQ(line.text.substr(0, line.headBytes), "Alice A[02/03/2024 01:05:09 PM]:");
  EXPECT_TRUE(line.own);
  entry.senderdisplayName.reset();
  for (const char* time : {"", "00010101000000", "garbage"}) {
    entry.time = time;
    line = chat::transcriptLine(entry, "bob");
    EXPECT_EQ(line.text, "alice[]:\tprice\tplease") << time;
    EXPECT_FALSE(line.own);
  }
}

// ---- recent conversations ----

class RecentConversationsTest : public ChatSessionTest {
 protected:
  RecentConversationsTest() {
    list.openTranscript = [this](const std::string& key) { opened.push_back(key); };
    receive({{10, "627"},
             {17, testing::records({{"bob", Formatter::ConvertStringtoRTF("see you"), "alice;bob", "t", "9", "r9", "",
                                     "", "Bob B"},
                                    {"carl", "plain", "alice;carl", "t", "10", "r10"},
                                    {"office", "notice", "alice", "t", "11", "n11", "", "Fees"}})}});
  }
  chat::RecentConversationWindowController list;
  std::vector<std::string> opened;
};

TEST_F(RecentConversationsTest, ListsConversationsByPartnerAndOpensTheirTranscripts) {
  // Read when the list arrived; notices are not listed, a missing display name gives the sender.
  EXPECT_THAT(column(list, 0), ElementsAre("Bob B", "carl"));
  EXPECT_THAT(column(list, 1), ElementsAre("see you", "plain"));
  EXPECT_EQ(list.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "Sender");

  // Without its lines: asked for once, opened when they arrive; with them: opened at once.
  list.doubleAction(0);
  list.doubleAction(0);
  EXPECT_THAT(sent(), ElementsAre(HasSubstr("10=615|23=alice|502=r9|501=9")));
  EXPECT_THAT(opened, IsEmpty());
  receive({{10, "616"}, {501, "9"}, {17, testing::records({{"1", "bob", Formatter::ConvertStringtoRTF("see you"),
                                                            "20240302130509", "Bob B"}})}});
  list.doubleAction(0);
  list.doubleAction(-1);
  list.doubleAction(2);
  EXPECT_THAT(opened, ElementsAre("9", "9"));
  EXPECT_THAT(sent(), IsEmpty());

  chat::ChatMessageWindowController transcript;
  transcript.showWindow("9");
  EXPECT_EQ(transcript.title(), "Bob B");
  ASSERT_EQ(transcript.transcript().rowCount(), 1);
  EXPECT_EQ(transcript.transcript().lines()[0].text, "Bob B[02/03/2024 01:05:09 PM]:\tsee you");
  transcript.showWindow("10");
  EXPECT_EQ(transcript.title(), "carl");
  EXPECT_EQ(transcript.transcript().rowCount(), 0);
}

TEST_F(RecentConversationsTest, ATranscriptThatCannotBeAskedForIsTold) {
  transport->connected = false;
  list.doubleAction(1);
  EXPECT_THAT(alerts->calls,
              ElementsAre("Chat|The conversation could not be fetched: the connection to the server is not available."));
  transport->connected = true;
  list.doubleAction(1);
  EXPECT_THAT(sent(), ElementsAre(HasSubstr("10=615"), HasSubstr("10=615"))) << "a refused request may be retried";
}

// ---- notices ----

class NoticesTest : public ChatSessionTest {
 protected:
  NoticesTest() {
    messages.openNotice = [this](const std::string& key) { opened.push_back(key); };
    messages.deselectAll = [this] { ++deselected; };
    const auto notice = [](const std::string& id, const std::string& subject, const std::string& time) {
      return std::vector<std::string>{"office", Formatter::ConvertStringtoRTF(subject + " text"), "alice", time, id,
                                      "n" + id, "", subject, "Back Office"};
    };
    receive({{10, "627"}, {17, testing::records({notice("11", "Fees", "20240302130509"), notice("12", "Hours", "")})}});
    receive({{10, "614"}, {17, testing::records({notice("11", "Fees", "20240302130509")})}});
  }
  std::vector<bool> unread() const {
    std::vector<bool> marks;
    for (int row = 0; row < messages.rowCount(); ++row) marks.push_back(messages.index(row, 0).data(chat::UnreadRole).toBool());
    return marks;
  }

  chat::MessagesWindowController messages;
  std::vector<std::string> opened;
  int deselected = 0;
};

TEST_F(NoticesTest, ListsNoticesNewestKeyFirstWithTheUnreadInBold) {
  EXPECT_THAT(column(messages, 0), ElementsAre("Hours", "Fees"));
  EXPECT_THAT(column(messages, 1), ElementsAre("Hours text", "Fees text"));
  EXPECT_THAT(column(messages, 2), ElementsAre("", "03/02/2024 13:05:09"));
  EXPECT_THAT(unread(), ElementsAre(false, true)) << "the offline marks are read again";
  EXPECT_EQ(deselected, 2);
}

TEST_F(NoticesTest, ANoticeWithoutItsTextIsAskedForAndAcknowledgedWhenItArrivesAndAtEachReading) {
  messages.doubleAction(1);
  EXPECT_THAT(unread(), ElementsAre(false, false)) << "the bold goes at once";
  EXPECT_THAT(sent(), ElementsAre(HasSubstr("10=615|23=alice|502=n11|501=11")));
  EXPECT_THAT(opened, IsEmpty());
  receive({{10, "616"}, {501, "11"},
           {17, testing::records({{"m11", "office", Formatter::ConvertStringtoRTF("Fees rise"), "20240303080000"}})}});
  EXPECT_THAT(sent(), ElementsAre(HasSubstr("10=608|507=|505=n11\x05m11")));
  messages.doubleAction(1);
  EXPECT_THAT(opened, ElementsAre("11", "11"));
  EXPECT_THAT(sent(), ElementsAre(HasSubstr("10=608|507=|505=n11\x05m11"))) << "read or unread, each reading";

  const auto viewer = chat::NoticeMessageWindowController::showWindow("11");
  ASSERT_TRUE(viewer);
  EXPECT_EQ(viewer->subject, "Subject: Fees");
  EXPECT_EQ(viewer->time, "Time: 03/03/2024 08:00:00");
  EXPECT_EQ(viewer->text, "Fees rise\n");
  EXPECT_FALSE(chat::NoticeMessageWindowController::showWindow("12")) << "its text is not at hand";
  EXPECT_FALSE(chat::NoticeMessageWindowController::showWindow("9"));
}

TEST_F(NoticesTest, ALiveNoticeIsListedUnreadAndEachReadingIsAcknowledged) {
  receive({{10, "601"}, {501, "20"}, {502, "n20"}, {504, "office"}, {161, "Outage"}});
  receive({{10, "603"}, {501, "20"}, {502, "n20"}, {504, "office"}, {506, "m20"}, {21, "20240304090000"},
           {17, Formatter::ConvertStringtoRTF("Down at noon")}});
  EXPECT_THAT(column(messages, 0), ElementsAre("Outage", "Hours", "Fees"));
  EXPECT_THAT(unread(), ElementsAre(true, false, true));
  messages.doubleAction(0);
  messages.doubleAction(0);
  EXPECT_THAT(sent(), ElementsAre(HasSubstr("10=608|507=|505=n20\x05m20"), HasSubstr("10=608|507=|505=n20\x05m20")));
  EXPECT_THAT(opened, ElementsAre("20", "20"));
  messages.doubleAction(-1);
  messages.doubleAction(3);
  EXPECT_THAT(opened, ElementsAre("20", "20"));
}

}  // namespace
}  // namespace td::test
