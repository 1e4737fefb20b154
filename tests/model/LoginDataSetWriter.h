#pragma once
// Writes one login data set in both of its forms (XML tables and the delimited AMP text) from the
// same rows, so that tests can load both and compare the records.

#include <map>
#include <string>
#include <vector>

namespace td::testing {

// A column: its XML name ("" when the XML form lacks it) and its AMP position (-1 when the AMP form
// lacks it). Dates are given in the AMP form ("yyyyMMddHHmmss") and written to XML in UTC.
struct Column {
  std::string xml;
  int amp = -1;
  bool date = false;
  std::string id() const { return xml.empty() ? "#" + std::to_string(amp) : xml; }
};

// A row: column id (the XML name, or "#<position>" for a column the XML form lacks) -> text.
using Row = std::map<std::string, std::string>;

struct TableSpec {
  std::string xmlTable;
  int ampSection;
  std::vector<Column> columns;
};

inline const TableSpec kUserTable{"Table1", 0, {{"userid", 0}, {"lastrefid", 1}, {"NewRefid", 2}, {"ddeenabled", 3},
  {"userenabled", 4}, {"userTypeId", 5}, {"forceLogoutRefid", 6}, {"forceLogoutLoadServerId", 7}, {"appModeId", 8},
  {"canChangePassword", 9}, {"tradePubPort", 10}, {"marketdepthPort", 11}, {"hdserverPort", 12},
  {"OfflineMessageCount", -1}}};

inline const TableSpec kProductTable{"Table2", 1, {{"productId", 0}, {"productName", 1}, {"LatestBuild", 2},
  {"LatestSupportedBuild", 4}}};

inline const TableSpec kItemTypeTable{"Table5", 2, {{"InstrumentTypeId", 0}, {"InstrumentTypeName", 1}}};

inline const TableSpec kSessionTable{"Table10", 3, {{"SettingsId", 0}, {"SettingsName", 1}, {"EnterLimitOrder", 2},
  {"EnterMarketOrder", 3}, {"EditLimitOrder", 4}, {"EditMarketOrder", 5}, {"ExecuteOrders", 6},
  {"PublishMarketData", 7}, {"PublishTradeData", 8}, {"MatchMMwithMMOrders", 9}, {"EnterMarketMakerOrder", 10},
  {"EditMarketMakertOrder", 11}, {"SessionColor", 12}, {"UseELP", 13}}};

inline const TableSpec kItemTable{"Table6", 4, {{"InstrumentId", 0}, {"Name", 1}, {"Code", 2}, {"CurrencyID", 3},
  {"Enabled", 4}, {"InstrumentTypeId", 5}, {"TickSize", 6}, {"Point", 7}, {"DecimalPlaces", 8}, {"MonthCode", 9},
  {"ContractSize", 10}, {"UnitId", 11}, {"TradingStatusId", 12}, {"IsAvailableForWatchList", 13},
  {"UnderlyingInstrumentId", 14}, {"MaxUpdateFrequency", 15}, {"CutOffLimitPercentCP", 16}, {"FND", 17, true},
  {"LTD", 18, true}, {"CircuitLimit", 19}, {"PLCalcModeId", 20}, {"Bid", 21}, {"Ask", 22}, {"Last", 23},
  {"High", 24}, {"Low", 25}, {"DayOpen", 26}, {"PrevClose", 27}, {"UpdateTime", 28, true},
  {"CurrentTradeSessionSettingId", 29}, {"", 30}, {"", 31}, {"", 32}, {"AvailableOrderTypes", 33}, {"", 37},
  {"", 38}}};

inline const TableSpec kGroupTable{"Table8", 5, {{"GroupId", 0}, {"Name", 1}, {"TradingEnabled", 2},
  {"CompanyId", 3}, {"IsNewsEnabled", 5}, {"IsMailEnabled", 6}, {"IsChatEnabled", 7}, {"IsEAEnabled", 8},
  {"InstrumentLimit", 9}, {"WatchListItemLimit", 10}, {"MaxOrderQty", 11}, {"OrderQtyStep", 12},
  {"IsTrailingStopEnabled", 13}, {"MarginCallLevel", 14}, {"StopOutLevel", 15}, {"LeverageOnFProfit", 16},
  {"RevLeverageOnFLoss", 17}, {"ReportHistoryDaysLimit", 18}, {"SendMailReports", 19}, {"SendExecutionSMS", 20},
  {"CreditRating", 21}}};

inline const TableSpec kGroupInstrumentTable{"Table7", 6, {{"groupdetailsid", 0}, {"groupid", 1},
  {"InstrumentId", 2}, {"OrderQtyStep", 3}, {"MaxOrderQty", 4}, {"MinOrderQty", 5}, {"SpreadBid", 6},
  {"SpreadAsk", 7}, {"SpreadTypeId", 8}, {"buyInterestRate", 9}, {"sellInterestRate", 10}, {"LimitMinPips", 11},
  {"StopMinPips", 12}, {"AllowShortSelling", 13}, {"Initialmargin", 14}, {"LimitOrderMargin", 15},
  {"LiquidationMargin", 16}, {"IntradayOrderMargin", 17}, {"BTSTOrderMargin", 18}, {"OverNightMargin", 19},
  {"Commission", 20}, {"AutoExecutionModeId", 21}, {"MarginCalcModeId", 22}, {"PLCalcModeId", -1}}};

inline const TableSpec kAccountTable{"Table4", 8, {{"AccountId", 0}, {"GroupId", 1}, {"AccountTypeId", 2},
  {"Balance", 4}, {"UnrealisedPL", 5}, {"LeverageOnPositions", 6}, {"CollateralSecurity", 7}, {"UsedMargin", 8},
  {"Equity", 9}, {"AvailableMargin", 10}, {"HedgeModeId", 12}, {"TradeRouteId", 13}, {"AutoExecutionModeId", 14},
  {"AccountName", 15}, {"AccountEnabled", 16}, {"InstrumentLimit", 17}, {"WatchListItemLimit", 18},
  {"AccountAccessTypeId", 19}, {"TradingStatusId", 20}, {"AccumulatingStorage", 22}, {"AvailableOrderTypes", 24},
  {"", 28}, {"BranchId", -1}}};

inline std::string xmlDate(const std::string& amp) {
  if (amp.size() != 14) return amp;
  return amp.substr(0, 4) + "-" + amp.substr(4, 2) + "-" + amp.substr(6, 2) + "T" + amp.substr(8, 2) + ":" +
         amp.substr(10, 2) + ":" + amp.substr(12, 2) + "+00:00";
}

inline std::string ampRow(const TableSpec& spec, const Row& row) {
  std::vector<std::string> cols;
  for (const Column& c : spec.columns) {
    if (c.amp < 0) continue;
    auto it = row.find(c.id());
    if (it == row.end()) continue;
    if (cols.size() <= static_cast<std::size_t>(c.amp)) cols.resize(c.amp + 1);
    cols[c.amp] = it->second;
  }
  std::string out;
  for (std::size_t i = 0; i < cols.size(); ++i) out += (i ? "\x05" : "") + cols[i];
  return out;
}

inline std::string ampSection(const TableSpec& spec, const std::vector<Row>& rows) {
  std::string out;
  for (const Row& r : rows) out += ampRow(spec, r) + "\x06";
  return out;
}

inline std::string xmlRow(const TableSpec& spec, const Row& row) {
  std::string out = "<" + spec.xmlTable + ">";
  for (const Column& c : spec.columns) {
    if (c.xml.empty()) continue;
    auto it = row.find(c.id());
    if (it == row.end()) continue;
    out += "<" + c.xml + ">" + (c.date ? xmlDate(it->second) : it->second) + "</" + c.xml + ">";
  }
  return out + "</" + spec.xmlTable + ">\n";
}

inline std::string xmlRows(const TableSpec& spec, const std::vector<Row>& rows) {
  std::string out;
  for (const Row& r : rows) out += xmlRow(spec, r);
  return out;
}

struct LoginDataSet {
  std::vector<Row> user, product, itemTypes, sessions, items, groups, groupInstruments, accounts;
  std::vector<std::vector<std::string>> loginMessages;  // AMP only: DisplayMode, Message, ErrorCode

  std::string amp() const {
    std::vector<std::string> sections(17);
    sections[0] = ampSection(kUserTable, user);
    sections[1] = ampSection(kProductTable, product);
    sections[2] = ampSection(kItemTypeTable, itemTypes);
    sections[3] = ampSection(kSessionTable, sessions);
    sections[4] = ampSection(kItemTable, items);
    sections[5] = ampSection(kGroupTable, groups);
    sections[6] = ampSection(kGroupInstrumentTable, groupInstruments);
    sections[8] = ampSection(kAccountTable, accounts);
    for (const auto& m : loginMessages) {
      for (std::size_t i = 0; i < m.size(); ++i) sections[16] += (i ? "\x05" : "") + m[i];
      sections[16] += "\x06";
    }
    std::string out;
    for (std::size_t i = 0; i < sections.size(); ++i) out += (i ? "\x07" : "") + sections[i];
    return out;
  }

  std::string xml() const {
    return "<?xml version=\"1.0\" standalone=\"yes\"?>\n<NewDataSet>\n" + xmlRows(kUserTable, user) +
           xmlRows(kProductTable, product) + xmlRows(kItemTypeTable, itemTypes) + xmlRows(kSessionTable, sessions) +
           xmlRows(kItemTable, items) + xmlRows(kGroupTable, groups) +
           xmlRows(kGroupInstrumentTable, groupInstruments) + xmlRows(kAccountTable, accounts) + "</NewDataSet>\n";
  }
};

}  // namespace td::testing
