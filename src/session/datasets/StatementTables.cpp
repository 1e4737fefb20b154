#include "session/datasets/StatementTables.h"

#include <algorithm>
#include <string>
#include <unordered_map>

#include "model/Conversions.h"
#include "model/statement/TextReadings.h"
#include "session/datasets/StatementColumns.h"
#include "wire/Formatter.h"

namespace td {

namespace {

// Column name -> setter of the record's field. Setting cell by cell in document order lets the later
// of two cells with one name win.
template <class Record>
using Setters = std::unordered_map<std::string_view, void (*)(Record&, std::string_view)>;

template <class Record>
void readCells(const XmlRow& row, const Setters<Record>& setters, Record& record) {
  for (const auto& [name, text] : row.cells) {
    const auto it = setters.find(name);
    if (it != setters.end()) it->second(record, text);
  }
}

std::string text(std::string_view t) { return std::string(t); }
std::int32_t int32(std::string_view t) { return conv::toInt(t); }
std::int64_t int64(std::string_view t) { return conv::toInt64(t); }
std::uint64_t uint64(std::string_view t) { return static_cast<std::uint64_t>(conv::toInt64(t)); }
double decimal(std::string_view t) { return conv::toDouble(t); }
bool truth(std::string_view t) { return conv::toFlag(t); }
// "IsBuy": true is a buy (0), anything else a sell (1).
std::int32_t side(std::string_view t) { return conv::toFlag(t) ? TradingModeBuy : TradingModeSell; }
std::string dateAndTime(std::string_view t) {
  return Formatter::formatDateandTimeFromString(t, DISPLAY_DATE_TIME_FORMAT);
}
std::string date(std::string_view t) { return Formatter::formatDateandTimeFromString(t, DISPLAY_DATE_FORMAT); }

// The statement's instrument of a row's InstrumentId, or none.
const InstrumentHistoryInfo* instrumentOf(const AccountStatementContent& content, std::uint64_t instrumentId) {
  const auto it = content.InstrumentInfo.find(std::to_string(instrumentId));
  return it == content.InstrumentInfo.end() ? nullptr : &it->second;
}

// Stable sort by the id in natural order. The records are large, so the order is found on indices
// and each record is then moved once.
template <class Record, class Id>
void sortNatural(std::vector<Record>& rows, Id id) {
  std::vector<std::size_t> order(rows.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return conv::naturalLess(id(rows[a]), id(rows[b])); });
  std::vector<Record> sorted;
  sorted.reserve(rows.size());
  for (const std::size_t i : order) sorted.push_back(std::move(rows[i]));
  rows = std::move(sorted);
}

}  // namespace

void StatementTables::ParseInstrumentsTable(const XmlTable& rows, AccountStatementContent& out) {
  static const Setters<InstrumentHistoryInfo> setters{
      {InstrumentId_instrument, [](InstrumentHistoryInfo& r, std::string_view t) { r.InstrumentId = int32(t); }},
      {Name_instrument, [](InstrumentHistoryInfo& r, std::string_view t) { r.Name = text(t); }},
      {Code_instrument, [](InstrumentHistoryInfo& r, std::string_view t) { r.Code = text(t); }},
      {DecimalPlaces_instrument, [](InstrumentHistoryInfo& r, std::string_view t) { r.DecimalPlaces = int32(t); }},
  };
  for (const auto& row : rows) {
    InstrumentHistoryInfo record;
    readCells(row, setters, record);
    out.InstrumentInfo.insert_or_assign(std::to_string(record.InstrumentId), std::move(record));
  }
}

void StatementTables::ParseClosePriceTable(const XmlTable& rows, AccountStatementContent& out) {
  for (const auto& row : rows) {
    const auto id = row.get(InstrumentId_closeprice);
    const std::int64_t instrumentId = id ? int64(*id) : 0;
    if (instrumentId == 0) continue;
    const auto it = out.InstrumentInfo.find(std::to_string(instrumentId));
    if (it == out.InstrumentInfo.end()) continue;
    if (const auto bid = row.get(Bid_closeprice)) it->second.Bid = decimal(*bid);
    if (const auto ask = row.get(Ask_closeprice)) it->second.Ask = decimal(*ask);
  }
}

void StatementTables::ParseAccountInfoTable(const XmlTable& rows, AccountStatementContent& out) {
  using R = AccountHistoryInfo;
  static const Setters<R> setters{
      {TAHId_accountinfo, [](R& r, std::string_view t) { r.TAHId = uint64(t); }},
      {TAHDate_accountinfo, [](R& r, std::string_view t) { r.TAHDate = text(t); }},
      {TAHEntryDateTime_accountinfo, [](R& r, std::string_view t) { r.TAHEntryDateTime = text(t); }},
      {AccountId_accountinfo, [](R& r, std::string_view t) { r.AccountId = int32(t); }},
      {AccountTypeId_accountinfo, [](R& r, std::string_view t) { r.AccountTypeId = int32(t); }},
      {AccountName_accountinfo, [](R& r, std::string_view t) { r.AccountName = text(t); }},
      {TradingEnabled_accountinfo, [](R& r, std::string_view t) { r.TradingEnabled = truth(t); }},
      {Enabled_accountinfo, [](R& r, std::string_view t) { r.Enabled = truth(t); }},
      {GroupId_accountinfo, [](R& r, std::string_view t) { r.GroupId = text(t); }},
      {OrganizationId_accountinfo, [](R& r, std::string_view t) { r.OrganizationId = uint64(t); }},
      {OpeningBalanceOfDay_accountinfo, [](R& r, std::string_view t) { r.OpeningBalanceOfDay = decimal(t); }},
      {Balance_accountinfo, [](R& r, std::string_view t) { r.Balance = decimal(t); }},
      {UnrealisedPL_accountinfo, [](R& r, std::string_view t) { r.UnrealisedPL = decimal(t); }},
      {LeverageOnPositions_accountinfo, [](R& r, std::string_view t) { r.LeverageOnPositions = decimal(t); }},
      {CollateralSecurity_accountinfo, [](R& r, std::string_view t) { r.CollateralSecurity = decimal(t); }},
      {UsedMargin_accountinfo, [](R& r, std::string_view t) { r.UsedMargin = decimal(t); }},
      {Equity_accountinfo, [](R& r, std::string_view t) { r.Equity = decimal(t); }},
      {AvailableMargin_accountinfo, [](R& r, std::string_view t) { r.AvailableMargin = decimal(t); }},
      {Remarks_accountinfo, [](R& r, std::string_view t) { r.Remarks = text(t); }},
      {InterestWaiveoffExpiryDate_accountinfo,
       [](R& r, std::string_view t) { r.InterestWaiveoffExpiryDate = text(t); }},
      {HedgeModeId_accountinfo, [](R& r, std::string_view t) { r.HedgeModeId = int32(t); }},
      {AutoExecutionModeId_accountinfo, [](R& r, std::string_view t) { r.AutoExecutionModeId = int32(t); }},
      {CurrencyID_accountinfo, [](R& r, std::string_view t) { r.CurrencyID = uint64(t); }},
      {StorageWaiveoffDays_accountinfo, [](R& r, std::string_view t) { r.StorageWaiveoffDays = uint64(t); }},
      {AccumulatingStorage_accountinfo, [](R& r, std::string_view t) { r.AccumulatingStorage = decimal(t); }},
      {StorageWaiveOffModeId_accountinfo,
       [](R& r, std::string_view t) { r.StorageWaiveOffModeId = conv::truncateToUInt64(decimal(t)); }},
      {TradingStatusId_accountinfo,
       [](R& r, std::string_view t) { r.TradingStatusId = r.tradingStatus = int32(t); }},
      {UnrealisedCharges_accountinfo, [](R& r, std::string_view t) { r.UnrealisedCharges = decimal(t); }},
      {AgentAccountId_accountinfo, [](R& r, std::string_view t) { r.AgentAccountId = uint64(t); }},
      {MarginStatusId_accountinfo,
       [](R& r, std::string_view t) { r.MarginStatus = r.accountMarginStatus = int32(t); }},
      {CreditRating_accountinfo, [](R& r, std::string_view t) { r.CreditRating = uint64(t); }},
      {TradingPatternId_accountinfo, [](R& r, std::string_view t) { r.TradingPatternId = uint64(t); }},
  };
  std::shared_ptr<R> first, second;
  for (const auto& row : rows) {
    auto record = std::make_shared<R>();
    readCells(row, setters, *record);
    if (!first) {
      first = std::move(record);
    } else if (!second) {
      second = std::move(record);
    }
  }
  if (!first) return;
  out.hasAccountInfo = true;
  if (!second) {
    out.StartInfo = out.EndInfo = first;
    return;
  }
  const auto firstDate = Formatter::formatDateFromString(first->TAHDate);
  const auto secondDate = Formatter::formatDateFromString(second->TAHDate);
  if (!firstDate || !secondDate) {
    out.StartInfo.reset();
    out.EndInfo.reset();
  } else if (*firstDate < *secondDate) {
    out.StartInfo = first;
    out.EndInfo = second;
  } else {
    out.StartInfo = second;
    out.EndInfo = first;
  }
}

void StatementTables::ParseOpenPositionsTable(const XmlTable& rows, AccountStatementContent& out) {
  using R = OpenPositionHistoryInfo;
  static const Setters<R> setters{
      {TOPHId_openposition, [](R& r, std::string_view t) { r.TOPHId = uint64(t); }},
      {TOPDate_openposition, [](R& r, std::string_view t) { r.TOPDate = text(t); }},
      {TOPEntryDateTime_openposition, [](R& r, std::string_view t) { r.TOPEntryDateTime = text(t); }},
      {PositionId_openposition, [](R& r, std::string_view t) { r.OpenPositionId = text(t); }},
      {AccountId_openposition, [](R& r, std::string_view t) { r.AccountNumber = text(t); }},
      {InstrumentId_openposition, [](R& r, std::string_view t) { r.InstrumentId = uint64(t); }},
      {IsBuy_openposition, [](R& r, std::string_view t) { r.tradingMode = side(t); }},
      {RefOrderTicketId_openposition, [](R& r, std::string_view t) { r.RefOrderTicketId = uint64(t); }},
      {RefPendingOrderId_openposition, [](R& r, std::string_view t) { r.RefPositionIdOfBracket = text(t); }},
      {PositionInitialQty_openposition, [](R& r, std::string_view t) { r.OrderQty = text(t); }},
      {PositionQty_openposition, [](R& r, std::string_view t) { r.RemainingQty = text(t); }},
      {OrderPrice_openposition, [](R& r, std::string_view t) { r.OrderPrice = text(t); }},
      {CommisionPaid_openposition, [](R& r, std::string_view t) { r.Commision = decimal(t); }},
      {PositionDate_openposition, [](R& r, std::string_view t) { r.TransactionDateTime = dateAndTime(t); }},
      {ConfirmationModeId_openposition, [](R& r, std::string_view t) { r.ConfirmationModeId = uint64(t); }},
      {UnrealisedPL_openposition, [](R& r, std::string_view t) { r.UnrealisedPL = decimal(t); }},
      {TradeRouteId_openposition, [](R& r, std::string_view t) { r.TradeRouteId = uint64(t); }},
      {RoutePositionId_openposition, [](R& r, std::string_view t) { r.RoutePositionId = uint64(t); }},
      {DeliveryModeId_openposition, [](R& r, std::string_view t) { r.deliveryMode = int32(t); }},
      {AccumulatingStorage_openposition, [](R& r, std::string_view t) { r.Storage = decimal(t); }},
      {ValueDate_openposition, [](R& r, std::string_view t) { r.ValueDate = date(t); }},
      {ExpiryDate_openposition, [](R& r, std::string_view t) { r.ExpiryDate = date(t); }},
      {UnrealisedCharges_openposition, [](R& r, std::string_view t) { r.UnRealisedCharges = decimal(t); }},
  };
  for (const auto& row : rows) {
    R record;
    readCells(row, setters, record);
    if (const auto* instrument = instrumentOf(out, record.InstrumentId)) {
      record.ItemCode = instrument->Code;
      record.CurrentPrice = record.tradingMode == TradingModeBuy ? instrument->Bid : instrument->Ask;
    }
    if (conv::toInt(record.OpenPositionId) <= 0) continue;
    const double initialQty = conv::toDouble(record.OrderQty);
    if (initialQty > 0 && record.Commision > 0) {
      record.Commision = record.Commision / initialQty * conv::toDouble(record.RemainingQty);
    }
    out.OpenPositionInfo.push_back(std::move(record));
  }
  sortNatural(out.OpenPositionInfo, [](const R& r) -> std::string_view { return r.OpenPositionId; });
}

void StatementTables::ParsePendingOrdersTable(const XmlTable& rows, AccountStatementContent& out) {
  using R = PendingOrderHistoryInfo;
  static const Setters<R> setters{
      {TPOH_pendingorder, [](R& r, std::string_view t) { r.TPOH = uint64(t); }},
      {TPOHDate_pendingorder, [](R& r, std::string_view t) { r.TPOHDate = text(t); }},
      {TPOHEntryDateTime_pendingorder, [](R& r, std::string_view t) { r.TPOHEntryDateTime = text(t); }},
      {PendingOrderId_pendingorder, [](R& r, std::string_view t) { r.PendingOrderId = text(t); }},
      {RefTicketId_pendingorder, [](R& r, std::string_view t) { r.RefTicketId = uint64(t); }},
      {AccountId_pendingorder, [](R& r, std::string_view t) { r.AccountNumber = text(t); }},
      {InstrumentId_pendingorder, [](R& r, std::string_view t) { r.InstrumentId = uint64(t); }},
      {IsBuy_pendingorder, [](R& r, std::string_view t) { r.tradingMode = side(t); }},
      {OrderTypeId_pendingorder, [](R& r, std::string_view t) { r.orderType = int32(t); }},
      {OrderQty_pendingorder, [](R& r, std::string_view t) { r.OrderQty = text(t); }},
      {MinQty_pendingorder, [](R& r, std::string_view t) { r.MinQty = text(t); }},
      {DisclosedQty_pendingorder, [](R& r, std::string_view t) { r.DisclosedQty = text(t); }},
      {RemainingQty_pendingorder, [](R& r, std::string_view t) { r.RemainingQty = text(t); }},
      {OrderPrice_pendingorder, [](R& r, std::string_view t) { r.OrderPrice = text(t); }},
      {LimitPrice_pendingorder, [](R& r, std::string_view t) { r.LimitPrice = text(t); }},
      {StopPrice_pendingorder, [](R& r, std::string_view t) { r.StopPrice = text(t); }},
      {TralingStopPrice_pendingorder, [](R& r, std::string_view t) { r.TralingStopPrice = decimal(t); }},
      {DeliveryModeId_pendingorder, [](R& r, std::string_view t) { r.deliveryMode = int32(t); }},
      {TimeInForceId_pendingorder, [](R& r, std::string_view t) { r.timeinForce = int32(t); }},
      {ExpiryDateTime_pendingorder, [](R& r, std::string_view t) { r.ExpiryDate = dateAndTime(t); }},
      {OCOLLimitPrice_pendingorder, [](R& r, std::string_view t) { r.OCOLLimitPrice = decimal(t); }},
      {OCOLStopPrice_pendingorder, [](R& r, std::string_view t) { r.OCOLStopPrice = decimal(t); }},
      {OCOSLimit_pendingorder, [](R& r, std::string_view t) { r.OCOSLimit = decimal(t); }},
      {OCOSStop_pendingorder, [](R& r, std::string_view t) { r.OCOSStop = decimal(t); }},
      {Spread_pendingorder, [](R& r, std::string_view t) { r.Spread = text(t); }},
      {TradeRouteId_pendingorder, [](R& r, std::string_view t) { r.TradeRouteId = uint64(t); }},
      {RoutePendingOrderId_pendingorder, [](R& r, std::string_view t) { r.RoutePendingOrderId = int64(t); }},
      {ExecutedQty_pendingorder, [](R& r, std::string_view t) { r.ExecutedQty = text(t); }},
      {OrderStatusId_pendingorder, [](R& r, std::string_view t) { r.OrderStatus = text(t); }},
      {OrderTime_pendingorder, [](R& r, std::string_view t) { r.TransactionDateTime = dateAndTime(t); }},
      {RefPosIdOfBracket_pendingorder, [](R& r, std::string_view t) { r.RefPositionIdOfBracket = text(t); }},
      {TouchQty_pendingorder, [](R& r, std::string_view t) { r.TouchQty = text(t); }},
      {TouchPrice_pendingorder, [](R& r, std::string_view t) { r.TouchPrice = decimal(t); }},
      {TouchTime_pendingorder, [](R& r, std::string_view t) { r.TouchTime = text(t); }},
  };
  for (const auto& row : rows) {
    R record;
    readCells(row, setters, record);
    if (const auto* instrument = instrumentOf(out, record.InstrumentId)) record.ItemCode = instrument->Code;
    if (!row.get(PendingOrderId_pendingorder)) continue;
    out.PendingOrderInfo.push_back(std::move(record));
  }
  sortNatural(out.PendingOrderInfo, [](const R& r) -> std::string_view { return r.PendingOrderId; });
}

void StatementTables::ParseSettledPositionsTable(const XmlTable& rows, AccountStatementContent& out) {
  using R = SettledPositionHistoryInfo;
  static const Setters<R> setters{
      {SettlementId_settledposition, [](R& r, std::string_view t) { r.SettlementId = text(t); }},
      {AccountId_settledposition, [](R& r, std::string_view t) { r.AccountNumber = text(t); }},
      {InstrumentId_settledposition, [](R& r, std::string_view t) { r.InstrumentId = uint64(t); }},
      {RefPositionId_settledposition, [](R& r, std::string_view t) { r.OpenPositionId = text(t); }},
      {RefClosingPositionId_settledposition, [](R& r, std::string_view t) { r.ClosingPositionId = text(t); }},
      {SettledQty_settledposition, [](R& r, std::string_view t) { r.SettledQty = text(t); }},
      {IsBuy_settledposition, [](R& r, std::string_view t) { r.tradingMode = side(t); }},
      {SettledPL_settledposition, [](R& r, std::string_view t) { r.SettledPL = text(t); }},
      {SettlementDate_settledposition, [](R& r, std::string_view t) { r.TransactionDateTime = dateAndTime(t); }},
      {CurrencyRate_settledposition, [](R& r, std::string_view t) { r.CurrencyRate = decimal(t); }},
      {AccumulatingStorage_settledposition, [](R& r, std::string_view t) { r.Storage = decimal(t); }},
      {CommisionPaid_settledposition, [](R& r, std::string_view t) { r.Commision = decimal(t); }},
      {OtherCharges_settledposition, [](R& r, std::string_view t) { r.OtherCharges = decimal(t); }},
      {OpenPrice_settledposition, [](R& r, std::string_view t) { r.OrderPrice = text(t); }},
      {ClosePrice_settledposition, [](R& r, std::string_view t) { r.SettledPrice = text(t); }},
      {OpenDate_settledposition, [](R& r, std::string_view t) { r.OpenDate = dateAndTime(t); }},
      {CloseDate_settledposition, [](R& r, std::string_view t) { r.CloseDate = dateAndTime(t); }},
      {DeliveryModeId_settledposition, [](R& r, std::string_view t) { r.deliveryMode = int32(t); }},
  };
  for (const auto& row : rows) {
    R record;
    readCells(row, setters, record);
    if (const auto* instrument = instrumentOf(out, record.InstrumentId)) record.ItemCode = instrument->Code;
    if (!row.get(SettlementId_settledposition)) continue;
    out.SettledPositionInfo.push_back(std::move(record));
  }
  sortNatural(out.SettledPositionInfo, [](const R& r) -> std::string_view { return r.SettlementId; });
}

void StatementTables::ParseFinancialTransactionsTable(const XmlTable& rows, AccountStatementContent& out) {
  using R = FinancialTransactionHistoryInfo;
  static const Setters<R> setters{
      {DrAmount_financialtransaction, [](R& r, std::string_view t) { r.DrAmount = decimal(t); }},
      {CrAmount_financialtransaction, [](R& r, std::string_view t) { r.CrAmount = decimal(t); }},
      {FinancialTransactionTypeId_financialtransaction,
       [](R& r, std::string_view t) { r.TransactionType = int32(t); }},
      {SubFinancialTransactionTypeId_financialtransaction,
       [](R& r, std::string_view t) { r.SubTransactionType = int32(t); }},
      {AccountId_financialtransaction, [](R& r, std::string_view t) { r.AccountId = int64(t); }},
  };
  for (const auto& row : rows) {
    R record;
    readCells(row, setters, record);
    out.FinancialTransactionInfo.push_back(std::move(record));
  }
}

AccountStatementContent StatementTables::readAccountStatement(const XmlTables& tables) {
  AccountStatementContent out;
  if (const auto* t = tables.table(TableName_instrument)) ParseInstrumentsTable(*t, out);
  if (const auto* t = tables.table(TableName_closeprice)) ParseClosePriceTable(*t, out);
  if (const auto* t = tables.table(TableName_accountinfo)) ParseAccountInfoTable(*t, out);
  if (const auto* t = tables.table(TableName_openposition)) ParseOpenPositionsTable(*t, out);
  if (const auto* t = tables.table(TableName_pendingorder)) ParsePendingOrdersTable(*t, out);
  if (const auto* t = tables.table(TableName_settledposition)) ParseSettledPositionsTable(*t, out);
  if (const auto* t = tables.table(TableName_financialtransaction)) ParseFinancialTransactionsTable(*t, out);
  return out;
}

AccountStatementContent StatementTables::readAccountStatement(std::string_view xml) {
  return readAccountStatement(parseXml(xml));
}

}  // namespace td
