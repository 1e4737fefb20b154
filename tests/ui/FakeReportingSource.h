#pragma once
// A session for the reporting windows' tests: journal lines, accounts, a statement and the money
// movements held here, the requests and selections recorded.

#include <QString>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/NotificationCenter.h"
#include "ui/reporting/ReportingSource.h"

// Readable QStrings in the test messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace td::test {

class FakeReportingSource final : public ReportingSource {
 public:
  struct Session {
    std::vector<std::string> journal;
    std::vector<std::shared_ptr<AccountDetails>> accounts;
    AccountStatementInfo statement;
    std::vector<FinancialTransactionDetails> transactions;
  };

  FakeReportingSource() : session(std::make_shared<Session>()) {}

  NotificationCenter& notifications() override { return centre; }
  std::shared_ptr<const std::vector<std::string>> journalLines() const override {
    return session ? std::shared_ptr<const std::vector<std::string>>(session, &session->journal) : nullptr;
  }
  std::vector<std::shared_ptr<AccountDetails>> accounts() const override {
    return session ? session->accounts : std::vector<std::shared_ptr<AccountDetails>>{};
  }
  void refreshAccountFigures() override { ++refreshes; }
  void selectAccount(std::int32_t accountId) override { selected.push_back(accountId); }
  std::int32_t reportHistoryDaysLimit(std::int32_t accountId) const override {
    limitsAsked.push_back(accountId);
    return daysLimit;
  }
  std::shared_ptr<const AccountStatementInfo> statement() const override {
    return session ? std::shared_ptr<const AccountStatementInfo>(session, &session->statement) : nullptr;
  }
  bool requestAccountStatement(const AccountStatementRequest& request) override {
    statementRequests.push_back(request);
    return true;
  }
  std::shared_ptr<const std::vector<FinancialTransactionDetails>> transactions() const override {
    return session ? std::shared_ptr<const std::vector<FinancialTransactionDetails>>(session, &session->transactions)
                   : nullptr;
  }
  bool requestFinancialTransactions(const SearchInfo& search) override {
    searches.push_back(search);
    return true;
  }

  std::shared_ptr<AccountDetails> addAccount(std::int32_t id, const std::string& name) {
    auto account = std::make_shared<AccountDetails>();
    account->AccountId = id;
    account->AccountName = name;
    account->tradingStatus = 1;
    account->accountaccessType = 1;
    session->accounts.push_back(account);
    return account;
  }

  NotificationCenter centre;
  std::shared_ptr<Session> session;
  int refreshes = 0;
  std::int32_t daysLimit = 0;
  std::vector<std::int32_t> selected;
  mutable std::vector<std::int32_t> limitsAsked;
  std::vector<AccountStatementRequest> statementRequests;
  std::vector<SearchInfo> searches;
};

}  // namespace td::test
