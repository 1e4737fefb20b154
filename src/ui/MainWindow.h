#pragma once
// The main window of a logged-in session: the toolbar that chooses the main tabs and opens the
// session's windows, the trading tab (the watchlist split "1000" beside the four mini-chart drop
// targets, over the positions split "1001" with the pie chart's collapsible pane and the lists),
// the account strip and the network strip with the server clock, and the menu with Lock and Quit.
//
// The window families fill the hosts it offers (watchlistHost, chartHost, pieChartHost,
// positionTabs) and add their tabs and toolbar buttons (addMainTab, addToolbarButton). It binds to
// MainWindowController and decides nothing itself; its maker calls the controller's windowDidLoad
// once the families have joined. Closing it ends the application.

#include <QMainWindow>
#include <QPointer>
#include <functional>

#include "ui/shell/MainWindowController.h"

class QAction;
class QActionGroup;
class QButtonGroup;
class QLabel;
class QMimeData;
class QSplitter;
class QStackedWidget;
class QTabWidget;
class QToolBar;

namespace td {

// `CustomDragView`: the host of a mini chart; takes dropped plain-text symbols and posts
// "ChartSymbolDragNotification" with [symbol, its identifier].
class CustomDragView final : public QWidget {
  Q_OBJECT
 public:
  CustomDragView(const QString& identifier, NotificationCenter& notifications, QWidget* parent = nullptr);
  const QString& identifier() const { return identifier_; }
  // `performDragOperation:` on the dropped data: true after posting.
  bool performDragOperation(const QMimeData* data);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QString identifier_;
  NotificationCenter& notifications_;
};

class MainWindow final : public QMainWindow, public MainWindowView {
  Q_OBJECT
 public:
  struct Hooks {
    NotificationCenter* notifications = nullptr;
    std::function<std::string(const char*)> text;
    std::function<void()> lock;                   // the menu's Lock
    std::function<bool()> lockAllowed;            // whether a user is logged in
    std::function<void()> quit;
    std::function<void()> openSettings;           // the Settings button
    std::string appName = "TarnwickDesk";
  };

  MainWindow(MainWindowController& controller, Hooks hooks, QWidget* parent = nullptr);
  ~MainWindow() override;

  // ---- hosts for the window families ----
  QWidget* watchlistHost() const { return watchlistHost_; }
  CustomDragView* chartHost(int chart) const { return charts_[chart - 1]; }
  QWidget* pieChartHost() const { return pieHost_; }
  QTabWidget* positionTabs() const { return positionTabs_; }
  // A main tab chosen by a toolbar button (its tag is the tab's index); returns the index.
  int addMainTab(const QString& title, QWidget* page);
  // A toolbar button that opens a window of the session.
  QAction* addToolbarButton(const QString& title, const QString& objectName, std::function<void()> action);
  // Mini chart N's symbol changes (for the chart issue's controllers).
  std::function<void(int chart, const std::string& symbol, const std::string& key)> onChartSymbol;

  // Places a child window of the session (a Qt::Tool window parented to this one) before it is
  // shown: centred on the main window the first time, where the user left it afterwards. A window
  // keeps the size its maker gave it; one never sized is fitted to its contents.
  void placeChildWindow(QWidget* window);

  // `MainToolbarButtonClicked:`.
  void selectMainTab(int index);
  int currentMainTab() const;
  // `toggleLeftViewSelectedIndex:` 0 collapses the pie pane, 1 shows it.
  void toggleLeftViewSelectedIndex(int index);
  bool leftViewCollapsed() const;
  QSplitter* watchlistSplit() const { return watchlistSplit_; }
  QSplitter* openPositionSplitView() const { return openPositionSplit_; }
  QAction* lockAction() const { return lock_; }
  // `menuNeedsUpdate:` for the application menu.
  void updateMenu();

  // MainWindowView
  void showAccountStrip(const AccountStrip& strip) override;
  void showNetworkStatus(const NetworkStatus& status, const std::string& text,
                         const std::optional<std::string>& serverClock) override;
  void setChartSymbol(int chart, const std::string& symbol, const std::string& key) override;

  QLabel* accountIdField() const { return accountId_; }
  QLabel* profitLossField() const { return profitLoss_; }
  QLabel* balanceField() const { return balance_; }
  QLabel* connectionText() const { return connectionText_; }
  QLabel* serverTimeField() const { return serverTime_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* buildTradingTab();
  void buildStatusStrip();

  MainWindowController& controller_;
  Hooks hooks_;
  QToolBar* toolbar_;
  QAction* tabsEnd_ = nullptr;     // the main tabs' buttons stand before it
  QAction* buttonsEnd_ = nullptr;  // the session windows' buttons before it, Settings after
  QActionGroup* tabActions_;
  QStackedWidget* mainTabView_;
  QSplitter* watchlistSplit_ = nullptr;
  QSplitter* openPositionSplit_ = nullptr;
  QWidget* watchlistHost_ = nullptr;
  QWidget* pieHost_ = nullptr;
  QTabWidget* positionTabs_ = nullptr;
  CustomDragView* charts_[4] = {};
  QButtonGroup* leftToggle_ = nullptr;
  int leftFrameWidth_ = 260;
  QLabel* accountId_;
  QLabel* balance_;
  QLabel* profitLoss_;
  QLabel* usedMargin_;
  QLabel* availableMargin_;
  QLabel* indicatorImage_;
  QLabel* connectionImage_;
  QLabel* connectionText_;
  QLabel* serverTime_;
  QAction* lock_ = nullptr;
};

}  // namespace td
