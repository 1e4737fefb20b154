// The data-set channel of the session: its requests and its replies (data sets 1024, chart history
// 1041), each one line over the session's DataSetService.

#include "platform/Log.h"
#include "session/BusinessBase.h"

namespace td {
namespace {

std::int32_t userId(const BusinessBase& session) {
  const auto& user = session.userInfo();
  return user ? user->UserId : 0;
}

bool report(bool sent, const char* what) {
  if (!sent) TD_LOG_WARN(std::string(what) + " not sent");
  return sent;
}

}  // namespace

std::size_t BusinessBase::requestInitialDataSets() {
  return datasets_.requestInitialDataSets(messageBase(), sessionValues(), userId(*this));
}

bool BusinessBase::requestEquityPriceinfo(std::int32_t accountId) {
  return report(datasets_.requestEquityPriceinfo(messageBase(), sessionValues(), userId(*this), accountId),
                "requestEquityPriceinfo");
}

bool BusinessBase::requestExecutedPosition(const SearchInfo& search) {
  return report(datasets_.requestExecutedPosition(messageBase(), sessionValues(), userId(*this), search),
                "requestExecutedPosition");
}

bool BusinessBase::requestFinancialTransactions(const SearchInfo& search) {
  return report(datasets_.requestFinancialTransactions(messageBase(), sessionValues(), userId(*this), search),
                "requestFinancialTransactions");
}

std::optional<std::uint64_t> BusinessBase::requestBankDetails(const AccountDetails& account) {
  const std::uint64_t request = requestsSent_;
  if (!report(datasets_.requestBankDetails(messageBase(), sessionValues(), userId(*this), account),
              "requestBankDetails")) {
    return std::nullopt;
  }
  datasets_.bankRequestSent(request);
  return request;
}

bool BusinessBase::requestAccountStatement(const AccountStatementRequest& parameters) {
  return report(datasets_.requestAccountStatement(messageBase(), sessionValues(), userId(*this), parameters),
                "requestAccountStatement");
}

bool BusinessBase::requestChartData(std::string_view itemCode, std::string_view interval, std::int32_t noOfData) {
  return report(datasets_.requestChartData(messageBase(), sessionValues(), itemCode, interval, noOfData, requestsSent_),
                "requestChartData");
}

bool BusinessBase::changeMyPassword(std::string_view oldPassword, std::string_view newPassword) {
  return report(datasets_.changeMyPassword(messageBase(), sessionValues(), oldPassword, newPassword),
                "changeMyPassword");
}

void BusinessBase::handleDataSetReply(const ReceivedMessage& message) {
  datasets_.processDSResponse(message.value(159).value_or(""), message.value(151).value_or(""));
}

void BusinessBase::handleChartDataReply(const ReceivedMessage& message) {
  datasets_.ChartDataReceived(message.value(17).value_or(""), message.requestId());
}

}  // namespace td
