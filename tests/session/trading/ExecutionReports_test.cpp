#include "session/trading/ExecutionReports.h"

#include <gtest/gtest.h>

#include "TradingTestSupport.h"

namespace td {
namespace {

using testing::Field;
using testing::Report;

constexpr const char* kServerTime = "20240102030405";
constexpr const char* kJournalTime = "Jan 02, 2024 03:04:05#$#";

class ExecutionReportsTest : public ::testing::Test {
 protected:
  void SetUp() override { reference_ = testing::makeReference(); }

  ExecutionReports reports() { return ExecutionReports(owned_.book(), *reference_, events_); }

  // Dispatches a report as the dispatcher does: the request id of the message (tag 20 or 33) when it
  // has one, else the previous one.
  void send(int type, const std::vector<Field>& fields) {
    Report r(type, fields);
    if (r.message().requestId()) requestId_ = *r.message().requestId();
    const ReportContext context{requestId_, std::string(kServerTime)};
    ExecutionReports handler = reports();
    if (type == 62) handler.ProcessOrderReport(r.message(), context);
    if (type == 67) handler.ProcessPositionReport(r.message(), context);
    if (type == 66) handler.FillSettledOrderCollection(r.message(), context);
  }

  // The order management's entry of a request it has just sent.
  OrderPtr sentOrder(std::int32_t requestId, std::string code = "EURUSD") {
    auto o = testing::order("100", std::move(code));
    o->RequestId = requestId;
    owned_.PendingOrderCollection.push_back(o);
    return o;
  }

  OrderPtr openPosition(std::string id, std::string price = "1.1000") {
    auto o = testing::order("100", "EURUSD", std::move(id));
    o->OrderPrice = std::move(price);
    o->RemainingQty = "1";
    o->OrderQty = "1";
    owned_.OpenOrderCollection.push_back(o);
    return o;
  }

  static std::vector<Field> pending(std::string pendingId, std::string wireType, std::vector<Field> extra = {}) {
    std::vector<Field> f = {{73, "28"}, {12, "EURUSD"}, {34, "100"}, {32, wireType}, {36, "46"}, {37, "2"},
                            {38, "1.2000"}, {43, "47"}, {117, "51"}, {76, "2"}, {78, kServerTime},
                            {79, pendingId}, {81, "T1"}, {570, "R1"}};
    f.insert(f.end(), extra.begin(), extra.end());
    return f;
  }

  std::unique_ptr<ReferenceData> reference_;
  OwnedOrderBook owned_;
  testing::RecordingEvents events_;
  std::int32_t requestId_ = 0;
};

TEST_F(ExecutionReportsTest, PendingLimitOrderReplacesTheSentEntryAndIsAnnounced) {
  sentOrder(5);
  send(62, [] {
    auto f = pending("P1", "30", {{125, "L9"}, {573, ""}});
    f.insert(f.begin(), Field{20, "5"});
    return f;
  }());
  ASSERT_EQ(owned_.PendingOrderCollection.size(), 1u);
  const Order& o = *owned_.PendingOrderCollection[0];
  EXPECT_EQ(o.PendingOrderId, "P1");
  EXPECT_EQ(o.RequestId, 0);
  EXPECT_EQ(o.orderType, 2);
  EXPECT_EQ(o.tradingMode, 1);
  EXPECT_EQ(o.timeinForce, 1);
  EXPECT_EQ(o.deliveryMode, 1);
  EXPECT_EQ(o.TransactionDateTime, "01/02/2024 03:04:05");
  EXPECT_EQ(o.LiqudateOrderNumber, "L9");
  EXPECT_EQ(o.TicketId, "T1");
  EXPECT_EQ(o.OrderRouteId, "R1");
  EXPECT_TRUE(owned_.PendingOrderCollectionCopy.empty());
  ASSERT_EQ(owned_.JournalDataCollection.size(), 1u);
  EXPECT_EQ(owned_.JournalDataCollection[0],
            std::string(kJournalTime) + "Order pending for EURUSD Pending id : P1 Remaining Quantity : 2");
  ASSERT_EQ(events_.pendingNotified.size(), 1u);
  EXPECT_EQ(events_.pendingNotified[0], owned_.PendingOrderCollection[0]);
  EXPECT_EQ(events_.pendingRequestIds, std::vector<std::int32_t>{5});
}

TEST_F(ExecutionReportsTest, PendingMarketOrderIsListedWithoutAnnouncement) {
  send(62, pending("P1", "29"));
  EXPECT_EQ(owned_.PendingOrderCollection.size(), 1u);
  EXPECT_TRUE(events_.pendingNotified.empty());
  EXPECT_EQ(owned_.JournalDataCollection.size(), 1u);
}

TEST_F(ExecutionReportsTest, SecondPendingReportOfOneWorkingOrderReplacesIt) {
  send(62, pending("P1", "30"));
  send(62, pending("P1", "31"));
  ASSERT_EQ(owned_.PendingOrderCollection.size(), 1u);
  EXPECT_EQ(owned_.PendingOrderCollection[0]->orderType, 3);
}

TEST_F(ExecutionReportsTest, ReportWithoutRequestIdNeverReplacesAnotherWorkingOrder) {
  send(62, pending("P1", "30"));
  send(62, pending("P2", "30"));  // request id 0, as every report-built order has
  ASSERT_EQ(owned_.PendingOrderCollection.size(), 2u);
  EXPECT_EQ(owned_.PendingOrderCollection[0]->PendingOrderId, "P1");
  EXPECT_EQ(owned_.PendingOrderCollection[1]->PendingOrderId, "P2");
}

TEST_F(ExecutionReportsTest, EditAndPartialFillRewriteTheWorkingOrder) {
  send(62, pending("P1", "30", {{39, "1.3"}, {40, "1.1"}}));
  send(62, {{73, "75"}, {79, "P1"}, {32, "30"}, {37, "3"}, {38, "1.2100"}, {39, "1.35"}, {76, "3"}});
  const Order& o = *owned_.PendingOrderCollection[0];
  EXPECT_EQ(o.OrderPrice, "1.2100");
  EXPECT_EQ(o.LimitPrice, "1.35");
  EXPECT_EQ(o.StopPrice, "") << "an edit without tag 40 leaves no stop price";
  EXPECT_EQ(o.ItemCode, "EURUSD") << "fields the edit does not carry stay";
  send(62, {{73, "22"}, {79, "P1"}, {76, "1"}});
  EXPECT_EQ(owned_.PendingOrderCollection[0]->RemainingQty, "1");
  EXPECT_EQ(owned_.PendingOrderCollection.size(), 1u);
}

TEST_F(ExecutionReportsTest, CancellationRecordsTheRemainingQuantityOfTheRemovedOrder) {
  send(62, pending("P1", "30"));
  owned_.PendingOrderCollection[0]->RemainingQty = "0.5";
  send(62, {{73, "24"}, {33, "12"}, {79, "P1"}, {12, "EURUSD"}, {32, "30"}, {36, "45"}, {37, "2"}, {78, kServerTime}});
  EXPECT_TRUE(owned_.PendingOrderCollection.empty());
  ASSERT_EQ(owned_.PendingOrderCollectionCopy.size(), 1u);
  ASSERT_EQ(owned_.CancelledOrderCollection.size(), 1u);
  const Order& c = *owned_.CancelledOrderCollection[0];
  EXPECT_NE(&c, owned_.PendingOrderCollectionCopy[0].get());
  EXPECT_EQ(c.OrderQty, "0.5");
  EXPECT_EQ(c.RequestId, 12);
  EXPECT_EQ(c.tradingMode, 0);
  EXPECT_EQ(owned_.JournalDataCollection.size(), 1u) << "a cancellation adds no journal line";
  EXPECT_TRUE(events_.rejections.empty());
}

TEST_F(ExecutionReportsTest, RejectionWithoutWorkingOrderIdIsMatchedByRequestId) {
  auto sent = sentOrder(41);
  sentOrder(42);
  send(62, {{73, "25"}, {20, "41"}, {74, "13"}, {12, "EURUSD"}, {78, "20240305060708"}});
  ASSERT_EQ(owned_.CancelledOrderCollection.size(), 1u);
  EXPECT_EQ(owned_.CancelledOrderCollection[0], sent);
  EXPECT_EQ(sent->TransactionDateTime, "03/05/2024 06:07:08");
  ASSERT_EQ(owned_.PendingOrderCollectionCopy.size(), 1u);
  EXPECT_EQ(owned_.PendingOrderCollectionCopy[0], sent);
  ASSERT_EQ(owned_.PendingOrderCollection.size(), 1u);
  EXPECT_EQ(owned_.PendingOrderCollection[0]->RequestId, 42);
  EXPECT_EQ(events_.rejections, std::vector<std::string>{"Not Enough Free Margin Unable To Trade"});
  EXPECT_EQ(owned_.JournalDataCollection.back(), std::string(kJournalTime) + "Order rejected for EURUSD");
}

TEST_F(ExecutionReportsTest, RejectionWithWorkingOrderIdIgnoresOrdersWhoseRequestIdHasThatNumber) {
  auto byRequest = sentOrder(77);
  send(62, pending("P9", "30"));
  send(62, pending("77", "31"));
  send(62, {{73, "25"}, {79, "77"}, {74, "2"}});
  ASSERT_EQ(owned_.CancelledOrderCollection.size(), 1u);
  EXPECT_EQ(owned_.CancelledOrderCollection[0]->PendingOrderId, "77");
  EXPECT_EQ(owned_.PendingOrderCollection.size(), 2u);
  EXPECT_EQ(owned_.PendingOrderCollection[0], byRequest);
}

TEST_F(ExecutionReportsTest, RejectionOfNoListedOrderStillTellsTheUser) {
  send(62, {{73, "25"}, {74, "0"}});  // request id 0 matches nothing
  send(62, {{73, "25"}, {79, "nope"}, {74, "99"}});
  EXPECT_TRUE(owned_.CancelledOrderCollection.empty());
  EXPECT_TRUE(owned_.PendingOrderCollectionCopy.empty());
  EXPECT_EQ(events_.rejections, (std::vector<std::string>{"Order cannot be processed. Please try again",
                                                          "Order cannot be processed. Please try again"}));
}

TEST_F(ExecutionReportsTest, EachRejectionReasonCodeGivesItsText) {
  const std::vector<std::pair<std::string, std::string>> table = {
      {"1", "Price Changed Please Try Again"},
      {"2", "Invalid Or Expired Symbol"},
      {"5", "Position Already Liquidated"},
      {"8", "Symbol First Notice Date Reached"},
      {"11", "Open Position Already Exist"},
      {"12", "Price Changed Please Try Again"},
      {"13", "Not Enough Free Margin Unable To Trade"},
      {"15", "Order Already Partially Done"},
      {"50", "You Do Not Have Sufficient Access To This Account"},
      {"51", "Price Changed Please Try Again"},
      {"80", "Trading Session Inactive"},
      {"81", "Symbol Disabled"},
      {"82", "Price Changed Please Try Again"},
      {"83", "OrderType Not Valid For Current Session"},
      {"0", "Order cannot be processed. Please try again"},
      {"-4", "Order cannot be processed. Please try again"},
      {"3", "Order cannot be processed. Please try again"},
      {"abc", "Order cannot be processed. Please try again"},
  };
  for (std::size_t i = 0; i < table.size(); ++i) {
    const std::string id = "W" + std::to_string(i);
    send(62, pending(id, "30"));
    send(62, {{73, "25"}, {79, id}, {74, table[i].first}});
    ASSERT_EQ(events_.rejections.size(), i + 1);
    EXPECT_EQ(events_.rejections.back(), table[i].second) << "reason " << table[i].first;
  }
  EXPECT_TRUE(owned_.PendingOrderCollection.empty());
  EXPECT_EQ(owned_.CancelledOrderCollection.size(), table.size());
}

TEST_F(ExecutionReportsTest, TakeProfitBracketFollowsItsReportsOnThePosition) {
  auto position = openPosition("POS1");
  send(62, pending("TP1", "30", {{573, "POS1"}}));
  // the order's price (tag 38, after tag 32 = 30) is the take-profit
  EXPECT_EQ(position->LimitPrice, "1.2000");
  send(62, {{73, "26"}, {79, "TP1"}, {32, "30"}, {38, "1.2345"}, {573, "POS1"}});
  EXPECT_EQ(position->LimitPrice, "1.2345") << "an expired bracket still shows its price";
  send(62, {{73, "23"}, {79, "TP1"}, {32, "30"}, {38, "1.2345"}, {573, "POS1"}});
  EXPECT_EQ(position->LimitPrice, "");
  EXPECT_EQ(owned_.PendingOrderCollectionCopy.size(), 1u);
}

TEST_F(ExecutionReportsTest, CancelledStopLossClearsThePositionThroughTheRemovedOrder) {
  auto position = openPosition("POS1");
  send(62, pending("SL1", "31", {{573, "POS1"}}));
  EXPECT_EQ(position->StopPrice, "1.2000");
  send(62, {{73, "24"}, {79, "SL1"}, {32, "31"}, {38, "1.2000"}});  // no tag 573
  EXPECT_EQ(position->StopPrice, "");
}

TEST_F(ExecutionReportsTest, RejectedBracketWithoutReferenceClearsThePositionByItsKind) {
  auto position = openPosition("POS1");
  position->LimitPrice = "1.5";
  position->StopPrice = "1.0";
  send(62, pending("SL1", "31", {{573, "POS1"}}));
  send(62, {{73, "25"}, {79, "SL1"}, {74, "1"}});
  EXPECT_EQ(position->StopPrice, "");
  EXPECT_EQ(position->LimitPrice, "1.5");
}

TEST_F(ExecutionReportsTest, BracketPriceBeforeAnyOrderTypeChangesNothing) {
  auto position = openPosition("POS1");
  position->LimitPrice = "1.5";
  send(62, {{73, "27"}, {38, "9.9"}, {32, "30"}, {573, "POS1"}});
  EXPECT_EQ(position->LimitPrice, "1.5");
}

TEST_F(ExecutionReportsTest, NewAndExchangeRejectedStatusesChangeNothing) {
  send(62, pending("P1", "30"));
  const auto journal = owned_.JournalDataCollection;
  send(62, {{73, "21"}, {79, "P1"}, {37, "9"}});
  send(62, {{73, "826"}, {79, "P1"}, {37, "9"}});
  send(62, {{73, "999"}, {79, "P1"}, {37, "9"}});
  EXPECT_EQ(owned_.PendingOrderCollection[0]->OrderQty, "2");
  EXPECT_EQ(owned_.JournalDataCollection, journal);
  EXPECT_TRUE(events_.rejections.empty());
}

TEST_F(ExecutionReportsTest, ExecutionTakesSideAndBracketFromTheFilledWorkingOrder) {
  send(62, pending("P1", "30", {{39, "1.3"}, {40, "1.1"}, {117, "52"}}));
  send(62, {{73, "23"}, {79, "P1"}});
  send(67, {{73, "74"}, {33, "4"}, {12, "EURUSD"}, {34, "100"}, {37, "2"}, {38, "1.2001"}, {44, "20240630000000"},
            {72, "E1"}, {76, "2"}, {78, kServerTime}, {79, "P1"}, {80, "POS7"}, {545, "3.5"}, {570, "R"},
            {585, "20240103000000"}});
  ASSERT_EQ(owned_.OpenOrderCollection.size(), 1u);
  const Order& o = *owned_.OpenOrderCollection[0];
  EXPECT_EQ(o.tradingMode, 1);
  EXPECT_EQ(o.deliveryMode, 2);
  EXPECT_EQ(o.orderType, 2);
  EXPECT_EQ(o.LimitPrice, "1.3");
  EXPECT_EQ(o.StopPrice, "1.1");
  EXPECT_EQ(o.RequestId, 4);
  EXPECT_EQ(o.ExpiryDate, "06/30/2024");
  EXPECT_EQ(o.ValueDate, "01/03/2024");
  EXPECT_EQ(o.ExecutionId, "E1");
  EXPECT_DOUBLE_EQ(o.Commision, 3.5) << "a quantity before the commission leaves it as received";
  ASSERT_EQ(events_.confirmations.size(), 1u);
  EXPECT_EQ(events_.confirmations[0], "Account : 100\nOrder No : POS7\nYou Sold 2 lot(s) of EURUSD @ 1.2001");
  EXPECT_EQ(owned_.JournalDataCollection.back(), std::string(kJournalTime) + "Order confirmed for EURUSD #POS7 @1.2001");
}

TEST_F(ExecutionReportsTest, ExecutionWithoutWorkingOrderIsAMarketBuy) {
  send(67, {{73, "74"}, {12, "GOLD"}, {34, "100"}, {76, "1.5"}, {545, "10"}, {37, "3"}, {80, "POS1"}, {38, "1900"}});
  const Order& o = *owned_.OpenOrderCollection.at(0);
  EXPECT_EQ(o.tradingMode, 0);
  EXPECT_EQ(o.orderType, 1);
  EXPECT_EQ(o.deliveryMode, 0);
  EXPECT_DOUBLE_EQ(o.Commision, 5.0) << "commission 10 pro-rated to 1.5 of 3";
  EXPECT_EQ(events_.confirmations.at(0), "Account : 100\nOrder No : POS1\nYou Bought 1.5 lot(s) of GOLD @ 1900");
}

TEST_F(ExecutionReportsTest, CommissionIsKeptWhenTheOrderQuantityIsZero) {
  send(67, {{73, "74"}, {76, "1"}, {545, "10"}, {37, "0"}, {80, "POS1"}});
  send(67, {{73, "74"}, {76, "1"}, {545, "10"}, {37, "junk"}, {80, "POS2"}});
  EXPECT_DOUBLE_EQ(owned_.OpenOrderCollection.at(0)->Commision, 10.0);
  EXPECT_DOUBLE_EQ(owned_.OpenOrderCollection.at(1)->Commision, 10.0);
}

TEST_F(ExecutionReportsTest, ClosingExecutionGoesToClosedPositionsSilently) {
  send(67, {{73, "74"}, {12, "EURUSD"}, {76, "0"}, {37, "1"}, {80, "POS2"}});
  EXPECT_TRUE(owned_.OpenOrderCollection.empty());
  EXPECT_EQ(owned_.OpenOrderCollectionCopy.size(), 1u);
  EXPECT_TRUE(events_.confirmations.empty());
  EXPECT_TRUE(owned_.JournalDataCollection.empty());
}

TEST_F(ExecutionReportsTest, SecondExecutionOfAnOpenPositionIsIgnored) {
  send(67, {{73, "74"}, {76, "1"}, {37, "1"}, {80, "POS1"}, {38, "1"}});
  send(67, {{73, "74"}, {76, "1"}, {37, "1"}, {80, "POS1"}, {38, "2"}});
  ASSERT_EQ(owned_.OpenOrderCollection.size(), 1u);
  EXPECT_EQ(owned_.OpenOrderCollection[0]->OrderPrice, "1");
  EXPECT_EQ(events_.confirmations.size(), 1u);
}

TEST_F(ExecutionReportsTest, StatusUpdatesPartlyCloseAndThenCloseThePosition) {
  auto position = openPosition("POS1");
  position->Commision = 8;
  send(67, {{73, "73"}, {80, "POS1"}, {76, "0.5"}, {545, "8"}, {141, "1.25"}, {38, "1.1010"}, {37, "1.0"}});
  EXPECT_EQ(position->RemainingQty, "0.5");
  EXPECT_EQ(position->OrderQty, "1") << "the status update never changes the order quantity";
  EXPECT_DOUBLE_EQ(position->Commision, 4.0);
  EXPECT_DOUBLE_EQ(position->Storage, 1.25);
  EXPECT_EQ(position->OrderPrice, "1.1010");
  send(67, {{73, "73"}, {80, "NOPE"}, {76, "0"}});
  EXPECT_EQ(owned_.OpenOrderCollection.size(), 1u);
  send(67, {{73, "73"}, {80, "POS1"}, {76, "0"}});
  EXPECT_TRUE(owned_.OpenOrderCollection.empty());
  ASSERT_EQ(owned_.OpenOrderCollectionCopy.size(), 1u);
  EXPECT_EQ(owned_.OpenOrderCollectionCopy[0], position);
  EXPECT_EQ(position->RemainingQty, "0.5") << "a closing update reads nothing else";
}

TEST_F(ExecutionReportsTest, SettlementPairsTheOpeningAndTheClosingPosition) {
  auto a = openPosition("A", "1.1000");
  a->tradingMode = 1;
  a->deliveryMode = 3;
  a->TransactionDateTime = "01/01/2024 10:00:00";
  auto b = testing::order("100", "EURUSD", "B");
  b->OrderPrice = "1.0500";
  owned_.OpenOrderCollectionCopy.push_back(b);
  send(66, {{12, "2"}, {34, "100"}, {78, kServerTime}, {80, "A"}, {86, "S1"}, {87, "B"}, {88, "12.50"}, {89, "1"},
            {141, "0.5"}, {142, "1.2"}, {143, "0.25"}, {545, "2"}});
  ASSERT_EQ(owned_.SettledOrderCollection.size(), 1u);
  const Order& s = *owned_.SettledOrderCollection[0];
  EXPECT_EQ(s.ItemCode, "GBPUSD");
  EXPECT_EQ(s.OrderPrice, "1.1000");
  EXPECT_EQ(s.SettledPrice, "1.0500");
  EXPECT_EQ(s.tradingMode, 1);
  EXPECT_EQ(s.deliveryMode, 3);
  EXPECT_EQ(s.ItemTime, "01/01/2024 10:00:00");
  EXPECT_EQ(s.SettledPL, "12.50");
  EXPECT_DOUBLE_EQ(s.CurrencyRate, 1.2);
  EXPECT_DOUBLE_EQ(s.OtherCharges, 0.25);
  EXPECT_EQ(owned_.OpenOrderCollection.size(), 1u) << "the settlement changes no position";
  EXPECT_EQ(owned_.JournalDataCollection.back(), std::string(kJournalTime) + "Order settled for GBPUSD #S1 @1.0500");
  ASSERT_EQ(events_.settled.size(), 1u);
  EXPECT_EQ(events_.settled[0].itemCode, "GBPUSD");
  EXPECT_EQ(events_.settled[0].settledPrice, "1.0500");
  EXPECT_EQ(events_.settled[0].settlementId, "S1");
}

TEST_F(ExecutionReportsTest, SettlementOfUnknownInstrumentAndPositions) {
  send(66, {{12, "999"}, {80, "X"}, {87, "Y"}, {86, "S2"}});
  const Order& s = *owned_.SettledOrderCollection.at(0);
  EXPECT_EQ(s.ItemCode, "");
  EXPECT_EQ(s.OrderPrice, "");
  EXPECT_EQ(s.SettledPrice, "");
  EXPECT_EQ(s.tradingMode, 0);
}

// A market order from sending to settlement, and a limit order from sending to its close.
TEST_F(ExecutionReportsTest, ScriptedMarketAndLimitOrderLifecycles) {
  sentOrder(9, "GOLD");
  send(62, {{73, "28"}, {20, "9"}, {12, "GOLD"}, {34, "100"}, {32, "29"}, {36, "45"}, {37, "2"}, {76, "2"}, {79, "M1"}});
  send(62, {{73, "23"}, {20, "10"}, {79, "M1"}});
  send(67, {{73, "74"}, {12, "GOLD"}, {34, "100"}, {76, "2"}, {37, "2"}, {38, "1900"}, {79, "M1"}, {80, "OP1"}});
  sentOrder(11);
  send(62, {{73, "28"}, {20, "11"}, {12, "EURUSD"}, {34, "100"}, {32, "30"}, {36, "46"}, {37, "1"}, {76, "1"},
            {38, "1.3"}, {79, "L1"}});
  send(62, {{73, "22"}, {79, "L1"}, {12, "EURUSD"}, {32, "30"}, {36, "46"}, {37, "1"}, {76, "0.4"}, {38, "1.3"}});
  send(67, {{73, "74"}, {12, "EURUSD"}, {34, "100"}, {76, "0.6"}, {37, "1"}, {38, "1.3"}, {79, "L1"}, {80, "OP2"}});
  send(62, {{73, "23"}, {79, "L1"}});
  send(67, {{73, "74"}, {12, "EURUSD"}, {34, "100"}, {76, "0.4"}, {37, "1"}, {38, "1.3"}, {79, "L1"}, {80, "OP3"}});
  // close OP1 (partly, then fully) against closing position CL1
  send(67, {{73, "73"}, {80, "OP1"}, {76, "1"}});
  send(67, {{73, "74"}, {12, "GOLD"}, {34, "100"}, {76, "0"}, {37, "2"}, {38, "1950"}, {80, "CL1"}});
  send(67, {{73, "73"}, {80, "OP1"}, {76, "0"}});
  send(66, {{12, "3"}, {34, "100"}, {80, "OP1"}, {87, "CL1"}, {86, "ST1"}, {88, "100.00"}});

  EXPECT_TRUE(owned_.PendingOrderCollection.empty());
  EXPECT_EQ(owned_.PendingOrderCollectionCopy.size(), 2u);
  ASSERT_EQ(owned_.OpenOrderCollection.size(), 2u);
  EXPECT_EQ(owned_.OpenOrderCollection[0]->OpenPositionId, "OP2");
  EXPECT_EQ(owned_.OpenOrderCollection[0]->tradingMode, 1);
  EXPECT_EQ(owned_.OpenOrderCollection[1]->OpenPositionId, "OP3");
  ASSERT_EQ(owned_.OpenOrderCollectionCopy.size(), 2u);
  EXPECT_EQ(owned_.OpenOrderCollectionCopy[0]->OpenPositionId, "CL1");
  EXPECT_EQ(owned_.OpenOrderCollectionCopy[1]->OpenPositionId, "OP1");
  ASSERT_EQ(owned_.SettledOrderCollection.size(), 1u);
  EXPECT_EQ(owned_.SettledOrderCollection[0]->ItemCode, "GOLD");
  EXPECT_EQ(owned_.SettledOrderCollection[0]->OrderPrice, "1900");
  EXPECT_EQ(owned_.SettledOrderCollection[0]->SettledPrice, "1950");
  EXPECT_TRUE(owned_.CancelledOrderCollection.empty());
  EXPECT_EQ(events_.confirmations.size(), 3u);
  EXPECT_EQ(events_.pendingNotified.size(), 1u);
  EXPECT_EQ(events_.settled.size(), 1u);
}

TEST_F(ExecutionReportsTest, ObserverGetsTheProbeLines) {
  struct Lines : TradingObserver {
    std::vector<std::string> lines;
    void tradingPosition(const Order& p) override { lines.push_back(positionLine(p)); }
    void tradingSettled(const Order& s) override { lines.push_back(settledLine(s)); }
    void tradingJournal(const std::string& line) override { lines.push_back(journalLine(line)); }
  } observer;
  const ReportContext context{0, std::string(kServerTime)};
  ExecutionReports handler(owned_.book(), *reference_, events_, &observer);
  Report exec(67, {{73, "74"}, {12, "GOLD"}, {34, "100"}, {76, "2"}, {37, "2"}, {38, "1900.5"}, {80, "OP1"}});
  handler.ProcessPositionReport(exec.message(), context);
  Report update(67, {{73, "73"}, {80, "OP1"}, {76, "1"}});
  handler.ProcessPositionReport(update.message(), context);
  Report settle(66, {{12, "3"}, {80, "OP1"}, {86, "ST1"}, {88, "-12.345"}});
  handler.FillSettledOrderCollection(settle.message(), context);
  EXPECT_EQ(observer.lines, (std::vector<std::string>{
                                "POSITION OP1 GOLD buy 2 1900.5", "JOURNAL Order confirmed for GOLD #OP1 @1900.5",
                                "POSITION OP1 GOLD buy 1 1900.5", "SETTLED ST1 pl=-12.35",
                                "JOURNAL Order settled for GOLD #ST1 @"}));
}

}  // namespace
}  // namespace td
