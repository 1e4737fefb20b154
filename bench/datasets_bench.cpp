// Data-set replies from bytes to records: a 1,000-row open-positions reply through the row loop and
// its converters, and an account statement of 5,000 table rows through the XML reader and the
// statement readers into the session's container.
#include <benchmark/benchmark.h>

#include <string>

#include "model/ReferenceData.h"
#include "model/statement/AccountStatementInfo.h"
#include "session/datasets/DataSetService.h"
#include "session/datasets/StatementTables.h"

namespace {

using namespace td;

std::string openPositionsReply(int rows) {
  std::string out;
  for (int i = 0; i < rows; ++i) {
    const std::string id = std::to_string(100000 + i);
    const std::string cols[] = {id, "1001", std::to_string(1 + i % 50), i % 2 ? "1" : "0", "T" + id, "W" + id,
                                "E" + id, "4", "3", "1.23456", "8.5", "20240131153000", "1", "dealer", "-12.75",
                                "2", "R" + id, "1", "1", "0.25", "20240201000000", "00010101000000"};
    for (std::size_t c = 0; c < std::size(cols); ++c) {
      if (c) out += '\x05';
      out += cols[c];
    }
    out += '\x06';
  }
  return out;
}

std::string statementDocument() {
  std::string x = "<?xml version=\"1.0\"?><NewDataSet>";
  for (int i = 1; i <= 50; ++i) {
    const std::string id = std::to_string(i);
    x += "<Table5><InstrumentId>" + id + "</InstrumentId><Name>Instrument " + id + "</Name><Code>SYM" + id +
         "</Code><DecimalPlaces>5</DecimalPlaces></Table5>";
    x += "<Table6><InstrumentId>" + id + "</InstrumentId><Bid>1.1" + id + "</Bid><Ask>1.2" + id + "</Ask></Table6>";
  }
  for (const char* date : {"2024-01-01T00:00:00", "2024-01-31T00:00:00"}) {
    x += std::string("<Table><TAHId>1</TAHId><TAHDate>") + date +
         "</TAHDate><AccountId>1001</AccountId><Balance>1000.5</Balance><Equity>990</Equity>"
         "<TradingStatusId>1</TradingStatusId><TradingEnabled>true</TradingEnabled></Table>";
  }
  for (int i = 0; i < 2000; ++i) {
    const std::string id = std::to_string(2000 - i);
    x += "<Table1><TOPHId>" + id + "</TOPHId><PositionId>" + id + "</PositionId><AccountId>1001</AccountId>"
         "<InstrumentId>" + std::to_string(1 + i % 50) + "</InstrumentId><IsBuy>true</IsBuy>"
         "<PositionInitialQty>4</PositionInitialQty><PositionQty>2</PositionQty><OrderPrice>1.23456</OrderPrice>"
         "<CommisionPaid>8</CommisionPaid><PositionDate>2024-01-15T10:20:30.123</PositionDate>"
         "<UnrealisedPL>-3.5</UnrealisedPL><DeliveryModeId>1</DeliveryModeId>"
         "<ValueDate>2024-01-16T00:00:00</ValueDate></Table1>";
  }
  for (int i = 0; i < 1000; ++i) {
    const std::string id = std::to_string(1000 - i);
    x += "<Table2><TPOH>" + id + "</TPOH><PendingOrderId>" + id + "</PendingOrderId><AccountId>1001</AccountId>"
         "<InstrumentId>" + std::to_string(1 + i % 50) + "</InstrumentId><IsBuy>false</IsBuy><OrderTypeId>2"
         "</OrderTypeId><OrderQty>1</OrderQty><OrderPrice>1.5</OrderPrice><OrderTime>2024-01-15T10:20:30"
         "</OrderTime></Table2>";
  }
  for (int i = 0; i < 1000; ++i) {
    const std::string id = std::to_string(1000 - i);
    x += "<Table3><SettlementId>" + id + "</SettlementId><AccountId>1001</AccountId><InstrumentId>" +
         std::to_string(1 + i % 50) + "</InstrumentId><SettledQty>1</SettledQty><SettledPL>12.5</SettledPL>"
         "<SettlementDate>2024-01-20T11:00:00</SettlementDate><OpenPrice>1.2</OpenPrice><ClosePrice>1.3"
         "</ClosePrice><OpenDate>2024-01-10T09:00:00</OpenDate><CloseDate>2024-01-20T11:00:00</CloseDate></Table3>";
  }
  for (int i = 0; i < 898; ++i) {
    x += "<Table4><DrAmount>0</DrAmount><CrAmount>100</CrAmount><FinancialTransactionTypeId>1"
         "</FinancialTransactionTypeId><SubFinancialTransactionTypeId>" + std::to_string(1 + i % 19) +
         "</SubFinancialTransactionTypeId><AccountId>1001</AccountId></Table4>";
  }
  return x + "</NewDataSet>";
}

void BM_OpenPositionsReply1000Rows(benchmark::State& state) {
  ReferenceData reference;
  for (int i = 1; i <= 50; ++i) {
    const std::string code = "SYM" + std::to_string(i), id = std::to_string(i);
    reference.FillItemDetails(XmlRow{{{"Code", code}, {"InstrumentId", id}}});
  }
  const std::string reply = openPositionsReply(1000);
  for (auto _ : state) {
    OwnedOrderBook orders;
    std::shared_ptr<BankDetails> bank;
    ChartDataCollection charts;
    DataSetService service({orders.book(), bank, charts}, reference, {});
    service.processDSResponse(reply, "getopenpositions");
    benchmark::DoNotOptimize(orders.OpenOrderCollection.data());
  }
  state.SetItemsProcessed(state.iterations() * 1000);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(reply.size()));
}
BENCHMARK(BM_OpenPositionsReply1000Rows)->Unit(benchmark::kMillisecond);

void BM_Statement5000Rows(benchmark::State& state) {
  const std::string document = statementDocument();
  AccountStatementInfo info;
  for (auto _ : state) {
    info.apply(StatementTables::readAccountStatement(document));
    benchmark::DoNotOptimize(info.OpenPositionInfo.data());
  }
  state.SetItemsProcessed(state.iterations() * 5000);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(document.size()));
}
BENCHMARK(BM_Statement5000Rows)->Unit(benchmark::kMillisecond);

}  // namespace
