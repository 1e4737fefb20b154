#pragma once
// Shared by the chart tests: a recording graph in place of QCustomPlot, a session with items, a chart
// cache and the request-and-reply path of the real one, and chart-history replies.

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "model/ItemDetails.h"
#include "platform/ManualMainQueue.h"
#include "platform/NotificationCenter.h"
#include "session/datasets/ChartRequests.h"
#include "ui/charts/ChartEngine.h"

namespace td::test {

using namespace td::charts;

class FakeAxis : public Axis {
 public:
  void setStyle(const AxisStyle& s) override { style = s; }
  void setFixedTicks(const AxisTicks& t) override { ticks = t; }
  void setMajorIntervalLength(double length) override { interval = length; }
  void setLabelingOrigin(double value) override { origin = value; }
  void setLabelFractionDigits(int d) override { digits = d; }

  // Every tick of the fixed ticks over all bars, and their labels.
  std::vector<std::int64_t> allTicks() const { return tickLocations(ticks, 0, 1e12); }
  std::vector<std::string> labels() const {
    std::vector<std::string> out;
    for (auto at : allTicks()) out.push_back(ticks.labels ? ticks.labels->labelForTick(at) : "");
    return out;
  }

  AxisStyle style;
  AxisTicks ticks;
  double interval = 0, origin = 0;
  int digits = -1;
};

class FakeGraph : public Graph, public GraphHost {
 public:
  PlotSpace& plotSpace() override { return space; }
  Axis& xAxis() override { return x; }
  Axis& yAxis() override { return y; }
  void setStyle(const GraphStyle& s) override { style = s; }
  void setDataSource(PlotDataSource* s) override { source = s; }
  void addPlot(const std::string& id, const PlotStyle& s) override {
    removePlot(id);
    plots.emplace_back(id, s);
  }
  bool removePlot(std::string_view id) override {
    for (auto it = plots.begin(); it != plots.end(); ++it)
      if (it->first == id) {
        plots.erase(it);
        return true;
      }
    return false;
  }
  void removeAllPlots() override { plots.clear(); }
  std::vector<std::string> plotIdentifiers() const override {
    std::vector<std::string> ids;
    for (const auto& p : plots) ids.push_back(p.first);
    return ids;
  }
  void reloadData() override { ++reloads; }
  Graph& newGraph() override {
    plots.clear();
    space = PlotSpace();
    x = FakeAxis();
    y = FakeAxis();
    ++made;
    return *this;
  }
  void setVisible(bool v) override { visible = v; }

  const PlotStyle* style_of(std::string_view id) const {
    for (const auto& p : plots)
      if (p.first == id) return &p.second;
    return nullptr;
  }
  // Every record of a plot as the data source answers it: fields 0 to `fields` - 1.
  std::vector<std::vector<double>> records(std::string_view id, int fields = 2) const {
    std::vector<std::vector<double>> out;
    for (std::size_t i = 0, n = source->numberOfRecordsForPlot(id); i < n; ++i) {
      std::vector<double> r;
      for (int f = 0; f < fields; ++f) r.push_back(source->numberForPlot(id, f, i));
      out.push_back(r);
    }
    return out;
  }

  PlotSpace space;
  FakeAxis x, y;
  GraphStyle style;
  PlotDataSource* source = nullptr;
  std::vector<std::pair<std::string, PlotStyle>> plots;
  int reloads = 0;
  int made = 0;
  bool visible = true;
};

// A chart drawing on a recording graph of its own.
class ChartOnGraph : public ChartEngine {
 public:
  explicit ChartOnGraph(ChartSession& session, Options options = {}) : ChartEngine(session, options) {
    setGraph(&graph);
  }
  FakeGraph graph;
};

// The session as the charts see it, with the real one's rules: a reply is filed under the key its
// header names (a later one replacing it, with the time it was filed) and answers every unanswered request of that key through
// "MainviewChartDataReceivedNotification<id>" on the main queue.
class FakeChartSession : public ChartSession {
 public:
  FakeChartSession() : centre(&queue) { queue.bindToCurrentThread(); }

  std::shared_ptr<ItemDetails> addItem(const std::string& code, int decimals, double last = 0) {
    auto item = std::make_shared<ItemDetails>();
    item->Code = code;
    item->DecimalPlaces = decimals;
    item->Last = last;
    item->UpdateTime = "12/05/2014 13:19:10";  // within the newest minute of a 200-bar historyReply
    items[code] = item;
    return item;
  }

  std::shared_ptr<const ItemDetails> item(std::string_view code) override {
    const auto it = items.find(std::string(code));
    return it == items.end() ? nullptr : it->second;
  }
  std::optional<CachedReply> cachedReply(std::string_view key) override {
    const auto it = cache.find(std::string(key));
    if (it == cache.end()) return std::nullopt;
    return CachedReply{it->second.text, queue.clock().now() - it->second.filedAt};
  }
  std::optional<std::int32_t> nextRequestId() override { return ++requestId; }
  bool requestChartData(std::string_view code, std::string_view interval, std::int32_t bars) override {
    requests.push_back({std::string(code) + "^" + std::string(interval), bars, requestId, false, !sendWorks});
    return sendWorks;
  }
  // A request is in flight until it is answered or lost.
  std::optional<std::int32_t> requestInFlight(std::string_view key) override {
    for (auto it = requests.rbegin(); it != requests.rend(); ++it)
      if (it->key == key && !it->answered && !it->lost) return it->id;
    return std::nullopt;
  }
  std::vector<std::string> selectedSymbols() override { return symbols; }
  NotificationCenter& notifications() override { return centre; }
  MainQueue* mainQueue() override { return &queue; }

  // The server's reply arrives: it is filed, then every request of its key is told.
  void reply(const std::string& key, const std::string& text) {
    file(key, text);
    tell(key);
  }
  void file(const std::string& key, const std::string& text) {
    cache.insert_or_assign(key, Filed{text, queue.clock().now()});
  }
  void tell(const std::string& key) {
    for (auto it = requests.begin(); it != requests.end();) {
      if (it->key == key && !it->answered) {
        it->answered = true;
        centre.postOnMainThread("MainviewChartDataReceivedNotification" + std::to_string(it->id),
                                std::any(std::to_string(it->id)));
      }
      ++it;
    }
    queue.runPending();
  }

  // The request channel ends request `index` without a reply, and the session tells its key (or
  // `key`, when given).
  void drop(std::size_t index, std::string key = {}) {
    requests.at(index).lost = true;
    centre.postOnMainThread(ChartRequests::kRequestUnanswered, std::any(key.empty() ? requests[index].key : key));
    queue.runPending();
  }

  struct Filed {
    std::string text;
    Clock::TimePoint filedAt;
  };
  struct Request {
    std::string key;
    std::int32_t bars;
    std::int32_t id;
    bool answered = false;
    bool lost = false;  // the request channel dropped it
  };
  ManualMainQueue queue;
  NotificationCenter centre;
  std::map<std::string, std::shared_ptr<ItemDetails>> items;
  std::map<std::string, Filed> cache;
  std::vector<Request> requests;
  std::vector<std::string> symbols;
  std::int32_t requestId = 0;
  bool sendWorks = true;
};

// A chart-history reply of `bars` bars for `key`: minute bars from 12/05/14 10:00:00, closes
// first + i * step (with `decimals`), highs one step above, lows one below, opens half a step below.
inline std::string historyReply(const std::string& key, int bars, double first = 1.1, double step = 0.001,
                                int decimals = 4) {
  std::string dates, times, closes, highs, lows, opens;
  char buffer[64];
  auto number = [&](double v) {
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
    return std::string(buffer);
  };
  for (int i = 0; i < bars; ++i) {
    const char* sep = i ? "," : "";
    const int minutes = 600 + i;
    std::snprintf(buffer, sizeof buffer, "12/%02d/14", 5 + minutes / 1440);
    dates += sep + std::string(buffer);
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:00", (minutes / 60) % 24, minutes % 60);
    times += sep + std::string(buffer);
    const double c = first + i * step;
    closes += sep + number(c);
    highs += sep + number(c + step);
    lows += sep + number(c - step);
    opens += sep + number(c - step / 2);
  }
  return "<CHART~" + key + "~" + std::to_string(bars) + ">" + dates + "#" + times + "#" + closes + "#" + highs + "#" +
         lows + "#" + opens + "<END>";
}

}  // namespace td::test
