#include "OrderBook.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <utility>

#include "wire/Separators.h"

namespace td::sim {
namespace {

constexpr double kEps = 1e-9;
// A fill in pieces takes at most this many pieces, whatever the rule's step.
constexpr double kMaxPieces = 1000;

double number(std::optional<std::string_view> text) {
  if (!text) return 0;
  std::string_view t = *text;
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  double v = 0;
  auto res = std::from_chars(t.data(), t.data() + t.size(), v);
  if (res.ec != std::errc() || !std::isfinite(v)) return 0;
  return v;
}

int integer(std::optional<std::string_view> text) {
  if (!text) return 0;
  int v = 0;
  auto res = std::from_chars(text->data(), text->data() + text->size(), v);
  return res.ec == std::errc() ? v : 0;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> out;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(separator, start);
    if (end == std::string_view::npos) end = text.size();
    out.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

// Whether a limit (2) or stop (3) order on this side at this price fills at the quote: a buy at the
// ask, a sell at the bid.
bool reachedAt(const Quote& q, int orderType, bool isBuy, double price) {
  if (!(q.bid > 0) || !(q.ask > 0)) return false;
  const double market = isBuy ? q.ask : q.bid;
  if (orderType == 2) return isBuy ? market <= price + kEps : market >= price - kEps;
  if (orderType == 3) return isBuy ? market >= price - kEps : market <= price + kEps;
  return false;
}

int typeTagOf(int orderType) { return orderType == 2 ? 30 : orderType == 3 ? 31 : 29; }
// A time in force of a request as the desk keeps it: GTF and Day as sent, anything else GTC.
int timeInForceTagOf(int requested) { return requested == 48 || requested == 54 ? requested : 47; }

}  // namespace

OrderBook::OrderBook(Scenario& scenario, TradingHistory& history, const PriceFeed& feed)
    : scenario_(scenario),
      history_(history),
      feed_(feed),
      nextPosition_(history.nextPositionId()),
      nextOrder_(history.nextWorkingOrderId()),
      nextSettlement_(history.nextSettlementId()),
      nextCancellation_(history.nextCancellationId()) {
  // The ledger holds the balances; the seeded one ends at the scenario's.
  for (auto& a : scenario_.accounts) a.balance = history_.balance(a.id);
}

std::string OrderBook::quantityText(double qty) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.6f", qty);
  std::string s = buf;
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  if (s == "-0" || s.empty()) s = "0";
  return s;
}

// ---- the books ----

double OrderBook::usedMargin(int account) const { return history_.usedMargin(account); }

double OrderBook::equity(int account) const {
  const AccountSpec* a = scenario_.account(account);
  if (!a) return 0;
  return a->balance + scenario_.floatingInEquity(account, history_.floatingPL(account, feed_)) + a->collateral +
         a->storage;
}

void OrderBook::recomputeMargins() {
  for (auto& a : scenario_.accounts) a.usedMargin = usedMargin(a.id);
}

std::string OrderBook::price(int instrument, double value) const {
  const InstrumentSpec* i = scenario_.instrument(instrument);
  return fixedText(value, i ? i->decimals : 2);
}

double OrderBook::commissionShare(const PositionRecord& p, double qty) {
  return p.initialQty > 0 ? p.commission * qty / p.initialQty : 0;
}

// ---- checks ----

int OrderBook::accountAccess(const UserSpec& user, int account, bool closing) const {
  if (std::find(user.accounts.begin(), user.accounts.end(), account) == user.accounts.end()) return Reason::kNoAccess;
  const AccountSpec* a = scenario_.account(account);
  if (!a) return Reason::kNoAccess;
  const GroupSpec* g = scenario_.group(a->group);
  if (g && !g->tradingEnabled) return Reason::kNoAccess;
  switch (a->tradingStatus) {
    case 1: return 0;
    case 4:  // close position only
    case 5:  // equity hit: positions may still be closed
      return closing ? 0 : Reason::kNoAccess;
    default: return Reason::kNoAccess;  // view only, suspended, closed
  }
}

int OrderBook::sessionCheck(const InstrumentSpec& i, int typeTag) const {
  for (const auto& s : scenario_.sessions) {
    if (s.id != i.session) continue;
    if (!s.executeOrders) return Reason::kSessionInactive;
    if (typeTag == 29 && !s.enterMarketOrder) return Reason::kOrderTypeNotInSession;
    if ((typeTag == 30 || typeTag == 31) && !s.enterLimitOrder) return Reason::kOrderTypeNotInSession;
    return 0;
  }
  return 0;
}

int OrderBook::termsCheck(int account, const InstrumentSpec& i, const TermedOrder& o) const {
  const TermSpec* t = scenario_.term(account, i.id);
  if (!t) return 0;
  if (o.qty > 0) {
    if (o.qty > t->maxOrderQty + kEps) return Reason::kQuantityAboveMaximum;
    if (o.qty < t->minOrderQty - kEps && !(o.closingRemainder > 0 && o.qty >= o.closingRemainder - kEps)) {
      return Reason::kQuantityBelowMinimum;
    }
    // Half a step at most; less than shows in six decimals is a whole multiple.
    if (t->orderQtyStep > 0 && std::fabs(std::remainder(o.qty, t->orderQtyStep)) >= 5e-7) {
      return Reason::kQuantityNotInSteps;
    }
  }
  // A bound is compared as the client shows it: rounded to the instrument's decimals.
  const auto below = [&](double price, double bound) { return price < roundTo(bound, i.decimals) - kEps; };
  const auto above = [&](double price, double bound) { return price > roundTo(bound, i.decimals) + kEps; };
  const double stopDistance = t->stopMinPips * i.tickSize;
  const double limitDistance = t->limitMinPips * i.tickSize;
  const Quote q = feed_.quoteFor(account, i.id);
  if (o.orderType == 2 || o.orderType == 3) {
    if (!isOnTickGrid(i, o.price)) return Reason::kPriceOffTick;
    if (o.orderType == 3 && (o.buy ? below(o.price, q.ask + stopDistance) : above(o.price, q.bid - stopDistance))) {
      return Reason::kStopTooNear;
    }
    if (o.orderType == 2 && (o.buy ? above(o.price, q.ask - limitDistance) : below(o.price, q.bid + limitDistance))) {
      return Reason::kLimitTooNear;
    }
  }
  // Take-profit and stop-loss close the position: they stand on its other side, their distances
  // from the order's price and from the price the position closes at: the account's quote of the
  // closing side for a market order or a bracket edit; for a limit or stop order the quote once
  // it fills, its price less today's spread for a long, plus it for a short. A limit or stop
  // order's bracket at or beyond that price would fill as the order does; those of a market order
  // or an edit meet the quote itself (bracketReached).
  const bool protectBuy = o.closingSide ? o.buy : !o.buy;
  const bool working = !o.closingSide && (o.orderType == 2 || o.orderType == 3);
  const double closing = o.closingSide ? o.price
                         : working     ? (protectBuy ? o.price + (q.ask - q.bid) : o.price - (q.ask - q.bid))
                                       : (protectBuy ? q.ask : q.bid);
  const auto beyond = [&](double price, bool up, double distance) {
    for (double from : {o.price, closing}) {
      if (up ? below(price, from + distance) : above(price, from - distance)) return false;
    }
    return !working || (up ? price > closing + kEps : price < closing - kEps);
  };
  if (o.takeProfit > 0) {
    if (!isOnTickGrid(i, o.takeProfit)) return Reason::kPriceOffTick;
    if (!beyond(o.takeProfit, !protectBuy, limitDistance)) return Reason::kTakeProfitTooNear;
  }
  if (o.stopLoss > 0) {
    if (!isOnTickGrid(i, o.stopLoss)) return Reason::kPriceOffTick;
    if (!beyond(o.stopLoss, protectBuy, stopDistance)) return Reason::kStopLossTooNear;
  }
  return 0;
}

bool OrderBook::bracketReached(int account, const InstrumentSpec& i, bool longPosition, double takeProfit,
                               double stopLoss) const {
  // The brackets close the position: they stand on its other side, at the prices the desk keeps.
  const Quote q = feed_.quoteFor(account, i.id);
  return (takeProfit > 0 && reachedAt(q, 2, !longPosition, roundTo(takeProfit, i.decimals))) ||
         (stopLoss > 0 && reachedAt(q, 3, !longPosition, roundTo(stopLoss, i.decimals)));
}

const OrderRuleSpec* OrderBook::rejectRule(const std::string& code, double qty, int account) const {
  for (const auto& r : scenario_.orderRules) {
    if (!r.reject) continue;
    if (!r.instrument.empty() && r.instrument != code) continue;
    if (r.quantity != 0 && std::fabs(r.quantity - qty) > kEps) continue;
    if (r.account != 0 && r.account != account) continue;
    return &r;
  }
  return nullptr;
}

double OrderBook::fillStepFor(const std::string& code, double qty, int account) const {
  for (const auto& r : scenario_.orderRules) {
    if (!(r.fillStep > 0)) continue;
    if (!r.instrument.empty() && r.instrument != code) continue;
    if (r.quantity != 0 && std::fabs(r.quantity - qty) > kEps) continue;
    if (r.account != 0 && r.account != account) continue;
    return std::max(r.fillStep, qty / kMaxPieces);
  }
  return 0;
}

// ---- reports ----

void OrderBook::send(int account, ServerMessage message) {
  out_.changedAccounts.insert(account);
  out_.messages.push_back(OrderOutput{account, false, std::move(message)});
}

ServerMessage OrderBook::orderReport(const WorkingOrderRecord& w, int status) const {
  const InstrumentSpec* i = scenario_.instrument(w.instrument);
  ServerMessage m(62);
  m.add(33, std::int64_t{w.requestId})
      .add(34, std::int64_t{w.account})
      .add(12, i ? i->code : std::string())
      .add(32, std::int64_t{typeTagOf(w.orderType)})
      .add(36, std::int64_t{w.isBuy ? 45 : 46})
      .add(37, quantityText(w.initialQty > 0 ? w.initialQty : w.qty))
      .add(38, price(w.instrument, w.price));
  if (w.takeProfit > 0) m.add(39, price(w.instrument, w.takeProfit));
  if (w.stopLoss > 0) m.add(40, price(w.instrument, w.stopLoss));
  m.add(43, std::int64_t{w.timeInForceTag})
      .add(117, std::int64_t{w.deliveryModeTag})
      .add(73, std::int64_t{status})
      .add(76, quantityText(w.qty))
      .add(78, ampTime(unixNow()))
      .add(79, std::int64_t{w.id})
      .add(81, std::int64_t{w.id})
      .add(570, "1");
  if (w.bracketOf != 0) m.add(573, std::int64_t{w.bracketOf});
  return m;
}

void OrderBook::reject(int account, bool requesterOnly, const ServerMessage& request, int reason, int requestId) {
  ServerMessage m(62);
  m.add(33, std::int64_t{requestId}).add(34, std::int64_t{account});
  for (int tag : {12, 32, 36, 37, 38})
    if (auto v = request.get(tag)) m.add(tag, std::string(*v));
  m.add(73, std::int64_t{25}).add(74, std::int64_t{reason});
  if (auto v = request.get(37)) m.add(76, std::string(*v));
  m.add(78, ampTime(unixNow()));
  out_.messages.push_back(OrderOutput{account, requesterOnly, std::move(m)});
}

// ---- requests ----

OrderBook::NewOrder OrderBook::readNewOrder(const ServerMessage& request) {
  NewOrder o;
  o.account = integer(request.get(34));
  o.code = std::string(request.get(12).value_or(""));
  o.typeTag = integer(request.get(32));
  o.sideTag = integer(request.get(36));
  o.qty = number(request.get(37));
  o.price = number(request.get(38));
  o.takeProfit = number(request.get(39));
  o.stopLoss = number(request.get(40));
  o.requestId = integer(request.get(33));
  o.timeInForceTag = integer(request.get(43));
  o.deliveryModeTag = integer(request.get(117));
  return o;
}

OrderResult OrderBook::order(const UserSpec& user, const ServerMessage& request) {
  out_ = {};
  if (request.get(125)) {
    closePosition(user, request);
  } else {
    placeNew(user, readNewOrder(request), request);
  }
  recomputeMargins();
  return std::exchange(out_, {});
}

void OrderBook::placeNew(const UserSpec& user, const NewOrder& o, const ServerMessage& request) {
  auto refuse = [&](int reason) { reject(o.account, true, request, reason, o.requestId); };
  if (int access = accountAccess(user, o.account, false)) return refuse(access);
  const InstrumentSpec* i = scenario_.instrument(o.code);
  if (!i) return refuse(Reason::kInvalidSymbol);
  if (const OrderRuleSpec* rule = rejectRule(o.code, o.qty, o.account)) return refuse(*rule->reject);
  if (!i->enabled || !i->tradable) return refuse(Reason::kSymbolDisabled);
  if (int session = sessionCheck(*i, o.typeTag)) return refuse(session);
  bool market = o.typeTag == 29;
  if ((o.typeTag < 29 || o.typeTag > 31) || (o.sideTag != 45 && o.sideTag != 46) || !(o.qty > 0) || o.qty > 1e9 ||
      (!market && !(o.price > 0)) || o.takeProfit < 0 || o.stopLoss < 0)
    return refuse(Reason::kNotProcessed);
  if (history_.workingOrders().size() >= kMaxWorkingOrders || history_.positions().size() >= kMaxPositions)
    return refuse(Reason::kNotProcessed);
  bool buy = o.sideTag == 45;
  const Quote q = feed_.quoteFor(o.account, i->id);
  double marketPrice = buy ? q.ask : q.bid;
  if (market && !(marketPrice > 0)) return refuse(Reason::kNotProcessed);
  const int orderType = market ? 1 : o.typeTag - 28;
  if (int terms = termsCheck(o.account, *i,
                             {.qty = o.qty, .orderType = orderType, .buy = buy, .price = market ? marketPrice : o.price,
                              .takeProfit = o.takeProfit, .stopLoss = o.stopLoss}))
    return refuse(terms);
  if (market && bracketReached(o.account, *i, buy, o.takeProfit, o.stopLoss)) return refuse(Reason::kPriceChanged);
  if (scenario_.initialMargin(o.account, i->id) * o.qty > equity(o.account) - usedMargin(o.account) + kEps)
    return refuse(Reason::kNoFreeMargin);

  WorkingOrderRecord w;
  w.id = nextOrder_++;
  w.account = o.account;
  w.instrument = i->id;
  w.isBuy = buy;
  w.orderType = orderType;
  w.qty = w.initialQty = o.qty;
  w.price = market ? marketPrice : roundTo(o.price, i->decimals);
  w.takeProfit = o.takeProfit > 0 ? roundTo(o.takeProfit, i->decimals) : 0;
  w.stopLoss = o.stopLoss > 0 ? roundTo(o.stopLoss, i->decimals) : 0;
  w.requestId = o.requestId;
  w.timeInForceTag = timeInForceTagOf(o.timeInForceTag);
  w.deliveryModeTag = (o.deliveryModeTag >= 51 && o.deliveryModeTag <= 53) ? o.deliveryModeTag : 51;
  w.fillStep = fillStepFor(o.code, o.qty, o.account);
  w.placed = unixNow();
  send(w.account, orderReport(w, 28));
  if (!market) {
    history_.addWorkingOrder(w);
    return;
  }
  while (w.qty > kEps) fillPiece(w, w.fillStep > 0 ? std::min(w.fillStep, w.qty) : w.qty, marketPrice);
}

void OrderBook::fillPiece(WorkingOrderRecord& w, double qty, double fillPrice) {
  PositionRecord p;
  p.id = nextPosition_++;
  p.account = w.account;
  p.instrument = w.instrument;
  p.isBuy = w.isBuy;
  p.initialQty = p.qty = qty;
  p.price = fillPrice;
  p.commission = scenario_.commission(w.account, w.instrument, qty);
  p.opened = unixNow();
  p.order = w.id;
  p.orderType = w.orderType;
  p.deliveryModeTag = w.deliveryModeTag;
  history_.addPosition(p);
  w.qty -= qty;
  if (w.qty < kEps) w.qty = 0;
  send(w.account, orderReport(w, w.qty > 0 ? 22 : 23));

  const InstrumentSpec* i = scenario_.instrument(w.instrument);
  ServerMessage m(67);
  m.add(33, std::int64_t{w.requestId})
      .add(34, std::int64_t{w.account})
      .add(12, i ? i->code : std::string())
      .add(36, std::int64_t{w.isBuy ? 45 : 46})
      .add(72, std::int64_t{nextExecution_++})
      .add(73, std::int64_t{74})
      .add(79, std::int64_t{w.id})
      .add(80, std::int64_t{p.id})
      .add(37, quantityText(qty))
      .add(38, price(w.instrument, fillPrice))
      .add(76, quantityText(qty))
      .add(545, money(p.commission))
      .add(78, ampTime(unixNow()))
      .add(570, "1");
  send(w.account, std::move(m));
  if (w.takeProfit > 0) placeBracket(p, 2, w.takeProfit, w.requestId);
  if (w.stopLoss > 0) placeBracket(p, 3, w.stopLoss, w.requestId);
}

int OrderBook::placeBracket(const PositionRecord& p, int orderType, double bracketPrice, int requestId) {
  WorkingOrderRecord b;
  b.id = nextOrder_++;
  b.account = p.account;
  b.instrument = p.instrument;
  b.isBuy = !p.isBuy;
  b.orderType = orderType;
  b.qty = b.initialQty = p.qty;
  b.price = bracketPrice;
  b.bracketOf = p.id;
  b.requestId = requestId;
  b.deliveryModeTag = p.deliveryModeTag;  // the validity of the position it closes
  b.placed = unixNow();
  history_.addWorkingOrder(b);
  send(b.account, orderReport(b, 28));
  return b.id;
}

void OrderBook::closePosition(const UserSpec& user, const ServerMessage& request) {
  int account = integer(request.get(34));
  int requestId = integer(request.get(33));
  int positionId = integer(request.get(125));
  double qty = number(request.get(37));
  std::string code(request.get(12).value_or(""));
  auto refuse = [&](int reason) { reject(account, true, request, reason, requestId); };
  if (int access = accountAccess(user, account, true)) return refuse(access);
  const InstrumentSpec* i = scenario_.instrument(code);
  if (!i) return refuse(Reason::kInvalidSymbol);
  if (const OrderRuleSpec* rule = rejectRule(code, qty, account)) return refuse(*rule->reject);
  const PositionRecord* p = history_.position(positionId);
  if (!p || p->account != account) return refuse(Reason::kPositionLiquidated);
  if (p->instrument != i->id || !(qty > 0) || qty > p->qty + kEps) return refuse(Reason::kNotProcessed);
  if (!i->enabled || !i->tradable) return refuse(Reason::kSymbolDisabled);
  if (int session = sessionCheck(*i, 0)) return refuse(session);
  if (int terms = termsCheck(account, *i, {.qty = qty, .closingRemainder = p->qty})) return refuse(terms);
  const Quote q = feed_.quoteFor(account, i->id);
  double closePrice = p->isBuy ? q.bid : q.ask;
  if (!(closePrice > 0)) return refuse(Reason::kNotProcessed);
  // The close is a market order of its own, reported pending and filled like any other, so that
  // its execution names it: the client takes an execution's side and validity from its order.
  WorkingOrderRecord c;
  c.id = nextOrder_++;
  c.account = account;
  c.instrument = i->id;
  c.isBuy = !p->isBuy;
  c.orderType = 1;
  c.qty = c.initialQty = std::min(qty, p->qty);
  c.price = closePrice;
  c.requestId = requestId;
  c.timeInForceTag = timeInForceTagOf(integer(request.get(43)));
  c.deliveryModeTag = p->deliveryModeTag;  // the validity of the position it closes
  c.placed = unixNow();
  ServerMessage pending = orderReport(c, 28);
  pending.add(125, std::int64_t{positionId});
  send(account, std::move(pending));
  const double closed = c.qty;
  c.qty = 0;
  send(account, orderReport(c, 23));
  closeQuantity(positionId, closed, closePrice, c);
}

void OrderBook::closeQuantity(int positionId, double qty, double closePrice, const WorkingOrderRecord& order) {
  const PositionRecord* found = history_.position(positionId);
  if (!found) return;
  PositionRecord p = *found;
  const InstrumentSpec* i = scenario_.instrument(p.instrument);
  int closingId = nextPosition_++;
  ServerMessage m(67);
  m.add(33, std::int64_t{order.requestId})
      .add(34, std::int64_t{p.account})
      .add(12, i ? i->code : std::string())
      .add(36, std::int64_t{p.isBuy ? 46 : 45})
      .add(72, std::int64_t{nextExecution_++})
      .add(73, std::int64_t{74})
      .add(79, std::int64_t{order.id})
      .add(80, std::int64_t{closingId})
      .add(37, quantityText(qty))
      .add(38, price(p.instrument, closePrice))
      .add(76, "0")
      .add(545, money(0))
      .add(78, ampTime(unixNow()))
      .add(570, "1");
  send(p.account, std::move(m));
  PositionRecord closing;
  closing.id = closingId;
  closing.account = p.account;
  closing.instrument = p.instrument;
  closing.isBuy = !p.isBuy;
  closing.initialQty = closing.qty = qty;
  closing.price = closePrice;
  closing.opened = unixNow();
  closing.order = order.id;
  closing.orderType = order.orderType;
  closing.deliveryModeTag = order.deliveryModeTag;
  history_.addExecution(closing);
  reducePosition(positionId, qty, order.requestId, order.bracketOf != 0 ? order.id : 0);
  settle(p, closingId, closePrice, qty);
}

void OrderBook::reducePosition(int positionId, double qty, int requestId, int filledBracket) {
  PositionRecord* found = history_.position(positionId);
  if (!found) return;
  found->qty -= qty;
  if (found->qty < kEps) found->qty = 0;
  PositionRecord p = *found;
  for (int b : history_.bracketsOf(positionId)) {
    if (b == filledBracket) continue;
    if (p.qty == 0) {
      cancelWorkingOrder(b, requestId);
    } else if (WorkingOrderRecord* w = history_.workingOrder(b)) {
      w->qty = w->initialQty = p.qty;
      send(w->account, orderReport(*w, 75));
    }
  }
  if (p.qty == 0) history_.removePosition(positionId);
  const InstrumentSpec* i = scenario_.instrument(p.instrument);
  ServerMessage m(67);
  m.add(33, std::int64_t{requestId})
      .add(34, std::int64_t{p.account})
      .add(12, i ? i->code : std::string())
      .add(73, std::int64_t{73})
      .add(80, std::int64_t{p.id})
      .add(76, quantityText(p.qty))
      .add(38, price(p.instrument, p.price))
      .add(545, money(p.commission))
      .add(37, quantityText(p.initialQty))
      .add(78, ampTime(unixNow()));
  send(p.account, std::move(m));
}

void OrderBook::settle(const PositionRecord& p, int closingPositionId, double closePrice, double qty,
                       double closingCommission) {
  const InstrumentSpec* i = scenario_.instrument(p.instrument);
  SettlementRecord s;
  s.id = nextSettlement_++;
  s.account = p.account;
  s.instrument = p.instrument;
  s.position = p.id;
  s.closingPosition = closingPositionId;
  s.isBuy = p.isBuy;
  s.qty = qty;
  s.openPrice = p.price;
  s.closePrice = closePrice;
  s.pl = i ? history_.profitOrLoss(p.account, *i, p.isBuy, qty, p.price, closePrice, feed_) : 0;
  s.commission = roundTo(commissionShare(p, qty) + closingCommission, 2);
  s.opened = p.opened;
  s.closed = unixNow();
  history_.addSettlement(s);
  if (AccountSpec* a = scenario_.account(p.account)) a->balance = history_.balance(p.account);
  ServerMessage m(66);
  m.add(34, std::int64_t{p.account})
      .add(12, std::int64_t{p.instrument})
      .add(78, ampTime(unixNow()))
      .add(80, std::int64_t{p.id})
      .add(86, std::int64_t{s.id})
      .add(87, std::int64_t{closingPositionId})
      .add(88, money(s.pl))
      .add(89, quantityText(qty))
      .add(141, money(0))
      .add(142, "1")
      .add(143, money(0))
      .add(545, money(s.commission));
  send(p.account, std::move(m));
}

void OrderBook::cancelWorkingOrder(int orderId, int requestId) {
  const WorkingOrderRecord* found = history_.workingOrder(orderId);
  if (!found) return;
  WorkingOrderRecord w = *found;
  history_.removeWorkingOrder(orderId);
  CancellationRecord c;
  c.id = nextCancellation_++;
  c.account = w.account;
  c.instrument = w.instrument;
  c.workingOrder = w.id;
  c.isBuy = w.isBuy;
  c.orderType = w.orderType;
  c.qty = w.qty;
  c.price = w.price;
  c.placed = w.placed;
  c.cancelled = unixNow();
  c.market = feed_.quoteFor(w.account, w.instrument);
  history_.addCancellation(c);
  if (requestId != 0) w.requestId = requestId;
  send(w.account, orderReport(w, 24));
}

OrderResult OrderBook::editOrder(const UserSpec& user, const ServerMessage& request) {
  out_ = {};
  int requestId = integer(request.get(33));
  std::string_view kind = request.get(1035).value_or("");
  if (kind == "EBO") {
    editBrackets(user, request, requestId);
  } else if (kind == "EWO") {
    editWorkingOrder(user, request, requestId);
  } else {
    reject(integer(request.get(34)), true, request, Reason::kNotProcessed, requestId);
  }
  recomputeMargins();
  return std::exchange(out_, {});
}

void OrderBook::editBrackets(const UserSpec& user, const ServerMessage& request, int requestId) {
  int account = integer(request.get(34));
  std::string code(request.get(12).value_or(""));
  double qty = number(request.get(37));
  auto refuse = [&](int reason) { reject(account, true, request, reason, requestId); };
  if (int access = accountAccess(user, account, true)) return refuse(access);
  if (const OrderRuleSpec* rule = rejectRule(code, qty, account)) return refuse(*rule->reject);
  const PositionRecord* found = history_.position(integer(request.get(573)));
  if (!found || found->account != account) return refuse(Reason::kPositionLiquidated);
  double takeProfit = number(request.get(39));
  double stopLoss = number(request.get(40));
  if (takeProfit < 0 || stopLoss < 0) return refuse(Reason::kNotProcessed);
  PositionRecord p = *found;
  const InstrumentSpec* i = scenario_.instrument(p.instrument);
  if (i) {
    // Measured from the price the position would close at now.
    const Quote q = feed_.quoteFor(account, i->id);
    if (int terms = termsCheck(account, *i,
                               {.buy = !p.isBuy, .price = p.isBuy ? q.bid : q.ask, .takeProfit = takeProfit,
                                .stopLoss = stopLoss, .closingSide = true}))
      return refuse(terms);
    if (bracketReached(account, *i, p.isBuy, takeProfit, stopLoss)) return refuse(Reason::kPriceChanged);
  }
  int decimals = i ? i->decimals : 2;
  bool changed = false;
  for (auto [type, wanted] : {std::pair{2, takeProfit}, std::pair{3, stopLoss}}) {
    int existing = 0;
    for (int b : history_.bracketsOf(p.id))
      if (const WorkingOrderRecord* w = history_.workingOrder(b); w && w->orderType == type) {
        existing = b;
        break;
      }
    if (wanted > 0) {
      double value = roundTo(wanted, decimals);
      if (existing == 0) {
        placeBracket(p, type, value, requestId);
        changed = true;
      } else if (WorkingOrderRecord* w = history_.workingOrder(existing); std::fabs(w->price - value) > kEps) {
        w->price = value;
        w->requestId = requestId;
        send(w->account, orderReport(*w, 75));
        changed = true;
      }
    } else if (existing != 0) {
      cancelWorkingOrder(existing, requestId);
      changed = true;
    }
  }
  // An edit that changes nothing still gets its account's summary.
  if (!changed) out_.changedAccounts.insert(account);
}

void OrderBook::editWorkingOrder(const UserSpec& user, const ServerMessage& request, int requestId) {
  int account = integer(request.get(34));
  std::string code(request.get(12).value_or(""));
  double qty = number(request.get(37));
  bool cancel = qty == 0;
  auto refuse = [&](int reason) { reject(account, true, request, reason, requestId); };
  if (int access = accountAccess(user, account, cancel)) return refuse(access);
  WorkingOrderRecord* w = history_.workingOrder(integer(request.get(79)));
  if (!w || w->account != account) return refuse(Reason::kNotProcessed);
  if (const OrderRuleSpec* rule = rejectRule(code, qty, account)) return refuse(*rule->reject);
  if (cancel) return cancelWorkingOrder(w->id, requestId);

  const InstrumentSpec* i = scenario_.instrument(w->instrument);
  if (!i) return refuse(Reason::kInvalidSymbol);
  for (const auto& s : scenario_.sessions)
    if (s.id == i->session && !s.editLimitOrder) return refuse(Reason::kOrderTypeNotInSession);
  if (w->initialQty > 0 && w->qty < w->initialQty - kEps) return refuse(Reason::kPartiallyDone);
  double newPrice = number(request.get(38));
  double takeProfit = number(request.get(39));
  double stopLoss = number(request.get(40));
  if (!(qty > 0) || qty > 1e9 || !(newPrice > 0) || takeProfit < 0 || stopLoss < 0)
    return refuse(Reason::kNotProcessed);
  // A bracket keeps the size of its position and has no brackets of its own; other orders take the
  // new size and brackets.
  const bool bracket = w->bracketOf != 0;
  if (int terms = termsCheck(account, *i,
                             {.qty = bracket ? 0 : qty, .orderType = w->orderType, .buy = w->isBuy, .price = newPrice,
                              .takeProfit = bracket ? 0 : takeProfit, .stopLoss = bracket ? 0 : stopLoss}))
    return refuse(terms);
  w->price = roundTo(newPrice, i->decimals);
  w->requestId = requestId;
  if (!bracket) {
    w->qty = w->initialQty = qty;
    w->fillStep = fillStepFor(i->code, qty, account);
    w->takeProfit = takeProfit > 0 ? roundTo(takeProfit, i->decimals) : 0;
    w->stopLoss = stopLoss > 0 ? roundTo(stopLoss, i->decimals) : 0;
  }
  send(w->account, orderReport(*w, 75));
}

OrderResult OrderBook::bulkOrder(const UserSpec& user, const ServerMessage& request) {
  out_ = {};
  std::string_view details = request.get(91).value_or("");
  std::vector<std::string_view> rows = split(details, MessageInnerTagSeperatorthr);
  if (!rows.empty() && rows.back().empty()) rows.pop_back();
  if (rows.empty() || rows.size() > kMaxBulkRows) {
    reject(0, true, request, Reason::kNotProcessed, 0);
  } else {
    for (std::string_view row : rows) {
      std::vector<std::string_view> cols = split(row, MessageInnerTagSeperatortw);
      // The row's account, quantity and request id stand in for tags 34, 37 and 33.
      if (cols.size() != 3) {
        reject(0, true, request, Reason::kNotProcessed, 0);
        continue;
      }
      ServerMessage one = request;
      one.add(34, std::string(cols[0])).add(37, std::string(cols[1])).add(33, std::string(cols[2]));
      placeNew(user, readNewOrder(one), one);
    }
  }
  recomputeMargins();
  return std::exchange(out_, {});
}

OrderResult OrderBook::offset(const UserSpec& user, const ServerMessage& request) {
  out_ = {};
  int account = integer(request.get(34));
  std::string code(request.get(12).value_or(""));
  auto answer = [&](bool ok, int reason) {
    ServerMessage m(1052);
    m.add(34, std::int64_t{account}).add(12, code).add(17, ok ? "Success" : "Failure");
    if (!ok) m.add(74, std::int64_t{reason});
    out_.messages.push_back(OrderOutput{account, !ok, std::move(m)});
  };
  auto refuse = [&](int reason) {
    reject(account, true, request, reason, 0);
    answer(false, reason);
  };

  struct Pair {
    int position;
    double qty;
  };
  auto entries = [](std::string_view section, std::vector<Pair>& out) {
    std::vector<std::string_view> rows = split(section, MessageInnerTagSeperatorthr);
    if (rows.empty() || !rows.back().empty()) return false;  // every entry ends with 0x06
    rows.pop_back();
    for (std::string_view row : rows) {
      std::vector<std::string_view> cols = split(row, MessageInnerTagSeperatortw);
      if (cols.size() != 2) return false;
      out.push_back(Pair{integer(cols[0]), number(cols[1])});
    }
    return true;
  };

  if (int access = accountAccess(user, account, true)) {
    refuse(access);
    return std::exchange(out_, {});
  }
  const InstrumentSpec* i = scenario_.instrument(code);
  std::vector<std::string_view> sections = split(request.get(583).value_or(""), MessageInnerTagSeperatorfou);
  std::vector<Pair> first, opposite;
  bool wellFormed = sections.size() == 3 && sections[2].empty() && entries(sections[0], first) &&
                    entries(sections[1], opposite) && first.size() == 1 && !opposite.empty() &&
                    opposite.size() <= kMaxOffsetRows;
  // Kept apart from the code: reason 0 ("cannot be processed") is a refusal too.
  std::optional<int> reason;
  double total = 0;
  if (!i) {
    reason = Reason::kInvalidSymbol;
  } else if (!wellFormed) {
    reason = Reason::kNotProcessed;
  } else {
    const PositionRecord* p = history_.position(first[0].position);
    if (!p || p->account != account || p->instrument != i->id) reason = Reason::kPositionLiquidated;
    std::set<int> seen{first[0].position};
    for (const Pair& o : opposite) {
      if (reason) break;
      const PositionRecord* q = history_.position(o.position);
      if (!q || q->account != account || q->instrument != i->id) {
        reason = Reason::kPositionLiquidated;
      } else if (q->isBuy == p->isBuy || !seen.insert(o.position).second || !(o.qty > 0) || o.qty > q->qty + kEps) {
        reason = Reason::kNotProcessed;
      }
      total += o.qty;
    }
    if (!reason && (std::fabs(total - first[0].qty) > kEps || total > p->qty + kEps)) reason = Reason::kNotProcessed;
  }
  if (reason) {
    refuse(*reason);
    return std::exchange(out_, {});
  }

  answer(true, 0);
  PositionRecord opened = *history_.position(first[0].position);
  std::vector<PositionRecord> closers;
  for (const Pair& o : opposite) closers.push_back(*history_.position(o.position));
  for (std::size_t k = 0; k < opposite.size(); ++k)
    reducePosition(opposite[k].position, std::min(opposite[k].qty, closers[k].qty), 0, 0);
  reducePosition(opened.id, std::min(total, opened.qty), 0, 0);
  // Each settlement closes lots of two positions, and charges the commission of both.
  for (std::size_t k = 0; k < opposite.size(); ++k) {
    const double qty = std::min(opposite[k].qty, closers[k].qty);
    settle(opened, closers[k].id, closers[k].price, qty, commissionShare(closers[k], qty));
  }
  recomputeMargins();
  return std::exchange(out_, {});
}

// ---- the feed ----

bool OrderBook::crossed(const WorkingOrderRecord& w, double& fillPrice) const {
  const Quote q = feed_.quoteFor(w.account, w.instrument);
  if (!reachedAt(q, w.orderType, w.isBuy, w.price)) return false;
  fillPrice = w.isBuy ? q.ask : q.bid;
  return true;
}

OrderResult OrderBook::onTick() {
  out_ = {};
  std::vector<int> ids;
  ids.reserve(history_.workingOrders().size());
  for (const auto& w : history_.workingOrders()) ids.push_back(w.id);
  for (int id : ids) {
    const WorkingOrderRecord* found = history_.workingOrder(id);  // a fill may have cancelled it
    if (!found) continue;
    const InstrumentSpec* i = scenario_.instrument(found->instrument);
    if (!i || sessionCheck(*i, 0) == Reason::kSessionInactive) continue;
    double fillPrice = 0;
    if (!crossed(*found, fillPrice)) continue;
    WorkingOrderRecord w = *found;
    if (w.bracketOf != 0) {
      history_.removeWorkingOrder(id);
      const PositionRecord* p = history_.position(w.bracketOf);
      if (!p) continue;  // the position went without its bracket: drop the bracket quietly
      w.qty = 0;
      send(w.account, orderReport(w, 23));
      closeQuantity(p->id, p->qty, fillPrice, w);
      continue;
    }
    double piece = w.fillStep > 0 ? std::min(w.fillStep, w.qty) : w.qty;
    if (scenario_.initialMargin(w.account, w.instrument) * piece > equity(w.account) - usedMargin(w.account) + kEps) {
      // No margin left for the fill: the order is rejected and leaves the book.
      history_.removeWorkingOrder(id);
      ServerMessage m = orderReport(w, 25);
      m.add(74, std::int64_t{Reason::kNoFreeMargin});
      send(w.account, std::move(m));
      continue;
    }
    fillPiece(w, piece, fillPrice);
    if (w.qty <= 0) {
      history_.removeWorkingOrder(id);
    } else if (WorkingOrderRecord* left = history_.workingOrder(id)) {
      *left = w;
    }
  }
  if (!out_.changedAccounts.empty()) recomputeMargins();
  return std::exchange(out_, {});
}

}  // namespace td::sim
