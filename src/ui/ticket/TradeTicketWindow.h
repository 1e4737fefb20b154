#pragma once
// The order ticket's window: a tool window floating above the main window, with the mode buttons,
// the account, symbol and quantity, the live quote with the Sell and Buy buttons, the advanced box
// (order type, validity, price, take-profit, stop-loss, time in force, deviation, side, Place), the
// chart pane, and two drawers: the multi-account table on the left, market depth on the right.
//
// It shows TradeTicketWindowController's state and hands every input to it; closing only hides it.

#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>

#include "ui/ticket/TicketPriceLabel.h"
#include "ui/ticket/TradeTicketWindowController.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QFrame;
class QGraphicsOpacityEffect;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;
class QToolButton;

namespace td {

class NBETableHeaderView;

class TradeTicketWindow final : public QWidget, public TradeTicketView {
  Q_OBJECT
 public:
  TradeTicketWindow(TradeTicketWindowController& controller, QWidget* parent = nullptr);
  ~TradeTicketWindow() override;

  TradeTicketWindowController& controller() { return controller_; }
  // The chart pane, filled by the chart family: it hears the symbol and key on onChartSymbol.
  QWidget* chartHost() const { return chartHost_; }
  std::function<void(const std::string& symbol, const std::string& key)> onChartSymbol;

  // TradeTicketView
  void ticketChanged() override;
  void showAlert(const std::string& title, const std::string& message) override;
  void showConfirmationSheet(const std::string& text) override;
  void showTicketWindow() override;
  void closeTicketWindow() override;
  void showChartSymbol(const std::string& code, const std::string& key) override;
  void editQuantityHeader() override;

  // For tests.
  QRadioButton* simpleMode() const { return simple_; }
  QRadioButton* advancedMode() const { return advanced_; }
  QComboBox* accountBox() const { return account_; }
  QComboBox* symbolBox() const { return symbol_; }
  QComboBox* quantityBox() const { return quantity_; }
  QComboBox* orderTypeBox() const { return orderType_; }
  QLineEdit* priceField() const { return price_; }
  QLineEdit* takeProfitField() const { return takeProfitPrice_; }
  QCheckBox* takeProfitBox() const { return takeProfit_; }
  QCheckBox* buyCheckBox() const { return buyCheck_; }
  QCheckBox* sellCheckBox() const { return sellCheck_; }
  QPushButton* buyButton() const { return buy_; }
  QPushButton* sellButton() const { return sell_; }
  QPushButton* placeButton() const { return place_; }
  TicketPriceLabel* buyPriceLabel() const { return buyPrice_; }
  QTableView* bidDepthTable() const { return bidDepth_; }
  QTableView* multiTradeTable() const { return multiTrade_; }
  QFrame* leftDrawer() const { return leftDrawer_; }
  QFrame* rightDrawer() const { return rightDrawer_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* buildCentre();
  QWidget* buildQuote();
  QWidget* buildAdvancedBox();
  QFrame* buildLeftDrawer();
  QFrame* buildRightDrawer();
  QWidget* stepper(TicketStepperId id);
  void connectCombo(QComboBox* box, TicketComboId id);
  void connectField(QLineEdit* field, TicketFieldId id);
  void syncDrawers();
  // Is the control usable: its own flag, and the advanced box's for a control inside it.
  bool usableInBox(const TicketControl& control) const;

  TradeTicketWindowController& controller_;
  bool syncing_ = false;
  bool placed_ = false;

  QRadioButton* simple_;
  QRadioButton* advanced_;
  QCheckBox* confirmationAlert_;
  QToolButton* multiTradeToggle_;
  QToolButton* depthToggle_;
  QComboBox* account_;
  QComboBox* symbol_;
  QLabel* symbolDescription_;
  QComboBox* quantity_;
  QLabel* quantityDescription_;

  QLabel* headerSymbol_;
  QLabel* headerTime_;
  QLabel* headerLow_;
  QLabel* headerHigh_;
  QLabel* headerSpread_;
  QPushButton* sell_;
  QPushButton* buy_;
  TicketPriceLabel* sellPrice_;
  TicketPriceLabel* buyPrice_;

  QFrame* advancedBox_;
  QGraphicsOpacityEffect* advancedOpacity_;
  QComboBox* orderType_;
  QComboBox* validity_;
  QComboBox* timeInForce_;
  QLineEdit* price_;
  QLineEdit* takeProfitPrice_;
  QLineEdit* stopLossPrice_;
  QLineEdit* deviation_;
  QWidget* priceStepper_;
  QWidget* takeProfitStepper_;
  QWidget* stopLossStepper_;
  QCheckBox* takeProfit_;
  QCheckBox* stopLoss_;
  QCheckBox* deviationBox_;
  QCheckBox* buyCheck_;
  QCheckBox* sellCheck_;
  QLabel* priceHint_;
  QLabel* takeProfitHint_;
  QLabel* stopLossHint_;
  QPushButton* place_;

  QWidget* chartHost_;
  QFrame* leftDrawer_;
  QFrame* rightDrawer_;
  QTableView* multiTrade_;
  NBETableHeaderView* quantityHeader_;
  QCheckBox* selectAll_;
  QTableView* bidDepth_;
  QTableView* offerDepth_;
};

}  // namespace td
