#include "LoginDataWriter.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <set>

#include "ServerMessage.h"
#include "wire/Separators.h"

namespace td::sim {
namespace {

std::string num(double v, int decimals) { return fixedText(v, decimals); }
std::string num(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.10g", v);
  return buf;
}
std::string num(int v) { return std::to_string(v); }
std::string flag(bool v) { return v ? "1" : "0"; }

std::string xmlDate(const std::string& amp) {
  // The time stamp is local; write it with the local offset so that both forms mean one moment.
  const auto t = parseAmpTime(amp);
  if (!t) return amp;
  const std::time_t tt = static_cast<std::time_t>(*t);
  std::tm utc{};
  gmtime_r(&tt, &utc);
  char buf[40];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S+00:00", &utc);
  return buf;
}

}  // namespace

LoginDataWriter::LoginDataWriter(const Scenario& scenario, LoginDataContext context)
    : scenario_(scenario), context_(std::move(context)) {}

std::string LoginDataWriter::ampRow(const Row& row) {
  std::vector<std::string> cols;
  for (const Cell& c : row) {
    if (c.amp < 0) continue;
    if (cols.size() <= static_cast<std::size_t>(c.amp)) cols.resize(static_cast<std::size_t>(c.amp) + 1);
    cols[static_cast<std::size_t>(c.amp)] = c.value;
  }
  std::string out;
  for (std::size_t i = 0; i < cols.size(); ++i) {
    if (i) out += MessageInnerTagSeperatortw;
    out += cols[i];
  }
  return out;
}

std::string LoginDataWriter::xmlRow(const char* table, const Row& row) {
  std::string out = std::string("<") + table + ">";
  for (const Cell& c : row) {
    if (!c.xml || !*c.xml) continue;
    out += std::string("<") + c.xml + ">" + (c.date ? xmlDate(c.value) : c.value) + "</" + c.xml + ">";
  }
  return out + "</" + table + ">\n";
}

LoginDataWriter::Tables LoginDataWriter::tables(const UserSpec& user) const {
  Tables t;
  std::string now = ampTime(context_.now);
  t.user.push_back({{"userid", 0, num(user.userId)},
                    {"lastrefid", 1, "0"},
                    {"NewRefid", 2, "1"},
                    {"ddeenabled", 3, "0"},
                    {"userenabled", 4, "1"},
                    {"userTypeId", 5, "1"},
                    {"forceLogoutRefid", 6, "0"},
                    {"forceLogoutLoadServerId", 7, "0"},
                    {"appModeId", 8, "1"},
                    {"canChangePassword", 9, flag(user.canChangePassword)},
                    {"tradePubPort", 10, num(context_.pubPort)},
                    {"marketdepthPort", 11, num(context_.pubPort)},
                    {"hdserverPort", 12, num(context_.repPort)},
                    {"OfflineMessageCount", -1, "0"}});
  t.product.push_back({{"productId", 0, "1"},
                       {"productName", 1, "TarnwickDesk"},
                       {"LatestBuild", 2, "1.0.0"},
                       {"", 3, ""},
                       {"LatestSupportedBuild", 4, "1.0.0"}});
  for (const auto& type : scenario_.instrumentTypes)
    t.itemTypes.push_back({{"InstrumentTypeId", 0, num(type.id)}, {"InstrumentTypeName", 1, type.name}});
  for (const auto& s : scenario_.sessions)
    t.sessions.push_back({{"SettingsId", 0, num(s.id)},
                          {"SettingsName", 1, s.name},
                          {"EnterLimitOrder", 2, flag(s.enterLimitOrder)},
                          {"EnterMarketOrder", 3, flag(s.enterMarketOrder)},
                          {"EditLimitOrder", 4, flag(s.editLimitOrder)},
                          {"EditMarketOrder", 5, flag(s.editMarketOrder)},
                          {"ExecuteOrders", 6, flag(s.executeOrders)},
                          {"PublishMarketData", 7, flag(s.publishMarketData)},
                          {"PublishTradeData", 8, flag(s.publishTradeData)},
                          {"MatchMMwithMMOrders", 9, flag(s.matchMMwithMMOrders)},
                          {"EnterMarketMakerOrder", 10, flag(s.enterMarketMakerOrder)},
                          {"EditMarketMakertOrder", 11, flag(s.editMarketMakertOrder)},
                          {"SessionColor", 12, num(s.color)},
                          {"UseELP", 13, flag(s.useELP)}});
  for (const InstrumentSpec* i : scenario_.instrumentsFor(user)) {
    const auto found = context_.quotes.find(i->id);
    const Quote q = found != context_.quotes.end() ? found->second : openingQuote(*i);
    int d = i->decimals;
    t.items.push_back({{"InstrumentId", 0, num(i->id)},
                       {"Name", 1, i->name},
                       {"Code", 2, i->code},
                       {"CurrencyID", 3, num(i->currency)},
                       {"Enabled", 4, flag(i->enabled)},
                       {"InstrumentTypeId", 5, num(i->type)},
                       {"TickSize", 6, num(i->tickSize)},
                       {"Point", 7, num(i->point)},
                       {"DecimalPlaces", 8, num(i->decimals)},
                       {"MonthCode", 9, i->monthCode},
                       {"ContractSize", 10, num(i->contractSize)},
                       {"UnitId", 11, num(i->unitId)},
                       {"TradingStatusId", 12, num(i->tradingStatus)},
                       {"IsAvailableForWatchList", 13, flag(i->watchlist)},
                       {"UnderlyingInstrumentId", 14, "0"},
                       {"MaxUpdateFrequency", 15, "1"},
                       {"CutOffLimitPercentCP", 16, "10"},
                       {"FND", 17, "20271215000000", true},
                       {"LTD", 18, "20271220000000", true},
                       {"CircuitLimit", 19, "10"},
                       {"PLCalcModeId", 20, num(i->plCalcMode)},
                       {"Bid", 21, num(q.bid, d)},
                       {"Ask", 22, num(q.ask, d)},
                       {"Last", 23, num(q.last, d)},
                       {"High", 24, num(q.high, d)},
                       {"Low", 25, num(q.low, d)},
                       {"DayOpen", 26, num(q.open, d)},
                       {"PrevClose", 27, num(q.prevClose, d)},
                       {"UpdateTime", 28, now, true},
                       {"CurrentTradeSessionSettingId", 29, num(i->session)},
                       {"", 30, num(i->hedgeMode)},
                       {"", 31, num(i->maxHoldingDays)},
                       {"", 32, "0"},
                       {"AvailableOrderTypes", 33, num(i->availableOrderTypes)},
                       {"", 37, flag(i->tradable)},
                       {"", 38, num(i->availableOrderSettings)}});
  }
  std::set<int> groupIds;
  for (int id : user.accounts)
    if (const AccountSpec* a = scenario_.account(id)) groupIds.insert(a->group);
  int termId = 1;
  for (const auto& g : scenario_.groups) {
    if (!groupIds.count(g.id)) continue;
    t.groups.push_back({{"GroupId", 0, num(g.id)},
                        {"Name", 1, g.name},
                        {"TradingEnabled", 2, flag(g.tradingEnabled)},
                        {"CompanyId", 3, "1"},
                        {"IsNewsEnabled", 5, "1"},
                        {"IsMailEnabled", 6, "0"},
                        {"IsChatEnabled", 7, flag(g.chatEnabled)},
                        {"IsEAEnabled", 8, "0"},
                        {"InstrumentLimit", 9, "100"},
                        {"WatchListItemLimit", 10, "100"},
                        {"MaxOrderQty", 11, num(g.maxOrderQty)},
                        {"OrderQtyStep", 12, num(g.orderQtyStep)},
                        {"IsTrailingStopEnabled", 13, "0"},
                        {"MarginCallLevel", 14, num(g.marginCallLevel)},
                        {"StopOutLevel", 15, num(g.stopOutLevel)},
                        {"LeverageOnFProfit", 16, num(g.leverageOnFProfit)},
                        {"RevLeverageOnFLoss", 17, num(g.revLeverageOnFLoss)},
                        {"ReportHistoryDaysLimit", 18, "90"},
                        {"SendMailReports", 19, "0"},
                        {"SendExecutionSMS", 20, "0"},
                        {"CreditRating", 21, "0"}});
    for (const auto& term : g.terms)
      t.terms.push_back({{"groupdetailsid", 0, num(g.id * 1000 + termId++)},
                         {"groupid", 1, num(g.id)},
                         {"InstrumentId", 2, num(term.instrument)},
                         {"OrderQtyStep", 3, num(term.orderQtyStep)},
                         {"MaxOrderQty", 4, num(term.maxOrderQty)},
                         {"MinOrderQty", 5, num(term.minOrderQty)},
                         {"SpreadBid", 6, num(term.spreadBid)},
                         {"SpreadAsk", 7, num(term.spreadAsk)},
                         {"SpreadTypeId", 8, num(term.spreadType)},
                         {"buyInterestRate", 9, "0"},
                         {"sellInterestRate", 10, "0"},
                         {"LimitMinPips", 11, num(term.limitMinPips)},
                         {"StopMinPips", 12, num(term.stopMinPips)},
                         {"AllowShortSelling", 13, flag(term.allowShortSelling)},
                         {"Initialmargin", 14, num(term.initialMargin)},
                         {"LimitOrderMargin", 15, num(term.limitOrderMargin)},
                         {"LiquidationMargin", 16, num(term.liquidationMargin)},
                         {"IntradayOrderMargin", 17, num(term.intradayMargin)},
                         {"BTSTOrderMargin", 18, num(term.btstMargin)},
                         {"OverNightMargin", 19, num(term.overnightMargin)},
                         {"Commission", 20, num(term.commission)},
                         {"AutoExecutionModeId", 21, "1"},
                         {"MarginCalcModeId", 22, num(term.marginCalcMode)}});
  }
  for (int id : user.accounts) {
    const AccountSpec* a = scenario_.account(id);
    if (!a) continue;
    double equity = a->balance + a->collateral + a->storage;
    t.accounts.push_back({{"AccountId", 0, num(a->id)},
                          {"GroupId", 1, num(a->group)},
                          {"AccountTypeId", 2, num(a->accountType)},
                          {"Balance", 4, num(a->balance, 2)},
                          {"UnrealisedPL", 5, "0"},
                          {"LeverageOnPositions", 6, "0"},
                          {"CollateralSecurity", 7, num(a->collateral, 2)},
                          {"UsedMargin", 8, num(a->usedMargin, 2)},
                          {"Equity", 9, num(equity, 2)},
                          {"AvailableMargin", 10, num(equity - a->usedMargin, 2)},
                          {"HedgeModeId", 12, num(a->hedgeMode)},
                          {"TradeRouteId", 13, "1"},
                          {"AutoExecutionModeId", 14, "1"},
                          {"AccountName", 15, a->name},
                          {"AccountEnabled", 16, "1"},
                          {"InstrumentLimit", 17, "100"},
                          {"WatchListItemLimit", 18, "100"},
                          {"AccountAccessTypeId", 19, num(a->accessType)},
                          {"TradingStatusId", 20, num(a->tradingStatus)},
                          {"AccumulatingStorage", 22, num(a->storage, 2)},
                          {"AvailableOrderTypes", 24, num(a->availableOrderTypes)},
                          {"", 28, num(a->settings1)}});
  }
  return t;
}

std::string LoginDataWriter::amp(const UserSpec& user) const {
  Tables t = tables(user);
  std::vector<std::string> sections(17);
  auto put = [&](std::size_t index, const std::vector<Row>& rows) {
    for (const Row& r : rows) sections[index] += ampRow(r) + MessageInnerTagSeperatorthr;
  };
  put(0, t.user);
  put(1, t.product);
  put(2, t.itemTypes);
  put(3, t.sessions);
  put(4, t.items);
  put(5, t.groups);
  put(6, t.terms);
  put(8, t.accounts);
  for (const auto& m : scenario_.loginMessages)
    sections[16] += num(m.displayMode) + MessageInnerTagSeperatortw + m.message + MessageInnerTagSeperatortw +
                    num(m.code) + MessageInnerTagSeperatorthr;
  std::string out;
  for (std::size_t i = 0; i < sections.size(); ++i) {
    if (i) out += MessageInnerTagSeperatorfou;
    out += sections[i];
  }
  return out;
}

std::string LoginDataWriter::xml(const UserSpec& user) const {
  Tables t = tables(user);
  std::string out = "<?xml version=\"1.0\" standalone=\"yes\"?>\n<NewDataSet>\n";
  auto put = [&](const char* table, const std::vector<Row>& rows) {
    for (const Row& r : rows) out += xmlRow(table, r);
  };
  put("Table1", t.user);
  put("Table2", t.product);
  put("Table4", t.accounts);
  put("Table5", t.itemTypes);
  put("Table6", t.items);
  put("Table7", t.terms);
  put("Table8", t.groups);
  put("Table10", t.sessions);
  return out + "</NewDataSet>\n";
}

std::string LoginDataWriter::ampRefusal(int errorCode, const std::string& message, int displayMode) {
  std::string out(16, MessageInnerTagSeperatorfou);
  out += num(displayMode) + MessageInnerTagSeperatortw + message + MessageInnerTagSeperatortw + num(errorCode) +
         MessageInnerTagSeperatorthr;
  return out;
}

}  // namespace td::sim
