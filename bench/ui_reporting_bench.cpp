// Costs of the reporting windows: the journal with 100,000 lines (a line appended and shown at the
// top; a scroll to anywhere and the repaint of the visible rows), one tick of the accounts table
// over 200 accounts and 5,000 open positions, and a statement of 5,000 closed transactions printed
// into a PDF file.

#include <benchmark/benchmark.h>

#include <QImage>
#include <QScrollBar>
#include <QTemporaryDir>
#include <random>

#include "../tests/ui/FakeReportingSource.h"
#include "../tests/ui/QtTestApp.h"
#include "TradingFixtures.h"
#include "session/trading/ProfitAndLoss.h"
#include "session/trading/ReadSide.h"
#include "ui/printing/PrintTextView.h"
#include "ui/reporting/AccountStatementController.h"
#include "ui/reporting/AccountsTableModel.h"
#include "ui/reporting/JournalTableModel.h"
#include "ui/reporting/ReportTableView.h"

namespace td {
namespace {

// A journal of `lines` lines in its table, in a view of 900 x 600.
struct Journal {
  explicit Journal(int lines) {
    test::qtTestApp();
    auto& journal = source.session->journal;
    journal.reserve(static_cast<std::size_t>(lines) + 1'000'000);
    for (int i = 0; i < lines; ++i)
      journal.push_back("Dec 07, 2026 09:06:32#$#Order confirmed for EURUSD #" + std::to_string(i) + " @1.0841" +
                        std::to_string(i % 10));
    model = std::make_unique<JournalTableModel>(source);
    view = std::make_unique<ReportTableView>(model.get(), "journal", ReportTableView::ColumnMenu::None);
    view->resize(900, 600);
  }
  test::FakeReportingSource source;
  std::unique_ptr<JournalTableModel> model;
  std::unique_ptr<ReportTableView> view;
};

// One line appended and taken by the table (shown at the top of a view of 100,000 rows).
void BM_JournalAppend(benchmark::State& state) {
  Journal journal(100'000);
  int n = 0;
  for (auto _ : state) {
    journal.source.session->journal.push_back("Dec 07, 2026 09:06:33#$#Order pending for EURUSD Pending id : " +
                                              std::to_string(n++) + " Remaining Quantity : 1");
    journal.source.centre.post("JournalTableNotification");
  }
  state.counters["rows"] = journal.model->rowCount();
}
BENCHMARK(BM_JournalAppend)->Unit(benchmark::kMicrosecond);

// A scroll to a random place of 100,000 lines and the repaint of the rows in sight.
void BM_JournalScroll(benchmark::State& state) {
  Journal journal(100'000);
  journal.view->show();
  QImage frame(journal.view->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
  std::mt19937 random(5);
  for (auto _ : state) {
    journal.view->verticalScrollBar()->setValue(static_cast<int>(random() % 100'000));
    journal.view->viewport()->render(&frame);
  }
}
BENCHMARK(BM_JournalScroll)->Unit(benchmark::kMicrosecond);

// The accounts table over a trading state: the figures in one pass, the visible accounts.
class TradingStateSource final : public ReportingSource {
 public:
  TradingStateSource(int accounts, int positions)
      : reference(bench::makeReference(50, accounts)), open(bench::openPositions(*reference, positions, accounts)) {}
  NotificationCenter& notifications() override { return centre; }
  std::shared_ptr<const std::vector<std::string>> journalLines() const override { return nullptr; }
  std::vector<std::shared_ptr<AccountDetails>> accounts() const override {
    std::vector<std::shared_ptr<AccountDetails>> visible;
    for (const auto& [key, account] : reference->AccountDetailCollection())
      if (account && ReadSide::isVisibleAccount(*account)) visible.push_back(account);
    return visible;
  }
  void refreshAccountFigures() override { ProfitAndLoss::refreshFloatingFigures(*reference, open); }
  void selectAccount(std::int32_t) override {}
  std::int32_t reportHistoryDaysLimit(std::int32_t) const override { return 0; }
  std::shared_ptr<const AccountStatementInfo> statement() const override { return nullptr; }
  bool requestAccountStatement(const AccountStatementRequest&) override { return false; }
  std::shared_ptr<const std::vector<FinancialTransactionDetails>> transactions() const override { return nullptr; }
  bool requestFinancialTransactions(const SearchInfo&) override { return false; }

  NotificationCenter centre;
  std::unique_ptr<ReferenceData> reference;
  OrderList open;
};

void BM_AccountsTableTick(benchmark::State& state) {
  test::qtTestApp();
  TradingStateSource source(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  AccountsTableModel model(source, nullptr, std::chrono::seconds(1));
  ReportTableView view(&model, "accounts", ReportTableView::ColumnMenu::Shown);
  for (auto _ : state) model.RefreshTableview();
  state.counters["accounts"] = model.rowCount();
}
BENCHMARK(BM_AccountsTableTick)->Args({200, 5000})->Unit(benchmark::kMillisecond);

// A statement of 5,000 closed transactions (with its open positions and instruments) from the
// tables' cells to the PDF file.
void BM_StatementToPdf(benchmark::State& state) {
  test::qtTestApp();
  test::FakeReportingSource source;
  source.addAccount(1001, "Demo main");
  AccountStatementContent content;
  for (int i = 0; i < 20; ++i) {
    InstrumentHistoryInfo instrument;
    instrument.InstrumentId = i;
    instrument.Code = "SYM" + std::to_string(i);
    instrument.DecimalPlaces = 2 + i % 4;
    instrument.Bid = 1.08 + i;
    instrument.Ask = 1.09 + i;
    content.InstrumentInfo[std::to_string(i)] = instrument;
  }
  for (int i = 0; i < state.range(0); ++i) {
    SettledPositionHistoryInfo s;
    s.SettlementId = std::to_string(80000 + i);
    s.InstrumentId = static_cast<std::uint64_t>(i % 20);
    s.ItemCode = "SYM" + std::to_string(i % 20);
    s.SettledQty = std::to_string(1 + i % 7);
    s.tradingMode = i % 2;
    s.OrderPrice = "1.0842";
    s.SettledPrice = "1.0871";
    s.SettledPL = std::to_string(i % 300 - 150) + ".25";
    s.Commision = 2.5;
    s.CurrencyRate = 1;
    s.OpenPositionId = std::to_string(50000 + i);
    s.ClosingPositionId = std::to_string(60000 + i);
    s.deliveryMode = 1;
    s.TransactionDateTime = s.OpenDate = s.CloseDate = "12/02/2026 09:06:26";
    content.SettledPositionInfo.push_back(s);
  }
  content.OpenPositionInfo.resize(50);
  content.hasAccountInfo = true;
  content.StartInfo = std::make_shared<AccountHistoryInfo>();
  content.EndInfo = std::make_shared<AccountHistoryInfo>();
  source.session->statement.apply(std::move(content));
  AccountStatementController controller(source);
  controller.windowDidLoad();
  source.centre.post("AccountStatementNotification");
  QTemporaryDir dir;
  const auto all = [](const StatementTableModel& model) {
    std::vector<int> columns(static_cast<std::size_t>(model.columnCount()));
    for (std::size_t c = 0; c < columns.size(); ++c) columns[c] = static_cast<int>(c);
    return ConsolidatedTableData::getConsolidatedData(model, columns, model.rowCount());
  };
  int pages = 0;
  for (auto _ : state) {
    StatementGrids grids;
    grids.closedTransactions = all(controller.closedTransactions());
    grids.openPositions = all(controller.openPositions());
    grids.workingOrders = all(controller.workingOrders());
    grids.instrumentDetails = all(controller.instrumentDetails());
    grids.accountSummary = ConsolidatedTableData::getConsolidatedData(controller.accountSummary(), {0, 1},
                                                                      controller.accountSummary().rowCount());
    const auto printout = controller.printout(grids);
    if (printout->printToPdf(dir.filePath("statement.pdf"))) state.SkipWithError("not printed");
    pages = printout->pageCount();
  }
  state.counters["pages"] = pages;
}
BENCHMARK(BM_StatementToPdf)->Arg(5000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace td
