// The data-set service over the request channel: the history requests sent when the login is
// accepted, and the replies (data sets 1024, chart history 1041).
//
// The reply handlers are handled by the data-set code, which fills their bodies with the history rows,
// statements, transactions and chart cache; until then each one writes a debug line.

#include "platform/Log.h"
#include "session/BusinessBase.h"
#include "wire/DataSetRequests.h"

namespace td {
namespace {

std::int32_t userId(const BusinessBase& session) {
  const auto& user = session.userInfo();
  return user ? user->UserId : 0;
}

void report(bool sent, const char* what) {
  if (!sent) TD_LOG_WARN(std::string(what) + " not sent");
}

}  // namespace

void BusinessBase::requestOpenPosition() {
  report(DataSetRequests::requestOpenPosition(messageBase(), sessionValues(), userId(*this)), "requestOpenPosition");
}

void BusinessBase::requestPendingOrders() {
  report(DataSetRequests::requestPendingOrders(messageBase(), sessionValues(), userId(*this)), "requestPendingOrders");
}

void BusinessBase::requestSettledOrders() {
  report(DataSetRequests::requestSettledOrders(messageBase(), sessionValues(), userId(*this)), "requestSettledOrders");
}

void BusinessBase::requestCancelledOrders() {
  report(DataSetRequests::requestCancelledOrders(messageBase(), sessionValues(), userId(*this)),
         "requestCancelledOrders");
}

void BusinessBase::requestEquityPriceinfo(std::int32_t accountId) {
  report(DataSetRequests::requestEquityPriceinfo(messageBase(), sessionValues(), userId(*this), accountId),
         "requestEquityPriceinfo");
}

void BusinessBase::handleDataSetReply(const ReceivedMessage& message) {
  TD_LOG_DEBUG("data-set reply " + std::string(message.value(151).value_or("")) + " for the data-set code");
}

void BusinessBase::handleChartDataReply(const ReceivedMessage& message) {
  TD_LOG_DEBUG("chart reply of " + std::to_string(message.value(17).value_or("").size()) +
               " characters for the data-set code");
}

}  // namespace td
