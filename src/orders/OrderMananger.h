#pragma once
// The order desk of the client. It takes the order parameters a window gathered (`OrderInfo`),
// turns them into an order record, checks it against the account, group, instrument and trading
// session, fills and sends the request through the session's MessageBase, and reports every
// refusal and outcome on one notification, "PlaceOrderNotification", whose object is a text: a
// message for the user, or "AbortModal", which closes the open modal order sheet.
//
// Requests: new order (60/0), close of a position (60/1), bracket edit (72/0), working-order cancel
// and modify (72/1, 72/2), offset of hedged positions (1052) and the multi-account order (77).
// A request that cannot be handed to the transport is reported to the user, and so is one that was
// not built because a text the user typed holds a control character of the wire; a new order is filed
// in the session's pending collection before it is sent (so the server's first report always
// finds it) and taken out again when it could not go.
//
// The confirmation of a limit or stop order is shown once, when the server reports the working
// order of that very request ("PendingOrderNotification"); reports of other working orders show
// nothing.
//
// One instance per session, created with it; everything runs on the main thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/Order.h"
#include "model/OrderInfo.h"
#include "orders/OrderValidator.h"
#include "orders/PriceBounds.h"
#include "platform/NotificationCenter.h"

namespace td {

class BuildResult;
class MainQueue;
class OrderSession;
class UserAlerts;
struct OrderTagValues;
struct SessionValues;

class OrderMananger {
 public:
  static constexpr const char* kPlaceOrderNotification = "PlaceOrderNotification";
  static constexpr const char* kPendingOrderNotification = "PendingOrderNotification";
  static constexpr const char* kAbortModal = "AbortModal";
  static constexpr const char* kConfirmationTitle = "Order Confirmation";
  static constexpr const char* kCancelSound = "cancelOrder";
  // Strings key of the text shown when an order request could not be handed to the server.
  static constexpr const char* kOrderNotSentKey = "9301";
  // Strings key of the text shown when a field of the order holds a byte the wire cannot carry.
  static constexpr const char* kOrderUnsafeTextKey = "9306";
  // A working-order edit of a kind other than 1 (cancel) or 2 (modify).
  static constexpr const char* kEditKindNotValid = "Order edit request is not valid";

  // Where feedback goes. Unset members are taken from the current application context
  // (notification centre, alerts, selected language) and MainQueue::instance().
  struct Services {
    std::shared_ptr<NotificationCenter> notifications;
    std::shared_ptr<UserAlerts> alerts;
    MainQueue* mainQueue = nullptr;
    // `showConfirmationAlert` of the windows' settings: true shows confirmations as a modal alert,
    // false (and unset) as a banner.
    std::function<bool()> showConfirmationAlert;
    // The language of user-facing texts (0 English, 1 Simplified Chinese).
    std::function<int()> language;
  };

  // The session must outlive the manager; the shared forms keep it alive.
  explicit OrderMananger(OrderSession& session);
  OrderMananger(OrderSession& session, Services services);
  explicit OrderMananger(std::shared_ptr<OrderSession> session);
  OrderMananger(std::shared_ptr<OrderSession> session, Services services);
  ~OrderMananger();
  OrderMananger(const OrderMananger&) = delete;
  OrderMananger& operator=(const OrderMananger&) = delete;

  // `sendNotification:`: posts "PlaceOrderNotification" with the text, at once, on this thread.
  void sendNotification(const std::string& text) const;

  // The checks over the live session (connection, reference data, open positions).
  OrderValidator validator() const;
  // `Validate:` and `validateOffsetPosition::`: true when the order may go; else false after the
  // first failing check's text was posted.
  bool Validate(const Order& order, OrderValidator::Scope scope = OrderValidator::Scope::Full,
                std::span<const std::int32_t> boundAccounts = {}) const;
  bool validateOffsetPosition(std::string_view itemCode, std::string_view accountNumber) const;

  // `ValidationsBeforeOrderPlacing:`: the ticket's check before its confirmation step; builds the
  // record, validates it and keeps nothing.
  bool ValidationsBeforeOrderPlacing(const OrderInfo& info, std::span<const std::int32_t> boundAccounts = {}) const;
  // `GenerateOrder:`: the validated record, or none after the refusal was posted. A working-order
  // cancel (isEWO with editorderReqType 1) is checked for access and the session's permissions.
  std::shared_ptr<Order> GenerateOrder(const OrderInfo& info) const;
  // `GenerateBulkOrderDetails:`.
  Order GenerateBulkOrderDetails(const OrderInfo& info) const;

  // The requests. Each returns true when its request reached the transport; refusals and failures
  // have then been posted on "PlaceOrderNotification". `PlaceEditWorkingOrder` refuses a kind other
  // than 1 and 2 before any other check.
  bool PlaceOrder(const OrderInfo& info);
  bool PlacePartialOrder(const OrderInfo& info);
  bool PlaceEditBracketOrder(const OrderInfo& info);
  bool PlaceEditWorkingOrder(const OrderInfo& info);
  bool PlaceOffsetOrder(const std::string& offsetList, const std::string& itemCode, const std::string& accountNo);
  bool CreateNewBulkOrderMessage(const OrderInfo& info);

  // Feedback after a request was handed on. New orders (mode 0): the journal line, then the market
  // log line or, for limit and stop orders, the wait for their confirmation; closes (mode 1):
  // "AbortModal". Edits: kind 0 (bracket) and 2 (modify) "AbortModal"; kind 1 (cancel) queues the
  // sound "cancelOrder" on the main thread, then "AbortModal". Other modes and kinds do nothing.
  void ShowNewOrderMessages(const Order& order, std::int32_t mode);
  void ShowEditOrderMessages(const Order& order, std::int32_t kind);
  // The observer of "PendingOrderNotification" (object: the new working order, as
  // std::shared_ptr<Order> or Order). The confirmation is shown by a task on the main queue.
  void ShowOrderConfirmation(const Notification& notification);
  // The confirmation text of a working order.
  static std::string ConfirmationText(const Order& order);
  // Requests whose confirmation is still awaited.
  std::size_t awaitedConfirmations() const { return awaited_.size(); }

  // Bounds for the order windows (PriceBounds over the session's reference data): for the accounts
  // an order goes to, the farthest of their groups' bounds; a position's bracket for its account.
  std::string OrderTypeChange(std::int32_t orderType, std::int32_t side, std::string_view itemCode,
                              std::span<const std::int32_t> accountNumbers, int textForm) const;
  std::string UpdateTakeProfitandStopLoss(std::int32_t side, std::string_view itemCode, bool takeProfit,
                                          std::int32_t accountNumber, std::int32_t orderType,
                                          std::string_view orderPrice, int textForm,
                                          PriceBounds::BracketOf request = PriceBounds::BracketOf::OrderEntry) const;
  std::string UpdateTakeProfitandStopLoss(std::int32_t side, std::string_view itemCode, bool takeProfit,
                                          std::span<const std::int32_t> accountNumbers, std::int32_t orderType,
                                          std::string_view orderPrice, int textForm) const;
  // Margin of one lot of a position or order, from its account's group terms.
  double GetMarginForSingleLot(const Order& order) const;
  // `CalcHedgeMargin:`: stores the hedge margin of the position's item and delivery mode in the
  // account chosen in the application.
  void CalcHedgeMargin(const Order& position);

  // The fields of a record as the request writers take them.
  static OrderTagValues tagValues(const Order& order);

 private:
  struct Awaited {
    std::int32_t requestId;
    std::string itemCode;
  };

  SessionValues sessionValues() const;
  // Tells the user why a request that was not sent did not go.
  void reportNotSent(const BuildResult& result) const;
  void awaitConfirmation(const Order& order);
  void postToMain(std::function<void()> task) const;

  std::shared_ptr<OrderSession> owned_;
  OrderSession& session_;
  Services services_;
  std::vector<Awaited> awaited_;
  ObserverToken confirmationToken_ = 0;
};

}  // namespace td
