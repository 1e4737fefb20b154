// The cost of writing a request: a 24-field new order filled, written in its tag order and framed,
// without and with the encrypted envelope.

#include <benchmark/benchmark.h>

#include "NewOrderTags.h"
#include "platform/Log.h"
#include "wire/MessageBase.h"
#include "wire/OrderRequests.h"
#include "wire/RequestCatalogue.h"

namespace {

using namespace td;

SessionValues session() { return {"alice", std::string("77"), 41, "20240102030405"}; }

OrderTagValues newOrder() {
  OrderTagValues o;
  o.AccountNumber = "1001";
  o.RequestId = 42;
  o.ItemCode = "EURUSD";
  o.orderTypeTag = 29;
  o.deliveryModeTag = 51;
  o.tradingModeTag = 45;
  o.timeinForceTag = 47;
  o.OrderQty = "2";
  o.OrderPrice = "1.08420";
  o.LimitPrice = "1.09500";
  o.StopPrice = "1.07500";
  o.Spread = "0";
  o.deviation = -1;
  o.CurrentStatus = "0";
  o.Bid = "1.08410";
  o.Ask = "1.08420";
  o.Last = "1.08415";
  o.High = "1.09000";
  o.Low = "1.08000";
  o.ItemTime = "20240102030000";
  o.TransactionDateTime = "20240102030400";
  return o;
}

// Fill the dictionary with the new order's 24 tags, write the body in its tag order and frame it.
void BM_NewOrderFillBuildFrame(benchmark::State& state) {
  const RequestKind* kind = RequestCatalogue::find(MessageType::Order, 0, 0, 0);
  const SessionValues s = session();
  const OrderTagValues o = newOrder();
  TagDictionary dict;
  std::string body;
  std::string frame;
  for (auto _ : state) {
    dict.clear();
    bench::setNewOrderTags(dict, o, s.userName, *s.Referenceid);
    body.clear();
    MessageBase::writeBody(dict, kind->tags.data(), kind->tags.size(), body);
    frame.clear();
    MessageBase::writeFrame(body, frame);
    benchmark::DoNotOptimize(frame.data());
  }
}
BENCHMARK(BM_NewOrderFillBuildFrame);

// The whole requester through MessageBase (lock, dictionary, catalogue, body, frame, hand-off) with a
// cipher that returns nothing, so that the envelope is left out.
void BM_NewOrderRequestWithoutEnvelope(benchmark::State& state) {
  log::setLevel(log::Level::Off);  // the "not sent" line of every round is not the subject here
  bench::DroppingSink sink;
  MessageBase messageBase(sink, [] { return std::string("9dA3fB71e0Cc"); },
                          [](std::string_view, std::string_view) { return std::optional<std::string>(); });
  const SessionValues s = session();
  const OrderTagValues o = newOrder();
  for (auto _ : state) benchmark::DoNotOptimize(OrderRequests::NewOrder(messageBase, s, o));
  log::setLevel(log::Level::Info);
}
BENCHMARK(BM_NewOrderRequestWithoutEnvelope);

// The whole requester with the real envelope: AES-256-CBC (key cached per pass phrase) and Base64.
void BM_NewOrderRequestEnveloped(benchmark::State& state) {
  log::setLevel(log::Level::Warning);  // request lines are not the subject here
  bench::DroppingSink sink;
  MessageBase messageBase(sink, [] { return std::string("9dA3fB71e0Cc"); });
  const SessionValues s = session();
  const OrderTagValues o = newOrder();
  for (auto _ : state) benchmark::DoNotOptimize(OrderRequests::NewOrder(messageBase, s, o));
  log::setLevel(log::Level::Info);
}
BENCHMARK(BM_NewOrderRequestEnveloped);

}  // namespace
