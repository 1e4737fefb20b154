#pragma once
// The data-set services of the session: the requests of the data-set channel (initial collections,
// searches, bank account, statement, chart history, password change), the routing of each data-set
// reply by its context, the row loop and the converters of the rows into the session's collections,
// and the account statement.
//
// The session (BusinessBase) owns one DataSetService and hands it references to the order
// collections it shares with the execution reports, its reference data and a few hooks; its
// handlers then are one-line calls. Everything runs on the main thread, except the reading of a
// statement document, which runs on the worker queue given and is applied on the main thread in
// one step.
//
// Decisions on faulty replies:
// - A history row with fewer columns than its record reads is skipped with a log line; the rest of
//   the reply still loads, and a non-empty open-position or working-order reply still subscribes the
//   prices of all items once, after its loop.
// - An empty or "ERROR" reply (any case) has no rows; it drops the held bank account (and posts
//   "BankDetailsNotification") only for the "getbankaccounts" context.
// - A bank-account reply applies its first row only.
// - A chart reply is filed under the chart key it names only (a later one replacing the one held,
//   with the time it was filed on the main queue's clock), and answers every unanswered chart
//   request of that key (ChartRequests).
// - A bank-account reply names no account. The request channel answers its requests one by one in
//   the order they were sent, and the session numbers them, so each bank request is kept with its
//   number and a reply is matched to the request being answered: "BankDetailsNotification" carries
//   a BankDetailsReply of that request, so a window that asked for one account's bank never shows
//   another account's. A reply whose request is not known (it was not asked for through
//   bankRequestSent) carries none.

#include <any>
#include <deque>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/BankDetails.h"
#include "model/Order.h"
#include "model/SearchInfo.h"
#include "model/statement/AccountStatementInfo.h"
#include "model/statement/FinancialTransactionDetails.h"
#include "platform/DateFormat.h"
#include "session/datasets/ChartRequests.h"
#include "session/datasets/HistoryRows.h"
#include "session/trading/OrderBook.h"
#include "wire/DataSetRequests.h"
#include "wire/MessageBase.h"
#include "wire/SessionRequests.h"

namespace td {

class DispatchQueue;
class MainQueue;
class ReferenceData;

// The fields of the session that the data-set replies fill: the order collections shared with the
// execution reports (the initial collections and the executed-position search), the bank account
// and the chart cache.
struct DataSetTargets {
  OrderBook book;
  std::shared_ptr<BankDetails>& bankDetails;
  ChartDataCollection& chartDataCollection;  // chart key -> reply text
};

// The object of "BankDetailsNotification": the request the reply answers and the bank account it
// brought (none for an empty reply).
struct BankDetailsReply {
  std::uint64_t request = 0;
  std::shared_ptr<BankDetails> details;
};

// The parameters of the statement window (`requestAccountStatement:`).
struct AccountStatementRequest {
  std::optional<std::string> AccountId;  // sent as given
  std::optional<Date> FromDate;
  std::optional<Date> ToDate;
};

class DataSetService {
 public:
  struct Hooks {
    // Posts a notification on the main thread without waiting (name, object).
    std::function<void(std::string name, std::any object)> postOnMainThread;
    // Subscribes the prices of every item in use (getAllItems, subscribe set).
    std::function<void()> subscribeAllItems;
    // Diagnostics: a reply was handled (context, rows taken) ...
    std::function<void(std::string_view context, std::size_t rows)> dataSetLoaded;
    // ... and the four initial data sets have all been answered (sizes of the open, pending,
    // settled and cancelled collections); called once.
    std::function<void(std::size_t open, std::size_t pending, std::size_t settled, std::size_t cancelled)>
        initialCollectionsLoaded;
    // The number of the request-channel request whose reply is being handled (requests counted
    // from 0 in send order); none: bank replies are matched to no request.
    std::function<std::uint64_t()> requestBeingAnswered;
  };

  // `reference` and the targets must outlive the service. `statementWorker` reads statement
  // documents (its tasks may even run in parallel: a reply read after a later one is dropped, the
  // last reply received wins) and `mainQueue` applies them; with no worker a statement is read and
  // applied at once on the calling thread (tests, tools). Both must outlive the service.
  DataSetService(DataSetTargets targets, const ReferenceData& reference, Hooks hooks,
                 DispatchQueue* statementWorker = nullptr, MainQueue* mainQueue = nullptr);
  ~DataSetService();
  DataSetService(const DataSetService&) = delete;
  DataSetService& operator=(const DataSetService&) = delete;

  // --- Requests (each false when the frame did not reach the transport) ---
  // After the login is accepted: open positions, working orders, settled positions, cancelled
  // orders, then the equity-hit prices of every account in trading status 5. Returns how many
  // requests reached the transport.
  std::size_t requestInitialDataSets(MessageBase& messageBase, const SessionValues& session, std::int32_t UserId);
  bool requestEquityPriceinfo(MessageBase& messageBase, const SessionValues& session, std::int32_t UserId,
                              std::int32_t accountId);
  bool requestExecutedPosition(MessageBase& messageBase, const SessionValues& session, std::int32_t UserId,
                               const SearchInfo& search);
  bool requestFinancialTransactions(MessageBase& messageBase, const SessionValues& session, std::int32_t UserId,
                                    const SearchInfo& search);
  bool requestBankDetails(MessageBase& messageBase, const SessionValues& session, std::int32_t UserId,
                          const AccountDetails& account);
  bool requestAccountStatement(MessageBase& messageBase, const SessionValues& session, std::int32_t UserId,
                               const AccountStatementRequest& parameters);
  // `number`: the request's number on the request channel, when known.
  bool requestChartData(MessageBase& messageBase, const SessionValues& session, std::string_view itemCode,
                        std::string_view interval, std::int32_t noOfData,
                        std::optional<std::uint64_t> number = std::nullopt) {
    return charts_.requestChartData(messageBase, session, itemCode, interval, noOfData, number);
  }
  bool changeMyPassword(MessageBase& messageBase, const SessionValues& session, std::string_view oldPassword,
                        std::string_view newPassword) {
    return SessionRequests::changeMyPassword(messageBase, session, oldPassword, newPassword);
  }

  // A bank-account request went out as request number `request` of the request channel.
  void bankRequestSent(std::uint64_t request) { bankRequests_.push_back(request); }
  // Requests before number `finished` have all ended: their bank requests wait no more, and their
  // chart requests are no longer in flight; the key of each that got no reply is posted
  // (ChartRequests::kRequestUnanswered).
  void requestsFinished(std::uint64_t finished);

  // The search values of a SearchInfo: dates as wire time stamps (absent dates left out).
  static SearchValues searchValues(const SearchInfo& search, bool withAccountAndCode);

  // --- Replies ---
  // `processDSResponse::`: one data-set reply (tag 159 data, tag 151 context).
  void processDSResponse(std::string_view data, std::string_view context);
  // `ProcessHistoryData::`: the row loop; gives the number of rows taken.
  std::size_t ProcessHistoryData(std::string_view data, std::string_view context);
  // `ChartDataReceivedNotification:`: files a chart reply and posts
  // "MainviewChartDataReceivedNotification%d" (object: the id as text) once for each id it tells
  // (ChartRequests). requestId: the id the reply carries, if any.
  void ChartDataReceived(std::string_view reply, std::optional<std::int32_t> requestId = std::nullopt);

  // --- Row converters (public for the row loop's tests) ---
  void FillInitialOpenOrderCollection(const OpenOrderHD& row);
  void FillInitialPendingOrderCollection(const PendingOrderHD& row);
  void FillInitialSettledOrderCollection(const SettledOrderHD& row);
  void FillInitialCancelledOrderCollection(const CancelledOrderHD& row);
  void SetEquityHitPriceInOrders(const EquityHitPriceInfos& row);
  void fillExecutedPositionSearchData(std::string_view row);
  void fillFinancialTransactionsData(std::string_view row);
  void fillBankDetails(std::string_view row);

  // --- State read by the windows through the session's getters ---
  const std::vector<FinancialTransactionDetails>& FinancialTransactionCollection() const { return transactions_; }
  const AccountStatementInfo& accountStatementInfo() const { return statement_->info; }
  const ChartRequests& charts() const { return charts_; }

 private:
  struct StatementState {
    AccountStatementInfo info;
    std::uint64_t received = 0;  // statement replies handed to the reader
    std::uint64_t applied = 0;   // number of the reply last applied
  };
  void post(std::string name, std::any object = {});
  void loadAccountStatement(std::string_view data);
  void applyAccountStatement(AccountStatementContent&& content, std::uint64_t number);
  void noteInitialReply(std::string_view context);
  void bankDetailsReceived(std::shared_ptr<BankDetails> details);

  DataSetTargets targets_;
  const ReferenceData& reference_;
  Hooks hooks_;
  DispatchQueue* statementWorker_;
  MainQueue* mainQueue_;

  std::vector<FinancialTransactionDetails> transactions_;
  std::shared_ptr<StatementState> statement_;
  ChartRequests charts_;
  unsigned initialAnswered_ = 0;  // bits of the four initial contexts answered
  bool initialReported_ = false;
  std::deque<std::uint64_t> bankRequests_;  // numbers of the bank requests not yet answered
};

}  // namespace td
