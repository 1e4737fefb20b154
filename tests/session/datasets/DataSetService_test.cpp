#include "session/datasets/DataSetService.h"

#include <gtest/gtest.h>

#include <any>
#include <chrono>
#include <string>
#include <vector>

#include "model/ReferenceData.h"
#include "platform/DispatchQueue.h"
#include "platform/ManualMainQueue.h"
#include "wire/Formatter.h"

namespace td {
namespace {

class Sink : public MessageSink {
 public:
  bool SendMessage(std::string_view frame, bool toZMQ) override {
    frames.emplace_back(frame);
    zmq.push_back(toZMQ);
    return true;
  }
  // The tags of frame i in body order.
  std::vector<std::string> tags(std::size_t i) const {
    std::vector<std::string> out;
    const std::string& f = frames.at(i);
    std::size_t start = f.find('\x03') + 1;
    while (start < f.size() - 1) {
      const std::size_t end = f.find('\x03', start);
      out.push_back(f.substr(start, end - start));
      start = end + 1;
    }
    return out;
  }
  std::vector<std::string> frames;
  std::vector<bool> zmq;
};

Date parseLocal(std::string_view stamp) { return *Formatter::getDateFormatter(AMP_DATE_FORMAT).parse(stamp); }

std::string cols(std::initializer_list<std::string> c) {
  std::string out;
  for (const auto& s : c) {
    if (!out.empty() || &s != c.begin()) out += '\x05';
    out += s;
  }
  return out;
}
std::string rows(std::initializer_list<std::string> r) {
  std::string out;
  for (const auto& s : r) out += s + '\x06';
  return out;
}

// PositionId, AccountId, InstrumentId, IsBuy, qtys, price, commission, date.
std::string openRow(const std::string& id, const std::string& instrument, const std::string& initialQty,
                    const std::string& qty, const std::string& price = "1.5", const std::string& commission = "8",
                    const std::string& date = "20240131153000") {
  return cols({id, "1001", instrument, "1", "T1", "PO1", "E1", initialQty, qty, price, commission, date, "CM", "me",
               "-2.5", "TR", "RP1", "1", "2", "0.75", "20240201000000", "00010101000000"});
}
std::string pendingRow(const std::string& id, const std::string& type, const std::string& price,
                       const std::string& remaining, const std::string& bracket, const std::string& limit = "0",
                       const std::string& stop = "0") {
  return cols({id, "TK", "1001", "7", "0", type, "2", "0", "0", remaining, price, limit, stop, "0", "1", "1",
               "20241231000000", "0", "0", "0", "0", "0.2", "TR", "RPO", "20240131153000", bracket, "0", "0", ""});
}
std::string settledRow(const std::string& id, const std::string& pl) {
  return cols({id, "1001", "9", "P1", "P2", "1.5", pl, "20240131153000", "1.1", "0.5", "3", "0.25", "1", "1.2500",
               "1.3", "20240130100000", "20240131153000", "2"});
}
std::string cancelledRow(const std::string& id, const std::string& account, const std::string& instrument) {
  return cols({id, "2", "TK", "PO", instrument, account, "R", "20240131153000", "U", "0", "1", "0", "0", "0", "0",
               "2", "1.25", ""});
}

class DataSetServiceTest : public ::testing::Test {
 protected:
  DataSetServiceTest()
      : messageBase(sink, [] { return std::string("pass"); }),
        service(targets(), reference, hooks()) {
    reference.FillItemDetails(XmlRow{{{"Code", "EURUSD"}, {"InstrumentId", "7"}}});
    reference.FillItemDetails(XmlRow{{{"Code", "GOLD"}, {"InstrumentId", "9"}}});
    reference.FillAccountDetails(XmlRow{{{"AccountId", "1001"}}});
    reference.FillAccountDetails(XmlRow{{{"AccountId", "1002"}}});
  }

  DataSetTargets targets() {
    return {{pending, pendingCopy, cancelled, open, openCopy, settled, executedSearch, executedState, journal},
            bank,
            chartCache};
  }

  DataSetService::Hooks hooks() {
    DataSetService::Hooks h;
    h.postOnMainThread = [this](std::string name, std::any object) {
      posted.push_back(name);
      if (object.has_value()) objects.push_back(std::any_cast<std::string>(object));
    };
    h.subscribeAllItems = [this] { ++subscriptions; };
    h.dataSetLoaded = [this](std::string_view context, std::size_t n) {
      loaded.push_back(std::string(context) + " rows=" + std::to_string(n));
    };
    h.initialCollectionsLoaded = [this](std::size_t o, std::size_t p, std::size_t s, std::size_t c) {
      collections = {o, p, s, c};
    };
    return h;
  }

  SessionValues session() const { return {"alice", std::string("R77"), 41, "20240102030405"}; }

  Sink sink;
  MessageBase messageBase;
  ReferenceData reference;
  OrderList open, openCopy, pending, pendingCopy, settled, cancelled, executedSearch;
  bool executedState = false;
  std::vector<std::string> journal;
  std::shared_ptr<BankDetails> bank;
  ChartDataCollection chartCache;
  std::vector<std::string> posted, objects, loaded;
  std::vector<std::size_t> collections;
  int subscriptions = 0;
  DataSetService service;
};

// --- Requests ---

TEST_F(DataSetServiceTest, InitialRequestsAreTheFourHistoriesThenEquityHitPerAccountInStatusFive) {
  reference.account("1002")->tradingStatus = 5;
  EXPECT_EQ(service.requestInitialDataSets(messageBase, session(), 7), 5u);
  ASSERT_EQ(sink.frames.size(), 5u);
  const char* contexts[] = {"151=getopenpositions", "151=getpendingorders", "151=getsettledpositions",
                            "151=getcancelledorders"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(sink.tags(i), (std::vector<std::string>{"10=1023", contexts[i], "152=1000", "153=1", "20=42",
                                                      "115=7", "23=alice", "19=R77", "21=20240102030405"}));
    EXPECT_TRUE(sink.zmq[i]);
  }
  EXPECT_EQ(sink.tags(4), (std::vector<std::string>{"10=1023", "151=getequityhitpriceinfo", "152=1000", "160=0",
                                                    "153=1", "20=42", "34=1002", "115=7", "23=alice", "19=R77",
                                                    "21=20240102030405"}));
}

TEST_F(DataSetServiceTest, SearchAndStatementRequestsWriteTheirDatesAsWireStamps) {
  const Date from = parseLocal("20240105093000");
  const Date to = parseLocal("20240106174500");
  SearchInfo search{from, to, "DEP", "1001"};
  ASSERT_TRUE(service.requestFinancialTransactions(messageBase, session(), 7, search));
  EXPECT_EQ(sink.tags(0), (std::vector<std::string>{"10=1023", "151=getfinancialtransactions", "152=1000", "153=1",
                                                    "34=1001", "575=20240105093000", "576=20240106174500",
                                                    "551=DEP", "20=42", "115=7", "23=alice", "19=R77",
                                                    "21=20240102030405"}));
  ASSERT_TRUE(service.requestExecutedPosition(messageBase, session(), 7, search));
  EXPECT_EQ(sink.tags(1), (std::vector<std::string>{"10=1023", "151=getexecutedpositions", "152=1000", "153=1",
                                                    "575=20240105093000", "576=20240106174500", "20=42", "115=7",
                                                    "23=alice", "19=R77", "21=20240102030405"}));
  AccountDetails account;
  account.AccountId = 1001;
  ASSERT_TRUE(service.requestBankDetails(messageBase, session(), 7, account));
  EXPECT_EQ(sink.tags(2), (std::vector<std::string>{"10=1023", "151=getbankaccounts", "152=1000", "153=1", "34=1001",
                                                    "1132=1", "20=42", "115=7", "23=alice", "19=R77",
                                                    "21=20240102030405"}));
  ASSERT_TRUE(service.requestAccountStatement(messageBase, session(), 7, {std::string("1001"), from, to}));
  EXPECT_EQ(sink.tags(3), (std::vector<std::string>{"10=1023", "151=getdsaccountstatement", "152=1000", "153=1",
                                                    "34=1001", "575=20240105093000", "576=20240106174500", "20=42",
                                                    "115=7", "23=alice", "19=R77", "21=20240102030405"}));
}

TEST_F(DataSetServiceTest, ChartRequestCarriesTheCounterAsHeldAndPasswordTheCounterPlusOne) {
  ASSERT_TRUE(service.requestChartData(messageBase, session(), "EURUSD", "D", 200));
  EXPECT_EQ(sink.tags(0), (std::vector<std::string>{"10=1040", "12=EURUSD", "83=D", "20=41", "1025=200", "23=alice",
                                                    "19=R77", "21=20240102030405"}));
  EXPECT_TRUE(sink.zmq[0]);
  ASSERT_TRUE(service.changeMyPassword(messageBase, session(), "old", "new"));
  EXPECT_FALSE(sink.zmq[1]);  // enveloped to the TCP session
}

// --- The row loop ---

TEST_F(DataSetServiceTest, EmptyPiecesAreNoRowsAndThreeOpenPositionsSubscribeOnce) {
  service.processDSResponse(rows({openRow("1", "7", "2", "2")}) + '\x06' + openRow("2", "9", "1", "1") + '\x06' +
                                openRow("3", "7", "1", "1"),
                            "getopenpositions");
  EXPECT_EQ(open.size(), 3u);
  EXPECT_EQ(subscriptions, 1);
  EXPECT_EQ(loaded, (std::vector<std::string>{"getopenpositions rows=3"}));
}

TEST_F(DataSetServiceTest, EmptyAndErrorRepliesHaveNoRowsAndSubscribeNothing) {
  for (const char* data : {"", "ERROR", "error", "ErRoR"}) service.processDSResponse(data, "getopenpositions");
  EXPECT_TRUE(open.empty());
  EXPECT_EQ(subscriptions, 0);
  EXPECT_TRUE(posted.empty());
}

TEST_F(DataSetServiceTest, DataThatOnlyBeginsWithErrorIsReadAsRows) {
  service.processDSResponse("ERROR and more", "getexecutedpositions");
  ASSERT_EQ(executedSearch.size(), 1u);
  EXPECT_EQ(executedSearch[0]->OpenPositionId, "ERROR and more");
}

TEST_F(DataSetServiceTest, AShortRowIsSkippedAndTheRestStillLoadsAndSubscribes) {
  service.processDSResponse(rows({openRow("1", "7", "1", "1"), "2\x05" "1001\x05" "7", openRow("3", "7", "1", "1")}),
                            "getopenpositions");
  ASSERT_EQ(open.size(), 2u);
  EXPECT_EQ(open[0]->OpenPositionId, "1");
  EXPECT_EQ(open[1]->OpenPositionId, "3");
  EXPECT_EQ(subscriptions, 1);
  EXPECT_EQ(loaded.back(), "getopenpositions rows=2");
}

TEST_F(DataSetServiceTest, UnknownContextDropsItsRows) {
  service.processDSResponse(rows({openRow("1", "7", "1", "1")}), "getsomethingelse");
  EXPECT_TRUE(open.empty());
  EXPECT_EQ(loaded.back(), "getsomethingelse rows=0");
}

TEST_F(DataSetServiceTest, InitialCollectionSizesAreReportedOnceAllFourAreAnswered) {
  service.processDSResponse(rows({openRow("1", "7", "1", "1"), openRow("2", "7", "1", "0")}), "getopenpositions");
  service.processDSResponse(rows({pendingRow("W1", "2", "1.25", "1", "")}), "getpendingorders");
  service.processDSResponse("", "getsettledpositions");
  EXPECT_TRUE(collections.empty());
  service.processDSResponse(rows({cancelledRow("C1", "1001", "7")}), "getcancelledorders");
  EXPECT_EQ(collections, (std::vector<std::size_t>{1, 1, 0, 1}));
}

// --- Conversions of the initial collections ---

TEST_F(DataSetServiceTest, OpenPositionConvertsNumbersDatesAndCommission) {
  service.processDSResponse(rows({openRow("P1", "7", "4", "1", "1.5", "8", "20240131153000")}), "getopenpositions");
  ASSERT_EQ(open.size(), 1u);
  const Order& o = *open[0];
  EXPECT_EQ(o.ItemCode, "EURUSD");
  EXPECT_EQ(o.tradingMode, 0);
  EXPECT_EQ(o.OrderQty, "4.000000");
  EXPECT_EQ(o.RemainingQty, "1.000000");
  EXPECT_EQ(o.OrderPrice, "1.500000");
  EXPECT_DOUBLE_EQ(o.Commision, 2.0);
  EXPECT_EQ(o.TransactionDateTime, "01/31/2024 15:30:00");
  EXPECT_EQ(o.ValueDate, "02/01/2024");
  EXPECT_EQ(o.ExpiryDate, "");  // "00010101000000"
  EXPECT_EQ(o.ExecutionId, "E1");
  EXPECT_EQ(o.PendingOrderId, "PO1");
  EXPECT_EQ(o.OrderRouteId, "RP1");
  EXPECT_EQ(o.UnrealisedPL, -2.5);
  EXPECT_EQ(o.deliveryMode, 1);
  EXPECT_EQ(o.orderType, 2);
}

TEST_F(DataSetServiceTest, OpenPositionEdgeValues) {
  service.processDSResponse(rows({openRow("Z", "5", "0", "0", "1", "8", "00010101000000"), openRow("Q", "7", "0", "2")}),
                            "getopenpositions");
  ASSERT_EQ(openCopy.size(), 1u);  // quantity 0: no open position
  EXPECT_EQ(openCopy[0]->ItemCode, "");  // unknown instrument
  EXPECT_EQ(openCopy[0]->TransactionDateTime, "");
  ASSERT_EQ(open.size(), 1u);
  EXPECT_DOUBLE_EQ(open[0]->Commision, 8.0);  // no opening quantity: commission kept, not infinite
}

TEST_F(DataSetServiceTest, WorkingOrderLinksItsBracketByOrderType) {
  service.processDSResponse(rows({openRow("P", "7", "1", "1"), openRow("Q", "7", "1", "1")}), "getopenpositions");
  service.processDSResponse(rows({pendingRow("W1", "2", "1.25", "1", "P"), pendingRow("W2", "3", "1.1", "1", "Q"),
                                  pendingRow("W3", "2", "9", "0", "Q", "1.4", "0")}),
                            "getpendingorders");
  EXPECT_EQ(open[0]->LimitPrice, "1.250000");
  EXPECT_EQ(open[0]->StopPrice, "");
  EXPECT_EQ(open[1]->StopPrice, "1.100000");
  EXPECT_EQ(open[1]->LimitPrice, "9.000000");  // the filled one still links
  ASSERT_EQ(pending.size(), 2u);
  EXPECT_EQ(pending[0]->LimitPrice, "");  // 0: left unset
  EXPECT_EQ(pending[0]->StopPrice, "");
  EXPECT_EQ(pending[0]->TransactionDateTime, "01/31/2024 15:30:00");
  EXPECT_EQ(pending[0]->ExpiryDate, "20241231000000");  // as sent
  ASSERT_EQ(pendingCopy.size(), 1u);
  EXPECT_EQ(pendingCopy[0]->LimitPrice, "1.400000");
  EXPECT_EQ(subscriptions, 2);
}

TEST_F(DataSetServiceTest, SettledRowKeepsPricesAsSentAndWritesProfitWithTwoDecimals) {
  service.processDSResponse(rows({settledRow("S1", "-3.5")}), "getsettledpositions");
  ASSERT_EQ(settled.size(), 1u);
  const Order& s = *settled[0];
  EXPECT_EQ(s.SettledPL, "-3.50");
  EXPECT_EQ(s.SettledQty, "1.500000");
  EXPECT_EQ(s.OrderPrice, "1.2500");
  EXPECT_EQ(s.SettledPrice, "1.3");
  EXPECT_EQ(s.ItemCode, "GOLD");
  EXPECT_EQ(s.ItemTime, "01/30/2024 10:00:00");
  EXPECT_EQ(s.Commision, 3);
  EXPECT_EQ(s.OtherCharges, 0.25);
  EXPECT_EQ(subscriptions, 0);
}

TEST_F(DataSetServiceTest, CancelledRowsOfOtherAccountsOrWithoutInstrumentAreDropped) {
  service.processDSResponse(rows({cancelledRow("C1", "1001", "7"), cancelledRow("C2", "9999", "7"),
                                  cancelledRow("C3", "1002", "0")}),
                            "getcancelledorders");
  ASSERT_EQ(cancelled.size(), 1u);
  EXPECT_EQ(cancelled[0]->CancelledOrderId, "C1");
  EXPECT_EQ(cancelled[0]->OrderQty, "2.000000");
  EXPECT_EQ(cancelled[0]->OrderPrice, "1.250000");
  EXPECT_EQ(cancelled[0]->orderType, 2);
}

TEST_F(DataSetServiceTest, EquityHitSetsPriceAndProfitOfItsOpenPositionOnly) {
  service.processDSResponse(rows({openRow("P", "7", "1", "1")}), "getopenpositions");
  const auto hit = [](const std::string& position) {
    return cols({"1", "2", position, "7", "1.5", "1.2", "1001", "-40", "0", "0", "1", "1", "1", "100"});
  };
  service.processDSResponse(rows({hit("P"), hit("nobody")}), "getequityhitpriceinfo");
  EXPECT_EQ(open[0]->EquityHitPrice, 1.2);
  EXPECT_EQ(open[0]->UnrealisedPL, -40);
}

// --- Searches and the bank account ---

TEST_F(DataSetServiceTest, ExecutedPositionRowSetsTheColumnsPresent) {
  service.processDSResponse(rows({cols({"P1", "1001", "9", "0", "5"}),
                                  cols({"P2", "1001", "7", "1", "5", "10", "1.1", "2", "1", "20240131153000",
                                        "20240201000000", "20240301000000", "W9", "x", "y", "z"})}),
                            "getexecutedpositions");
  const auto& c = executedSearch;
  ASSERT_EQ(c.size(), 2u);
  EXPECT_EQ(c[0]->ItemCode, "GOLD");
  EXPECT_EQ(c[0]->tradingMode, 1);
  EXPECT_EQ(c[0]->RemainingQty, "5");
  EXPECT_EQ(c[0]->OrderQty, "");
  EXPECT_EQ(c[1]->RemainingQty, "5");
  EXPECT_EQ(c[1]->OrderQty, "10");
  EXPECT_EQ(c[1]->tradingMode, 0);
  EXPECT_EQ(c[1]->TransactionDateTime, "01/31/2024 15:30:00");
  EXPECT_EQ(c[1]->ValueDate, "02/01/2024");
  EXPECT_EQ(c[1]->ExpiryDate, "03/01/2024");
  EXPECT_EQ(c[1]->PendingOrderId, "W9");
  EXPECT_EQ(posted, (std::vector<std::string>{"ExecutedPositionTableNotification"}));

  service.processDSResponse("", "getexecutedpositions");  // a second search replaces the first
  EXPECT_TRUE(executedSearch.empty());
  EXPECT_EQ(posted.size(), 2u);
}

TEST_F(DataSetServiceTest, FinancialTransactionsReplaceTheListAndRefreshItEvenWhenEmpty) {
  service.processDSResponse(rows({cols({"11", "DEP", "1001", "77", "100.5", "0", "1100.5", "DEP", "cash",
                                        "20240131153000", "ignored"})}),
                            "getfinancialtransactions");
  ASSERT_EQ(service.FinancialTransactionCollection().size(), 1u);
  const auto& t = service.FinancialTransactionCollection()[0];
  EXPECT_EQ(t.TransactionId, 11);
  EXPECT_EQ(t.SubTransactionId, 77);
  EXPECT_EQ(t.CrAmount, 100.5);
  EXPECT_EQ(t.Narration, "cash");
  EXPECT_EQ(t.TransactionDate, "01/31/2024 15:30:00");
  service.processDSResponse("ERROR", "getfinancialtransactions");
  EXPECT_TRUE(service.FinancialTransactionCollection().empty());
  EXPECT_EQ(posted, (std::vector<std::string>{"DepositWithdrawalTableNotification",
                                              "DepositWithdrawalTableNotification"}));
}

TEST_F(DataSetServiceTest, BankReplyAppliesItsFirstRowOnly) {
  service.processDSResponse(rows({cols({"5", "000123", "9", "Alice", "840", "main", "First Bank", "extra"}),
                                  cols({"6", "456", "9", "Bob", "840", "", "Other"})}),
                            "getbankaccounts");
  ASSERT_TRUE(bank);
  EXPECT_EQ(bank->BankAccountNumber, 123u);
  EXPECT_EQ(bank->AccountName, "Alice");
  EXPECT_EQ(bank->BankName, "First Bank");
  EXPECT_EQ(posted, (std::vector<std::string>{"BankDetailsNotification"}));
}

TEST_F(DataSetServiceTest, EmptyReplyDropsTheBankAccountOnlyForTheBankContext) {
  service.processDSResponse(rows({cols({"5", "1", "9", "Alice"})}), "getbankaccounts");
  posted.clear();
  service.processDSResponse("", "getopenpositions");
  service.processDSResponse("ERROR", "getsettledpositions");
  EXPECT_TRUE(bank);
  EXPECT_TRUE(posted.empty());
  service.processDSResponse("error", "getbankaccounts");
  EXPECT_FALSE(bank);
  EXPECT_EQ(posted, (std::vector<std::string>{"BankDetailsNotification"}));
  service.processDSResponse("", "getbankaccounts");  // nothing held: nothing to announce
  service.processDSResponse("\x06\x06", "getbankaccounts");  // separators only: no row
  EXPECT_EQ(posted.size(), 1u);
  EXPECT_FALSE(bank);
}

// --- Charts ---

TEST_F(DataSetServiceTest, ChartReplyEndsItsRequestTheOnesBeforeItAndEveryRequestOfItsKey) {
  SessionValues s = session();
  s.Requestid = 41;
  ASSERT_TRUE(service.requestChartData(messageBase, s, "EURUSD", "D", 200));
  s.Requestid = 42;
  ASSERT_TRUE(service.requestChartData(messageBase, s, "GOLD", "H", 200));
  s.Requestid = 43;
  ASSERT_TRUE(service.requestChartData(messageBase, s, "EURUSD", "D", 200));
  EXPECT_EQ(sink.tags(2)[3], "20=43");

  service.ChartDataReceived("<x~EURUSD^D~200>bars");
  EXPECT_EQ(posted, (std::vector<std::string>{"MainviewChartDataReceivedNotification41",
                                              "MainviewChartDataReceivedNotification43"}));
  EXPECT_EQ(objects, (std::vector<std::string>{"41", "43"}));
  ASSERT_TRUE(service.charts().chartData("EURUSD^D"));
  EXPECT_EQ(*service.charts().chartData("EURUSD^D"), "<x~EURUSD^D~200>bars");

  // The replies of the GOLD request and of the second EURUSD one follow; the later reply of a key
  // replaces the one held.
  service.ChartDataReceived("<x~GOLD^H~200>gold");
  service.ChartDataReceived("<x~EURUSD^D~200>later");
  EXPECT_EQ(posted.size(), 3u);
  EXPECT_EQ(posted.back(), "MainviewChartDataReceivedNotification42");
  EXPECT_EQ(*service.charts().chartData("EURUSD^D"), "<x~EURUSD^D~200>later");
  EXPECT_EQ(service.charts().unansweredRequests(), 0u);
  EXPECT_EQ(service.charts().outstandingReplies(), 0u);

  // A reply carrying its request's id: the request before it got no reply and waits no more.
  posted.clear();
  s.Requestid = 50;
  ASSERT_TRUE(service.requestChartData(messageBase, s, "GBPUSD", "O", 200));
  s.Requestid = 51;
  ASSERT_TRUE(service.requestChartData(messageBase, s, "SILVER", "H", 200));
  service.ChartDataReceived("<x~SILVER^H~200>bars", 51);
  EXPECT_EQ(posted, (std::vector<std::string>{"MainviewChartDataReceivedNotification50",
                                              "MainviewChartDataReceivedNotification51"}));
  EXPECT_EQ(service.charts().outstandingReplies(), 0u);
  EXPECT_FALSE(service.charts().chartData("GBPUSD^O"));
  EXPECT_TRUE(service.charts().chartData("SILVER^H"));
}

TEST_F(DataSetServiceTest, ChartReplyIsFiledUnderItsOwnKeyOnlyWhateverRequestHoldsItsId) {
  // Every reply moves the session's counter back, so a GOLD view and a EURUSD view both ask under 42.
  SessionValues s = session();
  s.Requestid = 42;
  ASSERT_TRUE(service.requestChartData(messageBase, s, "GOLD", "H", 200));
  ASSERT_TRUE(service.requestChartData(messageBase, s, "EURUSD", "D", 200));
  // The GOLD reply is lost (the channel's time-out); the EURUSD reply ends both waits, told once.
  service.ChartDataReceived("<x~EURUSD^D~200>eurusd", 42);
  EXPECT_EQ(posted, (std::vector<std::string>{"MainviewChartDataReceivedNotification42"}));
  EXPECT_EQ(chartCache, (ChartDataCollection{{"EURUSD^D", "<x~EURUSD^D~200>eurusd"}}));
  EXPECT_EQ(service.charts().outstandingReplies(), 0u);

  // A reply naming another key than its request asked for tells its id but fills only its own key.
  s.Requestid = 44;
  ASSERT_TRUE(service.requestChartData(messageBase, s, "eurusd", "W", 200));
  service.ChartDataReceived("<x~EURUSD^W~200>weeks", 44);
  EXPECT_EQ(posted.back(), "MainviewChartDataReceivedNotification44");
  EXPECT_FALSE(service.charts().chartData("eurusd^W"));
  EXPECT_TRUE(service.charts().chartData("EURUSD^W"));
}

// The channel answers in the order sent and reports each request's outcome after its reply: a
// request it ended without one is told by its key, once, to the views that still wait for it.
TEST_F(DataSetServiceTest, AChartRequestTheChannelEndedWithoutAReplyIsToldByItsKeyOnce) {
  SessionValues s = session();
  std::uint64_t number = 0;
  const auto ask = [&](const char* code) {
    s.Requestid = static_cast<std::int32_t>(number) + 1;
    ASSERT_TRUE(service.requestChartData(messageBase, s, code, "O", 200, number++));
  };
  const auto unanswered = [&] {
    std::vector<std::string> keys;
    for (std::size_t i = 0; i < posted.size(); ++i)
      if (posted[i] == ChartRequests::kRequestUnanswered) keys.push_back(objects.at(i));
    return keys;
  };
  ask("EURUSD");  // 0: dropped
  ask("GOLD");    // 1: answered
  ask("EURUSD");  // 2: dropped
  ask("EURUSD");  // 3: dropped, ended with 2 by one report
  ask("GBPUSD");  // 4: answered
  ask("GBPUSD");  // 5: its view heard the reply of 4, then the channel dropped it
  service.requestsFinished(1);
  EXPECT_EQ(unanswered(), std::vector<std::string>{"EURUSD^O"});
  service.ChartDataReceived("<x~GOLD^O~200>gold", 2);
  service.requestsFinished(2);
  service.requestsFinished(4);
  EXPECT_EQ(unanswered(), (std::vector<std::string>{"EURUSD^O", "EURUSD^O"}));
  EXPECT_EQ(service.charts().requestInFlight("EURUSD^O"), std::nullopt);
  service.ChartDataReceived("<x~GBPUSD^O~200>gbp", 5);
  service.requestsFinished(5);
  service.requestsFinished(6);
  service.requestsFinished(6);
  EXPECT_EQ(unanswered().size(), 2u);
}

TEST_F(DataSetServiceTest, RequestsForgottenBeyondTheCapMoveNoReplyToAnotherKey) {
  SessionValues s = session();
  const auto key = [](int i) { return "I" + std::to_string(i) + "^H"; };
  const auto reply = [&](int i) { return "<x~" + key(i) + "~200>bars of " + std::to_string(i); };
  const int sent = static_cast<int>(ChartRequests::kMaxOutstanding) + 2;
  for (int i = 1; i <= sent; ++i) {
    s.Requestid = i;
    ASSERT_TRUE(service.requestChartData(messageBase, s, "I" + std::to_string(i), "H", 200));
  }
  EXPECT_EQ(service.charts().outstandingReplies(), ChartRequests::kMaxOutstanding);
  for (int i = 1; i <= sent; ++i) {
    posted.clear();
    service.ChartDataReceived(reply(i), i);
    EXPECT_EQ(posted, std::vector<std::string>{ChartRequests::notificationName(i)}) << i;
  }
  ASSERT_EQ(chartCache.size(), static_cast<std::size_t>(sent));
  for (int i = 1; i <= sent; ++i) EXPECT_EQ(chartCache.at(key(i)), reply(i)) << i;
  EXPECT_EQ(service.charts().outstandingReplies(), 0u);
}

TEST(ChartRequestsTest, AKeysAgeRunsFromItsLatestReplyAndAnEntryFiledElsewhereHasNone) {
  ManualClock clock;
  ChartDataCollection cache{{"GOLD^H", "put there by hand"}};
  ChartRequests charts(cache, clock);
  charts.ChartDataReceived("<x~EURUSD^O~200>first");
  clock.advance(std::chrono::minutes(28));
  EXPECT_EQ(charts.ageOf("EURUSD^O"), std::chrono::minutes(28));
  charts.ChartDataReceived("<x~EURUSD^O~200>again");
  EXPECT_EQ(cache.at("EURUSD^O"), "<x~EURUSD^O~200>again");
  EXPECT_EQ(charts.ageOf("EURUSD^O"), Clock::Duration::zero());
  EXPECT_EQ(charts.ageOf("GOLD^H"), std::nullopt);
  EXPECT_EQ(charts.ageOf("SILVER^H"), std::nullopt);
}

TEST(ChartRequestsTest, ReplyKeyIsFieldOneOfTheHeader) {
  EXPECT_EQ(ChartRequests::chartKeyOfReply("<a~GOLD^5~b>data"), "GOLD^5");
  EXPECT_EQ(ChartRequests::chartKeyOfReply("<a~GOLD^5>data"), "GOLD^5");
  EXPECT_EQ(ChartRequests::chartKeyOfReply("<aGOLD>data"), std::nullopt);
  EXPECT_EQ(ChartRequests::chartKeyOfReply(">x~y"), std::nullopt);
  EXPECT_EQ(ChartRequests::chartKeyOfReply("no header"), std::nullopt);
  EXPECT_EQ(ChartRequests::chartKey("EURUSD", "O"), "EURUSD^O");
  ChartDataCollection cache;
  ChartRequests charts(cache);
  EXPECT_TRUE(charts.ChartDataReceived("no header").empty());
  EXPECT_TRUE(cache.empty());
}

// --- The statement reply ---

constexpr const char* kStatement =
    "<NewDataSet><Table5><InstrumentId>7</InstrumentId><Code>EURUSD</Code></Table5>"
    "<Table1><PositionId>3</PositionId><InstrumentId>7</InstrumentId></Table1></NewDataSet>";

TEST_F(DataSetServiceTest, StatementWithoutWorkerIsAppliedAtOnce) {
  service.processDSResponse(kStatement, "getdsaccountstatement");
  EXPECT_EQ(service.accountStatementInfo().OpenPositionInfo.size(), 1u);
  EXPECT_EQ(posted, (std::vector<std::string>{"AccountStatementNotification"}));
  EXPECT_EQ(loaded.back(), "getdsaccountstatement rows=2");
  service.processDSResponse("", "getdsaccountstatement");
  EXPECT_TRUE(service.accountStatementInfo().OpenPositionInfo.empty());
  EXPECT_EQ(posted.size(), 2u);
}

TEST_F(DataSetServiceTest, StatementIsReadOnTheWorkerAndAppliedOnTheMainQueueInOneStep) {
  ManualMainQueue mainQueue;
  mainQueue.bindToCurrentThread();
  DispatchQueue worker("statement");
  DataSetService threaded(targets(), reference, hooks(), &worker,
                          &mainQueue);
  threaded.processDSResponse(kStatement, "getdsaccountstatement");
  EXPECT_TRUE(threaded.accountStatementInfo().OpenPositionInfo.empty());  // not before the main queue runs
  ASSERT_TRUE(mainQueue.runUntil([&] { return !posted.empty(); }, std::chrono::milliseconds(5000)));
  EXPECT_EQ(threaded.accountStatementInfo().OpenPositionInfo.size(), 1u);
  EXPECT_EQ(threaded.accountStatementInfo().InstrumentInfo.size(), 1u);
  EXPECT_EQ(posted, (std::vector<std::string>{"AccountStatementNotification"}));
}

TEST_F(DataSetServiceTest, StatementsReadOnASerialWorkerAreAllAppliedInOrder) {
  ManualMainQueue mainQueue;
  mainQueue.bindToCurrentThread();
  DispatchQueue worker("statement");
  DataSetService threaded(targets(), reference, hooks(), &worker, &mainQueue);
  threaded.processDSResponse(kStatement, "getdsaccountstatement");
  threaded.processDSResponse("<NewDataSet><Table1><PositionId>5</PositionId></Table1><Table1><PositionId>4"
                             "</PositionId></Table1></NewDataSet>",
                             "getdsaccountstatement");
  ASSERT_TRUE(mainQueue.runUntil([&] { return posted.size() == 2; }, std::chrono::milliseconds(5000)));
  ASSERT_EQ(threaded.accountStatementInfo().OpenPositionInfo.size(), 2u);
  EXPECT_EQ(threaded.accountStatementInfo().OpenPositionInfo[0].OpenPositionId, "4");
  EXPECT_TRUE(threaded.accountStatementInfo().InstrumentInfo.empty());
}

TEST_F(DataSetServiceTest, StatementReadAfterTheServiceIsGoneIsDropped) {
  ManualMainQueue mainQueue;
  mainQueue.bindToCurrentThread();
  DispatchQueue worker("statement");
  {
    DataSetService threaded(targets(), reference, hooks(), &worker,
                            &mainQueue);
    threaded.processDSResponse(kStatement, "getdsaccountstatement");
    worker.sync([] {});
  }
  mainQueue.runPending();
  EXPECT_TRUE(posted.empty());
}

}  // namespace
}  // namespace td
