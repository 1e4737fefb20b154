#include "TradingHistory.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "ServerMessage.h"
#include "wire/Separators.h"

namespace td::sim {
namespace {

constexpr std::int64_t kDay = 86400;

std::string qty(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}
std::string flag(bool v) { return v ? "true" : "false"; }

// Local "yyyy-MM-ddTHH:mm:ss", the statement's date form.
std::string isoTime(std::int64_t t) { return localTime(t, "%Y-%m-%dT%H:%M:%S"); }

std::string joinRow(const std::vector<std::string>& cols) {
  std::string out;
  for (std::size_t i = 0; i < cols.size(); ++i) {
    if (i) out += MessageInnerTagSeperatortw;
    out += cols[i];
  }
  out += MessageInnerTagSeperatorthr;
  return out;
}

bool contains(const std::vector<int>& v, int x) { return std::find(v.begin(), v.end(), x) != v.end(); }

// A working order as the client reads its rows: the quantity placed, the take-profit ("LimitPrice")
// and stop-loss ("StopPrice") that its fill gives the position, "0" for none, and the client's codes
// of its time in force (GTC 1, GTF 2, Day 5) and validity (Regular 1, Intraday 2, BTST 3).
struct OrderTerms {
  std::string ordered, takeProfit, stopLoss, timeInForce, validity;
};

std::string validityOf(int deliveryModeTag) {
  return std::to_string(deliveryModeTag >= 51 && deliveryModeTag <= 53 ? deliveryModeTag - 50 : 1);
}

OrderTerms termsOf(const WorkingOrderRecord& w, int decimals) {
  const auto bracket = [&](double price) { return price > 0 ? fixedText(price, decimals) : std::string("0"); };
  const int timeInForce = w.timeInForceTag == 48 ? 2 : w.timeInForceTag == 54 ? 5 : 1;
  return {qty(w.initialQty > 0 ? w.initialQty : w.qty), bracket(w.takeProfit), bracket(w.stopLoss),
          std::to_string(timeInForce), validityOf(w.deliveryModeTag)};
}

}  // namespace

TradingHistory::TradingHistory(const Scenario& scenario, std::uint64_t seed, std::int64_t now)
    : scenario_(scenario) {
  SeededRandom random(seed ^ 0x5DEECE66Dull);
  // The partial closes draw from a generator of their own, so the rest of the history is that of
  // the seed whether or not a position was partly closed.
  SeededRandom closes(seed ^ 0x2545F4914F6CDD1Dull);
  int positionId = 5001, orderId = 7001, settlementId = 8001, cancelId = 9001;
  for (const auto& account : scenario_.accounts) {
    std::vector<const InstrumentSpec*> instruments;
    if (const GroupSpec* g = scenario_.group(account.group))
      for (const auto& t : g->terms)
        if (const InstrumentSpec* i = scenario_.instrument(t.instrument)) instruments.push_back(i);
    if (instruments.empty())
      for (const auto& i : scenario_.instruments) instruments.push_back(&i);
    auto pick = [&]() { return instruments[random.next() % instruments.size()]; };
    // A price within `spread` of the instrument's, on its tick grid.
    auto near = [&](const InstrumentSpec& i, double spread, SeededRandom& from) {
      return onTickGrid(i, i.price * (1 + (from.uniform() * 2 - 1) * spread));
    };
    std::vector<TransactionRecord> entries;
    double settledNet = 0;
    const auto execution = [&](const SettlementRecord& s, int id, bool isBuy, double price, std::int64_t when,
                               int order) {
      PositionRecord e;
      e.id = id;
      e.account = s.account;
      e.instrument = s.instrument;
      e.isBuy = isBuy;
      e.initialQty = e.qty = s.qty;
      e.price = price;
      e.opened = when;
      e.order = order;
      addExecution(e);
    };
    // Files a settlement with its profit or loss and the commission of its lots, the execution of
    // the market order that closed them, and its ledger entries.
    const auto settleSeeded = [&](const InstrumentSpec& i, SettlementRecord s) {
      const InstrumentSpec* conversion = i.currency != 0 ? scenario_.instrument(i.currency) : nullptr;
      s.pl = profitOrLossAt(i, s.isBuy, s.qty, s.openPrice, s.closePrice, conversion ? conversion->price : 1);
      s.commission = scenario_.commission(s.account, i.id, s.qty);
      settlements_.push_back(s);
      execution(s, s.closingPosition, !s.isBuy, s.closePrice, s.closed, orderId++);
      for (TransactionRecord& t : settlementEntries(s)) {
        settledNet += t.credit - t.debit;
        entries.push_back(std::move(t));
      }
    };
    // Two open positions, the first with a take-profit order, the second with a lot closed since it
    // opened; and one working limit order.
    for (int k = 0; k < 2; ++k) {
      const InstrumentSpec& i = *pick();
      PositionRecord p;
      p.id = positionId++;
      p.account = account.id;
      p.instrument = i.id;
      p.isBuy = k == 0;
      p.initialQty = static_cast<double>(random.between(2, 5));
      p.qty = k == 0 ? p.initialQty : p.initialQty - 1;
      p.price = near(i, 0.004, random);
      p.commission = scenario_.commission(account.id, i.id, p.initialQty);
      p.opened = now - random.between(1, 4) * kDay - random.between(0, 3600);
      p.order = orderId++;
      addPosition(p);
      if (p.qty < p.initialQty) {
        SettlementRecord s;
        s.id = settlementId++;
        s.account = account.id;
        s.instrument = i.id;
        s.position = p.id;
        s.closingPosition = positionId++;
        s.isBuy = p.isBuy;
        s.qty = p.initialQty - p.qty;
        s.openPrice = p.price;
        s.closePrice = near(i, 0.004, closes);
        s.opened = p.opened;
        s.closed = p.opened + closes.between(600, kDay / 2);
        settleSeeded(i, s);
      }
      if (k == 0) {
        WorkingOrderRecord tp;
        tp.id = orderId++;
        tp.account = account.id;
        tp.instrument = i.id;
        tp.isBuy = !p.isBuy;
        tp.orderType = 2;
        tp.qty = p.qty;
        tp.price = onTickGrid(i, p.price * 1.01);
        tp.bracketOf = p.id;
        tp.placed = p.opened;
        workingOrders_.push_back(tp);
      }
    }
    {
      const InstrumentSpec& i = *pick();
      WorkingOrderRecord w;
      w.id = orderId++;
      w.account = account.id;
      w.instrument = i.id;
      w.isBuy = true;
      w.orderType = 2;
      w.qty = 1;
      w.price = onTickGrid(i, i.price * 0.98);
      w.placed = now - kDay / 2;
      workingOrders_.push_back(w);
    }
    // Two positions opened and closed whole some days before.
    for (int k = 0; k < 2; ++k) {
      const InstrumentSpec& i = *pick();
      SettlementRecord s;
      s.id = settlementId++;
      s.account = account.id;
      s.instrument = i.id;
      s.position = positionId++;
      s.closingPosition = positionId++;
      s.isBuy = k == 0;
      s.qty = static_cast<double>(random.between(1, 3));
      s.openPrice = near(i, 0.005, random);
      s.closePrice = near(i, 0.005, random);
      s.opened = now - random.between(5, 8) * kDay;
      s.closed = s.opened + random.between(1, 3) * kDay;
      execution(s, s.position, s.isBuy, s.openPrice, s.opened, orderId++);
      settleSeeded(i, s);
    }
    {
      const InstrumentSpec& i = *pick();
      CancellationRecord c;
      c.id = cancelId++;
      c.account = account.id;
      c.instrument = i.id;
      c.workingOrder = orderId++;
      c.isBuy = false;
      c.orderType = 3;
      c.qty = 2;
      c.price = onTickGrid(i, i.price * 0.97);
      c.placed = now - 3 * kDay;
      c.cancelled = c.placed + 3600;
      // The market of the moment, at the instrument's price, stood well above the sell stop; the
      // account saw it with its group's spread.
      const double spread = std::max(i.spreadTicks, 1.0) * i.tickSize;
      Quote raw;
      raw.bid = onTickGrid(i, i.price);
      raw.ask = onTickGrid(i, raw.bid + spread);
      raw.high = onTickGrid(i, raw.ask * 1.002);
      raw.low = onTickGrid(i, raw.bid * 0.998);
      c.market = withSpread(i, scenario_.term(account.id, i.id), raw);
      cancellations_.push_back(c);
    }
    auto money = [&](const char* code, int subType, double credit, double debit, const char* text, std::int64_t when) {
      TransactionRecord t;
      t.account = account.id;
      t.code = t.subCode = code;
      t.subType = subType;
      t.credit = credit;
      t.debit = debit;
      t.narration = text;
      t.when = when;
      entries.push_back(std::move(t));
    };
    // The money the account was funded with: what, with the seeded settlements, makes the balance.
    const double funding = roundTo(account.balance - settledNet, 2);
    if (funding > 0) {
      const double initial = roundTo(funding * 0.8, 2), card = roundTo(funding * 0.3, 2);
      money("DEP", SubType::kDeposit, initial, 0, "Initial deposit", now - 10 * kDay);
      money("DEP", SubType::kCardDeposit, card, 0, "Card deposit", now - 5 * kDay);
      money("WID", SubType::kWithdrawal, 0, roundTo(initial + card - funding, 2), "Withdrawal to bank",
            now - 2 * kDay);
    } else {
      money("WID", SubType::kWithdrawal, 0, -funding, "Withdrawal to bank", now - 2 * kDay);
    }
    money("PCH", SubType::kMiscellaneous, 0, 0, "Processing charge waived", now - kDay);
    std::stable_sort(entries.begin(), entries.end(),
                     [](const TransactionRecord& a, const TransactionRecord& b) { return a.when < b.when; });
    for (TransactionRecord& t : entries) post(std::move(t));
  }
}

std::vector<TransactionRecord> TradingHistory::settlementEntries(const SettlementRecord& s) {
  std::vector<TransactionRecord> out;
  const std::string position = std::to_string(s.position);
  auto entry = [&](const char* code, int subType, double amount, std::string narration) {
    TransactionRecord t;
    t.account = s.account;
    t.code = t.subCode = code;
    t.subType = subType;
    (amount >= 0 ? t.credit : t.debit) = std::fabs(amount);
    t.narration = std::move(narration);
    t.when = s.closed;
    t.trading = true;
    out.push_back(std::move(t));
  };
  if (s.pl != 0)
    entry("SPL", s.pl > 0 ? SubType::kSettledProfit : SubType::kSettledLoss, s.pl,
          "Settled P/L of position " + position);
  if (s.commission != 0) entry("COM", SubType::kCommission, -s.commission, "Commission of position " + position);
  return out;
}

void TradingHistory::post(TransactionRecord t) {
  double& running = balances_[t.account];
  running = roundTo(running + t.credit - t.debit, 2);
  t.id = nextTransaction_++;
  t.subId = t.id + 10000;
  t.balanceAfter = running;
  transactions_.push_back(std::move(t));
}

void TradingHistory::addPosition(const PositionRecord& p) {
  positions_.push_back(p);
  addExecution(p);
}

void TradingHistory::addSettlement(const SettlementRecord& s) {
  settlements_.push_back(s);
  for (TransactionRecord& t : settlementEntries(s)) post(std::move(t));
}

double TradingHistory::usedMargin(int account, std::int64_t asOf) const {
  double sum = 0;
  for (const auto& p : positions_)
    if (p.account == account && p.opened <= asOf) sum += scenario_.initialMargin(account, p.instrument) * p.qty;
  return roundTo(sum, 2);
}

double TradingHistory::balance(int account) const {
  const auto it = balances_.find(account);
  return it == balances_.end() ? 0 : it->second;
}

std::vector<int> TradingHistory::accountsOf(const DataSetQuery& q) const {
  const UserSpec* user = scenario_.user(q.userName);
  if (!user)
    for (const auto& u : scenario_.users)
      if (u.userId == q.userId && q.userId != 0) user = &u;
  return user ? user->accounts : std::vector<int>{};
}

double TradingHistory::positionPL(const PositionRecord& p, const PriceFeed& feed) const {
  const InstrumentSpec* i = scenario_.instrument(p.instrument);
  if (!i) return 0;
  const Quote q = feed.quoteFor(p.account, p.instrument);
  return profitOrLoss(p.account, *i, p.isBuy, p.qty, p.price, p.isBuy ? q.bid : q.ask, feed);
}

double TradingHistory::profitOrLoss(int account, const InstrumentSpec& i, bool isBuy, double qty, double op, double cp,
                                    const PriceFeed& feed) const {
  double mid = 1;
  if (const InstrumentSpec* conversion = i.currency != 0 ? scenario_.instrument(i.currency) : nullptr)
    mid = feed.quoteFor(account, conversion->id).mid();
  return profitOrLossAt(i, isBuy, qty, op, cp, mid);
}

double profitOrLossAt(const InstrumentSpec& i, bool isBuy, double qty, double op, double cp, double mid) {
  if (!(qty > 0)) return 0;
  if (mid == 0) mid = 1;
  double cs = i.contractSize;
  bool positive = op > 0 && cp > 0;
  double r = 0;
  switch (std::max(1, i.plCalcMode)) {
    case 1: r = (op - cp) * qty * cs; break;
    case 2: r = positive ? (1 / op - 1 / cp) * qty * cs : 0; break;
    case 3: r = positive ? std::round((op - cp) * std::pow(10.0, i.decimals) * i.point * qty) : 0; break;
    case 4: r = positive ? (op - cp) * cs * qty / cp : 0; break;
    case 5: r = (op - cp) * qty * cs * mid; break;
    case 6: r = (op - cp) * qty * cs / mid; break;
    default: r = 0; break;
  }
  return roundTo(isBuy ? -r : r, 2);
}

double TradingHistory::floatingPL(int account, const PriceFeed& feed) const {
  double sum = 0;
  for (const auto& p : positions_)
    if (p.account == account) sum += positionPL(p, feed);
  return roundTo(sum, 2);
}

PositionRecord* TradingHistory::position(int id) {
  for (auto& p : positions_)
    if (p.id == id) return &p;
  return nullptr;
}

WorkingOrderRecord* TradingHistory::workingOrder(int id) {
  for (auto& w : workingOrders_)
    if (w.id == id) return &w;
  return nullptr;
}

void TradingHistory::removePosition(int id) {
  std::erase_if(positions_, [id](const PositionRecord& p) { return p.id == id; });
}

void TradingHistory::removeWorkingOrder(int id) {
  std::erase_if(workingOrders_, [id](const WorkingOrderRecord& w) { return w.id == id; });
}

std::vector<int> TradingHistory::bracketsOf(int positionId) const {
  std::vector<int> out;
  for (const auto& w : workingOrders_)
    if (positionId != 0 && w.bracketOf == positionId) out.push_back(w.id);
  return out;
}

int TradingHistory::nextPositionId() const {
  int top = 5000;
  for (const auto& p : executions_) top = std::max(top, p.id);
  for (const auto& s : settlements_) top = std::max({top, s.position, s.closingPosition});
  return top + 1;
}

int TradingHistory::nextWorkingOrderId() const {
  int top = 7000;
  for (const auto& w : workingOrders_) top = std::max(top, w.id);
  for (const auto& c : cancellations_) top = std::max(top, c.workingOrder);
  for (const auto& p : executions_) top = std::max(top, p.order);
  return top + 1;
}

int TradingHistory::nextSettlementId() const {
  int top = 8000;
  for (const auto& s : settlements_) top = std::max(top, s.id);
  return top + 1;
}

int TradingHistory::nextCancellationId() const {
  int top = 9000;
  for (const auto& c : cancellations_) top = std::max(top, c.id);
  return top + 1;
}

std::string TradingHistory::openPositionRows(const std::vector<int>& accounts, const PriceFeed& feed) const {
  std::string out;
  for (const auto& p : positions_) {
    if (!contains(accounts, p.account)) continue;
    const InstrumentSpec* i = scenario_.instrument(p.instrument);
    int d = i ? i->decimals : 2;
    out += joinRow({std::to_string(p.id), std::to_string(p.account), std::to_string(p.instrument), flag(p.isBuy),
                    std::to_string(p.id + 100000), std::to_string(p.order), std::to_string(p.id + 200000),
                    qty(p.initialQty), qty(p.qty), fixedText(p.price, d), fixedText(p.commission, 2),
                    ampTime(p.opened), "1", "system", fixedText(positionPL(p, feed), 2), "1", std::to_string(p.id), "1",
                    "1", "0", ampTime(p.opened), ampTime(p.opened + 365 * kDay)});
  }
  return out;
}

std::string TradingHistory::workingOrderRows(const std::vector<int>& accounts) const {
  std::string out;
  for (const auto& w : workingOrders_) {
    if (!contains(accounts, w.account)) continue;
    const InstrumentSpec* i = scenario_.instrument(w.instrument);
    int d = i ? i->decimals : 2;
    const OrderTerms terms = termsOf(w, d);
    out += joinRow({std::to_string(w.id), std::to_string(w.id + 100000), std::to_string(w.account),
                    std::to_string(w.instrument), flag(w.isBuy), std::to_string(w.orderType), terms.ordered, "0", "0",
                    qty(w.qty), fixedText(w.price, d), terms.takeProfit, terms.stopLoss, "0", terms.validity,
                    terms.timeInForce, ampTime(w.placed + 30 * kDay), "0", "0", "0", "0", "0", "1",
                    std::to_string(w.id), ampTime(w.placed), w.bracketOf ? std::to_string(w.bracketOf) : "", "0", "0",
                    ""});
  }
  return out;
}

std::string TradingHistory::settledRows(const std::vector<int>& accounts) const {
  std::string out;
  for (const auto& s : settlements_) {
    if (!contains(accounts, s.account)) continue;
    const InstrumentSpec* i = scenario_.instrument(s.instrument);
    int d = i ? i->decimals : 2;
    out += joinRow({std::to_string(s.id), std::to_string(s.account), std::to_string(s.instrument),
                    std::to_string(s.position), std::to_string(s.closingPosition), qty(s.qty), fixedText(s.pl, 2),
                    ampTime(s.closed), "1", "0", fixedText(s.commission, 2), "0", flag(s.isBuy),
                    fixedText(s.openPrice, d), fixedText(s.closePrice, d), ampTime(s.opened), ampTime(s.closed), "1"});
  }
  return out;
}

std::string TradingHistory::cancelledRows(const std::vector<int>& accounts) const {
  std::string out;
  for (const auto& c : cancellations_) {
    if (!contains(accounts, c.account)) continue;
    const InstrumentSpec* i = scenario_.instrument(c.instrument);
    int d = i ? i->decimals : 2;
    out += joinRow({std::to_string(c.id), qty(c.qty), std::to_string(c.workingOrder + 100000),
                    std::to_string(c.workingOrder), std::to_string(c.instrument), std::to_string(c.account), "1",
                    ampTime(c.cancelled), "0", flag(c.isBuy), "1", fixedText(c.market.ask, d),
                    fixedText(c.market.bid, d), fixedText(c.market.high, d), fixedText(c.market.low, d),
                    std::to_string(c.orderType), fixedText(c.price, d), ampTime(c.placed)});
  }
  return out;
}

std::string TradingHistory::equityHitRows(int account, const PriceFeed& feed) const {
  std::string out;
  int n = 1;
  for (const auto& p : positions_) {
    if (p.account != account) continue;
    const InstrumentSpec* i = scenario_.instrument(p.instrument);
    int d = i ? i->decimals : 2;
    const Quote q = feed.quoteFor(account, p.instrument);
    out += joinRow({std::to_string(n), std::to_string(n + 100), std::to_string(p.id), std::to_string(p.instrument),
                    fixedText(p.price, d), fixedText(p.isBuy ? q.bid : q.ask, d), std::to_string(p.account),
                    fixedText(positionPL(p, feed), 2), "0", "0", flag(p.isBuy), qty(p.qty), "1",
                    qty(i ? i->contractSize : 1)});
    ++n;
  }
  return out;
}

std::string TradingHistory::transactionRows(int account, std::int64_t from, std::int64_t to,
                                            const std::string& code) const {
  std::string out;
  bool all = code.empty() || code == "#DWR" || code == "(null)";
  for (const auto& t : transactions_) {
    if (t.trading || t.account != account || t.when < from || t.when > to) continue;
    if (!all && code != t.code && code != t.subCode) continue;
    out += joinRow({std::to_string(t.id), t.code, std::to_string(t.account), std::to_string(t.subId),
                    fixedText(t.credit, 2), fixedText(t.debit, 2), fixedText(t.balanceAfter, 2), t.subCode, t.narration,
                    ampTime(t.when)});
  }
  return out;
}

std::string TradingHistory::bankRows(int account) const {
  return joinRow({std::to_string(account + 300000), std::to_string(4400000000ll + account), "12",
                  "Account " + std::to_string(account), "1", "Simulated bank account", "Tarnwick Savings Bank"});
}

std::string TradingHistory::executedRows(const std::vector<int>& accounts, std::int64_t from, std::int64_t to) const {
  std::map<int, double> remaining;
  for (const auto& p : positions_) remaining[p.id] = p.qty;
  std::string out;
  for (const auto& e : executions_) {
    if (!contains(accounts, e.account) || e.opened < from || e.opened > to) continue;
    const InstrumentSpec* i = scenario_.instrument(e.instrument);
    int d = i ? i->decimals : 2;
    const auto open = remaining.find(e.id);
    out += joinRow({std::to_string(e.id), std::to_string(e.account), std::to_string(e.instrument), flag(e.isBuy),
                    qty(open == remaining.end() ? 0 : open->second), qty(e.initialQty), fixedText(e.price, d),
                    std::to_string(e.orderType), validityOf(e.deliveryModeTag), ampTime(e.opened),
                    ampTime(e.opened), ampTime(e.opened + 365 * kDay), e.order ? std::to_string(e.order) : "", "", ""});
  }
  return out;
}

std::string TradingHistory::statement(int account, std::int64_t from, std::int64_t to, const PriceFeed& feed) const {
  const AccountSpec* a = scenario_.account(account);
  std::string out = "<?xml version=\"1.0\" standalone=\"yes\"?>\n<NewDataSet>\n";
  auto cell = [](const char* name, const std::string& value) {
    return std::string("<") + name + ">" + value + "</" + name + ">";
  };
  // The positions and working orders of a moment: those of now that were there by then.
  std::vector<const PositionRecord*> open;
  double unrealised = 0;
  for (const auto& p : positions_)
    if (p.account == account && p.opened <= to) {
      open.push_back(&p);
      unrealised += positionPL(p, feed);
    }
  unrealised = roundTo(unrealised, 2);
  // The ledger's balance before the period and at its end, and its transactions of the period
  // summed by sub-type: the client counts one row per sub-type.
  struct Sum {
    int type = 3;
    double credit = 0, debit = 0;
  };
  std::map<int, Sum> bySubType;
  double atStart = 0, atEnd = 0;
  for (const auto& t : transactions_) {
    if (t.account != account) continue;
    if (t.when < from) atStart += t.credit - t.debit;
    if (t.when > to) continue;
    atEnd += t.credit - t.debit;
    if (t.when < from) continue;
    Sum& sum = bySubType[t.subType];
    sum.type = t.code == "DEP" ? 1 : t.code == "WID" ? 2 : 3;
    sum.credit += t.credit;
    sum.debit += t.debit;
  }
  struct Snapshot {
    std::int64_t when;
    double balance, unrealised, usedMargin;
    int id;
  };
  // The prices of the period's start are not kept: its snapshot has no unrealised profit or loss.
  for (const Snapshot& at : {Snapshot{from, roundTo(atStart, 2), 0, usedMargin(account, from - 1), 1},
                             Snapshot{to, roundTo(atEnd, 2), unrealised, usedMargin(account, to), 2}}) {
    const double equity = at.balance + scenario_.floatingInEquity(account, at.unrealised) + a->collateral + a->storage;
    out += "<Table>" + cell("TAHId", std::to_string(at.id)) + cell("TAHDate", isoTime(at.when)) +
           cell("TAHEntryDateTime", isoTime(at.when)) + cell("AccountId", std::to_string(account)) +
           cell("AccountTypeId", std::to_string(a->accountType)) + cell("AccountName", a->name) +
           cell("TradingEnabled", "true") + cell("Enabled", "true") + cell("GroupId", std::to_string(a->group)) +
           cell("OrganizationId", "1") + cell("OpeningBalanceOfDay", fixedText(at.balance, 2)) +
           cell("Balance", fixedText(at.balance, 2)) + cell("UnrealisedPL", fixedText(at.unrealised, 2)) +
           cell("LeverageOnPositions", "0") + cell("CollateralSecurity", fixedText(a->collateral, 2)) +
           cell("UsedMargin", fixedText(at.usedMargin, 2)) + cell("Equity", fixedText(equity, 2)) +
           cell("AvailableMargin", fixedText(equity - at.usedMargin, 2)) + cell("Remarks", "") +
           cell("HedgeModeId", std::to_string(a->hedgeMode)) + cell("AutoExecutionModeId", "1") +
           cell("CurrencyID", "1") + cell("AccumulatingStorage", fixedText(a->storage, 2)) +
           cell("TradingStatusId", std::to_string(a->tradingStatus)) + cell("UnrealisedCharges", "0") +
           cell("MarginStatusId", "0") + "</Table>\n";
  }
  std::vector<int> mentioned;
  for (const PositionRecord* position : open) {
    const PositionRecord& p = *position;
    const InstrumentSpec* i = scenario_.instrument(p.instrument);
    int d = i ? i->decimals : 2;
    mentioned.push_back(p.instrument);
    out += "<Table1>" + cell("TOPHId", std::to_string(p.id)) + cell("PositionId", std::to_string(p.id)) +
           cell("AccountId", std::to_string(p.account)) + cell("InstrumentId", std::to_string(p.instrument)) +
           cell("IsBuy", flag(p.isBuy)) + cell("RefOrderTicketId", std::to_string(p.id + 100000)) +
           cell("PositionInitialQty", qty(p.initialQty)) + cell("PositionQty", qty(p.qty)) +
           cell("OrderPrice", fixedText(p.price, d)) + cell("CommisionPaid", fixedText(p.commission, 2)) +
           cell("PositionDate", isoTime(p.opened)) + cell("ConfirmationModeId", "1") +
           cell("UnrealisedPL", fixedText(positionPL(p, feed), 2)) + cell("TradeRouteId", "1") +
           cell("DeliveryModeId", "1") + cell("AccumulatingStorage", "0") + cell("ValueDate", isoTime(p.opened)) +
           cell("ExpiryDate", isoTime(p.opened + 365 * kDay)) + cell("UnrealisedCharges", "0") + "</Table1>\n";
  }
  for (const auto& w : workingOrders_) {
    if (w.account != account || w.placed > to) continue;
    const InstrumentSpec* i = scenario_.instrument(w.instrument);
    int d = i ? i->decimals : 2;
    const OrderTerms terms = termsOf(w, d);
    mentioned.push_back(w.instrument);
    out += "<Table2>" + cell("TPOH", std::to_string(w.id)) + cell("PendingOrderId", std::to_string(w.id)) +
           cell("RefTicketId", std::to_string(w.id + 100000)) + cell("AccountId", std::to_string(w.account)) +
           cell("InstrumentId", std::to_string(w.instrument)) + cell("IsBuy", flag(w.isBuy)) +
           cell("OrderTypeId", std::to_string(w.orderType)) + cell("OrderQty", terms.ordered) +
           cell("RemainingQty", qty(w.qty)) + cell("OrderPrice", fixedText(w.price, d)) +
           cell("LimitPrice", terms.takeProfit) + cell("StopPrice", terms.stopLoss) +
           cell("DeliveryModeId", terms.validity) + cell("TimeInForceId", terms.timeInForce) +
           cell("OrderStatusId", "28") + cell("OrderTime", isoTime(w.placed)) +
           cell("RefPosIdOfBracket", w.bracketOf ? std::to_string(w.bracketOf) : "") + "</Table2>\n";
  }
  for (const auto& s : settlements_) {
    if (s.account != account || s.closed < from || s.closed > to) continue;
    const InstrumentSpec* i = scenario_.instrument(s.instrument);
    int d = i ? i->decimals : 2;
    mentioned.push_back(s.instrument);
    out += "<Table3>" + cell("SettlementId", std::to_string(s.id)) + cell("AccountId", std::to_string(s.account)) +
           cell("InstrumentId", std::to_string(s.instrument)) + cell("RefPositionId", std::to_string(s.position)) +
           cell("RefClosingPositionId", std::to_string(s.closingPosition)) + cell("SettledQty", qty(s.qty)) +
           cell("IsBuy", flag(s.isBuy)) + cell("SettledPL", fixedText(s.pl, 2)) +
           cell("SettlementDate", isoTime(s.closed)) + cell("CurrencyRate", "1") +
           cell("AccumulatingStorage", "0") + cell("CommisionPaid", fixedText(s.commission, 2)) +
           cell("OtherCharges", "0") + cell("OpenPrice", fixedText(s.openPrice, d)) +
           cell("ClosePrice", fixedText(s.closePrice, d)) + cell("OpenDate", isoTime(s.opened)) +
           cell("CloseDate", isoTime(s.closed)) + cell("DeliveryModeId", "1") + "</Table3>\n";
  }
  for (const auto& [subType, sum] : bySubType) {
    out += "<Table4>" + cell("DrAmount", fixedText(sum.debit, 2)) + cell("CrAmount", fixedText(sum.credit, 2)) +
           cell("FinancialTransactionTypeId", std::to_string(sum.type)) +
           cell("SubFinancialTransactionTypeId", std::to_string(subType)) +
           cell("AccountId", std::to_string(account)) + "</Table4>\n";
  }
  std::sort(mentioned.begin(), mentioned.end());
  mentioned.erase(std::unique(mentioned.begin(), mentioned.end()), mentioned.end());
  for (int id : mentioned) {
    const InstrumentSpec* i = scenario_.instrument(id);
    if (!i) continue;
    out += "<Table5>" + cell("InstrumentId", std::to_string(id)) + cell("Name", i->name) + cell("Code", i->code) +
           cell("DecimalPlaces", std::to_string(i->decimals)) + "</Table5>\n";
  }
  for (int id : mentioned) {
    const InstrumentSpec* i = scenario_.instrument(id);
    if (!i) continue;
    const Quote q = feed.quoteFor(account, id);
    out += "<Table6>" + cell("InstrumentId", std::to_string(id)) + cell("Bid", fixedText(q.bid, i->decimals)) +
           cell("Ask", fixedText(q.ask, i->decimals)) + "</Table6>\n";
  }
  return out + "</NewDataSet>\n";
}

std::string TradingHistory::dataSet(const DataSetQuery& q, const PriceFeed& feed) const {
  std::vector<int> accounts = accountsOf(q);
  if (accounts.empty()) return "ERROR";
  std::optional<int> account;
  if (q.account) {
    try {
      std::size_t used = 0;
      int id = std::stoi(*q.account, &used);
      if (used == q.account->size() && contains(accounts, id)) account = id;
    } catch (const std::exception&) {
    }
  }
  std::int64_t from = q.from ? parseAmpTime(*q.from).value_or(0) : 0;
  std::int64_t to = q.to ? parseAmpTime(*q.to).value_or(0) : 0;
  if (q.context == "getopenpositions") return openPositionRows(accounts, feed);
  if (q.context == "getpendingorders") return workingOrderRows(accounts);
  if (q.context == "getsettledpositions") return settledRows(accounts);
  if (q.context == "getcancelledorders") return cancelledRows(accounts);
  if (q.context == "getexecutedpositions") {
    // The executed-positions list sends one day (its date picker, with its time of day) in both dates:
    // the local day of the first date.
    std::int64_t dayStart = 0;
    if (from) {
      std::time_t t = static_cast<std::time_t>(from);
      std::tm tm{};
      localtime_r(&t, &tm);
      tm.tm_hour = tm.tm_min = tm.tm_sec = 0;
      tm.tm_isdst = -1;
      dayStart = static_cast<std::int64_t>(std::mktime(&tm));
    }
    return executedRows(accounts, dayStart, std::max(to, dayStart + kDay - 1));
  }
  if (!account) return "ERROR";
  if (q.context == "getequityhitpriceinfo") return equityHitRows(*account, feed);
  if (q.context == "getfinancialtransactions")
    return transactionRows(*account, from, to ? to : INT64_MAX, q.transactionCode.value_or(""));
  if (q.context == "getbankaccounts") return bankRows(*account);
  if (q.context == "getdsaccountstatement") return statement(*account, from, to ? to : INT64_MAX, feed);
  return "ERROR";
}

}  // namespace td::sim
