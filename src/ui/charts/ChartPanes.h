#pragma once
// How the charts join the windows: the main window's four small charts and account pie, the chart
// window behind the toolbar button "Chart", and the order ticket's chart pane.

#include <QWidget>
#include <functional>
#include <string>

namespace td {

class MainWindow;

// Once, when the main window is made: its onChartSymbol drives the four small charts (made in the
// chart hosts at their first symbol), the pie goes into the pie host, and the "Chart" button opens
// the chart window (made at the first click and kept).
void installCharts(MainWindow& window);

// A chart pane (a chart engine with its title and price graph) filling `host`; the function
// returned shows a symbol with a key "<interval>#<type>" (the ticket's "0#1": ticks, line). The
// pane lives as long as the host:
//   window->onChartSymbol = td::embedChart(window->chartHost());
std::function<void(const std::string& symbol, const std::string& key)> embedChart(QWidget* host);

}  // namespace td
