#include "ui/reporting/AccountsTableModel.h"

#include <algorithm>
#include <cmath>

#include "model/AccountDetails.h"
#include "ui/controls/ListFonts.h"
#include "ui/reporting/ReportingColumns.h"
#include "ui/reporting/ReportingSource.h"
#include "ui/shell/MainWindowController.h"

namespace td {

using namespace reportingcolumns;

namespace {

constexpr std::int32_t kEquityHit = 5;

// The figure a signed column shows.
double signedFigure(const AccountDetails& a, const std::string& column) {
  if (column == UNREALIZEDPL_AC) return a.UnrealisedPL;
  if (column == LEVERAGE_AC) return a.Leverage;
  if (column == EQUITY_AC) return a.Equity;
  return a.AvailableMargin;
}

}  // namespace

AccountsTableModel::AccountsTableModel(ReportingSource& source, MainQueue* queue, Clock::Duration interval,
                                       QObject* parent)
    : IdentifiedTableModel(allColumns(),
                           {BALANCE_AC, UNREALIZEDPL_AC, LEVERAGE_AC, STORAGE_AC, EQUITY_AC, USEDMARGIN_AC,
                            AVAILABLEMARGIN_AC},
                           parent),
      source_(source) {
  RefreshTableview();
  if (queue) timer_ = queue->scheduleRepeating(interval, [this] { RefreshTableview(); });
}

AccountsTableModel::~AccountsTableModel() = default;

std::vector<std::string> AccountsTableModel::allColumns() {
  return {ACCOUNTNUMBER_AC, ACCOUNTNAME_AC,     STATUS_AC,          BALANCE_AC,     UNREALIZEDPL_AC,
          LEVERAGE_AC,      STORAGE_AC,         EQUITY_AC,          USEDMARGIN_AC,  AVAILABLEMARGIN_AC,
          ACCOUNTTYPE_AC,   ACCOUNTACCESS_AC};
}

bool AccountsTableModel::isSignedColumn(const std::string& identifier) {
  return identifier == UNREALIZEDPL_AC || identifier == LEVERAGE_AC || identifier == EQUITY_AC ||
         identifier == AVAILABLEMARGIN_AC;
}

QColor AccountsTableModel::signColour(double value) {
  // A value that is not a number counts as 0 or above.
  return value < 0 ? QColor::fromRgbF(0.6f, 0, 0) : QColor::fromRgbF(0, 0.6f, 0);
}

std::string AccountsTableModel::cellText(const AccountDetails& a, const std::string& column) {
  if (column == ACCOUNTNUMBER_AC) return std::to_string(a.AccountId);
  if (column == ACCOUNTNAME_AC) return a.AccountName;
  if (column == STATUS_AC) return AccountDetails::getAccountStatus(a.tradingStatus);
  if (column == BALANCE_AC) return MainWindowController::formatFigure(a.Balance);
  if (column == UNREALIZEDPL_AC) return MainWindowController::formatFigure(a.UnrealisedPL);
  if (column == LEVERAGE_AC) return MainWindowController::formatFigure(a.Leverage);
  if (column == STORAGE_AC) return MainWindowController::formatFigure(a.AccumulatingStorage);
  if (column == EQUITY_AC) return MainWindowController::formatFigure(a.Equity);
  if (column == USEDMARGIN_AC) return MainWindowController::formatFigure(a.UsedMargin);
  if (column == AVAILABLEMARGIN_AC) return MainWindowController::formatFigure(a.AvailableMargin);
  if (column == ACCOUNTTYPE_AC) return AccountDetails::getAccountType(a.AccountTypeId);
  if (column == ACCOUNTACCESS_AC) return AccountDetails::getAccountAccessType(a.accountaccessType);
  return {};
}

AccountsTableModel::Row AccountsTableModel::makeRow(const AccountDetails& account) const {
  Row row;
  row.accountId = account.AccountId;
  row.equityHit = account.tradingStatus == kEquityHit;
  const auto& columns = identifiers();
  row.texts.reserve(columns.size());
  row.colours.resize(columns.size());
  for (std::size_t c = 0; c < columns.size(); ++c) {
    row.texts.push_back(QString::fromStdString(cellText(account, columns[c])));
    if (isSignedColumn(columns[c])) row.colours[c] = signColour(signedFigure(account, columns[c]));
    else if (columns[c] == STATUS_AC && row.equityHit) row.colours[c] = QColor(Qt::red);
  }
  return row;
}

void AccountsTableModel::RefreshTableview() {
  source_.refreshAccountFigures();
  const auto accounts = source_.accounts();
  std::vector<Row> rows;
  rows.reserve(accounts.size());
  for (const auto& account : accounts)
    if (account) rows.push_back(makeRow(*account));
  const bool sameAccounts =
      rows.size() == rows_.size() &&
      std::equal(rows.begin(), rows.end(), rows_.begin(), [](const Row& a, const Row& b) { return a.accountId == b.accountId; });
  if (!sameAccounts) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
    return;
  }
  rows_ = std::move(rows);
  if (!rows_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

bool AccountsTableModel::singleAction(int row) {
  if (row < 0 || row >= rowCount()) return false;
  source_.selectAccount(rows_[static_cast<std::size_t>(row)].accountId);
  return true;
}

std::int32_t AccountsTableModel::accountIdAt(int row) const {
  return row >= 0 && row < rowCount() ? rows_[static_cast<std::size_t>(row)].accountId : 0;
}

int AccountsTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant AccountsTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) return {};
  const Row& row = rows_[static_cast<std::size_t>(index.row())];
  const auto column = static_cast<std::size_t>(index.column());
  switch (role) {
    case Qt::DisplayRole: return row.texts[column];
    case Qt::TextAlignmentRole: return alignment(index.column());
    case Qt::ForegroundRole:
      if (row.colours[column].isValid()) return row.colours[column];
      return {};
    case Qt::FontRole:
      if (identifier(index.column()) == STATUS_AC) {
        // An account on Equity Hit stands out in bold 13; the others keep the lists' font.
        return row.equityHit ? listCellEmphasisFont() : listCellFont();
      }
      return {};
    default: return {};
  }
}

}  // namespace td
