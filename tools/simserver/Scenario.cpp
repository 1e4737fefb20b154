#include "Scenario.h"

#include <algorithm>
#include <cmath>
#include <set>

#include <nlohmann/json.hpp>

#include "ScenarioJson.h"

namespace td::sim {
namespace {

using nlohmann::json;

constexpr std::string_view kBuiltIn = R"json({
  "instrumentTypes": [
    {"id": 1, "name": "Forex"}, {"id": 2, "name": "Metals"}, {"id": 3, "name": "Indices"},
    {"id": 4, "name": "Virtual Currencies"}
  ],
  "sessions": [
    {"id": 1, "name": "Regular", "color": 41216},
    {"id": 2, "name": "Close only", "enterLimitOrder": false, "enterMarketOrder": false, "color": 16744448},
    {"id": 3, "name": "Pre-open", "enterMarketOrder": false, "executeOrders": false, "color": 8421504}
  ],
  "instruments": [
    {"id": 1, "code": "EURUSD", "name": "Euro / US Dollar", "type": 1, "decimals": 5, "tickSize": 0.00001,
     "contractSize": 100000, "point": 10, "price": 1.08452, "spreadTicks": 8, "volatility": 0.000016, "session": 1},
    {"id": 2, "code": "USDJPY", "name": "US Dollar / Japanese Yen", "type": 1, "decimals": 3, "tickSize": 0.001,
     "contractSize": 100000, "point": 1000, "price": 151.234, "spreadTicks": 12, "volatility": 0.000012,
     "session": 1, "currency": 2, "plCalcMode": 6},
    {"id": 3, "code": "GBPUSD", "name": "British Pound / US Dollar", "type": 1, "decimals": 5,
     "tickSize": 0.00001, "contractSize": 100000, "point": 10, "price": 1.26810, "spreadTicks": 10,
     "volatility": 0.000016, "session": 1},
    {"id": 4, "code": "XAUUSD", "name": "Gold", "type": 2, "decimals": 2, "tickSize": 0.01, "contractSize": 100,
     "point": 1, "price": 2034.56, "spreadTicks": 30, "volatility": 0.00006, "session": 1},
    {"id": 5, "code": "GER40", "name": "Germany 40", "type": 3, "decimals": 1, "tickSize": 0.5, "contractSize": 1,
     "point": 1, "price": 17850.5, "spreadTicks": 2, "volatility": 0.00005, "session": 3, "monthCode": "Z6"},
    {"id": 6, "code": "BTCUSD", "name": "Bitcoin", "type": 4, "decimals": 0, "tickSize": 1, "contractSize": 1,
     "point": 1, "price": 43250, "spreadTicks": 20, "volatility": 0.00012, "session": 1}
  ],
  "groups": [
    {"id": 1, "name": "Standard", "leverageOnFProfit": 100, "revLeverageOnFLoss": 100, "terms": [
      {"instrument": 1, "spreadBid": 2, "spreadAsk": 2, "spreadType": 3, "commission": 2, "limitMinPips": 50,
       "stopMinPips": 50},
      {"instrument": 2, "spreadBid": 3, "spreadAsk": 3, "spreadType": 1, "limitMinPips": 50, "stopMinPips": 50},
      {"instrument": 3, "spreadBid": 5, "spreadAsk": 5, "spreadType": 2, "limitMinPips": 60, "stopMinPips": 60},
      {"instrument": 4, "spreadBid": 10, "spreadAsk": 10, "spreadType": 3, "maxOrderQty": 50, "limitMinPips": 350,
       "stopMinPips": 350},
      {"instrument": 5, "spreadBid": 1, "spreadAsk": 1, "spreadType": 1, "limitMinPips": 50, "stopMinPips": 50},
      {"instrument": 6, "spreadBid": 0, "spreadAsk": 0, "spreadType": 0, "minOrderQty": 0.1, "orderQtyStep": 0.1,
       "limitMinPips": 150, "stopMinPips": 150}
    ]},
    {"id": 2, "name": "Professional", "leverageOnFProfit": 50, "revLeverageOnFLoss": 100, "terms": [
      {"instrument": 1, "spreadBid": 0, "spreadAsk": 1, "spreadType": 3, "limitMinPips": 50, "stopMinPips": 50},
      {"instrument": 3, "spreadBid": 1, "spreadAsk": 1, "spreadType": 3, "limitMinPips": 60, "stopMinPips": 60},
      {"instrument": 4, "spreadBid": 5, "spreadAsk": 5, "spreadType": 1, "limitMinPips": 350, "stopMinPips": 350}
    ]}
  ],
  "accounts": [
    {"id": 1001, "group": 1, "name": "Demo main", "balance": 100000},
    {"id": 1002, "group": 1, "name": "Demo hedge", "balance": 25000, "hedgeMode": 1, "settings1": 2},
    {"id": 2001, "group": 2, "name": "Alice", "balance": 50000}
  ],
  "users": [
    {"name": "demo", "password": "demo", "userId": 101, "accounts": [1001, 1002]},
    {"name": "alice", "password": "secret", "userId": 102, "accounts": [2001]}
  ],
  "loginMessages": [],
  "orderRules": [
    {"quantity": 71, "reject": 1}, {"quantity": 72, "reject": 2}, {"quantity": 73, "reject": 5},
    {"quantity": 74, "reject": 8}, {"quantity": 75, "reject": 11}, {"quantity": 76, "reject": 12},
    {"quantity": 77, "reject": 13}, {"quantity": 78, "reject": 15}, {"quantity": 79, "reject": 50},
    {"quantity": 80, "reject": 51}, {"quantity": 81, "reject": 80}, {"quantity": 82, "reject": 81},
    {"quantity": 83, "reject": 82}, {"quantity": 84, "reject": 83}, {"quantity": 85, "reject": 99},
    {"quantity": 7, "fillStep": 2}
  ]
})json";

using scenario_json::arrayAt;
using scenario_json::get;

void readSession(const json& j, SessionSpec& s) {
  get(j, "id", s.id);
  get(j, "name", s.name);
  get(j, "enterLimitOrder", s.enterLimitOrder);
  get(j, "enterMarketOrder", s.enterMarketOrder);
  get(j, "editLimitOrder", s.editLimitOrder);
  get(j, "editMarketOrder", s.editMarketOrder);
  get(j, "executeOrders", s.executeOrders);
  get(j, "publishMarketData", s.publishMarketData);
  get(j, "publishTradeData", s.publishTradeData);
  get(j, "matchMMwithMMOrders", s.matchMMwithMMOrders);
  get(j, "enterMarketMakerOrder", s.enterMarketMakerOrder);
  get(j, "editMarketMakertOrder", s.editMarketMakertOrder);
  get(j, "useELP", s.useELP);
  get(j, "color", s.color);
}

void readInstrument(const json& j, InstrumentSpec& i) {
  get(j, "id", i.id);
  get(j, "code", i.code);
  get(j, "name", i.name);
  get(j, "type", i.type);
  get(j, "decimals", i.decimals);
  get(j, "tickSize", i.tickSize);
  get(j, "point", i.point);
  get(j, "contractSize", i.contractSize);
  get(j, "price", i.price);
  get(j, "spreadTicks", i.spreadTicks);
  get(j, "volatility", i.volatility);
  get(j, "session", i.session);
  get(j, "currency", i.currency);
  get(j, "unitId", i.unitId);
  get(j, "tradingStatus", i.tradingStatus);
  get(j, "plCalcMode", i.plCalcMode);
  get(j, "availableOrderTypes", i.availableOrderTypes);
  get(j, "hedgeMode", i.hedgeMode);
  get(j, "maxHoldingDays", i.maxHoldingDays);
  get(j, "availableOrderSettings", i.availableOrderSettings);
  get(j, "enabled", i.enabled);
  get(j, "watchlist", i.watchlist);
  get(j, "tradable", i.tradable);
  get(j, "monthCode", i.monthCode);
}

void readTerm(const json& j, TermSpec& t) {
  get(j, "instrument", t.instrument);
  get(j, "spreadBid", t.spreadBid);
  get(j, "spreadAsk", t.spreadAsk);
  get(j, "spreadType", t.spreadType);
  get(j, "minOrderQty", t.minOrderQty);
  get(j, "maxOrderQty", t.maxOrderQty);
  get(j, "orderQtyStep", t.orderQtyStep);
  get(j, "commission", t.commission);
  get(j, "initialMargin", t.initialMargin);
  get(j, "limitOrderMargin", t.limitOrderMargin);
  get(j, "liquidationMargin", t.liquidationMargin);
  get(j, "intradayMargin", t.intradayMargin);
  get(j, "btstMargin", t.btstMargin);
  get(j, "overnightMargin", t.overnightMargin);
  get(j, "limitMinPips", t.limitMinPips);
  get(j, "stopMinPips", t.stopMinPips);
  get(j, "allowShortSelling", t.allowShortSelling);
  get(j, "marginCalcMode", t.marginCalcMode);
}

void readGroup(const json& j, GroupSpec& g) {
  get(j, "id", g.id);
  get(j, "name", g.name);
  get(j, "leverageOnFProfit", g.leverageOnFProfit);
  get(j, "revLeverageOnFLoss", g.revLeverageOnFLoss);
  get(j, "marginCallLevel", g.marginCallLevel);
  get(j, "stopOutLevel", g.stopOutLevel);
  get(j, "maxOrderQty", g.maxOrderQty);
  get(j, "orderQtyStep", g.orderQtyStep);
  get(j, "tradingEnabled", g.tradingEnabled);
  get(j, "chatEnabled", g.chatEnabled);
  for (const json& t : arrayAt(j, "terms")) readTerm(t, g.terms.emplace_back());
}

void readAccount(const json& j, AccountSpec& a) {
  get(j, "id", a.id);
  get(j, "group", a.group);
  get(j, "name", a.name);
  get(j, "balance", a.balance);
  get(j, "usedMargin", a.usedMargin);
  get(j, "collateral", a.collateral);
  get(j, "storage", a.storage);
  get(j, "tradingStatus", a.tradingStatus);
  get(j, "accountType", a.accountType);
  get(j, "accessType", a.accessType);
  get(j, "hedgeMode", a.hedgeMode);
  get(j, "availableOrderTypes", a.availableOrderTypes);
  get(j, "settings1", a.settings1);
}

void readUser(const json& j, UserSpec& u) {
  get(j, "name", u.name);
  get(j, "password", u.password);
  get(j, "userId", u.userId);
  get(j, "accounts", u.accounts);
  get(j, "refuse", u.refuse);
  get(j, "canChangePassword", u.canChangePassword);
}

// No separator byte of the wire, and nothing the XML form would have to escape: the client's XML
// reader does not decode entities.
bool wireSafe(std::string_view text) {
  return std::none_of(text.begin(), text.end(),
                      [](char c) { return (c >= '\x01' && c <= '\x07') || c == '<' || c == '>' || c == '&'; });
}

}  // namespace

std::string_view Scenario::builtInJson() { return kBuiltIn; }

Scenario Scenario::builtIn() {
  std::string error;
  auto s = parse(kBuiltIn, error);
  // The built-in text is part of this program; tests keep it parsing.
  if (!s) return Scenario{};
  s->chat = ChatSpec::builtIn();
  return std::move(*s);
}

std::optional<Scenario> Scenario::parse(std::string_view text, std::string& error) {
  json j = json::parse(text, nullptr, false);
  if (j.is_discarded() || !j.is_object()) {
    error = "the scenario is not a JSON object";
    return std::nullopt;
  }
  Scenario s;
  try {
    for (const json& e : arrayAt(j, "instrumentTypes")) {
      auto& t = s.instrumentTypes.emplace_back();
      get(e, "id", t.id);
      get(e, "name", t.name);
    }
    for (const json& e : arrayAt(j, "sessions")) readSession(e, s.sessions.emplace_back());
    for (const json& e : arrayAt(j, "instruments")) readInstrument(e, s.instruments.emplace_back());
    for (const json& e : arrayAt(j, "groups")) readGroup(e, s.groups.emplace_back());
    for (const json& e : arrayAt(j, "accounts")) readAccount(e, s.accounts.emplace_back());
    for (const json& e : arrayAt(j, "users")) readUser(e, s.users.emplace_back());
    for (const json& e : arrayAt(j, "loginMessages")) {
      auto& m = s.loginMessages.emplace_back();
      get(e, "code", m.code);
      get(e, "message", m.message);
      get(e, "displayMode", m.displayMode);
    }
    for (const json& e : arrayAt(j, "orderRules")) {
      auto& r = s.orderRules.emplace_back();
      get(e, "instrument", r.instrument);
      get(e, "quantity", r.quantity);
      get(e, "account", r.account);
      if (auto it = e.find("reject"); it != e.end() && !it->is_null()) r.reject = it->get<int>();
      get(e, "fillStep", r.fillStep);
    }
    get(j, "downloadUrl", s.downloadUrl);
    if (const auto chat = j.find("chat"); chat != j.end() && !chat->is_null()) s.chat = ChatSpec::read(*chat);
  } catch (const std::exception& e) {
    error = e.what();
    return std::nullopt;
  }
  error = s.check();
  if (error.empty()) {
    std::vector<std::string> userNames;
    for (const auto& u : s.users) userNames.push_back(u.name);
    error = s.chat.check(userNames);
  }
  if (!error.empty()) return std::nullopt;
  return s;
}

std::string Scenario::check() const {
  if (users.empty()) return "the scenario has no users";
  if (instruments.empty()) return "the scenario has no instruments";
  std::set<int> ids;
  for (const auto& t : instrumentTypes)
    if (!ids.insert(t.id).second) return "instrument type " + std::to_string(t.id) + " appears twice";
  std::set<int> sessionIds;
  for (const auto& s : sessions)
    if (!sessionIds.insert(s.id).second) return "session " + std::to_string(s.id) + " appears twice";
  std::set<int> instrumentIds;
  for (const auto& i : instruments) {
    if (!instrumentIds.insert(i.id).second) return "instrument " + std::to_string(i.id) + " appears twice";
    if (i.code.empty() || !wireSafe(i.code) || i.code.find_first_of(";^|,#~<> ") != std::string::npos)
      return "instrument " + std::to_string(i.id) + " has no usable code";
    if (!wireSafe(i.name)) return "instrument " + i.code + " has a separator byte or one of < > & in its name";
    if (!ids.count(i.type)) return "instrument " + i.code + " names an unknown type";
    if (i.session != 0 && !sessionIds.count(i.session)) return "instrument " + i.code + " names an unknown session";
    if (i.decimals < 0 || i.decimals > 8) return "instrument " + i.code + " has decimals outside 0..8";
    if (!(i.price > 0) || !(i.tickSize > 0)) return "instrument " + i.code + " needs a positive price and tick size";
    // Every quote lies on the tick grid and is written in the decimals: each tick must show in them.
    const double ticks = i.tickSize * std::pow(10.0, i.decimals);
    if (ticks < 1 - 1e-6 || std::fabs(ticks - std::round(ticks)) > 1e-6 * ticks)
      return "instrument " + i.code + " has a tick size that its decimals cannot show";
    if (i.code.rfind("MD_", 0) == 0) return "instrument code " + i.code + " clashes with the depth prefix";
  }
  for (const auto& a : instruments)
    for (const auto& b : instruments)
      if (&a != &b && b.code.rfind(a.code, 0) == 0) return "instrument code " + a.code + " is a prefix of " + b.code;
  std::set<int> groupIds;
  for (const auto& g : groups) {
    if (!groupIds.insert(g.id).second) return "group " + std::to_string(g.id) + " appears twice";
    for (const auto& t : g.terms)
      if (!instrumentIds.count(t.instrument)) return "group " + g.name + " has terms for an unknown instrument";
  }
  std::set<int> accountIds;
  for (const auto& t : instrumentTypes)
    if (!wireSafe(t.name)) return "instrument type " + std::to_string(t.id) + " has an unusable name";
  for (const auto& s : sessions)
    if (!wireSafe(s.name)) return "session " + std::to_string(s.id) + " has an unusable name";
  for (const auto& g : groups)
    if (!wireSafe(g.name)) return "group " + std::to_string(g.id) + " has an unusable name";
  for (const auto& a : accounts) {
    if (!wireSafe(a.name)) return "account " + std::to_string(a.id) + " has an unusable name";
    if (a.id <= 0 || !accountIds.insert(a.id).second) return "account " + std::to_string(a.id) + " is not a unique positive id";
    if (!groupIds.count(a.group)) return "account " + std::to_string(a.id) + " names an unknown group";
  }
  std::set<std::string> names;
  std::set<int> owned;
  for (const auto& u : users) {
    if (u.name.empty() || !names.insert(u.name).second) return "user names must be unique and not empty";
    if (!wireSafe(u.name)) return "user " + u.name + " has a separator byte or one of < > & in the name";
    if (u.password.find_first_of("\x01\x02\x03\x04\x05\x06\x07") != std::string::npos)
      return "user " + u.name + " has a separator byte in the password";
    if (u.refuse != 0 && u.refuse != 10 && u.refuse != 11 && u.refuse != 12)
      return "user " + u.name + ": refuse must be 10, 11 or 12";
    if (u.accounts.empty() && u.refuse == 0) return "user " + u.name + " has no account";
    for (int id : u.accounts) {
      if (!accountIds.count(id)) return "user " + u.name + " names an unknown account";
      if (!owned.insert(id).second) return "account " + std::to_string(id) + " belongs to two users";
    }
  }
  for (const auto& m : loginMessages)
    if (!wireSafe(m.message)) return "a login message has a separator byte";
  if (!wireSafe(downloadUrl)) return "the download address has a separator byte";
  for (const auto& r : orderRules) {
    if (!r.instrument.empty() && !instrument(r.instrument)) return "an order rule names an unknown instrument";
    if (r.account != 0 && !accountIds.count(r.account)) return "an order rule names an unknown account";
    if (!(r.quantity >= 0) || !(r.fillStep >= 0) || r.fillStep > 1e9 || r.quantity > 1e9)
      return "an order rule has a negative or unusable quantity or fill step";
    if (r.instrument.empty() && r.quantity == 0 && r.account == 0) return "an order rule matches every order";
    if (!r.reject && r.fillStep == 0) return "an order rule neither rejects nor splits fills";
  }
  return {};
}

const UserSpec* Scenario::user(std::string_view name) const {
  for (const auto& u : users)
    if (u.name == name) return &u;
  return nullptr;
}

UserSpec* Scenario::user(std::string_view name) {
  for (auto& u : users)
    if (u.name == name) return &u;
  return nullptr;
}

const AccountSpec* Scenario::account(int id) const {
  for (const auto& a : accounts)
    if (a.id == id) return &a;
  return nullptr;
}

AccountSpec* Scenario::account(int id) {
  for (auto& a : accounts)
    if (a.id == id) return &a;
  return nullptr;
}

const GroupSpec* Scenario::group(int id) const {
  for (const auto& g : groups)
    if (g.id == id) return &g;
  return nullptr;
}

const InstrumentSpec* Scenario::instrument(int id) const {
  for (const auto& i : instruments)
    if (i.id == id) return &i;
  return nullptr;
}

const InstrumentSpec* Scenario::instrument(std::string_view code) const {
  for (const auto& i : instruments)
    if (i.code == code) return &i;
  return nullptr;
}

std::vector<const InstrumentSpec*> Scenario::instrumentsFor(const UserSpec& u) const {
  std::set<int> wanted;
  for (int id : u.accounts)
    if (const AccountSpec* a = account(id))
      if (const GroupSpec* g = group(a->group))
        for (const auto& t : g->terms) wanted.insert(t.instrument);
  std::vector<const InstrumentSpec*> out;
  for (const auto& i : instruments)
    if (wanted.empty() || wanted.count(i.id)) out.push_back(&i);
  return out;
}

const UserSpec* Scenario::ownerOf(int accountId) const {
  for (const auto& u : users)
    if (std::find(u.accounts.begin(), u.accounts.end(), accountId) != u.accounts.end()) return &u;
  return nullptr;
}

const TermSpec* Scenario::term(int accountId, int instrumentId) const {
  const AccountSpec* a = account(accountId);
  const GroupSpec* g = a ? group(a->group) : nullptr;
  if (!g) return nullptr;
  for (const auto& t : g->terms)
    if (t.instrument == instrumentId) return &t;
  return nullptr;
}

double Scenario::commission(int accountId, int instrumentId, double qty) const {
  const TermSpec* t = term(accountId, instrumentId);
  return t ? std::round(t->commission * qty * 100) / 100 : 0;
}

double Scenario::initialMargin(int accountId, int instrumentId) const {
  const TermSpec* t = term(accountId, instrumentId);
  return t ? t->initialMargin : TermSpec{}.initialMargin;
}

double Scenario::floatingInEquity(int accountId, double floating) const {
  const AccountSpec* a = account(accountId);
  const GroupSpec* g = a ? group(a->group) : nullptr;
  if (!g) return 0;
  return static_cast<double>(floating < 0 ? g->revLeverageOnFLoss : g->leverageOnFProfit) * floating / 100;
}

}  // namespace td::sim
