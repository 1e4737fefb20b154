#include "ui/ticket/TradeTicket.h"

#include <QPointer>
#include <memory>

#include "platform/AppContext.h"
#include "session/BusinessBase.h"
#include "ui/MainWindow.h"
#include "ui/charts/ChartPanes.h"
#include "ui/controls/Captions.h"
#include "ui/shell/GUIObjects.h"
#include "ui/shell/MainWindowController.h"
#include "ui/ticket/TradeTicketWindow.h"
#include "ui/ticket/TradeTicketWindowController.h"

namespace td {
namespace {

// Holds the one ticket of the run: made on first opening (`getTradeTicketWindowController`).
class TradeTicketFamily final : public QObject {
 public:
  explicit TradeTicketFamily(MainWindow& main) : QObject(&main), main_(&main) {
    setObjectName("tradeTicketFamily");
  }
  ~TradeTicketFamily() override { delete window_.data(); }

  void open(const std::string& itemCode, bool fromWatchlist) {
    // Nothing to trade without a selected symbol.
    const auto session = AppContext::current()->businessbase();
    if (!session || session->selectedSymbols().empty() || !main_) return;
    TradeTicketWindowController& ticket = controller();
    ticket.setIsTradeTicketfromWatchlist(fromWatchlist);
    if (fromWatchlist) ticket.setValue(itemCode, "ItemCode");
    ticket.windowDidAppear();
    ticket.runModalWindow();
  }

 private:
  TradeTicketWindowController& controller() {
    if (!controller_) {
      controller_ = std::make_unique<TradeTicketWindowController>();
      window_ = new TradeTicketWindow(*controller_, main_);
      window_->onChartSymbol = embedChart(window_->chartHost());
    }
    return *controller_;
  }

  QPointer<MainWindow> main_;
  std::unique_ptr<TradeTicketWindowController> controller_;
  QPointer<TradeTicketWindow> window_;
};

}  // namespace

void installTradeTicket(MainWindow& window) {
  auto* family = new TradeTicketFamily(window);
  if (const auto gui = AppContext::current()->guiObjects()) {
    gui->setTradeTicketOpener([family = QPointer<TradeTicketFamily>(family)](const std::string& itemCode,
                                                                             bool fromWatchlist) {
      if (family) family->open(itemCode, fromWatchlist);
    });
  }
  window.addToolbarButton(caption("9410"), QStringLiteral("tradeTicketButton"), [] {
    const auto context = AppContext::current();
    const auto main = context->mWindowController();
    if (!main || !main->canOpenTradeTicket()) return;
    if (const auto gui = context->guiObjects()) gui->openTradeTicket("", false);
  });
}

QWidget* tradeTicketWindow(const MainWindow& window) {
  return window.findChild<TradeTicketWindow*>(QStringLiteral("tradeTicketWindow"), Qt::FindDirectChildrenOnly);
}

}  // namespace td
