#include "ui/reporting/ReportingSource.h"

#include "platform/AppContext.h"
#include "platform/NotificationCenter.h"
#include "session/BusinessBase.h"
#include "session/trading/ProfitAndLoss.h"
#include "session/trading/ReadSide.h"
#include "ui/shell/MainWindowController.h"

namespace td {
namespace {

class SessionReportingSource final : public ReportingSource {
 public:
  SessionReportingSource() : centre_(AppContext::current()->notificationCenter()) {}

  NotificationCenter& notifications() override { return *centre_; }

  std::shared_ptr<const std::vector<std::string>> journalLines() const override {
    auto session = AppContext::current()->businessbase();
    if (!session) return nullptr;
    return {session, &session->JournalDataCollection()};
  }

  std::vector<std::shared_ptr<AccountDetails>> accounts() const override {
    auto session = AppContext::current()->businessbase();
    if (!session) return {};
    return ReadSide(session->orderBook(), session->referenceData(), session->selectedSymbols()).getAccountCollection();
  }

  void refreshAccountFigures() override {
    if (auto session = AppContext::current()->businessbase())
      ProfitAndLoss::refreshFloatingFigures(session->referenceData(), session->OpenOrderCollection);
  }

  void selectAccount(std::int32_t accountId) override {
    auto context = AppContext::current();
    auto session = context->businessbase();
    if (!session) return;
    auto account = session->referenceData().account(std::to_string(accountId));
    if (!account) return;
    if (auto window = context->mWindowController()) {
      window->setAccount(account);
      window->loadAccountDetails();  // the account strip follows at once
    }
    session->setCurrentAccountSelected(accountId);
  }

  std::int32_t reportHistoryDaysLimit(std::int32_t accountId) const override {
    auto session = AppContext::current()->businessbase();
    if (!session) return 0;
    const auto account = session->referenceData().account(std::to_string(accountId));
    const auto group = account ? session->referenceData().group(account->GroupId) : nullptr;
    return group ? group->ReportHistoryDaysLimit : 0;
  }

  std::shared_ptr<const AccountStatementInfo> statement() const override {
    auto session = AppContext::current()->businessbase();
    if (!session) return nullptr;
    return {session, &session->accountStatementInfo()};
  }

  bool requestAccountStatement(const AccountStatementRequest& request) override {
    auto session = AppContext::current()->businessbase();
    return session && session->requestAccountStatement(request);
  }

  std::shared_ptr<const std::vector<FinancialTransactionDetails>> transactions() const override {
    auto session = AppContext::current()->businessbase();
    if (!session) return nullptr;
    return {session, &session->FinancialTransactionCollection()};
  }

  bool requestFinancialTransactions(const SearchInfo& search) override {
    auto session = AppContext::current()->businessbase();
    return session && session->requestFinancialTransactions(search);
  }

 private:
  const std::shared_ptr<NotificationCenter> centre_;  // the run's centre, taken once
};

}  // namespace

std::unique_ptr<ReportingSource> makeSessionReportingSource() { return std::make_unique<SessionReportingSource>(); }

}  // namespace td
