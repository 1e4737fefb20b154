#include "ui/reporting/AccountStatementWindow.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "ui/controls/Captions.h"
#include "ui/printing/PrintTextView.h"
#include "ui/reporting/ReportTableView.h"
#include "ui/reporting/ReportingSource.h"

namespace td {
namespace {

constexpr int kDateTimeColumnWidth = 150;

QLabel* plainLabel(const QString& objectName, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(objectName);
  label->setTextFormat(Qt::PlainText);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

QLabel* heading(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  label->setStyleSheet(QStringLiteral("QLabel { background: rgb(158, 207, 224); color: black; font-weight: bold; "
                                      "padding: 2px 6px; }"));
  return label;
}

QLabel* totals(const QString& objectName, QWidget* parent) {
  QLabel* label = plainLabel(objectName, parent);
  label->setStyleSheet(QStringLiteral("QLabel { background: rgb(170, 170, 170); color: black; padding: 2px 6px; }"));
  return label;
}

// Columns as wide as their texts; a time column wide enough for its date too.
void fitColumns(ReportTableView& table) {
  table.fitColumns();
  const auto* model = static_cast<const StatementTableModel*>(table.model());
  for (int column = 0; column < model->columnCount(); ++column) {
    if (StatementTableModel::isTimeColumn(model->identifier(column)))
      table.setColumnWidth(column, std::max(table.columnWidth(column), kDateTimeColumnWidth));
  }
}

}  // namespace

AccountStatementWindow::AccountStatementWindow(std::shared_ptr<ReportingSource> source, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Tool), source_(std::move(source)), controller_(*source_) {
  setObjectName(QStringLiteral("accountStatementWindow"));
  setWindowTitle(QStringLiteral("Account Statement"));
  resize(1180, 780);

  accountBox_ = new QComboBox(this);
  accountBox_->setObjectName(QStringLiteral("accountComboBox"));
  accountBox_->setMinimumContentsLength(8);
  from_ = makeDateEdit(QStringLiteral("fromDatePicker"), this);
  to_ = makeDateEdit(QStringLiteral("toDatePicker"), this);
  show_ = new QPushButton(caption("9724"), this);
  show_->setObjectName(QStringLiteral("showButton"));
  print_ = new QPushButton(caption("9725"), this);
  print_->setObjectName(QStringLiteral("printButton"));

  auto* controls = new QHBoxLayout;
  controls->addWidget(new QLabel(caption("0012"), this));
  controls->addWidget(accountBox_);
  controls->addSpacing(12);
  controls->addWidget(new QLabel(caption("9728"), this));
  controls->addWidget(from_);
  controls->addWidget(new QLabel(caption("9729"), this));
  controls->addWidget(to_);
  controls->addSpacing(12);
  controls->addWidget(show_);
  controls->addWidget(print_);
  controls->addStretch(1);

  accountLabel_ = plainLabel(QStringLiteral("accountLabel"), this);
  accountNameLabel_ = plainLabel(QStringLiteral("accountNameLabel"), this);
  periodLabel_ = plainLabel(QStringLiteral("statementPeriodLabel"), this);
  auto* labels = new QHBoxLayout;
  labels->setSpacing(28);
  for (QLabel* label : {accountLabel_, accountNameLabel_, periodLabel_}) labels->addWidget(label);
  labels->addStretch(1);

  // The tables, one under the other, in the order of the print-out.
  auto* content = new QWidget;
  content->setObjectName(QStringLiteral("contentView"));
  auto* column = new QVBoxLayout(content);
  column->setContentsMargins(0, 0, 0, 0);
  auto addTable = [&](const QString& title, QAbstractItemModel* model, const QString& name, int rows,
                      ReportTableView::ColumnMenu menu) {
    column->addWidget(heading(title, content));
    auto* table = new ReportTableView(model, name, menu, content);
    table->setMinimumHeight(table->verticalHeader()->defaultSectionSize() * rows +
                            table->horizontalHeader()->sizeHint().height() + 4);
    column->addWidget(table);
    return table;
  };
  closedTable_ = addTable(QStringLiteral("Closed Transactions"), &controller_.closedTransactions(),
                          QStringLiteral("settledPositionHistoryTableView"), 7,
                          ReportTableView::ColumnMenu::Shown);
  closedStatus_ = totals(QStringLiteral("closedStatusLabel"), content);
  column->addWidget(closedStatus_);
  column->addSpacing(10);
  openTable_ = addTable(QStringLiteral("Open Positions"), &controller_.openPositions(),
                        QStringLiteral("openPositionHistoryTableView"), 7,
                        ReportTableView::ColumnMenu::Shown);
  openStatus_ = totals(QStringLiteral("openStatusLabel"), content);
  column->addWidget(openStatus_);
  column->addSpacing(10);
  workingTable_ = addTable(QStringLiteral("Working Orders"), &controller_.workingOrders(),
                           QStringLiteral("pendingOrderHistoryTableView"), 6,
                           ReportTableView::ColumnMenu::Shown);
  column->addSpacing(10);
  summaryTable_ = addTable(QStringLiteral("Account Summary"), &controller_.accountSummary(),
                           QStringLiteral("accountSummaryHistoryTableView"), 18,
                           ReportTableView::ColumnMenu::None);
  summaryTable_->setMaximumWidth(420);
  summaryTable_->horizontalHeader()->resizeSection(0, 200);
  column->addSpacing(10);
  instrumentTable_ = addTable(QStringLiteral("Instrument Details"), &controller_.instrumentDetails(),
                              QStringLiteral("instrumentHistoryTableView"), 5,
                              ReportTableView::ColumnMenu::None);
  instrumentTable_->setMaximumWidth(420);
  column->addStretch(1);

  auto* scroll = new QScrollArea(this);
  scroll->setObjectName(QStringLiteral("scrollView"));
  scroll->setWidgetResizable(true);
  scroll->setWidget(content);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(controls);
  layout->addLayout(labels);
  layout->addWidget(scroll, 1);

  // Time columns show the date too when they are wide enough.
  for (auto [table, model] : {std::pair{closedTable_, &controller_.closedTransactions()},
                              std::pair{openTable_, &controller_.openPositions()},
                              std::pair{workingTable_, &controller_.workingOrders()}}) {
    model->setColumnWidths([table](int column) { return table->columnWidth(column); });
    fitColumns(*table);
  }

  connect(accountBox_, &QComboBox::currentIndexChanged, this, [this](int index) { controller_.selectAccount(index); });
  connect(from_, &QDateTimeEdit::dateTimeChanged, this,
          [this](const QDateTime& date) { controller_.setFromDate(fromQDateTime(date)); });
  connect(to_, &QDateTimeEdit::dateTimeChanged, this,
          [this](const QDateTime& date) { controller_.setToDate(fromQDateTime(date)); });
  connect(show_, &QPushButton::clicked, this, [this] { controller_.showAccountStatement(); });
  connect(print_, &QPushButton::clicked, this, [this] { PrintOperation::run(printout(), this); });
  // Each statement fits the columns to its texts.
  for (ReportTableView* table : {closedTable_, openTable_, workingTable_, instrumentTable_})
    connect(table->model(), &QAbstractItemModel::modelReset, table, [table] { fitColumns(*table); });
  controller_.setView(this);
}

AccountStatementWindow::~AccountStatementWindow() { controller_.setView(nullptr); }

void AccountStatementWindow::open() {
  if (!controller_.loaded()) controller_.windowDidLoad();
  else controller_.windowDidAppear();
  show();
  raise();
  activateWindow();
}

std::shared_ptr<PrintTextView> AccountStatementWindow::printout() const {
  const auto rows = controller_.printedRows();
  StatementGrids grids;
  grids.closedTransactions = ConsolidatedTableData::getConsolidatedDataFromTableView(*closedTable_, rows.closedTransactions);
  grids.openPositions = ConsolidatedTableData::getConsolidatedDataFromTableView(*openTable_, rows.openPositions);
  grids.workingOrders = ConsolidatedTableData::getConsolidatedDataFromTableView(*workingTable_, rows.workingOrders);
  grids.accountSummary = ConsolidatedTableData::getConsolidatedDataFromTableView(*summaryTable_, rows.accountSummary);
  grids.instrumentDetails =
      ConsolidatedTableData::getConsolidatedDataFromTableView(*instrumentTable_, rows.instrumentDetails);
  return controller_.printout(grids);
}

void AccountStatementWindow::showPeriod(const SearchPeriod& period) { td::showPeriod(*from_, *to_, period); }

void AccountStatementWindow::showAccounts(const std::vector<std::string>& accounts, int selected) {
  showChoices(*accountBox_, accounts, selected);
  show_->setEnabled(!accounts.empty());
}

void AccountStatementWindow::showLabels(const std::string& account, const std::string& accountName,
                                        const std::string& period) {
  accountLabel_->setText(QString::fromStdString(account));
  accountNameLabel_->setText(QString::fromStdString(accountName));
  periodLabel_->setText(QString::fromStdString(period));
}

void AccountStatementWindow::showTotals(const std::string& closedTransactions, const std::string& openPositions) {
  closedStatus_->setText(QString::fromStdString(closedTransactions));
  openStatus_->setText(QString::fromStdString(openPositions));
}

}  // namespace td
