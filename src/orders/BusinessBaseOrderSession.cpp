#include "orders/BusinessBaseOrderSession.h"

#include <algorithm>

#include "platform/LoginInputdata.h"
#include "session/BusinessBase.h"
#include "wire/OrderRequests.h"

namespace td {

BusinessBaseOrderSession::BusinessBaseOrderSession(std::shared_ptr<BusinessBase> session)
    : session_(std::move(session)) {}

const ReferenceData& BusinessBaseOrderSession::referenceData() const {
  return static_cast<const BusinessBase&>(*session_).referenceData();
}
bool BusinessBaseOrderSession::isNetworkAvailable() const { return session_->conn().isNetworkAvailable(); }
bool BusinessBaseOrderSession::isSocketConnected() const { return session_->conn().isConnected(); }
std::int32_t BusinessBaseOrderSession::Requestid() const { return session_->Requestid(); }
std::optional<std::string> BusinessBaseOrderSession::Referenceid() const { return session_->Referenceid(); }
std::string BusinessBaseOrderSession::ServerTime() const { return session_->ServerTime().value_or(std::string()); }
std::string BusinessBaseOrderSession::userName() const { return session_->logindata().userName(); }
MessageBase& BusinessBaseOrderSession::messageBase() { return session_->messageBase(); }
std::vector<std::shared_ptr<Order>> BusinessBaseOrderSession::getOpenOrderCollection() const {
  return session_->getOpenOrderCollection();
}
std::int32_t BusinessBaseOrderSession::currentAccountSelected() const { return session_->currentAccountSelected(); }

void BusinessBaseOrderSession::addPendingOrder(std::shared_ptr<Order> order) {
  session_->PendingOrderCollection.push_back(std::move(order));
}

void BusinessBaseOrderSession::removePendingOrder(const std::shared_ptr<Order>& order) {
  std::erase(session_->PendingOrderCollection, order);
}

void BusinessBaseOrderSession::appendJournalLine(std::string line) {
  session_->JournalDataCollection().push_back(std::move(line));
}

void BusinessBaseOrderSession::setHedgeMargin(std::string key, std::string value) {
  // The session keeps the figure as a number; the text is the "%.2f" of it.
  session_->HedgeMarginCollection[std::move(key)] = OrderRequests::leadingNumber(value);
}

}  // namespace td
