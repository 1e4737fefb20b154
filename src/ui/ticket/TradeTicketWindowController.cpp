// The ticket's life, its modes and drawers, the notifications it hears and the helpers the other
// parts share.

#include "ui/ticket/TradeTicketWindowController.h"

#include <cmath>

#include "model/AccountDetails.h"
#include "model/ReferenceData.h"
#include "orders/OrderMananger.h"
#include "platform/AppContext.h"
#include "platform/Decimal.h"
#include "session/BusinessBase.h"
#include "ui/shell/GUIObjects.h"
#include "ui/ticket/TicketFormat.h"
#include "wire/OrderRequests.h"

namespace td {

TradeTicketWindowController::TradeTicketWindowController() : TradeTicketWindowController(Options()) {}

TradeTicketWindowController::TradeTicketWindowController(Options options)
    : options_(options),
      buyDepth_(MarketDepthTableModel::Side::Buy, [] { return AppContext::current()->businessbase(); }),
      sellDepth_(MarketDepthTableModel::Side::Sell, [] { return AppContext::current()->businessbase(); }),
      multitradeModel_(*this),
      notifications_(AppContext::current()->notificationCenter()) {
  if (const auto gui = AppContext::current()->guiObjects()) state_.showConfirmationAlert = gui->showConfirmationAlert();
  // A new login: the records chosen so far belong to a session that is gone.
  loginToken_ = notifications_->addObserver(kLoginSuccessNotification, [this](const Notification&) { sessionOpened(); });
}

TradeTicketWindowController::~TradeTicketWindowController() {
  stopObserving();
  notifications_->removeObserver(loginToken_);
}

// ---- the session of the moment ----

std::shared_ptr<BusinessBase> TradeTicketWindowController::session() const {
  return AppContext::current()->businessbase();
}

std::shared_ptr<OrderMananger> TradeTicketWindowController::orders() const {
  return AppContext::current()->orderMananger();
}

MainQueue& TradeTicketWindowController::mainQueue() const {
  return options_.mainQueue != nullptr ? *options_.mainQueue : *MainQueue::instance();
}

std::int32_t TradeTicketWindowController::accountId() const { return accountDetails_ ? accountDetails_->AccountId : 0; }

std::int32_t TradeTicketWindowController::decimals() const { return itemDetails_ ? itemDetails_->DecimalPlaces : 0; }

bool TradeTicketWindowController::allowed(std::int32_t bit) const {
  return accountDetails_ && itemDetails_ && (accountDetails_->availableOrderTypes & bit) != 0 &&
         (itemDetails_->availableOrderTypes & bit) != 0;
}

std::shared_ptr<GroupInstruments> TradeTicketWindowController::groupInstrument() const {
  const auto s = session();
  if (!s || !accountDetails_ || !itemDetails_) return nullptr;
  return s->referenceData().groupInstruments(*accountDetails_, itemDetails_->InstrumentId);
}

std::string TradeTicketWindowController::shortestNumber(double value) {
  if (!std::isfinite(value)) return "0";
  return Decimal::parse(ticket::printfString("%f", value)).toString();
}

// ---- window life ----

void TradeTicketWindowController::setValue(const std::string& value, const std::string&) { itemCode_ = value; }

void TradeTicketWindowController::runModalWindow() {
  ViewUpdate update(*this);
  if (!loaded_) {
    // `windowDidLoad`: the first showing loads the window and fills it.
    loaded_ = true;
    windowDidAppear();
  }
  if (view_) view_->showTicketWindow();
}

void TradeTicketWindowController::windowDidAppear() {
  if (!loaded_) return;
  ViewUpdate update(*this);
  if (const auto gui = AppContext::current()->guiObjects()) state_.showConfirmationAlert = gui->showConfirmationAlert();
  LoadAccountDetails();
  LoadSymbolDetails(isTradeTicketfromWatchlist_);
  TradeTicketRadioButtonClicked(kSimpleMode);
  LoadQuantity();
  UpdateValuesinTimer();
  if (!timer_.active()) observeWhileOpen();
  checkMultiTradeisAvailable();
  setDefaultWindow();
}

void TradeTicketWindowController::windowDidShowAgain() {
  if (!loaded_ || timer_.active()) return;
  ViewUpdate update(*this);
  observeWhileOpen();
  UpdateValuesinTimer();
}

void TradeTicketWindowController::windowWillClose() {
  ViewUpdate update(*this);
  setDefaultWindow();
  stopObserving();
}

void TradeTicketWindowController::observeWhileOpen() {
  placeOrderToken_ = notifications_->addObserver(OrderMananger::kPlaceOrderNotification,
                                                 [this](const Notification& n) { ShowStatusMessage(n); });
  headerEditToken_ =
      notifications_->addObserver(kTableHeaderEditNotification, [this](const Notification& n) { TableHeaderEdited(n); });
  itemUpdateToken_ = notifications_->addObserver(kItemUpdateNotification, [this](const Notification&) {
    ViewUpdate update(*this);
    // `updateItemsinSymbolComboBox:`: the symbol selection was saved.
    const auto s = session();
    if (!s || s->selectedSymbols().empty()) {
      if (view_) view_->closeTicketWindow();
      else windowWillClose();
      return;
    }
    LoadSymbolDetails(false);
    updatePriceinTextField();
    LoadOrderType();
    LoadValidity();
  });
  timer_ = mainQueue().scheduleRepeating(options_.refreshInterval, [this] { UpdateValuesinTimer(); });
}

void TradeTicketWindowController::stopObserving() {
  for (ObserverToken* token : {&placeOrderToken_, &headerEditToken_, &itemUpdateToken_}) {
    notifications_->removeObserver(*token);
    *token = 0;
  }
  timer_.cancel();
}

void TradeTicketWindowController::sessionOpened() {
  ViewUpdate update(*this);
  accountDetails_.reset();
  itemDetails_.reset();
  resetMultiTradeRows({});
  if (!isOpen()) return;
  // The open ticket follows the new session, or closes when it has no symbol to trade.
  const auto s = session();
  if (!s || s->selectedSymbols().empty()) {
    if (view_) view_->closeTicketWindow();
    else windowWillClose();
    return;
  }
  isTradeTicketfromWatchlist_ = false;
  windowDidAppear();
}

// ---- modes ----

void TradeTicketWindowController::TradeTicketRadioButtonClicked(int tag) {
  ViewUpdate update(*this);
  state_.mode = tag;
  // Every switch, to the mode already chosen too, starts with the take-profit, stop-loss and
  // deviation boxes off and their fields empty; they are off before anything below proposes prices
  // or builds the multi-account rows, so that nothing is proposed into a field that is not ticked.
  state_.takeProfit.on = state_.stopLoss.on = state_.deviationBox.on = false;
  propose(state_.takeProfitPrice, {});
  propose(state_.stopLossPrice, {});
  state_.deviation.text.clear();
  LoadOrderType();
  LoadValidity();
  state_.placeShowsSell = false;
  if (tag == kSimpleMode) {
    enableSubviews(false, 0.4);
    for (TicketCheckBox* side : {&state_.buyCheck, &state_.sellCheck}) {
      side->visible = false;
      side->on = false;
    }
    updatePriceinTextField();
  } else if (tag == kAdvancedMode) {
    enableSubviews(true, 1.0);
    EnableAdvancedControls();
    EnableTakeProfitControl(false);
    EnableStopLossControl(false);
    setEnableDeviationControl(false);
    state_.buyCheck.visible = state_.sellCheck.visible = true;
    state_.buyCheck.on = true;
    state_.sellCheck.on = false;
  }
  loadAvailableOrderControls();
}

void TradeTicketWindowController::enableSubviews(bool flag, double alpha) {
  ViewUpdate update(*this);
  state_.advancedEnabled = flag;
  state_.advancedAlpha = alpha;
  TicketState& s = state_;
  for (TicketControl* control : std::initializer_list<TicketControl*>{
           &s.orderType, &s.validity, &s.timeInForce, &s.price, &s.takeProfitPrice, &s.stopLossPrice, &s.deviation,
           &s.priceStepper, &s.takeProfitStepper, &s.stopLossStepper, &s.takeProfit, &s.stopLoss, &s.deviationBox,
           &s.buyCheck, &s.sellCheck, &s.placeButton}) {
    control->enabled = flag;
  }
}

// ---- drawers ----

void TradeTicketWindowController::toggleRightDrawer() {
  ViewUpdate update(*this);
  state_.rightDrawerOpen = !state_.rightDrawerOpen;
}

void TradeTicketWindowController::toggleLeftDrawer() {
  ViewUpdate update(*this);
  state_.leftDrawerOpen = !state_.leftDrawerOpen;
  if (state_.leftDrawerOpen) singleAccountQuantity_ = state_.quantity.text;
  else restoreSingleAccountQuantity();
  DisableControlsonMultiTrade();
  // Multi-account mode offers the union of the accounts' order types.
  LoadOrderType();
}

void TradeTicketWindowController::setDefaultWindow() {
  ViewUpdate update(*this);
  state_.rightDrawerOpen = false;
  const bool wasMultiTrade = state_.leftDrawerOpen;
  state_.leftDrawerOpen = false;
  DisableControlsonMultiTrade();
  // Back to one account: its own quantity and order types again, as when the user shuts the drawer.
  if (wasMultiTrade) {
    restoreSingleAccountQuantity();
    LoadOrderType();
  }
}

void TradeTicketWindowController::restoreSingleAccountQuantity() {
  state_.quantity.text = singleAccountQuantity_;
  calculateContarctValueforQuantity(OrderRequests::leadingNumber(singleAccountQuantity_));
}

void TradeTicketWindowController::showConfirmationCheckBoxClicked(bool on) {
  ViewUpdate update(*this);
  state_.showConfirmationAlert = on;
  if (const auto gui = AppContext::current()->guiObjects()) gui->setShowConfirmationAlert(on);
}

// ---- feedback ----

void TradeTicketWindowController::showAlertNow(const std::string& message) {
  if (view_) view_->showAlert(kInfoTitle, message);
}

void TradeTicketWindowController::ShowStatusMessage(const Notification& notification) {
  // The answers to other windows' requests are theirs to show.
  if (!ownRequests_.underway()) return;
  const auto* text = notification.objectAs<std::string>();
  if (text == nullptr || text->empty() || *text == OrderMananger::kAbortModal) return;
  // Shown by a task of its own: the notification comes while an order action is still running.
  mainQueue().post([this, message = *text, alive = std::weak_ptr<char>(alive_)] {
    if (alive.lock()) showAlertNow(message);
  });
}

}  // namespace td
