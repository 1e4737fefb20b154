// The modify, close or cancel and offset sheets without a window: what they show, what they hand
// to the order desk, what they refuse, and what they do when their record goes.

#include <gtest/gtest.h>

#include "PositionsTestSupport.h"
#include "orders/OrderGenerator.h"
#include "ui/positions/ClosendCancelPositionWindowController.h"
#include "ui/positions/ModifyPositionWindowController.h"
#include "ui/positions/OffsetPositionWindowController.h"
#include "ui/positions/SheetSupport.h"

namespace td {
namespace {

using test::PositionsTest;

class RecordingSheetView : public PositionSheetView {
 public:
  void refresh() override { ++refreshes; }
  void endSheet() override { ++ended; }
  int refreshes = 0;
  int ended = 0;
};

// ---- lists of the sheets ----

TEST(SheetLists, QuantityAndStepListsAreCappedAndAStepOfZeroGivesZeroAndTheTotal) {
  EXPECT_EQ(SheetSupport::wholeLots(2.5), (std::vector<std::string>{"1", "2"}));
  EXPECT_TRUE(SheetSupport::wholeLots(0.9).empty());
  EXPECT_EQ(SheetSupport::wholeLots(1e9).size(), SheetSupport::kMaxListEntries);
  EXPECT_EQ(SheetSupport::wholeLots(1e9).back(), "1000");
  EXPECT_EQ(SheetSupport::steps(1, 2.5), (std::vector<std::string>{"0", "1", "2", "2.5"}));
  EXPECT_EQ(SheetSupport::steps(0.1, 0.3), (std::vector<std::string>{"0", "0.1", "0.2", "0.3"}));
  EXPECT_EQ(SheetSupport::steps(0, 4), (std::vector<std::string>{"0", "4"}));
  EXPECT_EQ(SheetSupport::steps(-1, 4), (std::vector<std::string>{"0", "4"}));
  const auto many = SheetSupport::steps(0.001, 50);
  EXPECT_EQ(many.size(), SheetSupport::kMaxListEntries);
  EXPECT_EQ(many.back(), "50");
}

// ---- close or cancel ----

class CloseSheet : public PositionsTest {
 protected:
  CloseSheet() { sheet.setView(&view); }
  ClosendCancelPositionWindowController sheet{session};
  RecordingSheetView view;
};

TEST_F(CloseSheet, AClosePositionOffersWhatWorkingCloseOrdersLeave) {
  auto p = session.position("5001", 0, "5");
  for (const char* lots : {"1", "2"}) session.working(std::string("700") + lots, 1, 1, lots, "0")->LiqudateOrderNumber = "5001";
  sheet.open(0, "5001");
  const auto& s = sheet.state();
  EXPECT_EQ(s.boxTitle, "Close Position #5001");
  EXPECT_EQ(s.description, "Euro / US Dollar");
  EXPECT_EQ(s.quantity, "2");
  EXPECT_EQ(s.quantityList, (std::vector<std::string>{"1", "2"}));
  EXPECT_TRUE(s.quantityEnabled);
  EXPECT_EQ(s.quantityDescription, "2 x 100000.00 = 200000.00");
  EXPECT_EQ(s.orderType, "Market");
  EXPECT_EQ(s.orderPrice, "1.09000");
  EXPECT_EQ(s.currentPrice, "1.10000");  // a buy closes at the bid
  EXPECT_EQ(s.estimatedPL, "2000.00");
  EXPECT_EQ(s.buttonTitle, "Close #5001 (Sell 2 EURUSD @ Market Rate)");
  EXPECT_FALSE(s.deviationVisible);  // account 1001 has no deviation
  EXPECT_TRUE(s.sendEnabled);
  p->RemainingQty = "2.5";
  session.book.PendingOrderCollection.clear();
  sheet.UpdateValuesinWindow();
  EXPECT_EQ(sheet.state().quantity, "2.5");
  EXPECT_EQ(sheet.state().quantityList, (std::vector<std::string>{"1", "2"}));
}

TEST_F(CloseSheet, EditsRewriteTheTextsAtOnceAndTheTimerOnlyPricesAndProfit) {
  session.position("5001", 1, "3");
  sheet.open(0, "5001");
  EXPECT_EQ(sheet.state().currentPrice, "1.10010");  // a sell closes at the ask
  sheet.quantityEdited("1");
  EXPECT_EQ(sheet.state().buttonTitle, "Close #5001 (Buy 1 EURUSD @ Market Rate)");
  EXPECT_EQ(sheet.state().quantityDescription, "1 x 100000.00 = 100000.00");
  EXPECT_EQ(sheet.state().estimatedPL, "-1010.00");
  session.eurusd->Ask = 1.09000;
  queue.advance(std::chrono::seconds(1));
  EXPECT_EQ(sheet.state().currentPrice, "1.09000");
  EXPECT_EQ(sheet.state().estimatedPL, "0.00");
  sheet.quantityChosen(1);
  EXPECT_EQ(sheet.state().quantity, "2");
}

TEST_F(CloseSheet, TheCloseHandsTheDeskTheClosingSideAndWhatIsLeftToClose) {
  session.position("5001", 0, "5", "EURUSD", "1002");
  session.working("7001", 1, 1, "1.5", "0")->LiqudateOrderNumber = "5001";
  sheet.open(0, "5001");
  EXPECT_TRUE(sheet.state().deviationVisible);
  EXPECT_FALSE(sheet.state().deviationChecked);
  sheet.CloseandCancelButtonClicked();
  ASSERT_EQ(session.sent.size(), 1u);
  const OrderInfo& info = session.sent[0].info;
  EXPECT_EQ(session.sent[0].kind, "close");
  EXPECT_EQ(info.itemCode, "EURUSD");
  EXPECT_EQ(info.accountNo, 1002);
  EXPECT_EQ(info.tradingMode, 1);
  EXPECT_EQ(info.orderType, 1);
  EXPECT_EQ(info.quantity, "3.5");
  EXPECT_EQ(info.previousQuantity, "3.5");  // the desk refuses more than this
  EXPECT_EQ(info.orderNo, "5001");
  EXPECT_TRUE(info.isCloseNew);
  EXPECT_EQ(info.deviation, -1);
  EXPECT_TRUE(info.price.empty() && info.limitPrice.empty() && info.stopPrice.empty());
  // A close order placed meanwhile counts at the send.
  session.working("7002", 1, 1, "2", "0")->LiqudateOrderNumber = "5001";
  sheet.deviationCheckboxSelect(true);
  EXPECT_EQ(sheet.state().deviation, "0");
  sheet.CloseandCancelButtonClicked();
  EXPECT_EQ(session.sent.back().info.previousQuantity, "1.5");
  EXPECT_EQ(session.sent.back().info.deviation, 0);
  sheet.deviationEdited("");
  sheet.CloseandCancelButtonClicked();
  EXPECT_EQ(session.sent.size(), 2u);
  EXPECT_EQ(alerts->calls.back(), "Info|Deviation cannot be empty");
}

TEST_F(CloseSheet, ACancelHandsTheDeskTheWorkingOrderAndKindOne) {
  auto o = session.working("7001", 0, 2, "3", "1.09000");
  o->deliveryMode = 2;
  sheet.open(1, "7001");
  const auto& s = sheet.state();
  EXPECT_EQ(s.boxTitle, "Cancel Order #7001");
  EXPECT_EQ(s.buttonTitle, "Cancel Limit Order #7001");
  EXPECT_FALSE(s.quantityEnabled);
  EXPECT_FALSE(s.estimatedPLVisible);
  EXPECT_FALSE(s.deviationVisible);
  EXPECT_EQ(s.currentPrice, "1.10010");  // a buy order waits for the ask
  sheet.CloseandCancelButtonClicked();
  ASSERT_EQ(session.sent.size(), 1u);
  const OrderInfo& info = session.sent[0].info;
  EXPECT_EQ(session.sent[0].kind, "working");
  EXPECT_EQ(info.editorderReqType, 1);
  EXPECT_TRUE(info.isEWO);
  EXPECT_EQ(info.orderType, 1);
  EXPECT_EQ(info.quantity, "3");
  EXPECT_EQ(info.price, "1.09000");
  EXPECT_EQ(info.limitPrice, "0");
  EXPECT_EQ(info.stopPrice, "0");
  EXPECT_EQ(info.deliveryMode, 2);
  EXPECT_EQ(info.orderNo, "7001");
  o->orderType = 0;
  sheet.UpdateValuesinWindow();
  EXPECT_EQ(sheet.state().buttonTitle, "Cancel None Order #7001");
}

TEST_F(CloseSheet, ARecordThatWentDisablesTheSendAndNothingActsOnTheRowNowInItsPlace) {
  session.position("5001", 0, "2");
  sheet.open(0, "5001");
  session.book.OpenOrderCollection.clear();
  session.position("5002", 0, "9");  // another position now stands at the old row
  queue.advance(std::chrono::seconds(1));
  EXPECT_FALSE(sheet.state().sendEnabled);
  EXPECT_EQ(sheet.state().buttonTitle, "Position #5001 is no longer open");
  EXPECT_EQ(sheet.state().quantity, "2");  // the fields keep what they showed
  sheet.CloseandCancelButtonClicked();
  EXPECT_TRUE(session.sent.empty());
  sheet.open(1, "7404");
  EXPECT_EQ(sheet.state().buttonTitle, "Order #7404 is no longer working");
}

TEST_F(CloseSheet, TheDesksAnswerClosesTheSheetOrIsShownWhileItStaysOpen) {
  session.position("5001", 0, "2");
  sheet.open(0, "5001");
  session.feedback = "Quantity cannot be more than 2";
  sheet.quantityEdited("3");
  sheet.CloseandCancelButtonClicked();
  EXPECT_EQ(alerts->calls.back(), "Info|Quantity cannot be more than 2");
  EXPECT_TRUE(sheet.isOpen());
  EXPECT_EQ(sheet.state().quantity, "3");
  session.feedback = OrderMananger::kAbortModal;
  sheet.CloseandCancelButtonClicked();
  EXPECT_FALSE(sheet.isOpen());
  EXPECT_EQ(view.ended, 1);
  EXPECT_EQ(center().observerCount(OrderMananger::kPlaceOrderNotification), 0u);
  // The timer went with it.
  const int refreshes = view.refreshes;
  queue.advance(std::chrono::seconds(3));
  EXPECT_EQ(view.refreshes, refreshes);
}

// ---- modify ----

class ModifySheet : public PositionsTest {
 protected:
  ModifySheet() { sheet.setView(&view); }
  ModifyPositionWindowController sheet{session};
  RecordingSheetView view;
};

TEST_F(ModifySheet, AWorkingOrderKeepsItsSizeWhenItIsAPositionsBracket) {
  auto o = session.working("7001", 1, 3, "4", "1.09500");
  o->RefPositionIdOfBracket = "5001";
  o->LimitPrice = "1.08";
  sheet.open(1, "7001");
  const auto& s = sheet.state();
  EXPECT_EQ(s.boxTitle, "Edit Stop Order #7001");
  EXPECT_EQ(s.buttonTitle, "Edit Stop Order #7001");
  EXPECT_FALSE(s.quantityEnabled);
  EXPECT_TRUE(s.orderPriceEditable);
  EXPECT_EQ(s.orderPrice, "1.09500");
  EXPECT_TRUE(s.takeProfit.checked && s.takeProfit.enabled);
  EXPECT_EQ(s.takeProfit.price, "1.08000");
  EXPECT_FALSE(s.stopLoss.checked || s.stopLoss.enabled);
  o->RefPositionIdOfBracket.clear();
  o->orderType = 0;
  sheet.UpdateValuesinWindow();
  EXPECT_TRUE(sheet.state().quantityEnabled);
  EXPECT_EQ(sheet.state().quantityList, (std::vector<std::string>{"1", "2", "3", "4"}));
  EXPECT_EQ(sheet.state().orderType, "None");
  EXPECT_EQ(sheet.state().boxTitle, "Edit  Order #7001");
}

TEST_F(ModifySheet, TickingProposesAPriceForTheClosingSideAndUntickingEmptiesIt) {
  session.position("5001", 0, "2");
  sheet.open(0, "5001");
  EXPECT_FALSE(sheet.state().orderPriceEditable);
  EXPECT_FALSE(sheet.state().quantityEnabled);
  EXPECT_FALSE(sheet.state().takeProfit.checked);
  EXPECT_TRUE(sheet.state().takeProfit.price.empty());
  sheet.takeProfitCheckboxSelect(true);
  EXPECT_EQ(session.proposals.back(), "1|EURUSD|tp|1001|1||edit");
  EXPECT_EQ(sheet.state().takeProfit.price, "1.10100");
  sheet.takeProfitStepperButtonPressed(1);
  EXPECT_EQ(sheet.state().takeProfit.price, "1.10101");
  sheet.stopLossCheckboxSelect(true);
  sheet.stopLossCheckboxSelect(false);
  EXPECT_TRUE(sheet.state().stopLoss.price.empty());
  EXPECT_FALSE(sheet.state().stopLoss.enabled);
  sheet.ModifyButtonClicked();
  ASSERT_EQ(session.sent.size(), 1u);
  const OrderInfo& info = session.sent[0].info;
  EXPECT_EQ(session.sent[0].kind, "bracket");
  EXPECT_TRUE(info.isEBO);
  EXPECT_EQ(info.tradingMode, 1);
  EXPECT_EQ(info.orderType, 1);
  EXPECT_EQ(info.price, "1.09000");
  EXPECT_EQ(info.quantity, "2");
  EXPECT_EQ(info.orderNo, "5001");
  EXPECT_TRUE(info.TakeProfitEnabled);
  EXPECT_EQ(info.limitPrice, "1.10101");
  EXPECT_FALSE(info.StopLossEnabled);
  EXPECT_EQ(info.stopPrice, "");
}

// A bracket edit states the position's whole take-profit and stop-loss: only a ticked box's price
// goes, an unticked box removes the order the position has, and an edit with neither box ticked
// for a position with neither changes nothing and is not sent.
TEST_F(ModifySheet, OnlyATickedBoxsPriceGoesAndAnEditThatChangesNothingIsNotSent) {
  session.position("5001", 0, "2");
  sheet.open(0, "5001");
  EXPECT_TRUE(sheet.state().nothingToModify);
  sheet.ModifyButtonClicked();
  EXPECT_TRUE(session.sent.empty());
  sheet.takeProfitCheckboxSelect(true);
  EXPECT_FALSE(sheet.state().nothingToModify);
  sheet.takeProfitCheckboxSelect(false);
  EXPECT_TRUE(sheet.state().nothingToModify);

  session.position("5002", 0, "1")->LimitPrice = "1.11000";
  sheet.open(0, "5002");
  EXPECT_FALSE(sheet.state().nothingToModify);
  sheet.takeProfitCheckboxSelect(false);
  EXPECT_FALSE(sheet.state().nothingToModify) << "the edit removes the take-profit";
  sheet.stopLossEdited("1.05000");  // a price in a field whose box is off (disabled in the window)
  sheet.ModifyButtonClicked();
  ASSERT_EQ(session.sent.size(), 1u);
  const OrderInfo& info = session.sent[0].info;
  EXPECT_FALSE(info.TakeProfitEnabled);
  EXPECT_EQ(info.limitPrice, "");
  EXPECT_FALSE(info.StopLossEnabled);
  EXPECT_EQ(info.stopPrice, "");
}

TEST_F(ModifySheet, HiddenBracketControlsStillCarryTheirStateAndAnEditSendsTheSheetsPrices) {
  auto o = session.working("7001", 0, 2, "3", "1.09000");
  o->StopPrice = "1.05";
  session.eurusd->availableOrderTypes = 1;
  sheet.open(1, "7001");
  EXPECT_FALSE(sheet.state().takeProfit.visible);
  EXPECT_FALSE(sheet.state().stopLoss.visible);
  sheet.takeProfitCheckboxSelect(true);
  EXPECT_EQ(session.proposals.back(), "1|EURUSD|tp|1001|2|1.09000");
  sheet.orderPriceEdited("1.08990");
  sheet.quantityChosen(1);
  sheet.ModifyButtonClicked();
  const OrderInfo& info = session.sent.at(0).info;
  EXPECT_EQ(session.sent[0].kind, "working");
  EXPECT_EQ(info.editorderReqType, 2);
  EXPECT_TRUE(info.isEWO);
  EXPECT_EQ(info.tradingMode, 0);
  EXPECT_EQ(info.orderType, 2);
  EXPECT_EQ(info.quantity, "2");
  EXPECT_EQ(info.price, "1.08990");
  EXPECT_TRUE(info.StopLossEnabled);
  EXPECT_EQ(info.stopPrice, "1.05000");
  EXPECT_EQ(info.orderNo, "7001");
}

TEST_F(ModifySheet, TheSheetLearnsFromTheTableThatItsRecordWentAndClosesOnAbortModal) {
  session.working("7001", 0, 2, "1", "1.09");
  sheet.open(1, "7001");
  session.book.PendingOrderCollection.clear();
  post("PendingOrderTableNotification");
  EXPECT_FALSE(sheet.state().sendEnabled);
  EXPECT_EQ(sheet.state().buttonTitle, "Order #7001 is no longer working");
  sheet.ModifyButtonClicked();
  EXPECT_TRUE(session.sent.empty());
  center().post(OrderMananger::kPlaceOrderNotification, std::string(OrderMananger::kAbortModal));
  EXPECT_EQ(view.ended, 1);
  EXPECT_FALSE(sheet.isOpen());
}

// A session whose proposals and checks are the order desk's own (the bounds and the order checks
// over the session's records): a request that passes is recorded, a refusal kept. The group's
// terms ask for 5 ticks of distance; EURUSD's spread is 10.
class DeskSession : public test::FakePositionsSession {
 public:
  DeskSession() {
    data.FillSessionSettingCollection(XmlRow{{{"SettingsId", "0"}}});
    const auto setting = data.sessionSetting("0");
    setting->AllowNewMarket = setting->AllowNewContigent = setting->AllowNewTpSl = true;
    data.group("1")->TradingEnabled = true;
    for (const auto& [key, terms] : data.group("1")->GroupInstrumentCollection) {
      terms->MaxOrderQty = 100;
      terms->LimitMinPips = terms->StopMinPips = 5;
    }
    eurusd->isAvailableForTrading = true;
    data.account("1001")->AvailableMargin = 1e6;
  }
  std::string UpdateTakeProfitandStopLoss(std::int32_t side, std::string_view itemCode, bool takeProfit,
                                          std::int32_t accountNumber, std::int32_t orderType,
                                          std::string_view orderPrice, PriceBounds::BracketOf request) const override {
    return PriceBounds::UpdateTakeProfitandStopLoss(data, side, itemCode, takeProfit, accountNumber, orderType,
                                                    orderPrice, PriceBounds::kPrefill, request);
  }
  bool PlaceEditBracketOrder(const OrderInfo& info) override { return check("bracket", info); }
  bool PlaceEditWorkingOrder(const OrderInfo& info) override { return check("working", info); }

  std::vector<std::string> refusals;

 private:
  bool check(const char* kind, const OrderInfo& info) {
    OrderCheckContext context;
    context.referenceData = &data;
    context.connected = true;
    if (auto refused = OrderValidator(context).Validate(OrderGenerator::buildOrder(info, data, {}, true))) {
      refusals.push_back(*refused);
      return false;
    }
    sent.push_back({kind, info});
    return true;
  }
};

class ModifySheetAgainstTheDesk : public PositionsTest {
 protected:
  ModifySheetAgainstTheDesk() { sheet.setView(&view); }
  DeskSession desk;
  ModifyPositionWindowController sheet{desk};
  RecordingSheetView view;
};

// Whatever the sheet proposes passes the check of the request it sends: a position's bracket edit,
// whose stop-loss never lies beyond the price the position closes at, or a working order's edit at
// the price its field holds.
TEST_F(ModifySheetAgainstTheDesk, ProposalsPassTheCheckOfTheSheetsRequestAndNoStopLossLiesBeyondTheClosingPrice) {
  desk.position("5001", 0, "1");
  desk.position("5002", 1, "1");
  desk.working("7001", 0, 3, "1", "1.12000");
  desk.working("7002", 1, 2, "1", "1.12000");
  struct Case {
    int mode;
    const char* id;
  };
  for (const Case c : {Case{0, "5001"}, Case{0, "5002"}, Case{1, "7001"}, Case{1, "7002"}}) {
    SCOPED_TRACE(c.id);
    sheet.open(c.mode, c.id);
    if (c.mode == 1) sheet.orderPriceEdited("1.12500");
    sheet.takeProfitCheckboxSelect(true);
    sheet.stopLossCheckboxSelect(true);
    const std::size_t sent = desk.sent.size();
    sheet.ModifyButtonClicked();
    EXPECT_EQ(desk.refusals, std::vector<std::string>{});
    ASSERT_EQ(desk.sent.size(), sent + 1);
    const double stopLoss = std::stod(desk.sent.back().info.stopPrice);
    if (std::string(c.id) == "5001") {
      EXPECT_LT(stopLoss, desk.eurusd->Bid);
    } else if (std::string(c.id) == "5002") {
      EXPECT_GT(stopLoss, desk.eurusd->Ask);
    }
    desk.refusals.clear();
    sheet.closeModal();
  }
}

// A working order's take-profit and stop-loss are measured from its price and from the price its
// position closes at, which moves with the spread: a proposal keeps room for a wider spread, and
// follows a new order price while it is still the sheet's own; a typed price stays.
TEST_F(ModifySheetAgainstTheDesk, WorkingOrderProposalsFollowItsPriceAndKeepRoomForTheSpread) {
  desk.working("7002", 1, 2, "1", "1.12000");
  sheet.open(1, "7002");
  sheet.takeProfitCheckboxSelect(true);
  sheet.stopLossCheckboxSelect(true);
  sheet.orderPriceEdited("1.12500");
  // A sell's stop-loss: 5 ticks above the Ask it closes at, 10 ticks of spread above its price.
  EXPECT_EQ(sheet.state().stopLoss.price, "1.12516");
  sheet.takeProfitEdited("1.11000");
  sheet.orderPriceEdited("1.12400");
  EXPECT_EQ(sheet.state().takeProfit.price, "1.11000");
  EXPECT_EQ(sheet.state().stopLoss.price, "1.12416");
  desk.eurusd->Ask += desk.eurusd->TickSize;
  sheet.ModifyButtonClicked();
  EXPECT_EQ(desk.refusals, std::vector<std::string>{});
  EXPECT_EQ(desk.sent.size(), 1u);
}

// ---- offset ----

class OffsetSheet : public PositionsTest {
 protected:
  OffsetSheet() { sheet.setView(&view); }
  OffsetPositionWindowController sheet{session};
  RecordingSheetView view;
};

TEST_F(OffsetSheet, RowsAreTheOppositePositionsOfTheSameAccountItemAndDelivery) {
  session.position("100", 0, "3");
  session.position("201", 1, "1");
  session.position("202", 1, "2.50");
  session.position("203", 1, "1")->deliveryMode = 2;
  session.position("204", 1, "1", "EURUSD", "1002");
  session.position("205", 0, "1");
  sheet.open("100");
  EXPECT_EQ(sheet.state().boxTitle, "Offset Position #100 (B)");
  EXPECT_EQ(sheet.state().openPrice, "1.09000");
  EXPECT_EQ(sheet.state().quantity, "3");
  ASSERT_EQ(sheet.numberOfRows(), 2);
  EXPECT_EQ(sheet.row(0).postionId, "201");
  EXPECT_EQ(sheet.row(1).totalQty, "2.5");
  EXPECT_EQ(sheet.cellText(1, OffsetPositionWindowController::Type), "S");
  EXPECT_TRUE(sheet.offsetQuantityChoices(1).empty());  // not ticked
  sheet.hitCheckbox(1);
  EXPECT_EQ(sheet.offsetQuantityChoices(1), (std::vector<std::string>{"0", "0.5", "1", "1.5", "2", "2.5"}));
}

TEST_F(OffsetSheet, TheOffsetListCarriesTheTickedRowsInTheOrderOfTicking) {
  session.position("100", 0, "3");
  session.position("201", 1, "1")->OrderPrice = "1.08000";
  session.position("202", 1, "2");
  sheet.open("100");
  sheet.hitCheckbox(1);
  sheet.hitCheckbox(0);
  sheet.QuantitySelectedAtIndex(1, "2");
  sheet.QuantitySelectedAtIndex(0, "1");
  // Closing the sell at the offset position's open price: (1.08 - 1.09) x 100000 for one lot.
  EXPECT_EQ(sheet.cellText(0, OffsetPositionWindowController::UnrealizedPL), "-1000.00");
  EXPECT_EQ(sheet.row(1).QtyAvailable, "0");
  EXPECT_EQ(sheet.state().offsetQuantity, "3");
  EXPECT_EQ(sheet.state().remainingQuantity, "0");
  sheet.OffsetButtonClicked();
  ASSERT_EQ(session.offsets.size(), 1u);
  EXPECT_EQ(session.offsets[0].list, std::string("100\x05" "3\x06\x07" "202\x05" "2\x06" "201\x05" "1\x06\x07"));
  EXPECT_EQ(session.offsets[0].itemCode, "EURUSD");
  EXPECT_EQ(session.offsets[0].accountNo, "1001");
  // The desk's "AbortModal" leaves the sheet open; the server's answer closes it.
  center().post(OrderMananger::kPlaceOrderNotification, std::string(OrderMananger::kAbortModal));
  EXPECT_TRUE(sheet.isOpen());
  center().post("CloseHedgePositionNotification");
  EXPECT_FALSE(sheet.isOpen());
  EXPECT_EQ(view.ended, 1);
}

TEST_F(OffsetSheet, RefusalsAreShownAndNothingIsSent) {
  session.position("100", 0, "1");
  session.position("201", 1, "2");
  session.position("202", 1, "1");
  sheet.open("100");
  sheet.OffsetButtonClicked();  // nothing ticked: nothing, not even a message
  EXPECT_TRUE(alerts->calls.empty());
  sheet.hitCheckbox(0);
  sheet.OffsetButtonClicked();
  EXPECT_EQ(alerts->calls.back(), "Info|Offset Quantity should be greater than zero");
  sheet.QuantitySelectedAtIndex(0, "2");
  sheet.OffsetButtonClicked();
  EXPECT_EQ(alerts->calls.back(), "Info|Offset quantity should not be greater than order quantity");
  // Unticking starts the row at 0 again and drops it from the total.
  sheet.hitCheckbox(0);
  EXPECT_EQ(sheet.row(0).offsetQty, "0");
  EXPECT_EQ(sheet.state().offsetQuantity, "0");
  sheet.hitCheckbox(0);
  sheet.hitCheckbox(1);
  sheet.QuantitySelectedAtIndex(1, "1");
  sheet.OffsetButtonClicked();  // the first ticked row still offsets 0
  EXPECT_EQ(alerts->calls.back(), "Info|Offset Quantity should be greater than zero");
  sheet.QuantitySelectedAtIndex(0, "");  // typed empty: no quantity
  sheet.OffsetButtonClicked();
  EXPECT_EQ(alerts->calls.back(), "Info|Offset Quantity should be greater than zero");
  EXPECT_TRUE(session.offsets.empty());
  // The offset position went: the send is disabled.
  session.book.OpenOrderCollection.erase(session.book.OpenOrderCollection.begin());
  post("OpenPositionTableNotification");
  EXPECT_FALSE(sheet.state().sendEnabled);
  EXPECT_EQ(sheet.state().buttonTitle, "Position #100 is no longer open");
}

}  // namespace
}  // namespace td
