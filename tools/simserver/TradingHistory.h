#pragma once
// The simulated back office: a seeded history of every account (open positions, working orders,
// settled positions, cancelled orders, deposits and withdrawals, a bank account), the data-set
// replies of the request channel in their row layouts (columns by 0x05, rows by 0x06) and the
// account statement as XML tables.
//
// The history is made once, at start, from the seed; the same seed gives the same rows. Every seeded
// price lies on its instrument's tick grid and on the side of the market that the order desk's rules
// ask of its kind. Every lot is open or settled: a seeded position partly closed since it opened has
// the settlement of the lots closed, and each settlement the executions of both its positions (the
// closing one the fill of a market order).
//
// The ledger: every movement of an account's balance is one transaction, in time order: the
// money movements (deposits, withdrawals, charges) and, for each settlement (a close, a filled
// take-profit or stop-loss, an offset), its profit or loss and the commission of the lots it
// settled. Commission is charged when lots settle, so an opening fill leaves the balance. The
// seeded money movements are sized so that the ledger of each account ends at the scenario's
// balance; from then on the balance is the ledger's total. The deposit search lists the money
// movements only; the statement sums every transaction of its period by sub-type.
//
// Open positions are valued at their account's quotes (PriceFeed::quoteFor), the prices its user
// is shown: in the open-position rows, the statement (its current prices, unrealised profit or loss
// and equity, which counts the group's share of that profit or loss, Scenario::floatingInEquity)
// and the equity-hit prices.

#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "PriceFeed.h"
#include "Scenario.h"

namespace td::sim {

struct PositionRecord {
  int id = 0;
  int account = 0;
  int instrument = 0;
  bool isBuy = true;
  double initialQty = 0;
  double qty = 0;
  double price = 0;
  double commission = 0;
  std::int64_t opened = 0;
  int order = 0;  // the working order whose fill opened it, 0 for none (a closing order)
  // That order's type (1 market, 2 limit, 3 stop) and validity, as its request carried them.
  int orderType = 1;
  int deliveryModeTag = 51;
};

struct WorkingOrderRecord {
  int id = 0;
  int account = 0;
  int instrument = 0;
  bool isBuy = true;
  int orderType = 2;  // 2 limit, 3 stop
  double qty = 0;
  double price = 0;
  int bracketOf = 0;  // the open position a take-profit or stop-loss belongs to, 0 for none
  std::int64_t placed = 0;
  // Kept by the order desk for orders placed in this run (seeded orders keep the defaults).
  double initialQty = 0;    // the quantity placed; qty is what is left of it
  double takeProfit = 0;    // prices of the brackets that a fill gives its positions, 0 for none
  double stopLoss = 0;
  int requestId = 0;        // tag 33 of the request that placed it
  int timeInForceTag = 47;  // wire codes as the request carried them
  int deliveryModeTag = 51;
  double fillStep = 0;      // the most one fill takes, 0 for all that is left
};

struct SettlementRecord {
  int id = 0;
  int account = 0;
  int instrument = 0;
  int position = 0;
  int closingPosition = 0;
  bool isBuy = true;
  double qty = 0;
  double openPrice = 0;
  double closePrice = 0;
  double pl = 0;
  double commission = 0;  // of the lots settled, on both positions of an offset
  std::int64_t opened = 0;
  std::int64_t closed = 0;
};

struct CancellationRecord {
  int id = 0;
  int account = 0;
  int instrument = 0;
  int workingOrder = 0;
  bool isBuy = true;
  int orderType = 2;
  double qty = 0;
  double price = 0;
  std::int64_t placed = 0;
  std::int64_t cancelled = 0;
  Quote market;  // the account's quote of the instrument when it was cancelled
};

// The statement's sub-transaction types of the ledger's transactions.
namespace SubType {
constexpr int kDeposit = 1;
constexpr int kCardDeposit = 11;
constexpr int kWithdrawal = 2;
constexpr int kCommission = 4;
constexpr int kSettledLoss = 7;
constexpr int kSettledProfit = 8;
constexpr int kMiscellaneous = 10;
}  // namespace SubType

struct TransactionRecord {
  int id = 0;
  int account = 0;
  std::string code;     // "DEP" deposit, "WID" withdrawal, "PCH" processing charge; "SPL" settled
                        // profit or loss and "COM" commission, booked by the trading
  std::string subCode;
  int subId = 0;        // the movement's own number
  int subType = 0;      // SubType
  double credit = 0;
  double debit = 0;
  double balanceAfter = 0;
  std::string narration;
  std::int64_t when = 0;
  bool trading = false;  // booked by a settlement, not a money movement
};

// What a data-set request asks for (the fields of a type-1023 request).
struct DataSetQuery {
  std::string context;    // 151
  std::string userName;   // 23
  int userId = 0;         // 115
  std::optional<std::string> account;  // 34
  std::optional<std::string> from;     // 575, "yyyyMMddHHmmss"
  std::optional<std::string> to;       // 576
  std::optional<std::string> transactionCode;  // 551
};

class TradingHistory {
 public:
  TradingHistory(const Scenario& scenario, std::uint64_t seed, std::int64_t now);

  // The data of a data-set reply (tag 159) for the query: rows, the statement XML, or "ERROR"
  // for an unknown context, user or account.
  std::string dataSet(const DataSetQuery& query, const PriceFeed& feed) const;

  // The floating profit or loss of an account's open positions at the account's quotes.
  double floatingPL(int account, const PriceFeed& feed) const;
  // The profit or loss of `qty` bought (or sold) at `openPrice` and closed at `closePrice` on an
  // account, by the instrument's calculation mode as the client computes it (modes 5 and 6 convert
  // by the mid of the account's quote of the conversion item), rounded to cents.
  double profitOrLoss(int account, const InstrumentSpec& instrument, bool isBuy, double qty, double openPrice,
                      double closePrice, const PriceFeed& feed) const;

  const std::vector<PositionRecord>& positions() const { return positions_; }
  // Every position as the fill that opened it made it, kept after it closes; closing executions
  // among them, which nothing is left of at once.
  const std::vector<PositionRecord>& executions() const { return executions_; }
  const std::vector<WorkingOrderRecord>& workingOrders() const { return workingOrders_; }
  const std::vector<SettlementRecord>& settlements() const { return settlements_; }
  const std::vector<CancellationRecord>& cancellations() const { return cancellations_; }
  const std::vector<TransactionRecord>& transactions() const { return transactions_; }
  // The ledger's balance of an account: the total of its transactions.
  double balance(int account) const;
  // The margin the account's open positions hold (the initial margin of its group's terms per lot),
  // counting those opened by `asOf` only.
  double usedMargin(int account, std::int64_t asOf = std::numeric_limits<std::int64_t>::max()) const;

  // ---- changes made by the order desk ----
  PositionRecord* position(int id);
  WorkingOrderRecord* workingOrder(int id);
  // Opens a position and files its execution.
  void addPosition(const PositionRecord& p);
  void addExecution(const PositionRecord& p) { executions_.push_back(p); }
  void addWorkingOrder(const WorkingOrderRecord& w) { workingOrders_.push_back(w); }
  // Files the settlement and books its profit or loss and commission into the ledger.
  void addSettlement(const SettlementRecord& s);
  void addCancellation(const CancellationRecord& c) { cancellations_.push_back(c); }
  void removePosition(int id);
  void removeWorkingOrder(int id);
  // The take-profit (limit) and stop-loss (stop) orders of an open position, in placing order.
  std::vector<int> bracketsOf(int positionId) const;
  // Fresh ids: one above the highest that the collection (or any execution or settlement's position
  // pair, for positions; any cancelled order or execution's order, for working orders) has used.
  int nextPositionId() const;
  int nextWorkingOrderId() const;
  int nextSettlementId() const;
  int nextCancellationId() const;

 private:
  std::vector<int> accountsOf(const DataSetQuery& query) const;
  std::string openPositionRows(const std::vector<int>& accounts, const PriceFeed& feed) const;
  std::string workingOrderRows(const std::vector<int>& accounts) const;
  std::string settledRows(const std::vector<int>& accounts) const;
  std::string cancelledRows(const std::vector<int>& accounts) const;
  std::string equityHitRows(int account, const PriceFeed& feed) const;
  std::string transactionRows(int account, std::int64_t from, std::int64_t to, const std::string& code) const;
  std::string bankRows(int account) const;
  // The executions of the period, open or since closed; a closed one has remaining quantity 0.
  std::string executedRows(const std::vector<int>& accounts, std::int64_t from, std::int64_t to) const;
  std::string statement(int account, std::int64_t from, std::int64_t to, const PriceFeed& feed) const;
  double positionPL(const PositionRecord& p, const PriceFeed& feed) const;
  // The ledger's transactions of a settlement (its profit or loss, its commission), not yet posted.
  static std::vector<TransactionRecord> settlementEntries(const SettlementRecord& s);
  // Appends a transaction to the ledger with the next id and the account's balance after it.
  void post(TransactionRecord t);

  const Scenario& scenario_;
  std::vector<PositionRecord> positions_;
  std::vector<PositionRecord> executions_;
  std::vector<WorkingOrderRecord> workingOrders_;
  std::vector<SettlementRecord> settlements_;
  std::vector<CancellationRecord> cancellations_;
  std::vector<TransactionRecord> transactions_;
  std::map<int, double> balances_;
  int nextTransaction_ = 6001;
};

// The profit or loss by the instrument's calculation mode, with `mid` the conversion item's mid
// price (modes 5 and 6; 0 counts as 1).
double profitOrLossAt(const InstrumentSpec& instrument, bool isBuy, double qty, double openPrice, double closePrice,
                      double mid);

}  // namespace td::sim
