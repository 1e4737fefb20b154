#include "wire/MessageBase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>
#include <thread>

#include "MessageTestSupport.h"
#include "platform/Log.h"
#include "wire/DataSetRequests.h"
#include "wire/RequestCatalogue.h"
#include "wire/SessionRequests.h"

namespace td::testing {
namespace {

class LogCapture {
 public:
  LogCapture() {
    log::setSink([this](log::Level level, std::string_view text) {
      lines.emplace_back(text);
      levels.push_back(level);
    });
  }
  ~LogCapture() { log::setSink({}); }
  std::vector<std::string> lines;
  std::vector<log::Level> levels;
};

class MessageBaseTest : public RequestTest {};

// ---- body and frame ----

TEST_F(MessageBaseTest, PingOfTheWorkedExampleIsA31CharacterBodyIn36Bytes) {
  auto r = messageBase.beginRequest(1018);
  r.set(10, std::int64_t{1018}).set(20, std::int64_t{5}).set(21, "20240102030405");
  EXPECT_TRUE(r.BuildMessage());
  const std::string inner = sentEnveloped(false);
  EXPECT_EQ(inner, "\x01" "31\x03" "10=1018\x03" "20=5\x03" "21=20240102030405\x03" "\x02");
  EXPECT_EQ(inner.size(), 36u);
}

TEST_F(MessageBaseTest, FrameLengthCountsUtf16UnitsNotBytes) {
  EXPECT_EQ(MessageBase::utf16Length("abc"), 3u);
  EXPECT_EQ(MessageBase::utf16Length("\xC3\xA9"), 1u);          // e acute: 2 bytes, 1 unit
  EXPECT_EQ(MessageBase::utf16Length("\xE2\x82\xAC"), 1u);      // euro sign: 3 bytes, 1 unit
  EXPECT_EQ(MessageBase::utf16Length("\xF0\x9F\x98\x80"), 2u);  // beyond the BMP: a surrogate pair
  std::string frame;
  EXPECT_EQ(MessageBase::writeFrame("17=\xC3\xA9\x03", frame), 5u);
  EXPECT_EQ(frame, "\x01" "5\x03" "17=\xC3\xA9\x03" "\x02");
}

TEST_F(MessageBaseTest, MissingTagReadsNullAndEmptyTextReadsNothing) {
  auto r = messageBase.beginRequest(1018);
  r.set(10, std::int64_t{1018}).set(21, "");
  r.BuildMessage();
  EXPECT_EQ(sentEnveloped(false), "\x01" "22\x03" "10=1018\x03" "20=(null)\x03" "21=\x03" "\x02");
}

TEST_F(MessageBaseTest, TagsStoredOutOfOrderAreWrittenInTheTypesOrderAndExtraTagsAreLeftOut) {
  auto r = messageBase.beginRequest(1018);
  r.set(21, "t").set(999, "extra").set(20, std::int64_t{9}).set(10, std::int64_t{1018}).set(20, std::int64_t{8});
  r.BuildMessage();
  EXPECT_EQ(sentEnveloped(false), asciiFrame("10=1018" S "20=8" S "21=t" S));
}

// ---- dispatch ----

struct Unlisted {
  int type;
  int neworder;
  int edit;
  int dataset;
};

TEST_F(MessageBaseTest, TypesAndSubKindsOutsideTheCatalogueSendNothingAndEmptyTheDictionary) {
  const Unlisted cases[] = {{0, 0, 0, 0},  {33, 0, 0, 0},    {76, 0, 0, 0},    {60, 2, 0, 0},
                            {60, -1, 0, 0}, {72, 0, 3, 0},   {1023, 0, 0, 6},  {1023, 0, 0, -1}};
  for (const Unlisted& c : cases) {
    auto r = messageBase.beginRequest(c.type);
    r.setNeworderrequestType(c.neworder);
    r.setEditorderrequestType(c.edit);
    r.setDsrequestType(c.dataset);
    r.set(10, std::int64_t{c.type}).set(20, "1");
    EXPECT_FALSE(r.BuildMessage()) << c.type;
    EXPECT_TRUE(messageBase.messageDataDictionary().empty()) << c.type;
  }
  EXPECT_TRUE(sink.sent.empty());
}

TEST_F(MessageBaseTest, SubKindFieldsKeepTheirValueUntilSetAgain) {
  auto r = messageBase.beginRequest(1023);
  r.setDsrequestType(4);
  r.BuildMessage();
  auto r2 = messageBase.beginRequest(1023);
  EXPECT_EQ(messageBase.dsrequestType(), 4);
  r2.set(10, std::int64_t{1023});
  EXPECT_TRUE(r2.BuildMessage());
  EXPECT_EQ(sink.sent.back().frame.find("151=(null)\x03" "152=(null)\x03" "153=(null)\x03" "34="), 13u);
}

TEST(RequestCatalogueTest, EveryRowStartsWithTheTypeTagAndHasTheListedFieldCount) {
  const std::map<std::pair<int, int>, std::size_t> counts = {
      {{32, 0}, 12},  {{37, 0}, 7},   {{60, 0}, 24},  {{60, 1}, 23},  {{72, 0}, 25},  {{72, 1}, 25},
      {{72, 2}, 25},  {{77, 0}, 22},  {{601, 0}, 7},  {{603, 0}, 7},  {{608, 0}, 7},  {{613, 0}, 5},
      {{615, 0}, 7},  {{617, 0}, 6},  {{626, 0}, 5},  {{678, 0}, 9},  {{1018, 0}, 3}, {{1023, 0}, 9},
      {{1023, 1}, 11}, {{1023, 2}, 13}, {{1023, 3}, 12}, {{1023, 4}, 11}, {{1023, 5}, 11}, {{1026, 0}, 18},
      {{1040, 0}, 8}, {{1052, 0}, 7}};
  std::set<std::pair<int, int>> seen;
  for (const RequestKind& row : RequestCatalogue::all()) {
    const std::pair<int, int> key{row.type, row.subKind};
    EXPECT_TRUE(seen.insert(key).second) << row.builder;
    ASSERT_TRUE(counts.count(key)) << row.builder;
    EXPECT_EQ(row.tags.size(), counts.at(key)) << row.builder;
    EXPECT_EQ(row.tags.front(), 10) << row.builder;
    EXPECT_EQ(std::set<int>(row.tags.begin(), row.tags.end()).size(), row.tags.size()) << row.builder;
    EXPECT_EQ(row.transport == RequestTransport::ZeroMq, row.type == 1023 || row.type == 1040) << row.builder;
    EXPECT_EQ(row.initial, row.type == 32 || row.type == 1026) << row.builder;
  }
  EXPECT_EQ(seen.size(), counts.size());
}

TEST(RequestCatalogueTest, WorkingOrderCancelAndModifySelectTheSameBuilder) {
  const RequestKind* cancel = RequestCatalogue::find(72, 0, 1, 0);
  const RequestKind* modify = RequestCatalogue::find(72, 0, 2, 0);
  ASSERT_TRUE(cancel && modify);
  EXPECT_EQ(cancel->builder, "BuildEditWorkingOrderRequestMessage");
  EXPECT_EQ(cancel->builder, modify->builder);
  EXPECT_TRUE(std::equal(cancel->tags.begin(), cancel->tags.end(), modify->tags.begin(), modify->tags.end()));
  EXPECT_EQ(RequestCatalogue::find(72, 0, 0, 0)->builder, "BuildEditBracketOrderRequestMessage");
  EXPECT_EQ(RequestCatalogue::find(60, 1, 9, 9)->builder, "BuildOffsetOrderRequestMessage");
  EXPECT_EQ(RequestCatalogue::find(1023, 9, 9, 1)->builder, "BuildEqityHitDSRequest");
  EXPECT_EQ(RequestCatalogue::find(1026, 0, 0, 0)->label, "DemoUserCreationRequestMessage");
  EXPECT_TRUE(RequestCatalogue::find(1018, 0, 0, 0)->label.empty());
}

// ---- the dictionary after every build ----

TEST_F(MessageBaseTest, DictionaryIsEmptyAfterSuccessRefusalAndAbandonedRequest) {
  SessionRequests::pingToserver(messageBase, 1, "t");
  EXPECT_TRUE(messageBase.messageDataDictionary().empty());

  sink.accept = false;
  EXPECT_FALSE(SessionRequests::pingToserver(messageBase, 1, "t"));
  EXPECT_TRUE(messageBase.messageDataDictionary().empty());

  {
    auto r = messageBase.beginRequest(1018);
    r.set(10, std::int64_t{1018});
    EXPECT_FALSE(messageBase.messageDataDictionary().empty());
  }
  EXPECT_TRUE(messageBase.messageDataDictionary().empty());
}

TEST_F(MessageBaseTest, SecondBuildOfOneRequestSendsNothing) {
  auto r = messageBase.beginRequest(1018);
  r.set(10, std::int64_t{1018});
  EXPECT_TRUE(r.BuildMessage());
  EXPECT_FALSE(r.BuildMessage());
  EXPECT_EQ(sink.sent.size(), 1u);
}

class ThrowingSink : public MessageSink {
 public:
  bool SendMessage(std::string_view, bool) override { throw std::runtime_error("socket gone"); }
};

TEST(MessageBaseHandOff, ExceptionFromTheTransportIsCaughtLoggedOnceAndLeavesTheDictionaryEmpty) {
  ThrowingSink sink;
  MessageBase messageBase(sink, [] { return std::string("k"); });
  LogCapture log;
  EXPECT_FALSE(SessionRequests::pingToserver(messageBase, 1, "t"));
  EXPECT_TRUE(messageBase.messageDataDictionary().empty());
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_NE(log.lines[0].find("socket gone"), std::string::npos);
  // The writer is usable again.
  EXPECT_FALSE(SessionRequests::pingToserver(messageBase, 1, "t"));
}

// ---- values that would break the frame ----

TEST_F(MessageBaseTest, SeparatorByteInAnyFieldOfAnyRequestIsRefusedAndNothingIsBuilt) {
  LogCapture log;
  std::size_t listed = 0;
  for (const RequestKind& row : RequestCatalogue::all()) {
    for (const int tag : row.tags) {
      const bool list = std::find(row.listTags.begin(), row.listTags.end(), tag) != row.listTags.end();
      for (char byte = '\x01'; byte <= '\x07'; ++byte) {
        auto r = messageBase.beginRequest(row.type);
        r.setNeworderrequestType(row.subKind);
        r.setEditorderrequestType(row.subKind);
        r.setDsrequestType(row.subKind);
        r.set(tag, std::string("a") + byte + "34=9999");
        const BuildResult result = r.BuildMessage();
        if (list && byte > '\x03') {
          // A list field is made of the inner separators.
          EXPECT_TRUE(result) << row.builder << " tag " << tag << " byte " << int(byte);
          ++listed;
        } else {
          EXPECT_EQ(result.status(), BuildResult::Status::UnsafeValue) << row.builder << " tag " << tag;
          EXPECT_EQ(result.field(), tag) << row.builder;
        }
        EXPECT_TRUE(messageBase.messageDataDictionary().empty());
      }
    }
  }
  EXPECT_EQ(listed, 12u);  // tags 91, 505 and 583, bytes 0x04 to 0x07
  EXPECT_EQ(sink.sent.size(), listed);
  // The refused value itself stays out of the log.
  for (const std::string& line : log.lines) {
    if (line.find("separator byte") != std::string::npos) {
      EXPECT_EQ(line.find("34=9999"), std::string::npos);
    }
  }
}

// ---- the envelope ----

TEST(MessageBaseEnvelope, EncryptionYieldingNothingSendsNothingLogsOnceAndReportsFailure) {
  RecordingSink sink;
  MessageBase messageBase(sink, [] { return std::string("k"); },
                          [](std::string_view, std::string_view) { return std::optional<std::string>(); });
  LogCapture log;
  const LoginRequestValues v{"alice", "s3cret", "TarnwickDesk", "1.0.0", {"a", "b", "c"}, "t"};
  EXPECT_FALSE(SessionRequests::LoginRequest(messageBase, v));
  EXPECT_TRUE(sink.sent.empty());
  EXPECT_TRUE(messageBase.messageDataDictionary().empty());
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_EQ(log.lines[0].rfind("BuildLoginRequestMessage : not sent", 0), 0u);
  EXPECT_EQ(log.lines[0].find("s3cret"), std::string::npos);

  log.lines.clear();
  EXPECT_FALSE(SessionRequests::pingToserver(messageBase, 1, "t"));
  EXPECT_EQ(log.lines.size(), 1u);
}

TEST_F(MessageBaseTest, OnlyAPingThatReachedTheTransportIsTimed) {
  MessageBase failing(sink, [] { return std::string("k"); },
                      [](std::string_view, std::string_view) { return std::optional<std::string>(); });
  EXPECT_FALSE(SessionRequests::pingToserver(failing, 1, "t"));
  sink.accept = false;
  EXPECT_FALSE(SessionRequests::pingToserver(messageBase, 1, "t"));
  EXPECT_EQ(sink.pingsNoted, 0);
  sink.accept = true;
  EXPECT_TRUE(SessionRequests::pingToserver(messageBase, 1, "t"));
  EXPECT_EQ(sink.pingsNoted, 1);
}

TEST_F(MessageBaseTest, EnvelopeReadsThePassPhraseAnewForEachRequest) {
  SessionRequests::pingToserver(messageBase, 1, "t");
  passPhrase = "session-key-after-login";
  SessionRequests::pingToserver(messageBase, 2, "t");
  ASSERT_EQ(sink.sent.size(), 2u);
  OpenedEnvelope first;
  OpenedEnvelope second;
  EXPECT_TRUE(openEnvelope(sink.sent[0].frame, "9dA3fB71e0Cc", first));
  EXPECT_TRUE(openEnvelope(sink.sent[1].frame, "session-key-after-login", second));
  EXPECT_EQ(second.inner, asciiFrame("10=1018" S "20=3" S "21=t" S));
  OpenedEnvelope wrongKey;
  const bool opened = openEnvelope(sink.sent[1].frame, "9dA3fB71e0Cc", wrongKey);
  EXPECT_TRUE(!opened || wrongKey.inner != second.inner);
}

TEST_F(MessageBaseTest, MessageLengthIsThePlainBodysOrTheEnvelopeBodys) {
  DataSetRequests::requestChartData(messageBase, {"u", std::string("r"), 1, "t"}, "X", "1", 2);
  EXPECT_EQ(messageBase.messageLength(), std::string("10=1040" S "12=X" S "83=1" S "20=1" S "1025=2" S "23=u" S
                                                     "19=r" S "21=t" S).size());
  SessionRequests::pingToserver(messageBase, 1, "t");
  const std::string& envelope = sink.sent.back().frame;
  EXPECT_EQ(messageBase.messageLength(), envelope.size() - 2 - 1 - std::to_string(messageBase.messageLength()).size());
}

TEST(EnvelopeTest, CipherYieldingNothingLeavesTheBodyUnchanged) {
  std::string body = "kept";
  EXPECT_FALSE(Envelope::writeBody("\x01" "1\x03x\x02", "k", true, body,
                                   [](std::string_view, std::string_view) { return std::optional<std::string>(); }));
  EXPECT_EQ(body, "kept");
}

TEST(EnvelopeTest, ShortFrameEncryptsToOneBlockAndSixteenBytesToTwo) {
  for (const auto& [frame, blocks] : {std::pair<std::string, std::size_t>{"\x01" "0\x03\x02", 1},
                                      std::pair<std::string, std::size_t>{std::string(16, 'a'), 2}}) {
    std::string body;
    ASSERT_TRUE(Envelope::writeBody(frame, "9dA3fB71e0Cc", false, body));
    const std::string text = body.substr(9, body.size() - 10);  // between "10=76|27=" and the last 0x03
    EXPECT_EQ(Base64::decodeBase64WithString(text)->size(), 16 * blocks);
  }
}

// ---- logging ----

TEST_F(MessageBaseTest, PlainRequestLogsItsLabelAndWholeFrame) {
  LogCapture log;
  DataSetRequests::requestChartData(messageBase, {"u", std::string("r"), 1, "t"}, "X", "1", 2);
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_EQ(log.lines[0], "BuildChartDataRequest : " + sink.sent[0].frame);
}

TEST_F(MessageBaseTest, EnvelopedRequestRefusedByTheTransportStillLogsItsLineAndReportsFailure) {
  LogCapture log;
  sink.accept = false;
  EXPECT_FALSE(SessionRequests::changeMyPassword(messageBase, {"u", std::string("r"), 1, "t"}, "old", "new"));
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_EQ(log.lines[0].rfind("BuildPasswordChangeRequestMessage : ", 0), 0u);
  EXPECT_NE(log.lines[0].find("104=******"), std::string::npos);
}

// ---- the lock ----

class LockedSink : public MessageSink {
 public:
  bool SendMessage(std::string_view frame, bool) override {
    std::lock_guard lock(mutex);
    frames.emplace_back(frame);
    return true;
  }
  std::mutex mutex;
  std::vector<std::string> frames;
};

TEST(MessageBaseLock, RequestsFromTwoThreadsNeverCarryEachOthersTags) {
  LockedSink sink;
  MessageBase messageBase(sink, [] { return std::string("k"); });
  const SessionValues session{"u", std::string("r"), 1, "t"};
  constexpr int kRounds = 300;
  std::thread charts([&] {
    for (int i = 0; i < kRounds; ++i) DataSetRequests::requestChartData(messageBase, session, "X", "1", i);
  });
  std::thread banks([&] {
    for (int i = 0; i < kRounds; ++i) DataSetRequests::requestBankDetails(messageBase, session, 7, i);
  });
  charts.join();
  banks.join();
  ASSERT_EQ(sink.frames.size(), 2u * kRounds);
  for (const std::string& frame : sink.frames) {
    EXPECT_EQ(frame.find("(null)"), std::string::npos) << frame;
    if (frame.find("10=1040") != std::string::npos) {
      EXPECT_EQ(frame.find("151="), std::string::npos) << frame;
    } else {
      EXPECT_EQ(frame.find("1025="), std::string::npos) << frame;
    }
  }
}

// ---- the dictionary itself ----

TEST(TagDictionaryTest, SetReplacesEraseRemovesAndClearEmpties) {
  TagDictionary d;
  d.set(20, "a");
  d.set(21, std::int64_t{-7});
  d.set(20, "bb");
  EXPECT_EQ(d.size(), 2u);
  EXPECT_EQ(d.find(20), "bb");
  EXPECT_EQ(d.find(21), "-7");
  d.erase(20);
  EXPECT_FALSE(d.contains(20));
  EXPECT_EQ(d.size(), 1u);
  d.set(20, "c");
  EXPECT_EQ(d.find(20), "c");
  d.clear();
  EXPECT_TRUE(d.empty());
  EXPECT_FALSE(d.find(21));
}

TEST_F(MessageBaseTest, SetIfPresentWithoutValueLeavesTheTagUnstored) {
  auto r = messageBase.beginRequest(1018);
  r.set(10, std::int64_t{1018}).set(20, "x").setIfPresent(20, std::nullopt).setIfPresent(21, std::string("t"));
  r.BuildMessage();
  EXPECT_EQ(sentEnveloped(false), asciiFrame("10=1018" S "20=(null)" S "21=t" S));
}

}  // namespace
}  // namespace td::testing
