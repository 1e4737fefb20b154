// The simulated server's chart record: what one price costs it (one bar update per interval, or a
// new bar when an interval begins), what a feed tick costs with it, and what the record costs to
// make at the start and to answer a chart request from.

#include <benchmark/benchmark.h>

#include <cstdint>

#include "ChartRecord.h"
#include "PriceFeed.h"
#include "Scenario.h"
#include "ServerMessage.h"

namespace td::sim {
namespace {

constexpr std::int64_t kStart = 1800000000;

// One price of one instrument into a bar of every interval, all within their newest bars.
void BM_RecordPriceWithinBars(benchmark::State& state) {
  const Scenario scenario = Scenario::builtIn();
  ChartRecord record(scenario, 1, kStart);
  const ChartRecord::Moment at = ChartRecord::momentAt(localWallClock(kStart));
  double price = 1.08452;
  for (auto _ : state) {
    price = price == 1.08452 ? 1.08453 : 1.08452;
    record.record(0, at, price);
  }
  benchmark::DoNotOptimize(record.newest(0, ChartRecord::kMinute));
}
BENCHMARK(BM_RecordPriceWithinBars);

// One price a minute later than the one before: a new bar of the minute interval (and of the longer
// ones as their intervals begin), pushing the oldest out of the full record.
void BM_RecordPriceOpeningBars(benchmark::State& state) {
  const Scenario scenario = Scenario::builtIn();
  ChartRecord record(scenario, 1, kStart);
  std::int64_t wall = localWallClock(kStart);
  double price = 1.08452;
  for (auto _ : state) {
    wall += 60;
    price = price == 1.08452 ? 1.08453 : 1.08452;
    record.record(0, ChartRecord::momentAt(wall), price);
  }
  benchmark::DoNotOptimize(record.newest(0, ChartRecord::kMinute));
}
BENCHMARK(BM_RecordPriceOpeningBars);

// A feed tick without its lines: the local clock once, then for each of the built-in scenario's six
// instruments a step of the walk, its quote, its bars and the day's figures.
void BM_FeedStep(benchmark::State& state) {
  const Scenario scenario = Scenario::builtIn();
  PriceFeed feed(scenario, 1, kStart);
  std::int64_t now = kStart;
  for (auto _ : state) feed.step(++now);
  state.counters["instruments"] = static_cast<double>(scenario.instruments.size());
}
BENCHMARK(BM_FeedStep);

// A whole feed tick with its price, depth and status lines, for comparison.
void BM_FeedTick(benchmark::State& state) {
  const Scenario scenario = Scenario::builtIn();
  PriceFeed feed(scenario, 1, kStart);
  std::int64_t now = kStart;
  for (auto _ : state) benchmark::DoNotOptimize(feed.tick(++now));
}
BENCHMARK(BM_FeedTick);

// The record of the time before the start, for the six instruments: what a server start costs, at
// the fastest feed the server accepts (a tick every 5 ms), its default (500 ms) and its slowest.
void BM_MakeRecord(benchmark::State& state) {
  const Scenario scenario = Scenario::builtIn();
  const double stepsPerSecond = 1000.0 / static_cast<double>(state.range(0));
  for (auto _ : state) {
    ChartRecord record(scenario, 1, kStart, stepsPerSecond);
    benchmark::DoNotOptimize(record.newest(0, ChartRecord::kDay));
  }
}
BENCHMARK(BM_MakeRecord)->ArgName("tickMs")->Arg(5)->Arg(500)->Arg(60000)->Unit(benchmark::kMillisecond);

// A reply of the most bars a request may ask for, of a minute chart and of a weekly one.
void BM_ChartReply(benchmark::State& state) {
  const Scenario scenario = Scenario::builtIn();
  const ChartRecord record(scenario, 1, kStart, 2);
  const char* interval = state.range(0) == 0 ? "O" : "W";
  for (auto _ : state) benchmark::DoNotOptimize(record.chart("EURUSD", interval, ChartRecord::kMaxBars));
}
BENCHMARK(BM_ChartReply)->ArgName("weekly")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The reply to a chart's own request (200 minute bars), which every chart opened asks for.
void BM_ChartReply200Bars(benchmark::State& state) {
  const Scenario scenario = Scenario::builtIn();
  const ChartRecord record(scenario, 1, kStart, 2);
  for (auto _ : state) benchmark::DoNotOptimize(record.chart("EURUSD", "O", 200));
}
BENCHMARK(BM_ChartReply200Bars)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace td::sim
