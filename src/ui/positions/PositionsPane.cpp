#include "ui/positions/PositionsPane.h"

#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/AppContext.h"
#include "ui/MainWindow.h"
#include "ui/positions/PositionListView.h"
#include "ui/positions/SheetSupport.h"

namespace td {
namespace {

QString caption(const char* key) { return QString::fromStdString(SheetSupport::localized(key)); }

QAction* addItem(QMenu& menu, const char* key, const char* objectName, bool visible, std::function<void()> action) {
  if (!visible) return nullptr;
  QAction* item = menu.addAction(caption(key));
  item->setObjectName(objectName);
  QObject::connect(item, &QAction::triggered, &menu, std::move(action));
  return item;
}

}  // namespace

PositionsPane::PositionsPane(QWidget* mainWindow, QTabWidget* tabs, std::unique_ptr<PositionsSession> session,
                             std::shared_ptr<NotificationCenter> notifications)
    : QObject(mainWindow),
      mainWindow_(mainWindow),
      session_(std::move(session)),
      notifications_(std::move(notifications)),
      closeController_(*session_),
      modifyController_(*session_),
      offsetController_(*session_) {
  setObjectName("positionsPane");
  open_ = std::make_unique<OpenPositionTableController>(*session_, *notifications_, *this);
  pending_ = std::make_unique<PendingOrderTableController>(*session_, *notifications_, *this);
  settled_ = std::make_unique<SettledPositionTableController>(*session_, *notifications_);
  executed_ = std::make_unique<ExecutedPositionTableController>(*session_, *notifications_, *this);
  cancelled_ = std::make_unique<CancelledOrderTableController>(*session_, *notifications_);

  openView_ = new PositionListView(*open_);
  openView_->setObjectName("openPositionTableView");
  openView_->setItemDelegateForColumn(open_->columnOfField(OpenPositionTableController::CurrentPrice),
                                      new PriceCellDelegate(openView_));
  pendingView_ = new PositionListView(*pending_);
  pendingView_->setObjectName("pendingOrderTableView");
  settledView_ = new PositionListView(*settled_);
  settledView_->setObjectName("settledPositionTableView");
  executedView_ = new PositionListView(*executed_);
  executedView_->setObjectName("executedPositionTableView");
  cancelledView_ = new PositionListView(*cancelled_);
  cancelledView_->setObjectName("cancelledOrderTableView");

  pages_ = {listPage(openView_, &openStatus_, *open_), listPage(pendingView_, nullptr, *pending_),
            listPage(settledView_, &settledStatus_, *settled_), executedPage(),
            listPage(cancelledView_, nullptr, *cancelled_)};
  const char* titles[] = {"8401", "8402", "8403", "8404", "8405"};
  for (std::size_t i = 0; i < pages_.size(); ++i) tabs->addTab(pages_[i], caption(titles[i]));
  wireRowMenus();
}

PositionsPane::~PositionsPane() {
  // The windows bound to the controllers go first.
  delete closeSheet_.data();
  delete modifySheet_.data();
  delete offsetSheet_.data();
  for (const QPointer<QWidget>& page : pages_) delete page.data();
}

QWidget* PositionsPane::listPage(PositionListView* view, QLabel** status, PositionListModel& model) {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(view, 1);
  if (status) {
    auto* label = new QLabel(page);
    label->setObjectName("statusLabel");
    label->setTextFormat(Qt::PlainText);
    label->setContentsMargins(6, 2, 6, 2);
    label->setText(model.statusText());
    connect(&model, &PositionListModel::statusChanged, label, &QLabel::setText);
    layout->addWidget(label);
    *status = label;
  }
  return page;
}

QWidget* PositionsPane::executedPage() {
  auto* page = new QWidget;
  auto* bar = new QHBoxLayout;
  bar->setContentsMargins(6, 2, 6, 0);
  searchDate_ = new QDateEdit(executed_->searchDate(), page);
  searchDate_->setObjectName("searchDatePicker");
  searchDate_->setCalendarPopup(true);
  searchDate_->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
  auto* search = new QPushButton(caption("8411"), page);
  search->setObjectName("searchButton");
  auto* reset = new QPushButton(caption("8412"), page);
  reset->setObjectName("resetButton");
  bar->addWidget(new QLabel(caption("8428"), page));
  bar->addWidget(searchDate_);
  bar->addWidget(search);
  bar->addWidget(reset);
  bar->addStretch(1);
  connect(searchDate_, &QDateEdit::dateChanged, this, [this](const QDate& date) { executed_->setSearchDate(date); });
  connect(search, &QPushButton::clicked, this, [this] { executed_->searchButtonClicked(); });
  connect(reset, &QPushButton::clicked, this, [this] {
    executed_->resetButtonClicked();
    searchDate_->setDate(executed_->searchDate());
  });
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addLayout(bar);
  layout->addWidget(executedView_, 1);
  return page;
}

// Each menu acts on the record it was opened on (the lists change under an open menu), taken by
// its id when the menu opens.
void PositionsPane::wireRowMenus() {
  openView_->onRowMenu = [this](QMenu& menu, int row) {
    const auto items = open_->menuNeedsUpdate(row);
    const std::string id = items.positionId;
    addItem(menu, "8406", "modifyItem", items.modify, [this, id] { open_->modifyBracketOrderButtonClicked(id); });
    addItem(menu, "8407", "closeItem", items.close, [this, id] { open_->closePositionButtonClicked(id); });
    addItem(menu, "8408", "offsetItem", items.offset, [this, id] { open_->offsetPositionButtonClicked(id); });
    addItem(menu, "8409", "deliveryReceiptItem", items.deliveryReceipt,
            [this, id] { open_->deliveryReceiptButtonClicked(id); });
  };
  openView_->onCellClicked = [this](int row, int column) { open_->cellClicked(row, column); };
  pendingView_->onRowMenu = [this](QMenu& menu, int row) {
    const auto items = pending_->menuNeedsUpdate(row);
    if (!items.visible) return;
    const std::string id = items.orderId;
    QAction* edit = menu.addAction(QString::fromStdString(items.editTitle));
    edit->setObjectName("editItem");
    connect(edit, &QAction::triggered, &menu, [this, id] { pending_->editOrderButtonClicked(id); });
    QAction* cancel = menu.addAction(QString::fromStdString(items.cancelTitle));
    cancel->setObjectName("cancelItem");
    connect(cancel, &QAction::triggered, &menu, [this, id] { pending_->cancelOrderButtonClicked(id); });
  };
  executedView_->onRowMenu = [this](QMenu& menu, int row) {
    const std::optional<std::string> id = executed_->menuNeedsUpdate(row);
    addItem(menu, "8409", "deliveryReceiptItem", id.has_value(),
            [this, id = id.value_or(std::string())] { executed_->deliveryReceiptButtonClicked(id); });
  };
}

// ---- the sheets ----

bool PositionsPane::isSheetOpen() const {
  for (const QWidget* sheet : {static_cast<const QWidget*>(closeSheet_.data()),
                               static_cast<const QWidget*>(modifySheet_.data()),
                               static_cast<const QWidget*>(offsetSheet_.data())}) {
    if (sheet && sheet->isVisible()) return true;
  }
  // Any other window-modal sheet on the main window counts too.
  return closeController_.isOpen() || modifyController_.isOpen() || offsetController_.isOpen() ||
         QApplication::activeModalWidget() != nullptr;
}

void PositionsPane::openCloseOrCancelSheet(int mode, const std::string& recordId) {
  if (isSheetOpen()) return;
  if (!closeSheet_) closeSheet_ = new ClosendCancelPositionSheet(closeController_, mainWindow_);
  closeController_.open(mode, recordId);
  closeSheet_->present();
}

void PositionsPane::openModifySheet(int mode, const std::string& recordId) {
  if (isSheetOpen()) return;
  if (!modifySheet_) modifySheet_ = new ModifyPositionSheet(modifyController_, mainWindow_);
  modifyController_.open(mode, recordId);
  modifySheet_->present();
}

void PositionsPane::openOffsetSheet(const std::string& openPositionId) {
  if (isSheetOpen()) return;
  if (!offsetSheet_) offsetSheet_ = new OffsetPositionSheet(offsetController_, mainWindow_);
  offsetController_.open(openPositionId);
  offsetSheet_->present();
}

void PositionsPane::openDeliveryReceipt(int detailViewType, const std::string& positionId) {
  if (deliveryReceipt_ && !isSheetOpen()) deliveryReceipt_(detailViewType, positionId);
}

PositionsPane* installPositionLists(MainWindow& window) {
  return new PositionsPane(&window, window.positionTabs(), std::make_unique<LivePositionsSession>(),
                           AppContext::current()->notificationCenter());
}

}  // namespace td
