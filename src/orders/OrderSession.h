#pragma once
// What the order manager needs of the live session (BusinessBase and its connection). The session
// layer lies below the order manager, so the application wires a BusinessBase to this interface;
// tests implement it with a fake. Every call comes on the main thread.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace td {

class MessageBase;
class ReferenceData;
struct Order;

class OrderSession {
 public:
  virtual ~OrderSession() = default;

  // Items, accounts, groups with their instrument terms, trading-session settings.
  virtual const ReferenceData& referenceData() const = 0;
  // The connection's `isNetworkAvailable`.
  virtual bool isNetworkAvailable() const = 0;
  // The TCP session's socket is connected.
  virtual bool isSocketConnected() const = 0;
  // `Requestid`: the last request id taken from the server's replies.
  virtual std::int32_t Requestid() const = 0;
  // `Referenceid` from the login reply; none before it.
  virtual std::optional<std::string> Referenceid() const = 0;
  // `ServerTime`: the server time last received, "yyyyMMddHHmmss".
  virtual std::string ServerTime() const = 0;
  // `userName` of the login data.
  virtual std::string userName() const = 0;
  // The session's request writer.
  virtual MessageBase& messageBase() = 0;
  // `getOpenOrderCollection`: the open positions of the visible accounts.
  virtual std::vector<std::shared_ptr<Order>> getOpenOrderCollection() const = 0;
  // `currentAccountSelected`: the account chosen in the application.
  virtual std::int32_t currentAccountSelected() const = 0;

  // `PendingOrderCollection`: files an order sent by this client, where the server's first report
  // finds it by request id; and takes it out again when its request could not be sent.
  virtual void addPendingOrder(std::shared_ptr<Order> order) = 0;
  virtual void removePendingOrder(const std::shared_ptr<Order>& order) = 0;
  // Appends a line to `JournalDataCollection`.
  virtual void appendJournalLine(std::string line) = 0;
  // Stores one entry of `HedgeMarginCollection` (replacing one under the same key).
  virtual void setHedgeMargin(std::string key, std::string value) = 0;
};

}  // namespace td
