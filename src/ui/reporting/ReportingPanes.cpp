#include "ui/reporting/ReportingPanes.h"

#include <QHeaderView>
#include <QSplitter>
#include <QVBoxLayout>

#include "platform/MainQueue.h"
#include "ui/MainWindow.h"
#include "ui/controls/Captions.h"
#include "ui/reporting/AccountStatementWindow.h"
#include "ui/reporting/AccountsTableModel.h"
#include "ui/reporting/DepositsWithdrawalsWindow.h"
#include "ui/reporting/JournalTableModel.h"
#include "ui/reporting/ReportTableView.h"
#include "ui/reporting/ReportingSource.h"

namespace td {

AccountsPage::AccountsPage(std::shared_ptr<ReportingSource> source, MainQueue* queue, Clock::Duration refreshInterval,
                           QWidget* parent)
    : QWidget(parent),
      source_(std::move(source)),
      accounts_(std::make_unique<AccountsTableModel>(*source_, queue, refreshInterval)),
      journal_(std::make_unique<JournalTableModel>(*source_)) {
  setObjectName(QStringLiteral("accountsTab"));
  accountsTable_ = new ReportTableView(accounts_.get(), QStringLiteral("accountsTableView"), ReportTableView::ColumnMenu::Shown, this);
  accountsTable_->fitColumns();
  journalTable_ = new ReportTableView(journal_.get(), QStringLiteral("journalTableView"), ReportTableView::ColumnMenu::None, this);
  journalTable_->setAlternatingRowColors(false);
  journalTable_->horizontalHeader()->resizeSection(0, 170);
  // A click on an account (never on the header) makes it the current one.
  connect(accountsTable_, &QTableView::clicked, this,
          [this](const QModelIndex& index) { accounts_->singleAction(index.row()); });

  auto* split = new QSplitter(Qt::Vertical, this);
  split->setObjectName(QStringLiteral("accountsJournalSplit"));
  split->addWidget(accountsTable_);
  split->addWidget(journalTable_);
  split->setSizes({360, 300});
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 0);
  layout->addWidget(split);
}

AccountsPage::~AccountsPage() {
  // The views go before the models they show.
  delete accountsTable_;
  delete journalTable_;
}

namespace {

// The family's windows and the source they share; a child of the main window.
class ReportingFamily final : public QObject {
 public:
  explicit ReportingFamily(MainWindow& window)
      : QObject(&window), window_(window), source_(makeSessionReportingSource()) {
    setObjectName(QStringLiteral("reportingFamily"));
    window.addMainTab(caption("9721"),
                      new AccountsPage(source_, MainQueue::instance(), std::chrono::seconds(1), &window));
    window.addToolbarButton(caption("9722"), QStringLiteral("accountStatementButton"), [this] {
      if (!statement_) statement_ = new AccountStatementWindow(source_, &window_);
      window_.placeChildWindow(statement_);
      statement_->open();
    });
    // "&" would mark a shortcut letter in a button's title.
    window.addToolbarButton(caption("9723").replace(QLatin1Char('&'), QStringLiteral("&&")),
                            QStringLiteral("depositsWithdrawalsButton"), [this] {
      if (!deposits_) deposits_ = new DepositsWithdrawalsWindow(source_, &window_);
      window_.placeChildWindow(deposits_);
      deposits_->open();
    });
  }

  QPointer<AccountStatementWindow> statement_;
  QPointer<DepositsWithdrawalsWindow> deposits_;

 private:
  MainWindow& window_;
  std::shared_ptr<ReportingSource> source_;
};

ReportingFamily* familyOf(const MainWindow& window) {
  return window.findChild<ReportingFamily*>(QStringLiteral("reportingFamily"), Qt::FindDirectChildrenOnly);
}

}  // namespace

void installReporting(MainWindow& window) { new ReportingFamily(window); }

AccountStatementWindow* accountStatementWindow(const MainWindow& window) {
  const ReportingFamily* family = familyOf(window);
  return family ? family->statement_.data() : nullptr;
}

DepositsWithdrawalsWindow* depositsWithdrawalsWindow(const MainWindow& window) {
  const ReportingFamily* family = familyOf(window);
  return family ? family->deposits_.data() : nullptr;
}

}  // namespace td
