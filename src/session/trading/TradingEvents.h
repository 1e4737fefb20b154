#pragma once
// What the trading code asks of the rest of the session: the notifications, alerts and banners that
// follow a report (SessionNotifications posts them on the main queue), the price-feed subscriptions,
// the equity-hit request and the stored login password. BusinessBase implements it over its own
// objects; tests record the calls.
//
// Every call is made from a message handler on the main thread; an implementation posts whatever the
// user sees as a main-queue task of its own and never runs a modal loop inside the call.

#include <cstdint>
#include <string>
#include <vector>

#include "session/trading/OrderBook.h"

namespace td {

class TradingEvents {
 public:
  virtual ~TradingEvents() = default;

  // "PendingOrderNotification" with the new working limit or stop order; requestId is the request
  // id of the report that listed it (the order itself carries none).
  virtual void PendingOrderNotification(const OrderPtr& order, std::int32_t requestId) = 0;
  // The alert "Trade info" / "Order Status : Rejected\nReason : <reason>".
  virtual void OrderRejectionNotification(const std::string& reason) = 0;
  // Sound "order", then the trade confirmation as an alert or a banner.
  virtual void TradeConfirmationNotification(const std::string& text) = 0;
  // The table notifications, then the alert "Info" / "#<id>\nOrder settled for <code> @<price> ".
  virtual void ShowSettledOrderNotification(const std::string& itemCode, const std::string& settledPrice,
                                            const std::string& settlementId) = 0;
  // The margin-call banner for the account id ("%d").
  virtual void MarginCallNotification(const std::string& accountId) = 0;
  virtual void passwordChangeNotification() = 0;
  // A password-change reply whose status is not "success": the status as the server sent it (empty
  // when the reply carries none).
  virtual void passwordChangeRefusedNotification(const std::string& status) = 0;
  virtual void demoUserCreationNotification(const std::string& userInfo) = 0;
  virtual void demoUserCreationFailureNotification() = 0;

  // `ProcessSubscribeandUnSubscribeItems:Subscribe:` of the connection.
  virtual void subscribeItems(const std::vector<std::string>& codes, bool subscribe) = 0;
  // `requestEquityPriceinfo:`: the equity-hit prices of the account's positions.
  virtual void requestEquityPriceinfo(std::int32_t accountId) = 0;
  // `setPassword:` of the login data.
  virtual void setPassword(const std::string& password) = 0;
};

}  // namespace td
