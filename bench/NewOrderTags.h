#pragma once
// Shared by the request benchmarks: a sink that drops every frame it is handed, and the new order's
// 24 tags set into a dictionary one by one, as the request writer sets them.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string_view>

#include "wire/MessageBase.h"
#include "wire/OrderRequests.h"
#include "wire/RequestCatalogue.h"

namespace td::bench {

class DroppingSink : public MessageSink {
 public:
  bool SendMessage(std::string_view frame, bool) override {
    benchmark::DoNotOptimize(frame.data());
    return true;
  }
};

inline void setNewOrderTags(TagDictionary& dict, const OrderTagValues& o, std::string_view userName,
                            std::string_view referenceId) {
  dict.set(10, std::int64_t{MessageType::Order});
  dict.set(34, *o.AccountNumber);
  dict.set(23, userName);
  dict.set(33, std::int64_t{o.RequestId});
  dict.set(19, referenceId);
  dict.set(12, *o.ItemCode);
  dict.set(32, std::int64_t{o.orderTypeTag});
  dict.set(117, std::int64_t{o.deliveryModeTag});
  dict.set(37, *o.OrderQty);
  dict.set(38, *o.OrderPrice);
  dict.set(39, *o.LimitPrice);
  dict.set(40, *o.StopPrice);
  dict.set(90, *o.Spread);
  dict.set(36, std::int64_t{o.tradingModeTag});
  dict.set(77, std::int64_t{o.deviation});
  dict.set(24, *o.CurrentStatus);
  dict.set(43, std::int64_t{o.timeinForceTag});
  dict.set(56, *o.Bid);
  dict.set(54, *o.Ask);
  dict.set(61, *o.Last);
  dict.set(60, *o.High);
  dict.set(62, *o.Low);
  dict.set(67, *o.ItemTime);
  dict.set(78, *o.TransactionDateTime);
}

}  // namespace td::bench
