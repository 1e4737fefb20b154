#pragma once
// The order ticket without widgets. One controller serves the whole run: the ticket's family makes
// it on first use and keeps it; closing the window only hides it.
//
// What it covers:
//  - the window's life: opening (a reload of every field, always in simple mode with both drawers
//    shut), the one-second refresh timer and the three notifications it hears while open
//    ("PlaceOrderNotification", "TableHeaderEditNotification", "ItemUpdateNotification"), closing;
//  - the two modes: simple (Buy and Sell send a market order at once, after the confirmation sheet
//    unless the user switched it off) and advanced (Buy and Sell choose the side, Place sends; order
//    type, validity, price, time in force, take-profit, stop-loss and deviation are live);
//  - the choice lists and which controls are usable, from the session's records and the permission
//    bits of account, instrument and group terms;
//  - the live quote, the bounds beside the three price fields and their green or red background;
//  - the market-depth tables (right drawer) and the multi-account table (left drawer);
//  - the OrderInfo handed to the order desk (one account: PlaceOrder; several: the bulk order).
//
// The session, the order desk, the GUI objects and the notification centre are those of the moment
// (AppContext::current()); the chosen account and instrument records are the session's own and are
// dropped when a new login opens. The Qt window (TradeTicketWindow) shows state() and forwards the
// user's input; TradeTicketView is all the controller asks of it. Main thread only.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/OrderInfo.h"
#include "platform/Clock.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "ui/OwnOrderRequests.h"
#include "ui/ticket/MultiTradeTableModel.h"
#include "ui/watchlist/MarketDepthTableModel.h"

namespace td {

class BusinessBase;
class OrderMananger;
struct AccountDetails;
struct GroupInstruments;
struct ItemDetails;

// What one control shows.
struct TicketControl {
  bool enabled = true;
  bool visible = true;
};
struct TicketCheckBox : TicketControl {
  bool on = false;
};
enum class FieldColour { Neutral, Green, Red };
struct TicketField : TicketControl {
  std::string text;
  FieldColour background = FieldColour::Neutral;
  // The text is the user's own (typed or stepped to), not the ticket's proposal: it stays when the
  // ticket proposes anew for the same order type, symbol, side and mode.
  bool typed = false;
};
struct TicketCombo : TicketControl {
  std::vector<std::string> items;
  std::string text;
};
struct TicketStepper : TicketControl {
  double step = 0;
  double value = 0;
};

// The ticket's controls. Those of the advanced box are usable only while the box is enabled
// (advanced mode): usable() of a control inside the box is its own flag and the box's.
struct TicketState {
  int mode = 1000;  // the selected radio cell: 1000 simple, 1001 advanced
  bool advancedEnabled = false;
  double advancedAlpha = 0.4;

  TicketCombo account, symbol, quantity;  // outside the box
  std::string symbolDescription;
  std::string quantityDescription;  // the contract value

  // Inside the advanced box.
  TicketCombo orderType, validity, timeInForce;
  TicketField price, takeProfitPrice, stopLossPrice, deviation;
  TicketStepper priceStepper, takeProfitStepper, stopLossStepper;
  TicketCheckBox takeProfit, stopLoss, deviationBox, buyCheck, sellCheck;
  TicketControl placeButton;
  bool placeShowsSell = false;  // the Place button's image: "sell_button_img.png", else "placeorder_button_img.png"
  std::string priceHint, takeProfitHint, stopLossHint;

  // The quote header.
  std::string headerSymbol, headerTime, headerLow, headerHigh, headerSpread;
  std::string sellPrice, buyPrice;  // Bid and Ask
  TicketControl buyButton, sellButton;

  TicketControl multitradeButton;  // opens the left drawer
  TicketCheckBox selectAll;
  bool rightDrawerOpen = false;  // market depth
  bool leftDrawerOpen = false;   // multi-account
  bool showConfirmationAlert = true;
};

// The Qt window as the controller sees it.
class TradeTicketView {
 public:
  virtual ~TradeTicketView() = default;
  // state() changed: show it.
  virtual void ticketChanged() = 0;
  // The common modal alert.
  virtual void showAlert(const std::string& title, const std::string& message) = 0;
  // The confirmation sheet of a market order ("Order Confirmation", Send and Cancel, a suppression
  // box); it ends with handleResult().
  virtual void showConfirmationSheet(const std::string& text) = 0;
  // `runModalWindow`: the window at the floating level, in front, key.
  virtual void showTicketWindow() = 0;
  // Closes the window; the close ends with windowWillClose().
  virtual void closeTicketWindow() = 0;
  // The chart pane's symbol, with the key "<interval>#<type>".
  virtual void showChartSymbol(const std::string& code, const std::string& key) = 0;
  // Opens the Quantity header of the multi-account table for editing.
  virtual void editQuantityHeader() = 0;
};

// One row of the multi-account table.
struct MultiTrade {
  std::shared_ptr<AccountDetails> accountDet;  // the session's record
  double quantity = 0;
};

enum class TicketComboId { Account, Symbol, Quantity, OrderType, Validity, TimeInForce };
enum class TicketFieldId { Quantity, Price, TakeProfit, StopLoss, Deviation };
enum class TicketStepperId { Price, TakeProfit, StopLoss };

class TradeTicketWindowController {
 public:
  static constexpr int kSimpleMode = 1000;
  static constexpr int kAdvancedMode = 1001;
  static constexpr const char* MARKET_OT = "Market";
  static constexpr const char* LIMIT_OT = "Limit";
  static constexpr const char* STOP_OT = "Stop";
  static constexpr const char* DAY_TIF = "Day";
  static constexpr const char* GTF_TIF = "GTF";
  static constexpr const char* GTC_TIF = "GTC";
  static constexpr const char* REGULAR_CONST = "Regular";
  static constexpr const char* INTRADAY_CONST = "IntraDay";
  static constexpr const char* BTST_CONST = "BTST";
  static constexpr const char* kChartKey = "0#1";  // interval index 0 (ticks), chart type 1 (line)
  static constexpr const char* kInfoTitle = "Info";
  static constexpr const char* kOrderTypeNotValid = "Order type is not valid";
  static constexpr const char* kSelectAccount = "Please select an Account";
  static constexpr const char* kDeviationEmpty = "Deviation cannot be empty";
  static constexpr const char* kItemUpdateNotification = "ItemUpdateNotification";
  static constexpr const char* kTableHeaderEditNotification = "TableHeaderEditNotification";
  static constexpr const char* kLoginSuccessNotification = "LoginSuccessNotification";
  // Lists built from the server's numbers hold at most this many entries.
  static constexpr std::size_t kMaxListEntries = 1000;

  struct Options {
    MainQueue* mainQueue = nullptr;  // none: MainQueue::instance()
    Clock::Duration refreshInterval = std::chrono::seconds(1);
  };

  TradeTicketWindowController();
  explicit TradeTicketWindowController(Options options);
  ~TradeTicketWindowController();
  TradeTicketWindowController(const TradeTicketWindowController&) = delete;
  TradeTicketWindowController& operator=(const TradeTicketWindowController&) = delete;

  void setView(TradeTicketView* view) { view_ = view; }
  const TicketState& state() const { return state_; }

  // ---- window life ----
  // `setIsTradeTicketfromWatchlist:`: a watch list opened the ticket with a symbol (keep it).
  void setIsTradeTicketfromWatchlist(bool value) { isTradeTicketfromWatchlist_ = value; }
  bool isTradeTicketfromWatchlist() const { return isTradeTicketfromWatchlist_; }
  // `setValue:forKey:`: the value becomes the item code, whatever the key.
  void setValue(const std::string& value, const std::string& key);
  // `windowDidAppear`: the reload of every opening; nothing before the window was first shown.
  void windowDidAppear();
  // `runModalWindow`: loads the window the first time (windowDidLoad), then shows it.
  void runModalWindow();
  // `windowWillClose:`: drawers shut, observers removed, the timer stopped.
  void windowWillClose();
  // The window was shown again without an opener (the screen lock's restore of a closed ticket):
  // its timer and observers come back, its fields stay as they were.
  void windowDidShowAgain();
  bool isLoaded() const { return loaded_; }
  bool isOpen() const { return timer_.active(); }

  // ---- modes and drawers ----
  void TradeTicketRadioButtonClicked(int tag);
  void enableSubviews(bool flag, double alpha);
  void toggleRightDrawer();
  void toggleLeftDrawer();
  bool toggleMarketDepth() const { return state_.rightDrawerOpen; }
  bool toggleMultiTrade() const { return state_.leftDrawerOpen; }
  void setDefaultWindow();
  void showConfirmationCheckBoxClicked(bool on);

  // ---- field loading ----
  void LoadAccountDetails();
  void AccountSelectionIsChanging(const std::string& accountText);
  void LoadSymbolDetails(bool keepSymbol);
  void SymbolSelectionIsChanging(const std::string& itemCode);
  void LoadQuantity();
  void calculateContarctValueforQuantity(double quantity);
  void LoadOrderType();
  void SetOrderType(const std::string& text);
  void LoadTimeinForce();
  void SetTimeinForce(const std::string& text);
  void LoadValidity();
  void SetValidity(const std::string& text);
  void EnableAdvancedControls();
  void SetEnableAdvancedControls(bool flag);
  void EnableTakeProfitControl(bool flag);
  void EnableStopLossControl(bool flag);
  void SetFieldsforAvailableOrderTypes();
  bool checkMarketOrderisAvailable() const;
  void loadAvailableOrderControls();

  // ---- live values ----
  void UpdateValuesinTimer();
  std::int32_t GetTradingMode() const { return state_.buyCheck.on ? 0 : 1; }
  // The price fields proposed anew for the side, the order type and boundAccounts(), then recoloured.
  // A price the user typed stays (and is only recoloured) until the order type, the symbol, the side
  // or the mode changes; a field that holds the ticket's own proposal follows the new bound.
  void updatePriceinTextField();
  void SetStepperValues();
  // A stepper click: one step up (+1) or down (-1) written into its field.
  void stepperButtonPressed(TicketStepperId stepper, int direction);
  void takeProfitCheckboxSelect(bool on);
  void stopLossCheckboxSelect(bool on);
  void updatePriceTextFieldColor();
  // The accounts the proposals and the hints' colours are held to: the ticked rows in multi-account
  // mode (each account to its own group's distances, the farthest bound for all), else and with no
  // row ticked the chosen account.
  std::vector<std::int32_t> boundAccounts() const;

  // ---- placing ----
  void buyButtonClicked() { sideButtonClicked(0); }
  void sellButtonClicked() { sideButtonClicked(1); }
  // A click on the Buy (0) or Sell (1) side box of the advanced box: that side is chosen, as Buy and
  // Sell choose it in advanced mode; the box already on stays on.
  void sideCheckboxSelect(std::int32_t side);
  void placeOrderButtonClicked();
  OrderInfo CreateOrderInfoforTradeMode(std::int32_t side, std::int32_t account, const std::string& quantity) const;
  // The record of a multi-account order (no account, no quantity; the details in orderDetails).
  OrderInfo multiAccountOrderInfo() const;
  void sendPlaceorderObjects();
  // The text of the confirmation sheet (contract value in double precision).
  std::string orderConfirmation(std::int32_t side, const std::string& itemCode, const std::string& quantity,
                                double contractSize) const;
  // The end of the confirmation sheet: Send (with the suppression box ticked or not) or Cancel.
  void handleResult(bool send, bool suppressionTicked);
  void ShowStatusMessage(const Notification& notification);
  bool DeviationValidation();
  bool CheckMultiTradeValidation();
  void comboBoxSelectionIsChanging(TicketComboId combo, const std::string& value);
  void controlTextDidChange(TicketFieldId field, const std::string& text);

  // ---- multi-account ----
  std::vector<std::shared_ptr<AccountDetails>> getAccountCollection() const;
  void checkMultiTradeisAvailable();
  void LoadMultiAccountDetails();
  void initializeMultiTradeClass(const std::shared_ptr<AccountDetails>& account);
  // The rows made anew within one reset of the table: every tick goes, and each account that
  // `takes` admits joins through initializeMultiTradeClass (none without `takes`).
  void resetMultiTradeRows(const std::function<bool(const AccountDetails&)>& takes);
  void tableReload();
  void DisableControlsonMultiTrade();
  void RefreshMultiTradeTableview();
  void checkandloadOrderTypesforMultiAccount(const std::string& orderType);
  void checkDeviationisAvailable(const std::string& orderType);
  void deviationCheckboxSelect(bool on);
  void setEnableDeviationControl(bool flag);
  std::string GenerateMultiTradeOrderDetails() const;
  void QuantitySelectedAtIndex(int row, const std::string& quantity);
  void hitCheckbox(int row);
  void selectAllMultiAccountCheckBoxClicked(bool on);
  // True (and the header opens for editing) for a click on the Quantity header with two or more
  // ticked rows.
  bool doubleClickInTableViewHeader(int row, int column);
  bool quantityHeaderEditable() const { return checkPoints_.size() >= 2; }
  void TableHeaderEdited(const Notification& notification);
  const std::vector<std::shared_ptr<MultiTrade>>& multitradeAccounts() const { return multitradeAccounts_; }
  const std::vector<std::shared_ptr<MultiTrade>>& checkPoints() const { return checkPoints_; }
  bool isTicked(int row) const;
  // The row's available margin as the table shows it: the account's figures computed on a copy.
  std::string availableMarginText(int row) const;

  // ---- the tables ----
  MarketDepthTableModel& buyMarketDepthTableController() { return buyDepth_; }
  MarketDepthTableModel& sellMarketDepthTableController() { return sellDepth_; }
  MultiTradeTableModel& multitradeTableModel() { return multitradeModel_; }

  // The chosen records and codes.
  const std::shared_ptr<AccountDetails>& accountDetails() const { return accountDetails_; }
  const std::shared_ptr<ItemDetails>& itemDetails() const { return itemDetails_; }
  const std::string& itemCode() const { return itemCode_; }
  std::int32_t orderType() const { return orderType_; }
  std::int32_t deliveryMode() const { return deliveryMode_; }
  std::int32_t timeinForce() const { return timeinForce_; }

  // Texts of numbers as the ticket writes them.
  // "%f" of the value read back as a decimal and written in its shortest form (2.000000 gives 2).
  static std::string shortestNumber(double value);
  // "1", "2", ... up to the largest whole number not above `maxOrderQty`, at most kMaxListEntries.
  static std::vector<std::string> quantityChoices(double maxOrderQty);

 private:
  // Shows the state once, when the outermost action of the controller ends.
  class ViewUpdate {
   public:
    explicit ViewUpdate(TradeTicketWindowController& ticket) : ticket_(ticket) { ++ticket_.viewUpdates_; }
    ~ViewUpdate() {
      if (--ticket_.viewUpdates_ == 0 && ticket_.view_) ticket_.view_->ticketChanged();
    }
    ViewUpdate(const ViewUpdate&) = delete;
    ViewUpdate& operator=(const ViewUpdate&) = delete;

   private:
    TradeTicketWindowController& ticket_;
  };

  void sideButtonClicked(std::int32_t side);
  // Advanced mode's choice of the side: the other box off, the prices proposed for it, the Place
  // button's image.
  void chooseSide(std::int32_t side);
  // `takeProfitCheckboxSelect:` (true) or `stopLossCheckboxSelect:` (false).
  void bracketCheckboxSelect(bool takeProfit, bool on);
  // The take-profit (true) or stop-loss price proposed for the protecting side and boundAccounts().
  std::string bracketProposal(bool takeProfit) const;
  // The ticked take-profit and stop-loss fields that hold the ticket's proposal proposed anew.
  void proposeBrackets();
  // The user typed into a price field or stepped it (its text is set): the text is the user's, the
  // brackets follow a new entry price, the stepper the field, and the colours the new text.
  void priceFieldEdited(TicketField& field);
  // Back from several accounts to one: its own quantity again, not the rows' sum.
  void restoreSingleAccountQuantity();
  // The field holds `text` as the ticket's proposal (an empty text: the field is emptied).
  static void propose(TicketField& field, std::string text);
  // Select-all is ticked exactly when there are rows and every one of them is ticked.
  void showSelectAll();
  // The fields every OrderInfo of the ticket takes from its controls.
  OrderInfo commonOrderInfo() const;
  // The account checks of multi-account mode: the quantity text of the sheet, or none when the
  // order must not go (the reason was shown or posted).
  std::optional<std::string> multiAccountChecks(std::int32_t side);
  void confirmOrSend(const std::string& quantityText);
  void observeWhileOpen();
  void stopObserving();
  void sessionOpened();
  void showAlertNow(const std::string& message);

  std::shared_ptr<BusinessBase> session() const;
  std::shared_ptr<OrderMananger> orders() const;
  std::shared_ptr<GroupInstruments> groupInstrument() const;
  // The bit is set on the chosen account and the chosen item.
  bool allowed(std::int32_t bit) const;
  std::int32_t accountId() const;
  std::int32_t decimals() const;
  MainQueue& mainQueue() const;

  Options options_;
  TradeTicketView* view_ = nullptr;
  TicketState state_;
  int viewUpdates_ = 0;

  bool isTradeTicketfromWatchlist_ = false;
  bool loaded_ = false;
  std::string itemCode_;
  std::shared_ptr<AccountDetails> accountDetails_;
  std::shared_ptr<ItemDetails> itemDetails_;
  std::int32_t orderType_ = 0;
  std::int32_t deliveryMode_ = 1;
  std::int32_t timeinForce_ = 5;
  std::vector<std::string> orderTypeArray_;
  std::vector<std::shared_ptr<MultiTrade>> multitradeAccounts_;
  std::vector<std::shared_ptr<MultiTrade>> checkPoints_;
  // The quantity of the one account while the multi-account drawer, whose rows' sum the quantity
  // shows, is open.
  std::string singleAccountQuantity_;
  // What the price fields were last proposed for; a change of any of it replaces typed prices too.
  struct ProposalBasis {
    int mode = 0;
    std::int32_t orderType = -1;
    std::string itemCode;
    std::int32_t side = -1;
    bool operator==(const ProposalBasis&) const = default;
  };
  ProposalBasis proposalBasis_;
  // The desk's answers to the ticket's own requests; those to other windows' are theirs to show.
  OwnOrderRequests ownRequests_;

  MarketDepthTableModel buyDepth_;
  MarketDepthTableModel sellDepth_;
  MultiTradeTableModel multitradeModel_;

  std::shared_ptr<NotificationCenter> notifications_;  // where the observers below are registered
  ObserverToken placeOrderToken_ = 0;
  ObserverToken headerEditToken_ = 0;
  ObserverToken itemUpdateToken_ = 0;
  ObserverToken loginToken_ = 0;
  TimerHandle timer_;
  // Tasks this controller posts run only while it exists.
  std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace td
