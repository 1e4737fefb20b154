#include "wire/OrderRequests.h"

#include <charconv>
#include <cmath>

#include "wire/RequestCatalogue.h"
#include "wire/Separators.h"

namespace td {
namespace {

// The tags that every order kind but the close of hedged positions carries from the record and
// the session: user, reference, instrument, codes, spread, status, time in force and the quote.
void storeCommon(MessageBase::Request& r, const SessionValues& session, const OrderTagValues& o) {
  r.set(23, session.userName);
  r.setIfPresent(19, session.Referenceid);
  r.setIfPresent(12, o.ItemCode);
  r.set(32, std::int64_t{o.orderTypeTag});
  r.set(117, std::int64_t{o.deliveryModeTag});
  r.setIfPresent(90, o.Spread);
  r.set(36, std::int64_t{o.tradingModeTag});
  r.setIfPresent(24, o.CurrentStatus);
  // A time in force without a code is left out, so its field reads "(null)".
  if (o.timeinForceTag != OrderRequests::kNoCode && o.timeinForceTag >= 0) r.set(43, std::int64_t{o.timeinForceTag});
  r.setIfPresent(56, o.Bid);
  r.setIfPresent(54, o.Ask);
  r.setIfPresent(61, o.Last);
  r.setIfPresent(60, o.High);
  r.setIfPresent(62, o.Low);
  r.setIfPresent(67, o.ItemTime);
  r.setIfPresent(78, o.TransactionDateTime);
}

// New and bulk orders: a take-profit or stop-loss goes as its text when above 0, else empty.
void storePositivePrice(MessageBase::Request& r, int tag, const std::optional<std::string>& price) {
  if (price && OrderRequests::leadingNumber(*price) > 0) {
    r.set(tag, *price);
  } else {
    r.set(tag, std::string_view());
  }
}

// Edits: the record's price when its box is ticked, else "0", which clears it.
void storeEnabledPrice(MessageBase::Request& r, int tag, bool enabled, const std::optional<std::string>& price) {
  if (enabled) {
    r.setIfPresent(tag, price);
  } else {
    r.set(tag, "0");
  }
}

void appendFixed6(std::string& out, double value) {
  char buf[400];  // "%f" of the largest double has 309 digits before the point
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 6);
  out.append(buf, res.ptr);
}

void appendInt(std::string& out, std::int64_t value) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, res.ptr);
}

}  // namespace

double OrderRequests::leadingNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Only digits and the point may start the number: from_chars would also take "inf" and "nan".
  if (i >= text.size() || !((text[i] >= '0' && text[i] <= '9') || text[i] == '.')) return 0;
  double value = 0;
  const auto res = std::from_chars(text.data() + i, text.data() + text.size(), value, std::chars_format::general);
  if (res.ec != std::errc() || !std::isfinite(value)) return 0;
  return negative ? -value : value;
}

BuildResult OrderRequests::NewOrder(MessageBase& messageBase, const SessionValues& session, const OrderTagValues& o) {
  auto r = messageBase.beginRequest(MessageType::Order);
  r.setNeworderrequestType(0);
  r.set(10, std::int64_t{MessageType::Order});
  r.setIfPresent(34, o.AccountNumber);
  r.set(33, std::int64_t{o.RequestId});
  r.setIfPresent(37, o.OrderQty);
  r.setIfPresent(38, o.OrderPrice);
  storePositivePrice(r, 39, o.LimitPrice);
  storePositivePrice(r, 40, o.StopPrice);
  r.set(77, std::int64_t{o.deviation});
  storeCommon(r, session, o);
  return r.BuildMessage();
}

BuildResult OrderRequests::ClosingOrder(MessageBase& messageBase, const SessionValues& session, const OrderTagValues& o,
                                 std::string_view orderNo) {
  auto r = messageBase.beginRequest(MessageType::Order);
  r.setNeworderrequestType(1);
  r.set(10, std::int64_t{MessageType::Order});
  r.setIfPresent(34, o.AccountNumber);
  r.set(125, orderNo);
  r.set(33, std::int64_t{o.RequestId});
  r.setIfPresent(37, o.OrderQty);
  r.setIfPresent(38, o.OrderPrice);
  r.set(77, std::int64_t{o.deviation});
  storeCommon(r, session, o);
  return r.BuildMessage();
}

BuildResult OrderRequests::EditBracketOrder(MessageBase& messageBase, const SessionValues& session, const OrderTagValues& o,
                                     std::string_view orderNo, const std::optional<std::string>& price,
                                     bool takeProfitEnabled, bool stopLossEnabled) {
  auto r = messageBase.beginRequest(MessageType::EditOrder);
  r.setEditorderrequestType(0);
  r.set(10, std::int64_t{MessageType::EditOrder});
  r.set(1035, "EBO");
  r.setIfPresent(34, o.AccountNumber);
  r.set(573, orderNo);
  r.set(33, std::int64_t{o.RequestId});
  r.setIfPresent(37, o.OrderQty);
  r.setIfPresent(38, price);
  storeEnabledPrice(r, 39, takeProfitEnabled, o.LimitPrice);
  storeEnabledPrice(r, 40, stopLossEnabled, o.StopPrice);
  storeCommon(r, session, o);
  return r.BuildMessage();
}

BuildResult OrderRequests::EditWorkingOrder(MessageBase& messageBase, const SessionValues& session, const OrderTagValues& o,
                                     std::string_view orderNo, std::int32_t editorderReqType,
                                     const std::optional<std::string>& price, bool takeProfitEnabled,
                                     bool stopLossEnabled) {
  // Kind 0 would select the bracket edit's layout.
  if (editorderReqType != 1 && editorderReqType != 2) return BuildResult::Status::UnknownRequest;
  auto r = messageBase.beginRequest(MessageType::EditOrder);
  r.setEditorderrequestType(editorderReqType);
  r.set(10, std::int64_t{MessageType::EditOrder});
  r.set(1035, "EWO");
  r.setIfPresent(34, o.AccountNumber);
  r.set(79, orderNo);
  r.set(33, std::int64_t{o.RequestId});
  if (editorderReqType == 1) {
    r.set(37, "0");
  } else {
    r.setIfPresent(37, o.OrderQty);
  }
  r.setIfPresent(38, price);
  storeEnabledPrice(r, 39, takeProfitEnabled, o.LimitPrice);
  storeEnabledPrice(r, 40, stopLossEnabled, o.StopPrice);
  storeCommon(r, session, o);
  return r.BuildMessage();
}

BuildResult OrderRequests::BulkOrder(MessageBase& messageBase, const SessionValues& session, const OrderTagValues& o,
                              std::string_view orderDetails) {
  auto r = messageBase.beginRequest(MessageType::BulkOrder);
  r.set(10, std::int64_t{MessageType::BulkOrder});
  r.setIfPresent(38, o.OrderPrice);
  storePositivePrice(r, 39, o.LimitPrice);
  storePositivePrice(r, 40, o.StopPrice);
  r.set(77, std::int64_t{o.deviation});
  storeCommon(r, session, o);
  r.set(91, orderDetails);
  return r.BuildMessage();
}

BuildResult OrderRequests::CloseHedgedPositions(MessageBase& messageBase, const SessionValues& session,
                                         std::string_view offsetList, std::string_view itemCode,
                                         std::string_view accountNo, const std::optional<std::string>& ServerTime) {
  auto r = messageBase.beginRequest(MessageType::CloseHedgedPositions);
  r.set(10, std::int64_t{MessageType::CloseHedgedPositions});
  r.set(34, accountNo);
  r.set(12, itemCode);
  r.set(583, offsetList);
  r.set(23, session.userName);
  r.setIfPresent(19, session.Referenceid);
  r.setIfPresent(21, ServerTime);
  return r.BuildMessage();
}

std::string OrderRequests::bulkOrderDetails(std::span<const BulkOrderEntry> rows, std::int32_t Requestid) {
  std::string out;
  const std::int32_t id = nextRequestId(Requestid);
  for (const BulkOrderEntry& row : rows) {
    appendInt(out, row.AccountId);
    out.push_back(MessageInnerTagSeperatortw);
    appendFixed6(out, row.quantity);
    out.push_back(MessageInnerTagSeperatortw);
    appendInt(out, id);
    out.push_back(MessageInnerTagSeperatorthr);
  }
  return out;
}

std::string OrderRequests::offsetList(const OffsetEntry& position, std::span<const OffsetEntry> opposite) {
  std::string out;
  const auto entry = [&out](const OffsetEntry& e) {
    out.append(e.positionId);
    out.push_back(MessageInnerTagSeperatortw);
    out.append(e.quantity);
    out.push_back(MessageInnerTagSeperatorthr);
  };
  entry(position);
  out.push_back(MessageInnerTagSeperatorfou);
  for (const OffsetEntry& e : opposite) entry(e);
  out.push_back(MessageInnerTagSeperatorfou);
  return out;
}

}  // namespace td
