// The order ticket's controller headless: its life, modes, lists and codes, enable rules, the live
// quote with bounds and colours, the orders it hands to the desk, the multi-account table; and the
// market-depth tables.

#include <gtest/gtest.h>

#include <QFont>

#include "TicketTestSupport.h"
#include "model/AccountDetails.h"
#include "ui/positions/ClosendCancelPositionWindowController.h"
#include "ui/positions/ModifyPositionWindowController.h"
#include "ui/positions/OffsetPositionWindowController.h"
#include "ui/ticket/MultiTradeTableModel.h"

namespace td::testing {
namespace {

using Ticket = TradeTicketWindowController;
using Strings = std::vector<std::string>;

// ---- life ----

TEST_F(TicketTest, FirstOpeningFromAWatchlistKeepsItsSymbolAndStartsSimpleWithTheDrawersShut) {
  open("GOLD", true);
  EXPECT_TRUE(ticket->isOpen());
  EXPECT_EQ(view->shown, 1);
  EXPECT_EQ(state().symbol.text, "GOLD");
  EXPECT_EQ(state().symbolDescription, "GOLD name");
  EXPECT_EQ(state().symbol.items, (Strings{"EURUSD", "GOLD"}));
  EXPECT_EQ(view->charts.back(), "GOLD 0#1");
  EXPECT_EQ(state().mode, Ticket::kSimpleMode);
  EXPECT_FALSE(state().leftDrawerOpen);
  EXPECT_FALSE(state().rightDrawerOpen);
  // Equity stop (1003) is no tradable account.
  EXPECT_EQ(state().account.items, (Strings{"1001", "1002"}));
  EXPECT_EQ(state().account.text, "1001");
}

TEST_F(TicketTest, OpeningTwiceKeepsOneTimerAndClosingStopsItUntilTheNextOpening) {
  open();
  open();
  for (const char* name : {"PlaceOrderNotification", "TableHeaderEditNotification", "ItemUpdateNotification"})
    EXPECT_EQ(notifications->observerCount(name), 1u) << name;
  EXPECT_EQ(queue.pendingTimers(), 1u);
  ticket->toggleRightDrawer();
  ticket->TradeTicketRadioButtonClicked(Ticket::kAdvancedMode);
  ticket->comboBoxSelectionIsChanging(TicketComboId::Quantity, "2");
  view->closeTicketWindow();
  EXPECT_FALSE(ticket->isOpen());
  EXPECT_EQ(notifications->observerCount("PlaceOrderNotification"), 0u);
  EXPECT_FALSE(state().rightDrawerOpen);
  // From the main window: the first selected symbol, simple mode, quantity 1.
  open("GOLD", false);
  EXPECT_TRUE(ticket->isOpen());
  EXPECT_EQ(state().symbol.text, "EURUSD");
  EXPECT_EQ(state().mode, Ticket::kSimpleMode);
  EXPECT_EQ(state().quantity.text, "1");
}

TEST_F(TicketTest, TheTimerRefreshesTheQuoteAndAWindowShownAgainAfterClosingComesBackLive) {
  open();
  data().item("EURUSD")->Bid = 1.0846;
  EXPECT_EQ(state().sellPrice, "1.08450");
  queue.advance(std::chrono::seconds(1));
  EXPECT_EQ(state().sellPrice, "1.08460");
  view->closeTicketWindow();
  data().item("EURUSD")->Bid = 1.0847;
  queue.advance(std::chrono::seconds(2));
  EXPECT_EQ(state().sellPrice, "1.08460");
  // The screen lock shows a closed ticket again: it must not stand frozen.
  ticket->windowDidShowAgain();
  EXPECT_EQ(state().sellPrice, "1.08470");
  EXPECT_TRUE(ticket->isOpen());
}

TEST_F(TicketTest, SymbolSelectionChangesReloadOrCloseAndANewLoginDropsTheOldRecords) {
  open("GOLD", true);
  session->setSelectedSymbols({"GOLD", "EURUSD"});
  notifications->post(Ticket::kItemUpdateNotification);
  EXPECT_EQ(state().symbol.text, "GOLD");
  EXPECT_EQ(state().symbol.items, (Strings{"GOLD", "EURUSD"}));

  const auto oldAccount = ticket->accountDetails();
  openSession();
  notifications->post(Ticket::kLoginSuccessNotification);
  EXPECT_TRUE(ticket->isOpen());
  EXPECT_NE(ticket->accountDetails(), oldAccount);
  EXPECT_EQ(ticket->accountDetails(), data().account("1001"));

  session->setSelectedSymbols({});
  notifications->post(Ticket::kItemUpdateNotification);
  EXPECT_EQ(view->closed, 1);
  EXPECT_FALSE(ticket->isOpen());
}

// ---- modes ----

TEST_F(TicketTest, ModeSwitchesEmptyTheBracketFieldsAndSetTheSidesAndTheAdvancedBox) {
  open();
  ticket->TradeTicketRadioButtonClicked(Ticket::kAdvancedMode);
  EXPECT_TRUE(state().advancedEnabled);
  EXPECT_DOUBLE_EQ(state().advancedAlpha, 1.0);
  EXPECT_TRUE(state().buyCheck.on);
  EXPECT_FALSE(state().sellCheck.on);
  EXPECT_TRUE(state().buyCheck.visible);
  ticket->takeProfitCheckboxSelect(true);
  ticket->stopLossCheckboxSelect(true);
  ticket->deviationCheckboxSelect(true);
  EXPECT_FALSE(state().takeProfitPrice.text.empty());
  EXPECT_EQ(state().deviation.text, "0");
  // The mode already chosen too.
  for (int mode : {Ticket::kAdvancedMode, Ticket::kSimpleMode}) {
    ticket->TradeTicketRadioButtonClicked(mode);
    EXPECT_EQ(state().takeProfitPrice.text, "") << mode;
    EXPECT_EQ(state().stopLossPrice.text, "") << mode;
    EXPECT_EQ(state().deviation.text, "") << mode;
    EXPECT_FALSE(state().takeProfit.on) << mode;
    EXPECT_FALSE(state().deviationBox.on) << mode;
  }
  ticket->TradeTicketRadioButtonClicked(Ticket::kSimpleMode);
  EXPECT_FALSE(state().advancedEnabled);
  EXPECT_DOUBLE_EQ(state().advancedAlpha, 0.4);
  EXPECT_FALSE(state().buyCheck.visible);
  EXPECT_EQ(ticket->GetTradingMode(), 1) << "both side boxes off read as sell";
}

// ---- lists, codes and enable rules ----

TEST_F(TicketTest, OrderTypesFollowTheBitsOfAccountAndItem) {
  open("GOLD", true);
  ticket->TradeTicketRadioButtonClicked(Ticket::kAdvancedMode);
  // 1001 has every kind, GOLD only limit and stop.
  EXPECT_EQ(state().orderType.items, (Strings{"Limit", "Stop"}));
  EXPECT_EQ(ticket->orderType(), 2);
  EXPECT_TRUE(state().price.enabled);
  EXPECT_TRUE(state().timeInForce.enabled);
  EXPECT_FALSE(state().takeProfit.visible) << "GOLD has no take-profit bit";
  // 1002 has market, take-profit and stop-loss only: nothing in common with GOLD.
  ticket->comboBoxSelectionIsChanging(TicketComboId::Account, "1002");
  EXPECT_TRUE(state().orderType.items.empty());
  EXPECT_EQ(ticket->orderType(), 0);
  EXPECT_FALSE(state().price.enabled);
  EXPECT_FALSE(state().timeInForce.enabled);
  ticket->comboBoxSelectionIsChanging(TicketComboId::Symbol, "EURUSD");
  EXPECT_EQ(state().orderType.items, (Strings{"Market"}));
  EXPECT_TRUE(state().takeProfit.visible);
  // Multi-account mode: the union over the accounts.
  ticket->toggleLeftDrawer();
  EXPECT_EQ(state().orderType.items, (Strings{"Market", "Limit", "Stop"}));
  EXPECT_FALSE(state().account.enabled);
  EXPECT_FALSE(state().quantity.enabled);
  // Opened again meanwhile: the drawer shuts, and the one account's own types come back with it.
  data().account("1001")->availableOrderTypes = 0x07;
  data().account("1002")->availableOrderTypes = 0xC7;
  open();
  EXPECT_FALSE(state().leftDrawerOpen);
  EXPECT_TRUE(state().account.enabled);
  EXPECT_EQ(state().orderType.items, (Strings{"Market"}));
}

TEST_F(TicketTest, QuantityValidityAndTimeInForceListsCarryTheirCodes) {
  open();
  EXPECT_EQ(state().quantity.items, (Strings{"1", "2", "3"}));
  EXPECT_EQ(state().quantityDescription, "1.00 x 100000.00 = 100000.00");
  ticket->controlTextDidChange(TicketFieldId::Quantity, "2");
  EXPECT_EQ(state().quantityDescription, "2.00 x 100000.00 = 200000.00");
  EXPECT_EQ(Ticket::quantityChoices(2.5), (Strings{"1", "2"}));
  EXPECT_TRUE(Ticket::quantityChoices(0).empty());
  EXPECT_TRUE(Ticket::quantityChoices(std::nan("")).empty());
  EXPECT_EQ(Ticket::quantityChoices(1e12).size(), Ticket::kMaxListEntries);
  EXPECT_EQ(Ticket::quantityChoices(1e12).back(), "1000");

  EXPECT_EQ(state().validity.items, (Strings{"Regular"}));
  auto terms = data().group("5")->GroupInstrumentCollection.at("1");
  terms->InitialMargin = 0;
  terms->IntradayOrderMargin = 5;
  ticket->LoadValidity();
  EXPECT_EQ(state().validity.items, (Strings{"IntraDay"}));
  EXPECT_EQ(state().validity.text, "Regular");
  EXPECT_EQ(ticket->deliveryMode(), 1);
  ticket->comboBoxSelectionIsChanging(TicketComboId::Validity, "IntraDay");
  EXPECT_EQ(ticket->deliveryMode(), 2);
  ticket->comboBoxSelectionIsChanging(TicketComboId::Validity, "nonsense");
  EXPECT_EQ(ticket->deliveryMode(), 2);

  EXPECT_EQ(state().timeInForce.items, (Strings{"Day", "GTF", "GTC"}));
  EXPECT_EQ(ticket->timeinForce(), 5);
  ticket->comboBoxSelectionIsChanging(TicketComboId::TimeInForce, "GTC");
  EXPECT_EQ(ticket->timeinForce(), 1);
  ticket->comboBoxSelectionIsChanging(TicketComboId::TimeInForce, "GTF");
  EXPECT_EQ(ticket->timeinForce(), 2);
}

TEST_F(TicketTest, AnItemThatOnlySellsAllowsOnlySellAndNoBrackets) {
  data().item("GOLD")->availableOrderTypes = 0xC7;
  open("GOLD", true);
  EXPECT_FALSE(state().buyButton.enabled);
  EXPECT_TRUE(state().sellButton.enabled);
  ticket->TradeTicketRadioButtonClicked(Ticket::kAdvancedMode);
  EXPECT_FALSE(state().buyButton.enabled);
  EXPECT_TRUE(state().sellCheck.on);
  EXPECT_FALSE(state().buyCheck.on);
  EXPECT_TRUE(state().placeShowsSell);
  EXPECT_FALSE(state().takeProfit.enabled);
  EXPECT_FALSE(state().stopLoss.on);
  EXPECT_TRUE(state().placeButton.enabled);
}

// ---- live values ----

TEST_F(TicketTest, QuoteHeaderShowsTimeRangeSpreadInTicksAndPricesWithTheItemsDecimals) {
  open();
  EXPECT_EQ(state().headerSymbol, "EURUSD");
  EXPECT_EQ(state().headerTime, "03:04:05");
  EXPECT_EQ(state().headerLow, "Low : 1.08350");
  EXPECT_EQ(state().headerHigh, "High : 1.08562");
  EXPECT_EQ(state().headerSpread, "12");
  EXPECT_EQ(state().buyPrice, "1.08462");
  data().item("EURUSD")->Ask = 1.084525;
  ticket->UpdateValuesinTimer();
  EXPECT_EQ(state().headerSpread, "2.5");
  auto item = data().item("EURUSD");
  item->TickSize = 0;
  item->DecimalPlaces = 0;
  ticket->UpdateValuesinTimer();
  EXPECT_EQ(state().headerSpread, "0");
  EXPECT_EQ(state().sellPrice, "1.08") << "no decimals read as two";
}

TEST_F(TicketTest, EntryPriceIsPrefilledBeyondItsBoundAndTurnsRedWithinASecondWhenItBreaksIt) {
  open();
  ticket->TradeTicketRadioButtonClicked(Ticket::kAdvancedMode);
  ticket->comboBoxSelectionIsChanging(TicketComboId::OrderType, "Stop");
  // A buy stop lies at or above Ask + 10 pips; it is proposed with room for two more, and its hint
  // and colour come with the proposal.
  EXPECT_EQ(state().price.text, "1.08474");
  EXPECT_EQ(state().priceHint, ">= 1.08472");
  EXPECT_EQ(state().price.background, FieldColour::Green);
  queue.advance(std::chrono::seconds(1));
  EXPECT_EQ(state().priceHint, ">= 1.08472");
  EXPECT_EQ(state().price.background, FieldColour::Green);
  ticket->controlTextDidChange(TicketFieldId::Price, "1.08471");
  queue.advance(std::chrono::seconds(1));
  EXPECT_EQ(state().price.background, FieldColour::Red);
  // A sell limit lies at or above Bid + 10 pips: below it is red.
  ticket->sellButtonClicked();
  EXPECT_EQ(state().priceHint, "<= 1.08440") << "the hint follows the side at once";
  ticket->comboBoxSelectionIsChanging(TicketComboId::OrderType, "Limit");
  ticket->controlTextDidChange(TicketFieldId::Price, "1.08459");
  queue.advance(std::chrono::seconds(1));
  EXPECT_EQ(state().priceHint, ">= 1.08460");
  EXPECT_EQ(state().price.background, FieldColour::Red);
  // A market order has no price, no hint and no colour.
  ticket->comboBoxSelectionIsChanging(TicketComboId::OrderType, "Market");
  queue.advance(std::chrono::seconds(1));
  EXPECT_EQ(state().price.text, "");
  EXPECT_EQ(state().priceHint, "");
  EXPECT_EQ(state().price.background, FieldColour::Neutral);
}

TEST_F(TicketTest, BracketsOfAMarketOrderComeFromTheDesksBoundsAndUntickingClearsThem) {
  open();
  ticket->TradeTicketRadioButtonClicked(Ticket::kAdvancedMode);
  ticket->takeProfitCheckboxSelect(true);
  ticket->stopLossCheckboxSelect(true);
  const auto desk = context().orderMananger();
  // A buy: the protecting side is 1.
  EXPECT_EQ(state().takeProfitPrice.text,
            desk->UpdateTakeProfitandStopLoss(1, "EURUSD", true, 1001, 1, "", PriceBounds::kPrefill));
  EXPECT_EQ(state().stopLossPrice.text,
            desk->UpdateTakeProfitandStopLoss(1, "EURUSD", false, 1001, 1, "", PriceBounds::kPrefill));
  EXPECT_EQ(state().takeProfit.on, true);
  ticket->updatePriceTextFieldColor();
  EXPECT_EQ(state().takeProfitPrice.background, FieldColour::Green);
  EXPECT_EQ(state().stopLossPrice.background, FieldColour::Green);
  EXPECT_EQ(state().takeProfitHint.substr(0, 3), ">= ");
  EXPECT_EQ(state().stopLossHint.substr(0, 3), "<= ");
  // A take-profit below its bound and a stop-loss above its bound are red.
  ticket->controlTextDidChange(TicketFieldId::TakeProfit, "1.0");
  ticket->controlTextDidChange(TicketFieldId::StopLoss, "2.0");
  ticket->updatePriceTextFieldColor();
  EXPECT_EQ(state().takeProfitPrice.background, FieldColour::Red);
  EXPECT_EQ(state().stopLossPrice.background, FieldColour::Red);
  ticket->stopLossCheckboxSelect(false);
  ticket->updatePriceTextFieldColor();
  EXPECT_EQ(state().stopLossPrice.text, "");
  EXPECT_EQ(state().stopLossHint, "");
  EXPECT_EQ(state().stopLossPrice.background, FieldColour::Neutral);
  EXPECT_FALSE(state().stopLossPrice.enabled);
}

// The desk refuses a price at or below zero whatever its bound: such a field, an empty one included,
// is red even where it keeps the inequality of its hint (a buy limit and a buy's stop-loss lie at
// or below theirs).
TEST_F(TicketTest, APriceAtOrBelowZeroIsRed) {
  open();
  ticket->TradeTicketRadioButtonClicked(Ticket::kAdvancedMode);
  ticket->comboBoxSelectionIsChanging(TicketComboId::OrderType, "Limit");
  ticket->stopLossCheckboxSelect(true);
  ticket->controlTextDidChange(TicketFieldId::Price, "");
  ticket->controlTextDidChange(TicketFieldId::StopLoss, "-0.5");
  ticket->updatePriceTextFieldColor();
  EXPECT_EQ(state().priceHint.substr(0, 3), "<= ");
  EXPECT_EQ(state().price.background, FieldColour::Red);
  EXPECT_EQ(state().stopLossPrice.background, FieldColour::Red);
}

// The colour tells the verdict on the text the field holds from the edit on (typing, pasting,
// stepping), not from the next second's refresh; an emptied ticked box has no price.
TEST_F(TicketTest, APriceFieldIsRecolouredAtEveryEditAndAnEmptiedOneIsRefusedAsMissing) {
  open();
  ticket->TradeTicketRadioButtonClicked(Ticket::kAdvancedMode);
  ticket->stopLossCheckboxSelect(true);
  ASSERT_EQ(state().stopLossHint, "<= 1.08440");
  const auto colourAfter = [&](const std::string& text) {
    ticket->controlTextDidChange(TicketFieldId::StopLoss, text);
    return state().stopLossPrice.background;
  };
  EXPECT_EQ(colourAfter("1.09000"), FieldColour::Red);
  EXPECT_EQ(colourAfter("1.08440"), FieldColour::Green);
  ticket->stepperButtonPressed(TicketStepperId::StopLoss, +1);
  EXPECT_EQ(state().stopLossPrice.background, FieldColour::Red);
  EXPECT_EQ(colourAfter(""), FieldColour::Red);
  ticket->placeOrderButtonClicked();
  queue.runPending();
  EXPECT_EQ(view->alerts, (Strings{"Info: Stop Loss price cannot be empty"}));
  EXPECT_TRUE(sentOrders().empty());
}

// A limit order's take-profit and stop-loss are measured from its price: those that still hold the
// ticket's proposal follow the price as it is typed or stepped, a typed one stays.
TEST_F(TicketTest, ProposedBracketsFollowTheEntryPriceAndTypedOnesStay) {
  open();
  ticket->TradeTicketRadioButtonClicked(Ticket::kAdvancedMode);
  ticket->comboBoxSelectionIsChanging(TicketComboId::OrderType, "Limit");
  ticket->takeProfitCheckboxSelect(true);
  ticket->stopLossCheckboxSelect(true);
  ticket->controlTextDidChange(TicketFieldId::Price, "1.08000");
  EXPECT_EQ(state().takeProfitPrice.text, "1.08010");
  EXPECT_EQ(state().stopLossPrice.text, "1.07976");
  ticket->controlTextDidChange(TicketFieldId::TakeProfit, "1.09000");
  ticket->stepperButtonPressed(TicketStepperId::Price, -1);
  EXPECT_EQ(state().takeProfitPrice.text, "1.09000");
  EXPECT_EQ(state().stopLossPrice.text, "1.07975");
}

// The proposals pass the desk's check of the order they go with, and a market order's stop-loss
// never lies where the new position would be stopped out at once, though the spread (12 ticks) is
// wider than the stop distance (10). Buy and Sell of the expanding watchlist open this same ticket.
TEST_F(TicketTest, ProposedBracketsPassTheDesksCheckAndNoStopLossLiesBeyondTheClosingPrice) {
  for (const bool fromWatchlist : {false, true}) {
    for (const char* type : {"Market", "Stop"}) {
      for (const int side : {0, 1}) {
        SCOPED_TRACE(::testing::Message() << type << (side == 0 ? " buy" : " sell")
                                          << (fromWatchlist ? " from a watchlist" : ""));
        open("EURUSD", fromWatchlist);
        ticket->TradeTicketRadioButtonClicked(Ticket::kAdvancedMode);
        ticket->comboBoxSelectionIsChanging(TicketComboId::OrderType, type);
        if (side == 0) ticket->buyButtonClicked();
        else ticket->sellButtonClicked();
        ticket->takeProfitCheckboxSelect(true);
        ticket->stopLossCheckboxSelect(true);
        const std::size_t sent = sentOrders().size();
        ticket->placeOrderButtonClicked();
        if (std::string(type) == "Market") ticket->handleResult(true, false);
        queue.runPending();
        EXPECT_EQ(view->alerts, Strings{});
        ASSERT_EQ(sentOrders().size(), sent + 1);
        const double stopLoss = std::stod(tag(sentOrders().back(), "40"));
        if (std::string(type) == "Market") {
          if (side == 0) EXPECT_LT(stopLoss, 1.0845);
          else EXPECT_GT(stopLoss, 1.08462);
        }
        view->alerts.clear();
      }
    }
  }
}

// What the user typed stays while the ticket proposes anew for other accounts and boxes; a new
// side, like a new order type, symbol or mode, asks for prices of its own.
TEST_F(TicketTest, TypedPricesStayUntilTheOrderTypeSymbolSideOrModeChanges) {
  data().account("1002")->availableOrderTypes = 0xC7;
  open();
  ticket->TradeTicketRadioButtonClicked(Ticket::kAdvancedMode);
  ticket->takeProfitCheckboxSelect(true);
  ticket->controlTextDidChange(TicketFieldId::TakeProfit, "1.09500");
  ticket->comboBoxSelectionIsChanging(TicketComboId::Account, "1002");
  notifications->post(Ticket::kItemUpdateNotification);
  EXPECT_EQ(state().takeProfitPrice.text, "1.09500");
  // Several accounts: a typed buy limit and take-profit, then accounts and the stop-loss box ticked.
  ticket->toggleLeftDrawer();
  ticket->comboBoxSelectionIsChanging(TicketComboId::OrderType, "Limit");
  ticket->controlTextDidChange(TicketFieldId::Price, "1.08000");
  ticket->controlTextDidChange(TicketFieldId::TakeProfit, "1.09500");
  ticket->hitCheckbox(0);
  ticket->hitCheckbox(1);
  ticket->stopLossCheckboxSelect(true);
  EXPECT_EQ(state().price.text, "1.08000");
  EXPECT_EQ(state().takeProfitPrice.text, "1.09500");
  EXPECT_EQ(state().price.background, FieldColour::Green);
  ticket->sellButtonClicked();
  EXPECT_NE(state().price.text, "1.08000");
  EXPECT_NE(state().takeProfitPrice.text, "1.09500");
}

TEST_F(TicketTest, AStepperMovesItsPriceByOneTick) {
  open();
  ticket->TradeTicketRadioButtonClicked(Ticket::kAdvancedMode);
  ticket->comboBoxSelectionIsChanging(TicketComboId::OrderType, "Limit");
  EXPECT_DOUBLE_EQ(state().priceStepper.step, 0.00001);
  ticket->controlTextDidChange(TicketFieldId::Price, "1.0844");
  ticket->stepperButtonPressed(TicketStepperId::Price, +1);
  EXPECT_EQ(state().price.text, "1.08441");
  ticket->stepperButtonPressed(TicketStepperId::Price, -1);
  ticket->stepperButtonPressed(TicketStepperId::Price, -1);
  EXPECT_EQ(state().price.text, "1.08439");
}

// ---- placing ----

TEST_F(TicketTest, SimpleModeRefusesAnItemWithoutMarketOrdersAndSendsNothing) {
  open("GOLD", true);
  ticket->sellButtonClicked();
  EXPECT_EQ(view->alerts, (Strings{"Info: Order type is not valid"}));
  EXPECT_TRUE(view->sheets.empty());
  EXPECT_TRUE(sentOrders().empty());
}

TEST_F(TicketTest, MarketOrderGoesAfterTheSheetAndTheSuppressionBoxSkipsLaterSheets) {
  open();
  ticket->controlTextDidChange(TicketFieldId::Quantity, "2");
  ticket->buyButtonClicked();
  ASSERT_EQ(view->sheets, (Strings{"Buy 2 (200000) EURUSD @ Market Price\n\n"}));
  EXPECT_TRUE(sentOrders().empty());
  // Cancel, even with the box ticked, sends nothing and changes nothing.
  ticket->handleResult(false, true);
  EXPECT_TRUE(sentOrders().empty());
  ticket->sellButtonClicked();
  ASSERT_EQ(view->sheets.size(), 2u);
  ticket->handleResult(true, true);
  ASSERT_EQ(sentOrders().size(), 1u);
  const std::string order = sentOrders()[0];
  EXPECT_EQ(tag(order, "34"), "1001");
  EXPECT_EQ(tag(order, "32"), "29");  // market
  EXPECT_EQ(tag(order, "36"), "46");  // sell
  EXPECT_EQ(tag(order, "37"), "2");
  EXPECT_EQ(tag(order, "38"), "1.08450");
  EXPECT_EQ(tag(order, "77"), "-1");
  EXPECT_TRUE(context().dontshowOrderConfirmation());
  ticket->buyButtonClicked();
  EXPECT_EQ(view->sheets.size(), 2u);
  EXPECT_EQ(sentOrders().size(), 2u);
  EXPECT_EQ(session->PendingOrderCollection.size(), 2u);
}

TEST_F(TicketTest, AdvancedLimitWithTakeProfitGoesWithoutASheetAndRefusalsComeBackAsAlerts) {
  open();
  ticket->TradeTicketRadioButtonClicked(Ticket::kAdvancedMode);
  ticket->comboBoxSelectionIsChanging(TicketComboId::OrderType, "Limit");
  ticket->comboBoxSelectionIsChanging(TicketComboId::TimeInForce, "GTC");
  ticket->controlTextDidChange(TicketFieldId::Price, "1.08");
  ticket->takeProfitCheckboxSelect(true);
  EXPECT_EQ(state().takeProfitPrice.text, "1.08010");
  const OrderInfo info = ticket->CreateOrderInfoforTradeMode(0, 1001, "1");
  EXPECT_EQ(info.orderType, 2);
  EXPECT_EQ(info.timeinForce, 1);
  EXPECT_EQ(info.price, "1.08");
  EXPECT_EQ(info.limitPrice, "1.08010");
  EXPECT_TRUE(info.TakeProfitEnabled);
  EXPECT_FALSE(info.StopLossEnabled);
  EXPECT_EQ(info.deviation, -1);
  EXPECT_TRUE(info.orderDetails.empty());
  ticket->placeOrderButtonClicked();
  EXPECT_TRUE(view->sheets.empty());
  ASSERT_EQ(sentOrders().size(), 1u);
  EXPECT_EQ(tag(sentOrders()[0], "32"), "30");
  EXPECT_EQ(tag(sentOrders()[0], "39"), "1.08010");
  EXPECT_EQ(tag(sentOrders()[0], "43"), "47");

  // A price above the bound of a buy limit is refused by the desk; the ticket shows its reason
  // once the action is over, and "AbortModal" shows nothing.
  ticket->controlTextDidChange(TicketFieldId::Price, "1.09");
  ticket->placeOrderButtonClicked();
  EXPECT_TRUE(view->alerts.empty());
  notifications->post(OrderMananger::kPlaceOrderNotification, std::string(OrderMananger::kAbortModal));
  queue.runPending();
  ASSERT_EQ(view->alerts.size(), 1u);
  EXPECT_EQ(view->alerts[0].rfind("Info: Limit price should be", 0), 0u) << view->alerts[0];
  EXPECT_EQ(sentOrders().size(), 1u);
}

// A take-profit or stop-loss goes with an order only while its box is ticked, for one account or
// several: not a price left in a field whose box is off (the window keeps that field disabled).
TEST_F(TicketTest, AnUntickedTakeProfitOrStopLossNeverGoesWithTheOrder) {
  context().setDontshowOrderConfirmation(true);
  open();
  ticket->TradeTicketRadioButtonClicked(Ticket::kAdvancedMode);
  ticket->controlTextDidChange(TicketFieldId::TakeProfit, "1.09500");
  ticket->controlTextDidChange(TicketFieldId::StopLoss, "1.07500");
  ticket->placeOrderButtonClicked();
  ticket->toggleLeftDrawer();
  ticket->selectAllMultiAccountCheckBoxClicked(true);
  ticket->QuantitySelectedAtIndex(0, "1");
  ticket->QuantitySelectedAtIndex(1, "1");
  ticket->placeOrderButtonClicked();
  ASSERT_EQ(sentOrders().size(), 2u);
  for (const std::string& order : sentOrders()) {
    EXPECT_EQ(tag(order, "39"), "");
    EXPECT_EQ(tag(order, "40"), "");
  }
}

TEST_F(TicketTest, DeviationIsSentWhenTickedAndMustNotBeEmpty) {
  open();
  ticket->TradeTicketRadioButtonClicked(Ticket::kAdvancedMode);
  ASSERT_TRUE(state().deviationBox.visible) << "1001 allows a deviation on market orders";
  ticket->deviationCheckboxSelect(true);
  ticket->controlTextDidChange(TicketFieldId::Deviation, "");
  ticket->placeOrderButtonClicked();
  EXPECT_EQ(view->alerts, (Strings{"Info: Deviation cannot be empty"}));
  ticket->controlTextDidChange(TicketFieldId::Deviation, "15");
  EXPECT_EQ(ticket->CreateOrderInfoforTradeMode(0, 1001, "1").deviation, 15);
  ticket->comboBoxSelectionIsChanging(TicketComboId::Account, "1002");
  EXPECT_FALSE(state().deviationBox.visible);
  EXPECT_FALSE(state().deviationBox.on);
}

TEST_F(TicketTest, ConfirmationTextListsTheTickedBracketsInDoublePrecision) {
  open();
  ticket->TradeTicketRadioButtonClicked(Ticket::kAdvancedMode);
  ticket->takeProfitCheckboxSelect(true);
  ticket->stopLossCheckboxSelect(true);
  ticket->controlTextDidChange(TicketFieldId::TakeProfit, "1.25");
  ticket->controlTextDidChange(TicketFieldId::StopLoss, "1.2");
  EXPECT_EQ(ticket->orderConfirmation(0, "EURUSD", "2", 100000),
            "Buy 2 (200000) EURUSD @ Market Price\n\nTake Profit @ 1.25\n\nStop Loss @ 1.2");
  // 16777217 lots is not a single-precision number.
  EXPECT_EQ(ticket->orderConfirmation(1, "X", "16777217", 1), "Sell 16777217 (16777217) X @ Market Price\n\n"
                                                               "Take Profit @ 1.25\n\nStop Loss @ 1.2");
}

// ---- multi-account ----

TEST_F(TicketTest, TheDrawerIsOfferedForTwoTradableAccountsWithoutTheWithdrawingBit) {
  open();
  EXPECT_TRUE(state().multitradeButton.visible);
  ASSERT_EQ(ticket->multitradeAccounts().size(), 2u);
  data().account("1002")->accountSettings1 = 1;
  open();
  EXPECT_FALSE(state().multitradeButton.visible);
  data().account("1002")->accountSettings1 = 0;
  data().account("1002")->tradingStatus = 4;
  open();
  EXPECT_FALSE(state().multitradeButton.visible);
}

TEST_F(TicketTest, RowsFollowOrderTypeBracketsAndDeviationAndLoseTheirTicks) {
  open();
  ticket->toggleLeftDrawer();
  ticket->TradeTicketRadioButtonClicked(Ticket::kAdvancedMode);
  ASSERT_EQ(ticket->multitradeAccounts().size(), 2u);
  ticket->hitCheckbox(0);
  ticket->deviationCheckboxSelect(true);
  ASSERT_EQ(ticket->multitradeAccounts().size(), 1u) << "only 1001 allows a deviation";
  EXPECT_TRUE(ticket->checkPoints().empty());
  ticket->deviationCheckboxSelect(false);
  EXPECT_EQ(ticket->multitradeAccounts().size(), 2u);
  ticket->comboBoxSelectionIsChanging(TicketComboId::OrderType, "Limit");
  ticket->takeProfitCheckboxSelect(true);
  ASSERT_EQ(ticket->multitradeAccounts().size(), 1u);
  EXPECT_EQ(ticket->multitradeAccounts()[0]->accountDet->AccountId, 1001);
}

TEST_F(TicketTest, SelectAllIsTickedExactlyWhenEveryRowIs) {
  open();
  ticket->toggleLeftDrawer();
  ticket->TradeTicketRadioButtonClicked(Ticket::kAdvancedMode);
  ticket->selectAllMultiAccountCheckBoxClicked(true);
  // Ticking take-profit makes the rows anew, none of them ticked.
  ticket->takeProfitCheckboxSelect(true);
  EXPECT_TRUE(ticket->checkPoints().empty());
  EXPECT_FALSE(state().selectAll.on);
  ticket->hitCheckbox(0);
  EXPECT_FALSE(state().selectAll.on);
  ticket->hitCheckbox(1);
  EXPECT_TRUE(state().selectAll.on);
}

TEST_F(TicketTest, TheTableIsResetBeforeItsRowsGoAndDrawsItsCellsInTwelvePointLucidaGrande) {
  open();
  ticket->toggleLeftDrawer();
  ticket->TradeTicketRadioButtonClicked(Ticket::kAdvancedMode);
  MultiTradeTableModel& table = ticket->multitradeTableModel();
  ASSERT_EQ(table.rowCount(), 2);
  std::vector<int> rowsWhenTold;
  QObject::connect(&table, &QAbstractItemModel::modelAboutToBeReset,
                   [&] { rowsWhenTold.push_back(static_cast<int>(ticket->multitradeAccounts().size())); });
  ticket->deviationCheckboxSelect(true);
  EXPECT_EQ(rowsWhenTold, std::vector<int>{2});
  EXPECT_EQ(table.rowCount(), 1);
  for (int column = 0; column < MultiTradeTableModel::ColumnCount; ++column) {
    const QFont font = table.data(table.index(0, column), Qt::FontRole).value<QFont>();
    EXPECT_EQ(font.family(), "Lucida Grande");
    EXPECT_EQ(font.pixelSize(), 12);
  }
}

TEST_F(TicketTest, RowQuantitiesAddUpAndTheHeaderSetsEveryTickedRow) {
  open();
  ticket->toggleLeftDrawer();
  MultiTradeTableModel& table = ticket->multitradeTableModel();
  table.setData(table.index(0, MultiTradeTableModel::SelectColumn), Qt::Checked, Qt::CheckStateRole);
  EXPECT_TRUE(table.flags(table.index(0, MultiTradeTableModel::QuantityColumn)) & Qt::ItemIsEditable);
  EXPECT_FALSE(table.flags(table.index(1, MultiTradeTableModel::QuantityColumn)) & Qt::ItemIsEditable);
  table.setData(table.index(0, MultiTradeTableModel::QuantityColumn), "3");
  EXPECT_EQ(state().quantity.text, "3");
  EXPECT_EQ(table.cellText(0, MultiTradeTableModel::QuantityColumn), "3");
  // Unticking sets the row back to 0.
  table.setData(table.index(0, MultiTradeTableModel::SelectColumn), Qt::Unchecked, Qt::CheckStateRole);
  EXPECT_EQ(state().quantity.text, "0");
  EXPECT_FALSE(ticket->doubleClickInTableViewHeader(-1, MultiTradeTableModel::QuantityColumn));
  ticket->selectAllMultiAccountCheckBoxClicked(true);
  EXPECT_FALSE(ticket->doubleClickInTableViewHeader(0, MultiTradeTableModel::QuantityColumn));
  EXPECT_FALSE(ticket->doubleClickInTableViewHeader(-1, MultiTradeTableModel::AccountColumn));
  EXPECT_TRUE(ticket->doubleClickInTableViewHeader(-1, MultiTradeTableModel::QuantityColumn));
  EXPECT_EQ(view->headerEdits, 1);
  notifications->post(Ticket::kTableHeaderEditNotification, std::string("1.5"));
  EXPECT_EQ(state().quantity.text, "3");
  EXPECT_EQ(state().quantityDescription, "3.00 x 100000.00 = 300000.00");
  EXPECT_EQ(table.cellText(1, MultiTradeTableModel::QuantityColumn), "1.5");
  EXPECT_EQ(ticket->GenerateMultiTradeOrderDetails(), "1001\x05" "1.500000\x05" "1\x06" "1002\x05" "1.500000\x05" "1\x06");
}

// Shut, by its button or with the window, the drawer gives the one account its own quantity back.
TEST_F(TicketTest, ShuttingTheDrawerBringsBackTheOneAccountsQuantity) {
  open();
  ticket->comboBoxSelectionIsChanging(TicketComboId::Quantity, "2");
  for (const bool withTheWindow : {false, true}) {
    ticket->toggleLeftDrawer();
    ticket->QuantitySelectedAtIndex(0, "3");
    EXPECT_EQ(state().quantity.text, "3");
    if (withTheWindow) ticket->windowWillClose();
    else ticket->toggleLeftDrawer();
    EXPECT_EQ(state().quantity.text, "2");
    EXPECT_EQ(state().quantityDescription, "2.00 x 100000.00 = 200000.00");
  }
}

TEST_F(TicketTest, AvailableMarginIsFiguredOnACopyOfTheAccount) {
  auto position = std::make_shared<Order>();
  position->AccountNumber = "1002";
  position->ItemCode = "EURUSD";
  position->UnrealisedPL = -200;
  session->OpenOrderCollection.push_back(position);
  auto account = data().account("1002");
  account->Balance = 1000;
  account->UsedMargin = 300;
  account->AvailableMargin = 12345;
  open();
  ticket->toggleLeftDrawer();
  // Leverage: 50 % of -200; equity 1000 - 100; free 900 - 300.
  EXPECT_EQ(ticket->availableMarginText(1), "600.00");
  EXPECT_DOUBLE_EQ(account->AvailableMargin, 12345) << "the margin check reads this record";
  EXPECT_DOUBLE_EQ(account->Leverage, 0);
}

TEST_F(TicketTest, SimpleModeSendsOnlyMarketOrdersForSeveralAccounts) {
  open("GOLD", true);
  ticket->toggleLeftDrawer();
  // 1001 and GOLD share only limit and stop.
  ASSERT_EQ(state().orderType.text, "Limit");
  ticket->selectAllMultiAccountCheckBoxClicked(true);
  ticket->sellButtonClicked();
  EXPECT_EQ(view->alerts, (Strings{"Info: Order type is not valid"}));
  EXPECT_TRUE(sentOrders().empty());
}

TEST_F(TicketTest, SeveralAccountsAreEachValidatedThenSentAsOneBulkOrder) {
  open();
  ticket->toggleLeftDrawer();
  ticket->buyButtonClicked();
  EXPECT_EQ(view->alerts, (Strings{"Info: Please select an Account"}));
  ticket->hitCheckbox(1);
  ticket->QuantitySelectedAtIndex(1, "2");
  ticket->hitCheckbox(0);
  ticket->QuantitySelectedAtIndex(0, "1.5");
  // 0.05 lots is below the group's minimum: the first refusal stops everything.
  ticket->QuantitySelectedAtIndex(1, "0.05");
  int refusals = 0;
  const auto token = notifications->addObserver(OrderMananger::kPlaceOrderNotification,
                                                [&](const Notification&) { ++refusals; });
  ticket->buyButtonClicked();
  EXPECT_EQ(refusals, 1);
  EXPECT_TRUE(view->sheets.empty());
  ticket->QuantitySelectedAtIndex(1, "2");
  ticket->buyButtonClicked();
  ASSERT_EQ(view->sheets.size(), 1u);
  EXPECT_EQ(view->sheets[0].substr(0, 20), "Buy 3.5 (350000) EUR");
  session->setRequestid(40);
  ticket->handleResult(true, false);
  notifications->removeObserver(token);
  ASSERT_EQ(sentOrders().size(), 1u);
  const std::string bulk = sentOrders()[0];
  EXPECT_EQ(tag(bulk, "10"), "77");
  EXPECT_EQ(tag(bulk, "34"), "<none>");
  // In the order the rows were ticked.
  EXPECT_EQ(tag(bulk, "91"), "1002\x05" "2.000000\x05" "41\x06" "1001\x05" "1.500000\x05" "41\x06");
  EXPECT_TRUE(session->PendingOrderCollection.empty());
}

// Account 1002 trades in a group whose take-profits keep 30 pips: an order for both accounts is
// proposed the farthest bound, which each of them passes, and the proposal, its hint and its colour
// follow the ticked rows.
TEST_F(TicketTest, ProposalsAndHintsFollowTheTickedAccountsAndTheFarthestBoundPassesEach) {
  data().FillGroupDetails(XmlRow{{{"GroupId", "6"}}});
  data().FillGroupInstruments(XmlRow{{{"groupid", "6"}, {"InstrumentId", "1"}}});
  const auto group = data().group("6");
  group->TradingEnabled = true;
  *group->GroupInstrumentCollection.at("1") = *data().group("5")->GroupInstrumentCollection.at("1");
  group->GroupInstrumentCollection.at("1")->LimitMinPips = 30;
  data().account("1002")->GroupId = "6";
  open();
  ticket->toggleLeftDrawer();
  ticket->TradeTicketRadioButtonClicked(Ticket::kAdvancedMode);
  ticket->takeProfitCheckboxSelect(true);
  // A market buy's take-profit: Ask + 10 pips for 1001, + 30 pips for 1002, proposed with a fifth
  // more.
  ticket->hitCheckbox(0);
  EXPECT_EQ(state().takeProfitPrice.text, "1.08474");
  ticket->hitCheckbox(1);
  EXPECT_EQ(state().takeProfitPrice.text, "1.08498");
  EXPECT_EQ(state().takeProfitHint, ">= 1.08492");
  // A price below both accounts' bounds is refused with the one the hint names, though the account
  // checked first has a nearer one of its own.
  ticket->controlTextDidChange(TicketFieldId::TakeProfit, "1.08470");
  ticket->QuantitySelectedAtIndex(0, "1");
  ticket->QuantitySelectedAtIndex(1, "1");
  ticket->placeOrderButtonClicked();
  queue.runPending();
  EXPECT_EQ(view->alerts, (Strings{"Info: Take Profit price should be greater than or equal to 1.08492"}));
  EXPECT_TRUE(sentOrders().empty());
  view->alerts.clear();
  ticket->controlTextDidChange(TicketFieldId::TakeProfit, "1.08472");
  queue.advance(std::chrono::seconds(1));
  EXPECT_EQ(state().takeProfitPrice.background, FieldColour::Red);
  // A typed price stays; it is only held to the new bound.
  ticket->hitCheckbox(1);
  EXPECT_EQ(state().takeProfitPrice.text, "1.08472");
  EXPECT_EQ(state().takeProfitHint, ">= 1.08472");
  EXPECT_EQ(state().takeProfitPrice.background, FieldColour::Green);

  // Ticked anew, the box proposes again (and the rows start unticked).
  ticket->takeProfitCheckboxSelect(false);
  ticket->takeProfitCheckboxSelect(true);
  ticket->selectAllMultiAccountCheckBoxClicked(true);
  EXPECT_EQ(state().takeProfitPrice.text, "1.08498");
  ticket->QuantitySelectedAtIndex(0, "1");
  ticket->QuantitySelectedAtIndex(1, "1");
  ticket->placeOrderButtonClicked();
  ticket->handleResult(true, false);
  queue.runPending();
  EXPECT_EQ(view->alerts, Strings{});
  ASSERT_EQ(sentOrders().size(), 1u);
  EXPECT_EQ(tag(sentOrders()[0], "10"), "77");
}

// The ticket and a position sheet both hear the desk's answers; a refusal is shown once, by the
// window whose request it answers.
TEST_F(TicketTest, ARefusalIsShownOnceByTheWindowThatAskedWhileTheTicketAndASheetAreOpen) {
  auto position = std::make_shared<Order>();
  position->OpenPositionId = "5001";
  position->AccountNumber = "1001";
  position->ItemCode = "EURUSD";
  position->RemainingQty = "1";
  position->deliveryMode = 1;
  session->OpenOrderCollection.push_back(position);
  open();
  LivePositionsSession positions;
  ModifyPositionWindowController modify(positions);
  modify.open(0, "5001");
  modify.takeProfitCheckboxSelect(true);
  modify.takeProfitEdited("1.00000");  // a long's take-profit lies above the market
  modify.ModifyButtonClicked();
  queue.runPending();
  EXPECT_EQ(view->alerts, Strings{});
  ASSERT_EQ(alerts->calls.size(), 1u);
  EXPECT_EQ(alerts->calls[0].rfind("Info|Take Profit", 0), 0u) << alerts->calls[0];
  modify.closeModal();

  // The ticket's refusal (a buy limit above its bound) while each sheet is open.
  ticket->TradeTicketRadioButtonClicked(Ticket::kAdvancedMode);
  ticket->comboBoxSelectionIsChanging(TicketComboId::OrderType, "Limit");
  ticket->controlTextDidChange(TicketFieldId::Price, "1.09");
  ClosendCancelPositionWindowController close(positions);
  OffsetPositionWindowController offset(positions);
  for (const int sheet : {0, 1, 2}) {
    if (sheet == 0) modify.open(0, "5001");
    if (sheet == 1) close.open(0, "5001");
    if (sheet == 2) offset.open("5001");
    view->alerts.clear();
    alerts->calls.clear();
    ticket->placeOrderButtonClicked();
    queue.runPending();
    EXPECT_EQ(view->alerts.size(), 1u) << sheet;
    EXPECT_EQ(alerts->calls, Strings{}) << sheet;
    modify.closeModal();
    close.closeModal();
    offset.closeModal();
  }
}

// ---- market depth ----

TEST_F(TicketTest, TheRefreshFeedsBothDepthTablesAndALevelWithoutACommaHasNoQuantity) {
  session->MarketDepthDecode("EURUSD;1.0845,500|1.0844,7;1.0846");
  open();
  MarketDepthTableModel& bid = ticket->buyMarketDepthTableController();
  MarketDepthTableModel& offer = ticket->sellMarketDepthTableController();
  ASSERT_EQ(bid.rowCount(), 2);
  EXPECT_EQ(bid.data(bid.index(0, 0)).toString(), "500");
  EXPECT_EQ(bid.data(bid.index(0, 1)).toString(), "1.08450");
  ASSERT_EQ(offer.rowCount(), 1);
  EXPECT_EQ(offer.data(offer.index(0, 1)).toString(), "");
  session->MarketDepthDecode("EURUSD;1.0845,500;1.0846,3");
  queue.advance(std::chrono::seconds(1));
  EXPECT_EQ(bid.rowCount(), 1);
  EXPECT_EQ(offer.data(offer.index(0, 1)).toString(), "3");
}

}  // namespace
}  // namespace td::testing
