// The position and order lists on a large book, in the client's own session, order desk and
// windows (offscreen): the resident memory with 5,000 items and 10,000 orders in the lists, and the
// main thread's time for the open positions list of 10,000 positions while 50 instruments tick
// every 10 ms (the list's work each second: the price and profit cells, the totals and the repaint;
// and a whole reload on a table notification).
//
// Run each benchmark in a process of its own for the memory figure:
//   bench_ui_positions --benchmark_filter=ResidentMemory

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QTabWidget>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "../tests/model/LoginDataSetWriter.h"
#include "../tests/session/NullSessionTransport.h"
#include "../tests/ui/QtTestApp.h"
#include "orders/BusinessBaseOrderSession.h"
#include "orders/OrderMananger.h"
#include "platform/AppContext.h"
#include "platform/Defaults.h"
#include "platform/Log.h"
#include "platform/ManualMainQueue.h"
#include "session/BusinessBase.h"
#include "session/trading/ProfitAndLoss.h"
#include "ui/positions/PositionListView.h"
#include "ui/positions/PositionsPane.h"

namespace td {
namespace {

constexpr int kTicking = 50;  // instruments with positions, each ticking every 10 ms

double residentMegabytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  }
  return 0;
}

std::string code(int i) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "I%04d", i);
  return buffer;
}

testing::LoginDataSet dataSet(int items) {
  testing::LoginDataSet d;
  d.user = {{{"userid", "1"}}};
  d.itemTypes = {{{"InstrumentTypeId", "1"}, {"InstrumentTypeName", "Forex"}}};
  d.sessions = {{{"SettingsId", "1"}, {"EnterLimitOrder", "1"}, {"EnterMarketOrder", "1"}}};
  d.groups = {{{"GroupId", "1"}, {"Name", "G"}, {"TradingEnabled", "1"}, {"LeverageOnFProfit", "100"},
               {"RevLeverageOnFLoss", "100"}}};
  for (int i = 0; i < items; ++i) {
    d.items.push_back({{"InstrumentId", std::to_string(i + 1)}, {"Name", "Instrument " + std::to_string(i)},
                       {"Code", code(i)}, {"Enabled", "1"}, {"InstrumentTypeId", "1"}, {"TickSize", "0.0001"},
                       {"DecimalPlaces", "4"}, {"ContractSize", "100000"}, {"PLCalcModeId", "1"}, {"Bid", "1.1"},
                       {"Ask", "1.1002"}, {"CurrentTradeSessionSettingId", "1"}, {"AvailableOrderTypes", "231"},
                       {"#38", "3"}});
    d.groupInstruments.push_back({{"groupdetailsid", std::to_string(i + 1)}, {"groupid", "1"},
                                  {"InstrumentId", std::to_string(i + 1)}, {"OrderQtyStep", "1"},
                                  {"MaxOrderQty", "100"}, {"MinOrderQty", "1"}, {"Initialmargin", "1000"},
                                  {"MarginCalcModeId", "1"}});
  }
  for (int a = 0; a < 10; ++a) {
    d.accounts.push_back({{"AccountId", std::to_string(1001 + a)}, {"GroupId", "1"}, {"Balance", "100000"},
                          {"AccountAccessTypeId", "1"}, {"TradingStatusId", "1"}, {"AvailableOrderTypes", "231"}});
  }
  return d;
}

std::shared_ptr<Order> order(int n, int items) {
  auto o = std::make_shared<Order>();
  o->AccountNumber = std::to_string(1001 + n % 10);
  o->ItemCode = code(n % items);
  o->tradingMode = n % 2;
  o->orderType = 2;
  o->deliveryMode = 1;
  o->timeinForce = 1;
  o->OrderQty = o->RemainingQty = o->SettledQty = std::to_string(1 + n % 5);
  o->OrderPrice = "1.0950";
  o->SettledPrice = "1.1010";
  o->SettledPL = "123.40";
  o->OpenPositionId = std::to_string(100000 + n);
  o->PendingOrderId = std::to_string(200000 + n);
  o->SettlementId = std::to_string(300000 + n);
  o->TransactionDateTime = o->ItemTime = "12/03/2024 08:45:03";
  o->Commision = 2.5;
  return o;
}

// The client of one login, with its collections filled and the lists in a window of their own.
struct Client {
  Client(int items, int open, int working, int settled, int cancelled, int ticking)
      : defaultsFile(std::filesystem::temp_directory_path() /
                     ("td-positions-bench-" + std::to_string(::getpid()) + ".json")) {
    log::setLevel(log::Level::Off);
    queue.bindToCurrentThread();
    MainQueue::setInstance(&queue);
    logindata.setUserName("bench");
    auto context = std::make_shared<AppContext>(std::make_shared<LoginInputdata>(ServerPresets::shipped()));
    context->setNotificationCenter(std::make_shared<NotificationCenter>(&queue));
    defaults = std::make_shared<Defaults>(defaultsFile);
    context->setDefaults(defaults);
    installed = std::make_unique<ScopedAppContext>(context);
    BusinessBase::Environment env;
    env.logindata = &logindata;
    env.mainQueue = &queue;
    env.notifications = context->notificationCenter();
    env.defaults = defaults;
    BusinessBase::Options options;
    options.transportFactory = [](ConnectionEvents&) { return std::make_unique<testing::NullSessionTransport>(); };
    session = BusinessBase::create(env, options);
    session->referenceData().FillAmpDetails(dataSet(items).amp());
    context->setBusinessbase(session);
    context->setOrderMananger(std::make_shared<OrderMananger>(std::make_shared<BusinessBaseOrderSession>(session)));
    int n = 0;
    for (int i = 0; i < open; ++i) session->OpenOrderCollection.push_back(order(n++, ticking));
    for (int i = 0; i < working; ++i) session->PendingOrderCollection.push_back(order(n++, items));
    for (int i = 0; i < settled; ++i) session->SettledOrderCollection.push_back(order(n++, items));
    for (int i = 0; i < cancelled; ++i) session->CancelledOrderCollection.push_back(order(n++, items));

    window.resize(1280, 320);
    tabs = new QTabWidget(&window);
    tabs->resize(window.size());
    pane = new PositionsPane(&window, tabs, std::make_unique<LivePositionsSession>(), context->notificationCenter());
    window.show();
    for (int t = 0; t < tabs->count(); ++t) {
      tabs->setCurrentIndex(t);
      QApplication::processEvents();
    }
    tabs->setCurrentIndex(0);
    QApplication::processEvents();
  }
  ~Client() {
    delete pane;
    session.reset();
    installed.reset();
    MainQueue::setInstance(nullptr);
    std::error_code ec;
    std::filesystem::remove(defaultsFile, ec);
  }

  // One round of ticks: every ticking instrument gets a new price, as the feed delivers it.
  void tickRound(int round) {
    for (int i = 0; i < kTicking; ++i) {
      const int bid = (round * 7 + i * 13) % 40;
      const std::string line = code(i) + "\x04" "20240102030405\x04" "1.1\x04" + std::to_string(bid + 1) + "\x04" +
                               std::to_string(bid) + "\x04" + std::to_string(bid + 2) + "\x04" "60\x04" "0\x04" "0\x04"
                               "0\x04" "4";
      session->PriceUpdateDecode(line);
    }
  }
  void paintOpenList() {
    pane->openPositionsView()->viewport()->repaint();
    pane->openPositionsStatus()->repaint();
  }

  QApplication& application = test::qtTestApp();  // before any widget
  ManualMainQueue queue;
  LoginInputdata logindata{ServerPresets::shipped()};
  std::filesystem::path defaultsFile;
  std::shared_ptr<Defaults> defaults;
  std::unique_ptr<ScopedAppContext> installed;
  std::shared_ptr<BusinessBase> session;
  QWidget window;
  QTabWidget* tabs = nullptr;
  PositionsPane* pane = nullptr;
};

void BM_ResidentMemory(benchmark::State& state) {
  test::qtTestApp();
  const double before = residentMegabytes();
  for (auto _ : state) {
    Client client(5000, 4000, 3000, 2000, 1000, kTicking);
    state.counters["rss_MB"] = residentMegabytes();
    state.counters["qt_alone_MB"] = before;
    state.counters["rows"] = client.pane->openPositions().rowCount() + client.pane->workingOrders().rowCount() +
                             client.pane->settledPositions().rowCount() +
                             client.pane->cancelledOrders().rowCount();
  }
}
BENCHMARK(BM_ResidentMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

// One second of the open positions list: 100 rounds of ticks on 50 instruments and the main
// window's floating profit (not timed: the session's and the main window's work), then the list's
// refresh and repaint (timed). The share is the list's time over the second.
void BM_OpenListSecond(benchmark::State& state) {
  Client client(5000, static_cast<int>(state.range(0)), 0, 0, 0, kTicking);
  OpenPositionTableController& list = client.pane->openPositions();
  int round = 0;
  double listSeconds = 0;
  std::int64_t seconds = 0;
  for (auto _ : state) {
    for (int k = 0; k < 100; ++k) client.tickRound(round++);
    ProfitAndLoss::refreshFloatingFigures(client.session->referenceData(), client.session->OpenOrderCollection);
    const auto start = std::chrono::steady_clock::now();
    list.RefreshTableview();
    client.paintOpenList();
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(spent.count());
    listSeconds += spent.count();
    ++seconds;
  }
  state.counters["gui_share_pct"] = 100.0 * listSeconds / static_cast<double>(seconds);
}
BENCHMARK(BM_OpenListSecond)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);

// A burst of table notifications (the session posts them after every server message): the whole
// list read again once and repainted.
void BM_OpenListReload(benchmark::State& state) {
  Client client(5000, static_cast<int>(state.range(0)), 0, 0, 0, kTicking);
  NotificationCenter& center = *AppContext::current()->notificationCenter();
  for (auto _ : state) {
    for (int i = 0; i < 100; ++i) center.post("OpenPositionTableNotification");
    client.queue.runPending();
    client.paintOpenList();
  }
}
BENCHMARK(BM_OpenListReload)->Arg(10000)->Unit(benchmark::kMillisecond);

// For comparison, the session's own work of one second of ticks (5,000 price lines).
void BM_TicksOfOneSecond(benchmark::State& state) {
  Client client(5000, 10000, 0, 0, 0, kTicking);
  int round = 0;
  for (auto _ : state) {
    for (int k = 0; k < 100; ++k) client.tickRound(round++);
  }
}
BENCHMARK(BM_TicksOfOneSecond)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace td
