// The charts: parsing a 100,002-bar history reply (goal under 100 ms), one live tick on a
// 100,002-bar chart (goal under 1 ms of GUI-thread work, also after 1,000,000 ticks), and the
// redraw of a 300-bar visible window of candles by QCustomPlot, offscreen (goal under 16 ms).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "../tests/ui/QtTestApp.h"
#include "model/ItemDetails.h"
#include "platform/NotificationCenter.h"
#include "ui/charts/ChartController.h"
#include "ui/charts/PlotWidget.h"

namespace {

using namespace td::charts;

class BenchSession : public ChartSession {
 public:
  BenchSession() {
    item_->Code = "EURUSD";
    item_->DecimalPlaces = 5;
    item_->Last = 1.08452;
    item_->UpdateTime = "12/05/2014 13:45:10";
  }
  std::shared_ptr<const td::ItemDetails> item(std::string_view code) override {
    return code == "EURUSD" ? item_ : nullptr;
  }
  // Every history is as if just received, so each load draws from the cache.
  std::optional<CachedReply> cachedReply(std::string_view key) override {
    const auto it = cache.find(std::string(key));
    if (it == cache.end()) return std::nullopt;
    return CachedReply{it->second, td::Clock::Duration::zero()};
  }
  std::optional<std::int32_t> nextRequestId() override { return 1; }
  bool requestChartData(std::string_view, std::string_view, std::int32_t) override { return false; }
  std::optional<std::int32_t> requestInFlight(std::string_view) override { return std::nullopt; }
  std::vector<std::string> selectedSymbols() override { return {"EURUSD"}; }
  td::NotificationCenter& notifications() override { return centre; }
  td::MainQueue* mainQueue() override { return nullptr; }

  std::shared_ptr<td::ItemDetails> item_ = std::make_shared<td::ItemDetails>();
  std::map<std::string, std::string> cache;
  td::NotificationCenter centre;
};

// A graph that draws nothing: what the engine itself costs.
class NoGraph : public Graph {
 public:
  PlotSpace& plotSpace() override { return space; }
  Axis& xAxis() override { return axis; }
  Axis& yAxis() override { return axis; }
  void setStyle(const GraphStyle&) override {}
  void setDataSource(PlotDataSource*) override {}
  void addPlot(const std::string&, const PlotStyle&) override {}
  bool removePlot(std::string_view) override { return false; }
  void removeAllPlots() override {}
  std::vector<std::string> plotIdentifiers() const override { return {}; }
  void reloadData() override {}

  class NoAxis : public Axis {
   public:
    void setStyle(const AxisStyle&) override {}
    void setFixedTicks(const AxisTicks&) override {}
    void setMajorIntervalLength(double) override {}
    void setLabelingOrigin(double) override {}
    void setLabelFractionDigits(int) override {}
  };
  PlotSpace space;
  NoAxis axis;
};

std::string reply(const std::string& key, int bars) {
  std::string dates, times, closes, highs, lows, opens;
  char buffer[64];
  for (int i = 0; i < bars; ++i) {
    const char* sep = i ? "," : "";
    const int minutes = i;
    std::snprintf(buffer, sizeof buffer, "%02d/%02d/%02d", 1 + (minutes / 44640) % 12, 1 + (minutes / 1440) % 28,
                  14 + minutes / 535680);
    dates += sep;
    dates += buffer;
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:00", (minutes / 60) % 24, minutes % 60);
    times += sep;
    times += buffer;
    const double c = 1.08 + 0.002 * ((i * 7919) % 1000) / 1000.0;
    auto add = [&](std::string& to, double v, int width) {
      std::snprintf(buffer, sizeof buffer, "%.*f", width, v);
      to += sep;
      to += buffer;
    };
    add(closes, c, 5);
    add(highs, c + 0.0004, 5);
    add(lows, c - 0.0004, 5);
    add(opens, c - 0.0001, 5);
  }
  return "<CHART~" + key + "~" + std::to_string(bars) + ">" + dates + "#" + times + "#" + closes + "#" + highs + "#" +
         lows + "#" + opens + "<END>";
}

const std::string& bigReply() {
  static const std::string text = reply("EURUSD^O", 100002);
  return text;
}

void BM_ParseReply100002Bars(benchmark::State& state) {
  BenchSession session;
  NoGraph graph;
  ChartController engine(session);
  engine.setGraph(&graph);
  for (auto _ : state) {
    engine.DataProcessing(bigReply());
    benchmark::DoNotOptimize(engine.DATAPOINTS());
  }
  state.counters["bars"] = static_cast<double>(engine.DATAPOINTS() + 1);
}
BENCHMARK(BM_ParseReply100002Bars)->Unit(benchmark::kMillisecond);

// What a chart does with the reply to its request (200 bars, as a chart asks): parse and draw.
void BM_LoadReply200Bars(benchmark::State& state) {
  BenchSession session;
  NoGraph graph;
  ChartController engine(session);
  engine.setGraph(&graph);
  const std::string text = reply("EURUSD^O", 200);
  for (auto _ : state) {
    engine.DataProcessing(text);
    benchmark::DoNotOptimize(engine.DATAPOINTS());
  }
}
BENCHMARK(BM_LoadReply200Bars)->Unit(benchmark::kMicrosecond);

// Opening a chart whose 100,002-bar history was filed moments ago: drawn from the cache.
void BM_OpenKeptHistory100002Bars(benchmark::State& state) {
  BenchSession session;
  session.cache["EURUSD^O"] = bigReply();
  NoGraph graph;
  ChartController engine(session);
  engine.setGraph(&graph);
  for (auto _ : state) {
    engine.setValue("EURUSD", "1#3");
    benchmark::DoNotOptimize(engine.DATAPOINTS());
  }
  state.counters["bars"] = static_cast<double>(engine.DATAPOINTS() + 1);
}
BENCHMARK(BM_OpenKeptHistory100002Bars)->Unit(benchmark::kMillisecond);

// One tick of the live-bar timer that changes the price, on a chart of 100,002 bars; `after`
// changing ticks have run before the measuring starts. On a tick chart every change opens a bar, so
// the full series drops its oldest bar at every tick. Without `moving`, the measured ticks find the
// price unchanged (most seconds of a quiet market).
void liveTicks(benchmark::State& state, const char* key, long after, bool moving = true) {
  BenchSession session;
  session.cache["EURUSD^O"] = bigReply();
  session.cache["EURUSD^T"] = bigReply();
  NoGraph graph;
  ChartController engine(session);
  engine.setGraph(&graph);
  engine.setValue("EURUSD", key);
  long k = 0;
  auto step = [&] {
    session.item_->Last = 1.08 + 0.00001 * static_cast<double>(++k % 500);
    engine.newChartData();
  };
  for (long i = 0; i < after; ++i) step();
  if (moving) {
    for (auto _ : state) step();
  } else {
    step();
    for (auto _ : state) engine.newChartData();
  }
  state.counters["bars"] = static_cast<double>(engine.DATAPOINTS());
}
void BM_LiveTickMinuteBars(benchmark::State& state) { liveTicks(state, "1#3", state.range(0)); }
void BM_LiveTickTickBars(benchmark::State& state) { liveTicks(state, "0#3", state.range(0)); }
BENCHMARK(BM_LiveTickMinuteBars)->Arg(0)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LiveTickTickBars)->Arg(0)->Arg(1000000)->Unit(benchmark::kMicrosecond);
void BM_LiveTickUnchangedPrice(benchmark::State& state) { liveTicks(state, "1#3", 0, false); }
BENCHMARK(BM_LiveTickUnchangedPrice)->Unit(benchmark::kMicrosecond);

// The redraw of 300 visible candles (of 100,002) in a 1200 x 600 graph, offscreen.
void BM_Redraw300VisibleCandles(benchmark::State& state) {
  td::test::qtTestApp();
  BenchSession session;
  session.cache["EURUSD^O"] = bigReply();
  PlotWidget plot;
  plot.resize(1200, 600);
  plot.show();
  ChartController engine(session);
  engine.setGraph(&plot.graph());
  engine.setValue("EURUSD", "1#3");
  plot.graph().plotSpace().setAllowsUserInteraction(true);
  plot.graph().plotSpace().scaleBy(35.0 / 300, 100001);
  for (auto _ : state) plot.replot(QCustomPlot::rpImmediateRefresh);
  state.counters["visible"] = engine.lengthX();
}
BENCHMARK(BM_Redraw300VisibleCandles)->Unit(benchmark::kMillisecond);

}  // namespace
