#pragma once
// The simulated order desk: new, closing, bulk and edit requests and offsets of hedged positions,
// answered with the execution reports the client reads, and working orders (limit, stop, and the
// take-profit and stop-loss brackets of open positions) filled when the feed crosses their price.
//
// Besides sign, range and margin, a request is held to the trading terms of the account's group for
// the instrument (quantity limits and step, the tick grid, the stop and limit distances from the
// market and the side and distance of take-profit and stop-loss, from the order's price and from
// the price its position closes at), with a reason code of its own per term (Reason); prices are
// measured from the account's quote (PriceFeed::quoteFor: the feed's with the group's spread, as
// the client shows it), the price the desk fills at and triggers working orders and brackets by.
// An instrument without terms in the group is held to none. The scenario's order rules come first.
// Whatever the terms, a new market order or a bracket edit whose take-profit or stop-loss the
// account's quote has already reached (it would fill at once) is refused.
//
// Reports:
// - working orders, type 62, status in tag 73: 28 pending, 22 partly filled, 23 filled,
//   24 cancelled, 25 rejected (reason code in tag 74), 75 edited;
// - positions, type 67: 73=74 an execution (a new position, or with remaining quantity 0 the
//   position that closed another), 73=73 a status update of an open position;
// - settlements, type 66; the answer to an offset, type 1052.
// A market order is reported 62/28, 62/23 (62/22 for each piece before the last when it fills in
// pieces), then 67/74 per piece; a working order the same way once the feed crosses its price.
// A close is a market order too (its 62/28 names the position in tag 125); its execution, and that
// of a filled take-profit or stop-loss, carries the order's id in tag 79 and remaining quantity 0.
//
// The books stay simple: the used margin of an account is the initial margin of its group's terms
// times the quantity of its open positions; the balance is the ledger's (TradingHistory), which each
// settlement moves by its profit or loss less the commission of the lots it settled; the equity is
// the balance, the collateral, the storage and the group's share of the floating profit or loss
// (Scenario::floatingInEquity), as the client counts it. The account summaries and the free-margin
// checks of new orders and fills read that equity.
// Every request and every fill names the accounts it changed, so that their summaries are sent.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "PriceFeed.h"
#include "Scenario.h"
#include "ServerMessage.h"
#include "TradingHistory.h"

namespace td::sim {

// Rejection reason codes (tag 74) the desk gives on its own; scenario rules may give any code.
namespace Reason {
constexpr int kNotProcessed = 0;        // malformed request, unknown working order
constexpr int kPriceChanged = 1;        // a take-profit or stop-loss the account's quote has already reached
constexpr int kInvalidSymbol = 2;       // unknown instrument
constexpr int kPositionLiquidated = 5;  // the position to close, edit or offset is not open
constexpr int kNoFreeMargin = 13;
constexpr int kPartiallyDone = 15;      // a modify of a working order that has partly filled
constexpr int kNoAccess = 50;           // an account of another user, or one that may not trade
constexpr int kSessionInactive = 80;    // the instrument's session does not execute orders
constexpr int kSymbolDisabled = 81;
constexpr int kOrderTypeNotInSession = 83;
// The group's trading terms for the instrument, as the client's own checks hold them:
constexpr int kQuantityBelowMinimum = 61;  // below the minimum (a close may take a smaller remainder whole)
constexpr int kQuantityAboveMaximum = 62;
constexpr int kQuantityNotInSteps = 63;   // not a whole multiple of the quantity step
constexpr int kPriceOffTick = 64;         // an entry, take-profit or stop-loss price off the tick grid
constexpr int kStopTooNear = 65;          // a stop order's price nearer the market than the stop distance
constexpr int kLimitTooNear = 66;         // a limit order's price nearer the market than the limit distance
constexpr int kTakeProfitTooNear = 67;    // on the wrong side of the price, or nearer than the limit distance
constexpr int kStopLossTooNear = 68;      // on the wrong side of the price, or nearer than the stop distance
}  // namespace Reason

struct OrderOutput {
  int account = 0;             // the sessions of this account's owner receive it ...
  bool requesterOnly = false;  // ... or only the session that sent the request
  ServerMessage message;
};

struct OrderResult {
  std::vector<OrderOutput> messages;
  std::set<int> changedAccounts;  // accounts whose summary is to be sent after the messages
};

class OrderBook {
 public:
  OrderBook(Scenario& scenario, TradingHistory& history, const PriceFeed& feed);

  // Type 60: a new order (no tag 125) or a closing order (tag 125 the position).
  OrderResult order(const UserSpec& user, const ServerMessage& request);
  // Type 72: "EBO" the brackets of a position (573), "EWO" a working order (79): quantity 0
  // cancels, any other modifies.
  OrderResult editOrder(const UserSpec& user, const ServerMessage& request);
  // Type 77: one new order per row of tag 91 (account, quantity, request id).
  OrderResult bulkOrder(const UserSpec& user, const ServerMessage& request);
  // Type 1052: closes the position of the offset list's first section against the positions of
  // the second, pair by pair.
  OrderResult offset(const UserSpec& user, const ServerMessage& request);
  // After a feed tick: working orders and brackets whose price the feed has crossed fill.
  OrderResult onTick();

  // Sets every account's used margin from its open positions.
  void recomputeMargins();
  double usedMargin(int account) const;
  double equity(int account) const;

  static constexpr std::size_t kMaxBulkRows = 200;
  static constexpr std::size_t kMaxOffsetRows = 200;
  static constexpr std::size_t kMaxWorkingOrders = 5000;
  static constexpr std::size_t kMaxPositions = 20000;

  // Quantities on the wire: up to six decimals without trailing zeros ("2", "2.5", "0").
  static std::string quantityText(double qty);

 private:
  struct NewOrder {
    int account = 0;
    std::string code;
    int typeTag = 0;  // 29, 30, 31
    int sideTag = 0;  // 45, 46
    double qty = 0;
    double price = 0;
    double takeProfit = 0;
    double stopLoss = 0;
    int requestId = 0;
    int timeInForceTag = 47;
    int deliveryModeTag = 51;
  };
  // A new order as tags 34, 12, 32, 36, 37-40, 33, 43 and 117 of a request give it.
  static NewOrder readNewOrder(const ServerMessage& request);

  // `request` is what a rejection echoes (tags 12, 32, 36, 37, 38).
  void placeNew(const UserSpec& user, const NewOrder& o, const ServerMessage& request);
  void closePosition(const UserSpec& user, const ServerMessage& request);
  void editBrackets(const UserSpec& user, const ServerMessage& request, int requestId);
  void editWorkingOrder(const UserSpec& user, const ServerMessage& request, int requestId);

  // Fills `qty` of a working order at `price`: a new position, its brackets, and the reports.
  // `w` is the caller's copy; the caller stores or drops it afterwards.
  void fillPiece(WorkingOrderRecord& w, double qty, double fillPrice);
  // Closes `qty` of an open position at `price` by a new closing position, the fill of `order` (a
  // closing market order or a bracket of the position): the closing execution, which names the
  // order and is filed with the executions with its type and validity; the brackets (cancelled
  // when the position closes, resized otherwise, except the filled one), the position's status
  // update and the settlement.
  void closeQuantity(int positionId, double qty, double price, const WorkingOrderRecord& order);
  // Takes `qty` off a position: brackets and the status update; removes it when nothing is left.
  void reducePosition(int positionId, double qty, int requestId, int filledBracket);
  // Files the settlement of `qty` lots of `opened` (its profit or loss and the commission of those
  // lots, with `closingCommission` for lots of the closing position that settle too) and books it.
  void settle(const PositionRecord& opened, int closingPositionId, double closePrice, double qty,
              double closingCommission = 0);
  // The commission that `qty` lots of a position carry: its commission scaled to those lots.
  static double commissionShare(const PositionRecord& p, double qty);
  void cancelWorkingOrder(int orderId, int requestId);
  int placeBracket(const PositionRecord& p, int orderType, double price, int requestId);

  void reject(int account, bool requesterOnly, const ServerMessage& request, int reason, int requestId);
  void send(int account, ServerMessage message);
  ServerMessage orderReport(const WorkingOrderRecord& w, int status) const;

  // The reason a user may not trade on an account (0 when it may); closing orders pass the
  // close-only state.
  int accountAccess(const UserSpec& user, int account, bool closing) const;
  int sessionCheck(const InstrumentSpec& i, int typeTag) const;
  // What the terms check of an order; a 0 quantity or price is not checked.
  struct TermedOrder {
    double qty = 0;
    double closingRemainder = 0;  // a close: the position's remaining quantity
    int orderType = 1;            // 1 market, 2 limit, 3 stop
    bool buy = true;
    double price = 0;             // the entry price; for a market order the market price
    double takeProfit = 0;
    double stopLoss = 0;
    bool closingSide = false;     // a bracket edit: the order's side already is the closing one
  };
  // The reason the group's terms refuse the order, or 0.
  int termsCheck(int account, const InstrumentSpec& i, const TermedOrder& o) const;
  const OrderRuleSpec* rejectRule(const std::string& code, double qty, int account) const;
  double fillStepFor(const std::string& code, double qty, int account) const;
  std::string price(int instrument, double value) const;
  bool crossed(const WorkingOrderRecord& w, double& fillPrice) const;
  // Whether a take-profit or stop-loss of a position on this side (prices as sent, 0 for none) is
  // reached at the account's quote now: a stop-loss at or beyond the price the position closes at (the
  // bid of a long, the ask of a short), a take-profit at or before it.
  bool bracketReached(int account, const InstrumentSpec& i, bool longPosition, double takeProfit,
                      double stopLoss) const;

  Scenario& scenario_;
  TradingHistory& history_;
  const PriceFeed& feed_;
  OrderResult out_;
  int nextPosition_;
  int nextOrder_;
  int nextSettlement_;
  int nextCancellation_;
  int nextExecution_ = 40001;
};

}  // namespace td::sim
