#pragma once
// What the simulated server serves: users with their passwords and accounts, account groups with
// their instrument terms, instrument types, instruments, trading sessions and login messages.
// Read from a JSON file (--scenario) or taken from the built-in default.
//
// JSON form (every key but the ids and names may be left out; the defaults are the member
// initialisers below):
//   { "instrumentTypes": [{"id": 1, "name": "Forex"}],
//     "sessions":  [{"id": 1, "name": "Regular", "enterLimitOrder": true, ... , "color": 65280}],
//     "instruments": [{"id": 1, "code": "EURUSD", "name": "Euro / US Dollar", "type": 1,
//                      "decimals": 5, "tickSize": 0.00001, "price": 1.0845, "spreadTicks": 8,
//                      "session": 1, ...}],
//     "groups":   [{"id": 1, "name": "Standard", "terms": [{"instrument": 1, "spreadBid": 2,
//                   "spreadAsk": 2, "spreadType": 3, ...}], ...}],
//     "accounts": [{"id": 1001, "group": 1, "name": "Demo main", "balance": 100000}],
//     "users":    [{"name": "demo", "password": "demo", "userId": 101, "accounts": [1001, 1002],
//                   "refuse": 10}],
//     "loginMessages": [{"code": 15, "message": "...", "displayMode": 1}],
//     "orderRules": [{"instrument": "GBPUSD", "reject": 81}, {"quantity": 7, "fillStep": 2}],
//     "downloadUrl": "https://...",
//     "chat": {...} }   (ChatScenario.h; the built-in scenario has the built-in chat, a file none
//                        unless it says so)

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ChatScenario.h"

namespace td::sim {

struct InstrumentTypeSpec {
  int id = 0;
  std::string name;
};

struct SessionSpec {
  int id = 0;
  std::string name;
  bool enterLimitOrder = true;
  bool enterMarketOrder = true;
  bool editLimitOrder = true;
  bool editMarketOrder = true;
  bool executeOrders = true;
  bool publishMarketData = true;
  bool publishTradeData = true;
  bool matchMMwithMMOrders = false;
  bool enterMarketMakerOrder = false;
  bool editMarketMakertOrder = false;
  bool useELP = false;
  int color = 0x00A000;  // packed 0xRRGGBB
};

struct InstrumentSpec {
  int id = 0;
  std::string code;
  std::string name;
  int type = 0;
  int decimals = 2;
  double tickSize = 0.01;     // a whole number of units of the last decimal
  double point = 1;
  double contractSize = 1;
  double price = 100;         // mid price at start
  double spreadTicks = 2;     // raw spread of the feed, in whole ticks (at least one)
  double volatility = 0.0004; // largest step of one tick, relative to the price (steps are uniform)
  int session = 0;            // trading session setting id
  int currency = 0;           // instrument id of the conversion item, 0 for none
  int unitId = 1;
  int tradingStatus = 1;
  int plCalcMode = 1;
  // Market, take-profit, stop-loss, closing from the open positions list, limit and stop.
  int availableOrderTypes = 231;
  int hedgeMode = 0;
  int maxHoldingDays = 0;
  int availableOrderSettings = 3;  // buy and sell
  bool enabled = true;
  bool watchlist = true;
  bool tradable = true;
  std::string monthCode;
};

struct TermSpec {
  int instrument = 0;
  int spreadBid = 0;
  int spreadAsk = 0;
  int spreadType = 0;
  double minOrderQty = 1;
  double maxOrderQty = 100;
  double orderQtyStep = 1;
  double commission = 0;
  double initialMargin = 1000;
  double limitOrderMargin = 1000;
  double liquidationMargin = 500;
  double intradayMargin = 500;
  double btstMargin = 800;
  double overnightMargin = 1000;
  int limitMinPips = 5;
  int stopMinPips = 5;
  bool allowShortSelling = true;
  int marginCalcMode = 1;
};

struct GroupSpec {
  int id = 0;
  std::string name;
  int leverageOnFProfit = 100;
  int revLeverageOnFLoss = 100;
  double marginCallLevel = 50;
  double stopOutLevel = 20;
  double maxOrderQty = 100;
  double orderQtyStep = 1;
  bool tradingEnabled = true;
  bool chatEnabled = true;
  std::vector<TermSpec> terms;
};

struct AccountSpec {
  int id = 0;
  int group = 0;
  std::string name;
  double balance = 0;
  double usedMargin = 0;
  double collateral = 0;
  double storage = 0;
  int tradingStatus = 1;  // 1 Normal .. 6 Closed, as the login data carries it
  int accountType = 1;
  int accessType = 1;
  int hedgeMode = 0;
  int availableOrderTypes = 231;
  int settings1 = 0;  // accountSettings1: 2 shows the deviation controls
};

struct UserSpec {
  std::string name;
  std::string password;
  int userId = 0;
  std::vector<int> accounts;
  int refuse = 0;  // 0, or the login error code (10, 11, 12) the login is refused with
  bool canChangePassword = true;
};

struct LoginMessageSpec {
  int code = 0;
  std::string message;
  int displayMode = 1;
};

// A rule of the order desk: an order (new, closing, bulk row, edit) that matches every criterion
// given (instrument code, quantity, account) is rejected with the reason code `reject` (tag 74),
// or, with `fillStep`, fills in pieces of at most that many lots (one piece per feed tick for a
// working order, all at once for a market order). The first matching rule with a rejection wins.
struct OrderRuleSpec {
  std::string instrument;  // "" for any
  double quantity = 0;     // 0 for any
  int account = 0;         // 0 for any
  std::optional<int> reject;
  double fillStep = 0;
};

struct Scenario {
  std::vector<InstrumentTypeSpec> instrumentTypes;
  std::vector<SessionSpec> sessions;
  std::vector<InstrumentSpec> instruments;
  std::vector<GroupSpec> groups;
  std::vector<AccountSpec> accounts;
  std::vector<UserSpec> users;
  std::vector<LoginMessageSpec> loginMessages;
  std::vector<OrderRuleSpec> orderRules;
  std::string downloadUrl = "https://downloads.tarnwickdesk.invalid/latest";
  ChatSpec chat;

  // The built-in scenario: users demo/demo (two accounts, one group) and alice/secret (one
  // account, another group); currency pairs, metal, index and crypto instruments with several
  // spread types and decimal places. A first login's watchlist takes the instruments of the type
  // whose name sorts first, so the currency pairs' type ("Forex") sorts before the others. Its
  // order rules reject a quantity of 71 to 85 lots with one reason code each (71: 1, 72: 2, 73: 5,
  // 74: 8, 75: 11, 76: 12, 77: 13, 78: 15, 79: 50, 80: 51, 81: 80, 82: 81, 83: 82, 84: 83, 85: 99,
  // a code without a text of its own) and fill 7 lots in pieces of 2. Each instrument moves by about
  // a tick per tick of the feed (a tenth of a pip for the currency pairs), and its minimum distances
  // in both groups are some forty-five of those moves: a stop-loss at the nearest price allowed
  // stands for minutes, as at a broker.
  static Scenario builtIn();
  static std::string_view builtInJson();

  // Reads a scenario; on failure `error` says what is wrong and nothing is returned. The result
  // passes check().
  static std::optional<Scenario> parse(std::string_view json, std::string& error);

  // Cross-references and wire-safety: unique ids and codes, known types, sessions, groups,
  // instruments and accounts; no separator byte in any text and no '<', '>' or '&' (the client's
  // XML reader does not decode entities); no ';', '^' and the like in an item code, and no code
  // that is a prefix of another (the feed's topics are prefixes). "" when sound.
  std::string check() const;

  const UserSpec* user(std::string_view name) const;
  UserSpec* user(std::string_view name);
  const AccountSpec* account(int id) const;
  AccountSpec* account(int id);
  const GroupSpec* group(int id) const;
  const InstrumentSpec* instrument(int id) const;
  const InstrumentSpec* instrument(std::string_view code) const;
  // The instruments a user's groups have terms for, in scenario order (every instrument when the
  // user's groups have no terms at all).
  std::vector<const InstrumentSpec*> instrumentsFor(const UserSpec& user) const;
  // The user owning an account id, or none.
  const UserSpec* ownerOf(int accountId) const;
  // The terms of the account's group for the instrument, or none.
  const TermSpec* term(int account, int instrument) const;
  // The commission of `qty` lots of the instrument on the account: the group's commission per lot
  // times the quantity, in cents; 0 for an instrument without terms. Seeded and live fills alike.
  double commission(int account, int instrument, double qty) const;
  // The margin one lot of the instrument holds on the account (the terms' initial margin; the
  // default terms' for an instrument without terms).
  double initialMargin(int account, int instrument) const;
  // The part of an account's floating profit or loss that its equity counts, as the client counts
  // it: the group's leverageOnFProfit percent of a gain, its revLeverageOnFLoss percent of a loss;
  // nothing for an account without a known group.
  double floatingInEquity(int account, double floating) const;
};

}  // namespace td::sim
