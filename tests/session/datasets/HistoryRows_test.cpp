#include "session/datasets/HistoryRows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace td {
namespace {

// A row of n columns "c0", "c1", ... with the given columns replaced.
std::string row(std::size_t n, std::vector<std::pair<std::size_t, std::string>> set = {}) {
  std::vector<std::string> cols(n);
  for (std::size_t i = 0; i < n; ++i) cols[i] = "c" + std::to_string(i);
  for (auto& [i, v] : set) cols[i] = v;
  std::string out;
  for (std::size_t i = 0; i < n; ++i) {
    if (i) out += '\x05';
    out += cols[i];
  }
  return out;
}

TEST(HistoryRowsTest, OpenPositionRowReadsEveryColumnInOrder) {
  const auto r = OpenOrderHD::initWithMessage(row(22, {{2, "7"}, {3, "true"}, {7, "4"}, {8, "0"}, {9, "1.25"},
                                                       {10, "8"}, {14, "-3.5"}, {17, "2"}, {18, "1"}, {19, "0.5"}}));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->PositionId, "c0");
  EXPECT_EQ(r->AccountId, "c1");
  EXPECT_EQ(r->InstrumentId, 7);
  EXPECT_TRUE(r->IsBuy);
  EXPECT_EQ(r->RefOrderTicketId, "c4");
  EXPECT_EQ(r->RefPendingOrderId, "c5");
  EXPECT_EQ(r->OrderExecutionId, "c6");
  EXPECT_EQ(r->PositionInitialQty, 4);
  EXPECT_EQ(r->PositionQty, 0);
  EXPECT_EQ(r->OrderPrice, 1.25);
  EXPECT_EQ(r->CommisionPaid, 8);
  EXPECT_EQ(r->PositionDate, "c11");
  EXPECT_EQ(r->ConfirmedBy, "c13");
  EXPECT_EQ(r->UnrealisedPL, -3.5);
  EXPECT_EQ(r->RoutePositionId, "c16");
  EXPECT_EQ(r->DeliveryMode, 2);
  EXPECT_EQ(r->OrderTypeId, 1);
  EXPECT_EQ(r->Storage, 0.5);
  EXPECT_EQ(r->ValueDate, "c20");
  EXPECT_EQ(r->ExpiryDate, "c21");
}

TEST(HistoryRowsTest, EachRecordNeedsAllItsColumnsAndIgnoresExtraOnes) {
  EXPECT_FALSE(OpenOrderHD::initWithMessage(row(21)));
  EXPECT_TRUE(OpenOrderHD::initWithMessage(row(22)));
  EXPECT_FALSE(PendingOrderHD::initWithMessage(row(28)));
  EXPECT_TRUE(PendingOrderHD::initWithMessage(row(29)));
  EXPECT_FALSE(SettledOrderHD::initWithMessage(row(17)));
  EXPECT_TRUE(SettledOrderHD::initWithMessage(row(18)));
  EXPECT_FALSE(CancelledOrderHD::initWithMessage(row(17)));
  EXPECT_TRUE(CancelledOrderHD::initWithMessage(row(18)));
  EXPECT_FALSE(EquityHitPriceInfos::initWithMessage(row(13)));
  const auto extra = EquityHitPriceInfos::initWithMessage(row(15, {{13, "100"}, {14, "999"}}));
  ASSERT_TRUE(extra);
  EXPECT_EQ(extra->ContractSize, 100);
  EXPECT_FALSE(EquityHitPriceInfos::initWithMessage(""));
}

TEST(HistoryRowsTest, EmptyColumnsAreZeroFalseOrEmpty) {
  const auto r = CancelledOrderHD::initWithMessage(std::string(17, '\x05'));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->CancelledOrderId, "");
  EXPECT_EQ(r->CancelledQty, 0);
  EXPECT_EQ(r->InstrumentId, 0);
  EXPECT_FALSE(r->IsBuy);
  EXPECT_EQ(r->OrderTime, "");
}

TEST(HistoryRowsTest, FlagColumnReadsTheTruthValue) {
  for (const char* yes : {"Y", "1", "true", "t", "+007"}) {
    EXPECT_TRUE(PendingOrderHD::initWithMessage(row(29, {{4, yes}}))->IsBuy) << yes;
  }
  for (const char* no : {"0", "N", "", "false", "000"}) {
    EXPECT_FALSE(PendingOrderHD::initWithMessage(row(29, {{4, no}}))->IsBuy) << no;
  }
}

TEST(HistoryRowsTest, NumbersAreReadAsTheirLeadingValue) {
  const auto r = PendingOrderHD::initWithMessage(
      row(29, {{3, "12abc"}, {6, " 3.5"}, {5, "x"}, {14, "99999999999"}, {11, "1e2"}, {15, "-7"}}));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->InstrumentId, 12);
  EXPECT_EQ(r->OrderQty, 3.5);
  EXPECT_EQ(r->OrderTypeId, 0);
  EXPECT_EQ(r->DeliveryModeId, 2147483647);
  EXPECT_EQ(r->LimitPrice, 100);
  EXPECT_EQ(r->TimeInForceId, -7);
}

TEST(HistoryRowsTest, TextColumnsAreKeptUntrimmed) {
  const auto r = SettledOrderHD::initWithMessage(row(18, {{13, " 1.2500 "}, {14, "1.3"}}));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->OpenPrice, " 1.2500 ");
  EXPECT_EQ(r->ClosePrice, "1.3");
}

}  // namespace
}  // namespace td
