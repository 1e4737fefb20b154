#pragma once
// The read side of the trading state: what the windows and the handlers get of the live collections.
// Every getter returns a new array (the records in it are the live, shared records) without the
// records of hidden accounts.
//
// A hidden account is one whose trading status is 3 (Suspended) or 6 (Closed) or whose access type
// is 4 or 10. An order belongs to the account stored under its AccountNumber; an order whose account
// is hidden is hidden, an order whose account is unknown is shown.
//
// Main thread only, like the collections themselves, so no getter ever sees a collection change
// under it.

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "model/ReferenceData.h"
#include "session/trading/OrderBook.h"

namespace td {

class ReadSide {
 public:
  ReadSide(OrderBook book, const ReferenceData& reference, const std::vector<std::string>& selectedSymbols)
      : book_(book), reference_(reference), selectedSymbols_(selectedSymbols) {}

  static bool isVisibleAccount(const AccountDetails& account);
  static bool isVisibleOrder(const Order& order, const ReferenceData& reference);
  // The visible orders of a collection, in its order.
  static OrderList visibleOrders(const OrderList& orders, const ReferenceData& reference);

  OrderList getOpenOrderCollection() const { return visibleOrders(book_.OpenOrderCollection, reference_); }
  OrderList getOpenOrderCollectionCopy() const { return visibleOrders(book_.OpenOrderCollectionCopy, reference_); }
  OrderList getPendingOrderCollection() const { return visibleOrders(book_.PendingOrderCollection, reference_); }
  OrderList getCancelledOrderCollection() const { return visibleOrders(book_.CancelledOrderCollection, reference_); }
  OrderList getSettledOrderCollection() const { return visibleOrders(book_.SettledOrderCollection, reference_); }
  // The visible accounts, in the collection's key order.
  std::vector<std::shared_ptr<AccountDetails>> getAccountCollection() const;
  // The watchlist's codes, then those of the visible open positions, then of the visible working
  // orders; each code once, in that order of first appearance.
  std::vector<std::string> getAllItems() const;
  // In search mode the whole search result (no account filter); otherwise the visible open and
  // closed positions. Sorted by OpenPositionId: case-insensitive, runs of digits by their numeric
  // value (9 before 10); equal ids keep their order.
  OrderList getExecutedOrderCollection() const;
  void setExecutedPositionState(bool search) { book_.isExecutedPositionSearch = search; }
  void clearExecutedOrderSearchCollection() { book_.ExecutedOrderSearchCollection.clear(); }

  // The comparison of getExecutedOrderCollection: <0, 0, >0.
  static int compareIds(std::string_view a, std::string_view b);

  // The chat-room lists, over the session's rooms (any record with the flags isMessageNotices and
  // isChatRoomCreated), walked by key in descending order of the keys (compared without regard to
  // case, then as they are): the notice rooms of the back office, and the conversations that were
  // not opened by a room-creation exchange.
  template <class Rooms>
  static auto getMessageNoticesCollection(const Rooms& rooms) {
    return roomsWhere(rooms, [](const auto& room) { return room.isMessageNotices; });
  }
  template <class Rooms>
  static auto getrecentChatCollection(const Rooms& rooms) {
    return roomsWhere(rooms, [](const auto& room) { return !room.isMessageNotices && !room.isChatRoomCreated; });
  }
  // The order of the room keys: true when a comes before b in an ascending walk.
  static bool roomKeyLess(std::string_view a, std::string_view b);

 private:
  template <class Rooms, class Pred>
  static auto roomsWhere(const Rooms& rooms, Pred pred) {
    std::vector<std::string_view> keys;
    for (const auto& entry : rooms) keys.push_back(entry.first);
    std::sort(keys.begin(), keys.end(), [](std::string_view a, std::string_view b) { return roomKeyLess(b, a); });
    std::vector<typename Rooms::mapped_type> out;
    for (const std::string_view key : keys) {
      const auto it = rooms.find(key);
      if (it != rooms.end() && it->second && pred(*it->second)) out.push_back(it->second);
    }
    return out;
  }

  OrderBook book_;
  const ReferenceData& reference_;
  const std::vector<std::string>& selectedSymbols_;
};

}  // namespace td
