#include "ui/reporting/StatementTableModels.h"

#include <charconv>
#include <limits>

#include "model/Conversions.h"
#include "ui/positions/PositionTexts.h"
#include "ui/printing/TableGrid.h"
#include "ui/reporting/ReportingColumns.h"
#include "ui/reporting/ReportingSource.h"
#include "ui/shell/MainWindowController.h"
#include "wire/Formatter.h"

namespace td {

using namespace reportingcolumns;

namespace {

constexpr double kWide = std::numeric_limits<double>::infinity();

const InstrumentHistoryInfo* instrumentOf(const AccountStatementInfo& statement, std::uint64_t instrumentId) {
  const auto found = statement.InstrumentInfo.find(std::to_string(instrumentId));
  return found == statement.InstrumentInfo.end() ? nullptr : &found->second;
}

std::string price(double value, const InstrumentHistoryInfo* instrument) {
  return Formatter::formatDecimal(value, instrument ? instrument->DecimalPlaces : 0);
}
std::string price(const std::string& text, const InstrumentHistoryInfo* instrument) {
  return price(conv::toDouble(text), instrument);
}

std::string time(const std::string& text, double columnWidth) {
  return Formatter::getDateonColumnResizing(columnWidth, text).value_or(std::string());
}

std::string quantity(const std::string& text) { return quantityText(conv::toDouble(text)); }

// A sum of the summary and the totals lines, grouped ("-1,234.50").
std::string sum(double value) { return MainWindowController::formatFigure(value); }

std::optional<std::string> workingOrder(const PendingOrderHistoryInfo& o, const InstrumentHistoryInfo* i,
                                        std::string_view column, double width) {
  if (column == PENDINGID_PO) return o.PendingOrderId;
  if (column == SYMBOL_PO) return o.ItemCode;
  if (column == ORDERQUANTITY_PO) return quantity(o.OrderQty);
  if (column == REMAININGQUANTITY_PO) return quantity(o.RemainingQty);
  if (column == TYPE_PO) return PositionTexts::side(o.tradingMode);
  if (column == ORDERTYPE_PO) return PositionTexts::orderType(o.orderType);
  if (column == PRICE_PO) return price(o.OrderPrice, i);
  if (column == TAKEPROFIT_PO) return o.LimitPrice.empty() ? "0.00" : price(o.LimitPrice, i);
  if (column == STOPLOSS_PO) return o.StopPrice.empty() ? "0.00" : price(o.StopPrice, i);
  if (column == ORDERTIME_PO) return time(o.TransactionDateTime, width);
  if (column == TIMEINFORCE_PO) return PositionTexts::timeInForce(o.timeinForce);
  if (column == RELATEDPOSITION_PO) return o.RefPositionIdOfBracket.empty() ? "0" : o.RefPositionIdOfBracket;
  if (column == VALIDITY_PO) return PositionTexts::validity(o.deliveryMode);
  return std::nullopt;
}

std::optional<std::string> closedTransaction(const SettledPositionHistoryInfo& s, const InstrumentHistoryInfo* i,
                                             std::string_view column, double width) {
  if (column == SETTLEDID_SP) return s.SettlementId;
  if (column == SYMBOL_SP) return s.ItemCode;
  if (column == QUANTITY_SP) return quantity(s.SettledQty);
  if (column == TYPE_SP) return PositionTexts::side(s.tradingMode);
  if (column == OPENPRICE_SP) return price(s.OrderPrice, i);
  if (column == SETTLEDPRICE_SP) return price(s.SettledPrice, i);
  if (column == PROFIT_SP) return PositionTexts::money(conv::toDouble(s.SettledPL));
  if (column == COMMISSION_SP) return PositionTexts::money(s.Commision);
  if (column == STORAGE_SP) return PositionTexts::money(s.Storage);
  if (column == SETTLEDTIME_SP) return time(s.TransactionDateTime, width);
  if (column == OPENID_SP) return s.OpenPositionId;
  if (column == CLOSEID_SP) return s.ClosingPositionId;
  if (column == RATE_SP) return price(s.CurrencyRate, i);
  if (column == VALIDITY_SP) return PositionTexts::validity(s.deliveryMode);
  if (column == OPENTIME_SP) return s.OpenDate;
  if (column == CLOSETIME_SP) return s.CloseDate;
  if (column == OTHERCHARGES_SP) return PositionTexts::money(s.OtherCharges);
  return std::nullopt;
}

std::optional<std::string> openPosition(const OpenPositionHistoryInfo& p, const InstrumentHistoryInfo* i,
                                        std::string_view column, double width) {
  if (column == POSITIONID_OP) return p.OpenPositionId;
  if (column == SYMBOL_OP) return p.ItemCode;
  if (column == QUANTITY_OP) return quantity(p.RemainingQty);
  if (column == BS_OP) return PositionTexts::side(p.tradingMode);
  if (column == OPENPRICE_OP) return price(p.OrderPrice, i);
  if (column == CURRENTPRICE_OP) return price(p.CurrentPrice, i);
  if (column == PL_OP) return PositionTexts::money(p.UnrealisedPL);
  if (column == CONFIRMEDTIME_OP) return time(p.TransactionDateTime, width);
  if (column == COMMISSION_OP) return PositionTexts::money(p.Commision);
  if (column == STORAGE_OP) return PositionTexts::money(p.Storage);
  if (column == VALIDITY_OP) return PositionTexts::validity(p.deliveryMode);
  if (column == VALUEDATE_OP) return p.ValueDate;
  if (column == EXPIRYDATE_OP) return p.ExpiryDate;
  return std::nullopt;
}

std::optional<std::string> instrument(const InstrumentHistoryInfo& i, std::string_view column) {
  if (column == SYMBOL_WL) return i.Code;
  if (column == BID_WL) return price(i.Bid, &i);
  if (column == ASK_WL) return price(i.Ask, &i);
  return std::nullopt;
}

std::string totals(std::initializer_list<std::pair<const char*, std::string>> pieces) {
  std::string line;
  for (const auto& [name, value] : pieces) line += std::string(name) + " : " + value + "     ";
  return line;
}

std::string floatQuantity(double value) {
  // The total is shown at single precision, as the platform's number of a float writes it.
  const float single = static_cast<float>(value);
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, single, std::chars_format::fixed);
  return std::string(buffer, result.ptr);
}

}  // namespace

std::string quantityText(double value) {
  char buffer[400];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  return std::string(buffer, result.ptr);
}

// ---- StatementTableModel ----

StatementTableModel::StatementTableModel(Table table, ReportingSource& source, QObject* parent)
    : IdentifiedTableModel(columnsOf(table),
                           {ORDERQUANTITY_PO, REMAININGQUANTITY_PO, PRICE_PO, TAKEPROFIT_PO, STOPLOSS_PO, QUANTITY_SP,
                            OPENPRICE_SP, SETTLEDPRICE_SP, PROFIT_SP, COMMISSION_SP, STORAGE_SP, RATE_SP,
                            OTHERCHARGES_SP, CURRENTPRICE_OP, BID_WL, ASK_WL},
                           parent),
      table_(table),
      source_(source) {
  reload();
}

std::vector<std::string> StatementTableModel::columnsOf(Table table) {
  switch (table) {
    case Table::WorkingOrders:
      return {PENDINGID_PO, SYMBOL_PO,    ORDERQUANTITY_PO, REMAININGQUANTITY_PO, TYPE_PO,
              ORDERTYPE_PO, PRICE_PO,     TAKEPROFIT_PO,    STOPLOSS_PO,          ORDERTIME_PO,
              TIMEINFORCE_PO, RELATEDPOSITION_PO, VALIDITY_PO};
    case Table::ClosedTransactions:
      return {SETTLEDID_SP,   SYMBOL_SP, QUANTITY_SP, TYPE_SP,     OPENPRICE_SP, SETTLEDPRICE_SP,
              PROFIT_SP,      COMMISSION_SP, STORAGE_SP, SETTLEDTIME_SP, OPENID_SP, CLOSEID_SP,
              RATE_SP,        VALIDITY_SP, OPENTIME_SP, CLOSETIME_SP, OTHERCHARGES_SP};
    case Table::OpenPositions:
      return {POSITIONID_OP, SYMBOL_OP,  QUANTITY_OP, BS_OP,        OPENPRICE_OP, CURRENTPRICE_OP, PL_OP,
              CONFIRMEDTIME_OP, COMMISSION_OP, STORAGE_OP, VALIDITY_OP, VALUEDATE_OP, EXPIRYDATE_OP};
    case Table::InstrumentDetails: return {SYMBOL_WL, BID_WL, ASK_WL};
  }
  return {};
}

bool StatementTableModel::isTimeColumn(std::string_view identifier) {
  return identifier == ORDERTIME_PO || identifier == SETTLEDTIME_SP || identifier == CONFIRMEDTIME_OP;
}

int StatementTableModel::sizeOf(Table table, const AccountStatementInfo& s) {
  std::size_t size = 0;
  switch (table) {
    case Table::WorkingOrders: size = s.PendingOrderInfo.size(); break;
    case Table::ClosedTransactions: size = s.SettledPositionInfo.size(); break;
    case Table::OpenPositions: size = s.OpenPositionInfo.size(); break;
    case Table::InstrumentDetails: size = s.InstrumentInfo.size(); break;
  }
  return static_cast<int>(std::min<std::size_t>(size, std::numeric_limits<int>::max()));
}

void StatementTableModel::reload() {
  beginResetModel();
  const auto statement = source_.statement();
  count_ = statement ? sizeOf(table_, *statement) : 0;
  endResetModel();
}

std::optional<std::string> StatementTableModel::cellValue(Table table, const AccountStatementInfo& s, int row,
                                                          std::string_view column, double width) {
  if (row < 0 || row >= sizeOf(table, s)) return std::nullopt;
  const auto r = static_cast<std::size_t>(row);
  switch (table) {
    case Table::WorkingOrders: {
      const auto& o = s.PendingOrderInfo[r];
      return workingOrder(o, instrumentOf(s, o.InstrumentId), column, width);
    }
    case Table::ClosedTransactions: {
      const auto& o = s.SettledPositionInfo[r];
      return closedTransaction(o, instrumentOf(s, o.InstrumentId), column, width);
    }
    case Table::OpenPositions: {
      const auto& o = s.OpenPositionInfo[r];
      return openPosition(o, instrumentOf(s, o.InstrumentId), column, width);
    }
    case Table::InstrumentDetails: return instrument(std::next(s.InstrumentInfo.begin(), row)->second, column);
  }
  return std::nullopt;
}

int StatementTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count_; }

QVariant StatementTableModel::data(const QModelIndex& index, int role) const {
  if (role == Qt::TextAlignmentRole) return alignment(index.column());
  if ((role != Qt::DisplayRole && role != PrintTextRole) || !index.isValid() || index.row() >= count_) return {};
  const auto statement = source_.statement();
  if (!statement) return {};
  const double width = role == Qt::DisplayRole && widthOf_ ? widthOf_(index.column()) : kWide;
  const auto value = cellValue(table_, *statement, index.row(), identifier(index.column()), width);
  if (!value) return {};
  return QString::fromStdString(*value);
}

// ---- AccountSummaryTableModel ----

AccountSummaryTableModel::AccountSummaryTableModel(ReportingSource& source, QObject* parent)
    : IdentifiedTableModel({ENTITY, DETAILS}, {DETAILS}, parent), source_(source) {}

std::vector<std::pair<std::string, std::string>> AccountSummaryTableModel::summaryOf(const AccountStatementInfo& s) {
  if (!s.StartInfo || !s.EndInfo) return {};
  std::vector<std::pair<std::string, std::string>> rows{
      {"Opening Balance", sum(s.StartInfo->OpeningBalanceOfDay)},
      {"Deposit", sum(s.getDeposit())},
      {"Withdrawals", sum(s.getWithDrawal())},
      {"Adjustments", sum(s.getAdjustments())},
      {"Commission", sum(s.getCommission())},
      {"Realized Storage", sum(s.getRealizedStorage())},
      {"Settled P/L", sum(s.getSettledPL())},
      {"TDS", sum(s.getTDS())}};
  if (s.isDailyTDSAvailable()) rows.emplace_back("Daily TDS", sum(s.getDailyTDS()));
  if (s.isMonthlyTDSAvailable()) rows.emplace_back("Monthly TDS", sum(s.getMonthlyTDS()));
  const AccountHistoryInfo& end = *s.EndInfo;
  rows.insert(rows.end(), {{"Closing Balance", sum(end.Balance)},
                           {"Accumulated Storage", sum(end.AccumulatingStorage)},
                           {"Unrealized P/L", sum(end.UnrealisedPL)},
                           {"Equity", sum(end.Equity)},
                           {"Collateral Security", sum(end.CollateralSecurity)},
                           {"Used Margin", sum(end.UsedMargin)},
                           {"Available Margin", sum(end.AvailableMargin)},
                           {"Miscellaneous", sum(s.getMiscellaneous())}});
  return rows;
}

void AccountSummaryTableModel::loadAccountSummary() {
  beginResetModel();
  EntityList.clear();
  DetailsList.clear();
  if (const auto statement = source_.statement()) {
    for (auto& [entity, details] : summaryOf(*statement)) {
      EntityList.push_back(std::move(entity));
      DetailsList.push_back(std::move(details));
    }
  }
  endResetModel();
}

int AccountSummaryTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : getAccountSummaryCount();
}

QVariant AccountSummaryTableModel::data(const QModelIndex& index, int role) const {
  if (role == Qt::TextAlignmentRole) return alignment(index.column());
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
  const auto row = static_cast<std::size_t>(index.row());
  const std::string& column = identifier(index.column());
  if (column == ENTITY) return QString::fromStdString(EntityList[row]);
  if (column == DETAILS) return QString::fromStdString(DetailsList[row]);
  return {};
}

// ---- totals ----

std::string getSettledStatusInfo(const AccountStatementInfo& s) {
  return totals({{"Quantity", floatQuantity(s.getSettledQuantity())},
                 {"Profit", sum(s.getSettledProfitorLoss())},
                 {"Commission", sum(s.getSettledCommission())},
                 {"Storage", sum(s.getSettledStorage())},
                 {"TDS", sum(s.getSettledTDS())}});
}

std::string getOpenStatusInfo(const AccountStatementInfo& s) {
  return totals({{"Quantity", floatQuantity(s.getOpenQuantity())},
                 {"Profit", sum(s.getOpenProfitorLoss())},
                 {"Commission", sum(s.getOpenCommission())},
                 {"Storage", sum(s.getOpenStorage())}});
}

}  // namespace td
