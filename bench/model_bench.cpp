// Login data set loading: a data set of 5,000 items, 50 groups and 20,000 group-instrument rows in
// both forms, and the XML reader's throughput on the XML form.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "model/ReferenceData.h"
#include "model/XmlTables.h"
#include "platform/Log.h"
#include "wire/TBXML.h"

namespace {

constexpr int kItems = 5000;
constexpr int kGroups = 50;
constexpr int kTermsPerGroup = 400;  // 20,000 group-instrument rows
constexpr int kAccounts = 10;
constexpr int kTypes = 20;

struct Column {
  const char* xml;
  std::string value;
};

struct DataSet {
  std::string amp;
  std::string xml;
};

void addRow(DataSet& d, std::string& ampSection, const char* table, const std::vector<Column>& cols) {
  std::string ampRow;
  d.xml += "  <";
  d.xml += table;
  d.xml += ">\n";
  for (std::size_t i = 0; i < cols.size(); ++i) {
    if (i) ampRow += '\x05';
    ampRow += cols[i].value;
    if (cols[i].xml[0] == '\0') continue;
    d.xml += "    <";
    d.xml += cols[i].xml;
    d.xml += ">";
    d.xml += cols[i].value;
    d.xml += "</";
    d.xml += cols[i].xml;
    d.xml += ">\n";
  }
  d.xml += "  </";
  d.xml += table;
  d.xml += ">\n";
  ampSection += ampRow;
  ampSection += '\x06';
}

std::string xmlDate(const std::string& amp) {
  return amp.substr(0, 4) + "-" + amp.substr(4, 2) + "-" + amp.substr(6, 2) + "T" + amp.substr(8, 2) + ":" +
         amp.substr(10, 2) + ":" + amp.substr(12, 2) + "+00:00";
}

const DataSet& dataSet() {
  static const DataSet d = [] {
    DataSet d;
    std::vector<std::string> sections(17);
    d.xml = "<?xml version=\"1.0\" standalone=\"yes\"?>\n<NewDataSet>\n";
    addRow(d, sections[0], "Table1",
           {{"userid", "77"}, {"lastrefid", "1"}, {"NewRefid", "2"}, {"ddeenabled", "1"}, {"userenabled", "1"},
            {"userTypeId", "2"}, {"forceLogoutRefid", "0"}, {"forceLogoutLoadServerId", "0"}, {"appModeId", "1"},
            {"canChangePassword", "1"}, {"tradePubPort", "8001"}, {"marketdepthPort", "8002"},
            {"hdserverPort", "8003"}});
    addRow(d, sections[1], "Table2", {{"productId", "3"}, {"productName", "Desk"}, {"LatestBuild", "2.1"}});
    for (int t = 1; t <= kTypes; ++t) {
      addRow(d, sections[2], "Table5", {{"InstrumentTypeId", std::to_string(t)}, {"InstrumentTypeName", "Type " + std::to_string(t)}});
    }
    addRow(d, sections[3], "Table10", {{"SettingsId", "1"}, {"SettingsName", "Day"}, {"EnterLimitOrder", "1"},
                                       {"EnterMarketOrder", "1"}, {"EditLimitOrder", "1"}});
    for (int i = 1; i <= kItems; ++i) {
      const std::string id = std::to_string(i);
      // Contract dates repeat by month; every item has its own time of the latest prices.
      char fnd[16], ltd[16], upd[16];
      std::snprintf(fnd, sizeof fnd, "2025%02d20120000", 1 + i % 12);
      std::snprintf(ltd, sizeof ltd, "2025%02d28235959", 1 + i % 12);
      std::snprintf(upd, sizeof upd, "20240105%02d%02d%02d", 8 + i / 3600 % 10, i / 60 % 60, i % 60);
      std::vector<Column> cols = {
          {"InstrumentId", id}, {"Name", "Instrument number " + id}, {"Code", "SYM" + id},
          {"CurrencyID", std::to_string(i % 7 == 0 ? 1 : 0)}, {"Enabled", "1"},
          {"InstrumentTypeId", std::to_string(1 + i % kTypes)}, {"TickSize", "0.00001"}, {"Point", "0.0001"},
          {"DecimalPlaces", "5"}, {"MonthCode", "Z4"}, {"ContractSize", "100000"}, {"UnitId", "2"},
          {"TradingStatusId", "1"}, {"IsAvailableForWatchList", "1"}, {"UnderlyingInstrumentId", "0"},
          {"MaxUpdateFrequency", "1.5"}, {"CutOffLimitPercentCP", "10"}, {"FND", fnd}, {"LTD", ltd},
          {"CircuitLimit", "5.5"}, {"PLCalcModeId", "1"}, {"Bid", "1.08123"}, {"Ask", "1.08131"},
          {"Last", "1.08127"}, {"High", "1.09000"}, {"Low", "1.07000"}, {"DayOpen", "1.07500"},
          {"PrevClose", "1.07400"}, {"UpdateTime", upd}, {"CurrentTradeSessionSettingId", "1"}, {"", "1"},
          {"", "30"}, {"", "255"}, {"AvailableOrderTypes", "199"}, {"", ""}, {"", ""}, {"", ""}, {"", "1"}, {"", "7"}};
      // The XML form carries its dates with a zone; the AMP form in local time.
      std::string ampSection;
      DataSet tmp;
      addRow(tmp, ampSection, "Table6", cols);
      sections[4] += ampSection;
      std::string xmlRow = tmp.xml;
      for (const std::string date : {fnd, ltd, upd}) {
        const auto pos = xmlRow.find(">" + date + "<");
        if (pos != std::string::npos) xmlRow.replace(pos + 1, date.size(), xmlDate(date));
      }
      d.xml += xmlRow;
    }
    for (int g = 1; g <= kGroups; ++g) {
      addRow(d, sections[5], "Table8",
             {{"GroupId", std::to_string(g)}, {"Name", "Group " + std::to_string(g)}, {"TradingEnabled", "1"},
              {"CompanyId", "1"}, {"", ""}, {"IsNewsEnabled", "1"}, {"IsMailEnabled", "0"}, {"IsChatEnabled", "1"},
              {"IsEAEnabled", "0"}, {"InstrumentLimit", "50"}, {"WatchListItemLimit", "40"}, {"MaxOrderQty", "100"},
              {"OrderQtyStep", "0.01"}, {"IsTrailingStopEnabled", "1"}, {"MarginCallLevel", "80"},
              {"StopOutLevel", "50"}, {"LeverageOnFProfit", "100"}, {"RevLeverageOnFLoss", "100"},
              {"ReportHistoryDaysLimit", "90"}, {"SendMailReports", "1"}, {"SendExecutionSMS", "0"},
              {"CreditRating", "3"}});
    }
    int row = 0;
    for (int g = 1; g <= kGroups; ++g) {
      for (int k = 0; k < kTermsPerGroup; ++k) {
        const int instrument = 1 + (g * 37 + k * 11) % kItems;
        addRow(d, sections[6], "Table7",
               {{"groupdetailsid", std::to_string(++row)}, {"groupid", std::to_string(g)},
                {"InstrumentId", std::to_string(instrument)}, {"OrderQtyStep", "0.01"}, {"MaxOrderQty", "50"},
                {"MinOrderQty", "0.01"}, {"SpreadBid", "2"}, {"SpreadAsk", "3"}, {"SpreadTypeId", "1"},
                {"buyInterestRate", "-1.5"}, {"sellInterestRate", "0.5"}, {"LimitMinPips", "10"},
                {"StopMinPips", "12"}, {"AllowShortSelling", "1"}, {"Initialmargin", "1000"},
                {"LimitOrderMargin", "900"}, {"LiquidationMargin", "500"}, {"IntradayOrderMargin", "400"},
                {"BTSTOrderMargin", "300"}, {"OverNightMargin", "1200"}, {"Commission", "7.5"},
                {"AutoExecutionModeId", "1"}, {"MarginCalcModeId", "0"}});
      }
    }
    for (int a = 1; a <= kAccounts; ++a) {
      addRow(d, sections[8], "Table4",
             {{"AccountId", std::to_string(1000 + a)}, {"GroupId", std::to_string(1 + a % kGroups)},
              {"AccountTypeId", "1"}, {"", ""}, {"Balance", "10000.5"}, {"UnrealisedPL", "0"},
              {"LeverageOnPositions", "1"}, {"CollateralSecurity", "0"}, {"UsedMargin", "0"}, {"Equity", "10000.5"},
              {"AvailableMargin", "10000.5"}, {"", ""}, {"HedgeModeId", "1"}, {"TradeRouteId", "1"},
              {"AutoExecutionModeId", "1"}, {"AccountName", "Account"}, {"AccountEnabled", "1"},
              {"InstrumentLimit", "20"}, {"WatchListItemLimit", "30"}, {"AccountAccessTypeId", "1"},
              {"TradingStatusId", "1"}, {"", ""}, {"AccumulatingStorage", "0"}, {"", ""},
              {"AvailableOrderTypes", "255"}});
    }
    sections[16] = "1\x05Welcome\x05" "3\x06";
    d.xml += "</NewDataSet>\n";
    for (std::size_t i = 0; i < sections.size(); ++i) {
      if (i) d.amp += '\x07';
      d.amp += sections[i];
    }
    return d;
  }();
  return d;
}

void checkLoaded(benchmark::State& state, const td::ReferenceData& data) {
  std::size_t terms = 0;
  for (const auto& [key, group] : data.GroupDetailCollection()) terms += group->GroupInstrumentCollection.size();
  if (data.ItemCollection().size() != kItems || data.GroupDetailCollection().size() != kGroups ||
      data.AccountDetailCollection().size() != kAccounts || terms == 0) {
    state.SkipWithError("data set did not load");
  }
}

void BM_AmpLoad(benchmark::State& state) {
  td::log::setLevel(td::log::Level::Warning);
  const DataSet& d = dataSet();
  for (auto _ : state) {
    td::ReferenceData data;
    data.FillAmpDetails(d.amp);
    benchmark::DoNotOptimize(data.ItemCollection().size());
    state.PauseTiming();
    checkLoaded(state, data);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.amp.size()));
  state.counters["bytes"] = static_cast<double>(d.amp.size());
}
BENCHMARK(BM_AmpLoad)->Unit(benchmark::kMillisecond);

void BM_XmlLoad(benchmark::State& state) {
  td::log::setLevel(td::log::Level::Warning);
  const DataSet& d = dataSet();
  for (auto _ : state) {
    td::ReferenceData data;
    data.FillTableDetails(td::parseXml(d.xml));
    benchmark::DoNotOptimize(data.ItemCollection().size());
    state.PauseTiming();
    checkLoaded(state, data);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.xml.size()));
  state.counters["bytes"] = static_cast<double>(d.xml.size());
}
BENCHMARK(BM_XmlLoad)->Unit(benchmark::kMillisecond);

void BM_XmlReader(benchmark::State& state) {
  const DataSet& d = dataSet();
  for (auto _ : state) {
    auto xml = td::TBXML::tbxmlWithXMLString(d.xml);
    benchmark::DoNotOptimize(xml->rootXMLElement());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.xml.size()));
}
BENCHMARK(BM_XmlReader)->Unit(benchmark::kMillisecond);

void BM_GetItemCode(benchmark::State& state) {
  td::ReferenceData data;
  data.FillAmpDetails(dataSet().amp);
  std::int32_t id = 0;
  for (auto _ : state) {
    id = id % kItems + 1;
    benchmark::DoNotOptimize(data.getItemCode(id));
  }
}
BENCHMARK(BM_GetItemCode);

}  // namespace
