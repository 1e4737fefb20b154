#include "wire/DataSetRequests.h"

#include "wire/RequestCatalogue.h"

namespace td {
namespace {

// Type 1023 of one kind with the tags every kind shares: context, page size and count, request id
// and user id.
MessageBase::Request beginDataSet(MessageBase& messageBase, const SessionValues& session, std::int32_t kind,
                                  std::string_view context, std::int32_t UserId) {
  auto r = messageBase.beginRequest(MessageType::DataSet);
  r.setDsrequestType(kind);
  r.set(10, std::int64_t{MessageType::DataSet})
      .set(151, context)
      .set(152, DataRequestCount)
      .set(153, NoofPages)
      .set(20, std::int64_t{nextRequestId(session.Requestid)})
      .set(115, std::int64_t{UserId});
  return r;
}

}  // namespace

bool DataSetRequests::requestHistory(MessageBase& messageBase, const SessionValues& session, std::int32_t UserId,
                                     std::string_view context) {
  auto r = beginDataSet(messageBase, session, 0, context, UserId);
  return SessionRequests::buildWithMessageProperties(r, session);
}

bool DataSetRequests::requestOpenPosition(MessageBase& messageBase, const SessionValues& session,
                                          std::int32_t UserId) {
  return requestHistory(messageBase, session, UserId, OpenPositionContext);
}

bool DataSetRequests::requestPendingOrders(MessageBase& messageBase, const SessionValues& session,
                                           std::int32_t UserId) {
  return requestHistory(messageBase, session, UserId, PendingOrderContext);
}

bool DataSetRequests::requestSettledOrders(MessageBase& messageBase, const SessionValues& session,
                                           std::int32_t UserId) {
  return requestHistory(messageBase, session, UserId, SettledOrderContext);
}

bool DataSetRequests::requestCancelledOrders(MessageBase& messageBase, const SessionValues& session,
                                             std::int32_t UserId) {
  return requestHistory(messageBase, session, UserId, CancelledOrderContext);
}

bool DataSetRequests::requestEquityPriceinfo(MessageBase& messageBase, const SessionValues& session,
                                             std::int32_t UserId, std::int32_t accountId) {
  auto r = beginDataSet(messageBase, session, 1, EquityHitPriceinfoContext, UserId);
  r.set(160, "0").set(34, std::int64_t{accountId});
  return SessionRequests::buildWithMessageProperties(r, session);
}

bool DataSetRequests::requestFinancialTransactions(MessageBase& messageBase, const SessionValues& session,
                                                   std::int32_t UserId, const SearchValues& search) {
  auto r = beginDataSet(messageBase, session, 2, FinancialTransactionsContext, UserId);
  r.setIfPresent(34, search.AccountNumber)
      .setIfPresent(575, search.FromDate)
      .setIfPresent(576, search.ToDate)
      .setIfPresent(551, search.TransactionDetails);
  return SessionRequests::buildWithMessageProperties(r, session);
}

bool DataSetRequests::requestAccountStatement(MessageBase& messageBase, const SessionValues& session,
                                              std::int32_t UserId, const std::optional<std::string>& accountId,
                                              const std::optional<std::string>& fromDate,
                                              const std::optional<std::string>& toDate) {
  auto r = beginDataSet(messageBase, session, 3, AccountStatementContext, UserId);
  r.setIfPresent(34, accountId).setIfPresent(575, fromDate).setIfPresent(576, toDate);
  return SessionRequests::buildWithMessageProperties(r, session);
}

bool DataSetRequests::requestBankDetails(MessageBase& messageBase, const SessionValues& session,
                                         std::int32_t UserId, std::int32_t accountId) {
  auto r = beginDataSet(messageBase, session, 4, BankDetailsContext, UserId);
  r.set(34, std::int64_t{accountId}).set(1132, "1");
  return SessionRequests::buildWithMessageProperties(r, session);
}

bool DataSetRequests::requestExecutedPosition(MessageBase& messageBase, const SessionValues& session,
                                              std::int32_t UserId, const SearchValues& search) {
  auto r = beginDataSet(messageBase, session, 5, ExecutedPositionsContext, UserId);
  r.setIfPresent(575, search.FromDate).setIfPresent(576, search.ToDate);
  return SessionRequests::buildWithMessageProperties(r, session);
}

bool DataSetRequests::requestChartData(MessageBase& messageBase, const SessionValues& session,
                                       std::string_view itemCode, std::string_view interval, std::int64_t noOfData) {
  auto r = messageBase.beginRequest(MessageType::ChartData);
  r.set(10, std::int64_t{MessageType::ChartData})
      .set(12, itemCode)
      .set(83, interval)
      .set(20, std::int64_t{session.Requestid})
      .set(1025, noOfData);
  return SessionRequests::buildWithMessageProperties(r, session);
}

}  // namespace td
