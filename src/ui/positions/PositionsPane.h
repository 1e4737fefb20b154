#pragma once
// The position and order lists in the main window: the five tabs of the positions split (open
// positions, working orders, settled positions, executed positions, cancelled orders) with their
// totals lines, the executed positions' day search, the row menus, and the three sheets they open
// on the main window.
//
// installPositionLists() joins them to the main window once, when it is made; they read the session
// of the moment through the application context and live as long as the main window.

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

#include "ui/positions/ClosendCancelPositionWindowController.h"
#include "ui/positions/HistoryTableControllers.h"
#include "ui/positions/ModifyPositionWindowController.h"
#include "ui/positions/OffsetPositionWindowController.h"
#include "ui/positions/OpenPositionTableController.h"
#include "ui/positions/PendingOrderTableController.h"
#include "ui/positions/PositionSheetOpener.h"
#include "ui/positions/PositionSheetWindows.h"

class QDateEdit;
class QLabel;
class QTabWidget;

namespace td {

class MainWindow;
class PositionListView;

class PositionsPane final : public QObject, public PositionSheetOpener {
  Q_OBJECT
 public:
  // The delivery receipt of a position (detail view type 1 an open position, 2 an executed one),
  // shown by the instrument details family when it installs itself here.
  using DeliveryReceiptOpener = std::function<void(int detailViewType, const std::string& positionId)>;

  PositionsPane(QWidget* mainWindow, QTabWidget* tabs, std::unique_ptr<PositionsSession> session,
                std::shared_ptr<NotificationCenter> notifications);
  ~PositionsPane() override;

  void setDeliveryReceiptOpener(DeliveryReceiptOpener opener) { deliveryReceipt_ = std::move(opener); }

  // PositionSheetOpener
  bool isSheetOpen() const override;
  void openCloseOrCancelSheet(int mode, const std::string& recordId) override;
  void openModifySheet(int mode, const std::string& recordId) override;
  void openOffsetSheet(const std::string& openPositionId) override;
  bool canShowDeliveryReceipt() const override { return static_cast<bool>(deliveryReceipt_); }
  void openDeliveryReceipt(int detailViewType, const std::string& positionId) override;

  OpenPositionTableController& openPositions() { return *open_; }
  PendingOrderTableController& workingOrders() { return *pending_; }
  SettledPositionTableController& settledPositions() { return *settled_; }
  ExecutedPositionTableController& executedPositions() { return *executed_; }
  CancelledOrderTableController& cancelledOrders() { return *cancelled_; }
  PositionListView* openPositionsView() const { return openView_; }
  PositionListView* workingOrdersView() const { return pendingView_; }
  PositionListView* settledPositionsView() const { return settledView_; }
  PositionListView* executedPositionsView() const { return executedView_; }
  PositionListView* cancelledOrdersView() const { return cancelledView_; }
  QLabel* openPositionsStatus() const { return openStatus_; }
  QLabel* settledPositionsStatus() const { return settledStatus_; }
  QDateEdit* searchDatePicker() const { return searchDate_; }
  // The sheets (made on first use).
  ClosendCancelPositionSheet* closeOrCancelSheet() const { return closeSheet_; }
  ModifyPositionSheet* modifySheet() const { return modifySheet_; }
  OffsetPositionSheet* offsetSheet() const { return offsetSheet_; }
  ClosendCancelPositionWindowController& closeOrCancelController() { return closeController_; }
  ModifyPositionWindowController& modifyController() { return modifyController_; }
  OffsetPositionWindowController& offsetController() { return offsetController_; }

 private:
  QWidget* listPage(PositionListView* view, QLabel** status, PositionListModel& model);
  QWidget* executedPage();
  void wireRowMenus();

  QPointer<QWidget> mainWindow_;
  std::vector<QPointer<QWidget>> pages_;
  std::unique_ptr<PositionsSession> session_;
  std::shared_ptr<NotificationCenter> notifications_;
  std::unique_ptr<OpenPositionTableController> open_;
  std::unique_ptr<PendingOrderTableController> pending_;
  std::unique_ptr<SettledPositionTableController> settled_;
  std::unique_ptr<ExecutedPositionTableController> executed_;
  std::unique_ptr<CancelledOrderTableController> cancelled_;
  PositionListView* openView_ = nullptr;
  PositionListView* pendingView_ = nullptr;
  PositionListView* settledView_ = nullptr;
  PositionListView* executedView_ = nullptr;
  PositionListView* cancelledView_ = nullptr;
  QLabel* openStatus_ = nullptr;
  QLabel* settledStatus_ = nullptr;
  QDateEdit* searchDate_ = nullptr;
  ClosendCancelPositionWindowController closeController_;
  ModifyPositionWindowController modifyController_;
  OffsetPositionWindowController offsetController_;
  QPointer<ClosendCancelPositionSheet> closeSheet_;
  QPointer<ModifyPositionSheet> modifySheet_;
  QPointer<OffsetPositionSheet> offsetSheet_;
  DeliveryReceiptOpener deliveryReceipt_;
};

// Puts the lists into the main window's positions tabs; the pane is owned by the main window.
PositionsPane* installPositionLists(MainWindow& window);

}  // namespace td
