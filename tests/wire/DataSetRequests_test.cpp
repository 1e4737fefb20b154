#include "wire/DataSetRequests.h"

#include <gtest/gtest.h>

#include "MessageTestSupport.h"
#include "wire/RequestCatalogue.h"

namespace td::testing {
namespace {

SessionValues session() { return {"alice", std::string("R77"), 41, "20240102030405"}; }

#define TAIL "115=5001" S "23=alice" S "19=R77" S "21=20240102030405" S

class DataSetRequestsTest : public RequestTest {};

TEST_F(DataSetRequestsTest, OpenPositionsRequestIsNinePlainFieldsToTheRequestChannel) {
  EXPECT_TRUE(DataSetRequests::requestOpenPosition(messageBase, session(), 5001));
  EXPECT_EQ(sentPlain(), "\x01" "93\x03" "10=1023" S "151=getopenpositions" S "152=1000" S "153=1" S "20=42" S TAIL
                         "\x02");
  EXPECT_EQ(messageBase.dsrequestType(), 0);
  EXPECT_TRUE(messageBase.messageDataDictionary().empty());
}

TEST_F(DataSetRequestsTest, TheFourHistoryKindsDifferOnlyInContext) {
  using Fn = bool (*)(MessageBase&, const SessionValues&, std::int32_t);
  const std::pair<Fn, const char*> kinds[] = {
      {&DataSetRequests::requestPendingOrders, "getpendingorders"},
      {&DataSetRequests::requestSettledOrders, "getsettledpositions"},
      {&DataSetRequests::requestCancelledOrders, "getcancelledorders"},
  };
  for (const auto& [fn, context] : kinds) {
    sink.sent.clear();
    EXPECT_TRUE(fn(messageBase, session(), 5001));
    EXPECT_EQ(sentPlain(), asciiFrame("10=1023" S "151=" + std::string(context) + S "152=1000" S "153=1" S
                                      "20=42" S TAIL));
  }
}

TEST_F(DataSetRequestsTest, EquityHitRequestCarriesFlagAndAccount) {
  EXPECT_TRUE(DataSetRequests::requestEquityPriceinfo(messageBase, session(), 5001, 1001));
  EXPECT_EQ(sentPlain(), asciiFrame("10=1023" S "151=getequityhitpriceinfo" S "152=1000" S "160=0" S "153=1" S
                                    "20=42" S "34=1001" S TAIL));
  EXPECT_EQ(messageBase.dsrequestType(), 1);
}

TEST_F(DataSetRequestsTest, FinancialTransactionsCarryAccountPeriodAndKind) {
  const SearchValues search{"1001", "20240101000000", "20240131235959", "Deposit"};
  EXPECT_TRUE(DataSetRequests::requestFinancialTransactions(messageBase, session(), 5001, search));
  EXPECT_EQ(sentPlain(), asciiFrame("10=1023" S "151=getfinancialtransactions" S "152=1000" S "153=1" S "34=1001" S
                                    "575=20240101000000" S "576=20240131235959" S "551=Deposit" S "20=42" S TAIL));
}

TEST_F(DataSetRequestsTest, FinancialTransactionsWithoutKindStillWriteTag551AsNull) {
  const SearchValues search{"1001", "20240101000000", "20240131235959", std::nullopt};
  DataSetRequests::requestFinancialTransactions(messageBase, session(), 5001, search);
  EXPECT_NE(sentPlain().find("\x03" "551=(null)" "\x03" "20=42"), std::string::npos);
}

TEST_F(DataSetRequestsTest, AccountStatementCarriesAccountAndPeriod) {
  EXPECT_TRUE(DataSetRequests::requestAccountStatement(messageBase, session(), 5001, std::string("1001"),
                                                       std::string("20240101000000"),
                                                       std::string("20240131235959")));
  EXPECT_EQ(sentPlain(), asciiFrame("10=1023" S "151=getdsaccountstatement" S "152=1000" S "153=1" S "34=1001" S
                                    "575=20240101000000" S "576=20240131235959" S "20=42" S TAIL));
  EXPECT_EQ(messageBase.dsrequestType(), 3);
}

TEST_F(DataSetRequestsTest, BankDetailsCarryAccountAndBankFlag) {
  EXPECT_TRUE(DataSetRequests::requestBankDetails(messageBase, session(), 5001, 1001));
  EXPECT_EQ(sentPlain(), asciiFrame("10=1023" S "151=getbankaccounts" S "152=1000" S "153=1" S "34=1001" S
                                    "1132=1" S "20=42" S TAIL));
}

TEST_F(DataSetRequestsTest, ExecutedPositionsCarryPeriodOnly) {
  const SearchValues search{"1001", "20240101000000", "20240131235959", "ignored"};
  EXPECT_TRUE(DataSetRequests::requestExecutedPosition(messageBase, session(), 5001, search));
  EXPECT_EQ(sentPlain(), asciiFrame("10=1023" S "151=getexecutedpositions" S "152=1000" S "153=1" S
                                    "575=20240101000000" S "576=20240131235959" S "20=42" S TAIL));
  EXPECT_EQ(messageBase.dsrequestType(), 5);
}

TEST_F(DataSetRequestsTest, ChartRequestCarriesRequestIdUnchangedAndNoDataSetTags) {
  EXPECT_TRUE(DataSetRequests::requestChartData(messageBase, session(), "EURUSD", "1", 300));
  EXPECT_EQ(sentPlain(), asciiFrame("10=1040" S "12=EURUSD" S "83=1" S "20=41" S "1025=300" S "23=alice" S "19=R77" S
                                    "21=20240102030405" S));
}

TEST_F(DataSetRequestsTest, APlainRequestThatDoesNotReachTheChannelReportsFailure) {
  sink.accept = false;
  EXPECT_FALSE(DataSetRequests::requestOpenPosition(messageBase, session(), 5001));
  EXPECT_TRUE(messageBase.messageDataDictionary().empty());
}

}  // namespace
}  // namespace td::testing
