#pragma once
// What the reporting windows (journal, accounts table, statement, deposits and withdrawals) read of
// the session and ask of it. The application's source reaches the session of the moment through the
// application context at every call, so after a new login the windows read the new session; tests
// put a fake in its place.
//
// The collections come as shared pointers that keep their session alive for the caller's use; a
// window must not keep one beyond the call it needs it for (the session of an earlier login would
// live on). Main thread only.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/AccountDetails.h"
#include "model/SearchInfo.h"
#include "model/statement/AccountStatementInfo.h"
#include "model/statement/FinancialTransactionDetails.h"
#include "session/datasets/DataSetService.h"

namespace td {

class NotificationCenter;

class ReportingSource {
 public:
  virtual ~ReportingSource() = default;

  // Where the session posts its table notifications (and "LoginSuccessNotification").
  virtual NotificationCenter& notifications() = 0;

  // The journal lines, oldest first; none without a session.
  virtual std::shared_ptr<const std::vector<std::string>> journalLines() const = 0;

  // The accounts the user may see (not suspended or closed, not view-market or without access), in
  // the collection's order.
  virtual std::vector<std::shared_ptr<AccountDetails>> accounts() const = 0;
  // Recomputes the floating figures of every account (one pass over the open positions).
  virtual void refreshAccountFigures() = 0;
  // Makes the account current in the main window and in the session.
  virtual void selectAccount(std::int32_t accountId) = 0;
  // How many days back the account's group may ask for a statement; 0 when the account or its
  // group is unknown.
  virtual std::int32_t reportHistoryDaysLimit(std::int32_t accountId) const = 0;

  // The account statement of the last reply (empty before the first); none without a session.
  virtual std::shared_ptr<const AccountStatementInfo> statement() const = 0;
  virtual bool requestAccountStatement(const AccountStatementRequest& request) = 0;

  // The money movements of the last search, in reply order; none without a session.
  virtual std::shared_ptr<const std::vector<FinancialTransactionDetails>> transactions() const = 0;
  virtual bool requestFinancialTransactions(const SearchInfo& search) = 0;
};

// The application's source: the session, the main window's controller and the notification centre
// of AppContext::current().
std::unique_ptr<ReportingSource> makeSessionReportingSource();

}  // namespace td
