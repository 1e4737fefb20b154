#include "ui/MainWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/Log.h"
#include "platform/Resources.h"
#include "ui/shell/LockController.h"

namespace td {
namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

QPixmap namedImage(const char* name) {
  return QPixmap(QString::fromStdString((Resources::directory() / "images" / name).string()));
}

QWidget* hostWidget(const char* objectName, QWidget* parent) {
  auto* host = new QWidget(parent);
  host->setObjectName(objectName);
  auto* layout = new QVBoxLayout(host);
  layout->setContentsMargins(0, 0, 0, 0);
  return host;
}

}  // namespace

// ---- CustomDragView ----

CustomDragView::CustomDragView(const QString& identifier, NotificationCenter& notifications, QWidget* parent)
    : QWidget(parent), identifier_(identifier), notifications_(notifications) {
  setObjectName(identifier);
  setAcceptDrops(true);
  setMinimumSize(160, 110);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
}

void CustomDragView::dragEnterEvent(QDragEnterEvent* event) {
  // Copy when the source offers it, nothing otherwise.
  if (event->mimeData()->hasText() && (event->possibleActions() & Qt::CopyAction)) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
  } else {
    event->ignore();
  }
}

bool CustomDragView::performDragOperation(const QMimeData* data) {
  if (!data || !data->hasText()) {
    TD_LOG_WARN("Error NSView performDragOperation");
    return false;
  }
  const QString symbol = data->text();
  if (symbol.isEmpty()) {
    TD_LOG_WARN("Error: NSView performDragOperation zPasteboardData == nil");
    return false;
  }
  notifications_.post("ChartSymbolDragNotification",
                      std::vector<std::string>{symbol.toStdString(), identifier_.toStdString()});
  return true;
}

void CustomDragView::dropEvent(QDropEvent* event) {
  if (performDragOperation(event->mimeData())) event->acceptProposedAction();
  else event->ignore();
}

void CustomDragView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(38, 40, 44));
  painter.setPen(QColor(70, 72, 78));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

// ---- MainWindow ----

MainWindow::MainWindow(MainWindowController& controller, Hooks hooks, QWidget* parent)
    : QMainWindow(parent), controller_(controller), hooks_(std::move(hooks)) {
  setObjectName("mainWindow");
  setWindowTitle(qs(hooks_.appName));

  // The application menu: item 1011 is Lock.
  QMenu* appMenu = menuBar()->addMenu(qs(hooks_.appName));
  appMenu->setObjectName("appMenu");
  lock_ = appMenu->addAction(QStringLiteral("Lock"));
  lock_->setObjectName("lockAction");
  lock_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
  connect(lock_, &QAction::triggered, this, [this] {
    // The shortcut fires without the menu opening: the rule is applied here too.
    updateMenu();
    if (lock_->isEnabled() && hooks_.lock) hooks_.lock();
  });
  appMenu->addSeparator();
  QAction* quit = appMenu->addAction(QString::fromStdString(hooks_.text ? hooks_.text("9305") : "Quit"));
  quit->setObjectName("quitAction");
  quit->setShortcut(QKeySequence::Quit);
  connect(quit, &QAction::triggered, this, [this] {
    if (hooks_.quit) hooks_.quit();
  });
  connect(appMenu, &QMenu::aboutToShow, this, [this] { updateMenu(); });

  toolbar_ = addToolBar(QStringLiteral("Main"));
  toolbar_->setObjectName("mainToolbar");
  toolbar_->setMovable(false);
  toolbar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
  tabActions_ = new QActionGroup(this);
  tabActions_->setExclusive(true);

  mainTabView_ = new QStackedWidget(this);
  mainTabView_->setObjectName("mainTabView");
  setCentralWidget(mainTabView_);
  // The toolbar: the main tabs, then the session's windows, Settings last.
  tabsEnd_ = toolbar_->addSeparator();
  buttonsEnd_ = toolbar_->addSeparator();
  addMainTab(QStringLiteral("Trade"), buildTradingTab());
  if (hooks_.openSettings) {
    QAction* settings = toolbar_->addAction(QStringLiteral("Settings"));
    settings->setObjectName(QStringLiteral("settingsButton"));
    connect(settings, &QAction::triggered, this, [this] { hooks_.openSettings(); });
  }

  buildStatusStrip();
  resize(1280, 800);

  controller_.setView(this);
  toggleLeftViewSelectedIndex(0);  // the window opens with the pie pane collapsed
}

MainWindow::~MainWindow() { controller_.setView(nullptr); }

QWidget* MainWindow::buildTradingTab() {
  auto* page = new QWidget(this);
  page->setObjectName("tradingTab");

  // The watchlist split: the watchlist beside the four mini charts.
  watchlistSplit_ = new QSplitter(Qt::Horizontal, page);
  watchlistSplit_->setObjectName(MainWindowController::WL_SPLIT_IDN);
  watchlistHost_ = hostWidget("watchlistHost", watchlistSplit_);
  // Its divider moves between 330 and 900 points: the left pane's width is bounded so.
  watchlistHost_->setMinimumWidth(static_cast<int>(MainWindowController::SplitRules::constrainMinCoordinate(
      MainWindowController::WL_SPLIT_IDN, 0)));
  watchlistHost_->setMaximumWidth(static_cast<int>(MainWindowController::SplitRules::constrainMaxCoordinate(
      MainWindowController::WL_SPLIT_IDN, 0)));
  auto* chartGrid = new QWidget(watchlistSplit_);
  chartGrid->setObjectName("chartGrid");
  auto* grid = new QGridLayout(chartGrid);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(4);
  for (int i = 0; i < 4; ++i) {
    charts_[i] = new CustomDragView(QString::fromLatin1(MainWindowController::CHART_IDENTIFIERS[i]),
                                    *hooks_.notifications, chartGrid);
    grid->addWidget(charts_[i], i / 2, i % 2);
  }
  watchlistSplit_->addWidget(watchlistHost_);
  watchlistSplit_->addWidget(chartGrid);
  watchlistSplit_->setCollapsible(0, false);
  watchlistSplit_->setCollapsible(1, false);
  watchlistSplit_->setSizes({420, 860});

  // The positions split: the pie chart's pane (collapsible, pinned width, no divider) beside the
  // lists.
  auto* positions = new QWidget(page);
  auto* positionsLayout = new QVBoxLayout(positions);
  positionsLayout->setContentsMargins(0, 0, 0, 0);
  positionsLayout->setSpacing(2);
  auto* toggleRow = new QHBoxLayout;
  leftToggle_ = new QButtonGroup(this);
  const char* segments[2] = {"Lists", "Chart + Lists"};
  for (int i = 0; i < 2; ++i) {
    auto* segment = new QToolButton(positions);
    segment->setObjectName(i == 0 ? "collapseLeftView" : "uncollapseLeftView");
    segment->setText(QString::fromLatin1(segments[i]));
    segment->setCheckable(true);
    leftToggle_->addButton(segment, i);
    toggleRow->addWidget(segment);
  }
  leftToggle_->setExclusive(true);
  toggleRow->addStretch();
  connect(leftToggle_, &QButtonGroup::idClicked, this, [this](int id) { toggleLeftViewSelectedIndex(id); });

  openPositionSplit_ = new QSplitter(Qt::Horizontal, positions);
  openPositionSplit_->setObjectName(MainWindowController::OPEN_SPLIT_IDN);
  pieHost_ = hostWidget("pieChartHost", openPositionSplit_);
  pieHost_->setFixedWidth(leftFrameWidth_);
  positionTabs_ = new QTabWidget(openPositionSplit_);
  positionTabs_->setObjectName("positionTabs");
  positionTabs_->setDocumentMode(true);
  openPositionSplit_->addWidget(pieHost_);
  openPositionSplit_->addWidget(positionTabs_);
  openPositionSplit_->setCollapsible(0, true);
  openPositionSplit_->setCollapsible(1, false);
  if (MainWindowController::SplitRules::shouldHideDivider(MainWindowController::OPEN_SPLIT_IDN))
    openPositionSplit_->setHandleWidth(0);
  positionsLayout->addLayout(toggleRow);
  positionsLayout->addWidget(openPositionSplit_, 1);

  auto* vertical = new QSplitter(Qt::Vertical, page);
  vertical->setObjectName("tradingSplit");
  vertical->addWidget(watchlistSplit_);
  vertical->addWidget(positions);
  vertical->setSizes({440, 300});
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(4, 4, 4, 0);
  layout->addWidget(vertical);
  return page;
}

void MainWindow::buildStatusStrip() {
  auto makeLabel = [this](const char* name) {
    auto* label = new QLabel(this);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    return label;
  };
  accountId_ = makeLabel("AccountIdTextField");
  balance_ = makeLabel("BalanceTextField");
  profitLoss_ = makeLabel("ProfitLossTextField");
  usedMargin_ = makeLabel("UsedMarginTextField");
  availableMargin_ = makeLabel("AvailableMarginTextField");
  indicatorImage_ = makeLabel("NetworkStatusIndicatorImage");
  connectionImage_ = makeLabel("ConnectionStatusImage");
  connectionText_ = makeLabel("ConnectionStatusTextField");
  serverTime_ = makeLabel("ServerTimeTextField");

  auto* strip = new QWidget(this);
  auto* layout = new QHBoxLayout(strip);
  layout->setContentsMargins(6, 2, 6, 2);
  layout->setSpacing(18);
  for (QLabel* label : {accountId_, balance_, profitLoss_, usedMargin_, availableMargin_}) layout->addWidget(label);
  layout->addStretch(1);
  layout->addWidget(indicatorImage_);
  layout->addWidget(connectionImage_);
  layout->addWidget(connectionText_);
  layout->addWidget(serverTime_);
  statusBar()->addWidget(strip, 1);
  statusBar()->setSizeGripEnabled(true);
}

int MainWindow::addMainTab(const QString& title, QWidget* page) {
  const int index = mainTabView_->addWidget(page);
  auto* action = new QAction(title, toolbar_);
  toolbar_->insertAction(tabsEnd_, action);
  action->setObjectName("tab" + QString::number(index));
  action->setCheckable(true);
  action->setData(index);  // the tag: the tab's index
  tabActions_->addAction(action);
  connect(action, &QAction::triggered, this, [this, index] { selectMainTab(index); });
  if (index == 0) action->setChecked(true);
  return index;
}

QAction* MainWindow::addToolbarButton(const QString& title, const QString& objectName, std::function<void()> action) {
  auto* button = new QAction(title, toolbar_);
  toolbar_->insertAction(buttonsEnd_, button);
  button->setObjectName(objectName);
  connect(button, &QAction::triggered, this, [action = std::move(action)] {
    if (action) action();
  });
  return button;
}

void MainWindow::placeChildWindow(QWidget* window) {
  if (!window || window->property("td.placed").toBool()) return;
  window->setProperty("td.placed", true);
  // A window its maker sized keeps its size; any other takes the size it would show at.
  if (!window->testAttribute(Qt::WA_Resized)) window->adjustSize();
  const QRect frame = geometry();
  window->move(frame.center() - QPoint(window->width() / 2, window->height() / 2));
}

void MainWindow::selectMainTab(int index) {
  if (index < 0 || index >= mainTabView_->count()) return;
  mainTabView_->setCurrentIndex(index);
  for (QAction* action : tabActions_->actions()) action->setChecked(action->data().toInt() == index);
}

int MainWindow::currentMainTab() const { return mainTabView_->currentIndex(); }

bool MainWindow::leftViewCollapsed() const { return !pieHost_->isVisibleTo(openPositionSplit_); }

void MainWindow::toggleLeftViewSelectedIndex(int index) {
  if (index == 0 && !leftViewCollapsed()) pieHost_->hide();
  else if (index == 1 && leftViewCollapsed()) pieHost_->show();
  if (QAbstractButton* segment = leftToggle_->button(leftViewCollapsed() ? 0 : 1)) segment->setChecked(true);
}

void MainWindow::updateMenu() {
  const bool sheetOpen = QApplication::activeModalWidget() != nullptr;
  lock_->setEnabled(lockMenuItemEnabled(hooks_.lockAllowed && hooks_.lockAllowed(), isVisible(), sheetOpen));
}

void MainWindow::showAccountStrip(const AccountStrip& strip) {
  accountId_->setText(qs(strip.accountId));
  balance_->setText(qs(strip.balance));
  profitLoss_->setText(qs(strip.profitLoss));
  usedMargin_->setText(qs(strip.usedMargin));
  availableMargin_->setText(qs(strip.availableMargin));
}

void MainWindow::showNetworkStatus(const NetworkStatus& status, const std::string& text,
                                   const std::optional<std::string>& serverClock) {
  indicatorImage_->setPixmap(namedImage(status.indicatorImage));
  connectionImage_->setPixmap(namedImage(status.connectionImage));
  connectionText_->setText(qs(text));
  if (serverClock) serverTime_->setText(qs(*serverClock));
}

void MainWindow::setChartSymbol(int chart, const std::string& symbol, const std::string& key) {
  if (onChartSymbol) onChartSymbol(chart, symbol, key);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  QMainWindow::closeEvent(event);
  // Closing the main window ends the application.
  if (hooks_.quit) hooks_.quit();
}

}  // namespace td
