// The ticket's live quote, the bounds beside its three price fields, their colours and the
// steppers. The bounds come from the order desk (the rules validation applies), for the accounts
// the order goes to: the ticked rows in multi-account mode, else the chosen account.

#include <algorithm>

#include "model/AccountDetails.h"
#include "model/ItemDetails.h"
#include "orders/OrderMananger.h"
#include "ui/ticket/TradeTicketWindowController.h"
#include "wire/Formatter.h"
#include "wire/OrderRequests.h"

namespace td {
namespace {

double number(const std::string& text) { return OrderRequests::leadingNumber(text); }

// Red when the price breaks its bound, and for a price at or below zero, which the desk refuses
// whatever the bound (an empty field reads 0).
FieldColour colour(double price, bool breaksBound) {
  return price <= 0 || breaksBound ? FieldColour::Red : FieldColour::Green;
}

}  // namespace

void TradeTicketWindowController::UpdateValuesinTimer() {
  ViewUpdate update(*this);
  static const ItemDetails none;
  const ItemDetails& item = itemDetails_ ? *itemDetails_ : none;
  const auto price = [&item](double value) { return Formatter::formatDecimal(value, item.DecimalPlaces); };
  state_.headerSymbol = item.Code;
  state_.headerTime =
      Formatter::formatDateandTimeFromString(item.UpdateTime, DISPLAY_DATE_TIME_FORMAT, DISPLAY_TIME_FORMAT)
          .value_or(std::string());
  state_.headerLow = "Low : " + price(item.Low);
  state_.headerHigh = "High : " + price(item.High);
  state_.headerSpread = item.TickSize != 0 ? shortestNumber((item.Ask - item.Bid) / item.TickSize) : "0";
  state_.buyPrice = price(item.Ask);
  state_.sellPrice = price(item.Bid);
  updatePriceTextFieldColor();
  buyDepth_.setValue(itemCode_);
  sellDepth_.setValue(itemCode_);
  RefreshMultiTradeTableview();
}

std::vector<std::int32_t> TradeTicketWindowController::boundAccounts() const {
  std::vector<std::int32_t> accounts;
  if (toggleMultiTrade()) {
    for (const auto& row : checkPoints_)
      if (row->accountDet) accounts.push_back(row->accountDet->AccountId);
  }
  if (accounts.empty()) accounts.push_back(accountId());
  return accounts;
}

void TradeTicketWindowController::propose(TicketField& field, std::string text) {
  field.text = std::move(text);
  field.typed = false;
}

std::string TradeTicketWindowController::bracketProposal(bool takeProfit) const {
  const auto desk = orders();
  if (!desk) return {};
  // A price the desk accepts for the protecting side, with room for the market's next moves.
  return desk->UpdateTakeProfitandStopLoss(GetTradingMode() == 0 ? 1 : 0, itemCode_, takeProfit, boundAccounts(),
                                           orderType_, state_.price.text, PriceBounds::kPrefill);
}

void TradeTicketWindowController::updatePriceinTextField() {
  ViewUpdate update(*this);
  // Another order type, symbol, side or mode asks for prices of its own: typed ones give way too.
  ProposalBasis basis{state_.mode, orderType_, itemCode_, GetTradingMode()};
  if (basis != proposalBasis_) {
    proposalBasis_ = std::move(basis);
    for (TicketField* field : {&state_.price, &state_.takeProfitPrice, &state_.stopLossPrice}) field->typed = false;
  }
  if (state_.mode == kAdvancedMode && !state_.price.typed) {
    const auto desk = orders();
    propose(state_.price, desk ? desk->OrderTypeChange(orderType_, GetTradingMode(), itemCode_, boundAccounts(),
                                                       PriceBounds::kPrefill)
                               : std::string());
  }
  proposeBrackets();
  SetStepperValues();
  // The hints and colours follow the new bounds at once, not at the next second.
  updatePriceTextFieldColor();
}

void TradeTicketWindowController::proposeBrackets() {
  if (state_.takeProfit.on && !state_.takeProfitPrice.typed) propose(state_.takeProfitPrice, bracketProposal(true));
  if (state_.stopLoss.on && !state_.stopLossPrice.typed) propose(state_.stopLossPrice, bracketProposal(false));
}

void TradeTicketWindowController::priceFieldEdited(TicketField& field) {
  ViewUpdate update(*this);
  field.typed = true;
  // A limit or stop order's take-profit and stop-loss are measured from its price: those that still
  // hold the ticket's proposal follow it; typed ones stay.
  if (&field == &state_.price) proposeBrackets();
  SetStepperValues();
  // The colour tells the verdict on the text the field holds now, not on the one of the last second.
  updatePriceTextFieldColor();
}

void TradeTicketWindowController::SetStepperValues() {
  ViewUpdate update(*this);
  const double tick = itemDetails_ ? itemDetails_->TickSize : 0;
  const std::pair<TicketStepper*, const TicketField*> pairs[] = {{&state_.priceStepper, &state_.price},
                                                                 {&state_.takeProfitStepper, &state_.takeProfitPrice},
                                                                 {&state_.stopLossStepper, &state_.stopLossPrice}};
  for (const auto& [stepper, field] : pairs) {
    stepper->step = tick;
    stepper->value = number(field->text);
  }
}

void TradeTicketWindowController::stepperButtonPressed(TicketStepperId which, int direction) {
  ViewUpdate update(*this);
  TicketStepper& stepper = which == TicketStepperId::Price        ? state_.priceStepper
                           : which == TicketStepperId::TakeProfit ? state_.takeProfitStepper
                                                                  : state_.stopLossStepper;
  TicketField& field = which == TicketStepperId::Price        ? state_.price
                       : which == TicketStepperId::TakeProfit ? state_.takeProfitPrice
                                                              : state_.stopLossPrice;
  // One tick per click; a price never goes below 0. The price is the user's from then on.
  stepper.value = std::max(0.0, stepper.value + (direction < 0 ? -stepper.step : stepper.step));
  field.text = Formatter::formatDecimal(stepper.value, decimals());
  priceFieldEdited(field);
}

void TradeTicketWindowController::takeProfitCheckboxSelect(bool on) { bracketCheckboxSelect(true, on); }

void TradeTicketWindowController::stopLossCheckboxSelect(bool on) { bracketCheckboxSelect(false, on); }

void TradeTicketWindowController::bracketCheckboxSelect(bool takeProfit, bool on) {
  ViewUpdate update(*this);
  (takeProfit ? state_.takeProfit : state_.stopLoss).on = on;
  if (takeProfit) EnableTakeProfitControl(on);
  else EnableStopLossControl(on);
  propose(takeProfit ? state_.takeProfitPrice : state_.stopLossPrice, on ? bracketProposal(takeProfit) : std::string());
  SetStepperValues();
  updatePriceTextFieldColor();
  checkandloadOrderTypesforMultiAccount(state_.orderType.text);
}

void TradeTicketWindowController::updatePriceTextFieldColor() {
  ViewUpdate update(*this);
  const auto desk = orders();
  const std::int32_t side = GetTradingMode();
  const bool buy = side == 0;
  const std::vector<std::int32_t> accounts = boundAccounts();

  // The entry price against its bound: red exactly when it breaks the inequality of its hint.
  const double entryBound = desk ? number(desk->OrderTypeChange(orderType_, side, itemCode_, accounts, 0)) : 0;
  state_.priceHint = desk ? desk->OrderTypeChange(orderType_, side, itemCode_, accounts, 1) : std::string();
  const double p = number(state_.price.text);
  switch (orderType_) {
    case 3: state_.price.background = colour(p, buy ? p < entryBound : p > entryBound); break;
    case 2: state_.price.background = colour(p, buy ? p > entryBound : p < entryBound); break;
    case 1: state_.price.background = FieldColour::Neutral; break;
    default: break;
  }

  // Take-profit and stop-loss against the bounds of the protecting side.
  const std::int32_t protecting = buy ? 1 : 0;
  struct Leg {
    TicketCheckBox& box;
    TicketField& field;
    std::string& hint;
    bool takeProfit;
  };
  for (Leg leg : {Leg{state_.takeProfit, state_.takeProfitPrice, state_.takeProfitHint, true},
                  Leg{state_.stopLoss, state_.stopLossPrice, state_.stopLossHint, false}}) {
    if (!leg.box.on || !desk) {
      leg.field.background = FieldColour::Neutral;
      leg.hint.clear();
      continue;
    }
    const double bound = number(desk->UpdateTakeProfitandStopLoss(protecting, itemCode_, leg.takeProfit, accounts,
                                                                   orderType_, state_.price.text, 0));
    leg.hint = desk->UpdateTakeProfitandStopLoss(protecting, itemCode_, leg.takeProfit, accounts, orderType_,
                                                 state_.price.text, 1);
    const double value = number(leg.field.text);
    // A buy's take-profit lies above its bound and its stop-loss below; a sell's the other way.
    const bool above = leg.takeProfit == buy;
    leg.field.background = colour(value, above ? value < bound : value > bound);
  }
}

}  // namespace td
