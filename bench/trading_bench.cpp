// Costs of the trading state: execution reports against a book of working orders, and the refresh
// of the floating profit and loss with the account figures over many open positions.

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "../tests/session/trading/NullTradingEvents.h"
#include "TradingFixtures.h"
#include "model/ReferenceData.h"
#include "platform/Log.h"
#include "session/ReceivedMessage.h"
#include "session/trading/ExecutionReports.h"
#include "session/trading/ProfitAndLoss.h"
#include "session/trading/ReadSide.h"
#include "wire/MessageBase.h"

namespace td {
namespace {

using bench::makeReference;
using bench::openPositions;

// A received report: framed as the server writes it and cut into fields as the dispatcher does.
struct Frame {
  std::string text;
  ReceivedMessage message;
};

std::unique_ptr<Frame> report(int type, const std::vector<std::pair<int, std::string>>& fields) {
  std::string body = "10=" + std::to_string(type) + "\x03";
  for (const auto& [tag, value] : fields) body += std::to_string(tag) + "=" + value + "\x03";
  std::string wire;
  MessageBase::writeFrame(body, wire);
  auto frame = std::make_unique<Frame>();
  frame->text = wire.substr(1, wire.size() - 2);
  frame->message.parse(frame->text);
  return frame;
}

// 10,000 reports against a book of 1,000 working orders: edits, partial fills, executions of working
// orders (each looked up among the working and the filled ones), status updates of the new
// positions, cancellations and new working orders, in a fixed pseudo-random mix.
void BM_ExecutionReportsAgainstWorkingOrders(benchmark::State& state) {
  log::setLevel(log::Level::Off);
  const auto reference = makeReference(50, 20);
  const int working = 1000;
  const int reports = 10000;
  std::vector<std::unique_ptr<Frame>> initial;
  for (int i = 0; i < working; ++i) {
    initial.push_back(report(62, {{73, "28"}, {12, "I" + std::to_string(i % 50)}, {34, std::to_string(100 + i % 20)},
                                  {32, i % 2 ? "30" : "31"}, {36, "45"}, {37, "5"}, {38, "1.2345"}, {39, "1.3"},
                                  {40, "1.1"}, {43, "47"}, {76, "5"}, {78, "20240102030405"},
                                  {79, "W" + std::to_string(i)}, {81, "T"}, {117, "51"}, {570, "R"}}));
  }
  std::mt19937 rng(7);
  std::vector<std::unique_ptr<Frame>> stream;
  int positions = 0;
  int nextWorking = working;
  for (int i = 0; i < reports; ++i) {
    const int pick = static_cast<int>(rng() % 100);
    const std::string w = "W" + std::to_string(rng() % working);
    if (pick < 40) {
      stream.push_back(report(62, {{73, "75"}, {79, w}, {12, "I1"}, {32, "30"}, {37, "5"}, {38, "1.2350"},
                                   {39, "1.31"}, {76, "5"}, {78, "20240102030405"}}));
    } else if (pick < 60) {
      stream.push_back(report(62, {{73, "22"}, {79, w}, {76, "3"}, {37, "5"}, {78, "20240102030405"}}));
    } else if (pick < 80) {
      stream.push_back(report(67, {{73, "74"}, {33, "1"}, {12, "I2"}, {34, "101"}, {76, "2"}, {545, "4"}, {37, "5"},
                                   {38, "1.2"}, {78, "20240102030405"}, {79, w},
                                   {80, "P" + std::to_string(positions++)}}));
    } else if (pick < 90 && positions > 0) {
      stream.push_back(report(67, {{73, "73"}, {80, "P" + std::to_string(rng() % positions)}, {76, "1"}, {545, "4"},
                                   {37, "5"}}));
    } else if (pick < 95) {
      stream.push_back(report(62, {{73, "24"}, {79, w}, {12, "I3"}, {32, "30"}, {37, "5"}, {78, "20240102030405"}}));
    } else {
      stream.push_back(report(62, {{73, "28"}, {12, "I4"}, {34, "102"}, {32, "30"}, {37, "1"}, {38, "1.2"},
                                   {76, "1"}, {79, "W" + std::to_string(nextWorking++)}}));
    }
  }
  testing::NullTradingEvents events;
  const ReportContext context{0, std::string("20240102030405")};
  for (auto _ : state) {
    state.PauseTiming();
    OwnedOrderBook owned;
    ExecutionReports handler(owned.book(), *reference, events);
    for (const auto& f : initial) handler.ProcessOrderReport(f->message, context);
    state.ResumeTiming();
    for (const auto& f : stream) {
      if (f->message.type() == 62) {
        handler.ProcessOrderReport(f->message, context);
      } else {
        handler.ProcessPositionReport(f->message, context);
      }
    }
    benchmark::DoNotOptimize(owned.OpenOrderCollection.size());
  }
  state.SetItemsProcessed(state.iterations() * reports);
  log::setLevel(log::Level::Info);
}
BENCHMARK(BM_ExecutionReportsAgainstWorkingOrders)->Unit(benchmark::kMillisecond);

// The refresh as the windows run it one call at a time: CalcPL on every visible position, then
// calcAccountDetails on every account (each walking the visible positions).
void BM_CalcPLThenCalcAccountDetailsPerAccount(benchmark::State& state) {
  const auto reference = makeReference(50, 20);
  const OrderList open = openPositions(*reference, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    for (const OrderPtr& o : ReadSide::visibleOrders(open, *reference)) ProfitAndLoss::CalcPL(*o, *reference);
    for (const auto& [key, account] : reference->AccountDetailCollection()) {
      ProfitAndLoss::calcAccountDetails(account->AccountId, *reference, open);
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CalcPLThenCalcAccountDetailsPerAccount)->Arg(10000)->Unit(benchmark::kMicrosecond);

// The same refresh in one pass.
void BM_RefreshFloatingFigures(benchmark::State& state) {
  const auto reference = makeReference(50, 20);
  const OrderList open = openPositions(*reference, static_cast<int>(state.range(0)));
  for (auto _ : state) ProfitAndLoss::refreshFloatingFigures(*reference, open);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RefreshFloatingFigures)->Arg(10000)->Unit(benchmark::kMicrosecond);

// calcAccountDetails of one account over all positions (what the accounts table does per row).
void BM_CalcAccountDetailsOneAccount(benchmark::State& state) {
  const auto reference = makeReference(50, 20);
  const OrderList open = openPositions(*reference, static_cast<int>(state.range(0)));
  for (auto _ : state) ProfitAndLoss::calcAccountDetails(105, *reference, open);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CalcAccountDetailsOneAccount)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace td
