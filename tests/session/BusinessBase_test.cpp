#include "session/BusinessBase.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "SessionTestSupport.h"
#include "platform/Log.h"
#include "wire/SessionKey.h"

namespace td::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class LogCapture {
 public:
  LogCapture() {
    log::setSink([this](log::Level, std::string_view text) { lines.emplace_back(text); });
  }
  ~LogCapture() { log::setSink({}); }
  bool contains(std::string_view text) const {
    for (const auto& l : lines) {
      if (l.find(text) != std::string::npos) return true;
    }
    return false;
  }
  std::vector<std::string> lines;
};

// ---- login sequence ----

TEST_F(SessionTest, LoginDataInBothFormsLoadsRecordsAndReplacesThePassPhrase) {
  for (const bool amp : {true, false}) {
    SCOPED_TRACE(amp ? "AMP" : "XML");
    logindata.setSecurityKey("9dA3fB71e0Cc");
    makeSession();
    loginData(standardDataSet(), amp);
    EXPECT_EQ(session->ItemCollection().size(), 3u);
    EXPECT_EQ(session->AccountDetailCollection().size(), 2u);
    EXPECT_EQ(session->userInfo()->marketdepthPort, 7001);
    EXPECT_EQ(session->Referenceid(), "REF9");
    EXPECT_EQ(logindata.SecurityKey(), GenerateNewEncryptionKey("alice", "secret", "REF9", "20240102030405"));
    ASSERT_EQ(session->JournalDataCollection().size(), 1u);
    EXPECT_THAT(session->JournalDataCollection()[0], HasSubstr("Login Success to 127.0.0.1:8310 with username alice"));
  }
  EXPECT_THAT(observer.events, ElementsAre("LOGIN items=3 accounts=2 groups=1", "LOGIN items=3 accounts=2 groups=1"));
}

TEST_F(SessionTest, LoginDataThatDoesNotOpenKeepsThePassPhrase) {
  logindata.setSecurityKey("initial");
  session->NewMessage(frame({{10, "33"}, {19, "R"}, {160, "AMP"}, {1050, "!!not base64!!"}}));
  EXPECT_EQ(logindata.SecurityKey(), "initial");
  EXPECT_TRUE(session->ItemCollection().empty());
}

TEST_F(SessionTest, FirstLoginBuildsTheWatchlistFromTheFirstInstrumentTypeAndStoresIt) {
  loginData(standardDataSet());
  EXPECT_THAT(session->selectedSymbols(), ElementsAre("EURUSD", "GBPUSD"));
  EXPECT_THAT(*defaults->stringArrayValue("alice"), ElementsAre("EURUSD", "GBPUSD"));
  EXPECT_TRUE(session->ItemCollection().at("EURUSD")->isWatchlistSymbol);
  EXPECT_FALSE(session->ItemCollection().at("DAX")->isWatchlistSymbolTemp);
}

TEST_F(SessionTest, StoredWatchlistLosesUnknownCodesInMemoryAndInTheStore) {
  defaults->setStringArray("alice", {"DAX", "GONE", "EURUSD"});
  loginData(standardDataSet());
  EXPECT_THAT(session->selectedSymbols(), ElementsAre("DAX", "EURUSD"));
  EXPECT_THAT(*defaults->stringArrayValue("alice"), ElementsAre("DAX", "EURUSD"));
  EXPECT_TRUE(session->ItemCollection().at("DAX")->isWatchlistSymbol);
  EXPECT_FALSE(session->ItemCollection().at("GBPUSD")->isWatchlistSymbol);
}

TEST_F(SessionTest, WatchlistNeverOverwritesAnotherSettingUnderTheUserName) {
  logindata.setUserName("SoundKey");
  defaults->setBool("SoundKey", true);
  loginData(standardDataSet());
  EXPECT_THAT(session->selectedSymbols(), ElementsAre("EURUSD", "GBPUSD"));
  EXPECT_EQ(defaults->boolValue("SoundKey"), true);
}

TEST_F(SessionTest, RefusedLoginLeavesTheSavedWatchlistAlone) {
  defaults->setStringArray("alice", {"DAX", "EURUSD"});
  LoginDataSet data;
  data.loginMessages = {{"1", "", "9"}};
  session->NewMessage(frame({{10, "47"}, {160, "AMP"}, {1050, compressed(data.amp())}}));
  EXPECT_THAT(*defaults->stringArrayValue("alice"), ElementsAre("DAX", "EURUSD"));
  EXPECT_TRUE(session->selectedSymbols().empty());
}

TEST_F(SessionTest, SpreadOfOneGroupIsAppliedAndDisagreeingGroupsCancelIt) {
  loginData(standardDataSet());
  EXPECT_EQ(session->ItemCollection().at("GBPUSD")->Spreadtype, 3);
  EXPECT_EQ(session->ItemCollection().at("GBPUSD")->AskSpread, 3);
  EXPECT_EQ(session->ItemCollection().at("EURUSD")->Spreadtype, 0);

  LoginDataSet data = standardDataSet();
  data.groups.push_back({{"GroupId", "8"}, {"Name", "Other"}});
  data.groupInstruments.push_back({{"groupdetailsid", "2"}, {"groupid", "8"}, {"InstrumentId", "2"},
                                   {"SpreadBid", "2"}, {"SpreadAsk", "4"}, {"SpreadTypeId", "3"}});
  data.accounts[1]["GroupId"] = "8";
  makeSession();
  loginData(data);
  const auto& item = *session->ItemCollection().at("GBPUSD");
  EXPECT_EQ(item.Spreadtype, 4);
  EXPECT_EQ(item.BidSpread, 0);
  EXPECT_EQ(item.AskSpread, 0);
}

TEST_F(SessionTest, LoginAcceptedOpensTheChannelsRequestsTheDataSetsAndSubscribesTheItems) {
  LoginDataSet data = standardDataSet();
  data.accounts[1]["TradingStatusId"] = "5";
  loginData(data);
  int* loginSuccess = count("LoginSuccessNotification");
  loginAccepted();
  EXPECT_THAT(transport->calls, ElementsAre("sub 127.0.0.1:7001", "req 127.0.0.1:7002", "subscribe EURUSD GBPUSD"));
  // Four history requests and the equity request of the account at status 5, on the request channel.
  ASSERT_EQ(transport->zmq.size(), 5u);
  EXPECT_THAT(transport->zmq[0], HasSubstr("151=getopenpositions"));
  EXPECT_THAT(transport->zmq[4], HasSubstr("34=101"));
  // Three chat requests, enveloped under the session key.
  ASSERT_EQ(transport->tcp.size(), 3u);
  EXPECT_THAT(openSent(transport->tcp[0], logindata.SecurityKey()), HasSubstr("10=617"));
  EXPECT_TRUE(session->isPingTimerRunning());
  queue.runPending();
  EXPECT_EQ(*loginSuccess, 1);
  EXPECT_THAT(shell.events, ElementsAre("sound welcome"));
  EXPECT_EQ(observer.events.back(), "SESSION open");
  ASSERT_EQ(session->JournalDataCollection().size(), 2u);
  EXPECT_THAT(session->JournalDataCollection()[1], HasSubstr("Connected to 127.0.0.1:8310"));
}

TEST_F(SessionTest, LoginMessageCode15OffersTheUpdateOnlyWithAnAddress) {
  LoginDataSet data = standardDataSet();
  data.loginMessages = {{"1", "https://example.com/new", "15"}};
  loginData(data);
  loginAccepted();
  queue.runPending();
  ASSERT_EQ(shell.banners.size(), 1u);
  EXPECT_EQ(shell.banners[0].url, "https://example.com/new");
  EXPECT_EQ(shell.banners[0].dismissDelaySeconds, -1);

  data.loginMessages = {{"1", "", "15"}};
  shell.banners.clear();
  makeSession();
  loginData(data);
  loginAccepted();
  queue.runPending();
  EXPECT_TRUE(shell.banners.empty());
}

TEST_F(SessionTest, LoginRefusedShowsTheAlertOfItsErrorCode) {
  struct Case {
    const char* code;
    const char* message;
    int tag;
    bool url;
  };
  const Case cases[] = {
      {"10", "Your login has been disabled. Please contact back office.", 0, false},
      {"11", "Your account has been expired", 0, false},
      {"12", "You're using unsupported version of program. Do you want to download latest version now?", 3, true},
      {"9", "The username or password or server you entered is incorrect", 0, false},
      {"13", "The username or password or server you entered is incorrect", 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    makeSession();
    shell.alerts.clear();
    shell.events.clear();
    LoginDataSet data;
    data.loginMessages = {{"1", "https://example.com/dl", c.code}};
    session->NewMessage(frame({{10, "47"}, {160, "AMP"}, {1050, compressed(data.amp())}}));
    EXPECT_THAT(transport->calls, ElementsAre("disconnect"));
    queue.runPending();
    ASSERT_EQ(shell.alerts.size(), 1u);
    EXPECT_EQ(shell.alerts[0].message, c.message);
    EXPECT_EQ(shell.alerts[0].tag, c.tag);
    EXPECT_TRUE(shell.alerts[0].sheet);
    EXPECT_EQ(shell.alerts[0].url.has_value(), c.url);
    if (c.url) {
      EXPECT_EQ(*shell.alerts[0].url, "https://example.com/dl");
    }
    EXPECT_THAT(shell.events, ElementsAre("shake", "login controls", ::testing::StartsWith("alert")));
  }
}

TEST_F(SessionTest, LoginRefusedInXmlFormShowsTheGenericText) {
  LoginDataSet data = standardDataSet();
  session->NewMessage(frame({{10, "47"}, {160, "XML"}, {1050, compressed(data.xml())}}));
  queue.runPending();
  ASSERT_EQ(shell.alerts.size(), 1u);
  EXPECT_EQ(shell.alerts[0].message, "The username or password or server you entered is incorrect");
  EXPECT_TRUE(session->ItemCollection().empty());
  // The server closing its end right after the refusal is not a connection failure.
  session->connectionDidFail(GCDAsyncSocketError::badParamError("closed by peer"));
  queue.runPending();
  EXPECT_EQ(shell.alerts.size(), 1u);
}

TEST_F(SessionTest, LoggedInElsewhereDisconnectsAndShowsTheQuittingAlert) {
  loginData(standardDataSet());
  loginAccepted();
  session->NewMessage(frame({{10, "44"}, {105, "10.0.0.9"}}));
  EXPECT_EQ(transport->calls.back(), "disconnect");
  EXPECT_FALSE(session->isPingTimerRunning());
  queue.runPending();
  ASSERT_EQ(shell.alerts.size(), 1u);
  EXPECT_EQ(shell.alerts[0].tag, 1);
  EXPECT_FALSE(shell.alerts[0].sheet);
  EXPECT_THAT(shell.alerts[0].message, ::testing::EndsWith(" : 10.0.0.9 !"));
  EXPECT_EQ(observer.events.back(), "DISCONNECTED logged in elsewhere");
}

TEST_F(SessionTest, ReloginRequestDisconnectsAndStopsThePing) {
  loginData(standardDataSet());
  loginAccepted();
  LogCapture log;
  session->NewMessage(frame({{10, "1028"}}));
  EXPECT_EQ(transport->calls.back(), "relogin disconnect");
  EXPECT_FALSE(session->isPingTimerRunning());
  EXPECT_TRUE(log.contains("UserReloginRequest"));
  // The close that follows takes the failure path and names the relogin request as its cause.
  session->connectionDidFail(std::nullopt);
  EXPECT_EQ(observer.events.back(), "DISCONNECTED connection lost: relogin requested");
}

TEST_F(SessionTest, NewConnectionStartsFromTheInitialPassPhraseAndSendsTheLogin) {
  logindata.setSecurityKey("an earlier session's key");
  session->connectionDidConnect(false);
  EXPECT_EQ(logindata.SecurityKey(), ServerPresets::shipped().initialPassPhrase);
  ASSERT_EQ(transport->tcp.size(), 1u);
  EXPECT_THAT(transport->tcp[0], HasSubstr("1153=2\x03" "1132=2\x03"));
  const std::string login = openSent(transport->tcp[0], ServerPresets::shipped().initialPassPhrase);
  EXPECT_THAT(login, HasSubstr("10=32\x03"));
  EXPECT_THAT(login, HasSubstr("alice"));
  EXPECT_THAT(session->JournalDataCollection().at(0), HasSubstr("Trying Login to 127.0.0.1:8310"));
}

TEST_F(SessionTest, ConnectionFailureRunsTheShellPathAndReratesLater) {
  loginData(standardDataSet());
  loginAccepted();
  queue.runPending();
  shell.events.clear();
  session->connectionDidFail(GCDAsyncSocketError::badParamError("gone"));
  EXPECT_FALSE(session->isPingTimerRunning());
  queue.runPending();
  ASSERT_EQ(shell.events.size(), 3u);
  EXPECT_EQ(shell.events[0], "sound connectionLost");
  EXPECT_EQ(shell.events[1], "login controls");
  EXPECT_EQ(shell.alerts.at(0).tag, 2);
  EXPECT_EQ(shell.alerts.at(0).kind, SessionAlert::Kind::ConnectionFailed);
  observer.events.clear();
  queue.advance(std::chrono::milliseconds(3500));
  EXPECT_EQ(session->networkspeedStatus(), 3);
  ASSERT_FALSE(observer.events.empty());
  EXPECT_EQ(observer.events.back().rfind("PING 3", 0), 0u);
}

// ---- intake and dispatcher ----

TEST_F(SessionTest, TagPassKeepsTheLaterRequestIdAndTheReferenceOnlyFromTheLoginData) {
  session->NewMessage(frame({{10, "643"}, {33, "5"}, {20, "9"}, {19, "X"}, {21, "20240101000000"}}));
  EXPECT_EQ(session->Requestid(), 9);
  EXPECT_FALSE(session->Referenceid().has_value());
  EXPECT_EQ(session->serverTime(), "20240101000000");
  session->NewMessage(frame({{10, "643"}, {20, "9"}, {33, "12"}}));
  EXPECT_EQ(session->Requestid(), 12);
}

TEST_F(SessionTest, EveryDispatchedMessageRefreshesTheTablesButPingsAndEnvelopesDoNot) {
  std::vector<std::string> order;
  for (const char* name : {"OpenPositionTableNotification", "PieChartUpdateNotification",
                           "PendingOrderTableNotification", "SettledPositionTableNotification",
                           "CancelledOrderTableNotification", "ExecutedPositionTableNotification",
                           "JournalTableNotification"}) {
    tokens.push_back(notifications->addObserver(name, [&order, name](const Notification&) { order.push_back(name); }));
  }
  session->NewMessage(frame({{10, "1019"}, {21, "20240101000000"}}));
  session->NewMessage(envelopeFrame("", logindata.SecurityKey()));
  queue.runPending();
  EXPECT_TRUE(order.empty());
  session->NewMessage(frame({{10, "62"}, {73, "21"}}));
  queue.runPending();
  EXPECT_THAT(order, ElementsAre("OpenPositionTableNotification", "PieChartUpdateNotification",
                                 "PendingOrderTableNotification", "SettledPositionTableNotification",
                                 "CancelledOrderTableNotification", "ExecutedPositionTableNotification",
                                 "JournalTableNotification"));
}

TEST_F(SessionTest, ReceivedMessageLineMasksPasswords) {
  LogCapture log;
  session->NewMessage(frame({{10, "38"}, {103, "newpass"}, {104, "oldpass"}, {18, "pw"}}));
  ASSERT_TRUE(log.contains("Received Message - "));
  for (const auto& line : log.lines) {
    EXPECT_EQ(line.find("newpass"), std::string::npos) << line;
    EXPECT_EQ(line.find("oldpass"), std::string::npos) << line;
    EXPECT_EQ(line.find("18=pw"), std::string::npos) << line;
  }
  EXPECT_TRUE(log.contains("PasswordChangeResponseMessage"));
}

TEST_F(SessionTest, EveryCatalogueTypeIsRecognisedAndOthersAreIgnored) {
  for (int type : {18, 33, 38, 44, 47, 62, 66, 67, 76, 105, 601, 602, 603, 614, 616, 618, 619, 627, 643, 679, 680,
                   1019, 1024, 1027, 1028, 1041, 1045, 1049, 1052}) {
    EXPECT_NE(BusinessBase::replyKind(type), nullptr) << type;
  }
  EXPECT_EQ(BusinessBase::replyKind(61), nullptr);
  session->NewMessage(frame({{10, "61"}, {20, "4"}}));
  EXPECT_EQ(session->Requestid(), 4);
  session->NewMessage("12");  // no 0x03 after the length: nothing to dispatch
  EXPECT_EQ(session->stats().framesDropped, 1u);
}

TEST_F(SessionTest, ExecutionReportsLogTheirStatusName) {
  LogCapture log;
  session->NewMessage(frame({{10, "62"}, {73, "826"}}));
  session->NewMessage(frame({{10, "67"}, {73, "74"}}));
  session->NewMessage(frame({{10, "67"}, {73, "99"}}));
  EXPECT_TRUE(log.contains("OrderExchangeRejected"));
  EXPECT_TRUE(log.contains("OrderExecuted"));
  EXPECT_FALSE(log.contains("StatusUpdate"));
}

// ---- envelopes and compressed payloads ----

TEST_F(SessionTest, EnvelopeDispatchesEachInnerFrameInOrderAndKeepsAnUnfinishedTail) {
  const std::string first = wireFrame({{10, "643"}, {20, "1"}});
  const std::string second = wireFrame({{10, "643"}, {20, "2"}});
  const std::string third = wireFrame({{10, "643"}, {20, "3"}});
  session->NewMessage(envelopeFrame(first + second + third.substr(0, 5), logindata.SecurityKey()));
  EXPECT_EQ(session->Requestid(), 2);
  EXPECT_EQ(session->stats().framesDispatched, 3u);  // the envelope and two inner frames
  session->NewMessage(envelopeFrame(third.substr(5), logindata.SecurityKey()));
  EXPECT_EQ(session->Requestid(), 3);
}

TEST_F(SessionTest, EnvelopeUnderAnotherKeyIsDropped) {
  session->NewMessage(envelopeFrame(wireFrame({{10, "643"}, {20, "7"}}), "not the key"));
  EXPECT_EQ(session->Requestid(), 0);
}

TEST_F(SessionTest, DeeplyNestedEnvelopesStopAtTheLimit) {
  std::string inner = wireFrame({{10, "643"}, {20, "5"}});
  for (int i = 0; i < 20; ++i) inner = "\x01" + envelopeFrame(inner, logindata.SecurityKey()) + "\x02";
  session->ProcessMessage(inner);
  EXPECT_EQ(session->Requestid(), 0);
}

TEST_F(SessionTest, CompressedMessageIsInflatedAndDispatched) {
  LogCapture log;
  const std::string inner = wireFrame({{10, "643"}, {20, "31"}});
  session->NewMessage(frame({{10, "105"}, {1050, compressed(inner, "\x7f\x01\xff\x10")}}));
  EXPECT_EQ(session->Requestid(), 31);
  EXPECT_TRUE(log.contains("CompressedMessage"));
}

TEST_F(SessionTest, CompressedValueIsAllTheTextAfterTheFirstKey) {
  // The Base64 text "MTA1MD0=" ends in "=" and holds no key, so the value must reach the decoder whole.
  const std::string inner = wireFrame({{10, "643"}, {20, "8"}});
  const std::string value = compressed(inner);
  session->NewMessage("99\x03" "10=105\x03" "1050=" + value + "\x03");
  EXPECT_EQ(session->Requestid(), 8);
}

// ---- price feed ----

TEST_F(SessionTest, PriceLineUpdatesItsItemAndZeroPricesKeepTheStoredOnes) {
  loginData(standardDataSet());
  const auto& item = *session->ItemCollection().at("EURUSD");
  EXPECT_TRUE(session->PriceUpdateDecode("EURUSD\x04" "20240102030405\x04" "1.1\x04" "50\x04" "45\x04" "47\x04"
                                         "60\x04" "40\x04" "44\x04" "30\x04" "x\x04" "4"));
  EXPECT_DOUBLE_EQ(item.Bid, 1.1045);
  EXPECT_DOUBLE_EQ(item.Ask, 1.1047);
  EXPECT_DOUBLE_EQ(item.PrevClose, 1.103);
  EXPECT_EQ(item.UpdateTime, "01/02/2024 03:04:05");
  EXPECT_TRUE(item.isPriceUpdateReceived);
  EXPECT_TRUE(session->PriceUpdateDecode("EURUSD\x04" "20240102030406\x04" "1.1\x04" "\x04" "46\x04" "abc\x04" "4"));
  EXPECT_DOUBLE_EQ(item.Bid, 1.1046);
  EXPECT_DOUBLE_EQ(item.Ask, 1.1047);
  EXPECT_EQ(observer.ticks, 2);
}

TEST_F(SessionTest, EachAppliedPriceTellsTheWindowsItsItemAtOnce) {
  loginData(standardDataSet());
  std::vector<std::string> codes;
  tokens.push_back(notifications->addObserver("PriceUpdateNotification", [&](const Notification& n) {
    // Delivered inside the intake, with the item already updated.
    const std::string* code = n.objectAs<std::string>();
    ASSERT_NE(code, nullptr);
    codes.push_back(*code + "@" + std::to_string(session->ItemCollection().at(*code)->Bid));
  }));
  session->ZMQNewMessage("GBPUSD\x04" "20240102030405\x04" "1.25\x04" "0\x04" "0\x04" "0\x04" "4");
  session->ZMQNewMessage("NOSUCH\x04" "20240102030405\x04" "1\x04" "1\x04" "1\x04" "0");
  session->ZMQNewMessage("EURUSD\x04" "20240102030405\x04" "n/a\x04" "1\x04" "4");
  EXPECT_EQ(codes, (std::vector<std::string>{"GBPUSD@" + std::to_string(session->ItemCollection().at("GBPUSD")->Bid)}));
}

TEST_F(SessionTest, BadPriceLinesAreDroppedWithOneLogLine) {
  loginData(standardDataSet());
  LogCapture log;
  EXPECT_FALSE(session->PriceUpdateDecode("EURUSD\x04" "20240102030405\x04" "n/a\x04" "1\x04" "4"));
  EXPECT_FALSE(session->PriceUpdateDecode(""));
  EXPECT_EQ(log.lines.size(), 2u);
  EXPECT_EQ(session->ItemCollection().at("EURUSD")->Bid, 0);
  EXPECT_TRUE(session->PriceUpdateDecode("NOSUCH\x04" "20240102030405\x04" "1\x04" "1\x04" "1\x04" "0"));
  EXPECT_EQ(observer.ticks, 0);
}

// The item keeps the feed's own quote beside the spread one: an account whose group spreads
// otherwise deals at that quote widened by its own spread.
TEST_F(SessionTest, SpreadIsAppliedToTicksOfItsItemWhichKeepsTheFeedsQuote) {
  loginData(standardDataSet());
  session->ZMQNewMessage("GBPUSD\x04" "20240102030405\x04" "1.25\x04" "0\x04" "0\x04" "2\x04" "4");
  const auto& item = *session->ItemCollection().at("GBPUSD");
  EXPECT_NEAR(item.Bid, 1.2498, 1e-9);
  EXPECT_NEAR(item.Ask, 1.2505, 1e-9);
  EXPECT_NEAR(item.FeedBid, 1.25, 1e-9);
  EXPECT_NEAR(item.FeedAsk, 1.2502, 1e-9);
}

TEST_F(SessionTest, DepthLinesReplaceTheDepthOfTheirItem) {
  session->ZMQNewMessage("MD_EURUSD;1.1@5|1.09@7||;1.2@1");
  EXPECT_THAT(session->buyMarketDepthDataCollection().at("EURUSD"), ElementsAre("1.1@5", "1.09@7"));
  EXPECT_THAT(session->sellMarketDepthDataCollection().at("EURUSD"), ElementsAre("1.2@1"));
  session->ZMQNewMessage("MD_EURUSD;;");
  EXPECT_TRUE(session->buyMarketDepthDataCollection().at("EURUSD").empty());
  session->ZMQNewMessage("MD_GBPUSD;1|2");  // too few parts
  EXPECT_EQ(session->buyMarketDepthDataCollection().count("GBPUSD"), 0u);
  session->ZMQNewMessage("*#bm#*:anything");
  EXPECT_EQ(observer.events.back(), "DEPTH EURUSD");
}

TEST_F(SessionTest, InstrumentStatusFromTheFeedIsReassembledAndChangesTheSession) {
  loginData(standardDataSet());
  int* watchlist = count("WatchlistTableNotification");
  const std::string status = wireFrame({{10, "1049"}, {12, "EURUSD"}, {574, "2"}});
  session->ZMQNewMessage("IS;" + status.substr(0, 9));
  EXPECT_EQ(session->ItemCollection().at("EURUSD")->CurrentTradeSessionSettingId, 1);
  session->ZMQNewMessage("IS;" + status.substr(9) + ";trailer");
  EXPECT_EQ(session->ItemCollection().at("EURUSD")->CurrentTradeSessionSettingId, 2);
  EXPECT_EQ(*watchlist, 1);
  session->ZMQNewMessage("IS;" + wireFrame({{10, "1049"}, {12, "EURUSD"}, {574, "0"}}));
  EXPECT_EQ(session->ItemCollection().at("EURUSD")->CurrentTradeSessionSettingId, 2);
}

// ---- keep-alive ----

TEST_F(SessionTest, PingEverySecondUntilTheSessionEnds) {
  loginData(standardDataSet());
  loginAccepted();
  const std::size_t before = transport->tcp.size();
  queue.advance(std::chrono::seconds(3));
  ASSERT_EQ(transport->tcp.size(), before + 3);
  const std::string ping = openSent(transport->tcp.back(), logindata.SecurityKey());
  EXPECT_THAT(ping, HasSubstr("10=1018\x03" "20=1\x03" "21="));
  session->disconnectServer();
  queue.advance(std::chrono::seconds(3));
  EXPECT_EQ(transport->tcp.size(), before + 3);
}

TEST_F(SessionTest, ReplacedSessionStopsItsPingAndClosesItsTransport) {
  loginData(standardDataSet());
  loginAccepted();
  queue.runPending();
  const std::shared_ptr<bool> shutDown = transport->shutDown;
  std::weak_ptr<BusinessBase> weak = session;
  session.reset();
  EXPECT_TRUE(weak.expired());  // the ping timer does not keep it alive
  EXPECT_TRUE(*shutDown);
  queue.advance(std::chrono::seconds(2));
  EXPECT_EQ(queue.pendingTimers(), 0u);  // no ping is scheduled any more
}

TEST_F(SessionTest, PingReplyRatesTheIntervalAndPublishesTheServerTime) {
  struct Case {
    int millis;
    int status;
  };
  for (const Case c : {Case{999, 0}, Case{1000, 1}, Case{2000, 2}, Case{3000, 2}, Case{3001, 3}}) {
    SCOPED_TRACE(c.millis);
    session->PingHandedToEnvelope();
    queue.advance(std::chrono::milliseconds(c.millis));
    session->NewMessage(frame({{10, "1019"}, {21, "20240102030405"}}));
    EXPECT_EQ(session->networkspeedStatus(), c.status);
  }
  EXPECT_EQ(session->ServerTime(), "20240102030405");
  queue.runPending();
  std::vector<std::string> published;
  tokens.push_back(notifications->addObserver("NetworkSpeedNotification", [&](const Notification& n) {
    if (auto text = n.objectAs<std::string>()) published.push_back(*text);
  }));
  session->NewMessage(frame({{10, "1019"}, {21, "garbage"}}));
  queue.runPending();
  EXPECT_FALSE(session->ServerTime().has_value());
  EXPECT_EQ(session->networkspeedStatus(), 3);  // the last request was 3.001 s ago
  EXPECT_TRUE(published.empty());
}

TEST_F(SessionTest, RatingWithoutADateOrBackwardsIsTheWorst) {
  session->calculateNetworkSpeed(std::nullopt);
  EXPECT_EQ(session->networkspeedStatus(), 3);
  session->calculateNetworkSpeed(session->now() + std::chrono::seconds(1));
  EXPECT_EQ(session->networkspeedStatus(), 3);
  EXPECT_EQ(BusinessBase::rateNetworkSpeed(std::nan("")), 3);
}

// ---- read side and channels ----

TEST_F(SessionTest, AllItemsHoldsEachCodeOnceAndLeavesHiddenAccountsOut) {
  loginData(standardDataSet());
  auto order = [](std::string account, std::string code) {
    auto o = std::make_shared<Order>();
    o->AccountNumber = std::move(account);
    o->ItemCode = std::move(code);
    return o;
  };
  session->OpenOrderCollection = {order("100", "EURUSD"), order("100", "DAX"), order("999", "USDJPY")};
  session->PendingOrderCollection = {order("101", "XAU")};
  EXPECT_THAT(session->getAllItems(), ElementsAre("EURUSD", "GBPUSD", "DAX", "USDJPY", "XAU"));
  session->AccountDetailCollection().at("101")->tradingStatus = 3;
  EXPECT_THAT(session->getAllItems(), ElementsAre("EURUSD", "GBPUSD", "DAX", "USDJPY"));
  session->AccountDetailCollection().at("100")->accountaccessType = 10;
  EXPECT_THAT(session->getAllItems(), ElementsAre("EURUSD", "GBPUSD", "USDJPY"));
}

TEST_F(SessionTest, ReconnectOnlyWhileTheTcpSessionStands) {
  loginData(standardDataSet());
  transport->connected = false;
  session->reconnectZMQandSubscribeAllItems();
  EXPECT_TRUE(transport->calls.empty());
  int* back = count(ChartRequests::kRequestChannelBack);
  transport->connected = true;
  session->reconnectZMQandSubscribeAllItems();
  EXPECT_THAT(transport->calls, ElementsAre("sub 127.0.0.1:7001", "req 127.0.0.1:7002", "subscribe EURUSD GBPUSD"));
  queue.runPending();
  EXPECT_EQ(*back, 1);  // the charts that lack their history ask again
}

TEST_F(SessionTest, SubscriptionsAreBlockedWhileTheOnlyAccountIsSuspended) {
  LoginDataSet data = standardDataSet();
  data.accounts.pop_back();
  data.accounts[0]["TradingStatusId"] = "3";
  loginData(data);
  loginAccepted();
  for (const auto& call : transport->calls) EXPECT_EQ(call.find("subscribe"), std::string::npos) << call;
}

}  // namespace
}  // namespace td::testing
