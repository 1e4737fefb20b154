#include "session/datasets/StatementTables.h"

#include <gtest/gtest.h>

#include <string>

#include "model/statement/AccountStatementInfo.h"
#include "model/statement/TextReadings.h"

namespace td {
namespace {

std::string doc(const std::string& body) { return "<NewDataSet>" + body + "</NewDataSet>"; }

TEST(StatementTablesTest, InstrumentsAreFiledByIdAndCloseOnlyKnownOnes) {
  const auto c = StatementTables::readAccountStatement(doc(
      "<Table5><InstrumentId>7</InstrumentId><Name>Euro</Name><Code>EURUSD</Code><DecimalPlaces>5</DecimalPlaces>"
      "</Table5><Table5><InstrumentId>7</InstrumentId><Code>EURUSD2</Code></Table5>"
      "<Table5><Code>NOID</Code></Table5>"
      "<Table6><InstrumentId>7</InstrumentId><Bid>1.1</Bid><Ask>1.2</Ask></Table6>"
      "<Table6><InstrumentId>8</InstrumentId><Bid>9</Bid></Table6>"));
  ASSERT_EQ(c.InstrumentInfo.size(), 2u);
  const auto& i = c.InstrumentInfo.at("7");
  EXPECT_EQ(i.Code, "EURUSD2");  // the later row replaces the earlier
  EXPECT_EQ(i.Name, "");
  EXPECT_EQ(i.Bid, 1.1);
  EXPECT_EQ(i.Ask, 1.2);
  EXPECT_EQ(c.InstrumentInfo.at("0").Code, "NOID");
  EXPECT_FALSE(c.hasAccountInfo);
  EXPECT_TRUE(c.OpenPositionInfo.empty());
}

TEST(StatementTablesTest, OpenPositionsDeriveCodePriceAndCommissionFilterAndSortNaturally) {
  const auto c = StatementTables::readAccountStatement(doc(
      "<Table5><InstrumentId>7</InstrumentId><Code>EURUSD</Code></Table5>"
      "<Table6><InstrumentId>7</InstrumentId><Bid>1.1</Bid><Ask>1.2</Ask></Table6>"
      "<Table1><PositionId>100</PositionId><InstrumentId>7</InstrumentId><IsBuy>false</IsBuy></Table1>"
      "<Table1><PositionId>9</PositionId><InstrumentId>7</InstrumentId><IsBuy>true</IsBuy>"
      "<PositionInitialQty>4</PositionInitialQty><PositionQty>1</PositionQty><CommisionPaid>8</CommisionPaid>"
      "<PositionDate>2024-01-31T15:30:00.123</PositionDate><ValueDate>2024-02-01T00:00:00</ValueDate>"
      "<ExpiryDate>someday</ExpiryDate><AccountId>1001</AccountId><RefPendingOrderId>W4</RefPendingOrderId>"
      "<TOPHId>55</TOPHId><UnrealisedPL>-2.5</UnrealisedPL><AccumulatingStorage>0.5</AccumulatingStorage>"
      "<UnrealisedCharges>0.25</UnrealisedCharges><DeliveryModeId>2</DeliveryModeId><ConfirmedBy>x</ConfirmedBy>"
      "</Table1>"
      "<Table1><PositionId>10</PositionId><InstrumentId>8</InstrumentId><PositionInitialQty>0</PositionInitialQty>"
      "<CommisionPaid>8</CommisionPaid></Table1>"
      "<Table1><PositionId>0</PositionId></Table1><Table1><PositionId>-3</PositionId></Table1>"
      "<Table1><PositionId>abc</PositionId></Table1><Table1><IsBuy>1</IsBuy></Table1>"));
  ASSERT_EQ(c.OpenPositionInfo.size(), 3u);
  const auto& p9 = c.OpenPositionInfo[0];
  EXPECT_EQ(p9.OpenPositionId, "9");
  EXPECT_EQ(c.OpenPositionInfo[1].OpenPositionId, "10");
  EXPECT_EQ(c.OpenPositionInfo[2].OpenPositionId, "100");
  EXPECT_EQ(p9.ItemCode, "EURUSD");
  EXPECT_EQ(p9.tradingMode, 0);
  EXPECT_EQ(p9.CurrentPrice, 1.1);                   // buy: closing bid
  EXPECT_EQ(c.OpenPositionInfo[2].CurrentPrice, 1.2);  // sell: closing ask
  EXPECT_EQ(c.OpenPositionInfo[2].tradingMode, 1);
  EXPECT_DOUBLE_EQ(p9.Commision, 2.0);
  EXPECT_EQ(p9.TransactionDateTime, "01/31/2024 15:30:00");
  EXPECT_EQ(p9.ValueDate, "02/01/2024");
  EXPECT_EQ(p9.ExpiryDate, "someday");
  EXPECT_EQ(p9.AccountNumber, "1001");
  EXPECT_EQ(p9.RefPositionIdOfBracket, "W4");
  EXPECT_EQ(p9.TOPHId, 55u);
  EXPECT_EQ(p9.UnrealisedPL, -2.5);
  EXPECT_EQ(p9.Storage, 0.5);
  EXPECT_EQ(p9.UnRealisedCharges, 0.25);
  EXPECT_EQ(p9.deliveryMode, 2);
  const auto& p10 = c.OpenPositionInfo[1];
  EXPECT_EQ(p10.ItemCode, "");  // unknown instrument
  EXPECT_EQ(p10.CurrentPrice, 0);
  EXPECT_EQ(p10.Commision, 8);  // no initial quantity: as sent
}

TEST(StatementTablesTest, PendingOrdersAreListedWhenTheyHoldTheIdElement) {
  const auto c = StatementTables::readAccountStatement(doc(
      "<Table5><InstrumentId>7</InstrumentId><Code>EURUSD</Code></Table5>"
      "<Table2><PendingOrderId>W10</PendingOrderId><InstrumentId>7</InstrumentId><OrderTypeId>2</OrderTypeId>"
      "<LimitPrice>1.5</LimitPrice><ExpiryDateTime>2024-12-31T00:00:00</ExpiryDateTime><OrderStatusId>28"
      "</OrderStatusId><RefPosIdOfBracket>P1</RefPosIdOfBracket><RoutePendingOrderId>-4</RoutePendingOrderId>"
      "<TouchPrice>2.5</TouchPrice><OrderTime>2024-01-31T15:30:00</OrderTime></Table2>"
      "<Table2><PendingOrderId></PendingOrderId></Table2>"
      "<Table2><PendingOrderId>w9</PendingOrderId></Table2>"
      "<Table2><OrderQty>1</OrderQty></Table2>"));
  ASSERT_EQ(c.PendingOrderInfo.size(), 3u);
  EXPECT_EQ(c.PendingOrderInfo[0].PendingOrderId, "");
  EXPECT_EQ(c.PendingOrderInfo[1].PendingOrderId, "w9");
  const auto& w = c.PendingOrderInfo[2];
  EXPECT_EQ(w.PendingOrderId, "W10");
  EXPECT_EQ(w.ItemCode, "EURUSD");
  EXPECT_EQ(w.orderType, 2);
  EXPECT_EQ(w.LimitPrice, "1.5");
  EXPECT_EQ(w.ExpiryDate, "12/31/2024 00:00:00");
  EXPECT_EQ(w.OrderStatus, "28");
  EXPECT_EQ(w.RefPositionIdOfBracket, "P1");
  EXPECT_EQ(w.RoutePendingOrderId, -4);
  EXPECT_EQ(w.TouchPrice, 2.5);
  EXPECT_EQ(w.TransactionDateTime, "01/31/2024 15:30:00");
}

TEST(StatementTablesTest, SettledPositionsAreListedByIdAndKeepTheirTexts) {
  const auto c = StatementTables::readAccountStatement(doc(
      "<Table3><SettlementId>10</SettlementId><SettledPL>-3.5</SettledPL><OpenPrice>1.2500</OpenPrice>"
      "<ClosePrice>1.3</ClosePrice><OpenDate>2024-01-30T10:00:00</OpenDate><CloseDate></CloseDate>"
      "<CommisionPaid>2</CommisionPaid><OtherCharges>0.5</OtherCharges><IsBuy></IsBuy></Table3>"
      "<Table3><SettlementId>9</SettlementId></Table3><Table3><SettlementId>100</SettlementId></Table3>"
      "<Table3><SettledQty>5</SettledQty></Table3>"));
  ASSERT_EQ(c.SettledPositionInfo.size(), 3u);
  EXPECT_EQ(c.SettledPositionInfo[0].SettlementId, "9");
  EXPECT_EQ(c.SettledPositionInfo[1].SettlementId, "10");
  EXPECT_EQ(c.SettledPositionInfo[2].SettlementId, "100");
  const auto& s = c.SettledPositionInfo[1];
  EXPECT_EQ(s.SettledPL, "-3.5");
  EXPECT_EQ(s.OrderPrice, "1.2500");
  EXPECT_EQ(s.SettledPrice, "1.3");
  EXPECT_EQ(s.OpenDate, "01/30/2024 10:00:00");
  EXPECT_EQ(s.CloseDate, "");
  EXPECT_EQ(s.tradingMode, 1);                           // empty IsBuy: a sell
  EXPECT_EQ(c.SettledPositionInfo[0].tradingMode, 0);    // no IsBuy column: stays a buy
}

TEST(StatementTablesTest, FinancialTransactionsKeepDocumentOrder) {
  const auto c = StatementTables::readAccountStatement(doc(
      "<Table4><DrAmount>5</DrAmount><CrAmount>1</CrAmount><FinancialTransactionTypeId>3"
      "</FinancialTransactionTypeId><SubFinancialTransactionTypeId>4</SubFinancialTransactionTypeId>"
      "<AccountId>1001</AccountId></Table4><Table4><CrAmount>7</CrAmount></Table4>"));
  ASSERT_EQ(c.FinancialTransactionInfo.size(), 2u);
  EXPECT_EQ(c.FinancialTransactionInfo[0].DrAmount, 5);
  EXPECT_EQ(c.FinancialTransactionInfo[0].TransactionType, 3);
  EXPECT_EQ(c.FinancialTransactionInfo[0].SubTransactionType, 4);
  EXPECT_EQ(c.FinancialTransactionInfo[0].AccountId, 1001);
  EXPECT_EQ(c.FinancialTransactionInfo[1].CrAmount, 7);
}

std::string accountRow(const std::string& date, const std::string& balance) {
  return "<Table><TAHDate>" + date + "</TAHDate><Balance>" + balance +
         "</Balance><TradingStatusId>5</TradingStatusId><MarginStatusId>2</MarginStatusId>"
         "<StorageWaiveOffModeId>3.9</StorageWaiveOffModeId><TradingEnabled>true</TradingEnabled>"
         "<AccountId>1001</AccountId><GroupId>G1</GroupId><TAHId>12</TAHId></Table>";
}

TEST(StatementTablesTest, StartAndEndSnapshotsFollowTheirDates) {
  for (const bool lastFirst : {true, false}) {
    const std::string first = accountRow("2024-01-01T00:00:00", "100");
    const std::string last = accountRow("2024-01-31T00:00:00", "250");
    const auto c = StatementTables::readAccountStatement(doc(lastFirst ? last + first : first + last));
    ASSERT_TRUE(c.hasAccountInfo);
    ASSERT_TRUE(c.StartInfo && c.EndInfo);
    EXPECT_EQ(c.StartInfo->Balance, 100);
    EXPECT_EQ(c.EndInfo->Balance, 250);
  }
  const auto one = StatementTables::readAccountStatement(doc(accountRow("2024-01-01T00:00:00", "100")));
  ASSERT_TRUE(one.StartInfo);
  EXPECT_EQ(one.StartInfo, one.EndInfo);
  EXPECT_EQ(one.StartInfo->tradingStatus, 5);
  EXPECT_EQ(one.StartInfo->TradingStatusId, 5);
  EXPECT_EQ(one.StartInfo->accountMarginStatus, 2);
  EXPECT_EQ(one.StartInfo->StorageWaiveOffModeId, 3u);
  EXPECT_TRUE(one.StartInfo->TradingEnabled);
  EXPECT_EQ(one.StartInfo->GroupId, "G1");
  EXPECT_EQ(one.StartInfo->TAHId, 12u);

  const auto bad = StatementTables::readAccountStatement(
      doc(accountRow("01/01/2024", "100") + accountRow("2024-01-31T00:00:00", "250")));
  EXPECT_TRUE(bad.hasAccountInfo);
  EXPECT_FALSE(bad.StartInfo);
  EXPECT_FALSE(bad.EndInfo);
}

TEST(StatementTablesTest, AccountInformationReadsEveryColumnByItsExactName) {
  const auto c = StatementTables::readAccountStatement(doc(
      "<Table><TAHId>1</TAHId><TAHDate>2024-01-01T00:00:00</TAHDate><TAHEntryDateTime>E</TAHEntryDateTime>"
      "<AccountId>1001</AccountId><AccountTypeId>2</AccountTypeId><AccountName>Alice</AccountName>"
      "<TradingEnabled>Y</TradingEnabled><Enabled>1</Enabled><GroupId>G</GroupId>"
      "<OrganizationId>3</OrganizationId><OpeningBalanceOfDay>4.5</OpeningBalanceOfDay><Balance>5.5</Balance>"
      "<UnrealisedPL>6.5</UnrealisedPL><LeverageOnPositions>7.5</LeverageOnPositions>"
      "<CollateralSecurity>8.5</CollateralSecurity><UsedMargin>9.5</UsedMargin><Equity>10.5</Equity>"
      "<AvailableMargin>11.5</AvailableMargin><Remarks>R</Remarks>"
      "<InterestWaiveoffExpiryDate>I</InterestWaiveoffExpiryDate><HedgeModeId>12</HedgeModeId>"
      "<AutoExecutionModeId>13</AutoExecutionModeId><CurrencyID>14</CurrencyID>"
      "<StorageWaiveoffDays>15</StorageWaiveoffDays><AccumulatingStorage>16.5</AccumulatingStorage>"
      "<StorageWaiveOffModeId>17.9</StorageWaiveOffModeId><TradingStatusId>4</TradingStatusId>"
      "<UnrealisedCharges>18.5</UnrealisedCharges><AgentAccountId>19</AgentAccountId>"
      "<MarginStatusId>20</MarginStatusId><CreditRating>21</CreditRating><TradingPatternId>22</TradingPatternId>"
      "<ConfirmedBy>ignored</ConfirmedBy></Table>"));
  ASSERT_TRUE(c.StartInfo);
  const AccountHistoryInfo& a = *c.StartInfo;
  EXPECT_EQ(a.TAHId, 1u);
  EXPECT_EQ(a.TAHDate, "2024-01-01T00:00:00");  // kept as the reply gives it
  EXPECT_EQ(a.TAHEntryDateTime, "E");
  EXPECT_EQ(a.AccountId, 1001);
  EXPECT_EQ(a.AccountTypeId, 2);
  EXPECT_EQ(a.AccountName, "Alice");
  EXPECT_TRUE(a.TradingEnabled);
  EXPECT_TRUE(a.Enabled);
  EXPECT_EQ(a.GroupId, "G");
  EXPECT_EQ(a.OrganizationId, 3u);
  EXPECT_EQ(a.OpeningBalanceOfDay, 4.5);
  EXPECT_EQ(a.Balance, 5.5);
  EXPECT_EQ(a.UnrealisedPL, 6.5);
  EXPECT_EQ(a.LeverageOnPositions, 7.5);
  EXPECT_EQ(a.CollateralSecurity, 8.5);
  EXPECT_EQ(a.UsedMargin, 9.5);
  EXPECT_EQ(a.Equity, 10.5);
  EXPECT_EQ(a.AvailableMargin, 11.5);
  EXPECT_EQ(a.Remarks, "R");
  EXPECT_EQ(a.InterestWaiveoffExpiryDate, "I");
  EXPECT_EQ(a.HedgeModeId, 12);
  EXPECT_EQ(a.AutoExecutionModeId, 13);
  EXPECT_EQ(a.CurrencyID, 14u);
  EXPECT_EQ(a.StorageWaiveoffDays, 15u);
  EXPECT_EQ(a.AccumulatingStorage, 16.5);
  EXPECT_EQ(a.StorageWaiveOffModeId, 17u);
  EXPECT_EQ(a.TradingStatusId, 4);
  EXPECT_EQ(a.tradingStatus, 4);
  EXPECT_EQ(a.UnrealisedCharges, 18.5);
  EXPECT_EQ(a.AgentAccountId, 19u);
  EXPECT_EQ(a.MarginStatus, 20);
  EXPECT_EQ(a.accountMarginStatus, 20);
  EXPECT_EQ(a.CreditRating, 21u);
  EXPECT_EQ(a.TradingPatternId, 22u);
}

TEST(StatementTablesTest, PendingOrderReadsItsRemainingColumnsByTheirExactNames) {
  const auto c = StatementTables::readAccountStatement(doc(
      "<Table2><TPOH>1</TPOH><TPOHDate>D</TPOHDate><TPOHEntryDateTime>E</TPOHEntryDateTime>"
      "<PendingOrderId>W</PendingOrderId><RefTicketId>2</RefTicketId><AccountId>1001</AccountId>"
      "<IsBuy>0</IsBuy><OrderQty>3</OrderQty><MinQty>4</MinQty><DisclosedQty>5</DisclosedQty>"
      "<RemainingQty>6</RemainingQty><OrderPrice>7</OrderPrice><StopPrice>8</StopPrice>"
      "<TralingStopPrice>9.5</TralingStopPrice><DeliveryModeId>3</DeliveryModeId><TimeInForceId>5"
      "</TimeInForceId><OCOLLimitPrice>1.5</OCOLLimitPrice><OCOLStopPrice>2.5</OCOLStopPrice><OCOSLimit>3.5"
      "</OCOSLimit><OCOSStop>4.5</OCOSStop><Spread>0.2</Spread><TradeRouteId>10</TradeRouteId>"
      "<ExecutedQty>11</ExecutedQty><TouchQty>12</TouchQty><TouchTime>T</TouchTime></Table2>"));
  ASSERT_EQ(c.PendingOrderInfo.size(), 1u);
  const PendingOrderHistoryInfo& w = c.PendingOrderInfo[0];
  EXPECT_EQ(w.TPOH, 1u);
  EXPECT_EQ(w.TPOHDate, "D");
  EXPECT_EQ(w.TPOHEntryDateTime, "E");
  EXPECT_EQ(w.RefTicketId, 2u);
  EXPECT_EQ(w.AccountNumber, "1001");
  EXPECT_EQ(w.tradingMode, 1);
  EXPECT_EQ(w.OrderQty, "3");
  EXPECT_EQ(w.MinQty, "4");
  EXPECT_EQ(w.DisclosedQty, "5");
  EXPECT_EQ(w.RemainingQty, "6");
  EXPECT_EQ(w.OrderPrice, "7");
  EXPECT_EQ(w.StopPrice, "8");
  EXPECT_EQ(w.TralingStopPrice, 9.5);
  EXPECT_EQ(w.deliveryMode, 3);
  EXPECT_EQ(w.timeinForce, 5);
  EXPECT_EQ(w.OCOLLimitPrice, 1.5);
  EXPECT_EQ(w.OCOLStopPrice, 2.5);
  EXPECT_EQ(w.OCOSLimit, 3.5);
  EXPECT_EQ(w.OCOSStop, 4.5);
  EXPECT_EQ(w.Spread, "0.2");
  EXPECT_EQ(w.TradeRouteId, 10u);
  EXPECT_EQ(w.ExecutedQty, "11");
  EXPECT_EQ(w.TouchQty, "12");
  EXPECT_EQ(w.TouchTime, "T");
}

TEST(StatementTablesTest, ApplyKeepsSnapshotsWhenTheReplyHasNoAccountTable) {
  AccountStatementInfo info;
  info.apply(StatementTables::readAccountStatement(doc(accountRow("2024-01-01T00:00:00", "100") +
                                                       "<Table1><PositionId>1</PositionId></Table1>")));
  const auto* openList = &info.OpenPositionInfo;
  ASSERT_TRUE(info.StartInfo);
  info.apply(StatementTables::readAccountStatement(
      doc("<Table5><InstrumentId>7</InstrumentId></Table5><Table6><InstrumentId>7</InstrumentId><Bid>2</Bid>"
          "</Table6>")));
  EXPECT_TRUE(info.StartInfo);  // the previous statement's snapshots stay
  EXPECT_TRUE(info.OpenPositionInfo.empty());
  EXPECT_EQ(&info.OpenPositionInfo, openList);
  EXPECT_EQ(info.InstrumentInfo.at("7").Bid, 2);
  info.apply(StatementTables::readAccountStatement("not a document"));
  EXPECT_TRUE(info.InstrumentInfo.empty());
}

FinancialTransactionHistoryInfo tx(std::int32_t type, double cr, double dr = 0) {
  FinancialTransactionHistoryInfo t;
  t.SubTransactionType = type;
  t.CrAmount = cr;
  t.DrAmount = dr;
  return t;
}

TEST(AccountStatementInfoTest, SummarySums) {
  AccountStatementInfo info;
  EXPECT_EQ(info.getDeposit(), 0);
  EXPECT_FALSE(info.isDailyTDSAvailable());
  EXPECT_FALSE(info.isMonthlyTDSAvailable());
  info.FinancialTransactionInfo = {tx(4, 10), tx(4, 5), tx(1, 10), tx(14, 5), tx(2, 0, 100), tx(15, 0, 0.5),
                                   tx(7, 3, 1), tx(3, 1000), tx(13, 2), tx(19, 1)};
  EXPECT_EQ(info.getCommission(), 10);  // the first of its type only
  EXPECT_EQ(info.getDeposit(), 15);     // every one of its types
  EXPECT_EQ(info.getWithDrawal(), -100);
  EXPECT_EQ(info.getDailyTDS(), -0.5);
  EXPECT_TRUE(info.isDailyTDSAvailable());
  EXPECT_EQ(info.getSettledPL(), 2);  // only type 7 present
  EXPECT_EQ(info.getMiscellaneous(), 3);
  EXPECT_EQ(info.getMonthlyTDS(), 0);
  EXPECT_EQ(info.getFinancialTransactionHistoryInfo(3)->CrAmount, 1000);
  EXPECT_EQ(info.getFinancialTransactionHistoryInfo(99), nullptr);
}

TEST(AccountStatementInfoTest, PositionTotalsReadTextsByTheirLeadingNumber) {
  AccountStatementInfo info;
  info.OpenPositionInfo.resize(2);
  info.OpenPositionInfo[0].RemainingQty = "2";
  info.OpenPositionInfo[0].Commision = 1.5;
  info.OpenPositionInfo[1].RemainingQty = "";
  info.OpenPositionInfo[1].UnrealisedPL = -4;
  EXPECT_EQ(info.getOpenQuantity(), 2);
  EXPECT_EQ(info.getOpenCommission(), 1.5);
  EXPECT_EQ(info.getOpenProfitorLoss(), -4);
  info.SettledPositionInfo.resize(2);
  info.SettledPositionInfo[0].SettledQty = "1.5abc";
  info.SettledPositionInfo[0].SettledPL = "-3.50";
  info.SettledPositionInfo[1].SettledPL = "x";
  info.SettledPositionInfo[1].OtherCharges = 0.25;
  EXPECT_EQ(info.getSettledQuantity(), 1.5);
  EXPECT_EQ(info.getSettledProfitorLoss(), -3.5);
  EXPECT_EQ(info.getSettledTDS(), 0.25);
}

TEST(TextReadingsTest, NaturalOrderComparesDigitRunsByValueAndLettersWithoutCase) {
  EXPECT_TRUE(conv::naturalLess("9", "10"));
  EXPECT_TRUE(conv::naturalLess("10", "100"));
  EXPECT_TRUE(conv::naturalLess("a2", "A10"));
  EXPECT_TRUE(conv::naturalLess("abc", "ABD"));
  EXPECT_EQ(conv::naturalCompare("abc", "ABC"), 0);
  EXPECT_TRUE(conv::naturalLess("", "0"));
  EXPECT_TRUE(conv::naturalLess("7", "007"));
  EXPECT_FALSE(conv::naturalLess("007", "7"));
  EXPECT_TRUE(conv::naturalLess("99999999999999999999998", "99999999999999999999999"));
}

TEST(TextReadingsTest, SixtyFourBitReadingsClampAndTruncate) {
  EXPECT_EQ(conv::toInt64(" -12x"), -12);
  EXPECT_EQ(conv::toInt64("abc"), 0);
  EXPECT_EQ(conv::toInt64("99999999999999999999"), INT64_MAX);
  EXPECT_EQ(conv::toInt64("-99999999999999999999"), INT64_MIN);
  EXPECT_EQ(conv::toInt64("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(conv::truncateToUInt64(3.9), 3u);
  EXPECT_EQ(conv::truncateToUInt64(-2), 0u);
  EXPECT_EQ(conv::truncateToUInt64(1e30), UINT64_MAX);
}

TEST(FinancialTransactionDetailsTest, RowColumnsAndMissingOnes) {
  const auto t = FinancialTransactionDetails::initWithMessage(
      "11\x05" "DEP\x05" "1001\x05" "77\x05" "100.5\x05" "2\x05" "1100.5\x05" "SUB\x05" "note\x05" "20240131153000\x05"
      "extra");
  EXPECT_EQ(t.TransactionId, 11);
  EXPECT_EQ(t.TransactionCode, "DEP");
  EXPECT_EQ(t.AccountId, 1001);
  EXPECT_EQ(t.DrAmount, 2);
  EXPECT_EQ(t.BalAmountPostTransaction, 1100.5);
  EXPECT_EQ(t.SubTransactionCode, "SUB");
  EXPECT_EQ(t.TransactionDate, "01/31/2024 15:30:00");
  const auto shortRow = FinancialTransactionDetails::initWithMessage("5\x05" "W");
  EXPECT_EQ(shortRow.TransactionId, 5);
  EXPECT_EQ(shortRow.TransactionCode, "W");
  EXPECT_EQ(shortRow.AccountId, 0);
  EXPECT_EQ(shortRow.TransactionDate, "");
}

}  // namespace
}  // namespace td
