// The column watchlist under load: 500 items on the board, prices applied by the session on the GUI
// thread, coalesced per frame into the model and painted by a real table view (offscreen).
//   BM_WatchlistTick: the cost of one price tick, from the feed line to the model's bookkeeping,
//     with the frame flush (dataChanged of the changed cells) amortised over the ticks of a frame;
//   BM_WatchlistModelPerTick: the model's part of it alone.
//   BM_WatchlistUnderLoad: 5,000 price updates a second for 10 seconds into a shown table; reports
//     the share of the GUI thread spent (everything on it: decoding, the session, the model, the
//     painting) and the frames per second the table painted.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTableView>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>

#include "../tests/model/LoginDataSetWriter.h"
#include "../tests/session/NullSessionTransport.h"
#include "../tests/ui/QtTestApp.h"
#include "platform/Defaults.h"
#include "platform/Log.h"
#include "platform/LoginInputdata.h"
#include "platform/NotificationCenter.h"
#include "session/BusinessBase.h"
#include "ui/QtMainQueue.h"
#include "ui/watchlist/WatchlistTableController.h"

namespace td {
namespace {

constexpr int kItems = 500;

std::string code(int i) { return "ITEM" + std::to_string(i); }

testing::LoginDataSet dataSet() {
  testing::LoginDataSet d;
  d.user = {{{"userid", "1"}}};
  d.itemTypes = {{{"InstrumentTypeId", "1"}, {"InstrumentTypeName", "Forex"}}};
  d.sessions = {{{"SettingsId", "1"}, {"SettingsName", "Open"}}};
  for (int i = 0; i < kItems; ++i) {
    d.items.push_back({{"InstrumentId", std::to_string(i + 1)}, {"Name", "Item " + std::to_string(i)},
                       {"Code", code(i)}, {"Enabled", "1"}, {"InstrumentTypeId", "1"}, {"TickSize", "0.0001"},
                       {"DecimalPlaces", "4"}, {"IsAvailableForWatchList", "1"},
                       {"CurrentTradeSessionSettingId", "1"}});
  }
  return d;
}

// One price line of an item: bid (in 0.0001 above 1.1) and an ask 3 points above, high and low, the
// time stamp of second `second`.
std::string priceLine(int item, long bid, long second) {
  char line[160];
  std::snprintf(line, sizeof line, "%s\x04" "20240102%06ld\x04" "1.1\x04" "0\x04" "%ld\x04" "%ld\x04" "1500\x04"
                "500\x04" "0\x04" "0\x04" "4", code(item).c_str(), 100000 + second % 100000, bid, bid + 3);
  return line;
}

// A feed of random ticks: each line moves a randomly chosen item's price a point up or down.
class Feed {
 public:
  Feed() : bids_(kItems, 1000) {}
  std::string next(long second) {
    const int item = static_cast<int>(random_() % kItems);
    bids_[item] += random_() % 2 ? 1 : -1;
    return priceLine(item, bids_[item], second);
  }

 private:
  std::minstd_rand random_{42};
  std::vector<long> bids_;
};

struct Board {
  Board() : defaultsFile(std::filesystem::temp_directory_path() /
                         ("td-watchlist-bench-" + std::to_string(::getpid()) + ".json")) {
    test::qtTestApp();
    log::setLevel(log::Level::Off);
    logindata.setUserName("bench");
    defaults = std::make_shared<Defaults>(defaultsFile);
    BusinessBase::Environment env;
    env.logindata = &logindata;
    env.mainQueue = &queue;
    env.notifications = notifications;
    env.defaults = defaults;
    BusinessBase::Options options;
    options.transportFactory = [](ConnectionEvents&) { return std::make_unique<testing::NullSessionTransport>(); };
    session = BusinessBase::create(env, options);
    session->referenceData().FillAmpDetails(dataSet().amp());
    WatchlistTableController::Services services;
    services.session = [this] { return session; };
    services.notifications = notifications.get();
    services.mainQueue = &queue;
    model = std::make_unique<WatchlistTableController>(services);
  }
  ~Board() {
    model.reset();
    session.reset();
    defaults.reset();
    std::error_code ec;
    std::filesystem::remove(defaultsFile, ec);
    log::setLevel(log::Level::Info);
  }

  QtMainQueue queue;
  std::shared_ptr<NotificationCenter> notifications = std::make_shared<NotificationCenter>(&queue);
  LoginInputdata logindata{ServerPresets::shipped()};
  std::filesystem::path defaultsFile;
  std::shared_ptr<Defaults> defaults;
  std::shared_ptr<BusinessBase> session;
  std::unique_ptr<WatchlistTableController> model;
};

double threadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void BM_WatchlistTick(benchmark::State& state) {
  Board board;
  if (board.model->rowCount() != kItems) state.SkipWithError("the board does not hold every item");
  Feed feed;
  std::vector<std::string> lines;
  for (long step = 0; step < 20000; ++step) lines.push_back(feed.next(step / 5000));
  // 5,000 ticks a second at 60 frames a second: a frame flush every 83 ticks.
  constexpr long kTicksPerFrame = 83;
  long n = 0;
  for (auto _ : state) {
    board.session->ZMQNewMessage(lines[n % lines.size()]);
    if (++n % kTicksPerFrame == 0) board.model->livePrices().flush();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WatchlistTick);

// The model's share of a tick alone: the item record changed in place, its notification, the
// coalescing and the amortised frame flush.
void BM_WatchlistModelPerTick(benchmark::State& state) {
  Board board;
  std::vector<std::shared_ptr<ItemDetails>> items;
  std::vector<std::string> codes;
  for (int i = 0; i < kItems; ++i) {
    codes.push_back(code(i));
    items.push_back(board.session->referenceData().item(codes.back()));
  }
  std::minstd_rand random(7);
  constexpr long kTicksPerFrame = 83;
  long n = 0;
  for (auto _ : state) {
    const auto i = random() % kItems;
    items[i]->Bid += (random() % 2 ? 0.0001 : -0.0001);
    board.notifications->post("PriceUpdateNotification", codes[i]);
    if (++n % kTicksPerFrame == 0) board.model->livePrices().flush();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WatchlistModelPerTick);

class PaintCounter final : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

void BM_WatchlistUnderLoad(benchmark::State& state) {
  const double seconds = static_cast<double>(state.range(0));
  constexpr double kRate = 5000;
  for (auto _ : state) {
    Board board;
    QTableView view;
    view.setModel(board.model.get());
    view.resize(420, 900);
    view.show();
    PaintCounter counter;
    view.viewport()->installEventFilter(&counter);
    QApplication::processEvents();

    long sent = 0;
    Feed lines;
    QElapsedTimer clock;
    // The feed: every millisecond the lines that are due at 5,000 a second.
    QTimer feed;
    feed.setTimerType(Qt::PreciseTimer);
    QObject::connect(&feed, &QTimer::timeout, [&] {
      const long due = static_cast<long>(static_cast<double>(clock.nsecsElapsed()) * 1e-9 * kRate);
      for (; sent < due; ++sent) board.session->ZMQNewMessage(lines.next(sent / 5000));
    });
    // Model frames: the flushes that changed at least one cell (their dataChanged come in one go;
    // the once-a-second refresh counts as one more).
    long frames = 0;
    qint64 lastFrame = -1;
    QObject::connect(board.model.get(), &QAbstractItemModel::dataChanged, [&] {
      const qint64 now = clock.nsecsElapsed() / 1000000;
      if (now != lastFrame) ++frames;
      lastFrame = now;
    });
    counter.paints = 0;
    const double cpuStart = threadSeconds();
    clock.start();
    feed.start(1);
    QTimer::singleShot(static_cast<int>(seconds * 1000), [] { QApplication::exit(); });
    QApplication::exec();
    feed.stop();
    const double wall = static_cast<double>(clock.nsecsElapsed()) * 1e-9;
    const double cpu = threadSeconds() - cpuStart;
    state.SetIterationTime(wall);
    state.counters["updates_per_s"] = static_cast<double>(sent) / wall;
    state.counters["gui_thread_share_pct"] = 100.0 * cpu / wall;
    state.counters["table_fps"] = counter.paints / wall;
    state.counters["model_frames_per_s"] = static_cast<double>(frames) / wall;
    state.counters["cpu_us_per_update"] = 1e6 * cpu / static_cast<double>(sent);
  }
}
BENCHMARK(BM_WatchlistUnderLoad)->Arg(10)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
}  // namespace td
