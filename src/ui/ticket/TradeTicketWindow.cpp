#include "ui/ticket/TradeTicketWindow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGraphicsOpacityEffect>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QRadioButton>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/CommonAlert.h"
#include "ui/controls/Captions.h"
#include "ui/controls/NBETableHeaderCell.h"
#include "ui/controls/NumericFields.h"

namespace td {
namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

QLabel* plainLabel(const QString& text, QWidget* parent, const char* objectName = nullptr) {
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  if (objectName) label->setObjectName(objectName);
  return label;
}

// A label whose text changes at every tick has the size of the longest text it expects, so that a
// new text repaints the label alone instead of laying the window out again.
void fixSize(QLabel* label, const QString& longest) {
  label->setFixedSize(label->fontMetrics().horizontalAdvance(longest) + 4, label->sizeHint().height());
}

void setText(QLabel* label, const std::string& text) {
  const QString value = qs(text);
  if (label->text() != value) label->setText(value);
}

void setChecked(QAbstractButton* button, bool on) {
  if (button->isChecked() != on) button->setChecked(on);
}

// The background of a price field: green while its number keeps the bound beside it, red when it
// breaks it, the platform's own otherwise.
void setColour(QLineEdit* field, FieldColour colour) {
  const int code = static_cast<int>(colour);
  if (field->property("ticketColour").toInt() == code && field->property("ticketColour").isValid()) return;
  field->setProperty("ticketColour", code);
  switch (colour) {
    case FieldColour::Neutral: field->setStyleSheet(QString()); break;
    case FieldColour::Green:
      field->setStyleSheet(QStringLiteral("QLineEdit { background-color: rgb(0, 180, 0); color: white; }"));
      break;
    case FieldColour::Red:
      field->setStyleSheet(QStringLiteral("QLineEdit { background-color: rgb(180, 0, 0); color: white; }"));
      break;
  }
}

void syncCombo(QComboBox* box, const TicketCombo& combo, bool usable) {
  QStringList items;
  for (const auto& item : combo.items) items << qs(item);
  QStringList current;
  for (int i = 0; i < box->count(); ++i) current << box->itemText(i);
  if (items != current) {
    box->clear();
    box->addItems(items);
  }
  const QString text = qs(combo.text);
  if (box->isEditable()) {
    if (box->currentText() != text) box->setEditText(text);
  } else {
    // A choice that is not in the list (a validity the terms do not offer) still shows.
    const int index = box->findText(text);
    if (box->currentIndex() != index) box->setCurrentIndex(index);
    if (index < 0 && box->placeholderText() != text) box->setPlaceholderText(text);
  }
  box->setEnabled(usable);
  box->setVisible(combo.visible);
}

void syncField(QLineEdit* field, const TicketField& state, bool usable) {
  const QString text = qs(state.text);
  if (field->text() != text) field->setText(text);
  field->setEnabled(usable);
  field->setVisible(state.visible);
  setColour(field, state.background);
}

void syncCheck(QCheckBox* box, const TicketCheckBox& state, bool usable) {
  setChecked(box, state.on);
  box->setEnabled(usable);
  box->setVisible(state.visible);
}

// The depth tables' cells: plain text, right-aligned, drawn directly. They change at every tick, and
// the style's full item drawing would cost several times the rest of the ticket's refresh.
class DepthCellDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    painter->setPen(option.palette.color(QPalette::Text));
    painter->drawText(option.rect.adjusted(4, 0, -4, 0), Qt::AlignRight | Qt::AlignVCenter,
                      index.data(Qt::DisplayRole).toString());
  }
};

QTableView* table(QAbstractItemModel* model, QWidget* parent, const char* objectName) {
  auto* view = new QTableView(parent);
  view->setObjectName(objectName);
  view->setModel(model);
  view->verticalHeader()->hide();
  view->setSelectionMode(QAbstractItemView::NoSelection);
  view->setFocusPolicy(Qt::NoFocus);
  view->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  view->verticalHeader()->setDefaultSectionSize(22);
  return view;
}

}  // namespace

TradeTicketWindow::TradeTicketWindow(TradeTicketWindowController& controller, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), controller_(controller) {
  setObjectName("tradeTicketWindow");
  setWindowTitle(caption("9410"));
  setAttribute(Qt::WA_DeleteOnClose, false);

  leftDrawer_ = buildLeftDrawer();
  rightDrawer_ = buildRightDrawer();
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(leftDrawer_);
  layout->addWidget(buildCentre());
  layout->addWidget(rightDrawer_);
  // The window is as large as what it shows: a drawer that opens widens it.
  layout->setSizeConstraint(QLayout::SetFixedSize);
  leftDrawer_->hide();
  rightDrawer_->hide();

  controller_.setView(this);
  ticketChanged();
}

TradeTicketWindow::~TradeTicketWindow() { controller_.setView(nullptr); }

QWidget* TradeTicketWindow::buildCentre() {
  auto* centre = new QWidget(this);
  centre->setObjectName("ticketCentre");
  centre->setFixedWidth(460);
  auto* column = new QVBoxLayout(centre);
  column->setContentsMargins(10, 8, 10, 8);
  column->setSpacing(6);

  // Modes and drawers.
  auto* top = new QHBoxLayout;
  simple_ = new QRadioButton(caption("9411"), centre);
  simple_->setObjectName("simpleMode");
  advanced_ = new QRadioButton(caption("9412"), centre);
  advanced_->setObjectName("advancedMode");
  auto* modes = new QButtonGroup(centre);
  modes->addButton(simple_, TradeTicketWindowController::kSimpleMode);
  modes->addButton(advanced_, TradeTicketWindowController::kAdvancedMode);
  connect(modes, &QButtonGroup::idClicked, this, [this](int tag) { controller_.TradeTicketRadioButtonClicked(tag); });
  multiTradeToggle_ = new QToolButton(centre);
  multiTradeToggle_->setObjectName("multitradeButton");
  multiTradeToggle_->setText(QStringLiteral("\u25C0 ") + caption("9426"));
  multiTradeToggle_->setCheckable(true);
  connect(multiTradeToggle_, &QToolButton::clicked, this, [this] { controller_.toggleLeftDrawer(); });
  depthToggle_ = new QToolButton(centre);
  depthToggle_->setObjectName("marketDepthButton");
  depthToggle_->setText(caption("9425") + QStringLiteral(" \u25B6"));
  depthToggle_->setCheckable(true);
  connect(depthToggle_, &QToolButton::clicked, this, [this] { controller_.toggleRightDrawer(); });
  top->addWidget(simple_);
  top->addWidget(advanced_);
  top->addStretch();
  top->addWidget(multiTradeToggle_);
  top->addWidget(depthToggle_);
  column->addLayout(top);

  // Account, symbol, quantity.
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(8);
  account_ = new QComboBox(centre);
  account_->setObjectName("AccountComboBox");
  connectCombo(account_, TicketComboId::Account);
  symbol_ = new QComboBox(centre);
  symbol_->setObjectName("SymbolComboBox");
  connectCombo(symbol_, TicketComboId::Symbol);
  symbolDescription_ = plainLabel(QString(), centre, "SymbolDescriptionTextField");
  quantity_ = new CustomComboBox(centre);
  quantity_->setObjectName("QuantityComboBox");
  connectCombo(quantity_, TicketComboId::Quantity);
  connect(quantity_->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
    controller_.controlTextDidChange(TicketFieldId::Quantity, text.toStdString());
  });
  quantityDescription_ = plainLabel(QString(), centre, "QuantityDescriptionTextField");
  grid->addWidget(plainLabel(caption("0012"), centre), 0, 0);
  grid->addWidget(account_, 0, 1);
  grid->addWidget(plainLabel(caption("0125"), centre), 1, 0);
  grid->addWidget(symbol_, 1, 1);
  grid->addWidget(symbolDescription_, 1, 2);
  grid->addWidget(plainLabel(caption("0027"), centre), 2, 0);
  grid->addWidget(quantity_, 2, 1);
  grid->addWidget(quantityDescription_, 2, 2);
  grid->setColumnStretch(2, 1);
  grid->setColumnMinimumWidth(1, 120);
  column->addLayout(grid);

  column->addWidget(buildQuote());
  column->addWidget(buildAdvancedBox());

  confirmationAlert_ = new QCheckBox(caption("9428"), centre);
  confirmationAlert_->setObjectName("showConfirmationCheckBox");
  connect(confirmationAlert_, &QCheckBox::clicked, this,
          [this](bool on) { controller_.showConfirmationCheckBoxClicked(on); });
  column->addWidget(confirmationAlert_);

  chartHost_ = new QFrame(centre);
  chartHost_->setObjectName("ticketChartHost");
  static_cast<QFrame*>(chartHost_)->setFrameShape(QFrame::StyledPanel);
  chartHost_->setFixedHeight(150);
  auto* chartLayout = new QVBoxLayout(chartHost_);
  chartLayout->setContentsMargins(0, 0, 0, 0);
  column->addWidget(chartHost_);
  return centre;
}

QWidget* TradeTicketWindow::buildQuote() {
  auto* quote = new QFrame(this);
  quote->setObjectName("quoteHeader");
  quote->setFrameShape(QFrame::StyledPanel);
  auto* column = new QVBoxLayout(quote);
  column->setContentsMargins(8, 6, 8, 8);
  auto* line = new QHBoxLayout;
  headerSymbol_ = plainLabel(QString(), quote, "SymbolTextLabel");
  QFont bold = headerSymbol_->font();
  bold.setBold(true);
  headerSymbol_->setFont(bold);
  headerTime_ = plainLabel(QString(), quote, "TimeTextLabel");
  headerLow_ = plainLabel(QString(), quote, "LowTextLabel");
  headerHigh_ = plainLabel(QString(), quote, "HighTextLabel");
  fixSize(headerTime_, QStringLiteral("00:00:00"));
  fixSize(headerLow_, QStringLiteral("Low : 000000.00000"));
  fixSize(headerHigh_, QStringLiteral("High : 000000.00000"));
  headerLow_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  headerHigh_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  line->addWidget(headerSymbol_);
  line->addWidget(headerTime_);
  line->addStretch();
  line->addWidget(headerLow_);
  line->addWidget(headerHigh_);
  column->addLayout(line);

  // Sell at the bid on the left, buy at the ask on the right, the spread in ticks between.
  auto makeSide = [quote](const char* objectName, const char* labelName, const QString& title, const char* colour,
                          TicketPriceLabel*& price) {
    auto* button = new QPushButton(quote);
    button->setObjectName(objectName);
    button->setMinimumSize(170, 74);
    button->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; color: white; border-radius: 4px; }"
                                         "QPushButton:disabled { background-color: rgb(150, 150, 150); }"
                                         "QPushButton:pressed { background-color: black; }")
                              .arg(QLatin1String(colour)));
    auto* inner = new QVBoxLayout(button);
    inner->setContentsMargins(6, 4, 6, 4);
    inner->setSpacing(0);
    price = new TicketPriceLabel(button);
    price->setObjectName(labelName);
    QPalette white = price->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    price->setPalette(white);
    price->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* word = new QLabel(title, button);
    word->setTextFormat(Qt::PlainText);
    word->setAlignment(Qt::AlignCenter);
    word->setStyleSheet(QStringLiteral("color: white; font-weight: bold;"));
    word->setAttribute(Qt::WA_TransparentForMouseEvents);
    inner->addWidget(price, 0, Qt::AlignHCenter);
    inner->addWidget(word);
    return button;
  };
  sell_ = makeSide("sellButton", "SellTextLabel", caption("0010"), "rgb(178, 34, 34)", sellPrice_);
  buy_ = makeSide("buyButton", "BuyTextLabel", caption("0009"), "rgb(25, 90, 170)", buyPrice_);
  connect(sell_, &QPushButton::clicked, this, [this] { controller_.sellButtonClicked(); });
  connect(buy_, &QPushButton::clicked, this, [this] { controller_.buyButtonClicked(); });
  headerSpread_ = plainLabel(QString(), quote, "SpreadTextLabel");
  headerSpread_->setAlignment(Qt::AlignCenter);
  fixSize(headerSpread_, QStringLiteral("00000.0"));
  QLabel* spreadTitle = plainLabel(caption("9613"), quote);
  spreadTitle->setAlignment(Qt::AlignCenter);
  auto* spread = new QVBoxLayout;
  spread->addStretch();
  spread->addWidget(spreadTitle);
  spread->addWidget(headerSpread_);
  spread->addStretch();
  auto* sides = new QHBoxLayout;
  sides->addWidget(sell_, 1);
  sides->addLayout(spread);
  sides->addWidget(buy_, 1);
  column->addLayout(sides);
  return quote;
}

QWidget* TradeTicketWindow::stepper(TicketStepperId id) {
  auto* box = new QWidget(this);
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (int direction : {1, -1}) {
    auto* arrow = new QToolButton(box);
    arrow->setArrowType(direction > 0 ? Qt::UpArrow : Qt::DownArrow);
    arrow->setFixedSize(18, 12);
    arrow->setObjectName(direction > 0 ? "stepUp" : "stepDown");
    connect(arrow, &QToolButton::clicked, this, [this, id, direction] {
      // The field being typed in gives up its text first.
      setFocus(Qt::OtherFocusReason);
      controller_.stepperButtonPressed(id, direction);
    });
    layout->addWidget(arrow);
  }
  return box;
}

QWidget* TradeTicketWindow::buildAdvancedBox() {
  advancedBox_ = new QFrame(this);
  advancedBox_->setObjectName("AdvancedTradeTicketBox");
  advancedBox_->setFrameShape(QFrame::StyledPanel);
  advancedOpacity_ = new QGraphicsOpacityEffect(advancedBox_);
  advancedBox_->setGraphicsEffect(advancedOpacity_);
  auto* grid = new QGridLayout(advancedBox_);
  grid->setContentsMargins(8, 6, 8, 6);
  grid->setHorizontalSpacing(6);

  orderType_ = new QComboBox(advancedBox_);
  orderType_->setObjectName("OrderTypeComboBox");
  connectCombo(orderType_, TicketComboId::OrderType);
  validity_ = new QComboBox(advancedBox_);
  validity_->setObjectName("ValidityComboBox");
  connectCombo(validity_, TicketComboId::Validity);
  timeInForce_ = new QComboBox(advancedBox_);
  timeInForce_->setObjectName("TimeinforceComboBox");
  connectCombo(timeInForce_, TicketComboId::TimeInForce);

  auto priceField = [this](const char* name, TicketFieldId id) {
    auto* field = new JCustomTextField(advancedBox_);
    field->setObjectName(name);
    field->setFixedWidth(110);
    connectField(field, id);
    return field;
  };
  price_ = priceField("PriceTextField", TicketFieldId::Price);
  takeProfitPrice_ = priceField("TakeProfitPriceTextField", TicketFieldId::TakeProfit);
  stopLossPrice_ = priceField("StopLossPriceTextField", TicketFieldId::StopLoss);
  priceStepper_ = stepper(TicketStepperId::Price);
  takeProfitStepper_ = stepper(TicketStepperId::TakeProfit);
  stopLossStepper_ = stepper(TicketStepperId::StopLoss);
  priceHint_ = plainLabel(QString(), advancedBox_, "contigentpricesuggestionLabel");
  takeProfitHint_ = plainLabel(QString(), advancedBox_, "takeprofitpricesuggestionLabel");
  stopLossHint_ = plainLabel(QString(), advancedBox_, "stoplosspricesuggestionLabel");
  for (QLabel* hint : {priceHint_, takeProfitHint_, stopLossHint_}) fixSize(hint, QStringLiteral(">= 000000.00000"));

  takeProfit_ = new QCheckBox(caption("9418"), advancedBox_);
  takeProfit_->setObjectName("TakeProfitCheckBox");
  connect(takeProfit_, &QCheckBox::clicked, this, [this](bool on) { controller_.takeProfitCheckboxSelect(on); });
  stopLoss_ = new QCheckBox(caption("9419"), advancedBox_);
  stopLoss_->setObjectName("StopLossCheckBox");
  connect(stopLoss_, &QCheckBox::clicked, this, [this](bool on) { controller_.stopLossCheckboxSelect(on); });
  deviationBox_ = new QCheckBox(caption("9421"), advancedBox_);
  deviationBox_->setObjectName("DeviationCheckBox");
  connect(deviationBox_, &QCheckBox::clicked, this, [this](bool on) { controller_.deviationCheckboxSelect(on); });
  deviation_ = new CustomTextField(advancedBox_);
  deviation_->setObjectName("DeviationTextField");
  deviation_->setFixedWidth(60);
  connectField(deviation_, TicketFieldId::Deviation);

  // The side in advanced mode: chosen here, or with Buy and Sell.
  buyCheck_ = new QCheckBox(caption("0009"), advancedBox_);
  buyCheck_->setObjectName("BuyCheckBox");
  connect(buyCheck_, &QCheckBox::clicked, this, [this] { controller_.sideCheckboxSelect(0); });
  sellCheck_ = new QCheckBox(caption("0010"), advancedBox_);
  sellCheck_->setObjectName("SellCheckBox");
  connect(sellCheck_, &QCheckBox::clicked, this, [this] { controller_.sideCheckboxSelect(1); });
  place_ = new QPushButton(caption("9424"), advancedBox_);
  place_->setObjectName("PlaceOrderButton");
  place_->setMinimumWidth(110);
  connect(place_, &QPushButton::clicked, this, [this] { controller_.placeOrderButtonClicked(); });

  grid->addWidget(plainLabel(caption("9415"), advancedBox_), 0, 0);
  grid->addWidget(orderType_, 0, 1, 1, 2);
  grid->addWidget(plainLabel(caption("9416"), advancedBox_), 0, 3);
  grid->addWidget(validity_, 0, 4);
  grid->addWidget(plainLabel(caption("0232"), advancedBox_), 1, 0);
  grid->addWidget(price_, 1, 1);
  grid->addWidget(priceStepper_, 1, 2);
  grid->addWidget(priceHint_, 1, 3, 1, 2);
  grid->addWidget(takeProfit_, 2, 0);
  grid->addWidget(takeProfitPrice_, 2, 1);
  grid->addWidget(takeProfitStepper_, 2, 2);
  grid->addWidget(takeProfitHint_, 2, 3, 1, 2);
  grid->addWidget(stopLoss_, 3, 0);
  grid->addWidget(stopLossPrice_, 3, 1);
  grid->addWidget(stopLossStepper_, 3, 2);
  grid->addWidget(stopLossHint_, 3, 3, 1, 2);
  grid->addWidget(plainLabel(caption("9420"), advancedBox_), 4, 0);
  grid->addWidget(timeInForce_, 4, 1, 1, 2);
  grid->addWidget(deviationBox_, 4, 3);
  grid->addWidget(deviation_, 4, 4);
  auto* sides = new QHBoxLayout;
  sides->addWidget(buyCheck_);
  sides->addWidget(sellCheck_);
  sides->addStretch();
  sides->addWidget(place_);
  grid->addLayout(sides, 5, 0, 1, 5);
  grid->setColumnStretch(4, 1);
  return advancedBox_;
}

// A drawer: a framed panel of fixed width beside the ticket, its contents in a column.
QFrame* drawerFrame(QWidget* parent, const char* objectName, int width, QVBoxLayout*& column) {
  auto* drawer = new QFrame(parent);
  drawer->setObjectName(objectName);
  drawer->setFrameShape(QFrame::StyledPanel);
  drawer->setFixedWidth(width);
  column = new QVBoxLayout(drawer);
  column->setContentsMargins(6, 8, 6, 8);
  return drawer;
}

QFrame* TradeTicketWindow::buildLeftDrawer() {
  QVBoxLayout* column = nullptr;
  QFrame* drawer = drawerFrame(this, "multiTradeDrawer", 380, column);
  selectAll_ = new QCheckBox(caption("9427"), drawer);
  selectAll_->setObjectName("multiAccountSelectAllCheckBox");
  connect(selectAll_, &QCheckBox::clicked, this,
          [this](bool on) { controller_.selectAllMultiAccountCheckBoxClicked(on); });
  multiTrade_ = table(&controller_.multitradeTableModel(), drawer, "multitradeTableView");
  quantityHeader_ = new NBETableHeaderView(Qt::Horizontal, multiTrade_);
  multiTrade_->setHorizontalHeader(quantityHeader_);
  quantityHeader_->setSectionResizeMode(QHeaderView::Stretch);
  quantityHeader_->setSectionResizeMode(MultiTradeTableModel::SelectColumn, QHeaderView::Fixed);
  quantityHeader_->resizeSection(MultiTradeTableModel::SelectColumn, 28);
  quantityHeader_->setSectionsClickable(true);
  connect(quantityHeader_, &QHeaderView::sectionDoubleClicked, this,
          [this](int section) { controller_.doubleClickInTableViewHeader(-1, section); });
  multiTrade_->setItemDelegateForColumn(MultiTradeTableModel::QuantityColumn, new CustomTextFieldCell(multiTrade_));
  multiTrade_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::SelectedClicked);
  multiTrade_->setFocusPolicy(Qt::StrongFocus);
  column->addWidget(selectAll_);
  column->addWidget(multiTrade_, 1);
  return drawer;
}

QFrame* TradeTicketWindow::buildRightDrawer() {
  QVBoxLayout* column = nullptr;
  QFrame* drawer = drawerFrame(this, "marketDepthDrawer", 420, column);
  column->addWidget(plainLabel(caption("9425"), drawer));
  auto* tables = new QHBoxLayout;
  bidDepth_ = table(&controller_.buyMarketDepthTableController(), drawer, "BuyMarketDepthTableView");
  offerDepth_ = table(&controller_.sellMarketDepthTableController(), drawer, "SellMarketDepthTableView");
  for (QTableView* view : {bidDepth_, offerDepth_}) {
    view->setFixedHeight(view->horizontalHeader()->sizeHint().height() + 22 * MarketDepthTableModel::kMaxLevels + 4);
    view->setItemDelegate(new DepthCellDelegate(view));
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  }
  tables->addWidget(bidDepth_);
  tables->addWidget(offerDepth_);
  column->addLayout(tables);
  column->addStretch();
  return drawer;
}

void TradeTicketWindow::connectCombo(QComboBox* box, TicketComboId id) {
  connect(box, &QComboBox::activated, this, [this, box, id](int index) {
    controller_.comboBoxSelectionIsChanging(id, box->itemText(index).toStdString());
  });
}

void TradeTicketWindow::connectField(QLineEdit* field, TicketFieldId id) {
  connect(field, &QLineEdit::textEdited, this,
          [this, id](const QString& text) { controller_.controlTextDidChange(id, text.toStdString()); });
}

bool TradeTicketWindow::usableInBox(const TicketControl& control) const {
  return control.enabled && controller_.state().advancedEnabled;
}

void TradeTicketWindow::ticketChanged() {
  if (syncing_) return;
  syncing_ = true;
  const TicketState& s = controller_.state();

  setChecked(simple_, s.mode == TradeTicketWindowController::kSimpleMode);
  setChecked(advanced_, s.mode == TradeTicketWindowController::kAdvancedMode);
  setChecked(confirmationAlert_, s.showConfirmationAlert);

  syncCombo(account_, s.account, s.account.enabled);
  syncCombo(symbol_, s.symbol, s.symbol.enabled);
  syncCombo(quantity_, s.quantity, s.quantity.enabled);
  setText(symbolDescription_, s.symbolDescription);
  setText(quantityDescription_, s.quantityDescription);

  setText(headerSymbol_, s.headerSymbol);
  setText(headerTime_, s.headerTime);
  setText(headerLow_, s.headerLow);
  setText(headerHigh_, s.headerHigh);
  setText(headerSpread_, s.headerSpread);
  buyPrice_->setPrice(qs(s.buyPrice));
  sellPrice_->setPrice(qs(s.sellPrice));
  buy_->setEnabled(s.buyButton.enabled);
  sell_->setEnabled(s.sellButton.enabled);

  // The advanced box: live at full opacity in advanced mode, disabled and faded in simple mode.
  // The fading costs a repaint of the whole box at every change inside it: only while faded.
  advancedOpacity_->setOpacity(s.advancedAlpha);
  advancedOpacity_->setEnabled(s.advancedAlpha < 1.0);
  syncCombo(orderType_, s.orderType, usableInBox(s.orderType));
  syncCombo(validity_, s.validity, usableInBox(s.validity));
  syncCombo(timeInForce_, s.timeInForce, usableInBox(s.timeInForce));
  syncField(price_, s.price, usableInBox(s.price));
  syncField(takeProfitPrice_, s.takeProfitPrice, usableInBox(s.takeProfitPrice));
  syncField(stopLossPrice_, s.stopLossPrice, usableInBox(s.stopLossPrice));
  syncField(deviation_, s.deviation, usableInBox(s.deviation));
  const std::pair<QWidget*, const TicketStepper*> steppers[] = {
      {priceStepper_, &s.priceStepper}, {takeProfitStepper_, &s.takeProfitStepper}, {stopLossStepper_, &s.stopLossStepper}};
  for (const auto& [widget, state] : steppers) {
    widget->setEnabled(usableInBox(*state));
    widget->setVisible(state->visible);
  }
  syncCheck(takeProfit_, s.takeProfit, usableInBox(s.takeProfit));
  syncCheck(stopLoss_, s.stopLoss, usableInBox(s.stopLoss));
  syncCheck(deviationBox_, s.deviationBox, usableInBox(s.deviationBox));
  syncCheck(buyCheck_, s.buyCheck, usableInBox(s.buyCheck));
  syncCheck(sellCheck_, s.sellCheck, usableInBox(s.sellCheck));
  setText(priceHint_, s.priceHint);
  setText(takeProfitHint_, s.takeProfitHint);
  setText(stopLossHint_, s.stopLossHint);
  place_->setEnabled(usableInBox(s.placeButton));
  const QString placeStyle =
      s.placeShowsSell ? QStringLiteral("QPushButton { background-color: rgb(178, 34, 34); color: white; }")
                       : QStringLiteral("QPushButton { background-color: rgb(25, 90, 170); color: white; }");
  if (place_->styleSheet() != placeStyle) place_->setStyleSheet(placeStyle);

  multiTradeToggle_->setVisible(s.multitradeButton.visible);
  setChecked(multiTradeToggle_, s.leftDrawerOpen);
  setChecked(depthToggle_, s.rightDrawerOpen);
  setChecked(selectAll_, s.selectAll.on);
  syncDrawers();
  syncing_ = false;
}

void TradeTicketWindow::syncDrawers() {
  const TicketState& s = controller_.state();
  if (leftDrawer_->isVisibleTo(this) != s.leftDrawerOpen) {
    // The left drawer opens to the left: the rest of the ticket stays where it is.
    leftDrawer_->setVisible(s.leftDrawerOpen);
    if (isVisible()) move(x() + (s.leftDrawerOpen ? -leftDrawer_->width() : leftDrawer_->width()), y());
  }
  if (rightDrawer_->isVisibleTo(this) != s.rightDrawerOpen) rightDrawer_->setVisible(s.rightDrawerOpen);
}

void TradeTicketWindow::showAlert(const std::string& title, const std::string& message) {
  CommonAlert::ShowCommonAlertVieWwithMessage(message, title);
}

void TradeTicketWindow::showConfirmationSheet(const std::string& text) {
  auto* sheet = new QMessageBox(this);
  sheet->setObjectName("orderConfirmationSheet");
  sheet->setAttribute(Qt::WA_DeleteOnClose);
  sheet->setWindowModality(Qt::WindowModal);
  sheet->setIcon(QMessageBox::Information);
  sheet->setTextFormat(Qt::PlainText);
  sheet->setText(QStringLiteral("Order Confirmation"));
  sheet->setInformativeText(qs(text));
  QPushButton* send = sheet->addButton(QStringLiteral("Send"), QMessageBox::AcceptRole);
  sheet->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
  sheet->setDefaultButton(send);
  auto* suppress = new QCheckBox(QStringLiteral("Do not show this message again"), sheet);
  suppress->setObjectName("suppressionButton");
  sheet->setCheckBox(suppress);
  connect(sheet, &QMessageBox::finished, this, [this, sheet, send, suppress] {
    controller_.handleResult(sheet->clickedButton() == send, suppress->isChecked());
  });
  sheet->open();
}

void TradeTicketWindow::showTicketWindow() {
  if (!placed_) {
    // The first time over the main window's centre; later where the user left it.
    placed_ = true;
    if (const QWidget* main = parentWidget()) move(main->geometry().center() - QPoint(sizeHint().width() / 2, sizeHint().height() / 2));
  }
  show();
  raise();
  activateWindow();
}

void TradeTicketWindow::closeTicketWindow() { close(); }

void TradeTicketWindow::showChartSymbol(const std::string& code, const std::string& key) {
  if (onChartSymbol) onChartSymbol(code, key);
}

void TradeTicketWindow::editQuantityHeader() { quantityHeader_->editSection(MultiTradeTableModel::QuantityColumn); }

void TradeTicketWindow::closeEvent(QCloseEvent* event) {
  controller_.windowWillClose();
  QWidget::closeEvent(event);
}

void TradeTicketWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  controller_.windowDidShowAgain();
}

}  // namespace td
