// The order ticket's refresh on the GUI thread for one price tick of its instrument: the quote
// header, the six bounds with their hints and colours, and both depth tables of five levels; once
// for the controller alone and once with its Qt window showing the result (offscreen).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <memory>
#include <string>

#include "../tests/session/NullSessionTransport.h"
#include "../tests/ui/TicketData.h"
#include "platform/AppContext.h"
#include "platform/Log.h"
#include "platform/ManualMainQueue.h"
#include "session/BusinessBase.h"
#include "ui/shell/GUIObjects.h"
#include "ui/ticket/TradeTicketWindow.h"
#include "ui/ticket/TradeTicketWindowController.h"

namespace td {
namespace {

QApplication& app() {
  static int argc = 1;
  static char name[] = "bench";
  static char* argv[] = {name, nullptr};
  static QApplication* instance = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return new QApplication(argc, argv);
  }();
  return *instance;
}

// An open ticket in advanced mode on a limit buy with take-profit and stop-loss, the depth drawer
// open, over a session whose price feed the benchmark moves.
struct OpenTicket {
  explicit OpenTicket(bool withWindow) {
    log::setLevel(log::Level::Warning);
    logindata->setUserName("demo");
    context->setNotificationCenter(notifications);
    context->setGuiObjects(std::make_shared<GUIObjects>());
    BusinessBase::Environment env;
    env.logindata = logindata.get();
    env.mainQueue = &queue;
    env.notifications = notifications;
    BusinessBase::Options options;
    options.transportFactory = [](ConnectionEvents&) { return std::make_unique<testing::NullSessionTransport>(); };
    session = BusinessBase::create(env, options);
    testing::installTicketSession(*context, session, queue, notifications);
    ticket = std::make_unique<TradeTicketWindowController>(TradeTicketWindowController::Options{&queue});
    if (withWindow) window = std::make_unique<TradeTicketWindow>(*ticket);
    ticket->runModalWindow();
    ticket->TradeTicketRadioButtonClicked(TradeTicketWindowController::kAdvancedMode);
    ticket->comboBoxSelectionIsChanging(TicketComboId::OrderType, "Limit");
    ticket->takeProfitCheckboxSelect(true);
    ticket->stopLossCheckboxSelect(true);
    ticket->toggleRightDrawer();
    if (withWindow) QApplication::processEvents();
  }
  ~OpenTicket() {
    window.reset();
    ticket.reset();
    context->setOrderMananger(nullptr);
    context->setBusinessbase(nullptr);
  }

  // One tick of EURUSD with fresh depth on both sides (the session's work, not timed).
  void tick(int n) {
    const double move = (n % 7) * 0.00001;
    auto item = session->referenceData().item("EURUSD");
    item->Bid = 1.0845 + move;
    item->Ask = 1.08462 + move;
    std::string line = "EURUSD;";
    for (int level = 0; level < 5; ++level) line += std::to_string(1.0845 + move - level * 0.00001) + ",5" + std::to_string(level) + "|";
    line += ";";
    for (int level = 0; level < 5; ++level) line += std::to_string(1.08462 + move + level * 0.00001) + ",7" + std::to_string(level) + "|";
    session->MarketDepthDecode(line);
  }

  ManualMainQueue queue;
  std::shared_ptr<NotificationCenter> notifications = std::make_shared<NotificationCenter>(&queue);
  std::shared_ptr<LoginInputdata> logindata = std::make_shared<LoginInputdata>(ServerPresets::shipped());
  std::shared_ptr<AppContext> context = std::make_shared<AppContext>(logindata);
  ScopedAppContext scoped{context};
  std::shared_ptr<BusinessBase> session;
  std::unique_ptr<TradeTicketWindowController> ticket;
  std::unique_ptr<TradeTicketWindow> window;
};

// Ticks measured one refresh each: the controller alone; with its window, the widgets taking the
// new texts (the painting left out of the timing); and with the painting of what changed (the
// offscreen platform paints in software, as on a desktop without GPU).
enum class Measure { Controller, Widgets, WidgetsAndPainting };

void refreshPerTick(benchmark::State& state, Measure measure) {
  app();
  OpenTicket open(measure != Measure::Controller);
  if (open.window) {
    open.window->show();
    QApplication::processEvents();
  }
  int n = 0;
  for (auto _ : state) {
    state.PauseTiming();
    open.tick(++n);
    state.ResumeTiming();
    open.ticket->UpdateValuesinTimer();
    if (measure == Measure::Widgets) state.PauseTiming();
    if (open.window) QApplication::processEvents();
    if (measure == Measure::Widgets) state.ResumeTiming();
  }
}

void BM_TicketRefreshPerTick(benchmark::State& state) { refreshPerTick(state, Measure::Controller); }
BENCHMARK(BM_TicketRefreshPerTick)->Unit(benchmark::kMicrosecond);

void BM_TicketRefreshPerTickWidgets(benchmark::State& state) { refreshPerTick(state, Measure::Widgets); }
BENCHMARK(BM_TicketRefreshPerTickWidgets)->Unit(benchmark::kMicrosecond);

void BM_TicketRefreshPerTickPainted(benchmark::State& state) { refreshPerTick(state, Measure::WidgetsAndPainting); }
BENCHMARK(BM_TicketRefreshPerTickPainted)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace td
