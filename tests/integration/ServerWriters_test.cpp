// What the simulated server writes, read back with the client's own loaders and decoders, and the
// command lines of the server and the probe.

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>

#include "ChartRecord.h"
#include "LoginDataWriter.h"
#include "PriceFeed.h"
#include "ProbeOptions.h"
#include "session/BusinessBase.h"
#include "session/PriceFeed.h"
#include "Scenario.h"
#include "ServerMessage.h"
#include "ServerOptions.h"
#include "StatementChecks.h"
#include "TradingHistory.h"
#include "model/ReferenceData.h"
#include "model/XmlTables.h"
#include "model/statement/AccountStatementInfo.h"
#include "session/datasets/StatementTables.h"
#include "wire/Base64.h"
#include "wire/SessionKey.h"

namespace td::testing {
namespace {

using namespace td::sim;

ReferenceData loadAmp(const std::string& text) {
  ReferenceData d;
  d.FillAmpDetails(text);
  return d;
}

ReferenceData loadXml(const std::string& text) {
  ReferenceData d;
  d.FillTableDetails(parseXml(text));
  return d;
}

TEST(SimLoginDataWriter, BothFormsLoadIntoTheSameRecords) {
  Scenario s = Scenario::builtIn();
  LoginDataWriter writer(s, LoginDataContext{4001, 4002, unixNow(), {}});
  const UserSpec& demo = *s.user("demo");
  for (const ReferenceData& d : {loadAmp(writer.amp(demo)), loadXml(writer.xml(demo))}) {
    ASSERT_TRUE(d.userInfo());
    EXPECT_EQ(d.userInfo()->UserId, 101);
    EXPECT_EQ(d.userInfo()->marketdepthPort, 4001);
    EXPECT_EQ(d.userInfo()->hdServerPort, 4002);
    EXPECT_TRUE(d.userInfo()->CanChangePassword);
    EXPECT_EQ(d.ItemCollection().size(), 6u);
    EXPECT_EQ(d.ItemTypeCollection().size(), 4u);
    EXPECT_EQ(d.SessionSettingCollection().size(), 3u);
    ASSERT_EQ(d.AccountDetailCollection().size(), 2u);
    auto account = d.account("1002");
    ASSERT_TRUE(account);
    EXPECT_DOUBLE_EQ(account->Balance, 25000);
    EXPECT_EQ(account->GroupId, "1");
    EXPECT_EQ(account->tradingStatus, 1);
    ASSERT_EQ(d.GroupDetailCollection().size(), 1u);
    auto group = d.group("1");
    ASSERT_TRUE(group);
    EXPECT_EQ(group->GroupInstrumentCollection.size(), 6u);
    auto terms = d.groupInstruments(*account, 1);
    ASSERT_TRUE(terms);
    EXPECT_EQ(terms->SpreadBid, 2);
    EXPECT_EQ(terms->SpreadTypeId, 3);
    auto gold = d.item("XAUUSD");
    ASSERT_TRUE(gold);
    EXPECT_EQ(gold->DecimalPlaces, 2);
    EXPECT_EQ(gold->InstrumentTypeName, "Metals");
    EXPECT_DOUBLE_EQ(gold->TickSize, 0.01);
    EXPECT_EQ(d.item("GER40")->CurrentTradeSessionSettingId, 3);
    EXPECT_LT(gold->Bid, gold->Ask);
    auto setting = d.sessionSetting("2");
    ASSERT_TRUE(setting);
    EXPECT_FALSE(setting->EnterMarketOrder);
    EXPECT_FALSE(d.item("EURUSD")->FND.empty());
    // A first login's watchlist is every instrument of the first type in key order: the currency pairs.
    ASSERT_FALSE(d.symbolTypeEntries().empty());
    std::vector<std::string> first;
    for (const auto& e : d.symbolTypeEntries().begin()->second) first.push_back(e.Code);
    EXPECT_EQ(first, (std::vector<std::string>{"EURUSD", "USDJPY", "GBPUSD"}));
  }
}

TEST(SimLoginDataWriter, AmpFormCarriesThePermissionsOfTheListsAndTheDeviationSetting) {
  Scenario s = Scenario::builtIn();
  LoginDataWriter writer(s, LoginDataContext{1, 2, unixNow(), {}});
  ReferenceData d = loadAmp(writer.amp(*s.user("demo")));
  // Buy and sell, and closing from the open positions list, on account and item alike.
  EXPECT_EQ(d.item("EURUSD")->availableOrderSettings, 3);
  EXPECT_EQ(d.item("EURUSD")->availableOrderTypes & 32, 32);
  EXPECT_EQ(d.account("1001")->availableOrderTypes & 32, 32);
  // Limit and stop orders for the ticket.
  EXPECT_EQ(d.item("EURUSD")->availableOrderTypes & 0xC0, 0xC0);
  EXPECT_EQ(d.account("1002")->availableOrderTypes & 0xC0, 0xC0);
  EXPECT_EQ(d.account("1001")->accountSettings1, 0);
  EXPECT_EQ(d.account("1002")->accountSettings1, 2);
}

TEST(SimLoginDataWriter, AUserSeesOnlyTheInstrumentsAndGroupOfItsAccounts) {
  Scenario s = Scenario::builtIn();
  LoginDataWriter writer(s, LoginDataContext{1, 2, unixNow(), {}});
  ReferenceData d = loadAmp(writer.amp(*s.user("alice")));
  EXPECT_EQ(d.ItemCollection().size(), 3u);
  EXPECT_FALSE(d.item("USDJPY"));
  ASSERT_EQ(d.GroupDetailCollection().size(), 1u);
  EXPECT_TRUE(d.group("2"));
}

TEST(SimLoginDataWriter, RefusalAndScenarioLoginMessagesLoadAsLoginMessages) {
  ReferenceData refused = loadAmp(LoginDataWriter::ampRefusal(12, "https://example.invalid/get"));
  ASSERT_TRUE(refused.lastLoginInfoMessage());
  EXPECT_EQ(refused.lastLoginInfoMessage()->ErrorCode, 12);
  EXPECT_EQ(refused.lastLoginInfoMessage()->Message, "https://example.invalid/get");

  Scenario s = Scenario::builtIn();
  s.loginMessages.push_back({15, "A new version is out", 2});
  LoginDataWriter writer(s, LoginDataContext{1, 2, unixNow(), {}});
  ReferenceData d = loadAmp(writer.amp(*s.user("demo")));
  ASSERT_TRUE(d.lastLoginInfoMessage());
  EXPECT_EQ(d.lastLoginInfoMessage()->ErrorCode, 15);
  EXPECT_EQ(d.lastLoginInfoMessage()->DisplayMode, 2);
}

TEST(SimLoginPayload, CompressedPayloadOpensWithTheClientsReader) {
  std::string text(70000, 'x');
  text += "\x05\x06\x07 end";
  auto payload = compressPayload(text);
  ASSERT_TRUE(payload);
  EXPECT_EQ(decompressData(*payload), text);
  // An empty gzip member after the stream, as the writer adds when the Base64 text would end in
  // "1050=", leaves the text as it is.
  std::string bytes = *Base64::decodeBase64WithString(*payload);
  bytes.append("\x1f\x8b\x08\0\0\0\0\0\0\x03\x03\0\0\0\0\0\0\0\0\0", 20);
  EXPECT_EQ(decompressData(*Base64::encodeBase64WithData(bytes)), text);
  for (int n = 0; n < 300; ++n) {
    auto p = compressPayload("row " + std::to_string(n));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->find("1050="), std::string::npos);
  }
}

TEST(SimScenario, BuiltInParsesAndWrongScenariosAreRejectedWithAReason) {
  std::string error;
  ASSERT_TRUE(Scenario::parse(Scenario::builtInJson(), error)) << error;
  Scenario s = Scenario::builtIn();
  EXPECT_EQ(s.user("demo")->accounts.size(), 2u);
  EXPECT_EQ(s.user("alice")->password, "secret");
  EXPECT_NE(s.account(1001)->group, s.account(2001)->group);

  auto rejects = [](std::string text, const char* what) {
    std::string e;
    EXPECT_FALSE(Scenario::parse(text, e)) << what;
    EXPECT_FALSE(e.empty()) << what;
  };
  std::string base(Scenario::builtInJson());
  rejects("not json", "bad JSON");
  rejects("[1, 2]", "not an object");
  rejects(R"({"users": "x"})", "users not an array");
  auto edit = [&](const std::string& from, const std::string& to) {
    std::string t = base;
    auto at = t.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) t.replace(at, from.size(), to);
    return t;
  };
  rejects(edit("\"group\": 2, \"name\": \"Alice\"", "\"group\": 9, \"name\": \"Alice\""), "unknown group");
  rejects(edit("\"code\": \"GBPUSD\"", "\"code\": \"EURUSDX\""), "code prefix of another");
  rejects(edit("\"code\": \"GBPUSD\"", "\"code\": \"GBP;USD\""), "separator in a code");
  rejects(edit("\"accounts\": [2001]", "\"accounts\": [2001], \"refuse\": 13"), "refuse code");
  rejects(edit("\"accounts\": [2001]", "\"accounts\": [1001]"), "account of two users");
  rejects(edit("\"decimals\": 5", "\"decimals\": \"five\""), "wrong value type");
  rejects(edit("\"tickSize\": 0.5", "\"tickSize\": 0.25"), "a tick that one decimal cannot show");
  // The client's XML reader does not decode entities, so no text may need one.
  rejects(edit("\"Euro / US Dollar\"", "\"Euro & Dollar\""), "ampersand in a name");
  rejects(edit("\"name\": \"Alice\"", "\"name\": \"<Alice>\""), "angle brackets in an account name");
}

TEST(SimScenario, ChatOfTheScenarioIsCheckedLikeTheRest) {
  std::vector<std::string> users;
  for (const auto& u : Scenario::builtIn().users) users.push_back(u.name);
  EXPECT_EQ(Scenario::builtIn().chat.check(users), "");
  const std::string base(Scenario::builtInJson());
  auto withChat = [&](const std::string& chat) { return base.substr(0, base.rfind('}')) + ", \"chat\": " + chat + "}"; };
  std::string e;
  ASSERT_TRUE(Scenario::parse(withChat(R"({"groups": [{"id": 1, "name": "D"}],
      "contacts": [{"name": "d1", "group": 1}], "queues": [{"id": 4, "name": "Q", "dealer": "d1"}],
      "notices": [{"user": "alice", "subject": "S", "text": "T", "offline": true}]})"), e)) << e;
  for (const char* bad : {R"({"contacts": [{"name": "d1", "group": 2}]})",
                          R"({"groups": [{"id": 1}], "contacts": [{"name": "demo", "group": 1}]})",
                          R"({"groups": [{"id": 1}], "contacts": [{"name": "a;b", "group": 1}]})",
                          R"({"queues": [{"id": 1, "name": "Q", "dealer": "nobody"}]})",
                          R"({"notices": [{"user": "nobody", "subject": "S"}]})", R"({"groups": 3})"}) {
    EXPECT_FALSE(Scenario::parse(withChat(bad), e)) << bad;
  }
}

TEST(SimPriceFeed, SameSeedSameLinesAndLinesDecodeToTheQuotes) {
  Scenario s = Scenario::builtIn();
  PriceFeed a(s, 42, 1700000000), b(s, 42, 1700000000), c(s, 43, 1700000000);
  std::vector<std::string> la, lb, lc;
  for (int i = 0; i < 20; ++i) {
    auto x = a.tick(1700000000 + i), y = b.tick(1700000000 + i), z = c.tick(1700000000 + i);
    la.insert(la.end(), x.begin(), x.end());
    lb.insert(lb.end(), y.begin(), y.end());
    lc.insert(lc.end(), z.begin(), z.end());
  }
  EXPECT_EQ(la, lb);
  EXPECT_NE(la, lc);
  for (const auto& i : s.instruments) {
    auto line = PriceFeed::priceLine(i, a.quote(i.id), "20260101120000");
    // Read with the client's own decoder, which rounds each price to six decimals.
    td::PriceUpdate p;
    ASSERT_EQ(td::decodePriceLine(line, p), td::PriceLineError::None) << i.code;
    EXPECT_EQ(p.ItemCode, i.code);
    EXPECT_NEAR(p.Bid, a.quote(i.id).bid, 1e-6) << i.code;
    EXPECT_NEAR(p.Ask, a.quote(i.id).ask, 1e-6) << i.code;
    EXPECT_LT(p.Bid, p.Ask);
  }
}

TEST(SimPriceFeed, EveryTickCarriesEachInstrumentsDepthAtItsQuoteAndStatusLinesHaveTheirForm) {
  Scenario s = Scenario::builtIn();
  PriceFeed feed(s, 1, 1700000000);
  std::size_t status = 0;
  for (int tick = 0; tick < PriceFeed::statusEvery; ++tick) {
    // Read with the client's own decoders: the depth ladder of each tick starts at that tick's
    // bid and ask.
    std::map<std::string, td::PriceUpdate> quotes;
    std::set<std::string> depths;
    for (const auto& l : feed.tick(1700000000 + tick)) {
      if (l.rfind("IS;", 0) == 0) {
        ++status;
        std::string frame = l.substr(3);
        EXPECT_EQ(frame.find(';'), std::string::npos);
        auto m = ServerMessage::parse(std::string_view(frame).substr(1, frame.size() - 2));
        ASSERT_TRUE(m);
        EXPECT_EQ(m->type, 1049);
        EXPECT_EQ(m->get(12), std::string_view("EURUSD"));
        EXPECT_EQ(m->get(574), std::string_view("1"));
      } else if (l.rfind("MD_", 0) == 0) {
        auto d = td::decodeMarketDepth(std::string_view(l).substr(3));
        ASSERT_TRUE(d);
        ASSERT_TRUE(quotes.count(d->code)) << "the price line comes first: " << l;
        ASSERT_EQ(static_cast<int>(d->buy.size()), PriceFeed::depthLevels);
        ASSERT_EQ(static_cast<int>(d->sell.size()), PriceFeed::depthLevels);
        EXPECT_NEAR(*td::leadingDouble(d->buy[0]), quotes[d->code].Bid, 1e-9) << l;
        EXPECT_NEAR(*td::leadingDouble(d->sell[0]), quotes[d->code].Ask, 1e-9) << l;
        depths.insert(d->code);
      } else {
        td::PriceUpdate p;
        ASSERT_EQ(td::decodePriceLine(l, p), td::PriceLineError::None) << l;
        quotes[p.ItemCode] = p;
      }
    }
    EXPECT_EQ(depths.size(), s.instruments.size()) << "tick " << tick;
  }
  EXPECT_EQ(status, 1u);
}

// Whatever the tick size (GER40 steps by 0.5 in one decimal), every price the server publishes
// lies on the instrument's tick grid: the feed's price lines and depth levels, and the login data's
// quote, as the client reads them.
TEST(SimPriceFeed, EveryPublishedPriceLiesOnItsInstrumentsTickGrid) {
  Scenario s = Scenario::builtIn();
  std::map<std::string, const InstrumentSpec*> byCode;
  for (const auto& i : s.instruments) byCode[i.code] = &i;
  const auto offGrid = [&](const std::string& code, std::initializer_list<double> prices) {
    for (double p : prices)
      if (!isOnTickGrid(*byCode.at(code), p)) return code + " " + std::to_string(p);
    return std::string();
  };
  for (std::uint64_t seed = 1; seed <= 4; ++seed) {
    PriceFeed feed(s, seed, 1700000000);
    for (int tick = 0; tick < 150; ++tick) {
      for (const auto& l : feed.tick(1700000000 + tick)) {
        if (l.rfind("MD_", 0) == 0) {
          auto d = td::decodeMarketDepth(std::string_view(l).substr(3));
          ASSERT_TRUE(d);
          for (const auto* levels : {&d->buy, &d->sell})
            for (const auto& level : *levels) EXPECT_EQ(offGrid(d->code, {*td::leadingDouble(level)}), "") << l;
        } else if (l.rfind("IS;", 0) != 0) {
          td::PriceUpdate p;
          ASSERT_EQ(td::decodePriceLine(l, p), td::PriceLineError::None) << l;
          EXPECT_EQ(offGrid(p.ItemCode, {p.Bid, p.Ask, p.Last, p.High, p.Low, p.Open, p.PreviousClose}), "") << seed;
          EXPECT_LT(p.Bid, p.Ask);
        }
      }
    }
    LoginDataWriter writer(s, LoginDataContext{1, 2, unixNow(), feed.quotes()});
    const ReferenceData loaded = loadAmp(writer.amp(*s.user("demo")));
    for (const auto& [code, item] : loaded.ItemCollection()) {
      EXPECT_EQ(offGrid(code, {item->Bid, item->Ask, item->Last, item->High, item->Low, item->DayOpen, item->PrevClose}),
                "");
      EXPECT_NEAR(item->Bid, feed.quote(item->InstrumentId).bid, 1e-9) << code;
    }
  }
}

TEST(SimTradingHistory, FinancialTransactionsFollowTheAccountPeriodAndCode) {
  Scenario s = Scenario::builtIn();
  std::int64_t now = 1800000000;
  TradingHistory h(s, 5, now);
  PriceFeed feed(s, 5, now);
  DataSetQuery q;
  q.context = "getfinancialtransactions";
  q.userName = "demo";
  q.account = "1001";
  q.from = ampTime(now - 30 * 86400);
  q.to = ampTime(now);
  q.transactionCode = "#DWR";
  auto count = [&] {
    std::string data = h.dataSet(q, feed);
    return data == "ERROR" ? -1 : static_cast<int>(std::count(data.begin(), data.end(), '\x06'));
  };
  EXPECT_EQ(count(), 4);
  q.transactionCode = "WID";
  EXPECT_EQ(count(), 1);
  q.transactionCode = "DEP";
  EXPECT_EQ(count(), 2);
  q.transactionCode = "#DWR";
  q.from = ampTime(now - 3 * 86400);
  EXPECT_EQ(count(), 2);
  q.account = "2001";  // alice's account
  EXPECT_EQ(count(), -1);
  q.userName = "nobody";
  q.account = "1001";
  EXPECT_EQ(count(), -1);
}

TEST(SimTradingHistory, StatementSummaryAddsUpWithTheSeededSettlementsAndEndsAtTheAccountsBalance) {
  Scenario s = Scenario::builtIn();
  std::int64_t now = 1800000000;
  TradingHistory h(s, 5, now);
  PriceFeed feed(s, 5, now);
  DataSetQuery q;
  q.context = "getdsaccountstatement";
  q.userName = "demo";
  for (const char* account : {"1001", "1002"}) {
    q.account = account;
    // The whole history, then a period with the first deposit before it and the withdrawal after.
    for (auto [from, to] : {std::pair{now - 30 * 86400, now}, std::pair{now - 7 * 86400, now - 3 * 86400}}) {
      q.from = ampTime(from);
      q.to = ampTime(to);
      AccountStatementInfo statement;
      statement.apply(StatementTables::readAccountStatement(h.dataSet(q, feed)));
      EXPECT_TRUE(statementAddsUp(statement)) << account << " from " << *q.from;
      EXPECT_FALSE(statement.SettledPositionInfo.empty()) << account << " from " << *q.from;
      // The margin at the end is that of the positions open by then (1000 a lot in these terms).
      EXPECT_DOUBLE_EQ(statement.EndInfo->UsedMargin, 1000 * statement.getOpenQuantity()) << account;
    }
    // The ledger of the whole history starts at nothing and ends at the scenario's balance.
    q.from = ampTime(now - 30 * 86400);
    q.to = ampTime(now);
    AccountStatementInfo all;
    all.apply(StatementTables::readAccountStatement(h.dataSet(q, feed)));
    ASSERT_TRUE(all.StartInfo && all.EndInfo);
    EXPECT_DOUBLE_EQ(all.StartInfo->OpeningBalanceOfDay, 0);
    EXPECT_DOUBLE_EQ(all.EndInfo->Balance, s.account(std::stoi(account))->balance) << account;
    EXPECT_DOUBLE_EQ(h.balance(std::stoi(account)), s.account(std::stoi(account))->balance) << account;
    EXPECT_NE(all.getSettledPL(), 0) << account;
  }
}

// A seeded position holds what its fill opened less the lots settled since; each settlement has the
// execution of its closing position, a fill of the opposite side at the close. (The statement test
// above holds the settlements to the ledger.)
TEST(SimTradingHistory, EverySeededLotIsOpenOrSettledByAnExecutedClose) {
  Scenario s = Scenario::builtIn();
  int partlyClosed = 0;
  for (std::uint64_t seed = 1; seed <= 10; ++seed) {
    TradingHistory h(s, seed, 1800000000);
    std::map<int, double> settledLots;
    for (const SettlementRecord& st : h.settlements()) {
      settledLots[st.position] += st.qty;
      EXPECT_EQ(std::count_if(h.executions().begin(), h.executions().end(),
                              [&](const PositionRecord& e) {
                                return e.id == st.closingPosition && e.opened == st.closed && e.isBuy != st.isBuy &&
                                       e.initialQty == st.qty && st.opened < st.closed;
                              }),
                1)
          << seed << ": settlement " << st.id;
    }
    for (const PositionRecord& p : h.positions()) {
      EXPECT_DOUBLE_EQ(p.initialQty - p.qty, settledLots[p.id]) << seed << ": position " << p.id;
      partlyClosed += p.qty < p.initialQty;
    }
  }
  EXPECT_GT(partlyClosed, 0);
}

// A buy valued at the bid it opened at, and a position closed where it opened, make a profit of
// zero, which the server negates for a buy: every amount that rounds to zero is written unsigned.
TEST(SimTradingHistory, AnAmountOfZeroIsWrittenWithoutASignAsAtBreakEven) {
  EXPECT_EQ(fixedText(-0.0, 2), "0.00");
  EXPECT_EQ(fixedText(-0.004, 2), "0.00");
  EXPECT_EQ(fixedText(-0.006, 2), "-0.01");

  Scenario s = Scenario::builtIn();
  const std::int64_t now = 1800000000;
  TradingHistory h(s, 5, now);
  PriceFeed feed(s, 5, now);
  const InstrumentSpec& i = s.instruments.front();
  const double bid = feed.quoteFor(1001, i.id).bid;
  const int id = h.nextPositionId();
  h.addPosition({.id = id, .account = 1001, .instrument = i.id, .isBuy = true, .initialQty = 1, .qty = 1,
                 .price = bid, .opened = now});
  h.addSettlement({.id = h.nextSettlementId(), .account = 1001, .instrument = i.id, .position = id + 1,
                   .closingPosition = id + 2, .isBuy = true, .qty = 1, .openPrice = bid, .closePrice = bid,
                   .pl = h.profitOrLoss(1001, i, true, 1, bid, bid, feed), .opened = now - 60, .closed = now});
  DataSetQuery q;
  q.userName = "demo";
  q.account = "1001";
  q.from = ampTime(now - 86400);
  q.to = ampTime(now);
  // Its open-position and equity-hit rows, its settled row and the statement.
  const std::regex signedZero("(^|[\x05>])-0\\.00([\x05\x06<]|$)");
  for (const char* context :
       {"getopenpositions", "getequityhitpriceinfo", "getsettledpositions", "getdsaccountstatement"}) {
    q.context = context;
    EXPECT_FALSE(std::regex_search(h.dataSet(q, feed), signedZero)) << context;
  }
}

TEST(SimTradingHistory, ExecutedPositionsAreThoseOpenedOnTheSearchedDay) {
  Scenario s = Scenario::builtIn();
  std::int64_t now = 1800000000;
  TradingHistory h(s, 5, now);
  PriceFeed feed(s, 5, now);
  const PositionRecord& first = h.positions().front();
  DataSetQuery q;
  q.context = "getexecutedpositions";
  q.userName = "demo";
  q.from = q.to = ampTime(first.opened);
  std::string data = h.dataSet(q, feed);
  ASSERT_NE(data, "ERROR");
  std::size_t rows = 0;
  for (std::size_t start = 0, end; start < data.size(); start = end + 1) {
    end = data.find('\x06', start);
    std::string row = data.substr(start, end - start);
    EXPECT_EQ(std::count(row.begin(), row.end(), '\x05'), 14) << row;
    ++rows;
  }
  EXPECT_GE(rows, 1u);
  EXPECT_NE(data.find(std::to_string(first.id) + "\x05"), std::string::npos);
  q.from = q.to = ampTime(now + 30 * 86400);
  EXPECT_EQ(h.dataSet(q, feed), "");
}

TEST(SimChartRecord, ChartHistoryIsSeededPerInstrumentAndInterval) {
  Scenario s = Scenario::builtIn();
  ChartRecord a(s, 9, 1800000000), b(s, 9, 1800000000), c(s, 10, 1800000000);
  EXPECT_EQ(a.chart("EURUSD", "H", 50), b.chart("EURUSD", "H", 50));
  EXPECT_NE(a.chart("EURUSD", "H", 50), c.chart("EURUSD", "H", 50));
  EXPECT_NE(a.chart("EURUSD", "H", 50), a.chart("EURUSD", "D", 50));
  EXPECT_FALSE(a.chart("NOPE", "H", 50));
  auto huge = a.chart("BTCUSD", "T", 1000000);
  ASSERT_TRUE(huge);
  EXPECT_EQ(huge->substr(0, huge->find('>') + 1), "<CHART~BTCUSD^T~" + std::to_string(ChartRecord::kMaxBars) + ">");
}

TEST(SimChartRecord, ChartBarsStartTheirIntervalOnTheLocalClockThatStampsTheFeed) {
  const char* saved = std::getenv("TZ");
  const std::string savedZone = saved ? saved : "";
  setenv("TZ", "IST-5:30", 1);  // five and a half hours east of UTC, no daylight saving
  tzset();
  Scenario s = Scenario::builtIn();
  ChartRecord h(s, 9, 1800000000);
  // The newest bar's date and time: 1800000000 is Friday 15 January 2027, 13:30 on that clock.
  auto newest = [&](const char* interval) {
    const std::string text = *h.chart("EURUSD", interval, 3);
    const std::size_t dates = text.find('>') + 1, times = text.find('#') + 1;
    const std::string date = text.substr(dates, times - 1 - dates), time = text.substr(times, text.find('#', times) - times);
    return date.substr(date.rfind(',') + 1) + " " + time.substr(time.rfind(',') + 1);
  };
  EXPECT_EQ(ampTime(1800000000), "20270115133000");
  EXPECT_EQ(newest("3"), "01/15/27 13:30:00");
  EXPECT_EQ(newest("H"), "01/15/27 13:00:00");
  EXPECT_EQ(newest("D"), "01/15/27 00:00:00");
  EXPECT_EQ(newest("W"), "01/11/27 00:00:00");
  if (saved) setenv("TZ", savedZone.c_str(), 1);
  else unsetenv("TZ");
  tzset();
}

TEST(SimServerOptions, ParsesPortsFormFaultsAndRejectsBadValues) {
  std::string error;
  auto o = ServerOptions::parse({"--port", "0", "--pub-port", "5001", "--form", "xml", "--tick-ms", "20",
                                 "--fault", "disconnect-after=5", "--fault", "rep-slow=250", "--fault", "garbage", "--fault", "chart-reply-lost=3"},
                                error);
  ASSERT_TRUE(o) << error;
  EXPECT_EQ(o->port, 0);
  EXPECT_EQ(o->pubPort, 5001);
  EXPECT_TRUE(o->xmlForm);
  EXPECT_EQ(o->faults.disconnectAfter, 5);
  EXPECT_EQ(o->faults.repSlowMs, 250);
  EXPECT_TRUE(o->faults.garbage);
  EXPECT_EQ(o->faults.chartReplyLost, 3);
  EXPECT_FALSE(o->faults.repSilent);
  EXPECT_EQ(ServerOptions::parse({}, error)->port, 8310);
  for (std::vector<std::string> bad : {std::vector<std::string>{"--port", "70000"}, {"--form", "json"},
                                       {"--fault", "explode"}, {"--fault", "disconnect-after=x"}, {"--tick-ms"},
                                       {"--colour", "red"}, {"--tick-ms", "0"}})
    EXPECT_FALSE(ServerOptions::parse(bad, error)) << bad[0];
}

TEST(SimProbeOptions, RequiresTheConnectionValuesAndReadsOrders) {
  std::string error;
  auto o = probe::ProbeOptions::parse({"--host", "h", "--port", "1", "--user", "u", "--password", ""}, error);
  ASSERT_TRUE(o) << error;
  EXPECT_EQ(o->ticks, 10);
  EXPECT_DOUBLE_EQ(o->timeoutSeconds, 20);
  EXPECT_FALSE(probe::ProbeOptions::parse({"--host", "h", "--port", "1", "--user", "u"}, error));
  const std::vector<std::string> login{"--host", "h", "--port", "1", "--user", "u", "--password", "p"};
  auto with = [&](std::vector<std::string> extra) {
    extra.insert(extra.begin(), login.begin(), login.end());
    return probe::ProbeOptions::parse(extra, error);
  };
  const auto bracketed = with({"--order", "buy:EURUSD:1", "--brackets", "proposed"});
  ASSERT_TRUE(bracketed) << error;
  EXPECT_TRUE(bracketed->proposedBrackets);
  EXPECT_FALSE(with({"--order", "buy:EURUSD:1", "--brackets", "near"}));
  EXPECT_FALSE(with({"--brackets", "proposed"})) << "brackets without an order";

  auto market = probe::ProbeOptions::parseOrder("sell:EURUSD:2");
  ASSERT_TRUE(market);
  EXPECT_FALSE(market->buy);
  EXPECT_EQ(market->orderType, 1);
  auto limit = probe::ProbeOptions::parseOrder("buy:XAUUSD:1.5:limit:2000.5");
  ASSERT_TRUE(limit);
  EXPECT_EQ(limit->orderType, 2);
  EXPECT_DOUBLE_EQ(limit->price, 2000.5);
  for (const char* bad : {"hold:EURUSD:1", "buy::1", "buy:EURUSD:0", "buy:EURUSD:1:limit", "buy:EURUSD:1:stop:x",
                          "buy:EURUSD:1:iceberg:2", "buy:EURUSD"})
    EXPECT_FALSE(probe::ProbeOptions::parseOrder(bad)) << bad;
}

TEST(ClientNetworkSpeed, RatingFollowsTheIntervals) {
  EXPECT_EQ(td::BusinessBase::rateNetworkSpeed(0.999), 0);
  EXPECT_EQ(td::BusinessBase::rateNetworkSpeed(1.0), 1);
  EXPECT_EQ(td::BusinessBase::rateNetworkSpeed(2.0), 2);
  EXPECT_EQ(td::BusinessBase::rateNetworkSpeed(3.0), 2);
  EXPECT_EQ(td::BusinessBase::rateNetworkSpeed(3.001), 3);
  EXPECT_EQ(td::BusinessBase::rateNetworkSpeed(-0.5), 3);
}

}  // namespace
}  // namespace td::testing
