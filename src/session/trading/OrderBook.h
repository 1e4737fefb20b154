#pragma once
// The live order collections of one session, as the trading code sees them.
//
// The session object owns the collections; an OrderBook is a set of references to them, made
// whenever a handler runs (BusinessBase hands out its own fields, tests and benchmarks use
// OwnedOrderBook). Everything here runs on the main thread.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/Order.h"

namespace td {

using OrderPtr = std::shared_ptr<Order>;
using OrderList = std::vector<OrderPtr>;

struct OrderBook {
  OrderList& PendingOrderCollection;        // working orders, in arrival order
  OrderList& PendingOrderCollectionCopy;    // working orders removed by a fill, cancel or rejection
  OrderList& CancelledOrderCollection;      // cancelled and rejected orders
  OrderList& OpenOrderCollection;           // open positions
  OrderList& OpenOrderCollectionCopy;       // closed positions
  OrderList& SettledOrderCollection;        // settled records
  OrderList& ExecutedOrderSearchCollection; // result of the last executed-position search
  bool& isExecutedPositionSearch;
  std::vector<std::string>& JournalDataCollection;  // journal lines, newest last
};

// Collections of its own, for tests, benchmarks and tools.
struct OwnedOrderBook {
  OrderList PendingOrderCollection;
  OrderList PendingOrderCollectionCopy;
  OrderList CancelledOrderCollection;
  OrderList OpenOrderCollection;
  OrderList OpenOrderCollectionCopy;
  OrderList SettledOrderCollection;
  OrderList ExecutedOrderSearchCollection;
  bool isExecutedPositionSearch = false;
  std::vector<std::string> JournalDataCollection;

  OrderBook book() {
    return OrderBook{PendingOrderCollection,  PendingOrderCollectionCopy, CancelledOrderCollection,
                     OpenOrderCollection,     OpenOrderCollectionCopy,    SettledOrderCollection,
                     ExecutedOrderSearchCollection, isExecutedPositionSearch, JournalDataCollection};
  }
};

// Two record ids name the same record only when both are set: an id that a record never received
// (an order still waiting for its working-order id, a report without one) matches nothing.
inline bool sameId(std::string_view a, std::string_view b) { return !a.empty() && a == b; }

}  // namespace td
