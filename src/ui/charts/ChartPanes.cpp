#include "ui/charts/ChartPanes.h"

#include <QLayout>
#include <QPointer>
#include <QVBoxLayout>
#include <array>

#include "platform/AppContext.h"
#include "platform/MainQueue.h"
#include "ui/MainWindow.h"
#include "ui/charts/ChartViews.h"
#include "ui/charts/ChartWindow.h"
#include "ui/charts/PieView.h"
#include "ui/controls/Captions.h"

namespace td {
namespace {

using charts::CurrentChartSession;

QLayout* layoutOf(QWidget* host) {
  if (!host->layout()) {
    auto* layout = new QVBoxLayout(host);
    layout->setContentsMargins(0, 0, 0, 0);
  }
  return host->layout();
}

charts::PieChartViewController::Services pieServices() {
  charts::PieChartViewController::Services services;
  services.session = [] { return AppContext::current()->businessbase(); };
  services.orders = [] { return AppContext::current()->orderMananger(); };
  services.notifications = AppContext::current()->notificationCenter().get();
  services.mainQueue = MainQueue::instance();
  return services;
}

// What the charts keep of the main window's life: the controllers of the four small charts and of
// the pie, the views bound to them, and the chart window.
class ChartsInstallation : public QObject {
 public:
  explicit ChartsInstallation(MainWindow& window)
      : QObject(&window),
        window_(window),
        charts_(CurrentChartSession::shared(),
                [this](int chart, charts::ChartViewController& controller) { makeView(chart, controller); }),
        pie_(pieServices()) {
    pieView_ = new charts::PieChartPane(pie_, window.pieChartHost());
    layoutOf(window.pieChartHost())->addWidget(pieView_);
    window.onChartSymbol = [this](int chart, const std::string& symbol, const std::string& key) {
      charts_.onChartSymbol(chart, symbol, key);
    };
    window.addToolbarButton(caption("9501"), QStringLiteral("chartButton"), [this] { ChartButtonClicked(); });
  }

  ~ChartsInstallation() override {
    // The views go before the controllers they are bound to.
    for (auto& view : views_) delete view.data();
    delete pieView_.data();
  }

  // `ChartButtonClicked:`.
  void ChartButtonClicked() {
    if (!chartWindow_) chartWindow_ = new charts::ChartWindow(CurrentChartSession::shared(), &window_);
    window_.placeChildWindow(chartWindow_);
    chartWindow_->controller().NeedReload();
    chartWindow_->show();
    chartWindow_->raise();
    chartWindow_->activateWindow();
  }

 private:
  void makeView(int chart, charts::ChartViewController& controller) {
    QWidget* host = window_.chartHost(chart);
    auto* view = new charts::MainWindowChartView(controller, host);
    layoutOf(host)->addWidget(view);
    views_[static_cast<std::size_t>(chart - 1)] = view;
  }

  MainWindow& window_;
  charts::MainWindowCharts charts_;
  charts::PieChartViewController pie_;
  std::array<QPointer<charts::MainWindowChartView>, 4> views_;
  QPointer<charts::PieChartPane> pieView_;
  QPointer<charts::ChartWindow> chartWindow_;
};

}  // namespace

void installCharts(MainWindow& window) { new ChartsInstallation(window); }

std::function<void(const std::string&, const std::string&)> embedChart(QWidget* host) {
  if (!host) return {};
  auto* pane = new charts::ChartPane(CurrentChartSession::shared(), host);
  layoutOf(host)->addWidget(pane);
  QPointer<charts::ChartPane> guard(pane);
  return [guard](const std::string& symbol, const std::string& key) {
    if (guard) guard->controller().setValue(symbol, key);
  };
}

}  // namespace td
