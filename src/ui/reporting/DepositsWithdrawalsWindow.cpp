#include "ui/reporting/DepositsWithdrawalsWindow.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/controls/Captions.h"
#include "ui/printing/PrintTextView.h"
#include "ui/reporting/ReportTableView.h"
#include "ui/reporting/ReportingSource.h"

namespace td {

DepositsWithdrawalsWindow::DepositsWithdrawalsWindow(std::shared_ptr<ReportingSource> source, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Tool), source_(std::move(source)), controller_(*source_) {
  setObjectName(QStringLiteral("depositsWithdrawalsWindow"));
  setWindowTitle(caption("9723"));
  resize(1100, 560);

  accountBox_ = new QComboBox(this);
  accountBox_->setObjectName(QStringLiteral("accountComboBox"));
  accountBox_->setMinimumContentsLength(8);
  codeBox_ = new QComboBox(this);
  codeBox_->setObjectName(QStringLiteral("transactioncodeComboBox"));
  codeBox_->setMinimumContentsLength(16);
  from_ = makeDateEdit(QStringLiteral("fromDatePicker"), this);
  to_ = makeDateEdit(QStringLiteral("toDatePicker"), this);
  search_ = new QPushButton(caption("9726"), this);
  search_->setObjectName(QStringLiteral("searchButton"));
  clear_ = new QPushButton(caption("9727"), this);
  clear_->setObjectName(QStringLiteral("clearButton"));
  print_ = new QPushButton(caption("9725"), this);
  print_->setObjectName(QStringLiteral("printButton"));
  table_ = new ReportTableView(&controller_.table(), QStringLiteral("depositwithdrawalTableView"),
                               ReportTableView::ColumnMenu::None, this);
  table_->fitColumns();
  table_->horizontalHeader()->resizeSection(6, std::max(table_->columnWidth(6), 220));  // the narration
  connect(&controller_.table(), &QAbstractItemModel::modelReset, table_, [this] {
    if (controller_.table().rowCount() > 0) table_->fitColumns();
  });

  auto* filters = new QHBoxLayout;
  filters->addWidget(new QLabel(caption("0012"), this));
  filters->addWidget(accountBox_);
  filters->addSpacing(12);
  filters->addWidget(new QLabel(caption("9730"), this));
  filters->addWidget(codeBox_);
  filters->addStretch(1);
  auto* period = new QHBoxLayout;
  period->addWidget(new QLabel(caption("9728"), this));
  period->addWidget(from_);
  period->addWidget(new QLabel(caption("9729"), this));
  period->addWidget(to_);
  period->addSpacing(12);
  period->addWidget(search_);
  period->addWidget(clear_);
  period->addWidget(print_);
  period->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(filters);
  layout->addLayout(period);
  layout->addWidget(table_, 1);

  connect(accountBox_, &QComboBox::currentIndexChanged, this, [this](int index) { controller_.selectAccount(index); });
  connect(codeBox_, &QComboBox::currentIndexChanged, this,
          [this](int index) { controller_.selectTransactionCode(index); });
  connect(from_, &QDateTimeEdit::dateTimeChanged, this,
          [this](const QDateTime& date) { controller_.setFromDate(fromQDateTime(date)); });
  connect(to_, &QDateTimeEdit::dateTimeChanged, this,
          [this](const QDateTime& date) { controller_.setToDate(fromQDateTime(date)); });
  connect(search_, &QPushButton::clicked, this, [this] { controller_.searchButtonClicked(); });
  connect(clear_, &QPushButton::clicked, this, [this] { controller_.clearButtonClicked(); });
  connect(print_, &QPushButton::clicked, this, [this] { PrintOperation::run(printout(), this); });
  controller_.setView(this);
}

DepositsWithdrawalsWindow::~DepositsWithdrawalsWindow() { controller_.setView(nullptr); }

void DepositsWithdrawalsWindow::open() {
  controller_.windowDidLoad();
  show();
  raise();
  activateWindow();
}

std::shared_ptr<PrintTextView> DepositsWithdrawalsWindow::printout() const {
  return DepositsWithdrawalsController::printout(
      ConsolidatedTableData::getConsolidatedDataFromTableView(*table_, table_->model()->rowCount()));
}

void DepositsWithdrawalsWindow::showPeriod(const SearchPeriod& period) { td::showPeriod(*from_, *to_, period); }

void DepositsWithdrawalsWindow::showAccounts(const std::vector<std::string>& accounts, int selected) {
  showChoices(*accountBox_, accounts, selected);
  search_->setEnabled(!accounts.empty());
}

void DepositsWithdrawalsWindow::showTransactionCodes(const std::vector<std::string>& titles, int selected) {
  showChoices(*codeBox_, titles, selected);
}

}  // namespace td
