// The session's data-set channel over its DataSetService: replies on the request channel reach the
// session's collections and the observer, chart replies reach the waiting views, the requests go out
// on the request channel, and re-entered text is cut per channel.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "SessionTestSupport.h"

namespace td::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::string cols(std::initializer_list<std::string> c) {
  std::string out;
  bool first = true;
  for (const auto& s : c) {
    if (!first) out += '\x05';
    out += s;
    first = false;
  }
  return out;
}
std::string rows(std::initializer_list<std::string> r) {
  std::string out;
  for (const auto& s : r) out += s + '\x06';
  return out;
}

std::string openRow(const std::string& id, const std::string& instrument) {
  return cols({id, "100", instrument, "1", "T1", "PO1", "E1", "2", "2", "1.5", "8", "20240131153000", "CM", "me",
               "-2.5", "TR", "RP1", "1", "2", "0.75", "20240201000000", "00010101000000"});
}
std::string pendingRow(const std::string& id) {
  return cols({id, "TK", "100", "3", "0", "2", "2", "0", "0", "1", "1.2", "0", "0", "0", "1", "1", "20241231000000",
               "0", "0", "0", "0", "0.2", "TR", "RPO", "20240131153000", "0", "0", "0", ""});
}
std::string settledRow(const std::string& id) {
  return cols({id, "100", "1", "P1", "P2", "1.5", "12.5", "20240131153000", "1.1", "0.5", "3", "0.25", "1", "1.2500",
               "1.3", "20240130100000", "20240131153000", "2"});
}

std::string reply(const std::string& context, const std::string& data) {
  return frame({{10, "1024"}, {151, context}, {159, data}});
}

class SessionDataSetsTest : public SessionTest {
 protected:
  void open() {
    loginData(standardDataSet());
    loginAccepted();
    observer.events.clear();
    transport->calls.clear();
  }
  std::vector<std::string> eventsWith(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& e : observer.events) {
      if (e.rfind(prefix, 0) == 0) out.push_back(e);
    }
    return out;
  }
};

TEST_F(SessionDataSetsTest, InitialRepliesFillTheCollectionsAndReportThemOnceAllFourCame) {
  open();
  session->NewMessage(reply("getopenpositions", rows({openRow("P1", "1"), openRow("P2", "3")})),
                      FrameChannel::Requests);
  ASSERT_EQ(session->OpenOrderCollection.size(), 2u);
  EXPECT_EQ(session->OpenOrderCollection[0]->ItemCode, "EURUSD");
  EXPECT_EQ(session->OpenOrderCollection[1]->ItemCode, "DAX");
  // A non-empty open-position reply subscribes every item in use, the positions' items included.
  EXPECT_THAT(transport->calls, ElementsAre("subscribe EURUSD GBPUSD DAX"));

  session->NewMessage(reply("getpendingorders", rows({pendingRow("W1")})), FrameChannel::Requests);
  session->NewMessage(reply("getsettledpositions", rows({settledRow("S1"), "short\x05row"})), FrameChannel::Requests);
  EXPECT_TRUE(eventsWith("COLLECTIONS").empty());
  session->NewMessage(reply("getcancelledorders", "ERROR"), FrameChannel::Requests);
  EXPECT_EQ(session->PendingOrderCollection.size(), 1u);
  EXPECT_EQ(session->SettledOrderCollection.size(), 1u);
  EXPECT_TRUE(session->CancelledOrderCollection.empty());
  EXPECT_THAT(eventsWith("DATASET"),
              ElementsAre("DATASET getopenpositions rows=2", "DATASET getpendingorders rows=1",
                          "DATASET getsettledpositions rows=1", "DATASET getcancelledorders rows=0"));
  EXPECT_THAT(eventsWith("COLLECTIONS"), ElementsAre("COLLECTIONS 2 1 1 0"));

  // A later reply of an initial context is loaded again but the sizes are reported only once.
  session->NewMessage(reply("getcancelledorders", ""), FrameChannel::Requests);
  EXPECT_EQ(eventsWith("COLLECTIONS").size(), 1u);
}

TEST_F(SessionDataSetsTest, ChartReplyPostsTheNotificationOfEachWaitingRequestOnTheMainThread) {
  open();
  // The view raises the request id and sends the chart request under it.
  const std::int32_t id = 41;
  session->setRequestid(id);
  const std::size_t before = transport->zmq.size();
  ASSERT_TRUE(session->requestChartData("EURUSD", "D", 200));
  ASSERT_EQ(transport->zmq.size(), before + 1);
  EXPECT_THAT(transport->zmq.back(), HasSubstr("EURUSD"));
  int* answered = count("MainviewChartDataReceivedNotification" + std::to_string(id));
  int* other = count("MainviewChartDataReceivedNotification" + std::to_string(id + 1));
  session->NewMessage(frame({{10, "1041"}, {17, "<x~EURUSD^D~200>bars"}}), FrameChannel::Requests);
  EXPECT_EQ(*answered, 0);  // posted, not delivered inside the handler
  queue.runPending();
  EXPECT_EQ(*answered, 1);
  EXPECT_EQ(*other, 0);
  ASSERT_EQ(session->chartDataCollection.count("EURUSD^D"), 1u);
  EXPECT_EQ(session->chartDataCollection.at("EURUSD^D"), "<x~EURUSD^D~200>bars");
}

// A chart view that asks again waits for a request of its key still in flight rather than send one.
TEST_F(SessionDataSetsTest, AChartRequestIsInFlightUntilItsReplyOrTheChannelReportsItsOutcome) {
  open();
  for (std::size_t i = 0; i < transport->zmq.size(); ++i) session->connectionDidFinishRequest(true);
  const ChartRequests& charts = session->datasets().charts();
  session->setRequestid(7);
  ASSERT_TRUE(session->requestChartData("EURUSD", "D", 200));
  session->setRequestid(8);
  ASSERT_TRUE(session->requestChartData("GOLD", "H", 200));
  EXPECT_EQ(charts.requestInFlight("EURUSD^D"), 7);
  session->connectionDidFinishRequest(false);  // the channel dropped the EURUSD request
  EXPECT_EQ(charts.requestInFlight("EURUSD^D"), std::nullopt);
  EXPECT_EQ(charts.requestInFlight("GOLD^H"), 8);
  session->NewMessage(frame({{10, "1041"}, {17, "<x~GOLD^H~200>bars"}}), FrameChannel::Requests);
  EXPECT_EQ(charts.requestInFlight("GOLD^H"), std::nullopt);
}

TEST_F(SessionDataSetsTest, SearchBankStatementAndPasswordRequestsGoThroughTheService) {
  open();
  const std::size_t before = transport->zmq.size();
  SearchInfo search;
  search.AccountNumber = "100";
  EXPECT_TRUE(session->requestExecutedPosition(search));
  EXPECT_TRUE(session->requestFinancialTransactions(search));
  EXPECT_TRUE(session->requestBankDetails(*session->AccountDetailCollection().begin()->second));
  EXPECT_TRUE(session->requestAccountStatement({std::string("100"), std::nullopt, std::nullopt}));
  ASSERT_EQ(transport->zmq.size(), before + 4);
  EXPECT_THAT(transport->zmq[before], HasSubstr("151=getexecutedpositions"));
  EXPECT_THAT(transport->zmq[before + 3], HasSubstr("151=getdsaccountstatement"));
  const std::size_t tcpBefore = transport->tcp.size();
  EXPECT_TRUE(session->changeMyPassword("secret", "newer"));
  ASSERT_EQ(transport->tcp.size(), tcpBefore + 1);
  EXPECT_THAT(openSent(transport->tcp.back(), logindata.SecurityKey()), HasSubstr("10=37"));
}

TEST_F(SessionDataSetsTest, BankReplyIsMatchedToItsOwnRequestEvenAfterADroppedOne) {
  open();
  const auto& accounts = session->AccountDetailCollection();
  // Every request sent so far (the initial data sets) has been answered.
  for (std::size_t i = 0; i < transport->zmq.size(); ++i) session->connectionDidFinishRequest(true);
  const auto first = session->requestBankDetails(*accounts.at("100"));
  const auto second = session->requestBankDetails(*accounts.at("101"));
  ASSERT_TRUE(first && second);
  EXPECT_EQ(*second, *first + 1);
  std::vector<std::pair<std::uint64_t, std::string>> replies;
  int unmatched = 0;
  tokens.push_back(notifications->addObserver("BankDetailsNotification", [&](const Notification& n) {
    if (const auto* r = n.objectAs<BankDetailsReply>()) {
      replies.emplace_back(r->request, r->details ? r->details->BankName : "(none)");
    } else {
      ++unmatched;
    }
  }));
  // The first request gets no reply in time and is dropped; the reply that comes is the second's.
  session->connectionDidFinishRequest(false);
  session->NewMessage(reply("getbankaccounts", rows({cols({"9", "123", "1", "Second", "1", "", "Bank 101"})})),
                      FrameChannel::Requests);
  session->connectionDidFinishRequest(true);
  // A bank reply to a request the session did not number as a bank request names nobody.
  session->NewMessage(reply("getbankaccounts", rows({cols({"9", "7", "1", "X", "1", "", "Stray"})})),
                      FrameChannel::Requests);
  queue.runPending();
  EXPECT_EQ(replies, (std::vector<std::pair<std::uint64_t, std::string>>{{*second, "Bank 101"}}));
  EXPECT_EQ(unmatched, 1);
  EXPECT_EQ(session->bankDetails->BankName, "Stray");
}

TEST_F(SessionDataSetsTest, FinancialTransactionsAndTheStatementPassThroughTheSessionGetters) {
  open();
  session->NewMessage(reply("getfinancialtransactions", ""), FrameChannel::Requests);
  EXPECT_TRUE(session->FinancialTransactionCollection().empty());
  EXPECT_THAT(eventsWith("DATASET"), ElementsAre("DATASET getfinancialtransactions rows=0"));
  EXPECT_EQ(&session->accountStatementInfo(), &session->datasets().accountStatementInfo());
}

TEST_F(SessionDataSetsTest, EnvelopeTailsOfTheTwoChannelsNeverJoin) {
  const std::string sessionFrame = wireFrame({{10, "643"}, {20, "7"}});
  const std::string requestFrame = wireFrame({{10, "643"}, {20, "9"}});
  // Each channel leaves half a frame in an envelope; the halves complete on their own channels.
  session->NewMessage(envelopeFrame(sessionFrame.substr(0, 6), logindata.SecurityKey()), FrameChannel::Session);
  session->NewMessage(envelopeFrame(requestFrame.substr(0, 6), logindata.SecurityKey()), FrameChannel::Requests);
  session->NewMessage(envelopeFrame(requestFrame.substr(6), logindata.SecurityKey()), FrameChannel::Requests);
  EXPECT_EQ(session->Requestid(), 9);
  session->NewMessage(envelopeFrame(sessionFrame.substr(6), logindata.SecurityKey()), FrameChannel::Session);
  EXPECT_EQ(session->Requestid(), 7);
  EXPECT_EQ(session->stats().framesDropped, 0u);
}

}  // namespace
}  // namespace td::testing
