// The ticket's choice lists and which controls are usable, from the session's records and the
// permission bits of the chosen account, instrument and group terms.

#include <algorithm>

#include "model/AccountDetails.h"
#include "model/ReferenceData.h"
#include "session/BusinessBase.h"
#include "session/trading/ReadSide.h"
#include "ui/ticket/TicketFormat.h"
#include "ui/ticket/TradeTicketWindowController.h"
#include "wire/OrderRequests.h"

namespace td {

std::vector<std::shared_ptr<AccountDetails>> TradeTicketWindowController::getAccountCollection() const {
  const auto s = session();
  if (!s) return {};
  auto accounts = ReadSide(s->orderBook(), s->referenceData(), s->selectedSymbols()).getAccountCollection();
  // Equity hit (5) and the states 2 and 4 do not trade from the ticket.
  std::erase_if(accounts, [](const std::shared_ptr<AccountDetails>& a) {
    return !a || a->tradingStatus == 5 || a->tradingStatus == 2 || a->tradingStatus == 4;
  });
  return accounts;
}

void TradeTicketWindowController::LoadAccountDetails() {
  ViewUpdate update(*this);
  const auto accounts = getAccountCollection();
  if (!accounts.empty()) {
    accountDetails_ = accounts.front();
    state_.account.text = std::to_string(accountDetails_->AccountId);
  }
  state_.account.items.clear();
  for (const auto& account : accounts) state_.account.items.push_back(std::to_string(account->AccountId));
}

void TradeTicketWindowController::AccountSelectionIsChanging(const std::string& accountText) {
  ViewUpdate update(*this);
  state_.account.text = accountText;
  const auto s = session();
  accountDetails_ = s ? s->referenceData().account(accountText) : nullptr;
}

void TradeTicketWindowController::LoadSymbolDetails(bool keepSymbol) {
  ViewUpdate update(*this);
  const auto s = session();
  if (!keepSymbol && s && !s->selectedSymbols().empty()) itemCode_ = s->selectedSymbols().front();
  SymbolSelectionIsChanging(itemCode_);
  state_.symbol.items = s ? s->selectedSymbols() : std::vector<std::string>{};
}

void TradeTicketWindowController::SymbolSelectionIsChanging(const std::string& itemCode) {
  ViewUpdate update(*this);
  itemCode_ = itemCode;
  const auto s = session();
  itemDetails_ = s ? s->referenceData().item(itemCode) : nullptr;
  state_.symbol.text = itemDetails_ ? itemDetails_->Code : itemCode;
  state_.symbolDescription = itemDetails_ ? itemDetails_->Name : std::string();
  if (view_) view_->showChartSymbol(itemCode, kChartKey);
  UpdateValuesinTimer();
  loadAvailableOrderControls();
}

std::vector<std::string> TradeTicketWindowController::quantityChoices(double maxOrderQty) {
  std::vector<std::string> choices;
  for (double n = 1; n <= maxOrderQty && choices.size() < kMaxListEntries; ++n) {
    choices.push_back(std::to_string(static_cast<long>(n)));
  }
  return choices;
}

void TradeTicketWindowController::LoadQuantity() {
  ViewUpdate update(*this);
  state_.quantity.text = "1";
  calculateContarctValueforQuantity(1);
  const auto terms = groupInstrument();
  state_.quantity.items = quantityChoices(terms ? terms->MaxOrderQty : 0);
}

void TradeTicketWindowController::calculateContarctValueforQuantity(double quantity) {
  ViewUpdate update(*this);
  const double contractSize = itemDetails_ ? itemDetails_->ContractSize : 0;
  state_.quantityDescription =
      ticket::printfString("%.2f x %.2f = %.2f", quantity, contractSize, quantity * contractSize);
}

void TradeTicketWindowController::LoadOrderType() {
  ViewUpdate update(*this);
  orderTypeArray_.clear();
  const std::pair<const char*, std::int32_t> kinds[] = {
      {MARKET_OT, OrderTypeBitMarket}, {LIMIT_OT, OrderTypeBitLimit}, {STOP_OT, OrderTypeBitStop}};
  if (!toggleMultiTrade()) {
    for (const auto& [name, bit] : kinds)
      if (allowed(bit)) orderTypeArray_.push_back(name);
  } else {
    // The union over the tradable accounts: a type counts when one account and the item have it.
    const auto accounts = getAccountCollection();
    const std::int32_t itemBits = itemDetails_ ? itemDetails_->availableOrderTypes : 0;
    for (const auto& [name, bit] : kinds) {
      const bool any = std::any_of(accounts.begin(), accounts.end(),
                                   [&](const auto& a) { return (a->availableOrderTypes & itemBits & bit) != 0; });
      if (any) orderTypeArray_.push_back(name);
    }
  }
  SetOrderType(orderTypeArray_.empty() ? std::string() : orderTypeArray_.front());
  state_.orderType.items = orderTypeArray_;
  SetFieldsforAvailableOrderTypes();
  checkDeviationisAvailable(state_.orderType.text);
}

void TradeTicketWindowController::SetOrderType(const std::string& text) {
  ViewUpdate update(*this);
  state_.orderType.text = text;
  LoadTimeinForce();
  orderType_ = text == MARKET_OT ? 1 : text == LIMIT_OT ? 2 : text == STOP_OT ? 3 : 0;
  EnableAdvancedControls();
  checkandloadOrderTypesforMultiAccount(text);
  checkDeviationisAvailable(text);
}

void TradeTicketWindowController::LoadTimeinForce() {
  ViewUpdate update(*this);
  SetTimeinForce(DAY_TIF);
  state_.timeInForce.items = {DAY_TIF, GTF_TIF, GTC_TIF};
}

void TradeTicketWindowController::SetTimeinForce(const std::string& text) {
  ViewUpdate update(*this);
  state_.timeInForce.text = text;
  if (text == DAY_TIF) timeinForce_ = 5;
  else if (text == GTF_TIF) timeinForce_ = 2;
  else if (text == GTC_TIF) timeinForce_ = 1;
}

void TradeTicketWindowController::LoadValidity() {
  ViewUpdate update(*this);
  const auto terms = groupInstrument();
  SetValidity(REGULAR_CONST);
  state_.validity.items.clear();
  if (!terms) return;
  if (terms->InitialMargin != 0) state_.validity.items.push_back(REGULAR_CONST);
  if (terms->IntradayOrderMargin != 0) state_.validity.items.push_back(INTRADAY_CONST);
  if (terms->BTSTOrderMargin != 0) state_.validity.items.push_back(BTST_CONST);
}

void TradeTicketWindowController::SetValidity(const std::string& text) {
  ViewUpdate update(*this);
  state_.validity.text = text;
  if (text == REGULAR_CONST) deliveryMode_ = 1;
  else if (text == INTRADAY_CONST) deliveryMode_ = 2;
  else if (text == BTST_CONST) deliveryMode_ = 3;
}

void TradeTicketWindowController::EnableAdvancedControls() {
  ViewUpdate update(*this);
  if (orderType_ == 2 || orderType_ == 3) {
    SetEnableAdvancedControls(true);
    updatePriceinTextField();
  } else if (orderType_ == 1) {
    SetEnableAdvancedControls(false);
    updatePriceinTextField();
  } else {
    SetEnableAdvancedControls(false);
  }
}

void TradeTicketWindowController::SetEnableAdvancedControls(bool flag) {
  ViewUpdate update(*this);
  state_.price.enabled = state_.priceStepper.enabled = state_.timeInForce.enabled = flag;
}

void TradeTicketWindowController::EnableTakeProfitControl(bool flag) {
  ViewUpdate update(*this);
  state_.takeProfitStepper.enabled = state_.takeProfitPrice.enabled = flag;
}

void TradeTicketWindowController::EnableStopLossControl(bool flag) {
  ViewUpdate update(*this);
  state_.stopLossStepper.enabled = state_.stopLossPrice.enabled = flag;
}

void TradeTicketWindowController::SetFieldsforAvailableOrderTypes() {
  ViewUpdate update(*this);
  if (toggleMultiTrade()) {
    // Ticking either box keeps only the accounts that allow it as rows.
    for (TicketControl* c : std::initializer_list<TicketControl*>{&state_.takeProfit, &state_.takeProfitStepper,
                                                                  &state_.takeProfitPrice, &state_.stopLoss,
                                                                  &state_.stopLossStepper, &state_.stopLossPrice}) {
      c->visible = true;
    }
    return;
  }
  const bool takeProfit = allowed(OrderTypeBitTakeProfit);
  state_.takeProfit.visible = state_.takeProfitStepper.visible = state_.takeProfitPrice.visible = takeProfit;
  if (!takeProfit) {
    state_.takeProfit.on = false;
    EnableTakeProfitControl(false);
    propose(state_.takeProfitPrice, {});
  }
  const bool stopLoss = allowed(OrderTypeBitStopLoss);
  state_.stopLoss.visible = state_.stopLossStepper.visible = state_.stopLossPrice.visible = stopLoss;
  if (!stopLoss) {
    state_.stopLoss.on = false;
    EnableStopLossControl(false);
    propose(state_.stopLossPrice, {});
  }
}

bool TradeTicketWindowController::checkMarketOrderisAvailable() const { return allowed(OrderTypeBitMarket); }

void TradeTicketWindowController::loadAvailableOrderControls() {
  ViewUpdate update(*this);
  const std::int32_t settings = itemDetails_ ? itemDetails_->availableOrderSettings : 0;
  const bool buying = (settings & 1) != 0;
  const bool selling = (settings & 2) != 0;
  const bool advanced = state_.mode == kAdvancedMode;
  state_.buyButton.enabled = state_.sellButton.enabled = false;
  if (advanced && !(buying && selling)) {
    // Take-profit and stop-loss only for items that trade both ways.
    state_.takeProfit.enabled = false;
    takeProfitCheckboxSelect(false);
    state_.stopLoss.enabled = false;
    stopLossCheckboxSelect(false);
    state_.placeButton.enabled = false;
  }
  if (buying) {
    state_.buyButton.enabled = true;
    if (advanced) state_.placeButton.enabled = true;
  }
  if (selling) {
    state_.sellButton.enabled = true;
    if (advanced) state_.placeButton.enabled = true;
  }
  if (!advanced) return;
  if (buying && selling) {
    buyButtonClicked();
    state_.takeProfit.enabled = state_.stopLoss.enabled = true;
  } else if (buying) {
    buyButtonClicked();
  } else if (selling) {
    sellButtonClicked();
  }
}

void TradeTicketWindowController::comboBoxSelectionIsChanging(TicketComboId combo, const std::string& value) {
  ViewUpdate update(*this);
  switch (combo) {
    case TicketComboId::Account:
      AccountSelectionIsChanging(value);
      LoadOrderType();
      LoadValidity();
      break;
    case TicketComboId::Symbol:
      SymbolSelectionIsChanging(value);
      updatePriceinTextField();
      LoadOrderType();
      LoadValidity();
      calculateContarctValueforQuantity(OrderRequests::leadingNumber(state_.quantity.text));
      break;
    case TicketComboId::Quantity: {
      const double quantity = OrderRequests::leadingNumber(value);
      state_.quantity.text = shortestNumber(quantity);
      calculateContarctValueforQuantity(quantity);
      break;
    }
    case TicketComboId::OrderType:
      SetOrderType(value);
      SetStepperValues();
      break;
    case TicketComboId::Validity: SetValidity(value); break;
    case TicketComboId::TimeInForce: SetTimeinForce(value); break;
  }
}

void TradeTicketWindowController::controlTextDidChange(TicketFieldId field, const std::string& text) {
  ViewUpdate update(*this);
  switch (field) {
    case TicketFieldId::Quantity:
      state_.quantity.text = text;
      calculateContarctValueforQuantity(OrderRequests::leadingNumber(text));
      break;
    case TicketFieldId::Price:
    case TicketFieldId::TakeProfit:
    case TicketFieldId::StopLoss: {
      // The typed price is kept when the ticket proposes anew (updatePriceinTextField).
      TicketField& price = field == TicketFieldId::Price        ? state_.price
                           : field == TicketFieldId::TakeProfit ? state_.takeProfitPrice
                                                                : state_.stopLossPrice;
      price.text = text;
      priceFieldEdited(price);
      break;
    }
    case TicketFieldId::Deviation: state_.deviation.text = text; break;
  }
}

}  // namespace td
