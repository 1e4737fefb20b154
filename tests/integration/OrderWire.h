#pragma once
// Order requests written by the client's own request writer (wire/OrderRequests) and opened as the
// simulated server reads them, and short forms of the reports that come back ("62/28", "67/74",
// "66", "1052", "1045"), for the order-flow tests.

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "ServerMessage.h"
#include "wire/MessageBase.h"
#include "wire/OrderRequests.h"
#include "wire/SessionRequests.h"

namespace td::testing {

inline SessionValues orderSession(const std::string& user) {
  return {user, std::string("70001"), 40, "20260101120000"};
}

// The fields of an order record as the order manager fills them.
inline OrderTagValues orderValues(int account, const std::string& code, int typeTag, bool buy, const std::string& qty,
                                  const std::string& price, std::int32_t requestId = 41) {
  OrderTagValues o;
  o.AccountNumber = std::to_string(account);
  o.RequestId = requestId;
  o.ItemCode = code;
  o.orderTypeTag = typeTag;
  o.deliveryModeTag = 51;
  o.tradingModeTag = buy ? 45 : 46;
  o.timeinForceTag = 47;
  o.OrderQty = qty;
  o.OrderPrice = price;
  o.Spread = "0";
  o.deviation = -1;
  o.CurrentStatus = "0";
  o.Bid = price;
  o.Ask = price;
  o.Last = price;
  o.High = price;
  o.Low = price;
  o.ItemTime = "20260101120000";
  o.TransactionDateTime = "20260101120000";
  return o;
}

inline std::string priceText(double value, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  return buf;
}

// Captures the enveloped frames a MessageBase writes and opens them again.
class OrderWire : public MessageSink {
 public:
  bool SendMessage(std::string_view frame, bool) override {
    frames.emplace_back(frame);
    return true;
  }
  // The plain message inside the last frame written.
  std::optional<sim::ServerMessage> last() const {
    if (frames.empty()) return std::nullopt;
    const std::string& f = frames.back();
    auto envelope = sim::ServerMessage::parse(std::string_view(f).substr(1, f.size() - 2));
    if (!envelope) return std::nullopt;
    return sim::openEnvelopedMessage(*envelope, key);
  }

  sim::ServerMessage newOrder(const OrderTagValues& o) {
    OrderRequests::NewOrder(writer, session, o);
    return *last();
  }
  sim::ServerMessage closingOrder(const OrderTagValues& o, int positionId) {
    OrderRequests::ClosingOrder(writer, session, o, std::to_string(positionId));
    return *last();
  }
  sim::ServerMessage editBracket(const OrderTagValues& o, int positionId, bool tp, bool sl) {
    OrderRequests::EditBracketOrder(writer, session, o, std::to_string(positionId), o.OrderPrice, tp, sl);
    return *last();
  }
  sim::ServerMessage editWorkingOrder(const OrderTagValues& o, int orderId, int kind, bool tp = false,
                                      bool sl = false) {
    OrderRequests::EditWorkingOrder(writer, session, o, std::to_string(orderId), kind, o.OrderPrice, tp, sl);
    return *last();
  }
  sim::ServerMessage bulkOrder(const OrderTagValues& o, const std::vector<BulkOrderEntry>& rows) {
    OrderRequests::BulkOrder(writer, session, o, OrderRequests::bulkOrderDetails(rows, session.Requestid));
    return *last();
  }
  sim::ServerMessage offset(int account, const std::string& code, const OffsetEntry& position,
                            const std::vector<OffsetEntry>& opposite) {
    OrderRequests::CloseHedgedPositions(writer, session, OrderRequests::offsetList(position, opposite), code,
                                        std::to_string(account), std::string("20260101120000"));
    return *last();
  }

  std::string key = "order-wire-test-key";
  SessionValues session = orderSession("demo");
  std::vector<std::string> frames;
  MessageBase writer{*this, [this] { return key; }};
};

// "62/28", "67/74", "66", "1052", "1045" ...
inline std::string kindOf(const sim::ServerMessage& m) {
  if (m.type == 62 || m.type == 67) return std::to_string(m.type) + "/" + std::string(m.get(73).value_or("?"));
  return std::to_string(m.type);
}

inline std::string field(const sim::ServerMessage& m, int tag) { return std::string(m.get(tag).value_or("-")); }

}  // namespace td::testing
