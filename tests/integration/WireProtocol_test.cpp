// The simulated server at the byte level: a raw client built from the client's request writer,
// envelope and session-key functions talks to the server process, so that the server's own
// behaviour (login checks, key switch, replies) is checked without the probe in between.

#include <gtest/gtest.h>
#include <zmq.h>

#include <map>

#include "../platform/ZoneTestSupport.h"
#include "ProcessHelpers.h"
#include "RawConnection.h"
#include "ServerMessage.h"
#include "model/ReferenceData.h"
#include "model/XmlTables.h"
#include "platform/LoginInputdata.h"
#include "transport/ZMQContext.h"
#include "wire/DataSetRequests.h"
#include "wire/Envelope.h"
#include "wire/MessageBase.h"
#include "wire/Separators.h"
#include "wire/SessionKey.h"
#include "session/PriceFeed.h"
#include "wire/SessionRequests.h"

namespace td::testing {
namespace {

using namespace std::chrono_literals;
using sim::ServerMessage;

const std::string kInitial = ServerPresets::load().initialPassPhrase;

// Captures what a MessageBase writes.
struct CaptureSink : MessageSink {
  std::vector<std::string> frames;
  bool SendMessage(std::string_view frame, bool) override {
    frames.emplace_back(frame);
    return true;
  }
};

class RawClient : public RawConnection {
 public:
  explicit RawClient(int port) : RawConnection(port, 100ms) { key = kInitial; }

  bool login(const std::string& user, const std::string& password) {
    return SessionRequests::LoginRequest(
        writer, LoginRequestValues{user, password, "TarnwickDesk", "1.0.0",
                                   DeviceFields{"127.0.0.1", "Linux#6", "testhost"}, sim::ampTime(sim::unixNow())});
  }
};

// Logs in and returns the session key the client derives from the login reply.
std::string loginAndDeriveKey(RawClient& c, const std::string& user, const std::string& password) {
  EXPECT_TRUE(c.login(user, password));
  auto reply = c.message(kInitial);
  EXPECT_TRUE(reply && reply->type == 33);
  if (!reply) return {};
  return GenerateNewEncryptionKey(user, password, reply->get(19), reply->get(21));
}

TEST(ServerSession, TheLoginReplyComesUnderTheInitialPassPhraseAndEverythingAfterUnderTheSessionKey) {
  ServerProcess server({"--tick-ms", "60000"});
  ASSERT_TRUE(server.listening());
  RawClient c(server.tcp);
  ASSERT_TRUE(c.connected());
  ASSERT_TRUE(c.login("demo", "demo"));
  auto first = c.frame();
  ASSERT_TRUE(first);
  auto envelope = ServerMessage::parse(*first);
  ASSERT_TRUE(envelope);
  auto inner = sim::openEnvelope(*envelope, kInitial);
  ASSERT_TRUE(inner);
  auto reply = ServerMessage::parse(std::string_view(*inner).substr(1, inner->size() - 2));
  ASSERT_TRUE(reply && reply->type == 33);
  EXPECT_EQ(reply->get(160), std::string_view("AMP"));
  EXPECT_EQ(reply->get(21)->size(), 14u);
  std::string key = GenerateNewEncryptionKey("demo", "demo", reply->get(19), reply->get(21));

  auto second = c.frame();
  ASSERT_TRUE(second);
  auto accepted = ServerMessage::parse(*second);
  ASSERT_TRUE(accepted);
  EXPECT_FALSE(sim::openEnvelope(*accepted, kInitial) && sim::openEnvelope(*accepted, kInitial)->find("10=18") !=
                                                                std::string::npos);
  auto opened = sim::openEnvelope(*accepted, key);
  ASSERT_TRUE(opened);
  EXPECT_NE(opened->find("10=18\x03"), std::string::npos);

  // A ping under the old pass phrase is not understood; under the session key it is answered.
  c.key = kInitial;
  ASSERT_TRUE(SessionRequests::pingToserver(c.writer, 41, sim::ampTime(sim::unixNow())));
  c.key = key;
  ASSERT_TRUE(SessionRequests::pingToserver(c.writer, 7, sim::ampTime(sim::unixNow())));
  std::optional<ServerMessage> pong;
  while (auto m = c.message(key, 1000ms)) {
    if (m->type == 1019) {
      pong = m;
      break;
    }
  }
  ASSERT_TRUE(pong);
  EXPECT_EQ(pong->get(20), std::string_view("8"));
  EXPECT_EQ(pong->get(21)->size(), 14u);
  EXPECT_FALSE(c.message(key, 200ms)) << "the ping under the initial pass phrase was answered";
}

TEST(ServerSession, AccountSummariesFollowTheAcceptanceForEveryAccount) {
  ServerProcess server({"--tick-ms", "60000"});
  ASSERT_TRUE(server.listening());
  RawClient c(server.tcp);
  std::string key = loginAndDeriveKey(c, "demo", "demo");
  auto accepted = c.message(key);
  ASSERT_TRUE(accepted && accepted->type == 18);
  std::vector<std::string> accounts;
  for (int i = 0; i < 2; ++i) {
    auto m = c.message(key);
    ASSERT_TRUE(m && m->type == 1045);
    accounts.emplace_back(*m->get(34));
    EXPECT_EQ(m->get(24), std::string_view("814"));
    EXPECT_EQ(m->tags(), (std::vector<int>{10, 34, 24, 84, 85, 129, 130, 132, 141, 144, 560}));
  }
  EXPECT_EQ(accounts, (std::vector<std::string>{"1001", "1002"}));
}

TEST(ServerSession, ALoginWhoseFieldsAreOutOfOrderOrNotMarkedInitialIsRefused) {
  ServerProcess server({"--tick-ms", "60000"});
  ASSERT_TRUE(server.listening());
  {
    RawClient c(server.tcp);
    ServerMessage login(32);
    login.add(18, "demo").add(23, "demo").add(20, "0").add(19, "1").add(563, "TarnwickDesk").add(114, "1")
        .add(105, "127.0.0.1").add(1018, "Linux#6").add(504, "h").add(160, "AMP").add(21, "20260101000000");
    std::string body, frame;
    ASSERT_TRUE(Envelope::writeBody(login.frame(), kInitial, true, body));
    MessageBase::writeFrame(body, frame);
    c.SendMessage(frame, false);
    auto reply = c.message(kInitial);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->type, 47);
    EXPECT_TRUE(c.closedByServer());
  }
  {
    RawClient c(server.tcp);
    CaptureSink capture;
    MessageBase writer(capture, [] { return kInitial; });
    ASSERT_TRUE(SessionRequests::LoginRequest(
        writer, LoginRequestValues{"demo", "demo", "TarnwickDesk", "1", DeviceFields{}, "20260101000000"}));
    // The same envelope without 1153=2 and 1132=2.
    std::string frame = capture.frames.at(0);
    auto cut = frame.find("1153=2");
    ASSERT_NE(cut, std::string::npos);
    std::string body = frame.substr(frame.find('\x03') + 1, cut - frame.find('\x03') - 1);
    std::string plain;
    MessageBase::writeFrame(body, plain);
    c.SendMessage(plain, false);
    EXPECT_TRUE(c.closedByServer());
  }
}

TEST(ServerSession, RefusalCarriesTheLoginMessageOfItsCode) {
  ServerProcess server({"--tick-ms", "60000"});
  ASSERT_TRUE(server.listening());
  RawClient c(server.tcp);
  ASSERT_TRUE(c.login("alice", "wrong"));
  auto reply = c.message(kInitial);
  ASSERT_TRUE(reply && reply->type == 47);
  EXPECT_EQ(reply->get(160), std::string_view("AMP"));
  auto text = decompressData(*reply->get(1050));
  ASSERT_TRUE(text);
  ReferenceData data;
  data.FillAmpDetails(*text);
  ASSERT_TRUE(data.lastLoginInfoMessage());
  EXPECT_EQ(data.lastLoginInfoMessage()->ErrorCode, 1);
}

TEST(ServerSession, PasswordChangeIsAnsweredAndTheNewPasswordLogsIn) {
  ServerProcess server({"--tick-ms", "60000"});
  ASSERT_TRUE(server.listening());
  {
    RawClient c(server.tcp);
    std::string key = loginAndDeriveKey(c, "alice", "secret");
    c.key = key;
    SessionValues session{"alice", std::string("x"), 3, sim::ampTime(sim::unixNow())};
    ASSERT_TRUE(SessionRequests::changeMyPassword(c.writer, session, "not-it", "newer"));
    ASSERT_TRUE(SessionRequests::changeMyPassword(c.writer, session, "secret", "newer"));
    std::vector<ServerMessage> replies;
    while (auto m = c.message(key, 1000ms)) {
      if (m->type == 38) replies.push_back(*m);
      if (replies.size() == 2) break;
    }
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].get(17), std::string_view("Failure"));
    EXPECT_EQ(replies[0].get(103), std::string_view("secret"));
    EXPECT_EQ(replies[1].get(17), std::string_view("Success"));
    EXPECT_EQ(replies[1].get(103), std::string_view("newer"));
  }
  ProbeRun old = runProbe(server.tcp, "alice", "secret", {"--timeout", "3"});
  EXPECT_TRUE(old.has("DISCONNECTED refused:1"));
  ProbeRun fresh = runProbe(server.tcp, "alice", "newer", {"--ticks", "0", "--timeout", "3"});
  EXPECT_EQ(fresh.last(), "RESULT ok");
}

TEST(ServerSession, DemoUserCreationAnswersAUserWhoCanLogIn) {
  ServerProcess server({"--tick-ms", "60000"});
  ASSERT_TRUE(server.listening());
  std::string user, password;
  {
    RawClient c(server.tcp);
    DemoUserCreationValues v;
    v.email = "new@example.invalid";
    v.deposit = "5000";
    v.name = "New Trader";
    v.productName = "TarnwickDesk";
    ASSERT_TRUE(SessionRequests::DemoUserCreationRequest(c.writer, v));
    auto reply = c.message(kInitial);
    ASSERT_TRUE(reply && reply->type == 1027);
    ASSERT_TRUE(reply->get(23) && reply->get(18));
    user = *reply->get(23);
    password = *reply->get(18);
    EXPECT_TRUE(c.closedByServer());
  }
  ProbeRun run = runProbe(server.tcp, user, password, {"--ticks", "0", "--timeout", "3"});
  EXPECT_TRUE(run.has("LOGIN items=6 accounts=1 groups=1"));
  EXPECT_EQ(run.last(), "RESULT ok");
}

// --- the request channel ---

class RequestChannel {
 public:
  explicit RequestChannel(int port) : context_(ZMQContext::create(1)), socket_(context_->socketWithType(ZMQ_REQ)) {
    int timeout = 3000, linger = 0;
    zmq_setsockopt(socket_->socket(), ZMQ_RCVTIMEO, &timeout, sizeof timeout);
    zmq_setsockopt(socket_->socket(), ZMQ_LINGER, &linger, sizeof linger);
    socket_->connectToEndpoint("tcp://127.0.0.1:" + std::to_string(port));
  }
  std::optional<ServerMessage> ask(const std::string& frame) {
    if (!socket_->sendData(frame, 0)) return std::nullopt;
    std::string reply;
    try {
      reply = socket_->receiveDataWithFlags(0);
    } catch (const std::exception&) {
      return std::nullopt;
    }
    if (reply.size() < 2) return std::nullopt;
    return ServerMessage::parse(std::string_view(reply).substr(1, reply.size() - 2));
  }

 private:
  std::shared_ptr<ZMQContext> context_;
  std::shared_ptr<ZMQSocket> socket_;
};

std::vector<std::vector<std::string>> rows(std::string_view data) {
  std::vector<std::vector<std::string>> out;
  std::size_t start = 0;
  while (start < data.size()) {
    std::size_t end = data.find(MessageInnerTagSeperatorthr, start);
    if (end == std::string_view::npos) end = data.size();
    if (end > start) {
      std::vector<std::string> cols;
      std::string_view row = data.substr(start, end - start);
      std::size_t c = 0;
      while (true) {
        std::size_t e = row.find(MessageInnerTagSeperatortw, c);
        cols.emplace_back(row.substr(c, e == std::string_view::npos ? std::string_view::npos : e - c));
        if (e == std::string_view::npos) break;
        c = e + 1;
      }
      out.push_back(cols);
    }
    start = end + 1;
  }
  return out;
}

TEST(ServerRequests, EveryDataSetContextAnswersRowsInItsLayout) {
  ServerProcess server({"--tick-ms", "60000"});
  ASSERT_TRUE(server.listening());
  RequestChannel channel(server.rep);
  CaptureSink capture;
  MessageBase writer(capture, [] { return kInitial; });
  SessionValues session{"demo", std::string("70001"), 9, sim::ampTime(sim::unixNow())};
  std::string yearAgo = sim::ampTime(sim::unixNow() - 365 * 86400), now = sim::ampTime(sim::unixNow() + 60);
  SearchValues search{std::string("1001"), yearAgo, now, std::string("#DWR")};
  ASSERT_TRUE(DataSetRequests::requestOpenPosition(writer, session, 101));
  ASSERT_TRUE(DataSetRequests::requestPendingOrders(writer, session, 101));
  ASSERT_TRUE(DataSetRequests::requestSettledOrders(writer, session, 101));
  ASSERT_TRUE(DataSetRequests::requestCancelledOrders(writer, session, 101));
  ASSERT_TRUE(DataSetRequests::requestEquityPriceinfo(writer, session, 101, 1001));
  ASSERT_TRUE(DataSetRequests::requestFinancialTransactions(writer, session, 101, search));
  ASSERT_TRUE(DataSetRequests::requestBankDetails(writer, session, 101, 1002));
  ASSERT_TRUE(DataSetRequests::requestEquityPriceinfo(writer, session, 101, 2001));  // not demo's account
  struct Expect {
    const char* context;
    std::size_t rows;
    std::size_t columns;
  } expected[] = {{"getopenpositions", 4, 22},      {"getpendingorders", 4, 29},  {"getsettledpositions", 6, 18},
                  {"getcancelledorders", 2, 18},    {"getequityhitpriceinfo", 2, 14},
                  {"getfinancialtransactions", 4, 10}, {"getbankaccounts", 1, 7}, {"getequityhitpriceinfo", 0, 0}};
  ASSERT_EQ(capture.frames.size(), std::size(expected));
  for (std::size_t i = 0; i < capture.frames.size(); ++i) {
    auto reply = channel.ask(capture.frames[i]);
    ASSERT_TRUE(reply) << expected[i].context;
    EXPECT_EQ(reply->type, 1024);
    EXPECT_EQ(reply->get(151), std::string_view(expected[i].context));
    EXPECT_EQ(reply->get(20), std::string_view("10"));
    auto data = reply->get(159).value_or("");
    if (expected[i].rows == 0) {
      EXPECT_EQ(data, "ERROR");
      continue;
    }
    auto r = rows(data);
    EXPECT_EQ(r.size(), expected[i].rows) << expected[i].context;
    for (const auto& row : r) EXPECT_EQ(row.size(), expected[i].columns) << expected[i].context;
  }
}

TEST(ServerRequests, TheAccountStatementIsAnXmlDocumentOfSevenTables) {
  ServerProcess server({"--tick-ms", "60000"});
  ASSERT_TRUE(server.listening());
  RequestChannel channel(server.rep);
  CaptureSink capture;
  MessageBase writer(capture, [] { return kInitial; });
  SessionValues session{"demo", std::string("70001"), 0, sim::ampTime(sim::unixNow())};
  ASSERT_TRUE(DataSetRequests::requestAccountStatement(writer, session, 101, std::string("1001"),
                                                       sim::ampTime(sim::unixNow() - 30 * 86400),
                                                       sim::ampTime(sim::unixNow() + 60)));
  auto reply = channel.ask(capture.frames.at(0));
  ASSERT_TRUE(reply);
  XmlTables tables = parseXml(reply->get(159).value_or(""));
  for (const char* name : {"Table", "Table1", "Table2", "Table3", "Table4", "Table5", "Table6"})
    EXPECT_NE(tables.table(name), nullptr) << name;
  ASSERT_NE(tables.table("Table"), nullptr);
  EXPECT_EQ(tables.table("Table")->size(), 2u);
  EXPECT_EQ(tables.table("Table1")->size(), 2u);
  EXPECT_EQ(tables.table("Table1")->front().get("AccountId"), std::string_view("1001"));
}

// A chart reply's sections (dates, times, closes, highs, lows, opens), each split at its commas.
std::vector<std::vector<std::string>> chartSections(std::string_view text) {
  const std::size_t from = text.find('>') + 1;
  std::vector<std::vector<std::string>> sections(1, std::vector<std::string>(1));
  for (char c : text.substr(from, text.rfind("<END>") - from)) {
    if (c == '#') sections.emplace_back(1);
    else if (c == ',') sections.back().emplace_back();
    else sections.back().back() += c;
  }
  return sections;
}

// A local time of the wire, counted as if the clock ran in UTC.
std::int64_t wallOf(int year, int month, int day, int hour, int minute, int second) {
  return std::chrono::system_clock::to_time_t(utcDate(year, month, day, hour, minute, second));
}

struct WireBar {
  std::int64_t start = 0;
  double open = 0, high = 0, low = 0, close = 0;
};

// The bars of a chart reply, oldest first.
std::vector<WireBar> chartBars(std::string_view text) {
  const auto sections = chartSections(text);
  std::vector<WireBar> bars(sections.size() == 6 ? sections[0].size() : 0);
  for (std::size_t k = 0; k < bars.size(); ++k) {
    int mo = 0, d = 0, y = 0, h = 0, mi = 0, se = 0;
    std::sscanf(sections[0][k].c_str(), "%d/%d/%d", &mo, &d, &y);
    std::sscanf(sections[1][k].c_str(), "%d:%d:%d", &h, &mi, &se);
    bars[k] = {wallOf(2000 + y, mo, d, h, mi, se), std::stod(sections[5][k]), std::stod(sections[3][k]),
               std::stod(sections[4][k]), std::stod(sections[2][k])};
  }
  return bars;
}

// A price line as published: its time on the wall clock and its last price.
struct Published {
  std::int64_t wall = 0;
  double last = 0;
};

// Whether the newest bar of an interval of `length` seconds is the record of the first `count` lines
// published: it closes at the last of them and holds those of its interval, exactly so when all of
// its interval was watched.
bool recordsThePrices(const WireBar& bar, std::int64_t length, const std::vector<Published>& lines, std::size_t count) {
  if (count == 0 || lines[count - 1].last != bar.close) return false;
  std::optional<WireBar> seen;
  for (std::size_t k = 0; k < count; ++k) {
    const std::int64_t start = lines[k].wall - lines[k].wall % length;
    if (start > bar.start) return false;
    if (start < bar.start) continue;
    if (!seen) seen = WireBar{start, lines[k].last, lines[k].last, lines[k].last, lines[k].last};
    seen->high = std::max(seen->high, lines[k].last);
    seen->low = std::min(seen->low, lines[k].last);
  }
  if (!seen || seen->high > bar.high || seen->low < bar.low) return false;
  return lines.front().wall >= bar.start || (seen->open == bar.open && seen->high == bar.high && seen->low == bar.low);
}

TEST(ServerRequests, ChartHistoryAnswersTheAskedBarsUnderTheChartKey) {
  ServerProcess server({"--tick-ms", "60000", "--seed", "3"});
  ASSERT_TRUE(server.listening());
  RequestChannel channel(server.rep);
  CaptureSink capture;
  MessageBase writer(capture, [] { return kInitial; });
  SessionValues session{"demo", std::string("70001"), 41, sim::ampTime(sim::unixNow())};
  ASSERT_TRUE(DataSetRequests::requestChartData(writer, session, "XAUUSD", "O", 200));
  ASSERT_TRUE(DataSetRequests::requestChartData(writer, session, "XAUUSD", "O", 200));
  auto reply = channel.ask(capture.frames.at(0));
  auto again = channel.ask(capture.frames.at(1));
  ASSERT_TRUE(reply && again);
  EXPECT_EQ(reply->type, 1041);
  EXPECT_EQ(reply->get(20), std::string_view("41"));
  std::string text(reply->get(17).value_or(""));
  ASSERT_EQ(text.substr(0, text.find('>') + 1), "<CHART~XAUUSD^O~200>");
  ASSERT_EQ(text.substr(text.size() - 5), "<END>");
  const auto sections = chartSections(text);
  ASSERT_EQ(sections.size(), 6u);
  const std::size_t widths[] = {10, 8, 9, 7, 7, 7};
  for (std::size_t k = 0; k < 6; ++k) {
    EXPECT_EQ(sections[k].size(), 200u) << k;
    for (const std::string& token : sections[k]) EXPECT_LE(token.size(), widths[k]) << k;
  }
  // The same seed and request give the same history at a one-minute interval.
  EXPECT_EQ(again->get(17)->substr(again->get(17)->find('#')), text.substr(text.find('#')));
}

TEST(ServerRequests, ChartHistoryIsTheRecordOfThePublishedPricesAndKeepsItsPastBars) {
  ServerProcess server({"--tick-ms", "20", "--seed", "5"});
  ASSERT_TRUE(server.listening());
  RequestChannel channel(server.rep);
  auto context = ZMQContext::create(1);
  auto feed = context->socketWithType(ZMQ_SUB);
  const int linger = 0;
  zmq_setsockopt(feed->socket(), ZMQ_LINGER, &linger, sizeof linger);
  feed->connectToEndpoint("tcp://127.0.0.1:" + std::to_string(server.pub));
  const std::vector<std::string> codes{"EURUSD", "XAUUSD"};
  for (const std::string& code : codes) feed->subscribe(code + MessageInnerTagSeperator);
  std::map<std::string, std::vector<Published>> published;
  const auto watch = [&](std::chrono::milliseconds span) {
    const auto until = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < until) {
      zmq_pollitem_t item{feed->socket(), 0, ZMQ_POLLIN, 0};
      if (zmq_poll(&item, 1, 10) <= 0) continue;
      const std::string line = feed->receiveDataWithFlags(ZMQ_DONTWAIT);
      PriceUpdate p;
      int y = 0, mo = 0, d = 0, h = 0, mi = 0, se = 0;
      ASSERT_EQ(decodePriceLine(line, p), PriceLineError::None) << line;
      ASSERT_EQ(std::sscanf(line.c_str() + p.ItemCode.size() + 1, "%4d%2d%2d%2d%2d%2d", &y, &mo, &d, &h, &mi, &se), 6);
      published[p.ItemCode].push_back({wallOf(y, mo, d, h, mi, se), p.Last});
    }
  };
  CaptureSink capture;
  MessageBase writer(capture, [] { return kInitial; });
  SessionValues session{"demo", std::string("70001"), 41, sim::ampTime(sim::unixNow())};
  struct Reply {
    std::vector<WireBar> bars;
    std::size_t watched = 0;  // lines of its instrument received when it was asked for
  };
  const auto ask = [&](const std::string& code, const char* interval) {
    Reply r{{}, published[code].size()};
    if (!DataSetRequests::requestChartData(writer, session, code, interval, 300)) return r;
    if (auto reply = channel.ask(capture.frames.back())) r.bars = chartBars(reply->get(17).value_or(""));
    return r;
  };
  std::map<std::string, std::vector<Reply>> replies;  // by code and interval: two, some ticks apart
  for (const auto span : {std::chrono::milliseconds(600), std::chrono::milliseconds(1500)}) {
    watch(span);
    for (const std::string& code : codes)
      for (const char* interval : {"O", "H", "D"}) replies[code + interval].push_back(ask(code, interval));
  }
  watch(std::chrono::milliseconds(300));

  for (const auto& [key, asked] : replies) {
    const std::string code = key.substr(0, 6), interval = key.substr(6);
    const Reply &before = asked[0], &after = asked[1];
    const std::vector<Published>& lines = published[code];
    SCOPED_TRACE(key);
    ASSERT_GT(before.watched, 0u);
    ASSERT_EQ(before.bars.size(), 300u);
    ASSERT_EQ(after.bars.size(), 300u);
    const std::int64_t length = interval == "O" ? 60 : interval == "H" ? 3600 : 86400;
    // Each reply's newest bar is the record of the lines published before it was answered.
    for (const Reply* r : {&before, &after}) {
      bool found = false;
      for (std::size_t count = r->watched; count <= lines.size() && !found; ++count)
        found = recordsThePrices(r->bars.back(), length, lines, count);
      EXPECT_TRUE(found) << "newest bar at " << r->bars.back().start;
    }
    // The bars before stay as they were; the newest may have grown.
    const WireBar& grown = before.bars.back();
    const auto same = std::find_if(after.bars.begin(), after.bars.end(), [&](const WireBar& b) { return b.start == grown.start; });
    ASSERT_NE(same, after.bars.end());
    EXPECT_TRUE(same->open == grown.open && same->high >= grown.high && same->low <= grown.low);
    const std::size_t kept = static_cast<std::size_t>(same - after.bars.begin());
    for (std::size_t k = 0; k < kept; ++k) {
      const WireBar& a = before.bars[before.bars.size() - 1 - kept + k];
      const WireBar& b = after.bars[k];
      ASSERT_TRUE(a.start == b.start && a.open == b.open && a.high == b.high && a.low == b.low && a.close == b.close)
          << "bar " << k;
    }
  }
}

}  // namespace
}  // namespace td::testing
