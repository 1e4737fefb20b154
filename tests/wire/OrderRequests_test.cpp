#include "wire/OrderRequests.h"

#include <gtest/gtest.h>

#include "MessageTestSupport.h"

namespace td::testing {
namespace {

SessionValues session() { return {"alice", std::string("R77"), 41, "20240102030405"}; }

// A market buy of 2 EURUSD on account 1001, no take-profit or stop-loss, no deviation.
OrderTagValues marketBuy() {
  OrderTagValues o;
  o.AccountNumber = "1001";
  o.RequestId = 42;
  o.ItemCode = "EURUSD";
  o.orderTypeTag = 29;
  o.deliveryModeTag = 51;
  o.tradingModeTag = 45;
  o.timeinForceTag = 47;
  o.OrderQty = "2";
  o.OrderPrice = "1.08420";
  o.Spread = "0";
  o.deviation = -1;
  o.CurrentStatus = "0";
  o.Bid = "1.08410";
  o.Ask = "1.08420";
  o.Last = "1.08415";
  o.High = "1.09000";
  o.Low = "1.08000";
  o.ItemTime = "20240102030000";
  o.TransactionDateTime = "20240102030400";
  return o;
}

#define QUOTE "56=1.08410" S "54=1.08420" S "61=1.08415" S "60=1.09000" S "62=1.08000" S "67=20240102030000" S \
              "78=20240102030400" S

class OrderRequestsTest : public RequestTest {};

TEST_F(OrderRequestsTest, NewMarketBuyWithoutBracketWritesEmptyTakeProfitAndStopLoss) {
  EXPECT_TRUE(OrderRequests::NewOrder(messageBase, session(), marketBuy()));
  EXPECT_EQ(sentEnveloped(false),
            asciiFrame("10=60" S "34=1001" S "23=alice" S "33=42" S "19=R77" S "12=EURUSD" S "32=29" S "117=51" S
                       "37=2" S "38=1.08420" S "39=" S "40=" S "90=0" S "36=45" S "77=-1" S "24=0" S "43=47" S QUOTE));
  EXPECT_EQ(messageBase.neworderrequestType(), 0);
  EXPECT_TRUE(messageBase.messageDataDictionary().empty());
}

TEST_F(OrderRequestsTest, NewOrderTakeProfitAboveZeroGoesAsTextAndZeroGoesEmpty) {
  OrderTagValues o = marketBuy();
  o.LimitPrice = "1.09500";
  o.StopPrice = "0.0";
  OrderRequests::NewOrder(messageBase, session(), o);
  EXPECT_NE(sentEnveloped(false).find("\x03" "39=1.09500" "\x03" "40=" "\x03"), std::string::npos);
}

TEST_F(OrderRequestsTest, NewOrderWithoutTimeInForceCodeWritesNullInItsPlace) {
  for (const int tif : {926, -1}) {
    OrderTagValues o = marketBuy();
    o.timeinForceTag = tif;
    OrderRequests::NewOrder(messageBase, session(), o);
    EXPECT_NE(sentEnveloped(false).find("\x03" "24=0" "\x03" "43=(null)" "\x03" "56="), std::string::npos);
    sink.sent.clear();
  }
}

TEST_F(OrderRequestsTest, ClosingOrderIsTwentyThreeFieldsWithoutBracketPrices) {
  OrderTagValues o = marketBuy();
  o.tradingModeTag = 46;
  o.LimitPrice = "1.2";  // not carried by a closing order
  EXPECT_TRUE(OrderRequests::ClosingOrder(messageBase, session(), o, "900"));
  EXPECT_EQ(sentEnveloped(false),
            asciiFrame("10=60" S "34=1001" S "125=900" S "23=alice" S "33=42" S "19=R77" S "12=EURUSD" S "32=29" S
                       "117=51" S "37=2" S "38=1.08420" S "90=0" S "36=46" S "77=-1" S "24=0" S "43=47" S QUOTE));
  EXPECT_EQ(messageBase.neworderrequestType(), 1);
}

TEST_F(OrderRequestsTest, BracketEditWritesTickedPriceAndZeroForUnticked) {
  OrderTagValues o = marketBuy();
  o.LimitPrice = "1.09500";
  o.StopPrice = "1.07000";
  EXPECT_TRUE(OrderRequests::EditBracketOrder(messageBase, session(), o, "900", std::string("1.08000"), true, false));
  EXPECT_EQ(sentEnveloped(false),
            asciiFrame("10=72" S "1035=EBO" S "34=1001" S "23=alice" S "573=900" S "33=42" S "19=R77" S "12=EURUSD" S
                       "32=29" S "117=51" S "37=2" S "38=1.08000" S "39=1.09500" S "40=0" S "90=0" S "36=45" S
                       "24=0" S "43=47" S QUOTE));
  EXPECT_EQ(messageBase.editorderrequestType(), 0);
}

TEST_F(OrderRequestsTest, WorkingOrderCancelAndModifyShareOneFormAndDifferInQuantity) {
  OrderTagValues o = marketBuy();
  o.orderTypeTag = 30;
  o.OrderQty = "3";
  o.StopPrice = "1.06000";
  const std::string tail = "38=1.07000" S "39=0" S "40=1.06000" S "90=0" S "36=45" S "24=0" S "43=47" S QUOTE;
  const std::string head = "10=72" S "1035=EWO" S "34=1001" S "23=alice" S "79=777" S "33=42" S "19=R77" S
                           "12=EURUSD" S "32=30" S "117=51" S;

  EXPECT_TRUE(OrderRequests::EditWorkingOrder(messageBase, session(), o, "777", 1, std::string("1.07000"), false, true));
  EXPECT_EQ(sentEnveloped(false), asciiFrame(head + "37=0" S + tail));
  EXPECT_EQ(messageBase.editorderrequestType(), 1);
  sink.sent.clear();

  EXPECT_TRUE(OrderRequests::EditWorkingOrder(messageBase, session(), o, "777", 2, std::string("1.07000"), false, true));
  EXPECT_EQ(sentEnveloped(false), asciiFrame(head + "37=3" S + tail));
  EXPECT_EQ(messageBase.editorderrequestType(), 2);
}

TEST_F(OrderRequestsTest, WorkingOrderEditOfAnotherKindSendsNothing) {
  EXPECT_FALSE(OrderRequests::EditWorkingOrder(messageBase, session(), marketBuy(), "777", 3, std::string("1"), false,
                                               false));
  EXPECT_TRUE(sink.sent.empty());
  EXPECT_TRUE(messageBase.messageDataDictionary().empty());
}

TEST_F(OrderRequestsTest, BulkOrderIsTwentyTwoFieldsWithPerAccountDetails) {
  const BulkOrderEntry rows[] = {{1001, 1.0}, {1002, 2.5}};
  const std::string details = OrderRequests::bulkOrderDetails(rows, 41);
  EXPECT_EQ(details, "1001\x05" "1.000000\x05" "42\x06" "1002\x05" "2.500000\x05" "42\x06");

  OrderTagValues o = marketBuy();
  o.AccountNumber.reset();
  o.OrderQty.reset();
  EXPECT_TRUE(OrderRequests::BulkOrder(messageBase, session(), o, details));
  EXPECT_EQ(sentEnveloped(false),
            asciiFrame("10=77" S "23=alice" S "19=R77" S "12=EURUSD" S "32=29" S "117=51" S "38=1.08420" S "39=" S
                       "40=" S "90=0" S "36=45" S "77=-1" S "24=0" S "43=47" S QUOTE
                       "91=1001\x05" "1.000000\x05" "42\x06" "1002\x05" "2.500000\x05" "42\x06" S));
}

// 0.1234565 is stored a little below the half, so "%f" rounds it down.
TEST_F(OrderRequestsTest, BulkQuantitiesUseSixDecimalsRoundedLikePrintf) {
  const BulkOrderEntry rows[] = {{7, 0.1234565}, {8, 1e6}, {9, -0.5}};
  EXPECT_EQ(OrderRequests::bulkOrderDetails(rows, -1),
            "7\x05" "0.123456\x05" "0\x06" "8\x05" "1000000.000000\x05" "0\x06" "9\x05" "-0.500000\x05" "0\x06");
}

TEST_F(OrderRequestsTest, CloseOfHedgedPositionsCarriesOffsetListAndServerTime) {
  const OffsetEntry opposite[] = {{"911", "1"}, {"912", "1"}};
  const std::string list = OrderRequests::offsetList({"900", "2"}, opposite);
  EXPECT_EQ(list, "900\x05" "2\x06\x07" "911\x05" "1\x06" "912\x05" "1\x06\x07");

  EXPECT_TRUE(OrderRequests::CloseHedgedPositions(messageBase, session(), list, "EURUSD", "1001",
                                                  std::string("20240102030400")));
  EXPECT_EQ(sentEnveloped(false),
            asciiFrame("10=1052" S "34=1001" S "12=EURUSD" S "583=900\x05" "2\x06\x07" "911\x05" "1\x06" "912\x05"
                       "1\x06\x07" S "23=alice" S "19=R77" S "21=20240102030400" S));
}

TEST_F(OrderRequestsTest, OffsetListWithoutOppositePositionsEndsWithTwoSectionMarks) {
  EXPECT_EQ(OrderRequests::offsetList({"900", "2"}, {}), "900\x05" "2\x06\x07\x07");
}

TEST(OrderRequestsLeadingNumber, ReadsTheLeadingNumberLikeTheOrderRecords) {
  EXPECT_EQ(OrderRequests::leadingNumber("1.25"), 1.25);
  EXPECT_EQ(OrderRequests::leadingNumber("  +2.5abc"), 2.5);
  EXPECT_EQ(OrderRequests::leadingNumber("-3"), -3);
  EXPECT_EQ(OrderRequests::leadingNumber(""), 0);
  EXPECT_EQ(OrderRequests::leadingNumber("abc"), 0);
  EXPECT_EQ(OrderRequests::leadingNumber("+-1"), 0);
  EXPECT_EQ(OrderRequests::leadingNumber(".5"), 0.5);
  // Prices and quantities are finite.
  for (const char* text : {"inf", "-infinity", "nan", "1e999"}) {
    EXPECT_EQ(OrderRequests::leadingNumber(text), 0) << text;
  }
}

}  // namespace
}  // namespace td::testing
