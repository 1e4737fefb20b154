#pragma once
// The order manager's view of a live session: a BusinessBase with its connection, login data,
// request writer and collections.

#include <memory>

#include "orders/OrderSession.h"

namespace td {

class BusinessBase;

class BusinessBaseOrderSession final : public OrderSession {
 public:
  explicit BusinessBaseOrderSession(std::shared_ptr<BusinessBase> session);

  const ReferenceData& referenceData() const override;
  bool isNetworkAvailable() const override;
  bool isSocketConnected() const override;
  std::int32_t Requestid() const override;
  std::optional<std::string> Referenceid() const override;
  std::string ServerTime() const override;
  std::string userName() const override;
  MessageBase& messageBase() override;
  std::vector<std::shared_ptr<Order>> getOpenOrderCollection() const override;
  std::int32_t currentAccountSelected() const override;
  void addPendingOrder(std::shared_ptr<Order> order) override;
  void removePendingOrder(const std::shared_ptr<Order>& order) override;
  void appendJournalLine(std::string line) override;
  void setHedgeMargin(std::string key, std::string value) override;

  const std::shared_ptr<BusinessBase>& businessbase() const { return session_; }

 private:
  std::shared_ptr<BusinessBase> session_;
};

}  // namespace td
