#include "ui/watchlist/WatchlistView.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/controls/Captions.h"
#include "ui/controls/CustomLabelStyle.h"
#include "ui/controls/DrawingControls.h"
#include "ui/controls/NumericFields.h"
#include "ui/watchlist/AdvancedWatchlistTableController.h"
#include "ui/watchlist/WatchlistTableController.h"

namespace td {
namespace {

void makeDragSource(QTableView& view) {
  view.setSelectionBehavior(QAbstractItemView::SelectRows);
  view.setEditTriggers(QAbstractItemView::NoEditTriggers);
  view.setDragEnabled(true);
  view.setDragDropMode(QAbstractItemView::DragOnly);
  view.setDefaultDropAction(Qt::CopyAction);
  view.verticalHeader()->hide();
  view.setShowGrid(false);
  view.setWordWrap(false);
}

QLabel* plainLabel(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  return label;
}

const QColor kLight(225, 228, 232);  // text on the dark panel

// `lighter` above 100 lightens the tick colour for a dark background.
void setTickColour(QLabel* label, quote::Tick tick, const QColor& same, int lighter = 100) {
  const QColor colour = tick == quote::Tick::Same ? same : quote::tickColor(tick).lighter(lighter);
  // A label inside an item view draws with the view's text role, elsewhere with the window text.
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  palette.setColor(QPalette::Text, colour);
  label->setPalette(palette);
}

}  // namespace

// ---- the column board ----

WatchlistView::WatchlistView(WatchlistTableController& controller, QWidget* parent)
    : QTableView(parent), controller_(controller) {
  setObjectName("watchlistTableView");
  setModel(&controller);
  makeDragSource(*this);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  verticalHeader()->setDefaultSectionSize(20);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setStretchLastSection(true);
  const int widths[WatchlistTableController::ColumnCount] = {24, 76, 80, 80, 52, 80, 80, 80, 96, 80, 80, 160, 64, 90, 100};
  for (int column = 0; column < WatchlistTableController::ColumnCount; ++column) setColumnWidth(column, widths[column]);

  // The header column menu: one item per column, ticked while the column is shown.
  headerMenu_ = new QMenu(this);
  headerMenu_->setObjectName("WatchlistHeaderMenu");
  for (int column = 0; column < WatchlistTableController::ColumnCount; ++column) {
    QAction* item = headerMenu_->addAction(QString::fromLatin1(WatchlistTableController::identifier(column)));
    item->setCheckable(true);
    item->setChecked(!controller.isColumnHidden(column));
    connect(item, &QAction::triggered, this, [this, item, column] {
      controller_.HeaderMenu(column);
      item->setChecked(!controller_.isColumnHidden(column));
      setColumnHidden(column, controller_.isColumnHidden(column));
    });
  }
  horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(horizontalHeader(), &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { headerMenu_->popup(horizontalHeader()->mapToGlobal(at)); });

  connect(this, &QAbstractItemView::doubleClicked, this,
          [this](const QModelIndex& index) { controller_.doubleAction(index.row()); });
  connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
    if (index.column() == WatchlistTableController::ITEMTYPEIMG_WL) controller_.contractDetailButtonClicked(index.row());
  });
  // A reload keeps which columns are hidden.
  connect(&controller, &QAbstractItemModel::modelReset, this, [this] { applyHidden(); });
  applyHidden();
}

void WatchlistView::applyHidden() {
  for (int column = 0; column < WatchlistTableController::ColumnCount; ++column) {
    setColumnHidden(column, controller_.isColumnHidden(column));
  }
}

// ---- the expanded row ----

AdvancedTableCell::AdvancedTableCell(AdvancedWatchlistTableController& controller, QWidget* parent)
    : AMBackground(parent), controller_(controller) {
  setObjectName("AdvancedTableCell");

  symbol_ = plainLabel(this, "SymbolTextField");
  bid_ = plainLabel(this, "BidTextField");
  ask_ = plainLabel(this, "AskTextField");
  time_ = plainLabel(this, "TimeTextLabel");
  low_ = plainLabel(this, "LowTextLabel");
  high_ = plainLabel(this, "HighTextLabel");
  spread_ = plainLabel(this, "SpreadTextLabel");
  sellPrice_ = plainLabel(this, "SellTextLabel");
  buyPrice_ = plainLabel(this, "BuyTextLabel");
  for (QLabel* label : {symbol_, bid_, ask_, time_, low_, high_, spread_}) setTickColour(label, quote::Tick::Same, kLight);
  QFont bold = symbol_->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.2);
  symbol_->setFont(bold);
  for (QLabel* price : {bid_, ask_}) price->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  // The big prices sit on light boxes, so the tick colours read as well as on the board; their last
  // two digits stand out (CustomLabelStyle).
  QFont priceFont = sellPrice_->font();
  priceFont.setBold(true);
  for (QLabel* price : {sellPrice_, buyPrice_}) {
    price->setFont(priceFont);
    price->setTextFormat(Qt::RichText);
    price->setAlignment(Qt::AlignCenter);
    price->setAutoFillBackground(true);
    QPalette light = price->palette();
    light.setColor(QPalette::Window, QColor(236, 238, 241));
    light.setColor(QPalette::WindowText, QColor(20, 20, 20));
    price->setPalette(light);
    price->setMinimumHeight(48);
  }
  quantity_ = new CustomComboBox(this);
  quantity_->setObjectName("QuantityComboBox");
  quantity_->addItems({"1", "2", "5", "10", "20", "50"});
  sell_ = new AMDarkButtonCell(caption("0010"), this);
  sell_->setObjectName("SellButton");
  buy_ = new AMDarkButtonCell(caption("0009"), this);
  buy_->setObjectName("BuyButton");
  connect(sell_, &QPushButton::clicked, this, [this] { controller_.LoadTradeTicketView(); });
  connect(buy_, &QPushButton::clicked, this, [this] { controller_.LoadTradeTicketView(); });

  auto depthTable = [this](QAbstractItemModel& model, const char* name) {
    auto* table = new QTableView(this);
    table->setObjectName(name);
    table->setModel(&model);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(18);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::NoFocus);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QFont small = table->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    table->setFont(small);
    // Room for the five levels and the header, no more.
    table->setFixedHeight(table->horizontalHeader()->sizeHint().height() +
                          MarketDepthTableModel::kMaxLevels * table->verticalHeader()->defaultSectionSize() +
                          2 * table->frameWidth() + 2);
    table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return table;
  };

  auto* top = new QHBoxLayout;
  top->addWidget(symbol_);
  top->addStretch(1);
  top->addWidget(bid_);
  top->addSpacing(12);
  top->addWidget(ask_);
  auto* facts = new QGridLayout;
  facts->addWidget(time_, 0, 0);
  auto* spreadCaption = plainLabel(this, "SpreadCaption");
  spreadCaption->setText(caption("9613"));
  setTickColour(spreadCaption, quote::Tick::Same, kLight);
  auto* spreadRow = new QHBoxLayout;
  spreadRow->addWidget(spreadCaption);
  spreadRow->addWidget(spread_);
  spreadRow->addStretch(1);
  facts->addLayout(spreadRow, 0, 1);
  facts->addWidget(low_, 1, 0);
  facts->addWidget(high_, 1, 1);
  facts->setColumnStretch(0, 1);
  facts->setColumnStretch(1, 1);
  auto* prices = new QGridLayout;
  prices->addWidget(sellPrice_, 0, 0);
  prices->addWidget(buyPrice_, 0, 2);
  prices->addWidget(sell_, 1, 0);
  auto* quantity = new QHBoxLayout;
  auto* quantityCaption = plainLabel(this, "QuantityCaption");
  quantityCaption->setText(caption("0027"));
  setTickColour(quantityCaption, quote::Tick::Same, kLight);
  quantity_->setMinimumWidth(72);
  quantity->addWidget(quantityCaption);
  quantity->addWidget(quantity_, 1);
  prices->addLayout(quantity, 1, 1);
  prices->addWidget(buy_, 1, 2);
  prices->setColumnStretch(0, 1);
  prices->setColumnStretch(2, 1);
  auto* depth = new QHBoxLayout;
  depth->addWidget(depthTable(controller.buyDepth(), "buyMarketDepthTable"));
  depth->addWidget(depthTable(controller.sellDepth(), "sellMarketDepthTable"));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 2, 8, 6);
  layout->setSpacing(4);
  layout->addLayout(top);
  layout->addLayout(facts);
  layout->addLayout(prices);
  layout->addLayout(depth);
  layout->addStretch(1);
  fill();
}

// The view under the panel would take these as a click on the expanded row and collapse it.
void AdvancedTableCell::mousePressEvent(QMouseEvent* event) { event->accept(); }
void AdvancedTableCell::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }
void AdvancedTableCell::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }

void AdvancedTableCell::fill() {
  const AdvancedWatchlistTableController::Panel& panel = controller_.panel();
  symbol_->setText(panel.symbol);
  bid_->setText(panel.bid);
  ask_->setText(panel.ask);
  time_->setText(panel.time);
  low_->setText(panel.low);
  high_->setText(panel.high);
  spread_->setText(panel.spread);
  sellPrice_->setText(CustomLabelStyle::createTextStyle(sellPrice_->font(), panel.sell));
  buyPrice_->setText(CustomLabelStyle::createTextStyle(buyPrice_->font(), panel.buy));
  // On the dark panel the tick colours are lightened to stay readable.
  setTickColour(bid_, panel.bidTick, kLight, 180);
  setTickColour(ask_, panel.askTick, kLight, 180);
  setTickColour(sellPrice_, panel.bidTick, QColor(20, 20, 20));
  setTickColour(buyPrice_, panel.askTick, QColor(20, 20, 20));
}

// ---- the expanding board ----

AdvancedWatchlistView::AdvancedWatchlistView(AdvancedWatchlistTableController& controller, QWidget* parent)
    : QTableView(parent), controller_(controller) {
  setObjectName("advancedWatchlistTableView");
  setModel(&controller);
  makeDragSource(*this);
  setSelectionMode(QAbstractItemView::SingleSelection);
  verticalHeader()->setMinimumSectionSize(AdvancedWatchlistTableController::kRowHeight);
  verticalHeader()->setDefaultSectionSize(AdvancedWatchlistTableController::kRowHeight);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  horizontalHeader()->setHighlightSections(false);
  connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
    controller_.shouldSelectRow(index.row());
    controller_.tableViewSelectionDidChange(index.row());
  });
  connect(&controller, &AdvancedWatchlistTableController::expansionChanged, this,
          [this](int previous, int row) { expand(previous, row); });
  connect(&controller, &AdvancedWatchlistTableController::panelChanged, this, [this] {
    if (panel_) panel_->fill();
  });
}

void AdvancedWatchlistView::expand(int previousRow, int row) {
  clearSpans();
  if (previousRow >= 0 && previousRow < model()->rowCount()) {
    if (indexWidget(model()->index(previousRow, 0))) setIndexWidget(model()->index(previousRow, 0), nullptr);
    setRowHeight(previousRow, controller_.heightOfRow(previousRow));
  }
  if (row < 0) return;
  setSpan(row, 0, 1, AdvancedWatchlistTableController::ColumnCount);
  setRowHeight(row, controller_.heightOfRow(row));
  const QModelIndex index = model()->index(row, 0);
  if (!qobject_cast<AdvancedTableCell*>(indexWidget(index))) setIndexWidget(index, new AdvancedTableCell(controller_));
  panel_ = qobject_cast<AdvancedTableCell*>(indexWidget(index));
  panel_->fill();
  scrollTo(index);
}

}  // namespace td
