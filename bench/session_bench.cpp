// The session's hot paths: one price line decoded and applied to its item, one 25-field execution
// report parsed with three of its fields read and one through the whole dispatcher, and a burst of
// 100,000 price lines from a ZeroMQ publisher through the subscription thread and the main queue
// into the items.

#include <benchmark/benchmark.h>
#include <zmq.h>

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "../tests/model/LoginDataSetWriter.h"
#include "../tests/session/NullSessionTransport.h"
#include "platform/Defaults.h"
#include "platform/Log.h"
#include "platform/LoginInputdata.h"
#include "platform/ManualMainQueue.h"
#include "platform/NotificationCenter.h"
#include "session/BusinessBase.h"
#include "session/PriceFeed.h"
#include "session/ReceivedMessage.h"
#include "transport/ZMQContext.h"

namespace td {
namespace {

testing::LoginDataSet dataSet() {
  testing::LoginDataSet d;
  d.user = {{{"userid", "1"}}};
  d.itemTypes = {{{"InstrumentTypeId", "1"}, {"InstrumentTypeName", "Forex"}}};
  for (int i = 0; i < 40; ++i) {
    d.items.push_back({{"InstrumentId", std::to_string(i + 1)}, {"Name", "Item " + std::to_string(i)},
                       {"Code", i == 7 ? std::string("EURUSD") : "ITEM" + std::to_string(i)}, {"Enabled", "1"},
                       {"InstrumentTypeId", "1"}, {"TickSize", "0.0001"}, {"DecimalPlaces", "4"}});
  }
  return d;
}

struct Bench {
  explicit Bench(bool realTransport) : defaultsFile(std::filesystem::temp_directory_path() /
                                                    ("td-session-bench-" + std::to_string(::getpid()) + ".json")) {
    log::setLevel(log::Level::Off);
    logindata.setUserName("bench");
    defaults = std::make_shared<Defaults>(defaultsFile);
    BusinessBase::Environment env;
    env.logindata = &logindata;
    env.mainQueue = &queue;
    env.notifications = std::make_shared<NotificationCenter>(&queue);
    env.defaults = defaults;
    BusinessBase::Options options;
    if (!realTransport) options.transportFactory = [](ConnectionEvents&) { return std::make_unique<testing::NullSessionTransport>(); };
    session = BusinessBase::create(env, options);
    session->referenceData().FillAmpDetails(dataSet().amp());
  }
  ~Bench() {
    session.reset();
    defaults.reset();
    std::error_code ec;
    std::filesystem::remove(defaultsFile, ec);
    log::setLevel(log::Level::Info);
  }

  ManualMainQueue queue;
  LoginInputdata logindata{ServerPresets::shipped()};
  std::filesystem::path defaultsFile;
  std::shared_ptr<Defaults> defaults;
  std::shared_ptr<BusinessBase> session;
};

const std::string kPriceLine =
    "EURUSD\x04" "20240102030405\x04" "1.1\x04" "50\x04" "45\x04" "47\x04" "60\x04" "40\x04" "44\x04" "30\x04"
    "0\x04" "4";

void BM_PriceLineDecode(benchmark::State& state) {
  PriceUpdate tick;
  for (auto _ : state) {
    benchmark::DoNotOptimize(decodePriceLine(kPriceLine, tick));
  }
}
BENCHMARK(BM_PriceLineDecode);

void BM_PriceLineDecodeAndApply(benchmark::State& state) {
  Bench bench(false);
  for (auto _ : state) {
    benchmark::DoNotOptimize(bench.session->PriceUpdateDecode(kPriceLine));
  }
  if (bench.session->stats().priceLinesApplied == 0) state.SkipWithError("no line applied");
}
BENCHMARK(BM_PriceLineDecodeAndApply);

std::string executionReport() {
  std::string body = "10=62\x03";
  const int tags[] = {20, 21, 23, 24, 34, 12, 32, 117, 36, 37, 38, 39, 40, 43, 73, 74, 79, 80, 33, 19, 76, 573,
                      78, 90};
  for (const int tag : tags) {
    body += std::to_string(tag) + "=";
    body += tag == 73 ? "21" : tag == 21 ? "20240102030405" : tag == 12 ? "EURUSD" : "12345";
    body += '\x03';
  }
  return std::to_string(body.size()) + "\x03" + body;
}

// A working order's execution report as the server sends it: 25 fields, a 220-byte body.
std::string workingOrderReport() {
  const char* const fields[] = {
      "10=62", "20=41", "33=41", "34=1001", "12=EURUSD", "32=30", "36=45", "37=1.5", "38=1.08345", "39=1.09000",
      "40=1.07500", "43=47", "117=51", "73=28", "76=1.5", "78=20240102030405", "79=70012", "81=70012",
      "570=1", "573=0", "21=20240102030405", "19=8F3A2C71D0E4", "23=demotrader", "24=0", "90=0"};
  std::string body;
  for (const char* field : fields) body.append(field).push_back('\x03');
  return std::to_string(body.size()) + "\x03" + body;
}

void BM_ExecutionReportParseAndRead(benchmark::State& state) {
  const std::string frame = workingOrderReport();
  for (auto _ : state) {
    ReceivedMessage message;
    message.parse(frame);
    benchmark::DoNotOptimize(message.intValue(73));
    benchmark::DoNotOptimize(message.value(79));
    benchmark::DoNotOptimize(message.value(38));
  }
  state.SetLabel(std::to_string(frame.size() - frame.find('\x03') - 1) + "-byte body");
}
BENCHMARK(BM_ExecutionReportParseAndRead);

void BM_ExecutionReportDispatch(benchmark::State& state) {
  Bench bench(false);
  const std::string frame = executionReport();
  std::size_t n = 0;
  for (auto _ : state) {
    bench.session->NewMessage(frame);
    if (++n % 4096 == 0) {
      state.PauseTiming();
      bench.queue.runPending();  // the table notifications each message posts
      state.ResumeTiming();
    }
  }
}
BENCHMARK(BM_ExecutionReportDispatch);

void BM_PriceBurstThroughSubscription(benchmark::State& state) {
  Bench bench(true);
  auto context = ZMQContext::create(1);
  auto pub = context->socketWithType(ZMQ_PUB);
  int hwm = 0;
  zmq_setsockopt(pub->socket(), ZMQ_SNDHWM, &hwm, sizeof hwm);
  pub->bindToEndpoint("tcp://127.0.0.1:*");
  std::string endpoint = pub->dataForOption(ZMQ_LAST_ENDPOINT).value_or("");
  while (!endpoint.empty() && endpoint.back() == '\0') endpoint.pop_back();
  const int port = std::stoi(endpoint.substr(endpoint.rfind(':') + 1));
  bench.session->conn().ConnectToZMQSubServer("127.0.0.1", port);
  bench.session->conn().ProcessSubscribeandUnSubscribeItems({"EURUSD"}, true);
  // Wait until the subscription stands (a PUB socket drops what no subscriber wants yet).
  const auto applied = [&] { return bench.session->stats().priceLinesApplied; };
  while (applied() == 0) {
    pub->sendData(kPriceLine, 0);
    bench.queue.runUntil([&] { return applied() > 0; }, std::chrono::milliseconds(20));
  }
  constexpr std::uint64_t kBurst = 100000;
  for (auto _ : state) {
    const std::uint64_t target = applied() + kBurst;
    for (std::uint64_t i = 0; i < kBurst; ++i) pub->sendData(kPriceLine, 0);
    if (!bench.queue.runUntil([&] { return applied() >= target; }, std::chrono::seconds(60))) {
      state.SkipWithError("burst not delivered in time");
      break;
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kBurst));
  bench.session.reset();
  pub->closeWithoutLinger();
  context->terminate();
}
BENCHMARK(BM_PriceBurstThroughSubscription)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace td
