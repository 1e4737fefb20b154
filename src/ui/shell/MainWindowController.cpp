#include "ui/shell/MainWindowController.h"

#include <cstdio>

#include "model/AccountDetails.h"
#include "platform/LanguageString.h"
#include "session/BusinessBase.h"
#include "session/trading/ProfitAndLoss.h"
#include "session/trading/ReadSide.h"
#include "ui/shell/IdleQuit.h"
#include "wire/Formatter.h"

namespace td {
namespace {

constexpr const char* kSpeedNotification = "NetworkSpeedNotification";
constexpr const char* kDragNotification = "ChartSymbolDragNotification";

std::string labelled(int language, const char* key, const std::string& value) {
  return LanguageString::stringforSelectedLanguage(language, key) + " : " + value;
}

}  // namespace

MainWindowController::MainWindowController(Services services) : services_(std::move(services)) {}

MainWindowController::~MainWindowController() {
  refreshTimer_.cancel();
  if (services_.notifications) {
    services_.notifications->removeObserver(speedToken_);
    services_.notifications->removeObserver(dragToken_);
  }
}

void MainWindowController::windowDidLoad() {
  if (loaded_) return;
  loaded_ = true;
  speedToken_ = services_.notifications->addObserver(
      kSpeedNotification, [this](const Notification& n) { changeNetworkStatusimage(n); });
  dragToken_ = services_.notifications->addObserver(kDragNotification, [this](const Notification& n) {
    // Object: [symbol, identifier of the drop target].
    if (const auto* drop = n.objectAs<std::vector<std::string>>(); drop && drop->size() >= 2)
      ReloadDataforChart((*drop)[0], (*drop)[1]);
  });
  getAccountDetails();
  refreshTimer_ = services_.mainQueue->scheduleRepeating(services_.refreshInterval, [this] { RefreshValues(); });
  getChartSymbolDetails();
  loadAccountDetails();
}

void MainWindowController::sessionOpened() {
  getAccountDetails();
  getChartSymbolDetails();
  loadAccountDetails();
}

void MainWindowController::getAccountDetails() {
  const auto session = services_.session ? services_.session() : nullptr;
  if (!session) return;
  const auto accounts =
      ReadSide(session->orderBook(), session->referenceData(), session->selectedSymbols()).getAccountCollection();
  if (accounts.empty()) return;
  account_ = accounts.front();
  session->setCurrentAccountSelected(account_->AccountId);
}

void MainWindowController::getChartSymbolDetails() {
  const auto session = services_.session ? services_.session() : nullptr;
  if (!session || session->selectedSymbols().empty() || !view_) return;
  const std::string& symbol = session->selectedSymbols().front();
  for (int chart = 1; chart <= 4; ++chart) view_->setChartSymbol(chart, symbol, std::to_string(chart) + "#3");
}

void MainWindowController::RefreshValues() {
  CalcFloatingPL();
  loadAccountDetails();
  if (services_.idle) services_.idle->startCheckingIdleTime();
}

void MainWindowController::CalcFloatingPL() {
  const auto session = services_.session ? services_.session() : nullptr;
  if (!session) return;
  const ReferenceData& reference = session->referenceData();
  for (const auto& order : ReadSide::visibleOrders(session->OpenOrderCollection, reference))
    if (order) ProfitAndLoss::CalcPL(*order, reference);
}

void MainWindowController::loadAccountDetails() {
  const auto session = services_.session ? services_.session() : nullptr;
  if (session && account_)
    ProfitAndLoss::calcAccountDetails(account_->AccountId, session->referenceData(), session->OpenOrderCollection);
  if (view_) view_->showAccountStrip(accountStrip(account_.get(), language()));
}

void MainWindowController::setAccount(std::shared_ptr<AccountDetails> account) { account_ = std::move(account); }

AccountStrip MainWindowController::accountStrip(const AccountDetails* account, int language) {
  const AccountDetails none;
  const AccountDetails& a = account ? *account : none;
  return {labelled(language, "0012", std::to_string(a.AccountId)),
          labelled(language, "0013", formatFigure(a.Balance)),
          labelled(language, "0319", formatFigure(a.UnrealisedPL)),
          labelled(language, "0015", formatFigure(a.UsedMargin)),
          labelled(language, "8131", formatFigure(a.AvailableMargin))};
}

std::string MainWindowController::formatFigure(double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", value);
  return Formatter::formatDecimalWithString(buf).value_or(buf);
}

std::optional<NetworkStatus> MainWindowController::networkStatus(int rating) {
  switch (rating) {
    case 0: return NetworkStatus{"Network_Speed_Excellent.png", "network-status-online.png", "0051"};
    case 1: return NetworkStatus{"Network_Speed_Good.png", "network-status-online.png", "0051"};
    case 2: return NetworkStatus{"Network_Speed_Fair.png", "network-status-away.png", "0051"};
    case 3: return NetworkStatus{"Network_Speed_Poor.png", "network-status-offline.png", "1007"};
    default: return std::nullopt;
  }
}

std::string MainWindowController::serverClock(const std::string& serverTime) {
  return Formatter::formatDateandTimeFromString(serverTime, "yyyyMMddHHmmss", "MMM dd, yyyy HH:mm:ss")
      .value_or(std::string());
}

void MainWindowController::changeNetworkStatusimage(const Notification& notification) {
  if (notification.name != kSpeedNotification || !view_) return;
  std::optional<std::string> clock;
  if (const auto* time = notification.objectAs<std::string>()) clock = serverClock(*time);
  const auto session = services_.session ? services_.session() : nullptr;
  const auto status = networkStatus(session ? session->networkspeedStatus() : 3);
  if (!status) return;
  view_->showNetworkStatus(*status, LanguageString::stringforSelectedLanguage(language(), status->textKey), clock);
}

void MainWindowController::ReloadDataforChart(const std::string& symbol, const std::string& identifier) {
  for (int chart = 1; chart <= 4; ++chart) {
    if (identifier == CHART_IDENTIFIERS[chart - 1]) {
      if (view_) view_->setChartSymbol(chart, symbol, "");
      return;
    }
  }
}

bool MainWindowController::canOpenTradeTicket() const {
  const auto session = services_.session ? services_.session() : nullptr;
  return session && !session->selectedSymbols().empty();
}

// ---- split views ----

double MainWindowController::SplitRules::constrainMinCoordinate(const std::string& identifier, double leftFrameWidth) {
  if (identifier == WL_SPLIT_IDN) return 330;
  if (identifier == OPEN_SPLIT_IDN) return leftFrameWidth;
  return 0;
}

double MainWindowController::SplitRules::constrainMaxCoordinate(const std::string& identifier, double leftFrameWidth) {
  if (identifier == WL_SPLIT_IDN) return 900;
  if (identifier == OPEN_SPLIT_IDN) return leftFrameWidth;
  return 0;
}

bool MainWindowController::SplitRules::canCollapseSubview(const std::string& identifier, int subview) {
  return identifier == OPEN_SPLIT_IDN && subview == 0;
}

bool MainWindowController::SplitRules::shouldHideDivider(const std::string& identifier) {
  return identifier == OPEN_SPLIT_IDN;
}

}  // namespace td
