#include "ui/watchlist/WatchlistPanes.h"

#include <QTabWidget>
#include <QVBoxLayout>
#include <map>
#include <memory>

#include "platform/AppContext.h"
#include "platform/MainQueue.h"
#include "ui/controls/Captions.h"
#include "ui/MainWindow.h"
#include "ui/shell/GUIObjects.h"
#include "ui/watchlist/AddRemoveWindowController.h"
#include "ui/watchlist/AdvancedWatchlistTableController.h"
#include "ui/watchlist/DetailSheet.h"
#include "ui/watchlist/DetailWindowController.h"
#include "ui/watchlist/SymbolManagerSheet.h"
#include "ui/watchlist/WatchlistTableController.h"
#include "ui/watchlist/WatchlistView.h"

namespace td {
namespace {

std::shared_ptr<BusinessBase> currentSession() { return AppContext::current()->businessbase(); }

// The order ticket of the run, from a watchlist; nothing happens while no ticket is installed.
void openTicket(const std::string& code) {
  if (const auto gui = AppContext::current()->guiObjects()) gui->openTradeTicket(code, true);
}

// The family's objects, kept by the main window for its lifetime.
class WatchlistFamily final : public QObject {
 public:
  explicit WatchlistFamily(MainWindow& window) : QObject(&window), window_(window) {
    setObjectName("watchlistFamily");
    NotificationCenter* notifications = AppContext::current()->notificationCenter().get();
    MainQueue* queue = MainQueue::instance();

    WatchlistTableController::Services columns;
    columns.session = currentSession;
    columns.notifications = notifications;
    columns.mainQueue = queue;
    columns.openTicket = openTicket;
    columns.openDetails = [this](const std::string& code) { openDetails(DetailWindowController::ContractDetails, code); };
    board_ = new WatchlistTableController(columns, this);

    AdvancedWatchlistTableController::Services panels;
    panels.session = currentSession;
    panels.notifications = notifications;
    panels.mainQueue = queue;
    panels.openTicket = openTicket;
    expanding_ = new AdvancedWatchlistTableController(panels, this);

    auto* tabs = new QTabWidget(window.watchlistHost());
    tabs->setObjectName("watchlistTabs");
    tabs->setDocumentMode(true);
    tabs->addTab(new WatchlistView(*board_, tabs), caption("9609"));
    tabs->addTab(new AdvancedWatchlistView(*expanding_, tabs), caption("9610"));
    window.watchlistHost()->layout()->addWidget(tabs);

    window.addToolbarButton(caption("9603"), QStringLiteral("symbolManagerButton"), [this] { openSymbolManager(); });
  }

  // `AddRemoveSymbolstoWatchlistClicked:`.
  void openSymbolManager() {
    if (!symbols_) {
      symbolDetails_ = makeDetails();
      AddRemoveWindowController::Services services;
      services.session = currentSession;
      services.notifications = AppContext::current()->notificationCenter().get();
      services.showDetails = [this](const std::string& code) {
        symbolDetails_->setDetailViewType(DetailWindowController::ContractDetails);
        symbolDetails_->setValue(code);
      };
      symbolController_ = new AddRemoveWindowController(services, this);
      symbols_ = new SymbolManagerSheet(*symbolController_, *symbolDetails_, &window_);
    }
    symbols_->present();
  }

  // The details sheet of one opener kind (the watchlist's instrument details of an item code, the
  // receipt of an open or of an executed position by its id), made on first use and kept.
  void openDetails(int type, const std::string& value) {
    auto& [controller, sheet] = sheets_[type];
    if (!sheet) {
      controller = makeDetails();
      sheet = new DetailSheet(*controller, &window_);
    }
    controller->setDetailViewType(type);
    controller->setValue(value);
    controller->showWindow();
    sheet->present();
  }

 private:
  DetailWindowController* makeDetails() {
    DetailWindowController::Services services;
    services.session = currentSession;
    services.notifications = AppContext::current()->notificationCenter().get();
    services.language = [] { return AppContext::current()->selectedLanguage(); };
    return new DetailWindowController(services, this);
  }

  MainWindow& window_;
  WatchlistTableController* board_ = nullptr;
  AdvancedWatchlistTableController* expanding_ = nullptr;
  AddRemoveWindowController* symbolController_ = nullptr;
  DetailWindowController* symbolDetails_ = nullptr;
  SymbolManagerSheet* symbols_ = nullptr;
  std::map<int, std::pair<DetailWindowController*, DetailSheet*>> sheets_;
};

}  // namespace

void installWatchlists(MainWindow& window) { new WatchlistFamily(window); }

bool openDeliveryReceipt(MainWindow& window, int type, const std::string& positionId) {
  if (type != DetailWindowController::OpenPositionReceipt && type != DetailWindowController::ExecutedPositionReceipt) {
    return false;
  }
  QObject* family = window.findChild<QObject*>("watchlistFamily", Qt::FindDirectChildrenOnly);
  if (!family) return false;
  static_cast<WatchlistFamily*>(family)->openDetails(type, positionId);
  return true;
}

}  // namespace td
